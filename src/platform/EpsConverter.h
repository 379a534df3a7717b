#pragma once
// EPS pictures are PostScript programs, which only an interpreter can draw.
// This converts one into a one-page PDF through Ghostscript ("gs"), an
// outside program: always with -dSAFER (no file or device access beyond its
// input and output), in a scratch folder, without the user's GS_OPTIONS,
// under limits on its run time, memory and output size. A program that runs
// past the time limit is killed.

#include <QByteArray>
#include <QString>
#include <cstdint>

// How long a conversion may run, and the largest output it may write.
constexpr int kEpsDefaultTimeLimitMilliseconds = 30000;
constexpr int64_t kEpsMaxOutputBytes = int64_t(512) * 1024 * 1024;
// The interpreter's address space: a program that asks for more fails.
constexpr int64_t kEpsMaxMemoryBytes = int64_t(4) * 1024 * 1024 * 1024;

// Whether the data is PostScript ("%!PS") or an EPS file with the binary
// preview header (C5 D0 D3 C6).
bool IsEpsData(const QByteArray& data);

// The path of Ghostscript's program on the PATH, or empty when it is not
// installed.
QString GhostscriptPath();

// The picture as a PDF whose page is the EPS bounding box; empty data when
// Ghostscript is missing, fails or runs past the time limit, with the reason
// in `error` when given.
QByteArray ConvertEpsToPdf(const QByteArray& eps, int timeLimitMilliseconds, QString* error = nullptr);
