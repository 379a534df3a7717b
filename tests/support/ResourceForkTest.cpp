#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <vector>

#include "platform/ExtendedAttributes.h"
#include "support/Files.h"

namespace {

struct Resource {
  uint32_t type;
  int16_t id;
  QByteArray data;
};

void Put32(QByteArray& b, qsizetype at, uint32_t v) {
  b[at] = char(v >> 24);
  b[at + 1] = char(v >> 16);
  b[at + 2] = char(v >> 8);
  b[at + 3] = char(v);
}
void Put16(QByteArray& b, qsizetype at, uint32_t v) {
  b[at] = char(v >> 8);
  b[at + 1] = char(v);
}

// Lays resources out as a classic fork: header, data, then the map with its
// type list and reference lists.
QByteArray BuildFork(const std::vector<Resource>& resources) {
  QByteArray data;
  std::vector<uint32_t> dataOffsets;
  for (const Resource& r : resources) {
    dataOffsets.push_back(uint32_t(data.size()));
    QByteArray length(4, '\0');
    Put32(length, 0, uint32_t(r.data.size()));
    data += length + r.data;
  }
  std::vector<uint32_t> types;
  for (const Resource& r : resources)
    if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
  const qsizetype typeListOffset = 28;
  const qsizetype typeListSize = 2 + qsizetype(types.size()) * 8;
  QByteArray map(typeListOffset + typeListSize, '\0');
  Put16(map, 24, uint32_t(typeListOffset));
  Put16(map, 26, uint32_t(map.size()));
  Put16(map, typeListOffset, types.empty() ? 0xFFFF : uint32_t(types.size() - 1));
  for (size_t t = 0; t < types.size(); ++t) {
    const qsizetype entry = typeListOffset + 2 + qsizetype(t) * 8;
    std::vector<size_t> members;
    for (size_t i = 0; i < resources.size(); ++i)
      if (resources[i].type == types[t]) members.push_back(i);
    Put32(map, entry, types[t]);
    Put16(map, entry + 4, uint32_t(members.size() - 1));
    Put16(map, entry + 6, uint32_t(map.size() - typeListOffset));
    for (size_t i : members) {
      QByteArray reference(12, '\0');
      Put16(reference, 0, uint16_t(resources[i].id));
      Put16(reference, 2, 0xFFFF);
      Put32(reference, 4, dataOffsets[i]);  // attributes byte 0, then the 24-bit offset
      map += reference;
    }
  }
  QByteArray fork(16, '\0');
  Put32(fork, 0, 16);
  Put32(fork, 4, uint32_t(16 + data.size()));
  Put32(fork, 8, uint32_t(data.size()));
  Put32(fork, 12, uint32_t(map.size()));
  return fork + data + map;
}

constexpr uint32_t kUrl = 0x75726C20, kUrln = 0x75726C6E, kText = 0x54455854;

bool Parse(const QByteArray& bytes, ResourceForkContents* contents) {
  return ParseResourceFork(reinterpret_cast<const uint8_t*>(bytes.constData()), uint64_t(bytes.size()), contents);
}

}  // namespace

TEST(ResourceFork, ParsesEveryResource) {
  const QByteArray fork = BuildFork({{kText, 128, "hello"}, {kUrl, -1, "https://example.org/"}, {kText, 129, ""}});
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
  EXPECT_TRUE(Parse(BuildFork({}), &empty));  // a type count of 0xFFFF: no resources
  EXPECT_TRUE(empty.entries.empty());
  FreeResourceForkContents(&empty);
}

TEST(ResourceFork, BadOffsetsAnswerNo) {
  const QByteArray good = BuildFork({{kText, 1, "abcdef"}, {kUrl, 2, "xy"}});
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
    if (m.width == 32) {
      Put32(bad, m.at, m.value);
    } else {
      Put16(bad, m.at, m.value);
    }
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
  if (!SetExtendedAttribute(file, kResourceForkAttribute, BuildFork({})))
    GTEST_SKIP() << "this file system keeps no user attributes";
  const QByteArray fork =
      BuildFork({{kUrl, 256, "http://old.example/"}, {kUrln, 256, "Example"}, {kUrl, 257, "https://example.org/"}});
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
  ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, BuildFork({{kUrl, 1, "a:b"}})));
  name = "untouched";
  EXPECT_EQ(GetLinkFromWebloc(file, &name), QString("a:b"));
  EXPECT_EQ(name, QString("untouched"));
  ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, BuildFork({{kUrln, 1, "name only"}})));
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
