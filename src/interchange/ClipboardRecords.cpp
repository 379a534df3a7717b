#include "interchange/ClipboardRecords.h"

#include <QSet>
#include <QtEndian>
#include <algorithm>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBitmap.h"
#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"

const QString g_elementsUti = QStringLiteral("twdraw.elements");
const QString g_imagesUti = QStringLiteral("twdraw.images");

namespace {

constexpr char kRecordsMagic[] = "TWRECS1\n";
constexpr char kImagesMagic[] = "TWIMGS1\n";
constexpr qsizetype kMagicLength = 8;

void AppendNumber(QByteArray& data, quint32 number) {
  char bytes[4];
  qToBigEndian(number, bytes);
  data.append(bytes, 4);
}

void AppendBlock(QByteArray& data, const QByteArray& block) {
  AppendNumber(data, quint32(block.size()));
  data.append(block);
}

// Reads a frame from the front; every read checks what is left first, so a
// length never asks for more than the data holds.
class FrameReader {
 public:
  FrameReader(const QByteArray& data, const char* magic) : m_data(data) {
    m_ok = data.size() >= kMagicLength && std::equal(magic, magic + kMagicLength, data.constData());
    m_pos = kMagicLength;
  }
  bool ok() const { return m_ok; }
  bool atEnd() const { return m_pos == m_data.size(); }
  bool number(quint32* value) {
    if (!m_ok || m_data.size() - m_pos < 4) return m_ok = false;
    *value = qFromBigEndian<quint32>(m_data.constData() + m_pos);
    m_pos += 4;
    return true;
  }
  // The next block's bounds, passed over; false when the data ends first.
  bool block(qsizetype* start, qsizetype* length) {
    quint32 size = 0;
    if (!number(&size) || quint64(m_data.size() - m_pos) < size) return m_ok = false;
    *start = m_pos;
    *length = qsizetype(size);
    m_pos += qsizetype(size);
    return true;
  }

 private:
  const QByteArray& m_data;
  qsizetype m_pos = 0;
  bool m_ok = false;
};

}  // namespace

QString ClipboardRecordForElement(const DRElement& element) {
  CSXmlEncoder encoder;
  encoder.openTag(QStringLiteral("element"));
  element.archiveToXml(encoder);
  encoder.closeTag(QStringLiteral("element"));
  return encoder.xml();
}

QByteArray EncodeClipboardRecords(const QStringList& records) {
  QByteArray data(kRecordsMagic, kMagicLength);
  AppendNumber(data, quint32(records.size()));
  for (const QString& record : records) AppendBlock(data, record.toUtf8());
  return data;
}

std::optional<QStringList> DecodeClipboardRecords(const QByteArray& data) {
  FrameReader reader(data, kRecordsMagic);
  quint32 count = 0;
  if (!reader.number(&count) || count > quint32(kMaxClipboardRecords)) return std::nullopt;
  QStringList records;
  for (quint32 i = 0; i < count; ++i) {
    qsizetype start = 0, length = 0;
    if (!reader.block(&start, &length)) return std::nullopt;
    if (length > kMaxClipboardRecordBytes) continue;
    records.append(QString::fromUtf8(data.constData() + start, length));
  }
  if (!reader.atEnd()) return std::nullopt;
  return records;
}

QByteArray EncodeClipboardImages(const DRClipboardImages& images) {
  QByteArray data(kImagesMagic, kMagicLength);
  AppendNumber(data, quint32(images.size()));
  for (auto it = images.constBegin(); it != images.constEnd(); ++it) {
    AppendBlock(data, it.key().toUtf8());
    AppendBlock(data, it.value());
  }
  return data;
}

DRClipboardImages DecodeClipboardImages(const QByteArray& data) {
  if (data.size() > kMaxClipboardImageBytes) return {};
  FrameReader reader(data, kImagesMagic);
  quint32 count = 0;
  // Each entry takes at least its two lengths.
  if (!reader.number(&count) || quint64(count) * 8 > quint64(data.size())) return {};
  DRClipboardImages images;
  for (quint32 i = 0; i < count; ++i) {
    qsizetype guidStart = 0, guidLength = 0, start = 0, length = 0;
    if (!reader.block(&guidStart, &guidLength) || !reader.block(&start, &length)) return {};
    images.insert(QString::fromUtf8(data.constData() + guidStart, guidLength), data.mid(start, length));
  }
  if (!reader.atEnd()) return {};
  return images;
}

void WriteClipboardElements(std::span<DRElement* const> elements, DRDrawing* drawing, QByteArray* records,
                            QByteArray* images) {
  QStringList texts;
  texts.reserve(qsizetype(elements.size()));
  QSet<QString> guids;
  for (DRElement* element : elements) {
    if (!element) continue;
    texts.append(ClipboardRecordForElement(*element));
    element->recordImageGuid(guids);
  }
  if (records) *records = texts.isEmpty() ? QByteArray() : EncodeClipboardRecords(texts);
  if (!images) return;
  images->clear();
  if (guids.isEmpty()) return;
  DRClipboardImages map;
  for (const QString& guid : guids) {
    const std::shared_ptr<DRPainting> painting = drawing ? drawing->paintingForGuid(guid) : nullptr;
    if (!painting) continue;
    const QByteArray tiff = painting->tiffData();
    if (!tiff.isEmpty()) map.insert(guid, tiff);
  }
  *images = EncodeClipboardImages(map);
}

std::unique_ptr<DRElement> ElementFromClipboardRecord(const QString& record, DRDrawing* drawing) {
  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithString(record);
  if (!decoder || decoder->isSvg() || !decoder->getNextTag()) return nullptr;
  if (decoder->key() != kXmlElement || !decoder->startTag()) return nullptr;
  return DRElement::elementWithXml(*decoder, drawing);
}

bool PreparePastedBitmap(DRDrawing* drawing, DRElementList& list, size_t index, const DRClipboardImages& images) {
  if (index >= list.size() || !list[index]) return false;
  DRElement* element = list[index].get();
  if (auto* group = dynamic_cast<DRElementGroup*>(element)) {
    DRElementList members;
    // Taken out while the members are prepared: a removal never happens in
    // a list that is being walked.
    DRElementList& own = const_cast<DRElementList&>(group->subelements());
    members.swap(own);
    for (size_t i = 0; i < members.size();) {
      if (PreparePastedBitmap(drawing, members, i, images)) ++i;
    }
    group->setSubelements(std::move(members));
    if (!group->subelements().empty()) return true;
    list.erase(list.begin() + ptrdiff_t(index));
    return false;
  }
  auto* bitmap = dynamic_cast<DRElementBitmap*>(element);
  if (!bitmap) return true;
  const std::shared_ptr<DRPainting> painting = bitmap->painting();
  const std::shared_ptr<DRPainting> own =
      painting && drawing ? drawing->paintingForGuid(painting->guid()) : std::shared_ptr<DRPainting>();
  const bool fromDrawing = own && !own->image().isNull();
  if (!painting || !bitmap->installImageFromDict(images, drawing)) {
    list.erase(list.begin() + ptrdiff_t(index));
    return false;
  }
  bitmap->setGuid(GuidString());
  bitmap->setPainting(bitmap->painting());
  const std::shared_ptr<DRPainting>& copy = bitmap->painting();
  copy->setGuid(GuidString());
  // Pixels from the clipboard match no file, whatever path the record
  // names: a save writes them rather than copying that file.
  if (!fromDrawing) copy->setMatchesFile(false);
  return true;
}

std::optional<DRPastedElements> ReadClipboardElements(const QByteArray& records, const QByteArray& images,
                                                      DRDrawing* drawing) {
  std::optional<QStringList> texts = DecodeClipboardRecords(records);
  if (!texts) return std::nullopt;
  // The map is only read when a record may need it.
  std::optional<DRClipboardImages> map;
  DRPastedElements pasted;
  bool first = true;
  for (const QString& text : *texts) {
    std::unique_ptr<DRElement> element = ElementFromClipboardRecord(text, drawing);
    if (!element) continue;
    pasted.enclosingRect = first ? element->frame() : UnionCSRect(pasted.enclosingRect, element->frame());
    first = false;
    const int32_t type = element->elementType();
    pasted.elements.push_back(std::move(element));
    if (type != kElementBitmap && type != kElementGroup) continue;
    if (!map) map = DecodeClipboardImages(images);
    PreparePastedBitmap(drawing, pasted.elements, pasted.elements.size() - 1, *map);
  }
  return pasted;
}
