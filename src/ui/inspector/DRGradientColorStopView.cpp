#include "ui/inspector/DRGradientColorStopView.h"

#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <utility>

#include "model/GraphicHelpers.h"
#include "support/CSCore.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "ui/inspector/CSColorWell.h"

namespace {

constexpr int64_t kFullPosition = kGradientStopScale;  // 1.0
// The bar is drawn with the gradient turned to run from left to right.
constexpr int64_t kBarAngle = 3429000;  // 270 degrees
// Text row, bar, triangles and swatches, with their spacing and margins.
constexpr double kBarHeightMargin = 2 * (g_barEditOuterSpacing + g_barEditCellSpacing) + 19 + g_barEditTriangleExtent +
                                    DRGradientColorStopView::kSwatchHeight;
constexpr double kBarTop = g_barEditOuterSpacing + 19 + g_barEditCellSpacing;
constexpr double kTriangleBottomMargin = 41 - g_barEditTriangleExtent;  // the triangle's top is H - 41

// The bar's frame and the end stops' triangles.
QColor FrameColor() {
  return g_darkMode ? GrayColor(5) : GrayColor(3);
}

// The inner stops' triangles.
QColor InnerStopColor() {
  return g_darkMode ? GrayColor(7) : GrayColor(5);
}

// How long the triangle of a deleted stop takes to fade away.
constexpr int kFadeMilliseconds = 250;

// The triangle of a deleted stop, fading out where it was and then gone.
class FadingTriangle : public QWidget {
 public:
  FadingTriangle(QWidget* parent, const QRectF& rect, QColor fill, QColor stroke)
      : QWidget(parent), m_fill(std::move(fill)), m_stroke(std::move(stroke)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(rect.toAlignedRect());
    auto* effect = new QGraphicsOpacityEffect(this);
    setGraphicsEffect(effect);
    auto* fade = new QPropertyAnimation(effect, "opacity", this);
    fade->setDuration(kFadeMilliseconds);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, &QObject::deleteLater);
    show();
    fade->start();
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    QPainterPath path;
    MakeTriangleBezier(&path, QRectF(rect()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(path, m_fill);
    painter.strokePath(path, QPen(m_stroke, 1));
  }

 private:
  QColor m_fill;
  QColor m_stroke;
};

int64_t RoundPosition(int64_t position) {
  return RoundMeasure(position, DRGradientColorStopView::kPositionPrecision);
}

}  // namespace

DRGradientColorStopView::DRGradientColorStopView(QWidget* parent) : DRBarEditor(parent) {
  m_ownFormatter = new CSMeasureFormatter(this);
  m_ownFormatter->setShowUnits(false);
  setFormatter(m_ownFormatter);
  refreshFocusPolicy();
  updateMeasurePerPoint();
}

DRGradientColorStopView::~DRGradientColorStopView() = default;

void DRGradientColorStopView::wake() {
  if (CSMeasureFormatter* shown = formatter()) {
    shown->setMaximum(kFullPosition);
    shown->setScalar(true);
  }
  adoptBarHeight(BarKind::ColorStops, height() - kBarHeightMargin);
  updateMeasurePerPoint();
  const double width = this->width();
  const double height = this->height();
  setToolTipAreas({
      {QRectF(0, g_barEditOuterSpacing, width, g_barEditTextCellSize.height()),
       tr("Type new color stop positions into the text areas. The positions range from 0 to 1.")},
      {QRectF(0, kBarTop, width, barHeight()),
       tr("Gradient colors. Click between two color stops to create a new one (maximum of 10). Alt-click to copy "
          "the color from the right instead of the left.")},
      {QRectF(0, height - 13, width, 23), tr("Click on a swatch to change the color for a stop.")},
      {QRectF(0, height - 40, width, 13),
       tr("Drag a triangle to change a stop position. Drag it onto a neighbor to delete it.")},
  });
  createSwatches(stopSpecs());
}

double DRGradientColorStopView::barHeight() const {
  const double stored = DRBarEditor::barHeight(BarKind::ColorStops);
  return stored > 0 ? stored : std::max(1.0, height() - kBarHeightMargin);
}

void DRGradientColorStopView::updateMeasurePerPoint() {
  // A bar no wider than its insets would divide by zero or less: it gets the
  // smallest scale instead.
  const int64_t barWidth = int64_t(width()) - int64_t(2 * kBarInset);
  m_measurePerPoint = barWidth > 0 ? std::max<int64_t>(1, kFullPosition / barWidth) : 1;
}

void DRGradientColorStopView::resizeEvent(QResizeEvent* event) {
  DRBarEditor::resizeEvent(event);
  updateMeasurePerPoint();
}

void DRGradientColorStopView::setGradient(const DRGradient& gradient) {
  if (m_draggingStop >= 0) return;
  // A field typed against other stops has nothing left to commit to; the
  // sheet's echo of the editor's own change keeps it.
  if (gradient.stops() != m_gradient.stops()) {
    cancelEditing();
    setFocusedTextCell(-1);
  }
  m_gradient = gradient;
  if (!m_keepColorSwatches) createSwatches(stopSpecs());
  refreshFocusPolicy();
  update();
}

// ---- Layout ----

std::vector<DRGradientColorStopView::StopSpec> DRGradientColorStopView::stopSpecs() const {
  const size_t count = m_gradient.stopCount();
  std::vector<StopSpec> specs(count);
  const double width = this->width();
  const double height = this->height();
  const double bar = barHeight();
  double previousX = kBarInset;
  int64_t previousPosition = 0;
  double previousWidth = 0;
  for (size_t i = 0; i < count; ++i) {
    const int64_t position = m_gradient.positionOfStopIndex(i);
    double segment;
    if (i + 1 == count || position >= kFullPosition) {
      // The bar always ends 23 points from the right edge.
      segment = (width - kBarInset) - previousX;
    } else if (m_draggingStop >= 0 && int64_t(i) == m_draggingStop + 1) {
      // The pair about a dragged stop keeps its width, so rounding does not
      // shift the stops beyond it.
      segment = m_twoStopWidth - previousWidth;
    } else {
      segment = double((position - previousPosition) / m_measurePerPoint);
    }
    const double x = previousX + segment;
    StopSpec& spec = specs[i];
    spec.x = x;
    spec.bar = QRectF(previousX, kBarTop, segment, bar);
    const double triangleLeft = (i == 0 || position <= 0) ? x - 6 : x - 7;
    spec.triangle = QRectF(triangleLeft, height - kTriangleBottomMargin - g_barEditTriangleExtent,
                           g_barEditTriangleExtent, g_barEditTriangleExtent);
    spec.text = QRectF(QPointF(x - g_barEditTextCellSize.width() / 2, g_barEditOuterSpacing), g_barEditTextCellSize);
    spec.swatch = QRectF(x - g_barEditTextCellSize.width() / 2, height - kSwatchHeight - g_barEditOuterSpacing,
                         g_barEditTextCellSize.width(), kSwatchHeight);
    previousX = x;
    previousPosition = position;
    previousWidth = segment;
  }
  return specs;
}

// ---- Colour wells ----

void DRGradientColorStopView::createSwatches(const std::vector<StopSpec>& specs) {
  for (const QPointer<CSColorWell>& well : m_swatches) {
    if (well) {
      well->hide();
      well->deleteLater();
    }
  }
  m_swatches.clear();
  for (size_t i = 0; i < specs.size(); ++i) insertSwatch(specs[i].swatch, i);
}

CSColorWell* DRGradientColorStopView::insertSwatch(const QRectF& rect, size_t index) {
  auto* well = new CSColorWell(this);
  well->setGeometry(rect.toAlignedRect());
  well->setKolor(m_gradient.kolorAtStopIndex(index));
  connect(well, &CSColorWell::kolorChanged, this, [this, well](Kolor kolor) { swatchChanged(well, kolor); });
  well->show();
  index = std::min(index, m_swatches.size());
  m_swatches.insert(m_swatches.begin() + std::ptrdiff_t(index), QPointer<CSColorWell>(well));
  return well;
}

void DRGradientColorStopView::swatchChanged(CSColorWell* well, Kolor kolor) {
  const auto found = std::find(m_swatches.begin(), m_swatches.end(), well);
  if (found == m_swatches.end()) return;
  const size_t index = size_t(found - m_swatches.begin());
  if (index >= m_gradient.stopCount()) return;
  m_gradient.setKolor(kolor, index);
  update();
  // The sheet echoes the change back through setGradient, which must not
  // rebuild the wells: that would close the one the colour panel serves.
  m_keepColorSwatches = true;
  emit gradientChanged();
  m_keepColorSwatches = false;
}

// ---- Adding, moving and deleting stops ----

void DRGradientColorStopView::makeNewStop(size_t index, QPointF point, const QRectF& segment, bool useRightColor) {
  if (!normalize()) return;
  const size_t count = m_gradient.stopCount();
  if (count >= kMaxStops || index == 0 || index >= count) return;
  if (!(segment.width() > 0)) return;
  const int64_t left = m_gradient.positionOfStopIndex(index - 1);
  const int64_t right = m_gradient.positionOfStopIndex(index);
  const double share = (point.x() - segment.x()) / segment.width();
  const int64_t position = RoundPosition(int64_t(double(left) + double(right - left) * share));
  if (position - left < kPositionPrecision || right - position < kPositionPrecision) return;

  m_gradient.insertStopAtIndex(index);
  m_gradient.setPosition(position, index);
  if (useRightColor) m_gradient.setKolor(m_gradient.kolorAtStopIndex(index + 1), index);
  const std::vector<StopSpec> specs = stopSpecs();
  CSColorWell* well = insertSwatch(specs[index].swatch, index);
  well->activate();
  refreshFocusPolicy();
  update();
  emit gradientChanged();
  setFocusedTextCell(int64_t(index));
  beginEditing();
}

void DRGradientColorStopView::startDrag(size_t index, double mouseX, const std::vector<StopSpec>& specs) {
  setEditChangedValue(false);
  // A drag starts only from a field committed without a change: a changed
  // value has moved the stop away from the pointer.
  if (!normalize() || editChangedValue()) return;
  m_draggingStop = int64_t(index);
  m_stopEdge = specs[index].bar.left();
  m_dragOffset = mouseX - specs[index].x;
  if (index + 2 < specs.size()) m_twoStopWidth = specs[index].bar.width() + specs[index + 1].bar.width();
}

void DRGradientColorStopView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    DRBarEditor::mousePressEvent(event);
    return;
  }
  const QPointF point = event->position();
  const std::vector<StopSpec> specs = stopSpecs();
  const size_t count = specs.size();
  if (count < 2) return;
  const bool useRightColor = event->modifiers() & Qt::AltModifier;
  if (specs[1].bar.contains(point)) {
    makeNewStop(1, point, specs[1].bar, useRightColor);
    return;
  }
  for (size_t i = 1; i + 1 < count; ++i) {
    if (specs[i].triangle.contains(point)) {
      startDrag(i, point.x(), specs);
      return;
    }
    if (specs[i].text.contains(point)) {
      if (!normalize()) return;
      setFocusedTextCell(int64_t(i));
      beginEditing();
      return;
    }
    if (specs[i + 1].bar.contains(point)) {
      makeNewStop(i + 1, point, specs[i + 1].bar, useRightColor);
      return;
    }
  }
}

void DRGradientColorStopView::mouseMoveEvent(QMouseEvent* event) {
  if (m_draggingStop < 0) return;
  const size_t index = size_t(m_draggingStop);
  if (index == 0 || index + 1 >= m_gradient.stopCount()) return;
  const double offset = (event->position().x() - m_dragOffset - m_stopEdge) * double(m_measurePerPoint);
  const int64_t step = RoundPosition(int64_t(offset));
  const int64_t left = m_gradient.positionOfStopIndex(index - 1);
  const int64_t right = m_gradient.positionOfStopIndex(index + 1);
  // A stop reaches either neighbour's position but never passes it.
  const int64_t position = step < 0 ? left : std::min(left + step, right);
  if (position == m_gradient.positionOfStopIndex(index)) return;
  m_gradient.setPosition(position, index);
  const std::vector<StopSpec> specs = stopSpecs();
  if (specs.size() == m_swatches.size() && m_swatches[index]) {
    m_swatches[index]->setGeometry(specs[index].swatch.toAlignedRect());
  } else {
    createSwatches(specs);
  }
  update();
  emit gradientChanged();
}

void DRGradientColorStopView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_draggingStop < 0 || event->button() != Qt::LeftButton) return;
  const size_t index = size_t(m_draggingStop);
  setFocusedTextCell(m_draggingStop);
  m_draggingStop = -1;
  update();
  if (index == 0 || index + 1 >= m_gradient.stopCount()) return;
  const int64_t position = m_gradient.positionOfStopIndex(index);
  if (position == m_gradient.positionOfStopIndex(index - 1) || position == m_gradient.positionOfStopIndex(index + 1)) {
    deleteStop(index, stopSpecs()[index]);
  } else {
    beginEditing();
  }
}

void DRGradientColorStopView::deleteStop(size_t index, const StopSpec& spec) {
  new FadingTriangle(this, spec.triangle, InnerStopColor(), FrameColor());
  m_gradient.removeStopAtIndex(index);
  if (index < m_swatches.size()) {
    if (CSColorWell* well = m_swatches[index]) {
      well->hide();
      well->deleteLater();
    }
    m_swatches.erase(m_swatches.begin() + std::ptrdiff_t(index));
  }
  setFocusedTextCell(-1);
  refreshFocusPolicy();
  update();
  emit gradientChanged();
}

// ---- Typed positions ----

int64_t DRGradientColorStopView::cellCount() const {
  return int64_t(m_gradient.stopCount());
}

QRectF DRGradientColorStopView::textCellRect(int64_t index) const {
  const std::vector<StopSpec> specs = stopSpecs();
  if (index < 0 || size_t(index) >= specs.size()) return QRectF();
  return specs[size_t(index)].text;
}

MeasureUnit DRGradientColorStopView::cellValue(int64_t index) const {
  return m_gradient.positionOfStopIndex(size_t(index));
}

DRBarEditor::CommitResult DRGradientColorStopView::commitCellValue(int64_t index, MeasureUnit typed) {
  const size_t count = m_gradient.stopCount();
  // The ends stay at 0 and 1.
  if (index <= 0 || size_t(index) + 1 >= count) return CommitResult::Refused;
  const size_t stop = size_t(index);
  const int64_t value =
      std::clamp<int64_t>(RoundPosition(typed), kPositionPrecision, kFullPosition - kPositionPrecision);
  // The stop's own position always stands, even where a click or a drag put
  // it 0.01 from a neighbour: otherwise its field could not be closed
  // without moving it.
  if (value == m_gradient.positionOfStopIndex(stop)) return CommitResult::Unchanged;
  const int64_t left = m_gradient.positionOfStopIndex(stop - 1);
  const int64_t right = m_gradient.positionOfStopIndex(stop + 1);
  if (!(value - kPositionPrecision > left && value + kPositionPrecision < right)) return CommitResult::Refused;
  m_gradient.setPosition(value, stop);
  const std::vector<StopSpec> specs = stopSpecs();
  if (stop < m_swatches.size() && m_swatches[stop]) m_swatches[stop]->setGeometry(specs[stop].swatch.toAlignedRect());
  return CommitResult::Changed;
}

void DRGradientColorStopView::typedValueChanged(int64_t /*index*/) {
  emit gradientChanged();
}

// ---- Drawing ----

void DRGradientColorStopView::paintEvent(QPaintEvent* /*event*/) {
  const size_t count = m_gradient.stopCount();
  if (count == 0) return;
  QPainter painter(this);
  const QColor frameColor = FrameColor();
  const QColor innerColor = InnerStopColor();

  const QRectF bar(kBarInset, kBarTop, width() - 2 * kBarInset, barHeight());
  if (bar.width() > 0) {
    DRGradient sample = m_gradient;
    sample.setRadial(false);
    sample.setLinearAngle(kBarAngle);
    QPainterPath path;
    path.addRect(bar);
    {
      GraphicsContextScope scope(&painter);
      sample.drawInBezier(path, false);
    }
    painter.setPen(QPen(frameColor, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar.adjusted(0.5, 0.5, -0.5, -0.5));
  }

  const std::vector<StopSpec> specs = stopSpecs();
  for (size_t i = 0; i < specs.size(); ++i) {
    const bool end = i == 0 || i + 1 == specs.size();
    drawTriangle(painter, specs[i].triangle, end ? frameColor : innerColor, frameColor);
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    if (isEditingText() && int64_t(i) == focusedTextCell()) continue;
    drawCellText(painter, specs[i].text, m_gradient.positionOfStopIndex(i));
  }
}
