#pragma once
// Numbers read leniently from text, as stored values are read: leading
// blanks are skipped, an optional sign and the digits that follow are taken,
// and anything after them is ignored. No digits give 0; values beyond the
// type saturate.

#include <QSizeF>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstdint>

int64_t LongLongValue(QStringView text);
int IntValue(QStringView text);
double DoubleValue(QStringView text);  // also "1.5e3"; no digits give 0

// A stored value as a 64-bit integer: text as LongLongValue reads it, a
// boolean as 0 or 1, a floating value truncated and saturated (NaN gives 0),
// an unsigned value above the range saturated; anything else 0.
int64_t VariantLongLongValue(const QVariant& value);
// The value holds a number: a boolean, an integer or a floating type.
bool IsNumberVariant(const QVariant& value);

// A size as "{width, height}", each side in the shortest text that reads
// back as the same double.
QString SizeToText(QSizeF size);
// Reads that form, blanks allowed around the braces, the comma and the
// numbers. Anything else, or a side that is not a finite number, gives the
// zero size.
QSizeF SizeFromText(QStringView text);
