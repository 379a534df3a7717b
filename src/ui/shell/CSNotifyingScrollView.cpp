#include "ui/shell/CSNotifyingScrollView.h"

#include <QScrollBar>

#include "platform/NotificationCenter.h"

const QString CSNotifyingScrollView::kVerticalScrollNotification = QStringLiteral("tindlewick.vscroll");
const QString CSNotifyingScrollView::kHorizontalScrollNotification = QStringLiteral("tindlewick.hscroll");

CSNotifyingScrollView::CSNotifyingScrollView(QWidget* parent) : QScrollArea(parent) {
  awakeFromNib();
}

void CSNotifyingScrollView::awakeFromNib() {
  for (QMetaObject::Connection& connection : m_connections) QObject::disconnect(connection);
  m_pending[0] = m_pending[1] = false;
  watch(horizontalScrollBar(), false);
  watch(verticalScrollBar(), true);
}

void CSNotifyingScrollView::watch(QScrollBar* bar, bool vertical) {
  if (!bar) return;
  const int slot = vertical ? 1 : 0;
  // A user action moves the slider before the value follows; the value's
  // change is what moves the view (the area's own handler runs first, as it
  // connected first), so the post waits for it. An action that cannot move
  // the view (at an end) leaves nothing pending.
  m_connections[slot * 2] = QObject::connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, slot](int) {
    m_pending[slot] = bar->sliderPosition() != bar->value();
  });
  m_connections[slot * 2 + 1] = QObject::connect(bar, &QAbstractSlider::valueChanged, this, [this, slot](int) {
    if (!m_pending[slot]) return;
    m_pending[slot] = false;
    NotificationCenter::defaultCenter().post(slot ? kVerticalScrollNotification : kHorizontalScrollNotification,
                                             widget());
  });
}
