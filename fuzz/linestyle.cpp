// The line style, shadow and arrow records come from drawing files and the
// settings. Whatever the bytes, reading never crashes; a record that reads
// writes one that reads back as the same value, and the styles it gives set
// up pens, draw arrowheads and cast shadows without fault.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRArrow.h"
#include "model/DRKeyTable.h"
#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

template <typename T>
void CheckRoundTrip(const T& value, int32_t key) {
  const QString written = StyleRecordText(value);
  const std::optional<T> again = StyleFromRecordText<T>(written, key);
  if (!again || !(*again == value) || StyleRecordText(*again) != written) std::abort();
}

// The owner writes the arrow's tags around its children.
void CheckArrowRoundTrip(const DRArrow& arrow) {
  const QString written = StyleRecordText(arrow, QStringLiteral("arrow"));
  const std::optional<DRArrow> again = StyleFromRecordText<DRArrow>(written, kXmlArrow);
  // A kind-0 arrow is written with an empty name, which reads as no arrow.
  if (arrow.type() < kArrowTypeBar || arrow.type() > kArrowTypeClosed) {
    if (again) std::abort();
  } else if (!again || !(*again == arrow) || again->hash() != arrow.hash()) {
    std::abort();
  }
}

// Strokes and fills a small shape with the styles on a small image, and
// puts the arrowheads on a line across it in the line's width and colour.
void Draw(const DRLineInfo* line, const DRShadow* shadow, const DRArrow* arrow) {
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
  if (arrow) {
    // Heads grow with the width; keep them to a size the image can show.
    const double width = line ? std::clamp(double(line->width()) / double(kMeasurePerPoint), 1.0, 16.0) : 1.0;
    QPointF start(4, 28), end(28, 4);
    arrow->drawLineArrowsFrom(&start, &end, width, line ? line->kolor() : g_blackKolor, true);
    if (line) {
      QPainterPath shortened(start);
      shortened.lineTo(end);
      StrokePathInContext(shortened, line->setupBezier(nullptr, true));
    }
  }
  PopShadowContext();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<DRLineInfo> line = StyleFromRecordText<DRLineInfo>(xml, kXmlLineinfo);
  if (line) CheckRoundTrip(*line, kXmlLineinfo);
  const std::optional<DRShadow> shadow = StyleFromRecordText<DRShadow>(xml, kXmlShadow);
  if (shadow) CheckRoundTrip(*shadow, kXmlShadow);
  const std::optional<DRArrow> arrow = StyleFromRecordText<DRArrow>(xml, kXmlArrow);
  if (arrow) CheckArrowRoundTrip(*arrow);
  if (line || shadow || arrow) Draw(line ? &*line : nullptr, shadow ? &*shadow : nullptr, arrow ? &*arrow : nullptr);
  return 0;
}
