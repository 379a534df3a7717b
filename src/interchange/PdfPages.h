#pragma once
// One-page PDFs the picture converters write: a scratch folder of the
// process for them, and a writer that draws one page at 72 dpi.

#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;

// The largest page side, in points, a converter writes.
constexpr double kMaxPdfPageSide = 14400.0;

// One per-process QTemporaryDir (created lazily, removed at quit) for the
// PDFs the converters write; returns a fresh unique path in it ending ".pdf",
// or an empty text when the folder can't be made.
QString NewTemporaryPdfPath();

// Writes a one-page PDF of `size` points (72 dpi, no margins) and draws it
// with `draw` on a QPainter whose origin is the page's top-left; false when
// the writer or painter fails or the size is empty/not finite/over the cap.
// A failed write leaves no file behind.
bool WriteOnePagePdf(const QString& path, const QSizeF& size, const std::function<void(QPainter&)>& draw);
