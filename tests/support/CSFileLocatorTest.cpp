#include "support/CSFileLocator.h"
#include "testkit/LogCapture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {

// The home folder and the XDG folders point into a scratch folder, so the
// locators' home abbreviation and trash test never depend on the real home.
class CSFileLocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_scratch.isValid());
    m_home = m_scratch.filePath(QStringLiteral("home"));
    QDir().mkpath(m_home);
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) m_saved.emplace_back(name, qgetenv(name));
    qputenv("HOME", QFile::encodeName(m_home));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home + "/.local/share"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home + "/.config"));
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved) {
      if (value.isNull()) {
        qunsetenv(name);
      } else {
        qputenv(name, value);
      }
    }
  }

  QString makeFile(const QString& relative, const QByteArray& contents = "x") {
    const QString path = m_home + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
  }

  QTemporaryDir m_scratch;
  QString m_home;
  std::vector<std::pair<const char*, QByteArray>> m_saved;
};

void ExpectSameFields(const CSFileLocator& a, const CSFileLocator& b) {
  EXPECT_EQ(a.method(), b.method());
  EXPECT_EQ(a.path(), b.path());
  EXPECT_EQ(a.bookmark(), b.bookmark());
  EXPECT_EQ(a.isSandboxed(), b.isSandboxed());
}

TEST_F(CSFileLocatorTest, MethodNamesAndPaths) {
  EXPECT_EQ(CSFileLocator::methodName(2), QStringLiteral("_local_"));
  EXPECT_EQ(CSFileLocator::methodName(7), QStringLiteral("_1drive_"));
  EXPECT_TRUE(CSFileLocator::methodName(8).isEmpty());
  EXPECT_EQ(CSFileLocator::methodDisplayName(5), QStringLiteral("Google Drive"));

  struct NameRow {
    const char* name;
    int32_t method;
  } names[] = {
      {"_dropbox_", 4}, {"-dropbox-", 4}, {"-1drive-", 7},  {"_nil_", 0},
      {"", 8},          {"dropbox", 8},   {"_DROPBOX_", 8}, {"_dropbox-", 8},  // only a leading "-" turns hyphens over
  };
  for (const NameRow& row : names) {
    EXPECT_EQ(CSFileLocator::methodFromName(QString::fromLatin1(row.name)), row.method) << row.name;
  }

  struct PathRow {
    const char* path;
    int32_t method;
  } paths[] = {
      {"/home/a/dropbox/Plans/x.twd", 4},
      {"/home/a/Google Drive/x.twd", 5},
      {"/home/a/ONEDRIVE/Dropbox/x", 4},  // the last matching component wins
      {"/home/a/Dropbox Backup/x", 2},
      {"/home/a/x.twd", 2},
      {"", 2},
  };
  for (const PathRow& row : paths) {
    EXPECT_EQ(CSFileLocator::methodFromPath(QString::fromUtf8(row.path)), row.method) << row.path;
  }
  EXPECT_TRUE(CSFileLocator::isPathCloudBased(QStringLiteral("/x/wuala/y")));
  EXPECT_FALSE(CSFileLocator::isMethodCloudBased(3));
}

TEST_F(CSFileLocatorTest, TextArchiveRoundTrip) {
  const QString path = makeFile(QStringLiteral("Plans v2.1/drawing.twd"));
  CSFileLocator locator(path);
  ASSERT_EQ(locator.bookmark().size(), CSFileLocator::kBookmarkSize);
  EXPECT_EQ(locator.method(), CSFileLocator::kMethodLocal);
  locator.setSandboxed(true);

  const QString text = locator.archive(false);
  // Six components, the path under the home folder abbreviated, no bare "."
  // inside a component.
  const QStringList parts = text.split(QLatin1Char('.'));
  ASSERT_EQ(parts.size(), 6) << text.toStdString();
  EXPECT_EQ(parts[0], QStringLiteral("_local_"));
  EXPECT_EQ(parts[1], QStringLiteral("~%2FPlans%20v2%2E1%2Fdrawing%2Etwd"));
  EXPECT_EQ(parts[2], QStringLiteral("sb"));
  EXPECT_TRUE(parts[3].isEmpty() && parts[4].isEmpty());

  LogCapture log;
  const std::optional<CSFileLocator> back = CSFileLocator::initWithArchive(text);
  ASSERT_TRUE(back.has_value());
  ExpectSameFields(*back, locator);
  EXPECT_EQ(back->path(), path);  // "~" expands to the full path again
  EXPECT_TRUE(log.lines().isEmpty());

  // Without a bookmark the sandbox mark is not read back.
  CSFileLocator plain;
  plain.setMethod(CSFileLocator::kMethodDropbox);
  plain.setPath(QStringLiteral("/srv/é dir/a.b.c"));
  plain.setSandboxed(true);
  const std::optional<CSFileLocator> plainBack = CSFileLocator::initWithArchive(plain.archive(false));
  ASSERT_TRUE(plainBack.has_value());
  EXPECT_EQ(plainBack->path(), plain.path());
  EXPECT_EQ(plainBack->method(), CSFileLocator::kMethodDropbox);
  EXPECT_FALSE(plainBack->isSandboxed());
  EXPECT_TRUE(plainBack->bookmark().isEmpty());

  // Line feeds in a path stay as they are unless the caller asks.
  plain.setPath(QStringLiteral("/a\nb"));
  EXPECT_TRUE(plain.archive(false).contains(QLatin1Char('\n')));
  EXPECT_FALSE(plain.archive(true).contains(QLatin1Char('\n')));
  EXPECT_EQ(CSFileLocator::initWithArchive(plain.archive(true))->path(), plain.path());

  // The home folder itself is not abbreviated; a hyphenated method reads.
  const std::optional<CSFileLocator> home = CSFileLocator::initWithArchive(QStringLiteral("-dropbox-.~....QUJD"));
  ASSERT_TRUE(home.has_value());
  EXPECT_EQ(home->method(), CSFileLocator::kMethodDropbox);
  EXPECT_EQ(home->path(), QDir::homePath());
  EXPECT_EQ(home->bookmark(), QByteArray("ABC"));
  EXPECT_EQ(CSFileLocator::initWithObject(QVariant(QStringLiteral("_local_.%2Fx....")))->path(), QStringLiteral("/x"));
  EXPECT_FALSE(CSFileLocator::initWithObject(QVariant(42)).has_value());
}

TEST_F(CSFileLocatorTest, BadTextArchives) {
  struct Row {
    const char* text;
    const char* logged;  // null: refused without a word
  } rows[] = {
      {"_loc", nullptr},            // four characters
      {"local.%2Fx....", nullptr},  // not starting with "-" or "_"
      {"", nullptr},
      {"_local_.%2Fx...", "Malformed locator _local_.%2Fx..."},  // five components
      {"_local_.%2Fx.....", "Malformed locator _local_.%2Fx....."},
      {"_local_.%2Fx.sb...QUJD.", "Malformed locator _local_.%2Fx.sb...QUJD."},
      {"_floppy_.%2Fx....", "Unknown locator _floppy_.%2Fx...."},
      {"__.%2Fx....", "Unknown locator __.%2Fx...."},
      {"_local_.%2.....", "Malformed locator _local_.%2....."},        // cut escape
      {"_local_.%ZZx....", "Malformed locator _local_.%ZZx...."},      // not hexadecimal
      {"_local_.%FF%FE....", "Malformed locator _local_.%FF%FE...."},  // not UTF-8
      {"_local_.%2Fx.sb...%Q", "Malformed locator _local_.%2Fx.sb...%Q"},
  };
  for (const Row& row : rows) {
    LogCapture log;
    EXPECT_FALSE(CSFileLocator::initWithArchive(QString::fromUtf8(row.text)).has_value()) << row.text;
    if (row.logged) {
      EXPECT_EQ(log.lines(), QStringList{QString::fromUtf8(row.logged)}) << row.text;
    } else {
      EXPECT_TRUE(log.lines().isEmpty()) << row.text;
    }
  }

  // Text that is not Base64 leaves the locator without a bookmark.
  const std::optional<CSFileLocator> noBookmark =
      CSFileLocator::initWithArchive(QStringLiteral("_local_.%2Fx.sb...Q J"));
  ASSERT_TRUE(noBookmark.has_value());
  EXPECT_TRUE(noBookmark->bookmark().isEmpty());

  // An enormous archive is refused and only an excerpt is logged.
  LogCapture log;
  const QString huge = QStringLiteral("_local_.") + QString(CSFileLocator::kMaxArchiveLength, QLatin1Char('a'));
  EXPECT_FALSE(CSFileLocator::initWithArchive(huge).has_value());
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_TRUE(log.lines()[0].startsWith(QStringLiteral("Malformed locator _local_.aaa")));
  EXPECT_LT(log.lines()[0].size(), 1000);
}

TEST_F(CSFileLocatorTest, BinaryArchiveRoundTripAndLayout) {
  CSFileLocator locator;
  locator.setMethod(CSFileLocator::kMethodGoogle);
  locator.setPath(QStringLiteral("/data/é.twd"));
  locator.setBookmark(QByteArray("\x01\x02\x03", 3));
  locator.setSandboxed(true);
  locator.setFolder(true);

  const QByteArray data = locator.createBinaryArchive();
  const QByteArray pathBytes = locator.path().toUtf8();
  ASSERT_EQ(data.size(), 16 + pathBytes.size() + 3);
  EXPECT_EQ(data.left(16), QByteArray("\x00\x05\x01\x00\x0C\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 16));
  EXPECT_EQ(data.mid(16, pathBytes.size()), pathBytes);

  const std::optional<CSFileLocator> back = CSFileLocator::initWithBinaryArchive(data);
  ASSERT_TRUE(back.has_value());
  ExpectSameFields(*back, locator);
  EXPECT_FALSE(back->isFolder());  // not stored

  // Without a bookmark nothing follows the path.
  locator.setBookmark(QByteArray());
  const std::optional<CSFileLocator> bare = CSFileLocator::initWithBinaryArchive(locator.createBinaryArchive());
  ASSERT_TRUE(bare.has_value());
  EXPECT_TRUE(bare->bookmark().isEmpty());
}

TEST_F(CSFileLocatorTest, BadBinaryArchivesAreRefused) {
  CSFileLocator locator;
  locator.setMethod(CSFileLocator::kMethodLocal);
  locator.setPath(QStringLiteral("/tmp/abc"));
  const QByteArray good = locator.createBinaryArchive();

  auto withLength = [&](uint32_t length) {
    QByteArray data = good;
    for (int i = 0; i < 4; ++i) data[4 + i] = char((length >> (8 * i)) & 0xFF);
    return data;
  };
  QByteArray version1 = good;
  version1[0] = 1;
  QByteArray method9 = good;
  method9[1] = 9;
  const QByteArray rows[] = {
      QByteArray(),
      good.left(15),  // short header
      version1,
      method9,
      withLength(9),           // the path runs one byte past the data
      withLength(0xFFFFFFFF),  // a length that would wrap
      withLength(CSFileLocator::kMaxPathBytes + 1),
      good + QByteArray(CSFileLocator::kMaxBookmarkBytes + 1, 'b'),
  };
  LogCapture log;
  for (const QByteArray& data : rows) {
    EXPECT_FALSE(CSFileLocator::initWithBinaryArchive(data).has_value()) << data.toHex().left(40).toStdString();
  }
  EXPECT_TRUE(log.lines().isEmpty());
  // The exact length is fine, and a shorter one leaves the rest as bookmark.
  EXPECT_EQ(CSFileLocator::initWithBinaryArchive(withLength(8))->path(), QStringLiteral("/tmp/abc"));
  const std::optional<CSFileLocator> shorter = CSFileLocator::initWithBinaryArchive(withLength(4));
  ASSERT_TRUE(shorter.has_value());
  EXPECT_EQ(shorter->path(), QStringLiteral("/tmp"));
  EXPECT_EQ(shorter->bookmark(), QByteArray("/abc"));
  // A path too long for the binary form is not written.
  locator.setPath(QString(CSFileLocator::kMaxPathBytes + 1, QLatin1Char('p')));
  EXPECT_TRUE(locator.createBinaryArchive().isEmpty());
}

TEST_F(CSFileLocatorTest, VerifyFindsMovedFilesAndRenewsReplacedOnes) {
  const QString path = makeFile(QStringLiteral("docs/first.twd"));
  CSFileLocator locator(path);
  bool stale = true;
  ASSERT_TRUE(locator.verify(&stale));
  EXPECT_FALSE(stale);
  EXPECT_FALSE(locator.isFolder());

  // Renamed inside its folder: found by its identity; the path follows.
  const QString renamed = m_home + QStringLiteral("/docs/renamed.twd");
  ASSERT_TRUE(QFile::rename(path, renamed));
  ASSERT_TRUE(locator.verify(&stale));
  EXPECT_EQ(locator.path(), renamed);
  EXPECT_EQ(locator.method(), CSFileLocator::kMethodLocal);
  EXPECT_FALSE(stale);

  // Replaced by a new file (as a safe save does): the bookmark is renewed,
  // so that a later rename is still followed.
  const QByteArray oldBookmark = locator.bookmark();
  const QString temporary = makeFile(QStringLiteral("docs/renamed.tmp"), "new");
  ASSERT_EQ(::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(renamed).constData()), 0);
  ASSERT_TRUE(locator.verify(&stale));
  EXPECT_TRUE(stale);
  EXPECT_NE(locator.bookmark(), oldBookmark);
  ASSERT_TRUE(locator.verify(&stale));
  EXPECT_FALSE(stale);
  const QString again = m_home + QStringLiteral("/docs/again.twd");
  ASSERT_TRUE(QFile::rename(renamed, again));
  ASSERT_TRUE(locator.verify(&stale));
  EXPECT_EQ(locator.path(), again);

  // Gone for good: NO, with a reason.
  ASSERT_TRUE(QFile::remove(again));
  QString error;
  EXPECT_FALSE(locator.verify(&stale, false, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(locator.path(), again);

  // A folder, and a locator without a bookmark whose file is gone.
  CSFileLocator folder(m_home + QStringLiteral("/docs"));
  ASSERT_TRUE(folder.verify());
  EXPECT_TRUE(folder.isFolder());
  CSFileLocator nothing(m_home + QStringLiteral("/missing"));
  EXPECT_TRUE(nothing.bookmark().isEmpty());
  EXPECT_FALSE(nothing.verify());
  // A foreign bookmark finds nothing, quietly.
  nothing.setBookmark(QByteArray(100, 'z'));
  EXPECT_FALSE(nothing.verify());
}

TEST_F(CSFileLocatorTest, MovedFilesAreFoundWithinTheSearchBounds) {
  // Each file starts in projects/a and is moved; the search reads the old
  // folder, the tree of its parent (projects), then Desktop, Documents and
  // Downloads, within kMaxSearchEntries entries, never through a symbolic
  // link or into a hidden folder.
  struct Row {
    const char* movedTo;
    bool found;
  } rows[] = {
      {"projects/a/renamed.twd", true},
      {"projects/b/plan.twd", true},
      {"projects/b/c/d/renamed.twd", true},
      {"Documents/plan.twd", true},
      {"Documents/old/deep/plan.twd", true},
      {"Downloads/plan.twd", true},
      {"Desktop/plan.twd", true},
      {"elsewhere/plan.twd", false},
      {"projects/.hidden/plan.twd", false},
      {"projects/linked/plan.twd", false},     // projects/linked leads to elsewhere
      {"projects/many/zz/plan.twd", false},    // behind more entries than the search reads
      {"Documents/linked/plan.twd", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.movedTo);
    for (const char* folder : {"projects", "Documents", "Downloads", "Desktop", "elsewhere"})
      QDir(m_home + '/' + folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(m_home + "/elsewhere"));
    ASSERT_TRUE(QDir().mkpath(m_home + "/projects"));
    ASSERT_TRUE(QDir().mkpath(m_home + "/Documents"));
    ASSERT_TRUE(QFile::link(m_home + "/elsewhere", m_home + "/projects/linked"));
    ASSERT_TRUE(QFile::link(m_home + "/elsewhere", m_home + "/Documents/linked"));
    const QString moved = m_home + '/' + row.movedTo;
    if (QString(row.movedTo).startsWith("projects/many/")) {
      // Read breadth first: projects/many comes before projects/many/zz.
      ASSERT_TRUE(QDir().mkpath(m_home + "/projects/many"));
      for (int64_t i = 0; i < CSFileLocator::kMaxSearchEntries; ++i)
        ASSERT_TRUE(QFile(m_home + QStringLiteral("/projects/many/f%1").arg(i)).open(QIODevice::WriteOnly));
    }
    const QString path = makeFile(QStringLiteral("projects/a/plan.twd"));
    CSFileLocator locator(path);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(moved).absolutePath()));
    ASSERT_TRUE(QFile::rename(path, moved));
    bool stale = true;
    EXPECT_EQ(locator.verify(&stale), row.found);
    EXPECT_EQ(locator.path(), row.found ? moved : path);
    EXPECT_FALSE(stale);
    if (!row.found) continue;
    // Deleted after it was found: gone.
    ASSERT_TRUE(QFile::remove(moved));
    EXPECT_FALSE(locator.verify(&stale));
  }
}

TEST_F(CSFileLocatorTest, TrashDisplayAndServices) {
  CSFileLocator locator;
  locator.setPath(m_home + QStringLiteral("/.local/share/Trash/files/a.twd"));
  EXPECT_TRUE(locator.isInTrash());
  locator.setPath(QStringLiteral("/media/stick/.Trash-%1/files/a.twd").arg(getuid()));
  EXPECT_TRUE(locator.isInTrash());
  locator.setPath(m_home + QStringLiteral("/Trash/a.twd"));
  EXPECT_FALSE(locator.isInTrash());

  locator.setPath(QStringLiteral("/media/Stick/a.twd"));
  EXPECT_EQ(locator.displayText(), QStringLiteral("Stick/a.twd"));
  locator.setPath(QStringLiteral("/media/"));
  EXPECT_EQ(locator.displayText(), QStringLiteral("/media/"));
  locator.setPath(QStringLiteral("/srv/a.twd"));
  EXPECT_EQ(locator.displayText(), QStringLiteral("/srv/a.twd"));

  EXPECT_TRUE(locator.isEqualToPath(QStringLiteral("/srv/a.twd")));
  CSFileLocator copy = locator;
  EXPECT_TRUE(copy == locator);

}

// The processes of this user whose command name is `name` and whose
// arguments mention `marker`.
std::vector<pid_t> ProcessesNamed(const QByteArray& name, const QByteArray& marker) {
  std::vector<pid_t> pids;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool number = false;
    const pid_t pid = entry.toInt(&number);
    if (!number) continue;
    QFile comm("/proc/" + entry + "/comm"), cmdline("/proc/" + entry + "/cmdline");
    if (!comm.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly)) continue;
    if (comm.readAll().trimmed() == name && cmdline.readAll().contains(marker)) pids.push_back(pid);
  }
  return pids;
}

TEST_F(CSFileLocatorTest, CloudServicesAnswerFromTheirDaemons) {
  // An empty PATH: no daemon can be started, and none of this test's names
  // runs on a build machine.
  QTemporaryDir bin;
  ASSERT_TRUE(bin.isValid());
  const QByteArray sleep = QFile::encodeName(QStandardPaths::findExecutable("sleep"));
  ASSERT_FALSE(sleep.isEmpty());
  m_saved.emplace_back("PATH", qgetenv("PATH"));
  qputenv("PATH", QFile::encodeName(bin.path()));
  struct Row {
    int32_t method;
    bool running;
  } rows[] = {{0, false}, {1, true}, {2, true}, {3, false}, {4, false}, {5, false}, {6, false}, {7, false}};
  CSFileLocator locator;
  for (const Row& row : rows) {
    locator.setMethod(row.method);
    EXPECT_EQ(locator.isServiceRunning(), row.running) << row.method;
    EXPECT_EQ(locator.runService(), row.running) << row.method;
  }
  EXPECT_EQ(CSFileLocator::serviceProcessName(CSFileLocator::kMethodDropbox), "dropbox");
  EXPECT_EQ(CSFileLocator::serviceProcessName(CSFileLocator::kMethodLocal), QString());

  // A OneDrive folder's daemon on the PATH: running the service starts it,
  // and the locator then sees it among the user's processes. The stand-in
  // daemon waits a minute at most, and ends its child when told to stop.
  const QString daemon = bin.filePath("onedrive");
  {
    QFile script(daemon);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntrap 'kill $child; exit 0' TERM\n" + sleep + " 60 &\nchild=$!\nwait\n");
  }
  ASSERT_TRUE(QFile::setPermissions(daemon, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  CSFileLocator cloud(makeFile(QStringLiteral("OneDrive/plan.twd")));
  ASSERT_EQ(cloud.method(), CSFileLocator::kMethodOneDrive);
  EXPECT_FALSE(cloud.isServiceRunning());
  EXPECT_TRUE(cloud.runService());
  const QByteArray marker = QFile::encodeName(daemon);
  std::vector<pid_t> started;
  for (int attempt = 0; attempt < 200 && started.empty(); ++attempt) {
    started = ProcessesNamed("onedrive", marker);
    if (started.empty()) usleep(10000);
  }
  ASSERT_EQ(started.size(), 1u);
  EXPECT_TRUE(cloud.isServiceRunning());
  EXPECT_TRUE(cloud.runService());  // already running: nothing more starts
  EXPECT_EQ(ProcessesNamed("onedrive", marker).size(), 1u);
  for (const pid_t pid : started) kill(pid, SIGTERM);
  for (int attempt = 0; attempt < 200 && !ProcessesNamed("onedrive", marker).empty(); ++attempt) usleep(10000);
  EXPECT_FALSE(cloud.isServiceRunning());
}

}  // namespace
