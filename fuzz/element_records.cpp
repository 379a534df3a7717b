// Element records come from drawing files, the clipboard and group
// members. Whatever the bytes, reading never crashes or hangs; an element
// that reads writes a record that reads back as the same record; and the
// element answers its bounds, copies itself, draws and hit-tests.
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ModelFuzzSetup.h"
#include "model/DRElement.h"
#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

// Renders and hit tests only elements whose bounds fit in this many points
// a side: the caps of larger renders are tested by the unit tests, and
// their renders would only slow the search down.
constexpr double kMaxExercisedSide = 600;

std::vector<std::unique_ptr<DRElement>> ReadAll(const QString& xml) {
  std::vector<std::unique_ptr<DRElement>> elements;
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder) return elements;
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == kXmlElement) {
      if (std::unique_ptr<DRElement> element = DRElement::elementWithXml(*decoder, nullptr)) {
        elements.push_back(std::move(element));
      }
    }
  }
  return elements;
}

QString RecordOf(const DRElement& element) {
  CSXmlEncoder encoder;
  encoder.openTag(QStringLiteral("element"));
  element.archiveToXml(encoder);
  encoder.closeTag(QStringLiteral("element"));
  return encoder.xml();
}

void Exercise(DRElement& element) {
  const CSRect bounds = element.bounds(false);
  (void)element.bounds(true);
  const QRectF area = ConvertMeasureRect(bounds);
  if (!(area.width() <= kMaxExercisedSide && area.height() <= kMaxExercisedSide)) return;
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    GraphicsContextScope scope(&painter);
    element.drawInView(nullptr);
  }
  (void)element.isPointInElement(area.center(), nullptr, true);
  (void)element.intersectsWithRect(area, nullptr);
  element.purgeBitmap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  RegisterElementClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const std::unique_ptr<DRElement>& element : ReadAll(xml)) {
    const QString written = RecordOf(*element);
    std::vector<std::unique_ptr<DRElement>> again = ReadAll(written);
    if (again.size() != 1 || RecordOf(*again.front()) != written) std::abort();
    // A copy writes the same record, except that a copy fixes an unset
    // original size as construction ends.
    const std::unique_ptr<DRElement> copy = element->copy();
    if (!copy) std::abort();
    if ((element->originalSize().x != 0 || element->originalSize().y != 0) && RecordOf(*copy) != written) {
      std::abort();
    }
    Exercise(*element);
  }
  return 0;
}
