#include "ui/inspector/DRSheetController.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/editor/DREditorWindowHost.h"
#include "ui/shell/ShellSeams.h"

QWidget* DRSheetController::windowOf(DREditorWindowHost* drawController) {
  if (!drawController) return nullptr;
  auto* window = qobject_cast<QWidget*>(drawController->window());
  return window ? window->window() : nullptr;
}

DRSheetController::DRSheetController(DREditorWindowHost* drawController, int64_t helpTopic)
    : CSSheetDialog(windowOf(drawController)), m_drawController(drawController) {
  setHelpTopic(helpTopic);
}

DREditorContent* DRSheetController::currentVC() const {
  return m_drawController ? m_drawController->currentVC() : nullptr;
}

QDialogButtonBox* DRSheetController::addButtonRow(QBoxLayout* layout, bool withReset) {
  auto* buttons = new QDialogButtonBox(this);
  m_ok = buttons->addButton(QDialogButtonBox::Ok);
  m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
  if (withReset) m_reset = buttons->addButton(QDialogButtonBox::Reset);
  if (helpTopic() != kNoHelpTopic) m_help = buttons->addButton(QDialogButtonBox::Help);
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &DRSheetController::handleOK);
  connect(m_cancel, &QPushButton::clicked, this, [this] { handleCancel(); });
  if (m_reset) connect(m_reset, &QPushButton::clicked, this, &DRSheetController::handleReset);
  if (m_help) connect(m_help, &QPushButton::clicked, this, &DRSheetController::giveHelp);
  if (layout) layout->addWidget(buttons);
  return buttons;
}

void DRSheetController::apply(bool reset) {
  (void)reset;
  finish();
}
