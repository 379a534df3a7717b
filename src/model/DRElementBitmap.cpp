#include "model/DRElementBitmap.h"

#include <QObject>
#include <QVariant>
#include <algorithm>
#include <limits>

#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "platform/NotificationCenter.h"
#include "support/CSError.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"

const QString g_updateBitmapNotification = QStringLiteral("twdraw.updateBitmap");
const QString g_bitmapChangeNotification = QStringLiteral("twdraw.bitmapChange");

namespace {

const QString kPositionChangeNotification = QStringLiteral("twdraw.positionChange");

MeasureUnit ClampMeasure(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

// The painting's size in measures, truncated.
CSPoint MeasureSize(QSizeF size) {
  return CSPoint{MeasureFromDouble(size.width() * double(kMeasurePerPoint)),
                 MeasureFromDouble(size.height() * double(kMeasurePerPoint))};
}

}  // namespace

DRElementBitmap::DRElementBitmap() : DRElement(kElementBitmap), m_guid(GuidString()) {
  setConstrainToOriginalSize(true);
  setConstrainedNoResize(true);
  NotificationCenter::defaultCenter().addObserver(
      this, g_bitmapChangeNotification, nullptr, [this](const CSNotification& notification) {
        auto* edited = static_cast<DRPainting*>(notification.object);
        if (!edited) return;
        // The poster keeps the painting alive for the call; the element
        // takes a copy of it, so a pointer that owns nothing will do.
        const std::shared_ptr<DRPainting> painting(std::shared_ptr<DRPainting>(), edited);
        bitmapChanged(painting, notification.userInfo.value(QStringLiteral("window")).value<QObject*>());
      });
}

DRElementBitmap::DRElementBitmap(std::shared_ptr<DRPainting> painting) : DRElementBitmap() {
  m_painting = std::move(painting);
  updateSize();
  purgeBitmap();
}

DRElementBitmap::~DRElementBitmap() {
  NotificationCenter::defaultCenter().removeObserver(this, g_bitmapChangeNotification, nullptr);
}

void DRElementBitmap::setPainting(const std::shared_ptr<DRPainting>& painting) {
  m_painting = painting ? painting->copy() : nullptr;
  updateSize();
  purgeBitmap();
}

void DRElementBitmap::updateSize() {
  if (!m_painting) return;
  const CSPoint size = MeasureSize(m_painting->originalSize());
  const CSPoint old = originalSize();
  if (size.x == old.x && size.y == old.y) return;
  setOriginalSize(size);
  CSRect frame = this->frame();
  if ((frame.width == old.x && frame.height == old.y) || old.x == 0 || old.y == 0) {
    frame.width = size.x;
    frame.height = size.y;
  } else {
    // Shown at another size: each side keeps its scale.
    frame.width = ClampMeasure(__int128(frame.width) * size.x / old.x);
    frame.height = ClampMeasure(__int128(frame.height) * size.y / old.y);
  }
  setFrame(frame);
}

void DRElementBitmap::setConstrained(bool constrained) {
  setConstrainedNoResize(constrained);
  if (!constrained || !m_painting) return;
  const QSizeF size = m_painting->originalSize();
  if (!(size.width() > 0 && size.height() > 0)) return;
  CSRect frame = this->frame();
  if (frame.width > frame.height)
    frame.height = MeasureFromDouble(double(frame.width) * size.height() / size.width());
  else
    frame.width = MeasureFromDouble(double(frame.height) * size.width() / size.height());
  setFrame(frame);
}

void DRElementBitmap::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  QRectF r = rect;
  setupDrawing(&r);
  const double alpha = m_opacity == 0 ? 1.0 : std::clamp(double(m_opacity - 1) / 1000.0, 0.0, 1.0);
  if (m_painting) m_painting->drawInRect(r, alpha);
  finishDrawing(r, view);
}

bool DRElementBitmap::savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace,
                                         CSError* error) {
  if (!m_painting || !m_painting->inUse()) return true;
  const std::shared_ptr<DRPainting> saved = m_painting->copy();
  // Every save writes a whole new package beside the old one, so even in
  // place nothing is in the new package yet: a failed image write fails the
  // save rather than leaving a record without its file.
  (void)inPlace;
  const bool success = saved->saveTo(imageFolder, error);
  if (success) {
    encoder.openTag(QStringLiteral("image"));
    saved->archiveToXml(encoder, true);
    encoder.closeTag(QStringLiteral("image"));
  }
  return success;
}

void DRElementBitmap::recordImageGuid(QSet<QString>& guids) const {
  if (m_painting) guids.insert(m_painting->guid());
}

bool DRElementBitmap::installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing) {
  if (!m_painting) return true;
  if (drawing) {
    const std::shared_ptr<DRPainting> existing = drawing->paintingForGuid(m_painting->guid());
    if (existing && !existing->image().isNull()) {
      setPainting(existing);
      return true;
    }
  }
  const auto found = images.constFind(m_painting->guid());
  if (found == images.constEnd()) return false;
  const CSImage image = CSImage::initWithData(found.value());
  if (image.isNull()) return false;
  m_painting->setImage(image);
  return true;
}

void DRElementBitmap::bitmapChanged(const std::shared_ptr<DRPainting>& edited, QObject* window) {
  if (isUndoCopy() || !edited || !m_painting || m_painting->guid() != edited->guid()) return;
  NotificationCenter::defaultCenter().post(g_updateBitmapNotification, this);
  setPainting(edited);
  if (m_painting) m_painting->setEdited(false);
  NotificationCenter::defaultCenter().post(kPositionChangeNotification, window);
}

void DRElementBitmap::copyFrom(const DRElement& other) {
  DRElement::copyFrom(other);
  const auto& bitmap = static_cast<const DRElementBitmap&>(other);
  setGuid(bitmap.m_guid);
  setName(bitmap.m_name);
  setOpacity(bitmap.m_opacity);
  setPainting(bitmap.m_painting);
}

void DRElementBitmap::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  const int32_t key = decoder.key();
  const bool hasChildren = decoder.startTag() && !decoder.endTag();
  switch (key) {
    case kXmlId:
      if (hasChildren) {
        decoder.skipTag();
      } else if (!decoder.value().isEmpty()) {
        m_guid = decoder.value();
      }
      return;
    case kXmlName:
      if (hasChildren)
        decoder.skipTag();
      else
        m_name = decoder.value().isEmpty() ? QString() : decoder.value();
      return;
    case kXmlOpacity:
      if (hasChildren) {
        decoder.skipTag();
      } else {
        // The file holds thousandths; 0 is kept for "fully opaque".
        const int64_t stored = decoder.longValue();
        m_opacity = stored == std::numeric_limits<int64_t>::max() ? stored : stored + 1;
      }
      return;
    case kXmlImage: {
      const QString paintingGuid = decoder.stringAttributeForTag(QStringLiteral("id"));
      std::shared_ptr<DRPainting> painting;
      if (!paintingGuid.isNull()) {
        if (hasChildren) decoder.skipTag();
        if (drawing) painting = drawing->paintingForGuid(paintingGuid);
      } else if (!hasChildren) {
        // Neither a reference nor a record: nothing to show.
        setZombie();
        return;
      } else if (std::shared_ptr<DRPainting> read = DRPainting::paintingFromXml(decoder)) {
        std::shared_ptr<DRPainting> known = drawing ? drawing->paintingForGuid(read->guid()) : nullptr;
        painting = known ? known : read;
      }
      // A painting that is not there leaves the element without one: it
      // keeps its place and draws nothing, as an image that is missing.
      setPainting(painting);
      return;
    }
    default:
      DRElement::handleXmlNode(decoder, drawing);
      return;
  }
}

void DRElementBitmap::didReadRecord() {
  // The record's frame and original size may follow its image.
  updateSize();
}

void DRElementBitmap::addAdditionalNodes(CSXmlEncoder& encoder) const {
  if (!m_guid.isEmpty()) encoder.addTag(QStringLiteral("id"), m_guid);
  if (!m_name.isEmpty()) encoder.addTag(QStringLiteral("name"), m_name);
  if (m_opacity != 0) {
    const int64_t stored = m_opacity == std::numeric_limits<int64_t>::min() ? m_opacity : m_opacity - 1;
    encoder.addTagWithLongNumber(QStringLiteral("opacity"), stored);
  }
  if (!m_painting) return;
  if (isSaving()) {
    encoder.addAttribute(QStringLiteral("id"), m_painting->guid());
    encoder.openAndCloseTag(QStringLiteral("image"));
  } else {
    encoder.openTag(QStringLiteral("image"));
    m_painting->archiveToXml(encoder, false);
    encoder.closeTag(QStringLiteral("image"));
  }
  m_painting->setInUse(true);
}
