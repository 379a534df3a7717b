#include "support/Pasteboard.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <exception>
#include <memory>

#include "support/CSAppDelegate.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Categories.h"

const QString g_plainStringType = QStringLiteral("text/plain");
const QString g_fileNamesType = QStringLiteral("text/uri-list");
const QString g_urlUti = QStringLiteral("public.url");
const QString g_linkNameUti = QStringLiteral("public.url-name");
const QString g_appleUrlType = QStringLiteral("Apple URL pasteboard type");
const QString g_macTextUti = QStringLiteral("com.apple.traditional-mac-plain-text");
const QString g_plainTextUti = QStringLiteral("public.plain-text");
const QString g_utf16ExternalTextUti = QStringLiteral("public.utf16-external-plain-text");
const QString g_utf16TextUti = QStringLiteral("public.utf16-plain-text");
const QString g_mediaMetadataType = QStringLiteral("com.apple.itunes.metadata");
const QString g_mailMessageType = QStringLiteral("com.apple.mail.PasteboardTypeMessageTransfer");
const QString g_mailAutomatorType = QStringLiteral("com.apple.mail.PasteboardTypeAutomator");
const QString g_rtfType = QStringLiteral("text/rtf");
const QString g_rtfAlternateType = QStringLiteral("application/rtf");
const QString g_rtfdType = QStringLiteral("com.apple.flat-rtfd");
const QString g_htmlType = QStringLiteral("text/html");
const QString g_legacyHtmlType = QStringLiteral("Apple HTML pasteboard type");
const QString g_fileUrlPrefix = QStringLiteral("file:/");

QString g_extraLinkPasteboardType;
QString g_extraTextPasteboardType;

namespace {

const QMimeData* OrClipboard(const QMimeData* pasteboard) {
  if (pasteboard) return pasteboard;
  QClipboard* clipboard =
      qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
  return clipboard ? clipboard->mimeData() : nullptr;
}

// The URLs of the pasteboard's "text/uri-list".
QList<QUrl> UrlsOf(const QMimeData* pasteboard) {
  return pasteboard->hasFormat(g_fileNamesType) ? pasteboard->urls() : QList<QUrl>();
}

bool IsImageType(const QString& type) {
  return PasteboardImageTypes().contains(type);
}

bool OffersAnyImageType(const QMimeData* pasteboard) {
  const QStringList& types = PasteboardImageTypes();
  return std::any_of(types.begin(), types.end(),
                     [pasteboard](const QString& type) { return pasteboard->hasFormat(type); });
}

// The attributed-string reader's types: styled text, then the plain string
// and its flavours.
bool IsAttributedTextType(const QString& type) {
  static const QStringList types{g_rtfType,        g_rtfAlternateType,    g_rtfdType,     g_htmlType,
                                 g_legacyHtmlType, g_plainStringType,     g_plainTextUti, g_macTextUti,
                                 g_utf16TextUti,   g_utf16ExternalTextUti};
  return types.contains(type);
}

// The RTF type the pasteboard offers; empty when none.
QString OfferedRtfType(const QMimeData* pasteboard) {
  if (pasteboard->hasFormat(g_rtfType)) return g_rtfType;
  if (pasteboard->hasFormat(g_rtfAlternateType)) return g_rtfAlternateType;
  return QString();
}

// Runs a pasteboard writer on the pasteboard, or on new data that then
// becomes the clipboard's; a failure is logged under the context.
template <typename Writer>
void WritePasteboard(QMimeData* pasteboard, const QString& context, Writer write) {
  try {
    if (pasteboard) {
      write(pasteboard);
      return;
    }
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
      LogException(QStringLiteral("no clipboard"), context);
      return;
    }
    auto data = std::make_unique<QMimeData>();
    write(data.get());
    QGuiApplication::clipboard()->setMimeData(data.release());
  } catch (const std::exception& exception) {
    LogException(exception, context);
  }
}

// "Declaring" the types: a pasteboard holds only what the writer then puts.
void ClearPasteboard(QMimeData* pasteboard) {
  pasteboard->clear();
}

}  // namespace

const QStringList& PasteboardImageTypes() {
  static const QStringList types = [] {
    QStringList list{QStringLiteral("image/jpeg"), QStringLiteral("image/jp2"), QStringLiteral("image/tiff"),
                     QStringLiteral("image/gif"),  QStringLiteral("image/png"), QStringLiteral("image/bmp")};
    for (const QByteArray& type : QImageReader::supportedMimeTypes()) {
      const QString name = QString::fromLatin1(type);
      if (!list.contains(name)) list.append(name);
    }
    return list;
  }();
  return types;
}

bool PasteboardHasType(const QMimeData* pasteboard, const QString& type) {
  pasteboard = OrClipboard(pasteboard);
  if (!pasteboard || type.isEmpty()) return false;
  if (type == g_fileNamesType) {
    const QList<QUrl> urls = UrlsOf(pasteboard);
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
  }
  if (type == g_urlUti) {
    if (pasteboard->hasFormat(g_urlUti)) return true;
    const QList<QUrl> urls = UrlsOf(pasteboard);
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isValid() && !url.isLocalFile(); });
  }
  return pasteboard->hasFormat(type);
}

QString AvailablePasteboardType(const QMimeData* pasteboard, const QStringList& types) {
  for (const QString& type : types) {
    if (PasteboardHasType(pasteboard, type)) return type;
  }
  return QString();
}

namespace {

// The pasteboard's text for a type; empty when it has none.
QString StringForType(const QMimeData* pasteboard, const QString& type) {
  if (type == g_urlUti && !pasteboard->hasFormat(g_urlUti)) {
    for (const QUrl& url : UrlsOf(pasteboard)) {
      if (url.isValid() && !url.isLocalFile()) return url.toString();
    }
    return QString();
  }
  if (type == g_plainStringType) return pasteboard->text();
  return QString::fromUtf8(pasteboard->data(type));
}

// Every URL is an item; a pasteboard with data but no URLs holds one.
qsizetype ItemCount(const QMimeData* pasteboard) {
  const qsizetype urls = UrlsOf(pasteboard).size();
  if (urls > 0) return urls;
  return pasteboard->formats().isEmpty() ? 0 : 1;
}

PasteboardDataKind ClassifyOffered(const QMimeData* pasteboard, const QString& offered, QString* chosen) {
  *chosen = offered;
  if (!IsImageType(offered)) {
    if (offered == g_fileNamesType && StringForType(pasteboard, g_mediaMetadataType).isEmpty()) {
      bool accepted = true;
      CSKernel* kernel = CSKernel::existingInstance();
      if (auto* supporter = dynamic_cast<CSClipSupporter*>(kernel ? kernel->appDelegate() : nullptr)) {
        QStringList paths;
        for (const QUrl& url : UrlsOf(pasteboard)) {
          if (url.isLocalFile()) paths.append(url.toLocalFile());
        }
        accepted = supporter->canReadAnyFile(paths);
      }
      if (accepted) return kPasteboardFileNames;
    }
    if (!g_extraLinkPasteboardType.isEmpty() && offered == g_extraLinkPasteboardType) return kPasteboardLink;
    if (offered == g_urlUti || offered == g_appleUrlType)
      return OffersAnyImageType(pasteboard) ? kPasteboardImage : kPasteboardLink;
    if (IsAttributedTextType(offered) || (!g_extraTextPasteboardType.isEmpty() && offered == g_extraTextPasteboardType))
      return kPasteboardText;
    if (!pasteboard->hasFormat(g_plainStringType)) return kPasteboardNothing;
    const QString rtf = OfferedRtfType(pasteboard);
    if (!rtf.isEmpty()) {
      *chosen = rtf;
    } else if (pasteboard->hasFormat(g_rtfdType)) {
      *chosen = g_rtfdType;
    } else if (pasteboard->hasFormat(g_htmlType)) {
      *chosen = g_htmlType;
    } else {
      *chosen = g_plainStringType;
    }
    return kPasteboardText;
  }

  const QString rtf = OfferedRtfType(pasteboard);
  if (!rtf.isEmpty()) {
    *chosen = rtf;
    return kPasteboardText;
  }
  // The plain string stands twice, so on its own it already makes two.
  static const QStringList textFlavours{g_plainStringType, g_macTextUti,      g_plainTextUti, g_utf16ExternalTextUti,
                                        g_utf16TextUti,    g_plainStringType, g_htmlType,     g_legacyHtmlType};
  int count = 0;
  QString last;
  for (const QString& type : textFlavours) {
    if (pasteboard->hasFormat(type)) {
      ++count;
      last = type;
    }
  }
  if (count < 2) return kPasteboardImage;
  *chosen = last;
  return kPasteboardText;
}

}  // namespace

bool PasteboardContainsMailLink(const QMimeData* pasteboard) {
  pasteboard = OrClipboard(pasteboard);
  if (!pasteboard) return false;
  return !StringForType(pasteboard, g_urlUti).isEmpty() && ItemCount(pasteboard) >= 2 &&
         (!StringForType(pasteboard, g_mailMessageType).isEmpty() ||
          !StringForType(pasteboard, g_mailAutomatorType).isEmpty());
}

PasteboardDataKind PasteboardDataType(const QMimeData* pasteboard, const QStringList& types, QString* chosenType) {
  pasteboard = OrClipboard(pasteboard);
  QString chosen;
  PasteboardDataKind kind = kPasteboardNothing;
  if (pasteboard) {
    const QString offered =
        PasteboardContainsMailLink(pasteboard) ? g_urlUti : AvailablePasteboardType(pasteboard, types);
    if (!offered.isEmpty()) kind = ClassifyOffered(pasteboard, offered, &chosen);
  }
  if (chosenType) *chosenType = chosen;
  return kind;
}

void CopyLinkToPasteboard(QMimeData* pasteboard, const QString& address, const QString& title,
                          const QString& extraType) {
  WritePasteboard(pasteboard, QStringLiteral("Copy link failed"), [&](QMimeData* data) {
    ClearPasteboard(data);
    if (!extraType.isEmpty()) data->setData(extraType, address.toUtf8());
    data->setText(address);
    // Addresses beginning "file:/" are file links; QUrl reads both kinds.
    const QUrl url =
        address.startsWith(g_fileUrlPrefix) ? QUrl(address, QUrl::StrictMode) : QUrl(address, QUrl::TolerantMode);
    if (url.isValid() && !url.isEmpty()) {
      data->setUrls({url});
      data->setData(g_appleUrlType, url.toEncoded());
    }
    if (!title.isEmpty()) data->setData(g_linkNameUti, title.toUtf8());
  });
}

void CopyStringToPasteboard(QMimeData* pasteboard, const QString& string) {
  WritePasteboard(pasteboard, QStringLiteral("Copy string failed"), [&](QMimeData* data) {
    ClearPasteboard(data);
    data->setText(string);
  });
}

// ---- Promised files ----

bool PrepareForPromisedFiles(CSPromisedFileSource& source, const QStringList& offeredTypes, QStringList* paths) {
  int images = 0;
  for (qsizetype i = offeredTypes.size() - 1; i >= 0; --i) {
    const QString& type = offeredTypes[i];
    const QStringList& imageTypes = PasteboardImageTypes();
    const bool isImage = std::any_of(imageTypes.begin(), imageTypes.end(), [&type](const QString& image) {
      return image.compare(type, Qt::CaseInsensitive) == 0;
    });
    if (isImage && ++images >= 2) return false;
  }
  const QString folder = QDir(QDir::tempPath()).filePath(GuidString());
  if (!QDir().mkpath(folder)) return false;
  const QStringList names = source.namesOfPromisedFilesDroppedAtDestination(folder);
  QStringList promised;
  const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
  for (qsizetype i = names.size() - 1; i >= 0; --i) {
    const QString& name = names[i];
    const QUrl url(name);
    if (url.isLocalFile()) {
      // A file URL must name a file of the folder.
      const QString path = url.toLocalFile();
      if (QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath() != canonicalFolder) continue;
      promised.append(QDir(folder).filePath(QFileInfo(path).fileName()));
      continue;
    }
    const QString file = LastPathComponent(name);
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String("..") || file == QLatin1String("/"))
      continue;
    promised.append(QDir(folder).filePath(file));
  }
  if (promised.isEmpty()) {
    QDir(folder).removeRecursively();
    return false;
  }
  if (paths) paths->append(promised);
  return true;
}

QStringList KeptPromises(QStringList* paths) {
  QStringList kept;
  if (!paths || paths->isEmpty()) return kept;
  const QDir folder(QFileInfo(paths->first()).absolutePath());
  // Listed by name: the folder's order is not defined here.
  const QStringList entries =
      folder.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  for (const QString& entry : entries) {
    if (paths->isEmpty()) break;
    if (entry.startsWith(QLatin1Char('.'))) continue;
    QString newName = QStringLiteral(".") + LastPathComponent(paths->takeFirst());
    const qsizetype dot = entry.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && dot < entry.size() - 1) {
      const qsizetype ownDot = newName.lastIndexOf(QLatin1Char('.'));
      if (ownDot > 0) newName.truncate(ownDot);
      newName += entry.mid(dot);
    }
    const QString target = folder.filePath(newName);
    if (QFile::rename(folder.filePath(entry), target)) kept.append(target);
  }
  return kept;
}
