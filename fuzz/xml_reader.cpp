// The XML pull reader on any bytes: the first byte picks the options and the
// text's form, the following ones (read again as the steps go) pick whether
// each tag is read, skipped, extracted, peeked at or gathered as mixed
// content. The reader must stop, stay inside the text and keep its level at
// or above 0; values it reads must write and read back unchanged.
#include <cstdlib>

#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

QString AsWritten(const QString& value) {
  QString out = value;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') || (u >= 0x7F && u <= 0x9F)) c = u' ';
  }
  return out;
}

// A value written as an element reads back as it was (control characters as blanks).
void CheckRoundTrip(const QString& value) {
  CSXmlEncoder encoder;
  encoder.addAttribute(QStringLiteral("a"), value);
  encoder.addTag(QStringLiteral("v"), value);
  auto decoder = CSXmlDecoder::createWithString(encoder.xml());
  Check(decoder != nullptr);
  if (value.isEmpty()) return;
  Check(decoder->getNextTag());
  Check(decoder->value() == AsWritten(value));
  Check(decoder->stringAttributeForTag(QStringLiteral("a")) == AsWritten(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const uint8_t* body = data + 1;
  const size_t bodySize = size - 1;
  QString text = (flags & 0x10) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(body), qsizetype(bodySize / 2))
                                : QString::fromUtf8(reinterpret_cast<const char*>(body), qsizetype(bodySize));
  if (flags & 0x20) text.prepend(QStringLiteral("<?xml version=\"1.0\"?>"));
  if (flags & 0x40) text.prepend(QStringLiteral("<svg "));

  auto decoder = CSXmlDecoder::createWithString(text);
  if (!decoder) return 0;
  decoder->setAllowNumericTags(flags & 0x01);
  decoder->setAllowSpaceInAttr(flags & 0x02);
  if (flags & 0x04) decoder->setKeyDecoder(CSXmlKeyTable{{QStringLiteral("svg"), 1}, {QStringLiteral("a"), 2}});

  const qsizetype length = text.size();
  bool unskipped = false;
  int roundTrips = 0;
  size_t step = 0;
  // Every step moves forward, so the number of steps is bounded by the text.
  while (decoder->getNextTag()) {
    Check(++step <= size_t(length) + 2);
    Check(decoder->level() >= 0 && decoder->charIndex() <= length);
    const uint8_t action = body[step % bodySize] % 8;
    switch (action) {
      case 1:
        decoder->skipTag();
        break;
      case 2: {
        const QString whole = decoder->extractTag();
        Check(whole.isNull() || whole.startsWith(u'<'));
        break;
      }
      case 3: {
        const qsizetype before = decoder->charIndex();
        const int64_t level = decoder->level();
        const QString tag = decoder->xmlTag();
        CSXmlAttributes attributes;
        QString value;
        decoder->followingTagWithAttributes(&attributes, &value);
        Check(decoder->charIndex() == before && decoder->level() == level && decoder->xmlTag() == tag);
        break;
      }
      case 4:
        decoder->coalesceMixedContent();
        break;
      case 5:
        if (!unskipped) {
          unskipped = true;
          const CSXmlBookmark bookmark = decoder->skipTag();
          decoder->unskipTag(bookmark);
        }
        break;
      case 6:
        decoder->integerValue();
        decoder->longValue();
        decoder->decodeValue();
        decoder->integerAttributeForTag(QStringLiteral("a"), -1);
        break;
      default:
        break;
    }
    Check(decoder->level() >= 0 && decoder->charIndex() <= length);
    if (roundTrips < 4 && !decoder->value().isNull()) {
      ++roundTrips;
      CheckRoundTrip(decoder->value());
    }
  }
  Check(!decoder->getNextTag() || decoder->error().isNull());
  if (!decoder->error().isNull()) Check(decoder->isDone() && !decoder->getNextTag());
  return 0;
}
