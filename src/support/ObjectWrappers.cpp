#include "support/ObjectWrappers.h"

#include <dirent.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/NumberText.h"
#include "support/StringWithFormat.h"
#include "support/TextUtilities.h"

// ---- Lists ----------------------------------------------------------------------

QVariant GetArrayEntry(const QVariantList& array, int64_t index) {
  if (index < 0 || index >= array.size()) return QVariant();
  return array[index];
}

uint32_t IndexOfObject(const QVariantList* array, const QVariant& object) {
  if (!array) return kWrapperNotFound;
  const qsizetype i = array->indexOf(object);
  return i < 0 || i >= qsizetype(kWrapperNotFound) ? kWrapperNotFound : uint32_t(i);
}

uint32_t SizeOfArray(const QVariantList& array) {
  return uint32_t(array.size());
}

// ---- Data -------------------------------------------------------------------------

QByteArray CreateData(int64_t capacity) {
  QByteArray data;
  if (capacity > 0 && capacity < (int64_t(1) << 31)) data.reserve(qsizetype(capacity));
  return data;
}

QByteArray CreateDataFromBytes(const void* bytes, int64_t length) {
  if (!bytes || length <= 0) return QByteArray(0, '\0');
  return QByteArray(static_cast<const char*>(bytes), qsizetype(length));
}

void AppendBytesToData(QByteArray& data, const void* bytes, int64_t length) {
  if (bytes && length > 0) data.append(static_cast<const char*>(bytes), qsizetype(length));
}

const uint8_t* BytesOfData(const QByteArray& data) {
  return reinterpret_cast<const uint8_t*>(data.constData());
}
uint32_t LengthOfData(const QByteArray& data) {
  return uint32_t(data.size());
}

// ---- Paths ------------------------------------------------------------------------

QString AppendPathComponent(const QString& path, const QString& name) {
  if (path.isEmpty()) return name;
  if (name.isEmpty()) return path;
  if (path.endsWith(QLatin1Char('/'))) return path + name;
  return path + QLatin1Char('/') + name;
}

QString TempFileName(const QString& base, const QString& extension) {
  // Tries "base.ext", then "base-2.ext", "base-3.ext", ...
  constexpr int kMaxTries = 10000;
  const QString folder = QDir::tempPath();
  const QString stem = base.isEmpty() ? QStringLiteral("temp") : base;
  const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
  for (int n = 1; n <= kMaxTries; ++n) {
    const QString name = n == 1 ? stem + suffix : stem + QLatin1Char('-') + QString::number(n) + suffix;
    const QString path = AppendPathComponent(folder, name);
    if (!QFileInfo::exists(path)) return path;
  }
  return AppendPathComponent(folder, stem + QLatin1Char('-') + GuidString() + suffix);
}

QStringList FolderContents(const QString& folder, const QStringList& extensions, const QString& alertTitle,
                           const QString& messageFormat, bool* ok) {
  QStringList names;
  DIR* dir = folder.isEmpty() ? nullptr : opendir(QFile::encodeName(folder).constData());
  if (!dir) {
    const QString reason = QString::fromLocal8Bit(std::strerror(folder.isEmpty() ? ENOENT : errno));
    LogString("Can't enumerate folder %@. %@", folder, reason);
    if (!alertTitle.isEmpty()) {
      const QByteArray format = messageFormat.toUtf8();
      GiveSimpleAlert(alertTitle, StringWithFormat(format.constData(), LastPathComponent(folder), reason));
    }
    if (ok) *ok = false;
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    const QString name = QFile::decodeName(entry->d_name);
    if (!extensions.isEmpty()) {
      const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
      if (dot <= 0 || !extensions.contains(name.mid(dot + 1), Qt::CaseInsensitive)) continue;
    }
    names << name;
  }
  closedir(dir);
  names.sort();
  if (ok) *ok = true;
  return names;
}

// ---- Strings ----------------------------------------------------------------------

QString NewStringFromBytes(const char* bytes, int64_t length, int code) {
  const uint32_t encoding = code == kByteStringASCII  ? kASCIIStringEncoding
                            : code == kByteStringUTF8 ? kUTF8StringEncoding
                                                      : kMacOSRomanStringEncoding;
  return StringFromBytesInEncoding(bytes, qsizetype(std::max<int64_t>(length, 0)), encoding);
}

QString CreateStringFromUnicode(const char16_t* chars, int64_t length) {
  if (!chars || length <= 0) return QString(QLatin1String(""));
  return QString(reinterpret_cast<const QChar*>(chars), qsizetype(length));
}

QString NewGuidString() {
  return GuidString();
}

void AppendToString(QString& m, const QString& s) {
  if (!s.isEmpty()) m += s;
}

void AppendCharactersToString(QString& m, const char16_t* chars, int64_t count) {
  if (chars && count > 0) m.append(reinterpret_cast<const QChar*>(chars), qsizetype(count));
}

void DeleteStringCharacters(QString& m, int64_t from, int64_t to) {
  DeleteCharactersFrom(m, from, to);
}

void ClearString(QString& m) {
  m.resize(0);
}

void InsertStringIntoString(QString& m, const QString& s, int64_t index) {
  m.insert(qsizetype(std::clamp<int64_t>(index, 0, m.size())), s);
}

void ReplaceInString(QString& m, const QString& oldText, const QString& newText) {
  if (!oldText.isEmpty()) m.replace(oldText, newText, Qt::CaseSensitive);
}

QString ReplaceString(const QString& s, const QString& oldText, const QString& newText) {
  if (oldText.isEmpty() || !s.contains(oldText)) return s;
  QString copy = s;
  copy.replace(oldText, newText, Qt::CaseSensitive);
  return copy;
}

char16_t CharacterInString(const QString& s, int64_t index) {
  if (index < 0 || index >= s.size()) return u' ';
  return s[qsizetype(index)].unicode();
}

QString GetSubstring(const QString& s, int64_t from, int64_t to) {
  return SubstringFrom(s, from, to);
}

uint32_t CopyUnicodeFromString(const QString& s, char16_t* buffer, int64_t max) {
  if (!buffer || max <= 0) return 0;
  const qsizetype n = qsizetype(std::min<int64_t>(s.size(), max));
  std::copy_n(s.utf16(), n, buffer);
  return uint32_t(n);
}

void GetUnicodeFromString(const QString& s, char16_t* buffer) {
  if (buffer) std::copy_n(s.utf16(), s.size(), buffer);
}

int IntFromString(const QString& s) {
  return IntValue(s);
}
int64_t LongIntFromString(const QString& s) {
  return LongLongValue(s);
}

QString PercentUnescapedString(const QString& s) {
  return DecodeString(s);
}

bool AreStringsEqual(const QString& a, const QString& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  return a == b;
}

uint32_t LengthOfString(const QString& s) {
  return uint32_t(s.size());
}

int64_t PositionOfStringInString(const QString& s, const QString& find) {
  if (s.isNull() || find.isNull()) return kWrapperNotFound;
  const qsizetype at = find.isEmpty() ? -1 : s.indexOf(find, 0, Qt::CaseInsensitive);
  return at < 0 ? int64_t(kStringNotFound) : at;
}

int64_t PositionOfStringInStringFrom(const QString& s, const QString& find, int64_t from) {
  return IndexOfStringStartingAt(s, find, qsizetype(from));
}
