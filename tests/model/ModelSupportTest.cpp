#include "model/ModelSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"

TEST(RotationFromControl, SlidersSnapNearMultiplesOf45) {
  struct Case {
    double degrees;
    MeasureUnit angle;
  } cases[] = {
      {47, 571500},   {52, 660400},  {-44, 4000500}, {39, 571500}, {38.9, 494030},
      {3, 0},         {360, 0},      {-360, 0},      {0.03, 0},    {0.025, 0},
      {12.34, 156845}, {-0.04, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RotationFromControl(c.degrees), c.angle) << c.degrees;
  EXPECT_EQ(RotationFromControl(std::nan("")), 0);
}

TEST(RotationFromControl, TypedAnglesWrapOnlyWhenNegative) {
  struct Case {
    MeasureUnit typed;
    MeasureUnit angle;
  } cases[] = {
      {4572000, 0},       {-4572000, 0},      {4572001, 4572000}, {5000000, 4999990},
      {-571500, 4000500}, {-9144000 - 635, 4572000 - 635},        {316, 0},
      {317, 635},         {952, 1270},        {kMixedMeasure, kMixedMeasure},
  };
  for (const Case& c : cases) EXPECT_EQ(RotationFromField(c.typed), c.angle) << c.typed;
}

TEST(AddGradientToList, MovesAnEqualEntryToTheFront) {
  DRGradient a, b, c;
  b.setLinearAngle(5);
  c.setRadial(true);
  QList<DRGradient> list;
  AddGradientToList(&list, a);
  AddGradientToList(&list, b);
  AddGradientToList(&list, c);
  EXPECT_EQ(list, (QList<DRGradient>{c, b, a}));
  AddGradientToList(&list, c);  // already first
  AddGradientToList(&list, a);
  EXPECT_EQ(list, (QList<DRGradient>{a, c, b}));
  AddGradientToList(nullptr, a);
}

TEST(RegisterKolor, OneCoalescedPostOfTheLastColourWhenIdle) {
  FakeModelServices services;
  std::vector<std::pair<QString, Kolor>> posts;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &posts, QString(), services.mainWindow(), [&](const CSNotification& n) {
        if (n.name.startsWith("twdraw.register")) posts.emplace_back(n.name, KolorValue(n.userInfo.value("color")));
      });

  for (Kolor k : {0x640000FFu, 0x6400FF00u, 0x64FF0000u, 0x32FFFFFFu, 0x64123456u}) RegisterKolor(k, true);
  RegisterKolor(0x64ABCDEF, false);
  RegisterKolor(g_nilKolor, true);  // not a colour
  EXPECT_TRUE(posts.empty());       // nothing before the loop is idle
  QCoreApplication::processEvents();
  NotificationQueue::defaultQueue().flush();

  ASSERT_EQ(posts.size(), 2u);
  std::sort(posts.begin(), posts.end());
  EXPECT_EQ(posts[0], std::make_pair(QString("twdraw.registerAltColor"), Kolor(0x64ABCDEF)));
  EXPECT_EQ(posts[1], std::make_pair(QString("twdraw.registerColor"), Kolor(0x64123456)));

  posts.clear();
  g_suppressColorRegister = true;
  RegisterKolor(0x640000FF, true);
  g_suppressColorRegister = false;
  QCoreApplication::processEvents();
  NotificationQueue::defaultQueue().flush();
  EXPECT_TRUE(posts.empty());
  NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(AddArrowToList, KeepsTwentyMostRecentFirst) {
  FakeModelServices services;
  QList<DRArrow>& list = services.recentArrows();
  std::vector<DRArrow> arrows;
  for (int i = 0; i < 21; ++i) {
    DRArrow arrow = *DRArrow::standardArrow(kArrowTypeOpen);
    arrow.setYControl(12700 + 127 * i);
    arrows.push_back(arrow);
  }
  for (int i = 0; i < 20; ++i) AddArrowToList(arrows[size_t(i)]);
  ASSERT_EQ(list.size(), 20);
  EXPECT_EQ(list.first(), arrows[19]);
  EXPECT_EQ(list.last(), arrows[0]);

  AddArrowToList(arrows[5]);  // an equal arrow moves to the front
  EXPECT_EQ(list.first(), arrows[5]);
  EXPECT_EQ(list.size(), 20);
  AddArrowToList(arrows[20]);  // the twenty-first drops the oldest
  EXPECT_EQ(list.size(), 20);
  EXPECT_EQ(list.first(), arrows[20]);
  EXPECT_FALSE(list.contains(arrows[0]));
  AddArrowToList(std::nullopt);
  EXPECT_EQ(list.first(), arrows[20]);
}
