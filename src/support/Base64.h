#pragma once
// Base64 with the standard alphabet and "=" padding, for image data in
// locators, SVG data links and pasteboard records.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <optional>

// The text breaks before every 77th character with a line feed (never at the end).
constexpr int kBase64LineLength = 76;
// The largest input encoded; beyond it the text would not fit in a QString.
constexpr size_t kMaxBase64Input = size_t(1) << 30;

// The encoded text, or a null QString for an empty or oversized input.
QString NewBase64StringFromBytes(const void* bytes, size_t length);
QString NewBase64StringFromData(const QByteArray& data);

// The decoded bytes; nullopt for malformed text: anything but line ends, the
// alphabet and "=" (blanks included). The first "=" ends the text, and a text
// that simply ends gives the bytes gathered so far.
std::optional<QByteArray> NewDataFromBase64String(QStringView text);
