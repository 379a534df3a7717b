#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <limits>
#include <vector>

#include "model/GraphicHelpers.h"
#include "model/DRSettings.h"
#include "model/FakeColorSource.h"
#include "platform/NotificationCenter.h"
#include "support/GraphicsContext.h"
#include "testkit/ImageCompare.h"
#include "testkit/TestFiles.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
const QRgb kRedPixel = qRgb(255, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);
const QRgb kCheckerPixel = qRgb(0xDC, 0xDC, 0xDC);

QImage Draw(const QSize& size, const std::function<void()>& draw, const QColor& background = Qt::white) {
  return RenderImage(
      size,
      [&](QPainter& painter) {
        GraphicsContextScope scope(&painter);
        draw();
      },
      background);
}

QPainterPath RectPath(const QRectF& rect) {
  QPainterPath path;
  path.addRect(rect);
  return path;
}

QPainterPath EllipsePath(const QRectF& rect) {
  QPainterPath path;
  path.addEllipse(rect);
  return path;
}

QPainterPath Polyline(const std::vector<QPointF>& points, bool closed) {
  QPainterPath path;
  path.moveTo(points.front());
  for (size_t i = 1; i < points.size(); ++i) path.lineTo(points[i]);
  if (closed) path.closeSubpath();
  return path;
}

void ExpectPathElements(const QPainterPath& path, const std::vector<QPointF>& points) {
  ASSERT_EQ(path.elementCount(), int(points.size()));
  for (int i = 0; i < path.elementCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(QPointF(path.elementAt(i)), points[size_t(i)]);
  }
}

}  // namespace

// ---- Brushes ---------------------------------------------------------------------

TEST(GraphicHelpers, BrushShapes) {
  struct Case {
    const char* name;
    int type;
    bool inset;
    double size;
    QPainterPath expected;
  };
  const Case cases[] = {
      {"square", 0, false, 10, RectPath({15, 15, 10, 10})},
      {"square inset", 0, true, 10, RectPath({15.5, 15.5, 9, 9})},
      {"above 7 is the square", 8, false, 10, RectPath({15, 15, 10, 10})},
      {"negative is the square", -1, true, 10, RectPath({15.5, 15.5, 9, 9})},
      {"circle", 1, false, 10, EllipsePath({15, 15, 10, 10})},
      {"circle inset", 1, true, 10, EllipsePath({15.5, 15.5, 9, 9})},
      {"diamond of size 4 is a square", 2, false, 4, RectPath({18, 18, 4, 4})},
      {"diamond", 2, false, 10, Polyline({{20, 16}, {24, 20}, {20, 24}, {16, 20}}, true)},
      {"diamond ignores inset", 2, true, 10, Polyline({{20, 16}, {24, 20}, {20, 24}, {16, 20}}, true)},
      {"flat ellipse", 3, false, 10, EllipsePath({15, 17, 10, 6})},
      {"flat ellipse, fifth rounded down", 3, false, 12, EllipsePath({14, 16, 12, 8})},
      {"flat ellipse inset", 3, true, 10, EllipsePath({15.5, 17.5, 9, 5})},
      {"vertical", 4, true, 10, Polyline({{20, 15}, {20, 25}}, false)},
      {"horizontal", 5, false, 10, Polyline({{15, 20}, {25, 20}}, false)},
      {"diagonal down", 6, false, 10, Polyline({{15, 15}, {25, 25}}, false)},
      {"diagonal up", 7, false, 10, Polyline({{15, 25}, {25, 15}}, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QPainterPath path = BezierForBrush(c.type, c.inset, c.size, 20, 20);
    EXPECT_EQ(path, c.expected);
    EXPECT_EQ(path.boundingRect(), c.expected.boundingRect());
  }
}

TEST(GraphicHelpers, SizeOneBrushesAreWholePointSquares) {
  for (int type = -1; type <= 9; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(BezierForBrush(type, false, 1, 10.7, 20.2), RectPath({10, 19, 1, 1}));
    EXPECT_EQ(BezierForBrush(type, false, 1, -3.2, 0.4), RectPath({-4, -1, 1, 1}));
    // Inset, the square stays where it is and shrinks to nothing.
    EXPECT_EQ(BezierForBrush(type, true, 1, 10.5, 20.5), RectPath({10.5, 20.5, 0, 0}));
  }
}

TEST(GraphicHelpers, DrawBrushFillsShapesAndStrokesLines) {
  const QImage circle = Draw({40, 40}, [] { DrawBrush(1, kRed, 10, 20, 20); });
  EXPECT_EQ(InkBounds(circle), QRect(15, 15, 10, 10));
  EXPECT_EQ(circle.pixel(20, 20), kRedPixel);  // filled, not outlined
  EXPECT_EQ(circle.pixel(15, 15), kWhitePixel);

  const QImage square = Draw({40, 40}, [] { DrawBrush(9, kRed, 10, 20, 20); });
  EXPECT_EQ(InkBounds(square), QRect(15, 15, 10, 10));
  EXPECT_EQ(InkCount(square, square.rect(), Qt::white, 0), 100);

  // One point wide with flat ends: exactly the pixels from y 15 to 24.
  const QImage line = Draw({40, 40}, [] { DrawBrush(4, kRed, 10, 20.5, 20); });
  EXPECT_EQ(InkBounds(line), QRect(20, 15, 1, 10));
  EXPECT_EQ(line.pixel(20, 20), kRedPixel);

  const QImage diagonal = Draw({40, 40}, [] { DrawBrush(6, kRed, 10, 20, 20); });
  EXPECT_EQ(qRed(diagonal.pixel(20, 20)), 255);
  EXPECT_LT(qGreen(diagonal.pixel(20, 20)), 64);
  EXPECT_EQ(diagonal.pixel(24, 15), kWhitePixel);
  EXPECT_EQ(diagonal.pixel(15, 24), kWhitePixel);

  const QImage dot = Draw({40, 40}, [] { DrawBrush(5, kRed, 1, 20.5, 20.5); });
  EXPECT_EQ(InkBounds(dot), QRect(20, 20, 1, 1));
  EXPECT_EQ(dot.pixel(20, 20), kRedPixel);

  const QImage none = Draw({40, 40}, [] { DrawBrush(1, g_nilKolor, 10, 20, 20); });
  EXPECT_TRUE(InkBounds(none).isEmpty());
  DrawBrush(1, kRed, 10, 20, 20);  // without a painter: nothing, no crash
}

// ---- Marks -----------------------------------------------------------------------

TEST(GraphicHelpers, CenterMarkIsAPlusInTheCurrentPen) {
  const QImage image = Draw({40, 40}, [] {
    CurrentQuartzContext()->setPen(QPen(Qt::red, 1));
    DrawCenterMark(QRectF(10.5, 10.5, 20, 20));
  });
  EXPECT_EQ(InkBounds(image), QRect(17, 17, 7, 7));
  EXPECT_EQ(image.pixel(20, 20), kRedPixel);
  EXPECT_EQ(image.pixel(20, 18), kRedPixel);
  EXPECT_EQ(image.pixel(22, 20), kRedPixel);
  EXPECT_EQ(image.pixel(18, 18), kWhitePixel);
  EXPECT_EQ(image.pixel(22, 22), kWhitePixel);

  // A zero-width pen draws a quarter point, not one device pixel: at 8x
  // the horizontal bar covers two whole pixel rows.
  const QImage thin = Draw({80, 80}, [] {
    CurrentQuartzContext()->setPen(QPen(Qt::black, 0));
    CurrentQuartzContext()->scale(8, 8);
    DrawCenterMark(QRectF(0, 0, 10, 10));
  });
  EXPECT_EQ(thin.pixel(30, 39), qRgb(0, 0, 0));
  EXPECT_EQ(thin.pixel(30, 40), qRgb(0, 0, 0));
  EXPECT_EQ(thin.pixel(30, 38), kWhitePixel);
  EXPECT_EQ(thin.pixel(30, 41), kWhitePixel);
}

TEST(GraphicHelpers, NoColorCrossErasesAndAddsTheDiagonals) {
  QPainterPath path;
  path.moveTo(1, 2);
  path.lineTo(3, 4);
  const QImage image = Draw(
      {40, 40}, [&] { DrawNoColorCross(&path, QRectF(10, 10, 20, 20)); }, Qt::transparent);
  EXPECT_EQ(image.pixel(10, 10), kWhitePixel);  // opaque white, even over a clear background
  EXPECT_EQ(image.pixel(29, 29), kWhitePixel);
  EXPECT_EQ(qAlpha(image.pixel(9, 9)), 0);
  EXPECT_EQ(qAlpha(image.pixel(30, 20)), 0);
  ExpectPathElements(path, {{1, 2}, {3, 4}, {11, 11}, {29, 29}, {29, 11}, {11, 29}});
  EXPECT_EQ(path.elementAt(2).type, QPainterPath::MoveToElement);
  EXPECT_EQ(path.elementAt(4).type, QPainterPath::MoveToElement);

  // Without a painter the path still gets its cross.
  QPainterPath alone;
  DrawNoColorCross(&alone, QRectF(0, 0, 4, 6));
  ExpectPathElements(alone, {{1, 1}, {3, 5}, {3, 1}, {1, 5}});
  DrawNoColorCross(nullptr, QRectF(0, 0, 4, 6));
}

TEST(GraphicHelpers, TriangleReplacesThePath) {
  QPainterPath path;
  path.addEllipse(QRectF(-50, -50, 10, 10));
  MakeTriangleBezier(&path, QRectF(10, 20, 8, 6));
  EXPECT_EQ(path, Polyline({{14, 20}, {18, 26}, {10, 26}}, true));
  EXPECT_EQ(path.boundingRect(), QRectF(10, 20, 8, 6));
  MakeTriangleBezier(nullptr, QRectF(10, 20, 8, 6));
}

// ---- Transparency checkerboard -----------------------------------------------------

TEST(GraphicHelpers, CheckerBoardFillsTheLightSquaresFromTwelve) {
  const QRectF all(0, 0, 100, 100);
  const QImage image = Draw({100, 100}, [&] { DrawCheckerBoard(all, all, 100, 100, 1); });  // 4-point squares
  struct Probe {
    int x, y;
    QRgb expected;
  };
  const Probe probes[] = {
      {5, 5, kWhitePixel},     {11, 13, kWhitePixel},   {13, 11, kWhitePixel},    // before the grid
      {12, 12, kCheckerPixel}, {15, 15, kCheckerPixel},                           // column 0, row 0
      {16, 12, kWhitePixel},   {12, 16, kWhitePixel},   {19, 19, kCheckerPixel},  // 1,0 0,1 1,1
      {99, 99, kCheckerPixel}, {95, 99, kWhitePixel},                             // 21,21 and 20,21
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    EXPECT_EQ(image.pixel(p.x, p.y), p.expected);
  }
}

TEST(GraphicHelpers, CheckerBoardStaysInTheRedrawnAreaAndBeforeTheLimits) {
  const QRectF all(0, 0, 100, 100);
  // Squares start before the limits and are drawn whole.
  const QImage limited = Draw({100, 100}, [&] { DrawCheckerBoard(all, all, 50, 30, 1); });
  EXPECT_EQ(InkBounds(limited, Qt::white, 0), QRect(12, 12, 40, 20));
  EXPECT_EQ(limited.pixel(50, 17), kCheckerPixel);  // column 9 starts at 48
  EXPECT_EQ(limited.pixel(53, 13), kWhitePixel);

  // The area being redrawn, widened by two squares to the right and down.
  const QImage dirty = Draw({100, 100}, [&] { DrawCheckerBoard(all, QRectF(40, 40, 10, 10), 100, 100, 1); });
  EXPECT_EQ(InkBounds(dirty, Qt::white, 0), QRect(40, 40, 20, 20));
  EXPECT_EQ(dirty.pixel(41, 41), kCheckerPixel);
  EXPECT_EQ(dirty.pixel(30, 30), kWhitePixel);  // a light square outside the area

  // The bounds limit it as well.
  const QImage bounded = Draw({100, 100}, [&] { DrawCheckerBoard(QRectF(20, 20, 20, 20), all, 100, 100, 1); });
  EXPECT_EQ(InkBounds(bounded, Qt::white, 0), QRect(20, 20, 20, 20));

  const QImage none = Draw({100, 100}, [&] { DrawCheckerBoard(all, QRectF(), 100, 100, 1); });
  EXPECT_TRUE(InkBounds(none, Qt::white, 0).isEmpty());
  DrawCheckerBoard(all, all, 100, 100, 1);  // without a painter: nothing
}

TEST(GraphicHelpers, CheckerBoardSquareSizeIsKeptInRange) {
  const QRectF all(0, 0, 64, 64);
  struct Case {
    const char* name;
    float exponent;
    int side;
  };
  const Case cases[] = {
      {"half: 2 points", 0.5f, 2},           {"negative: 1 point", -3, 1},
      {"very negative: 1 point", -1e30f, 1}, {"NaN: 1 point", std::numeric_limits<float>::quiet_NaN(), 1},
      {"huge: 1,024 points", 1e30f, 1024},   {"infinite: 1,024 points", std::numeric_limits<float>::infinity(), 1024},
      {"5: 1,024 points", 5, 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = Draw({64, 64}, [&] { DrawCheckerBoard(all, all, 64, 64, c.exponent); });
    EXPECT_EQ(image.pixel(12, 12), kCheckerPixel);
    const int next = 12 + c.side;
    if (next < 64) {
      EXPECT_EQ(image.pixel(next - 1, 12), kCheckerPixel);
      EXPECT_EQ(image.pixel(next, 12), kWhitePixel);
      EXPECT_EQ(image.pixel(next, next), kCheckerPixel);
    } else {
      EXPECT_EQ(InkBounds(image, Qt::white, 0), QRect(12, 12, 52, 52));  // one square covers the rest
    }
  }
}

// ---- Points ----------------------------------------------------------------------

TEST(GraphicHelpers, InterpolateLineThirdTruncatesTowardsZero) {
  constexpr MeasureUnit lo = std::numeric_limits<MeasureUnit>::min();
  constexpr MeasureUnit hi = std::numeric_limits<MeasureUnit>::max();
  struct Case {
    CSPoint p0, p1, expected;
  };
  const Case cases[] = {
      {{0, 0}, {-10, 10}, {-3, 3}},
      {{0, 0}, {10, -10}, {3, -3}},
      {{100, 200}, {400, -100}, {200, 100}},
      {{1, 1}, {3, 3}, {1, 1}},
      {{-1, -1}, {-3, 1}, {-1, -1}},
      {{7, 7}, {7, 7}, {7, 7}},
      {{lo, hi}, {hi, lo}, {-3074457345618258603, 3074457345618258602}},
      {{hi, lo}, {hi, lo}, {hi, lo}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p0.x << "," << c.p0.y << " -> " << c.p1.x << "," << c.p1.y);
    EXPECT_EQ(InterpolateLineThird(c.p0, c.p1), c.expected);
  }
}

// ---- Image files -----------------------------------------------------------------

namespace {

QString TiffFixture(const char* name) {
  return QString(TWDRAW_TEST_DATA "/model/tiff/") + name;
}

// Writes TIFF structures at chosen offsets in one byte order.
class TiffBuilder {
 public:
  struct Entry {
    uint16_t tag;
    uint32_t value;
    uint16_t type = 3;  // SHORT: the value sits in the first two bytes of the field
  };

  explicit TiffBuilder(bool bigEndian, uint32_t firstDirectory = 8, uint16_t version = 42) : m_big(bigEndian) {
    put8(0, bigEndian ? 'M' : 'I');
    put8(1, bigEndian ? 'M' : 'I');
    put(2, version, 2);
    put(4, firstDirectory, 4);
  }

  TiffBuilder& directory(uint32_t at, const std::vector<Entry>& entries, uint32_t next, int claimed = -1) {
    put(at, claimed >= 0 ? uint32_t(claimed) : uint32_t(entries.size()), 2);
    uint32_t p = at + 2;
    for (const Entry& e : entries) {
      put(p, e.tag, 2);
      put(p + 2, e.type, 2);
      put(p + 4, 1, 4);
      put(p + 8, e.value, e.type == 3 ? 2 : 4);
      p += 12;
    }
    put(p, next, 4);
    return *this;
  }

  QByteArray bytes() const { return m_bytes; }

 private:
  void put8(uint32_t at, uint8_t byte) {
    if (m_bytes.size() <= qsizetype(at)) m_bytes.resize(qsizetype(at) + 1, '\0');
    m_bytes[qsizetype(at)] = char(byte);
  }
  void put(uint32_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = 8 * (m_big ? width - 1 - i : i);
      put8(at + uint32_t(i), uint8_t(value >> shift));
    }
  }

  bool m_big;
  QByteArray m_bytes;
};

// A chain of `length` directories 32 bytes apart, the last with Compression 1.
QByteArray Chain(int length) {
  TiffBuilder tiff(false);
  for (int i = 0; i < length; ++i) {
    const uint32_t at = 8 + 32 * uint32_t(i);
    const bool last = i == length - 1;
    tiff.directory(at, {{last ? uint16_t(259) : uint16_t(256), 1}}, last ? 0 : at + 32);
  }
  return tiff.bytes();
}

}  // namespace

TEST(GraphicHelpers, IsTiffCompressedReadsTheCompressionTag) {
  struct Case {
    const char* name;
    bool compressed;
  };
  const Case cases[] = {
      {"none.tif", false},
      {"lzw.tif", true},
      {"big-endian-none.tif", false},
      {"big-endian-lzw.tif", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(QFile::exists(TiffFixture(c.name)));
    EXPECT_EQ(IsTiffCompressed(TiffFixture(c.name)), c.compressed);
  }
}

TEST(GraphicHelpers, IsTiffCompressedAnswersYesForAnythingItCannotVouchFor) {
  using E = TiffBuilder::Entry;
  QImage grey(8, 8, QImage::Format_RGB32);
  grey.fill(Qt::gray);
  std::vector<E> many;
  for (uint16_t i = 0; i < 299; ++i) many.push_back({uint16_t(256 + i % 3), 8});
  many.push_back({259, 1});

  struct Case {
    const char* name;
    QByteArray bytes;
    bool compressed;
  };
  const Case cases[] = {
      {"tag in the second directory",
       TiffBuilder(false).directory(8, {{256, 8}}, 40).directory(40, {{259, 1}}, 0).bytes(), false},
      {"big-endian LONG value", TiffBuilder(true).directory(8, {{259, 1, 4}}, 0).bytes(), false},
      {"tag after 299 others", TiffBuilder(false).directory(8, many, 0).bytes(), false},
      {"64 directories", Chain(kMaxTiffDirectories), false},
      {"65 directories: past the cap", Chain(kMaxTiffDirectories + 1), true},
      {"compression 5", TiffBuilder(false).directory(8, {{259, 5}}, 0).bytes(), true},
      {"only the first tag counts", TiffBuilder(false).directory(8, {{259, 5}, {259, 1}}, 0).bytes(), true},
      {"no compression tag", TiffBuilder(false).directory(8, {{256, 8}}, 0).bytes(), true},
      {"directory loops to itself", TiffBuilder(false).directory(8, {{256, 8}}, 8).bytes(), true},
      {"two directories loop", TiffBuilder(false).directory(8, {{256, 8}}, 40).directory(40, {{257, 8}}, 8).bytes(),
       true},
      {"next directory past the end", TiffBuilder(false).directory(8, {{256, 8}}, 1000).bytes(), true},
      {"entries pass the end", TiffBuilder(false).directory(8, {{259, 1}}, 0, 2).bytes(), true},
      {"first directory past the end", TiffBuilder(false, 4000).directory(8, {{259, 1}}, 0).bytes(), true},
      {"version 43", TiffBuilder(false, 8, 43).directory(8, {{259, 1}}, 0).bytes(), true},
      {"short header", QByteArray("II*\0", 4), true},
      {"empty", QByteArray(), true},
      {"a PNG", EncodeImage(grey, "png"), true},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath("case.tif");
    WriteBytes(path, c.bytes);
    EXPECT_EQ(IsTiffCompressed(path), c.compressed);
  }
  EXPECT_TRUE(IsTiffCompressed(dir.filePath("missing.tif")));
  EXPECT_TRUE(IsTiffCompressed(dir.path()));
  EXPECT_TRUE(IsTiffCompressed(QString()));
}

TEST(GraphicHelpers, JpegCompressionFromBytesPerPixel) {
  struct Case {
    const char* name;
    qint64 fileSize;
    int64_t width, height;
    double expected;
  };
  const Case cases[] = {
      {"0.1 bytes a pixel: 0.34", 100000, 1000, 1000, 0.3},
      {"dense small image: 0.52", 200000, 1000, 1000, 0.5},
      {"2,000,000 pixels: factor 4.8", 200000, 2000, 1000, 0.4},
      {"one row fewer: factor 3.4", 199900, 1999, 1000, 0.3},
      {"dense large image: 0.68", 400000, 2000, 1000, 0.6},
      {"above 0.95", 400000, 1000, 1000, 1.0},
      {"below 0", 1000, -100, 100, 1.0},
      {"no width", 1000, 0, 100, -1.0},
      {"no height", 1000, 100, 0, -1.0},
      {"empty file", 0, 100, 100, -1.0},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile file(dir.filePath("picture.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_TRUE(file.resize(c.fileSize));
    file.close();
    EXPECT_DOUBLE_EQ(JpegCompression(file.fileName(), c.width, c.height), c.expected);
  }
  EXPECT_DOUBLE_EQ(JpegCompression(dir.filePath("missing.jpg"), 100, 100), -1.0);
}

// ---- PickupColor -------------------------------------------------------------------

TEST(PickupColor, RoutesTheColourByModifierAndTarget) {
  struct Case {
    bool option, control;
    int target;
    bool line, swap, fill;  // which settings take the colour
  } cases[] = {
      {true, false, 0, true, false, false},  {true, true, 2, true, false, false},
      {false, true, 0, false, true, false},  {false, false, 0, false, false, true},
      {false, false, 1, true, false, false}, {false, false, 2, false, true, false},
      {false, false, 7, false, false, false},
  };
  const Kolor picked = 0x64336699;
  const FakeColorSource source(picked);
  DRSettings& settings = DRSettings::sharedInstance();
  const DRLineInfo savedLine = settings.lineInfo();
  const DRTextInfo savedText = settings.textInfo();
  const Kolor savedFill = settings.fillKolor(), savedSwap = settings.swapKolor();
  const int savedTarget = settings.colorTarget();
  int posts = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &posts, QStringLiteral("twdraw.eyedropper"), nullptr, [&](const CSNotification&) { ++posts; });

  for (const Case& c : cases) {
    settings.lineInfo().setKolorWithoutRegistering(g_blackKolor);
    settings.textInfo().setTextKolor(g_blackKolor);
    settings.setSwapKolor(g_blackKolor);
    settings.setFillKolor(g_nilKolor);
    settings.setColorTarget(c.target);
    const int before = posts;
    PickupColor(&source, c.option, c.control, QPointF(3, 4));
    EXPECT_EQ(posts, before + 1);
    EXPECT_EQ(source.lastPoint(), QPointF(3, 4));
    EXPECT_EQ(settings.lineInfo().kolor() == picked, c.line) << c.option << c.control << c.target;
    EXPECT_EQ(settings.textInfo().textKolor() == picked, c.line) << c.option << c.control << c.target;
    EXPECT_EQ(settings.swapKolor() == picked, c.swap) << c.option << c.control << c.target;
    EXPECT_EQ(settings.fillKolor() == picked, c.fill) << c.option << c.control << c.target;
  }
  NotificationCenter::defaultCenter().removeObserver(token);
  settings.setLineInfo(savedLine);
  settings.setTextInfo(savedText);
  settings.setFillKolor(savedFill);
  settings.setSwapKolor(savedSwap);
  settings.setColorTarget(savedTarget);
}
