#include "ui/inspector/DRPropPositionVC.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <optional>

#include "model/DRElement.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

// A running value over the selection that turns mixed on the first
// element that differs.
template <typename T>
void MergeValue(std::optional<T>* running, T value, T mixed) {
  if (!*running) {
    *running = value;
  } else if (**running != value) {
    *running = mixed;
  }
}

void ShowBox(CSCheckBox* box, int state) {
  if (state < 0) {
    box->setMixed();
  } else {
    box->setChecked(state != 0);
  }
}

}  // namespace

DRPropPositionVC::DRPropPositionVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Position"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);
  const char* const labels[4] = {"X", "Y", "Width", "Height"};
  for (int coord = kRectCoordX; coord <= kRectCoordHeight; ++coord) {
    auto* field = new CSMeasureField(this);
    field->setObjectName(QStringLiteral("positionField%1").arg(coord));
    m_fields[coord] = field;
    auto* label = new QLabel(tr(labels[coord]), this);
    label->setBuddy(field);
    layout->addWidget(label, coord / 2 * 2, coord % 2);
    layout->addWidget(field, coord / 2 * 2 + 1, coord % 2);
  }
  m_fields[kRectCoordX]->formatter()->setShowUnits(false);
  m_constrainButton = new CSCheckBox(tr("Constrain"), this);
  m_constrainButton->setObjectName(QStringLiteral("constrainButton"));
  m_centerButton = new CSCheckBox(tr("Resize from center"), this);
  m_centerButton->setObjectName(QStringLiteral("centerButton"));
  layout->addWidget(m_constrainButton, 4, 0, 1, 2);
  layout->addWidget(m_centerButton, 5, 0, 1, 2);
}

void DRPropPositionVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropPositionVC"),
                        [](const QString&, QWidget* parent) -> QWidget* { return new DRPropPositionVC(parent); });
}

CSMeasureField* DRPropPositionVC::field(int rectCoord) const {
  return rectCoord >= kRectCoordX && rectCoord <= kRectCoordHeight ? m_fields[rectCoord] : nullptr;
}

void DRPropPositionVC::awakeFromNib() {
  for (CSMeasureField* field : m_fields) {
    watchTextField(field, [this](QLineEdit* sender) { changeFrameValue(sender); });
  }
  connect(m_centerButton, &QCheckBox::clicked, this, [this] { setCentered(); });
  connect(m_constrainButton, &QCheckBox::clicked, this, [this] { setConstrained(); });
  observe(g_positionChangeNotification, [this](const CSNotification&) { selectionChanged(); });
  DRPropBaseVC::awakeFromNib();
}

void DRPropPositionVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty() || isRetired()) return;

  std::optional<MeasureUnit> values[4];
  std::optional<int> centered;
  std::optional<int> constrained;
  bool hasLine = false;
  bool hasBentLine = false;
  bool hasGroup = false;
  bool hasRegularPoly = false;
  bool hasArc = false;
  bool hasText = false;
  for (const DRElement* element : elements) {
    const CSRect frame = element->frame();
    const MeasureUnit coords[4] = {frame.x, frame.y, frame.width, frame.height};
    for (int coord = 0; coord < 4; ++coord) MergeValue(&values[coord], coords[coord], kMixedMeasure);
    MergeValue(&centered, element->resizeFromCenter() ? 1 : 0, -1);
    MergeValue(&constrained, element->isConstrained() ? 1 : 0, -1);
    switch (element->elementType()) {
      case kElementLine:
        hasLine = true;
        break;
      case kElementBentLine:
        hasBentLine = true;
        break;
      case kElementGroup:
        hasGroup = true;
        break;
      case kElementRegularPoly:
        hasRegularPoly = true;
        break;
      case kElementArc:
        hasArc = true;
        break;
      case kElementText:
        hasText = true;
        break;
      default:
        break;
    }
  }

  for (int coord = 0; coord < 4; ++coord) SetMeasureValue(m_fields[coord], values[coord].value_or(kMixedMeasure));

  const bool canConstrain = !(hasRegularPoly || hasGroup || hasText || hasBentLine || hasArc);
  m_constrainButton->setEnabled(canConstrain);
  ShowBox(m_constrainButton, canConstrain ? constrained.value_or(-1) : -1);
  const bool canCenter = !(hasLine || hasBentLine || hasGroup);
  m_centerButton->setEnabled(canCenter);
  ShowBox(m_centerButton, canCenter ? centered.value_or(-1) : -1);

  // A group's size follows its members; a text box's height follows its
  // text.
  const bool widthEnabled = !hasGroup;
  const bool heightEnabled = !hasGroup && !hasText;
  m_fields[kRectCoordWidth]->setEnabled(widthEnabled);
  m_fields[kRectCoordWidth]->setFocusPolicy(widthEnabled ? Qt::StrongFocus : Qt::NoFocus);
  m_fields[kRectCoordHeight]->setEnabled(heightEnabled);
  m_fields[kRectCoordHeight]->setFocusPolicy(heightEnabled ? Qt::StrongFocus : Qt::NoFocus);
}

void DRPropPositionVC::changeFrameValue(QLineEdit* field) {
  int coord = kRectCoordX;
  while (coord <= kRectCoordHeight && m_fields[coord] != field) ++coord;
  if (coord > kRectCoordHeight) return;
  const MeasureUnit value = MeasureValue(field);
  if (value == kMixedMeasure) return;

  DRContentVC* controller = currentVC();
  DRWindowController* window = windowController();
  if (!controller || !window) return;
  const bool isPosition = coord <= kRectCoordY;
  uint32_t* undoId = isPosition ? &m_positionUndoID : &m_sizeUndoID;
  // An edit that joins the entry of the previous one made no record of its
  // own, so there is nothing to take back if it changes nothing.
  const bool joined = controller->isUndoIDCurrent(*undoId);
  if (!openUndoEntry(undoId, isPosition ? kUndoNudge : kUndoSize)) return;

  // A copy: redrawing may have the canvas refresh its selection.
  const std::vector<DRElement*> elements = selection();
  int changed = 0;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    DRElement* element = *it;
    window->invalidateElement(element);
    bool updateState = false;
    if (element->setValue(value, coord, &updateState)) {
      window->invalidateElement(element);
      ++changed;
    }
  }

  QObject* notifyWindow = notificationWindow();
  if (changed > 0) {
    NotificationCenter::defaultCenter().post(g_elementMoveNotification, notifyWindow);
  } else if (!joined) {
    controller->undoManager().popUndo();
    // The id no longer names an entry: the next edit must open its own.
    controller->resetCurrentUndoID();
  }
  NotificationCenter::defaultCenter().post(g_positionChangeNotification, notifyWindow);
}

void DRPropPositionVC::setCentered() {
  if (!openUndoEntry(kUndoResizeFromCenter)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("resizeFromCenter"), QString(),
                      checkboxValue(m_centerButton));
}

void DRPropPositionVC::setConstrained() {
  // Read before the size being typed is taken: that edit shows the
  // selection again, box included.
  const bool constrained = checkboxValue(m_constrainButton);
  if (QWidget* focus = QApplication::focusWidget(); focus && isAncestorOf(focus)) focus->clearFocus();
  if (isRetired() || !openUndoEntry(kUndoConstrain)) return;
  QObject* notifyWindow = notificationWindow();
  ChangeSelectionBool(notifyWindow, QStringLiteral("isConstrained"), QStringLiteral("setConstrained:"), constrained);
  // The elements may have become squares: the size fields show it.
  if (constrained) NotificationCenter::defaultCenter().post(g_positionChangeNotification, notifyWindow);
}
