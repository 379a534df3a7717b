#include "richtext/NativeTags.h"

#include <array>
#include <string_view>

#include "richtext/Atoms.h"

namespace {

// The document tags from key 1000; empty names are unused keys.
constexpr std::array<std::string_view, 88> kDocumentTags = {
    "ascent", "base", "bin", "char", "class", "cp", "current", "div", "docprop", "draft",
    "drawsize", "dropcache", "ellist", "item", "facing", "fonts", "fpanel", "format", "frames", "frame",
    "id", "", "kink", "k0", "k1", "knots", "knot", "length", "lev", "count",
    "locked", "magic", "mark", "meta", "name", "next", "normal_chapter", "normal_frame", "normal_list", "normal_table",
    "no", "page", "panes", "pane", "para", "password", "hint", "source", "images", "plain",
    "scroll", "preview", "print", "properties", "prop", "relative", "run", "saveReceipt", "endline", "selend",
    "selframe", "selstart", "shorthand", "bounds", "marks", "showPage", "rulers", "tbounds", "spelling", "structure",
    "styles", "subver", "sys_ver", "text", "type", "corvane", "value", "ver", "", "view",
    "window", "tabs", "word", "wrapl", "wrapr", "write_ver", "zoomType", "zoom"};

static_assert(kDocumentTags.size() == kFirstFieldXmlKey - kFirstNativeTagKey);
static_assert(kDocumentTags[kTagCorvane - kFirstNativeTagKey] == "corvane" &&
              kDocumentTags[kTagZoom - kFirstNativeTagKey] == "zoom" &&
              kDocumentTags[kMarkXmlKey - kFirstNativeTagKey] == "mark" &&
              kDocumentTags[kTagKnots - kFirstNativeTagKey] == "knots" &&
              kDocumentTags[kTagShowPage - kFirstNativeTagKey] == "showPage");

struct Tables {
  CSXmlKeyTable keys;
  std::array<QString, kLastNativeTagKey - kFirstNativeTagKey + 1> tags;
};

const Tables& NativeTables() {
  static const Tables tables = [] {
    Tables made;
    for (size_t i = 0; i < kDocumentTags.size(); ++i) {
      if (kDocumentTags[i].empty()) continue;
      const QString tag = QString::fromLatin1(kDocumentTags[i].data(), qsizetype(kDocumentTags[i].size()));
      made.keys.insert(tag, int32_t(kFirstNativeTagKey + i));
      made.tags[i] = tag;
    }
    for (uint32_t key = kFirstFieldXmlKey; key <= kLastFieldXmlKey; ++key) {
      const char* tag = FieldTagForKey(key);
      if (!tag) continue;
      made.keys.insert(QString::fromLatin1(tag), int32_t(key));
      made.tags[key - kFirstNativeTagKey] = QString::fromLatin1(tag);
    }
    return made;
  }();
  return tables;
}

}  // namespace

const CSXmlKeyTable& CreateCorvaneXmlDecoder() {
  return NativeTables().keys;
}

const CSXmlKeyTable& CorvaneKeyTable() {
  return NativeTables().keys;
}

QString NativeTagForKey(int32_t key) {
  if (key < kFirstNativeTagKey || key > kLastNativeTagKey) return {};
  return NativeTables().tags[size_t(key - kFirstNativeTagKey)];
}

QString TagFromKey(int32_t key) {
  if (key < int32_t(kFirstFieldXmlKey)) return {};
  return NativeTagForKey(key);
}
