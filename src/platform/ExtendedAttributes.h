#pragma once
// Extended attributes of files in the "user." namespace: the store for what
// other systems keep in Finder information, resource forks and labels. Names
// are given without the "user." prefix. Symbolic links are never followed.

#include <QByteArray>
#include <QString>
#include <QStringList>

// The largest value the kernel lets one attribute hold.
constexpr qsizetype kExtendedAttributeMaxSize = 65536;

// The attribute's value, or false with errno-style `*errorNumber` (ENODATA
// when it is absent, ENOTSUP where the file system keeps none).
bool GetExtendedAttribute(const QString& path, const QString& name, QByteArray* value, int* errorNumber = nullptr);
// The size of the attribute's value, or -1 (with *errorNumber) when absent.
qsizetype ExtendedAttributeSize(const QString& path, const QString& name, int* errorNumber = nullptr);
bool SetExtendedAttribute(const QString& path, const QString& name, const QByteArray& value,
                          int* errorNumber = nullptr);
bool RemoveExtendedAttribute(const QString& path, const QString& name, int* errorNumber = nullptr);
// The names of the item's "user." attributes, without the prefix.
QStringList ListExtendedAttributes(const QString& path, int* errorNumber = nullptr);
