#include "support/Categories.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <QUuid>
#include <algorithm>
#include <array>

#include "platform/PathParts.h"
#include "support/CSCore.h"
#include "support/Files.h"
#include "support/NumberText.h"
#include "support/Numbers.h"
#include "support/TextUtilities.h"

// ---- Strings and paths -----------------------------------------------------------

QString GuidString() {
  return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString NumberString(int value) {
  return QString::number(value);
}
QString LongNumberString(int64_t value) {
  return QString::number(qlonglong(value));
}

namespace {

// As ParentFolderOfPath, but a bare name has no folder: "" rather than ".".
QString DeletingLastComponent(const QString& path) {
  if (!PathWithoutTrailingSlashes(path).contains(QLatin1Char('/'))) return QString(QLatin1String(""));
  return ParentFolderOfPath(path);
}

// The extension's dot in the last component, or -1; a leading dot names a
// hidden file, not an extension.
qsizetype ExtensionDot(const QString& path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (dot <= slash + 1 || dot == path.size() - 1) return -1;
  return dot;
}

QString AppendingComponent(const QString& path, const QString& name) {
  if (path.isEmpty()) return name;
  if (path.endsWith(QLatin1Char('/'))) return path + name;
  return path + QLatin1Char('/') + name;
}

}  // namespace

// A home of "/" is never abbreviated, since "~/x" would then read back as
// "//x"; "home/" is the home folder itself and stays as it is.
QString AbbreviateHomeFolderPath(const QString& path) {
  const QString home = PathWithoutTrailingSlashes(HomeFolderPath());
  if (home.isEmpty() || home == QLatin1String("/")) return path;
  if (path.size() > home.size() + 1 && path.startsWith(home) && path[home.size()] == QLatin1Char('/')) {
    return QLatin1Char('~') + path.mid(home.size());
  }
  return path;
}

QString LastPathComponent(const QString& path) {
  const QString p = PathWithoutTrailingSlashes(path);
  if (p == QLatin1String("/")) return p;
  return LastComponentOfPath(p);
}

QString FileNameMinusExtension(const QString& path) {
  const QString name = LastPathComponent(path);
  const qsizetype dot = ExtensionDot(name);
  return dot < 0 ? name : name.left(dot);
}

QString StringByAppendingFile(const QString& path, const QString& file, const QString& extension) {
  QString result = AppendingComponent(path, file);
  if (!extension.isEmpty()) result += QLatin1Char('.') + extension;
  return result;
}

QString StringByReplacingExtension(const QString& path, const QString& extension) {
  QString p = PathWithoutTrailingSlashes(path);
  const qsizetype dot = ExtensionDot(p);
  if (dot >= 0) p.truncate(dot);
  if (!extension.isEmpty()) p += QLatin1Char('.') + extension;
  return p;
}

QString StringByReplacingFile(const QString& path, const QString& file, const QString& extension) {
  return StringByAppendingFile(DeletingLastComponent(path), file, extension);
}

bool IsFuzzyEqualToString(const QString& s, const QString& other) {
  if (s.isNull() || other.isNull()) return false;
  return QString::compare(s, other, Qt::CaseInsensitive) == 0;
}

bool HasFuzzyPrefix(const QString& s, const QString& prefix) {
  if (prefix.isEmpty()) return false;  // an empty text is found nowhere
  return s.startsWith(prefix, Qt::CaseInsensitive);
}

bool HasFuzzySuffix(const QString& s, const QString& suffix) {
  if (suffix.isEmpty()) return false;
  return s.endsWith(suffix, Qt::CaseInsensitive);
}

qsizetype IndexOfStringStartingAt(QStringView s, QStringView find, qsizetype start) {
  if (find.isEmpty() || start < 0 || start >= s.size()) return kStringNotFound;
  const qsizetype found = s.indexOf(find, start, Qt::CaseInsensitive);
  return found < 0 ? kStringNotFound : found;
}

qsizetype NumberOfOccurrencesOfString(QStringView s, QStringView find) {
  if (find.isEmpty()) return 0;
  qsizetype count = 0;
  for (qsizetype at = s.indexOf(find); at >= 0; at = s.indexOf(find, at + find.size())) ++count;
  return count;
}

QString SubstringFrom(const QString& s, qsizetype from, qsizetype to) {
  if (from < 0) from = 0;
  if (from >= s.size()) return QString(QLatin1String(""));
  to = std::min(to, s.size());
  if (to <= from) return QString(QLatin1String(""));
  return s.mid(from, to - from);
}

qsizetype NextNonSpace(QStringView s, qsizetype index, char16_t* character) {
  for (qsizetype i = std::max<qsizetype>(index, 0); i < s.size(); ++i) {
    if (TypeOfChar(s[i].unicode()) != kCharSpace) {
      if (character) *character = s[i].unicode();
      return i;
    }
  }
  if (character) *character = u' ';
  return s.size();
}

char16_t ValidateFirstUnicodeCharacter(QStringView s) {
  if (s.size() != 1 || s[0].isSurrogate()) return 0;
  return s[0].unicode();
}

namespace {
constexpr std::array<const char*, 48> kStopWords = {
    "a",       "above",      "after",  "against", "along",  "amid",    "among",   "an",         "and", "as",
    "at",      "behind",     "below",  "beneath", "beside", "besides", "between", "but",        "by",  "despite",
    "down",    "during",     "except", "for",     "from",   "in",      "into",    "nor",        "of",  "on",
    "onto",    "or",         "over",   "per",     "since",  "than",    "the",     "throughout", "to",  "toward",
    "towards", "underneath", "unlike", "until",   "upon",   "versus",  "via",     "with"};
}  // namespace

bool IsOnStopList(QStringView word) {
  qsizetype low = 0;
  qsizetype high = qsizetype(kStopWords.size()) - 1;
  while (low <= high) {
    const qsizetype mid = (low + high) / 2;
    const int order = word.compare(QLatin1String(kStopWords[size_t(mid)]), Qt::CaseInsensitive);
    if (order == 0) return true;
    if (order < 0)
      high = mid - 1;
    else
      low = mid + 1;
  }
  return false;
}

uint32_t IdentifyStringEncoding(QStringView name) {
  static const struct {
    const char* name;
    uint32_t encoding;
  } table[] = {
      {"utf-8", kUTF8StringEncoding},
      {"utf-16", kUTF16StringEncoding},
      {"iso-8859-1", kISOLatin1StringEncoding},
      {"windows-1252", kWindowsCP1252StringEncoding},
      {"us-ascii", kASCIIStringEncoding},
      {"utf-16be", kUTF16BigEndianStringEncoding},
      {"utf-16le", kUTF16LittleEndianStringEncoding},
      {"iso-8859-2", kISOLatin2StringEncoding},
      {"iso-2022-jp", kISO2022JPStringEncoding},
      {"euc-jp", kJapaneseEUCStringEncoding},
      {"shift_jis", kShiftJISStringEncoding},
      {"utf-32", kUTF32StringEncoding},
      {"utf-32be", kUTF32BigEndianStringEncoding},
      {"utf-32le", kUTF32LittleEndianStringEncoding},
      {"windows-1250", kWindowsCP1250StringEncoding},
      {"windows-1251", kWindowsCP1251StringEncoding},
      {"windows-1253", kWindowsCP1253StringEncoding},
      {"windows-1254", kWindowsCP1254StringEncoding},
  };
  for (const auto& row : table)
    if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) return row.encoding;
  return kUnknownStringEncoding;
}

QString EncodeIncludingPeriods(const QString& s, bool periods, bool returns) {
  const QByteArray utf8 = s.toUtf8();
  QString result;
  bool changed = false;
  static const char hex[] = "0123456789ABCDEF";
  for (const char byte : utf8) {
    const uchar b = uchar(byte);
    const bool keep = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                      b == '~' || b == '_' || (b == '.' && !periods) || (b == '\n' && !returns);
    if (keep) {
      result += QLatin1Char(char(b));
    } else {
      result += QLatin1Char('%');
      result += QLatin1Char(hex[b >> 4]);
      result += QLatin1Char(hex[b & 15]);
      changed = true;
    }
  }
  return changed ? result : s;
}

namespace {
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}
}  // namespace

QString DecodeString(const QString& s) {
  if (!s.contains(QLatin1Char('%'))) return s;
  QByteArray bytes;
  bytes.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] != QLatin1Char('%')) {
      const qsizetype start = i;
      while (i + 1 < s.size() && s[i + 1] != QLatin1Char('%')) ++i;
      bytes += QStringView(s).mid(start, i - start + 1).toUtf8();
      continue;
    }
    if (i + 2 >= s.size()) return QString();
    const int high = HexValue(s[i + 1].unicode());
    const int low = HexValue(s[i + 2].unicode());
    if (high < 0 || low < 0) return QString();
    bytes += char(high * 16 + low);
    i += 2;
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) return QString();
  if (text.isNull()) text = QString(QLatin1String(""));
  return text;
}

namespace {
bool IsEdgeJunk(char16_t c) {
  const uint32_t t = TypeOfChar(c);
  return t == kCharSpace || t == kCharControl;
}
}  // namespace

QString CleanUp(const QString& s, bool keepReturns, bool stripPunctuation) {
  qsizetype first = 0;
  qsizetype last = s.size();
  while (first < last && IsEdgeJunk(s[first].unicode())) ++first;
  while (last > first && IsEdgeJunk(s[last - 1].unicode())) --last;
  QString out;
  out.reserve(last - first);
  for (qsizetype i = first; i < last; ++i) {
    const char16_t c = s[i].unicode();
    const uint32_t t = TypeOfChar(c);
    if (CharIsLineBreak(c)) {
      if (keepReturns) {
        if (!out.endsWith(QLatin1Char('\n'))) out += QLatin1Char('\n');
      } else if (!out.endsWith(QLatin1Char(' '))) {
        out += QLatin1Char(' ');
      }
    } else if (t == kCharSpace) {
      if (!out.endsWith(QLatin1Char(' ')) && !out.endsWith(QLatin1Char('\n'))) out += QLatin1Char(' ');
    } else if (t == kCharControl) {
      continue;
    } else if (t == kCharPunctuation && stripPunctuation) {
      continue;
    } else {
      out += QChar(c);
    }
  }
  // Deleted punctuation can leave blanks at the ends.
  while (!out.isEmpty() && (out.endsWith(QLatin1Char(' ')) || out.endsWith(QLatin1Char('\n')))) out.chop(1);
  while (!out.isEmpty() && (out.startsWith(QLatin1Char(' ')) || out.startsWith(QLatin1Char('\n')))) out.remove(0, 1);
  return out.isEmpty() ? QString() : out;
}

QString Extract(const QString& s, qsizetype keyIndex, qsizetype keyLength, qsizetype maxLength, bool stripPunctuation) {
  const QString empty(QLatin1String(""));
  if (keyIndex < 0 || keyIndex >= s.size() || keyLength < 0) return empty;
  if (maxLength <= 0) maxLength = 100;
  qsizetype start = keyIndex;
  while (start > 0 && TypeOfChar(s[start - 1].unicode()) != kCharSpace) --start;
  const qsizetype keyEnd = std::min(s.size(), keyIndex + keyLength);
  qsizetype end = keyEnd;
  while (end < s.size() && !CharIsLineBreak(s[end].unicode())) ++end;
  if (end - start > maxLength) {
    const qsizetype limit = start + maxLength;
    qsizetype cut = limit;
    while (cut > keyEnd && TypeOfChar(s[cut].unicode()) != kCharSpace) --cut;
    end = cut > keyEnd ? cut : limit;
  }
  const QString cleaned = CleanUp(s.mid(start, end - start), false, stripPunctuation);
  return cleaned.isNull() ? empty : cleaned;
}

namespace {

// Taken once from the user's first language.
const QString& UserQuotes() {
  static const QString quotes = [] {
    const QStringList languages = QLocale::system().uiLanguages();
    return TypographicQuotesForLocale(languages.isEmpty() ? QLocale::system() : QLocale(languages.first()));
  }();
  return quotes;
}

}  // namespace

QString TypographicQuotesForLocale(const QLocale& locale) {
  const QString defaults = QStringLiteral("\u201C\u201D\u2018\u2019");
  const QString doubles = locale.quoteString(QString(), QLocale::StandardQuotation);
  const QString singles = locale.quoteString(QString(), QLocale::AlternateQuotation);
  if (doubles.size() != 2 || singles.size() != 2) return defaults;
  const QString marks = doubles + singles;
  // A locale whose marks are the straight ones (the C locale) keeps the defaults.
  for (const QChar m : marks)
    if (m == QLatin1Char('"') || m == QLatin1Char('\'') || TypeOfChar(m.unicode()) != kCharPunctuation) return defaults;
  return marks;
}

char16_t QuoteForCurrentChar(char16_t c, char16_t previous, char16_t next) {
  if (c != u'\'' && c != u'"') return c;
  const QString& q = UserQuotes();
  static const QString openers = QString::fromUtf8("\"'(<=[{«‘“");
  // A zero previous character is the start of the text.
  bool opens = previous == 0 || openers.contains(QChar(previous)) || TypeOfChar(previous) == kCharSpace;
  // '90s: an apostrophe after a plain space and before a digit.
  if (c == u'\'' && previous == u' ' && TypeOfChar(next) == kCharDigit) opens = false;
  if (c == u'"') return (opens ? q[0] : q[1]).unicode();
  return (opens ? q[2] : q[3]).unicode();
}

QString StringBySubstitutingQuotes(const QString& s, char16_t previous) {
  if (!s.contains(QLatin1Char('\'')) && !s.contains(QLatin1Char('"'))) return s;
  QString out = s;
  for (qsizetype i = 0; i < out.size(); ++i) {
    const char16_t before = i == 0 ? previous : out[i - 1].unicode();
    const char16_t after = i + 1 < out.size() ? s[i + 1].unicode() : 0;
    out[i] = QChar(QuoteForCurrentChar(s[i].unicode(), before, after));
  }
  return out;
}

namespace {
bool IsApostrophe(char16_t c) {
  return c == u'\'' || c == 0x2019;
}
}  // namespace

QString TitleCase(const QString& s) {
  QString out = s;
  bool firstWord = true;
  qsizetype i = 0;
  while (i < out.size()) {
    if (!CharIsLetterOrNumber(out[i].unicode())) {
      ++i;
      continue;
    }
    qsizetype end = i;
    while (end < out.size() && CharIsLetterOrNumber(out[end].unicode())) ++end;
    const bool afterApostrophe = i > 0 && IsApostrophe(out[i - 1].unicode());
    QString word = out.mid(i, end - i).toLower();
    bool staysLower = false;
    if (afterApostrophe) {
      staysLower = word == QLatin1String("d") || word == QLatin1String("m") || word == QLatin1String("s") ||
                   word == QLatin1String("t") || word == QLatin1String("ll") || word == QLatin1String("ve") ||
                   word == QLatin1String("re");
    }
    if (!firstWord && IsOnStopList(word)) staysLower = true;
    // Only a word that begins with a letter is raised: "3rd" stays as it is.
    if (!staysLower && CharIsLetter(word[0].unicode())) word[0] = QChar(UpperCaseChar(word[0].unicode()));
    // Lowering may change the length (a few letters lower to two units).
    out.replace(i, end - i, word);
    i += word.size();
    firstWord = false;
  }
  return out == s ? s : out;
}

QString SortTitleString(const QString& s) {
  QStringList words;
  qsizetype i = 0;
  while (i < s.size()) {
    if (!CharIsLetterOrNumber(s[i].unicode())) {
      ++i;
      continue;
    }
    qsizetype end = i;
    while (end < s.size() && CharIsLetterOrNumber(s[end].unicode())) ++end;
    const QString word = s.mid(i, end - i).toLower();
    if (!IsOnStopList(word)) words << word;
    i = end;
  }
  return words.isEmpty() ? s : words.join(QLatin1Char(' '));
}

// ---- Mutable strings --------------------------------------------------------------

QString CreateEscapedStringForHtml(const QString& s) {
  QString out;
  out.reserve(s.size() + 16);
  AppendEscapedForHtml(out, s);
  return out;
}

// Control characters other than tab, line feed and carriage return cannot
// stand in the text, so they become blanks, and so do the noncharacters
// U+FFFE and U+FFFF, which no XML reader accepts; the four markup characters
// become entities. Format characters (joiners, marks) are text and stay as
// they are. Unchanged runs are copied whole.
void AppendEscapedForHtml(QString& out, QStringView s) {
  qsizetype runStart = 0;
  const qsizetype length = s.size();
  for (qsizetype i = 0; i < length; ++i) {
    const char16_t c = s[i].unicode();
    const char16_t* replacement = nullptr;
    if (c == u'&') {
      replacement = u"&amp;";
    } else if (c == u'<') {
      replacement = u"&lt;";
    } else if (c == u'>') {
      replacement = u"&gt;";
    } else if (c == u'"') {
      replacement = u"&quot;";
    } else if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F) || c >= 0xFFFE) {
      replacement = u" ";
    } else {
      continue;
    }
    out.append(s.sliced(runStart, i - runStart));
    out.append(QStringView(replacement));
    runStart = i + 1;
  }
  out.append(s.sliced(runStart));
}

QString CreateUnescapedStringForHtml(const QString& s) {
  QString out = s;
  UnescapeForHtml(out);
  return out;
}

void UnescapeForHtml(QString& s) {
  constexpr qsizetype kEntityReach = 13;  // the ";" must come within this many characters
  qsizetype i = s.indexOf(QLatin1Char('&'));
  while (i >= 0 && i < s.size()) {
    qsizetype semicolon = -1;
    for (qsizetype j = i + 1; j < s.size() && j - i <= kEntityReach; ++j) {
      const char16_t c = s[j].unicode();
      if (c == u';') {
        semicolon = j;
        break;
      }
      if (c == u'<' || c == u'>' || TypeOfChar(c) == kCharSpace) break;
    }
    if (semicolon < 0) {
      i = s.indexOf(QLatin1Char('&'), i + 1);
      continue;
    }
    const char16_t c = CharacterForHtmlEntity(QStringView(s).mid(i + 1, semicolon - i - 1));
    const QString replacement = c ? QString(QChar(c)) : QString();
    s.replace(i, semicolon - i + 1, replacement);
    i = s.indexOf(QLatin1Char('&'), i + replacement.size());
  }
}

char16_t CharacterForHtmlEntity(QStringView name) {
  if (name == u"amp") return u'&';
  if (name == u"lt") return u'<';
  if (name == u"gt") return u'>';
  if (name == u"quot") return u'"';
  if (name == u"apos") return u'\'';
  if (name == u"nbsp") return u' ';
  return 0;
}

void DeleteCharactersFrom(QString& s, qsizetype from, qsizetype to) {
  if (from < 0 || from >= s.size() || from > to) return;
  to = std::min(to, s.size());
  s.remove(from, to - from);
}

bool RemoveCamelCase(QString& s, bool lowerFollowing, qsizetype* firstSpace) {
  bool inserted = false;
  qsizetype space = s.isEmpty() || s[0] != QLatin1Char(' ') ? -1 : 0;
  for (qsizetype i = 1; i < s.size(); ++i) {
    const char16_t c = s[i].unicode();
    if (c == u' ' && space < 0) space = i;
    if (TypeOfChar(c) == kCharUpperCase && TypeOfChar(s[i - 1].unicode()) == kCharLowerCase) {
      if (lowerFollowing && i + 1 < s.size() && TypeOfChar(s[i + 1].unicode()) == kCharLowerCase)
        s[i] = QChar(LowerCaseChar(c));
      s.insert(i, QLatin1Char(' '));
      if (space < 0) space = i;
      inserted = true;
      ++i;
    }
  }
  if (firstSpace) *firstSpace = space < 0 ? 0 : space;
  return inserted;
}

QString StringFromDataInUnknownFormat(const QByteArray& data, const QString& path, uint32_t* encoding) {
  auto answer = [&](const QString& text, uint32_t used) {
    if (encoding) *encoding = used;
    return text;
  };
  const auto* b = reinterpret_cast<const uchar*>(data.constData());
  if (data.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    const QString text =
        StringFromBytesInEncoding(data.constData() + 2, data.size() - 2, kUTF16LittleEndianStringEncoding);
    if (!text.isNull()) return answer(text, kUTF16LittleEndianStringEncoding);
  } else if (data.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    const QString text =
        StringFromBytesInEncoding(data.constData() + 2, data.size() - 2, kUTF16BigEndianStringEncoding);
    if (!text.isNull()) return answer(text, kUTF16BigEndianStringEncoding);
  }
  QString text = StringFromBytesInEncoding(data.constData(), data.size(), kUTF8StringEncoding);
  if (!text.isNull()) return answer(text, kUTF8StringEncoding);
  text = StringFromBytesInEncoding(data.constData(), data.size(), kMacOSRomanStringEncoding);
  if (!text.isNull()) return answer(text, kMacOSRomanStringEncoding);
  if (!path.isEmpty()) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray bytes = file.readAll();
      if (const auto detected = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*detected);
        text = decoder.decode(bytes);
        if (!decoder.hasError()) return answer(text, kUTF8StringEncoding);
      }
    }
  }
  return answer(QString(), kUnknownStringEncoding);
}

// ---- Collections -----------------------------------------------------------------

bool IsStringInSortedArray(const QStringList& list, const QString& s, qsizetype* index) {
  int64_t found = 0;
  const bool isIn = SearchSortedCaseInsensitively(
      list.size(), s, [&](int64_t i) -> const QString& { return list[i]; }, &found);
  if (index) *index = found;
  return isIn;
}

qsizetype IndexOfStringInArray(const QStringList& list, const QString& s) {
  if (s.isEmpty()) return kStringNotFound;
  for (qsizetype i = 0; i < list.size(); ++i)
    if (IsFuzzyEqualToString(list[i], s)) return i;
  return kStringNotFound;
}

bool ContainsString(const QStringList& list, const QString& s) {
  return IndexOfStringInArray(list, s) != kStringNotFound;
}

int64_t IntegerAtIndex(const QVariantList& list, qsizetype index) {
  if (index < 0 || index >= list.size()) return 0;
  return VariantLongLongValue(list[index]);
}

bool BoolForKey(const QVariantMap& map, const QString& key) {
  const QVariant v = map.value(key);
  if (!v.isValid()) return false;
  if (v.typeId() == QMetaType::QString) {
    const QString text = v.toString().trimmed();
    if (text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive))
      return true;
    return LongLongValue(text) != 0;
  }
  return v.toBool();
}

double FloatForKey(const QVariantMap& map, const QString& key) {
  const QVariant v = map.value(key);
  if (!v.isValid()) return 0;
  if (v.typeId() == QMetaType::QString) return DoubleValue(v.toString());
  return v.toDouble();
}

int64_t IntegerForKey(const QVariantMap& map, const QString& key) {
  return VariantLongLongValue(map.value(key));
}
