// Opening files by kind: pictures as a drawing with one bitmap, packages in
// a window of their own, the kinds with no reader refused, and the
// untouched launch window giving way to the file opened.

#include <QDir>
#include <QImage>
#include <QPointer>

#include "ShellTestSupport.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "support/Files.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DROpenFiles.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"

namespace {

// A drawing window's controller of a class derived from the drawing one.
class DerivedWindowController : public DRWindowController {
 public:
  using DRWindowController::DRWindowController;
};

DRWindowController* ControllerOfWindow(QWidget* window) {
  return qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(window));
}

bool IsOpen(const QPointer<QMainWindow>& window) {
  return window && window->isVisible();
}

// Document windows with a controller, shown or not.
int LiveDocumentWindows() {
  int count = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) count += CSDocumentWC::controllerOf(widget) ? 1 : 0;
  return count;
}

}  // namespace

class OpenFilesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    DRPrefController& preferences = DRPrefController::sharedInstance();
    m_openImageTab = preferences.openImageTab();
    m_maximize = preferences.maximizeNewDocs();
    preferences.setOpenImageTab(false);
    preferences.setMaximizeNewDocs(false);
  }
  void TearDown() override {
    ShellTest::TearDown();
    DRPrefController::sharedInstance().setOpenImageTab(m_openImageTab);
    DRPrefController::sharedInstance().setMaximizeNewDocs(m_maximize);
    CSRecordingAlertPresenter::shared().clear();
  }

  // A PNG of that many pixels (points at the image's own size).
  QString png(const QString& name, int width, int height) {
    const QString path = home() + QStringLiteral("/files/") + name;
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::red);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
  }

  // A drawing window in front, as the application makes at launch.
  template <class Controller = DRWindowController>
  Controller* launchWindow() {
    auto* controller = new Controller(std::make_unique<DRDrawing>());
    controller->window()->resize(500, 400);
    MakeKeyAndOrderFront(controller->window());
    Spin();
    return controller;
  }

  static std::vector<CSRecordingAlertPresenter::Alert> alerts() { return CSRecordingAlertPresenter::shared().alerts(); }

  FakeModelServices services;
  SettingsScope settings;

 private:
  bool m_openImageTab = false;
  bool m_maximize = false;
};

TEST_F(OpenFilesTest, ImageBecomesDrawingWithOneBitmap) {
  const QString path = png(QStringLiteral("Photo.png"), 100, 50);
  QWidget* window = OpenImageFile(path, QStringLiteral("photos"));
  ASSERT_NE(window, nullptr);
  DRWindowController* controller = ControllerOfWindow(window);
  ASSERT_NE(controller, nullptr);
  DRDrawing* drawing = controller->drawing();
  ASSERT_EQ(drawing->elements().size(), 1u);
  auto* bitmap = dynamic_cast<DRElementBitmap*>(drawing->elements().front().get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->frame(), (CSRect{0, 0, 1270000, 635000}));
  ASSERT_NE(bitmap->painting(), nullptr);
  EXPECT_EQ(bitmap->painting()->originalSize(), QSizeF(100, 50));

  // The drawing keeps the picture's path, so saving goes back to the picture.
  EXPECT_EQ(drawing->filePath(), path);
  EXPECT_FALSE(drawing->isLocked());
  EXPECT_FALSE(drawing->isDirty());
  EXPECT_EQ(controller->miniaturizedTitle(), QStringLiteral("Photo.png"));
  EXPECT_EQ(window->windowFilePath(), path);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(WindowOrder::tabbingIdentifier(window->windowHandle()), QStringLiteral("photos"));
  // The painting has its tab; the drawing's is shown.
  EXPECT_EQ(controller->tabGuids(), QStringList{bitmap->guid()});
  EXPECT_TRUE(controller->currentTabGuid().isEmpty());
  EXPECT_TRUE(alerts().empty());
}

TEST_F(OpenFilesTest, OpenImageTabPreferenceChoosesFirstTab) {
  for (const bool openImageTab : {false, true}) {
    SCOPED_TRACE(openImageTab);
    DRPrefController::sharedInstance().setOpenImageTab(openImageTab);
    QWidget* window = OpenImageFile(png(QStringLiteral("Tab.png"), 20, 10), QString());
    DRWindowController* controller = ControllerOfWindow(window);
    ASSERT_NE(controller, nullptr);
    auto* bitmap = dynamic_cast<DRElementBitmap*>(controller->drawing()->elements().front().get());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(controller->currentTabGuid(), openImageTab ? bitmap->guid() : QString());
    EXPECT_EQ(controller->windowTabs()->selectedTab(), openImageTab ? bitmap->guid() : DRWindowController::kDrawingTab);
    CloseAllWindows();
  }
}

TEST_F(OpenFilesTest, ReadOnlyPictureOpensLocked) {
  struct Case {
    const char* name;
    bool readOnly;
    bool extensionHidden;
    const char* title;
  };
  const Case cases[] = {
      {"read-only", true, false, "Photo.png [Locked]"},
      {"read-only, extension hidden", true, true, "Photo [Locked]"},
      {"writable, extension hidden", false, true, "Photo"},
      {"writable", false, false, "Photo.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = home() + QStringLiteral("/files/") + QString::fromLatin1(c.name);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Photo.png");
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(path, "PNG"));
    FinderAttributes record;
    GetFinderAttributes(path, &record);
    record.extensionHidden = c.extensionHidden;
    SetFinderAttributes(path, record);
    GetFinderAttributes(path, &record);
    if (record.extensionHidden != c.extensionHidden) GTEST_SKIP() << "no extended attributes on this file system";
    if (c.readOnly)
      QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);

    QWidget* window = OpenImageFile(path, QString());
    DRWindowController* controller = ControllerOfWindow(window);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->drawing()->isLocked(), c.readOnly);
    EXPECT_EQ(controller->miniaturizedTitle(), QString::fromLatin1(c.title));
    EXPECT_EQ(window->windowFilePath(), path);
    CloseAllWindows();
  }
}

TEST_F(OpenFilesTest, OnlyUntouchedLaunchWindowGivesWay) {
  struct Case {
    const char* name;
    bool closes;
    std::function<void(DRWindowController*)> touch;
    bool derived = false;
  };
  const std::vector<Case> cases = {
      {"untouched", true, [](DRWindowController*) {}},
      {"dirty", false, [](DRWindowController* c) { c->drawing()->setDirty(true); }},
      {"has a file", false, [](DRWindowController* c) { c->drawing()->setFilePath(QStringLiteral("/tmp/a.TWdraw")); }},
      {"has an element", false,
       [](DRWindowController* c) {
         auto rectangle = std::make_unique<DRElementRectangle>();
         rectangle->setFrame(PtRect(10, 10, 40, 30));
         c->drawing()->elements().push_back(std::move(rectangle));
       }},
      {"has a background image", false,
       [](DRWindowController* c) { c->drawing()->setBackgroundImage(CSImage::initWithSize(QSizeF(10, 10))); }},
      {"has a painting tab", false, [](DRWindowController* c) { c->drawing()->bitmapGuids() << QStringLiteral("A"); }},
      {"derived controller", false, [](DRWindowController*) {}, true},
  };
  const QString picture = png(QStringLiteral("Opened.png"), 30, 20);
  // Closing the last document window by hand quits; giving way must not.
  RecordingDelegate delegate;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DRWindowController* launch = c.derived ? launchWindow<DerivedWindowController>() : launchWindow();
    c.touch(launch);
    QPointer<QMainWindow> launchWindowWidget = launch->window();
    QWidget* opened = OpenImageFile(picture, QString());
    ASSERT_NE(opened, nullptr);
    Spin();
    EXPECT_EQ(IsOpen(launchWindowWidget), !c.closes);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_EQ(OrderedControllers().size(), c.closes ? 1 : 2);
    // The user was asked nothing, and the application goes on.
    EXPECT_TRUE(alerts().empty());
    EXPECT_EQ(delegate.exitCount, 0);
    EXPECT_FALSE(delegate.isTerminating());
    CloseAllWindows();
  }
}

TEST_F(OpenFilesTest, UntouchedWindowBehindAnotherStays) {
  DRWindowController* untouched = launchWindow();
  DRWindowController* dirty = launchWindow();
  dirty->drawing()->setDirty(true);
  QPointer<QMainWindow> behind = untouched->window();
  ASSERT_NE(OpenImageFile(png(QStringLiteral("Front.png"), 10, 10), QString()), nullptr);
  Spin();
  EXPECT_TRUE(IsOpen(behind));
  EXPECT_EQ(OrderedControllers().size(), 3);
}

TEST_F(OpenFilesTest, PackageOpensInWindowOfItsOwn) {
  const QString package = home() + QStringLiteral("/files/Plan.TWdraw");
  {
    DRDrawing drawing;
    auto rectangle = std::make_unique<DRElementRectangle>();
    rectangle->setFrame(PtRect(10, 20, 100, 50));
    drawing.elements().push_back(std::move(rectangle));
    CSError error;
    ASSERT_TRUE(drawing.saveNative(package, false, &error)) << error.reason().toStdString();
  }
  QPointer<QMainWindow> launch = launchWindow()->window();
  QWidget* window = OpenDrawFile(package, QStringLiteral("plans"));
  ASSERT_NE(window, nullptr);
  Spin();
  DRWindowController* controller = ControllerOfWindow(window);
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->drawing()->elements().size(), 1u);
  EXPECT_EQ(controller->drawing()->elements().front()->frame(), PtRect(10, 20, 100, 50));
  EXPECT_EQ(controller->drawing()->filePath(), package);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(WindowOrder::tabbingIdentifier(window->windowHandle()), QStringLiteral("plans"));
  EXPECT_FALSE(IsOpen(launch));
  EXPECT_TRUE(alerts().empty());
}

TEST_F(OpenFilesTest, PackageThatFailsToLoadLeavesNoWindow) {
  const QString package = home() + QStringLiteral("/files/Broken.TWdraw");
  ASSERT_TRUE(QDir().mkpath(package));
  QFile xml(package + QStringLiteral("/drawing.xml"));
  ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
  xml.write("<drawing><version>1</version><elements><element><type>");
  xml.close();
  RecordingDelegate delegate;
  QPointer<QMainWindow> launch = launchWindow()->window();

  EXPECT_EQ(OpenDrawFile(package, QString()), nullptr);
  Spin();
  EXPECT_EQ(delegate.exitCount, 0);
  // The launch window went before the file was read; the new window went
  // when it could not be.
  EXPECT_FALSE(IsOpen(launch));
  EXPECT_TRUE(OrderedControllers().isEmpty());
  EXPECT_EQ(LiveDocumentWindows(), 0);
  ASSERT_EQ(alerts().size(), 1u);
  EXPECT_EQ(alerts()[0].message, QStringLiteral("Can't open file."));
  EXPECT_TRUE(alerts()[0].moreInfo.contains(QStringLiteral("Broken.TWdraw")));
}

TEST_F(OpenFilesTest, KindsWithoutReaderAreRefused) {
  DRFileOpeners openers;
  struct Case {
    const char* name;
    std::function<QWidget*(const QString&)> open;
  };
  const std::vector<Case> cases = {
      {"Picture.svg", [&](const QString& path) { return openers.openSvgFile(path, QString()); }},
      {"Picture.emf", [&](const QString& path) { return openers.openEmfFile(path, QString()); }},
      {"Picture.pictClipping", [&](const QString& path) { return openers.openClippingFile(path, QString()); }},
  };
  QPointer<QMainWindow> launch = launchWindow()->window();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSRecordingAlertPresenter::shared().clear();
    const QString path = file(QString::fromLatin1(c.name));
    EXPECT_EQ(c.open(path), nullptr);
    Spin();
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_EQ(alerts()[0].message, QStringLiteral("Can't open file."));
    EXPECT_TRUE(alerts()[0].moreInfo.contains(QString::fromLatin1(c.name)));
    // Nothing was read, so the launch window stays and no other opens.
    EXPECT_TRUE(IsOpen(launch));
    EXPECT_EQ(OrderedControllers().size(), 1);
  }
}

TEST_F(OpenFilesTest, ImportedElementsOpenAsNewDrawing) {
  services.svgLoader = [](const QString&) {
    DRElementList elements;
    for (int i = 0; i < 2; ++i) {
      auto rectangle = std::make_unique<DRElementRectangle>();
      rectangle->setFrame(PtRect(10 + 50 * i, 10, 40, 30));
      elements.push_back(std::move(rectangle));
    }
    return elements;
  };
  const QString path = file(QStringLiteral("Shapes.svg"));
  DRFileOpeners openers;
  QWidget* window = openers.openSvgFile(path, QString());
  ASSERT_NE(window, nullptr);
  DRWindowController* controller = ControllerOfWindow(window);
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->drawing()->elements().size(), 2u);
  EXPECT_EQ(controller->drawing()->elements()[1]->frame(), PtRect(60, 10, 40, 30));
  EXPECT_EQ(controller->drawing()->filePath(), path);
  EXPECT_TRUE(controller->tabGuids().isEmpty());
  EXPECT_EQ(controller->miniaturizedTitle(), QStringLiteral("Shapes.svg"));
  EXPECT_TRUE(alerts().empty());
}

TEST_F(OpenFilesTest, FailedImportOpensNothingAndEmptyImportOpensAnEmptyDrawing) {
  const QString path = file(QStringLiteral("Broken.svg"));
  DRFileOpeners openers;
  // The importer has given its own alert; the opener adds none.
  services.svgLoader = [](const QString&) { return std::optional<DRElementList>(); };
  EXPECT_EQ(openers.openSvgFile(path, QString()), nullptr);
  Spin();
  EXPECT_TRUE(alerts().empty());

  services.svgLoader = [](const QString&) { return std::optional<DRElementList>(DRElementList()); };
  QWidget* window = openers.openSvgFile(path, QString());
  ASSERT_NE(window, nullptr);
  DRWindowController* controller = ControllerOfWindow(window);
  ASSERT_NE(controller, nullptr);
  EXPECT_TRUE(controller->drawing()->elements().empty());
  EXPECT_EQ(controller->drawing()->filePath(), path);
  EXPECT_TRUE(alerts().empty());
}

TEST_F(OpenFilesTest, UnreadablePictureOpensNothing) {
  QPointer<QMainWindow> launch = launchWindow()->window();
  const QString path = file(QStringLiteral("Broken.png"));
  EXPECT_EQ(OpenImageFile(path, QString()), nullptr);
  Spin();
  // Refused before any window was made: the launch window stays.
  EXPECT_TRUE(IsOpen(launch));
  EXPECT_EQ(OrderedControllers().size(), 1);
}
