#pragma once
// The sheet that asks for a painting's width and height, for a new
// painting and for a new size of the painting being edited. It offers a
// check box for centring the picture unless g_centerFlag is 23, and keeps
// g_centerFlag at the box's state. The size travels in a record of the
// class (points, which are pixels at zoom 1).

#include <QSizeF>
#include <cstdint>

#include "ui/editor/DREditorDialogs.h"
#include "ui/inspector/DRArrangeSheets.h"

class CSMeasureField;
class QCheckBox;

class DRPaintingSizeDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 67;
  // The value of g_centerFlag that hides the check box.
  static constexpr int kHideCenterBox = 23;
  using SizeHandler = DREditorDialogs::SizeHandler;

  // Begins the sheet on the window with the size; `done` hears whether the
  // user chose OK and the size. Without a window (or while it shows a
  // sheet) `done` hears a cancel at once.
  static DRPaintingSizeDialog* getSize(DREditorWindowHost* window, QSizeF size, SizeHandler done);
  DRPaintingSizeDialog(DREditorWindowHost* window, SizeHandler done);
  ~DRPaintingSizeDialog() override;

  // The size record: set when a sheet opens, written on OK.
  static QSizeF sharedSize() { return s_size; }

  MeasureUnit width() const { return m_width; }
  MeasureUnit height() const { return m_height; }
  void setWidth(MeasureUnit width);
  void setHeight(MeasureUnit height);
  CSMeasureField* widthField() const { return m_widthField; }
  CSMeasureField* heightField() const { return m_heightField; }
  QCheckBox* centerCheckbox() const { return m_centerCheckbox; }

  void handleCancel() override;
  // g_centerFlag follows the check box.
  void setCenter();
  // Shows both sides again in the user's new unit.
  void unitsChanged();

 protected:
  void apply(bool reset) override;

 private:
  void answer(bool success);

  static QSizeF s_size;
  SizeHandler m_done;
  CSMeasureField* m_widthField = nullptr;
  CSMeasureField* m_heightField = nullptr;
  QCheckBox* m_centerCheckbox = nullptr;
  MeasureUnit m_width = 0;
  MeasureUnit m_height = 0;
};
