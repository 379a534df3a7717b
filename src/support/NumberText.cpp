#include "support/NumberText.h"

#include <QLocale>
#include <QString>
#include <cmath>

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

bool IsNumberVariant(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
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

QString SizeToText(QSizeF size) {
  return QLatin1Char('{') + QString::number(size.width(), 'g', QLocale::FloatingPointShortest) + QStringLiteral(", ") +
         QString::number(size.height(), 'g', QLocale::FloatingPointShortest) + QLatin1Char('}');
}

QSizeF SizeFromText(QStringView text) {
  const QStringView trimmed = text.trimmed();
  if (trimmed.size() < 2 || trimmed.front() != QLatin1Char('{') || trimmed.back() != QLatin1Char('}'))
    return QSizeF(0, 0);
  const QStringView inner = trimmed.mid(1, trimmed.size() - 2);
  const qsizetype comma = inner.indexOf(QLatin1Char(','));
  if (comma < 0) return QSizeF(0, 0);
  bool widthOk = false;
  bool heightOk = false;
  // QStringView::toDouble reads the C locale and refuses surrounding text.
  const double width = inner.left(comma).trimmed().toDouble(&widthOk);
  const double height = inner.mid(comma + 1).trimmed().toDouble(&heightOk);
  if (!widthOk || !heightOk || !std::isfinite(width) || !std::isfinite(height)) return QSizeF(0, 0);
  return QSizeF(width, height);
}
