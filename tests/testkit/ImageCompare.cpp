#include "testkit/ImageCompare.h"

#include "support/GraphicsContext.h"

#include <QDir>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace {

int ChannelDifference(QRgb a, QRgb b) {
  return std::max({std::abs(qAlpha(a) - qAlpha(b)), std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

QImage Normalised(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QImage RenderImage(const QSize& size, const std::function<void(QPainter&)>& draw, const QColor& background) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(background);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  if (draw) draw(painter);
  painter.end();
  return image;
}

QImage RenderInContext(const QSize& size, const std::function<void(QPainter&)>& draw, const QColor& background) {
  return RenderImage(
      size,
      [&](QPainter& painter) {
        GraphicsContextScope scope(&painter);
        if (draw) draw(painter);
      },
      background);
}

bool ColorNear(QRgb actual, const QColor& expected, int tolerance) {
  return std::abs(qRed(actual) - expected.red()) <= tolerance &&
         std::abs(qGreen(actual) - expected.green()) <= tolerance &&
         std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

QRect InkBounds(const QImage& image, const QColor& background, int tolerance) {
  return InkBounds(image, image.rect(), background, tolerance);
}

QRect InkBounds(const QImage& image, const QRect& within, const QColor& background, int tolerance) {
  const QImage normal = Normalised(image);
  const QRgb back = qPremultiply(background.rgba());
  const QRect area = within.intersected(normal.rect());
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(normal.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      if (ChannelDifference(line[x], back) <= tolerance) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (left > right) return QRect();
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

int InkCount(const QImage& image, const QRect& within, const QColor& background, int tolerance) {
  const QImage normal = Normalised(image);
  const QRgb back = qPremultiply(background.rgba());
  const QRect area = within.intersected(normal.rect());
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(normal.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      if (ChannelDifference(line[x], back) > tolerance) ++count;
    }
  }
  return count;
}

QString TestImageOutputFolder() {
  const QString folder = QStringLiteral(TWDRAW_BINARY_DIR "/test-images");
  QDir().mkpath(folder);
  return folder;
}

::testing::AssertionResult ImagesMatch(const QImage& actual, const QImage& expected, int tolerance,
                                       const QString& name) {
  if (actual.isNull() || expected.isNull()) {
    return ::testing::AssertionFailure() << name.toStdString() << ": " << (actual.isNull() ? "actual" : "expected")
                                         << " image is null";
  }
  const QImage a = Normalised(actual);
  const QImage e = Normalised(expected);
  int worst = 0;
  qint64 differing = 0;
  QImage diff;
  if (a.size() == e.size()) {
    diff = QImage(a.size(), QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
      const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
      const auto* le = reinterpret_cast<const QRgb*>(e.constScanLine(y));
      auto* ld = reinterpret_cast<QRgb*>(diff.scanLine(y));
      for (int x = 0; x < a.width(); ++x) {
        const int d = ChannelDifference(la[x], le[x]);
        worst = std::max(worst, d);
        if (d > tolerance) {
          ++differing;
          ld[x] = qRgb(255, 0, 0);
        } else {
          // Matching pixels show faintly so the failures stand out.
          const int grey = 255 - qGray(le[x]) / 4;
          ld[x] = qRgb(grey, grey, grey);
        }
      }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
  }
  const QString base = TestImageOutputFolder() + u'/' + name;
  a.save(base + QStringLiteral("-actual.png"));
  e.save(base + QStringLiteral("-expected.png"));
  if (!diff.isNull()) diff.save(base + QStringLiteral("-diff.png"));
  auto failure = ::testing::AssertionFailure() << name.toStdString() << ": ";
  if (a.size() != e.size()) {
    failure << "size " << a.width() << "x" << a.height() << " differs from expected " << e.width() << "x" << e.height();
  } else {
    failure << differing << " pixels differ by more than " << tolerance << " (worst " << worst << ")";
  }
  return failure << "; images in " << base.toStdString() << "-*.png";
}

QImage LoadTestImage(const QString& relativePath) {
  return QImage(QStringLiteral(TWDRAW_TEST_DATA "/") + relativePath);
}
