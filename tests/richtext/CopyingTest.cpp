#include "richtext/Copying.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>
#include <vector>

#include "QStringPrinter.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/Editing.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int64_t kPt = 12700;
constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

// Lays a document down piece by piece: text, tables (each cell's closing
// mark ends its paragraph), lists; remembers where each table and row starts.
struct Layout {
  QString text;
  struct Knot {
    uint32_t type;
    std::vector<uint32_t> marks;
  };
  std::vector<Knot> knots;
  uint32_t Cp() const { return kBody + uint32_t(text.size()); }

  void Add(const QString& plain) { text += plain; }
  // rows x cells, each cell's text given in order; answers the table's start.
  uint32_t AddTable(const std::vector<std::vector<QString>>& rows) {
    Knot table{kKnotTable, {Cp()}};
    text += QChar(0);
    for (const auto& cells : rows) {
      Knot row{kKnotRow, {Cp()}};
      text += QChar(0);
      for (const QString& cell : cells) {
        text += cell;
        row.marks.push_back(Cp());
        text += QChar(1);
      }
      knots.push_back(row);
    }
    table.marks.push_back(Cp());
    text += QChar(1);
    knots.insert(knots.begin() + int(knots.size() - rows.size()), table);
    return table.marks.front();
  }
  uint32_t AddList(const QString& paragraphs) {
    Knot list{kKnotList, {Cp()}};
    text += QChar(0) + paragraphs;
    list.marks.push_back(Cp());
    text += QChar(1);
    knots.push_back(list);
    return list.marks.front();
  }
};

class CopyingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    savedClipboard = g_clipboardDoc;
    g_clipboardDoc = nullptr;
  }
  void TearDown() override {
    DestroyDocument(g_clipboardDoc);
    g_clipboardDoc = savedClipboard;
  }

  // Builds the layout; tables get four columns of the given widths.
  CorvaneDoc* Build(const Layout& layout, bool relative = false) {
    made = std::make_unique<RichTextBuilder>();
    CorvaneDoc* doc = made->doc();
    made->text(layout.text);
    Properties table;
    InitProperties(kTableProperties, &table, nullptr);
    table.body.table.cols = 4;
    table.body.table.autofit = relative;
    for (int c = 0; c < 4; ++c) table.body.table.columns[c] = (relative ? 25 : 40 + 10 * c) * kPt;
    const uint32_t tableIndex = IndexForProperties(doc, &table);
    Properties list;
    SetDefaultProperties(doc, kListProperties, &list);
    list.type = kListProperties;
    list.body.list.mark[0].type = 1;
    list.body.list.mark[0].character = u'*';
    const uint32_t listIndex = IndexForProperties(doc, &list);
    for (const Layout::Knot& knot : layout.knots) {
      const uint32_t props = knot.type == kKnotTable ? tableIndex : knot.type == kKnotList ? listIndex : 0xFFFFFFFF;
      for (size_t i = 0; i < knot.marks.size(); ++i) {
        const uint32_t role = i == 0 ? kKinkBegin : i + 1 == knot.marks.size() ? kKinkEnd : kKinkMiddle;
        made->knot(knot.marks[i], knot.type, role, i == 0 ? props : 0xFFFFFFFF);
      }
    }
    ClearTableCache(doc);
    return doc;
  }

  void Select(CorvaneDoc* doc, uint32_t first, uint32_t limit, int32_t granularity = 0,
              uint32_t firstColumn = kNoCpValue, uint32_t columnLimit = kNoCpValue) {
    Pane* pane = CurrentPane(doc);
    pane->anchor = int32_t(first);
    pane->end = int32_t(limit);
    pane->granularity = granularity;
    pane->firstColumn = firstColumn;
    pane->columnLimit = columnLimit;
  }

  // The clipboard document's body, knot marks included.
  static QString ClipText() {
    DocRange body;
    GetDocumentRange(g_clipboardDoc, &body, false);
    return RawTextString(g_clipboardDoc, body.first, body.limit);
  }
  static DocRange ClipBody() {
    DocRange body;
    GetDocumentRange(g_clipboardDoc, &body, false);
    return body;
  }

  // Each row of the table at cp as its cells' texts.
  static std::vector<std::vector<QString>> Cells(CorvaneDoc* doc, uint32_t cp, TableProps* props = nullptr) {
    ClearTableCache(doc);
    std::vector<std::vector<QString>> rows;
    KnotFormat table;
    FetchKnot(doc, cp, &table, kKnotTable);
    EXPECT_NE(table.index, kNoCpValue) << "no table at " << cp;
    if (table.index == kNoCpValue) return rows;
    if (props) {
      const Properties* record = PropertiesAtIndex(doc, table.entry.props);
      EXPECT_TRUE(record && record->type == kTableProperties);
      if (record) *props = record->body.table;
    }
    for (uint32_t at = table.start + 1; at + 1 < table.limit;) {
      KnotFormat row;
      FetchKnot(doc, at, &row, kKnotRow);
      EXPECT_EQ(row.start, at);
      if (row.index == kNoCpValue || row.start != at) break;
      std::vector<QString> cells;
      for (uint32_t c = 0; c < RowCellCount(row); ++c)
        cells.push_back(RawTextString(doc, row.kinks[c] + 1, row.kinks[c + 1]));
      rows.push_back(cells);
      at = row.limit;
    }
    return rows;
  }

  static void ExpectValid(CorvaneDoc* doc) {
    QString reason;
    EXPECT_TRUE(ValidateDocument(doc, &reason)) << reason.toStdString();
  }

  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* savedClipboard = nullptr;
  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
};

const std::vector<std::vector<QString>> kFourByTwo = {{"a", "b", "c", "d"}, {"e", "f", "g", "h"}};

TEST_F(CopyingTest, ColumnsTwoAndThreeOfFourGiveATwoColumnTableWithEveryRow) {
  Layout layout;
  layout.Add("x\n");
  const uint32_t table = layout.AddTable(kFourByTwo);
  layout.Add("y\n");
  CorvaneDoc* doc = Build(layout);
  KnotFormat knot;
  FetchKnot(doc, table, &knot, kKnotTable);
  Select(doc, table, knot.limit, 1, 1, 3);

  ASSERT_TRUE(CopySelection(doc));
  ASSERT_NE(g_clipboardDoc, nullptr);
  EXPECT_EQ(g_clipboardDoc->clipboardKind, kClipboardText);
  TableProps props;
  const DocRange body = ClipBody();
  EXPECT_EQ(Cells(g_clipboardDoc, body.first, &props),
            (std::vector<std::vector<QString>>{{"b", "c"}, {"f", "g"}}));
  EXPECT_EQ(props.cols, 2);
  EXPECT_EQ(props.columns[0], 50 * kPt);
  EXPECT_EQ(props.columns[1], 60 * kPt);
  EXPECT_EQ(props.columns[2], 0);
  EXPECT_EQ(SizeOfDynamicCPArray(g_clipboardDoc->tableMarks), 1u);
  ExpectValid(g_clipboardDoc);
  // The source is untouched.
  EXPECT_EQ(Cells(doc, table), kFourByTwo);
}

TEST_F(CopyingTest, ARangeFromMidRowPastTheTableStartsWithATableOfTheCoveredCells) {
  Layout layout;
  layout.Add("x\n");
  const uint32_t table = layout.AddTable({{"a", "b", "c", "d"}, {"e", "fgh", "i", "j"}});
  layout.Add("y\nz\n");
  CorvaneDoc* doc = Build(layout);
  KnotFormat knot;
  FetchKnot(doc, table, &knot, kKnotTable);
  // From inside "fgh" (its "gh") to the end of "y".
  const uint32_t g = uint32_t(layout.text.indexOf("gh")) + kBody;
  Select(doc, g, knot.limit + 2);

  ASSERT_TRUE(CopySelection(doc));
  const DocRange body = ClipBody();
  TableProps props;
  EXPECT_EQ(Cells(g_clipboardDoc, body.first, &props),
            (std::vector<std::vector<QString>>{{"gh", "i", "j"}}));
  EXPECT_EQ(props.cols, 3);
  EXPECT_EQ(props.columns[0], 50 * kPt);
  KnotFormat copied;
  FetchKnot(g_clipboardDoc, body.first, &copied, kKnotTable);
  EXPECT_EQ(RawTextString(g_clipboardDoc, copied.limit, body.limit), "y\n");
  ExpectValid(g_clipboardDoc);
}

TEST_F(CopyingTest, CopiesOfRowsAndWholeTablesKeepTheirStructure) {
  Layout layout;
  layout.Add("x\n");
  const uint32_t table = layout.AddTable({{"a", "b"}, {"c", "d"}, {"e", "f"}});
  layout.Add("y\n");
  CorvaneDoc* doc = Build(layout);
  KnotFormat knot, second;
  FetchKnot(doc, table, &knot, kKnotTable);
  FetchKnot(doc, knot.kinks[0] + 1, &second, kKnotRow);
  FetchKnot(doc, second.limit, &second, kKnotRow);
  struct Case {
    uint32_t first, limit;
    std::vector<std::vector<QString>> cells;
    const char* text;  // the plain text of the copy
  } cases[] = {
      // The second and third rows: a new table of them.
      {second.start, knot.limit - 1, {{"c", "d"}, {"e", "f"}}, "c\td\ne\tf\n"},
      // The whole table with the line before it.
      {kBody, knot.limit, {{"a", "b"}, {"c", "d"}, {"e", "f"}}, "x\na\tb\nc\td\ne\tf\n"},
  };
  for (const Case& c : cases) {
    Select(doc, c.first, c.limit);
    ASSERT_TRUE(CopySelection(doc)) << c.first;
    const DocRange body = ClipBody();
    const uint32_t at = SizeOfDynamicCPArray(g_clipboardDoc->tableMarks)
                            ? CpAtIndex(g_clipboardDoc->tableMarks, 0)
                            : body.first;
    EXPECT_EQ(Cells(g_clipboardDoc, at), c.cells) << c.first;
    EXPECT_EQ(ExtractPlainText(body, false), QString::fromUtf8(c.text)) << c.first;
    ExpectValid(g_clipboardDoc);
  }
  // Parts of two rows: the covered cells' text without a table.
  // From "d" through "e" of the next row.
  Select(doc, second.start + 3, second.limit + 2);
  ASSERT_TRUE(CopySelection(doc));
  EXPECT_EQ(SizeOfDynamicCPArray(g_clipboardDoc->tableMarks), 0u);
  EXPECT_EQ(ClipText(), "d\ne");
  ExpectValid(g_clipboardDoc);
}

TEST_F(CopyingTest, AWholeListStaysAList) {
  Layout layout;
  layout.Add("p\n");
  const uint32_t list = layout.AddList("one\ntwo\n");
  layout.Add("q\n");
  CorvaneDoc* doc = Build(layout);
  KnotFormat knot;
  FetchKnot(doc, list, &knot, kKnotList);
  ASSERT_NE(knot.index, kNoCpValue);
  const Properties* source = PropertiesAtIndex(doc, knot.entry.props);
  ASSERT_NE(source, nullptr);
  struct Case {
    uint32_t first, limit;
    bool list;
  } cases[] = {
      {knot.start + 1, knot.limit - 1, true},  // the list's paragraphs
      {knot.start, knot.limit, true},          // the knot with its marks
      {knot.start + 1, knot.start + 5, false}, // one paragraph of it
  };
  for (const Case& c : cases) {
    Select(doc, c.first, c.limit);
    ASSERT_TRUE(CopySelection(doc)) << c.first;
    ASSERT_EQ(SizeOfDynamicCPArray(g_clipboardDoc->listMarks), c.list ? 1u : 0u) << c.first;
    const DocRange body = ClipBody();
    if (c.list) {
      KnotFormat copied;
      FetchKnot(g_clipboardDoc, CpAtIndex(g_clipboardDoc->listMarks, 0), &copied, kKnotList);
      ASSERT_NE(copied.index, kNoCpValue);
      EXPECT_EQ(copied.start, body.first);
      EXPECT_EQ(RawTextString(g_clipboardDoc, copied.start + 1, copied.limit - 1), "one\ntwo\n");
      const Properties* record = PropertiesAtIndex(g_clipboardDoc, copied.entry.props);
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(record->body.list.mark[0].character, u'*');
    } else {
      EXPECT_EQ(ClipText(), "one\n");
    }
    ExpectValid(g_clipboardDoc);
  }
}

TEST_F(CopyingTest, TheChapterNameGoesInWithoutDeletingTheChapterMarks) {
  Layout layout;
  layout.Add("some text\n");
  CorvaneDoc* doc = Build(layout);
  const DocRange at{doc, 1, 1};
  ASSERT_TRUE(ReplaceRangeSimpleWithString(&at, nullptr, QStringLiteral("Intro")));
  ASSERT_EQ(ChapterName(doc, 0), "Intro");
  const uint32_t start = FirstDocumentCp(doc);
  Select(doc, start, start + 4);

  ASSERT_TRUE(CopySelection(doc));
  EXPECT_EQ(ChapterName(g_clipboardDoc, 0), "Intro");
  KnotFormat fresh, chapter;
  CorvaneDoc* plain = NewCorvaneDoc(kClipboardDocument);
  ASSERT_NE(plain, nullptr);
  FetchKnot(plain, 0, &fresh, kKnotChapter);
  FetchKnot(g_clipboardDoc, 0, &chapter, kKnotChapter);
  EXPECT_EQ(chapter.kinkCount, fresh.kinkCount);
  DestroyDocument(plain);
  EXPECT_EQ(ClipText(), "some");
  ExpectValid(g_clipboardDoc);
}

TEST_F(CopyingTest, EachCopyReplacesTheClipboardDocumentAndAnEmptyOneFails) {
  Layout layout;
  layout.Add("abc\n");
  CorvaneDoc* doc = Build(layout);
  Select(doc, kBody, kBody + 2);
  ASSERT_TRUE(CopySelection(doc));
  EXPECT_EQ(ClipText(), "ab");
  Select(doc, kBody + 1, kBody + 3);
  ASSERT_TRUE(CopySelection(doc));
  EXPECT_EQ(ClipText(), "bc");
  Select(doc, kBody + 1, kBody + 1);
  EXPECT_FALSE(CopySelection(doc));
  EXPECT_FALSE(CopySelection(nullptr));
}

TEST_F(CopyingTest, NewRelativeTablesShareTheWholeWidth) {
  Layout layout;
  layout.Add("x\n");
  CorvaneDoc* doc = Build(layout);
  Properties normal;
  SetDefaultProperties(doc, kTableProperties, &normal);
  normal.type = kTableProperties;
  normal.body.table.autofit = 1;
  normal.body.table.cols = 0;
  doc->normalTableIndex = IndexForProperties(doc, &normal);

  DocRange range;
  ASSERT_TRUE(NewTableCore(doc, kBody, 3, 4, 90 * kPt, &range));
  TableProps props;
  const auto cells = Cells(doc, range.first, &props);
  EXPECT_EQ(cells, std::vector<std::vector<QString>>(3, std::vector<QString>(4, "")));
  EXPECT_EQ(props.cols, 4);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(props.columns[c], 317500) << c;
  EXPECT_EQ(props.columns[4], 0);
  EXPECT_EQ(CpAtIndex(doc->tableMarks, 0), kBody);
  EXPECT_EQ(RawTextString(doc, range.limit, doc->textLimit), "x\n");
  ExpectValid(doc);

  // Fixed widths: each column the width asked for.
  normal.body.table.autofit = 0;
  doc->normalTableIndex = IndexForProperties(doc, &normal);
  ASSERT_TRUE(NewTableCore(doc, range.limit, 1, 2, 90 * kPt, &range));
  Cells(doc, range.first, &props);
  EXPECT_EQ(props.columns[0], 90 * kPt);
  EXPECT_EQ(props.columns[1], 90 * kPt);
  EXPECT_FALSE(NewTableCore(doc, kBody, 1, 0, 90 * kPt, &range));
  ExpectValid(doc);
}

TEST_F(CopyingTest, TablesBecomeTabbedTextInPlainTextAndOnConversion) {
  Layout layout;
  layout.Add("x\n");
  const uint32_t table = layout.AddTable(kFourByTwo);
  layout.Add("y\n");
  CorvaneDoc* doc = Build(layout);
  DocRange body;
  GetDocumentRange(doc, &body, false);
  // The body without its last paragraph mark.
  const QString expected = "x\na\tb\tc\td\ne\tf\tg\th\ny";
  EXPECT_EQ(ExtractPlainText(body, false), expected);
  // A range that ends inside the table gives the cells it reaches.
  EXPECT_EQ(ExtractPlainText(DocRange{doc, kBody, table + 5}, false), "x\na\nb");

  // Indents that leave no room for tabs: each cell its own paragraph.
  Properties para;
  InitProperties(kParaProperties, &para, nullptr);
  para.body.para.indentl = 20 * kPt;
  made->paraRun(table, IndexForProperties(doc, &para));
  EXPECT_FALSE(IsTabbedTable(DocRange{doc, table, table + 1}));
  EXPECT_EQ(ExtractPlainText(body, false).count('\t'), 0);
  made->paraRun(table, 0);
  InvalParaCaches(doc);
  ASSERT_TRUE(IsTabbedTable(DocRange{doc, table, table + 1}));

  DocRange converted{doc, table + 3, table + 3};
  ASSERT_TRUE(TableToText(&converted));
  EXPECT_EQ(converted.first, table);
  EXPECT_EQ(RawTextString(doc, converted.first, converted.limit), "a\tb\tc\td\ne\tf\tg\th\n");
  EXPECT_EQ(SizeOfDynamicCPArray(doc->tableMarks), 0u);
  GetDocumentRange(doc, &body, false);
  EXPECT_EQ(ExtractPlainText(body, false), expected);
  ExpectValid(doc);
}

TEST_F(CopyingTest, InsertedColumnsGoIntoEveryRowAndKeepRelativeWidthsWhole) {
  Layout layout;
  layout.Add("x\n");
  const uint32_t table = layout.AddTable({{"a", "b"}, {"c", "d"}});
  layout.Add("y\n");
  CorvaneDoc* doc = Build(layout, true);
  Properties two;
  InitProperties(kTableProperties, &two, nullptr);
  two.body.table.cols = 2;
  two.body.table.autofit = 1;
  two.body.table.columns[0] = 30 * kPt, two.body.table.columns[1] = 70 * kPt;
  KnotEntry entry;
  uint32_t index = 0;
  ASSERT_TRUE(KnotEntryAtCp(doc, table, &entry, &index));
  SetPropsOnKink(doc, index, IndexForProperties(doc, &two));

  ASSERT_TRUE(InsertTableColumnsCore(doc, table, 0, 2, true, false));
  TableProps props;
  EXPECT_EQ(Cells(doc, table, &props),
            (std::vector<std::vector<QString>>{{"a", "", "", "b"}, {"c", "", "", "d"}}));
  EXPECT_EQ(props.cols, 4);
  int64_t sum = 0;
  for (int c = 0; c < 4; ++c) sum += props.columns[c];
  EXPECT_LE(kFullPercentage - sum, 3);
  EXPECT_EQ(props.columns[1], props.columns[0]);
  ExpectValid(doc);
}

TEST_F(CopyingTest, AMoleculeReachesEveryTableTheRangeMeetsOnce) {
  Layout layout;
  const uint32_t first = layout.AddTable({{"a", "b"}});
  layout.Add("between\n");
  const uint32_t second = layout.AddTable({{"c", "d"}});
  layout.Add("after\n");
  const uint32_t third = layout.AddTable({{"e", "f"}});
  layout.Add("z\n");
  CorvaneDoc* doc = Build(layout);
  const Kolor stripe = 0x64112233;
  Molecule* molecule = NewMolecule(kTableProperties, 51, &stripe);
  ASSERT_NE(molecule, nullptr);
  // From the first table's second cell into the second table's first.
  DocRange range{doc, first + 4, second + 3};
  EXPECT_TRUE(ApplyMoleculeToTable(&range, molecule, false, 0));
  FreeMolecule(molecule);
  EXPECT_EQ(range.first, first);
  TableProps props;
  for (uint32_t table : {first, second}) {
    Cells(doc, table, &props);
    EXPECT_EQ(props.stripecolor, stripe) << table;
    EXPECT_EQ(props.cols, 4) << table;  // the rest of the record stays
  }
  Cells(doc, third, &props);
  EXPECT_NE(props.stripecolor, stripe);
  ExpectValid(doc);
}

}  // namespace
