#include "ui/inspector/DRPropReflectionVC.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>

#include "model/DRElement.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kPercentStep = 127;      // 0.01 %
constexpr MeasureUnit kOffsetStep = 1270;      // 0.1 point
constexpr MeasureUnit kFullPercent = 1270000;  // 100 %
// What the offset and intensity controls show while there is no reflection.
constexpr MeasureUnit kRestingIntensity = 635000;  // 50 %
// The offset slider's range, in points.
constexpr double kOffsetMinimum = 0;
constexpr double kOffsetMaximum = 50;

const QString kReflectionKeyPath = QStringLiteral("reflection");
const QString kOffsetKeyPath = QStringLiteral("reflectionOffset");
const QString kIntensityKeyPath = QStringLiteral("reflectionAlpha");

CSMeasureField* PercentField(QWidget* parent) {
  auto* field = new CSMeasureField(parent);
  CSMeasureFormatter* formatter = field->formatter();
  formatter->setMinimum(0);
  formatter->setMaximum(kFullPercent);
  formatter->setScalar(true);
  formatter->setPreferredUnit(kDistanceUnitPercent);
  return field;
}

// The first element's value, mixed when another differs.
template <class Getter>
MeasureUnit CommonValue(const std::vector<DRElement*>& elements, Getter get) {
  const MeasureUnit first = get(elements.front());
  for (const DRElement* element : elements) {
    if (get(element) != first) return kMixedMeasure;
  }
  return first;
}

}  // namespace

DRPropReflectionVC::DRPropReflectionVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Reflection"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  m_reflectionSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_reflectionSlider->setObjectName(QStringLiteral("reflectionSlider"));
  m_reflectionSlider->setDoubleRange(0, 100);
  m_reflectionField = PercentField(this);
  m_reflectionField->setObjectName(QStringLiteral("reflectionField"));

  m_offsetSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_offsetSlider->setObjectName(QStringLiteral("offsetSlider"));
  m_offsetSlider->setDoubleRange(kOffsetMinimum, kOffsetMaximum);
  m_offsetField = new CSMeasureField(this);
  m_offsetField->setObjectName(QStringLiteral("offsetField"));
  m_offsetField->formatter()->setMinimum(MeasureUnit(kOffsetMinimum * kMeasurePerPoint));
  m_offsetField->formatter()->setMaximum(MeasureUnit(kOffsetMaximum * kMeasurePerPoint));

  m_intensitySlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_intensitySlider->setObjectName(QStringLiteral("intensitySlider"));
  m_intensitySlider->setDoubleRange(0, 100);
  m_intensityField = PercentField(this);
  m_intensityField->setObjectName(QStringLiteral("intensityField"));

  const struct {
    QString title;
    CSDoubleSlider* slider;
    CSMeasureField* field;
  } rows[] = {
      {tr("Reflection"), m_reflectionSlider, m_reflectionField},
      {tr("Offset"), m_offsetSlider, m_offsetField},
      {tr("Intensity"), m_intensitySlider, m_intensityField},
  };
  int row = 0;
  for (const auto& entry : rows) {
    auto* label = new QLabel(entry.title, this);
    label->setBuddy(entry.field);
    layout->addWidget(label, row, 0);
    layout->addWidget(entry.slider, row, 1);
    layout->addWidget(entry.field, row, 2);
    ++row;
  }
}

void DRPropReflectionVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropReflectionVC"), [](const QString&, QWidget* parent) {
    return static_cast<QWidget*>(new DRPropReflectionVC(parent));
  });
}

void DRPropReflectionVC::awakeFromNib() {
  DRPropBaseVC::awakeFromNib();
  connect(m_reflectionSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setReflection(m_reflectionSlider); });
  connect(m_offsetSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setOffset(m_offsetSlider); });
  connect(m_intensitySlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setIntensity(m_intensitySlider); });
  watchTextField(m_reflectionField, [this](QLineEdit* field) { setReflection(field); });
  watchTextField(m_offsetField, [this](QLineEdit* field) { setOffset(field); });
  watchTextField(m_intensityField, [this](QLineEdit* field) { setIntensity(field); });
}

void DRPropReflectionVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty() || isRetired()) return;
  const MeasureUnit reflection = CommonValue(elements, [](const DRElement* e) { return e->reflection(); });
  const MeasureUnit offset = CommonValue(elements, [](const DRElement* e) { return e->reflectionOffset(); });
  const MeasureUnit intensity = CommonValue(elements, [](const DRElement* e) { return e->reflectionAlpha(); });
  showPairValue(m_reflectionSlider, m_reflectionField, reflection);
  showPairValue(m_offsetSlider, m_offsetField, offset);
  showPairValue(m_intensitySlider, m_intensityField, intensity);
  enableDetails(reflection != kMixedMeasure && reflection != 0);
}

bool DRPropReflectionVC::post(const QString& keyPath, MeasureUnit value) {
  // A field left showing "-" changes nothing.
  if (value == kMixedMeasure) return false;
  if (!openUndoEntry(&m_reflectUndoID, kUndoReflection)) return false;
  ChangeSelectionMeasure(notificationWindow(), keyPath, QString(), kSwatchNone, value);
  return !isRetired();
}

void DRPropReflectionVC::setReflection(QWidget* sender) {
  const MeasureUnit value = valueFromPair(sender, m_reflectionField, kPercentStep);
  if (!post(kReflectionKeyPath, value)) return;
  showPairValue(m_reflectionSlider, m_reflectionField, value);
  if (value != 0) {
    enableDetails(true);
    stopTyping();
    return;
  }
  // Without a reflection the details rest: an edit under way in them ends
  // first, and what they show is not posted.
  QWidget* focus = QApplication::focusWidget();
  if (focus == m_offsetField || focus == m_intensityField) {
    // The reflection field takes the focus before the details are disabled,
    // so the ended edit sends nothing.
    static_cast<QLineEdit*>(focus)->setModified(false);
    m_reflectionField->setFocus(Qt::OtherFocusReason);
  }
  showPairValue(m_offsetSlider, m_offsetField, 0);
  showPairValue(m_intensitySlider, m_intensityField, kRestingIntensity);
  enableDetails(false);
}

void DRPropReflectionVC::setOffset(QWidget* sender) {
  const MeasureUnit value = valueFromPair(sender, m_offsetField, kOffsetStep);
  if (!post(kOffsetKeyPath, value)) return;
  showPairValue(m_offsetSlider, m_offsetField, value);
  stopTyping();
}

void DRPropReflectionVC::setIntensity(QWidget* sender) {
  const MeasureUnit value = valueFromPair(sender, m_intensityField, kPercentStep);
  if (!post(kIntensityKeyPath, value)) return;
  showPairValue(m_intensitySlider, m_intensityField, value);
  stopTyping();
}

void DRPropReflectionVC::enableDetails(bool enabled) {
  for (QWidget* control : {static_cast<QWidget*>(m_offsetSlider), static_cast<QWidget*>(m_offsetField),
                           static_cast<QWidget*>(m_intensitySlider), static_cast<QWidget*>(m_intensityField)}) {
    control->setEnabled(enabled);
  }
}

void DRPropReflectionVC::stopTyping() {
  DRWindowController* window = windowController();
  if (window && window->drawView()) window->drawView()->stopTyping();
}
