#pragma once
// Collects the log lines written while it lives, in place of the log sink.

#include "platform/LogSink.h"

#include <QStringList>
#include <mutex>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  QStringList lines() const;
  QString text() const { return lines().join(QLatin1Char('\n')); }

 private:
  mutable std::mutex m_lock;
  QStringList m_lines;
  LogSinkFunction m_previous;
};
