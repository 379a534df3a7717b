// The save panel's format accessory, the page-layout sheet with its margins
// and the print panel's options page.

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>

#include "ShellTestSupport.h"
#include "model/DRDrawing.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRPrintAccessories.h"
#include "ui/shell/DRSaveFormatVC.h"
#include "ui/shell/DRWindowController.h"

namespace {

const QStringList kTypes{"twd", "png", "jpg", "tiff", "heic"};

TEST(SaveFormatTest, EnforcedNames) {
  struct Row {
    QString name;
    QString extension;
    QString expected;
  };
  const Row rows[] = {
      {"Plan.png.twd", "jpg", "Plan.jpg"},  // two save types stripped
      {"Plan.TWD", "png", "Plan.png"},      // compared without case
      {"Plan.doc", "png", "Plan.doc.png"},  // a foreign extension stays
      {"Plan.doc.twd", "png", "Plan.doc.png"}, {"", "twd", "Untitled.twd"},   {".png", "twd", "Untitled.twd"},
      {"Plan.", "twd", "Plan..twd"},           {"Plan", "heic", "Plan.heic"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.toStdString());
    EXPECT_EQ(DRSaveFormatVC::enforceFormat(row.name, kTypes, row.extension), row.expected);
  }
}

class AccessoryTest : public ShellTest {
 public:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    QSettings empty(QDir(home()).filePath("prefs.ini"), QSettings::IniFormat);
    prefs = std::make_unique<DRPrefController>(empty);
  }
  QString home() const { return QDir::homePath(); }

  FakeModelServices services;
  FakeEditorPrefs editorPrefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  std::unique_ptr<DRPrefController> prefs;
};

TEST_F(AccessoryTest, TheChosenFormatRenamesTheTypedName) {
  QFileDialog panel;
  panel.setOption(QFileDialog::DontUseNativeDialog);
  panel.setAcceptMode(QFileDialog::AcceptSave);
  DRSaveFormatVC accessory(prefs.get());
  accessory.setSaveTypes(kTypes);
  accessory.setSavePanel(&panel);
  accessory.loadView();
  struct Row {
    QString extension;
    QString name;
    QString expected;
    unsigned index;
  };
  const Row rows[] = {
      {"jpeg", "Plan.png", "Plan.jpg", 2},
      {"tif", "Plan.jpg", "Plan.tiff", 3},
      {"TWD", "Plan.tiff", "Plan.twd", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.extension.toStdString());
    EXPECT_EQ(accessory.setExtension(row.extension, row.name), row.expected);
    EXPECT_EQ(accessory.formatIndex(), row.index);
    EXPECT_EQ(accessory.formatButton()->currentIndex(), int(row.index));
  }
  EXPECT_TRUE(accessory.setExtension("doc", "Plan.doc").isNull());
  // Choosing in the pop-up renames the panel's name.
  panel.findChild<QLineEdit*>("fileNameEdit")->setText("Plan.twd");
  accessory.formatButton()->setCurrentIndex(1);
  EXPECT_EQ(panel.findChild<QLineEdit*>("fileNameEdit")->text(), "Plan.png");
  // The image options are the preferences.
  accessory.formatButton()->setCurrentIndex(2);
  EXPECT_EQ(accessory.optionTabView()->currentIndex(), 1);
}

TEST_F(AccessoryTest, AnExistingPackageIsReplacedAfterAskingNeverEntered) {
  QDir(home()).mkpath("files/Plan.twd");
  QFileDialog panel;
  panel.setOption(QFileDialog::DontUseNativeDialog);
  panel.setAcceptMode(QFileDialog::AcceptSave);
  panel.setDirectory(QDir(home()).filePath("files"));
  DRSaveFormatVC accessory(prefs.get());
  accessory.setSaveTypes(kTypes);
  accessory.setSavePanel(&panel);
  accessory.loadView();
  QLineEdit* field = panel.findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(field, nullptr);
  auto& alerts = CSRecordingAlertPresenter::shared();

  alerts.clear();
  alerts.setAnswer(1);  // Cancel
  field->setText("Plan.png.twd");
  EXPECT_FALSE(accessory.confirmTypedName());
  EXPECT_EQ(alerts.alerts().size(), 1u);
  EXPECT_EQ(panel.result(), 0);

  alerts.clear();
  alerts.setAnswer(0);  // Replace
  field->setText("Plan");
  accessory.confirmTypedName();
  EXPECT_EQ(alerts.alerts().size(), 1u);
  EXPECT_EQ(panel.result(), int(QDialog::Accepted));
  EXPECT_EQ(panel.selectedFiles().value(0), QDir(home()).filePath("files/Plan.twd"));

  // Names that are no package go on without asking: a save type's
  // extension chooses that format, another one gains the format's.
  alerts.clear();
  const std::pair<QString, QString> typed[] = {{"Other.png", "Other.png"}, {"Other.doc", "Other.doc.png"}};
  for (const auto& [name, expected] : typed) {
    field->setText(name);
    EXPECT_TRUE(accessory.confirmTypedName());
    EXPECT_EQ(field->text(), expected);
  }
  EXPECT_EQ(accessory.formatIndex(), 1u);
  EXPECT_TRUE(alerts.alerts().empty());
  alerts.setAnswer(0);
}

TEST_F(AccessoryTest, ForceToOnePageTurnsCentringOnAndLocksIt) {
  DRDrawing drawing;
  DRPrintOptionVC options;
  options.setDrawing(&drawing);
  struct Step {
    bool clickScale;  // else the centre box
    bool centre;
    bool scale;
    bool centreEnabled;
  };
  const Step steps[] = {
      {true, true, true, false},    // on: centring on, box disabled
      {true, true, false, true},    // off: box enabled, centring stays
      {false, false, false, true},  // centring off by hand
      {true, true, true, false},
  };
  for (const Step& step : steps) {
    (step.clickScale ? options.scaleButton() : options.centerButton())->click();
    EXPECT_EQ(drawing.centerOnPage(), step.centre);
    EXPECT_EQ(drawing.scaleToFit(), step.scale);
    EXPECT_EQ(options.centerButton()->isChecked(), step.centre);
    EXPECT_EQ(options.centerButton()->isEnabled(), step.centreEnabled);
  }
}

TEST_F(AccessoryTest, PageLayoutKeepsOrRestoresTheMarginsWithItsUndoEntry) {
  auto* controller = new DRWindowController(std::make_unique<DRDrawing>());
  DRDrawing* drawing = controller->drawing();
  CSPrintInfo info = drawing->printInfo();
  info.setAllMargins(36);
  drawing->setPrintInfo(info);
  struct Row {
    int result;
    double top;
    bool undoable;
  };
  const Row rows[] = {{QDialog::Rejected, 36, false}, {QDialog::Accepted, 72, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.result);
    controller->runPageLayout(nullptr);
    DRPageSetupSheet* sheet = controller->pageLayoutSheet();
    ASSERT_NE(sheet, nullptr);
    DRMarginVC* margins = sheet->marginController();
    EXPECT_EQ(margins->top(), 36 * 12700);
    margins->field(0)->setMeasureValue(72 * 12700);
    emit margins->field(0)->editingFinished();
    sheet->done(row.result);
    EXPECT_EQ(drawing->printInfo().topMargin, row.top);
    EXPECT_EQ(drawing->printInfo().leftMargin, 36);
    EXPECT_EQ(controller->drawVC()->undoManager().isUndoAvailable(), row.undoable);
  }
  controller->drawVC()->undoEdit(nullptr);
  EXPECT_EQ(drawing->printInfo().topMargin, 36);
  // A locked drawing opens no sheet.
  drawing->setLocked(true);
  controller->runPageLayout(nullptr);
  EXPECT_EQ(controller->pageLayoutSheet(), nullptr);
}

TEST_F(AccessoryTest, MarginsCancelRestoresTheOriginals) {
  CSPrintInfo info;
  info.topMargin = 10;
  info.bottomMargin = 20;
  info.leftMargin = 30.5;
  info.rightMargin = 40;
  DRMarginVC margins;
  margins.setPrintInfo(&info);
  EXPECT_EQ(margins.left(), MeasureUnit(30.5 * 12700));
  margins.setTop(0);
  margins.setRight(2743200);
  margins.storeMargins();
  EXPECT_EQ(info.topMargin, 0);
  EXPECT_EQ(info.rightMargin, 216);
  margins.resetMargins();
  EXPECT_EQ(info.topMargin, 10);
  EXPECT_EQ(info.bottomMargin, 20);
  EXPECT_EQ(info.leftMargin, 30.5);
  EXPECT_EQ(info.rightMargin, 40);
}

}  // namespace
