#include "model/DRShadowContext.h"

#include <QBrush>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <vector>

#include "support/GraphicsContext.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---- The shadow of each painter's state ----------------------------------------------

// Shadows belong to a painter's state, so each painter of the thread keeps
// its own, saved and restored with that painter's state.
struct PainterShadows {
  QPaintDevice* device = nullptr;
  std::optional<DRContextShadow> current;
  std::vector<std::optional<DRContextShadow>> saved;
};

std::unordered_map<QPainter*, PainterShadows>& ShadowStates() {
  thread_local std::unordered_map<QPainter*, PainterShadows> states;
  return states;
}

// The entry of the painter, made on demand. An entry left behind by an
// ended painter whose address came back for another device starts afresh.
PainterShadows& ShadowsOf(QPainter* painter) {
  PainterShadows& entry = ShadowStates()[painter];
  if (entry.device != painter->device()) entry = PainterShadows{painter->device(), std::nullopt, {}};
  return entry;
}

void DropIfUnused(QPainter* painter, const PainterShadows& entry) {
  if (!entry.current && entry.saved.empty()) ShadowStates().erase(painter);
}

// ---- Casting ------------------------------------------------------------------------

// Above this many pixels the shadow is worked out at a lower resolution and
// drawn scaled up; blurred shadows lose nothing visible by it.
constexpr double kMaxShadowScratchPixels = 4096.0 * 2048.0;
// The widest blur (as a standard deviation in device pixels) worked out at
// full resolution.
constexpr double kFullResolutionSigma = 4.0;
// Bounds for painters whose device does not tell its size.
constexpr double kUnboundedDevice = 1 << 24;

// The radii of three box passes whose succession approximates a Gaussian
// of the standard deviation (in pixels).
std::array<int, 3> BoxRadii(double sigma) {
  std::array<int, 3> radii{0, 0, 0};
  if (!(sigma > 0.2)) return radii;
  constexpr int n = 3;
  const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
  int lower = int(std::floor(ideal));
  if (lower % 2 == 0) --lower;
  const int upper = lower + 2;
  const double split = (12.0 * sigma * sigma - n * lower * lower - 4.0 * n * lower - 3.0 * n) / (-4.0 * lower - 4.0);
  const int m = int(std::lround(split));
  for (int i = 0; i < n; ++i) radii[size_t(i)] = ((i < m ? lower : upper) - 1) / 2;
  return radii;
}

// Sums of a box window (255 times at most 2 x 2048 + 1) stay exact in a float.
constexpr int kMaxBoxRadius = 2048;

// Coverage buffers have rows and columns in whole blocks of this many, so
// that the column passes work on 16 bytes at a time.
constexpr int kBlock = 16;

int RoundUpToBlock(int n) {
  return (n + kBlock - 1) / kBlock * kBlock;
}

// A coverage buffer: one byte a pixel, both sides whole blocks.
struct Coverage {
  int width = 0;   // a multiple of kBlock
  int height = 0;  // a multiple of kBlock
  std::vector<uint8_t> bytes;
  uint8_t* row(int y) { return bytes.data() + size_t(y) * size_t(width); }
};

// One row of a box pass down the columns: writes the averages of the
// window sums into `out`, then moves the window on by adding the row
// `entering` and taking away the row `leaving` (either may be null).
void BoxPassRow(uint32_t* sums, uint8_t* out, const uint8_t* entering, const uint8_t* leaving, int width,
                float reciprocal) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128 scale = _mm_set1_ps(reciprocal);
  // The four groups of four columns of 16 bytes, widened to 32 bits.
  const auto widen = [&](const uint8_t* row, __m128i words[4]) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    words[0] = _mm_unpacklo_epi16(low, zero);
    words[1] = _mm_unpackhi_epi16(low, zero);
    words[2] = _mm_unpacklo_epi16(high, zero);
    words[3] = _mm_unpackhi_epi16(high, zero);
  };
  for (int x = 0; x < width; x += kBlock) {
    __m128i sum[4];
    __m128i averages[4];
    for (int k = 0; k < 4; ++k) {
      sum[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x + 4 * k));
      averages[k] = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum[k]), scale));
    }
    if (out) {
      const __m128i packed =
          _mm_packus_epi16(_mm_packs_epi32(averages[0], averages[1]), _mm_packs_epi32(averages[2], averages[3]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), packed);
    }
    __m128i words[4];
    if (entering) {
      widen(entering + x, words);
      for (int k = 0; k < 4; ++k) sum[k] = _mm_add_epi32(sum[k], words[k]);
    }
    if (leaving) {
      widen(leaving + x, words);
      for (int k = 0; k < 4; ++k) sum[k] = _mm_sub_epi32(sum[k], words[k]);
    }
    for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x + 4 * k), sum[k]);
  }
#else
  for (int x = 0; x < width; ++x) {
    if (out) out[x] = uint8_t(std::min(255L, std::lrint(float(sums[x]) * reciprocal)));
    if (entering) sums[x] += entering[x];
    if (leaving) sums[x] -= leaving[x];
  }
#endif
}

// One box pass down every column, from `in` to `out`: each value becomes
// the average of the 2 x radius + 1 values around it, those beyond the
// buffer counting as 0. Row by row, so memory is read in order.
void BoxPassDown(Coverage& in, Coverage& out, int radius, std::vector<uint32_t>& sums) {
  const float reciprocal = 1.0f / float(2 * radius + 1);
  const int width = in.width;
  const int height = in.height;
  sums.assign(size_t(width), 0);
  for (int y = 0; y <= radius && y < height; ++y) BoxPassRow(sums.data(), nullptr, in.row(y), nullptr, width, 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* entering = y + radius + 1 < height ? in.row(y + radius + 1) : nullptr;
    const uint8_t* leaving = y - radius >= 0 ? in.row(y - radius) : nullptr;
    BoxPassRow(sums.data(), out.row(y), entering, leaving, width, reciprocal);
  }
}

// Rows become columns, a block at a time.
void Transpose(Coverage& in, Coverage& out) {
  out.width = in.height;
  out.height = in.width;
  out.bytes.resize(in.bytes.size());
  for (int by = 0; by < in.height; by += kBlock) {
    for (int bx = 0; bx < in.width; bx += kBlock) {
      for (int y = by; y < by + kBlock; ++y) {
        const uint8_t* row = in.row(y);
        for (int x = bx; x < bx + kBlock; ++x) out.row(x)[y] = row[x];
      }
    }
  }
}

// Three box passes down the columns, three along the rows (as columns of
// the transposed buffer): close to a Gaussian of the standard deviation.
void BlurCoverage(Coverage& coverage, double sigma) {
  std::array<int, 3> radii = BoxRadii(sigma);
  for (int& radius : radii) radius = std::min(radius, kMaxBoxRadius);
  if (radii[0] + radii[1] + radii[2] == 0) return;
  Coverage other{coverage.width, coverage.height, std::vector<uint8_t>(coverage.bytes.size())};
  std::vector<uint32_t> sums;
  const auto passes = [&] {
    for (int radius : radii) {
      if (radius <= 0) continue;
      other.width = coverage.width;
      other.height = coverage.height;
      BoxPassDown(coverage, other, radius, sums);
      std::swap(coverage, other);
    }
  };
  passes();
  Transpose(coverage, other);
  std::swap(coverage, other);
  passes();
  Transpose(coverage, other);
  std::swap(coverage, other);
}

// The painter's zoom: how far a point of its user space reaches on the
// device, whatever the rotation.
double TransformScale(const QTransform& t) {
  return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

// What the painter can show, in device pixels.
QRectF VisibleDeviceRect(QPainter* painter, const QTransform& toDevice) {
  QRectF visible(-kUnboundedDevice, -kUnboundedDevice, 2 * kUnboundedDevice, 2 * kUnboundedDevice);
  if (QPaintDevice* device = painter->device()) {
    // Devices give their size in pixels or in device-independent units;
    // times the pixel ratio it is large enough either way.
    const double ratio = std::max(1.0, device->devicePixelRatio());
    if (device->width() > 0 && device->height() > 0)
      visible = QRectF(0, 0, device->width() * ratio, device->height() * ratio);
  }
  if (painter->hasClipping()) visible &= toDevice.mapRect(painter->clipBoundingRect());
  return visible;
}

// Casts the shadow of what `draw` paints (with the painter's transform, on
// a scratch image): its coverage blurred, tinted and drawn at the offset.
// The offset and blur are in points, scaled by the painter's zoom but never
// turned with it, so shadows fall the same way on rotated elements.
void CastShadow(QPainter* painter, const DRContextShadow& shadow, const QRectF& bounds,
                const std::function<void(QPainter&)>& draw) {
  if (!shadow.color.isValid() || shadow.color.alpha() == 0) return;
  const QTransform toDevice = painter->deviceTransform();
  const double scale = TransformScale(toDevice);
  if (!std::isfinite(scale) || scale <= 0) return;
  const double blur = std::isfinite(shadow.blur) ? std::clamp(shadow.blur, 0.0, kMaxShadowBlur) : 0.0;
  const QPointF offset = shadow.offset * scale;
  if (!std::isfinite(offset.x()) || !std::isfinite(offset.y()) || std::abs(offset.x()) > kUnboundedDevice ||
      std::abs(offset.y()) > kUnboundedDevice)
    return;
  // The blur radius stands for two standard deviations.
  const double sigma = blur * scale / 2.0;
  const std::array<int, 3> radii = BoxRadii(sigma);
  const double pad = radii[0] + radii[1] + radii[2] + 1;

  const QRectF operation = toDevice.mapRect(bounds);
  if (!(operation.width() > 0 && operation.height() > 0)) return;
  // Only coverage whose shadow can land on the visible part is worked out.
  QRectF needed = operation.adjusted(-pad, -pad, pad, pad) &
                  VisibleDeviceRect(painter, toDevice).translated(-offset).adjusted(-pad, -pad, pad, pad);
  if (needed.isEmpty()) return;
  const QRect region = needed.toAlignedRect();

  // Wide blurs are worked out at a lower resolution: the result is smooth
  // enough to be drawn scaled up. So are very large areas.
  const double area = double(region.width()) * double(region.height());
  double resolution = sigma > kFullResolutionSigma ? kFullResolutionSigma / sigma : 1.0;
  if (area * resolution * resolution > kMaxShadowScratchPixels) resolution = std::sqrt(kMaxShadowScratchPixels / area);
  const int width = std::max(1, int(std::ceil(region.width() * resolution)));
  const int height = std::max(1, int(std::ceil(region.height() * resolution)));
  QImage scratch(width, height, QImage::Format_ARGB32_Premultiplied);
  if (scratch.isNull()) return;
  scratch.fill(Qt::transparent);

  // The offset's fraction of a pixel moves the coverage, so that the
  // shadow is drawn on whole pixels.
  const QPointF whole(std::floor(offset.x()), std::floor(offset.y()));
  const QPointF fraction = offset - whole;
  {
    QPainter scratchPainter(&scratch);
    scratchPainter.setRenderHints(painter->renderHints());
    scratchPainter.setTransform(toDevice *
                                QTransform::fromTranslate(fraction.x() - region.x(), fraction.y() - region.y()) *
                                QTransform::fromScale(resolution, resolution));
    draw(scratchPainter);
  }

  Coverage coverage{RoundUpToBlock(width), RoundUpToBlock(height), {}};
  coverage.bytes.assign(size_t(coverage.width) * size_t(coverage.height), 0);
  for (int y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    uint8_t* out = coverage.row(y);
    for (int x = 0; x < width; ++x) out[x] = uint8_t(qAlpha(line[x]));
  }
  BlurCoverage(coverage, sigma * resolution);

  // The colour at each coverage, premultiplied.
  std::array<QRgb, 256> tint{};
  const QRgb color = shadow.color.rgba();
  for (int v = 0; v < 256; ++v) {
    const int alpha = (qAlpha(color) * v + 127) / 255;
    tint[size_t(v)] = qRgba((qRed(color) * alpha + 127) / 255, (qGreen(color) * alpha + 127) / 255,
                            (qBlue(color) * alpha + 127) / 255, alpha);
  }
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(scratch.scanLine(y));
    const uint8_t* in = coverage.row(y);
    for (int x = 0; x < width; ++x) line[x] = tint[in[x]];
  }

  painter->save();
  // Draw in device pixels: the clip, set earlier, stays where it was.
  painter->setWorldTransform(QTransform());
  const QTransform rest = painter->deviceTransform();
  if (!rest.isIdentity()) painter->setWorldTransform(rest.inverted());
  if (resolution < 1.0) painter->setRenderHint(QPainter::SmoothPixmapTransform);
  const QRectF target(QPointF(region.topLeft()) + whole, QSizeF(width / resolution, height / resolution));
  painter->drawImage(target, scratch);
  painter->restore();
}

// The part of user space a stroke of the pen along the path can touch.
QRectF StrokeBounds(const QPainterPath& path, const QPen& pen, double scale) {
  double width = pen.widthF();
  if (pen.isCosmetic() || width <= 0) width = std::max(width, 1.0) / scale;
  double reach = std::sqrt(2.0);  // a square cap's corner
  const Qt::PenJoinStyle join = pen.joinStyle();
  if (join == Qt::MiterJoin || join == Qt::SvgMiterJoin) reach = std::max(reach, pen.miterLimit());
  const double grow = width / 2.0 * reach + 1.0 / scale;
  return path.controlPointRect().adjusted(-grow, -grow, grow, grow);
}

}  // namespace

void PushShadowContext() {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PushContext();
  PainterShadows& entry = ShadowsOf(painter);
  entry.saved.push_back(entry.current);
}

void PopShadowContext() {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PopContext();
  PainterShadows& entry = ShadowsOf(painter);
  if (!entry.saved.empty()) {
    entry.current = entry.saved.back();
    entry.saved.pop_back();
  }
  DropIfUnused(painter, entry);
}

void SetContextShadow(const std::optional<DRContextShadow>& shadow) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PainterShadows& entry = ShadowsOf(painter);
  entry.current = shadow;
  DropIfUnused(painter, entry);
}

std::optional<DRContextShadow> ContextShadow() {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return std::nullopt;
  auto& states = ShadowStates();
  const auto found = states.find(painter);
  if (found == states.end() || found->second.device != painter->device()) return std::nullopt;
  return found->second.current;
}

void FillPathInContext(const QPainterPath& path, const QBrush& brush) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (const std::optional<DRContextShadow> shadow = ContextShadow()) {
    CastShadow(painter, *shadow, path.controlPointRect(), [&](QPainter& scratch) { scratch.fillPath(path, brush); });
  }
  painter->fillPath(path, brush);
}

void StrokePathInContext(const QPainterPath& path, const QPen& pen) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (const std::optional<DRContextShadow> shadow = ContextShadow()) {
    const double scale = TransformScale(painter->deviceTransform());
    if (scale > 0 && std::isfinite(scale)) {
      CastShadow(painter, *shadow, StrokeBounds(path, pen, scale),
                 [&](QPainter& scratch) { scratch.strokePath(path, pen); });
    }
  }
  painter->strokePath(path, pen);
}

void DrawImageInContext(const QRectF& target, const QImage& image) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (const std::optional<DRContextShadow> shadow = ContextShadow()) {
    CastShadow(painter, *shadow, target.normalized(), [&](QPainter& scratch) { scratch.drawImage(target, image); });
  }
  painter->drawImage(target, image);
}
