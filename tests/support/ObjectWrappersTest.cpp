#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "support/CSAlertPresenter.h"
#include "support/Categories.h"
#include "support/ObjectWrappers.h"
#include "testkit/LogCapture.h"
#include "testkit/QStringPrinter.h"

TEST(ObjectWrappers, ListsAndData) {
  const QVariantList list{1, QStringLiteral("two")};
  EXPECT_FALSE(GetArrayEntry(list, 2).isValid());  // index equal to the count
  EXPECT_FALSE(GetArrayEntry(list, -1).isValid());
  EXPECT_EQ(GetArrayEntry(list, 1).toString(), QStringLiteral("two"));
  EXPECT_EQ(IndexOfObject(&list, QStringLiteral("two")), 1u);
  EXPECT_EQ(IndexOfObject(&list, 3), kWrapperNotFound);
  EXPECT_EQ(IndexOfObject(nullptr, 1), kWrapperNotFound);
  EXPECT_EQ(SizeOfArray(list), 2u);

  QByteArray data = CreateData(16);
  EXPECT_EQ(LengthOfData(data), 0u);
  AppendBytesToData(data, "abc", 3);
  AppendBytesToData(data, nullptr, 3);
  EXPECT_EQ(LengthOfData(data), 3u);
  EXPECT_EQ(BytesOfData(data)[2], 'c');
  EXPECT_EQ(CreateDataFromBytes("xy", 2), QByteArray("xy"));
}

TEST(ObjectWrappers, MutableStrings) {
  QString m;
  AppendToString(m, QStringLiteral("hello"));
  AppendToString(m, QString());
  const char16_t tail[] = {u' ', u'w'};
  AppendCharactersToString(m, tail, 2);
  AppendCharactersToString(m, tail, 0);
  EXPECT_EQ(m, QStringLiteral("hello w"));
  InsertStringIntoString(m, QStringLiteral("!"), 100);  // beyond the length: appends
  InsertStringIntoString(m, QStringLiteral(">"), -4);
  EXPECT_EQ(m, QStringLiteral(">hello w!"));
  DeleteStringCharacters(m, 6, 8);
  EXPECT_EQ(m, QStringLiteral(">hello!"));
  ReplaceInString(m, QStringLiteral("l"), QStringLiteral("L"));
  EXPECT_EQ(m, QStringLiteral(">heLLo!"));
  EXPECT_EQ(ReplaceString(m, QStringLiteral("x"), QStringLiteral("y")), m);
  EXPECT_EQ(ReplaceString(m, QStringLiteral("L"), QString()), QStringLiteral(">heo!"));
  EXPECT_EQ(CharacterInString(m, 1), u'h');
  EXPECT_EQ(CharacterInString(m, 99), u' ');
  EXPECT_EQ(CharacterInString(m, -1), u' ');
  EXPECT_EQ(GetSubstring(m, 1, 3), QStringLiteral("he"));
  char16_t buffer[4] = {};
  EXPECT_EQ(CopyUnicodeFromString(m, buffer, 4), 4u);
  EXPECT_EQ(buffer[3], u'L');
  EXPECT_EQ(CopyUnicodeFromString(QStringLiteral("ab"), buffer, 4), 2u);
  ClearString(m);
  EXPECT_TRUE(m.isEmpty());
  EXPECT_EQ(LengthOfString(QStringLiteral("😀")), 2u);
}

TEST(ObjectWrappers, StringsFromBytesAndComparisons) {
  EXPECT_EQ(NewStringFromBytes("caf\xC3\xA9", 5, kByteStringUTF8), QString::fromUtf8("café"));
  EXPECT_EQ(NewStringFromBytes("caf\x8E", 4, 7), QString::fromUtf8("café"));  // any other code: Mac OS Roman
  EXPECT_TRUE(NewStringFromBytes("caf\x8E", 4, kByteStringASCII).isNull());
  const char16_t units[] = {u'h', u'i'};
  EXPECT_EQ(CreateStringFromUnicode(units, 2), QStringLiteral("hi"));
  EXPECT_EQ(IntFromString(QStringLiteral(" 42px")), 42);
  EXPECT_EQ(LongIntFromString(QStringLiteral("-9000000000")), -9000000000);
  EXPECT_EQ(PercentUnescapedString(QStringLiteral("a%20b")), QStringLiteral("a b"));
  EXPECT_FALSE(AreStringsEqual(QString(), QStringLiteral("")));
  EXPECT_TRUE(AreStringsEqual(QString(), QString()));
  EXPECT_TRUE(AreStringsEqual(QStringLiteral("a"), QStringLiteral("a")));
  EXPECT_FALSE(AreStringsEqual(QStringLiteral("a"), QStringLiteral("A")));
  EXPECT_EQ(PositionOfStringInString(QStringLiteral("Hello"), QStringLiteral("LO")), 3);
  EXPECT_EQ(PositionOfStringInString(QStringLiteral("Hello"), QStringLiteral("x")), kStringNotFound);
  EXPECT_EQ(PositionOfStringInString(QString(), QStringLiteral("x")), kWrapperNotFound);
  EXPECT_EQ(PositionOfStringInStringFrom(QStringLiteral("abab"), QStringLiteral("AB"), 1), 2);
  EXPECT_EQ(NewGuidString().size(), 36);
}

TEST(ObjectWrappers, PathsAndFolders) {
  EXPECT_EQ(AppendPathComponent(QStringLiteral("/tmp/"), QStringLiteral("x")), QStringLiteral("/tmp/x"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/a/b/")), QStringLiteral("b"));
  EXPECT_EQ(LastPathComponent(QStringLiteral("/")), QStringLiteral("/"));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"a.svg", "b.SVG", "c.png", "noext"}) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  bool ok = false;
  EXPECT_EQ(FolderContents(dir.path(), {}, QString(), QString(), &ok),
            (QStringList{QStringLiteral("a.svg"), QStringLiteral("b.SVG"), QStringLiteral("c.png"),
                         QStringLiteral("noext")}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(FolderContents(dir.path(), {QStringLiteral("svg")}, QString(), QString()),
            (QStringList{QStringLiteral("a.svg"), QStringLiteral("b.SVG")}));

  LogCapture log;
  CSRecordingAlertPresenter::shared().clear();
  const QString missing = dir.filePath(QStringLiteral("missing"));
  EXPECT_TRUE(
      FolderContents(missing, {}, QStringLiteral("Can't list"), QStringLiteral("Folder %@: %@"), &ok).isEmpty());
  EXPECT_FALSE(ok);
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_EQ(log.lines()[0], QStringLiteral("Can't enumerate folder %1. No such file or directory").arg(missing));
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't list"));
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("Folder missing: No such file or directory"));

  const QString temp = TempFileName(QStringLiteral("emf-import"), QStringLiteral("pdf"));
  EXPECT_TRUE(temp.startsWith(QDir::tempPath() + QLatin1Char('/')));
  EXPECT_TRUE(temp.endsWith(QStringLiteral(".pdf")));
  EXPECT_FALSE(QFileInfo::exists(temp));
}
