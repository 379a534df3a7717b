#include "ui/shell/CSDocumentAppDelegate.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QSet>
#include <QSettings>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include "platform/WindowOrder.h"
#include "support/CSFileLocator.h"
#include "support/CSKernel.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/ThreadStorage.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/CSTabGroupHost.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"

namespace {

QPointer<CSDocumentAppDelegate> g_current;

const QString kMakerFolderName = QStringLiteral("TindleWick");

// A file URL given as text becomes its path; anything else is taken as a path.
QString PathOfArgument(const QString& pathOrUrl) {
  if (pathOrUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return QUrl(pathOrUrl).toLocalFile();
  return pathOrUrl;
}

bool IsTextView(const QWidget* widget) {
  return qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
         qobject_cast<const QLineEdit*>(widget);
}

}  // namespace

const QString CSDocumentAppDelegate::kRecentDocumentsKey = QStringLiteral("cs.recentDocuments");

CSDocumentAppDelegate::CSDocumentAppDelegate() : m_previous(g_current) {
  g_current = this;
}

CSDocumentAppDelegate::~CSDocumentAppDelegate() {
  if (g_current == this) g_current = m_previous;
}

CSDocumentAppDelegate* CSDocumentAppDelegate::current() {
  return g_current.data();
}

// ---- Launch ------------------------------------------------------------------------------

void CSDocumentAppDelegate::applicationWillFinishLaunching() {
  // The delegate reaches the library only through the kernel; a kernel made
  // earlier (by a test) keeps the delegate it was given.
  CSKernelOptions options;
  options.appDelegate = this;
  CSKernel::createSharedInstance(options);
  CSWindowTabManager::sharedInstance().setControllerClass(&CSDocumentWC::staticMetaObject);
  QPointer<CSDocumentAppDelegate> self(this);
  CSTabGroupHost::shared().setNewTabHandler([self](QWindow* sender) {
    if (self) self->newWindowForTab(sender);
  });
  preliminaryInit();
}

void CSDocumentAppDelegate::applicationDidFinishLaunching() {
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  const QVariantList reopen = filesToReopen().toList();
  AllocateThreadStorage(QString());
  HelpViewer().InitCorvane();
  initOnLaunch();
  m_launching = false;

  if (!reopen.isEmpty()) tabs.loadWindowTabDicts();
  if (!m_reopenSuppressed && !IsReopenGestureHeld(ShellKeyboardModifiers())) {
    for (qsizetype i = reopen.size() - 1; i >= 0; --i) {
      std::optional<CSFileLocator> locator = CSFileLocator::initWithObject(reopen[i]);
      if (!locator || !locator->verify(nullptr) || locator->isInTrash()) continue;
      if (applicationOpenFile(locator->path())) m_openedWindowsAtLaunch = true;
    }
  }
  tabs.restoreFrontmostTabbedWindows();

  m_openingDelayedFile = true;
  const QStringList queued = m_openFilePaths;
  for (const QString& path : queued) {
    if (applicationOpenFile(path)) m_openedWindowsAtLaunch = true;
  }
  m_openingDelayedFile = false;
  m_openFilePaths.clear();

  if (!m_openedWindowsAtLaunch) applicationOpenUntitledFile();
  for (CSLaunchHook* hook : LaunchHooks()) hook->startAutoCheck();
  initAfterLaunch();
  ClosePanels();
}

// ---- Opening ---------------------------------------------------------------------------------

bool CSDocumentAppDelegate::applicationShouldOpenUntitledFile() const {
  return QApplication::activeModalWidget() == nullptr;
}

bool CSDocumentAppDelegate::applicationOpenUntitledFile() {
  if (m_launching) return false;
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  QString identifier = tabs.windowTabIdentifier();
  if (identifier.isEmpty()) {
    bool shouldTab = false;
    const QString front = tabs.mainWindowTabIdentifier(&shouldTab);
    if (shouldTab) identifier = front;
  }
  return openUntitledWithTabIdentifier(identifier) != nullptr;
}

bool CSDocumentAppDelegate::applicationOpenFile(const QString& path) {
  return openFile(path, true);
}

void CSDocumentAppDelegate::applicationOpenFiles(const QStringList& paths) {
  openFiles(paths);
}

void CSDocumentAppDelegate::openFiles(const QStringList& paths) {
  for (qsizetype i = paths.size() - 1; i >= 0; --i) openFile(paths[i], false);
}

bool CSDocumentAppDelegate::openFile(const QString& pathOrUrl, bool newBatch) {
  (void)newBatch;
  const QString path = PathOfArgument(pathOrUrl);
  if (path.isEmpty() || QDir::cleanPath(path) == QLatin1String("/")) return false;
  if (m_launching) {
    if (shouldOpenAfterLaunch(path)) m_openFilePaths.append(path);
    return true;
  }
  if (QWidget* shown = windowForFile(path)) {
    MakeKeyAndOrderFront(shown);
    return true;
  }
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  QString identifier;
  const int record = tabs.tabDictForFile(path, &identifier);
  QWidget* window = openFileWithTabIdentifier(path, identifier);
  if (!window) return false;
  if (record >= 0) {
    tabs.assignWindow(window, record, identifier, path);
  } else if (!identifier.isEmpty()) {
    tabs.forceWindow(window, identifier);
  }
  bringForwardLater(window);
  recordRecentFile(path);
  return true;
}

void CSDocumentAppDelegate::bringForwardLater(QWidget* window) {
  QPointer<QWidget> target(window);
  QTimer::singleShot(m_openingDelayedFile ? kDelayedFileMilliseconds : 0, this, [target] {
    if (target) MakeKeyAndOrderFront(target);
  });
}

int CSDocumentAppDelegate::applicationPrintFiles(const QStringList& paths, const CSPrintSettings& settings,
                                                 bool showPanels) {
  bool printedAny = false;
  for (const QString& path : paths) {
    QWidget* window = windowForFile(path);
    bool openedToPrint = false;
    if (window) {
      MakeKeyAndOrderFront(window);
    } else {
      if (!applicationOpenFile(path)) continue;
      window = windowForFile(path);
      if (!window) {
        CSDocumentWC* front = frontmostController();
        window = front ? front->window() : nullptr;
      }
      openedToPrint = true;
    }
    CSDocumentWC* controller = CSDocumentWC::controllerOf(window);
    if (!controller) continue;
    QPrinter printer(QPrinter::HighResolution);
    if (!settings.outputFile.isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(settings.outputFile);
    } else if (!settings.printerName.isEmpty()) {
      printer.setPrinterName(settings.printerName);
    }
    if (controller->doc()) printer.setPageLayout(controller->doc()->printInfo().toPageLayout());
    if (controller->printWithInfo(printer, showPanels) == CSDocumentWC::kPrintFailure) return 2;
    printedAny = true;
    if (openedToPrint) closeWindow(window, controller);
  }
  return printedAny ? 0 : 2;
}

void CSDocumentAppDelegate::applicationReopen() {
  if (CSDocumentWC* front = frontmostController(); front && front->window() && front->window()->isVisible()) {
    MakeKeyAndOrderFront(front->window());
    return;
  }
  if (applicationShouldOpenUntitledFile()) applicationOpenUntitledFile();
}

void CSDocumentAppDelegate::newWindowForTab(QWindow* sender) {
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  const QString identifier = WindowOrder::tabbingIdentifier(sender);
  if (!identifier.isEmpty()) tabs.setWindowTabIdentifier(identifier);
  applicationOpenUntitledFile();
  tabs.setWindowTabIdentifier(QString());
}

// ---- Windows ------------------------------------------------------------------------------------

void CSDocumentAppDelegate::closeWindow(QWidget* window, CSDocumentWC* controller) {
  if (!window) return;
  if (!controller) controller = CSDocumentWC::controllerOf(window);
  QPointer<QWidget> guard(window);
  if (controller) controller->windowWillClose();
  if (guard) guard->close();
}

QWidget* CSDocumentAppDelegate::windowForFile(const QString& path) const {
  if (path.isEmpty()) return nullptr;
  const QList<QWindow*> windows = WindowOrder::shared().windows();
  for (qsizetype i = windows.size() - 1; i >= 0; --i) {
    CSDocumentWC* controller = CSDocumentWC::controllerOf(windows[i]);
    if (controller && controller->doc() && ArePathsEqual(controller->doc()->filePath(), path)) {
      return controller->window();
    }
  }
  return nullptr;
}

CSDocumentWC* CSDocumentAppDelegate::frontmostController() const {
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (CSDocumentWC* controller = CSDocumentWC::controllerOf(window)) return controller;
  }
  return nullptr;
}

bool CSDocumentAppDelegate::shouldBringWindowForward(QWidget* window) const {
  return CSDocumentWC::controllerOf(window) != nullptr;
}

void CSDocumentAppDelegate::allowTabbing(QWidget* window) {
  if (QWindow* handle = WindowOfWidget(window))
    WindowOrder::setTabbingMode(handle, WindowOrder::TabbingMode::Automatic);
}

bool CSDocumentAppDelegate::isLastDocumentWindow(const QWidget* window) const {
  for (QWindow* handle : WindowOrder::shared().orderedWindows()) {
    CSDocumentWC* controller = CSDocumentWC::controllerOf(handle);
    if (controller && controller->window() != window) return false;
  }
  return true;
}

// ---- Recent documents and help ---------------------------------------------------------------------

void CSDocumentAppDelegate::recordRecentFile(const QString& path) {
  if (path.isEmpty()) return;
  const QUrl url = QUrl::fromLocalFile(path);
  if (!shouldRecordInRecents(url)) return;
  const QFileInfo info(path);
  if (info.isDir()) {
    // A folder counts only as a document package: one of the types saved.
    bool package = false;
    for (const QString& type : CSDocumentWC::saveTypes())
      package = package || IsFuzzyEqualToString(info.suffix(), type);
    if (!package) return;
  }
  QSettings settings;
  QStringList recent = settings.value(kRecentDocumentsKey).toStringList();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kMaxRecentDocuments) recent.removeLast();
  settings.setValue(kRecentDocumentsKey, recent);
}

QStringList CSDocumentAppDelegate::recentDocuments() const {
  return QSettings().value(kRecentDocumentsKey).toStringList();
}

void CSDocumentAppDelegate::clearRecentDocuments() {
  QSettings().remove(kRecentDocumentsKey);
}

void CSDocumentAppDelegate::showNonContextualHelp() {
  showAppHelp(nullptr);
}

void CSDocumentAppDelegate::showAppHelp(QObject* sender) {
  (void)sender;
  HelpViewer().displayHelp(kNoHelpTopic);
}

// ---- The reopen list ------------------------------------------------------------------------------------

QVariant CSDocumentAppDelegate::filesToReopen() {
  const QString key = reopenFilesKey();
  if (key.isEmpty()) return QVariant();
  const QVariant value = QSettings().value(key);
  // The settings file gives a list of one back as that one item.
  if (value.typeId() == QMetaType::QString) return QVariantList{value};
  return value;
}

void CSDocumentAppDelegate::saveFilesToReopen(const QStringList& list) {
  const QString key = reopenFilesKey();
  if (key.isEmpty()) return;
  QSettings settings;
  if (list.isEmpty()) {
    settings.remove(key);
  } else {
    settings.setValue(key, list);
  }
}

QString CSDocumentAppDelegate::makerSupportFolder() {
  const QString data = PathForUserFolder(kUserFolderApplicationSupport);
  if (data.isEmpty()) return QString();
  return QDir::cleanPath(data + QLatin1Char('/') + kMakerFolderName);
}

bool CSDocumentAppDelegate::IsPathInFolder(const QString& path, const QString& folder) {
  if (path.isEmpty() || folder.isEmpty()) return false;
  const QString item = QDir::cleanPath(path);
  const QString base = QDir::cleanPath(folder);
  if (item == base) return true;
  return item.startsWith(base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/'));
}

// ---- Quit ---------------------------------------------------------------------------------------------

void CSDocumentAppDelegate::terminate() {
  if (m_terminating) return;
  if (applicationShouldTerminate() == kTerminateNow) finishTerminate();
}

CSDocumentAppDelegate::TerminateReply CSDocumentAppDelegate::applicationShouldTerminate() {
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  normalize();
  if (!m_keepGathered) {
    m_openFilePaths.clear();
    tabs.prepareToSaveState();
  }
  m_keepGathered = false;

  int dirty = 0;
  const QList<QWindow*> ordered = WindowOrder::shared().orderedWindows();
  for (qsizetype i = ordered.size() - 1; i >= 0; --i) {
    QWindow* handle = ordered[i];
    if (IsPanelWindow(handle)) continue;
    QWidget* window = WidgetOfWindow(handle);
    if (!window) continue;
    CSDocumentWC* controller = CSDocumentWC::controllerOf(window);
    if (!controller) {
      closeWindow(window, nullptr);
      continue;
    }
    if (IsTextView(window->focusWidget())) window->setFocus();
    CSDocument* doc = controller->doc();
    const QString path = controller->filePath();
    if (doc && !doc->privateDocument() && !path.isEmpty()) m_openFilePaths.prepend(path);
    if (doc && doc->isDirty()) {
      ++dirty;
      continue;
    }
    tabs.registerWindowTab(window, path);
    closeWindow(window, controller);
  }
  if (dirty == 0) return kTerminateNow;
  m_terminating = true;
  closeNextDirtyWindow();
  return kTerminateLater;
}

void CSDocumentAppDelegate::closeNextDirtyWindow() {
  // A window that stays open when closed (a non-document window refusing)
  // is passed over, so the walk always ends.
  QSet<QWindow*> refused;
  for (;;) {
    bool closedOne = false;
    for (QWindow* handle : WindowOrder::shared().orderedWindows()) {
      if (IsPanelWindow(handle) || refused.contains(handle)) continue;
      QWidget* window = WidgetOfWindow(handle);
      if (!window) continue;
      CSDocumentWC* controller = CSDocumentWC::controllerOf(window);
      if (!controller) {
        closeWindow(window, nullptr);
        if (window->isVisible()) refused.insert(handle);
        closedOne = true;
        break;
      }
      if (!controller->windowShouldClose(this)) {
        replyToApplicationShouldTerminate(false);
        return;
      }
      // Its save alert is up: the alert's end carries the walk on.
      if (controller->isShowingSaveAlert()) return;
      // Clean by now (saved meanwhile, or nothing to ask): close it and go on.
      closeWindow(window, controller);
      closedOne = true;
      break;
    }
    if (!closedOne) break;
  }
  replyToApplicationShouldTerminate(true);
}

void CSDocumentAppDelegate::replyToApplicationShouldTerminate(bool shouldTerminate) {
  if (!m_terminating) return;
  m_terminating = false;
  if (shouldTerminate) finishTerminate();
}

void CSDocumentAppDelegate::gatherClosingWindow(CSDocumentWC* controller) {
  if (!controller) return;
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
  tabs.prepareToSaveState();
  m_openFilePaths.clear();
  const QString path = controller->filePath();
  if (controller->doc() && !controller->doc()->privateDocument() && !path.isEmpty()) m_openFilePaths.prepend(path);
  tabs.registerWindowTab(controller->window(), path);
  m_keepGathered = true;
}

void CSDocumentAppDelegate::terminateAfterLastWindow() {
  terminate();
}

void CSDocumentAppDelegate::finishTerminate() {
  applicationWillTerminate();
  exitApplication();
}

void CSDocumentAppDelegate::applicationWillTerminate() {
  prepareToQuit();
  QStringList list;
  if (saveWorkspace()) {
    const QString support = makerSupportFolder();
    for (const QString& path : m_openFilePaths) {
      if (IsPathInFolder(path, support) && !rememberShoeboxFile(path)) continue;
      const QString archive = CSFileLocator(path).archive(false);
      if (!archive.isEmpty()) list << archive;
    }
  }
  saveFilesToReopen(list);
  CSWindowTabManager::sharedInstance().saveStateToPrefs();
  QSettings().sync();
}

void CSDocumentAppDelegate::exitApplication() {
  QCoreApplication::exit(0);
}
