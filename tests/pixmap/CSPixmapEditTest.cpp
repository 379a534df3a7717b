#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/CSPixmap.h"

namespace {

constexpr Kolor kBlackKolor = 0x64000000;
// Kolors hold opacity, blue, green and red from the top byte down.
constexpr Kolor kRedKolor = 0x640000FF;
constexpr Kolor kBlueKolor = 0x64FF0000;

std::unique_ptr<CSPixmap> Filled(int width, int height, uint32_t pixel) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  if (!pixmap) return nullptr;
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) *bits.pixelAt(x, y) = pixel;
  pixmap->copyPixelsFromBitmap(bits);  // the writes announced
  return pixmap;
}

// Every pixel a well-formed premultiplied word: transparent, opaque and
// every alpha between, components at most the alpha, and few enough colours
// that tolerances find neighbours.
std::unique_ptr<CSPixmap> Varied(int width, int height, uint32_t seed = 3) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  std::mt19937 random(seed);
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int kind = int(random() % 5);
      const uint32_t alpha = kind == 0 ? 0 : kind <= 2 ? 255 : random() % 256;
      auto component = [&] { return alpha ? uint32_t(random() % (alpha + 1)) / 8 * 8 % (alpha + 1) : 0u; };
      const uint32_t red = component(), green = component(), blue = component();
      *bits.pixelAt(x, y) = MakePixel(red, green, blue, alpha);
    }
  pixmap->copyPixelsFromBitmap(bits);
  return pixmap;
}

uint32_t At(const CSPixmap& pixmap, int x, int y) {
  return *pixmap.bitmap().pixelAt(x, y);
}
void Put(CSPixmap& pixmap, int x, int y, uint32_t pixel) {
  *pixmap.bitmap().pixelAt(x, y) = pixel;
  pixmap.copyPixelsFromBitmap(pixmap.bitmap());
}

// The pixels that differ from the background, as (x, y).
PixelSet Painted(const CSPixmap& pixmap, uint32_t background) {
  PixelSet set;
  for (int y = 0; y < pixmap.height(); ++y)
    for (int x = 0; x < pixmap.width(); ++x)
      if (At(pixmap, x, y) != background) set.insert({x, y});
  return set;
}

PixelSet Block(int left, int top, int width, int height) {
  PixelSet set;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) set.insert({x, y});
  return set;
}

// A one-colour mask of the size, with the listed pixels selected.
std::unique_ptr<CSPixmap> Mask(int width, int height, const PixelSet& selected) {
  auto mask = CSPixmap::initWithSize(QSizeF(width, height));
  for (const auto& [x, y] : selected) *mask->bitmap().pixelAt(x, y) = kOpaqueBlackPixel;
  return mask;
}

// ---- Strokes and fill ---------------------------------------------------------------

TEST(CSPixmapEditTest, BrushSizesAndShapesPaintTheirStamps) {
  const struct {
    const char* name;
    BrushShape shape;
    int64_t size;
    PixelSet painted;
  } rows[] = {
      {"size -5 is a 5 x 5 square", kBrushRound, -5, Block(8, 8, 5, 5)},
      {"size -1 is one pixel", kBrushDiamond, -1, Block(10, 10, 1, 1)},
      {"round of size 1 is a 2 x 2 square", kBrushRound, 1, Block(9, 9, 2, 2)},
      {"diamond of size 1 is a 2 x 2 square", kBrushDiamond, 1, Block(9, 9, 2, 2)},
      {"oval of size 0 is the pixel", kBrushOval, 0, Block(10, 10, 1, 1)},
      {"square of size 2", kBrushSquare, 2, Block(8, 8, 4, 4)},
      {"round of size 2", kBrushRound, 2,
       PixelSet{
           {9, 8}, {10, 8}, {8, 9}, {9, 9}, {10, 9}, {11, 9}, {8, 10}, {9, 10}, {10, 10}, {11, 10}, {9, 11}, {10, 11}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto pixmap = Filled(20, 20, kOpaqueWhitePixel);
    EXPECT_TRUE(pixmap->drawWithBrush(row.shape, row.size, QPointF(10.7, 10.2), QPointF(10, 10), kBlackKolor));
    EXPECT_EQ(Painted(*pixmap, kOpaqueWhitePixel), row.painted);
    // Painting it again changes nothing.
    EXPECT_FALSE(pixmap->drawWithBrush(row.shape, row.size, QPointF(10, 10), QPointF(10, 10), kBlackKolor));
  }
}

TEST(CSPixmapEditTest, PencilDrawsOnePixelAlongTheLongerAxis) {
  auto pixmap = Filled(12, 8, kOpaqueWhitePixel);
  EXPECT_TRUE(pixmap->drawWithPencil(QPointF(1, 1), QPointF(10, 4), kRedKolor));
  const PixelSet painted = Painted(*pixmap, kOpaqueWhitePixel);
  EXPECT_EQ(painted.size(), 10u);  // one pixel for each column 1-10
  EXPECT_TRUE(painted.count({1, 1}) && painted.count({10, 4}));
  EXPECT_EQ(At(*pixmap, 1, 1), Rgba(0xFF0000FF));
}

TEST(CSPixmapEditTest, StrokesKeepTheAlphaAnswerRight) {
  auto pixmap = Filled(10, 10, kOpaqueWhitePixel);
  ASSERT_FALSE(pixmap->hasAlpha());
  // A translucent colour over opaque pixels.
  EXPECT_TRUE(pixmap->drawWithBrush(kBrushSquare, 1, QPointF(5, 5), QPointF(5, 5), 0x32FF0000));
  EXPECT_TRUE(pixmap->hasAlpha());
  // An opaque square over the whole pixmap.
  EXPECT_TRUE(pixmap->drawWithBrush(kBrushSquare, -20, QPointF(5, 5), QPointF(5, 5), kBlueKolor));
  EXPECT_FALSE(pixmap->hasAlpha());

  // In mask mode a Kolor's grey is the alpha: mid grey paints alpha 127.
  pixmap->setPixmapMode(kPixmapModeMask);
  EXPECT_TRUE(pixmap->drawWithPencil(QPointF(0, 0), QPointF(0, 0), 0x64808080));
  EXPECT_EQ(At(*pixmap, 0, 0), MakePixel(0, 0, 127, 127));
  EXPECT_TRUE(pixmap->hasAlpha());
  EXPECT_TRUE(pixmap->drawWithPencil(QPointF(0, 0), QPointF(0, 0), kBlackKolor));
  EXPECT_EQ(At(*pixmap, 0, 0), MakePixel(0, 0, 255, 255));
  EXPECT_FALSE(pixmap->hasAlpha());

  // Keep-alpha mode paints the colour at each pixel's own alpha.
  Put(*pixmap, 3, 3, MakePixel(0, 0, 64, 64));
  pixmap->setPixmapMode(kPixmapModeKeepAlpha);
  EXPECT_TRUE(pixmap->drawWithPencil(QPointF(3, 3), QPointF(4, 3), kRedKolor));
  EXPECT_EQ(At(*pixmap, 3, 3), MakePixel(64, 0, 0, 64));
  EXPECT_EQ(At(*pixmap, 4, 3), MakePixel(255, 0, 0, 255));
}

TEST(CSPixmapEditTest, FloodFillsTheRegionOfTheSeed) {
  // A black wall at column 3 splits a white pixmap.
  auto pixmap = Filled(7, 4, kOpaqueWhitePixel);
  for (int y = 0; y < 4; ++y) Put(*pixmap, 3, y, kOpaqueBlackPixel);
  EXPECT_FALSE(pixmap->floodPixelsWithKolor(kRedKolor, 0, QPointF(-1, 0)));
  EXPECT_FALSE(pixmap->floodPixelsWithKolor(kRedKolor, 0, QPointF(7, 0)));
  EXPECT_TRUE(pixmap->floodPixelsWithKolor(kRedKolor, 0, QPointF(1.9, 2.9)));
  EXPECT_EQ(Painted(*pixmap, Rgba(0xFF0000FF)), Block(3, 0, 4, 4));

  // With a second pixmap the region goes there; here only the seed changes.
  auto target = Filled(7, 4, kTransparentPixel);
  auto other = Filled(7, 4, kOpaqueWhitePixel);
  for (int y = 0; y < 4; ++y) Put(*other, 3, y, kOpaqueBlackPixel);
  EXPECT_TRUE(other->floodPixelsWithKolor(kBlueKolor, 0, QPointF(5, 1), target.get()));
  PixelSet wallAndSeed = Block(3, 0, 1, 4);
  wallAndSeed.insert({5, 1});
  EXPECT_EQ(Painted(*other, kOpaqueWhitePixel), wallAndSeed);
  EXPECT_EQ(Painted(*target, kTransparentPixel), Block(4, 0, 3, 4));

  // A translucent fill of an opaque region renews the alpha answer.
  auto opaque = Filled(5, 5, kOpaqueWhitePixel);
  ASSERT_FALSE(opaque->hasAlpha());
  EXPECT_TRUE(opaque->floodPixelsWithKolor(0x32000000, 0, QPointF(2, 2)));
  EXPECT_TRUE(opaque->hasAlpha());
}

// ---- Masked operations ----------------------------------------------------------------

TEST(CSPixmapEditTest, MaskWalkSelectsThePixelsUnderTheMask) {
  auto pixmap = Filled(5, 4, kOpaqueWhitePixel);
  // A 3 x 3 mask selecting its corners and centre.
  auto mask = Mask(3, 3, {{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}});
  const struct {
    QPointF origin;
    bool any;
    PixelSet selected;
  } rows[] = {
      {{1, 1}, true, {{1, 1}, {3, 1}, {2, 2}, {1, 3}, {3, 3}}},
      {{1.9, 1.9}, true, {{1, 1}, {3, 1}, {2, 2}, {1, 3}, {3, 3}}},  // truncated
      {{-1, -1}, true, {{0, 0}, {1, 1}}},
      {{-0.5, 0}, true, {{0, 0}, {2, 0}, {1, 1}, {0, 2}, {2, 2}}},  // truncated toward zero
      {{3, 2}, true, {{3, 2}, {4, 3}}},
      {{-3, 0}, false, {}},
      {{5, 0}, false, {}},
      {{0, -3}, false, {}},
      {{0, 4}, false, {}},
      {{-1e30, 1e30}, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.origin.x() << "," << row.origin.y());
    MaskIterator it;
    EXPECT_EQ(pixmap->setupMaskParams(&it, mask.get(), row.origin, true), row.any);
    EXPECT_EQ(it.count, int64_t(row.selected.size()));
    PixelSet walked;
    const PixelBitmap bits = pixmap->bitmap();
    while (uint32_t* pixel = NextMaskedPixel(&it)) {
      const int64_t offset = reinterpret_cast<uint8_t*>(pixel) - bits.data;
      walked.insert({offset % bits.bytesPerRow / 4, offset / bits.bytesPerRow});
      EXPECT_EQ(it.x - 1, offset % bits.bytesPerRow / 4);
    }
    EXPECT_EQ(walked, row.selected);
  }
  // Without a mask every pixel, counted or not.
  MaskIterator it;
  EXPECT_TRUE(pixmap->setupMaskParams(&it, nullptr, QPointF(3, 3), true));
  EXPECT_EQ(it.count, 20);
  int walked = 0;
  while (NextMaskedPixel(&it)) ++walked;
  EXPECT_EQ(walked, 20);
}

TEST(CSPixmapEditTest, GreyAndBlackOrWhiteLeaveTransparentBlackAndWhite) {
  const uint32_t red = Rgba(0xFF0000FF), translucent = Rgba(0x40200080);
  const uint32_t pixels[] = {0, kOpaqueWhitePixel, kOpaqueBlackPixel, red, translucent};
  const uint32_t redGrey = PixelFromKolor(GrayscaleKolorCIE(kRedKolor));
  const uint32_t translucentGrey = PixelFromKolor(GrayscaleKolorCIE(KolorFromPixel(translucent)));
  ASSERT_EQ(redGrey, Rgba(0x363636FF));  // 0.212671 x 255 = 54
  const struct {
    const char* name;
    std::function<void(CSPixmap&)> apply;
    uint32_t after[5];
  } rows[] = {
      {"grey",
       [](CSPixmap& p) { p.convertToGray(nullptr, QPointF()); },
       {0, kOpaqueWhitePixel, kOpaqueBlackPixel, redGrey, translucentGrey}},
      {"black",
       [](CSPixmap& p) { p.convertToMonochrome(true, nullptr, QPointF()); },
       {0, kOpaqueWhitePixel, kOpaqueBlackPixel, kOpaqueBlackPixel, kOpaqueBlackPixel}},
      {"white",
       [](CSPixmap& p) { p.convertToMonochrome(false, nullptr, QPointF()); },
       {0, kOpaqueWhitePixel, kOpaqueBlackPixel, kOpaqueWhitePixel, kOpaqueWhitePixel}},
      {"invert",
       [](CSPixmap& p) { p.invertColors(nullptr, QPointF()); },
       {0, kOpaqueBlackPixel, kOpaqueWhitePixel, Rgba(0x00FFFFFF), Rgba(0x40608080)}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto pixmap = Filled(5, 1, 0);
    for (int x = 0; x < 5; ++x) Put(*pixmap, x, 0, pixels[x]);
    ASSERT_TRUE(pixmap->hasAlpha());
    row.apply(*pixmap);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(*pixmap, x, 0), row.after[x]) << x;
  }
  // Black or white makes the translucent pixels opaque.
  auto pixmap = Filled(2, 1, translucent);
  ASSERT_TRUE(pixmap->hasAlpha());
  pixmap->convertToMonochrome(true, nullptr, QPointF());
  EXPECT_FALSE(pixmap->hasAlpha());
}

TEST(CSPixmapEditTest, InvertKeepsTranslucentPixelsWellFormed) {
  auto pixmap = Varied(16, 16);
  auto before = pixmap->copy();
  pixmap->invertColors(nullptr, QPointF());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t was = At(*before, x, y), now = At(*pixmap, x, y);
      const uint32_t alpha = PixelAlpha(was);
      ASSERT_EQ(PixelAlpha(now), alpha);
      if (alpha == 0) {
        EXPECT_EQ(now, was);
        continue;
      }
      EXPECT_EQ(PixelRed(now), alpha - PixelRed(was));
      EXPECT_EQ(PixelGreen(now), alpha - PixelGreen(was));
      EXPECT_EQ(PixelBlue(now), alpha - PixelBlue(was));
    }
  // Twice is the identity.
  pixmap->invertColors(nullptr, QPointF());
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_EQ(At(*pixmap, x, y), At(*before, x, y));
}

TEST(CSPixmapEditTest, InvertInMaskModeInvertsTheAlpha) {
  auto pixmap = Filled(3, 1, 0);
  Put(*pixmap, 1, 0, kOpaqueBlackPixel);
  Put(*pixmap, 2, 0, Rgba(0x40404040));
  pixmap->setPixmapMode(kPixmapModeMask);
  ASSERT_TRUE(pixmap->hasAlpha());
  pixmap->invertColors(nullptr, QPointF());
  EXPECT_EQ(At(*pixmap, 0, 0), kOpaqueWhitePixel);  // transparent became opaque, white
  EXPECT_EQ(At(*pixmap, 1, 0), 0u);
  EXPECT_EQ(PixelAlpha(At(*pixmap, 2, 0)), 0xBFu);
  EXPECT_TRUE(pixmap->hasAlpha());
}

TEST(CSPixmapEditTest, ColourStepsGrowByFiveQuartersUpToTheAlpha) {
  const struct {
    uint32_t red;
    uint32_t alpha;
    int steps;
    uint32_t expected;
  } rows[] = {
      {100, 255, 1, 125},
      {100, 255, 2, 156},
      {200, 255, 1, 250},
      {200, 255, 2, 255},
      {255, 255, 3, 255},
      {100, 255, -1, 80},
      {100, 255, -2, 64},
      {0, 255, 5, 0},
      {3, 255, 9, 3},
      {1, 255, -1, 0},
      // Translucent pixels stop at their alpha (120 x 5 / 4 = 150 > 128),
      // which, like 255 on opaque ones, does not step down.
      {120, 128, 1, 128},
      {100, 128, 1, 125},
      {128, 128, 4, 128},
      {128, 128, -1, 128},
      // Counts far beyond what changes anything end as soon as nothing does.
      {100, 255, INT_MAX, 255},
      {3, 255, INT_MAX, 3},
      {100, 255, INT_MIN, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.red << " alpha " << row.alpha << " steps " << row.steps);
    auto pixmap = Filled(1, 1, MakePixel(row.red, 60, 7, row.alpha));
    pixmap->increaseRed(row.steps, 0, 0, nullptr, QPointF());
    EXPECT_EQ(At(*pixmap, 0, 0), MakePixel(row.expected, 60, 7, row.alpha));
  }
  // Each channel by its own count.
  auto pixmap = Filled(1, 1, MakePixel(100, 100, 100, 255));
  pixmap->increaseRed(1, -1, 0, nullptr, QPointF());
  EXPECT_EQ(At(*pixmap, 0, 0), MakePixel(125, 80, 100, 255));
}

TEST(CSPixmapEditTest, MaskedOperationsTouchOnlyTheSelection) {
  const PixelSet selected = {{0, 0}, {2, 1}};
  auto mask = Mask(3, 2, selected);
  const QPointF origin(1, 1);
  const PixelSet changed = {{1, 1}, {3, 2}};
  const std::function<void(CSPixmap&)> operations[] = {
      [&](CSPixmap& p) { p.convertToGray(mask.get(), origin); },
      [&](CSPixmap& p) { p.convertToMonochrome(false, mask.get(), origin); },
      [&](CSPixmap& p) { p.fillWithKolor(kBlueKolor, mask.get(), origin); },
      [&](CSPixmap& p) { p.invertColors(mask.get(), origin); },
      [&](CSPixmap& p) { p.increaseRed(2, 0, 0, mask.get(), origin); },
      [&](CSPixmap& p) { p.replaceKolor(0x640000C8, kBlueKolor, 0, mask.get(), origin); },
  };
  int index = 0;
  for (const auto& operation : operations) {
    SCOPED_TRACE(index++);
    const uint32_t red = Rgba(0xC80000FF);
    auto pixmap = Filled(4, 4, red);
    operation(*pixmap);
    EXPECT_EQ(Painted(*pixmap, red), changed);
  }
}

TEST(CSPixmapEditTest, FillFollowsTheModeAndTheAlphaAnswer) {
  const uint32_t half = MakePixel(0, 0, 64, 128);
  auto mask = Mask(1, 1, {{0, 0}});
  // Colour mode: the Kolor's pixel.
  auto pixmap = Filled(2, 1, half);
  ASSERT_TRUE(pixmap->hasAlpha());
  pixmap->fillWithKolor(kRedKolor, nullptr, QPointF());
  EXPECT_EQ(At(*pixmap, 0, 0), Rgba(0xFF0000FF));
  EXPECT_FALSE(pixmap->hasAlpha());
  // Keep-alpha mode: the colour at each pixel's alpha.
  pixmap = Filled(2, 1, half);
  pixmap->setPixmapMode(kPixmapModeKeepAlpha);
  pixmap->fillWithKolor(kRedKolor, mask.get(), QPointF(1, 0));
  EXPECT_EQ(At(*pixmap, 0, 0), half);
  EXPECT_EQ(At(*pixmap, 1, 0), MakePixel(128, 0, 0, 128));
  // Mask mode: the grey's alpha.
  pixmap = Filled(2, 1, kOpaqueWhitePixel);
  ASSERT_FALSE(pixmap->hasAlpha());
  pixmap->setPixmapMode(kPixmapModeMask);
  pixmap->fillWithKolor(0x64C0C0C0, mask.get(), QPointF(1, 0));
  EXPECT_EQ(At(*pixmap, 0, 0), kOpaqueWhitePixel);
  EXPECT_EQ(At(*pixmap, 1, 0), 0x3F3F3F3Fu);
  EXPECT_TRUE(pixmap->hasAlpha());
  pixmap->fillWithKolor(kBlackKolor, nullptr, QPointF());
  EXPECT_FALSE(pixmap->hasAlpha());
}

// ---- Colour list and replacement ----------------------------------------------------------

TEST(CSPixmapEditTest, ColourListHoldsTheDistinctColoursInTheOrderMet) {
  auto pixmap = Filled(4, 2, 0);
  const uint32_t a = Rgba(0x102030FF), b = Rgba(0x10203080), c = Rgba(0xFFFFFFFF);
  const uint32_t row0[] = {a, 0, b, a}, row1[] = {c, b, 0, a};
  for (int x = 0; x < 4; ++x) {
    Put(*pixmap, x, 0, row0[x]);
    Put(*pixmap, x, 1, row1[x]);
  }
  auto all = pixmap->createColorList(nullptr, QPointF());
  ASSERT_NE(all, nullptr);
  ASSERT_EQ(all->count(), 3u);
  EXPECT_EQ(all->entryLength(), 4u);
  const auto* colors = static_cast<const uint32_t*>(all->entryAtIndex(0));
  EXPECT_EQ(colors[0], a);
  EXPECT_EQ(colors[1], b);
  EXPECT_EQ(colors[2], c);

  auto mask = Mask(2, 2, {{0, 0}, {1, 1}});
  auto some = pixmap->createColorList(mask.get(), QPointF(2, 0));  // selects (2, 0) and (3, 1)
  ASSERT_NE(some, nullptr);
  ASSERT_EQ(some->count(), 2u);
  EXPECT_EQ(static_cast<const uint32_t*>(some->entryAtIndex(0))[0], b);
  EXPECT_EQ(static_cast<const uint32_t*>(some->entryAtIndex(0))[1], a);
  auto empty = pixmap->createColorList(mask.get(), QPointF(1, 0));  // selects (1, 0) and (2, 1): both 0
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->count(), 0u);
  EXPECT_EQ(pixmap->createColorList(mask.get(), QPointF(4, 0)), nullptr);
  EXPECT_EQ(pixmap->createColorList(mask.get(), QPointF(-2, 0)), nullptr);

  // Thousands of colours, each met twice, far apart.
  auto many = CSPixmap::initWithSize(QSizeF(100, 60));
  auto colour = [](int i) { return MakePixel(uint32_t(i) & 0xFF, uint32_t(i) >> 8, 1, 255); };
  for (int i = 0; i < 6000; ++i) *many->bitmap().pixelAt(i % 100, i / 100) = colour(i % 3000);
  auto list = many->createColorList(nullptr, QPointF());
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 3000u);
  const auto* entries = static_cast<const uint32_t*>(list->entryAtIndex(0));
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(entries[i], colour(i)) << i;
}

TEST(CSPixmapEditTest, ReplaceKolorMatchesWithinTheTolerance) {
  const Kolor old = 0x64646464;  // 100, 100, 100
  const struct {
    uint32_t pixel;
    int tolerance;
    bool replaced;
  } rows[] = {
      {Rgba(0x646464FF), 0, true},
      {Rgba(0x656464FF), 0, false},
      {Rgba(0x696464FF), 10, true},
      {Rgba(0x6A6464FF), 10, false},
      {Rgba(0x5F5F5FFF), 10, true},
      {Rgba(0x5E6464FF), 10, false},
      {Rgba(0x64646480), 0, true},  // alpha is not compared
      {0, 100, false},              // a transparent pixel never matches a visible colour
      {Rgba(0x646464FF), -1, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.pixel << std::dec << " at " << row.tolerance);
    auto pixmap = Filled(1, 1, row.pixel);
    EXPECT_EQ(pixmap->replaceKolor(old, kRedKolor, row.tolerance, nullptr, QPointF()), row.replaced);
    EXPECT_EQ(At(*pixmap, 0, 0), row.replaced ? Rgba(0xFF0000FF) : row.pixel);
  }
  // An invisible old Kolor replaces transparent pixels; an invisible new
  // one makes the matches transparent.
  auto pixmap = Filled(2, 1, 0);
  Put(*pixmap, 1, 0, Rgba(0x646464FF));
  EXPECT_TRUE(pixmap->replaceKolor(g_nilKolor, kRedKolor, 0, nullptr, QPointF()));
  EXPECT_EQ(At(*pixmap, 0, 0), Rgba(0xFF0000FF));
  EXPECT_FALSE(pixmap->hasAlpha());
  EXPECT_TRUE(pixmap->replaceKolor(old, g_nilKolor, 0, nullptr, QPointF()));
  EXPECT_EQ(At(*pixmap, 1, 0), 0u);
  EXPECT_TRUE(pixmap->hasAlpha());
}

TEST(CSPixmapEditTest, AMaskedReplacementKeepsTheAlphaAnswerOfTheRest) {
  // The translucent pixel lies outside the mask: the answer must stay yes.
  auto pixmap = Filled(3, 1, Rgba(0x646464FF));
  Put(*pixmap, 2, 0, Rgba(0x32323280));
  ASSERT_TRUE(pixmap->hasAlpha());
  auto mask = Mask(2, 1, {{0, 0}, {1, 0}});
  EXPECT_TRUE(pixmap->replaceKolor(0x64646464, kRedKolor, 0, mask.get(), QPointF()));
  EXPECT_TRUE(pixmap->hasAlpha());
  // A mask off the pixmap replaces nothing and leaves the answer right.
  EXPECT_FALSE(pixmap->replaceKolor(kRedKolor, kBlueKolor, 0, mask.get(), QPointF(9, 9)));
  EXPECT_TRUE(pixmap->hasAlpha());
  // Replacing the translucent pixel by an opaque colour over the whole
  // pixmap leaves none (its Kolor's pixel is 0x3131317F, one step away).
  EXPECT_TRUE(pixmap->replaceKolor(KolorFromPixel(Rgba(0x32323280)), kRedKolor, 2, nullptr, QPointF()));
  EXPECT_FALSE(pixmap->hasAlpha());
}

// Long lists, transparent entries and every tolerance give the answer of
// PixelMatches tried against each entry in turn.
TEST(CSPixmapEditTest, ReplacingAListAgreesWithMatchingEachEntry) {
  auto picture = Varied(40, 30, 11);
  for (const bool withTransparentEntry : {false, true})
    for (const int listLength : {1, 5, 200})
      for (const int tolerance : {-1, 0, 1, 9, 40}) {
        SCOPED_TRACE(::testing::Message()
                     << "list " << listLength << " tolerance " << tolerance << (withTransparentEntry ? " with 0" : ""));
        std::vector<uint32_t> list;
        std::mt19937 random{uint32_t(listLength)};
        for (int i = 0; i < listLength; ++i)
          list.push_back(At(*picture, int(random() % 40), int(random() % 30)) | kPixelAlphaMask);
        if (withTransparentEntry) list.insert(list.begin() + list.size() / 2, 0u);
        const uint32_t replacement = Rgba(0x01020304);
        auto pixmap = picture->copy();
        bool expectAny = false;
        for (int y = 0; y < 30; ++y)
          for (int x = 0; x < 40; ++x)
            for (uint32_t entry : list)
              if (PixelMatches(At(*picture, x, y), entry, tolerance)) expectAny = true;
        EXPECT_EQ(pixmap->replaceColors(list.data(), list.size(), KolorFromPixel(replacement), tolerance, nullptr,
                                        QPointF(), nullptr),
                  expectAny);
        const uint32_t newPixel = PixelFromKolor(KolorFromPixel(replacement));
        for (int y = 0; y < 30; ++y)
          for (int x = 0; x < 40; ++x) {
            bool matches = false;
            for (uint32_t entry : list) matches |= PixelMatches(At(*picture, x, y), entry, tolerance) != 0;
            ASSERT_EQ(At(*pixmap, x, y), matches ? newPixel : At(*picture, x, y)) << x << "," << y;
          }
      }
}

// ---- Geometry -------------------------------------------------------------------------

TEST(CSPixmapEditTest, FlipsAndTurnsMoveEachPixelWhereItBelongs) {
  const int w = 7, h = 4;
  auto original = Varied(w, h);
  const struct {
    const char* name;
    int degrees;  // 0 for the flips
    bool horizontal;
    int outWidth, outHeight;
    std::function<std::pair<int, int>(int, int)> to;
  } rows[] = {
      {"flip horizontal", 0, true, w, h, [](int x, int y) { return std::pair(w - 1 - x, y); }},
      {"flip vertical", 0, false, w, h, [](int x, int y) { return std::pair(x, h - 1 - y); }},
      {"90", 90, false, h, w, [](int x, int y) { return std::pair(h - 1 - y, x); }},
      {"180", 180, false, w, h, [](int x, int y) { return std::pair(w - 1 - x, h - 1 - y); }},
      {"270", 270, false, h, w, [](int x, int y) { return std::pair(y, w - 1 - x); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto pixmap = original->copy();
    const CSPixmap* result = pixmap.get();
    std::unique_ptr<CSPixmap> rotated;
    if (row.degrees == 0 && row.horizontal)
      pixmap->flipHorizontal();
    else if (row.degrees == 0)
      pixmap->flipVertical();
    else
      result = pixmap->rotate(row.degrees, &rotated);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result == pixmap.get(), row.degrees == 0 || row.degrees == 180);
    ASSERT_EQ(result->width(), row.outWidth);
    ASSERT_EQ(result->height(), row.outHeight);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const auto [tx, ty] = row.to(x, y);
        ASSERT_EQ(At(*result, tx, ty), At(*original, x, y)) << x << "," << y;
      }
    EXPECT_EQ(result->hasAlpha(), original->hasAlpha());
  }
  // A 180 turn of an odd height mirrors the middle row too.
  auto odd = Varied(3, 3);
  auto oddCopy = odd->copy();
  std::unique_ptr<CSPixmap> unused;
  EXPECT_EQ(odd->rotate(180, &unused), odd.get());
  EXPECT_EQ(unused, nullptr);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(At(*odd, x, 1), At(*oddCopy, 2 - x, 1));
}

TEST(CSPixmapEditTest, OtherAnglesAnswerNullAndLeaveThePixels) {
  auto pixmap = Varied(5, 3);
  auto before = pixmap->copy();
  for (const int degrees : {45, 0, -90, 360, 450}) {
    std::unique_ptr<CSPixmap> rotated;
    EXPECT_EQ(pixmap->rotate(degrees, &rotated), nullptr) << degrees;
    EXPECT_EQ(rotated, nullptr);
  }
  EXPECT_EQ(pixmap->rotate(90, nullptr), nullptr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(*pixmap, x, y), At(*before, x, y));
}

TEST(CSPixmapEditTest, ResizingPlacesThePixelsAndFillsTheMargins) {
  const uint32_t red = Rgba(0xFF0000FF);
  auto opaque = Filled(10, 10, red);
  const struct {
    QSizeF size;
    bool center;
    int left, top;
  } rows[] = {
      {{13, 10}, true, 1, 0},  {{11, 10}, true, 0, 0}, {{12, 10}, true, 1, 0},    {{10, 15}, true, 0, 2},
      {{13, 13}, false, 0, 0}, {{6, 4}, true, 0, 0},   {{6.9, 4.9}, false, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.size.width() << "x" << row.size.height() << " centre " << row.center);
    auto resized = opaque->createPixmapForSize(row.size, row.center);
    ASSERT_NE(resized, nullptr);
    ASSERT_EQ(resized->size(), QSizeF(int(row.size.width()), int(row.size.height())));
    const PixelSet block = Block(row.left, row.top, std::min(10, resized->width()), std::min(10, resized->height()));
    EXPECT_EQ(Painted(*resized, kOpaqueWhitePixel), block);
    EXPECT_EQ(At(*resized, row.left, row.top), red);
    EXPECT_FALSE(resized->hasAlpha());
  }
  // A translucent picture keeps transparent margins.
  auto translucent = Filled(4, 4, Rgba(0x40000040));
  auto resized = translucent->createPixmapForSize(QSizeF(8, 8), true);
  ASSERT_NE(resized, nullptr);
  EXPECT_EQ(Painted(*resized, 0), Block(2, 2, 4, 4));
  EXPECT_TRUE(resized->hasAlpha());
  // The size caps hold.
  EXPECT_EQ(opaque->createPixmapForSize(QSizeF(kMaxPixmapSide + 1, 10), true), nullptr);
  EXPECT_EQ(opaque->createPixmapForSize(QSizeF(0, 10), true), nullptr);
  EXPECT_EQ(opaque->createPixmapForSize(QSizeF(20000, 20000), false), nullptr);
}

TEST(CSPixmapEditTest, CropCopiesARectangleInsideAndRefusesOthers) {
  auto pixmap = Varied(6, 5);
  auto cropped = pixmap->createCroppedPixmap(2, 1, 3, 4);
  ASSERT_NE(cropped, nullptr);
  EXPECT_EQ(cropped->size(), QSizeF(3, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(At(*cropped, x, y), At(*pixmap, x + 2, y + 1));
  auto whole = pixmap->createCroppedPixmap(0, 0, 6, 5);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->hasAlpha(), pixmap->hasAlpha());

  const struct {
    uint64_t x, y, width, height;
  } refused[] = {
      {0, 0, 0, 1}, {0, 0, 1, 0}, {6, 0, 1, 1},          {0, 5, 1, 1},          {5, 0, 2, 1},
      {0, 4, 1, 2}, {0, 0, 7, 5}, {UINT64_MAX, 0, 2, 1}, {1, 0, UINT64_MAX, 1}, {0, 1, 1, UINT64_MAX},
  };
  for (const auto& r : refused)
    EXPECT_EQ(pixmap->createCroppedPixmap(r.x, r.y, r.width, r.height), nullptr)
        << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

TEST(CSPixmapEditTest, TrimmingCutsToTheContent) {
  QPointF origin(7, 7);
  auto empty = Filled(5, 5, 0);
  EXPECT_EQ(empty->createShrunkenPixmap(&origin, false), nullptr);
  EXPECT_EQ(origin, QPointF(-1, -1));

  auto full = Filled(5, 4, 0);
  for (const auto& [x, y] : PixelSet{{0, 1}, {4, 2}, {2, 0}, {1, 3}}) Put(*full, x, y, Rgba(0x80000080));
  origin = QPointF(7, 7);
  EXPECT_EQ(full->createShrunkenPixmap(&origin, false), nullptr);
  EXPECT_EQ(origin, QPointF(0, 0));

  // Content in a white pixmap: white counts only without the flag.
  auto picture = Filled(8, 6, kOpaqueWhitePixel);
  Put(*picture, 2, 3, kOpaqueBlackPixel);
  Put(*picture, 5, 1, Rgba(0x00FF00FF));
  EXPECT_EQ(picture->createShrunkenPixmap(&origin, false), nullptr);
  auto trimmed = picture->createShrunkenPixmap(&origin, true);
  ASSERT_NE(trimmed, nullptr);
  EXPECT_EQ(origin, QPointF(2, 1));
  EXPECT_EQ(trimmed->size(), QSizeF(4, 3));
  EXPECT_EQ(At(*trimmed, 0, 2), kOpaqueBlackPixel);
  EXPECT_EQ(At(*trimmed, 3, 0), Rgba(0x00FF00FF));
  EXPECT_NE(picture->createShrunkenPixmap(nullptr, true), nullptr);
}

// ---- Transparency ---------------------------------------------------------------------

TEST(CSPixmapEditTest, AddingAlphaClearsOpaqueWhite) {
  auto pixmap = Filled(3, 1, kOpaqueWhitePixel);
  Put(*pixmap, 1, 0, kOpaqueBlackPixel);
  ASSERT_FALSE(pixmap->hasAlpha());
  EXPECT_TRUE(pixmap->addAlpha(false));
  EXPECT_EQ(At(*pixmap, 0, 0), 0u);
  EXPECT_EQ(At(*pixmap, 1, 0), kOpaqueBlackPixel);
  EXPECT_TRUE(pixmap->hasAlpha());
  EXPECT_FALSE(pixmap->addAlpha(false));  // no white left
  EXPECT_TRUE(pixmap->hasAlpha());

  auto black = Filled(2, 2, kOpaqueBlackPixel);
  EXPECT_FALSE(black->addAlpha(false));
  EXPECT_FALSE(black->hasAlpha());
}

TEST(CSPixmapEditTest, AddingAlphaWithAnOpaqueInteriorKeepsEnclosedWhite) {
  // White outside a black ring, white inside it, and a white channel from
  // the edge through a transparent pixel into a second room.
  const char* rows[] = {
      "wwwwwwwww",  //
      "wbbbwbbbw",  //
      "wbwbwbwbw",  //
      "wbbbwb.bw",  //
      "wwwwwwwww",
  };
  auto pixmap = Filled(9, 5, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x)
      Put(*pixmap, x, y, rows[y][x] == 'w' ? kOpaqueWhitePixel : rows[y][x] == 'b' ? kOpaqueBlackPixel : 0);
  EXPECT_TRUE(pixmap->addAlpha(true));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      const bool enclosed = x == 2 && y == 2;
      const bool reached = rows[y][x] == 'w' && !enclosed;  // (6, 2) through the hole at (6, 3)
      EXPECT_EQ(At(*pixmap, x, y), reached || rows[y][x] == '.' ? 0u
                                   : rows[y][x] == 'w'          ? kOpaqueWhitePixel
                                                                : kOpaqueBlackPixel);
    }
  EXPECT_TRUE(pixmap->hasAlpha());
  EXPECT_FALSE(pixmap->addAlpha(true));
}

TEST(CSPixmapEditTest, DeletingAlphaMakesEveryPixelOpaque) {
  auto pixmap = Filled(3, 1, 0);
  Put(*pixmap, 1, 0, Rgba(0x40200080));
  Put(*pixmap, 2, 0, Rgba(0x102030FF));
  pixmap->deleteAlpha();
  EXPECT_EQ(At(*pixmap, 0, 0), kOpaqueWhitePixel);
  EXPECT_EQ(At(*pixmap, 1, 0), Rgba(0x7F3F00FF));  // un-premultiplied
  EXPECT_EQ(At(*pixmap, 2, 0), Rgba(0x102030FF));
  EXPECT_FALSE(pixmap->hasAlpha());
}

// ---- Merge ----------------------------------------------------------------------------

TEST(CSPixmapEditTest, MergeAppliesTheSourceByBlendAndPixmapMode) {
  // The source's column 3, row 2 lands on the destination's top left.
  const uint32_t red = Rgba(0xFF0000FF), halfGreen = Rgba(0x00800080), halfBlue = Rgba(0x00008080);
  const uint32_t white = kOpaqueWhitePixel, grey = Rgba(0x404040FF), blue = Rgba(0x0000FFFF);
  TestBitmap source(6, 4);
  source.at(3, 2) = red;
  source.at(4, 2) = halfGreen;
  source.at(5, 2) = 0;
  source.at(3, 3) = halfBlue;
  source.at(4, 3) = white;
  source.at(5, 3) = grey;
  const int xs[] = {3, 4, 5, 3, 4, 5}, ys[] = {2, 2, 2, 3, 3, 3};
  for (PixmapMode mode : {kPixmapModeColor, kPixmapModeMask, kPixmapModeKeepAlpha})
    for (PixmapBlendMode blend : {kPixmapBlendSourceOver, kPixmapBlendCopy, kPixmapBlendOpaqueOnly}) {
      SCOPED_TRACE(::testing::Message() << "mode " << mode << " blend " << blend);
      auto destination = Filled(4, 3, blue);
      Put(*destination, 0, 1, 0);
      destination->setPixmapMode(mode);
      EXPECT_TRUE(destination->mergeBitmap(source.bits(), QPointF(-3, -2), blend));
      for (int i = 0; i < 6; ++i) {
        const int x = i % 3, y = i / 3;
        const uint32_t s = source.at(xs[i], ys[i]), d = x == 0 && y == 1 ? 0 : blue;
        uint32_t expected = d;
        const bool skipped = PixelAlpha(s) == 0 || (blend == kPixmapBlendOpaqueOnly && PixelAlpha(s) < 255);
        if (!skipped) {
          if (mode == kPixmapModeMask) {
            ChangePixelAlpha(&expected, AlphaFromPixel(s));
          } else if (mode == kPixmapModeKeepAlpha) {
            expected = s;
            ChangePixelAlpha(&expected, PixelAlpha(d));
          } else if (PixelAlpha(s) == 255 || blend == kPixmapBlendCopy || d == 0) {
            expected = s;
          } else {
            expected = BlendPixels(d, s);
          }
        }
        EXPECT_EQ(At(*destination, x, y), expected) << x << "," << y;
      }
      // Outside the source's reach nothing changed.
      for (int x = 0; x < 4; ++x) EXPECT_EQ(At(*destination, x, 2), blue);
      EXPECT_EQ(At(*destination, 3, 0), blue);
    }
}

TEST(CSPixmapEditTest, MergeFloorsTheOriginAndRefusesWhatMisses) {
  TestBitmap source(2, 2, Rgba(0xFF0000FF));
  auto pixmap = Filled(4, 4, kOpaqueWhitePixel);
  EXPECT_FALSE(pixmap->mergeBitmap(PixelBitmap(), QPointF(0, 0), kPixmapBlendSourceOver));
  EXPECT_FALSE(pixmap->mergeBitmap(source.bits(), QPointF(4, 0), kPixmapBlendSourceOver));
  EXPECT_FALSE(pixmap->mergeBitmap(source.bits(), QPointF(0, -2), kPixmapBlendSourceOver));
  EXPECT_FALSE(pixmap->mergeBitmap(source.bits(), QPointF(-1e20, 0), kPixmapBlendSourceOver));
  EXPECT_EQ(Painted(*pixmap, kOpaqueWhitePixel), PixelSet{});
  EXPECT_TRUE(pixmap->mergeBitmap(source.bits(), QPointF(1.5, -0.5), kPixmapBlendSourceOver));
  EXPECT_EQ(Painted(*pixmap, kOpaqueWhitePixel), Block(1, 0, 2, 1));  // (1, -1) floored

  TestBitmap clear(2, 2, 0);
  EXPECT_FALSE(pixmap->mergeBitmap(clear.bits(), QPointF(0, 0), kPixmapBlendCopy));
  // A translucent pixel merged into an opaque pixmap gives it alpha.
  ASSERT_FALSE(pixmap->hasAlpha());
  TestBitmap faint(1, 1, Rgba(0x10101010));
  EXPECT_TRUE(pixmap->mergeBitmap(faint.bits(), QPointF(3, 3), kPixmapBlendCopy));
  EXPECT_TRUE(pixmap->hasAlpha());
}

}  // namespace
