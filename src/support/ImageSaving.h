#pragma once
// Writes an image as HEIC, JPEG, PDF, PNG or TIFF, to a file or into memory,
// at a requested pixel size and quality. A file is written beside its target
// and renamed into place, so a failed save never loses the file it replaces.

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include "support/CSError.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"

// The code every image-saving error carries, in the OSStatus domain; its
// failure reason is "The image cannot be saved to \"<path>\"." or "...to the
// requested format."
constexpr int kImageSaveErrorCode = -50;

// Saves the image and answers the path actually written (its extension set
// by the format, made unique with `uniqueName`), or an empty string. A zero
// width or height means the image's own size (pixels; points for PDF).
// Quality 0-1 for JPEG and HEIC; for TIFF 1.0 or more asks for LZW. Format 0
// picks PNG or JPEG by alpha (and the path's extension). A nil image fails
// without an error.
QString SaveImage(const CSImage& image, const QString& path, ImageFormat format, bool uniqueName, CSError* error,
                  double width, double height, double quality);

// The encoded bytes, or empty data.
QByteArray ImageData(const CSImage& image, ImageFormat format, double width, double height, double quality);

// Writes a bitmap at its own pixel size; format 0 is refused. Succeeds only
// if the file exists afterwards.
bool SaveQuartzImage(const QImage& bitmap, const QString& path, ImageFormat format, bool uniqueName, double quality);

// The image fitted into side x side pixels (never enlarged), saved as JPEG
// to a new GUID-named ".jpg" file in the temporary folder; its path or empty.
QString ResizeImageAndSaveToJPEG(const CSImage& image, double side, double quality);

// The preview ("Preview.jpg", within 1,024 pixels) and thumbnail
// ("Thumbnail.jpg", within 512 pixels) a drawing package carries in its
// "QuickLook" folder, JPEG at quality 0.75. Answers whether both were written.
bool SaveQuicklookImage(const CSImage& image, const QString& packagePath);

// The zero size (the image's own) when both sides are within the limit;
// otherwise the size fitted proportionally into limit x limit, in whole
// pixels (zero again if a side rounds to nothing).
QSizeF LimitImageSizeForSave(double width, double height, double limit);

// The image at its own size as uncompressed TIFF data, or empty data; a
// failure with an image (one too large to draw) is logged as
// "TIFFRepresentation failed: ...".
QByteArray TiffFromImage(const CSImage& image);
