#include "richtext/CBDocument.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "QStringPrinter.h"
#include "platform/NotificationCenter.h"
#include "richtext/Copying.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/Editing.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Lists.h"
#include "richtext/MouseSelection.h"
#include "richtext/Panes.h"
#include "richtext/PasteboardExport.h"
#include "richtext/Pictures.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/ModifierFlags.h"
#include "support/ThreadStorage.h"

namespace {

class CBDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    document = CBDocument::create();
    ASSERT_NE(document, nullptr);
    doc = document->corvaneDoc();
    savedClipboard = g_clipboardDoc;
    g_clipboardDoc = NewCorvaneDoc(kClipboardDocument);
  }
  void TearDown() override {
    document.reset();
    DestroyDocument(g_clipboardDoc);
    g_clipboardDoc = savedClipboard;
  }

  // Replaces the body by the text; answers its first cp.
  uint32_t SetText(const QString& text) {
    DocRange body;
    GetDocumentRange(doc, &body, false);
    EXPECT_TRUE(ReplaceRangeWithString(&body, text));
    return body.first;
  }
  void Select(uint32_t first, uint32_t limit) {
    Pane* pane = CurrentPane(doc);
    pane->anchor = int32_t(first);
    pane->end = int32_t(limit);
  }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  std::unique_ptr<CBDocument> document;
  CorvaneDoc* doc = nullptr;
  CorvaneDoc* savedClipboard = nullptr;
};

TEST_F(CBDocumentTest, ALoadingDocumentHasAnEmptySelectionMask) {
  EXPECT_TRUE(document->isLoading());
  EXPECT_EQ(document->selectionMask(), 0u);
  uint64_t words[9] = {};
  EXPECT_EQ(document->selectionMaskCore(words), 0u);
  EXPECT_EQ(words[0], ~uint64_t(0));
  // The first caret blink ends loading.
  document->setLocked(true);
  document->blinkInsertionPoint();
  EXPECT_FALSE(document->isLoading());
  const uint32_t first = SetText(QStringLiteral("some text\n"));
  Select(first, first);
  EXPECT_EQ(document->selectionMask(), kMaskDocument | kMaskCaret);
  Select(first, first + 4);
  EXPECT_EQ(document->selectionMask(), kMaskDocument | kMaskRange);
}

TEST_F(CBDocumentTest, TableSelectionsHaveNoCpRangeAndMarkTheMask) {
  RichTextBuilder built(kViewDocument);
  // A one-row table of two cells "a" and "b", then "z".
  built.text(QString(QChar(0)) + QChar(0) + "a" + QChar(1) + "b" + QChar(1) + QChar(1) + "z\n");
  Properties table;
  InitProperties(kTableProperties, &table, nullptr);
  table.body.table.cols = 2;
  built.knotMarks(kKnotTable, {14, 20}, IndexForProperties(built.doc(), &table)).knotMarks(kKnotRow, {15, 17, 19});
  // The document's text comes from the built one.
  DocRange source{built.doc(), 14, built.doc()->textLimit};
  DocRange body;
  GetDocumentRange(doc, &body, false);
  ASSERT_TRUE(ReplaceRangeFromRange(&body, &source));
  ASSERT_EQ(SizeOfDynamicCPArray(doc->tableMarks), 1u);
  document->setLoading(false);

  Pane* pane = CurrentPane(doc);
  Select(16, 16);
  EXPECT_EQ(document->selectionRange(), (CBRange{16, 0}));
  EXPECT_EQ(document->selectionMask() & (kMaskTable | kMaskTableCells), uint64_t(kMaskTable));
  // Cells: granularity 1 with a column range.
  Select(14, 21);
  pane->granularity = kGranularityCells;
  pane->firstColumn = 0;
  pane->columnLimit = 2;
  EXPECT_EQ(document->selectionRange(), (CBRange{kCBNotFound, 0}));
  EXPECT_EQ(document->selectionMask() & (kMaskTable | kMaskTableCells), uint64_t(kMaskTable | kMaskTableCells));
  // An object selection.
  pane->granularity = 0;
  pane->firstColumn = pane->columnLimit = kNoCpValue;
  pane->objectSelection = 16;
  EXPECT_EQ(document->selectionRange(), (CBRange{kCBNotFound, 0}));
}

TEST_F(CBDocumentTest, PicturesAnswerNullPastTheLast) {
  EXPECT_EQ(document->pictureCount(), 0u);
  EXPECT_TRUE(document->pictureForIndex(0).isNull());
  QImage image(4, 3, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::red);
  EXPECT_EQ(document->addPicture(CSImage::initWithCGImage(image, QSizeF(image.size()))), 0u);
  EXPECT_EQ(document->addPicture(CSImage()), 1u);
  EXPECT_EQ(document->pictureCount(), 2u);
  EXPECT_FALSE(document->pictureForIndex(0).isNull());
  EXPECT_TRUE(document->pictureForIndex(1).isNull());
  EXPECT_TRUE(document->pictureForIndex(2).isNull());
  EXPECT_TRUE(document->pictureForIndex(0xFFFFFFFF).isNull());
  const QList<CSImage> all = document->pictures();
  ASSERT_EQ(all.size(), 2);
  EXPECT_FALSE(all[0].isNull());
  EXPECT_TRUE(all[1].isNull());
}

TEST_F(CBDocumentTest, PageSizesAndTheWidestDraft) {
  doc->pageWidth = 0;
  EXPECT_EQ(document->maxDraftWidth(), 612.0);
  doc->pageWidth = 600;
  doc->pageHeight = 800;
  doc->docProps.left = 72 * kMeasurePerPoint;
  doc->docProps.right = 36 * kMeasurePerPoint;
  doc->docProps.top = doc->docProps.bottom = 50 * kMeasurePerPoint;
  EXPECT_EQ(document->maxDraftWidth(), 492.0);
  EXPECT_EQ(document->paperSize(), QSizeF(600, 800));
  EXPECT_EQ(document->pageSize(), (CSPoint{492 * kMeasurePerPoint, 700 * kMeasurePerPoint}));
}

TEST_F(CBDocumentTest, ModifiersConvertFlagByFlag) {
  struct Row {
    uint32_t platform, engine;
  } rows[] = {
      {kAlphaShiftKeyMask, 0x01}, {kCommandKeyMask, 0x02},  {kControlKeyMask, 0x04}, {kNumericPadKeyMask, 0x08},
      {kFunctionKeyMask, 0x10},   {kOptionKeyMask, 0x20},   {kShiftKeyMask, 0x40},
  };
  uint32_t all = 0;
  for (const Row& row : rows) {
    EXPECT_EQ(CBDocument::convertModifiers(row.platform), row.engine) << row.platform;
    all |= row.platform;
  }
  EXPECT_EQ(CBDocument::convertModifiers(all), 0x7Fu);
  EXPECT_EQ(CBDocument::convertModifiers(0), 0u);
  // Bits the table does not name are dropped.
  EXPECT_EQ(CBDocument::convertModifiers(1u << 22 | 0xFFFF), 0u);
  EXPECT_EQ(CBDocument::convertModifiers(ModifierFlags(Qt::ControlModifier | Qt::ShiftModifier)),
            uint32_t(kEngineCommand | kEngineShift));
}

TEST_F(CBDocumentTest, CopyingToAPasteboardLeavesTheEngineClipboardDocumentAlone) {
  const uint32_t first = SetText(QStringLiteral("copy me\n"));
  CorvaneDoc* engineClipboard = g_clipboardDoc;
  const uint32_t clipboardLimit = engineClipboard->cpLimit;

  QMimeData pasteboard;
  Select(first, first + 4);
  CorvaneDoc* copy = document->copyToPasteboard(&pasteboard);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, engineClipboard);
  EXPECT_EQ(g_clipboardDoc, engineClipboard);
  EXPECT_EQ(engineClipboard->cpLimit, clipboardLimit);
  EXPECT_EQ(copy->clipboardKind, kClipboardText);
  DocRange body;
  GetDocumentRange(copy, &body, false);
  EXPECT_EQ(RawTextString(copy, body.first, body.limit), "copy");
  EXPECT_EQ(pasteboard.text(), "copy");
  EXPECT_EQ(g_copyPasteboard, nullptr);
  DestroyDocument(copy);

  // A copy of nothing fails and changes nothing either.
  Select(first + 2, first + 2);
  EXPECT_EQ(document->copyToPasteboard(&pasteboard), nullptr);
  EXPECT_EQ(g_clipboardDoc, engineClipboard);
  EXPECT_EQ(engineClipboard->cpLimit, clipboardLimit);
  EXPECT_EQ(g_copyPasteboard, nullptr);
}

TEST_F(CBDocumentTest, OnePicturePutsAnImageAndTextPutsRtf) {
  g_corvaneConfig.richFormats = 1;
  QImage image(5, 4, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  ASSERT_EQ(StorePicture(doc, CSImage::initWithCGImage(image, QSizeF(image.size())), nullptr), 0u);
  const uint32_t first = SetText(QStringLiteral("ab\n"));
  // A picture mark between "a" and "b".
  uint8_t extras[12] = {};  // picture 0, zoom 0: unscaled
  const DocRange at{doc, first + 1, first + 1};
  ASSERT_TRUE(InsertKnot(&at, kKnotPicture, 1, nullptr, extras, false));
  KnotEntry entry;
  ASSERT_TRUE(KnotEntryAtCp(doc, first + 1, &entry));
  ASSERT_EQ(entry.type, uint32_t(kKnotPicture));

  QMimeData pasteboard;
  Select(first + 1, first + 2);
  CorvaneDoc* copy = document->copyToPasteboard(&pasteboard);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->clipboardKind, kClipboardPicture);
  EXPECT_EQ(PictureCount(copy), 1u);
  EXPECT_TRUE(pasteboard.hasFormat(g_tiffClipboardType));
  EXPECT_FALSE(pasteboard.hasFormat(QStringLiteral("text/rtf")));
  DestroyDocument(copy);

  Select(first, first + 3);
  copy = document->copyToPasteboard(&pasteboard);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->clipboardKind, kClipboardText);
  EXPECT_TRUE(pasteboard.hasFormat(QStringLiteral("text/rtf")));
  EXPECT_FALSE(pasteboard.hasFormat(g_tiffClipboardType));
  DestroyDocument(copy);
}

// A view that keeps its document until "cvb.docClosing" for it arrives.
struct ClosingView : CBDocumentView {
  explicit ClosingView(CBDocument* shown) : document(shown) {
    NotificationCenter::defaultCenter().addObserver(this, g_docClosingNotification, shown,
                                                    [this](const CSNotification&) {
                                                      ++closings;
                                                      document = nullptr;
                                                    });
  }
  ~ClosingView() override { NotificationCenter::defaultCenter().removeObserver(this); }
  // What a view does later, for instance on a timer: reads its document.
  uint32_t poke() const { return document ? document->totalLength() : 0; }
  bool isFocusView() const override { return false; }
  void makeFocusView() override {}
  void setViewCursor(Qt::CursorShape) override {}
  void redisplay() override {}
  void setSelectionType(int32_t) override {}

  CBDocument* document;
  int closings = 0;
};

TEST_F(CBDocumentTest, AfterClosingNoViewReachesTheDocument) {
  auto other = CBDocument::create();
  ASSERT_NE(other, nullptr);
  ClosingView view(document.get());
  ClosingView otherView(other.get());
  EXPECT_GT(view.poke(), 0u);

  document->documentWillClose();
  document->documentWillClose();
  EXPECT_TRUE(document->isClosing());
  EXPECT_EQ(view.closings, 1);
  EXPECT_EQ(view.document, nullptr);
  // Closing one document says nothing to the views of another.
  EXPECT_EQ(otherView.closings, 0);
  EXPECT_EQ(otherView.document, other.get());
  // The destructor closes again: nothing more is posted.
  document.reset();
  EXPECT_EQ(view.closings, 1);
  EXPECT_EQ(view.poke(), 0u);  // under ASan a kept pointer would fault here
  other.reset();
  EXPECT_EQ(otherView.closings, 1);
  EXPECT_EQ(otherView.poke(), 0u);
}

TEST_F(CBDocumentTest, KinkInfosAreReadOnlyWithinTheTable) {
  const uint32_t first = SetText(QStringLiteral("line\n"));
  LineFormat line;
  line.firstCp = first;
  line.lineMarkCount = 30;  // more than the table holds
  for (uint32_t i = 0; i < kMaxLineMarks; ++i) line.lineMarks[i] = LineMark{first + 1, 3};
  document->saveKinkInfo(line);
  for (int32_t tag : {-1, int32_t(kKinkInfoCount), 1000, INT32_MIN}) {
    EXPECT_EQ(document->kinkInfo(tag), nullptr) << tag;
    document->executeSpecial(tag);
    document->copyLink(tag);
    document->openLinkFile(tag);
  }
  const KinkInfo* info = document->kinkInfo(24);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->cp, int32_t(first + 1));
  EXPECT_EQ(info->charIndex, 1u);
  EXPECT_EQ(info->lineKink, 3);
  // A shorter line clears the entries it does not fill.
  line.lineMarkCount = 2;
  document->saveKinkInfo(line);
  EXPECT_NE(document->kinkInfo(1), nullptr);
  EXPECT_EQ(document->kinkInfo(2), nullptr);
}

TEST_F(CBDocumentTest, TheSelectionChangeOfAWindowIsNotTheDocuments) {
  document->setUndoDomain(5);
  int other = 0;
  NotificationCenter::defaultCenter().post(g_cvbSelectionChangeNotification, &other);
  EXPECT_EQ(document->undoDomain(), 5);
  NotificationCenter::defaultCenter().post(g_cvbSelectionChangeNotification, document.get());
  EXPECT_EQ(document->undoDomain(), 1);
}

TEST_F(CBDocumentTest, ListCommandsWrapAndUnwrapTheSelectedParagraphs) {
  document->blinkInsertionPoint();  // loaded
  const uint32_t first = SetText(QStringLiteral("a\nb\nrest\n"));
  SelectCps(doc, first, first + 3, false);
  ListProps list;
  ASSERT_TRUE(document->insertList(&list));
  EXPECT_TRUE(document->everEdited());
  ASSERT_EQ(SizeOfDynamicCPArray(doc->listMarks), 1u);
  KnotFormat knot;
  EXPECT_TRUE(FetchList(doc, nullptr, first + 1, &knot, nullptr));
  // Converting takes the list away again and keeps the text.
  SelectCps(doc, first + 1, first + 1, false);
  ASSERT_TRUE(document->convertList());
  EXPECT_EQ(SizeOfDynamicCPArray(doc->listMarks), 0u);
  DocRange body;
  GetDocumentRange(doc, &body, false);
  EXPECT_EQ(RawTextString(doc, body.first, body.limit), QStringLiteral("a\nb\nrest\n"));
  EXPECT_TRUE(ValidateDocument(doc));
}

}  // namespace
