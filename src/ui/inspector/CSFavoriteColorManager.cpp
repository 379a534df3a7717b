#include "ui/inspector/CSFavoriteColorManager.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QToolButton>

#include "platform/NotificationCenter.h"

namespace {

// The state shared by every pull-down.
struct ClassState {
  QList<Kolor> favorites;
  QString prefsKey;
  bool loaded = false;
  bool haveCopiedColor = false;
  Kolor copiedKolor = g_nilKolor;
};

ClassState& State() {
  static ClassState state;
  return state;
}

bool IsRefused(Kolor kolor) {
  return !IsVisibleKolor(kolor) || kolor == g_blackKolor || kolor == g_whiteKolor;
}

void PostFavoritesChanged() {
  NotificationCenter::defaultCenter().post(g_favoriteColorNotification);
}

// A 15-point square: white, crossed by its diagonals for an invisible
// colour, filled with a visible one, outlined in grey.
QIcon SwatchIcon(Kolor kolor, qreal pixelRatio) {
  const int side = CSFavoriteColorManager::kSwatchSide;
  QPixmap pixmap(QSize(side, side) * pixelRatio);
  pixmap.setDevicePixelRatio(pixelRatio);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  const QRectF square(0, 0, side, side);
  if (!IsVisibleKolor(kolor)) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(square.topLeft(), square.bottomRight());
    painter.drawLine(square.topRight(), square.bottomLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
  } else if (kolor != g_whiteKolor) {
    painter.fillRect(square, ColorFromKolor(kolor));
  }
  painter.setPen(QPen(QColor(Qt::gray), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(square.adjusted(0.5, 0.5, -0.5, -0.5));
  painter.end();
  return QIcon(pixmap);
}

// Only a row without a swatch gets one.
void SetMenuItemColor(QAction* item, Kolor kolor, qreal pixelRatio) {
  if (!item || !item->icon().isNull()) return;
  item->setIcon(SwatchIcon(kolor, pixelRatio));
}

}  // namespace

// ---- The class-wide list ----------------------------------------------------------------------

CSFavoriteColorManager::CSFavoriteColorManager(QObject* parent) : QObject(parent) {
  NotificationCenter::defaultCenter().addObserver(this, g_favoriteColorNotification, nullptr,
                                                  [this](const CSNotification&) { favoritesChanged(); });
}

CSFavoriteColorManager::~CSFavoriteColorManager() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void CSFavoriteColorManager::loadColors(QSettings& settings, const QString& key) {
  ClassState& state = State();
  if (state.loaded) return;
  state.loaded = true;
  state.prefsKey = key;
  // The file is outside data: take only what reads as a colour the list
  // would accept, once each, up to the limit.
  const QVariant stored = settings.value(key);
  QStringList strings;
  if (stored.typeId() == QMetaType::QVariantList) {
    for (const QVariant& entry : stored.toList()) strings << entry.toString();
  } else if (stored.canConvert<QStringList>()) {
    strings = stored.toStringList();
  }
  for (const QString& text : strings) {
    if (state.favorites.size() >= kMaximumLoadedColors) break;
    const Kolor kolor = KolorFromString(text);
    if (IsRefused(kolor) || state.favorites.contains(kolor)) continue;
    state.favorites.append(kolor);
  }
}

void CSFavoriteColorManager::saveColors(QSettings& settings) {
  const ClassState& state = State();
  if (!state.loaded || state.prefsKey.isEmpty()) return;
  if (state.favorites.isEmpty()) {
    settings.remove(state.prefsKey);
    return;
  }
  QStringList strings;
  strings.reserve(state.favorites.size());
  for (const Kolor kolor : state.favorites) strings << NewKolorString(kolor);
  settings.setValue(state.prefsKey, strings);
}

const QList<Kolor>& CSFavoriteColorManager::favoriteColors() {
  return State().favorites;
}

void CSFavoriteColorManager::addFavorite(Kolor kolor, bool atEnd) {
  if (IsRefused(kolor)) return;
  QList<Kolor>& favorites = State().favorites;
  favorites.removeOne(kolor);
  if (atEnd) {
    favorites.append(kolor);
  } else {
    favorites.prepend(kolor);
  }
  PostFavoritesChanged();
}

bool CSFavoriteColorManager::deleteFavorite(Kolor kolor) {
  if (!State().favorites.removeOne(kolor)) return false;
  PostFavoritesChanged();
  return true;
}

void CSFavoriteColorManager::install() {
  static CSFavoriteColorManager* shared = new CSFavoriteColorManager;
  SetFavoriteColorManager(shared);
}

void CSFavoriteColorManager::resetForTesting() {
  State() = ClassState();
}

int CSFavoriteColorManager::standardItemIndex(Kolor kolor) {
  if (!IsVisibleKolor(kolor)) return kRowTransparent;
  if (kolor == g_blackKolor) return kRowBlack;
  if (kolor == g_whiteKolor) return kRowWhite;
  const qsizetype index = State().favorites.indexOf(kolor);
  return index >= 0 ? kRowFirstFavorite + int(index) : kRowAdd;
}

int CSFavoriteColorManager::kolorCount() const {
  return int(State().favorites.size());
}

Kolor CSFavoriteColorManager::kolorAtIndex(int index) const {
  const QList<Kolor>& favorites = State().favorites;
  return index >= 0 && index < favorites.size() ? favorites[index] : g_nilKolor;
}

void CSFavoriteColorManager::addKolor(Kolor kolor, bool atEnd) {
  addFavorite(kolor, atEnd);
}

void CSFavoriteColorManager::deleteKolor(Kolor kolor) {
  deleteFavorite(kolor);
}

// ---- One pull-down ----------------------------------------------------------------------------

QToolButton* CSFavoriteColorManager::popupButton() const {
  return m_popupButton;
}

QMenu* CSFavoriteColorManager::menu() const {
  return m_menu;
}

QMenu* CSFavoriteColorManager::colorValueMenu() const {
  return m_valueMenu;
}

void CSFavoriteColorManager::setPopupButton(QToolButton* button) {
  if (m_popupButton || !button) return;
  m_popupButton = button;
  setupMenus();
}

void CSFavoriteColorManager::setupMenus() {
  if (m_setupComplete || !m_popupButton) return;
  m_setupComplete = true;
  m_needColors = true;
  QMenu* menu = m_popupButton->menu();
  if (!menu) {
    menu = new QMenu(m_popupButton);
    m_popupButton->setMenu(menu);
    m_popupButton->setPopupMode(QToolButton::InstantPopup);
  }
  m_menu = menu;
  menu->clear();
  m_popupButton->setText(QStringLiteral("\u2605"));

  const auto addRow = [menu](const QString& title) { return menu->addAction(title); };
  // The title row stays hidden: the button shows it.
  addRow(QStringLiteral("\u2605"))->setVisible(false);
  addRow(QStringLiteral("Add to Favorites"));
  addRow(QStringLiteral("Delete From Favorites"));
  QAction* valueRow = addRow(QStringLiteral("Color Value"));
  menu->addSeparator();
  addRow(QStringLiteral("Copy Color"));
  addRow(QStringLiteral("Paste Color"));
  menu->addSeparator();
  addRow(QStringLiteral("Black"));
  addRow(QStringLiteral("White"));
  addRow(QStringLiteral("Transparent"));
  addRow(QStringLiteral("Default"));

  auto* values = new QMenu(QStringLiteral("Color Value"), menu);
  // The three rows only show the colour as text; choosing one does nothing.
  for (int row = 0; row < 3; ++row) values->addAction(QString());
  valueRow->setMenu(values);
  m_valueMenu = values;

  connect(menu, &QMenu::aboutToShow, this, [this] { menuWillOpen(m_menu); });
  connect(values, &QMenu::aboutToShow, this, [this] { menuWillOpen(m_valueMenu); });
  connect(menu, &QMenu::triggered, this, [this](QAction* item) {
    if (!m_menu) return;
    const qsizetype row = m_menu->actions().indexOf(item);
    if (row >= 0) handleColorCommand(int(row));
  });
}

Kolor CSFavoriteColorManager::currentKolor() const {
  return m_delegate ? m_delegate->kolorForPopup(m_popupButton) : g_nilKolor;
}

Kolor CSFavoriteColorManager::defaultKolor() const {
  return m_delegate ? m_delegate->defaultKolorForPopup(m_popupButton) : g_nilKolor;
}

void CSFavoriteColorManager::menuWillOpen(QMenu* menu) {
  if (!menu) return;
  const qreal ratio = m_popupButton ? m_popupButton->devicePixelRatioF() : 1.0;
  if (menu == m_menu) {
    if (m_needColors) {
      setupFavoriteColors();
      m_needColors = false;
    }
    const QList<QAction*> rows = m_menu->actions();
    QAction* copyRow = rows.value(kRowCopy);
    QAction* pasteRow = rows.value(kRowPaste);
    if (copyRow) copyRow->setIcon(QIcon());
    if (pasteRow) pasteRow->setIcon(QIcon());
    SetMenuItemColor(copyRow, currentKolor(), ratio);
    const ClassState& state = State();
    SetMenuItemColor(pasteRow, state.haveCopiedColor ? state.copiedKolor : defaultKolor(), ratio);
  } else if (menu == m_valueMenu) {
    const Kolor kolor = currentKolor();
    const QList<QAction*> rows = m_valueMenu->actions();
    for (int style = 1; style <= 3 && style <= rows.size(); ++style) {
      rows[style - 1]->setText(ColorDisplayString(kolor, style, QString()));
    }
  }
}

void CSFavoriteColorManager::setupFavoriteColors() {
  if (!m_menu) return;
  const qreal ratio = m_popupButton ? m_popupButton->devicePixelRatioF() : 1.0;
  QList<QAction*> rows = m_menu->actions();
  for (qsizetype row = rows.size() - 1; row > kRowDefault; --row) {
    m_menu->removeAction(rows[row]);
    delete rows[row];
  }
  rows = m_menu->actions();
  SetMenuItemColor(rows.value(kRowBlack), g_blackKolor, ratio);
  SetMenuItemColor(rows.value(kRowWhite), g_whiteKolor, ratio);
  SetMenuItemColor(rows.value(kRowTransparent), g_transparentKolor, ratio);
  SetMenuItemColor(rows.value(kRowDefault), defaultKolor(), ratio);
  const QList<Kolor>& favorites = State().favorites;
  if (favorites.isEmpty()) return;
  m_menu->addSeparator();
  for (const Kolor kolor : favorites) {
    QAction* row = m_menu->addAction(ColorDisplayString(kolor, 1));
    SetMenuItemColor(row, kolor, ratio);
  }
}

void CSFavoriteColorManager::handleColorCommand(int row) {
  ClassState& state = State();
  Kolor chosen = g_nilKolor;
  switch (row) {
    case kRowAdd:
      addFavorite(currentKolor(), true);
      return;
    case kRowDelete:
      deleteFavorite(currentKolor());
      return;
    case kRowCopy:
      state.copiedKolor = currentKolor();
      state.haveCopiedColor = true;
      m_needColors = true;
      return;
    case kRowPaste:
      if (!state.haveCopiedColor) {
        state.copiedKolor = defaultKolor();
        state.haveCopiedColor = true;
      }
      chosen = state.copiedKolor;
      break;
    case kRowBlack:
      chosen = g_blackKolor;
      break;
    case kRowWhite:
      chosen = g_whiteKolor;
      break;
    case kRowTransparent:
      chosen = g_nilKolor;
      break;
    case kRowDefault:
      chosen = defaultKolor();
      break;
    default:
      if (row < kRowFirstFavorite) return;
      if (row - kRowFirstFavorite >= state.favorites.size()) return;
      chosen = state.favorites[row - kRowFirstFavorite];
      break;
  }
  if (m_delegate) m_delegate->changeKolor(chosen, m_popupButton);
}
