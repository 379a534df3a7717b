#include "support/widgets/CSDragPasteboard.h"

std::unique_ptr<CSDragPasteboard> CSDragPasteboard::dragPasteboard() {
  return std::make_unique<CSDragPasteboard>();
}

void CSDragPasteboard::setValue(const QVariant& value, const QString& type) {
  m_types.push_back(Entry{type, value});
  ++m_changeCount;
}

bool CSDragPasteboard::setData(const QByteArray& data, const QString& type) {
  setValue(QVariant(data), type);
  return true;
}

bool CSDragPasteboard::setString(const QString& string, const QString& type) {
  setValue(QVariant(string), type);
  return true;
}

bool CSDragPasteboard::setPropertyList(const QVariant& propertyList, const QString& type) {
  setValue(propertyList, type);
  return true;
}

QVariant CSDragPasteboard::valueForType(const QString& type) const {
  for (auto entry = m_types.rbegin(); entry != m_types.rend(); ++entry) {
    if (entry->type == type) return entry->data;
  }
  return QVariant();
}

QByteArray CSDragPasteboard::dataForType(const QString& type) const {
  const QVariant value = valueForType(type);
  return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QString CSDragPasteboard::stringForType(const QString& type) const {
  const QVariant value = valueForType(type);
  return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QStringList CSDragPasteboard::writableTypes() const {
  QStringList types;
  types.reserve(qsizetype(m_types.size()));
  for (const Entry& entry : m_types) types.append(entry.type);
  return types;
}

QStringList CSDragPasteboard::formats() const {
  QStringList types = writableTypes();
  for (const QString& type : QMimeData::formats()) {
    if (!types.contains(type)) types.append(type);
  }
  return types;
}

bool CSDragPasteboard::hasFormat(const QString& type) const {
  return formats().contains(type);
}

QVariant CSDragPasteboard::retrieveData(const QString& type, QMetaType preferredType) const {
  const QVariant value = valueForType(type);
  if (!value.isValid()) return QMimeData::retrieveData(type, preferredType);
  // Another application asks for bytes: a string travels as UTF-8.
  if (preferredType.id() == QMetaType::QByteArray && value.typeId() == QMetaType::QString)
    return value.toString().toUtf8();
  return value;
}
