#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <optional>
#include <vector>

#include "platform/AtomicSwap.h"
#include "platform/ExtendedAttributes.h"
#include "platform/NotificationCenter.h"
#include "support/CSAlertPresenter.h"
#include "support/CSDocument.h"
#include "support/CSDocumentWindow.h"
#include "support/FileErrors.h"
#include "support/Files.h"
#include "testkit/TestFiles.h"

namespace {

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString Reason(int errorNumber) {
  return ErrorForUnixError(kFileOperationWrite, errorNumber).failureReason();
}

const QRegularExpression kGuidName(
    QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.svg$"));

class RecordingWindow : public CSDocumentWindow {
 public:
  void setTitle(const QString& title) override { titles.push_back(title); }
  void setDocumentEdited(bool edited) override { editedMark = edited; }
  void setRepresentedFilename(const QString& path) override { representedPath = path; }
  void redrawContent() override { ++redraws; }

  std::vector<QString> titles;
  bool editedMark = true;
  QString representedPath;
  int redraws = 0;
};

// Writes `content` as a file, or as a package folder holding it in
// "drawing.xml"; can fail or turn the save into a copy.
class TestDocument : public CSDocument {
 public:
  bool saveCore(const QString& path, bool inPlace, CSError* error) override {
    writtenPaths.push_back(path);
    inPlaceSeen = inPlace;
    finalPathSeen = finalSavePath();
    if (forceCopy) setForceSaveCopy(true);
    if (writeNothing) return true;
    if (package) {
      if (!QDir().mkpath(path)) return false;
      WriteBytes(path + "/drawing.xml", content);
    } else {
      WriteBytes(path, content);
    }
    if (failError) {
      *error = *failError;
      return false;
    }
    if (failReason.isEmpty()) return true;
    *error = ErrorForReason(failReason, 0);
    return false;  // after writing part of it, as a real writer might
  }
  bool makeBackups() override { return backups; }
  void attachToSavedFile() override { ++attaches; }
  QString windowTitleSuffix() override { return suffix; }

  QByteArray content = "new";
  bool package = false;
  bool backups = true;
  bool forceCopy = false;
  bool writeNothing = false;  // answers success without writing: a faulty writer
  QString failReason;
  std::optional<CSError> failError;  // fails with this error as it stands
  QString suffix;
  std::vector<QString> writtenPaths;
  std::vector<QString> recentFiles;
  bool inPlaceSeen = false;
  QString finalPathSeen;
  int attaches = 0;

 protected:
  void recordRecentFile(const QString& path) override { recentFiles.push_back(path); }
};

// Fails the given swap steps with EACCES for as long as it lives.
class FaultHook {
 public:
  explicit FaultHook(std::function<int(AtomicSwapStep)> hook) { m_previous = SetAtomicSwapFaultHook(std::move(hook)); }
  ~FaultHook() { SetAtomicSwapFaultHook(m_previous); }
  FaultHook(const FaultHook&) = delete;
  FaultHook& operator=(const FaultHook&) = delete;

 private:
  AtomicSwapFaultHook m_previous;
};

class CSDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    CSRecordingAlertPresenter::shared().clear();
    m_document.setWindowController(&m_window);
    NotificationCenter::defaultCenter().addObserver(this, g_documentRenamedNotification, &m_document,
                                                    [this](const CSNotification&) { ++m_renames; });
  }
  void TearDown() override { NotificationCenter::defaultCenter().removeObserver(this); }

  QString path(const QString& name) const { return m_dir.filePath(name); }

  // The document attached to an existing file with unsaved changes.
  void openDocument(const QString& name) {
    ASSERT_TRUE(m_document.loadNativeFile(path(name)));
    m_document.setDirty(true);
    m_window.editedMark = true;
  }

  std::vector<CSRecordingAlertPresenter::Alert> alerts() const { return CSRecordingAlertPresenter::shared().alerts(); }

  QTemporaryDir m_dir;
  RecordingWindow m_window;
  TestDocument m_document;
  int m_renames = 0;
};

}  // namespace

// ---- Saving in place ---------------------------------------------------------------

TEST_F(CSDocumentTest, InPlaceSaveKeepsTheOldVersionAsBackupOnlyWhenAsked) {
  struct Row {
    const char* name;
    const char* backup;
    bool backups;
  };
  const Row rows[] = {
      {"Plan.svg", "Plan~.svg", true},
      {"Plan.svg", "Plan~.svg", false},
      {"Plan", "Plan~", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + (row.backups ? " with backups" : " without backups"));
    QDir(m_dir.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(m_dir.path()));
    CSRecordingAlertPresenter::shared().clear();
    m_renames = 0;
    m_document.recentFiles.clear();
    const QString target = path(row.name), backup = path(row.backup);
    WriteBytes(target, "old");
    WriteBytes(backup, "an earlier backup");
    openDocument(row.name);
    m_document.backups = row.backups;
    m_document.content = "new";

    // The target must hold an item whenever the file layer is about to act.
    bool targetAlwaysThere = true;
    bool ok = false;
    {
      FaultHook watch([&](AtomicSwapStep) {
        if (!QFileInfo::exists(target)) targetAlwaysThere = false;
        return 0;
      });
      ok = m_document.save();
    }
    ASSERT_TRUE(ok);
    EXPECT_TRUE(targetAlwaysThere);
    EXPECT_TRUE(m_document.inPlaceSeen);
    EXPECT_EQ(m_document.finalPathSeen, target);
    EXPECT_TRUE(m_document.finalSavePath().isEmpty());
    EXPECT_EQ(ReadBytes(target), "new");
    if (row.backups) {
      EXPECT_EQ(ReadBytes(backup), "old");
      EXPECT_EQ(Entries(m_dir.path()), QStringList({row.name, row.backup}));
    } else {
      EXPECT_EQ(Entries(m_dir.path()), QStringList({row.name}));
    }
    EXPECT_TRUE(alerts().empty());
    EXPECT_EQ(m_document.filePath(), target);
    EXPECT_FALSE(m_document.isDirty());
    EXPECT_FALSE(m_window.editedMark);
    EXPECT_EQ(m_window.titles.back(), QString::fromUtf8(row.name));
    EXPECT_EQ(m_renames, 1);
    EXPECT_EQ(m_document.recentFiles, std::vector<QString>({target}));
  }
}

TEST_F(CSDocumentTest, PackageFolderSavedInPlace) {
  for (const bool backups : {true, false}) {
    SCOPED_TRACE(backups ? "with backups" : "without backups");
    QDir(m_dir.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(path("Plan.TWdraw")));
    WriteBytes(path("Plan.TWdraw/drawing.xml"), "old");
    WriteBytes(path("Plan.TWdraw/old-only"), "x");
    openDocument("Plan.TWdraw");
    m_document.package = true;
    m_document.backups = backups;

    ASSERT_TRUE(m_document.save());
    EXPECT_EQ(Entries(path("Plan.TWdraw")), QStringList({"drawing.xml"}));
    EXPECT_EQ(ReadBytes(path("Plan.TWdraw/drawing.xml")), "new");
    if (backups) {
      EXPECT_EQ(Entries(m_dir.path()), QStringList({"Plan.TWdraw", "Plan~.TWdraw"}));
      EXPECT_EQ(ReadBytes(path("Plan~.TWdraw/drawing.xml")), "old");
      EXPECT_TRUE(QFileInfo::exists(path("Plan~.TWdraw/old-only")));
    } else {
      EXPECT_EQ(Entries(m_dir.path()), QStringList({"Plan.TWdraw"}));
    }
    EXPECT_EQ(m_document.filePath(), path("Plan.TWdraw"));
    EXPECT_TRUE(alerts().empty());
  }
}

TEST_F(CSDocumentTest, InPlaceSaveCarriesLabelAndHiddenExtensionOver) {
  if (!UserAttributesWork(m_dir.path())) GTEST_SKIP() << "this file system keeps no user attributes";
  WriteBytes(path("Plan.svg"), "old");
  FinderAttributes record;
  record.labelNumber = 5;
  record.extensionHidden = true;
  record.valid = true;
  SetFinderAttributes(path("Plan.svg"), record);
  openDocument("Plan.svg");
  EXPECT_EQ(m_window.titles.back(), "Plan");

  ASSERT_TRUE(m_document.save());
  FinderAttributes saved;
  GetFinderAttributes(path("Plan.svg"), &saved);
  EXPECT_EQ(saved.labelNumber, 5u);
  EXPECT_TRUE(saved.extensionHidden);
  EXPECT_EQ(m_window.titles.back(), "Plan");
}

// ---- Failures ----------------------------------------------------------------------

TEST_F(CSDocumentTest, FailedSaveQuotesTheErrorsReason) {
  // The alert quotes the error's reason: its failure reason, else its
  // description, else the library's text for an unknown error.
  struct Row {
    CSError error;
    const char* shown;
  } rows[] = {
      {CSError(), "An unknown error occurred."},
      {CSError(CSError::kOSStatusDomain, -36), "An unknown error occurred."},
      {CSError(CSError::kPOSIXDomain, 5, QString(), "The drive went away."), "The drive went away."},
      {CSError(CSError::kOSStatusDomain, 1, "The \u201Cdisk\u201D isn\u2019t there.", "ignored"),
       "The \"disk\" isn't there."},
  };
  WriteBytes(path("Plan.svg"), "old");
  openDocument("Plan.svg");
  for (const Row& row : rows) {
    CSRecordingAlertPresenter::shared().clear();
    m_document.failError = row.error;
    EXPECT_FALSE(m_document.save());
    const auto shown = alerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].moreInfo, QStringLiteral("I can't save the document to \"Plan.svg\". ") + row.shown);
    EXPECT_EQ(ReadBytes(path("Plan.svg")), "old");
  }
  m_document.failError.reset();
}

TEST_F(CSDocumentTest, FailedSaveLeavesTheOldFileAndNoTemporaryItem) {
  WriteBytes(path("Plan.svg"), "old");
  openDocument("Plan.svg");
  const size_t titlesBefore = m_window.titles.size();

  {
    SCOPED_TRACE("the writer fails");
    WriteBytes(path("Plan~.svg"), "an earlier backup");
    m_document.failReason = "The disk is full.";
    EXPECT_FALSE(m_document.save());
    m_document.failReason.clear();
    EXPECT_EQ(ReadBytes(path("Plan.svg")), "old");
    EXPECT_EQ(ReadBytes(path("Plan~.svg")), "an earlier backup");
    EXPECT_EQ(Entries(m_dir.path()), QStringList({"Plan.svg", "Plan~.svg"}));
    const auto shown = alerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "Save failed.");
    EXPECT_EQ(shown[0].moreInfo, "I can't save the document to \"Plan.svg\". The disk is full.");
  }
  {
    SCOPED_TRACE("the writer answers success but writes nothing");
    CSRecordingAlertPresenter::shared().clear();
    m_document.writeNothing = true;
    EXPECT_FALSE(m_document.save());
    m_document.writeNothing = false;
    EXPECT_EQ(ReadBytes(path("Plan.svg")), "old");
    EXPECT_EQ(ReadBytes(path("Plan~.svg")), "an earlier backup");
    const auto shown = alerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].moreInfo.startsWith("I can't save the document to \"Plan.svg\". "));
  }
  for (const bool package : {false, true}) {
    SCOPED_TRACE(package ? "the old package cannot become the backup" : "the old file cannot become the backup");
    QDir(m_dir.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(m_dir.path()));
    if (package) {
      ASSERT_TRUE(QDir().mkpath(path("Plan.svg")));
      WriteBytes(path("Plan.svg/drawing.xml"), "old");
    } else {
      WriteBytes(path("Plan.svg"), "old");
    }
    m_document.package = package;
    CSRecordingAlertPresenter::shared().clear();
    // Moving into the emptied backup name is the only move onto a free name.
    FaultHook fail([](AtomicSwapStep step) { return step == AtomicSwapStep::MoveIn ? EACCES : 0; });
    EXPECT_FALSE(m_document.save());
    EXPECT_EQ(ReadBytes(package ? path("Plan.svg/drawing.xml") : path("Plan.svg")), "old");
    EXPECT_EQ(Entries(m_dir.path()), QStringList({"Plan.svg"}));
    const auto shown = alerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "Save failed.");
    EXPECT_EQ(shown[0].moreInfo, QString("I can't rename the old version of \"Plan.svg\" to the backup name \"%1\": %2")
                                     .arg(path("Plan~.svg"), Reason(EACCES)));
  }
  m_document.package = false;

  EXPECT_EQ(m_document.filePath(), path("Plan.svg"));
  EXPECT_TRUE(m_document.isDirty());
  EXPECT_TRUE(m_document.finalSavePath().isEmpty());
  EXPECT_EQ(m_window.titles.size(), titlesBefore);
  EXPECT_TRUE(m_window.editedMark);
  EXPECT_EQ(m_renames, 0);
  EXPECT_TRUE(m_document.recentFiles.empty());
}

TEST_F(CSDocumentTest, FinalMoveFailureLeavesTheDocumentOnItsGuidPath) {
  struct Row {
    const char* label;
    bool oldFile;
    bool backups;
    AtomicSwapStep failing;
  };
  const Row rows[] = {
      {"replacing without backups", true, false, AtomicSwapStep::Replace},
      {"exchanging with backups", true, true, AtomicSwapStep::Exchange},
      {"moving onto a free name", false, true, AtomicSwapStep::MoveIn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    QDir(m_dir.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(m_dir.path()));
    CSRecordingAlertPresenter::shared().clear();
    m_renames = 0;
    if (row.oldFile) WriteBytes(path("Plan.svg"), "old");
    m_document.setFilePath(QString());
    m_document.setDirty(true);
    m_document.backups = row.backups;

    bool ok = false;
    {
      FaultHook fail([&](AtomicSwapStep step) { return step == row.failing ? EIO : 0; });
      ok = m_document.saveTo(path("Plan.svg"), false, false);
    }
    ASSERT_TRUE(ok);
    const QString saved = m_document.filePath();
    EXPECT_EQ(QFileInfo(saved).absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
    EXPECT_TRUE(kGuidName.match(QFileInfo(saved).fileName()).hasMatch()) << saved.toStdString();
    EXPECT_EQ(ReadBytes(saved), "new");
    EXPECT_EQ(ReadBytes(path("Plan.svg")), row.oldFile ? QByteArray("old") : QByteArray("<missing>"));
    EXPECT_EQ(Entries(m_dir.path()).size(), row.oldFile ? qsizetype(2) : qsizetype(1));
    const auto shown = alerts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "Save failed.");
    EXPECT_EQ(shown[0].moreInfo,
              QString("I can't save \"Plan.svg\" to the requested name; it was saved with the name \"%1\": %2")
                  .arg(QFileInfo(saved).fileName(), Reason(EIO)));
    EXPECT_FALSE(m_document.isDirty());
    EXPECT_EQ(m_renames, 1);
  }
}

// ---- Copies ------------------------------------------------------------------------

TEST_F(CSDocumentTest, SaveAsCopyLeavesTheDocumentAsItWas) {
  struct Row {
    const char* label;
    const char* requested;
    const char* written;
    bool asCopy;
    bool forceCopy;
  };
  const Row rows[] = {
      {"asked as a copy", "Copy.svg", "Copy.svg", true, false},
      {"the writer makes it a copy", "Copy.svg", "Copy.svg", false, true},
      // A web page loses its extension and is never adopted.
      {"a web page", "Page.html", "Page", false, false},
      {"a web page named with a trailing slash", "Slash.html/", "Slash", false, false},
  };
  WriteBytes(path("Plan.svg"), "old");
  openDocument("Plan.svg");
  const std::vector<QString> titles = m_window.titles;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    m_document.forceCopy = row.forceCopy;
    ASSERT_TRUE(m_document.saveTo(path(row.requested), false, row.asCopy));
    EXPECT_EQ(ReadBytes(path(row.written)), "new");
    EXPECT_EQ(m_document.filePath(), path("Plan.svg"));
    EXPECT_TRUE(m_document.isDirty());
    EXPECT_TRUE(m_window.editedMark);
    EXPECT_EQ(m_window.titles, titles);
    EXPECT_EQ(m_document.attaches, 0);
    EXPECT_EQ(m_renames, 0);
    EXPECT_TRUE(m_document.recentFiles.empty());
    EXPECT_TRUE(alerts().empty());
  }
  EXPECT_TRUE(m_document.writtenPaths.back().endsWith(".html"));
  EXPECT_EQ(ReadBytes(path("Plan.svg")), "old");
  // The second copy replaced the first, which became its backup.
  EXPECT_EQ(Entries(m_dir.path()), QStringList({"Copy.svg", "Copy~.svg", "Page", "Plan.svg", "Slash"}));
}

// ---- Titles ------------------------------------------------------------------------

TEST_F(CSDocumentTest, Titles) {
  m_document.suffix = " (Layers)";
  m_document.setWindowTitle();
  EXPECT_EQ(m_window.titles.back(), "Untitled (Layers)");
  EXPECT_FALSE(m_document.isLocked());

  WriteBytes(path("Plan.svg"), "old");
  ASSERT_EQ(chmod(QFile::encodeName(path("Plan.svg")).constData(), 0444), 0);
  ASSERT_TRUE(m_document.loadNativeFile(path("Plan.svg")));
  EXPECT_EQ(m_window.titles.back(), QString::fromUtf8("Plan.svg (Layers) \u2014 [Locked]"));
  EXPECT_TRUE(m_document.isLocked());
  EXPECT_EQ(m_window.representedPath, path("Plan.svg"));

  ASSERT_EQ(chmod(QFile::encodeName(path("Plan.svg")).constData(), 0644), 0);
  m_document.setWindowTitle();
  EXPECT_EQ(m_window.titles.back(), "Plan.svg (Layers)");
  EXPECT_FALSE(m_document.isLocked());
}

TEST_F(CSDocumentTest, RevertCleansTheWindow) {
  openDocument("Plan.svg");
  m_document.revert();
  EXPECT_FALSE(m_document.isDirty());
  EXPECT_FALSE(m_window.editedMark);
  EXPECT_EQ(m_window.redraws, 1);
  EXPECT_FALSE(CSDocument().save());  // nothing to save over while untitled
}
