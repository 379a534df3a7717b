#include "ui/paint/DRPropPaintGlobalVC.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "model/DRSettings.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRPaneRegistry.h"

DRPropPaintGlobalVC::DRPropPaintGlobalVC(QWidget* parent) : DRPropBaseVC(parent) {
  setObjectName(QStringLiteral("PropertyPaintGlobal"));
  setToolTip(tr("Painting Options"));
  auto* layout = new QFormLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);

  auto* toleranceRow = new QHBoxLayout;
  m_toleranceSlider = new QSlider(Qt::Horizontal, this);
  m_toleranceSlider->setObjectName(QStringLiteral("toleranceSlider"));
  m_toleranceSlider->setRange(0, kMaxTolerance);
  m_toleranceField = new QLineEdit(this);
  m_toleranceField->setObjectName(QStringLiteral("toleranceField"));
  m_toleranceField->setValidator(new QIntValidator(0, kMaxTolerance, m_toleranceField));
  m_toleranceField->setMaximumWidth(48);
  toleranceRow->addWidget(m_toleranceSlider, 1);
  toleranceRow->addWidget(m_toleranceField);
  layout->addRow(tr("Tolerance:"), toleranceRow);

  m_checkerboardSlider = new QSlider(Qt::Horizontal, this);
  m_checkerboardSlider->setObjectName(QStringLiteral("checkerboardSlider"));
  m_checkerboardSlider->setRange(0, kMaxCheckerboardExponent);
  m_checkerboardSlider->setPageStep(1);
  layout->addRow(tr("Checkerboard:"), m_checkerboardSlider);

  m_gridBox = new QCheckBox(tr("Show pixel grid"), this);
  m_gridBox->setObjectName(QStringLiteral("gridBox"));
  layout->addRow(m_gridBox);
}

void DRPropPaintGlobalVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropPaintGlobalVC"),
                        [](const QString&, QWidget* parent) { return new DRPropPaintGlobalVC(parent); });
}

DRSettings& DRPropPaintGlobalVC::settings() const {
  return DRSettings::sharedInstance();
}

void DRPropPaintGlobalVC::awakeFromNib() {
  observe(g_paintToleranceNotification, [this](const CSNotification&) { toleranceChanged(); }, true);
  toleranceChanged();
  {
    const QSignalBlocker checkerBlocker(m_checkerboardSlider);
    const QSignalBlocker gridBlocker(m_gridBox);
    m_checkerboardSlider->setValue(
        int(std::clamp(std::lround(settings().checkerboardExponent()), 0L, long(kMaxCheckerboardExponent))));
    m_gridBox->setChecked(settings().showPaintGrid());
  }
  connect(m_toleranceSlider, &QSlider::valueChanged, this, [this] { changeTolerance(); });
  watchTextField(m_toleranceField, [this](QLineEdit* field) { storeTolerance(field->text().toInt()); });
  connect(m_checkerboardSlider, &QSlider::valueChanged, this, [this] { changeCheckerboard(); });
  connect(m_gridBox, &QCheckBox::toggled, this, [this] { togglePaintGrid(); });
}

void DRPropPaintGlobalVC::toleranceChanged() {
  const int tolerance = int(std::min<uint64_t>(settings().paintTolerance(), uint64_t(kMaxTolerance)));
  const QSignalBlocker blocker(m_toleranceSlider);
  m_toleranceSlider->setValue(tolerance);
  m_toleranceField->setText(QString::number(tolerance));
}

void DRPropPaintGlobalVC::changeTolerance() {
  if (isRetired()) return;
  YankFocusForSliderPair(m_toleranceSlider, m_toleranceField);
  storeTolerance(m_toleranceSlider->value());
}

void DRPropPaintGlobalVC::storeTolerance(int tolerance) {
  if (isRetired()) return;
  settings().setPaintTolerance(uint64_t(std::clamp(tolerance, 0, kMaxTolerance)));
  NotificationCenter::defaultCenter().post(g_paintToleranceNotification, nullptr);
}

void DRPropPaintGlobalVC::changeCheckerboard() {
  if (isRetired()) return;
  settings().setCheckerboardExponent(double(m_checkerboardSlider->value()));
  NotificationCenter::defaultCenter().post(g_checkerboardNotification, nullptr);
}

void DRPropPaintGlobalVC::togglePaintGrid() {
  if (isRetired()) return;
  settings().setShowPaintGrid(m_gridBox->isChecked());
  NotificationCenter::defaultCenter().post(g_redrawPaintNotification, nullptr);
}
