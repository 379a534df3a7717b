#pragma once
// The strip of tabs inside a document window: all of one width, flush-right
// tabs at the right end, the tabs that do not fit in an overflow menu, a
// close button on the hovered closable tab, padlocks, tab dragging and drops
// of clipboard data onto a tab. It knows nothing of documents: a delegate
// supplies the tabs, named by identifier, and hears what the user does.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <vector>

class CSWindowTabs;
class QAction;
class QMenu;
class QMimeData;
class QPainter;
class QPainterPath;
class QToolButton;

class CSWindowTabsDelegate {
 public:
  // The optional operations; the strip uses one only when
  // optionalOperations() names it.
  enum Operation : uint32_t {
    kContextMenuForTab = 1u << 0,
    kDoubleClickedTab = 1u << 1,
    kIsTabLocked = 1u << 2,
    kIsTabFlushRight = 1u << 3,
    kIsTabVisible = 1u << 4,
    kTabWidth = 1u << 5,
    kCanDragTabs = 1u << 6,
    kDidDragTab = 1u << 7,
    kCanDragPasteboard = 1u << 8,
    kDidDragPasteboard = 1u << 9,
    kTypesForDragInto = 1u << 10,
  };

  virtual ~CSWindowTabsDelegate() = default;
  virtual uint32_t optionalOperations() const { return 0; }

  // Required.
  virtual uint64_t numberOfTabsInTabView(CSWindowTabs* tabs) = 0;
  virtual bool tabViewCanCloseTab(CSWindowTabs* tabs, const QString& tab) = 0;
  virtual void tabViewCloseTab(CSWindowTabs* tabs, const QString& tab) = 0;
  virtual QString tabViewIdentifierOfTabAtIndex(CSWindowTabs* tabs, uint64_t index) = 0;
  virtual QString tabViewNameOfTab(CSWindowTabs* tabs, const QString& tab) = 0;
  virtual void tabViewSelectTab(CSWindowTabs* tabs, const QString& tab) = 0;

  // Optional. A null identifier in the context menu call: outside any tab.
  virtual QMenu* tabViewContextMenuForTab(CSWindowTabs* tabs, const QString& tab);
  virtual void tabViewDoubleClickedTab(CSWindowTabs* tabs, const QString& tab);
  // 0 no padlock, 1 a locked one, any other value an open one.
  virtual uint8_t tabViewIsTabLocked(CSWindowTabs* tabs, const QString& tab);
  virtual bool tabViewIsTabFlushRight(CSWindowTabs* tabs, const QString& tab);
  virtual bool tabViewIsTabVisible(CSWindowTabs* tabs, const QString& tab);
  virtual double tabWidthInTabView(CSWindowTabs* tabs);
  virtual bool canDragTabsInTabView(CSWindowTabs* tabs);
  virtual void tabViewDidDragTab(CSWindowTabs* tabs, const QString& tab, uint64_t position);
  virtual bool tabViewCanDragPasteboard(CSWindowTabs* tabs, const QMimeData* pasteboard, const QString& tab);
  virtual bool tabViewDidDragPasteboard(CSWindowTabs* tabs, const QMimeData* pasteboard, const QString& tab);
  // MIME types.
  virtual QStringList typesForDragIntoTabView(CSWindowTabs* tabs);
};

class CSWindowTabs : public QWidget {
 public:
  static constexpr double kDefaultTabWidth = 200.0;
  static constexpr double kLeftMargin = 10.0;
  static constexpr double kOverflowButtonWidth = 32.0;
  static constexpr double kOverflowButtonHeight = 19.0;
  static constexpr double kNameInset = 27.0;
  static constexpr double kDragThreshold = 3.0;
  // Names wider than the tab less this get a tool tip.
  static constexpr double kToolTipSlack = 55.0;
  // The overflow menu's title item.
  static const QString kOverflowTitle;  // "✽"

  // 0 idle; 1 pressing a close button; 2 pressing a tab that may be dragged;
  // 3 dragging a tab.
  enum DragState : int32_t { kIdle = 0, kPressingClose = 1, kPressingTab = 2, kDraggingTab = 3 };

  explicit CSWindowTabs(QWidget* parent = nullptr);
  ~CSWindowTabs() override;

  // The strip height the hosting window reserves.
  static double height();
  // The strip's background bands over the rectangle, in the colours of the
  // current appearance (the status line draws them too). `path` is unused:
  // the bands are lines across the rectangle.
  static void drawBandsInRect(QPainter* painter, const QRectF& rect, const QPainterPath* path = nullptr);
  // The padlock drawn for lock state 1 (locked) or any other (open): the
  // icon theme's, else a drawn one, 13 x 13 points at most.
  static QImage padlockImage(bool locked);

  CSWindowTabsDelegate* delegate() const { return m_delegate; }
  void setDelegate(CSWindowTabsDelegate* delegate);

  void reloadTabs();
  void reloadTabsWithoutSwitching();
  // Selects the first tab with that identifier; the delegate is not told.
  void selectTab(const QString& identifier);
  // The current tab's identifier; null when there is none.
  QString selectedTab() const;

  void layoutTabs();
  // Zero for an index out of range or a tab in the overflow menu.
  QRectF rectForTab(int64_t index) const;
  // Only x counts; later tabs win where tabs overlap. -1 outside every tab.
  int64_t tabForPoint(QPointF point) const;
  float positionForTab(int64_t index) const;
  QRectF closeButtonRect(int64_t index) const;
  void invalidateCloseButton(int64_t index);
  // Selects without telling the delegate and keeps the overflow menu's tick.
  void selectTabIndex(int64_t index);
  // The overflow menu's action: selects the item's tab and tells the delegate.
  void selectFromOverflow(QAction* item);
  void interrogateDelegate();
  // Re-measures the names for their tool tips (and lays out first when the
  // width changed).
  void updateTrackingAreas();
  // The tool tip over a point: the tab's name when it is too wide to show.
  QString toolTipForPoint(QPointF point) const;
  // The delegate's menu for the tab under the point (selecting it first);
  // null without the optional operation.
  QMenu* menuForPoint(QPointF point);

  // State, for the window and for tests.
  int64_t tabCount() const { return int64_t(m_tabDicts.size()); }
  QString identifierOfTab(int64_t index) const;
  int64_t currentTab() const { return m_currentTab; }
  int64_t firstOverflowTab() const { return m_firstOverflowTab; }
  int64_t lastLeftTab() const { return m_lastLeftTab; }
  int64_t firstRightTab() const { return m_firstRightTab; }
  double tabWidth() const { return m_tabWidth; }
  int32_t dragState() const { return m_dragState; }
  int64_t hoverTab() const { return m_hoverTab; }
  int64_t externalDragTab() const { return m_externalDragTab; }
  uint64_t dragToTab() const { return m_dragToTab; }
  QToolButton* overflowButton() const { return m_overflowButton; }
  QMenu* overflowMenu() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct TabRecord {
    QString guid;
    QString name;
    bool right = false;
    float pos = 0;  // -1 in the overflow menu
  };
  struct ToolTipArea {
    QRectF rect;
    QString name;
  };

  void performInit();
  bool answers(uint32_t operation) const;
  void mouseDown(QPointF point, int clickCount);
  void mouseDragged(QPointF point);
  void mouseUp(QPointF point);
  void mouseMoved(QPointF point);
  void mouseExited();
  void dragStep(QPointF point);
  void chooseTab(int64_t index);  // own selection, then the delegate's
  void hideCloseButton();
  bool acceptsPasteboard(const QMimeData* mime) const;
  // Answers whether the drag may drop here.
  bool draggingUpdated(const QMimeData* mime, QPointF point);
  void draggingExited();
  void setOverflowItemChecked(int64_t index, bool on);
  void placeOverflowButton();

  void drawTab(QPainter* painter, int64_t index, const QRectF& rect, bool highlighted);
  void drawCloseButtonForTab(QPainter* painter, int64_t index, const QRectF& rect);

  CSWindowTabsDelegate* m_delegate = nullptr;
  QToolButton* m_overflowButton = nullptr;
  std::vector<TabRecord> m_tabDicts;
  int64_t m_currentTab = 0;
  int64_t m_firstOverflowTab = -1;
  int64_t m_lastLeftTab = -1;
  int64_t m_firstRightTab = -1;
  double m_layoutWidth = 0;
  double m_tabWidth = kDefaultTabWidth;
  int32_t m_dragState = kIdle;
  int64_t m_hoverTab = -1;
  int64_t m_clickedTab = -1;
  int64_t m_externalDragTab = -1;
  uint64_t m_dragToTab = 0;
  double m_clickOffset = 0;
  double m_currentDragPosition = 0;
  QPointF m_startDragPoint;
  bool m_hoverOverCloseButton = false;
  bool m_highlightOn = false;
  bool m_respondsToDrag = false;
  bool m_respondsToDragIn = false;
  bool m_respondsToFlush = false;
  bool m_respondsToVisible = false;
  bool m_respondsToLocked = false;
  QStringList m_dragTypes;
  std::vector<ToolTipArea> m_toolTips;
};

// Draws the strip's bands for the status line through the editor's seam.
// Registered by InstallWindowChrome (and by the first strip made).
void RegisterTabBandPainter();
