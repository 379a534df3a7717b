// Autosave recovery: at launch, the autosave packages left in the support
// folder by drawings whose changes were lost are offered back. Accepted ones
// open as locked recovery documents and are deleted at quit; declined ones
// are deleted at once. A package that cannot be read or opened may hold the
// only copy of lost work, so it is never deleted: it is renamed to the
// damaged extension, which is never offered again.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QStringDecoder>
#include <cerrno>

#include "model/DRDrawing.h"
#include "platform/AtomicSwap.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/Files.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRAutosaveRestorer.h"

const QString g_damagedAutosaveExtension = QStringLiteral("TWdraw_damaged");

namespace {

const QString kPathFileName = QStringLiteral("path.txt");

QString WithoutTrailingSlashes(const QString& path) {
  QString trimmed = path;
  while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
  return trimmed;
}

// The text of a package's "path.txt", or a null string with the reason in
// `*reason`. Only a regular file of at most kMaxAutosavePathBytes that is
// wholly valid UTF-8 is read; the open never waits on a named pipe.
QString ReadAutosavePath(const QString& package, QString* reason) {
  const QByteArray file = QFile::encodeName(package + QLatin1Char('/') + kPathFileName);
  const int fd = open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *reason = ErrorForUnixError(kFileOperationOpen, errno).reason();
    return QString();
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    *reason = FileErrorDescription(kFileErrorCantRead);
    return QString();
  }
  if (info.st_size > DRAppController::kMaxAutosavePathBytes) {
    close(fd);
    *reason = FileErrorDescription(kFileErrorTooBig);
    return QString();
  }
  // One byte more than the cap is asked for, so that a file that grew since
  // it was measured is still caught.
  QByteArray bytes(qsizetype(DRAppController::kMaxAutosavePathBytes) + 1, Qt::Uninitialized);
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(fd, bytes.data() + done, size_t(bytes.size() - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      close(fd);
      *reason = ErrorForUnixError(kFileOperationRead, error).reason();
      return QString();
    }
    if (got == 0) break;
    done += got;
  }
  close(fd);
  if (done > DRAppController::kMaxAutosavePathBytes) {
    *reason = FileErrorDescription(kFileErrorTooBig);
    return QString();
  }
  bytes.truncate(done);
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) {
    *reason = FileErrorDescription(kFileErrorBadFormat);
    return QString();
  }
  // An empty file reads as empty text, never as a null string.
  if (text.isNull()) text = QStringLiteral("");
  return text;
}

}  // namespace

QString DRAppController::setAsideAutosave(const QString& package) {
  const QString source = WithoutTrailingSlashes(package);
  const QFileInfo info(source);
  // A free name, so that an earlier damaged copy is never replaced.
  const QString target = UniqueFileName(info.path(), info.completeBaseName(), g_damagedAutosaveExtension);
  if (!QDir().rename(source, target)) {
    LogString("Can't set aside autosaved file %@", source);
    return QString();
  }
  return target;
}

bool DRAppController::removeAutosavePackage(const QString& path) {
  // Without the trailing slash, a link is removed itself rather than
  // followed to its target.
  const QString package = WithoutTrailingSlashes(path);
  if (package.isEmpty() || QFileInfo(package).suffix() != g_autosaveExtension) return false;
  return RemoveItemTree(package);
}

void DRAppController::checkAutosave() {
  const QString folder = g_drawSupportFolder;
  QList<QVariantMap> entries;
  QDir dir(folder);
  if (!folder.isEmpty() && dir.exists()) {
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
      // Exact case: only the packages this program writes are offered.
      if (QFileInfo(name).suffix() != g_autosaveExtension) continue;
      const QString package = StringByAppendingFile(folder, name, QString());
      QString reason;
      const QString path = ReadAutosavePath(package, &reason);
      if (path.isNull()) {
        LogString("Can't read autosaved file %@: %@", package, reason);
        setAsideAutosave(package);
        continue;
      }
      QVariantMap entry;
      entry.insert(QStringLiteral("name"), name);
      entry.insert(QStringLiteral("path"), path);
      entries.append(entry);
    }
  }

  if (!entries.isEmpty()) {
    // Over the front document window, so that the modal question is never
    // hidden behind the windows reopened at launch.
    CSDocumentWC* front = frontmostController();
    const bool open = m_autosaveQuestion
                          ? m_autosaveQuestion(entries)
                          : DRAutosaveRestorer::shouldOpenAutosaves(entries, front ? front->window() : nullptr);
    if (open) m_oldAutosaveFiles.clear();
    for (const QVariantMap& entry : entries) {
      const QString package = StringByAppendingFile(folder, entry.value(QStringLiteral("name")).toString(), QString());
      m_autosaveOverride = StringWithFormat("Autosave of %@ [Locked]",
                                            FileNameMinusExtension(entry.value(QStringLiteral("path")).toString()));
      if (!open) {
        removeAutosavePackage(package);
      } else if (applicationOpenFile(package)) {
        m_oldAutosaveFiles.append(package);
      } else {
        LogString("Can't open autosaved file %@", package);
        setAsideAutosave(package);
      }
    }
  }
  m_autosaveOverride.clear();
}
