#pragma once
// A custom-drawn segmented control for a window's toolbar: a delegate
// supplies the segments (titles or images) and hears the clicks. Segments
// act as momentary buttons, as one selection or as any number of selected
// segments; they share the control's width in whole points, with square
// ends with rounded corners or fully round ends, and follow the window's
// active state and the dark appearance.

#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "support/CSImage.h"

class CSToolbarSegments;
class QAction;
class QPainterPath;

// What one segment shows: its image when it has one, else its title. A
// template image takes the text colour in the dark appearance. Made
// implicitly from a title or an image, as a delegate lists them.
struct CSSegmentContent {
  CSSegmentContent() = default;
  CSSegmentContent(const QString& text) : title(text) {}
  CSSegmentContent(const CSImage& picture, bool templateImage = false) : image(picture), isTemplate(templateImage) {}
  bool isImage() const { return !image.isNull(); }

  QString title;
  CSImage image;
  bool isTemplate = false;
};

class CSToolbarSegmentsDelegate {
 public:
  virtual ~CSToolbarSegmentsDelegate() = default;
  virtual QList<CSSegmentContent> tabsForSegments(CSToolbarSegments* segments) = 0;
  virtual void tabWasSelected(uint64_t index, CSToolbarSegments* segments) = 0;
  // Optional: the already selected segment was clicked again (single
  // selection only); asked only when answersSameTabWasSelected().
  virtual bool answersSameTabWasSelected() const { return false; }
  virtual void sameTabWasSelected(uint64_t index, CSToolbarSegments* segments) { (void)index, (void)segments; }
};

class CSToolbarSegments : public QWidget {
 public:
  enum SelectStyle : uint64_t { kMomentary = 0, kSingleSelection = 1, kMultipleSelection = 2 };

  // The style and the ends are fixed once made, as an interface file sets
  // them.
  explicit CSToolbarSegments(uint64_t selectStyle = kMomentary, bool roundEndcaps = false, QWidget* parent = nullptr);
  ~CSToolbarSegments() override;

  // The control a toolbar item shows: the item's widget itself, or the first
  // child of it that is a control of this class; null otherwise.
  static CSToolbarSegments* tabsforToolbarItem(QWidget* itemWidget);
  // The first control, walking each toolbar of the window from its last
  // item, whose bar tag matches; its item goes to `item` when given.
  static CSToolbarSegments* tabsforController(QWidget* window, uint64_t barTag, QAction** item = nullptr);

  CSToolbarSegmentsDelegate* delegate() const { return m_delegate; }
  void setDelegate(CSToolbarSegmentsDelegate* delegate) { m_delegate = delegate; }
  uint64_t barTag() const { return m_barTag; }
  void setBarTag(uint64_t tag) { m_barTag = tag; }
  double extraCenterTabWidth() const { return m_extraCenterTabWidth; }
  void setExtraCenterTabWidth(double width) { m_extraCenterTabWidth = width; }
  uint64_t selectStyle() const { return m_selectStyle; }
  bool roundEndcaps() const { return m_roundEndcaps; }
  // The whole control is enabled through QWidget::setEnabled, which
  // redisplays it.

  void setup();
  // Forgets the contents; the next drawing or selectTab asks the delegate.
  void reloadTabs();
  void layoutTabs();
  void selectTab(int64_t index);
  // In style 2 the index is ignored and the selection emptied.
  void setSelectedTab(int64_t index);
  int64_t selectedTabIndex() const;
  bool isTabSelected(int64_t index) const;
  void setSelected(bool selected, int64_t index);
  // Only segments 0 to 31 can be told apart (bit index modulo 32).
  void setEnabledForTab(bool enabled, int64_t index);
  void updateContent(const CSSegmentContent& content, int64_t index);
  int64_t tabFromPoint(QPointF point) const;

  void setWholeBezier(QPainterPath& path, const QRectF& rect) const;
  void setBezier(QPainterPath& path, int64_t index, int64_t count, const QRectF& rect) const;
  void setLeftBezier(QPainterPath& path, double width, double height) const;
  void setRightBezier(QPainterPath& path, double width) const;

  // State, for tests.
  const std::vector<double>& tabWidths() const { return m_tabWidths; }
  double endcapWidth() const { return m_endcapWidth; }
  int64_t segmentCount() const { return int64_t(m_tabs.size()); }
  int64_t pressedTab() const { return m_pressedTab; }
  bool isPressed() const { return m_isPressed; }
  int64_t selectedTab() const { return m_selectedTab; }
  std::set<int64_t> selectedTabs() const { return m_selectedTabs.value_or(std::set<int64_t>()); }
  bool useNormalFont() const { return m_useNormalFont; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool isSegmentEnabled(int64_t index) const;

  CSToolbarSegmentsDelegate* m_delegate = nullptr;
  uint64_t m_barTag = 0;
  uint64_t m_selectStyle = kMomentary;
  bool m_roundEndcaps = false;
  QList<CSSegmentContent> m_tabs;
  std::vector<double> m_tabWidths;
  double m_endcapWidth = 0;
  double m_extraCenterTabWidth = 0;
  uint64_t m_tabEnabledMask = ~uint64_t(0);
  bool m_useNormalFont = false;
  bool m_isPressed = false;
  int64_t m_pressedTab = -1;
  // Zero until set: style 2 never stores into it.
  int64_t m_selectedTab = 0;
  std::optional<std::set<int64_t>> m_selectedTabs;  // style 2 only
  bool m_setUp = false;                             // the contents exist
};
