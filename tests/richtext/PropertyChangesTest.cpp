#include "richtext/PropertyChanges.h"

#include <gtest/gtest.h>

#include <QObject>
#include <functional>
#include <vector>

#include "QStringPrinter.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/LiveRanges.h"
#include "richtext/Molecules.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

uint32_t Intern(CorvaneDoc* doc, uint32_t type, const std::function<void(Properties&)>& change) {
  Properties record;
  SetBaseProperties(type, &record);
  change(record);
  return IndexForProperties(doc, &record);
}

struct RunAt {
  uint32_t cp, index;
  bool operator==(const RunAt&) const = default;
};
std::ostream& operator<<(std::ostream& os, const RunAt& r) { return os << r.cp << ":" << r.index; }

std::vector<RunAt> RunsOf(CSArrayCP* runs) {
  std::vector<RunAt> result;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(runs); ++i) {
    uint32_t index = 0;
    FetchDynamicCPArrayEntry(runs, i, &index);
    result.push_back({CpAtIndex(runs, i), index});
  }
  return result;
}

// "one two\n" at 14-21, "three four\n" at 22-32, the closing mark at 33;
// character runs: "Normal" from 0, `big` from 18.
class PropertyChangesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(QStringLiteral("one two\nthree four\n"));
    doc = builder.doc();
    FetchDynamicCPArrayEntry(doc->charRuns, 0, &normal);
    FetchDynamicCPArrayEntry(doc->paraRuns, 0, &normalPara);
    big = Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.size = 96; });
    builder.charRun(18, big);
  }
  CharProps CharsAt(uint32_t cp) {
    CharProps props;
    DocRange run;
    FetchCharProps(doc, &run, cp, &props);
    return props;
  }
  FakeCorvaneHost host;
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t normal = 0, normalPara = 0, big = 0;
};

TEST_F(PropertyChangesTest, SplitRunsCutsAtBothEnds) {
  struct Case {
    uint32_t first, limit, propIndex;
    int32_t firstIndex;
    uint32_t limitIndex;
    std::vector<RunAt> runs;
  };
  const uint32_t x = 77;
  const Case cases[] = {
      {15, 17, kNoPropertyIndex, 1, 2, {{0, normal}, {15, normal}, {17, normal}, {18, big}}},
      {15, 17, x, 1, 2, {{0, normal}, {15, x}, {17, normal}, {18, big}}},
      {18, 20, x, 1, 2, {{0, normal}, {18, x}, {20, big}}},  // a run starting there is replaced
      {16, 25, x, 1, 3, {{0, normal}, {16, x}, {18, big}, {25, big}}},
      {22, 34, x, 2, 3, {{0, normal}, {18, big}, {22, x}}},  // to the end: no run at the limit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << "-" << c.limit);
    RichTextBuilder b;
    b.text(QStringLiteral("one two\nthree four\n"));
    ASSERT_EQ(Intern(b.doc(), kCharProperties, [](Properties& r) { r.body.charProps.size = 96; }), big);
    b.charRun(18, big);
    DocRange range{b.doc(), c.first, c.limit}, out;
    uint32_t limitIndex = 0;
    EXPECT_EQ(SplitRuns(&range, &out, kCharProperties, &limitIndex, c.propIndex, false), c.firstIndex);
    EXPECT_EQ(limitIndex, c.limitIndex);
    EXPECT_EQ(RunsOf(b.doc()->charRuns), c.runs);
  }
  DocRange range{doc, 16, 17}, out;
  uint32_t limitIndex = 0;
  EXPECT_EQ(SplitRuns(&range, &out, kParaProperties, &limitIndex, kNoPropertyIndex, true), 1);
  EXPECT_EQ(limitIndex, 2u);
  EXPECT_EQ(out.first, 14u);
  EXPECT_EQ(out.limit, 22u);
  EXPECT_EQ(RunsOf(doc->paraRuns), (std::vector<RunAt>{{0, normalPara}, {14, normalPara}, {22, normalPara}}));
  EXPECT_EQ(SplitRuns(&range, &out, kDocProperties, &limitIndex, 0, false), -1);
}

TEST_F(PropertyChangesTest, RunIndexForCpAndEnforceFormat) {
  uint32_t run = 9;
  EXPECT_EQ(RunIndexForCp(doc->charRuns, 17, &run), normal);
  EXPECT_EQ(run, 0u);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, 18, &run), big);
  EXPECT_EQ(run, 1u);
  EXPECT_EQ(RunIndexForCp(doc->charRuns, 500, &run), big);
  EXPECT_TRUE(EnforceFormatAtCp(doc->charRuns, 25, normal));
  EXPECT_TRUE(EnforceFormatAtCp(doc->charRuns, 18, 5));
  EXPECT_FALSE(EnforceFormatAtCp(doc->charRuns, doc->cpLimit, 5));
  EXPECT_EQ(RunsOf(doc->charRuns), (std::vector<RunAt>{{0, normal}, {18, 5}, {25, normal}}));
  EXPECT_EQ(RunIndexForCp(nullptr, 3, &run), kNoPropertyIndex);
}

TEST_F(PropertyChangesTest, ApplyPropsToRangeLeavesOneRun) {
  Properties bold;
  SetBaseProperties(kCharProperties, &bold);
  bold.body.charProps.bold = 1;
  bold.body.charProps.size = 48;
  DocRange range{doc, 15, 26};
  ASSERT_TRUE(ApplyPropsToRange(&range, &bold, 0));
  const uint32_t index = IndexForProperties(doc, &bold);
  EXPECT_EQ(RunsOf(doc->charRuns), (std::vector<RunAt>{{0, normal}, {15, index}, {26, big}}));
  EXPECT_FALSE(IsRangeRegistered(&range));

  Properties para;
  SetBaseProperties(kParaProperties, &para);
  para.body.para.indentl = 12700;
  DocRange inside{doc, 16, 17};
  ASSERT_TRUE(ApplyPropsToRange(&inside, &para, 0));
  ParaProps props;
  FetchParaProps(doc, nullptr, 16, nullptr, &props);
  EXPECT_EQ(props.indentl, 12700);
  FetchParaProps(doc, nullptr, 22, nullptr, &props);
  EXPECT_EQ(props.indentl, 0);

  Properties chapter;
  SetBaseProperties(kChapterProperties, &chapter);
  EXPECT_FALSE(ApplyPropsToRange(&range, &chapter, 0));
}

// A char record of style 65534 changes the look but keeps each run's style.
TEST_F(PropertyChangesTest, ApplyPropsToRangeCanKeepEachRunsStyle) {
  const uint32_t style3 = Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.style = 3; });
  const uint32_t style5 = Intern(doc, kCharProperties, [](Properties& r) {
    r.body.charProps.style = 5;
    r.body.charProps.italic = 1;
  });
  builder.charRun(14, style3).charRun(18, style5);
  Properties bold;
  SetBaseProperties(kCharProperties, &bold);
  bold.body.charProps.style = kKeepRunStyle;
  bold.body.charProps.bold = 1;
  bold.body.charProps.size = 60;
  DocRange range{doc, 15, 20};
  ASSERT_TRUE(ApplyPropsToRange(&range, &bold, 1));
  struct Expect {
    uint32_t cp;
    uint16_t style;
    uint8_t bold, italic;
  };
  for (const Expect& e : {Expect{14, 3, 0, 0}, Expect{15, 3, 1, 0}, Expect{19, 5, 1, 0}, Expect{20, 5, 0, 1}}) {
    const CharProps props = CharsAt(e.cp);
    EXPECT_EQ(props.style, e.style) << e.cp;
    EXPECT_EQ(props.bold, e.bold) << e.cp;
    EXPECT_EQ(props.italic, e.italic) << e.cp;
  }
}

TEST_F(PropertyChangesTest, ApplyMoleculeToRangeReinternsEveryRun) {
  const uint8_t on = 1;
  MoleculePtr boldOn(NewMolecule(kCharProperties, kCharAtomBold, &on));
  for (bool whole : {false, true}) {
    RichTextBuilder b;
    doc = b.doc();
    b.text(QStringLiteral("one two\nthree four\n"))
        .charRun(18, Intern(doc, kCharProperties, [](Properties& r) { r.body.charProps.size = 96; }));
    DocRange range{doc, 15, 20};
    ASSERT_TRUE(ApplyMoleculeToRange(&range, boldOn.get(), 0, 0, whole));
    struct Expect {
      uint32_t cp;
      uint8_t bold;
      int16_t size;
    };
    for (const Expect& e : {Expect{14, 0, 48}, Expect{15, 1, 48}, Expect{19, 1, 96}, Expect{20, 0, 96}}) {
      const CharProps props = CharsAt(e.cp);
      EXPECT_EQ(props.bold, e.bold) << e.cp;
      EXPECT_EQ(props.size, e.size) << e.cp;
    }
    EXPECT_EQ(SizeOfDynamicCPArray(doc->charRuns), 4u);  // 0, 15, 18 and 20
  }
  doc = builder.doc();
  const uint32_t center = 1;
  MoleculePtr centered(NewMolecule(kParaProperties, kParaAtomAlign, &center));
  DocRange range{doc, 24, 25};
  ASSERT_TRUE(ApplyMoleculeToRange(&range, centered.get(), 0, 0, false));
  ParaProps props;
  FetchParaProps(doc, nullptr, 30, nullptr, &props);
  EXPECT_EQ(props.align, 1u);
  FetchParaProps(doc, nullptr, 20, nullptr, &props);
  EXPECT_EQ(props.align, 0u);
  EXPECT_TRUE(ApplyMoleculeToRange(&range, nullptr, 0, 0, false));  // nothing to do
}

TEST_F(PropertyChangesTest, ExpandDocRange) {
  struct Case {
    uint32_t mode, first, limit, expectedFirst, expectedLimit;
  };
  const Case cases[] = {
      {kExpandWords, 19, 19, 18, 21},        // "two"
      {kExpandWords, 19, 24, 18, 27},        // "two" to "three"
      {kExpandParagraphs, 16, 17, 14, 22},
      {kExpandParagraphs, 16, 24, 14, 33},
      {kExpandParagraphs, 22, 22, 22, 33},
      {kExpandChapters, 20, 24, 0, 33},
      {kExpandTables, 16, 17, 16, 17},       // no table: unchanged
      {3, 16, 17, 16, 17},                   // no such mode
  };
  for (const Case& c : cases) {
    DocRange range{doc, c.first, c.limit};
    ExpandDocRange(&range, c.mode);
    EXPECT_EQ(range.first, c.expectedFirst) << "mode " << c.mode << " " << c.first << "-" << c.limit;
    EXPECT_EQ(range.limit, c.expectedLimit) << "mode " << c.mode << " " << c.first << "-" << c.limit;
  }
  doc->expansionLock = 1;
  DocRange locked{doc, 16, 17};
  ExpandDocRange(&locked, kExpandParagraphs);
  EXPECT_EQ(locked.first, 16u);
  EXPECT_EQ(locked.limit, 17u);
}

TEST(ExpandDocRangeListTest, ListsAndTheirParagraphs) {
  // "x\n" list("ab\ncd\n") "y\n": the list's marks at 16 and 23.
  RichTextBuilder builder;
  const char16_t text[] = u"x\n\u0000ab\ncd\n\u0001y\n";
  builder.text(QString::fromUtf16(text, qsizetype(std::size(text) - 1)))
      .knot(16, kKnotList, kKinkBegin)
      .knot(23, kKnotList, kKinkEnd);
  CorvaneDoc* doc = builder.doc();
  DocRange range{doc, 18, 21};
  ExpandDocRange(&range, kExpandLists);
  EXPECT_EQ(range.first, 16u);
  EXPECT_EQ(range.limit, 24u);
  DocRange outside{doc, 14, 15};
  ExpandDocRange(&outside, kExpandLists);
  EXPECT_EQ(outside.first, 14u);
  EXPECT_EQ(outside.limit, 15u);
}

// Two deferred ranges make one, released when the bracket closes.
TEST_F(PropertyChangesTest, DeferredDisplayGathersOneRange) {
  QObject window;
  doc->hostWindow = &window;
  EXPECT_FALSE(IsDisplayDeferred());
  DeferDisplay();
  DeferDisplay();
  EXPECT_TRUE(IsDisplayDeferred());
  const DocRange a{doc, 20, 24}, b{doc, 16, 18};
  AccumulateDefer(&a);
  const DocRange* gathered = DeferredDisplayRange();
  ASSERT_NE(gathered, nullptr);
  EXPECT_TRUE(IsRangeRegistered(gathered));
  AccumulateDefer(&b);
  EXPECT_EQ(gathered->first, 16u);
  EXPECT_EQ(gathered->limit, 24u);

  // A change of properties while deferred joins it.
  const uint8_t on = 1;
  MoleculePtr boldOn(NewMolecule(kCharProperties, kCharAtomBold, &on));
  DocRange later{doc, 28, 30};
  ASSERT_TRUE(ApplyMoleculeToRange(&later, boldOn.get(), 0, 0, false));
  EXPECT_EQ(gathered->limit, 30u);

  UndeferDisplay(1);
  EXPECT_TRUE(IsDisplayDeferred());
  EXPECT_NE(DeferredDisplayRange(), nullptr);
  UndeferDisplay(1);
  EXPECT_FALSE(IsDisplayDeferred());
  EXPECT_EQ(DeferredDisplayRange(), nullptr);
  EXPECT_FALSE(IsRangeRegistered(gathered));
  UndeferDisplay(1);  // nothing open: nothing happens
  EXPECT_FALSE(IsDisplayDeferred());

  // Without a host window nothing is gathered.
  doc->hostWindow = nullptr;
  DeferDisplay();
  AccumulateDefer(&a);
  EXPECT_EQ(DeferredDisplayRange(), nullptr);
  UndeferDisplay(0);
}

}  // namespace
