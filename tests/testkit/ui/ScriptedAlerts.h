#pragma once
// Takes over the window-modal alerts (CSAlert::startAlertMessage) while it
// lives: each alert is kept, unshown, until the test answers it, so a test
// plays the user's clicks one at a time and sees what was asked.

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "support/widgets/CSAlert.h"

class ScriptedAlerts {
 public:
  struct Asked {
    QString message;
    QString moreInfo;
    QStringList buttons;  // in the caller's order
    QPointer<QWidget> host;
    QPointer<QMessageBox> alert;
  };

  ScriptedAlerts() {
    CSAlert::setStartHook([this](QMessageBox* alert, QWidget* host) {
      Asked asked{alert->text(), alert->informativeText(), ButtonTitles(alert), host, alert};
      m_asked.push_back(asked);
    });
  }
  ~ScriptedAlerts() { CSAlert::setStartHook(nullptr); }
  ScriptedAlerts(const ScriptedAlerts&) = delete;
  ScriptedAlerts& operator=(const ScriptedAlerts&) = delete;

  // Every alert asked, answered or not.
  const std::vector<Asked>& asked() const { return m_asked; }
  QStringList messages() const {
    QStringList list;
    for (const Asked& a : m_asked) list << a.message;
    return list;
  }
  // The alerts still open.
  int pendingCount() const {
    int count = 0;
    for (const Asked& a : m_asked) count += a.alert ? 1 : 0;
    return count;
  }
  // The oldest alert still open, or null.
  QMessageBox* pending() const {
    for (const Asked& a : m_asked) {
      if (a.alert) return a.alert;
    }
    return nullptr;
  }
  // Clicks the button titled `title` of the oldest open alert; false when
  // there is none or it has no such button.
  bool answer(const QString& title) {
    for (Asked& a : m_asked) {
      if (!a.alert) continue;
      const qsizetype index = a.buttons.indexOf(title);
      if (index < 0) return false;
      // Answering may ask the next alert, which moves the list.
      QMessageBox* alert = a.alert;
      a.alert = nullptr;
      CSAlert::finishAlert(alert, int(index));
      return true;
    }
    return false;
  }

 private:
  static QStringList ButtonTitles(QMessageBox* alert) {
    QStringList titles;
    for (QAbstractButton* button : alert->buttons()) {
      const int index = button->property("csAlertIndex").toInt();
      while (titles.size() <= index) titles << QString();
      titles[index] = button->text();
    }
    return titles;
  }

  std::vector<Asked> m_asked;
};
