#pragma once
// The application's windows front to back, and the tab groups they form.
// Qt keeps no stacking order of its own across platforms, so the order is
// the order of activation: a window moves to the front when it becomes the
// focus window or when the shell orders it front. A tab group is a set of
// windows that share one frame, of which one is shown; the hidden members
// follow their shown one in the order. Every tracked window is in a group,
// alone when it has no tabs. Main thread only.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWindow>
#include <functional>
#include <vector>

// The windows of one group in tab order, and the one shown.
class WindowTabGroup : public QObject {
  Q_OBJECT
 public:
  QList<QWindow*> windows() const;
  QWindow* selectedWindow() const { return m_selected; }
  int count() const { return int(m_windows.size()); }

 private:
  friend class WindowOrder;
  std::vector<QPointer<QWindow>> m_windows;
  QPointer<QWindow> m_selected;
};

class WindowOrder : public QObject {
  Q_OBJECT
 public:
  // How a window takes part in tabbing: it may join a group when the user's
  // preference says so, it always joins one of its identifier, or never.
  enum class TabbingMode { Automatic, Preferred, Disallowed };
  // The user's system-wide choice of when new windows open as tabs.
  enum class TabbingPreference { Manual, Always, InFullScreen };
  enum class Ordering { Above, Below };

  static WindowOrder& shared();

  // ---- Order ----
  // Visible top-level windows front to back, each shown member of a group
  // followed by its hidden members in tab order. Pop-ups, tool tips and
  // windows that belong to another window (dialogs shown on it) are left out.
  QList<QWindow*> orderedWindows() const;
  // Every tracked window, in the order it was first seen.
  QList<QWindow*> windows() const;
  // Moves the window to the front of the order (tracking it when new). The
  // first time a window is ordered in, it joins the group of the front-most
  // window of its identifier when its mode and the preference say so.
  void orderFront(QWindow* window);
  // Starts tracking a window without ordering it.
  void track(QWindow* window);
  // Forgets a window: it leaves its group (whose next member is selected)
  // and the order.
  void forget(QWindow* window);

  // ---- Tabs ----
  static QString tabbingIdentifier(const QWindow* window);
  static void setTabbingIdentifier(QWindow* window, const QString& identifier);
  static TabbingMode tabbingMode(const QWindow* window);
  static void setTabbingMode(QWindow* window, TabbingMode mode);

  // The window's group; null for a window not tracked.
  WindowTabGroup* tabGroup(QWindow* window) const;
  // The other windows of its group with it, in tab order; empty when alone.
  QList<QWindow*> tabbedWindows(QWindow* window) const;
  // Moves `window` out of its group into `host`'s, next to `host`. The
  // group keeps its shown member.
  void addTabbedWindow(QWindow* host, QWindow* window, Ordering ordering);
  // Makes the window its group's shown member.
  void selectTab(QWindow* window);
  // Moves the window to a group of its own.
  void moveToOwnGroup(QWindow* window);

  // ---- The user's preference ----
  // Read through the source given; with none, it reads as "in full screen",
  // which Linux desktops come closest to.
  static TabbingPreference userTabbingPreference();
  static void setTabbingPreferenceSource(std::function<TabbingPreference()> source);
  // Whether windows that prefer tabs join a group by themselves; the
  // application's own choice can overrule the user's. By default: unless the
  // preference is manual.
  static void setCanTabPredicate(std::function<bool()> predicate);

 signals:
  // A group's members, their order or its shown member changed; also sent
  // for a group that lost its last member, just before it goes.
  void tabGroupChanged(WindowTabGroup* group);
  // The window is about to leave the group (it closes or moves elsewhere).
  void tabGroupWillLoseWindow(WindowTabGroup* group, QWindow* window);

 private:
  WindowOrder();
  void focusChanged(QWindow* window);
  WindowTabGroup* groupOf(const QWindow* window) const;
  void removeFromGroup(QWindow* window, bool selectNeighbour);
  void prune();
  bool shouldJoinAutomatically(QWindow* window, QWindow* front) const;

  std::vector<QPointer<QWindow>> m_order;  // front first
  std::vector<QPointer<QWindow>> m_seen;   // first seen first
  std::vector<WindowTabGroup*> m_groups;   // owned (children of this)
  std::vector<QPointer<QWindow>> m_orderedIn;
};
