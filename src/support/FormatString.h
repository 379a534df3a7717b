#pragma once
// FormatString: the library's own printf, made for numbering documents.
// Besides decimal, hexadecimal, octal and binary integers it writes ordinals
// (1st), numbers and ordinals in English words, roman numerals, lettering
// (a ... z, aa), footnote marks, four-character codes, lengths in any unit
// and floats in fixed or exponent notation.
//
// The format is cut at every "%"; each piece after a "%" is read as flags,
// a conversion letter from "@abcCdDfgiIlLmorRsStxXyYz" and literal text. A
// piece without a letter is copied without its "%" and takes no argument;
// an empty piece between two "%" gives one "%".
//
// Every conversion takes one argument, in order. Arguments are typed words:
// integers, strings, byte strings and pointers to 64-bit values ("D", "y",
// "Y"). A float travels as a context word made by ContextFromFloat, so a
// float or double passed directly does not compile. A missing argument reads
// as 0 or null.

#include <QString>
#include <QStringView>
#include <QVariant>
#include <array>
#include <concepts>
#include <cstdint>
#include <span>

class FormatStringArg {
 public:
  enum class Kind { Word, Text, Bytes, SignedPointer, UnsignedPointer };

  template <std::integral T>
  FormatStringArg(T value) : m_kind(Kind::Word), m_word(int64_t(value)) {}
  template <typename T>
  requires std::is_enum_v<T> FormatStringArg(T value) : FormatStringArg(std::underlying_type_t<T>(value)) {}
  FormatStringArg(QChar c) : m_kind(Kind::Word), m_word(c.unicode()) {}
  FormatStringArg(const QString& text) : m_kind(Kind::Text), m_text(text) {}
  FormatStringArg(QStringView text) : m_kind(Kind::Text), m_text(text.toString()) {}
  FormatStringArg(const QVariant& value) : m_kind(Kind::Text), m_text(value.toString()) {}
  // A null-terminated byte string in the Mac OS Roman encoding; null allowed.
  FormatStringArg(const char* bytes) : m_kind(Kind::Bytes), m_bytes(bytes) {}
  FormatStringArg(std::nullptr_t) : m_kind(Kind::Bytes) {}
  FormatStringArg(const long* value) : m_kind(Kind::SignedPointer), m_signed(reinterpret_cast<const int64_t*>(value)) {}
  FormatStringArg(const long long* value)
      : m_kind(Kind::SignedPointer), m_signed(reinterpret_cast<const int64_t*>(value)) {}
  FormatStringArg(const unsigned long* value)
      : m_kind(Kind::UnsignedPointer), m_unsigned(reinterpret_cast<const uint64_t*>(value)) {}
  FormatStringArg(const unsigned long long* value)
      : m_kind(Kind::UnsignedPointer), m_unsigned(reinterpret_cast<const uint64_t*>(value)) {}
  FormatStringArg(float) = delete;   // pass ContextFromFloat(value)
  FormatStringArg(double) = delete;  // pass ContextFromFloat(float(value))

  Kind kind() const { return m_kind; }
  // The integer the argument stands for: the word, or the value pointed to
  // (0 for a null pointer and for texts).
  int64_t word() const;
  // True for a null byte string or pointer.
  bool isNull() const;
  // Texts as they are, byte strings decoded, numbers in decimal.
  QString text() const;

 private:
  Kind m_kind;
  int64_t m_word = 0;
  QString m_text;
  const char* m_bytes = nullptr;
  const int64_t* m_signed = nullptr;
  const uint64_t* m_unsigned = nullptr;
};

static_assert(sizeof(long) == 8 && sizeof(long long) == 8, "64-bit pointers for D, y and Y");

QString FormatStringArgs(QStringView format, std::span<const FormatStringArg> args);

template <typename... Args>
QString FormatString(const QString& format, const Args&... args) {
  const std::array<FormatStringArg, sizeof...(Args)> list{FormatStringArg(args)...};
  return FormatStringArgs(format, list);
}
// A UTF-8 format.
template <typename... Args>
QString FormatString(const char* format, const Args&... args) {
  return FormatString(QString::fromUtf8(format), args...);
}

// ---- The conversions on their own ----------------------------------------------

// "twenty-one", "one hundred first"; every 64-bit value has its words.
QString NumberInWords(uint64_t value, bool ordinal, bool capitalise);
// Roman numerals for 1-3999, "0" for 0 and "!" above.
QString RomanNumeral(uint64_t value, bool upperCase);
// a-z, aa, ab ...; "0" for 0.
QString Lettering(uint64_t value, bool upperCase);
// *, †, ‡, §, ‖, #, **, ... for 1-193; "0" below and "!" above.
QString FootnoteMark(int64_t value);
