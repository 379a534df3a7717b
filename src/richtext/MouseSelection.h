#pragma once
// Mouse and keyboard selection in the continuous view: a click is located,
// starts a tracking record (the click, the unit the drag grows by, the old
// selection), each move extends the selection by whole units with
// auto-scroll, and the release fixes the selection up and acts on links,
// pictures, tags, bookmark references and checkboxes. Keys move the caret
// or extend the selection by characters, words, sentences, lines, pages or
// to the ends. Main thread only.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"
#include "richtext/Locator.h"

// The engine's modifier mask (the document class converts the platform's).
enum EngineModifier : uint32_t {
  kEngineCapsLock = 0x01,
  kEngineCommand = 0x02,
  kEngineControl = 0x04,
  kEngineNumericPad = 0x08,
  kEngineFunction = 0x10,
  kEngineOption = 0x20,
  kEngineShift = 0x40,
};

// Click kinds, as the view reports them.
enum ClickKind : uint32_t {
  kClickSingle = 1,
  kClickDouble = 3,
  kClickExtend = 4,  // shift
  kClickKeep = 5,    // a context click: the selection is kept
  kClickLine = 6,    // selects lines
  kClickTable = 7,   // in a table, not on a column head
  kClickTriple = 8,
  kClickColumn = 9,      // a table column
  kClickNoRelease = 10,  // nothing happens on release
};

// Selection keys.
enum SelectionKey : uint32_t {
  kKeyDown = 0,
  kKeyLeft = 1,
  kKeyRight = 2,
  kKeyUp = 3,
  kKeyPageDown = 4,
  kKeyPageUp = 5,
  kKeyEnd = 6,
  kKeyHome = 7,
};
// SelectKeyDraft's extra: up and down move line by line even in a table.
constexpr uint32_t kSelectKeyIgnoreTables = 1;

// One click's tracking record, held by the document from the click to the
// release.
struct TextSelectionTracking {
  Locator locator;
  uint32_t unitFirst = 0, unitLimit = 0;  // the unit around the click
  uint32_t pivot = 0;
  uint32_t lastCp = kNoCpValue;
  uint32_t oldAnchor = 0, oldEnd = 0;
  double clickX = 0, clickY = 0;
  uint32_t granularity = 0;
  uint32_t clickKind = 0;
  uint32_t contentsKind = 0;
  uint32_t modifiers = 0;
  uint8_t moved = 0, started = 0;
  // The pane's selection at the click (a context click restores it).
  int32_t savedAnchor = 0, savedEnd = 0;
  uint32_t savedFirstColumn = kNoCpValue, savedColumnLimit = kNoCpValue;
  int32_t savedGranularity = 0;
  uint8_t savedFlags[5] = {};
  uint32_t firstColumnClicked = kNoCpValue;
};

// The document's tracking record, or null between clicks.
TextSelectionTracking* SelectionTrackingForDoc(CorvaneDoc* doc);

// Locates the point in the current pane; on text, starts tracking.
void ClickDraft(CorvaneDoc* doc, uint32_t clickKind, uint32_t modifiers, double x, double y);
void StartTextSelectionTracking(const Locator& locator, uint32_t clickKind, uint32_t modifiers, double x, double y);
void ContinueTextSelectionTracking(CorvaneDoc* doc, double x, double y);
void EndTextSelectionTracking(CorvaneDoc* doc);

// Moves the caret or extends the selection for a selection key.
void SelectKeyDraft(CorvaneDoc* doc, uint32_t key, uint32_t modifiers, uint32_t extra);

// The word start at or before cp, stepping back over words that start with
// neither a letter nor a digit nor a link, picture, row, tag or variable
// mark; never below `lowest`. _EndOfRealText is its mirror.
uint32_t StartOfRealText(CorvaneDoc* doc, uint32_t cp, uint32_t lowest);
uint32_t EndOfRealText(CorvaneDoc* doc, uint32_t cp, uint32_t highest);

// The cp one line down (up) from the selection at the kept horizontal
// position; *fromEnd whether the selection's end moves.
uint32_t FindCpDownFromSel(CorvaneDoc* doc, uint32_t modifiers, bool inTable, Locator* locator, bool* fromEnd);
uint32_t FindCpUpFromSel(CorvaneDoc* doc, uint32_t modifiers, bool inTable, Locator* locator, bool* fromEnd);

// The label of a marker under the pointer by kink type (0-11); *outKind the
// action kind of that marker.
QString KinkActionName(CorvaneDoc* doc, uint32_t cp, uint32_t kinkType, uint32_t* outKind);
