#pragma once
// The RTF reader's tokenizer and group-state stack: turns RTF bytes into
// control words, text (with hex-byte escapes converted together through the
// current encoding, Unicode escapes and their fallback characters skipped),
// paragraph breaks and group starts and ends, refusing input that nests too
// deeply, ends inside a group or hides a "bin" past its end. The tokenizer
// itself never changes a document.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

enum RtfTokenKind : uint32_t {
  kRtfTokenEnd = 1,         // the outermost group was closed
  kRtfTokenGroupStart = 2,  // "{": a new state was pushed
  kRtfTokenWord = 3,        // a control word: keyword() and parameter()
  kRtfTokenGroupEnd = 5,    // "}" of an inner group: its state was popped
  kRtfTokenBreak = 6,       // a paragraph (10), page (11) or column (12) break
  kRtfTokenMalformed = 7,   // message() says why
  kRtfTokenText = 8,        // text()
};

// Nesting deeper than this is incorrectly formed.
constexpr uint32_t kMaxRtfDepth = 1000;

extern const QString g_rtfMalformedMessage;  // "The RTF appears to be incorrectly formed ..."
extern const QString g_rtfMemoryMessage;     // "There is not enough memory, ..."

// What a group changes for the text inside it; pushed at "{", popped at "}".
struct RtfGroupState {
  uint32_t encoding = 1280;  // of hex-byte escapes
  int32_t unicodeSkip = 1;   // fallback characters after a Unicode escape ("uc")
  uint32_t destination = 0;  // the keyword that opened the group as a destination, set by the reader
  bool ignorable = false;    // the group began with the ignorable mark
};

class RtfTokenizer {
 public:
  explicit RtfTokenizer(QByteArrayView input);

  RtfTokenKind next();

  // After a word token.
  uint32_t keyword() const { return m_keyword; }
  int32_t parameter() const { return m_parameter; }
  bool hasParameter() const { return m_hasParameter; }
  // The bytes of a "bin" word.
  const QByteArray& binary() const { return m_binary; }
  // After a text token.
  const QString& text() const { return m_text; }
  // After a break token.
  char16_t breakCharacter() const { return m_break; }
  const QString& message() const { return m_message; }

  uint32_t depth() const { return uint32_t(m_states.size()); }
  // The innermost group's state (a root state before the first "{").
  RtfGroupState& state() { return m_states.empty() ? m_root : m_states.back(); }
  // Skips the rest of the current group, its "}" included (the state is
  // popped). False when the input ends first (the tokenizer then reports
  // malformed input).
  bool skipGroup();

  // Symbol-font units (U+F020-U+F0FF) are kept as they are in the
  // platform's rich text and read as a bullet otherwise.
  void setPlatformRichText(bool on) { m_platformRichText = on; }
  // Inside font and style tables a ";" ends a text run and comes as a text
  // token of its own.
  void setSemicolonEndsText(bool on) { m_semicolonEndsText = on; }
  // Bad escapes (a "\'" without two hex digits) are skipped instead of
  // refusing the input.
  void setLenient(bool on) { m_lenient = on; }

 private:
  RtfTokenKind malformed();
  void flushBytes();
  void appendUnit(char16_t unit);
  bool wordToken(uint32_t start);

  QByteArrayView m_input;
  qsizetype m_pos = 0;
  std::vector<RtfGroupState> m_states;
  RtfGroupState m_root;
  bool m_ended = false;
  bool m_failed = false;
  bool m_platformRichText = false;
  bool m_semicolonEndsText = false;
  bool m_lenient = false;
  bool m_ignorableMark = false;
  int32_t m_skipLeft = 0;  // fallback characters still to skip
  QString m_text;
  QByteArray m_bytes;  // hex-byte escapes waiting for conversion
  QByteArray m_binary;
  uint32_t m_keyword = 0;
  int32_t m_parameter = 0;
  bool m_hasParameter = false;
  char16_t m_break = 0;
  QString m_message;
};

// Receives the text the scan reads: runs of text and the break characters
// 10, 11 and 12 as one-unit strings. False stops the read with the memory
// message. The document reader replaces this with its insertion.
using RtfTextInserter = std::function<bool(QStringView text)>;

// Reads an RTF file's text (header, code pages and font character sets,
// skipping the tables and destinations that hold no text) into the
// inserter. False with the first message when the input is not RTF version
// 0 or 1, is malformed or the inserter refuses.
bool ScanRtfText(QByteArrayView rtf, const RtfTextInserter& insert, bool lenient, QString* message);
