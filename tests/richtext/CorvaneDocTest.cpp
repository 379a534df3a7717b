#include "richtext/CorvaneDoc.h"

#include <gtest/gtest.h>

#include <vector>

#include "QStringPrinter.h"
#include "platform/NotificationCenter.h"
#include "richtext/CorvaneHost.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

// Text with NUL units in it (knot marks).
template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

KnotEntry EntryAtIndex(CorvaneDoc* doc, uint32_t index) {
  KnotEntry entry;
  FetchDynamicCPArrayEntry(doc->knots, index, &entry);
  return entry;
}

class NewDocumentTest : public ::testing::TestWithParam<int32_t> {};

TEST_P(NewDocumentTest, StartsWithTheFixedContent) {
  CorvaneDoc* doc = NewCorvaneDoc(GetParam());
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->cpLimit, 16u);
  EXPECT_EQ(doc->textLimit, 15u);
  const std::vector<char16_t> expected = {0, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 10};
  for (uint32_t cp = 0; cp < 16; ++cp) EXPECT_EQ(CharacterAtCp(doc, cp), expected[cp]) << cp;
  EXPECT_EQ(SizeOfDynamicCPArray(doc->pieces), 1u);
  EXPECT_EQ(doc->lastBufferSize, 4096u);
  EXPECT_EQ(doc->lastBufferFree, 255u);

  // The first chapter: begin at 0, middles at the odd cps 1-11, end at 13.
  ASSERT_EQ(SizeOfDynamicCPArray(doc->knots), 8u);
  for (uint32_t i = 0; i < 8; ++i) {
    const KnotEntry entry = EntryAtIndex(doc, i);
    const uint32_t cp = CpAtIndex(doc->knots, i);
    EXPECT_EQ(entry.type, uint32_t(kKnotChapter));
    if (i == 0) {
      EXPECT_EQ(cp, 0u);
      EXPECT_EQ(entry.role, uint32_t(kKinkBegin));
      EXPECT_EQ(entry.props, doc->firstChapterIndex);
    } else if (i == 7) {
      EXPECT_EQ(cp, 13u);
      EXPECT_EQ(entry.role, uint32_t(kKinkEnd));
    } else {
      EXPECT_EQ(cp, 2 * i - 1);
      EXPECT_EQ(entry.role, uint32_t(kKinkMiddle));
      EXPECT_EQ(entry.props, kNoPropertyIndex);
    }
  }
  EXPECT_EQ(SizeOfDynamicCPArray(doc->chapterMarks), 1u);
  EXPECT_EQ(CpAtIndex(doc->chapterMarks, 0), 0u);

  // One char run and one para run at 0, on the "Normal" style's records.
  ASSERT_EQ(SizeOfDynamicCPArray(doc->charRuns), 1u);
  ASSERT_EQ(SizeOfDynamicCPArray(doc->paraRuns), 1u);
  uint32_t charIndex = 0, paraIndex = 0;
  EXPECT_EQ(FetchDynamicCPArrayEntry(doc->charRuns, 0, &charIndex), 0u);
  EXPECT_EQ(FetchDynamicCPArrayEntry(doc->paraRuns, 0, &paraIndex), 0u);
  StyleEntry normal;
  EXPECT_EQ(FetchDynamicStringArrayEntry(doc->styles, 0, &normal), QStringLiteral("Normal"));
  EXPECT_EQ(normal.props, paraIndex);
  EXPECT_EQ(normal.charProps, charIndex);
  EXPECT_EQ(PropertiesAtIndex(doc, charIndex)->type, uint32_t(kCharProperties));
  EXPECT_EQ(PropertiesAtIndex(doc, charIndex)->body.charProps.size, 48);
  EXPECT_EQ(PropertiesAtIndex(doc, paraIndex)->type, uint32_t(kParaProperties));
  EXPECT_EQ(PropertiesAtIndex(doc, doc->normalTableIndex)->body.table.cleft, 25400);
  EXPECT_EQ(PropertiesAtIndex(doc, doc->normalListIndex)->body.list.mark[0].character, u'\u2022');
  EXPECT_EQ(PropertiesAtIndex(doc, doc->firstChapterIndex)->body.chapter.cols, 1);
  EXPECT_EQ(doc->docProps.deftab, 457200);

  DocRange range;
  GetDocumentRange(doc, &range, false);
  EXPECT_EQ(range.first, 14u);
  EXPECT_EQ(range.limit, 14u);
  GetDocumentRange(doc, &range, true);
  EXPECT_EQ(range.limit, 15u);
  EXPECT_EQ(KnotLimitCp(doc, 0), 14u);

  // Only a shown document starts without a pane.
  EXPECT_EQ(doc->paneCount, GetParam() == kViewDocument ? 0u : 1u);
  if (GetParam() == kViewDocument) {
    uint32_t id = 0;
    ASSERT_EQ(SizeOfDynamicArray(doc->styleList), 5u);
    FetchDynamicArrayEntry(doc->styleList, 0, &id);
    EXPECT_EQ(id, 5000u);
  }
  DestroyDocument(doc);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, NewDocumentTest,
                         ::testing::Values(kClipboardDocument, kHelpDocument, kTemporaryDocument,
                                           kPreferencesDocument, kViewDocument));

TEST(CorvaneDocTest, NullsAreSafe) {
  DestroyDocument(nullptr);
  DocRange range{reinterpret_cast<CorvaneDoc*>(8), 3, 4};
  GetDocumentRange(nullptr, &range, true);
  EXPECT_EQ(range.doc, nullptr);
  EXPECT_EQ(range.first + range.limit, 0u);
  EXPECT_EQ(CurrentPane(nullptr), nullptr);
  EXPECT_EQ(DocumentTextPtr(nullptr, 0, nullptr), nullptr);
}

TEST(CorvaneDocTest, ParagraphBreaks) {
  for (char16_t unit : {char16_t(1), char16_t(10), char16_t(11), char16_t(12)}) EXPECT_TRUE(IsParaBreak(unit));
  for (char16_t unit : {char16_t(0), char16_t(13), char16_t(9), char16_t(u'a')}) EXPECT_FALSE(IsParaBreak(unit));
}

TEST(CorvaneDocTest, InsetRangeNeverInverts) {
  struct Case {
    uint32_t first, limit, insetFirst, insetLimit;
  };
  const Case cases[] = {{10, 20, 11, 19}, {10, 12, 11, 11}, {10, 11, 11, 11}, {10, 10, 10, 10}};
  for (const Case& c : cases) {
    DocRange range;
    const DocRange source{nullptr, c.first, c.limit};
    InsetRange(&source, &range);
    EXPECT_EQ(range.first, c.insetFirst) << c.first << "-" << c.limit;
    EXPECT_EQ(range.limit, c.insetLimit) << c.first << "-" << c.limit;
  }
}

TEST(CorvaneDocTest, WithoutAChapterAtTheStartTheBodyStartsAtZero) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  DeleteFromDynamicCPArray(doc->knots, 0, SizeOfDynamicCPArray(doc->knots));
  DocRange range;
  GetDocumentRange(doc, &range, true);
  EXPECT_EQ(range.first, 0u);
  EXPECT_EQ(range.limit, 15u);
}

TEST(CorvaneDocTest, UndoHooksGrantEverythingAndRecordNothing) {
  UndoScope scope;
  EXPECT_EQ(InitUndoScope(7, 3, &scope), 0u);
  EXPECT_EQ(scope.owner, 7u);
  EXPECT_EQ(scope.kind, 3u);
  DocRange range;
  EXPECT_TRUE(SetUndoForRange(&range, 1, 2, 3));
  EXPECT_TRUE(SetAtomicUndo());
  CommitUndoForRange(&range);
  CommitUndo();
}

// ---- Text access --------------------------------------------------------------------

TEST(TextAccessTest, FetchTextCopiesExactlyTheCountAcrossPieces) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abcdefghijklmnopqrstuvwxyz"), 4);
  CorvaneDoc* doc = builder.doc();
  ASSERT_EQ(SizeOfDynamicCPArray(doc->pieces), 8u);  // the chapter's piece and seven of four
  EXPECT_EQ(doc->cpLimit, 14u + 26u + 1u);

  char16_t buffer[32] = {};
  uint32_t count = 9;
  FetchText(doc, 16, doc->cpLimit, buffer, &count);  // from "c", crossing two pieces
  EXPECT_EQ(count, 9u);
  EXPECT_EQ(QString::fromUtf16(buffer, 9), QStringLiteral("cdefghijk"));
  EXPECT_EQ(buffer[9], 0);

  count = 30;
  FetchText(doc, 38, 40, buffer, &count);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(QString::fromUtf16(buffer, 2), QStringLiteral("yz"));
  count = 30;
  FetchText(doc, 40, 40, buffer, &count);
  EXPECT_EQ(count, 0u);
  count = 30;
  FetchText(doc, 40, 2000, buffer, &count);  // the limit stays within the text
  EXPECT_EQ(count, 1u);

  EXPECT_EQ(RawTextString(doc, 12, 17), Units(u"\n\u0001abc"));
  EXPECT_TRUE(RawTextString(doc, 17, 17).isEmpty());
  EXPECT_FALSE(RawTextString(doc, 17, 17).isNull());

  uint32_t pieceLimit = 0, pieceStart = 0;
  EXPECT_EQ(*DocumentTextPtr(doc, 21, &pieceLimit), u'h');
  EXPECT_EQ(pieceLimit, 22u);
  EXPECT_EQ(*DocumentTextPtrBackward(doc, 21, &pieceStart), u'h');
  EXPECT_EQ(pieceStart, 18u);
}

TEST(TextAccessTest, AtTheLimitTheClosingMarkIsRead) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  const char16_t* last = DocumentTextPtr(doc, doc->cpLimit - 1, nullptr);
  EXPECT_EQ(DocumentTextPtr(doc, doc->cpLimit, nullptr), last);
  EXPECT_EQ(DocumentTextPtr(doc, 0xFFFFFFFF, nullptr), last);
  EXPECT_EQ(*last, u'\n');
  EXPECT_EQ(StoreCharacterAtCp(doc, doc->cpLimit, u'x'), nullptr);
  ASSERT_NE(StoreCharacterAtCp(doc, 14, u'x'), nullptr);
  EXPECT_EQ(CharacterAtCp(doc, 14), u'x');
}

TEST(TextAccessTest, CountedStringsHoldAtMost255Units) {
  RichTextBuilder builder;
  builder.text(QString(300, QChar(u'q')), 64);
  CountedString string;
  EXPECT_EQ(FetchUstringFromRange(DocRange{builder.doc(), 14, 314}, &string), 255u);
  EXPECT_EQ(string.length, 255);
  EXPECT_EQ(string.units[254], u'q');
  EXPECT_EQ(string.units[255], 0);
}

// ---- Interning ----------------------------------------------------------------------

TEST(PropertyTableTest, EqualBodiesShareAnIndex) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  const uint32_t before = SizeOfDynamicArray(doc->propertyTable);

  Properties red;
  SetBaseProperties(kCharProperties, &red);
  red.body.charProps.color = 0x64FF0000;
  Properties redAgain = red;
  const uint32_t index = IndexForProperties(doc, &red);
  EXPECT_EQ(index, before);
  EXPECT_EQ(PropertiesAtIndex(doc, index)->ownIndex, index);
  redAgain.body.bytes[sizeof(CharProps) + 1] = 5;  // past the body: not compared
  EXPECT_EQ(IndexForProperties(doc, &redAgain), index);
  doc->cachedCharIndex = kNoPropertyIndex;  // found by the search as well as the cache
  EXPECT_EQ(IndexForProperties(doc, &redAgain), index);

  // Borders of kind None intern as one, whatever their widths and colours.
  Properties a, b;
  SetBaseProperties(kParaProperties, &a);
  SetBaseProperties(kParaProperties, &b);
  a.body.para.border.bwidth = 7;
  b.body.para.border.incolor = 0x64123456;
  b.body.para.border.bline = 2;
  const uint32_t paraIndex = IndexForProperties(doc, &a);
  doc->cachedParaIndex = kNoPropertyIndex;
  EXPECT_EQ(IndexForProperties(doc, &b), paraIndex);
  EXPECT_EQ(SizeOfDynamicArray(doc->propertyTable), before + 1 + (paraIndex >= before ? 1 : 0));

  // A record changed in place is found by its new body once the index is
  // told.
  PropertiesAtIndex(doc, index)->body.charProps.color = 0x640000FF;
  InvalidatePropertyIndex(doc);
  doc->cachedCharIndex = kNoPropertyIndex;
  Properties blue;
  SetBaseProperties(kCharProperties, &blue);
  blue.body.charProps.color = 0x640000FF;
  EXPECT_EQ(IndexForProperties(doc, &blue), index);

  // Another type with the same bytes is another record.
  Properties border;
  InitProperties(kBorderProperties, &border, &a.body.para.border);
  EXPECT_NE(IndexForProperties(doc, &border), paraIndex);
}

// ---- Knots ----------------------------------------------------------------------------

// Body: "go " link(address "x", shown "ab") " end\n", then a bookmark
// around "bm" and a picture mark.
class KnotQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    //            14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34
    // text:       g  o  _  L0 x  M0 a  b  E0 _  e  n  d  B0 g  u  i  d  M  n  E  P  \n
    const QString body = Units(u"go \u0000x\u0000ab\u0000 end\u0000guid\u0000n\u0000\u0000\n");
    builder.text(body, 5)
        .knot(17, kKnotLink, kKinkBegin)
        .knot(19, kKnotLink, kKinkMiddle)
        .knot(22, kKnotLink, kKinkEnd)
        .knot(27, kKnotBookmark, kKinkBegin)
        .knot(32, kKnotBookmark, kKinkMiddle)
        .knot(34, kKnotBookmark, kKinkEnd)
        .knot(35, kKnotPicture, kKinkSingle);
  }
  RichTextBuilder builder;
};

TEST_F(KnotQueryTest, FetchKnotFindsTheInnermostKnotAndItsKink) {
  CorvaneDoc* doc = builder.doc();
  KnotFormat knot;
  FetchKnot(doc, 20, &knot, 0);  // between the link's middle and end marks
  EXPECT_EQ(knot.entry.type, uint32_t(kKnotLink));
  EXPECT_EQ(knot.start, 17u);
  EXPECT_EQ(knot.limit, 23u);
  EXPECT_EQ(knot.kinkCount, 3u);
  EXPECT_EQ(knot.kinkIndex, 1u);
  EXPECT_EQ(knot.kinks[1], 19u);
  EXPECT_EQ(knot.knotClass, 1u);

  for (uint32_t cp : {17u, 18u, 22u}) {
    FetchKnot(doc, cp, &knot, 0);
    EXPECT_EQ(knot.start, 17u) << cp;
  }
  FetchKnot(doc, 20, &knot, kKnotBookmark);  // another type asked for
  EXPECT_EQ(knot.index, 0xFFFFFFFFu);
  FetchKnot(doc, 24, &knot, 0);  // in the chapter's body, between knots
  EXPECT_EQ(knot.index, 0xFFFFFFFFu);
  FetchKnot(doc, 14, &knot, 0);
  EXPECT_EQ(knot.index, 0xFFFFFFFFu);
  FetchKnot(doc, 5, &knot, 0);  // inside the first chapter's header
  EXPECT_EQ(knot.entry.type, uint32_t(kKnotChapter));
  EXPECT_EQ(knot.kinkCount, 8u);
  EXPECT_EQ(knot.kinkIndex, 3u);
  FetchKnot(doc, 35, &knot, 0);
  EXPECT_EQ(knot.entry.type, uint32_t(kKnotPicture));
  EXPECT_EQ(knot.limit, 36u);
  FetchKnot(doc, doc->cpLimit, &knot, 0);
  EXPECT_EQ(knot.index, 0xFFFFFFFFu);

  EXPECT_EQ(KnotLimitCp(doc, 17), 23u);
  EXPECT_EQ(KnotLimitCp(doc, 27), 35u);
  EXPECT_EQ(KnotLimitCp(doc, 35), 36u);
  EXPECT_EQ(KnotLimitCp(doc, 19), 0xFFFFFFFFu);  // a middle mark
  EXPECT_EQ(KnotLimitCp(doc, 20), 0xFFFFFFFFu);  // no mark
}

TEST(KnotLimitsTest, MoreThanTheKinkCapGivesNoKnot) {
  RichTextBuilder builder;
  QString body;
  const uint32_t middles = kMaxKinks;  // with begin and end: two too many
  body.append(QChar(u'\0'));
  for (uint32_t i = 0; i < middles; ++i) body.append(QStringLiteral("r")).append(QChar(u'\0'));
  body.append(QStringLiteral("r")).append(QChar(u'\0')).append(QChar(u'\n'));
  builder.text(body);
  uint32_t cp = RichTextBuilder::kBodyStart;
  builder.knot(cp, kKnotRow, kKinkBegin);
  for (uint32_t i = 0; i < middles; ++i) builder.knot(cp += 2, kKnotRow, kKinkMiddle);
  builder.knot(cp += 2, kKnotRow, kKinkEnd);
  KnotFormat knot;
  FetchKnot(builder.doc(), RichTextBuilder::kBodyStart + 1, &knot, 0);
  EXPECT_EQ(knot.index, 0xFFFFFFFFu);
}

// ---- Panes ------------------------------------------------------------------------------

TEST(PanesTest, SlotsHoldTwoPanesAndCloseTheGap) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  QObject first, second;
  ASSERT_TRUE(SetupPane(doc, &first, 1, 0xFFFFFFFF));
  ASSERT_TRUE(SetupPane(doc, &second, 1, 0xFFFFFFFF));
  EXPECT_EQ(doc->currentPane, 1u);
  EXPECT_FALSE(SetupPane(doc, nullptr, 1, 0xFFFFFFFF));  // a third fails harmlessly
  EXPECT_EQ(doc->paneCount, 2u);
  EXPECT_EQ(doc->currentPane, 1u);
  EXPECT_EQ(PaneAtIndex(doc, 2), nullptr);
  EXPECT_EQ(PaneAtIndex(doc, 1)->view, &second);

  // A new pane starts at the first cp it shows: past the first chapter.
  EXPECT_EQ(PaneAtIndex(doc, 0)->firstCp, 14);
  EXPECT_EQ(PaneAtIndex(doc, 0)->anchor, 14);
  EXPECT_EQ(PaneAtIndex(doc, 0)->zoom, 1.0f);
  EXPECT_EQ(PaneAtIndex(doc, 0)->margin, 12.0f);

  CSArrayCP* movedCache = PaneAtIndex(doc, 1)->displayLines;
  FreePane(doc, 0);
  EXPECT_EQ(doc->paneCount, 1u);
  EXPECT_EQ(doc->currentPane, 1u);  // kept
  EXPECT_EQ(PaneAtIndex(doc, 0)->view, &second);
  EXPECT_EQ(PaneAtIndex(doc, 0)->displayLines, movedCache);
  EXPECT_EQ(PaneAtIndex(doc, 1)->displayLines, nullptr);
  EXPECT_EQ(CurrentPane(doc), PaneAtIndex(doc, 0));  // the index past the count resets
  EXPECT_EQ(doc->currentPane, 0u);
}

TEST(PanesTest, CurrentPaneSetsUpPaneZeroAndTheOverrideWins) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  ASSERT_EQ(doc->paneCount, 0u);
  Pane* pane = CurrentPane(doc);
  EXPECT_EQ(pane, PaneAtIndex(doc, 0));
  EXPECT_EQ(doc->paneCount, 1u);
  EXPECT_EQ(pane->contentsKind, 1);
  Pane temporary;
  SetDummyPane(&temporary, true);
  EXPECT_EQ(temporary.contentsKind, 4);
  EXPECT_EQ(temporary.contentsFlags[0], 1);
  doc->overridePane = &temporary;
  EXPECT_EQ(CurrentPane(doc), &temporary);
  doc->overridePane = nullptr;
}

TEST(PanesTest, WithoutADisplayLineCacheTheFailSafePaneServes) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  RichTextBuilder other;
  other.text(QStringLiteral("abc\n"));
  const bool wasFailing = SetDisplayLineCacheFailure(true);
  EXPECT_FALSE(SetupPane(doc, nullptr, 1, 0xFFFFFFFF));
  EXPECT_EQ(doc->paneCount, 0u);
  EXPECT_EQ(doc->currentPane, 0u);
  EXPECT_FALSE(EnsurePaneExists(doc));
  Pane* pane = CurrentPane(doc);
  ASSERT_NE(pane, nullptr);
  EXPECT_NE(pane, PaneAtIndex(doc, 0));
  EXPECT_EQ(doc->paneCount, 0u);
  EXPECT_EQ(pane->contentsKind, 1);
  EXPECT_EQ(pane->view, nullptr);
  EXPECT_EQ(pane->displayLines, nullptr);
  EXPECT_EQ(pane->firstCp, 14);  // made for this document: past its first chapter
  EXPECT_EQ(pane->anchor, 14);
  EXPECT_EQ(pane->zoom, 1.0f);
  EXPECT_EQ(pane->margin, 12.0f);
  // It serves what needs a pane.
  DocRange paragraph;
  FetchParaProps(doc, nullptr, 14, &paragraph, nullptr);
  EXPECT_EQ(paragraph.first, 14u);
  EXPECT_EQ(paragraph.limit, 15u);
  // The one record is made afresh for each document that asks.
  pane->anchor = 3;
  EXPECT_EQ(CurrentPane(other.doc()), pane);
  EXPECT_EQ(pane->anchor, 14);
  SetDisplayLineCacheFailure(wasFailing);

  // Once a cache can be had the document gets its own pane.
  EXPECT_EQ(CurrentPane(doc), PaneAtIndex(doc, 0));
  EXPECT_EQ(doc->paneCount, 1u);
  EXPECT_NE(PaneAtIndex(doc, 0)->displayLines, nullptr);
}

TEST(PanesTest, ChapterConfinementAndDraftWidth) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  DocRange range;
  Pane pane;
  pane.chapterIndex = 0;
  GetPaneRange(doc, &pane, &range);
  EXPECT_EQ(range.first, 0u);
  EXPECT_EQ(range.limit, 15u);
  pane.chapterIndex = 4;  // past the last chapter
  GetPaneRange(doc, &pane, &range);
  EXPECT_EQ(range.limit, 15u);

  FakeCorvaneHost host;
  host.viewRect = QRectF(0, 0, 500, 300);
  ASSERT_TRUE(SetupPane(doc, nullptr, 1, 0xFFFFFFFF));
  Pane* current = CurrentPane(doc);
  current->zoom = 2;
  doc->fitToWindow = 1;
  EXPECT_EQ(DraftWidth(doc, current), 6197600);
  doc->fitToWindow = 0;
  doc->pageWidth = 612;
  EXPECT_EQ(DraftWidth(doc, current), 612 * 12700 - 2 * 914400);
}

// ---- Hooks that read records --------------------------------------------------------------

TEST(DocumentHooksTest, DefaultFontAndHelpFound) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  CharProps props;
  props.font = 9;
  props.size = 9;
  SetDefaultFont(doc, &props);
  EXPECT_EQ(props.font, 0);
  EXPECT_EQ(props.size, 48);

  QObject helpWindow;
  doc->hostWindow = &helpWindow;
  QVariantMap info;
  int posts = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &posts, QStringLiteral("cvb.helpFound"), &helpWindow, [&](const CSNotification& n) {
        ++posts;
        info = n.userInfo;
      });
  ShowFindRangeInHelp(DocRange{doc, 20, 26});
  NotificationCenter::defaultCenter().removeObserver(token);
  doc->hostWindow = nullptr;
  EXPECT_EQ(posts, 1);
  const QVariantMap range = info.value(QStringLiteral("range")).toMap();
  EXPECT_EQ(range.value(QStringLiteral("location")).toUInt(), 20u);
  EXPECT_EQ(range.value(QStringLiteral("length")).toUInt(), 6u);
}

TEST(StylesTest, BuiltinDefinitions) {
  RichTextBuilder builder(kTemporaryDocument);
  CorvaneDoc* doc = builder.doc();
  StyleEntry entry;
  Properties record, chars;
  GetBuiltinStyleDef(doc, kParaProperties, 23, &entry, &record, &chars);
  EXPECT_EQ(entry.builtinId, 23u);
  EXPECT_EQ(entry.base, 0u);
  EXPECT_EQ(record.body.para.indentl, 4 * 457200);
  EXPECT_EQ(record.body.para.indent1, -457200);
  GetBuiltinStyleDef(doc, kCharProperties, 6, &entry, &record, &chars);
  EXPECT_EQ(record.body.charProps.color, 0x64D92B27u);
  EXPECT_EQ(record.body.charProps.underline, 1u);
  EXPECT_EQ(PropTypeForStyle(doc, 5004), uint32_t(kTableProperties));
  EXPECT_EQ(PropTypeForStyle(doc, 4007), uint32_t(kParaProperties));
  EXPECT_EQ(PropTypeForStyle(doc, 4006), uint32_t(kCharProperties));
  EXPECT_EQ(PropTypeForStyle(doc, 0), uint32_t(kParaProperties));
}

}  // namespace
