#include "ui/inspector/DRArrangeSheets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "model/DRElement.h"
#include "model/GeometryHelpers.h"
#include "model/ModelSupport.h"
#include "model/DRSettingsChange.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/ControlSupport.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSRadioMatrix.h"

namespace {

// Degrees x 12,700: one full turn, and two.
constexpr MeasureUnit kFullTurn = 4572000;
constexpr MeasureUnit kTwoTurns = 9144000;
constexpr MeasureUnit kPercent = kMeasurePerPoint;  // 1 % is 12,700
constexpr MeasureUnit kOnePoint = kMeasurePerPoint;

// a x b / c in unsigned arithmetic wide enough for any two measures,
// saturating below the mixed value; c must not be 0.
MeasureUnit MulDiv(MeasureUnit a, MeasureUnit b, MeasureUnit c) {
  using U = unsigned __int128;
  const U result = U(uint64_t(std::max<MeasureUnit>(a, 0))) * U(uint64_t(std::max<MeasureUnit>(b, 0))) /
                   U(uint64_t(c));
  return result >= U(kMixedMeasure) ? kMixedMeasure - 1 : MeasureUnit(result);
}

// The percent (x 12,700) a side of `size` makes of `unscaled`, cut to an
// integer; unscaled must not be 0.
MeasureUnit PercentOf(MeasureUnit size, MeasureUnit unscaled) {
  return MeasureFromDouble(double(size) * 100.0 / double(unscaled) * double(kPercent));
}

CSMeasureField* NewLengthField(QWidget* parent, const char* name) {
  auto* field = new CSMeasureField(parent);
  field->setObjectName(QString::fromLatin1(name));
  return field;
}

}  // namespace

// ---- Common to the drawing sheets -----------------------------------------------------------

DRDrawVC* DRDrawingSheet::drawVC() const {
  return dynamic_cast<DRDrawVC*>(currentVC());
}

DRDrawView* DRDrawingSheet::drawView() const {
  DRDrawVC* controller = drawVC();
  return controller ? controller->view() : nullptr;
}

QObject* DRDrawingSheet::notificationWindow() const {
  return drawController() ? drawController()->window() : nullptr;
}

bool DRDrawingSheet::openUndoEntry(int action, int descriptor) const {
  DRDrawVC* controller = drawVC();
  return controller && controller->setUndoID(CSUndoManager::kFreshUndoID, action, descriptor);
}

void DRDrawingSheet::watchField(QLineEdit* field, std::function<void()> action) {
  if (!field) return;
  m_fieldActions.insert(field, std::move(action));
  connect(field, &QLineEdit::editingFinished, this, [this, field] {
    field->setModified(false);
    if (const auto found = m_fieldActions.constFind(field); found != m_fieldActions.constEnd()) found.value()();
  });
}

bool DRDrawingSheet::endTyping(bool complain) {
  // Only typing is checked: what the sheet itself shows stands.
  for (CSMeasureField* field : findChildren<CSMeasureField*>()) {
    QString error;
    if (field->isEnabled() && field->isModified() && !field->acceptsText(&error)) {
      if (!complain) return false;
      field->setFocus(Qt::OtherFocusReason);
      controlDidFailToFormatString(field, field->text(), error);
      return false;
    }
  }
  // The edit under way is taken as its end would take it.
  auto* editing = qobject_cast<QLineEdit*>(focusWidget());
  if (editing && editing->isModified()) {
    editing->setModified(false);
    if (const auto found = m_fieldActions.constFind(editing); found != m_fieldActions.constEnd()) found.value()();
  }
  setFocus(Qt::OtherFocusReason);
  return true;
}

// ---- Align ------------------------------------------------------------------------------------

int DRAlignDialog::s_xAlignment = kAlignRowLeave;
int DRAlignDialog::s_yAlignment = kAlignRowLeave;

DRAlignDialog* DRAlignDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRAlignDialog>(drawController);
}

DRAlignDialog::DRAlignDialog(DREditorWindowHost* drawController) : DRDrawingSheet(drawController, kHelpTopic) {
  setWindowTitle(tr("Align"));
  setObjectName(QStringLiteral("Alignment"));
  auto* layout = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  const auto makeMatrix = [this, columns](const QString& title, const QStringList& rows) {
    auto* box = new QGroupBox(title, this);
    auto* boxLayout = new QVBoxLayout(box);
    auto* matrix = new CSRadioMatrix(box);
    for (int row = 0; row < rows.size(); ++row) matrix->addCell(rows[row], row, row, 0);
    boxLayout->addWidget(matrix);
    columns->addWidget(box);
    return matrix;
  };
  m_horizontal = makeMatrix(tr("Horizontally"), {tr("Leave alone"), tr("Left edges"), tr("Right edges"),
                                                 tr("Centers"), tr("Side by side")});
  m_horizontal->setObjectName(QStringLiteral("horizontal"));
  m_vertical = makeMatrix(tr("Vertically"), {tr("Leave alone"), tr("Top edges"), tr("Bottom edges"), tr("Centers"),
                                             tr("Stacked")});
  m_vertical->setObjectName(QStringLiteral("vertical"));
  layout->addLayout(columns);
  addButtonRow(layout);
  m_horizontal->selectCell(s_xAlignment, 0);
  m_vertical->selectCell(s_yAlignment, 0);
}

void DRAlignDialog::resetRememberedValues() {
  s_xAlignment = kAlignRowLeave;
  s_yAlignment = kAlignRowLeave;
}

void DRAlignDialog::apply(bool reset) {
  (void)reset;
  s_xAlignment = std::max(m_horizontal->selectedRow(), 0);
  s_yAlignment = std::max(m_vertical->selectedRow(), 0);
  // The controller opens the undo entry itself.
  if (DRDrawVC* controller = drawVC()) controller->alignX(int32_t(s_xAlignment), int32_t(s_yAlignment));
  finish();
}

// ---- Rotate -----------------------------------------------------------------------------------

int DRRotateDialog::s_rightRotate = DRRotateDialog::kRightColumn;

DRRotateDialog* DRRotateDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRRotateDialog>(drawController);
}

DRRotateDialog::DRRotateDialog(DREditorWindowHost* drawController) : DRDrawingSheet(drawController, kHelpTopic) {
  setWindowTitle(tr("Rotate"));
  setObjectName(QStringLiteral("RotationDialog"));
  auto* layout = new QVBoxLayout(this);
  m_direction = new CSRadioMatrix(this);
  m_direction->setObjectName(QStringLiteral("direction"));
  m_direction->addCell(tr("Left"), kLeftColumn, 0, kLeftColumn);
  m_direction->addCell(tr("Right"), kRightColumn, 0, kRightColumn);
  auto* row = new QHBoxLayout;
  m_rotateSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_rotateSlider->setObjectName(QStringLiteral("rotateSlider"));
  m_rotateSlider->setDoubleRange(0, 360);
  m_rotateField = NewLengthField(this, "rotateField");
  m_rotateField->formatter()->setMinimum(-kFullTurn);
  m_rotateField->formatter()->setMaximum(kFullTurn);
  m_rotateField->formatter()->setScalar(true);
  row->addWidget(m_rotateSlider, 1);
  row->addWidget(m_rotateField);
  layout->addWidget(m_direction);
  layout->addLayout(row);
  addButtonRow(layout, true);

  m_direction->selectCell(0, s_rightRotate);
  MeasureUnit angle = 0;
  if (DRDrawView* view = drawView()) angle = RotationForSelection(view->selection());
  if (angle != kMixedMeasure && s_rightRotate != kRightColumn) angle = kFullTurn - angle;
  showAngle(angle);

  connect(m_direction, &CSRadioMatrix::activated, this, [this] { changeDirection(); });
  connect(m_rotateSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setRotation(m_rotateSlider); });
  watchField(m_rotateField, [this] { setRotation(m_rotateField); });
}

void DRRotateDialog::resetRememberedValues() {
  s_rightRotate = kRightColumn;
}

void DRRotateDialog::showAngle(MeasureUnit angle) {
  {
    const QSignalBlocker blocker(m_rotateSlider);
    m_rotateSlider->setDoubleValue(angle == kMixedMeasure ? 0.0 : double(angle) / double(kMeasurePerPoint));
  }
  m_rotateField->setMeasureValue(angle);
}

void DRRotateDialog::setRotation(QWidget* sender) {
  MeasureUnit angle = kMixedMeasure;
  if (sender == m_rotateSlider) {
    angle = RotationFromControl(m_rotateSlider->doubleValue());
  } else if (sender == m_rotateField) {
    angle = RotationFromField(m_rotateField->measureValue());
  }
  if (angle == kMixedMeasure) return;
  if (sender == m_rotateSlider) YankFocusForSliderPair(m_rotateSlider, m_rotateField);
  showAngle(angle);
  DeflectSliderDelay(m_rotateField);
}

void DRRotateDialog::changeDirection() {
  const int column = m_direction->selectedColumn();
  if (column == kLeftColumn || column == kRightColumn) s_rightRotate = column;
}

void DRRotateDialog::apply(bool reset) {
  MeasureUnit angle = 0;
  if (!reset) {
    // Text that does not read counts as no angle, not as 0.
    angle = m_rotateField->acceptsText() ? RotationFromField(m_rotateField->measureValue()) : kMixedMeasure;
    if (angle == kMixedMeasure) {
      finish();
      return;
    }
  }
  if (!openUndoEntry(kUndoActionChange, kUndoRotate)) {
    finish();
    return;
  }
  if (s_rightRotate != kRightColumn) angle = (kTwoTurns - angle) % kFullTurn;
  QObject* window = notificationWindow();
  ChangeSelectionMeasure(window, g_rotationKeyPath, QString(), kSwatchNone, angle);
  NotificationCenter::defaultCenter().post(g_rotationNotification, window);
  finish();
}

// ---- Scale ------------------------------------------------------------------------------------

const QString DRScaleDialog::kBadScaleMessage = QStringLiteral("Bad scale value.");
const QString DRScaleDialog::kBadScaleInfo =
    QStringLiteral("The scale value is too large or too small. Please enter a new scale %.");

DRScaleDialog* DRScaleDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRScaleDialog>(drawController);
}

DRScaleDialog::DRScaleDialog(DREditorWindowHost* drawController) : DRDrawingSheet(drawController, kHelpTopic) {
  setWindowTitle(tr("Scale"));
  setObjectName(QStringLiteral("ScaleDialog"));
  if (DRDrawView* view = drawView(); view && !view->selection().empty()) m_element = view->selection().front();

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  m_scaleField = NewLengthField(this, "scaleField");
  m_scaleField->formatter()->setMinimum(kMinimumScale);
  m_scaleField->formatter()->setMaximum(kMaximumScale);
  m_scaleField->formatter()->setScalar(true);
  m_widthField = NewLengthField(this, "widthField");
  m_heightField = NewLengthField(this, "heightField");
  grid->addWidget(new QLabel(tr("Scale %:"), this), 0, 0);
  grid->addWidget(m_scaleField, 0, 1);
  grid->addWidget(new QLabel(tr("Width:"), this), 1, 0);
  grid->addWidget(m_widthField, 1, 1);
  grid->addWidget(new QLabel(tr("Height:"), this), 2, 0);
  grid->addWidget(m_heightField, 2, 1);
  layout->addLayout(grid);
  addButtonRow(layout, true);

  CSRect frame;
  if (m_element) {
    frame = m_element->frame();
    m_unscaledWidth = std::max<MeasureUnit>(m_element->originalSize().x, 0);
    m_unscaledHeight = std::max<MeasureUnit>(m_element->originalSize().y, 0);
  }
  showSize(m_widthField, frame.width);
  showSize(m_heightField, frame.height);
  // An unscaled side of 0 has no scale: the field shows it mixed.
  m_scaleField->setMeasureValue(ScaleFromFrame(m_unscaledWidth, m_unscaledHeight, frame));

  watchField(m_scaleField, [this] { setScale(); });
  watchField(m_widthField, [this] { setWidth(); });
  watchField(m_heightField, [this] { setHeight(); });
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRScaleDialog::~DRScaleDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRScaleDialog::showSize(CSMeasureField* field, MeasureUnit value) {
  (field == m_widthField ? m_width : m_height) = value;
  field->setMeasureValue(value);
}

void DRScaleDialog::setScale() {
  const MeasureUnit scale = MeasureFromControl(m_scaleField, kStep);
  if (scale == kMixedMeasure) return;
  const MeasureUnit percent = std::max<MeasureUnit>(scale / kPercent, 0);
  // A side without an unscaled size has nothing to scale and is left alone.
  if (m_unscaledWidth != 0) showSize(m_widthField, MulDiv(m_unscaledWidth, percent, 100));
  if (m_unscaledHeight != 0) showSize(m_heightField, MulDiv(m_unscaledHeight, percent, 100));
}

void DRScaleDialog::setWidth() {
  setSide(true);
}

void DRScaleDialog::setHeight() {
  setSide(false);
}

void DRScaleDialog::setSide(bool width) {
  CSMeasureField* field = width ? m_widthField : m_heightField;
  CSMeasureField* other = width ? m_heightField : m_widthField;
  const MeasureUnit unscaled = width ? m_unscaledWidth : m_unscaledHeight;
  const MeasureUnit otherUnscaled = width ? m_unscaledHeight : m_unscaledWidth;
  const MeasureUnit value = MeasureFromControl(field, kStep);
  if (value == kMixedMeasure) return;
  (width ? m_width : m_height) = value;
  // Without an unscaled size the proportion is unknown: only this side
  // changes.
  if (unscaled == 0 || otherUnscaled == 0) return;
  showSize(other, MulDiv(otherUnscaled, value, unscaled));
  m_scaleField->setMeasureValue(PercentOf(value, unscaled));
}

void DRScaleDialog::unitsChanged() {
  m_widthField->setMeasureValue(m_width);
  m_heightField->setMeasureValue(m_height);
}

void DRScaleDialog::apply(bool reset) {
  // A width typed and not yet entered first sets the height it keeps.
  if (!reset && !endTyping()) return;
  if (!m_element) {
    finish();
    return;
  }
  // With no unscaled size, Reset has no size to go back to.
  if (reset && (m_unscaledWidth == 0 || m_unscaledHeight == 0)) {
    finish();
    return;
  }
  DRDrawVC* controller = drawVC();
  if (!openUndoEntry(kUndoActionChange, kUndoScale)) {
    finish();
    return;
  }
  MeasureUnit width = m_unscaledWidth;
  MeasureUnit height = m_unscaledHeight;
  if (!reset) {
    width = MeasureFromControl(m_widthField, kStep);
    height = MeasureFromControl(m_heightField, kStep);
    bool accepted = width != kMixedMeasure && height != kMixedMeasure && width >= kOnePoint && height >= kOnePoint;
    if (accepted && m_unscaledHeight != 0) {
      const MeasureUnit percent = PercentOf(height, m_unscaledHeight);
      accepted = percent >= kMinimumScale && percent <= kMaximumScale;
    }
    if (!accepted) {
      GiveSimpleAlert(kBadScaleMessage, kBadScaleInfo);
      controller->undoManager().popUndo();
      m_scaleField->setFocus(Qt::OtherFocusReason);
      m_scaleField->selectAll();
      return;
    }
  }
  DRDrawView* view = drawView();
  const CSRect frame = m_element->frame();
  if (view) view->invalidateElement(m_element);
  m_element->setFrame(CSRect{frame.x, frame.y, width, height});
  if (view) {
    view->invalidateElement(m_element);
    NotificationCenter::defaultCenter().post(g_positionChangeNotification, view->notificationWindow());
  }
  finish();
}

// ---- Distribute -------------------------------------------------------------------------------

CSPoint DRDistributeDialog::s_previousOffset = DRDistributeDialog::kInitialOffset;

DRDistributeDialog* DRDistributeDialog::getOffset(DREditorWindowHost* drawController, OffsetHandler done) {
  DRDistributeDialog* sheet = runSheet<DRDistributeDialog>(drawController, done);
  if (!sheet && done) done(false, CSPoint{});
  return sheet;
}

DRDistributeDialog::DRDistributeDialog(DREditorWindowHost* drawController, OffsetHandler done)
    : DRDrawingSheet(drawController, kHelpTopic), m_done(std::move(done)) {
  setWindowTitle(tr("Distribute"));
  setObjectName(QStringLiteral("DistributeDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  m_xField = NewLengthField(this, "xField");
  m_yField = NewLengthField(this, "yField");
  grid->addWidget(new QLabel(tr("Horizontal gap:"), this), 0, 0);
  grid->addWidget(m_xField, 0, 1);
  grid->addWidget(new QLabel(tr("Vertical gap:"), this), 1, 0);
  grid->addWidget(m_yField, 1, 1);
  layout->addLayout(grid);
  addButtonRow(layout);

  setOffsetX(s_previousOffset.x);
  setOffsetY(s_previousOffset.y);
  watchField(m_xField, [this] { setOffsetX(m_xField->measureValue()); });
  watchField(m_yField, [this] { setOffsetY(m_yField->measureValue()); });
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRDistributeDialog::~DRDistributeDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRDistributeDialog::setOffsetX(MeasureUnit x) {
  if (x == kMixedMeasure) return;
  m_x = x;
  m_xField->setMeasureValue(x);
}

void DRDistributeDialog::setOffsetY(MeasureUnit y) {
  if (y == kMixedMeasure) return;
  m_y = y;
  m_yField->setMeasureValue(y);
}

void DRDistributeDialog::unitsChanged() {
  m_xField->setMeasureValue(m_x);
  m_yField->setMeasureValue(m_y);
}

void DRDistributeDialog::resetRememberedValues() {
  s_previousOffset = kInitialOffset;
}

void DRDistributeDialog::tell(bool success) {
  OffsetHandler done = std::move(m_done);
  m_done = nullptr;
  if (done) done(success, s_previousOffset);
}

void DRDistributeDialog::apply(bool reset) {
  (void)reset;
  if (!endTyping()) return;
  s_previousOffset = CSPoint{m_x, m_y};
  finish();
  tell(true);
}

void DRDistributeDialog::handleCancel() {
  endSheet(0);
  tell(false);
}

// ---- Select by type ---------------------------------------------------------------------------

uint64_t DRTypeSelectDialog::s_lastMask = 0;

DRTypeSelectDialog* DRTypeSelectDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRTypeSelectDialog>(drawController);
}

DRTypeSelectDialog::DRTypeSelectDialog(DREditorWindowHost* drawController)
    : DRDrawingSheet(drawController, kHelpTopic) {
  setWindowTitle(tr("Select by Type"));
  setObjectName(QStringLiteral("SelectByType"));
  // By tag: the element types in their numbering, then polygons and bent
  // lines with curves.
  const QString titles[kBoxCount] = {tr("Arcs"),      tr("Angled lines"),     tr("Paintings"),   tr("Ellipses"),
                                     tr("Groups"),    tr("Lines"),            tr("Multipaths"),  tr("Polygons"),
                                     tr("Rectangles"), tr("Regular polygons"), tr("Rounded rectangles"),
                                     tr("Scribbles"), tr("Text"),             tr("Curved polygons"),
                                     tr("Curved lines")};
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  constexpr int kRows = (kBoxCount + 1) / 2;
  for (int tag = 0; tag < kBoxCount; ++tag) {
    auto* box = new QCheckBox(titles[tag], this);
    box->setObjectName(QStringLiteral("type%1").arg(tag));
    box->setChecked((s_lastMask & (uint64_t(1) << tag)) != 0);
    m_boxes[tag] = box;
    grid->addWidget(box, tag % kRows, tag / kRows);
  }
  layout->addLayout(grid);
  addButtonRow(layout);
}

QCheckBox* DRTypeSelectDialog::checkbox(int tag) const {
  return tag >= 0 && tag < kBoxCount ? m_boxes[tag] : nullptr;
}

void DRTypeSelectDialog::resetRememberedValues() {
  s_lastMask = 0;
}

void DRTypeSelectDialog::apply(bool reset) {
  (void)reset;
  uint64_t mask = 0;
  for (int tag = 0; tag < kBoxCount; ++tag) {
    if (m_boxes[tag]->checkState() == Qt::Checked) mask |= uint64_t(1) << tag;
  }
  s_lastMask = mask;
  if (DRDrawVC* controller = drawVC()) controller->selectByTypes(mask);
  finish();
}
