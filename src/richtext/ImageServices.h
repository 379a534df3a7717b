#pragma once
// The pictures of a rich-text document through plain functions: loading,
// measuring, drawing, comparing, encoding for export and saving. Images are
// CSImage objects that the picture table owns; a null image is a missing
// picture, measured 32 x 32 and drawn as the "MissingImage" resource.
// Main thread only.

#include <QByteArray>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "support/CSError.h"

class CSImage;
struct PictureEntry;

// Registers the engine's image resources; the application and tests call it
// once before drawing pictures.
void SetupRichTextResources();

// A new image from encoded data; null when the data is not an image.
CSImage* CreateImageFromData(const QByteArray& data);
// A new image from the file at *path, its size read at once. Null, after
// logging "Failed to load image %@ at "%@"" with the label and the path,
// when there is no path or the file is not an image.
CSImage* CreateImageFromFile(const QString* path, const QString& label = QString());
// Trims blanks and tabs from both ends of *path (stored back), then loads it.
CSImage* CreateImageFromFileInRTF(QString* path);
// The image's size in points; 32 x 32 for a null image.
QSizeF GetPictureSize(const CSImage* image);
// Draws the image upright, scaled into the rectangle at the opacity
// fraction; a null image draws the "MissingImage" resource.
void DrawPicture(const CSImage* image, const QRectF& rect, float fraction);
// The picture encoded for export: the file's own bytes for a PNG or JPEG
// file (by extension, and checked to hold that format), else fresh PNG data.
// *isPng is 1 for PNG, 0 for JPEG. Empty without an image or when encoding
// fails.
QByteArray DataForImage(const PictureEntry* picture, int* isPng);
// Writes the picture into the folder under *name (the final file name is
// stored back): TIFF files as JPEG with convertTiff, other files copied
// with their own extension, anything else saved afresh. True also when the
// picture has no image; false with the save's error.
bool SavePicture(const PictureEntry* picture, const QString& folder, bool convertTiff, QString* name,
                 CSError* error);
// Whether the two images hold the same pixels (the same object, or both
// null, is equal; one null is not). Images of more than one representation
// are never equal.
bool ArePicturesEqual(const CSImage* image1, const CSImage* image2);
// Whether any pixel of the image drawn at its size in points is not fully
// opaque; true for a null image or one that cannot be drawn.
bool PictureHasAlpha(const CSImage* image);
