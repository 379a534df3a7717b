#include <gtest/gtest.h>

#include "LogCapture.h"
#include "QStringPrinter.h"
#include "richtext/Knots.h"
#include "richtext/Molecules.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "support/CSAlertPresenter.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

Properties CharRecord(CorvaneDoc* doc) {
  Properties record;
  SetDefaultProperties(doc, kCharProperties, &record);
  return record;
}

Properties ParaRecord(CorvaneDoc* doc) {
  Properties record;
  SetDefaultProperties(doc, kParaProperties, &record);
  return record;
}

const CharProps& CharsOfStyle(CorvaneDoc* doc, uint32_t index) {
  return PropertiesAtIndex(doc, StyleEntryAt(doc, index).props)->body.charProps;
}

TEST(StyleIdsTest, NamesAndTypes) {
  struct Case {
    const char* name;
    uint32_t id;
  };
  const Case cases[] = {{"Normal", 0},     {"list 3", 23},  {"<Spare 4>", 7}, {"toc 1", 17},
                        {"<Spare 0>", 11}, {"List 3", 254}, {"list 9", 29},   {"", 254}};
  for (const Case& c : cases) EXPECT_EQ(StyleIdForName(QString::fromLatin1(c.name)), c.id) << c.name;
  EXPECT_EQ(BuiltinStyleName(34), QStringLiteral("<Spare 0>"));
  EXPECT_EQ(BuiltinStyleName(35), QStringLiteral(""));

  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  EXPECT_EQ(PropTypeForStyle(doc, 4006), uint32_t(kCharProperties));  // "link"
  EXPECT_EQ(PropTypeForStyle(doc, 4007), uint32_t(kParaProperties));
  EXPECT_EQ(PropTypeForStyle(doc, 5005), uint32_t(kListProperties));
  EXPECT_EQ(StyleIndexForName(doc, QStringLiteral("NORMAL")), 0u);
  EXPECT_EQ(StyleIndexForName(doc, QStringLiteral("list 1")), kNoPropertyIndex);
}

TEST(CreateStyleTest, EntriesRecordsAndBuiltins) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  const Properties para = ParaRecord(doc);
  const uint32_t own = CreateStyle(doc, QStringLiteral("Body"), kNotBuiltinStyle, 0, kStyleNone, &para, nullptr, false);
  ASSERT_EQ(own, 1u);
  EXPECT_EQ(StyleEntryAt(doc, own).next, own);  // its own next style
  EXPECT_EQ(PropertiesAtIndex(doc, StyleEntryAt(doc, own).props)->body.para.style, own);
  EXPECT_EQ(PropertiesAtIndex(doc, StyleEntryAt(doc, own).charProps)->body.charProps.style, 0);
  const uint32_t chained =
      CreateStyle(doc, QStringLiteral("Head"), kNotBuiltinStyle, 0, kNormalStyleBase + 1, &para, nullptr, false);
  EXPECT_EQ(StyleEntryAt(doc, chained).next, 0u);

  Properties chars = CharRecord(doc);
  chars.body.charProps.keylessSwitch6 = 1;
  const uint32_t emphasis = CreateStyle(doc, QStringLiteral("Em"), kNotBuiltinStyle, 1, 0, &chars, nullptr, false);
  EXPECT_EQ(CharsOfStyle(doc, emphasis).style, emphasis);
  EXPECT_EQ(CharsOfStyle(doc, emphasis).keylessSwitch6, 0);
  EXPECT_EQ(StyleEntryAt(doc, emphasis).base, 1u);

  // A builtin style on first use, and a base named by its builtin id.
  EXPECT_EQ(StyleIndexForStyleId(doc, 23, false, false), kNoPropertyIndex);
  const uint32_t list3 = StyleIndexForStyleId(doc, 23, true, false);
  ASSERT_NE(list3, kNoPropertyIndex);
  EXPECT_EQ(StyleName(doc, list3), QStringLiteral("list 3"));
  EXPECT_EQ(PropertiesAtIndex(doc, StyleEntryAt(doc, list3).props)->body.para.indentl, 4 * kHalfInch);
  EXPECT_EQ(StyleIndexForStyleId(doc, 23, true, false), list3);
  const uint32_t onLink = CreateStyle(doc, QStringLiteral("Hot"), kNotBuiltinStyle, 4006, 0, &chars, nullptr, false);
  const uint32_t link = StyleIndexForName(doc, QStringLiteral("link"));
  ASSERT_NE(link, kNoPropertyIndex);
  EXPECT_EQ(StyleEntryAt(doc, onLink).base, link);
  EXPECT_EQ(CharsOfStyle(doc, link).underline, 1u);
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST(CreateStyleTest, TheFourThousandthStyleIsRefused) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  StyleEntry filler = StyleEntryAt(doc, 0);
  filler.builtinId = kNotBuiltinStyle;
  while (StyleCount(doc) < kMaxStyles) AppendToDynamicStringArray(doc->styles, QStringLiteral("x"), &filler);
  CSRecordingAlertPresenter::shared().clear();
  const Properties chars = CharRecord(doc);
  EXPECT_EQ(CreateStyle(doc, QStringLiteral("one more"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false),
            kNoPropertyIndex);
  EXPECT_EQ(StyleCount(doc), kMaxStyles);
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't create style."));
  EXPECT_EQ(alerts[0].moreInfo,
            QStringLiteral("I can't create the new style. You have exceeded the limit for the number of styles in a "
                           "document."));
  CSRecordingAlertPresenter::shared().clear();
}

// Three char styles, each based on the one before: A bold, B adds italic, C
// adds an underline; text of style C with a local strike.
class StyleChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(QStringLiteral("plain styled\n"));
    doc = builder.doc();
    Properties chars = CharRecord(doc);
    chars.body.charProps.bold = 1;
    a = CreateStyle(doc, QStringLiteral("A"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
    chars.body.charProps.italic = 1;
    b = CreateStyle(doc, QStringLiteral("B"), kNotBuiltinStyle, a, 0, &chars, nullptr, false);
    chars.body.charProps.underline = 1;
    c = CreateStyle(doc, QStringLiteral("C"), kNotBuiltinStyle, b, 0, &chars, nullptr, false);
    Properties text = *PropertiesAtIndex(doc, StyleEntryAt(doc, c).props);
    text.body.charProps.strike = 1;
    builder.charRun(20, IndexForProperties(doc, &text));
  }
  CharProps TextAt(uint32_t cp) {
    CharProps props;
    FetchCharProps(doc, nullptr, cp, &props);
    return props;
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t a = 0, b = 0, c = 0;
};

TEST_F(StyleChainTest, AChangeRunsDownTheChainAndIntoTheText) {
  Properties changed = *PropertiesAtIndex(doc, StyleEntryAt(doc, a).props);
  changed.body.charProps.bold = 0;
  changed.body.charProps.size = 80;
  const QString renamed = QStringLiteral("A2");
  ASSERT_TRUE(ChangeStyle(doc, a, &renamed, 0, 0, &changed, nullptr));
  EXPECT_EQ(StyleName(doc, a), renamed);
  struct Expect {
    uint32_t style;
    uint8_t italic;
    uint32_t underline;
  };
  for (const Expect& e : {Expect{b, 1, 0}, Expect{c, 1, 1}}) {
    const CharProps& props = CharsOfStyle(doc, e.style);
    EXPECT_EQ(props.size, 80) << "style " << e.style;
    EXPECT_EQ(props.bold, 0) << "style " << e.style;
    EXPECT_EQ(props.italic, e.italic) << "style " << e.style;
    EXPECT_EQ(props.underline, e.underline) << "style " << e.style;
    EXPECT_EQ(props.style, e.style);
  }
  const CharProps text = TextAt(22);
  EXPECT_EQ(text.style, c);
  EXPECT_EQ(text.size, 80);
  EXPECT_EQ(text.bold, 0);
  EXPECT_EQ(text.underline, 1u);
  EXPECT_EQ(text.strike, 1);                                        // its own formatting stays
  EXPECT_EQ(TextAt(15).size, CharRecord(doc).body.charProps.size);  // other text keeps its look
  EXPECT_TRUE(ValidateDocument(doc));

  // A base that would close a circle is refused and changes nothing.
  const Properties cRecord = *PropertiesAtIndex(doc, StyleEntryAt(doc, c).props);
  Properties aRecord = *PropertiesAtIndex(doc, StyleEntryAt(doc, a).props);
  EXPECT_FALSE(ChangeStyle(doc, a, nullptr, c, 0, &aRecord, nullptr));
  EXPECT_EQ(StyleEntryAt(doc, a).base, 0u);
  EXPECT_TRUE(ArePropertiesEqual(*PropertiesAtIndex(doc, StyleEntryAt(doc, c).props), cRecord));
}

TEST_F(StyleChainTest, RemappingTextToAnotherStyleKeepsLocalFormatting) {
  ASSERT_TRUE(RemapCharStyle(DocRange{doc, 20, 23}, a));
  const CharProps text = TextAt(21);
  EXPECT_EQ(text.style, a);
  EXPECT_EQ(text.bold, 1);
  EXPECT_EQ(text.italic, 0);
  EXPECT_EQ(text.underline, 0u);
  EXPECT_EQ(text.strike, 1);
  EXPECT_EQ(TextAt(24).style, c);  // past the range
  EXPECT_TRUE(ValidateDocument(doc));

  MoleculePtr molecule(
      MoleculeForStyle(doc, StyleEntryAt(doc, b), PropertiesAtIndex(doc, StyleEntryAt(doc, b).props), nullptr));
  ASSERT_TRUE(molecule);
  Properties built = *PropertiesAtIndex(doc, StyleEntryAt(doc, a).props);
  ApplyMoleculeToProps(doc, -1, &built, molecule.get());
  EXPECT_EQ(built.body.charProps.italic, 1);  // B is A and italic
  StyleEntry unbased = StyleEntryAt(doc, a);
  unbased.base = kStyleNone;
  EXPECT_EQ(MoleculeForStyle(doc, unbased, &built, nullptr), nullptr);
}

TEST(NormalFontTest, FollowsTheOldValuesOrAll) {
  for (const bool force : {false, true}) {
    RichTextBuilder builder;
    builder.text(QStringLiteral("abcdef\n"));
    CorvaneDoc* doc = builder.doc();
    Properties big = CharRecord(doc);
    const int16_t oldSize = big.body.charProps.size;
    big.body.charProps.size = 100;
    builder.charRun(17, IndexForProperties(doc, &big));
    SetNormalFont(doc, 3, 56, force);
    Properties record, chars;
    ASSERT_TRUE(GetStyleProps(doc, 0, kParaProperties, &record, &chars));
    EXPECT_EQ(chars.body.charProps.font, 3);
    EXPECT_EQ(chars.body.charProps.size, 56);
    CharProps props;
    FetchCharProps(doc, nullptr, 15, &props);
    EXPECT_EQ(props.font, 3);
    EXPECT_EQ(props.size, 56) << "old size " << oldSize;
    FetchCharProps(doc, nullptr, 18, &props);
    EXPECT_EQ(props.font, 3);
    EXPECT_EQ(props.size, force ? 56 : 100);
  }
}

TEST(ImportStylesTest, RenamesBasesFirstAndBuiltinsByTheirId) {
  RichTextBuilder targetBuilder, sourceBuilder;
  CorvaneDoc* target = targetBuilder.doc();
  CorvaneDoc* source = sourceBuilder.doc();
  const Properties para = ParaRecord(target);
  CreateStyle(target, QStringLiteral("Heading"), kNotBuiltinStyle, 0, kStyleNone, &para, nullptr, false);
  CreateStyle(target, QStringLiteral("Body3"), kNotBuiltinStyle, 0, kStyleNone, &para, nullptr, false);
  const uint32_t targetList = StyleIndexForStyleId(target, 21, true, false);

  Properties chars = CharRecord(source);
  chars.body.charProps.italic = 1;
  CreateStyle(source, QStringLiteral("Heading"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  CreateStyle(source, QStringLiteral("Body3"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  chars.body.charProps.bold = 1;
  // Emph comes before its base in the walk: the base is imported first.
  const uint32_t emphasis = CreateStyle(source, QStringLiteral("Emph"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  const uint32_t strong = CreateStyle(source, QStringLiteral("Strong"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  StyleEntry entry = StyleEntryAt(source, emphasis);
  entry.base = strong;
  ReplaceDynamicStringArrayData(source->styles, emphasis, &entry);
  StyleIndexForStyleId(source, 21, true, false);

  std::vector<uint32_t> map;
  ASSERT_TRUE(ImportStyles(target, source, &map));
  const uint32_t renamed = StyleIndexForName(target, QStringLiteral("Heading1"));
  ASSERT_NE(renamed, kNoPropertyIndex);
  EXPECT_EQ(StyleEntryAt(target, renamed).type, uint32_t(kCharProperties));
  EXPECT_EQ(CharsOfStyle(target, renamed).italic, 1);
  EXPECT_NE(StyleIndexForName(target, QStringLiteral("Body4")), kNoPropertyIndex);
  const uint32_t targetStrong = StyleIndexForName(target, QStringLiteral("Strong"));
  const uint32_t targetEmph = StyleIndexForName(target, QStringLiteral("Emph"));
  ASSERT_NE(targetEmph, kNoPropertyIndex);
  EXPECT_EQ(StyleEntryAt(target, targetEmph).base, targetStrong);
  EXPECT_EQ(map[emphasis], targetEmph);
  EXPECT_EQ(map[0], 0u);
  EXPECT_EQ(map[StyleIndexForStyleId(source, 21, false, false)], targetList);
  EXPECT_TRUE(ValidateDocument(target));

  // A second import finds every style.
  const uint32_t count = StyleCount(target);
  ASSERT_TRUE(ImportStyles(target, source, nullptr));
  EXPECT_EQ(StyleCount(target), count);
}

TEST(StyleCyclesTest, ACycleReadInIsCutAndWalksEnd) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  Properties chars = CharRecord(doc);
  const uint32_t a = CreateStyle(doc, QStringLiteral("A"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  const uint32_t b = CreateStyle(doc, QStringLiteral("B"), kNotBuiltinStyle, a, 0, &chars, nullptr, false);
  const uint32_t c = CreateStyle(doc, QStringLiteral("C"), kNotBuiltinStyle, b, 0, &chars, nullptr, false);
  // As a damaged file would have it: A based on C, D on a missing style.
  StyleEntry entry = StyleEntryAt(doc, a);
  entry.base = c;
  ReplaceDynamicStringArrayData(doc->styles, a, &entry);
  const uint32_t d = CreateStyle(doc, QStringLiteral("D"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  entry = StyleEntryAt(doc, d);
  entry.base = 3999;
  ReplaceDynamicStringArrayData(doc->styles, d, &entry);
  EXPECT_FALSE(ValidateDocument(doc));

  // Before the cut the walks still end.
  RichTextBuilder other;
  EXPECT_TRUE(ImportStyles(other.doc(), doc, nullptr));
  Properties changed = chars;
  changed.body.charProps.bold = 1;
  EXPECT_FALSE(ChangeStyle(doc, b, nullptr, a, 0, &changed, nullptr));  // its chain is a circle

  LogCapture log;
  EXPECT_EQ(CutStyleCycles(doc), 2u);
  EXPECT_EQ(log.lines().size(), 2);
  EXPECT_TRUE(log.text().contains(QStringLiteral("Style A is based on a style that leads back to it")));
  EXPECT_EQ(StyleEntryAt(doc, a).base, kStyleNone);  // the link that closed the circle
  EXPECT_EQ(StyleEntryAt(doc, b).base, a);
  EXPECT_EQ(StyleEntryAt(doc, d).base, kStyleNone);
  EXPECT_TRUE(ValidateDocument(doc));
  EXPECT_EQ(CutStyleCycles(doc), 0u);
}

}  // namespace

namespace {

// Two paragraphs: "ab" in style P (left indent 1 inch, its chars bold) with a
// local italic run "b", then "cd" in "Normal".
class ParaStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(QStringLiteral("ab\ncd\n"));
    doc = builder.doc();
    Properties para = ParaRecord(doc);
    para.body.para.indentl = kMeasurePerInch;
    Properties chars = CharRecord(doc);
    chars.body.charProps.bold = 1;
    p = CreateStyle(doc, QStringLiteral("P"), kNotBuiltinStyle, 0, kStyleNone, &para, &chars, false);
    const StyleEntry entry = StyleEntryAt(doc, p);
    builder.paraRun(14, entry.props).charRun(14, entry.charProps);
    Properties local = *PropertiesAtIndex(doc, entry.charProps);
    local.body.charProps.italic = 1;
    StyleEntry normal = StyleEntryAt(doc, 0);
    builder.charRun(15, IndexForProperties(doc, &local)).paraRun(17, normal.props).charRun(17, normal.charProps);
  }
  CharProps CharsAt(uint32_t cp) {
    CharProps props;
    FetchCharProps(doc, nullptr, cp, &props);
    return props;
  }
  ParaProps ParaAt(uint32_t cp) {
    InvalParaCaches(doc);
    ParaProps props;
    FetchParaProps(doc, nullptr, cp, nullptr, &props);
    return props;
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t p = 0;
};

TEST_F(ParaStyleTest, ChangingAParagraphStyleReachesItsCharacters) {
  Properties para, chars;
  ASSERT_TRUE(GetStyleProps(doc, p, kParaProperties, &para, &chars));
  EXPECT_EQ(para.ownIndex, StyleEntryAt(doc, p).props);
  para.body.para.indentl = 2 * kMeasurePerInch;
  chars.body.charProps.bold = 0;
  chars.body.charProps.size = 64;
  ASSERT_TRUE(ChangeStyle(doc, p, nullptr, 0, kStyleNone, &para, &chars));
  EXPECT_EQ(ParaAt(14).indentl, 2 * kMeasurePerInch);
  EXPECT_EQ(CharsAt(14).size, 64);
  EXPECT_EQ(CharsAt(14).bold, 0);
  EXPECT_EQ(CharsAt(15).size, 64);
  EXPECT_EQ(CharsAt(15).italic, 1);  // the local run keeps its italic
  EXPECT_EQ(ParaAt(17).indentl, 0);  // the "Normal" paragraph is untouched
  EXPECT_EQ(CharsAt(17).size, CharRecord(doc).body.charProps.size);
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST_F(ParaStyleTest, RemappingParagraphsToAnotherStyle) {
  ASSERT_TRUE(RemapParaStyle(DocRange{doc, 18, 18}, p));  // the caret in "cd"
  EXPECT_EQ(ParaAt(17).style, p);
  EXPECT_EQ(ParaAt(17).indentl, kMeasurePerInch);
  EXPECT_EQ(CharsAt(17).bold, 1);  // the characters follow their paragraph style
  ASSERT_TRUE(RemapParaStyle(DocRange{doc, 14, 16}, 0));
  EXPECT_EQ(ParaAt(14).style, 0);
  EXPECT_EQ(ParaAt(14).indentl, 0);
  EXPECT_EQ(CharsAt(14).bold, 0);
  EXPECT_EQ(CharsAt(15).italic, 1);
  EXPECT_FALSE(RemapParaStyle(DocRange{doc, 14, 16}, 99));
  EXPECT_TRUE(ValidateDocument(doc));
}

TEST_F(ParaStyleTest, ChangingNormalRederivesUnbasedCharStyles) {
  Properties chars = CharRecord(doc);
  chars.body.charProps.underline = 2;
  const uint32_t loose = CreateStyle(doc, QStringLiteral("Loose"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  StyleEntry entry = StyleEntryAt(doc, loose);
  entry.base = kStyleNone;
  ReplaceDynamicStringArrayData(doc->styles, loose, &entry);
  Properties para, normalChars;
  ASSERT_TRUE(GetStyleProps(doc, 0, kParaProperties, &para, &normalChars));
  normalChars.body.charProps.size = 88;
  ASSERT_TRUE(ChangeStyle(doc, 0, nullptr, kStyleNone, 0, &para, &normalChars));
  EXPECT_EQ(CharsOfStyle(doc, loose).size, 88);
  EXPECT_EQ(CharsOfStyle(doc, loose).underline, 2u);
  EXPECT_EQ(CharsAt(17).size, 88);
  // P is based on "Normal": its characters follow, keeping their bold.
  EXPECT_EQ(CharsAt(14).size, 88);
  EXPECT_EQ(CharsAt(14).bold, 1);
}

TEST(StyleStandInsTest, NormalAsListTableAndCharStyle) {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  Properties record, chars;
  ASSERT_TRUE(GetStyleProps(doc, 0, kListProperties, &record, &chars));
  EXPECT_EQ(record.ownIndex, doc->normalListIndex);
  EXPECT_EQ(chars.type, uint32_t(kNoProperties));
  ASSERT_TRUE(GetStyleProps(doc, kNormalStyleBase + kTableProperties, 0, &record, nullptr));
  EXPECT_EQ(record.ownIndex, doc->normalTableIndex);
  ASSERT_TRUE(GetStyleProps(doc, 0, kCharProperties, &record, nullptr));
  EXPECT_EQ(record.type, uint32_t(kCharProperties));
  ASSERT_TRUE(GetStyleProps(doc, kBuiltinStyleBase + 6, 0, &record, nullptr));  // "link", not yet created
  EXPECT_EQ(record.body.charProps.underline, 1u);
  EXPECT_FALSE(GetStyleProps(doc, 7, kParaProperties, &record, nullptr));
}

TEST(KnotStyleTest, ListsAndTablesTakeAStyleKeepingTheirOwnValues) {
  RichTextBuilder builder;
  builder.text(QString(QChar(0)) + QStringLiteral("a\n") + QChar(1));
  CorvaneDoc* doc = builder.doc();
  Properties list;
  SetDefaultProperties(doc, kListProperties, &list);
  list.body.list.indent = 3 * kHalfInch;
  builder.knot(14, kKnotList, kKinkBegin, IndexForProperties(doc, &list)).knot(17, kKnotList, kKinkEnd);
  Properties styled;
  SetDefaultProperties(doc, kListProperties, &styled);
  styled.body.list.levels = 1;
  const uint32_t style = CreateStyle(doc, QStringLiteral("Outline"), kNotBuiltinStyle, 0, 0, &styled, nullptr, false);
  KnotEntry entry;
  uint32_t knotIndex = 0;
  ASSERT_TRUE(KnotEntryAtCp(doc, 14, nullptr, &knotIndex));
  ASSERT_TRUE(RemapListStyle(doc, knotIndex, style));
  ASSERT_TRUE(KnotEntryAtCp(doc, 14, &entry));
  const ListProps& result = PropertiesAtIndex(doc, entry.props)->body.list;
  EXPECT_EQ(result.style, style);
  EXPECT_EQ(result.levels, 1);
  EXPECT_EQ(result.indent, 3 * kHalfInch);
  EXPECT_FALSE(RemapTableStyle(doc, knotIndex, style));  // not a table
}

TEST(PastedStylesTest, RunsAndNextLinksFollowTheMap) {
  RichTextBuilder sourceBuilder, targetBuilder;
  CorvaneDoc* source = sourceBuilder.doc();
  CorvaneDoc* target = targetBuilder.doc();
  const Properties para = ParaRecord(source);
  // Two paragraph styles that name each other as the next style.
  const uint32_t first =
      CreateStyle(source, QStringLiteral("Q"), kNotBuiltinStyle, 0, kStyleNone, &para, nullptr, false);
  const uint32_t second = CreateStyle(source, QStringLiteral("A"), kNotBuiltinStyle, 0, first, &para, nullptr, false);
  StyleEntry entry = StyleEntryAt(source, first);
  entry.next = second;
  ReplaceDynamicStringArrayData(source->styles, first, &entry);
  CreateStyle(target, QStringLiteral("Other"), kNotBuiltinStyle, 0, kStyleNone, &para, nullptr, false);

  std::vector<uint32_t> map;
  ASSERT_TRUE(ImportStyles(target, source, &map));
  EXPECT_EQ(StyleEntryAt(target, map[first]).next, map[second]);
  EXPECT_EQ(StyleEntryAt(target, map[second]).next, map[first]);

  // Text pasted from the source still names the source's styles.
  targetBuilder.text(QStringLiteral("xy\n"));
  Properties pasted;
  InitProperties(kParaProperties, &pasted, &PropertiesAtIndex(source, StyleEntryAt(source, second).props)->body.para);
  targetBuilder.paraRun(14, IndexForProperties(target, &pasted));
  RemapStylesInRange(DocRange{target, 14, 17}, map);
  ParaProps props;
  FetchParaProps(target, nullptr, 15, nullptr, &props);
  EXPECT_EQ(props.style, map[second]);
  EXPECT_TRUE(ValidateDocument(target));
}

}  // namespace
