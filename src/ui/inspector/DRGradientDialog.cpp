#include "ui/inspector/DRGradientDialog.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

#include "model/DRSettingsChange.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCoordinateView.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/DRGradientCollectionView.h"
#include "ui/inspector/DRGradientColorStopView.h"
#include "ui/inspector/DRGradientWell.h"
#include "ui/shell/DRAppController.h"

namespace {

constexpr MeasureUnit kFullTurn = 4572000;   // 360 degrees
constexpr MeasureUnit kCenterLimit = 12700;  // 1.0
constexpr int kFlipDelayMilliseconds = 100;

CSMeasureField* NewScalarField(QWidget* parent, const char* name, MeasureUnit limit) {
  auto* field = new CSMeasureField(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->formatter()->setMinimum(-limit);
  field->formatter()->setMaximum(limit);
  field->formatter()->setScalar(true);
  field->setFixedWidth(60);
  return field;
}

}  // namespace

DRGradientDialog* DRGradientDialog::runGradientSheet(const std::optional<DRGradient>& gradient,
                                                     DREditorWindowHost* drawController) {
  return runSheet<DRGradientDialog>(drawController, gradient);
}

DRGradientDialog::DRGradientDialog(DREditorWindowHost* drawController, const std::optional<DRGradient>& gradient)
    : DRSheetController(drawController, kHelpTopic), m_gradient(gradient ? *gradient : DRGradient()) {
  setWindowTitle(tr("Gradient"));
  buildLayout();
  installGradient(true);
  if (QColorDialog* panel = SharedColorDialog()) panel->setOption(QColorDialog::ShowAlphaChannel, true);
  NotificationCenter::defaultCenter().addObserver(this, g_gradientDraggedNotification, nullptr,
                                                  [this](const CSNotification&) { gradientWellChanged(); });
}

DRGradientDialog::~DRGradientDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // Hiding the dialog as it goes ends the editing in a field; by then the
  // sheet is no longer there to act on it.
  const QList<QWidget*> controls{m_typeMatrix,    m_angleField, m_angleSlider, m_centerView,
                                 m_colorStopView, m_xField,     m_yField};
  for (QWidget* control : controls) {
    if (control) control->disconnect(this);
  }
}

void DRGradientDialog::buildLayout() {
  auto* layout = new QVBoxLayout(this);

  auto* controls = new QHBoxLayout;
  m_typeMatrix = new CSRadioMatrix(this);
  m_typeMatrix->addCell(tr("Linear"), kLinearRow, kLinearRow, 0);
  m_typeMatrix->addCell(tr("Radial"), kRadialRow, kRadialRow, 0);
  connect(m_typeMatrix, &CSRadioMatrix::activated, this, [this] { setType(true); });
  controls->addWidget(m_typeMatrix);

  auto* angleRow = new QVBoxLayout;
  angleRow->addWidget(new QLabel(tr("Angle:"), this));
  m_angleSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_angleSlider->setObjectName(QStringLiteral("angleSlider"));
  m_angleSlider->setDoubleRange(0, 360);
  connect(m_angleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setAngleFromSlider(); });
  angleRow->addWidget(m_angleSlider);
  m_angleField = NewScalarField(this, "angleField", kFullTurn);
  watchField(m_angleField, &DRGradientDialog::setAngleFromField);
  angleRow->addWidget(m_angleField);
  controls->addLayout(angleRow);

  m_centerView = new CSCoordinateView(QRect(0, 0, 62, 62), this);
  connect(m_centerView, &CSCoordinateView::coordinateChanged, this, [this] { setCenter(); });
  controls->addWidget(m_centerView);
  auto* centerRow = new QVBoxLayout;
  centerRow->addWidget(new QLabel(tr("X:"), this));
  m_xField = NewScalarField(this, "xField", kCenterLimit);
  watchField(m_xField, &DRGradientDialog::setXEndpoint);
  centerRow->addWidget(m_xField);
  centerRow->addWidget(new QLabel(tr("Y:"), this));
  m_yField = NewScalarField(this, "yField", kCenterLimit);
  watchField(m_yField, &DRGradientDialog::setYEndpoint);
  centerRow->addWidget(m_yField);
  controls->addLayout(centerRow);
  layout->addLayout(controls);

  m_colorStopView = new DRGradientColorStopView(this);
  m_colorStopView->setFixedSize(400, 100);
  m_colorStopView->wake();
  connect(m_colorStopView, &DRGradientColorStopView::gradientChanged, this, [this] { stopsChanged(); });
  connect(m_colorStopView, &DRBarEditor::selectTextField, this, [this](bool next) { selectTextField(next); });
  layout->addWidget(m_colorStopView);
  auto* flipRow = new QHBoxLayout;
  m_flip = new QPushButton(tr("Flip Colors"), this);
  m_flip->setToolTip(tr("Reverse the order of the colors"));
  connect(m_flip, &QPushButton::clicked, this, [this] { flipColors(); });
  flipRow->addStretch(1);
  flipRow->addWidget(m_flip);
  layout->addLayout(flipRow);

  auto* wells = new QHBoxLayout;
  m_gradientWell = new DRGradientWell(this);
  m_gradientWell->setFixedSize(62, 62);
  m_gradientWell->setWindowController(drawController());
  wells->addWidget(m_gradientWell);
  m_recents = new DRGradientCollectionView(this);
  m_recents->setFixedSize(330, 62);
  m_recents->setToolTip(tr("Recent gradients"));
  m_recents->setGradientWell(m_gradientWell);
  m_recents->awakeFromNib();
  wells->addWidget(m_recents);
  layout->addLayout(wells);

  auto* favoritesArea = new QScrollArea(this);
  favoritesArea->setFixedHeight(62 + 20);
  favoritesArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  favoritesArea->setToolTip(
      tr("Favorite gradients: drop a gradient here to keep it, drag it out of the window to "
         "remove it"));
  m_favorites = new DRGradientCollectionView;
  m_favorites->resize(400, 62);
  favoritesArea->setWidget(m_favorites);
  m_favorites->setGradientWell(m_gradientWell);
  m_favorites->awakeFromNib();
  layout->addWidget(favoritesArea);

  QDialogButtonBox* buttons = addButtonRow(layout);
  m_remove = buttons->addButton(tr("Remove"), QDialogButtonBox::DestructiveRole);
  connect(m_remove, &QPushButton::clicked, this, [this] { handleRemove(); });
}

void DRGradientDialog::watchField(QLineEdit* field, void (DRGradientDialog::*action)()) {
  connect(field, &QLineEdit::textEdited, this, [this] { m_editingStarted = true; });
  connect(field, &QLineEdit::editingFinished, this, [this, action] {
    // Focus passing through a field that nobody typed in changes nothing.
    if (!m_editingStarted) return;
    m_editingStarted = false;
    (this->*action)();
  });
}

// ---- Showing the gradient -----------------------------------------------------------------------

void DRGradientDialog::installGradient(bool alsoWell) {
  if (!m_gradient) return;
  const bool radial = m_gradient->isRadial();
  m_typeMatrix->selectCellWithTag(radial ? kRadialRow : kLinearRow);
  setType(false);
  const CSPoint center = radial ? m_gradient->radialCenter() : CSPoint{};
  const MeasureUnit angle = radial ? 0 : m_gradient->linearAngle();
  m_centerView->setX(double(center.x) / double(kCenterLimit));
  m_centerView->setY(double(center.y) / double(kCenterLimit));
  m_xField->setMeasureValue(center.x);
  m_yField->setMeasureValue(center.y);
  m_angleField->setMeasureValue(angle);
  {
    const QSignalBlocker quiet(m_angleSlider);
    m_angleSlider->setDoubleValue(double(angle) / double(kMeasurePerPoint));
  }
  m_colorStopView->setGradient(*m_gradient);
  if (alsoWell) m_gradientWell->setGradient(m_gradient);
}

void DRGradientDialog::pushToWell() {
  m_gradientWell->setGradient(m_gradient);
}

void DRGradientDialog::setType(bool fromUser) {
  const bool radial = m_typeMatrix->selectedTag() == kRadialRow;
  m_angleField->setEnabled(!radial);
  m_angleSlider->setEnabled(!radial);
  m_centerView->setEnabled(radial);
  m_xField->setEnabled(radial);
  m_yField->setEnabled(radial);
  (radial ? m_xField : m_angleField)->setFocus(Qt::OtherFocusReason);
  if (!fromUser || !m_gradient) return;
  m_gradient->setRadial(radial);
  const MeasureUnit angle = radial ? 0 : kDefaultLinearAngle;
  m_gradient->setLinearAngle(angle);
  m_angleField->setMeasureValue(angle);
  {
    const QSignalBlocker quiet(m_angleSlider);
    m_angleSlider->setDoubleValue(double(angle) / double(kMeasurePerPoint));
  }
  m_gradient->setRadialCenter(CSPoint{});
  m_centerView->setX(0);
  m_centerView->setY(0);
  m_xField->setMeasureValue(0);
  m_yField->setMeasureValue(0);
  pushToWell();
}

void DRGradientDialog::applyAngle(MeasureUnit angle) {
  if (!m_gradient || angle == kMixedMeasure) return;
  m_gradient->setLinearAngle(angle);
  m_angleField->setMeasureValue(angle);
  {
    const QSignalBlocker quiet(m_angleSlider);
    m_angleSlider->setDoubleValue(double(angle) / double(kMeasurePerPoint));
  }
  pushToWell();
}

void DRGradientDialog::setAngleFromField() {
  if (!m_angleField->acceptsText()) return;
  applyAngle(RotationFromField(m_angleField->measureValue()));
}

void DRGradientDialog::setAngleFromSlider() {
  YankFocusForSliderPair(m_angleSlider, this);
  applyAngle(RotationFromControl(m_angleSlider->doubleValue()));
}

void DRGradientDialog::applyCenter(CSPoint center) {
  if (!m_gradient) return;
  center.x = std::clamp<int64_t>(center.x, -kCenterLimit, kCenterLimit);
  center.y = std::clamp<int64_t>(center.y, -kCenterLimit, kCenterLimit);
  m_gradient->setRadialCenter(center);
  m_centerView->setX(double(center.x) / double(kCenterLimit));
  m_centerView->setY(double(center.y) / double(kCenterLimit));
  m_xField->setMeasureValue(center.x);
  m_yField->setMeasureValue(center.y);
  pushToWell();
}

void DRGradientDialog::setCenter() {
  applyCenter(
      CSPoint{int64_t(m_centerView->x() * double(kCenterLimit)), int64_t(m_centerView->y() * double(kCenterLimit))});
}

void DRGradientDialog::setXEndpoint() {
  if (!m_gradient || !m_xField->acceptsText()) return;
  CSPoint center = m_gradient->radialCenter();
  center.x = MeasureFromControl(m_xField, kCenterPrecision);
  applyCenter(center);
}

void DRGradientDialog::setYEndpoint() {
  if (!m_gradient || !m_yField->acceptsText()) return;
  CSPoint center = m_gradient->radialCenter();
  center.y = MeasureFromControl(m_yField, kCenterPrecision);
  applyCenter(center);
}

void DRGradientDialog::selectTextField(bool forward) {
  const bool radial = m_typeMatrix->selectedTag() == kRadialRow;
  QPointer<QLineEdit> field = radial ? (forward ? m_xField : m_yField) : m_angleField;
  QTimer::singleShot(0, this, [field] {
    if (!field) return;
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
  });
}

void DRGradientDialog::flipColors() {
  if (!m_gradient) return;
  selectTextField(true);
  m_gradient->flipColors();
  pushToWell();
  const DRGradient flipped = *m_gradient;
  QTimer::singleShot(kFlipDelayMilliseconds, this, [this, flipped] { m_colorStopView->setGradient(flipped); });
}

void DRGradientDialog::stopsChanged() {
  if (!m_gradient) return;
  // The editor changes only the stops; the kind, angle and centre are ours.
  m_gradient->setStops(m_colorStopView->gradient().stops());
  pushToWell();
}

void DRGradientDialog::gradientWellChanged() {
  const std::optional<DRGradient>& shown = m_gradientWell->gradient();
  if (!shown || (m_gradient && *shown == *m_gradient)) return;
  m_gradient = *shown;
  installGradient(false);
}

// ---- OK and Remove ------------------------------------------------------------------------------

bool DRGradientDialog::openUndoEntry() {
  auto* controller = dynamic_cast<DRContentVC*>(currentVC());
  return controller && controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoGradient);
}

void DRGradientDialog::apply(bool reset) {
  (void)reset;
  if (!m_colorStopView->normalize()) return;
  if (!openUndoEntry()) {
    finish();
    return;
  }
  QObject* window = drawController() ? drawController()->window() : nullptr;
  ChangeSelectionObject(window, g_gradientKeyPath, QString(),
                        m_gradient ? QVariant::fromValue(*m_gradient) : QVariant());
  if (m_gradient) {
    ChangeSelectionColor(window, g_fillKolorKeyPath, QString(), kSwatchFill, g_nilKolor);
    AddGradientToList(&DRAppController::sharedInstance()->recentGradients(), *m_gradient);
  }
  NotificationCenter::defaultCenter().post(g_selectionChangeNotification, window);
  finish();
}

void DRGradientDialog::handleRemove() {
  m_gradient.reset();
  apply(false);
}
