#include <gtest/gtest.h>

#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/CSPixmap.h"

namespace {

constexpr Kolor kBlack = 0x64000000;

// A pixmap drawn from rows of characters: '#' opaque black, 't' black at
// alpha 1, '~' a word with colour but alpha 0, anything else transparent.
std::unique_ptr<CSPixmap> FromRows(const std::vector<std::string>& rows) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(rows[0].size(), rows.size()));
  const PixelBitmap bits = pixmap->bitmap();
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) {
      const char c = rows[y][x];
      *bits.pixelAt(int64_t(x), int64_t(y)) = c == '#'   ? Rgba(0x000000FF)
                                              : c == 't' ? Rgba(0x00000001)
                                              : c == '~' ? Rgba(0x40404000)
                                                         : 0;
    }
  return pixmap;
}

// The pixmap as rows of characters: '.' for 0, the character a word maps
// to, '?' for any other word.
std::vector<std::string> ToRows(const CSPixmap& pixmap, const std::vector<std::pair<uint32_t, char>>& legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < pixmap.height(); ++y) {
    std::string row;
    for (int x = 0; x < pixmap.width(); ++x) {
      const uint32_t word = *pixmap.bitmap().pixelAt(x, y);
      char c = word == 0 ? '.' : '?';
      for (const auto& [pixel, mark] : legend)
        if (word == pixel) c = mark;
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> MaskRows(const CSPixmap& mask) {
  return ToRows(mask, {{Rgba(0x000000FF), 'E'}, {Rgba(0xFFFFFFFF), 'I'}});
}

uint32_t At(const CSPixmap& pixmap, int x, int y) {
  return *pixmap.bitmap().pixelAt(x, y);
}

// ---- Shape pixmaps ----------------------------------------------------------

TEST(CSPixmapShapesTest, RectGivesEveryPixelTheKolorsWord) {
  const struct {
    Kolor kolor;
    uint32_t pixel;
  } cases[] = {
      {kBlack, Rgba(0x000000FF)},
      {0x64FFFFFF, Rgba(0xFFFFFFFF)},
      {MakeKolor(255, 0, 0, 50), Rgba(0x7F00007F)},  // alpha 50 x 255 / 100, red premultiplied
      {g_nilKolor, 0},                               // no colour
      {MakeKolor(255, 0, 0, 0), 0},                  // opacity 0
  };
  for (const auto& c : cases) {
    auto pixmap = CSPixmap::initWithRect(QSizeF(7.8, 3), c.kolor);
    ASSERT_NE(pixmap, nullptr);
    ASSERT_EQ(pixmap->size(), QSizeF(7, 3));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(At(*pixmap, x, y), c.pixel) << std::hex << c.kolor << " at " << x;
  }
  EXPECT_EQ(CSPixmap::initWithRect(QSizeF(0, 3), kBlack), nullptr);
}

TEST(CSPixmapShapesTest, OvalIsTheInscribedEllipseAntialiased) {
  auto oval = CSPixmap::initWithOval(QSizeF(40, 20), kBlack);
  ASSERT_NE(oval, nullptr);
  double ink = 0;
  bool partial = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t pixel = At(*oval, x, y);
      EXPECT_EQ(pixel & kPixelColorMask, 0u);  // black at any alpha
      ink += PixelAlpha(pixel) / 255.0;
      partial |= PixelAlpha(pixel) > 0 && PixelAlpha(pixel) < 255;
      // Symmetric about both axes of the pixmap.
      EXPECT_NEAR(int(PixelAlpha(pixel)), int(PixelAlpha(At(*oval, 39 - x, y))), 2) << x << "," << y;
      EXPECT_NEAR(int(PixelAlpha(pixel)), int(PixelAlpha(At(*oval, x, 19 - y))), 2) << x << "," << y;
    }
  EXPECT_NEAR(ink, M_PI * 20 * 10, 6.0);  // within 1 %
  EXPECT_TRUE(partial);
  EXPECT_EQ(At(*oval, 20, 10), Rgba(0x000000FF));
  EXPECT_EQ(At(*oval, 0, 0), 0u);
  EXPECT_EQ(At(*oval, 39, 19), 0u);
  // Left and right ends touch the pixmap's sides at mid height.
  EXPECT_GT(PixelAlpha(At(*oval, 0, 10)), 64u);
}

TEST(CSPixmapShapesTest, LineOfThicknessZeroIsHalfAPixelWide) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double thickness : {0.0, -3.0, 0.2, nan}) {
    auto line = CSPixmap::initWithLineFrom(QPointF(0, 0), QPointF(10, 0), thickness, kBlack);
    ASSERT_NE(line, nullptr) << thickness;
    ASSERT_EQ(line->size(), QSizeF(11, 1)) << thickness;
    EXPECT_TRUE(line->hasAlpha());
    // Runs from x 0.5 to 10.5 over rows 0.25 to 0.75: butt ends cover a
    // quarter of the end pixels, half of those between.
    EXPECT_NEAR(int(PixelAlpha(At(*line, 0, 0))), 64, 10);
    EXPECT_NEAR(int(PixelAlpha(At(*line, 10, 0))), 64, 10);
    for (int x = 1; x < 10; ++x) EXPECT_NEAR(int(PixelAlpha(At(*line, x, 0))), 128, 10) << x;
  }
}

TEST(CSPixmapShapesTest, LineIsPlacedRelativeToItsMinimumCornerWithAMargin) {
  // From (12, 9) to (2, 3), thickness 2: relative points (10, 6) and (0, 0),
  // a 14 x 10 pixmap, the segment from (12, 8) to (2, 2).
  auto line = CSPixmap::initWithLineFrom(QPointF(12, 9), QPointF(2, 3), 2, MakeKolor(255, 0, 0));
  ASSERT_NE(line, nullptr);
  ASSERT_EQ(line->size(), QSizeF(14, 10));
  EXPECT_EQ(At(*line, 7, 5), Rgba(0xFF0000FF));  // the middle, (7.5, 5.5) on the segment
  EXPECT_GT(PixelAlpha(At(*line, 2, 2)), 64u);   // the start, top-down
  EXPECT_EQ(At(*line, 0, 9), 0u);
  EXPECT_EQ(At(*line, 13, 0), 0u);
  EXPECT_EQ(At(*line, 12, 2), 0u);  // a bottom-up drawing would put ink here
  EXPECT_EQ(At(*line, 1, 8), 0u);

  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(CSPixmap::initWithLineFrom(QPointF(0, 0), QPointF(1e9, 0), 1, kBlack), nullptr);
  EXPECT_EQ(CSPixmap::initWithLineFrom(QPointF(0, 0), QPointF(inf, 0), 1, kBlack), nullptr);
  EXPECT_EQ(CSPixmap::initWithLineFrom(QPointF(0, 0), QPointF(5, 5), inf, kBlack), nullptr);
}

TEST(CSPixmapShapesTest, BezierIsFilledTopDownAtItsBoundsAndMovedToTheOrigin) {
  // A right triangle with its square corner at the top left.
  QPainterPath path;
  path.moveTo(10, 10);
  path.lineTo(20, 10);
  path.lineTo(10, 20);
  path.closeSubpath();
  auto shape = CSPixmap::initWithBezier(path, kBlack);
  ASSERT_NE(shape, nullptr);
  ASSERT_EQ(shape->size(), QSizeF(10, 10));
  EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 10, 10));
  EXPECT_EQ(At(*shape, 2, 0), Rgba(0x000000FF));
  EXPECT_EQ(At(*shape, 0, 7), Rgba(0x000000FF));
  EXPECT_EQ(At(*shape, 2, 9), 0u);
  EXPECT_EQ(At(*shape, 9, 9), 0u);

  QPainterPath rectangle;
  rectangle.addRect(QRectF(5, 7, 6, 3));
  auto block = CSPixmap::initWithBezier(rectangle, 0x64FFFFFF);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->size(), QSizeF(6, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(At(*block, x, y), Rgba(0xFFFFFFFF)) << x << "," << y;

  QPainterPath empty;
  EXPECT_EQ(CSPixmap::initWithBezier(empty, kBlack), nullptr);
}

TEST(CSPixmapShapesTest, PolygonIsFilledBottomUpAndAnswersItsOrigin) {
  QPointF origin;
  const QPolygonF triangle{QPointF(10, 10), QPointF(20, 10), QPointF(10, 20)};
  auto shape = CSPixmap::initWithPolygon(triangle, kBlack, &origin);
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(origin, QPointF(10, 10));
  ASSERT_EQ(shape->size(), QSizeF(10, 10));
  // The square corner, at y = 0, is at the bottom left.
  EXPECT_EQ(At(*shape, 2, 9), Rgba(0x000000FF));
  EXPECT_EQ(At(*shape, 0, 2), Rgba(0x000000FF));
  EXPECT_EQ(At(*shape, 2, 0), 0u);
  EXPECT_EQ(At(*shape, 9, 0), 0u);

  EXPECT_EQ(CSPixmap::initWithPolygon(QPolygonF{QPointF(1, 1)}, kBlack, &origin), nullptr);
  EXPECT_EQ(CSPixmap::initWithPolygon(QPolygonF{QPointF(1, 1), QPointF(9, 1)}, kBlack, &origin), nullptr);
}

TEST(CSPixmapShapesTest, PixmapForBezierCopiesTheContainedPixelsThatHaveContent) {
  auto source = CSPixmap::initWithSize(QSizeF(10, 8));
  const PixelBitmap bits = source->bitmap();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) *bits.pixelAt(x, y) = MakePixel(uint32_t(x * 20), uint32_t(y * 30), 7, 255);
  *bits.pixelAt(4, 4) = 0;  // a hole inside the path
  // Bounds (2.2, 3.2)-(6.8, 6.8): rounded out to (2, 3)-(7, 7), pixel
  // centres 2.5-6.5 across and 3.5-6.5 down inside.
  QPainterPath path;
  path.addRect(QRectF(2.2, 3.2, 4.6, 3.6));
  QPointF origin;
  auto cut = source->createPixmapForBezier(path, &origin);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(origin, QPointF(2, 3));
  ASSERT_EQ(cut->size(), QSizeF(5, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(At(*cut, x, y), x == 2 && y == 1 ? 0u : At(*source, x + 2, y + 3)) << x << "," << y;

  // Partly off the pixmap: only pixels over it are copied.
  QPainterPath corner;
  corner.addRect(QRectF(-2, -2, 4, 4));
  cut = source->createPixmapForBezier(corner, &origin);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(origin, QPointF(-2, -2));
  EXPECT_EQ(
      ToRows(*cut,
             {{At(*source, 0, 0), 'a'}, {At(*source, 1, 0), 'b'}, {At(*source, 0, 1), 'c'}, {At(*source, 1, 1), 'd'}}),
      (std::vector<std::string>{"....", "....", "..ab", "..cd"}));

  QPainterPath overHole;
  overHole.addRect(QRectF(4.1, 4.1, 0.8, 0.8));
  EXPECT_EQ(source->createPixmapForBezier(overHole, &origin), nullptr);
  QPainterPath outside;
  outside.addRect(QRectF(20, 20, 5, 5));
  EXPECT_EQ(source->createPixmapForBezier(outside, &origin), nullptr);
  EXPECT_EQ(source->createPixmapForBezier(QPainterPath(), &origin), nullptr);
}

// ---- Masks ------------------------------------------------------------------

TEST(CSPixmapShapesTest, ConvertToMaskMarksEdgesAndInterior) {
  const struct {
    std::vector<std::string> mask, converted;
  } cases[] = {
      {{"#"}, {"E"}},
      {{"###", "###", "###"}, {"EEE", "EIE", "EEE"}},
      {{"#####", "#####", "##.##", "#####", "#####"}, {"EEEEE", "EIEIE", "EE.EE", "EIEIE", "EEEEE"}},
      // Any alpha selects; a word of alpha 0 does not, and is cleared.
      {{"#####", "#tt##", "#t~t#", "#####"}, {"EEEEE", "EIEIE", "EE.EE", "EEEEE"}},
      {{"......", ".####.", ".####.", "......"}, {"......", ".EEEE.", ".EEEE.", "......"}},
  };
  for (const auto& c : cases) {
    auto mask = FromRows(c.mask);
    auto converted = mask->createMaskPixmap();
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(MaskRows(*converted), c.converted);
    EXPECT_EQ(ToRows(*mask, {{Rgba(0x000000FF), '#'}, {Rgba(0x00000001), 't'}, {Rgba(0x40404000), '~'}}), c.mask)
        << "the receiver is left as it was";
  }
}

TEST(CSPixmapShapesTest, EdgesAreJudgedByTheAlphaBeforeTheRewrite) {
  // With a transparent edge word, a rewrite that looked at rewritten
  // neighbours would take the centre for an edge too.
  auto mask = FromRows({"###", "###", "###"});
  mask->colorEdgesWith(0, Rgba(0x00FF00FF));
  EXPECT_EQ(ToRows(*mask, {{Rgba(0x00FF00FF), 'I'}}), (std::vector<std::string>{"...", ".I.", "..."}));
  EXPECT_TRUE(mask->hasAlpha());
}

TEST(CSPixmapShapesTest, SmoothMaskFillsTopToBottomInPlace) {
  const struct {
    std::vector<std::string> before, after;
    bool filled;
  } cases[] = {
      // The middle gap fills; the one above it was judged before that.
      {{"#.#", "#.#", "###"}, {"#.#", "###", "###"}, true},
      // A filled pixel counts for the row below.
      {{"###", "#.#", "#.#"}, {"###", "###", "###"}, true},
      // Two neighbours never fill, so neither does a corner.
      {{".#.", "#..", "...", "..."}, {".#.", "#..", "...", "..."}, false},
      {{".#", "##"}, {".#", "##"}, false},
  };
  for (const auto& c : cases) {
    auto mask = FromRows(c.before);
    EXPECT_EQ(mask->smoothMask(), c.filled);
    EXPECT_EQ(ToRows(*mask, {{Rgba(0x000000FF), '#'}}), c.after);
  }
}

TEST(CSPixmapShapesTest, PixmapUsingMaskCopiesTheSelectedPixelsAtTheTruncatedOrigin) {
  auto source = CSPixmap::initWithSize(QSizeF(6, 4));
  const PixelBitmap bits = source->bitmap();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) *bits.pixelAt(x, y) = MakePixel(uint32_t(x * 40), uint32_t(y * 60), 0, 200);
  auto mask = FromRows({"#.#", ".##"});

  auto cut = source->createPixmapUsingMask(mask.get(), QPointF(2.9, 1.7));
  ASSERT_NE(cut, nullptr);
  ASSERT_EQ(cut->size(), QSizeF(3, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(At(*cut, x, y), At(*mask, x, y) ? At(*source, x + 2, y + 1) : 0u) << x << "," << y;

  // In mask mode the alpha comes out as its opaque grey (255 - 200).
  source->setPixmapMode(kPixmapModeMask);
  cut = source->createPixmapUsingMask(mask.get(), QPointF(0, 0));
  EXPECT_EQ(ToRows(*cut, {{Rgba(0x373737FF), 'g'}}), (std::vector<std::string>{"g.g", ".gg"}));
  source->setPixmapMode(kPixmapModeColor);

  // Hanging off the source: only pixels over it are written.
  cut = source->createPixmapUsingMask(mask.get(), QPointF(-1, 3));
  EXPECT_EQ(ToRows(*cut, {{At(*source, 1, 3), 'a'}}), (std::vector<std::string>{"..a", "..."}));
  for (const QPointF origin : {QPointF(1e300, 0), QPointF(-1e300, -1e300), QPointF(NAN, 9e18)}) {
    cut = source->createPixmapUsingMask(mask.get(), origin);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(ToRows(*cut, {}), (std::vector<std::string>{"...", "..."})) << origin.x();
  }
  EXPECT_EQ(source->createPixmapUsingMask(nullptr, QPointF(0, 0)), nullptr);
}

// ---- Ants and the zoomed picture --------------------------------------------

TEST(CSPixmapShapesTest, AntsPictureSizeFloorsTheZoomedMaskInSinglePrecision) {
  const struct {
    int width, height;
    double zoom;
    QSizeF size;
  } cases[] = {
      {1, 1, 4, {6, 6}},
      {15, 7, 0.1, {3, 2}},
      {3, 3, 16, {50, 50}},
      // 100 x 0.29 is 28.99... in double precision, 29 in single.
      {100, 100, 0.29, {31, 31}},
      {5, 5, 0, {2, 2}},
  };
  for (const auto& c : cases) {
    auto mask = FromRows(std::vector<std::string>(size_t(c.height), std::string(size_t(c.width), '#')));
    mask->convertToMask();
    auto ants = mask->createAntsForMaskAtZoom(c.zoom, 0);
    ASSERT_NE(ants, nullptr) << c.zoom;
    EXPECT_EQ(ants->size(), c.size) << c.width << " at " << c.zoom;
  }
  auto mask = FromRows({"#"});
  EXPECT_EQ(mask->createAntsForMaskAtZoom(std::numeric_limits<double>::quiet_NaN(), 0), nullptr);
  EXPECT_EQ(mask->createAntsForMaskAtZoom(1e9, 0), nullptr);
}

TEST(CSPixmapShapesTest, AntsOutlineTheEdgesAtEveryScale) {
  const struct {
    std::vector<std::string> mask;
    double zoom;
    std::vector<std::string> ants;
  } cases[] = {
      // Magnified: a frame two pixels thick around the block, without its
      // corners and the block's inner pixels.
      {{"#"}, 4, {".aaaa.", "aaaaaa", "aa..aa", "aa..aa", "aaaaaa", ".aaaa."}},
      // No line between two selected pixels.
      {{"##"}, 3, {".aaaaaa.", "aaaaaaaa", "aa....aa", "aaaaaaaa", ".aaaaaa."}},
      // 1:1: each edge pixel, then one pixel out across a left or right
      // and an upper or lower open side; the interior stays clear.
      {{"#"}, 1, {".a.", "aa.", "..."}},
      {{"###", "###", "###"}, 1, {".aaa.", "aaaaa", "aa.aa", "aaaaa", ".aaa."}},
      {{"#.", "##"}, 1, {".a..", "aaa.", "aaaa", ".a.."}},
      // Reduced: positions scaled by 2 / 4.
      {{"####", "####", "####", "####"}, 0.5, {".aa.", "aaaa", "aaaa", ".aa."}},
  };
  for (int64_t phase : {0, 12, 5}) {
    const uint32_t ant = AntPixelColor(phase);
    for (const auto& c : cases) {
      auto mask = FromRows(c.mask);
      mask->convertToMask();
      auto ants = mask->createAntsForMaskAtZoom(c.zoom, phase);
      ASSERT_NE(ants, nullptr);
      EXPECT_EQ(ToRows(*ants, {{ant, 'a'}}), c.ants) << c.mask.size() << " rows at " << c.zoom << " phase " << phase;
      EXPECT_TRUE(ants->hasAlpha());
    }
  }
  EXPECT_EQ(AntPixelColor(0), Rgba(0x000000FF));
  EXPECT_EQ(AntPixelColor(12), Rgba(0xFFFFFFFF));
}

TEST(CSPixmapShapesTest, AntsIntoAPixmapOfAnySizeStayInside) {
  auto mask = FromRows({"##", "#."});
  mask->convertToMask();
  const uint32_t ant = AntPixelColor(3);
  for (const QSizeF size : {QSizeF(1, 1), QSizeF(2, 9), QSizeF(9, 2), QSizeF(3, 40), QSizeF(7, 7)}) {
    auto ants = CSPixmap::initWithSize(size);
    ants->createAntsForMask(*mask, 3);
    if (size.width() > 1) {
      EXPECT_GT(ants->pixelCount(), 0) << size.width() << "x" << size.height();
    }
    for (const std::string& row : ToRows(*ants, {{ant, 'a'}})) EXPECT_EQ(row.find('?'), std::string::npos);
  }
}

TEST(CSPixmapShapesTest, ZoomedPictureEnlargesTheDisplayedPixelsWithTheirGrid) {
  // Transparent, opaque red, half-transparent dark blue, opaque white.
  auto source = CSPixmap::initWithSize(QSizeF(2, 2));
  const PixelBitmap bits = source->bitmap();
  const uint32_t pixels[4] = {0, Rgba(0xFF0000FF), Rgba(0x00002080), Rgba(0xFFFFFFFF)};
  for (int i = 0; i < 4; ++i) *bits.pixelAt(i % 2, i / 2) = pixels[i];

  const struct {
    PixmapDisplay display;
    uint32_t shown[4];
  } displays[] = {
      {kPixmapDisplayNormal, {0, Rgba(0xFF0000FF), Rgba(0x00002080), Rgba(0xFFFFFFFF)}},
      {kPixmapDisplayAlpha, {Rgba(0xFFFFFFFF), Rgba(0x000000FF), Rgba(0x7F7F7FFF), Rgba(0x000000FF)}},
      {kPixmapDisplayOpaque, {Rgba(0xFFFFFFFF), Rgba(0xFF0000FF), Rgba(0x00003FFF), Rgba(0xFFFFFFFF)}},
  };
  for (const auto& d : displays) {
    for (bool grid : {false, true}) {
      auto picture = source->createPixmapForRect(QRect(0, 0, 2, 2), d.display, 4.7, grid);
      ASSERT_NE(picture, nullptr);
      ASSERT_EQ(picture->size(), QSizeF(8, 8));
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const uint32_t shown = d.shown[x / 4 + 2 * (y / 4)];
          const bool line = grid && shown != 0 && (x % 4 == 3 || y % 4 == 3);
          ASSERT_EQ(At(*picture, x, y), line ? Rgba(0xFFFFFFFF) : shown)
              << "display " << d.display << " grid " << grid << " at " << x << "," << y;
        }
    }
  }
}

TEST(CSPixmapShapesTest, ZoomedPictureOfAPartBelowZoomTwoIsACopy) {
  auto source = CSPixmap::initWithSize(QSizeF(5, 4));
  const PixelBitmap bits = source->bitmap();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) *bits.pixelAt(x, y) = MakePixel(uint32_t(x * 50), uint32_t(y * 60), 9, 255);
  for (double zoom : {1.0, 1.9, 0.25, -3.0}) {
    auto picture = source->createPixmapForRect(QRect(1, 2, 3, 2), kPixmapDisplayNormal, zoom, false);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->size(), QSizeF(3, 2));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(At(*picture, x, y), At(*source, x + 1, y + 2));
  }
  // At zoom 1 the grid whitens each pixel with content.
  auto gridded = source->createPixmapForRect(QRect(0, 0, 1, 1), kPixmapDisplayNormal, 1, true);
  EXPECT_EQ(At(*gridded, 0, 0), Rgba(0xFFFFFFFF));
}

TEST(CSPixmapShapesTest, ZoomedPictureRefusesARectangleOutsideThePixmap) {
  auto source = CSPixmap::initWithSize(QSizeF(5, 4));
  const QRect refused[] = {QRect(-1, 0, 2, 2), QRect(0, -1, 2, 2), QRect(4, 0, 2, 1), QRect(0, 3, 1, 2),
                           QRect(0, 0, 0, 2),  QRect(0, 0, 2, 0),  QRect(0, 0, 6, 4), QRect(2147483000, 0, 5, 1)};
  for (const QRect& rect : refused)
    EXPECT_EQ(source->createPixmapForRect(rect, kPixmapDisplayNormal, 4, true), nullptr) << rect.x() << "," << rect.y();
  EXPECT_EQ(source->createPixmapForRect(QRect(0, 0, 5, 4), kPixmapDisplayNormal, 1e12, false), nullptr);
  EXPECT_EQ(source->createPixmapForRect(QRect(0, 0, 5, 4), kPixmapDisplayNormal, 10000, false), nullptr);
  EXPECT_NE(source->createPixmapForRect(QRect(4, 3, 1, 1), kPixmapDisplayNormal, 16, true), nullptr);
}

}  // namespace
