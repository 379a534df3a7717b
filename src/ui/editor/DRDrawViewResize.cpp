// Resizing one element by a grab dot: a frame dot moves a corner or a side
// while the opposite one stays (or, for an element that resizes from its
// centre, grows the frame about the centre); a line's end dot moves that
// end. Option reverses the element's own constraint for the drag.

#include <QSizeF>
#include <algorithm>
#include <cmath>
#include <optional>

#include "model/DRElement.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementLine.h"
#include "model/DRPainting.h"
#include "model/GeometryHelpers.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorEvents.h"

namespace {

constexpr int kUndoActionChange = 1;
constexpr int kDescriptorSize = 60;

// A distance in single precision, never below 0.
double Max0(double value) {
  const float f = float(value);
  return f > 0 ? double(f) : 0.0;
}

// Original height over original width; 0 when either is missing.
double OriginalRatio(const DRElement* element) {
  double width = double(element->originalSize().x), height = double(element->originalSize().y);
  if (const auto* bitmap = dynamic_cast<const DRElementBitmap*>(element)) {
    if (const DRPainting* painting = bitmap->painting().get()) {
      width = painting->originalSize().width();
      height = painting->originalSize().height();
    }
  }
  if (!(width > 0) || !(height > 0)) return 0;
  const double ratio = height / width;
  return std::isfinite(ratio) ? ratio : 0;
}

// The corner of the rectangle that a corner dot drags, through which the
// guide lines run; none for a side dot.
std::optional<QPointF> DraggedCorner(int grabDot, const QRectF& rect) {
  switch (grabDot) {
    case 0:
      return rect.topLeft();
    case 2:
      return rect.topRight();
    case 4:
      return rect.bottomRight();
    case 6:
      return rect.bottomLeft();
    default:
      return std::nullopt;
  }
}

}  // namespace

void DRDrawView::startResizeDrag(QPointF point, uint32_t modifiers) {
  DRElement* element = m_dragElement;
  if (!element) return;
  element->setSuppressCasing(true);
  element->setResizing(true);
  invalidateElement(element);
  m_dragLinePoint = point;
  m_trackUndoID = m_viewController ? m_viewController->newUndoID() : kNoUndoID;
  // Option reverses the element's own setting for this drag.
  m_constrainedDrag = ((modifiers & kOptionKeyMask) != 0) != element->isConstrained();

  if (m_grabDot == kGrabDotLineStart || m_grabDot == kGrabDotLineEnd) {
    auto* line = dynamic_cast<DRElementLine*>(element);
    if (!line) {
      m_trackType = kTrackNone;
      return;
    }
    line->setUnderConstruction(true);
    const bool start = m_grabDot == kGrabDotLineStart;
    const QPointF moving = ConvertMeasurePoint(start ? line->startPoint() : line->endPoint());
    m_anchorPoint = ConvertMeasurePoint(start ? line->endPoint() : line->startPoint());
    m_dragOffset = point - moving;
  } else {
    const QRectF f = ConvertMeasureRect(element->frame());
    const double x = f.x(), y = f.y(), w = f.width(), h = f.height();
    QPointF anchor(x, y);
    QPointF offset;
    switch (m_grabDot) {
      case 0:
        anchor = QPointF(x + w, y + h);
        offset = QPointF(point.x() - x, point.y() - y);
        break;
      case 1:
        anchor = QPointF(x, y + std::floor(h));
        offset = QPointF(0, point.y() - y);
        break;
      case 2:
        anchor = QPointF(x, y + h);
        offset = QPointF(point.x() - (x + w), point.y() - y);
        break;
      case 3:
        offset = QPointF(point.x() - (x + std::floor(w)), 0);
        break;
      case 4:
        offset = QPointF(point.x() - (x + w), point.y() - (y + h));
        break;
      case 5:
        offset = QPointF(0, point.y() - (y + std::floor(h)));
        break;
      case 6:
        anchor = QPointF(x + w, y);
        offset = QPointF(point.x() - x, point.y() - (y + h));
        break;
      case 7:
        anchor = QPointF(x + std::floor(w), y);
        offset = QPointF(point.x() - x, 0);
        break;
      default:
        break;
    }
    if (element->resizeFromCenter()) anchor = QPointF(x + w / 2, y + h / 2);
    m_anchorPoint = anchor;
    m_dragOffset = offset;
  }
  m_dragLinePoint = point - m_dragOffset;
  setContainsLine();
}

void DRDrawView::continueResizeDrag(QPointF point) {
  DRElement* element = m_dragElement;
  if (!element) return;
  ensureScrollTimer();
  const QPointF p(std::max(0.0, point.x() - m_dragOffset.x()), std::max(0.0, point.y() - m_dragOffset.y()));

  if (m_grabDot == kGrabDotLineStart || m_grabDot == kGrabDotLineEnd) {
    auto* line = dynamic_cast<DRElementLine*>(element);
    if (!line) return;
    const QPointF end = m_constrainedDrag ? ConstrainLine(p, m_anchorPoint, QRectF(), float(m_zoomValue))
                                          : IntegralPoint(p, float(m_zoomValue));
    const CSPoint moved = ConvertViewPoint(end.x(), end.y());
    const bool start = m_grabDot == kGrabDotLineStart;
    if (moved == (start ? line->startPoint() : line->endPoint())) return;
    if (!openUndoEntry(m_trackUndoID, kUndoActionChange, kDescriptorSize)) return;
    invalidateElement(line);
    if (start)
      line->setStartPoint(moved);
    else
      line->setEndPoint(moved);
    line->setFrame(RectFromPointsMU(line->startPoint(), line->endPoint()));
    m_dragLinePoint = ConvertMeasurePoint(moved);
  } else {
    const QRectF rect =
        m_constrainedDrag && element->constrainToOriginalSize() ? constrainAspectRatio(p) : newResizeRect(p);
    const CSRect frame = ConvertViewRect(rect);
    // Never a collapsed element, never one beyond the top or left edge.
    if (frame.x < 0 || frame.y < 0 || frame.width <= 0 || frame.height <= 0 || frame == element->frame()) return;
    if (!openUndoEntry(m_trackUndoID, kUndoActionChange, kDescriptorSize)) return;
    invalidateElement(element);
    element->setFrame(frame);
  }
  invalidateElement(element);
  updateStatusString();
  setDrawingFrame();
  updatePropertiesDelay(true);
}

void DRDrawView::finishResizeDrag() {
  DRElement* element = m_dragElement;
  if (!element) return;
  if (m_grabDot == kGrabDotLineStart || m_grabDot == kGrabDotLineEnd) element->setUnderConstruction(false);
  element->setSuppressCasing(false);
  element->setResizing(false);
  invalidateElement(element);
}

QRectF DRDrawView::newResizeRect(QPointF p) {
  DRElement* element = m_dragElement;
  if (!element || m_grabDot < 0 || m_grabDot > 7) return QRectF();
  const QRectF f = ConvertMeasureRect(element->frame());
  double x = f.x(), y = f.y(), w = f.width(), h = f.height();
  const QPointF a = m_anchorPoint;
  const bool k = m_constrainedDrag;
  m_dragLinePoint = p;

  if (!element->resizeFromCenter()) {
    switch (m_grabDot) {
      case 0:
        if (!k) {
          x = p.x();
          y = p.y();
          w = Max0(a.x() - p.x());
          h = Max0(a.y() - p.y());
        } else {
          const double s = Max0(a.x() - p.x());
          x = a.x() - s;
          y = a.y() - s;
          w = h = s;
        }
        break;
      case 1:
        y = p.y();
        h = Max0(a.y() - p.y());
        if (k) w = h;
        break;
      case 2:
        if (!k) {
          y = p.y();
          w = Max0(p.x() - a.x());
          h = Max0(a.y() - p.y());
        } else {
          const double s = Max0(p.x() - a.x());
          y = a.y() - s;
          w = h = s;
        }
        break;
      case 3:
        w = Max0(p.x() - a.x());
        if (k) h = w;
        break;
      case 4:
        if (!k) {
          w = Max0(p.x() - a.x());
          h = Max0(p.y() - a.y());
        } else {
          w = h = Max0(p.x() - a.x());
        }
        break;
      case 5:
        h = Max0(p.y() - a.y());
        if (k) w = h;
        break;
      case 6:
        if (!k) {
          x = p.x();
          w = Max0(a.x() - p.x());
          h = Max0(p.y() - a.y());
        } else {
          // Only this corner takes the larger of the two distances.
          const double s = Max0(std::max(a.x() - p.x(), p.y() - a.y()));
          x = a.x() - s;
          w = h = s;
        }
        break;
      case 7:
        x = p.x();
        w = Max0(a.x() - p.x());
        if (k) h = w;
        break;
      default:
        break;
    }
  } else {
    double dx = 0, dy = 0;
    switch (m_grabDot) {
      case 0:
        dx = std::fabs(a.x() - p.x());
        dy = k ? dx : a.y() - p.y();  // keeps its sign: below the centre it is refused
        break;
      case 2:
        dx = std::fabs(p.x() - a.x());
        dy = k ? dx : a.y() - p.y();
        break;
      case 4:
      case 6:
        dx = std::fabs(p.x() - a.x());
        dy = k ? dx : std::fabs(p.y() - a.y());
        break;
      case 1:
      case 5:
        dy = std::fabs(p.y() - a.y());
        y = a.y() - dy;
        h = 2 * dy;
        if (k) {
          x = a.x() - dy;
          w = 2 * dy;
        }
        break;
      case 3:
      case 7:
        dx = std::fabs(p.x() - a.x());
        x = a.x() - dx;
        w = 2 * dx;
        if (k) {
          y = a.y() - dx;
          h = 2 * dx;
        }
        break;
      default:
        break;
    }
    if (m_grabDot == 0 || m_grabDot == 2 || m_grabDot == 4 || m_grabDot == 6) {
      x = a.x() - dx;
      y = a.y() - dy;
      w = 2 * dx;
      h = 2 * dy;
    }
  }

  const QRectF result(x, y, w, h);
  if (const auto corner = DraggedCorner(m_grabDot, result)) m_dragLinePoint = *corner;
  return integralRect(result);
}

QRectF DRDrawView::constrainAspectRatio(QPointF p) {
  DRElement* element = m_dragElement;
  if (!element || m_grabDot < 0 || m_grabDot > 7) return QRectF();
  const double r = OriginalRatio(element);
  // Without proportions to keep, the plain constrained rectangle.
  if (r == 0) return newResizeRect(p);
  const QRectF f = ConvertMeasureRect(element->frame());
  double x = f.x(), y = f.y(), w = f.width(), h = f.height();
  const QPointF a = m_anchorPoint;
  const bool centre = element->resizeFromCenter();
  m_dragLinePoint = p;
  auto length = [centre](double signedLength) { return centre ? std::fabs(signedLength) : Max0(signedLength); };

  switch (m_grabDot) {
    case 0:
    case 2: {
      const double d = length(m_grabDot == 0 ? a.x() - p.x() : p.x() - a.x());
      if (centre) {
        w = 2 * d;
        h = 2 * r * d;
        x = a.x() - d;
        y = a.y() - r * d;
      } else {
        w = d;
        h = r * d;
        if (m_grabDot == 0) x = a.x() - d;
        y = a.y() - r * d;
      }
      break;
    }
    case 3:
    case 4:
    case 6:
    case 7: {
      const bool left = m_grabDot == 6 || m_grabDot == 7;
      const double d = length(left ? a.x() - p.x() : p.x() - a.x());
      if (centre) {
        w = 2 * d;
        h = r * w;
        x = a.x() - d;
        y = a.y() - r * d;
      } else {
        w = d;
        h = r * w;
        if (m_grabDot == 6) x = a.x() - d;
        if (m_grabDot == 7) x = p.x();
      }
      break;
    }
    case 1:
    case 5: {
      const double d = length(m_grabDot == 1 ? a.y() - p.y() : p.y() - a.y());
      if (centre) {
        h = 2 * d;
        w = 2 * d / r;
        x = a.x() - d / r;
        y = a.y() - d;
      } else {
        h = d;
        w = d / r;
        if (m_grabDot == 1) y = p.y();
      }
      break;
    }
    default:
      break;
  }

  if (const auto corner = DraggedCorner(m_grabDot, QRectF(x, y, w, h))) m_dragLinePoint = *corner;
  return integralRect(QRectF(x, y, w, h));
}

QRectF DRDrawView::integralRect(const QRectF& rect) const {
  float scale = 1.0f;
  QRectF r = rect;
  if (m_zoomValue > 1.0) {
    // Whole device pixels: at zoom 3 thirds of a point.
    scale = std::floor(float(m_zoomValue) + 0.5f);
    r = QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
  }
  const float x = std::floor(float(r.x())), y = std::floor(float(r.y()));
  const float width = std::ceil(float(r.x() + r.width() - x));
  const float height = r.width() == r.height() ? width : std::ceil(float(r.y() + r.height() - y));
  QRectF result(x, y, width, height);
  if (m_zoomValue > 1.0)
    result = QRectF(result.x() / scale, result.y() / scale, result.width() / scale, result.height() / scale);
  return result;
}
