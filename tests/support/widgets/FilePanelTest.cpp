// The file panel: document packages are chosen as files (by double-click,
// Return or the button), saving onto one asks first, the starting folder,
// and a width that shows every column of the detail list.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "support/widgets/CSAlert.h"
#include "support/widgets/CSFilePanel.h"
#include "testkit/QStringPrinter.h"
#include "testkit/ScopedEnvironment.h"

namespace {

bool SpinUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// Public throughout: rows of the tables act on the fixture.
class FilePanelTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(m_home.isValid());
    m_env.set("HOME", m_home.path());
    m_env.set("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")));
    folder = m_home.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Plan.TWdraw")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Copy.twdraw_AUTOSAVE")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Plain")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Other.bundle")));
    QFile file(folder + QStringLiteral("/Plan.TWdraw/drawing.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<drawing/>");
    file.close();
    CSFilePanel::setPackageExtensions({QStringLiteral("TWdraw"), QStringLiteral("TWdraw_autosave")});
    m_savedLastFolder = CSFilePanel::lastFolder();
    CSFilePanel::setLastFolder(QString());
  }
  void TearDown() override {
    CSAlert::setStartHook(nullptr);
    CSFilePanel::setPackageExtensions({});
    CSFilePanel::setLastFolder(m_savedLastFolder);
  }

  // The panel shown in `folder`, its detail list filled.
  void show(CSFilePanel& panel) {
    panel.setDirectory(folder);
    panel.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    tree = panel.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(tree->isVisible());
  }
  // The row of a name in the shown folder, once the list holds it.
  QModelIndex row(const QString& name) {
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    if (!model) return {};
    const QString path = folder + QLatin1Char('/') + name;
    SpinUntil([&] { return model->index(path).isValid() && !tree->visualRect(model->index(path)).isEmpty(); });
    return model->index(path);
  }
  void doubleClick(const QString& name) {
    const QModelIndex index = row(name);
    ASSERT_TRUE(index.isValid()) << name.toStdString();
    // Through the window, as the pointer's clicks arrive.
    QWidget* top = tree->window();
    const QPoint at = tree->viewport()->mapTo(top, tree->visualRect(index).center());
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
  }

  QString folder;
  QTreeView* tree = nullptr;

 private:
  QTemporaryDir m_home;
  ScopedEnvironment m_env;
  QString m_savedLastFolder;
};

TEST_F(FilePanelTest, PackagesAreFoldersOfTheRegisteredExtensionsInAnyCase) {
  const struct {
    const char* name;
    bool package;
  } rows[] = {{"Plan.TWdraw", true},   {"Copy.twdraw_AUTOSAVE", true},     {"Plain", false},
              {"Other.bundle", false}, {"Plan.TWdraw/drawing.xml", false}, {"Missing.TWdraw", false}};
  for (const auto& r : rows) {
    EXPECT_EQ(CSFilePanel::isPackage(folder + QLatin1Char('/') + QLatin1String(r.name)), r.package) << r.name;
  }
}

TEST_F(FilePanelTest, OpeningChoosesAPackageAsAFileAndStepsIntoAPlainFolder) {
  const QString package = folder + QStringLiteral("/Plan.TWdraw");
  struct Row {
    const char* name;
    std::function<void(FilePanelTest&, CSFilePanel&)> act;
    bool chosen;
  } rows[] = {
      {"double-click on a package",
       [](FilePanelTest& t, CSFilePanel&) { t.doubleClick(QStringLiteral("Plan.TWdraw")); }, true},
      {"Return on a package",
       [](FilePanelTest& t, CSFilePanel&) {
         t.tree->setFocus();
         t.tree->setCurrentIndex(t.row(QStringLiteral("Plan.TWdraw")));
         QTest::keyClick(t.tree, Qt::Key_Return);
       },
       true},
      {"the Open button on a selected package",
       [](FilePanelTest& t, CSFilePanel& panel) {
         t.tree->setCurrentIndex(t.row(QStringLiteral("Plan.TWdraw")));
         panel.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
       },
       true},
      {"double-click on a plain folder", [](FilePanelTest& t, CSFilePanel&) { t.doubleClick(QStringLiteral("Plain")); },
       false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CSFilePanel panel;
    panel.setFileMode(QFileDialog::ExistingFiles);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    show(panel);
    r.act(*this, panel);
    if (r.chosen) {
      EXPECT_EQ(panel.result(), QDialog::Accepted);
      EXPECT_FALSE(panel.isVisible());
      EXPECT_EQ(panel.chosenPaths(), QStringList{package});
      EXPECT_EQ(panel.directory().absolutePath(), folder);
      // The next panel starts where this one chose.
      EXPECT_EQ(CSFilePanel::lastFolder(), folder);
    } else {
      EXPECT_TRUE(panel.isVisible());
      EXPECT_EQ(panel.directory().absolutePath().toStdString(), (folder + QStringLiteral("/Plain")).toStdString());
    }
  }
}

TEST_F(FilePanelTest, SavingOntoAPackageAsksToReplaceItAsForAFile) {
  const QString package = folder + QStringLiteral("/Plan.TWdraw");
  QPointer<QMessageBox> asked;
  CSAlert::setStartHook([&asked](QMessageBox* alert, QWidget*) { asked = alert; });
  CSFilePanel panel;
  panel.setAcceptMode(QFileDialog::AcceptSave);
  show(panel);
  QPushButton* save = panel.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
  ASSERT_NE(save, nullptr);

  // Chosen from the list, the package keeps the button a Save button.
  tree->setCurrentIndex(row(QStringLiteral("Plan.TWdraw")));
  QCoreApplication::processEvents();
  EXPECT_EQ(save->text(), QFileDialog::tr("&Save"));
  EXPECT_TRUE(save->isEnabled());

  // Saving asks; No keeps the panel up in the same folder.
  save->click();
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->text(), QStringLiteral("Plan.TWdraw already exists.\nDo you want to replace it?"));
  EXPECT_EQ(CSAlert::buttonOfAlert(asked, 1), asked->escapeButton());
  CSAlert::finishAlert(asked, 1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.directory().absolutePath(), folder);

  // A double-click asks too; Yes chooses the package.
  doubleClick(QStringLiteral("Plan.TWdraw"));
  ASSERT_TRUE(asked);
  CSAlert::finishAlert(asked, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(panel.result(), QDialog::Accepted);
  EXPECT_EQ(panel.chosenPaths(), QStringList{package});
  EXPECT_EQ(panel.directory().absolutePath(), folder);
}

TEST_F(FilePanelTest, ItStartsInTheDocumentsFolderElseTheLastOneElseDocuments) {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  ASSERT_TRUE(QDir().mkpath(documents));
  const QString other = folder + QStringLiteral("/Plain");
  struct {
    const char* name;
    QString last;
    QString document;
    QString expect;
  } rows[] = {
      {"nothing known: Documents", QString(), QString(), documents},
      {"a last folder", other, QString(), other},
      {"the document's folder first", other, folder + QStringLiteral("/Plan.TWdraw"), folder},
      {"a last folder that went away", folder + QStringLiteral("/Gone"), QString(), documents},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    CSFilePanel::setLastFolder(r.last);
    EXPECT_EQ(CSFilePanel::startingFolder(r.document), r.expect);
    // A new panel starts there when no document is named.
    if (r.document.isEmpty()) {
      CSFilePanel panel;
      EXPECT_EQ(panel.directory().absolutePath(), r.expect);
    }
  }
}

TEST_F(FilePanelTest, ShownItIsWideEnoughForEveryColumn) {
  CSFilePanel panel;
  panel.resize(420, 360);
  show(panel);
  QCoreApplication::processEvents();
  const QHeaderView* header = tree->header();
  int last = header->count() - 1;
  while (last > 0 && header->isSectionHidden(last)) --last;
  ASSERT_GE(last, 3);  // name, size, kind, date
  const int lastRight = header->sectionViewportPosition(last) + header->sectionSize(last);
  EXPECT_LE(lastRight, tree->viewport()->width());
  // Each column is as wide as its title at least.
  for (int section = 1; section <= last; ++section) {
    if (!header->isSectionHidden(section)) EXPECT_GE(header->sectionSize(section), header->sectionSizeHint(section));
  }
  EXPECT_GT(panel.width(), 420);
  // The date column holds a date as the list writes it.
  const QString date = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
  EXPECT_GT(header->sectionSize(3), tree->fontMetrics().horizontalAdvance(date));
}

}  // namespace
