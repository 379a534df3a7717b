// Text from documents and files: word and sentence limits at any position
// stay inside the text and around the position, and the readers of escaped
// text (HTML entities, percent escapes, text of an unknown encoding) take
// any bytes.
#include <QByteArray>
#include <cstdlib>

#include "support/Categories.h"
#include "support/TextUtilities.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  const int32_t n = int32_t(text.size());
  if (n > 0) {
    void* ctx = &text;
    const int32_t cp = int32_t(data[0]) % n;
    const int32_t ws = StartOfWord(cp, 0, n, FetchCharacterFromString, ctx);
    const int32_t we = EndOfWord(cp, 0, n, FetchCharacterFromString, data[0] & 1, ctx);
    Check(ws >= 0 && ws <= cp && we > cp && we <= n);
    const int32_t ss = StartOfSentence(cp, 0, n, FetchCharacterFromString, ctx);
    const int32_t se = EndOfSentence(cp, 0, n, FetchCharacterFromString, ctx);
    Check(ss >= 0 && ss <= cp && se >= 0 && se <= n);
  }
  QString html = QString::fromUtf8(bytes);
  UnescapeForHtml(html);
  Check(html.size() <= QString::fromUtf8(bytes).size());
  const QString utf8 = QString::fromUtf8(bytes);
  const QString decoded = DecodeString(utf8);
  const QString escaped = EncodeIncludingPeriods(utf8, data[0] & 2, data[0] & 4);
  Check(DecodeString(escaped) == utf8 || utf8.toUtf8() != bytes);
  (void)decoded;
  uint32_t encoding = 0;
  StringFromDataInUnknownFormat(bytes, QString(), &encoding);
  TitleCase(utf8);
  CleanUp(utf8, data[0] & 8, data[0] & 16);
  QString first, last;
  DecomposeName(utf8, &first, &last);
  return 0;
}
