#include "support/StringWithFormat.h"

#include "support/SaturatingCast.h"

#include <algorithm>
#include <cstdio>
#include <string>

int64_t FormatArg::asInt() const {
  switch (m_kind) {
    case Kind::Int: return m_int;
    case Kind::UInt:
    case Kind::Char:
    case Kind::Pointer: return int64_t(m_uint);
    case Kind::Double: return SaturatingCast<int64_t>(m_double);
    case Kind::Text: return m_text.toLongLong();
  }
  return 0;
}

uint64_t FormatArg::asUInt() const {
  switch (m_kind) {
    case Kind::Int: return uint64_t(m_int);
    case Kind::UInt:
    case Kind::Char:
    case Kind::Pointer: return m_uint;
    case Kind::Double: return SaturatingCast<uint64_t>(m_double);
    case Kind::Text: return m_text.toULongLong();
  }
  return 0;
}

double FormatArg::asDouble() const {
  switch (m_kind) {
    case Kind::Int: return double(m_int);
    case Kind::UInt:
    case Kind::Char:
    case Kind::Pointer: return double(m_uint);
    case Kind::Double: return m_double;
    case Kind::Text: return m_text.toDouble();
  }
  return 0;
}

QString FormatArg::asText() const {
  switch (m_kind) {
    case Kind::Int: return QString::number(m_int);
    case Kind::UInt: return QString::number(m_uint);
    case Kind::Char: return QString(QChar(char16_t(m_uint)));
    case Kind::Double: return QString::number(m_double, 'g', 17);
    case Kind::Pointer: return QStringLiteral("0x") + QString::number(m_uint, 16);
    case Kind::Text: return m_text;
  }
  return {};
}

namespace {

// Pads `text` to `width` characters, on the right with '-' among the flags.
QString Pad(QString text, const std::string& flags, int width) {
  if (width > text.size()) {
    const QString fill(width - text.size(), QLatin1Char(' '));
    text = flags.find('-') != std::string::npos ? text + fill : fill + text;
  }
  return text;
}

// Formats one number through the C library with a rebuilt conversion spec,
// so flags, width and precision behave as they do in printf.
template <typename T>
QString CFormat(const std::string& spec, T value) {
  char stack[128];
  int n = std::snprintf(stack, sizeof stack, spec.c_str(), value);
  if (n < 0) return {};
  if (size_t(n) < sizeof stack) return QString::fromLatin1(stack, n);
  std::string heap(size_t(n) + 1, '\0');
  std::snprintf(heap.data(), heap.size(), spec.c_str(), value);
  return QString::fromLatin1(heap.data(), n);
}

}  // namespace

QString StringWithFormatArgs(const char* format, std::span<const FormatArg> args) {
  QString out;
  if (!format) return out;
  size_t next = 0;
  const char* p = format;
  const char* literal = p;
  auto flushLiteral = [&](const char* end) {
    if (end > literal) out += QString::fromUtf8(literal, end - literal);
  };
  while (*p) {
    if (*p != '%') {
      ++p;
      continue;
    }
    flushLiteral(p);
    const char* start = p++;
    std::string flags;
    while (*p && std::string_view("-+ #0").find(*p) != std::string_view::npos) flags += *p++;
    int width = 0;
    std::string widthText, precisionText;
    bool hasPrecision = false;
    if (*p == '*') {  // width from the argument list
      width = next < args.size() ? int(std::clamp<int64_t>(args[next++].asInt(), -4096, 4096)) : 0;
      if (width < 0) {
        flags += '-';
        width = -width;
      }
      widthText = std::to_string(width);
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') widthText += *p++;
      if (widthText.size() > 4) widthText.resize(4);  // keep widths sane
      width = widthText.empty() ? 0 : std::stoi(widthText);
    }
    if (*p == '.') {
      hasPrecision = true;
      ++p;
      while (*p >= '0' && *p <= '9') precisionText += *p++;
      if (precisionText.size() > 3) precisionText.resize(3);
    }
    while (*p && std::string_view("hlqLjzt").find(*p) != std::string_view::npos) ++p;
    const char conv = *p;
    if (conv == '\0') {  // a lone '%' at the end prints as itself
      out += QString::fromUtf8(start, p - start);
      literal = p;
      break;
    }
    ++p;
    literal = p;
    if (conv == '%') {
      out += QLatin1Char('%');
      continue;
    }
    const FormatArg* arg = next < args.size() ? &args[next++] : nullptr;
    const std::string head = "%" + flags + widthText + (hasPrecision ? "." + precisionText : "");
    switch (conv) {
      case '@':
      case 's':
      case 'S': {
        QString text = arg ? arg->asText() : QString();
        if (hasPrecision && !precisionText.empty()) text.truncate(std::stoi(precisionText));
        out += Pad(text, flags, width);
        break;
      }
      case 'c':
      case 'C':
        out += Pad(arg ? QString(QChar(char16_t(arg->asUInt()))) : QString(), flags, width);
        break;
      case 'd':
      case 'i':
        out += CFormat(head + "lld", (long long)(arg ? arg->asInt() : 0));
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        out += CFormat(head + "ll" + conv, (unsigned long long)(arg ? arg->asUInt() : 0));
        break;
      case 'p':
        out += Pad(QStringLiteral("0x") + QString::number(arg ? arg->asUInt() : 0, 16), flags, width);
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        out += CFormat(head + conv, arg ? arg->asDouble() : 0.0);
        break;
      default:  // unknown conversion: print it as written
        out += QString::fromUtf8(start, p - start);
        if (arg) --next;
        break;
    }
  }
  flushLiteral(p);
  return out;
}
