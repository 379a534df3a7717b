#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "support/Pasteboard.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kTiff = QStringLiteral("image/tiff");

// A pasteboard holding the formats, each with a little data.
std::unique_ptr<QMimeData> Holding(const QStringList& formats) {
  auto data = std::make_unique<QMimeData>();
  for (const QString& format : formats) {
    if (format == g_plainStringType) {
      data->setText(QStringLiteral("text"));
    } else {
      data->setData(format, QByteArrayLiteral("data"));
    }
  }
  return data;
}

// What a caller accepting images, text and links sees.
const QStringList& AcceptedTypes() {
  static const QStringList types = [] {
    QStringList list{g_fileNamesType, g_urlUti};
    list << PasteboardImageTypes();
    list << g_rtfType << g_htmlType << g_plainStringType;
    return list;
  }();
  return types;
}

struct ClassifierCase {
  const char* name;
  QStringList formats;
  QStringList types;  // empty: AcceptedTypes()
  PasteboardDataKind kind;
  QString chosen;
};

}  // namespace

TEST(Pasteboard, ImageTypesStartWithTheSixPictureFormatsAndHaveNoDuplicates) {
  const QStringList& types = PasteboardImageTypes();
  ASSERT_GE(types.size(), 6);
  EXPECT_EQ(types.mid(0, 6), (QStringList{QStringLiteral("image/jpeg"), QStringLiteral("image/jp2"), kTiff,
                                          QStringLiteral("image/gif"), kPng, QStringLiteral("image/bmp")}));
  QStringList unique = types;
  EXPECT_EQ(unique.removeDuplicates(), 0);
  // The same shared list each time.
  EXPECT_EQ(&PasteboardImageTypes(), &types);
}

TEST(Pasteboard, ClassifierTable) {
  const std::vector<ClassifierCase> cases = {
      {"png and rtf is text from rtf", {kPng, g_rtfType}, {}, kPasteboardText, g_rtfType},
      {"png first among the types, still rtf", {kPng, g_rtfType}, {kPng, g_rtfType}, kPasteboardText, g_rtfType},
      {"application/rtf counts as rtf", {kPng, g_rtfAlternateType}, {kPng}, kPasteboardText, g_rtfAlternateType},
      {"png with public.plain-text only is an image", {kPng, g_plainTextUti}, {}, kPasteboardImage, kPng},
      {"png with the plain string is text", {kPng, g_plainStringType}, {}, kPasteboardText, g_plainStringType},
      {"the legacy html type wins among the flavours",
       {kPng, g_plainStringType, g_htmlType, g_legacyHtmlType},
       {},
       kPasteboardText,
       g_legacyHtmlType},
      {"two lesser flavours make text", {kPng, g_macTextUti, g_utf16TextUti}, {}, kPasteboardText, g_utf16TextUti},
      {"png alone", {kPng}, {}, kPasteboardImage, kPng},
      {"nothing acceptable", {QStringLiteral("application/x-other")}, {}, kPasteboardNothing, QString()},
      {"plain text", {g_plainStringType}, {}, kPasteboardText, g_plainStringType},
      {"html offered", {g_htmlType, g_plainStringType}, {}, kPasteboardText, g_htmlType},
      {"another type with a plain string reads rtf first",
       {QStringLiteral("application/x-custom"), g_rtfType, g_plainStringType},
       {QStringLiteral("application/x-custom")},
       kPasteboardText,
       g_rtfType},
      {"another type without a plain string",
       {QStringLiteral("application/x-custom")},
       {QStringLiteral("application/x-custom")},
       kPasteboardNothing,
       QStringLiteral("application/x-custom")},
  };
  for (const ClassifierCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto data = Holding(c.formats);
    QString chosen = QStringLiteral("unset");
    EXPECT_EQ(PasteboardDataType(data.get(), c.types.isEmpty() ? AcceptedTypes() : c.types, &chosen), c.kind);
    EXPECT_EQ(chosen, c.chosen);
  }
}

TEST(Pasteboard, FileNamesAndLinksAreUriLists) {
  QString chosen;
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png"))});
  EXPECT_TRUE(PasteboardHasType(&files, g_fileNamesType));
  EXPECT_FALSE(PasteboardHasType(&files, g_urlUti));
  EXPECT_EQ(PasteboardDataType(&files, AcceptedTypes(), &chosen), kPasteboardFileNames);
  EXPECT_EQ(chosen, g_fileNamesType);

  QMimeData link;
  link.setUrls({QUrl(QStringLiteral("https://example.org/page"))});
  EXPECT_FALSE(PasteboardHasType(&link, g_fileNamesType));
  EXPECT_EQ(PasteboardDataType(&link, AcceptedTypes(), &chosen), kPasteboardLink);
  EXPECT_EQ(chosen, g_urlUti);
  // A link that comes with a picture is the picture.
  link.setData(kPng, QByteArrayLiteral("png"));
  EXPECT_EQ(PasteboardDataType(&link, AcceptedTypes(), &chosen), kPasteboardImage);
  EXPECT_EQ(chosen, g_urlUti);
}

TEST(Pasteboard, MailLinksClassifyByTheirAddress) {
  QMimeData mail;
  mail.setUrls({QUrl(QStringLiteral("message://%3Cid@example.org%3E")), QUrl(QStringLiteral("https://example.org"))});
  mail.setData(g_mailMessageType, QByteArrayLiteral("message"));
  mail.setText(QStringLiteral("Subject"));
  EXPECT_TRUE(PasteboardContainsMailLink(&mail));
  QString chosen;
  // Even a caller that lists text first gets the link.
  EXPECT_EQ(PasteboardDataType(&mail, {g_plainStringType}, &chosen), kPasteboardLink);
  EXPECT_EQ(chosen, g_urlUti);
  mail.setData(kTiff, QByteArrayLiteral("tiff"));
  EXPECT_EQ(PasteboardDataType(&mail, {g_plainStringType}, &chosen), kPasteboardImage);

  // One item, or no mail string: no mail link.
  QMimeData single;
  single.setUrls({QUrl(QStringLiteral("https://example.org"))});
  single.setData(g_mailMessageType, QByteArrayLiteral("message"));
  EXPECT_FALSE(PasteboardContainsMailLink(&single));
  QMimeData noMail;
  noMail.setUrls({QUrl(QStringLiteral("https://a.example")), QUrl(QStringLiteral("https://b.example"))});
  EXPECT_FALSE(PasteboardContainsMailLink(&noMail));
  noMail.setData(g_mailAutomatorType, QByteArrayLiteral("automator"));
  EXPECT_TRUE(PasteboardContainsMailLink(&noMail));
}

TEST(Pasteboard, MediaLibraryFilesAreNotFileNames) {
  QMimeData media;
  media.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/song.mp3"))});
  media.setData(g_mediaMetadataType, QByteArrayLiteral("<plist/>"));
  QString chosen;
  EXPECT_EQ(PasteboardDataType(&media, AcceptedTypes(), &chosen), kPasteboardNothing);
  EXPECT_EQ(chosen, g_fileNamesType);
  media.setText(QStringLiteral("Song"));
  EXPECT_EQ(PasteboardDataType(&media, AcceptedTypes(), &chosen), kPasteboardText);
  EXPECT_EQ(chosen, g_plainStringType);
}

TEST(Pasteboard, ExtraTypesOfTheHost) {
  const QString link = QStringLiteral("application/x-host-link");
  const QString text = QStringLiteral("application/x-host-text");
  const auto data = Holding({link, text});
  QString chosen;
  EXPECT_EQ(PasteboardDataType(data.get(), {link}, &chosen), kPasteboardNothing);
  EXPECT_EQ(PasteboardDataType(data.get(), {text}, &chosen), kPasteboardNothing);
  g_extraLinkPasteboardType = link;
  g_extraTextPasteboardType = text;
  EXPECT_EQ(PasteboardDataType(data.get(), {link}, &chosen), kPasteboardLink);
  EXPECT_EQ(PasteboardDataType(data.get(), {text}, &chosen), kPasteboardText);
  EXPECT_EQ(chosen, text);
  g_extraLinkPasteboardType.clear();
  g_extraTextPasteboardType.clear();
}

TEST(Pasteboard, NullChosenTypeAndEmptyPasteboard) {
  QMimeData empty;
  EXPECT_EQ(PasteboardDataType(&empty, AcceptedTypes(), nullptr), kPasteboardNothing);
  EXPECT_EQ(PasteboardDataType(&empty, {}, nullptr), kPasteboardNothing);
}

TEST(Pasteboard, CopyLinkWritesStringUrlAndTitle) {
  QMimeData data;
  data.setData(kPng, QByteArrayLiteral("old"));
  CopyLinkToPasteboard(&data, QStringLiteral("https://example.org/a b"), QStringLiteral("Example"),
                       QStringLiteral("application/x-extra"));
  EXPECT_FALSE(data.hasFormat(kPng));
  EXPECT_EQ(data.text(), QStringLiteral("https://example.org/a b"));
  EXPECT_EQ(data.data(QStringLiteral("application/x-extra")), QByteArrayLiteral("https://example.org/a b"));
  ASSERT_EQ(data.urls().size(), 1);
  EXPECT_EQ(data.urls()[0].host(), QStringLiteral("example.org"));
  EXPECT_TRUE(data.hasFormat(g_appleUrlType));
  EXPECT_EQ(QString::fromUtf8(data.data(g_linkNameUti)), QStringLiteral("Example"));
  QString chosen;
  EXPECT_EQ(PasteboardDataType(&data, AcceptedTypes(), &chosen), kPasteboardLink);

  // An empty title declares no name; a file link is a file URL.
  CopyLinkToPasteboard(&data, QStringLiteral("file:///tmp/x.txt"), QString(), QString());
  EXPECT_FALSE(data.hasFormat(g_linkNameUti));
  EXPECT_FALSE(data.hasFormat(QStringLiteral("application/x-extra")));
  ASSERT_EQ(data.urls().size(), 1);
  EXPECT_EQ(data.urls()[0].toLocalFile(), QStringLiteral("/tmp/x.txt"));
}

TEST(Pasteboard, CopyStringReplacesEverything) {
  QMimeData data;
  data.setData(kPng, QByteArrayLiteral("old"));
  data.setUrls({QUrl(QStringLiteral("https://example.org"))});
  CopyStringToPasteboard(&data, QStringLiteral("plain"));
  EXPECT_EQ(data.formats(), QStringList{g_plainStringType});
  EXPECT_EQ(data.text(), QStringLiteral("plain"));
}

TEST(Pasteboard, NullPasteboardIsTheClipboard) {
  CopyStringToPasteboard(nullptr, QStringLiteral("on the clipboard"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("on the clipboard"));
  QString chosen;
  EXPECT_EQ(PasteboardDataType(nullptr, {g_plainStringType}, &chosen), kPasteboardText);
  EXPECT_EQ(chosen, g_plainStringType);
}

// ---- Promised files ----

namespace {

class FakePromiseSource : public CSPromisedFileSource {
 public:
  QStringList namesOfPromisedFilesDroppedAtDestination(const QString& folder) override {
    askedFolder = folder;
    for (const auto& [name, bytes] : files) WriteBytes(QDir(folder).filePath(name), bytes);
    return names;
  }
  QStringList names;
  std::vector<std::pair<QString, QByteArray>> files;
  QString askedFolder;
};

}  // namespace

TEST(Pasteboard, PromisedFilesArriveUnderTheirPromisedNames) {
  FakePromiseSource source;
  source.names = {QStringLiteral("a.jpg"), QStringLiteral("b.png")};
  source.files = {{QStringLiteral("y.png"), "y"}, {QStringLiteral("x.jpeg"), "x"}};
  QStringList paths;
  ASSERT_TRUE(PrepareForPromisedFiles(source, {QStringLiteral("public.file-url"), kPng}, &paths));
  const QDir folder(source.askedFolder);
  EXPECT_TRUE(folder.path().startsWith(QDir::tempPath()));
  // In reverse order of the names.
  EXPECT_EQ(paths, (QStringList{folder.filePath(QStringLiteral("b.png")), folder.filePath(QStringLiteral("a.jpg"))}));

  // Matched in the order of names; listing is by name here.
  QStringList promised{folder.filePath(QStringLiteral("a.jpg")), folder.filePath(QStringLiteral("b.png"))};
  const QStringList kept = KeptPromises(&promised);
  EXPECT_EQ(kept, (QStringList{folder.filePath(QStringLiteral(".a.jpeg")), folder.filePath(QStringLiteral(".b.png"))}));
  EXPECT_TRUE(promised.isEmpty());
  EXPECT_EQ(ReadBytes(folder.filePath(QStringLiteral(".a.jpeg"))), QByteArrayLiteral("x"));
  QDir(source.askedFolder).removeRecursively();
}

TEST(Pasteboard, PromisedFilesRefusals) {
  FakePromiseSource source;
  source.names = {QStringLiteral("a.png")};
  QStringList paths;
  // Two image types: read as images.
  EXPECT_FALSE(PrepareForPromisedFiles(source, {kPng, QStringLiteral("IMAGE/TIFF")}, &paths));
  EXPECT_TRUE(source.askedFolder.isEmpty());
  // No names: the folder goes again.
  source.names.clear();
  EXPECT_FALSE(PrepareForPromisedFiles(source, {kPng}, &paths));
  EXPECT_FALSE(source.askedFolder.isEmpty());
  EXPECT_FALSE(QDir(source.askedFolder).exists());
  EXPECT_TRUE(paths.isEmpty());
  EXPECT_TRUE(KeptPromises(&paths).isEmpty());
}

TEST(Pasteboard, PromisedNamesStayInsideTheFolder) {
  FakePromiseSource source;
  source.names = {QStringLiteral("../../escape.png"), QStringLiteral("file:///etc/passwd"), QStringLiteral("..")};
  QStringList paths;
  ASSERT_TRUE(PrepareForPromisedFiles(source, {kPng}, &paths));
  EXPECT_EQ(paths, QStringList{QDir(source.askedFolder).filePath(QStringLiteral("escape.png"))});
  QDir(source.askedFolder).removeRecursively();
}

TEST(Pasteboard, KeptPromisesSkipsHiddenEntriesAndStopsWhenNamesRunOut) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  WriteBytes(folder.filePath(QStringLiteral(".hidden")), "h");
  WriteBytes(folder.filePath(QStringLiteral("first")), "1");
  WriteBytes(folder.filePath(QStringLiteral("second.txt")), "2");
  QStringList promised{folder.filePath(QStringLiteral("one.rtf"))};
  const QStringList kept = KeptPromises(&promised);
  // An entry without an extension keeps the promised one.
  EXPECT_EQ(kept, QStringList{folder.filePath(QStringLiteral(".one.rtf"))});
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("second.txt"))));
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral(".hidden"))));
}
