#include <gtest/gtest.h>

#include "QStringPrinter.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Panes.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

TEST(NumberFormatTest, EachFormatAndItsBounds) {
  struct Case {
    int64_t number;
    int32_t format;
    bool capitals;
    QString expected;
  };
  const Case cases[] = {
      {1234, 0, false, QStringLiteral("1,234")},
      {14, 1, false, QStringLiteral("XIV")},
      {14, 2, false, QStringLiteral("xiv")},
      {28, 3, false, QStringLiteral("AB")},
      {28, 4, false, QStringLiteral("ab")},
      {2, 5, false, QStringLiteral("2nd")},
      {2, 6, false, QStringLiteral("second")},
      {2, 6, true, QStringLiteral("Second")},
      {21, 7, false, QStringLiteral("twenty-one")},
      {21, 7, true, QStringLiteral("Twenty-one")},
      {3, 8, false, QString(QChar(0x2021))},
      {255, 9, false, QStringLiteral("FF")},
      {8, 10, false, QStringLiteral("00000000010")},
      {5, 11, false, QStringLiteral("00000000000000000000000000000101")},
      {1, 12, false, QStringLiteral("")},
      {1, -1, false, QStringLiteral("")},
      {-1, 0, false, QStringLiteral("")},
  };
  for (const Case& c : cases) {
    const QString text = FormattedNumberString(c.number, c.format, c.capitals);
    EXPECT_EQ(text, c.expected) << c.number << " in format " << c.format;
    EXPECT_FALSE(text.isNull());
  }
}

TEST(ListMarkersTest, NormalizingFillsUnsetLevelsFromTheOneBefore) {
  ListProps props;
  props.mark[2].type = kMarkerBullet;
  props.mark[2].character = u'*';
  NormalizeMarkers(&props, false);
  EXPECT_EQ(props.mark[0].type, uint32_t(kMarkerNumber));
  EXPECT_EQ(props.mark[0].suffix, u'.');
  EXPECT_EQ(props.mark[1].type, uint32_t(kMarkerNumber));  // copied from level 1
  EXPECT_EQ(props.mark[2].character, u'*');
  EXPECT_EQ(props.mark[3].type, uint32_t(kMarkerUnset));  // past the highest set level
  NormalizeMarkers(&props, true);
  EXPECT_EQ(props.mark[8].character, u'*');

  ListProps exported;
  exported.mark[1].type = kMarkerBullet;
  Properties record;
  EnsureMarkerExport(&exported, &record);
  EXPECT_EQ(record.type, uint32_t(kListProperties));
  EXPECT_EQ(record.body.list.mark[0].type, uint32_t(kMarkerExport));
  EXPECT_EQ(record.body.list.mark[1].type, uint32_t(kMarkerExport));
  EXPECT_EQ(record.body.list.mark[2].type, uint32_t(kMarkerUnset));
  EXPECT_EQ(exported.mark[0].type, uint32_t(kMarkerNumber));  // normalised in place
}

// A list of five entries at levels 1, 2, 2, 1, 2, then a paragraph after it.
//   14 L0 a \n | 17 b \n | 19 c \n | 21 d \n | 23 e \n | 25 E1 | 26 z \n
class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    doc = builder.doc();
    for (uint32_t level = 1; level <= 3; ++level) levelRecords[level] = AddListStyle(kFirstListStyleId + level - 1);
    listRecord.mark[0] = ListMarker{kMarkerNumber, 0, 0, u'.'};
    listRecord.mark[1] = ListMarker{kMarkerNumber, 4, 0, u')'};
    listRecord.mark[2] = ListMarker{kMarkerBullet, 0, u'-', 0};
    Properties list;
    InitProperties(kListProperties, &list, &listRecord);
    const uint32_t listIndex = IndexForProperties(doc, &list);
    builder.text(Units(u"\u0000a\nb\nc\nd\ne\n\u0001z\n"))
        .knot(14, kKnotList, kKinkBegin, listIndex)
        .knot(25, kKnotList, kKinkEnd)
        .paraRun(25, NormalParaIndex());
    SetLevels({1, 2, 2, 1, 2});
  }

  uint32_t NormalParaIndex() {
    StyleEntry normal;
    FetchDynamicStringArrayEntry(doc->styles, 0, &normal);
    return normal.props;
  }

  // A paragraph style with the builtin id; the index of its record.
  uint32_t AddListStyle(uint32_t builtinId) {
    StyleEntry entry;
    entry.builtinId = builtinId;
    entry.type = kParaProperties;
    const uint32_t styleIndex = SizeOfDynamicArray(doc->styles);
    Properties para;
    SetBaseProperties(kParaProperties, &para);
    para.body.para.style = uint16_t(styleIndex);
    entry.props = IndexForProperties(doc, &para);
    EXPECT_NE(AppendToDynamicStringArray(doc->styles, QStringLiteral("list"), &entry), kDynamicArrayNotFound);
    return entry.props;
  }

  void SetLevels(std::initializer_list<uint32_t> levels) {
    uint32_t cp = 14;
    for (uint32_t level : levels) {
      builder.paraRun(cp, levelRecords[level]);
      cp = cp == 14 ? 17 : cp + 2;
    }
  }

  QString Marker(uint32_t entryCp, uint32_t level, const ListProps& props) {
    return ListEntryMarker(doc, CurrentPane(doc), doc->listNumberCache, 14, entryCp, level, props);
  }

  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t levelRecords[4] = {};
  ListProps listRecord;
  static constexpr uint32_t kEntries[5] = {15, 17, 19, 21, 23};
};

TEST_F(ListTest, NestedNumbersWithAndWithoutAllLevels) {
  const uint32_t levels[5] = {1, 2, 2, 1, 2};
  const char* allLevels[5] = {"1.", "1.a)", "1.b)", "2.", "2.a)"};
  const char* ownLevel[5] = {"1.", "a)", "b)", "2.", "a)"};
  ListProps shown = listRecord;
  shown.levels = 1;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Marker(kEntries[i], levels[i], shown), QString::fromLatin1(allLevels[i])) << "entry " << i;
    EXPECT_EQ(Marker(kEntries[i], levels[i], listRecord), QString::fromLatin1(ownLevel[i])) << "entry " << i;
  }
  // The cache holds one level per entry, keyed by the paragraph's start.
  ASSERT_EQ(SizeOfDynamicCPArray(doc->listNumberCache), 5u);
  EXPECT_EQ(CpAtIndex(doc->listNumberCache, 0), 14u);
  EXPECT_EQ(CpAtIndex(doc->listNumberCache, 4), 23u);
  // A bullet level alone, and with the levels above it; levels are kept to 1-9.
  EXPECT_EQ(Marker(23, 3, listRecord), QStringLiteral("-"));
  EXPECT_EQ(Marker(23, 3, shown), QStringLiteral("2.a)-"));  // no level-2 entry above it
  EXPECT_EQ(Marker(15, 0, listRecord), QStringLiteral("1."));
  EXPECT_EQ(Marker(15, 40, listRecord), QStringLiteral("-"));
}

TEST_F(ListTest, EveryNumberFormatInAMarker) {
  // The second level-1 entry, in each format, with a prefix and a suffix.
  for (uint32_t format = 0; format < kNumberFormatCount; ++format) {
    ListProps props;
    props.mark[0] = ListMarker{kMarkerNumber, format, u'[', u']'};
    EXPECT_EQ(Marker(21, 1, props),
              QStringLiteral("[") + FormattedNumberString(2, int32_t(format), true) + QStringLiteral("]"))
        << "format " << format;
  }
}

TEST_F(ListTest, CheckAndPictureMarkersGiveNoText) {
  ListProps props = listRecord;
  props.mark[2].type = kMarkerCheck;
  EXPECT_TRUE(Marker(23, 3, props).isNull());
  EXPECT_EQ(Marker(17, 2, props), QStringLiteral("a)"));
  props.levels = 1;  // a check marker anywhere turns all levels off
  EXPECT_EQ(Marker(17, 2, props), QStringLiteral("a)"));
  props.mark[5].type = kMarkerPicture;
  EXPECT_TRUE(Marker(15, 1, props).isNull());

  // Bullets only: the level's own character, U+2022 for none; with all
  // levels shown, the characters of the levels above too.
  ListProps bullets;
  bullets.mark[0] = ListMarker{kMarkerBullet, 0, u'o', 0};
  bullets.mark[1] = ListMarker{kMarkerBullet, 0, 0, 0};
  EXPECT_EQ(Marker(15, 1, bullets), QStringLiteral("o"));
  EXPECT_EQ(Marker(17, 2, bullets), QString(QChar(0x2022)));
  bullets.levels = 1;
  EXPECT_EQ(Marker(17, 2, bullets), QStringLiteral("o") + QChar(0x2022));
  // A prefix character and a format beyond the table.
  ListProps odd;
  odd.mark[0] = ListMarker{kMarkerNumber, 1, u'(', u')'};
  EXPECT_EQ(Marker(21, 1, odd), QStringLiteral("(II)"));
  odd.mark[0].format = 99;
  EXPECT_EQ(Marker(21, 1, odd), QStringLiteral("()"));
}

TEST_F(ListTest, InvalidatingTheCacheRenumbers) {
  ListProps shown = listRecord;
  shown.levels = 1;
  EXPECT_EQ(Marker(21, 1, shown), QStringLiteral("2."));
  EXPECT_FALSE(IsListFlaggedForRenumbering(doc, 14));

  // The second entry moves up to level 1: stale until the cache is told.
  SetLevels({1, 1, 2, 1, 2});
  EXPECT_EQ(Marker(21, 1, shown), QStringLiteral("2."));
  InvalListCache(DocRange{doc, 17, 19});
  EXPECT_TRUE(IsListFlaggedForRenumbering(doc, 14));
  EXPECT_EQ(Marker(19, 2, shown), QStringLiteral("2.a)"));
  EXPECT_EQ(Marker(21, 1, shown), QStringLiteral("3."));
  EXPECT_FALSE(IsListFlaggedForRenumbering(doc, 14));

  SplitListCache(DocRange{doc, 26, 27});  // outside the list: nothing flagged
  EXPECT_FALSE(IsListFlaggedForRenumbering(doc, 14));
  SplitListCache(DocRange{doc, 19, 26});
  EXPECT_TRUE(IsListFlaggedForRenumbering(doc, 14));

  KnotFormat knot;
  ListProps props;
  ASSERT_TRUE(FetchList(doc, nullptr, 20, &knot, &props));
  EXPECT_EQ(knot.start, 14u);
  EXPECT_EQ(knot.limit, 26u);
  EXPECT_EQ(props.mark[1].format, 4u);
  EXPECT_FALSE(FetchList(doc, nullptr, 26, &knot, &props));
  EXPECT_EQ(knot.index, kNoCpValue);
}

TEST_F(ListTest, WhatMayBecomeAList) {
  struct Case {
    uint32_t first, limit;
    bool wholeListsOnly;
    const char* refusal;  // null: accepted
  };
  const Case cases[] = {
      {14, 26, false, "a list"},
      {14, 26, true, nullptr},
      {14, 28, true, "a list plus other text"},
      {15, 20, false, nullptr},
      {20, 28, false, "a part of something like a table or a TOC entry"},
      {26, 28, false, nullptr},
  };
  for (const Case& c : cases) {
    QString what = QStringLiteral("unchanged");
    const bool legal = IsLegalPasteForList(DocRange{doc, c.first, c.limit}, c.wholeListsOnly, &what);
    EXPECT_EQ(legal, c.refusal == nullptr) << c.first << "-" << c.limit;
    if (c.refusal) EXPECT_EQ(what, QString::fromLatin1(c.refusal)) << c.first << "-" << c.limit;
  }

  //   14 p \n | 16 T0 q \n T1 | 20 r | 21 D | 22 \n
  RichTextBuilder other;
  other.text(Units(u"p\n\u0000q\n\u0001r\u0001"))
      .knot(16, kKnotTable, kKinkBegin, other.doc()->normalTableIndex)
      .knot(19, kKnotTable, kKinkEnd)
      .knot(21, kKnotDivider, kKinkSingle);
  const Case more[] = {
      {14, 23, false, "a table"},
      {20, 23, false, "a divider"},
      {17, 20, false, "a part of something like a table or a TOC entry"},
      {14, 16, false, nullptr},
  };
  for (const Case& c : more) {
    QString what;
    const bool legal = IsLegalPasteForList(DocRange{other.doc(), c.first, c.limit}, c.wholeListsOnly, &what);
    EXPECT_EQ(legal, c.refusal == nullptr) << c.first << "-" << c.limit;
    if (c.refusal) EXPECT_EQ(what, QString::fromLatin1(c.refusal)) << c.first << "-" << c.limit;
  }
  EXPECT_FALSE(IsLegalPasteForList(DocRange{nullptr, 0, 0}, false, nullptr));
}

}  // namespace
