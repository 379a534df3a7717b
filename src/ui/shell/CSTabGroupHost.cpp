#include "ui/shell/CSTabGroupHost.h"

#include <QMainWindow>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <optional>

#include "platform/WindowOrder.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/ShellWindows.h"

const char* const CSTabGroupHost::kStripName = "csTabGroupStrip";
const char* const CSTabGroupHost::kTabBarName = "csTabGroupBar";
const char* const CSTabGroupHost::kNewTabName = "csTabGroupNew";

namespace {

QString TitleOf(QWindow* window) {
  QWidget* widget = WidgetOfWindow(window);
  if (CSDocumentWC* controller = CSDocumentWC::controllerOf(widget)) return controller->miniaturizedTitle();
  return widget ? widget->windowTitle().remove(QStringLiteral("[*]")) : QString();
}

}  // namespace

CSTabGroupHost& CSTabGroupHost::shared() {
  static CSTabGroupHost* host = new CSTabGroupHost;
  return *host;
}

CSTabGroupHost::CSTabGroupHost() {
  connect(&WindowOrder::shared(), &WindowOrder::tabGroupChanged, this, &CSTabGroupHost::groupChanged);
  connect(&WindowOrder::shared(), &WindowOrder::tabGroupWillLoseWindow, this, &CSTabGroupHost::windowLeaving);
}

QToolBar* CSTabGroupHost::stripOf(const QMainWindow* window) {
  return window ? window->findChild<QToolBar*>(QLatin1String(kStripName), Qt::FindDirectChildrenOnly) : nullptr;
}

QTabBar* CSTabGroupHost::tabBarOf(const QMainWindow* window) {
  QToolBar* strip = stripOf(window);
  return strip ? strip->findChild<QTabBar*>(QLatin1String(kTabBarName)) : nullptr;
}

void CSTabGroupHost::windowLeaving(WindowTabGroup* group, QWindow* window) {
  // The tab on screen is leaving: the next one takes its place and frame.
  QWidget* widget = WidgetOfWindow(window);
  if (widget && widget->isVisible() && group->count() > 1) m_pendingFrames.insert(group, widget->geometry());
}

void CSTabGroupHost::groupChanged(WindowTabGroup* group) {
  const QList<QWindow*> members = group->windows();
  const std::optional<QRect> pending =
      m_pendingFrames.contains(group) ? std::optional<QRect>(m_pendingFrames.take(group)) : std::nullopt;
  for (QWindow* member : members) {
    if (auto* window = qobject_cast<QMainWindow*>(WidgetOfWindow(member))) {
      updateStrip(window, members.size() > 1 ? group : nullptr);
    }
  }
  QWidget* target = WidgetOfWindow(group->selectedWindow());
  if (!target) return;
  // The frame the group shows in: that of a member on screen, or of the
  // one that just left it.
  QWidget* other = nullptr;
  for (QWindow* member : members) {
    QWidget* widget = WidgetOfWindow(member);
    if (widget && widget != target && widget->isVisible()) {
      other = widget;
      break;
    }
  }
  const bool targetShown = target->isVisible();
  if (!targetShown && !other && !pending) return;  // the group is not on screen
  if (other) {
    target->setGeometry(other->geometry());
  } else if (pending && !targetShown) {
    target->setGeometry(*pending);
  }
  if (!targetShown) {
    target->show();
    target->raise();
    target->activateWindow();
    WindowOrder::shared().orderFront(group->selectedWindow());
  }
  for (QWindow* member : members) {
    QWidget* widget = WidgetOfWindow(member);
    if (widget && widget != target && widget->isVisible()) widget->hide();
  }
}

void CSTabGroupHost::updateStrip(QMainWindow* window, WindowTabGroup* group) {
  QToolBar* strip = stripOf(window);
  if (!group) {
    delete strip;
    return;
  }
  QTabBar* bar = nullptr;
  if (!strip) {
    strip = new QToolBar(window);
    strip->setObjectName(QLatin1String(kStripName));
    strip->setMovable(false);
    strip->setFloatable(false);
    bar = new QTabBar(strip);
    bar->setObjectName(QLatin1String(kTabBarName));
    bar->setTabsClosable(true);
    bar->setExpanding(true);
    bar->setDocumentMode(true);
    strip->addWidget(bar);
    auto* plus = new QToolButton(strip);
    plus->setObjectName(QLatin1String(kNewTabName));
    plus->setText(QStringLiteral("+"));
    plus->setAutoRaise(true);
    strip->addWidget(plus);
    const QList<QToolBar*> bars = window->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly);
    QToolBar* first = nullptr;
    for (QToolBar* other : bars) {
      if (other != strip && window->toolBarArea(other) == Qt::TopToolBarArea) {
        first = other;
        break;
      }
    }
    if (first) {
      window->insertToolBar(first, strip);
      window->insertToolBarBreak(first);
    } else {
      window->addToolBar(Qt::TopToolBarArea, strip);
    }
    // Tabs name their windows by the windows' own group, read afresh on each
    // press: the group may have changed since the strip was made.
    QPointer<QMainWindow> owner(window);
    connect(bar, &QTabBar::tabBarClicked, this, [owner](int index) {
      if (!owner) return;
      const QList<QWindow*> tabs = WindowOrder::shared().tabbedWindows(owner->windowHandle());
      if (index >= 0 && index < tabs.size()) MakeKeyAndOrderFront(WidgetOfWindow(tabs[index]));
    });
    connect(bar, &QTabBar::tabCloseRequested, this, [owner](int index) {
      if (!owner) return;
      const QList<QWindow*> tabs = WindowOrder::shared().tabbedWindows(owner->windowHandle());
      if (index < 0 || index >= tabs.size()) return;
      if (QWidget* widget = WidgetOfWindow(tabs[index])) widget->close();
    });
    connect(plus, &QToolButton::clicked, this, [this, owner] {
      if (owner && m_newTab) m_newTab(owner->windowHandle());
    });
    connect(window, &QWidget::windowTitleChanged, strip, [this, owner] {
      if (!owner) return;
      if (WindowTabGroup* current = WindowOrder::shared().tabGroup(owner->windowHandle())) groupChanged(current);
    });
  }
  if (!bar) bar = tabBarOf(window);
  const QSignalBlocker blocker(bar);
  const QList<QWindow*> members = group->windows();
  while (bar->count() > members.size()) bar->removeTab(bar->count() - 1);
  for (qsizetype i = 0; i < members.size(); ++i) {
    if (i >= bar->count()) bar->addTab(QString());
    bar->setTabText(int(i), TitleOf(members[i]));
  }
  bar->setCurrentIndex(int(members.indexOf(WindowOfWidget(window))));
}
