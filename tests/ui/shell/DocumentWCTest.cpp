// The document window's questions and panels: revert, save with the panel
// in its modes, the panel's starting name and folder, and printing (to a
// PDF file too).

#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>

#include "ShellTestSupport.h"
#include "support/widgets/CSFilePanel.h"
#include "ui/ScriptedAlerts.h"
#include "ui/ScriptedDialogs.h"
#include "ui/shell/CSDocumentSaveFormatVC.h"
#include "ui/shell/DRAppController.h"

namespace {

class DocumentWCTest : public ShellTest {
 protected:
  void launch(RecordingDelegate& delegate) {
    delegate.makeUntitled = false;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
    delegate.makeUntitled = true;
  }
};

// A window with a view to print, or none, counting the print runs.
class PrintingWC : public CSDocumentWC {
 public:
  using CSDocumentWC::CSDocumentWC;
  bool hasView = true;
  int runs = 0;
  std::unique_ptr<QWidget> printView() override {
    if (!hasView) return nullptr;
    auto label = std::make_unique<QLabel>(QStringLiteral("Printed page"));
    label->resize(200, 100);
    return label;
  }
  void printOperationWasRun() override { ++runs; }
};

// A window whose save panel carries a format accessory.
class AccessoryWC : public CSDocumentWC {
 public:
  using CSDocumentWC::CSDocumentWC;
  std::unique_ptr<CSDocumentSaveFormatVC> saveFormatVC() override {
    class Accessory : public CSDocumentSaveFormatVC {
     public:
      QWidget* loadView() override {
        auto* view = new QLabel(QStringLiteral("Format"));
        view->setObjectName(QStringLiteral("formatAccessory"));
        return view;
      }
    };
    return std::make_unique<Accessory>();
  }
};

QString PdfTitle(const QString& path) {
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {path});
  if (!info.waitForFinished(30000)) return QString();
  for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QLatin1String("Title:"))) return line.mid(6).trimmed();
  }
  return QString();
}

TEST_F(DocumentWCTest, ReturnDoesNotRevertOnlyTheRevertButtonDoes) {
  struct {
    const char* name;
    QString answer;
    int expectReverts;
  } cases[] = {{"Cancel", g_cancel, 0}, {"Revert", QStringLiteral("Revert"), 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedAlerts alerts;
    auto* controller = new CSDocumentWC(std::make_unique<TestDocument>(file(QStringLiteral("Sketch.txt"))));
    controller->setTitle(QStringLiteral("Sketch.txt"));
    controller->showRevertAlert();
    ASSERT_EQ(alerts.pendingCount(), 1);
    EXPECT_EQ(alerts.asked()[0].message, QStringLiteral("Revert changes to \"Sketch.txt\"?"));
    EXPECT_EQ(alerts.asked()[0].buttons, (QStringList{"Revert", g_cancel}));
    EXPECT_EQ(alerts.asked()[0].host, controller->window());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(alerts.pending(), &press);
    }
    EXPECT_EQ(alerts.pendingCount(), 1);
    EXPECT_EQ(TestDoc(controller)->revertCount, 0);
    ASSERT_TRUE(alerts.answer(c.answer));
    EXPECT_EQ(TestDoc(controller)->revertCount, c.expectReverts);
    CloseAllWindows();
  }
}

TEST_F(DocumentWCTest, ReturnInTheShownRevertAlertDoesNotRevert) {
  auto* controller = new CSDocumentWC(std::make_unique<TestDocument>(file(QStringLiteral("Sketch.txt"))));
  controller->setTitle(QStringLiteral("Sketch.txt"));
  controller->window()->resize(420, 300);
  MakeKeyAndOrderFront(controller->window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(controller->window()));
  auto shownAlert = [&] {
    QMessageBox* alert = nullptr;
    SpinUntil([&] {
      alert = controller->window()->findChild<QMessageBox*>();
      return alert && alert->isVisible() && QApplication::activeWindow() == alert;
    });
    return alert;
  };

  controller->showRevertAlert();
  QPointer<QMessageBox> alert = shownAlert();
  ASSERT_TRUE(alert);
  // Keys as the keyboard sends them, to the window that has it.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    if (!alert) break;
    QTest::keyClick(alert->windowHandle(), key);
    Spin();
  }
  ASSERT_TRUE(alert);
  EXPECT_TRUE(alert->isVisible());
  EXPECT_EQ(TestDoc(controller)->revertCount, 0);
  for (QAbstractButton* button : alert->buttons()) {
    const auto* push = qobject_cast<QPushButton*>(button);
    EXPECT_FALSE(push && push->isDefault()) << button->text().toStdString();
  }
  // Still in the order given, and Escape cancels.
  QStringList order;
  for (QAbstractButton* button : alert->findChildren<QPushButton*>()) {
    if (button->isVisible()) order << button->text();
  }
  std::sort(order.begin(), order.end(), [&](const QString& a, const QString& b) {
    auto x = [&](const QString& t) {
      for (QAbstractButton* button : alert->buttons())
        if (button->text() == t) return button->mapTo(alert, QPoint()).x();
      return 0;
    };
    return x(a) < x(b);
  });
  EXPECT_EQ(order, (QStringList{QStringLiteral("Revert"), g_cancel}));
  QTest::keyClick(alert->windowHandle(), Qt::Key_Escape);
  ASSERT_TRUE(SpinUntil([&] { return !alert || !alert->isVisible(); }));
  EXPECT_EQ(TestDoc(controller)->revertCount, 0);

  // A click on Revert reverts.
  controller->showRevertAlert();
  alert = shownAlert();
  ASSERT_TRUE(alert);
  QAbstractButton* revert = CSAlert::buttonOfAlert(alert, 0);
  ASSERT_NE(revert, nullptr);
  QTest::mouseClick(revert, Qt::LeftButton);
  Spin();
  EXPECT_EQ(TestDoc(controller)->revertCount, 1);
}

TEST_F(DocumentWCTest, SaveOnANeverSavedDocumentOpensThePanelInTheSameMode) {
  struct {
    const char* name;
    bool quitting;
    bool choose;
    int expectExit;
    bool expectOpen;
  } cases[] = {
      {"quitting, panel cancelled: the quit is cancelled", true, false, 0, true},
      {"quitting, place chosen: saved and quit", true, true, 1, false},
      {"closing, panel cancelled: stays open", false, false, 0, true},
      {"closing, place chosen: saved, closed, and quit as the last window", false, true, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    QSettings().remove(QStringLiteral("twdraw.openFiles"));
    ScriptedAlerts alerts;
    ScriptedDialogs dialogs;
    RecordingDelegate delegate;
    launch(delegate);
    ASSERT_TRUE(delegate.applicationOpenUntitledFile());
    CSDocumentWC* controller = OrderedControllers().first();
    TestDoc(controller)->setDirty(true);
    const QString chosen = home() + QStringLiteral("/files/Chosen.txt");
    QFile::remove(chosen);
    QString offered;
    dialogs.push([&](QDialog* dialog) {
      auto* panel = qobject_cast<QFileDialog*>(dialog);
      ASSERT_NE(panel, nullptr);
      offered = LastPathComponent(panel->selectedFiles().value(0));
      if (!c.choose) {
        panel->reject();
        return;
      }
      panel->setDirectory(home() + QStringLiteral("/files"));
      panel->selectFile(chosen);
      static_cast<QDialog*>(panel)->accept();
    });

    if (c.quitting) {
      delegate.terminate();
    } else {
      controller->window()->close();
    }
    ASSERT_TRUE(alerts.answer(QStringLiteral("Save")));
    Spin();
    ASSERT_EQ(dialogs.seen().size(), 1u);
    EXPECT_EQ(dialogs.seen()[0].className, QStringLiteral("CSFilePanel"));
    EXPECT_TRUE(dialogs.seen()[0].windowModal);
    EXPECT_EQ(dialogs.seen()[0].title, QStringLiteral("Select a location and a name for the document"));
    EXPECT_EQ(offered, QStringLiteral("Untitled.txt"));
    EXPECT_EQ(delegate.exitCount, c.expectExit);
    EXPECT_FALSE(delegate.isTerminating());
    EXPECT_EQ(OrderedControllers().size(), c.expectOpen ? 1 : 0);
    EXPECT_EQ(QFile::exists(chosen), c.choose);
    if (c.choose) EXPECT_EQ(ReopenListPaths(), QStringList{chosen});
  }
}

TEST_F(DocumentWCTest, ThePanelStartsWithANameOfASaveType) {
  CSDocumentWC::setSaveTypes({QStringLiteral("TWdraw"), QStringLiteral("jpg"), QStringLiteral("png")});
  struct {
    const char* name;
    const char* path;  // empty: untitled
    bool accessory;
    int mode;
    unsigned lastIndex;
    const char* expect;
  } cases[] = {
      {"untitled, no accessory: the default name, its extension replaced", "", false, 2, 1, "Untitled.jpg"},
      {"untitled with an accessory: the last format", "", true, 2, 2, "Untitled.png"},
      {"save as keeps a type the panel offers", "art.TWdraw", true, 2, 2, "art.TWdraw"},
      {"a copy starts with the last format", "art.TWdraw", true, 1, 1, "art.jpg"},
      {"an extension not offered is replaced", "notes.txt", false, 2, 2, "notes.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs dialogs;
    CSDocumentWC::setLastFormatIndex(c.lastIndex);
    const QString path = *c.path ? file(QString::fromLatin1(c.path)) : QString();
    auto doc = std::make_unique<TestDocument>(path);
    CSDocumentWC* controller = c.accessory ? new AccessoryWC(std::move(doc)) : new CSDocumentWC(std::move(doc));
    controller->setTitle(path.isEmpty() ? QStringLiteral("Untitled") : LastPathComponent(path));
    QString offered;
    bool hasAccessory = false;
    dialogs.push([&](QDialog* dialog) {
      auto* panel = qobject_cast<QFileDialog*>(dialog);
      offered = LastPathComponent(panel->selectedFiles().value(0));
      hasAccessory = panel->findChild<QLabel*>(QStringLiteral("formatAccessory")) != nullptr;
      EXPECT_EQ(panel->nameFilters().size(), 3);
      panel->reject();
    });
    controller->showSavePanel(c.mode, false);
    Spin();
    EXPECT_EQ(offered, QString::fromLatin1(c.expect));
    EXPECT_EQ(hasAccessory, c.accessory);
    EXPECT_EQ(controller->formatVC(), nullptr);
    EXPECT_EQ(CSDocumentWC::lastFormatIndex(), c.lastIndex);  // a cancelled panel keeps it
    CloseAllWindows();
  }
}

TEST_F(DocumentWCTest, PanelsStartInTheFolderOfTheDrawingInFront) {
  CSFilePanel::setLastFolder(QString());
  const QString documents = CSFilePanel::startingFolder();
  const QString drawing = file(QStringLiteral("art.TWdraw"));
  const QString folder = QFileInfo(drawing).absolutePath();
  ScriptedDialogs dialogs;
  QStringList started;
  auto note = [&](QDialog* dialog) {
    started << qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
    dialog->reject();
  };

  // Nothing open: the open panel starts in Documents.
  dialogs.push(note);
  RunFileOpenPanel(QStringLiteral("Open"), {}, true);
  // An untitled window's save panel too; one with a file, in its folder.
  auto* untitled = new CSDocumentWC(std::make_unique<TestDocument>());
  dialogs.push(note);
  untitled->showSavePanel(CSDocumentWC::kSaveAs, false);
  auto* saved = new CSDocumentWC(std::make_unique<TestDocument>(drawing));
  saved->setTitle(QStringLiteral("art.TWdraw"));
  dialogs.push(note);
  saved->showSavePanel(CSDocumentWC::kSaveAs, false);
  // The open panel follows the drawing in front.
  MakeKeyAndOrderFront(saved->window());
  dialogs.push(note);
  RunFileOpenPanel(QStringLiteral("Open"), {}, true);
  Spin();
  EXPECT_EQ(started, (QStringList{documents, documents, folder, folder}));
  EXPECT_NE(documents, folder);
}

TEST_F(DocumentWCTest, PrintingAnswersAndTitlesTheJob) {
  const QString pdf = home() + QStringLiteral("/files/out.pdf");
  {
    auto* none = new PrintingWC(std::make_unique<TestDocument>());
    none->hasView = false;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    EXPECT_EQ(none->printWithInfo(printer, false), CSDocumentWC::kPrintFailure);
    EXPECT_EQ(none->runs, 1);
    EXPECT_FALSE(QFile::exists(pdf));
  }
  auto* controller = new PrintingWC(std::make_unique<TestDocument>(file(QStringLiteral("Sketch.TWdraw"))));
  controller->setTitle(QStringLiteral("Sketch.TWdraw"));
  {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    EXPECT_EQ(controller->printWithInfo(printer, false), CSDocumentWC::kPrintSuccess);
    EXPECT_EQ(controller->runs, 1);
    EXPECT_EQ(controller->printingView(), nullptr);
    EXPECT_EQ(printer.docName(), QStringLiteral("TWdraw — Sketch"));
  }
  ASSERT_TRUE(QFile::exists(pdf));
  if (!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) {
    EXPECT_EQ(PdfTitle(pdf), QStringLiteral("TWdraw — Sketch"));
  }

  // With the panel the answer is a failure at once; the panel's end runs it.
  ScriptedDialogs dialogs;
  QDialog* panel = nullptr;
  dialogs.push([&](QDialog* dialog) { panel = dialog; });
  const QString second = home() + QStringLiteral("/files/second.pdf");
  {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(second);
    EXPECT_EQ(controller->printWithInfo(printer, true), CSDocumentWC::kPrintFailure);
  }
  ASSERT_NE(qobject_cast<QPrintDialog*>(panel), nullptr);
  EXPECT_TRUE(dialogs.seen()[0].windowModal);
  EXPECT_EQ(controller->runs, 1);
  EXPECT_NE(controller->printingView(), nullptr);
  panel->done(QDialog::Accepted);
  EXPECT_EQ(controller->runs, 2);
  EXPECT_EQ(controller->printingView(), nullptr);
  EXPECT_TRUE(QFile::exists(second));
}

TEST_F(DocumentWCTest, ThePrintPanelOffersPrintingToAPdfFile) {
  auto* controller = new PrintingWC(std::make_unique<TestDocument>(file(QStringLiteral("Sketch.TWdraw"))));
  controller->setTitle(QStringLiteral("Sketch.TWdraw"));
  ScriptedDialogs dialogs;
  QPointer<QPrintDialog> panel;
  dialogs.push([&](QDialog* dialog) { panel = qobject_cast<QPrintDialog*>(dialog); });
  // The printer the print command makes: this machine's default, or none.
  QPrinter printer(QPrinter::HighResolution);
  EXPECT_EQ(controller->printWithInfo(printer, true), CSDocumentWC::kPrintFailure);
  ASSERT_TRUE(panel);
  EXPECT_TRUE(panel->testOption(QAbstractPrintDialog::PrintToFile));
  // The panel fills its list of destinations as it shows.
  panel->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
  auto* destinations = panel->findChild<QComboBox*>(QStringLiteral("printers"));
  ASSERT_NE(destinations, nullptr);
  const int toFile = destinations->findText(QPrintDialog::tr("Print to File (PDF)"));
  ASSERT_GE(toFile, 0);

  // Chosen, with a file name, the panel prints the view into that file.
  destinations->setCurrentIndex(toFile);
  auto* name = panel->findChild<QLineEdit*>(QStringLiteral("filename"));
  ASSERT_NE(name, nullptr);
  const QString pdf = home() + QStringLiteral("/files/printed.pdf");
  name->setText(pdf);
  panel->accept();
  Spin();
  EXPECT_EQ(controller->runs, 1);
  ASSERT_TRUE(QFile::exists(pdf));
  QFile written(pdf);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(5).startsWith("%PDF-"));
}

// Opens files in windows that can print.
class PrintingDelegate : public RecordingDelegate {
 public:
  QWidget* openFileWithTabIdentifier(const QString& path, const QString&) override {
    opened << path;
    if (unopenable.contains(path)) return nullptr;
    auto* controller = new PrintingWC(std::make_unique<TestDocument>(path));
    controller->setTitle(LastPathComponent(path));
    return controller->window();
  }
};

TEST_F(DocumentWCTest, PrintFilesOpensPrintsAndClosesWhatItOpened) {
  PrintingDelegate delegate;
  launch(delegate);
  const QString shown = file(QStringLiteral("shown.txt"));
  const QString closed = file(QStringLiteral("closed.txt"));
  const QString broken = file(QStringLiteral("broken.txt"));
  delegate.unopenable << broken;
  ASSERT_TRUE(delegate.applicationOpenFile(shown));
  Spin();
  struct {
    const char* name;
    QStringList paths;
    int expect;
    QStringList expectOpen;  // file names open afterwards
  } cases[] = {
      {"nothing to print", {}, 2, {"shown.txt"}},
      {"nothing could be opened", {QStringLiteral("/"), broken}, 2, {"shown.txt"}},
      {"an open file prints in its window", {shown}, 0, {"shown.txt"}},
      {"a file opened to print is closed again", {broken, closed}, 0, {"shown.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString pdf = home() + QStringLiteral("/files/p.pdf");
    QFile::remove(pdf);
    CSPrintSettings settings;
    settings.outputFile = pdf;
    EXPECT_EQ(delegate.applicationPrintFiles(c.paths, settings, false), c.expect);
    Spin();
    EXPECT_EQ(QFile::exists(pdf), c.expect == 0);
    QStringList open;
    for (CSDocumentWC* controller : OrderedControllers()) open << LastPathComponent(controller->filePath());
    EXPECT_EQ(open, c.expectOpen);
  }
}

}  // namespace
