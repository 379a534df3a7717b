#pragma once
// An in-memory pasteboard made for one drag: the dragged values in the
// order they were stored, each under its type. Every read answers the newest
// value stored for the type, and the writer lists every stored value's type
// in storing order, a type stored twice twice. It is the data of the QDrag
// (CreateDragItem hands it over); the drag owns it, so it lives only as long
// as the drag. Values written through QMimeData's own setters are kept
// apart and answered only where none of ours has the type.

#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class CSDragPasteboard : public QMimeData {
  Q_OBJECT

 public:
  CSDragPasteboard() = default;
  // A new, empty pasteboard for a drag.
  static std::unique_ptr<CSDragPasteboard> dragPasteboard();

  // Appends the value under the type and counts it.
  void setValue(const QVariant& value, const QString& type);
  // Each stores through setValue and always succeeds.
  bool setData(const QByteArray& data, const QString& type);
  bool setString(const QString& string, const QString& type);
  bool setPropertyList(const QVariant& propertyList, const QString& type);

  // The newest value stored under the type; invalid when there is none.
  QVariant valueForType(const QString& type) const;
  // That value when it is bytes (a string: null).
  QByteArray dataForType(const QString& type) const;
  // That value when it is a string (bytes: null).
  QString stringForType(const QString& type) const;
  QVariant propertyListForType(const QString& type) const { return valueForType(type); }

  // The number of values stored so far.
  qint64 changeCount() const { return m_changeCount; }
  // The type of every stored value, in storing order.
  QStringList writableTypes() const;

  // ---- QMimeData ----
  // Our types (repeats included), then the base's that we do not have.
  QStringList formats() const override;
  bool hasFormat(const QString& type) const override;

 protected:
  QVariant retrieveData(const QString& type, QMetaType preferredType) const override;

 private:
  struct Entry {
    QString type;
    QVariant data;
  };
  std::vector<Entry> m_types;
  qint64 m_changeCount = 0;
};
