#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include "ImageCompare.h"
#include "LogCapture.h"
#include "TestFiles.h"
#include "richtext/Bookmarks.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeTags.h"
#include "richtext/NativeWriter.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/CSImage.h"
#include "support/DynamicArrays.h"

namespace {

QString FixturePath(const QString& name) {
  return QStringLiteral(TWDRAW_TEST_DATA "/richtext/native/") + name;
}

struct DocDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using DocPtr = std::unique_ptr<CorvaneDoc, DocDeleter>;

DocPtr NewDoc() {
  return DocPtr(NewCorvaneDoc(kViewDocument));
}

// Everything the two forms must keep, one line per item, so that a
// difference shows where it lies.
QString Dump(CorvaneDoc* doc) {
  QStringList lines;
  QString text = RawTextString(doc, 0, doc->cpLimit);
  text.replace(QChar(0), QStringLiteral("{0}")).replace(QChar(1), QStringLiteral("{1}"));
  lines << QStringLiteral("limits %1 %2").arg(doc->textLimit).arg(doc->cpLimit) << QStringLiteral("text ") + text;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    KnotEntry e;
    const uint32_t cp = FetchDynamicCPArrayEntry(doc->knots, i, &e);
    lines << QStringLiteral("knot %1: %2 %3 %4 %5 %6 %7 %8")
                 .arg(cp)
                 .arg(e.type)
                 .arg(e.role)
                 .arg(e.props)
                 .arg(e.word1)
                 .arg(e.word2)
                 .arg(e.word3)
                 .arg(e.opacity);
  }
  for (CSArrayCP* marks : {doc->chapterMarks, doc->bookmarkMarks, doc->listMarks, doc->tableMarks})
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(marks); ++i) lines << QStringLiteral("mark %1").arg(CpAtIndex(marks, i));
  for (auto [runs, name] : {std::pair{doc->charRuns, "char"}, std::pair{doc->paraRuns, "para"}}) {
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(runs); ++i) {
      uint32_t index = 0;
      const uint32_t cp = FetchDynamicCPArrayEntry(runs, i, &index);
      lines << QStringLiteral("%1 run %2 %3").arg(QLatin1String(name)).arg(cp).arg(index);
    }
  }
  for (uint32_t i = 0; i < SizeOfDynamicArray(doc->propertyTable); ++i) {
    const Properties* record = PropertiesAtIndex(doc, i);
    const QByteArray body(reinterpret_cast<const char*>(record->body.bytes), qsizetype(PropertyBodySize(record->type)));
    // The own-index word is the reader's to set, not part of the content.
    lines << QStringLiteral("record %1 type %2 %3").arg(i).arg(record->type).arg(QString::fromLatin1(body.toHex()));
    if (record->type == kCharProperties) lines << QStringLiteral("font ") + FontName(doc, record->body.charProps.font);
  }
  for (uint32_t i = 0; i < SizeOfDynamicArray(doc->styles); ++i) {
    StyleEntry s;
    const QString name = FetchDynamicStringArrayEntry(doc->styles, i, &s);
    lines << QStringLiteral("style %1 %2 %3 %4 %5 %6 %7")
                 .arg(name)
                 .arg(s.builtinId)
                 .arg(s.type)
                 .arg(s.base)
                 .arg(s.next)
                 .arg(s.props)
                 .arg(s.charProps);
  }
  const QByteArray docProps(reinterpret_cast<const char*>(&doc->docProps), sizeof doc->docProps);
  lines << QStringLiteral("docprops ") + QString::fromLatin1(docProps.toHex());
  lines << QStringLiteral("normal %1 %2 %3").arg(doc->firstChapterIndex).arg(doc->normalListIndex).arg(doc->normalTableIndex);
  for (uint32_t i = 0; i < PictureCount(doc); ++i) {
    const PictureEntry* p = PictureAtIndex(doc, i);
    const QSizeF size = GetPictureSize(p->image && !p->image->isNull() ? p->image : nullptr);
    lines << QStringLiteral("picture %1 %2x%3").arg(i).arg(size.width()).arg(size.height());
  }
  return lines.join(u'\n');
}

// Reports only the lines that differ.
void ExpectSameDump(const QString& actual, const QString& expected, const char* what) {
  const QStringList a = actual.split(u'\n'), e = expected.split(u'\n');
  for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
    const QString left = i < a.size() ? a[i] : QStringLiteral("<none>");
    const QString right = i < e.size() ? e[i] : QStringLiteral("<none>");
    EXPECT_EQ(left, right) << what << " line " << i;
  }
}

QStringList PictureNames(CorvaneDoc* doc) {
  QStringList names;
  for (uint32_t i = 0; i < PictureCount(doc); ++i) names << *PictureAtIndex(doc, i)->name;
  return names;
}

// A document with a picture, a link, a bookmark, a variable, two char
// records, a paragraph with tabs and text that needs escaping.
DocPtr BuiltDocument() {
  RichTextBuilder builder;
  CorvaneDoc* doc = builder.doc();
  // 14: "Pic " 18: picture 19: " & <link> " 29-31: link marks around "go",
  // then a bookmark and a variable.
  const QString body = QStringLiteral("Pic ") + QChar(0) + QStringLiteral(" & <x> ") + QChar(0) + QStringLiteral("url") +
                       QChar(0) + QStringLiteral("go") + QChar(0) + QStringLiteral(" \u00e9\u2014\v tab\tend ") +
                       QChar(0) + QStringLiteral("G") + QChar(0) + QStringLiteral("mark") + QChar(0) +
                       QStringLiteral(" v") + QChar(0) + QStringLiteral("\n");
  builder.text(body);
  const uint32_t b = RichTextBuilder::kBodyStart;
  QImage pixels(6, 4, QImage::Format_ARGB32);
  pixels.fill(Qt::red);
  const QString name = QStringLiteral("red dot");
  EXPECT_EQ(StorePicture(doc, CSImage::initWithCGImage(pixels, QSizeF()), &name), 0u);
  const uint32_t pic = b + 4;
  const uint32_t link = b + 12;
  builder.knot(pic, kKnotPicture, kKinkSingle);
  builder.knot(link, kKnotLink, kKinkBegin).knot(link + 4, kKnotLink, kKinkMiddle).knot(link + 7, kKnotLink, kKinkEnd);
  const auto bookmark = uint32_t(body.indexOf(QChar(0), 25) + b);
  builder.knot(bookmark, kKnotBookmark, kKinkBegin)
      .knot(bookmark + 2, kKnotBookmark, kKinkMiddle)
      .knot(bookmark + 7, kKnotBookmark, kKinkEnd);
  builder.knot(bookmark + 10, kKnotVariable, kKinkSingle);
  auto setWords = [&](uint32_t cp, uint32_t w1, uint32_t w2, uint16_t w3, uint16_t opacity) {
    const uint32_t index = IndexOfCp(doc->knots, cp);
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
    entry->word1 = w1;
    entry->word2 = w2;
    entry->word3 = w3;
    entry->opacity = opacity;
  };
  setWords(pic, 0, 2, 1000, 55);
  setWords(bookmark + 10, 13, 0xFFFFFFFF, 3, 0);
  IdentifyBookmarks(doc);

  Properties bold;
  SetBaseProperties(kCharProperties, &bold);
  bold.body.charProps.bold = 1;
  bold.body.charProps.size = 56;
  bold.body.charProps.color = 0x64112233;
  bold.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Serif"));
  const uint32_t boldIndex = IndexForProperties(doc, &bold);
  Properties para;
  SetBaseProperties(kParaProperties, &para);
  para.body.para.align = 2;
  para.body.para.indent1 = 12700 * 18;
  para.body.para.tabCount = 2;
  para.body.para.tabs[0] = 36000 | kCenterTab;
  para.body.para.tabs[1] = 72000 | (1u << 26);
  para.body.para.prefix.count = 2;
  para.body.para.prefix.units[0] = u'-';
  para.body.para.prefix.units[1] = u' ';
  const uint32_t paraIndex = IndexForProperties(doc, &para);
  uint32_t plain = 0;
  FetchDynamicCPArrayEntry(doc->charRuns, 0, &plain);
  builder.charRun(b + 1, boldIndex).charRun(b + 3, plain);
  builder.paraRun(b, paraIndex);
  doc->docProps.deftab = 12700 * 30;
  doc->docProps.widow = 1;
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc, &reason)) << reason.toStdString();
  return DocPtr(builder.take());
}

class NativeDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupRichTextResources();
    CreateCorvaneXmlDecoder();
    // Records of new documents name font 0: it must have a name to be kept.
    IndexOfFont(QStringLiteral("DejaVu Sans"));
  }
  QTemporaryDir m_dir;
};

TEST_F(NativeDocumentTest, The221TagsAreRegisteredWithTheirKeys) {
  const CSXmlKeyTable& keys = CorvaneKeyTable();
  EXPECT_EQ(keys.size(), kNativeTagCount);
  QSet<int32_t> seen;
  for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
    EXPECT_TRUE(it.value() >= 1000 && it.value() <= 1223) << it.key().toStdString();
    EXPECT_FALSE(seen.contains(it.value())) << it.value();
    seen.insert(it.value());
    EXPECT_EQ(NativeTagForKey(it.value()), it.key());
  }
  for (const int32_t unused : {1021, 1078, 1182}) EXPECT_TRUE(NativeTagForKey(unused).isNull()) << unused;
  EXPECT_EQ(keys.value(QStringLiteral("corvane")), kTagCorvane);
  EXPECT_EQ(keys.value(QStringLiteral("zoom")), 1087);
  EXPECT_EQ(keys.value(QStringLiteral("after")), 1088);
  EXPECT_EQ(keys.value(QStringLiteral("c1")), 1112);
  EXPECT_EQ(keys.value(QStringLiteral("c25")), 1136);
  EXPECT_EQ(keys.value(QStringLiteral("ypos")), 1223);
  for (int32_t key = 1088; key <= 1223; ++key) EXPECT_EQ(TagFromKey(key).isNull(), key == 1182) << key;
  EXPECT_TRUE(TagFromKey(1087).isNull());
  EXPECT_EQ(TagFromKey(1223), QStringLiteral("ypos"));
}

TEST_F(NativeDocumentTest, EachWriterReadsBackEqual) {
  DocPtr original = BuiltDocument();
  const QString expected = Dump(original.get());

  const QString package = m_dir.filePath(QStringLiteral("Doc.ZEduzez"));
  QString reason;
  ASSERT_TRUE(WriteNativePackage(original.get(), package, &reason)) << reason.toStdString();
  DocPtr fromPackage = NewDoc();
  ASSERT_TRUE(ReadNativeFile(fromPackage.get(), package, &reason)) << reason.toStdString();
  ExpectSameDump(Dump(fromPackage.get()), expected, "package");
  EXPECT_EQ(PictureNames(fromPackage.get()), QStringList{QStringLiteral("red dot")});

  const QString v2 = m_dir.filePath(QStringLiteral("Doc.cvnx"));
  ASSERT_TRUE(WriteNativeV2(original.get(), v2, &reason)) << reason.toStdString();
  DocPtr fromV2 = NewDoc();
  ASSERT_TRUE(ReadNativeFile(fromV2.get(), v2, &reason)) << reason.toStdString();
  ExpectSameDump(Dump(fromV2.get()), expected, "V2");
  EXPECT_EQ(fromV2->embeddedPictures, 1);
  // V2 invents picture names; both forms fill the bookmark GUID table.
  ASSERT_EQ(PictureCount(fromV2.get()), 1u);
  EXPECT_NE(*PictureAtIndex(fromV2.get(), 0)->name, QStringLiteral("red dot"));
  EXPECT_EQ(BookmarkCount(fromV2.get()), 1u);
  EXPECT_EQ(GuidIndexForBookmarkIndex(fromV2.get(), 0), 0u);
  EXPECT_EQ(GuidIndexForBookmarkIndex(fromPackage.get(), 0), 0u);

  // And writing what was read gives the same bytes again.
  EXPECT_EQ(WriteNativeV2(fromPackage.get()).size(), WriteNativeV2(original.get()).size());
  DocPtr imported = NewDoc();
  ASSERT_TRUE(ImportCvnx(imported.get(), WriteNativeV2(fromV2.get()), &reason)) << reason.toStdString();
  ExpectSameDump(Dump(imported.get()), expected, "imported");
}

TEST_F(NativeDocumentTest, BookmarkReferencesNeedTheGuidTable) {
  // The variable names bookmark GUID entry 0: both forms fill the table in
  // bookmark order, so the reference survives either.
  DocPtr original = BuiltDocument();
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(original->knots); ++i) {
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(original->knots, i));
    if (entry->type == kKnotVariable) entry->word2 = 0;
  }
  QString reason;
  DocPtr fromV2 = NewDoc();
  ASSERT_TRUE(ImportCvnx(fromV2.get(), WriteNativeV2(original.get()), &reason)) << reason.toStdString();
  const QString package = m_dir.filePath(QStringLiteral("Refs.ZEduzez"));
  ASSERT_TRUE(WriteNativePackage(original.get(), package, &reason));
  DocPtr fromPackage = NewDoc();
  ASSERT_TRUE(ReadNativeFile(fromPackage.get(), package, &reason)) << reason.toStdString();
  auto variableWord2 = [](CorvaneDoc* doc) {
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
      KnotEntry entry;
      FetchDynamicCPArrayEntry(doc->knots, i, &entry);
      if (entry.type == kKnotVariable) return entry.word2;
    }
    return 12345u;
  };
  EXPECT_EQ(variableWord2(fromV2.get()), 0u);
  EXPECT_EQ(BookmarkIndexForGuidIndex(fromV2.get(), 0), 0u);
  EXPECT_EQ(variableWord2(fromPackage.get()), 0u);
  EXPECT_EQ(BookmarkIndexForGuidIndex(fromPackage.get(), 0), 0u);
}

TEST_F(NativeDocumentTest, StyleLinksClosingACircleAreCutOnReading) {
  DocPtr original = BuiltDocument();
  CorvaneDoc* doc = original.get();
  Properties chars;
  SetDefaultProperties(doc, kCharProperties, &chars);
  const uint32_t a = CreateStyle(doc, QStringLiteral("A"), kNotBuiltinStyle, 0, 0, &chars, nullptr, false);
  const uint32_t b = CreateStyle(doc, QStringLiteral("B"), kNotBuiltinStyle, a, 0, &chars, nullptr, false);
  StyleEntry entry = StyleEntryAt(doc, a);
  entry.base = b;
  ReplaceDynamicStringArrayData(doc->styles, a, &entry);
  LogCapture log;
  DocPtr copy = NewDoc();
  QString reason;
  ASSERT_TRUE(ImportCvnx(copy.get(), WriteNativeV2(doc), &reason)) << reason.toStdString();
  const uint32_t readA = StyleIndexForName(copy.get(), QStringLiteral("A"));
  const uint32_t readB = StyleIndexForName(copy.get(), QStringLiteral("B"));
  ASSERT_NE(readA, kNoPropertyIndex);
  EXPECT_EQ(StyleEntryAt(copy.get(), readA).base, kStyleNone);
  EXPECT_EQ(StyleEntryAt(copy.get(), readB).base, readA);
  EXPECT_TRUE(log.text().contains(QStringLiteral("leads back to it")));
  EXPECT_TRUE(ValidateDocument(copy.get()));
}

TEST_F(NativeDocumentTest, AnEmptyDocumentRoundTrips) {
  DocPtr original = NewDoc();
  DocPtr copy = NewDoc();
  QString reason;
  ASSERT_TRUE(ImportCvnx(copy.get(), WriteNativeV2(original.get()), &reason)) << reason.toStdString();
  ExpectSameDump(Dump(copy.get()), Dump(original.get()), "empty");
}

TEST_F(NativeDocumentTest, ALaterVersionIsRefused) {
  DocPtr doc = NewDoc();
  QString reason;
  EXPECT_FALSE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("later-version.ZEduzez")), &reason));
  EXPECT_EQ(reason, g_nativeLaterVersionReason);
  doc = NewDoc();
  EXPECT_FALSE(ImportCvnx(doc.get(), QStringLiteral("<?xml version=\"1.0\"?><corvane><ver>3</ver></corvane>"), &reason));
  EXPECT_EQ(reason, g_nativeLaterVersionReason);
}

TEST_F(NativeDocumentTest, ATextOfAnotherLengthFailsWithoutAReason) {
  DocPtr doc = NewDoc();
  QString reason = QStringLiteral("untouched");
  EXPECT_FALSE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("wrong-length.ZEduzez")), &reason));
  EXPECT_TRUE(reason.isNull());
}

TEST_F(NativeDocumentTest, AMissingMemberIsDamage) {
  for (const char* name : {"no-format.ZEduzez", "no-such-package.ZEduzez"}) {
    DocPtr doc = NewDoc();
    QString reason;
    EXPECT_FALSE(ReadNativeFile(doc.get(), FixturePath(QLatin1String(name)), &reason)) << name;
    EXPECT_EQ(reason, g_nativeDamagedReason) << name;
  }
}

TEST_F(NativeDocumentTest, PlainMarksGoAndLeaveABlank) {
  DocPtr doc = NewDoc();
  QString reason;
  ASSERT_TRUE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("plain-mark.cvnx")), &reason)) << reason.toStdString();
  EXPECT_EQ(RawTextString(doc.get(), 14, doc->textLimit), QStringLiteral("a b"));
  EXPECT_EQ(doc->readPlainMarks, 1);
  KnotEntry entry;
  EXPECT_FALSE(KnotEntryAtCp(doc.get(), 15, &entry));
}

TEST_F(NativeDocumentTest, AnImageSavedAsTiffIsFoundAsPng) {
  DocPtr doc = NewDoc();
  QString reason;
  ASSERT_TRUE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("tiff-as-png.ZEduzez")), &reason))
      << reason.toStdString();
  ASSERT_EQ(PictureCount(doc.get()), 1u);
  const PictureEntry* picture = PictureAtIndex(doc.get(), 0);
  ASSERT_TRUE(picture->image);
  EXPECT_EQ(GetPictureSize(picture->image), QSizeF(6, 4));
  EXPECT_EQ(*picture->name, QStringLiteral("photo"));
  EXPECT_TRUE(picture->fileName->endsWith(QStringLiteral("Images/photo.png")));
}

TEST_F(NativeDocumentTest, KnotMarkChildrenBecomeMarkCharacters) {
  DocPtr doc = NewDoc();
  QString reason;
  ASSERT_TRUE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("k0-k1.cvnx")), &reason)) << reason.toStdString();
  EXPECT_EQ(CharacterAtCp(doc.get(), 0), u'\0');
  EXPECT_EQ(CharacterAtCp(doc.get(), 13), u'\1');
  EXPECT_EQ(RawTextString(doc.get(), 14, doc->cpLimit), QStringLiteral("x&y\n"));
}

TEST_F(NativeDocumentTest, AMissingImageIsLoggedAndMeasures32) {
  DocPtr doc = NewDoc();
  LogCapture log;
  QString reason;
  ASSERT_TRUE(ReadNativeFile(doc.get(), FixturePath(QStringLiteral("missing-image.ZEduzez")), &reason))
      << reason.toStdString();
  ASSERT_EQ(PictureCount(doc.get()), 1u);
  const PictureEntry* picture = PictureAtIndex(doc.get(), 0);
  EXPECT_EQ(picture->image, nullptr);
  EXPECT_EQ(GetPictureSize(picture->image), QSizeF(32, 32));
  EXPECT_TRUE(log.text().contains(QStringLiteral("Can't read image ")));
  EXPECT_TRUE(log.text().contains(QStringLiteral("Images/gone.png")));
}

TEST_F(NativeDocumentTest, PicturePathsOutsideThePackageAreNotFollowed) {
  // A foreign document may not reach other files by "path", ".." or "/".
  QImage pixels(3, 3, QImage::Format_ARGB32);
  pixels.fill(Qt::blue);
  const QString outside = m_dir.filePath(QStringLiteral("secret.png"));
  WriteBytes(outside, EncodeImage(pixels, "png"));
  DocPtr original = NewDoc();
  QString v2 = WriteNativeV2(original.get());
  const QString images = QStringLiteral("<images><image source=\"path\">%1</image>"
                                        "<image source=\"resource\">../x.png</image></images>")
                             .arg(outside);
  v2.replace(QStringLiteral("<text>"), images + QStringLiteral("<text>"));
  DocPtr doc = NewDoc();
  QString reason;
  ASSERT_TRUE(ImportCvnx(doc.get(), v2, &reason)) << reason.toStdString();
  ASSERT_EQ(PictureCount(doc.get()), 2u);
  EXPECT_EQ(PictureAtIndex(doc.get(), 0)->image, nullptr);
  EXPECT_EQ(PictureAtIndex(doc.get(), 1)->image, nullptr);
  // Our own documents may.
  DocPtr own = NewDoc();
  std::unique_ptr<CSXmlDecoder> reader = CSXmlDecoder::createWithString(v2);
  reader->setKeyDecoder(CorvaneKeyTable());
  ASSERT_TRUE(ReadV2Xml(own.get(), *reader, &reason, NativeSource::kOwn)) << reason.toStdString();
  ASSERT_TRUE(PictureAtIndex(own.get(), 0)->image);
}

TEST_F(NativeDocumentTest, BadWholesAreRefused) {
  const DocPtr base = NewDoc();
  const QString good = WriteNativeV2(base.get());
  struct Case {
    const char* name;
    QString text;
    QString reason;  // null: none
  };
  const QString length = QStringLiteral("<length>%1,%2</length>").arg(base->textLimit).arg(base->cpLimit);
  auto edited = [&](const QString& from, const QString& to) {
    QString text = good;
    text.replace(from, to);
    return text;
  };
  // The text first, then a structure that says the text is longer: the
  // pieces would not cover the text.
  QString textFirst = good;
  const qsizetype textStart = textFirst.indexOf(QStringLiteral("<text>"));
  const QString textElement = textFirst.mid(textStart, textFirst.indexOf(QStringLiteral("</text>")) + 7 - textStart);
  textFirst.remove(textStart, textElement.size());
  textFirst.replace(QStringLiteral("<structure>"), textElement + QStringLiteral("<structure>"));
  textFirst.replace(length, QStringLiteral("<length>40,41</length>"));
  const Case cases[] = {
      {"not corvane", QStringLiteral("<?xml version=\"1.0\"?><structure/>"), g_nativeDamagedReason},
      {"no text", edited("<text>", "<notext>").replace(QStringLiteral("</text>"), QStringLiteral("</notext>")),
       g_nativeDamagedReason},
      {"text before a longer length", textFirst, g_nativeDamagedReason},
      {"length not numbers", edited(length, "<length>a,b</length>"), QString()},
      {"length past the cap", edited(length, "<length>2000000000,2000000001</length>"), QString()},
      {"text of another length", edited(length, "<length>40,41</length>"), QString()},
      {"knots out of order", edited("<knot cp=\"3\"", "<knot cp=\"0\""), QString()},
      {"knot without cp", edited("<knot cp=\"3\"", "<knot"), QString()},
      {"image not image", edited("</structure>", "<images><run>x</run></images></structure>"), QString()},
      {"run past the records", edited("<item>0,2</item>", "<item>0,999</item>"), g_nativeDamagedReason},
      {"not XML", QStringLiteral("plain words"), g_xmlUnknownFormatReason},
  };
  for (const Case& c : cases) {
    DocPtr doc = NewDoc();
    QString reason;
    EXPECT_FALSE(ImportCvnx(doc.get(), c.text, &reason)) << c.name;
    if (c.reason.isNull())
      EXPECT_TRUE(reason.isNull()) << c.name << ": " << reason.toStdString();
    else
      EXPECT_EQ(reason, c.reason) << c.name;
  }
}

TEST_F(NativeDocumentTest, TruncatedFilesFailCleanly) {
  DocPtr original = BuiltDocument();
  const QString v2 = WriteNativeV2(original.get());
  for (qsizetype cut = 0; cut < v2.size(); cut += 37) {
    DocPtr doc = NewDoc();
    QString reason;
    EXPECT_FALSE(ImportCvnx(doc.get(), v2.left(cut), &reason)) << cut;
  }
}

}  // namespace
