#include "ui/shell/CSSidePanelAnimation.h"

#include <cmath>

#include "support/widgets/BlockingAnimation.h"
#include "ui/shell/ShellSeams.h"

CSSidePanelAnimation::CSSidePanelAnimation(double seconds, QEasingCurve curve, QObject* parent)
    : QObject(parent), m_curve(curve), m_duration(seconds) {
  if (ShellKeyboardModifiers() & Qt::ShiftModifier) m_duration *= kSlowMotionFactor;
}

CSSidePanelAnimation::~CSSidePanelAnimation() {
  if (m_started && !m_attaching && m_panel) {
    m_panel->hide();
    m_panel->setParent(nullptr);
  }
}

void CSSidePanelAnimation::prepareToStart() {
  if (!m_panel || !m_donor) return;
  m_started = true;
  const QRect panel = m_panel->geometry();
  const QRect donor = m_donor->geometry();
  m_attaching = m_panel->parentWidget() == nullptr;
  if (m_attaching) {
    if (m_right) {
      m_startPosition = donor.x() + donor.width();
      m_endPosition = m_startPosition - panel.width();
    } else {
      m_startPosition = donor.x() - panel.width();
      m_endPosition = m_startPosition + panel.width();
    }
    QWidget* container = m_donor->parentWidget();
    m_panel->setParent(container);
    m_panel->setGeometry(int(m_startPosition), donor.y(), panel.width(), donor.height());
    // Just above the donor among its siblings.
    QWidget* above = nullptr;
    if (container) {
      const QObjectList& siblings = container->children();
      const qsizetype at = siblings.indexOf(m_donor.data());
      for (qsizetype i = at + 1; at >= 0 && i < siblings.size(); ++i) {
        auto* sibling = qobject_cast<QWidget*>(siblings[i]);
        if (sibling && sibling != m_panel && !sibling->isWindow()) {
          above = sibling;
          break;
        }
      }
    }
    if (above)
      m_panel->stackUnder(above);
    else
      m_panel->raise();
    m_panel->show();
  } else {
    m_startPosition = panel.x();
    m_endPosition = m_right ? m_startPosition + panel.width() : m_startPosition - panel.width();
  }
}

void CSSidePanelAnimation::startAnimation() {
  prepareToStart();
  if (!m_panel || !m_donor) return;
  RunBlockingAnimation(m_duration, m_curve, [this](double progress) { setCurrentProgress(progress); });
}

void CSSidePanelAnimation::setCurrentProgress(double progress) {
  if (!m_panel || !m_donor) return;
  const int x = int(std::lround(float(m_startPosition + progress * (m_endPosition - m_startPosition))));
  const QRect panel = m_panel->geometry();
  const QRect donor = m_donor->geometry();
  QRect donorFrame = donor;
  if (m_right) {
    donorFrame.setWidth(std::max(0, x - donor.x()));
  } else {
    const int rightEdge = donor.x() + donor.width();
    donorFrame.setX(x + panel.width());
    donorFrame.setWidth(std::max(0, rightEdge - (x + panel.width())));
  }
  m_donor->setGeometry(donorFrame);
  m_panel->move(x, panel.y());
  m_donor->repaint();
  m_panel->repaint();
}
