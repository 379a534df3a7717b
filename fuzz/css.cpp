// CSS declarations and colours from SVG files: any bytes parsed as a
// declaration list, each value read as a colour and a font property; a
// colour that was read writes back to text that reads to the same colour.
#include "interchange/Css.h"

#include <cstdlib>

#include "ModelFuzzSetup.h"

namespace {

void CheckColour(const QString& text) {
  const Kolor kolor = KolorFromCssColor(text);
  // Written colours carry their opacity to two decimals, so every Kolor
  // with an opacity of 0 to 100 comes back unchanged; none stays none.
  if (KolorOpacity(kolor) <= 100 || kolor == g_nilKolor) {
    const Kolor again = KolorFromCssColor(CssColorString(kolor));
    const bool clear = KolorOpacity(kolor) == 0;
    if (clear ? KolorOpacity(again) != 0 : again != kolor) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  CheckColour(text);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  ParseCssString(text, [&font](int key, const QString& value) {
    if (key < kCssColor || key > kCssTextDecoration) std::abort();
    CheckColour(value);
    switch (key) {
      case kCssFontFamily:
        font = AdjustCssFontFamily(font, value);
        break;
      case kCssFontSize:
        font = AdjustCssFontSize(font, value);
        break;
      case kCssFontStyle:
        font = AdjustCssFontStyle(font, value);
        break;
      case kCssFontWeight:
        font = AdjustCssFontWeight(font, value);
        break;
      default:
        break;
    }
    if (font.pointSizeF() < kMinCssFontSize && font.pointSizeF() != 12) std::abort();
    if (font.pointSizeF() > kMaxCssFontSize) std::abort();
  });
  return 0;
}
