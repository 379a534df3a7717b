#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>

#include "platform/AtomicSwap.h"
#include "platform/ExtendedAttributes.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/Files.h"
#include "testkit/LogCapture.h"
#include "testkit/ScopedEnvironment.h"
#include "testkit/TestFiles.h"

namespace {

void MakePackage(const QString& path, char version, qsizetype size) {
  ASSERT_TRUE(QDir().mkpath(path + "/Images"));
  WriteBytes(path + "/drawing.xml", QByteArray(size, version));
  WriteBytes(path + "/Images/a.tiff", QByteArray(size, version));
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t ModeOf(const QString& path) {
  struct stat info {};
  lstat(QFile::encodeName(path).constData(), &info);
  return info.st_mode & 07777;
}

}  // namespace

// ---- Names -------------------------------------------------------------------------

TEST(Files, UniqueNameShapes) {
  struct Row {
    const char* base;
    const char* extension;
    const char* expected;
  };
  const Row rows[] = {
      {"a/b:c", "", "abc"},
      {"plan.2", "txt", "plan2.txt"},
      {"archive.tar", "zip", "archive.tar.zip"},
      {"archive.tar", "ZIP", "archive.tar.ZIP"},
      {"", "txt", "untitled.txt"},
      {"/:", "", "untitled"},
      {"...", "txt", "untitled.txt"},
      {"Plan", "txt", "Plan.txt"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(UniqueName(row.base, row.extension, [](const QString&) { return true; }), QString(row.expected))
        << row.base;
  }
  QStringList taken = {"Plan", "Plan-1"};
  EXPECT_EQ(UniqueName("Plan", "", [&](const QString& n) { return !taken.contains(n); }), QString("Plan-2"));
}

TEST(Files, UniqueFileNameCountsToNinetyNineThenGuid) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("Plan.txt"), "x");
  EXPECT_EQ(UniqueFileName(dir.path(), "Plan", "txt"), dir.filePath("Plan-1.txt"));
  for (int i = 1; i <= 99; ++i) WriteBytes(dir.filePath(QStringLiteral("Plan-%1.txt").arg(i)), "x");
  const QString guidName = QFileInfo(UniqueFileName(dir.path(), "Plan", "txt")).fileName();
  EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.txt$")
                  .match(guidName)
                  .hasMatch())
      << guidName.toStdString();
  // A dangling link takes its name too.
  ASSERT_TRUE(QFile::link(dir.filePath("nowhere"), dir.filePath("Link")));
  EXPECT_EQ(UniqueFileName(dir.path(), "Link", ""), dir.filePath("Link-1"));
}

TEST(Files, ParseDownloadName) {
  struct Row {
    const char* name;
    bool taken;
    int32_t major, minor, patch;
  };
  const Row rows[] = {
      {"Plan_215.dmg", true, 2, 1, 5},
      {"plan_3012.zip", true, 3, 0, 12},
      {"Plan_21.dmg", false, 0, 0, 0},    // too short
      {"Plan_215.pkg", false, 0, 0, 0},   // not a download kind
      {"Other_215.dmg", false, 0, 0, 0},  // another product
      {"Plan_2x5.dmg", false, 0, 0, 0},
      {"Plan_21x.dmg", false, 0, 0, 0},  // the patch must begin with a digit
      {"Plan215.dmg", false, 0, 0, 0},
      {"Plan_.dmg", false, 0, 0, 0},
      {"Plan_219999999999999.dmg", true, 2, 1, 9999},  // held in its place, no overflow
  };
  for (const Row& row : rows) {
    int32_t version[3] = {0, 0, 0};
    QString best;
    EXPECT_EQ(ParseDownloadName(row.name, "Plan", version, &best), row.taken) << row.name;
    EXPECT_EQ(version[0], row.major) << row.name;
    EXPECT_EQ(version[1], row.minor) << row.name;
    EXPECT_EQ(version[2], row.patch) << row.name;
    EXPECT_EQ(best, row.taken ? QString(row.name) : QString()) << row.name;
  }
  // The newest name wins; an equal one does not replace it.
  int32_t version[3] = {0, 0, 0};
  QString best;
  EXPECT_TRUE(ParseDownloadName("Plan_215.dmg", "Plan", version, &best));
  EXPECT_FALSE(ParseDownloadName("Plan_209.dmg", "Plan", version, &best));
  EXPECT_FALSE(ParseDownloadName("Plan_215.zip", "Plan", version, &best));
  EXPECT_TRUE(ParseDownloadName("Plan_300.zip", "Plan", version, &best));
  EXPECT_EQ(best, QString("Plan_300.zip"));
}

TEST(Files, FileSizeString) {
  struct Row {
    uint64_t bytes;
    const char* expected;
  };
  const Row rows[] = {
      {0, "0 KB"},
      {999999, "1,000.00 KB"},
      {2000000, "2 MB"},
      {1500, "1.50 KB"},
      {2500000000, "2.50 GB"},
      {3000000000000, "3 TB"},
      {1234567000000000, "1,234.57 TB"},
  };
  for (const Row& row : rows) EXPECT_EQ(FileSizeString(row.bytes), QString(row.expected)) << row.bytes;
}

TEST(Files, PathsAndTechnicalTypes) {
  EXPECT_TRUE(ArePathsEqual(QString(), QString()));
  EXPECT_FALSE(ArePathsEqual(QString(), "/a"));
  EXPECT_FALSE(ArePathsEqual("/a", "/A"));
  EXPECT_TRUE(ArePathsEqual("/a", "/a"));
  EXPECT_EQ(RootPath(), "/");
  EXPECT_EQ(CanonicalPath("/Users/a/"), "/Users/a");
  EXPECT_EQ(CanonicalPath("/a/./b/../c//"), "/a/c");
  EXPECT_EQ(CanonicalPath("/"), "/");
  EXPECT_TRUE(CanonicalPath(QString()).isNull());
  EXPECT_EQ(CanonicalPath("rel/x"), QDir::current().absoluteFilePath("rel/x"));
  EXPECT_TRUE(IsCanonicallyEqual("/a/b/", "/a/./b"));
  EXPECT_FALSE(IsCanonicallyEqual("/a/b", "/a/B"));
  EXPECT_FALSE(ShowInFinder(QString()));
  EXPECT_TRUE(IsTempFile("/tmp/x"));
  EXPECT_TRUE(IsTempFile("/var/tmp/x"));
  EXPECT_FALSE(IsTempFile(QString()));
  EXPECT_FALSE(IsTempFile("/home/someone/x"));
  EXPECT_EQ(TechnicalTextTypes().size(), 31);
  EXPECT_TRUE(TechnicalTextTypes().contains("c++"));
  EXPECT_EQ(PathForUserFolder(999), QString());

  QTemporaryDir dir;
  ScopedEnvironment environment;
  environment.set("XDG_DATA_HOME", dir.filePath("data"));
  environment.set("XDG_CACHE_HOME", dir.filePath("cache"));
  EXPECT_EQ(PathForUserFolder(kUserFolderApplicationSupport), dir.filePath("data"));
  EXPECT_EQ(PathForUserFolder(kUserFolderCaches), dir.filePath("cache"));
  EXPECT_EQ(PathForUserFolder(kUserFolderTrash), dir.filePath("data/Trash"));
  EXPECT_TRUE(QFileInfo(dir.filePath("data/Trash")).isDir());
  EXPECT_TRUE(IsTempFile(dir.filePath("cache") + "/x"));

  EXPECT_TRUE(CanWriteToFolder(dir.path()));
  EXPECT_FALSE(CanWriteToFolder(dir.filePath("missing")));
  EXPECT_EQ(Entries(dir.path()), (QStringList{"cache", "data"}));  // the probe file is gone again
  double created = 0;
  WriteBytes(dir.filePath("new"), "x");
  if (GetFileCreationDate(dir.filePath("new"), &created))
    EXPECT_NEAR(created, double(QDateTime::currentSecsSinceEpoch()), 120.0);
  EXPECT_FALSE(GetFileCreationDate(dir.filePath("missing"), &created));
}

// ---- Reading, sizes and permissions --------------------------------------------

// The download folder: user-dirs.dirs when it names one ("$HOME/..." or an
// absolute path), else ~/Downloads; made when missing.
TEST(Files, DownloadsFolderFollowsUserDirs) {
  QTemporaryDir dir;
  ScopedEnvironment environment;
  environment.set("HOME", dir.filePath("home"));
  environment.set("XDG_CONFIG_HOME", dir.filePath("config"));
  ASSERT_TRUE(QDir().mkpath(dir.filePath("config")));
  const QString userDirs = dir.filePath("config/user-dirs.dirs");
  struct Case {
    QByteArray line;  // empty: no user-dirs.dirs
    QString expected;
  };
  const Case cases[] = {
      {{}, dir.filePath("home/Downloads")},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"", dir.filePath("home/Fetched")},
      {"XDG_DOWNLOAD_DIR=\"" + dir.filePath("elsewhere/dl").toUtf8() + "\"", dir.filePath("elsewhere/dl")},
      {"XDG_DOWNLOAD_DIR=\"relative/dl\"", dir.filePath("home/Downloads")},
      {"XDG_DOWNLOAD_DIR=\"$HOMEX/dl\"", dir.filePath("home/Downloads")},
  };
  for (const Case& c : cases) {
    QFile::remove(userDirs);
    if (!c.line.isEmpty())
      WriteBytes(userDirs, "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n" + c.line + "\n");
    EXPECT_EQ(PathForUserFolder(kUserFolderDownloads), c.expected) << c.line.constData();
    EXPECT_TRUE(QFileInfo(c.expected).isDir());
  }
  // A folder that cannot be made gives no folder.
  WriteBytes(dir.filePath("home/blocked"), "x");
  WriteBytes(userDirs, "XDG_DOWNLOAD_DIR=\"$HOME/blocked/dl\"\n");
  EXPECT_EQ(PathForUserFolder(kUserFolderDownloads), QString());
}

TEST(Files, ReadFileWholeOrNothing) {
  QTemporaryDir dir;
  QByteArray content(100000, '\0');
  for (qsizetype i = 0; i < content.size(); ++i) content[i] = char(i * 7);
  WriteBytes(dir.filePath("data"), content);
  WriteBytes(dir.filePath("empty"), "");
  uint64_t length = 99;
  void* block = ReadFile(dir.filePath("data"), &length);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(length, uint64_t(content.size()));
  EXPECT_EQ(QByteArray(static_cast<const char*>(block), qsizetype(length)), content);
  FreeMemory(block);
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);  // must not hang
  for (const QString& path :
       {dir.filePath("empty"), dir.filePath("missing"), dir.path(), dir.filePath("pipe"), QString()}) {
    length = 99;
    EXPECT_EQ(ReadFile(path, &length), nullptr) << path.toStdString();
    EXPECT_EQ(length, 0u);
  }
}

TEST(Files, WriteDataToFileReplacesOrRefuses) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("data.bin"));
  CSError error;
  ASSERT_TRUE(WriteDataToFile(QByteArray("first"), path, true, true, &error));
  // A new file is never written over one that exists; a plain write replaces it.
  EXPECT_FALSE(WriteDataToFile(QByteArray("second"), path, true, false, &error));
  EXPECT_EQ(error.code(), EEXIST);
  ASSERT_TRUE(WriteDataToFile(QByteArray("2"), path, false, false, &error));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("2"));
  // No folder to write in: the system's reason, and nothing left behind.
  const QString missing = dir.filePath(QStringLiteral("none/data.bin"));
  EXPECT_FALSE(WriteDataToFile(QByteArray("x"), missing, false, false, &error));
  EXPECT_EQ(error.code(), ENOENT);
  // A missing folder is a file that can't be found, not a full disk.
  EXPECT_EQ(error.reason(), QStringLiteral("The file can't be found"));
  EXPECT_FALSE(QFile::exists(missing));
}

TEST(Files, FolderWalksDoNotFollowLinks) {
  QTemporaryDir dir;
  const QString root = dir.filePath("root");
  ASSERT_TRUE(QDir().mkpath(root + "/a/b"));
  WriteBytes(root + "/one", QByteArray(1000, 'x'));
  WriteBytes(root + "/a/two", QByteArray(200, 'x'));
  WriteBytes(root + "/a/b/three", QByteArray(30, 'x'));
  ASSERT_TRUE(QDir().mkpath(dir.filePath("big")));
  WriteBytes(dir.filePath("big/huge"), QByteArray(50000, 'x'));
  // A loop and a link to a big folder outside: neither is counted.
  ASSERT_TRUE(QFile::link(root, root + "/a/loop"));
  ASSERT_TRUE(QFile::link(dir.filePath("big"), root + "/outside"));
  ASSERT_TRUE(QFile::link(dir.filePath("big/huge"), root + "/hugefile"));
  EXPECT_EQ(SizeOfFolder(root), 1230u);
  EXPECT_TRUE(FolderExceedsSize(root, 1230));
  EXPECT_FALSE(FolderExceedsSize(root, 1231));
  EXPECT_TRUE(FolderExceedsSize(root, 1));
  EXPECT_EQ(SizeOfFolder(dir.filePath("missing")), 0u);
  EXPECT_EQ(SizeOfFolder(root + "/outside"), 0u);  // the walk does not start through a link either
  EXPECT_EQ(SizeOfFile(root + "/one"), 1000u);
  EXPECT_EQ(SizeOfFile(dir.filePath("missing")), 0u);
}

TEST(Files, PermissionsAreGivenWithoutFollowingLinks) {
  QTemporaryDir dir;
  const QString root = dir.filePath("root");
  ASSERT_TRUE(QDir().mkpath(root + "/sub"));
  WriteBytes(root + "/sub/file", "x");
  WriteBytes(dir.filePath("private"), "secret");
  ASSERT_TRUE(QFile::link(dir.filePath("private"), root + "/sub/link"));
  ASSERT_EQ(chmod(QFile::encodeName(root + "/sub/file").constData(), 0400), 0);
  ASSERT_EQ(chmod(QFile::encodeName(dir.filePath("private")).constData(), 0600), 0);
  ASSERT_EQ(chmod(QFile::encodeName(root + "/sub").constData(), 0700), 0);
  LogCapture log;
  GiveUserFilePermissions(root);
  // The owner's bits only: nobody else may write inside.
  EXPECT_EQ(ModeOf(root + "/sub/file"), mode_t(0600));
  EXPECT_EQ(ModeOf(root + "/sub"), mode_t(0700));
  EXPECT_EQ(ModeOf(dir.filePath("private")), mode_t(0600));  // the link's target is not ours to open up
  EXPECT_TRUE(log.lines().isEmpty()) << log.text().toStdString();

  bool isFolder = true;
  EXPECT_EQ(PermissionsForFile(root + "/sub/file", &isFolder), 0600u);
  EXPECT_FALSE(isFolder);
  PermissionsForFile(root, &isFolder);
  EXPECT_TRUE(isFolder);
  EXPECT_EQ(PermissionsForFile(dir.filePath("missing"), &isFolder), 0u);
  GiveUserFilePermissions(dir.filePath("missing"));
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Can't get permissions for " + dir.filePath("missing") + ". The file can't be found");
  EXPECT_TRUE(IsFileMutable(root + "/sub/file"));
  ASSERT_EQ(chmod(QFile::encodeName(root + "/sub/file").constData(), 0444), 0);
  EXPECT_FALSE(IsFileMutable(root + "/sub/file"));
  EXPECT_FALSE(IsFileLocked(root + "/sub/file"));
}

TEST(Files, FinderAttributesInExtendedAttributes) {
  QTemporaryDir dir;
  if (!UserAttributesWork(dir.path())) GTEST_SKIP() << "this file system keeps no user attributes";
  const QString file = dir.filePath("a.txt");
  WriteBytes(file, "x");
  FinderAttributes record;
  GetFinderAttributes(file, &record);
  EXPECT_TRUE(record.valid);
  EXPECT_EQ(record.labelNumber, 0u);
  EXPECT_FALSE(record.extensionHidden);
  record.labelNumber = 5;
  record.extensionHidden = true;
  SetFinderAttributes(file, record);
  FinderAttributes back;
  GetFinderAttributes(file, &back);
  EXPECT_EQ(back.labelNumber, 5u);
  EXPECT_TRUE(back.extensionHidden);
  GetFinderAttributes(dir.filePath("missing"), &back);
  EXPECT_FALSE(back.valid);

  // Stationery: the classic Finder information (bit 3 of byte 8), or ours.
  EXPECT_FALSE(IsFileStationery(file));
  EXPECT_EQ(FileTypeCode(file), 0u);  // no Finder information yet
  QByteArray info(32, '\0');
  info[8] = char(0x08);
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, info));
  EXPECT_TRUE(IsFileStationery(file));
  EXPECT_EQ(FileTypeCode(file), 0u);
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, QByteArray("PICTttxt") + QByteArray(24, '\0')));
  EXPECT_EQ(FileTypeCode(file), 0x50494354u);
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, QByteArray("PIC")));  // too short for a type
  EXPECT_EQ(FileTypeCode(file), 0u);
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, info));
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, QByteArray(8, '\xff')));  // too short to hold the flags
  EXPECT_FALSE(IsFileStationery(file));
  EXPECT_TRUE(SetFileStationery(file, true));
  EXPECT_TRUE(IsFileStationery(file));
  GetFinderAttributes(file, &back);
  EXPECT_EQ(back.labelNumber, 5u);  // one attribute holds all three

  double date = 0;
  EXPECT_TRUE(SetFileModificationDate(file, 1000000000.5));
  EXPECT_TRUE(GetFileModificationDate(file, &date));
  EXPECT_DOUBLE_EQ(date, 1000000000.5);
  EXPECT_FALSE(SetFileCreationDate(file, 1.0));
}

TEST(Files, TrashFollowsTheXdgLayout) {
  QTemporaryDir dir;
  ScopedEnvironment environment;
  environment.set("XDG_DATA_HOME", dir.filePath("data"));
  WriteBytes(dir.filePath("doomed one.txt"), "bye");
  QString trashed;
  CSError error;
  ASSERT_TRUE(MoveItemToTrash(dir.filePath("doomed one.txt"), &trashed, &error)) << error.failureReason().toStdString();
  EXPECT_EQ(trashed, dir.filePath("data/Trash/files/doomed one.txt"));
  EXPECT_TRUE(IsFileInTrash(trashed));
  EXPECT_FALSE(IsFileInTrash(dir.filePath("doomed one.txt")));
  EXPECT_EQ(ReadBytes(trashed), "bye");
  const QByteArray record = ReadBytes(dir.filePath("data/Trash/info/doomed one.txt.trashinfo"));
  EXPECT_TRUE(record.startsWith("[Trash Info]\nPath=" + QFile::encodeName(dir.path()).replace(" ", "%20") +
                                "/doomed%20one.txt\nDeletionDate="))
      << record.toStdString();
  // A second item of the same name gets a name of its own.
  WriteBytes(dir.filePath("doomed one.txt"), "again");
  ASSERT_TRUE(MoveItemToTrash(dir.filePath("doomed one.txt"), &trashed, &error));
  EXPECT_EQ(trashed, dir.filePath("data/Trash/files/doomed one-1.txt"));
  EXPECT_FALSE(MoveItemToTrash(dir.filePath("missing"), &trashed, &error));
  EXPECT_EQ(error.failureReason(), QString("The file can't be found"));
}

namespace {
// Sets or clears a folder's immutable flag; false where that is not allowed.
bool SetImmutable(const QString& path, bool on) {
  const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}
}  // namespace

// Trashed across devices, a folder whose original can only be removed in
// part keeps its whole copy in the trash: no file is lost.
TEST(Files, TrashAcrossDevicesNeverLosesAPartlyRemovedFolder) {
  QTemporaryDir dir;
  struct stat here {}, shm {};
  if (stat("/dev/shm", &shm) != 0 || access("/dev/shm", W_OK) != 0 ||
      stat(QFile::encodeName(dir.path()).constData(), &here) != 0 || here.st_dev == shm.st_dev)
    GTEST_SKIP() << "no second file system to trash across";
  QTemporaryDir data(QStringLiteral("/dev/shm/trashtest-XXXXXX"));
  ASSERT_TRUE(data.isValid());
  ScopedEnvironment environment;
  environment.set("XDG_DATA_HOME", data.path());
  const QString album = dir.filePath("album");
  ASSERT_TRUE(QDir().mkpath(album + "/kept"));
  WriteBytes(album + "/a.txt", "first");
  WriteBytes(album + "/b.txt", "second");
  WriteBytes(album + "/kept/c.txt", "third");
  if (!SetImmutable(album + "/kept", true)) GTEST_SKIP() << "cannot make a folder immutable here";
  QString trashed;
  CSError error;
  const bool moved = MoveItemToTrash(album, &trashed, &error);
  SetImmutable(album + "/kept", false);
  EXPECT_FALSE(moved);
  EXPECT_EQ(trashed, data.filePath("Trash/files/album"));
  for (const char* name : {"a.txt", "b.txt", "kept/c.txt"}) {
    const QByteArray original = ReadBytes(album + "/" + name), copy = ReadBytes(trashed + "/" + name);
    EXPECT_TRUE(original != "<missing>" || copy != "<missing>") << name << " was lost";
  }
  EXPECT_EQ(ReadBytes(trashed + "/b.txt"), "second");
  EXPECT_TRUE(QFile::exists(data.filePath("Trash/info/album.trashinfo")));
}

// ---- Safe replacement ------------------------------------------------------------------

TEST(SafeFileReplace, MissingTargetIsAPlainMove) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("new"), "content");
  QString target = dir.filePath("doc.txt");
  CSError error;
  LogCapture log;
  ASSERT_TRUE(SafeFileReplace(dir.filePath("new"), &target, &error));
  EXPECT_EQ(target, dir.filePath("doc.txt"));
  EXPECT_EQ(ReadBytes(target), "content");
  EXPECT_EQ(Entries(dir.path()), QStringList{"doc.txt"});
  EXPECT_TRUE(log.lines().isEmpty());
}

TEST(SafeFileReplace, FailedFinalStepKeepsOldFileAndPackage) {
  QTemporaryDir dir;
  QByteArray oldBytes(70000, '\0');
  for (qsizetype i = 0; i < oldBytes.size(); ++i) oldBytes[i] = char(i * 13 + 1);
  WriteBytes(dir.filePath("doc.txt"), oldBytes);
  WriteBytes(dir.filePath("doc.new"), "new");
  MakePackage(dir.filePath("art.TWdraw"), 'A', 5000);
  MakePackage(dir.filePath("art.new"), 'B', 10);
  const AtomicSwapFaultHook previous = SetAtomicSwapFaultHook([](AtomicSwapStep step) {
    return step == AtomicSwapStep::Replace || step == AtomicSwapStep::Exchange ? EIO : 0;
  });
  LogCapture log;
  QString target = dir.filePath("doc.txt");
  CSError error;
  EXPECT_FALSE(SafeFileReplace(dir.filePath("doc.new"), &target, &error));
  EXPECT_EQ(target, dir.filePath("doc.txt"));
  EXPECT_EQ(error.domain(), CSError::kOSStatusDomain);
  EXPECT_EQ(error.failureReason(), QString("The file can't be written"));
  QString package = dir.filePath("art.TWdraw");
  EXPECT_FALSE(SafeFileReplace(dir.filePath("art.new"), &package, nullptr));
  SetAtomicSwapFaultHook(previous);

  EXPECT_EQ(ReadBytes(dir.filePath("doc.txt")), oldBytes);
  EXPECT_EQ(ReadBytes(package + "/drawing.xml"), QByteArray(5000, 'A'));
  EXPECT_EQ(ReadBytes(package + "/Images/a.tiff"), QByteArray(5000, 'A'));
  EXPECT_EQ(Entries(dir.path()), (QStringList{"art.TWdraw", "art.new", "doc.new", "doc.txt"}));
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "Move from \"" + dir.filePath("doc.new") + "\" to \"" + dir.filePath("doc.txt") +
                          "\" failed. The file can't be written");
}

TEST(SafeFileReplace, OldItemThatCannotBeRestoredIsReported) {
  QTemporaryDir dir;
  MakePackage(dir.filePath("art.TWdraw"), 'A', 10);
  MakePackage(dir.filePath("art.new"), 'B', 10);
  // No exchange on this "file system", and both moves after the move aside fail.
  const AtomicSwapFaultHook previous = SetAtomicSwapFaultHook([](AtomicSwapStep step) {
    switch (step) {
      case AtomicSwapStep::Exchange:
        return EINVAL;
      case AtomicSwapStep::MoveInAfterAside:
      case AtomicSwapStep::Restore:
        return EIO;
      default:
        return 0;
    }
  });
  LogCapture log;
  QString target = dir.filePath("art.TWdraw");
  EXPECT_FALSE(SafeFileReplace(dir.filePath("art.new"), &target, nullptr));
  SetAtomicSwapFaultHook(previous);
  EXPECT_NE(target, dir.filePath("art.TWdraw"));
  EXPECT_EQ(ReadBytes(target + "/drawing.xml"), QByteArray(10, 'A'));
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0],
            "New version couldn't replace old, and old couldn't be restored. It was left at \"" + target + "\"");
  EXPECT_TRUE(lines[1].startsWith("Move from \"")) << lines[1].toStdString();
}

// Killed at any instant while saving, a child never leaves the target
// missing or mixed: it holds one whole version.
namespace {
constexpr qsizetype kKillTestSize = 300000;
const char* kChildVariable = "TWDRAW_SAFE_REPLACE_CHILD";

// Checks that a file holds one version whole: `size` bytes of one letter.
void ExpectWhole(const QString& path, const QByteArray& letters) {
  const QByteArray bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), kKillTestSize) << path.toStdString();
  ASSERT_TRUE(letters.contains(bytes[0])) << path.toStdString();
  ASSERT_EQ(bytes.count(bytes[0]), bytes.size()) << path.toStdString() << " mixes versions";
}
}  // namespace

TEST(SafeFileReplaceKill, ChildSaveLoop) {
  const QString folder = qEnvironmentVariable(kChildVariable);
  if (folder.isEmpty()) GTEST_SKIP() << "run by SafeFileReplaceKill.TargetNeverMissing";
  for (int round = 0;; ++round) {
    const char version = "BCD"[round % 3];
    const QString newFile = folder + "/doc.new";
    const QString newPackage = folder + "/art.new";
    RemoveItemTree(newFile);
    RemoveItemTree(newPackage);
    {
      QFile file(newFile);
      if (!file.open(QIODevice::WriteOnly)) std::_Exit(3);
      file.write(QByteArray(kKillTestSize, version));
      file.flush();
      fsync(file.handle());
    }
    MakePackage(newPackage, version, kKillTestSize);
    QString target = folder + "/doc.txt";
    if (!SafeFileReplace(newFile, &target, nullptr)) std::_Exit(4);
    QString package = folder + "/art.TWdraw";
    if (!SafeFileReplace(newPackage, &package, nullptr)) std::_Exit(5);
    if (round == 0) QFile(folder + "/ready").open(QIODevice::WriteOnly);
  }
}

TEST(SafeFileReplaceKill, TargetNeverMissing) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("doc.txt"), QByteArray(kKillTestSize, 'A'));
  MakePackage(dir.filePath("art.TWdraw"), 'A', kKillTestSize);
  const QByteArray self = QFile::encodeName(QFile::symLinkTarget("/proc/self/exe"));
  const QByteArray filter = "--gtest_filter=SafeFileReplaceKill.ChildSaveLoop";
  const QByteArray variable = QByteArray(kChildVariable) + "=" + QFile::encodeName(dir.path());
  for (int round = 0; round < 6; ++round) {
    QFile::remove(dir.filePath("ready"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      putenv(const_cast<char*>(variable.constData()));
      char* argv[] = {const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr};
      execv(self.constData(), argv);
      _exit(127);
    }
    // Wait for the child's first whole save, then kill it at a random moment.
    for (int wait = 0; wait < 6000 && !QFile::exists(dir.filePath("ready")); ++wait) QThread::msleep(10);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, WNOHANG), 0) << "the saving child ended early with " << status;
    QThread::msleep(QRandomGenerator::global()->bounded(5, 60));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));

    ExpectWhole(dir.filePath("doc.txt"), "BCD");
    ExpectWhole(dir.filePath("art.TWdraw/drawing.xml"), "BCD");
    const QByteArray letter = ReadBytes(dir.filePath("art.TWdraw/drawing.xml")).left(1);
    ExpectWhole(dir.filePath("art.TWdraw/Images/a.tiff"), letter);
  }
}
