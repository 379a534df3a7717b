#pragma once
// Builds an XML text in memory, one element per line, indented by one tab per
// nesting level. Attributes are queued and go into the next tag written.
// Insertion points let a writer come back to a remembered place and write
// elements there after more has been written behind it.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The XML declaration line every XML document of the application starts with.
extern const QString g_xmlPrefix;  // <?xml version="1.0" encoding="UTF-8"?> and a line feed

// The namespace the first element of an SVG document carries.
extern const QString g_svgNamespace;  // "http://www.w3.org/2000/svg"

class CSXmlEncoder {
 public:
  CSXmlEncoder() : CSXmlEncoder(0) {}
  // The text starts with the XML declaration; a capacity other than 0 is
  // reserved up front.
  explicit CSXmlEncoder(qsizetype capacity);
  // No declaration; the first tag written carries the SVG namespace.
  static CSXmlEncoder createForSvg();

  // Remembers the current place and level (a stack; points may be nested).
  void saveInsertionPoint();
  // Cuts off what was written after the newest saved point, so that what is
  // written next lands there at its level. Does nothing while an insertion is
  // under way or when no point is saved.
  void beginInsertion();
  // Puts back what was cut off, returns to the level of before and drops the
  // saved point. Does nothing unless an insertion is under way.
  void endInsertion();
  // Drops the newest saved point, if any.
  void cancelInsertion();

  // Queues name="value" for the next tag; the value is escaped. A null or
  // empty value queues nothing.
  void addAttribute(const QString& name, const QString& value);
  // Queues name="number" for the next tag.
  void addAttributeWithNumber(const QString& name, int32_t number);

  // <name attributes> on a line of its own; what follows is one level deeper.
  void openTag(const QString& name) { writeTag(name, TagKind::open, {}, false); }
  // <name attributes/>.
  void openAndCloseTag(const QString& name) { writeTag(name, TagKind::empty, {}, false); }
  // <name>escaped value</name>; nothing when the name or the value is null; an
  // empty value gives <name/>.
  void addTag(const QString& name, const QString& value);
  void addTagWithNumber(const QString& name, int32_t number);
  void addTagWithLongNumber(const QString& name, int64_t number);
  // Closes the innermost open element, which the caller names. An element
  // with nothing inside is closed on the line of its open tag.
  void closeTag(const QString& name);
  // The core writer: a null value opens an element, any other value writes a
  // whole element; safeValue writes the value as it stands.
  void openTag(const QString& name, const QString& value, bool safeValue);

  bool isEmpty() const { return m_empty; }
  const QString& savedTail() const { return m_savedTail; }
  void setSavedTail(const QString& tail) { m_savedTail = tail; }
  const QString& xml() const { return m_xml; }
  uint64_t level() const { return m_level; }

 private:
  enum class TagKind { open, empty, whole };
  void writeTag(const QString& name, TagKind kind, QStringView value, bool safeValue);
  // Whether a saved insertion point lies at the end of the text.
  bool insertionPointAtEnd() const;

  struct InsertionPoint {
    uint64_t level;
    qsizetype length;
  };

  QString m_xml;
  QStringList m_attributes;  // name and escaped value alternating
  uint64_t m_level = 0;
  bool m_pendingChild = false;
  bool m_empty = true;
  bool m_svg = false;
  QString m_savedTail;
  bool m_inserting = false;
  uint64_t m_savedLevel = 0;
  bool m_savedPendingChild = false;
  std::vector<InsertionPoint> m_insertionStack;
};
