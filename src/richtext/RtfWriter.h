#pragma once
// The RTF writer: a range of a document as RTF text in the engine's dialect
// (RtfDialect.h): the generator, font, colour and style tables, the
// document's settings, then the text paragraph by paragraph with its
// sections, links, tables, tags, checkboxes and pictures.

#include <QString>
#include <cstdint>

struct DocRange;

enum RtfWriterFlags : uint32_t {
  kRtfClipboardMode = 1,       // no document settings, no section headings
  kRtfPicturesByReference = 2, // pictures with a file written as references to it
  kRtfSingleStyle = 4,         // only "Normal" in the style sheet, no style words in the text
  kRtfPlainRows = 8,           // rows without alignment, edge, height or gap
};

// The range as RTF. With a picture folder, each picture is copied into it
// once (as "Picture1", "Picture2", ... with the file's extension) and
// referred to by name; without one, pictures are written as hex data.
QString ExportRtf(const DocRange& range, const QString& pictureFolder, uint32_t flags);

// Text escaped as the writer escapes it inside names and destinations:
// braces and backslashes behind a backslash, ";" and control characters as
// hex escapes, units from 0x80 as Unicode escapes.
QString RtfEscapedName(QStringView text);
// A link address for a field instruction: escaped like a name, with a
// double quote written as "%22".
QString RtfEscapedAddress(QStringView text);
