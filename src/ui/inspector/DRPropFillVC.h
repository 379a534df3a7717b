#pragma once
// The fill pane of the closed elements: the fill colour (a well and the
// favourite colours), the gradient (a well that opens the gradient sheet,
// and Remove) and the gradient's centre mark.

#include <QPointer>

#include "support/Kolor.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class DRColorWell;
class DRElement;
class DRGradientWell;
class QPushButton;
class QToolButton;

class DRPropFillVC : public DRPropBaseVC, public CSFavoriteColorDelegate {
  Q_OBJECT

 public:
  explicit DRPropFillVC(QWidget* parent = nullptr);

  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  void removeGradient();
  void toggleMarkCenter();

  // ---- The favourite-colour pull-down ----
  Kolor kolorForPopup(QToolButton* popup) override;
  Kolor defaultKolorForPopup(QToolButton* popup) override;
  void changeKolor(Kolor kolor, QToolButton* popup) override;

  DRColorWell* fillColorPicker() const { return m_fillColorPicker; }
  QToolButton* favorites() const { return m_favorites; }
  CSFavoriteColorManager* favoriteManager() const { return m_favoriteManager; }
  DRGradientWell* gradientWell() const { return m_gradientWell; }
  CSCheckBox* markCenterButton() const { return m_markCenterButton; }
  QPushButton* removeButton() const { return m_removeButton; }

 private:
  DRColorWell* m_fillColorPicker = nullptr;
  QToolButton* m_favorites = nullptr;
  CSFavoriteColorManager* m_favoriteManager = nullptr;
  DRGradientWell* m_gradientWell = nullptr;
  CSCheckBox* m_markCenterButton = nullptr;
  QPushButton* m_removeButton = nullptr;
  // The first selected element with a fill; it outlives no selection change.
  DRElement* m_firstElement = nullptr;
};
