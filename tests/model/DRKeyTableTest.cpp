#include "model/DRKeyTable.h"

#include "support/CSXmlDecoder.h"

#include <gtest/gtest.h>

TEST(DRKeyTable, HoldsEveryNameWithItsKeyAndInstallsOnce) {
  CreateXmlDecoder();
  const CSXmlKeyTable first = CSXmlDecoder::sharedKeyDecoder();
  int found = 0;
  for (int32_t key = 1; key <= 118; ++key) {
    const QString name = XmlTagForKey(key);
    if (name.isNull()) continue;
    ++found;
    EXPECT_EQ(first.value(name), key) << name.toStdString();
  }
  EXPECT_EQ(found, kXmlKeyCount);
  EXPECT_TRUE(XmlTagForKey(kXmlArrowTypeBase).isNull());
  EXPECT_EQ(XmlTagForKey(kXmlScaleLine), "scale-line");
  EXPECT_EQ(XmlTagForKey(kXmlArrowTypeBase + 2), "open/2");

  CreateXmlDecoder();
  EXPECT_EQ(CSXmlDecoder::sharedKeyDecoder(), first);
}

TEST(DRKeyTable, ReadersSeeTheKeysOfTagsAndValues) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(
      "<?xml version=\"1.0\"?>\n<drawing><lineinfo><cap>round</cap></lineinfo><arrow><type>closed/2</type></arrow></drawing>");
  ASSERT_TRUE(decoder);
  std::vector<int32_t> keys, values;
  while (decoder->getNextTag()) {
    if (!decoder->startTag()) continue;
    keys.push_back(decoder->key());
    if (!decoder->value().isNull()) values.push_back(decoder->decodeValue());
  }
  EXPECT_EQ(keys, (std::vector<int32_t>{kXmlDrawing, kXmlLineinfo, kXmlCap, kXmlArrow, kXmlType}));
  EXPECT_EQ(values, (std::vector<int32_t>{kXmlRound, kXmlClosedHalf}));
}
