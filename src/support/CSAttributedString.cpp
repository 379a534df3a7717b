#include "support/CSAttributedString.h"

#include <algorithm>

#include "support/Fonts.h"

CSAttributedString::CSAttributedString(const QString& text, const QTextCharFormat& format) : m_string(text) {
  if (!text.isEmpty()) m_runs.append(Run{0, int(text.size()), format});
}

bool CSAttributedString::clip(int* start, int* length) const {
  const int64_t s = std::clamp<int64_t>(*start, 0, this->length());
  const int64_t e = std::clamp<int64_t>(int64_t(*start) + std::max(*length, 0), s, this->length());
  *start = int(s);
  *length = int(e - s);
  return *length > 0;
}

QTextCharFormat CSAttributedString::formatAt(int index, int* runStart, int* runLength) const {
  if (m_runs.isEmpty()) {
    if (runStart) *runStart = 0;
    if (runLength) *runLength = 0;
    return QTextCharFormat();
  }
  index = std::clamp(index, 0, length() - 1);
  // Runs are sorted by start; find the last one starting at or before index.
  auto it = std::upper_bound(m_runs.begin(), m_runs.end(), index, [](int i, const Run& run) { return i < run.start; });
  const Run& run = *(it - 1);
  if (runStart) *runStart = run.start;
  if (runLength) *runLength = run.length;
  return run.format;
}

int CSAttributedString::splitAt(int index) {
  for (int i = 0; i < m_runs.size(); ++i) {
    Run& run = m_runs[i];
    if (run.start == index) return i;
    if (index > run.start && index < run.start + run.length) {
      Run tail{index, run.start + run.length - index, run.format};
      run.length = index - run.start;
      m_runs.insert(i + 1, tail);
      return i + 1;
    }
  }
  return int(m_runs.size());
}

void CSAttributedString::normalise() {
  QList<Run> merged;
  merged.reserve(m_runs.size());
  for (const Run& run : std::as_const(m_runs)) {
    if (run.length <= 0) continue;
    if (!merged.isEmpty() && merged.last().format == run.format) {
      merged.last().length += run.length;
    } else {
      merged.append(run);
    }
  }
  m_runs = std::move(merged);
}

void CSAttributedString::setFormat(int start, int length, const QTextCharFormat& format) {
  if (!clip(&start, &length)) return;
  const int first = splitAt(start);
  const int last = splitAt(start + length);
  for (int i = first; i < last; ++i) m_runs[i].format = format;
  normalise();
}

void CSAttributedString::mergeFormat(int start, int length, const QTextCharFormat& format) {
  if (!clip(&start, &length)) return;
  const int first = splitAt(start);
  const int last = splitAt(start + length);
  for (int i = first; i < last; ++i) m_runs[i].format.merge(format);
  normalise();
}

void CSAttributedString::replaceCharacters(int start, int length, const QString& text) {
  clip(&start, &length);
  QTextCharFormat format;
  if (length > 0) {
    format = formatAt(start);
  } else if (start > 0) {
    format = formatAt(start - 1);
  } else {
    format = formatAt(0);
  }
  replaceCharacters(start, length, CSAttributedString(text, format));
}

void CSAttributedString::replaceCharacters(int start, int length, const CSAttributedString& text) {
  clip(&start, &length);
  CSAttributedString result = substring(0, start);
  result.append(text);
  result.append(substring(start + length, this->length() - start - length));
  *this = std::move(result);
}

void CSAttributedString::append(const QString& text, const QTextCharFormat& format) {
  append(CSAttributedString(text, format));
}

void CSAttributedString::append(const CSAttributedString& other) {
  if (other.isEmpty()) return;
  const int offset = length();
  m_string += other.m_string;
  for (Run run : other.m_runs) {
    run.start += offset;
    m_runs.append(run);
  }
  normalise();
}

CSAttributedString CSAttributedString::substring(int start, int length) const {
  CSAttributedString result;
  if (!clip(&start, &length)) return result;
  result.m_string = m_string.mid(start, length);
  const int end = start + length;
  for (const Run& run : m_runs) {
    const int s = std::max(run.start, start);
    const int e = std::min(run.start + run.length, end);
    if (s < e) result.m_runs.append(Run{s - start, e - s, run.format});
  }
  return result;
}

QList<QTextLayout::FormatRange> CSAttributedString::formatRanges() const {
  QList<QTextLayout::FormatRange> ranges;
  ranges.reserve(m_runs.size());
  for (const Run& run : m_runs) ranges.append(QTextLayout::FormatRange{run.start, run.length, run.format});
  return ranges;
}

CSAttributedString AttributedStringFromString(const QString& text, const QFont* font, int alignment,
                                              const QColor& color, int breakMode, double spaceAfter) {
  if (text.isNull()) return CSAttributedString();
  QTextCharFormat format;
  format.setFont(font ? *font : SystemFont(SystemFontSize()), QTextCharFormat::FontPropertiesAll);
  if (color.isValid()) format.setForeground(color);
  const Qt::Alignment align = alignment == 101 ? Qt::AlignHCenter : alignment == 102 ? Qt::AlignRight : Qt::AlignLeft;
  format.setProperty(QTextFormat::BlockAlignment, int(align));
  format.setProperty(kLineBreakModeProperty, breakMode);
  format.setProperty(QTextFormat::BlockBottomMargin, spaceAfter);
  return CSAttributedString(text, format);
}

int ReplaceInAttributedString(CSAttributedString& text, const QString& find, const QString& replacement,
                              bool ignoreCase) {
  if (find.isEmpty()) return 0;
  const Qt::CaseSensitivity sensitivity = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
  int count = 0;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = text.string().indexOf(find, from, sensitivity);
    if (at < 0) break;
    text.replaceCharacters(int(at), int(find.size()), replacement);
    from = at + replacement.size();
    ++count;
  }
  return count;
}

std::optional<CSAttributedString> StringByReplacing(const CSAttributedString& text, const QString& find,
                                                    const QString& replacement, bool ignoreCase, int* count) {
  if (count) *count = 0;
  if (find.isEmpty() || !text.string().contains(find, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive))
    return std::nullopt;
  CSAttributedString copy = text;
  const int replaced = ReplaceInAttributedString(copy, find, replacement, ignoreCase);
  if (count) *count = replaced;
  return copy;
}

Qt::Alignment ParagraphAlignment(const CSAttributedString& text) {
  const QTextCharFormat format = text.formatAt(0);
  if (!format.hasProperty(QTextFormat::BlockAlignment)) return Qt::AlignLeft;
  return Qt::Alignment(format.intProperty(QTextFormat::BlockAlignment));
}

int ParagraphLineBreakMode(const CSAttributedString& text) {
  const QTextCharFormat format = text.formatAt(0);
  if (!format.hasProperty(kLineBreakModeProperty)) return kLineBreakByWordWrapping;
  return format.intProperty(kLineBreakModeProperty);
}
