// Kolor text from files and the defaults: any bytes read to a Kolor, and a
// Kolor that was read writes back to text that reads to the same Kolor.
#include "support/Kolor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const Kolor kolor = KolorFromString(text);
  if (kolor != g_nilKolor && KolorFromString(NewKolorString(kolor)) != kolor) std::abort();
  ColorDisplayString(kolor, int(size % 5), text.left(4));
  return 0;
}
