#pragma once
// Shows the tab groups of the window order: the windows of a group share
// one frame and only the selected one is shown; from two members on, each
// main window of the group carries a strip with a tab per member (titled by
// its window, closable) and a "+" that asks for a new window in the group.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>

class QMainWindow;
class QTabBar;
class QToolBar;
class QWindow;
class WindowTabGroup;

class CSTabGroupHost : public QObject {
  Q_OBJECT
 public:
  // The object name of a window's strip and of its tab bar.
  static const char* const kStripName;   // "csTabGroupStrip"
  static const char* const kTabBarName;  // "csTabGroupBar"
  static const char* const kNewTabName;  // "csTabGroupNew"

  static CSTabGroupHost& shared();

  // Called with a window of the group when its "+" is pressed.
  void setNewTabHandler(std::function<void(QWindow* sender)> handler) { m_newTab = std::move(handler); }

  // The strip of a main window, or null while it has no group of two.
  static QToolBar* stripOf(const QMainWindow* window);
  static QTabBar* tabBarOf(const QMainWindow* window);

 private:
  CSTabGroupHost();
  void groupChanged(WindowTabGroup* group);
  void windowLeaving(WindowTabGroup* group, QWindow* window);
  void updateStrip(QMainWindow* window, WindowTabGroup* group);

  std::function<void(QWindow*)> m_newTab;
  QHash<WindowTabGroup*, QRect> m_pendingFrames;
};
