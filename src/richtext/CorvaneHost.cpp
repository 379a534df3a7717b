#include "richtext/CorvaneHost.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRectF>
#include <QUrl>

#include "platform/NotificationCenter.h"
#include "richtext/CorvaneDoc.h"

namespace {

CorvaneHost* g_host = nullptr;

CorvaneHost& DefaultHost() {
  static CorvaneHost host;
  return host;
}

// The local path of a file URL; empty for a file on another host or a path
// that is not absolute.
QString LocalPathOfFileUrl(const QUrl& url) {
  const QString host = url.host();
  if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) return {};
  const QString path = url.path(QUrl::FullyDecoded);
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return {};
  return path;
}

// A file that opening would run: a program, a script with its execute bit
// or a desktop launcher. Such a file is only ever revealed.
bool OpeningRunsFile(const QFileInfo& info) {
  if (info.isDir()) return false;
  return info.isExecutable() || info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
}

}  // namespace

const QString kHelpFoundNotification = QStringLiteral("cvb.helpFound");

CorvaneHost& CurrentCorvaneHost() { return g_host ? *g_host : DefaultHost(); }

void SetCorvaneHost(CorvaneHost* host) { g_host = host; }

QString ExpandHomeFileLink(const QString& address) {
  static const QString prefix = QStringLiteral("file:~/");
  if (!address.startsWith(prefix)) return address;
  // The home folder is encoded so that a blank or "%" in it keeps the
  // address a URL.
  const QString home = QString::fromLatin1(QUrl::toPercentEncoding(QDir::homePath(), "/"));
  return QStringLiteral("file://localhost") + home + QLatin1Char('/') + address.mid(prefix.size());
}

// ---- Document hooks ------------------------------------------------------------

bool CorvaneHost::isDocumentLocked(CorvaneDoc*) { return true; }
QString CorvaneHost::fileNameForDoc(CorvaneDoc*) { return {}; }
void CorvaneHost::updateElementList(CorvaneDoc*) {}
Kolor CorvaneHost::documentBackgroundKolor(CorvaneDoc*, QPainter*) { return g_nilKolor; }
void CorvaneHost::setDefaultFont(CorvaneDoc*, CharProps* props) {
  if (!props) return;
  props->font = 0;
  props->size = 48;
}

std::optional<QFont> CorvaneHost::plainTextFont() { return std::nullopt; }
void CorvaneHost::addLocalDictionaryWord(const QString&, CorvaneDoc*) {}
void CorvaneHost::saveLocalDictionary(CorvaneDoc*) {}

void CorvaneHost::followHyperLink(const QString& address, bool openFileLinks) {
  const QString expanded = ExpandHomeFileLink(address);
  const QUrl url(expanded, QUrl::StrictMode);
  if (expanded.trimmed().isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
    beep();
    return;
  }
  if (url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0) {
    if (!openUrl(url)) beep();
    return;
  }
  const QString path = LocalPathOfFileUrl(url);
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) {
    beep();
    return;
  }
  if (openFileLinks && !OpeningRunsFile(info)) {
    if (!openUrl(QUrl::fromLocalFile(path))) beep();
    return;
  }
  if (!revealFile(path)) beep();
}

void CorvaneHost::linkWasConverted(CorvaneDoc*) {}
bool CorvaneHost::pictureIsActuallyResource(PictureEntry*, CorvaneDoc*) { return false; }

QString CorvaneHost::pathToResourceFile(const QString& fileName) {
  // The name comes from documents: a bare file name only, never a path.
  if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName == QLatin1String(".") ||
      fileName == QLatin1String(".."))
    return {};
  QStringList folders{QStringLiteral(":")};
  if (QCoreApplication::instance()) folders << QCoreApplication::applicationDirPath();
  for (const QString& folder : folders) {
    const QString path = folder + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

void CorvaneHost::registerPictureFile(CorvaneDoc*, PictureEntry*) {}
void CorvaneHost::picturesWereDeleted(CorvaneDoc*, uint32_t) {}
CSImage CorvaneHost::createImageFromGuid(const QString&) { return {}; }
void CorvaneHost::drawTagInRect(const KnotEntry*, const QRectF&) {}
void CorvaneHost::recordTagFromRtf(const KnotEntry*) {}
void CorvaneHost::reportFoundRange(CorvaneDoc*, uint32_t) {}
void CorvaneHost::storeEncryptedText(CorvaneDoc*) {}
void CorvaneHost::invalidateStatusCount(CorvaneDoc*) {}
bool CorvaneHost::preferPlainEmailImport() { return true; }
QColor CorvaneHost::draftScrollBackgroundColor() { return QColor(Qt::white); }
void CorvaneHost::invalShorthand() {}

// ---- View hooks: this host shows no views ----------------------------------------

void CorvaneHost::getViewRect(QRectF* rect, CorvaneDoc*, Pane*) {
  if (rect) *rect = QRectF();
}
void CorvaneHost::getVisibleViewRect(QRectF* rect, Pane*) {
  if (rect) *rect = QRectF();
}
bool CorvaneHost::viewIsFocused(QObject*) { return false; }
void CorvaneHost::invalView(Pane*) {}
void CorvaneHost::invalViewRect(Pane*, const QRectF&) {}
void CorvaneHost::updateRulers(CorvaneDoc*) {}
void CorvaneHost::updateRulersForPane(Pane*) {}
void CorvaneHost::autoScroll(Pane*, bool, int32_t) {}
void CorvaneHost::noteNewScrollPosition(CorvaneDoc*, Pane*) {}
double CorvaneHost::scrollPosition(Pane*, bool) { return 0; }
void CorvaneHost::scrollToPosition(Pane*, bool, double) {}
bool CorvaneHost::forceInactiveSelection(CorvaneDoc*) { return false; }
void CorvaneHost::showSelectionAtIdle(CorvaneDoc*) {}
void CorvaneHost::flashSelection(Pane*) {}
void CorvaneHost::setStatusMessage(CorvaneDoc*, const QString&, bool) {}
void CorvaneHost::noteSelectionWillChange(CorvaneDoc*) {}
void CorvaneHost::noteSelectionChanged(CorvaneDoc*) {}
void CorvaneHost::noteFrameChanged(CorvaneDoc*) {}
void CorvaneHost::notePageRangeChange(CorvaneDoc*) {}
void CorvaneHost::noteTableChanged(CorvaneDoc*) {}
void CorvaneHost::forceCursorChange(CorvaneDoc*) {}
void CorvaneHost::brushWasCleared(CorvaneDoc*) {}
void CorvaneHost::updateStylePopup(CorvaneDoc*) {}
void CorvaneHost::changeFocusPane(CorvaneDoc*, Pane*) {}
void CorvaneHost::closePane(CorvaneDoc*, Pane*) {}
void CorvaneHost::ensurePageView(CorvaneDoc*, Pane*) {}
uint32_t CorvaneHost::createPane(CorvaneDoc*, uint32_t) { return kNoPane; }
uint32_t CorvaneHost::paneForDisplayType(CorvaneDoc*, uint32_t) { return kNoPane; }
void CorvaneHost::saveHelpSelection(CorvaneDoc*) {}
void CorvaneHost::followHelpLink(CorvaneDoc*, uint32_t) {}
void CorvaneHost::showFindRangeInHelp(const DocRange& range) {
  const QVariantMap found{{QStringLiteral("location"), range.first},
                          {QStringLiteral("length"), range.limit - range.first}};
  NotificationCenter::defaultCenter().post(kHelpFoundNotification, range.doc ? range.doc->hostWindow : nullptr,
                                           {{QStringLiteral("range"), found}});
}

void CorvaneHost::ensureDraftRectIsVisible(CorvaneDoc*, const QRectF&) {}
void CorvaneHost::noteDraftHeightChanged(CorvaneDoc*, Pane*) {}
void CorvaneHost::performLineKinkAction(CorvaneDoc*, uint32_t, uint32_t) {}
void CorvaneHost::runContextMenuForLine(CorvaneDoc*, uint32_t) {}
void CorvaneHost::showDomainFormat(CorvaneDoc*, uint32_t) {}

// ---- System services and the desktop --------------------------------------------

QObject* CorvaneHost::notificationObject(CorvaneDoc*) { return nullptr; }
QObject* CorvaneHost::windowControllerForPane(Pane*) { return nullptr; }
std::optional<ShorthandDictionary> CorvaneHost::userReplacements() { return std::nullopt; }

void CorvaneHost::beep() { ++m_beepCount; }

bool CorvaneHost::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool CorvaneHost::revealFile(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}
