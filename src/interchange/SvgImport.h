#pragma once
// The SVG reader: one pass over the file with the pull reader, one element
// (or, for path data, one per subpath) for each shape, path and text, groups
// and nested viewports flattened, definitions kept for "use", and the result
// shifted so that the drawing starts at (0, 0).

#include <QByteArray>
#include <QString>
#include <optional>

#include "model/DRElementGroup.h"
#include "support/CSXmlDecoder.h"

// Elements one file may make, "use" copies included, and its deepest
// nesting; a file beyond either is refused.
constexpr uint64_t kSvgMaxElements = 1000000;
constexpr int64_t kSvgMaxDepth = 1024;

extern const QString g_svgFormatReason;  // "I don't understand its format"

// The key table of the SVG vocabulary, made once; every SVG decoder gets it
// as its own table.
const CSXmlKeyTable& SvgKeyTable();

// The elements of the SVG text, or nullopt with the reason (no alert).
std::optional<DRElementList> ReadSvgElements(const QByteArray& data, QString* reason);
// The same for a file; the reason of a file that can't be read is the
// reader's own.
std::optional<DRElementList> ReadSvgFile(const QString& path, QString* reason);
// The file's elements, or nullopt after the alert "Can't open file." with
// "I can't open the file %@ because %@.".
std::optional<DRElementList> LoadElementsFromSvgFile(const QString& path);
