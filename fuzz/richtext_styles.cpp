// Style tables as a damaged file may leave them: any number of styles with
// any based-on and next links, cycles included. Every walk over them (an
// import, a change running down the based-on chains) ends; once the links
// that close a cycle are cut, the document is whole, and so is every
// document the styles are imported into.
#include <cstdlib>
#include <vector>

#include "RichTextFuzzSetup.h"
#include "richtext/Styles.h"

namespace {

// A link byte: 0xFF none, 0xFE a style id of a builtin, others an index
// (possibly past the table).
uint32_t LinkFromByte(uint8_t byte) {
  if (byte == 0xFF) return kStyleNone;
  if (byte == 0xFE) return kBuiltinStyleBase + 21;
  return byte;
}

void AddStyles(CorvaneDoc* doc, const uint8_t* data, size_t size) {
  constexpr uint32_t kTypes[] = {kCharProperties, kParaProperties, kListProperties, kTableProperties};
  for (size_t at = 0; at + 3 <= size && StyleCount(doc) < 200; at += 3) {
    const uint32_t type = kTypes[data[at] % 4];
    StyleEntry entry;
    entry.builtinId = data[at] >= 0xF0 ? uint32_t(data[at] & 0x0F) + 17 : kNotBuiltinStyle;
    entry.type = type;
    entry.base = LinkFromByte(data[at + 1]);
    entry.next = LinkFromByte(data[at + 2]);
    const uint32_t index = StyleCount(doc);
    Properties record;
    SetDefaultProperties(doc, type, &record);
    std::memcpy(record.body.bytes, &index, 2);  // every styled body starts with its style
    entry.props = IndexForProperties(doc, &record);
    if (type == kParaProperties) {
      Properties chars;
      SetDefaultProperties(doc, kCharProperties, &chars);
      chars.body.charProps.style = 0;
      entry.charProps = IndexForProperties(doc, &chars);
    }
    AppendToDynamicStringArray(doc->styles, QString::number(data[at] % 7), &entry);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  CorvaneDoc* before = NewCorvaneDoc(kViewDocument);
  CorvaneDoc* after = NewCorvaneDoc(kViewDocument);
  if (doc && before && after) {
    AddStyles(doc, data + 1, size - 1);
    // Before any repair the walks still end.
    ImportStyles(before, doc, nullptr);
    const uint32_t changed = data[0] % StyleCount(doc);
    Properties record, chars;
    const StyleEntry entry = StyleEntryAt(doc, changed);
    if (GetStyleProps(doc, changed, entry.type, &record, &chars)) {
      record.body.bytes[8] ^= 1;
      ChangeStyle(doc, changed, nullptr, entry.base, entry.next, &record, &chars);
    }
    CutStyleCycles(doc);
    if (!ValidateDocument(doc) || CutStyleCycles(doc) != 0) std::abort();
    std::vector<uint32_t> map;
    ImportStyles(after, doc, &map);
    if (!ValidateDocument(after)) std::abort();
    for (uint32_t index : map)
      if (index != kNoPropertyIndex && index >= StyleCount(after)) std::abort();
  }
  DestroyDocument(doc);
  DestroyDocument(before);
  DestroyDocument(after);
  return 0;
}
