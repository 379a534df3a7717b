#include "richtext/DisplayLines.h"

#include <gtest/gtest.h>

#include <QObject>
#include <memory>

#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

class DisplayLinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(QString(40, QChar('x')) + "\n");
    doc = builder.doc();
    doc->hostWindow = &window;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
  }

  // Lines at 14, 24 and 34 (the sentinel at 44); the first reaches 3 cps
  // into the second.
  void FillCache() {
    ClearDynamicCPArray(pane->displayLines, 44);
    for (uint32_t i = 0; i < 3; ++i) {
      DisplayLine line;
      line.reach = i == 0 ? 3 : 0;
      line.height = 10;
      line.top = 10.0 * i;
      ASSERT_TRUE(InsertInDynamicCPArray(pane->displayLines, i, kBody + 10 * i, &line));
    }
  }

  std::vector<int> Dirty() {
    std::vector<int> dirty;
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(pane->displayLines); ++i)
      dirty.push_back(DisplayLineAtIndex(pane->displayLines, i)->dirty);
    return dirty;
  }

  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QObject window, view;
};

TEST_F(DisplayLinesTest, EditsDirtyTheLinesTheyCanChange) {
  struct Case {
    uint32_t first, limit;
    std::vector<int> dirty;
  } cases[] = {
      {kBody + 11, kBody + 12, {1, 1, 0}},  // within the first line's reach of the second
      {kBody + 13, kBody + 13, {1, 1, 0}},  // the reach's last cp
      {kBody + 15, kBody + 16, {0, 1, 0}},  // further on: only its own line
      {kBody + 18, kBody + 25, {0, 1, 1}},  // across a line start
      {kBody + 2, kBody + 3, {1, 0, 0}},
  };
  for (const Case& c : cases) {
    FillCache();
    const DocRange range{doc, c.first, c.limit};
    InvalText(&range, false);
    EXPECT_EQ(Dirty(), c.dirty) << c.first;
  }
}

TEST_F(DisplayLinesTest, DocumentWithoutHostViewIgnoresInvalText) {
  FillCache();
  doc->hostWindow = nullptr;
  const DocRange range{doc, kBody, kBody + 40};
  InvalText(&range, false);
  EXPECT_EQ(Dirty(), (std::vector<int>{0, 0, 0}));
  doc->hostWindow = &window;
  InvalDoc(doc);
  EXPECT_EQ(Dirty(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(doc->wholeRedraw, 0);
}

TEST_F(DisplayLinesTest, SafeIndexOfCp) {
  FillCache();
  struct Case {
    uint32_t cp;
    bool pastEnd;
    uint32_t index;
  } cases[] = {{0, true, 0},   {kBody, false, 0},     {kBody + 9, false, 0}, {kBody + 10, false, 1},
               {kBody + 29, true, 2}, {44, true, 3}, {44, false, 0},        {1000, true, 3}};
  for (const Case& c : cases) EXPECT_EQ(SafeIndexOfCp(pane->displayLines, c.cp, c.pastEnd), c.index) << c.cp;
}

TEST_F(DisplayLinesTest, TotalHeightIsTheSumOfTheLines) {
  EXPECT_EQ(DocumentTotalHeight(doc, nullptr), 16.0);
  builder.text(QString("one two three four five six seven eight nine ten\n").repeated(20));
  Properties chars;
  InitProperties(kCharProperties, &chars, nullptr);
  chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  chars.body.charProps.size = 48;
  builder.charRun(kBody, IndexForProperties(doc, &chars));
  doc->fitToWindow = 1;
  FakeCorvaneHost host;
  host.viewRect = QRectF(0, 0, 150, 300);
  const double total = DocumentTotalHeight(doc, pane);
  const uint32_t count = SizeOfDynamicCPArray(pane->displayLines);
  ASSERT_GT(count, 20u);  // the paragraphs wrap
  double sum = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const DisplayLine* line = DisplayLineAtIndex(pane->displayLines, i);
    EXPECT_DOUBLE_EQ(line->top, sum);
    EXPECT_GE(line->width, 1.0);
    sum += line->height;
    if (i > 0) EXPECT_GT(CpAtIndex(pane->displayLines, i), CpAtIndex(pane->displayLines, i - 1));
  }
  EXPECT_DOUBLE_EQ(total, sum);
}

TEST(DisplayLineHelpers, InsetRectByRect) {
  const float insets[4] = {1, 2, 3, 4};
  const QRectF rect(10, 20, 100, 50);
  EXPECT_EQ(InsetRectByRect(rect, true, insets), QRectF(11, 22, 96, 44));
  EXPECT_EQ(InsetRectByRect(InsetRectByRect(rect, true, insets), false, insets), rect);
}

}  // namespace
