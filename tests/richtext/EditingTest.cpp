#include "richtext/Editing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "QStringPrinter.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "support/CSAlertPresenter.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

std::u16string TextOf(CorvaneDoc* doc) {
  const QString text = RawTextString(doc, 0, doc->cpLimit);
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

std::u16string Body(CorvaneDoc* doc) { return TextOf(doc).substr(kBody); }

::testing::AssertionResult Valid(CorvaneDoc* doc) {
  QString reason;
  if (ValidateDocument(doc, &reason)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << reason.toStdString();
}

uint32_t KnotCount(CorvaneDoc* doc) { return SizeOfDynamicCPArray(doc->knots); }

class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }
  FakeCorvaneHost host;
};

TEST_F(EditingTest, SimpleReplacementsEqualStringEdits) {
  struct Case {
    uint32_t first, limit;
    std::u16string text;
    uint32_t pieceSize;
  };
  const Case cases[] = {
      {kBody, kBody, u"X", 0},            // insertion at the body's start
      {kBody + 3, kBody + 3, u"abc", 2},  // at a piece boundary
      {kBody + 1, kBody + 6, u"", 3},     // a deletion across pieces
      {kBody + 2, kBody + 4, u"\U0001F600z", 1},
      {kBody + 9, kBody + 10, u"", 0},  // the last paragraph mark of the body
  };
  for (const Case& c : cases) {
    RichTextBuilder builder;
    builder.text(QStringLiteral("hello world"), c.pieceSize);
    CorvaneDoc* doc = builder.doc();
    std::u16string model = TextOf(doc);
    const DocRange dest{doc, c.first, c.limit};
    DocRange out;
    ASSERT_TRUE(ReplaceRangeSimple(&dest, &out, c.text.data(), uint32_t(c.text.size())));
    model.replace(c.first, c.limit - c.first, c.text);
    EXPECT_EQ(TextOf(doc), model);
    EXPECT_EQ(out.first, c.first);
    EXPECT_EQ(out.limit, c.first + c.text.size());
    EXPECT_TRUE(Valid(doc));
  }
}

TEST_F(EditingTest, SimpleReplacementRefusesTheDocumentsEnds) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("ab"));
  CorvaneDoc* doc = builder.doc();
  const std::u16string before = TextOf(doc);
  const DocRange leading{doc, 0, 1};
  const DocRange closing{doc, doc->textLimit, doc->cpLimit};
  const DocRange atZero{doc, 0, 0};
  const char16_t x = u'x';
  EXPECT_FALSE(ReplaceRangeSimple(&leading, nullptr, nullptr, 0));
  EXPECT_FALSE(ReplaceRangeSimple(&closing, nullptr, nullptr, 0));
  EXPECT_FALSE(ReplaceRangeSimple(&atZero, nullptr, &x, 1));
  EXPECT_EQ(TextOf(doc), before);
}

TEST_F(EditingTest, TypingExtendsOnePieceInTheNewestBuffer) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("ab"));
  CorvaneDoc* doc = builder.doc();
  for (uint32_t i = 0; i < 5000; ++i) {
    const char16_t unit = char16_t(u'a' + i % 26);
    const DocRange at{doc, kBody + 1 + i, kBody + 1 + i};
    ASSERT_TRUE(ReplaceRangeWithText(&at, &unit, 1));
  }
  EXPECT_TRUE(Valid(doc));
  EXPECT_EQ(Body(doc).size(), 5003u);
  // One split of the body, then at most one piece per buffer.
  EXPECT_LE(SizeOfDynamicCPArray(doc->pieces), 6u);
}

TEST_F(EditingTest, RunsKeepTheirTextAcrossEdits) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("aaaabbbb"));
  CorvaneDoc* doc = builder.doc();
  uint32_t normal = 0;
  FetchDynamicCPArrayEntry(doc->charRuns, 0, &normal);
  Properties big;
  SetBaseProperties(kCharProperties, &big);
  big.body.charProps.size = 96;
  const uint32_t bigIndex = IndexForProperties(doc, &big);
  builder.charRun(kBody + 4, bigIndex);
  // Deleting "aab" leaves "aa" normal and "bbb" big; inserting at the
  // boundary takes the record of the run there.
  const DocRange cut{doc, kBody + 2, kBody + 5};
  ASSERT_TRUE(DeleteTextInRange(&cut));
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 1, nullptr), normal);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 2, nullptr), bigIndex);
  const DocRange at{doc, kBody + 2, kBody + 2};
  ASSERT_TRUE(ReplaceRangeWithText(&at, u"zz", 2));
  EXPECT_EQ(Body(doc), u"aazzbbb\n");
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 2, nullptr), bigIndex);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, kBody + 1, nullptr), normal);
  EXPECT_TRUE(Valid(doc));
}

TEST_F(EditingTest, LengthLimitAndItsAlert) {
  EXPECT_TRUE(CheckDocumentLength(1999999990, 0, 10));
  EXPECT_FALSE(CheckDocumentLength(1999999990, 0, 11));
  EXPECT_TRUE(CheckDocumentLength(2000000000, 5, 5));
  EXPECT_FALSE(CheckDocumentLength(2000000001, 0, 0));

  RichTextBuilder builder;
  builder.text(QStringLiteral("abc"));
  CorvaneDoc* doc = builder.doc();
  const std::u16string before = TextOf(doc);
  const char16_t unit = u'x';
  const DocRange at{doc, kBody, kBody};
  // The length is refused before any text is read.
  EXPECT_FALSE(ReplaceRangeWithText(&at, &unit, kMaxDocumentCps));
  EXPECT_EQ(doc->overLimit, 1);
  EXPECT_EQ(TextOf(doc), before);

  CSRecordingAlertPresenter::shared().clear();
  IdleEdit(doc);
  EXPECT_EQ(doc->overLimit, 0);
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Document change failed."));
  EXPECT_EQ(alerts[0].moreInfo,
            QStringLiteral("I can't perform the action you requested because it would make the document too large. "
                           "The limit is 2 billion characters."));
  IdleEdit(doc);
  EXPECT_EQ(CSRecordingAlertPresenter::shared().alerts().size(), 1u);
}

TEST_F(EditingTest, LiveRangesFollowEdits) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abcdefgh"));
  CorvaneDoc* doc = builder.doc();
  DocRange grows{doc, kBody + 2, kBody + 4};
  DocRange moves{doc, kBody + 2, kBody + 4};
  ASSERT_TRUE(RegisterRange(&grows, 0));
  ASSERT_TRUE(RegisterRange(&moves, kLiveRangeMoveAtEnd));
  std::vector<DocRange> many(12, DocRange{doc, kBody + 6, kBody + 7});
  for (DocRange& range : many) ASSERT_TRUE(RegisterRange(&range, 0));

  const DocRange at{doc, kBody + 2, kBody + 2};
  ASSERT_TRUE(ReplaceRangeWithText(&at, u"XYZ", 3));
  EXPECT_EQ(grows.first, kBody + 2);
  EXPECT_EQ(grows.limit, kBody + 7);
  EXPECT_EQ(moves.first, kBody + 5);
  EXPECT_EQ(moves.limit, kBody + 7);
  for (const DocRange& range : many) {
    EXPECT_EQ(range.first, kBody + 9);
    EXPECT_EQ(range.limit, kBody + 10);
  }
  // A deletion over a range's start pulls it to the deletion's start.
  const DocRange cut{doc, kBody + 1, kBody + 6};
  ASSERT_TRUE(DeleteTextInRange(&cut));
  EXPECT_EQ(moves.first, kBody + 1);
  EXPECT_EQ(moves.limit, kBody + 2);

  for (DocRange& range : many) UnregisterRange(&range);
  UnregisterRange(&moves);
  UnregisterRange(&grows);
  EXPECT_FALSE(IsRangeRegistered(&grows));
}

TEST_F(EditingTest, AdjustRangeModes) {
  struct Case {
    uint32_t first, limit, mode, editFirst, editLimit;
    int32_t delta;
    uint32_t wantFirst, wantLimit;
  };
  const Case cases[] = {
      {10, 20, 0, 30, 30, 5, 10, 20},   // edit after the range
      {10, 20, 0, 0, 0, 5, 15, 25},     // insertion before it
      {10, 20, 0, 12, 15, -3, 10, 17},  // deletion inside
      {10, 20, 0, 5, 12, -7, 5, 13},    // deletion over its start
      {10, 20, 0, 10, 10, 4, 10, 24},   // insertion at its start grows it
      {10, 20, 4, 10, 10, 4, 14, 24},   // ... or moves it with bit 4
      {10, 20, 8, 0, 0, 3, 13, 13},     // a caret's limit follows its start
      {10, 20, 0, 15, 25, -10, 10, 15},
  };
  for (const Case& c : cases) {
    DocRange range{nullptr, c.first, c.limit};
    const DocRange edited{nullptr, c.editFirst, c.editLimit};
    AdjustRange(&range, &edited, c.delta, c.mode);
    EXPECT_EQ(range.first, c.wantFirst) << c.first << "-" << c.limit << " mode " << c.mode;
    EXPECT_EQ(range.limit, c.wantLimit) << c.first << "-" << c.limit << " mode " << c.mode;
  }
}

TEST_F(EditingTest, WrappingInALinkAndDeletingIt) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abc"));
  CorvaneDoc* doc = builder.doc();
  const DocRange range{doc, kBody, kBody + 3};
  ASSERT_TRUE(InsertKnot(&range, kKnotLink, 0, nullptr, nullptr, true));
  EXPECT_EQ(Body(doc), (std::u16string{0, u'a', u'b', u'c', 0, 0, u'\n'}));
  EXPECT_TRUE(Valid(doc));
  const uint32_t roles[] = {kKinkBegin, kKinkMiddle, kKinkEnd};
  const uint32_t cps[] = {kBody, kBody + 4, kBody + 5};
  for (uint32_t i = 0; i < 3; ++i) {
    KnotEntry entry;
    ASSERT_TRUE(KnotEntryAtCp(doc, cps[i], &entry));
    EXPECT_EQ(entry.type, kKnotLink);
    EXPECT_EQ(entry.role, roles[i]);
  }
  KnotFormat knot;
  FetchKnot(doc, kBody + 1, &knot, 0);
  ASSERT_EQ(knot.start, kBody);
  DeleteKnot(&knot);
  EXPECT_EQ(Body(doc), u"abc\n");
  EXPECT_EQ(KnotCount(doc), 8u);  // the leading chapter's
  EXPECT_TRUE(Valid(doc));
}

TEST_F(EditingTest, KnotsRefuseToCutOtherKnots) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abcdef"));
  CorvaneDoc* doc = builder.doc();
  const DocRange inner{doc, kBody + 1, kBody + 3};
  ASSERT_TRUE(InsertKnot(&inner, kKnotLink, 0, nullptr, nullptr, true));
  const std::u16string before = TextOf(doc);
  const DocRange crossing{doc, kBody, kBody + 3};  // ends inside the link
  EXPECT_FALSE(InsertKnot(&crossing, kKnotBookmark, 0, nullptr, nullptr, true));
  EXPECT_EQ(TextOf(doc), before);
  const DocRange around{doc, kBody, kBody + 7};
  EXPECT_TRUE(InsertKnot(&around, kKnotBookmark, 0, nullptr, nullptr, true));
  EXPECT_TRUE(Valid(doc));
}

TEST_F(EditingTest, ReplacementKeepsMarksPaired) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abcdefgh"));
  CorvaneDoc* doc = builder.doc();
  const DocRange link{doc, kBody + 2, kBody + 4};
  ASSERT_TRUE(InsertKnot(&link, kKnotLink, 0, nullptr, nullptr, true));
  // "ab" 0 "cd" 0 0 "efgh": a deletion from inside the link to past it
  // keeps the link's marks.
  const DocRange cut{doc, kBody + 4, kBody + 9};
  ASSERT_TRUE(DeleteTextInRange(&cut));
  EXPECT_TRUE(Valid(doc));
  EXPECT_EQ(KnotCount(doc), 11u);
  // A range covering the whole link takes it along.
  const DocRange whole{doc, kBody + 1, kBody + 7};
  ASSERT_TRUE(ReplaceRangeWithText(&whole, u"Q", 1));
  EXPECT_TRUE(Valid(doc));
  EXPECT_EQ(KnotCount(doc), 8u);
}

TEST_F(EditingTest, CopiesCarryTextRunsAndWholeKnots) {
  RichTextBuilder source;
  source.text(QStringLiteral("one two three"));
  CorvaneDoc* src = source.doc();
  Properties big;
  SetBaseProperties(kCharProperties, &big);
  big.body.charProps.size = 96;
  source.charRun(kBody + 4, IndexForProperties(src, &big));
  const DocRange linked{src, kBody + 4, kBody + 7};
  ASSERT_TRUE(InsertKnot(&linked, kKnotLink, 0, nullptr, nullptr, true));
  // "one " 0 "two" 0 0 " three"

  const DocRange all{src, kBody, kBody + 16};
  CorvaneDoc* copy = NewDocWithRangeCopy(&all, kClipboardDocument, false);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(Valid(copy));
  // The body's paragraph mark stays after the copy, before the closing one.
  EXPECT_EQ(Body(copy), Body(src).substr(0, 16) + u"\n\n");
  KnotEntry entry;
  EXPECT_TRUE(KnotEntryAtCp(copy, kBody + 4, &entry));
  const CharProps* props = &PropertiesAtIndex(copy, RunIndexForCp(copy->charRuns, kBody + 5, nullptr))->body.charProps;
  EXPECT_EQ(props->size, 96);
  DestroyDocument(copy);

  // A range that cuts the link copies its begin mark as a space.
  DocRange moved;
  const DocRange cutting{src, kBody + 2, kBody + 6};
  ASSERT_TRUE(NewMoveDoc(&cutting, &moved));
  EXPECT_TRUE(Valid(moved.doc));
  EXPECT_EQ(RawTextString(moved.doc, moved.first, moved.limit), QStringLiteral("e  t"));
  DestroyDocument(moved.doc);

  // A range of the same document.
  const DocRange dest{src, kBody, kBody};
  const DocRange word{src, kBody + 3, kBody + 8};
  ASSERT_TRUE(ReplaceRangeFromRange(&dest, &word));
  EXPECT_TRUE(Valid(src));
  // The link's begin mark without its other marks was copied as a space.
  EXPECT_EQ(Body(src).substr(0, 5), u"  two");
}

TEST_F(EditingTest, StringsLoseTheirKnotMarks) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("ab"));
  CorvaneDoc* doc = builder.doc();
  const DocRange at{doc, kBody + 1, kBody + 1};
  ASSERT_TRUE(ReplaceRangeWithString(&at, QString(QChar(0)) + QChar(1) + u'x'));
  EXPECT_EQ(Body(doc), u"a  xb\n");
  EXPECT_TRUE(Valid(doc));
}

TEST_F(EditingTest, CaretCodes) {
  struct Case {
    QString in;
    bool whole;
    QString out;
  };
  const Case cases[] = {
      {QStringLiteral("^c"), true, QString(QChar(2))},
      {QStringLiteral("^g"), true, QString(QChar(1))},
      {QStringLiteral("^d"), true, QString(QChar(3))},
      {QStringLiteral("^c"), false, QString()},
      {QStringLiteral("a^cb"), true, QStringLiteral("ab")},
      {QStringLiteral("a^tb^p"), true, QStringLiteral("a\tb\n")},
      {QStringLiteral("^^^e^"), true, QStringLiteral("^^e^")},
      {QStringLiteral("^"), true, QStringLiteral("^")},
      {QStringLiteral("^l^-^m^n"), true, QString(QChar(0x2028)) + QChar(0xAD) + QChar(11) + QChar(12)},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateCodes(c.in, c.whole), c.out) << c.in.toStdString();
  const QString special = QString(QChar(1)) + QChar(2) + QChar(3) + QStringLiteral("\t\n") + QChar(11) + QChar(12) + QChar(0xAD) +
                          QChar(0x2028) + QStringLiteral("^x");
  EXPECT_EQ(SubstituteCodes(special), QStringLiteral("^g^c^d^t^p^m^n^-^l^^x"));
}

// Random edits against a plain string: text replacements, and links,
// bookmarks and lists put in and taken out.
TEST_F(EditingTest, RandomEditsMatchAStringModel) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("The quick brown fox\njumps over\nthe lazy dog."), 7);
  CorvaneDoc* doc = builder.doc();
  Properties list = *PropertiesAtIndex(doc, doc->normalListIndex);
  std::u16string model = TextOf(doc);
  std::mt19937 random(20261211);
  const std::u16string alphabet = u"abc xyz\n\u00e9\U0001F600";
  auto pick = [&](uint32_t n) { return uint32_t(random() % n); };

  for (int step = 0; step < 10000; ++step) {
    const uint32_t choice = pick(10);
    const uint32_t span = doc->textLimit - kBody;  // body cps up to the closing mark
    uint32_t first = kBody + pick(span + 1);
    uint32_t limit = std::min(doc->textLimit, first + pick(8));
    if (choice < 7 || span > 400) {
      std::u16string text;
      const uint32_t n = span > 400 ? 0 : pick(5);
      for (uint32_t i = 0; i < n; ++i) text += alphabet[pick(uint32_t(alphabet.size()))];
      const DocRange dest{doc, first, limit};
      if (ReplaceRangeWithText(&dest, text.data(), uint32_t(text.size()))) {
        const ReplaceReport& report = LastReplaceReport();
        for (auto it = report.deleted.rbegin(); it != report.deleted.rend(); ++it)
          model.erase(it->first, it->limit - it->first);
        if (report.insertedLength) model.insert(report.insertedAt, text);
      }
    } else if (choice < 9) {
      const uint32_t types[] = {kKnotLink, kKnotBookmark, kKnotList};
      const uint32_t type = types[pick(3)];
      const DocRange range{doc, first, limit};
      const bool ok = InsertKnot(&range, type, 0, type == kKnotList ? &list : nullptr, nullptr, true);
      if (ok) {
        const KnotDesc& desc = KnotDescForType(type);
        model.insert(first, 1, char16_t(0));
        for (uint32_t k = 1; k < desc.kinks; ++k)
          model.insert(limit + k, 1, char16_t(k + 1 == desc.kinks ? desc.endMark : desc.middleMark));
      }
    } else {
      std::vector<uint32_t> begins;
      for (uint32_t i = 0; i < KnotCount(doc); ++i) {
        KnotEntry entry;
        FetchDynamicCPArrayEntry(doc->knots, i, &entry);
        if (entry.role == kKinkBegin && entry.type != kKnotChapter) begins.push_back(CpAtIndex(doc->knots, i));
      }
      if (!begins.empty()) {
        KnotFormat knot;
        FetchKnot(doc, begins[pick(uint32_t(begins.size()))], &knot, 0);
        ASSERT_NE(knot.index, kNoCpValue);
        for (uint32_t k = knot.kinkCount; k > 0; --k) model.erase(knot.kinks[k - 1], 1);
        DeleteKnot(&knot);
      }
    }
    ASSERT_TRUE(Valid(doc)) << "step " << step;
    ASSERT_EQ(TextOf(doc), model) << "step " << step;
  }
}

TEST_F(EditingTest, DeletingAChapterKeepsALineFeedAtTheJunction) {
  // first chapter "ab\n", second chapter knot 17-20, its body "cd\n"
  const struct {
    uint32_t first, limit;
    uint32_t secondChapterMark;  // 0: one chapter only
    const char16_t* body;
    size_t size;
  } cases[] = {
      {kBody + 1, kBody + 7, kBody + 3, u"a\ncd\n", 5},  // the whole second chapter knot goes
      {kBody + 1, kBody + 7, 0, u"acd\n", 4},            // one chapter: plain text, plain join
      {kBody, kBody + 1, kBody + 3, u"b\n\u0000\u0001\n\u0001cd\n", 9},
  };
  for (const auto& c : cases) {
    RichTextBuilder builder;
    builder.text(QString::fromUtf16(u"ab\n\u0000\u0001\n\u0001cd\n", 10));
    if (c.secondChapterMark)
      builder.knotMarks(kKnotChapter, {c.secondChapterMark, c.secondChapterMark + 1, c.secondChapterMark + 3},
                        builder.doc()->firstChapterIndex);
    CorvaneDoc* doc = builder.doc();
    const DocRange range{doc, c.first, c.limit};
    ASSERT_TRUE(DeleteTextInRange(&range));
    EXPECT_EQ(Body(doc), std::u16string(c.body, c.size) + u"\n") << c.first << "-" << c.limit;
    EXPECT_TRUE(Valid(doc));
  }
}

TEST_F(EditingTest, CopiedStylesJoinTheStyleList) {
  RichTextBuilder source;
  source.text(QStringLiteral("quoted\n"));
  Properties para, chars;
  ASSERT_TRUE(GetStyleProps(source.doc(), 0, kParaProperties, &para, &chars));
  const uint32_t quote = CreateStyle(source.doc(), QStringLiteral("Quote"), kNotBuiltinStyle, kNormalStyleBase,
                                     kStyleNone, &para, &chars, false);
  ASSERT_TRUE(RemapParaStyle(DocRange{source.doc(), kBody, kBody + 7}, quote));
  RichTextBuilder target;
  target.text(QStringLiteral("x\n"));
  CorvaneDoc* doc = target.doc();
  const uint32_t listed = SizeOfDynamicArray(doc->styleList);
  const DocRange from{source.doc(), kBody, kBody + 7};
  const DocRange at{doc, kBody + 1, kBody + 1};
  ASSERT_TRUE(ReplaceRangeFromRange(&at, &from));
  const uint32_t copied = StyleIndexForName(doc, QStringLiteral("Quote"));
  ASSERT_NE(copied, kNoPropertyIndex);
  EXPECT_EQ(SizeOfDynamicArray(doc->styleList), listed + 1);
  bool inList = false;
  for (uint32_t i = 0; i < SizeOfDynamicArray(doc->styleList); ++i) {
    uint32_t id = 0;
    FetchDynamicArrayEntry(doc->styleList, i, &id);
    inList = inList || id == copied;
  }
  EXPECT_TRUE(inList);
  EXPECT_TRUE(Valid(doc));
}

TEST_F(EditingTest, CopiedRunsKeepTheirDifferencesOverTheTargetsStyles) {
  RichTextBuilder source;
  source.text(QStringLiteral("plain bold\n"));
  Properties bold;
  bold.type = kCharProperties;
  FetchCharProps(source.doc(), nullptr, kBody + 6, &bold.body.charProps);
  const int16_t sourceSize = bold.body.charProps.size;
  bold.body.charProps.bold = 1;
  const DocRange boldWord{source.doc(), kBody + 6, kBody + 10};
  ASSERT_TRUE(ApplyPropsToRange(&boldWord, &bold, 0));
  for (const bool temporary : {false, true}) {
    RichTextBuilder target(temporary ? kTemporaryDocument : kViewDocument);
    target.text(QStringLiteral("x\n"));
    CorvaneDoc* doc = target.doc();
    // The target's normal text is smaller.
    Properties para, chars;
    ASSERT_TRUE(GetStyleProps(doc, 0, kParaProperties, &para, &chars));
    SetNormalFont(doc, chars.body.charProps.font, int16_t(sourceSize - 8), false);
    const DocRange from{source.doc(), kBody, kBody + 10};
    const DocRange at{doc, kBody + 1, kBody + 1};
    ASSERT_TRUE(ReplaceRangeFromRange(&at, &from));
    CharProps plain, copied;
    FetchCharProps(doc, nullptr, kBody + 2, &plain);
    FetchCharProps(doc, nullptr, kBody + 8, &copied);
    EXPECT_TRUE(copied.bold);
    EXPECT_FALSE(plain.bold);
    // Relative in a normal document; a temporary one holds records as they were.
    const int16_t wanted = temporary ? sourceSize : int16_t(sourceSize - 8);
    EXPECT_EQ(plain.size, wanted) << temporary;
    EXPECT_EQ(copied.size, wanted) << temporary;
    EXPECT_TRUE(Valid(doc));
  }
}

TEST_F(EditingTest, PanesFollowEdits) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abc def\nnext\n"));
  CorvaneDoc* doc = builder.doc();
  Pane* pane = CurrentPane(doc);
  pane->anchor = int32_t(kBody + 4);
  pane->end = int32_t(kBody + 7);
  pane->goalX = 12.0f;
  pane->paraCacheFirst = int32_t(kBody);
  pane->paraCacheLimit = int32_t(kBody + 8);
  const DocRange before{doc, kBody + 1, kBody + 1};
  ASSERT_TRUE(ReplaceRangeWithText(&before, u"XY", 2));
  EXPECT_EQ(pane->anchor, int32_t(kBody + 6));
  EXPECT_EQ(pane->end, int32_t(kBody + 9));
  EXPECT_EQ(pane->goalX, -1.0f);
  // A paragraph cached by a pane without a view is forgotten.
  EXPECT_EQ(pane->paraCacheFirst, -1);
  // A caret where text goes in stays before it.
  pane->anchor = pane->end = int32_t(kBody + 2);
  const DocRange at{doc, kBody + 2, kBody + 2};
  ASSERT_TRUE(ReplaceRangeWithText(&at, u"Z", 1));
  EXPECT_EQ(pane->anchor, int32_t(kBody + 2));
  EXPECT_EQ(pane->end, int32_t(kBody + 2));
  // A deletion over the selection's start pulls it back.
  pane->anchor = int32_t(kBody + 7);
  pane->end = int32_t(kBody + 10);
  const DocRange cut{doc, kBody + 5, kBody + 8};
  ASSERT_TRUE(DeleteTextInRange(&cut));
  EXPECT_EQ(pane->anchor, int32_t(kBody + 5));
  EXPECT_EQ(pane->end, int32_t(kBody + 7));
}

}  // namespace
