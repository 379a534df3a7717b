#pragma once
// The sheets that arrange the selection of a drawing window: Align, Rotate,
// Scale, Distribute and Select by type. Each is run on the window by its
// class operation, acts through the window's drawing controller on OK and
// then goes. What a sheet remembers from one run to the next lives in
// class-wide values for the life of the process (never in the defaults);
// tests put them back with resetRememberedValues().

#include <QHash>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "support/Measure.h"
#include "ui/inspector/DRSheetController.h"

class CSDoubleSlider;
class CSMeasureField;
class CSRadioMatrix;
class DRDrawVC;
class DRDrawView;
class DRElement;
class QCheckBox;
class QLineEdit;

// What the sheets of a drawing window need beyond the base: the drawing
// controller and its canvas, undo entries and typing that ends on OK.
class DRDrawingSheet : public DRSheetController {
  Q_OBJECT

 protected:
  using DRSheetController::DRSheetController;

  // The field's action runs when an edit of it ends (Return, Tab, the focus
  // going) and when OK ends typing in it.
  void watchField(QLineEdit* field, std::function<void()> action);
  // Ends typing as OK does: a measure field holding typed text that its
  // formatter refuses is complained about (unless told not to) and keeps
  // the sheet open (false); otherwise the edit under way is taken (its
  // action runs) and the sheet takes the focus.
  bool endTyping(bool complain = true);

  // The window's drawing controller and canvas, or null (another tab).
  DRDrawVC* drawVC() const;
  DRDrawView* drawView() const;
  // The object of the window's notifications.
  QObject* notificationWindow() const;
  // Opens a new undo entry on the drawing controller; false: change nothing.
  bool openUndoEntry(int action, int descriptor) const;

 private:
  QHash<QLineEdit*, std::function<void()>> m_fieldActions;
};

// The rows of both alignment matrices.
enum DRAlignRow : int {
  kAlignRowLeave = 0,
  kAlignRowLeading = 1,   // left or top
  kAlignRowTrailing = 2,  // right or bottom
  kAlignRowCentre = 3,
  kAlignRowAbut = 4,
};

class DRAlignDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 59;

  static DRAlignDialog* runSheetForWindow(DREditorWindowHost* drawController);
  explicit DRAlignDialog(DREditorWindowHost* drawController);

  CSRadioMatrix* horizontal() const { return m_horizontal; }
  CSRadioMatrix* vertical() const { return m_vertical; }

  // The rows chosen at the last OK (both 0 at launch).
  static int xAlignment() { return s_xAlignment; }
  static int yAlignment() { return s_yAlignment; }
  static void resetRememberedValues();

 protected:
  void apply(bool reset) override;

 private:
  CSRadioMatrix* m_horizontal = nullptr;
  CSRadioMatrix* m_vertical = nullptr;
  static int s_xAlignment;
  static int s_yAlignment;
};

class DRRotateDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 68;
  // The direction matrix's columns.
  static constexpr int kLeftColumn = 0;
  static constexpr int kRightColumn = 1;

  static DRRotateDialog* runSheetForWindow(DREditorWindowHost* drawController);
  explicit DRRotateDialog(DREditorWindowHost* drawController);

  CSRadioMatrix* direction() const { return m_direction; }
  CSDoubleSlider* rotateSlider() const { return m_rotateSlider; }
  CSMeasureField* rotateField() const { return m_rotateField; }

  // The slider moved or the field's edit ended: both show the angle read
  // from the sender.
  void setRotation(QWidget* sender);
  // The direction matrix: remembered at once, so Cancel keeps it too.
  void changeDirection();

  // The direction column (1, right, at launch).
  static int rightRotate() { return s_rightRotate; }
  static void resetRememberedValues();

 protected:
  void apply(bool reset) override;

 private:
  void showAngle(MeasureUnit angle);

  CSRadioMatrix* m_direction = nullptr;
  CSDoubleSlider* m_rotateSlider = nullptr;
  CSMeasureField* m_rotateField = nullptr;
  static int s_rightRotate;
};

class DRScaleDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 69;
  // The scale field's range: 0.01 % to 10,000 % (percent x 12,700).
  static constexpr MeasureUnit kMinimumScale = 127;
  static constexpr MeasureUnit kMaximumScale = 127000000;
  // Sizes read from the fields are rounded to this step.
  static constexpr MeasureUnit kStep = 127;
  static const QString kBadScaleMessage;  // "Bad scale value."
  static const QString kBadScaleInfo;     // "The scale value is too large ..."

  static DRScaleDialog* runSheetForWindow(DREditorWindowHost* drawController);
  explicit DRScaleDialog(DREditorWindowHost* drawController);
  ~DRScaleDialog() override;

  CSMeasureField* scaleField() const { return m_scaleField; }
  CSMeasureField* widthField() const { return m_widthField; }
  CSMeasureField* heightField() const { return m_heightField; }
  // The first selected element, the only one scaled; null without one.
  DRElement* element() const { return m_element; }

  // The field actions: a scale sizes both axes; a width or height keeps the
  // proportions and shows the scale it gives.
  void setScale();
  void setWidth();
  void setHeight();
  // Shows the width and height again in the user's new unit.
  void unitsChanged();

 protected:
  void apply(bool reset) override;

 private:
  void setSide(bool width);
  void showSize(CSMeasureField* field, MeasureUnit value);

  CSMeasureField* m_scaleField = nullptr;
  CSMeasureField* m_widthField = nullptr;
  CSMeasureField* m_heightField = nullptr;
  DRElement* m_element = nullptr;
  // The unscaled size, and the sizes the fields show (so a unit change can
  // show them again).
  MeasureUnit m_unscaledWidth = 0;
  MeasureUnit m_unscaledHeight = 0;
  MeasureUnit m_width = 0;
  MeasureUnit m_height = 0;
};

class DRDistributeDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 63;
  // A quarter inch on each axis.
  static constexpr CSPoint kInitialOffset{228600, 228600};

  // Called when the sheet ends: whether the user chose OK, and the offset.
  using OffsetHandler = std::function<void(bool success, CSPoint offset)>;
  // Begins the sheet on the window; without a window (or while it shows a
  // sheet) the handler hears a cancel at once.
  static DRDistributeDialog* getOffset(DREditorWindowHost* drawController, OffsetHandler done);
  DRDistributeDialog(DREditorWindowHost* drawController, OffsetHandler done);
  ~DRDistributeDialog() override;

  // The offsets the two fields show.
  MeasureUnit offsetX() const { return m_x; }
  MeasureUnit offsetY() const { return m_y; }
  void setOffsetX(MeasureUnit x);
  void setOffsetY(MeasureUnit y);
  CSMeasureField* xField() const { return m_xField; }
  CSMeasureField* yField() const { return m_yField; }

  void handleCancel() override;
  // Shows both offsets again in the user's new unit.
  void unitsChanged();

  // The offset of the last OK (a quarter inch each way at launch).
  static CSPoint previousOffset() { return s_previousOffset; }
  static void resetRememberedValues();

 protected:
  void apply(bool reset) override;

 private:
  void tell(bool success);

  CSMeasureField* m_xField = nullptr;
  CSMeasureField* m_yField = nullptr;
  MeasureUnit m_x = 0;
  MeasureUnit m_y = 0;
  OffsetHandler m_done;
  static CSPoint s_previousOffset;
};

class DRTypeSelectDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 70;
  // One box per element category 0-14: the element types, then polygons
  // and bent lines with curves.
  static constexpr int kBoxCount = 15;

  static DRTypeSelectDialog* runSheetForWindow(DREditorWindowHost* drawController);
  explicit DRTypeSelectDialog(DREditorWindowHost* drawController);

  // The box with the tag (0-14), or null.
  QCheckBox* checkbox(int tag) const;

  // The mask of the last OK (0 at launch).
  static uint64_t lastMask() { return s_lastMask; }
  static void resetRememberedValues();

 protected:
  void apply(bool reset) override;

 private:
  QCheckBox* m_boxes[kBoxCount] = {};
  static uint64_t s_lastMask;
};
