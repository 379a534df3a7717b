// Property records of the rich-text engine's native XML: the first byte
// picks the record type, the rest is the record's XML. Every read ends
// (no hang at any nesting), keeps the record's limits, and the record read
// is reproduced by applying its differences from the base record.
#include <QString>
#include <cstdlib>
#include <cstring>

#include "richtext/Molecules.h"
#include "support/CSXmlDecoder.h"

namespace {

constexpr uint32_t kTypes[] = {kCharProperties,  kParaProperties, kChapterProperties, kFrameProperties,
                               kTableProperties, kListProperties, 6,                  kBorderProperties,
                               kDocProperties};

bool TabsAscend(const ParaProps& para) {
  for (uint32_t i = 1; i < para.tabCount; ++i)
    if ((para.tabs[i] & kTabPositionMask) <= (para.tabs[i - 1] & kTabPositionMask)) return false;
  return true;
}

void CheckRecord(const Properties& record, uint32_t type) {
  if (record.type != type) std::abort();
  if (type == kParaProperties) {
    const ParaProps& para = record.body.para;
    if (para.tabCount > kMaxTabs || para.prefix.count > kMaxAffixUnits || para.suffix.count > kMaxAffixUnits)
      std::abort();
  }
  Properties base;
  SetBaseProperties(type, &base);
  Properties wanted = record;
  // Style atoms take a style's record, which needs a document: keep styles.
  if (type != kFrameProperties && type != kBorderProperties && type != kDocProperties)
    std::memcpy(wanted.body.bytes, base.body.bytes, 2);
  MoleculePtr molecule(MoleculeWithDifferences(&wanted, &base, false));
  if (!molecule) return;
  Properties rebuilt = base;
  ApplyMoleculeToProps(nullptr, -1, &rebuilt, molecule.get());
  uint32_t count = 0;
  const AtomDesc* rows = AtomTableForType(type, &count);
  for (uint32_t i = 1; i < count; ++i) {
    const AtomDesc& row = rows[i];
    if (row.valueKind == kAtomAction || row.valueKind == kAtomTabStop || row.valueSize == 0) continue;
    if (std::memcmp(wanted.body.bytes + row.offset, rebuilt.body.bytes + row.offset, row.valueSize) != 0)
      std::abort();
  }
  if (type == kParaProperties && TabsAscend(wanted.body.para) &&
      (rebuilt.body.para.tabCount != wanted.body.para.tabCount ||
       std::memcmp(rebuilt.body.para.tabs, wanted.body.para.tabs, wanted.body.para.tabCount * sizeof(TabStop)) != 0))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint32_t type = kTypes[data[0] % std::size(kTypes)];
  const QString text = QStringLiteral("<?xml version=\"1.0\"?>") +
                       QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  auto decoder = CSXmlDecoder::createWithString(text);
  if (!decoder) return 0;
  // Each record element in turn: every read moves the reader on.
  for (int records = 0; records < 64 && decoder->getNextTag(); ++records) {
    if (!decoder->startTag()) continue;
    const qsizetype before = decoder->charIndex();
    Properties record;
    const bool ok = ReadPropsFromXml(*decoder, &record, type);
    CheckRecord(record, type);
    if (!ok) break;
    if (decoder->charIndex() < before) std::abort();
  }
  return 0;
}
