#pragma once
// The drawing program's application delegate. It fills the document
// delegate's hooks with what is particular to drawings (the pasteboard
// types, the save and open types, the support folder, the cursors, opening
// a file by its kind, the reopen list, quitting), carries the
// application-wide commands of the menu bar, routes the shared colour panel
// to the swatch that opened it, keeps the favourite and recent gradients and
// the recent arrows across launches and offers lost work back at launch.
//
// DRAppController.cpp: life, launch, opening and quitting.
// DRAppActions.cpp: the commands and their validation.
// DRAppColorPanel.cpp: the colour and font panels.
// DRAppAutosave.cpp: autosave recovery.
// DRAppConvert.cpp: converting a file to PDF.

#include <QList>
#include <QCheckBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "model/DRArrow.h"
#include "model/DRGradient.h"
#include "model/DRModelServices.h"
#include "support/Kolor.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRColorChangeDelegate.h"
#include "ui/editor/DREditorAppServices.h"
#include "ui/shell/CSDocumentAppDelegate.h"

class QAction;
class QColorDialog;
class QSettings;
class QWidget;

// The colours of the canvas's marks (Kolors), made at start.
extern Kolor g_highlightColor;        // 0x1EFF9F7B
extern Kolor g_outlineColor;          // 0x1EFF2626
extern Kolor g_dragLineColor;         // 0x6419FF19
extern Kolor g_polygonExtensionColor; // 0x64FF1919
// The nine types a drawing saves as, in the order the save panel offers
// them, and the types the open panel accepts.
extern QStringList g_saveTypeArray;
extern QStringList g_openTypeArray;
// The data folder + "TindleWick" + "Draw": autosave packages and the
// advanced-user marker live there.
extern QString g_drawSupportFolder;

// The extension of a package that was set aside because it could not be
// read or opened; listing never offers it again.
extern const QString g_damagedAutosaveExtension;  // "TWdraw_damaged"

// Runs an open panel on files of the extensions (any file when empty);
// drawing packages are chosen as files. It shows over `parent` when given
// and starts in the folder of that window's document, else of the front
// document. The chosen paths, none when cancelled.
QStringList RunFileOpenPanel(const QString& message, const QStringList& extensions, bool multiple,
                             QWidget* parent = nullptr);

// Opening files of each kind; the interchange layer's openers stand behind
// it. Every opener answers the new window, or null after reporting its own
// failure.
class DRFileOpeners {
 public:
  virtual ~DRFileOpeners() = default;
  virtual QWidget* openClippingFile(const QString& path, const QString& tabIdentifier);
  virtual QWidget* openDrawFile(const QString& path, const QString& tabIdentifier);
  virtual QWidget* openImageFile(const QString& path, const QString& tabIdentifier);
  // The elements of an EMF or SVG file in a new drawing window.
  virtual QWidget* openEmfFile(const QString& path, const QString& tabIdentifier);
  virtual QWidget* openSvgFile(const QString& path, const QString& tabIdentifier);
};

class DRAppController : public CSDocumentAppDelegate, public DRActionTarget, public DREditorAppServices {
  Q_OBJECT
 public:
  // The defaults keys kept here.
  static const QString kOpenFilesKey;          // "twdraw.openFiles"
  static const QString kGivenHelpKey;          // "twdraw.givenHelp"
  static const QString kFavoriteGradientsKey;  // "twdraw.favoriteGradients"
  static const QString kRecentGradientsKey;    // "twdraw.recentGradients"
  static const QString kRecentArrowsKey;       // "twdraw.recentArrows"
  static const QString kFavoriteColorsKey;     // "twdraw.favoriteColors"
  // Gradients with more stops than this are not loaded.
  static constexpr int kMaxGradientStops = 10;
  // "path.txt" of an autosave package larger than this is unreadable.
  static constexpr qint64 kMaxAutosavePathBytes = 64 * 1024;

  // The first controller made becomes the shared one while it lives; a
  // second one made meanwhile is never shared.
  DRAppController();
  ~DRAppController() override;
  // The shared controller, made on first use.
  static DRAppController* sharedInstance();
  // The shared controller, or null while none lives.
  static DRAppController* existingInstance();

  // Openers of the file kinds (not owned; null restores the stand-ins).
  void setFileOpeners(DRFileOpeners* openers);
  DRFileOpeners& fileOpeners();

  // ---- Hooks of the document delegate ----
  void preliminaryInit() override;
  void initOnLaunch() override;
  void normalize() override;
  QWidget* openUntitledWithTabIdentifier(const QString& tabIdentifier) override;
  QWidget* openFileWithTabIdentifier(const QString& path, const QString& tabIdentifier) override;
  QVariant filesToReopen() override;
  QString reopenFilesKey() const override { return kOpenFilesKey; }
  bool shouldRecordInRecents(const QUrl& url) override;
  void showAppHelp(QObject* sender) override;
  void prepareToQuit() override;
  bool shouldBringWindowForward(QWidget* window) const override;
  QWidget* windowForFile(const QString& path) const override;
  int currentDistanceUnit() const override;

  // ---- Other operations ----
  void applicationWillResignActive();
  static QString aboutString();  // "Capable but humble drawing and painting."
  bool helpWasShown() const { return m_helpWasShown; }

  // ---- The colour and font panels (DREditorAppServices) ----
  void openColorPanel(int swatch, Kolor kolor, DRColorPanelDelegate* delegate) override;
  void openFontPanel(const QFont& font, bool multiple, DRFontPanelDelegate* delegate) override;
  // The panel's colour changed, or its "No color" box was clicked.
  void changeColor(QObject* sender);
  // The panel lost key status: it serves nobody until opened again.
  void colorPanelResigned();
  // The "No color" box in the panel's window, while serving a swatch that
  // has one; null otherwise.
  QCheckBox* noColorBox() const;
  int swatchForColorPanel() const { return m_swatchForColorPanel; }
  DRColorPanelDelegate* colorDelegate() const;
  bool ignoreColorChange() const { return m_ignoreColorChange; }

  // ---- Gradients and arrows across launches ----
  QList<DRGradient>& favoriteGradients() { return m_favoriteGradients; }
  QList<DRGradient>& recentGradients() { return m_recentGradients; }
  QList<DRArrow>& recentArrows() { return m_recentArrows; }
  // Reads the list stored under the key: unreadable entries and gradients
  // of more than ten stops are skipped.
  static QList<DRGradient> loadGradients(QSettings& settings, const QString& key);
  // Writes the list; an empty one removes the key.
  static void saveGradients(QSettings& settings, const QList<DRGradient>& gradients, const QString& key);
  static QList<DRArrow> loadArrows(QSettings& settings);
  // The stored forms: one XML text per gradient or arrow.
  static QList<DRGradient> gradientsFromStrings(const QStringList& strings);
  static QStringList stringsFromGradients(const QList<DRGradient>& gradients);
  static QList<DRArrow> arrowsFromStrings(const QStringList& strings);
  static QStringList stringsFromArrows(const QList<DRArrow>& arrows);
  static void saveArrows(QSettings& settings, const QList<DRArrow>& arrows);
  void loadArrows();
  void saveArrows();

  // ---- Autosave recovery ----
  // Offers the autosave packages of the support folder; run once, after
  // launch.
  void checkAutosave();
  const QStringList& oldAutosaveFiles() const { return m_oldAutosaveFiles; }
  // Removes an autosave package (a symbolic link only as a link); false when
  // it stays or the path does not name an autosave package.
  static bool removeAutosavePackage(const QString& path);
  const QString& autosaveOverride() const { return m_autosaveOverride; }
  void setAutosaveOverride(const QString& title) { m_autosaveOverride = title; }
  // Asks whether to open the listed packages; tests replace the dialog.
  using AutosaveQuestion = std::function<bool(const QList<QVariantMap>& entries)>;
  void setAutosaveQuestion(AutosaveQuestion question) { m_autosaveQuestion = std::move(question); }

  // ---- Commands ----
  static const DRActionTable<DRAppController>& actionTable();
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  bool validateMenuItem(const QString& selector, QAction* item) override;

  void openDocument(QObject* sender);
  void newUntitledDocument(QObject* sender);
  void showPreferences(QObject* sender);
  void setUnits(QObject* sender);
  void toggleDragLines(QObject* sender);
  void toggleDrawGrid(QObject* sender);
  void convertToPdf(QObject* sender);
  void showHelp(QObject* sender);
  // The unit a menu item's tag names: 1 inch, 2 fractional inch, 3 cm,
  // any other points.
  static int unitFromTag(int tag);
  static int unitFromTag(const QAction* item);
  // Converts one file; the message of the failure, or empty when the PDF
  // was written (the destination is then revealed).
  QString convertFile(const QString& source, const QString& destination);

 private:
  bool validateAvailable(QAction* item);
  bool validateShowPreferences(QAction* item);
  bool validateNewUntitled(QAction* item);
  bool validateToggleDragLines(QAction* item);
  bool validateToggleDrawGrid(QAction* item);
  bool validateSetUnits(QAction* item);
  // No modal window runs and the main window has no sheet.
  bool isAvailable() const;

  void ensureSupportFolder();
  // Renames a package that could not be read or opened to the damaged
  // extension; its new path, or empty when it stayed.
  static QString setAsideAutosave(const QString& package);
  QWidget* openByKind(const QString& path, const QString& tabIdentifier);
  void buildColorPanelAccessory(QColorDialog* panel);

  bool m_helpWasShown = false;
  bool m_ignoreColorChange = true;
  int m_swatchForColorPanel = -1;
  QPointer<QObject> m_colorDelegateObject;  // guards m_colorDelegate when it is a QObject
  DRColorPanelDelegate* m_colorDelegate = nullptr;
  bool m_colorDelegateGuarded = false;
  QPointer<QCheckBox> m_noColorBox;
  QList<QMetaObject::Connection> m_colorConnections;
  DRFontPanelDelegate* m_fontDelegate = nullptr;
  QPointer<QObject> m_fontDelegateObject;
  bool m_fontDelegateGuarded = false;
  // Watches the colour panel for losing key status while it serves a swatch.
  QPointer<QObject> m_colorPanelWatcher;
  QList<DRGradient> m_favoriteGradients;
  QList<DRGradient> m_recentGradients;
  QList<DRArrow> m_recentArrows;
  QStringList m_oldAutosaveFiles;
  QString m_autosaveOverride;
  AutosaveQuestion m_autosaveQuestion;
  DRFileOpeners* m_fileOpeners = nullptr;
  std::unique_ptr<DRModelServices> m_modelServices;
};
