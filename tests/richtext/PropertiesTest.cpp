#include "richtext/Properties.h"

#include <gtest/gtest.h>

#include "support/Measure.h"

namespace {

TEST(PropertiesTest, StepOffsetFontSizeWalksTheLadder) {
  struct Case {
    int32_t points, steps, expected;
  };
  const Case cases[] = {
      {11, 1, 12},  {25, 1, 26},  {37, 1, 38}, {12, 1, 14},   {9, 1, 10},   {24, 1, 36},
      {36, 1, 48},  {12, -1, 10}, {2, -1, 4},  {30, -1, 24},  {36, -1, 24}, {37, -1, 36},
      {72, -1, 60}, {25, -1, 24}, {11, -1, 10}, {10, -1, 9},  {9, -1, 8},   {5, -1, 4},
      {2000, 1, 2000}, {1990, 1, 1992}, {1992, 1, 2000}, {3, 0, 4}, {12, 2, 16}, {48, -2, 24}, {12, 100000, 2000},
      {12, -100000, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StepOffsetFontSize(c.points, c.steps), c.expected) << c.points << " by " << c.steps;
}

TEST(PropertiesTest, AddTabDropsTheLastOfAFullSet) {
  ParaProps para;
  for (uint32_t i = 0; i < kMaxTabs; ++i) AddTab(&para, i, 1000 * (i + 1));
  ASSERT_EQ(para.tabCount, kMaxTabs);
  AddTab(&para, 0, 500);
  EXPECT_EQ(para.tabCount, kMaxTabs);
  EXPECT_EQ(para.tabs[0], 500u);
  EXPECT_EQ(para.tabs[1], 1000u);
  EXPECT_EQ(para.tabs[kMaxTabs - 1], 24000u);  // 25,000 went
  AddTab(&para, kMaxTabs, 99);                 // would be dropped at once
  EXPECT_EQ(para.tabs[kMaxTabs - 1], 24000u);

  DeleteTab(&para, 0);
  EXPECT_EQ(para.tabCount, kMaxTabs - 1);
  EXPECT_EQ(para.tabs[0], 1000u);
  EXPECT_EQ(para.tabs[kMaxTabs - 1], 0u);  // the freed slot is cleared
  AddTab(&para, 30, 7);                    // past the count: ignored
  DeleteTab(&para, 30);
  EXPECT_EQ(para.tabCount, kMaxTabs - 1);
  ClearTabs(&para);
  EXPECT_EQ(para.tabCount, 0);
  for (TabStop tab : para.tabs) EXPECT_EQ(tab, 0u);
}

TEST(PropertiesTest, BaseValuesByType) {
  Properties record;
  SetBaseProperties(kCharProperties, &record);
  EXPECT_EQ(record.ownIndex, kNoPropertyIndex);
  EXPECT_EQ(record.body.charProps.color, 0x64000000u);
  EXPECT_EQ(record.body.charProps.back, 0xFFFFFFFFu);
  SetBaseProperties(kTableProperties, &record);
  EXPECT_EQ(record.body.table.border.color, 0x64000000u);
  EXPECT_EQ(record.body.table.border.incolor, 0xFFFFFFFFu);
  EXPECT_EQ(record.body.table.stripecolor, 0xFFFFFFFFu);
  SetBaseProperties(kDocProperties, &record);
  const DocProps& doc = record.body.doc;
  EXPECT_EQ(doc.left + doc.top + doc.right + doc.bottom, 4 * 914400);
  EXPECT_EQ(doc.image, 0xFFFFFFFFu);
  EXPECT_EQ(doc.opacity, 100u);
  EXPECT_EQ(doc.scale, 1000u);
  SetBaseProperties(kListProperties, &record);
  EXPECT_EQ(record.body.list.indent, 0);
  EXPECT_EQ(record.body.list.mark[8].type, 0u);
}

TEST(PropertiesTest, BodiesCompareByTheirTypesSizeAndBordersOfNoneAlike) {
  Properties a, b;
  SetBaseProperties(kParaProperties, &a);
  SetBaseProperties(kParaProperties, &b);
  b.body.para.border.bwidth = 3;
  b.body.para.border.color = 0x64FF0000;
  b.body.para.border.back = 0x6400FF00;
  a.body.para.border.back = 0x6400FF00;
  EXPECT_FALSE(ArePropertiesEqual(a, b));
  SanitizeBorder(&b);
  EXPECT_TRUE(ArePropertiesEqual(a, b));
  b.body.para.border.back = 0x64000000;  // the background stays apart
  EXPECT_FALSE(ArePropertiesEqual(a, b));

  // Bytes past the type's body do not count.
  Properties c, d;
  SetBaseProperties(kCharProperties, &c);
  SetBaseProperties(kCharProperties, &d);
  d.body.bytes[sizeof(CharProps) + 3] = 9;
  EXPECT_TRUE(ArePropertiesEqual(c, d));
  d.type = kBorderProperties;
  EXPECT_FALSE(ArePropertiesEqual(c, d));

  CharProps body;
  body.size = 48;
  InitProperties(kCharProperties, &c, &body);
  EXPECT_EQ(c.body.charProps.size, 48);
  EXPECT_EQ(c.body.charProps.color, 0u);
}

TEST(PropertiesTest, EmptyMeasureRect) {
  EXPECT_TRUE(IsEmptyMeasureRect(CSRect{}));
  EXPECT_FALSE(IsEmptyMeasureRect(CSRect{0, 0, 0, 1}));
}

}  // namespace
