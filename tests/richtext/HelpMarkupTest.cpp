#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

#include "QStringPrinter.h"
#include "richtext/Bookmarks.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/HelpMarkup.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeTags.h"
#include "richtext/NativeWriter.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/DynamicArrays.h"

namespace {

struct DocDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using DocPtr = std::unique_ptr<CorvaneDoc, DocDeleter>;

const QString kGoodFolder = QStringLiteral(TWDRAW_TEST_DATA "/helpgen/good");
const QString kShippedFolder = QStringLiteral(TWDRAW_SOURCE_DIR "/resources/help");

// Every file of a package by its path inside it.
QMap<QString, QByteArray> PackageFiles(const QString& package) {
  QMap<QString, QByteArray> files;
  QDirIterator it(package, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    files.insert(QDir(package).relativeFilePath(file.fileName()), file.readAll());
  }
  return files;
}

struct Knot {
  uint32_t cp;
  KnotEntry entry;
};

std::vector<Knot> KnotsOfType(CorvaneDoc* doc, uint32_t type, uint32_t role) {
  std::vector<Knot> knots;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    Knot knot;
    knot.cp = FetchDynamicCPArrayEntry(doc->knots, i, &knot.entry);
    if (knot.entry.type == type && knot.entry.role == role) knots.push_back(knot);
  }
  return knots;
}

// The text that a reference shows and the bookmark it leads to, or "" when
// it leads nowhere.
QString ReferenceTarget(CorvaneDoc* doc, const KnotEntry& entry) {
  const uint32_t index = BookmarkIndexForGuidIndex(doc, entry.word2);
  return index == kNoBookmark ? QString() : BookmarkGuid(doc, index);
}

// The text of a chapter's body with its marks taken out.
QString ChapterText(CorvaneDoc* doc, uint32_t chapter) {
  const uint32_t first = KnotLimitCp(doc, CpAtIndex(doc->chapterMarks, chapter));
  const uint32_t limit = std::min(CpAtIndex(doc->chapterMarks, chapter + 1), doc->textLimit);
  QString text = RawTextString(doc, first, limit);
  text.remove(QChar(0)).remove(QChar(1));
  return text;
}

class HelpMarkupTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateCorvaneXmlDecoder(); }

  DocPtr BuildGood() {
    HelpMarkupError error;
    DocPtr doc(BuildHelpDocumentFromFolder(kGoodFolder, &error));
    EXPECT_TRUE(doc) << error.text().toStdString();
    return doc;
  }
  QTemporaryDir m_dir;
};

TEST_F(HelpMarkupTest, ThePackageReadsBackValidAndWritesTheSameBytes) {
  DocPtr built = BuildGood();
  ASSERT_TRUE(built);
  const QString first = m_dir.filePath(QStringLiteral("Help.ZEduzez"));
  QString reason;
  ASSERT_TRUE(WriteNativePackage(built.get(), first, &reason)) << reason.toStdString();

  DocPtr read(NewCorvaneDoc(kViewDocument));
  ASSERT_TRUE(ReadNativeFile(read.get(), first, &reason)) << reason.toStdString();
  EXPECT_TRUE(ValidateDocument(read.get(), &reason)) << reason.toStdString();
  EXPECT_TRUE(CheckHelpDocumentRules(read.get(), &reason)) << reason.toStdString();

  const QString second = m_dir.filePath(QStringLiteral("Again.ZEduzez"));
  ASSERT_TRUE(WriteNativePackage(read.get(), second, &reason)) << reason.toStdString();
  const QMap<QString, QByteArray> before = PackageFiles(first);
  EXPECT_EQ(before.keys(), (QStringList{"Images/dot.png", "document.txt", "format.xml", "structure.xml"}));
  EXPECT_EQ(PackageFiles(second), before);
  // The picture is the source PNG, byte for byte.
  QFile png(kGoodFolder + QStringLiteral("/images/dot.png"));
  ASSERT_TRUE(png.open(QIODevice::ReadOnly));
  EXPECT_EQ(before.value(QStringLiteral("Images/dot.png")), png.readAll());
}

TEST_F(HelpMarkupTest, ChaptersAreKnotsOfEightMarksNamedAtTheirLevels) {
  DocPtr doc = BuildGood();
  ASSERT_TRUE(doc);
  ASSERT_EQ(SizeOfDynamicCPArray(doc->chapterMarks), 3u);
  EXPECT_EQ(CpAtIndex(doc->chapterMarks, 0), 0u);
  EXPECT_EQ(ChapterName(doc.get(), 0), QStringLiteral("Welcome"));
  EXPECT_EQ(ChapterName(doc.get(), 1), QStringLiteral("\tTools"));
  EXPECT_EQ(ChapterName(doc.get(), 2), QStringLiteral("\t\tPens in depth"));
  for (uint32_t i = 0; i < 3; ++i) {
    KnotFormat knot;
    FetchKnot(doc.get(), CpAtIndex(doc->chapterMarks, i), &knot, kKnotChapter);
    ASSERT_EQ(knot.kinkCount, 8u) << "chapter " << i;
    // Six empty paragraphs between the middle marks.
    for (uint32_t k = 1; k < 7; ++k) {
      EXPECT_EQ(knot.kinks[k + 1], knot.kinks[k] + 2);
      EXPECT_EQ(CharacterAtCp(doc.get(), knot.kinks[k] + 1), kParagraphMark);
    }
    EXPECT_EQ(knot.entry.props, doc->firstChapterIndex);
  }
  // Runs of both kinds start at cp 0.
  EXPECT_EQ(CpAtIndex(doc->charRuns, 0), 0u);
  EXPECT_EQ(CpAtIndex(doc->paraRuns, 0), 0u);
}

TEST_F(HelpMarkupTest, TheBodyHoldsTitleListsPicturesRunsAndLinks) {
  DocPtr doc = BuildGood();
  ASSERT_TRUE(doc);
  const QString text = ChapterText(doc.get(), 0);
  // Title, joined lines, a chord as written, escapes taken out.
  EXPECT_TRUE(text.startsWith(QStringLiteral("Welcome\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("The first paragraph joins two lines and shows italic text.\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Press Ctrl+Shift+Z to redo.\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Save it as *.png [copy].\n")));

  // A bullet list and a numbered list, each its own knot.
  const std::vector<Knot> lists = KnotsOfType(doc.get(), kKnotList, kKinkBegin);
  ASSERT_EQ(lists.size(), 2u);
  const Properties* bullets = PropertiesAtIndex(doc.get(), lists[0].entry.props);
  const Properties* steps = PropertiesAtIndex(doc.get(), lists[1].entry.props);
  ASSERT_TRUE(bullets && steps);
  EXPECT_EQ(bullets->body.list.mark[0].type, 1u);
  EXPECT_EQ(steps->body.list.mark[0].type, 3u);
  EXPECT_EQ(KnotLimitCp(doc.get(), lists[0].cp), lists[1].cp);  // the bullets end where the steps begin

  // "first" is bold, "italic" italic, the rest plain.
  const uint32_t body = KnotLimitCp(doc.get(), 0);
  const QString raw = RawTextString(doc.get(), 0, doc->cpLimit);
  auto charsAt = [&](const QString& word) {
    CharProps props;
    DocRange range;
    FetchCharProps(doc.get(), &range, uint32_t(raw.indexOf(word, body)), &props);
    return props;
  };
  EXPECT_EQ(charsAt(QStringLiteral("first")).bold, 1);
  EXPECT_EQ(charsAt(QStringLiteral("joins")).bold, 0);
  EXPECT_EQ(charsAt(QStringLiteral("italic")).italic, 1);
  EXPECT_EQ(charsAt(QStringLiteral("Welcome\n")).size, 72);

  const std::vector<Knot> pictures = KnotsOfType(doc.get(), kKnotPicture, kKinkSingle);
  ASSERT_EQ(pictures.size(), 1u);
  ASSERT_EQ(PictureCount(doc.get()), 1u);
  EXPECT_EQ(*PictureAtIndex(doc.get(), 0)->name, QStringLiteral("dot"));
  EXPECT_EQ(PictureAtIndex(doc.get(), 0)->image->size(), QSizeF(4, 3));

  const std::vector<Knot> links = KnotsOfType(doc.get(), kKnotLink, kKinkBegin);
  ASSERT_EQ(links.size(), 1u);
  KnotFormat link;
  FetchKnot(doc.get(), links[0].cp, &link, kKnotLink);
  EXPECT_EQ(LinkAddressString(link), QStringLiteral("https://example.org/help"));
  EXPECT_EQ(LinkDisplayString(link), QStringLiteral("our site"));
}

TEST_F(HelpMarkupTest, EveryReferenceShowsItsTextAndFindsItsBookmark) {
  DocPtr built = BuildGood();
  ASSERT_TRUE(built);
  // Through the package, as the help window reads it.
  const QString package = m_dir.filePath(QStringLiteral("Help.ZEduzez"));
  ASSERT_TRUE(WriteNativePackage(built.get(), package));
  DocPtr doc(NewCorvaneDoc(kViewDocument));
  QString reason;
  ASSERT_TRUE(ReadNativeFile(doc.get(), package, &reason)) << reason.toStdString();

  struct Expected {
    QString shown;
    QString guid;
  };
  const Expected expected[] = {{"the tools", "01-tools"},
                               {"Tools", "01-tools#2"},
                               {"Welcome", "00-welcome"},
                               {"pens", "pens"}};
  const std::vector<Knot> references = KnotsOfType(doc.get(), kKnotVariable, kKinkSingle);
  ASSERT_EQ(references.size(), std::size(expected));
  for (size_t i = 0; i < references.size(); ++i) {
    const KnotEntry& entry = references[i].entry;
    EXPECT_EQ(entry.word1, uint32_t(kVariableBookmarkRef));
    EXPECT_EQ(ReferenceTarget(doc.get(), entry), expected[i].guid);
    EXPECT_EQ(VariableString(doc.get(), nullptr, references[i].cp, entry.word1, entry.word3, entry.word2),
              expected[i].shown);
  }
  // The two bookmarks of "01-tools" mark the same paragraph, the chapter's
  // first after its title; "pens" marks the heading.
  const uint32_t tools = CpAtIndex(doc->bookmarkMarks, BookmarkIndexForGuid(doc.get(), "01-tools"));
  const uint32_t second = CpAtIndex(doc->bookmarkMarks, BookmarkIndexForGuid(doc.get(), "01-tools#2"));
  EXPECT_EQ(second, KnotLimitCp(doc.get(), tools));
  EXPECT_TRUE(RawTextString(doc.get(), KnotLimitCp(doc.get(), second), doc->cpLimit)
                  .startsWith(QStringLiteral("Each tool draws")));
  const uint32_t pens = CpAtIndex(doc->bookmarkMarks, BookmarkIndexForGuid(doc.get(), "pens"));
  EXPECT_TRUE(RawTextString(doc.get(), KnotLimitCp(doc.get(), pens), doc->cpLimit).startsWith(QStringLiteral("Pens\n")));
}

// Each refusal names the file and line at fault.
TEST_F(HelpMarkupTest, RefusedMarkupNamesItsFileAndLine) {
  const QByteArray head = "@chapter 00 top T\n@bookmark a\n";
  struct Case {
    const char* what;
    QList<HelpMarkupFile> files;
    QString file;
    int line;
    QString message;  // a part of the message
  };
  const QList<Case> cases = {
      {"unknown directive", {{"00-a.help", head + "Text.\n@table x\n"}}, "00-a.help", 4, "unknown directive"},
      {"unknown escape", {{"00-a.help", head + "A \\q b.\n"}}, "00-a.help", 3, "unknown escape"},
      {"unclosed bold", {{"00-a.help", head + "A *bold\nstill.\n"}}, "00-a.help", 3, "never closed"},
      {"unclosed chord", {{"00-a.help", head + "- Press {Ctrl+Z to undo.\n"}}, "00-a.help", 3, "never closed"},
      {"heading without space", {{"00-a.help", head + "#Heading\n"}}, "00-a.help", 3, "heading"},
      {"reference without text", {{"00-a.help", head + "See [[see:a]].\n"}}, "00-a.help", 3, "[[target|text"},
      {"dangling reference", {{"00-a.help", head + "Body.\n\nSee [[see:b|B]].\n"}}, "00-a.help", 5, "no @bookmark b"},
      {"duplicate bookmark", {{"00-a.help", head + "Body.\n@bookmark a\nMore.\n"}}, "00-a.help", 4, "already set"},
      {"bookmark marking nothing", {{"00-a.help", head + "Body.\n@bookmark z\n"}}, "00-a.help", 4, "marks nothing"},
      {"missing picture", {{"00-a.help", head + "Body.\n@picture none.png\n"}}, "00-a.help", 4, "missing picture"},
      {"picture outside the folder", {{"00-a.help", head + "@picture ../dot.png\n"}}, "00-a.help", 3, "@picture"},
      {"empty chapter", {{"00-a.help", head + "\n\n"}}, "00-a.help", 1, "empty"},
      {"TODO", {{"00-a.help", head + "Write this. TODO\n"}}, "00-a.help", 3, "placeholder"},
      {"TBD in a title", {{"00-a.help", "@chapter 00 top Tbd\nText.\n"}}, "00-a.help", 1, "placeholder"},
      {"lorem", {{"00-a.help", head + "- Lorem ipsum.\n"}}, "00-a.help", 3, "placeholder"},
      {"http link", {{"00-a.help", head + "[[http://example.org|x]]\n"}}, "00-a.help", 3, "only https"},
      {"mail link", {{"00-a.help", head + "[[mailto:a@b.c|x]]\n"}}, "00-a.help", 3, "only https"},
      {"control character", {{"00-a.help", head + QByteArray("A\x01 b.\n", 6)}}, "00-a.help", 3, "control"},
      {"not UTF-8", {{"00-a.help", head + "Caf\xE9.\n"}}, "00-a.help", 3, "UTF-8"},
      {"bad header", {{"00-a.help", "@chapter top Title\nText.\n"}}, "00-a.help", 1, "@chapter"},
      {"number unlike the file's", {{"00-a.help", "@chapter 01 top T\nText.\n"}}, "00-a.help", 1, "numbered 00"},
      {"gap",
       {{"00-a.help", head + "Text.\n"}, {"02-c.help", "@chapter 02 sub C\nText.\n"}},
       "02-c.help", 1, "missing"},
      {"duplicate",
       {{"00-a.help", head + "Text.\n"}, {"00-b.help", "@chapter 00 sub B\nText.\n"}},
       "00-b.help", 1, "also 00-a.help"},
      {"no first chapter", {{"01-a.help", "@chapter 01 top A\nText.\n"}}, "01-a.help", 1, "must be 00"},
  };
  for (const Case& c : cases) {
    HelpMarkupError error;
    DocPtr doc(BuildHelpDocument(c.files, kGoodFolder + QStringLiteral("/images"), &error));
    EXPECT_FALSE(doc) << c.what;
    EXPECT_EQ(error.file, c.file) << c.what;
    EXPECT_EQ(error.line, c.line) << c.what << ": " << error.text().toStdString();
    EXPECT_TRUE(error.message.contains(c.message)) << c.what << ": " << error.text().toStdString();
    EXPECT_TRUE(error.text().startsWith(QStringLiteral("%1:%2: ").arg(c.file).arg(c.line))) << c.what;
  }
}

TEST_F(HelpMarkupTest, KnotsTheHelpViewCannotShowAreRefused) {
  struct Case {
    uint32_t type;
    uint32_t word1;
    bool allowed;
  };
  const Case cases[] = {{kKnotVariable, kVariableBookmarkRef, true}, {kKnotVariable, kVariableDate, true},
                        {kKnotVariable, kVariableLink, true},        {kKnotVariable, kVariableTime, true},
                        {kKnotVariable, kVariablePageNumber, false}, {kKnotVariable, kVariableChapterName, false},
                        {kKnotCheckbox, 0, false},                   {kKnotNone, 0, false}};
  for (const Case& c : cases) {
    RichTextBuilder builder;
    builder.text(QStringLiteral("a") + QChar(0) + QStringLiteral("b")).knot(RichTextBuilder::kBodyStart + 1, c.type,
                                                                           kKinkSingle);
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(builder.doc()->knots, 8));
    ASSERT_EQ(entry->type, c.type);
    entry->word1 = c.word1;
    QString reason;
    EXPECT_EQ(CheckHelpDocumentRules(builder.doc(), &reason), c.allowed) << c.type << "/" << c.word1;
    if (!c.allowed) {
      EXPECT_TRUE(reason.endsWith(QStringLiteral("at cp 15"))) << reason.toStdString();
    }
  }
}

// The help as written: every chapter the callers open exists at its level,
// and every reference and link leads somewhere.
TEST_F(HelpMarkupTest, TheShippedHelpBuildsWithItsChaptersAtTheirLevels) {
  if (!QDir(kShippedFolder).exists()) GTEST_SKIP() << "no resources/help in this checkout";
  HelpMarkupError error;
  DocPtr doc(BuildHelpDocumentFromFolder(kShippedFolder, &error));
  ASSERT_TRUE(doc) << error.text().toStdString();
  const uint32_t chapters = SizeOfDynamicCPArray(doc->chapterMarks);
  ASSERT_GE(chapters, 72u);
  const QSet<uint32_t> topLevel = {0, 3, 29, 35, 55, 56};
  for (uint32_t i = 0; i < 72; ++i) {
    const QString name = ChapterName(doc.get(), i);
    const bool top = topLevel.contains(i);
    EXPECT_EQ(name.startsWith(u'\t'), !top) << "chapter " << i << " \"" << name.toStdString() << "\"";
    EXPECT_FALSE(name.startsWith(QStringLiteral("\t\t"))) << "chapter " << i;
    EXPECT_FALSE(name.trimmed().isEmpty()) << "chapter " << i;
  }
  for (const Knot& reference : KnotsOfType(doc.get(), kKnotVariable, kKinkSingle))
    EXPECT_FALSE(ReferenceTarget(doc.get(), reference.entry).isEmpty()) << "reference at cp " << reference.cp;
  for (const Knot& link : KnotsOfType(doc.get(), kKnotLink, kKinkBegin)) {
    KnotFormat knot;
    FetchKnot(doc.get(), link.cp, &knot, kKnotLink);
    EXPECT_EQ(QUrl(LinkAddressString(knot)).scheme(), QStringLiteral("https"));
  }
  // The package as the build writes it reads back whole and writes again
  // byte for byte.
  const QString package = m_dir.filePath(QStringLiteral("Help.ZEduzez"));
  QString reason;
  ASSERT_TRUE(WriteNativePackage(doc.get(), package, &reason)) << reason.toStdString();
  DocPtr read(NewCorvaneDoc(kViewDocument));
  ASSERT_TRUE(ReadNativeFile(read.get(), package, &reason)) << reason.toStdString();
  EXPECT_EQ(SizeOfDynamicCPArray(read->chapterMarks), chapters);
  const QString again = m_dir.filePath(QStringLiteral("Again.ZEduzez"));
  ASSERT_TRUE(WriteNativePackage(read.get(), again, &reason)) << reason.toStdString();
  EXPECT_EQ(PackageFiles(again), PackageFiles(package));
}

}  // namespace
