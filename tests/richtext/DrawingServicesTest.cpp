#include "richtext/DrawingServices.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include "ImageCompare.h"
#include "support/GraphicsContext.h"

namespace {

bool IsInk(const QImage& image, int x, int y) {
  return qGray(image.pixel(x, y)) < 128;
}

TEST(DrawingServicesTest, AnUnmatchedResetClipLeavesThePainterAlone) {
  const QImage image = RenderInContext(QSize(40, 40), [](QPainter& painter) {
    painter.save();
    painter.setClipRect(QRectF(0, 0, 10, 10));
    ResetClip();  // nothing pushed: the painter's own save stays
    EXPECT_TRUE(painter.hasClipping());
    ClipToRect(QRectF(20, 20, 10, 10));
    EXPECT_EQ(ClipNestingCount(), 1u);
    ResetClip();
    ResetClip();
    EXPECT_EQ(ClipNestingCount(), 0u);
    EXPECT_TRUE(painter.hasClipping());
    painter.fillRect(QRectF(0, 0, 40, 40), Qt::black);
    painter.restore();
  });
  EXPECT_EQ(InkBounds(image), QRect(0, 0, 10, 10));
}

TEST(DrawingServicesTest, ClipsNest) {
  const QImage image = RenderInContext(QSize(40, 40), [](QPainter& painter) {
    ClipToRect(QRectF(0, 0, 20, 20));
    ClipToRect(QRectF(10, 10, 20, 20));
    painter.fillRect(QRectF(0, 0, 40, 40), Qt::black);
    ResetClip();
    ResetClip();
  });
  EXPECT_EQ(InkBounds(image), QRect(10, 10, 10, 10));
}

TEST(DrawingServicesTest, StraightLinesLieRightOfAndBelowTheirCoordinates) {
  const QImage vertical =
      RenderInContext(QSize(30, 30), [](QPainter&) { DrawLine(kBlackKolor, 10, 0, 10, 20, 2); });
  EXPECT_EQ(InkBounds(vertical), QRect(10, 0, 2, 20));  // centred on x = 11
  const QImage horizontal =
      RenderInContext(QSize(30, 30), [](QPainter&) { DrawLine(kBlackKolor, 0, 5, 20, 5, 4); });
  EXPECT_EQ(InkBounds(horizontal), QRect(0, 5, 20, 4));
  const QImage diagonal =
      RenderInContext(QSize(30, 30), [](QPainter&) { DrawLine(kBlackKolor, 0, 0, 20, 20, 2); });
  EXPECT_TRUE(IsInk(diagonal, 10, 10));  // on its centre, not shifted
  EXPECT_LE(InkBounds(diagonal).top(), 1);
}

TEST(DrawingServicesTest, DotsAndDashesFollowTheWidth) {
  const QImage dotted =
      RenderInContext(QSize(40, 10), [](QPainter&) { DrawDottedLine(kBlackKolor, 0, 2, 40, 2, 2); });
  // On 2, off 6.
  EXPECT_TRUE(IsInk(dotted, 1, 3));
  EXPECT_FALSE(IsInk(dotted, 4, 3));
  EXPECT_TRUE(IsInk(dotted, 9, 3));
  const QImage dashed =
      RenderInContext(QSize(40, 10), [](QPainter&) { DrawDashedLine(kBlackKolor, 0, 2, 40, 2, 2); });
  // On 10, off 4.
  EXPECT_TRUE(IsInk(dashed, 9, 3));
  EXPECT_FALSE(IsInk(dashed, 12, 3));
  EXPECT_TRUE(IsInk(dashed, 15, 3));
}

TEST(DrawingServicesTest, RectangleFramesLieInsideAtAnyZoom) {
  const QImage image = RenderInContext(QSize(160, 160), [](QPainter& painter) {
    painter.scale(4, 4);
    DrawRectangleCore(kBlackKolor, g_nilKolor, false, QRectF(10, 10, 20, 20), 2.0f);
  });
  // 0.5 points at four pixels a point: two pixels, inside 40..120.
  EXPECT_EQ(InkBounds(image), QRect(40, 40, 80, 80));
  EXPECT_TRUE(IsInk(image, 41, 80));
  EXPECT_FALSE(IsInk(image, 42, 80));
  EXPECT_FALSE(IsInk(image, 39, 80));
  const QImage nothing = RenderInContext(QSize(40, 40), [](QPainter&) {
    DrawRectangleCore(g_nilKolor, 0x00FF0000, true, QRectF(5, 5, 20, 20), 1.0f);
  });
  EXPECT_TRUE(InkBounds(nothing).isEmpty());
  const QImage integral = RenderInContext(QSize(40, 40), [](QPainter&) {
    DrawRectangleCore(g_nilKolor, kBlackKolor, true, QRectF(5.5, 5.5, 10, 10), 1.0f);
  });
  EXPECT_EQ(InkBounds(integral), QRect(5, 5, 11, 11));
}

TEST(DrawingServicesTest, TheCaretIsEdgedWithItsComplement) {
  const QImage image = RenderInContext(
      QSize(30, 30), [](QPainter&) { DrawInsertionPoint(MakeKolor(255, 0, 0), 1.0f, QRectF(10, 5, 2, 20)); },
      Qt::black);
  EXPECT_TRUE(ColorNear(image.pixel(10, 10), Qt::red));
  EXPECT_TRUE(ColorNear(image.pixel(9, 10), Qt::cyan));
  EXPECT_TRUE(ColorNear(image.pixel(12, 10), Qt::cyan));
  EXPECT_TRUE(ColorNear(image.pixel(13, 10), Qt::black));
}

TEST(DrawingServicesTest, HighlightKolorLightensOrGreys) {
  const QPalette saved = QGuiApplication::palette();
  QPalette palette = saved;
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 200, 128));
  QGuiApplication::setPalette(palette);
  EXPECT_EQ(HighlightKolor(true), 0x64C0C0C0u);
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 100, 200));
  QGuiApplication::setPalette(palette);
  EXPECT_EQ(HighlightKolor(false), MakeKolor(10, 100, 200));
  EXPECT_EQ(HighlightKolor(true), MakeKolor(138, 228, 255));
  QGuiApplication::setPalette(saved);
}

TEST(DrawingServicesTest, InvertingALineTurnsWhiteBlack) {
  const QImage image = RenderInContext(QSize(20, 20), [](QPainter&) { InvertVerticalLine(5, 2, 2, 10); });
  EXPECT_EQ(InkBounds(image), QRect(5, 2, 2, 10));
  const QImage none = RenderInContext(QSize(20, 20), [](QPainter&) { InvertVerticalLine(5, 2, 2, 0); });
  EXPECT_TRUE(InkBounds(none).isEmpty());
}

TEST(DrawingServicesTest, DividerGapsAreCappedAt144) {
  struct Case {
    double width;
    float gap;
  };
  for (const Case& c : {Case{600, 144}, Case{300, 100}, Case{30, 10}}) {
    const DividerShapes shapes = DividerGeometry(3, QRectF(0, 0, c.width, 20));
    EXPECT_FLOAT_EQ(shapes.gap, c.gap) << c.width;
    ASSERT_EQ(shapes.lines.size(), 1);
    const QRectF line = shapes.lines.first().path.boundingRect();
    EXPECT_DOUBLE_EQ(line.left(), c.width / 2 - c.gap) << c.width;
    EXPECT_DOUBLE_EQ(line.right(), c.width / 2 + c.gap) << c.width;
  }
}

TEST(DrawingServicesTest, DividerShapesFollowTheirKinds) {
  const QRectF rect(0, 0, 300, 20);  // centre 150, 10; g = 100
  // Kind 2: diamond of half-size 5 with side lines 100 - (5 + 8) long.
  DividerShapes two = DividerGeometry(2, rect);
  EXPECT_EQ(two.fills.boundingRect(), QRectF(145, 5, 10, 10));
  ASSERT_EQ(two.lines.size(), 1);
  EXPECT_EQ(two.lines.first().path.boundingRect(), QRectF(145 - 8 - 87, 10.25, 2 * (87 + 8 + 5), 0));
  // Kind 4: a square of 2 x floor(20 / 8) + 1 = 5.
  EXPECT_EQ(DividerGeometry(4, rect).fills.boundingRect(), QRectF(147.5, 7.5, 5, 5));
  // Kind 8: three widths.
  const DividerShapes eight = DividerGeometry(8, rect);
  ASSERT_EQ(eight.lines.size(), 3);
  EXPECT_DOUBLE_EQ(eight.lines[1].width, 2.0);
  EXPECT_NEAR(eight.lines[2].path.boundingRect().width(), 2 * 0.67 * 0.67 * 100, 1e-3);
  // Kind 9 spans the rectangle; kind 11 is nothing.
  EXPECT_EQ(DividerGeometry(9, rect).lines.first().path.boundingRect(), QRectF(0, 10.25, 300, 0));
  const DividerShapes eleven = DividerGeometry(11, rect);
  EXPECT_TRUE(eleven.lines.isEmpty());
  EXPECT_TRUE(eleven.fills.isEmpty());
  const QImage image = RenderInContext(QSize(300, 20), [&](QPainter&) {
    CharProps props;
    props.size = 48;
    props.color = kBlackKolor;
    DrawDivider(11, props, false, rect);
  });
  EXPECT_TRUE(InkBounds(image).isEmpty());
}

TEST(DrawingServicesTest, TextDividersDrawTheirWords) {
  CharProps props;
  props.size = 48;
  props.color = kBlackKolor;
  const QImage asterisks = RenderInContext(QSize(300, 30), [&](QPainter&) { DrawDivider(0, props, false, QRectF(0, 0, 300, 30)); });
  const QRect ink = InkBounds(asterisks);
  EXPECT_NEAR(ink.left(), 50, 4);
  EXPECT_NEAR(ink.right(), 250, 4);
  const QImage end = RenderInContext(QSize(300, 30), [&](QPainter&) { DrawDivider(10, props, false, QRectF(0, 0, 300, 30)); });
  EXPECT_GT(InkCount(end, QRect(140, 0, 20, 30)), 5);
  EXPECT_GT(InkCount(end, QRect(0, 0, 100, 30)), 20);  // the side lines
}

TEST(DrawingServicesTest, PageMarksAndHeadersFillTheirShapes) {
  const QImage mark = RenderInContext(QSize(40, 40), [](QPainter&) { DrawPageControlMark(QRectF(10, 10, 20, 20), 1.0f); });
  EXPECT_EQ(InkBounds(mark, Qt::white, 40), QRect(10, 14, 6, 12));
  const QImage header = RenderInContext(QSize(20, 21), [](QPainter&) { DrawColumnHeader(false, QRectF(0, 0, 20, 21)); });
  EXPECT_TRUE(ColorNear(header.pixel(5, 10), QColor(0xE2, 0xE2, 0xE2), 4));
  EXPECT_TRUE(ColorNear(header.pixel(5, 0), Qt::white, 12));
}

TEST(DrawingServicesTest, CheckboxesBelowTheMinimumDrawNothing) {
  const QImage small = RenderInContext(QSize(40, 40), [](QPainter&) { DrawCheckbox(nullptr, true, QRectF(5, 5, 8, 8)); });
  EXPECT_TRUE(InkBounds(small).isEmpty());
  const QImage big = RenderInContext(QSize(40, 40), [](QPainter&) { DrawCheckbox(nullptr, true, QRectF(5, 5, 16, 16)); });
  EXPECT_FALSE(InkBounds(big).isEmpty());
}

}  // namespace
