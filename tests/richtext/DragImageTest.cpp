#include <gtest/gtest.h>

#include <QImage>
#include <QObject>
#include <QPainter>
#include <memory>

#include "richtext/ContinuousView.h"
#include "richtext/DisplayLines.h"
#include "richtext/DragImage.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsContext.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

class DragImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }

  // Lays the text out in the fake view (376 points of text column) and
  // caches its lines.
  void Build(const QString& text, const std::function<void(RichTextBuilder&)>& knots = {}) {
    builder = std::make_unique<RichTextBuilder>();
    doc = builder->doc();
    builder->text(text);
    builder->fontRun(kBody, QStringLiteral("DejaVu Sans"), 48);
    if (knots) knots(*builder);
    ClearTableCache(doc);
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
    pane->firstCp = int32_t(kBody);  // the body's first line, a table's too
    uint32_t lines = 0;
    ASSERT_TRUE(CalculateLines(doc, pane, &lines));
    ASSERT_GT(lines, 0u);
  }

  uint32_t LineCount() const { return SizeOfDynamicCPArray(pane->displayLines); }
  uint32_t LineCp(uint32_t i) const { return CpAtIndex(pane->displayLines, i); }
  QRectF LineRect(uint32_t i) const {
    const DisplayLine* line = DisplayLineAtIndex(pane->displayLines, i);
    return QRectF(line->left, line->top, line->width, line->height);
  }
  // The caret cell of cp as the locator finds it.
  QRectF CellOf(uint32_t cp) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    locator.cp = cp;
    QRectF cell;
    EXPECT_TRUE(GetRectContainingCp(&locator, &cell, false));
    return cell;
  }
  void Select(uint32_t first, uint32_t limit) {
    pane->anchor = int32_t(first);
    pane->end = int32_t(limit);
  }
  QRectF DragRect() {
    QRectF rect(1, 2, 3, 4);
    RectForDragImage(&rect, doc);
    return rect;
  }
  // The drag image drawn over an opaque red ground.
  QImage DrawImage(const QRectF& rect) {
    QImage image(int(std::ceil(rect.width())), int(std::ceil(rect.height())), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    QPainter painter(&image);
    {
      GraphicsContextScope scope(&painter);
      DrawDragImage(doc, QRectF(QPointF(0, 0), rect.size()));
    }
    painter.end();
    return image;
  }

  FakeCorvaneHost host;
  std::unique_ptr<RichTextBuilder> builder;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QObject window, view;
};

const QString kWrapped = QStringLiteral(
    "The quick brown fox jumps over the lazy dog and keeps on running through the fields until the "
    "evening comes and the light fades over the hills far away.\n");

TEST_F(DragImageTest, ASelectionAcrossALineBreakSpansBothLines) {
  Build(kWrapped);
  ASSERT_GE(LineCount(), 2u);
  const uint32_t second = LineCp(1);
  Select(kBody + 10, second + 10);
  const QRectF rect = DragRect();
  EXPECT_DOUBLE_EQ(rect.top(), LineRect(0).top());
  EXPECT_DOUBLE_EQ(rect.bottom(), LineRect(1).bottom());
  // The upper line from the anchor's x to its end, the lower one from its
  // start to the end's x: together the lower line's start to the upper end.
  EXPECT_DOUBLE_EQ(rect.left(), LineRect(1).left());
  EXPECT_DOUBLE_EQ(rect.right(), LineRect(0).right());

  // Within one line: from the anchor's x to the end's.
  Select(kBody + 4, kBody + 15);
  const QRectF inLine = DragRect();
  EXPECT_GT(inLine.left(), LineRect(0).left() + 10);
  EXPECT_NEAR(inLine.left(), CellOf(kBody + 4).left(), 0.01);
  EXPECT_NEAR(inLine.right(), CellOf(kBody + 15).left(), 0.01);
  EXPECT_DOUBLE_EQ(inLine.top(), LineRect(0).top());
  EXPECT_DOUBLE_EQ(inLine.height(), LineRect(0).height());
}

TEST_F(DragImageTest, ASelectionNoCachedLineHoldsHasAZeroRectangle) {
  Build(kWrapped);
  ClearDynamicCPArray(pane->displayLines, doc->textLimit);
  Select(kBody + 4, kBody + 15);
  EXPECT_TRUE(DragRect().isNull());
}

// The 3 x 3 table of cells "a" to "i": table 14-36, rows at 15, 22 and 29,
// then "z\n".
void TableKnots(RichTextBuilder& made) {
  CorvaneDoc* doc = made.doc();
  Properties table;
  InitProperties(kTableProperties, &table, nullptr);
  table.body.table.cols = 3;
  for (int i = 0; i < 3; ++i) table.body.table.columns[i] = 60 * 12700;
  made.knotMarks(kKnotTable, {14, 36}, IndexForProperties(doc, &table))
      .knotMarks(kKnotRow, {15, 17, 19, 21})
      .knotMarks(kKnotRow, {22, 24, 26, 28})
      .knotMarks(kKnotRow, {29, 31, 33, 35});
}
QString TableText() {
  QString text = QString(QChar(0)) + QChar(0) + "a" + QChar(1) + "b" + QChar(1) + "c" + QChar(1);
  text += QString(QChar(0)) + "d" + QChar(1) + "e" + QChar(1) + "f" + QChar(1);
  return text + QChar(0) + "g" + QChar(1) + "h" + QChar(1) + "i" + QChar(1) + QChar(1) + "z\n";
}

TEST_F(DragImageTest, TableSelectionsGiveACellTheWholeTableOrNothing) {
  Build(TableText(), TableKnots);
  ASSERT_EQ(LineCp(0), 14u);
  ASSERT_EQ(LineCp(3), 37u);  // the three rows, then "z"
  const QRectF firstRow = LineRect(0);

  Select(16, 19);  // "a" to "b": two cells
  EXPECT_TRUE(DragRect().isNull());

  Select(18, 19);  // "b": within its cell, inside the first row
  const QRectF cell = DragRect();
  EXPECT_FALSE(cell.isEmpty());
  EXPECT_TRUE(firstRow.contains(cell));
  EXPECT_GT(cell.left(), firstRow.left() + 50);  // in the second column

  Select(14, 37);  // the whole table: its three rows
  EXPECT_EQ(DragRect(), LineRect(0).united(LineRect(1)).united(LineRect(2)));
}

TEST_F(DragImageTest, TheImageIsTheSelectedTextOnATransparentGround) {
  Build(kWrapped);
  Select(kBody + 4, kBody + 15);  // "quick brown"
  const QRectF rect = DragRect();
  ASSERT_FALSE(rect.isEmpty());
  const QImage image = DrawImage(rect);
  int ink = 0, clear = 0, red = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() == 0)
        ++clear;
      else if (c == QColor(Qt::red))
        ++red;
      else
        ++ink;
    }
  }
  EXPECT_EQ(red, 0);   // cleared, not blended
  EXPECT_GT(ink, 40);  // the text is there, and no highlight under it
  EXPECT_GT(clear, ink);

  // Without highlights nothing is filled: the ground stays as it was.
  pane->paneFlags[2] = 1;
  const QImage plain = DrawImage(rect);
  EXPECT_EQ(plain.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(plain.pixelColor(plain.width() - 1, plain.height() - 1), QColor(Qt::red));
  int dark = 0;
  for (int y = 0; y < plain.height(); ++y)
    for (int x = 0; x < plain.width(); ++x) dark += qRed(plain.pixel(x, y)) < 128 ? 1 : 0;
  EXPECT_GT(dark, 20);
}

TEST_F(DragImageTest, APictureSelectionIsThePicturesFrameAndImage) {
  Build(QString("a") + QChar(0) + "b\n", [](RichTextBuilder& made) {
    QImage blue(20, 16, QImage::Format_ARGB32_Premultiplied);
    blue.fill(Qt::blue);
    const uint32_t picture = StorePicture(made.doc(), CSImage::initWithCGImage(blue, QSizeF(20, 16)), nullptr);
    made.knot(kBody + 1, kKnotPicture, kKinkSingle);
    KnotEntry entry;
    uint32_t index = 0;
    ASSERT_TRUE(KnotEntryAtCp(made.doc(), kBody + 1, &entry, &index));
    static_cast<KnotEntry*>(DynamicCPArrayEntry(made.doc()->knots, index))->word1 = picture;
  });
  Select(kBody + 1, kBody + 2);
  const QRectF rect = DragRect();
  EXPECT_DOUBLE_EQ(rect.width(), 20.0);
  EXPECT_DOUBLE_EQ(rect.height(), 16.0);
  EXPECT_GE(rect.left(), CellOf(kBody + 1).left() - 1);
  EXPECT_TRUE(LineRect(0).contains(rect));
  const QImage image = DrawImage(rect);
  EXPECT_EQ(image.pixelColor(10, 8), QColor(Qt::blue));
}

}  // namespace
