#pragma once
// Takes over the shell's dialogs (RunSheet and ExecDialog) while it lives:
// each dialog is handed to the next scripted answer, which sets it up as a
// user would and ends it; a dialog with no answer left is rejected. Every
// dialog seen is recorded by its class and title.

#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "ui/shell/ShellWindows.h"

class ScriptedDialogs {
 public:
  struct Seen {
    QString className;
    QString title;
    bool windowModal = false;
  };
  using Answer = std::function<void(QDialog*)>;

  ScriptedDialogs() {
    SetDialogScript([this](QDialog* dialog) {
      m_seen.push_back({QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle(),
                        dialog->windowModality() == Qt::WindowModal});
      if (m_answers.empty()) {
        dialog->reject();
        return;
      }
      Answer answer = std::move(m_answers.front());
      m_answers.pop_front();
      answer(dialog);
    });
  }
  ~ScriptedDialogs() { SetDialogScript(nullptr); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  void push(Answer answer) { m_answers.push_back(std::move(answer)); }
  const std::vector<Seen>& seen() const { return m_seen; }

 private:
  std::deque<Answer> m_answers;
  std::vector<Seen> m_seen;
};
