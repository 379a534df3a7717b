#pragma once
// Lets GoogleTest print a QString as text in failure messages.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toUtf8().toStdString() << '"' << (s.isNull() ? " (null)" : "");
}
