#include "support/CSXmlDecoder.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "support/Categories.h"
#include "support/NumberText.h"
#include "support/XmlHelpers.h"

const QString g_xmlTextRunName = QStringLiteral("?");
const QString g_xmlUnknownFormatReason = QStringLiteral("I don't understand the file format");

namespace {

// The class-wide table. Readers keep a copy and refresh it when the
// generation moves, so a lookup takes no lock.
std::mutex s_sharedKeysLock;
CSXmlKeyTable s_sharedKeys;
std::atomic<uint64_t> s_sharedGeneration{0};

constexpr bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

constexpr int HexValue(char16_t c) {
  return c <= u'9' ? c - u'0' : (c <= u'F' ? c - u'A' + 10 : c - u'a' + 10);
}

constexpr bool IsAttributeNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u':' ||
         c == u'_' || c >= 0x80;
}

// The length of the bytes that end on a whole UTF-8 sequence: a lead byte
// near the end whose sequence runs past it is left for the next piece.
qsizetype CompleteUtf8Length(const char* bytes, qsizetype length) {
  for (qsizetype back = 1; back <= 3 && back <= length; ++back) {
    const uchar c = uchar(bytes[length - back]);
    if ((c & 0xC0) == 0x80) continue;
    const qsizetype sequence = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return sequence > back ? length - back : length;
  }
  return length;
}

QString OffsetText(qsizetype offset) {
  return QString::number(uint32_t(offset), 16);
}

void AppendCodePoint(QString& out, uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
    code = 0xFFFD;
  if (code > 0xFFFF) {
    out.append(QChar(QChar::highSurrogate(code)));
    out.append(QChar(QChar::lowSurrogate(code)));
  } else {
    out.append(QChar(char16_t(code)));
  }
}

// A named entity ends with ";" within 13 characters, before any white space or angle bracket.
constexpr qsizetype kMaxEntityLength = 13;

}  // namespace

// ---- Creation ------------------------------------------------------------------

CSXmlDecoder::CSXmlDecoder(const QString& text) : m_xml(text) {
  m_chars = reinterpret_cast<const char16_t*>(m_xml.utf16());
}

std::unique_ptr<CSXmlDecoder> CSXmlDecoder::createWithString(const QString& text) {
  qsizetype p = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
  if (SkipXmlComments(text, &p, false, false) != kXmlSkipOK || p >= text.size()) return nullptr;
  const QStringView rest = QStringView(text).sliced(p);
  const bool svg = rest.startsWith(u"<svg");
  if (!svg && !rest.startsWith(u"<?xml")) return nullptr;
  std::unique_ptr<CSXmlDecoder> decoder(new CSXmlDecoder(text));
  decoder->m_c.pos = p;
  decoder->m_c.tagStart = p;
  if (svg) {
    decoder->m_c.svg = true;
    decoder->m_c.xmlTag = QStringLiteral("svg");
  }
  return decoder;
}

std::unique_ptr<CSXmlDecoder> CSXmlDecoder::createWithData(const QByteArray& utf8) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder.decode(utf8);
  if (decoder.hasError()) return nullptr;
  return createWithString(text);
}

std::unique_ptr<CSXmlDecoder> CSXmlDecoder::createWithStringOrData(const QVariant& stringOrData) {
  if (stringOrData.typeId() == QMetaType::QString) return createWithString(stringOrData.toString());
  return createWithData(stringOrData.toByteArray());
}

std::unique_ptr<CSXmlDecoder> CSXmlDecoder::createWithFile(const QString& path, QString* reason) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (reason) *reason = file.errorString();
    return nullptr;
  }
  const QString tooLarge = QStringLiteral("the file is larger than %1 MB").arg(kMaxXmlFileBytes >> 20);
  if (file.size() > kMaxXmlFileBytes) {
    if (reason) *reason = tooLarge;
    return nullptr;
  }
  // Decode piece by piece straight into the text, sized for the file (one
  // UTF-16 unit per byte at most); it grows, up to the cap, only for a file
  // that grows or a device without a size. Each piece ends on a whole UTF-8
  // sequence; the bytes of one cut in two go to the front of the next piece.
  // (Not mapped: a file cut short by another program while mapped would end
  // the process.)
  constexpr qsizetype kChunk = 64 * 1024;
  constexpr qsizetype kSlack = 8;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text(qsizetype(file.size()) + kSlack, Qt::Uninitialized);
  qsizetype used = 0;
  qint64 total = 0;
  QByteArray chunk(kChunk + 4, Qt::Uninitialized);
  qsizetype carry = 0;
  for (;;) {
    const qint64 read = file.read(chunk.data() + carry, kChunk);
    if (read < 0) {
      if (reason) *reason = file.errorString();
      return nullptr;
    }
    total += read;
    if (total > kMaxXmlFileBytes) {
      if (reason) *reason = tooLarge;
      return nullptr;
    }
    const qsizetype have = carry + qsizetype(read);
    const qsizetype whole = read == 0 ? have : CompleteUtf8Length(chunk.constData(), have);
    if (used + whole + kSlack > text.size())
      text.resize(std::max(used + whole + kSlack, std::min<qsizetype>(text.size() * 2, kMaxXmlFileBytes + kSlack)));
    used = utf8.appendToBuffer(text.data() + used, QByteArrayView(chunk.constData(), whole)) - text.constData();
    if (utf8.hasError()) {
      if (reason) *reason = QStringLiteral("the file is not UTF-8 text");
      return nullptr;
    }
    if (read == 0) break;
    carry = have - whole;
    std::memmove(chunk.data(), chunk.constData() + whole, size_t(carry));
  }
  text.truncate(used);
  std::unique_ptr<CSXmlDecoder> decoder = createWithString(text);
  if (!decoder && reason) *reason = g_xmlUnknownFormatReason;
  return decoder;
}

// ---- Key tables ----------------------------------------------------------------

CSXmlKeyTable CSXmlDecoder::sharedKeyDecoder() {
  std::lock_guard lock(s_sharedKeysLock);
  return s_sharedKeys;
}

void CSXmlDecoder::setSharedKeyDecoder(const CSXmlKeyTable& table) {
  std::lock_guard lock(s_sharedKeysLock);
  s_sharedKeys = table;
  s_sharedGeneration.fetch_add(1, std::memory_order_release);
}

void CSXmlDecoder::addDecoderKey(uint32_t key, const QString& tag) {
  std::lock_guard lock(s_sharedKeysLock);
  s_sharedKeys.insert(tag, int32_t(key));
  s_sharedGeneration.fetch_add(1, std::memory_order_release);
}

int32_t CSXmlDecoder::lookUpKey(const QString& name) const {
  if (m_ownKeys) return m_ownKeys->value(name, 0);
  const uint64_t generation = s_sharedGeneration.load(std::memory_order_acquire);
  if (generation != m_sharedGeneration) {
    std::lock_guard lock(s_sharedKeysLock);
    m_sharedKeys = s_sharedKeys;
    m_sharedGeneration = s_sharedGeneration.load(std::memory_order_relaxed);
  }
  return m_sharedKeys.value(name, 0);
}

// ---- Scanning helpers ------------------------------------------------------------

bool CSXmlDecoder::startsWithAt(qsizetype i, QStringView what) const {
  return i >= 0 && length() - i >= what.size() && QStringView(m_chars + i, what.size()) == what;
}

qsizetype CSXmlDecoder::skipBlanks(qsizetype p) const {
  while (p < length() && IsXmlBlank(at(p))) ++p;
  return p;
}

void CSXmlDecoder::fail(qsizetype offset) {
  if (m_c.error.isNull())
    m_c.error = QStringLiteral("this is not a valid XML file (offset 0x%1)").arg(OffsetText(offset));
}

void CSXmlDecoder::failCdata(qsizetype offset) {
  if (m_c.error.isNull()) m_c.error = QStringLiteral("malformed CDATA at offset 0x%1").arg(OffsetText(offset));
}

// ---- Stepping ----------------------------------------------------------------------

bool CSXmlDecoder::getNextTag() {
  if (!m_c.error.isNull()) return false;
  if (!m_c.started) {
    m_c.started = true;
    if (!m_c.svg) {
      const qsizetype end = m_xml.indexOf(u"?>", m_c.pos);
      if (end < 0) {
        fail(m_c.pos);
        return false;
      }
      m_c.pos = end + 2;
    }
  }
  if (m_c.pos >= length()) return false;

  m_c.tagStart = m_c.pos;
  qsizetype p = m_c.pos;
  int found;
  for (;;) {
    found = SkipXmlComments(m_xml, &p, m_coalescing, false);
    if (found != kXmlSkipOK || !startsWithAt(p, u"<?")) break;
    // A processing instruction (a style sheet link, say) carries nothing for us.
    const qsizetype end = m_xml.indexOf(u"?>", p + 2);
    if (end < 0) {
      found = kXmlSkipFailed;
      break;
    }
    p = end + 2;
  }
  if (found == kXmlSkipFailed) {
    fail(p);
    return false;
  }
  if (p >= length()) {  // only blanks and comments were left
    m_c.pos = length();
    return false;
  }
  m_c.value = QString();
  m_c.attributes.clear();
  m_c.orderedAttributes.clear();
  m_c.startTag = false;
  m_c.endTag = false;
  m_c.tagOpen = p;

  if (found == kXmlSkipText) {
    m_c.xmlTag = g_xmlTextRunName;
    m_c.key = kXmlTextRunKey;
    QString gathered;
    bool any = false;
    if (!gatherText(p, gathered, any)) return false;
    m_c.value = any ? gathered : QString();
    m_c.pos = p;
    return true;
  }

  // At "<".
  ++p;
  const bool isEnd = p < length() && at(p) == u'/';
  if (isEnd) ++p;
  const qsizetype nameStart = p;
  if (p < length() && (IsXmlNameStartChar(at(p)) || (m_allowNumericTags && at(p) >= u'0' && at(p) <= u'9'))) {
    ++p;
    while (p < length() && IsXmlNameChar(at(p))) ++p;
  }
  if (p == nameStart) {
    fail(p);
    return false;
  }
  const QStringView name(m_chars + nameStart, p - nameStart);
  if (m_c.xmlTag != name) m_c.xmlTag = name.toString();  // runs of one name share their text
  m_c.key = lookUpKey(m_c.xmlTag);
  if (!m_c.haveRoot) {
    m_c.haveRoot = true;
    if (m_c.xmlTag == u"svg") m_c.svg = true;
  }

  if (isEnd) {
    const qsizetype end = m_xml.indexOf(u'>', p);
    if (end < 0) {
      fail(p);
      return false;
    }
    m_c.pos = end + 1;
    m_c.endTag = true;
    if (m_c.level > 0) --m_c.level;
    return true;
  }

  m_c.startTag = true;
  p = skipBlanks(p);
  if (p >= length()) {
    fail(p);
    return false;
  }
  const char16_t c = at(p);
  if (c == u'>' || c == u'/') return finishStartTag(p);
  if (IsXmlNameStartChar(c) || (m_allowSpaceInAttr && c != u'=')) return readAttributes(p);
  fail(p);
  return false;
}

bool CSXmlDecoder::readAttributes(qsizetype p) {
  for (;;) {
    p = skipBlanks(p);
    if (p >= length()) {
      fail(p);
      return false;
    }
    const qsizetype nameStart = p;
    qsizetype nameEnd;
    if (m_allowSpaceInAttr) {
      while (p < length() && at(p) != u'/' && at(p) != u'=' && at(p) != u'>') ++p;
      nameEnd = p;
      while (nameEnd > nameStart && IsXmlBlank(at(nameEnd - 1))) --nameEnd;
    } else {
      while (p < length() && IsAttributeNameChar(at(p))) ++p;
      nameEnd = p;
    }
    if (nameEnd == nameStart) {
      p = nameStart;
      break;
    }
    p = skipBlanks(p);
    if (p >= length() || at(p) != u'=') {
      fail(p);
      return false;
    }
    p = skipBlanks(p + 1);
    if (p >= length() || (at(p) != u'"' && at(p) != u'\'')) {
      fail(p);
      return false;
    }
    const qsizetype valueEnd = m_xml.indexOf(QChar(at(p)), p + 1);
    if (valueEnd < 0) {
      fail(p);
      return false;
    }
    const QStringView raw(m_chars + p + 1, valueEnd - p - 1);
    QString value = raw.contains(u'&') ? decodeEscapes(raw) : raw.toString();
    QString name = QStringView(m_chars + nameStart, nameEnd - nameStart).toString();
    if (m_c.svg) {
      m_c.orderedAttributes.append(name);
      m_c.orderedAttributes.append(value);
    }
    m_c.attributes.insert(std::move(name), std::move(value));
    p = valueEnd + 1;
  }
  return finishStartTag(p);
}

bool CSXmlDecoder::finishStartTag(qsizetype p) {
  if (at(p) == u'>') return readElementValue(p + 1);
  if (at(p) == u'/' && p + 1 < length() && at(p + 1) == u'>') {
    m_c.endTag = true;
    m_c.pos = p + 2;
    return true;
  }
  fail(p);
  return false;
}

bool CSXmlDecoder::gatherText(qsizetype& p, QString& gathered, bool& any) {
  for (;;) {
    if (p >= length()) {
      fail(p);
      return false;
    }
    if (at(p) != u'<') {
      qsizetype end = m_xml.indexOf(u'<', p);
      if (end < 0) {
        fail(length());
        return false;
      }
      const QStringView piece(m_chars + p, end - p);
      if (piece.contains(u'&')) {
        gathered.append(decodeEscapes(piece));
      } else if (!any) {
        gathered = piece.toString();
      } else {
        gathered.append(piece);
      }
      any = true;
      p = end;
      continue;
    }
    if (startsWithAt(p, u"<![CDATA[")) {
      const qsizetype end = m_xml.indexOf(u"]]>", p + 9);
      if (end < 0) {
        failCdata(p);
        return false;
      }
      gathered.append(QStringView(m_chars + p + 9, end - p - 9));
      any = true;
      p = end + 3;
      continue;
    }
    if (startsWithAt(p, u"<!--")) {  // a comment inside text is dropped, the text around it kept
      const qsizetype end = m_xml.indexOf(u"-->", p + 4);
      if (end < 0) {
        fail(p);
        return false;
      }
      p = end + 3;
      continue;
    }
    return true;
  }
}

bool CSXmlDecoder::isOwnEndTag(qsizetype p, qsizetype* end) const {
  if (!startsWithAt(p, u"</") || !startsWithAt(p + 2, m_c.xmlTag)) return false;
  qsizetype q = p + 2 + m_c.xmlTag.size();
  if (q < length() && IsXmlNameChar(at(q))) return false;
  q = skipBlanks(q);
  if (q >= length() || at(q) != u'>') return false;
  *end = q + 1;
  return true;
}

bool CSXmlDecoder::readElementValue(qsizetype p) {
  // The value starts right after ">", so leading blanks belong to it.
  const qsizetype firstContent = skipBlanks(p);
  if (firstContent >= length()) {
    fail(firstContent);
    return false;
  }
  // In SVG, blanks that only lay out the tags are not content.
  if (m_c.svg && at(firstContent) == u'<' && !startsWithAt(firstContent, u"<![CDATA[") &&
      !startsWithAt(firstContent, u"<!--"))
    p = firstContent;
  QString gathered;
  bool any = false;
  if (!gatherText(p, gathered, any)) return false;
  qsizetype end = 0;
  if (isOwnEndTag(p, &end)) {
    m_c.value = any ? gathered : QString();
    m_c.endTag = true;
    m_c.pos = end;
    return true;
  }
  // The element has children. In SVG a value of blanks alone only lays them
  // out; text that merely starts with blanks is kept.
  if (m_c.svg && any) {
    any = false;
    for (QChar ch : std::as_const(gathered)) {
      if (!IsXmlBlank(ch.unicode())) {
        any = true;
        break;
      }
    }
  }
  m_c.value = any ? gathered : QString();
  ++m_c.level;
  m_c.pos = p;
  return true;
}

CSXmlBookmark CSXmlDecoder::skipTag() {
  const CSXmlBookmark bookmark{m_c.pos, m_c.level};
  if (!m_c.startTag || m_c.endTag || !m_c.error.isNull()) return bookmark;
  const qsizetype end = FindXmlEndTag(m_xml, m_c.pos, m_c.xmlTag);
  if (end < 0) {
    m_c.pos = length();
    return bookmark;
  }
  m_c.pos = end;
  getNextTag();
  return bookmark;
}

void CSXmlDecoder::unskipTag(const CSXmlBookmark& bookmark) {
  m_c.pos = bookmark.index < 0 ? 0 : (bookmark.index > length() ? length() : bookmark.index);
  m_c.level = bookmark.level < 0 ? 0 : bookmark.level;
}

bool CSXmlDecoder::skipToTag(const QString& name) {
  const QString literal = QLatin1Char('<') + name + QLatin1Char('>');
  const qsizetype found = m_xml.indexOf(literal, m_c.pos);
  if (found < 0) return false;
  m_c.pos = found + literal.size();
  m_c.started = true;  // the declaration lies behind
  m_c.haveRoot = true;
  m_c.tagStart = found;
  m_c.tagOpen = found;
  m_c.level = 2;
  m_c.xmlTag = name;
  m_c.key = lookUpKey(name);
  m_c.value = QString();
  m_c.startTag = true;
  m_c.endTag = false;
  m_c.attributes.clear();
  m_c.orderedAttributes.clear();
  return true;
}

QString CSXmlDecoder::followingTagWithAttributes(CSXmlAttributes* attributes, QString* value) {
  Cursor saved = m_c;
  QString name;
  if (getNextTag()) {
    name = m_c.xmlTag;
    if (attributes) *attributes = m_c.attributes;
    if (value) *value = m_c.value;
  } else {
    if (attributes) attributes->clear();
    if (value) *value = QString();
  }
  m_c = std::move(saved);
  return name;
}

QString CSXmlDecoder::extractTag() {
  if (!m_c.startTag || m_c.endTag || !m_c.error.isNull()) return QString();
  const qsizetype end = FindXmlEndTag(m_xml, m_c.pos, m_c.xmlTag);
  const qsizetype close = end < 0 ? -1 : m_xml.indexOf(u'>', end);
  if (close < 0) {
    // The element runs to the end of the text. Going there, as skipTag()
    // does, keeps a caller that extracts every start tag of an unclosed
    // nest from scanning the rest of the text again each time.
    m_c.pos = length();
    return QString();
  }
  m_c.pos = close + 1;
  if (m_c.level > 0) --m_c.level;
  return m_xml.sliced(m_c.tagOpen, close + 1 - m_c.tagOpen);
}

void CSXmlDecoder::coalesceMixedContent() {
  if (!m_c.startTag || m_c.endTag || !m_c.error.isNull()) return;
  const QString name = m_c.xmlTag;
  const int32_t key = m_c.key;
  const int64_t keptLevel = m_c.level;
  const CSXmlAttributes attributes = m_c.attributes;
  const QStringList ordered = m_c.orderedAttributes;
  QString gathered = m_c.value.isNull() ? QStringLiteral("") : m_c.value;
  m_coalescing = true;
  while (getNextTag() && m_c.level >= keptLevel) {
    const QString& piece = m_c.value;
    if (piece.isEmpty()) continue;
    if (!gathered.isEmpty() && !IsXmlBlank(gathered.back().unicode()) && !IsXmlBlank(piece.front().unicode()))
      gathered.append(u' ');
    gathered.append(piece);
  }
  m_coalescing = false;
  m_c.xmlTag = name;
  m_c.key = key;
  m_c.attributes = attributes;
  m_c.orderedAttributes = ordered;
  m_c.startTag = true;
  m_c.endTag = true;
  m_c.value = gathered;
}

// ---- Values ------------------------------------------------------------------------

int32_t CSXmlDecoder::integerValue() const {
  return m_c.value.isNull() ? 0 : IntValue(m_c.value);
}

int64_t CSXmlDecoder::longValue() const {
  return m_c.value.isNull() ? 0 : LongLongValue(m_c.value);
}

int32_t CSXmlDecoder::decodeValue() const {
  return m_c.value.isNull() ? 0 : lookUpKey(m_c.value);
}

int32_t CSXmlDecoder::decodeValue(QStringView text, const QStringList& values) {
  if (text.isEmpty()) return 0;
  const QString key = text.toString();
  for (qsizetype i = 0; i < values.size(); ++i)
    if (IsFuzzyEqualToString(key, values[i])) return int32_t(i);
  return 0;
}

int32_t CSXmlDecoder::decodeValue(QStringView text, const char* const* values, int count) {
  if (text.isEmpty() || !values) return 0;
  const QString key = text.toString();
  for (int i = 0; i < count; ++i)
    if (values[i] && IsFuzzyEqualToString(key, QString::fromUtf8(values[i]))) return i;
  return 0;
}

int32_t CSXmlDecoder::decodeValueFromValues(const char* const* values, int count) const {
  return decodeValue(m_c.value, values, count);
}

int32_t CSXmlDecoder::decodeAttribute(const QString& name, const char* const* values, int count) const {
  return decodeValue(m_c.attributes.value(name), values, count);
}

int32_t CSXmlDecoder::integerAttributeForTag(const QString& name, int32_t absentValue) const {
  const auto found = m_c.attributes.constFind(name);
  return found == m_c.attributes.constEnd() ? absentValue : IntValue(*found);
}

QString CSXmlDecoder::stringAttributeForTag(const QString& name) const {
  const auto found = m_c.attributes.constFind(name);
  return found == m_c.attributes.constEnd() ? QString() : *found;
}

QString CSXmlDecoder::decodeEscapes(QStringView text) {
  if (text.isEmpty() || !text.contains(u'&')) return text.toString();
  QString out;
  out.reserve(text.size());
  const qsizetype length = text.size();
  qsizetype runStart = 0;
  qsizetype p = 0;
  while (p < length) {
    if (text[p] != u'&') {
      ++p;
      continue;
    }
    out.append(text.sliced(runStart, p - runStart));
    qsizetype next = p + 1;
    if (next < length && text[next] == u'#') {
      // A character reference: digits up to ";" or a blank.
      const bool hex = next + 1 < length && text[next + 1] == u'x';
      qsizetype q = next + (hex ? 2 : 1);
      const qsizetype digits = q;
      uint32_t code = 0;
      while (q < length && (hex ? IsHexDigit(text[q].unicode()) : text[q] >= u'0' && text[q] <= u'9')) {
        const uint32_t digit = hex ? uint32_t(HexValue(text[q].unicode())) : uint32_t(text[q].unicode() - u'0');
        code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + digit;  // stays invalid once too large
        ++q;
      }
      if (q > digits && q < length && (text[q] == u';' || IsXmlBlank(text[q].unicode()))) {
        AppendCodePoint(out, code);
        p = runStart = q + 1;
        continue;
      }
      if (q > digits && q >= length) {  // cut off by the end: only "&#" or "&#x" is lost
        p = runStart = digits;
        continue;
      }
    }
    // A named entity, or a malformed reference: "&" ... ";" within reach.
    qsizetype q = next;
    while (q < length && q - p <= kMaxEntityLength && text[q] != u';' && !IsXmlBlank(text[q].unicode()) &&
           text[q] != u'<' && text[q] != u'>' && text[q] != u'&')
      ++q;
    if (q < length && q - p <= kMaxEntityLength && text[q] == u';') {
      const QStringView name = text.sliced(next, q - next);
      if (name.startsWith(u'#')) {
        out.append(QChar(0xFFFD));
      } else if (const char16_t c = CharacterForHtmlEntity(name)) {
        out.append(QChar(c));
      }
      p = runStart = q + 1;
      continue;
    }
    // A lone "&" stays.
    runStart = p;
    ++p;
  }
  out.append(text.sliced(runStart));
  return out;
}
