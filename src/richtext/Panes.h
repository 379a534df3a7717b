#pragma once
// The two pane slots of a document: setting panes up and freeing them, the
// current pane (never null for a document), the dummy panes of text
// extraction, the first shown cp and the width of the continuous view's
// text column.

#include <cstdint>

#include "richtext/CorvaneDoc.h"

// The override pane when set, else the current slot; sets up pane 0 when the
// document has none, and answers one shared fail-safe pane when even that
// fails. Null only for a null document.
Pane* CurrentPane(CorvaneDoc* doc);
uint32_t PaneCountForDoc(CorvaneDoc* doc);
// Slot 0 or 1 (whether in use or not); null for any other index.
Pane* PaneAtIndex(CorvaneDoc* doc, uint32_t index);
bool EnsurePaneExists(CorvaneDoc* doc);
// A new pane in the next slot, made current; false (nothing changed) when
// both slots are in use or its display-line cache cannot be made.
bool SetupPane(CorvaneDoc* doc, QObject* view, int32_t contentsKind, uint32_t chapterIndex);
// Frees the slot's pane; a later pane moves down, the current index staying.
void FreePane(CorvaneDoc* doc, uint32_t index);
void FreeAllPanes(CorvaneDoc* doc);
// Empties the pane's cached paragraph range.
void OverridePaneContents(Pane* pane, int32_t value);
// A cleared pane of contents kind 4, with full access when asked.
void SetDummyPane(Pane* pane, bool fullAccess);

// What SetFullAccessDisplayOptions changes in a pane, kept for the caller to
// put back.
struct PaneDisplayOptions {
  int32_t contentsKind = 0;
  uint32_t chapterIndex = kNoCpValue;
  uint8_t fullAccess = 0;
};
// Gives the pane full access, so that hidden text becomes reachable, after
// saving what it showed; its cached paragraph is forgotten.
void SetFullAccessDisplayOptions(Pane* pane, PaneDisplayOptions* saved);
// Puts the saved options back. A paragraph cached under full access is
// forgotten too: the pane would otherwise go on reading hidden text.
void RestoreDisplayOptions(Pane* pane, const PaneDisplayOptions& saved);

// Tests make every new display-line cache fail while this is set (the
// fail-safe pane); answers the previous setting.
bool SetDisplayLineCacheFailure(bool fail);
// The nearest cp at or after (forward) or before cp that the pane shows.
uint32_t VisibleCp(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool forward);
// A caret's properties from the text at it (the pane's, the current pane
// when null); a locked document keeps them. Selection.cpp holds it.
void SetInsertionPropsFromText(CorvaneDoc* doc, Pane* pane = nullptr);
// The continuous view's text-column width in measures: the view's width
// less the margins when the document fits to the window, else the page's
// text width.
int64_t DraftWidth(CorvaneDoc* doc, Pane* pane);
// The first cp a pane shows of a paragraph starting at cp.
uint32_t FirstVisibleCpInPara(CorvaneDoc* doc, Pane* pane, uint32_t cp);
