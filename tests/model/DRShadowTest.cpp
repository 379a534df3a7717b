#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>
#include <limits>

#include "ImageCompare.h"
#include "QStringPrinter.h"
#include "model/DRKeyTable.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "model/FakeStyleClient.h"
#include "model/RecordTesting.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

constexpr MeasureUnit kPoint = kMeasurePerPoint;
constexpr MeasureUnit kMax = std::numeric_limits<int64_t>::max();
constexpr MeasureUnit kMin = std::numeric_limits<int64_t>::min();

QString Archive(const DRShadow& shadow) {
  return StyleRecordText(shadow);
}

std::optional<DRShadow> Read(const QString& xml) {
  return ReadStyleRecord<DRShadow>(xml);
}

QString Record(const QString& children) {
  return WrapRecord(QStringLiteral("shadow"), children);
}

QStringList ChildTags(const QString& xml) {
  return RecordChildTags(xml);
}

// ---- Values ----------------------------------------------------------------------------

TEST(DRShadow, DefaultsFallDownAndRight) {
  const DRShadow shadow;
  EXPECT_EQ(shadow.xOffset(), 38100);
  EXPECT_EQ(shadow.yOffset(), 38100);
  EXPECT_TRUE(shadow.lockXY());
  EXPECT_EQ(shadow.kolor(), g_blackKolor);
  EXPECT_EQ(shadow.blur(), 25400);
  EXPECT_EQ(shadow.angle(), 1714500);
  // (2.12, -2.12) points with y up is 2.12 right and 2.12 down on the canvas.
  const DRContextShadow context = shadow.contextShadow();
  EXPECT_NEAR(context.offset.x(), 2.1213, 1e-4);
  EXPECT_NEAR(context.offset.y(), 2.1213, 1e-4);
  EXPECT_DOUBLE_EQ(context.blur, 2.0);
  EXPECT_EQ(context.color, QColor(Qt::black));
}

TEST(DRShadow, AnglesPointTheShadow) {
  struct Case {
    double degrees;
    QPointF offset;  // for distances of one point
  };
  const Case cases[] = {{0, {0, -1}}, {90, {1, 0}}, {180, {0, 1}}, {270, {-1, 0}}};
  for (const Case& c : cases) {
    DRShadow shadow;
    shadow.setXOffset(kPoint);
    shadow.setAngle(int64_t(c.degrees * kPoint));
    const QPointF offset = shadow.contextShadow().offset;
    EXPECT_NEAR(offset.x(), c.offset.x(), 1e-9) << c.degrees;
    EXPECT_NEAR(offset.y(), c.offset.y(), 1e-9) << c.degrees;
  }
}

TEST(DRShadow, TheLockCouplesTheDistances) {
  struct Case {
    bool locked;
    bool setX;
    MeasureUnit x, y;
  };
  const Case cases[] = {
      {true, true, 5 * kPoint, 5 * kPoint},
      {true, false, 5 * kPoint, 5 * kPoint},
      {false, true, 5 * kPoint, 38100},
      {false, false, 38100, 5 * kPoint},
  };
  for (const Case& c : cases) {
    DRShadow shadow;
    shadow.setLockXY(c.locked);
    if (c.setX) {
      shadow.setXOffset(5 * kPoint);
    } else {
      shadow.setYOffset(5 * kPoint);
    }
    EXPECT_EQ(shadow.xOffset(), c.x) << c.locked << c.setX;
    EXPECT_EQ(shadow.yOffset(), c.y) << c.locked << c.setX;
  }

  DRShadow shadow;
  shadow.setLockXY(false);
  shadow.setXOffset(kPoint);
  shadow.setYOffset(7 * kPoint);
  const DRShadow copy = shadow;
  EXPECT_EQ(copy.xOffset(), kPoint);
  EXPECT_EQ(copy.yOffset(), 7 * kPoint);
  EXPECT_FALSE(copy.lockXY());
  // Locking again gives y the x distance.
  shadow.setLockXY(true);
  EXPECT_EQ(shadow.yOffset(), kPoint);
}

TEST(DRShadow, EveryFieldIsAPropertyWithItsName) {
  DRShadow shadow;
  shadow.setLockXY(false);
  const QMetaObject& meta = DRShadow::staticMetaObject;
  const std::pair<const char*, QVariant> cases[] = {
      {"xOffset", QVariant(qlonglong(1))},
      {"yOffset", QVariant(qlonglong(2))},
      {"blur", QVariant(qlonglong(3))},
      {"angle", QVariant(qlonglong(4))},
      {"kolor", QVariant::fromValue(Kolor(0x64112233))},
      {"lockXY", QVariant(true)},
  };
  for (const auto& [name, value] : cases) {
    const int index = meta.indexOfProperty(name);
    ASSERT_GE(index, 0) << name;
    ASSERT_TRUE(meta.property(index).writeOnGadget(&shadow, value)) << name;
    EXPECT_EQ(meta.property(index).readOnGadget(&shadow), value) << name;
  }
  EXPECT_EQ(shadow.xOffset(), 1);
  EXPECT_EQ(shadow.yOffset(), 1);  // locking copied x into y
  EXPECT_EQ(shadow.kolor(), 0x64112233u);
}

// ---- Bounds ----------------------------------------------------------------------------

TEST(DRShadow, AdjustBoundsTakesInTheOffset) {
  struct Case {
    double degrees;
    MeasureUnit x, y;
    CSRect in, out;
  };
  const CSRect box{0, 0, 127000, 127000};
  const Case cases[] = {
      {135, 38100, 38100, box, {0, 0, 153941, 153941}},
      // Straight up: the y distance rises above the top.
      {0, 38100, 38100, box, {0, -38101, 127001, 165101}},
      {90, 38100, 38100, box, {0, 0, 165101, 127001}},
      {180, 38100, 38100, box, {0, 0, 127001, 165101}},
      {270, 38100, 38100, box, {-38101, 0, 165101, 127001}},
      {315, 38100, 38100, {100, 200, 300, 400}, {100 - 26941, 200 - 26941, 300 + 26941, 400 + 26941}},
      {135, 0, 0, box, {0, 0, 127001, 127001}},
      // Stored values may be anything: the arithmetic saturates.
      {270, kMax, kMax, {kMin + 5, kMax - 5, kMax, kMax}, {kMin, kMax - 5, kMax, kMax}},
      {0, kMax, kMax, {0, kMin, 0, kMax}, {0, kMin, 1, kMax}},
  };
  for (const Case& c : cases) {
    DRShadow shadow;
    shadow.setLockXY(false);
    shadow.setXOffset(c.x);
    shadow.setYOffset(c.y);
    shadow.setAngle(int64_t(c.degrees * kPoint));
    EXPECT_EQ(shadow.adjustBounds(c.in), c.out) << c.degrees << " " << NewCSRectString(c.out).toStdString() << " got "
                                                << NewCSRectString(shadow.adjustBounds(c.in)).toStdString();
  }
}

// ---- Merging ---------------------------------------------------------------------------

struct MergeCase {
  const char* name;
  std::function<void(DRShadow&)> change;
  std::function<void(DRShadow&)> expectMixed;
};

void PrintTo(const MergeCase& c, std::ostream* os) {
  *os << c.name;
}

class ShadowMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(ShadowMerge, MarksOnlyTheDifferingFieldMixed) {
  const MergeCase& c = GetParam();
  DRShadow first;
  first.setLockXY(false);
  DRShadow second = first;
  c.change(second);
  DRShadow expected = first;
  c.expectMixed(expected);
  first.intersectWith(second);
  EXPECT_EQ(first, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ShadowMerge,
    ::testing::Values(MergeCase{"Identical", [](DRShadow&) {}, [](DRShadow&) {}},
                      MergeCase{"Lock", [](DRShadow& s) { s.setLockXY(true); }, [](DRShadow&) {}},
                      MergeCase{"X", [](DRShadow& s) { s.setXOffset(1); }, [](DRShadow& s) { s.setXOffset(kMax); }},
                      MergeCase{"Y", [](DRShadow& s) { s.setYOffset(1); }, [](DRShadow& s) { s.setYOffset(kMax); }},
                      MergeCase{"Blur", [](DRShadow& s) { s.setBlur(0); }, [](DRShadow& s) { s.setBlur(kMax); }},
                      MergeCase{"Angle", [](DRShadow& s) { s.setAngle(0); }, [](DRShadow& s) { s.setAngle(kMax); }},
                      MergeCase{"Colour", [](DRShadow& s) { s.setKolor(0x64FF0000); },
                                [](DRShadow& s) { s.setKolor(g_nilKolor); }}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

TEST(DRShadow, MergingKeepsTheFirstLock) {
  DRShadow locked;
  DRShadow unlocked;
  unlocked.setLockXY(false);
  unlocked.setBlur(0);
  locked.intersectWith(unlocked);
  EXPECT_TRUE(locked.lockXY());
  EXPECT_EQ(locked.blur(), kMax);
  unlocked.intersectWith(DRShadow());
  EXPECT_FALSE(unlocked.lockXY());
  EXPECT_EQ(unlocked.blur(), kMax);
}

// ---- The record ----------------------------------------------------------------------

struct RecordCase {
  const char* name;
  std::function<void(DRShadow&)> change;
  QStringList tags;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class ShadowRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ShadowRecord, WritesItsFieldsAndReadsThemBack) {
  const RecordCase& c = GetParam();
  DRShadow shadow;
  c.change(shadow);
  const QString xml = Archive(shadow);
  EXPECT_EQ(ChildTags(xml), c.tags) << xml.toStdString();
  const std::optional<DRShadow> read = Read(xml);
  ASSERT_TRUE(read) << xml.toStdString();
  EXPECT_EQ(*read, shadow) << xml.toStdString();
  EXPECT_EQ(Archive(*read), xml);
}

INSTANTIATE_TEST_SUITE_P(Fields, ShadowRecord,
                         ::testing::Values(RecordCase{"Default", [](DRShadow&) {}, {"x", "y", "blur", "angle"}},
                                           RecordCase{"Unlocked",
                                                      [](DRShadow& s) {
                                                        s.setLockXY(false);
                                                        s.setXOffset(-kPoint);
                                                        s.setYOffset(kMax);
                                                      },
                                                      {"x", "y", "lock", "blur", "angle"}},
                                           RecordCase{"Colour",
                                                      [](DRShadow& s) { s.setKolor(0x32FF8000); },
                                                      {"x", "y", "blur", "angle", "color"}},
                                           RecordCase{"Everything",
                                                      [](DRShadow& s) {
                                                        s.setLockXY(false);
                                                        s.setXOffset(kMin);
                                                        s.setYOffset(0);
                                                        s.setBlur(-1);
                                                        s.setAngle(kMax);
                                                        s.setKolor(g_nilKolor);
                                                      },
                                                      {"x", "y", "lock", "blur", "angle", "color"}}),
                         [](const ::testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

TEST(DRShadow, ReadingStoresValuesWithoutCoupling) {
  const std::optional<DRShadow> read =
      Read(Record("<x>100</x><y>200</y><blur>3</blur><angle>4</angle><unknown><x>9</x></unknown>"));
  ASSERT_TRUE(read);
  EXPECT_TRUE(read->lockXY());
  EXPECT_EQ(read->xOffset(), 100);
  EXPECT_EQ(read->yOffset(), 200);
  EXPECT_EQ(read->blur(), 3);
  EXPECT_EQ(read->angle(), 4);
  EXPECT_EQ(read->kolor(), g_blackKolor);

  const std::optional<DRShadow> empty = Read(g_xmlPrefix + "<shadow/>");
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, DRShadow());

  const std::optional<DRShadow> unlocked = Read(Record("<lock>0</lock><x>99999999999999999999</x>"));
  ASSERT_TRUE(unlocked);
  EXPECT_FALSE(unlocked->lockXY());
  EXPECT_EQ(unlocked->xOffset(), kMax);
  EXPECT_EQ(unlocked->yOffset(), 38100);
}

TEST(DRShadow, RefusesBrokenRecords) {
  const QString broken[] = {
      g_xmlPrefix + "<shadow><x>3</x>",
      g_xmlPrefix + "<shadow><x>3</x></lineinfo>",
      g_xmlPrefix + "<shadow><x>3</x><y",
  };
  for (const QString& xml : broken) EXPECT_FALSE(Read(xml)) << xml.toStdString();
}

// ---- Casting shadows -----------------------------------------------------------------

constexpr QRectF kSquare(20, 20, 40, 40);

QPainterPath SquarePath(const QRectF& rect = kSquare) {
  QPainterPath path;
  path.addRect(rect);
  return path;
}

// Draws on a 100 x 100 white image through the current-painter calls.
QImage Render(const std::function<void(QPainter&)>& draw, QSize size = QSize(100, 100)) {
  return RenderImage(size, [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    PushShadowContext();
    draw(painter);
    PopShadowContext();
  });
}

QImage FillWithShadow(const DRShadow& shadow, const QBrush& brush = QColor(0, 0, 255)) {
  return Render([&](QPainter&) {
    shadow.set();
    FillPathInContext(SquarePath(), brush);
  });
}

TEST(ShadowContext, TheDefaultShadowFallsRightAndDownWithinItsBlur) {
  const QImage plain = Render([](QPainter&) { FillPathInContext(SquarePath(), QColor(0, 0, 255)); });
  EXPECT_EQ(InkBounds(plain), QRect(20, 20, 40, 40));

  const QImage shadowed = FillWithShadow(DRShadow());
  // The shape is unchanged; the shadow shows beside and below it, about 2.12
  // points on, and dies out within its blur of 2 points.
  EXPECT_EQ(shadowed.pixel(40, 40), plain.pixel(40, 40));
  const QRect ink = InkBounds(shadowed);
  EXPECT_EQ(ink.topLeft(), QPoint(20, 20));
  EXPECT_GE(ink.right(), 61);
  EXPECT_LE(ink.right(), 60 + 2 + 2);
  EXPECT_GE(ink.bottom(), 61);
  EXPECT_LE(ink.bottom(), 60 + 2 + 2);
  // Right of the shape and below it: dark; above-right and below-left,
  // where the offset takes the shadow away: nothing.
  EXPECT_LT(qGray(shadowed.pixel(60, 40)), 160);
  EXPECT_LT(qGray(shadowed.pixel(40, 60)), 160);
  EXPECT_EQ(InkCount(shadowed, QRect(60, 0, 40, 19)), 0);
  EXPECT_EQ(InkCount(shadowed, QRect(0, 60, 19, 40)), 0);
  EXPECT_EQ(InkCount(shadowed, QRect(0, 0, 20, 100)), 0);
}

TEST(ShadowContext, OnlyTheFillCastsAShadowWhenItIsResetBeforeTheStroke) {
  // The element's order: fill, drop the shadow, stroke a wide outline.
  const auto draw = [](bool reset) {
    return Render([reset](QPainter&) {
      FakeStyleClient element;
      element.shadow = DRShadow();
      element.shadow->set();
      FillPathInContext(SquarePath(), QColor(0, 0, 255));
      if (reset) element.resetShadow();
      QPen pen(QColor(255, 0, 0));
      pen.setWidthF(8);
      StrokePathInContext(SquarePath(), pen);
    });
  };
  const QImage both = draw(false);
  const QImage fillOnly = draw(true);
  // The stroke reaches to 64; its shadow goes past it, the fill's does not.
  const QRect beyondStroke(65, 0, 35, 100);
  EXPECT_GT(InkCount(both, beyondStroke), 0);
  EXPECT_EQ(InkCount(fillOnly, beyondStroke), 0);
  EXPECT_EQ(InkBounds(fillOnly), QRect(16, 16, 48, 48));
}

TEST(ShadowContext, ShadowsScaleWithZoomButDoNotTurn) {
  DRShadow shadow;
  shadow.setXOffset(10 * kPoint);
  shadow.setBlur(0);
  const QRectF square(40, 40, 20, 20);
  const auto draw = [&](double zoom, double degrees) {
    return Render(
        [&](QPainter& painter) {
          painter.scale(zoom, zoom);
          painter.translate(50, 50);
          painter.rotate(degrees);
          painter.translate(-50, -50);
          shadow.set();
          FillPathInContext(SquarePath(square), QColor(0, 0, 255));
        },
        QSize(int(100 * zoom), int(100 * zoom)));
  };
  // 10 points at 135 degrees: 7.07 right and 7.07 down.
  const QRect plain = InkBounds(draw(1, 0));
  EXPECT_NEAR(plain.right(), 59 + 7, 1);
  EXPECT_NEAR(plain.bottom(), 59 + 7, 1);
  EXPECT_EQ(plain.topLeft(), QPoint(40, 40));
  // Zoomed twice, everything doubles.
  const QRect zoomed = InkBounds(draw(2, 0));
  EXPECT_EQ(zoomed.topLeft(), QPoint(80, 80));
  EXPECT_NEAR(zoomed.right(), 119 + 14, 1);
  EXPECT_NEAR(zoomed.bottom(), 119 + 14, 1);
  // Turned a quarter (or flipped over), the shadow still falls right and down.
  for (double degrees : {90.0, 180.0, 270.0}) EXPECT_EQ(InkBounds(draw(1, degrees)), plain) << degrees;
  const QRect flipped = InkBounds(Render([&](QPainter& painter) {
    painter.translate(0, 100);
    painter.scale(1, -1);
    shadow.set();
    FillPathInContext(SquarePath(square), QColor(0, 0, 255));
  }));
  EXPECT_EQ(flipped, plain);
}

TEST(ShadowContext, TheBlurFadesEdgesLikeAGaussian) {
  // A shadow 30 points off, blurred 10 points: its edges at 80 fade from
  // dark to light over the blur, half dark at the edge, both across and down.
  const QImage image = Render(
      [](QPainter&) {
        SetContextShadow(DRContextShadow{QPointF(30, 30), 10, QColor(0, 0, 0)});
        FillPathInContext(SquarePath(QRectF(10, 10, 40, 40)), QColor(0, 0, 255));
      },
      QSize(120, 120));
  const auto across = [&](int x) { return (qGray(image.pixel(x - 1, 65)) + qGray(image.pixel(x, 65))) / 2; };
  const auto down = [&](int y) { return (qGray(image.pixel(65, y - 1)) + qGray(image.pixel(65, y))) / 2; };
  for (const auto& profile : {std::function<int(int)>(across), std::function<int(int)>(down)}) {
    EXPECT_NEAR(profile(80), 128, 15);
    EXPECT_LT(profile(70), 20);
    EXPECT_GT(profile(90), 235);
    for (int at = 66; at < 96; ++at) EXPECT_LE(profile(at), profile(at + 1) + 1) << at;
  }
}

TEST(ShadowContext, HighDensityDevicesGetTheShadowInPoints) {
  QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(2);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    SetContextShadow(DRContextShadow{QPointF(10, 5), 0, QColor(0, 0, 0)});
    FillPathInContext(SquarePath(), QColor(0, 0, 255));
    SetContextShadow(std::nullopt);
  }
  image.setDevicePixelRatio(1);
  EXPECT_EQ(InkBounds(image), QRect(40, 40, 80 + 20, 80 + 10));
}

TEST(ShadowContext, BlurIsCappedAndNeverNegative) {
  const auto draw = [](double blur) {
    return Render(
        [blur](QPainter&) {
          SetContextShadow(DRContextShadow{QPointF(3, 3), blur, QColor(0, 0, 0)});
          FillPathInContext(SquarePath(QRectF(45, 45, 10, 10)), QColor(0, 0, 255));
        },
        QSize(300, 300));
  };
  EXPECT_TRUE(ImagesMatch(draw(-5), draw(0), 0, QStringLiteral("shadow-negative-blur")));
  EXPECT_TRUE(ImagesMatch(draw(kMaxShadowBlur * 10), draw(kMaxShadowBlur), 0, QStringLiteral("shadow-capped-blur")));
  EXPECT_TRUE(ImagesMatch(draw(std::nan("")), draw(0), 0, QStringLiteral("shadow-nan-blur")));
  // A larger blur spreads further.
  EXPECT_GT(InkBounds(draw(10)).width(), InkBounds(draw(2)).width());
}

TEST(ShadowContext, ATransparentShadowDrawsNothing) {
  DRShadow shadow;
  shadow.setKolor(MakeKolor(0, 0, 0, 0));
  EXPECT_EQ(InkBounds(FillWithShadow(shadow)), QRect(20, 20, 40, 40));
  shadow.setKolor(g_nilKolor);
  EXPECT_EQ(InkBounds(FillWithShadow(shadow)), QRect(20, 20, 40, 40));
}

TEST(ShadowContext, TheShadowTakesTheColourAndTheShapesOpacity) {
  DRShadow shadow;
  shadow.setBlur(0);
  shadow.setKolor(MakeKolor(255, 0, 0));
  QImage image = FillWithShadow(shadow);
  // Below the square, inside the shadow: pure red.
  EXPECT_EQ(image.pixel(40, 61), qRgb(255, 0, 0));
  // A half-transparent fill casts a half-strength shadow.
  image = FillWithShadow(shadow, QColor(0, 0, 255, 128));
  const QRgb half = image.pixel(40, 61);
  EXPECT_EQ(qRed(half), 255);
  EXPECT_NEAR(qGreen(half), 127, 3);
}

TEST(ShadowContext, ImagesCastShadowsToo) {
  QImage picture(10, 10, QImage::Format_ARGB32_Premultiplied);
  picture.fill(QColor(0, 255, 0));
  const QImage image = Render([&](QPainter&) {
    DRShadow().set();
    DrawImageInContext(QRectF(20, 20, 40, 40), picture);
  });
  EXPECT_LT(qGray(image.pixel(40, 61)), 160);
  EXPECT_EQ(InkCount(image, QRect(0, 0, 20, 100)), 0);
}

TEST(ShadowContext, TheClipCutsTheShadow) {
  const QImage image = Render([](QPainter& painter) {
    painter.setClipRect(QRectF(0, 0, 61, 100));
    DRShadow().set();
    FillPathInContext(SquarePath(), QColor(0, 0, 255));
  });
  EXPECT_EQ(InkCount(image, QRect(61, 0, 39, 100)), 0);
  EXPECT_GT(InkCount(image, QRect(20, 60, 41, 5)), 0);
}

TEST(ShadowContext, ShapesOffTheDeviceCastShadowsOntoIt) {
  // The square lies left of the image; only its shadow reaches in.
  const QImage image = Render([](QPainter&) {
    SetContextShadow(DRContextShadow{QPointF(30, 0), 0, QColor(0, 0, 0)});
    FillPathInContext(SquarePath(QRectF(-25, 20, 20, 20)), QColor(0, 0, 255));
  });
  EXPECT_EQ(InkBounds(image), QRect(5, 20, 20, 20));
}

TEST(ShadowContext, TheShadowIsPartOfThePainterState) {
  QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  {
    GraphicsContextScope scope(&painter);
    EXPECT_FALSE(ContextShadow());
    const DRContextShadow first{QPointF(1, 2), 3, QColor(Qt::red)};
    SetContextShadow(first);
    PushShadowContext();
    EXPECT_EQ(ContextShadow(), first);
    SetContextShadow(std::nullopt);
    EXPECT_FALSE(ContextShadow());

    // Another painter made current starts without a shadow.
    QImage other(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter otherPainter(&other);
    {
      GraphicsContextScope inner(&otherPainter);
      EXPECT_FALSE(ContextShadow());
      SetContextShadow(DRContextShadow{QPointF(), 1, QColor(Qt::blue)});
    }
    otherPainter.end();
    EXPECT_FALSE(ContextShadow());

    PopShadowContext();
    EXPECT_EQ(ContextShadow(), first);
    SetContextShadow(std::nullopt);
  }
  // Without a painter nothing happens.
  SetContextShadow(DRContextShadow{});
  EXPECT_FALSE(ContextShadow());
  PushShadowContext();
  PopShadowContext();
  FillPathInContext(SquarePath(), Qt::black);
}

}  // namespace
