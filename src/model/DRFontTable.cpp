#include "model/DRFontTable.h"

#include "support/Base64.h"
#include "support/Fonts.h"

namespace {

// Packages are written and read on the main thread, one at a time.
DRFontTable* g_currentFontTable = nullptr;

// The longest record text a readable descriptor can have: three UTF-8 bytes
// a character, four Base64 characters for three bytes, and the line ends.
constexpr qsizetype kMaxFontRecordLength = kMaxFontDescriptorLength * 4 + kMaxFontDescriptorLength / 8 + 8;

}  // namespace

DRFontTable::Scope::Scope() : m_previous(g_currentFontTable) {
  g_currentFontTable = &m_table;
}

DRFontTable::Scope::~Scope() {
  g_currentFontTable = m_previous;
}

DRFontTable* DRFontTable::current() {
  return g_currentFontTable;
}

int DRFontTable::indexOfFont(const QFont& font) {
  const qsizetype index = m_fonts.indexOf(font);
  if (index >= 0) return int(index);
  m_fonts.append(font);
  return int(m_fonts.size() - 1);
}

std::optional<QFont> DRFontTable::fontAtIndex(int64_t index) const {
  if (index < 0 || index >= m_fonts.size()) return std::nullopt;
  return m_fonts[qsizetype(index)];
}

QString DRFontTable::fontRecordString(const QFont& font) {
  return NewBase64StringFromData(FontDescriptor(font).toUtf8());
}

std::optional<QFont> DRFontTable::fontFromRecordString(QStringView text, QString* reason) {
  if (text.size() > kMaxFontRecordLength) {
    if (reason) *reason = QStringLiteral("font record too long");
    return std::nullopt;
  }
  const std::optional<QByteArray> data = NewDataFromBase64String(text);
  if (!data) {
    if (reason) *reason = QStringLiteral("font record is not Base64 text");
    return std::nullopt;
  }
  QFont font;
  if (!FontFromDescriptor(QString::fromUtf8(*data), &font, reason)) return std::nullopt;
  return font;
}
