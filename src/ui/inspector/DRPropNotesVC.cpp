#include "ui/inspector/DRPropNotesVC.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "model/DRElement.h"
#include "support/CSUndoManager.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/inspector/DRPaneRegistry.h"

DRPropNotesVC::DRPropNotesVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Notes"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  m_textField = new QPlainTextEdit(this);
  m_textField->setMinimumHeight(60);
  layout->addWidget(m_textField);
}

void DRPropNotesVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropNotesVC"),
                                        [](const QString&, QWidget* parent) { return new DRPropNotesVC(parent); });
}

void DRPropNotesVC::awakeFromNib() {
  DRPropBaseVC::awakeFromNib();
  // The text view has no spelling checker to switch on while typing: the
  // preference is read and has no effect here.
  (void)EditorPrefs().checkSpelling();
  connect(m_textField, &QPlainTextEdit::textChanged, this, [this] { textDidChange(); });
}

void DRPropNotesVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.size() != 1 || !elements.front()) return;
  const QSignalBlocker blocker(m_textField);
  m_textField->setPlainText(elements.front()->notes());
  m_undoID = CSUndoManager::kFreshUndoID;
}

void DRPropNotesVC::textDidChange() {
  if (isRetired()) return;
  const std::vector<DRElement*>& elements = selection();
  if (elements.size() != 1 || !elements.front()) return;
  DRElement* element = elements.front();
  if (!openUndoEntry(&m_undoID, kUndoNotes)) return;
  element->setNotes(m_textField->toPlainText());
}

namespace {
const bool g_notesPaneRegistered = (DRPropNotesVC::registerPane(), true);
}  // namespace
