// The info bar: layout, drawing, tooltips, the zoom pop-up and the
// notifications it follows.

#include "ui/editor/DRInfobarView.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QToolTip>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

#include "model/DRArrow.h"
#include "model/DRDrawing.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/GraphicHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/ImageFunctions.h"
#include "support/Measure.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/editor/ZoomSteps.h"

namespace {

// The notifications the bar follows beyond the shared ones.
const QString kEyedropperNotification = QStringLiteral("twdraw.eyedropper");
const QString kFavoriteCountNotification = QStringLiteral("twdraw.favoriteCount");
const QString kInfoBarNotification = QStringLiteral("twdraw.infoBar");
const QString kRegisterColorNotification = QStringLiteral("twdraw.registerColor");
const QString kRegisterAltColorNotification = QStringLiteral("twdraw.registerAltColor");

const char* const kTooltips[DRInfobarView::kSwatchCount] = {
    "Line and text color. Right-click for menu",
    "Line width",
    "Arrow options",
    "Fill color. Right-click for menu",
    "Swap color. Right-click for menu",
    "Favorite colors. Right-click for menu.",
    "Recent colors. Right-click for menu.",
    "Save painting changes back to the drawing.",
};

constexpr Kolor kStripKolor = 0x64F4F4F4;
constexpr Kolor kNoArrowKolor = 0x64C0C0C0;

// Zoom percentages are whole numbers; the small allowance keeps a step such
// as 0.29 (28.999... in binary) from falling to the number below.
int ZoomTag(double zoom) {
  return int(std::floor(zoom * 100.0 + 1e-9));
}

CSImage& SaveToolImage() {
  static CSImage image;
  return image;
}
bool g_initialized = false;

}  // namespace

// ---- Class set-up ----------------------------------------------------------------

void DRInfobarView::initialize() {
  if (g_initialized) return;
  g_initialized = true;
  SetupEditorResources();
  SaveToolImage() = ImageNamed(QStringLiteral("ToolSave"));
}

std::span<const double> DRInfobarView::zoomSteps(bool painting) {
  if (painting) return g_paintZoomValues;
  return g_drawZoomValues;
}

DRInfobarView::DRInfobarView(QWidget* parent) : QWidget(parent) {
  initialize();
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  // Right-button presses come to mousePressEvent as Control-clicks.
  setContextMenuPolicy(Qt::PreventContextMenu);
  m_zoomPopup = new QComboBox(this);
  m_zoomPopup->setObjectName(QStringLiteral("zoomPopup"));
  m_zoomPopup->setFocusPolicy(Qt::NoFocus);
  // The size hint then measures every item, not the first one shown.
  m_zoomPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  fillZoomPopup(false);
  connect(m_zoomPopup, &QComboBox::activated, this, [this](int) { setZoomValue(); });
  positionZoomPopup();
  buildMenus();
}

DRInfobarView::~DRInfobarView() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRInfobarView::setToolbarView(QWidget* toolbar) {
  m_toolbarView = toolbar;
  positionZoomPopup();
}

QObject* DRInfobarView::notificationWindow() const {
  if (m_host) {
    if (QObject* window = m_host->window()) return window;
  }
  return window();
}

void DRInfobarView::awakeFromNib() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  QObject* window = notificationWindow();
  center.addObserver(this, g_selectionChangeNotification, window,
                     [this](const CSNotification&) { selectionChanged(); });
  center.addObserver(this, kEyedropperNotification, nullptr, [this](const CSNotification&) { colorChanged(); });
  center.addObserver(this, kFavoriteCountNotification, nullptr, [this](const CSNotification&) { update(); });
  center.addObserver(this, g_tabChangeNotification, window, [this](const CSNotification&) { tabChanged(); });
  center.addObserver(this, kInfoBarNotification, nullptr, [this](const CSNotification&) { selectionChanged(); });
  center.addObserver(this, g_zoomChangeNotification, window, [this](const CSNotification&) { zoomChanged(); });
  center.addObserver(this, g_settingsChangeNotification, window,
                     [this](const CSNotification& n) { invalidateSwatchObserver(n.userInfo); });
  center.addObserver(this, kRegisterColorNotification, window,
                     [this](const CSNotification& n) { registerColor(n.userInfo); });
  center.addObserver(this, kRegisterAltColorNotification, window,
                     [this](const CSNotification& n) { registerColor(n.userInfo); });
  center.addObserver(this, g_favoriteColorNotification, nullptr, [this](const CSNotification&) { favoritesChanged(); });
  center.addObserver(this, g_arrowChangeNotification, window, [this](const CSNotification&) { invalidateSwatch(2); });
  center.addObserver(this, g_windowWillCloseNotification, window, [this](const CSNotification&) { shutDown(); });
  zoomChanged();
}

// ---- The current tab ---------------------------------------------------------------

DREditorContent* DRInfobarView::currentVC() const {
  return m_host ? m_host->currentVC() : nullptr;
}

DREditorContentView* DRInfobarView::contentView() const {
  DREditorContent* content = currentVC();
  return content ? content->contentView() : nullptr;
}

DRContentVC* DRInfobarView::contentVC() const {
  return dynamic_cast<DRContentVC*>(currentVC());
}

DRCanvasHost* DRInfobarView::canvas() const {
  return m_host ? m_host->canvas() : nullptr;
}

bool DRInfobarView::inDrawView() const {
  return IsDrawContent(currentVC());
}

void DRInfobarView::getCurrentStyle(DRCopiedStyle* style) const {
  if (DREditorContentView* view = contentView()) {
    view->getCurrentStyle(style);
    return;
  }
  // Before the canvas exists the bar shows what new elements would get.
  DRSettings& settings = DRSettings::sharedInstance();
  style->fillKolor = settings.fillKolor();
  style->arrow = settings.arrow();
  style->lineInfo = settings.lineInfo();
}

// ---- Layout ------------------------------------------------------------------------

double DRInfobarView::swatchSizeAndRects(std::array<QRectF, kSwatchCount>* rects, int64_t* favoriteCount,
                                         int64_t* recentCount) const {
  std::array<QRectF, kSwatchCount> made;
  const QRectF bounds = rect();
  const double x = bounds.x(), y = bounds.y(), width = bounds.width(), height = bounds.height();
  // A bar lower than its margins has swatches of no size rather than
  // negative ones.
  const double size = std::max(0.0, height - 7);
  const bool drawTab = inDrawView();

  const double zoomRight = m_zoomPopup ? m_zoomPopup->geometry().x() + m_zoomPopup->geometry().width() : 0;
  double next = zoomRight + 12;
  made[0] = QRectF(next, 3, size, size);
  next += size + 12;
  made[1] = QRectF(next, 3, size, size);
  if (drawTab) {
    next += size + 12;
    made[2] = QRectF(next, 3, size, size);
  }
  next += size + 25;
  made[3] = QRectF(next, 3, size, size);
  if (!drawTab) {
    next += size + 12;
    made[4] = QRectF(next, 3, size, size);
  }
  const double favoriteX = next + size + 12;

  // A narrow window leaves no room for any square: every count stops at 0,
  // since the counts size rectangles and bound loops.
  const DREditorPrefs& prefs = EditorPrefs();
  const int preference = prefs.favoriteColorCount();
  const bool showRecent = prefs.showRecentColors();
  const double step = std::max(0.0, size - 5);
  double available = x + width - favoriteX - 31;
  if (preference != 0) available -= 25;
  int64_t n = step > 0 && available > 0 ? int64_t(std::trunc(available / step)) - 3 : 0;
  n = std::max<int64_t>(n, 0);
  int64_t favorites = 0;
  if (preference < 0) {
    favorites = showRecent ? std::min<int64_t>(10, std::max<int64_t>(3, n / 2)) : n;
  } else if (preference > 0) {
    favorites = showRecent ? int64_t(preference) : std::min<int64_t>(preference, n);
  }
  int64_t recent = 0;
  if (showRecent) {
    recent = n - favorites;
    if (recent < 3) {
      recent = 3;
      favorites = n - 3;
    }
  }
  favorites = std::max<int64_t>(favorites, 0);
  recent = std::max<int64_t>(recent, 0);

  made[kSwatchFavorites] =
      QRectF(favoriteX, 3, double(favorites + kQuickColorCount) * step + 5 + (favorites ? 25 : 0), size);
  if (recent) made[kSwatchRecent] = QRectF(made[kSwatchFavorites].right() + 12, 3, double(recent) * step + 5, size);

  DREditorContentView* view = contentView();
  if (IsPaintContent(currentVC()) && view && view->dirty() && !SaveToolImage().isNull()) {
    const double paletteWidth = m_toolbarView ? m_toolbarView->width() : 0;
    made[kSwatchSave] = QRectF(x, y, paletteWidth, height);
  }

  if (rects) *rects = made;
  if (favoriteCount) *favoriteCount = favorites;
  if (recentCount) *recentCount = recent;
  return size;
}

void DRInfobarView::invalidateSwatch(int swatch) {
  if (swatch < 0 || swatch >= kSwatchCount) return;
  std::array<QRectF, kSwatchCount> rects;
  swatchSizeAndRects(&rects);
  const QRectF& area = rects[size_t(swatch)];
  if (!area.isEmpty()) update(area.toAlignedRect());
}

void DRInfobarView::positionZoomPopup() {
  if (!m_zoomPopup) return;
  const int paletteWidth = m_toolbarView ? m_toolbarView->width() : 0;
  const QSize hint = m_zoomPopup->sizeHint();
  const int popupHeight = std::min(hint.height(), std::max(height() - 4, 0));
  m_zoomPopup->setGeometry(paletteWidth + kZoomPopupOffset, (height() - popupHeight) / 2, hint.width(), popupHeight);
}

void DRInfobarView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  positionZoomPopup();
  updateTrackingAreas();
}

void DRInfobarView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Another font or style sizes the pop-up anew, and the swatches after it move.
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    positionZoomPopup();
    updateTrackingAreas();
    update();
  }
}

// ---- Drawing -----------------------------------------------------------------------

void DRInfobarView::paintEvent(QPaintEvent* event) {
  if (!m_drawing || m_shutDown) return;
  DRCopiedStyle style;
  getCurrentStyle(&style);
  const MeasureUnit widthMeasure = style.lineInfo.width();
  const double lineWidth = widthMeasure == kMixedMeasure ? -1.0 : double(widthMeasure) / double(kMeasurePerPoint);

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  GraphicsContextScope scope(&painter);
  const bool dark = g_darkMode;
  painter.fillRect(event->rect(), GrayColor(dark ? 5 : 3));

  std::array<QRectF, kSwatchCount> rects;
  int64_t favorites = 0, recent = 0;
  const double size = swatchSizeAndRects(&rects, &favorites, &recent);
  if (m_host && m_host->resizing()) m_firstFavoriteIndex = 0;

  const QRectF bounds = rect();
  const double paletteWidth = m_toolbarView ? m_toolbarView->width() : 0;
  QPainterPath outline;
  outline.moveTo(bounds.x(), bounds.bottom() - 0.5);
  outline.lineTo(bounds.right(), bounds.bottom() - 0.5);
  outline.moveTo(bounds.x() + paletteWidth - 0.5, bounds.y());
  outline.lineTo(bounds.x() + paletteWidth - 0.5, bounds.bottom());
  outline.moveTo(rects[3].x() - 11.5, bounds.y());
  outline.lineTo(rects[3].x() - 11.5, bounds.bottom());

  const QColor strip = dark ? GrayColor(3) : ColorFromKolor(kStripKolor);
  for (int swatch : {kSwatchFavorites, kSwatchRecent}) {
    if (!rects[size_t(swatch)].isEmpty()) painter.fillRect(rects[size_t(swatch)], strip);
  }
  for (int swatch = 0; swatch <= kSwatchRecent; ++swatch) {
    const QRectF& area = rects[size_t(swatch)];
    if (area.isEmpty()) continue;
    const QRectF inset = area.adjusted(0.5, 0.5, -0.5, -0.5);
    if (swatch == 4) {
      outline.addEllipse(inset);
    } else {
      outline.addRect(inset);
    }
  }

  auto fillOrCross = [&](const QRectF& area, Kolor kolor) {
    if (IsVisibleKolor(kolor)) {
      painter.fillRect(area, ColorFromKolor(kolor));
    } else {
      DrawNoColorCross(&outline, area);
    }
  };
  auto erase = [&](const QRectF& area) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area, Qt::white);
    painter.restore();
  };

  // Line colour.
  fillOrCross(rects[0], style.lineInfo.kolor());

  // Line width: a sample line of the width, thin widths as a hairline of the
  // outline, nothing for a mixed width.
  {
    const QRectF& area = rects[1];
    erase(area);
    double lineY = std::floor((size + 1) / 2) + area.y();
    if (lineWidth >= 1) {
      if (int64_t(std::trunc(lineWidth)) % 2 == 1) lineY += 0.5;
      painter.save();
      painter.setClipRect(area);
      QPen pen(Qt::black, lineWidth);
      pen.setCapStyle(Qt::FlatCap);
      painter.setPen(pen);
      painter.drawLine(QPointF(area.x() + 1, lineY), QPointF(area.right() - 1, lineY));
      painter.restore();
    } else if (lineWidth >= 0) {
      outline.moveTo(area.x() + 1, lineY);
      outline.lineTo(area.right() - 1, lineY);
    }
  }

  // Arrow: the style's in black, else the open arrow in light grey.
  if (!rects[2].isEmpty()) {
    const QRectF& area = rects[2];
    erase(area);
    painter.save();
    painter.setClipRect(area.adjusted(2, 1, -2, -1));
    const QRectF sample = area.adjusted(3, 1, -3, -1);
    if (style.arrow) {
      style.arrow->drawSampleInRect(sample, 0, g_blackKolor);
    } else if (const std::optional<DRArrow> standard = DRArrow::standardArrow(kArrowTypeOpen)) {
      standard->drawSampleInRect(sample, 0, kNoArrowKolor);
    }
    painter.restore();
  }

  // Fill and swap colours.
  fillOrCross(rects[3], style.fillKolor);
  if (!rects[4].isEmpty()) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColorFromKolor(DRSettings::sharedInstance().swapKolor()));
    painter.drawEllipse(rects[4].adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
  }

  drawColorSquares(painter, &outline, rects, size, favorites, recent);

  if (!rects[kSwatchSave].isEmpty()) {
    const CSImage& image = SaveToolImage();
    QRectF imageRect(QPointF(0, 0), image.size());
    CenterRectangle(&imageRect, rects[kSwatchSave].adjusted(5, 5, -5, -5));
    image.drawInRectNormally(&painter, imageRect);
  }

  painter.setBrush(Qt::NoBrush);
  painter.strokePath(outline, QPen(GrayColor(dark ? 4 : 3), 1.0));
}

// ---- Tooltips ----------------------------------------------------------------------

void DRInfobarView::updateTrackingAreas() {
  m_tooltips.clear();
  std::array<QRectF, kSwatchCount> rects;
  const double size = swatchSizeAndRects(&rects);
  for (int swatch : {0, 1, 2, 3, 4, kSwatchSave}) {
    const QRectF& area = rects[size_t(swatch)];
    if (!area.isEmpty()) m_tooltips.emplace_back(area, QString::fromLatin1(kTooltips[swatch]));
  }
  addColorTooltips(rects, size);
  if (m_firstFavoriteIndex != 0) {
    m_firstFavoriteIndex = 0;
    invalidateSwatch(kSwatchFavorites);
  }
}

QString DRInfobarView::toolTipForPoint(const QPointF& point) const {
  for (const auto& [area, text] : m_tooltips) {
    if (point.x() >= area.left() && point.x() < area.right() && point.y() >= area.top() && point.y() < area.bottom())
      return text;
  }
  return QString();
}

bool DRInfobarView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = m_shutDown ? QString() : toolTipForPoint(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

// ---- Zoom pop-up -------------------------------------------------------------------

void DRInfobarView::fillZoomPopup(bool painting) {
  const QSignalBlocker blocker(m_zoomPopup);
  m_zoomPopup->clear();
  for (double step : zoomSteps(painting)) {
    const int tag = ZoomTag(step);
    m_zoomPopup->addItem(QStringLiteral("%1%").arg(tag), tag);
  }
  positionZoomPopup();
}

void DRInfobarView::selectZoomItem(double zoom) {
  const QSignalBlocker blocker(m_zoomPopup);
  m_zoomPopup->setCurrentIndex(m_zoomPopup->findData(ZoomTag(zoom)));
}

void DRInfobarView::setZoomValue() {
  DREditorContentView* view = contentView();
  const int index = m_zoomPopup->currentIndex();
  if (!view || index < 0) return;
  view->setZoomValue(m_zoomPopup->itemData(index).toInt() * 0.01);
  selectZoomItem(view->zoomValue());
}

void DRInfobarView::zoomChanged() {
  if (DREditorContentView* view = contentView()) selectZoomItem(view->zoomValue());
}

// ---- Notifications -----------------------------------------------------------------

void DRInfobarView::selectionChanged() {
  m_undoID = kNoUndoID;
  update();
}

void DRInfobarView::colorChanged() {
  invalidateSwatch(0);
  invalidateSwatch(3);
  if (IsPaintContent(currentVC())) invalidateSwatch(4);
}

void DRInfobarView::tabChanged() {
  // A scroll or show and hide laid out for the old tab ends here.
  stopFavoriteAnimation();
  const bool painting = IsPlainPaintContent(currentVC());
  if (painting != m_showingPaintOptions) {
    m_showingPaintOptions = painting;
    fillZoomPopup(painting);
    zoomChanged();
  }
  // Every tab change may move swatches (arrow or swap) or show or hide the
  // save icon, also between two paintings, so the bar is always redrawn.
  update();
  updateTrackingAreas();
}

void DRInfobarView::invalidateSwatchObserver(const QVariantMap& userInfo) {
  const auto swatch = userInfo.constFind(g_settingsChangeSwatchKey);
  if (swatch == userInfo.constEnd()) {
    update();
    updateTrackingAreas();
    return;
  }
  const int number = swatch->toInt();
  invalidateSwatch(number == 11 ? 0 : number);
}

void DRInfobarView::shutDown() {
  m_shutDown = true;
  m_drawing = nullptr;
  m_toolbarView = nullptr;
  stopFavoriteAnimation();
}
