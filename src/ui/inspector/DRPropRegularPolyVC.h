#pragma once
// The pane of the regular polygons: the vertex count, on a slider and in a
// plain number field.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class QLineEdit;
class QSlider;

class DRPropRegularPolyVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  // The counts the slider spans and every count is brought into.
  static constexpr int kMinimumCount = 3;
  static constexpr int kMaximumCount = 16;

  explicit DRPropRegularPolyVC(QWidget* parent = nullptr);

  void selectionChanged() override;
  // From the slider or the field; 0 (also text that is not a number) does
  // nothing.
  void setCount(QWidget* sender);

  QSlider* countSlider() const { return m_countSlider; }
  QLineEdit* countField() const { return m_countField; }

 private:
  void showCount(int count, bool mixed);

  QLineEdit* m_countField = nullptr;
  QSlider* m_countSlider = nullptr;
  uint32_t m_undoId = 0;
};
