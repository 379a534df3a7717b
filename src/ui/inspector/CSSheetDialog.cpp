#include "ui/inspector/CSSheetDialog.h"

#include <algorithm>

#include "ui/shell/ShellSeams.h"

CSSheetDialog::CSSheetDialog(QWidget* window)
    : CSValidatedDialog(window ? window->window() : nullptr, Qt::Dialog), m_helpTopic(kNoHelpTopic) {
  setWindowModality(Qt::WindowModal);
  setAttribute(Qt::WA_DeleteOnClose, true);
}

bool CSSheetDialog::windowHasSheet(const QWidget* window) {
  if (!window) return false;
  const auto dialogs = window->window()->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
  return std::any_of(dialogs.begin(), dialogs.end(), [](const QDialog* dialog) { return dialog->isVisible(); });
}

bool CSSheetDialog::beginSheet() {
  QWidget* window = parentWidget();
  if (!window || windowHasSheet(window)) {
    deleteLater();
    return false;
  }
  open();
  return true;
}

void CSSheetDialog::endSheet(int returnCode) {
  done(returnCode);
}

void CSSheetDialog::giveHelp() {
  if (m_helpTopic != kNoHelpTopic) HelpViewer().displayHelp(m_helpTopic);
}
