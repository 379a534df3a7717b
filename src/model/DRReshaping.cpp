// Reshape mode of the scribble family, the element's side: finding the
// handle under the pointer, dragging vertices, inserting and deleting them,
// and drawing the handles. The canvas owns the mode, its undo entry and its
// notifications; the element is under construction throughout, so its
// points are absolute canvas measures.

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/DRElementHostingView.h"
#include "model/DRElementScribble.h"
#include "model/SpecialtyDrawing.h"
#include "support/CSAttributedString.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/TextDrawing.h"

bool g_showReshapeIndexes = false;

namespace {

// A handle is hit inside its square grown by this much (points).
constexpr double kHandleSlop = 1.0;
// Insertion on a straight segment: this close to its line (points).
constexpr float kSegmentSlop = 3.0f;

}  // namespace

double DRElementScribble::ZoomOf(const DRElementHostingView* view) {
  if (!view) return 1.0;
  const std::optional<double> zoom = view->zoomValue();
  return zoom && *zoom > 0 && std::isfinite(*zoom) ? *zoom : 1.0;
}

QRectF DRElementScribble::vertexRectForPoint(const QPointF& point, double zoom) {
  const double side = kGrabDotSize / zoom;
  return QRectF(point.x() - side / 2, point.y() - side / 2, side, side);
}

void DRElementScribble::startReshapeDrag(const QPointF& point, uint64_t modifiers, DRElementHostingView* view) {
  const uint64_t both = kReshapeShiftKey | kReshapeOptionKey;
  m_alignDrag = (modifiers & both) == both;
  if (m_alignDrag) modifiers &= ~both;
  ReshapeBestFit fit;
  findReshapePoint(point, &fit, view);
  performReshapeDrag(point, &fit, modifiers, view);
}

void DRElementScribble::findReshapePoint(const QPointF& point, ReshapeBestFit* fit, DRElementHostingView* view) const {
  fit->zoom = ZoomOf(view);
  fit->index = -1;
  fit->control = -1;
  fit->rect = ConvertMeasureRect(frame());
  for (size_t i = 0; i < points().size(); ++i) {
    if (testHit(fit, point, points()[i], false)) fit->index = int64_t(i);
  }
}

bool DRElementScribble::testHit(ReshapeBestFit* fit, const QPointF& point, CSPoint shapePoint,
                                bool allowEquality) const {
  const QPointF centre = convertPoint(shapePoint, fit->rect, originalSizeInView());
  const QRectF square =
      vertexRectForPoint(centre, fit->zoom).adjusted(-kHandleSlop, -kHandleSlop, kHandleSlop, kHandleSlop);
  if (!square.contains(point)) return false;
  const double d = double(float(std::hypot(point.x() - centre.x(), point.y() - centre.y())));
  if (fit->index < 0 || d < fit->distance || (d == fit->distance && allowEquality)) {
    fit->distance = d;
    fit->hitPoint = centre;
    return true;
  }
  return false;
}

void DRElementScribble::performReshapeDrag(const QPointF& point, ReshapeBestFit* fit, uint64_t modifiers,
                                           DRElementHostingView* view) {
  m_reshapePoint = -1;
  const bool option = (modifiers & kReshapeOptionKey) != 0 && elementType() != kElementBentLine;
  if (fit->index < 0) {
    if (option) {
      const int64_t index = addIndexForPoint(point);
      if (index >= 0) addPoint(ConvertViewPoint(point.x(), point.y()), uint64_t(index), view);
    }
    return;
  }
  if (option && points().size() > 3) {
    deletePointatIndex(uint64_t(fit->index), view);
    return;
  }
  m_constrainedDrag = (modifiers & kReshapeShiftKey) != 0;
  m_constrainX = kConstrainUndecided;
  m_reshapePoint = fit->index;
  m_initialPoint = point;
  m_dragOffset = point - fit->hitPoint;
}

void DRElementScribble::continueReshapeDrag(const QPointF& pointer, DRElementHostingView* view) {
  if (m_reshapePoint < 0 || size_t(m_reshapePoint) >= points().size()) return;
  QPointF p = pointer;
  if (m_constrainedDrag) {
    if (m_constrainX == kConstrainUndecided)
      m_constrainX = std::abs(p.x() - m_initialPoint.x()) < std::abs(p.y() - m_initialPoint.y()) ? 1 : 0;
    if (m_constrainX == 1)
      p.setX(m_initialPoint.x());
    else
      p.setY(m_initialPoint.y());
  }
  CSPoint q = ConvertViewPoint(std::max(0.0, p.x() - m_dragOffset.x()), std::max(0.0, p.y() - m_dragOffset.y()));
  if (m_alignDrag) {
    MeasureUnit bestX = q.x, bestY = q.y;
    MeasureUnit distanceX = kReshapeSnapDistance, distanceY = kReshapeSnapDistance;
    for (size_t i = 0; i < points().size(); ++i) {
      if (int64_t(i) == m_reshapePoint) continue;
      const CSPoint v = points()[i];
      const MeasureUnit dx = v.x > q.x ? v.x - q.x : q.x - v.x;
      const MeasureUnit dy = v.y > q.y ? v.y - q.y : q.y - v.y;
      if (dx < distanceX) {
        distanceX = dx;
        bestX = v.x;
      }
      if (dy < distanceY) {
        distanceY = dy;
        bestY = v.y;
      }
    }
    q = CSPoint{bestX, bestY};
  }
  if (!(q == points()[size_t(m_reshapePoint)])) movePoint(q, uint64_t(m_reshapePoint), view);
}

void DRElementScribble::finishReshapeDrag() {
  m_reshapePoint = -1;
}

int64_t DRElementScribble::addIndexForPoint(const QPointF& point) const {
  const size_t n = points().size();
  if (n < 2) return -1;
  const QPointF size = originalSizeInView();
  const QRectF rect = ConvertMeasureRect(frame());
  auto hits = [&](size_t a, size_t b) {
    const QPointF pa = convertPoint(points()[a], rect, size);
    const QPointF pb = convertPoint(points()[b], rect, size);
    const QPointF foot = MapPointToLine(point, pa, pb);
    const float d = float(std::hypot(point.x() - foot.x(), point.y() - foot.y()));
    if (d > kSegmentSlop) return false;
    return RectFromPoints(pa, pb).adjusted(-1.0, -1.0, 1.0, 1.0).contains(point);
  };
  for (size_t i = 1; i < n; ++i) {
    if (hits(i - 1, i)) return int64_t(i);
  }
  if (canDrawClosed() && hits(n - 1, 0)) return 0;
  return -1;
}

void DRElementScribble::addPoint(CSPoint point, uint64_t index, DRElementHostingView* view) {
  if (view) view->invalidateElement(this);
  if (index == 0 || index >= points().size())
    points().push_back(point);
  else
    points().insert(points().begin() + ptrdiff_t(index), point);
  if (isUnderConstruction()) setFrameFromPoints();
  if (view) {
    view->invalidateElement(this);
    view->updateDragPoint(ConvertMeasurePoint(point));
  }
}

void DRElementScribble::deletePointatIndex(uint64_t index, DRElementHostingView* view) {
  if (index >= points().size()) return;
  if (view) view->invalidateElement(this);
  points().erase(points().begin() + ptrdiff_t(index));
  setFrameFromPoints();
  if (view) view->invalidateElement(this);
}

void DRElementScribble::movePoint(CSPoint point, uint64_t index, DRElementHostingView* view) {
  if (index >= points().size()) return;
  if (view) view->invalidateElement(this);
  points()[size_t(index)] = point;
  setFrameFromPoints();
  if (view) {
    view->invalidateElement(this);
    view->updateDragPoint(ConvertMeasurePoint(point));
  }
}

void DRElementScribble::drawReshapePointsForRect(const QRectF& rect, DRElementHostingView* view) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const double zoom = ZoomOf(view);
  const QPointF size = originalSizeInView();
  const QColor casing = ColorFromKolor(g_casingColor);
  QPainterPath squares;
  const QFont font = SystemFont(SmallSystemFontSize());
  for (size_t i = 0; i < points().size(); ++i) {
    const QPointF centre = convertPoint(points()[i], rect, size);
    const QRectF square = vertexRectForPoint(centre, zoom);
    squares.addRect(square);
    if (!g_showReshapeIndexes) continue;
    const CSAttributedString label = AttributedStringFromString(QString::number(i), &font, 100, casing);
    const QSizeF labelSize = SizeOfAttributedString(label);
    QTextLayout layout(label.string(), font, TextReferenceDevice());
    layout.setFormats(label.formatRanges());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid()) continue;
    painter->save();
    painter->setPen(casing);
    layout.draw(painter, QPointF(square.right() + 4.0, centre.y() - std::floor(labelSize.height() * 0.5)));
    painter->restore();
  }
  QPen pen(casing, 1.0 / zoom);
  painter->save();
  painter->setBrush(Qt::NoBrush);
  painter->strokePath(squares, pen);
  painter->restore();
}
