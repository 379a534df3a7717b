#pragma once
// The gradient sheet: edits a gradient fill for the selection, linear or
// radial, its colour stops, the angle of a linear gradient or the centre of a
// radial one. OK gives the selection the gradient (and clears its fill
// colour) and puts it first among the recent gradients; Remove takes the
// selection's gradient away and leaves its fill colour. The favourite and
// recent gradients sit under the preview well: a click loads one into it.

#include <QPointer>
#include <optional>

#include "model/DRGradient.h"
#include "ui/inspector/DRSheetController.h"

class CSCoordinateView;
class CSMeasureField;
class CSDoubleSlider;
class CSRadioMatrix;
class DRGradientCollectionView;
class DRGradientColorStopView;
class DRGradientWell;
class QLineEdit;
class QPushButton;

class DRGradientDialog : public DRSheetController {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 64;
  // Typed centre coordinates are rounded to 0.01.
  static constexpr int64_t kCenterPrecision = 127;

  // Runs the sheet on the window with a copy of the gradient (none: a new
  // default one); null when no sheet could begin.
  static DRGradientDialog* runGradientSheet(const std::optional<DRGradient>& gradient,
                                            DREditorWindowHost* drawController);

  DRGradientDialog(DREditorWindowHost* drawController, const std::optional<DRGradient>& gradient);
  ~DRGradientDialog() override;

  // The gradient being edited; none after Remove.
  const std::optional<DRGradient>& gradient() const { return m_gradient; }

  // The row of the type matrix for each kind.
  static constexpr int kLinearRow = 0;
  static constexpr int kRadialRow = 1;

  // ---- Actions, callable by tests as the controls call them ----
  // From the type matrix when `fromUser`; otherwise only enables controls
  // and focuses the kind's first field.
  void setType(bool fromUser);
  void setAngleFromField();
  void setAngleFromSlider();
  void setCenter();
  void setXEndpoint();
  void setYEndpoint();
  void flipColors();
  void handleRemove();
  // The field after (forward) or before the stop editor.
  void selectTextField(bool forward);

  // ---- Controls ----
  CSRadioMatrix* typeMatrix() const { return m_typeMatrix; }
  CSMeasureField* angleField() const { return m_angleField; }
  CSDoubleSlider* angleSlider() const { return m_angleSlider; }
  CSCoordinateView* centerView() const { return m_centerView; }
  DRGradientColorStopView* colorStopView() const { return m_colorStopView; }
  CSMeasureField* xField() const { return m_xField; }
  CSMeasureField* yField() const { return m_yField; }
  DRGradientWell* gradientWell() const { return m_gradientWell; }
  QPushButton* removeButton() const { return m_remove; }
  QPushButton* flipButton() const { return m_flip; }
  DRGradientCollectionView* favoritesView() const { return m_favorites; }
  DRGradientCollectionView* recentsView() const { return m_recents; }

 protected:
  void apply(bool reset) override;

 private:
  void buildLayout();
  // Fills every control from the gradient, the well only when asked.
  void installGradient(bool alsoWell);
  void applyAngle(MeasureUnit angle);
  void applyCenter(CSPoint center);
  void pushToWell();
  void gradientWellChanged();
  // A gradient edited in the stop editor.
  void stopsChanged();
  // The field's action once typing in it ends.
  void watchField(QLineEdit* field, void (DRGradientDialog::*action)());
  // The current content controller opened the undo entry.
  bool openUndoEntry();

  std::optional<DRGradient> m_gradient;
  CSRadioMatrix* m_typeMatrix = nullptr;
  CSMeasureField* m_angleField = nullptr;
  CSDoubleSlider* m_angleSlider = nullptr;
  CSCoordinateView* m_centerView = nullptr;
  DRGradientColorStopView* m_colorStopView = nullptr;
  CSMeasureField* m_xField = nullptr;
  CSMeasureField* m_yField = nullptr;
  DRGradientWell* m_gradientWell = nullptr;
  QPushButton* m_remove = nullptr;
  QPushButton* m_flip = nullptr;
  DRGradientCollectionView* m_favorites = nullptr;
  DRGradientCollectionView* m_recents = nullptr;
  bool m_editingStarted = false;
};
