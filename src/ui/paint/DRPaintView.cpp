#include "ui/paint/DRPaintView.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/GraphicsContext.h"
#include "support/Numbers.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRPaintUndoRecord.h"
#include "ui/paint/DRPaintVC.h"

namespace {

// Qt's largest widget side.
constexpr double kMaxFrameSide = QWIDGETSIZE_MAX;
// The outline's step.
constexpr int kAntIntervalMs = 100;
// Transparent and opaque white, the colours of a hole in the painting.
constexpr Kolor kClearWhiteKolor = 0x00FFFFFF;

const QString kWidthKey = QStringLiteral("width");
const QString kHeightKey = QStringLiteral("height");
const QString kNoUndoKey = QStringLiteral("noUndo");

}  // namespace

// ---- Life --------------------------------------------------------------------------

DRPaintView::DRPaintView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  m_selectionPoints.reserve(100);
  m_antTimer = new QTimer(this);
  m_antTimer->setInterval(kAntIntervalMs);
  connect(m_antTimer, &QTimer::timeout, this, [this] { marchTheAnts(); });

  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.addObserver(this, g_unitsChangedNotification, nullptr, [this](const CSNotification&) {
    if (isShown()) showSizeStatus();
  });
  center.addObserver(this, g_checkerboardNotification, nullptr, [this](const CSNotification&) {
    if (m_viewController && m_viewController->hasMask()) update();
  });
  center.addObserver(this, g_redrawPaintNotification, nullptr, [this](const CSNotification&) { redraw(); });
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
      restartAntsTimer();
    else
      cancelAntsTimer();
  });
  connect(&DRSettings::sharedInstance(), &DRSettings::pixelSelectorChanged, this, [this] { selectNone(false); });
}

DRPaintView::~DRPaintView() {
  NotificationCenter::defaultCenter().removeObserver(this);
  m_antTimer->stop();
}

QObject* DRPaintView::notificationWindow() const {
  if (m_windowController) {
    if (QObject* window = m_windowController->window()) return window;
  }
  return window();
}

QScrollArea* DRPaintView::scrollArea() const {
  QWidget* viewport = parentWidget();
  if (!viewport) return nullptr;
  auto* area = qobject_cast<QScrollArea*>(viewport->parentWidget());
  return area && area->viewport() == viewport ? area : nullptr;
}

bool DRPaintView::isShown() const {
  // While a scroll area takes the canvas, its parent is the viewport before
  // the area names it as its widget; a parked canvas has another parent.
  QScrollArea* area = scrollArea();
  return area && (area->widget() == this || area->widget() == nullptr);
}

DRPainting* DRPaintView::painting() const {
  return m_viewController ? m_viewController->painting().get() : nullptr;
}

Kolor DRPaintView::holeKolor() const {
  DRPainting* picture = painting();
  return picture && picture->hasAlpha() ? kClearWhiteKolor : g_whiteKolor;
}

bool DRPaintView::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::ParentAboutToChange:
      viewWillMoveToSuperview();
      break;
    case QEvent::ParentChange:
      viewDidMoveToSuperview();
      break;
    case QEvent::WindowActivate:
      restartAntsTimer();
      break;
    case QEvent::WindowDeactivate:
      cancelAntsTimer();
      break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      // The resize handle shows whether the canvas has the keyboard.
      update();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool DRPaintView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == m_viewport) setPaintingFrame();
  return QWidget::eventFilter(watched, event);
}

void DRPaintView::viewWillMoveToSuperview() {
  if (isShown()) m_scrollOrigin = visibleRect().topLeft();
  if (m_viewport) m_viewport->removeEventFilter(this);
  m_viewport = nullptr;
}

void DRPaintView::viewDidMoveToSuperview() {
  m_previousDrawingPoint = QPointF(-1, -1);
  const bool shown = isShown();
  if (shown) {
    m_viewport = parentWidget();
    m_viewport->installEventFilter(this);
    QObject* window = notificationWindow();
    if (m_toolbarView) {
      m_toolbarView->setSelectedTool(m_currentTool);
      m_toolbarView->update();
    }
    NotificationQueue::defaultQueue().enqueue(
        CSNotification{g_toolChangedNotification, window, {{g_toolKey, int(m_currentTool)}}});
    showSizeStatus();
    if (m_viewController) {
      NotificationCenter::defaultCenter().post(g_sizeChangeNotification, window,
                                               {{kWidthKey, NumberWithMeasure(m_viewController->width())},
                                                {kHeightKey, NumberWithMeasure(m_viewController->height())},
                                                {kNoUndoKey, true}});
    }
    observeWindow(window);
    setPaintingFrame();
    // The scroll area sizes its range once it holds the canvas.
    const QPointF origin = m_scrollOrigin;
    QTimer::singleShot(0, this, [this, origin] {
      if (isShown()) scrollToPoint(origin);
    });
  } else {
    selectNone(false);
    stopObservingWindow();
  }
  if (m_viewController) m_viewController->viewStatusChanged(shown ? notificationWindow() : nullptr);
}

void DRPaintView::observeWindow(QObject* window) {
  stopObservingWindow();
  if (!window) return;
  m_observedWindow = window;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.addObserver(this, g_toolChangedNotification, window,
                     [this](const CSNotification& notification) { toolChanged(notification.userInfo); });
  center.addObserver(this, g_sizeChangeNotification, window, [this](const CSNotification&) { sizeChanged(); });
  center.addObserver(this, g_acceptCropNotification, window,
                     [this](const CSNotification& notification) { cropAccepted(notification.userInfo); });
  // The cursor is chosen on every move, so a new brush or crop mode needs
  // nothing more here.
  center.addObserver(this, g_editMaskNotification, window, [this](const CSNotification&) {
    selectNone(false);
    update();
  });
}

void DRPaintView::stopObservingWindow() {
  if (!m_observedWindow) return;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  for (const QString& name : {g_toolChangedNotification, g_sizeChangeNotification, g_acceptCropNotification,
                              g_editMaskNotification}) {
    center.removeObserver(this, name, m_observedWindow);
  }
  m_observedWindow = nullptr;
}

void DRPaintView::showSizeStatus() {
  if (m_windowController && m_viewController)
    m_windowController->setSizeStatusWidth(m_viewController->width(), m_viewController->height());
}

void DRPaintView::toolChanged(const QVariantMap& userInfo) {
  if (!isShown()) return;
  setFocus(Qt::OtherFocusReason);
  const DRTool tool = DRToolbarView::toolFromUserInfo(userInfo);
  if (tool != kToolNone) m_currentTool = tool;
  m_previousDrawingPoint = QPointF(-1, -1);
  m_zoomOut = false;
  if (m_cropRect.width() > 0) {
    m_cropRect = QRectF();
    NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, false}});
    update();
  }
  if (m_currentTool != kToolSelect && m_currentTool != kToolZoom) selectNone(false);
}

void DRPaintView::sizeChanged() {
  if (!isShown()) return;
  setPaintingFrame();
  selectNone(false);
  update();
}

void DRPaintView::cropAccepted(const QVariantMap& userInfo) {
  if (userInfo.value(g_cropKey).toBool() && m_viewController) m_viewController->performCrop(m_cropRect.toRect());
  m_cropRect = QRectF();
  update();
  NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, false}});
}

// ---- Geometry --------------------------------------------------------------------------

QSizeF DRPaintView::paintingSize() const {
  if (!m_viewController) return QSizeF(0, 0);
  return QSizeF(double(m_viewController->width()) / double(kMeasurePerPoint),
                double(m_viewController->height()) / double(kMeasurePerPoint));
}

QSizeF DRPaintView::scaledSize() const {
  return paintingSize() * m_zoomValue;
}

QPointF DRPaintView::scalePoint(QPointF pixel) const {
  return QPointF(pixel.x() * m_zoomValue + g_paintGutter, pixel.y() * m_zoomValue + g_paintGutter);
}

QPointF DRPaintView::unscalePoint(QPointF point) const {
  const double x = std::floor(float(point.x()));
  const double y = std::floor(float(point.y()));
  return QPointF((x - g_paintGutter) / m_zoomValue, (y - g_paintGutter) / m_zoomValue);
}

QRectF DRPaintView::scaleRect(const QRectF& pixels) const {
  return QRectF(scalePoint(pixels.topLeft()), pixels.size() * m_zoomValue);
}

QRectF DRPaintView::unscaleRect(const QRectF& rect) const {
  return QRectF(unscalePoint(rect.topLeft()), rect.size() / m_zoomValue);
}

QPointF DRPaintView::normalizePoint(QPointF point, bool allowOverhang) const {
  const QPointF pixel = unscalePoint(point);
  const QSizeF size = paintingSize();
  auto axis = [allowOverhang](double value, double limit) {
    if (value < 0) return 0.0;
    if (value >= limit) return allowOverhang ? limit + 1 : limit;
    return std::floor(value);
  };
  return QPointF(axis(pixel.x(), size.width()), axis(pixel.y(), size.height()));
}

QRectF DRPaintView::visibleRect() const {
  QRectF area = rect();
  if (QScrollArea* scroll = scrollArea()) area = QRectF(QRect(-pos(), scroll->viewport()->size())).intersected(area);
  return area;
}

void DRPaintView::scrollToPoint(QPointF point) {
  QScrollArea* area = scrollArea();
  if (!area || !std::isfinite(point.x()) || !std::isfinite(point.y())) return;
  area->horizontalScrollBar()->setValue(int(std::clamp(std::round(point.x()), 0.0, kMaxFrameSide)));
  area->verticalScrollBar()->setValue(int(std::clamp(std::round(point.y()), 0.0, kMaxFrameSide)));
}

void DRPaintView::setPaintingFrame() {
  const QSizeF scaled = scaledSize();
  float width = float(scaled.width()) + float(g_paintGutter) + float(kFarMargin);
  float height = float(scaled.height()) + float(g_paintGutter) + float(kFarMargin);
  if (QScrollArea* area = scrollArea()) {
    const QSize viewport = area->viewport()->size();
    width = std::max(width, float(area->horizontalScrollBar()->value() + viewport.width()));
    height = std::max(height, float(area->verticalScrollBar()->value() + viewport.height()));
    const QRectF visible = visibleRect();
    width = std::max(width, float(visible.right()));
    height = std::max(height, float(visible.bottom()));
  }
  auto side = [](float value) {
    if (!std::isfinite(value)) return int(kMaxFrameSide);
    return int(std::clamp(std::ceil(double(value)), 0.0, kMaxFrameSide));
  };
  const QSize size(side(width), side(height));
  if (size != this->size()) resize(size);
}

// ---- Zoom --------------------------------------------------------------------------------

void DRPaintView::setZoomValue(double zoom) {
  if (!std::isfinite(zoom) || zoom <= 0) return;
  if (zoom > 1) zoom = std::ceil(float(zoom));
  if (zoom == m_zoomValue) return;
  m_zoomValue = zoom;
  scrollToPoint(QPointF(0, 0));
  setPaintingFrame();
  update();
}

void DRPaintView::zoomOnPoint(QPointF point, bool zoomOut) {
  const double old = m_zoomValue;
  const double zoom = NextZoomStep(g_paintZoomValues, g_paintZoomCount, old, zoomOut);
  if (zoom <= 0) return;
  setZoomValue(zoom);
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, notificationWindow());
  const QRectF visible = visibleRect();
  const float x = std::max(0.0f, std::floor(float(point.x() * m_zoomValue / old - visible.width() / 2)));
  const float y = std::max(0.0f, std::floor(float(point.y() * m_zoomValue / old - visible.height() / 2)));
  if (x != 0 || y != 0) {
    setPaintingFrame();
    scrollToPoint(QPointF(x, y));
  }
}

// ---- Tools -----------------------------------------------------------------------------

void DRPaintView::toggleSelectTool() {
  if (!m_toolbarView) return;
  if (m_currentTool != kToolSelect) {
    m_previousTool = m_currentTool;
    m_toolbarView->setSelectedTool(kToolSelect);
  } else {
    m_toolbarView->setSelectedTool(m_previousTool);
  }
}

// ---- Floating pixmap -----------------------------------------------------------------

void DRPaintView::setFloatingPixmap(std::unique_ptr<CSPixmap> pixmap) {
  m_floatingPixmap = std::move(pixmap);
  m_floatingImageCache.clear();
}

void DRPaintView::normalize() {
  if (!m_floatingPixmap) return;
  const QRectF dirty = scaleRect(m_floatingRect);
  setFloatingPixmap(nullptr);
  update(dirty.toAlignedRect().adjusted(-1, -1, 1, 1));
}

void DRPaintView::addFloatingPixmap(std::unique_ptr<CSPixmap> pixmap) {
  normalize();
  if (!pixmap) return;
  const QSizeF size = pixmap->size();
  setFloatingPixmap(std::move(pixmap));
  const QRectF visible = unscaleRect(visibleRect()).intersected(QRectF(QPointF(0, 0), paintingSize()));
  // Centred in the visible part; one larger than that part starts at its
  // origin, so that its top left shows. Never left of or above the painting,
  // never held in at the right or bottom.
  auto origin = [](double start, double room, double side) {
    if (side > room) return double(std::max(0.0f, std::floor(float(start))));
    return double(std::max(0.0f, std::floor(float(start + (room - side) / 2))));
  };
  m_floatingRect = QRectF(origin(visible.x(), visible.width(), size.width()),
                          origin(visible.y(), visible.height(), size.height()), size.width(), size.height());
  update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-1, -1, 1, 1));
  if (std::unique_ptr<CSPixmap> mask = m_floatingPixmap->createMaskPixmap()) {
    m_selectionMask = std::move(mask);
    m_selectionRect = m_floatingRect;
    cancelAntsTimer();
    restartAntsTimer();
  }
  m_currentTool = kToolSelect;
  if (m_toolbarView) m_toolbarView->setSelectedTool(kToolSelect);
}

void DRPaintView::dropFloatingPixmap() {
  if (!m_floatingPixmap) return;
  if (DRPainting* picture = painting()) {
    picture->setPixmapMode(m_viewController->pixmapMode());
    const PixmapBlendMode blend =
        DRSettings::sharedInstance().blendPixels() ? kPixmapBlendSourceOver : kPixmapBlendCopy;
    picture->mergeWithPixmap(*m_floatingPixmap, m_floatingRect.topLeft(), blend);
  }
  normalize();
  clearImageCache();
}

std::unique_ptr<CSPixmap> DRPaintView::createPixmapFromSelection() {
  DRPainting* picture = painting();
  CSPixmap* map = picture ? picture->pixmap() : nullptr;
  if (!map) return nullptr;
  const PixmapMode mode = m_viewController->pixmapMode();
  picture->setPixmapMode(mode);
  if (m_allSelected) {
    // The whole painting becomes an explicit selection, so that what is
    // lifted can be moved and its hole filled like any other.
    const QSizeF size = map->size();
    std::unique_ptr<CSPixmap> black = CSPixmap::initWithRect(size, g_blackKolor);
    std::unique_ptr<CSPixmap> mask = black ? black->createMaskPixmap() : nullptr;
    if (!mask) return nullptr;
    m_selectionRect = QRectF(QPointF(0, 0), size);
    m_allSelected = false;
    m_selectionMask = std::move(mask);
    if (mode == kPixmapModeMask) return map->createPixmapUsingMask(m_selectionMask.get(), QPointF(0, 0));
    return map->copy();
  }
  if (m_selectionRect.isEmpty() || !m_selectionMask) return nullptr;
  return map->createPixmapUsingMask(m_selectionMask.get(), m_selectionRect.topLeft());
}

// ---- Selection ------------------------------------------------------------------------

void DRPaintView::selectAll() {
  selectNone(true);
  m_allSelected = true;
  m_selectionRect = QRectF(QPointF(0, 0), paintingSize());
  restartAntsTimer();
  m_moveOffset = QPointF();
  showSizeStatus();
  update();
}

void DRPaintView::selectNone(bool selectTool) {
  dropFloatingPixmap();
  cancelAntsTimer();
  m_selectionRect = QRectF();
  m_cropRect = QRectF();
  m_selectionPoints.clear();
  m_selectionMask.reset();
  m_polygonExtended = false;
  m_selectingPolygon = false;
  m_allSelected = false;
  update();
  m_moveOffset = QPointF();
  if (m_viewController) showSizeStatus();
  if (selectTool && m_currentTool != kToolSelect) {
    m_previousTool = m_currentTool;
    if (m_toolbarView) m_toolbarView->setSelectedTool(kToolSelect);
  }
}

void DRPaintView::deleteSelection(bool keepFloating) {
  if (!keepFloating && m_floatingPixmap) {
    normalize();
    selectNone(false);
    return;
  }
  DRPainting* picture = painting();
  if (!picture) return;
  picture->setPixmapMode(m_viewController->pixmapMode());
  picture->fillWithColor(holeKolor(), m_selectionMask.get(), m_selectionRect.topLeft());
  clearImageCache();
  update();
}

bool DRPaintView::nudgeXBy(double dx, double dy) {
  if (!m_viewController) return false;
  bool lifted = false;
  if (!m_floatingPixmap) {
    std::unique_ptr<CSPixmap> pixels = createPixmapFromSelection();
    if (!pixels) return false;
    setFloatingPixmap(std::move(pixels));
    m_floatingRect = m_selectionRect;
    lifted = true;
  }
  if (!m_viewController->isUndoIDCurrent(m_nudgeUndoID)) m_nudgeUndoID = m_viewController->newUndoID();
  if (!m_viewController->setUndoID(m_nudgeUndoID, kUndoMovePixels)) {
    // Nothing moves: the pixels just lifted go back to being the painting's.
    if (lifted) setFloatingPixmap(nullptr);
    return false;
  }
  if (lifted) {
    if (DRPainting* picture = painting()) {
      picture->setPixmapMode(m_viewController->pixmapMode());
      picture->fillWithColor(holeKolor(), m_selectionMask.get(), m_selectionRect.topLeft());
    }
    clearImageCache();
  }
  update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-2, -2, 2, 2));
  m_floatingRect.translate(dx, dy);
  m_selectionRect.translate(dx, dy);
  m_moveOffset += QPointF(dx, dy);
  if (m_windowController) {
    m_windowController->setDeltaStatusX(MeasureFromDouble(m_moveOffset.x() * double(kMeasurePerPoint)),
                                        MeasureFromDouble(m_moveOffset.y() * double(kMeasurePerPoint)));
  }
  update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-2, -2, 2, 2));
  return true;
}

bool DRPaintView::storeSelectionState(DRPaintUndoRecord* record) const {
  if (!record) return false;
  record->selectionMask = nullptr;
  if (m_selectionMask) {
    std::unique_ptr<CSPixmap> copy = m_selectionMask->copy();
    if (!copy) return false;
    record->selectionMask = copy.release();
  }
  record->selectionX = m_selectionRect.x();
  record->selectionY = m_selectionRect.y();
  record->selectionWidth = m_selectionRect.width();
  record->selectionHeight = m_selectionRect.height();
  record->allSelected = m_allSelected;
  return true;
}

void DRPaintView::undoWasPerformed(DRPaintUndoRecord* record) {
  normalize();
  clearImageCache();
  update();
  setPaintingFrame();
  if (record) {
    CSPixmap* live = m_selectionMask.release();
    m_selectionMask.reset(record->selectionMask);
    record->selectionMask = live;
    const QRectF rect = m_selectionRect;
    m_selectionRect = QRectF(record->selectionX, record->selectionY, record->selectionWidth, record->selectionHeight);
    record->selectionX = rect.x();
    record->selectionY = rect.y();
    record->selectionWidth = rect.width();
    record->selectionHeight = rect.height();
    std::swap(m_allSelected, record->allSelected);
  }
  restartAntsTimer();
}

bool DRPaintView::clickInSelection(QPointF point) const {
  if (m_allSelected) return true;
  const QPointF pixel = unscalePoint(point);
  if (m_selectionRect.isEmpty() || !m_selectionRect.contains(pixel) || !m_selectionMask) return false;
  return IsVisibleKolor(m_selectionMask->kolorAtPoint(pixel - m_selectionRect.topLeft()));
}

void DRPaintView::getCurrentStyle(DRCopiedStyle* style) const {
  if (!style) return;
  *style = DRCopiedStyle{};
  DRSettings& settings = DRSettings::sharedInstance();
  style->fillKolor = settings.fillKolor();
  style->arrow = settings.arrow();
  style->lineInfo = settings.lineInfo();
}

bool DRPaintView::dirty() const {
  return m_viewController && m_viewController->isDirty();
}
