#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>

#include "support/Base64.h"
#include "testkit/QStringPrinter.h"

TEST(Base64, Rfc4648Vectors) {
  struct Row {
    const char* bytes;
    const char* text;
  } rows[] = {{"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
              {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"}, {"ab", "YWI="}};
  for (const Row& r : rows) {
    const QByteArray bytes(r.bytes);
    EXPECT_EQ(NewBase64StringFromData(bytes), QString::fromLatin1(r.text));
    const auto decoded = NewDataFromBase64String(QString::fromLatin1(r.text));
    ASSERT_TRUE(decoded.has_value()) << r.text;
    EXPECT_EQ(*decoded, bytes) << r.text;
  }
}

TEST(Base64, EmptyInputGivesNoText) {
  EXPECT_TRUE(NewBase64StringFromData(QByteArray()).isNull());
  EXPECT_TRUE(NewBase64StringFromBytes(nullptr, 3).isNull());
  EXPECT_TRUE(NewBase64StringFromBytes("x", 0).isNull());
}

TEST(Base64, LineBreaks) {
  const QByteArray bytes57(57, 'x');
  const QString one = NewBase64StringFromData(bytes57);
  EXPECT_EQ(one.size(), 76);
  EXPECT_FALSE(one.contains(QLatin1Char('\n')));
  const QString two = NewBase64StringFromData(QByteArray(58, 'x'));
  EXPECT_EQ(two.indexOf(QLatin1Char('\n')), 76);
  EXPECT_EQ(two.count(QLatin1Char('\n')), 1);
  EXPECT_FALSE(two.endsWith(QLatin1Char('\n')));
  const QString exact = NewBase64StringFromData(QByteArray(114, 'x'));  // exactly two lines
  EXPECT_EQ(exact.size(), 153);
  EXPECT_EQ(exact.count(QLatin1Char('\n')), 1);
}

TEST(Base64, DecodingRules) {
  struct Row {
    const char* text;
    bool valid;
    const char* bytes;
  } rows[] = {
      {"YWI=", true, "ab"},
      {"YWI", true, "ab"},  // simply ends: the bytes gathered so far
      {"YQ", true, "a"},
      {"Y", true, ""},
      {"", true, ""},
      {"YW\r\nJj", true, "abc"},    // line ends anywhere
      {"YQ==garbage!", true, "a"},  // the first "=" ends the text
      {"=", true, ""},
      {"YW Jj", false, ""},  // a blank
      {"YW*j", false, ""},
      {"YWJj\t", false, ""},
      {"Y\xC3\xA9", false, ""},  // beyond ASCII
  };
  for (const Row& r : rows) {
    const auto decoded = NewDataFromBase64String(QString::fromUtf8(r.text));
    ASSERT_EQ(decoded.has_value(), r.valid) << r.text;
    if (decoded) EXPECT_EQ(*decoded, QByteArray(r.bytes)) << r.text;
  }
}

TEST(Base64, RandomRoundTrips) {
  QRandomGenerator random(4648);
  for (int round = 0; round < 300; ++round) {
    QByteArray bytes(qsizetype(random.bounded(1, 700)), Qt::Uninitialized);
    for (char& c : bytes) c = char(random.bounded(256));
    const QString text = NewBase64StringFromData(bytes);
    const auto lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) ASSERT_EQ(lines[i].size(), 76);
    ASSERT_LE(lines.last().size(), 76);
    const auto decoded = NewDataFromBase64String(text);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(*decoded, bytes) << round;
  }
}
