// Arrow records come from drawing files, the settings and the favourite
// arrows. Whatever the bytes, reading never crashes or hangs; an arrow that
// reads is canonical, writes a record that reads back as the same arrow,
// hashes as its equals do, and measures and draws its heads without fault.
#include <QImage>
#include <QPainter>
#include <array>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRArrow.h"
#include "model/DRKeyTable.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

void CheckValue(const DRArrow& arrow) {
  DRArrow canonical = arrow;
  canonical.setCanonicalForm();
  if (!(canonical == arrow) || canonical.hash() != arrow.hash()) std::abort();
  const QString written = StyleRecordText(arrow, QStringLiteral("arrow"));
  const std::optional<DRArrow> again = StyleFromRecordText<DRArrow>(written, kXmlArrow);
  // A kind-0 arrow is written with an empty name, which reads as no arrow.
  if (arrow.type() < kArrowTypeBar || arrow.type() > kArrowTypeClosed) {
    if (again) std::abort();
    return;
  }
  if (!again || !(*again == arrow) || again->hash() != arrow.hash() ||
      StyleRecordText(*again, QStringLiteral("arrow")) != written)
    std::abort();
}

void Exercise(const DRArrow& arrow) {
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  double indent = 0;
  int controlCount = 0;
  const int count = arrow.getArrowPoints(points, 2.0, &indent, controls, &controlCount);
  if (count < 0 || count > int(kMaxArrowPoints) || controlCount < 0 || controlCount > int(kMaxArrowControls) ||
      indent < 0) {
    std::abort();
  }
  (void)arrow.boundsFrom(QPointF(4, 4), QPointF(28, 20), 2.0);
  (void)arrow.getControlPoints(controls, QPointF(4, 4), QPointF(28, 20), 2.0);

  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  PushShadowContext();
  DRShadow().set();
  QPointF start(4, 4), end(28, 20);
  arrow.drawLineArrowsFrom(&start, &end, 2.0, g_blackKolor, true);
  arrow.drawSampleInRect(QRectF(0, 0, 32, 12), 4, g_blackKolor);
  PopShadowContext();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<DRArrow> arrow = StyleFromRecordText<DRArrow>(xml, kXmlArrow);
  if (!arrow) return 0;
  CheckValue(*arrow);
  Exercise(*arrow);
  return 0;
}
