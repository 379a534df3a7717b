#pragma once
// The drawing font table: while a package is written or read, one ordered
// table of fonts exists for the whole process, and text styles store the
// index of their font in it instead of the font itself. A Scope owns the
// table for its lifetime; outside any scope current() is null and styles
// store their fonts in full.

#include <QFont>
#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

class DRFontTable {
 public:
  // Makes an empty table current for its lifetime (below).
  class Scope;

  // The table of the package being written or read; null otherwise.
  static DRFontTable* current();

  // The index of the font (compared by ==), appending it when it is new.
  int indexOfFont(const QFont& font);
  void append(const QFont& font) { m_fonts.append(font); }
  // The font at the index; nullopt when the index is negative or at or
  // beyond the end.
  std::optional<QFont> fontAtIndex(int64_t index) const;

  const QList<QFont>& fonts() const { return m_fonts; }
  int count() const { return int(m_fonts.size()); }
  bool isEmpty() const { return m_fonts.isEmpty(); }

  // A font as the drawing file stores it: the Base64 text of the UTF-8 of
  // its descriptor, and back. Reading refuses (nullopt, with a reason) text
  // that is not Base64 or a descriptor that does not read.
  static QString fontRecordString(const QFont& font);
  static std::optional<QFont> fontFromRecordString(QStringView text, QString* reason = nullptr);

 private:
  DRFontTable() = default;

  QList<QFont> m_fonts;
};

// Makes an empty table current for the scope's lifetime. Scopes nest: the
// table current before a scope is current again after it.
class DRFontTable::Scope {
 public:
  Scope();
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

  DRFontTable& table() { return m_table; }

 private:
  DRFontTable m_table;
  DRFontTable* m_previous;
};
