#include "ui/inspector/DRLinePatternDialog.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "model/DRCanvasHost.h"
#include "model/DRElement.h"
#include "model/DRLineInfo.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRLinePatternExample.h"
#include "ui/inspector/DRLinePatternView.h"
#include "ui/inspector/DRPropBaseVC.h"

namespace {
constexpr int kExampleHeight = 8;
}  // namespace

DRLinePatternDialog* DRLinePatternDialog::runSheetForWindow(DREditorWindowHost* drawController,
                                                            DRPropBaseVC* propViewController) {
  return runSheet<DRLinePatternDialog>(drawController, propViewController);
}

DRLinePatternDialog::DRLinePatternDialog(DREditorWindowHost* drawController, DRPropBaseVC* propViewController)
    : DRSheetController(drawController, kHelpTopic), m_propController(propViewController) {
  setObjectName(QStringLiteral("LinePhaseDialog"));
  setWindowTitle(tr("Line Pattern"));
  m_formatter = new CSMeasureFormatter(this);
  m_formatter->setPreferredUnit(kDistanceUnitPoints);
  m_formatter->setShowUnits(false);

  auto* layout = new QVBoxLayout(this);
  m_linePatternView = new DRLinePatternView(this);
  m_linePatternView->setFixedSize(kEditorWidth, kEditorHeight);
  layout->addWidget(m_linePatternView);

  auto* controls = new QHBoxLayout;
  m_segmentCountControl = new CSSegmentedControl(this);
  m_segmentCountControl->setTrackingMode(CSSegmentedControl::TrackingMode::kMomentary);
  m_segmentCountControl->setSegmentCount(2);
  m_segmentCountControl->setLabel(QStringLiteral("+"), DRLinePatternView::kAddSegment);
  m_segmentCountControl->setLabel(QStringLiteral("\u2212"), DRLinePatternView::kRemoveSegment);
  controls->addWidget(m_segmentCountControl);
  controls->addStretch();
  layout->addLayout(controls);

  m_exampleView = new DRLinePatternExample(this);
  m_exampleView->setFixedSize(kEditorWidth, kExampleHeight);
  layout->addWidget(m_exampleView);

  auto* options = new QHBoxLayout;
  options->addWidget(new QLabel(tr("Phase:"), this));
  m_phaseField = new CSMeasureField(this);
  m_phaseField->formatter()->setPreferredUnit(kDistanceUnitPoints);
  m_phaseField->formatter()->setShowUnits(false);
  m_phaseField->setFixedWidth(60);
  options->addWidget(m_phaseField);
  options->addWidget(new QLabel(tr("points"), this));
  options->addSpacing(12);
  m_scalePatternButton = new CSCheckBox(tr("Scale pattern with line width"), this);
  options->addWidget(m_scalePatternButton);
  options->addStretch();
  layout->addLayout(options);
  addButtonRow(layout);

  // The editor wakes with its host's controls in place.
  m_linePatternView->setDrawController(drawController);
  m_linePatternView->setFormatter(m_formatter);
  m_linePatternView->setExampleView(m_exampleView);
  m_linePatternView->setSegmentCountControl(m_segmentCountControl);
  m_linePatternView->setPhaseField(m_phaseField);
  m_linePatternView->setScalePatternButton(m_scalePatternButton);
  m_linePatternView->awakeFromNib();
  connect(m_linePatternView, &DRBarEditor::selectTextField, this, &DRLinePatternDialog::selectTextField);
  connect(m_phaseField, &QLineEdit::editingFinished, this, [this] { m_exampleView->setPhaseFromControl(m_phaseField); });
  connect(m_scalePatternButton, &QCheckBox::clicked, this,
          [this] { m_exampleView->setScaleOption(m_scalePatternButton); });
  // However the sheet closes, the pane shows what the selection now is.
  connect(this, &QDialog::finished, this, [this] {
    if (m_propController) m_propController->selectionChanged();
  });
}

void DRLinePatternDialog::selectTextField(bool next) {
  (void)next;
  QTimer::singleShot(0, this, [this] { m_phaseField->setFocus(Qt::TabFocusReason); });
}

void DRLinePatternDialog::apply(bool reset) {
  (void)reset;
  if (!m_linePatternView->normalize()) return;
  const std::vector<MeasureUnit> pattern = m_linePatternView->linePattern();
  auto* controller = dynamic_cast<DRContentVC*>(currentVC());
  if (!controller || !controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoLineStyle)) {
    finish();
    return;
  }
  const bool dashed = pattern.size() > 1;
  MeasureUnit phase = 0;
  if (dashed) {
    phase = MeasureFromControl(m_phaseField, DRLinePatternView::kPatternPrecision);
    // The pattern has no settings-change key of its own: it is set on
    // each line directly, inside the undo entry just opened.
    if (DRCanvasHost* canvas = drawController()->canvas()) {
      for (DRElement* element : canvas->selection()) {
        if (!element || !element->canDrawLines() || !element->lineInfo()) continue;
        DRLineInfo info = *element->lineInfo();
        info.setPattern(pattern);
        element->setLineInfo(info);
        canvas->invalidateElement(element);
      }
    }
  }
  QObject* window = drawController()->window();
  if (phase != kMixedMeasure) ChangeSelectionMeasure(window, QStringLiteral("lineInfo.phase"), QString(), kSwatchNone, phase);
  ChangeSelectionNumber(window, QStringLiteral("lineInfo.lineStyle"), QString(),
                        dashed ? kLineStyleCustom : kLineStyleSolid);
  if (m_scalePatternButton->checkState() != Qt::PartiallyChecked) {
    ChangeSelectionBool(window, QStringLiteral("lineInfo.scalePattern"), QString(),
                        m_scalePatternButton->checkState() == Qt::Checked);
  }
  finish();
}
