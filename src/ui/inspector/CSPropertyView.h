#pragma once
// The inspector: a stack of collapsible levels, one pane per level, each
// under a 20-point header with a disclosure triangle and a title. The view
// knows nothing of what a pane shows; its delegate says how many levels
// there are, makes their panes and is told when the user opens or closes
// one. It rebuilds every pane on "cs.reloadProperties" of its window and
// lays them out again on "cs.repositionProperties".
//
// Inside a scroll area the view sizes itself to its panes; on its own it
// fills its frame and stretches the last open level to the bottom.

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/inspector/CSDisclosureCell.h"

class CSPropertyViewDelegate;
class QAbstractScrollArea;
class QVariantAnimation;

// "cs.repositionProperties" (object: the window): a pane changed its height.
extern const QString g_repositionPropertiesNotification;
class CSPropertyView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kHeaderHeight = 20;
  // Room below the last level for the closing double line.
  static constexpr double kBottomMargin = 4;

  struct Level {
    QPointer<QWidget> pane;  // owned by the view
    QString name;
    double height = 0;  // the pane's full height
    bool opened = false;
    bool stayOpen = false;
  };

  explicit CSPropertyView(QWidget* parent = nullptr);
  ~CSPropertyView() override;

  CSPropertyViewDelegate* delegate() const { return m_delegate; }
  void setDelegate(CSPropertyViewDelegate* delegate) { m_delegate = delegate; }  // not owned

  // ---- Levels ----
  // Throws every pane away and asks the delegate for new ones. A rebuild
  // asked for while one runs is ignored. The old panes are hidden at once
  // and deleted when the event loop next runs, so a pane whose own handler
  // caused the rebuild returns safely.
  void reloadProperties();
  // Lays the panes out again after one of them changed its height.
  void repositionSubviews();
  int levelCount() const { return int(m_levels.size()); }
  const Level* level(int index) const;
  QWidget* paneForLevel(int index) const;
  bool isLevelOpen(int index) const;
  // Opens a closed level or closes an open one, animated (ten times slower
  // when `slowly`). Nothing happens for a level that does not exist or
  // while another level is animating.
  void toggleLevelOpen(int index, bool slowly = false);
  // The level whose header holds the point (its rectangle in `headerRect`),
  // or -1 on no header or on that of a level that stays open.
  int levelForPoint(QPointF point, QRectF* headerRect = nullptr) const;

  // ---- Geometry ----
  // Inside a scroll area its width less a vertical scroll bar by its
  // visible height; otherwise the view's own size.
  QSizeF workingSize() const;
  // Whether the view fills its frame (it is not inside a scroll area).
  bool stretchesLastView() const;
  // Gives the last level, when open, the height left below its top (never
  // less than none).
  void stretchLastView();
  // Seconds a level of that height takes to open or close.
  static double disclosureDuration(double height, bool slowly);
  bool isAnimating() const;
  // The open fraction of the level animating, -1 when none.
  double animationPosition() const { return m_animationPosition; }
  // One animation step: the animated level shown at `progress` of its way.
  void setDisclosurePosition(double progress);

  // ---- Editing ----
  // Escape: the text field or table holding the focus inside the view
  // forgets what was typed and shows its value again.
  void cancelOperation();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAbstractScrollArea* enclosingScrollArea() const;
  void observeWindow();
  void retirePanes();
  void finishToggle();
  void stopAnimation();
  void layoutAnimatedLevels();
  // The height the level takes now (0 when closed).
  double visibleHeight(int index) const;
  double contentBottom() const;
  void redrawHeaderBand();

  QPointer<QWidget> m_observedWindow;
  CSPropertyViewDelegate* m_delegate = nullptr;
  std::vector<Level> m_levels;
  CSDisclosureCell m_disclosureCell;
  QVariantAnimation* m_animation = nullptr;
  QPointer<QWidget> m_filteredViewport;  // of the enclosing scroll area
  bool m_initialized = false;
  bool m_drawTopLine = true;
  bool m_reloadingProps = false;
  bool m_missedReload = false;
  bool m_isPressed = false;
  bool m_animatedWasOpen = false;
  int m_pressedLevel = -1;
  double m_topOfPressedHeader = 0;
  double m_animationPosition = -1;
};
