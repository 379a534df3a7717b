// Shape pixmaps, selection masks, marching-ants outlines and the zoomed
// pictures the painting canvas shows.
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "pixmap/CSPixmap.h"
#include "pixmap/PixelThreads.h"
#include "pixmap/PixelVectors.h"
#include "support/SaturatingCast.h"

namespace {

// Origins beyond this distance place a mask wholly off any pixmap; clamping
// them keeps the offset arithmetic far from overflow.
constexpr int64_t kMaxOriginOffset = int64_t(1) << 32;

int64_t TruncatedOffset(double value) {
  return std::clamp(SaturatingCast<int64_t>(value), -kMaxOriginOffset, kMaxOriginOffset);
}

// A transparent pixmap of the size with the shape drawn by an antialiasing
// painter on a scratch image of the same layout, whose rows are then copied
// in: the painter never sees the pixmap's own memory.
template <typename Draw>
std::unique_ptr<CSPixmap> DrawnPixmap(QSizeF size, Draw draw) {
  auto pixmap = CSPixmap::initWithSize(size);
  if (!pixmap) return nullptr;
  const PixelBitmap bits = pixmap->bitmap();
  QImage scratch(bits.width, bits.height, QImage::Format_ARGB32_Premultiplied);
  if (scratch.isNull()) return nullptr;
  scratch.fill(Qt::transparent);
  {
    QPainter painter;
    if (!painter.begin(&scratch)) return nullptr;
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
  }
  const size_t rowBytes = size_t(bits.width) * sizeof(uint32_t);
  for (int y = 0; y < bits.height; ++y) std::memcpy(bits.row(y), scratch.constScanLine(y), rowBytes);
  return pixmap;
}

// Rows a part of a mask conversion takes at least.
constexpr int64_t kMaskRowsPerPart = 64;

// One row of a converted mask: 0 where `here` is transparent, `interior`
// where it and its four neighbours are not, `edge` elsewhere. A null row
// above or below lies outside the pixmap; `out` is never `here`. Into a
// row known to hold zeros (`outZeroed`) no zero is written, so that the
// untouched memory of a new pixmap's transparent areas is never faulted in.
template <bool outZeroed>
void MaskRow(const uint32_t* above, const uint32_t* here, const uint32_t* below, uint32_t* out, int64_t width,
             uint32_t edge, uint32_t interior) {
  auto one = [&](int64_t x) {
    if (PixelAlpha(here[x]) == 0) {
      if (!outZeroed) out[x] = kTransparentPixel;
      return;
    }
    const bool inside = above && below && x > 0 && x + 1 < width && PixelAlpha(here[x - 1]) != 0 &&
                        PixelAlpha(here[x + 1]) != 0 && PixelAlpha(above[x]) != 0 && PixelAlpha(below[x]) != 0;
    out[x] = inside ? interior : edge;
  };
  auto store = [out](int64_t x, PixelLanes lanes) {
    if constexpr (outZeroed) {
      uint64_t halves[2];
      std::memcpy(halves, &lanes, sizeof halves);
      if ((halves[0] | halves[1]) == 0) return;
    }
    StoreLanes(out + x, lanes);
  };
  const PixelLanes edges = SplatLanes(edge), interiors = SplatLanes(interior);
  if (!above || !below) {
    // A border row is all edge.
    int64_t x = 0;
    for (; x + kPixelLaneCount <= width; x += kPixelLaneCount) store(x, VisibleLanes(LoadLanes(here + x)) & edges);
    for (; x < width; ++x) one(x);
    return;
  }
  if (width > 0) one(0);
  int64_t x = 1;
  for (; x + kPixelLaneCount < width; x += kPixelLaneCount) {
    const PixelLanes visible = VisibleLanes(LoadLanes(here + x));
    const PixelLanes inside = visible & VisibleLanes(LoadLanes(here + x - 1)) & VisibleLanes(LoadLanes(here + x + 1)) &
                              VisibleLanes(LoadLanes(above + x)) & VisibleLanes(LoadLanes(below + x));
    store(x, (inside & interiors) | (visible & ~inside & edges));
  }
  for (; x < width; ++x) one(x);
}

// PixelForDisplayMode with the display fixed at compile time.
template <PixmapDisplay Display>
uint32_t DisplayPixel(uint32_t pixel) {
  if constexpr (Display == kPixmapDisplayAlpha) {
    return PixelFromAlpha(PixelAlpha(pixel));
  } else if constexpr (Display == kPixmapDisplayOpaque) {
    if (PixelAlpha(pixel) == 0) return kOpaqueWhitePixel;
    ChangePixelAlpha(&pixel, 255);
    return pixel;
  } else {
    return pixel;
  }
}

// Output pixels a part of a zoomed picture makes at least.
constexpr int64_t kZoomPixelsPerPart = 1 << 16;

// Writes `count` copies of the word.
inline void FillWords(uint32_t* out, int64_t count, uint32_t word) {
  int64_t k = 0;
  const PixelLanes lanes = SplatLanes(word);
  for (; k + kPixelLaneCount <= count; k += kPixelLaneCount) StoreLanes(out + k, lanes);
  for (; k < count; ++k) out[k] = word;
}

// The output rows of source rows [first, end) of a zoomed picture: the
// first row of each band of z is made, then copied to the rest; with the
// grid the last row of the band is made on its own.
template <PixmapDisplay Display>
void ZoomRows(const PixelBitmap& source, const PixelBitmap& destination, int64_t left, int64_t top, int64_t columns,
              int64_t z, bool grid, int64_t first, int64_t end) {
  const size_t rowBytes = size_t(columns * z) * sizeof(uint32_t);
  for (int64_t y = first; y < end; ++y) {
    const uint32_t* in = source.row(top + y) + left;
    uint32_t* const block = destination.row(y * z);
    uint32_t* const last = destination.row(y * z + z - 1);
    if (z == 1) {
      for (int64_t x = 0; x < columns; ++x) {
        const uint32_t pixel = DisplayPixel<Display>(in[x]);
        block[x] = grid && PixelAlpha(pixel) != 0 ? kOpaqueWhitePixel : pixel;
      }
      continue;
    }
    for (int64_t x = 0; x < columns; ++x) {
      const uint32_t pixel = DisplayPixel<Display>(in[x]);
      uint32_t* out = block + x * z;
      FillWords(out, z, pixel);
      if (grid && PixelAlpha(pixel) != 0) {
        out[z - 1] = kOpaqueWhitePixel;
        FillWords(last + x * z, z, kOpaqueWhitePixel);
      } else if (grid) {
        FillWords(last + x * z, z, pixel);
      }
    }
    for (int64_t r = 1; r < (grid ? z - 1 : z); ++r) std::memcpy(destination.row(y * z + r), block, rowBytes);
  }
}

}  // namespace

// ---- Shape pixmaps --------------------------------------------------------------

std::unique_ptr<CSPixmap> CSPixmap::initWithRect(QSizeF size, Kolor kolor) {
  auto pixmap = initWithSize(size);
  if (!pixmap) return nullptr;
  const uint32_t pixel = PixelFromKolor(kolor);
  if (pixel != kTransparentPixel) {
    const PixelBitmap bits = pixmap->bitmap();
    for (int y = 0; y < bits.height; ++y) std::fill_n(bits.row(y), bits.width, pixel);
  }
  return pixmap;
}

std::unique_ptr<CSPixmap> CSPixmap::initWithOval(QSizeF size, Kolor kolor) {
  const QColor color = ColorFromKolor(kolor);
  return DrawnPixmap(size, [&](QPainter& painter) {
    const QSizeF pixels(painter.device()->width(), painter.device()->height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(QPointF(0, 0), pixels));
  });
}

std::unique_ptr<CSPixmap> CSPixmap::initWithLineFrom(QPointF from, QPointF to, double thickness, Kolor kolor) {
  // Single precision throughout, as the stroke's width and the margin are
  // derived from one value; NaN falls back to the thinnest line too.
  float t = float(thickness);
  if (!(t >= 0.5f)) t = 0.5f;
  const float left = std::min(float(from.x()), float(to.x())), top = std::min(float(from.y()), float(to.y()));
  const QPointF a(float(from.x()) - left + t, float(from.y()) - top + t);
  const QPointF b(float(to.x()) - left + t, float(to.y()) - top + t);
  const float right = std::max(float(from.x()), float(to.x())) - left;
  const float bottom = std::max(float(from.y()), float(to.y())) - top;
  const QColor color = ColorFromKolor(kolor);
  auto pixmap = DrawnPixmap(QSizeF(right + 2 * t, bottom + 2 * t), [&](QPainter& painter) {
    painter.setPen(QPen(color, t, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(a, b);
  });
  if (pixmap) pixmap->setAlpha(true);
  return pixmap;
}

std::unique_ptr<CSPixmap> CSPixmap::initWithBezier(QPainterPath& path, Kolor kolor) {
  const QRectF bounds = path.boundingRect();
  if (bounds.topLeft() != QPointF(0, 0)) path.translate(-bounds.topLeft());
  const QColor color = ColorFromKolor(kolor);
  return DrawnPixmap(bounds.size(), [&](QPainter& painter) { painter.fillPath(path, color); });
}

std::unique_ptr<CSPixmap> CSPixmap::initWithPolygon(const QPolygonF& points, Kolor kolor, QPointF* origin) {
  if (points.size() < 2) return nullptr;
  float left = float(points.first().x()), top = float(points.first().y());
  float right = left, bottom = top;
  for (const QPointF& point : points) {
    left = std::min(left, float(point.x()));
    right = std::max(right, float(point.x()));
    top = std::min(top, float(point.y()));
    bottom = std::max(bottom, float(point.y()));
  }
  if (origin) *origin = QPointF(left, top);
  const QColor color = ColorFromKolor(kolor);
  return DrawnPixmap(QSizeF(right - left, bottom - top), [&](QPainter& painter) {
    // Bottom-up: y = 0 is the bottom edge of the pixmap.
    const double height = painter.device()->height();
    QPolygonF shape;
    shape.reserve(points.size());
    for (const QPointF& point : points) shape << QPointF(point.x() - left, height - (point.y() - top));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(shape, Qt::WindingFill);
  });
}

std::unique_ptr<CSPixmap> CSPixmap::createPixmapForBezier(const QPainterPath& path, QPointF* origin) const {
  if (path.isEmpty()) return nullptr;
  const QRectF bounds = path.boundingRect();
  if (!(bounds.width() > 0) || !(bounds.height() > 0)) return nullptr;
  const int64_t left = SaturatingCast<int64_t>(std::floor(bounds.left()));
  const int64_t top = SaturatingCast<int64_t>(std::floor(bounds.top()));
  const int64_t right = SaturatingCast<int64_t>(std::ceil(bounds.right()));
  const int64_t bottom = SaturatingCast<int64_t>(std::ceil(bounds.bottom()));
  if (right - left > kMaxPixmapSide || bottom - top > kMaxPixmapSide) return nullptr;
  auto pixmap = create(int(right - left), int(bottom - top));
  if (!pixmap) return nullptr;
  if (origin) *origin = QPointF(double(left), double(top));
  const PixelBitmap source = bitmap(), destination = pixmap->bitmap();
  bool copied = false;
  // Only the part of the bounds over this pixmap can hold pixels.
  const int64_t firstRow = std::max<int64_t>(top, 0), endRow = std::min<int64_t>(bottom, source.height);
  const int64_t firstColumn = std::max<int64_t>(left, 0), endColumn = std::min<int64_t>(right, source.width);
  for (int64_t y = firstRow; y < endRow; ++y) {
    for (int64_t x = firstColumn; x < endColumn; ++x) {
      const uint32_t pixel = *source.pixelAt(x, y);
      if (PixelAlpha(pixel) == 0 || !path.contains(QPointF(double(x) + 0.5, double(y) + 0.5))) continue;
      *destination.pixelAt(x - left, y - top) = pixel;
      copied = true;
    }
  }
  if (!copied) return nullptr;
  return pixmap;
}

// ---- Masks ----------------------------------------------------------------------

std::unique_ptr<CSPixmap> CSPixmap::createMaskPixmap() const {
  // Converted straight from these pixels into a new pixmap: no copy first.
  auto mask = create(m_width, m_height, false);
  if (!mask) return nullptr;
  const PixelBitmap in = bitmap(), out = mask->bitmap();
  const int64_t height = in.height;
  // Fresh memory is zero and its transparent runs are left untouched; a
  // recycled bitmap gets every pixel written.
  const bool zeroed = mask->m_bitmap.zeroed;
  ForEachRowRange(height, PixelLoopParts(height, kMaskRowsPerPart, 2), [&](int64_t first, int64_t end) {
    for (int64_t y = first; y < end; ++y) {
      const uint32_t* above = y > 0 ? in.row(y - 1) : nullptr;
      const uint32_t* below = y + 1 < height ? in.row(y + 1) : nullptr;
      if (zeroed)
        MaskRow<true>(above, in.row(y), below, out.row(y), in.width, kOpaqueBlackPixel, kOpaqueWhitePixel);
      else
        MaskRow<false>(above, in.row(y), below, out.row(y), in.width, kOpaqueBlackPixel, kOpaqueWhitePixel);
    }
  });
  return mask;
}

void CSPixmap::convertToMask() {
  colorEdgesWith(kOpaqueBlackPixel, kOpaqueWhitePixel);
}

void CSPixmap::colorEdgesWith(uint32_t edge, uint32_t interior) {
  const PixelBitmap bits = bitmap();
  if (bits.isNull()) return;
  const int64_t width = bits.width, height = bits.height;
  const size_t rowBytes = size_t(width) * sizeof(uint32_t);
  const int64_t parts = PixelLoopParts(height, kMaskRowsPerPart, 2);
  // In place, each part reads the rows next to it as they were: the row
  // above its first and the row below its last are kept before any part
  // starts rewriting. Within a part the row above is kept as it goes.
  std::vector<uint32_t> edges(size_t(2 * parts) * size_t(width));
  auto keptAbove = [&](int64_t part) { return edges.data() + size_t(2 * part) * size_t(width); };
  auto keptBelow = [&](int64_t part) { return edges.data() + size_t(2 * part + 1) * size_t(width); };
  for (int64_t part = 0; part < parts; ++part) {
    const int64_t first = RowRangeStart(height, parts, part), end = RowRangeStart(height, parts, part + 1);
    if (first > 0) std::memcpy(keptAbove(part), bits.row(first - 1), rowBytes);
    if (end < height) std::memcpy(keptBelow(part), bits.row(end), rowBytes);
  }
  ForEachRowRange(height, parts, [&](int64_t first, int64_t end) {
    int64_t part = 0;
    while (RowRangeStart(height, parts, part) != first) ++part;
    std::vector<uint32_t> previous(keptAbove(part), keptAbove(part) + width);
    std::vector<uint32_t> current(static_cast<size_t>(width));
    for (int64_t y = first; y < end; ++y) {
      std::memcpy(current.data(), bits.row(y), rowBytes);
      const uint32_t* below = y + 1 < end ? bits.row(y + 1) : y + 1 < height ? keptBelow(part) : nullptr;
      MaskRow<false>(y > 0 ? previous.data() : nullptr, current.data(), below, bits.row(y), width, edge, interior);
      previous.swap(current);
    }
  });
  m_alphaSet = false;
}

bool CSPixmap::smoothMask() {
  const PixelBitmap bits = bitmap();
  const int64_t width = bits.width, height = bits.height;
  bool filled = false;
  for (int64_t y = 0; y < height; ++y) {
    uint32_t* row = bits.row(y);
    for (int64_t x = 0; x < width; ++x) {
      if (PixelAlpha(row[x]) != 0) continue;
      int neighbours = 0;
      if (x > 0) neighbours += PixelAlpha(row[x - 1]) != 0;
      if (x + 1 < width) neighbours += PixelAlpha(row[x + 1]) != 0;
      if (y > 0) neighbours += PixelAlpha(bits.row(y - 1)[x]) != 0;
      if (y + 1 < height) neighbours += PixelAlpha(bits.row(y + 1)[x]) != 0;
      if (neighbours >= 3) {
        row[x] = kOpaqueBlackPixel;
        filled = true;
      }
    }
  }
  if (filled) m_alphaSet = false;
  return filled;
}

std::unique_ptr<CSPixmap> CSPixmap::createPixmapUsingMask(const CSPixmap* mask, QPointF origin) const {
  if (!mask) return nullptr;
  auto pixmap = create(mask->width(), mask->height());
  if (pixmap) pixmap->copyPixelsFrom(*this, *mask, origin);
  return pixmap;
}

void CSPixmap::copyPixelsFrom(const CSPixmap& source, const CSPixmap& mask, QPointF origin) {
  const PixelBitmap destination = bitmap(), from = source.bitmap(), selection = mask.bitmap();
  if (destination.isNull() || from.isNull() || selection.isNull()) return;
  const int64_t ox = TruncatedOffset(origin.x()), oy = TruncatedOffset(origin.y());
  // Mask positions whose source pixel lies inside the source, and inside
  // this pixmap should it not have the mask's size.
  const int64_t firstColumn = std::max<int64_t>(0, -ox);
  const int64_t endColumn = std::min({int64_t(selection.width), int64_t(destination.width), from.width - ox});
  const int64_t firstRow = std::max<int64_t>(0, -oy);
  const int64_t endRow = std::min({int64_t(selection.height), int64_t(destination.height), from.height - oy});
  const bool alphaOnly = source.pixmapMode() == kPixmapModeMask;
  for (int64_t y = firstRow; y < endRow; ++y) {
    const uint32_t* selects = selection.row(y);
    const uint32_t* pixels = from.row(y + oy) + ox;
    uint32_t* out = destination.row(y);
    for (int64_t x = firstColumn; x < endColumn; ++x) {
      if (selects[x] == 0) continue;
      out[x] = alphaOnly ? PixelFromAlpha(PixelAlpha(pixels[x])) : pixels[x];
    }
  }
  m_alphaSet = false;
}

// ---- Marching ants and the zoomed picture ---------------------------------------

std::unique_ptr<CSPixmap> CSPixmap::createAntsForMaskAtZoom(double zoom, int64_t phase) const {
  const float width = std::floor(float(m_width) * float(zoom));
  const float height = std::floor(float(m_height) * float(zoom));
  auto ants = initWithSize(QSizeF(double(width) + 2, double(height) + 2));
  if (ants) ants->createAntsForMask(*this, phase);
  return ants;
}

void CSPixmap::createAntsForMask(const CSPixmap& mask, int64_t phase) {
  const PixelBitmap ants = bitmap(), edges = mask.bitmap();
  if (ants.isNull() || edges.isNull()) return;
  const int64_t width = edges.width, height = edges.height;
  const int64_t width2 = int64_t(ants.width) - 2, height2 = int64_t(ants.height) - 2;
  const bool oneToOne = width2 == width && height2 == height;
  const bool magnified = !oneToOne && width2 >= width && height2 >= height;
  const int64_t block = magnified ? width2 / width : 1;
  const uint32_t color = AntPixelColor(phase);
  // Lines along open sides may reach past the margin when the two sizes do
  // not match a zoom: every write is clipped.
  auto put = [&](int64_t x, int64_t y) {
    if (ants.contains(x, y)) *ants.pixelAt(x, y) = color;
  };
  auto open = [&](int64_t x, int64_t y) { return !edges.contains(x, y) || *edges.pixelAt(x, y) == 0; };

  for (int64_t y = 0; y < height; ++y) {
    const uint32_t* row = edges.row(y);
    for (int64_t x = 0; x < width; ++x) {
      if (row[x] != kOpaqueBlackPixel) continue;
      const bool left = open(x - 1, y), right = open(x + 1, y), upper = open(x, y - 1), lower = open(x, y + 1);
      const int64_t px = (oneToOne ? x : x * width2 / width) + 1;
      const int64_t py = (oneToOne ? y : y * height2 / height) + 1;
      if (!magnified) {
        put(px, py);
        if (left)
          put(px - 1, py);
        else if (right)
          put(px + 1, py);
        if (upper)
          put(px, py - 1);
        else if (lower)
          put(px, py + 1);
        continue;
      }
      // Two pixels thick along each open side: one inside the block, one
      // outside it.
      const int64_t last = block - 1;
      for (int64_t i = 0; i < block; ++i) {
        if (left) {
          put(px, py + i);
          put(px - 1, py + i);
        }
        if (right) {
          put(px + last, py + i);
          put(px + block, py + i);
        }
        if (upper) {
          put(px + i, py);
          put(px + i, py - 1);
        }
        if (lower) {
          put(px + i, py + last);
          put(px + i, py + block);
        }
      }
    }
  }
  m_alphaSet = false;
}

std::unique_ptr<CSPixmap> CSPixmap::createPixmapForRect(QRect rect, PixmapDisplay display, double zoom,
                                                        bool grid) const {
  const int64_t left = rect.x(), top = rect.y(), columns = rect.width(), rows = rect.height();
  // The rectangle must lie within the pixmap: a picture is never made from
  // memory beyond it.
  if (columns < 1 || rows < 1 || left < 0 || top < 0 || left + columns > m_width || top + rows > m_height)
    return nullptr;
  const int64_t z = std::max<int64_t>(1, SaturatingCast<int64_t>(zoom));
  if (z > kMaxPixmapSide || columns * z > kMaxPixmapSide || rows * z > kMaxPixmapSide) return nullptr;
  // Every pixel of the picture is written below.
  auto picture = create(int(columns * z), int(rows * z), false);
  if (!picture) return nullptr;
  const PixelBitmap source = bitmap(), destination = picture->bitmap();
  const int64_t rowsPerPart = std::max<int64_t>(1, kZoomPixelsPerPart / (columns * z * z));
  ForEachRowRange(rows, PixelLoopParts(rows, rowsPerPart, 2), [&](int64_t first, int64_t end) {
    switch (display) {
      case kPixmapDisplayAlpha:
        ZoomRows<kPixmapDisplayAlpha>(source, destination, left, top, columns, z, grid, first, end);
        break;
      case kPixmapDisplayOpaque:
        ZoomRows<kPixmapDisplayOpaque>(source, destination, left, top, columns, z, grid, first, end);
        break;
      default:
        ZoomRows<kPixmapDisplayNormal>(source, destination, left, top, columns, z, grid, first, end);
        break;
    }
  });
  return picture;
}
