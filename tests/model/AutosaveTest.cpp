#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "model/DRDrawing.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeDocumentHost.h"
#include "model/FakeModelServices.h"
#include "platform/AtomicSwap.h"
#include "platform/NotificationCenter.h"
#include "testkit/LogCapture.h"
#include "testkit/TestFiles.h"

namespace {

class AutosaveTest : public ::testing::Test {
 public:
  AutosaveTest() {
    services.supportFolderPath = support.path();
    drawing = std::make_unique<DRDrawing>();
    drawing->setDocumentHost(&host);
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10, 10, 40, 30));
    rect->setUnderConstruction(false);
    drawing->elements().push_back(std::move(rect));
    edit();
  }
  ~AutosaveTest() override {
    if (drawing) drawing->setDocumentHost(nullptr);
  }

  // An edit at the current time, as the content controllers make one.
  void edit() {
    drawing->setDirty(true);
    drawing->setDirtySinceAutoSave(true);
    drawing->setLastEditTime(services.now);
  }
  QStringList packages() const {
    return QDir(support.path()).entryList({QStringLiteral("*.TWdraw_autosave")}, QDir::Dirs | QDir::NoDotAndDotDot);
  }
  QString finalPath() const { return support.filePath(drawing->guid() + QStringLiteral(".TWdraw_autosave")); }

  FakeModelServices services;
  SettingsScope settings;
  QTemporaryDir support;
  FakeCanvasHost canvas;
  FakeDocumentHost host{&canvas};
  std::unique_ptr<DRDrawing> drawing;
};

TEST_F(AutosaveTest, TheTimerWaitsTwoMinutesAfterOpening) {
  // Created at 1000; the edit was long enough ago for the quiet rule.
  services.now = 1119.9;
  drawing->autosaveTimerFired(true);
  EXPECT_TRUE(packages().isEmpty());
  EXPECT_TRUE(drawing->dirtySinceAutoSave());

  services.now = 1120.0;
  drawing->autosaveTimerFired(true);
  ASSERT_FALSE(drawing->autosaveFailed());
  EXPECT_EQ(packages(), QStringList{QFileInfo(finalPath()).fileName()});
  EXPECT_EQ(drawing->autosaveFile(), finalPath());
  EXPECT_FALSE(drawing->dirtySinceAutoSave());
  EXPECT_FALSE(drawing->isAutosaving());
  EXPECT_DOUBLE_EQ(drawing->autosaveTime(), 1120.0);
  // The drawing itself is still unsaved.
  EXPECT_TRUE(drawing->isDirty());
}

TEST_F(AutosaveTest, TheTimerWaitsForFiveQuietSecondsAForcedRunDoesNot) {
  services.now = 1500;
  drawing->setLastEditTime(1495.5);
  drawing->autosaveTimerFired(true);
  EXPECT_TRUE(packages().isEmpty());

  drawing->forceAutosave();
  EXPECT_EQ(packages().size(), 1);
  EXPECT_FALSE(drawing->dirtySinceAutoSave());
}

TEST_F(AutosaveTest, AForcedRunStillKeepsTwoMinutesFromTheLastAutosave) {
  services.now = 1100;
  drawing->forceAutosave();
  EXPECT_TRUE(packages().isEmpty());

  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_EQ(packages().size(), 1);

  edit();
  services.now = 1319;
  drawing->forceAutosave();
  EXPECT_TRUE(drawing->dirtySinceAutoSave());
  services.now = 1320;
  drawing->forceAutosave();
  EXPECT_FALSE(drawing->dirtySinceAutoSave());
}

TEST_F(AutosaveTest, LeavingTheActiveStateForcesAnAutosave) {
  auto announce = [](Qt::ApplicationState state) {
    ASSERT_TRUE(QMetaObject::invokeMethod(qGuiApp, "applicationStateChanged", Qt::DirectConnection,
                                          Q_ARG(Qt::ApplicationState, state)));
  };
  // Edited a moment ago: the timer would still wait, leaving the active
  // state does not.
  services.now = 1300;
  drawing->setLastEditTime(1299);
  announce(Qt::ApplicationActive);
  EXPECT_TRUE(packages().isEmpty());  // becoming active writes nothing
  announce(Qt::ApplicationInactive);
  ASSERT_EQ(packages().size(), 1);
  EXPECT_FALSE(drawing->dirtySinceAutoSave());

  // Leaving again within two minutes of that copy writes nothing new.
  edit();
  services.now = 1350;
  announce(Qt::ApplicationActive);
  announce(Qt::ApplicationInactive);
  EXPECT_TRUE(drawing->dirtySinceAutoSave());
  // Nor does staying inactive.
  services.now = 1500;
  announce(Qt::ApplicationHidden);
  EXPECT_TRUE(drawing->dirtySinceAutoSave());
  announce(Qt::ApplicationActive);
}

TEST_F(AutosaveTest, ALaterAutosaveReplacesTheFirst) {
  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_EQ(packages().size(), 1);
  WriteBytes(finalPath() + QStringLiteral("/marker"), "old");

  edit();
  services.now = 1400;
  drawing->forceAutosave();
  EXPECT_EQ(packages(), QStringList{QFileInfo(finalPath()).fileName()});
  EXPECT_FALSE(QFile::exists(finalPath() + QStringLiteral("/marker")));
  EXPECT_DOUBLE_EQ(drawing->autosaveTime(), 1400);
}

TEST_F(AutosaveTest, NothingIsWrittenWhileAnyConditionHolds) {
  struct Case {
    const char* name;
    std::function<void(AutosaveTest&)> arrange;
  };
  const Case cases[] = {
      {"clean document", [](AutosaveTest& t) { t.drawing->setDirty(false); }},
      {"only a painting tab changed",
       [](AutosaveTest& t) {
         t.drawing->setDirty(false);
         t.drawing->setPaintingDirty(true);
       }},
      {"nothing new since the last autosave", [](AutosaveTest& t) { t.drawing->setDirtySinceAutoSave(false); }},
      {"locked", [](AutosaveTest& t) { t.drawing->setLocked(true); }},
      {"sheet attached", [](AutosaveTest& t) { t.host.sheet = true; }},
      {"recovery document", [](AutosaveTest& t) { t.drawing->setAutosaveRecoveryDoc(true); }},
      {"preference off", [](AutosaveTest& t) { t.services.autosavePreference = false; }},
      {"no support folder", [](AutosaveTest& t) { t.services.supportFolderPath.clear(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drawing = std::make_unique<DRDrawing>();
    drawing->setDocumentHost(&host);
    edit();
    host.sheet = false;
    services.autosavePreference = true;
    services.supportFolderPath = support.path();
    c.arrange(*this);
    services.now += 600;
    drawing->autosaveTimerFired(true);
    drawing->forceAutosave();
    EXPECT_TRUE(packages().isEmpty());
    EXPECT_TRUE(drawing->autosaveFile().isEmpty());
    EXPECT_FALSE(drawing->autosaveFailed());
  }
}

// A support folder that exists but whose packages cannot be written, even
// by the superuser: the path of a package inside it is longer than the
// system allows.
QString UnwritableFolder(const QString& base) {
  QString folder = base;
  const QString part(200, QLatin1Char('d'));
  while (folder.size() + 1 + part.size() < 4060) folder += QLatin1Char('/') + part;
  const qsizetype last = 4070 - folder.size() - 1;
  if (last > 0) folder += QLatin1Char('/') + QString(last, QLatin1Char('e'));
  return QDir().mkpath(folder) ? folder : QString();
}

TEST_F(AutosaveTest, AFailureIsLoggedAndStopsLaterAttempts) {
  const QString blocked = UnwritableFolder(support.filePath(QStringLiteral("deep")));
  ASSERT_FALSE(blocked.isEmpty());
  services.supportFolderPath = blocked;
  services.now = 1200;
  {
    LogCapture log;
    drawing->forceAutosave();
    EXPECT_TRUE(log.text().contains(QStringLiteral("Autosave of untitled failed: "))) << log.text().toStdString();
  }
  EXPECT_TRUE(drawing->autosaveFailed());
  EXPECT_FALSE(drawing->isAutosaving());
  EXPECT_TRUE(drawing->autosaveFile().isEmpty());

  services.supportFolderPath = support.path();
  edit();
  services.now = 2000;
  drawing->autosaveTimerFired(true);
  drawing->forceAutosave();
  EXPECT_TRUE(packages().isEmpty());
}

TEST_F(AutosaveTest, TheFailureMessageNamesTheDrawingsFile) {
  services.supportFolderPath = UnwritableFolder(support.filePath(QStringLiteral("deep")));
  ASSERT_FALSE(services.supportFolderPath.isEmpty());
  drawing->setFilePath(QStringLiteral("/home/someone/Plans.TWdraw"));
  services.now = 1200;
  LogCapture log;
  drawing->forceAutosave();
  EXPECT_TRUE(log.text().contains(QStringLiteral("Autosave of Plans.TWdraw failed: "))) << log.text().toStdString();
}

TEST_F(AutosaveTest, ASupportFolderRemovedWhileRunningIsMadeAgain) {
  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_EQ(packages().size(), 1);

  ASSERT_TRUE(RemoveItemTree(support.path()));
  edit();
  services.now = 1400;
  LogCapture log;
  drawing->autosaveTimerFired(true);
  EXPECT_FALSE(drawing->autosaveFailed()) << log.text().toStdString();
  EXPECT_EQ(packages(), QStringList{QFileInfo(finalPath()).fileName()});
  EXPECT_FALSE(drawing->dirtySinceAutoSave());
  EXPECT_FALSE(log.text().contains(QStringLiteral("disk is full"))) << log.text().toStdString();
}

TEST_F(AutosaveTest, ASupportFolderThatCannotBeMadeIsTriedAgainLater) {
  // A file stands where the folder should be made again.
  ASSERT_TRUE(RemoveItemTree(support.path()));
  WriteBytes(support.path(), "x");
  services.now = 1200;
  drawing->autosaveTimerFired(true);
  EXPECT_FALSE(drawing->autosaveFailed());
  EXPECT_TRUE(drawing->dirtySinceAutoSave());

  // Once the folder can be there again, the next run writes the copy.
  ASSERT_TRUE(QFile::remove(support.path()));
  services.now = 1201;
  drawing->autosaveTimerFired(true);
  EXPECT_FALSE(drawing->autosaveFailed());
  EXPECT_EQ(packages(), QStringList{QFileInfo(finalPath()).fileName()});
}

TEST_F(AutosaveTest, ThePackageRecordsTheDrawingsPath) {
  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_FALSE(drawing->autosaveFailed());
  EXPECT_EQ(ReadBytes(finalPath() + QStringLiteral("/path.txt")), QByteArray("untitled"));

  const QString path = support.filePath(QStringLiteral("Ünïcode plan.TWdraw"));
  drawing->setFilePath(path);
  edit();
  services.now = 1400;
  drawing->forceAutosave();
  EXPECT_EQ(QString::fromUtf8(ReadBytes(finalPath() + QStringLiteral("/path.txt"))), path);
}

TEST_F(AutosaveTest, ClosingDeletesThePackage) {
  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_EQ(packages().size(), 1);
  drawing->releaseAutoSave();
  EXPECT_TRUE(packages().isEmpty());
  EXPECT_TRUE(drawing->autosaveFile().isEmpty());
  EXPECT_FALSE(drawing->hasAutosaveTimer());

  // Closing the document (and so freeing it) does the same.
  auto other = std::make_unique<DRDrawing>();
  other->setDirty(true);
  other->setDirtySinceAutoSave(true);
  services.now += 200;
  other->forceAutosave();
  ASSERT_EQ(packages().size(), 1);
  other.reset();
  EXPECT_TRUE(packages().isEmpty());
}

TEST_F(AutosaveTest, AFailedMoveKeepsTheTemporaryPackageAndStillDeletesItOnClose) {
  services.now = 1200;
  drawing->forceAutosave();
  ASSERT_EQ(packages().size(), 1);

  edit();
  services.now = 1400;
  const AtomicSwapFaultHook previous = SetAtomicSwapFaultHook([](AtomicSwapStep) { return EIO; });
  drawing->forceAutosave();
  SetAtomicSwapFaultHook(previous);

  // Only the new copy is left, under its temporary name.
  ASSERT_EQ(packages().size(), 1);
  EXPECT_NE(drawing->autosaveFile(), finalPath());
  EXPECT_TRUE(QFileInfo(drawing->autosaveFile()).isDir());
  EXPECT_FALSE(drawing->dirtySinceAutoSave());
  EXPECT_FALSE(drawing->autosaveFailed());

  drawing->releaseAutoSave();
  EXPECT_TRUE(packages().isEmpty());
}

TEST_F(AutosaveTest, ThePreferenceStartsAndStopsTheTimer) {
  EXPECT_TRUE(drawing->hasAutosaveTimer());
  auto* timer = drawing->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 1000);
  EXPECT_TRUE(timer->isActive());
  EXPECT_FALSE(timer->isSingleShot());

  services.autosavePreference = false;
  NotificationCenter::defaultCenter().post(g_autosaveNotification, nullptr);
  EXPECT_FALSE(drawing->hasAutosaveTimer());
  EXPECT_EQ(drawing->findChild<QTimer*>(), nullptr);

  auto off = std::make_unique<DRDrawing>();
  EXPECT_FALSE(off->hasAutosaveTimer());

  services.autosavePreference = true;
  NotificationCenter::defaultCenter().post(g_autosaveNotification, nullptr);
  EXPECT_TRUE(drawing->hasAutosaveTimer());
  EXPECT_TRUE(off->hasAutosaveTimer());
}

TEST_F(AutosaveTest, ATimerTickIsATimerRun) {
  auto* timer = drawing->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  services.now = 1500;
  drawing->setLastEditTime(1498);
  ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
  EXPECT_TRUE(packages().isEmpty());

  services.now = 1503;
  ASSERT_TRUE(QMetaObject::invokeMethod(timer, "timeout"));
  EXPECT_EQ(packages().size(), 1);
}

}  // namespace
