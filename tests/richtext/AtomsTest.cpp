#include "richtext/Atoms.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "QStringPrinter.h"

namespace {

constexpr uint32_t kTypes[] = {kCharProperties,  kParaProperties, kChapterProperties, kFrameProperties,
                               kTableProperties, kListProperties, kBorderProperties,  kDocProperties};

TEST(AtomTablesTest, EachTypeHasItsRowsAtTheirIds) {
  const uint32_t expected[] = {23, 39, 35, 26, 52, 14, 9, 35};
  for (size_t t = 0; t < std::size(kTypes); ++t) {
    uint32_t count = 0;
    const AtomDesc* rows = AtomTableForType(kTypes[t], &count);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(count, expected[t]) << "type " << kTypes[t];
    for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(rows[i].atomId, i) << "type " << kTypes[t];
    EXPECT_EQ(AtomDescFor(kTypes[t], 0), nullptr);
    EXPECT_EQ(AtomDescFor(kTypes[t], count), nullptr);
  }
  uint32_t count = 7;
  EXPECT_EQ(AtomTableForType(6, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(AtomTableForType(9, &count), nullptr);
}

// The fields the rows describe never overlap, so that one atom changes
// exactly one field; only the tab atoms share the tab array.
TEST(AtomTablesTest, FieldsOfDifferentRowsDoNotOverlap) {
  for (uint32_t type : kTypes) {
    uint32_t count = 0;
    const AtomDesc* rows = AtomTableForType(type, &count);
    std::vector<int> owner(kPropertiesRecordSize, 0);
    for (uint32_t i = 1; i < count; ++i) {
      const AtomDesc& row = rows[i];
      if (row.valueKind == kAtomAction || row.valueKind == kAtomTabStop || row.valueSize == 0) continue;
      EXPECT_LE(row.valueSize, kMaxAtomValueSize);
      EXPECT_LE(AtomLengthForDesc(row), 15u);
      for (uint32_t b = row.offset; b < row.offset + row.valueSize; ++b) {
        EXPECT_EQ(owner[b], 0) << "type " << type << " atoms " << owner[b] << " and " << i;
        owner[b] = int(i);
      }
    }
  }
}

TEST(AtomTablesTest, RowsPointAtTheirFields) {
  struct Case {
    uint32_t type, atom;
    size_t offset, size;
    uint32_t kind;
    const char* tag;
  };
  const Case cases[] = {
      {kCharProperties, 3, offsetof(CharProps, bold), 1, kAtomSwitch, "bold"},
      {kCharProperties, 12, offsetof(CharProps, size), 2, kAtomFontSize, "size"},
      {kCharProperties, 16, offsetof(CharProps, back), 4, kAtomKolor, "back"},
      {kCharProperties, 22, offsetof(CharProps, keylessSwitch22), 1, kAtomSwitch, nullptr},
      {kParaProperties, 15, offsetof(ParaProps, prefix), 10, kAtomCountedString, "prefix"},
      {kParaProperties, 29, offsetof(ParaProps, border) + offsetof(BorderProps, color), 4, kAtomKolor, "color"},
      {kParaProperties, 27, offsetof(ParaProps, border) + offsetof(BorderProps, bwidth), 8, kAtomBorderWidth,
       "bwidth"},
      {kParaProperties, 24, offsetof(ParaProps, tabs), 4, kAtomTabStop, "tab"},
      {kChapterProperties, 22, offsetof(ChapterProps, columns) + 9 * 8, 8, kAtomMeasure, "c10"},
      {kChapterProperties, 34, offsetof(ChapterProps, tb), 4, kAtomTextBoxes, "tb"},
      {kFrameProperties, 24, offsetof(FrameProps, border) + offsetof(BorderProps, incolor), 4, kAtomKolor,
       "incolor"},
      {kTableProperties, 35, offsetof(TableProps, columns) + 10 * 8, 8, kAtomMeasure, "c11"},
      {kTableProperties, 51, offsetof(TableProps, stripecolor), 4, kAtomKolor, "stripecolor"},
      {kListProperties, 13, offsetof(ListProps, mark) + 8 * sizeof(ListMarker), 12, kAtomListMarker, "mark"},
      {kListProperties, 4, offsetof(ListProps, indent), 8, kAtomMeasure, "indent"},
      {kBorderProperties, 7, offsetof(BorderProps, bthick), 8, kAtomMeasure, "bthick"},
      {kDocProperties, 34, offsetof(DocProps, hidebmk), 1, kAtomSwitch, "hidebmk"},
      {kDocProperties, 33, offsetof(DocProps, scale), 4, kAtomInteger, "scale"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " atom " << c.atom);
    const AtomDesc* row = AtomDescFor(c.type, c.atom);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->offset, c.offset);
    EXPECT_EQ(row->valueSize, c.size);
    EXPECT_EQ(row->valueKind, c.kind);
    if (c.tag) {
      EXPECT_STREQ(row->xmlKey == kMarkXmlKey ? "mark" : FieldTagForKey(row->xmlKey), c.tag);
    } else {
      EXPECT_EQ(row->xmlKey, 0u);
    }
  }
  // The series carry their place.
  EXPECT_EQ(AtomDescFor(kListProperties, 13)->xmlInstance, 8u);
  EXPECT_EQ(AtomDescFor(kTableProperties, 49)->xmlInstance, 24u);
  EXPECT_STREQ(AtomDescFor(kParaProperties, 15)->description, "prefix=\"%@\"");
}

TEST(AtomTablesTest, PropertyValueForAtomWidensByFieldSize) {
  Properties record;
  SetBaseProperties(kCharProperties, &record);
  record.body.charProps.bold = 200;
  record.body.charProps.relsize = -3;
  record.body.charProps.expand = 0x123456789LL;
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 3), 200u);
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 10), 0xFFFFFFFDu);
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 13), 0x23456789u);
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 15), 0x64000000u);
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 2), 0u);   // no value
  EXPECT_EQ(PropertyValueForAtom(&record, kCharProperties, 23), 0u);  // past the table
  Properties para;
  SetBaseProperties(kParaProperties, &para);
  EXPECT_EQ(PropertyValueForAtom(&para, kParaProperties, 15), 0u);  // above 8 bytes
}

TEST(AtomTablesTest, TableColumnAtoms) {
  const uint32_t columns[][2] = {{0, 15}, {9, 24}, {10, 35}, {24, 49}};
  for (const auto& c : columns) {
    EXPECT_EQ(AtomForColumnWidth(c[0]), c[1]);
    EXPECT_TRUE(IsTableColumnAtom(c[1]));
    EXPECT_EQ(AtomDescFor(kTableProperties, c[1])->xmlInstance, c[0]);
  }
  for (uint32_t atom : {14u, 25u, 34u, 50u}) EXPECT_FALSE(IsTableColumnAtom(atom)) << atom;
}

TEST(AtomTablesTest, EnumListsAndNames) {
  EXPECT_EQ(StringForEnumAtomXml(kCharProperties, 5, 1), QStringLiteral("single"));
  EXPECT_EQ(StringForEnumAtomXml(kFrameProperties, 14, 3), QStringLiteral("absolute"));
  EXPECT_EQ(StringForEnumAtomXml(kTableProperties, 25, 15), QStringLiteral("row1+columns"));
  EXPECT_EQ(StringForEnumAtomXml(kChapterProperties, 7, 9), QStringLiteral("16"));
  EXPECT_TRUE(StringForEnumAtomXml(kCharProperties, 3, 0).isNull());   // no list
  EXPECT_TRUE(StringForEnumAtomXml(kCharProperties, 5, 7).isNull());   // past it

  uint32_t count = 0;
  const char* const* btype = EnumAtomStringTableXml(kBorderProperties, 1, &count);
  ASSERT_EQ(count, 16u);
  EXPECT_EQ(EnumAtomStringTableXml(kParaProperties, 25, &count), btype);
  EXPECT_EQ(EnumAtomValueForString(u"BOX+between", btype, count), 9u);
  EXPECT_EQ(EnumAtomValueForString(u"sideways", btype, count), 0u);
  EXPECT_EQ(EnumAtomValueForString(u"", btype, count), 0u);
  EXPECT_EQ(EnumAtomStringTableXml(kCharProperties, 4, &count), nullptr);
  EXPECT_EQ(count, 0u);

  // Every enum row of value size 4 has its list, and every list fits its field.
  for (uint32_t type : kTypes) {
    uint32_t rows = 0;
    const AtomDesc* table = AtomTableForType(type, &rows);
    for (uint32_t i = 1; i < rows; ++i) {
      if (table[i].valueKind != kAtomEnum) continue;
      EXPECT_NE(EnumAtomStringTableXml(type, i, &count), nullptr) << type << "/" << i;
      EXPECT_EQ(table[i].valueSize, 4u);
    }
  }
}

TEST(AtomTablesTest, FieldKeys) {
  EXPECT_STREQ(FieldTagForKey(1088), "after");
  EXPECT_STREQ(FieldTagForKey(1112), "c1");
  EXPECT_STREQ(FieldTagForKey(1136), "c25");
  EXPECT_STREQ(FieldTagForKey(1181), "nof");
  EXPECT_EQ(FieldTagForKey(1182), nullptr);
  EXPECT_STREQ(FieldTagForKey(1223), "ypos");
  EXPECT_EQ(FieldTagForKey(1087), nullptr);
  EXPECT_EQ(FieldTagForKey(1224), nullptr);
  for (uint32_t key = kFirstFieldXmlKey; key <= kLastFieldXmlKey; ++key)
    if (const char* tag = FieldTagForKey(key)) EXPECT_EQ(FieldKeyForTag(QString::fromLatin1(tag)), key);
  EXPECT_EQ(FieldKeyForTag(u"mark"), kMarkXmlKey);
  EXPECT_EQ(FieldKeyForTag(u"Bold"), 0u);  // tags keep their case
  EXPECT_EQ(FieldKeyForTag(u""), 0u);
}

}  // namespace
