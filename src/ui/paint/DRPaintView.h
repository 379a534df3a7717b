#pragma once
// The canvas of a painting tab: shows the painting its controller edits at
// a zoom factor inside the window's scroll area, and holds the pixel
// selection (the whole painting, or a mask over the selection's bounds),
// the floating pixmap (pasted or lifted pixels hovering above the painting
// until they are dropped), the crop rectangle and the current tool.
//
// Widget coordinates are view points: the painting's pixel (x, y) lies at
// (x × zoom + 12, y × zoom + 12); the 12-point gutter surrounds it.
//
// DRPaintView.cpp: life, notifications, zoom, frame, floating pixmap and
// selection. DRPaintViewDraw.cpp: rendering, image caches and the outline.
// DRPaintViewEvents.cpp: the mouse, the keys, cursors and autoscroll.
// DRPaintViewTrack.cpp: the tool, crop, selection, move and resize drags.

#include <QCursor>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QVariantMap>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/DRColorSource.h"
#include "model/DRTool.h"
#include "pixmap/CSPixmap.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/ZoomSteps.h"

class DREditorWindowHost;
class DRPaintVC;
class DRPainting;
class DRToolbarView;
class QKeyEvent;
class QMouseEvent;
class QPainter;
class QPainterPath;
class QScrollArea;
class QTimer;
struct DRCopiedStyle;
struct DRPaintUndoRecord;

// The gutter between the view's edge and the painting, in points.
inline constexpr double g_paintGutter = 12.0;
// The canvas resize handle's side, in points.
inline constexpr double g_casingEdge = 9.0;

// A cached rendering: an image, and the magnified pixmap whose pixels it
// shows in place (null when the image holds its own pixels), so that a
// cache is made with one pass over the pixels, not two.
struct DRPaintImageCache {
  QImage image;
  std::unique_ptr<CSPixmap> pixels;

  bool isNull() const { return image.isNull(); }
  void clear() {
    image = QImage();
    pixels.reset();
  }
  void adopt(std::unique_ptr<CSPixmap> pixmap);
};

class DRPaintView : public QWidget, public DRColorSource {
  Q_OBJECT

 public:
  // Room beyond the painting's far edges, in points.
  static constexpr double kFarMargin = 16.0;
  // A constrained drag's axis before the first drag event decides it.
  static constexpr uint8_t kUndecidedAxis = 23;
  // Brushes above this many pixels across are outlines over the canvas.
  static constexpr int kMaxCursorSide = 128;
  // The drag in progress.
  enum TrackType : int32_t { kTrackNone = 0, kTrackTool = 1, kTrackMove = 3, kTrackResize = 5, kTrackSelection = 7 };

  explicit DRPaintView(QWidget* parent = nullptr);
  ~DRPaintView() override;

  // ---- Connections (not owned) ----
  DRToolbarView* toolbarView() const { return m_toolbarView; }
  void setToolbarView(DRToolbarView* toolbar) { m_toolbarView = toolbar; }
  DREditorWindowHost* windowController() const { return m_windowController; }
  void setWindowController(DREditorWindowHost* controller) { m_windowController = controller; }
  DRPaintVC* viewController() const { return m_viewController; }
  void setViewController(DRPaintVC* controller) { m_viewController = controller; }
  // The object of the canvas's window notifications: the window host's
  // window, else the canvas's own top-level widget.
  QObject* notificationWindow() const;
  // The canvas is the widget of a scroll area (a tab shown), not parked.
  bool isShown() const;
  DREditorContentView& contentView() { return m_contentView; }

  // ---- Geometry ----
  // The painting's size in pixels (the controller's measures / 12,700).
  QSizeF paintingSize() const;
  QSizeF scaledSize() const;
  QPointF scalePoint(QPointF pixel) const;
  // Floors the view point (single precision), takes off the gutter and
  // divides by the zoom; the result may be fractional.
  QPointF unscalePoint(QPointF point) const;
  QRectF scaleRect(const QRectF& pixels) const;
  QRectF unscaleRect(const QRectF& rect) const;
  // A whole pixel: below 0 gives 0, at or past the far edge the width
  // (height), or one more with `allowOverhang`; otherwise floored.
  QPointF normalizePoint(QPointF point, bool allowOverhang) const;
  // The painting's rectangle in the view.
  QRectF paintingRect() const { return scaleRect(QRectF(QPointF(0, 0), paintingSize())); }
  // Sizes the widget: the painting with its gutter and margin, and at
  // least the visible area.
  void setPaintingFrame();
  // The visible part of the canvas, view points.
  QRectF visibleRect() const;
  void scrollToPoint(QPointF point);
  QPointF scrollOrigin() const { return m_scrollOrigin; }
  void setScrollOrigin(QPointF origin) { m_scrollOrigin = origin; }

  // ---- Zoom ----
  double zoomValue() const { return m_zoomValue; }
  // Above 1 rounded up to a whole factor; scrolls to the origin.
  void setZoomValue(double zoom);
  // Sets the factor as it stands, unrounded and without scrolling: the
  // state a factor between the steps leaves (tests start from one).
  void setZoomField(double zoom) { m_zoomValue = zoom; }
  // One step of the table in or out, keeping the view point centred when
  // it can; posts "cvb.zoomChange".
  void zoomOnPoint(QPointF point, bool zoomOut);

  // ---- Tools ----
  DRTool currentTool() const { return m_currentTool; }
  DRTool previousTool() const { return m_previousTool; }
  void toggleSelectTool();
  int32_t trackType() const { return m_trackType; }
  void setTrackType(int32_t type) { m_trackType = type; }

  // ---- Floating pixmap ----
  CSPixmap* floatingPixmap() const { return m_floatingPixmap.get(); }
  void setFloatingPixmap(std::unique_ptr<CSPixmap> pixmap);
  QRectF floatingRect() const { return m_floatingRect; }
  // Forgets the floating pixmap without merging it.
  void normalize();
  // Holds a pasted pixmap, centred in the visible part of the painting and
  // selected, and selects the select tool.
  void addFloatingPixmap(std::unique_ptr<CSPixmap> pixmap);
  // Merges the floating pixmap into the painting; no undo entry of its own.
  void dropFloatingPixmap();
  // The selected pixels in a new pixmap; null when nothing is selected.
  std::unique_ptr<CSPixmap> createPixmapFromSelection();

  // ---- Selection ----
  bool allSelected() const { return m_allSelected; }
  CSPixmap* selectionMask() const { return m_selectionMask.get(); }
  void setSelectionMask(std::unique_ptr<CSPixmap> mask) { m_selectionMask = std::move(mask); }
  QRectF selectionRect() const { return m_selectionRect; }
  void setSelectionRect(const QRectF& rect) { m_selectionRect = rect; }
  QRectF cropRect() const { return m_cropRect; }
  void setCropRect(const QRectF& rect) { m_cropRect = rect; }
  std::vector<QPointF>& selectionPoints() { return m_selectionPoints; }
  QPointF moveOffset() const { return m_moveOffset; }
  // Everything selected or a mask held.
  bool hasSelection() const { return m_allSelected || m_selectionMask; }
  void selectAll();
  // Drops the floating pixmap and empties the selection; `selectTool` also
  // switches to the select tool.
  void selectNone(bool selectTool);
  // With `keepFloating` false and a floating pixmap, discards it; otherwise
  // fills the selected pixels with white (transparent with alpha).
  void deleteSelection(bool keepFloating);
  // Moves the selection by the step, lifting it into a floating pixmap
  // first, one undo entry per run of nudges; false when nothing moved.
  bool nudgeXBy(double dx, double dy);
  // Writes the selection into the controller's undo record; false when the
  // mask cannot be copied.
  bool storeSelectionState(DRPaintUndoRecord* record) const;
  // Exchanges the selection with the record's and redraws.
  void undoWasPerformed(DRPaintUndoRecord* record);
  // YES with everything selected or the point's mask pixel visible.
  bool clickInSelection(QPointF point) const;
  void getCurrentStyle(DRCopiedStyle* style) const;
  bool dirty() const;

  // ---- Events (DRPaintViewEvents.cpp) ----
  // The drag threshold, in view points.
  static constexpr double kDragThreshold = 3.0;
  // The mouse sequence, Qt's events taken apart. Locations are view points.
  void mouseDown(QMouseEvent* event);
  void mouseDragged(QMouseEvent* event);
  void mouseUp(QMouseEvent* event);
  void mouseMoved(QMouseEvent* event);
  int clickCount() const { return m_clickCount; }
  // A modifier key went down or up: the tool's cursor flags.
  void flagsChanged(QKeyEvent* event);
  bool showEyedropperCursor() const { return m_showEyedropperCursor; }
  bool toggleBrushCursor() const { return m_toggleBrushCursor; }
  bool zoomOutMode() const { return m_zoomOut; }
  // The keys' actions.
  void moveBy(int dx, int dy);
  void scrollPageUp();
  void scrollPageDown();
  void scrollToBeginningOfDocument();
  void scrollToEndOfDocument();
  void cancelOperation();
  void insertNewline();
  void insertText(const QString& text);
  // The cursor of the current tool at a view point.
  QCursor cursorForTool(bool* overlay) const;
  // The brush's outline as a cursor (round for blur); the crosshair when the
  // brush is a point or less, null when it is too large for a cursor.
  std::optional<QCursor> brushCursor(bool blur, double* diameter) const;
  // The brush outline drawn over the canvas where a cursor cannot hold it.
  bool hasBrushOverlay() const { return m_brushOverlay > 0; }
  bool scrollTimerActive() const { return m_scrollTimer != nullptr; }
  void ensureScrollTimer();
  void stopScrollTimer();
  void scrollTimerFired();

  // ---- Drags (DRPaintViewTrack.cpp) ----
  QPointF anchorPoint() const { return m_anchorPoint; }
  QPointF previousDrawingPoint() const { return m_previousDrawingPoint; }
  void startToolDrag(QPointF point, uint32_t modifiers);
  void continueToolDrag(QPointF point, ulong timestamp);
  void finishToolDrag();
  void brushTo(QPointF pixel, QPointF view, Kolor kolor);
  void pencilTo(QPointF pixel, QPointF view);
  void toggleBrushSize();
  bool setupCropDrag(QPointF point);
  bool modifyCrop(QPointF point);
  uint64_t cropTrackZone() const { return m_cropTrackZone; }
  void startSelectionDrag(QPointF point);
  void continueSelectionDrag(QPointF point);
  void finishSelectionDrag();
  void startMoveDrag(QPointF point, uint32_t modifiers);
  void continueMoveDrag(QPointF point);
  void finishMoveDrag() {}
  void continueResizeDrag(QPointF point);
  void finishResizeDrag();
  void setSelectionRectFromPoints();
  void shrinkSelection();
  bool canDragFromViewPoint(QPointF point, QPointF pixel) const;
  bool selectingPolygon() const { return m_selectingPolygon; }
  // DRColorSource: the painting's colour under a view point.
  Kolor kolorAtPoint(const QPointF& point) const override;

  // ---- Rendering (DRPaintViewDraw.cpp) ----
  // Paints the dirty area (view points) on the painter.
  void drawRect(QPainter& painter, const QRectF& dirty);
  bool needMarchingAnts() const;
  void redrawSelection();
  // Releases both image caches.
  void clearImageCache();
  // Releases the caches and redraws the whole view.
  void redraw();
  // The cache's state, for tests and benchmarks.
  const QImage& imageCache() const { return m_imageCache.image; }
  QRect rectForCache() const { return m_rectForCache; }
  double zoomForCache() const { return m_zoomForCache; }
  uint64_t antPhase() const { return m_antPhase; }
  bool antsTimerActive() const;
  void restartAntsTimer();
  void cancelAntsTimer();
  void marchTheAnts();

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class ContentView : public DREditorContentView {
   public:
    explicit ContentView(DRPaintView* view) : m_view(view) {}
    void getCurrentStyle(DRCopiedStyle* style) const override { m_view->getCurrentStyle(style); }
    double zoomValue() const override { return m_view->zoomValue(); }
    void setZoomValue(double zoom) override { m_view->setZoomValue(zoom); }
    void flagsChanged(QKeyEvent* event) override { m_view->flagsChanged(event); }
    bool dirty() const override { return m_view->dirty(); }

   private:
    DRPaintView* m_view;
  };

  // ---- Life ----
  void viewWillMoveToSuperview();
  void viewDidMoveToSuperview();
  void observeWindow(QObject* window);
  void stopObservingWindow();
  void toolChanged(const QVariantMap& userInfo);
  void sizeChanged();
  void cropAccepted(const QVariantMap& userInfo);
  void showSizeStatus();
  QScrollArea* scrollArea() const;
  DRPainting* painting() const;
  // The white a hole in the painting is filled with.
  Kolor holeKolor() const;

  // ---- Rendering ----
  void drawOutside(QPainter& painter, const QRectF& paintingRect, const QRectF& bounds);
  void drawPixmap(QPainter& painter, bool painting, const QRectF& dirty);
  void drawSelectionInRect(QPainter& painter, const QRectF& rect);
  void drawAntsOnPath(QPainter& painter, const QPainterPath& path);
  void drawBrushOverlay(QPainter& painter);

  // ---- Events ----
  QPointF mouseLocation(const QMouseEvent* event) const;
  QPointF farCorner() const;
  bool isLocked() const;
  // Sets the cursor for the pointer at the view point.
  void resetCursor(QPointF point);
  void setBrushOverlay(double diameter, QPointF point);
  void scrollLine(int dx, int dy);
  void scrollBy(QPointF delta);
  // Ends a move drag that could not start.
  void abandonMoveDrag();
  // The stroke colour of the eraser, and a colour grey in mask mode.
  Kolor eraserKolor() const;
  Kolor paintKolor(Kolor kolor) const;
  QRectF shapeRect(QPointF point) const;
  QPainterPath selectionBezierAtOrigin(QPointF origin, bool scale) const;

  ContentView m_contentView{this};
  QPointer<DRToolbarView> m_toolbarView;
  DREditorWindowHost* m_windowController = nullptr;
  DRPaintVC* m_viewController = nullptr;
  QPointer<QWidget> m_viewport;
  QObject* m_observedWindow = nullptr;

  DRPaintImageCache m_imageCache;
  double m_zoomForCache = 0;
  int32_t m_pixmapDisplayForCache = 0;
  QRect m_rectForCache;
  QPointF m_scrollOrigin;
  std::unique_ptr<CSPixmap> m_floatingPixmap;
  DRPaintImageCache m_floatingImageCache;
  QRectF m_floatingRect;
  bool m_zoomOut = false;
  double m_zoomValue = 1.0;
  QRectF m_cropRect;
  DRTool m_currentTool = kToolSelect;
  DRTool m_previousTool = kToolSelect;
  bool m_allSelected = false;
  bool m_selectingPolygon = false;
  bool m_polygonExtended = false;
  QPointF m_previousDrawingPoint{-1, -1};
  QPointF m_moveOffset;
  std::vector<QPointF> m_selectionPoints;
  std::unique_ptr<CSPixmap> m_selectionMask;
  QRectF m_selectionRect;
  int32_t m_trackType = kTrackNone;
  uint32_t m_nudgeUndoID = 0xFFFFFFFF;
  uint64_t m_antPhase = 0;
  QTimer* m_antTimer = nullptr;

  // The mouse sequence.
  Qt::MouseButton m_mouseButton = Qt::NoButton;
  int m_clickCount = 0;
  ulong m_lastPressTime = 0;
  QPointF m_lastPressPosition;
  uint32_t m_modifiers = 0;
  QPointF m_anchorPoint{-1, -1};
  // Where the press was (view points), for the drag threshold.
  QPointF m_pressPoint;
  QPointF m_endPoint;
  QPointF m_dragOffset;
  double m_lastChangeTime = 0;
  uint64_t m_timerPopCount = 0;
  QTimer* m_scrollTimer = nullptr;
  uint64_t m_cropTrackZone = 0;
  Kolor m_pencilKolor = g_nilKolor;
  bool m_pixelsChanged = false;
  bool m_haveDragged = false;
  bool m_showEyedropperCursor = false;
  bool m_toggleBrushCursor = false;
  bool m_containDrag = false;
  bool m_constrainedDrag = false;
  uint8_t m_constrainX = kUndecidedAxis;
  uint32_t m_trackUndoID = 0xFFFFFFFF;
  // The brush outline drawn over the canvas: its diameter (0: none) and
  // the pointer it follows.
  double m_brushOverlay = 0;
  QPointF m_overlayPoint;
};
