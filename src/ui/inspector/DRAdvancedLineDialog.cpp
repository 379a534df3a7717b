#include "ui/inspector/DRAdvancedLineDialog.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <optional>

#include "model/DRCanvasHost.h"
#include "model/DRElement.h"
#include "model/DRLineInfo.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/DRPropBaseVC.h"

namespace {

constexpr MeasureUnit kWholeUnit = 12700;
constexpr MeasureUnit kTenthUnit = 1270;
// The flatness field shows the stored flatness times this.
constexpr MeasureUnit kFlatnessFieldFactor = 10;

CSMeasureField* NewUnitField(QWidget* parent, double sliderMin, double sliderMax) {
  auto* field = new CSMeasureField(parent);
  CSMeasureFormatter* formatter = field->formatter();
  formatter->setScalar(true);
  formatter->setShowUnits(false);
  formatter->setPreferredUnit(kDistanceUnitPoints);
  formatter->setMinimum(MeasureFromDouble(sliderMin * double(kWholeUnit)));
  formatter->setMaximum(MeasureFromDouble(sliderMax * double(kWholeUnit)));
  field->setFixedWidth(60);
  return field;
}

// The common value of the selection, or `mixed` once two differ.
template <class Value>
struct Common {
  std::optional<Value> value;
  Value mixed;
  void take(Value next) {
    if (!value) {
      value = next;
    } else if (*value != next) {
      value = mixed;
    }
  }
  Value get() const { return value.value_or(mixed); }
};

// A style code as a matrix place; codes that fit no int give -1 (no cell)
// rather than wrapping onto one.
int CellIndex(int64_t code) {
  return code >= 0 && code <= 64 ? int(code) : -1;
}

}  // namespace

DRAdvancedLineDialog* DRAdvancedLineDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRAdvancedLineDialog>(drawController);
}

DRAdvancedLineDialog::DRAdvancedLineDialog(DREditorWindowHost* drawController)
    : DRSheetController(drawController, kHelpTopic) {
  setObjectName(QStringLiteral("AdvancedLineDialog"));
  setWindowTitle(tr("Advanced Line Options"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  grid->addWidget(new QLabel(tr("Line cap:"), this), 0, 0, Qt::AlignRight | Qt::AlignTop);
  m_capTypeMatrix = new CSRadioMatrix(this);
  m_capTypeMatrix->addCell(tr("Butt"), int(kLineCapButt), 0, 0);
  m_capTypeMatrix->addCell(tr("Round"), int(kLineCapRound), 0, 1);
  m_capTypeMatrix->addCell(tr("Square"), int(kLineCapSquare), 0, 2);
  grid->addWidget(m_capTypeMatrix, 0, 1, 1, 2);

  grid->addWidget(new QLabel(tr("Flatness:"), this), 1, 0, Qt::AlignRight);
  m_flatnessSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_flatnessSlider->setDoubleRange(kFlatnessSliderMin, kFlatnessSliderMax);
  m_flatnessField = NewUnitField(this, kFlatnessSliderMin, kFlatnessSliderMax);
  grid->addWidget(m_flatnessSlider, 1, 1);
  grid->addWidget(m_flatnessField, 1, 2);

  grid->addWidget(new QLabel(tr("Line join:"), this), 2, 0, Qt::AlignRight | Qt::AlignTop);
  m_joinTypeMatrix = new CSRadioMatrix(this);
  m_joinTypeMatrix->addCell(tr("Miter"), int(kLineJoinMiter), 0, 0);
  m_joinTypeMatrix->addCell(tr("Round"), int(kLineJoinRound), 1, 0);
  m_joinTypeMatrix->addCell(tr("Bevel"), int(kLineJoinBevel), 2, 0);
  grid->addWidget(m_joinTypeMatrix, 2, 1, 1, 2);

  grid->addWidget(new QLabel(tr("Miter limit:"), this), 3, 0, Qt::AlignRight);
  m_miterLimitSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_miterLimitSlider->setDoubleRange(kMiterSliderMin, kMiterSliderMax);
  m_miterLimitField = NewUnitField(this, kMiterSliderMin, kMiterSliderMax);
  grid->addWidget(m_miterLimitSlider, 3, 1);
  grid->addWidget(m_miterLimitField, 3, 2);

  addButtonRow(layout);
  awakeFromNib();

  connect(m_flatnessSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setFlatness(m_flatnessSlider); });
  connect(m_flatnessField, &QLineEdit::editingFinished, this, [this] { setFlatness(m_flatnessField); });
  connect(m_miterLimitSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setMiterLimit(m_miterLimitSlider); });
  connect(m_miterLimitField, &QLineEdit::editingFinished, this, [this] { setMiterLimit(m_miterLimitField); });
  connect(m_joinTypeMatrix, &CSRadioMatrix::activated, this, [this] { setJoinType(); });
}

void DRAdvancedLineDialog::awakeFromNib() {
  Common<int64_t> cap{{}, kMixedLineCode};
  Common<int64_t> join{{}, kMixedLineCode};
  Common<MeasureUnit> flatness{{}, kMixedMeasure};
  Common<MeasureUnit> miter{{}, kMixedMeasure};
  DRCanvasHost* canvas = drawController() ? drawController()->canvas() : nullptr;
  if (canvas) {
    for (const DRElement* element : canvas->selection()) {
      // Elements that have no line style have nothing to compare.
      if (!element || !element->lineInfo()) continue;
      const DRLineInfo& info = *element->lineInfo();
      cap.take(info.capStyle());
      join.take(info.joinStyle());
      flatness.take(info.flatness());
      miter.take(info.miterLimit());
    }
  }
  // A mixed (or unknown) style matches no cell and leaves all off.
  m_capTypeMatrix->selectCell(0, CellIndex(cap.get()));
  m_joinTypeMatrix->selectCell(CellIndex(join.get()), 0);

  MeasureUnit shownFlatness = flatness.get();
  if (shownFlatness != kMixedMeasure) {
    // Saturating: a flatness near the largest value must not wrap.
    shownFlatness = shownFlatness > (kMixedMeasure - 1) / kFlatnessFieldFactor ? kMixedMeasure - 1
                                                                               : shownFlatness * kFlatnessFieldFactor;
  }
  DRPropBaseVC::showPairValue(m_flatnessSlider, m_flatnessField, shownFlatness);
  DRPropBaseVC::showPairValue(m_miterLimitSlider, m_miterLimitField, miter.get());
  setJoinType();
}

void DRAdvancedLineDialog::setFlatness(QWidget* sender) {
  YankFocusForSliderPair(sender, m_flatnessField);
  DRPropBaseVC::showPairValue(m_flatnessSlider, m_flatnessField, MeasureFromControl(sender, kWholeUnit));
}

void DRAdvancedLineDialog::setMiterLimit(QWidget* sender) {
  YankFocusForSliderPair(sender, m_miterLimitField);
  DRPropBaseVC::showPairValue(m_miterLimitSlider, m_miterLimitField, MeasureFromControl(sender, kTenthUnit));
}

void DRAdvancedLineDialog::setJoinType() {
  const bool miter = m_joinTypeMatrix->selectedRow() == 0;
  m_miterLimitSlider->setEnabled(miter);
  m_miterLimitField->setEnabled(miter);
}

void DRAdvancedLineDialog::apply(bool reset) {
  (void)reset;
  const int cap = m_capTypeMatrix->selectedColumn();
  const int join = m_joinTypeMatrix->selectedRow();
  auto* controller = dynamic_cast<DRContentVC*>(currentVC());
  if (!controller || !controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoLineStyle)) {
    finish();
    return;
  }
  QObject* window = drawController()->window();
  const MeasureUnit flatness = MeasureValue(m_flatnessField);
  if (flatness != kMixedMeasure) {
    ChangeSelectionMeasure(window, QStringLiteral("lineInfo.flatness"), QString(), kSwatchNone,
                           flatness / kFlatnessFieldFactor);
  }
  if (cap >= 0) ChangeSelectionNumber(window, QStringLiteral("lineInfo.capStyle"), QString(), cap);
  ChangeSelectionMeasure(window, QStringLiteral("lineInfo.miterLimit"), QString(), kSwatchNone,
                         MeasureValue(m_miterLimitField));
  if (join >= 0) ChangeSelectionNumber(window, QStringLiteral("lineInfo.joinStyle"), QString(), join);
  finish();
}
