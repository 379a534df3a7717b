#include "ui/inspector/DRGrayPalette.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "model/DRDrawing.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/Kolor.h"

namespace {

const QString kEyedropperNotification = QStringLiteral("twdraw.eyedropper");
constexpr int kGrid = 16;
// The palette's own background in the light appearance: a pale rose.
constexpr Kolor kPaletteBackKolor = 0x64FFCDCD;
constexpr Kolor kAccentFallbackKolor = 0x64FF1412;
// The swatches whose changes the palette follows.
constexpr int kSwatchLineColor = 0;
constexpr int kSwatchFillColor = 3;
constexpr int kSwatchAllColors = 13;

Kolor GrayKolor(uint64_t gray) {
  return MakeKolor(int(gray), int(gray), int(gray));
}

// A grey has equal channels; the no-colour value is no grey, though its
// channels are all 255.
bool IsGrayKolor(Kolor kolor) {
  return IsValidKolor(kolor) && KolorRed(kolor) == KolorGreen(kolor) && KolorGreen(kolor) == KolorBlue(kolor);
}

}  // namespace

DRGrayPalette::DRGrayPalette(QWidget* parent) : QWidget(parent) {
  // The eyedropper is heard from the start; settings changes once the
  // window is known.
  setNotificationWindow(nullptr);
}

DRGrayPalette::~DRGrayPalette() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRGrayPalette::setNotificationWindow(QObject* window) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  m_window = window;
  // A null object would hear every window's settings.
  if (window) {
    center.addObserver(this, g_settingsChangeNotification, window,
                       [this](const CSNotification& notification) { colorChanged(&notification); });
  }
  center.addObserver(this, kEyedropperNotification, nullptr,
                     [this](const CSNotification& notification) { colorChanged(&notification); });
  colorChanged(nullptr);
}

void DRGrayPalette::colorChanged(const CSNotification* notification) {
  DRSettings& settings = DRSettings::sharedInstance();
  const Kolor fill = settings.fillKolor();
  const Kolor line = settings.lineInfo().kolor();
  Kolor kolor = g_nilKolor;
  const QVariant swatch = notification ? notification->userInfo.value(g_settingsChangeSwatchKey) : QVariant();
  if (!notification || (swatch.isValid() && swatch.toInt() == kSwatchAllColors)) {
    kolor = IsGrayKolor(fill) ? fill : line;
  } else if (notification->name == kEyedropperNotification) {
    kolor = fill;
  } else if (!swatch.isValid()) {
    return;
  } else if (swatch.toInt() == kSwatchFillColor) {
    kolor = fill;
  } else if (swatch.toInt() == kSwatchLineColor) {
    kolor = line;
  } else {
    return;
  }
  if (!IsGrayKolor(kolor)) return;
  selectGray(uint64_t(KolorRed(kolor)));
}

void DRGrayPalette::selectGray(uint64_t gray) {
  if (gray == m_selectedGray) return;
  m_selectedGray = gray;
  update();
}

double DRGrayPalette::cellSize() const {
  return std::max(0.0, (double(width()) - 4) / kGrid);
}

int DRGrayPalette::grayAtPoint(const QPointF& point) const {
  const double c = cellSize();
  if (c <= 0) return 0;
  const float column = std::clamp(float((point.x() + 1) / c), 0.0f, float(kGrid - 1));
  const float row = std::clamp(float((point.y() + 1) / c), 0.0f, float(kGrid - 1));
  return kGrid * int(row) + int(column);
}

void DRGrayPalette::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  const QRectF bounds(rect());
  if (!g_darkMode) painter.fillRect(bounds, ColorFromKolor(kPaletteBackKolor));
  painter.setPen(QPen(GrayColor(g_darkMode ? 5 : 4), 1.0));
  painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
  const double c = cellSize();
  if (c <= 2) return;
  for (int row = 0; row < kGrid; ++row) {
    for (int column = 0; column < kGrid; ++column) {
      const uint64_t gray = uint64_t(kGrid * row + column);
      const QRectF cell(3 + column * c, 3 + row * c, c - 2, c - 2);
      if (gray == m_selectedGray) {
        painter.fillRect(cell.adjusted(-2, -2, 2, 2), AccentColor(false, kAccentFallbackKolor));
      }
      painter.fillRect(cell, ColorFromKolor(GrayKolor(gray)));
    }
  }
}

void DRGrayPalette::mousePressEvent(QMouseEvent* event) {
  if (cellSize() <= 0) return;
  const uint64_t gray = uint64_t(grayAtPoint(event->position()));
  if (gray == m_selectedGray) return;
  m_selectedGray = gray;
  const Kolor kolor = GrayKolor(gray);
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setFillKolor(kolor);
  settings.lineInfo().setKolor(kolor);
  update();
  RegisterKolor(kolor, true);
  RegisterKolor(kolor, false);
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_settingsChangeNotification, m_window.data(), {{g_settingsChangeSwatchKey, kSwatchFillColor}});
  center.post(g_settingsChangeNotification, m_window.data(), {{g_settingsChangeSwatchKey, kSwatchLineColor}});
}
