// Draws TWdraw's application icon with QPainter at each size of the
// desktop's icon theme: a blue tile holding a white curve drawn through
// two anchor points, one of them showing its control handle, and a pen
// nib finishing the stroke. Below 32 pixels the handle and the nib are
// left out and the strokes thicken, so the small icons stay legible.
//   make-app-icon OUTPUT_FOLDER
// writes OUTPUT_FOLDER/twdraw-<size>.png for every size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// Everything is drawn on a 512-unit square and scaled to the size.
void DrawIcon(QPainter& p, int size) {
  const bool small = size < 32;
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 512.0, size / 512.0);

  // The tile: a rounded square, lighter at the top, with a soft rim.
  const double inset = small ? 8 : 24;
  const QRectF tile(inset, inset, 512 - 2 * inset, 512 - 2 * inset);
  const double radius = small ? 96 : 104;
  QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
  fill.setColorAt(0, QColor(0x4d, 0x8d, 0xf7));
  fill.setColorAt(1, QColor(0x1f, 0x4e, 0xc2));
  p.setPen(small ? Qt::NoPen : QPen(QColor(0x16, 0x3a, 0x94), 8));
  p.setBrush(fill);
  p.drawRoundedRect(tile, radius, radius);
  if (!small) {
    QRadialGradient shine(QPointF(200, 120), 320);
    shine.setColorAt(0, QColor(255, 255, 255, 70));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(tile.adjusted(6, 6, -6, -6), radius - 6, radius - 6);
  }

  // The curve: from the lower left up over a hump and down to the right.
  const QPointF start(116, 372);
  const QPointF end(396, 236);
  const QPointF control1(140, 120);
  const QPointF control2(300, 420);
  QPainterPath curve(start);
  curve.cubicTo(control1, control2, end);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, small ? 56 : 30, Qt::SolidLine, Qt::RoundCap));
  p.drawPath(curve);

  if (!small) {
    // The start point's control handle: a thin line ending in a knob.
    p.setPen(QPen(QColor(0xff, 0xd4, 0x3b), 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(start, control1);
    p.setPen(QPen(QColor(0x16, 0x3a, 0x94), 8));
    p.setBrush(QColor(0xff, 0xd4, 0x3b));
    p.drawEllipse(control1, 26, 26);
  }

  // The anchor points: white squares with a dark rim.
  const double half = small ? 44 : 32;
  p.setPen(QPen(QColor(0x16, 0x3a, 0x94), small ? 0 : 10));
  if (small) p.setPen(Qt::NoPen);
  p.setBrush(small ? QColor(0xff, 0xd4, 0x3b) : QColor(Qt::white));
  for (const QPointF& anchor : {start, end}) {
    p.drawRect(QRectF(anchor.x() - half, anchor.y() - half, 2 * half, 2 * half));
  }

  if (!small) {
    // A pen nib resting at the end of the stroke, pointing at the anchor.
    p.save();
    p.translate(end);
    p.rotate(-40);
    QPainterPath nib;
    nib.moveTo(0, -46);            // tip, just above the anchor
    nib.lineTo(34, -120);
    nib.lineTo(34, -190);
    nib.lineTo(-34, -190);
    nib.lineTo(-34, -120);
    nib.closeSubpath();
    QLinearGradient metal(QPointF(-34, 0), QPointF(34, 0));
    metal.setColorAt(0, QColor(0xf1, 0xf3, 0xf5));
    metal.setColorAt(1, QColor(0xad, 0xb5, 0xbd));
    p.setPen(QPen(QColor(0x21, 0x25, 0x29), 8, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(metal);
    p.drawPath(nib);
    p.drawLine(QPointF(0, -50), QPointF(0, -112));
    p.setBrush(QColor(0x21, 0x25, 0x29));
    p.drawEllipse(QPointF(0, -120), 9, 9);
    p.restore();
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-app-icon OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (const int size : kSizes) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    DrawIcon(painter, size);
    painter.end();
    const QString path = folder.filePath(QStringLiteral("twdraw-%1.png").arg(size));
    if (!image.save(path)) {
      std::fprintf(stderr, "make-app-icon: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
