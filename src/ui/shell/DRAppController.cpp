// The application controller: life, launch, opening and quitting.

#include "ui/shell/DRAppController.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

#include "interchange/DRInterchangeServices.h"
#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "model/SpecialtyDrawing.h"
#include "model/StyleRecordText.h"
#include "platform/NotificationCenter.h"
#include "platform/WindowOrder.h"
#include "support/CSFileLocator.h"
#include "support/CSImage.h"
#include "support/CSCore.h"
#include "support/CSLogger.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/CSFilePanel.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/inspector/DRScalableImageDialog.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRInspectorDialogs.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/shell/CSActionHandler.h"
#include "ui/shell/CSAppUpdater.h"
#include "ui/shell/CSCorvaneHelpWC.h"
#include "ui/shell/CSNewsUpdater.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/DRAppClipboardServices.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellResources.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"
#include "ui/shell/WindowChrome.h"

Kolor g_highlightColor = 0x1EFF9F7B;
Kolor g_outlineColor = 0x1EFF2626;
Kolor g_dragLineColor = 0x6419FF19;
Kolor g_polygonExtensionColor = 0x64FF1919;
QStringList g_saveTypeArray;
QStringList g_openTypeArray;
QString g_drawSupportFolder;

const QString DRAppController::kOpenFilesKey = QStringLiteral("twdraw.openFiles");
const QString DRAppController::kGivenHelpKey = QStringLiteral("twdraw.givenHelp");
const QString DRAppController::kFavoriteGradientsKey = QStringLiteral("twdraw.favoriteGradients");
const QString DRAppController::kRecentGradientsKey = QStringLiteral("twdraw.recentGradients");
const QString DRAppController::kRecentArrowsKey = QStringLiteral("twdraw.recentArrows");
const QString DRAppController::kFavoriteColorsKey = QStringLiteral("twdraw.favoriteColors");

namespace {

DRAppController* g_shared = nullptr;

DRWindowController* DrawingController(QWindow* window) {
  return qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(window));
}

// The front-most drawing window's controller, or null.
DRWindowController* MainDrawingController() {
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (DRWindowController* controller = DrawingController(window)) return controller;
  }
  return nullptr;
}

// What the drawing model asks of the application: its main window, the
// preferences, the support folder and the recent arrows; files of other
// kinds go to the interchange layer.
class AppModelServices : public DRInterchangeServices {
 public:
  explicit AppModelServices(DRAppController& owner) : m_owner(owner) {}

  QObject* mainWindow() const override {
    DRWindowController* controller = MainDrawingController();
    return controller ? controller->window() : nullptr;
  }
  double zoomForGrabDots(double zoom) const override { return DRPrefController::sharedInstance().zoomForGrabDots(zoom); }
  DRElementHostingView* mainCanvas() const override {
    DRWindowController* controller = MainDrawingController();
    return controller ? controller->drawView() : nullptr;
  }
  QList<DRArrow>& recentArrows() override { return m_owner.recentArrows(); }
  bool keepBackups() const override { return DRPrefController::sharedInstance().keepBackups(); }
  bool autosave() const override { return DRPrefController::sharedInstance().autosave(); }
  int jpegCompression() const override { return int(DRPrefController::sharedInstance().jpegCompression()); }
  bool tiffCompression() const override { return DRPrefController::sharedInstance().tiffCompression(); }
  QString supportFolder() const override { return g_drawSupportFolder; }
  CSImage scalableImage(const QString& path, bool* canceled) override {
    return DRScalableImageDialog::scalableImage(path, canceled);
  }

 private:
  DRAppController& m_owner;
};

// The inspector's sheets, and the open panel the drawing controller asks
// for when importing paintings.
class AppDialogs : public DRInspectorDialogs {
 public:
  QStringList runOpenPanel(DREditorWindowHost* window, const QString& title, const QStringList& extensions) override {
    QWidget* parent = window ? qobject_cast<QWidget*>(window->window()) : nullptr;
    return RunFileOpenPanel(title, extensions, true, parent);
  }
};

AppDialogs& SharedAppDialogs() {
  static AppDialogs dialogs;
  return dialogs;
}

}  // namespace

DRAppController::DRAppController() {
  if (!g_shared) g_shared = this;
}

DRAppController::~DRAppController() {
  RemoveApplicationActionTarget(this);
  if (&EditorAppServices() == this) SetEditorAppServices(nullptr);
  if (m_modelServices && &ModelServices() == m_modelServices.get()) SetModelServices(nullptr);
  if (&EditorDialogs() == &SharedAppDialogs()) SetEditorDialogs(nullptr);
  if (&ClipboardServices() == &DRAppClipboardServices::shared()) SetClipboardServices(nullptr);
  if (g_shared == this) g_shared = nullptr;
}

DRAppController* DRAppController::sharedInstance() {
  if (!g_shared) new DRAppController();
  return g_shared;
}

DRAppController* DRAppController::existingInstance() {
  return g_shared;
}

void DRAppController::setFileOpeners(DRFileOpeners* openers) {
  m_fileOpeners = openers;
}

DRFileOpeners& DRAppController::fileOpeners() {
  static DRFileOpeners standIns;
  return m_fileOpeners ? *m_fileOpeners : standIns;
}

// ---- Launch ----------------------------------------------------------------------------------

void DRAppController::preliminaryInit() {
  SetHelpViewer(&CSCorvaneHelpViewer::shared());
  // The element clipboard answers the pasteboard types listed next.
  SetClipboardServices(&DRAppClipboardServices::shared());
  // The elements, then pictures, then styled and plain text.
  g_clipboardTypes = QStringList{QStringLiteral("twdraw.elements")};
  g_clipboardTypes << ClipboardServices().PasteboardImageTypes();
  g_clipboardTypes << QStringLiteral("text/rtf") << QStringLiteral("application/rtf") << QStringLiteral("text/html")
                   << QStringLiteral("text/plain");
  CreateXmlDecoder();
  EnsureGrabDotColors();
  // Drawings and their autosave copies are folders that every file panel
  // takes as files.
  CSFilePanel::setPackageExtensions({g_drawingExtension, g_autosaveExtension});
}

void DRAppController::initOnLaunch() {
  // The drawing file's key table serves every decoder (made idempotently).
  CreateXmlDecoder();
  QSettings settings;
  m_favoriteGradients = loadGradients(settings, kFavoriteGradientsKey);
  m_recentGradients = loadGradients(settings, kRecentGradientsKey);
  m_recentArrows = loadArrows(settings);
  m_helpWasShown = settings.value(kGivenHelpKey, false).toBool();
  // The favourite colours serve every pane's colour menu and the info bar.
  CSFavoriteColorManager::install();
  CSFavoriteColorManager::loadColors(settings, kFavoriteColorsKey);

  g_saveTypeArray = QStringList{QStringLiteral("TWdraw"), QStringLiteral("jpg"),  QStringLiteral("heic"),
                                QStringLiteral("pdf"),    QStringLiteral("png"),  QStringLiteral("svg"),
                                QStringLiteral("tiff"),   QStringLiteral("jpeg"), QStringLiteral("tif")};
  CSDocumentWC::setSaveTypes(g_saveTypeArray);
  g_openTypeArray = CSImage::fileExtensions();
  g_openTypeArray << QStringLiteral("TWdraw") << QuickdrawFileExtensions() << QStringLiteral("pictClipping")
                  << QStringLiteral("svg") << QStringLiteral("emf");

  ensureSupportFolder();

  // The services the editor and the model ask of the application.
  DRPrefController::sharedInstance().install();
  if (!m_modelServices) m_modelServices = std::make_unique<AppModelServices>(*this);
  SetModelServices(m_modelServices.get());
  RegisterInterchangeServices();
  SetEditorAppServices(this);
  SetEditorDialogs(&SharedAppDialogs());
  AddApplicationActionTarget(this);
  // The shared commands come after this controller's in every chain.
  CSActionHandler::sharedInstance();
  // The update and news checks start themselves once launching is over.
  CSAppUpdater::sharedInstance();
  CSNewsUpdater::sharedInstance();
  InstallWindowChrome();

  SetupEditorResources();
  // Painting tabs get the painting editor.
  DRWindowController::setPaintTabFactory(&DRPaintVC::createForWindow);
  CreateShellCursors();
  ClosePanels();
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      if (state != Qt::ApplicationActive) applicationWillResignActive();
    });
  }
  QTimer::singleShot(0, this, [this] { checkAutosave(); });
}

void DRAppController::ensureSupportFolder() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  g_drawSupportFolder = QDir(data).filePath(QStringLiteral("TindleWick/Draw"));
  QDir folder(g_drawSupportFolder);
  if (folder.exists()) return;
  if (!QDir().mkpath(g_drawSupportFolder)) {
    LogString("Can't create support folder %@: %@", g_drawSupportFolder, QStringLiteral("the folder could not be made"));
  }
}

// ---- Windows -------------------------------------------------------------------------------------

void DRAppController::normalize() {
  NotificationCenter::defaultCenter().post(g_normalizeNotification, nullptr, {{QStringLiteral("quit"), true}});
}

QWidget* DRAppController::openUntitledWithTabIdentifier(const QString& tabIdentifier) {
  auto* controller = new DRWindowController(std::make_unique<DRDrawing>());
  QWidget* window = controller->window();
  if (!window) return nullptr;
  if (DRPrefController::sharedInstance().maximizeNewDocs()) {
    window->showMaximized();
  } else {
    SetStandardWindowSize(window, 0.75);
  }
  CSWindowTabManager::sharedInstance().setTabIdentifier(tabIdentifier, window);
  controller->setupTabs(QString(), true);
  MakeKeyAndOrderFront(window);
  return window;
}

QWidget* DRAppController::openFileWithTabIdentifier(const QString& path, const QString& tabIdentifier) {
  return openByKind(path, tabIdentifier);
}

QWidget* DRAppController::openByKind(const QString& path, const QString& tabIdentifier) {
  DRFileOpeners& openers = fileOpeners();
  switch (ModelServices().drawFileType(path)) {
    case kDrawFileClipping:
      return openers.openClippingFile(path, tabIdentifier);
    case kDrawFileNative: {
      QWidget* window = openers.openDrawFile(path, tabIdentifier);
      if (!window) return nullptr;
      auto* controller = qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(WindowOfWidget(window)));
      if (controller && !m_autosaveOverride.isEmpty()) {
        controller->setTitle(m_autosaveOverride);
        controller->setRepresentedFilename(QString());
      }
      if (controller && controller->drawing() &&
          QFileInfo(path).suffix().compare(g_autosaveExtension, Qt::CaseInsensitive) == 0) {
        DRDrawing* drawing = controller->drawing();
        drawing->setLocked(true);
        drawing->setAutosaveRecoveryDoc(true);
        drawing->setFilePath(QString());
        // The package goes at quit; until the user saves elsewhere the work
        // exists nowhere else, so closing asks.
        drawing->setDirty(true);
        controller->setDocumentEdited(true);
      }
      return window;
    }
    case kDrawFileEmf:
      return openers.openEmfFile(path, tabIdentifier);
    case kDrawFileSvg:
      return openers.openSvgFile(path, tabIdentifier);
    default:
      return openers.openImageFile(path, tabIdentifier);
  }
}

QVariant DRAppController::filesToReopen() {
  if (IsReopenGestureHeld(ShellKeyboardModifiers())) return QVariant();
  return CSDocumentAppDelegate::filesToReopen();
}

bool DRAppController::shouldRecordInRecents(const QUrl& url) {
  if (!url.isLocalFile()) return true;
  return g_drawSupportFolder.isEmpty() || !IsPathInFolder(url.toLocalFile(), g_drawSupportFolder);
}

void DRAppController::showAppHelp(QObject* sender) {
  (void)sender;
  if (!m_helpWasShown) {
    m_helpWasShown = true;
    QSettings().setValue(kGivenHelpKey, true);
    HelpViewer().displayHelp(0);
    return;
  }
  int64_t topic = 0;
  if (DRWindowController* controller = MainDrawingController()) {
    if (DRContentVC* content = controller->currentContent()) {
      topic = content->contentKind() == DRContentKind::kPainting ? 35 : 3;
    }
  }
  HelpViewer().displayHelp(topic);
}

void DRAppController::prepareToQuit() {
  QSettings settings;
  saveGradients(settings, m_favoriteGradients, kFavoriteGradientsKey);
  saveGradients(settings, m_recentGradients, kRecentGradientsKey);
  saveArrows(settings, m_recentArrows);
  CSFavoriteColorManager::saveColors(settings);
  DRPrefController::sharedInstance().savePreferences(settings);
  for (const QString& package : m_oldAutosaveFiles) removeAutosavePackage(package);
  m_oldAutosaveFiles.clear();
}

bool DRAppController::shouldBringWindowForward(QWidget* window) const {
  return DrawingController(WindowOfWidget(window)) != nullptr;
}

QWidget* DRAppController::windowForFile(const QString& path) const {
  if (path.isEmpty()) return nullptr;
  const QList<QWindow*> windows = WindowOrder::shared().windows();
  for (qsizetype i = windows.size() - 1; i >= 0; --i) {
    CSDocumentWC* controller = CSDocumentWC::controllerOf(windows[i]);
    // Only plain drawing windows: a subclass shows something else.
    if (!controller || controller->metaObject() != &DRWindowController::staticMetaObject) continue;
    auto* drawingWindow = static_cast<DRWindowController*>(controller);
    if (drawingWindow->drawing() && ArePathsEqual(drawingWindow->drawing()->filePath(), path)) {
      return drawingWindow->window();
    }
  }
  return nullptr;
}

int DRAppController::currentDistanceUnit() const {
  return int(DRPrefController::sharedInstance().distanceUnit());
}

void DRAppController::applicationWillResignActive() {
  ClosePanels();
}

QString DRAppController::aboutString() {
  return QStringLiteral("Capable but humble drawing and painting.");
}

// ---- Gradients and arrows --------------------------------------------------------------------------

namespace {

// Stored strings that do not read are skipped.
template <typename T>
QList<T> RecordsFromStrings(const QStringList& strings, int32_t recordKey) {
  QList<T> records;
  for (const QString& text : strings) {
    if (std::optional<T> record = StyleFromRecordText<T>(text, recordKey)) records.append(*record);
  }
  return records;
}

// An empty list removes the key.
void StoreStrings(QSettings& settings, const QString& key, const QStringList& strings) {
  if (strings.isEmpty()) {
    settings.remove(key);
  } else {
    settings.setValue(key, strings);
  }
}

}  // namespace

QList<DRGradient> DRAppController::gradientsFromStrings(const QStringList& strings) {
  QList<DRGradient> gradients = RecordsFromStrings<DRGradient>(strings, kXmlGradient);
  gradients.removeIf([](const DRGradient& gradient) { return gradient.stopCount() > size_t(kMaxGradientStops); });
  return gradients;
}

QStringList DRAppController::stringsFromGradients(const QList<DRGradient>& gradients) {
  QStringList strings;
  // A gradient's archive is its whole element.
  for (const DRGradient& gradient : gradients) strings << StyleRecordText(gradient);
  return strings;
}

QList<DRArrow> DRAppController::arrowsFromStrings(const QStringList& strings) {
  return RecordsFromStrings<DRArrow>(strings, kXmlArrow);
}

QStringList DRAppController::stringsFromArrows(const QList<DRArrow>& arrows) {
  QStringList strings;
  for (const DRArrow& arrow : arrows) strings << StyleRecordText(arrow, QStringLiteral("arrow"));
  return strings;
}

QList<DRGradient> DRAppController::loadGradients(QSettings& settings, const QString& key) {
  return gradientsFromStrings(settings.value(key).toStringList());
}

void DRAppController::saveGradients(QSettings& settings, const QList<DRGradient>& gradients, const QString& key) {
  StoreStrings(settings, key, stringsFromGradients(gradients));
}

QList<DRArrow> DRAppController::loadArrows(QSettings& settings) {
  return arrowsFromStrings(settings.value(kRecentArrowsKey).toStringList());
}

void DRAppController::saveArrows(QSettings& settings, const QList<DRArrow>& arrows) {
  StoreStrings(settings, kRecentArrowsKey, stringsFromArrows(arrows));
}

void DRAppController::loadArrows() {
  QSettings settings;
  m_recentArrows = loadArrows(settings);
}

void DRAppController::saveArrows() {
  QSettings settings;
  saveArrows(settings, m_recentArrows);
}
