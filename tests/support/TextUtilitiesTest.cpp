#include <gtest/gtest.h>

#include <QChar>
#include <vector>

#include "support/TextUtilities.h"
#include "testkit/QStringPrinter.h"

namespace {

// The classification written out from the Unicode categories, independently
// of the sets and the table.
uint32_t ExpectedType(char16_t u) {
  const QChar::Category cat = QChar(u).category();
  const bool newlineOrTab = (u >= 0x09 && u <= 0x0D) || u == 0x85;
  if (cat == QChar::Letter_Lowercase) return kCharLowerCase;
  if (cat == QChar::Letter_Uppercase || cat == QChar::Letter_Titlecase) return kCharUpperCase;
  if (cat == QChar::Separator_Space || cat == QChar::Separator_Line || cat == QChar::Separator_Paragraph ||
      newlineOrTab)
    return kCharSpace;
  if (cat == QChar::Number_DecimalDigit) return kCharDigit;
  if ((cat >= QChar::Punctuation_Connector && cat <= QChar::Punctuation_Other) ||
      (cat >= QChar::Symbol_Math && cat <= QChar::Symbol_Other))
    return kCharPunctuation;
  if (cat == QChar::Other_Control || cat == QChar::Other_Format) return kCharControl;
  return kCharOther;
}

struct Span {
  int32_t start;
  int32_t end;
};

Span WordAt(const QString& text, int32_t cp, bool includeBlanks = false) {
  void* ctx = const_cast<QString*>(&text);
  const int32_t max = int32_t(text.size());
  return {StartOfWord(cp, 0, max, FetchCharacterFromString, ctx),
          EndOfWord(cp, 0, max, FetchCharacterFromString, includeBlanks, ctx)};
}

Span SentenceAt(const QString& text, int32_t cp) {
  void* ctx = const_cast<QString*>(&text);
  const int32_t max = int32_t(text.size());
  return {StartOfSentence(cp, 0, max, FetchCharacterFromString, ctx),
          EndOfSentence(cp, 0, max, FetchCharacterFromString, ctx)};
}

}  // namespace

TEST(TextUtilities, TypeOfCharPerClass) {
  struct Row {
    char16_t c;
    uint32_t type;
  } rows[] = {
      {u'a', kCharLowerCase},   {u'ß', kCharLowerCase},   {u'A', kCharUpperCase},   {0x01C5, kCharUpperCase},
      {u' ', kCharSpace},       {u'\t', kCharSpace},      {u'\n', kCharSpace},      {0x00A0, kCharSpace},
      {0x2028, kCharSpace},     {0x0085, kCharSpace},     {u'7', kCharDigit},       {0x0663, kCharDigit},
      {u'.', kCharPunctuation}, {u'_', kCharPunctuation}, {u'$', kCharPunctuation}, {u'+', kCharPunctuation},
      {0x0001, kCharControl},   {0x200D, kCharControl},   {0x00AD, kCharControl},   {0xD800, kCharOther},
      {0x4E00, kCharOther},     {0xFFFF, kCharOther},
  };
  for (const Row& r : rows) EXPECT_EQ(TypeOfChar(r.c), r.type) << std::hex << unsigned(r.c);
}

TEST(TextUtilities, TableAndSetsAgreeWithUnicodeCategoriesForEveryUnit) {
  for (uint32_t u = 0; u < 256; ++u) ASSERT_EQ(TypeOfChar(char16_t(u)), TypeOfCharFromSets(char16_t(u))) << u;
  for (uint32_t u = 0; u < 0x10000; ++u) ASSERT_EQ(TypeOfChar(char16_t(u)), ExpectedType(char16_t(u))) << std::hex << u;
  EXPECT_EQ(TypeOfStringChar(u"a1", 1), kCharDigit);
  EXPECT_EQ(TypeOfStringChar(u"a1", 2), kCharOther);
  EXPECT_EQ(TypeOfStringChar(u"a1", -1), kCharOther);
}

TEST(TextUtilities, Predicates) {
  EXPECT_TRUE(CharIsLetter(u'é'));
  EXPECT_FALSE(CharIsLetter(u'1'));
  EXPECT_TRUE(CharIsLetterOrNumber(u'1'));
  EXPECT_TRUE(CharIsSpaceOrNumber(u' '));
  EXPECT_TRUE(CharIsSpaceOrPunct(u','));
  EXPECT_TRUE(CharIsLineBreak(u'\r'));
  EXPECT_TRUE(CharIsLineBreak(0x2029));
  EXPECT_FALSE(CharIsLineBreak(u'\t'));
  EXPECT_TRUE(CharIsCurrency(u'€'));
  EXPECT_TRUE(CharIsCurrency(0x20B6));
  EXPECT_FALSE(CharIsCurrency(u'#'));
}

TEST(TextUtilities, SingleCharacterCase) {
  struct Row {
    char16_t in, upper, lower;
  } rows[] = {
      {u'a', u'A', u'a'},       {u'Z', u'Z', u'z'},
      {u'ß', u'ß', u'ß'},       {u'ÿ', 0x0178, u'ÿ'},
      {0x0178, 0x0178, u'ÿ'},   {u'é', u'É', u'é'},
      {u'É', u'É', u'é'},       {u'÷', u'÷', u'÷'},
      {u'×', u'×', u'×'},       {u'µ', u'µ', u'µ'},
      {0x03B1, 0x0391, 0x03B1}, {0x0149, 0x0149, 0x0149},  // ŉ upper-cases to two units: unchanged
      {0x0130, 0x0130, 0x0130},                            // İ lower-cases to two units: unchanged
      {u'1', u'1', u'1'},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(UpperCaseChar(r.in), r.upper) << std::hex << unsigned(r.in);
    EXPECT_EQ(LowerCaseChar(r.in), r.lower) << std::hex << unsigned(r.in);
  }
}

TEST(TextUtilities, WordLimits) {
  struct Row {
    const char16_t* text;
    int32_t cp;
    bool includeBlanks;
    int32_t start, end;
  } rows[] = {
      {u"it's a test", 2, false, 0, 4},  // apostrophe between letters
      {u"it\u2019s a test", 1, false, 0, 4},
      {u"3,000.50 kg", 4, false, 0, 8},  // separators between digits
      {u"a--b", 1, false, 1, 3},         // a punctuation run is its own word
      {u"a--b", 0, false, 0, 1},
      {u"snake_case x", 3, false, 0, 10},  // "_" counts as a letter
      {u"one two", 1, true, 0, 4},         // trailing blanks included
      {u"one  two", 4, false, 0, 5},       // on blanks: start of the word before
      {u"a, b", 1, false, 1, 2},           // a comma not between digits
      {u"x 'y", 2, false, 2, 3},           // an apostrophe at a word start
      {u"ab\ncd", 2, false, 2, 3},         // a line end is its own unit
      {u"ab\t\tcd", 3, false, 2, 4},       // tabs form a run
      {u"co\u00ADop", 2, false, 0, 5},     // soft hyphen inside a word
      {u"end.", 3, false, 3, 4},           // a period at the end
  };
  for (const Row& r : rows) {
    const QString text = QString::fromUtf16(r.text);
    const Span s = WordAt(text, r.cp, r.includeBlanks);
    EXPECT_EQ(s.start, r.start) << text.toStdString() << " at " << r.cp;
    EXPECT_EQ(s.end, r.end) << text.toStdString() << " at " << r.cp;
  }
  const QString text = QStringLiteral("abc");
  void* ctx = const_cast<QString*>(&text);
  EXPECT_EQ(StartOfWord(-3, 0, 3, FetchCharacterFromString, ctx), -2);
  EXPECT_EQ(EndOfWord(5, 0, 3, FetchCharacterFromString, false, ctx), 5);
  EXPECT_EQ(StartOfWord(7, 0, 3, FetchCharacterFromString, ctx), 0);
}

TEST(TextUtilities, ScanNeverFetchesOutsideTheLimits) {
  struct Probe {
    QString text;
    int32_t min, max;
    bool outside = false;
  } probe{QStringLiteral("xx hello world yy"), 3, 14};
  auto fetch = [](int32_t position, void* context, bool* stop) -> char16_t {
    auto* p = static_cast<Probe*>(context);
    if (position < p->min || position >= p->max) p->outside = true;
    *stop = false;
    return p->text[position].unicode();
  };
  EXPECT_EQ(StartOfWord(5, 3, 14, fetch, &probe), 3);
  EXPECT_EQ(EndOfWord(10, 3, 14, fetch, true, &probe), 14);
  EXPECT_EQ(StartOfSentence(10, 3, 14, fetch, &probe), 3);
  EXPECT_EQ(EndOfSentence(4, 3, 14, fetch, &probe), 14);
  EXPECT_FALSE(probe.outside);
}

TEST(TextUtilities, StopFlagEndsTheScan) {
  // The callback refuses to read before position 4.
  static const QString text = QStringLiteral("abcdefgh");
  auto fetch = [](int32_t position, void*, bool* stop) -> char16_t {
    *stop = position < 4;
    return text[position].unicode();
  };
  EXPECT_EQ(StartOfWord(6, 0, 8, fetch, nullptr), 4);
  EXPECT_EQ(EndOfWord(6, 0, 8, fetch, false, nullptr), 8);
}

TEST(TextUtilities, SentenceLimits) {
  struct Row {
    const char16_t* text;
    int32_t cp;
    int32_t start, end;
  } rows[] = {
      {u"Dr. Smith", 0, 0, 4},  // a full stop and a blank end a sentence
      {u"Dr. Smith", 5, 4, 9},
      {u"Dr. Smith", 3, 0, 4},    // in the gap: the sentence before
      {u"3.5 and 4.", 6, 0, 10},  // 3.5 does not split
      {u"Go! \"Yes.\" Next", 12, 11, 15},
      {u"Go! \"Yes.\" Next", 6, 4, 11},
      {u"(Hi.) There", 2, 0, 6},
      {u"One\nTwo.", 5, 4, 8},  // a line end splits
      {u"One\nTwo", 1, 0, 3},
      {u"a\tb", 2, 2, 3},  // so does a tab
      {u"Last line\n", 3, 0, 9},
  };
  for (const Row& r : rows) {
    const QString text = QString::fromUtf16(r.text);
    const Span s = SentenceAt(text, r.cp);
    EXPECT_EQ(s.start, r.start) << text.toStdString() << " at " << r.cp;
    EXPECT_EQ(s.end, r.end) << text.toStdString() << " at " << r.cp;
  }
}

TEST(TextUtilities, ChangeLinearSelectionInvertsOnlyWhatChanges) {
  struct Log {
    std::vector<std::pair<int32_t, int32_t>> ranges;
  } log;
  auto invert = [](int32_t from, int32_t to, void* context) {
    static_cast<Log*>(context)->ranges.emplace_back(from, to);
  };
  // Anchor 10 in a word [8, 12); the selection [10, 10) grows to 15.
  int32_t start = 10, end = 10;
  EXPECT_TRUE(ChangeLinearSelection(15, 10, &start, &end, 8, 12, invert, &log));
  EXPECT_EQ(start, 10);
  EXPECT_EQ(end, 15);
  ASSERT_EQ(log.ranges.size(), 1u);
  EXPECT_EQ(log.ranges[0], std::make_pair(10, 15));
  // Dragging back before the anchor: the end is brought down to the word end
  // (12), and the start moves to 5.
  log.ranges.clear();
  EXPECT_TRUE(ChangeLinearSelection(5, 10, &start, &end, 8, 12, invert, &log));
  EXPECT_EQ(start, 5);
  EXPECT_EQ(end, 12);
  ASSERT_EQ(log.ranges.size(), 2u);
  EXPECT_EQ(log.ranges[0], std::make_pair(12, 15));
  EXPECT_EQ(log.ranges[1], std::make_pair(5, 10));
  // Not moving calls nothing.
  log.ranges.clear();
  EXPECT_TRUE(ChangeLinearSelection(5, 10, &start, &end, 8, 12, invert, &log));
  EXPECT_TRUE(log.ranges.empty());
  // Collapsed: answers false.
  start = end = 10;
  EXPECT_FALSE(ChangeLinearSelection(10, 10, &start, &end, 8, 12, invert, &log));
}

TEST(TextUtilities, StringsAndComparison) {
  EXPECT_EQ(TrimString(QStringLiteral(" \t a b \n")), QStringLiteral("a b"));
  EXPECT_EQ(CompareStrings(QString(), QString()), 0);
  EXPECT_EQ(CompareStrings(QString(), QStringLiteral("")), -1);
  EXPECT_EQ(CompareStrings(QStringLiteral("a"), QString()), 1);
  EXPECT_EQ(CompareStrings(QStringLiteral("B"), QStringLiteral("a")), -1);
  EXPECT_EQ(CompareStringsNoCase(QStringLiteral("B"), QStringLiteral("a")), 1);
  EXPECT_EQ(CompareStringsNoCase(QStringLiteral("abc"), QStringLiteral("ABC")), 0);
  EXPECT_EQ(IndexOfString(u"", u"a", 0), 0xFFFFFFFFu);
  EXPECT_EQ(IndexOfString(u"Hello", u"LL", 0), 2u);
  EXPECT_EQ(IndexOfString(u"Hello", u"x", 0), 0xFFFFFFFFu);
  EXPECT_EQ(NormalizeWwwLink(QStringLiteral("WWW.Example.org")), QStringLiteral("http://www.Example.org"));
  EXPECT_EQ(NormalizeWwwLink(QStringLiteral("wwwx.org")), QStringLiteral("wwwx.org"));
  EXPECT_TRUE(IsWordOnStopList(u"The"));
  EXPECT_FALSE(IsWordOnStopList(u"cat"));
}

TEST(TextUtilities, FourCharacterCodes) {
  EXPECT_EQ(TagFromData(QByteArrayLiteral("TEXT")), 0x54455854u);
  EXPECT_EQ(TagFromData(QByteArrayLiteral("TEX")), 0u);
  EXPECT_EQ(StringFromTag(0x54455854), QStringLiteral("TEXT"));
  EXPECT_EQ(TagFromString(QStringLiteral("TEXT")), 0x54455854u);
  EXPECT_EQ(TagFromString(QStringLiteral("TEX")), 0u);
  // Mac OS Roman: 0x8E is é, 0xA5 a bullet.
  EXPECT_EQ(StringFromTag(0x8E41A542), QString::fromUtf8("éA•B"));
  EXPECT_EQ(TagFromString(QString::fromUtf8("éA•B")), 0x8E41A542u);
}

TEST(TextUtilities, ConvertRawTextToUnicode) {
  char16_t buffer[8] = {};
  uint32_t capacity = 8;
  EXPECT_EQ(ConvertRawTextToUnicode("caf\xC3\xA9", 5, kUTF8StringEncoding, buffer, &capacity), 4u);
  EXPECT_EQ(QString::fromUtf16(buffer, 4), QString::fromUtf8("café"));
  capacity = 2;
  EXPECT_EQ(ConvertRawTextToUnicode("abcd", 4, kASCIIStringEncoding, buffer, &capacity), 0u);
  EXPECT_EQ(capacity, 4u);
  capacity = 8;
  EXPECT_EQ(ConvertRawTextToUnicode("\xC3", 1, kUTF8StringEncoding, buffer, &capacity), 0u);  // not UTF-8
  EXPECT_EQ(ConvertRawTextToUnicode("\xE9", 1, kASCIIStringEncoding, buffer, &capacity), 0u);
  EXPECT_EQ(ConvertRawTextToUnicode("", 0, kUTF8StringEncoding, buffer, &capacity), 0u);
  EXPECT_EQ(ConvertRawTextToUnicode("ab", 2, 9999, buffer, &capacity), 0u);
  EXPECT_EQ(ConvertRawTextToUnicode("\x82\xA0", 2, kShiftJISStringEncoding, buffer, &capacity), 1u);
  EXPECT_EQ(buffer[0], 0x3042);  // あ
}

TEST(TextUtilities, DecomposeName) {
  struct Row {
    const char* name;
    const char* first;
    const char* last;
  } rows[] = {
      {"Ada van Berg", "Ada", "van Berg"},
      {"Ada Lena Berg Jr.", "Ada Lena", "Berg Jr."},
      {"Ada", "", "Ada"},
      {"", "", "?"},
      {"Ana de la Cruz", "Ana", "de la Cruz"},
      {"Otto von der Au", "Otto", "von der Au"},
      {"Jo O\u2019Hara", "Jo", "O'Hara"},
      {"Smith J.", "Smith", "J."},  // no blank before the initial to move to
  };
  for (const Row& r : rows) {
    QString first, last;
    DecomposeName(QString::fromUtf8(r.name), &first, &last);
    EXPECT_EQ(first, QString::fromUtf8(r.first)) << r.name;
    EXPECT_EQ(last, QString::fromUtf8(r.last)) << r.name;
  }
}
