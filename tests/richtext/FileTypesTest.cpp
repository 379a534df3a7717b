#include "richtext/FileTypes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "QStringPrinter.h"
#include "TestFiles.h"
#include "platform/ExtendedAttributes.h"
#include "richtext/FakeCorvaneHost.h"
#include "support/Files.h"

namespace {

class FileTypesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    SetOpenFileTypes();
  }
  QString path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
  QString makeFolder(const char* name) const {
    EXPECT_TRUE(QDir().mkpath(path(name)));
    return path(name);
  }
  QString makeFile(const char* name) const {
    WriteBytes(path(name), "text");
    return path(name);
  }

  QTemporaryDir folder;
  ScopedCorvaneConfig keep;
};

TEST_F(FileTypesTest, KindsFollowTheExtensionAndTheItem) {
  struct Case {
    const char* name;
    bool isFolder;
    uint32_t rich;   // with richFormats set
    uint32_t plain;  // with it clear
  };
  const Case cases[] = {
      {"x.rtfd", true, 9, 9},
      {"x.rtf", true, 2, 2},
      {"A.RTF", false, 8, 13},
      {"h.ZEduzez", true, 4, 4},
      {"h.zeduzez2", false, 4, 4},
      {"noextension", false, 0, 0},
      {"plain folder", true, 2, 2},
      {"a.png", false, 6, 6},
      {"b.JPG", false, 6, 6},
      {"c.txt", false, 13, 13},
      {"d.json", false, 13, 13},   // a technical text type
      {"e.doc", false, 15, 15},
      {"f.eml", false, 1, 1},
      {"g.pict", false, 7, 7},
      {"i.textClipping", false, 10, 10},
      {"j.pictclipping", false, 11, 11},
      {"k.webloc", false, 14, 14},
      {"l.opml", false, 5, 13},
      {"m.stickies", false, 12, 12},
      {"n.html", false, 3, 13},
      {"o.tex", false, 13, 13},    // the desktop's type inherits text/plain
      {"p.docx", false, 3, 3},     // one of the open file types
      {"q.zzqqxx", false, 0, 0},   // nobody knows it
      {"r.mp3", false, 0, 0},      // known, but not text
  };
  for (const Case& c : cases) {
    const QString item = c.isFolder ? makeFolder(c.name) : makeFile(c.name);
    g_corvaneConfig.richFormats = 1;
    EXPECT_EQ(GetFileType(item), c.rich) << c.name;
    g_corvaneConfig.richFormats = 0;
    EXPECT_EQ(GetFileType(item), c.plain) << c.name;
    EXPECT_EQ(CanOpenFile(item), c.plain != 0 && c.plain != 2) << c.name;
  }
  EXPECT_EQ(GetFileType(path("x.rtfd") + QStringLiteral("/")), 9u);
}

TEST_F(FileTypesTest, MissingItemsAreUnknown) {
  EXPECT_EQ(GetFileType(QString()), 0u);
  EXPECT_EQ(GetFileType(path("gone.rtf")), 0u);
  EXPECT_FALSE(CanOpenFile(path("gone.txt")));
  // A link whose target vanished is a missing item too.
  ASSERT_TRUE(QFile::link(path("nowhere.txt"), path("dangling.txt")));
  EXPECT_EQ(GetFileType(path("dangling.txt")), 0u);
}

TEST_F(FileTypesTest, TypeCodesDecideBeforeTheExtension) {
  if (!UserAttributesWork(folder.path())) GTEST_SKIP() << "no user extended attributes here";
  struct Case {
    const char* code;
    const char* name;
    uint32_t rich;
    uint32_t plain;
  };
  const Case cases[] = {
      {"PICT", "a.txt", 7, 7},
      {"RTF ", "b.txt", 8, 13},
      {"WDBN", "c.png", 16, 16},
      {"TEXT", "d.png", 6, 6},     // the extension's kind
      {"TEXT", "noext", 13, 13},   // else plain text
      {"XYZW", "e.png", 6, 6},     // an unknown code changes nothing
  };
  for (const Case& c : cases) {
    const QString file = makeFile(c.name);
    QByteArray info(32, '\0');
    info.replace(0, 4, c.code);
    ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, info));
    g_corvaneConfig.richFormats = 1;
    EXPECT_EQ(GetFileType(file), c.rich) << c.code;
    g_corvaneConfig.richFormats = 0;
    EXPECT_EQ(GetFileType(file), c.plain) << c.code;
  }
  // A short attribute carries no code.
  const QString file = makeFile("f.png");
  ASSERT_TRUE(SetExtendedAttribute(file, kFinderInfoAttribute, "PIC"));
  EXPECT_EQ(GetFileType(file), 6u);
}

TEST(FileTypeListsTest, ListsHoldTheirTypesInOrder) {
  const QStringList& plain = PlainTextTypes();
  ASSERT_GE(plain.size(), 4);
  EXPECT_EQ(plain.mid(0, 4), (QStringList{"txt", "text", "ZEduzez2", "'TEXT'"}));
  EXPECT_TRUE(plain.contains(QStringLiteral("json")));
  SetOpenFileTypes();
  const QStringList& open = OpenFileTypes();
  EXPECT_EQ(open.mid(0, 4), (QStringList{"ZEduzez", "ZEduzez2", "'RTF '", "'WDBN'"}));
  EXPECT_EQ(open.mid(open.size() - 7), (QStringList{"docx", "eml", "emlx", "textClipping", "webloc", "opml", "stickies"}));
  EXPECT_EQ(FileTypeForTypeCode(0x54455854), QStringLiteral("'TEXT'"));
}

}  // namespace
