#pragma once
// Sets environment variables for the life of the object and puts the old
// values back afterwards, so that tests can point the XDG folders at
// temporary ones and never write into the real home.

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void set(const char* name, const QString& value);

 private:
  struct Saved {
    QByteArray name;
    bool wasSet;
    QByteArray value;
  };
  std::vector<Saved> m_saved;
};
