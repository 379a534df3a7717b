#include "support/StringWithFormat.h"

#include <gtest/gtest.h>

TEST(StringWithFormat, ConversionsAndObjects) {
  EXPECT_EQ(StringWithFormat("%d-%02d-%02d %@ ", 2026, 3, 7, QStringLiteral("twdraw")),
            QStringLiteral("2026-03-07 twdraw "));
  EXPECT_EQ(StringWithFormat("Allocation failed for %lu bytes.", uint64_t(1) << 40),
            QStringLiteral("Allocation failed for 1099511627776 bytes."));
  EXPECT_EQ(StringWithFormat("%0.02f|%5.1f|%x|%X|%c|%s|%%", 0.5, 2.25, 255u, 255, 'A', "é"),
            QStringLiteral("0.50|  2.2|ff|FF|A|é|%"));
  EXPECT_EQ(StringWithFormat("[%-4@][%4@]", QStringLiteral("ab"), QStringLiteral("cd")), QStringLiteral("[ab  ][  cd]"));
  EXPECT_EQ(StringWithFormat("%@", 12), QStringLiteral("12"));
  EXPECT_EQ(StringWithFormat("%d", QStringLiteral("17")), QStringLiteral("17"));
}

TEST(StringWithFormat, BadFormatsNeverCrash) {
  EXPECT_EQ(StringWithFormat("%d %d %@"), QStringLiteral("0 0 "));  // missing arguments
  EXPECT_EQ(StringWithFormat("100%"), QStringLiteral("100%"));
  EXPECT_EQ(StringWithFormat("%y %d", 3), QStringLiteral("%y 3"));
  EXPECT_EQ(StringWithFormat("%99999999d", 1).size(), 9999);  // width capped
  EXPECT_EQ(StringWithFormat(nullptr), QString());
}
