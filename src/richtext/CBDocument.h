#pragma once
// The object-side owner of one engine document. Views and the help window
// never touch the document's panes, selection or display directly: they ask
// this class, which turns their requests into calls of the engine core. It
// holds the lock and change flags, a mouse selection in progress and the
// special line actions of the last context menu, and posts "cvb.docClosing"
// when the document goes away. The document is read-only here: the typing,
// pasting and structural editing requests answer nothing. Main thread only.

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <Qt>
#include <cstdint>
#include <memory>

#include "platform/NotificationCenter.h"
#include "richtext/CorvaneDoc.h"
#include "support/CSImage.h"
#include "support/Measure.h"

class CSUndoManager;
class QMimeData;
class QFont;
struct KnotFormat;
struct LineFormat;
struct ListProps;

// The engine's view-layer notifications (the default centre; the object is
// the poster named beside each).
extern const QString g_docClosingNotification;         // "cvb.docClosing" (the CBDocument)
extern const QString g_cvbSelectionChangeNotification;  // "cvb.selectionChange" (a window; observed per document)
extern const QString g_redrawNotification;             // "cvb.redraw" (the CBDocument)
extern const QString g_flashNotification;              // "cvb.flash" (the pane's view)
extern const QString g_cursorChangeNotification;       // "cvb.cursorChange"
extern const QString g_scrollDoneNotification;         // "cvb.scrollDone" (the document view)
extern const QString g_selectionPriorityChangeNotification;  // "cvb.selectionPriorityChange" (the document)
extern const QString g_cvbZoomChangeNotification;      // "cvb.zoomChange" (the view)
extern const QString g_horizontalScrollNotification;   // "tindlewick.hscroll" (the document view)
extern const QString g_verticalScrollNotification;     // "tindlewick.vscroll" (the document view)

// What a CBDocument asks of a view that shows one of its panes. The view
// classes derive from it beside their widget class; a pane's view (a
// QObject) is reached through dynamic_cast, so an object that does not
// implement it is simply never asked.
class CBDocumentView {
 public:
  virtual ~CBDocumentView() = default;
  // Whether the view is its window's focus, and making it so.
  virtual bool isFocusView() const = 0;
  virtual void makeFocusView() = 0;
  // The mouse cursor over the view.
  virtual void setViewCursor(Qt::CursorShape shape) = 0;
  // Redraws the whole view.
  virtual void redisplay() = 0;
  // The selection type of the next mouse selection (0 by character).
  virtual void setSelectionType(int32_t type) = 0;
};

// A range of cps as the views pass them: location kCBNotFound for none.
struct CBRange {
  int64_t location = 0;
  int64_t length = 0;
  bool operator==(const CBRange&) const = default;
};
constexpr int64_t kCBNotFound = INT64_MAX;

// One special line action of a context menu: where and what.
struct KinkInfo {
  int32_t cp = -1;
  uint32_t charIndex = 0;
  int32_t lineKink = 0;
};
constexpr uint32_t kKinkInfoCount = 25;

// selectionMask bits.
enum CBSelectionMaskBit : uint64_t {
  kMaskDocument = 0x1,
  kMaskInKnot = 0x80,
  kMaskCaret = 0x100,
  kMaskRange = 0x200,
  kMaskPicture = 0x400,
  kMaskTable = 0x800,
  kMaskTableCells = 0x1000,
  kMaskList = 0x2000,
  kMaskFourthFlag = 0x4000,
  kMaskLink = 0x8000,
};

class CBDocument : public QObject {
  Q_OBJECT
 public:
  // A document of the view kind owned by the new object; null when the
  // engine document cannot be made.
  static std::unique_ptr<CBDocument> create(QObject* parent = nullptr);
  ~CBDocument() override;
  CBDocument(const CBDocument&) = delete;
  CBDocument& operator=(const CBDocument&) = delete;

  // ---- Core ----
  CorvaneDoc* corvaneDoc() const { return m_doc; }
  CSUndoManager* undoManager() const { return nullptr; }
  // Observes the application becoming active and resigning.
  void awake();
  bool isDirty() const;
  bool isLocked() const;
  void setLocked(bool locked) { m_locked = locked; }
  uint32_t userLength() const;
  uint32_t totalLength() const;
  void setActive(bool active);
  // The page in points, and its text area in measures.
  QSizeF paperSize() const;
  CSPoint pageSize() const;
  void documentWillChange() {}
  void documentDidChange() { m_everEdited = true; }
  // Closes the panes, posts "cvb.docClosing" and stops observing; once.
  void documentWillClose();
  void wipeDocMemory();
  bool performFind(bool fromStart, bool forward);
  void activate();
  void deactivate();
  void redrawDocument();
  void selectionChanged();

  bool registerPrivatePictures() const { return false; }
  bool shouldFindLinks() const { return false; }
  bool shouldCheckSpelling() const { return false; }
  bool shouldCorrectSpelling() const { return false; }
  bool skipNotesWhenSpelling() const { return true; }

  bool suppressUndo() const { return m_suppressUndo; }
  void setSuppressUndo(bool value) { m_suppressUndo = value; }
  bool blockSelection() const { return m_blockSelection; }
  void setBlockSelection(bool value) { m_blockSelection = value; }
  bool blockChanges() const { return m_blockChanges; }
  void setBlockChanges(bool value) { m_blockChanges = value; }
  bool everEdited() const { return m_everEdited; }
  bool isLoading() const { return m_loading; }
  void setLoading(bool value) { m_loading = value; }
  bool isClosing() const { return m_closing; }
  uint64_t changeLockCount() const { return m_changeLockCount; }
  int32_t undoDomain() const { return m_undoDomain; }
  void setUndoDomain(int32_t value) { m_undoDomain = value; }
  int64_t spellerTag() const { return m_spellerTag; }
  void setSpellerTag(int64_t value) { m_spellerTag = value; }
  int32_t spellCandidate() const { return m_spellCandidate; }
  int32_t linkCandidate() const { return m_linkCandidate; }
  int32_t linkInvalidation() const { return m_linkInvalidation; }
  uint32_t findSequenceID() const { return m_findSequenceID; }
  void setFindSequenceID(uint32_t value) { m_findSequenceID = value; }
  bool backgroundChanges() const { return m_backgroundChanges; }
  void setBackgroundChanges(bool value) { m_backgroundChanges = value; }

  // ---- Select ----
  // Platform modifier flags (support/ModifierFlags.h) as the engine's
  // (EngineModifier, MouseSelection.h).
  static uint32_t convertModifiers(uint32_t flags);
  uint64_t selectionMask() const;
  // With `out` (nine slots): the first 8 body bytes of the selection's
  // char, para and chapter records, of the table's (slot 4) and the list's
  // (slot 5).
  uint64_t selectionMaskCore(uint64_t* out) const;
  CBRange selectionRange() const;
  void setSelection(CBRange range);
  void showSelection();
  void startSelection(QPointF point, QObject* view, int32_t selectionType, uint32_t modifiers);
  void continueSelection(QPointF point);
  void endSelection();
  void performSelectionKey(int32_t key, uint32_t forcedModifiers, QObject* view);

  // ---- Edit ----
  bool copySelection();
  // A new document (the caller destroys it) holding what a copy of the
  // selection builds, the copy written to `pasteboard`; null when the copy
  // fails. The engine's own clipboard document stays as it was.
  CorvaneDoc* copyToPasteboard(QMimeData* pasteboard);
  void setNormalFont(const QFont& font, bool force);
  // The engine's list record for a list started by the character.
  void getDefaultProps(Properties* props, char16_t listType);
  // For the pane (the current one when null): a cp-range selection whose
  // anchor lies in a table; the table's knot goes to `table`.
  bool isTableSelected(Pane* pane, KnotFormat* table) const;
  uint32_t pictureCount() const;
  // Each picture's image; a null image for an entry without one.
  QList<CSImage> pictures() const;
  // Null past the last picture.
  CSImage pictureForIndex(uint32_t index) const;
  uint32_t addPicture(const CSImage& image);
  // Put a picture at the selection: a new one, or a stored one by index.
  bool addAndInsertPicture(const CSImage& image);
  bool insertPictureWithIndex(uint32_t index);
  // Lists at the selection: indenting or outdenting its entries; a list of
  // the record, or none (the list removed) for null.
  void changeListIndent(bool indent);
  bool insertList(const ListProps* list);
  bool convertList() { return insertList(nullptr); }
  bool findBrokenLink(bool forward);
  // The line's special actions, for the context menu's items by tag.
  void saveKinkInfo(const LineFormat& line);
  const KinkInfo* kinkInfo(int32_t tag) const;
  void executeSpecial(int32_t tag);
  void copyLink(int32_t tag);
  void openLinkFile(int32_t tag);
  void selectList();
  void selectTable();
  void selectTableRows();

  // ---- Display ----
  void drawView(QObject* view, const QRectF& clip);
  Pane* paneForView(QObject* view) const;
  Pane* currentPane() const;
  QObject* currentPaneView() const;
  void closeAllPanes();
  int64_t draftWidth(QObject* view) const;
  void trashDisplay(QObject* view);
  bool draftFitsToWindow(QObject* view) const;
  int32_t lineCountForDelta(float delta, QObject* view) const;
  CBRange paneRange(QObject* view) const;
  double leftPaneEdge(QObject* view) const;
  uint32_t draftHeight(QObject* view) const;
  double maxDraftWidth() const;
  void scrollDraft(QObject* view, uint32_t position, uint32_t unit, bool vertical);
  void focusView(QObject* view);
  void focusPane(uint32_t index);
  void unfocusView(QObject* view);
  void blinkInsertionPoint();
  void hideInsertionPoint();
  bool showingBounds() const;
  void toggleShowBounds();
  bool showingMarks() const;
  void toggleShowMarks();
  // The cursor for the view point: the I-beam over text, a pointing hand
  // over links, the arrow beside the text and over checkboxes and pictures,
  // a resize cursor on a table column's edge.
  void setCursor(QPointF point, QObject* view);

 private:
  explicit CBDocument(CorvaneDoc* doc, QObject* parent);
  void clearLoading();
  void stopObserving();
  static CBDocumentView* documentView(QObject* view);

  CorvaneDoc* m_doc = nullptr;
  int32_t m_undoDomain = 1;
  uint64_t m_undoFrameIndex = 0xFFFFFFFF;
  int32_t m_undoStartCp = -1;
  int32_t m_undoLimitCp = -1;
  bool m_suppressUndo = false;
  bool m_selectionBegun = false;
  bool m_blockSelection = false;
  bool m_blockChanges = false;
  bool m_locked = false;
  bool m_everEdited = false;
  bool m_loading = true;
  bool m_closing = false;
  bool m_observing = false;
  uint64_t m_changeLockCount = 0;
  KinkInfo m_kinkInfos[kKinkInfoCount];
  int64_t m_spellerTag = 0;
  int32_t m_spellCandidate = 0;
  int32_t m_linkCandidate = 0;
  int32_t m_linkInvalidation = 0;
  uint32_t m_findSequenceID = 0;
  bool m_backgroundChanges = false;
};
