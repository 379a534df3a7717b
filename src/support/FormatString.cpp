#include "support/FormatString.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "support/Kolor.h"
#include "support/Measure.h"
#include "support/TextUtilities.h"

namespace {

// Byte texts and character codes are in Mac OS Roman.
QString MacRomanText(const char* bytes, qsizetype length) {
  return StringFromBytesInEncoding(bytes, length, kMacOSRomanStringEncoding);
}

constexpr QChar kFigureSpace(0x2007);
constexpr QChar kNoBreakSpace(0x00A0);

// Widths, digit counts and float texts are kept to this many characters.
constexpr int kMaxWidth = 32;
constexpr int kMaxNumberLength = 31;
constexpr int kMaxLetters = 32;
constexpr int64_t kMaxFootnote = 193;
constexpr uint64_t kMaxRoman = 3999;

enum class CaseMode { None, Upper, Lower };

struct Conversion {
  QChar pad = u' ';
  int width = 0;
  int precision = 0;
  DistanceUnit unit = kCurrentDistanceUnit;
  CaseMode caseMode = CaseMode::None;
  bool leftJustify = false;
  bool exponent = false;
  bool suppressZero = false;
  bool thousands = false;
};

constexpr QStringView kLetters = u"@abcCdDfgiIlLmorRsStxXyYz";

// Decimal digits of a magnitude, with "," every three digits on request.
QString DecimalText(uint64_t magnitude, bool negative, bool thousands) {
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude);
  Q_UNUSED(error);
  const int count = int(end - digits);
  QString text;
  if (negative) text += u'-';
  for (int i = 0; i < count; ++i) {
    if (thousands && i > 0 && (count - i) % 3 == 0) text += u',';
    text += QLatin1Char(digits[i]);
  }
  return text;
}

QString IntegerText(int64_t value, const Conversion& c) {
  if (value == 0 && c.suppressZero) return QString();
  const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  return DecimalText(magnitude, value < 0, c.thousands);
}

QString DigitsInBase(uint64_t value, int bitsPerDigit, int minDigits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  QString text;
  const uint64_t mask = (uint64_t(1) << bitsPerDigit) - 1;
  do {
    text.prepend(QLatin1Char(kDigits[value & mask]));
    value >>= bitsPerDigit;
  } while (value != 0);
  while (text.size() < minDigits) text.prepend(u'0');
  return text;
}

QString OrdinalSuffixText(uint64_t n) {
  const uint64_t lastTwo = n % 100;
  const char* suffix = "th";
  if (lastTwo < 11 || lastTwo > 19) {
    switch (n % 10) {
      case 1:
        suffix = "st";
        break;
      case 2:
        suffix = "nd";
        break;
      case 3:
        suffix = "rd";
        break;
      default:
        break;
    }
  }
  return DecimalText(n, false, true) + QLatin1String(suffix);
}

// ---- Floats --------------------------------------------------------------------

// The shortest decimal that reads back as the float: its digits and the
// power of ten of the first digit. Digits are then cut, never rounded, so
// 0.01 with two decimals prints 0.01 and not the binary value's 0.00.
struct DecimalFloat {
  QString digits;
  int exponent = 0;
};

DecimalFloat Decompose(float magnitude) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  Q_UNUSED(error);
  DecimalFloat result;
  const char* e = static_cast<const char*>(std::memchr(buffer, 'e', size_t(end - buffer)));
  for (const char* p = buffer; p < e; ++p)
    if (*p != '.') result.digits += QLatin1Char(*p);
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, result.exponent);
  return result;
}

// Digit i (0 first) of the decimal, zero past its end.
QChar DigitAt(const DecimalFloat& d, int i) {
  return i >= 0 && i < d.digits.size() ? d.digits[i] : QChar(u'0');
}

QString FloatText(float value, const Conversion& c) {
  if (!std::isfinite(value)) return QStringLiteral("!");
  QString text;
  if (value < 0) {
    text += u'-';
    value = -value;
  }
  const DecimalFloat d = value == 0 ? DecimalFloat{QStringLiteral("0"), 0} : Decompose(value);
  const int p = c.precision;

  bool exponent = c.exponent;
  if (!exponent) {
    // 2^64 and above have no unsigned 64-bit whole part.
    if (value >= 18446744073709551616.0f) exponent = true;
    // Tiny values would show only zeros.
    else if (value != 0 && value < 1 && std::min(-d.exponent, 99) > p)
      exponent = true;
  }

  if (exponent) {
    const int mantissaDecimals = std::min(p, kMaxNumberLength - 6);
    text += DigitAt(d, 0);
    if (mantissaDecimals > 0) {
      text += u'.';
      for (int i = 1; i <= mantissaDecimals; ++i) text += DigitAt(d, i);
    }
    const bool negativeExponent = value > 0 && value <= 1;
    text += negativeExponent ? QStringLiteral("E-") : QStringLiteral("E+");
    text += QString::number(std::abs(d.exponent));
    return text;
  }

  uint64_t whole = 0;
  for (int i = 0; i <= d.exponent; ++i) whole = whole * 10 + uint64_t(DigitAt(d, i).unicode() - '0');
  if (whole != 0 || !c.suppressZero) text += DecimalText(whole, false, c.thousands);
  int decimals = std::min(p, kMaxNumberLength - int(text.size()) - 1);
  if (c.width > 0) decimals = std::min(decimals, std::min(c.width, kMaxWidth) - int(text.size()) - 1);
  if (decimals > 0) {
    text += u'.';
    for (int i = 1; i <= decimals; ++i) text += DigitAt(d, d.exponent + i);
  }
  return text;
}

// ---- Words -----------------------------------------------------------------------

constexpr const char* kUnitWords[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
constexpr const char* kUnitOrdinals[] = {"zeroth", "first", "second",  "third",  "fourth",
                                         "fifth",  "sixth", "seventh", "eighth", "ninth"};
constexpr const char* kTeenWords[] = {"eleven",  "twelve",    "thirteen", "fourteen", "fifteen",
                                      "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr const char* kTenWords[] = {"ten",   "twenty",  "thirty", "forty", "fifty",
                                     "sixty", "seventy", "eighty", "ninety"};
// Enough scale words for every 64-bit value (below 18.5 quintillion).
constexpr const char* kScaleWords[] = {"thousand", "million", "billion", "trillion", "quadrillion", "quintillion"};

struct LastWord {
  qsizetype start = 0;
  int unitDigit = -1;  // the word is a unit word
  bool twelve = false;
};

void AppendWord(QString* text, const char* word, LastWord* last, bool hyphen = false) {
  if (!text->isEmpty()) *text += hyphen ? u'-' : u' ';
  last->start = text->size();
  last->unitDigit = -1;
  last->twelve = false;
  *text += QLatin1String(word);
}

void AppendGroup(QString* text, unsigned group, LastWord* last) {
  if (group >= 100) {
    AppendWord(text, kUnitWords[group / 100], last);
    last->unitDigit = int(group / 100);
    AppendWord(text, "hundred", last);
  }
  const unsigned rest = group % 100;
  if (rest >= 11 && rest <= 19) {
    AppendWord(text, kTeenWords[rest - 11], last);
    last->twelve = rest == 12;
    return;
  }
  if (rest >= 10) AppendWord(text, kTenWords[rest / 10 - 1], last);
  if (rest % 10 != 0) {
    AppendWord(text, kUnitWords[rest % 10], last, rest >= 10);
    last->unitDigit = int(rest % 10);
  }
}

}  // namespace

QString NumberInWords(uint64_t value, bool ordinal, bool capitalise) {
  QString text;
  if (value == 0) {
    text = QLatin1String(ordinal ? "zeroth" : "zero");
  } else {
    unsigned groups[7] = {};
    int count = 0;
    for (uint64_t v = value; v != 0; v /= 1000) groups[count++] = unsigned(v % 1000);
    LastWord last;
    for (int g = count - 1; g >= 0; --g) {
      if (groups[g] == 0) continue;
      AppendGroup(&text, groups[g], &last);
      if (g > 0) AppendWord(&text, kScaleWords[g - 1], &last);
    }
    if (ordinal) {
      if (last.unitDigit >= 0) {
        text.replace(last.start, text.size() - last.start, QLatin1String(kUnitOrdinals[last.unitDigit]));
      } else if (last.twelve) {
        text.replace(last.start, text.size() - last.start, QLatin1String("twelfth"));
      } else {
        if (text.endsWith(u'y')) text.replace(text.size() - 1, 1, QLatin1String("ie"));
        text += QLatin1String("th");
      }
    }
  }
  if (capitalise && !text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QString RomanNumeral(uint64_t value, bool upperCase) {
  if (value == 0) return QStringLiteral("0");
  if (value > kMaxRoman) return QStringLiteral("!");
  const QStringView letters = upperCase ? QStringView(u"IVXLCDM") : QStringView(u"ivxlcdm");
  QString text;
  const unsigned digits[4] = {unsigned(value / 1000), unsigned(value / 100 % 10), unsigned(value / 10 % 10),
                              unsigned(value % 10)};
  for (int place = 3; place >= 0; --place) {
    const unsigned digit = digits[3 - place];
    const QChar one = letters[place * 2];
    // Thousands have no five- or ten-letter, but never need one below 4,000.
    const QChar five = place < 3 ? letters[place * 2 + 1] : one;
    const QChar ten = place < 3 ? letters[place * 2 + 2] : one;
    if (digit == 9) {
      text += one;
      text += ten;
    } else if (digit == 4) {
      text += one;
      text += five;
    } else {
      if (digit >= 5) text += five;
      for (unsigned i = 0; i < digit % 5; ++i) text += one;
    }
  }
  return text;
}

QString Lettering(uint64_t value, bool upperCase) {
  if (value == 0) return QStringLiteral("0");
  const char16_t base = upperCase ? u'A' : u'a';
  QString text;
  while (value != 0) {
    if (text.size() >= kMaxLetters) return QStringLiteral("!");
    --value;
    text.prepend(QChar(char16_t(base + value % 26)));
    value /= 26;
  }
  return text;
}

QString FootnoteMark(int64_t value) {
  static constexpr char16_t kMarks[] = u"*\u2020\u2021\u00A7\u2016#";
  if (value < 1) return QStringLiteral("0");
  if (value > kMaxFootnote) return QStringLiteral("!");
  return QString(qsizetype((value - 1) / 6 + 1), QChar(kMarks[(value - 1) % 6]));
}

// ---- Arguments -------------------------------------------------------------------

int64_t FormatStringArg::word() const {
  switch (m_kind) {
    case Kind::Word:
      return m_word;
    case Kind::SignedPointer:
      return m_signed ? *m_signed : 0;
    case Kind::UnsignedPointer:
      return m_unsigned ? int64_t(*m_unsigned) : 0;
    case Kind::Text:
    case Kind::Bytes:
      return 0;
  }
  return 0;
}

bool FormatStringArg::isNull() const {
  switch (m_kind) {
    case Kind::Bytes:
      return m_bytes == nullptr;
    case Kind::SignedPointer:
      return m_signed == nullptr;
    case Kind::UnsignedPointer:
      return m_unsigned == nullptr;
    default:
      return false;
  }
}

QString FormatStringArg::text() const {
  switch (m_kind) {
    case Kind::Text:
      return m_text;
    case Kind::Bytes:
      return m_bytes ? MacRomanText(m_bytes, qsizetype(std::strlen(m_bytes))) : QString();
    case Kind::UnsignedPointer:
      return m_unsigned ? QString::number(*m_unsigned) : QString();
    default:
      return isNull() ? QString() : QString::number(word());
  }
}

// ---- The formatter -----------------------------------------------------------------

namespace {

// Reads the digits at `*i` into a number that stops growing past 1,000.
int ReadSmallNumber(QStringView piece, qsizetype* i) {
  int number = 0;
  while (*i < piece.size() && piece[*i].unicode() >= '0' && piece[*i].unicode() <= '9') {
    number = std::min(number * 10 + (piece[*i].unicode() - '0'), 1000);
    ++*i;
  }
  return number;
}

void Pad(QString* text, const Conversion& c, bool numeric) {
  const int width = std::min(c.width, kMaxWidth);
  if (text->size() >= width) return;
  const QString padding(width - text->size(), c.pad);
  const bool blankPad = c.pad == u' ' || c.pad == kNoBreakSpace || c.pad == kFigureSpace;
  if (!numeric || blankPad || c.leftJustify) {
    *text += padding;
  } else if (text->startsWith(u'-')) {
    // Zeros go between the sign and the digits: -0042.
    text->insert(1, padding);
  } else {
    text->prepend(padding);
  }
}

QString Convert(QChar letter, const Conversion& c, const FormatStringArg* arg) {
  const int64_t word = arg ? arg->word() : 0;
  const uint64_t unsignedWord = uint64_t(word);
  switch (letter.unicode()) {
    case '@':
      return arg ? arg->text() : QStringLiteral("(null)");
    case 'a':
      return NumberInWords(unsignedWord, false, c.caseMode == CaseMode::Upper);
    case 'I':
      return NumberInWords(unsignedWord, true, c.caseMode == CaseMode::Upper);
    case 'b':
      return DigitsInBase(unsignedWord & 0xFFFFFFFF, 1, 32);
    case 'o':
      return DigitsInBase(unsignedWord & 0x1FFFFFFFF, 3, 11);
    case 'c': {
      const char byte = char(word & 0xFF);
      return byte ? MacRomanText(&byte, 1) : QString();
    }
    case 'C':
      return (word & 0xFFFF) ? QString(QChar(char16_t(word))) : QString();
    case 'd':
      return IntegerText(int32_t(uint32_t(unsignedWord)), c);
    case 'D':
      return IntegerText(word, c);
    case 'f':
      return FloatText(FloatFromContext(word), c);
    case 'g': {
      char bytes[4];
      int count = 0;
      for (int shift = 24; shift >= 0; shift -= 8)
        if (const char b = char((unsignedWord >> shift) & 0xFF)) bytes[count++] = b;
      return MacRomanText(bytes, count);
    }
    case 'i':
      return OrdinalSuffixText(unsignedWord);
    case 'l':
      return Lettering(unsignedWord, false);
    case 'L':
      return Lettering(unsignedWord, true);
    case 'm':
      return FormatMeasureCore(word, c.precision, false, true, c.unit);
    case 'r':
      return RomanNumeral(unsignedWord, false);
    case 'R':
      return RomanNumeral(unsignedWord, true);
    case 's':
      return arg ? arg->text() : QString();
    case 'S': {
      const QString text = arg ? arg->text() : QString();
      if (c.caseMode == CaseMode::Upper) return text.toUpper();
      if (c.caseMode == CaseMode::Lower) return text.toLower();
      return text;
    }
    case 't':
      return QString();
    case 'x':
    case 'X':
    case 'y':
    case 'Y':
      return DigitsInBase(unsignedWord, 4, std::min(c.width, kMaxWidth));
    case 'z':
      return FootnoteMark(word);
    default:
      return QString();
  }
}

bool IsNumericConversion(QChar letter) {
  return QStringView(u"dDxXyYf").contains(letter);
}

}  // namespace

QString FormatStringArgs(QStringView format, std::span<const FormatStringArg> args) {
  size_t nextArg = 0;
  const qsizetype first = format.indexOf(u'%');
  if (first < 0) return format.toString();
  QString out = format.left(first).toString();

  qsizetype start = first + 1;
  for (;;) {
    const qsizetype nextPercent = format.indexOf(u'%', start);
    const bool lastPiece = nextPercent < 0;
    const QStringView piece = format.mid(start, (lastPiece ? format.size() : nextPercent) - start);
    if (piece.isEmpty()) {
      if (!lastPiece) out += u'%';
    } else {
      Conversion c;
      qsizetype i = 0;
      if (piece[0] == u'-') {
        c.leftJustify = true;
        i = 1;
      }
      bool flags = true;
      while (flags && i < piece.size()) {
        switch (piece[i].unicode()) {
          case '!':
            c.suppressZero = true;
            c.unit = kDistanceUnitCentimetres;
            ++i;
            break;
          case '"':
            c.unit = kDistanceUnitInches;
            ++i;
            break;
          case '#':
            c.pad = kFigureSpace;
            ++i;
            break;
          case ',':
            c.thousands = true;
            c.unit = kDistanceUnitPoints;
            ++i;
            break;
          case '.':
            ++i;
            c.precision = ReadSmallNumber(piece, &i);
            break;
          case '<':
            c.caseMode = CaseMode::Lower;
            ++i;
            break;
          case '=':
            c.pad = kNoBreakSpace;
            ++i;
            break;
          case '>':
            c.caseMode = CaseMode::Upper;
            ++i;
            break;
          case '^':
            c.exponent = true;
            ++i;
            break;
          case '0':
          case '1':
          case '2':
          case '3':
          case '4':
          case '5':
          case '6':
          case '7':
          case '8':
          case '9':
            if (piece[i] == u'0') c.pad = u'0';
            c.width = ReadSmallNumber(piece, &i);
            break;
          default:
            flags = false;
            break;
        }
      }
      if (i < piece.size() && kLetters.contains(piece[i])) {
        const QChar letter = piece[i];
        const FormatStringArg* arg = nextArg < args.size() ? &args[nextArg] : nullptr;
        ++nextArg;
        QString text = Convert(letter, c, arg);
        Pad(&text, c, IsNumericConversion(letter));
        out += text;
        out += piece.mid(i + 1);
      } else {
        out += piece;
      }
    }
    if (lastPiece) break;
    start = nextPercent + 1;
  }
  return out;
}
