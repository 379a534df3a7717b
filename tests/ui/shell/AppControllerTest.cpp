// The application controller: opening by kind, the lists kept across
// launches, the unit and switch commands, help and the launch steps.

#include <QAction>
#include <QImage>
#include <QSettings>

#include "ShellTestSupport.h"
#include "ui/FakeHelpViewer.h"
#include "ui/NotificationRecorder.h"
#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/CSStartup.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellResources.h"

namespace {

// Notes which opener each path reached; the native opener answers a real
// drawing window when asked to.
class RecordingOpeners : public DRFileOpeners {
 public:
  QStringList calls;
  bool makeWindows = false;

  QWidget* openClippingFile(const QString& path, const QString&) override { return note("clipping", path); }
  QWidget* openDrawFile(const QString& path, const QString&) override {
    note("draw", path);
    if (!makeWindows) return nullptr;
    auto drawing = std::make_unique<DRDrawing>();
    drawing->setFilePath(path);
    auto* controller = new DRWindowController(std::move(drawing));
    controller->setTitle(LastPathComponent(path));
    controller->window()->show();
    return controller->window();
  }
  QWidget* openImageFile(const QString& path, const QString&) override { return note("image", path); }
  QWidget* openEmfFile(const QString& path, const QString&) override { return note("emf", path); }
  QWidget* openSvgFile(const QString& path, const QString&) override { return note("svg", path); }

 private:
  QWidget* note(const char* kind, const QString& path) {
    calls << QString::fromLatin1(kind) + QLatin1Char(' ') + LastPathComponent(path);
    return nullptr;
  }
};

DRGradient GradientWithStops(int count) {
  DRGradient gradient;
  CSGradient::Stops stops;
  for (int i = 0; i < count; ++i) {
    stops.push_back(CSGradientStop{int64_t(i) * kGradientStopScale / std::max(1, count - 1), Kolor(0x64000000u + uint32_t(i))});
  }
  gradient.setStops(stops);
  return gradient;
}

QAction* TaggedItem(QObject* parent, int tag) {
  auto* item = new QAction(parent);
  item->setProperty("tag", tag);
  return item;
}

}  // namespace

class AppControllerTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // The drawing file's key table, as launch installs it before anything reads.
    CreateXmlDecoder();
    controller.setFileOpeners(&openers);
  }
  void TearDown() override {
    ShellTest::TearDown();
    controller.setFileOpeners(nullptr);
  }

  RecordingOpeners openers;
  DRAppController controller;
};

TEST_F(AppControllerTest, FilesOpenThroughTheOpenerOfTheirKind) {
  struct Case {
    const char* name;
    const char* opener;
  };
  const Case cases[] = {
      {"a.TWdraw", "draw"},         {"b.TWDRAW", "draw"},   {"c.TWdraw_autosave", "draw"}, {"d.png", "image"},
      {"e.JPG", "image"},           {"f.svg", "svg"},       {"g.SvG", "svg"},              {"h.emf", "emf"},
      {"i.pictClipping", "clipping"}, {"j.foo", "image"}, {"notes", "image"},
  };
  for (const Case& c : cases) {
    const QString path = home() + QStringLiteral("/files/") + QString::fromLatin1(c.name);
    openers.calls.clear();
    EXPECT_EQ(controller.openFileWithTabIdentifier(path, QString()), nullptr);
    EXPECT_EQ(openers.calls, QStringList{QString::fromLatin1(c.opener) + QLatin1Char(' ') + QString::fromLatin1(c.name)})
        << c.name;
  }
}

TEST_F(AppControllerTest, AnAutosavePackageOpensLockedDirtyAndWithoutAPath) {
  openers.makeWindows = true;
  controller.setAutosaveOverride(QStringLiteral("Autosave of Plan [Locked]"));
  const QString package = home() + QStringLiteral("/files/1234.TWdraw_autosave");
  QWidget* window = controller.openFileWithTabIdentifier(package, QString());
  ASSERT_NE(window, nullptr);
  auto* opened = qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(WindowOfWidget(window)));
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(opened->drawing()->isLocked());
  EXPECT_TRUE(opened->drawing()->isDirty());
  EXPECT_TRUE(opened->drawing()->autosaveRecoveryDoc());
  EXPECT_TRUE(opened->drawing()->filePath().isEmpty());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Autosave of Plan [Locked][*]"));
  EXPECT_TRUE(window->windowFilePath().isEmpty());

  // Saved elsewhere, the recovered drawing is an ordinary one: editable,
  // named after its new file.
  const QString savedAs = home() + QStringLiteral("/files/Recovered.TWdraw");
  ASSERT_TRUE(opened->drawing()->saveTo(savedAs, false, false));
  EXPECT_FALSE(opened->drawing()->isLocked());
  EXPECT_FALSE(opened->drawing()->autosaveRecoveryDoc());
  EXPECT_EQ(opened->drawing()->filePath(), savedAs);
  EXPECT_FALSE(window->windowTitle().contains(QStringLiteral("Locked"))) << window->windowTitle().toStdString();

  // A plain package keeps its path and opens unlocked; the override names
  // only the package being restored.
  controller.setAutosaveOverride(QString());
  const QString drawing = home() + QStringLiteral("/files/Plan.TWdraw");
  QWidget* plain = controller.openFileWithTabIdentifier(drawing, QString());
  ASSERT_NE(plain, nullptr);
  auto* plainController = qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(WindowOfWidget(plain)));
  EXPECT_FALSE(plainController->drawing()->isLocked());
  EXPECT_EQ(plainController->drawing()->filePath(), drawing);
  EXPECT_EQ(controller.windowForFile(drawing), plain);
  EXPECT_EQ(controller.windowForFile(package), nullptr);
}

TEST_F(AppControllerTest, GradientsAndArrowsRoundTripAndEmptyListsRemoveTheirKeys) {
  QSettings settings;
  DRGradient radial = GradientWithStops(3);
  radial.setRadial(true);
  radial.setLinearAngle(0);  // a radial record keeps no angle
  radial.setRadialCenter(CSPoint{1270, -2540});
  const QList<DRGradient> gradients{GradientWithStops(2), radial, GradientWithStops(10)};
  DRAppController::saveGradients(settings, gradients, DRAppController::kFavoriteGradientsKey);
  EXPECT_EQ(DRAppController::loadGradients(settings, DRAppController::kFavoriteGradientsKey), gradients);

  const QList<DRArrow> arrows{*DRArrow::standardArrow(1), *DRArrow::standardArrow(3)};
  DRAppController::saveArrows(settings, arrows);
  EXPECT_EQ(DRAppController::loadArrows(settings), arrows);

  // Eleven stops is more than the editors hold: such a gradient is dropped,
  // as are entries that are not records at all.
  QStringList stored = settings.value(DRAppController::kFavoriteGradientsKey).toStringList();
  DRAppController::saveGradients(settings, {GradientWithStops(11)}, DRAppController::kRecentGradientsKey);
  stored << settings.value(DRAppController::kRecentGradientsKey).toStringList() << QStringLiteral("<gradient>")
         << QStringLiteral("<?xml version=\"1.0\"?><gradient><stops><stop>") << QString();
  settings.setValue(DRAppController::kFavoriteGradientsKey, stored);
  EXPECT_EQ(DRAppController::loadGradients(settings, DRAppController::kFavoriteGradientsKey), gradients);

  DRAppController::saveGradients(settings, {}, DRAppController::kFavoriteGradientsKey);
  DRAppController::saveArrows(settings, {});
  EXPECT_FALSE(settings.contains(DRAppController::kFavoriteGradientsKey));
  EXPECT_FALSE(settings.contains(DRAppController::kRecentArrowsKey));
}

TEST_F(AppControllerTest, UnitTagsChooseTheUnitAndTheCurrentUnitPostsNothing) {
  DRPrefController& preferences = DRPrefController::sharedInstance();
  const DistanceUnit saved = preferences.distanceUnit();
  preferences.setDistanceUnit(kDistanceUnitPoints);
  QObject owner;
  struct Case {
    int tag;
    DistanceUnit unit;
  };
  const Case cases[] = {{1, kDistanceUnitInches}, {2, kDistanceUnitInchFractions}, {3, kDistanceUnitCentimetres},
                        {7, kDistanceUnitPoints}, {0, kDistanceUnitPoints}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    NotificationRecorder recorder({g_unitsChangedNotification});
    const DistanceUnit before = preferences.distanceUnit();
    QAction* item = TaggedItem(&owner, c.tag);
    controller.setUnits(item);
    EXPECT_EQ(preferences.distanceUnit(), c.unit);
    EXPECT_EQ(recorder.count(g_unitsChangedNotification), before == c.unit ? 0 : 1);
    // The item of the unit in force is checked, the others not.
    EXPECT_TRUE(controller.validateMenuItem(QStringLiteral("setUnits:"), item));
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(TaggedItem(&owner, c.tag == 1 ? 2 : 1)->isChecked(), false);
  }
  preferences.setDistanceUnit(saved);
}

TEST_F(AppControllerTest, SwitchCommandsToggleTheirPreferencesAndMenuItemsShowThem) {
  DRPrefController& preferences = DRPrefController::sharedInstance();
  const bool lines = preferences.showDragLines();
  const bool grid = preferences.showDrawGrid();
  QAction item;
  NotificationRecorder recorder({g_redrawDrawingNotification});

  ASSERT_TRUE(controller.performAction(QStringLiteral("toggleDragLines:"), &item));
  EXPECT_EQ(preferences.showDragLines(), !lines);
  EXPECT_TRUE(controller.validateMenuItem(QStringLiteral("toggleDragLines:"), &item));
  EXPECT_EQ(item.isChecked(), !lines);
  EXPECT_EQ(recorder.count(g_redrawDrawingNotification), 0);

  ASSERT_TRUE(controller.performAction(QStringLiteral("toggleDrawGrid:"), &item));
  EXPECT_EQ(preferences.showDrawGrid(), !grid);
  EXPECT_TRUE(controller.validateMenuItem(QStringLiteral("toggleDrawGrid:"), &item));
  EXPECT_EQ(item.isChecked(), !grid);
  EXPECT_EQ(recorder.count(g_redrawDrawingNotification), 1);

  // Commands the controller does not carry are left to others.
  EXPECT_FALSE(controller.respondsToSelector(QStringLiteral("copy:")));
  EXPECT_FALSE(controller.performAction(QStringLiteral("copy:"), &item));
  preferences.setShowDragLines(lines);
  preferences.setShowDrawGrid(grid);
}

TEST_F(AppControllerTest, HelpOpensTheIntroductionOnceThenTheTopicOfTheFrontWindow) {
  FakeHelpViewer help;
  controller.showAppHelp(nullptr);
  EXPECT_TRUE(QSettings().value(DRAppController::kGivenHelpKey).toBool());
  controller.showAppHelp(nullptr);  // no drawing window: the introduction again
  auto* drawingWindow = new DRWindowController(std::make_unique<DRDrawing>());
  drawingWindow->window()->show();
  MakeKeyAndOrderFront(drawingWindow->window());
  controller.showAppHelp(nullptr);
  ASSERT_EQ(help.shown.size(), 3u);
  EXPECT_EQ(help.shown[0].first, 0);
  EXPECT_EQ(help.shown[1].first, 0);
  EXPECT_EQ(help.shown[2].first, 3);
}

TEST_F(AppControllerTest, SupportFolderFilesStayOutOfTheRecentList) {
  g_drawSupportFolder = home() + QStringLiteral("/data/TindleWick/Draw");
  EXPECT_FALSE(controller.shouldRecordInRecents(QUrl::fromLocalFile(g_drawSupportFolder + QStringLiteral("/x.TWdraw"))));
  EXPECT_TRUE(controller.shouldRecordInRecents(QUrl::fromLocalFile(home() + QStringLiteral("/files/x.TWdraw"))));
  EXPECT_TRUE(controller.shouldRecordInRecents(
      QUrl::fromLocalFile(home() + QStringLiteral("/data/TindleWick/Drawings/x.TWdraw"))));
}

TEST_F(AppControllerTest, LaunchMakesTheSupportFolderTheTypesAndTheEightCursors) {
  for (const CSCursorImage& entry : g_shellCursorImages) entry.cursor->reset();
  SetupShellResources();
  const QStringList savedTypes = g_clipboardTypes;
  controller.preliminaryInit();
  ASSERT_FALSE(g_clipboardTypes.isEmpty());
  EXPECT_EQ(g_clipboardTypes.first(), QStringLiteral("twdraw.elements"));
  EXPECT_TRUE(g_clipboardTypes.contains(QStringLiteral("image/png")));
  EXPECT_LT(g_clipboardTypes.indexOf(QStringLiteral("image/png")), g_clipboardTypes.indexOf(QStringLiteral("text/rtf")));
  g_clipboardTypes = savedTypes;
  controller.initOnLaunch();
  EXPECT_EQ(g_drawSupportFolder, home() + QStringLiteral("/data/TindleWick/Draw"));
  EXPECT_TRUE(QFileInfo(g_drawSupportFolder).isDir());
  EXPECT_EQ(g_saveTypeArray.size(), 9);
  EXPECT_EQ(g_saveTypeArray.first(), QStringLiteral("TWdraw"));
  EXPECT_EQ(CSDocumentWC::saveTypes(), g_saveTypeArray);
  EXPECT_TRUE(g_openTypeArray.contains(QStringLiteral("svg")));
  EXPECT_TRUE(g_openTypeArray.contains(QStringLiteral("png")));
  for (const char* pict : {"pict", "pct", "pic"}) EXPECT_TRUE(g_openTypeArray.contains(QLatin1String(pict))) << pict;
  // Every type the open panels offer is a kind the openers and drops take.
  for (const QString& type : g_openTypeArray) {
    EXPECT_NE(ModelServices().drawFileType(QStringLiteral("/tmp/x.") + type), kDrawFileUnknown) << type.toStdString();
  }
  EXPECT_EQ(&EditorAppServices(), static_cast<DREditorAppServices*>(&controller));
  EXPECT_EQ(ModelServices().supportFolder(), g_drawSupportFolder);
  for (const CSCursorImage& entry : g_shellCursorImages) {
    SCOPED_TRACE(entry.imageName);
    ASSERT_TRUE(entry.cursor->has_value());
    EXPECT_EQ((*entry.cursor)->hotSpot(), QPoint(entry.hotX, entry.hotY));
    EXPECT_FALSE((*entry.cursor)->pixmap().isNull());
  }
  // The editor's canvases use the same cursors at the same hot spots.
  for (const DREditorCursorImage& entry : g_editorCursorImages) {
    const auto shell = std::find_if(std::begin(g_shellCursorImages), std::end(g_shellCursorImages),
                                    [&entry](const CSCursorImage& c) { return c.cursor == entry.cursor; });
    ASSERT_NE(shell, std::end(g_shellCursorImages)) << entry.imageName;
    EXPECT_EQ(QPoint(shell->hotX, shell->hotY), QPoint(entry.hotX, entry.hotY)) << entry.imageName;
  }
}

TEST_F(AppControllerTest, QuittingSavesTheListsAndRemovesWhatIsEmpty) {
  QSettings settings;
  settings.setValue(DRAppController::kRecentArrowsKey, QStringList{QStringLiteral("stale")});
  controller.favoriteGradients() = {GradientWithStops(2)};
  controller.prepareToQuit();
  EXPECT_EQ(DRAppController::loadGradients(settings, DRAppController::kFavoriteGradientsKey),
            controller.favoriteGradients());
  EXPECT_FALSE(settings.contains(DRAppController::kRecentGradientsKey));
  EXPECT_FALSE(settings.contains(DRAppController::kRecentArrowsKey));
}

TEST_F(AppControllerTest, NamedFilesOpenInWindowsOfTheirOwnAtLaunch) {
  controller.setFileOpeners(nullptr);
  const QString picture = home() + QStringLiteral("/files/y.png");
  QImage image(40, 20, QImage::Format_ARGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(picture));
  const QString package = home() + QStringLiteral("/files/z.TWdraw");
  ASSERT_TRUE(QDir().mkpath(package));
  QFile xml(package + QStringLiteral("/drawing.xml"));
  ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
  xml.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<drawing><elements><element><type>rect</type>"
            "<frame>{0,0,127000,127000}</frame><original>{127000,127000}</original></element></elements></drawing>");
  xml.close();

  CSStartup startup(controller, {picture, package}, home());
  startup.launch();
  Spin();
  QStringList paths;
  for (CSDocumentWC* opened : OrderedControllers()) {
    auto* drawingWindow = qobject_cast<DRWindowController*>(opened);
    ASSERT_NE(drawingWindow, nullptr);
    paths << drawingWindow->drawing()->filePath();
    if (drawingWindow->drawing()->filePath() == package) {
      EXPECT_EQ(drawingWindow->drawing()->elements().size(), 1u);
    }
  }
  paths.sort();
  EXPECT_EQ(paths, (QStringList{picture, package}));
}

// The settings file gives a reopen list of one file back as a plain string,
// not a list; that file must still reopen.
TEST_F(AppControllerTest, AReopenListOfOneFileReopensIt) {
  controller.setFileOpeners(nullptr);
  const QString package = home() + QStringLiteral("/files/one.TWdraw");
  ASSERT_TRUE(QDir().mkpath(package));
  QFile xml(package + QStringLiteral("/drawing.xml"));
  ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
  xml.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<drawing><elements></elements></drawing>");
  xml.close();
  QSettings().setValue(DRAppController::kOpenFilesKey, CSFileLocator(package).archive(true));

  CSStartup startup(controller, {}, home());
  startup.launch();
  Spin();
  const QList<CSDocumentWC*> opened = OrderedControllers();
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened.first()->doc()->filePath(), package);
}
