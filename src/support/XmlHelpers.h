#pragma once
// Plain-function helpers shared by the XML reader and its callers: skipping
// comments and declarations between tags, and finding an element's own end
// tag without parsing what lies inside it.

#include <QStringView>
#include <cstdint>
#include <functional>

class CSXmlDecoder;

// Status codes of SkipXmlComments (the library's plain-function convention).
constexpr int kXmlSkipFailed = 0;  // unterminated comment or declaration, or text where a tag belongs
constexpr int kXmlSkipOK = 1;      // stopped at a "<" that starts a tag, or at the end of the text
constexpr int kXmlSkipText = 23;   // stopped at text, and the caller allowed text

// Moves *index over blanks, comments ("<!--" to "-->"), other declarations
// beginning with "<!" (up to the ">" that balances the angle brackets, with
// quoted literals and nested comments honoured) and, where text is not
// allowed, entity references standing between tags. With textAllowed an
// entity reference or a CDATA section is text. With stopAfterOne it returns
// after the first comment or declaration. An index outside the text is
// clamped to it. *index is left where scanning stopped.
int SkipXmlComments(QStringView text, qsizetype* index, bool textAllowed, bool stopAfterOne);

// The index of the "<" of the end tag that closes an element named `name`
// whose start tag ends before `from`: nested elements of the same name are
// counted, comments, CDATA sections and quoted attribute values are passed
// over, and empty-element tags do not nest. -1 when the text ends first.
// One pass over the text from `from`.
qsizetype FindXmlEndTag(QStringView text, qsizetype from, QStringView name);

// Reads the children of the element whose start tag the reader is on,
// through its own end tag, which must carry `key`. `onValue` gets each child
// that holds a value; `onElement` each child with children of its own and
// must read through that child's end tag, answering false when it cannot;
// without it such children are skipped whole. An element written empty
// ("<name/>") has no children. false when the reader is not on a start tag,
// or the text is malformed, ends first, or closes with another's end tag.
bool ReadXmlChildren(CSXmlDecoder& decoder, int32_t key, const std::function<void(CSXmlDecoder&)>& onValue,
                     const std::function<bool(CSXmlDecoder&)>& onElement = nullptr);

// XML white space: blank, tab, line feed, carriage return.
constexpr bool IsXmlBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Characters of tag names: letters, ":" and "_" anywhere; "-", "." and digits
// after the first character (a first digit only where the caller allows it).
bool IsXmlNameStartChar(char16_t c);
bool IsXmlNameChar(char16_t c);
