#include "support/widgets/CSAlert.h"

#include "support/CSCore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

// Each button carries its index in the caller's list: the message box orders
// its buttons by role, not by the order they were added.
constexpr char kIndexProperty[] = "csAlertIndex";

const QString kSuppressionTitle = QStringLiteral("Don't show this message again");
// The box's own title when the alert has two or more buttons.
const QString kDefaultSuppressionTitle = QStringLiteral("Do not show this message again");

bool HaveWidgetApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool OnMainThread() {
  return QThread::currentThread() == QCoreApplication::instance()->thread();
}

CSAlert::StartHook& StartHookSlot() {
  static CSAlert::StartHook hook;
  return hook;
}

int IndexOfButton(const QAbstractButton* button) {
  if (!button) return -1;
  bool ok = false;
  const int index = button->property(kIndexProperty).toInt(&ok);
  return ok ? index : -1;
}

}  // namespace

CSAlert* CSAlert::sharedInstance() {
  static CSAlert alert;
  return &alert;
}

void InstallAlertPresenter() {
  SetAlertPresenter(CSAlert::sharedInstance());
}

// ---- Building ----------------------------------------------------------------------

std::unique_ptr<QMessageBox> CSAlert::createAlertWithMessage(const QString& message, const QString& moreInfo,
                                                             const QStringList& buttons, bool showSuppressButton) {
  auto alert = std::make_unique<QMessageBox>();
  alert->setIcon(QMessageBox::Warning);
  if (!message.isEmpty()) alert->setText(message);
  if (!moreInfo.isEmpty()) alert->setInformativeText(moreInfo);
  if (showSuppressButton) {
    alert->setCheckBox(new QCheckBox(buttons.size() < 2 ? kSuppressionTitle : kDefaultSuppressionTitle));
  }

  const bool defaultButtons = buttons.isEmpty();
  const QStringList titles = defaultButtons ? QStringList{g_OK, g_cancel} : buttons;
  QPushButton* escape = nullptr;
  for (qsizetype i = 0; i < titles.size(); ++i) {
    const bool isCancel = i > 0 && titles[i] == g_cancel;
    const auto role = i == 0 ? QMessageBox::AcceptRole : isCancel ? QMessageBox::RejectRole : QMessageBox::ActionRole;
    QPushButton* button = alert->addButton(titles[i], role);
    button->setProperty(kIndexProperty, int(i));
    if (i == 0) alert->setDefaultButton(button);
    if (isCancel && !escape) escape = button;
  }
  if (escape) alert->setEscapeButton(escape);
  // Only OK shows; the Cancel stays in the box so that Escape answers it.
  if (defaultButtons && escape) escape->hide();
  return alert;
}

int CSAlert::responseOfAlert(const QMessageBox* alert) {
  int index = IndexOfButton(alert->clickedButton());
  if (index < 0) index = IndexOfButton(alert->escapeButton());
  return kFirstButtonResponse + std::max(index, 0);
}

QAbstractButton* CSAlert::buttonOfAlert(const QMessageBox* alert, int index) {
  if (!alert) return nullptr;
  for (QAbstractButton* button : alert->buttons()) {
    if (IndexOfButton(button) == index) return button;
  }
  return nullptr;
}

void CSAlert::clearDefaultButton(QMessageBox* alert) {
  if (!alert) return;
  alert->setDefaultButton(static_cast<QPushButton*>(nullptr));
  // Buttons move to their place in the box by role: these are taken out
  // and put back in the caller's order, each under its role.
  QList<QAbstractButton*> ordered = alert->buttons();
  std::sort(ordered.begin(), ordered.end(),
            [](const QAbstractButton* a, const QAbstractButton* b) { return IndexOfButton(a) < IndexOfButton(b); });
  QAbstractButton* escape = alert->escapeButton();
  for (QAbstractButton* button : ordered) {
    QMessageBox::ButtonRole role = alert->buttonRole(button);
    if (role != QMessageBox::AcceptRole) continue;
    const bool hidden = button->isHidden();
    alert->removeButton(button);
    // Still to the left of Cancel, but not the answer to Return.
    alert->addButton(button, QMessageBox::DestructiveRole);
    button->setHidden(hidden);
  }
  if (escape) alert->setEscapeButton(escape);
  for (QAbstractButton* button : alert->buttons()) {
    if (auto* push = qobject_cast<QPushButton*>(button)) {
      push->setAutoDefault(false);
      push->setDefault(false);
    }
  }
  if (escape) escape->setFocus(Qt::OtherFocusReason);
}

bool CSAlert::isSuppressionChecked(const QMessageBox* alert) {
  return alert->checkBox() && alert->checkBox()->isChecked();
}

// ---- Modal -----------------------------------------------------------------------------

int CSAlert::giveAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                              bool* suppress) {
  return giveAlertMessage(message, moreInfo, buttons.isEmpty(), buttons, suppress);
}

int CSAlert::giveAlertMessage(const QString& message, const QString& moreInfo, bool allowDelay,
                              const QStringList& buttons, bool* suppress) {
  if (suppress) *suppress = false;
  if (!HaveWidgetApplication()) return 0;
  if (!OnMainThread()) {
    // Widgets live on the main thread; a worker's alert waits for its answer there.
    int result = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] { result = giveAlertMessage(message, moreInfo, allowDelay, buttons, suppress); },
        Qt::BlockingQueuedConnection);
    return result;
  }

  std::unique_ptr<QMessageBox> alert = createAlertWithMessage(message, moreInfo, buttons, suppress != nullptr);
  alert->setWindowTitle(QCoreApplication::applicationName());
  alert->setWindowModality(Qt::ApplicationModal);
  int response = kFirstButtonResponse;
  try {
    alert->exec();
    response = responseOfAlert(alert.get());
  } catch (...) {
    if (allowDelay) {
      const QStringList strings{message, moreInfo};
      QTimer::singleShot(0, QCoreApplication::instance(),
                         [strings] { sharedInstance()->giveAlertWithStrings(strings); });
    }
    return 0;
  }
  if (suppress) *suppress = isSuppressionChecked(alert.get());
  return response - kFirstButtonResponse;
}

void CSAlert::giveAlertWithStrings(const QStringList& strings) {
  giveAlertMessage(strings.value(0), strings.value(1), false, QStringList(), nullptr);
}

// ---- Window-modal --------------------------------------------------------------------------

void CSAlert::startAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                                bool showSuppressButton, QWidget* hostWindow, Completion completion, void* context) {
  if (!HaveWidgetApplication()) return;
  startAlert(createAlertWithMessage(message, moreInfo, buttons, showSuppressButton), hostWindow, std::move(completion),
             context);
}

void CSAlert::startAlert(std::unique_ptr<QMessageBox> made, QWidget* hostWindow, Completion completion, void* context) {
  if (!made || !HaveWidgetApplication()) return;
  QMessageBox* alert = made.release();
  if (hostWindow) {
    alert->setParent(hostWindow->window(), alert->windowFlags() | Qt::Dialog);
    alert->setWindowModality(Qt::WindowModal);
  } else {
    alert->setWindowTitle(QCoreApplication::applicationName());
    alert->setWindowModality(Qt::ApplicationModal);
  }
  QObject::connect(alert, &QDialog::finished, alert, [alert, completion = std::move(completion), context](int) {
    if (completion) completion(alert, responseOfAlert(alert), context);
    alert->deleteLater();
  });
  if (const StartHook& hook = StartHookSlot()) {
    hook(alert, hostWindow);
    return;
  }
  alert->show();
}

void CSAlert::setStartHook(StartHook hook) {
  StartHookSlot() = std::move(hook);
}

void CSAlert::finishAlert(QMessageBox* alert, int index) {
  if (!alert) return;
  for (QAbstractButton* button : alert->buttons()) {
    if (IndexOfButton(button) == index) {
      button->click();
      return;
    }
  }
}
