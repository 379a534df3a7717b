#include <gtest/gtest.h>

#include <limits>

#include "support/NumberText.h"
#include "testkit/QStringPrinter.h"

TEST(SizeText, WritesTheShortestTextThatReadsBackExactly) {
  const QSizeF sizes[] = {{0, 0}, {200, 100}, {0.1, 1234.5678}, {-3.25, 1e-300}, {1e300, 7}};
  for (const QSizeF size : sizes) {
    SCOPED_TRACE(SizeToText(size).toStdString());
    EXPECT_EQ(SizeFromText(SizeToText(size)), size);
  }
  EXPECT_EQ(SizeToText(QSizeF(200, 100)), "{200, 100}");
  EXPECT_EQ(SizeToText(QSizeF(12.5, 0.1)), "{12.5, 0.1}");
}

TEST(SizeText, ReadsBlanksAndRefusesAnythingElse) {
  EXPECT_EQ(SizeFromText(u" { 3 ,4.5 } "), QSizeF(3, 4.5));
  EXPECT_EQ(SizeFromText(u"{3,4}"), QSizeF(3, 4));
  for (const char16_t* bad : {u"", u"{}", u"{3}", u"3, 4", u"{3, 4", u"{3, 4}x", u"{3 4}", u"{3, 4, 5}", u"{a, 4}",
                              u"{nan, 4}", u"{3, inf}", u"{1e999, 4}", u"{3,, 4}"}) {
    SCOPED_TRACE(QString::fromUtf16(bad).toStdString());
    EXPECT_EQ(SizeFromText(bad), QSizeF(0, 0));
  }
}
