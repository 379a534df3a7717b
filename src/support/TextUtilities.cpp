#include "support/TextUtilities.h"

#include <QChar>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <bitset>
#include <memory>

#include "support/Categories.h"
#include "support/Numbers.h"

// ---- Character classes ---------------------------------------------------------

namespace {

// The character sets, made once and kept for the process; 8 KB each.
struct CharacterSets {
  std::bitset<0x10000> whiteSpaceAndNewline, newline, control, upperCase, lowerCase, digits, punctuation, symbols;
  std::array<uint8_t, 256> table{};

  CharacterSets() {
    for (uint32_t u = 0; u < 0x10000; ++u) {
      const QChar::Category cat = QChar(char16_t(u)).category();
      switch (cat) {
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
          whiteSpaceAndNewline.set(u);
          break;
        case QChar::Other_Control:
        case QChar::Other_Format:
          control.set(u);
          break;
        case QChar::Letter_Uppercase:
        case QChar::Letter_Titlecase:
          upperCase.set(u);
          break;
        case QChar::Letter_Lowercase:
          lowerCase.set(u);
          break;
        case QChar::Number_DecimalDigit:
          digits.set(u);
          break;
        case QChar::Punctuation_Connector:
        case QChar::Punctuation_Dash:
        case QChar::Punctuation_Open:
        case QChar::Punctuation_Close:
        case QChar::Punctuation_InitialQuote:
        case QChar::Punctuation_FinalQuote:
        case QChar::Punctuation_Other:
          punctuation.set(u);
          break;
        case QChar::Symbol_Math:
        case QChar::Symbol_Currency:
        case QChar::Symbol_Modifier:
        case QChar::Symbol_Other:
          symbols.set(u);
          break;
        default:
          break;
      }
    }
    for (uint32_t u : {0x09u, 0x0Au, 0x0Bu, 0x0Cu, 0x0Du, 0x85u}) whiteSpaceAndNewline.set(u);
    for (uint32_t u : {0x0Au, 0x0Bu, 0x0Cu, 0x0Du, 0x85u, 0x2028u, 0x2029u}) newline.set(u);
  }

  uint32_t classify(char16_t c) const {
    if (lowerCase.test(c)) return kCharLowerCase;
    if (upperCase.test(c)) return kCharUpperCase;
    if (whiteSpaceAndNewline.test(c)) return kCharSpace;
    if (digits.test(c)) return kCharDigit;
    if (punctuation.test(c) || symbols.test(c)) return kCharPunctuation;
    if (control.test(c)) return kCharControl;
    return kCharOther;
  }
};

const CharacterSets& Sets() {
  static const CharacterSets* sets = [] {
    auto* s = new CharacterSets;  // kept for the process
    for (uint32_t u = 0; u < 256; ++u) s->table[u] = uint8_t(s->classify(char16_t(u)));
    return s;
  }();
  return *sets;
}

}  // namespace

uint32_t TypeOfCharFromSets(char16_t c) {
  return Sets().classify(c);
}

uint32_t TypeOfChar(char16_t c) {
  const CharacterSets& sets = Sets();
  if (c < 256) return sets.table[c];
  return sets.classify(c);
}

uint32_t TypeOfStringChar(QStringView string, qsizetype index) {
  if (index < 0 || index >= string.size()) return kCharOther;
  return TypeOfChar(string[index].unicode());
}

bool CharIsLetter(char16_t c) {
  const uint32_t t = TypeOfChar(c);
  return t == kCharUpperCase || t == kCharLowerCase;
}

bool CharIsLetterOrNumber(char16_t c) {
  const uint32_t t = TypeOfChar(c);
  return t >= kCharUpperCase && t <= kCharDigit;
}

bool CharIsSpaceOrNumber(char16_t c) {
  const uint32_t t = TypeOfChar(c);
  return t == kCharDigit || t == kCharSpace;
}

bool CharIsSpaceOrPunct(char16_t c) {
  const uint32_t t = TypeOfChar(c);
  return t == kCharSpace || t == kCharPunctuation;
}

bool CharIsLineBreak(char16_t c) {
  return Sets().newline.test(c);
}

bool CharIsCurrency(char16_t c) {
  static const QString currency = QString::fromUtf8(
      "$¢₽₺₴£₨₮₦¥₩₱৲€฿₭৳૱௹﷼₹₲₪₡₫៛₵₢₸₤₳₥₠₣₰₧₯₶");
  return currency.contains(QChar(c));
}

char16_t UpperCaseChar(char16_t c) {
  if (c < 97) return c;
  if (c <= 122) return char16_t(c - 32);
  if (c <= 223) return c;
  if ((c >= 224 && c <= 246) || (c >= 248 && c <= 254)) return char16_t(c - 32);
  if (!Sets().lowerCase.test(c)) return c;
  // The full mapping decides: a letter whose upper-case form is longer than
  // one unit (or lies outside the BMP) stays as it is.
  const QString upper = QString(QChar(c)).toUpper();
  return upper.size() == 1 ? upper[0].unicode() : c;
}

char16_t LowerCaseChar(char16_t c) {
  if (c < 65) return c;
  if (c <= 90) return char16_t(c + 32);
  if (c <= 191) return c;
  if ((c >= 192 && c <= 214) || (c >= 216 && c <= 222)) return char16_t(c + 32);
  if (!Sets().upperCase.test(c)) return c;
  const QString lower = QString(QChar(c)).toLower();
  return lower.size() == 1 ? lower[0].unicode() : c;
}

QString LowerCaseString(const QString& s) {
  return s.toLower();
}
QString UpperCaseString(const QString& s) {
  return s.toUpper();
}
QString TitleCaseString(const QString& s) {
  return TitleCase(s);
}

// ---- Strings -------------------------------------------------------------------

QString TrimString(const QString& s) {
  return s.trimmed();
}

QString CleanUpString(const QString& s, bool keepReturns, bool stripPunctuation) {
  return CleanUp(s, keepReturns, stripPunctuation);
}

namespace {
int Sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}
}  // namespace

int CompareStrings(const QString& a, const QString& b) {
  if (a.isNull() || b.isNull()) return a.isNull() ? (b.isNull() ? 0 : -1) : 1;
  return Sign(QString::compare(a, b, Qt::CaseSensitive));
}

int CompareStringsNoCase(const QString& a, const QString& b) {
  if (a.isNull() || b.isNull()) return a.isNull() ? (b.isNull() ? 0 : -1) : 1;
  return Sign(QString::compare(a, b, Qt::CaseInsensitive));
}

uint32_t IndexOfString(QStringView s, QStringView sub, qsizetype start) {
  if (s.isEmpty()) return 0xFFFFFFFF;
  const qsizetype found = IndexOfStringStartingAt(s, sub, start);
  return found == kStringNotFound || found > qsizetype(0xFFFFFFFE) ? 0xFFFFFFFF : uint32_t(found);
}

bool IsWordOnStopList(QStringView word) {
  return IsOnStopList(word);
}

char16_t SubstituteQuotes(char16_t current, char16_t previous, char16_t next) {
  return QuoteForCurrentChar(current, previous, next);
}

QString StringFromTag(uint32_t tag) {
  const char bytes[4] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag)};
  return StringFromBytesInEncoding(bytes, 4, kMacOSRomanStringEncoding);
}

uint32_t TagFromString(const QString& s) {
  if (s.size() < 4) return 0;
  QStringEncoder encoder("macintosh");
  const QByteArray bytes = encoder.encode(s);  // lossy: unmapped characters are replaced
  return TagFromData(bytes);
}

uint32_t TagFromData(const QByteArray& data) {
  if (data.size() < 4) return 0;
  return uint32_t(ReadBigEndian(data.constData(), 4));
}

const char* StringEncodingName(uint32_t encoding) {
  switch (encoding) {
    case kASCIIStringEncoding:
      return "US-ASCII";
    case kUTF8StringEncoding:
      return "UTF-8";
    case kISOLatin1StringEncoding:
      return "ISO-8859-1";
    case kUTF16StringEncoding:
      return "UTF-16";
    case kWindowsCP1250StringEncoding:
      return "windows-1250";
    case kWindowsCP1251StringEncoding:
      return "windows-1251";
    case kWindowsCP1252StringEncoding:
      return "windows-1252";
    case kWindowsCP1253StringEncoding:
      return "windows-1253";
    case kWindowsCP1254StringEncoding:
      return "windows-1254";
    case kISO2022JPStringEncoding:
      return "ISO-2022-JP";
    case kJapaneseEUCStringEncoding:
      return "EUC-JP";
    case kShiftJISStringEncoding:
      return "Shift_JIS";
    case kMacOSRomanStringEncoding:
      return "macintosh";
    case kISOLatin2StringEncoding:
      return "ISO-8859-2";
    case kUTF16BigEndianStringEncoding:
      return "UTF-16BE";
    case kUTF16LittleEndianStringEncoding:
      return "UTF-16LE";
    case kUTF32StringEncoding:
      return "UTF-32";
    case kUTF32BigEndianStringEncoding:
      return "UTF-32BE";
    case kUTF32LittleEndianStringEncoding:
      return "UTF-32LE";
    default:
      return nullptr;
  }
}

QString StringFromBytesInEncoding(const char* bytes, qsizetype length, uint32_t encoding) {
  const char* name = StringEncodingName(encoding);
  if (!name || length < 0 || (!bytes && length > 0)) return QString();
  if (length == 0) return QString(QLatin1String(""));
  if (encoding == kASCIIStringEncoding) {
    for (qsizetype i = 0; i < length; ++i)
      if (uchar(bytes[i]) > 0x7F) return QString();
  }
  QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
  if (!decoder.isValid()) return QString();
  QString text = decoder.decode(QByteArrayView(bytes, length));
  if (decoder.hasError()) return QString();
  if (text.isNull()) text = QString(QLatin1String(""));
  return text;
}

uint32_t ConvertRawTextToUnicode(const char* bytes, qsizetype length, uint32_t encoding, char16_t* buffer,
                                 uint32_t* capacity) {
  const QString text = StringFromBytesInEncoding(bytes, length, encoding);
  if (text.isEmpty() || !capacity) return 0;
  const uint32_t n = uint32_t(std::min<qsizetype>(text.size(), 0xFFFFFFFF));
  if (n > *capacity || !buffer) {
    *capacity = n;
    return 0;
  }
  std::copy_n(text.utf16(), n, buffer);
  return n;
}

uint32_t UnicodeLength(const QString& s) {
  return uint32_t(s.size());
}

QString NormalizeWwwLink(const QString& s) {
  if (!s.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) return s;
  return QStringLiteral("http://www") + s.mid(3);
}

void DecomposeName(const QString& input, QString* first, QString* last) {
  QString given;
  QString surname;
  if (input.isEmpty()) {
    surname = QStringLiteral("?");
  } else {
    QString name = input;
    name.replace(QChar(0x2018), QLatin1Char('\'')).replace(QChar(0x2019), QLatin1Char('\''));
    qsizetype split = name.lastIndexOf(QLatin1Char(' '));
    if (split < 0) {
      surname = name;
    } else {
      // A final initial or suffix ("Jr.") goes with the surname.
      if (name.endsWith(QLatin1Char('.')) && split > 0) {
        const qsizetype before = name.lastIndexOf(QLatin1Char(' '), split - 1);
        if (before >= 0) split = before;
      }
      static const char* const particles[] = {" af ", " de ", " del ", " de la ", " des ",     " di ", " du ",
                                              " la ", " le ", " van ", " von ",   " von der ", " zu "};
      const QStringView head = QStringView(name).left(split + 1);
      for (const char* particle : particles) {
        const QLatin1String p(particle);
        if (head.endsWith(p)) {
          split = split + 1 - p.size();
          break;
        }
      }
      given = name.left(split);
      surname = name.mid(split + 1);
    }
  }
  if (first) *first = given;
  if (last) *last = surname;
}

// ---- Word and sentence limits ------------------------------------------------------

char16_t FetchCharacterFromString(int32_t position, void* string, bool* stop) {
  const auto* s = static_cast<const QString*>(string);
  if (!s || position < 0 || position >= s->size()) {
    if (stop) *stop = true;
    return 0;
  }
  if (stop) *stop = false;
  return s->at(position).unicode();
}

namespace {

// Reads through the callback, remembering whether it asked to stop.
class TextScanner {
 public:
  TextScanner(int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context)
      : m_min(minCp), m_max(maxCp), m_fetch(fetch), m_context(context) {}

  bool stopped() const { return m_stopped; }
  int32_t minCp() const { return m_min; }
  int32_t maxCp() const { return m_max; }
  bool inside(int32_t p) const { return p >= m_min && p < m_max; }

  char16_t at(int32_t p) {
    if (m_stopped || !inside(p) || !m_fetch) {
      if (!m_fetch) m_stopped = true;
      return 0;
    }
    bool stop = false;
    const char16_t c = m_fetch(p, m_context, &stop);
    if (stop) m_stopped = true;
    return c;
  }

 private:
  int32_t m_min;
  int32_t m_max;
  FetchCharProc m_fetch;
  void* m_context;
  bool m_stopped = false;
};

enum class WordClass { LineEnd, Tab, Blank, Word, Punctuation, Control, Other };

WordClass ClassForWord(char16_t c) {
  if (c == u'_') return WordClass::Word;
  if (c == u'\t') return WordClass::Tab;
  if (CharIsLineBreak(c)) return WordClass::LineEnd;
  switch (TypeOfChar(c)) {
    case kCharUpperCase:
    case kCharLowerCase:
    case kCharDigit:
      return WordClass::Word;
    case kCharSpace:
      return WordClass::Blank;
    case kCharPunctuation:
      return WordClass::Punctuation;
    case kCharControl:
      return WordClass::Control;
    default:
      return WordClass::Other;
  }
}

bool IsLetterForWord(char16_t c) {
  return c == u'_' || CharIsLetter(c);
}
bool IsDigit(char16_t c) {
  return TypeOfChar(c) == kCharDigit;
}

// The class of the character at p in its context: connectors between the
// right neighbours count as word characters. Both neighbours must lie within
// minCp and maxCp - 1.
WordClass ClassAt(TextScanner& text, int32_t p) {
  const char16_t c = text.at(p);
  WordClass k = ClassForWord(c);
  if (k == WordClass::Word || text.stopped()) return k;
  const bool apostrophe = c == u'\'' || c == 0x2019;
  const bool separator = c == u'.' || c == u',';
  const bool softHyphen = c == 0x00AD;
  if (!apostrophe && !separator && !softHyphen) return k;
  if (p - 1 < text.minCp() || p + 1 > text.maxCp() - 1) return k;
  const char16_t before = text.at(p - 1);
  const char16_t after = text.at(p + 1);
  if (text.stopped()) return k;
  if (apostrophe && IsLetterForWord(before) && IsLetterForWord(after)) return WordClass::Word;
  if (separator && IsDigit(before) && IsDigit(after)) return WordClass::Word;
  if (softHyphen && ClassForWord(before) == WordClass::Word && ClassForWord(after) == WordClass::Word)
    return WordClass::Word;
  return k;
}

// Walks back from p while the class stays `k`; answers the first position of the run.
int32_t RunStart(TextScanner& text, int32_t p, WordClass k) {
  while (p > text.minCp()) {
    const WordClass prev = ClassAt(text, p - 1);
    if (text.stopped() || prev != k) break;
    --p;
  }
  return p;
}

// Walks forward from p while the class stays `k`; answers the position after the run.
int32_t RunEnd(TextScanner& text, int32_t p, WordClass k) {
  while (p < text.maxCp()) {
    const WordClass here = ClassAt(text, p);
    if (text.stopped() || here != k) break;
    ++p;
  }
  return p;
}

}  // namespace

int32_t StartOfWord(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context) {
  if (cp < 0) return cp + 1;
  if (maxCp <= minCp) return minCp;
  if (cp >= maxCp) cp = maxCp - 1;
  if (cp < minCp) return minCp;
  TextScanner text(minCp, maxCp, fetch, context);
  WordClass k = ClassAt(text, cp);
  if (text.stopped()) return cp;
  if (k == WordClass::LineEnd) return cp;
  if (k == WordClass::Blank) {
    // On blanks: the start of the word before them.
    const int32_t blanks = RunStart(text, cp, WordClass::Blank);
    if (text.stopped() || blanks <= minCp) return blanks;
    cp = blanks - 1;
    k = ClassAt(text, cp);
    if (text.stopped() || k == WordClass::LineEnd) return blanks;
  }
  return RunStart(text, cp, k);
}

int32_t EndOfWord(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, bool includeBlanks, void* context) {
  if (cp < 0) return cp + 1;
  if (cp >= maxCp) return cp;
  if (cp < minCp) cp = minCp;
  TextScanner text(minCp, maxCp, fetch, context);
  const WordClass k = ClassAt(text, cp);
  if (text.stopped()) return cp;
  if (k == WordClass::LineEnd) return cp + 1;
  int32_t end = RunEnd(text, cp, k);
  if (includeBlanks && k != WordClass::Blank && k != WordClass::Tab && !text.stopped())
    end = RunEnd(text, end, WordClass::Blank);
  return end;
}

namespace {

bool IsTerminator(char16_t c) {
  return c == u'.' || c == u'!' || c == u'?';
}
bool IsClosingQuote(char16_t c) {
  return c == u'"' || c == u'\'' || c == u')' || c == 0x2019 || c == 0x201D;
}
bool IsHardBreak(char16_t c) {
  return c == u'\t' || (c >= 0x0A && c <= 0x0D) || c == 0x2028;
}
// White space that does not end a line or a sentence.
bool IsSentenceBlank(char16_t c) {
  return TypeOfChar(c) == kCharSpace && !IsHardBreak(c) && !CharIsLineBreak(c);
}

// A terminator ends its sentence when a blank or a closing mark follows (or the text ends).
bool EndsSentence(TextScanner& text, int32_t p) {
  if (p + 1 >= text.maxCp()) return true;
  const char16_t next = text.at(p + 1);
  return TypeOfChar(next) == kCharSpace || IsClosingQuote(next);
}

int32_t SkipForward(TextScanner& text, int32_t p, bool (*test)(char16_t)) {
  while (p < text.maxCp()) {
    const char16_t c = text.at(p);
    if (text.stopped() || !test(c)) break;
    ++p;
  }
  return p;
}

bool IsSentenceClosing(char16_t c) {
  return IsClosingQuote(c) || c == u'>' || c == u']';
}

}  // namespace

int32_t StartOfSentence(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context) {
  if (maxCp <= minCp) return minCp;
  if (cp >= maxCp) cp = maxCp - 1;
  if (cp <= minCp) return minCp;
  TextScanner text(minCp, maxCp, fetch, context);
  for (int32_t p = cp; p >= minCp; --p) {
    const char16_t c = text.at(p);
    if (text.stopped()) return p + 1 <= cp ? p + 1 : cp;
    int32_t begin = -1;
    if (IsHardBreak(c)) {
      begin = SkipForward(text, p + 1, IsSentenceBlank);
    } else if (IsTerminator(c) && EndsSentence(text, p)) {
      begin = SkipForward(text, p + 1, IsClosingQuote);
      begin = SkipForward(text, begin, IsSentenceBlank);
    }
    if (text.stopped()) return std::min(p + 1, cp);
    // Beyond cp means cp lay in the gap after this terminator: it belongs to
    // the sentence that the terminator ends, so keep scanning back.
    if (begin >= 0 && begin <= cp) return begin;
  }
  return minCp;
}

int32_t EndOfSentence(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context) {
  if (maxCp <= minCp) return maxCp;
  if (cp >= maxCp) return maxCp;
  if (cp < minCp) cp = minCp;
  TextScanner text(minCp, maxCp, fetch, context);
  while (cp > minCp) {
    const char16_t c = text.at(cp);
    if (text.stopped() || !IsSentenceBlank(c)) break;
    --cp;
  }
  if (text.stopped()) return cp;
  for (int32_t p = cp; p < maxCp; ++p) {
    const char16_t c = text.at(p);
    if (text.stopped()) return p;
    if (IsHardBreak(c) || CharIsLineBreak(c)) return p;
    if (IsTerminator(c) && EndsSentence(text, p)) {
      int32_t end = SkipForward(text, p + 1, IsSentenceClosing);
      end = SkipForward(text, end, IsSentenceBlank);
      return end;
    }
  }
  const char16_t lastChar = text.at(maxCp - 1);
  if (!text.stopped() && (lastChar == u'\r' || lastChar == u'\n')) return maxCp - 1;
  return maxCp;
}

bool ChangeLinearSelection(int32_t cp, int32_t anchor, int32_t* start, int32_t* end, int32_t minCp, int32_t maxCp,
                           InvertRangeProc invert, void* context) {
  if (!start || !end) return false;
  auto flip = [&](int32_t from, int32_t to) {
    if (invert && from != to) invert(std::min(from, to), std::max(from, to), context);
  };
  if (cp >= anchor) {
    if (*start < anchor) {
      anchor = std::max(*start, minCp);
      if (*start < anchor) flip(*start, anchor);
      *start = anchor;
    }
    if (*end != cp) flip(*end, cp);
    *end = cp;
  } else {
    if (*end > anchor) {
      anchor = std::min(*end, maxCp);
      if (*end > anchor) flip(anchor, *end);
      *end = anchor;
    }
    if (*start != cp) flip(cp, *start);
    *start = cp;
  }
  return *end > *start;
}
