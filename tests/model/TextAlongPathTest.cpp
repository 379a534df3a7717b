#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/ElementTestSupport.h"
#include "model/TextAlongPath.h"
#include "support/TextDrawing.h"

namespace {

QFont FixedFont() {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setPointSizeF(12);
  return font;
}

CSAttributedString Text(const QString& text) {
  QTextCharFormat format;
  format.setFont(FixedFont());
  return CSAttributedString(text, format);
}

// The advance of one glyph of the monospaced font.
double Advance() {
  double ascent = 0;
  bool laidOut = false;
  const std::vector<QPointF> path = {{0, 0}, {1000, 0}};
  const std::vector<DRPathGlyph> glyphs =
      PlaceGlyphsAlongPath(Text(QStringLiteral("M")), path, kTextPathStart, &ascent, &laidOut);
  return glyphs.empty() ? 0 : glyphs[0].advance;
}

std::vector<DRPathGlyph> Place(const QString& text, const std::vector<QPointF>& path, int32_t mode) {
  double ascent = 0;
  bool laidOut = false;
  return PlaceGlyphsAlongPath(Text(text), path, mode, &ascent, &laidOut);
}

}  // namespace

TEST(TextAlongPath, NothingOnAPathWithoutLengthOrForNoText) {
  const std::vector<QPointF> one = {{10, 10}};
  const std::vector<QPointF> still = {{10, 10}, {10, 10}, {10, 10}};
  const std::vector<QPointF> line = {{0, 0}, {100, 0}};
  struct Case {
    std::vector<QPointF> path;
    QString text;
  } cases[] = {
      {one, QStringLiteral("abc")}, {still, QStringLiteral("abc")}, {line, QString()}, {{}, QStringLiteral("a")}};
  for (const Case& c : cases) {
    const QImage image = Render(QSize(50, 50), [&] {
      EXPECT_EQ(DrawStringAlongPathPoints(Text(c.text), c.path, kTextPathStart, 0x64000000), 0.0f);
    });
    EXPECT_EQ(InkCount(image, image.rect()), 0);
  }
}

TEST(TextAlongPath, TheExtentIsTheAscentPlusTwo) {
  const std::vector<QPointF> line = {{0, 40}, {200, 40}};
  const double ascent = QFontMetricsF(FixedFont(), TextReferenceDevice()).ascent();
  float extent = 0;
  Render(QSize(10, 10),
         [&] { extent = DrawStringAlongPathPoints(Text(QStringLiteral("abc")), line, 100, 0x64000000); });
  EXPECT_NEAR(extent, ascent + 2.0, 1e-3);
}

TEST(TextAlongPath, TheModesPlaceTheGlyphCentres) {
  const double w = Advance();
  ASSERT_GT(w, 3.0);
  const double length = 20 * w;
  const std::vector<QPointF> line = {{10, 50}, {10 + length, 50}};
  const QString text = QStringLiteral("abcde");  // W = 5w
  struct Case {
    int32_t mode;
    double firstCentre;  // along the path
    double step;         // between centres
  } cases[] = {
      {kTextPathStart, w / 2, w},
      {kTextPathCentred, w / 2 + (length - 5 * w) / 2, w},
      {kTextPathEnd, w / 2 + length - 5 * w, w},
      {kTextPathFitted, (w / 2) * length / (5 * w), w * length / (5 * w)},
      {7, (w / 2) * length / (5 * w), w * length / (5 * w)},  // any other code fits
  };
  for (const Case& c : cases) {
    const std::vector<DRPathGlyph> glyphs = Place(text, line, c.mode);
    ASSERT_EQ(glyphs.size(), 5u) << c.mode;
    for (size_t j = 0; j < glyphs.size(); ++j) {
      EXPECT_FALSE(glyphs[j].hidden) << c.mode << " " << j;
      EXPECT_NEAR(glyphs[j].position.x(), 10 + c.firstCentre + double(j) * c.step, 1e-6) << c.mode << " " << j;
      EXPECT_NEAR(glyphs[j].position.y(), 50, 1e-9);
      EXPECT_NEAR(std::remainder(glyphs[j].angle, 2 * std::numbers::pi), 0.0, 1e-9);
      EXPECT_NEAR(glyphs[j].advance, w, 1e-9);
    }
  }
}

TEST(TextAlongPath, FittedTextOnTwiceItsWidthDoublesTheGaps) {
  const double w = Advance();
  const std::vector<QPointF> line = {{0, 0}, {8 * w, 0}};
  const std::vector<DRPathGlyph> glyphs = Place(QStringLiteral("abcd"), line, kTextPathFitted);
  ASSERT_EQ(glyphs.size(), 4u);
  for (size_t j = 1; j < 4; ++j) EXPECT_NEAR(glyphs[j].position.x() - glyphs[j - 1].position.x(), 2 * w, 1e-6);
}

TEST(TextAlongPath, OverlongTextHidesTheGlyphsOffThePath) {
  const double w = Advance();
  const std::vector<QPointF> line = {{0, 0}, {3 * w, 0}};
  const QString text = QStringLiteral("abcdef");  // twice the path
  // From the start: centres at 0.5w ... 5.5w; those at or after 3w go.
  std::vector<DRPathGlyph> glyphs = Place(text, line, kTextPathStart);
  for (size_t j = 0; j < 6; ++j) EXPECT_EQ(glyphs[j].hidden, j >= 3) << j;
  // Against the end: centres at -2.5w ... 2.5w; the last ends at the end.
  glyphs = Place(text, line, kTextPathEnd);
  for (size_t j = 0; j < 6; ++j) EXPECT_EQ(glyphs[j].hidden, j < 3) << j;
  EXPECT_NEAR(glyphs[5].position.x(), 2.5 * w, 1e-6);
  // Centred, five glyphs: targets -0.5w, 0.5w ... 3.5w. The walk skips the
  // hidden first glyph without moving, so the drawn ones sit further along
  // by that glyph's distance before the start.
  glyphs = Place(QStringLiteral("abcde"), line, kTextPathCentred);
  ASSERT_EQ(glyphs.size(), 5u);
  for (size_t j = 0; j < 5; ++j) EXPECT_EQ(glyphs[j].hidden, j == 0 || j == 4) << j;
  EXPECT_NEAR(glyphs[1].position.x(), 1 * w, 1e-6);
  EXPECT_NEAR(glyphs[2].position.x(), 2 * w, 1e-6);
  EXPECT_NEAR(glyphs[3].position.x(), 3 * w, 1e-6);
}

TEST(TextAlongPath, AGlyphOnAVertexTakesTheSegmentEndingThere) {
  // One glyph fitted to a path of two equal legs sits on the corner.
  const std::vector<QPointF> corner = {{0, 0}, {30, 0}, {30, 30}};
  std::vector<DRPathGlyph> glyphs = Place(QStringLiteral("M"), corner, kTextPathFitted);
  ASSERT_EQ(glyphs.size(), 1u);
  EXPECT_FALSE(glyphs[0].hidden);
  EXPECT_EQ(glyphs[0].position, QPointF(30, 0));
  EXPECT_NEAR(std::remainder(glyphs[0].angle, 2 * std::numbers::pi), 0.0, 1e-9);
  // Past the corner the glyphs turn down the second leg.
  const double w = Advance();
  const std::vector<QPointF> legs = {{0, 0}, {2 * w, 0}, {2 * w, 10 * w}};
  glyphs = Place(QStringLiteral("abcd"), legs, kTextPathStart);
  EXPECT_NEAR(std::remainder(glyphs[0].angle, 2 * std::numbers::pi), 0.0, 1e-9);
  EXPECT_NEAR(glyphs[3].angle, std::numbers::pi / 2, 1e-9);
  EXPECT_NEAR(glyphs[3].position.y(), 1.5 * w, 1e-6);
}

TEST(TextAlongPath, GlyphsStandUprightOnTheBaseline) {
  const std::vector<QPointF> line = {{10, 60}, {190, 60}};
  const QImage image = Render(QSize(200, 100), [&] {
    DrawStringAlongPathPoints(Text(QStringLiteral("HHHH")), line, kTextPathStart, 0x640000FF);
  });
  const QRect ink = InkBounds(image);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.bottom(), 61);
  EXPECT_GE(ink.top(), 60 - 14);
  EXPECT_GE(ink.left(), 10);
  EXPECT_LT(ink.right(), 10 + 4 * Advance() + 1);
  // In the colour given.
  bool red = false;
  for (int x = ink.left(); x <= ink.right() && !red; ++x) {
    const QRgb pixel = image.pixel(x, ink.center().y());
    red = qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
  }
  EXPECT_TRUE(red);
}

TEST(TextAlongPath, TheTextCastsTheCurrentShadow) {
  const std::vector<QPointF> line = {{10, 30}, {190, 30}};
  const QImage image = Render(QSize(200, 100), [&] {
    PushShadowContext();
    SetContextShadow(DRContextShadow{QPointF(0, 40), 0, QColor(0, 0, 0, 255)});
    DrawStringAlongPathPoints(Text(QStringLiteral("HHHH")), line, kTextPathStart, 0x640000FF);
    PopShadowContext();
  });
  EXPECT_GT(InkCount(image, QRect(0, 0, 200, 35)), 0);
  EXPECT_GT(InkCount(image, QRect(0, 55, 200, 20)), 0);
}
