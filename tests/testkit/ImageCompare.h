#pragma once
// Rendering checks: draw into a QImage at a fixed size, find where the ink
// landed, and compare with an expected image under a per-channel tolerance.
// A failed comparison writes <name>-actual.png, <name>-expected.png and
// <name>-diff.png into <build folder>/test-images, and names them.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

class QPainter;

// An ARGB32-premultiplied image of the size filled with the background,
// after `draw` has painted on it (antialiased) and its painter has ended.
QImage RenderImage(const QSize& size, const std::function<void(QPainter&)>& draw, const QColor& background = Qt::white);

// The same with the painter made the current graphics context for the time
// of `draw`, as the plain-function drawing code finds it.
QImage RenderInContext(const QSize& size, const std::function<void(QPainter&)>& draw,
                       const QColor& background = Qt::white);

// Whether the pixel's red, green and blue each lie within the tolerance of
// the colour's.
bool ColorNear(QRgb actual, const QColor& expected, int tolerance = 3);

// The smallest rectangle holding every pixel that differs from the
// background by more than the tolerance in some channel; empty when none.
QRect InkBounds(const QImage& image, const QColor& background = Qt::white, int tolerance = 16);
QRect InkBounds(const QImage& image, const QRect& within, const QColor& background = Qt::white, int tolerance = 16);
// The number of such pixels inside the rectangle.
int InkCount(const QImage& image, const QRect& within, const QColor& background = Qt::white, int tolerance = 16);

// The folder failed comparisons write into (made on demand).
QString TestImageOutputFolder();

// Success when both images have the same size and every channel of every
// pixel (premultiplied ARGB) differs by at most the tolerance.
::testing::AssertionResult ImagesMatch(const QImage& actual, const QImage& expected, int tolerance,
                                       const QString& name);

// An image under tests/data (a path relative to it); null when missing.
QImage LoadTestImage(const QString& relativePath);
