#pragma once
// The shadow pane: switches the drop shadow of the selected elements on and
// off and edits its angle, blur, distances, the lock that keeps the two
// distances equal, and its colour. The box and every slider and field share
// one undo id, so a run of edits across the pane is one undo step; the
// colour has the well's own.

// The pull-down manager's inline accessors need the full menu and button.
#include <QMenu>
#include <QToolButton>
#include <cstdint>

#include "model/DRShadow.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class CSDoubleSlider;
class CSMeasureField;
class DRColorWell;

class DRPropShadowVC : public DRPropBaseVC, public CSFavoriteColorDelegate {
  Q_OBJECT

 public:
  explicit DRPropShadowVC(QWidget* parent = nullptr);

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  // The check boxes were clicked.
  void setShadow();
  void setLockXY();
  // The slider moved or the field's edit ended.
  void setRotation(QWidget* sender);
  void setBlur(QWidget* sender);
  void setXOffset(QWidget* sender);
  void setYOffset(QWidget* sender);

  // Enables or disables every control but the box.
  void enableFields(bool enabled);

  // ---- The favourite-colour pull-down ----
  Kolor kolorForPopup(QToolButton* popup) override;
  Kolor defaultKolorForPopup(QToolButton* popup) override;
  void changeKolor(Kolor kolor, QToolButton* popup) override;

  CSCheckBox* hasShadowButton() const { return m_hasShadowButton; }
  CSCheckBox* lockXYButton() const { return m_lockXYButton; }
  CSDoubleSlider* angleSlider() const { return m_angleSlider; }
  CSMeasureField* angleField() const { return m_angleField; }
  CSDoubleSlider* blurSlider() const { return m_blurSlider; }
  CSMeasureField* blurField() const { return m_blurField; }
  CSDoubleSlider* xOffsetSlider() const { return m_xOffsetSlider; }
  CSMeasureField* xOffsetField() const { return m_xOffsetField; }
  CSDoubleSlider* yOffsetSlider() const { return m_yOffsetSlider; }
  CSMeasureField* yOffsetField() const { return m_yOffsetField; }
  DRColorWell* colorPicker() const { return m_colorPicker; }
  QToolButton* favorites() const { return m_favorites; }
  // The shadow colour shown: no colour when the selection shows no shadow
  // or mixes colours.
  Kolor compositeKolor() const { return m_compositeKolor; }

 private:
  // Opens the pane's entry and posts the measure; false when refused.
  bool postMeasure(const QString& keyPath, MeasureUnit value);
  // Both distance pairs show the value while the lock is on.
  bool isLocked() const;
  void stopTyping();

  CSCheckBox* m_hasShadowButton = nullptr;
  CSCheckBox* m_lockXYButton = nullptr;
  CSDoubleSlider* m_angleSlider = nullptr;
  CSMeasureField* m_angleField = nullptr;
  CSDoubleSlider* m_blurSlider = nullptr;
  CSMeasureField* m_blurField = nullptr;
  CSDoubleSlider* m_xOffsetSlider = nullptr;
  CSMeasureField* m_xOffsetField = nullptr;
  CSDoubleSlider* m_yOffsetSlider = nullptr;
  CSMeasureField* m_yOffsetField = nullptr;
  DRColorWell* m_colorPicker = nullptr;
  QToolButton* m_favorites = nullptr;
  CSFavoriteColorManager* m_favoriteManager = nullptr;
  Kolor m_compositeKolor = g_nilKolor;
  uint32_t m_undoID = 0;
};
