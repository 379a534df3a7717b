#include "richtext/TextExtraction.h"

#include <gtest/gtest.h>

#include <vector>

#include "QStringPrinter.h"
#include "richtext/Copying.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/Properties.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

// "ab" link("u" | "cd") "e\n" list("fg\n") "h\n"
//  14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30
//   a  b L0  u M0  c  d E0  e \n S0  f  g \n E1  h \n
class ShownTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(Units(u"ab\u0000u\u0000cd\u0000e\n\u0000fg\n\u0001h\n"), 4)
        .knot(16, kKnotLink, kKinkBegin)
        .knot(18, kKnotLink, kKinkMiddle)
        .knot(21, kKnotLink, kKinkEnd)
        .knot(24, kKnotList, kKinkBegin, 0)
        .knot(28, kKnotList, kKinkEnd);
    doc = builder.doc();
    // The list's record.
    const_cast<KnotEntry*>(static_cast<const KnotEntry*>(DynamicCPArrayEntry(doc->knots, 11)))->props =
        doc->normalListIndex;
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
};

TEST_F(ShownTextTest, TheWalkHandsOverTextAndWholeKnots) {
  struct Piece {
    uint32_t first, limit;
    uint32_t knotType;
  };
  std::vector<Piece> pieces;
  FetchVisibleText(DocRange{doc, 14, 31}, CurrentPane(doc), [&](const DocRange& r, Pane*, const KnotFormat* knot) {
    pieces.push_back({r.first, r.limit, knot ? knot->entry.type : 0});
    return true;
  });
  ASSERT_GE(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].first, 14u);
  EXPECT_EQ(pieces[0].limit, 16u);
  EXPECT_EQ(pieces[1].first, 16u);  // the link, whole
  EXPECT_EQ(pieces[1].limit, 22u);
  EXPECT_EQ(pieces[1].knotType, uint32_t(kKnotLink));
  // The list's marks are hidden; its inside is text.
  for (const Piece& p : pieces) {
    EXPECT_FALSE(p.first <= 24 && 24 < p.limit && p.knotType == 0) << "the list's begin mark was handed over";
    EXPECT_FALSE(p.first <= 28 && 28 < p.limit && p.knotType == 0) << "the list's end mark was handed over";
  }
  EXPECT_FALSE(IsRangeRegistered(nullptr));
  EXPECT_TRUE(LiveRangesOfThread()->empty());  // the walk's range went again

  int calls = 0;
  FetchVisibleText(DocRange{doc, 14, 31}, CurrentPane(doc), [&](const DocRange&, Pane*, const KnotFormat*) {
    ++calls;
    return false;  // stop at once
  });
  EXPECT_EQ(calls, 1);
}

TEST_F(ShownTextTest, PlainTextLeavesMarksOut) {
  EXPECT_EQ(ExtractPlainText(DocRange{doc, 22, 31}, false), QStringLiteral("e\nfg\nh\n"));
  EXPECT_TRUE(ExtractPlainText(DocRange{doc, 0, 14}, false).isNull());  // the chapter's marks only
  EXPECT_TRUE(ExtractPlainText(DocRange{doc, 24, 25}, false).isNull());
}

// A table whose last cell holds two paragraphs, between two paragraphs of
// body text. With one cell per row the plain text comes from a converted
// copy of the table; two cells with an indent that leaves no room for tabs
// walk the table in place. Either way each cell's text comes whole, its last
// unit too, whether the range takes the table whole or stops inside it.
TEST(TablePlainTextTest, TheLastCellKeepsItsLastCharacter) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  struct Range {
    uint32_t first, limit;
    const char* text;
  };
  {
    // 14 x, 15 \n, 16 table, 17 row, 18-20 "p\nq", 21 row end, 22 row,
    // 23-25 "r\ns", 26 row end, 27 table end, 28 y, 29 \n
    RichTextBuilder builder;
    builder.text(Units(u"x\n\u0000\u0000p\nq\u0001\u0000r\ns\u0001\u0001y\n"))
        .knotMarks(kKnotTable, {16, 27})
        .knotMarks(kKnotRow, {17, 21})
        .knotMarks(kKnotRow, {22, 26});
    CorvaneDoc* doc = builder.doc();
    ASSERT_TRUE(IsTabbedTable(DocRange{doc, 16, 28}));
    const Range ranges[] = {
        {14, 30, "x\np\nq\nr\ns\ny\n"}, {14, 28, "x\np\nq\nr\ns\n"}, {16, 28, "p\nq\nr\ns\n"},
        {18, 28, "p\nq\nr\ns\n"},       {20, 26, "q\nr\ns"},         {23, 26, "r\ns"},
    };
    for (const Range& r : ranges)
      EXPECT_EQ(ExtractPlainText(DocRange{doc, r.first, r.limit}, false), QString::fromUtf8(r.text))
          << "one cell a row, " << r.first << ".." << r.limit;
  }
  {
    // 14 x, 15 \n, 16 table, 17 row, 18 a, 19 cell end, 20-22 "p\nq",
    // 23 row end, 24 row, 25 b, 26 cell end, 27-29 "r\ns", 30 row end,
    // 31 table end, 32 y, 33 \n
    RichTextBuilder builder;
    builder.text(Units(u"x\n\u0000\u0000a\u0001p\nq\u0001\u0000b\u0001r\ns\u0001\u0001y\n"))
        .knotMarks(kKnotTable, {16, 31})
        .knotMarks(kKnotRow, {17, 19, 23})
        .knotMarks(kKnotRow, {24, 26, 30});
    CorvaneDoc* doc = builder.doc();
    Properties indented;
    InitProperties(kParaProperties, &indented, nullptr);
    indented.body.para.indentl = 20 * 12700;
    builder.paraRun(16, IndexForProperties(doc, &indented)).paraRun(32, 0);
    ASSERT_FALSE(IsTabbedTable(DocRange{doc, 16, 32}));
    const Range ranges[] = {
        {14, 34, "x\na\np\nq\nb\nr\ns\ny\n"},
        {14, 32, "x\na\np\nq\nb\nr\ns\n"},
        {14, 31, "x\na\np\nq\nb\nr\ns\n"},
        {27, 30, "r\ns"},
        {20, 30, "p\nq\nb\nr\ns"},
    };
    for (const Range& r : ranges)
      EXPECT_EQ(ExtractPlainText(DocRange{doc, r.first, r.limit}, false), QString::fromUtf8(r.text))
          << "two cells a row, " << r.first << ".." << r.limit;
  }
}

TEST(TitleTest, LongTitlesAreCutAtABreakNearTheMaximum) {
  RichTextBuilder builder;
  //          0         1         2         3
  //          0123456789012345678901234567890123456789
  builder.text(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJ KLM\nshort words here and more of them\n"));
  CorvaneDoc* doc = builder.doc();
  // The next blank lies 11 past the 25th unit: cut at 25.
  EXPECT_EQ(ExtractStringFromCp(doc, 14, doc->cpLimit, false), QStringLiteral("abcdefghijklmnopqrstuvwxy"));
  // A blank within ten units: cut just after it.
  EXPECT_EQ(ExtractStringFromCp(doc, 55, doc->cpLimit, false), QStringLiteral("short words here and more "));
  EXPECT_EQ(ExtractStringFromCp(doc, 14, doc->cpLimit, true),
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJ KLM"));
  EXPECT_EQ(doc->overridePane, nullptr);
  RichTextBuilder empty;
  EXPECT_EQ(ExtractStringFromCp(empty.doc(), 14, 15, false), QStringLiteral(""));
}

TEST_F(ShownTextTest, EditRangesByMode) {
  Pane* pane = CurrentPane(doc);
  // Whole knots: the link from the text before it.
  DocRange range{doc, 14, 31}, out;
  ASSERT_TRUE(NextEditRange(&range, &out, pane, kEditRangeWhole, nullptr));
  EXPECT_EQ(out.first, 16u);
  EXPECT_EQ(out.limit, 22u);
  EXPECT_EQ(range.first, 22u);

  // Shown text: up to the next knot, then the link handed on whole.
  range = DocRange{doc, 14, 31};
  ASSERT_TRUE(NextEditRange(&range, &out, pane, kEditRangeShown, nullptr));
  EXPECT_EQ(out.first, 14u);
  EXPECT_EQ(out.limit, 16u);
  ASSERT_TRUE(NextEditRange(&range, &out, pane, kEditRangeShown, nullptr));
  EXPECT_EQ(out.first, 16u);
  EXPECT_EQ(range.first, 22u);

  // A deletion reaching the last paragraph mark stops one short of it,
  // unless it starts at the body's start or after a knot mark.
  RichTextBuilder plain;
  plain.text(QStringLiteral("abc\n"));
  range = DocRange{plain.doc(), 15, 18};
  ASSERT_TRUE(NextEditRange(&range, &out, CurrentPane(plain.doc()), kEditRangeDelete, nullptr));
  EXPECT_EQ(out.first, 15u);
  EXPECT_EQ(out.limit, 17u);
  range = DocRange{plain.doc(), 14, 18};
  ASSERT_TRUE(NextEditRange(&range, &out, CurrentPane(plain.doc()), kEditRangeDelete, nullptr));
  EXPECT_EQ(out.limit, 18u);
  range = DocRange{doc, 29, 31};
  ASSERT_TRUE(NextEditRange(&range, &out, pane, kEditRangeDelete, nullptr));
  EXPECT_EQ(out.limit, 31u);

  range = DocRange{doc, 20, 20};
  EXPECT_FALSE(NextEditRange(&range, &out, pane, kEditRangeShown, nullptr));
}

TEST_F(ShownTextTest, FetchTextInAPaneStopsAtTheParagraphEnd) {
  char16_t buffer[40] = {};
  uint32_t count = 40;
  FetchTextInPane(doc, CurrentPane(doc), 25, 0xFFFFFFFF, buffer, &count);
  EXPECT_EQ(count, 3u);  // "fg\n"
  EXPECT_EQ(QString::fromUtf16(buffer, 3), QStringLiteral("fg\n"));
}

TEST(LiveRangesTest, RegistrationsNeedTheStorageBlock) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  DocRange a, b;
  EXPECT_TRUE(RegisterRange(&a, kLiveRangeOnce));
  EXPECT_TRUE(RegisterRange(&a, kLiveRangeOnce));  // once only
  EXPECT_TRUE(RegisterRange(&b, 0));
  EXPECT_EQ(LiveRangesOfThread()->size(), 2u);
  // A table that grows: far more than eight.
  std::vector<DocRange> many(40);
  for (DocRange& r : many) EXPECT_TRUE(RegisterRange(&r, 0));
  for (DocRange& r : many) UnregisterRange(&r);
  UnregisterRange(&a);
  EXPECT_FALSE(IsRangeRegistered(&a));
  EXPECT_TRUE(IsRangeRegistered(&b));
  UnregisterRange(&b);
  EXPECT_TRUE(LiveRangesOfThread()->empty());
}

}  // namespace
