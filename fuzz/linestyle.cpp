// The line style and shadow records come from drawing files and the
// settings. Whatever the bytes, reading never crashes; a record that reads
// writes one that reads back as the same value, and the styles it gives set
// up pens and cast shadows without fault.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRKeyTable.h"
#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

template <typename T>
std::optional<T> ReadFirstRecord(const QString& xml, int32_t key) {
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder) return std::nullopt;
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == key) return T::initWithXml(*decoder);
  }
  return std::nullopt;
}

template <typename T>
QString Archive(const T& value) {
  CSXmlEncoder encoder;
  value.archiveToXml(encoder);
  return encoder.xml();
}

template <typename T>
void CheckRoundTrip(const T& value, int32_t key) {
  const QString written = Archive(value);
  const std::optional<T> again = ReadFirstRecord<T>(written, key);
  if (!again || !(*again == value) || Archive(*again) != written) std::abort();
}

// Strokes and fills a small shape with the styles on a small image.
void Draw(const DRLineInfo* line, const DRShadow* shadow) {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  PushShadowContext();
  if (shadow) shadow->set();
  QPainterPath path;
  path.moveTo(4, 4);
  path.lineTo(28, 10);
  path.lineTo(10, 28);
  path.closeSubpath();
  FillPathInContext(path, QColor(0, 0, 255));
  if (line) StrokePathInContext(path, line->setupBezier(nullptr, true));
  PopShadowContext();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<DRLineInfo> line = ReadFirstRecord<DRLineInfo>(xml, kXmlLineinfo);
  if (line) CheckRoundTrip(*line, kXmlLineinfo);
  const std::optional<DRShadow> shadow = ReadFirstRecord<DRShadow>(xml, kXmlShadow);
  if (shadow) CheckRoundTrip(*shadow, kXmlShadow);
  if (line || shadow) Draw(line ? &*line : nullptr, shadow ? &*shadow : nullptr);
  return 0;
}
