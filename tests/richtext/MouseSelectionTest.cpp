#include <gtest/gtest.h>

#include <QObject>
#include <functional>
#include <memory>

#include "QStringPrinter.h"
#include "richtext/Bookmarks.h"
#include "richtext/ContinuousView.h"
#include "richtext/DisplayLines.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/MouseSelection.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/Variables.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

KnotEntry* EntryAtCp(CorvaneDoc* doc, uint32_t cp) {
  uint32_t index = 0;
  if (!KnotEntryAtCp(doc, cp, nullptr, &index)) return nullptr;
  return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

// A document laid out in the fake host's 400 x 300 view, 12-point DejaVu
// Sans, clicked and keyed as the view would.
class MouseSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }

  void Build(const QString& text, int32_t kind = kViewDocument,
             const std::function<void(RichTextBuilder&, CorvaneDoc*)>& extra = {}) {
    made = std::make_unique<RichTextBuilder>(kind);
    doc = made->doc();
    made->text(text);
    made->fontRun(kBody, QStringLiteral("DejaVu Sans"), 48);
    if (extra) extra(*made, doc);
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
    ASSERT_TRUE(CalculateLines(doc, pane, nullptr));
  }

  QRectF CellOf(uint32_t cp) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    locator.cp = cp;
    QRectF rect;
    EXPECT_TRUE(GetRectContainingCp(&locator, &rect, false)) << cp;
    return rect;
  }

  void Click(uint32_t kind, uint32_t modifiers, QPointF at) {
    ClickDraft(doc, kind, modifiers, at.x(), at.y());
    ASSERT_NE(SelectionTrackingForDoc(doc), nullptr) << "the click started no tracking";
  }
  void Release() {
    EndTextSelectionTracking(doc);
    EXPECT_EQ(SelectionTrackingForDoc(doc), nullptr);
  }
  void Caret(uint32_t cp) { SelectCps(doc, cp, cp, false); }
  void Key(uint32_t key, uint32_t modifiers = 0) { SelectKeyDraft(doc, key, modifiers, 0); }
  std::pair<int32_t, int32_t> Selection() const { return {pane->anchor, pane->end}; }
  uint32_t LastUsable() {
    DocRange range;
    GetPaneRange(doc, pane, &range);
    return range.limit - 1;
  }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  QObject window, view;
  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
};

// "One two. Three four. Five six.\nnext\n": "Three" is 23-27, a space at 28,
// "four" 29-32, "six" 40-42.
const QString kSentences = QStringLiteral("One two. Three four. Five six.\nnext\n");

TEST_F(MouseSelectionTest, ADoubleClickSelectsAWordWithItsTrailingSpaceButNotUnderAlt) {
  Build(kSentences);
  const QPointF onThree = CellOf(25).center();
  Click(kClickDouble, 0, onThree);
  Release();
  EXPECT_EQ(Selection(), std::make_pair(23, 29));
  EXPECT_EQ(pane->granularity, kGranularityWords);
  Click(kClickDouble, kEngineOption, onThree);
  Release();
  EXPECT_EQ(Selection(), std::make_pair(23, 28));
  // A single click leaves a caret at the nearer edge.
  const QRectF h = CellOf(24);
  Click(kClickSingle, 0, QPointF(h.left() + 1, h.center().y()));
  Release();
  EXPECT_EQ(Selection(), std::make_pair(24, 24));
}

TEST_F(MouseSelectionTest, AShiftClickExtendsFromTheOldSelection) {
  Build(kSentences);
  const QRectF f = CellOf(29), t = CellOf(18), n = CellOf(15);
  Caret(kBody + 2);
  Click(kClickExtend, kEngineShift, QPointF(f.left() + 1, f.center().y()));
  Release();
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 2), 29));
  // After the anchor the end follows the click; before it the selection
  // grows backwards from the old end.
  Click(kClickExtend, kEngineShift, QPointF(t.left() + 1, t.center().y()));
  Release();
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 2), 18));
  Click(kClickExtend, kEngineShift, QPointF(n.left() + 1, n.center().y()));
  Release();
  EXPECT_EQ(Selection(), std::make_pair(15, 18));
  // A word selection extends by words.
  Click(kClickDouble, 0, CellOf(25).center());
  Release();
  Click(kClickExtend, kEngineShift, CellOf(41).center());
  Release();
  EXPECT_EQ(Selection(), std::make_pair(23, int32_t(WordLimit(doc, pane, 41, true))));
}

TEST_F(MouseSelectionTest, DragsAfterATripleClickGrowBySentencesBothWays) {
  Build(kSentences);
  const uint32_t clicked = 30;  // in "four"
  const int32_t first = int32_t(SentenceStart(doc, clicked)), limit = int32_t(SentenceLimit(doc, clicked));
  ASSERT_EQ(first, 23);
  ASSERT_GT(limit, 33);
  Click(kClickTriple, 0, CellOf(clicked).center());
  EXPECT_EQ(Selection(), std::make_pair(first, limit));
  // Forwards into "six": the third sentence joins whole.
  const QPointF six = CellOf(41).center();
  ContinueTextSelectionTracking(doc, six.x(), six.y());
  EXPECT_EQ(Selection(), std::make_pair(first, int32_t(SentenceLimit(doc, 41))));
  // Back over the pivot into "two": from the first sentence's start to the
  // clicked sentence's end.
  const QPointF two = CellOf(19).center();
  ContinueTextSelectionTracking(doc, two.x(), two.y());
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), limit));
  Release();
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), limit));
}

TEST_F(MouseSelectionTest, AClickOnALinkFollowsItAndAnAltClickSelectsIt) {
  // "go " link(address | "here") " now": begin 17, middle 38, end 43.
  const QString address = QStringLiteral("https://example.org/");
  Build(QStringLiteral("go ") + QChar(0) + address + QChar(0) + "here" + QChar(0) + " now\n", kViewDocument,
        [](RichTextBuilder& builder, CorvaneDoc*) {
          builder.knotMarks(kKnotLink, {17, 38, 43});
        });
  const QPointF onLink((CellOf(16).right() + CellOf(44).left()) / 2, CellOf(16).center().y());
  Click(kClickSingle, 0, onLink);
  Release();
  ASSERT_EQ(host.openedUrls.size(), 1);
  EXPECT_EQ(host.openedUrls.front().toString(), address);
  Click(kClickSingle, kEngineOption, onLink);
  Release();
  EXPECT_EQ(host.openedUrls.size(), 1);
  // The link from its first shown cp to its end mark.
  EXPECT_EQ(Selection(), std::make_pair(int32_t(VisibleCp(doc, pane, 17, true)), 44));
  EXPECT_LE(pane->anchor, 18);
  // A click beside the link does not follow it.
  Click(kClickSingle, 0, CellOf(45).center());
  Release();
  EXPECT_EQ(host.openedUrls.size(), 1);
}

TEST_F(MouseSelectionTest, ABookmarkReferenceInTheHelpFollowsTheHelpLink) {
  // "x" bookmark("g1" | "Target") " see " variable "\n": the bookmark begins
  // at 15, the variable is at 30.
  Build(QStringLiteral("x") + QChar(0) + "g1" + QChar(0) + "Target" + QChar(0) + " see " + QChar(0) + "\n",
        kHelpDocument, [](RichTextBuilder& builder, CorvaneDoc* doc) {
          builder.knotMarks(kKnotBookmark, {15, 18, 25}).knot(31, kKnotVariable, kKinkSingle);
          IdentifyBookmarks(doc);
          KnotEntry* variable = EntryAtCp(doc, 31);
          variable->word1 = kVariableBookmarkRef;
          variable->word2 = GuidIndexForBookmarkIndex(doc, 0);
        });
  ASSERT_EQ(BookmarkIndexForGuidIndex(doc, EntryAtCp(doc, 31)->word2), 0u);
  const QPointF onVariable((CellOf(30).right() + CellOf(32).left()) / 2, CellOf(30).center().y());
  Click(kClickSingle, 0, onVariable);
  Release();
  EXPECT_EQ(host.helpLinks, QList<uint32_t>{15});
  // Under Alt the reference itself is selected.
  Click(kClickSingle, kEngineOption, onVariable);
  Release();
  EXPECT_EQ(host.helpLinks.size(), 1);
  EXPECT_EQ(Selection(), std::make_pair(31, 32));
}

TEST_F(MouseSelectionTest, ShiftEndThenShiftLeftAndTheEnds) {
  Build(QStringLiteral("abc def\nxyz\n"));
  const int32_t last = int32_t(LastUsable());
  Caret(kBody + 2);
  Key(kKeyEnd, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 2), last));
  EXPECT_EQ(pane->selectionFlags[kSelActiveEnd], kActiveEndEnd);
  Key(kKeyLeft, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 2), last - 1));
  EXPECT_EQ(pane->selectionFlags[kSelActiveEnd], kActiveEndEnd);
  // Plain Left collapses to the start; Home and End go to the ends.
  Key(kKeyLeft);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 2), int32_t(kBody + 2)));
  Key(kKeyEnd);
  EXPECT_EQ(Selection(), std::make_pair(last, last));
  Key(kKeyHome);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), int32_t(kBody)));
  // Shift-Right from a caret extends the end by one; Shift-Left then takes
  // it back to a caret.
  Key(kKeyRight, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), int32_t(kBody + 1)));
  Key(kKeyLeft, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), int32_t(kBody)));
}

TEST_F(MouseSelectionTest, KeysStayInTheRangeAndNeverSplitASurrogatePair) {
  // "a", a pair at 15-16, "b" at 17.
  Build(QString::fromUtf16(u"a\U0001F600b\nzz\n"));
  const int32_t last = int32_t(LastUsable());
  struct Case {
    int32_t from;
    uint32_t key, modifiers;
    std::pair<int32_t, int32_t> selection;
  } cases[] = {
      {15, kKeyRight, 0, {17, 17}},
      {17, kKeyLeft, 0, {15, 15}},
      {15, kKeyRight, kEngineShift, {15, 17}},
      {17, kKeyLeft, kEngineShift, {15, 17}},
      {int32_t(kBody), kKeyLeft, 0, {int32_t(kBody), int32_t(kBody)}},
      {last, kKeyRight, 0, {last, last}},
      {last, kKeyRight, kEngineShift, {last, last}},
  };
  for (const Case& c : cases) {
    Caret(uint32_t(c.from));
    Key(c.key, c.modifiers);
    EXPECT_EQ(Selection(), c.selection) << c.from << " key " << c.key << " modifiers " << c.modifiers;
  }
  // Word moves with Command land on real text.
  Build(QStringLiteral("one, two three\n"));
  Caret(kBody);
  Key(kKeyRight, kEngineCommand);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 3), int32_t(kBody + 3)));
  Key(kKeyRight, kEngineCommand);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 8), int32_t(kBody + 8)));
  Key(kKeyLeft, kEngineCommand);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 5), int32_t(kBody + 5)));
}

TEST_F(MouseSelectionTest, PageKeysAskTheContainerToScroll) {
  Build(kSentences);
  Caret(kBody + 3);
  Key(kKeyPageDown);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 3), int32_t(kBody + 3)));
  EXPECT_EQ(DraftScrollLock(doc), 2u);
  ASSERT_FALSE(host.scrolls.isEmpty());
  EXPECT_EQ(host.scrolls.back(), (FakeCorvaneHost::Scroll{pane, true, 4, true}));
  Key(kKeyPageUp);
  EXPECT_EQ(DraftScrollLock(doc), 1u);
  EXPECT_EQ(host.scrolls.back(), (FakeCorvaneHost::Scroll{pane, true, 5, true}));
  // With Shift, Page Down extends to the last cached cp.
  Key(kKeyPageDown, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 3), int32_t(LastUsable())));
}

TEST_F(MouseSelectionTest, UpAndDownKeepTheColumn) {
  Build(QStringLiteral("abcdef\nabcdef\nab\n"));
  Caret(kBody + 3);
  Key(kKeyDown);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 10), int32_t(kBody + 10)));
  // The short line takes its end; the next move down keeps the first x.
  Key(kKeyDown);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 16), int32_t(kBody + 16)));
  Key(kKeyUp);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 10), int32_t(kBody + 10)));
  Key(kKeyUp);
  Key(kKeyUp);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), int32_t(kBody)));
  // The kept x (column 3) holds for an extending move too.
  Key(kKeyDown, kEngineShift);
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody), int32_t(kBody + 10)));
}

TEST_F(MouseSelectionTest, AShiftedDownThatChangesNothingPutsACaretAtTheEnd) {
  Build(QStringLiteral("abcdef\nabcdef\n"));
  SelectCps(doc, kBody + 8, kBody + 10, false);  // on the last line
  Key(kKeyDown, kEngineShift);                   // extends to the line's end
  EXPECT_EQ(Selection(), std::make_pair(int32_t(kBody + 8), int32_t(LastUsable())));
  Key(kKeyDown, kEngineShift);  // changes nothing
  EXPECT_EQ(Selection(), std::make_pair(int32_t(LastUsable()), int32_t(LastUsable())));
  // From the line above, the move extends as usual.
  SelectCps(doc, kBody + 1, kBody + 2, false);
  Key(kKeyDown, kEngineShift);
  EXPECT_EQ(pane->anchor, int32_t(kBody + 1));
  EXPECT_GT(pane->end, int32_t(kBody + 7));
}

TEST(KinkActionNameTest, NamesByKinkType) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  RichTextBuilder builder;
  builder.text(QString::fromUtf16(u"\u00AD\u200BA\u200D\n"));
  CorvaneDoc* doc = builder.doc();
  const struct {
    uint32_t cp, type;
    const char* name;
    uint32_t kind;
  } cases[] = {
      {kBody, 3, "Tricky Character (optional hyphen)", 2},
      {kBody + 1, 3, "Tricky Character (0-width space)", 2},
      {kBody + 2, 3, "Tricky Character 0041", 2},
      {kBody + 3, 3, "Tricky Character (0-width character)", 2},
      {kBody, 8, "Picture", 1},
      {kBody, 9, "Table of Contents", 3},
      {kBody, 4, "Link", 0},
      {kBody, 1, "Checkbox", 99},
  };
  for (const auto& c : cases) {
    uint32_t kind = 99;
    EXPECT_EQ(KinkActionName(doc, c.cp, c.type, &kind), QString::fromUtf8(c.name)) << c.type;
    EXPECT_EQ(kind, c.kind) << c.name;
  }
  EXPECT_TRUE(KinkActionName(doc, kBody, 12, nullptr).isEmpty());
}

}  // namespace
