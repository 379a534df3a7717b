#include "ui/shell/CSPopoverBaseVC.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include "platform/NotificationCenter.h"
#include "support/CSUndoManager.h"

const QString CSPopoverBaseVC::kClosePopoversNotification = QStringLiteral("cs.86popovers");

namespace {

uint64_t g_openCount = 0;
std::unique_ptr<QEvent> g_lastCloseEvent;
// The input event a popup is handling now: what closes it, when it closes.
std::unique_ptr<QEvent> g_currentInput;
bool g_hookInstalled = false;

}  // namespace

CSPopoverBaseVC::CSPopoverBaseVC(QObject* parent) : QObject(parent) {
  if (!g_hookInstalled) {
    g_hookInstalled = true;
    CSUndoManager::setClosePopoversFunction(&CSPopoverBaseVC::closePopovers);
  }
  NotificationCenter::defaultCenter().addObserver(this, kClosePopoversNotification, nullptr,
                                                  [this](const CSNotification&) { closePopover(); });
  ++g_openCount;
  m_counted = true;
  forgetLastCloseEvent();
}

CSPopoverBaseVC::~CSPopoverBaseVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // A controller that goes before its popup closed would otherwise stay
  // counted as open for the rest of the run.
  if (m_counted && g_openCount > 0) --g_openCount;
  if (m_popover) {
    m_popover->removeEventFilter(this);
    m_popover->hide();
    m_popover->deleteLater();
  }
}

void CSPopoverBaseVC::setPopover(QWidget* popover) {
  if (m_popover == popover) return;
  if (m_popover) m_popover->removeEventFilter(this);
  m_popover = popover;
  if (!popover) return;
  popover->setWindowFlags(popover->windowFlags() | Qt::Popup);
  popover->installEventFilter(this);
}

bool CSPopoverBaseVC::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_popover) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::KeyPress:
        g_currentInput.reset(event->clone());
        QTimer::singleShot(0, [] { g_currentInput.reset(); });
        break;
      case QEvent::Close:
        popoverWillClose();
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void CSPopoverBaseVC::popoverWillClose() {
  g_lastCloseEvent.reset(g_currentInput ? g_currentInput->clone() : nullptr);
  QTimer::singleShot(0, [] { forgetLastCloseEvent(); });
  if (!m_popover) return;
  if (m_dependent) m_dependent->popoverWillClose();
  NotificationCenter::defaultCenter().removeObserver(this);
  QWidget* popover = m_popover;
  m_popover = nullptr;
  popover->removeEventFilter(this);
  // It may be handling the event that closed it.
  popover->deleteLater();
  if (m_counted) {
    m_counted = false;
    if (g_openCount > 0) --g_openCount;
  }
}

void CSPopoverBaseVC::closePopover() {
  if (m_popover) m_popover->close();
}

void CSPopoverBaseVC::forgetLastCloseEvent() {
  g_lastCloseEvent.reset();
}

void CSPopoverBaseVC::closePopovers() {
  if (g_openCount != 0) NotificationCenter::defaultCenter().post(kClosePopoversNotification, nullptr);
}

bool CSPopoverBaseVC::arePopoversRegistered() {
  return g_openCount != 0;
}

uint64_t CSPopoverBaseVC::openCount() {
  return g_openCount;
}

const QEvent* CSPopoverBaseVC::lastCloseEvent() {
  return g_lastCloseEvent.get();
}
