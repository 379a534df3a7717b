#include "model/TextLayout.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DRShadowContext.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"

namespace {

// Lays the text out in lines of the width (none: one line per paragraph);
// answers the height of all lines.
double LayOut(QTextLayout& layout, const CSAttributedString& text, double width) {
  QString string = text.string();
  // QTextLayout breaks lines only at the line separator.
  for (QChar& c : string) {
    if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) c = QChar::LineSeparator;
  }
  const QTextCharFormat first = text.formatAt(0);
  layout.setText(string);
  // Resolved for the reference device: a font set on a layout afterwards
  // keeps the screen's resolution, and the formats' fonts take the
  // layout font's.
  layout.setFont(QFont(first.font(), TextReferenceDevice()));
  layout.setFormats(text.formatRanges());
  QTextOption option(ParagraphAlignment(text));
  option.setWrapMode(QTextOption::WordWrap);
  option.setUseDesignMetrics(true);
  layout.setTextOption(option);
  const bool limited = std::isfinite(width) && width > 2 * kTextBoxPadding;
  const double lineWidth = limited ? width - 2 * kTextBoxPadding : 0;
  double y = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLeadingIncluded(true);
    if (limited)
      line.setLineWidth(lineWidth);
    else
      line.setNumColumns(std::numeric_limits<int>::max() / 2);
    line.setPosition(QPointF(kTextBoxPadding, y));
    y += line.height();
  }
  layout.endLayout();
  return y;
}

}  // namespace

QSizeF TextBoxSize(const CSAttributedString& text, double width) {
  QTextLayout layout(QString(), QFont(), TextReferenceDevice());
  const double height = LayOut(layout, text, width);
  double widest = 0;
  for (int i = 0; i < layout.lineCount(); ++i) widest = std::max(widest, layout.lineAt(i).naturalTextWidth());
  return QSizeF(std::ceil(widest + 2 * kTextBoxPadding), std::ceil(height));
}

std::vector<TextBoxLine> TextBoxLines(const CSAttributedString& text, double width) {
  QTextLayout layout(QString(), QFont(), TextReferenceDevice());
  LayOut(layout, text, width);
  std::vector<TextBoxLine> lines;
  for (int i = 0; i < layout.lineCount(); ++i) {
    const QTextLine line = layout.lineAt(i);
    lines.push_back(TextBoxLine{line.textStart(), line.textLength(), line.y() + line.ascent()});
  }
  return lines;
}

void DrawTextBox(QPainter* painter, const CSAttributedString& text, const QRectF& box) {
  if (!painter) painter = CurrentQuartzContext();
  if (!painter || text.isEmpty()) return;
  QTextLayout layout(QString(), QFont(), TextReferenceDevice());
  LayOut(layout, text, box.width());
  const QRectF clip(box.left(), -1e7, box.width(), 2e7);
  const std::optional<DRContextShadow> shadow = ContextShadow();
  if (!shadow || shadow->color.alpha() == 0) {
    painter->save();
    painter->setClipRect(clip, Qt::IntersectClip);
    layout.draw(painter, box.topLeft());
    painter->restore();
    return;
  }
  const QTextCharFormat format = text.formatAt(0);
  const QColor colour = format.foreground().style() != Qt::NoBrush ? format.foreground().color() : QColor(Qt::black);
  // With a shadow, the glyphs as one outline, so that the shadow falls once
  // under the whole text.
  QPainterPath glyphs;
  glyphs.setFillRule(Qt::WindingFill);
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
      glyphs.addPath(font.pathForGlyph(indexes[i]).translated(positions[i] + box.topLeft()));
    if (run.underline()) {
      const double thickness = std::max(font.lineThickness(), 0.5);
      const QRectF bounds = run.boundingRect();
      const double baseline =
          box.top() + (positions.isEmpty() ? bounds.bottom() : positions.front().y()) + font.underlinePosition();
      glyphs.addRect(QRectF(box.left() + bounds.left(), baseline, bounds.width(), thickness));
    }
  }
  painter->save();
  painter->setClipRect(clip, Qt::IntersectClip);
  FillPathInContext(glyphs, colour);
  painter->restore();
}
