// The row loops of the flood, masks, zoomed pictures and turns against their
// definitions written pixel by pixel, on pictures whose sides fall on and
// off the loops' blocks of 4 and 64 pixels and are large enough to be split
// across threads.
#include <gtest/gtest.h>

#include <QRect>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/CSPixmap.h"
#include "pixmap/PixelFunctions.h"

namespace {

using Words = std::vector<uint32_t>;

Words WordsOf(const PixelBitmap& bits) {
  Words words;
  for (int y = 0; y < bits.height; ++y) words.insert(words.end(), bits.row(y), bits.row(y) + bits.width);
  return words;
}

// A few well-formed colours, so that regions of equal and near colours
// form; some transparent and translucent.
void FillPatches(const PixelBitmap& bits, uint32_t seed) {
  std::mt19937 random(seed);
  const uint32_t palette[] = {Rgba(0xC8B496FF), Rgba(0xCBB093FF), Rgba(0xC4B899FF), Rgba(0x101010FF),
                              Rgba(0x00000000), Rgba(0x40302080), Rgba(0x42322080), Rgba(0xFFFFFFFF)};
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) {
      // Mostly the first three, near each other, so that regions are large.
      const uint32_t pick = random() % 16;
      *bits.pixelAt(x, y) = palette[pick < 10 ? pick % 3 : pick - 8];
    }
}

std::unique_ptr<CSPixmap> PatchedPixmap(int width, int height, uint32_t seed) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  EXPECT_TRUE(pixmap);
  if (pixmap) FillPatches(pixmap->bitmap(), seed);
  return pixmap;
}

// ---- Flood ----

struct FloodResult {
  Words pixels;
  bool changed = false;
  bool alphaChanged = false;
  bool operator==(const FloodResult&) const = default;
};

// The fill as its rules read: a breadth-first walk from the seed over the
// 4-connected pixels that match the target, each tested once and painted
// by the mode.
FloodResult ReferenceFlood(Words pixels, int width, int height, uint32_t target, uint32_t replacement, int tolerance,
                           int seedX, int seedY, PixmapMode mode) {
  FloodResult result;
  const uint32_t targetAlpha = AlphaFromKolor(KolorFromPixel(target));
  const uint32_t replacementAlpha = AlphaFromKolor(KolorFromPixel(replacement));
  auto at = [&](int x, int y) -> uint32_t& { return pixels[size_t(y) * size_t(width) + size_t(x)]; };
  // Paints one pixel of the region; `counts` is false for a passable one.
  auto paint = [&](uint32_t& pixel, bool counts) {
    if (mode == kPixmapModeMask) {
      if (ChangePixelAlpha(&pixel, replacementAlpha)) result.changed = result.alphaChanged = true;
    } else if (mode == kPixmapModeKeepAlpha) {
      uint32_t next = replacement;
      ChangePixelAlpha(&next, PixelAlpha(pixel));
      if (pixel != replacement && next != pixel) {
        pixel = next;
        result.changed = true;
      }
    } else {
      if (PixelAlpha(pixel) != PixelAlpha(replacement)) result.alphaChanged = true;
      if (counts && pixel != replacement) result.changed = true;
      pixel = replacement;
    }
  };
  auto matches = [&](uint32_t pixel) {
    if (mode == kPixmapModeMask) {
      const uint32_t alpha = PixelAlpha(pixel);
      return alpha <= targetAlpha && int64_t(targetAlpha - alpha) * 100 / 255 <= tolerance ? 1 : 0;
    }
    return PixelMatches(pixel, target, tolerance);
  };
  std::vector<bool> visited(pixels.size());
  std::queue<std::pair<int, int>> queue;
  paint(at(seedX, seedY), true);
  visited[size_t(seedY) * size_t(width) + size_t(seedX)] = true;
  queue.push({seedX, seedY});
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop();
    const std::pair<int, int> next[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& [nx, ny] : next) {
      if (nx < 0 || ny < 0 || nx >= width || ny >= height || visited[size_t(ny) * size_t(width) + size_t(nx)]) continue;
      visited[size_t(ny) * size_t(width) + size_t(nx)] = true;
      const int match = matches(at(nx, ny));
      if (match == 0) continue;
      paint(at(nx, ny), match == 1);
      queue.push({nx, ny});
    }
  }
  result.pixels = std::move(pixels);
  return result;
}

TEST(PixelLoopsTest, FloodFillsWhatTheRulesSayAcrossBlockEdgesInEveryMode) {
  const struct {
    int width, height;
  } sizes[] = {{1, 40}, {63, 9}, {64, 8}, {65, 30}, {130, 70}, {257, 33}};
  const struct {
    PixmapMode mode;
    int tolerance;
    uint32_t replacement;
  } fills[] = {
      {kPixmapModeColor, 0, Rgba(0x1E78DCFF)},   {kPixmapModeColor, 16, Rgba(0x1E78DCFF)},
      {kPixmapModeColor, -1, Rgba(0x1E78DC80)},  {kPixmapModeColor, 600, Rgba(0xC8B496FF)},
      {kPixmapModeKeepAlpha, 16, Rgba(0x1E78DCFF)}, {kPixmapModeMask, 40, Rgba(0x000000FF)},
      {kPixmapModeMask, 0, Rgba(0x808080FF)},
  };
  uint32_t seed = 3;
  for (const auto& size : sizes)
    for (const auto& fill : fills) {
      for (int trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height << ", mode " << fill.mode
                                          << ", tolerance " << fill.tolerance << ", trial " << trial);
        TestBitmap bitmap(size.width, size.height);
        FillPatches(bitmap.bits(), seed++);
        std::mt19937 random(seed);
        const int x = int(random() % uint32_t(size.width)), y = int(random() % uint32_t(size.height));
        const uint32_t target = fill.mode == kPixmapModeMask ? PixelFromAlpha(PixelAlpha(bitmap.at(x, y))) : bitmap.at(x, y);
        const FloodResult expected = ReferenceFlood(WordsOf(bitmap.bits()), size.width, size.height, target,
                                                    fill.replacement, fill.tolerance, x, y, fill.mode);
        FloodResult actual;
        actual.changed = FloodBitmap(bitmap.bits(), target, fill.replacement, fill.tolerance, x, y, fill.mode, nullptr,
                                     &actual.alphaChanged);
        actual.pixels = WordsOf(bitmap.bits());
        ASSERT_EQ(actual, expected);
      }
    }
}

// ---- Masks ----

// The converted mask as defined: 0 where transparent, the interior word
// where the pixel and its four neighbours inside the picture are not, the
// edge word elsewhere.
Words ReferenceMask(const PixelBitmap& bits) {
  const int w = bits.width, h = bits.height;
  auto visible = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && PixelAlpha(*bits.pixelAt(x, y)) != 0; };
  Words mask;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!visible(x, y))
        mask.push_back(0);
      else if (x > 0 && y > 0 && x + 1 < w && y + 1 < h && visible(x - 1, y) && visible(x + 1, y) &&
               visible(x, y - 1) && visible(x, y + 1))
        mask.push_back(kOpaqueWhitePixel);
      else
        mask.push_back(kOpaqueBlackPixel);
    }
  return mask;
}

TEST(PixelLoopsTest, MasksMadeInPartsAndInPlaceEqualTheDefinition) {
  const struct {
    int width, height;
  } sizes[] = {{1, 300}, {2, 2}, {5, 1}, {6, 700}, {333, 517}, {1024, 300}};
  uint32_t seed = 90;
  for (const auto& size : sizes) {
    SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height);
    auto pixmap = PatchedPixmap(size.width, size.height, seed++);
    ASSERT_TRUE(pixmap);
    const Words expected = ReferenceMask(pixmap->bitmap());
    auto mask = pixmap->createMaskPixmap();
    ASSERT_TRUE(mask);
    EXPECT_EQ(WordsOf(mask->bitmap()), expected);
    pixmap->convertToMask();
    EXPECT_EQ(WordsOf(pixmap->bitmap()), expected);
  }
}

// ---- Zoomed pictures ----

TEST(PixelLoopsTest, ZoomedPicturesEqualEnlargedDisplayPixels) {
  auto source = PatchedPixmap(301, 257, 17);
  ASSERT_TRUE(source);
  const QRect rects[] = {QRect(0, 0, 301, 257), QRect(3, 5, 97, 200), QRect(300, 256, 1, 1)};
  for (const QRect& rect : rects)
    for (const PixmapDisplay display : {kPixmapDisplayNormal, kPixmapDisplayAlpha, kPixmapDisplayOpaque})
      for (const int zoom : {1, 2, 3, 7})
        for (const bool grid : {false, true}) {
          SCOPED_TRACE(::testing::Message() << rect.width() << " x " << rect.height() << ", display " << display
                                            << ", zoom " << zoom << (grid ? ", grid" : ""));
          auto picture = source->createPixmapForRect(rect, display, zoom, grid);
          ASSERT_TRUE(picture);
          TestBitmap expected(rect.width() * zoom, rect.height() * zoom);
          for (int y = 0; y < rect.height(); ++y)
            for (int x = 0; x < rect.width(); ++x)
              ZoomPixel(PixelForDisplayMode(*source->bitmap().pixelAt(rect.x() + x, rect.y() + y), display), zoom,
                        grid, expected.bits().pixelAt(x * zoom, y * zoom), expected.bits().bytesPerRow);
          ASSERT_EQ(WordsOf(picture->bitmap()), WordsOf(expected.bits()));
        }
}

// ---- Flips and turns ----

TEST(PixelLoopsTest, TurnsAndFlipsMoveEveryPixelWhereItBelongs) {
  const struct {
    int width, height;
  } sizes[] = {{1, 1}, {1, 37}, {37, 1}, {4, 16}, {17, 33}, {64, 48}, {130, 67}};
  uint32_t seed = 5;
  for (const auto& size : sizes) {
    SCOPED_TRACE(::testing::Message() << size.width << " x " << size.height);
    auto pixmap = PatchedPixmap(size.width, size.height, seed++);
    ASSERT_TRUE(pixmap);
    const int w = size.width, h = size.height;
    const Words before = WordsOf(pixmap->bitmap());
    auto original = [&](int x, int y) { return before[size_t(y) * size_t(w) + size_t(x)]; };
    for (const int degrees : {90, 270}) {
      std::unique_ptr<CSPixmap> turned;
      ASSERT_NE(pixmap->rotate(degrees, &turned), nullptr);
      ASSERT_EQ(turned->width(), h);
      ASSERT_EQ(turned->height(), w);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint32_t moved = degrees == 90 ? *turned->bitmap().pixelAt(h - 1 - y, x)
                                               : *turned->bitmap().pixelAt(y, w - 1 - x);
          ASSERT_EQ(moved, original(x, y)) << degrees << " at " << x << "," << y;
        }
    }
    auto expectEach = [&](auto source, const char* what) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(*pixmap->bitmap().pixelAt(x, y), source(x, y)) << what << " at " << x << "," << y;
    };
    pixmap->rotate(180, nullptr);
    expectEach([&](int x, int y) { return original(w - 1 - x, h - 1 - y); }, "180");
    pixmap->flipHorizontal();
    expectEach([&](int x, int y) { return original(x, h - 1 - y); }, "180 then mirrored");
    pixmap->flipVertical();
    expectEach(original, "back");
  }
}

}  // namespace

// ---- Recycled memory ----

// The memory of a freed large pixmap is handed to the next of its size: no
// pixmap may show what the last one held, whether it is cleared (a new
// blank pixmap) or written whole (copies, masks, zoomed and turned
// pictures).
TEST(PixelLoopsTest, RecycledMemoryNeverShowsTheLastPixmapsPixels) {
  constexpr int kSide = 1024;  // 4 MB, large enough to be kept for reuse
  auto source = PatchedPixmap(kSide, kSide, 41);
  ASSERT_TRUE(source);
  const Words sourceWords = WordsOf(source->bitmap());
  auto half = PatchedPixmap(kSide / 2, kSide / 2, 42);
  ASSERT_TRUE(half);
  // Frees a pixmap of the size whose every pixel is a word no producer
  // below would write.
  auto dropGarbage = [] {
    auto garbage = CSPixmap::initWithSize(QSizeF(kSide, kSide));
    ASSERT_TRUE(garbage);
    const PixelBitmap bits = garbage->bitmap();
    for (int y = 0; y < bits.height; ++y) std::fill_n(bits.row(y), bits.width, Rgba(0x5A17E3C9));
  };
  const struct {
    const char* name;
    std::function<std::unique_ptr<CSPixmap>()> make;
    Words expected;
  } rows[] = {
      {"blank", [] { return CSPixmap::initWithSize(QSizeF(kSide, kSide)); },
       Words(size_t(kSide) * kSide, kTransparentPixel)},
      {"copy", [&] { return source->copy(); }, sourceWords},
      {"mask", [&] { return source->createMaskPixmap(); }, ReferenceMask(source->bitmap())},
      {"zoomed", [&] { return half->createPixmapForRect(QRect(0, 0, kSide / 2, kSide / 2), kPixmapDisplayNormal, 2, false); },
       [&] {
         TestBitmap expected(kSide, kSide);
         for (int y = 0; y < kSide / 2; ++y)
           for (int x = 0; x < kSide / 2; ++x)
             ZoomPixel(*half->bitmap().pixelAt(x, y), 2, false, expected.bits().pixelAt(x * 2, y * 2),
                       expected.bits().bytesPerRow);
         return WordsOf(expected.bits());
       }()},
      {"turned", [&] {
         std::unique_ptr<CSPixmap> turned;
         source->rotate(90, &turned);
         return turned;
       },
       [&] {
         Words turned(sourceWords.size());
         for (int y = 0; y < kSide; ++y)
           for (int x = 0; x < kSide; ++x)
             turned[size_t(x) * kSide + size_t(kSide - 1 - y)] = sourceWords[size_t(y) * kSide + size_t(x)];
         return turned;
       }()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (int round = 0; round < 2; ++round) {
      dropGarbage();
      auto made = row.make();
      ASSERT_TRUE(made);
      ASSERT_EQ(WordsOf(made->bitmap()), row.expected);
    }
  }
}
