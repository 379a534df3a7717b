#include "ui/inspector/DRPropRotationVC.h"

#include <QGridLayout>
#include <QLabel>

#include "model/DRSettingsChange.h"
#include "model/ModelSupport.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

// The field takes -360 to 360 degrees (x 12,700).
constexpr MeasureUnit kAngleLimit = 360 * kMeasurePerPoint;

}  // namespace

DRPropRotationVC::DRPropRotationVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Rotation"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  auto* label = new QLabel(tr("Rotation"), this);
  m_angleSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_angleSlider->setObjectName(QStringLiteral("angleSlider"));
  // Rotations are shown within one turn.
  m_angleSlider->setDoubleRange(0, 360);
  m_angleField = new CSMeasureField(this);
  m_angleField->setObjectName(QStringLiteral("angleField"));
  m_angleField->formatter()->setScalar(true);
  m_angleField->formatter()->setMinimum(-kAngleLimit);
  m_angleField->formatter()->setMaximum(kAngleLimit);
  label->setBuddy(m_angleField);
  layout->addWidget(label, 0, 0, 1, 2);
  layout->addWidget(m_angleSlider, 1, 0);
  layout->addWidget(m_angleField, 1, 1);
}

void DRPropRotationVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropRotationVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropRotationVC(parent); });
}

void DRPropRotationVC::awakeFromNib() {
  connect(m_angleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setRotation(m_angleSlider); });
  watchTextField(m_angleField, [this](QLineEdit* sender) { setRotation(sender); });
  observe(g_rotationNotification, [this](const CSNotification&) { selectionChanged(); });
  DRPropBaseVC::awakeFromNib();
}

void DRPropRotationVC::selectionChanged() {
  if (selection().empty() || isRetired()) return;
  showPairValue(m_angleSlider, m_angleField, RotationForSelection(selection()));
}

void DRPropRotationVC::setRotation(QWidget* sender) {
  // A field left showing "-" changes nothing.
  const MeasureUnit rotation = rotationFromPair(sender, m_angleSlider, m_angleField);
  if (rotation == kMixedMeasure) return;
  if (!openUndoEntry(&m_rotateUndoID, kUndoRotate)) return;
  ChangeSelectionMeasure(notificationWindow(), g_rotationKeyPath, QString(), kSwatchNone, rotation);
  if (isRetired()) return;
  showPairValue(m_angleSlider, m_angleField, rotation);
  m_angleField->update();
  if (rotation != 0) {
    if (DRWindowController* window = windowController(); window && window->drawView()) window->drawView()->stopTyping();
  }
}
