#include <gtest/gtest.h>

#include <QImage>

#include "QStringPrinter.h"
#include "richtext/Bookmarks.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/Editing.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Selection.h"
#include "richtext/SelectionCommands.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/CSAlertPresenter.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

// A literal with its knot marks (0 units) kept.
template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

class SelectionCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    CSRecordingAlertPresenter::shared().clear();
  }
  // A document in a pane that shows the whole text (not a chapter's kinks).
  CorvaneDoc* Make(const QString& text) {
    builder.text(text);
    CurrentPane(builder.doc())->contentsKind = 0;
    return builder.doc();
  }
  CorvaneDoc* doc() { return builder.doc(); }
  QString Body() { return RawTextString(doc(), kBody, doc()->textLimit); }
  uint32_t ParaStyleAt(uint32_t cp) {
    ParaProps props;
    FetchParaProps(doc(), nullptr, cp, nullptr, &props);
    return props.style;
  }
  uint32_t BuiltinAt(uint32_t cp) { return StyleEntryAt(doc(), ParaStyleAt(cp)).builtinId; }
  CharProps CharsAt(uint32_t cp) {
    CharProps props;
    FetchCharProps(doc(), nullptr, cp, &props);
    return props;
  }
  void MakeBold(uint32_t first, uint32_t limit) {
    Properties bold;
    bold.type = kCharProperties;
    bold.body.charProps = CharsAt(first);
    bold.body.charProps.bold = 1;
    const DocRange range{doc(), first, limit};
    ASSERT_TRUE(ApplyPropsToRange(&range, &bold, 0));
  }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  RichTextBuilder builder;
};

TEST_F(SelectionCommandsTest, AParagraphStyleKeepsLocalFormatting) {
  Make(QStringLiteral("plain bold\nnext\n"));
  MakeBold(kBody + 6, kBody + 10);
  Properties para, chars;
  ASSERT_TRUE(GetStyleProps(doc(), 0, kParaProperties, &para, &chars));
  para.body.para.indentl = 12700 * 36;
  chars.body.charProps.size = 96;
  const uint32_t heading = CreateStyle(doc(), QStringLiteral("Heading"), kNotBuiltinStyle, kNormalStyleBase, kStyleNone,
                                       &para, &chars, false);
  ASSERT_NE(heading, kNoPropertyIndex);
  SelectCps(doc(), kBody + 2, kBody + 3, false);
  ASSERT_TRUE(ApplyStyle(doc(), heading, 0));
  EXPECT_EQ(ParaStyleAt(kBody), heading);
  EXPECT_EQ(ParaStyleAt(kBody + 11), 0u);  // the next paragraph keeps its style
  ParaProps props;
  FetchParaProps(doc(), nullptr, kBody, nullptr, &props);
  EXPECT_EQ(props.indentl, 12700 * 36);
  EXPECT_EQ(CharsAt(kBody + 1).size, 96);
  EXPECT_FALSE(CharsAt(kBody + 1).bold);
  EXPECT_EQ(CharsAt(kBody + 7).size, 96);
  EXPECT_TRUE(CharsAt(kBody + 7).bold);  // local formatting stays
  EXPECT_NE(CharsAt(kBody + 12).size, 96);
  EXPECT_TRUE(ValidateDocument(doc()));
}

TEST_F(SelectionCommandsTest, StylesRefusedWhereTheyDontFit) {
  Make(QStringLiteral("text\n"));
  Properties table;
  SetDefaultProperties(doc(), kTableProperties, &table);
  const uint32_t tableStyle =
      CreateStyle(doc(), QStringLiteral("Grid"), kNotBuiltinStyle, kStyleNone, kStyleNone, &table, nullptr, false);
  ASSERT_NE(tableStyle, kNoPropertyIndex);
  SelectCps(doc(), kBody, kBody + 2, false);
  EXPECT_FALSE(ApplyStyle(doc(), tableStyle, 0));
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't change style."));
}

TEST_F(SelectionCommandsTest, ListsGoOnlyWhereTheyCan) {
  // "a", a table "\0x\1", "b"; then a link "\0u\0s\0" in "c"
  Make(Units(u"a\n\u0000x\u0001\nb\nc\u0000u\u0000s\u0000\n"));
  builder.knotMarks(kKnotTable, {kBody + 2, kBody + 4}, doc()->normalTableIndex)
      .knotMarks(kKnotLink, {kBody + 9, kBody + 11, kBody + 13});
  const QString before = Body();
  ListProps list;
  SelectCps(doc(), kBody, kBody + 7, false);
  EXPECT_FALSE(InsertList(doc(), list));
  SelectCps(doc(), kBody + 12, kBody + 12, false);
  EXPECT_FALSE(InsertList(doc(), list));
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("I can't insert a list there."));
  EXPECT_TRUE(alerts[0].moreInfo.contains(QStringLiteral("a table"))) << alerts[0].moreInfo.toStdString();
  EXPECT_EQ(alerts[1].message, QStringLiteral("I can't insert a list there."));
  EXPECT_TRUE(alerts[1].moreInfo.contains(QStringLiteral("link")));
  EXPECT_EQ(Body(), before);
}

TEST_F(SelectionCommandsTest, InsertingAListWrapsWholeParagraphs) {
  Make(QStringLiteral("one\ntwo\nrest\n"));
  SelectCps(doc(), kBody + 1, kBody + 5, false);
  ListProps list;
  list.mark[0] = ListMarker{kMarkerBullet, 0, 0x2022, 0};
  ASSERT_TRUE(InsertList(doc(), list));
  EXPECT_EQ(Body(), Units(u"\u0000one\ntwo\n\u0001rest\n"));
  KnotFormat knot;
  ListProps props;
  ASSERT_TRUE(FetchList(doc(), nullptr, kBody + 2, &knot, &props));
  EXPECT_EQ(knot.start, kBody);
  EXPECT_EQ(knot.limit, kBody + 10);
  EXPECT_EQ(props.mark[0].character, 0x2022);
  EXPECT_EQ(BuiltinAt(kBody + 1), kFirstListStyleId);
  EXPECT_EQ(BuiltinAt(kBody + 5), kFirstListStyleId);
  EXPECT_NE(BuiltinAt(kBody + 11), kFirstListStyleId);
  EXPECT_EQ(SizeOfDynamicCPArray(doc()->listMarks), 1u);
  EXPECT_TRUE(ValidateDocument(doc()));
}

TEST_F(SelectionCommandsTest, IndentingMovesEntriesAndTheirSubEntries) {
  Make(QStringLiteral("a\nb\nc\nd\n"));
  SelectCps(doc(), kBody, kBody + 7, false);
  ASSERT_TRUE(InsertList(doc(), ListProps{}));
  // list: a 15, b 17, c 19, d 21
  const auto level = [&](uint32_t cp) { return BuiltinAt(cp) - kFirstListStyleId + 1; };
  const auto indentAt = [&](uint32_t cp, bool in) {
    SelectCps(doc(), cp, cp, false);
    ChangeListIndent(doc(), in);
  };
  indentAt(kBody + 3, true);  // b to level 2
  EXPECT_EQ(level(kBody + 1), 1u);
  EXPECT_EQ(level(kBody + 3), 2u);
  indentAt(kBody + 1, true);  // a and its sub-entry b
  EXPECT_EQ(level(kBody + 1), 2u);
  EXPECT_EQ(level(kBody + 3), 3u);
  EXPECT_EQ(level(kBody + 5), 1u);
  for (int i = 0; i < 12; ++i) indentAt(kBody + 7, true);
  EXPECT_EQ(BuiltinAt(kBody + 7), kLastListStyleId);  // "list 9" stays "list 9"
  indentAt(kBody + 5, false);                         // "list 1" out of the list's levels
  EXPECT_EQ(BuiltinAt(kBody + 5), 0u);
  EXPECT_TRUE(ValidateDocument(doc()));
}

TEST_F(SelectionCommandsTest, OutdentingAFlatListRemovesIt) {
  Make(QStringLiteral("a\nb\n"));
  SelectCps(doc(), kBody, kBody + 3, false);
  ASSERT_TRUE(InsertList(doc(), ListProps{}));
  SelectCps(doc(), kBody + 1, kBody + 1, false);
  ChangeListIndent(doc(), false);
  EXPECT_EQ(Body(), QStringLiteral("a\nb\n"));
  EXPECT_EQ(SizeOfDynamicCPArray(doc()->listMarks), 0u);
  EXPECT_TRUE(ValidateDocument(doc()));
  // Indenting outside a list makes one.
  SelectCps(doc(), kBody, kBody, false);
  ChangeListIndent(doc(), true);
  EXPECT_EQ(SizeOfDynamicCPArray(doc()->listMarks), 1u);
}

TEST_F(SelectionCommandsTest, InsertingALink) {
  Make(QStringLiteral("see here\n"));
  SelectCps(doc(), kBody + 4, kBody + 8, false);
  const QString shown = QStringLiteral("the site");
  ASSERT_TRUE(InsertLink(doc(), QStringLiteral(" www.example.org "), &shown, 0));
  EXPECT_EQ(Body(), Units(u"see \u0000http://www.example.org\u0000the site\u0000\n"));
  KnotFormat link;
  FetchKnot(doc(), kBody + 6, &link, kKnotLink);
  ASSERT_NE(link.index, kNoCpValue);
  EXPECT_EQ(link.start, kBody + 4);
  DocRange caret;
  GetSelectionRange(doc(), &caret);
  EXPECT_EQ(caret.first, link.limit);
  const uint32_t linkStyle = StyleIndexForStyleId(doc(), 6, false, false);
  ASSERT_NE(linkStyle, kNoPropertyIndex);
  EXPECT_EQ(PropertiesAtIndex(doc(), RunIndexForCp(doc()->charRuns, kBody + 30, nullptr))->body.charProps.style,
            linkStyle);
  // Inserting again inside the link changes it.
  SelectCps(doc(), kBody + 30, kBody + 30, false);
  ASSERT_TRUE(InsertLink(doc(), QStringLiteral("http://b.org"), nullptr, 0));
  EXPECT_EQ(Body(), Units(u"see \u0000http://b.org\u0000http://b.org\u0000\n"));
  EXPECT_TRUE(ValidateDocument(doc()));
}

TEST_F(SelectionCommandsTest, InsertingAPicture) {
  Make(QStringLiteral("ab\n"));
  QImage bitmap(4, 3, QImage::Format_ARGB32_Premultiplied);
  bitmap.fill(Qt::red);
  SelectCps(doc(), kBody + 1, kBody + 1, false);
  ASSERT_TRUE(InsertPicture(doc(), CSImage::initWithCGImage(bitmap, QSizeF(0, 0)), nullptr, 0));
  EXPECT_EQ(Body(), Units(u"a\u0000b\n"));
  KnotEntry entry;
  ASSERT_TRUE(KnotEntryAtCp(doc(), kBody + 1, &entry));
  EXPECT_EQ(entry.type, kKnotPicture);
  EXPECT_EQ(entry.word1, 0u);
  EXPECT_EQ(entry.word2, 3u);
  EXPECT_EQ(entry.word3, 16383);
  DocRange caret;
  GetSelectionRange(doc(), &caret);
  EXPECT_EQ(caret.first, kBody + 2);
  // A picture replacing a selected picture keeps its alignment and zoom.
  uint32_t index = 0;
  ASSERT_TRUE(KnotEntryAtCp(doc(), kBody + 1, nullptr, &index));
  auto* stored = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, index));
  stored->word2 = 1;
  stored->word3 = 500;
  g_corvaneConfig.fixedPictureZoom = 1;
  SelectCps(doc(), kBody + 1, kBody + 2, false);
  ASSERT_TRUE(InsertPicture(doc(), CSImage::initWithCGImage(bitmap, QSizeF(0, 0)), nullptr, 0));
  ASSERT_TRUE(KnotEntryAtCp(doc(), kBody + 1, &entry));
  EXPECT_EQ(entry.word1, 1u);
  EXPECT_EQ(entry.word2, 1u);
  EXPECT_EQ(entry.word3, 500);
  EXPECT_EQ(Body(), Units(u"a\u0000b\n"));
  EXPECT_TRUE(ValidateDocument(doc()));
}

TEST_F(SelectionCommandsTest, AReferenceJumpsToItsBookmark) {
  // bookmark "\0g\0Name\0" at 15-22, then a reference at 23 and a date at 24
  Make(Units(u"x\u0000g\u0000Name\u0000\u0000\u0000\n"));
  builder.knotMarks(kKnotBookmark, {kBody + 1, kBody + 3, kBody + 8})
      .knot(kBody + 9, kKnotVariable, kKinkSingle)
      .knot(kBody + 10, kKnotVariable, kKinkSingle);
  IdentifyBookmarks(doc());
  uint32_t index = 0;
  ASSERT_TRUE(KnotEntryAtCp(doc(), kBody + 9, nullptr, &index));
  auto* reference = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, index));
  reference->word1 = kVariableBookmarkRef;
  reference->word2 = GuidIndexForBookmarkIndex(doc(), 0);
  ASSERT_TRUE(KnotEntryAtCp(doc(), kBody + 10, nullptr, &index));
  static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, index))->word1 = kVariableDate;
  // What selecting the bookmark's marks gives.
  SelectCps(doc(), kBody + 1, kBody + 9, false);
  DocRange bookmark;
  GetSelectionRange(doc(), &bookmark);
  SelectCps(doc(), kBody, kBody, false);
  EXPECT_FALSE(CheckVariableJump(doc(), kBody + 10));
  EXPECT_FALSE(CheckVariableJump(doc(), kBody));
  DocRange selection;
  GetSelectionRange(doc(), &selection);
  EXPECT_EQ(std::make_pair(selection.first, selection.limit), std::make_pair(kBody, kBody));
  ASSERT_TRUE(CheckVariableJump(doc(), kBody + 9));
  GetSelectionRange(doc(), &selection);
  EXPECT_EQ(std::make_pair(selection.first, selection.limit), std::make_pair(bookmark.first, bookmark.limit));
  // A reference to a bookmark that is gone jumps nowhere.
  const DocRange marks{doc(), kBody + 1, kBody + 9};
  ASSERT_TRUE(DeleteTextInRange(&marks));
  EXPECT_FALSE(CheckVariableJump(doc(), kBody + 1));
}

TEST_F(SelectionCommandsTest, MoleculesOnTheSelection) {
  Make(QStringLiteral("abcd\n"));
  const uint16_t on = 1;
  MoleculePtr bold(NewMolecule(kCharProperties, kCharAtomBold, &on));
  ASSERT_TRUE(bold);
  const uint32_t before = RunIndexForCp(doc()->charRuns, kBody, nullptr);
  SelectCps(doc(), kBody + 1, kBody + 1, false);
  ApplyMoleculeToSelection(doc(), bold.get(), 0, 0);
  EXPECT_TRUE(CurrentPane(doc())->caretProps.bold);  // a caret: only its properties
  EXPECT_EQ(RunIndexForCp(doc()->charRuns, kBody + 1, nullptr), before);
  SelectCps(doc(), kBody + 1, kBody + 3, false);
  ApplyMoleculeToSelection(doc(), bold.get(), 0, 0);
  EXPECT_FALSE(CharsAt(kBody).bold);
  EXPECT_TRUE(CharsAt(kBody + 1).bold);
  EXPECT_TRUE(CharsAt(kBody + 2).bold);
  EXPECT_FALSE(CharsAt(kBody + 3).bold);
  // Back to the style: the local bold goes.
  SelectCps(doc(), kBody, kBody + 4, false);
  ReturnToStyle(doc(), 0);
  EXPECT_FALSE(CharsAt(kBody + 1).bold);
  EXPECT_TRUE(ValidateDocument(doc()));
}

}  // namespace
