// The test kit's image comparison, which rendering tests everywhere rely on.
#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>

#include "testkit/ImageCompare.h"

namespace {

TEST(ImageCompareTest, ToleranceAndFailureImages) {
  const QImage base =
      RenderImage(QSize(20, 10), [](QPainter& p) { p.fillRect(QRect(2, 2, 5, 5), QColor(100, 100, 100)); });
  const QImage near =
      RenderImage(QSize(20, 10), [](QPainter& p) { p.fillRect(QRect(2, 2, 5, 5), QColor(104, 100, 97)); });
  EXPECT_TRUE(ImagesMatch(base, base, 0, QStringLiteral("compare-same")));
  EXPECT_TRUE(ImagesMatch(near, base, 4, QStringLiteral("compare-near")));

  const QString name = QStringLiteral("compare-kit-self-test");
  const QString prefix = TestImageOutputFolder() + u'/' + name;
  for (const char* suffix : {"-actual.png", "-expected.png", "-diff.png"})
    QFile::remove(prefix + QLatin1String(suffix));
  const testing::AssertionResult result = ImagesMatch(near, base, 3, name);
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("25 pixels differ"), std::string::npos) << result.message();
  for (const char* suffix : {"-actual.png", "-expected.png", "-diff.png"}) {
    EXPECT_TRUE(QFile::exists(prefix + QLatin1String(suffix))) << suffix;
  }
  EXPECT_EQ(QImage(prefix + QStringLiteral("-diff.png")).pixel(3, 3), qRgb(255, 0, 0));

  EXPECT_FALSE(ImagesMatch(base, QImage(QSize(21, 10), QImage::Format_ARGB32), 255, QStringLiteral("compare-size")));
  EXPECT_FALSE(ImagesMatch(QImage(), base, 255, QStringLiteral("compare-null")));
  EXPECT_EQ(InkBounds(base), QRect(2, 2, 5, 5));
  EXPECT_EQ(InkCount(base, QRect(0, 0, 4, 4)), 4);
  EXPECT_TRUE(InkBounds(RenderImage(QSize(5, 5), nullptr)).isNull());
}

}  // namespace
