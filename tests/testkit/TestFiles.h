#pragma once
// Small file and encoding helpers the tests share.

#include <QByteArray>
#include <QImage>
#include <QString>

// Writes the bytes to the file, replacing it; a failed open or short write
// fails the test.
void WriteBytes(const QString& path, const QByteArray& bytes);

// The file's bytes, or "<missing>" when it cannot be opened, so that a
// missing file never passes for an empty one.
QByteArray ReadBytes(const QString& path);

// The image encoded by Qt's writer for the format ("png", "jpeg", "tiff"...);
// a failed encoding fails the test with the writer's error.
QByteArray EncodeImage(const QImage& image, const char* format);

// Whether the file system under `folder` keeps "user." extended attributes;
// tests of attributes skip themselves where it does not (tmpfs without
// user_xattr, some overlay set-ups).
bool UserAttributesWork(const QString& folder);
