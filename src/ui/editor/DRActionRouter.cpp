#include "ui/editor/DRActionRouter.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <algorithm>

const char* const DRActionRouter::kSelectorProperty = "selector";

namespace {

QString SelectorOf(const QAction* item) {
  return item ? item->property(DRActionRouter::kSelectorProperty).toString() : QString();
}

}  // namespace

void DRActionRouter::addTrailingTarget(DRActionTarget* target) {
  if (target && std::find(m_trailing.begin(), m_trailing.end(), target) == m_trailing.end())
    m_trailing.push_back(target);
}

void DRActionRouter::removeTrailingTarget(DRActionTarget* target) {
  m_trailing.erase(std::remove(m_trailing.begin(), m_trailing.end(), target), m_trailing.end());
}

DRActionTarget* DRActionRouter::targetForAction(const QString& selector) const {
  if (selector.isEmpty()) return nullptr;
  if (m_chain) {
    for (DRActionTarget* target : m_chain()) {
      if (target && target->respondsToSelector(selector)) return target;
    }
  }
  for (DRActionTarget* target : m_trailing) {
    if (target->respondsToSelector(selector)) return target;
  }
  return nullptr;
}

bool DRActionRouter::sendAction(const QString& selector, QObject* sender) {
  DRActionTarget* target = targetForAction(selector);
  return target && target->performAction(selector, sender);
}

bool DRActionRouter::validateMenuItem(QAction* item) const {
  if (!item) return false;
  const QString selector = SelectorOf(item);
  // Items without a selector (submenus, separators) are left alone.
  if (selector.isEmpty()) return item->isEnabled();
  DRActionTarget* target = targetForAction(selector);
  const bool enabled = target && target->validateMenuItem(selector, item);
  item->setEnabled(enabled);
  return enabled;
}

bool DRActionRouter::performMenuItem(QAction* item) {
  const QString selector = SelectorOf(item);
  if (selector.isEmpty()) return false;
  // A held button is a drag in progress on the canvas, which drops keys
  // meanwhile: a command must not change the elements under it.
  if (QGuiApplication::mouseButtons() != Qt::NoButton) return false;
  const bool valid = validateMenuItem(item);
  item->setEnabled(true);
  return valid && sendAction(selector, item);
}

void DRActionRouter::validateOnShow(QMenu* menu) {
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
    for (QAction* item : menu->actions()) validateMenuItem(item);
  });
  // The router is not needed here: the menu may hide while its window goes.
  QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] {
    for (QAction* item : menu->actions()) {
      if (!SelectorOf(item).isEmpty()) item->setEnabled(true);
    }
  });
  for (QAction* item : menu->actions()) {
    if (item->menu()) validateOnShow(item->menu());
  }
}

void DRActionRouter::attachMenu(QMenu* menu) {
  if (!menu) return;
  validateOnShow(menu);
  // A submenu's items reach this menu's signal too, so only the top menu
  // sends.
  QObject::connect(menu, &QMenu::triggered, menu, [this](QAction* item) { performMenuItem(item); });
}
