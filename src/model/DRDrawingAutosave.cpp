// The autosave copy: while a drawing has unsaved changes, a native package
// named after the drawing's GUID is kept in the support folder, so that the
// application can offer it back after a crash. It is written at most every
// two minutes, by the timer only once the user has paused for five seconds,
// and deleted when the drawing closes or the application quits.

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <exception>

#include "model/DRDocumentHost.h"
#include "model/DRDrawing.h"
#include "model/DRModelServices.h"
#include "platform/AtomicSwap.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/Categories.h"

namespace {

constexpr int kAutosaveIntervalMilliseconds = 1000;
// The timer writes only after the last edit is this old.
constexpr double kAutosaveQuietSeconds = 5.0;
// No autosave sooner than this after the last autosave or save.
constexpr double kAutosaveMinimumSeconds = 120.0;

// The name the failure message gives a drawing that was never saved.
QString NameForLog(const QString& filePath) {
  return filePath.isEmpty() ? QStringLiteral("untitled") : LastPathComponent(filePath);
}

}  // namespace

void DRDrawing::enableAutosave() {
  if (!ModelServices().autosave()) {
    delete m_autosaveTimer;
    m_autosaveTimer = nullptr;
    return;
  }
  if (m_autosaveTimer) return;
  m_autosaveTimer = new QTimer(this);
  m_autosaveTimer->setInterval(kAutosaveIntervalMilliseconds);
  connect(m_autosaveTimer, &QTimer::timeout, this, [this] { autosaveTimerFired(true); });
  m_autosaveTimer->start();
}

void DRDrawing::autosaveTimerFired(bool fromTimer) {
  if (m_autosaving || isLocked()) return;
  if (m_documentHost && m_documentHost->hasAttachedSheet()) return;
  // The document's own flag: changes still in a painting tab are not in
  // the drawing yet, so they give nothing new to write.
  if (!CSDocument::isDirty() || !m_dirtySinceAutoSave) return;
  if (m_autosaveFailed || m_autosaveRecoveryDoc) return;
  DRModelServices& services = ModelServices();
  if (!services.autosave()) return;
  const QString folder = services.supportFolder();
  if (folder.isEmpty()) return;

  const double now = services.currentTime();
  if (fromTimer && now - m_lastEditTime < kAutosaveQuietSeconds) return;
  if (now - m_autosaveTime < kAutosaveMinimumSeconds) return;
  // The folder may have been removed while the application ran: made again,
  // or, when that fails, tried again on a later run rather than failed for
  // good.
  if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) return;

  m_autosaving = true;
  QString tempPath;
  try {
    tempPath = StringByAppendingFile(folder, GuidString(), g_autosaveExtension);
    CSError error;
    if (saveNative(tempPath, false, &error)) {
      const QString finalPath = StringByAppendingFile(folder, m_guid, g_autosaveExtension);
      // The new copy replaces the old one in a single step, so that a crash
      // at any moment leaves one readable copy behind.
      AtomicSwapResult swap;
      const bool moved = AtomicReplaceItem(tempPath, finalPath, &swap);
      if (!swap.leftOverPath.isEmpty()) RemoveItemTree(swap.leftOverPath);
      if (!m_autosaveFile.isEmpty() && m_autosaveFile != finalPath && m_autosaveFile != tempPath)
        RemoveItemTree(m_autosaveFile);
      // The stale copy left under the final name when the move failed
      // would never be deleted: the new one, under its temporary name, is
      // now the copy.
      if (!moved) RemoveItemTree(finalPath);
      m_autosaveFile = moved ? finalPath : tempPath;
      m_dirtySinceAutoSave = false;
      m_autosaveTime = services.currentTime();
    } else {
      LogString("Autosave of %@ failed: %@", NameForLog(filePath()), error.reason());
      // A half-written package must not be offered back after a crash.
      RemoveItemTree(tempPath);
      m_autosaveFailed = true;
    }
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("Autosave failed"));
    if (!tempPath.isEmpty() && tempPath != m_autosaveFile) RemoveItemTree(tempPath);
    m_autosaveFailed = true;
  } catch (...) {
    LogException(QStringLiteral("unknown exception"), QStringLiteral("Autosave failed"));
    if (!tempPath.isEmpty() && tempPath != m_autosaveFile) RemoveItemTree(tempPath);
    m_autosaveFailed = true;
  }
  m_autosaving = false;
}

void DRDrawing::releaseAutoSave() {
  delete m_autosaveTimer;
  m_autosaveTimer = nullptr;
  if (!m_autosaveFile.isEmpty()) {
    RemoveItemTree(m_autosaveFile);
    m_autosaveFile.clear();
  }
}
