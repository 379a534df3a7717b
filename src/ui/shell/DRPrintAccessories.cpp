#include "ui/shell/DRPrintAccessories.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSize>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/DRDrawing.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "ui/editor/EditorNotifications.h"

// ---- Margins -------------------------------------------------------------------------------

DRMarginVC::DRMarginVC(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Margins"));
  setWindowTitle(QStringLiteral("Margins"));
  auto* form = new QFormLayout(this);
  const QString titles[] = {QStringLiteral("Top:"), QStringLiteral("Bottom:"), QStringLiteral("Left:"),
                            QStringLiteral("Right:")};
  for (int i = 0; i < 4; ++i) {
    auto* field = new CSMeasureField;
    field->formatter()->setMinimum(0);
    field->formatter()->setMaximum(kMaximumMargin);
    QObject::connect(field, &QLineEdit::editingFinished, this, [this] { readFields(); });
    m_fields[size_t(i)] = field;
    form->addRow(titles[i], field);
  }
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRMarginVC::~DRMarginVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRMarginVC::setPrintInfo(CSPrintInfo* info) {
  m_printInfo = info;
  if (!info) return;
  m_originalTop = info->topMargin;
  m_originalBottom = info->bottomMargin;
  m_originalLeft = info->leftMargin;
  m_originalRight = info->rightMargin;
  m_top = MeasureUnit(info->topMargin * double(kMeasurePerPoint));
  m_bottom = MeasureUnit(info->bottomMargin * double(kMeasurePerPoint));
  m_left = MeasureUnit(info->leftMargin * double(kMeasurePerPoint));
  m_right = MeasureUnit(info->rightMargin * double(kMeasurePerPoint));
  showFields();
}

void DRMarginVC::setTop(MeasureUnit value) {
  m_top = value;
  showFields();
}
void DRMarginVC::setBottom(MeasureUnit value) {
  m_bottom = value;
  showFields();
}
void DRMarginVC::setLeft(MeasureUnit value) {
  m_left = value;
  showFields();
}
void DRMarginVC::setRight(MeasureUnit value) {
  m_right = value;
  showFields();
}

void DRMarginVC::readFields() {
  MeasureUnit* values[] = {&m_top, &m_bottom, &m_left, &m_right};
  for (size_t i = 0; i < 4; ++i) {
    if (m_fields[i]->acceptsText()) *values[i] = m_fields[i]->measureValue();
  }
}

void DRMarginVC::showFields() {
  const MeasureUnit values[] = {m_top, m_bottom, m_left, m_right};
  for (size_t i = 0; i < 4; ++i) m_fields[i]->setMeasureValue(values[i]);
}

void DRMarginVC::storeMargins() {
  if (!m_printInfo) return;
  readFields();
  m_printInfo->topMargin = double(m_top) / double(kMeasurePerPoint);
  m_printInfo->bottomMargin = double(m_bottom) / double(kMeasurePerPoint);
  m_printInfo->leftMargin = double(m_left) / double(kMeasurePerPoint);
  m_printInfo->rightMargin = double(m_right) / double(kMeasurePerPoint);
}

void DRMarginVC::resetMargins() {
  if (!m_printInfo) return;
  m_printInfo->topMargin = m_originalTop;
  m_printInfo->bottomMargin = m_originalBottom;
  m_printInfo->leftMargin = m_originalLeft;
  m_printInfo->rightMargin = m_originalRight;
}

void DRMarginVC::unitsChanged() {
  showFields();
}

// ---- The page-layout sheet -----------------------------------------------------------------

DRPageSetupSheet::DRPageSetupSheet(CSPrintInfo* info, QWidget* parent)
    : QDialog(parent), m_info(info), m_margins(new DRMarginVC) {
  setObjectName(QStringLiteral("PageSetup"));
  setWindowTitle(QStringLiteral("Page Setup"));
  auto* column = new QVBoxLayout(this);
  auto* paper = new QFormLayout;
  m_paper = new QComboBox;
  const QPageSize::PageSizeId sizes[] = {QPageSize::A4, QPageSize::Letter,  QPageSize::Legal, QPageSize::A3,
                                         QPageSize::A5, QPageSize::Tabloid, QPageSize::B5,    QPageSize::Executive};
  for (QPageSize::PageSizeId id : sizes) m_paper->addItem(QPageSize::name(id), int(id));
  paper->addRow(QStringLiteral("Paper size:"), m_paper);
  auto* orientation = new QHBoxLayout;
  m_portrait = new QRadioButton(QStringLiteral("Portrait"));
  m_landscape = new QRadioButton(QStringLiteral("Landscape"));
  orientation->addWidget(m_portrait);
  orientation->addWidget(m_landscape);
  paper->addRow(QStringLiteral("Orientation:"), orientation);
  column->addLayout(paper);
  auto* margins = new QGroupBox(QStringLiteral("Margins"));
  auto* marginBox = new QVBoxLayout(margins);
  marginBox->addWidget(m_margins);
  column->addWidget(margins);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);

  if (m_info) {
    const QPageLayout layout = m_info->toPageLayout();
    const int found = m_paper->findData(int(layout.pageSize().id()));
    if (found >= 0) {
      m_paper->setCurrentIndex(found);
    } else {
      m_paper->insertItem(0, layout.pageSize().name(), int(layout.pageSize().id()));
      m_paper->setCurrentIndex(0);
    }
    (m_info->orientation == CSPrintInfo::Landscape ? m_landscape : m_portrait)->setChecked(true);
  }
  m_margins->setPrintInfo(m_info);
}

void DRPageSetupSheet::applyChoices() {
  if (!m_info) return;
  QPageLayout layout = m_info->toPageLayout();
  const auto id = QPageSize::PageSizeId(m_paper->currentData().toInt());
  if (id != layout.pageSize().id() && id != QPageSize::Custom) layout.setPageSize(QPageSize(id));
  layout.setOrientation(m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
  const CSPrintInfo before = *m_info;
  m_info->applyPageLayout(layout);
  // The margins are the accessory's.
  m_info->topMargin = before.topMargin;
  m_info->bottomMargin = before.bottomMargin;
  m_info->leftMargin = before.leftMargin;
  m_info->rightMargin = before.rightMargin;
  m_margins->storeMargins();
}

// ---- Print options -------------------------------------------------------------------------

DRPrintOptionVC::DRPrintOptionVC(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PrintOptionsView"));
  setWindowTitle(QStringLiteral("Drawing"));
  auto* column = new QVBoxLayout(this);
  m_centerButton = new QCheckBox(QStringLiteral("Center on page"));
  m_scaleButton = new QCheckBox(QStringLiteral("Force to one page"));
  column->addWidget(m_centerButton);
  column->addWidget(m_scaleButton);
  column->addStretch(1);
  QObject::connect(m_centerButton.data(), &QCheckBox::clicked, this, [this](bool on) { setCenterOnPage(on); });
  QObject::connect(m_scaleButton.data(), &QCheckBox::clicked, this, [this](bool on) { setScaleToFit(on); });
  setScaleToFit(m_scaleToFit);
}

void DRPrintOptionVC::setDrawing(DRDrawing* drawing) {
  m_drawing = drawing;
  if (!drawing) return;
  setCenterOnPage(drawing->centerOnPage());
  setScaleToFit(drawing->scaleToFit());
}

void DRPrintOptionVC::setCenterOnPage(bool center) {
  m_centerOnPage = center;
  if (m_drawing) m_drawing->setCenterOnPage(center);
  if (m_centerButton) m_centerButton->setChecked(center);
}

void DRPrintOptionVC::setScaleToFit(bool scale) {
  m_scaleToFit = scale;
  if (m_drawing) m_drawing->setScaleToFit(scale);
  if (m_scaleButton) m_scaleButton->setChecked(scale);
  if (!scale) {
    if (m_centerButton) m_centerButton->setEnabled(true);
    return;
  }
  if (!m_centerOnPage) setCenterOnPage(true);
  if (m_centerButton) m_centerButton->setEnabled(false);
}
