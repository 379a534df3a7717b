#pragma once
// Slides a side panel in beside a view (the donor, which gives up the room)
// or out again, at the donor's right or left edge. The animation runs to
// its end before startAnimation returns; the user's input waits meanwhile.

#include <QEasingCurve>
#include <QObject>
#include <QPointer>
#include <QWidget>

class CSSidePanelAnimation : public QObject {
 public:
  static constexpr double kSlowMotionFactor = 10.0;

  // Shift held now makes the animation kSlowMotionFactor times longer.
  explicit CSSidePanelAnimation(double seconds, QEasingCurve curve = QEasingCurve::InOutSine,
                                QObject* parent = nullptr);
  // A panel the animation took out is taken off its parent, unshown; its
  // owner keeps it.
  ~CSSidePanelAnimation() override;

  QWidget* panel() const { return m_panel; }
  void setPanel(QWidget* panel) { m_panel = panel; }
  QWidget* donor() const { return m_donor; }
  void setDonor(QWidget* donor) { m_donor = donor; }
  bool right() const { return m_right; }
  void setRight(bool right) { m_right = right; }
  double duration() const { return m_duration; }
  double startPosition() const { return m_startPosition; }
  double endPosition() const { return m_endPosition; }
  bool attaching() const { return m_attaching; }

  // Works out the travel and, for a panel without a parent, puts it beside
  // the donor at its start; startAnimation does this, then runs.
  void prepareToStart();
  void startAnimation();
  // The panel at start + progress x (end - start), to the nearest whole
  // point, and the donor fitted to it; both shown at once.
  void setCurrentProgress(double progress);

 private:
  QPointer<QWidget> m_panel;
  QPointer<QWidget> m_donor;
  QEasingCurve m_curve;
  double m_duration = 0;
  double m_startPosition = 0;
  double m_endPosition = 0;
  bool m_right = false;
  bool m_attaching = false;
  bool m_started = false;
};
