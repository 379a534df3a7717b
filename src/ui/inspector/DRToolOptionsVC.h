#pragma once
// The controller of a document window's tool-options strip: it fills the
// strip's pages (one per options identifier of the tool table) with the
// controls that edit the tool defaults in DRSettings directly, without undo
// and without touching the selection, and carries the painting's crop
// buttons. One per window, living as long as the window; after the
// document closes it no longer refers to the window.

#include <QObject>
#include <QPointer>
#include <cstdint>

#include "ui/editor/DREditorAppServices.h"

class CSDoubleSlider;
class CSMeasureField;
class DREditorWindowHost;
class DRToolOptionsContainer;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

class DRToolOptionsVC : public QObject, public DRFontPanelDelegate {
  Q_OBJECT

 public:
  // Slider ranges; the fields' limits follow them.
  static constexpr int kMinimumVertexCount = 3;
  static constexpr int kMaximumVertexCount = 16;
  static constexpr double kMaximumCornerRadius = 100;  // points
  static constexpr double kMinimumBlurStrength = 0.1;
  static constexpr double kMaximumBlurStrength = 10;
  static constexpr double kMinimumTolerance = 1;  // points
  static constexpr double kMaximumTolerance = 20;
  // The highest blur strength a typed value gives.
  static constexpr double kHighestBlurStrength = 100;

  // Builds the pages into the container (which keeps them); nothing is
  // shown or observed until awakeFromNib.
  DRToolOptionsVC(DRToolOptionsContainer* container, DREditorWindowHost* windowController, QObject* parent = nullptr);
  ~DRToolOptionsVC() override;

  // Shows the settings and starts observing.
  void awakeFromNib();

  // ---- Actions ----
  void acceptCrop();
  void cancelCrop();
  void changeArrow();
  void changeBlurBrush();
  void changeBlurStrength(QObject* sender);
  void changePolyCount(QObject* sender);
  void changeRadius(QObject* sender);
  void changeTolerance(QObject* sender);
  void stockPolygonSelected(int tag);
  // Makes this controller the font panel's receiver, showing the default
  // text font; the chosen font reaches only DRSettings.
  void setFont();
  void changeFont(const FontConverter& convert) override;

  // Selects the stock cell of a count of 3 to 8, deselects all otherwise.
  void setStockPolygonCount(uint64_t count);
  void setFontDescription();
  void enableArrows();
  void cropActivated(bool crop);
  void unitsChanged();
  void darkModeChanged();
  void documentClosing();

  // ---- Controls (for the window and tests) ----
  QLabel* noToolMessage() const { return m_noToolMessage; }
  QLineEdit* polyCountField() const { return m_polyCountField; }
  QSlider* polyCountSlider() const { return m_polyCountSlider; }
  QButtonGroup* stockRegPolygons() const { return m_stockRegPolygons; }
  CSMeasureField* cornerRadiusField() const { return m_cornerRadiusField; }
  CSDoubleSlider* cornerRadiusSlider() const { return m_cornerRadiusSlider; }
  QLineEdit* blurStrengthField() const { return m_blurStrengthField; }
  CSDoubleSlider* blurStrengthSlider() const { return m_blurStrengthSlider; }
  CSMeasureField* polygonToleranceField() const { return m_polygonToleranceField; }
  CSDoubleSlider* polygonToleranceSlider() const { return m_polygonToleranceSlider; }
  QLabel* fontDisplayField() const { return m_fontDisplayField; }
  QCheckBox* arrowOnStartButton(int set = 0) const { return m_arrowOnStart[set]; }
  QCheckBox* arrowOnEndButton(int set = 0) const { return m_arrowOnEnd[set]; }
  QCheckBox* arrowFillButton(int set = 0) const { return m_arrowFill[set]; }
  QPushButton* arrowStyleButton(int set = 0) const { return m_arrowStyle[set]; }
  QLabel* arrowInstructions(int set = 0) const { return m_arrowInstructions[set]; }
  QPushButton* cropButton() const { return m_cropButton; }
  QPushButton* cancelCropButton() const { return m_cancelCropButton; }
  QButtonGroup* brushShapes() const { return m_brushShapes; }
  QButtonGroup* blurBrushShapes() const { return m_blurBrushShapes; }
  QButtonGroup* selectionShapes() const { return m_selectionShapes; }
  QButtonGroup* pencilOptions() const { return m_pencilOptions; }
  QButtonGroup* smudgeChoice() const { return m_smudgeChoice; }
  QButtonGroup* colorTargets() const { return m_colorTargets; }
  CSDoubleSlider* scribbleToleranceSlider() const { return m_scribbleToleranceSlider; }
  QCheckBox* drawFromCenterButton(const QString& page) const;
  QCheckBox* constrainButton(const QString& page) const;

 private:
  void buildPages();
  QWidget* addPage(const QString& identifier);
  QWidget* shapeBoxes(QWidget* page, int top);
  QButtonGroup* cellGroup(QWidget* page, int kind, int firstTag, int count, int columns, int top, int side);
  void buildArrowPage(const QString& identifier, int set);
  void watchField(QLineEdit* field, void (DRToolOptionsVC::*action)(QObject*));
  void fieldEdited();
  void fieldEditingEnded(QLineEdit* field, void (DRToolOptionsVC::*action)(QObject*));
  void showCount(uint64_t count);
  void showRadius(int64_t radius);
  void showTolerance(int64_t tolerance);
  void showBlurStrength(double strength);
  void showBoundSettings();
  QObject* notificationWindow() const;

  DRToolOptionsContainer* m_container;
  DREditorWindowHost* m_windowController;
  QPointer<QObject> m_window;

  QLabel* m_noToolMessage = nullptr;
  QLineEdit* m_polyCountField = nullptr;
  QSlider* m_polyCountSlider = nullptr;
  QButtonGroup* m_stockRegPolygons = nullptr;
  CSMeasureField* m_cornerRadiusField = nullptr;
  CSDoubleSlider* m_cornerRadiusSlider = nullptr;
  QLineEdit* m_blurStrengthField = nullptr;
  CSDoubleSlider* m_blurStrengthSlider = nullptr;
  CSMeasureField* m_polygonToleranceField = nullptr;
  CSDoubleSlider* m_polygonToleranceSlider = nullptr;
  QLabel* m_fontDisplayField = nullptr;
  QCheckBox* m_arrowOnStart[2] = {};
  QCheckBox* m_arrowOnEnd[2] = {};
  QCheckBox* m_arrowFill[2] = {};
  QPushButton* m_arrowStyle[2] = {};
  QLabel* m_arrowInstructions[2] = {};
  QPushButton* m_cropButton = nullptr;
  QPushButton* m_cancelCropButton = nullptr;
  QButtonGroup* m_brushShapes = nullptr;
  QButtonGroup* m_blurBrushShapes = nullptr;
  QButtonGroup* m_selectionShapes = nullptr;
  QButtonGroup* m_pencilOptions = nullptr;
  QButtonGroup* m_smudgeChoice = nullptr;
  QButtonGroup* m_colorTargets = nullptr;
  CSDoubleSlider* m_scribbleToleranceSlider = nullptr;

  bool m_editingStarted = false;
  bool m_suppressTextChange = false;
  bool m_awake = false;
};
