#include "richtext/CorvaneHost.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRectF>
#include <QTemporaryDir>
#include <functional>

#include "QStringPrinter.h"
#include "ScopedEnvironment.h"
#include "TestFiles.h"
#include "platform/NotificationCenter.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/SystemServices.h"

namespace {

// Stand-ins for records the hooks take but never read.
CorvaneDoc* const kDoc = reinterpret_cast<CorvaneDoc*>(uintptr_t(0x1000));
Pane* const kPane = reinterpret_cast<Pane*>(uintptr_t(0x2000));

TEST(CorvaneConfigTest, StartsZeroedAndTheHelpInitialiserSetsOnlyItsTwoFields) {
  EXPECT_TRUE(g_corvaneConfig == CorvaneConfig{}) << "a test changed the switches and kept them";

  ScopedCorvaneConfig keep;
  ConfigureCorvaneForHelp();
  CorvaneConfig expected{};
  expected.helpMode = 1;
  expected.extraLineSpacing = 6.0f;
  EXPECT_TRUE(g_corvaneConfig == expected);
}

// Every hook that reads no record field, under the default host: its answer,
// and no beep and no notification from the hooks that do nothing.
TEST(CorvaneHostTest, DefaultHostGivesThePlainAnswers) {
  CorvaneHost& host = CurrentCorvaneHost();
  ASSERT_EQ(typeid(host), typeid(CorvaneHost)) << "another host is still registered";

  int posted = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &posted, QString(), nullptr, [&](const CSNotification& n) {
        if (n.name.startsWith(QLatin1String("cvb."))) ++posted;
      });
  const uint32_t beepsBefore = host.beepCount();

  struct Row {
    const char* hook;
    std::function<bool()> answersAsThePartSays;
  };
  const QRectF filled(1, 2, 3, 4);
  const std::vector<Row> rows = {
      {"IsDocumentLocked", [] { return IsDocumentLocked(kDoc); }},
      {"FileNameForDoc", [] { return FileNameForDoc(kDoc).isNull(); }},
      {"DocumentBackgroundKolor", [] { return DocumentBackgroundKolor(kDoc, nullptr) == g_nilKolor; }},
      {"PlainTextFont", [] { return !PlainTextFont().has_value(); }},
      {"PictureIsActuallyResource", [] { return !PictureIsActuallyResource(nullptr, kDoc); }},
      {"CreateImageFromGuid", [] { return CreateImageFromGuid(QStringLiteral("A-B")).isNull(); }},
      {"PreferPlainEmailImport", [] { return PreferPlainEmailImport(); }},
      {"DraftScrollBackgroundColor", [] { return DraftScrollBackgroundColor() == QColor(Qt::white); }},
      {"GetViewRect", [&] {
         QRectF r = filled;
         GetViewRect(&r, kDoc, kPane);
         return r == QRectF(0, 0, 0, 0);
       }},
      {"GetVisibleViewRect", [&] {
         QRectF r = filled;
         GetVisibleViewRect(&r, kPane);
         return r == QRectF(0, 0, 0, 0);
       }},
      {"GetViewRect into null", [] {
         GetViewRect(nullptr, kDoc, kPane);
         return true;
       }},
      {"ViewIsFocused", [] { return !ViewIsFocused(nullptr); }},
      {"ScrollPosition", [] { return ScrollPosition(kPane, true) == 0 && ScrollPosition(kPane, false) == 0; }},
      {"ScrollToPosition horizontal", [] {
         ScrollToPosition(kPane, false, 12);
         return ScrollPosition(kPane, false) == 0;
       }},
      {"AutoScroll without a pane", [] {
         AutoScroll(nullptr, true, 0);
         return true;
       }},
      {"ForceInactiveSelection", [] { return !ForceInactiveSelection(kDoc); }},
      {"CreatePane", [] { return CreatePane(kDoc, 1) == 0xFFFFFFFF; }},
      {"PaneForDisplayType", [] { return PaneForDisplayType(kDoc, 0) == 0xFFFFFFFF; }},
      {"PathToResourceFile of a missing name", [] { return PathToResourceFile(QStringLiteral("NoSuch.txt")).isNull(); }},
      {"NotificationObject", [] { return NotificationObject(kDoc) == nullptr; }},
      {"FilePathForDoc", [] { return FilePathForDoc(kDoc).isNull(); }},
      {"MapPropertyDomain", [] { return MapPropertyDomain(kDoc, 3) == 0; }},
      {"WorkIsWaiting", [] { return !WorkIsWaiting(); }},
      {"ExpandSystemShorthand without a dictionary",
       [] { return ExpandSystemShorthand(u"btw", 3).isNull(); }},
      {"hooks that do nothing", [&] {
         UpdateElementList(kDoc);
         AddLocalDictionaryWord(QStringLiteral("word"), kDoc);
         SaveLocalDictionary(kDoc);
         LinkWasConverted(kDoc);
         RegisterPictureFile(kDoc, nullptr);
         PicturesWereDeleted(kDoc, 2);
         DrawTagInRect(nullptr, filled);
         RecordTagFromRtf(nullptr);
         ReportFoundRange(kDoc, 7);
         StoreEncryptedText(kDoc);
         InvalidateStatusCount(kDoc);
         InvalShorthand();
         InvalView(kPane);
         InvalViewRect(kPane, filled);
         UpdateRulers(kDoc);
         UpdateRulersForPane(kPane);
         AutoScroll(kPane, true, 3);
         NoteNewScrollPosition(kDoc, kPane);
         ScrollToPosition(kPane, true, 5);
         ShowSelectionAtIdle(kDoc);
         FlashSelection(kPane);
         SetStatusMessage(kDoc, QStringLiteral("status"), true);
         NoteSelectionWillChange(kDoc);
         NoteSelectionChanged(kDoc);
         NoteFrameChanged(kDoc);
         NotePageRangeChange(kDoc);
         NoteTableChanged(kDoc);
         ForceCursorChange(kDoc);
         BrushWasCleared(kDoc);
         UpdateStylePopup(kDoc);
         ChangeFocusPane(kDoc, kPane);
         ClosePane(kDoc, kPane);
         EnsurePageView(kDoc, kPane);
         SaveHelpSelection(kDoc);
         FollowHelpLink(kDoc, 12);
         EnsureDraftRectIsVisible(kDoc, filled);
         NoteDraftHeightChanged(kDoc, kPane);
         PerformLineKinkAction(kDoc, 3, 1);
         RunContextMenuForLine(kDoc, 3);
         ShowDomainFormat(kDoc, 3);
         return ScrollPosition(kPane, true) == 0;
       }},
  };
  for (const Row& row : rows) EXPECT_TRUE(row.answersAsThePartSays()) << row.hook;
  EXPECT_EQ(host.beepCount(), beepsBefore);
  EXPECT_EQ(posted, 0);
  NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(CorvaneHostTest, DefaultHostCountsBeepsAndARegisteredHostTakesOver) {
  const uint32_t before = CurrentCorvaneHost().beepCount();
  Beep();
  EXPECT_EQ(CurrentCorvaneHost().beepCount(), before + 1);
  {
    FakeCorvaneHost fake;
    EXPECT_EQ(&CurrentCorvaneHost(), &fake);
    Beep();
    EXPECT_EQ(fake.beeps, 1);
  }
  EXPECT_EQ(CurrentCorvaneHost().beepCount(), before + 1);
  SetCorvaneHost(nullptr);
  CorvaneHost& restored = CurrentCorvaneHost();
  EXPECT_EQ(typeid(restored), typeid(CorvaneHost));
}

TEST(CorvaneHostTest, PathToResourceFileTakesBareNamesOnly) {
  CorvaneHost& host = CurrentCorvaneHost();
  for (const char* name : {"", ".", "..", "../etc/passwd", "/etc/passwd", "a/b.txt"})
    EXPECT_TRUE(host.pathToResourceFile(QString::fromLatin1(name)).isNull()) << name;
}

// ---- Following links ------------------------------------------------------------------

class FollowHyperLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    // A blank in the home folder's name must not break the address.
    homePath = home.filePath(QStringLiteral("my home"));
    ASSERT_TRUE(QDir().mkpath(homePath));
    environment.set("HOME", homePath);
    WriteBytes(homePath + QStringLiteral("/notes.txt"), "notes");
    WriteBytes(homePath + QStringLiteral("/run.sh"), "#!/bin/sh\n");
    QFile::setPermissions(homePath + QStringLiteral("/run.sh"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WriteBytes(homePath + QStringLiteral("/app.desktop"), "[Desktop Entry]\n");
  }

  QTemporaryDir home;
  QString homePath;
  ScopedEnvironment environment;
  FakeCorvaneHost host;
};

TEST_F(FollowHyperLinkTest, HomeFileLinkIsRewrittenAndRevealed) {
  FollowHyperLink(QStringLiteral("file:~/notes.txt"), false);
  EXPECT_EQ(host.revealedPaths, QStringList{homePath + QStringLiteral("/notes.txt")});
  EXPECT_TRUE(host.openedUrls.isEmpty());
  EXPECT_EQ(host.beeps, 0);
  EXPECT_EQ(ExpandHomeFileLink(QStringLiteral("file:~/a%20b")),
            QStringLiteral("file://localhost") + QString::fromLatin1(QUrl::toPercentEncoding(homePath, "/")) +
                QStringLiteral("/a%20b"));
  EXPECT_EQ(ExpandHomeFileLink(QStringLiteral("https://x.org/~/")), QStringLiteral("https://x.org/~/"));
}

TEST_F(FollowHyperLinkTest, OpeningFileLinksOpensDocumentsButOnlyRevealsProgramsAndLaunchers) {
  FollowHyperLink(QStringLiteral("file:~/notes.txt"), true);
  ASSERT_EQ(host.openedUrls.size(), 1);
  EXPECT_EQ(host.openedUrls[0].toLocalFile(), homePath + QStringLiteral("/notes.txt"));

  FollowHyperLink(QStringLiteral("file:~/run.sh"), true);
  FollowHyperLink(QStringLiteral("file:~/app.desktop"), true);
  EXPECT_EQ(host.openedUrls.size(), 1);
  EXPECT_EQ(host.revealedPaths,
            (QStringList{homePath + QStringLiteral("/run.sh"), homePath + QStringLiteral("/app.desktop")}));
  EXPECT_EQ(host.beeps, 0);

  // A folder is opened, though it carries the execute bit.
  FollowHyperLink(QUrl::fromLocalFile(homePath).toString(QUrl::FullyEncoded), true);
  EXPECT_EQ(host.openedUrls.size(), 2);
}

TEST_F(FollowHyperLinkTest, BadAddressesBeepAndOpenNothing) {
  const char* const addresses[] = {
      "",                               // no URL at all
      "   ",                            // blanks only
      "http://exa mple.org/",           // a blank in the host makes no URL
      "notes.txt",                      // no scheme: nothing can open it
      "file:~/missing.txt",             // a missing file
      "file://otherhost/etc/passwd",    // a file on another machine
      "file:relative/path",             // no absolute path
  };
  for (const char* address : addresses) {
    host.beeps = 0;
    for (const bool open : {false, true}) FollowHyperLink(QString::fromUtf8(address), open);
    EXPECT_EQ(host.beeps, 2) << address;
  }
  EXPECT_TRUE(host.openedUrls.isEmpty());
  EXPECT_TRUE(host.revealedPaths.isEmpty());
}

TEST_F(FollowHyperLinkTest, WebAddressesAreOpenedAndAFailureBeeps) {
  FollowHyperLink(QStringLiteral("https://example.org/a?b=c"), false);
  ASSERT_EQ(host.openedUrls.size(), 1);
  EXPECT_EQ(host.openedUrls[0], QUrl(QStringLiteral("https://example.org/a?b=c")));
  EXPECT_EQ(host.beeps, 0);

  host.openSucceeds = false;
  FollowHyperLink(QStringLiteral("mailto:someone@example.org"), false);
  FollowHyperLink(QStringLiteral("file:~/notes.txt"), false);  // revealing fails
  EXPECT_EQ(host.beeps, 2);
}

// ---- The fake, as later engine tests lean on it ---------------------------------------------

TEST(FakeCorvaneHostTest, RecordsWhatTheCoreAsks) {
  FakeCorvaneHost host;
  QObject controller;
  host.windowController = &controller;
  QRectF rect;
  GetViewRect(&rect, kDoc, kPane);
  EXPECT_EQ(rect, host.viewRect);
  GetViewRect(&rect, kDoc, nullptr);
  EXPECT_EQ(rect, QRectF());
  InvalView(kPane);
  InvalViewRect(kPane, QRectF(1, 2, 3, 4));
  EXPECT_EQ(host.invalidations, (QList<QRectF>{host.viewRect, QRectF(1, 2, 3, 4)}));
  AutoScroll(kPane, true, 3);
  ScrollToPosition(kPane, false, 9);
  ScrollToPosition(kPane, true, 9.5);
  EXPECT_EQ(host.scrolls, (QList<FakeCorvaneHost::Scroll>{{kPane, true, 3, true}, {kPane, true, 9.5, false}}));
  EXPECT_EQ(ScrollPosition(kPane, true), 9.5);
  SetStatusMessage(kDoc, QStringLiteral("Found 3"), false);
  EXPECT_EQ(host.statusTexts, QStringList{QStringLiteral("Found 3")});
  FollowHelpLink(kDoc, 42);
  EXPECT_EQ(host.helpLinks, QList<uint32_t>{42});
  EXPECT_EQ(NotificationObject(kDoc), &controller);
}

}  // namespace
