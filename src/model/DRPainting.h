#pragma once
// The picture a bitmap element shows, and that a painting tab edits. A
// painting is known by its GUID: the drawing finds it by GUID, the package
// stores it as one file named by its GUID, and several bitmap elements may
// show paintings of the same GUID. The picture is held as an image for
// drawing and saving and as a pixel map for editing, each made from the
// other when first asked for. Every paint operation forwards to the pixel
// map and then marks the painting edited, which tells the painting editor.
//
// Paintings are shared between elements through std::shared_ptr; copy()
// makes an independent one (same GUID, own pixel map).

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "pixmap/CSPixmap.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class CSError;
class CSXmlDecoder;
class CSXmlEncoder;

// Posted with the painting as object after every change of its pixels.
extern const QString g_editPaintNotification;  // "twdraw.editPaint"

class DRPainting {
 public:
  // ---- Creation ----

  // Null for a null image.
  static std::shared_ptr<DRPainting> paintingFromImage(const CSImage& image);
  // A painting of a picture file of any kind the application reads
  // (QuickDraw pictures, EMF, PDF and AI through the scalable-image dialog,
  // icon families, images). Null when it cannot be read; `canceled` is set
  // when the user cancelled the size dialog.
  static std::shared_ptr<DRPainting> paintingFromFile(const QString& path, bool* canceled);
  // Reads an "image" record; the decoder is on its start tag and is left
  // after its end tag. The GUID comes from the record; the picture is not
  // loaded (the caller loads the file). Null for a malformed record and for
  // one without a GUID or whose GUID holds anything but letters, digits and
  // hyphens: the GUID names the painting's file, so a record must never
  // steer a save outside the image folder. Such an image counts as missing.
  static std::shared_ptr<DRPainting> paintingFromXml(CSXmlDecoder& decoder);

  // A new GUID, the image's size, no file.
  explicit DRPainting(const CSImage& image);
  // An empty (clear) painting of that size in points, a new GUID, no file.
  explicit DRPainting(QSizeF size);
  ~DRPainting();
  DRPainting(const DRPainting&) = delete;
  DRPainting& operator=(const DRPainting&) = delete;

  // Same GUID, path, file dimensions, flags, save format and image, and a
  // copy of the pixel map when there is one.
  std::shared_ptr<DRPainting> copy() const;

  // Equal GUIDs make equal paintings, whatever their pixels.
  bool isEqual(const DRPainting& other) const { return m_guid == other.m_guid; }

  // ---- Storage ----

  // Writes "id", "original" and "file" (the file name when saving into a
  // package, else the file path when there is one) inside the "image" tag
  // the caller opened.
  void archiveToXml(CSXmlEncoder& encoder, bool forSave) const;
  // The GUID with the extension of the file path ("png" without one, or
  // for one that is not plain letters and digits); a "jpg" or "jpeg"
  // painting with transparency becomes "png" unless its file is copied as
  // it stands.
  QString fileName();
  // Saves the picture into the folder under fileName(): an unchanged
  // painting copies its file byte for byte, any other writes its image.
  // A painting that was never loaded (its file failed to read) and was not
  // edited since is never written as the blank picture standing in for it:
  // its file is copied when it is still there (not through a link); when
  // it is gone, nothing is written and the answer is true, so that the
  // drawing still saves, the image missing as when it was opened; a copy
  // that fails answers false.
  bool saveTo(const QString& folder, CSError* error);
  // The compression to save with: 1.0 or 0.0 for TIFF files (compressed or
  // not), the JPEG quality for JPEG files of known dimensions, else -1.0.
  double fileCompression() const;
  // The image as TIFF, LZW-compressed when the preference asks for it.
  QByteArray tiffData();

  // ---- Access ----

  const QString& guid() const { return m_guid; }
  // A copy's painting is given a new GUID when an element is duplicated.
  void setGuid(const QString& guid) { m_guid = guid; }
  const QString& filePath() const { return m_filePath; }
  void setFilePath(const QString& path) { m_filePath = path; }
  // Points (pixels).
  QSizeF originalSize() const { return m_originalSize; }
  // Of the file when read or last saved; (-1, -1) when there is none.
  QSizeF fileDimensions() const { return m_fileDimensions; }
  void setFileDimensions(QSizeF size) { m_fileDimensions = size; }
  ImageFormat saveImageFormat() const { return m_saveImageFormat; }
  void setSaveImageFormat(ImageFormat format) { m_saveImageFormat = format; }
  bool inUse() const { return m_inUse; }
  void setInUse(bool inUse) { m_inUse = inUse; }
  bool edited() const { return m_edited; }
  void setEdited(bool edited) { m_edited = edited; }
  bool matchesFile() const { return m_matchesFile; }
  void setMatchesFile(bool matches) { m_matchesFile = matches; }
  // The picture could not be read from its file (set by the package reader).
  bool loadFailed() const { return m_loadFailed; }
  void setLoadFailed(bool failed) { m_loadFailed = failed; }

  // The image, made from the pixel map when needed; null when there is
  // neither.
  CSImage image();
  // Takes the image (the pixel map is made from it again when asked for).
  void setImage(const CSImage& image);
  // The pixel map, made from the image (or empty at originalSize) when
  // needed; null only when memory runs out.
  CSPixmap* pixmap();
  bool hasPixmap() const { return m_pixmap != nullptr; }
  // Takes the pixel map and its size, and marks the painting edited.
  void replacePixmap(std::unique_ptr<CSPixmap> pixmap);
  void setPixmapMode(PixmapMode mode);
  // Whether the pixels have transparency, asked of the pixel map once.
  bool hasAlpha();
  Kolor kolorAtPoint(QPointF point);

  // Draws the whole picture into the rectangle (points, flipped page) on
  // the current painter, source over at the opacity.
  void drawInRect(const QRectF& rect, double alpha);

  // Marks the pixels changed: the image is dropped, the file no longer
  // matches, the transparency is worked out again when it was known, and
  // g_editPaintNotification is posted (not again while already edited with
  // unchanged transparency).
  void setEdited();

  // ---- Paint operations ----
  // Each works on the pixel map with the tool settings and answers whether
  // it changed the picture; a change marks the painting edited.

  bool blur();
  bool crop(const QRect& rect);
  bool drawWithBrush(BrushShape brush, int64_t size, QPointF from, QPointF to, Kolor kolor);
  bool drawWithPencil(QPointF from, QPointF to, Kolor kolor);
  void startBlur(QPointF point);
  void startSmudge(QPointF point);
  bool flipHorizontal();
  bool flipVertical();
  bool floodPixelsFromPoint(QPointF point);
  bool mergeWithPixmap(const CSPixmap& pixmap, QPointF origin, PixmapBlendMode blendMode);
  // Measures; each side becomes at least one point.
  bool resizeWidth(MeasureUnit width, MeasureUnit height, bool center);
  bool rotate(int degrees);
  bool shrinkToFit();
  bool convertToGray(const CSPixmap* mask, QPointF origin);
  bool convertToMonochrome(bool black, const CSPixmap* mask, QPointF origin);
  bool fillWithColor(Kolor kolor, const CSPixmap* mask, QPointF origin);
  bool invertColors(const CSPixmap* mask, QPointF origin);
  bool replaceKolor(Kolor oldKolor, Kolor newKolor, const CSPixmap* mask, QPointF origin);
  // May run on a worker thread; `cancel` is polled.
  bool replaceColorsFromMask(const CSPixmap* mask, QPointF origin, Kolor kolor, std::atomic<uint8_t>* cancelFlag);
  bool toggleAlpha(bool interiorOpaque);

 private:
  DRPainting();
  void recomputeAlphaIfKnown();

  QString m_guid;
  CSImage m_image;
  std::unique_ptr<CSPixmap> m_pixmap;
  QString m_filePath;
  QSizeF m_originalSize;
  QSizeF m_fileDimensions{-1, -1};
  ImageFormat m_saveImageFormat = 0;
  bool m_inUse = false;
  bool m_edited = false;
  bool m_matchesFile = true;
  bool m_hasAlpha = false;
  bool m_alphaSet = false;
  bool m_loadFailed = false;
};
