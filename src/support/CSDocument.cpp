#include "support/CSDocument.h"

#include <sys/stat.h>

#include <QFile>

#include <QFileInfo>
#include <cerrno>

#include "platform/AtomicSwap.h"
#include "platform/NotificationCenter.h"
#include "platform/PathParts.h"
#include "support/CSAppDelegate.h"
#include "support/CSCore.h"
#include "support/CSDocumentWindow.h"
#include "support/CSKernel.h"
#include "support/Categories.h"

const QString g_documentRenamedNotification = QStringLiteral("csdocument.rename");

namespace {

const QString kSaveFailed = QStringLiteral("Save failed.");

// The text after the name's last dot; a leading dot (a hidden name) starts
// no extension.
QString ExtensionOf(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? name.mid(dot + 1) : QString();
}

QString ReasonForErrno(int errorNumber) {
  return ErrorForUnixError(kFileOperationWrite, errorNumber ? errorNumber : EIO).failureReason();
}

void GiveSaveFailedAlert(const QString& message) {
  GiveSimpleAlert(kSaveFailed, message);
}

}  // namespace

CSDocument::CSDocument() : m_printInfo(CSPrintInfo::sharedPrintInfo()) {}

CSDocument::~CSDocument() {
  // Queued calls and timers tied to this object end with QObject; observers
  // registered under the document go here.
  NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- Hooks ---------------------------------------------------------------------

bool CSDocument::saveCore(const QString& path, bool inPlace, CSError* error) {
  (void)path;
  (void)inPlace;
  (void)error;
  return false;
}

bool CSDocument::modifyFinderAttributes(FinderAttributes* record) {
  (void)record;
  return false;
}

void CSDocument::prepareToSave(bool flag) {
  (void)flag;
}

bool CSDocument::loadNativeFile(const QString& path) {
  setFilePath(path);
  setWindowTitle();
  return true;
}

void CSDocument::revert() {
  if (m_windowController) {
    m_windowController->setDocumentEdited(false);
    m_windowController->redrawContent();
  }
  m_dirty = false;
}

void CSDocument::recordRecentFile(const QString& path) {
  // Only a running application has a kernel; a document alone records nothing.
  CSKernel* kernel = CSKernel::existingInstance();
  if (CSAppDelegate* delegate = kernel ? kernel->appDelegate() : nullptr) delegate->recordRecentFile(path);
}

// ---- Saving --------------------------------------------------------------------

bool CSDocument::save() {
  if (m_filePath.isEmpty()) return false;
  return saveTo(m_filePath, true, false);
}

bool CSDocument::saveTo(const QString& path, bool inPlace, bool asCopy) {
  m_finalSavePath = path;
  QString targetPath = path;
  QString name = LastComponentOfPath(path);
  QString extension = ExtensionOf(name);
  const QString folder = ParentFolderOfPath(path);
  const QString tempPath =
      folder + QLatin1Char('/') + GuidString() + (extension.isEmpty() ? QString() : QLatin1Char('.') + extension);

  // A page written for the web is exported beside the drawing, never adopted.
  bool isCopy = asCopy;
  if (extension.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0) {
    name = FileNameMinusExtension(name);
    targetPath = StringByReplacingExtension(targetPath, QString());
    extension.clear();
    isCopy = true;
  }

  FinderAttributes record;
  if (!m_filePath.isEmpty()) GetFinderAttributes(m_filePath, &record);

  m_forceSaveCopy = false;
  CSError error;
  bool written = saveCore(tempPath, inPlace, &error);
  // A writer that answers YES but left nothing behind must not make the
  // document adopt a path with no file at it.
  struct stat info {};
  if (written && lstat(QFile::encodeName(tempPath).constData(), &info) != 0) {
    written = false;
    error = ErrorForUnixError(kFileOperationWrite, ENOENT);
  }
  if (!written) {
    GiveSaveFailedAlert(StringWithFormat("I can't save the document to \"%@\". %@", name, error.reason()));
    RemoveItemAtPath(tempPath);
    m_finalSavePath.clear();
    return false;
  }
  if (m_forceSaveCopy) isCopy = true;

  const QString backupPath =
      folder + QLatin1Char('/') +
      (extension.isEmpty() ? name + QLatin1Char('~') : FileNameMinusExtension(name) + QStringLiteral("~.") + extension);
  RemoveItemAtPath(backupPath);

  // The new item takes the target's place in one step, so the target never
  // goes missing. With backups the old item comes back at a temporary name
  // and only then moves to the backup name; if it cannot, the two swap back.
  QString savedPath = targetPath;
  AtomicSwapResult swap;
  bool placed = false;
  if (!makeBackups()) {
    placed = AtomicReplaceItem(tempPath, targetPath, &swap);
  } else {
    placed = AtomicExchangeItem(tempPath, targetPath, &swap);
    if (placed && !swap.oldItemPath.isEmpty()) {
      const QString oldItemPath = swap.oldItemPath;
      AtomicSwapResult backup;
      if (!AtomicReplaceItem(oldItemPath, backupPath, &backup)) {
        AtomicSwapResult back;
        if (AtomicExchangeItem(oldItemPath, targetPath, &back)) {
          RemoveItemAtPath(back.oldItemPath);
        } else {
          // The new version is at the target; keep the old one where it lies.
          LogString("The old version of \"%@\" was left at \"%@\".", name, oldItemPath);
        }
        GiveSaveFailedAlert(StringWithFormat("I can't rename the old version of \"%@\" to the backup name \"%@\": %@",
                                             name, backupPath, ReasonForErrno(backup.errorNumber)));
        m_finalSavePath.clear();
        return false;
      }
    }
  }
  if (!placed) {
    // The target still holds the old item (or nothing); the new one stays
    // under its temporary name and the document carries on with it.
    if (!swap.leftOverPath.isEmpty())
      LogString("The old version of \"%@\" was left at \"%@\".", name, swap.leftOverPath);
    GiveSaveFailedAlert(
        StringWithFormat("I can't save \"%@\" to the requested name; it was saved with the name \"%@\": %@", name,
                         LastComponentOfPath(tempPath), ReasonForErrno(swap.errorNumber)));
    savedPath = tempPath;
  }

  // The saved file is a new item: give it the label and hidden extension
  // of the file it replaces, or what the subclass asks for.
  if (inPlace) {
    record.valid = true;
    SetFinderAttributes(savedPath, record);
  } else if (modifyFinderAttributes(&record)) {
    record.valid = true;
    SetFinderAttributes(savedPath, record);
  }

  if (!isCopy) {
    setFilePath(savedPath);
    attachToSavedFile();
    setWindowTitle();
    if (m_windowController) m_windowController->setDocumentEdited(false);
    NotificationCenter::defaultCenter().post(g_documentRenamedNotification, this);
    recordRecentFile(savedPath);
    m_dirty = false;
  }
  m_finalSavePath.clear();
  return true;
}

// ---- Title -----------------------------------------------------------------------

void CSDocument::setWindowTitle() {
  const QString suffix = windowTitleSuffix();
  QString title;
  if (!m_filePath.isEmpty()) {
    FinderAttributes record;
    GetFinderAttributes(m_filePath, &record);
    m_locked = record.immutable || !IsFileMutable(m_filePath);
    QString name = LastComponentOfPath(m_filePath);
    if (record.extensionHidden) name = FileNameMinusExtension(name);
    title = name + suffix;
    if (m_locked) title += QStringLiteral(" \u2014 [Locked]");
    if (m_windowController) m_windowController->setRepresentedFilename(m_filePath);
  } else {
    title = untitledWindowName() + suffix;
  }
  if (m_windowController) m_windowController->setTitle(title);
}
