// The text style record comes from drawing files and the settings. Whatever
// the bytes, reading never crashes, and a style that reads writes a record
// that reads back as the same style.
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRFontTable.h"
#include "model/DRKeyTable.h"
#include "model/DRTextInfo.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Fonts.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Inputs of odd length are read as inside a package, with its font table.
  const bool withTable = size % 2 == 1;
  std::optional<DRFontTable::Scope> scope;
  if (withTable) {
    scope.emplace();
    scope->table().append(FontWithName(QStringLiteral("DejaVu Serif"), 12));
    scope->table().append(SystemFont(SystemFontSize()));
  }
  const QString xml = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<DRTextInfo> info = StyleFromRecordText<DRTextInfo>(xml, kXmlTextinfo);
  if (!info) return 0;
  info->expressWithText(QStringLiteral("fuzz"), false);
  const QString written = StyleRecordText(*info);
  const std::optional<DRTextInfo> again = StyleFromRecordText<DRTextInfo>(written, kXmlTextinfo);
  if (!again || !(*again == *info) || StyleRecordText(*again) != written) std::abort();
  return 0;
}
