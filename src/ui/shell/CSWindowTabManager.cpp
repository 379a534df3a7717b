#include "ui/shell/CSWindowTabManager.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "platform/WindowOrder.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"

const QString CSWindowTabManager::kWindowTabsKey = QStringLiteral("tw.cs.windowTabs");
const QString CSWindowTabManager::kTabKey = QStringLiteral("tab");
const QString CSWindowTabManager::kGroupKey = QStringLiteral("group");
const QString CSWindowTabManager::kPathsKey = QStringLiteral("paths");
const QString CSWindowTabManager::kFrameKey = QStringLiteral("frame");
const QString CSWindowTabManager::kActiveKey = QStringLiteral("active");

namespace {

bool IsSoundPath(const QVariant& value) {
  if (value.typeId() != QMetaType::QString) return false;
  const QString path = value.toString();
  return !path.isEmpty() && path.size() <= CSWindowTabManager::kMaxPathLength;
}

}  // namespace

CSWindowTabManager& CSWindowTabManager::sharedInstance() {
  static CSWindowTabManager manager;
  return manager;
}

CSWindowTabManager::CSWindowTabManager() {
  // Windows that prefer tabs join by themselves exactly when this manager
  // would let windows tab.
  WindowOrder::setCanTabPredicate([this] { return canTabWindows(); });
}

bool CSWindowTabManager::isControllerWindow(const QWindow* window) const {
  CSDocumentWC* controller = CSDocumentWC::controllerOf(window);
  return controller && (!m_controllerClass || controller->metaObject()->inherits(m_controllerClass));
}

// ---- Joining groups ---------------------------------------------------------------------

void CSWindowTabManager::setTabIdentifier(const QString& identifier, QWidget* window) {
  QWindow* handle = WindowOfWidget(window);
  if (!handle) return;
  if (!identifier.isEmpty()) {
    WindowOrder::setTabbingIdentifier(handle, identifier);
    WindowOrder::setTabbingMode(handle, WindowOrder::TabbingMode::Preferred);
    return;
  }
  WindowOrder::setTabbingMode(handle, WindowOrder::TabbingMode::Disallowed);
  QTimer::singleShot(kAllowTabbingMilliseconds, window, [window] {
    if (CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current()) delegate->allowTabbing(window);
  });
}

QString CSWindowTabManager::mainWindowTabIdentifier(bool* shouldTab) const {
  if (shouldTab) *shouldTab = false;
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (!isControllerWindow(window)) continue;
    if (shouldTab) *shouldTab = shouldTabWithWindow(WidgetOfWindow(window));
    return WindowOrder::tabbingIdentifier(window);
  }
  return QString();
}

bool CSWindowTabManager::shouldTabWithWindow(QWidget* window) const {
  const CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current();
  const bool launching = delegate && delegate->launching();
  const bool option = !launching && (ShellKeyboardModifiers() & Qt::AltModifier);
  if (m_tabOverride == kPreferTabs) return !option;
  if (m_tabOverride == kPreferWindows) return option;
  switch (WindowOrder::userTabbingPreference()) {
    case WindowOrder::TabbingPreference::Manual:
      return option;
    case WindowOrder::TabbingPreference::Always:
      return !option;
    case WindowOrder::TabbingPreference::InFullScreen:
      return !option && window && window->isFullScreen();
  }
  return false;
}

bool CSWindowTabManager::canTabWindows() const {
  if (m_tabOverride != kFollowSystem) return m_tabOverride == kPreferTabs;
  return WindowOrder::userTabbingPreference() != WindowOrder::TabbingPreference::Manual;
}

void CSWindowTabManager::forceWindow(QWidget* window, const QString& identifier) {
  if (canTabWindows()) return;
  QWindow* handle = WindowOfWidget(window);
  if (!handle) return;
  for (QWindow* other : WindowOrder::shared().orderedWindows()) {
    if (other != handle && WindowOrder::tabbingIdentifier(other) == identifier) {
      WindowOrder::shared().addTabbedWindow(other, handle, WindowOrder::Ordering::Above);
      return;
    }
  }
}

// ---- Restoring ------------------------------------------------------------------------------

int CSWindowTabManager::tabDictForFile(const QString& path, QString* tabIdentifier) const {
  for (qsizetype i = 0; i < m_windowTabDicts.size(); ++i) {
    if (!m_windowTabDicts[i].value(kPathsKey).toStringList().contains(path)) continue;
    if (tabIdentifier) *tabIdentifier = m_windowTabDicts[i].value(kTabKey).toString();
    return int(i);
  }
  bool shouldTab = false;
  const QString front = mainWindowTabIdentifier(&shouldTab);
  if (tabIdentifier) *tabIdentifier = shouldTab ? front : QString();
  return -1;
}

void CSWindowTabManager::assignWindow(QWidget* window, int record, const QString& tabIdentifier, const QString& path) {
  QWindow* handle = WindowOfWidget(window);
  if (!handle || record < 0 || record >= m_windowTabDicts.size()) return;
  QVariantMap& dict = m_windowTabDicts[record];
  if (tabIdentifier.isEmpty()) {
    // The group's first window to open names the group for the others.
    dict.insert(kTabKey, WindowOrder::tabbingIdentifier(handle));
  } else if (canTabWindows()) {
    const CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current();
    const QStringList paths = dict.value(kPathsKey).toStringList();
    const qsizetype at = paths.indexOf(path);
    bool placed = false;
    for (qsizetype i = at - 1; delegate && at >= 0 && i >= 0 && !placed; --i) {
      if (QWidget* before = delegate->windowForFile(paths[i])) {
        WindowOrder::shared().addTabbedWindow(WindowOfWidget(before), handle, WindowOrder::Ordering::Above);
        placed = true;
      }
    }
    for (qsizetype i = at + 1; delegate && at >= 0 && i < paths.size() && !placed; ++i) {
      if (QWidget* after = delegate->windowForFile(paths[i])) {
        WindowOrder::shared().addTabbedWindow(WindowOfWidget(after), handle, WindowOrder::Ordering::Below);
        placed = true;
      }
    }
  }
  // The tab strip lies inside the window, so the rectangle is taken as it
  // was recorded, without room added for a bar above it.
  if (std::optional<QRect> frame = RectFromText(dict.value(kFrameKey).toString())) {
    window->setGeometry(FrameOnScreen(*frame));
  }
}

void CSWindowTabManager::loadWindowTabDicts() {
  m_windowTabDicts = TabRecordsFromValue(QSettings().value(kWindowTabsKey));
  m_savingState = true;
}

void CSWindowTabManager::restoreFrontmostTabbedWindows() {
  const CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current();
  for (const QVariantMap& dict : std::as_const(m_windowTabDicts)) {
    const QString active = dict.value(kActiveKey).toString();
    QWidget* window = delegate && !active.isEmpty() ? delegate->windowForFile(active) : nullptr;
    if (!window) continue;
    QTimer::singleShot(kRestoreFrontMilliseconds, window, [window] { MakeKeyAndOrderFront(window); });
  }
  m_windowTabDicts.clear();
  m_savingState = false;
}

// ---- Recording ------------------------------------------------------------------------------------

void CSWindowTabManager::prepareToSaveState() {
  m_windowTabDicts.clear();
  m_savingState = true;
}

void CSWindowTabManager::registerWindowTab(QWidget* window, const QString& path) {
  QWindow* handle = WindowOfWidget(window);
  if (path.isEmpty() || !m_savingState || !handle) return;
  const QString identifier = WindowOrder::tabbingIdentifier(handle);
  if (identifier.isEmpty()) return;
  WindowOrder& order = WindowOrder::shared();
  const QList<QWindow*> tabbed = order.tabbedWindows(handle);
  WindowTabGroup* group = order.tabGroup(handle);
  const qulonglong groupId = qulonglong(quintptr(group));

  for (qsizetype i = m_windowTabDicts.size() - 1; i >= 0; --i) {
    QVariantMap& dict = m_windowTabDicts[i];
    if (dict.value(kTabKey).toString() != identifier) continue;
    const bool recordHasGroup = dict.contains(kGroupKey);
    const bool match =
        group && recordHasGroup ? dict.value(kGroupKey).toULongLong() == groupId : tabbed.isEmpty() || !recordHasGroup;
    if (!match) continue;
    QStringList paths = dict.value(kPathsKey).toStringList();
    if (!paths.contains(path)) {
      paths.append(path);
      dict.insert(kPathsKey, paths);
    }
    return;
  }

  QVariantMap dict;
  dict.insert(kTabKey, identifier);
  if (group) dict.insert(kGroupKey, groupId);
  // Frame and active tab come from the group's front-most document window.
  QWindow* source = nullptr;
  if (!tabbed.isEmpty()) {
    for (QWindow* candidate : order.orderedWindows()) {
      if (tabbed.contains(candidate) && isControllerWindow(candidate)) {
        source = candidate;
        break;
      }
    }
  }
  if (!source) source = handle;
  if (QWidget* sourceWidget = WidgetOfWindow(source)) dict.insert(kFrameKey, RectText(sourceWidget->geometry()));
  if (CSDocumentWC* controller = CSDocumentWC::controllerOf(source); controller && !controller->filePath().isEmpty()) {
    dict.insert(kActiveKey, controller->filePath());
  }
  QStringList paths;
  if (tabbed.isEmpty()) {
    paths << path;
  } else {
    for (QWindow* tab : tabbed) {
      CSDocumentWC* controller = CSDocumentWC::controllerOf(tab);
      const QString tabPath = tab == handle ? path : controller ? controller->filePath() : QString();
      if (!tabPath.isEmpty()) paths << tabPath;
    }
  }
  dict.insert(kPathsKey, paths);
  m_windowTabDicts.append(dict);
}

void CSWindowTabManager::saveStateToPrefs() {
  QSettings settings;
  if (m_windowTabDicts.isEmpty()) {
    settings.remove(kWindowTabsKey);
    return;
  }
  QVariantList list;
  for (const QVariantMap& dict : std::as_const(m_windowTabDicts)) list.append(dict);
  settings.setValue(kWindowTabsKey, list);
}

// ---- Stored records ----------------------------------------------------------------------------------

QList<QVariantMap> CSWindowTabManager::TabRecordsFromValue(const QVariant& stored) {
  QList<QVariantMap> records;
  if (stored.typeId() != QMetaType::QVariantList) return records;
  const QVariantList list = stored.toList();
  for (const QVariant& entry : list) {
    if (records.size() >= kMaxTabRecords) break;
    if (entry.typeId() != QMetaType::QVariantMap) continue;
    const QVariantMap dict = entry.toMap();
    const QVariant pathsValue = dict.value(kPathsKey);
    QStringList paths;
    bool sound = pathsValue.typeId() == QMetaType::QVariantList || pathsValue.typeId() == QMetaType::QStringList;
    if (sound) {
      const QVariantList items = pathsValue.toList();
      sound = !items.isEmpty() && items.size() <= kMaxTabPaths;
      for (qsizetype i = 0; sound && i < items.size(); ++i) {
        sound = IsSoundPath(items[i]);
        if (sound) paths << items[i].toString();
      }
    }
    if (!sound) continue;
    QVariantMap record;
    record.insert(kPathsKey, paths);
    const QVariant frame = dict.value(kFrameKey);
    if (frame.typeId() == QMetaType::QString) {
      // Kept in the form this manager writes, whatever zeros it came with.
      if (std::optional<QRect> rect = RectFromText(frame.toString())) record.insert(kFrameKey, RectText(*rect));
    }
    const QVariant active = dict.value(kActiveKey);
    if (IsSoundPath(active)) record.insert(kActiveKey, active.toString());
    records.append(record);
  }
  return records;
}

QString CSWindowTabManager::RectText(const QRect& rect) {
  return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

std::optional<QRect> CSWindowTabManager::RectFromText(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^\\{\\{(-?\\d{1,9}), (-?\\d{1,9})\\}, \\{(\\d{1,9}), (\\d{1,9})\\}\\}$"));
  if (text.size() > 64) return std::nullopt;
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  const int x = match.captured(1).toInt();
  const int y = match.captured(2).toInt();
  const int width = match.captured(3).toInt();
  const int height = match.captured(4).toInt();
  if (std::abs(x) > kMaxFrameExtent || std::abs(y) > kMaxFrameExtent) return std::nullopt;
  if (width <= 0 || height <= 0 || width > kMaxFrameExtent || height > kMaxFrameExtent) return std::nullopt;
  return QRect(x, y, width, height);
}

QRect CSWindowTabManager::FrameOnScreen(const QRect& frame) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return frame;
  for (QScreen* screen : screens) {
    if (screen->availableGeometry().intersects(frame)) return frame;
  }
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  return QRect(area.topLeft(), frame.size().boundedTo(area.size()));
}
