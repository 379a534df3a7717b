#include "support/CSIndexSet.h"

#include <algorithm>

void CSIndexSet::addRange(int64_t first, int64_t last) {
  if (first < 0 || last < first) return;
  // Merge with every range that overlaps or touches [first, last].
  auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), first,
                             [](const auto& range, int64_t value) { return range.second + 1 < value; });
  auto stop = it;
  while (stop != m_ranges.end() && stop->first <= last + 1) {
    first = std::min(first, stop->first);
    last = std::max(last, stop->second);
    ++stop;
  }
  it = m_ranges.erase(it, stop);
  m_ranges.insert(it, {first, last});
}

void CSIndexSet::removeIndex(int64_t index) {
  auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), index,
                             [](const auto& range, int64_t value) { return range.second < value; });
  if (it == m_ranges.end() || it->first > index) return;
  const auto [first, last] = *it;
  it = m_ranges.erase(it);
  if (index < last) it = m_ranges.insert(it, {index + 1, last});
  if (first < index) m_ranges.insert(it, {first, index - 1});
}

bool CSIndexSet::containsIndex(int64_t index) const {
  auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), index,
                             [](const auto& range, int64_t value) { return range.second < value; });
  return it != m_ranges.end() && it->first <= index;
}

int64_t CSIndexSet::count() const {
  int64_t n = 0;
  for (const auto& [first, last] : m_ranges) n += last - first + 1;
  return n;
}

std::vector<int64_t> CSIndexSet::indexes() const {
  std::vector<int64_t> list;
  for (const auto& [first, last] : m_ranges)
    for (int64_t i = first; i <= last; ++i) list.push_back(i);
  return list;
}

QString CSIndexSet::archive() const {
  QString text;
  for (const auto& [first, last] : m_ranges) {
    if (!text.isEmpty()) text += QLatin1Char(' ');
    text += QString::number(first);
    if (last > first) text += QLatin1Char('-') + QString::number(last);
  }
  return text;
}

std::optional<CSIndexSet> CSIndexSet::fromArchive(const QString& text) {
  if (text.size() > kMaxArchiveLength) return std::nullopt;
  CSIndexSet set;
  int64_t number = -1;      // -1: no digits yet
  int64_t rangeStart = -1;  // -1: no "-" seen in this item
  auto endItem = [&]() -> bool {
    if (rangeStart >= 0) {
      if (number < 0 || number < rangeStart) return false;  // "3-" or "5-2"
      set.addRange(rangeStart, number);
    } else if (number >= 0) {
      set.addIndex(number);
    }
    number = rangeStart = -1;
    return true;
  };
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c >= u'0' && c <= u'9') {
      number = (number < 0 ? 0 : number) * 10 + (c - u'0');
      if (number > kMaxIndex) return std::nullopt;
    } else if (c == u'-') {
      if (number < 0 || rangeStart >= 0) return std::nullopt;
      rangeStart = number;
      number = -1;
    } else if (c == u' ') {
      if (!endItem()) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!endItem()) return std::nullopt;
  return set;
}
