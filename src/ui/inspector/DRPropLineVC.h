#pragma once
// The line pane of the elements that draw lines: the width (a slider in
// points and its field), the colour (a well and the favourite colours), the
// dash style (whose fourth item opens the dash-pattern sheet) and the
// advanced-line sheet.

#include <cstdint>

#include "support/Kolor.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSDoubleSlider;
class CSMeasureField;
class DRColorWell;
class QComboBox;
class QPushButton;
class QToolButton;

class DRPropLineVC : public DRPropBaseVC, public CSFavoriteColorDelegate {
  Q_OBJECT

 public:
  // The width slider's largest width, in points; the field goes no further.
  static constexpr double kMaximumWidth = 36;
  // The style item that opens the dash-pattern sheet; every other item's
  // index is the style posted.
  static constexpr int kCustomStyleItem = 3;

  explicit DRPropLineVC(QWidget* parent = nullptr);

  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  void setLineWidth(QWidget* sender);
  void setLineStyle(int item);
  void setAdvancedOptions();

  // ---- The favourite-colour pull-down ----
  Kolor kolorForPopup(QToolButton* popup) override;
  Kolor defaultKolorForPopup(QToolButton* popup) override;
  void changeKolor(Kolor kolor, QToolButton* popup) override;

  CSDoubleSlider* widthSlider() const { return m_widthSlider; }
  CSMeasureField* widthField() const { return m_widthField; }
  DRColorWell* lineColorPicker() const { return m_lineColorPicker; }
  QToolButton* favorites() const { return m_favorites; }
  QComboBox* lineStyleButton() const { return m_lineStyleButton; }
  QPushButton* advancedButton() const { return m_advancedButton; }

 private:
  void settingsChanged(const CSNotification& notification);
  void showStyle(int64_t style);

  CSDoubleSlider* m_widthSlider = nullptr;
  CSMeasureField* m_widthField = nullptr;
  DRColorWell* m_lineColorPicker = nullptr;
  QToolButton* m_favorites = nullptr;
  CSFavoriteColorManager* m_favoriteManager = nullptr;
  QComboBox* m_lineStyleButton = nullptr;
  QPushButton* m_advancedButton = nullptr;
  uint32_t m_undoID = 0;
  Kolor m_lineKolor = g_nilKolor;
};
