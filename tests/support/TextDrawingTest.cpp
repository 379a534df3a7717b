#include <gtest/gtest.h>

#include <QPainter>

#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"
#include "testkit/ImageCompare.h"

namespace {

// Pinned faces: fonts-dejavu-core is installed wherever the tests run.
QFont Sans(double size) {
  return FontWithName(QStringLiteral("DejaVu Sans"), size);
}

constexpr Kolor kBlack = g_blackKolor;

QImage RenderText(const QString& text, double size, bool underline, bool outline, bool shadow, double kern = 0,
                  double* end = nullptr) {
  return RenderImage(QSize(400, 160), [&](QPainter& p) {
    const double x = DrawTextWithCT(&p, text, Sans(size), kBlack, underline, outline, shadow, 20, 120, kern);
    if (end) *end = x;
  });
}

TEST(TextDrawingTest, PointSizesAreUserSpaceUnitsOnEveryDevice) {
  // DejaVu Sans: capital height 0.729 em, ascent + descent 1.164 em.
  EXPECT_NEAR(SizeOfTextInFont(QStringLiteral("H"), Sans(100)).height(), 116.4, 1.5);
  double end = 0;
  const QImage image = RenderText(QStringLiteral("H"), 100, false, false, false, 0, &end);
  const QRect ink = InkBounds(image);
  EXPECT_NEAR(ink.height(), 73, 2);
  EXPECT_NEAR(ink.bottom(), 119, 1);  // standing on the baseline at y = 120
  EXPECT_GE(ink.left(), 20);
  EXPECT_NEAR(end, 20 + SizeOfTextInFont(QStringLiteral("H"), Sans(100)).width(), 0.01);
  EXPECT_NEAR(end - 20, 75.2, 1);  // the capital's advance, 0.752 em

  // The painter's transform zooms text like everything else.
  const QImage zoomed = RenderImage(QSize(200, 200), [](QPainter& p) {
    p.scale(2, 2);
    DrawTextWithCT(&p, QStringLiteral("H"), Sans(20), kBlack, false, false, false, 10, 50, 0);
  });
  EXPECT_NEAR(InkBounds(zoomed).height(), 2 * 14.6, 2);
  EXPECT_EQ(DrawTextWithCT(nullptr, QStringLiteral("H"), Sans(20), kBlack, false, false, false, 7, 50, 0), 7);
}

TEST(TextDrawingTest, UnderlineOutlineShadowAndKern) {
  const QImage plain = RenderText(QStringLiteral("H H"), 40, false, false, false);
  const QImage underlined = RenderText(QStringLiteral("H H"), 40, true, false, false);
  const QRect letters = InkBounds(plain);
  // Under the blank between the letters, just below the baseline.
  const QRect gap(letters.left() + 35, 121, 10, 6);
  EXPECT_EQ(InkCount(plain, gap), 0);
  EXPECT_GE(InkCount(underlined, gap), 10);  // a line across the whole gap
  EXPECT_EQ(InkBounds(underlined).top(), letters.top());

  const QImage filled = RenderText(QStringLiteral("H"), 80, false, false, false);
  const QImage outlined = RenderText(QStringLiteral("H"), 80, false, true, false);
  const QRect solid = InkBounds(filled);
  const QRect hollow = InkBounds(outlined);
  EXPECT_NEAR(hollow.left(), solid.left(), 3);
  EXPECT_NEAR(hollow.right(), solid.right(), 3);
  EXPECT_NEAR(hollow.height(), solid.height(), 4);
  EXPECT_LT(InkCount(outlined, hollow), InkCount(filled, solid) * 8 / 10);
  // The middle of the left stem is ink when filled and empty when outlined.
  const QPoint stem(solid.left() + 4, solid.center().y() - 12);
  EXPECT_LT(qGray(filled.pixel(stem)), 60);
  EXPECT_GT(qGray(outlined.pixel(stem)), 200);

  const QImage shadowed = RenderText(QStringLiteral("H"), 80, false, false, true);
  const QRect withShadow = InkBounds(shadowed);
  EXPECT_EQ(withShadow.topLeft(), solid.topLeft());
  EXPECT_NEAR(withShadow.right(), solid.right() + 4, 2);
  EXPECT_NEAR(withShadow.bottom(), solid.bottom() + 4, 2);
  // The shadow is a soft grey beside the letter, not more black ink.
  const int shade = qGray(shadowed.pixel(solid.right() + 3, solid.center().y()));
  EXPECT_GT(shade, 120);
  EXPECT_LT(shade, 220);
  EXPECT_GT(InkCount(RenderText(QStringLiteral("H"), 80, false, true, true),
                     QRect(solid.right() + 1, solid.top(), 5, solid.height())),
            5);

  double plainEnd = 0, kernedEnd = 0;
  RenderText(QStringLiteral("HHHH"), 20, false, false, false, 0, &plainEnd);
  RenderText(QStringLiteral("HHHH"), 20, false, false, false, 5, &kernedEnd);
  EXPECT_NEAR(kernedEnd - plainEnd, 20, 1.5);
}

TEST(TextDrawingTest, CentredStringsWrapOrTruncate) {
  const QRectF box(50, 50, 200, 100);
  const QImage centred = RenderImage(QSize(300, 200), [&](QPainter& p) {
    DrawCenteredString(&p, QStringLiteral("Hello"), Sans(20), Qt::black, false, box);
  });
  const QRect ink = InkBounds(centred);
  EXPECT_TRUE(box.toRect().contains(ink));
  EXPECT_NEAR(ink.center().x(), 150, 3);
  EXPECT_NEAR(ink.center().y(), 100, 6);

  const QString longText = QStringLiteral("Hello world, this is a long line");
  const QRectF narrow(20, 20, 120, 160);
  const double lineHeight = LineHeightForFont(Sans(20));
  const QImage truncated = RenderImage(
      QSize(300, 200), [&](QPainter& p) { DrawCenteredString(&p, longText, Sans(20), Qt::black, false, narrow); });
  const QImage wrapped = RenderImage(
      QSize(300, 200), [&](QPainter& p) { DrawCenteredString(&p, longText, Sans(20), Qt::black, true, narrow); });
  EXPECT_LE(InkBounds(truncated).width(), 120);
  EXPECT_LT(InkBounds(truncated).height(), lineHeight);
  EXPECT_LE(InkBounds(wrapped).width(), 120);
  EXPECT_GT(InkBounds(wrapped).height(), 2 * lineHeight);
  EXPECT_TRUE(narrow.toRect().contains(InkBounds(wrapped)));

  // Plain-function callers draw into the current context; without one, nothing.
  DrawCenteredString(QStringLiteral("Hello"), Sans(20), QColor(), false, box);
  DrawEmptySelectionString(QStringLiteral("No selection"), QColor(), box);
  const QImage current = RenderImage(QSize(300, 200), [&](QPainter& p) {
    GraphicsContextScope scope(&p);
    DrawEmptySelectionString(QStringLiteral("No selection"), QColor(), box);
  });
  EXPECT_NEAR(InkBounds(current).center().x(), 150, 3);
  EXPECT_TRUE(box.toRect().contains(InkBounds(current)));

  // All of it in one picture, kept for a look: build/test/test-images.
  const QImage sample = RenderImage(QSize(420, 300), [&](QPainter& p) {
    p.setPen(QColor(200, 200, 255));
    p.drawRect(box.translated(-30, -30));
    DrawCenteredString(&p, QStringLiteral("Centred"), Sans(20), Qt::black, false, box.translated(-30, -30));
    DrawCenteredString(&p, longText, Sans(14), Qt::darkBlue, true, QRectF(240, 20, 160, 120));
    const Kolor red = MakeKolor(200, 30, 30);
    double x = DrawTextWithCT(&p, QStringLiteral("Under"), Sans(30), red, true, false, false, 20, 200, 0);
    x = DrawTextWithCT(&p, QStringLiteral(" Outline"), Sans(30), kBlack, false, true, false, x, 200, 0);
    DrawTextWithCT(&p, QStringLiteral("Shadow"), Sans(30), MakeKolor(30, 90, 200), false, false, true, 20, 260, 0);
    DrawTextWithCT(&p, QStringLiteral("Kern"), Sans(30), kBlack, false, false, false, 200, 260, 6);
  });
  EXPECT_GT(InkCount(sample, sample.rect()), 1000);
  sample.save(TestImageOutputFolder() + QStringLiteral("/text-drawing-sample.png"));
}

TEST(TextDrawingTest, Measuring) {
  const QFont font = Sans(20);
  EXPECT_EQ(SizeOfTextInFont(QString(), font), QSizeF(0, 0));
  const QSizeF one = SizeOfTextInFont(QStringLiteral("Hi"), font);
  EXPECT_GT(one.width(), 0);
  EXPECT_EQ(SizeOfTextInFont(QStringLiteral("Hi\nHi"), font), QSizeF(one.width(), 2 * one.height()));
  EXPECT_EQ(SizeOfTextInFont(QStringLiteral("Hi\r\nHi"), font), SizeOfTextInFont(QStringLiteral("Hi\rHi"), font));
  EXPECT_GT(SizeOfTextInFont(QStringLiteral("Hi "), font).width(), one.width());  // blanks count
  EXPECT_EQ(LineHeightForFont(font), SizeOfTextInFont(QStringLiteral(" "), font).height());
  EXPECT_NEAR(LineHeightForFont(font), 23.3, 1);  // ascent + descent at 20 points

  EXPECT_EQ(StringHeightInWidth(QString(), font, 100), LineHeightForFont(font));
  const QString text = QStringLiteral("one two three four five six");
  EXPECT_EQ(StringHeightInWidth(text, font, 10000), LineHeightForFont(font));
  EXPECT_GE(StringHeightInWidth(text, font, 100), 3 * LineHeightForFont(font));
  EXPECT_GT(StringHeightInWidth(text, font, -50), 0);  // no width: still measured
}

TEST(TextDrawingTest, LineBreaksForWidth) {
  QTextCharFormat format;
  format.setFont(Sans(20));
  const auto starts = [&](const QString& text, double width) {
    return LineBreaksForWidth(CSAttributedString(text, format), width);
  };
  const double twoWords = SizeOfTextInFont(QStringLiteral("aaa bbb"), Sans(20)).width();
  EXPECT_EQ(starts(QStringLiteral("aaa bbb ccc"), twoWords + 1), (QList<int>{0, 8}));
  EXPECT_EQ(starts(QStringLiteral("aaa bbb ccc"), 10000), (QList<int>{0}));
  EXPECT_EQ(starts(QStringLiteral("ab\ncd"), 10000), (QList<int>{0, 3}));
  EXPECT_EQ(starts(QStringLiteral("ab\r\ncd"), 10000), (QList<int>{0, 4}));
  EXPECT_EQ(starts(QStringLiteral("abc"), 1), (QList<int>{0, 1, 2}));
  EXPECT_EQ(starts(QString(), 100), (QList<int>{0}));

  // Each run is laid out in its own font, in points like plain text.
  CSAttributedString mixed(QStringLiteral("aa bb"), format);
  EXPECT_EQ(LineBreaksForWidth(mixed, 280), (QList<int>{0}));
  QTextCharFormat big;
  big.setFont(Sans(200));
  mixed.setFormat(3, 2, big);
  EXPECT_EQ(LineBreaksForWidth(mixed, 280), (QList<int>{0, 3}));
  CSAttributedString capital(QStringLiteral("H"), big);
  EXPECT_EQ(SizeOfAttributedString(capital), SizeOfTextInFont(QStringLiteral("H"), Sans(200)));
}

}  // namespace
