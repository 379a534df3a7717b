// A drawing package's "drawing.xml" comes from any file the user opens.
// Whatever its bytes, opening the package never crashes or hangs: it either
// refuses with an alert and leaves the drawing as it was, or loads. The
// package's "Images" folder (a PNG picture and a background) is made once;
// each input becomes its "drawing.xml" and is opened through the same
// reader as a package on the disk.
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementRectangle.h"
#include "support/CSAlertPresenter.h"

namespace {

QString g_package;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
  file.write(bytes);
}

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format)) std::abort();
  return data;
}

void MakePackage() {
  g_package = QDir::temp().filePath(QStringLiteral("twdraw-fuzz-drawing-%1.TWdraw").arg(getpid()));
  QDir().mkpath(g_package + QStringLiteral("/Images"));
  QImage picture(8, 6, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgba(x * 30, y * 40, 90, 255));
  // The seeds name these files.
  WriteFile(g_package + QStringLiteral("/Images/0F3C1D2E-7A4B-4C5D-8E9F-00112233AABB.png"), Encoded(picture, "PNG"));
  WriteFile(g_package + QStringLiteral("/Images/background.tiff"), Encoded(picture, "TIFF"));
  std::atexit([] { QDir(g_package).removeRecursively(); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  MakePackage();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFile(g_package + QStringLiteral("/drawing.xml"),
            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
  DRDrawing drawing;
  // What the drawing holds before must be there after a refusal.
  drawing.elements().push_back(std::make_unique<DRElementRectangle>());
  const DRElement* before = drawing.elements().front().get();
  const bool opened = drawing.loadNativeFile(g_package);
  if (!opened &&
      (drawing.elements().size() != 1 || drawing.elements().front().get() != before || !drawing.filePath().isEmpty()))
    std::abort();
  if (!drawing.newPaintings().isEmpty()) std::abort();
  for (const auto& element : drawing.elements()) {
    if (!element) std::abort();
    (void)element->bounds(false);
  }
  CSRecordingAlertPresenter::shared().clear();
  return 0;
}
