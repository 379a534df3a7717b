#pragma once
// The application's alerts on QMessageBox: the presenter behind the alert
// facade (GiveSimpleAlert, OkToProceed, GiveAlert), run application-modally,
// and alerts shown window-modally on a document window, whose answer comes
// back through a callback. Either form can offer a box for not showing the
// message again.

#include "support/CSAlertPresenter.h"

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QAbstractButton;
class QWidget;

class CSAlert : public CSAlertPresenter {
 public:
  // The response of the first button; the modal call answers the response
  // minus this, the window-modal callback the response itself.
  static constexpr int kFirstButtonResponse = 1000;

  // Called when a window-modal alert ends, with the alert (its suppression
  // box can still be read), the response and the context given.
  using Completion = std::function<void(QMessageBox* alert, int response, void* context)>;

  static CSAlert* sharedInstance();
  CSAlert(const CSAlert&) = delete;
  CSAlert& operator=(const CSAlert&) = delete;

  // The modal alert; a retry later is allowed only when no titles are given.
  int giveAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                       bool* suppress) override;
  // Runs the alert application-modally and answers the index of the button
  // pressed (0 first). If running it fails, the answer is 0 and, when
  // `allowDelay`, the alert is shown again from the event loop with the
  // default button. With `suppress` the alert offers the suppression box and
  // stores its state there.
  int giveAlertMessage(const QString& message, const QString& moreInfo, bool allowDelay, const QStringList& buttons,
                       bool* suppress);

  // Shows the alert window-modally on `hostWindow` and returns at once; the
  // completion runs when a button ends it. Without a host window the alert
  // is application-modal, still without blocking.
  void startAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                         bool showSuppressButton, QWidget* hostWindow, Completion completion, void* context);
  // The same for an alert the caller made with createAlertWithMessage and
  // adjusted (a cleared default button, say); the alert is taken over.
  void startAlert(std::unique_ptr<QMessageBox> alert, QWidget* hostWindow, Completion completion, void* context);

  // Scripting of the window-modal alerts, for tests: while a hook is set, an
  // alert that would be shown is handed to it instead, its completion
  // already connected, and stays open until finishAlert ends it. Null
  // restores showing.
  using StartHook = std::function<void(QMessageBox* alert, QWidget* hostWindow)>;
  static void setStartHook(StartHook hook);
  // Ends the alert as a click on its button `index` (0 first) would.
  static void finishAlert(QMessageBox* alert, int index);

  // [message, info]: the modal alert with the default buttons, no retry, no
  // suppression box.
  void giveAlertWithStrings(const QStringList& strings);

  // A new alert. Without titles it has "OK" and a hidden "Cancel" that
  // Escape still answers (index 1); a title "Cancel" is what Escape answers.
  // The first button is the default.
  std::unique_ptr<QMessageBox> createAlertWithMessage(const QString& message, const QString& moreInfo,
                                                      const QStringList& buttons, bool showSuppressButton);

  // The alert's button `index` (0 first) of the caller's list, or null.
  static QAbstractButton* buttonOfAlert(const QMessageBox* alert, int index);
  // Leaves the alert with no default button, shown or not, so that Return
  // answers nothing: no button takes Return on its own, and none has the
  // accepting role that the message box gives the default to when shown.
  // The keyboard focus starts on the Escape button.
  static void clearDefaultButton(QMessageBox* alert);

  // The response (kFirstButtonResponse + index) of the button that ended
  // the alert; the Escape button's when none was clicked.
  static int responseOfAlert(const QMessageBox* alert);
  // Whether the alert's suppression box is ticked.
  static bool isSuppressionChecked(const QMessageBox* alert);

 private:
  CSAlert() = default;
};

// Makes the shared CSAlert the presenter of the alert facade. The
// application calls it once at start-up, after making its QApplication.
void InstallAlertPresenter();
