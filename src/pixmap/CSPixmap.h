#pragma once
// The editable pixel map behind every painting: one premultiplied ARGB bitmap
// whose memory the pixmap owns, an editing mode, a cached answer to whether
// any pixel is transparent, and the scratch buffers of a running blur or
// smudge stroke. Pixels are edited in place; images are made only on request
// and are always copies, so nothing outside holds the pixmap's memory.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <cstdint>
#include <memory>

#include "pixmap/PixelFunctions.h"
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

 private:
  // A bitmap from CreateQuartzBitmap over memory this pixmap owns. Its image
  // never leaves the pixmap, so the memory is never shared and is freed
  // after the image is dropped.
  struct OwnedBitmap {
    QImage image;
    uint8_t* memory = nullptr;

    OwnedBitmap() = default;
    ~OwnedBitmap() { release(); }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;

    bool make(int width, int height);  // false, and empty, when refused
    void release();
    PixelBitmap pixels() const;
  };

  CSPixmap() = default;
  // A transparent pixmap of that many pixels, or null (caps included).
  static std::unique_ptr<CSPixmap> create(int width, int height);
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
