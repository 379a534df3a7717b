#include "platform/LogSink.h"

#include <QMutex>
#include <cstdio>

namespace {
QMutex g_sinkLock;
LogSinkFunction g_sink;
}  // namespace

LogSinkFunction SetLogSink(LogSinkFunction sink) {
  QMutexLocker lock(&g_sinkLock);
  LogSinkFunction old = std::move(g_sink);
  g_sink = std::move(sink);
  return old;
}

void WriteLogLine(const QString& line) {
  LogSinkFunction sink;
  {
    QMutexLocker lock(&g_sinkLock);
    sink = g_sink;
  }
  if (sink) {
    sink(line);
    return;
  }
  const QByteArray utf8 = line.toUtf8();
  std::fprintf(stderr, "%s\n", utf8.constData());
}
