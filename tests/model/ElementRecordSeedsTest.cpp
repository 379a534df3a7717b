// Every element record file of the fuzz seeds: what reads writes a record
// that reads back as the same record, and a copy of the element writes that
// record too (a duplicated or undone element loses nothing). A file added to
// the folder adds a case.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <cctype>
#include <string>
#include <vector>

#include "model/DRElement.h"
#include "model/DRElementLine.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "testkit/QStringPrinter.h"

namespace {

QString SeedFolder() {
  return QStringLiteral(TWDRAW_TEST_DATA "/fuzz/element_records");
}

std::vector<std::string> SeedNames() {
  std::vector<std::string> names;
  for (const QString& name : QDir(SeedFolder()).entryList(QDir::Files, QDir::Name)) names.push_back(name.toStdString());
  return names;
}

class ElementRecordSeedsTest : public ::testing::TestWithParam<std::string> {
 protected:
  FakeModelServices services;
  SettingsScope settings;
};

TEST_P(ElementRecordSeedsTest, ACopyWritesTheRecordItWasReadFrom) {
  RegisterElementClasses();
  QFile file(SeedFolder() + QLatin1Char('/') + QString::fromStdString(GetParam()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString xml = QString::fromUtf8(file.readAll());
  for (const std::unique_ptr<DRElement>& element : ReadRecords(xml)) {
    if (!element) continue;
    const QString written = RecordOf(*element);
    const std::vector<std::unique_ptr<DRElement>> again = ReadRecords(written);
    ASSERT_EQ(again.size(), 1u) << written.toStdString();
    ASSERT_TRUE(again.front());
    EXPECT_EQ(RecordOf(*again.front()), written);
    const std::unique_ptr<DRElement> copy = element->copy();
    ASSERT_TRUE(copy);
    // Construction ending fixes an unset original size, which a copy does.
    if (element->originalSize().x == 0 && element->originalSize().y == 0) continue;
    EXPECT_EQ(RecordOf(*copy), written);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ElementRecordSeedsTest, ::testing::ValuesIn(SeedNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(ElementRecordCopy, ALineReadWithARotationKeepsItInItsCopy) {
  FakeModelServices services;
  SettingsScope settings;
  RegisterElementClasses();
  const std::unique_ptr<DRElement> line = ReadRecord(Records(QStringLiteral(
      "<element><type>line</type><frame>{127000,254000,1270000,635000}</frame><original>{1270000,635000}</original>"
      "<rotate>381000</rotate></element>")));
  ASSERT_TRUE(line);
  ASSERT_EQ(line->rotation(), 381000);
  const std::unique_ptr<DRElement> copy = line->copy();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->rotation(), 381000);
  EXPECT_EQ(RecordOf(*copy), RecordOf(*line));
  // Setting a rotation still does nothing to a line.
  copy->setRotation(0);
  EXPECT_EQ(copy->rotation(), 381000);
}

}  // namespace
