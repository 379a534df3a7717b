#include <gtest/gtest.h>

#include "QStringPrinter.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "richtext/Typing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

// A literal with its knot marks (0 units) kept.
template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

class TypingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }
  CorvaneDoc* Make(const QString& text) {
    builder.text(text);
    return builder.doc();
  }
  void Select(uint32_t first, uint32_t limit, int32_t granularity = kGranularityChars) {
    SelectCps(builder.doc(), first, limit, false);
    CurrentPane(builder.doc())->granularity = granularity;
  }
  QString Body() { return RawTextString(builder.doc(), kBody, builder.doc()->textLimit); }
  std::pair<uint32_t, uint32_t> Selection() {
    DocRange range;
    GetSelectionRange(builder.doc(), &range);
    return {range.first, range.limit};
  }
  bool Type(const QString& text) {
    return InsertTextOverSel(builder.doc(), reinterpret_cast<const char16_t*>(text.utf16()), uint32_t(text.size()), 0);
  }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  RichTextBuilder builder;
};

TEST_F(TypingTest, TypingOverAWordKeepsItsTrailingSpace) {
  struct Case {
    bool smartSpacing;
    int32_t granularity;
    const char* typed;
    const char* result;
  };
  // "two " is selected as a double click selects it.
  const Case cases[] = {
      {true, kGranularityWords, "2", "one 2 three\n"},
      {false, kGranularityWords, "2", "one 2three\n"},
      {true, kGranularityChars, "2", "one 2three\n"},
      {true, kGranularityWords, ",", "one ,three\n"},    // punctuation takes the space's place
      {true, kGranularityWords, "2 ", "one 2 three\n"},  // so does a text ending in a space
  };
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(QStringLiteral("one two three\n"));
    CorvaneDoc* doc = local.doc();
    g_corvaneConfig.smartSpacing = c.smartSpacing;
    SelectCps(doc, kBody + 4, kBody + 8, false);
    CurrentPane(doc)->granularity = c.granularity;
    const QString typed = QString::fromLatin1(c.typed);
    ASSERT_TRUE(InsertTextOverSel(doc, reinterpret_cast<const char16_t*>(typed.utf16()), uint32_t(typed.size()), 0));
    EXPECT_EQ(RawTextString(doc, kBody, doc->textLimit), QString::fromLatin1(c.result)) << c.typed;
    // The caret follows the typed text.
    DocRange caret;
    GetSelectionRange(doc, &caret);
    EXPECT_EQ(caret.first, kBody + 4 + uint32_t(typed.size())) << c.typed;
    EXPECT_EQ(caret.limit, caret.first);
    EXPECT_TRUE(ValidateDocument(doc));
  }
}

TEST_F(TypingTest, DeletingAWordTakesOneSpaceWithIt) {
  struct Case {
    const char* text;
    uint32_t first, limit;  // the word, from the body's start
    bool smartSpacing;
    const char* result;
  };
  const Case cases[] = {
      {"one two three\n", 4, 7, true, "one three\n"}, {"one two three\n", 4, 7, false, "one  three\n"},
      {"one two.\n", 4, 7, true, "one .\n"},      // punctuation follows: the space stays
      {"one two  !\n", 4, 7, true, "one   !\n"},  // the sentence ends after spaces
      {"one two, x\n", 4, 7, true, "one , x\n"},
  };
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(QString::fromLatin1(c.text));
    CorvaneDoc* doc = local.doc();
    g_corvaneConfig.smartSpacing = c.smartSpacing;
    SelectCps(doc, kBody + c.first, kBody + c.limit, false);
    CurrentPane(doc)->granularity = kGranularityWords;
    ASSERT_TRUE(DeleteText(doc, false, false, 0)) << c.text;
    EXPECT_EQ(RawTextString(doc, kBody, doc->textLimit), QString::fromLatin1(c.result)) << c.text;
    EXPECT_TRUE(ValidateDocument(doc));
  }
}

TEST_F(TypingTest, ABreakWhereTheFinalMarkIsExcludedIsDropped) {
  CorvaneDoc* doc = Make(QStringLiteral("ab\n"));
  doc->moreFlags[kDocExcludesFinalMark] = 1;
  Select(kBody + 2, kBody + 2);
  EXPECT_FALSE(Type(QStringLiteral("\n")));
  EXPECT_EQ(Body(), QStringLiteral("ab\n"));
  ASSERT_TRUE(Type(QStringLiteral("cd\n")));
  EXPECT_EQ(Body(), QStringLiteral("abcd\n"));
  doc->moreFlags[kDocExcludesFinalMark] = 0;
  ASSERT_TRUE(Type(QStringLiteral("\n")));
  EXPECT_EQ(Body(), QStringLiteral("abcd\n\n"));
}

TEST_F(TypingTest, CaretDeletionTakesWholeCharacters) {
  struct Case {
    uint32_t caret;
    bool forward, byWord;
    const char16_t* result;
  };
  // body "a😀b cd\n": the pair at 1-2
  const Case cases[] = {
      {3, false, false, u"ab cd\n"}, {1, true, false, u"ab cd\n"},        {4, false, false, u"a\U0001F600 cd\n"},
      {0, false, false, nullptr},    {5, true, true, u"a\U0001F600b \n"}, {7, true, false, nullptr},
  };
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(QString::fromUtf16(u"a\U0001F600b cd\n"));
    CorvaneDoc* doc = local.doc();
    const QString before = RawTextString(doc, kBody, doc->textLimit);
    SelectCps(doc, kBody + c.caret, kBody + c.caret, false);
    EXPECT_EQ(DeleteText(doc, c.forward, c.byWord, 0), c.result != nullptr) << c.caret;
    EXPECT_EQ(RawTextString(doc, kBody, doc->textLimit), c.result ? QString::fromUtf16(c.result) : before) << c.caret;
    EXPECT_TRUE(ValidateDocument(doc));
  }
}

TEST_F(TypingTest, SmartQuotesTurnTypographic) {
  CorvaneDoc* doc = Make(QStringLiteral("say \n"));
  g_corvaneConfig.smartQuotes = 1;
  Select(kBody + 4, kBody + 4);
  ASSERT_TRUE(Type(QStringLiteral("\"it's\"")));
  EXPECT_EQ(Body(), QString::fromUtf16(u"say \u201Cit\u2019s\u201D\n"));
  g_corvaneConfig.smartQuotes = 0;
  ASSERT_TRUE(Type(QStringLiteral("'")));
  EXPECT_EQ(Body(), QString::fromUtf16(u"say \u201Cit\u2019s\u201D'\n"));
  (void)doc;
}

TEST_F(TypingTest, TypedTextTakesTheCaretsFormatting) {
  CorvaneDoc* doc = Make(QStringLiteral("abcd\n"));
  const uint32_t plain = RunIndexForCp(doc->charRuns, kBody, nullptr);
  Select(kBody + 2, kBody + 2);
  CharProps bold = CurrentPane(doc)->caretProps;
  FetchCharProps(doc, nullptr, kBody + 1, &bold);
  bold.bold = 1;
  SetCaretCharProps(doc, bold);
  ASSERT_TRUE(Type(QStringLiteral("XY")));
  EXPECT_EQ(Body(), QStringLiteral("abXYcd\n"));
  const uint32_t typed = RunIndexForCp(doc->charRuns, kBody + 2, nullptr);
  EXPECT_NE(typed, plain);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 3, nullptr), typed);
  EXPECT_TRUE(PropertiesAtIndex(doc, typed)->body.charProps.bold);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 1, nullptr), plain);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 4, nullptr), plain);
  // Typing on with the same properties grows the run.
  ASSERT_TRUE(Type(QStringLiteral("Z")));
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 4, nullptr), typed);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 5, nullptr), plain);
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST_F(TypingTest, ANewParagraphTakesTheNextStyle) {
  CorvaneDoc* doc = Make(QStringLiteral("Title\n"));
  Properties para, chars;
  ASSERT_TRUE(GetStyleProps(doc, 0, kParaProperties, &para, &chars));
  chars.body.charProps.size = 80;
  const uint32_t body =
      CreateStyle(doc, QStringLiteral("Body"), kNotBuiltinStyle, kNormalStyleBase, kStyleNone, &para, &chars, false);
  chars.body.charProps.size = 120;
  const uint32_t heading =
      CreateStyle(doc, QStringLiteral("Heading"), kNotBuiltinStyle, kNormalStyleBase, body, &para, &chars, false);
  ASSERT_NE(body, kNoPropertyIndex);
  ASSERT_NE(heading, kNoPropertyIndex);
  ASSERT_TRUE(RemapParaStyle(DocRange{doc, kBody, kBody + 6}, heading));
  Select(kBody + 5, kBody + 5);
  ASSERT_TRUE(Type(QStringLiteral("\n")));
  EXPECT_EQ(Body(), QStringLiteral("Title\n\n"));
  ParaProps props;
  FetchParaProps(doc, nullptr, kBody + 6, nullptr, &props);
  EXPECT_EQ(props.style, body);
  FetchParaProps(doc, nullptr, kBody, nullptr, &props);
  EXPECT_EQ(props.style, heading);
  EXPECT_EQ(CurrentPane(doc)->caretProps.size, 80);
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST_F(TypingTest, InsertionRangesLeaveStructures) {
  // bookmark 14-19 "\0g\0Nm\0", link 20-26 "\0ad\0sh\0"; then a table with
  // one row of one cell: table 28, row 29, cell text 30, row end 31, table end 32
  CorvaneDoc* doc = Make(Units(u"\u0000g\u0000Nm\u0000\u0000ad\u0000sh\u0000\n\u0000\u0000x\u0001\u0001\n"));
  builder.knotMarks(kKnotBookmark, {kBody, kBody + 2, kBody + 5})
      .knotMarks(kKnotLink, {kBody + 6, kBody + 9, kBody + 12})
      .knotMarks(kKnotTable, {kBody + 14, kBody + 18}, doc->normalTableIndex)
      .knotMarks(kKnotRow, {kBody + 15, kBody + 17});
  struct Case {
    uint32_t first, limit;
    uint32_t wantFirst, wantLimit;
  };
  const Case cases[] = {
      {kBody + 1, kBody + 1, kBody, kBody},              // bookmark, before its middle
      {kBody + 4, kBody + 4, kBody + 6, kBody + 6},      // bookmark, after its middle
      {kBody + 10, kBody + 11, kBody + 6, kBody + 13},   // a range in a link: the whole link
      {kBody + 10, kBody + 10, kBody + 13, kBody + 13},  // a caret in a link's shown text
      {kBody + 13, kBody + 13, kBody + 13, kBody + 13},  // outside: unchanged
      {kBody + 15, kBody + 15, kBody + 16, kBody + 16},  // before a row's mark: into its cell
      {kBody + 16, kBody + 17, kBody + 16, kBody + 17},  // in a cell: unchanged
      {kBody + 18, kBody + 18, kBody + 19, kBody + 19},  // in the table, outside rows: after it
  };
  for (const Case& c : cases) {
    DocRange range{doc, c.first, c.limit};
    AdjustRangeForPaste(&range, 0);
    EXPECT_EQ(std::make_pair(range.first, range.limit), std::make_pair(c.wantFirst, c.wantLimit)) << c.first;
  }
}

}  // namespace
