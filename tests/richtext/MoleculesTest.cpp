#include "richtext/Molecules.h"

#include <gtest/gtest.h>

#include <QFont>
#include <random>
#include <vector>

#include "QStringPrinter.h"
#include "richtext/FontNames.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"
#include "support/Fonts.h"

namespace {

struct Seen {
  uint32_t type, atom;
  bool operator==(const Seen&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Seen& s) { return os << "(" << s.type << "," << s.atom << ")"; }

std::vector<Seen> AtomsOf(const Molecule* molecule) {
  std::vector<Seen> atoms;
  uint32_t offset = 0;
  AtomRef atom;
  while (NextAtomInMolecule(molecule, &offset, &atom)) atoms.push_back({atom.type, atom.atom});
  return atoms;
}

std::vector<uint32_t> ValuesOf(const Molecule* molecule) {
  std::vector<uint32_t> values;
  uint32_t offset = 0;
  AtomRef atom;
  while (NextAtomInMolecule(molecule, &offset, &atom)) values.push_back(AtomValue32(atom));
  return values;
}

Properties Base(uint32_t type) {
  Properties record;
  SetBaseProperties(type, &record);
  return record;
}

TEST(MoleculeTest, AtomsSortByTypeThenId) {
  MoleculePtr molecule(EmptyMolecule());
  ASSERT_TRUE(molecule);
  EXPECT_EQ(molecule->capacity, kMoleculeInitialCapacity);
  EXPECT_EQ(PropertyTypeForMolecule(molecule.get()), kNoProperties);
  const uint32_t align = 2, on = 1, style = 4;
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, 3, &align));
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kCharProperties, 3, &on));
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, 1, &style));
  EXPECT_EQ(AtomsOf(molecule.get()),
            (std::vector<Seen>{{kCharProperties, 3}, {kParaProperties, 1}, {kParaProperties, 3}}));
  EXPECT_EQ(PropertyTypeForMolecule(molecule.get()), kCharProperties);
  // A 1-byte value takes a widened word, a 4-byte enum its bytes.
  EXPECT_EQ(molecule->used, 4u + 4u + 6u);

  const uint32_t center = 1;  // the same atom again: its value replaced
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, 3, &center));
  EXPECT_EQ(molecule->count, 3u);
  EXPECT_EQ(ValuesOf(molecule.get()), (std::vector<uint32_t>{1, 4, 1}));

  EXPECT_FALSE(AddAtomToMolecule(molecule.get(), kCharProperties, 23, &on));  // no such row
  EXPECT_FALSE(AddAtomToMolecule(molecule.get(), 6, 1, &on));
  EXPECT_FALSE(AddAtomToMolecule(nullptr, kCharProperties, 3, &on));
  EXPECT_TRUE(IsMoleculeEmpty(nullptr));
  FreeMolecule(nullptr);
}

TEST(MoleculeTest, TabAtomsSortByPositionAndReplaceAtTheSamePosition) {
  MoleculePtr molecule(EmptyMolecule());
  const TabStop tabs[] = {kRightTab | 300, 100, kCenterTab | 200};
  for (TabStop tab : tabs) ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, kParaAtomTab, &tab));
  EXPECT_EQ(ValuesOf(molecule.get()), (std::vector<uint32_t>{100, kCenterTab | 200, kRightTab | 300}));

  const TabStop right200 = kRightTab | 200;
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, kParaAtomTab, &right200));
  EXPECT_EQ(ValuesOf(molecule.get()), (std::vector<uint32_t>{100, kRightTab | 200, kRightTab | 300}));

  const TabStop gone = 200;  // a "no tab" at that position turns the atom into one
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, kParaAtomTabDelete, &gone));
  EXPECT_EQ(molecule->count, 3u);
  EXPECT_EQ(AtomsOf(molecule.get()), (std::vector<Seen>{{kParaProperties, kParaAtomTab},
                                                        {kParaProperties, kParaAtomTabDelete},
                                                        {kParaProperties, kParaAtomTab}}));
  const TabStop back = kCenterTab | 200;  // and back
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, kParaAtomTab, &back));
  EXPECT_EQ(AtomsOf(molecule.get())[1], (Seen{kParaProperties, kParaAtomTab}));
  EXPECT_EQ(ValuesOf(molecule.get())[1], kCenterTab | 200);
}

TEST(MoleculeTest, GrowthKeepsEveryEarlierAtom) {
  MoleculePtr molecule(EmptyMolecule());
  // 25 column widths of 10 bytes each, added from the last, then 10 switches.
  for (uint32_t column = 25; column-- > 0;) {
    const int64_t width = 1000 + column;
    ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kTableProperties, AtomForColumnWidth(column), &width));
  }
  const uint8_t on = 1;
  for (uint32_t atom : {2u, 3u, 33u, 34u, 50u}) ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kTableProperties, atom, &on));
  EXPECT_GT(molecule->used, kMoleculeInitialCapacity);
  EXPECT_GE(molecule->capacity, molecule->used);
  EXPECT_EQ(molecule->count, 30u);
  Properties record = Base(kTableProperties);
  ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
  for (uint32_t column = 0; column < 25; ++column) EXPECT_EQ(record.body.table.columns[column], 1000 + column);
  EXPECT_EQ(record.body.table.titlerow + record.body.table.keep + record.body.table.insideonly +
                record.body.table.autofit + record.body.table.stripe,
            5);
}

TEST(MoleculeTest, MergePutsTheLowerTypeFirst) {
  const uint8_t on = 1;
  const uint32_t align = 3;
  MoleculePtr para(NewMolecule(kParaProperties, 3, &align));
  MoleculePtr chars(NewMolecule(kCharProperties, 4, &on));
  ASSERT_TRUE(para && chars);
  ASSERT_TRUE(MergeMolecules(para.get(), chars.get()));
  EXPECT_EQ(AtomsOf(para.get()), (std::vector<Seen>{{kCharProperties, 4}, {kParaProperties, 3}}));
  EXPECT_EQ(para->capacity, para->used);

  MoleculePtr chars2(NewMolecule(kCharProperties, 3, &on));
  MoleculePtr para2(NewMolecule(kParaProperties, 3, &align));
  ASSERT_TRUE(MergeMolecules(chars2.get(), para2.get()));
  EXPECT_EQ(AtomsOf(chars2.get()), (std::vector<Seen>{{kCharProperties, 3}, {kParaProperties, 3}}));
  EXPECT_EQ(chars2->count, 2u);

  MoleculePtr empty(EmptyMolecule());
  ASSERT_TRUE(MergeMolecules(empty.get(), para2.get()));
  EXPECT_EQ(AtomsOf(empty.get()), (std::vector<Seen>{{kParaProperties, 3}}));
  EXPECT_TRUE(MergeMolecules(empty.get(), nullptr));
}

TEST(MoleculeTest, EqualRecordsDifferInNothing) {
  Properties a = Base(kParaProperties);
  a.body.para.indentl = 12700;
  AddTab(&a.body.para, 0, 914400);
  Properties b = a;
  MoleculePtr none(MoleculeWithDifferences(&a, &b, false));
  ASSERT_TRUE(none);
  EXPECT_TRUE(IsMoleculeEmpty(none.get()));
  MoleculePtr styled(MoleculeWithDifferences(&a, &b, true));
  EXPECT_EQ(AtomsOf(styled.get()), (std::vector<Seen>{{kParaProperties, kAtomReapplyStyle}}));
  // Switches differ by truth only; a counted string by its used units.
  b.body.para.keep = 0;
  a.body.para.keep = 0;
  a.body.para.check = 2;
  b.body.para.check = 1;
  a.body.para.prefix.units[3] = u'x';  // past the count
  none.reset(MoleculeWithDifferences(&a, &b, false));
  EXPECT_TRUE(IsMoleculeEmpty(none.get()));
}

// The tab lists merge by position; a stop at the same place with another
// look is replaced, not deleted.
TEST(MoleculeTest, TabDifferencesTurnOneListIntoTheOther) {
  struct Case {
    std::vector<TabStop> a, b;
  };
  const Case cases[] = {
      {{100, 200}, {}},
      {{}, {100, 200}},
      {{100, kRightTab | 200, 300}, {100, 200, 400}},
      {{kCenterTab | 50}, {50, 60, 70}},
      {{10, 20, 30}, {5, 20, 35}},
  };
  for (const Case& c : cases) {
    Properties a = Base(kParaProperties), b = Base(kParaProperties);
    for (TabStop tab : c.a) AddTab(&a.body.para, a.body.para.tabCount, tab);
    for (TabStop tab : c.b) AddTab(&b.body.para, b.body.para.tabCount, tab);
    MoleculePtr molecule(MoleculeWithDifferences(&a, &b, false));
    ApplyMoleculeToProps(nullptr, -1, &b, molecule.get());
    ASSERT_EQ(b.body.para.tabCount, c.a.size());
    for (size_t i = 0; i < c.a.size(); ++i) EXPECT_EQ(b.body.para.tabs[i], c.a[i]);
  }
}

// ---- Random pairs: applying the differences of A and B to B gives A ----

class DifferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Faces whose families have no bold or italic member, and names past the
    // list, so that a bold or italic atom of 0 leaves the font alone.
    for (const char* family : {"D050000L", "DejaVu Math TeX Gyre"}) {
      if (FontExists(QString::fromLatin1(family)))
        fonts.push_back(IndexOfFont(FontName(FontWithName(QString::fromLatin1(family), 12))));
    }
    fonts.push_back(uint16_t(std::min<qsizetype>(g_fontNames.size() + 100, 65535)));
  }

  template <typename T>
  T Random() {
    T value;
    auto* bytes = reinterpret_cast<uint8_t*>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = uint8_t(rng());
    return value;
  }

  // A record with every field an atom row covers drawn at random.
  Properties RandomRecord(uint32_t type, uint16_t style) {
    Properties record = Base(type);
    uint32_t count = 0;
    const AtomDesc* rows = AtomTableForType(type, &count);
    for (uint32_t i = 1; i < count; ++i) {
      const AtomDesc& row = rows[i];
      uint8_t* field = record.body.bytes + row.offset;
      switch (row.valueKind) {
        case kAtomAction:
        case kAtomTabStop:
          break;
        case kAtomSwitch:
          field[0] = uint8_t(rng() % 2);
          break;
        case kAtomEnum: {
          uint32_t names = 0;
          EnumAtomStringTableXml(type, i, &names);
          const uint32_t value = uint32_t(rng() % names);
          std::memcpy(field, &value, 4);
          break;
        }
        case kAtomRelativeSize: {
          const auto value = int16_t(int8_t(rng()));
          std::memcpy(field, &value, 2);
          break;
        }
        case kAtomFontIndex: {
          const uint16_t value = fonts[rng() % fonts.size()];
          std::memcpy(field, &value, 2);
          break;
        }
        case kAtomCountedString: {
          ParaAffix affix;
          affix.count = uint16_t(rng() % 5);
          for (uint32_t u = 0; u < affix.count; ++u) affix.units[u] = char16_t(rng());
          std::memcpy(field, &affix, sizeof affix);
          break;
        }
        default:
          for (uint32_t b = 0; b < row.valueSize; ++b) field[b] = uint8_t(rng());
          break;
      }
    }
    std::memcpy(record.body.bytes, &style, type == kDocProperties || type == kBorderProperties ||
                                                   type == kFrameProperties
                                               ? 0
                                               : 2);
    if (type == kParaProperties) {
      ParaProps& para = record.body.para;
      ClearTabs(&para);
      const uint32_t tabs = uint32_t(rng() % 13);
      uint32_t position = 0;
      for (uint32_t t = 0; t < tabs; ++t) {
        position += 1 + uint32_t(rng() % 3) * 20000;  // collisions between records are likely
        para.tabs[para.tabCount++] = (position & kTabPositionMask) | (uint32_t(rng() % 6) << 26) |
                                     (uint32_t(rng() % 5) << 29);
      }
    }
    return record;
  }

  // Every field an atom row covers, and the tab list.
  void ExpectCoveredFieldsEqual(const Properties& expected, const Properties& actual) {
    uint32_t count = 0;
    const AtomDesc* rows = AtomTableForType(expected.type, &count);
    for (uint32_t i = 1; i < count; ++i) {
      const AtomDesc& row = rows[i];
      if (row.valueKind == kAtomAction || row.valueKind == kAtomTabStop || row.valueSize == 0) continue;
      EXPECT_EQ(std::memcmp(expected.body.bytes + row.offset, actual.body.bytes + row.offset, row.valueSize), 0)
          << "type " << expected.type << " atom " << i;
    }
    if (expected.type == kParaProperties) {
      ASSERT_EQ(actual.body.para.tabCount, expected.body.para.tabCount);
      for (uint32_t t = 0; t < expected.body.para.tabCount; ++t)
        EXPECT_EQ(actual.body.para.tabs[t], expected.body.para.tabs[t]) << t;
    }
  }

  std::mt19937 rng{20261211};
  std::vector<uint16_t> fonts;
};

TEST_F(DifferencesTest, ApplyingTheDifferencesToBGivesA) {
  RichTextBuilder builder;
  for (uint32_t type : {kCharProperties, kParaProperties, kChapterProperties, kFrameProperties, kTableProperties,
                        kListProperties, kBorderProperties, kDocProperties}) {
    for (int pair = 0; pair < 1000; ++pair) {
      const auto style = uint16_t(rng() % 40);
      const Properties a = RandomRecord(type, style);
      Properties b = RandomRecord(type, style);
      MoleculePtr molecule(MoleculeWithDifferences(&a, &b, false));
      ASSERT_TRUE(molecule);
      ApplyMoleculeToProps(builder.doc(), -1, &b, molecule.get());
      ExpectCoveredFieldsEqual(a, b);
      if (HasFailure()) {
        ADD_FAILURE() << "type " << type << " pair " << pair;
        return;
      }
    }
  }
}

// ---- Applying atoms ----

TEST(ApplyMoleculeTest, CompactAtomsHoldOneSignedByte) {
  MoleculePtr molecule(EmptyMolecule());
  ASSERT_TRUE(AddCompactAtomToMolecule(molecule.get(), kParaProperties, 27, 3));   // border width in points
  ASSERT_TRUE(AddCompactAtomToMolecule(molecule.get(), kParaProperties, 26, 2));   // an enum
  EXPECT_FALSE(AddCompactAtomToMolecule(molecule.get(), kParaProperties, 8, 1));   // a switch has none
  EXPECT_FALSE(AddCompactAtomToMolecule(molecule.get(), kParaProperties, 11, 1));  // nor a 1-byte field
  EXPECT_EQ(molecule->used, 8u);
  Properties record = Base(kParaProperties);
  ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
  EXPECT_EQ(record.body.para.border.bwidth, 3 * 12700);
  EXPECT_EQ(record.body.para.border.bline, 2u);
  // A full atom replaces the compact one.
  const int64_t width = 5;
  ASSERT_TRUE(AddAtomToMolecule(molecule.get(), kParaProperties, 27, &width));
  EXPECT_EQ(molecule->count, 2u);
  ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
  EXPECT_EQ(record.body.para.border.bwidth, 5);
}

TEST(ApplyMoleculeTest, OnlyAtomsOfTheRecordsTypeApply) {
  MoleculePtr molecule(EmptyMolecule());
  const uint8_t on = 1;
  AddAtomToMolecule(molecule.get(), kCharProperties, 3, &on);
  AddAtomToMolecule(molecule.get(), kParaProperties, 8, &on);
  AddAtomToMolecule(molecule.get(), kChapterProperties, 3, &on);
  Properties para = Base(kParaProperties);
  ApplyMoleculeToProps(nullptr, -1, &para, molecule.get());
  Properties expected = Base(kParaProperties);
  expected.body.para.keep = 1;
  EXPECT_TRUE(ArePropertiesEqual(para, expected));
}

TEST(ApplyMoleculeTest, SizeStepsAndRelativeSize) {
  Properties record = Base(kCharProperties);
  record.body.charProps.size = 48;
  const int16_t up = 1, down = -1, rel = 0x01FD;  // the relative size is the low byte, signed
  MoleculePtr step(NewMolecule(kCharProperties, kCharAtomStepSize, &up));
  ApplyMoleculeToProps(nullptr, -1, &record, step.get());
  EXPECT_EQ(record.body.charProps.size, 56);
  step.reset(NewMolecule(kCharProperties, kCharAtomStepSize, &down));
  ApplyMoleculeToProps(nullptr, -1, &record, step.get());
  ApplyMoleculeToProps(nullptr, -1, &record, step.get());
  EXPECT_EQ(record.body.charProps.size, 40);
  MoleculePtr relative(NewMolecule(kCharProperties, kCharAtomRelsize, &rel));
  ApplyMoleculeToProps(nullptr, -1, &record, relative.get());
  EXPECT_EQ(record.body.charProps.relsize, -3);
}

TEST(ApplyMoleculeTest, PrefixAndSuffixAreCutToFourUnits) {
  struct Case {
    std::vector<uint8_t> value;
    QString expected;
  };
  const auto counted = [](uint16_t count, std::u16string units) {
    ParaAffix affix;
    affix.count = count;
    std::copy(units.begin(), units.begin() + std::min<size_t>(units.size(), 4), affix.units);
    std::vector<uint8_t> bytes(sizeof affix);
    std::memcpy(bytes.data(), &affix, sizeof affix);
    return bytes;
  };
  const Case cases[] = {
      {counted(2, u"ab"), QStringLiteral("ab")},
      {counted(7, u"wxyz"), QStringLiteral("wxyz")},  // a count past the record's room
      {{3, 'x', 0xA5, 'y', 0, 0, 0, 0, 0, 0}, QString::fromUtf16(u"x\u2022y")},
      {{9, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'}, QStringLiteral("abcd")},
  };
  for (const Case& c : cases) {
    Properties record = Base(kParaProperties);
    record.body.para.prefix.units[3] = u'!';
    MoleculePtr molecule(NewMolecule(kParaProperties, kParaAtomPrefix, c.value.data()));
    ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
    const ParaAffix& prefix = record.body.para.prefix;
    ASSERT_LE(prefix.count, 4);
    EXPECT_EQ(QString::fromUtf16(prefix.units, prefix.count), c.expected);
    for (uint32_t i = prefix.count; i < 4; ++i) EXPECT_EQ(prefix.units[i], 0);
  }
}

TEST(ApplyMoleculeTest, TabAtoms) {
  Properties record = Base(kParaProperties);
  AddTab(&record.body.para, 0, 100);
  AddTab(&record.body.para, 1, 300);
  const auto apply = [&](uint32_t atom, TabStop tab) {
    MoleculePtr molecule(NewMolecule(kParaProperties, atom, &tab));
    ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
    return std::vector<TabStop>(record.body.para.tabs, record.body.para.tabs + record.body.para.tabCount);
  };
  EXPECT_EQ(apply(kParaAtomAddTab, 200), (std::vector<TabStop>{100, 200, 300}));
  EXPECT_EQ(apply(kParaAtomTab, kRightTab | 300), (std::vector<TabStop>{100, 200, kRightTab | 300}));
  EXPECT_EQ(apply(kParaAtomTab, 400), (std::vector<TabStop>{100, 200, kRightTab | 300, 400}));
  EXPECT_EQ(apply(kParaAtomTabDelete, 100), (std::vector<TabStop>{200, kRightTab | 300, 400}));
  EXPECT_EQ(apply(kParaAtomTabDelete, 250), (std::vector<TabStop>{200, kRightTab | 300, 400}));
  EXPECT_EQ(apply(kParaAtomClearTabs, 0), (std::vector<TabStop>{}));
}

TEST(ApplyMoleculeTest, BoldOffTakesTheBoldFaceAway) {
  const QString bold = FontName(FontWithName(QStringLiteral("DejaVu Sans Bold"), 12));
  const QString plain = FontName(FontWithName(QStringLiteral("DejaVu Sans"), 12));
  if (bold == plain) GTEST_SKIP() << "no bold face of DejaVu Sans installed";
  Properties record = Base(kCharProperties);
  record.body.charProps.font = IndexOfFont(bold);
  record.body.charProps.bold = 1;
  const uint8_t off = 0;
  MoleculePtr molecule(NewMolecule(kCharProperties, kCharAtomBold, &off));
  ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
  EXPECT_EQ(record.body.charProps.bold, 0);
  EXPECT_EQ(FontName(nullptr, record.body.charProps.font), plain);
  // Italic off on the plain face changes nothing.
  const uint16_t font = record.body.charProps.font;
  molecule.reset(NewMolecule(kCharProperties, kCharAtomItalic, &off));
  ApplyMoleculeToProps(nullptr, -1, &record, molecule.get());
  EXPECT_EQ(record.body.charProps.font, font);
}

// Style atoms replace the record by a style's record, unless the document
// keeps style numbers only.
TEST(ApplyMoleculeTest, StyleAtomsTakeTheStylesRecord) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("abc\n"));
  CorvaneDoc* doc = builder.doc();
  StyleEntry normal;
  FetchDynamicStringArrayEntry(doc->styles, 0, &normal);
  const Properties* normalChars = PropertiesAtIndex(doc, normal.charProps);
  const Properties* normalPara = PropertiesAtIndex(doc, normal.props);
  ASSERT_TRUE(normalChars && normalPara);

  Properties chars = Base(kCharProperties);
  chars.body.charProps.bold = 1;
  chars.body.charProps.size = 200;
  const uint16_t zero = 0;
  MoleculePtr molecule(NewMolecule(kCharProperties, kAtomStyle, &zero));
  ApplyMoleculeToProps(doc, int32_t(RichTextBuilder::kBodyStart), &chars, molecule.get());
  EXPECT_TRUE(ArePropertiesEqual(chars, *normalChars));

  Properties para = Base(kParaProperties);
  para.body.para.indentl = 5;
  molecule.reset(NewMolecule(kParaProperties, kAtomReapplyStyle, nullptr));
  ApplyMoleculeToProps(doc, 0, &para, molecule.get());
  EXPECT_TRUE(ArePropertiesEqual(para, *normalPara));

  doc->styleAtomsOnly = 1;
  const uint16_t style = 7;
  molecule.reset(NewMolecule(kCharProperties, kAtomStyle, &style));
  chars.body.charProps.bold = 1;
  ApplyMoleculeToProps(doc, 0, &chars, molecule.get());
  EXPECT_EQ(chars.body.charProps.style, 7);
  EXPECT_EQ(chars.body.charProps.bold, 1);
}

}  // namespace
