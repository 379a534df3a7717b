#include "richtext/Properties.h"

#include <algorithm>

size_t PropertyBodySize(uint32_t type) {
  switch (type) {
    case kCharProperties: return sizeof(CharProps);
    case kParaProperties: return sizeof(ParaProps);
    case kChapterProperties: return sizeof(ChapterProps);
    case kFrameProperties: return sizeof(FrameProps);
    case kTableProperties: return sizeof(TableProps);
    case kListProperties: return sizeof(ListProps);
    case kBorderProperties: return sizeof(BorderProps);
    case kDocProperties: return sizeof(DocProps);
    default: return 0;
  }
}

bool ArePropertiesEqual(const Properties& a, const Properties& b) {
  if (a.type != b.type) return false;
  return std::memcmp(a.body.bytes, b.body.bytes, PropertyBodySize(a.type)) == 0;
}

void InitProperties(uint32_t type, Properties* record, const void* body) {
  if (!record) return;
  std::memset(static_cast<void*>(record), 0, sizeof *record);
  record->type = type;
  record->ownIndex = kNoPropertyIndex;
  if (body) std::memcpy(record->body.bytes, body, PropertyBodySize(type));
}

namespace {

void SetBaseBorder(BorderProps* border) {
  border->color = kBlackKolor;
  border->incolor = g_nilKolor;
  border->back = g_nilKolor;
}

// The border of the record's type, or null for a type without one.
BorderProps* BorderOf(Properties* record) {
  switch (record->type) {
    case kParaProperties: return &record->body.para.border;
    case kFrameProperties: return &record->body.frame.border;
    case kTableProperties: return &record->body.table.border;
    case kBorderProperties: return &record->body.border;
    default: return nullptr;
  }
}

}  // namespace

void SetBaseProperties(uint32_t type, Properties* record) {
  InitProperties(type, record, nullptr);
  if (!record) return;
  if (BorderProps* border = BorderOf(record)) SetBaseBorder(border);
  switch (type) {
    case kCharProperties:
      record->body.charProps.color = kBlackKolor;
      record->body.charProps.back = g_nilKolor;
      break;
    case kTableProperties:
      record->body.table.stripecolor = g_nilKolor;
      break;
    case kDocProperties: {
      DocProps& doc = record->body.doc;
      doc.left = doc.top = doc.right = doc.bottom = kMeasurePerInch;
      doc.btcolor = kBlackKolor;
      doc.back = g_nilKolor;
      doc.image = kNoPropertyIndex;
      doc.opacity = 100;
      doc.scale = 1000;
      break;
    }
    default:
      break;
  }
}

void SanitizeBorder(Properties* record) {
  if (!record) return;
  BorderProps* border = BorderOf(record);
  if (!border || border->btype != 0) return;
  border->bline = 0;
  border->bwidth = 0;
  border->bthick = 0;
  border->boff = 0;
  border->color = kBlackKolor;
  border->incolor = g_nilKolor;
  border->spare = 0;
}

void AddTab(ParaProps* props, uint32_t index, TabStop tab) {
  if (!props) return;
  uint32_t count = std::min<uint32_t>(props->tabCount, kMaxTabs);
  if (index > count) return;
  if (count == kMaxTabs) {
    if (index == kMaxTabs) return;  // it would be the one dropped
    --count;
  }
  for (uint32_t i = count; i > index; --i) props->tabs[i] = props->tabs[i - 1];
  props->tabs[index] = tab;
  props->tabCount = uint16_t(count + 1);
}

void DeleteTab(ParaProps* props, uint32_t index) {
  if (!props) return;
  const uint32_t count = std::min<uint32_t>(props->tabCount, kMaxTabs);
  if (index >= count) return;
  for (uint32_t i = index; i + 1 < count; ++i) props->tabs[i] = props->tabs[i + 1];
  props->tabs[count - 1] = 0;
  props->tabCount = uint16_t(count - 1);
}

void ClearTabs(ParaProps* props) {
  if (!props) return;
  props->tabCount = 0;
  std::fill(std::begin(props->tabs), std::end(props->tabs), 0);
}

namespace {

constexpr int32_t kMinStepSize = 4;
constexpr int32_t kMaxStepSize = 2000;

int32_t RoundUpToEven(int32_t size) { return size + (size & 1); }

int32_t StepUp(int32_t size) {
  if (size <= 9) return size + 1;
  const int32_t even = RoundUpToEven(size);
  if (even != size) return even;
  if (size < 24) return size + 2;
  return (size / 12 + 1) * 12;
}

int32_t StepDown(int32_t size) {
  const int32_t even = RoundUpToEven(size);
  int32_t result;
  if (even < 11) {
    result = even - 1;
  } else if (even <= 24) {
    result = even - 2;
  } else {
    result = even / 12 * 12;
    if (result >= size) result -= 12;
  }
  // An odd size below 11 rounds up to the size after it: a step down must
  // still go down.
  return std::min(result, size - 1);
}

}  // namespace

int32_t StepOffsetFontSize(int32_t points, int32_t steps) {
  int32_t size = std::clamp(points, kMinStepSize, kMaxStepSize);
  for (int32_t i = 0; i < steps && size < kMaxStepSize; ++i) size = std::min(StepUp(size), kMaxStepSize);
  for (int32_t i = 0; i > steps && size > kMinStepSize; --i) size = std::max(StepDown(size), kMinStepSize);
  return size;
}

bool IsEmptyMeasureRect(const CSRect& rect) {
  return rect.x == 0 && rect.y == 0 && rect.width == 0 && rect.height == 0;
}
