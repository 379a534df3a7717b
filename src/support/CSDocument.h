#pragma once
// The base of every document model: the file it is attached to, its page
// set-up, its dirty, locked and private flags and the window showing it. It
// owns the safe save: the subclass writes the whole document to a new item
// beside the target, which then takes the target's place without the target
// ever going missing, the old version optionally kept as a "~" backup.

#include <QObject>
#include <QString>

#include "support/CSPrintInfo.h"
#include "support/FileErrors.h"
#include "support/Files.h"

class CSDocumentWindow;

extern const QString g_documentRenamedNotification;  // "csdocument.rename", the document as object

class CSDocument : public QObject {
  Q_OBJECT
 public:
  CSDocument();
  ~CSDocument() override;
  CSDocument(const CSDocument&) = delete;
  CSDocument& operator=(const CSDocument&) = delete;

  // ---- Fields --------------------------------------------------------------------

  CSDocumentWindow* windowController() const { return m_windowController; }
  void setWindowController(CSDocumentWindow* controller) { m_windowController = controller; }  // not owned

  const CSPrintInfo& printInfo() const { return m_printInfo; }
  void setPrintInfo(const CSPrintInfo& info) { m_printInfo = info; }

  // Empty while the document is untitled.
  const QString& filePath() const { return m_filePath; }
  void setFilePath(const QString& path) { m_filePath = path; }

  // The target of the save in progress, for the writer; empty otherwise.
  const QString& finalSavePath() const { return m_finalSavePath; }
  void setFinalSavePath(const QString& path) { m_finalSavePath = path; }

  // Cleared before the writer runs; a writer that sets it makes the save a
  // copy, so the document keeps its old path.
  bool forceSaveCopy() const { return m_forceSaveCopy; }
  void setForceSaveCopy(bool value) { m_forceSaveCopy = value; }

  virtual bool isDirty() const { return m_dirty; }
  void setDirty(bool dirty) { m_dirty = dirty; }

  // The file may not be changed; set by setWindowTitle().
  bool isLocked() const { return m_locked; }
  void setLocked(bool locked) { m_locked = locked; }

  // A private document stays out of the files reopened at the next launch.
  bool privateDocument() const { return m_privateDocument; }
  void setPrivateDocument(bool value) { m_privateDocument = value; }

  // ---- Saving --------------------------------------------------------------------

  // Saves over the document's own file; false when it has none.
  bool save();
  // The safe save to `path`. `inPlace` when `path` is the document's own
  // file; `asCopy` writes the file but leaves the document as it was. Every
  // failure is reported with the alert "Save failed." and answers false,
  // except a new file that could not take the target's name: that save
  // counts, and the document moves to the name the file was written under.
  bool saveTo(const QString& path, bool inPlace, bool asCopy);

  // The title: the file name (without its extension when that is hidden),
  // the suffix and " — [Locked]" for a file that may not be changed; while
  // untitled, the untitled name and the suffix.
  void setWindowTitle();

  // ---- Hooks ---------------------------------------------------------------------

  // Writes the whole document to `path` (a file or a package folder).
  // Answers false with a reason in `error` when it cannot.
  virtual bool saveCore(const QString& path, bool inPlace, CSError* error);
  // Keep the old version under the backup name.
  virtual bool makeBackups() { return true; }
  // For a save that is not in place: edits the attributes the saved file
  // gets; answer true to have them written.
  virtual bool modifyFinderAttributes(FinderAttributes* record);
  // After a save that adopted its path.
  virtual void attachToSavedFile() {}
  // Called by the window before it saves and before it closes.
  virtual void prepareToSave(bool flag);
  virtual void prepareToClose() {}
  virtual QString windowTitleSuffix() { return QString(); }
  virtual QString untitledWindowName() { return QStringLiteral("Untitled"); }
  // A subclass reads the file, then calls up: the document takes the path
  // and its title.
  virtual bool loadNativeFile(const QString& path);
  // A subclass reloads, then calls up: the window loses its edited mark and
  // repaints, and the document is clean.
  virtual void revert();

 protected:
  // Adds a saved file to the recently used documents through the
  // application delegate, when the application has given one.
  virtual void recordRecentFile(const QString& path);

 private:
  CSDocumentWindow* m_windowController = nullptr;
  CSPrintInfo m_printInfo;
  QString m_filePath;
  QString m_finalSavePath;
  bool m_forceSaveCopy = false;
  bool m_dirty = false;
  bool m_locked = false;
  bool m_privateDocument = false;
};
