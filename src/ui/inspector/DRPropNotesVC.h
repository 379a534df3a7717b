#pragma once
// The notes pane: the free-text notes of the one selected element, changed
// directly as the user types; a typing run is one undo step.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class QPlainTextEdit;

class DRPropNotesVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropNotesVC(QWidget* parent = nullptr);

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;
  void textDidChange();

  QPlainTextEdit* textField() const { return m_textField; }

 private:
  QPlainTextEdit* m_textField = nullptr;
  uint32_t m_undoID = 0;
};
