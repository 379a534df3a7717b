#include "testkit/ScopedEnvironment.h"

#include <QFile>

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
    if (it->wasSet) {
      qputenv(it->name.constData(), it->value);
    } else {
      qunsetenv(it->name.constData());
    }
  }
}

void ScopedEnvironment::set(const char* name, const QString& value) {
  m_saved.push_back(Saved{QByteArray(name), qEnvironmentVariableIsSet(name), qgetenv(name)});
  qputenv(name, QFile::encodeName(value));
}
