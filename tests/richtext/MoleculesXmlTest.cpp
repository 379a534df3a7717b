#include <gtest/gtest.h>

#include <QString>
#include <functional>

#include "QStringPrinter.h"
#include "richtext/Molecules.h"
#include "support/Base64.h"
#include "support/CSXmlDecoder.h"

namespace {

QString Units64(std::u16string units) { return NewBase64StringFromBytes(units.data(), units.size() * 2); }

// Reads `<item>body</item>` as a record of the type.
bool Read(uint32_t type, const QString& body, Properties* record, bool withKeys = false) {
  auto decoder = CSXmlDecoder::createWithString(QStringLiteral("<?xml version=\"1.0\"?><props><item>") + body +
                                                QStringLiteral("</item><after/></props>"));
  if (!decoder) return false;
  if (withKeys) {
    CSXmlKeyTable keys;
    for (uint32_t key = kFirstFieldXmlKey; key <= kLastFieldXmlKey; ++key)
      if (const char* tag = FieldTagForKey(key)) keys.insert(QString::fromLatin1(tag), int32_t(key));
    keys.insert(QStringLiteral("mark"), int32_t(kMarkXmlKey));
    decoder->setKeyDecoder(keys);
  }
  while (decoder->getNextTag() && decoder->xmlTag() != QLatin1StringView("item")) {
  }
  const bool ok = ReadPropsFromXml(*decoder, record, type);
  // The reader stands on the record's end tag: the next tag is the one after it.
  if (ok) {
    EXPECT_TRUE(decoder->getNextTag());
    EXPECT_EQ(decoder->xmlTag(), QStringLiteral("after"));
  }
  return ok;
}

Properties Base(uint32_t type) {
  Properties record;
  SetBaseProperties(type, &record);
  return record;
}

TEST(ReadPropsFromXmlTest, OneSnippetPerValueKind) {
  struct Case {
    const char* name;
    uint32_t type;
    QString body;
    std::function<void(Properties&)> expected;  // applied to the base record
  };
  const Case cases[] = {
      {"unknown key", kCharProperties, QStringLiteral("<frob>3</frob>"), [](Properties&) {}},
      {"a field of another type", kCharProperties, QStringLiteral("<keepnext>1</keepnext>"), [](Properties&) {}},
      {"switch", kCharProperties, QStringLiteral("<bold>1</bold><strike>1</strike>"),
       [](Properties& r) { r.body.charProps.bold = r.body.charProps.strike = 1; }},
      {"integer and size", kCharProperties, QStringLiteral("<style>12</style><size>-40</size><font>3</font>"),
       [](Properties& r) {
         r.body.charProps.style = 12;
         r.body.charProps.size = -40;
         r.body.charProps.font = 3;
       }},
      {"measure", kCharProperties, QStringLiteral("<expand>5000000000</expand><sub>-12700</sub>"),
       [](Properties& r) {
         r.body.charProps.expand = 5000000000LL;
         r.body.charProps.sub = -12700;
       }},
      {"enum", kCharProperties, QStringLiteral("<underline>DOUBLE</underline><caps>small</caps>"),
       [](Properties& r) {
         r.body.charProps.underline = 3;
         r.body.charProps.caps = 3;
       }},
      {"unknown enum name", kFrameProperties, QStringLiteral("<wrap>sideways</wrap><x>inside</x>"),
       [](Properties& r) { r.body.frame.x = 4; }},
      {"Kolor", kCharProperties, QStringLiteral("<color>{255, 0, 0}</color><back>{0, 0, 255, 50}</back>"),
       [](Properties& r) {
         r.body.charProps.color = KolorFromString(QStringLiteral("{255, 0, 0}"));
         r.body.charProps.back = KolorFromString(QStringLiteral("{0, 0, 255, 50}"));
       }},
      {"char atom name", kParaProperties, QStringLiteral("<format1>Italic</format1>"),
       [](Properties& r) { r.body.para.format1 = 4; }},
      {"underline as a char atom name", kParaProperties, QStringLiteral("<format1>underline</format1>"),
       [](Properties& r) { r.body.para.format1 = 5; }},
      {"tab", kParaProperties, QStringLiteral("<tab x=\"914400\" align=\"right\" lead=\"Dots\"/>"),
       [](Properties& r) {
         r.body.para.tabCount = 1;
         r.body.para.tabs[0] = 914400 | (1u << 26) | (1u << 29);
       }},
      {"tab position out of range", kParaProperties, QStringLiteral("<tab x=\"-5\"/><tab x=\"99999999\"/>"),
       [](Properties& r) {
         r.body.para.tabCount = 2;
         r.body.para.tabs[1] = kTabPositionMask;
       }},
      {"counted string", kParaProperties,
       QStringLiteral("<prefix>") + Units64(u"ab") + QStringLiteral("</prefix><suffix>") + Units64(u"uvwxyz") +
           QStringLiteral("</suffix>"),
       [](Properties& r) {
         r.body.para.prefix = ParaAffix{2, {u'a', u'b', 0, 0}};
         r.body.para.suffix = ParaAffix{4, {u'u', u'v', u'w', u'x'}};
       }},
      {"bad Base64", kParaProperties, QStringLiteral("<prefix>!!</prefix>"), [](Properties&) {}},
      {"border of a paragraph", kParaProperties, QStringLiteral("<btype>box</btype><bwidth>25400</bwidth>"),
       [](Properties& r) {
         r.body.para.border.btype = 7;
         r.body.para.border.bwidth = 25400;
       }},
      {"chapter columns and text boxes", kChapterProperties,
       QStringLiteral("<c3>720</c3><cols>2</cols><tb>7</tb><nof>ru</nof>"),
       [](Properties& r) {
         r.body.chapter.columns[2] = 720;
         r.body.chapter.cols = 2;
         r.body.chapter.tb[0] = 7;
         r.body.chapter.nof = 1;
       }},
      {"table column 25", kTableProperties, QStringLiteral("<c25>99</c25><stripe>1</stripe>"),
       [](Properties& r) {
         r.body.table.columns[24] = 99;
         r.body.table.stripe = 1;
       }},
      {"list marker", kListProperties,
       QStringLiteral("<indent>100</indent><mark type=\"#\" nof=\"rl\" prefix=\"") + Units64(u"(") +
           QStringLiteral("\" suffix=\"") + Units64(u")") + QStringLiteral("\"/><mark type=\"bullet\"/>"),
       [](Properties& r) {
         r.body.list.indent = 100;
         r.body.list.mark[0] = ListMarker{3, 2, u'(', u')'};
         r.body.list.mark[1] = ListMarker{1, 0, 0, 0};
       }},
      {"column counts past the widths", kTableProperties, QStringLiteral("<cols>200</cols>"),
       [](Properties& r) { r.body.table.cols = 25; }},
      {"chapter column count past the widths", kChapterProperties, QStringLiteral("<cols>40</cols>"),
       [](Properties& r) { r.body.chapter.cols = 10; }},
      {"doc margins", kDocProperties, QStringLiteral("<left>0</left><hidebmk>1</hidebmk><scale>500</scale>"),
       [](Properties& r) {
         r.body.doc.left = 0;
         r.body.doc.hidebmk = 1;
         r.body.doc.scale = 500;
       }},
      {"a field inside an unknown element", kCharProperties, QStringLiteral("<x><bold>1</bold></x><italic>1</italic>"),
       [](Properties& r) { r.body.charProps.italic = 1; }},
  };
  for (bool withKeys : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << (withKeys ? " (keyed)" : ""));
      Properties record;
      ASSERT_TRUE(Read(c.type, c.body, &record, withKeys));
      Properties expected = Base(c.type);
      c.expected(expected);
      EXPECT_TRUE(ArePropertiesEqual(record, expected));
    }
  }
}

TEST(ReadPropsFromXmlTest, AnEmptyElementLeavesTheBase) {
  auto decoder = CSXmlDecoder::createWithString(QStringLiteral("<?xml version=\"1.0\"?><item/>"));
  ASSERT_TRUE(decoder && decoder->getNextTag());
  Properties record;
  record.body.charProps.bold = 1;
  EXPECT_TRUE(ReadPropsFromXml(*decoder, &record, kDocProperties));
  EXPECT_TRUE(ArePropertiesEqual(record, Base(kDocProperties)));
}

TEST(ReadPropsFromXmlTest, TabsAndMarkersStopAtTheirRoom) {
  QString tabs;
  for (int i = 1; i <= 26; ++i) tabs += QStringLiteral("<tab x=\"%1\"/>").arg(i * 100);
  Properties record;
  ASSERT_TRUE(Read(kParaProperties, tabs, &record));
  EXPECT_EQ(record.body.para.tabCount, 25);
  EXPECT_EQ(record.body.para.tabs[24], 2500u);

  QString marks;
  for (int i = 0; i < 10; ++i) marks += i == 9 ? QStringLiteral("<mark type=\"pic\"/>") : QStringLiteral("<mark type=\"check\"/>");
  ASSERT_TRUE(Read(kListProperties, marks, &record));
  for (const ListMarker& mark : record.body.list.mark) EXPECT_EQ(mark.type, 2u);
}

TEST(ReadPropsFromXmlTest, DeepNestingAndBrokenXmlFail) {
  QString deep;
  for (int i = 0; i < 100; ++i) deep += QStringLiteral("<x>");
  for (int i = 0; i < 100; ++i) deep += QStringLiteral("</x>");
  Properties record;
  EXPECT_FALSE(Read(kCharProperties, deep, &record));

  QString shallow;  // nesting below the cap is skipped whole
  for (int i = 0; i < 10; ++i) shallow += QStringLiteral("<x>");
  for (int i = 0; i < 10; ++i) shallow += QStringLiteral("</x>");
  ASSERT_TRUE(Read(kCharProperties, shallow + QStringLiteral("<bold>1</bold>"), &record));
  EXPECT_EQ(record.body.charProps.bold, 1);

  auto decoder = CSXmlDecoder::createWithString(QStringLiteral("<?xml version=\"1.0\"?><item><bold>1</bold>"));
  ASSERT_TRUE(decoder && decoder->getNextTag());
  EXPECT_FALSE(ReadPropsFromXml(*decoder, &record, kCharProperties));  // the text ends inside it
  EXPECT_EQ(record.body.charProps.bold, 1);                              // what was read stays
}

}  // namespace
