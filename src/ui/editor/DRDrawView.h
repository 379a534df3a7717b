#pragma once
// The drawing canvas of a document window's drawing tab: renders a DRDrawing
// at a zoom factor inside the window's scroll area, owns the selection, the
// current tool and the transient modes (polygon building, reshaping), and is
// the view through which elements ask to be redrawn. The widget's size is
// its frame; it paints with its painter scaled by the zoom, so coordinates
// inside ("view units") are points of the drawing at every zoom.
//
// DRDrawView.cpp: life, notifications, painting, invalidation, frame, zoom.
// DRDrawViewSelection.cpp: the selection, its style, reset, reshape, paste
// and drops. DRDrawViewInternals.cpp: new elements, polygons, extents,
// overlays, autoscroll and the status line. DRDrawViewMouse.cpp: mouse
// tracking, hit testing and nudging; DRDrawViewResize.cpp: resizing by grab
// dots.

#include <QPointF>
#include <QPointer>
#include <QMimeData>
#include <QMouseEvent>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/DRCanvasHost.h"
#include "model/DRElementGroup.h"
#include "model/DRTool.h"
#include "support/Measure.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/ZoomSteps.h"

class DRDrawing;
class DREditorWindowHost;
class DRElement;
class DRElementScribble;
class DRElementText;
class QDrag;
class QDragEnterEvent;
class QFocusEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainterPath;
class QScrollArea;
class QTimer;
struct DRCopiedStyle;

// The mouse drag a canvas is in.
enum DRTrackType : int32_t {
  kTrackNone = 0,
  kTrackTool = 1,      // a drawing tool's drag
  kTrackDragOut = 2,   // the selection dragged out to other applications
  kTrackMove = 3,
  kTrackReshape = 4,
  kTrackResize = 5,    // by a grab dot
  kTrackRotate = 6,
  kTrackRubberBand = 7,
};

// No undo id held by a gesture.
inline constexpr uint32_t kNoUndoID = 0xFFFFFFFF;

// The types the canvas can send to a service: TIFF, PDF, RTF and plain text.
extern QStringList g_servicesSendTypes;

class DRDrawView : public QWidget, public DRCanvasHost {
  Q_OBJECT

 public:
  // Room left beyond the farthest element, in screen points.
  static constexpr double kFrameMargin = 200.0;

  explicit DRDrawView(QWidget* parent = nullptr);
  ~DRDrawView() override;

  // ---- Connections (not owned) ----
  DRDrawing* drawing() const { return m_drawing; }
  void setDrawing(DRDrawing* drawing) { m_drawing = drawing; }
  DRToolbarView* toolbarView() const { return m_toolbarView; }
  void setToolbarView(DRToolbarView* toolbar) { m_toolbarView = toolbar; }
  DREditorWindowHost* windowController() const { return m_windowController; }
  void setWindowController(DREditorWindowHost* controller) { m_windowController = controller; }
  DRContentVC* viewController() const { return m_viewController; }
  void setViewController(DRContentVC* controller) { m_viewController = controller; }
  // Once connected: observes the notifications the canvas follows.
  void awakeFromNib();
  // The window closed: the canvas has forgotten its links and draws nothing.
  bool isShutDown() const { return m_shutDown; }
  // The object of the canvas's notifications: the window host's window,
  // else the canvas's own top-level widget.
  QObject* notificationWindow() const;

  // The canvas as the window's bars and panes see a content view.
  DREditorContentView& contentView() { return m_contentView; }

  // ---- Selection (no notification unless said) ----
  const std::vector<DRElement*>& selection() const override { return m_selection; }
  bool isElementSelected(const DRElement* element) const override;
  void addToSelection(DRElement* element);
  void removeFromSelection(DRElement* element);
  void setSelection(std::vector<DRElement*> elements);
  // Invalidates the duplication offset; empties a selection (redrawing what
  // was selected) and, with `notify`, announces it.
  void unselectAll(bool notify);
  void unselectAll() override { unselectAll(true); }
  // Resets the gesture undo ids, posts "cvb.selectionChange" for the window
  // and refreshes the status line.
  void selectionDidChange();
  // The selected elements back to front, without texts marked to be ignored.
  std::vector<DRElement*> copyableSelection() const;
  // The style the selection has in common, the tool settings for the rest.
  void getCurrentStyle(DRCopiedStyle* style) const;
  // Back to the original size and no rotation, under an undo entry of its
  // own with `undo`.
  void resetSelection(bool undo);
  // Enters (or, on the element in reshape mode, leaves) reshape mode for the
  // one selected scribble, polygon or bent line; with `resume`, goes on
  // adding vertices to it instead.
  void reshapePolygon(bool undo, bool resume);
  CSRect selectionExtent(bool wantBounds, bool allElements) const override;
  CSRect drawingExtent(bool allElements, bool forPrinting) const override;
  // The union of the elements' bounds (with `forPrinting`) or frames, from
  // the last back; texts marked to be ignored count only with `allElements`;
  // the zero rectangle when none counts.
  static CSRect elementExtent(std::span<DRElement* const> elements, bool wantBounds, bool forPrinting,
                              bool allElements);
  static CSRect elementExtent(const DRElementList& elements, bool wantBounds, bool forPrinting, bool allElements);
  // Scrolls so that the selection can be seen.
  void ensureSelVisible();
  // Places new elements (enclosed by `enclosingRect`, measures) centred on
  // the point (view units), or in the visible area for a negative point,
  // on whole points and never above or left of 0, and adds them at the
  // front, selected, under one undo entry ("Drag" with a point, "Paste"
  // without). A refused entry leaves the drawing as it was.
  void pasteElements(DRElementList&& elements, QPointF point, const CSRect& enclosingRect);

  // ---- Modes and tools ----
  // Ends polygon building, reshape mode and typing; with `flag` the
  // duplication offset is invalidated too.
  void normalize(bool flag);
  void toggleSelectTool();
  void forceSelectTool();
  DRTool currentTool() const { return m_currentTool; }
  DRTool previousTool() const { return m_previousTool; }
  DRElementScribble* reshapeElement() const { return m_reshapeElement; }
  DRElement* newElement() const override { return m_newElement.get(); }
  DRElement* typingElement() const override;
  QWidget* typingView() const { return m_typingView; }
  bool creatingPolygon() const { return m_creatingPolygon; }
  DRTrackType trackType() const { return m_trackType; }
  // In-place text editing (DRDrawViewTyping.cpp): ends the other modes,
  // selects the text alone and lays the field editor over it, the insertion
  // point nearest the event's location (else at the end).
  void startTyping(DRElementText* element, QMouseEvent* event);
  // Stores nothing more and takes the editor away; a text left empty or
  // blank leaves the drawing.
  void stopTyping();
  // The field editor set up over a text element; null for another element or
  // while the canvas has no drawing.
  QWidget* editViewForText(DRElementText* element, QMouseEvent* event);
  // Keeps the element a tool made (front of the drawing, selected) when it
  // is large enough, else drops it with its undo entry.
  void installNewElement();
  // Ends polygon building, installing the polygon (closed when `autoClose`).
  void stopPolygon(bool autoClose);
  void invalidatePolygonExtension();

  // ---- Zoom and geometry ----
  // The zoom; always present on the canvas.
  std::optional<double> zoomValue() const override { return m_zoomValue; }
  double zoom() const { return m_zoomValue; }
  // Zooms the view keeping the visible origin; refuses a zoom that is not a
  // positive finite number. Posts nothing.
  void setZoomValue(double zoom) override;
  // One step in or out, then centres the point (view units) if it can;
  // posts "cvb.zoomChange".
  void zoomOnPoint(QPointF point, bool zoomOut);
  // Sizes the widget to hold every element with room to spare, and at least
  // the visible area.
  void setDrawingFrame();
  // The visible part of the canvas, view units.
  QRectF visibleRect() const;
  // Scrolls so that the point (view units) is the visible area's top left.
  void scrollToPoint(QPointF point);
  QPointF scrollOrigin() const override;
  // Before the window shows (a drawing being opened) the scroll area cannot
  // scroll yet: the origin is kept and applied once the canvas is shown.
  void setScrollOrigin(const QPointF& origin) override;
  bool hasSuperview() const override;

  // ---- Redrawing ----
  void invalidateElement(DRElement* element) override;
  void setNeedsDisplay() override;
  void invalidateRect(const QRectF& rect) override;
  QRectF cullingRectForElement(DRElement* element) const override;
  void invalidateTyping(DRElement* element) override;
  // Paints the dirty area (view units) on the current painter, which is set
  // up in view units; `onScreen` adds the white ground, the grid and the
  // page breaks (unless drawing to the clipboard or an image) and the drop
  // focus ring.
  void drawRect(const QRectF& dirty, bool onScreen);

  // The printed page in drawing points, where the page breaks fall: the
  // paper inside its margins divided by the print scale.
  QSizeF printablePageSize() const;

  // ---- Rendering modes ----
  bool drawToClip() const override { return m_drawToClip; }
  void setDrawToClip(bool drawToClip) { m_drawToClip = drawToClip; }
  bool drawToImage() const override { return m_drawToImage; }
  void setDrawToImage(bool drawToImage) override { m_drawToImage = drawToImage; }
  bool suppressCasings() const { return m_suppressCasings; }
  void setSuppressCasings(bool suppress) override { m_suppressCasings = suppress; }
  bool showCasings() const override { return !m_suppressCasings && !m_drawToClip; }
  bool noHairlines() const override { return m_drawToClip; }
  bool hasWindow() const override;
  bool isActiveFirstResponder() const override;
  bool isInActiveWindow() const override;
  bool drawDragFocusRing() const { return m_drawDragFocusRing; }

  // ---- Drags ----
  void updateDragPoint(const QPointF& point) override { m_dragLinePoint = point; }
  QPointF dragLinePoint() const { return m_dragLinePoint; }
  DRElement* dragElement() const { return m_dragElement; }
  // The pasteboard of a drag out of the canvas, owned by the drag; a drop
  // of it on the canvas is refused.
  QMimeData* dragPasteboard() const { return m_dragPasteboard; }
  void setDragPasteboard(QMimeData* pasteboard) { m_dragPasteboard = pasteboard; }

  // ---- Mouse tracking (DRDrawViewMouse.cpp) ----
  // A press on the selection held this long without moving turns into a
  // drag of the selection to other applications.
  static constexpr int kHoldIntervalMs = 750;
  static int holdInterval();
  // Tests shorten the hold; a negative value restores kHoldIntervalMs.
  static void setHoldInterval(int milliseconds);
  // What the last hit test found: 0-7 a frame grab dot, kGrabDotBody, or
  // kGrabDotLineStart / kGrabDotLineEnd.
  int32_t grabDot() const { return m_grabDot; }
  // The element under the point (view units): a grab dot of a selected
  // element first (never in a locked drawing, never on a rotated element),
  // then the frontmost element hit. Sets grabDot().
  DRElement* elementUnderPoint(QPointF point, bool forClick);
  // Moves the selection by the step (points), one undo entry per run of
  // nudges. False when it does not apply (nothing selected, entry refused);
  // true when it moved, and when it would have crossed the top or left
  // edge and so moved nothing.
  bool nudgeXBy(double dx, double dy);
  // The rubber band (view units); empty when there is none.
  QRectF highlightRect() const { return m_highlightRect; }

  // ---- Undo ids of gestures (kNoUndoID: none) ----
  uint32_t trackUndoID() const { return m_trackUndoID; }
  void setTrackUndoID(uint32_t undoId) { m_trackUndoID = undoId; }
  uint32_t typeUndoID() const { return m_typeUndoID; }
  void setTypeUndoID(uint32_t undoId) { m_typeUndoID = undoId; }
  uint32_t moveUndoID() const { return m_moveUndoID; }
  void setMoveUndoID(uint32_t undoId) { m_moveUndoID = undoId; }

  // ---- Inspector and status line ----
  // Posts "twdraw.positionChange" (`position`) or "twdraw.rotation" for the
  // window.
  void updateProperties(bool position);
  // The same a quarter of a second after the last of a run of calls.
  void updatePropertiesDelay(bool position) override;
  void updateStatusString();

  // ---- Keyboard (DRDrawViewKeys.cpp) ----
  // Modifier changes: Option asks the zoom tool to zoom out, Control the
  // select tool to rotate; each shows its cursor at once.
  void flagsChanged(QKeyEvent* event);
  // Escape: ends typing, throwing away what the run typed when its undo
  // entry is still the latest.
  void cancelOperation();
  // The system's services, which have no menu on this platform and stay
  // plain calls: whether the canvas can send the selection as the send type
  // (an image type unless the selection is one text) and take back the
  // return type (empty: none); the selection written to a service's
  // pasteboard; what a service answers pasted into the visible area.
  bool validRequestorForSendType(const QString& sendType, const QString& returnType) const;
  bool writeSelectionToPasteboard(QMimeData* pasteboard, const QStringList& types);
  bool readSelectionFromPasteboard(const QMimeData* pasteboard);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  // The handlers the autoscroll timer feeds: the drag in progress, and the
  // polygon's rubber line.
  void mouseDragged(QMouseEvent* event);
  void mouseMoved(QMouseEvent* event);
  // Runs the platform's drag session of a drag out of the canvas; the
  // drag deletes itself (later) when it ends.
  virtual void runDragSession(QDrag* drag);

 private:
  // The canvas as DREditorContentView: zoomValue() there is a plain double.
  class ContentView : public DREditorContentView {
   public:
    explicit ContentView(DRDrawView* view) : m_view(view) {}
    void getCurrentStyle(DRCopiedStyle* style) const override { m_view->getCurrentStyle(style); }
    double zoomValue() const override { return m_view->zoom(); }
    void setZoomValue(double zoom) override { m_view->setZoomValue(zoom); }
    void flagsChanged(QKeyEvent* event) override { m_view->flagsChanged(event); }

   private:
    DRDrawView* m_view;
  };

  // ---- Life (DRDrawView.cpp) ----
  void viewWillMoveToSuperview();
  void viewDidMoveToSuperview();
  void toolChanged(const QVariantMap& userInfo);
  // Picks the cursor for the tool and mode.
  void resetCursorRects();
  void shutDown();
  QScrollArea* scrollArea() const;
  QRectF pixelRect(const QRectF& viewRect) const;
  void drawPageBreaks(const QRectF& dirty);

  // ---- Selection (DRDrawViewSelection.cpp) ----
  // Asks the content controller for the undo entry; refused without one.
  bool openUndoEntry(uint32_t undoId, int action, int descriptor);
  // A drag that began on this canvas.
  bool isOwnDrag(const QDropEvent* event) const;
  bool acceptsDrop(const QMimeData* data) const;
  void setDragFocusRing(bool on);
  // The answer of the "can't reshape" alert.
  void reshapeAlertEnded(int response, bool resume);

  // ---- Keyboard (DRDrawViewKeys.cpp) ----
  // The canvas lost the focus to another view of its window: its modes end.
  void resignFirstResponder(QFocusEvent* event);
  // Runs the action the key is bound to; false for a key with none.
  bool interpretKeyEvent(QKeyEvent* event);
  // An arrow key: nudges the selection by the step, else scrolls a line.
  void moveBy(int dx, int dy);
  void scrollLine(bool up);
  void scrollPage(bool up);

  // ---- In-place text editing (DRDrawViewTyping.cpp) ----
  void textDidBeginEditing();
  void textDidChange();
  void textDidEndEditing();
  // Widens an auto-sizing text typed at its end (the rectangle's width, view
  // units, in and out); ends auto-sizing otherwise.
  void autoExpandText(QRectF* rect);
  void stopAutoSizing();
  // Lays the editor over the typing element at the zoom.
  void placeTypingView();

  // ---- Internals (DRDrawViewInternals.cpp) ----
  void drawTransientState(bool onScreen);
  void setNewConstructionBezier(QPainterPath* path) const;
  void setMoveBezier(QPainterPath* path) const;
  void ensureScrollTimer();
  void stopScrollTimer();
  void scrollTimerFired();

  // ---- Mouse tracking (DRDrawViewMouse.cpp, DRDrawViewResize.cpp) ----
  void mouseDown(QMouseEvent* event);
  void mouseUp(QMouseEvent* event);
  // The pointer in view units: whole points, exact in reshape mode.
  QPointF mouseLocation(const QMouseEvent* event) const;
  bool isLocked() const;
  void mouseDownOnElement(QMouseEvent* event, DRElement* element, uint32_t modifiers);
  void finishMouseSequence();
  void stopHoldTimer();
  void forwardToTypingView(QMouseEvent* event);
  void startMoveDrag(QPointF point, uint32_t modifiers);
  void continueMoveDrag(QPointF point);
  void finishMoveDrag();
  // Where the first selected element snaps to a similar one: codes 2 left
  // and 3 right edge at target.x, 4 top and 1 bottom edge at target.y.
  bool position(CSPoint* target, int32_t* horizontalCode, int32_t* verticalCode) const;
  void startExternalDrag();
  void continueExternalDrag();
  void finishExternalDrag();
  void startSelectionDrag(QPointF point, uint32_t modifiers);
  void continueSelectionDrag(QPointF point);
  void finishSelectionDrag();
  void startToolDrag(QPointF point, uint32_t modifiers);
  void startNewElement(QPointF point, uint32_t modifiers);
  void continueToolDrag(QPointF point);
  void finishToolDrag();
  void startRotateDrag(QPointF point, uint32_t modifiers);
  void continueRotateDrag(QPointF point);
  void finishRotateDrag();
  void startResizeDrag(QPointF point, uint32_t modifiers);
  void continueResizeDrag(QPointF point);
  void finishResizeDrag();
  // The frame a grab-dot drag to p gives (view units).
  QRectF newResizeRect(QPointF p);
  // The same keeping the element's original proportions.
  QRectF constrainAspectRatio(QPointF p);
  // The rectangle grown outward to whole device pixels of the zoom.
  QRectF integralRect(const QRectF& rect) const;
  void updateNewElementFrame(bool force, CSRect frame);
  // The rectangle from the anchor to the point (a square when
  // constrained), measures.
  CSRect newRectForPoint(QPointF point, bool constrained);
  bool addPointToPolygon(QPointF point);
  void setContainsLine();

  ContentView m_contentView{this};
  DRDrawing* m_drawing = nullptr;
  QPointer<DRToolbarView> m_toolbarView;
  DREditorWindowHost* m_windowController = nullptr;
  QPointer<DRContentVC> m_viewController;

  std::vector<DRElement*> m_selection;
  DRTrackType m_trackType = kTrackNone;
  QPointF m_scrollOrigin;
  // A scroll origin set before the canvas was shown in its window.
  std::optional<QPointF> m_pendingScrollOrigin;
  uint32_t m_trackUndoID = kNoUndoID;
  uint32_t m_typeUndoID = kNoUndoID;
  uint32_t m_moveUndoID = kNoUndoID;
  bool m_drawToClip = false;
  bool m_drawToImage = false;
  bool m_suppressCasings = false;
  bool m_shutDown = false;
  bool m_drawDragFocusRing = false;
  uint64_t m_timerPopCount = 0;
  QTimer* m_scrollTimer = nullptr;
  QTimer* m_propertiesTimer = nullptr;
  bool m_propertiesPosition = false;
  DRTool m_currentTool = kToolSelect;
  DRTool m_previousTool = kToolSelect;
  std::unique_ptr<DRElement> m_newElement;
  // The new element is a shape of the drawing taken out to add vertices.
  bool m_newElementResumed = false;
  bool m_creatingPolygon = false;
  bool m_containsLine = false;
  QPointF m_dragOffset;
  QPointF m_dragLinePoint{-1, -1};
  QPointF m_anchorPoint;
  QPointF m_currentPolygonPoint;
  QPointF m_previousPoint;
  QRectF m_polygonExtension;
  double m_textHeight = 0;
  // The width a tool drag gave the new text (measures), 0 for a click.
  MeasureUnit m_newTextWidth = 0;
  DRElement* m_dragElement = nullptr;
  QRectF m_highlightRect;
  bool m_showRotateCursor = false;
  DRElementScribble* m_reshapeElement = nullptr;
  bool m_zoomOut = false;
  double m_zoomValue = 1.0;
  DRElementText* m_typingElement = nullptr;
  QWidget* m_typingView = nullptr;
  bool m_observing = false;
  bool m_settingFrame = false;
  QPointer<QWidget> m_viewport;
  QPointer<QMimeData> m_dragPasteboard;
  // Mouse tracking.
  int32_t m_grabDot = kGrabDotBody;
  Qt::MouseButton m_mouseButton = Qt::NoButton;  // of the sequence in progress
  int m_clickCount = 0;
  ulong m_lastPressTime = 0;
  QPointF m_lastPressPosition;
  Qt::MouseButton m_lastPressButton = Qt::NoButton;
  bool m_commandClick = false;
  bool m_haveDragged = false;
  bool m_constrainedDrag = false;
  bool m_constrainX = false;
  bool m_alignDrag = false;
  bool m_extendSelection = false;
  bool m_cursorHidden = false;
  CSPoint m_dragLimit;
  uint32_t m_effectiveAngle = 0;
  QTimer* m_dragStartTimer = nullptr;
  std::unique_ptr<QMouseEvent> m_dragEvent;
};
