#include "ui/inspector/DRPropRoundRectVC.h"

#include <optional>

#include "model/DRElementRoundRect.h"
#include "model/DRSettings.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"

DRPropRoundRectVC::DRPropRoundRectVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Round Rectangle"));
  m_cornerSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_cornerSlider->setDoubleRange(0, kMaximumRadius);
  m_cornerSlider->setGeometry(8, 6, 150, 20);
  m_cornerField = new CSMeasureField(this);
  m_cornerField->formatter()->setMaximum(MeasureUnit(kMaximumRadius * kMeasurePerPoint));
  m_cornerField->setGeometry(166, 5, 70, 22);
  resize(260, 34);
  connect(m_cornerSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setCornerRadius(m_cornerSlider); });
  watchTextField(m_cornerField, [this](QLineEdit* field) { setCornerRadius(field); });
}

void DRPropRoundRectVC::selectionChanged() {
  std::optional<MeasureUnit> radius;
  for (const DRElement* element : selection()) {
    if (element->elementType() != kElementRoundRect) continue;
    const MeasureUnit value = static_cast<const DRElementRoundRect*>(element)->cornerRadius();
    if (!radius) {
      radius = value;
    } else if (*radius != value) {
      radius = kMixedMeasure;
    }
  }
  if (radius) showPairValue(m_cornerSlider, m_cornerField, *radius);
}

void DRPropRoundRectVC::setCornerRadius(QWidget* sender) {
  const MeasureUnit radius = MeasureFromControl(sender, 1270);
  if (radius == kMixedMeasure) return;
  DRSettings::sharedInstance().setCornerRadius(radius);
  // Moving the slider ends any typing in the window.
  YankFocusForSliderPair(sender, window());
  if (openUndoEntry(&m_undoId, kUndoCornerRadius)) {
    ChangeSelectionMeasure(notificationWindow(), QStringLiteral("cornerRadius"), QString(), kSwatchNone, radius);
  }
  showPairValue(m_cornerSlider, m_cornerField, radius);
  m_cornerField->update();
}
