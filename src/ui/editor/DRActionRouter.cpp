#include "ui/editor/DRActionRouter.h"

#include <QAction>
#include <QMenu>

const char* const DRActionRouter::kSelectorProperty = "selector";

namespace {

QString SelectorOf(const QAction* item) {
  return item ? item->property(DRActionRouter::kSelectorProperty).toString() : QString();
}

}  // namespace

DRActionTarget* DRActionRouter::targetForAction(const QString& selector) const {
  if (selector.isEmpty() || !m_chain) return nullptr;
  for (DRActionTarget* target : m_chain()) {
    if (target && target->respondsToSelector(selector)) return target;
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

void DRActionRouter::validateOnShow(QMenu* menu) {
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
    for (QAction* item : menu->actions()) validateMenuItem(item);
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
  QObject::connect(menu, &QMenu::triggered, menu, [this](QAction* item) {
    const QString selector = SelectorOf(item);
    if (!selector.isEmpty()) sendAction(selector, item);
  });
}
