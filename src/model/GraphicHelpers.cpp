#include "model/GraphicHelpers.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/DRColorSource.h"
#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/CSFileReader.h"
#include "support/Files.h"
#include "support/GraphicsContext.h"
#include "support/Numbers.h"
#include "support/SaturatingCast.h"

namespace {

bool IsLineBrush(int brushType) {
  return brushType >= 4 && brushType <= 7;
}

// The drawing model never strokes with a zero-width (cosmetic) pen.
constexpr double kThinnestLine = 0.25;

}  // namespace

// ---- Brushes ---------------------------------------------------------------------

QPainterPath BezierForBrush(int brushType, bool inset, double size, double x, double y) {
  const double d = size;
  const double r = d / 2;
  const QRectF square(x - r, y - r, d, d);
  QPainterPath path;

  if (d == 1.0 || (brushType == 2 && d <= 4.0) || brushType < 1 || brushType > 7) {
    QRectF rect = square;
    if (inset) {
      rect.adjust(0.5, 0.5, -0.5, -0.5);
    } else if (d == 1.0) {
      rect.moveTo(double(std::floor(float(rect.x()))), double(std::floor(float(rect.y()))));
    }
    path.addRect(rect);
    return path;
  }

  switch (brushType) {
    case 1:
    case 3: {
      QRectF oval = square;
      if (brushType == 3) {
        const double f = double(std::floor(float(d / 5)));
        oval = QRectF(x - r, y - r + f, d, d - 2 * f);
      }
      if (inset) oval.adjust(0.5, 0.5, -0.5, -0.5);
      path.addEllipse(oval);
      break;
    }
    case 2: {
      const double q = r - 1;
      path.moveTo(x, y - q);
      path.lineTo(x + q, y);
      path.lineTo(x, y + q);
      path.lineTo(x - q, y);
      path.closeSubpath();
      break;
    }
    case 4:
      path.moveTo(x, y - r);
      path.lineTo(x, y + r);
      break;
    case 5:
      path.moveTo(x - r, y);
      path.lineTo(x + r, y);
      break;
    case 6:
      path.moveTo(x - r, y - r);
      path.lineTo(x + r, y + r);
      break;
    default:  // 7
      path.moveTo(x - r, y + r);
      path.lineTo(x + r, y - r);
      break;
  }
  return path;
}

void DrawBrush(int brushType, Kolor kolor, double size, double x, double y) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const QPainterPath path = BezierForBrush(brushType, false, size, x, y);
  const QColor color = ColorFromKolor(kolor);
  // Types outside the table are drawn as the square they stand for.
  if (!IsLineBrush(brushType) || size == 1.0) {
    painter->fillPath(path, color);
  } else {
    QPen pen(color, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    painter->strokePath(path, pen);
  }
}

// ---- Marks -----------------------------------------------------------------------

void DrawCenterMark(const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const QPointF c = rect.center();
  QPainterPath path;
  path.moveTo(c.x() - 3, c.y());
  path.lineTo(c.x() + 3, c.y());
  path.moveTo(c.x(), c.y() - 3);
  path.lineTo(c.x(), c.y() + 3);
  QPen pen = painter->pen();
  if (pen.widthF() <= 0) pen.setWidthF(kThinnestLine);
  painter->strokePath(path, pen);
}

void DrawNoColorCross(QPainterPath* path, const QRectF& rect) {
  if (QPainter* painter = CurrentQuartzContext()) {
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(rect, Qt::white);
    painter->restore();
  }
  if (!path) return;
  const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
  path->moveTo(x + 1, y + 1);
  path->lineTo(x + w - 1, y + h - 1);
  path->moveTo(x + w - 1, y + 1);
  path->lineTo(x + 1, y + h - 1);
}

void MakeTriangleBezier(QPainterPath* path, const QRectF& rect) {
  if (!path) return;
  path->clear();
  path->moveTo(rect.x() + rect.width() / 2, rect.y());
  path->lineTo(rect.x() + rect.width(), rect.y() + rect.height());
  path->lineTo(rect.x(), rect.y() + rect.height());
  path->closeSubpath();
}

// ---- Transparency checkerboard -----------------------------------------------------

void DrawCheckerBoard(const QRectF& first, const QRectF& second, double rightLimit, double bottomLimit,
                      float exponent) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  // The exponent comes from the user's defaults: an out-of-range or NaN
  // value must not make billions of squares or squares at NaN.
  float side = std::exp2(2.0f * exponent);
  if (!(side >= kMinCheckerSquare)) side = kMinCheckerSquare;
  if (side > kMaxCheckerSquare) side = kMaxCheckerSquare;
  const double s = side;
  const double o = kCheckerBoardOrigin;

  auto firstIndex = [s, o](double a, double b) {
    const int64_t fromA = SaturatingCast<int64_t>(std::trunc(std::max(0.0, (a - o) / s)));
    const int64_t fromB = SaturatingCast<int64_t>(std::trunc((b - o) / s));
    return std::max(fromA, fromB);
  };
  const int64_t firstColumn = firstIndex(first.x(), second.x());
  const int64_t firstRow = firstIndex(first.y(), second.y());
  const double endX =
      std::min({float(rightLimit), float(first.x() + first.width()), float(second.x() + second.width() + 2 * s)});
  const double endY =
      std::min({float(bottomLimit), float(first.y() + first.height()), float(second.y() + second.height() + 2 * s)});
  if (!std::isfinite(endX) || !std::isfinite(endY)) return;  // no edge to stop at

  QPainterPath path;
  for (int64_t row = firstRow; o + double(row) * s < endY; ++row) {
    for (int64_t column = firstColumn; o + double(column) * s < endX; ++column) {
      if (((column ^ row) & 1) == 0) path.addRect(o + double(column) * s, o + double(row) * s, s, s);
    }
  }
  static const QColor kCheckerColor = ColorFromKolor(kCheckerBoardKolor);
  painter->fillPath(path, kCheckerColor);
}

// ---- Points ----------------------------------------------------------------------

CSPoint InterpolateLineThird(CSPoint p0, CSPoint p1) {
  // The difference of two measures can pass 64 bits; a third of it added
  // to p0 lies between the two again.
  auto third = [](MeasureUnit a, MeasureUnit b) { return MeasureUnit(a + (__int128(b) - a) / 3); };
  return CSPoint{third(p0.x, p1.x), third(p0.y, p1.y)};
}

// ---- Image files -----------------------------------------------------------------

namespace {

constexpr uint16_t kTiffVersion = 42;
constexpr uint16_t kTiffTagCompression = 259;
constexpr uint64_t kTiffEntrySize = 12;
// Entries are read this many at a time (a directory may list 65,535).
constexpr uint64_t kTiffEntriesPerRead = 256;

}  // namespace

bool IsTiffCompressed(const QString& path) {
  const std::unique_ptr<CSFileReader> reader = CSFileReader::initWithFile(path);
  if (!reader) return true;
  const uint64_t fileSize = reader->fileSize();

  uint8_t header[8];
  if (!reader->readDataTo(header, sizeof header, 0)) return true;
  const bool bigEndian = header[0] == 0x4D && header[1] == 0x4D;
  auto field = [bigEndian](const uint8_t* p, int width) {
    return bigEndian ? ReadBigEndian(p, width) : ReadLittleEndian(p, width);
  };
  if (field(header + 2, 2) != kTiffVersion) return true;
  uint64_t offset = field(header + 4, 4);
  if (offset >= fileSize) return true;

  std::vector<uint64_t> visited;
  uint8_t entries[kTiffEntriesPerRead * kTiffEntrySize];
  while (offset < fileSize) {
    // A chain that comes back to a directory, or never ends, is not a TIFF
    // anyone wrote: give the safe answer rather than walk it.
    if (visited.size() >= size_t(kMaxTiffDirectories)) return true;
    if (std::find(visited.begin(), visited.end(), offset) != visited.end()) return true;
    visited.push_back(offset);

    uint8_t countBytes[2];
    if (!reader->readDataTo(countBytes, sizeof countBytes, offset)) return true;
    const uint64_t count = field(countBytes, 2);
    if (offset + count * kTiffEntrySize + 6 > fileSize) return true;

    uint64_t at = offset + 2;
    for (uint64_t done = 0; done < count;) {
      const uint64_t batch = std::min(count - done, kTiffEntriesPerRead);
      if (!reader->readDataTo(entries, batch * kTiffEntrySize, at)) return true;
      for (uint64_t i = 0; i < batch; ++i) {
        const uint8_t* entry = entries + i * kTiffEntrySize;
        if (field(entry, 2) != kTiffTagCompression) continue;
        // A short value 1 sits in the first two bytes of the value field:
        // read as 32 bits it is 1 or 65,536 depending on the byte order.
        const uint64_t value = field(entry + 8, 4);
        return !(value == 1 || value == 65536);
      }
      done += batch;
      at += batch * kTiffEntrySize;
    }

    uint8_t next[4];
    if (!reader->readDataTo(next, sizeof next, at)) return true;
    offset = field(next, 4);
    if (offset == 0) return true;
  }
  return true;
}

double JpegCompression(const QString& path, int64_t width, int64_t height) {
  const uint64_t size = SizeOfFile(path);
  const double pixels = double(width) * double(height);
  if (size == 0 || pixels == 0) return -1.0;
  const double ratio = double(size) / pixels;
  constexpr double kLargeImage = 2000000;
  constexpr double kDenseRatio = 0.158;
  double factor;
  if (pixels >= kLargeImage) {
    factor = ratio < kDenseRatio ? 4.8 : 3.4;
  } else {
    factor = ratio < kDenseRatio ? 3.4 : 2.6;
  }
  const double q = ratio * factor;
  if (q < 0 || q > 0.95) return 1.0;
  return std::floor(q * 10) / 10;
}

void PickupColor(const DRColorSource* source, bool optionKey, bool controlKey, const QPointF& point) {
  const Kolor kolor = source ? source->kolorAtPoint(point) : g_nilKolor;
  DRSettings& settings = DRSettings::sharedInstance();
  const auto toLineAndText = [&] {
    settings.lineInfo().setKolor(kolor);
    settings.textInfo().setTextKolor(kolor);
  };
  if (optionKey) {
    toLineAndText();
  } else if (controlKey) {
    settings.setSwapKolor(kolor);
  } else {
    switch (settings.colorTarget()) {
      case 0:
        settings.setFillKolor(kolor);
        break;
      case 1:
        toLineAndText();
        break;
      case 2:
        settings.setSwapKolor(kolor);
        break;
      default:
        break;
    }
  }
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.eyedropper"), nullptr);
}
