#include "ui/inspector/CSPullDownButton.h"

#include <QAction>
#include <QMenu>

namespace {

const char* const kTagProperty = "tag";

}  // namespace

CSPullDownButton::CSPullDownButton(QWidget* parent) : QToolButton(parent), m_menu(new QMenu(this)) {
  setPopupMode(QToolButton::InstantPopup);
  setMenu(m_menu);
  connect(m_menu, &QMenu::triggered, this, &CSPullDownButton::itemChosen);
}

QAction* CSPullDownButton::addItem(const QString& title, int tag) {
  QAction* item = m_menu->addAction(title);
  item->setProperty(kTagProperty, tag);
  return item;
}

void CSPullDownButton::addSeparator() {
  m_menu->addSeparator();
}

QAction* CSPullDownButton::itemWithTag(int tag) const {
  for (QAction* item : m_menu->actions()) {
    if (!item->isSeparator() && tagOf(item) == tag) return item;
  }
  return nullptr;
}

int CSPullDownButton::itemCount() const {
  int count = 0;
  for (const QAction* item : m_menu->actions()) count += item->isSeparator() ? 0 : 1;
  return count;
}

void CSPullDownButton::removeAllItems() {
  m_menu->clear();
}

int CSPullDownButton::tagOf(const QObject* item) {
  return item ? item->property(kTagProperty).toInt() : 0;
}
