#include "ui/editor/ControlSupport.h"

#include "support/Fonts.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

TEST(ControlSupport, SetScrollingOriginMovesTheVisibleOrigin) {
  QScrollArea area;
  area.resize(200, 150);
  auto* content = new QLabel;
  content->setFixedSize(2000, 1500);
  area.setWidget(content);
  area.show();

  SetScrollingOrigin(&area, QPoint(300, 450));
  EXPECT_EQ(area.horizontalScrollBar()->value(), 300);
  EXPECT_EQ(area.verticalScrollBar()->value(), 450);
  EXPECT_EQ(content->mapTo(&area, QPoint(300, 450)), area.viewport()->pos());

  SetScrollingOrigin(nullptr, QPoint(1, 1));  // no view: nothing happens
}

TEST(ControlSupport, PositionFieldIsSmallEditableAndWhite) {
  QLineEdit field;
  field.setReadOnly(true);
  SetupPositionTextCell(&field);
  EXPECT_FALSE(field.isReadOnly());
  EXPECT_TRUE(field.hasFrame());
  EXPECT_DOUBLE_EQ(field.font().pointSizeF(), SystemFont(SmallSystemFontSize()).pointSizeF());
  EXPECT_EQ(field.palette().color(QPalette::Base), QColor(Qt::white));
}
