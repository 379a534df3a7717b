#pragma once
// The arrow sheet: chooses an arrowhead from the standard arrows or the
// application's recent ones, shapes it in the arrow editor and gives it a
// fill colour of its own. OK makes the result the default arrow for new
// lines and, when the sheet was opened for the selection, the arrow of the
// selected lines (one undo step). An arrow with neither head is no arrow.

#include <optional>

#include "model/DRArrow.h"
#include "ui/inspector/DRSheetController.h"

class CSCheckBox;
class CSColorWell;
class DRArrowExample;
class DRArrowView;
class QCheckBox;
class QListWidget;

class DRArrowDialog : public DRSheetController {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 60;
  // The two lists, told apart by their tag.
  static constexpr int kStandardListTag = 0;
  static constexpr int kRecentListTag = 1;
  static constexpr int kStandardArrowCount = 6;

  // Runs the sheet on the window: for the selection's arrow with
  // `modifySelection` (the arrow pane), or for the default arrow of new lines
  // without it (the tool options). Null when the window cannot show it.
  static DRArrowDialog* runArrowSheet(const std::optional<DRArrow>& arrow, DREditorWindowHost* drawController,
                                      bool modifySelection);

  DRArrowDialog(DREditorWindowHost* drawController, const std::optional<DRArrow>& arrow, bool modifySelection);

  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  bool modifySelection() const { return m_modifySelection; }

  // The arrow of a row: standard arrow row + 1, or the recent arrow there.
  static std::optional<DRArrow> arrowForRow(int row, bool standard);

  // The editor changed the arrow: take it and show it everywhere.
  void arrowChanged();
  // Shows the arrow in the editor, the preview and the fill controls.
  void installArrow();
  // The own-fill box: on gives the arrow its fill colour (black when it has
  // none) and brings up the colour panel; off removes the colour.
  void setDifferentFill(bool on);
  void setFillColor(Kolor kolor);

  // ---- Controls, for the panes' tests and the layout ----
  QListWidget* standardArrows() const { return m_standardArrows; }
  QListWidget* recentArrows() const { return m_recentArrows; }
  QCheckBox* startButton() const;
  QCheckBox* endButton() const;
  QCheckBox* fillButton() const;
  QCheckBox* differentFillButton() const;
  CSColorWell* fillColorSwatch() const { return m_fillColorSwatch; }
  DRArrowExample* exampleView() const { return m_exampleView; }
  DRArrowView* editView() const { return m_editView; }

 protected:
  void apply(bool reset) override;

 private:
  QListWidget* makeList(int tag);
  void rowSelected(QListWidget* list);
  void flagChanged(CSCheckBox* box, void (DRArrow::*setter)(int));
  static void showFlag(CSCheckBox* box, int value);

  std::optional<DRArrow> m_arrow;
  bool m_modifySelection;
  QListWidget* m_standardArrows = nullptr;
  QListWidget* m_recentArrows = nullptr;
  CSCheckBox* m_startButton = nullptr;
  CSCheckBox* m_endButton = nullptr;
  CSCheckBox* m_fillButton = nullptr;
  CSCheckBox* m_differentFillButton = nullptr;
  CSColorWell* m_fillColorSwatch = nullptr;
  DRArrowExample* m_exampleView = nullptr;
  DRArrowView* m_editView = nullptr;
};
