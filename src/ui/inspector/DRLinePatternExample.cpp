#include "ui/inspector/DRLinePatternExample.h"

#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTimer>

#include "model/LinePattern.h"
#include "support/widgets/MeasureControls.h"

namespace {
// Typed and dragged lengths live on hundredths of a point.
constexpr MeasureUnit kPatternPrecision = 127;
}  // namespace

DRLinePatternExample::DRLinePatternExample(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void DRLinePatternExample::setLinePattern(const std::vector<MeasureUnit>& pattern) {
  m_linePattern = pattern;
  update();
}

void DRLinePatternExample::setLinePatternLater(const std::vector<MeasureUnit>& pattern) {
  // The view is the timer's context, so a request never outlives it.
  QTimer::singleShot(0, this, [this, pattern] { setLinePattern(pattern); });
}

void DRLinePatternExample::setPhase(MeasureUnit phase) {
  m_phase = phase;
  update();
}

void DRLinePatternExample::setPhaseFromControl(const QWidget* control) {
  setPhase(MeasureFromControl(control, kPatternPrecision));
}

void DRLinePatternExample::setScalePattern(bool scale) {
  m_scalePattern = scale;
  update();
}

void DRLinePatternExample::setScaleOption(const QCheckBox* box) {
  setScalePattern(box && box->checkState() != Qt::Unchecked);
}

void DRLinePatternExample::paintEvent(QPaintEvent* event) {
  (void)event;
  const double height = double(this->height());
  if (height <= 0 || width() <= 0) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(palette().color(QPalette::WindowText));
  pen.setWidthF(height);
  pen.setCapStyle(Qt::FlatCap);
  if (m_linePattern.size() >= 2) {
    ApplyLinePattern(&pen, m_linePattern.data(), int64_t(m_linePattern.size()), m_phase,
                     m_scalePattern ? height : 1.0);
  }
  QPainterPath path;
  path.moveTo(0, height / 2);
  path.lineTo(double(width()), height / 2);
  painter.strokePath(path, pen);
}
