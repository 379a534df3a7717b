#include "ui/inspector/DRLinePatternView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>

#include "model/DRCanvasHost.h"
#include "model/DRElement.h"
#include "model/DRLineInfo.h"
#include "support/Kolor.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRLinePatternExample.h"

namespace {

// Above the bar: the outer margin, the text row and the row spacing.
constexpr double kBarTop = 24;
// The rows that are not the bar: margins, text row, triangles, spacing.
constexpr double kNonBarHeight = 37;
// The last segment may grow without taking from a neighbour.
constexpr MeasureUnit kNoNextLimit = 4611686018427387903LL;

MeasureUnit SaturatingAdd(MeasureUnit a, MeasureUnit b) {
  MeasureUnit sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return a > 0 ? kMixedMeasure - 1 : std::numeric_limits<MeasureUnit>::min();
  return sum;
}

// The pattern a line shows in the editor: the built-in dash and dot
// patterns, its own custom pattern, or one solid entry. A custom pattern
// the editor cannot hold (none, or more entries than it has room for)
// opens as a solid entry; lengths below the step are raised to it. Only
// the editor's copy changes: the line keeps its pattern until OK.
std::vector<MeasureUnit> EditorPattern(const DRLineInfo& info) {
  switch (info.lineStyle()) {
    case kLineStyleDash:
      return {std::begin(kDashPattern), std::end(kDashPattern)};
    case kLineStyleDot:
      return {std::begin(kDotPattern), std::end(kDotPattern)};
    case kLineStyleCustom: {
      const std::optional<DRLineInfo::Pattern>& own = info.pattern();
      if (!own || own->empty() || own->size() > size_t(DRLinePatternView::kMaxSegments)) break;
      std::vector<MeasureUnit> pattern = *own;
      for (MeasureUnit& length : pattern) length = std::max(length, DRLinePatternView::kPatternPrecision);
      return pattern;
    }
    default:
      break;
  }
  return {DRLinePatternView::kSolidLength};
}

bool SamePattern(const DRLineInfo& a, const DRLineInfo& b) {
  if (a.lineStyle() != b.lineStyle()) return false;
  if (a.lineStyle() != kLineStyleCustom) return true;
  return a.pattern().value_or(DRLineInfo::Pattern{}) == b.pattern().value_or(DRLineInfo::Pattern{});
}

}  // namespace

DRLinePatternView::DRLinePatternView(QWidget* parent) : DRBarEditor(parent) {
  setMouseTracking(false);
}

DRLinePatternView::~DRLinePatternView() = default;

void DRLinePatternView::setExampleView(DRLinePatternExample* example) {
  m_exampleView = example;
}

void DRLinePatternView::setPhaseField(QLineEdit* field) {
  m_phaseField = field;
}

void DRLinePatternView::setScalePatternButton(QCheckBox* box) {
  m_scalePatternButton = box;
}

void DRLinePatternView::setSegmentCountControl(CSSegmentedControl* control) {
  if (m_segmentCountControl) disconnect(m_segmentCountControl, nullptr, this, nullptr);
  m_segmentCountControl = control;
  if (control) connect(control, &CSSegmentedControl::activated, this, &DRLinePatternView::addOrDelete);
}

void DRLinePatternView::setLinePattern(const std::vector<MeasureUnit>& pattern) {
  m_linePattern = pattern;
  if (focusedTextCell() >= int64_t(m_linePattern.size())) setFocusedTextCell(int64_t(m_linePattern.size()) - 1);
  updateSegmentControl();
  update();
}

// ---- Starting values ----

void DRLinePatternView::awakeFromNib() {
  adoptBarHeight(BarKind::LinePattern, double(height()) - kNonBarHeight);

  std::optional<DRLineInfo> first;
  MeasureUnit phase = 0;
  Qt::CheckState scale = Qt::Unchecked;
  bool styleMixed = false;
  DRCanvasHost* canvas = m_drawController ? m_drawController->canvas() : nullptr;
  if (canvas) {
    for (const DRElement* element : canvas->selection()) {
      if (!element || !element->canDrawLines() || !element->lineInfo()) continue;
      const DRLineInfo& info = *element->lineInfo();
      if (!first) {
        first = info;
        phase = info.phase();
        scale = info.scalePattern() ? Qt::Checked : Qt::Unchecked;
        continue;
      }
      if (info.phase() != first->phase()) phase = kMixedMeasure;
      if (info.scalePattern() != first->scalePattern()) scale = Qt::PartiallyChecked;
      if (!SamePattern(info, *first)) styleMixed = true;
    }
  }
  std::vector<MeasureUnit> pattern{kSolidLength};
  if (first && !styleMixed) pattern = EditorPattern(*first);

  if (m_phaseField) SetMeasureValue(m_phaseField, phase);
  // A box shown mixed becomes tristate on its own.
  if (m_scalePatternButton) m_scalePatternButton->setCheckState(scale);
  setLinePattern(pattern);
  if (m_exampleView) {
    if (m_phaseField) m_exampleView->setPhaseFromControl(m_phaseField);
    m_exampleView->setLinePattern(m_linePattern);
    m_exampleView->setScaleOption(m_scalePatternButton);
  }
  refreshFocusPolicy();

  const double width = double(this->width());
  const double height = double(this->height());
  setToolTipAreas({
      {QRectF(0, g_barEditOuterSpacing, width, g_barEditTextCellSize.height()),
       tr("Type new segment lengths into the text areas.")},
      {QRectF(0, kBarTop, width, barHeight(BarKind::LinePattern)), tr("Line pattern segments.")},
      {QRectF(0, height - g_barEditTriangleExtent, width, g_barEditTriangleExtent),
       tr("Drag a triangle to change a segment length.") + QLatin1Char('\n') +
           tr("Alt-click to leave the other lengths alone.")},
  });
}

void DRLinePatternView::updateSegmentControl() {
  if (!m_segmentCountControl) return;
  const size_t count = m_linePattern.size();
  if (QToolButton* add = m_segmentCountControl->segmentButton(kAddSegment)) add->setEnabled(count < size_t(kMaxSegments));
  if (QToolButton* remove = m_segmentCountControl->segmentButton(kRemoveSegment)) remove->setEnabled(count >= 2);
}

void DRLinePatternView::showPatternInExample() {
  if (m_exampleView) m_exampleView->setLinePattern(m_linePattern);
}

// ---- Layout ----

int DRLinePatternView::setSpecArray(SpecArray& specs, double* totalWidth) {
  static const std::vector<MeasureUnit> kEmptyLayout{kSolidLength};
  const std::vector<MeasureUnit>& pattern = m_linePattern.empty() ? kEmptyLayout : m_linePattern;
  const int count = int(std::min(pattern.size(), size_t(kMaxSegments)));
  const double width = double(this->width());
  const double height = double(this->height());
  if (m_draggingSegment < 0) {
    MeasureUnit total = 0;
    for (int i = 0; i < count; ++i) total = SaturatingAdd(total, pattern[size_t(i)]);
    // The view is never narrower than this in a sheet; a narrower one
    // still divides by at least 1.
    const MeasureUnit divisor = std::max<MeasureUnit>(1, MeasureUnit(width) - 8 + count);
    MeasureUnit perPoint = total / divisor;
    perPoint = perPoint <= 0 ? 1 : (count >= 2 ? perPoint + 1 : perPoint);
    m_measurePerPoint = perPoint;
  }
  const double barHeight = std::max(1.0, this->barHeight(BarKind::LinePattern));
  double left = m_xOrigin;
  double sum = 0;
  double previousWidth = 0;
  for (int i = 0; i < count; ++i) {
    double w = double(pattern[size_t(i)] / m_measurePerPoint);
    if (!m_resizeOne && m_draggingSegment >= 0 && i == m_draggingSegment + 1) w = m_twoSegmentWidth - previousWidth;
    SegmentSpec& spec = specs[size_t(i)];
    spec.bar = QRectF(left, kBarTop, w, barHeight);
    spec.triangle = QRectF(left + w - 7, height - 14, g_barEditTriangleExtent, g_barEditTriangleExtent);
    spec.textCell = QRectF(left + std::floor((w - g_barEditTextCellSize.width()) / 2), g_barEditOuterSpacing,
                           g_barEditTextCellSize.width(), g_barEditTextCellSize.height());
    sum += w;
    previousWidth = w;
    // Neighbours share their one-point border.
    left += w - 1;
  }
  if (totalWidth) *totalWidth = sum;
  return count;
}

// ---- Cells ----

int64_t DRLinePatternView::cellCount() const {
  return int64_t(std::min(m_linePattern.size(), size_t(kMaxSegments)));
}

QRectF DRLinePatternView::textCellRect(int64_t index) const {
  SpecArray specs;
  const int count = const_cast<DRLinePatternView*>(this)->setSpecArray(specs);
  return index >= 0 && index < count ? specs[size_t(index)].textCell : QRectF();
}

MeasureUnit DRLinePatternView::cellValue(int64_t index) const {
  return index >= 0 && index < cellCount() ? m_linePattern[size_t(index)] : 0;
}

DRBarEditor::CommitResult DRLinePatternView::commitCellValue(int64_t index, MeasureUnit typed) {
  const MeasureUnit value = std::max(RoundMeasure(typed, kPatternPrecision), kPatternPrecision);
  if (value == m_linePattern[size_t(index)]) return CommitResult::Unchanged;
  m_linePattern[size_t(index)] = value;
  update();
  return CommitResult::Changed;
}

void DRLinePatternView::typedValueChanged(int64_t index) {
  (void)index;
  showPatternInExample();
}

// ---- Add and remove ----

void DRLinePatternView::addOrDelete(int segment) {
  m_wasEditingBefore = isEditingText();
  // A refused text does not stop the change: the field reopens below.
  normalize();
  if (segment == kAddSegment) {
    if (m_linePattern.empty()) m_linePattern.push_back(kSolidLength);
    if (m_linePattern.size() >= size_t(kMaxSegments)) return;
    m_linePattern.push_back(m_linePattern.back());
    if (m_linePattern.size() % 2 == 1) m_linePattern.push_back(m_linePattern.back());
  } else if (segment == kRemoveSegment) {
    if (m_linePattern.size() < 2) return;
    m_linePattern.pop_back();
    if (m_linePattern.size() >= 2) m_linePattern.pop_back();
    if (focusedTextCell() >= int64_t(m_linePattern.size())) setFocusedTextCell(int64_t(m_linePattern.size()) - 1);
  } else {
    return;
  }
  updateSegmentControl();
  update();
  showPatternInExample();
  if (m_wasEditingBefore) beginEditing();
}

// ---- Mouse ----

void DRLinePatternView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    DRBarEditor::mousePressEvent(event);
    return;
  }
  const QPointF point = event->position();
  SpecArray specs;
  const int count = setSpecArray(specs);
  for (int i = 0; i < count; ++i) {
    const SegmentSpec& spec = specs[size_t(i)];
    if (spec.bar.contains(point)) return;
    if (spec.triangle.contains(point)) {
      m_wasEditingBefore = isEditingText();
      setEditChangedValue(false);
      if (!normalize() || editChangedValue()) return;
      m_resizeOne = event->modifiers().testFlag(Qt::AltModifier);
      m_draggingSegment = i;
      m_segmentEdge = spec.bar.left();
      m_dragOffset = point.x() - (spec.bar.left() + spec.bar.width());
      if (i < count - 1 && !m_resizeOne) m_twoSegmentWidth = spec.bar.width() + specs[size_t(i) + 1].bar.width();
      return;
    }
    if (spec.textCell.contains(point)) {
      if (!normalize()) return;
      setFocusedTextCell(i);
      beginEditing();
      return;
    }
  }
  // A click on nothing ends the open field's editing without storing it.
  if (isEditingText()) takeFocusBack();
}

void DRLinePatternView::mouseMoveEvent(QMouseEvent* event) {
  if (m_draggingSegment < 0 || m_draggingSegment >= cellCount()) {
    DRBarEditor::mouseMoveEvent(event);
    return;
  }
  const size_t index = size_t(m_draggingSegment);
  const bool hasNext = index + 1 < m_linePattern.size();
  const MeasureUnit current = m_linePattern[index];
  const MeasureUnit next = m_resizeOne ? 0 : (hasNext ? m_linePattern[index + 1] : kNoNextLimit);
  const double x = event->position().x();
  const MeasureUnit value =
      RoundMeasure(MeasureFromDouble((x - m_dragOffset - m_segmentEdge) * double(m_measurePerPoint)), kPatternPrecision);
  if (value < kPatternPrecision || value == current) return;
  // The next segment would fall below the smallest length (written so
  // that no sum can overflow).
  if (!m_resizeOne && next - value < kPatternPrecision - current) return;
  m_linePattern[index] = value;
  if (!m_resizeOne && hasNext) m_linePattern[index + 1] = SaturatingAdd(next - value, current);
  if (index + 1 == m_linePattern.size()) {
    double total = 0;
    SpecArray specs;
    setSpecArray(specs, &total);
    // The right end stays in view while the last segment grows.
    m_xOrigin = std::min(0.0, double(width()) - total);
  }
  update();
  showPatternInExample();
}

void DRLinePatternView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_draggingSegment < 0) {
    DRBarEditor::mouseReleaseEvent(event);
    return;
  }
  setFocusedTextCell(m_draggingSegment);
  m_draggingSegment = -1;
  m_resizeOne = false;
  m_xOrigin = 0;
  update();
  beginEditing();
}

// ---- Drawing ----

void DRLinePatternView::paintEvent(QPaintEvent* event) {
  (void)event;
  SpecArray specs;
  const int count = setSpecArray(specs);
  if (count <= 0) return;
  QPainter painter(this);
  const QColor frame = GrayColor(3);
  for (int i = 0; i < count; ++i) {
    const SegmentSpec& spec = specs[size_t(i)];
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(spec.bar, i % 2 == 0 ? GrayColor(7) : GrayColor(1));
    painter.setPen(QPen(frame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(spec.bar.adjusted(0.5, 0.5, -0.5, -0.5));
    drawTriangle(painter, spec.triangle, GrayColor(5), frame);
    if (isEditingText() && focusedTextCell() == i) continue;
    drawCellText(painter, spec.textCell, m_linePattern.empty() ? kSolidLength : m_linePattern[size_t(i)]);
  }
}
