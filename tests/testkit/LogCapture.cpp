#include "testkit/LogCapture.h"

LogCapture::LogCapture() {
  m_previous = SetLogSink([this](const QString& line) {
    std::lock_guard lock(m_lock);
    m_lines << line;
  });
}

LogCapture::~LogCapture() {
  SetLogSink(std::move(m_previous));
}

QStringList LogCapture::lines() const {
  std::lock_guard lock(m_lock);
  return m_lines;
}
