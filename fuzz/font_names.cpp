// Font names and stored font descriptors come from drawings, RTF, SVG and
// the settings file. Whatever the bytes, a mapped name is an installed face
// and a descriptor that reads gives an installed family within the limits.
#include <QFontInfo>
#include <QGuiApplication>
#include <cstdlib>

#include "support/Fonts.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  bool substituted = false;
  const QString mapped = MapFontName(text, &substituted);
  if (!FontExists(mapped)) std::abort();
  FontExists(text);
  FontNameComponents(text);
  QFont font;
  QString reason;
  if (FontFromDescriptor(text, &font, &reason)) {
    if (!(font.pointSizeF() >= kMinFontSize && font.pointSizeF() <= kMaxFontSize)) std::abort();
    if (!FontExists(font.family())) std::abort();
  } else if (reason.isEmpty()) {
    std::abort();
  }
  return 0;
}
