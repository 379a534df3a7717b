#pragma once
// The info bar of a document window: a strip along the canvas with the zoom
// pop-up, the line colour, line width, arrow (drawing tab), fill and swap
// (painting tabs) swatches, three quick colours with the user's favourites,
// and the drawing's recent colours. A click opens the colour panel or a
// swatch's menu, or applies a colour at once: to the selection under one
// merged undo step per swatch in the drawing tab, to the tool settings in a
// painting tab.
//
// DRInfobarView.cpp: layout, drawing, tooltips, hit testing, zoom pop-up and
// notifications. DRInfobarColors.cpp: quick, favourite and recent colours,
// paging and the show and hide animation. DRInfobarMenus.cpp: clicks, menus
// and colour changes.

#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <QWidget>
#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "model/DRArrow.h"
#include "support/Kolor.h"
#include "ui/editor/DRColorChangeDelegate.h"

class DRCanvasHost;
class DRContentVC;
class DRDrawing;
class DREditorContent;
class DREditorContentView;
class DREditorWindowHost;
struct DRCopiedStyle;
class QAction;
class QComboBox;
class QMenu;
class QVariantAnimation;

class DRInfobarView : public QWidget, public DRColorChangeDelegate {
  Q_OBJECT

 public:
  // The swatches the bar draws are DRSwatchIndex 0-7.
  static constexpr int kSwatchCount = 8;
  static constexpr int kSwatchFavorites = 5;
  static constexpr int kSwatchRecent = 6;
  static constexpr int kSwatchSave = 7;
  // Black, white and no colour lead the favourite strip.
  static constexpr int kQuickColorCount = 3;
  // A registered colour keeps the drawing's recent list to this many; a
  // longer list read from a file is shown from its front and left alone.
  static constexpr qsizetype kMaxRecentColors = 256;
  // Menu item tags: the show and hide item of the colour options menu, and
  // the first recent arrow of the arrow menu.
  static constexpr int kShowHideFavoritesTag = 100;
  static constexpr int kRecentArrowTagBase = 1000;
  // A page scroll and showing or hiding the favourites last this long, ten
  // times as long with Shift held.
  static constexpr double kFavoriteAnimationSeconds = 0.25;
  static constexpr double kSlowAnimationFactor = 10.0;
  // The zoom pop-up sits this far right of the palette's column; it is as
  // wide as its widest step needs ("1600%" in the interface font).
  static constexpr int kZoomPopupOffset = 6;
  // The pictures of arrows in the arrow menu, in points.
  static constexpr QSize kArrowItemImageSize{116, 22};
  // "No colour", the answer of contextKolor() off any colour.
  static constexpr int64_t kNoColorIndex = -1;
  // The bar's undo id when it holds none.
  static constexpr uint32_t kNoUndoID = 0xFFFFFFFF;

  // The actions of the bar's menu items; an item carries its action in the
  // dynamic property "infobarAction" and its tag in data().
  enum MenuAction : int {
    kActionNone = 0,
    kActionSetLineWidth,
    kActionSetArrowStyle,
    kActionSetArrowEnd,
    kActionSetArrowFill,
    kActionUseRecentArrow,
    kActionSetFillColor,
    kActionSetLineColor,
    kActionSetSwapColor,
    kActionShowColor,
    kActionAddToFavorites,
    kActionDeleteFavorite,
    kActionShowHideFavorites,
  };
  static MenuAction actionOf(const QAction* item);
  static int tagOf(const QAction* item);

  // The zoom steps of the pop-up: 21 in the drawing tab, 17 in a painting.
  static std::span<const double> zoomSteps(bool painting);

  explicit DRInfobarView(QWidget* parent = nullptr);
  ~DRInfobarView() override;

  // Loads the save-painting image once.
  static void initialize();

  // ---- Set-up ----
  void setWindowHost(DREditorWindowHost* host) { m_host = host; }
  DREditorWindowHost* windowHost() const { return m_host; }
  void setDrawing(DRDrawing* drawing) { m_drawing = drawing; }  // not owned
  DRDrawing* drawing() const { return m_drawing; }
  // The window's tool palette: only its width is read. The zoom pop-up
  // moves to the right of its column.
  void setToolbarView(QWidget* toolbar);
  QComboBox* zoomPopup() const { return m_zoomPopup; }
  QMenu* lineWidthMenu() const { return m_lineWidthMenu; }
  QMenu* arrowMenu() const { return m_arrowMenu; }
  QMenu* colorOptionsMenu() const { return m_colorOptionsMenu; }
  // Observes the window's notifications and shows the canvas's zoom.
  void awakeFromNib();
  // The object of the window's notifications: the host's window, else the
  // bar's own top-level widget.
  QObject* notificationWindow() const;

  // ---- Layout and hit testing ----
  // Fills the eight swatch rectangles (empty where a swatch is not shown)
  // and the favourite and recent counts; answers the swatch size.
  double swatchSizeAndRects(std::array<QRectF, kSwatchCount>* rects, int64_t* favoriteCount = nullptr,
                            int64_t* recentCount = nullptr) const;
  // The swatch under the point (9 for none) and, in swatches 5 and 6, the
  // colour index of the square under it; kNoColorIndex otherwise.
  int swatchIndexForPoint(const QPointF& point, int64_t* colorIndex) const;
  void invalidateSwatch(int swatch);
  // Rebuilds the tooltip areas and returns the favourites to their first
  // page.
  void updateTrackingAreas();
  // The tooltip shown at the point, empty where there is none.
  QString toolTipForPoint(const QPointF& point) const;

  // ---- Notification handlers ----
  void selectionChanged();
  void colorChanged();
  void tabChanged();
  void zoomChanged();
  void invalidateSwatchObserver(const QVariantMap& userInfo);
  void registerColor(const QVariantMap& userInfo);
  void favoritesChanged();
  // The window is closing ("twdraw.windowWillClose"): nothing is drawn or
  // changed from now on, and a running animation ends.
  void shutDown();

  // ---- Zoom pop-up ----
  // The pop-up's action: zooms the canvas to the chosen step.
  void setZoomValue();
  bool showingPaintOptions() const { return m_showingPaintOptions; }

  // ---- Favourite and recent colours ----
  // Black, white and no colour for indices 0-2, favourite index - 3 after
  // them; false below 0 and past the favourites.
  bool getFavoriteKolor(Kolor* kolor, int64_t index) const;
  uint64_t firstFavoriteIndex() const { return m_firstFavoriteIndex; }
  bool isAnimating() const { return m_scrollingFavorites || m_animatingHideShow; }
  // Runs one page scroll to its end; leftwards it stops at the first
  // favourite.
  void scrollFavorites(bool left, int64_t pageSize, bool slow);
  // One step of the running animation, progress 0 to 1.
  virtual void setScrollPosition(double progress);
  // The length of the animations; tests shorten it.
  static void setFavoriteAnimationSeconds(double seconds);
  static double favoriteAnimationSeconds();
  // Whether the event being handled is a drag with the left button held;
  // tests replace the probe (null restores the default).
  static void setLeftMouseDragProbe(bool (*probe)());

  // ---- Menus and colour changes ----
  int contextSwatchIndex() const { return m_contextSwatchIndex; }
  int64_t contextColorIndex() const { return m_contextColorIndex; }
  // The colour under the last Control-click.
  Kolor contextKolor() const;
  // DRColorChangeDelegate: applies a colour from the panel, a quick,
  // favourite or recent colour, or a context menu item to swatch 0 (line
  // and text), 3 (fill), 4 (swap) or 11 (text); other swatches do nothing.
  void setKolor(Kolor kolor, int swatch) override;
  uint32_t undoID() const { return m_undoID; }
  int undoSwatchIndex() const { return m_undoSwatchIndex; }

  bool validateMenuItem(QAction* item);
  void menuNeedsUpdate(QMenu* menu);
  void menuDidClose(QMenu* menu);
  // Runs the item's action.
  void performAction(QAction* item);
  void setItemImage(QAction* item, const DRArrow& arrow) const;

  void setLineWidth(int tag);
  void setArrowStyle(int tag);
  void setArrowEnd(int tag);
  void setArrowFill();
  void useRecentArrow(int tag);
  void setFillColor();
  void setLineColor();
  void setSwapColor();
  void showColor();
  void showHideFavorites();
  void addToFavorites();
  void deleteFavorite();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  // Shows the menu at the global position until it closes; tests replace it.
  virtual void runMenu(QMenu* menu, const QPoint& globalPosition);

 private:
  // ---- The current tab ----
  DREditorContent* currentVC() const;
  DREditorContentView* contentView() const;
  DRContentVC* contentVC() const;
  DRCanvasHost* canvas() const;
  bool inDrawView() const;
  void getCurrentStyle(DRCopiedStyle* style) const;
  Kolor currentLineKolor() const;
  Kolor currentFillKolor() const;

  // ---- Drawing ----
  void positionZoomPopup();
  void fillZoomPopup(bool painting);
  void selectZoomItem(double zoom);
  void drawColorSquares(QPainter& painter, QPainterPath* outline, const std::array<QRectF, kSwatchCount>& rects,
                        double size, int64_t favoriteCount, int64_t recentCount);
  void addColorTooltips(const std::array<QRectF, kSwatchCount>& rects, double size);

  // ---- Favourites ----
  void runFavoriteAnimation(bool slow);
  void stopFavoriteAnimation();
  void clickFavorites(int swatch, const QPointF& point, int64_t colorIndex, bool option, bool slow);

  // ---- Menus ----
  void buildMenus();
  QAction* addMenuItem(QMenu* menu, const QString& title, MenuAction action, int tag = 0);
  void popUpMenu(QMenu* menu, const QPoint& globalPosition);
  bool openUndoEntry(int swatch, int descriptor);
  void postArrowChange();

  DREditorWindowHost* m_host = nullptr;
  DRDrawing* m_drawing = nullptr;
  QPointer<QWidget> m_toolbarView;
  QComboBox* m_zoomPopup = nullptr;
  QMenu* m_lineWidthMenu = nullptr;
  QMenu* m_arrowMenu = nullptr;
  QMenu* m_colorOptionsMenu = nullptr;
  bool m_shutDown = false;

  uint32_t m_undoID = 0;
  int m_undoSwatchIndex = 9;

  uint64_t m_firstFavoriteIndex = 0;
  bool m_scrollingFavorites = false;
  bool m_scrollingFavoritesLeft = false;
  bool m_animatingHideShow = false;
  uint64_t m_startFavoriteIndex = 0;
  uint64_t m_endFavoriteIndex = 0;
  QPointer<QVariantAnimation> m_animation;

  int m_contextSwatchIndex = 9;
  int64_t m_contextColorIndex = kNoColorIndex;
  bool m_showingPaintOptions = false;

  std::vector<std::pair<QRectF, QString>> m_tooltips;
};
