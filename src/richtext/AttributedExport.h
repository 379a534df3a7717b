#pragma once
// A stretch of a document as Qt's styled text: a QTextDocument holding the
// text with its fonts, colours, paragraph formats, lists, tables and links,
// so that Qt's HTML writer can serve the pasteboard. Output only: nothing
// reads such a document back into the engine.

#include <QColor>
#include <QString>
#include <QTextCharFormat>
#include <QTextListFormat>
#include <cstdint>
#include <memory>
#include <optional>

#include "richtext/CorvaneDoc.h"

class QTextDocument;

// A table cell's row height in points, kept on the cell's format (Qt's cells
// have no height of their own): the minimum, and the maximum when the row
// height is exact.
constexpr int kCellMinimumHeightProperty = QTextFormat::UserProperty + 0x6701;
constexpr int kCellMaximumHeightProperty = QTextFormat::UserProperty + 0x6702;
// A text list's marker format ("{disc}", "({upper-roman})", ...).
constexpr int kListMarkerFormatProperty = QTextFormat::UserProperty + 0x6703;

// The document's page settings in points, for a caller that asks for them.
struct AttributedDocumentAttributes {
  double leftMargin = 0;
  double rightMargin = 0;
  double topMargin = 0;
  double bottomMargin = 0;
  double defaultTabInterval = 0;
  std::optional<QColor> background;  // only when the document's is visible
};

// The stretch [first, limit) with fonts at `fontScale` times their size.
// Null only when no document could be made; a conversion that fails half
// way is logged as "Export failed" and answers what was built.
std::unique_ptr<QTextDocument> ExportAttributedText(CorvaneDoc* doc, uint32_t first, uint32_t limit,
                                                    AttributedDocumentAttributes* documentAttributes, double fontScale);

// The underline Qt draws for an engine underline kind: 0 none; 1 (single),
// 2 (words only) and kinds past 6 single; 4 dotted; 5 dashed. Qt draws no
// double or thick underline: 3 and 6 are single.
QTextCharFormat::UnderlineStyle UnderlineMaskForType(uint32_t underlineKind);

// The marker format of one list level: "%C{name}%C" for a numbered level
// (its prefix and suffix characters around the number format's name), "{box}"
// for a checkbox level, a named bullet or the character itself for a
// character level, "{disc}" otherwise.
QString TextListMarkerFormat(const ListMarker& marker);

// The Qt list style of a marker format's name, or ListStyleUndefined for the
// names Qt has no style for (their markers are written as text).
QTextListFormat::Style TextListStyleForFormat(const QString& format);
