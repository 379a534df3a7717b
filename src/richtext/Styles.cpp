#include "richtext/Styles.h"

#include "richtext/CorvaneHost.h"
#include "support/DynamicArrays.h"

namespace {

constexpr Kolor kLinkKolor = 0x64D92B27;
constexpr uint32_t kSingleUnderline = 1;
constexpr uint32_t kNormalTypes[] = {kCharProperties, kParaProperties, kChapterProperties, kTableProperties,
                                     kListProperties};

StyleEntry StyleAt(CorvaneDoc* doc, uint32_t index) {
  StyleEntry entry;
  FetchDynamicStringArrayEntry(doc->styles, index, &entry);
  return entry;
}

bool CopyRecord(CorvaneDoc* doc, uint32_t index, Properties* record) {
  const Properties* found = PropertiesAtIndex(doc, index);
  if (!found || !record) return false;
  *record = *found;
  return true;
}

// The first style of the document with the builtin id, or none.
uint32_t BuiltinStyleIndex(CorvaneDoc* doc, uint32_t builtinId) {
  if (builtinId == 0) return SizeOfDynamicArray(doc->styles) > 0 ? 0 : kNoPropertyIndex;
  for (uint32_t i = 1; i < SizeOfDynamicArray(doc->styles); ++i) {
    const StyleEntry entry = StyleAt(doc, i);
    if (entry.builtinId == builtinId && entry.type != kNoProperties) return i;
  }
  return kNoPropertyIndex;
}

void FillFontFromHost(CorvaneDoc* doc, Properties* charRecord) {
  if (charRecord && charRecord->type == kCharProperties) SetDefaultFont(doc, &charRecord->body.charProps);
}

bool StyleComesAfter(const void* a, const void* b, int64_t context) {
  auto* doc = reinterpret_cast<CorvaneDoc*>(context);
  const uint32_t idA = *static_cast<const uint32_t*>(a);
  const uint32_t idB = *static_cast<const uint32_t*>(b);
  const uint32_t typeA = PropTypeForStyle(doc, idA), typeB = PropTypeForStyle(doc, idB);
  if (typeA != typeB) return typeA > typeB;
  const bool normalA = idA >= kNormalStyleBase || idA == 0;
  const bool normalB = idB >= kNormalStyleBase || idB == 0;
  if (normalA != normalB) return normalB;
  if (normalA) return idA < idB && idA == 0;  // the normal id before "Normal"
  const QString nameA = FetchDynamicStringArrayEntry(doc->styles, idA, nullptr);
  const QString nameB = FetchDynamicStringArrayEntry(doc->styles, idB, nullptr);
  return nameA.compare(nameB, Qt::CaseInsensitive) > 0;
}

}  // namespace


void SetDefaultProperties(CorvaneDoc* doc, uint32_t type, Properties* record) {
  if (!doc || !record) return;
  switch (type) {
    case kCharProperties:
    case kParaProperties: {
      const StyleEntry normal = StyleAt(doc, 0);
      if (!CopyRecord(doc, type == kCharProperties ? normal.charProps : normal.props, record))
        SetBaseProperties(type, record);
      break;
    }
    case kChapterProperties:
      if (!CopyRecord(doc, doc->firstChapterIndex, record)) SetBaseProperties(type, record);
      break;
    case kTableProperties:
      if (!CopyRecord(doc, doc->normalTableIndex, record)) SetBaseProperties(type, record);
      break;
    case kListProperties:
      if (!CopyRecord(doc, doc->normalListIndex, record)) SetBaseProperties(type, record);
      break;
    case kBorderProperties:
    case kNoProperties:
      SetBaseProperties(type, record);
      break;
    default:
      break;
  }
}

void GetBuiltinStyleDef(CorvaneDoc* doc, uint32_t type, uint32_t builtinId, StyleEntry* entry, Properties* record,
                        Properties* charRecord) {
  StyleEntry style;
  style.builtinId = builtinId;
  style.type = type;
  style.base = builtinId == 0 ? kStyleNone : 0;
  style.next = kStyleNone;
  Properties own, chars;
  SetBaseProperties(kNoProperties, &chars);
  bool done = false;

  // A shown document takes its builtin styles from the preferences.
  if (doc && (doc->hostWindow || doc->kind == kViewDocument) && g_prefsDoc && g_prefsDoc != doc) {
    const uint32_t index = BuiltinStyleIndex(g_prefsDoc, builtinId);
    if (index != kNoPropertyIndex) {
      const StyleEntry prefs = StyleAt(g_prefsDoc, index);
      done = CopyRecord(g_prefsDoc, prefs.props, &own);
      if (done && !CopyRecord(g_prefsDoc, prefs.charProps, &chars)) SetBaseProperties(kNoProperties, &chars);
      if (done && builtinId == 0) {
        style.next = 0;
        FillFontFromHost(doc, &chars);
      }
    }
  }
  if (!done && builtinId == 0 && type == kParaProperties) {
    style.next = 0;
    SetBaseProperties(kParaProperties, &own);
    SetBaseProperties(kCharProperties, &chars);
    FillFontFromHost(doc, &chars);
    done = true;
  }
  if (!done) {
    SetBaseProperties(type, &own);
    SetDefaultProperties(doc, type, &own);
    if (type == kParaProperties) SetDefaultProperties(doc, kCharProperties, &chars);
    if (type == kParaProperties && builtinId >= 21 && builtinId <= 29) {
      own.body.para.indentl = int64_t(builtinId - 19) * kHalfInch;
      own.body.para.indent1 = -kHalfInch;
    }
    if (builtinId == 6) {
      Properties& target = type == kCharProperties ? own : chars;
      if (target.type == kCharProperties) {
        target.body.charProps.color = kLinkKolor;
        target.body.charProps.underline = kSingleUnderline;
      }
    }
  }
  if (entry) *entry = style;
  if (record) *record = own;
  if (charRecord) *charRecord = chars;
}

bool SetNormalListProps(CorvaneDoc* doc) {
  if (!doc) return false;
  Properties list;
  const Properties* prefs =
      (doc->hostWindow || doc->kind == kViewDocument) && g_prefsDoc && g_prefsDoc != doc
          ? PropertiesAtIndex(g_prefsDoc, g_prefsDoc->normalListIndex)
          : nullptr;
  if (prefs) {
    list = *prefs;
  } else {
    SetBaseProperties(kListProperties, &list);
    list.body.list.indent = kHalfInch;
    list.body.list.mark[0].type = 1;
    list.body.list.mark[0].character = 0x2022;
    list.body.list.mark[1].type = 1;
    list.body.list.mark[1].character = u'-';
  }
  const uint32_t index = AppendToDynamicArray(doc->propertyTable, &list);
  if (index == kDynamicArrayNotFound) return false;
  doc->normalListIndex = index;
  return true;
}

uint32_t PropTypeForStyle(CorvaneDoc* doc, uint32_t styleId) {
  if (styleId >= kNormalStyleBase) return styleId - kNormalStyleBase;
  if (styleId >= kBuiltinStyleBase) return styleId - kBuiltinStyleBase > 6 ? kParaProperties : kCharProperties;
  if (!doc || styleId >= SizeOfDynamicArray(doc->styles)) return kNoProperties;
  return StyleAt(doc, styleId).type;
}

bool SetNormalStyleIndexes(CorvaneDoc* doc) {
  if (!doc) return false;
  for (uint32_t type : kNormalTypes) {
    const uint32_t id = kNormalStyleBase + type;
    if (AppendToDynamicArray(doc->styleList, &id) == kDynamicArrayNotFound) return false;
  }
  return true;
}

bool RebuildStyleList(CorvaneDoc* doc) {
  if (!doc) return false;
  ClearDynamicArray(doc->styleList);
  if (!SetNormalStyleIndexes(doc)) return false;
  for (uint32_t i = 1; i < SizeOfDynamicArray(doc->styles); ++i) {
    if (StyleAt(doc, i).type == kNoProperties) continue;
    if (AppendToDynamicArray(doc->styleList, &i) == kDynamicArrayNotFound) return false;
  }
  SortDynamicArray(doc->styleList, StyleComesAfter, reinterpret_cast<int64_t>(doc));
  return true;
}
