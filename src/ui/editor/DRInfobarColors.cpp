// The info bar's colour strips: the quick and favourite colours (swatch 5)
// with their paging and show and hide animation, and the drawing's recent
// colours (swatch 6).

#include <QEasingCurve>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/GraphicHelpers.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/editor/DRInfobarView.h"

namespace {

const QString kColorKey = QStringLiteral("color");

double g_animationSeconds = DRInfobarView::kFavoriteAnimationSeconds;

bool LeftButtonHeld() {
  return QGuiApplication::mouseButtons() & Qt::LeftButton;
}
bool (*g_leftMouseDragProbe)() = LeftButtonHeld;

// Half-open, as the bar's hit testing is everywhere.
bool Holds(const QRectF& area, const QPointF& point) {
  return point.x() >= area.left() && point.x() < area.right() && point.y() >= area.top() && point.y() < area.bottom();
}

QRectF Inset(const QRectF& area, double by) {
  return area.adjusted(by, by, -by, -by);
}

// Where the colour squares and scroll arrows lie, from the layout.
struct SquareGeometry {
  SquareGeometry(const std::array<QRectF, DRInfobarView::kSwatchCount>& rects, double swatchSize)
      : side(std::max(0.0, swatchSize - 8)),
        favoriteArea(Inset(rects[DRInfobarView::kSwatchFavorites], 4)),
        recentArea(Inset(rects[DRInfobarView::kSwatchRecent], 4)) {}

  double side;
  QRectF favoriteArea;
  QRectF recentArea;

  double pitch() const { return side + 3; }
  QRectF quick(int i) const { return QRectF(favoriteArea.x() + i * pitch(), favoriteArea.y(), side, side); }
  double firstFavoriteX() const { return quick(2).x() + side + 17; }
  QRectF favorite(int64_t j) const {
    return QRectF(firstFavoriteX() + double(j) * pitch(), favoriteArea.y(), side, side);
  }
  QRectF recent(int64_t j) const { return QRectF(recentArea.x() + double(j) * pitch(), recentArea.y(), side, side); }
  QRectF leftArrowArea() const {
    return QRectF(favoriteArea.x() + DRInfobarView::kQuickColorCount * pitch() + 3, favoriteArea.y(), 8, side);
  }
  QRectF rightArrowArea() const { return QRectF(favoriteArea.right() - 8, favoriteArea.y(), 8, side); }
};

int64_t FavoriteCount() {
  return std::max(FavoriteColorManager().kolorCount(), 0);
}

}  // namespace

// ---- Favourite colours -------------------------------------------------------------

bool DRInfobarView::getFavoriteKolor(Kolor* kolor, int64_t index) const {
  if (index < 0 || index >= FavoriteCount() + kQuickColorCount) return false;
  Kolor found = g_nilKolor;
  switch (index) {
    case 0:
      found = g_blackKolor;
      break;
    case 1:
      found = g_whiteKolor;
      break;
    case 2:
      found = g_nilKolor;
      break;
    default:
      found = FavoriteColorManager().kolorAtIndex(int(index - kQuickColorCount));
      break;
  }
  if (kolor) *kolor = found;
  return true;
}

void DRInfobarView::favoritesChanged() {
  m_firstFavoriteIndex = 0;
  invalidateSwatch(kSwatchFavorites);
}

void DRInfobarView::addToFavorites() {
  const Kolor kolor = contextKolor();
  if (!IsValidKolor(kolor)) return;
  m_firstFavoriteIndex = 0;
  FavoriteColorManager().addKolor(kolor, false);
}

void DRInfobarView::deleteFavorite() {
  FavoriteColorManager().deleteKolor(contextKolor());
}

// ---- Drawing -----------------------------------------------------------------------

void DRInfobarView::drawColorSquares(QPainter& painter, QPainterPath* outline,
                                     const std::array<QRectF, kSwatchCount>& rects, double size, int64_t favoriteCount,
                                     int64_t recentCount) {
  const SquareGeometry squares(rects, size);
  for (int i = 0; i < kQuickColorCount; ++i) outline->addRect(Inset(squares.quick(i), 0.5));
  for (int64_t j = 0; j < favoriteCount; ++j) outline->addRect(Inset(squares.favorite(j), 0.5));
  for (int64_t j = 0; j < recentCount; ++j) outline->addRect(Inset(squares.recent(j), 0.5));

  auto erase = [&](const QRectF& area) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area, Qt::white);
    painter.restore();
  };
  auto triangle = [&](const QPointF& a, const QPointF& b, const QPointF& c, bool running) {
    QPainterPath path(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    painter.fillPath(path, ColorFromKolor(running ? g_blackKolor : g_darkGrayKolor));
  };

  painter.fillRect(squares.quick(0), Qt::black);
  erase(squares.quick(1));
  DrawNoColorCross(outline, squares.quick(2));

  if (favoriteCount > 0) {
    const double top = squares.favoriteArea.y();
    const double side = squares.side;
    const int64_t favorites = FavoriteCount();
    if (m_firstFavoriteIndex > 0) {
      const double tipX = squares.quick(2).x() + side + 6;
      const double baseX = squares.quick(2).x() + side + 14;
      triangle(QPointF(tipX, top + side / 2), QPointF(baseX, top + 4), QPointF(baseX, top + side - 4),
               m_scrollingFavorites && m_scrollingFavoritesLeft);
    }
    if (favorites > int64_t(m_firstFavoriteIndex) + favoriteCount) {
      const double baseX = squares.firstFavoriteX() + double(favoriteCount) * squares.pitch();
      triangle(QPointF(baseX, top + 4), QPointF(baseX + 8, top + side / 2), QPointF(baseX, top + side - 4),
               m_scrollingFavorites && !m_scrollingFavoritesLeft);
    }
    for (int64_t j = 0; j < favoriteCount; ++j) {
      const QRectF square = squares.favorite(j);
      erase(square);
      const int64_t index = int64_t(m_firstFavoriteIndex) + j;
      if (index < favorites) painter.fillRect(square, ColorFromKolor(FavoriteColorManager().kolorAtIndex(int(index))));
    }
  }

  const QList<Kolor>* recents = m_drawing ? &m_drawing->recentColors() : nullptr;
  for (int64_t j = 0; j < recentCount; ++j) {
    const QRectF square = squares.recent(j);
    erase(square);
    if (recents && j < recents->size()) painter.fillRect(square, ColorFromKolor((*recents)[j]));
  }
}

void DRInfobarView::addColorTooltips(const std::array<QRectF, kSwatchCount>& rects, double size) {
  const SquareGeometry squares(rects, size);
  static const char* const kQuickTips[kQuickColorCount] = {
      "Black. Right-click for menu.",
      "White. Right-click for menu.",
      "No fill or outline. Right-click for menu.",
  };
  for (int i = 0; i < kQuickColorCount; ++i)
    m_tooltips.emplace_back(squares.quick(i), QString::fromLatin1(kQuickTips[i]));
  const double left = squares.quick(2).x() + squares.side + 11;
  const double right = squares.favoriteArea.right() - 11;
  if (right > left) {
    m_tooltips.emplace_back(QRectF(left, squares.favoriteArea.y(), right - left, squares.favoriteArea.height()),
                            QStringLiteral("Favorite colors. Right-click for menu."));
  }
  if (!rects[kSwatchRecent].isEmpty())
    m_tooltips.emplace_back(squares.recentArea, QStringLiteral("Recent colors. Right-click for menu."));
}

// ---- Hit testing -------------------------------------------------------------------

int DRInfobarView::swatchIndexForPoint(const QPointF& point, int64_t* colorIndex) const {
  if (colorIndex) *colorIndex = kNoColorIndex;
  std::array<QRectF, kSwatchCount> rects;
  int64_t favoriteCount = 0, recentCount = 0;
  const double size = swatchSizeAndRects(&rects, &favoriteCount, &recentCount);
  for (int swatch = 0; swatch < kSwatchCount; ++swatch) {
    if (rects[size_t(swatch)].isEmpty() || !Holds(rects[size_t(swatch)], point)) continue;
    const SquareGeometry squares(rects, size);
    int64_t found = kNoColorIndex;
    if (swatch == kSwatchFavorites) {
      for (int i = 0; i < kQuickColorCount && found < 0; ++i) {
        if (Holds(Inset(squares.quick(i), 0.5), point)) found = i;
      }
      const int64_t shown = std::min(favoriteCount, FavoriteCount());
      for (int64_t j = 0; j < shown && found < 0; ++j) {
        if (Holds(Inset(squares.favorite(j), 0.5), point)) found = kQuickColorCount + j + int64_t(m_firstFavoriteIndex);
      }
    } else if (swatch == kSwatchRecent) {
      const int64_t listed = m_drawing ? m_drawing->recentColors().size() : 0;
      const int64_t shown = std::min(recentCount, listed);
      for (int64_t j = 0; j < shown && found < 0; ++j) {
        if (Holds(Inset(squares.recent(j), 0.5), point)) found = j;
      }
    }
    if (colorIndex) *colorIndex = found;
    return swatch;
  }
  return 9;
}

// ---- Clicks ------------------------------------------------------------------------

void DRInfobarView::clickFavorites(int swatch, const QPointF& point, int64_t colorIndex, bool option, bool slow) {
  const int target = option ? 0 : 3;
  if (swatch == kSwatchRecent) {
    const QList<Kolor>* recents = m_drawing ? &m_drawing->recentColors() : nullptr;
    if (recents && colorIndex >= 0 && colorIndex < recents->size()) setKolor((*recents)[colorIndex], target);
    return;
  }
  Kolor kolor = g_nilKolor;
  if (getFavoriteKolor(&kolor, colorIndex)) {
    setKolor(kolor, target);
    return;
  }
  if (EditorPrefs().favoriteColorCount() == 0) return;
  std::array<QRectF, kSwatchCount> rects;
  int64_t favoriteCount = 0;
  const double size = swatchSizeAndRects(&rects, &favoriteCount);
  const SquareGeometry squares(rects, size);
  if (Holds(squares.leftArrowArea(), point)) {
    if (m_firstFavoriteIndex != 0) scrollFavorites(true, favoriteCount, slow);
  } else if (Holds(squares.rightArrowArea(), point)) {
    if (FavoriteCount() > int64_t(m_firstFavoriteIndex) + favoriteCount) scrollFavorites(false, favoriteCount, slow);
  }
}

// ---- Paging and showing or hiding ----------------------------------------------------

void DRInfobarView::setFavoriteAnimationSeconds(double seconds) {
  g_animationSeconds = std::max(0.0, seconds);
}

double DRInfobarView::favoriteAnimationSeconds() {
  return g_animationSeconds;
}

void DRInfobarView::setLeftMouseDragProbe(bool (*probe)()) {
  g_leftMouseDragProbe = probe ? probe : LeftButtonHeld;
}

void DRInfobarView::scrollFavorites(bool left, int64_t pageSize, bool slow) {
  if (isAnimating() || m_shutDown || pageSize <= 0) return;
  m_scrollingFavorites = true;
  m_scrollingFavoritesLeft = left;
  m_startFavoriteIndex = m_firstFavoriteIndex;
  const uint64_t page = uint64_t(pageSize);
  // The first index is unsigned: a page left from near the start stops at
  // the first favourite.
  m_endFavoriteIndex =
      left ? (m_startFavoriteIndex > page ? m_startFavoriteIndex - page : 0) : m_startFavoriteIndex + page;
  QPointer<DRInfobarView> self(this);
  runFavoriteAnimation(slow);
  if (!self) return;
  m_firstFavoriteIndex = m_endFavoriteIndex;
  m_scrollingFavorites = false;
  invalidateSwatch(kSwatchFavorites);
}

void DRInfobarView::setScrollPosition(double progress) {
  const double span = double(int64_t(m_endFavoriteIndex) - int64_t(m_startFavoriteIndex));
  const int64_t offset = int64_t(std::trunc(float(span) * float(progress)));
  const int64_t value = int64_t(m_startFavoriteIndex) + offset;
  if (m_animatingHideShow) {
    DREditorPrefs& prefs = EditorPrefs();
    if (value != prefs.favoriteColorCount()) {
      prefs.setFavoriteColorCount(int(value));
      repaint();
    }
    return;
  }
  if (!m_scrollingFavorites) return;
  const uint64_t first = uint64_t(std::max<int64_t>(value, 0));
  if (first == m_firstFavoriteIndex) return;
  m_firstFavoriteIndex = first;
  std::array<QRectF, kSwatchCount> rects;
  swatchSizeAndRects(&rects);
  if (!rects[kSwatchFavorites].isEmpty()) repaint(rects[kSwatchFavorites].toAlignedRect());
}

void DRInfobarView::runFavoriteAnimation(bool slow) {
  const double seconds = g_animationSeconds * (slow ? kSlowAnimationFactor : 1.0);
  const int milliseconds = int(std::lround(seconds * 1000));
  if (milliseconds <= 0) {
    setScrollPosition(1.0);
    return;
  }
  // The animation blocks the caller as a modal loop: clicks, tab changes and
  // closing the window are guarded while it runs (isAnimating(), the tab
  // and shut-down handlers end it, and the caller checks that the bar
  // still exists).
  auto* animation = new QVariantAnimation(this);
  animation->setDuration(milliseconds);
  animation->setStartValue(0.0);
  animation->setEndValue(1.0);
  animation->setEasingCurve(QEasingCurve::InOutSine);
  QEventLoop loop;
  connect(animation, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { setScrollPosition(value.toDouble()); });
  connect(animation, &QAbstractAnimation::stateChanged, &loop, [&loop](QAbstractAnimation::State state) {
    if (state == QAbstractAnimation::Stopped) loop.quit();
  });
  QPointer<DRInfobarView> self(this);
  QPointer<QVariantAnimation> guard(animation);
  m_animation = animation;
  animation->start();
  if (animation->state() == QAbstractAnimation::Running) loop.exec();
  if (!self) return;
  m_animation = nullptr;
  if (guard) {
    guard->disconnect(this);
    delete guard.data();
  }
}

void DRInfobarView::stopFavoriteAnimation() {
  if (m_animation) m_animation->stop();
}

void DRInfobarView::showHideFavorites() {
  if (isAnimating() || m_shutDown) return;
  DREditorPrefs& prefs = EditorPrefs();
  m_animatingHideShow = true;
  m_firstFavoriteIndex = 0;
  // The direction is kept rather than read back from the counts: hiding a
  // strip that shows no favourite (a narrow window) still hides it.
  const bool hiding = prefs.favoriteColorCount() != 0;
  int64_t favoriteCount = 0;
  if (hiding) {
    swatchSizeAndRects(nullptr, &favoriteCount);
    m_startFavoriteIndex = uint64_t(favoriteCount);
    m_endFavoriteIndex = 0;
  } else {
    prefs.setFavoriteColorCount(-1);
    swatchSizeAndRects(nullptr, &favoriteCount);
    m_startFavoriteIndex = 0;
    m_endFavoriteIndex = uint64_t(favoriteCount);
  }
  QPointer<DRInfobarView> self(this);
  runFavoriteAnimation(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
  if (!self) return;
  m_animatingHideShow = false;
  EditorPrefs().setFavoriteColorCount(hiding ? 0 : -1);
  update();
  updateTrackingAreas();
}

// ---- Recent colours ----------------------------------------------------------------

void DRInfobarView::registerColor(const QVariantMap& userInfo) {
  if (!m_drawing || m_shutDown) return;
  const QVariant value = userInfo.value(kColorKey);
  // KolorValue answers black for anything but a boxed Kolor; black would be
  // ignored below, but a missing colour must not count as one.
  if (value.metaType() != QMetaType::fromType<KolorBytes>()) return;
  const Kolor kolor = KolorValue(value);
  if (!IsValidKolor(kolor) || kolor == g_blackKolor || kolor == g_whiteKolor) return;
  QList<Kolor>& recents = m_drawing->recentColors();
  recents.removeOne(kolor);
  if (!recents.isEmpty() && g_leftMouseDragProbe()) {
    recents[0] = kolor;
  } else {
    recents.prepend(kolor);
  }
  if (recents.size() > kMaxRecentColors) recents.resize(kMaxRecentColors);
  invalidateSwatch(kSwatchRecent);
}
