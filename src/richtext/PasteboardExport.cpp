#include "richtext/PasteboardExport.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QTextDocument>
#include <cmath>
#include <exception>
#include <memory>

#include "richtext/AttributedExport.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/Links.h"
#include "richtext/Pictures.h"
#include "support/Bitmaps.h"
#include "support/CSCore.h"
#include "support/GraphicsContext.h"
#include "support/ImageFunctions.h"
#include "support/ImageSaving.h"
#include "support/Pasteboard.h"

QMimeData* g_copyPasteboard = nullptr;
int64_t g_clipboardCounter = 0;
const QString g_pictureGuidClipboardType = QStringLiteral("cvb.pictureGuid");
const QString g_tiffClipboardType = QStringLiteral("image/tiff");

namespace {

// The content kinds of the clipboard document that are written.
constexpr int32_t kPictureKind1 = 1;
constexpr int32_t kPictureKind2 = 2;
constexpr int32_t kTextKind = 3;

constexpr uint32_t kUnscaled = 1000;
constexpr uint32_t kFittedUnscaled = 16383;

int64_t s_changeCount = 0;
bool s_counting = false;

// The forms of a copy to the application's clipboard, gathered until the
// copy is finished; null when no copy is open.
std::unique_ptr<QMimeData>& Staging() {
  static std::unique_ptr<QMimeData> staging;
  return staging;
}
bool s_copyOpen = false;

bool HaveClipboard() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

void StartCounting() {
  if (s_counting || !HaveClipboard()) return;
  s_counting = true;
  QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [] { ++s_changeCount; });
}

// Where the open copy writes; null when none is open.
QMimeData* Target() {
  if (!s_copyOpen) return nullptr;
  return g_copyPasteboard ? g_copyPasteboard : Staging().get();
}

// A picture scaled to `size` points fits the bitmap caps and the decode
// limit.
bool CanDrawAtSize(QSizeF size) {
  if (!(size.width() >= 1 && size.height() >= 1) || size.width() > kMaxBitmapSide || size.height() > kMaxBitmapSide)
    return false;
  const int width = int(size.width());
  const int64_t bytes = BitmapBytesPerRow(width) * int64_t(size.height());
  return bytes > 0 && bytes <= kMaxBitmapBytes && int64_t(width) * int64_t(size.height()) <= ImageDecodePixelLimit();
}

// The image drawn afresh into a new image of that size (a copy of every
// pixel at full opacity); empty data when the drawing can't be made.
QByteArray RedrawnTiff(const CSImage& source, QSizeF size) {
  CSImage drawn = CSImage::initWithSize(size);
  if (drawn.isNull() || !LockImageFocus(&drawn)) return {};
  if (QPainter* painter = CurrentQuartzContext()) {
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->setOpacity(1.0);
    source.drawInRectNormally(painter, QRectF(QPointF(0, 0), size));
  }
  UnlockImageFocus(&drawn);
  return TiffFromImage(drawn);
}

QByteArray PictureTiff(const CSImage& image, const QString& path, uint32_t scale) {
  if (image.isNull()) return {};
  const bool scaled = scale != 0 && scale != kUnscaled && scale != kFittedUnscaled;
  const bool fromPdf =
      !path.isEmpty() && QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
  if (scaled || fromPdf) {
    const QSizeF own = image.size();
    QSizeF size = own;
    if (scaled) {
      const QSizeF wanted(std::ceil(own.width() * scale / 1000.0), std::ceil(own.height() * scale / 1000.0));
      // A scale that would make a bitmap past the caps keeps the picture's
      // own size.
      if (CanDrawAtSize(wanted)) size = wanted;
    }
    if (size != own || fromPdf) return CanDrawAtSize(size) ? RedrawnTiff(image, size) : QByteArray();
  }
  std::unique_ptr<CSImage> copy = LockImageFocusCopy(image);
  if (!copy) return {};
  QByteArray tiff = TiffFromImage(*copy);
  UnlockImageFocusCopy(std::move(copy));
  return tiff;
}

}  // namespace

int64_t ClipboardChangeCount() {
  StartCounting();
  return s_changeCount;
}

void StartSettingClipboard(CorvaneDoc* doc) {
  StartCounting();
  Staging().reset();
  s_copyOpen = false;
  if (!doc) return;
  const int32_t kind = doc->clipboardKind;
  if (kind != kPictureKind1 && kind != kPictureKind2 && kind != kTextKind) return;
  s_copyOpen = true;
  if (g_copyPasteboard)
    g_copyPasteboard->clear();
  else
    Staging() = std::make_unique<QMimeData>();
}

void StoreImageOnClipboard(const PictureEntry* picture, uint32_t scale) {
  QMimeData* target = Target();
  if (!target || !picture) return;
  try {
    const QString path = picture->fileName ? *picture->fileName : QString();
    const QByteArray tiff = picture->image ? PictureTiff(*picture->image, path, scale) : QByteArray();
    if (!tiff.isEmpty()) target->setData(g_tiffClipboardType, tiff);
    const QString guid = picture->name ? *picture->name : QString();
    target->setData(g_pictureGuidClipboardType, guid.toUtf8());
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("StoreImageOnClipboard failed"));
  }
}

void StoreRTFOnClipboard(const QString& rtfText) {
  QMimeData* target = Target();
  if (!target) return;
  try {
    QByteArray data;
    data.reserve(rtfText.size());
    for (const QChar unit : rtfText) {
      if (unit.unicode() > 0x7F) return;
      data.append(char(unit.unicode()));
    }
    target->setData(g_rtfType, data);
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("StoreRTFOnClipboard failed"));
  }
}

void StoreStringOnClipboard(const QString& text) {
  StoreStringOnClipboardCore(text, g_plainStringType);
}

void StoreStringOnClipboardCore(const QString& text, const QString& type) {
  QMimeData* target = Target();
  if (!target) return;
  try {
    if (type == g_plainStringType)
      target->setText(text);
    else
      target->setData(type, text.toUtf8());
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("StoreStringOnClipboardCore failed"));
  }
}

void StoreFormattedTextOnClipboard(CorvaneDoc* doc) {
  QMimeData* target = Target();
  if (!target || !doc || !g_corvaneConfig.richFormats) return;
  // The formats with pictures in files beside the text are not offered here:
  // HTML is the one formatted form.
  if (!g_corvaneConfig.exportHtml) return;
  try {
    const std::unique_ptr<QTextDocument> text = ExportAttributedText(doc, 0, doc->textLimit, nullptr, 1.0);
    const QByteArray html = text ? text->toHtml().toUtf8() : QByteArray();
    if (html.isEmpty()) {
      LogString("HTML export failed. %@", QStringLiteral("the text could not be converted"));
      return;
    }
    target->setHtml(QString::fromUtf8(html));
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("StoreFormattedTextOnClipboard failed"));
  }
}

void FinishSettingClipboard() {
  const bool wasOpen = s_copyOpen;
  s_copyOpen = false;
  if (g_copyPasteboard) return;
  std::unique_ptr<QMimeData> data = std::move(Staging());
  if (wasOpen && data && HaveClipboard()) QGuiApplication::clipboard()->setMimeData(data.release());
  g_clipboardCounter = ClipboardChangeCount();
}

void CopyCorvaneLink(const KnotFormat& link) {
  CopyLinkToPasteboard(nullptr, LinkAddressString(link), LinkDisplayString(link), QString());
}
