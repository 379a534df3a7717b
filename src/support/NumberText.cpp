#include "support/NumberText.h"

#include <QString>

#include "support/SaturatingCast.h"
#include <limits>

namespace {
qsizetype SkipBlanks(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') ||
                             text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')))
    ++i;
  return i;
}
}  // namespace

int64_t LongLongValue(QStringView text) {
  qsizetype i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  bool saturated = false;
  for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
    const uint64_t digit = text[i].unicode() - '0';
    if (saturated || magnitude > (limit - digit) / 10) {
      saturated = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (saturated) magnitude = limit;
  if (negative) return magnitude == uint64_t(std::numeric_limits<int64_t>::max()) + 1
                           ? std::numeric_limits<int64_t>::min()
                           : -int64_t(magnitude);
  return int64_t(magnitude);
}

int IntValue(QStringView text) {
  const int64_t v = LongLongValue(text);
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return int(v);
}

double DoubleValue(QStringView text) {
  qsizetype i = SkipBlanks(text);
  const qsizetype start = i;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
  auto digits = [&] {
    qsizetype n = 0;
    while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) ++i, ++n;
    return n;
  };
  qsizetype mantissa = digits();
  if (i < text.size() && text[i] == QLatin1Char('.')) {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return 0;
  qsizetype end = i;
  if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    ++i;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) ++i;
    if (digits() > 0) end = i;
  }
  bool ok = false;
  const double v = text.mid(start, end - start).toString().toDouble(&ok);
  return ok ? v : 0;
}

int64_t VariantLongLongValue(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::UnknownType: return 0;
    case QMetaType::QString: return LongLongValue(value.toString());
    case QMetaType::Bool: return value.toBool() ? 1 : 0;
    case QMetaType::Double:
    case QMetaType::Float: return SaturatingCast<int64_t>(value.toDouble());
    case QMetaType::ULongLong: {
      const qulonglong v = value.toULongLong();
      return v > qulonglong(std::numeric_limits<int64_t>::max()) ? std::numeric_limits<int64_t>::max() : int64_t(v);
    }
    default: return value.toLongLong();
  }
}
