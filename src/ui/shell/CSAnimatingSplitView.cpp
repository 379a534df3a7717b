#include "ui/shell/CSAnimatingSplitView.h"

#include <QEasingCurve>
#include <cmath>

#include "support/widgets/BlockingAnimation.h"
#include "ui/shell/ShellSeams.h"

CSAnimatingSplitView::CSAnimatingSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {}

double CSAnimatingSplitView::dividerPosition(uint64_t divider) const {
  const QWidget* before = widget(int(divider));
  if (!before) return 0;
  const QRect frame = before->geometry();
  return orientation() == Qt::Horizontal ? double(frame.x() + frame.width()) : double(frame.y() + frame.height());
}

CSAnimatingSplitView::SplitPlan CSAnimatingSplitView::planSegment(uint64_t divider, bool openCloseRight) const {
  SplitPlan plan;
  int smallest = 0;
  int largest = 0;
  // Qt's handle d + 1 is the divider after child d; its range already
  // respects the children's minimum sizes.
  getRange(int(divider) + 1, &smallest, &largest);
  const double nearEnd = openCloseRight ? smallest : largest;
  const double farEnd = openCloseRight ? largest : smallest;
  plan.start = dividerPosition(divider);
  if (std::abs(farEnd - plan.start) <= double(handleWidth())) {
    plan.end = nearEnd;
    plan.duration = kReturnDuration;
  } else {
    plan.end = farEnd;
    plan.duration = kOutDuration;
  }
  if (ShellKeyboardModifiers() & Qt::ShiftModifier) plan.duration *= kSlowMotionFactor;
  return plan;
}

void CSAnimatingSplitView::animateSegment(uint64_t divider, bool openCloseRight) {
  if (int(divider) + 1 >= count()) return;
  const SplitPlan plan = planSegment(divider, openCloseRight);
  m_splitToAnimate = divider;
  m_startingPosition = plan.start;
  m_endingPosition = plan.end;
  m_isAnimating = true;
  RunBlockingAnimation(plan.duration, QEasingCurve::InOutSine,
                       [this](double progress) { animateSplitToPosition(progress); });
  m_isAnimating = false;
}

void CSAnimatingSplitView::animateSplitToPosition(double progress) {
  const float position = float(m_startingPosition + (m_endingPosition - m_startingPosition) * progress);
  moveSplitter(int(std::lround(position)), int(m_splitToAnimate) + 1);
  repaint();
}
