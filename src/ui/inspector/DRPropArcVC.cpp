#include "ui/inspector/DRPropArcVC.h"

#include "model/DRElementArc.h"
#include "model/ModelSupport.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/DRArcAngleView.h"

namespace {

constexpr MeasureUnit kFullTurn = 360 * 12700;

void SetUpAngleField(CSMeasureField* field) {
  CSMeasureFormatter* formatter = field->formatter();
  formatter->setMinimum(-kFullTurn);
  formatter->setMaximum(kFullTurn);
  formatter->setScalar(true);
  formatter->setPreferredUnit(kDistanceUnitPoints);
  formatter->setShowUnits(false);
}

}  // namespace

DRPropArcVC::DRPropArcVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Arc"));
  m_angleView = new DRArcAngleView(this);
  m_angleView->setGeometry(8, 6, 100, 100);
  m_startField = new CSMeasureField(this);
  SetUpAngleField(m_startField);
  m_startField->setGeometry(120, 20, 70, 22);
  m_endField = new CSMeasureField(this);
  SetUpAngleField(m_endField);
  m_endField->setGeometry(120, 64, 70, 22);
  resize(260, 112);
  connect(m_angleView, &DRArcAngleView::anglesChanged, this,
          [this](DRArcAngleView* view) { setAngles(view->startAngle(), view->endAngle()); });
  watchTextField(m_startField, [this](QLineEdit* field) { angleFieldEdited(field); });
  watchTextField(m_endField, [this](QLineEdit* field) { angleFieldEdited(field); });
}

void DRPropArcVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty() || elements.front()->elementType() != kElementArc) return;
  const auto* arc = static_cast<const DRElementArc*>(elements.front());
  SetMeasureValue(m_startField, arc->startAngle());
  SetMeasureValue(m_endField, arc->endAngle());
  m_angleView->setStartAngle(arc->startAngle());
  m_angleView->setEndAngle(arc->endAngle());
  m_angleView->update();
}

void DRPropArcVC::setAngles(MeasureUnit start, MeasureUnit end) {
  if (!openUndoEntry(&m_undoId, kUndoArcAngle)) return;
  ChangeSelectionMeasure(notificationWindow(), QStringLiteral("startAngle"), QString(), kSwatchNone, start);
  ChangeSelectionMeasure(notificationWindow(), QStringLiteral("endAngle"), QString(), kSwatchNone, end);
  SetMeasureValue(m_startField, start);
  SetMeasureValue(m_endField, end);
}

void DRPropArcVC::angleFieldEdited(QLineEdit* field) {
  // A field left showing "-" keeps the mixed value, which sets nothing.
  const MeasureUnit angle = RotationFromField(MeasureFromControl(field, 1));
  if (angle == kMixedMeasure) return;
  if (!openUndoEntry(&m_undoId, kUndoArcAngle)) return;
  const bool start = field == m_startField;
  ChangeSelectionMeasure(notificationWindow(), start ? QStringLiteral("startAngle") : QStringLiteral("endAngle"),
                         QString(), kSwatchNone, angle);
  if (start) {
    m_angleView->setStartAngle(angle);
  } else {
    m_angleView->setEndAngle(angle);
  }
  m_angleView->update();
}
