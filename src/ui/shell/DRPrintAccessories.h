#pragma once
// The drawing's accessories of the page-layout and print panels: the four
// margins of the page set-up (in a page-setup sheet of our own, since the
// platform's page-setup dialog takes no accessory), and the print panel's
// page of centring and one-page options.

#include <QCheckBox>
#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <array>

#include "support/CSPrintInfo.h"
#include "support/Measure.h"

class CSMeasureField;
class DRDrawing;
class QComboBox;
class QRadioButton;

class DRMarginVC : public QWidget {
 public:
  // The widest margin the fields take: three inches.
  static constexpr MeasureUnit kMaximumMargin = 2743200;

  explicit DRMarginVC(QWidget* parent = nullptr);
  ~DRMarginVC() override;

  // Takes the set-up (not owned) and shows its margins; they are remembered
  // as the originals.
  void setPrintInfo(CSPrintInfo* info);
  CSPrintInfo* printInfo() const { return m_printInfo; }

  MeasureUnit top() const { return m_top; }
  MeasureUnit bottom() const { return m_bottom; }
  MeasureUnit left() const { return m_left; }
  MeasureUnit right() const { return m_right; }
  void setTop(MeasureUnit value);
  void setBottom(MeasureUnit value);
  void setLeft(MeasureUnit value);
  void setRight(MeasureUnit value);

  // Writes the four margins shown back into the set-up.
  void storeMargins();
  // Puts the set-up's margins back as they were when it was given.
  void resetMargins();
  // The fields show their values again in the user's unit.
  void unitsChanged();

  // top, bottom, left, right.
  CSMeasureField* field(int index) const { return m_fields[size_t(index)]; }

 private:
  void readFields();
  void showFields();

  std::array<CSMeasureField*, 4> m_fields{};
  CSPrintInfo* m_printInfo = nullptr;
  MeasureUnit m_top = 0;
  MeasureUnit m_bottom = 0;
  MeasureUnit m_left = 0;
  MeasureUnit m_right = 0;
  double m_originalTop = 0;
  double m_originalBottom = 0;
  double m_originalLeft = 0;
  double m_originalRight = 0;
};

// The page-layout sheet: paper size and orientation from the platform's
// page layout, and the margins accessory. OK keeps what was chosen; Cancel
// gives the set-up back as it was.
class DRPageSetupSheet : public QDialog {
 public:
  DRPageSetupSheet(CSPrintInfo* info, QWidget* parent = nullptr);
  DRMarginVC* marginController() const { return m_margins; }
  // Writes paper, orientation and margins into the set-up.
  void applyChoices();
  QComboBox* paperPopup() const { return m_paper; }
  QRadioButton* landscapeButton() const { return m_landscape; }

 private:
  CSPrintInfo* m_info;
  DRMarginVC* m_margins;
  QComboBox* m_paper;
  QRadioButton* m_portrait;
  QRadioButton* m_landscape;
};

// The print panel's options page: "Center on page" and "Force to one page",
// mirrored into the drawing.
class DRPrintOptionVC : public QWidget {
 public:
  explicit DRPrintOptionVC(QWidget* parent = nullptr);

  void setDrawing(DRDrawing* drawing);  // not owned
  DRDrawing* drawing() const { return m_drawing; }
  bool centerOnPage() const { return m_centerOnPage; }
  void setCenterOnPage(bool center);
  bool scaleToFit() const { return m_scaleToFit; }
  // On: centring is turned on and its box disabled; off: the box is enabled
  // again and centring stays as it is.
  void setScaleToFit(bool scale);

  QCheckBox* centerButton() const { return m_centerButton; }
  QCheckBox* scaleButton() const { return m_scaleButton; }

 private:
  QPointer<QCheckBox> m_centerButton;
  QPointer<QCheckBox> m_scaleButton;
  DRDrawing* m_drawing = nullptr;
  bool m_centerOnPage = false;
  bool m_scaleToFit = false;
};
