#pragma once
// Text with runs of formats: the styled text that labels, links, the text
// style and the rich-text engine pass around and lay out with QTextLayout.
// The runs always cover the whole text, in order, without gaps; neighbours
// with equal formats are merged. Indices are UTF-16 positions; ranges that
// reach outside the text are clipped to it.
//
// Besides the character attributes of QTextCharFormat, a run may carry the
// paragraph attributes the layout functions read from the first run:
// QTextFormat::BlockAlignment (Qt::Alignment), QTextFormat::BlockBottomMargin
// (space after, points) and kLineBreakModeProperty; a link is AnchorHref
// with kCursorShapeProperty naming the pointer shape over it.

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextCharFormat>
#include <QTextLayout>
#include <optional>

// How a paragraph that does not fit its width is broken or shortened.
enum CSLineBreakMode : int {
  kLineBreakByWordWrapping = 0,
  kLineBreakByCharWrapping = 1,
  kLineBreakByClipping = 2,
  kLineBreakByTruncatingHead = 3,
  kLineBreakByTruncatingTail = 4,
  kLineBreakByTruncatingMiddle = 5,
};

constexpr int kLineBreakModeProperty = QTextFormat::UserProperty + 0x7701;
constexpr int kCursorShapeProperty = QTextFormat::UserProperty + 0x7702;

class CSAttributedString {
 public:
  struct Run {
    int start = 0;
    int length = 0;
    QTextCharFormat format;
    bool operator==(const Run& other) const {
      return start == other.start && length == other.length && format == other.format;
    }
  };

  CSAttributedString() = default;
  explicit CSAttributedString(const QString& text, const QTextCharFormat& format = QTextCharFormat());

  const QString& string() const { return m_string; }
  int length() const { return int(m_string.size()); }
  bool isEmpty() const { return m_string.isEmpty(); }
  const QList<Run>& runs() const { return m_runs; }

  // The format at the index (clamped into the text) and the run holding it;
  // an empty text answers an empty format.
  QTextCharFormat formatAt(int index, int* runStart = nullptr, int* runLength = nullptr) const;

  // Replaces the formats of a range, or merges attributes into them.
  void setFormat(int start, int length, const QTextCharFormat& format);
  void mergeFormat(int start, int length, const QTextCharFormat& format);

  // Replaces a range; plain text takes the format of the first replaced
  // character, or of the character before an insertion point.
  void replaceCharacters(int start, int length, const QString& text);
  void replaceCharacters(int start, int length, const CSAttributedString& text);
  void deleteCharacters(int start, int length) { replaceCharacters(start, length, QString()); }
  void append(const QString& text, const QTextCharFormat& format);
  void append(const CSAttributedString& other);

  CSAttributedString substring(int start, int length) const;

  // The runs as QTextLayout wants them.
  QList<QTextLayout::FormatRange> formatRanges() const;

  bool operator==(const CSAttributedString& other) const = default;

 private:
  // Clips [start, start + length) to the text; false when nothing is left.
  bool clip(int* start, int* length) const;
  // Ensures a run boundary at the index and answers the run starting there.
  int splitAt(int index);
  void normalise();

  QString m_string;
  QList<Run> m_runs;
};

// A text in a font (the system font at its standard size when null) and a
// colour (none: the text colour where it is drawn), one paragraph with the
// alignment code (101 centred, 102 right, anything else left), the line
// break mode and the spacing after it. A null text gives an empty result.
CSAttributedString AttributedStringFromString(const QString& text, const QFont* font, int alignment,
                                              const QColor& color, int breakMode = kLineBreakByTruncatingTail,
                                              double spaceAfter = 0);

// Replaces every occurrence of `find` in place, each taking the format of the
// first character it replaces, and answers how many there were. The search
// goes on after each replacement, so a replacement that holds `find` is not
// searched again; an empty `find` replaces nothing.
int ReplaceInAttributedString(CSAttributedString& text, const QString& find, const QString& replacement,
                              bool ignoreCase);
// The same on a copy, made only when `find` occurs (nullopt otherwise);
// *count, when given, receives the number of replacements.
std::optional<CSAttributedString> StringByReplacing(const CSAttributedString& text, const QString& find,
                                                    const QString& replacement, bool ignoreCase, int* count);

// Paragraph attributes of the first run, with their defaults.
Qt::Alignment ParagraphAlignment(const CSAttributedString& text);
int ParagraphLineBreakMode(const CSAttributedString& text);
