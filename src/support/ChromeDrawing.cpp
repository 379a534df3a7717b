#include "support/ChromeDrawing.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <utility>

#include "support/CSCore.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/Kolor.h"

namespace {

ScrollerGrooveColorsProvider& GrooveProvider() {
  static ScrollerGrooveColorsProvider provider;
  return provider;
}

QColor SelectedTextBackgroundColor() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    const QColor highlight = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    if (highlight.isValid()) return highlight;
  }
  return QColor(0x30, 0x8C, 0xC6);
}

}  // namespace

// ---- Flash bubble ----------------------------------------------------------

void DrawFlashBubble(const QRectF& rect, double growX, double growY, double backingScale, double progress) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const double t = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
  double k = 1.0;
  if (t <= kFlashBubbleRamp) {
    k = t / kFlashBubbleRamp;
  } else if (t >= 1.0 - kFlashBubbleRamp) {
    k = (1.0 - t) / kFlashBubbleRamp;
  }
  const QRectF grown = rect.adjusted(-k * growX, -k * growY, k * growX, k * growY);
  painter->fillRect(AdjustRectToPixelBoundary(grown, backingScale), SelectedTextBackgroundColor());
}

// ---- Scroll-view corner ----------------------------------------------------

void SetScrollerGrooveColorsProvider(ScrollerGrooveColorsProvider provider) {
  GrooveProvider() = std::move(provider);
}

CSScrollerGrooveColors DefaultScrollerGrooveColors() {
  return {QColor(0x40, 0x40, 0x40), QColor(0x2B, 0x2B, 0x2B), QColor(0x26, 0x26, 0x26)};
}

CSScrollerGrooveColors ScrollerGrooveColors() {
  const ScrollerGrooveColorsProvider& provider = GrooveProvider();
  return provider ? provider() : DefaultScrollerGrooveColors();
}

void DrawScrollViewCorner(bool atTop, bool knobShown, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  QColor fill = Qt::white;
  QColor edge = GrayColor(2);
  if (g_darkMode) {
    const CSScrollerGrooveColors colors = ScrollerGrooveColors();
    fill = knobShown ? colors.fill : colors.noKnobFill;
    edge = colors.edge;
  }
  painter->fillRect(rect, fill);

  const double x = rect.x();
  const double y = rect.y();
  QPainterPath path;
  if (atTop) {
    path.moveTo(x + 0.5, y + rect.height());
    path.lineTo(x + 0.5, y + 0.5);
    path.lineTo(x + rect.width(), y + 0.5);
  } else {
    path.moveTo(x + 0.5, y);
    path.lineTo(x + 0.5, y + rect.height() - 0.5);
    path.lineTo(x + rect.width(), y + rect.height() - 0.5);
  }
  painter->save();
  painter->setBrush(Qt::NoBrush);
  painter->setPen(QPen(edge, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->drawPath(path);
  painter->restore();
}

// ---- Check box -------------------------------------------------------------

void DrawQuartzCheckbox(bool checked, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  // Also refuses NaN sizes.
  if (!(rect.width() >= kMinCheckboxSize && rect.height() >= kMinCheckboxSize)) return;

  // One device pixel in user space; a transform that collapses x counts as 1.
  const QTransform& transform = painter->transform();
  const double scale = std::hypot(transform.m11(), transform.m12());
  const double pixel = scale > 0 && std::isfinite(scale) ? 1.0 / scale : 1.0;

  const QRectF box(rect.x(), rect.y() + 2, rect.width(), rect.height() - 2);
  constexpr double kRadius = 2.0;

  painter->save();
  QPainterPath shape;
  shape.addRoundedRect(box, kRadius, kRadius);
  // White at the top, the tint at the bottom of the y-down box.
  QLinearGradient gradient(box.left(), box.top(), box.left(), box.bottom());
  gradient.setColorAt(0, Qt::white);
  gradient.setColorAt(1, ColorFromKolor(checked ? 0x64FF816D : 0x64FFE3D9));
  painter->fillPath(shape, gradient);

  QPainterPath edge;
  const QRectF inset = box.adjusted(pixel / 2, pixel / 2, -pixel / 2, -pixel / 2);
  edge.addRoundedRect(inset, kRadius, kRadius);
  painter->strokePath(edge, QPen(GrayColor(4), pixel));

  if (checked) {
    QPainterPath mark;
    mark.moveTo(box.x() + box.width() / 4, box.y() + 0.33 * box.height());
    mark.lineTo(box.x() + box.width() / 2, box.y() + 0.66 * box.height());
    mark.lineTo(box.x() + box.width() + 0.5, box.y() - 0.5);
    painter->strokePath(mark, QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
  }
  painter->restore();
}

// ---- Colours ---------------------------------------------------------------

QColor InvertColor(const QColor& color) {
  if (!color.isValid()) return QColor(Qt::black);
  const QColor rgb = color.toRgb();
  float red = 0, green = 0, blue = 0;
  rgb.getRgbF(&red, &green, &blue);
  return QColor::fromRgbF(1.0f - std::clamp(red, 0.0f, 1.0f), 1.0f - std::clamp(green, 0.0f, 1.0f),
                          1.0f - std::clamp(blue, 0.0f, 1.0f), 1.0f);
}
