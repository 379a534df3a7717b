#pragma once
// What the shell's tests share: a document that saves a small file, a
// delegate that opens such documents in real windows and notes every hook,
// and a fixture that gives each test its own home, settings and keyboard
// and leaves no window behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QWindow>
#include <functional>
#include <memory>

#include "ScopedEnvironment.h"
#include "platform/WindowOrder.h"
#include "support/CSDocument.h"
#include "support/CSFileLocator.h"
#include "support/CSKernel.h"
#include "support/Categories.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"

// A document whose save writes "saved" to the file and notes what it was
// told.
class TestDocument : public CSDocument {
 public:
  explicit TestDocument(const QString& path = QString()) {
    if (!path.isEmpty()) setFilePath(path);
  }
  int revertCount = 0;
  int prepareToCloseCount = 0;
  bool failSave = false;

  bool saveCore(const QString& path, bool, CSError*) override {
    if (failSave) return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write("saved") == 5;
  }
  void prepareToClose() override { ++prepareToCloseCount; }
  void revert() override {
    ++revertCount;
    CSDocument::revert();
  }
};

inline TestDocument* TestDoc(CSDocumentWC* controller) {
  return controller ? static_cast<TestDocument*>(controller->doc()) : nullptr;
}

// Opens every file as a TestDocument in a window of its own (unless the
// file is listed as unopenable) and notes the hooks in `log`.
class RecordingDelegate : public CSDocumentAppDelegate {
 public:
  QStringList log;
  QStringList opened;             // paths given to the opener, in order
  QStringList openedIdentifiers;  // the tab identifier each open was given
  QStringList unopenable;
  bool makeUntitled = true;
  int untitledCount = 0;
  int exitCount = 0;

  QString reopenFilesKey() const override { return QStringLiteral("twdraw.openFiles"); }
  void preliminaryInit() override { log << QStringLiteral("preliminaryInit"); }
  void initOnLaunch() override { log << QStringLiteral("initOnLaunch"); }
  void initAfterLaunch() override { log << QStringLiteral("initAfterLaunch"); }
  void normalize() override { log << QStringLiteral("normalize"); }
  void prepareToQuit() override { log << QStringLiteral("prepareToQuit"); }

  QWidget* openFileWithTabIdentifier(const QString& path, const QString& identifier) override {
    opened << path;
    openedIdentifiers << identifier;
    log << QStringLiteral("open ") + LastPathComponent(path);
    if (unopenable.contains(path)) return nullptr;
    return makeWindow(std::make_unique<TestDocument>(path), LastPathComponent(path), identifier);
  }
  QWidget* openUntitledWithTabIdentifier(const QString& identifier) override {
    log << QStringLiteral("untitled");
    if (!makeUntitled) return nullptr;
    ++untitledCount;
    QWidget* window = makeWindow(std::make_unique<TestDocument>(), QStringLiteral("Untitled"), identifier);
    MakeKeyAndOrderFront(window);
    return window;
  }

  static QWidget* makeWindow(std::unique_ptr<TestDocument> doc, const QString& title, const QString& identifier) {
    auto* controller = new CSDocumentWC(std::move(doc));
    controller->setTitle(title);
    controller->window()->resize(420, 300);
    CSWindowTabManager::sharedInstance().setTabIdentifier(identifier, controller->window());
    return controller->window();
  }

 protected:
  void exitApplication() override {
    ++exitCount;
    log << QStringLiteral("exit");
  }
};

// Lets queued work run: zero-delay timers, posted events, deferred deletes.
inline void Spin() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Runs the event loop until `done` holds or a generous time passes.
inline bool SpinUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// The document windows' controllers, front to back.
inline QList<CSDocumentWC*> OrderedControllers() {
  QList<CSDocumentWC*> list;
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (CSDocumentWC* controller = CSDocumentWC::controllerOf(window)) list << controller;
  }
  return list;
}

inline CSDocumentWC* ControllerForPath(const QString& path) {
  for (QWindow* window : WindowOrder::shared().windows()) {
    CSDocumentWC* controller = CSDocumentWC::controllerOf(window);
    if (controller && controller->filePath() == path) return controller;
  }
  return nullptr;
}

// The paths of a stored reopen list.
inline QStringList ReopenListPaths(const QString& key = QStringLiteral("twdraw.openFiles")) {
  QStringList paths;
  for (const QVariant& entry : QSettings().value(key).toList()) {
    if (auto locator = CSFileLocator::initWithObject(entry)) paths << locator->path();
  }
  return paths;
}

class ShellTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The shared kernel is made before any delegate launches, so none is
    // kept by it beyond its test.
    CSKernel::sharedInstance();
  }

  void SetUp() override {
    ASSERT_TRUE(m_home.isValid());
    m_env.set("HOME", m_home.path());
    m_env.set("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")));
    m_env.set("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")));
    QDir().mkpath(m_home.filePath(QStringLiteral("files")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath(QStringLiteral("config")));
    SetKeyboardModifiersSource([this] { return modifiers; });
    WindowOrder::setTabbingPreferenceSource([this] { return preference; });
    CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();
    tabs.setTabOverride(CSWindowTabManager::kFollowSystem);
    tabs.setWindowTabIdentifier(QString());
    tabs.restoreFrontmostTabbedWindows();
    CSDocumentWC::setSaveTypes({});
    CSDocumentWC::setLastFormatIndex(0);
  }

  void TearDown() override {
    CloseAllWindows();
    SetKeyboardModifiersSource(nullptr);
    WindowOrder::setTabbingPreferenceSource(nullptr);
  }

  static void CloseAllWindows() {
    for (QWindow* window : WindowOrder::shared().windows()) {
      if (CSDocumentWC* controller = CSDocumentWC::controllerOf(window)) {
        QMainWindow* widget = controller->window();
        controller->windowWillClose();
        widget->close();
      }
    }
    Spin();
  }

  // A file in the test's folder, made with some bytes.
  QString file(const QString& name) {
    const QString path = m_home.filePath(QStringLiteral("files/") + name);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly)) out.write("x");
    return path;
  }
  QString home() const { return m_home.path(); }

  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  WindowOrder::TabbingPreference preference = WindowOrder::TabbingPreference::InFullScreen;

 private:
  QTemporaryDir m_home;
  ScopedEnvironment m_env;
};
