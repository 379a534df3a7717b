#pragma once
// The atom tables: one row per field of each property type, indexed by atom
// id (row 0 empty). A row says where the field lies in the record body, how
// large it is, what kind of value it holds, how a change of it is described
// and under which tag the native XML stores it. Molecules, the XML property
// reader and the differences between records are all driven by these rows.

#include <QString>
#include <QStringView>
#include <cstdint>

#include "richtext/Properties.h"

enum AtomValueKind : uint32_t {
  kAtomAction = 0,         // no value: the atom does something
  kAtomCharAtomName = 1,   // names a char atom (the first-line format)
  kAtomSwitch = 2,
  kAtomBookmark = 4,
  kAtomCharacter = 8,      // one character
  kAtomKolor = 9,
  kAtomEnum = 10,
  kAtomFontIndex = 11,
  kAtomLineHeight = 12,
  kAtomListMarker = 13,
  kAtomMeasure = 14,
  kAtomBorderWidth = 15,
  kAtomInteger = 16,
  kAtomPage = 18,
  kAtomFontSize = 19,
  kAtomRelativeSize = 20,
  kAtomLineMultiple = 21,
  kAtomCountedString = 23,  // ParaAffix: a count and up to 4 UTF-16 units
  kAtomTabStop = 24,
  kAtomTextBoxes = 25,
};

// How a row's description shows the value.
enum AtomDescriptionKind : uint32_t {
  kAtomDescriptionNone = 0,     // no description
  kAtomDescriptionPlain = 1,    // the text alone (a switch)
  kAtomDescriptionInteger = 2,  // "%d" with the value
  kAtomDescriptionText = 3,     // "%@" with the value's text
  kAtomDescriptionTab = 4,      // "%@ %@%@": position, alignment, leader
};

// The kind of change a field belongs to.
enum AtomChangeCode : uint32_t {
  kChangeNone = 0,
  kChangeStyle = 1,
  kChangeFace = 2,     // switches and enums of the character's look
  kChangeFont = 3,     // font and size
  kChangeColor = 4,
  kChangeSpacing = 5,  // spaces, heights, offsets
  kChangeIndent = 6,
  kChangeTabs = 7,
  kChangeBorder = 8,
  kChangeLayout = 9,   // page, column and placement settings
  kChangeColumns = 10,
  kChangeText = 11,    // prefix, suffix, markers
};

struct AtomDesc {
  uint8_t atomId;
  uint8_t valueSize;  // bytes of the field; 0 for most action atoms
  uint16_t rtfEmitKind;  // RtfEmitKind: how the RTF writer writes the field
  uint32_t valueKind;  // AtomValueKind
  uint32_t offset;     // of the field in the record body
  uint32_t changeCode;  // AtomChangeCode
  const char* description;  // format of the change's description, or null
  uint32_t rtfKeyword;      // row of the RTF keyword table (0 none)
  uint32_t descriptionKind;  // AtomDescriptionKind
  uint32_t xmlKey;           // tag key in the native XML (0 none)
  uint32_t xmlInstance;      // position among fields sharing a key or in a numbered series
};
static_assert(sizeof(AtomDesc) == 40 || sizeof(void*) != 8);

// How the RTF writer writes a field with its row's keyword.
enum RtfEmitKind : uint16_t {
  kRtfEmitNothing = 0,
  kRtfEmitFlagOn = 2,   // a flag that is on by default: the bare word, or the word with 0
  kRtfEmitFlagOff = 3,  // a flag that is off by default: the bare word for 0, else the word with 1
  kRtfEmitLineStyle = 5,
  kRtfEmitBorderKind = 6,
  kRtfEmitBorderWidth = 7,
  kRtfEmitCharacter = 8,
  kRtfEmitColor = 9,    // the colour's index in the colour table
  kRtfEmitFont = 11,
  kRtfEmitTwips = 15,   // a measure in twips
  kRtfEmitInteger = 16,
  kRtfEmitPageNumberFormat = 17,
  kRtfEmitPage = 18,
  kRtfEmitSpecial = 22,  // written by the writer's own code for the atom
  kRtfEmitCountedString = 23,  // not written
};

// The longest value an atom may carry: its length field has 4 bits and
// counts the 2-byte header.
constexpr uint32_t kMaxAtomValueSize = 13;

// Atom ids the code names.
enum : uint32_t {
  kAtomStyle = 1,         // every type with a style: the style id
  kAtomReapplyStyle = 2,  // char and para: the record's own style again
  kCharAtomBold = 3,
  kCharAtomItalic = 4,
  kCharAtomUnderline = 5,
  kCharAtomCaps = 7,
  kCharAtomRelsize = 10,
  kCharAtomFont = 11,
  kCharAtomSize = 12,
  kCharAtomStepSize = 19,
  kParaAtomAlign = 3,
  kParaAtomFormat1 = 11,
  kParaAtomPrefix = 15,
  kParaAtomSuffix = 16,
  kParaAtomTabDelete = 23,
  kParaAtomTab = 24,
  kParaAtomBorderType = 25,
  kParaAtomAddTab = 32,
  kParaAtomClearTabs = 33,
  kParaAtomCheck = 38,
  kListAtomFirstMarker = 5,
};

// The type's rows (count includes row 0); null and 0 for a type without a
// table (6 and anything past 8).
const AtomDesc* AtomTableForType(uint32_t type, uint32_t* count);
uint32_t AtomCountForType(uint32_t type);
// The row of an atom; null for a row past the table or the empty row 0.
const AtomDesc* AtomDescFor(uint32_t type, uint32_t atom);
// The bytes an atom of the row takes in a molecule, header included.
uint32_t AtomLengthForDesc(const AtomDesc& desc);

// A field of the record as a 32-bit value: 1-byte fields zero-extended,
// 2-byte fields sign-extended, 4- and 8-byte fields their low 32 bits; 0 for
// an atom past the table or of value size 0 or above 8.
uint32_t PropertyValueForAtom(const Properties* record, uint32_t type, uint32_t atom);
// The row's field of the record as a 64-bit value: 1-byte fields
// zero-extended, 2-byte fields sign-extended, 4-byte fields sign-extended
// or not as asked, 8-byte fields whole; 0 for other sizes.
int64_t AtomFieldValue(const Properties& record, const AtomDesc& row, bool signed32);
// Writes the low bytes of the value into the row's field of the record, by
// the field's size; nothing for other sizes or a field past the record.
void StoreAtomFieldValue(Properties* record, const AtomDesc& row, int64_t value);

// Table column widths: atoms 15-24 for columns 0-9, 35-49 for 10-24.
uint32_t AtomForColumnWidth(uint32_t column);
bool IsTableColumnAtom(uint32_t atom);

// ---- Enumerated values ----

// The names of the atom's values, or null (count 0) when it has none.
const char* const* EnumAtomStringTableXml(uint32_t type, uint32_t atom, uint32_t* count);
// The value's name in lower case; null when the atom has no list or the
// value lies past it.
QString StringForEnumAtomXml(uint32_t type, uint32_t atom, uint32_t value);
// The index of the first name equal to the text without regard to case; 0
// when none is.
uint32_t EnumAtomValueForString(QStringView text, const char* const* list, uint32_t count);

// The XML form's names of tab alignments ("left" 0, "right" 1, "center" 2,
// "decimal" 3, "bar" 4), tab leaders (codes 0-5), list-marker types (codes
// 0-4) and list number formats (the chapter page-number formats, codes 0-11).
extern const char* const kTabAlignNames[5];
extern const char* const kTabLeaderNames[6];
extern const char* const kListMarkerTypeNames[5];
extern const char* const kNumberFormatNames[12];

// ---- Field tags of the native XML ----

// The field tags take the keys 1088-1223 (1182 is unused).
constexpr uint32_t kFirstFieldXmlKey = 1088;
constexpr uint32_t kLastFieldXmlKey = 1223;
// The key of the list markers' tag ("mark"), among the document tags.
constexpr uint32_t kMarkXmlKey = 1032;
// The tag of a field key; null outside 1088-1223 and for the unused key.
const char* FieldTagForKey(uint32_t key);
// The key of a field tag (exact case), 0 when it is none; "mark" included.
uint32_t FieldKeyForTag(QStringView tag);
