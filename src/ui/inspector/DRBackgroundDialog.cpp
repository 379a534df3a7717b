#include "ui/inspector/DRBackgroundDialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/GeometryHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSFilePanel.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRBackgroundImageCell.h"
#include "ui/shell/ShellWindows.h"

namespace {

constexpr MeasureUnit kPercent = kMeasurePerPoint;  // 1 % is 12,700

// size x percent / 100 in unsigned arithmetic, saturating below the mixed
// value.
MeasureUnit ScaledSide(MeasureUnit size, MeasureUnit percent) {
  using U = unsigned __int128;
  const U result = U(uint64_t(std::max<MeasureUnit>(size, 0))) * U(uint64_t(std::max<MeasureUnit>(percent, 0))) / 100;
  return result >= U(kMixedMeasure) ? kMixedMeasure - 1 : MeasureUnit(result);
}

CSMeasureField* NewField(QWidget* parent, const char* name) {
  auto* field = new CSMeasureField(parent);
  field->setObjectName(QString::fromLatin1(name));
  return field;
}

}  // namespace

DRBackgroundDialog* DRBackgroundDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  return runSheet<DRBackgroundDialog>(drawController);
}

DRBackgroundDialog::DRBackgroundDialog(DREditorWindowHost* drawController)
    : DRDrawingSheet(drawController, kHelpTopic) {
  setWindowTitle(tr("Background Picture"));
  setObjectName(QStringLiteral("BackgroundDialog"));

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  m_imageView = new DRBackgroundImageCell(this);
  m_imageView->setObjectName(QStringLiteral("imageView"));
  top->addWidget(m_imageView, 1);
  auto* grid = new QGridLayout;
  m_originalField = new QLabel(this);
  m_originalField->setObjectName(QStringLiteral("originalField"));
  m_scaleField = NewField(this, "scaleField");
  m_scaleField->formatter()->setMinimum(kMinimumScale);
  m_scaleField->formatter()->setMaximum(kMaximumScale);
  m_scaleField->formatter()->setScalar(true);
  m_leftField = NewField(this, "leftField");
  m_topField = NewField(this, "topField");
  m_widthField = NewField(this, "widthField");
  m_heightField = NewField(this, "heightField");
  m_opacitySlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_opacitySlider->setObjectName(QStringLiteral("opacitySlider"));
  m_opacitySlider->setDoubleRange(0, 1);
  int row = 0;
  const auto addRow = [this, grid, &row](const QString& title, QWidget* control) {
    grid->addWidget(new QLabel(title, this), row, 0);
    grid->addWidget(control, row++, 1);
  };
  addRow(tr("Original size:"), m_originalField);
  addRow(tr("Scale %:"), m_scaleField);
  addRow(tr("Left:"), m_leftField);
  addRow(tr("Top:"), m_topField);
  addRow(tr("Width:"), m_widthField);
  addRow(tr("Height:"), m_heightField);
  addRow(tr("Opacity:"), m_opacitySlider);
  top->addLayout(grid);
  layout->addLayout(top);
  auto* pictureButtons = new QHBoxLayout;
  m_openButton = new QPushButton(tr("Open…"), this);
  m_deleteButton = new QPushButton(tr("Delete"), this);
  m_openButton->setAutoDefault(false);
  m_deleteButton->setAutoDefault(false);
  pictureButtons->addWidget(m_openButton);
  pictureButtons->addWidget(m_deleteButton);
  pictureButtons->addStretch(1);
  layout->addLayout(pictureButtons);
  addButtonRow(layout, true);

  // The drawing's picture, and its place and opacity when it has one.
  if (DRDrawVC* controller = drawVC(); controller && controller->drawing()) {
    const DRDrawing* drawing = controller->drawing();
    m_image = drawing->backgroundImage();
    if (!m_image.isNull()) {
      const CSRect location = drawing->backgroundLocation();
      m_left = location.x;
      m_top = location.y;
      m_width = location.width;
      m_height = location.height;
      m_opacity = drawing->backgroundOpacity();
    }
  }
  setPictureLeft(m_left);
  setPictureTop(m_top);
  setPictureWidth(m_width);
  setPictureHeight(m_height);
  setOpacity(m_opacity);
  changeImage(true);
  m_imageView->setOpacity(m_opacity);

  watchField(m_scaleField, [this] { changeScale(); });
  watchField(m_leftField, [this] { setPictureLeft(m_leftField->measureValue()); });
  watchField(m_topField, [this] { setPictureTop(m_topField->measureValue()); });
  watchField(m_widthField, [this] { setPictureWidth(m_widthField->measureValue()); });
  watchField(m_heightField, [this] { setPictureHeight(m_heightField->measureValue()); });
  connect(m_opacitySlider, &CSDoubleSlider::doubleValueChanged, this, [this](double value) {
    m_opacity = value;
    changeOpacity();
  });
  connect(m_imageView, &DRBackgroundImageCell::imageDropped, this, [this] {
    m_image = m_imageView->image();
    changeImage(false);
  });
  connect(m_openButton, &QPushButton::clicked, this, &DRBackgroundDialog::openFile);
  connect(m_deleteButton, &QPushButton::clicked, this, &DRBackgroundDialog::deletePicture);
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRBackgroundDialog::~DRBackgroundDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- Values ----------------------------------------------------------------------------------

void DRBackgroundDialog::setImage(const CSImage& image) {
  m_image = image;
  m_imageView->setImage(image);
}

void DRBackgroundDialog::setPictureLeft(MeasureUnit value) {
  if (value == kMixedMeasure) return;
  m_left = value;
  m_leftField->setMeasureValue(value);
}

void DRBackgroundDialog::setPictureTop(MeasureUnit value) {
  if (value == kMixedMeasure) return;
  m_top = value;
  m_topField->setMeasureValue(value);
}

void DRBackgroundDialog::setPictureWidth(MeasureUnit value) {
  if (value == kMixedMeasure) return;
  m_width = value;
  m_widthField->setMeasureValue(value);
}

void DRBackgroundDialog::setPictureHeight(MeasureUnit value) {
  if (value == kMixedMeasure) return;
  m_height = value;
  m_heightField->setMeasureValue(value);
}

void DRBackgroundDialog::setScale(MeasureUnit scale) {
  m_scale = scale;
  m_scaleField->setMeasureValue(scale);
}

void DRBackgroundDialog::setOpacity(double opacity) {
  if (std::isnan(opacity)) return;
  m_opacity = std::clamp(opacity, 0.0, 1.0);
  const QSignalBlocker blocker(m_opacitySlider);
  m_opacitySlider->setDoubleValue(m_opacity);
}

MeasureUnit DRBackgroundDialog::originalWidth() const {
  return m_image.isNull() ? 0 : MeasureFromDouble(m_image.size().width() * double(kMeasurePerPoint));
}

MeasureUnit DRBackgroundDialog::originalHeight() const {
  return m_image.isNull() ? 0 : MeasureFromDouble(m_image.size().height() * double(kMeasurePerPoint));
}

// ---- Actions ---------------------------------------------------------------------------------

void DRBackgroundDialog::changeImage(bool fromSheet) {
  m_imageView->setImage(m_image);
  if (!m_image.isNull()) {
    const MeasureUnit width = originalWidth();
    const MeasureUnit height = originalHeight();
    m_originalField->setText(QStringLiteral("%1 x %2").arg(FormatMeasure(width, true, false, kDistanceUnitPoints),
                                                            FormatMeasure(height, true, false, kDistanceUnitPoints)));
    if (m_width == 0) setPictureWidth(width);
    if (m_height == 0) setPictureHeight(height);
  } else {
    setPictureLeft(0);
    setPictureTop(0);
    setPictureWidth(0);
    setPictureHeight(0);
    setOpacity(1.0);
    m_imageView->setOpacity(1.0);
    m_originalField->clear();
  }
  if (fromSheet) {
    updateScale();
  } else {
    reset(true);
  }
}

void DRBackgroundDialog::updateScale() {
  if (!m_image.isNull() && m_width != 0 && m_height != 0) {
    setScale(ScaleFromFrame(originalWidth(), originalHeight(), CSRect{m_left, m_top, m_width, m_height}));
  } else {
    setScale(0);
  }
}

void DRBackgroundDialog::changeScale() {
  const MeasureUnit typed = MeasureFromControl(m_scaleField, kStep);
  if (typed == kMixedMeasure) return;
  MeasureUnit percent = typed / kPercent;
  m_scale = typed;
  // The field takes fractions of a percent, but a size under 1 % would be
  // cut to nothing, and a picture without a size is removed on OK.
  if (percent < 1) {
    percent = 1;
    setScale(kPercent);
  }
  setPictureWidth(ScaledSide(originalWidth(), percent));
  setPictureHeight(ScaledSide(originalHeight(), percent));
}

void DRBackgroundDialog::changeOpacity() {
  m_imageView->setOpacity(m_opacity);
  m_imageView->update();
}

void DRBackgroundDialog::reset(bool fromSheet) {
  endTyping(false);
  setPictureWidth(originalWidth());
  setPictureHeight(originalHeight());
  updateScale();
  if (!fromSheet) {
    setPictureLeft(0);
    setPictureTop(0);
    setOpacity(1.0);
    changeOpacity();
  }
}

void DRBackgroundDialog::openFile() {
  auto* panel = new CSFilePanel(this, tr("Open"));
  panel->setFileMode(QFileDialog::ExistingFile);
  panel->setAcceptMode(QFileDialog::AcceptOpen);
  QStringList patterns;
  for (const QString& extension : CSImage::fileExtensions()) patterns << QStringLiteral("*.") + extension;
  panel->setNameFilter(tr("Pictures (%1)").arg(patterns.join(QLatin1Char(' '))));
  const QPointer<QFileDialog> guard(panel);
  const QPointer<DRBackgroundDialog> self(this);
  RunSheet(panel, this, [self, guard](int result) {
    if (!self || !guard) return;
    const QUrl url = OpenPanelUrl(guard, result);
    if (url.isEmpty()) return;
    guard->hide();
    self->openPictureFile(url.toLocalFile());
  });
}

void DRBackgroundDialog::openPictureFile(const QString& path) {
  m_image = CSImage::initWithContentsOfFile(path);
  changeImage(true);
}

void DRBackgroundDialog::deletePicture() {
  m_image = CSImage();
  changeImage(true);
  handleOK();
}

void DRBackgroundDialog::unitsChanged() {
  m_leftField->setMeasureValue(m_left);
  m_topField->setMeasureValue(m_top);
  m_widthField->setMeasureValue(m_width);
  m_heightField->setMeasureValue(m_height);
  changeImage(true);
}

void DRBackgroundDialog::apply(bool resetting) {
  if (resetting) {
    reset(false);
    return;
  }
  if (!endTyping()) return;
  DRDrawVC* controller = drawVC();
  DRDrawing* drawing = controller ? controller->drawing() : nullptr;
  if (!drawing || !openUndoEntry(kUndoActionBackground, kUndoBackgroundPicture)) {
    finish();
    return;
  }
  CSRect location{m_left, m_top, m_width, m_height};
  CSImage image = m_image;
  if (m_width == 0 || m_height == 0) {
    location = CSRect{};
    image = CSImage();
  }
  drawing->setBackgroundLocation(location);
  drawing->setBackgroundImage(image);
  drawing->setBackgroundOpacity(m_opacity);
  if (DRDrawView* view = drawView()) view->setNeedsDisplay();
  finish();
}
