#pragma once
// The plain functions under every pixel operation of the painting editor:
// the pixel word and its conversions to and from Kolor, alpha arithmetic on
// premultiplied pixels, the colour-tolerance rule, blending, the brush stamps
// and the stroke walk, the flood fill, the mask iterator, the display-mode
// conversion and the marching-ants grey. They work on raw pixel memory from
// CreateQuartzBitmap and know nothing of objects.
//
// A pixel is the bitmap's own 32-bit word, 0xAARRGGBB with the colour
// premultiplied by alpha (each component at most the alpha): 0 is fully
// transparent, 0xFFFFFFFF opaque white, 0xFF000000 opaque black. Every
// shift, mask and constant of the pixel code is stated here and nowhere else.

#include <QImage>
#include <algorithm>
#include <cstdint>

#include "support/Kolor.h"

// ---- The pixel word ---------------------------------------------------------

constexpr int kPixelAlphaShift = 24;
constexpr int kPixelRedShift = 16;
constexpr int kPixelGreenShift = 8;
constexpr int kPixelBlueShift = 0;
constexpr uint32_t kPixelAlphaMask = 0xFF000000u;
constexpr uint32_t kPixelColorMask = 0x00FFFFFFu;  // red, green and blue together

constexpr uint32_t kTransparentPixel = 0;
constexpr uint32_t kOpaqueWhitePixel = 0xFFFFFFFFu;
constexpr uint32_t kOpaqueBlackPixel = 0xFF000000u;

constexpr uint32_t PixelAlpha(uint32_t pixel) {
  return pixel >> kPixelAlphaShift;
}
constexpr uint32_t PixelRed(uint32_t pixel) {
  return (pixel >> kPixelRedShift) & 0xFF;
}
constexpr uint32_t PixelGreen(uint32_t pixel) {
  return (pixel >> kPixelGreenShift) & 0xFF;
}
constexpr uint32_t PixelBlue(uint32_t pixel) {
  return (pixel >> kPixelBlueShift) & 0xFF;
}
constexpr uint32_t MakePixel(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  return (alpha & 0xFF) << kPixelAlphaShift | (red & 0xFF) << kPixelRedShift | (green & 0xFF) << kPixelGreenShift |
         (blue & 0xFF) << kPixelBlueShift;
}

// ---- Modes and shapes -------------------------------------------------------

// How an edit treats a pixel: paint colour; edit only the alpha (a Kolor's
// grey gives it, black opaque, white transparent); paint colour keeping each
// pixel's alpha.
using PixmapMode = int32_t;
constexpr PixmapMode kPixmapModeColor = 0;
constexpr PixmapMode kPixmapModeMask = 1;
constexpr PixmapMode kPixmapModeKeepAlpha = 2;

// How the canvas shows pixels: as they are; the alpha as an opaque grey of
// level 255 - alpha; made opaque (transparent ones white).
using PixmapDisplay = int32_t;
constexpr PixmapDisplay kPixmapDisplayNormal = 0;
constexpr PixmapDisplay kPixmapDisplayAlpha = 1;
constexpr PixmapDisplay kPixmapDisplayOpaque = 2;

// How a merged bitmap's pixels meet the painting's: source over; copied,
// translucent ones too; only fully opaque ones copied. Fully transparent
// source pixels never change the painting.
using PixmapBlendMode = int32_t;
constexpr PixmapBlendMode kPixmapBlendSourceOver = 0;
constexpr PixmapBlendMode kPixmapBlendCopy = 1;
constexpr PixmapBlendMode kPixmapBlendOpaqueOnly = 2;

using BrushShape = uint32_t;
constexpr BrushShape kBrushSquare = 0;
constexpr BrushShape kBrushRound = 1;
constexpr BrushShape kBrushDiamond = 2;
constexpr BrushShape kBrushOval = 3;
constexpr BrushShape kBrushVerticalBar = 4;
constexpr BrushShape kBrushHorizontalBar = 5;
constexpr BrushShape kBrushFallingDiagonal = 6;  // top left to bottom right
constexpr BrushShape kBrushRisingDiagonal = 7;   // bottom left to top right

// The half-widths of the round and flat oval stamps by size exponent: for
// exponents 2-6 a zero-terminated list, one entry a row from the top; null
// for 0, 1 and 7. Row i of a stamp covers 2 x h(i) pixels.
extern const uint8_t* const g_roundBrushes[8];
extern const uint8_t* const g_ovalBrushes[8];

// The runs the flood keeps on its stack; more wait in its pending plane.
constexpr int kFloodStackPoints = 20000;

// ---- Raw bitmaps ------------------------------------------------------------

// Where a bitmap's pixels are: its first row, the stride between rows (at
// least 4 x width) and its size. It owns nothing; a null data pointer means
// no bitmap.
struct PixelBitmap {
  uint8_t* data = nullptr;
  int64_t bytesPerRow = 0;
  int width = 0;
  int height = 0;

  bool isNull() const { return data == nullptr; }
  uint32_t* row(int64_t y) const { return reinterpret_cast<uint32_t*>(data + y * bytesPerRow); }
  uint32_t* pixelAt(int64_t x, int64_t y) const { return row(y) + x; }
  bool contains(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// The pixels of an image the caller owns (detached first, so writes stay in
// that image); null unless the image is Format_ARGB32_Premultiplied.
PixelBitmap PixelBitmapOf(QImage& image);

// ---- Records of one stroke and one mask walk --------------------------------

// One stroke, filled by the stroke's owner and handed to every stamp.
struct BrushContext {
  uint8_t* data = nullptr;    // first byte of the bitmap's pixels
  uint32_t* pixel = nullptr;  // (x, y)'s word while a stamp runs there inside the bitmap, else null
  int64_t bytesPerRow = 0;
  int64_t x = 0;  // the stamp's centre, which may lie outside the bitmap
  int64_t y = 0;
  int64_t lastColumn = -1;  // width - 1
  int64_t lastRow = -1;     // height - 1
  uint64_t sizeExponent = 0;
  int64_t explicitSize = 0;  // a stamp size in pixels that overrides 2^n when positive
  BrushShape shape = kBrushSquare;
  uint32_t paintValue = 0;  // the pixel to paint, or in mask mode the alpha (0-255)
  uint32_t paintAlpha = 0;  // the alpha of paintValue's pixel word
  PixmapMode pixmapMode = kPixmapModeColor;
  bool changed = false;       // some pixel changed
  bool alphaChanged = false;  // some pixel may have gone from opaque to translucent or back
  PixelBitmap smudgeBuffer;   // both null for plain painting
  PixelBitmap blurBuffer;
  double strength = 0;
  uint64_t smudgeSize = 0;  // the size exponent the buffers were made for
};

// The walk over the pixels of a rectangle that a mask selects, filled by the
// mask's owner. A mask word selects when it is not 0; without a mask (null
// maskRow) every pixel of the rectangle is selected.
struct MaskIterator {
  uint8_t* rowStart = nullptr;
  uint32_t* pixel = nullptr;
  int64_t bytesPerRow = 0;
  int64_t x = 0;
  int64_t y = 0;
  int64_t firstColumn = 0;
  int64_t endColumn = 0;  // exclusive
  int64_t endRow = 0;     // exclusive
  uint8_t* maskRow = nullptr;
  uint32_t* mask = nullptr;
  int64_t maskBytesPerRow = 0;
  int64_t firstMaskColumn = 0;
  int64_t count = 0;  // selected pixels, when the owner counted them
};

// ---- Kolors and pixels ------------------------------------------------------

// An invisible Kolor gives 0; otherwise alpha = opacity x 255 / 100 and, when
// not opaque, each component c x alpha / 255 (integer divisions).
uint32_t PixelFromKolor(Kolor kolor);
// Alpha 0 gives no colour; opaque pixels their components at opacity 100;
// others c x 255 / alpha (low 8 bits) at opacity alpha x 100 / 255
// truncated, and no colour where that opacity is 0 (alpha 1 and 2).
Kolor KolorFromPixel(uint32_t pixel);
// The mask value of a Kolor, 0-255: 255 - its grey level (CIE weights for a
// colour that is not grey). The opacity is ignored.
uint32_t AlphaFromKolor(Kolor kolor);
uint32_t AlphaFromPixel(uint32_t pixel);
// The opaque grey pixel of level 255 - alpha.
constexpr uint32_t PixelFromAlpha(uint32_t alpha) {
  const uint32_t level = 255 - (alpha & 0xFF);
  return MakePixel(level, level, level, 255);
}

// Gives the pixel the alpha (above 255 counts as 255) and answers whether
// it changed: 0 makes it 0; a transparent pixel becomes white at the alpha;
// otherwise each component c becomes c x alpha / old alpha (so making a
// pixel opaque un-premultiplies it).
inline bool ChangePixelAlpha(uint32_t* pixel, uint32_t alpha) {
  if (alpha > 255) alpha = 255;
  const uint32_t p = *pixel;
  const uint32_t old = PixelAlpha(p);
  if (old == alpha) return false;
  if (alpha == 0) {
    *pixel = kTransparentPixel;
  } else if (old == 0) {
    *pixel = alpha * 0x01010101u;
  } else {
    // A well-formed pixel stays well formed; a component above its alpha is
    // kept within its byte.
    auto scale = [&](uint32_t c) { return std::min<uint32_t>(c * alpha / old, 255); };
    *pixel = MakePixel(scale(PixelRed(p)), scale(PixelGreen(p)), scale(PixelBlue(p)), alpha);
  }
  return true;
}

// Whether a pixel matches a target at a tolerance: 0 no, 1 yes, and
// kPixelPassable for a transparent pixel at a negative tolerance, which a
// flood crosses without counting it as a change. Transparent pixels match
// only each other; equal colours (alpha not compared) always match; above
// tolerance 0 each of red, green and blue may differ by (tolerance + 1) / 2.
// Components are compared as stored (premultiplied).
constexpr int kPixelPassable = 23;
inline int PixelMatches(uint32_t pixel, uint32_t target, int tolerance) {
  const uint32_t pa = PixelAlpha(pixel), ta = PixelAlpha(target);
  if (tolerance < 0 && pa == 0) return kPixelPassable;
  if (pa == 0 || ta == 0) return pa == ta ? 1 : 0;
  if (((pixel ^ target) & kPixelColorMask) == 0) return 1;
  if (tolerance < 1) return 0;
  const int d = int((int64_t(tolerance) + 1) / 2);
  auto near = [d](int a, int b) { return a - b <= d && b - a <= d; };
  return near(int(PixelRed(pixel)), int(PixelRed(target))) && near(int(PixelGreen(pixel)), int(PixelGreen(target))) &&
                 near(int(PixelBlue(pixel)), int(PixelBlue(target)))
             ? 1
             : 0;
}

// The source over the destination, channel by channel in double precision
// and truncated: out = (d / 255 x (1 - sa / 255) + s / 255) x 255.
uint32_t BlendPixels(uint32_t destination, uint32_t source);

// Exchanges the pixels at (x1, y1) and (x2, y2).
void SwapPixels(uint8_t* data, int64_t bytesPerRow, int64_t x1, int64_t y1, int64_t x2, int64_t y2);

// Fills a zoom x zoom block whose top left word is `destination`; with the
// grid, a pixel that is not fully transparent gets an opaque white last
// column and last row.
void ZoomPixel(uint32_t pixel, int64_t zoom, bool grid, uint32_t* destination, int64_t bytesPerRow);

// The pixel as the display shows it (any unknown display: unchanged).
uint32_t PixelForDisplayMode(uint32_t pixel, PixmapDisplay display);

// The marching-ants grey of a phase, pulsing over 24 phases: opaque black at
// 0, opaque white at 12, the grey of level m x 256 / 12 between, m the
// distance from phase 0.
uint32_t AntPixelColor(int64_t phase);

// ---- Brushes ----------------------------------------------------------------

// One stamp of the brush's shape centred at its x and y, clipped to the
// bitmap; x and y are unchanged afterwards. Round and oval stamps below
// exponent 2 are squares; exponent 0 is the one pixel whatever the shape.
// With a smudge buffer, the square and round shapes blur or smudge instead.
void BrushPixel(BrushContext* brush);

// A stroke between two points, one stamp per step along the longer axis
// (coordinates truncated toward zero). The ends are not clamped: a stroke
// running off the bitmap keeps its direction, and its walk is cut to the
// bitmap grown by the stamp's half size, so that only stamps that can touch
// a pixel are made.
void DrawBrushStroke(BrushContext* brush, double fromX, double fromY, double toX, double toY);
// The two walks of a sloping stroke, along x when the column span is the
// larger, else along y. The diagonal shapes fill the gaps a step of both
// coordinates would leave.
void InterpolateX(BrushContext* brush, int64_t fromX, int64_t fromY, int64_t toX, int64_t toY);
void InterpolateY(BrushContext* brush, int64_t fromX, int64_t fromY, int64_t toX, int64_t toY);

// ---- Flood fill and masks ---------------------------------------------------

// Fills the 4-connected region around (x, y) whose pixels match the target
// (the seed's pixel, in mask mode its grey form) with the replacement, by the
// mode; answers whether a pixel changed, and through `alphaChanged` whether
// a pixel's opacity may have changed. Its memory is bounded: two bit planes
// and a stack of kFloodStackPoints runs. In colour mode with a `second`
// bitmap of the same size, the region is written there instead (the seed to
// both). NO, with nothing painted, for a seed outside the bitmap or when the
// memory cannot be had.
bool FloodBitmap(const PixelBitmap& bitmap, uint32_t target, uint32_t replacement, int tolerance, int64_t x, int64_t y,
                 PixmapMode mode, const PixelBitmap* second, bool* alphaChanged);

// The next pixel the mask selects, or null at the end; the pixel's column is
// one less than the iterator's x afterwards.
uint32_t* NextMaskedPixel(MaskIterator* iterator);
