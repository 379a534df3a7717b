#include "testkit/TestFiles.h"

#include "platform/ExtendedAttributes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArrayLiteral("<missing>");
  return file.readAll();
}

QByteArray EncodeImage(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(image)) ADD_FAILURE() << format << ": " << writer.errorString().toStdString();
  return data;
}

bool UserAttributesWork(const QString& folder) {
  const QString probe = folder + "/.xattr-probe";
  QFile(probe).open(QIODevice::WriteOnly);
  const bool ok = SetExtendedAttribute(probe, "cs.probe", "1");
  QFile::remove(probe);
  return ok;
}
