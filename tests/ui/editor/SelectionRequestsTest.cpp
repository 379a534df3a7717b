#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeModelServices.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/SelectionRequests.h"

namespace {

constexpr int64_t kDegree = 12700;

class SelectionRequestsTest : public ::testing::Test {
 protected:
  FakeModelServices services;
  QObject window;
};

TEST_F(SelectionRequestsTest, ChangeRequestsPostTheUserInformation) {
  NotificationRecorder recorder({g_settingsChangeNotification});
  const QString bold = QStringLiteral("textInfo.isBold");
  ChangeSelectionBool(&window, bold, QStringLiteral("setBold:"), true);
  ChangeSelectionColor(&window, QStringLiteral("fillKolor"), QString(), kSwatchNone, 0x640000FFu);
  ChangeSelectionColor(&window, QStringLiteral("textInfo.textKolor"), QString(), kSwatchTextColor, 0x64FF0000u);
  ChangeSelectionMeasure(&window, QStringLiteral("lineInfo.width"), QString(), kSwatchLineWidth, 25400);
  ChangeSelectionMeasure(&window, QStringLiteral("lineInfo.width"), QString(), kSwatchLineWidth, kMixedMeasure);
  ChangeSelectionNumber(&window, QStringLiteral("textInfo.alignment"), QString(), 2);
  ChangeSelectionObject(&window, QStringLiteral("gradient"), QString(), QVariant());

  const std::vector<CSNotification>& posted = recorder.posted();
  ASSERT_EQ(posted.size(), 6u);  // the mixed measure posts nothing
  for (const CSNotification& n : posted) EXPECT_EQ(n.object, &window);

  struct Row {
    QString getter;
    int valueType;
    bool hasSetter;
    QVariant swatch;
  } rows[] = {
      {bold, 0, true, {}},
      {QStringLiteral("fillKolor"), 1, false, {}},
      {QStringLiteral("textKolor"), 1, false, 11},
      {QStringLiteral("lineInfo.width"), 3, false, 1},
      {QStringLiteral("textInfo.alignment"), 4, false, {}},
      {QStringLiteral("gradient"), 5, false, {}},
  };
  rows[2].getter = QStringLiteral("textInfo.textKolor");
  for (size_t i = 0; i < posted.size(); ++i) {
    const QVariantMap& info = posted[i].userInfo;
    SCOPED_TRACE(rows[i].getter.toStdString());
    EXPECT_EQ(info.value("getter").toString(), rows[i].getter);
    EXPECT_EQ(info.value("valueType").toInt(), rows[i].valueType);
    EXPECT_EQ(info.contains("setter"), rows[i].hasSetter);
    EXPECT_EQ(info.value("swatch"), rows[i].swatch);
    EXPECT_TRUE(info.contains("value"));
  }
  EXPECT_EQ(posted[0].userInfo.value("setter").toString(), QStringLiteral("setBold:"));
  EXPECT_EQ(posted[0].userInfo.value("value").toBool(), true);
  EXPECT_EQ(KolorValue(posted[1].userInfo.value("value")), 0x640000FFu);
  EXPECT_EQ(MeasureValue(posted[3].userInfo.value("value")), 25400);
  EXPECT_EQ(posted[4].userInfo.value("value").toLongLong(), 2);
  EXPECT_FALSE(posted[5].userInfo.value("value").isValid());  // no object
}

TEST_F(SelectionRequestsTest, ARequestIsAppliedByTheTimeItReturns) {
  DRDrawing drawing;
  FakeCanvasHost canvas(&drawing);
  auto rectangle = std::make_unique<DRElementRectangle>();
  rectangle->setFillKolor(0x64FFFFFFu);
  canvas.selected = {rectangle.get()};
  const NotificationCenter::Token token = NotificationCenter::defaultCenter().addObserver(
      this, g_settingsChangeNotification, &window,
      [&](const CSNotification& n) { drawing.change(n.userInfo, &canvas); });
  ChangeSelectionColor(&window, QStringLiteral("fillKolor"), QString(), kSwatchFill, 0x6400FF00u);
  EXPECT_EQ(rectangle->fillKolor(), 0x6400FF00u);
  NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(SelectionRequestsTest, EnqueuedChangesPostOnceWhenIdle) {
  NotificationRecorder recorder({QStringLiteral("twdraw.arrowChange")});
  for (int i = 0; i < 3; ++i) EnqueueSelectionChange(&window, QStringLiteral("twdraw.arrowChange"));
  EXPECT_EQ(recorder.count(QStringLiteral("twdraw.arrowChange")), 0);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  ASSERT_EQ(recorder.count(QStringLiteral("twdraw.arrowChange")), 1);
  EXPECT_EQ(recorder.posted().front().object, &window);
}

TEST_F(SelectionRequestsTest, Queries) {
  DRElementRectangle thirty, fortyFive;
  thirty.setRotation(30 * kDegree);
  fortyFive.setRotation(45 * kDegree);
  DRElementLine line, otherLine;
  struct RotationRow {
    std::vector<DRElement*> elements;
    int64_t rotation;
  } rotations[] = {
      {{}, 0},
      {{&thirty, &fortyFive}, kMixedMeasure},
      {{&line, &thirty}, 30 * kDegree},
      {{&thirty, &line}, 30 * kDegree},
      {{&line, &otherLine}, kMixedMeasure},
  };
  for (const RotationRow& row : rotations) EXPECT_EQ(RotationForSelection(row.elements), row.rotation);

  // Line styles: the width mixed, the first colour kept while they agree.
  DRElementRectangle narrow;
  DRElementEllipse wide;
  DRLineInfo style;
  style.setWidth(12700);
  style.setKolorWithoutRegistering(0x64FF0000u);
  narrow.setLineInfo(style);
  style.setWidth(25400);
  wide.setLineInfo(style);
  FakeCanvasHost canvas;
  canvas.selected = {&narrow, &wide};
  std::optional<DRLineInfo> merged = LineInfoForSelection(&canvas);
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->width(), kMixedMeasure);
  EXPECT_EQ(merged->kolor(), 0x64FF0000u);
  EXPECT_NE(merged->lineStyle(), kMixedLineStyle);

  // Fills: a single line has none; two fills that differ are mixed.
  Kolor fill = 7;
  canvas.selected = {&line};
  EXPECT_FALSE(GetFillKolorForSelection(&canvas, &fill));
  EXPECT_EQ(fill, 7u);
  narrow.setFillKolor(0x64FFFFFFu);
  wide.setFillKolor(0x64FFFFFFu);
  canvas.selected = {&line, &narrow, &wide};
  ASSERT_TRUE(GetFillKolorForSelection(&canvas, &fill));
  EXPECT_EQ(fill, 0x64FFFFFFu);
  wide.setFillKolor(0x64000000u);
  ASSERT_TRUE(GetFillKolorForSelection(&canvas, &fill));
  EXPECT_EQ(fill, g_nilKolor);

  // Arrows: none without one; a line without an arrow mixes the flags.
  canvas.selected = {&line, &narrow};
  EXPECT_FALSE(ArrowForSelection(&canvas));
  std::optional<DRArrow> arrow = DRArrow::standardArrow(4);
  ASSERT_TRUE(arrow);
  arrow->setOnEnd(1);
  otherLine.setArrow(arrow);
  canvas.selected = {&line, &otherLine};
  DRElement* holder = nullptr;
  std::optional<DRArrow> common = ArrowForSelection(&canvas, &holder);
  ASSERT_TRUE(common);
  EXPECT_EQ(holder, &otherLine);
  EXPECT_EQ(common->type(), 0);
  EXPECT_EQ(common->onEnd(), 2);
  EXPECT_EQ(common->fillKolor(), kMixedArrowFillKolor);
  // Two equal arrows merge to that arrow.
  line.setArrow(arrow);
  common = ArrowForSelection(&canvas);
  ASSERT_TRUE(common);
  EXPECT_TRUE(*common == *arrow);
}

}  // namespace
