// Autosave recovery at launch: which packages are offered, what becomes of
// declined, accepted, unreadable and unopenable ones, the removal that never
// follows a link, and the dialog that asks.

#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <optional>

#include "LogCapture.h"
#include "QStringPrinter.h"
#include "ShellTestSupport.h"
#include "TestFiles.h"
#include "platform/AtomicSwap.h"
#include "ui/FakeHelpViewer.h"
#include "ui/ScriptedDialogs.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRAutosaveRestorer.h"

namespace {

// Notes every open with the title it would get; answers a plain window, or
// null for the packages listed as unopenable.
class RecordingAppController : public DRAppController {
 public:
  QStringList opened;
  QStringList overrides;
  QStringList unopenable;  // package names
  std::vector<std::unique_ptr<QWidget>> windows;

  void initOnLaunch() override {}
  QWidget* openUntitledWithTabIdentifier(const QString&) override { return nullptr; }
  QWidget* openFileWithTabIdentifier(const QString& path, const QString&) override {
    opened << path;
    overrides << autosaveOverride();
    if (unopenable.contains(LastPathComponent(path))) return nullptr;
    windows.push_back(std::make_unique<QWidget>());
    return windows.back().get();
  }
};

class AutosaveRecoveryTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_support = home() + QStringLiteral("/support");
    ASSERT_TRUE(QDir().mkpath(m_support));
    g_drawSupportFolder = m_support;
    controller = std::make_unique<RecordingAppController>();
    controller->applicationDidFinishLaunching();
    controller->setAutosaveQuestion([this](const QList<QVariantMap>& entries) {
      asked << entries;
      return answer;
    });
  }
  void TearDown() override {
    controller.reset();
    g_drawSupportFolder.clear();
    DRAutosaveRestorer::setContactAction(nullptr);
    ShellTest::TearDown();
  }

  // A package with a drawing file and, unless none is given, "path.txt".
  QString makePackage(const QString& name, const std::optional<QByteArray>& pathText) {
    const QString package = m_support + QLatin1Char('/') + name;
    EXPECT_TRUE(QDir().mkpath(package));
    WriteBytes(package + QStringLiteral("/drawing.xml"), "<drawing/>");
    if (pathText) WriteBytes(package + QStringLiteral("/path.txt"), *pathText);
    return package;
  }
  QStringList supportItems() const {
    return QDir(m_support).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
  static QStringList Names(const QList<QVariantMap>& entries) {
    QStringList names;
    for (const QVariantMap& entry : entries) names << entry.value(QStringLiteral("name")).toString();
    return names;
  }

  QString m_support;
  std::unique_ptr<RecordingAppController> controller;
  QList<QList<QVariantMap>> asked;
  bool answer = false;
};

TEST_F(AutosaveRecoveryTest, OffersNothingWithoutPackagesOfTheExactExtension) {
  for (const bool folderExists : {true, false}) {
    SCOPED_TRACE(folderExists ? "other items only" : "no support folder");
    if (folderExists) {
      makePackage(QStringLiteral("a.twdraw_autosave"), QByteArray("/docs/a.TWdraw"));
      makePackage(QStringLiteral("b.TWdraw_damaged"), QByteArray("untitled"));
      makePackage(QStringLiteral("c.TWdraw"), QByteArray("untitled"));
      WriteBytes(m_support + QStringLiteral("/note.txt"), "x");
    } else {
      g_drawSupportFolder = home() + QStringLiteral("/missing");
    }
    const QStringList before = supportItems();
    controller->checkAutosave();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(controller->opened.isEmpty());
    EXPECT_EQ(supportItems(), before);
    EXPECT_TRUE(controller->autosaveOverride().isEmpty());
  }
}

TEST_F(AutosaveRecoveryTest, UnreadablePathFileIsLoggedAndSetAsideWhileTheOthersAreOffered) {
  const qint64 cap = DRAppController::kMaxAutosavePathBytes;
  struct Case {
    const char* name;
    std::optional<QByteArray> text;  // none: no "path.txt"
    enum Special { kNone, kFolder, kPipe } special;
    bool readable;
  };
  const Case cases[] = {
      {"missing", std::nullopt, Case::kNone, false},
      {"invalid UTF-8", QByteArray("/docs/\xff\xfe.TWdraw"), Case::kNone, false},
      {"a sequence cut at the end", QByteArray("/docs/a\xc3"), Case::kNone, false},
      {"an overlong encoding", QByteArray("/docs/\xc0\xaf"), Case::kNone, false},
      {"a byte over the cap", QByteArray(cap + 1, 'a'), Case::kNone, false},
      {"a folder", std::nullopt, Case::kFolder, false},
      {"a named pipe", std::nullopt, Case::kPipe, false},
      {"exactly the cap", QByteArray(cap, 'a'), Case::kNone, true},
      {"non-ASCII", QStringLiteral("/docs/Zoë/Plän.TWdraw").toUtf8(), Case::kNone, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const QString& item : supportItems()) RemoveItemTree(m_support + QLatin1Char('/') + item);
    asked.clear();
    // An earlier damaged copy under the name the new one would take.
    const QString older = makePackage(QStringLiteral("bad.TWdraw_damaged"), QByteArray("older"));
    const QString bad = makePackage(QStringLiteral("bad.TWdraw_autosave"), c.text);
    if (c.special == Case::kFolder) ASSERT_TRUE(QDir().mkpath(bad + QStringLiteral("/path.txt")));
    if (c.special == Case::kPipe)
      ASSERT_EQ(mkfifo(QFile::encodeName(bad + QStringLiteral("/path.txt")).constData(), 0600), 0);
    makePackage(QStringLiteral("good.TWdraw_autosave"), QByteArray("untitled"));

    LogCapture log;
    controller->checkAutosave();

    ASSERT_EQ(asked.size(), 1);
    if (c.readable) {
      EXPECT_EQ(Names(asked[0]),
                QStringList({QStringLiteral("bad.TWdraw_autosave"), QStringLiteral("good.TWdraw_autosave")}));
      EXPECT_EQ(asked[0][0].value(QStringLiteral("path")).toString(), QString::fromUtf8(*c.text));
      EXPECT_FALSE(log.text().contains(QStringLiteral("Can't read")));
      continue;
    }
    EXPECT_EQ(Names(asked[0]), QStringList({QStringLiteral("good.TWdraw_autosave")}));
    EXPECT_TRUE(log.text().contains(QStringLiteral("Can't read autosaved file ") + bad + QStringLiteral(": ")))
        << log.text().toStdString();
    // Set aside under a free name: the content is kept and the older copy
    // is untouched.
    EXPECT_FALSE(QFileInfo::exists(bad));
    EXPECT_EQ(ReadBytes(older + QStringLiteral("/path.txt")), QByteArray("older"));
    const QStringList damaged = QDir(m_support).entryList({QStringLiteral("*.TWdraw_damaged")}, QDir::Dirs);
    ASSERT_EQ(damaged.size(), 2) << damaged.join(' ').toStdString();
    const QString setAside =
        m_support + QLatin1Char('/') + (damaged[0] == LastPathComponent(older) ? damaged[1] : damaged[0]);
    EXPECT_EQ(ReadBytes(setAside + QStringLiteral("/drawing.xml")), QByteArray("<drawing/>"));
  }
}

TEST_F(AutosaveRecoveryTest, DeclineRemovesEveryPackageAtOnceAndALinkOnlyAsALink) {
  makePackage(QStringLiteral("1.TWdraw_autosave"), QByteArray("/docs/Plan.TWdraw"));
  makePackage(QStringLiteral("2.TWdraw_autosave"), QByteArray("untitled"));
  // A package that is a link to a folder elsewhere: only the link goes.
  const QString elsewhere = home() + QStringLiteral("/elsewhere");
  ASSERT_TRUE(QDir().mkpath(elsewhere));
  WriteBytes(elsewhere + QStringLiteral("/path.txt"), "untitled");
  WriteBytes(elsewhere + QStringLiteral("/keep.txt"), "keep");
  const QString link = m_support + QStringLiteral("/3.TWdraw_autosave");
  ASSERT_TRUE(QFile::link(elsewhere, link));

  answer = false;
  controller->checkAutosave();

  ASSERT_EQ(asked.size(), 1);
  EXPECT_EQ(asked[0].size(), 3);
  EXPECT_TRUE(controller->opened.isEmpty());
  EXPECT_TRUE(supportItems().isEmpty()) << supportItems().join(' ').toStdString();
  EXPECT_EQ(ReadBytes(elsewhere + QStringLiteral("/keep.txt")), QByteArray("keep"));
  EXPECT_TRUE(controller->oldAutosaveFiles().isEmpty());
  EXPECT_TRUE(controller->autosaveOverride().isEmpty());
}

TEST_F(AutosaveRecoveryTest, AcceptOpensEachUnderItsLockedTitleAndKeepsThemUntilQuit) {
  const QString plan = makePackage(QStringLiteral("1.TWdraw_autosave"), QByteArray("/docs/Plan.v2.TWdraw"));
  const QString untitled = makePackage(QStringLiteral("2.TWdraw_autosave"), QByteArray("untitled"));
  const QString broken = makePackage(QStringLiteral("3.TWdraw_autosave"), QByteArray("/docs/Broken.TWdraw"));
  controller->unopenable << QStringLiteral("3.TWdraw_autosave");

  answer = true;
  LogCapture log;
  controller->checkAutosave();

  EXPECT_EQ(controller->opened, QStringList({plan, untitled, broken}));
  EXPECT_EQ(controller->overrides, QStringList({QStringLiteral("Autosave of Plan.v2 [Locked]"),
                                                QStringLiteral("Autosave of untitled [Locked]"),
                                                QStringLiteral("Autosave of Broken [Locked]")}));
  EXPECT_TRUE(controller->autosaveOverride().isEmpty());
  EXPECT_EQ(controller->oldAutosaveFiles(), QStringList({plan, untitled}));
  EXPECT_TRUE(QFileInfo::exists(plan + QStringLiteral("/drawing.xml")));
  EXPECT_TRUE(QFileInfo::exists(untitled + QStringLiteral("/drawing.xml")));
  // The one that failed to open is set aside, not deleted.
  EXPECT_TRUE(log.text().contains(QStringLiteral("Can't open autosaved file ") + broken)) << log.text().toStdString();
  EXPECT_FALSE(QFileInfo::exists(broken));
  EXPECT_EQ(ReadBytes(m_support + QStringLiteral("/3.TWdraw_damaged/drawing.xml")), QByteArray("<drawing/>"));

  // What the quit does with them.
  for (const QString& package : controller->oldAutosaveFiles())
    EXPECT_TRUE(DRAppController::removeAutosavePackage(package));
  EXPECT_EQ(supportItems(), QStringList({QStringLiteral("3.TWdraw_damaged")}));
}

TEST_F(AutosaveRecoveryTest, RemovingAPackageNeverFollowsALinkNorTakesOtherItems) {
  const QString target = home() + QStringLiteral("/target");
  ASSERT_TRUE(QDir().mkpath(target));
  WriteBytes(target + QStringLiteral("/keep.txt"), "keep");
  struct Case {
    const char* name;
    const char* item;
    bool isLink;
    const char* suffix;  // added to the path handed over
    bool removed;
  };
  const Case cases[] = {
      {"a link", "l.TWdraw_autosave", true, "", true},
      {"a link with a trailing slash", "l.TWdraw_autosave", true, "/", true},
      {"a link with trailing slashes", "l.TWdraw_autosave", true, "//", true},
      {"a package", "p.TWdraw_autosave", false, "", true},
      {"another extension", "p.TWdraw", false, "", false},
      {"another case", "p.twdraw_autosave", false, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = m_support + QLatin1Char('/') + QLatin1String(c.item);
    if (c.isLink) {
      ASSERT_TRUE(QFile::link(target, path));
    } else {
      makePackage(QLatin1String(c.item), QByteArray("untitled"));
    }
    EXPECT_EQ(DRAppController::removeAutosavePackage(path + QLatin1String(c.suffix)), c.removed);
    EXPECT_EQ(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), !c.removed);
    EXPECT_EQ(ReadBytes(target + QStringLiteral("/keep.txt")), QByteArray("keep"));
    RemoveItemTree(path);
  }
}

// The texts of a column of the dialog's table, found by its identifier.
QStringList ColumnTexts(DRAutosaveRestorer* dialog, const QString& identifier) {
  QTableWidget* table = dialog->fileList();
  QStringList texts;
  for (int column = 0; column < table->columnCount(); ++column) {
    if (table->horizontalHeaderItem(column)->data(Qt::UserRole).toString() != identifier) continue;
    for (int row = 0; row < table->rowCount(); ++row) texts << table->item(row, column)->text();
  }
  return texts;
}

QPushButton* StandardButton(QDialog* dialog, QDialogButtonBox::StandardButton which) {
  auto* box = dialog->findChild<QDialogButtonBox*>();
  return box ? box->button(which) : nullptr;
}

TEST_F(AutosaveRecoveryTest, TheDialogListsTheEntriesAndItsButtonsAnswer) {
  controller->setAutosaveQuestion(nullptr);
  FakeHelpViewer help;
  ScriptedDialogs dialogs;
  const QString plan = makePackage(QStringLiteral("1.TWdraw_autosave"), QByteArray("/docs/work/Plan.TWdraw"));
  const QString untitled = makePackage(QStringLiteral("2.TWdraw_autosave"), QByteArray("untitled"));

  // Without a contact action: no contact button; help, then OK.
  dialogs.push([&](QDialog* dialog) {
    auto* restorer = qobject_cast<DRAutosaveRestorer*>(dialog);
    ASSERT_TRUE(restorer);
    EXPECT_EQ(ColumnTexts(restorer, QStringLiteral("name")),
              QStringList({QStringLiteral("Plan.TWdraw"), QStringLiteral("untitled")}));
    EXPECT_EQ(ColumnTexts(restorer, QStringLiteral("folder")), QStringList({QStringLiteral("/docs/work"), QString()}));
    EXPECT_TRUE(restorer->contactButton()->isHidden());
    restorer->helpButton()->click();
    StandardButton(dialog, QDialogButtonBox::Ok)->click();
  });
  controller->checkAutosave();
  ASSERT_EQ(dialogs.seen().size(), 1u);
  EXPECT_EQ(dialogs.seen()[0].className, QStringLiteral("DRAutosaveRestorer"));
  EXPECT_EQ(help.shown, (std::vector<std::pair<int64_t, QString>>{{61, QString()}}));
  EXPECT_EQ(controller->oldAutosaveFiles(), QStringList({plan, untitled}));

  // With one: the button shows and hands over the dialog; Cancel declines.
  for (const QString& package : controller->oldAutosaveFiles()) DRAppController::removeAutosavePackage(package);
  const QString again = makePackage(QStringLiteral("3.TWdraw_autosave"), QByteArray("untitled"));
  QWidget* contacted = nullptr;
  DRAutosaveRestorer::setContactAction([&](QWidget* dialog) { contacted = dialog; });
  dialogs.push([&](QDialog* dialog) {
    auto* restorer = qobject_cast<DRAutosaveRestorer*>(dialog);
    ASSERT_TRUE(restorer);
    EXPECT_FALSE(restorer->contactButton()->isHidden());
    restorer->contactButton()->click();
    EXPECT_EQ(contacted, dialog);
    EXPECT_TRUE(dialog->property("isTWProblem").toBool());
    StandardButton(dialog, QDialogButtonBox::Cancel)->click();
  });
  controller->opened.clear();
  controller->checkAutosave();
  EXPECT_EQ(dialogs.seen().size(), 2u);
  EXPECT_TRUE(contacted);
  EXPECT_TRUE(controller->opened.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(again));
}

TEST_F(AutosaveRecoveryTest, TheQuestionSitsOverTheFrontDocumentWindow) {
  controller->setAutosaveQuestion(nullptr);
  ScriptedDialogs dialogs;
  makePackage(QStringLiteral("1.TWdraw_autosave"), QByteArray("untitled"));
  QList<CSDocumentWC*> windows;
  for (const QString& title : {QStringLiteral("Back"), QStringLiteral("Front")}) {
    auto* window = new CSDocumentWC(std::make_unique<TestDocument>());
    window->setTitle(title);
    window->window()->resize(300, 200);
    MakeKeyAndOrderFront(window->window());
    windows << window;
  }
  QWidget* parent = nullptr;
  dialogs.push([&](QDialog* dialog) {
    parent = dialog->parentWidget();
    dialog->reject();
  });
  controller->checkAutosave();
  ASSERT_EQ(dialogs.seen().size(), 1u);
  EXPECT_EQ(parent, windows[1]->window());
}

TEST_F(AutosaveRecoveryTest, AWindowComingForwardLeavesTheQuestionOnTop) {
  auto* document = new CSDocumentWC(std::make_unique<TestDocument>());
  document->setTitle(QStringLiteral("Reopened"));
  document->window()->resize(300, 200);
  MakeKeyAndOrderFront(document->window());
  ASSERT_TRUE(QTest::qWaitForWindowActive(document->window()));

  DRAutosaveRestorer dialog({QVariantMap{{QStringLiteral("name"), QStringLiteral("1.TWdraw_autosave")},
                                         {QStringLiteral("path"), QStringLiteral("untitled")}}},
                            document->window());
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  // The reopened window is brought forward a moment after launch.
  MakeKeyAndOrderFront(document->window());
  Spin();
  EXPECT_EQ(QApplication::activeWindow(), &dialog);
  dialog.hide();
}

}  // namespace
