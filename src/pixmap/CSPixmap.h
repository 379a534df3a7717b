#pragma once
// The editable pixel map behind every painting: one premultiplied ARGB bitmap
// whose memory the pixmap owns, an editing mode, a cached answer to whether
// any pixel is transparent, and the scratch buffers of a running blur or
// smudge stroke. Pixels are edited in place; images are made only on request
// and are always copies, so nothing outside holds the pixmap's memory.

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QPolygonF>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <cstdint>
#include <memory>

#include "pixmap/PixelFunctions.h"
#include "support/CSArray.h"
#include "support/CSImage.h"
#include "support/Kolor.h"

// The largest pixmap: a side the platform's painters handle, and no more
// pixels than an image may have to be read back, so that a saved painting
// reopens. A larger pixmap is refused like a failed allocation.
constexpr int kMaxPixmapSide = 32767;
constexpr int64_t kMaxPixmapPixels = kDefaultImageDecodePixelLimit;

class CSPixmap {
 public:
  // Each answers null when a side is below 1 (sizes are truncated) or the
  // pixmap would exceed the caps, or the memory cannot be had.
  // A cleared, fully transparent pixmap of that many pixels.
  static std::unique_ptr<CSPixmap> initWithSize(QSizeF size);
  // The image's size, with the image drawn at the origin, source over.
  static std::unique_ptr<CSPixmap> initWithImage(const CSImage& image);
  // The bitmap's pixel size, with the bitmap drawn into the whole pixmap.
  static std::unique_ptr<CSPixmap> initWithQuartzImage(const QImage& image);

  ~CSPixmap();
  CSPixmap(const CSPixmap&) = delete;
  CSPixmap& operator=(const CSPixmap&) = delete;

  // A pixmap of the same size holding a copy of the pixels; the mode, the
  // stroke buffers and the alpha cache are not copied.
  std::unique_ptr<CSPixmap> copy() const;
  // Copies every row when the width, height and row stride equal this
  // pixmap's; otherwise does nothing.
  void copyPixelsFromBitmap(const PixelBitmap& bitmap);

  // An image of a copy of the pixels at the pixmap's size; nil when it
  // cannot be made.
  CSImage createImage() const;
  // A deep copy of the bitmap (null when memory runs out).
  QImage createCGImage() const;

  // The pixel at (x, y), in mask mode as the opaque grey of level
  // 255 - alpha; false and 0 outside.
  bool getPixelColor(uint32_t* pixel, int64_t x, int64_t y) const;
  // The Kolor at the point (truncated); no colour outside.
  Kolor kolorAtPoint(QPointF point) const;
  // Writes the Kolor's pixel at the point (truncated); outside is ignored.
  void setColor(Kolor kolor, QPointF point);

  QSizeF size() const { return QSizeF(m_width, m_height); }
  int width() const { return m_width; }
  int height() const { return m_height; }

  // Whether some pixel is not fully opaque, computed at most once per change.
  bool hasAlpha() const;
  // Records the answer, for an edit that knows it.
  void setAlpha(bool hasAlpha);
  // The pixels that are not fully transparent (all of them when none is).
  int64_t pixelCount() const;

  // The pixels in place. Writes through it are edits: they must be followed
  // by copyPixelsFromBitmap or another call that renews the alpha cache.
  PixelBitmap bitmap() const { return m_bitmap.pixels(); }
  PixmapMode pixmapMode() const { return m_pixmapMode; }
  void setPixmapMode(PixmapMode mode) { m_pixmapMode = mode; }

  // The colours shapes are filled and stroked with when drawn into the
  // bitmap: red, green and blue / 255 at opacity / 100; transparent for an
  // invisible Kolor.
  void setFillKolor(Kolor kolor) { m_fillColor = ColorFromKolor(kolor); }
  void setStrokeKolor(Kolor kolor) { m_strokeColor = ColorFromKolor(kolor); }
  QColor fillColor() const { return m_fillColor; }
  QColor strokeColor() const { return m_strokeColor; }

  // The buffers of a running blur or smudge stroke; null outside one.
  PixelBitmap smudgeBitmap() const { return m_smudgeBitmap.pixels(); }
  PixelBitmap blurBitmap() const { return m_blurBitmap.pixels(); }
  double smudgeStrength() const { return m_smudgeStrength; }
  uint64_t smudgeSize() const { return m_smudgeSize; }

  // ---- Editing ----
  // A selection mask is a pixmap placed over this one at an origin (pixel
  // coordinates, truncated); a non-zero mask word selects the pixel under
  // it, and a null mask selects every pixel.

  // A stroke of the brush from one point to the other; whether a pixel
  // changed. A negative size is a square of that many pixels; otherwise the
  // size is the exponent n of a 2^n brush, round, diamond and oval brushes
  // of size 0 and 1 being squares. During a blur or smudge stroke it blurs
  // or smudges with the round brush instead of painting. In mask mode the
  // Kolor's grey gives the alpha.
  bool drawWithBrush(BrushShape shape, int64_t size, QPointF from, QPointF to, Kolor kolor);
  // A stroke of single pixels.
  bool drawWithPencil(QPointF from, QPointF to, Kolor kolor);
  // Fills the region around the point (truncated) whose pixels match the
  // one there within the tolerance; whether a pixel changed. NO outside. In
  // colour mode with `second` (of the same size), the region is written
  // there instead, the seed into both.
  bool floodPixelsWithKolor(Kolor kolor, int tolerance, QPointF point, CSPixmap* second = nullptr);

  // Sets up the walk over the pixels the mask selects (all of them without
  // a mask), counting them into the iterator when asked; whether the
  // rectangle walked is not empty. An empty walk yields no pixel.
  bool setupMaskParams(MaskIterator* iterator, const CSPixmap* mask, QPointF origin, bool countPixels) const;
  // Every selected pixel that is neither transparent nor opaque white or
  // black becomes the grey of its colour, whatever the mode.
  void convertToGray(const CSPixmap* mask, QPointF origin);
  // The same pixels become opaque black, or opaque white.
  void convertToMonochrome(bool black, const CSPixmap* mask, QPointF origin);
  // Every selected pixel takes the Kolor by the mode: in mask mode the
  // alpha of its grey; keeping each pixel's alpha; or the Kolor's pixel.
  void fillWithKolor(Kolor kolor, const CSPixmap* mask, QPointF origin);
  // In mask mode each selected alpha a becomes 255 - a; otherwise each
  // component c of a pixel that is not transparent becomes alpha - c, which
  // is 255 - c on opaque pixels and keeps translucent ones well formed.
  void invertColors(const CSPixmap* mask, QPointF origin);
  // Steps each of red, green and blue with a non-zero count, |count| times,
  // up by 5/4 or down by 4/5 (truncating each time), never past the pixel's
  // alpha (255 when opaque); components at 0 or at the alpha stay.
  void increaseRed(int red, int green, int blue, const CSPixmap* mask, QPointF origin);

  // The notification that carries a replacement's progress, object the
  // pixmap, user information "count" (pixels done) and "total" (pixels to
  // do); a run ends with a count and total of 1.
  static QString pixmapReplaceNotification() { return QStringLiteral("twdraw.pixmapReplace"); }
  // Replaces, among the selected pixels, those that match the old Kolor's
  // pixel within the tolerance by the new one; whether any was replaced.
  bool replaceKolor(Kolor oldKolor, Kolor newKolor, int tolerance, const CSPixmap* mask, QPointF origin);
  // The distinct non-zero pixel words the mask selects, in the order first
  // met (an array of 4-byte entries); null when the mask's rectangle misses
  // the pixmap or memory runs out.
  std::unique_ptr<CSArray> createColorList(const CSPixmap* mask, QPointF origin) const;
  // Collects the colours the mask selects, then replaces every pixel of the
  // whole pixmap that matches one of them by the new Kolor; whether any was
  // replaced. NO, posting nothing, when the mask selects no colour. Runs on
  // a worker thread while nothing else touches the pixmap: see
  // replaceColors for the cancel byte and the progress reports.
  bool replaceColorsFromMask(const CSPixmap* mask, QPointF origin, Kolor kolor, int tolerance,
                             std::atomic<uint8_t>* cancelFlag);
  // Replaces each selected pixel that matches one of the `count` colours
  // (PixelMatches at the tolerance) by the new Kolor's pixel (0 for an
  // invisible Kolor); whether any was replaced. With a cancel byte, it is
  // read before every pixel and, once set, stops the run, keeping what was
  // replaced; progress is then reported at the start of each row and once
  // more, with a count and total of 1, at the end, each report posted on
  // the main thread by a queued call.
  bool replaceColors(const uint32_t* colors, uint64_t count, Kolor kolor, int tolerance, const CSPixmap* mask,
                     QPointF origin, std::atomic<uint8_t>* cancelFlag);
  // Posts the replacement notification with the information, at once, on
  // the calling thread.
  void reportReplaceProgress(const QVariantMap& info);

  // Mirror the pixels in place, left to right and top to bottom.
  void flipHorizontal();
  void flipVertical();
  // Turns the pixels clockwise: by 180 in place, answering this pixmap; by
  // 90 or 270 into a new pixmap with the sides exchanged, which goes to
  // `rotated`, and answers it. Null, with nothing changed, for any other
  // angle, without `rotated`, or when memory runs out.
  CSPixmap* rotate(int degrees, std::unique_ptr<CSPixmap>* rotated);
  // A new pixmap of the size (truncated) holding these pixels, centred or
  // at the top left. Where the new size is larger the margins are opaque
  // white, or transparent when a copied pixel is translucent.
  std::unique_ptr<CSPixmap> createPixmapForSize(QSizeF size, bool center) const;
  // The same placing the copy at the offsets, each negative for centred
  // (when the new side exceeds the old by 2 or more) or from 0.
  std::unique_ptr<CSPixmap> createPixmapForSize(QSizeF size, int64_t xOffset, int64_t yOffset) const;
  // A new pixmap of the rectangle; null when it is empty or not wholly
  // inside this pixmap.
  std::unique_ptr<CSPixmap> createCroppedPixmap(uint64_t x, uint64_t y, uint64_t width, uint64_t height) const;
  // The pixels trimmed to the box of their content (pixels that are not
  // transparent, and with `shrinkWhite` not opaque white either), whose top
  // left goes to `origin`. Null when nothing has content (origin (-1, -1))
  // or the content reaches every edge.
  std::unique_ptr<CSPixmap> createShrunkenPixmap(QPointF* origin, bool shrinkWhite) const;

  // Makes opaque white transparent: all of it, or with `interiorOpaque`
  // only white reached from outside through white or transparent pixels.
  // Whether any white pixel became transparent.
  bool addAlpha(bool interiorOpaque);
  bool addAlphaWithOpaqueInterior();
  // Makes every pixel opaque (colours un-premultiplied, transparent ones
  // white).
  void deleteAlpha();

  // Lays the bitmap over this pixmap with its top left at the origin
  // (floored), by the blend mode and this pixmap's mode; whether any source
  // pixel was applied.
  bool mergeBitmap(const PixelBitmap& source, QPointF origin, PixmapBlendMode blendMode);

  // ---- Blur and smudge ----
  // Blurs the whole pixmap (every pixel ends opaque, transparent ones
  // counting as white); false, with nothing changed, when the strength gives
  // no radius or memory runs out.
  bool blur(double strength);
  // Starts a blur stroke at a point with both coordinates 0 or more: makes
  // the two square buffers (side 2^n + 4r, plus 1 when 2^n is odd, r the
  // largest radius, but no more than 2 x (the larger side + 2^n), past
  // which no stamp reaches) and keeps the strength and the size exponent,
  // clamped to 0-6. A strength too faint for a radius still gets buffers,
  // whose stamps leave the pixels alone. Any earlier buffers are released
  // first; a negative point only releases them.
  void setBlur(QPointF point, int64_t brushSize, double strength);
  // Starts a smudge stroke likewise: a 2^n x 2^n buffer holding the pixels
  // picked up under the brush at the point. A negative point only releases
  // the buffers, which is how either stroke ends.
  void setSmudge(QPointF point, int64_t brushSize, double strength);

  // ---- Shapes, masks and ants ----
  // Shape pixmaps are drawn antialiased, top-down (row 0 on top) unless said;
  // each answers null when the pixmap cannot be made.
  // Every pixel PixelFromKolor(kolor): transparent for an invisible Kolor.
  static std::unique_ptr<CSPixmap> initWithRect(QSizeF size, Kolor kolor);
  // The ellipse inscribed in the pixmap, filled with the Kolor.
  static std::unique_ptr<CSPixmap> initWithOval(QSizeF size, Kolor kolor);
  // The segment stroked with width t = max(thickness, 0.5), butt caps, in a
  // pixmap (largest x + 2t) x (largest y + 2t) of the points made relative
  // to their minimum corner, the segment moved by (t, t). Has alpha.
  static std::unique_ptr<CSPixmap> initWithLineFrom(QPointF from, QPointF to, double thickness, Kolor kolor);
  // The path filled into a pixmap the size of its bounds, the bounds' top
  // left on the pixmap's top left. The path is moved there in place.
  static std::unique_ptr<CSPixmap> initWithBezier(QPainterPath& path, Kolor kolor);
  // The closed polygon filled into a pixmap the size of the points' bounds,
  // whose minimum corner goes to `origin`; the points are read bottom-up
  // (y = 0 is the last row). Null for fewer than 2 points.
  static std::unique_ptr<CSPixmap> initWithPolygon(const QPolygonF& points, Kolor kolor, QPointF* origin);
  // The pixels of this pixmap whose centres the path contains and that are
  // not fully transparent, in a new pixmap over the path's bounds rounded
  // out to whole pixels, whose origin goes to `origin`. Null for an empty
  // path or bounds, or when no pixel was copied.
  std::unique_ptr<CSPixmap> createPixmapForBezier(const QPainterPath& path, QPointF* origin) const;

  // A selection mask selects the pixel under each non-zero word. Converted,
  // it holds 0, opaque black on the selection's edge and opaque white inside.
  std::unique_ptr<CSPixmap> createMaskPixmap() const;
  void convertToMask();
  // Alpha 0 becomes 0; a pixel on the pixmap's border or beside (left,
  // right, above, below) a pixel of alpha 0 becomes `edge`, any other
  // `interior`. Neighbours are judged by their alpha before the rewrite.
  void colorEdgesWith(uint32_t edge, uint32_t interior);
  // Fills, with opaque black, each transparent pixel with 3 or 4 neighbours
  // (inside the pixmap) that are not; top to bottom in place, so a filled
  // pixel counts for those after it. Answers whether any was filled.
  bool smoothMask();
  // A new pixmap of the mask's size holding the pixels the mask selects with
  // its top left at `origin`; null without a mask.
  std::unique_ptr<CSPixmap> createPixmapUsingMask(const CSPixmap* mask, QPointF origin) const;
  // Sent to a pixmap of the mask's size: each source pixel the mask placed
  // at `origin` (truncated) selects is written at its place in the mask;
  // from a source in mask mode as PixelFromAlpha of its alpha.
  void copyPixelsFrom(const CSPixmap& source, const CSPixmap& mask, QPointF origin);

  // Sent to a converted mask: its marching-ants outline at the zoom, in a
  // pixmap of floor(size x zoom) plus a 2-pixel margin.
  std::unique_ptr<CSPixmap> createAntsForMaskAtZoom(double zoom, int64_t phase) const;
  // Sent to the ants pixmap: draws the outline of the converted mask in
  // AntPixelColor(phase), at the scale the two sizes give.
  void createAntsForMask(const CSPixmap& mask, int64_t phase);
  // The rectangle's pixels as the display shows them, each enlarged to a
  // z x z block, z = max(1, zoom truncated); with the grid, blocks that are
  // not transparent get a white last row and column. Null when the
  // rectangle is empty or not inside this pixmap.
  std::unique_ptr<CSPixmap> createPixmapForRect(QRect rect, PixmapDisplay display, double zoom, bool grid) const;

 private:
  // A bitmap from CreateQuartzBitmap over memory this pixmap owns. Its image
  // never leaves the pixmap, so the memory is never shared and is freed
  // after the image is dropped.
  struct OwnedBitmap {
    QImage image;
    uint8_t* memory = nullptr;
    // The pixels are all zero (transparent); false only after a make
    // that did not ask for clearing.
    bool zeroed = false;

    OwnedBitmap() = default;
    ~OwnedBitmap() { release(); }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    // False, and empty, when refused. Without `cleared` the pixels may
    // hold anything (a recycled bitmap's): for callers that write them all.
    bool make(int width, int height, bool cleared = true);
    void release();
    PixelBitmap pixels() const;
  };

  CSPixmap() = default;
  // A transparent pixmap of that many pixels, or null (caps included).
  // Without `cleared`, one whose pixels the caller writes every one of.
  static std::unique_ptr<CSPixmap> create(int width, int height, bool cleared = true);
  // Paints into the bitmap; false when no painter can be made on it.
  template <typename Draw>
  bool drawIntoBitmap(Draw draw);
  void releaseStrokeBuffers();

  OwnedBitmap m_bitmap;
  OwnedBitmap m_smudgeBitmap;  // the smudge buffer, or the blur's source scratch
  OwnedBitmap m_blurBitmap;    // the blur's destination scratch
  int m_width = 0;
  int m_height = 0;
  PixmapMode m_pixmapMode = kPixmapModeColor;
  double m_smudgeStrength = 0;
  uint64_t m_smudgeSize = 0;
  mutable bool m_alphaSet = false;  // m_hasAlpha holds a valid answer
  mutable bool m_hasAlpha = false;
  QColor m_fillColor = Qt::black;
  QColor m_strokeColor = Qt::black;
};
