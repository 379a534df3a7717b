#pragma once
// Where finished log lines go. The application points it at its log file at
// start-up; tests point it at a capture. Until then lines go to stderr.

#include <QString>
#include <functional>

using LogSinkFunction = std::function<void(const QString& line)>;

// Installs `sink` (an empty function restores stderr) and returns the old one.
LogSinkFunction SetLogSink(LogSinkFunction sink);

// Hands one message to the current sink. Safe from any thread.
void WriteLogLine(const QString& line);
