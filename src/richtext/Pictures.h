#pragma once
// The document's picture table: one entry per picture that picture knots
// (word1) refer to by index. Each entry owns its objects; images and texts
// share their data, so copying an entry between documents is cheap.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"
#include "support/CSImage.h"

class CSArray;

struct PictureEntry {
  CSImage* image = nullptr;
  QString* fileName = nullptr;  // the file name, or the path
  QString* name = nullptr;      // a GUID string, or the file's name
  CSArray* arrays[2] = {};      // owned; copied with the entry
  uint8_t nameGiven = 0;        // the name came from the caller
  uint8_t spare[15] = {};
};
static_assert(sizeof(PictureEntry) == 56, "the picture table's entry size");

uint32_t PictureCount(CorvaneDoc* doc);
// The entry at the index, or null.
PictureEntry* PictureAtIndex(CorvaneDoc* doc, uint32_t index);

// Appends an entry with the image and the name (a new GUID string when the
// name is null or empty, else marked as given). The index, or 0xFFFFFFFF.
uint32_t StorePicture(CorvaneDoc* doc, const CSImage& image, const QString* name);
// Copies the source's entry (its arrays copied too) into the target; the
// index there, or 0xFFFFFFFF.
uint32_t CopyPictureInfo(CorvaneDoc* target, CorvaneDoc* source, uint32_t index);
// When the clipboard document holds a picture (clipboard kinds 1 and 2),
// stores its first picture in the document (with its name when that was
// given) and answers the index; else 0xFFFFFFFF.
uint32_t PictureIndexForClipboard(CorvaneDoc* doc);
// Frees every entry's objects, from the last to the first, and empties the
// table; the document's destruction calls it.
void FreePictures(CorvaneDoc* doc);
