// The canvas's internals: installing the element a tool made, ending polygon
// building, the overlays drawn over the drawing, autoscroll and the status
// line.

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementLine.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/SpecialtyDrawing.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"

namespace {

// A new element must be larger than a point to stay.
constexpr MeasureUnit kSmallestNewElement = 12700;
// A new text narrower than this is widened: to kClickTextWidth for a click
// (and sized to its text), else to kNarrowTextWidth.
constexpr MeasureUnit kNarrowestText = 228600;
constexpr MeasureUnit kClickTextWidth = 685800;
constexpr MeasureUnit kNarrowTextWidth = 914400;
// The autoscroll timer's interval; every second tick acts.
constexpr int kScrollTimerMs = 50;
constexpr uint64_t kScrollTicks = 2;

// The overlays' colours.
constexpr Kolor g_highlightColor = 0x1EFF9F7B;
constexpr Kolor g_outlineColor = 0x1EFF2626;
constexpr Kolor g_dragLineColor = 0x6419FF19;
constexpr Kolor g_polygonExtensionColor = 0x64FF1919;

void StrokePath(QPainter* painter, const QPainterPath& path, Kolor kolor, double width) {
  painter->save();
  painter->setBrush(Qt::NoBrush);
  painter->setPen(QPen(ColorFromKolor(kolor), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->drawPath(path);
  painter->restore();
}

}  // namespace

// ---- New elements and polygons ---------------------------------------------------------------

void DRDrawView::installNewElement() {
  if (!m_newElement) return;
  DRElement* element = m_newElement.get();
  CSRect frame = element->frame();
  const int32_t type = element->elementType();

  if (type == kElementText) {
    if (frame.height == 0) {
      // A click without a drag: one line of the current font at the click.
      const CSPoint anchor = ConvertViewPoint(m_anchorPoint.x(), m_anchorPoint.y());
      frame.x = anchor.x;
      frame.y = anchor.y;
      frame.height = MeasureFromDouble(m_textHeight * double(kMeasurePerPoint));
    }
    // A text is never narrower than its own minimum, so the width the tool
    // drag asked for decides.
    if (m_newTextWidth < kNarrowestText) {
      if (m_newTextWidth == 0) {
        if (auto* text = dynamic_cast<DRElementText*>(element)) text->setAutoSize(true);
        frame.width = kClickTextWidth;
      } else {
        frame.width = kNarrowTextWidth;
      }
    }
    element->setFrame(frame);
    invalidateElement(element);
  } else {
    const bool wide = frame.width > kSmallestNewElement, high = frame.height > kSmallestNewElement;
    bool keep;
    if (type == kElementLine) {
      keep = wide || high;
    } else if (type == kElementBentLine) {
      const auto* bent = dynamic_cast<const DRElementScribble*>(element);
      keep = bent && !bent->points().empty() && (wide || high);
    } else {
      keep = wide && high;
    }
    // A shape taken out of the drawing to add vertices to always goes back:
    // dropping it would lose it together with the entry that could restore
    // it.
    if (!keep && !m_newElementResumed) {
      // Too small to see: it goes with the undo entry that announced it.
      if (m_viewController) m_viewController->undoManager().popUndo();
      m_newElement.reset();
      return;
    }
  }
  m_newElementResumed = false;
  if (!m_drawing) {
    m_newElement.reset();
    return;
  }

  element->setUnderConstruction(false);
  m_drawing->elements().push_back(std::move(m_newElement));
  addToSelection(element);
  selectionDidChange();
  if (type == kElementText) startTyping(dynamic_cast<DRElementText*>(element), nullptr);
  m_newElement.reset();
}

void DRDrawView::stopPolygon(bool autoClose) {
  stopScrollTimer();
  if (!m_creatingPolygon) return;
  m_creatingPolygon = false;
  invalidatePolygonExtension();
  DRElement* element = m_newElement.get();
  if (auto* shape = dynamic_cast<DRElementScribble*>(element)) shape->setAutoClose(autoClose);
  if (element) invalidateElement(element);
  installNewElement();
  if (element && m_drawing) {
    const DRElementList& elements = m_drawing->elements();
    const bool installed =
        std::any_of(elements.begin(), elements.end(), [element](const auto& e) { return e.get() == element; });
    if (installed) invalidateElement(element);
  }
  if (EditorPrefs().resetTool()) forceSelectTool();
}

void DRDrawView::invalidatePolygonExtension() {
  invalidateRect(m_polygonExtension);
  if (!m_drawing) return;
  // Lines crossed by the rubber line are drawn again whole.
  for (const auto& element : m_drawing->elements()) {
    if (!element || element->elementType() != kElementLine) continue;
    const QRectF bounds = ConvertMeasureRect(element->bounds(false));
    if (bounds.intersects(m_polygonExtension)) invalidateRect(bounds);
  }
}

// ---- Overlays ---------------------------------------------------------------------------------

void DRDrawView::drawTransientState(bool onScreen) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const double pixel = 1.0 / m_zoomValue;

  if (m_highlightRect.width() != 0 && m_highlightRect.height() != 0) {
    // The rubber band.
    painter->fillRect(m_highlightRect, ColorFromKolor(g_highlightColor));
    QPainterPath outline;
    outline.addRect(m_highlightRect.normalized().adjusted(pixel / 2, pixel / 2, -pixel / 2, -pixel / 2));
    StrokePath(painter, outline, g_outlineColor, pixel);
  } else if (m_creatingPolygon && m_previousPoint != m_currentPolygonPoint) {
    QPainterPath line(m_previousPoint);
    line.lineTo(m_currentPolygonPoint);
    StrokePath(painter, line, g_polygonExtensionColor, 1.0);
  } else if (m_typingView) {
    const QRectF frame = QRectF(m_typingView->geometry());
    QPainterPath path;
    path.addRect(QRectF(frame.x() / m_zoomValue, frame.y() / m_zoomValue, frame.width() / m_zoomValue,
                        frame.height() / m_zoomValue)
                     .adjusted(-2, -2, 2, 2));
    StrokePath(painter, path, g_casingColor, 4.0);
  }

  if (EditorPrefs().showDragLines()) {
    QPainterPath guides;
    if (m_dragLinePoint.x() >= 0 && m_dragLinePoint.y() >= 0)
      setNewConstructionBezier(&guides);
    else if (m_dragElement)
      setMoveBezier(&guides);
    if (!guides.isEmpty()) StrokePath(painter, guides, g_dragLineColor, pixel);
  }

  if (onScreen && !m_drawToClip && m_drawDragFocusRing) {
    QPainterPath ring;
    ring.addRect(visibleRect().adjusted(2, 2, -2, -2));
    StrokePath(painter, ring, g_dragRingKolor, 4.0);
  }
}

void DRDrawView::setNewConstructionBezier(QPainterPath* path) const {
  const double h = 1.0 / (2.0 * m_zoomValue);
  const QRectF bounds(0, 0, width() / m_zoomValue, height() / m_zoomValue);
  const QPointF p = m_dragLinePoint;
  path->moveTo(bounds.left(), p.y() + h);
  path->lineTo(bounds.right(), p.y() + h);
  path->moveTo(p.x() + h, bounds.top());
  path->lineTo(p.x() + h, bounds.bottom());
  const double d = std::max({p.x() - bounds.left(), bounds.right() - p.x(), p.y() - bounds.top(),
                             bounds.bottom() - p.y()});
  path->moveTo(p.x() - d + h, p.y() + d + h);
  path->lineTo(p.x() + d + h, p.y() - d + h);
  path->moveTo(p.x() - d, p.y() - d);
  path->lineTo(p.x() + d, p.y() + d);
}

void DRDrawView::setMoveBezier(QPainterPath* path) const {
  const double h = 1.0 / (2.0 * m_zoomValue);
  const QRectF bounds(0, 0, width() / m_zoomValue, height() / m_zoomValue);
  const QRectF extent = ConvertMeasureRect(selectionExtent(false, true));
  path->moveTo(bounds.left(), extent.top() + h);
  path->lineTo(bounds.right(), extent.top() + h);
  path->moveTo(bounds.left(), extent.bottom() - h);
  path->lineTo(bounds.right(), extent.bottom() - h);
  path->moveTo(extent.left() + h, bounds.top());
  path->lineTo(extent.left() + h, bounds.bottom());
  path->moveTo(extent.right() - h, bounds.top());
  path->lineTo(extent.right() - h, bounds.bottom());
}

// ---- Autoscroll ---------------------------------------------------------------------------------

void DRDrawView::ensureScrollTimer() {
  if (m_scrollTimer) return;
  m_scrollTimer = new QTimer(this);
  m_scrollTimer->setInterval(kScrollTimerMs);
  m_timerPopCount = 0;
  connect(m_scrollTimer, &QTimer::timeout, this, &DRDrawView::scrollTimerFired);
  m_scrollTimer->start();
}

void DRDrawView::stopScrollTimer() {
  if (!m_scrollTimer) return;
  m_scrollTimer->stop();
  m_scrollTimer->deleteLater();
  m_scrollTimer = nullptr;
}

void DRDrawView::scrollTimerFired() {
  if (++m_timerPopCount < kScrollTicks) return;
  m_timerPopCount = 0;
  // Only while the pointer rests outside the visible part: the drag goes on
  // there as if the mouse had moved.
  const QPointF global = QCursor::pos();
  const QPointF local = mapFromGlobal(global);
  const QPointF point(local.x() / m_zoomValue, local.y() / m_zoomValue);
  if (visibleRect().contains(point)) return;
  QMouseEvent event(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  if (m_creatingPolygon) mouseMoved(&event);
  mouseDragged(&event);
}

// ---- Status line ---------------------------------------------------------------------------------

void DRDrawView::updateStatusString() {
  if (!m_windowController || !hasSuperview()) return;
  const CSRect extent = selectionExtent(false, true);
  if (extent.width == 0 && extent.height == 0) {
    m_windowController->setStatus(QString());
    return;
  }
  if (m_selection.size() == 1) {
    if (const auto* line = dynamic_cast<const DRElementLine*>(m_selection.front())) {
      // The ends on the page: a line's points are kept relative to its frame.
      const CSRect frame = line->frame();
      const bool absolute = line->isUnderConstruction();
      const CSPoint start = line->startPoint(), end = line->endPoint();
      const CSPoint offset = absolute ? CSPoint{} : CSPoint{frame.x, frame.y};
      m_windowController->setLineStatusFrom(CSPoint{start.x + offset.x, start.y + offset.y},
                                            CSPoint{end.x + offset.x, end.y + offset.y});
      return;
    }
  }
  m_windowController->setPositionStatusX(extent.x, extent.y, extent.width, extent.height);
}
