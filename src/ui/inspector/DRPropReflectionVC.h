#pragma once
// The reflection pane: the size of the mirrored reflection below the
// selected elements (a percentage, 0 for none), its distance from the
// element and its intensity. All three pairs share one undo id, so a run of
// edits across them is one undo step. Without a reflection the offset and
// intensity controls rest, showing 0 and 50 %.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSDoubleSlider;
class CSMeasureField;

class DRPropReflectionVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropReflectionVC(QWidget* parent = nullptr);

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  // The slider moved or the field's edit ended.
  void setReflection(QWidget* sender);
  void setOffset(QWidget* sender);
  void setIntensity(QWidget* sender);

  CSDoubleSlider* reflectionSlider() const { return m_reflectionSlider; }
  CSMeasureField* reflectionField() const { return m_reflectionField; }
  CSDoubleSlider* offsetSlider() const { return m_offsetSlider; }
  CSMeasureField* offsetField() const { return m_offsetField; }
  CSDoubleSlider* intensitySlider() const { return m_intensitySlider; }
  CSMeasureField* intensityField() const { return m_intensityField; }

 private:
  // Opens the pane's entry and posts the measure; false when refused.
  bool post(const QString& keyPath, MeasureUnit value);
  void enableDetails(bool enabled);
  void stopTyping();

  CSDoubleSlider* m_reflectionSlider = nullptr;
  CSMeasureField* m_reflectionField = nullptr;
  CSDoubleSlider* m_offsetSlider = nullptr;
  CSMeasureField* m_offsetField = nullptr;
  CSDoubleSlider* m_intensitySlider = nullptr;
  CSMeasureField* m_intensityField = nullptr;
  uint32_t m_reflectUndoID = 0;
};
