// The controls the panes and sheets share, and the pane registry.

#include <gtest/gtest.h>

#include <QAction>
#include <QColorDialog>
#include <QCoreApplication>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>

#include "support/widgets/InterfaceHelpers.h"
#include "ui/FakeHelpViewer.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRPaneFactory.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/CSPullDownButton.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/CSSheetDialog.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRSheetController.h"
#include "ui/FakeEditorWindowHost.h"
#include <QPushButton>

namespace {

TEST(ControlKitTest, AMixedBoxTurnsOnWhenClickedAndThenToggles) {
  CSCheckBox box;
  box.setMixed();
  ASSERT_TRUE(box.isMixed());
  const Qt::CheckState after[] = {Qt::Checked, Qt::Unchecked, Qt::Checked};
  for (const Qt::CheckState state : after) {
    box.click();
    EXPECT_EQ(box.checkState(), state);
  }
  // Unmixing a box shown mixed gives on.
  box.setMixed();
  EXPECT_EQ(UnmixedCheckboxState(&box), Qt::Checked);
}

TEST(ControlKitTest, ARadioMatrixKeepsAtMostOneCellOnByTag) {
  CSRadioMatrix matrix;
  matrix.addCell(QStringLiteral("Linear"), 10, 0, 0);
  matrix.addCell(QStringLiteral("Radial"), 20, 1, 0);
  EXPECT_EQ(matrix.addCell(QStringLiteral("Again"), 30, 1, 0), matrix.cellWithTag(20));  // a taken place
  EXPECT_EQ(matrix.cellCount(), 2);
  EXPECT_TRUE(matrix.selectCellWithTag(20));
  EXPECT_EQ(matrix.selectedTag(), 20);
  EXPECT_EQ(matrix.selectedRow(), 1);
  // A value no cell shows (a mixed one) leaves all off.
  EXPECT_FALSE(matrix.selectCellWithTag(99));
  EXPECT_EQ(matrix.selectedTag(), CSRadioMatrix::kNoTag);
  EXPECT_FALSE(matrix.cellWithTag(10)->isChecked());
  EXPECT_FALSE(matrix.cellWithTag(20)->isChecked());

  QSignalSpy activated(&matrix, &CSRadioMatrix::activated);
  matrix.selectCell(0, 0);
  EXPECT_EQ(activated.count(), 0);  // only the user's picks are told
  matrix.cellWithTag(20)->click();
  ASSERT_EQ(activated.count(), 1);
  EXPECT_EQ(activated.at(0).at(0).toInt(), 20);
  EXPECT_FALSE(matrix.cellWithTag(10)->isChecked());
  matrix.cellWithTag(20)->click();  // clicking the chosen cell keeps it on
  EXPECT_EQ(matrix.selectedTag(), 20);
}

TEST(ControlKitTest, SegmentsFollowTheirTrackingMode) {
  CSSegmentedControl control;
  control.setSegmentCount(3);
  control.setTag(7, 2);
  EXPECT_EQ(control.segmentForTag(7), 2);
  EXPECT_EQ(control.tagForSegment(1), 1);
  QSignalSpy activated(&control, &CSSegmentedControl::activated);

  // Choice of one: a click selects that one only, and again keeps it.
  control.setSelectedSegment(0);
  control.segmentButton(2)->click();
  control.segmentButton(2)->click();
  EXPECT_EQ(control.selectedSegment(), 2);
  EXPECT_FALSE(control.isSelectedForSegment(0));
  control.setSelectedSegment(-1);
  EXPECT_EQ(control.selectedSegment(), -1);

  // Switches: each on its own.
  control.setTrackingMode(CSSegmentedControl::TrackingMode::kSelectAny);
  control.segmentButton(0)->click();
  control.segmentButton(1)->click();
  EXPECT_TRUE(control.isSelectedForSegment(0));
  EXPECT_TRUE(control.isSelectedForSegment(1));
  control.segmentButton(0)->click();
  EXPECT_FALSE(control.isSelectedForSegment(0));

  // Momentary: told, never selected.
  control.setTrackingMode(CSSegmentedControl::TrackingMode::kMomentary);
  control.segmentButton(1)->click();
  EXPECT_EQ(control.selectedSegment(), -1);
  QList<int> told;
  for (const QList<QVariant>& call : activated) told << call.at(0).toInt();
  EXPECT_EQ(told, (QList<int>{2, 2, 0, 1, 0, 1}));
}

TEST(ControlKitTest, APullDownTellsTheItemChosenWithItsTag) {
  CSPullDownButton button;
  button.addItem(QStringLiteral("Add"), 3);
  button.addSeparator();
  QAction* remove = button.addItem(QStringLiteral("Remove"), 4);
  EXPECT_EQ(button.itemCount(), 2);
  EXPECT_EQ(button.itemWithTag(4), remove);
  EXPECT_EQ(button.itemWithTag(5), nullptr);
  EXPECT_EQ(button.popupMode(), QToolButton::InstantPopup);
  QSignalSpy chosen(&button, &CSPullDownButton::itemChosen);
  remove->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(CSPullDownButton::tagOf(chosen.at(0).at(0).value<QAction*>()), 4);
  button.removeAllItems();
  EXPECT_EQ(button.itemCount(), 0);
}

class ColorWellTest : public ::testing::Test {
 protected:
  void TearDown() override { ClosePanels(); }
  HarnessWindow window{QSize(200, 100)};
  CSColorWell* first = window.place(new CSColorWell, QRect(10, 10, 44, 23));
  CSColorWell* second = window.place(new CSColorWell, QRect(60, 10, 44, 23));
};

TEST_F(ColorWellTest, TheActiveWellHearsThePanelUntilAnotherWellTakesIt) {
  QSignalSpy firstHeard(first, &CSColorWell::kolorChanged);
  QSignalSpy secondHeard(second, &CSColorWell::kolorChanged);
  first->setKolor(MakeKolor(0, 0, 255));
  first->click();
  QColorDialog* panel = SharedColorDialog();
  ASSERT_TRUE(first->isActive());
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(KolorFromColor(panel->currentColor()), MakeKolor(0, 0, 255));
  EXPECT_EQ(ActiveColorWell(&window), first);
  EXPECT_EQ(CSColorWell::activeWell(), first);

  panel->setCurrentColor(Qt::red);
  ASSERT_EQ(firstHeard.count(), 1);
  EXPECT_EQ(first->kolor(), MakeKolor(255, 0, 0));
  // Showing a value on the active well moves the panel, which tells no one.
  first->setKolor(MakeKolor(0, 255, 0));
  EXPECT_EQ(KolorFromColor(panel->currentColor()), MakeKolor(0, 255, 0));
  EXPECT_EQ(firstHeard.count(), 1);

  second->click();
  EXPECT_FALSE(first->isActive());
  EXPECT_FALSE(first->property(kActiveColorWellProperty).toBool());
  EXPECT_EQ(ActiveColorWell(&window), second);
  panel->setCurrentColor(Qt::yellow);
  EXPECT_EQ(firstHeard.count(), 1);
  EXPECT_EQ(secondHeard.count(), 1);

  // A second click lets the panel go.
  second->click();
  EXPECT_FALSE(second->isActive());
  panel->setCurrentColor(Qt::blue);
  EXPECT_EQ(secondHeard.count(), 1);
}

TEST_F(ColorWellTest, PuttingThePanelsAwayOrDeletingTheWellEndsIt) {
  QSignalSpy heard(first, &CSColorWell::kolorChanged);
  first->click();
  ClosePanels();
  EXPECT_FALSE(first->isActive());
  EXPECT_EQ(ActiveColorWell(&window), nullptr);
  SharedColorDialog()->setCurrentColor(Qt::red);
  EXPECT_EQ(heard.count(), 0);

  second->click();
  delete second;
  EXPECT_EQ(CSColorWell::activeWell(), nullptr);
  SharedColorDialog()->setCurrentColor(Qt::green);  // no one there to hear
  first->click();
  EXPECT_TRUE(first->isActive());
  // Found as a plain widget, the well can still be told to let go.
  ASSERT_TRUE(QMetaObject::invokeMethod(ActiveColorWell(&window), "deactivate"));
  EXPECT_FALSE(first->isActive());
}

TEST(ControlKitTest, ASheetIsAWindowModalChildThatGoesWhenItEnds) {
  FakeHelpViewer help;
  HarnessWindow window;
  QPointer<CSSheetDialog> sheet = new CSSheetDialog(&window);
  sheet->setHelpTopic(63);
  ASSERT_TRUE(sheet->beginSheet());
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  EXPECT_EQ(sheet->parentWidget(), &window);
  EXPECT_TRUE(CSSheetDialog::windowHasSheet(&window));

  // One sheet at a time.
  QPointer<CSSheetDialog> another = new CSSheetDialog(&window);
  EXPECT_FALSE(another->beginSheet());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(another);

  sheet->giveHelp();
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0].first, 63);
  EXPECT_TRUE(sheet->isVisible());

  sheet->endSheet(1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(sheet);
  EXPECT_FALSE(CSSheetDialog::windowHasSheet(&window));
}

class RecordingSheet : public DRSheetController {
 public:
  RecordingSheet(DREditorWindowHost* host, std::vector<bool>* applied, bool stay)
      : DRSheetController(host, 59), m_applied(applied), m_stay(stay) {
    addButtonRow(nullptr, true);
  }

 protected:
  void apply(bool reset) override {
    m_applied->push_back(reset);
    if (!m_stay) finish();
  }

 private:
  std::vector<bool>* m_applied;
  bool m_stay;
};

TEST(ControlKitTest, ASheetsButtonsApplyResetOrJustClose) {
  FakeHelpViewer help;
  HarnessWindow window;
  FakeEditorWindowHost host(&window);
  std::vector<bool> applied;
  EXPECT_EQ(DRSheetController::runSheet<RecordingSheet>(nullptr, &applied, false), nullptr);

  struct Case {
    const char* button;
    bool stay;
    std::vector<bool> applied;
    bool open;
  };
  const Case cases[] = {
      {"ok", false, {false}, false},
      {"reset", false, {true}, false},
      {"ok", true, {false}, true},  // a refused value keeps the sheet
      {"cancel", false, {}, false},
      {"help", false, {}, true},
  };
  for (const Case& c : cases) {
    applied.clear();
    QPointer<RecordingSheet> sheet = DRSheetController::runSheet<RecordingSheet>(&host, &applied, c.stay);
    ASSERT_TRUE(sheet) << c.button;
    EXPECT_EQ(sheet->drawController(), &host);
    const std::string which = c.button;
    QPushButton* button = which == "ok"       ? sheet->okButton()
                          : which == "reset"  ? sheet->resetButton()
                          : which == "cancel" ? sheet->cancelButton()
                                              : sheet->helpButton();
    ASSERT_NE(button, nullptr) << c.button;
    button->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(applied, c.applied) << c.button;
    EXPECT_EQ(bool(sheet), c.open) << c.button;
    if (sheet) {
      sheet->handleCancel();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      EXPECT_FALSE(sheet) << c.button;
    }
  }
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0].first, 59);
}

TEST(ControlKitTest, RegisteredPanesAreMadeByClassNameAndOthersArePlain) {
  DRPaneRegistry& registry = DRPaneRegistry::shared();
  // The registry outlives the test: what it records lives as long.
  static QStringList asked;
  asked.clear();
  registry.registerPane(QStringLiteral("DRKitTestVC"), [](const QString& interfaceName, QWidget* parent) {
    asked << interfaceName;
    auto* pane = new QWidget(parent);
    pane->setObjectName(QStringLiteral("made"));
    return pane;
  });
  DRPaneFactory* before = PaneFactory();
  SetPaneFactory(nullptr);
  InstallInspectorPaneFactory();
  EXPECT_EQ(PaneFactory(), &registry);
  QWidget parent;
  QWidget* made = CreatePane(QStringLiteral("DRKitTestVC"), QStringLiteral("PropertyKitTest"), &parent);
  EXPECT_EQ(made->objectName(), QStringLiteral("made"));
  EXPECT_EQ(made->parentWidget(), &parent);
  EXPECT_EQ(asked, QStringList{"PropertyKitTest"});
  QWidget* plain = CreatePane(QStringLiteral("DRUnknownVC"), QStringLiteral("PropertyUnknown"), &parent);
  EXPECT_EQ(plain->objectName(), QStringLiteral("PropertyUnknown"));

  // A factory already installed (a test's) is kept.
  class Other : public DRPaneFactory {
    QWidget* makePane(const QString&, const QString&, QWidget*) override { return nullptr; }
  } other;
  SetPaneFactory(&other);
  InstallInspectorPaneFactory();
  EXPECT_EQ(PaneFactory(), &other);
  SetPaneFactory(before);
}

}  // namespace
