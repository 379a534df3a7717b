#pragma once
// The application kernel: made once at launch, it fills the shared globals
// the whole system reads (versions, names, the advanced-user switch, the dark
// appearance and the panel colours that follow it), keeps the application
// delegate for the library, and announces appearance changes.

#include "support/CSCore.h"

#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>

class CSAppDelegate;
class QSettings;

// ---- Globals set by the kernel (read-only elsewhere) -----------------------

extern QString g_appVersionString;  // the application's version text
extern QString g_appName;           // the application's name
extern QString g_bootVolumeName;    // the display name of the root file system
extern bool g_advancedUser;         // the advanced-user marker file exists
// Panel backgrounds of the current appearance: Kolor 0x64E6E6E6 and 0x64F8ECE5
// when light, both 0x64262626 when dark.
extern QColor g_formatPanelBackground;
extern QColor g_outlineViewBackground;

extern const QString g_advancedUserFile;             // "TindleWick Advanced User"
extern const QString g_darkModeChangedNotification;  // "tindlewick.darkMode"

// Where the kernel reads its outside facts; the defaults are the real ones,
// tests point them at their own files.
struct CSKernelOptions {
  QString osReleasePath = QStringLiteral("/etc/os-release");
  // The per-user data folder holding the maker's folder; empty means the XDG
  // data folder ($XDG_DATA_HOME, else ~/.local/share).
  QString dataFolder;
  CSAppDelegate* appDelegate = nullptr;  // not owned; lives as long as the application
};

class CSKernel : public QObject {
  Q_OBJECT
 public:
  // The shared kernel, made on first use with the default options.
  static CSKernel* sharedInstance();
  // Makes the shared kernel with `options`; null when it already exists, so
  // the application's launch code must call it before anything asks for
  // sharedInstance().
  static CSKernel* createSharedInstance(const CSKernelOptions& options);
  // The shared kernel if the application has made it, else null; never makes one.
  static CSKernel* existingInstance();

  // Fills the globals at once. Only the shared kernel lives in the
  // application; tests make their own to read their own files.
  explicit CSKernel(const CSKernelOptions& options);
  ~CSKernel() override;
  CSKernel(const CSKernel&) = delete;
  CSKernel& operator=(const CSKernel&) = delete;

  CSAppDelegate* appDelegate() const { return m_appDelegate; }

  // The distribution's name and version from an os-release file (its
  // PRETTY_NAME), or "Unknown" when the file or the field is missing.
  static QString SystemVersionStringFromFile(const QString& path);
  // Whether the marker file exists in the maker's folder of `dataFolder`.
  static bool AdvancedUserMarkerExists(const QString& dataFolder);
  // Whether the application palette's window colour is dark. Without a GUI
  // application the appearance is light.
  static bool IsPaletteDark();

  // The tool images drawn in the text colour of the current appearance, in
  // the order the tools list them. Qt has no template images; whoever loads
  // these images tints them itself.
  static const QStringList& toolTemplateNames();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Re-reads the appearance: sets g_darkMode and the panel colours and posts
  // "tindlewick.darkMode" with no object. Runs once at creation (posting
  // always) and on every application palette change (posting only when the
  // appearance turned over, since Qt reports every palette tweak).
  void observeAppearance(bool atCreation);

  CSAppDelegate* m_appDelegate = nullptr;
};

// YES when the key has no value, else the stored boolean: how every setting
// that is on until the user turns it off is read.
bool DefaultYesBoolForKey(const QSettings& settings, const QString& key);
bool DefaultYesBoolForKey(const QString& key);  // the application's own settings
