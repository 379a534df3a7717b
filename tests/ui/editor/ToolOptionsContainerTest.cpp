#include <gtest/gtest.h>

#include <QStackedWidget>

#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

const QStringList kPaneIdentifiers = {
    QStringLiteral("sel"),     QStringLiteral("color"), QStringLiteral("text"),     QStringLiteral("line"),
    QStringLiteral("cline"),   QStringLiteral("rect"),  QStringLiteral("rrect"),    QStringLiteral("oval"),
    QStringLiteral("regpoly"), QStringLiteral("poly"),  QStringLiteral("scribble"), QStringLiteral("brush"),
    QStringLiteral("pencil"),  QStringLiteral("blur"),  QStringLiteral("bucket"),   QStringLiteral("crop"),
};

class ToolOptionsContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupEditorResources();
    container = harness.place(new DRToolOptionsContainer, QRect(0, 0, 220, 160));
    container->setWindowHost(&host);
    for (const QString& identifier : kPaneIdentifiers) container->addPane(identifier, new QWidget);
    container->awakeFromNib();
  }

  // Posts the palette's notification for the harness window.
  void choose(const QVariant& tool) {
    QVariantMap userInfo;
    if (tool.isValid()) userInfo.insert(g_toolKey, tool);
    NotificationCenter::defaultCenter().post(g_toolChangedNotification, &harness, userInfo);
  }

  HarnessWindow harness{QSize(300, 200)};
  FakeEditorContent drawing{DRContentKind::kDrawing};
  FakeEditorContent painting{DRContentKind::kPainting};
  FakeEditorWindowHost host{&harness, &drawing};
  DRToolOptionsContainer* container = nullptr;
};

TEST_F(ToolOptionsContainerTest, ShowsThePaneOfTheChosenTool) {
  const struct {
    int tool;
    bool inDraw;
    const char* pane;
  } kCases[] = {
      {kToolLine, true, "line"},     {kToolSelect, true, "no"}, {kToolSelect, false, "sel"},
      {kToolEraser, false, "brush"}, {kToolArc, true, "no"},    {kToolRegularPoly, true, "regpoly"},
      {kToolCrop, false, "crop"},    {kToolZoom, false, "no"},  {kToolEyedropper, false, "color"},
  };
  for (const auto& c : kCases) {
    host.content = c.inDraw ? &drawing : &painting;
    choose(c.tool);
    EXPECT_EQ(container->selectedIdentifier(), QString::fromLatin1(c.pane)) << c.tool;
    EXPECT_EQ(container->currentTool(), DRTool(c.tool));
    EXPECT_EQ(container->inDraw(), c.inDraw);
  }
}

TEST_F(ToolOptionsContainerTest, EveryPaneChangeEndsCropping) {
  NotificationRecorder recorder({g_activateCropNotification});
  host.content = &painting;
  choose(kToolBrush);
  choose(kToolCrop);  // the crop tool too
  choose(kToolCrop);  // the tool already shown: nothing
  host.content = &drawing;
  choose(kToolCrop);  // the same tool for another tab is a change
  ASSERT_EQ(recorder.posted().size(), 3u);
  for (const CSNotification& posted : recorder.posted()) {
    EXPECT_EQ(posted.object, static_cast<QObject*>(&harness));
    EXPECT_EQ(posted.userInfo, (QVariantMap{{QStringLiteral("crop"), false}}));
  }
}

TEST_F(ToolOptionsContainerTest, SwitchingTabsOnTheSelectToolReselectsThePane) {
  choose(kToolSelect);
  EXPECT_EQ(container->selectedIdentifier(), QStringLiteral("no"));
  NotificationRecorder recorder({g_activateCropNotification});
  host.content = &painting;
  choose(kToolSelect);
  EXPECT_EQ(container->selectedIdentifier(), QStringLiteral("sel"));
  EXPECT_EQ(container->title(), QStringLiteral("Select Options"));
  EXPECT_EQ(recorder.posted().size(), 1u);
}

TEST_F(ToolOptionsContainerTest, OnlyItsOwnWindowsToolChangesCount) {
  QObject otherWindow;
  NotificationCenter::defaultCenter().post(g_toolChangedNotification, &otherWindow, {{g_toolKey, 7}});
  EXPECT_EQ(container->currentTool(), kToolNone);
}

TEST_F(ToolOptionsContainerTest, BadToolNumbersChangeNothing) {
  choose(kToolRectangle);
  NotificationRecorder recorder({g_activateCropNotification});
  for (const QVariant& bad : {QVariant(), QVariant(20), QVariant(-3), QVariant(1000), QVariant(QStringLiteral("7x")),
                              QVariant(QVariantList{7})}) {
    choose(bad);
    EXPECT_EQ(container->currentTool(), kToolRectangle);
    EXPECT_EQ(container->selectedIdentifier(), QStringLiteral("rect"));
  }
  EXPECT_TRUE(recorder.posted().empty());
}

TEST_F(ToolOptionsContainerTest, APaneNotSuppliedShowsNoOptions) {
  choose(kToolLine);
  delete container->tabView()->findChild<QWidget*>(QStringLiteral("oval"));
  choose(kToolEllipse);
  EXPECT_EQ(container->selectedIdentifier(), QStringLiteral("no"));
}

TEST_F(ToolOptionsContainerTest, TheTitleBandIsDrawnOnlyForToolsWithOptions) {
  choose(kToolLine);
  QImage image = HarnessWindow::grabView(container);
  image.save(TestImageOutputFolder() + QStringLiteral("/tool-options-line.png"));
  // The band runs from light grey at the top to green at the bottom, and
  // carries the title.
  const QColor bottom = image.pixelColor(2, DRToolOptionsContainer::kTitleBandHeight - 1);
  EXPECT_GT(bottom.green(), bottom.red() + 60);
  EXPECT_GT(InkCount(image, QRect(40, 2, container->width() - 80, 16), image.pixelColor(40, 10), 60), 10);

  choose(kToolZoom);
  image = HarnessWindow::grabView(container);
  EXPECT_EQ(container->title(), QString());
  // A pane without controls leaves only the band's place: it is all the
  // panel's colour, where a band would shade from grey to green.
  EXPECT_LE(container->height(), DRToolOptionsContainer::kTitleBandHeight + 1);
  const QColor panel = image.pixelColor(2, 2);
  EXPECT_EQ(InkCount(image, QRect(0, 0, container->width(), DRToolOptionsContainer::kTitleBandHeight), panel, 4), 0);
}

}  // namespace
