#pragma once
// The application's own clipboard data: the element records of
// "twdraw.elements" (one XML document per copied element, in drawing order)
// and the painting map of "twdraw.images" (painting GUID -> TIFF data), and
// the reading of both back into elements ready to be placed in a drawing.
//
// Each type's data is a small binary frame around its entries, so that only
// the element records themselves reach the XML reader:
//   "twdraw.elements": "TWRECS1\n", a count, then per record its byte length
//                      and UTF-8 text;
//   "twdraw.images":   "TWIMGS1\n", a count, then per painting the byte
//                      length and UTF-8 text of its GUID and the byte
//                      length and bytes of its TIFF data.
// Counts and lengths are unsigned 32-bit big-endian numbers.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

#include "model/DRElementGroup.h"
#include "support/Measure.h"

class DRDrawing;
class DRElement;

extern const QString g_elementsUti;  // "twdraw.elements"
extern const QString g_imagesUti;    // "twdraw.images"

// What a reader accepts. A record list longer than this is not read at all;
// a record larger than its cap is skipped; an image map larger than its cap
// is not read at all (its bitmaps then have no pictures).
constexpr qsizetype kMaxClipboardRecords = 100000;
constexpr qsizetype kMaxClipboardRecordBytes = qsizetype(16) * 1024 * 1024;
constexpr qint64 kMaxClipboardImageBytes = qint64(1024) * 1024 * 1024;

using DRClipboardImages = QHash<QString, QByteArray>;

// The record of one element: the XML declaration, then "element" enclosing
// what the element writes of itself.
QString ClipboardRecordForElement(const DRElement& element);

// The frames of the two types.
QByteArray EncodeClipboardRecords(const QStringList& records);
// nullopt when the data is not a record list (wrong frame, a count above
// kMaxClipboardRecords, cut short); records above kMaxClipboardRecordBytes
// are left out.
std::optional<QStringList> DecodeClipboardRecords(const QByteArray& data);
QByteArray EncodeClipboardImages(const DRClipboardImages& images);
// An empty map for data that is not an image map or holds more than
// kMaxClipboardImageBytes of images.
DRClipboardImages DecodeClipboardImages(const QByteArray& data);

// The own types' data for the elements: their records, and the TIFF data of
// each painting they show (each GUID once; a GUID the drawing has no
// painting of is left out). `images` stays empty when no element shows a
// painting.
void WriteClipboardElements(std::span<DRElement* const> elements, DRDrawing* drawing, QByteArray* records,
                            QByteArray* images);

// One record read back: null when its first tag is not "element" or no
// element can be made of it.
std::unique_ptr<DRElement> ElementFromClipboardRecord(const QString& record, DRDrawing* drawing);

// Gives the pasted element at `index` of `list` (and, in a group, each of
// its members) its picture: a painting of the drawing with the same GUID
// that has pixels, else the image map's data. A bitmap that gets one takes
// a fresh GUID and a painting of its own under a further fresh GUID; one
// that gets none is removed from its list, and so is a group left empty.
// Answers false when the element at `index` was removed.
bool PreparePastedBitmap(DRDrawing* drawing, DRElementList& list, size_t index, const DRClipboardImages& images);

// The elements of the own types, read and prepared for the drawing, and the
// union of the frames of every element the records gave (before any was
// dropped for a missing picture).
struct DRPastedElements {
  DRElementList elements;
  CSRect enclosingRect;
};
// nullopt when the records are not a record list; otherwise the elements
// (possibly none).
std::optional<DRPastedElements> ReadClipboardElements(const QByteArray& records, const QByteArray& images,
                                                      DRDrawing* drawing);
