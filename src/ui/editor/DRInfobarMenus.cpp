// The info bar's clicks, its three menus, and the colour, width and arrow
// changes they make to the tool settings and the selection.

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <cmath>

#include "model/DRCanvasHost.h"
#include "model/DRDrawing.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/GraphicsContext.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorAppServices.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/EditorEvents.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"

namespace {

const char kActionProperty[] = "infobarAction";

// Undo entry names of the bar's changes (the content controller names them).
constexpr int kUndoArrow = 33;
constexpr int kUndoTextColor = 27;
constexpr int kUndoFillColor = 40;
constexpr int kUndoLineColor = 42;
constexpr int kUndoLineWidth = 44;
constexpr int kUndoActionChange = 1;

// The line widths offered, in half points.
constexpr int kLineWidthTags[] = {1, 2, 3, 4, 6, 8, 10, 12, 16, 20, 24};

MeasureUnit WidthForTag(int tag) {
  return MeasureUnit(std::trunc(double(tag) * 0.5 * double(kMeasurePerPoint)));
}

// Menu items whose icon is an arrow picture are drawn with the picture at
// its own width: the styles fit item icons into a small square.
class ArrowPictureMenuStyle : public QProxyStyle {
 public:
  static bool IsPicture(const QIcon& icon) {
    if (icon.isNull()) return false;
    const QList<QSize> sizes = icon.availableSizes();
    return !sizes.isEmpty() && sizes.first().width() > 2 * sizes.first().height();
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type == CT_MenuItem && item && IsPicture(item->icon)) {
      const QSize picture = DRInfobarView::kArrowItemImageSize;
      result = result.expandedTo(QSize(picture.width() + 2 * kMargin, picture.height() + 4));
    }
    return result;
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || !IsPicture(item->icon)) {
      QProxyStyle::drawControl(element, option, painter, widget);
      return;
    }
    QStyleOptionMenuItem plain(*item);
    plain.icon = QIcon();
    plain.text.clear();
    QProxyStyle::drawControl(element, &plain, painter, widget);
    const bool enabled = item->state & State_Enabled;
    const QPixmap picture =
        item->icon.pixmap(DRInfobarView::kArrowItemImageSize, enabled ? QIcon::Normal : QIcon::Disabled);
    QRect target(QPoint(0, 0), DRInfobarView::kArrowItemImageSize);
    target.moveCenter(item->rect.center());
    target.moveLeft(item->rect.left() + kMargin);
    painter->drawPixmap(target, picture);
  }

 private:
  static constexpr int kMargin = 12;
};

}  // namespace

// ---- Menu items --------------------------------------------------------------------

DRInfobarView::MenuAction DRInfobarView::actionOf(const QAction* item) {
  if (!item) return kActionNone;
  const QVariant action = item->property(kActionProperty);
  return action.isValid() ? MenuAction(action.toInt()) : kActionNone;
}

int DRInfobarView::tagOf(const QAction* item) {
  return item ? item->data().toInt() : 0;
}

QAction* DRInfobarView::addMenuItem(QMenu* menu, const QString& title, MenuAction action, int tag) {
  QAction* item = menu->addAction(title);
  item->setProperty(kActionProperty, int(action));
  item->setData(tag);
  return item;
}

void DRInfobarView::buildMenus() {
  auto* style = new ArrowPictureMenuStyle;
  style->setParent(this);

  m_lineWidthMenu = new QMenu(this);
  m_lineWidthMenu->setObjectName(QStringLiteral("lineWidthMenu"));
  for (int tag : kLineWidthTags) {
    const QString title = QStringLiteral("%1 pt").arg(double(tag) * 0.5);
    addMenuItem(m_lineWidthMenu, title, kActionSetLineWidth, tag)->setCheckable(true);
  }

  m_arrowMenu = new QMenu(this);
  m_arrowMenu->setObjectName(QStringLiteral("arrowMenu"));
  m_arrowMenu->setStyle(style);
  for (int type = kArrowTypeBar; type <= kArrowTypeClosed; ++type)
    addMenuItem(m_arrowMenu, QString(), kActionSetArrowStyle, type);
  m_arrowMenu->addSeparator();
  addMenuItem(m_arrowMenu, QStringLiteral("No Arrows"), kActionSetArrowEnd, 0)->setCheckable(true);
  addMenuItem(m_arrowMenu, QStringLiteral("Arrow at Start"), kActionSetArrowEnd, 1)->setCheckable(true);
  addMenuItem(m_arrowMenu, QStringLiteral("Arrow at End"), kActionSetArrowEnd, 2)->setCheckable(true);
  addMenuItem(m_arrowMenu, QStringLiteral("Filled Arrows"), kActionSetArrowFill)->setCheckable(true);
  // The recent arrows follow this separator.
  m_arrowMenu->addSeparator();

  m_colorOptionsMenu = new QMenu(this);
  m_colorOptionsMenu->setObjectName(QStringLiteral("colorOptionsMenu"));
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Use as Fill Color"), kActionSetFillColor);
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Use as Line Color"), kActionSetLineColor);
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Use as Swap Color"), kActionSetSwapColor);
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Show in Color Panel"), kActionShowColor);
  m_colorOptionsMenu->addSeparator();
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Add to Favorites"), kActionAddToFavorites);
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Delete Favorite"), kActionDeleteFavorite);
  m_colorOptionsMenu->addSeparator();
  addMenuItem(m_colorOptionsMenu, QStringLiteral("Hide Favorites"), kActionShowHideFavorites, kShowHideFavoritesTag);

  for (QMenu* menu : {m_lineWidthMenu, m_arrowMenu, m_colorOptionsMenu})
    connect(menu, &QMenu::triggered, this, &DRInfobarView::performAction);
}

void DRInfobarView::setItemImage(QAction* item, const DRArrow& arrow) const {
  if (!item) return;
  const double ratio = std::max(1.0, devicePixelRatioF());
  const QSize size = kArrowItemImageSize;
  QImage image(QSize(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio))),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    GraphicsContextScope scope(&painter);
    arrow.drawSampleInRect(QRectF(QPointF(0, 0), QSizeF(size)), 8, g_blackKolor);
  }
  item->setIcon(QIcon(QPixmap::fromImage(image)));
}

// ---- The current values ------------------------------------------------------------

Kolor DRInfobarView::currentLineKolor() const {
  if (const std::optional<DRLineInfo> merged = LineInfoForSelection(canvas())) return merged->kolor();
  return DRSettings::sharedInstance().lineInfo().kolor();
}

Kolor DRInfobarView::currentFillKolor() const {
  Kolor kolor = g_nilKolor;
  if (GetFillKolorForSelection(canvas(), &kolor)) return kolor;
  return DRSettings::sharedInstance().fillKolor();
}

Kolor DRInfobarView::contextKolor() const {
  switch (m_contextSwatchIndex) {
    case 0:
      return currentLineKolor();
    case 3:
      return currentFillKolor();
    case 4:
      return DRSettings::sharedInstance().swapKolor();
    case kSwatchFavorites: {
      Kolor kolor = g_nilKolor;
      return getFavoriteKolor(&kolor, m_contextColorIndex) ? kolor : g_nilKolor;
    }
    case kSwatchRecent: {
      if (!m_drawing) return g_nilKolor;
      const QList<Kolor>& recents = m_drawing->recentColors();
      return m_contextColorIndex >= 0 && m_contextColorIndex < recents.size() ? recents[m_contextColorIndex]
                                                                              : g_nilKolor;
    }
    default:
      return g_nilKolor;
  }
}

// ---- Clicks ------------------------------------------------------------------------

void DRInfobarView::mousePressEvent(QMouseEvent* event) {
  event->accept();
  // While a page scroll or the show and hide animation runs, the bar takes
  // no clicks: they would start another animation inside this one.
  if (m_shutDown || !m_drawing || isAnimating()) return;
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
  const uint32_t flags = ModifierFlagsForEvent(event);
  const QPointF point = event->position();
  if (flags & kControlKeyMask) {
    m_contextSwatchIndex = swatchIndexForPoint(point, &m_contextColorIndex);
    popUpMenu(m_colorOptionsMenu, event->globalPosition().toPoint());
    return;
  }
  int64_t colorIndex = kNoColorIndex;
  const int swatch = swatchIndexForPoint(point, &colorIndex);
  DRSettings& settings = DRSettings::sharedInstance();
  const bool drawingTab = !m_host || m_host->currentTabGuid().isEmpty();
  switch (swatch) {
    case 0: {
      Kolor kolor = settings.lineInfo().kolor();
      if (drawingTab) {
        if (const std::optional<DRLineInfo> merged = LineInfoForSelection(canvas())) kolor = merged->kolor();
      }
      EditorAppServices().openColorPanel(0, kolor, this);
      break;
    }
    case 1:
      popUpMenu(m_lineWidthMenu, event->globalPosition().toPoint());
      break;
    case 2:
      popUpMenu(m_arrowMenu, event->globalPosition().toPoint());
      break;
    case 3: {
      Kolor kolor = g_nilKolor;
      if (!drawingTab || !GetFillKolorForSelection(canvas(), &kolor)) kolor = settings.fillKolor();
      EditorAppServices().openColorPanel(3, kolor, this);
      break;
    }
    case 4:
      EditorAppServices().openColorPanel(4, settings.swapKolor(), this);
      break;
    case kSwatchFavorites:
    case kSwatchRecent:
      clickFavorites(swatch, point, colorIndex, flags & kOptionKeyMask, flags & kShiftKeyMask);
      break;
    case kSwatchSave:
      if (DREditorContent* content = currentVC()) content->updateBimapElement();
      break;
    default:
      break;
  }
}

void DRInfobarView::mouseDoubleClickEvent(QMouseEvent* event) {
  // Each press of a double click is a click of its own.
  mousePressEvent(event);
}

// ---- Menus -------------------------------------------------------------------------

void DRInfobarView::popUpMenu(QMenu* menu, const QPoint& globalPosition) {
  if (!menu) return;
  menuNeedsUpdate(menu);
  for (QAction* item : menu->actions()) {
    if (actionOf(item) != kActionNone) item->setEnabled(validateMenuItem(item));
  }
  QPointer<DRInfobarView> self(this);
  runMenu(menu, globalPosition);
  if (self) menuDidClose(menu);
}

void DRInfobarView::runMenu(QMenu* menu, const QPoint& globalPosition) {
  menu->exec(globalPosition);
}

void DRInfobarView::menuNeedsUpdate(QMenu* menu) {
  if (menu == m_colorOptionsMenu) {
    for (QAction* item : menu->actions()) {
      if (actionOf(item) == kActionShowHideFavorites && tagOf(item) == kShowHideFavoritesTag) {
        item->setText(EditorPrefs().favoriteColorCount() != 0 ? QStringLiteral("Hide Favorites")
                                                              : QStringLiteral("Show Favorites"));
      }
    }
  } else if (menu == m_arrowMenu) {
    for (QAction* item : menu->actions()) {
      if (tagOf(item) >= kRecentArrowTagBase) {
        menu->removeAction(item);
        delete item;
      }
    }
    for (QAction* item : menu->actions()) {
      if (actionOf(item) != kActionSetArrowStyle || !item->icon().isNull()) continue;
      if (const std::optional<DRArrow> arrow = DRArrow::standardArrow(tagOf(item))) setItemImage(item, *arrow);
    }
    const QList<DRArrow>& recents = ModelServices().recentArrows();
    for (qsizetype i = 0; i < recents.size(); ++i) {
      QAction* item = addMenuItem(menu, QString(), kActionUseRecentArrow, kRecentArrowTagBase + int(i));
      setItemImage(item, recents[i]);
    }
  }
}

void DRInfobarView::menuDidClose(QMenu* menu) {
  (void)menu;
  // The canvas missed the key releases while the menu had the keyboard.
  if (DREditorContentView* view = contentView()) {
    QKeyEvent released(QEvent::KeyRelease, 0, Qt::NoModifier);
    view->flagsChanged(&released);
  }
}

bool DRInfobarView::validateMenuItem(QAction* item) {
  DRSettings& settings = DRSettings::sharedInstance();
  switch (actionOf(item)) {
    case kActionSetLineWidth: {
      const std::optional<DRLineInfo> merged = LineInfoForSelection(canvas());
      const MeasureUnit width = merged ? merged->width() : settings.lineInfo().width();
      item->setChecked(width == WidthForTag(tagOf(item)));
      return true;
    }
    case kActionSetLineColor:
      return m_contextSwatchIndex != 0 && (m_contextSwatchIndex == 3 || m_contextColorIndex >= 0) &&
             contextKolor() != currentLineKolor();
    case kActionSetFillColor:
      return (m_contextSwatchIndex == 0 || (m_contextSwatchIndex != 3 && m_contextColorIndex >= 0)) &&
             contextKolor() != currentFillKolor();
    case kActionSetArrowEnd: {
      const DRCanvasHost* host = canvas();
      std::optional<DRArrow> arrow = ArrowForSelection(host);
      if (!arrow && (!host || host->selection().empty())) arrow = settings.arrow();
      const bool onStart = arrow && arrow->onStart() != 0;
      const bool onEnd = arrow && arrow->onEnd() != 0;
      const int tag = tagOf(item);
      item->setChecked(tag == 1 ? onStart : tag == 2 ? onEnd : !onStart && !onEnd);
      return true;
    }
    case kActionSetArrowFill: {
      std::optional<DRArrow> arrow = ArrowForSelection(canvas());
      if (!arrow) arrow = settings.arrow();
      item->setChecked(arrow && arrow->fill() != 0);
      return arrow && arrow->isClosedType();
    }
    case kActionAddToFavorites: {
      const Kolor kolor = contextKolor();
      return m_contextSwatchIndex != kSwatchFavorites && IsValidKolor(kolor) && kolor != g_blackKolor &&
             kolor != g_whiteKolor;
    }
    case kActionDeleteFavorite:
      return m_contextSwatchIndex == kSwatchFavorites && m_contextColorIndex >= kQuickColorCount &&
             IsValidKolor(contextKolor());
    case kActionSetSwapColor:
      return IsPaintContent(currentVC()) && m_contextColorIndex >= 0 && m_contextSwatchIndex != 4 &&
             contextKolor() != settings.swapKolor();
    default:
      return true;
  }
}

void DRInfobarView::performAction(QAction* item) {
  const int tag = tagOf(item);
  switch (actionOf(item)) {
    case kActionSetLineWidth:
      setLineWidth(tag);
      break;
    case kActionSetArrowStyle:
      setArrowStyle(tag);
      break;
    case kActionSetArrowEnd:
      setArrowEnd(tag);
      break;
    case kActionSetArrowFill:
      setArrowFill();
      break;
    case kActionUseRecentArrow:
      useRecentArrow(tag);
      break;
    case kActionSetFillColor:
      setFillColor();
      break;
    case kActionSetLineColor:
      setLineColor();
      break;
    case kActionSetSwapColor:
      setSwapColor();
      break;
    case kActionShowColor:
      showColor();
      break;
    case kActionAddToFavorites:
      addToFavorites();
      break;
    case kActionDeleteFavorite:
      deleteFavorite();
      break;
    case kActionShowHideFavorites:
      showHideFavorites();
      break;
    case kActionNone:
      break;
  }
}

// ---- Undo entries ------------------------------------------------------------------

bool DRInfobarView::openUndoEntry(int swatch, int descriptor) {
  DRContentVC* controller = contentVC();
  if (!controller) return false;
  // Changes of one swatch merge into one step while nothing else opened an
  // entry in between.
  if (m_undoSwatchIndex != swatch || !controller->isUndoIDCurrent(m_undoID)) {
    m_undoID = controller->newUndoID();
    m_undoSwatchIndex = swatch;
  }
  return controller->setUndoID(m_undoID, kUndoActionChange, descriptor);
}

void DRInfobarView::postArrowChange() {
  EnqueueSelectionChange(notificationWindow(), g_arrowChangeNotification);
}

// ---- Colour changes ----------------------------------------------------------------

void DRInfobarView::setKolor(Kolor kolor, int swatch) {
  if (m_shutDown) return;
  if (swatch != 0 && swatch != 3 && swatch != 4 && swatch != 11) return;
  DRSettings& settings = DRSettings::sharedInstance();
  QObject* window = notificationWindow();
  const bool painting = IsPlainPaintContent(currentVC());
  switch (swatch) {
    case 0:
      settings.lineInfo().setKolor(kolor);
      settings.textInfo().setTextKolor(kolor);
      if (painting) {
        settings.setFillKolor(kolor);
        invalidateSwatch(3);
        invalidateSwatch(0);
      } else if (openUndoEntry(0, kUndoLineColor)) {
        ChangeSelectionColor(window, g_textKolorKeyPath, QString(), 11, kolor);
        ChangeSelectionColor(window, g_lineKolorKeyPath, QString(), 0, kolor);
      }
      break;
    case 3:
      settings.setFillKolor(kolor);
      if (painting) {
        settings.lineInfo().setKolor(kolor);
        settings.textInfo().setTextKolor(kolor);
        invalidateSwatch(0);
        invalidateSwatch(3);
      } else if (openUndoEntry(3, kUndoFillColor)) {
        ChangeSelectionObject(window, g_gradientKeyPath, QString(), QVariant());
        ChangeSelectionColor(window, g_fillKolorKeyPath, QString(), 3, kolor);
      }
      break;
    case 4:
      settings.setSwapKolor(kolor);
      if (painting) {
        invalidateSwatch(4);
      } else {
        ChangeSelectionColor(window, QStringLiteral("swapKolor"), QString(), 4, kolor);
      }
      break;
    case 11:
      settings.textInfo().setTextKolor(kolor);
      if (!painting && openUndoEntry(11, kUndoTextColor))
        ChangeSelectionColor(window, g_textKolorKeyPath, QString(), 11, kolor);
      break;
  }
  if (painting)
    NotificationCenter::defaultCenter().post(g_settingsChangeNotification, window,
                                             {{g_settingsChangeSwatchKey, swatch}});
}

void DRInfobarView::setFillColor() {
  NotificationCenter::defaultCenter().post(g_normalizeNotification);
  setKolor(contextKolor(), 3);
}

void DRInfobarView::setLineColor() {
  NotificationCenter::defaultCenter().post(g_normalizeNotification);
  setKolor(contextKolor(), 0);
}

void DRInfobarView::setSwapColor() {
  setKolor(contextKolor(), 4);
}

void DRInfobarView::showColor() {
  const int swatch = m_contextSwatchIndex == 0 ? 0 : m_contextSwatchIndex == 4 ? 4 : 3;
  EditorAppServices().openColorPanel(swatch, contextKolor(), this);
}

// ---- Line width and arrows ---------------------------------------------------------

void DRInfobarView::setLineWidth(int tag) {
  const MeasureUnit width = WidthForTag(tag);
  DRSettings::sharedInstance().lineInfo().setWidth(width);
  if (IsPlainPaintContent(currentVC())) {
    invalidateSwatch(1);
    return;
  }
  if (openUndoEntry(1, kUndoLineWidth))
    ChangeSelectionMeasure(notificationWindow(), QStringLiteral("lineInfo.width"), QString(), 1, width);
}

void DRInfobarView::setArrowStyle(int tag) {
  const std::optional<DRArrow> arrow = DRArrow::standardArrow(tag);
  if (!arrow) return;
  DRSettings::sharedInstance().setArrow(arrow);
  if (!openUndoEntry(2, kUndoArrow)) return;
  ChangeSelectionObject(notificationWindow(), g_arrowSubObject, QString(), QVariant::fromValue(*arrow));
  postArrowChange();
}

void DRInfobarView::setArrowEnd(int tag) {
  DRSettings& settings = DRSettings::sharedInstance();
  DRCopiedStyle style;
  getCurrentStyle(&style);
  QObject* window = notificationWindow();
  if (tag == 1 || tag == 2) {
    const bool start = tag == 1;
    bool on = false;
    if (style.arrow) {
      on = (start ? style.arrow->onStart() : style.arrow->onEnd()) == 0;
    } else {
      on = !(start ? settings.arrowOnStart() : settings.arrowOnEnd());
    }
    if (start) {
      settings.setArrowOnStart(on);
    } else {
      settings.setArrowOnEnd(on);
    }
    if (!openUndoEntry(2, kUndoArrow)) return;
    ChangeSelectionBool(window, start ? g_arrowOnStartKeyPath : g_arrowOnEndKeyPath, QString(), on);
  } else {
    settings.setArrow(std::nullopt);
    if (!openUndoEntry(2, kUndoArrow)) return;
    ChangeSelectionObject(window, g_arrowSubObject, QString(), QVariant());
  }
  postArrowChange();
}

void DRInfobarView::setArrowFill() {
  DRSettings& settings = DRSettings::sharedInstance();
  DRCopiedStyle style;
  getCurrentStyle(&style);
  const bool fill = style.arrow ? style.arrow->fill() == 0 : !settings.fillArrow();
  settings.setFillArrow(fill);
  if (!openUndoEntry(2, kUndoArrow)) return;
  ChangeSelectionBool(notificationWindow(), g_arrowFillKeyPath, QString(), fill);
  postArrowChange();
}

void DRInfobarView::useRecentArrow(int tag) {
  QList<DRArrow>& recents = ModelServices().recentArrows();
  const int64_t index = int64_t(tag) - kRecentArrowTagBase;
  if (index < 0 || index >= recents.size()) return;
  const DRArrow arrow = recents[index];  // a copy: the list moves it to the front
  DRSettings::sharedInstance().setArrow(arrow);
  AddArrowToList(arrow);
  if (!openUndoEntry(2, kUndoArrow)) return;
  ChangeSelectionObject(notificationWindow(), g_arrowSubObject, QString(), QVariant::fromValue(arrow));
  postArrowChange();
}
