#include "ui/inspector/CSSegmentedControl.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <algorithm>

CSSegmentedControl::CSSegmentedControl(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
}

void CSSegmentedControl::setTrackingMode(TrackingMode mode) {
  m_mode = mode;
  for (QToolButton* button : m_segments) {
    button->setCheckable(mode != TrackingMode::kMomentary);
    button->setChecked(false);
  }
}

void CSSegmentedControl::setSegmentCount(int count) {
  count = std::max(0, count);
  while (segmentCount() > count) {
    delete m_segments.takeLast();
    m_tags.removeLast();
  }
  while (segmentCount() < count) {
    const int segment = segmentCount();
    auto* button = new QToolButton(this);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setCheckable(m_mode != TrackingMode::kMomentary);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QToolButton::clicked, this, [this, button] { segmentClicked(int(m_segments.indexOf(button))); });
    layout()->addWidget(button);
    m_segments.append(button);
    m_tags.append(segment);
  }
}

QToolButton* CSSegmentedControl::segmentButton(int segment) const {
  return segment >= 0 && segment < segmentCount() ? m_segments[segment] : nullptr;
}

QString CSSegmentedControl::label(int segment) const {
  QToolButton* button = segmentButton(segment);
  return button ? button->text() : QString();
}

void CSSegmentedControl::setLabel(const QString& label, int segment) {
  if (QToolButton* button = segmentButton(segment)) button->setText(label);
}

void CSSegmentedControl::setIcon(const QIcon& icon, int segment) {
  if (QToolButton* button = segmentButton(segment)) button->setIcon(icon);
}

void CSSegmentedControl::setSegmentToolTip(const QString& tip, int segment) {
  if (QToolButton* button = segmentButton(segment)) button->setToolTip(tip);
}

int CSSegmentedControl::tagForSegment(int segment) const {
  return segment >= 0 && segment < segmentCount() ? m_tags[segment] : -1;
}

void CSSegmentedControl::setTag(int tag, int segment) {
  if (segment >= 0 && segment < segmentCount()) m_tags[segment] = tag;
}

int CSSegmentedControl::segmentForTag(int tag) const {
  return int(m_tags.indexOf(tag));
}

int CSSegmentedControl::selectedSegment() const {
  for (int segment = 0; segment < segmentCount(); ++segment) {
    if (m_segments[segment]->isChecked()) return segment;
  }
  return -1;
}

void CSSegmentedControl::setSelectedSegment(int segment) {
  if (m_mode == TrackingMode::kMomentary) return;
  for (int index = 0; index < segmentCount(); ++index) m_segments[index]->setChecked(index == segment);
}

bool CSSegmentedControl::isSelectedForSegment(int segment) const {
  QToolButton* button = segmentButton(segment);
  return button && button->isChecked();
}

void CSSegmentedControl::setSelected(bool selected, int segment) {
  if (m_mode == TrackingMode::kMomentary || !segmentButton(segment)) return;
  if (m_mode == TrackingMode::kSelectOne && selected) {
    setSelectedSegment(segment);
    return;
  }
  m_segments[segment]->setChecked(selected);
}

void CSSegmentedControl::segmentClicked(int segment) {
  if (segment < 0) return;
  // A chosen segment stays chosen when clicked again.
  if (m_mode == TrackingMode::kSelectOne) setSelectedSegment(segment);
  emit activated(segment);
}
