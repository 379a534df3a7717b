#include "richtext/FindReplace.h"

#include <gtest/gtest.h>

#include "QStringPrinter.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Bookmarks.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

class FindReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    SetFindOptions(0);
  }
  void TearDown() override { SetFindStrings(QString(), QString()); }

  CorvaneDoc* Make(const QString& text) {
    builder.text(text);
    Caret(kBody);
    return builder.doc();
  }
  void Caret(uint32_t cp) {
    Pane* pane = CurrentPane(builder.doc());
    pane->anchor = pane->end = int32_t(cp);
  }
  std::pair<uint32_t, uint32_t> Selection() {
    Pane* pane = CurrentPane(builder.doc());
    return {uint32_t(pane->anchor), uint32_t(pane->end)};
  }
  QString Body() { return RawTextString(builder.doc(), kBody, builder.doc()->textLimit); }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  RichTextBuilder builder;
};

TEST_F(FindReplaceTest, StringsAreCutAndTyped) {
  SetFindStrings(QString(300, u'x'), QString());
  EXPECT_EQ(FindString().size(), 255);
  EXPECT_EQ(FindType(), kFindText);
  // A pair that the cut would split goes whole.
  SetFindStrings(QString(254, u'x') + QString::fromUtf16(u"\U0001F600y"), QString());
  EXPECT_EQ(FindString().size(), 254);

  struct Case {
    QString find;
    uint32_t type;
  };
  const Case cases[] = {{QString(), kFindNone},
                        {QStringLiteral("^g"), kFindPicture},
                        {QStringLiteral("^c"), kFindCheckbox},
                        {QStringLiteral("^d"), kFindDivider},
                        {QStringLiteral("a^cb"), kFindText},
                        {QStringLiteral("^p"), kFindText}};
  for (const Case& c : cases) {
    SetFindStrings(c.find, QString());
    EXPECT_EQ(FindType(), c.type) << c.find.toStdString();
  }
  SetFindStrings(QStringLiteral("^^x"), QString());
  EXPECT_EQ(FindString(), QStringLiteral("^^x"));
}

TEST_F(FindReplaceTest, FindPreviousNeedsABreakFreeString) {
  SetFindStrings(QStringLiteral("a^pb"), QString());
  EXPECT_TRUE(MayFindNext());
  EXPECT_FALSE(MayFindPrevious());
  SetFindStrings(QStringLiteral("ab"), QString());
  EXPECT_TRUE(MayFindPrevious());
  SetFindStrings(QString(), QString());
  EXPECT_FALSE(MayFindNext());
}

TEST_F(FindReplaceTest, FindsObjects) {
  // picture at 15, checkbox at 17, divider at 19
  CorvaneDoc* doc = Make(QString::fromUtf16(u"a\u0000b\u0000c\u0001d", 7));
  builder.knot(kBody + 1, kKnotPicture, kKinkSingle)
      .knot(kBody + 3, kKnotCheckbox, kKinkSingle)
      .knot(kBody + 5, kKnotDivider, kKinkSingle);
  const struct {
    const char* code;
    uint32_t cp;
  } cases[] = {{"^g", kBody + 1}, {"^c", kBody + 3}, {"^d", kBody + 5}};
  for (const auto& c : cases) {
    SetFindStrings(QString::fromLatin1(c.code), QString());
    Caret(kBody);
    ASSERT_TRUE(FindNext(doc, false)) << c.code;
    EXPECT_EQ(Selection(), std::make_pair(c.cp, c.cp + 1)) << c.code;
    EXPECT_FALSE(FindNext(doc, false)) << c.code;
  }
}

TEST_F(FindReplaceTest, TextSearchOptions) {
  CorvaneDoc* doc = Make(QStringLiteral("concatenate the Cat\u2019s cat"));
  struct Case {
    const char16_t* find;
    uint32_t options;
    bool smartQuotes;
    uint32_t start;
    bool found;
    uint32_t first;
  };
  const Case cases[] = {
      {u"cat", 0, false, kBody, true, kBody + 3},
      {u"cat", kFindWholeWords, false, kBody, true, kBody + 22},
      {u"cat", kFindIgnoreCase | kFindWholeWords, false, kBody, true, kBody + 16},
      {u"cat's", kFindIgnoreCase, false, kBody, false, 0},
      {u"cat's", kFindIgnoreCase, true, kBody, true, kBody + 16},
      {u"concat", 0, false, kBody + 5, false, 0},
      {u"concat", kFindWrap, false, kBody + 5, true, kBody},
      {u"concat", kFindFromStart, false, kBody + 5, true, kBody},
  };
  for (const Case& c : cases) {
    g_corvaneConfig.smartQuotes = c.smartQuotes;
    Caret(c.start);
    const QString find = QString::fromUtf16(c.find);
    EXPECT_EQ(FindText(doc, find, c.options, true, nullptr, false), c.found) << find.toStdString();
    if (c.found) {
      EXPECT_EQ(Selection(), std::make_pair(c.first, c.first + uint32_t(find.size()))) << find.toStdString();
    }
  }
}

TEST_F(FindReplaceTest, FindNextAndPrevious) {
  CorvaneDoc* doc = Make(QStringLiteral("ab ab ab"));
  SetFindStrings(QStringLiteral("ab"), QString());
  Caret(kBody + 4);
  ASSERT_TRUE(FindNext(doc, false));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 6, kBody + 8));
  ASSERT_TRUE(FindPrevious(doc));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 3, kBody + 5));
  ASSERT_TRUE(FindPrevious(doc));
  EXPECT_FALSE(FindPrevious(doc));
  SetFindOptions(kFindWrap);
  ASSERT_TRUE(FindPrevious(doc));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 6, kBody + 8));
}

TEST_F(FindReplaceTest, NothingFoundBeepsWhenAsked) {
  CorvaneDoc* doc = Make(QStringLiteral("abc"));
  SetFindStrings(QStringLiteral("zz"), QString());
  EXPECT_FALSE(FindNext(doc, true));
  EXPECT_EQ(host.beeps, 0);
  g_corvaneConfig.beepOnFindFailure = 1;
  EXPECT_FALSE(FindNext(doc, true));
  EXPECT_EQ(host.beeps, 1);
  bool cancel = false;
  EXPECT_FALSE(FindNext(doc, true, &cancel));  // silent
  EXPECT_EQ(host.beeps, 1);
}

TEST_F(FindReplaceTest, ReplaceAll) {
  struct Case {
    QString text, find, replacement;
    uint32_t options;
    QString result;
    QString status;
  };
  const Case cases[] = {
      {QStringLiteral("a cat, a cat\n"), QStringLiteral("cat"), QString(), 0, QStringLiteral("a , a \n"),
       QStringLiteral("2 replaced")},
      // A replacement holding the match ends after one pass, wrap or not.
      {QStringLiteral("banana\n"), QStringLiteral("a"), QStringLiteral("aa"), kFindWrap, QStringLiteral("baanaanaa\n"),
       QStringLiteral("3 replaced")},
      {QStringLiteral("Cat cat CAT\n"), QStringLiteral("cat"), QStringLiteral("dog"), kFindIgnoreCase,
       QStringLiteral("Dog dog DOG\n"), QStringLiteral("3 replaced")},
      {QStringLiteral("abc\n"), QStringLiteral("x"), QStringLiteral("y"), 0, QStringLiteral("abc\n"),
       QStringLiteral("Not found")},
  };
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(c.text);
    CorvaneDoc* doc = local.doc();
    CurrentPane(doc)->anchor = CurrentPane(doc)->end = int32_t(kBody + 2);
    SetFindStrings(c.find, c.replacement);
    SetFindOptions(c.options);
    host.statusTexts.clear();
    const int beeps = host.beeps;
    ReplaceText(doc, true, false, true, false);
    EXPECT_EQ(RawTextString(doc, kBody, doc->textLimit), c.result);
    ASSERT_EQ(host.statusTexts.size(), 1) << c.text.toStdString();
    EXPECT_EQ(host.statusTexts[0], c.status);
    EXPECT_EQ(host.beeps, beeps + (c.status == QStringLiteral("Not found") ? 1 : 0));
    EXPECT_TRUE(ValidateDocument(doc));
  }
}

TEST_F(FindReplaceTest, AReplacementTakesTheFoundTextsFormatting) {
  CorvaneDoc* doc = Make(QStringLiteral("a BIG b\n"));
  Properties bold;
  bold.type = kCharProperties;
  FetchCharProps(doc, nullptr, kBody, &bold.body.charProps);
  bold.body.charProps.bold = 1;
  const DocRange big{doc, kBody + 2, kBody + 5};
  ASSERT_TRUE(ApplyPropsToRange(&big, &bold, 0));
  SetFindStrings(QStringLiteral("BIG"), QStringLiteral("small"));
  ASSERT_TRUE(FindNext(doc, true));
  ASSERT_TRUE(ReplaceText(doc, false, false, true, false));
  EXPECT_EQ(Body(), QStringLiteral("a small b\n"));
  CharProps props;
  for (uint32_t cp = kBody + 2; cp < kBody + 7; ++cp) {
    FetchCharProps(doc, nullptr, cp, &props);
    EXPECT_TRUE(props.bold) << cp;
  }
  FetchCharProps(doc, nullptr, kBody + 7, &props);
  EXPECT_FALSE(props.bold);
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST_F(FindReplaceTest, ReplaceOneAndFindAgain) {
  CorvaneDoc* doc = Make(QStringLiteral("one two one\n"));
  SetFindStrings(QStringLiteral("one"), QStringLiteral("1"));
  ASSERT_TRUE(FindNext(doc, true));
  ASSERT_TRUE(ReplaceText(doc, false, true, true, false));
  EXPECT_EQ(ReplaceCount(), 1u);
  EXPECT_EQ(Body(), QStringLiteral("1 two one\n"));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 6, kBody + 9));
  ASSERT_TRUE(ReplaceText(doc, false, false, true, false));
  EXPECT_EQ(Body(), QStringLiteral("1 two 1\n"));
}

// The help window shows a found range itself.
class HelpHost : public FakeCorvaneHost {
 public:
  void showFindRangeInHelp(const DocRange& range) override { shown.push_back({range.first, range.limit}); }
  std::vector<std::pair<uint32_t, uint32_t>> shown;
};

TEST_F(FindReplaceTest, HelpHandsTheFoundRangeToTheHost) {
  HelpHost help;
  RichTextBuilder helpDoc(kHelpDocument);
  helpDoc.text(QStringLiteral("see the index\n"));
  CorvaneDoc* doc = helpDoc.doc();
  CurrentPane(doc)->anchor = CurrentPane(doc)->end = int32_t(kBody);
  SetFindStrings(QStringLiteral("index"), QString());
  ASSERT_TRUE(FindNext(doc, false));
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0], std::make_pair(kBody + 8, kBody + 13));
  // Only text is sought in the help.
  SetFindStrings(QStringLiteral("^g"), QString());
  EXPECT_FALSE(FindNext(doc, true));
}

TEST_F(FindReplaceTest, HelpSearchesEveryChapter) {
  HelpHost help;
  RichTextBuilder helpDoc(kHelpDocument);
  // Chapter 0 "see one", chapter 1 (its knot at 22-25) "the index".
  helpDoc.text(QString::fromUtf16(u"see one\n\u0000\u0001\n\u0001the index\n", 22))
      .knotMarks(kKnotChapter, {kBody + 8, kBody + 9, kBody + 11}, helpDoc.doc()->firstChapterIndex);
  CorvaneDoc* doc = helpDoc.doc();
  Pane* pane = CurrentPane(doc);
  ASSERT_EQ(SizeOfDynamicCPArray(doc->chapterMarks), 2u);
  const uint32_t index = kBody + 16;
  const struct {
    uint32_t chapter, caret;
    const char* find;
    bool fromStart, forward;
    std::pair<uint32_t, uint32_t> match;
  } cases[] = {
      {0, kBody, "index", false, true, {index, index + 5}},           // forward into the next chapter
      {1, index + 5, "one", false, false, {kBody + 4, kBody + 7}},    // backward into the one before
      {1, index, "see", true, true, {kBody, kBody + 3}},              // from the start: the document's
  };
  for (const auto& c : cases) {
    help.shown.clear();
    pane->chapterIndex = c.chapter;
    pane->anchor = pane->end = int32_t(c.caret);
    SetFindStrings(QString::fromLatin1(c.find), QString());
    ASSERT_TRUE(c.forward ? FindNext(doc, c.fromStart) : FindPrevious(doc)) << c.find;
    ASSERT_EQ(help.shown.size(), 1u) << c.find;
    EXPECT_EQ(help.shown[0], c.match) << c.find;
    // The pane stays confined to its chapter once the search is over.
    DocRange range;
    GetPaneRange(doc, pane, &range);
    EXPECT_EQ(range.first, c.chapter == 0 ? 0u : kBody + 8) << c.find;
  }

  // A normal document stays within the pane's chapter.
  CorvaneDoc* view = Make(QString::fromUtf16(u"see one\n\u0000\u0001\n\u0001the index\n", 22));
  builder.knotMarks(kKnotChapter, {kBody + 8, kBody + 9, kBody + 11}, view->firstChapterIndex);
  CurrentPane(view)->chapterIndex = 0;
  SetFindStrings(QStringLiteral("index"), QString());
  EXPECT_FALSE(FindNext(view, false));
}

TEST_F(FindReplaceTest, ReplacementTakesTheFoundCase) {
  const struct {
    const char* replacement;
    const char* found;
    const char* result;
  } cases[] = {
      {"dog", "cat", "dog"}, {"dog", "Cat", "Dog"}, {"dog", "CAT", "DOG"},
      {"dog", "cAT", "DOG"}, {"Dog", "cat", "Dog"}, {"d.g", "CAT", "d.g"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchReplacementCase(QString::fromLatin1(c.replacement), QString::fromLatin1(c.found)),
              QString::fromLatin1(c.result))
        << c.found;
}

TEST_F(FindReplaceTest, FindsFormattingAndStyles) {
  CorvaneDoc* doc = Make(QStringLiteral("ab cd ef\nplain\ngh\n"));
  CurrentPane(doc)->contentsKind = 0;
  Properties bold;
  bold.type = kCharProperties;
  FetchCharProps(doc, nullptr, kBody, &bold.body.charProps);
  bold.body.charProps.bold = 1;
  for (const auto& [first, limit] : {std::pair{kBody + 3, kBody + 5}, std::pair{kBody + 15, kBody + 17}}) {
    const DocRange range{doc, first, limit};
    ASSERT_TRUE(ApplyPropsToRange(&range, &bold, 0));
  }
  Properties para, chars;
  ASSERT_TRUE(GetStyleProps(doc, 0, kParaProperties, &para, &chars));
  const uint32_t quote =
      CreateStyle(doc, QStringLiteral("Quote"), kNotBuiltinStyle, kNormalStyleBase, kStyleNone, &para, &chars, false);
  ASSERT_TRUE(RemapParaStyle(DocRange{doc, kBody + 9, kBody + 10}, quote));

  // Character formatting: the bold of the selection, found from the start and again.
  SelectCps(doc, kBody + 3, kBody + 4, false);
  SetFindFormat(doc);
  EXPECT_EQ(FindType(), kFindCharFormat);
  ASSERT_TRUE(FindNext(doc, true));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 3, kBody + 5));
  ASSERT_TRUE(FindNext(doc, false));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 15, kBody + 17));
  EXPECT_FALSE(FindNext(doc, false));
  SetFindOptions(kFindWrap);
  ASSERT_TRUE(FindNext(doc, false));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 3, kBody + 5));
  SetFindOptions(0);

  // A paragraph style: the paragraph that has it, whole.
  SetFindStyle(doc, int32_t(quote));
  EXPECT_EQ(FindType(), kFindStyle);
  ASSERT_TRUE(FindNext(doc, true));
  EXPECT_EQ(Selection().first, kBody + 9);
  EXPECT_EQ(Selection().second, kBody + 15);
  EXPECT_FALSE(FindNext(doc, false));

  // Whole paragraphs selected: their paragraph formatting.
  SelectCps(doc, kBody + 9, kBody + 15, false);
  SetFindFormat(doc);
  EXPECT_EQ(FindType(), kFindParaFormat);
  SelectCps(doc, kBody, kBody, false);
  ASSERT_TRUE(FindNext(doc, false));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 9, kBody + 15));
  EXPECT_FALSE(MayFindPrevious());
}

TEST_F(FindReplaceTest, ReferencesAndBrokenOnes) {
  // bookmark "\0g\0B\0" at 15-19, references at 20 and 22, a broken one at 21
  CorvaneDoc* doc = Make(QString::fromUtf16(u"x\u0000g\u0000B\u0000\u0000\u0000\u0000y\n", 11));
  CurrentPane(doc)->contentsKind = 0;
  builder.knotMarks(kKnotBookmark, {kBody + 1, kBody + 3, kBody + 5});
  for (uint32_t cp : {kBody + 6, kBody + 7, kBody + 8}) builder.knot(cp, kKnotVariable, kKinkSingle);
  IdentifyBookmarks(doc);
  const uint32_t gone = BookmarkGuidIndexForGuid(doc, QStringLiteral("lost"), kNoBookmark);
  const uint32_t refs[] = {GuidIndexForBookmarkIndex(doc, 0), gone, GuidIndexForBookmarkIndex(doc, 0)};
  for (uint32_t i = 0; i < 3; ++i) {
    uint32_t index = 0;
    ASSERT_TRUE(KnotEntryAtCp(doc, kBody + 6 + i, nullptr, &index));
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
    entry->word1 = kVariableBookmarkRef;
    entry->word2 = refs[i];
  }
  Caret(kBody);
  ASSERT_TRUE(FindBookmarkRef(doc, 0));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 6, kBody + 7));
  ASSERT_TRUE(FindNext(doc, false));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 8, kBody + 9));
  ASSERT_TRUE(FindNext(doc, false));  // once round again
  EXPECT_EQ(Selection(), std::make_pair(kBody + 6, kBody + 7));
  WipeFindState();
  EXPECT_EQ(FindType(), kFindNone);

  ASSERT_TRUE(FindBrokenLink(doc, true, true));
  EXPECT_EQ(Selection(), std::make_pair(kBody + 7, kBody + 8));
  EXPECT_TRUE(MayFindPrevious());
  // Mended, nothing is found, and that beeps though find failures are quiet.
  uint32_t index = 0;
  ASSERT_TRUE(KnotEntryAtCp(doc, kBody + 7, nullptr, &index));
  static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index))->word2 = refs[0];
  const int beeps = host.beeps;
  EXPECT_FALSE(FindBrokenLink(doc, false, false));
  EXPECT_EQ(host.beeps, beeps + 1);
}

TEST_F(FindReplaceTest, CheckboxParagraphsAndTheSelectionsText) {
  CorvaneDoc* doc = Make(QStringLiteral("one\ntwo\n"));
  CurrentPane(doc)->contentsKind = 0;
  Properties para;
  para.type = kParaProperties;
  FetchParaProps(doc, nullptr, kBody + 4, nullptr, &para.body.para);
  para.body.para.check = 1;
  const DocRange second{doc, kBody + 4, kBody + 5};
  ASSERT_TRUE(ApplyPropsToRange(&second, &para, 0));
  SetFindStrings(QStringLiteral("^c"), QString());
  ASSERT_TRUE(FindNext(doc, true));
  EXPECT_EQ(Selection().first, kBody + 4);

  SetFindOptions(kFindWholeWords);
  SetFindText(DocRange{doc, kBody + 3, kBody + 7});
  EXPECT_EQ(FindString(), QStringLiteral("two"));  // the break before is trimmed
  SetFindText(DocRange{doc, kBody + 2, kBody + 2});
  EXPECT_EQ(FindType(), kFindNone);
}

// Records the refreshes of the found count.
class CountingHost : public FakeCorvaneHost {
 public:
  void invalidateStatusCount(CorvaneDoc*) override { ++refreshes; }
  int refreshes = 0;
};

TEST_F(FindReplaceTest, FoundRangesAreForgotten) {
  CountingHost counting;
  CorvaneDoc* doc = Make(QStringLiteral("abc abc\n"));
  for (uint32_t cp : {kBody, kBody + 4}) InsertInDynamicCPArray(doc->findMarks, SizeOfDynamicCPArray(doc->findMarks), cp, nullptr);
  InvalidateFindResults(doc);
  EXPECT_EQ(SizeOfDynamicCPArray(doc->findMarks), 0u);
  EXPECT_EQ(counting.refreshes, 1);
  EXPECT_TRUE(ValidateDocument(doc));
}

}  // namespace
