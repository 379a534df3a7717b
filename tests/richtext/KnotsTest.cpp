#include "richtext/Knots.h"

#include <gtest/gtest.h>

namespace {

TEST(KnotsTest, DescriptionRowsByType) {
  EXPECT_EQ(KinkCountForType(kKnotChapter), 8u);
  EXPECT_EQ(KnotDescForType(kKnotChapter).middleMark, 1u);
  EXPECT_EQ(KinkCountForType(kKnotLink), 3u);
  EXPECT_EQ(LineKinkForKnotType(kKnotLink), 4u);
  EXPECT_EQ(KinkCountForType(kKnotRow), 0u);  // the caller says
  EXPECT_EQ(KnotDescForType(kKnotTable).knotClass, 2u);
  EXPECT_EQ(KnotDescForType(kKnotDivider).endMark, 1u);
  EXPECT_EQ(LineKinkForKnotType(kKnotVariable), 11u);
  // A type past the table reads as no knot.
  EXPECT_EQ(KinkCountForType(17), 0u);
  EXPECT_EQ(KinkCountForType(0xFFFFFFFF), 0u);
  const KnotFormat none;
  EXPECT_EQ(none.index, 0xFFFFFFFFu);
  EXPECT_EQ(none.kinkCount, 0u);
}

}  // namespace
