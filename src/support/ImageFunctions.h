#pragma once
// The plain functions around CSImage: drawing into an image off-screen (a
// painter on a bitmap of its size, and the per-thread focus lock that makes
// such a painter the current graphics context), named images from the
// application's resources with the cursors and template images made from
// them, and images from picture clippings.

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "support/CSImage.h"

// ---- Drawing into an image -------------------------------------------------------

// A painter that owns the bitmap it draws on. The painter has no transform:
// Qt's own co-ordinates, origin at the top left (not flipped); code that
// draws y-up flips it itself (FlipContext).
class ImageGraphicsContext {
 public:
  // Takes a bitmap that must not be null.
  explicit ImageGraphicsContext(QImage bitmap);
  ImageGraphicsContext(const ImageGraphicsContext&) = delete;
  ImageGraphicsContext& operator=(const ImageGraphicsContext&) = delete;

  QPainter* painter() { return &m_painter; }
  bool isActive() const { return m_painter.isActive(); }
  // Ends painting (once) and answers the pixels drawn.
  QImage finish();

 private:
  QImage m_bitmap;  // before the painter: it is the painter's device
  QPainter m_painter;
};

// A painter on a new transparent bitmap of the image's size in whole pixels
// (sides rounded up; CreateQuartzBitmap), or null for a nil or empty image
// or a bitmap that cannot be made.
std::unique_ptr<ImageGraphicsContext> GraphicsContextForImage(const CSImage& image);

// Until the unlock, the image's pixels are drawn through a painter that is
// the current graphics context (CurrentQuartzContext); the unlock writes
// what was drawn back into the image, which then has one bitmap
// representation of its size. The lock belongs to the thread (the first
// byte of GetCSThreadStorage is its flag) and does not nest: a second lock
// on the same thread fails, leaving the first in place. The image must
// outlive its lock. False for a nil image or when the painter cannot be
// made; other failures are logged as "Image lock failed".
bool LockImageFocus(CSImage* image);
// Nothing without a lock on this thread. Unlocking an image other than the
// locked one ends the lock but writes into neither.
void UnlockImageFocus(CSImage* image);
// A focus-locked copy of the image (the image is left alone), or null;
// UnlockImageFocusCopy unlocks and discards it.
std::unique_ptr<CSImage> LockImageFocusCopy(const CSImage& image);
void UnlockImageFocusCopy(std::unique_ptr<CSImage> copy);
bool IsImageFocusLocked();  // on the calling thread

// ---- Named images, cursors and template images ---------------------------------

// An image is named by its file's base name: "<name>.png" in the compiled-in
// resource folder ":/images", else in the folders of the "images" search
// prefix (QDir::addSearchPath("images", folder)), in the order they were
// added. Template images loaded with LoadTemplateImages come first.
CSImage ImageNamed(const QString& name);

// A cursor showing the named image at its size in points with the hot spot
// given (clamped into the image); nothing when there is no such image or no
// GUI application.
std::optional<QCursor> CreateCursorFromImage(const QString& name, int hotX, int hotY);

// Loads the named images as template images (drawn in the text colour, see
// InvertTemplateImage) and keeps them for the run; names without an image
// are skipped. Answers how many were loaded.
int LoadTemplateImages(const QStringList& names);
bool IsTemplateImage(const QString& name);

// The named images in order; a name without an image gives the stop image
// (StopProgressTemplateImage) in its place.
QList<CSImage> ImagesFromNames(const QStringList& names);
// A small cross, black on transparent, 14 x 14 points: the stand-in for an
// image that is missing.
CSImage StopProgressTemplateImage();

// An image of the same size filled with the text colour of the application's
// palette where the image is opaque (the image drawn destination-in), made
// once per image and kept for the run, keyed by the image's first
// representation (a later palette change does not remake it); the image
// itself when it cannot be drawn. It does not take the focus lock, so it
// may be called while one is held.
CSImage InvertTemplateImage(const CSImage& image);

// ---- Clippings ---------------------------------------------------------------------

// The picture of a clipping file: the last 'TIFF' resource of its resource
// fork, else (also when that does not load) the last 'PICT' resource, loaded
// as an image from its bytes. Nil when there is neither or neither loads.
CSImage CreateImageFromClipping(const QString& path);
