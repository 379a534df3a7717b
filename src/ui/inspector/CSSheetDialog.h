#pragma once
// The base of the element dialogs run as sheets on a document window: the
// dialog is a window-modal child of the window (so the window knows a
// sheet is up), keeps itself alive while shown and deletes itself once it
// has closed. Its fields' refusals are told as CSValidatedDialog tells
// them; its help button opens the help viewer at the dialog's topic.

#include <cstdint>

#include "support/widgets/CSValidatedDialog.h"

class CSSheetDialog : public CSValidatedDialog {
  Q_OBJECT

 public:
  // The dialog of the window; nothing is shown until beginSheet.
  explicit CSSheetDialog(QWidget* window);

  // Shows the sheet; false, and the dialog deleted, when it has no window
  // or the window already shows a sheet.
  bool beginSheet();
  // Ends the sheet with the code (1 OK, 0 Cancel): it closes and goes.
  void endSheet(int returnCode);

  int64_t helpTopic() const { return m_helpTopic; }
  void setHelpTopic(int64_t topic) { m_helpTopic = topic; }
  // Opens the help at the topic; the sheet stays.
  void giveHelp();

  // Whether the window shows a sheet now.
  static bool windowHasSheet(const QWidget* window);

 private:
  int64_t m_helpTopic;
};
