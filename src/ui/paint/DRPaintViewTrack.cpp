// What happens on a painting between a press and a release: brush, pencil,
// eraser, blur and smudge strokes; the bucket, the eyedropper and the zoom
// click; line, rectangle and ellipse shapes previewed as the floating
// pixmap; the crop rectangle; rectangle, lasso and polygon selections;
// moving or duplicating the selected pixels; and resizing the painting by
// its far corner. Points are view points unless named pixels.

#include <QTimer>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/GeometryHelpers.h"
#include "model/GraphicHelpers.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/GraphicsHelpers.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorEvents.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"

namespace {

constexpr Kolor kShapeKolor = g_blackKolor;
// Tool drag events closer together than this are dropped.
constexpr double kEventInterval = 0.01;
// The crop rectangle's edges are held this far out and in, in points.
constexpr double kCropEdgeReach = 3 * g_casingEdge;

// Crop track zones: one of each group.
constexpr uint64_t kZoneLeft = 1;
constexpr uint64_t kZoneCentre = 2;
constexpr uint64_t kZoneRight = 4;
constexpr uint64_t kZoneTop = 16;
constexpr uint64_t kZoneMiddle = 32;
constexpr uint64_t kZoneBottom = 64;
constexpr uint64_t kZoneMove = kZoneCentre | kZoneMiddle;

// Whether the point lies in the rectangle, its far edges excluded.
bool Inside(const QRectF& rect, QPointF point) {
  return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() && point.y() < rect.bottom();
}

QRectF Integral(const QRectF& rect) {
  const double left = std::floor(rect.left());
  const double top = std::floor(rect.top());
  return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

bool IsStrokeTool(DRTool tool) {
  return tool == kToolBrush || tool == kToolPencil || tool == kToolBlur || tool == kToolEraser;
}

}  // namespace

Kolor DRPaintView::kolorAtPoint(const QPointF& point) const {
  DRPainting* picture = painting();
  if (!picture) return g_nilKolor;
  const QPointF pixel = unscalePoint(point);
  const QSizeF size = paintingSize();
  if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= size.width() || pixel.y() >= size.height()) return g_nilKolor;
  return picture->kolorAtPoint(QPointF(std::floor(pixel.x()), std::floor(pixel.y())));
}

Kolor DRPaintView::eraserKolor() const {
  DRPainting* picture = painting();
  return picture && picture->hasAlpha() ? g_nilKolor : g_whiteKolor;
}

Kolor DRPaintView::paintKolor(Kolor kolor) const {
  if (m_viewController && m_viewController->pixmapMode() == kPixmapModeMask && IsVisibleKolor(kolor))
    return GrayscaleKolorCIE(kolor);
  return kolor;
}

// ---- Tool drags ------------------------------------------------------------------------------

void DRPaintView::startToolDrag(QPointF point, uint32_t modifiers) {
  DRSettings& settings = DRSettings::sharedInstance();
  DRPainting* picture = painting();
  m_anchorPoint = QPointF(-1, -1);
  m_constrainedDrag = false;
  m_pixelsChanged = false;
  m_constrainX = kUndecidedAxis;
  if (!picture || !m_viewController) return;
  const bool locked = isLocked();
  const bool option = modifiers & kOptionKeyMask;
  const bool shift = modifiers & kShiftKeyMask;
  const bool control = modifiers & kControlKeyMask;
  const QPointF pixel = normalizePoint(point, false);
  const QPointF view = scalePoint(pixel);
  const bool continues = (modifiers & kCommandKeyMask) && m_previousDrawingPoint.x() >= 0;
  picture->setPixmapMode(m_viewController->pixmapMode());
  if (!(m_currentTool == kToolBlur && continues)) picture->startSmudge(QPointF(-1, -1));
  const Kolor fill = settings.fillKolor();

  switch (m_currentTool) {
    case kToolEyedropper:
      PickupColor(this, option, control, view);
      return;
    case kToolZoom:
      zoomOnPoint(view, option);
      return;
    case kToolLine:
      if (locked) return;
      if (!IsVisibleKolor(settings.lineInfo().kolor())) {
        GiveSimpleAlert(QStringLiteral("Can't draw transparent line."),
                        QStringLiteral("The line color is transparent. I can't paint a line without a color."));
        return;
      }
      m_constrainedDrag = settings.constrain() != option;
      m_endPoint = view;
      break;
    case kToolRectangle:
    case kToolEllipse:
      if (locked) return;
      if (!IsVisibleKolor(fill)) {
        GiveSimpleAlert(QStringLiteral("Can't draw transparent shape."),
                        QStringLiteral("The fill color is transparent. I can't paint a rectangle or ellipse without "
                                       "a color."));
        return;
      }
      m_constrainedDrag = settings.constrain() != option;
      break;
    case kToolBrush:
      if (locked) return;
      if (option) {
        PickupColor(this, false, false, view);
        return;
      }
      m_constrainedDrag = shift;
      if (!continues) m_previousDrawingPoint = pixel;
      if (control) toggleBrushSize();
      if (!m_viewController->setUndoID(CSUndoManager::kFreshUndoID, kUndoBrush)) return;
      brushTo(pixel, view, fill);
      break;
    case kToolPencil: {
      if (locked) return;
      if (option) {
        PickupColor(this, false, false, view);
        return;
      }
      m_constrainedDrag = shift;
      if (!continues) m_previousDrawingPoint = pixel;
      m_pencilKolor = fill;
      const int32_t rule = settings.pencilOption();
      if ((rule == 1 || rule == 2) && AreKolorsEqual(picture->kolorAtPoint(pixel), fill)) {
        m_pencilKolor = rule == 1 ? g_whiteKolor : eraserKolor();
      }
      if (!m_viewController->setUndoID(CSUndoManager::kFreshUndoID, kUndoPencil)) return;
      pencilTo(pixel, view);
      break;
    }
    case kToolBlur: {
      if (locked) return;
      m_constrainedDrag = shift;
      m_previousDrawingPoint = pixel;
      if (control) toggleBrushSize();
      const bool smudge = settings.smudgeBlur();
      if (!m_viewController->setUndoID(CSUndoManager::kFreshUndoID, smudge ? kUndoSmudge : kUndoBlur)) return;
      if (smudge)
        picture->startSmudge(pixel);
      else
        picture->startBlur(pixel);
      brushTo(pixel, view, fill);
      break;
    }
    case kToolBucket:
      if (option) {
        PickupColor(this, false, false, view);
        return;
      }
      if (locked || !m_viewController->setUndoID(CSUndoManager::kFreshUndoID, kUndoPaintBucket)) return;
      if (picture->floodPixelsFromPoint(pixel)) {
        redraw();
      } else {
        m_viewController->undoManager().popUndo();
      }
      return;
    case kToolEraser: {
      if (locked) return;
      m_constrainedDrag = shift;
      const Kolor kolor = eraserKolor();
      if (!continues) m_previousDrawingPoint = pixel;
      if (control) toggleBrushSize();
      if (!m_viewController->setUndoID(CSUndoManager::kFreshUndoID, kUndoErase)) return;
      brushTo(pixel, view, kolor);
      break;
    }
    case kToolCrop:
      if (locked || !setupCropDrag(view)) return;
      break;
    default:
      return;
  }
  m_anchorPoint = view;
}

QRectF DRPaintView::shapeRect(QPointF q) const {
  const QPointF a = m_anchorPoint;
  const QSizeF scaled = scaledSize();
  const float limit = std::min(float(scaled.width()), float(scaled.height()));
  const float dx = std::abs(float(q.x() - a.x()));
  const float dy = std::abs(float(q.y() - a.y()));
  const float side = std::min(std::max(dx, dy), limit);
  if (DRSettings::sharedInstance().drawFromCenter()) {
    const QSizeF half = m_constrainedDrag ? QSizeF(side, side) : QSizeF(dx, dy);
    return QRectF(a - QPointF(half.width(), half.height()), half * 2);
  }
  if (!m_constrainedDrag) return RectFromPoints(q, a);
  const QPointF corner(q.x() < a.x() ? a.x() - side : a.x() + side, q.y() < a.y() ? a.y() - side : a.y() + side);
  return RectFromPoints(corner, a);
}

void DRPaintView::continueToolDrag(QPointF point, ulong timestamp) {
  if (m_anchorPoint.x() < 0 || m_anchorPoint.y() < 0 || !m_viewController) return;
  DRPainting* picture = painting();
  if (!picture) return;
  // The autoscroll's own events carry no time and always count.
  if (timestamp != 0) {
    const double now = double(timestamp) / 1000.0;
    if (m_lastChangeTime != 0 && now - m_lastChangeTime < kEventInterval) return;
    m_lastChangeTime = now;
  }
  ensureScrollTimer();
  if (IsStrokeTool(m_currentTool) && m_constrainedDrag) {
    if (m_constrainX == kUndecidedAxis)
      m_constrainX = std::abs(point.y() - m_anchorPoint.y()) > std::abs(point.x() - m_anchorPoint.x()) ? 1 : 0;
    if (m_constrainX)
      point.setX(m_anchorPoint.x());
    else
      point.setY(m_anchorPoint.y());
  }
  const QPointF unscaled = unscalePoint(point);
  const QPointF pixel(std::floor(float(unscaled.x())), std::floor(float(unscaled.y())));
  QPointF view = scalePoint(pixel);
  DRSettings& settings = DRSettings::sharedInstance();
  const Kolor fill = paintKolor(settings.fillKolor());
  const bool maskMode = m_viewController->pixmapMode() == kPixmapModeMask;

  switch (m_currentTool) {
    case kToolLine: {
      if (m_constrainedDrag) view = ConstrainLine(view, m_anchorPoint, QRectF(), float(m_zoomValue));
      if (view == m_endPoint) return;
      m_endPoint = view;
      update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-1, -1, 1, 1));
      const double thickness = double(settings.lineInfo().width()) / double(kMeasurePerPoint);
      const QPointF a = unscalePoint(m_anchorPoint);
      const QPointF b = unscalePoint(m_endPoint);
      m_floatingRect = Integral(RectFromPoints(a, b).adjusted(-thickness, -thickness, thickness, thickness));
      update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-1, -1, 1, 1));
      setFloatingPixmap(CSPixmap::initWithLineFrom(a, b, thickness, paintKolor(settings.lineInfo().kolor())));
      break;
    }
    case kToolRectangle:
    case kToolEllipse: {
      const QRectF rect = shapeRect(view);
      update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-1, -1, 1, 1));
      m_floatingRect = Integral(unscaleRect(rect));
      update(rect.toAlignedRect().adjusted(-1, -1, 1, 1));
      setFloatingPixmap(m_currentTool == kToolRectangle ? CSPixmap::initWithRect(m_floatingRect.size(), fill)
                                                        : CSPixmap::initWithOval(m_floatingRect.size(), fill));
      break;
    }
    case kToolBrush:
      brushTo(pixel, view, fill);
      break;
    case kToolPencil:
      pencilTo(pixel, view);
      break;
    case kToolBlur:
      brushTo(pixel, view, g_whiteKolor);
      break;
    case kToolEraser:
      brushTo(pixel, view, maskMode ? g_whiteKolor : eraserKolor());
      break;
    case kToolCrop: {
      if (m_cropTrackZone == 0) {
        m_cropRect = unscaleRect(RectFromPoints(view, m_anchorPoint));
      } else if (!modifyCrop(view)) {
        return;
      }
      update();
      if (m_windowController) {
        m_windowController->setPositionStatusX(-1, -1, MeasureFromDouble(m_cropRect.width() * kMeasurePerPoint),
                                               MeasureFromDouble(m_cropRect.height() * kMeasurePerPoint));
      }
      NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, true}});
      break;
    }
    default:
      break;
  }
}

void DRPaintView::brushTo(QPointF pixel, QPointF view, Kolor kolor) {
  DRPainting* picture = painting();
  if (!picture) return;
  DRSettings& settings = DRSettings::sharedInstance();
  const uint64_t exponent = settings.brushSizeExponent();
  if (picture->drawWithBrush(BrushShape(settings.brush()), int64_t(exponent), m_previousDrawingPoint, pixel, kolor)) {
    m_pixelsChanged = true;
    clearImageCache();
    const float grow = std::max(float((std::exp2(double(std::min<uint64_t>(exponent, 30))) + 2) * m_zoomValue), 2.0f);
    update(RectFromPoints(view, scalePoint(m_previousDrawingPoint))
               .adjusted(-grow, -grow, grow, grow)
               .toAlignedRect());
  }
  m_previousDrawingPoint = pixel;
}

void DRPaintView::pencilTo(QPointF pixel, QPointF view) {
  DRPainting* picture = painting();
  if (!picture) return;
  if (picture->drawWithPencil(m_previousDrawingPoint, pixel, paintKolor(m_pencilKolor))) {
    m_pixelsChanged = true;
    clearImageCache();
    const double grow = std::max(2 * m_zoomValue, 2.0);
    update(RectFromPoints(view, scalePoint(m_previousDrawingPoint))
               .adjusted(-grow, -grow, grow, grow)
               .toAlignedRect());
  }
  m_previousDrawingPoint = pixel;
}

void DRPaintView::toggleBrushSize() {
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setBrushSizeExponent(settings.brushSizeExponent() < 5 ? 5 : 1);
  m_toggleBrushCursor = false;
  NotificationCenter::defaultCenter().post(g_brushSampleNotification, notificationWindow());
}

void DRPaintView::finishToolDrag() {
  if (m_anchorPoint.x() < 0 || m_anchorPoint.y() < 0 || !m_viewController) return;
  DRPainting* picture = painting();
  if (!picture) return;
  // The cursor follows the tool's new state once the release is handled.
  QTimer::singleShot(100, this, [this] { resetCursor(mapFromGlobal(QCursor::pos())); });
  DRSettings& settings = DRSettings::sharedInstance();
  switch (m_currentTool) {
    case kToolLine:
    case kToolRectangle:
    case kToolEllipse: {
      if (!m_floatingPixmap) return;
      std::unique_ptr<CSPixmap> shape = std::move(m_floatingPixmap);
      m_floatingImageCache.clear();
      update(scaleRect(m_floatingRect).toAlignedRect().adjusted(-1, -1, 1, 1));
      clearImageCache();
      if (!m_viewController->setUndoID(CSUndoManager::kFreshUndoID, kUndoAddShape)) return;
      picture->setPixmapMode(m_viewController->pixmapMode());
      if (!picture->mergeWithPixmap(*shape, m_floatingRect.topLeft(), kPixmapBlendSourceOver)) {
        m_viewController->undoManager().popUndo();
        return;
      }
      if (m_currentTool == kToolLine)
        RegisterKolor(settings.lineInfo().kolor(), false);
      else
        RegisterKolor(settings.fillKolor(), true);
      return;
    }
    case kToolBlur:
      picture->startSmudge(QPointF(-1, -1));
      [[fallthrough]];
    case kToolBrush:
    case kToolPencil:
      if (!m_pixelsChanged) m_viewController->undoManager().popUndo();
      RegisterKolor(settings.fillKolor(), true);
      return;
    case kToolEraser:
      if (!m_pixelsChanged) m_viewController->undoManager().popUndo();
      return;
    case kToolCrop:
      restartAntsTimer();
      m_cropTrackZone = 0;
      update();
      return;
    default:
      return;
  }
}

// ---- Crop ------------------------------------------------------------------------------------------

bool DRPaintView::setupCropDrag(QPointF point) {
  if (m_cropRect.width() <= 0) {
    selectNone(false);
    m_cropTrackZone = 0;
    m_cropRect = QRectF();
    return true;
  }
  const QRectF inner = scaleRect(m_cropRect);
  const QRectF outer = inner.adjusted(-g_casingEdge, -g_casingEdge, g_casingEdge, g_casingEdge);
  if (Inside(inner, point)) {
    if (m_cropRect == QRectF(QPointF(0, 0), paintingSize())) return false;
    m_cropTrackZone = kZoneMove;
    m_dragOffset = point - inner.topLeft();
    return true;
  }
  if (Inside(outer, point)) {
    uint64_t zone = 0;
    QPointF offset;
    if (point.y() <= outer.top() + kCropEdgeReach) {
      zone |= kZoneTop;
      offset.setY(point.y() - inner.top());
    } else if (point.y() >= outer.bottom() - kCropEdgeReach) {
      zone |= kZoneBottom;
      offset.setY(point.y() - inner.bottom());
    } else {
      zone |= kZoneMiddle;
    }
    if (point.x() <= outer.left() + kCropEdgeReach) {
      zone |= kZoneLeft;
      offset.setX(point.x() - inner.left());
    } else if (point.x() >= outer.right() - kCropEdgeReach) {
      zone |= kZoneRight;
      offset.setX(point.x() - inner.right());
    } else {
      zone |= kZoneCentre;
    }
    m_cropTrackZone = zone;
    m_dragOffset = offset;
    return true;
  }
  m_cropTrackZone = 0;
  m_cropRect = QRectF();
  return true;
}

bool DRPaintView::modifyCrop(QPointF point) {
  const QSizeF size = paintingSize();
  auto axis = [this](double value, double offset, double limit) {
    const float q = std::rint(float((value - offset - g_paintGutter) / m_zoomValue));
    return std::clamp(double(q), 0.0, limit);
  };
  const double qx = axis(point.x(), m_dragOffset.x(), size.width());
  const double qy = axis(point.y(), m_dragOffset.y(), size.height());
  QRectF rect = m_cropRect;
  if (m_cropTrackZone == kZoneMove) {
    rect.moveTo(std::min(qx, size.width() - rect.width()), std::min(qy, size.height() - rect.height()));
  } else {
    if (m_cropTrackZone & kZoneBottom) rect.setHeight(std::min(std::max(qy - rect.top(), 1.0), size.height()));
    if (m_cropTrackZone & kZoneTop) rect.setTop(std::min(qy, rect.bottom() - 1));
    if (m_cropTrackZone & kZoneRight) rect.setWidth(std::min(std::max(qx - rect.left(), 1.0), size.width()));
    if (m_cropTrackZone & kZoneLeft) rect.setLeft(std::min(qx, rect.right() - 1));
  }
  if (rect == m_cropRect) return false;
  m_cropRect = rect;
  return true;
}

// ---- Selections ------------------------------------------------------------------------------------

void DRPaintView::startSelectionDrag(QPointF point) {
  m_anchorPoint = normalizePoint(point, true);
  switch (DRSettings::sharedInstance().pixelSelector()) {
    case 2:
      if (!m_selectingPolygon) {
        selectNone(false);
        m_selectingPolygon = true;
      } else if (m_polygonExtended) {
        if (!m_selectionPoints.empty()) m_selectionPoints.pop_back();
        m_polygonExtended = false;
      }
      m_selectionPoints.push_back(m_anchorPoint);
      setSelectionRectFromPoints();
      break;
    case 1:
      selectNone(false);
      m_selectionPoints.push_back(m_anchorPoint);
      break;
    default:
      selectNone(false);
      m_selectionRect = QRectF(m_anchorPoint, QSizeF(0, 0));
      break;
  }
}

void DRPaintView::continueSelectionDrag(QPointF point) {
  const QPointF pixel = normalizePoint(point, true);
  DRSettings& settings = DRSettings::sharedInstance();
  if (settings.pixelSelector() != 1 && settings.pixelSelector() != 2) {
    const QRectF rect = RectFromPoints(pixel, m_anchorPoint);
    if (rect == m_selectionRect) return;
    redrawSelection();
    m_selectionRect = rect;
    redrawSelection();
    return;
  }
  const double tolerance = double(settings.polygonTolerance()) / double(kMeasurePerPoint);
  if (!m_selectionPoints.empty()) {
    const QPointF last = m_selectionPoints.back();
    if (std::hypot(float(pixel.x() - last.x()), float(pixel.y() - last.y())) < tolerance) return;
  }
  m_selectionPoints.push_back(pixel);
  setSelectionRectFromPoints();
}

void DRPaintView::finishSelectionDrag() {
  std::unique_ptr<CSPixmap> shape;
  const int32_t selector = DRSettings::sharedInstance().pixelSelector();
  if (selector != 1 && selector != 2) {
    if (!m_selectionRect.isEmpty()) shape = CSPixmap::initWithRect(m_selectionRect.size(), kShapeKolor);
  } else {
    if (!m_selectionPoints.empty() && m_selectionPoints.back() != m_selectionPoints.front())
      m_selectionPoints.push_back(m_selectionPoints.front());
    if (m_selectionPoints.size() >= 3) {
      QPainterPath path = selectionBezierAtOrigin(m_selectionRect.topLeft(), false);
      shape = CSPixmap::initWithBezier(path, kShapeKolor);
    }
  }
  const QPointF origin = m_selectionRect.topLeft();
  selectNone(false);
  if (shape) {
    if (std::unique_ptr<CSPixmap> mask = shape->createMaskPixmap()) {
      m_selectionMask = std::move(mask);
      m_selectionRect = QRectF(QPointF(std::floor(origin.x()), std::floor(origin.y())), m_selectionMask->size());
      if (DRSettings::sharedInstance().shrinkSelection()) shrinkSelection();
      restartAntsTimer();
    }
  }
  update();
}

void DRPaintView::setSelectionRectFromPoints() {
  redrawSelection();
  if (m_selectionPoints.empty()) {
    m_selectionRect = QRectF();
    return;
  }
  float minX = float(m_selectionPoints.front().x());
  float maxX = minX;
  float minY = float(m_selectionPoints.front().y());
  float maxY = minY;
  for (const QPointF& point : m_selectionPoints) {
    minX = std::min(minX, float(point.x()));
    maxX = std::max(maxX, float(point.x()));
    minY = std::min(minY, float(point.y()));
    maxY = std::max(maxY, float(point.y()));
  }
  m_selectionRect = QRectF(minX, minY, maxX - minX, maxY - minY);
  redrawSelection();
}

void DRPaintView::shrinkSelection() {
  DRPainting* picture = painting();
  CSPixmap* map = picture ? picture->pixmap() : nullptr;
  if (!map || !m_selectionMask) return;
  std::unique_ptr<CSPixmap> cut = map->createPixmapUsingMask(m_selectionMask.get(), m_selectionRect.topLeft());
  if (!cut) return;
  QPointF offset;
  std::unique_ptr<CSPixmap> shrunk = cut->createShrunkenPixmap(&offset, true);
  if (!shrunk) {
    if (offset.x() < 0) {
      // Nothing but white and transparent pixels: nothing is selected.
      selectNone(false);
      return;
    }
    shrunk = std::move(cut);
    offset = QPointF(0, 0);
  }
  std::unique_ptr<CSPixmap> mask = shrunk->createMaskPixmap();
  if (!mask) return;
  m_selectionRect = QRectF(m_selectionRect.topLeft() + offset, mask->size());
  m_selectionMask = std::move(mask);
}

bool DRPaintView::canDragFromViewPoint(QPointF point, QPointF pixel) const {
  if (isLocked() || point.x() < g_paintGutter || point.y() < g_paintGutter) return false;
  if (clickInSelection(point)) return true;
  if (m_floatingPixmap && Inside(m_floatingRect, pixel))
    return IsVisibleKolor(m_floatingPixmap->kolorAtPoint(pixel - m_floatingRect.topLeft()));
  return false;
}

// ---- Moves -----------------------------------------------------------------------------------------------

void DRPaintView::abandonMoveDrag() {
  if (m_trackUndoID != kNoUndoID && m_viewController) m_viewController->undoManager().popUndo();
  m_trackUndoID = kNoUndoID;
  m_trackType = kTrackNone;
}

void DRPaintView::startMoveDrag(QPointF point, uint32_t modifiers) {
  m_trackUndoID = kNoUndoID;
  DRPainting* picture = painting();
  if (!picture || !m_viewController) {
    m_trackType = kTrackNone;
    return;
  }
  picture->setPixmapMode(m_viewController->pixmapMode());
  const bool option = modifiers & kOptionKeyMask;
  if (option && m_floatingPixmap) {
    m_trackUndoID = m_viewController->newUndoID();
    if (!m_viewController->setUndoID(m_trackUndoID, kUndoDuplicate)) {
      m_trackUndoID = kNoUndoID;
      m_trackType = kTrackNone;
      return;
    }
    // A copy stays behind; the floating pixels move on.
    if (!picture->mergeWithPixmap(*m_floatingPixmap, m_floatingRect.topLeft(), kPixmapBlendSourceOver)) {
      abandonMoveDrag();
      return;
    }
    m_imageCache.clear();
  } else if (!option && !m_floatingPixmap) {
    m_trackUndoID = m_viewController->newUndoID();
    if (!m_viewController->setUndoID(m_trackUndoID, kUndoDrag)) {
      m_trackUndoID = kNoUndoID;
      m_trackType = kTrackNone;
      return;
    }
  }
  if (!m_floatingPixmap) {
    std::unique_ptr<CSPixmap> pixels = createPixmapFromSelection();
    if (!pixels) {
      abandonMoveDrag();
      return;
    }
    setFloatingPixmap(std::move(pixels));
    m_floatingRect = m_selectionRect;
    if (!option) deleteSelection(true);
  }
  const QPointF pixel = normalizePoint(point, false);
  m_anchorPoint = scalePoint(pixel);
  m_dragOffset = pixel - m_selectionRect.topLeft();
  m_haveDragged = false;
  m_constrainedDrag = modifiers & kShiftKeyMask;
  m_constrainX = kUndecidedAxis;
  const QSizeF size = paintingSize();
  m_containDrag = !(modifiers & kCommandKeyMask) && size.width() > m_selectionRect.width() &&
                  size.height() > m_selectionRect.height();
  update();
}

void DRPaintView::continueMoveDrag(QPointF point) {
  if (!m_viewController || !m_floatingPixmap) return;
  const QPointF pixel = normalizePoint(point, false);
  if (m_constrainX == kUndecidedAxis) {
    const QPointF view = scalePoint(pixel);
    m_constrainX = std::abs(view.y() - m_anchorPoint.y()) > std::abs(view.x() - m_anchorPoint.x()) ? 1 : 0;
    if (m_trackUndoID == kNoUndoID) m_trackUndoID = m_viewController->newUndoID();
  }
  ensureScrollTimer();
  QPointF origin = pixel - m_dragOffset;
  if (m_constrainedDrag) {
    if (m_constrainX)
      origin.setX(m_selectionRect.x());
    else
      origin.setY(m_selectionRect.y());
  }
  if (m_containDrag) {
    const QSizeF size = paintingSize();
    origin.setX(std::clamp(float(origin.x()), 0.0f, float(size.width() - m_selectionRect.width())));
    origin.setY(std::clamp(float(origin.y()), 0.0f, float(size.height() - m_selectionRect.height())));
  }
  if (origin == m_selectionRect.topLeft()) return;
  if (!m_viewController->setUndoID(m_trackUndoID, kUndoDrag)) return;
  const QPointF delta = origin - m_selectionRect.topLeft();
  m_floatingRect.translate(delta);
  m_moveOffset += delta;
  if (m_windowController) {
    m_windowController->setDeltaStatusX(MeasureFromDouble(m_moveOffset.x() * kMeasurePerPoint),
                                        MeasureFromDouble(m_moveOffset.y() * kMeasurePerPoint));
  }
  m_selectionRect.moveTo(origin);
  update();
}

// ---- Resizing the painting ---------------------------------------------------------------------------

void DRPaintView::continueResizeDrag(QPointF point) {
  if (!m_viewController) return;
  const MeasureUnit oldWidth = m_viewController->width();
  const MeasureUnit oldHeight = m_viewController->height();
  auto side = [this](double value, double offset, MeasureUnit old) {
    const double pixels = (value - offset - g_paintGutter) / m_zoomValue;
    if (!(pixels > 0)) return old;
    // A side no pixmap may have is held at the largest one.
    return RoundMeasure(MeasureFromDouble(std::min(pixels, double(kMaxPixmapSide)) * kMeasurePerPoint),
                        kMeasurePerPoint);
  };
  MeasureUnit width = side(point.x(), m_dragOffset.x(), oldWidth);
  MeasureUnit height = side(point.y(), m_dragOffset.y(), oldHeight);
  width = std::max<MeasureUnit>(width, kMeasurePerPoint);
  height = std::max<MeasureUnit>(height, kMeasurePerPoint);
  // Nor more pixels than a pixmap holds: the side that grew gives way.
  const int64_t columns = width / kMeasurePerPoint;
  const int64_t rows = height / kMeasurePerPoint;
  if (columns * rows > kMaxPixmapPixels) {
    if (height != oldHeight)
      height = (kMaxPixmapPixels / columns) * kMeasurePerPoint;
    else
      width = (kMaxPixmapPixels / rows) * kMeasurePerPoint;
  }
  if (width == oldWidth && height == oldHeight) return;
  const double zoom = m_zoomValue;
  const double oldRight = double(oldWidth) / kMeasurePerPoint * zoom + g_paintGutter;
  const double newRight = double(width) / kMeasurePerPoint * zoom + g_paintGutter;
  const double oldBottom = double(oldHeight) / kMeasurePerPoint * zoom + g_paintGutter;
  const double newBottom = double(height) / kMeasurePerPoint * zoom + g_paintGutter;
  update(QRectF(std::min(oldRight, newRight) - g_casingEdge, 0, std::abs(newRight - oldRight) + 2 * g_casingEdge,
                this->height())
             .toAlignedRect());
  update(QRectF(0, std::min(oldBottom, newBottom) - g_casingEdge, this->width(),
                std::abs(newBottom - oldBottom) + 2 * g_casingEdge)
             .toAlignedRect());
  QVariantMap info{{QStringLiteral("transient"), true}, {QStringLiteral("resizing"), true}};
  if (width != oldWidth) info.insert(QStringLiteral("width"), NumberWithMeasure(width));
  if (height != oldHeight) info.insert(QStringLiteral("height"), NumberWithMeasure(height));
  NotificationCenter::defaultCenter().post(g_sizeChangeNotification, notificationWindow(), info);
  if (m_windowController) m_windowController->setSizeStatusWidth(width, height);
}

void DRPaintView::finishResizeDrag() {
  // Only a size that differs from the painting's is a resize: a press on the
  // corner without movement must leave no step and no edited mark.
  if (m_viewController) m_viewController->resizePainting(true);
}
