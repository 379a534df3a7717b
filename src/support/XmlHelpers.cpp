#include "support/XmlHelpers.h"

#include <QChar>

#include "support/CSXmlDecoder.h"

namespace {

constexpr bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool StartsWithAt(QStringView text, qsizetype at, QStringView what) {
  return at >= 0 && text.size() - at >= what.size() && text.sliced(at, what.size()) == what;
}

// Index just past the first `close` at or after `from` (the end of a comment
// or CDATA section); -1 when the text ends first.
qsizetype PastClose(QStringView text, qsizetype from, QStringView close) {
  const qsizetype end = text.indexOf(close, from);
  return end < 0 ? -1 : end + close.size();
}

// Index just past "&name;" or "&#digits;" at `at`, or -1 when no reference stands there.
qsizetype EntityReferenceEnd(QStringView text, qsizetype at) {
  qsizetype p = at + 1;
  const qsizetype length = text.size();
  if (p < length && text[p] == u'#') {
    ++p;
    const bool hex = p < length && text[p] == u'x';
    if (hex) ++p;
    const qsizetype digits = p;
    while (p < length && (hex ? IsHexDigit(text[p].unicode()) : text[p] >= u'0' && text[p] <= u'9')) ++p;
    if (p == digits) return -1;
  } else {
    if (p >= length || !IsXmlNameStartChar(text[p].unicode())) return -1;
    while (p < length && IsXmlNameChar(text[p].unicode())) ++p;
  }
  return p < length && text[p] == u';' ? p + 1 : -1;
}

// Index just past the declaration that starts with "<!" at `at`, balancing
// angle brackets; -1 when the text ends first.
qsizetype DeclarationEnd(QStringView text, qsizetype at) {
  const qsizetype length = text.size();
  int64_t depth = 0;
  qsizetype p = at;
  while (p < length) {
    const char16_t c = text[p].unicode();
    if (c == u'<') {
      if (StartsWithAt(text, p, u"<!--")) {
        p = PastClose(text, p + 4, u"-->");
        if (p < 0) return -1;
        continue;
      }
      ++depth;
    } else if (c == u'>') {
      if (--depth <= 0) return p + 1;
    } else if (c == u'"' || c == u'\'') {
      const qsizetype end = text.indexOf(QChar(c), p + 1);
      if (end < 0) return -1;
      p = end + 1;
      continue;
    }
    ++p;
  }
  return -1;
}

// Index of the ">" that ends the tag whose name ends at `from`, passing over
// quoted attribute values; -1 when the text ends first.
qsizetype TagEnd(QStringView text, qsizetype from) {
  const qsizetype length = text.size();
  for (qsizetype p = from; p < length; ++p) {
    const char16_t c = text[p].unicode();
    if (c == u'>') return p;
    if (c == u'"' || c == u'\'') {
      const qsizetype end = text.indexOf(QChar(c), p + 1);
      if (end < 0) return -1;
      p = end;
    }
  }
  return -1;
}

}  // namespace

bool IsXmlNameStartChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u':' || c == u'_';
  return QChar::isLetter(c) || QChar::isSurrogate(c);
}

bool IsXmlNameChar(char16_t c) {
  if (c < 0x80) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u':' || c == u'_' ||
           c == u'-' || c == u'.';
  }
  return QChar::isLetterOrNumber(c) || QChar::isMark(c) || QChar::isSurrogate(c) || c == 0xB7;
}

int SkipXmlComments(QStringView text, qsizetype* index, bool textAllowed, bool stopAfterOne) {
  const qsizetype length = text.size();
  qsizetype p = *index < 0 ? 0 : (*index > length ? length : *index);
  const int textResult = textAllowed ? kXmlSkipText : kXmlSkipFailed;
  for (;;) {
    while (p < length && IsXmlBlank(text[p].unicode())) ++p;
    if (p >= length) {
      *index = length;
      return kXmlSkipOK;
    }
    const char16_t c = text[p].unicode();
    if (c == u'<') {
      if (p + 1 >= length || text[p + 1] != u'!') {
        *index = p;
        return kXmlSkipOK;
      }
      qsizetype end;
      if (StartsWithAt(text, p, u"<!--")) {
        end = PastClose(text, p + 4, u"-->");
      } else if (StartsWithAt(text, p, u"<![CDATA[")) {
        *index = p;  // character data where a tag belongs
        return textResult;
      } else {
        end = DeclarationEnd(text, p);
      }
      if (end < 0) {
        *index = p;
        return kXmlSkipFailed;
      }
      p = end;
      if (stopAfterOne) {
        *index = p;
        return kXmlSkipOK;
      }
      continue;
    }
    if (c == u'&' && !textAllowed) {
      const qsizetype end = EntityReferenceEnd(text, p);
      if (end > 0) {
        p = end;
        continue;
      }
    }
    *index = p;
    return textResult;
  }
}

qsizetype FindXmlEndTag(QStringView text, qsizetype from, QStringView name) {
  const qsizetype length = text.size();
  if (name.isEmpty()) return -1;
  int64_t depth = 1;
  qsizetype p = from < 0 ? 0 : from;
  while (p < length) {
    p = text.indexOf(u'<', p);
    if (p < 0) return -1;
    if (StartsWithAt(text, p, u"<!--")) {
      p = PastClose(text, p + 4, u"-->");
      if (p < 0) return -1;
      continue;
    }
    if (StartsWithAt(text, p, u"<![CDATA[")) {
      p = PastClose(text, p + 9, u"]]>");
      if (p < 0) return -1;
      continue;
    }
    const bool closing = p + 1 < length && text[p + 1] == u'/';
    const qsizetype nameStart = p + (closing ? 2 : 1);
    const qsizetype nameEnd = nameStart + name.size();
    const bool sameName =
        StartsWithAt(text, nameStart, name) && (nameEnd >= length || !IsXmlNameChar(text[nameEnd].unicode()));
    if (!sameName) {
      p = nameStart;
      continue;
    }
    if (closing) {
      if (--depth == 0) return p;
      p = nameEnd;
      continue;
    }
    const qsizetype end = TagEnd(text, nameEnd);
    if (end < 0) return -1;
    if (text[end - 1] != u'/') ++depth;
    p = end + 1;
  }
  return -1;
}

bool ReadXmlChildren(CSXmlDecoder& decoder, int32_t key, const std::function<void(CSXmlDecoder&)>& onValue,
                     const std::function<bool(CSXmlDecoder&)>& onElement) {
  if (!decoder.startTag()) return false;
  if (decoder.endTag()) return true;  // "<name/>" or an element holding a value
  const int64_t level = decoder.level();
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      // Children are read or skipped whole, so an end tag at the element's
      // own level closes it; deeper ones end what a reader left part read.
      if (decoder.level() >= level) continue;
      return decoder.key() == key;
    }
    if (!decoder.endTag()) {
      if (!onElement) {
        decoder.skipTag();
      } else if (!onElement(decoder)) {
        return false;
      }
      continue;
    }
    if (onValue) onValue(decoder);
  }
  return false;  // malformed, or the text ended inside the element
}
