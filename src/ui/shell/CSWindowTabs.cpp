#include "ui/shell/CSWindowTabs.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QIcon>
#include <QLineF>
#include <QLinearGradient>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <optional>

#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/Kolor.h"
#include "ui/editor/DRTabBandPainter.h"
#include "ui/shell/FlippedArc.h"

const QString CSWindowTabs::kOverflowTitle = QStringLiteral("\u273D");

// ---- Delegate defaults -------------------------------------------------------

QMenu* CSWindowTabsDelegate::tabViewContextMenuForTab(CSWindowTabs*, const QString&) {
  return nullptr;
}
void CSWindowTabsDelegate::tabViewDoubleClickedTab(CSWindowTabs*, const QString&) {}
uint8_t CSWindowTabsDelegate::tabViewIsTabLocked(CSWindowTabs*, const QString&) {
  return 0;
}
bool CSWindowTabsDelegate::tabViewIsTabFlushRight(CSWindowTabs*, const QString&) {
  return false;
}
bool CSWindowTabsDelegate::tabViewIsTabVisible(CSWindowTabs*, const QString&) {
  return true;
}
double CSWindowTabsDelegate::tabWidthInTabView(CSWindowTabs*) {
  return CSWindowTabs::kDefaultTabWidth;
}
bool CSWindowTabsDelegate::canDragTabsInTabView(CSWindowTabs*) {
  return false;
}
void CSWindowTabsDelegate::tabViewDidDragTab(CSWindowTabs*, const QString&, uint64_t) {}
bool CSWindowTabsDelegate::tabViewCanDragPasteboard(CSWindowTabs*, const QMimeData*, const QString&) {
  return false;
}
bool CSWindowTabsDelegate::tabViewDidDragPasteboard(CSWindowTabs*, const QMimeData*, const QString&) {
  return false;
}
QStringList CSWindowTabsDelegate::typesForDragIntoTabView(CSWindowTabs*) {
  return {};
}

// ---- Shared look ---------------------------------------------------------------

namespace {

constexpr double kStripHeight = 23.0;
constexpr double kCloseButtonInset = 6.0;
constexpr double kCloseButtonTop = 5.0;
constexpr double kCloseButtonSize = 13.0;
constexpr double kPadlockInset = 19.0;
constexpr int kTrackingDelayMs = 500;

// The colours of every strip, made for one appearance; the fonts are made
// once.
struct TabLook {
  bool madeColors = false;
  bool dark = false;
  QColor outline;
  QColor lightBand;
  QColor highlightBand;
  QColor tabFace;
  QFont font;
  QFont boldFont;
  double lineHeight = 0;
};

const TabLook& Look() {
  static TabLook look = [] {
    TabLook made;
    made.font = SystemFont(SmallSystemFontSize());
    made.boldFont = made.font;
    made.boldFont.setBold(true);
    made.lineHeight = QFontMetricsF(made.font).height();
    return made;
  }();
  if (!look.madeColors || look.dark != g_darkMode) {
    look.dark = g_darkMode;
    look.madeColors = true;
    look.outline = ColorFromKolor(0x646E6E6E);
    look.lightBand = ColorFromKolor(look.dark ? 0x64616061 : 0x64C3C1C3);
    look.highlightBand = ColorFromKolor(look.dark ? 0x646A6A6A : 0x64D4D4D4);
    look.tabFace = ColorFromKolor(look.dark ? 0x643C3C3C : 0x64A4A4A4);
  }
  return look;
}

QColor NameColor() {
  if (!g_darkMode) return GrayColor(6);
  const QPalette palette =
      qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette() : QPalette();
  return palette.color(QPalette::Active, QPalette::WindowText);
}

void DrawShadow(QPainter* painter, const QRectF& rect, bool fromRight) {
  // Darkest at the tab's edge, fading away from it.
  QLinearGradient gradient(fromRight ? rect.right() : rect.left(), 0, fromRight ? rect.left() : rect.right(), 0);
  gradient.setColorAt(0.0, ColorFromKolor(0x0A000000));
  gradient.setColorAt(0.25, ColorFromKolor(0x05000000));
  gradient.setColorAt(1.0, QColor(0, 0, 0, 0));
  painter->fillRect(rect, gradient);
}

QPen LinePen(const QColor& color) {
  return QPen(color, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

// The tab hangs from the top band: flared top corners, rounded bottom ones.
QPainterPath TabShape(double x, double width, double height) {
  QPainterPath path;
  path.moveTo(x - 3.5, 1.0);
  AppendFlippedArc(path, QPointF(x - 3.5, 5.0), 4, 270, 0, false);
  AppendFlippedArc(path, QPointF(x + 4.5, height - 5.5), 4, 180, 90, true);
  AppendFlippedArc(path, QPointF(x + width - 3.5, height - 5.5), 4, 90, 0, true);
  AppendFlippedArc(path, QPointF(x + width + 4.5, 5.0), 4, 180, 270, false);
  path.closeSubpath();
  return path;
}

QPainterPath TabEdge(double x, double width, double height, bool leftSlope, bool leftEdge) {
  const double x0 = (leftEdge ? x : x + width) - 3.5;
  QPainterPath path;
  if (leftSlope) {
    path.moveTo(x0, 1.5);
    AppendFlippedArc(path, QPointF(x0, 5.5), 4, 270, 0, false);
    AppendFlippedArc(path, QPointF(x0 + 8, height - 4.5), 4, 180, 90, true);
  } else {
    path.moveTo(x0, height - 0.5);
    AppendFlippedArc(path, QPointF(x0, height - 4.5), 4, 90, 0, true);
    AppendFlippedArc(path, QPointF(x0 + 8, 5.5), 4, 180, 270, false);
  }
  return path;
}

QImage DrawnPadlock(bool locked) {
  QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink = GrayColor(5);
  painter.fillRect(QRectF(2, 6, 9, 6), ink);
  // An open padlock's shackle is raised and its right leg stays out of the
  // body.
  const double top = locked ? 4.0 : 2.5;
  QPainterPath shackle;
  shackle.moveTo(4, 6);
  shackle.lineTo(4, top);
  AppendFlippedArc(shackle, QPointF(6.5, top), 2.5, 180, 0, false);
  shackle.lineTo(9, locked ? 6.0 : top + 1.0);
  painter.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter.drawPath(shackle);
  return image;
}

QImage ThemePadlock(bool locked) {
  const QIcon icon =
      locked ? QIcon::fromTheme(QStringLiteral("object-locked"), QIcon::fromTheme(QStringLiteral("changes-prevent")))
             : QIcon::fromTheme(QStringLiteral("object-unlocked"), QIcon::fromTheme(QStringLiteral("changes-allow")));
  if (icon.isNull()) return QImage();
  return icon.pixmap(QSize(13, 13)).toImage();
}

class StripBandPainter : public DRTabBandPainter {
 public:
  void drawBandsInRect(QPainter* painter, const QRectF& rect, const QPainterPath* path) override {
    CSWindowTabs::drawBandsInRect(painter, rect, path);
  }
};

StripBandPainter& SharedBandPainter() {
  static StripBandPainter painter;
  return painter;
}

}  // namespace

void RegisterTabBandPainter() {
  SetTabBandPainter(&SharedBandPainter());
}

// ---- The strip -----------------------------------------------------------------

CSWindowTabs::CSWindowTabs(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  setMouseTracking(true);
  performInit();
  // The status line draws these bands too; make sure it can.
  if (!TabBandPainter()) RegisterTabBandPainter();

  m_overflowButton = new QToolButton(this);
  m_overflowButton->setText(kOverflowTitle);
  m_overflowButton->setFont(Look().font);
  m_overflowButton->setAutoRaise(true);
  m_overflowButton->setPopupMode(QToolButton::InstantPopup);
  m_overflowButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* menu = new QMenu(m_overflowButton);
  m_overflowButton->setMenu(menu);
  QObject::connect(menu, &QMenu::triggered, this, [this](QAction* item) { selectFromOverflow(item); });
  m_overflowButton->hide();
  placeOverflowButton();
}

CSWindowTabs::~CSWindowTabs() = default;

void CSWindowTabs::performInit() {
  m_externalDragTab = -1;
  m_firstRightTab = -1;
  m_lastLeftTab = -1;
  m_firstOverflowTab = -1;
  m_clickedTab = -1;
  m_hoverTab = -1;
}

double CSWindowTabs::height() {
  return kStripHeight;
}

QMenu* CSWindowTabs::overflowMenu() const {
  return m_overflowButton->menu();
}

void CSWindowTabs::placeOverflowButton() {
  const QRectF bounds = rect();
  m_overflowButton->setGeometry(QRectF(bounds.x() + bounds.width() - kOverflowButtonWidth,
                                       bounds.y() + std::floor((bounds.height() - kOverflowButtonHeight) / 2),
                                       kOverflowButtonWidth, kOverflowButtonHeight)
                                    .toRect());
}

void CSWindowTabs::setDelegate(CSWindowTabsDelegate* delegate) {
  m_delegate = delegate;
  interrogateDelegate();
}

bool CSWindowTabs::answers(uint32_t operation) const {
  return m_delegate && (m_delegate->optionalOperations() & operation) == operation;
}

void CSWindowTabs::interrogateDelegate() {
  m_respondsToDrag = answers(CSWindowTabsDelegate::kCanDragTabs | CSWindowTabsDelegate::kDidDragTab);
  m_respondsToFlush = answers(CSWindowTabsDelegate::kIsTabFlushRight);
  m_respondsToVisible = answers(CSWindowTabsDelegate::kIsTabVisible);
  m_respondsToLocked = answers(CSWindowTabsDelegate::kIsTabLocked);
  m_respondsToDragIn = false;
  m_dragTypes.clear();
  if (answers(CSWindowTabsDelegate::kTypesForDragInto | CSWindowTabsDelegate::kCanDragPasteboard |
              CSWindowTabsDelegate::kDidDragPasteboard)) {
    const QStringList types = m_delegate->typesForDragIntoTabView(this);
    if (!types.isEmpty()) {
      m_dragTypes = types;
      m_respondsToDragIn = true;
    }
  }
  setAcceptDrops(m_respondsToDragIn);
  m_tabWidth = kDefaultTabWidth;
  if (answers(CSWindowTabsDelegate::kTabWidth)) {
    const double width = m_delegate->tabWidthInTabView(this);
    // A width of 0 or less (or none at all) would stack every tab at one
    // place and divide the drag slots by zero.
    if (width > 0 && std::isfinite(width)) m_tabWidth = width;
  }
}

QString CSWindowTabs::identifierOfTab(int64_t index) const {
  if (index < 0 || index >= tabCount()) return QString();
  return m_tabDicts[size_t(index)].guid;
}

void CSWindowTabs::reloadTabs() {
  m_tabDicts.clear();
  if (m_delegate) {
    const uint64_t count = m_delegate->numberOfTabsInTabView(this);
    for (uint64_t i = 0; i < count; ++i) {
      TabRecord record;
      record.guid = m_delegate->tabViewIdentifierOfTabAtIndex(this, i);
      if (m_respondsToVisible && !m_delegate->tabViewIsTabVisible(this, record.guid)) continue;
      record.name = m_delegate->tabViewNameOfTab(this, record.guid);
      record.right = m_respondsToFlush && m_delegate->tabViewIsTabFlushRight(this, record.guid);
      m_tabDicts.push_back(record);
    }
  }
  m_currentTab = 0;
  m_firstOverflowTab = -1;
  m_clickedTab = -1;
  m_hoverTab = -1;
  layoutTabs();
  update();
  updateTrackingAreas();
}

void CSWindowTabs::reloadTabsWithoutSwitching() {
  const int64_t previous = m_currentTab;
  reloadTabs();
  if (previous >= 0 && previous < tabCount()) selectTabIndex(previous);
}

void CSWindowTabs::selectTab(const QString& identifier) {
  if (identifier.isNull()) return;
  for (size_t i = 0; i < m_tabDicts.size(); ++i) {
    if (m_tabDicts[i].guid == identifier) {
      selectTabIndex(int64_t(i));
      return;
    }
  }
}

QString CSWindowTabs::selectedTab() const {
  return identifierOfTab(m_currentTab);
}

// ---- Layout --------------------------------------------------------------------

void CSWindowTabs::layoutTabs() {
  const double width = this->width();
  m_layoutWidth = width;
  double right = width - kLeftMargin - kOverflowButtonWidth;
  m_lastLeftTab = m_firstRightTab - 1;
  m_firstRightTab = -1;

  const int64_t count = tabCount();
  int64_t leftCount = count;
  for (int64_t i = count - 1; i >= 0 && m_tabDicts[size_t(i)].right; --i) {
    right -= m_tabWidth;
    m_tabDicts[size_t(i)].pos = float(right);
    m_firstRightTab = i;
    leftCount = i;
  }

  const bool dragging = m_dragState == kDraggingTab;
  double x = kLeftMargin;
  for (int64_t i = 0; i < leftCount; ++i) {
    if (dragging) {
      // The gap where the dragged tab will land.
      if (uint64_t(i) == m_dragToTab && i <= m_clickedTab) x += m_tabWidth;
      if (i == m_clickedTab) {
        m_lastLeftTab = i;
        continue;
      }
    }
    if (x + m_tabWidth > right) {
      if (m_firstOverflowTab == i) return;
      m_overflowButton->show();
      QMenu* menu = overflowMenu();
      menu->clear();
      // A pull-down's first item is its title, never offered as a choice.
      QAction* title = menu->addAction(kOverflowTitle);
      title->setVisible(false);
      m_firstOverflowTab = i;
      for (int64_t j = i; j < leftCount; ++j) {
        m_tabDicts[size_t(j)].pos = -1.0f;
        QAction* item = menu->addAction(m_tabDicts[size_t(j)].name);
        item->setData(QVariant::fromValue<qlonglong>(j));
        item->setCheckable(true);
        item->setChecked(j == m_currentTab);
      }
      return;
    }
    m_tabDicts[size_t(i)].pos = float(x);
    x += m_tabWidth;
    m_lastLeftTab = i;
    if (dragging && uint64_t(i) == m_dragToTab && i > m_clickedTab) x += m_tabWidth;
  }
  m_overflowButton->hide();
  m_firstOverflowTab = -1;
}

QRectF CSWindowTabs::rectForTab(int64_t index) const {
  if (index < 0 || index >= tabCount()) return QRectF();
  const float pos = m_tabDicts[size_t(index)].pos;
  if (pos < 0) return QRectF();
  return QRectF(double(pos), 0, m_tabWidth, double(QWidget::height()));
}

int64_t CSWindowTabs::tabForPoint(QPointF point) const {
  const double x = point.x();
  for (int64_t i = tabCount() - 1; i >= 0; --i) {
    const double pos = double(m_tabDicts[size_t(i)].pos);
    if (pos > 0.0 && pos <= x && x < pos + m_tabWidth) return i;
  }
  return -1;
}

float CSWindowTabs::positionForTab(int64_t index) const {
  if (index < 0 || index >= tabCount()) return 0;
  return m_tabDicts[size_t(index)].pos;
}

QRectF CSWindowTabs::closeButtonRect(int64_t index) const {
  return QRectF(double(positionForTab(index)) + kCloseButtonInset, kCloseButtonTop, kCloseButtonSize, kCloseButtonSize);
}

void CSWindowTabs::invalidateCloseButton(int64_t index) {
  update(closeButtonRect(index).toAlignedRect());
}

// ---- Selection -----------------------------------------------------------------

void CSWindowTabs::setOverflowItemChecked(int64_t index, bool on) {
  for (QAction* item : overflowMenu()->actions()) {
    if (item->data().isValid() && item->data().toLongLong() == index) {
      item->setChecked(on);
      return;
    }
  }
}

void CSWindowTabs::selectTabIndex(int64_t index) {
  if (index == m_currentTab || index < 0 || index >= tabCount()) return;
  if (m_firstOverflowTab >= 0 && m_currentTab >= m_firstOverflowTab) setOverflowItemChecked(m_currentTab, false);
  m_currentTab = index;
  m_hoverTab = -1;
  m_clickedTab = -1;
  m_hoverOverCloseButton = false;
  update();
  if (m_firstOverflowTab >= 0 && index >= m_firstOverflowTab) setOverflowItemChecked(index, true);
  // The current tab's name is measured in bold.
  updateTrackingAreas();
}

void CSWindowTabs::chooseTab(int64_t index) {
  const QString identifier = identifierOfTab(index);
  if (identifier.isNull()) return;
  selectTab(identifier);
  if (m_delegate) m_delegate->tabViewSelectTab(this, identifier);
}

void CSWindowTabs::selectFromOverflow(QAction* item) {
  if (!item || !item->data().isValid()) return;
  const qlonglong index = item->data().toLongLong();
  if (index < 0 || index >= tabCount()) return;
  chooseTab(index);
}

// ---- Drawing -------------------------------------------------------------------

void CSWindowTabs::drawBandsInRect(QPainter* painter, const QRectF& rect, const QPainterPath*) {
  if (!painter) return;
  const TabLook& look = Look();
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  const double left = rect.x();
  const double right = rect.x() + rect.width();
  const double top = rect.y();
  const double bottom = rect.y() + rect.height();
  painter->setPen(LinePen(look.lightBand));
  painter->drawLine(QLineF(left, top + 0.5, right, top + 0.5));
  painter->drawLine(QLineF(left, bottom - 1.5, right, bottom - 1.5));
  painter->setPen(LinePen(look.outline));
  painter->drawLine(QLineF(left, top + 1.5, right, top + 1.5));
  painter->drawLine(QLineF(left, bottom - 0.5, right, bottom - 0.5));
  painter->restore();
}

QImage CSWindowTabs::padlockImage(bool locked) {
  static std::optional<QImage> images[2];
  std::optional<QImage>& image = images[locked ? 1 : 0];
  if (!image) {
    QImage theme = ThemePadlock(locked);
    image = theme.isNull() ? DrawnPadlock(locked) : theme;
  }
  return *image;
}

void CSWindowTabs::paintEvent(QPaintEvent* event) {
  const TabLook& look = Look();
  if (m_layoutWidth != double(width())) layoutTabs();
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF bounds = rect();
  drawBandsInRect(&painter, bounds);
  painter.fillRect(bounds.adjusted(0, 2, 0, -2), look.tabFace);

  const QRectF dirty = event->rect();
  const bool dragging = m_dragState == kDraggingTab;
  for (int64_t i = 0; i < tabCount(); ++i) {
    const QRectF tab = rectForTab(i);
    if (tab.width() == 0 || !tab.intersects(dirty)) continue;
    if (i == m_currentTab || i == m_externalDragTab || (dragging && i == m_clickedTab)) continue;
    drawTab(&painter, i, tab, false);
  }
  if (!(dragging && m_currentTab == m_clickedTab)) {
    const QRectF tab = rectForTab(m_currentTab);
    if (tab.width() != 0) drawTab(&painter, m_currentTab, tab, true);
  }
  // On top of everything: the tab being dragged, or the drop target.
  const int64_t top = dragging ? m_clickedTab : m_externalDragTab;
  const QRectF tab = rectForTab(top);
  if (tab.width() != 0) drawTab(&painter, top, tab, true);
}

void CSWindowTabs::drawTab(QPainter* painter, int64_t index, const QRectF& rect, bool highlighted) {
  const TabLook& look = Look();
  const double x = rect.x();
  const double width = rect.width();
  const double height = rect.height();
  const bool beingDragged = m_dragState == kDraggingTab && index == m_clickedTab;

  if (highlighted) {
    const QColor fill = index == m_externalDragTab ? ColorFromKolor(g_dragRingKolor) : look.lightBand;
    painter->fillPath(TabShape(x, width, height), fill);
  }
  painter->setBrush(Qt::NoBrush);
  if (highlighted || index == m_firstRightTab) {
    DrawShadow(painter, QRectF(x - 5.0, 3.0, 5.0, height - 5.0), true);
    painter->setPen(LinePen(look.outline));
    painter->drawPath(TabEdge(x, width, height, true, true));
  }
  const bool nextIsCurrentAdjacent =
      index + 1 == m_currentTab && index + 1 < tabCount() && double(positionForTab(index + 1)) == x + width;
  if (!nextIsCurrentAdjacent) {
    DrawShadow(painter, QRectF(x + width + 1.0, 3.0, 5.0, height - 5.0), false);
    const bool leftSlope = !beingDragged && index < m_currentTab && index != m_lastLeftTab;
    painter->setPen(LinePen(look.outline));
    painter->drawPath(TabEdge(x, width, height, leftSlope, false));
  }

  const QFont& font = highlighted ? look.boldFont : look.font;
  const QRectF nameRect(x + kNameInset, std::floor((height - look.lineHeight) / 2), width - 2 * kNameInset,
                        look.lineHeight);
  if (nameRect.width() > 0) {
    const QString name =
        QFontMetricsF(font).elidedText(m_tabDicts[size_t(index)].name, Qt::ElideRight, nameRect.width());
    painter->setFont(font);
    painter->setPen(NameColor());
    painter->drawText(nameRect, Qt::AlignCenter | Qt::TextSingleLine, name);
  }

  if (highlighted) {
    painter->setPen(LinePen(look.highlightBand));
    painter->drawLine(QLineF(x + 5.0, height - 1.5, x + width - 4.0, height - 1.5));
  }
  if (index == m_hoverTab || (index == m_clickedTab && m_dragState == kPressingClose))
    drawCloseButtonForTab(painter, index, rect);

  if (m_respondsToLocked && m_delegate) {
    const uint8_t lock = m_delegate->tabViewIsTabLocked(this, m_tabDicts[size_t(index)].guid);
    if (lock != 0) {
      const QImage padlock = padlockImage(lock == 1);
      const QRectF box(x + width - kPadlockInset, kCloseButtonTop, kCloseButtonSize, kCloseButtonSize);
      QSizeF size = padlock.deviceIndependentSize();
      if (size.width() > box.width() || size.height() > box.height()) size.scale(box.size(), Qt::KeepAspectRatio);
      const QRectF target(box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2,
                          size.width(), size.height());
      painter->drawImage(target, padlock);
    }
  }
}

void CSWindowTabs::drawCloseButtonForTab(QPainter* painter, int64_t index, const QRectF& rect) {
  const TabLook& look = Look();
  const double x = rect.x();
  const bool active =
      m_hoverOverCloseButton || (index == m_clickedTab && m_dragState == kPressingClose && m_highlightOn);
  painter->fillRect(QRectF(x + 6.0, 5.0, 13.0, 13.0), active ? look.outline : GrayColor(4));
  painter->setPen(LinePen(active ? GrayColor(5) : look.outline));
  painter->drawLine(QLineF(x + 7.5, 5.5, x + 17.5, 5.5));
  painter->drawLine(QLineF(x + 18.5, 6.5, x + 18.5, 16.5));
  painter->drawLine(QLineF(x + 6.5, 6.5, x + 6.5, 16.5));
  painter->drawLine(QLineF(x + 7.5, 17.5, x + 17.5, 17.5));
  painter->setPen(LinePen(GrayColor(3)));
  painter->drawLine(QLineF(x + 9.5, 8.5, x + 15.5, 14.5));
  painter->drawLine(QLineF(x + 9.5, 14.5, x + 15.5, 8.5));
}

// ---- Tool tips -----------------------------------------------------------------

void CSWindowTabs::updateTrackingAreas() {
  if (m_layoutWidth != double(width())) {
    layoutTabs();
    update();
  }
  const TabLook& look = Look();
  m_toolTips.clear();
  for (int64_t i = tabCount() - 1; i >= 0; --i) {
    const QRectF tab = rectForTab(i);
    if (tab.width() == 0) continue;
    const QString& name = m_tabDicts[size_t(i)].name;
    const double width = QFontMetricsF(i == m_currentTab ? look.boldFont : look.font).horizontalAdvance(name);
    if (width > m_tabWidth - kToolTipSlack) m_toolTips.push_back({tab.adjusted(kNameInset, 0, -kNameInset, 0), name});
  }
}

QString CSWindowTabs::toolTipForPoint(QPointF point) const {
  for (const ToolTipArea& area : m_toolTips) {
    if (area.rect.contains(point)) return area.name;
  }
  return QString();
}

bool CSWindowTabs::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipForPoint(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      const int64_t tab = tabForPoint(help->pos());
      QToolTip::showText(help->globalPos(), text, this,
                         rectForTab(tab).adjusted(kNameInset, 0, -kNameInset, 0).toAlignedRect());
    }
    return true;
  }
  return QWidget::event(event);
}

// ---- Mouse ---------------------------------------------------------------------

void CSWindowTabs::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeOverflowButton();
  updateTrackingAreas();
}

void CSWindowTabs::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  mouseDown(event->position(), 1);
}

void CSWindowTabs::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseDoubleClickEvent(event);
    return;
  }
  mouseDown(event->position(), 2);
}

void CSWindowTabs::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton)
    mouseDragged(event->position());
  else
    mouseMoved(event->position());
}

void CSWindowTabs::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  mouseUp(event->position());
}

void CSWindowTabs::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouseExited();
}

void CSWindowTabs::hideCloseButton() {
  invalidateCloseButton(m_hoverTab);
  m_hoverTab = -1;
  m_hoverOverCloseButton = false;
}

void CSWindowTabs::mouseDown(QPointF point, int clickCount) {
  m_clickedTab = tabForPoint(point);
  if (m_clickedTab < 0) return;
  if (m_hoverTab >= 0) hideCloseButton();
  const TabRecord& record = m_tabDicts[size_t(m_clickedTab)];
  if (closeButtonRect(m_clickedTab).contains(point) && m_delegate &&
      m_delegate->tabViewCanCloseTab(this, record.guid)) {
    m_dragState = kPressingClose;
    m_highlightOn = true;
    invalidateCloseButton(m_clickedTab);
    return;
  }
  if (clickCount == 1 && m_respondsToDrag && m_lastLeftTab >= 1 && !record.right &&
      m_delegate->canDragTabsInTabView(this)) {
    // Selection waits for the mouse-up.
    m_dragToTab = uint64_t(m_clickedTab);
    m_dragState = kPressingTab;
    m_startDragPoint = point;
    m_currentDragPosition = std::floor(point.x());
    m_clickOffset = m_currentDragPosition - double(record.pos);
    return;
  }
  if (m_clickedTab == m_currentTab) {
    // A copy: the delegate may reload the tabs while it handles this.
    const QString identifier = record.guid;
    if (clickCount == 2 && answers(CSWindowTabsDelegate::kDoubleClickedTab))
      m_delegate->tabViewDoubleClickedTab(this, identifier);
  } else {
    chooseTab(m_clickedTab);
  }
  m_clickedTab = -1;
}

void CSWindowTabs::mouseDragged(QPointF point) {
  switch (m_dragState) {
    case kPressingClose: {
      const bool inside = closeButtonRect(m_clickedTab).contains(point);
      if (inside != m_highlightOn) {
        m_highlightOn = inside;
        invalidateCloseButton(m_clickedTab);
      }
      break;
    }
    case kPressingTab:
      if (QLineF(m_startDragPoint, point).length() > kDragThreshold) {
        m_dragState = kDraggingTab;
        dragStep(point);
      }
      break;
    case kDraggingTab:
      dragStep(point);
      break;
    default:
      break;
  }
}

void CSWindowTabs::dragStep(QPointF point) {
  if (m_clickedTab < 0 || m_clickedTab >= tabCount()) return;
  const double bound =
      m_firstRightTab >= 1 ? double(positionForTab(m_firstRightTab)) : double(width()) - kOverflowButtonWidth;
  double position = std::floor(point.x());
  position = std::min(position, bound - m_tabWidth + m_clickOffset);
  position = std::max(position, m_clickOffset);
  if (position == m_currentDragPosition) return;
  m_currentDragPosition = position;
  update();
  m_tabDicts[size_t(m_clickedTab)].pos = float(position - m_clickOffset);
  // Left of the first slot the whole part would be negative; the slot is
  // unsigned, so it stops at the first one.
  const double whole = std::floor((position - kLeftMargin) / m_tabWidth);
  int64_t slot = whole <= 0 ? 0 : int64_t(std::min(whole, 1e15));
  slot = std::max<int64_t>(0, std::min(m_lastLeftTab, slot));
  if (uint64_t(slot) != m_dragToTab) {
    m_dragToTab = uint64_t(slot);
    m_layoutWidth = 0;
  }
}

void CSWindowTabs::mouseUp(QPointF) {
  // The press is over before the delegate hears of it, so a reload it makes
  // lays the tabs out without a gap.
  const int32_t state = m_dragState;
  const int64_t clicked = m_clickedTab;
  const bool highlightOn = m_highlightOn;
  const uint64_t slot = m_dragToTab;
  m_dragState = kIdle;
  m_clickedTab = -1;
  m_highlightOn = false;

  if (state == kDraggingTab) {
    const QString identifier = identifierOfTab(clicked);
    if (clicked != m_currentTab) chooseTab(clicked);
    if (slot != uint64_t(clicked) && m_delegate && !identifier.isNull())
      m_delegate->tabViewDidDragTab(this, identifier, slot);
    m_layoutWidth = 0;
    update();
    QTimer::singleShot(kTrackingDelayMs, this, [this] { updateTrackingAreas(); });
  } else if (state == kPressingTab) {
    if (clicked != m_currentTab) chooseTab(clicked);
  } else if (state == kPressingClose && highlightOn) {
    invalidateCloseButton(clicked);
    const QString identifier = identifierOfTab(clicked);
    if (m_delegate && !identifier.isNull()) m_delegate->tabViewCloseTab(this, identifier);
  }
}

void CSWindowTabs::mouseMoved(QPointF point) {
  if (m_clickedTab >= 0 || !m_delegate) return;
  const int64_t tab = tabForPoint(point);
  if (tab >= 0 && m_delegate->tabViewCanCloseTab(this, m_tabDicts[size_t(tab)].guid)) {
    const bool over = closeButtonRect(tab).contains(point);
    if (tab != m_hoverTab) {
      if (m_hoverTab >= 0) invalidateCloseButton(m_hoverTab);
      invalidateCloseButton(tab);
      m_hoverTab = tab;
      m_hoverOverCloseButton = over;
    } else if (over != m_hoverOverCloseButton) {
      m_hoverOverCloseButton = over;
      invalidateCloseButton(tab);
    }
  } else if (m_hoverTab >= 0) {
    hideCloseButton();
  }
}

void CSWindowTabs::mouseExited() {
  if (m_hoverTab >= 0) {
    hideCloseButton();
  } else if (m_dragState == kPressingClose) {
    invalidateCloseButton(m_clickedTab);
    m_highlightOn = false;
  }
}

QMenu* CSWindowTabs::menuForPoint(QPointF point) {
  if (!answers(CSWindowTabsDelegate::kContextMenuForTab)) return nullptr;
  const int64_t tab = tabForPoint(point);
  if (tab >= 0 && tab != m_currentTab) chooseTab(tab);
  return m_delegate->tabViewContextMenuForTab(this, identifierOfTab(tab));
}

void CSWindowTabs::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = menuForPoint(event->pos());
  if (!menu) {
    event->ignore();
    return;
  }
  menu->popup(event->globalPos());
  event->accept();
}

// ---- Drops ---------------------------------------------------------------------

bool CSWindowTabs::acceptsPasteboard(const QMimeData* mime) const {
  if (!m_respondsToDragIn || !mime) return false;
  for (const QString& type : m_dragTypes) {
    if (mime->hasFormat(type)) return true;
  }
  return false;
}

bool CSWindowTabs::draggingUpdated(const QMimeData* mime, QPointF point) {
  const int64_t tab = acceptsPasteboard(mime) ? tabForPoint(point) : -1;
  if (tab >= 0 && m_delegate->tabViewCanDragPasteboard(this, mime, m_tabDicts[size_t(tab)].guid)) {
    if (tab != m_externalDragTab) {
      m_externalDragTab = tab;
      update();
    }
    return true;
  }
  draggingExited();
  return false;
}

void CSWindowTabs::draggingExited() {
  if (m_externalDragTab < 0) return;
  m_externalDragTab = -1;
  update();
}

void CSWindowTabs::dragEnterEvent(QDragEnterEvent* event) {
  // Entering is accepted for the delegate's types wherever it happens, so
  // that the moves over the tabs follow.
  if (!acceptsPasteboard(event->mimeData())) {
    event->ignore();
    return;
  }
  draggingUpdated(event->mimeData(), event->position());
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CSWindowTabs::dragMoveEvent(QDragMoveEvent* event) {
  if (draggingUpdated(event->mimeData(), event->position())) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void CSWindowTabs::dragLeaveEvent(QDragLeaveEvent* event) {
  draggingExited();
  event->accept();
}

void CSWindowTabs::dropEvent(QDropEvent* event) {
  const int64_t tab = acceptsPasteboard(event->mimeData()) ? tabForPoint(event->position()) : -1;
  const QString identifier = identifierOfTab(tab);
  const bool taken = tab >= 0 && m_delegate->tabViewDidDragPasteboard(this, event->mimeData(), identifier);
  draggingExited();
  if (taken) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}
