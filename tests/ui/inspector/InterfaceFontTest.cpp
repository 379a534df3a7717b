// The interface keeps one font: choosing the text tool, whose options show
// the default text font, changes neither the font the info bar's menus are
// drawn in nor the size they were laid out for.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QMenu>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRTool.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/DRToolbarView.h"

namespace {

struct MenuLook {
  QString family;
  int pixelSize = 0;
  QSize size;
  bool operator==(const MenuLook&) const = default;
};

MenuLook LookOf(QMenu* menu) {
  const QFontInfo info(menu->font());
  return {info.family(), info.pixelSize(), menu->sizeHint()};
}

// Every titled item's row holds its whole title in the menu's font.
void ExpectTitlesFit(QMenu* menu) {
  menu->adjustSize();
  for (QAction* action : menu->actions()) {
    if (action->isSeparator() || action->text().isEmpty()) continue;
    EXPECT_GT(menu->actionGeometry(action).width(), menu->fontMetrics().horizontalAdvance(action->text()))
        << qPrintable(action->text());
  }
}

class InterfaceFontTest : public DrawingWindowTest {};

TEST_F(InterfaceFontTest, TheTextToolLeavesTheMenuFontAlone) {
  // A new palette picks the select tool on a short timer after it opens
  // (10 ms); a tool chosen before that runs is taken back, so the test lets
  // the timer run first. Waiting longer than the timer cannot change the result.
  DRToolbarView* toolbar = controller->toolbarView();
  QTest::qWait(60);
  Spin();
  ASSERT_EQ(toolbar->selectedTool(), kToolSelect);
  DRInfobarView* bar = controller->infoBarView();
  QMenu* menus[] = {bar->colorOptionsMenu(), bar->arrowMenu()};
  const QFont appFont = QApplication::font();
  std::vector<MenuLook> before;
  for (QMenu* menu : menus) before.push_back(LookOf(menu));

  toolbar->setSelectedTool(kToolText);
  Spin();
  auto* options = controller->window()->findChild<DRToolOptionsContainer*>();
  ASSERT_NE(options, nullptr);
  ASSERT_EQ(options->selectedIdentifier(), QStringLiteral("text"));
  EXPECT_EQ(QApplication::font(), appFont);
  for (size_t i = 0; i < std::size(menus); ++i) {
    SCOPED_TRACE(qPrintable(menus[i]->objectName()));
    const MenuLook after = LookOf(menus[i]);
    EXPECT_EQ(after.family, before[i].family);
    EXPECT_EQ(after.pixelSize, before[i].pixelSize);
    EXPECT_EQ(after.size, before[i].size);
    ExpectTitlesFit(menus[i]);
  }
}

}  // namespace
