#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <vector>

#include "platform/ExtendedAttributes.h"
#include "support/Files.h"
#include "testkit/ResourceForkBuilder.h"

namespace {

constexpr uint32_t kUrl = 0x75726C20, kUrln = 0x75726C6E, kText = 0x54455854;

bool Parse(const QByteArray& bytes, ResourceForkContents* contents) {
  return ParseResourceFork(reinterpret_cast<const uint8_t*>(bytes.constData()), uint64_t(bytes.size()), contents);
}

}  // namespace

TEST(ResourceFork, ParsesEveryResource) {
  const QByteArray fork =
      BuildResourceFork({{kText, 128, "hello"}, {kUrl, -1, "https://example.org/"}, {kText, 129, ""}});
  ResourceForkContents contents;
  ASSERT_TRUE(Parse(fork, &contents));
  ASSERT_EQ(contents.entries.size(), 3u);
  EXPECT_EQ(contents.entries[0].type, kText);
  EXPECT_EQ(contents.entries[0].id, 128);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(contents.entries[0].data), contents.entries[0].length), "hello");
  EXPECT_EQ(contents.entries[1].type, kText);
  EXPECT_EQ(contents.entries[1].length, 0u);
  EXPECT_EQ(contents.entries[2].id, -1);  // ids are signed
  EXPECT_GE(contents.entries[2].data, contents.block);
  EXPECT_LE(contents.entries[2].data + contents.entries[2].length, contents.block + contents.blockLength);
  FreeResourceForkContents(&contents);
  EXPECT_EQ(contents.block, nullptr);
  EXPECT_TRUE(contents.entries.empty());

  ResourceForkContents empty;
  EXPECT_TRUE(Parse(BuildResourceFork({}), &empty));  // a type count of 0xFFFF: no resources
  EXPECT_TRUE(empty.entries.empty());
  FreeResourceForkContents(&empty);
}

TEST(ResourceFork, BadOffsetsAnswerNo) {
  const QByteArray good = BuildResourceFork({{kText, 1, "abcdef"}, {kUrl, 2, "xy"}});
  const qsizetype mapOffset = 16 + 4 + 6 + 4 + 2;
  struct Mutation {
    const char* what;
    qsizetype at;
    int width;
    uint32_t value;
  };
  const Mutation mutations[] = {
      {"data offset past the end", 0, 32, 0x7FFFFFFF},
      {"data offset wrapping with its length", 0, 32, 0xFFFFFFF0},
      {"map offset past the end", 4, 32, uint32_t(good.size())},
      {"data length past the end", 8, 32, uint32_t(good.size())},
      {"map length wrapping", 12, 32, 0xFFFFFFFF},
      {"map too short for its type list offset", 12, 32, 20},
      {"type list outside the map", mapOffset + 24, 16, 0xFFF0},
      {"more types than the map holds", mapOffset + 28, 16, 40},
      {"reference list outside the map", mapOffset + 30 + 6, 16, 0xFF00},
      {"more references than the map holds", mapOffset + 30 + 4, 16, 0x0FFF},
      {"resource data outside the data", mapOffset + 30 + 16 + 4, 32, 0x00FFFFFF},
      {"resource length past the data", 16 + 10, 32, 3},
      {"resource length wrapping", 16, 32, 0xFFFFFFFF},
  };
  for (const Mutation& m : mutations) {
    QByteArray bad = good;
    PutBigEndian(bad, m.at, m.value, m.width / 8);
    ResourceForkContents contents;
    EXPECT_FALSE(Parse(bad, &contents)) << m.what;
    EXPECT_EQ(contents.block, nullptr) << m.what;
    EXPECT_TRUE(contents.entries.empty()) << m.what;
  }
  for (qsizetype cut = 0; cut < good.size(); ++cut) {
    ResourceForkContents contents;
    EXPECT_FALSE(Parse(good.left(cut), &contents)) << "cut at " << cut;
  }
  ResourceForkContents contents;
  EXPECT_FALSE(ParseResourceFork(nullptr, 10, &contents));
}

TEST(ResourceFork, ReadFromExtendedAttributeAndWebLocations) {
  QTemporaryDir dir;
  const QString file = dir.filePath("link.webloc");
  QFile(file).open(QIODevice::WriteOnly);
  if (!SetExtendedAttribute(file, kResourceForkAttribute, BuildResourceFork({})))
    GTEST_SKIP() << "this file system keeps no user attributes";
  const QByteArray fork = BuildResourceFork(
      {{kUrl, 256, "http://old.example/"}, {kUrln, 256, "Example"}, {kUrl, 257, "https://example.org/"}});
  ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, fork));
  EXPECT_TRUE(HasResources(file));
  EXPECT_EQ(ResourceForkLength(file), uint64_t(fork.size()));
  ResourceForkContents contents;
  ASSERT_TRUE(ReadResourceFork(file, &contents));
  EXPECT_EQ(contents.entries.size(), 3u);
  FreeResourceForkContents(&contents);
  QString name;
  EXPECT_EQ(GetLinkFromWebloc(file, &name), QString("https://example.org/"));  // the last one wins
  EXPECT_EQ(name, QString("Example"));

  // A link without a name leaves the name alone; no link answers empty.
  ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, BuildResourceFork({{kUrl, 1, "a:b"}})));
  name = "untouched";
  EXPECT_EQ(GetLinkFromWebloc(file, &name), QString("a:b"));
  EXPECT_EQ(name, QString("untouched"));
  ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, BuildResourceFork({{kUrln, 1, "name only"}})));
  EXPECT_EQ(GetLinkFromWebloc(file, &name), QString());
  EXPECT_EQ(name, QString("untouched"));

  CSError error;
  EXPECT_TRUE(DeleteResourceFork(file, &error));
  EXPECT_FALSE(HasResources(file));
  EXPECT_EQ(ResourceForkLength(file), 0u);
  EXPECT_FALSE(ReadResourceFork(file, &contents));
  EXPECT_FALSE(DeleteResourceFork(file, &error));
  EXPECT_EQ(error.domain(), CSError::kOSStatusDomain);
}
