#include "support/TextDrawing.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPalette>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <vector>

#include "support/Fonts.h"
#include "support/GraphicsContext.h"

namespace {

constexpr QChar kLineSeparator(0x2028);
constexpr QChar kZeroWidthSpace(0x200B);
// Wide enough for any line that is not meant to wrap.
constexpr double kUnlimitedWidth = 1.0e6;
// The shadow is blurred in an image no larger than this many pixels;
// beyond it (an enormous zoom) it is drawn sharp.
constexpr qint64 kMaxShadowPixels = qint64(4096) * 4096;
const QPointF kShadowOffset(4, 4);
constexpr int kShadowAlpha = 85;  // a third of full

// Line ends become the layout's line separator, keeping every index: the
// "\r" of "\r\n" turns into an invisible zero-width space.
QString WithLineSeparators(const QString& text) {
  QString result = text;
  for (qsizetype i = 0; i < result.size(); ++i) {
    const QChar c = result[i];
    if (c == u'\r' && i + 1 < result.size() && result[i + 1] == u'\n') {
      result[i] = kZeroWidthSpace;
    } else if (c == u'\n' || c == u'\r' || c == QChar(QChar::ParagraphSeparator)) {
      result[i] = kLineSeparator;
    }
  }
  return result;
}

QStringList SplitLines(const QString& text) {
  QString unified = text;
  unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  for (QChar& c : unified) {
    if (c == u'\r' || c == kLineSeparator || c == QChar(QChar::ParagraphSeparator)) c = u'\n';
  }
  return unified.split(u'\n');
}

// Lays out every line in the width (or without wrapping) and answers the
// block's widest advance and total height.
QSizeF LayOut(QTextLayout& layout, double width, QTextOption::WrapMode wrap, Qt::Alignment alignment) {
  QTextOption option(alignment);
  option.setWrapMode(wrap);
  layout.setTextOption(option);
  double y = 0;
  double widest = 0;
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLeadingIncluded(true);
    line.setLineWidth(std::max(width, 0.0));
    line.setPosition(QPointF(0, y));
    y += line.height();
    widest = std::max(widest, line.horizontalAdvance());
  }
  layout.endLayout();
  return QSizeF(widest, y);
}

QColor TextColor(const QColor& color) {
  if (color.isValid()) return color;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Text);
  }
  return Qt::black;
}

// The outlines of a line's glyphs, placed at the origin.
QPainterPath GlyphPath(const QList<QGlyphRun>& runs, const QPointF& origin) {
  QPainterPath path;
  for (const QGlyphRun& run : runs) {
    const QRawFont font = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
      path.addPath(font.pathForGlyph(glyphs[i]).translated(origin + positions[i]));
    }
  }
  return path;
}

// 1-2-1 along one direction of a premultiplied image.
void BlurPass(QImage& image, bool horizontal) {
  const QImage source = image.copy();
  const int w = image.width();
  const int h = image.height();
  for (int y = 0; y < h; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      auto at = [&](int dx, int dy) {
        const int sx = std::clamp(x + dx, 0, w - 1);
        const int sy = std::clamp(y + dy, 0, h - 1);
        return reinterpret_cast<const QRgb*>(source.constScanLine(sy))[sx];
      };
      const QRgb a = horizontal ? at(-1, 0) : at(0, -1);
      const QRgb b = at(0, 0);
      const QRgb c = horizontal ? at(1, 0) : at(0, 1);
      auto mix = [&](int shift) {
        return ((((a >> shift) & 0xFF) + 2 * ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + 2) / 4) << shift;
      };
      out[x] = mix(24) | mix(16) | mix(8) | mix(0);
    }
  }
}

// Draws the shape's shadow the way the platform's text shadows look: offset
// and blurred in device pixels, whatever the painter's transform.
void DrawShadow(QPainter* painter, const QPainterPath& shape) {
  const QColor color(0, 0, 0, kShadowAlpha);
  const QTransform transform = painter->worldTransform();
  const QPainterPath devicePath = transform.map(shape);
  const QRectF bounds = devicePath.boundingRect().adjusted(-2, -2, 2, 2);
  if (bounds.isEmpty()) return;
  painter->save();
  painter->setWorldTransform(QTransform());
  const QRect pixels = bounds.toAlignedRect();
  if (qint64(pixels.width()) * pixels.height() > kMaxShadowPixels) {
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillPath(devicePath.translated(kShadowOffset), color);
  } else {
    QImage mask(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter maskPainter(&mask);
    maskPainter.setRenderHint(QPainter::Antialiasing);
    maskPainter.translate(-pixels.topLeft());
    maskPainter.fillPath(devicePath, color);
    maskPainter.end();
    BlurPass(mask, true);
    BlurPass(mask, false);
    painter->drawImage(QPointF(pixels.topLeft()) + kShadowOffset, mask);
  }
  painter->restore();
}

}  // namespace

QPaintDevice* TextReferenceDevice() {
  static QImage device = [] {
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    // 72 dots per inch: QImage reports round(dots per metre x 0.0254).
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    return image;
  }();
  return &device;
}

QSizeF SizeOfTextInFont(const QString& text, const QFont& font) {
  if (text.isEmpty()) return QSizeF(0, 0);
  QTextLayout layout(WithLineSeparators(text), font, TextReferenceDevice());
  return LayOut(layout, kUnlimitedWidth, QTextOption::NoWrap, Qt::AlignLeft);
}

QSizeF SizeOfAttributedString(const CSAttributedString& text) {
  if (text.isEmpty()) return QSizeF(0, 0);
  QTextLayout layout(WithLineSeparators(text.string()), UserFont(12), TextReferenceDevice());
  layout.setFormats(text.formatRanges());
  return LayOut(layout, kUnlimitedWidth, QTextOption::NoWrap, Qt::AlignLeft);
}

double LineHeightForFont(const QFont& font) {
  return SizeOfTextInFont(QStringLiteral(" "), font).height();
}

double StringHeightInWidth(const QString& text, const QFont& font, double width) {
  QTextLayout layout(WithLineSeparators(text.isEmpty() ? QStringLiteral(" ") : text), font, TextReferenceDevice());
  return LayOut(layout, width - 4, QTextOption::WrapAtWordBoundaryOrAnywhere, Qt::AlignLeft).height();
}

QList<int> LineBreaksForWidth(const CSAttributedString& text, double width) {
  QList<int> starts;
  if (text.isEmpty()) {
    starts.append(0);
    return starts;
  }
  QTextLayout layout(WithLineSeparators(text.string()), UserFont(12), TextReferenceDevice());
  layout.setFormats(text.formatRanges());
  LayOut(layout, width, QTextOption::WrapAtWordBoundaryOrAnywhere, Qt::AlignLeft);
  for (int i = 0; i < layout.lineCount(); ++i) starts.append(layout.lineAt(i).textStart());
  return starts;
}

void DrawCenteredString(QPainter* painter, const QString& text, const QFont& font, const QColor& color, bool wrap,
                        const QRectF& rect) {
  if (!painter) painter = CurrentQuartzContext();
  if (!painter || text.isEmpty()) return;
  QString shown;
  if (wrap) {
    shown = WithLineSeparators(text);
  } else {
    const QFontMetricsF metrics(font, TextReferenceDevice());
    QStringList lines = SplitLines(text);
    for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideRight, std::max(rect.width(), 0.0));
    shown = lines.join(kLineSeparator);
  }
  QTextLayout layout(shown, font, TextReferenceDevice());
  const QSizeF size = LayOut(layout, rect.width(),
                             wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap, Qt::AlignHCenter);
  const double yOffset = std::floor((rect.height() - size.height()) / 2);
  painter->save();
  painter->setPen(TextColor(color));
  layout.draw(painter, QPointF(rect.x(), rect.y() + yOffset));
  painter->restore();
}

void DrawCenteredString(const QString& text, const QFont& font, const QColor& color, bool wrap, const QRectF& rect) {
  DrawCenteredString(nullptr, text, font, color, wrap, rect);
}

void DrawEmptySelectionString(const QString& text, const QColor& color, const QRectF& rect) {
  DrawCenteredString(nullptr, text, SystemFont(24), color, true, rect);
}

double DrawTextWithCT(QPainter* painter, const QString& text, const QFont& font, Kolor kolor, bool underline,
                      bool outline, bool shadow, double x, double y, double kern) {
  if (!painter) return x;
  if (!std::isfinite(kern)) kern = 0;
  // One line: any line end shows as a blank.
  QString oneLine = text;
  for (QChar& c : oneLine) {
    if (c == u'\n' || c == u'\r' || c == kLineSeparator || c == QChar(QChar::ParagraphSeparator)) c = u' ';
  }
  QTextLayout layout(oneLine, font, TextReferenceDevice());
  LayOut(layout, kUnlimitedWidth, QTextOption::NoWrap, Qt::AlignLeft);
  if (layout.lineCount() == 0) return x;
  const QTextLine line = layout.lineAt(0);
  const QPointF origin(x, y - line.ascent());
  // The kern follows every glyph. (The layout ignores a font's letter
  // spacing when it lays out for a device, so it is applied here.)
  QList<QGlyphRun> runs = line.glyphRuns();
  if (kern != 0) {
    int index = 0;
    for (QGlyphRun& run : runs) {
      QList<QPointF> positions = run.positions();
      for (QPointF& position : positions) position.rx() += kern * index++;
      run.setPositions(positions);
    }
  }
  const double advance = line.horizontalAdvance() + kern * double(oneLine.size());

  QRectF underlineRect;
  if (underline) {
    const QFontMetricsF metrics(font, TextReferenceDevice());
    const double thickness = std::max(metrics.lineWidth(), 0.5);
    underlineRect = QRectF(x, y + metrics.underlinePos() - thickness / 2, std::max(advance, 0.0), thickness);
  }
  // Glyph outlines are costly: made only for an outline or a shadow.
  QPainterPath shape;
  if (outline || shadow) {
    shape = GlyphPath(runs, origin);
    if (underline) shape.addRect(underlineRect);
  }
  const QColor color = ColorFromKolor(kolor);
  // An outline is 3 % of the size wide, as the platform's stroke width 3.
  QPen outlinePen(color, 0.03 * std::max(font.pointSizeF(), 0.0));
  outlinePen.setJoinStyle(Qt::RoundJoin);
  if (shadow) {
    if (outline) {
      QPainterPathStroker stroker(outlinePen);
      DrawShadow(painter, stroker.createStroke(shape));
    } else {
      DrawShadow(painter, shape);
    }
  }
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  if (outline) {
    painter->strokePath(shape, outlinePen);
  } else {
    // Glyphs are drawn as text, so PDF output keeps them as text.
    painter->setPen(color);
    for (const QGlyphRun& run : std::as_const(runs)) painter->drawGlyphRun(origin, run);
    if (underline) painter->fillRect(underlineRect, color);
  }
  painter->restore();
  return x + advance;
}
