// Knots that hold other text: notes, tables with their rows, and a second
// chapter beside the link, bookmark and list, as panes show them and as
// edits and text walks split them.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "QStringPrinter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/ThreadStorage.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

// 14 a, link 15-19 (address "u", shown "t"), 20 " ", bookmark 21-25 ("g",
// "n"), 26 \n, note 27-31 ("r", "x"), 32 \n, list 33-36 ("f\n"), table
// 37-48 with rows 38-42 ("c" | "d") and 43-47 ("e" | "h"), 49 "z\n", a
// second chapter 51-54 (no name, header "\n"), its body 55 "w\n".
class KnotStructuresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder
        .text(Units(u"a\0u\0t\0 \0g\0n\0\n\0r\1x\1\n\0f\n\1\0\0c\1d\1\0e\1h\1\1z\n\0\1\n\1w\n"))
        .knotMarks(kKnotLink, {15, 17, 19})
        .knotMarks(kKnotBookmark, {21, 23, 25})
        .knotMarks(kKnotNote, {27, 29, 31})
        .knotMarks(kKnotList, {33, 36}, builder.doc()->normalListIndex)
        .knotMarks(kKnotTable, {37, 48}, builder.doc()->normalTableIndex)
        .knotMarks(kKnotRow, {38, 40, 42})
        .knotMarks(kKnotRow, {43, 45, 47})
        .knotMarks(kKnotChapter, {51, 52, 54}, builder.doc()->firstChapterIndex);
    doc = builder.doc();
  }

  // The pieces a walk hands over, with the type of a knot handed whole.
  struct Piece {
    uint32_t first, limit, knotType;
    bool operator==(const Piece&) const = default;
  };
  std::vector<Piece> Forward(uint32_t first, uint32_t limit) {
    std::vector<Piece> pieces;
    FetchVisibleText(DocRange{doc, first, limit}, CurrentPane(doc),
                     [&](const DocRange& r, Pane*, const KnotFormat* knot) {
                       pieces.push_back({r.first, r.limit, knot ? knot->entry.type : 0});
                       return true;
                     });
    return pieces;
  }
  std::vector<Piece> Backward(uint32_t first, uint32_t limit) {
    std::vector<Piece> pieces;
    FetchVisibleTextBackward(DocRange{doc, first, limit}, [&](const DocRange& r, Pane*, const KnotFormat* knot) {
      pieces.push_back({r.first, r.limit, knot ? knot->entry.type : 0});
      return true;
    });
    return pieces;
  }
  // The non-empty steps of a walk in an edit mode.
  std::vector<std::pair<uint32_t, uint32_t>> EditSteps(uint32_t first, uint32_t limit, uint32_t mode) {
    std::vector<std::pair<uint32_t, uint32_t>> steps;
    DocRange range{doc, first, limit}, out;
    for (uint32_t guard = 0; guard < 100 && NextEditRange(&range, &out, CurrentPane(doc), mode, nullptr); ++guard)
      if (out.limit > out.first) steps.emplace_back(out.first, out.limit);
    return steps;
  }

  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
};

TEST_F(KnotStructuresTest, TheFixtureIsAValidDocument) {
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc, &reason)) << qPrintable(reason);
  EXPECT_EQ(doc->cpLimit, 58u);
}

TEST_F(KnotStructuresTest, FetchKnotFindsTheInnermostKnot) {
  struct Case {
    uint32_t cp, type, start, limit, kinkIndex, kinkCount;
  };
  const Case cases[] = {
      {18, kKnotLink, 15, 20, 1, 3},  // between the link's middle and end marks
      {30, kKnotNote, 27, 32, 1, 3},  // the note's text
      {39, kKnotRow, 38, 43, 0, 3},   // a cell: its row, not the table
      {41, kKnotRow, 38, 43, 1, 3},
      {47, kKnotRow, 43, 48, 2, 3},   // a row's end mark
      {37, kKnotTable, 37, 49, 0, 2},
      {48, kKnotTable, 37, 49, 1, 2},
      {53, kKnotChapter, 51, 55, 1, 3},
  };
  for (const Case& c : cases) {
    KnotFormat knot;
    FetchKnot(doc, c.cp, &knot, 0);
    EXPECT_EQ(knot.entry.type, c.type) << c.cp;
    EXPECT_EQ(knot.start, c.start) << c.cp;
    EXPECT_EQ(knot.limit, c.limit) << c.cp;
    EXPECT_EQ(knot.kinkIndex, c.kinkIndex) << c.cp;
    EXPECT_EQ(knot.kinkCount, c.kinkCount) << c.cp;
  }
  for (uint32_t body : {14u, 26u, 49u, 55u}) {  // the chapters' bodies
    KnotFormat knot;
    FetchKnot(doc, body, &knot, 0);
    EXPECT_EQ(knot.index, kNoCpValue) << body;
  }
}

TEST_F(KnotStructuresTest, CpIsWithinKnotByType) {
  struct Case {
    uint32_t cp, type;
    bool within;
    uint32_t first, limit;
  };
  const Case cases[] = {
      {41, kKnotRow, true, 38, 43},
      {41, kKnotTable, true, 37, 49},    // out of the row into its table
      {47, kKnotRow, true, 43, 48},
      {48, kKnotRow, false, 48, 48},     // the table's end lies in no row
      {48, kKnotTable, true, 37, 49},
      {37, kKnotRow, false, 37, 37},     // nor does its begin mark
      {39, kKnotList, false, 39, 39},    // a table on the way out
      {34, kKnotList, true, 33, 37},
      {30, kKnotNote, true, 27, 32},
      {24, kKnotLink, false, 24, 24},
      {53, kKnotChapter, true, 51, 55},
      {55, kKnotChapter, false, 55, 55},  // a chapter's body is not its knot
  };
  for (const Case& c : cases) {
    DocRange range;
    EXPECT_EQ(CpIsWithinKnot(doc, c.cp, c.type, &range), c.within) << c.cp << " in " << c.type;
    EXPECT_EQ(range.first, c.first) << c.cp << " in " << c.type;
    EXPECT_EQ(range.limit, c.limit) << c.cp << " in " << c.type;
  }
}

TEST(KnotNestingTest, OnlyEnclosingTypesAreLookedForOutwards) {
  RichTextBuilder builder;
  // A bookmark inside a link's shown text, a link inside a note's text.
  //          14 15 16 17 18 19 20 21 22 23 24 25 26
  //          N0  r N1 L0  u M0 B0  g M0  n E0 E0 N1 \n
  builder.text(Units(u"\0r\1\0u\0\0g\0n\0\0\1\n"))
      .knotMarks(kKnotNote, {14, 16, 26})
      .knotMarks(kKnotLink, {17, 19, 25})
      .knotMarks(kKnotBookmark, {20, 22, 24});
  CorvaneDoc* doc = builder.doc();
  DocRange range;
  EXPECT_TRUE(CpIsWithinKnot(doc, 23, kKnotNote, &range));  // notes hold other knots
  EXPECT_EQ(range.first, 14u);
  EXPECT_FALSE(CpIsWithinKnot(doc, 23, kKnotLink, &range));  // links do not
  EXPECT_TRUE(CpIsWithinKnot(doc, 18, kKnotLink, &range));
}

TEST_F(KnotStructuresTest, WhatPanesShowOfNotesTablesAndChapters) {
  struct Case {
    uint32_t cp;
    uint8_t kinkContents;
    bool shown;
    uint32_t first, limit;
  };
  const Case cases[] = {
      {28, 0, true, 27, 30},   // a note shows the part around cp
      {30, 0, true, 29, 32},
      {37, 0, true, 37, 49},   // a table shows its marks
      {39, 0, true, 38, 41},   // a row the cell around cp
      {44, 0, true, 43, 46},
      {53, 0, false, 51, 55},  // a chapter is hidden
      {53, 1, true, 52, 55},   // but not where kinks show: its part
  };
  for (const Case& c : cases) {
    Pane pane;
    pane.contentsKind = 1;
    pane.contentsFlags[1] = c.kinkContents;
    KnotFormat knot;
    FetchKnot(doc, c.cp, &knot, 0);
    DocRange range;
    EXPECT_EQ(ShouldShowKnot(knot, c.cp, &pane, &range), c.shown) << c.cp;
    EXPECT_EQ(range.first, c.first) << c.cp;
    EXPECT_EQ(range.limit, c.limit) << c.cp;
  }
}

TEST_F(KnotStructuresTest, FirstShownCpsPerPaneContents) {
  struct Case {
    int32_t contents;
    uint32_t cp, expected;
  };
  const Case cases[] = {
      {1, 27, 28},  // a note: its first part in contents 1
      {0, 27, 32},  // skipped whole elsewhere
      {1, 33, 34},  // a list: one cp
      {1, 37, 39},  // a table: its mark and its first row's
      {1, 38, 39},  // a row: one cp
      {1, 51, 55},  // a chapter: past its end mark
      {1, 21, 21},  // a bookmark stops the walk in contents 1
      {0, 21, 26},
  };
  for (const Case& c : cases) {
    Pane pane;
    pane.contentsKind = c.contents;
    EXPECT_EQ(FirstVisibleCpInPara(doc, &pane, c.cp), c.expected) << c.contents << "/" << c.cp;
  }
  Pane plain;
  plain.contentsKind = 1;
  EXPECT_EQ(VisibleCp(doc, &plain, 37, true), 39u);   // over the table's and the row's marks
  EXPECT_EQ(VisibleCp(doc, &plain, 51, true), 55u);   // the chapter jumped whole
  EXPECT_EQ(VisibleCp(doc, &plain, 54, false), 50u);  // backward too
  Pane outline;
  outline.contentsKind = 5;
  EXPECT_EQ(VisibleCp(doc, &outline, 21, true), 26u);  // a bookmark jumped whole
}

TEST_F(KnotStructuresTest, EditsNeverCutATableOrRow) {
  using Steps = std::vector<std::pair<uint32_t, uint32_t>>;
  // From one cell into the next row: the cells' text only, marks refused.
  EXPECT_EQ(EditSteps(39, 45, kEditRangeDelete), (Steps{{39, 40}, {41, 42}, {44, 45}}));
  // A whole row goes as one.
  EXPECT_EQ(EditSteps(38, 43, kEditRangeDelete), (Steps{{38, 43}}));
  // All rows: the table's whole inside, so the table goes.
  EXPECT_EQ(EditSteps(38, 48, kEditRangeDelete), (Steps{{37, 49}}));
  // From a list's last paragraph mark into a cell: the mark is kept.
  EXPECT_EQ(EditSteps(35, 40, 2), (Steps{{39, 40}}));
  // From the list's start: its whole inside, so the list goes.
  EXPECT_EQ(EditSteps(34, 40, 2), (Steps{{33, 37}, {39, 40}}));
  // Over the table's end into the text after it.
  EXPECT_EQ(EditSteps(46, 50, kEditRangeDelete), (Steps{{46, 47}, {49, 50}}));
}

TEST_F(KnotStructuresTest, EditsInsideKnotsKeepTheirMarks) {
  using Steps = std::vector<std::pair<uint32_t, uint32_t>>;
  // From a link's shown text past its end: the end mark stays.
  EXPECT_EQ(EditSteps(18, 21, kEditRangeDelete), (Steps{{18, 19}, {20, 21}}));
  // A link's address and shown text, its whole inside: the link goes.
  EXPECT_EQ(EditSteps(16, 19, kEditRangeDelete), (Steps{{15, 20}}));
  // Only the note's text.
  EXPECT_EQ(EditSteps(30, 31, kEditRangeDelete), (Steps{{30, 31}}));
  // A list's last paragraph mark is kept, unless the list's whole inside goes.
  EXPECT_EQ(EditSteps(34, 35 + 1, kEditRangeDelete), (Steps{{33, 37}}));
  EXPECT_EQ(EditSteps(35, 36, kEditRangeDelete), Steps{});
  EXPECT_EQ(EditSteps(34, 35, kEditRangeDelete), (Steps{{34, 35}}));
  // Mode 1 does not protect paragraph marks, but still keeps knots whole.
  EXPECT_EQ(EditSteps(35, 37 + 1, 1), (Steps{{35, 36}}));
  // Whole knots in mode 6.
  DocRange range{doc, 26, 50}, out;
  ASSERT_TRUE(NextEditRange(&range, &out, CurrentPane(doc), kEditRangeWhole, nullptr));
  EXPECT_EQ(out.first, 27u);
  EXPECT_EQ(out.limit, 32u);
  EXPECT_EQ(range.first, 32u);
}

TEST_F(KnotStructuresTest, ATableIsShownCellByCell) {
  const std::vector<Piece> pieces = Forward(37, 51);
  const std::vector<Piece> expected = {{39, 40, 0}, {41, 42, 0}, {44, 45, 0}, {46, 47, 0}, {49, 51, 0}};
  EXPECT_EQ(pieces, expected);
  // The table's indents leave room for tabs: its rows become tabbed lines.
  EXPECT_EQ(ExtractPlainText(DocRange{doc, 37, 51}, false), QStringLiteral("c\td\ne\th\nz\n"));
  // A note is handed over whole and brings no text; its paragraph mark does.
  EXPECT_EQ(ExtractPlainText(DocRange{doc, 14, 33}, false), QStringLiteral("at \n\n"));
  EXPECT_EQ(ExtractPlainText(DocRange{doc, 38, 40}, false), QStringLiteral("c"));
}

TEST_F(KnotStructuresTest, TheBackwardWalkHandsPiecesOverLastFirst) {
  std::vector<Piece> forward = Forward(14, 51);
  std::reverse(forward.begin(), forward.end());
  EXPECT_EQ(Backward(14, 51), forward);

  // A paragraph of plain text is handed over as its own piece.
  int calls = 0;
  FetchVisibleTextBackward(DocRange{doc, 14, 51}, [&](const DocRange& r, Pane*, const KnotFormat*) {
    ++calls;
    EXPECT_EQ(r.first, 49u);
    return false;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(LiveRangesOfThread()->empty());

  // Never before the current pane's range: a pane confined to the second
  // chapter.
  Pane* pane = CurrentPane(doc);
  pane->contentsKind = 2;
  pane->chapterIndex = 1;
  OverridePaneContents(pane, 2);
  EXPECT_EQ(Backward(14, 57), (std::vector<Piece>{{55, 57, 0}}));
}

TEST_F(KnotStructuresTest, TheSelectionsText) {
  Pane* pane = CurrentPane(doc);
  pane->anchor = 14;
  pane->end = 27;
  EXPECT_EQ(ExtractPlainTextFromSel(doc), QStringLiteral("at \n"));
  pane->anchor = pane->end = 20;
  EXPECT_TRUE(ExtractPlainTextFromSel(doc).isNull());
}

TEST_F(KnotStructuresTest, FullAccessReachesHiddenTextUntilRestored) {
  Pane* pane = CurrentPane(doc);
  DocRange paragraph;
  FetchParaProps(doc, pane, 53, &paragraph, nullptr);  // the chapter's header is hidden
  EXPECT_EQ(paragraph.first, 51u);
  EXPECT_EQ(paragraph.limit, 57u);

  PaneDisplayOptions saved;
  pane->paraCacheFirst = 55;
  pane->paraCacheLimit = 57;
  SetFullAccessDisplayOptions(pane, &saved);
  EXPECT_EQ(saved.contentsKind, 1);
  EXPECT_EQ(saved.chapterIndex, kNoCpValue);
  EXPECT_EQ(saved.fullAccess, 0);
  EXPECT_EQ(pane->paraCacheFirst, -1);
  EXPECT_EQ(pane->contentsFlags[0], 1);
  FetchParaProps(doc, pane, 53, &paragraph, nullptr);
  EXPECT_EQ(paragraph.first, 53u);
  EXPECT_EQ(paragraph.limit, 54u);
  EXPECT_EQ(VisibleCp(doc, pane, 52, true), 52u);

  RestoreDisplayOptions(pane, saved);
  EXPECT_EQ(pane->contentsFlags[0], 0);
  FetchParaProps(doc, pane, 53, &paragraph, nullptr);  // not the paragraph kept under full access
  EXPECT_EQ(paragraph.first, 51u);
}

}  // namespace
