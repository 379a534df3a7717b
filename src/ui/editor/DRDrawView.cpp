#include "ui/editor/DRDrawView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DrawingPainter.h"
#include "model/SpecialtyDrawing.h"
#include "platform/NotificationCenter.h"
#include "support/GraphicsContext.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRPrintView.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

// The page-break lines: opaque light grey.
constexpr Kolor kPageBreakKolor = 0x64C0C0C0;
// The inspector refreshes this long after the last of a run of changes.
constexpr int kPropertiesDelayMs = 250;
// Qt's largest widget side.
constexpr double kMaxFrameSide = QWIDGETSIZE_MAX;

bool IsUsableZoom(double zoom) {
  return std::isfinite(zoom) && zoom > 0;
}

}  // namespace

// ---- Life --------------------------------------------------------------------------

DRDrawView::DRDrawView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  m_propertiesTimer = new QTimer(this);
  m_propertiesTimer->setSingleShot(true);
  m_propertiesTimer->setInterval(kPropertiesDelayMs);
  connect(m_propertiesTimer, &QTimer::timeout, this, [this] { updateProperties(m_propertiesPosition); });
}

DRDrawView::~DRDrawView() {
  NotificationCenter::defaultCenter().removeObserver(this);
  stopScrollTimer();
  m_propertiesTimer->stop();
}

QObject* DRDrawView::notificationWindow() const {
  if (m_windowController) {
    if (QObject* window = m_windowController->window()) return window;
  }
  return window();
}

void DRDrawView::awakeFromNib() {
  // Drops of file names and of every type the drawing pastes.
  setAcceptDrops(true);

  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  QObject* own = notificationWindow();
  center.addObserver(this, g_toolChangedNotification, own,
                     [this](const CSNotification& notification) { toolChanged(notification.userInfo); });
  center.addObserver(this, g_normalizeNotification, nullptr, [this](const CSNotification&) { normalize(true); });
  center.addObserver(this, g_positionChangeNotification, own, [this](const CSNotification&) { updateStatusString(); });
  center.addObserver(this, g_unitsChangedNotification, nullptr, [this](const CSNotification&) {
    updateStatusString();
    selectionDidChange();
  });
  center.addObserver(this, g_redrawDrawingNotification, nullptr, [this](const CSNotification&) { setNeedsDisplay(); });
  center.addObserver(this, g_updateBitmapNotification, nullptr, [this](const CSNotification& notification) {
    if (!m_drawing || !notification.object) return;
    // The poster passes the element as its own class; compare whole objects.
    for (const auto& element : m_drawing->elements()) {
      if (element && dynamic_cast<void*>(element.get()) == notification.object) {
        setNeedsDisplay();
        return;
      }
    }
  });
  center.addObserver(this, g_elementMoveNotification, own, [this](const CSNotification&) { setDrawingFrame(); });
  center.addObserver(this, g_windowWillCloseNotification, own, [this](const CSNotification&) { shutDown(); });
  if (!m_observing) {
    m_observing = true;
    // The application losing its activation ends the transient states.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      if (state != Qt::ApplicationActive) normalize(false);
    });
  }
}

void DRDrawView::shutDown() {
  stopScrollTimer();
  m_propertiesTimer->stop();
  // The text being typed into goes with the drawing; nothing more is stored.
  QWidget* editor = m_typingView;
  m_typingView = nullptr;
  m_typingElement = nullptr;
  if (editor) editor->hide();
  m_drawing = nullptr;
  m_windowController = nullptr;
  m_viewController = nullptr;
  m_toolbarView = nullptr;
  m_shutDown = true;
}

bool DRDrawView::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ParentAboutToChange:
      viewWillMoveToSuperview();
      break;
    case QEvent::ParentChange:
      viewDidMoveToSuperview();
      break;
    case QEvent::WindowDeactivate:
      // The window stopped being the main window.
      normalize(false);
      break;
    case QEvent::FocusIn:
      setNeedsDisplay();
      break;
    case QEvent::FocusOut:
      resignFirstResponder(static_cast<QFocusEvent*>(event));
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool DRDrawView::eventFilter(QObject* watched, QEvent* event) {
  // The scroll area's viewport grew or shrank: the canvas fills it.
  if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) && watched == m_viewport) {
    setDrawingFrame();
    // Shown at last, with its final size: the scroll origin kept from
    // before can be reached now.
    if (m_pendingScrollOrigin && m_viewport->isVisible()) {
      const QPointF origin = *m_pendingScrollOrigin;
      m_pendingScrollOrigin.reset();
      scrollToPoint(origin);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void DRDrawView::viewWillMoveToSuperview() {
  // Leaving the scroll area: remember where it was scrolled to.
  if (scrollArea()) m_scrollOrigin = visibleRect().topLeft();
  if (m_viewport) m_viewport->removeEventFilter(this);
  m_viewport = nullptr;
}

void DRDrawView::viewDidMoveToSuperview() {
  if (QWidget* parent = parentWidget()) {
    if (scrollArea()) {
      m_viewport = parent;
      m_viewport->installEventFilter(this);
    }
    if (m_toolbarView) {
      m_toolbarView->setSelectedTool(m_currentTool);
      m_toolbarView->update();
    }
    selectionDidChange();
    NotificationQueue::defaultQueue().enqueue(
        CSNotification{g_toolChangedNotification, notificationWindow(), {{g_toolKey, int(m_currentTool)}}});
    updateStatusString();
    m_propertiesTimer->stop();
  }
  if (m_viewController) m_viewController->viewStatusChanged(parentWidget() ? notificationWindow() : nullptr);
}

void DRDrawView::toolChanged(const QVariantMap& userInfo) {
  if (!hasSuperview()) return;
  normalize(false);
  setFocus(Qt::OtherFocusReason);
  const DRTool tool = DRToolbarView::toolFromUserInfo(userInfo);
  if (tool != kToolNone) m_currentTool = tool;
  m_zoomOut = false;
  m_showRotateCursor = false;
  resetCursorRects();
}

void DRDrawView::resetCursorRects() {
  auto custom = [](const std::optional<QCursor>& cursor, Qt::CursorShape fallback) {
    return cursor ? *cursor : QCursor(fallback);
  };
  QCursor cursor(Qt::CrossCursor);
  if (m_reshapeElement) {
    cursor = QCursor(Qt::CrossCursor);
  } else if (m_currentTool == kToolSelect) {
    cursor = m_showRotateCursor ? custom(g_rotateCursor, Qt::ArrowCursor) : QCursor(Qt::ArrowCursor);
  } else if (m_currentTool == kToolEyedropper) {
    cursor = custom(g_eyedropperCursor, Qt::CrossCursor);
  } else if (m_currentTool == kToolZoom) {
    if (m_zoomOut)
      cursor = m_zoomValue > g_drawZoomValues[0] ? custom(g_zoomOutCursor, Qt::ArrowCursor)
                                                 : custom(g_zoomNotCursor, Qt::ForbiddenCursor);
    else
      cursor = m_zoomValue < g_drawZoomValues[g_drawZoomCount - 1] ? custom(g_zoomInCursor, Qt::ArrowCursor)
                                                                   : custom(g_zoomNotCursor, Qt::ForbiddenCursor);
  } else if (m_currentTool == kToolText) {
    cursor = QCursor(Qt::IBeamCursor);
  }
  setCursor(cursor);
}

// ---- Host answers ----------------------------------------------------------------------

DRElement* DRDrawView::typingElement() const {
  return m_typingElement;
}

bool DRDrawView::hasSuperview() const {
  return parentWidget() != nullptr;
}

bool DRDrawView::hasWindow() const {
  return parentWidget() != nullptr;
}

bool DRDrawView::isActiveFirstResponder() const {
  return isActiveWindow() && hasFocus();
}

bool DRDrawView::isInActiveWindow() const {
  return hasWindow() && isActiveWindow();
}

// ---- Painting ----------------------------------------------------------------------------

void DRDrawView::paintEvent(QPaintEvent* event) {
  if (m_shutDown) return;
  QPainter painter(this);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
  painter.scale(m_zoomValue, m_zoomValue);
  const QRectF dirty(event->rect());
  const QRectF area(dirty.x() / m_zoomValue, dirty.y() / m_zoomValue, dirty.width() / m_zoomValue,
                    dirty.height() / m_zoomValue);
  GraphicsContextScope context(&painter);
  drawRect(area, true);
}

void DRDrawView::drawRect(const QRectF& dirty, bool onScreen) {
  if (m_shutDown) return;
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (m_windowController && m_windowController->resizing()) setDrawingFrame();

  if (onScreen && !m_drawToClip && !m_drawToImage) {
    painter->fillRect(dirty, Qt::white);
    const DREditorPrefs& prefs = EditorPrefs();
    if (prefs.showDrawGrid()) {
      const double spacing = double(prefs.drawGridSpacing()) / double(kMeasurePerPoint);
      DrawGrid(prefs.drawGridKolor(), visibleRect(), dirty, spacing, spacing, m_zoomValue);
    }
    if (m_drawing && m_drawing->showPageBreaks()) drawPageBreaks(dirty);
  }

  if (m_drawing) {
    const DRPaintMode mode =
        m_drawToClip ? DRPaintMode::Clip : (m_drawToImage ? DRPaintMode::Image : DRPaintMode::Screen);
    PaintDrawing(*m_drawing, dirty, mode, this, this);
  }
  drawTransientState(onScreen);
}

QSizeF DRDrawView::printablePageSize() const {
  // The printed page in drawing points, exactly as the print view pages it.
  return m_drawing ? PrintablePageSize(m_drawing->printInfo()) : QSizeF();
}

void DRDrawView::drawPageBreaks(const QRectF& dirty) {
  // The breaks fall where the printed pages end, so the same page size as
  // printing; DrawGrid draws nothing for a page without room.
  const QSizeF page = printablePageSize();
  DrawGrid(kPageBreakKolor, visibleRect(), dirty, page.width(), page.height(), m_zoomValue);
}

// ---- Invalidation ---------------------------------------------------------------------------

void DRDrawView::invalidateElement(DRElement* element) {
  if (!element) return;
  // An element is redrawn because it changed: the grid of element areas
  // that hit testing and painting ask is rebuilt before it is asked again.
  if (m_drawing) m_drawing->noteElementsChanged();
  if (element == m_reshapeElement) {
    setNeedsDisplay();
    return;
  }
  if (m_newElement || m_dragElement) {
    if (EditorPrefs().showDragLines() || element->alwaysRedraw() || m_containsLine) {
      setNeedsDisplay();
      return;
    }
  }
  invalidateRect(cullingRectForElement(element));
}

void DRDrawView::setNeedsDisplay() {
  update();
}

QRectF DRDrawView::pixelRect(const QRectF& viewRect) const {
  return QRectF(viewRect.x() * m_zoomValue, viewRect.y() * m_zoomValue, viewRect.width() * m_zoomValue,
                viewRect.height() * m_zoomValue);
}

void DRDrawView::invalidateRect(const QRectF& rect) {
  const QRectF pixels = pixelRect(rect);
  if (!pixels.isValid() || !std::isfinite(pixels.x()) || !std::isfinite(pixels.y()) || !std::isfinite(pixels.width()) ||
      !std::isfinite(pixels.height()))
    return;
  const QRect aligned = pixels.intersected(QRectF(this->rect())).toAlignedRect();
  if (!aligned.isEmpty()) update(aligned);
}

QRectF DRDrawView::cullingRectForElement(DRElement* element) const {
  return CullingRectForElement(element);
}

// ---- Frame and scrolling ------------------------------------------------------------------

QScrollArea* DRDrawView::scrollArea() const {
  QWidget* viewport = parentWidget();
  if (!viewport) return nullptr;
  auto* area = qobject_cast<QScrollArea*>(viewport->parentWidget());
  return area && area->viewport() == viewport ? area : nullptr;
}

QRectF DRDrawView::visibleRect() const {
  QRectF pixels = rect();
  if (QScrollArea* area = scrollArea()) {
    pixels = QRectF(QRect(-pos(), area->viewport()->size())).intersected(pixels);
  }
  return QRectF(pixels.x() / m_zoomValue, pixels.y() / m_zoomValue, pixels.width() / m_zoomValue,
                pixels.height() / m_zoomValue);
}

void DRDrawView::scrollToPoint(QPointF point) {
  QScrollArea* area = scrollArea();
  if (!area || !std::isfinite(point.x()) || !std::isfinite(point.y())) return;
  auto toPixels = [this](double value) {
    return int(std::clamp(std::round(value * m_zoomValue), 0.0, kMaxFrameSide));
  };
  area->horizontalScrollBar()->setValue(toPixels(point.x()));
  area->verticalScrollBar()->setValue(toPixels(point.y()));
}

QPointF DRDrawView::scrollOrigin() const {
  if (m_pendingScrollOrigin) return *m_pendingScrollOrigin;
  return scrollArea() ? visibleRect().topLeft() : m_scrollOrigin;
}

void DRDrawView::setScrollOrigin(const QPointF& origin) {
  if (!std::isfinite(origin.x()) || !std::isfinite(origin.y())) return;
  m_scrollOrigin = origin;
  QScrollArea* area = scrollArea();
  if (area && !area->viewport()->isVisible()) {
    m_pendingScrollOrigin = origin;
    return;
  }
  m_pendingScrollOrigin.reset();
  setDrawingFrame();
  scrollToPoint(origin);
}

void DRDrawView::setDrawingFrame() {
  if (m_settingFrame) return;
  m_settingFrame = true;
  CSRect extent;
  if (m_drawing) extent = elementExtent(m_drawing->elements(), true, false, true);
  if (m_newElement) extent = UnionCSRect(extent, m_newElement->frame());
  if (m_creatingPolygon) {
    // Reach the pointer, never shrink.
    const CSPoint pointer = ConvertViewPoint(m_currentPolygonPoint.x(), m_currentPolygonPoint.y());
    if (pointer.x > extent.x + extent.width) extent.width = pointer.x - extent.x;
    if (pointer.y > extent.y + extent.height) extent.height = pointer.y - extent.y;
  }
  const QRectF points = ConvertMeasureRect(extent);
  float width = float((points.x() + points.width()) * m_zoomValue + kFrameMargin);
  float height = float((points.y() + points.height()) * m_zoomValue + kFrameMargin);
  if (QScrollArea* area = scrollArea()) {
    const QSize viewport = area->viewport()->size();
    width = std::max(width, float(area->horizontalScrollBar()->value() + viewport.width()));
    height = std::max(height, float(area->verticalScrollBar()->value() + viewport.height()));
    // Room to scroll to an origin still to be applied.
    if (m_pendingScrollOrigin) {
      width = std::max(width, float(m_pendingScrollOrigin->x() * m_zoomValue + viewport.width()));
      height = std::max(height, float(m_pendingScrollOrigin->y() * m_zoomValue + viewport.height()));
    }
  }
  const QRectF visible = visibleRect();
  width = std::max(width, float((visible.x() + visible.width()) * m_zoomValue));
  height = std::max(height, float((visible.y() + visible.height()) * m_zoomValue));
  auto side = [](float value) {
    if (!std::isfinite(value)) return int(kMaxFrameSide);
    return int(std::clamp(std::ceil(double(value)), 0.0, kMaxFrameSide));
  };
  const QSize size(side(width), side(height));
  if (size != this->size()) resize(size);
  m_settingFrame = false;
}

// ---- Zoom ---------------------------------------------------------------------------------------

void DRDrawView::setZoomValue(double zoom) {
  // A zoom that is not a positive finite number would make the frame
  // infinite or undefined.
  if (!IsUsableZoom(zoom) || zoom == m_zoomValue) return;
  const QPointF origin = scrollArea() ? visibleRect().topLeft() : QPointF();
  m_zoomValue = zoom;
  scrollToPoint(QPointF(0, 0));
  setDrawingFrame();
  scrollToPoint(origin);
  // The field editor shows its text at the canvas's zoom.
  if (m_typingView) placeTypingView();
  setNeedsDisplay();
  resetCursorRects();
}

void DRDrawView::zoomOnPoint(QPointF point, bool zoomOut) {
  const double zoom = NextZoomStep(g_drawZoomValues, g_drawZoomCount, m_zoomValue, zoomOut);
  if (zoom <= 0) return;
  setZoomValue(zoom);
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, notificationWindow());

  const QRectF visible = visibleRect();
  const float x = std::max(0.0f, std::floor(float(point.x() - visible.width() / 2)));
  const float y = std::max(0.0f, std::floor(float(point.y() - visible.height() / 2)));
  if (x != 0 || y != 0) scrollToPoint(QPointF(x, y));
}

// ---- Inspector --------------------------------------------------------------------------------

void DRDrawView::updateProperties(bool position) {
  NotificationCenter::defaultCenter().post(position ? g_positionChangeNotification : g_rotationNotification,
                                           notificationWindow());
}

void DRDrawView::updatePropertiesDelay(bool position) {
  // A later call replaces the pending one.
  m_propertiesPosition = position;
  m_propertiesTimer->start();
}
