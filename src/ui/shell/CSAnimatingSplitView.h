#pragma once
// A splitter that slides one divider to its far end, or back to its near
// end when it is already there, in a short animation that runs to its end
// before the call returns; the user's input waits meanwhile.

#include <QSplitter>
#include <cstdint>

class CSAnimatingSplitView : public QSplitter {
 public:
  // Seconds: back to the near end, out to the far end; Shift held makes
  // either kSlowMotionFactor times longer.
  static constexpr double kReturnDuration = 0.45;
  static constexpr double kOutDuration = 0.1125;
  static constexpr double kSlowMotionFactor = 10.0;

  // One animation of a divider.
  struct SplitPlan {
    double start = 0;
    double end = 0;
    double duration = 0;  // seconds
  };

  explicit CSAnimatingSplitView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  // Divider d lies between child d and child d + 1. With openCloseRight
  // the near end is the smallest position it can take and the far end the
  // largest; without, the other way round.
  SplitPlan planSegment(uint64_t divider, bool openCloseRight) const;
  void animateSegment(uint64_t divider, bool openCloseRight);
  // The divider at start + (end - start) x progress, to the nearest whole
  // point, shown at once.
  void animateSplitToPosition(double progress);

  bool isAnimating() const { return m_isAnimating; }
  double startingPosition() const { return m_startingPosition; }
  double endingPosition() const { return m_endingPosition; }
  uint64_t splitToAnimate() const { return m_splitToAnimate; }
  // The divider's position now: the far edge of the child before it.
  double dividerPosition(uint64_t divider) const;

 private:
  double m_startingPosition = 0;
  double m_endingPosition = 0;
  uint64_t m_splitToAnimate = 0;
  bool m_isAnimating = false;
};
