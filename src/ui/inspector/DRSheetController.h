#pragma once
// The base of the element sheets run on a drawing window: the sheet knows
// the window it works for (drawController), lays out the common button row
// (help at the left; Reset when the sheet has one, Cancel and the default
// OK at the right) and routes the buttons: OK applies through handleOK and
// closes, Reset is handleOK told that it is a reset, Cancel only closes.
// A sheet is made and shown by runSheet; it deletes itself once closed.

#include <QPointer>
#include <cstdint>

#include "ui/inspector/CSSheetDialog.h"

class DREditorContent;
class DREditorWindowHost;
class QBoxLayout;
class QDialogButtonBox;
class QPushButton;

class DRSheetController : public CSSheetDialog {
  Q_OBJECT

 public:
  // The window widget of a drawing window, or null.
  static QWidget* windowOf(DREditorWindowHost* drawController);

  // Makes the sheet on the window's window and begins it; null (and
  // nothing shown) without a window, or while the window shows a sheet.
  template <class Sheet, class... Args>
  static Sheet* runSheet(DREditorWindowHost* drawController, Args&&... args) {
    if (!windowOf(drawController)) return nullptr;
    auto* sheet = new Sheet(drawController, std::forward<Args>(args)...);
    return sheet->beginSheet() ? sheet : nullptr;
  }

  DREditorWindowHost* drawController() const { return m_drawController; }
  // The window's current content controller, or null.
  DREditorContent* currentVC() const;

  QPushButton* okButton() const { return m_ok; }
  QPushButton* cancelButton() const { return m_cancel; }
  QPushButton* resetButton() const { return m_reset; }
  QPushButton* helpButton() const { return m_help; }

  // The button actions, callable by tests as the buttons call them.
  void handleOK() { apply(false); }
  void handleReset() { apply(true); }
  virtual void handleCancel() { endSheet(0); }

 protected:
  DRSheetController(DREditorWindowHost* drawController, int64_t helpTopic);

  // Adds the button row at the bottom of the layout; Reset only when asked.
  QDialogButtonBox* addButtonRow(QBoxLayout* layout, bool withReset = false);
  // Applies the sheet's values (with reset, its reset values); the default
  // closes with OK. A sheet that must stay open (a refused value) returns
  // without calling finish.
  virtual void apply(bool reset);
  // Closes after applying: the sheet ends with OK.
  void finish() { endSheet(1); }

  void reject() override { handleCancel(); }

 private:
  DREditorWindowHost* m_drawController;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_reset = nullptr;
  QPushButton* m_help = nullptr;
};
