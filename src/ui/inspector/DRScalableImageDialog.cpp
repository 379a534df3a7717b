#include "ui/inspector/DRScalableImageDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/PdfRenderer.h"
#include "support/GraphicsHelpers.h"
#include "support/Measure.h"
#include "support/SaturatingCast.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/shell/ShellSeams.h"

const QString DRScalableImageDialog::kImageScaleKey = QStringLiteral("twdraw.imageScale");

namespace {

constexpr MeasureUnit kScaleStep = 127;

}  // namespace

// Shows the rendering fitted into the well, never enlarged. The pixels are
// made once per picture and size: a PDF page would otherwise be rendered
// again at every paint.
class DRScalableImageDialog::ImageWell : public QWidget {
 public:
  explicit ImageWell(QWidget* parent) : QWidget(parent) { setMinimumSize(240, 180); }
  void setImage(const CSImage& image) {
    m_image = image;
    m_cacheValid = false;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (m_image.isNull() || m_image.size().isEmpty()) return;
    QRectF drawn(QPointF(0, 0), m_image.size());
    CenterRectangle(&drawn, QRectF(rect()).adjusted(4, 4, -4, -4));
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (drawn.size() * ratio).toSize();
    if (!m_cacheValid || m_cacheSize != pixels) {
      m_cache = pixels.isEmpty() ? QImage() : m_image.renderedBitmap(pixels);
      m_cache.setDevicePixelRatio(ratio);
      m_cacheSize = pixels;
      m_cacheValid = true;
    }
    if (!m_cache.isNull()) painter.drawImage(drawn, m_cache);
  }

 private:
  CSImage m_image;
  QImage m_cache;
  QSize m_cacheSize;
  bool m_cacheValid = false;
};

CSImage DRScalableImageDialog::scalableImage(const QString& path, bool* canceled) {
  if (canceled) *canceled = false;
  DRScalableImageDialog dialog(path);
  if (!dialog.isLoaded()) return {};
  if (dialog.exec() == 1) return dialog.image();
  if (canceled) *canceled = true;
  return {};
}

DRScalableImageDialog::DRScalableImageDialog(const QString& path, QWidget* parent)
    : QDialog(parent), m_filePath(path) {
  setWindowModality(Qt::ApplicationModal);
  buildInterface();
  // EPS is not a scalable picture here, even where it loads as an image.
  const bool eps = QFileInfo(path).suffix().compare(QStringLiteral("eps"), Qt::CaseInsensitive) == 0;
  const CSImage picture = eps ? CSImage() : CSImage::initWithContentsOfFile(path);
  m_trueSize = picture.isNull() ? QSizeF() : picture.size();
  // Without a size nothing can be scaled (or divided by).
  m_loaded = !picture.isNull() && m_trueSize.width() > 0 && m_trueSize.height() > 0 &&
             std::isfinite(m_trueSize.width()) && std::isfinite(m_trueSize.height());
  m_image = m_loaded ? picture : CSImage();
  m_scaleOfImage = 1.0;
  const qint64 stored = QSettings().value(kImageScaleKey, 0).toLongLong();
  m_scale = stored == 0 ? 1.0 : double(stored) / 1000.0;
  if (!std::isfinite(m_scale) || m_scale < 1.0) m_scale = 1.0;
  if (m_loaded) {
    auto document = std::make_unique<PdfRenderer>();
    if (document->loadFile(path) && document->pageCount() > 1) {
      m_pdfDocument = std::move(document);
      m_pageCount = uint64_t(m_pdfDocument->pageCount());
      m_pageIndex = 1;
      m_pageIndexOfImage = 1;
    }
  }
  awakeFromNib();
}

DRScalableImageDialog::~DRScalableImageDialog() = default;

void DRScalableImageDialog::buildInterface() {
  auto* layout = new QVBoxLayout(this);
  m_instructionLabel = new QLabel(this);
  m_instructionLabel->setWordWrap(true);
  layout->addWidget(m_instructionLabel);
  m_imageView = new ImageWell(this);
  layout->addWidget(m_imageView, 1);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Scale:"), this), 0, 0);
  m_scaleField = new CSMeasureField(this);
  grid->addWidget(m_scaleField, 0, 1);
  m_scaleSlider = new CSDoubleSlider(Qt::Horizontal, this);
  grid->addWidget(m_scaleSlider, 0, 2, 1, 3);
  grid->addWidget(new QLabel(tr("Width:"), this), 1, 0);
  m_widthField = new CSMeasureField(this);
  grid->addWidget(m_widthField, 1, 1);
  grid->addWidget(new QLabel(tr("Height:"), this), 1, 2);
  m_heightField = new CSMeasureField(this);
  grid->addWidget(m_heightField, 1, 3);
  m_pageLabel = new QLabel(tr("Page:"), this);
  grid->addWidget(m_pageLabel, 2, 0);
  m_pageField = new QLineEdit(this);
  grid->addWidget(m_pageField, 2, 1);
  m_pageSpinner = new QSpinBox(this);
  m_pageSpinner->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  m_pageSpinner->setMinimum(1);
  grid->addWidget(m_pageSpinner, 2, 2);
  m_pageCountLabel = new QLabel(this);
  grid->addWidget(m_pageCountLabel, 2, 3);
  layout->addLayout(grid);

  auto* buttons = new QDialogButtonBox(this);
  m_okButton = buttons->addButton(QDialogButtonBox::Ok);
  QPushButton* cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
  QPushButton* helpButton = buttons->addButton(QDialogButtonBox::Help);
  m_okButton->setDefault(true);
  layout->addWidget(buttons);

  connect(m_okButton, &QPushButton::clicked, this, &DRScalableImageDialog::ok);
  connect(cancelButton, &QPushButton::clicked, this, &DRScalableImageDialog::cancel);
  connect(helpButton, &QPushButton::clicked, this, &DRScalableImageDialog::giveHelp);
  connect(m_scaleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setScaling(m_scaleSlider); });
  connect(m_scaleSlider, &QSlider::sliderReleased, this, &DRScalableImageDialog::applyNewScale);
  connect(m_pageSpinner, &QSpinBox::valueChanged, this, [this] {
    if (m_pageSpinner->value() != int(m_pageIndex)) setPageNumber(m_pageSpinner);
  });
  watchField(m_scaleField);
  watchField(m_widthField);
  watchField(m_heightField);
  watchField(m_pageField);
}

void DRScalableImageDialog::watchField(QLineEdit* field) {
  connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidBeginEditing(field); });
  connect(field, &QLineEdit::editingFinished, this, [this, field] { controlTextDidEndEditing(field); });
}

void DRScalableImageDialog::awakeFromNib() {
  m_scaleField->formatter()->setScalar(true);
  m_scaleField->formatter()->setPreferredUnit(kDistanceUnitPercent);
  m_widthField->formatter()->setPreferredUnit(kDistanceUnitPoints);
  m_heightField->formatter()->setPreferredUnit(kDistanceUnitPoints);
  setScaleLimit();
  m_imageView->setImage(m_image);
  applyNewScale();
  const bool pages = m_pdfDocument != nullptr;
  if (pages) {
    m_pageSpinner->setMaximum(int(std::min<uint64_t>(m_pageCount, INT32_MAX)));
    m_pageSpinner->setValue(int(m_pageIndex));
    m_pageField->setValidator(new QIntValidator(1, int(std::min<uint64_t>(m_pageCount, INT32_MAX)), m_pageField));
    m_pageField->setText(QString::number(m_pageIndex));
    m_pageCountLabel->setText(tr("of %1").arg(m_pageCount));
  }
  m_pageField->setVisible(pages);
  m_pageSpinner->setVisible(pages);
  m_pageLabel->setVisible(pages);
  m_pageCountLabel->setVisible(pages);
  setWindowTitle(QFileInfo(m_filePath).fileName());
}

void DRScalableImageDialog::setScaleLimit() {
  const bool tooLarge = m_trueSize.width() > kMaxRenderedSide || m_trueSize.height() > kMaxRenderedSide;
  if (tooLarge || !m_loaded) {
    m_maxScale = 1.0;
    m_scale = 1.0;
    m_instructionLabel->setText(tr("This image is scalable but it's too large to scale up."));
  } else {
    const float larger = std::max(float(m_trueSize.width()), float(m_trueSize.height()));
    m_maxScale = std::max(1.0, kMaxRenderedSide / double(larger));
    m_scale = std::clamp(m_scale, 1.0, m_maxScale);
    m_instructionLabel->setText(tr("This image is scalable. Specify the size at which to import it."));
  }
  {
    const QSignalBlocker blocker(m_scaleSlider);
    m_scaleSlider->setDoubleRange(1.0, m_maxScale);
  }
  const bool enabled = !tooLarge && m_loaded;
  m_scaleField->setEnabled(enabled);
  m_scaleSlider->setEnabled(enabled);
  m_widthField->setEnabled(enabled);
  m_heightField->setEnabled(enabled);
}

void DRScalableImageDialog::setScaleClamped(double factor) {
  if (!std::isfinite(factor)) return;
  m_scale = std::clamp(factor, 1.0, m_maxScale);
  applyNewScale();
}

void DRScalableImageDialog::applyNewScale() {
  m_size = QSizeF(std::floor(m_trueSize.width() * m_scale), std::floor(m_trueSize.height() * m_scale));
  // While the slider is dragged only the numbers follow: the picture (the
  // well shows it fitted, so it looks the same) is rendered on release.
  if (m_scale != m_scaleOfImage && m_loaded && !m_scaleSlider->isSliderDown()) {
    CSImage picture;
    if (!m_pdfDocument) {
      picture = CSImage::initWithContentsOfFile(m_filePath, m_size);
    } else {
      const int page = int(m_pageIndex) - 1;
      const QSizeF pageSize = m_pdfDocument->pageSize(page);
      if (m_pageIndex != m_pageIndexOfImage) {
        m_pageIndexOfImage = m_pageIndex;
        if (pageSize != m_trueSize && !pageSize.isEmpty()) {
          m_trueSize = pageSize;
          setScaleLimit();
          m_size = QSizeF(std::floor(m_trueSize.width() * m_scale), std::floor(m_trueSize.height() * m_scale));
        }
      }
      // A page too large to hold in memory renders nothing: no picture.
      const QImage bitmap = m_pdfDocument->render(page, m_size.toSize());
      if (!bitmap.isNull()) picture = CSImage::initWithCGImage(bitmap, m_size);
    }
    m_image = picture;
    m_imageView->setImage(m_image);
    m_scaleOfImage = m_scale;
  }
  {
    const QSignalBlocker blocker(m_scaleSlider);
    m_scaleSlider->setDoubleValue(m_scale);
  }
  m_scaleField->setMeasureValue(SaturatingRound<MeasureUnit>(m_scale * 100.0 * double(kMeasurePerPoint)));
  m_widthField->setMeasureValue(SaturatingRound<MeasureUnit>(m_size.width() * double(kMeasurePerPoint)));
  m_heightField->setMeasureValue(SaturatingRound<MeasureUnit>(m_size.height() * double(kMeasurePerPoint)));
}

void DRScalableImageDialog::setScaling(QWidget* sender) {
  if (sender == m_scaleSlider) YankFocusForSliderPair(m_scaleSlider, m_scaleField);
  const MeasureUnit measure = MeasureFromControl(sender, kScaleStep);
  if (measure == kMixedMeasure) return;
  const double value = double(measure) / double(kMeasurePerPoint);
  setScaleClamped(sender == m_scaleSlider ? value : value / 100.0);
}

void DRScalableImageDialog::setPageNumber(QWidget* sender) {
  if (!m_pdfDocument) return;
  int64_t value = 0;
  if (auto* spinner = qobject_cast<QSpinBox*>(sender)) {
    value = spinner->value();
  } else if (auto* field = qobject_cast<QLineEdit*>(sender)) {
    value = field->text().trimmed().toLongLong();
  }
  m_pageIndex = uint64_t(std::clamp<int64_t>(value, 1, int64_t(m_pageCount)));
  m_scaleOfImage = 0;
  applyNewScale();
  const QSignalBlocker blocker(m_pageSpinner);
  m_pageSpinner->setValue(int(m_pageIndex));
  m_pageField->setText(QString::number(m_pageIndex));
}

void DRScalableImageDialog::controlTextDidBeginEditing(QLineEdit* field) {
  (void)field;
  m_editingStarted = true;
}

void DRScalableImageDialog::controlTextDidEndEditing(QLineEdit* field) {
  if (!m_editingStarted) return;
  m_editingStarted = false;
  if (field == m_scaleField) return setScaling(m_scaleField);
  if (field == m_pageField) return setPageNumber(m_pageField);
  if (field != m_widthField && field != m_heightField) return;
  const MeasureUnit measure = MeasureFromControl(field, kScaleStep);
  if (measure == 0 || measure == kMixedMeasure) return;
  const double points = double(measure) / double(kMeasurePerPoint);
  const double side = field == m_widthField ? m_trueSize.width() : m_trueSize.height();
  if (side <= 0) return;
  setScaleClamped(points / side);
}

void DRScalableImageDialog::ok() {
  if (renderPending()) applyNewScale();
  QSettings().setValue(kImageScaleKey, qint64(m_scale * 1000.0));
  done(1);
}

void DRScalableImageDialog::cancel() {
  done(0);
}

void DRScalableImageDialog::giveHelp() {
  HelpViewer().displayHelp(kHelpTopic);
}
