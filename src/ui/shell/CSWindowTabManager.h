#pragma once
// Places document windows into tab groups and remembers the groups across
// launches. At quit every document window that closes records the group it
// belongs to (its tabbing identifier, the file paths of its tabs in order,
// the frame and the active tab); at the next launch the windows that reopen
// find their group again, in their old order and frame, and each group's
// active tab comes to the front. It also decides whether a new window joins
// the front window's group: the user's setting, the application's override
// and the Alt key.

#include <QList>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class QMetaObject;
class QWidget;
class QWindow;

class CSWindowTabManager {
 public:
  // The defaults key of the records, and the keys of one record.
  static const QString kWindowTabsKey;  // "tw.cs.windowTabs"
  static const QString kTabKey;         // "tab"
  static const QString kGroupKey;       // "group"
  static const QString kPathsKey;       // "paths"
  static const QString kFrameKey;       // "frame"
  static const QString kActiveKey;      // "active"
  // Caps on stored records: more records, or more paths in one, are not ours.
  static constexpr int kMaxTabRecords = 512;
  static constexpr int kMaxTabPaths = 1024;
  static constexpr int kMaxPathLength = 4096;
  static constexpr int kMaxFrameExtent = 1 << 20;
  static constexpr int kAllowTabbingMilliseconds = 1000;
  static constexpr int kRestoreFrontMilliseconds = 750;

  // The application's tabbing choice.
  enum TabOverride : int { kFollowSystem = 0, kPreferWindows = 1, kPreferTabs = 2 };

  static CSWindowTabManager& sharedInstance();

  const QList<QVariantMap>& windowTabDicts() const { return m_windowTabDicts; }
  // The class of document window controllers.
  const QMetaObject* controllerClass() const { return m_controllerClass; }
  void setControllerClass(const QMetaObject* type) { m_controllerClass = type; }
  int tabOverride() const { return m_tabOverride; }
  void setTabOverride(int value) { m_tabOverride = value; }
  // The identifier the next untitled window takes (set around a "+").
  const QString& windowTabIdentifier() const { return m_windowTabIdentifier; }
  void setWindowTabIdentifier(const QString& identifier) { m_windowTabIdentifier = identifier; }

  // With an identifier the window takes it and prefers to tab; without one
  // it may not tab now, and may again a second later: a new window never
  // tabs as it opens unless asked to.
  void setTabIdentifier(const QString& identifier, QWidget* window);
  // The front-most document window's identifier, and whether a new window
  // should tab with it; null and false with none.
  QString mainWindowTabIdentifier(bool* shouldTab) const;
  bool shouldTabWithWindow(QWidget* window) const;
  bool canTabWindows() const;
  // When windows would not join by themselves, the first other window of
  // the identifier takes this one as a tab after itself.
  void forceWindow(QWidget* window, const QString& identifier);
  // The index of the first record holding the path, or -1; its "tab" (null
  // for a record just loaded), or with none the front window's identifier
  // when a new window should tab with it.
  int tabDictForFile(const QString& path, QString* tabIdentifier) const;
  // Puts a reopened window into the record's group and frame.
  void assignWindow(QWidget* window, int record, const QString& tabIdentifier, const QString& path);
  void loadWindowTabDicts();
  void restoreFrontmostTabbedWindows();
  void prepareToSaveState();
  // Records the group of a document window that closes at quit.
  void registerWindowTab(QWidget* window, const QString& path);
  void saveStateToPrefs();

  // The stored records as loaded: each a record with "paths" (strings),
  // and "frame" and "active" when they are sound; anything else is dropped.
  static QList<QVariantMap> TabRecordsFromValue(const QVariant& stored);
  static QString RectText(const QRect& rect);
  static std::optional<QRect> RectFromText(const QString& text);
  // The rectangle, moved onto the nearest screen when it lies off every one.
  static QRect FrameOnScreen(const QRect& frame);

 private:
  CSWindowTabManager();
  bool isControllerWindow(const QWindow* window) const;

  QList<QVariantMap> m_windowTabDicts;
  bool m_savingState = false;  // the records are kept: loaded, or started at quit
  const QMetaObject* m_controllerClass = nullptr;
  int m_tabOverride = kFollowSystem;
  QString m_windowTabIdentifier;
};
