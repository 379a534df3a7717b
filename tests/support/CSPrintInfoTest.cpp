#include <gtest/gtest.h>

#include <QPageSize>

#include "support/CSPrintInfo.h"

TEST(CSPrintInfo, OrientationMarginsAndPageLayoutRoundTrip) {
  CSPrintInfo info;
  info.paperName = QStringLiteral("A4");
  info.paperSize = QPageSize(QPageSize::A4).size(QPageSize::Point);  // 595 x 842
  info.orientation = CSPrintInfo::Landscape;
  info.setAllMargins(36);
  info.scale = 0.5;

  EXPECT_EQ(info.orientedPaperSize(), QSizeF(842, 595));
  EXPECT_EQ(info.imageableRect(), QRectF(36, 36, 770, 523));
  info.leftMargin = 500;
  info.rightMargin = 400;
  EXPECT_TRUE(info.imageableRect().isEmpty());  // margins wider than the sheet leave nothing
  info.setAllMargins(36);

  CSPrintInfo back;
  back.scale = 0.5;
  back.applyPageLayout(info.toPageLayout());
  EXPECT_EQ(back.paperSize, info.paperSize);
  EXPECT_EQ(back.orientation, CSPrintInfo::Landscape);
  EXPECT_EQ(back.imageableRect(), info.imageableRect());
  EXPECT_EQ(back.scale, 0.5);

  // New documents copy the shared set-up.
  const CSPrintInfo saved = CSPrintInfo::sharedPrintInfo();
  EXPECT_FALSE(saved.paperSize.isEmpty());
  CSPrintInfo::setSharedPrintInfo(info);
  EXPECT_EQ(CSPrintInfo::sharedPrintInfo(), info);
  CSPrintInfo::setSharedPrintInfo(saved);
}
