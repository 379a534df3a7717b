#pragma once
// A set of non-negative indexes kept as sorted, disjoint ranges, with the
// text form the defaults store: "1-3 7".

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class CSIndexSet {
 public:
  // Indexes are "%d" numbers in the text form, so they stay within 32 bits.
  static constexpr int64_t kMaxIndex = 0x7FFFFFFF;
  // A stored text longer than this is refused rather than read.
  static constexpr qsizetype kMaxArchiveLength = 1 << 20;

  CSIndexSet() = default;

  void addIndex(int64_t index) { addRange(index, index); }
  // Adds [first, last]; an inverted or negative range is ignored.
  void addRange(int64_t first, int64_t last);
  void removeIndex(int64_t index);
  bool containsIndex(int64_t index) const;
  int64_t count() const;
  bool isEmpty() const { return m_ranges.empty(); }
  // Inclusive ranges, ascending.
  const std::vector<std::pair<int64_t, int64_t>>& ranges() const { return m_ranges; }
  std::vector<int64_t> indexes() const;

  // "%d" for a single index, "%d-%d" for a range, separated by one space.
  QString archive() const;
  // Reads the text form back: digits build a number, "-" makes it the start
  // of a range, a space ends an item. Anything else, a number beyond
  // kMaxIndex, a backwards range or an overlong text gives nullopt.
  static std::optional<CSIndexSet> fromArchive(const QString& text);

  bool operator==(const CSIndexSet& other) const = default;

 private:
  std::vector<std::pair<int64_t, int64_t>> m_ranges;
};
