#include "interchange/PdfPages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMarginsF>
#include <QMutex>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <memory>

namespace {

QMutex g_scratchLock;
std::unique_ptr<QTemporaryDir> g_scratch;  // guarded by g_scratchLock
std::atomic<quint64> g_nextPdfNumber{1};

void RemoveScratchFolder() {
  QMutexLocker lock(&g_scratchLock);
  g_scratch.reset();
}

// The folder, made on first use; null when it can't be made.
QTemporaryDir* ScratchFolder() {
  QMutexLocker lock(&g_scratchLock);
  if (!g_scratch) {
    auto folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("twdraw-pdf-XXXXXX")));
    if (!folder->isValid()) return nullptr;
    g_scratch = std::move(folder);
    // Quitting removes the folder; without an application the static's
    // destructor does it at exit.
    if (QCoreApplication* app = QCoreApplication::instance())
      QObject::connect(app, &QCoreApplication::aboutToQuit, app, &RemoveScratchFolder);
  }
  return g_scratch.get();
}

bool UsablePageSize(const QSizeF& size) {
  const double width = size.width();
  const double height = size.height();
  return std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0 && width <= kMaxPdfPageSide &&
         height <= kMaxPdfPageSide;
}

bool DrawPdf(QFile& file, const QSizeF& size, const std::function<void(QPainter&)>& draw) {
  QPdfWriter writer(&file);
  writer.setResolution(72);  // one painter unit per point
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  if (!writer.setPageSize(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch))) return false;
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  if (draw) {
    painter.save();
    draw(painter);
    painter.restore();
  }
  return painter.end();
}

}  // namespace

QString NewTemporaryPdfPath() {
  QTemporaryDir* folder = ScratchFolder();
  if (!folder) return {};
  for (;;) {
    const QString path = folder->filePath(QStringLiteral("%1.pdf").arg(g_nextPdfNumber.fetch_add(1)));
    if (!QFile::exists(path)) return path;
  }
}

bool WriteOnePagePdf(const QString& path, const QSizeF& size, const std::function<void(QPainter&)>& draw) {
  if (path.isEmpty() || !UsablePageSize(size)) return false;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  bool written = DrawPdf(file, size, draw);
  written = file.flush() && written;
  file.close();
  written = written && file.error() == QFileDevice::NoError;
  if (!written) QFile::remove(path);
  return written;
}
