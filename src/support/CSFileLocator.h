#pragma once
// Remembers where a file is in a way that survives the file being renamed
// or moved: its path, how it is reached (locally or through a synchronised
// cloud folder) and a bookmark of the file's identity (device and inode),
// with which a moved file is found again by a bounded search (see verify).
// Locators of the reopen list are stored as text; a binary form exists too.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

class CSFileLocator {
 public:
  // Access methods; the names are the archive's keywords.
  enum Method : int32_t {
    kMethodNil = 0,
    kMethodAlias = 1,
    kMethodLocal = 2,
    kMethodCloud = 3,
    kMethodDropbox = 4,
    kMethodGoogle = 5,
    kMethodWuala = 6,
    kMethodOneDrive = 7,
    kMethodUnknown = 8,  // what an unknown name reads as
  };

  // Caps on outside data. A path longer than PATH_MAX many times over is not
  // a path; a bookmark of ours is 16 bytes, foreign ones are kept up to a
  // generous size; a text archive holds both, escaped.
  static constexpr uint32_t kMaxPathBytes = 64 * 1024;
  static constexpr qsizetype kMaxBookmarkBytes = 64 * 1024;
  static constexpr qsizetype kMaxArchiveLength = 1024 * 1024;
  static constexpr qsizetype kBinaryHeaderSize = 16;
  static constexpr qsizetype kBookmarkSize = 16;  // device and inode, little-endian
  // The most folder entries one search for a moved file reads, so that a
  // reopen list with lost files still opens at once.
  static constexpr int64_t kMaxSearchEntries = 10000;

  static QString methodName(int32_t method);         // "_local_"; empty for 8 and beyond
  static QString methodDisplayName(int32_t method);  // "Dropbox"; empty for 0-3
  static int32_t methodFromName(const QString& name);
  static int32_t methodFromPath(const QString& path);
  static bool isMethodCloudBased(int32_t method);  // 4-7
  static bool isPathCloudBased(const QString& path);

  CSFileLocator() = default;
  // Takes the method from the path when `method` is 0, and bookmarks the file.
  explicit CSFileLocator(const QString& path, int32_t method = kMethodNil);

  // A text archive; nothing for text that is not one. Malformed text
  // ("Malformed locator %@") and unknown methods ("Unknown locator %@") are
  // logged; short text or text not starting with "-" or "_" is refused quietly.
  static std::optional<CSFileLocator> initWithArchive(const QString& text);
  // A string is read as a text archive; anything else gives nothing.
  static std::optional<CSFileLocator> initWithObject(const QVariant& object);
  // A binary archive; anything malformed gives nothing, quietly.
  static std::optional<CSFileLocator> initWithBinaryArchive(const QByteArray& data);

  // Six components joined by "."; line feeds escaped only with `escapeReturns`.
  QString archive(bool escapeReturns) const;
  // The binary form; empty when the path is longer than kMaxPathBytes.
  QByteArray createBinaryArchive() const;

  // Finds the file: at its path, else by its bookmark (the locator then
  // takes the new path). Linux has no lookup by file identity, so a moved
  // file is searched for: in the folder it was in, then in the tree of that
  // folder's parent, then in the Desktop, Documents and Downloads trees,
  // reading at most kMaxSearchEntries entries, never following symbolic
  // links, staying on the file's device and skipping hidden folders below
  // those starting points. `stale` learns whether the bookmark was made
  // anew, so the caller knows to store the locator again. Volumes are never
  // mounted here; `allowMount` is accepted for callers that ask. `error`
  // receives the reason when the file cannot be found.
  bool verify(bool* stale = nullptr);
  bool verify(bool* stale, bool allowMount, QString* error);

  bool isInTrash() const;
  QString displayText() const;
  bool isEqual(const CSFileLocator& other) const { return isEqualToPath(other.m_path); }
  bool isEqualToPath(const QString& path) const;
  bool operator==(const CSFileLocator& other) const { return isEqual(other); }

  bool isCloudBased() const { return isMethodCloudBased(m_method); }
  // Cloud folders on Linux are plain folders kept in step by a daemon of the
  // user's: "dropbox", "insync" (Google Drive), "wuala" or "onedrive".
  // Local and alias locators answer true, nil and generic cloud ones false;
  // a cloud service runs when a process of this user by its daemon's name
  // does.
  bool isServiceRunning() const;
  // True when the service runs; otherwise starts its daemon ("dropbox
  // start", "insync start", "wuala", "onedrive --monitor") when that command
  // is on the PATH, and answers whether it could be started.
  bool runService();
  // The daemon's process name of a cloud method; empty for the others.
  static QString serviceProcessName(int32_t method);

  // Bookmarks the file at the path; false, keeping the old bookmark, when
  // nothing is there.
  bool setBookmarkFromPath();

  int32_t method() const { return m_method; }
  void setMethod(int32_t method) { m_method = method; }
  QString path() const { return m_path; }
  void setPath(const QString& path) { m_path = path; }
  QByteArray bookmark() const { return m_bookmark; }
  void setBookmark(const QByteArray& bookmark) { m_bookmark = bookmark; }
  bool isFolder() const { return m_folder; }
  void setFolder(bool folder) { m_folder = folder; }
  bool isSandboxed() const { return m_sandboxed; }
  void setSandboxed(bool sandboxed) { m_sandboxed = sandboxed; }

 private:
  int32_t m_method = kMethodNil;
  QString m_path;
  QByteArray m_bookmark;
  bool m_folder = false;
  bool m_sandboxed = false;
};
