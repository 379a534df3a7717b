#include "richtext/FileTypes.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include "platform/ExtendedAttributes.h"
#include "richtext/CorvaneConfig.h"
#include "support/CSImage.h"
#include "support/Categories.h"
#include "support/Files.h"

namespace {

constexpr uint32_t kTypeCodePICT = 0x50494354;  // 'PICT'
constexpr uint32_t kTypeCodeRTF = 0x52544620;   // 'RTF '
constexpr uint32_t kTypeCodeWDBN = 0x5744424E;  // 'WDBN'
constexpr uint32_t kTypeCodeTEXT = 0x54455854;  // 'TEXT'

QStringList g_openFileTypes;

// The type code of the item's Finder information, 0 without one.
uint32_t TypeCodeOfFile(const QString& path) {
  QByteArray info;
  if (!GetExtendedAttribute(path, kFinderInfoAttribute, &info) || info.size() < 4) return 0;
  const auto* bytes = reinterpret_cast<const uchar*>(info.constData());
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | uint32_t(bytes[3]);
}

TextFileType RichOrPlain(TextFileType rich) { return g_corvaneConfig.richFormats ? rich : kTextFilePlain; }

bool Is(const QString& extension, const char* name) {
  return extension.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

const QStringList& ImageExtensions() {
  static const QStringList extensions = CSImage::fileExtensions();
  return extensions;
}

TextFileType FileTypeFromExtension(const QString& extension) {
  if (extension.isEmpty()) return kTextFileUnknown;
  if (Is(extension, "ZEduzez") || Is(extension, "ZEduzez2")) return kTextFileNative;
  if (Is(extension, "rtf")) return RichOrPlain(kTextFileRtf);
  if (Is(extension, "rtfd")) return kTextFileRtfd;
  if (Is(extension, "doc")) return kTextFileWordDocument;
  if (ContainsString(PlainTextTypes(), extension)) return kTextFilePlain;
  if (Is(extension, "eml")) return kTextFileMail;
  if (Is(extension, "pict") || Is(extension, "pic")) return kTextFilePicture;
  if (ImageExtensions().contains(extension.toLower())) return kTextFileImage;
  if (Is(extension, "textClipping")) return kTextFileTextClipping;
  if (Is(extension, "pictClipping")) return kTextFilePictureClipping;
  if (Is(extension, "webloc")) return kTextFileWebLocation;
  if (Is(extension, "opml")) return RichOrPlain(kTextFileOutline);
  if (Is(extension, "stickies")) return kTextFileStickies;
  if (Is(extension, "html")) return RichOrPlain(kTextFileHtml);

  // The desktop's type for the extension decides the rest.
  static const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) {
    return ContainsString(g_openFileTypes, extension) ? kTextFileHtml : kTextFileUnknown;
  }
  if (type.inherits(QStringLiteral("text/plain")) ||
      type.inherits(QStringLiteral("application/vnd.oasis.opendocument.text")))
    return kTextFilePlain;
  if (ContainsString(g_openFileTypes, extension) || ContainsString(g_openFileTypes, type.name()))
    return kTextFileHtml;
  return kTextFileUnknown;
}

}  // namespace

QString FileTypeForTypeCode(uint32_t code) {
  QString text(QLatin1Char('\''));
  for (int shift = 24; shift >= 0; shift -= 8) text += QChar(char16_t((code >> shift) & 0xFF));
  return text + QLatin1Char('\'');
}

const QStringList& PlainTextTypes() {
  static const QStringList types = [] {
    QStringList list{QStringLiteral("txt"), QStringLiteral("text"), QStringLiteral("ZEduzez2"),
                     FileTypeForTypeCode(kTypeCodeTEXT)};
    list << TechnicalTextTypes();
    return list;
  }();
  return types;
}

void SetOpenFileTypes() {
  QStringList types{QStringLiteral("ZEduzez"), QStringLiteral("ZEduzez2"), FileTypeForTypeCode(kTypeCodeRTF),
                    FileTypeForTypeCode(kTypeCodeWDBN)};
  types << PlainTextTypes();
  // What the engine's text readers take: RTF and plain text.
  types << QStringLiteral("text/rtf") << QStringLiteral("application/rtf") << QStringLiteral("text/plain");
  for (const char* name : {"docx", "eml", "emlx", "textClipping", "webloc", "opml", "stickies"})
    types << QLatin1String(name);
  g_openFileTypes = types;
}

const QStringList& OpenFileTypes() { return g_openFileTypes; }

TextFileType GetFileType(const QString& path) {
  if (path.isEmpty()) return kTextFileUnknown;
  QString cleaned = path;
  while (cleaned.size() > 1 && cleaned.endsWith(QLatin1Char('/'))) cleaned.chop(1);
  const QFileInfo info(cleaned);
  if (!info.exists()) return kTextFileUnknown;

  const uint32_t code = TypeCodeOfFile(cleaned);
  if (code == kTypeCodePICT) return kTextFilePicture;
  if (code == kTypeCodeRTF) return RichOrPlain(kTextFileRtf);
  if (code == kTypeCodeWDBN) return kTextFileWordDocumentCode;
  const TextFileType byExtension = FileTypeFromExtension(info.suffix());
  if (code == kTypeCodeTEXT) return byExtension == kTextFileUnknown ? kTextFilePlain : byExtension;
  // A package format keeps its kind as a folder; any other folder is a folder.
  if (info.isDir() && byExtension != kTextFileNative && byExtension != kTextFileRtfd) return kTextFileFolder;
  return byExtension;
}

bool CanOpenFile(const QString& path) {
  const TextFileType type = GetFileType(path);
  return type != kTextFileUnknown && type != kTextFileFolder;
}
