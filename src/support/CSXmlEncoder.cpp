#include "support/CSXmlEncoder.h"

#include <iterator>

#include "support/Categories.h"

const QString g_xmlPrefix = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
const QString g_svgNamespace = QStringLiteral("http://www.w3.org/2000/svg");

namespace {

void AppendTabs(QString& out, uint64_t count) {
  static constexpr char16_t kTabs[] = u"\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  constexpr uint64_t kMaxRun = std::size(kTabs) - 1;
  for (; count > kMaxRun; count -= kMaxRun) out.append(QStringView(kTabs, qsizetype(kMaxRun)));
  out.append(QStringView(kTabs, qsizetype(count)));
}

}  // namespace

CSXmlEncoder::CSXmlEncoder(qsizetype capacity) {
  if (capacity > 0) m_xml.reserve(capacity);
  m_xml.append(g_xmlPrefix);
}

CSXmlEncoder CSXmlEncoder::createForSvg() {
  CSXmlEncoder encoder;
  encoder.m_xml.clear();
  encoder.m_svg = true;
  return encoder;
}

void CSXmlEncoder::saveInsertionPoint() {
  m_insertionStack.push_back({m_level, m_xml.size()});
}

void CSXmlEncoder::beginInsertion() {
  if (m_inserting || m_insertionStack.empty()) return;
  const InsertionPoint& point = m_insertionStack.back();
  if (m_xml.size() > point.length) {
    m_savedTail = m_xml.sliced(point.length);
    m_xml.truncate(point.length);
  }
  m_savedLevel = m_level;
  m_savedPendingChild = m_pendingChild;
  m_level = point.level;
  m_inserting = true;
}

void CSXmlEncoder::endInsertion() {
  if (!m_inserting) return;
  m_level = m_savedLevel;
  m_inserting = false;
  cancelInsertion();
  if (!m_savedTail.isEmpty()) {
    m_xml.append(m_savedTail);
    // The text now ends with what was written last before the insertion.
    m_pendingChild = m_savedPendingChild;
  }
  m_savedTail.clear();
}

void CSXmlEncoder::cancelInsertion() {
  if (!m_insertionStack.empty()) m_insertionStack.pop_back();
}

void CSXmlEncoder::addAttribute(const QString& name, const QString& value) {
  if (value.isEmpty()) return;
  m_attributes.append(name);
  m_attributes.append(CreateEscapedStringForHtml(value));
}

void CSXmlEncoder::addAttributeWithNumber(const QString& name, int32_t number) {
  m_attributes.append(name);
  m_attributes.append(QString::number(number));
}

void CSXmlEncoder::addTag(const QString& name, const QString& value) {
  if (name.isNull() || value.isNull()) return;
  openTag(name, value, false);
}

void CSXmlEncoder::addTagWithNumber(const QString& name, int32_t number) {
  openTag(name, QString::number(number), true);
}

void CSXmlEncoder::addTagWithLongNumber(const QString& name, int64_t number) {
  openTag(name, QString::number(qint64(number)), true);
}

bool CSXmlEncoder::insertionPointAtEnd() const {
  for (const InsertionPoint& point : m_insertionStack)
    if (point.length >= m_xml.size()) return true;
  return false;
}

void CSXmlEncoder::closeTag(const QString& name) {
  // An unmatched close must not wrap the level round to an endless indent.
  if (m_level > 0) --m_level;
  // An element with nothing inside closes on its open tag's line, unless an
  // insertion point was saved right after the open tag: pulling the end tag
  // up would put that point inside the end tag, and an insertion there
  // would break the text. The end tag then takes a line of its own.
  if (m_pendingChild && m_xml.endsWith(u'\n') && !insertionPointAtEnd()) {
    m_xml.chop(1);
  } else {
    AppendTabs(m_xml, m_level);
  }
  m_pendingChild = false;
  m_xml.append(u"</");
  m_xml.append(name);
  m_xml.append(u">\n");
}

void CSXmlEncoder::openTag(const QString& name, const QString& value, bool safeValue) {
  writeTag(name, value.isNull() ? TagKind::open : (value.isEmpty() ? TagKind::empty : TagKind::whole), value,
           safeValue);
}

void CSXmlEncoder::writeTag(const QString& name, TagKind kind, QStringView value, bool safeValue) {
  m_pendingChild = false;
  AppendTabs(m_xml, m_level);
  m_xml.append(u'<');
  m_xml.append(name);
  if (m_svg && m_empty) {
    m_xml.append(u" xmlns=\"");
    m_xml.append(g_svgNamespace);
    m_xml.append(u'"');
  }
  for (qsizetype i = 0; i + 1 < m_attributes.size(); i += 2) {
    m_xml.append(u' ');
    m_xml.append(m_attributes[i]);
    m_xml.append(u"=\"");
    m_xml.append(m_attributes[i + 1]);
    m_xml.append(u'"');
  }
  m_attributes.clear();
  if (kind == TagKind::open) {
    m_xml.append(u'>');
    ++m_level;
    m_pendingChild = true;
  } else if (kind == TagKind::empty) {
    m_xml.append(u"/>");
  } else {
    m_xml.append(u'>');
    if (safeValue) {
      m_xml.append(value);
    } else {
      AppendEscapedForHtml(m_xml, value);
    }
    m_xml.append(u"</");
    m_xml.append(name);
    m_xml.append(u'>');
  }
  m_xml.append(u'\n');
  m_empty = false;
}
