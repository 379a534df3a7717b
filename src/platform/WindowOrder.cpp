#include "platform/WindowOrder.h"

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>

namespace {

constexpr char kIdentifierProperty[] = "twTabbingIdentifier";
constexpr char kModeProperty[] = "twTabbingMode";

std::function<bool()>& CanTabPredicate() {
  static std::function<bool()> predicate;
  return predicate;
}

std::function<WindowOrder::TabbingPreference()>& PreferenceSource() {
  static std::function<WindowOrder::TabbingPreference()> source;
  return source;
}

// Windows of their own: not pop-ups or tool tips, not shown on another window.
bool IsOrderable(const QWindow* window) {
  if (!window || window->transientParent() || window->parent()) return false;
  switch (window->type()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::Desktop:
    case Qt::SplashScreen:
    case Qt::Sheet:
      return false;
    default:
      return true;
  }
}

template <typename List>
void RemoveAll(List& list, const QWindow* window) {
  list.erase(std::remove_if(list.begin(), list.end(), [window](const QPointer<QWindow>& w) { return w == window; }),
             list.end());
}

template <typename List>
bool Contains(const List& list, const QWindow* window) {
  return std::any_of(list.begin(), list.end(), [window](const QPointer<QWindow>& w) { return w == window; });
}

}  // namespace

QList<QWindow*> WindowTabGroup::windows() const {
  QList<QWindow*> list;
  for (const QPointer<QWindow>& window : m_windows) {
    if (window) list.append(window.data());
  }
  return list;
}

WindowOrder& WindowOrder::shared() {
  static WindowOrder* order = new WindowOrder;
  return *order;
}

WindowOrder::WindowOrder() {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::focusWindowChanged, this, &WindowOrder::focusChanged);
  }
}

void WindowOrder::focusChanged(QWindow* window) {
  if (IsOrderable(window)) orderFront(window);
}

// ---- Order -----------------------------------------------------------------------

QList<QWindow*> WindowOrder::orderedWindows() const {
  QList<QWindow*> ordered;
  auto append = [&](QWindow* window) {
    if (!window || !window->isVisible() || !IsOrderable(window) || ordered.contains(window)) return;
    ordered.append(window);
    if (WindowTabGroup* group = groupOf(window)) {
      for (QWindow* member : group->windows()) {
        if (member != window && !member->isVisible() && !ordered.contains(member)) ordered.append(member);
      }
    }
  };
  for (const QPointer<QWindow>& window : m_order) append(window.data());
  // Windows shown but never activated stand behind the others.
  for (QWindow* window : QGuiApplication::topLevelWindows()) append(window);
  return ordered;
}

QList<QWindow*> WindowOrder::windows() const {
  QList<QWindow*> list;
  for (const QPointer<QWindow>& window : m_seen) {
    if (window) list.append(window.data());
  }
  return list;
}

void WindowOrder::track(QWindow* window) {
  if (!window || Contains(m_seen, window)) return;
  prune();
  m_seen.emplace_back(window);
  auto* group = new WindowTabGroup;
  group->setParent(this);
  group->m_windows.emplace_back(window);
  group->m_selected = window;
  m_groups.push_back(group);
  // The pointers clear themselves; the groups are tidied once the window is gone.
  connect(window, &QObject::destroyed, this, [this] { prune(); });
}

void WindowOrder::orderFront(QWindow* window) {
  if (!window) return;
  track(window);
  RemoveAll(m_order, window);
  m_order.insert(m_order.begin(), QPointer<QWindow>(window));
  if (Contains(m_orderedIn, window)) return;
  m_orderedIn.emplace_back(window);
  WindowTabGroup* group = groupOf(window);
  if (!group || group->count() > 1) return;
  const QString identifier = tabbingIdentifier(window);
  if (identifier.isEmpty()) return;
  for (const QPointer<QWindow>& other : m_order) {
    if (!other || other == window || !other->isVisible() || tabbingIdentifier(other) != identifier) continue;
    if (shouldJoinAutomatically(window, other)) {
      addTabbedWindow(other, window, Ordering::Above);
      selectTab(window);
    }
    break;
  }
}

bool WindowOrder::shouldJoinAutomatically(QWindow* window, QWindow* front) const {
  switch (tabbingMode(window)) {
    case TabbingMode::Preferred:
      if (const auto& predicate = CanTabPredicate()) return predicate();
      return userTabbingPreference() != TabbingPreference::Manual;
    case TabbingMode::Disallowed:
      return false;
    case TabbingMode::Automatic:
      break;
  }
  switch (userTabbingPreference()) {
    case TabbingPreference::Always:
      return true;
    case TabbingPreference::InFullScreen:
      return front->windowStates() & Qt::WindowFullScreen;
    case TabbingPreference::Manual:
      break;
  }
  return false;
}

void WindowOrder::forget(QWindow* window) {
  if (!window) return;
  removeFromGroup(window, true);
  RemoveAll(m_order, window);
  RemoveAll(m_seen, window);
  RemoveAll(m_orderedIn, window);
}

// ---- Tabs ----------------------------------------------------------------------------

QString WindowOrder::tabbingIdentifier(const QWindow* window) {
  return window ? window->property(kIdentifierProperty).toString() : QString();
}

void WindowOrder::setTabbingIdentifier(QWindow* window, const QString& identifier) {
  if (window) window->setProperty(kIdentifierProperty, identifier);
}

WindowOrder::TabbingMode WindowOrder::tabbingMode(const QWindow* window) {
  const QVariant value = window ? window->property(kModeProperty) : QVariant();
  switch (value.toInt()) {
    case int(TabbingMode::Preferred):
      return TabbingMode::Preferred;
    case int(TabbingMode::Disallowed):
      return TabbingMode::Disallowed;
    default:
      return TabbingMode::Automatic;
  }
}

void WindowOrder::setTabbingMode(QWindow* window, TabbingMode mode) {
  if (window) window->setProperty(kModeProperty, int(mode));
}

WindowTabGroup* WindowOrder::groupOf(const QWindow* window) const {
  if (!window) return nullptr;
  for (WindowTabGroup* group : m_groups) {
    if (Contains(group->m_windows, window)) return group;
  }
  return nullptr;
}

WindowTabGroup* WindowOrder::tabGroup(QWindow* window) const {
  return groupOf(window);
}

QList<QWindow*> WindowOrder::tabbedWindows(QWindow* window) const {
  WindowTabGroup* group = groupOf(window);
  if (!group || group->count() < 2) return {};
  return group->windows();
}

void WindowOrder::removeFromGroup(QWindow* window, bool selectNeighbour) {
  WindowTabGroup* group = groupOf(window);
  if (!group) return;
  emit tabGroupWillLoseWindow(group, window);
  auto& members = group->m_windows;
  const auto found =
      std::find_if(members.begin(), members.end(), [window](const QPointer<QWindow>& w) { return w == window; });
  const auto index = found - members.begin();
  members.erase(found);
  if (group->m_selected == window || !group->m_selected) {
    group->m_selected = nullptr;
    if (selectNeighbour && !members.empty()) {
      group->m_selected = members[std::min<size_t>(size_t(index), members.size() - 1)];
    }
  }
  emit tabGroupChanged(group);
  if (members.empty()) {
    m_groups.erase(std::find(m_groups.begin(), m_groups.end(), group));
    group->deleteLater();
  }
}

void WindowOrder::addTabbedWindow(QWindow* host, QWindow* window, Ordering ordering) {
  if (!host || !window || host == window) return;
  track(host);
  track(window);
  removeFromGroup(window, true);
  WindowTabGroup* group = groupOf(host);
  auto& members = group->m_windows;
  auto at = std::find_if(members.begin(), members.end(), [host](const QPointer<QWindow>& w) { return w == host; });
  if (ordering == Ordering::Above) ++at;
  members.insert(at, QPointer<QWindow>(window));
  emit tabGroupChanged(group);
}

void WindowOrder::selectTab(QWindow* window) {
  WindowTabGroup* group = groupOf(window);
  if (!group || group->m_selected == window) return;
  group->m_selected = window;
  emit tabGroupChanged(group);
}

void WindowOrder::moveToOwnGroup(QWindow* window) {
  WindowTabGroup* old = groupOf(window);
  if (!old || old->count() < 2) return;
  removeFromGroup(window, true);
  auto* group = new WindowTabGroup;
  group->setParent(this);
  group->m_windows.emplace_back(window);
  group->m_selected = window;
  m_groups.push_back(group);
  emit tabGroupChanged(group);
}

void WindowOrder::prune() {
  auto dead = [](const QPointer<QWindow>& w) { return w.isNull(); };
  m_order.erase(std::remove_if(m_order.begin(), m_order.end(), dead), m_order.end());
  m_seen.erase(std::remove_if(m_seen.begin(), m_seen.end(), dead), m_seen.end());
  m_orderedIn.erase(std::remove_if(m_orderedIn.begin(), m_orderedIn.end(), dead), m_orderedIn.end());
  for (size_t i = 0; i < m_groups.size();) {
    WindowTabGroup* group = m_groups[i];
    auto& members = group->m_windows;
    const size_t before = members.size();
    members.erase(std::remove_if(members.begin(), members.end(), dead), members.end());
    if (members.size() == before) {
      ++i;
      continue;
    }
    if (!group->m_selected && !members.empty()) group->m_selected = members.front();
    emit tabGroupChanged(group);
    if (members.empty()) {
      m_groups.erase(m_groups.begin() + i);
      group->deleteLater();
    } else {
      ++i;
    }
  }
}

// ---- Preference -------------------------------------------------------------------------

WindowOrder::TabbingPreference WindowOrder::userTabbingPreference() {
  const auto& source = PreferenceSource();
  return source ? source() : TabbingPreference::InFullScreen;
}

void WindowOrder::setTabbingPreferenceSource(std::function<TabbingPreference()> source) {
  PreferenceSource() = std::move(source);
}

void WindowOrder::setCanTabPredicate(std::function<bool()> predicate) {
  CanTabPredicate() = std::move(predicate);
}
