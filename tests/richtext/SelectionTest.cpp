#include <gtest/gtest.h>

#include <QObject>
#include <memory>
#include <vector>

#include "richtext/ContinuousView.h"
#include "richtext/DisplayLines.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

class UnlockedHost : public FakeCorvaneHost {
 public:
  bool isDocumentLocked(CorvaneDoc*) override { return false; }
};

// "one two\n" 14-21, "three\n" 22-27 (bold), a list 28-31 holding "f\n"
// (29-30), "z\n" 32-33; the text limit is 34.
class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(QStringLiteral("one two\nthree\n") + QChar(0) + "f\n" + QChar(1) + "z\n");
    doc = builder.doc();
    builder.knotMarks(kKnotList, {28, 31}, doc->normalListIndex);
    Properties plain, bold;
    InitProperties(kCharProperties, &plain, nullptr);
    InitProperties(kCharProperties, &bold, nullptr);
    plain.body.charProps.size = 48;
    bold.body.charProps.size = 48;
    bold.body.charProps.bold = 1;
    const uint32_t plainIndex = IndexForProperties(doc, &plain);
    builder.charRun(kBody, plainIndex).charRun(22, IndexForProperties(doc, &bold)).charRun(28, plainIndex);
    doc->hostWindow = &window;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
  }

  // Cached lines at 14, 22 and 28, 10 points tall, the sentinel at 34.
  void FillCache() {
    ClearDynamicCPArray(pane->displayLines, 34);
    const uint32_t cps[] = {14, 22, 28};
    for (uint32_t i = 0; i < 3; ++i) {
      DisplayLine line;
      line.top = 10.0 * i;
      line.width = 100 + i;
      line.height = 10;
      ASSERT_TRUE(InsertInDynamicCPArray(pane->displayLines, i, cps[i], &line));
    }
  }
  static QRectF LineRect(uint32_t i) { return QRectF(0, 10.0 * i, 100 + i, 10); }

  UnlockedHost host;
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QObject window, view;
};

TEST_F(SelectionTest, SelectingTheWholeTextStopsBeforeAnExcludedFinalMark) {
  SelectCps(doc, 0, doc->textLimit, false);
  EXPECT_EQ(pane->anchor, 14);  // the chapter's marks are not shown
  EXPECT_EQ(pane->end, 34);
  EXPECT_EQ(pane->selectionFlags[kSelActiveEnd], kActiveEndUnset);

  doc->moreFlags[kDocExcludesFinalMark] = 1;
  SelectCps(doc, 0, doc->textLimit, false);
  EXPECT_EQ(pane->anchor, 14);
  EXPECT_EQ(pane->end, 33);
}

TEST_F(SelectionTest, NewSelectionsAreNormalisedAndResetTheirState) {
  pane->granularity = kGranularityWords;
  pane->firstColumn = 1;
  pane->columnLimit = 2;
  pane->goalX = 40;
  struct Case {
    uint32_t first, limit;
    int32_t anchor, end;
  } cases[] = {
      {18, 16, 16, 18},      // a reversed range
      {28, 28, 29, 29},      // a caret on the list's begin mark moves onto its text
      {5000, 6000, 33, 34},  // past the text: the last cp
      {16, 5000, 16, 34},
  };
  for (const Case& c : cases) {
    SelectCps(doc, c.first, c.limit, false);
    EXPECT_EQ(pane->anchor, c.anchor) << c.first;
    EXPECT_EQ(pane->end, c.end) << c.first;
    EXPECT_EQ(pane->granularity, kGranularityChars);
    EXPECT_EQ(pane->firstColumn, kNoCpValue);
    EXPECT_EQ(pane->goalX, -1.0f);
  }
}

TEST_F(SelectionTest, ARangeReachingOverAListsEdgeGrowsToTheWholeList) {
  SelectCps(doc, 29, 31, false);  // the list's text up to its end mark
  EXPECT_EQ(pane->anchor, 28);
  EXPECT_EQ(pane->end, 32);

  SelectCps(doc, 24, 31, false);  // from before the list up to its end mark
  EXPECT_EQ(pane->anchor, 24);
  EXPECT_EQ(pane->end, 32);

  SelectCps(doc, 24, 30, false);  // short of the list's last text cp
  EXPECT_EQ(pane->end, 30);

  SelectCps(doc, 29, 30, false);  // inside the list only
  EXPECT_EQ(pane->anchor, 29);
  EXPECT_EQ(pane->end, 30);
}

TEST_F(SelectionTest, ACaretTakesThePropertiesOfTheTextBeforeIt) {
  SelectCps(doc, 22, 22, false);  // a paragraph's first cp: its own character
  EXPECT_EQ(pane->caretProps.bold, 1);
  SelectCps(doc, 21, 21, false);  // before the first paragraph's break
  EXPECT_EQ(pane->caretProps.bold, 0);
  SelectCps(doc, 24, 24, false);
  EXPECT_EQ(pane->caretProps.bold, 1);
  SelectCps(doc, 29, 29, false);  // the list's first text cp, not its mark
  EXPECT_EQ(pane->caretProps.bold, 0);
}

TEST_F(SelectionTest, LockedDocumentsKeepTheirCaretProperties) {
  SelectCps(doc, 16, 16, false);
  CharProps props = pane->caretProps;
  props.italic = 1;
  SetCaretCharProps(doc, props);
  FakeCorvaneHost locked;  // the default answer: locked
  SelectCps(doc, 24, 24, false);
  EXPECT_EQ(pane->caretProps.italic, 1);
  EXPECT_EQ(pane->caretProps.bold, 0);
}

TEST_F(SelectionTest, APlainRangeIsWalkedOnce) {
  SelectCps(doc, 15, 24, false);
  SelectionEnum walk;
  InitSelectionEnum(doc, nullptr, nullptr, true, &walk);
  ASSERT_TRUE(NextSelectionRange(&walk));
  EXPECT_EQ(walk.first, 15u);
  EXPECT_EQ(walk.limit, 24u);
  EXPECT_FALSE(NextSelectionRange(&walk));

  // A given range replaces the selection.
  const DocRange given{doc, 16, 18};
  InitSelectionEnum(doc, nullptr, &given, true, &walk);
  ASSERT_TRUE(NextSelectionRange(&walk));
  EXPECT_EQ(walk.first, 16u);
  EXPECT_EQ(walk.limit, 18u);
}

TEST_F(SelectionTest, ShowingARangeInvalidatesOnlyTheLinesItCovers) {
  FillCache();
  SelectCps(doc, 15, 24, false);
  EXPECT_EQ(host.invalidations, (QList<QRectF>{LineRect(0), LineRect(1)}));

  // Moving one end marks only what changed.
  host.invalidations.clear();
  EXPECT_TRUE(ChangeTextSelection(doc, 30, 15, 15, 15));
  EXPECT_EQ(pane->anchor, 15);
  EXPECT_EQ(pane->end, 30);
  EXPECT_EQ(host.invalidations, (QList<QRectF>{LineRect(1), LineRect(2)}));

  // Back over the pivot: the selection turns round it.
  host.invalidations.clear();
  EXPECT_TRUE(ChangeTextSelection(doc, 14, 15, 15, 15));
  EXPECT_EQ(pane->anchor, 14);
  EXPECT_EQ(pane->end, 15);
  EXPECT_EQ(host.invalidations, (QList<QRectF>{LineRect(0), LineRect(1), LineRect(2), LineRect(0)}));

  // A document no window shows invalidates nothing.
  doc->hostWindow = nullptr;
  host.invalidations.clear();
  SelectCps(doc, 15, 24, false);
  EXPECT_TRUE(host.invalidations.isEmpty());
}

TEST_F(SelectionTest, SafeMovesLandWhereACaretMayStand) {
  struct Case {
    uint32_t cp, flags, expected;
    const char* what;
  } cases[] = {
      {21, 0, 22, "a paragraph's break moves on to the next paragraph"},
      {21, kSafeMoveNoParagraphRule, 21, "unless the rule is skipped"},
      {21, kSafeMoveBackward, 20, "backwards it moves back a cp"},
      {0, 0, 14, "the hidden chapter knot"},
      {28, kSafeMoveNoParagraphRule, 29, "the list's begin mark forwards"},
      {28, kSafeMoveBackward | kSafeMoveNoParagraphRule, 27, "and backwards"},
      {5000, kSafeMoveNoParagraphRule, 33, "past the text"},
      {29, kSafeMoveNoParagraphRule | kSafeMoveAfterChar, 30, "after the list's first character"},
      {34, kSafeMoveNoParagraphRule | kSafeMoveAfterChar, 34, "after the last character"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeMoveCp(doc, c.cp, kNoCpValue, c.flags), c.expected) << c.what;

  doc->moreFlags[kDocExcludesFinalMark] = 1;
  EXPECT_EQ(SafeMoveCp(doc, 34, kNoCpValue, kSafeMoveAfterChar), 33u);
}

TEST_F(SelectionTest, ExtendingDownMovesTheEndAndUpTheAnchorSide) {
  FillCache();
  SelectCps(doc, 16, 18, false);
  SelectDown(doc, pane, 25, false, true, true);
  EXPECT_EQ(pane->anchor, 16);
  EXPECT_EQ(pane->end, 25);
  EXPECT_EQ(pane->selectionFlags[kSelHighlightShown], 1);

  SelectCps(doc, 24, 26, false);
  SelectUp(doc, pane, 16, false, true, false);  // the anchor moves, the end stays
  EXPECT_EQ(pane->anchor, 16);
  EXPECT_EQ(pane->end, 26);

  // Without extend: a caret, keeping the goal x, at the line end when asked.
  pane->goalX = 42;
  SelectDown(doc, pane, 30, true, false, true);
  EXPECT_EQ(pane->anchor, 30);
  EXPECT_EQ(pane->end, 30);
  EXPECT_EQ(pane->goalX, 42.0f);
  EXPECT_EQ(pane->selectionFlags[kSelCaretAtLineEnd], 1);
  uint32_t anchor = 0;
  EXPECT_EQ(CpOnLine(pane, &anchor), 29u);
  EXPECT_EQ(anchor, 30u);
}

TEST_F(SelectionTest, PictureSelectionsAreOneCpOnAPictureMark) {
  RichTextBuilder pictures;
  pictures.text(QStringLiteral("a") + QChar(1) + "b\n");
  CorvaneDoc* other = pictures.doc();
  pictures.knot(15, kKnotPicture, kKinkSingle);
  KnotEntry found;
  uint32_t index = kNoCpValue;
  ASSERT_TRUE(KnotEntryAtCp(other, 15, &found, &index));
  static_cast<KnotEntry*>(DynamicCPArrayEntry(other->knots, index))->word1 = 3;
  Pane* otherPane = CurrentPane(other);
  otherPane->anchor = 15;
  otherPane->end = 16;
  uint32_t picture = 0;
  EXPECT_TRUE(IsSelectionPicture(other, &picture));
  EXPECT_EQ(picture, 3u);
  otherPane->end = 17;
  EXPECT_FALSE(IsSelectionPicture(other, nullptr));
  otherPane->anchor = 14;
  otherPane->end = 15;
  EXPECT_FALSE(IsSelectionPicture(other, nullptr));
}

TEST(SelectionBookmarks, AMouseSelectionGrowsOverABookmarkAtItsEdges) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  RichTextBuilder builder;
  // "ab", a bookmark 16-20 (its name "r", its text "x"), "yz\n".
  builder.text(QStringLiteral("ab") + QChar(0) + "r" + QChar(1) + "x" + QChar(1) + "yz\n")
      .knotMarks(kKnotBookmark, {16, 18, 20});
  Pane* pane = CurrentPane(builder.doc());
  struct Case {
    int32_t anchor, end, wantAnchor, wantEnd;
  } cases[] = {
      {19, 20, 16, 21},                    // the anchor inside: the whole knot
      {14, 18, 14, 21},                    // the last cp inside: out to the knot's end
      {14, 17, 14, 21}, {14, 16, 14, 16},  // ends before the knot
      {21, 23, 21, 23},                    // after it
      {15, 16, 15, 16},
  };
  for (const Case& c : cases) {
    pane->anchor = c.anchor;
    pane->end = c.end;
    FixBookmarkSelection(builder.doc(), pane, kKnotBookmark);
    EXPECT_EQ(pane->anchor, c.wantAnchor) << c.anchor << ".." << c.end;
    EXPECT_EQ(pane->end, c.wantEnd) << c.anchor << ".." << c.end;
  }
}

// The 3 x 3 table of cells "a" to "i" at the body's start: table 14-36,
// rows at 15, 22 and 29; "z\n" after it.
class ColumnSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    QString text = QString(QChar(0)) + QChar(0) + "a" + QChar(1) + "b" + QChar(1) + "c" + QChar(1);
    text += QString(QChar(0)) + "d" + QChar(1) + "e" + QChar(1) + "f" + QChar(1);
    text += QString(QChar(0)) + "g" + QChar(1) + "h" + QChar(1) + "i" + QChar(1) + QChar(1) + "z\n";
    builder.text(text);
    doc = builder.doc();
    Properties table;
    InitProperties(kTableProperties, &table, nullptr);
    table.body.table.cols = 3;
    for (int i = 0; i < 3; ++i) table.body.table.columns[i] = 50 * 12700;
    builder.knotMarks(kKnotTable, {14, 36}, IndexForProperties(doc, &table))
        .knotMarks(kKnotRow, {15, 17, 19, 21})
        .knotMarks(kKnotRow, {22, 24, 26, 28})
        .knotMarks(kKnotRow, {29, 31, 33, 35});
    ClearTableCache(doc);
    pane = CurrentPane(doc);
  }

  void SelectColumns(uint32_t first, uint32_t limit) {
    SelectCps(doc, 14, 37, false);
    pane->granularity = kGranularityCells;
    pane->firstColumn = first;
    pane->columnLimit = limit;
  }

  std::vector<std::pair<uint32_t, uint32_t>> Walk(bool forward) {
    SelectionEnum walk;
    InitSelectionEnum(doc, nullptr, nullptr, forward, &walk);
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    while (NextSelectionRange(&walk) && ranges.size() < 20) ranges.emplace_back(walk.first, walk.limit);
    return ranges;
  }

  FakeCorvaneHost host;
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
};

using Ranges = std::vector<std::pair<uint32_t, uint32_t>>;

TEST_F(ColumnSelectionTest, TwoColumnsOfThreeRowsAreSixCellsRowByRow) {
  SelectColumns(0, 2);
  EXPECT_EQ(Walk(true), (Ranges{{14, 17}, {18, 19}, {22, 24}, {25, 26}, {29, 31}, {32, 33}}));
  EXPECT_EQ(Walk(false), (Ranges{{32, 33}, {29, 31}, {25, 26}, {22, 24}, {18, 19}, {14, 17}}));

  SelectColumns(2, 3);
  EXPECT_EQ(Walk(true), (Ranges{{20, 21}, {27, 28}, {34, 35}}));
  // A column range past the row's cells yields only the cells there are.
  SelectColumns(1, 9);
  EXPECT_EQ(Walk(true), (Ranges{{18, 19}, {20, 21}, {25, 26}, {27, 28}, {32, 33}, {34, 35}}));
  SelectColumns(2, 2);
  EXPECT_TRUE(Walk(true).empty());
}

TEST_F(ColumnSelectionTest, CollapsingAColumnSelectionPlacesACaretAtAnEdgeColumn) {
  SelectColumns(1, 2);
  CollapseColumnSelection(doc, true);
  EXPECT_EQ(pane->anchor, 18);
  EXPECT_EQ(pane->end, 18);
  SelectColumns(0, 3);
  CollapseColumnSelection(doc, false);  // the limit is the column count: the table's end
  EXPECT_EQ(pane->anchor, 37);
}

// A paragraph wrapped over lines of the fake view, laid out and cached.
class LaidOutSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(
        QStringLiteral("The quick brown fox jumps over the lazy dog and keeps on running through the "
                       "fields until the evening comes and the light fades over the hills.\n"));
    doc = builder.doc();
    builder.fontRun(kBody, QStringLiteral("DejaVu Sans"), 48);
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    doc->active = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
    pane->paneFlags[3] = 1;  // the pane has a display
    uint32_t lines = 0;
    ASSERT_TRUE(CalculateLines(doc, pane, &lines));
    ASSERT_GE(lines, 2u);
    second = CpAtIndex(pane->displayLines, 1);
  }

  QRectF CellOf(uint32_t cp) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    locator.cp = cp;
    QRectF cell;
    EXPECT_TRUE(GetRectContainingCp(&locator, &cell, false));
    return cell;
  }

  FakeCorvaneHost host;
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  uint32_t second = 0;  // the second line's first cp
  QObject window, view;
};

TEST_F(LaidOutSelectionTest, ACaretAtALineEndStandsRightOfTheCharacterBeforeIt) {
  SelectCps(doc, second, second, false);
  pane->selectionFlags[kSelCaretAtLineEnd] = 1;
  host.invalidations.clear();
  ToggleSel(doc);
  EXPECT_EQ(pane->selectionFlags[kSelHighlightShown], 1);
  const QRectF before = CellOf(second - 1);
  EXPECT_FLOAT_EQ(pane->caretX, float(before.right()));
  ASSERT_EQ(host.invalidations.size(), 1);
  EXPECT_TRUE(host.invalidations[0].contains(QPointF(pane->caretX, before.center().y())));
  EXPECT_DOUBLE_EQ(host.invalidations[0].top(), before.top());

  // Hidden, then shown at the next line's start.
  ToggleSel(doc);
  EXPECT_EQ(pane->selectionFlags[kSelHighlightShown], 0);
  pane->selectionFlags[kSelCaretAtLineEnd] = 0;
  ToggleSel(doc);
  const QRectF at = CellOf(second);
  EXPECT_GT(at.top(), before.top());
  EXPECT_FLOAT_EQ(pane->caretX, std::max(float(at.left()) - 1.0f, pane->margin));

  // An inactive document flips the flag and draws nothing.
  ToggleSel(doc);
  doc->active = 0;
  host.invalidations.clear();
  ToggleSel(doc);
  EXPECT_EQ(pane->selectionFlags[kSelHighlightShown], 1);
  EXPECT_TRUE(host.invalidations.isEmpty());
}

TEST_F(LaidOutSelectionTest, TheDropMarkFollowsThePointOutsideTheDraggedRange) {
  const QRectF cell = CellOf(second + 5);
  const DocRange dragged{doc, kBody, kBody + 10};
  EXPECT_TRUE(ShowDragPosition(doc, pane, dragged, cell.left() + 1, cell.center().y()));
  const int32_t mark = pane->dragMarkCp;
  EXPECT_GE(mark, int32_t(second + 4));
  EXPECT_LE(mark, int32_t(second + 6));
  EXPECT_TRUE(ShowDragPosition(doc, pane, dragged, cell.left() + 1, cell.center().y()));
  EXPECT_EQ(pane->dragMarkCp, mark);

  const QRectF inside = CellOf(kBody + 5);
  EXPECT_FALSE(ShowDragPosition(doc, pane, dragged, inside.left() + 1, inside.center().y()));
  EXPECT_EQ(pane->dragMarkCp, 0);
}

}  // namespace
