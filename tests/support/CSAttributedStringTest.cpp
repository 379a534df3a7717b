#include <gtest/gtest.h>

#include "support/CSAttributedString.h"
#include "support/Fonts.h"

namespace {

QTextCharFormat Bold() {
  QTextCharFormat f;
  f.setFontWeight(QFont::Bold);
  return f;
}

QTextCharFormat Red() {
  QTextCharFormat f;
  f.setForeground(QColor(Qt::red));
  return f;
}

// Runs must tile the text exactly and never repeat a format side by side.
void ExpectWellFormed(const CSAttributedString& s) {
  int next = 0;
  for (int i = 0; i < s.runs().size(); ++i) {
    const auto& run = s.runs()[i];
    EXPECT_EQ(run.start, next);
    EXPECT_GT(run.length, 0);
    if (i > 0) {
      EXPECT_FALSE(s.runs()[i - 1].format == run.format);
    }
    next += run.length;
  }
  EXPECT_EQ(next, s.length());
}

TEST(CSAttributedStringTest, FormatsSplitMergeAndClip) {
  CSAttributedString s(QStringLiteral("Hello world"));
  s.setFormat(6, 5, Bold());
  ExpectWellFormed(s);
  ASSERT_EQ(s.runs().size(), 2);
  int start = -1, length = -1;
  EXPECT_TRUE(s.formatAt(8, &start, &length) == Bold());
  EXPECT_EQ(start, 6);
  EXPECT_EQ(length, 5);

  s.mergeFormat(4, 4, Red());  // "o wo" red, keeping bold on "wo"
  ExpectWellFormed(s);
  EXPECT_EQ(s.runs().size(), 4);
  EXPECT_EQ(s.formatAt(7).fontWeight(), QFont::Bold);
  EXPECT_EQ(s.formatAt(7).foreground().color(), QColor(Qt::red));
  EXPECT_EQ(s.formatAt(5).fontWeight(), QFont::Normal);

  s.setFormat(0, 11, QTextCharFormat());  // back to one run
  EXPECT_EQ(s.runs().size(), 1);

  // Ranges outside the text are clipped; nothing outside is touched.
  s.setFormat(-5, 7, Bold());
  s.setFormat(9, 100, Red());
  s.setFormat(50, 3, Bold());
  s.setFormat(3, -4, Bold());
  ExpectWellFormed(s);
  EXPECT_EQ(s.formatAt(1).fontWeight(), QFont::Bold);
  EXPECT_EQ(s.formatAt(10).foreground().color(), QColor(Qt::red));
  EXPECT_TRUE(s.formatAt(-3) == s.formatAt(0));
  EXPECT_TRUE(s.formatAt(999) == s.formatAt(10));
  EXPECT_TRUE(CSAttributedString().formatAt(0) == QTextCharFormat());
}

TEST(CSAttributedStringTest, EditingKeepsRunsInStep) {
  CSAttributedString s(QStringLiteral("abc"), Bold());
  s.append(QStringLiteral("def"), Red());
  s.replaceCharacters(3, 0, QStringLiteral("XY"));  // an insertion takes the format before it
  EXPECT_EQ(s.string(), QStringLiteral("abcXYdef"));
  EXPECT_EQ(s.formatAt(4).fontWeight(), QFont::Bold);
  s.replaceCharacters(5, 2, QStringLiteral("Z"));  // a replacement takes the first replaced one's
  EXPECT_EQ(s.string(), QStringLiteral("abcXYZf"));
  EXPECT_EQ(s.formatAt(5).foreground().color(), QColor(Qt::red));
  s.deleteCharacters(1, 4);
  EXPECT_EQ(s.string(), QStringLiteral("aZf"));
  ExpectWellFormed(s);
  s.deleteCharacters(-10, 100);
  EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(s.runs().isEmpty());

  CSAttributedString t(QStringLiteral("0123456789"), Bold());
  t.setFormat(2, 3, Red());
  const CSAttributedString middle = t.substring(3, 4);
  EXPECT_EQ(middle.string(), QStringLiteral("3456"));
  ASSERT_EQ(middle.runs().size(), 2);
  EXPECT_EQ(middle.runs()[0].length, 2);
  EXPECT_EQ(t.substring(8, 50).string(), QStringLiteral("89"));
  EXPECT_TRUE(t.substring(20, 5).isEmpty());
  const auto ranges = t.formatRanges();
  ASSERT_EQ(ranges.size(), 3);
  EXPECT_EQ(ranges[1].start, 2);
  EXPECT_EQ(ranges[1].length, 3);
}

TEST(CSAttributedStringTest, FromStringWithParagraphAttributes) {
  EXPECT_TRUE(AttributedStringFromString(QString(), nullptr, 100, QColor()).isEmpty());
  const QFont font = FontWithName(QStringLiteral("DejaVu Serif"), 15);
  const CSAttributedString centred = AttributedStringFromString(QStringLiteral("7"), &font, 101, Qt::blue);
  EXPECT_EQ(ParagraphAlignment(centred), Qt::AlignHCenter);
  EXPECT_EQ(ParagraphLineBreakMode(centred), kLineBreakByTruncatingTail);
  EXPECT_EQ(centred.formatAt(0).font().pointSizeF(), 15);
  EXPECT_EQ(centred.formatAt(0).foreground().color(), QColor(Qt::blue));
  EXPECT_EQ(ParagraphAlignment(AttributedStringFromString(QStringLiteral("x"), nullptr, 102, QColor())),
            Qt::AlignRight);
  const CSAttributedString left = AttributedStringFromString(QStringLiteral("x"), nullptr, 100, QColor(), 2, 6);
  EXPECT_EQ(ParagraphAlignment(left), Qt::AlignLeft);
  EXPECT_EQ(ParagraphLineBreakMode(left), kLineBreakByClipping);
  EXPECT_EQ(left.formatAt(0).doubleProperty(QTextFormat::BlockBottomMargin), 6);
  EXPECT_FALSE(left.formatAt(0).hasProperty(QTextFormat::ForegroundBrush));  // drawn in the text colour
  EXPECT_EQ(left.formatAt(0).font().pointSizeF(), SystemFontSize());
}

}  // namespace

TEST(CSAttributedStringTest, ReplaceEveryOccurrenceKeepingFormats) {
  CSAttributedString s(QStringLiteral("a cat, A CAT, a dog"));
  s.setFormat(7, 5, Bold());  // the second "A CAT"
  CSAttributedString exact = s;
  EXPECT_EQ(ReplaceInAttributedString(exact, QStringLiteral("cat"), QStringLiteral("lion"), false), 1);
  EXPECT_EQ(exact.string(), QStringLiteral("a lion, A CAT, a dog"));

  EXPECT_EQ(ReplaceInAttributedString(s, QStringLiteral("cat"), QStringLiteral("lion"), true), 2);
  EXPECT_EQ(s.string(), QStringLiteral("a lion, A lion, a dog"));
  ExpectWellFormed(s);
  EXPECT_TRUE(s.formatAt(10) == Bold());  // took the format of what it replaced
  EXPECT_FALSE(s.formatAt(3) == Bold());

  // The search goes on after each replacement, which may hold the text sought.
  CSAttributedString grow(QStringLiteral("aXa"));
  EXPECT_EQ(ReplaceInAttributedString(grow, QStringLiteral("a"), QStringLiteral("aa"), false), 2);
  EXPECT_EQ(grow.string(), QStringLiteral("aaXaa"));
  EXPECT_EQ(ReplaceInAttributedString(grow, QString(), QStringLiteral("z"), false), 0);
  EXPECT_EQ(ReplaceInAttributedString(grow, QStringLiteral("X"), QString(), false), 1);
  EXPECT_EQ(grow.string(), QStringLiteral("aaaa"));
}

TEST(CSAttributedStringTest, StringByReplacingCopiesOnlyWhenThereIsAnOccurrence) {
  const CSAttributedString s(QStringLiteral("one two one"));
  int count = -1;
  EXPECT_FALSE(StringByReplacing(s, QStringLiteral("three"), QStringLiteral("x"), false, &count).has_value());
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(StringByReplacing(s, QString(), QStringLiteral("x"), false, &count).has_value());
  const auto replaced = StringByReplacing(s, QStringLiteral("ONE"), QStringLiteral("1"), true, &count);
  ASSERT_TRUE(replaced.has_value());
  EXPECT_EQ(replaced->string(), QStringLiteral("1 two 1"));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(s.string(), QStringLiteral("one two one"));  // the original is untouched
}
