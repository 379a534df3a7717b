#include "ui/shell/CSScroller.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionSlider>

#include "support/CSCore.h"
#include "support/Kolor.h"
#include "ui/shell/FlippedArc.h"

namespace {

// A knob this far from the scroll bar's sides at the regular size, and
// closer on a thinner scroll bar.
constexpr double kRegularKnobInset = 3.0;
constexpr double kSmallKnobInset = 2.0;
constexpr int kRegularThickness = 14;

struct KnobColors {
  QColor fill = ColorFromKolor(0x64464646);
  QColor highlight = ColorFromKolor(0x648C8C8C);
  QColor outline = ColorFromKolor(0x64181818);
};

const KnobColors& Knob() {
  static const KnobColors colors;
  return colors;
}

bool g_grooveMade = false;
CSScrollerGrooveColors g_groove;

}  // namespace

CSScroller::CSScroller(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

void CSScroller::setupDarkGroove() {
  if (g_grooveMade) return;
  g_grooveMade = true;
  g_groove.edge = ColorFromKolor(0x64383838);
  g_groove.fill = ColorFromKolor(0x641F1F1F);
  g_groove.noKnobFill = ColorFromKolor(0x642F2F2F);
  SetScrollerGrooveColorsProvider([] { return grooveColors(); });
}

CSScrollerGrooveColors CSScroller::grooveColors() {
  setupDarkGroove();
  return g_groove;
}

double CSScroller::knobProportion() const {
  const double range = double(maximum()) - double(minimum());
  if (range <= 0) return 0;
  return double(pageStep()) / (range + double(pageStep()));
}

QRectF CSScroller::knobRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return QRectF(style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this));
}

void CSScroller::drawKnobSlotInRect(QPainter* painter, const QRectF& slot, bool) {
  const CSScrollerGrooveColors colors = grooveColors();
  painter->fillRect(slot, isEnabled() && knobProportion() != 0 ? colors.fill : colors.noKnobFill);
  painter->setPen(QPen(colors.edge, 1.0, Qt::SolidLine, Qt::FlatCap));
  if (horizontal()) {
    painter->drawLine(QLineF(slot.left(), slot.top() + 0.5, slot.right(), slot.top() + 0.5));
    painter->drawLine(QLineF(slot.left(), slot.bottom() - 0.5, slot.right(), slot.bottom() - 0.5));
  } else {
    painter->drawLine(QLineF(slot.left() + 0.5, slot.top(), slot.left() + 0.5, slot.bottom()));
    painter->drawLine(QLineF(slot.right() - 0.5, slot.top(), slot.right() - 0.5, slot.bottom()));
  }
}

void CSScroller::drawKnob(QPainter* painter) {
  const QRectF knob = knobRect();
  if (knob.isEmpty()) return;
  const int thickness = horizontal() ? height() : width();
  const double inset = thickness >= kRegularThickness ? kRegularKnobInset : kSmallKnobInset;
  QPainterPath path;
  if (horizontal()) {
    const double r = knob.height() / 2 - inset;
    if (r <= 0) return;
    const double y = knob.y() + knob.height() - inset - r;
    path.moveTo(knob.x() + r, knob.y() + knob.height() - inset);
    AppendFlippedArc(path, QPointF(knob.x() + r, y), r, 90, 270, false);
    AppendFlippedArc(path, QPointF(knob.x() + knob.width() - r, y), r, 270, 90, false);
  } else {
    const double r = knob.width() / 2 - inset;
    if (r <= 0) return;
    path.moveTo(knob.x() + inset, knob.y() + r);
    AppendFlippedArc(path, QPointF(knob.x() + inset + r, knob.y() + r), r, 180, 0, false);
    AppendFlippedArc(path, QPointF(knob.x() + inset + r, knob.y() + knob.height() - r), r, 0, 180, false);
  }
  path.closeSubpath();
  const KnobColors& colors = Knob();
  painter->fillPath(path, m_highlighted ? colors.highlight : colors.fill);
  painter->setPen(QPen(colors.outline, 1.0));
  painter->drawPath(path);
}

void CSScroller::paintEvent(QPaintEvent* event) {
  if (!g_darkMode) {
    QScrollBar::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  drawKnobSlotInRect(&painter, QRectF(rect()), m_highlighted);
  if (isEnabled() && knobProportion() != 0) drawKnob(&painter);
}

void CSScroller::enterEvent(QEnterEvent* event) {
  QScrollBar::enterEvent(event);
  m_highlighted = true;
  update();
}

void CSScroller::leaveEvent(QEvent* event) {
  QScrollBar::leaveEvent(event);
  m_highlighted = false;
  update();
}
