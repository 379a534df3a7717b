#pragma once
// CSS as SVG files use it: the declaration parser, colours read and written
// as CSS texts, and the font properties. Plain functions that know nothing
// of SVG; unreadable values give no colour or leave the font as it was.

#include <QFont>
#include <QString>
#include <QStringView>
#include <functional>

#include "support/Kolor.h"

// The keys of the CSS properties ParseCssString reports.
enum CssProperty : int {
  kCssColor = 1,
  kCssFill = 2,
  kCssFillOpacity = 3,
  kCssFillRule = 4,
  kCssFont = 5,
  kCssFontFamily = 6,
  kCssFontSize = 7,
  kCssFontStyle = 8,
  kCssFontWeight = 9,
  kCssInlineSize = 10,
  kCssOffset = 11,
  kCssOpacity = 12,
  kCssStopColor = 13,
  kCssStopOpacity = 14,
  kCssStroke = 15,
  kCssStrokeDasharray = 16,
  kCssStrokeDashoffset = 17,
  kCssStrokeLinecap = 18,
  kCssStrokeLinejoin = 19,
  kCssStrokeMiterlimit = 20,
  kCssStrokeOpacity = 21,
  kCssStrokeWidth = 22,
  kCssTextAlign = 23,
  kCssTextAnchor = 24,
  kCssTextDecoration = 25,
  // Beyond the sorted table: whether the element shows at all.
  kCssDisplay = 26,
  kCssVisibility = 27,
};

// The key of a property name (any case); 0 when it is not one of them.
int CssPropertyKey(QStringView name);

using CssHandler = std::function<void(int key, const QString& value)>;
// Calls the handler for each known declaration of a "name: value; ..."
// list, in order. Parsing stops at a name that does not begin with a
// letter, "-" or "_", or that is followed by neither ":" nor ";".
void ParseCssString(QStringView text, const CssHandler& handler);

// A CSS colour: "#rgb", "#rrggbb", rgb(), rgba(), hsl(), hsla(), a name of
// the 149-entry table (case matters; "none" is no colour, "transparent"
// clear black), or url(...) followed by a fallback. Empty text and a url
// alone give no colour; an unknown name gives opaque black.
Kolor KolorFromCssColor(QStringView text);
// "rgb(r,g,b)", "rgba(r,g,b,0.50)", "transparent", or "none" for no colour.
QString CssColorString(Kolor kolor);

// ---- Fonts ----

// Smallest size a CSS font size gives, and the largest.
constexpr double kMinCssFontSize = 4;
constexpr double kMaxCssFontSize = 4096;

// The font weights on the 0-15 scale CSS numbers map to, and back:
// 0-1 Thin, 2 ExtraLight, 3-4 Light, 5-6 Normal, 7-8 Medium, 9 DemiBold,
// 10-11 Bold, 12-13 ExtraBold, 14-15 Black.
QFont::Weight FontWeightForLevel(int level);
int FontWeightLevel(QFont::Weight weight);
// A CSS weight of 100 to 900 on that scale: round((n - 100) x 15 / 800).
int CssWeightLevel(int cssWeight);

// The installed family a generic CSS family stands for ("serif",
// "sans-serif", "monospace", "cursive", "fantasy"); empty for any other name.
QString FamilyForGenericFamily(QStringView generic);

// The "font" shorthand: not read, the font is kept.
QFont AdjustCssFont(const QFont& font, QStringView value);
// The first usable family of a comma-separated (optionally quoted) list.
QFont AdjustCssFontFamily(const QFont& font, QStringView value);
// A length ("12pt", "16" pixels, "150%", "1.5em") or a size keyword; whole
// points, at least kMinCssFontSize.
QFont AdjustCssFontSize(const QFont& font, QStringView value);
QFont AdjustCssFontStyle(const QFont& font, QStringView value);
QFont AdjustCssFontWeight(const QFont& font, QStringView value);
// The generic family a font belongs to, from its pitch and the family class
// of its OS/2 table.
QString GenericFamilyForFont(const QFont& font);
// The generic family of an OS/2 family class (the high byte of sFamilyClass).
QString GenericFamilyForFamilyClass(int familyClass);
