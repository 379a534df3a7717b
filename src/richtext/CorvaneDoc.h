#pragma once
// The engine's document record: the text (a piece table over owned
// buffers), the knots, the property runs and the interned property records,
// the styles, the pictures, the two pane slots and the document's own
// settings. Every other part of the engine reads and changes a document only
// through this record and the arrays it owns. Main thread only.
//
// A cp is a UTF-16 index into the text; ranges are half-open. The text never
// becomes empty: the first chapter knot and a closing paragraph mark (never
// shown, searched or exported) are always there.

#include <QString>
#include <cstdint>

#include "richtext/Properties.h"
#include "support/CSArray.h"
#include "support/CSArrayCP.h"
#include "support/CSArrayString.h"

class QObject;
struct KnotFormat;

constexpr uint32_t kNoCpValue = 0xFFFFFFFF;
// The longest text a document may hold.
constexpr uint32_t kMaxDocumentCps = 2000000000;

// The document kinds.
enum CorvaneDocKind : int32_t {
  kClipboardDocument = 0,
  kHelpDocument = 1,
  kTemporaryDocument = 2,
  kPreferencesDocument = 3,
  kViewDocument = 4,  // the document of a CBDocument
};

// The characters with a meaning of their own.
constexpr char16_t kKnotMark0 = 0;
constexpr char16_t kKnotMark1 = 1;
constexpr char16_t kParagraphMark = 10;
constexpr char16_t kStrayMarkCharacter = 0x2022;

struct CorvaneDoc;

// One owned text buffer; its size is kept so that pieces can be checked to
// lie inside their buffers.
struct TextBuffer {
  char16_t* units = nullptr;
  uint64_t size = 0;  // in units
};

struct DocRange {
  CorvaneDoc* doc = nullptr;
  uint32_t first = 0;
  uint32_t limit = 0;
};

// One style of the document's styles array (its string is the name).
struct StyleEntry {
  uint32_t builtinId = 254;  // 254: not builtin
  uint32_t type = 0;         // PropertyType; 255 marks a deleted style
  uint32_t base = 0x7FFF;    // style id, 32,767 for none
  uint32_t next = 0x7FFF;    // the next paragraph's style
  uint32_t reserved = 0x7FFF;
  uint32_t props = kNoPropertyIndex;      // the style's own record
  uint32_t charProps = kNoPropertyIndex;  // paragraph styles: their character record
};
static_assert(sizeof(StyleEntry) == 28);

constexpr uint32_t kStyleNone = 32767;
constexpr uint32_t kBuiltinStyleBase = 4000;
constexpr uint32_t kNormalStyleBase = 5000;
constexpr uint32_t kMaxStyles = 4000;

// One laid-out line of a pane's display-line cache, keyed by its first cp.
struct DisplayLine {
  uint32_t kind = 0;  // 3: a table row
  uint16_t reach = 0;
  uint8_t dirty = 0;
  uint8_t spare = 0;
  double left = 0, top = 0, width = 0, height = 0;
};

// One view onto a document: the host view, the zoom, what it shows, the
// selection and caret state, the first cp shown and the display-line cache.
struct Pane {
  QObject* view = nullptr;  // the host's view; null for a pane without one
  float zoom = 0;
  int32_t contentsKind = 0;
  // 0 full access, 1 kink contents, 2 showInvisibles, 3-4 table bounds.
  uint8_t contentsFlags[6] = {};
  uint32_t objectSelection = kNoCpValue;
  // 1 highlightShown, 2 caretAtLineEnd, 3 set to 23 when a selection starts.
  uint8_t selectionFlags[5] = {};
  int32_t anchor = 0;
  int32_t end = 0;
  uint32_t firstColumn = kNoCpValue;
  uint32_t columnLimit = kNoCpValue;
  float goalX = -1;
  float caretX = -1;
  int32_t granularity = 0;
  CharProps caretProps;
  int32_t rememberedCp = -1;
  int32_t dragMarkCp = 0;
  int32_t paraCacheFirst = -1;
  int32_t paraCacheLimit = -1;
  uint32_t chapterIndex = kNoCpValue;
  // 1 unclipped, 2 noHighlights, 3 hasDisplay, 5 redrawAll, 6 keepsActiveLook, 7 wholeHeight.
  uint8_t paneFlags[9] = {};
  CSArrayCP* displayLines = nullptr;
  int32_t firstCp = 0;
  float topOffset = 0;
  float margin = 0;
};

// A picture of the document's picture table.
struct PictureEntry;

struct CorvaneDoc {
  uint32_t cpLimit = 0;    // the text and its closing paragraph mark
  uint32_t textLimit = 0;  // cpLimit - 1
  CSArrayCP* pieces = nullptr;     // entries: char16_t* of the stretch starting at the cp
  CSArray* textBuffers = nullptr;  // TextBuffer entries: the owned buffers
  uint32_t lastBufferSize = 0;     // units of the newest buffer
  uint32_t lastBufferFree = 0;     // unused units at its end
  QObject* hostWindow = nullptr;
  Pane* overridePane = nullptr;
  uint32_t currentPane = 0;
  uint32_t paneCount = 0;
  Pane panes[2];
  uint32_t scrollWord = 0;
  int32_t scrollOffset = 0;
  uint8_t displayFlags[2] = {};
  CSArrayCP* knots = nullptr;  // KnotEntry
  CSArrayString* bookmarkGuids = nullptr;
  CSArray* pictures = nullptr;
  CSArrayCP* extraMarks1 = nullptr;
  CSArrayCP* extraMarks2 = nullptr;
  uint32_t variableKinds = 0;
  CSArrayCP* bookmarkMarks = nullptr;
  CSArrayCP* chapterMarks = nullptr;
  CSArrayCP* listMarks = nullptr;
  CSArrayCP* tableMarks = nullptr;
  CSArrayString* styles = nullptr;  // StyleEntry
  CSArray* styleList = nullptr;     // u32 style ids, sorted
  CSArrayCP* charRuns = nullptr;    // u32 property index
  CSArrayCP* paraRuns = nullptr;    // u32 property index
  CSArray* propertyTable = nullptr;  // Properties
  // Finds records by a hash of their bodies; brought up to date lazily.
  struct PropertyIndex* propertyIndex = nullptr;
  CharProps cachedCharProps;
  uint32_t cachedCharIndex = kNoPropertyIndex;
  ParaProps cachedParaProps;
  uint32_t cachedParaIndex = kNoPropertyIndex;
  QObject* ownerObject = nullptr;
  int32_t kind = 0;
  // Per-document switches, each owned by the code that uses it.
  uint8_t replaceTextFlag = 0;
  uint8_t insertionFlag = 0;
  uint8_t active = 0;
  uint8_t styleAtomsOnly = 0;
  uint8_t ignoreChapterConfinement = 0;
  uint8_t embeddedPictures = 0;
  uint8_t readPlainMarks = 0;
  uint8_t helpFlag = 0;
  uint8_t noParaCache = 0;
  uint8_t noTableCache = 0;
  uint8_t breakFree = 0;
  uint8_t fitToWindow = 0;
  uint8_t wholeRedraw = 0;
  uint8_t expansionLock = 0;  // ExpandDocRange leaves ranges as they are
  uint8_t overLimit = 0;      // an edit was refused for length; IdleEdit reports it
  uint8_t moreFlags[12] = {};
  uint64_t owner = 0;
  QObject* ownerData = nullptr;
  int32_t clipboardKind = 0;
  CSArrayCP* proofRuns = nullptr;  // 2-byte entries
  CSArrayCP* findMarks = nullptr;
  CSArrayCP* markArray2 = nullptr;
  CSArrayCP* listNumberCache = nullptr;
  DocProps docProps;
  double drawScale = 0;
  uint32_t pageWidth = 0;
  uint32_t pageHeight = 0;
  uint32_t pageWord1 = 0;
  int32_t variableDate = 0;
  uint32_t variableTime = 0;
  uint32_t normalListIndex = kNoPropertyIndex;
  uint32_t normalTableIndex = kNoPropertyIndex;
  uint32_t firstChapterIndex = kNoPropertyIndex;
  void* selectionScratch = nullptr;
  int32_t selectionWord = 0;
  uint8_t selectionBytes[2] = {};
  KnotFormat* knotFormatCache = nullptr;   // the table cache
  KnotFormat* knotFormatCache2 = nullptr;  // the row cache
};

// The engine's documents that live for the whole run, made by InitCorvane.
extern CorvaneDoc* g_prefsDoc;
extern CorvaneDoc* g_clipboardDoc;

// A new document of the kind with its fixed first content, or null.
CorvaneDoc* NewCorvaneDoc(int32_t kind);
// Frees the document and all it owns; null is accepted.
void DestroyDocument(CorvaneDoc* doc);
// The engine's start-up: the preferences and clipboard documents and the
// font-name list. False when one cannot be made.
bool InitCorvane();

// 1, 10, 11 and 12 end paragraphs.
bool IsParaBreak(char16_t unit);

// The body: from after the leading chapter knot to textLimit, or one short
// of it unless `includeLastMark`. A null document gives 0, 0.
void GetDocumentRange(CorvaneDoc* doc, DocRange* range, bool includeLastMark);
uint32_t FirstDocumentCp(CorvaneDoc* doc);
// The pane's chapter when it is confined to one that exists, else 0 to
// textLimit.
void GetPaneRange(CorvaneDoc* doc, const Pane* pane, DocRange* range);
// Copies the source (when given) and moves both ends one cp inwards; a range
// of under two cps becomes empty at its middle rather than inverted.
void InsetRange(const DocRange* source, DocRange* range);
bool IsPasswordLocked(CorvaneDoc* doc);

// The first cp the current pane shows: 0 for a full-access pane or one of
// contents kind 3 or 6.
uint32_t FirstVisibleCp(CorvaneDoc* doc);
// The range find walks forward (kind 1: a whole-text find) and backward.
void GetScanRange(CorvaneDoc* doc, uint32_t kind, bool fromStart, DocRange* range);
void GetBackwardScanRange(CorvaneDoc* doc, bool wholeText, bool fromStart, DocRange* range);
// Empties the cp arrays a reader fills; ClearArraysForRead also the chapter
// marks and the knots.
void ClearArraysForReadCore(CorvaneDoc* doc);
void ClearArraysForRead(CorvaneDoc* doc);
// A temporary document and its text range: empty when no range is given.
// Copying a range needs the editing code and fails for now.
bool NewMoveDoc(const DocRange* source, DocRange* out);
// Word and sentence limits within the pane's range (the paragraph's for
// sentences); knot marks count as letters.
uint32_t WordStart(CorvaneDoc* doc, Pane* pane, uint32_t cp);
uint32_t WordLimit(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool includeBlanks);
uint32_t SentenceStart(CorvaneDoc* doc, uint32_t cp);
uint32_t SentenceLimit(CorvaneDoc* doc, uint32_t cp);

// The undo hooks of the display-only engine: every request is granted and
// nothing is recorded.
struct UndoScope {
  uint64_t owner = 0;
  uint32_t kind = 0;
  uint32_t words[2] = {};
};
uint32_t InitUndoScope(uint64_t owner, uint32_t kind, UndoScope* scope);
bool SetUndoForRange(const DocRange* range, uint32_t action, uint32_t undoId, uint32_t descriptor);
bool SetAtomicUndo();
void CommitUndoForRange(const DocRange* range);
void CommitUndo();

// Checks a document's structure before it is used (the native reader's
// gate): its limits, text pieces, knots, runs, record indexes, picture and
// bookmark indexes, array sentinels and style bases. False with a reason
// when anything is out of place.
bool ValidateDocument(CorvaneDoc* doc, QString* reason = nullptr);

// The record at an index of the property table, or null.
Properties* PropertiesAtIndex(CorvaneDoc* doc, uint32_t index);
// The index of a record equal to this one (by type and body; the highest
// such index), appended when new; kNoPropertyIndex when the append fails.
uint32_t IndexForProperties(CorvaneDoc* doc, Properties* record);
// Code that changes records of the table in place calls this, so that
// interning finds them by their new bodies.
void InvalidatePropertyIndex(CorvaneDoc* doc);
