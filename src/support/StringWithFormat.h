#pragma once
// printf-style formatting with object arguments: "%@" prints a string or any
// value given as an argument, the usual conversions print numbers. Arguments
// are typed, so a wrong or missing argument prints badly but never crashes.

#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

class FormatArg {
 public:
  enum class Kind { Int, UInt, Double, Text, Pointer, Char };

  FormatArg(const QString& s) : m_kind(Kind::Text), m_text(s) {}
  FormatArg(QStringView s) : m_kind(Kind::Text), m_text(s.toString()) {}
  FormatArg(const char* s) : m_kind(Kind::Text), m_text(s ? QString::fromUtf8(s) : QStringLiteral("(null)")) {}
  FormatArg(std::string_view s) : m_kind(Kind::Text), m_text(QString::fromUtf8(s.data(), qsizetype(s.size()))) {}
  FormatArg(const QByteArray& s) : m_kind(Kind::Text), m_text(QString::fromUtf8(s)) {}
  FormatArg(const QVariant& v) : m_kind(Kind::Text), m_text(v.toString()) {}
  FormatArg(QChar c) : m_kind(Kind::Char), m_uint(c.unicode()) {}
  FormatArg(char c) : m_kind(Kind::Char), m_uint(uchar(c)) {}
  FormatArg(bool b) : m_kind(Kind::Int), m_int(b ? 1 : 0) {}
  template <typename T>
    requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char> && !std::is_same_v<T, bool>)
  FormatArg(T v) : m_kind(Kind::Int), m_int(v) {}
  template <typename T>
    requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
  FormatArg(T v) : m_kind(Kind::UInt), m_uint(v) {}
  template <typename T>
    requires std::is_enum_v<T>
  FormatArg(T v) : FormatArg(std::underlying_type_t<T>(v)) {}
  FormatArg(double v) : m_kind(Kind::Double), m_double(v) {}
  FormatArg(float v) : m_kind(Kind::Double), m_double(v) {}
  FormatArg(const void* p) : m_kind(Kind::Pointer), m_uint(reinterpret_cast<uintptr_t>(p)) {}

  Kind kind() const { return m_kind; }
  int64_t asInt() const;
  uint64_t asUInt() const;
  double asDouble() const;
  QString asText() const;

 private:
  Kind m_kind;
  int64_t m_int = 0;
  uint64_t m_uint = 0;
  double m_double = 0;
  QString m_text;
};

QString StringWithFormatArgs(const char* format, std::span<const FormatArg> args);

template <typename... Args>
QString StringWithFormat(const char* format, const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
  return StringWithFormatArgs(format, list);
}
