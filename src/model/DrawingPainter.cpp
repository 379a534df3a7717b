#include "model/DrawingPainter.h"

#include <QPainter>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <functional>
#include <semaphore>

#include "model/DRCanvasHost.h"
#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementText.h"
#include "support/Bitmaps.h"
#include "support/GraphicsContext.h"

namespace {

// A text marked to be ignored stays off paper and out of the clipboard.
bool IsIgnoredText(const DRElement* element) {
  if (element->elementType() != kElementText) return false;
  const auto* text = dynamic_cast<const DRElementText*>(element);
  return text && text->ignoreText();
}

constexpr double kMaxBackgroundSide = 4096;

void PaintBackground(const DRDrawing& drawing, const QRectF& area, QPainter* painter) {
  const CSImage& image = drawing.backgroundImage();
  if (image.isNull()) return;
  const QRectF rect = ConvertMeasureRect(drawing.backgroundLocation());
  if (!rect.intersects(area)) return;
  double opacity = drawing.backgroundOpacity();
  if (!std::isfinite(opacity)) opacity = 1.0;
  opacity = std::clamp(opacity, 0.0, 1.0);
  if (opacity <= 0.0) return;
  if (opacity >= 1.0) {
    image.drawInRectNormally(painter, rect);
    return;
  }
  // The image's own drawing is always opaque: render it at the size it
  // covers on the device (within kMaxBackgroundSide a side, so a deep zoom
  // costs no more memory than that) and lay that down at the opacity.
  const QRectF device = painter->transform().mapRect(rect);
  const QSize pixels(int(std::ceil(std::min(device.width(), kMaxBackgroundSide))),
                     int(std::ceil(std::min(device.height(), kMaxBackgroundSide))));
  QImage bitmap = image.renderedBitmap(pixels);
  if (bitmap.isNull()) bitmap = image.renderedBitmap(image.size().toSize());
  if (bitmap.isNull()) return;
  painter->save();
  painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->setOpacity(painter->opacity() * opacity);
  painter->drawImage(rect, bitmap);
  painter->restore();
}

// Below this many pixels a rendering stays on the caller's thread: its
// fills are too small to be split, and the hand-off would cost more.
constexpr int64_t kPoolRenderPixels = 256 * 256;

// Runs the paint on a thread of the global pool and waits for it; on the
// calling thread when that is a pool thread already or no thread is free.
void RunOnPoolThread(const std::function<void()>& paint) {
  QThreadPool* pool = QThreadPool::globalInstance();
  if (!pool || pool->contains(QThread::currentThread())) {
    paint();
    return;
  }
  // A standard semaphore, so that the thread sanitizer sees the hand-back.
  std::binary_semaphore done(0);
  if (!pool->tryStart([&paint, &done] {
        paint();
        done.release();
      })) {
    paint();
    return;
  }
  done.acquire();
}

}  // namespace

QRectF CullingRectForElement(const DRElement* element) {
  if (!element) return {};
  return ConvertMeasureRect(element->bounds(false))
      .adjusted(-kCullingMargin, -kCullingMargin, kCullingMargin, kCullingMargin);
}

QRectF DRCanvasHost::cullingRectForElement(DRElement* element) const {
  return CullingRectForElement(element);
}

void PaintDrawing(const DRDrawing& drawing, const QRectF& area, DRPaintMode mode, DRCanvasHost* canvas,
                  DRElementHostingView* host) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PaintBackground(drawing, area, painter);

  const bool printing = mode == DRPaintMode::Print;
  const DRElementHostingView* selector = canvas ? static_cast<DRElementHostingView*>(canvas) : host;
  DRElement* typing = canvas && !printing ? canvas->typingElement() : nullptr;

  // Printing culls by what reaches paper; the canvas by what it may paint,
  // casing and dots included.
  auto misses = [&](DRElement* element) {
    if (printing) return !ConvertMeasureRect(element->bounds(true)).intersects(area);
    if (element->alwaysRedraw()) return false;
    const QRectF cull = canvas ? canvas->cullingRectForElement(element) : CullingRectForElement(element);
    return !cull.intersects(area);
  };

  auto paint = [&](DRElement* element) {
    if (!element || element == typing) return;
    if (mode == DRPaintMode::Clip && (!selector || !selector->isElementSelected(element))) return;
    if ((mode == DRPaintMode::Clip || printing) && IsIgnoredText(element)) return;
    if (misses(element)) return;
    element->drawInView(host);
  };
  const DRElementList& elements = drawing.elements();
  if (mode == DRPaintMode::Screen && canvas) {
    // The canvas repaints small areas of drawings of any size: the grid
    // names the elements that may meet the area, still in list order, and
    // each is culled exactly as in the walk below.
    std::vector<uint32_t> positions;
    drawing.elementIndex().elementsInRect(area, &positions);
    for (const uint32_t position : positions) paint(elements[position].get());
  } else {
    for (const auto& owned : elements) paint(owned.get());
  }

  if (canvas && !printing) {
    DRElement* made = canvas->newElement();
    if (made && made != typing && !misses(made)) made->drawInView(host);
  }
}

QImage RenderDrawing(const DRDrawing& drawing, const QRectF& area, QSize pixels, DRPaintMode mode, DRCanvasHost* canvas,
                     DRElementHostingView* host, const QColor& background) {
  QImage bitmap = CreateQuartzBitmap(pixels.width(), pixels.height());
  if (bitmap.isNull()) return {};
  auto paint = [&] {
    if (background.alpha() != 0) bitmap.fill(background);
    QPainter painter(&bitmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    painter.translate(-area.topLeft());
    GraphicsContextScope context(&painter);
    PaintDrawing(drawing, area, mode, canvas, host);
  };
  if (int64_t(pixels.width()) * pixels.height() >= kPoolRenderPixels)
    RunOnPoolThread(paint);
  else
    paint();
  return bitmap;
}
