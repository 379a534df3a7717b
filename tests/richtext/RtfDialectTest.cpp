#include "richtext/RtfDialect.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <climits>

#include "QStringPrinter.h"
#include "richtext/Atoms.h"
#include "richtext/Properties.h"

namespace {

uint32_t Lookup(const char* word) { return RtfKeywordFromText(QByteArrayView(word)); }

TEST(RtfKeywordTableTest, RowsAreSortedAndSplitIntoPropertyAndSpecialWords) {
  uint32_t property = 0, special = 0;
  for (uint32_t i = 1; i <= kRtfKeywordCount; ++i) {
    const RtfKeyInfo& info = g_rtfKeyInfos[i];
    EXPECT_EQ(info.index, i);
    if (i > 1)
      EXPECT_LT(QLatin1String(g_rtfKeyInfos[i - 1].keyword).compare(QLatin1String(info.keyword), Qt::CaseInsensitive),
                0)
          << info.keyword;
    // Every word is found by its own letters, in either case.
    EXPECT_EQ(Lookup(info.keyword), i) << info.keyword;
    EXPECT_EQ(RtfKeywordFromText(QByteArray(info.keyword).toUpper()), i) << info.keyword;
    if (info.propertyType == kRtfSpecialWord) {
      ++special;
      continue;
    }
    ++property;
    // A word naming an atom names one of its type's rows.
    if (info.atom != 0) EXPECT_NE(AtomDescFor(info.propertyType, info.atom), nullptr) << info.keyword;
  }
  // "clbrdrt" is a border word like its three siblings.
  EXPECT_EQ(property, 297u);
  EXPECT_EQ(special, 134u);
  EXPECT_EQ(g_rtfKeyInfos[Lookup("clbrdrt")].propertyType, uint32_t(kBorderProperties));
  EXPECT_EQ(g_rtfKeyInfos[Lookup("keepn")].atom, 9u);
  EXPECT_EQ(g_rtfKeyInfos[Lookup("trleft")].atom, 7u);
}

TEST(RtfKeywordTableTest, LookupIgnoresCaseAndAnswersZeroForUnknownWords) {
  EXPECT_EQ(Lookup("B"), Lookup("b"));
  EXPECT_NE(Lookup("b"), 0u);
  EXPECT_EQ(Lookup("nextgraphic"), RtfKey("NeXTGraphic"));
  EXPECT_EQ(RtfKey("NeXTGraphic"), RtfKey("nestrow") + 1);
  EXPECT_EQ(Lookup("zzz"), 0u);
  EXPECT_EQ(Lookup(""), 0u);  // row 0 is never matched
  EXPECT_EQ(Lookup("rtfx"), 0u);
  EXPECT_EQ(RtfKeywordFromText(QByteArray(40, 'b')), 0u);
}

TEST(RtfKeywordTableTest, ControlWordsTakeParametersAndDefaults) {
  struct Case {
    const char* text;
    const char* word;
    int32_t value;
    bool hasParameter;
    uint32_t length;
  };
  const Case cases[] = {
      {"fs-24 x", "fs", -24, true, 6},
      {"b", "b", 1, false, 1},  // an on/off field is on without a parameter
      {"b0", "b", 0, true, 2},
      {"B1", "b", 1, true, 2},
      {"ul x", "ul", 1, false, 3},
      {"ulnone", "ulnone", 0, false, 6},
      {"uldb", "uldb", 1, false, 4},
      {"v", "v", 1, false, 1},
      {"fs", "fs", 0, false, 2},
      {"par  x", "par", 0, false, 4},  // one space belongs to the word
      {"b-x", "b", 1, false, 1},       // a "-" without digits is not a parameter
      {"fs123456789012345678901234567890", "fs", INT32_MAX, true, 32},
      {"fs-123456789012345678901234567890", "fs", INT32_MIN, true, 33},
      {"fs2147483648", "fs", INT32_MAX, true, 12},
      {"fs-2147483648", "fs", INT32_MIN, true, 13},
      {"unknownword12", "", 12, true, 13},
  };
  for (const Case& c : cases) {
    RtfControlWord word;
    ASSERT_TRUE(ReadRtfControlWord(QByteArrayView(c.text), &word)) << c.text;
    EXPECT_EQ(word.index, Lookup(c.word)) << c.text;
    EXPECT_EQ(word.value, c.value) << c.text;
    EXPECT_EQ(word.hasParameter, c.hasParameter) << c.text;
    EXPECT_EQ(word.length, c.length) << c.text;
  }
  RtfControlWord word;
  EXPECT_FALSE(ReadRtfControlWord(QByteArrayView("12"), &word));
  EXPECT_FALSE(ReadRtfControlWord(QByteArrayView(""), &word));
}

TEST(RtfKeywordTableTest, AtomRowsCarryTheWordThatWritesThem) {
  // Each word setting an atom is that atom's writing word; "plain" and
  // "pard" reset rather than write.
  for (uint32_t i = 1; i <= kRtfKeywordCount; ++i) {
    const RtfKeyInfo& info = g_rtfKeyInfos[i];
    if (info.propertyType == kRtfSpecialWord || info.atom == 0) continue;
    if (i == RtfKey("plain") || i == RtfKey("pard")) continue;
    const AtomDesc* row = AtomDescFor(info.propertyType, info.atom);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->rtfKeyword, i) << info.keyword;
  }
  // Emit kinds follow the value kinds: switches are flags, colours indexes,
  // measures twips unless the writer has its own form for them.
  for (uint32_t type : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u}) {
    uint32_t count = 0;
    const AtomDesc* rows = AtomTableForType(type, &count);
    for (uint32_t atom = 1; atom < count; ++atom) {
      const AtomDesc& row = rows[atom];
      if (row.rtfKeyword == 0) {
        EXPECT_EQ(row.rtfEmitKind, kRtfEmitNothing) << type << " " << atom;
        continue;
      }
      if (row.valueKind == kAtomSwitch) EXPECT_EQ(row.rtfEmitKind, kRtfEmitFlagOn) << type << " " << atom;
      if (row.valueKind == kAtomKolor) EXPECT_EQ(row.rtfEmitKind, kRtfEmitColor) << type << " " << atom;
      if (row.valueKind == kAtomMeasure)
        EXPECT_TRUE(row.rtfEmitKind == kRtfEmitTwips || row.rtfEmitKind == kRtfEmitSpecial) << type << " " << atom;
      if (row.valueKind == kAtomBorderWidth) EXPECT_EQ(row.rtfEmitKind, kRtfEmitBorderWidth);
    }
  }
  EXPECT_EQ(AtomDescFor(kCharProperties, kCharAtomSize)->rtfEmitKind, kRtfEmitSpecial);
  EXPECT_EQ(AtomDescFor(kParaProperties, 18)->rtfEmitKind, kRtfEmitTwips);
}

TEST(RtfCodePageTest, CharacterSetsAndCodePagesMapToEncodings) {
  EXPECT_EQ(CodePageForCharSet(128, 1252), 932u);
  EXPECT_EQ(EncodingForCharSet(128, 1252), 1056u);
  EXPECT_STREQ(IconvNameForEncoding(1056), "CP932");
  EXPECT_EQ(CodePageForCharSet(0, 1251), 1252u);
  EXPECT_EQ(CodePageForCharSet(1, 1251), 1251u);  // the document's code page
  EXPECT_EQ(CodePageForCharSet(99, 1251), 1252u);
  EXPECT_EQ(EncodingForCodePage(1252), 1280u);
  EXPECT_EQ(EncodingForCodePage(4242), 1280u);
  EXPECT_EQ(EncodingForCodePage(10000), 0u);
  EXPECT_EQ(EncodingForCodePage(57011), 1280u);
  EXPECT_STREQ(IconvNameForEncoding(9), "CP1252");  // no converter here
  // Every name handed out opens here.
  for (uint32_t codePage : {37u, 42u, 437u, 708u, 737u, 775u, 850u, 852u, 866u, 874u, 932u, 936u, 949u, 950u,
                            1250u, 1251u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 1361u, 10000u, 10001u, 10002u,
                            10003u, 10004u, 10007u, 10008u, 10029u, 57002u}) {
    const char* name = IconvNameForEncoding(EncodingForCodePage(codePage));
    iconv_t cd = iconv_open("UTF-16LE", name);
    EXPECT_NE(cd, iconv_t(-1)) << codePage << " " << name;
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
}

TEST(RtfCodePageTest, BytesDecodeThroughTheirEncoding) {
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("\xe9\xe8"), 1280), QStringLiteral("\u00e9\u00e8"));
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("\x80"), 1280), QStringLiteral("\u20ac"));
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("\x82\xa0"), 1056), QStringLiteral("\u3042"));
  // A lead byte cut off at the end, and a byte that is no character.
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("a\x82"), 1056), QStringLiteral("a\ufffd"));
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("\x81"), 1280), QStringLiteral("\ufffd"));
  EXPECT_EQ(DecodeRtfBytes(QByteArrayView("\xe9"), 77777), QStringLiteral("\u00e9"));  // unknown: Latin 1
  EXPECT_TRUE(DecodeRtfBytes(QByteArrayView(""), 1280).isEmpty());
}

TEST(RtfDialectTest, HighlightsWordTablesAndGenerator) {
  Kolor kolor = 0;
  ASSERT_TRUE(HighlightKolor(1, &kolor));
  EXPECT_EQ(kolor, 0x64000000u);
  ASSERT_TRUE(HighlightKolor(7, &kolor));
  EXPECT_EQ(kolor, 0x6400FFFFu);  // yellow
  ASSERT_TRUE(HighlightKolor(8, &kolor));
  EXPECT_EQ(kolor, 0x64FFFFFFu);
  EXPECT_FALSE(HighlightKolor(0, &kolor));
  EXPECT_FALSE(HighlightKolor(9, &kolor));

  EXPECT_EQ(RtfWordForValue(g_rtfKeysForUnderlines, 3), RtfKey("uldb"));
  EXPECT_EQ(RtfWordForValue(g_rtfKeysForUnderlines, 99), RtfKey("ulnone"));  // outside: value 0's word
  EXPECT_EQ(RtfWordForValue(g_rtfKeysForPageNumberFormats, 11), RtfKey("crvnncbin"));
  EXPECT_EQ(RtfWordForValue(g_rtfKeysForNumberFormats, 7), RtfKey("crvnncardtxt"));
  EXPECT_EQ(g_rtfKeysForStyleTypes[3], 0u);
  EXPECT_EQ(g_rtfPrivateKeysForBorderKinds[14], RtfKey("crvnbdrrowoneb"));
  EXPECT_EQ(g_rtfGeneratorName, QStringLiteral("TindleWick Corvane "));
  EXPECT_EQ(g_rtfGeneratorVersion, QStringLiteral("2.2.1"));
}

}  // namespace
