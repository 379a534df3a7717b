#pragma once
// Kolor: the one 32-bit colour value the model stores, compares and writes.
// Red in bits 0-7, green 8-15, blue 16-23, opacity in percent (0-100) in
// 24-31. 0xFFFFFFFF means no colour. Also the client context word, which the
// plain-function callbacks pass around and which can carry a Kolor.

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <cstdint>

using Kolor = uint32_t;
using ClientContext = int64_t;

constexpr Kolor g_nilKolor = 0xFFFFFFFF;
constexpr Kolor g_transparentKolor = 0x00FFFFFF;
constexpr Kolor g_whiteKolor = 0x64FFFFFF;
constexpr Kolor g_veryLightGrayKolor = 0x64E0E0E0;
constexpr Kolor g_lightGrayKolor = 0x64C0C0C0;
constexpr Kolor g_grayKolor = 0x64808080;
constexpr Kolor g_darkGrayKolor = 0x64404040;
constexpr Kolor g_veryDarkGrayKolor = 0x64202020;
constexpr Kolor g_blackKolor = 0x64000000;
constexpr Kolor g_halfBlackKolor = 0x32000000;
constexpr Kolor g_halfWhiteKolor = 0x32FFFFFF;
constexpr Kolor g_blueLinkKolor = 0x64D92B27;
// The ring drawn around a drop target while something is dragged over it.
constexpr Kolor g_dragRingKolor = 0x641EC4FF;

constexpr int KolorRed(Kolor k) { return int(k & 0xFF); }
constexpr int KolorGreen(Kolor k) { return int((k >> 8) & 0xFF); }
constexpr int KolorBlue(Kolor k) { return int((k >> 16) & 0xFF); }
constexpr int KolorOpacity(Kolor k) { return int(k >> 24); }
constexpr Kolor MakeKolor(int red, int green, int blue, int opacity = 100) {
  return Kolor(red & 0xFF) | Kolor(green & 0xFF) << 8 | Kolor(blue & 0xFF) << 16 | Kolor(opacity & 0xFF) << 24;
}

// ---- Conversions -----------------------------------------------------------

// An invalid colour gives no colour. Channels and opacity are rounded to the
// nearest step and clamped to 0-255 and 0-100; opacity 0 is kept.
Kolor KolorFromColorCore(const QColor& color);
// As above, but a fully transparent colour gives no colour.
Kolor KolorFromColor(const QColor& color);
// A visible Kolor as an sRGB colour; anything else gives transparent.
QColor ColorFromKolor(Kolor kolor);
// Opaque colours unchanged; otherwise the colour made opaque, or white when
// it was (nearly) fully transparent white or below.
QColor RemoveAlpha(const QColor& color);

// ---- Tests -----------------------------------------------------------------

constexpr bool IsVisibleKolor(Kolor k) { return k >= 0x01000000 && k < 0x65000000; }
constexpr bool IsValidKolor(Kolor k) { return k < 0x65000000; }
constexpr bool AreKolorsEqual(Kolor a, Kolor b) { return a == b; }
bool IsDarkKolor(Kolor kolor);

// ---- Derived Kolors and colours --------------------------------------------

Kolor GrayscaleKolor(Kolor kolor);
Kolor GrayscaleKolorCIE(Kolor kolor);
Kolor LightenKolor(Kolor kolor);
QColor LightenColor(Kolor kolor);
QColor DarkenColor(Kolor kolor);
// Interface greys 0-6 and black at 7; any other index gives opaque black.
QColor GrayColor(int index);
// The platform's accent (highlight) colour, lightened on request; without an
// application, the fallback if it is visible, else an invalid colour.
QColor AccentColor(bool lighten, Kolor fallback);
QColor LinkColor();
QColor LightenedHighlightColor();

// ---- Text forms ------------------------------------------------------------

// "{r, g, b}" when opaque, else "{r, g, b, opacity}".
QString NewKolorString(Kolor kolor);
// Reads the form above; anything that cannot be read gives no colour.
Kolor KolorFromString(const QString& text);
// The text shown to the user: style 1 "(r, g, b)", 2 fractions, 3 "#RRGGBB";
// "—" for an invisible Kolor or an unknown style; "  n%" when not opaque.
QString ColorDisplayString(Kolor kolor, int style, const QString& prefix = QString());

// ---- Boxing ----------------------------------------------------------------

// The four bytes of a Kolor, red first, as a value that a QVariant can carry.
struct KolorBytes {
  uchar bytes[4];
  bool operator==(const KolorBytes&) const = default;
};
Q_DECLARE_METATYPE(KolorBytes)

QVariant ValueWithKolor(Kolor kolor);
// The Kolor held by a value made by ValueWithKolor; anything else gives
// opaque black.
Kolor KolorValue(const QVariant& value);

// ---- Client context word -----------------------------------------------------

ClientContext ContextFromFloat(float value);
float FloatFromContext(ClientContext context);
// x and y truncated toward zero into 16 bits each (x low, y high).
ClientContext ContextFromPoint(double x, double y);
void PointFromContext(ClientContext context, double* x, double* y);
constexpr Kolor KolorFromContext(ClientContext context) { return Kolor(uint64_t(context) & 0xFFFFFFFF); }
QVariant NumberWithContext(ClientContext context);
ClientContext ContextValue(const QVariant& number);
