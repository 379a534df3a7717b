#pragma once
// Styles: named sets of properties of one type, kept in the document's
// styles array, based on one another, and applied to text by their records.
// The builtin definitions, the sorted style list, creating, changing and
// importing styles, and remapping text from one style to another.

#include <QString>
#include <cstdint>
#include <vector>

#include "richtext/CorvaneDoc.h"

// The definition of builtin style n as a style of the type: its entry, its
// record and (for paragraph styles) its character record.
void GetBuiltinStyleDef(CorvaneDoc* doc, uint32_t type, uint32_t builtinId, StyleEntry* entry, Properties* record,
                        Properties* charRecord);
// The document's default record of a type: char and para from "Normal",
// chapter, table and list from the document's first or normal records,
// border and type 255 the base values; frame and unknown types untouched.
void SetDefaultProperties(CorvaneDoc* doc, uint32_t type, Properties* record);
// Appends the list record that new lists start from; its index goes to
// normalListIndex.
bool SetNormalListProps(CorvaneDoc* doc);
// The property type of a style id.
uint32_t PropTypeForStyle(CorvaneDoc* doc, uint32_t styleId);
// Appends the normal styles of each type to the style list.
bool SetNormalStyleIndexes(CorvaneDoc* doc);
// Refills the style list: the normal styles, then every live style, sorted
// by type, the normal style first, then by name without regard to case.
bool RebuildStyleList(CorvaneDoc* doc);
// While one lives (main thread), RebuildStyleList of its document only
// notes that the list is stale, and the list is rebuilt once at its end:
// for readers that create thousands of styles in a row.
class StyleListBatch {
 public:
  explicit StyleListBatch(CorvaneDoc* doc);
  ~StyleListBatch();
  StyleListBatch(const StyleListBatch&) = delete;
  StyleListBatch& operator=(const StyleListBatch&) = delete;

 private:
  CorvaneDoc* m_saved;
  bool m_savedStale;
};

// ---- Style ids, names and entries ----------------------------------------------

// The builtin id of a style that is not builtin.
constexpr uint32_t kNotBuiltinStyle = 254;
constexpr uint32_t kBuiltinStyleCount = 35;
// Walks down based-on chains stop at this depth (a chain longer than the
// style count can only be a cycle).
constexpr uint32_t kMaxStyleDepth = kMaxStyles;

// The name of builtin style n; "" past the table.
QString BuiltinStyleName(uint32_t builtinId);
// The builtin id of the name among the first 30 builtin names (the first
// of two equal names), else kNotBuiltinStyle.
uint32_t StyleIdForName(const QString& name);
// The first live style whose name equals the name without regard to case;
// kNoPropertyIndex when none does.
uint32_t StyleIndexForName(CorvaneDoc* doc, const QString& name);
// The index of the builtin style in the document: 0 for "Normal", else the
// first live style with that builtin id, created when asked.
uint32_t StyleIndexForStyleId(CorvaneDoc* doc, uint32_t builtinId, bool create, bool updatePopup);
uint32_t StyleCount(CorvaneDoc* doc);
StyleEntry StyleEntryAt(CorvaneDoc* doc, uint32_t index);
QString StyleName(CorvaneDoc* doc, uint32_t index);

// A new style from its records (of the record's type; a paragraph style
// also takes a char record, the base char record when null). `baseId` and
// `nextId` are style ids: builtin ids are resolved (creating the style),
// ids from 5,000 stand for "Normal"; a paragraph style without a next one
// is its own. More than kMaxStyles styles are refused with the alert "Can't
// create style.". The index, or kNoPropertyIndex.
uint32_t CreateStyle(CorvaneDoc* doc, const QString& name, uint32_t builtinId, uint32_t baseId, uint32_t nextId,
                     const Properties* record, const Properties* charRecord, bool updatePopup);
// The style's records with their own-index words set: "Normal" asked as a
// list, table or char style gives the normal list, normal table or its char
// record. The char record of a paragraph style, else a type-255 record. A
// builtin or normal style id (from 4,000) is read as such. False for a
// missing style.
bool GetStyleProps(CorvaneDoc* doc, uint32_t index, uint32_t type, Properties* record, Properties* charRecord);

struct Molecule;
// The molecule that turns the style's base records into the given records
// (a paragraph style's char differences merged in); null for a char style
// without a base, or when memory fails. The caller frees it (FreeMolecule).
Molecule* MoleculeForStyle(CorvaneDoc* doc, const StyleEntry& entry, const Properties* record,
                           const Properties* charRecord);

// Renames (when `name` is not null), re-bases, sets the next style and the
// records of a style; every style based on it, down the whole chain, is
// derived again and the text that uses any of them keeps its own
// formatting over the new records. A base that would close a cycle is
// refused. False for a missing style or a failed interning.
bool ChangeStyle(CorvaneDoc* doc, uint32_t index, const QString* name, uint32_t baseId, uint32_t nextId,
                 const Properties* record, const Properties* charRecord);
// The font index and size (quarter points) of "Normal"'s char record; every
// char record of the table follows when `force` is set, else only those
// that had the old "Normal" font or size.
void SetNormalFont(CorvaneDoc* doc, uint16_t font, int16_t size, bool force);

// Gives the text of the range a style of its type, keeping the text's own
// formatting: the differences between each run's record and its current
// style's record are laid over the new style's record. A paragraph remap
// does the same for the char runs of its paragraphs that take their
// paragraph style's character formatting.
bool RemapCharStyle(const DocRange& range, uint32_t style);
bool RemapParaStyle(const DocRange& range, uint32_t style);
// The same for the list or table knot whose begin entry is at knotIndex.
bool RemapListStyle(CorvaneDoc* doc, uint32_t knotIndex, uint32_t style);
bool RemapTableStyle(CorvaneDoc* doc, uint32_t knotIndex, uint32_t style);

// ---- Copying styles between documents ------------------------------------------

// The target's style matching the source's style at index: the same builtin
// id for a builtin style, else the same name and type. A name taken by a
// style of another type is changed ("...3" to "...4", else "1" appended)
// until it is free or matches. The final name and builtin id go out;
// kNoPropertyIndex when the style is not in the target.
uint32_t StyleExistsInTarget(CorvaneDoc* source, CorvaneDoc* target, uint32_t index, uint32_t type, QString* name,
                             uint32_t* builtinId);
// Imports one style (its base and next styles first) unless the target has
// it; the target's index, or kNoPropertyIndex.
uint32_t CopyStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t index);
uint32_t CopyBuiltinStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t builtinId);
// Brings the source's styles, its first chapter record and its normal table
// record into the target; `map` (when given) receives each source style's
// index in the target. Stops at the first style that fails.
bool ImportStyles(CorvaneDoc* target, CorvaneDoc* source, std::vector<uint32_t>* map = nullptr);
// Rewrites the style fields of the range's runs and knot records through
// the map (source style index to target index), as text pasted from
// another document needs.
void RemapStylesInRange(const DocRange& range, const std::vector<uint32_t>& map);

// Cuts every based-on or next link that closes a cycle (it becomes none,
// and is logged), as a document read from a file may hold them. The number
// of links cut.
uint32_t CutStyleCycles(CorvaneDoc* doc);
