#include "platform/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <QFile>
#include <cerrno>

namespace {
QByteArray UserName(const QString& name) {
  return QByteArrayLiteral("user.") + name.toUtf8();
}

bool Fail(int* errorNumber) {
  if (errorNumber) *errorNumber = errno;
  return false;
}
}  // namespace

qsizetype ExtendedAttributeSize(const QString& path, const QString& name, int* errorNumber) {
  const QByteArray file = QFile::encodeName(path);
  const ssize_t size = lgetxattr(file.constData(), UserName(name).constData(), nullptr, 0);
  if (size < 0) {
    Fail(errorNumber);
    return -1;
  }
  return qsizetype(size);
}

bool GetExtendedAttribute(const QString& path, const QString& name, QByteArray* value, int* errorNumber) {
  const QByteArray file = QFile::encodeName(path);
  const QByteArray attribute = UserName(name);
  // The value can change size between asking and reading; ask again then.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = lgetxattr(file.constData(), attribute.constData(), nullptr, 0);
    if (size < 0) return Fail(errorNumber);
    QByteArray buffer(qsizetype(size), Qt::Uninitialized);
    const ssize_t got = lgetxattr(file.constData(), attribute.constData(), buffer.data(), size_t(buffer.size()));
    if (got >= 0) {
      buffer.truncate(got);
      if (value) *value = buffer;
      return true;
    }
    if (errno != ERANGE) return Fail(errorNumber);
  }
  return Fail(errorNumber);
}

bool SetExtendedAttribute(const QString& path, const QString& name, const QByteArray& value, int* errorNumber) {
  const QByteArray file = QFile::encodeName(path);
  if (lsetxattr(file.constData(), UserName(name).constData(), value.constData(), size_t(value.size()), 0) != 0)
    return Fail(errorNumber);
  return true;
}

bool RemoveExtendedAttribute(const QString& path, const QString& name, int* errorNumber) {
  const QByteArray file = QFile::encodeName(path);
  if (lremovexattr(file.constData(), UserName(name).constData()) != 0) return Fail(errorNumber);
  return true;
}

QStringList ListExtendedAttributes(const QString& path, int* errorNumber) {
  const QByteArray file = QFile::encodeName(path);
  QByteArray buffer;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = llistxattr(file.constData(), nullptr, 0);
    if (size < 0) {
      Fail(errorNumber);
      return {};
    }
    buffer.resize(qsizetype(size));
    const ssize_t got = llistxattr(file.constData(), buffer.data(), size_t(buffer.size()));
    if (got >= 0) {
      buffer.truncate(got);
      break;
    }
    if (errno != ERANGE || attempt == 3) {
      Fail(errorNumber);
      return {};
    }
  }
  QStringList names;
  for (const QByteArray& entry : buffer.split('\0')) {
    if (entry.startsWith("user.")) names << QString::fromUtf8(entry.mid(5));
  }
  return names;
}
