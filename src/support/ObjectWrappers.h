#pragma once
// Plain functions over strings, byte arrays, lists and paths for the code
// that works on handles (the rich-text engine, the picture importers). The
// values are Qt's implicitly shared ones, so there is nothing to retain or
// release; a null QString stands for "no string".

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>

#include "support/Categories.h"  // LastPathComponent
#include "support/StringWithFormat.h"

// "Not found" of these wrappers.
constexpr uint32_t kWrapperNotFound = 0xFFFFFFFF;

// Byte-string encoding codes: 0 ASCII, 2 UTF-8, anything else Mac OS Roman.
enum : int { kByteStringASCII = 0, kByteStringUTF8 = 2, kByteStringMacRoman = 1 };

// ---- Lists ----------------------------------------------------------------------

QVariant GetArrayEntry(const QVariantList& array, int64_t index);           // invalid when not below the count
uint32_t IndexOfObject(const QVariantList* array, const QVariant& object);  // kWrapperNotFound when absent
uint32_t SizeOfArray(const QVariantList& array);

// ---- Data -------------------------------------------------------------------------

QByteArray CreateData(int64_t capacity);
QByteArray CreateDataFromBytes(const void* bytes, int64_t length);
void AppendBytesToData(QByteArray& data, const void* bytes, int64_t length);
const uint8_t* BytesOfData(const QByteArray& data);
uint32_t LengthOfData(const QByteArray& data);

// ---- Paths ------------------------------------------------------------------------

QString AppendPathComponent(const QString& path, const QString& name);
// A path in the temporary folder, built from the base name and extension,
// that names nothing yet.
QString TempFileName(const QString& base, const QString& extension);
// The names of the folder's items, only those with one of the extensions
// (compared ignoring case) when any are given. When the folder cannot be
// read: logs "Can't enumerate folder %@. %@", shows an alert when a title is
// given (the message format filled with the folder's name and the reason),
// and answers an empty list with *ok false.
QStringList FolderContents(const QString& folder, const QStringList& extensions, const QString& alertTitle,
                           const QString& messageFormat, bool* ok = nullptr);

// ---- Strings ----------------------------------------------------------------------

// Decoded with a byte-string encoding code; null when the bytes are not
// valid text in it.
QString NewStringFromBytes(const char* bytes, int64_t length, int code);
QString CreateStringFromUnicode(const char16_t* chars, int64_t length);
inline QString NewStringFromUnicode(const char16_t* chars, int64_t length) {
  return CreateStringFromUnicode(chars, length);
}
template <typename... Args>
QString NewStringWithFormat(const char* format, const Args&... args) {
  return StringWithFormat(format, args...);
}
// Empty, not null: a mutable string exists.
inline QString CreateMutableString() {
  return QString(QLatin1String(""));
}
inline QString NewMutableString() {
  return CreateMutableString();
}
inline QString MutableStringFromString(const QString& s) {
  return s.isNull() ? CreateMutableString() : s;
}
inline QString NewMutableStringFromUnicode(const char16_t* chars, int64_t length) {
  return CreateStringFromUnicode(chars, length);
}
// Null when the bytes are not valid text in the encoding.
inline QString CreateMutableStringFromBytes(const char* bytes, int64_t length, int code) {
  return NewStringFromBytes(bytes, length, code);
}
QString NewGuidString();
void AppendToString(QString& m, const QString& s);  // nothing for an empty string
void AppendCharactersToString(QString& m, const char16_t* chars, int64_t count);
void DeleteStringCharacters(QString& m, int64_t from, int64_t to);
void ClearString(QString& m);
void InsertStringIntoString(QString& m, const QString& s, int64_t index);  // index clamped to the length
void ReplaceInString(QString& m, const QString& oldText, const QString& newText);
QString ReplaceString(const QString& s, const QString& oldText, const QString& newText);
char16_t CharacterInString(const QString& s, int64_t index);  // a space outside the string
QString GetSubstring(const QString& s, int64_t from, int64_t to);
// Copies at most `max` units from the start; answers the count.
uint32_t CopyUnicodeFromString(const QString& s, char16_t* buffer, int64_t max);
// Copies the whole string; the buffer must hold its length.
void GetUnicodeFromString(const QString& s, char16_t* buffer);
int IntFromString(const QString& s);
int64_t LongIntFromString(const QString& s);
QString PercentUnescapedString(const QString& s);
// True when both are null, or both exist and are equal.
bool AreStringsEqual(const QString& a, const QString& b);
uint32_t LengthOfString(const QString& s);
// Case-insensitive; kStringNotFound (Categories.h) when absent, kWrapperNotFound
// when either string is null.
int64_t PositionOfStringInString(const QString& s, const QString& find);
int64_t PositionOfStringInStringFrom(const QString& s, const QString& find, int64_t from);
