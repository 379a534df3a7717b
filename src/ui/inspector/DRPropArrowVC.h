#pragma once
// The arrow pane of lines and bent lines: arrowheads at the start and the
// end and a filled head (check boxes that also set the default arrow of new
// lines), a list of the six standard arrows and the arrow sheet.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class DRElement;
class QListWidget;
class QPushButton;

class DRPropArrowVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  static constexpr int kStandardArrowCount = 6;

  explicit DRPropArrowVC(QWidget* parent = nullptr);

  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  void setOnStart();
  void setOnEnd();
  void setFill();
  // A pick in the standard list; -1 (the list's own deselection) does
  // nothing.
  void standardArrowPicked(int row);
  void changeArrow();

  CSCheckBox* onStartButton() const { return m_onStartButton; }
  CSCheckBox* onEndButton() const { return m_onEndButton; }
  CSCheckBox* fillButton() const { return m_fillButton; }
  QListWidget* standardArrows() const { return m_standardArrows; }
  QPushButton* changeButton() const { return m_changeButton; }

 private:
  enum class Flag { kStart, kEnd, kFill };
  void setFlag(Flag flag, CSCheckBox* box);
  void arrowChanged();

  CSCheckBox* m_onEndButton = nullptr;
  CSCheckBox* m_onStartButton = nullptr;
  CSCheckBox* m_fillButton = nullptr;
  QListWidget* m_standardArrows = nullptr;
  QPushButton* m_changeButton = nullptr;
  // The line whose arrow the boxes and the sheet start from; it outlives no
  // selection change.
  DRElement* m_lineElement = nullptr;
  uint32_t m_undoID = 0;
};
