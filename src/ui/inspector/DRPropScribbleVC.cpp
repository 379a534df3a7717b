#include "ui/inspector/DRPropScribbleVC.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <optional>

#include "model/DRElementScribble.h"
#include "model/GeometryHelpers.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropArcVC.h"
#include "ui/inspector/DRPropPolygonVC.h"
#include "ui/inspector/DRPropRegularPolyVC.h"
#include "ui/inspector/DRPropRoundRectVC.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kFullScale = 1270000;  // 100 %

// Shows the box as the running state of the elements.
void ShowFlag(CSCheckBox* box, std::optional<bool> value, bool mixed) {
  if (!box) return;
  const QSignalBlocker blocker(box);
  if (mixed) {
    box->setMixed();
  } else {
    box->setChecked(value.value_or(false));
  }
}

MeasureUnit ElementScale(const DRElement* element) {
  const CSPoint original = element->originalSize();
  return ScaleFromFrame(original.x, original.y, element->frame());
}

}  // namespace

DRPropScribbleVC::DRPropScribbleVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Scribble"));
  // Laid out, so each control takes the width its title needs and the
  // pane fits the inspector at its default width.
  m_grid = new QGridLayout(this);
  m_grid->setContentsMargins(8, 6, 8, 6);
  m_grid->setVerticalSpacing(4);
  m_closedButton = new CSCheckBox(tr("Closed"), this);
  m_fillRuleButton = new CSCheckBox(tr("Alternate fill"), this);
  m_hideTextButton = new CSCheckBox(tr("Hide text"), this);
  m_scaleLineButton = new CSCheckBox(tr("Scale line"), this);
  m_grid->addWidget(m_closedButton, 0, 0);
  m_grid->addWidget(m_fillRuleButton, 0, 1);
  m_grid->addWidget(m_hideTextButton, 1, 0);
  m_grid->addWidget(m_scaleLineButton, 1, 1);

  m_scaleSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_scaleSlider->setDoubleRange(0, 2);
  m_scaleField = new CSMeasureField(this);
  CSMeasureFormatter* formatter = m_scaleField->formatter();
  formatter->setMinimum(12700);
  formatter->setMaximum(20320000);
  formatter->setScalar(true);
  formatter->setPreferredUnit(kDistanceUnitPercent);
  m_scaleField->setFixedWidth(60);
  m_resetButton = new QPushButton(tr("Reset"), this);
  auto* scaleRow = new QHBoxLayout;
  scaleRow->addWidget(m_scaleSlider, 1);
  scaleRow->addWidget(m_scaleField);
  scaleRow->addWidget(m_resetButton);
  m_grid->addLayout(scaleRow, 2, 0, 1, 2);
  m_grid->setColumnStretch(0, 1);
  m_grid->setColumnStretch(1, 1);

  connect(m_closedButton, &QCheckBox::clicked, this, [this] { setClosed(); });
  connect(m_fillRuleButton, &QCheckBox::clicked, this, [this] { setFillRule(); });
  connect(m_hideTextButton, &QCheckBox::clicked, this, [this] { setHideText(); });
  connect(m_scaleLineButton, &QCheckBox::clicked, this, [this] { setScaleLine(); });
  connect(m_scaleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setScale(m_scaleSlider); });
  watchTextField(m_scaleField, [this](QLineEdit* field) { setScale(field); });
  connect(m_resetButton, &QPushButton::clicked, this, [this] { reset(); });
}

void DRPropScribbleVC::awakeFromNib() {
  DRPropBaseVC::awakeFromNib();
  observe(g_positionChangeNotification, [this](const CSNotification&) { selectionChanged(); });
}

bool DRPropScribbleVC::isScribbleKind(const DRElement* element) {
  if (!element) return false;
  const int32_t type = element->elementType();
  return type == kElementScribble || type == kElementPolygon || type == kElementBentLine;
}

void DRPropScribbleVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty()) return;
  std::optional<bool> closed, fillRule, hideText, scaleLine;
  bool closedMixed = false, fillRuleMixed = false, hideTextMixed = false, scaleLineMixed = false;
  std::optional<MeasureUnit> scale;
  auto merge = [](std::optional<bool>& running, bool& mixed, bool value) {
    if (running && *running != value) mixed = true;
    if (!running) running = value;
  };
  for (const DRElement* element : elements) {
    if (!isScribbleKind(element)) continue;
    const auto* scribble = static_cast<const DRElementScribble*>(element);
    merge(closed, closedMixed, scribble->isClosed());
    merge(fillRule, fillRuleMixed, scribble->alternateFillRule());
    merge(hideText, hideTextMixed, scribble->hideText());
    merge(scaleLine, scaleLineMixed, scribble->scaleLine());
    const MeasureUnit value = ElementScale(element);
    if (!scale) {
      scale = value;
    } else if (*scale != value) {
      scale = kMixedMeasure;
    }
  }
  if (!scale) return;
  ShowFlag(m_closedButton, closed, closedMixed);
  ShowFlag(m_fillRuleButton, fillRule, fillRuleMixed);
  ShowFlag(m_hideTextButton, hideText, hideTextMixed);
  ShowFlag(m_scaleLineButton, scaleLine, scaleLineMixed);
  showScale(*scale);
}

void DRPropScribbleVC::showScale(MeasureUnit scale) {
  {
    const QSignalBlocker blocker(m_scaleSlider);
    m_scaleSlider->setDoubleValue(scale == kMixedMeasure ? 0 : ConvertToLogSlider(scale));
  }
  SetMeasureValue(m_scaleField, scale);
  m_scaleField->update();
}

void DRPropScribbleVC::setClosed() {
  if (!openUndoEntry(kUndoPolygonOption)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("isClosed"), QStringLiteral("setClosed:"),
                      checkboxValue(m_closedButton));
  NotificationCenter::defaultCenter().post(g_polyReshapeNotification, notificationWindow());
}

void DRPropScribbleVC::setFillRule() {
  if (!openUndoEntry(kUndoPolygonOption)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("alternateFillRule"), QString(),
                      checkboxValue(m_fillRuleButton));
}

void DRPropScribbleVC::setHideText() {
  if (!openUndoEntry(kUndoPolygonOption)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("hideText"), QString(), checkboxValue(m_hideTextButton));
}

void DRPropScribbleVC::setScaleLine() {
  if (!openUndoEntry(kUndoScaleLine)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("scaleLine"), QString(), checkboxValue(m_scaleLineButton));
}

bool DRPropScribbleVC::applyScale(MeasureUnit scale) {
  return scaleSelection(scale, &DRPropScribbleVC::isScribbleKind);
}

void DRPropScribbleVC::setScale(QWidget* sender) {
  const MeasureUnit scale =
      sender == m_scaleSlider ? ConvertFromLogSlider(m_scaleSlider->doubleValue()) : MeasureFromControl(sender, 127);
  // A field left showing "-" sets nothing.
  if (scale == kMixedMeasure || scale <= 0) return;
  YankFocusForSliderPair(sender, parentWidget() ? parentWidget() : this);
  if (!openUndoEntry(&m_scaleUndoId, kUndoScale)) return;
  if (applyScale(scale)) EnqueueSelectionChange(notificationWindow(), g_positionChangeNotification);
  selectionChanged();
}

void DRPropScribbleVC::reset() {
  if (!openUndoEntry(kUndoScale)) return;
  if (applyScale(kFullScale)) {
    NotificationCenter::defaultCenter().post(g_positionChangeNotification, notificationWindow());
  } else if (DRContentVC* controller = currentVC()) {
    controller->undoManager().popUndo();
  }
  selectionChanged();
}

void RegisterShapePanes() {
  DRPaneRegistry& registry = DRPaneRegistry::shared();
  registry.registerPane(QStringLiteral("DRPropScribbleVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropScribbleVC(parent); });
  registry.registerPane(QStringLiteral("DRPropPolygonVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropPolygonVC(parent); });
  registry.registerPane(QStringLiteral("DRPropRegularPolyVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropRegularPolyVC(parent); });
  registry.registerPane(QStringLiteral("DRPropRoundRectVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropRoundRectVC(parent); });
  registry.registerPane(QStringLiteral("DRPropArcVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropArcVC(parent); });
}
