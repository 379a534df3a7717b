// RTF pasted from another program, as the drawing reads it: the engine's
// RTF reader into a document, then the attributed export into styled runs.
// Whatever the bytes, reading never crashes or hangs; text that is read is
// never empty, and it can be written back as a text element's RTF.
#include <QByteArray>
#include <cstdint>

#include "RichTextFuzzSetup.h"
#include "interchange/ClipboardText.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray rtf(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<CSAttributedString> text = ClipboardTextFromRtf(rtf);
  if (!text) return 0;
  if (text->isEmpty()) __builtin_trap();
  const QByteArray written = ClipboardRtfFromText(*text);
  if (written.isEmpty()) __builtin_trap();
  (void)ClipboardTextFromRtf(written);
  return 0;
}
