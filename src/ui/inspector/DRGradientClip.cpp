#include "ui/inspector/DRGradientClip.h"

#include <QDropEvent>
#include <QMimeData>

#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/widgets/CSDragPasteboard.h"

const QString g_gradientPasteboardType = QStringLiteral("twdraw.clip.gradient");
const QString g_gradientXMLTag = QStringLiteral("gradient");

bool IsTransferableGradient(const DRGradient& gradient) {
  const DRGradient::Stops& stops = gradient.stops();
  if (stops.size() < kMinTransferStops || stops.size() > kMaxTransferStops) return false;
  for (const CSGradientStop& stop : stops) {
    if (stop.position < 0 || stop.position > kGradientStopScale) return false;
  }
  const CSPoint center = gradient.radialCenter();
  const auto within = [](int64_t value, int64_t limit) { return value >= -limit && value <= limit; };
  return within(center.x, kMaxTransferCenter) && within(center.y, kMaxTransferCenter) &&
         within(gradient.linearAngle(), kMaxTransferAngle);
}

QString GradientTransferRecord(const DRGradient& gradient) {
  CSXmlEncoder encoder;
  // The record writes its own "gradient" element.
  gradient.archiveToXml(encoder);
  return encoder.xml();
}

std::optional<DRGradient> GradientFromTransferRecord(const QString& text) {
  if (text.isEmpty() || text.size() > kMaxTransferRecordChars) return std::nullopt;
  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithString(text);
  if (!decoder || !decoder->getNextTag() || !decoder->startTag() || decoder->key() != kXmlGradient) return std::nullopt;
  std::optional<DRGradient> gradient = DRGradient::initWithXml(*decoder);
  if (!gradient || !IsTransferableGradient(*gradient)) return std::nullopt;
  return gradient;
}

QString GradientStringFromPasteboard(const QMimeData* pasteboard) {
  if (!pasteboard) return QString();
  if (const auto* own = qobject_cast<const CSDragPasteboard*>(pasteboard)) {
    const QString string = own->stringForType(g_gradientPasteboardType);
    if (!string.isNull()) return string;
  }
  if (!pasteboard->hasFormat(g_gradientPasteboardType)) return QString();
  const QByteArray bytes = pasteboard->data(g_gradientPasteboardType);
  if (bytes.isEmpty() || bytes.size() > kMaxTransferRecordChars * 4) return QString();
  return QString::fromUtf8(bytes);
}

std::optional<DRGradient> GradientFromPasteboard(const QMimeData* pasteboard) {
  return GradientFromTransferRecord(GradientStringFromPasteboard(pasteboard));
}

std::unique_ptr<CSDragPasteboard> GradientDragPasteboard(const DRGradient& gradient) {
  std::unique_ptr<CSDragPasteboard> pasteboard = CSDragPasteboard::dragPasteboard();
  pasteboard->setString(GradientTransferRecord(gradient), g_gradientPasteboardType);
  return pasteboard;
}

std::optional<DRGradient> TakeGradientDrop(QDropEvent* event, const QObject* target, bool takes) {
  if (!event) return std::nullopt;
  std::optional<DRGradient> dropped;
  if (event->source() != target && takes) dropped = GradientFromPasteboard(event->mimeData());
  if (!dropped) {
    event->ignore();
    return std::nullopt;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return dropped;
}
