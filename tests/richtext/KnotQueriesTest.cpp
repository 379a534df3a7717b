#include <gtest/gtest.h>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

// "x" bookmark("id" | "nm") list("a" link("u" | "t") "\n") "y\n" picture
//  14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33
//   x B0  i  d M0  n  m E0 S0  a L0  u M0  t E0 \n E1  y \n P0  \n
class KnotShapesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builder.text(Units(u"x\u0000id\u0000nm\u0000\u0000a\u0000u\u0000t\u0000\n\u0001y\n\u0000"))
        .knot(15, kKnotBookmark, kKinkBegin)
        .knot(18, kKnotBookmark, kKinkMiddle)
        .knot(21, kKnotBookmark, kKinkEnd)
        .knot(22, kKnotList, kKinkBegin)
        .knot(24, kKnotLink, kKinkBegin)
        .knot(26, kKnotLink, kKinkMiddle)
        .knot(28, kKnotLink, kKinkEnd)
        .knot(30, kKnotList, kKinkEnd)
        .knot(33, kKnotPicture, kKinkSingle);
    doc = builder.doc();
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
};

TEST_F(KnotShapesTest, WhatPanesShow) {
  struct Case {
    uint32_t cp;
    int32_t contents;
    uint8_t fullAccess;
    int32_t docKind;
    bool shown;
    uint32_t first, limit;
  };
  const Case cases[] = {
      {15, 1, 0, kViewDocument, true, 15, 16},   // a bookmark's begin mark
      {19, 1, 0, kViewDocument, false, 16, 22},  // its name: hidden
      {15, 0, 0, kViewDocument, false, 15, 22},  // contents 0: the whole bookmark hidden
      {15, 1, 0, kHelpDocument, false, 15, 22},  // and in the help document
      {19, 1, 1, kViewDocument, true, 15, 22},   // full access shows everything
      {22, 1, 0, kViewDocument, false, 22, 23},  // a list's begin mark
      {23, 1, 0, kViewDocument, true, 23, 30},   // its inside
      {30, 1, 0, kViewDocument, false, 30, 31},  // its end mark
      {5, 1, 0, kViewDocument, false, 0, 14},    // the chapter
      {33, 1, 0, kViewDocument, true, 33, 34},   // a picture
  };
  for (const Case& c : cases) {
    doc->kind = c.docKind;
    Pane pane;
    pane.contentsKind = c.contents;
    pane.contentsFlags[0] = c.fullAccess;
    KnotFormat knot;
    FetchKnot(doc, c.cp, &knot, 0);
    DocRange range;
    EXPECT_EQ(ShouldShowKnot(knot, c.cp, &pane, &range), c.shown) << c.cp << "/" << c.contents;
    EXPECT_EQ(range.first, c.first) << c.cp << "/" << c.contents;
    EXPECT_EQ(range.limit, c.limit) << c.cp << "/" << c.contents;
  }
  doc->kind = kViewDocument;
}

TEST_F(KnotShapesTest, VisibleCpsPerPaneContents) {
  Pane plain;
  plain.contentsKind = 1;
  EXPECT_EQ(VisibleCp(doc, &plain, 0, true), 14u);     // past the chapter
  EXPECT_EQ(VisibleCp(doc, &plain, 22, true), 23u);    // past a list mark
  EXPECT_EQ(VisibleCp(doc, &plain, 33, true), 33u);    // stops at a picture
  EXPECT_EQ(VisibleCp(doc, &plain, 13, false), 14u);   // back out of the range: searched forward
  Pane outline;
  outline.contentsKind = 5;
  EXPECT_EQ(VisibleCp(doc, &outline, 15, true), 22u + 1);  // a bookmark jumped whole, then the list mark
  Pane full;
  full.contentsFlags[0] = 1;
  EXPECT_EQ(VisibleCp(doc, &full, 0, true), 0u);
  Pane kinks;
  kinks.contentsKind = 1;
  kinks.contentsFlags[1] = 1;
  EXPECT_EQ(VisibleCp(doc, &kinks, 18, true), 19u);  // over a middle mark
  EXPECT_EQ(VisibleCp(doc, &kinks, 15, true), 15u);  // a begin mark stays

  EXPECT_EQ(FirstVisibleCpInPara(doc, &plain, 0), 14u);
  EXPECT_EQ(FirstVisibleCpInPara(doc, &plain, 15), 15u);  // a bookmark in contents 1
  EXPECT_EQ(FirstVisibleCpInPara(doc, &plain, 22), 23u);
  Pane other;
  other.contentsKind = 0;
  EXPECT_EQ(FirstVisibleCpInPara(doc, &other, 15), 23u);  // the bookmark, then the list mark
  EXPECT_EQ(FirstVisibleCpInPara(doc, &full, 15), 15u);
}

TEST_F(KnotShapesTest, EnclosingKnots) {
  DocRange range;
  EXPECT_TRUE(CpIsWithinKnot(doc, 27, kKnotLink, &range));
  EXPECT_EQ(range.first, 24u);
  EXPECT_TRUE(CpIsWithinKnot(doc, 27, kKnotList, &range));  // the link lies in the list
  EXPECT_EQ(range.first, 22u);
  EXPECT_EQ(range.limit, 31u);
  EXPECT_FALSE(CpIsWithinKnot(doc, 32, kKnotList, &range));
  EXPECT_TRUE(CpIsWithinKnot(doc, 33, kKnotPicture, &range));
  EXPECT_EQ(range.limit, 34u);
  EXPECT_FALSE(CpIsWithinKnot(doc, 32, kKnotPicture, &range));
  EXPECT_FALSE(CpIsWithinKnot(doc, 19, kKnotChapter, &range));

  KnotFormat link;
  FetchKnot(doc, 25, &link, 0);
  ASSERT_TRUE(FindOuterKnot(link, &range));
  EXPECT_EQ(range.first, 22u);
  KnotFormat list;
  FetchKnot(doc, 23, &list, 0);
  EXPECT_FALSE(FindOuterKnot(list, &range));  // the list lies in the chapter's body

  DocRange cut{doc, 20, 25};  // halves of the bookmark and the link
  ExpandRangeForKnots(&cut);
  EXPECT_EQ(cut.first, 15u);
  EXPECT_EQ(cut.limit, 31u);  // the link widened into its list... as the list is cut too
  DocRange part{doc, 25, 26};  // one part of the link
  ExpandRangeForKnots(&part);
  EXPECT_EQ(part.first, 24u);
  EXPECT_EQ(part.limit, 29u);
}

TEST_F(KnotShapesTest, DeletingEntriesAndSettingProps) {
  const uint32_t before = SizeOfDynamicCPArray(doc->knots);
  EXPECT_FALSE(DeleteKnotEntries(doc, before - 1, before));  // the picture
  EXPECT_EQ(SizeOfDynamicCPArray(doc->knots), before - 1);
  EXPECT_TRUE(DeleteKnotEntries(doc, 8, 11));  // the bookmark
  EXPECT_FALSE(DeleteKnotEntries(doc, 50, 60));
  SetPropsOnKink(doc, 0, doc->firstChapterIndex);
  EXPECT_EQ(KnotEditForReplace(doc, nullptr, '\n'), 5u);
  EXPECT_EQ(KnotEditForReplace(doc, nullptr, 'a'), 4u);
  EXPECT_EQ(KnotEditForReplace(doc, nullptr, -1), 0u);
}

TEST(DocumentRangesTest, MoveDocsWordsAndScans) {
  DocRange out;
  ASSERT_TRUE(NewMoveDoc(nullptr, &out));
  EXPECT_EQ(out.doc->kind, kTemporaryDocument);
  EXPECT_EQ(out.first, 14u);
  EXPECT_EQ(out.limit, 14u);
  DestroyDocument(out.doc);
  DocRange source{nullptr, 0, 1};
  EXPECT_FALSE(NewMoveDoc(&source, &out));
  EXPECT_EQ(out.doc, nullptr);

  RichTextBuilder builder;
  builder.text(Units(u"one tw\u0000o three. Next one.\n")).knot(20, kKnotPicture, kKinkSingle);
  CorvaneDoc* doc = builder.doc();
  Pane* pane = CurrentPane(doc);
  EXPECT_EQ(WordStart(doc, pane, 22), 18u);  // the mark is part of "tw.o"
  EXPECT_EQ(WordLimit(doc, pane, 18, false), 22u);
  EXPECT_EQ(SentenceStart(doc, 34), 30u);  // "Next"

  ClearArraysForRead(doc);
  EXPECT_EQ(SizeOfDynamicCPArray(doc->knots), 0u);
  EXPECT_EQ(MaxCp(doc->chapterMarks), doc->cpLimit);
}

}  // namespace
