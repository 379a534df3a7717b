#include "support/Kolor.h"

#include "support/CSCore.h"
#include "support/NumberText.h"
#include "support/SaturatingCast.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <mutex>

namespace {

int ClampedChannel(double component) {
  return std::clamp(SaturatingRound<int>(component * 255.0), 0, 255);
}

int ClampedOpacity(double alpha) {
  return std::clamp(SaturatingRound<int>(alpha * 100.0), 0, 100);
}

}  // namespace

// ---- Conversions -----------------------------------------------------------

Kolor KolorFromColorCore(const QColor& color) {
  if (!color.isValid()) return g_nilKolor;
  // QColor keeps 16-bit channels: round to the nearest step so that a Kolor
  // converted to a colour and back never drifts by one.
  const QColor rgb = color.spec() == QColor::Rgb || color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
  if (!rgb.isValid()) return g_blackKolor;
  return MakeKolor(ClampedChannel(rgb.redF()), ClampedChannel(rgb.greenF()), ClampedChannel(rgb.blueF()),
                   ClampedOpacity(rgb.alphaF()));
}

Kolor KolorFromColor(const QColor& color) {
  const Kolor kolor = KolorFromColorCore(color);
  return kolor < 0x01000000 ? g_nilKolor : kolor;
}

QColor ColorFromKolor(Kolor kolor) {
  if (!IsVisibleKolor(kolor)) return QColor(Qt::transparent);
  return QColor::fromRgbF(float(KolorRed(kolor) / 255.0), float(KolorGreen(kolor) / 255.0),
                          float(KolorBlue(kolor) / 255.0), float(KolorOpacity(kolor) / 100.0));
}

QColor RemoveAlpha(const QColor& color) {
  if (color.isValid() && color.alphaF() == 1.0f) return color;
  const Kolor kolor = KolorFromColorCore(color);
  const Kolor opaque = kolor > g_transparentKolor && kolor != g_nilKolor ? ((kolor & 0x00FFFFFF) | 0x64000000)
                                                                          : g_whiteKolor;
  return ColorFromKolor(opaque);
}

// ---- Tests and derived values ------------------------------------------------

bool IsDarkKolor(Kolor kolor) {
  return 0.3 * KolorRed(kolor) / 255.0 + 0.59 * KolorGreen(kolor) / 255.0 + 0.11 * KolorBlue(kolor) / 255.0 < 0.5;
}

namespace {
Kolor WeightedGray(Kolor kolor, double wr, double wg, double wb) {
  const int r = KolorRed(kolor), g = KolorGreen(kolor), b = KolorBlue(kolor);
  if (r == g && g == b) return kolor;
  const int y = std::clamp(int(wr * r + wg * g + wb * b), 0, 255);
  return MakeKolor(y, y, y, 0) | (kolor & 0xFF000000);
}
}  // namespace

Kolor GrayscaleKolor(Kolor kolor) {
  return WeightedGray(kolor, 0.3, 0.59, 0.11);
}

Kolor GrayscaleKolorCIE(Kolor kolor) {
  return WeightedGray(kolor, 0.212671, 0.71516, 0.072169);
}

Kolor LightenKolor(Kolor kolor) {
  return MakeKolor(std::min(KolorRed(kolor) + 64, 255), std::min(KolorGreen(kolor) + 64, 255),
                   std::min(KolorBlue(kolor) + 64, 255), 0) |
         (kolor & 0xFF000000);
}

QColor LightenColor(Kolor kolor) {
  return ColorFromKolor(LightenKolor(kolor));
}

QColor DarkenColor(Kolor kolor) {
  const int r = KolorRed(kolor), g = KolorGreen(kolor), b = KolorBlue(kolor);
  if (r == g && g == b) return ColorFromKolor(MakeKolor(r / 2, g / 2, b / 2, 0) | (kolor & 0xFF000000));
  const QColor color = ColorFromKolor(kolor);
  float h = 0, s = 0, v = 0, a = 0;
  color.getHsvF(&h, &s, &v, &a);
  return QColor::fromHsvF(h, s * 0.4f + 0.6f, v * 0.8f, a);
}

QColor GrayColor(int index) {
  static constexpr std::array<Kolor, 8> kGrays = {0x00FFFFFF, 0x64FFFFFF, 0x64E0E0E0, 0x64C0C0C0,
                                                   0x64808080, 0x64404040, 0x64202020, 0x64000000};
  static const std::array<QColor, 8> cache = [] {
    std::array<QColor, 8> colors;
    for (size_t i = 0; i < kGrays.size(); ++i) {
      // Index 0 is white with no opacity, which ColorFromKolor would turn
      // into plain transparent: build it directly.
      colors[i] = i == 0 ? QColor(255, 255, 255, 0) : ColorFromKolor(kGrays[i]);
    }
    return colors;
  }();
  if (index < 0 || index >= int(cache.size())) return cache[7];
  return cache[size_t(index)];
}

namespace {
bool HavePalette() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}
}  // namespace

QColor AccentColor(bool lighten, Kolor fallback) {
  if (HavePalette()) {
    const QColor accent = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    if (accent.isValid()) return lighten ? LightenColor(KolorFromColorCore(accent)) : accent;
  }
  return IsVisibleKolor(fallback) ? ColorFromKolor(fallback) : QColor();
}

QColor LinkColor() {
  if (HavePalette()) {
    const QColor link = QGuiApplication::palette().color(QPalette::Active, QPalette::Link);
    if (link.isValid()) return link;
  }
  return ColorFromKolor(g_blueLinkKolor);
}

QColor LightenedHighlightColor() {
  const QColor highlight = HavePalette()
                               ? QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight)
                               : QColor(0x30, 0x8c, 0xc6);
  if (!g_darkMode) return highlight;
  const Kolor kolor = KolorFromColorCore(highlight);
  if (KolorOpacity(kolor) != 100) return GrayColor(3);
  return LightenColor(kolor);
}

// ---- Text forms ------------------------------------------------------------

QString NewKolorString(Kolor kolor) {
  if (KolorOpacity(kolor) == 100)
    return StringWithFormat("{%d, %d, %d}", KolorRed(kolor), KolorGreen(kolor), KolorBlue(kolor));
  return StringWithFormat("{%d, %d, %d, %d}", KolorRed(kolor), KolorGreen(kolor), KolorBlue(kolor),
                          KolorOpacity(kolor));
}

Kolor KolorFromString(const QString& text) {
  if (text.size() < 9) return g_nilKolor;
  const QStringView inner = QStringView(text).mid(1, text.size() - 2);
  const auto parts = inner.split(QStringLiteral(", "));
  if (parts.size() < 3) return g_nilKolor;
  int values[4] = {0, 0, 0, 100};
  for (int i = 0; i < 4 && i < parts.size(); ++i) {
    values[i] = IntValue(parts[i]);
    if (values[i] < 0 || values[i] > 255) return g_nilKolor;
  }
  // An opacity above 100 cannot be stored; it also covers {255, 255, 255, 255},
  // the text that no colour writes.
  if (values[3] > 100) return g_nilKolor;
  return MakeKolor(values[0], values[1], values[2], values[3]);
}

QString ColorDisplayString(Kolor kolor, int style, const QString& prefix) {
  static const QString kDash = QStringLiteral("\u2014");
  if (!IsVisibleKolor(kolor)) return kDash;
  const int r = KolorRed(kolor), g = KolorGreen(kolor), b = KolorBlue(kolor);
  QString text;
  switch (style) {
    case 1: text = StringWithFormat("(%@%d, %d, %d)", prefix, r, g, b); break;
    case 2: text = StringWithFormat("(%@%0.02f, %0.02f, %0.02f)", prefix, r / 255.0, g / 255.0, b / 255.0); break;
    case 3: text = StringWithFormat("%@#%02X%02X%02X", prefix, r, g, b); break;
    default: return kDash;
  }
  if (KolorOpacity(kolor) != 100) text += StringWithFormat("  %d%%", KolorOpacity(kolor));
  return text;
}

// ---- Boxing ----------------------------------------------------------------

QVariant ValueWithKolor(Kolor kolor) {
  KolorBytes bytes{{uchar(KolorRed(kolor)), uchar(KolorGreen(kolor)), uchar(KolorBlue(kolor)),
                    uchar(KolorOpacity(kolor))}};
  return QVariant::fromValue(bytes);
}

Kolor KolorValue(const QVariant& value) {
  if (value.metaType() != QMetaType::fromType<KolorBytes>()) return g_blackKolor;
  const KolorBytes bytes = value.value<KolorBytes>();
  return MakeKolor(bytes.bytes[0], bytes.bytes[1], bytes.bytes[2], bytes.bytes[3]);
}

// ---- Client context word -----------------------------------------------------

ClientContext ContextFromFloat(float value) {
  return ClientContext(std::bit_cast<uint32_t>(value));
}

float FloatFromContext(ClientContext context) {
  return std::bit_cast<float>(uint32_t(uint64_t(context) & 0xFFFFFFFF));
}

ClientContext ContextFromPoint(double x, double y) {
  const uint32_t ix = uint32_t(SaturatingCast<int32_t>(x)) & 0xFFFF;
  const uint32_t iy = uint32_t(SaturatingCast<int32_t>(y)) & 0xFFFF;
  return ClientContext(ix | iy << 16);
}

void PointFromContext(ClientContext context, double* x, double* y) {
  const uint32_t low = uint32_t(uint64_t(context) & 0xFFFFFFFF);
  if (x) *x = double(int16_t(uint16_t(low & 0xFFFF)));
  if (y) *y = double(int32_t(low) >> 16);
}

QVariant NumberWithContext(ClientContext context) {
  return QVariant::fromValue<qint64>(context);
}

ClientContext ContextValue(const QVariant& number) {
  return VariantLongLongValue(number);
}
