#pragma once
// The dash-pattern sheet: the custom dash pattern of the selected lines in
// the pattern editor, with a sample line, the pattern's phase and whether
// it grows with the line width. OK gives every selected line the pattern
// (a single length makes them solid at phase 0, keeping their stored
// patterns) as one undo step. Closing, by OK or Cancel, tells the pane
// that opened the sheet to show the selection again.

#include <QPointer>

#include "ui/inspector/DRPropBaseVC.h"
#include "ui/inspector/DRSheetController.h"

class CSCheckBox;
class CSMeasureField;
class CSMeasureFormatter;
class CSSegmentedControl;
class DRLinePatternExample;
class DRLinePatternView;

class DRLinePatternDialog : public DRSheetController {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 66;
  // The editor's fixed size: its width keeps the bar's scale positive.
  static constexpr int kEditorWidth = 420;
  static constexpr int kEditorHeight = 61;

  // Begins the sheet on the drawing window for the pane that asked; null
  // when it cannot be shown.
  static DRLinePatternDialog* runSheetForWindow(DREditorWindowHost* drawController, DRPropBaseVC* propViewController);

  DRLinePatternDialog(DREditorWindowHost* drawController, DRPropBaseVC* propViewController);

  CSMeasureField* phaseField() const { return m_phaseField; }
  CSCheckBox* scalePatternButton() const { return m_scalePatternButton; }
  // The formatter of the editor's length cells: points, no unit names.
  CSMeasureFormatter* formatter() const { return m_formatter; }
  DRLinePatternView* linePatternView() const { return m_linePatternView; }
  DRLinePatternExample* exampleView() const { return m_exampleView; }
  CSSegmentedControl* segmentCountControl() const { return m_segmentCountControl; }
  DRPropBaseVC* propController() const { return m_propController; }

  // The editor was left by Tab (next) or Shift-Tab: the phase field takes
  // the focus when the event loop next turns.
  void selectTextField(bool next);

 protected:
  void apply(bool reset) override;

 private:
  CSMeasureField* m_phaseField = nullptr;
  CSCheckBox* m_scalePatternButton = nullptr;
  CSMeasureFormatter* m_formatter = nullptr;
  DRLinePatternView* m_linePatternView = nullptr;
  DRLinePatternExample* m_exampleView = nullptr;
  CSSegmentedControl* m_segmentCountControl = nullptr;
  QPointer<DRPropBaseVC> m_propController;
};
