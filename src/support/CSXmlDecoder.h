#pragma once
// A pull reader for the XML the application writes and for common SVG files:
// each getNextTag() moves to the next start or end tag and exposes its name,
// an integer key for the name, its attributes, its text value and the nesting
// level. Names become keys through a class-wide table that the application
// fills once at launch, or through a table of the reader's own. Not a
// validating parser: comments, declarations, CDATA sections, character
// references and the named entities are understood; entities are never
// expanded from declarations. Every scan is linear in the text and stays
// inside it.
//
// A step allocates nothing in the common case: tag names are interned,
// attributes are kept as places in the text, and values and attributes are
// decoded the first time they are asked for.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "support/CSError.h"

using CSXmlKeyTable = QHash<QString, int32_t>;
using CSXmlAttributes = QHash<QString, QString>;

// Where skipTag() found the reader, for unskipTag().
struct CSXmlBookmark {
  qsizetype index = 0;
  int64_t level = 0;
};

// The key and name of a run of text read while mixed content is gathered.
constexpr int32_t kXmlTextRunKey = 55555;
extern const QString g_xmlTextRunName;  // "?"

// The largest file createWithFile() reads.
constexpr qint64 kMaxXmlFileBytes = qint64(512) * 1024 * 1024;

// The reason createWithFile() gives for a text that is not XML. Reading
// errors are "this is not a valid XML file (offset 0x%x)" and "malformed
// CDATA at offset 0x%x", with the offset in the text.
extern const QString g_xmlUnknownFormatReason;  // "I don't understand the file format"

class CSXmlDecoder {
 public:
  // A reader on the text, or null when the text, after leading blanks and
  // comments, does not begin with "<?xml" or "<svg" (the latter reads in SVG
  // mode).
  static std::unique_ptr<CSXmlDecoder> createWithString(const QString& text);
  // The same on UTF-8 data; null when the data is not UTF-8.
  static std::unique_ptr<CSXmlDecoder> createWithData(const QByteArray& utf8);
  // A string is used as it stands; anything else is taken as UTF-8 data.
  static std::unique_ptr<CSXmlDecoder> createWithStringOrData(const QVariant& stringOrData);
  // Reads the file as UTF-8. On failure answers null and, when `error` is
  // given, why: the system's error (POSIX domain, from ErrorForUnixError) when
  // the file cannot be opened or read or is larger than kMaxXmlFileBytes
  // (EFBIG); an OSStatus-domain error with code 0 (ErrorForReason) whose
  // reason is "the file is not UTF-8 text" or g_xmlUnknownFormatReason when
  // its text is not accepted. Never shows an alert.
  static std::unique_ptr<CSXmlDecoder> createWithFile(const QString& path, CSError* error);
  // The same, handing out the error's reason() as a text for the user.
  static std::unique_ptr<CSXmlDecoder> createWithFile(const QString& path, QString* reason = nullptr);

  CSXmlDecoder(const CSXmlDecoder&) = delete;
  CSXmlDecoder& operator=(const CSXmlDecoder&) = delete;

  // ---- The class-wide key table ----
  static CSXmlKeyTable sharedKeyDecoder();
  static void setSharedKeyDecoder(const CSXmlKeyTable& table);
  static void addDecoderKey(uint32_t key, const QString& tag);
  static void allowUnknownValues(bool) {}  // kept for callers; every value is allowed

  // This reader's own table; none means the class-wide one.
  const CSXmlKeyTable* keyDecoder() const { return m_ownKeys ? &*m_ownKeys : nullptr; }
  void setKeyDecoder(std::optional<CSXmlKeyTable> table);

  // ---- Stepping ----
  // The next start or end tag (or, while gathering mixed content, run of
  // text). false at the end of the text or on malformed text (error() is
  // then set and every later call answers false).
  bool getNextTag();
  bool isDone() const { return m_c.pos >= length() || !m_c.error.isNull(); }
  void forceDone() { m_c.pos = length(); }
  // For a start tag with content: moves to its own end tag (nested elements
  // of the same name counted) and reads it; to the end of the text when there
  // is none. Does nothing for an empty or complete element or an end tag.
  // Answers where the reader was, for unskipTag().
  CSXmlBookmark skipTag();
  void unskipTag(const CSXmlBookmark& bookmark);
  // Moves past the next literal "<name>" in the text; level 2, no value, no
  // attributes. false when there is none.
  bool skipToTag(const QString& name);
  // Reads the next tag and hands out its name (null when there is none), its
  // attributes and value; the reader itself does not move.
  QString followingTagWithAttributes(CSXmlAttributes* attributes, QString* value);
  // For a start tag with content: the element's whole source text from its
  // open tag through its own end tag (nested elements of the same name
  // counted); the reader moves past it and its level drops by one. Null for
  // anything else; null, with the reader at the end of the text, when the
  // end tag is missing.
  QString extractTag();
  // For a start tag with content: reads through its end tag and makes the
  // value the text of the element and of everything inside it, pieces joined
  // by one blank where neither side has one. Key, name and attributes stay
  // those of the element; startTag() and endTag() are then both true.
  void coalesceMixedContent();

  // ---- The current tag ----
  const QString& xmlTag() const { return m_c.internedTag ? *m_c.internedTag : m_c.xmlTag; }
  int32_t key() const { return m_c.key; }
  const CSXmlAttributes& attributes() const {
    if (!m_c.attributesBuilt) buildAttributes();
    return m_c.attributes;
  }
  const QStringList& orderedAttributes() const {  // SVG mode only
    if (!m_c.attributesBuilt) buildAttributes();
    return m_c.orderedAttributes;
  }
  const QString& value() const {  // null when the element has none
    if (!m_c.valueBuilt) buildValue();
    return m_c.value;
  }
  bool startTag() const { return m_c.startTag; }
  bool endTag() const { return m_c.endTag; }
  int64_t level() const { return m_c.level; }
  const QString& error() const { return m_c.error; }
  bool isSvg() const { return m_c.svg; }
  qsizetype charIndex() const { return m_c.pos; }
  qsizetype tagStartIndex() const { return m_c.tagStart; }

  bool allowNumericTags() const { return m_allowNumericTags; }
  void setAllowNumericTags(bool allow) { m_allowNumericTags = allow; }
  bool allowSpaceInAttr() const { return m_allowSpaceInAttr; }
  void setAllowSpaceInAttr(bool allow) { m_allowSpaceInAttr = allow; }

  // ---- Values and attributes ----
  int32_t integerValue() const;
  int64_t longValue() const;
  // The key of the value text (tag names double as values); 0 when absent.
  int32_t decodeValue() const;
  // The index of the first of the values equal to the text without regard to
  // case; 0 when none is, or when the text is empty.
  static int32_t decodeValue(QStringView text, const QStringList& values);
  static int32_t decodeValue(QStringView text, const char* const* values, int count);
  int32_t decodeValueFromValues(const char* const* values, int count) const;
  int32_t decodeAttribute(const QString& name, const char* const* values, int count) const;
  // The attribute's integer value; `absentValue` (0 unless the caller must
  // tell absence apart) when the tag has no such attribute.
  int32_t integerAttributeForTag(const QString& name, int32_t absentValue = 0) const;
  QString stringAttributeForTag(const QString& name) const;  // null when absent
  bool tagHasAttributes() const { return !m_c.attributeSpans.empty(); }

  // Decodes character references (hexadecimal and decimal; above U+FFFF as
  // surrogate pairs, invalid ones as U+FFFD) and the entities quot, lt, gt,
  // apos, nbsp (a blank) and amp in one pass; any other entity is removed.
  static QString decodeEscapes(QStringView text);

 private:
  explicit CSXmlDecoder(const QString& text);

  // An attribute as it stands in the text: its name and its undecoded value.
  struct AttributeSpan {
    qsizetype nameStart;
    qsizetype nameLength;
    qsizetype valueStart;
    qsizetype valueLength;
  };
  // How the current value is held until it is asked for.
  enum class ValueForm : uint8_t {
    None,     // no value: null
    Plain,    // the text at valueStart, as it stands
    Escaped,  // the text at valueStart, with references to decode
    Built,    // already in `value`
  };

  // Everything a step changes, so that a peek can put it back.
  struct Cursor {
    qsizetype pos = 0;
    qsizetype tagStart = 0;
    qsizetype tagOpen = 0;  // the "<" of the current tag
    int64_t level = 0;
    QString error;
    const QString* internedTag = nullptr;  // the name, when it is interned
    QString xmlTag;                        // else the name
    int32_t key = 0;
    std::vector<AttributeSpan> attributeSpans;  // cleared, not freed, between tags
    qsizetype valueStart = 0;
    qsizetype valueLength = 0;
    ValueForm valueForm = ValueForm::None;
    bool startTag = false;
    bool endTag = false;
    bool started = false;
    bool haveRoot = false;
    bool svg = false;
    // Built from the spans and the value's place on first use.
    mutable bool attributesBuilt = true;
    mutable bool valueBuilt = true;
    mutable CSXmlAttributes attributes;
    mutable QStringList orderedAttributes;
    mutable QString value;
  };

  // A tag name read before, with its key (when keyValid).
  struct InternedName {
    QString name;
    uint32_t hash = 0;
    int32_t key = 0;
    bool keyValid = false;
  };

  qsizetype length() const { return m_xml.size(); }
  char16_t at(qsizetype i) const { return m_chars[i]; }
  bool startsWithAt(qsizetype i, QStringView what) const;
  qsizetype skipBlanks(qsizetype p) const {
    const qsizetype n = length();
    while (p < n && (m_chars[p] == u' ' || m_chars[p] == u'\t' || m_chars[p] == u'\n' || m_chars[p] == u'\r')) ++p;
    return p;
  }
  void fail(qsizetype offset);
  void failCdata(qsizetype offset);
  int32_t lookUpKey(const QString& name) const;
  // Makes the name at `start` the current tag's name, with its key.
  void setTagName(qsizetype start, qsizetype size, uint32_t hash);
  void setTagName(const QString& name, int32_t key);
  // Makes every interned name look its key up again.
  void forgetKeys();
  void buildAttributes() const;
  void buildValue() const;
  void setValue(QString value);
  void clearTag();
  // The last of the current tag's attributes called `name`; null if none.
  const AttributeSpan* findAttribute(QStringView name) const;
  QString attributeValue(const AttributeSpan& span) const;
  bool readAttributes(qsizetype p);
  bool readElementValue(qsizetype p);
  // At the ">" or "/>" that closes a start tag: reads the value, or ends an
  // empty element; anything else is an error.
  bool finishStartTag(qsizetype p);
  // Gathers text, CDATA sections and comments from p up to the next tag;
  // false (with the error set) when the text ends first.
  bool gatherText(qsizetype& p, QString& gathered, bool& any);
  bool isOwnEndTag(qsizetype p, qsizetype* end) const;

  QString m_xml;
  const char16_t* m_chars = nullptr;
  Cursor m_c;
  bool m_coalescing = false;
  bool m_allowNumericTags = false;
  bool m_allowSpaceInAttr = false;
  std::optional<CSXmlKeyTable> m_ownKeys;
  // A copy of the class-wide table, refreshed when that table changes.
  mutable CSXmlKeyTable m_sharedKeys;
  mutable uint64_t m_sharedGeneration = ~uint64_t(0);
  // Names read so far, which stay put while the reader lives (cursors point
  // at them), and an open-addressing index into them (null for a free slot).
  std::deque<InternedName> m_names;
  std::vector<InternedName*> m_nameSlots;
  uint64_t m_namesGeneration = ~uint64_t(0);
};
