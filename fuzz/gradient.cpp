// The gradient record comes from drawing files, the settings and the
// pasteboard. Whatever the bytes, reading never crashes, a gradient that
// reads writes a record that reads back as the same gradient, and drawing it
// with whatever values it holds is safe.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRGradient.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<DRGradient> gradient = StyleFromRecordText<DRGradient>(xml, kXmlGradient);
  if (!gradient) return 0;
  const QString written = StyleRecordText(*gradient);
  const std::optional<DRGradient> again = StyleFromRecordText<DRGradient>(written, kXmlGradient);
  if (!again || !(*again == *gradient) || again->hash() != gradient->hash() || StyleRecordText(*again) != written)
    std::abort();

  QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  QPainterPath path;
  path.addEllipse(1, 2, 13, 11);
  gradient->drawInBezier(path, size % 2 == 1);
  gradient->drawInBezier(path, false, QPointF(8, 8), 5);
  return 0;
}
