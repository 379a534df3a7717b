#include "interchange/PictConverter.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

#include "interchange/PdfPages.h"
#include "interchange/PictReader.h"
#include "support/Files.h"
#include "support/Fonts.h"
#include "support/ImageFormat.h"
#include "support/Kolor.h"
#include "support/TextDrawing.h"
#include "support/TextUtilities.h"

namespace {

constexpr uint32_t kPictTypeCode = 0x50494354;  // 'PICT'
// Reserved opcode sizes of version 2, the opcode word included.
constexpr size_t kReservedSize01 = 4;    // 0x0100-0x01FF
constexpr size_t kReservedSize02 = 6;    // 0x0200-0x0BFF
constexpr size_t kReservedSize0C = 26;   // 0x0C00-0x7EFF, the version-2 header among them
constexpr size_t kReservedSize7F = 256;  // 0x7F00 and above
constexpr unsigned kQuickTimeCompressed = 0x8200;
constexpr unsigned kQuickTimeUncompressed = 0x8201;
constexpr unsigned kOpEndPic = 0xFF;
// The wedge of an arc reaches this far from the ellipse's centre.
constexpr double kWedgeRadius = 1000000.0;
constexpr double kDefaultTextSize = 12.0;
// Largest text size drawn, in points.
constexpr double kMaxPictTextSize = 1000.0;
// Shadowed text is blurred pixel by pixel: past this many square points of
// shadowed text in one picture, further text is drawn without its shadow, so
// that a small picture can't ask for hours of blurring.
constexpr double kMaxShadowedTextArea = 1024.0 * 1024;

// Text face bits.
enum : uint8_t {
  kFaceBold = 1,
  kFaceItalic = 2,
  kFaceUnderline = 4,
  kFaceOutline = 8,
  kFaceShadow = 16,
  kFaceCondense = 32,
  kFaceExtend = 64
};

// The shape verbs, the low three bits of a shape opcode.
enum Verb : unsigned { kFrame = 0, kPaint = 1, kErase = 2, kInvert = 3, kFill = 4 };

struct State {
  QPainter* painter = nullptr;
  PictConversion* out = nullptr;
  int version = 0;  // 0 undetermined
  Kolor foreground = g_blackKolor;
  Kolor background = g_whiteKolor;
  Kolor textKolor = g_blackKolor;
  double backDensity = 1.0;
  double penDensity = 1.0;
  double fillDensity = 1.0;
  double penWidth = 1.0;
  QPointF penPosition;
  QPointF textPosition;
  QPointF previousTextPosition;
  QRectF lastRect;
  double ovalSize = 0;
  QString fontName;
  std::optional<QFont> font;
  double textSize = kDefaultTextSize;
  double characterExtra = 0;
  double textRatio = 1.0;
  uint8_t face = 0;
  double shadowedArea = 0;
};

// A Kolor at a pattern's density: white becomes the grey 1 - d, any other
// colour is lightened toward white. Always opaque.
QColor SetColor(Kolor kolor, double density) {
  if (kolor == g_whiteKolor && density != 1.0) {
    const double grey = std::clamp(1.0 - density, 0.0, 1.0);
    return QColor::fromRgbF(float(grey), float(grey), float(grey));
  }
  auto channel = [density](int value) {
    const double c = value / 255.0;
    return float(std::min(c + (1.0 - c) * (1.0 - density), 1.0));
  };
  return QColor::fromRgbF(channel(KolorRed(kolor)), channel(KolorGreen(kolor)), channel(KolorBlue(kolor)));
}

Kolor KolorFromNaiveColorCode(uint32_t code) {
  switch (code) {
    case 30:
      return g_whiteKolor;
    case 69:
      return MakeKolor(255, 255, 0);
    case 137:
      return MakeKolor(255, 0, 255);
    case 205:
      return MakeKolor(255, 0, 0);
    case 273:
      return MakeKolor(0, 255, 255);
    case 341:
      return MakeKolor(0, 255, 0);
    case 409:
      return MakeKolor(0, 0, 255);
    default:
      return g_blackKolor;
  }
}

double PatternDensity(PictCursor& c) {
  int bits = 0;
  for (int i = 0; i < 8; ++i) bits += std::popcount(unsigned(c.u8()));
  return bits / 64.0;
}

QPointF ReadPoint(PictCursor& c) {
  const int v = c.s16();
  const int h = c.s16();
  return QPointF(h, v);
}

QRectF ReadRect(PictCursor& c) {
  const double top = c.s16();
  const double left = c.s16();
  const double bottom = c.s16();
  const double right = c.s16();
  return QRectF(left, top, right - left, bottom - top);
}

// The colour and whether to stroke for a verb; false for a verb not drawn.
bool VerbPaint(const State& s, unsigned verb, QColor* color) {
  switch (verb) {
    case kFrame:
      if (s.penWidth == 0) return false;
      *color = SetColor(s.foreground, s.penDensity);
      return true;
    case kPaint:
      *color = SetColor(s.foreground, s.penDensity);
      return true;
    case kErase:
      *color = SetColor(s.background, s.backDensity);
      return true;
    case kFill:
      *color = SetColor(s.foreground, s.fillDensity);
      return true;
    default:
      return false;
  }
}

// Rectangles, round rectangles, ovals and arcs: the shape of the rectangle
// (inset by half the pen for a frame), in an optional clip.
void DrawShape(State& s, unsigned family, unsigned verb, const QRectF& rect, const QPainterPath* clip) {
  if (!s.painter || !(rect.width() > 0 && rect.height() > 0)) return;
  QColor color;
  if (!VerbPaint(s, verb, &color)) return;
  const double inset = verb == kFrame ? s.penWidth / 2 : 0;
  const QRectF r = rect.adjusted(inset, inset, -inset, -inset);
  QPainterPath path;
  switch (family) {
    case 0x30:
      path.addRect(r);
      break;
    case 0x40: {
      const double radius = std::max(s.ovalSize / 2 - inset, 0.0);
      path.addRoundedRect(r, radius, radius);
      break;
    }
    default:
      path.addEllipse(r);
      break;
  }
  QPainter& p = *s.painter;
  p.save();
  if (clip) p.setClipPath(*clip, Qt::IntersectClip);
  if (verb == kFrame)
    p.strokePath(path, QPen(color, s.penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  else
    p.fillPath(path, color);
  p.restore();
}

// The wedge from the centre through the start, middle and end angles
// (degrees clockwise from straight up); null for a whole ellipse.
std::optional<QPainterPath> ArcWedge(const QRectF& rect, int start, int arc) {
  if (arc == 0 || std::abs(arc) >= 360) return std::nullopt;
  const QPointF centre = rect.center();
  auto point = [&](double degrees) {
    const double radians = qDegreesToRadians(degrees);
    return centre + QPointF(std::sin(radians), -std::cos(radians)) * kWedgeRadius;
  };
  QPainterPath wedge(centre);
  wedge.lineTo(point(start));
  wedge.lineTo(point(start + arc / 2.0));
  wedge.lineTo(point(double(start) + arc));
  wedge.closeSubpath();
  return wedge;
}

void DrawLine(State& s, QPointF from, QPointF to) {
  s.penPosition = to;
  if (!s.painter || s.penWidth == 0) return;
  if ((from.x() < 0 && to.x() < 0) || (from.y() < 0 && to.y() < 0)) return;
  s.painter->setPen(
      QPen(SetColor(s.foreground, s.penDensity), s.penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  s.painter->drawLine(from, to);
}

void DrawPolygon(State& s, unsigned verb, PictCursor& c, size_t size) {
  if (!s.painter || size < 10) return;
  c.skip(8);  // the bounding rectangle
  QPolygonF points;
  for (size_t i = 0; i < (size - 10) / 4; ++i) points << ReadPoint(c);
  if (points.isEmpty() || !c.ok()) return;
  QColor color;
  if (!VerbPaint(s, verb, &color)) return;
  QPainterPath path;
  path.addPolygon(points);
  const bool closed = points.first() == points.last();
  if (verb != kFrame && closed) {
    s.painter->fillPath(path, color);
  } else if (s.penWidth != 0) {
    if (verb != kFrame) color = SetColor(s.foreground, s.penDensity);
    s.painter->strokePath(path, QPen(color, s.penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  }
}

const QFont& CurrentFont(State& s) {
  if (!s.font) {
    double size = std::floor(2 * s.textSize * s.textRatio) / 2;
    if (!(size >= kMinFontSize)) size = kDefaultTextSize;
    size = std::min(size, kMaxPictTextSize);
    QFont font = !s.fontName.isEmpty() && FontExists(s.fontName) ? FontWithName(s.fontName, size) : UserFont(size);
    if (!s.fontName.isEmpty() && FontExists(s.fontName)) {
      if (s.face & kFaceBold) font.setBold(true);
      if (s.face & kFaceItalic) font.setItalic(true);
      if (s.face & kFaceExtend)
        font.setStretch(QFont::Expanded);
      else if (s.face & kFaceCondense)
        font.setStretch(QFont::Condensed);
    }
    s.font = font;
  }
  return *s.font;
}

void DrawText(State& s, PictCursor& c) {
  const size_t count = c.u8();
  if (!c.has(count)) return;
  const QString text = StringFromBytesInEncoding(reinterpret_cast<const char*>(c.bytes() + c.position()),
                                                 qsizetype(count), kMacOSRomanStringEncoding);
  s.previousTextPosition = s.textPosition;
  if (!s.painter || text.isEmpty()) return;
  const QFont& font = CurrentFont(s);
  bool shadow = s.face & kFaceShadow;
  if (shadow) {
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(text) + std::abs(s.characterExtra) * double(text.size());
    s.shadowedArea += width * metrics.height();
    shadow = s.shadowedArea <= kMaxShadowedTextArea;
  }
  const double end = DrawTextWithCT(s.painter, text, font, s.textKolor, s.face & kFaceUnderline, s.face & kFaceOutline,
                                    shadow, s.textPosition.x(), s.textPosition.y(), s.characterExtra);
  s.penPosition.setX(end);
}

void DrawBits(State& s, const PictBitsOpcode& bits) {
  const QRectF destination = bits.destination;
  if (!(destination.width() > 0 && destination.height() > 0)) return;
  s.out->extent = s.out->extent.isEmpty() ? destination : s.out->extent.united(destination);
  if (!s.painter || bits.image.isNull()) return;
  const QRect source = bits.source.intersected(bits.bounds).translated(-bits.bounds.topLeft());
  if (source.isEmpty()) return;
  // The part of the destination the clipped source maps to.
  const QRect full = bits.source.translated(-bits.bounds.topLeft());
  const double sx = destination.width() / full.width();
  const double sy = destination.height() / full.height();
  const QRectF target(destination.x() + (source.x() - full.x()) * sx, destination.y() + (source.y() - full.y()) * sy,
                      source.width() * sx, source.height() * sy);
  s.painter->drawImage(target, bits.image, source);
}

// Draws one interpreted opcode from its data.
void Interpret(State& s, unsigned op, PictCursor& c) {
  switch (op) {
    case 0x02:
      s.backDensity = PatternDensity(c);
      return;
    case 0x04:
      s.face = c.u8();
      s.font.reset();
      return;
    case 0x07: {
      const QPointF size = ReadPoint(c);
      s.penWidth = std::max(std::min(size.x(), size.y()), 0.0);
      return;
    }
    case 0x09:
      s.penDensity = PatternDensity(c);
      return;
    case 0x0A:
      s.fillDensity = PatternDensity(c);
      return;
    case 0x0B: {
      const QPointF size = ReadPoint(c);
      s.ovalSize = std::min(size.x(), size.y());
      return;
    }
    case 0x0D:
      s.textSize = c.s16();
      s.font.reset();
      return;
    case 0x0E:
      s.foreground = KolorFromNaiveColorCode(c.u32());
      return;
    case 0x0F:
      s.background = KolorFromNaiveColorCode(c.u32());
      return;
    case 0x10: {
      const QPointF numerator = ReadPoint(c);
      const QPointF denominator = ReadPoint(c);
      double ratio = 0;
      if (denominator.x() != 0) ratio = numerator.x() / denominator.x();
      if (denominator.y() != 0) ratio = std::max(ratio, numerator.y() / denominator.y());
      if (ratio > 0) s.textRatio = ratio;
      s.font.reset();
      return;
    }
    case 0x16:
      s.characterExtra = c.s16();
      return;
    case 0x1A:
    case 0x1B: {
      const int red = c.u16() >> 8;
      const int green = c.u16() >> 8;
      const int blue = c.u16() >> 8;
      (op == 0x1A ? s.foreground : s.background) = MakeKolor(red, green, blue);
      return;
    }
    case 0x20: {
      const QPointF from = ReadPoint(c);
      DrawLine(s, from, ReadPoint(c));
      return;
    }
    case 0x21:
      DrawLine(s, s.penPosition, ReadPoint(c));
      return;
    case 0x22:
    case 0x23: {
      const QPointF from = op == 0x22 ? ReadPoint(c) : s.penPosition;
      const int dh = int8_t(c.u8());
      const int dv = int8_t(c.u8());
      DrawLine(s, from, from + QPointF(dh, dv));
      return;
    }
    case 0x28:
      s.textPosition = ReadPoint(c);
      DrawText(s, c);
      return;
    case 0x29:
    case 0x2A:
    case 0x2B: {
      const int dh = op == 0x2A ? 0 : c.u8();
      const int dv = op == 0x29 ? 0 : c.u8();
      s.textPosition = s.previousTextPosition + QPointF(dh, dv);
      DrawText(s, c);
      return;
    }
    case 0x2C: {
      c.skip(4);  // the data length and the old font number
      const size_t count = c.u8();
      if (!c.has(count)) return;
      const QString name = StringFromBytesInEncoding(reinterpret_cast<const char*>(c.bytes() + c.position()),
                                                     qsizetype(count), kMacOSRomanStringEncoding);
      s.fontName = name.isEmpty() ? QString() : MapFontName(name);
      s.font.reset();
      return;
    }
    default:
      break;
  }
  const unsigned verb = op & 7;
  if (op >= 0x30 && op <= 0x5C && verb != kInvert && verb <= kFill) {
    const unsigned family = op & 0xF0;
    if (!(op & 8)) s.lastRect = ReadRect(c);
    if (c.ok()) DrawShape(s, family, verb, s.lastRect, nullptr);
  } else if (op >= 0x60 && op <= 0x6C && verb != kInvert && verb <= kFill) {
    if (!(op & 8)) s.lastRect = ReadRect(c);
    const int start = c.s16();
    const int arc = c.s16();
    if (!c.ok()) return;
    const std::optional<QPainterPath> wedge = ArcWedge(s.lastRect, start, arc);
    DrawShape(s, 0x50, verb, s.lastRect, wedge ? &*wedge : nullptr);
  } else if (op >= 0x70 && op <= 0x74 && verb != kInvert) {
    const size_t size = c.u16();
    DrawPolygon(s, verb, c, size);
  }
}

// The length of the opcode at `pos` (its opcode bytes included), 0 when its
// data runs past the end; sets `failed` for a rule that fails.
size_t OpcodeLength(State& s, unsigned op, size_t opBytes, const uint8_t* bytes, size_t length, size_t pos,
                    PictBitsOpcode* bits, bool* failed) {
  const size_t data = pos + opBytes;
  if (op >= 0x100) {
    if (op == kQuickTimeCompressed || op == kQuickTimeUncompressed) {
      *failed = true;
      return 0;
    }
    if (op < 0x200) return kReservedSize01;
    if (op < 0xC00) return kReservedSize02;
    if (op < 0x7F00) return kReservedSize0C;
    return kReservedSize7F;
  }
  const PictOpcodeDesc desc = kOpcodeDescs[op];
  const size_t fixedData = desc.fixedBytes - 1u;
  PictCursor c(bytes, length, data);
  switch (desc.rule) {
    case kPictRuleFixed:
      return opBytes + fixedData;
    case kPictRuleCountByte:
      if (!c.skip(fixedData - 1)) return 0;
      return opBytes + fixedData + c.u8();
    case kPictRuleLength16:
      if (!c.skip(fixedData - 2)) return 0;
      return opBytes + fixedData + c.u16();
    case kPictRuleLength32: {
      if (!c.skip(fixedData - 4)) return 0;
      const uint32_t extra = c.u32();
      if (!c.ok()) return 0;
      return opBytes + fixedData + extra;
    }
    case kPictRuleSizedRecord: {
      const size_t size = c.u16();
      if (!c.ok()) return 0;
      if (size < 2) {
        *failed = true;
        return 0;
      }
      return opBytes + size;
    }
    case kPictRuleVersion: {
      if (s.version != 0) return opBytes + (s.version == 2 ? 2 : 1);
      const uint8_t version = c.u8();
      if (!c.ok()) return 0;
      s.version = version == 2 ? 2 : 1;
      s.out->version2 = s.version == 2;
      return s.version == 2 ? opBytes + 2 : opBytes + 1;  // version 2 is 0x02FF
    }
    case kPictRulePixPattern: {
      const PictBitsResult result = SkipPixPattern(c);
      if (result == PictBitsResult::kUnsupported) *failed = true;
      return result == PictBitsResult::kOk ? c.position() - pos : 0;
    }
    default: {
      const PictBitsResult result = ReadBitsOpcode(c, desc.rule, s.painter != nullptr, bits);
      if (result == PictBitsResult::kUnsupported) *failed = true;
      return result == PictBitsResult::kOk ? bits->end - pos : 0;
    }
  }
}

void Walk(State& s, const uint8_t* bytes, size_t length, size_t pictStart) {
  size_t pos = pictStart + kPictHeaderBytes;
  while (pos < length) {
    const bool words = s.version == 2;
    if (words && ((pos - pictStart) & 1)) break;
    const size_t opBytes = words ? 2 : 1;
    if (length - pos < opBytes) break;
    const unsigned op = words ? unsigned(bytes[pos]) << 8 | bytes[pos + 1] : bytes[pos];
    if (op == kOpEndPic) break;
    PictBitsOpcode bits;
    bool failed = false;
    const size_t opLength = OpcodeLength(s, op, opBytes, bytes, length, pos, &bits, &failed);
    if (failed) {
      s.out->failed = true;
      break;
    }
    if (opLength == 0 || opLength > length - pos) break;
    if (op >= 0x02 && op <= 0x9B) {
      if (kOpcodeDescs[op].rule >= kPictRuleDirectBitsRect) {
        DrawBits(s, bits);
      } else {
        PictCursor c(bytes, pos + opLength, pos + opBytes);
        Interpret(s, op, c);
      }
    }
    pos += opLength;
    if (s.version == 2 && ((pos - pictStart) & 1)) ++pos;
  }
}

// Converts into a new one-page PDF whose page is `page`, scaled down to the
// page limit when larger.
bool WritePicturePdf(const QString& file, const QRectF& page, const uint8_t* bytes, size_t length, bool fileHeader,
                     PictConversion* conversion) {
  const double scale = std::min({1.0, kMaxPdfPageSide / page.width(), kMaxPdfPageSide / page.height()});
  return WriteOnePagePdf(file, page.size() * scale, [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    // Pixel maps keep their exact pixels: no JPEG in the PDF.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.scale(scale, scale);
    painter.translate(-page.topLeft());
    ConvertPicture(bytes, length, fileHeader, &painter, conversion);
  });
}

bool UsableRect(const QRectF& r) {
  return std::isfinite(r.width()) && std::isfinite(r.height()) && r.width() > 0 && r.height() > 0;
}

}  // namespace

bool ReadPictFrame(const uint8_t* bytes, size_t length, bool fileHeader, QRectF* frame) {
  const size_t start = fileHeader ? kQuickdrawFileHeaderBytes : 0;
  if (!bytes || length < start || length - start < kPictHeaderBytes) return false;
  PictCursor c(bytes, length, start + 2);
  *frame = ReadRect(c);
  return true;
}

void ConvertPicture(const uint8_t* bytes, size_t length, bool fileHeader, QPainter* painter,
                    PictConversion* conversion) {
  *conversion = PictConversion();
  if (!ReadPictFrame(bytes, length, fileHeader, &conversion->frame)) {
    conversion->failed = true;
    return;
  }
  State s;
  s.painter = painter;
  s.out = conversion;
  Walk(s, bytes, length, fileHeader ? kQuickdrawFileHeaderBytes : 0);
}

bool IsQuickdrawFile(const QString& path) {
  const QString extension = QFileInfo(path).suffix();
  if (!extension.isEmpty()) {
    return extension.compare(QStringLiteral("pict"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QStringLiteral("pic"), Qt::CaseInsensitive) == 0;
  }
  return FileTypeCode(path) == kPictTypeCode;
}

CSImage CreateImageFromQuickdrawPictCore(const uint8_t* bytes, size_t length, bool fileHeader, QString* path,
                                         bool* version2, QSizeF* frameSize) {
  if (path) path->clear();
  QRectF frame;
  if (!ReadPictFrame(bytes, length, fileHeader, &frame)) return {};
  if (frameSize) *frameSize = frame.size();
  const QString file = NewTemporaryPdfPath();
  if (file.isEmpty()) return {};

  // An empty frame gives no page: the first pass then only measures.
  PictConversion conversion;
  const bool framed = UsableRect(frame);
  bool written = false;
  if (framed) {
    written = WritePicturePdf(file, frame, bytes, length, fileHeader, &conversion);
  } else {
    ConvertPicture(bytes, length, fileHeader, nullptr, &conversion);
  }
  if (version2) *version2 = conversion.version2;
  if (conversion.failed || (framed && !written)) {
    QFile::remove(file);
    return {};
  }
  QRectF page = frame;
  const QRectF extent = conversion.extent;
  if (!framed) {
    page = extent;
  } else if (UsableRect(extent) && (extent.right() > frame.right() || extent.bottom() > frame.bottom())) {
    page.setWidth(std::max(frame.width(), extent.right() - frame.x()));
    page.setHeight(std::max(frame.height(), extent.bottom() - frame.y()));
  }
  if (!UsableRect(page)) return {};
  if (page != frame || !written) {
    QFile::remove(file);
    if (!WritePicturePdf(file, page, bytes, length, fileHeader, &conversion) || conversion.failed) {
      QFile::remove(file);
      return {};
    }
  }
  QFile pdf(file);
  const QByteArray data = pdf.open(QIODevice::ReadOnly) ? pdf.readAll() : QByteArray();
  const CSImage image = CSImage::initWithData(data);
  if (image.isNull()) {
    QFile::remove(file);
    return {};
  }
  if (path) *path = file;
  return image;
}

CSImage CreateImageFromQuickdrawPict(const QByteArray& data, bool fileHeader, QString* path, bool* version2) {
  // A picture the converter can't handle gives nil: the platform has no
  // decoder of its own to fall back on.
  return CreateImageFromQuickdrawPictCore(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()),
                                          fileHeader, path, version2, nullptr);
}

QImage RenderQuickdrawPicture(const QByteArray& data, bool hasHeader) {
  QString path;
  const CSImage image = CreateImageFromQuickdrawPict(data, hasHeader, &path, nullptr);
  if (!path.isEmpty()) QFile::remove(path);
  if (image.isNull()) return {};
  const QSizeF size = image.size();
  const QSize pixels(qCeil(size.width()), qCeil(size.height()));
  if (pixels.isEmpty() || int64_t(pixels.width()) * pixels.height() > ImageDecodePixelLimit()) return {};
  return image.renderedBitmap(pixels);
}
