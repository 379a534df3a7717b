#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>

#include "platform/AtomicSwap.h"

namespace {

void WriteText(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

QByteArray ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArrayLiteral("<missing>");
  return file.readAll();
}

// A small package folder whose every file names its version.
void MakePackage(const QString& path, const QByteArray& version) {
  ASSERT_TRUE(QDir().mkpath(path + "/Images"));
  WriteText(path + "/drawing.xml", "drawing " + version);
  WriteText(path + "/Images/a.tiff", "image " + version);
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Fails the given step once with the given errno while alive.
class InjectedFault {
 public:
  InjectedFault(std::initializer_list<std::pair<AtomicSwapStep, int>> faults) {
    std::vector<std::pair<AtomicSwapStep, int>> list(faults);
    m_previous = SetAtomicSwapFaultHook([list](AtomicSwapStep step) {
      for (const auto& [s, e] : list)
        if (s == step) return e;
      return 0;
    });
  }
  ~InjectedFault() { SetAtomicSwapFaultHook(std::move(m_previous)); }

 private:
  AtomicSwapFaultHook m_previous;
};

// A folder on another device than the temporary folder, where there is one.
QString OtherDeviceFolder(const QString& than) {
  struct stat a {
  }, b{};
  if (stat("/dev/shm", &a) != 0 || access("/dev/shm", W_OK) != 0) return QString();
  if (stat(QFile::encodeName(than).constData(), &b) != 0 || a.st_dev == b.st_dev) return QString();
  return QStringLiteral("/dev/shm");
}

}  // namespace

TEST(AtomicSwap, ReplacesFileAndPackageLeavingNothingBehind) {
  QTemporaryDir dir;
  const QString target = dir.filePath("doc.txt"), incoming = dir.filePath("doc.new");
  WriteText(target, "old");
  WriteText(incoming, "new");
  AtomicSwapResult result;
  ASSERT_TRUE(AtomicReplaceItem(incoming, target, &result));
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(Entries(dir.path()), QStringList{"doc.txt"});

  const QString package = dir.filePath("art.TWdraw"), newPackage = dir.filePath("art.new");
  MakePackage(package, "1");
  WriteText(package + "/only-in-old", "x");
  MakePackage(newPackage, "2");
  ASSERT_TRUE(AtomicReplaceItem(newPackage, package, &result)) << result.errorNumber;
  EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 2");
  EXPECT_FALSE(QFile::exists(package + "/only-in-old"));
  EXPECT_EQ(Entries(dir.path()), (QStringList{"art.TWdraw", "doc.txt"}));
}

TEST(AtomicSwap, MissingTargetIsAPlainMove) {
  QTemporaryDir dir;
  WriteText(dir.filePath("a.new"), "fresh");
  AtomicSwapResult result;
  ASSERT_TRUE(AtomicExchangeItem(dir.filePath("a.new"), dir.filePath("a.txt"), &result));
  EXPECT_EQ(ReadText(dir.filePath("a.txt")), "fresh");
  EXPECT_TRUE(result.oldItemPath.isEmpty());
  EXPECT_EQ(Entries(dir.path()), QStringList{"a.txt"});
  // A missing new item fails and touches nothing.
  EXPECT_FALSE(AtomicReplaceItem(dir.filePath("none"), dir.filePath("a.txt"), &result));
  EXPECT_EQ(result.errorNumber, ENOENT);
  EXPECT_EQ(ReadText(dir.filePath("a.txt")), "fresh");
}

TEST(AtomicSwap, ExchangeHandsBackTheOldItem) {
  QTemporaryDir dir;
  WriteText(dir.filePath("doc.txt"), "old");
  WriteText(dir.filePath("doc.tmp"), "new");
  AtomicSwapResult result;
  ASSERT_TRUE(AtomicExchangeItem(dir.filePath("doc.tmp"), dir.filePath("doc.txt"), &result));
  EXPECT_EQ(ReadText(dir.filePath("doc.txt")), "new");
  EXPECT_EQ(result.oldItemPath, dir.filePath("doc.tmp"));
  EXPECT_EQ(ReadText(result.oldItemPath), "old");
}

TEST(AtomicSwap, FailedFinalStepLeavesOldItemUntouched) {
  QTemporaryDir dir;
  const QString target = dir.filePath("doc.txt"), package = dir.filePath("art.TWdraw");
  WriteText(target, "old bytes");
  MakePackage(package, "1");
  WriteText(dir.filePath("doc.new"), "new");
  MakePackage(dir.filePath("art.new"), "2");
  InjectedFault fault({{AtomicSwapStep::Replace, EIO}, {AtomicSwapStep::Exchange, EIO}});
  AtomicSwapResult result;
  EXPECT_FALSE(AtomicReplaceItem(dir.filePath("doc.new"), target, &result));
  EXPECT_EQ(result.errorNumber, EIO);
  EXPECT_FALSE(AtomicReplaceItem(dir.filePath("art.new"), package, &result));
  EXPECT_EQ(ReadText(target), "old bytes");
  EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 1");
  EXPECT_EQ(ReadText(package + "/Images/a.tiff"), "image 1");
  // The new items stay with the caller; no temporary is left over.
  EXPECT_EQ(Entries(dir.path()), (QStringList{"art.TWdraw", "art.new", "doc.new", "doc.txt"}));
}

TEST(AtomicSwap, MovesAsideOnlyWhereNoExchangeIsPossible) {
  QTemporaryDir dir;
  const QString package = dir.filePath("art.TWdraw");
  MakePackage(package, "1");
  MakePackage(dir.filePath("art.new"), "2");
  AtomicSwapResult result;
  {
    // The file system refuses exchanges: the old package goes aside and back.
    InjectedFault fault({{AtomicSwapStep::Exchange, EINVAL}});
    ASSERT_TRUE(AtomicReplaceItem(dir.filePath("art.new"), package, &result));
    EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 2");
    EXPECT_EQ(Entries(dir.path()), QStringList{"art.TWdraw"});
  }
  MakePackage(dir.filePath("art.new"), "3");
  {
    InjectedFault fault({{AtomicSwapStep::Exchange, EINVAL}, {AtomicSwapStep::MoveInAfterAside, EIO}});
    EXPECT_FALSE(AtomicReplaceItem(dir.filePath("art.new"), package, &result));
    EXPECT_TRUE(result.leftOverPath.isEmpty());
    EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 2");  // restored
    EXPECT_EQ(Entries(dir.path()), (QStringList{"art.TWdraw", "art.new"}));
  }
  {
    InjectedFault fault(
        {{AtomicSwapStep::Exchange, EINVAL}, {AtomicSwapStep::MoveInAfterAside, EIO}, {AtomicSwapStep::Restore, EIO}});
    EXPECT_FALSE(AtomicReplaceItem(dir.filePath("art.new"), package, &result));
    ASSERT_FALSE(result.leftOverPath.isEmpty());
    EXPECT_EQ(ReadText(result.leftOverPath + "/drawing.xml"), "drawing 2");  // where the old one was left
  }
}

TEST(AtomicSwap, FromAnotherDeviceCopiesBesideTheTargetFirst) {
  QTemporaryDir dir;
  const QString other = OtherDeviceFolder(dir.path());
  if (other.isEmpty()) GTEST_SKIP() << "no second file system to move across";
  QTemporaryDir away(other + "/swaptest-XXXXXX");
  ASSERT_TRUE(away.isValid());
  const QString package = dir.filePath("art.TWdraw");
  MakePackage(package, "1");
  MakePackage(away.filePath("art.new"), "2");
  ASSERT_TRUE(QFile::link("drawing.xml", away.filePath("art.new/link")));
  for (AtomicSwapStep step : {AtomicSwapStep::Copy, AtomicSwapStep::Exchange}) {
    InjectedFault fault({{step, EIO}});
    AtomicSwapResult result;
    EXPECT_FALSE(AtomicReplaceItem(away.filePath("art.new"), package, &result));
    EXPECT_EQ(result.errorNumber, EIO);
    EXPECT_TRUE(QFile::exists(away.filePath("art.new/drawing.xml")));
    EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 1");
    EXPECT_EQ(Entries(dir.path()), QStringList{"art.TWdraw"});  // the copy was cleaned away
  }
  AtomicSwapResult result;
  ASSERT_TRUE(AtomicExchangeItem(away.filePath("art.new"), package, &result)) << result.errorNumber;
  EXPECT_EQ(ReadText(package + "/Images/a.tiff"), "image 2");
  EXPECT_EQ(QFile::symLinkTarget(package + "/link"), package + "/drawing.xml");
  EXPECT_FALSE(QFile::exists(away.filePath("art.new")));
  // The old package is handed back beside the target.
  EXPECT_EQ(QFileInfo(result.oldItemPath).absolutePath(), dir.path());
  EXPECT_EQ(ReadText(result.oldItemPath + "/drawing.xml"), "drawing 1");
}

TEST(AtomicSwap, RemovingNeverFollowsLinks) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir().mkpath(dir.filePath("outside")));
  WriteText(dir.filePath("outside/keep.txt"), "keep");
  MakePackage(dir.filePath("art.TWdraw"), "1");
  ASSERT_TRUE(QFile::link(dir.filePath("outside"), dir.filePath("art.TWdraw/Images/linked")));
  MakePackage(dir.filePath("art.new"), "2");
  ASSERT_TRUE(AtomicReplaceItem(dir.filePath("art.new"), dir.filePath("art.TWdraw")));
  EXPECT_EQ(ReadText(dir.filePath("outside/keep.txt")), "keep");
  EXPECT_TRUE(RemoveItemTree(dir.filePath("art.TWdraw")));
  EXPECT_TRUE(RemoveItemTree(dir.filePath("art.TWdraw")));  // already gone counts as removed
  EXPECT_EQ(Entries(dir.path()), QStringList{"outside"});
}

TEST(AtomicSwap, AnItemNeverReplacesItself) {
  QTemporaryDir dir;
  const QString package = dir.filePath("art.TWdraw");
  MakePackage(package, "1");
  EXPECT_TRUE(AtomicReplaceItem(package, package));
  EXPECT_TRUE(AtomicReplaceItem(package + "/", package));
  EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 1");
  // A second hard link of the same file: only that name goes.
  ASSERT_EQ(link(QFile::encodeName(package + "/drawing.xml").constData(),
                 QFile::encodeName(dir.filePath("second")).constData()),
            0);
  EXPECT_TRUE(AtomicReplaceItem(dir.filePath("second"), package + "/drawing.xml"));
  EXPECT_EQ(ReadText(package + "/drawing.xml"), "drawing 1");
  EXPECT_FALSE(QFile::exists(dir.filePath("second")));
}
