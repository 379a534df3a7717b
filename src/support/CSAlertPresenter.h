#pragma once
// What shows an alert. The support library only knows this interface; the
// application installs a window-based presenter at start-up. Until then, and
// in tests, a recording presenter answers every alert with its first button.

#include <QString>
#include <QStringList>
#include <functional>
#include <mutex>
#include <vector>

class CSAlertPresenter {
 public:
  virtual ~CSAlertPresenter() = default;
  // Shows the alert and returns the index of the button pressed (0 first).
  // `buttons` empty means a single default button. With `suppress` set the
  // alert offers a box for not showing the message again and stores its state.
  virtual int giveAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                               bool* suppress) = 0;
};

// Installs `presenter` (not owned; null restores the recording presenter) and
// returns the one it replaces.
CSAlertPresenter* SetAlertPresenter(CSAlertPresenter* presenter);
CSAlertPresenter* CurrentAlertPresenter();

// Remembers each alert and answers with a scripted button (0 by default).
class CSRecordingAlertPresenter : public CSAlertPresenter {
 public:
  struct Alert {
    QString message;
    QString moreInfo;
    QStringList buttons;
    bool offeredSuppression = false;
  };

  int giveAlertMessage(const QString& message, const QString& moreInfo, const QStringList& buttons,
                       bool* suppress) override;

  std::vector<Alert> alerts() const;
  void clear();
  void setAnswer(int button) { m_answer = button; }
  void setSuppressAnswer(bool value) { m_suppressAnswer = value; }

  static CSRecordingAlertPresenter& shared();

 private:
  mutable std::mutex m_lock;
  std::vector<Alert> m_alerts;
  int m_answer = 0;
  bool m_suppressAnswer = false;
};
