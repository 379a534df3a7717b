#include "richtext/RtfTokenizer.h"

#include <QHash>
#include <algorithm>

#include "richtext/Properties.h"
#include "richtext/RtfDialect.h"

const QString g_rtfMalformedMessage =
    QStringLiteral("The RTF appears to be incorrectly formed and can't be interpreted.");
const QString g_rtfMemoryMessage =
    QStringLiteral("There is not enough memory, or an internal logic error occurred.");

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Words that stand for one character.
struct CharacterWord {
  uint32_t keyword;
  char16_t unit;
};
constexpr CharacterWord kCharacterWords[] = {
    {RtfKey("bullet"), 0x2022},    {RtfKey("emdash"), 0x2014}, {RtfKey("endash"), 0x2013},
    {RtfKey("emspace"), 0x2003},   {RtfKey("enspace"), 0x2002}, {RtfKey("qmspace"), 0x2005},
    {RtfKey("lquote"), 0x2018},    {RtfKey("rquote"), 0x2019}, {RtfKey("ldblquote"), 0x201C},
    {RtfKey("rdblquote"), 0x201D}, {RtfKey("tab"), 9},          {RtfKey("line"), 0x2028},
};

}  // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView input) : m_input(input) {}

RtfTokenKind RtfTokenizer::malformed() {
  m_failed = true;
  if (m_message.isEmpty()) m_message = g_rtfMalformedMessage;
  return kRtfTokenMalformed;
}

void RtfTokenizer::flushBytes() {
  if (m_bytes.isEmpty()) return;
  m_text.append(DecodeRtfBytes(m_bytes, state().encoding));
  m_bytes.clear();
}

void RtfTokenizer::appendUnit(char16_t unit) {
  flushBytes();
  m_text.append(QChar(unit));
}

RtfTokenKind RtfTokenizer::next() {
  if (m_failed) return kRtfTokenMalformed;
  m_text.clear();
  m_binary.clear();
  const qsizetype size = m_input.size();
  const char* data = m_input.data();
  // Text gathers until something that is no text; that thing is read again
  // by the next call.
  const auto textDone = [&]() { return !m_text.isEmpty() || !m_bytes.isEmpty(); };
  while (true) {
    if (m_ended) {
      if (textDone()) break;
      return kRtfTokenEnd;
    }
    if (m_pos >= size) {
      if (textDone()) break;
      return malformed();
    }
    const char c = data[m_pos];
    if (c == '\r' || c == '\n') {
      ++m_pos;
      continue;
    }
    if (c == '{' || c == '}') {
      if (textDone()) break;
      ++m_pos;
      m_skipLeft = 0;
      m_ignorableMark = false;
      if (c == '{') {
        if (m_states.size() >= kMaxRtfDepth) return malformed();
        RtfGroupState inner = state();
        inner.destination = 0;
        inner.ignorable = false;
        m_states.push_back(inner);
        return kRtfTokenGroupStart;
      }
      if (m_states.empty()) {
        // A "}" before any "{": nothing to close.
        return malformed();
      }
      m_states.pop_back();
      if (m_states.empty()) {
        m_ended = true;
        return kRtfTokenEnd;
      }
      return kRtfTokenGroupEnd;
    }
    if (c != '\\') {
      if (m_skipLeft > 0) {
        --m_skipLeft;
        ++m_pos;
        continue;
      }
      if (m_semicolonEndsText && c == ';') {
        if (textDone()) break;
        ++m_pos;
        m_text = QStringLiteral(";");
        return kRtfTokenText;
      }
      flushBytes();
      const qsizetype start = m_pos;
      while (m_pos < size) {
        const char d = data[m_pos];
        if (d == '\\' || d == '{' || d == '}' || d == '\r' || d == '\n' || (m_semicolonEndsText && d == ';')) break;
        ++m_pos;
      }
      // Plain text is taken as Windows Latin 1 below 0x80 and through the
      // encoding above it.
      QByteArrayView run(data + start, m_pos - start);
      if (std::all_of(run.begin(), run.end(), [](char b) { return uchar(b) < 0x80; }))
        m_text.append(QLatin1StringView(run));
      else
        m_text.append(DecodeRtfBytes(run, state().encoding));
      continue;
    }
    // A backslash.
    if (m_pos + 1 >= size) return malformed();
    const char s = data[m_pos + 1];
    if (s == '\'') {
      const int high = m_pos + 2 < size ? HexDigit(data[m_pos + 2]) : -1;
      const int low = m_pos + 3 < size ? HexDigit(data[m_pos + 3]) : -1;
      if (high < 0 || low < 0) {
        if (!m_lenient) return malformed();
        m_pos += 2;
        continue;
      }
      m_pos += 4;
      if (m_skipLeft > 0) {
        --m_skipLeft;
        continue;
      }
      m_bytes.append(char(high * 16 + low));
      continue;
    }
    if (!IsLetter(s)) {
      m_pos += 2;
      switch (s) {
        case '\\':
        case '{':
        case '}':
          appendUnit(char16_t(s));
          break;
        case '~':
          appendUnit(0x00A0);
          break;
        case '_':
          appendUnit(0x2011);
          break;
        case '*':
          m_ignorableMark = true;
          state().ignorable = true;
          break;
        case '\r':
        case '\n':
          if (textDone()) {
            m_pos -= 2;
            goto done;
          }
          m_break = 10;
          return kRtfTokenBreak;
        default:
          break;  // other control symbols carry nothing here
      }
      continue;
    }
    // A control word. Words that are characters join the text; before any
    // other, the text gathered so far goes first.
    RtfControlWord word;
    ReadRtfControlWord(m_input.sliced(m_pos + 1), &word);
    const qsizetype wordStart = m_pos;
    m_pos += 1 + word.length;
    const bool characterWord =
        word.index == RtfKey("u") || word.index == RtfKey("uc") ||
        std::any_of(std::begin(kCharacterWords), std::end(kCharacterWords),
                    [&](const CharacterWord& w) { return w.keyword == word.index; });
    if (!characterWord && textDone()) {
      m_pos = wordStart;
      break;
    }
    const bool ignorable = m_ignorableMark;
    m_ignorableMark = false;
    if (word.index == RtfKey("u")) {
      // A negative parameter is the unit's 16 bits read as signed.
      const auto unit = char16_t(uint16_t(word.value));
      appendUnit(unit >= 0xF020 && unit <= 0xF0FF && !m_platformRichText ? char16_t(0x2022) : unit);
      m_skipLeft = std::max(0, state().unicodeSkip);
      continue;
    }
    if (word.index == RtfKey("uc")) {
      state().unicodeSkip = std::clamp(word.value, 0, 16);
      continue;
    }
    if (word.index == RtfKey("bin")) {
      if (word.value < 0 || word.value > size - m_pos) {
        m_pos = wordStart;
        return malformed();
      }
      m_binary = QByteArray(data + m_pos, word.value);
      m_pos += word.value;
    }
    bool character = false;
    for (const CharacterWord& w : kCharacterWords) {
      if (w.keyword == word.index) {
        appendUnit(w.unit);
        character = true;
        break;
      }
    }
    if (character) continue;
    if (word.index == RtfKey("par") || word.index == RtfKey("nestcell") || word.index == RtfKey("nestrow") ||
        word.index == RtfKey("page") || word.index == RtfKey("column")) {
      m_break = word.index == RtfKey("page") ? 11 : word.index == RtfKey("column") ? 12 : 10;
      return kRtfTokenBreak;
    }
    if (word.index == 0) {
      // An unknown word: its whole group when it names a destination others
      // may skip, else nothing.
      if (ignorable && !skipGroup()) return malformed();
      if (ignorable && m_ended) return kRtfTokenEnd;
      continue;
    }
    m_keyword = word.index;
    m_parameter = word.value;
    m_hasParameter = word.hasParameter;
    return kRtfTokenWord;
  }
done:
  flushBytes();
  return kRtfTokenText;
}

bool RtfTokenizer::skipGroup() {
  const size_t target = m_states.size();
  if (target == 0) return true;
  const qsizetype size = m_input.size();
  const char* data = m_input.data();
  size_t depth = target;
  while (m_pos < size) {
    const char c = data[m_pos];
    if (c == '\\') {
      // "\bin" hides bytes that may hold braces.
      if (m_pos + 1 < size && IsLetter(data[m_pos + 1])) {
        RtfControlWord word;
        ReadRtfControlWord(m_input.sliced(m_pos + 1), &word);
        m_pos += 1 + word.length;
        if (word.index == RtfKey("bin")) {
          if (word.value < 0 || word.value > size - m_pos) break;
          m_pos += word.value;
        }
        continue;
      }
      m_pos += 2;
      continue;
    }
    ++m_pos;
    if (c == '{') {
      if (++depth > kMaxRtfDepth) break;
    } else if (c == '}') {
      if (--depth < target) {
        m_states.pop_back();
        m_skipLeft = 0;
        if (m_states.empty()) m_ended = true;
        return true;
      }
    }
  }
  malformed();
  return false;
}

bool ScanRtfText(QByteArrayView rtf, const RtfTextInserter& insert, bool lenient, QString* message) {
  RtfTokenizer tokenizer(rtf);
  tokenizer.setLenient(lenient);
  const auto fail = [&](const QString& text) {
    if (message) *message = text;
    return false;
  };
  if (tokenizer.next() != kRtfTokenGroupStart || tokenizer.next() != kRtfTokenWord ||
      tokenizer.keyword() != RtfKey("rtf") || tokenizer.parameter() > 1 || tokenizer.parameter() < 0)
    return fail(tokenizer.message().isEmpty() ? g_rtfMalformedMessage : tokenizer.message());

  // Destinations whose text is no part of the document's text.
  static constexpr uint32_t kSkipped[] = {
      RtfKey("info"),      RtfKey("footnote"),  RtfKey("annotation"), RtfKey("listtext"), RtfKey("header"),
      RtfKey("headerl"),   RtfKey("headerr"),   RtfKey("headerf"),    RtfKey("footer"),   RtfKey("footerl"),
      RtfKey("footerr"),   RtfKey("footerf"),   RtfKey("tc"),         RtfKey("tcn"),      RtfKey("xe"),
      RtfKey("colortbl"),  RtfKey("stylesheet"), RtfKey("pict"),      RtfKey("nonshppict"), RtfKey("fldinst"),
      RtfKey("generator"), RtfKey("crvnchap"),  RtfKey("crvntag"),    RtfKey("crvnxs"),   RtfKey("crvnfirstline"),
      RtfKey("crvnalpha"), RtfKey("crvnprefix"), RtfKey("crvnsuffix"), RtfKey("crvnbackpic"), RtfKey("NeXTGraphic"),
      RtfKey("crvnref")};
  uint32_t ansiEncoding = 1280;
  uint32_t ansiCodePage = 1252;
  QHash<int32_t, uint32_t> fontEncodings;  // file font number -> encoding
  uint32_t fontTableDepth = 0;
  int32_t currentFont = -1;
  while (true) {
    const RtfTokenKind token = tokenizer.next();
    switch (token) {
      case kRtfTokenEnd:
        return true;
      case kRtfTokenMalformed:
        return fail(tokenizer.message());
      case kRtfTokenGroupStart:
      case kRtfTokenGroupEnd:
        if (fontTableDepth > tokenizer.depth()) {
          fontTableDepth = 0;
          tokenizer.setSemicolonEndsText(false);
        }
        break;
      case kRtfTokenText:
        if (fontTableDepth == 0 && !insert(tokenizer.text())) return fail(g_rtfMemoryMessage);
        break;
      case kRtfTokenBreak:
        if (fontTableDepth == 0 && !insert(QStringView(u"\n\u000b\u000c").sliced(tokenizer.breakCharacter() - 10, 1)))
          return fail(g_rtfMemoryMessage);
        break;
      case kRtfTokenWord: {
        const uint32_t key = tokenizer.keyword();
        const int32_t value = tokenizer.parameter();
        const RtfKeyInfo& info = g_rtfKeyInfos[key];
        if (std::find(std::begin(kSkipped), std::end(kSkipped), key) != std::end(kSkipped) ||
            info.propertyType == kListProperties) {
          // A list word outside its table is skipped with its group too.
          if (!tokenizer.skipGroup()) return fail(tokenizer.message());
          if (tokenizer.depth() == 0) return true;
          break;
        }
        if (key == RtfKey("fonttbl")) {
          fontTableDepth = tokenizer.depth();
          tokenizer.setSemicolonEndsText(true);
        } else if (key == RtfKey("ansi")) {
          ansiEncoding = 1280;
        } else if (key == RtfKey("mac")) {
          ansiEncoding = 0;
        } else if (key == RtfKey("ansicpg")) {
          ansiCodePage = uint32_t(std::max(0, value));
          ansiEncoding = EncodingForCodePage(ansiCodePage);
        } else if (key == RtfKey("cocoartf")) {
          tokenizer.setPlatformRichText(true);
        } else if (key == RtfKey("f")) {
          if (fontTableDepth) {
            currentFont = value;
          } else {
            tokenizer.state().encoding = fontEncodings.value(value, ansiEncoding);
          }
        } else if ((key == RtfKey("fcharset") || key == RtfKey("cpg")) && fontTableDepth && currentFont >= 0) {
          const uint32_t encoding = key == RtfKey("cpg") ? EncodingForCodePage(uint32_t(std::max(0, value)))
                                                          : EncodingForCharSet(uint32_t(std::max(0, value)), ansiCodePage);
          fontEncodings.insert(currentFont, encoding);
        } else if (key == RtfKey("plain")) {
          tokenizer.state().encoding = ansiEncoding;
        } else if (key == RtfKey("cell")) {
          if (!insert(u"\n")) return fail(g_rtfMemoryMessage);
        }
        if (key == RtfKey("ansi") || key == RtfKey("mac") || key == RtfKey("ansicpg"))
          tokenizer.state().encoding = ansiEncoding;
        break;
      }
      default:
        return fail(g_rtfMemoryMessage);
    }
  }
}
