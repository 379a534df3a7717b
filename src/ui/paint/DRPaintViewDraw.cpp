// How the painting canvas draws itself: the surround and casing, the
// transparency checkerboard, the painting and the floating pixmap from
// cached images of only the pixels needed, and the selection outline or the
// crop rectangle.

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <array>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/GraphicHelpers.h"
#include "model/SpecialtyDrawing.h"
#include "support/GraphicsContext.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"

namespace {

// The dimming around a crop rectangle: black at 50 %.
constexpr Kolor kCropDimKolor = 0x32000000;
// The resize handle's grab-dot options: with and without the keyboard.
constexpr int kActiveHandleOptions = kGrabDotCasingColor | kGrabDotInnerDot | kGrabDotWhiteDisc;
constexpr int kInactiveHandleOptions = kGrabDotInnerDot | kGrabDotWhiteDisc;
// The grid shows from this zoom on.
constexpr double kGridZoom = 4.0;

// The smallest rectangle of whole pixels holding the rectangle.
QRect IntegralRect(const QRectF& rect) {
  const double left = std::floor(rect.left());
  const double top = std::floor(rect.top());
  const double right = std::ceil(rect.right());
  const double bottom = std::ceil(rect.bottom());
  auto clampInt = [](double value) { return int(std::clamp(value, -1.0e9, 1.0e9)); };
  return QRect(QPoint(clampInt(left), clampInt(top)), QPoint(clampInt(right) - 1, clampInt(bottom) - 1));
}

// Draws the part of the image that falls in `dirty`, the whole image
// filling `target`: only that part of a large cache is read.
void DrawImagePart(QPainter& painter, const QImage& image, const QRectF& target, const QRectF& dirty) {
  const QRectF shown = target.intersected(dirty);
  if (shown.isEmpty() || target.isEmpty()) return;
  const double sx = double(image.width()) / target.width();
  const double sy = double(image.height()) / target.height();
  const QRectF source((shown.x() - target.x()) * sx, (shown.y() - target.y()) * sy, shown.width() * sx,
                      shown.height() * sy);
  painter.drawImage(shown, image, source);
}

}  // namespace

void DRPaintImageCache::adopt(std::unique_ptr<CSPixmap> pixmap) {
  clear();
  if (!pixmap) return;
  const PixelBitmap bitmap = pixmap->bitmap();
  if (bitmap.isNull()) return;
  // The image reads the pixmap's memory, which lives as long as the cache.
  image = QImage(bitmap.data, bitmap.width, bitmap.height, qsizetype(bitmap.bytesPerRow),
                 QImage::Format_ARGB32_Premultiplied);
  pixels = std::move(pixmap);
}

void DRPaintView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  drawRect(painter, QRectF(event->rect()));
}

void DRPaintView::drawRect(QPainter& painter, const QRectF& dirty) {
  GraphicsContextScope context(&painter);
  if (m_windowController && m_windowController->resizing()) setPaintingFrame();
  painter.fillRect(dirty, Qt::white);
  const QRectF picture = paintingRect();
  const double exponent = DRSettings::sharedInstance().checkerboardExponent();
  if (m_viewController && m_viewController->hasMask() && exponent != 0) {
    DrawCheckerBoard(QRectF(rect()), dirty, picture.right(), picture.bottom(), float(exponent));
  }
  drawOutside(painter, picture, QRectF(rect()));
  if (picture.intersects(dirty) && painting()) {
    painter.save();
    painter.setClipRect(picture);
    drawPixmap(painter, true, dirty);
    if (m_floatingPixmap) drawPixmap(painter, false, dirty);
    if (needMarchingAnts()) drawSelectionInRect(painter, picture);
    painter.restore();
  }
  drawBrushOverlay(painter);
}

void DRPaintView::drawOutside(QPainter& painter, const QRectF& picture, const QRectF& bounds) {
  const bool maskMode = m_viewController && m_viewController->pixmapMode() == kPixmapModeMask;
  const QColor surround = ColorFromKolor(maskMode ? g_darkGrayKolor : g_veryLightGrayKolor);
  const QRectF visible = visibleRect();
  bool any = false;
  auto fill = [&](const QRectF& strip) {
    if (strip.width() <= 0 || strip.height() <= 0) return;
    painter.fillRect(strip, surround);
    any = true;
  };
  // The left and top strips run from the view's own edge, so the gutter is
  // filled however little of it is scrolled into view.
  if (picture.left() > visible.left()) fill(QRectF(0, 0, picture.left(), bounds.height()));
  if (picture.top() > visible.top()) fill(QRectF(0, 0, bounds.width(), picture.top()));
  fill(QRectF(picture.right(), 0, bounds.right() - picture.right(), bounds.height()));
  fill(QRectF(0, picture.bottom(), bounds.width(), bounds.bottom() - picture.bottom()));
  if (any) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    const QColor casing = ColorFromKolor(g_casingColor);
    const QRectF ring = picture.adjusted(-1, -1, 1, 1);
    painter.fillRect(QRectF(ring.left(), ring.top(), ring.width(), 1), casing);
    painter.fillRect(QRectF(ring.left(), ring.bottom() - 1, ring.width(), 1), casing);
    painter.fillRect(QRectF(ring.left(), ring.top(), 1, ring.height()), casing);
    painter.fillRect(QRectF(ring.right() - 1, ring.top(), 1, ring.height()), casing);
    painter.restore();
  }
  const DRDrawing* drawing = m_viewController ? m_viewController->drawing() : nullptr;
  const bool locked = drawing && drawing->isLocked();
  if (!locked && !(m_cropRect.width() > 0 && m_cropRect.height() > 0)) {
    const bool active = IsActiveWindow(window()) && hasFocus();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    DrawGrabDot(active ? kActiveHandleOptions : kInactiveHandleOptions,
                QRectF(picture.right(), picture.bottom(), g_casingEdge, g_casingEdge));
    painter.restore();
  }
}

void DRPaintView::drawPixmap(QPainter& painter, bool ofPainting, const QRectF& dirty) {
  const bool grid = DRSettings::sharedInstance().showPaintGrid() && m_zoomValue >= kGridZoom;
  if (!ofPainting) {
    if (m_zoomForCache != m_zoomValue) {
      m_imageCache.clear();
      m_floatingImageCache.clear();
      m_zoomForCache = m_zoomValue;
    }
    if (m_floatingImageCache.isNull()) {
      if (m_zoomValue > 1) {
        const QRect whole(QPoint(0, 0), m_floatingPixmap->size().toSize());
        if (auto magnified = m_floatingPixmap->createPixmapForRect(whole, kPixmapDisplayNormal, m_zoomValue, grid))
          m_floatingImageCache.adopt(std::move(magnified));
      } else {
        m_floatingImageCache.image = m_floatingPixmap->createCGImage();
      }
    }
    if (!m_floatingImageCache.isNull())
      DrawImagePart(painter, m_floatingImageCache.image, scaleRect(m_floatingRect), dirty);
    return;
  }

  DRPainting* picture = painting();
  CSPixmap* map = picture ? picture->pixmap() : nullptr;
  if (!map) return;
  const int width = map->width();
  const int height = map->height();
  const PixmapDisplay display = m_viewController->pixmapDisplay();
  if (display != m_pixmapDisplayForCache) {
    m_pixmapDisplayForCache = display;
    m_zoomForCache = 0;
  }

  // The pixels under the dirty rectangle.
  QRect needed = IntegralRect(unscaleRect(dirty));
  if (needed.x() < 0) {
    needed.setWidth(needed.width() + needed.x());
    needed.moveLeft(0);
  }
  if (needed.y() < 0) {
    needed.setHeight(needed.height() + needed.y());
    needed.moveTop(0);
  }
  needed.setWidth(std::min(needed.width(), width - needed.x()));
  needed.setHeight(std::min(needed.height(), height - needed.y()));
  if (needed.width() <= 0 || needed.height() <= 0) return;
  // And the pixels only partly under it.
  const QRectF scaled = scaleRect(QRectF(needed));
  if (dirty.left() < scaled.left() && needed.x() > 0) needed.adjust(-1, 0, 0, 0);
  if (dirty.top() < scaled.top() && needed.y() > 0) needed.adjust(0, -1, 0, 0);
  if (scaled.right() < dirty.right() && needed.x() + needed.width() < width) needed.adjust(0, 0, 1, 0);
  if (scaled.bottom() < dirty.bottom() && needed.y() + needed.height() < height) needed.adjust(0, 0, 0, 1);

  QRect cacheRect = m_rectForCache;
  if (m_imageCache.isNull() || m_zoomForCache != m_zoomValue || !m_rectForCache.contains(needed)) {
    cacheRect = (needed.width() < width || needed.height() < height) ? needed : QRect(0, 0, width, height);
    m_zoomForCache = 0;
  }
  m_rectForCache = cacheRect;
  if (m_zoomForCache != m_zoomValue) {
    m_imageCache.clear();
    m_floatingImageCache.clear();
    m_zoomForCache = m_zoomValue;
  }
  if (m_imageCache.isNull()) {
    const bool partial = cacheRect.width() < width || cacheRect.height() < height;
    const bool magnify = partial || m_zoomValue > 1 || display == kPixmapDisplayAlpha ||
                         (display == kPixmapDisplayOpaque && map->hasAlpha());
    if (magnify) {
      if (auto magnified = map->createPixmapForRect(cacheRect, display, m_zoomValue, grid))
        m_imageCache.adopt(std::move(magnified));
    } else {
      m_imageCache.image = map->createCGImage();
    }
  }
  if (m_imageCache.isNull()) return;
  DrawImagePart(painter, m_imageCache.image, scaleRect(QRectF(cacheRect)), dirty);
}

QPainterPath DRPaintView::selectionBezierAtOrigin(QPointF origin, bool scale) const {
  QPainterPath path;
  if (m_selectionPoints.size() < 2) return path;
  bool first = true;
  for (const QPointF& point : m_selectionPoints) {
    const QPointF at = scale ? scalePoint(point - origin) : point - origin;
    if (first)
      path.moveTo(at);
    else
      path.lineTo(at);
    first = false;
  }
  if (m_selectionPoints.front() == m_selectionPoints.back()) path.closeSubpath();
  return path;
}

void DRPaintView::drawAntsOnPath(QPainter& painter, const QPainterPath& path) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  QPen pen(Qt::black, 1);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.drawPath(path);
  pen.setColor(Qt::white);
  pen.setDashPattern({4, 4});
  pen.setDashOffset(double(m_antPhase % 8));
  painter.setPen(pen);
  painter.drawPath(path);
  painter.restore();
}

void DRPaintView::drawSelectionInRect(QPainter& painter, const QRectF& rect) {
  if (m_allSelected) {
    QPainterPath path;
    path.addRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    drawAntsOnPath(painter, path);
    return;
  }
  if (m_selectionMask) {
    std::unique_ptr<CSPixmap> ants = m_selectionMask->createAntsForMaskAtZoom(m_zoomValue, int64_t(m_antPhase));
    if (ants) {
      const QImage image = ants->createCGImage();
      const QPointF at = scalePoint(m_selectionRect.topLeft()) - QPointF(1, 1);
      painter.drawImage(at, image);
    }
    return;
  }
  if (m_selectionPoints.size() >= 2) {
    drawAntsOnPath(painter, selectionBezierAtOrigin(QPointF(0, 0), true));
    return;
  }
  if (m_selectionRect.width() > 0 && m_selectionRect.height() > 0) {
    QPainterPath path;
    path.addRect(scaleRect(m_selectionRect).adjusted(-0.5, -0.5, 0.5, 0.5));
    drawAntsOnPath(painter, path);
    return;
  }
  if (m_cropRect.width() > 0 && m_cropRect.height() > 0) {
    const QRectF crop = scaleRect(m_cropRect);
    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(rect);
    dim.addRect(crop);
    if (!dim.isEmpty()) painter.fillPath(dim, ColorFromKolor(kCropDimKolor));
    QPainterPath outline;
    outline.addRect(crop.adjusted(-0.5, -0.5, 0.5, 0.5));
    drawAntsOnPath(painter, outline);
    if (m_trackType == kTrackNone) {
      std::array<QRectF, kGrabDotCount> dots;
      GetGrabDotRects(dots, crop.adjusted(-1, -1, 1, 1));
      painter.save();
      painter.setClipping(false);
      painter.setRenderHint(QPainter::Antialiasing, true);
      for (const QRectF& dot : dots) DrawGrabDot(kActiveHandleOptions, dot);
      painter.restore();
    }
  }
}

bool DRPaintView::needMarchingAnts() const {
  return m_allSelected || m_selectionMask || !m_selectionPoints.empty() ||
         (m_cropRect.width() > 0 && m_cropRect.height() > 0) ||
         (m_selectionRect.width() > 0 && m_selectionRect.height() > 0);
}

void DRPaintView::redrawSelection() {
  const QRectF area = m_cropRect.isEmpty() ? scaleRect(m_selectionRect) : scaleRect(m_cropRect);
  update(area.adjusted(-1, -1, 1, 1).toAlignedRect());
}

void DRPaintView::clearImageCache() {
  m_imageCache.clear();
  m_floatingImageCache.clear();
}

void DRPaintView::redraw() {
  clearImageCache();
  update();
}

bool DRPaintView::antsTimerActive() const {
  return m_antTimer->isActive();
}

void DRPaintView::restartAntsTimer() {
  if (m_antTimer->isActive()) return;
  if (!needMarchingAnts()) {
    cancelAntsTimer();
    return;
  }
  if (!isActiveWindow()) return;
  m_antTimer->start();
}

void DRPaintView::cancelAntsTimer() {
  m_antTimer->stop();
}

void DRPaintView::marchTheAnts() {
  ++m_antPhase;
  const QRectF area = m_cropRect.isEmpty() ? scaleRect(m_selectionRect) : scaleRect(m_cropRect);
  update(area.adjusted(-2, -2, 2, 2).toAlignedRect());
}
