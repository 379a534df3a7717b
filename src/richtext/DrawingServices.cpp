#include "richtext/DrawingServices.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "richtext/TextServices.h"
#include "support/ChromeDrawing.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"

namespace {

// Clips pushed by ClipToRect and not yet popped; the painter's own saves of
// other code are never undone by ResetClip.
uint32_t g_clipNesting = 0;

// Lengths from files and callers are kept finite; a NaN draws nothing.
bool Finite(double a, double b, double c, double d) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

void DrawLineCore(Kolor kolor, const double* dashes, double x1, double y1, double x2, double y2, double width) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !Finite(x1, y1, x2, y2) || !std::isfinite(width) || width <= 0) return;
  if (x1 == x2) {
    x1 += width / 2;
    x2 += width / 2;
  } else if (y1 == y2) {
    y1 += width / 2;
    y2 += width / 2;
  }
  QPen pen(ColorFromKolor(kolor), width);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  // Qt counts dashes in pen widths.
  if (dashes) pen.setDashPattern({dashes[0] / width, dashes[1] / width});
  painter->save();
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  QPainterPath path(QPointF(x1, y1));
  path.lineTo(x2, y2);
  painter->drawPath(path);
  painter->restore();
}

void FillRect(QPainter* painter, const QRectF& rect, const QColor& color) {
  painter->fillRect(rect, color);
}

QRectF IntegralRect(const QRectF& rect) {
  if (rect.isEmpty()) return QRectF();
  const double left = std::floor(rect.left()), top = std::floor(rect.top());
  return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

QColor TextColor() {
  return QGuiApplication::palette().color(QPalette::Text);
}

// Text laid out at 72 dpi (as every text of the engine) with its baseline at
// `origin`, in the painter's pen colour.
void DrawTextAt(QPainter* painter, const QString& text, const QFont& font, QPointF origin) {
  QTextLayout layout(text, font, TextReferenceDevice());
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1.0e6);
  layout.endLayout();
  if (!line.isValid()) return;
  layout.draw(painter, QPointF(origin.x(), origin.y() - line.ascent()));
}

// A diamond of half-size floor(h / 5) + 1 at x on the rectangle's centre
// line; answers its box.
QRectF AddDiamond(QPainterPath* path, double x, const QRectF& rect) {
  const double cy = rect.center().y();
  const double d = std::floor(rect.height() / 5) + 1;
  path->moveTo(x, cy - d);
  path->lineTo(x + d, cy);
  path->lineTo(x, cy + d);
  path->lineTo(x - d, cy);
  path->closeSubpath();
  return QRectF(x - d, cy - d, 2 * d, 2 * d);
}

// Lines of length g (less half the figure and 8 when shortened) 8 points
// left and right of the figure.
void AddSideLines(DividerShapes* shapes, bool shorten, const QRectF& figure) {
  double length = shapes->gap;
  if (shorten) length -= figure.width() / 2 + 8;
  if (length <= 0) return;
  const double y = std::floor(figure.y() + figure.height() / 2) + 0.25;
  QPainterPath path;
  path.moveTo(figure.left() - 8, y);
  path.lineTo(figure.left() - 8 - length, y);
  path.moveTo(figure.right() + 8, y);
  path.lineTo(figure.right() + 8 + length, y);
  shapes->lines.append({path, 0.5});
}

void AddHorizontal(DividerShapes* shapes, double x1, double x2, double y, double width) {
  QPainterPath path;
  path.moveTo(x1, y);
  path.lineTo(x2, y);
  shapes->lines.append({path, width});
}

// The square or circle of kinds 4-7, centred in the rectangle.
QRectF SmallFigureBox(const QRectF& rect) {
  const double s = 2 * std::floor(rect.height() / 8) + 1;
  return QRectF(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);
}

}  // namespace

// ---- Clipping ----------------------------------------------------------------

void ClipToRect(const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  painter->save();
  painter->setClipRect(rect, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  ++g_clipNesting;
}

void ResetClip() {
  if (g_clipNesting == 0) return;
  --g_clipNesting;
  if (QPainter* painter = CurrentQuartzContext()) painter->restore();
}

uint32_t ClipNestingCount() {
  return g_clipNesting;
}

// ---- Lines ---------------------------------------------------------------------

void DrawLine(Kolor kolor, float x1, float y1, float x2, float y2, float width) {
  DrawLineCore(kolor, nullptr, x1, y1, x2, y2, width);
}

void DrawDottedLine(Kolor kolor, float x1, float y1, float x2, float y2, float width) {
  const double dashes[2] = {double(width), 3.0 * width};
  DrawLineCore(kolor, dashes, x1, y1, x2, y2, width);
}

void DrawDashedLine(Kolor kolor, float x1, float y1, float x2, float y2, float width) {
  const double dashes[2] = {5.0 * width, 2.0 * width};
  DrawLineCore(kolor, dashes, x1, y1, x2, y2, width);
}

void DrawSpecialUnderline(Kolor kolor, float xFrom, float xTo, float y, float zoom) {
  if (!(zoom > 0)) return;
  const double w = 2.0 / zoom;
  const double dashes[2] = {1.5 * w, w};
  DrawLineCore(kolor, dashes, xFrom, y, xTo, y, w);
}

void DrawInsertionPoint(Kolor kolor, float zoom, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !(zoom > 0)) return;
  const double strip = 1.0 / zoom;
  FillRect(painter, rect, ColorFromKolor(kolor));
  const QColor complement = ColorFromKolor(kolor ^ 0x00FFFFFF);
  FillRect(painter, QRectF(rect.left() - strip, rect.top(), strip, rect.height()), complement);
  FillRect(painter, QRectF(rect.right(), rect.top(), strip, rect.height()), complement);
}

void DrawRulerScaleLine(const QRectF& rect, float x, float width) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !(width > 0)) return;
  QPen pen(QColor(Qt::blue), width);
  pen.setCapStyle(Qt::FlatCap);
  painter->save();
  painter->setPen(pen);
  painter->drawLine(QPointF(x + width / 2.0, rect.top()), QPointF(x + width / 2.0, rect.bottom()));
  painter->restore();
}

void InvertVerticalLine(float x, float y, float width, float length) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !(length > 0) || !(width > 0)) return;
  // White in difference mode turns each colour into its inverse, run by run
  // of equal colour as one would read them back.
  painter->save();
  painter->setCompositionMode(QPainter::CompositionMode_Difference);
  QPen pen(Qt::white, width);
  pen.setCapStyle(Qt::FlatCap);
  painter->setPen(pen);
  painter->drawLine(QPointF(x + width / 2.0, y), QPointF(x + width / 2.0, double(y) + length));
  painter->restore();
}

// ---- Rectangles and colours ---------------------------------------------------

void DrawRectangleCore(Kolor frameKolor, Kolor fillKolor, bool integral, const QRectF& given, float zoom) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !(zoom > 0)) return;
  const QRectF rect = integral ? IntegralRect(given) : given;
  if (IsVisibleKolor(fillKolor)) FillRect(painter, rect, ColorFromKolor(fillKolor));
  if (IsVisibleKolor(frameKolor)) {
    const double w = 1.0 / zoom;
    QPen pen(ColorFromKolor(frameKolor), w);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->save();
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(w / 2, w / 2, -w / 2, -w / 2));
    painter->restore();
  }
}

void DrawRectangle(Kolor frameKolor, Kolor fillKolor, const QRectF& rect) {
  DrawRectangleCore(frameKolor, fillKolor, false, rect, 1.0f);
}

void EraseRectangle(const QRectF& rect) {
  if (QPainter* painter = CurrentQuartzContext()) FillRect(painter, rect, Qt::white);
}

Kolor HighlightKolor(bool lighter) {
  const Kolor kolor = KolorFromColorCore(QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight));
  if (!lighter) return kolor;
  if (KolorOpacity(kolor) != 100) return 0x64C0C0C0;
  return (LightenKolor(LightenKolor(kolor)) & 0x00FFFFFF) | 0x64000000;
}

// ---- Marks and controls --------------------------------------------------------

void DrawSpecialIndicator(const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || rect.isEmpty()) return;
  // An information badge: a blue disc with a white "i".
  const double side = std::min(rect.width(), rect.height());
  const QRectF disc(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(Qt::NoPen);
  painter->setBrush(QColor(0x1E, 0x6F, 0xD9));
  painter->drawEllipse(disc);
  painter->setBrush(Qt::white);
  const double dot = side / 8;
  painter->drawEllipse(QPointF(disc.center().x(), disc.top() + side * 0.28), dot, dot);
  painter->drawRect(QRectF(disc.center().x() - dot, disc.top() + side * 0.42, 2 * dot, side * 0.38));
  painter->restore();
}

void DrawPageControlMark(const QRectF& rect, float zoom) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !(zoom > 0)) return;
  const double s = 6.0 / zoom;
  const double c = rect.center().y();
  QPainterPath path(QPointF(rect.x(), c - s));
  path.lineTo(rect.x() + s, c);
  path.lineTo(rect.x(), c + s);
  path.closeSubpath();
  painter->fillPath(path, QColor(Qt::gray));
}

void DrawCheckbox(CorvaneDoc*, bool checked, const QRectF& rect) {
  DrawQuartzCheckbox(checked, rect);
}

void DrawColumnHeader(bool dark, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || rect.isEmpty()) return;
  static const QGradientStops light = {{0.0, QColor(Qt::white)}, {0.5, ColorFromKolor(0x64E2E2E2)}, {1.0, QColor(Qt::white)}};
  static const QGradientStops darkStops = {{0.0, GrayColor(5)}, {0.5, GrayColor(6)}, {1.0, GrayColor(5)}};
  QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
  gradient.setStops(dark ? darkStops : light);
  painter->fillRect(rect, gradient);
}

// ---- Paragraph dividers --------------------------------------------------------

DividerShapes DividerGeometry(uint32_t kind, const QRectF& rect, const QRectF& textBox) {
  DividerShapes shapes;
  if (kind > kMaxDividerKind || !rect.isValid()) return shapes;
  const auto w = float(rect.width());
  shapes.gap = std::min(w / 3.0f, 144.0f);
  const double g = shapes.gap;
  const double cx = rect.center().x(), cy = rect.center().y();
  switch (kind) {
    case 0:  // three asterisks: text only
      break;
    case 1: {
      const QRectF left = AddDiamond(&shapes.fills, cx - w / 12.0 - 8, rect);
      const QRectF right = AddDiamond(&shapes.fills, cx + w / 12.0 + 8, rect);
      const double length = right.left() - left.right() - 16;
      if (length > 0) {
        const double y = std::floor(left.y() + left.height() / 2) + 0.25;
        QPainterPath path;
        path.moveTo(left.left() - 8, y);
        path.lineTo(left.left() - 8 - length, y);
        path.moveTo(left.right() + 8, y);
        path.lineTo(right.left() - 8, y);
        path.moveTo(right.right() + 8, y);
        path.lineTo(right.right() + 8 + length, y);
        shapes.lines.append({path, 0.5});
      }
      break;
    }
    case 2:
    case 3: {
      const QRectF box = AddDiamond(&shapes.fills, cx, rect);
      if (kind == 2)
        AddSideLines(&shapes, true, box);
      else
        AddHorizontal(&shapes, cx - g, cx + g, std::floor(cy) + 0.25, 0.5);
      break;
    }
    case 4:
    case 5:
    case 6:
    case 7: {
      const QRectF box = SmallFigureBox(rect);
      if (kind < 6)
        shapes.fills.addRect(box);
      else
        shapes.fills.addEllipse(box);
      if (kind == 4 || kind == 6)
        AddSideLines(&shapes, true, box);
      else
        AddHorizontal(&shapes, cx - g, cx + g, std::floor(cy) + 0.25, 0.5);
      break;
    }
    case 8: {
      const double y = cy + 0.25;
      AddHorizontal(&shapes, cx - g, cx + g, y, 0.5);
      AddHorizontal(&shapes, cx - 0.67 * g, cx + 0.67 * g, y, 2.0);
      AddHorizontal(&shapes, cx - 0.67 * 0.67 * g, cx + 0.67 * 0.67 * g, y, 4.0);
      break;
    }
    case 9:
      AddHorizontal(&shapes, rect.left(), rect.right(), rect.y() + (rect.height() + 0.5) / 2, 0.5);
      break;
    case 10:
      if (textBox.isValid()) AddSideLines(&shapes, false, textBox);
      break;
    default:
      break;
  }
  return shapes;
}

void DrawDivider(uint32_t kind, const CharProps& props, bool useTextColor, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || kind > kMaxDividerKind || !rect.isValid()) return;
  const QColor color = useTextColor && props.color == kBlackKolor ? TextColor() : ColorFromKolor(props.color);
  const QFont font = FontForProperties(props);
  const QFontMetricsF metrics(font, TextReferenceDevice());
  const double baseline = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
  QRectF textBox;
  QString text;
  if (kind == 10) {
    text = QStringLiteral("The End");
    const double width = metrics.horizontalAdvance(text);
    textBox = QRectF(rect.center().x() - width / 2, baseline - metrics.ascent(), width, metrics.height());
  }
  const DividerShapes shapes = DividerGeometry(kind, rect, textBox);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  if (!shapes.fills.isEmpty()) painter->fillPath(shapes.fills, color);
  for (const DividerShapes::Line& line : shapes.lines) {
    QPen pen(color, line.width);
    pen.setCapStyle(Qt::FlatCap);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(line.path);
  }
  painter->setPen(color);
  if (kind == 0) {
    const double star = metrics.horizontalAdvance(QLatin1Char('*'));
    for (const double x : {rect.center().x() - shapes.gap, rect.center().x(), rect.center().x() + shapes.gap})
      DrawTextAt(painter, QStringLiteral("*"), font, QPointF(x - star / 2, baseline));
  } else if (kind == 10) {
    DrawTextAt(painter, text, font, QPointF(textBox.left(), baseline));
  }
  painter->restore();
}
