#include "ui/inspector/DRToolCells.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <array>
#include <cmath>

#include "model/GeometryHelpers.h"
#include "model/GraphicHelpers.h"
#include "support/CSCore.h"
#include "support/GraphicsContext.h"

namespace {

// The outline colour of the shapes: black, or grey 3 on the dark appearance.
Kolor StrokeKolor() {
  return g_darkMode ? g_lightGrayKolor : g_blackKolor;
}

// The fill of an unselected polygon or selection shape.
QColor ShapeFill(bool selected) {
  if (selected) return ColorFromKolor(g_polygonFillKolor);
  return GrayColor(g_darkMode ? 4 : 3);
}

}  // namespace

// ---- Option buttons ---------------------------------------------------------------------------

DROptionCell::DROptionCell(int tag, QWidget* parent) : QAbstractButton(parent), m_tag(tag) {
  setCheckable(true);
}

void DROptionCell::addToGroup(QButtonGroup* group) {
  if (!group) return;
  group->setExclusive(true);
  group->addButton(this, m_tag);
}

void DROptionCell::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  drawInterior(painter, QRectF(rect()), isSelectedCell());
}

void DRBrushCell::drawBrushCell(QPainter& painter, const QRectF& frame, int tag, bool selected) {
  GraphicsContextScope scope(&painter);
  if (selected) painter.fillRect(frame, ColorFromKolor(g_polygonFillKolor));
  const QRectF inset = frame.adjusted(4.5, 4.5, -4.5, -4.5);
  if (inset.width() <= 0 || inset.height() <= 0) return;
  DrawBrush(tag, StrokeKolor(), inset.width(), inset.center().x(), inset.center().y());
}

void DRPolygonCell::drawPolygonCell(QPainter& painter, const QRectF& frame, int tag, bool selected) {
  const double side = std::min(frame.width(), frame.height());
  QRectF square(frame.x() + std::floor((frame.width() - side) / 2), frame.y() + std::floor((frame.height() - side) / 2),
                side, side);
  // The upright square fills its frame to the edges; pulled in, it looks
  // the size of the other polygons.
  if (tag == 4) square.adjust(2.5, 2.5, -2.5, -2.5);
  if (tag <= 0 || square.width() <= 0) return;
  std::array<QPointF, kMaxRegularPolyVertices> points;
  const int count = GetPointsForRegularPoly(tag, points.data(), square);
  if (count <= 0) return;
  QPainterPath path(points[0]);
  for (int i = 1; i < count; ++i) path.lineTo(points[size_t(i)]);
  path.closeSubpath();
  painter.save();
  painter.fillPath(path, ShapeFill(selected));
  painter.strokePath(path, QPen(ColorFromKolor(StrokeKolor()), 1.0));
  painter.restore();
}

void DRSelectionCell::drawSelectionCell(QPainter& painter, const QRectF& frame, int tag, bool selected) {
  const QRectF inset = frame.adjusted(2.5, 2.5, -2.5, -2.5);
  if (inset.width() <= 0 || inset.height() <= 0) return;
  const double x = inset.x(), y = inset.y(), w = inset.width(), h = inset.height();
  const double t = std::floor(h / 3);
  QPainterPath path;
  if (tag == 2) {
    path.moveTo(x + w / 2, y);
    path.lineTo(x + w, y + t);
    path.lineTo(x + w, y + h);
    path.lineTo(x + w / 2, y + h - t);
    path.lineTo(x, y + h);
    path.lineTo(x, y + t);
    path.closeSubpath();
  } else if (tag == 1) {
    // A loose, slightly lopsided loop, as a hand draws a lasso.
    path.moveTo(x + w / 2, y);
    path.cubicTo(x + w * 0.95, y, x + w, y + h * 0.3, x + w * 0.9, y + h * 0.55);
    path.cubicTo(x + w * 0.8, y + h * 0.85, x + w * 0.55, y + h, x + w * 0.35, y + h * 0.9);
    path.cubicTo(x + w * 0.1, y + h * 0.8, x, y + h * 0.5, x + w * 0.08, y + h * 0.25);
    path.cubicTo(x + w * 0.15, y + h * 0.05, x + w * 0.3, y, x + w / 2, y);
    path.closeSubpath();
  } else {
    path.addRect(inset);
  }
  painter.save();
  painter.fillPath(path, ShapeFill(selected));
  QPen pen(ColorFromKolor(StrokeKolor()), 1.0);
  pen.setDashPattern({5.0, 2.0});  // in line widths, which are 1 point here
  painter.strokePath(path, pen);
  painter.restore();
}

// ---- Arrow lists ------------------------------------------------------------------------------

void DRArrowCell::drawArrowCell(QPainter& painter, const QRectF& frame, const DRArrow& arrow, const QWidget* view) {
  QRectF sample = frame;
  for (const QWidget* widget = view; widget; widget = widget->parentWidget()) {
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget)) {
      const QScrollBar* scroller = area->verticalScrollBar();
      if (scroller && scroller->isVisible()) sample.setWidth(std::max(0.0, sample.width() - scroller->width()));
      break;
    }
  }
  GraphicsContextScope scope(&painter);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  arrow.drawSampleInRect(sample, kSampleInset, g_darkMode ? g_whiteKolor : g_blackKolor);
  painter.restore();
}

void DRArrowCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  if (!painter) return;
  QStyleOptionViewItem panel = option;
  initStyleOption(&panel, index);
  panel.text.clear();
  const QWidget* view = option.widget;
  QStyle* style = view ? view->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, view);

  const QVariant value = index.data(kArrowRole);
  if (value.metaType() == QMetaType::fromType<DRArrow>()) {
    drawArrowCell(*painter, QRectF(option.rect), value.value<DRArrow>(), view);
  } else if (m_arrow) {
    drawArrowCell(*painter, QRectF(option.rect), *m_arrow, view);
  }
}

QSize DRArrowCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  (void)index;
  return QSize(std::max(option.rect.width(), 96), 22);
}
