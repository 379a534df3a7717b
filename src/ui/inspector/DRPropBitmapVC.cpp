#include "ui/inspector/DRPropBitmapVC.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "model/DRElementBitmap.h"
#include "model/GeometryHelpers.h"
#include "support/CSKernel.h"
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
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kFullScale = 1270000;  // 100 %
constexpr MeasureUnit kScaleStep = 127;       // 0.01 %
constexpr MeasureUnit kOpacityStep = 1270;    // 0.1 %
constexpr int64_t kOpaqueTenths = 1000;

// Stored opacity to tenths of a percent: 0 is opaque, o stands for o - 1.
int64_t TenthsFromOpacity(int64_t opacity) {
  return opacity > 0 ? std::clamp<int64_t>(opacity - 1, 0, kOpaqueTenths) : kOpaqueTenths;
}

int64_t OpacityFromTenths(int64_t tenths) {
  return tenths >= kOpaqueTenths ? 0 : tenths + 1;
}

CSMeasureField* PercentField(QWidget* parent, MeasureUnit minimum, MeasureUnit maximum) {
  auto* field = new CSMeasureField(parent);
  CSMeasureFormatter* formatter = field->formatter();
  formatter->setScalar(true);
  formatter->setPreferredUnit(kDistanceUnitPercent);
  formatter->setMinimum(minimum);
  formatter->setMaximum(maximum);
  field->setMaximumWidth(80);
  return field;
}

}  // namespace

DRPropBitmapVC::DRPropBitmapVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Bitmap"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 4, 6, 4);

  m_scaleSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_scaleSlider->setDoubleRange(0, 2);
  m_scaleField = PercentField(this, kScaleStep, 20320000);
  m_resetButton = new QPushButton(tr("Reset"), this);
  grid->addWidget(new QLabel(tr("Scale:"), this), 0, 0);
  grid->addWidget(m_scaleSlider, 0, 1);
  grid->addWidget(m_scaleField, 0, 2);
  grid->addWidget(m_resetButton, 0, 3);

  m_opacitySlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_opacitySlider->setDoubleRange(0, 100);
  m_opacityField = PercentField(this, 0, kFullScale);
  grid->addWidget(new QLabel(tr("Opacity:"), this), 1, 0);
  grid->addWidget(m_opacitySlider, 1, 1);
  grid->addWidget(m_opacityField, 1, 2);

  m_nameField = new QLineEdit(this);
  grid->addWidget(new QLabel(tr("Name:"), this), 2, 0);
  grid->addWidget(m_nameField, 2, 1, 1, 3);

  m_showFileButton = new QPushButton(tr("Show File"), this);
  grid->addWidget(m_showFileButton, 3, 1, 1, 3, Qt::AlignLeft);
}

void DRPropBitmapVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropBitmapVC"),
                                        [](const QString&, QWidget* parent) { return new DRPropBitmapVC(parent); });
}

void DRPropBitmapVC::awakeFromNib() {
  DRPropBaseVC::awakeFromNib();
  m_showFileButton->setVisible(g_advancedUser);
  connect(m_scaleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setScale(m_scaleSlider); });
  watchTextField(m_scaleField, [this](QLineEdit* field) { setScale(field); });
  connect(m_resetButton, &QPushButton::clicked, this, [this] { reset(); });
  connect(m_opacitySlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setOpacity(m_opacitySlider); });
  watchTextField(m_opacityField, [this](QLineEdit* field) { setOpacity(field); });
  watchTextField(m_nameField, [this](QLineEdit*) { changeName(); });
  connect(m_showFileButton, &QPushButton::clicked, this, [this] { showFile(); });
  observe(g_positionChangeNotification, [this](const CSNotification&) { selectionChanged(); });
}

void DRPropBitmapVC::selectionChanged() {
  const DRElement* first = nullptr;
  MeasureUnit scale = 0;
  int64_t opacity = 0;
  bool opacityMixed = false;
  bool several = false;
  for (const DRElement* element : selection()) {
    if (!element || element->elementType() != kElementBitmap) continue;
    const auto* bitmap = static_cast<const DRElementBitmap*>(element);
    const MeasureUnit elementScale =
        ScaleFromFrame(element->originalSize().x, element->originalSize().y, element->frame());
    if (!first) {
      first = element;
      scale = elementScale;
      opacity = bitmap->opacity();
      continue;
    }
    several = true;
    if (scale != elementScale) scale = kMixedMeasure;
    if (opacity != bitmap->opacity()) opacityMixed = true;
  }
  if (!first) return;

  {
    const QSignalBlocker blocker(m_scaleSlider);
    m_scaleSlider->setDoubleValue(scale == kMixedMeasure ? 0 : ConvertToLogSlider(scale));
  }
  SetMeasureValue(m_scaleField, scale);
  showOpacity(opacityMixed ? kOpaqueTenths : TenthsFromOpacity(opacity), true);

  m_nameField->setEnabled(!several);
  m_nameField->setText(several ? QString() : static_cast<const DRElementBitmap*>(first)->name());
  m_nameField->setModified(false);
}

void DRPropBitmapVC::showOpacity(int64_t tenths, bool moveSlider) {
  if (moveSlider) {
    const QSignalBlocker blocker(m_opacitySlider);
    m_opacitySlider->setDoubleValue(double(tenths) / 10);
  }
  SetMeasureValue(m_opacityField, MeasureUnit(tenths * kMeasurePerPoint / 10));
  m_opacityField->setModified(false);
}

void DRPropBitmapVC::setOpacity(QWidget* sender) {
  if (isRetired()) return;
  const bool fromField = sender == m_opacityField;
  int64_t tenths = fromField ? MeasureFromControl(m_opacityField, kOpacityStep) * 10 / kMeasurePerPoint
                             : int64_t(m_opacitySlider->doubleValue() * 10);
  tenths = std::clamp<int64_t>(tenths, 0, kOpaqueTenths);
  YankFocusForSliderPair(sender, m_opacityField);
  if (!openUndoEntry(&m_opacityUndoID, kUndoOpacity)) return;
  DRDrawView* view = windowController() ? windowController()->drawView() : nullptr;
  const std::vector<DRElement*> elements = selection();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    DRElement* element = *it;
    if (!element || element->elementType() != kElementBitmap) continue;
    if (view) view->invalidateElement(element);
    static_cast<DRElementBitmap*>(element)->setOpacity(OpacityFromTenths(tenths));
    if (view) view->invalidateElement(element);
  }
  showOpacity(tenths, fromField);
}

bool DRPropBitmapVC::applyScale(MeasureUnit scale) {
  return scaleSelection(scale, [](const DRElement* element) { return element->elementType() == kElementBitmap; });
}

void DRPropBitmapVC::setScale(QWidget* sender) {
  if (isRetired()) return;
  const MeasureUnit scale = sender == m_scaleSlider ? ConvertFromLogSlider(m_scaleSlider->doubleValue())
                                                    : MeasureFromControl(m_scaleField, kScaleStep);
  YankFocusForSliderPair(sender, windowController() ? windowController()->propertyView() : nullptr);
  // A field left showing "-" has no scale to give.
  if (scale <= 0 || scale == kMixedMeasure) return;
  if (!openUndoEntry(&m_scaleUndoID, kUndoScale)) return;
  if (applyScale(scale)) EnqueueSelectionChange(notificationWindow(), g_positionChangeNotification);
  selectionChanged();
}

void DRPropBitmapVC::reset() {
  if (isRetired() || !openUndoEntry(kUndoScale)) return;
  if (applyScale(kFullScale)) {
    NotificationCenter::defaultCenter().post(g_positionChangeNotification, notificationWindow());
  } else if (DRContentVC* controller = currentVC()) {
    controller->undoManager().popUndo();
  }
}

void DRPropBitmapVC::changeName() {
  if (isRetired() || !m_nameField->isEnabled()) return;
  const QString text = m_nameField->text();
  if (!openUndoEntry(kUndoPaintingName)) return;
  ChangeSelectionObject(notificationWindow(), QStringLiteral("name"), QString(),
                        text.isEmpty() ? QVariant() : QVariant(text));
}

void DRPropBitmapVC::showFile() {
  for (const DRElement* element : selection()) {
    if (!element || element->elementType() != kElementBitmap) continue;
    const auto& painting = static_cast<const DRElementBitmap*>(element)->painting();
    if (painting && !painting->filePath().isEmpty()) Workspace().showInFinder(painting->filePath());
    return;
  }
}

namespace {
const bool g_bitmapPaneRegistered = (DRPropBitmapVC::registerPane(), true);
}  // namespace
