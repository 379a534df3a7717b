// The painting canvas's mouse and keyboard: the press dispatch between the
// resize handle, the selection, moving it and the paint tools; the drag
// threshold and clamping; autoscroll; cursors per tool and modifier; the
// arrow keys, Escape, Return, Delete and the space bar.

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <array>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/GraphicHelpers.h"
#include "model/SpecialtyDrawing.h"
#include "platform/NotificationCenter.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/EditorEvents.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"
#include "ui/shell/ShellResources.h"

namespace {

constexpr int kScrollTimerMs = 50;
// The autoscroll drags at every second tick after the last real drag.
constexpr uint64_t kScrollTicks = 2;
// One line of scrolling by the arrow keys, in points.
constexpr int kLineScroll = 10;
// What a page scroll keeps of the page before, in points.
constexpr double kPageOverlap = 10;

QCursor CustomCursor(const std::optional<QCursor>& cursor, Qt::CursorShape fallback) {
  return cursor ? *cursor : QCursor(fallback);
}

}  // namespace

// ---- Qt's entry points -------------------------------------------------------------------

void DRPaintView::mousePressEvent(QMouseEvent* event) {
  mouseDown(event);
}

void DRPaintView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The canvas counts clicks itself: Qt's double-click stands in for the
  // second press.
  mouseDown(event);
}

void DRPaintView::mouseMoveEvent(QMouseEvent* event) {
  if (m_mouseButton != Qt::NoButton && (event->buttons() & m_mouseButton))
    mouseDragged(event);
  else
    mouseMoved(event);
}

void DRPaintView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_mouseButton == Qt::NoButton || event->button() != m_mouseButton) return;
  mouseUp(event);
}

void DRPaintView::leaveEvent(QEvent* event) {
  setCursor(Qt::ArrowCursor);
  setBrushOverlay(0, QPointF());
  QWidget::leaveEvent(event);
}

QPointF DRPaintView::mouseLocation(const QMouseEvent* event) const {
  const QPointF point = event->position();
  return QPointF(std::floor(float(point.x())), std::floor(float(point.y())));
}

QPointF DRPaintView::farCorner() const {
  const QSizeF scaled = scaledSize();
  QPointF corner(scaled.width() + g_paintGutter, scaled.height() + g_paintGutter);
  if (m_currentTool == kToolSelect && m_selectingPolygon) corner += QPointF(1, 1);
  return corner;
}

bool DRPaintView::isLocked() const {
  const DRDrawing* drawing = m_viewController ? m_viewController->drawing() : nullptr;
  return drawing && drawing->isLocked();
}

// ---- The mouse sequence ------------------------------------------------------------------

void DRPaintView::mouseDown(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (button != Qt::LeftButton || !m_viewController || !painting()) {
    event->ignore();
    return;
  }
  event->accept();
  if (m_mouseButton != Qt::NoButton) {
    if (event->buttons() & m_mouseButton) return;
    mouseUp(nullptr);  // the release of the last sequence never came
  }
  m_mouseButton = button;
  const QPointF global = event->globalPosition();
  const ulong time = event->timestamp();
  const QStyleHints* hints = QGuiApplication::styleHints();
  const bool again = m_clickCount > 0 && time >= m_lastPressTime &&
                     time - m_lastPressTime <= ulong(hints->mouseDoubleClickInterval()) &&
                     (global - m_lastPressPosition).manhattanLength() <= hints->mouseDoubleClickDistance();
  m_clickCount = again ? m_clickCount + 1 : 1;
  m_lastPressTime = time;
  m_lastPressPosition = global;

  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  const QPointF p = mouseLocation(event);
  QPointF anchor(std::max(float(p.x()), float(g_paintGutter)), std::max(float(p.y()), float(g_paintGutter)));
  const QPointF far = farCorner();
  m_timerPopCount = 0;
  m_lastChangeTime = 0;
  m_trackType = kTrackNone;
  m_haveDragged = false;
  m_moveOffset = QPointF();
  showSizeStatus();
  m_modifiers = ModifierFlagsForEvent(event);

  auto outside = [&]() {
    if (m_currentTool == kToolEyedropper || m_currentTool == kToolZoom || m_currentTool == kToolBucket) return false;
    anchor = QPointF(std::min(anchor.x(), far.x()), std::min(anchor.y(), far.y()));
    return true;
  };
  if (p.x() < g_paintGutter || p.y() < g_paintGutter) {
    if (!outside()) {
      m_anchorPoint = QPointF(-1, -1);
      return;
    }
  } else if (p.x() >= far.x() || p.y() >= far.y()) {
    dropFloatingPixmap();
    if ((m_cropRect.width() > 0 && m_cropRect.height() > 0) || isLocked()) {
      m_anchorPoint = QPointF(-1, -1);
      return;
    }
    const QRectF handle(far, QSizeF(g_casingEdge, g_casingEdge));
    if (handle.contains(anchor)) {
      m_dragOffset = anchor - far;
      m_anchorPoint = anchor;
      m_pressPoint = anchor;
      m_trackType = kTrackResize;
      return;
    }
    if (!outside()) {
      m_anchorPoint = QPointF(-1, -1);
      return;
    }
  }
  m_anchorPoint = anchor;
  m_pressPoint = anchor;

  if (m_currentTool == kToolSelect) {
    if (m_clickCount != 1) {
      if (m_selectingPolygon && DRSettings::sharedInstance().pixelSelector() == 2) {
        m_selectingPolygon = false;
        finishSelectionDrag();
      }
      return;
    }
    if (!m_selectingPolygon && canDragFromViewPoint(p, normalizePoint(p, false))) {
      m_trackType = kTrackMove;
      startMoveDrag(anchor, m_modifiers);
      return;
    }
    dropFloatingPixmap();
    m_trackType = kTrackSelection;
    startSelectionDrag(anchor);
    return;
  }
  if (m_clickCount != 1) return;
  m_trackType = kTrackTool;
  startToolDrag(anchor, m_modifiers);
}

void DRPaintView::mouseDragged(QMouseEvent* event) {
  if (m_trackType == kTrackNone) return;
  QPointF p = mouseLocation(event);
  if (QScrollArea* area = scrollArea()) area->ensureVisible(int(p.x()), int(p.y()), 0, 0);
  m_timerPopCount = 0;
  ensureScrollTimer();
  if (m_trackType != kTrackResize) {
    const QSizeF scaled = scaledSize();
    const double extra = m_trackType == kTrackSelection ? 1 : 0;
    p.setX(std::clamp(p.x(), g_paintGutter, scaled.width() + g_paintGutter + extra));
    p.setY(std::clamp(p.y(), g_paintGutter, scaled.height() + g_paintGutter + extra));
  }
  if (!m_haveDragged) {
    if (std::hypot(p.x() - m_pressPoint.x(), p.y() - m_pressPoint.y()) <= kDragThreshold) return;
    m_haveDragged = true;
  }
  switch (m_trackType) {
    case kTrackTool:
      continueToolDrag(p, event->timestamp());
      break;
    case kTrackMove:
      continueMoveDrag(p);
      break;
    case kTrackResize:
      continueResizeDrag(p);
      break;
    case kTrackSelection:
      if (DRSettings::sharedInstance().pixelSelector() != 2) continueSelectionDrag(p);
      break;
    default:
      break;
  }
}

void DRPaintView::mouseUp(QMouseEvent* event) {
  (void)event;
  switch (m_trackType) {
    case kTrackTool:
      finishToolDrag();
      break;
    case kTrackMove:
      finishMoveDrag();
      break;
    case kTrackResize:
      finishResizeDrag();
      break;
    case kTrackSelection:
      if (DRSettings::sharedInstance().pixelSelector() != 2) finishSelectionDrag();
      break;
    default:
      break;
  }
  stopScrollTimer();
  m_trackType = kTrackNone;
  m_mouseButton = Qt::NoButton;
  update();
}

void DRPaintView::mouseMoved(QMouseEvent* event) {
  const QPointF p = mouseLocation(event);
  if (!visibleRect().contains(p)) return;
  resetCursor(p);
  if (m_selectingPolygon && !m_selectionPoints.empty()) {
    const QPointF pixel = normalizePoint(p, false);
    if (pixel == m_selectionPoints.back()) return;
    if (!m_polygonExtended) {
      m_selectionPoints.push_back(pixel);
      m_polygonExtended = true;
    } else {
      m_selectionPoints.back() = pixel;
    }
    setSelectionRectFromPoints();
  }
}

// ---- Autoscroll ----------------------------------------------------------------------------

void DRPaintView::ensureScrollTimer() {
  if (m_scrollTimer) return;
  m_scrollTimer = new QTimer(this);
  m_scrollTimer->setInterval(kScrollTimerMs);
  m_timerPopCount = 0;
  connect(m_scrollTimer, &QTimer::timeout, this, &DRPaintView::scrollTimerFired);
  m_scrollTimer->start();
}

void DRPaintView::stopScrollTimer() {
  if (!m_scrollTimer) return;
  m_scrollTimer->stop();
  m_scrollTimer->deleteLater();
  m_scrollTimer = nullptr;
}

void DRPaintView::scrollTimerFired() {
  if (++m_timerPopCount < kScrollTicks) return;
  m_timerPopCount = 0;
  // Only while the pointer rests outside the visible part: the drag goes on
  // there as if the mouse had moved, which scrolls it into view.
  const QPointF global = QCursor::pos();
  const QPointF local = mapFromGlobal(global);
  if (visibleRect().contains(local)) return;
  QMouseEvent drag(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  drag.setTimestamp(0);
  mouseDragged(&drag);
}

// ---- Cursors ---------------------------------------------------------------------------------

std::optional<QCursor> DRPaintView::brushCursor(bool blur, double* diameter) const {
  DRSettings& settings = DRSettings::sharedInstance();
  int64_t exponent = int64_t(settings.brushSizeExponent());
  if (m_toggleBrushCursor) exponent = exponent < 5 ? 5 : 1;
  const double d = std::exp2(double(exponent)) * m_zoomValue;
  if (diameter) *diameter = d;
  if (d <= 1) return QCursor(Qt::CrossCursor);
  const int side = int(std::ceil(d)) + 2;
  if (side > kMaxCursorSide) return std::nullopt;
  const QPainterPath outline = BezierForBrush(blur ? 1 : settings.brush(), false, d, d / 2 + 1, d / 2 + 1);
  QPixmap image(side, side);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  if (!painter.isActive()) return QCursor(Qt::ArrowCursor);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.strokePath(outline, QPen(Qt::white, 2));
  painter.strokePath(outline, QPen(Qt::black, 1));
  painter.end();
  return QCursor(image, side / 2, side / 2);
}

QCursor DRPaintView::cursorForTool(bool* overlay) const {
  if (overlay) *overlay = false;
  const bool locked = isLocked();
  auto brush = [&](bool blur) {
    double diameter = 0;
    std::optional<QCursor> cursor = brushCursor(blur, &diameter);
    if (cursor) return *cursor;
    // Wider than a cursor may be: a crosshair, the outline drawn over the
    // canvas.
    if (overlay) *overlay = true;
    return QCursor(Qt::CrossCursor);
  };
  switch (m_currentTool) {
    case kToolSelect:
      return QCursor(Qt::CrossCursor);
    case kToolEyedropper:
      return CustomCursor(g_eyedropperCursor, Qt::CrossCursor);
    case kToolZoom:
      if (m_zoomOut)
        return m_zoomValue > g_paintZoomValues[0] ? CustomCursor(g_zoomOutCursor, Qt::ArrowCursor)
                                                  : CustomCursor(g_zoomNotCursor, Qt::ForbiddenCursor);
      return m_zoomValue < g_paintZoomValues[g_paintZoomCount - 1] ? CustomCursor(g_zoomInCursor, Qt::ArrowCursor)
                                                                   : CustomCursor(g_zoomNotCursor, Qt::ForbiddenCursor);
    case kToolBrush:
      if (locked) return QCursor(Qt::ArrowCursor);
      if (m_showEyedropperCursor) return CustomCursor(g_eyedropperCursor, Qt::CrossCursor);
      return brush(false);
    case kToolPencil:
      if (locked) return QCursor(Qt::ArrowCursor);
      if (m_showEyedropperCursor) return CustomCursor(g_eyedropperCursor, Qt::CrossCursor);
      return CustomCursor(g_pencilCursor, Qt::CrossCursor);
    case kToolBlur:
      return locked ? QCursor(Qt::ArrowCursor) : brush(true);
    case kToolBucket:
      if (locked) return QCursor(Qt::ArrowCursor);
      if (m_showEyedropperCursor) return CustomCursor(g_eyedropperCursor, Qt::CrossCursor);
      return CustomCursor(g_bucketCursor, Qt::CrossCursor);
    case kToolEraser:
      return locked ? QCursor(Qt::ArrowCursor) : brush(false);
    default:
      return locked ? QCursor(Qt::ArrowCursor) : QCursor(Qt::CrossCursor);
  }
}

void DRPaintView::resetCursor(QPointF point) {
  if (m_currentTool == kToolSelect) {
    setBrushOverlay(0, point);
    setCursor(canDragFromViewPoint(point, normalizePoint(point, false)) ? Qt::PointingHandCursor : Qt::CrossCursor);
    return;
  }
  // The tool's cursor applies over the visible part of the painting.
  const QRectF area = paintingRect().intersected(visibleRect());
  if (!area.contains(point)) {
    setBrushOverlay(0, point);
    setCursor(Qt::ArrowCursor);
    return;
  }
  if (m_currentTool == kToolCrop && m_cropRect.width() > 0 && m_cropRect.height() > 0 && !isLocked()) {
    // The crop rectangle's own areas: the open hand inside, resize arrows
    // on the edges' dots.
    const QRectF crop = scaleRect(m_cropRect);
    std::array<QRectF, kGrabDotCount> dots;
    GetGrabDotRects(dots, crop.adjusted(-1, -1, 1, 1));
    for (int i = 0; i < kGrabDotCount; ++i) {
      if (!dots[size_t(i)].contains(point)) continue;
      setBrushOverlay(0, point);
      if (i == 1 || i == 5)
        setCursor(Qt::SizeVerCursor);
      else if (i == 3 || i == 7)
        setCursor(Qt::SizeHorCursor);
      else
        setCursor(Qt::PointingHandCursor);
      return;
    }
    if (crop.contains(point)) {
      setBrushOverlay(0, point);
      setCursor(Qt::OpenHandCursor);
      return;
    }
  }
  bool overlay = false;
  setCursor(cursorForTool(&overlay));
  double diameter = 0;
  if (overlay) brushCursor(m_currentTool == kToolBlur, &diameter);
  setBrushOverlay(overlay ? diameter : 0, point);
}

void DRPaintView::setBrushOverlay(double diameter, QPointF point) {
  auto area = [this]() {
    const double r = m_brushOverlay / 2 + 2;
    return QRectF(m_overlayPoint.x() - r, m_overlayPoint.y() - r, 2 * r, 2 * r).toAlignedRect();
  };
  if (m_brushOverlay > 0) update(area());
  m_brushOverlay = diameter;
  m_overlayPoint = point;
  if (m_brushOverlay > 0) update(area());
}

void DRPaintView::drawBrushOverlay(QPainter& painter) {
  if (m_brushOverlay <= 0) return;
  DRSettings& settings = DRSettings::sharedInstance();
  const int shape = m_currentTool == kToolBlur ? 1 : settings.brush();
  const QPainterPath outline =
      BezierForBrush(shape, false, m_brushOverlay, m_overlayPoint.x(), m_overlayPoint.y());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.strokePath(outline, QPen(Qt::white, 2));
  painter.strokePath(outline, QPen(Qt::black, 1));
  painter.restore();
}

void DRPaintView::flagsChanged(QKeyEvent* event) {
  const uint32_t flags = ModifierFlags(event ? event->modifiers() : Qt::NoModifier);
  const bool option = flags & kOptionKeyMask;
  const bool control = flags & kControlKeyMask;
  switch (m_currentTool) {
    case kToolBrush:
      m_showEyedropperCursor = option;
      m_toggleBrushCursor = !option && control;
      break;
    case kToolPencil:
    case kToolBucket:
      m_showEyedropperCursor = option;
      break;
    case kToolBlur:
    case kToolEraser:
      m_toggleBrushCursor = control;
      break;
    case kToolZoom:
      m_zoomOut = option;
      break;
    default:
      break;
  }
  resetCursor(mapFromGlobal(QCursor::pos()));
}

// ---- Keys ---------------------------------------------------------------------------------------

void DRPaintView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
      flagsChanged(event);
      QWidget::keyPressEvent(event);
      return;
    default:
      break;
  }
  if (m_trackType != kTrackNone) {
    event->accept();
    return;
  }
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  switch (event->key()) {
    case Qt::Key_Escape:
      cancelOperation();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      insertNewline();
      return;
    case Qt::Key_Left:
      moveBy(-1, 0);
      return;
    case Qt::Key_Right:
      moveBy(1, 0);
      return;
    case Qt::Key_Up:
      moveBy(0, -1);
      return;
    case Qt::Key_Down:
      moveBy(0, 1);
      return;
    case Qt::Key_PageUp:
      scrollPageUp();
      return;
    case Qt::Key_PageDown:
      scrollPageDown();
      return;
    case Qt::Key_Home:
      scrollToBeginningOfDocument();
      return;
    case Qt::Key_End:
      scrollToEndOfDocument();
      return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
      if (m_viewController) m_viewController->deleteCommand(this);
      return;
    default:
      break;
  }
  if (!event->text().isEmpty()) {
    insertText(event->text());
    return;
  }
  event->ignore();
  QWidget::keyPressEvent(event);
}

void DRPaintView::keyReleaseEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
      flagsChanged(event);
      break;
    default:
      break;
  }
  QWidget::keyReleaseEvent(event);
}

void DRPaintView::insertText(const QString& text) {
  if (text.startsWith(QLatin1Char(' '))) toggleSelectTool();
}

void DRPaintView::moveBy(int dx, int dy) {
  if (nudgeXBy(dx, dy)) return;
  scrollLine(dx, dy);
}

void DRPaintView::scrollBy(QPointF delta) {
  QScrollArea* area = scrollArea();
  if (!area) return;
  const QRectF visible = visibleRect();
  const double maxX = std::max(0.0, std::floor(width() - visible.width()));
  const double maxY = std::max(0.0, std::floor(height() - visible.height()));
  const QPointF target(std::clamp(visible.x() + delta.x(), 0.0, maxX), std::clamp(visible.y() + delta.y(), 0.0, maxY));
  if (target == visible.topLeft()) return;
  scrollToPoint(target);
}

void DRPaintView::scrollLine(int dx, int dy) {
  QScrollArea* area = scrollArea();
  const int horizontal = area ? std::max(kLineScroll, area->horizontalScrollBar()->singleStep()) : kLineScroll;
  const int vertical = area ? std::max(kLineScroll, area->verticalScrollBar()->singleStep()) : kLineScroll;
  scrollBy(QPointF(dx * horizontal, dy * vertical));
}

void DRPaintView::scrollPageUp() {
  scrollBy(QPointF(0, -std::max(0.0, visibleRect().height() - kPageOverlap)));
}

void DRPaintView::scrollPageDown() {
  scrollBy(QPointF(0, std::max(0.0, visibleRect().height() - kPageOverlap)));
}

void DRPaintView::scrollToBeginningOfDocument() {
  scrollToPoint(QPointF(0, 0));
}

void DRPaintView::scrollToEndOfDocument() {
  scrollToPoint(QPointF(width(), height()));
}

void DRPaintView::cancelOperation() {
  if (m_cropRect.width() > 0 && m_cropRect.height() > 0) {
    m_cropRect = QRectF();
    update();
    NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, false}});
    return;
  }
  selectNone(false);
}

void DRPaintView::insertNewline() {
  if (m_cropRect.width() > 0 && m_cropRect.height() > 0) {
    if (m_viewController) m_viewController->performCrop(m_cropRect.toRect());
    m_cropRect = QRectF();
    update();
    NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, false}});
  }
  if (m_floatingPixmap) selectNone(false);
}
