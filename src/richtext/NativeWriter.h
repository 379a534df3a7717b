#pragma once
// Writes a CorvaneDoc in the engine's own forms, the inverses of the native
// reader: a package folder ("structure.xml", "format.xml", "document.txt",
// "Images") or the single V2 document. Pictures are always embedded: as
// files of the package's "Images" (PNG, or a JPEG file's own bytes) or as
// Base64 data in the V2 form. Property fields are written where they differ
// from the type's base values; fields without a tag are not kept.

#include <QString>

struct CorvaneDoc;

// Writes the package at `path` (made when missing; its members replaced).
// False with a reason when something could not be written.
bool WriteNativePackage(CorvaneDoc* doc, const QString& path, QString* reason = nullptr);
// The V2 text of the document; empty without one.
QString WriteNativeV2(CorvaneDoc* doc);
// The V2 text written to a file (replaced whole or not at all).
bool WriteNativeV2(CorvaneDoc* doc, const QString& path, QString* reason = nullptr);
