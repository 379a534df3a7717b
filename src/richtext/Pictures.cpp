#include "richtext/Pictures.h"

#include <new>

#include "support/Categories.h"
#include "support/DynamicArrays.h"

namespace {

void FreeEntry(PictureEntry* entry) {
  delete entry->image;
  delete entry->fileName;
  delete entry->name;
  for (CSArray*& array : entry->arrays) {
    FreeDynamicArray(array);
    array = nullptr;
  }
  *entry = PictureEntry{};
}

// Appends the entry, whose objects the table then owns; on failure they
// are freed.
uint32_t AppendEntry(CorvaneDoc* doc, PictureEntry* entry) {
  const bool made = entry->image && entry->fileName && entry->name;
  const uint32_t index = made ? AppendToDynamicArray(doc->pictures, entry) : kDynamicArrayNotFound;
  if (index == kDynamicArrayNotFound) {
    FreeEntry(entry);
    return kNoCpValue;
  }
  return index;
}

}  // namespace

uint32_t PictureCount(CorvaneDoc* doc) {
  return doc ? SizeOfDynamicArray(doc->pictures) : 0;
}

PictureEntry* PictureAtIndex(CorvaneDoc* doc, uint32_t index) {
  if (index >= PictureCount(doc)) return nullptr;
  return static_cast<PictureEntry*>(DynamicArrayEntry(doc->pictures, index));
}

uint32_t StorePicture(CorvaneDoc* doc, const CSImage& image, const QString* name) {
  if (!doc) return kNoCpValue;
  const bool given = name && !name->isEmpty();
  PictureEntry entry;
  entry.image = new (std::nothrow) CSImage(image);
  entry.fileName = new (std::nothrow) QString();
  entry.name = new (std::nothrow) QString(given ? *name : GuidString());
  entry.nameGiven = given ? 1 : 0;
  return AppendEntry(doc, &entry);
}

uint32_t CopyPictureInfo(CorvaneDoc* target, CorvaneDoc* source, uint32_t index) {
  const PictureEntry* from = PictureAtIndex(source, index);
  if (!target || !from) return kNoCpValue;
  PictureEntry entry;
  entry.image = new (std::nothrow) CSImage(from->image ? *from->image : CSImage());
  entry.fileName = new (std::nothrow) QString(from->fileName ? *from->fileName : QString());
  entry.name = new (std::nothrow) QString(from->name ? *from->name : QString());
  entry.nameGiven = from->nameGiven;
  for (int i = 0; i < 2; ++i) {
    if (!from->arrays[i]) continue;
    entry.arrays[i] = CopyDynamicArray(from->arrays[i]);
    if (!entry.arrays[i]) {
      FreeEntry(&entry);
      return kNoCpValue;
    }
  }
  return AppendEntry(target, &entry);
}

uint32_t PictureIndexForClipboard(CorvaneDoc* doc) {
  CorvaneDoc* clipboard = g_clipboardDoc;
  if (!doc || !clipboard || clipboard == doc) return kNoCpValue;
  if (clipboard->clipboardKind != 1 && clipboard->clipboardKind != 2) return kNoCpValue;
  const PictureEntry* first = PictureAtIndex(clipboard, 0);
  if (!first || !first->image) return kNoCpValue;
  const QString* name = first->nameGiven && first->name ? first->name : nullptr;
  return StorePicture(doc, *first->image, name);
}

void FreePictures(CorvaneDoc* doc) {
  for (uint32_t i = PictureCount(doc); i-- > 0;) FreeEntry(PictureAtIndex(doc, i));
  if (doc) ClearDynamicArray(doc->pictures);
}
