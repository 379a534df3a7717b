#pragma once
// The application's delegate for document-based programs: it owns the
// order of launch, the opening of documents (asked for by the start-up
// arguments, the running instance's socket and the reopen list), the closing
// of windows and the whole quit conversation with dirty documents. It knows
// nothing of the kind of document: the subclass fills the hooks. Document
// windows are found through the window order and each window's controller.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include "support/CSAppDelegate.h"

class CSDocumentWC;
class QPrinter;
class QWidget;
class QWindow;

// Where the files given to print go: a printer by name (empty: the default
// printer), or a PDF file when a path is given.
struct CSPrintSettings {
  QString printerName;
  QString outputFile;
};

class CSDocumentAppDelegate : public QObject, public CSAppDelegate {
  Q_OBJECT
 public:
  enum TerminateReply : int { kTerminateCancel = 0, kTerminateNow = 1, kTerminateLater = 2 };
  // Windows opened while the queued files open come forward this much later.
  static constexpr int kDelayedFileMilliseconds = 800;
  // The most files the recent list keeps.
  static constexpr int kMaxRecentDocuments = 10;
  // The defaults key of the recent list.
  static const QString kRecentDocumentsKey;  // "cs.recentDocuments"

  CSDocumentAppDelegate();
  ~CSDocumentAppDelegate() override;
  CSDocumentAppDelegate(const CSDocumentAppDelegate&) = delete;
  CSDocumentAppDelegate& operator=(const CSDocumentAppDelegate&) = delete;

  // The application's delegate: the last one made that still lives.
  static CSDocumentAppDelegate* current();

  // During launch the files asked for before launching ended; during quit
  // the paths of the open documents, front-most first.
  const QStringList& openFilePaths() const { return m_openFilePaths; }
  void insertOpenFilePath(const QString& path) { m_openFilePaths.prepend(path); }
  bool launching() const { return m_launching; }
  bool openingDelayedFile() const { return m_openingDelayedFile; }
  bool openedWindowsAtLaunch() const { return m_openedWindowsAtLaunch; }
  // Reopen nothing at launch, as with the gesture held (--no-reopen).
  void setReopenSuppressed(bool value) { m_reopenSuppressed = value; }

  // ---- The application's events ----
  // Makes the shared kernel with this delegate, sets the tab manager's
  // controller class, then preliminaryInit.
  void applicationWillFinishLaunching();
  void applicationDidFinishLaunching();
  // Starts the quit: closes clean windows, counts dirty ones; answers now,
  // later (the save alerts are asked one at a time) or cancel.
  TerminateReply applicationShouldTerminate();
  void applicationWillTerminate();
  bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
  bool applicationShouldOpenUntitledFile() const;
  bool applicationOpenUntitledFile();
  bool applicationOpenFile(const QString& path);
  void applicationOpenFiles(const QStringList& paths);
  // Answers 0 when at least one file printed, 2 when none could.
  int applicationPrintFiles(const QStringList& paths, const CSPrintSettings& settings, bool showPanels);
  // The application was asked to open without files (a second start with
  // none): an untitled document when no document window shows, else the
  // front one comes forward.
  void applicationReopen();
  // The "+" of a tab group: an untitled document in the sender's group.
  void newWindowForTab(QWindow* sender);

  // ---- Quitting ----
  // The Quit command.
  void terminate();
  // The answer to a quit that waited: yes runs the will-terminate step and
  // exits, no keeps the application running.
  void replyToApplicationShouldTerminate(bool shouldTerminate);
  // A quit waits for the save alerts.
  bool isTerminating() const { return m_terminating; }
  // Whether the window is the last document window open.
  bool isLastDocumentWindow(const QWidget* window) const;
  // The user closes the last document window: it is gathered for the reopen
  // list as at quit, and the quit that follows keeps what was gathered.
  void gatherClosingWindow(CSDocumentWC* controller);
  void terminateAfterLastWindow();

  // ---- Operations ----
  // Opens each path (or file URL), the last first.
  void openFiles(const QStringList& paths);
  bool openFile(const QString& path, bool newBatch);
  void closeNextDirtyWindow();
  // Closes a window so that its controller (the window's own when none is
  // given) sees the close.
  void closeWindow(QWidget* window, CSDocumentWC* controller = nullptr);
  virtual QWidget* windowForFile(const QString& path) const;
  CSDocumentWC* frontmostController() const;
  virtual bool shouldBringWindowForward(QWidget* window) const;
  void recordRecentFile(const QString& path) override;
  // The recent list, most recent first.
  QStringList recentDocuments() const;
  // Forgets every recent document (the menu's "Clear Menu").
  void clearRecentDocuments();
  void allowTabbing(QWidget* window);
  void showNonContextualHelp();
  virtual QVariant filesToReopen();
  // Stores the list under reopenFilesKey; an empty list removes the key.
  virtual void saveFilesToReopen(const QStringList& list);
  // The maker's folder among the user's data folders, where its programs
  // keep their own files.
  static QString makerSupportFolder();
  // Whether the path names the folder or an item below it, compared by
  // whole path components.
  static bool IsPathInFolder(const QString& path, const QString& folder);

  // ---- Hooks ----
  virtual void preliminaryInit() {}
  virtual void initOnLaunch() {}
  virtual void initAfterLaunch() {}
  virtual QString reopenFilesKey() const { return QString(); }
  virtual bool shouldOpenAfterLaunch(const QString& path) {
    (void)path;
    return true;
  }
  // Opens a file not yet open; its window or null.
  virtual QWidget* openFileWithTabIdentifier(const QString& path, const QString& tabIdentifier) {
    (void)path, (void)tabIdentifier;
    return nullptr;
  }
  virtual QWidget* openUntitledWithTabIdentifier(const QString& tabIdentifier) {
    (void)tabIdentifier;
    return nullptr;
  }
  virtual bool shouldRecordInRecents(const QUrl& url) {
    (void)url;
    return true;
  }
  virtual void normalize() {}
  virtual void prepareToQuit() {}
  virtual bool saveWorkspace() { return true; }
  virtual bool rememberShoeboxFile(const QString& path) {
    (void)path;
    return false;
  }
  virtual void showAppHelp(QObject* sender);

 protected:
  // The application ends; the base leaves the event loop.
  virtual void exitApplication();

 private:
  void finishTerminate();
  void bringForwardLater(QWidget* window);
  QWidget* openOneFile(const QString& path);

  QStringList m_openFilePaths;
  bool m_launching = true;
  bool m_openingDelayedFile = false;
  bool m_openedWindowsAtLaunch = false;
  bool m_terminating = false;
  bool m_keepGathered = false;
  bool m_reopenSuppressed = false;
  QPointer<CSDocumentAppDelegate> m_previous;
};
