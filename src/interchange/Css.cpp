#include "interchange/Css.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <algorithm>
#include <array>
#include <cmath>

#include "support/Fonts.h"
#include "support/Measure.h"

namespace {

// ---- Tables ----

struct NamedKolor {
  const char16_t* name;
  Kolor kolor;
};

// Sorted by name, compared exactly.
constexpr NamedKolor kCssColors[] = {
    {u"aliceblue", MakeKolor(0xf0, 0xf8, 0xff)},
    {u"antiquewhite", MakeKolor(0xfa, 0xeb, 0xd7)},
    {u"aqua", MakeKolor(0x00, 0xff, 0xff)},
    {u"aquamarine", MakeKolor(0x7f, 0xff, 0xd4)},
    {u"azure", MakeKolor(0xf0, 0xff, 0xff)},
    {u"beige", MakeKolor(0xf5, 0xf5, 0xdc)},
    {u"bisque", MakeKolor(0xff, 0xe4, 0xc4)},
    {u"black", MakeKolor(0x00, 0x00, 0x00)},
    {u"blanchedalmond", MakeKolor(0xff, 0xeb, 0xcd)},
    {u"blue", MakeKolor(0x00, 0x00, 0xff)},
    {u"blueviolet", MakeKolor(0x8a, 0x2b, 0xe2)},
    {u"brown", MakeKolor(0xa5, 0x2a, 0x2a)},
    {u"burlywood", MakeKolor(0xde, 0xb8, 0x87)},
    {u"cadetblue", MakeKolor(0x5f, 0x9e, 0xa0)},
    {u"chartreuse", MakeKolor(0x7f, 0xff, 0x00)},
    {u"chocolate", MakeKolor(0xd2, 0x69, 0x1e)},
    {u"coral", MakeKolor(0xff, 0x7f, 0x50)},
    {u"cornflowerblue", MakeKolor(0x64, 0x95, 0xed)},
    {u"cornsilk", MakeKolor(0xff, 0xf8, 0xdc)},
    {u"crimson", MakeKolor(0xdc, 0x14, 0x3c)},
    {u"cyan", MakeKolor(0x00, 0xff, 0xff)},
    {u"darkblue", MakeKolor(0x00, 0x00, 0x8b)},
    {u"darkcyan", MakeKolor(0x00, 0x8b, 0x8b)},
    {u"darkgoldenrod", MakeKolor(0xb8, 0x86, 0x0b)},
    {u"darkgray", MakeKolor(0xa9, 0xa9, 0xa9)},
    {u"darkgreen", MakeKolor(0x00, 0x64, 0x00)},
    {u"darkgrey", MakeKolor(0xa9, 0xa9, 0xa9)},
    {u"darkkhaki", MakeKolor(0xbd, 0xb7, 0x6b)},
    {u"darkmagenta", MakeKolor(0x8b, 0x00, 0x8b)},
    {u"darkolivegreen", MakeKolor(0x55, 0x6b, 0x2f)},
    {u"darkorange", MakeKolor(0xff, 0x8c, 0x00)},
    {u"darkorchid", MakeKolor(0x99, 0x32, 0xcc)},
    {u"darkred", MakeKolor(0x8b, 0x00, 0x00)},
    {u"darksalmon", MakeKolor(0xe9, 0x96, 0x7a)},
    {u"darkseagreen", MakeKolor(0x8f, 0xbc, 0x8f)},
    {u"darkslateblue", MakeKolor(0x48, 0x3d, 0x8b)},
    {u"darkslategray", MakeKolor(0x2f, 0x4f, 0x4f)},
    {u"darkslategrey", MakeKolor(0x2f, 0x4f, 0x4f)},
    {u"darkturquoise", MakeKolor(0x00, 0xce, 0xd1)},
    {u"darkviolet", MakeKolor(0x94, 0x00, 0xd3)},
    {u"deeppink", MakeKolor(0xff, 0x14, 0x93)},
    {u"deepskyblue", MakeKolor(0x00, 0xbf, 0xff)},
    {u"dimgray", MakeKolor(0x69, 0x69, 0x69)},
    {u"dimgrey", MakeKolor(0x69, 0x69, 0x69)},
    {u"dodgerblue", MakeKolor(0x1e, 0x90, 0xff)},
    {u"firebrick", MakeKolor(0xb2, 0x22, 0x22)},
    {u"floralwhite", MakeKolor(0xff, 0xfa, 0xf0)},
    {u"forestgreen", MakeKolor(0x22, 0x8b, 0x22)},
    {u"fuchsia", MakeKolor(0xff, 0x00, 0xff)},
    {u"gainsboro", MakeKolor(0xdc, 0xdc, 0xdc)},
    {u"ghostwhite", MakeKolor(0xf8, 0xf8, 0xff)},
    {u"gold", MakeKolor(0xff, 0xd7, 0x00)},
    {u"goldenrod", MakeKolor(0xda, 0xa5, 0x20)},
    {u"gray", MakeKolor(0x80, 0x80, 0x80)},
    {u"green", MakeKolor(0x00, 0x80, 0x00)},
    {u"greenyellow", MakeKolor(0xad, 0xff, 0x2f)},
    {u"grey", MakeKolor(0x80, 0x80, 0x80)},
    {u"honeydew", MakeKolor(0xf0, 0xff, 0xf0)},
    {u"hotpink", MakeKolor(0xff, 0x69, 0xb4)},
    {u"indianred", MakeKolor(0xcd, 0x5c, 0x5c)},
    {u"indigo", MakeKolor(0x4b, 0x00, 0x82)},
    {u"ivory", MakeKolor(0xff, 0xff, 0xf0)},
    {u"khaki", MakeKolor(0xf0, 0xe6, 0x8c)},
    {u"lavender", MakeKolor(0xe6, 0xe6, 0xfa)},
    {u"lavenderblush", MakeKolor(0xff, 0xf0, 0xf5)},
    {u"lawngreen", MakeKolor(0x7c, 0xfc, 0x00)},
    {u"lemonchiffon", MakeKolor(0xff, 0xfa, 0xcd)},
    {u"lightblue", MakeKolor(0xad, 0xd8, 0xe6)},
    {u"lightcoral", MakeKolor(0xf0, 0x80, 0x80)},
    {u"lightcyan", MakeKolor(0xe0, 0xff, 0xff)},
    {u"lightgoldenrodyellow", MakeKolor(0xfa, 0xfa, 0xd2)},
    {u"lightgray", MakeKolor(0xd3, 0xd3, 0xd3)},
    {u"lightgreen", MakeKolor(0x90, 0xee, 0x90)},
    {u"lightgrey", MakeKolor(0xd3, 0xd3, 0xd3)},
    {u"lightpink", MakeKolor(0xff, 0xb6, 0xc1)},
    {u"lightsalmon", MakeKolor(0xff, 0xa0, 0x7a)},
    {u"lightseagreen", MakeKolor(0x20, 0xb2, 0xaa)},
    {u"lightskyblue", MakeKolor(0x87, 0xce, 0xfa)},
    {u"lightslategray", MakeKolor(0x77, 0x88, 0x99)},
    {u"lightslategrey", MakeKolor(0x77, 0x88, 0x99)},
    {u"lightsteelblue", MakeKolor(0xb0, 0xc4, 0xde)},
    {u"lightyellow", MakeKolor(0xff, 0xff, 0xe0)},
    {u"lime", MakeKolor(0x00, 0xff, 0x00)},
    {u"limegreen", MakeKolor(0x32, 0xcd, 0x32)},
    {u"linen", MakeKolor(0xfa, 0xf0, 0xe6)},
    {u"magenta", MakeKolor(0xff, 0x00, 0xff)},
    {u"maroon", MakeKolor(0x80, 0x00, 0x00)},
    {u"mediumaquamarine", MakeKolor(0x66, 0xcd, 0xaa)},
    {u"mediumblue", MakeKolor(0x00, 0x00, 0xcd)},
    {u"mediumorchid", MakeKolor(0xba, 0x55, 0xd3)},
    {u"mediumpurple", MakeKolor(0x93, 0x70, 0xdb)},
    {u"mediumseagreen", MakeKolor(0x3c, 0xb3, 0x71)},
    {u"mediumslateblue", MakeKolor(0x7b, 0x68, 0xee)},
    {u"mediumspringgreen", MakeKolor(0x00, 0xfa, 0x9a)},
    {u"mediumturquoise", MakeKolor(0x48, 0xd1, 0xcc)},
    {u"mediumvioletred", MakeKolor(0xc7, 0x15, 0x85)},
    {u"midnightblue", MakeKolor(0x19, 0x19, 0x70)},
    {u"mintcream", MakeKolor(0xf5, 0xff, 0xfa)},
    {u"mistyrose", MakeKolor(0xff, 0xe4, 0xe1)},
    {u"moccasin", MakeKolor(0xff, 0xe4, 0xb5)},
    {u"navajowhite", MakeKolor(0xff, 0xde, 0xad)},
    {u"navy", MakeKolor(0x00, 0x00, 0x80)},
    {u"none", g_nilKolor},
    {u"oldlace", MakeKolor(0xfd, 0xf5, 0xe6)},
    {u"olive", MakeKolor(0x80, 0x80, 0x00)},
    {u"olivedrab", MakeKolor(0x6b, 0x8e, 0x23)},
    {u"orange", MakeKolor(0xff, 0xa5, 0x00)},
    {u"orangered", MakeKolor(0xff, 0x45, 0x00)},
    {u"orchid", MakeKolor(0xda, 0x70, 0xd6)},
    {u"palegoldenrod", MakeKolor(0xee, 0xe8, 0xaa)},
    {u"palegreen", MakeKolor(0x98, 0xfb, 0x98)},
    {u"paleturquoise", MakeKolor(0xaf, 0xee, 0xee)},
    {u"palevioletred", MakeKolor(0xdb, 0x70, 0x93)},
    {u"papayawhip", MakeKolor(0xff, 0xef, 0xd5)},
    {u"peachpuff", MakeKolor(0xff, 0xda, 0xb9)},
    {u"peru", MakeKolor(0xcd, 0x85, 0x3f)},
    {u"pink", MakeKolor(0xff, 0xc0, 0xcb)},
    {u"plum", MakeKolor(0xdd, 0xa0, 0xdd)},
    {u"powderblue", MakeKolor(0xb0, 0xe0, 0xe6)},
    {u"purple", MakeKolor(0x80, 0x00, 0x80)},
    {u"red", MakeKolor(0xff, 0x00, 0x00)},
    {u"rosybrown", MakeKolor(0xbc, 0x8f, 0x8f)},
    {u"royalblue", MakeKolor(0x41, 0x69, 0xe1)},
    {u"saddlebrown", MakeKolor(0x8b, 0x45, 0x13)},
    {u"salmon", MakeKolor(0xfa, 0x80, 0x72)},
    {u"sandybrown", MakeKolor(0xf4, 0xa4, 0x60)},
    {u"seagreen", MakeKolor(0x2e, 0x8b, 0x57)},
    {u"seashell", MakeKolor(0xff, 0xf5, 0xee)},
    {u"sienna", MakeKolor(0xa0, 0x52, 0x2d)},
    {u"silver", MakeKolor(0xc0, 0xc0, 0xc0)},
    {u"skyblue", MakeKolor(0x87, 0xce, 0xeb)},
    {u"slateblue", MakeKolor(0x6a, 0x5a, 0xcd)},
    {u"slategray", MakeKolor(0x70, 0x80, 0x90)},
    {u"slategrey", MakeKolor(0x70, 0x80, 0x90)},
    {u"snow", MakeKolor(0xff, 0xfa, 0xfa)},
    {u"springgreen", MakeKolor(0x00, 0xff, 0x7f)},
    {u"steelblue", MakeKolor(0x46, 0x82, 0xb4)},
    {u"tan", MakeKolor(0xd2, 0xb4, 0x8c)},
    {u"teal", MakeKolor(0x00, 0x80, 0x80)},
    {u"thistle", MakeKolor(0xd8, 0xbf, 0xd8)},
    {u"tomato", MakeKolor(0xff, 0x63, 0x47)},
    {u"transparent", 0},
    {u"turquoise", MakeKolor(0x40, 0xe0, 0xd0)},
    {u"violet", MakeKolor(0xee, 0x82, 0xee)},
    {u"wheat", MakeKolor(0xf5, 0xde, 0xb3)},
    {u"white", MakeKolor(0xff, 0xff, 0xff)},
    {u"whitesmoke", MakeKolor(0xf5, 0xf5, 0xf5)},
    {u"yellow", MakeKolor(0xff, 0xff, 0x00)},
    {u"yellowgreen", MakeKolor(0x9a, 0xcd, 0x32)},
};
constexpr size_t kCssColorCount = sizeof(kCssColors) / sizeof(kCssColors[0]);
static_assert(kCssColorCount == 149);

// Sorted; position 0 is blank so that keys start at 1.
constexpr std::array<const char16_t*, 26> kCssProperties = {
    u"",
    u"color",
    u"fill",
    u"fill-opacity",
    u"fill-rule",
    u"font",
    u"font-family",
    u"font-size",
    u"font-style",
    u"font-weight",
    u"inline-size",
    u"offset",
    u"opacity",
    u"stop-color",
    u"stop-opacity",
    u"stroke",
    u"stroke-dasharray",
    u"stroke-dashoffset",
    u"stroke-linecap",
    u"stroke-linejoin",
    u"stroke-miterlimit",
    u"stroke-opacity",
    u"stroke-width",
    u"text-align",
    u"text-anchor",
    u"text-decoration",
};

bool IsSpace(QChar c) {
  return c.isSpace();
}

// ---- Numbers ----

// Reads a plain decimal number (digits with at most one point) at `pos`;
// false when there is none. `hadPoint` tells whether it has a fraction.
bool ScanDecimal(QStringView text, qsizetype& pos, double* value, bool* hadPoint) {
  const qsizetype start = pos;
  bool point = false;
  bool digits = false;
  while (pos < text.size()) {
    const QChar c = text[pos];
    if (c.isDigit() && c.unicode() < 128) {
      digits = true;
    } else if (c == QLatin1Char('.') && !point) {
      point = true;
    } else {
      break;
    }
    ++pos;
  }
  if (!digits) {
    pos = start;
    return false;
  }
  bool ok = false;
  *value = text.mid(start, pos - start).toDouble(&ok);
  if (hadPoint) *hadPoint = point;
  return ok;
}

// Reads an optionally signed real number with exponent; false when none.
bool ScanReal(QStringView text, qsizetype& pos, double* value) {
  qsizetype end = pos;
  if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) ++end;
  qsizetype digitsStart = end;
  double ignored = 0;
  if (!ScanDecimal(text, end, &ignored, nullptr)) return false;
  (void)digitsStart;
  if (end < text.size() && (text[end] == QLatin1Char('e') || text[end] == QLatin1Char('E'))) {
    qsizetype exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == QLatin1Char('-') || text[exponent] == QLatin1Char('+')))
      ++exponent;
    const qsizetype digits = exponent;
    while (exponent < text.size() && text[exponent].isDigit() && text[exponent].unicode() < 128) ++exponent;
    if (exponent > digits) end = exponent;
  }
  bool ok = false;
  const double number = text.mid(pos, end - pos).toDouble(&ok);
  if (!ok || !std::isfinite(number)) return false;
  *value = number;
  pos = end;
  return true;
}

// ---- Colour functions ----

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return 0;
}

Kolor HexColor(QStringView digits) {
  // Digits that are missing count as 0, as do characters that are none.
  auto at = [digits](qsizetype i) { return i < digits.size() ? HexDigit(digits[i]) : 0; };
  if (digits.size() < 6) return MakeKolor(at(0) * 17, at(1) * 17, at(2) * 17);
  return MakeKolor(at(0) * 16 + at(1), at(2) * 16 + at(3), at(4) * 16 + at(5));
}

constexpr int kMaxColorComponents = 4;

// The components of a colour function from the text after its "(", each
// limited to 0 ... 1; `count` tells how many were read. The first may be a
// hue (any real number, unscaled) when `hue` is set.
int ReadComponents(QStringView text, bool hue, std::array<double, kMaxColorComponents>* components) {
  int count = 0;
  qsizetype pos = 0;
  while (count < kMaxColorComponents) {
    while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == QLatin1Char(','))) ++pos;
    if (pos >= text.size() || text[pos] == QLatin1Char(')')) break;
    if (hue && count == 0) {
      double value = 0;
      if (!ScanReal(text, pos, &value)) break;
      // A unit such as "deg" is skipped; the number is in degrees.
      while (pos < text.size() && text[pos].isLetter()) ++pos;
      (*components)[count++] = value;
      continue;
    }
    bool negative = false;
    if (text[pos] == QLatin1Char('-')) {
      negative = true;
      ++pos;
    } else if (text[pos] == QLatin1Char('+')) {
      ++pos;
    }
    double value = 0;
    bool hadPoint = false;
    if (!ScanDecimal(text, pos, &value, &hadPoint)) break;
    if (pos < text.size() && text[pos] == QLatin1Char('%')) {
      ++pos;
      value /= 100.0;
    } else if (!hadPoint && count < 3) {
      // Whole numbers are on the 0-255 scale, except the opacity, which is
      // a fraction however it is written (an opacity of 1 is opaque).
      value = std::min(value, 255.0) / 255.0;
    }
    (*components)[count++] = negative ? 0.0 : std::clamp(value, 0.0, 1.0);
  }
  return count;
}

int ByteOf(double fraction) {
  return int(std::clamp(fraction, 0.0, 1.0) * 255.0 + 1e-9);
}
int OpacityOf(double fraction) {
  return int(std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0));
}

double HueToRgb(double t1, double t2, double hue) {
  if (hue < 0) hue += 1;
  if (hue > 1) hue -= 1;
  if (hue * 6 < 1) return t1 + (t2 - t1) * hue * 6;
  if (hue * 2 < 1) return t2;
  if (hue * 3 < 2) return t1 + (t2 - t1) * (2.0 / 3.0 - hue) * 6;
  return t1;
}

Kolor RgbFunction(QStringView arguments) {
  std::array<double, kMaxColorComponents> c{0, 0, 0, 1};
  ReadComponents(arguments, false, &c);
  return MakeKolor(ByteOf(c[0]), ByteOf(c[1]), ByteOf(c[2]), OpacityOf(c[3]));
}

Kolor HslFunction(QStringView arguments) {
  std::array<double, kMaxColorComponents> c{0, 0, 0, 1};
  ReadComponents(arguments, true, &c);
  double hue = std::fmod(c[0], 360.0);
  if (hue < 0) hue += 360.0;
  hue /= 360.0;
  const double saturation = c[1];
  const double lightness = c[2];
  const double t2 = lightness <= 0.5 ? lightness * (saturation + 1) : lightness + saturation - lightness * saturation;
  const double t1 = lightness * 2 - t2;
  return MakeKolor(ByteOf(HueToRgb(t1, t2, hue + 1.0 / 3.0)), ByteOf(HueToRgb(t1, t2, hue)),
                   ByteOf(HueToRgb(t1, t2, hue - 1.0 / 3.0)), OpacityOf(c[3]));
}

bool StartsWithFunction(QStringView text, QStringView name, QStringView* arguments) {
  if (!text.startsWith(name, Qt::CaseInsensitive)) return false;
  *arguments = text.mid(name.size());
  return true;
}

// ---- Fonts ----

constexpr std::array<QFont::Weight, 16> kWeightLevels = {
    QFont::Thin,      QFont::Thin,      QFont::ExtraLight, QFont::Light,    QFont::Light, QFont::Normal,
    QFont::Normal,    QFont::Medium,    QFont::Medium,     QFont::DemiBold, QFont::Bold,  QFont::Bold,
    QFont::ExtraBold, QFont::ExtraBold, QFont::Black,      QFont::Black};

constexpr std::array<QFont::Weight, 9> kWeightLadder = {QFont::Thin,   QFont::ExtraLight, QFont::Light,
                                                        QFont::Normal, QFont::Medium,     QFont::DemiBold,
                                                        QFont::Bold,   QFont::ExtraBold,  QFont::Black};

QFont::Weight StepWeight(QFont::Weight weight, int direction) {
  // The ladder's nearest rung at or below the weight, then one step.
  qsizetype index = 0;
  for (qsizetype i = 0; i < qsizetype(kWeightLadder.size()); ++i) {
    if (kWeightLadder[size_t(i)] <= weight) index = i;
  }
  if (direction > 0 && kWeightLadder[size_t(index)] < weight) ++index;
  index = std::clamp<qsizetype>(index + direction, 0, qsizetype(kWeightLadder.size()) - 1);
  return kWeightLadder[size_t(index)];
}

bool IsInstalledFamily(const QString& family, QString* installed) {
  static const QStringList families = QFontDatabase::families();
  for (const QString& name : families) {
    if (name.compare(family, Qt::CaseInsensitive) == 0) {
      *installed = name;
      return true;
    }
  }
  return false;
}

// The family with the current font's traits, weight and size.
QFont WithFamily(const QFont& font, const QString& family) {
  QFont result(font);
  result.setFamilies({family});
  return result;
}

}  // namespace

int CssPropertyKey(QStringView name) {
  const auto begin = kCssProperties.begin() + 1;
  const auto found = std::lower_bound(begin, kCssProperties.end(), name, [](const char16_t* entry, QStringView key) {
    return QStringView(entry).compare(key, Qt::CaseInsensitive) < 0;
  });
  if (found != kCssProperties.end() && QStringView(*found).compare(name, Qt::CaseInsensitive) == 0)
    return int(found - kCssProperties.begin());
  // Hidden layers are written as style="display:none".
  if (name.compare(u"display", Qt::CaseInsensitive) == 0) return kCssDisplay;
  if (name.compare(u"visibility", Qt::CaseInsensitive) == 0) return kCssVisibility;
  return 0;
}

void ParseCssString(QStringView text, const CssHandler& handler) {
  qsizetype pos = 0;
  const qsizetype end = text.size();
  for (;;) {
    while (pos < end && IsSpace(text[pos])) ++pos;
    if (pos >= end) return;
    const QChar first = text[pos];
    if (!first.isLetter() && first != QLatin1Char('-') && first != QLatin1Char('_')) return;
    const qsizetype nameStart = pos;
    while (pos < end) {
      const QChar c = text[pos];
      if (IsSpace(c) || (c.isPunct() && c != QLatin1Char('-') && c != QLatin1Char('_'))) break;
      ++pos;
    }
    const QStringView name = text.mid(nameStart, pos - nameStart);
    while (pos < end && IsSpace(text[pos])) ++pos;
    QString value;
    if (pos < end) {
      if (text[pos] == QLatin1Char(';')) {
        ++pos;
      } else if (text[pos] == QLatin1Char(':')) {
        ++pos;
        while (pos < end && IsSpace(text[pos])) ++pos;
        const qsizetype valueStart = pos;
        while (pos < end && text[pos] != QLatin1Char(';')) ++pos;
        qsizetype valueEnd = pos;
        while (valueEnd > valueStart && IsSpace(text[valueEnd - 1])) --valueEnd;
        value = text.mid(valueStart, valueEnd - valueStart).toString();
        if (pos < end) ++pos;
      } else {
        return;
      }
    }
    if (const int key = CssPropertyKey(name)) handler(key, value);
  }
}

Kolor KolorFromCssColor(QStringView text) {
  text = text.trimmed();
  if (text.isEmpty()) return g_nilKolor;
  if (text[0] == QLatin1Char('#')) return HexColor(text.mid(1));
  QStringView arguments;
  if (StartsWithFunction(text, u"rgba(", &arguments) || StartsWithFunction(text, u"rgb(", &arguments))
    return RgbFunction(arguments);
  if (StartsWithFunction(text, u"hsla(", &arguments) || StartsWithFunction(text, u"hsl(", &arguments))
    return HslFunction(arguments);
  if (StartsWithFunction(text, u"url(", &arguments)) {
    const qsizetype close = arguments.indexOf(QLatin1Char(')'));
    if (close < 0) return g_nilKolor;
    const QStringView fallback = arguments.mid(close + 1).trimmed();
    // A fallback is read once: a second url gives no colour.
    if (fallback.isEmpty() || fallback.startsWith(u"url(", Qt::CaseInsensitive)) return g_nilKolor;
    return KolorFromCssColor(fallback);
  }
  const auto found = std::lower_bound(std::begin(kCssColors), std::end(kCssColors), text,
                                      [](const NamedKolor& entry, QStringView name) {
                                        return QStringView(entry.name).compare(name, Qt::CaseSensitive) < 0;
                                      });
  if (found != std::end(kCssColors) && QStringView(found->name) == text) return found->kolor;
  return g_blackKolor;
}

QString CssColorString(Kolor kolor) {
  const int opacity = KolorOpacity(kolor);
  if (opacity > 100) return QStringLiteral("none");
  if (opacity == 0) return QStringLiteral("transparent");
  if (opacity == 100)
    return QStringLiteral("rgb(%1,%2,%3)").arg(KolorRed(kolor)).arg(KolorGreen(kolor)).arg(KolorBlue(kolor));
  return QStringLiteral("rgba(%1,%2,%3,%4)")
      .arg(KolorRed(kolor))
      .arg(KolorGreen(kolor))
      .arg(KolorBlue(kolor))
      .arg(opacity / 100.0, 0, 'f', 2);
}

// ---- Fonts ----

QFont::Weight FontWeightForLevel(int level) {
  return kWeightLevels[size_t(std::clamp(level, 0, 15))];
}

int FontWeightLevel(QFont::Weight weight) {
  // The first level of the weight's band; nearest below for weights between.
  int level = 0;
  for (int i = 0; i < 16; ++i) {
    if (kWeightLevels[size_t(i)] <= weight && (i == 0 || kWeightLevels[size_t(i)] != kWeightLevels[size_t(i - 1)]))
      level = i;
  }
  return level;
}

int CssWeightLevel(int cssWeight) {
  return int(std::lround(double(std::clamp(cssWeight, 100, 900) - 100) * 15.0 / 800.0));
}

QString FamilyForGenericFamily(QStringView generic) {
  struct Generic {
    const char16_t* name;
    QFont::StyleHint hint;
  };
  // Sorted; the faces these stand for are whatever the system installs.
  static constexpr Generic kGenerics[] = {{u"cursive", QFont::Cursive},
                                          {u"fantasy", QFont::Fantasy},
                                          {u"monospace", QFont::Monospace},
                                          {u"sans-serif", QFont::SansSerif},
                                          {u"serif", QFont::Serif}};
  for (const Generic& entry : kGenerics) {
    if (generic.compare(QStringView(entry.name), Qt::CaseInsensitive) != 0) continue;
    QFont font;
    font.setFamilies({QString::fromUtf16(entry.name)});
    font.setStyleHint(entry.hint);
    return QFontInfo(font).family();
  }
  return QString();
}

QFont AdjustCssFont(const QFont& font, QStringView value) {
  (void)value;
  return font;
}

QFont AdjustCssFontFamily(const QFont& font, QStringView value) {
  value = value.trimmed();
  if (value.isEmpty() || value.compare(u"inherit", Qt::CaseInsensitive) == 0) return font;
  qsizetype pos = 0;
  while (pos < value.size()) {
    while (pos < value.size() && (IsSpace(value[pos]) || value[pos] == QLatin1Char(','))) ++pos;
    if (pos >= value.size()) break;
    QString item;
    const QChar quote = value[pos];
    if (quote == QLatin1Char('\'') || quote == QLatin1Char('"')) {
      const qsizetype close = value.indexOf(quote, pos + 1);
      const qsizetype itemEnd = close < 0 ? value.size() : close;
      item = value.mid(pos + 1, itemEnd - pos - 1).trimmed().toString();
      pos = close < 0 ? value.size() : close + 1;
    } else {
      const qsizetype comma = value.indexOf(QLatin1Char(','), pos);
      const qsizetype itemEnd = comma < 0 ? value.size() : comma;
      item = value.mid(pos, itemEnd - pos).trimmed().toString();
      pos = itemEnd;
    }
    if (item.isEmpty()) continue;
    const QString generic = FamilyForGenericFamily(item);
    if (!generic.isEmpty()) item = generic;
    QString family;
    if (IsInstalledFamily(item, &family)) return WithFamily(font, family);
    bool substituted = true;
    const QString mapped = MapFontName(item, &substituted);
    if (substituted) continue;
    // A face name: that face at the current size, then its family with the
    // current traits when the face belongs to one.
    QFont face = FontWithName(mapped, font.pointSizeF() > 0 ? font.pointSizeF() : 12);
    const QString faceFamily = QFontInfo(face).family();
    if (!faceFamily.isEmpty()) return WithFamily(font, faceFamily);
    return face;
  }
  return font;
}

QFont AdjustCssFontSize(const QFont& font, QStringView value) {
  value = value.trimmed();
  if (value.isEmpty()) return font;
  const double current = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
  double size = 0;
  const QChar first = value[0];
  if ((first.isDigit() && first.unicode() < 128) || first == QLatin1Char('.')) {
    bool ok = false;
    if (value.endsWith(QLatin1Char('%'))) {
      size = value.chopped(1).trimmed().toDouble(&ok) * current / 100.0;
    } else if (value.endsWith(u"em", Qt::CaseInsensitive)) {
      size = value.chopped(2).trimmed().toDouble(&ok) * current;
    } else {
      MeasureUnit measure = 0;
      ok = ParseMeasure(value, false, kDistanceUnitPixels, &measure, nullptr) && measure != kMixedMeasure;
      size = double(measure) / double(kMeasurePerPoint);
    }
    if (!ok || !std::isfinite(size)) return font;
  } else {
    struct SizeKeyword {
      const char16_t* name;
      double points;  // 0: relative
    };
    static constexpr SizeKeyword kSizes[] = {{u"large", 24},  {u"larger", 0},    {u"medium", 16},
                                             {u"small", 12},  {u"smaller", 0},   {u"x-large", 36},
                                             {u"x-small", 8}, {u"xx-large", 54}, {u"xx-small", 6}};
    const SizeKeyword* found = nullptr;
    for (const SizeKeyword& entry : kSizes) {
      if (value.compare(QStringView(entry.name), Qt::CaseInsensitive) == 0) found = &entry;
    }
    if (!found) return font;
    if (found->points > 0) {
      size = found->points;
    } else {
      size = QStringView(found->name) == u"larger" ? current * 1.5 : current / 1.5;
    }
  }
  QFont result(font);
  result.setPointSizeF(std::clamp(std::round(size), kMinCssFontSize, kMaxCssFontSize));
  return result;
}

QFont AdjustCssFontStyle(const QFont& font, QStringView value) {
  value = value.trimmed();
  QFont result(font);
  if (value.compare(u"normal", Qt::CaseInsensitive) == 0) {
    result.setItalic(false);
  } else if (value.compare(u"italic", Qt::CaseInsensitive) == 0 ||
             value.compare(u"oblique", Qt::CaseInsensitive) == 0) {
    result.setItalic(true);
  }
  return result;
}

QFont AdjustCssFontWeight(const QFont& font, QStringView value) {
  value = value.trimmed();
  QFont result(font);
  if (value.compare(u"normal", Qt::CaseInsensitive) == 0) {
    result.setBold(false);
  } else if (value.compare(u"bold", Qt::CaseInsensitive) == 0) {
    result.setBold(true);
  } else if (value.compare(u"bolder", Qt::CaseInsensitive) == 0) {
    result.setWeight(StepWeight(font.weight(), 1));
  } else if (value.compare(u"lighter", Qt::CaseInsensitive) == 0) {
    result.setWeight(StepWeight(font.weight(), -1));
  } else {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < 100 || number > 900) return font;
    result.setWeight(FontWeightForLevel(CssWeightLevel(number)));
  }
  return result;
}

QString GenericFamilyForFamilyClass(int familyClass) {
  switch (familyClass) {
    case 1:  // old-style serifs
    case 2:  // transitional
    case 3:  // modern
    case 4:  // Clarendon
    case 5:  // slab
    case 7:  // freeform
      return QStringLiteral("serif");
    case 9:   // ornamentals
    case 12:  // symbolic
      return QStringLiteral("fantasy");
    case 10:  // scripts
      return QStringLiteral("cursive");
    default:
      return QStringLiteral("sans-serif");
  }
}

QString GenericFamilyForFont(const QFont& font) {
  if (QFontInfo(font).fixedPitch()) return QStringLiteral("monospace");
  const QByteArray os2 = QRawFont::fromFont(font).fontTable("OS/2");
  // sFamilyClass: the class in the high byte of the big-endian word at 30.
  if (os2.size() < 32) return QStringLiteral("sans-serif");
  return GenericFamilyForFamilyClass(uint8_t(os2[30]));
}
