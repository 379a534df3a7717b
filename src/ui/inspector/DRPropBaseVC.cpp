#include "ui/inspector/DRPropBaseVC.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

#include "model/ModelSupport.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/ControlSupport.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/shell/DRWindowController.h"

DRPropBaseVC::DRPropBaseVC(QWidget* parent) : QWidget(parent) {}

DRPropBaseVC::~DRPropBaseVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

DRWindowController* DRPropBaseVC::windowController() const {
  return m_windowController;
}

void DRPropBaseVC::setWindowController(QObject* controller) {
  m_windowController = qobject_cast<DRWindowController*>(controller);
  if (m_awake || m_retired) return;
  m_awake = true;
  awakeFromNib();
}

void DRPropBaseVC::paneWillRetire() {
  m_retired = true;
  m_editingStarted = false;
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRPropBaseVC::awakeFromNib() {
  observe(g_selectionChangeNotification, [this](const CSNotification&) { selectionChanged(); });
  selectionChanged();
}

void DRPropBaseVC::observe(const QString& name, std::function<void(const CSNotification&)> handler, bool anyObject) {
  if (m_retired) return;
  QObject* window = notificationWindow();
  // Without a window there is nothing of this pane's to follow (a null
  // object would hear every window).
  if (!anyObject && !window) return;
  NotificationCenter::defaultCenter().addObserver(this, name, anyObject ? nullptr : window, std::move(handler));
}

QObject* DRPropBaseVC::notificationWindow() const {
  return m_windowController ? static_cast<QObject*>(m_windowController->window()) : nullptr;
}

DRContentVC* DRPropBaseVC::currentVC() const {
  return m_windowController ? m_windowController->currentContent() : nullptr;
}

const std::vector<DRElement*>& DRPropBaseVC::selection() const {
  static const std::vector<DRElement*> kNone;
  return m_windowController ? m_windowController->selection() : kNone;
}

// ---- Undo ------------------------------------------------------------------------------------

bool DRPropBaseVC::openUndoEntry(int descriptor) {
  DRContentVC* controller = currentVC();
  if (m_retired || !controller) return false;
  return controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, descriptor);
}

bool DRPropBaseVC::openUndoEntry(uint32_t* undoId, int descriptor) {
  DRContentVC* controller = currentVC();
  if (m_retired || !controller || !undoId) return false;
  if (!controller->isUndoIDCurrent(*undoId)) *undoId = controller->newUndoID();
  return controller->setUndoID(*undoId, kUndoActionChange, descriptor);
}

// ---- Controls --------------------------------------------------------------------------------

bool DRPropBaseVC::checkboxValue(QCheckBox* box) {
  return UnmixedCheckboxState(box) == Qt::Checked;
}

MeasureUnit DRPropBaseVC::valueFromPair(QWidget* sender, QLineEdit* field, MeasureUnit step) {
  YankFocusForSliderPair(sender, field);
  return MeasureFromControl(sender, step);
}

void DRPropBaseVC::showPairValue(QAbstractSlider* slider, QLineEdit* field, MeasureUnit value) {
  const bool mixed = value == kMixedMeasure;
  const double points = mixed ? 0 : double(value) / double(kMeasurePerPoint);
  if (slider) {
    const QSignalBlocker blocker(slider);
    if (auto* doubleSlider = qobject_cast<CSDoubleSlider*>(slider)) {
      doubleSlider->setDoubleValue(points);
    } else {
      slider->setValue(qRound(points));
    }
  }
  if (field) {
    SetMeasureValue(field, value);
    DeflectSliderDelay(field);
  }
}

// ---- Text fields -----------------------------------------------------------------------------

MeasureUnit DRPropBaseVC::rotationFromPair(QWidget* sender, CSDoubleSlider* slider, QLineEdit* field) {
  double degrees = 0;
  if (sender == slider) {
    YankFocusForSliderPair(slider, field);
    degrees = slider->doubleValue();
  } else {
    const MeasureUnit typed = MeasureValue(field);
    if (typed == kMixedMeasure) return kMixedMeasure;
    degrees = double(typed) / double(kMeasurePerPoint);
  }
  return RotationFromControl(degrees);
}

void DRPropBaseVC::watchTextField(QLineEdit* field, std::function<void(QLineEdit*)> action) {
  if (!field) return;
  m_fieldActions.insert(field, std::move(action));
  connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidBeginEditing(field); });
  connect(field, &QLineEdit::editingFinished, this, [this, field] { controlTextDidEndEditing(field); });
}

void DRPropBaseVC::controlTextDidBeginEditing(QLineEdit* field) {
  (void)field;
  if (!m_retired) m_editingStarted = true;
}

void DRPropBaseVC::controlTextDidEndEditing(QLineEdit* field) {
  if (!m_editingStarted || m_retired || !field) return;
  m_editingStarted = false;
  // Escape took the typing back: the field shows its value again.
  if (!field->isModified()) return;
  field->setModified(false);
  const auto action = m_fieldActions.constFind(field);
  if (action != m_fieldActions.constEnd() && *action) (*action)(field);
}

bool DRPropBaseVC::scaleSelection(MeasureUnit scale, const std::function<bool(const DRElement*)>& takes) {
  DRDrawView* view = windowController() ? windowController()->drawView() : nullptr;
  const std::vector<DRElement*> elements = selection();
  bool changed = false;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    DRElement* element = *it;
    if (!element || !takes(element)) continue;
    const CSPoint original = element->originalSize();
    if (original.x <= 0 || original.y <= 0) continue;
    if (element->setScale(scale, view)) changed = true;
  }
  return changed;
}
