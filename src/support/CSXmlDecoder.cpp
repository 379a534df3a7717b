#include "support/CSXmlDecoder.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/NumberText.h"
#include "support/XmlHelpers.h"

const QString g_xmlTextRunName = QStringLiteral("?");
const QString g_xmlUnknownFormatReason = QStringLiteral("I don't understand the file format");

namespace {

// Control characters that XML does not allow in text, which the writer puts
// down as a space.
inline bool IsStrayControl(char16_t c) {
  return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x7F && c <= 0x9F);
}

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

// IsXmlNameStartChar and IsXmlNameChar for ASCII, by table.
constexpr std::array<bool, 128> MakeNameTable(bool start) {
  std::array<bool, 128> table{};
  for (int c = 0; c < 128; ++c)
    table[size_t(c)] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ':' || c == '_' ||
                       (!start && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
  return table;
}
constexpr std::array<bool, 128> kNameStartChars = MakeNameTable(true);
constexpr std::array<bool, 128> kNameChars = MakeNameTable(false);

inline bool IsNameStart(char16_t c) {
  return c < 0x80 ? kNameStartChars[c] : IsXmlNameStartChar(c);
}

inline bool IsNameChar(char16_t c) {
  return c < 0x80 ? kNameChars[c] : IsXmlNameChar(c);
}

// FNV-1a over the UTF-16 units of a tag name.
constexpr uint32_t kNameHashSeed = 2166136261u;
inline uint32_t HashNameUnit(uint32_t hash, char16_t c) {
  return (hash ^ c) * 16777619u;
}

// At most this many names are interned; names beyond them (only a text of
// made-up names has so many) are kept one tag at a time.
constexpr qsizetype kMaxInternedNames = 4096;

// Asks for large pages for the whole pages inside a large buffer that is
// about to be filled: a big drawing's text then costs a few page faults
// instead of thousands. Only advice; nothing changes where it is not taken.
void AdviseLargePages(void* buffer, size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
  if (bytes < 4 * kLargePage) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(buffer) + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(buffer) + bytes) & ~(kLargePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)buffer;
  (void)bytes;
#endif
}

// read(2) that carries on after a signal.
ssize_t ReadSome(int fd, char* into, size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd, into, count);
    if (n >= 0 || errno != EINTR) return n;
  }
}

// Closes the descriptor when the reading ends, however it ends.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

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
    decoder->setTagName(QStringLiteral("svg"), 0);
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
  CSError error;
  std::unique_ptr<CSXmlDecoder> decoder = createWithFile(path, &error);
  if (!decoder && reason) *reason = error.reason();
  return decoder;
}

std::unique_ptr<CSXmlDecoder> CSXmlDecoder::createWithFile(const QString& path, CSError* error) {
  auto fail = [error](const CSError& why) {
    if (error) *error = why;
    return nullptr;
  };
  const FileDescriptor file(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return fail(ErrorForUnixError(kFileOperationOpen, errno));
  struct stat info;
  if (::fstat(file.get(), &info) != 0) return fail(ErrorForUnixError(kFileOperationRead, errno));
  const qint64 size = S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
  if (size > kMaxXmlFileBytes) return fail(ErrorForUnixError(kFileOperationRead, EFBIG));

  // Decode piece by piece straight into the text, sized for the file (one
  // UTF-16 unit per byte at most); it grows, up to the cap, only for a file
  // that grows or a device without a size. Each piece ends on a whole UTF-8
  // sequence; the bytes of one cut in two go to the front of the next piece.
  // (Not mapped: a file cut short by another program while mapped would end
  // the process.)
  constexpr qsizetype kChunk = 256 * 1024;
  constexpr qsizetype kSlack = 8;
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text(qsizetype(size) + kSlack, Qt::Uninitialized);
  AdviseLargePages(text.data(), size_t(text.size()) * sizeof(QChar));
  qsizetype used = 0;
  qint64 total = 0;
  QByteArray chunk(kChunk + 4, Qt::Uninitialized);
  qsizetype carry = 0;
  for (;;) {
    const ssize_t read = ReadSome(file.get(), chunk.data() + carry, size_t(kChunk));
    if (read < 0) return fail(ErrorForUnixError(kFileOperationRead, errno));
    total += read;
    if (total > kMaxXmlFileBytes) return fail(ErrorForUnixError(kFileOperationRead, EFBIG));
    const qsizetype have = carry + qsizetype(read);
    const qsizetype whole = read == 0 ? have : CompleteUtf8Length(chunk.constData(), have);
    if (used + whole + kSlack > text.size())
      text.resize(std::max(used + whole + kSlack, std::min<qsizetype>(text.size() * 2, kMaxXmlFileBytes + kSlack)));
    used = utf8.appendToBuffer(text.data() + used, QByteArrayView(chunk.constData(), whole)) - text.constData();
    if (utf8.hasError()) return fail(ErrorForReason(QStringLiteral("the file is not UTF-8 text"), 0));
    if (read == 0) break;
    carry = have - whole;
    std::memmove(chunk.data(), chunk.constData() + whole, size_t(carry));
  }
  text.truncate(used);
  std::unique_ptr<CSXmlDecoder> decoder = createWithString(text);
  if (!decoder) return fail(ErrorForReason(g_xmlUnknownFormatReason, 0));
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

void CSXmlDecoder::setKeyDecoder(std::optional<CSXmlKeyTable> table) {
  m_ownKeys = std::move(table);
  forgetKeys();
  m_namesGeneration = ~uint64_t(0);
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

void CSXmlDecoder::forgetKeys() {
  for (InternedName& entry : m_names) entry.keyValid = false;
}

void CSXmlDecoder::setTagName(const QString& name, int32_t key) {
  m_c.internedTag = nullptr;
  m_c.xmlTag = name;
  m_c.key = key;
}

void CSXmlDecoder::setTagName(qsizetype start, qsizetype size, uint32_t hash) {
  // The keys come from a table that may change between steps: a change
  // makes every name look its key up again.
  if (!m_ownKeys) {
    const uint64_t generation = s_sharedGeneration.load(std::memory_order_acquire);
    if (generation != m_namesGeneration) {
      forgetKeys();
      m_namesGeneration = generation;
    }
  }
  if (m_nameSlots.empty()) m_nameSlots.assign(64, nullptr);
  const char16_t* name = m_chars + start;
  size_t mask = m_nameSlots.size() - 1;
  size_t slot = hash & mask;
  for (;; slot = (slot + 1) & mask) {
    InternedName* entry = m_nameSlots[slot];
    if (!entry) break;
    if (entry->hash != hash || entry->name.size() != size) continue;
    const char16_t* known = reinterpret_cast<const char16_t*>(entry->name.constData());
    qsizetype k = 0;
    while (k < size && known[k] == name[k]) ++k;
    if (k < size) continue;
    if (!entry->keyValid) {
      entry->key = lookUpKey(entry->name);
      entry->keyValid = true;
    }
    m_c.internedTag = &entry->name;
    m_c.key = entry->key;
    return;
  }
  const QString text(reinterpret_cast<const QChar*>(name), size);
  if (qsizetype(m_names.size()) >= kMaxInternedNames) {  // a text of made-up names: no more interning
    setTagName(text, lookUpKey(text));
    return;
  }
  // A new name; the index stays at most half full.
  if ((m_names.size() + 1) * 2 > m_nameSlots.size()) {
    m_nameSlots.assign(m_nameSlots.size() * 2, nullptr);
    mask = m_nameSlots.size() - 1;
    for (InternedName& known : m_names) {
      size_t to = known.hash & mask;
      while (m_nameSlots[to]) to = (to + 1) & mask;
      m_nameSlots[to] = &known;
    }
    slot = hash & mask;
    while (m_nameSlots[slot]) slot = (slot + 1) & mask;
  }
  InternedName& entry = m_names.emplace_back();
  m_nameSlots[slot] = &entry;
  entry.name = text;
  entry.hash = hash;
  entry.key = lookUpKey(text);
  entry.keyValid = true;
  m_c.internedTag = &entry.name;
  m_c.key = entry.key;
}

// ---- Scanning helpers ------------------------------------------------------------

bool CSXmlDecoder::startsWithAt(qsizetype i, QStringView what) const {
  if (i < 0 || length() - i < what.size()) return false;
  const char16_t* text = m_chars + i;
  for (qsizetype k = 0; k < what.size(); ++k)
    if (text[k] != what[k].unicode()) return false;
  return true;
}

void CSXmlDecoder::fail(qsizetype offset) {
  if (m_c.error.isNull())
    m_c.error = QStringLiteral("this is not a valid XML file (offset 0x%1)").arg(OffsetText(offset));
}

void CSXmlDecoder::failCdata(qsizetype offset) {
  if (m_c.error.isNull()) m_c.error = QStringLiteral("malformed CDATA at offset 0x%1").arg(OffsetText(offset));
}

// ---- The current tag ---------------------------------------------------------------

void CSXmlDecoder::clearTag() {
  m_c.valueForm = ValueForm::None;
  m_c.valueBuilt = false;
  m_c.attributeSpans.clear();
  m_c.attributesBuilt = false;
  m_c.startTag = false;
  m_c.endTag = false;
}

void CSXmlDecoder::setValue(QString value) {
  m_c.value = std::move(value);
  m_c.valueForm = ValueForm::Built;
  m_c.valueBuilt = true;
}

void CSXmlDecoder::buildValue() const {
  const QStringView raw(m_chars + m_c.valueStart, m_c.valueLength);
  switch (m_c.valueForm) {
    case ValueForm::None:
      m_c.value = QString();
      break;
    case ValueForm::Plain:
      m_c.value = raw.toString();
      break;
    case ValueForm::Escaped:
      m_c.value = decodeEscapes(raw);
      break;
    case ValueForm::Built:
      break;
  }
  m_c.valueBuilt = true;
}

QString CSXmlDecoder::attributeValue(const AttributeSpan& span) const {
  return decodeEscapes(QStringView(m_chars + span.valueStart, span.valueLength));
}

void CSXmlDecoder::buildAttributes() const {
  m_c.attributes.clear();
  m_c.orderedAttributes.clear();
  for (const AttributeSpan& span : m_c.attributeSpans) {
    QString name(reinterpret_cast<const QChar*>(m_chars + span.nameStart), span.nameLength);
    QString value = attributeValue(span);
    if (m_c.svg) {
      m_c.orderedAttributes.append(name);
      m_c.orderedAttributes.append(value);
    }
    m_c.attributes.insert(std::move(name), std::move(value));
  }
  m_c.attributesBuilt = true;
}

const CSXmlDecoder::AttributeSpan* CSXmlDecoder::findAttribute(QStringView name) const {
  // A later duplicate wins, as in attributes().
  for (auto it = m_c.attributeSpans.rbegin(); it != m_c.attributeSpans.rend(); ++it) {
    const AttributeSpan& span = *it;
    if (span.nameLength == name.size() &&
        std::memcmp(m_chars + span.nameStart, name.utf16(), size_t(span.nameLength) * sizeof(char16_t)) == 0)
      return &span;
  }
  return nullptr;
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
  const qsizetype n = length();
  const char16_t* const text = m_chars;
  if (m_c.pos >= n) return false;

  m_c.tagStart = m_c.pos;
  qsizetype p = skipBlanks(m_c.pos);
  int found = kXmlSkipOK;
  // Most tags follow blanks at most; anything else goes the long way.
  if (p >= n || text[p] != u'<' || p + 1 >= n || text[p + 1] == u'!' || text[p + 1] == u'?') {
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
    if (p >= n) {  // only blanks and comments were left
      m_c.pos = n;
      return false;
    }
  }
  clearTag();
  m_c.tagOpen = p;

  if (found == kXmlSkipText) {
    setTagName(g_xmlTextRunName, kXmlTextRunKey);
    QString gathered;
    bool any = false;
    if (!gatherText(p, gathered, any)) return false;
    setValue(any ? gathered : QString());
    m_c.pos = p;
    return true;
  }

  // At "<".
  ++p;
  const bool isEnd = p < n && text[p] == u'/';
  if (isEnd) ++p;
  const qsizetype nameStart = p;
  uint32_t hash = kNameHashSeed;
  if (p < n && (IsNameStart(text[p]) || (m_allowNumericTags && text[p] >= u'0' && text[p] <= u'9'))) {
    hash = HashNameUnit(hash, text[p]);
    ++p;
    while (p < n && IsNameChar(text[p])) {
      hash = HashNameUnit(hash, text[p]);
      ++p;
    }
  }
  if (p == nameStart) {
    fail(p);
    return false;
  }
  setTagName(nameStart, p - nameStart, hash);
  if (!m_c.haveRoot) {
    m_c.haveRoot = true;
    if (xmlTag() == u"svg") m_c.svg = true;
  }

  if (isEnd) {
    while (p < n && text[p] != u'>') ++p;
    if (p >= n) {
      fail(nameStart + xmlTag().size());
      return false;
    }
    m_c.pos = p + 1;
    m_c.endTag = true;
    if (m_c.level > 0) --m_c.level;
    return true;
  }

  m_c.startTag = true;
  p = skipBlanks(p);
  if (p >= n) {
    fail(p);
    return false;
  }
  const char16_t c = text[p];
  if (c == u'>' || c == u'/') return finishStartTag(p);
  if (IsNameStart(c) || (m_allowSpaceInAttr && c != u'=')) return readAttributes(p);
  fail(p);
  return false;
}

bool CSXmlDecoder::readAttributes(qsizetype p) {
  const qsizetype n = length();
  const char16_t* const text = m_chars;
  for (;;) {
    p = skipBlanks(p);
    if (p >= n) {
      fail(p);
      return false;
    }
    const qsizetype nameStart = p;
    qsizetype nameEnd;
    if (m_allowSpaceInAttr) {
      while (p < n && text[p] != u'/' && text[p] != u'=' && text[p] != u'>') ++p;
      nameEnd = p;
      while (nameEnd > nameStart && IsXmlBlank(text[nameEnd - 1])) --nameEnd;
    } else {
      while (p < n && IsAttributeNameChar(text[p])) ++p;
      nameEnd = p;
    }
    if (nameEnd == nameStart) {
      p = nameStart;
      break;
    }
    p = skipBlanks(p);
    if (p >= n || text[p] != u'=') {
      fail(p);
      return false;
    }
    p = skipBlanks(p + 1);
    if (p >= n || (text[p] != u'"' && text[p] != u'\'')) {
      fail(p);
      return false;
    }
    const char16_t quote = text[p];
    qsizetype valueEnd = p + 1;
    while (valueEnd < n && text[valueEnd] != quote) ++valueEnd;
    if (valueEnd >= n) {
      fail(p);
      return false;
    }
    m_c.attributeSpans.push_back(AttributeSpan{nameStart, nameEnd - nameStart, p + 1, valueEnd - p - 1});
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
  const QString& name = xmlTag();
  const qsizetype size = name.size();
  if (p + 2 + size > length() || at(p) != u'<' || at(p + 1) != u'/') return false;
  const char16_t* own = reinterpret_cast<const char16_t*>(name.constData());
  for (qsizetype k = 0; k < size; ++k)
    if (m_chars[p + 2 + k] != own[k]) return false;
  qsizetype q = p + 2 + size;
  if (q < length() && IsNameChar(at(q))) return false;
  q = skipBlanks(q);
  if (q >= length() || at(q) != u'>') return false;
  *end = q + 1;
  return true;
}

bool CSXmlDecoder::readElementValue(qsizetype p) {
  const qsizetype n = length();
  const char16_t* const text = m_chars;
  // The value starts right after ">", so leading blanks belong to it.
  const qsizetype firstContent = skipBlanks(p);
  if (firstContent >= n) {
    fail(firstContent);
    return false;
  }
  // In SVG, blanks that only lay out the tags are not content.
  if (m_c.svg && text[firstContent] == u'<' && !startsWithAt(firstContent, u"<![CDATA[") &&
      !startsWithAt(firstContent, u"<!--"))
    p = firstContent;

  // Text up to the next "<"; only CDATA sections and comments inside it need
  // the text gathered piece by piece, anything else is kept as a place in
  // the text and decoded when asked for.
  qsizetype q = firstContent;
  bool escaped = false;
  while (q < n && text[q] != u'<') {
    escaped |= text[q] == u'&' || IsStrayControl(text[q]);
    ++q;
  }
  if (q >= n) {
    fail(n);
    return false;
  }
  const bool hasText = q > p;
  if (q + 1 < n && text[q + 1] == u'!' && (startsWithAt(q, u"<![CDATA[") || startsWithAt(q, u"<!--"))) {
    QString gathered;
    bool any = false;
    if (!gatherText(p, gathered, any)) return false;
    setValue(any ? gathered : QString());
  } else {
    m_c.valueStart = p;
    m_c.valueLength = q - p;
    m_c.valueForm = !hasText ? ValueForm::None : escaped ? ValueForm::Escaped : ValueForm::Plain;
    p = q;
  }
  qsizetype end = 0;
  if (isOwnEndTag(p, &end)) {
    m_c.endTag = true;
    m_c.pos = end;
    return true;
  }
  // The element has children. In SVG a value of blanks alone only lays them
  // out; text that merely starts with blanks is kept.
  if (m_c.svg && m_c.valueForm != ValueForm::None) {
    const QString& gathered = value();
    bool any = false;
    for (QChar ch : gathered) {
      if (!IsXmlBlank(ch.unicode())) {
        any = true;
        break;
      }
    }
    if (!any) setValue(QString());
  }
  ++m_c.level;
  m_c.pos = p;
  return true;
}

CSXmlBookmark CSXmlDecoder::skipTag() {
  const CSXmlBookmark bookmark{m_c.pos, m_c.level};
  if (!m_c.startTag || m_c.endTag || !m_c.error.isNull()) return bookmark;
  const qsizetype end = FindXmlEndTag(m_xml, m_c.pos, xmlTag());
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
  clearTag();
  setTagName(name, lookUpKey(name));
  m_c.startTag = true;
  return true;
}

QString CSXmlDecoder::followingTagWithAttributes(CSXmlAttributes* attributes, QString* value) {
  Cursor saved = m_c;
  QString name;
  if (getNextTag()) {
    name = xmlTag();
    if (attributes) *attributes = this->attributes();
    if (value) *value = this->value();
  } else {
    if (attributes) attributes->clear();
    if (value) *value = QString();
  }
  m_c = std::move(saved);
  return name;
}

QString CSXmlDecoder::extractTag() {
  if (!m_c.startTag || m_c.endTag || !m_c.error.isNull()) return QString();
  const qsizetype end = FindXmlEndTag(m_xml, m_c.pos, xmlTag());
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
  const QString* internedTag = m_c.internedTag;
  const QString name = m_c.xmlTag;
  const int32_t key = m_c.key;
  const int64_t keptLevel = m_c.level;
  const std::vector<AttributeSpan> attributes = m_c.attributeSpans;
  QString gathered = value().isNull() ? QStringLiteral("") : value();
  m_coalescing = true;
  while (getNextTag() && m_c.level >= keptLevel) {
    const QString& piece = value();
    if (piece.isEmpty()) continue;
    if (!gathered.isEmpty() && !IsXmlBlank(gathered.back().unicode()) && !IsXmlBlank(piece.front().unicode()))
      gathered.append(u' ');
    gathered.append(piece);
  }
  m_coalescing = false;
  setTagName(name, key);
  m_c.internedTag = internedTag;
  m_c.attributeSpans = attributes;
  m_c.attributesBuilt = false;
  m_c.startTag = true;
  m_c.endTag = true;
  setValue(gathered);
}

// ---- Values ------------------------------------------------------------------------

int32_t CSXmlDecoder::integerValue() const {
  const QString& text = value();
  return text.isNull() ? 0 : IntValue(text);
}

int64_t CSXmlDecoder::longValue() const {
  const QString& text = value();
  return text.isNull() ? 0 : LongLongValue(text);
}

int32_t CSXmlDecoder::decodeValue() const {
  const QString& text = value();
  return text.isNull() ? 0 : lookUpKey(text);
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
  return decodeValue(value(), values, count);
}

int32_t CSXmlDecoder::decodeAttribute(const QString& name, const char* const* values, int count) const {
  return decodeValue(stringAttributeForTag(name), values, count);
}

int32_t CSXmlDecoder::integerAttributeForTag(const QString& name, int32_t absentValue) const {
  const AttributeSpan* span = findAttribute(name);
  return span ? IntValue(attributeValue(*span)) : absentValue;
}

QString CSXmlDecoder::stringAttributeForTag(const QString& name) const {
  const AttributeSpan* span = findAttribute(name);
  return span ? attributeValue(*span) : QString();
}

QString CSXmlDecoder::decodeEscapes(QStringView text) {
  if (text.isEmpty() || !std::any_of(text.begin(), text.end(), [](QChar c) {
        return c == u'&' || IsStrayControl(c.unicode());
      }))
    return text.toString();
  QString out;
  out.reserve(text.size());
  const qsizetype length = text.size();
  qsizetype runStart = 0;
  qsizetype p = 0;
  while (p < length) {
    if (IsStrayControl(text[p].unicode())) {
      // Read as the writer writes it (support/Categories.h), so that a
      // record reads back the same after a save.
      out.append(text.sliced(runStart, p - runStart));
      out.append(u' ');
      p = runStart = p + 1;
      continue;
    }
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
