#include "support/Base64.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int8_t, 128> MakeDecodeTable() {
  std::array<int8_t, 128> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[size_t(kAlphabet[i])] = int8_t(i);
  return table;
}
constexpr std::array<int8_t, 128> kDecode = MakeDecodeTable();

}  // namespace

QString NewBase64StringFromBytes(const void* bytes, size_t length) {
  if (!bytes || length == 0 || length > kMaxBase64Input) return QString();
  const auto* in = static_cast<const uint8_t*>(bytes);
  const size_t chars = (length + 2) / 3 * 4;
  const size_t breaks = (chars - 1) / kBase64LineLength;
  QString out(qsizetype(chars + breaks), Qt::Uninitialized);
  char16_t* p = reinterpret_cast<char16_t*>(out.data());
  size_t written = 0;  // characters of the current line
  auto put = [&](char c) {
    if (written == size_t(kBase64LineLength)) {
      *p++ = u'\n';
      written = 0;
    }
    *p++ = char16_t(c);
    ++written;
  };
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t group = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
    put(kAlphabet[group >> 18]);
    put(kAlphabet[(group >> 12) & 63]);
    put(kAlphabet[(group >> 6) & 63]);
    put(kAlphabet[group & 63]);
  }
  if (const size_t rest = length - i) {
    const uint32_t group = (uint32_t(in[i]) << 16) | (rest == 2 ? uint32_t(in[i + 1]) << 8 : 0);
    put(kAlphabet[group >> 18]);
    put(kAlphabet[(group >> 12) & 63]);
    put(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
    put('=');
  }
  return out;
}

QString NewBase64StringFromData(const QByteArray& data) {
  return NewBase64StringFromBytes(data.constData(), size_t(data.size()));
}

std::optional<QByteArray> NewDataFromBase64String(QStringView text) {
  // Every character gives at most 6 bits, so the output never exceeds this.
  QByteArray out(text.size() / 4 * 3 + 3, Qt::Uninitialized);
  char* p = out.data();
  uint32_t bits = 0;
  int count = 0;  // 6-bit values in `bits`
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c == u'\r' || c == u'\n') continue;
    if (c == u'=') break;  // padding ends the text; the partial group gave its whole bytes already
    if (c >= 128 || kDecode[c] < 0) return std::nullopt;
    bits = (bits << 6) | uint32_t(kDecode[c]);
    // Every 6 bits past a byte boundary complete one byte: after the 2nd,
    // 3rd and 4th character of a group.
    if (++count >= 2) *p++ = char((bits >> (2 * (4 - count))) & 0xFF);
    if (count == 4) {
      bits = 0;
      count = 0;
    }
  }
  out.truncate(p - out.constData());
  return out;
}
