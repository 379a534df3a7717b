#pragma once
// The two consumers of the EMF record interpreter: the importer that turns
// every reported shape, path, image and text into a drawing element, and the
// converter that measures the reports in a first pass and draws them into a
// one-page PDF in a second.

#include <QByteArray>
#include <QString>
#include <optional>

#include "model/DRElementGroup.h"
#include "support/CSImage.h"

// The elements of EMF data moved so that they start at (0, 0), or nullopt
// with the interpreter's message. Data that draws nothing gives an empty list.
std::optional<DRElementList> ElementsFromEmfData(const QByteArray& data, QString* error);

// The elements of an EMF file, or nullopt after the alert "Can't open file."
// with "I can't import the file %@. %@" (the file's name and the reason).
std::optional<DRElementList> LoadElementsFromEmfFile(const QString& path);

// A one-page PDF of the data written to a new file in the converters'
// temporary folder, loaded as an image. On success `path` receives the
// file's path and `error` is cleared; otherwise the image is null and
// `error` receives "The EMF file has no usable image data.", "I can't create
// an output PDF for the file." or the interpreter's message. The page is the
// union of what is drawn; a side beyond kMaxPdfPageSide scales the drawing
// down to fit.
CSImage CreateImageFromEmf(const QByteArray& data, QString* path, QString* error);
