#include "richtext/PropertyRuns.h"

#include <gtest/gtest.h>

#include <functional>

#include "QStringPrinter.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

uint32_t Intern(CorvaneDoc* doc, uint32_t type, const std::function<void(Properties&)>& change) {
  Properties record;
  SetBaseProperties(type, &record);
  change(record);
  return IndexForProperties(doc, &record);
}

// Body: "ab" link("u" | "cd") "e\n" then "fg\n": a link at 16-21.
class RunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    //        14 15 16 17 18 19 20 21 22 23 24 25 26
    //         a  b L0  u M0  c  d E0  e \n  f  g \n
    builder.text(Units(u"ab\u0000u\u0000cd\u0000e\nfg\n"))
        .knot(16, kKnotLink, kKinkBegin)
        .knot(18, kKnotLink, kKinkMiddle)
        .knot(21, kKnotLink, kKinkEnd);
    doc = builder.doc();
    big = Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.size = 96; });
    bold = Intern(doc, kCharProperties, [](Properties& r) {
      r.body.charProps.bold = 1;
      r.body.charProps.size = 48;
    });
    builder.charRun(16, big).charRun(17, bold).charRun(19, big);
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t big = 0, bold = 0;
};

TEST_F(RunsTest, MarksTakeTheirNeighboursProperties) {
  CharProps props;
  FetchCharProps(doc, nullptr, 16, &props);  // a link's begin mark: the next character's
  EXPECT_EQ(props.bold, 1);
  FetchCharProps(doc, nullptr, 18, &props);  // a middle mark: the next character's
  EXPECT_EQ(props.size, 96);
  EXPECT_EQ(props.bold, 0);
  FetchCharProps(doc, nullptr, 21, &props);  // an end mark: the previous character's
  EXPECT_EQ(props.size, 96);

  DocRange range;
  FetchCharProps(doc, &range, 16, &props);  // asking for the run: the mark's own
  EXPECT_EQ(props.size, 96);
  EXPECT_EQ(range.first, 16u);
  EXPECT_EQ(range.limit, 17u);
  FetchCharProps(doc, &range, 500, &props);  // past the end: the last run
  EXPECT_EQ(range.first, 19u);
}

TEST_F(RunsTest, ARunNamingAnotherTypeIsRepairedAndStaysRepaired) {
  uint32_t paraIndex = 0;
  FetchDynamicCPArrayEntry(doc->paraRuns, 0, &paraIndex);
  builder.charRun(24, paraIndex).charRun(26, 100000);  // a para record, and past the table
  CharProps props;
  props.size = 7;
  FetchCharProps(doc, nullptr, 24, &props);
  EXPECT_EQ(props.size, 48);  // "Normal"
  StyleEntry normal;
  FetchDynamicStringArrayEntry(doc->styles, 0, &normal);
  for (uint32_t cp : {24u, 26u}) {
    FetchCharProps(doc, nullptr, cp, &props);
    uint32_t index = 0;
    FetchDynamicCPArrayEntry(doc->charRuns, IndexOfCp(doc->charRuns, cp), &index);
    EXPECT_EQ(index, normal.charProps) << cp;
  }
}

TEST_F(RunsTest, SizesOutsideTheRangeReadAs12Points) {
  const uint32_t tiny = Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.size = 15; });
  const uint32_t huge = Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.size = 8001; });
  builder.charRun(24, tiny).charRun(25, huge);
  CharProps props;
  FetchCharProps(doc, nullptr, 24, &props);
  EXPECT_EQ(props.size, 48);
  FetchCharProps(doc, nullptr, 25, &props);
  EXPECT_EQ(props.size, 48);
}

TEST_F(RunsTest, ParagraphsAreCachedButNotFromAChapterMark) {
  Pane* pane = CurrentPane(doc);
  ASSERT_EQ(pane->contentsKind, 1);
  DocRange range;
  ParaProps props;
  FetchParaProps(doc, pane, 25, &range, &props);
  EXPECT_EQ(range.first, 24u);
  EXPECT_EQ(range.limit, 27u);
  EXPECT_EQ(pane->paraCacheFirst, 24);
  EXPECT_EQ(pane->paraCacheLimit, 27);

  FetchParaProps(doc, pane, 19, &range, &props);  // inside the link's shown part
  EXPECT_EQ(range.first, 14u);
  EXPECT_EQ(range.limit, 24u);

  // In the first chapter's hidden text the paragraph starts at its mark: not kept.
  FetchParaProps(doc, pane, 3, &range, &props);
  EXPECT_EQ(range.first, 0u);
  EXPECT_EQ(pane->paraCacheFirst, -1);

  // A full-access pane sees the chapter's parts as paragraphs, and keeps them.
  Pane full;
  SetDummyPane(&full, true);
  FetchParaProps(doc, &full, 4, &range, &props);
  EXPECT_EQ(range.first, 4u);
  EXPECT_EQ(range.limit, 5u);

  doc->noParaCache = 1;
  pane->paraCacheFirst = pane->paraCacheLimit = -1;
  FetchParaProps(doc, pane, 25, &range, &props);
  EXPECT_EQ(pane->paraCacheFirst, -1);
  InvalParaCaches(doc);
}

TEST_F(RunsTest, AStrayMarkBecomesABullet) {
  StoreCharacterAtCp(doc, 24, kKnotMark1);  // "f" becomes a mark of no knot
  StoreCharacterAtCp(doc, 25, kKnotMark0);
  DocRange range;
  FetchParaProps(doc, CurrentPane(doc), 26, &range, nullptr);
  EXPECT_EQ(CharacterAtCp(doc, 25), u'\u2022');
  EXPECT_EQ(CharacterAtCp(doc, 24), u'\u2022');
  EXPECT_EQ(range.first, 24u);
}

TEST_F(RunsTest, TheSelectionsPropertiesOrTheCaretsWithoutTheTypingSwitch) {
  const uint32_t marked = Intern(doc, kCharProperties, [](Properties& r) {
    r.body.charProps.italic = 1;
    r.body.charProps.keylessSwitch6 = 1;
    r.body.charProps.size = 48;
  });
  builder.charRun(19, marked);
  Pane* pane = CurrentPane(doc);
  pane->anchor = 18;  // the link's middle mark: the next character's properties
  pane->end = 20;
  CharProps props;
  FetchCharPropsFromSelection(doc, &props);
  EXPECT_EQ(props.italic, 1);
  EXPECT_EQ(props.keylessSwitch6, 0);

  pane->anchor = pane->end = 19;  // a caret: the caret's properties
  pane->caretProps.size = 80;
  pane->caretProps.keylessSwitch6 = 1;
  FetchCharPropsFromSelection(doc, &props);
  EXPECT_EQ(props.size, 80);
  EXPECT_EQ(props.italic, 0);
  EXPECT_EQ(props.keylessSwitch6, 0);
}

TEST(ListDefaultsTest, TheTypedCharacterChoosesTheFirstMarker) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  struct Case {
    char16_t typed;
    ListMarker first;
  };
  const Case cases[] = {
      {u'#', {2, 0, 0, 0}},
      {u'*', {1, 0, 0x2022, 0}},
      {u'-', {1, 0, u'-', 0}},
      {u'1', {3, 0, 0, u'.'}},
  };
  for (const Case& c : cases) {
    Properties record;
    SetDefaultListProps(doc, c.typed, &record);
    EXPECT_EQ(record.type, uint32_t(kListProperties)) << char(c.typed);
    const ListProps& list = record.body.list;
    EXPECT_EQ(list.mark[0].type, c.first.type) << char(c.typed);
    EXPECT_EQ(list.mark[0].character, c.first.character) << char(c.typed);
    EXPECT_EQ(list.mark[0].suffix, c.first.suffix) << char(c.typed);
    // The rest is the document's normal list.
    EXPECT_EQ(list.indent, 457200) << char(c.typed);
    EXPECT_EQ(list.mark[1].character, u'-') << char(c.typed);
  }
  Properties other;
  SetBaseProperties(kListProperties, &other);
  other.body.list.indent = 5;
  SetDefaultListProps(doc, u'x', &other);
  EXPECT_EQ(other.type, uint32_t(kNoProperties));
  EXPECT_EQ(other.body.list.indent, 0);
}

TEST(HeaderTabsTest, CentreAndRightTabsUnlessAlreadyThere) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  doc->pageWidth = 612;
  const int64_t width = 612 * 12700 - 2 * 914400;  // 5,943,600
  const DocRange range{doc, 14, 15};
  const auto tabsAfter = [&](std::vector<TabStop> tabs, int64_t left = 0, int64_t right = 0) {
    ParaProps props;
    props.indentl = left;
    props.indentr = right;
    for (TabStop tab : tabs) AddTab(&props, props.tabCount, tab);
    AddHeaderTabs(range, &props);
    return std::vector<TabStop>(props.tabs, props.tabs + props.tabCount);
  };
  using Tabs = std::vector<TabStop>;
  const TabStop centre = kCenterTab | TabStop(width / 2);
  const TabStop right = kRightTab | TabStop(width);
  EXPECT_EQ(tabsAfter({}), (Tabs{centre, right}));
  EXPECT_EQ(tabsAfter({}, 12700, 25400),
            (Tabs{kCenterTab | TabStop((width + 12700 - 25400) / 2), kRightTab | TabStop(width - 25400)}));
  EXPECT_EQ(tabsAfter({3000000}), (Tabs{3000000, right}));  // already past the centre
  EXPECT_EQ(tabsAfter({6000000}), (Tabs{6000000}));         // past both
  Tabs full(kMaxTabs - 1);
  for (uint32_t i = 0; i < full.size(); ++i) full[i] = 1000 * (i + 1);
  Tabs expected = full;
  expected.push_back(centre);  // the set is full then: no right tab
  EXPECT_EQ(tabsAfter(full), expected);
  full.push_back(kMaxTabs * 1000);
  EXPECT_EQ(tabsAfter(full), full);

  // Without margins the continuous view's width counts, unless the pane is
  // clipped.
  FakeCorvaneHost host;
  host.viewRect = QRectF(0, 0, 500, 300);
  doc->fitToWindow = 1;
  doc->docProps.ignorem = 1;
  const int64_t draft = (500 - 24) * 12700;
  EXPECT_EQ(tabsAfter({}), (Tabs{kCenterTab | TabStop(draft / 2), kRightTab | TabStop(draft)}));
  CurrentPane(doc)->paneFlags[1] = 1;
  EXPECT_EQ(tabsAfter({}), (Tabs{centre, right}));

  // Positions never spill into the leader and alignment bits.
  doc->docProps.ignorem = 0;
  doc->pageWidth = 60000;
  EXPECT_EQ(tabsAfter({}), (Tabs{kCenterTab | kTabPositionMask}));  // the right one would lie on it
}

TEST(ChaptersTest, NamesAndColumnWidths) {
  RichTextBuilder builder;
  // A second and a third chapter, unnamed, each with its name part empty.
  //        14 15 16 17 18 19 20 21
  //        C0 M1 \n E1 C0 M1 \n E1 \n
  builder.text(Units(u"\u0000\u0001\n\u0001\u0000\u0001\n\u0001"))
      .knot(14, kKnotChapter, kKinkBegin)
      .knot(15, kKnotChapter, kKinkMiddle)
      .knot(17, kKnotChapter, kKinkEnd)
      .knot(18, kKnotChapter, kKinkBegin)
      .knot(19, kKnotChapter, kKinkMiddle)
      .knot(21, kKnotChapter, kKinkEnd);
  CorvaneDoc* doc = builder.doc();
  ASSERT_EQ(SizeOfDynamicCPArray(doc->chapterMarks), 3u);
  EXPECT_EQ(ChapterDisplayName(doc, 2), QStringLiteral("Chapter 3"));
  EXPECT_TRUE(ChapterName(doc, 5).isEmpty());
  DocRange range;
  EXPECT_EQ(FetchChapterProps(doc, 16, &range, nullptr), 18u);
  EXPECT_EQ(range.first, 14u);

  doc->pageWidth = 612;
  ChapterProps props;
  props.cols = 0;  // read as one column
  props.between = 12700;
  const int64_t text = 612 * 12700 - 2 * 914400;
  EXPECT_EQ(ColumnWidth(doc, props, 0), text);
  props.cols = 2;
  EXPECT_EQ(ColumnWidth(doc, props, 1), (text - 12700) / 2);
  props.cols = 200;
  EXPECT_EQ(ColumnWidth(doc, props, 0), (text - 9 * 12700) / 10);
  props.custom = 1;
  props.columns[3] = 777;
  EXPECT_EQ(ColumnWidth(doc, props, 3), 777);
}

}  // namespace
