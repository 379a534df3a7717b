#pragma once
// The background sheet: the drawing's background picture, drawn behind
// every element at a place, size and opacity of the user's choosing. The
// sheet works on its own copy of those values and writes them to the
// drawing on OK, as one undo step; OK with no width or height left removes
// the picture.

#include <cstdint>

#include "support/CSImage.h"
#include "support/Measure.h"
#include "ui/inspector/DRArrangeSheets.h"

class CSDoubleSlider;
class CSMeasureField;
class DRBackgroundImageCell;
class QLabel;
class QPushButton;

class DRBackgroundDialog : public DRDrawingSheet {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 62;
  // The scale field's range: 0.01 % to 1,000 % (percent x 12,700).
  static constexpr MeasureUnit kMinimumScale = 127;
  static constexpr MeasureUnit kMaximumScale = 12700000;
  static constexpr MeasureUnit kStep = 127;

  static DRBackgroundDialog* runSheetForWindow(DREditorWindowHost* drawController);
  explicit DRBackgroundDialog(DREditorWindowHost* drawController);
  ~DRBackgroundDialog() override;

  // ---- The values the sheet edits ----
  const CSImage& image() const { return m_image; }
  void setImage(const CSImage& image);
  MeasureUnit pictureLeft() const { return m_left; }
  MeasureUnit pictureTop() const { return m_top; }
  MeasureUnit pictureWidth() const { return m_width; }
  MeasureUnit pictureHeight() const { return m_height; }
  void setPictureLeft(MeasureUnit value);
  void setPictureTop(MeasureUnit value);
  void setPictureWidth(MeasureUnit value);
  void setPictureHeight(MeasureUnit value);
  // Percent x 12,700; 0 when there is no picture or no size.
  MeasureUnit scale() const { return m_scale; }
  // 0 to 1.
  double opacity() const { return m_opacity; }
  void setOpacity(double opacity);
  // The picture's own size (measures), 0 without a picture.
  MeasureUnit originalWidth() const;
  MeasureUnit originalHeight() const;

  // ---- Actions ----
  // Runs the open panel on the sheet; the chosen file becomes the picture.
  void openFile();
  // Loads the file as the picture (none when it does not load), keeping the
  // size already set.
  void openPictureFile(const QString& path);
  // The picture changed: by the sheet itself (fromSheet) only the scale is
  // worked out again; a picture dropped on the well also takes its own size.
  void changeImage(bool fromSheet);
  // The scale field's action: sizes the picture to the typed percent.
  void changeScale();
  void changeOpacity();
  // Gives the picture its own size; the Reset button (not fromSheet) also
  // moves it to the top-left corner at full opacity.
  void reset(bool fromSheet);
  // Removes the picture and applies at once.
  void deletePicture();
  void unitsChanged();

  // ---- Controls ----
  QLabel* originalField() const { return m_originalField; }
  CSMeasureField* scaleField() const { return m_scaleField; }
  CSMeasureField* leftField() const { return m_leftField; }
  CSMeasureField* topField() const { return m_topField; }
  CSMeasureField* widthField() const { return m_widthField; }
  CSMeasureField* heightField() const { return m_heightField; }
  CSDoubleSlider* opacitySlider() const { return m_opacitySlider; }
  DRBackgroundImageCell* imageView() const { return m_imageView; }
  QPushButton* openButton() const { return m_openButton; }
  QPushButton* deleteButton() const { return m_deleteButton; }

 protected:
  // OK writes the drawing; the Reset button resets the sheet and stays.
  void apply(bool reset) override;

 private:
  void updateScale();
  void setScale(MeasureUnit scale);

  QLabel* m_originalField = nullptr;
  CSMeasureField* m_scaleField = nullptr;
  CSMeasureField* m_leftField = nullptr;
  CSMeasureField* m_topField = nullptr;
  CSMeasureField* m_widthField = nullptr;
  CSMeasureField* m_heightField = nullptr;
  CSDoubleSlider* m_opacitySlider = nullptr;
  DRBackgroundImageCell* m_imageView = nullptr;
  QPushButton* m_openButton = nullptr;
  QPushButton* m_deleteButton = nullptr;

  CSImage m_image;
  MeasureUnit m_left = 0;
  MeasureUnit m_top = 0;
  MeasureUnit m_width = 0;
  MeasureUnit m_height = 0;
  MeasureUnit m_scale = 0;
  double m_opacity = 1.0;
};
