#pragma once
// A row of joined segments, each with a label or an icon and a tag. As a
// choice of one (alignment, a category) one segment or none is selected;
// as a set of switches (text traits) each segment is on or off on its own;
// as momentary buttons (add, remove) none stays selected. `activated` tells
// of every segment the user clicks, after its state changed.

#include <QIcon>
#include <QList>
#include <QString>
#include <QWidget>

class QToolButton;

class CSSegmentedControl : public QWidget {
  Q_OBJECT

 public:
  enum class TrackingMode { kSelectOne, kSelectAny, kMomentary };

  explicit CSSegmentedControl(QWidget* parent = nullptr);

  TrackingMode trackingMode() const { return m_mode; }
  // Clears every selection.
  void setTrackingMode(TrackingMode mode);
  int segmentCount() const { return int(m_segments.size()); }
  // New segments have no label and their index as tag.
  void setSegmentCount(int count);
  QString label(int segment) const;
  void setLabel(const QString& label, int segment);
  void setIcon(const QIcon& icon, int segment);
  void setSegmentToolTip(const QString& tip, int segment);
  int tagForSegment(int segment) const;
  void setTag(int tag, int segment);
  // The segment with the tag, or -1.
  int segmentForTag(int tag) const;
  QToolButton* segmentButton(int segment) const;

  // The lowest selected segment, or -1 when none is (a mixed value).
  int selectedSegment() const;
  // Selects the one segment (choice of one) or only that one; -1 or an
  // index out of range selects none. Sends nothing.
  void setSelectedSegment(int segment);
  bool isSelectedForSegment(int segment) const;
  void setSelected(bool selected, int segment);

 signals:
  void activated(int segment);

 private:
  void segmentClicked(int segment);

  QList<QToolButton*> m_segments;
  QList<int> m_tags;
  TrackingMode m_mode = TrackingMode::kSelectOne;
};
