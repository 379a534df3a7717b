// Rendering an element off screen and what that rendering answers: hit
// tests of points and rectangles, the bounds of the visible pixels, and the
// reflection drawn under the element.

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "model/DRElement.h"
#include "pixmap/CSPixmap.h"
#include "platform/NotificationCenter.h"
#include "support/Bitmaps.h"
#include "support/GraphicsContext.h"
#include "support/SaturatingCast.h"

namespace {

// The probes of a point hit test, in the order they are tried.
constexpr std::array<std::pair<int, int>, 17> kProbes = {{
    {0, 0},
    {-1, -1},
    {0, -1},
    {1, -1},
    {1, 0},
    {1, 1},
    {0, 1},
    {-1, 1},
    {-1, 0},
    {-2, -2},
    {0, -2},
    {2, -2},
    {2, 0},
    {2, 2},
    {0, 2},
    {-2, 2},
    {-2, 0},
}};

bool IsFinite(const QRectF& rect) {
  return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
         std::isfinite(rect.height());
}

// The smallest rectangle of whole points holding the rectangle.
QRectF IntegralRect(const QRectF& rect) {
  const double left = std::floor(rect.left());
  const double top = std::floor(rect.top());
  return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

// Inside in the platform's sense: the far edges are outside.
bool PointInRect(const QPointF& point, const QRectF& rect) {
  return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() && point.y() < rect.bottom();
}

// Whether a bitmap of that many pixels may be made for a render: within the
// pixmap engine's caps (a hostile frame would otherwise ask for gigabytes).
bool IsRenderableSize(double width, double height) {
  return width >= 1 && height >= 1 && width <= kMaxPixmapSide && height <= kMaxPixmapSide &&
         width * height <= double(kMaxPixmapPixels);
}

// An off-screen bitmap that is the current graphics context while it lives.
// Without alpha every pixel is opaque, as the render erases it to white.
class FocusedBitmap {
 public:
  FocusedBitmap(int width, int height, bool useAlpha, bool flip) : m_image(CreateQuartzBitmap(width, height)) {
    if (m_image.isNull()) return;
    if (!useAlpha && !m_image.reinterpretAsFormat(QImage::Format_RGB32)) {
      m_image = QImage();
      return;
    }
    if (!m_painter.begin(&m_image)) {
      m_image = QImage();
      return;
    }
    m_painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    if (flip) FlipContextCore(&m_painter, QRectF(0, 0, width, height));
    PushGraphicsContext(&m_painter);
    m_pushed = true;
  }
  ~FocusedBitmap() { finish(); }
  FocusedBitmap(const FocusedBitmap&) = delete;
  FocusedBitmap& operator=(const FocusedBitmap&) = delete;

  bool isValid() const { return m_pushed; }
  QPainter& painter() { return m_painter; }
  // Ends the drawing and gives the pixels.
  QImage finish() {
    if (m_pushed) {
      PopGraphicsContext();
      m_pushed = false;
    }
    if (m_painter.isActive()) m_painter.end();
    return m_image;
  }

 private:
  QImage m_image;
  QPainter m_painter;
  bool m_pushed = false;
};

// Takes the shadow and the reflection away for the time of a hit test:
// neither can be hit.
class StylesAside {
 public:
  explicit StylesAside(DRElement& element)
      : m_element(element), m_shadow(element.shadow()), m_reflection(element.reflection()) {
    element.setShadow(std::nullopt);
    element.setReflection(0);
  }
  ~StylesAside() {
    m_element.setShadow(m_shadow);
    m_element.setReflection(m_reflection);
  }
  StylesAside(const StylesAside&) = delete;
  StylesAside& operator=(const StylesAside&) = delete;

 private:
  DRElement& m_element;
  std::optional<DRShadow> m_shadow;
  int64_t m_reflection;
};

}  // namespace

// ---- The cache and the end of a gesture --------------------------------------------------------
// Undo snapshots hold a copy of every element of a drawing, so elements
// come and go by the ten thousand: rather than each keeping an observer of
// its own (whose removal costs a walk over all of them), one observer drops
// the bitmaps of the elements that hold one.

namespace {

std::mutex& CacheLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_set<DRElement*>& ElementsWithBitmaps() {
  static std::unordered_set<DRElement*> elements;
  return elements;
}

void PurgeAllBitmaps() {
  std::unordered_set<DRElement*> elements;
  {
    const std::lock_guard<std::mutex> lock(CacheLock());
    elements.swap(ElementsWithBitmaps());
  }
  for (DRElement* element : elements) element->purgeBitmap();
}

}  // namespace

void DRElement::ObserveDoneSelecting() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const char owner = 0;
    NotificationCenter::defaultCenter().addObserver(&owner, g_doneSelectingNotification, nullptr,
                                                    [](const CSNotification&) { PurgeAllBitmaps(); });
  });
}

bool ProbeBitmapNear(const QImage& bitmap, int x, int y) {
  if (bitmap.isNull() || bitmap.depth() != 32) return false;
  for (const auto& [dx, dy] : kProbes) {
    const int64_t px = int64_t(x) + dx, py = int64_t(y) + dy;
    if (px < 0 || py < 0 || px >= bitmap.width() || py >= bitmap.height()) continue;
    const QRgb pixel = reinterpret_cast<const QRgb*>(bitmap.constScanLine(int(py)))[px];
    if ((pixel & 0xFFFFFF) != 0xFFFFFF) return true;
  }
  return false;
}

// ---- Hit testing ------------------------------------------------------------------------------

bool DRElement::isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick) {
  (void)forClick;
  StylesAside aside(*this);
  const QRectF bounds = ConvertMeasureRect(this->bounds(false));
  if (!PointInRect(point, bounds)) return false;
  const QRectF frame = ConvertMeasureRect(m_frame);
  // A filled shape that is not turned answers from its outline when the
  // point is inside; its line may still be hit outside it.
  if (canHitTestBezier() && m_rotation == 0 && bezierForRect(frame, canDrawClosed()).contains(point)) return true;
  if (!createBitmapInFrame(frame, bounds, view)) return false;
  const int x = SaturatingCast<int>(std::round(point.x()) - m_hitTestOffset.x());
  const int y = SaturatingCast<int>(std::round(point.y()) - m_hitTestOffset.y());
  return ProbeBitmapNear(m_hitTestBitmap, x, y);
}

bool DRElement::intersectsWithRect(const QRectF& rect, DRElementHostingView* view) {
  StylesAside aside(*this);
  const QRectF bounds = ConvertMeasureRect(this->bounds(false));
  const QRectF overlap = rect.normalized().intersected(bounds);
  if (!IsFinite(overlap) || overlap.isEmpty()) return false;
  const QRectF area = IntegralRect(overlap);
  if (!(area.width() > 0) || !(area.height() > 0)) return false;
  if (!createBitmapInFrame(ConvertMeasureRect(m_frame), bounds, view)) return false;

  const QRectF inBitmap = area.translated(-m_hitTestOffset).intersected(QRectF(m_hitTestBitmap.rect()));
  if (inBitmap.isEmpty()) return false;
  const int left = int(inBitmap.left()), right = int(inBitmap.right());
  const int top = int(inBitmap.top()), bottom = int(inBitmap.bottom());
  for (int y = top; y < bottom; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(m_hitTestBitmap.constScanLine(y));
    for (int x = left; x < right; ++x) {
      if (row[x] != 0xFFFFFFFF) return true;
    }
  }
  return false;
}

bool DRElement::createBitmapInFrame(const QRectF& frame, const QRectF& bounds, DRElementHostingView* view) {
  if (!m_hitTestBitmap.isNull()) return true;
  QPointF offset;
  QImage bitmap = createBitmapInFrame(frame, bounds, view, &offset);
  if (bitmap.isNull()) return false;
  m_hitTestBitmap = std::move(bitmap);
  m_hitTestOffset = offset;
  const std::lock_guard<std::mutex> lock(CacheLock());
  ElementsWithBitmaps().insert(this);
  return true;
}

void DRElement::purgeBitmap() {
  if (m_hitTestBitmap.isNull()) return;
  m_hitTestBitmap = QImage();
  m_hitTestOffset = QPointF();
  const std::lock_guard<std::mutex> lock(CacheLock());
  ElementsWithBitmaps().erase(this);
}

QImage DRElement::createBitmapInFrame(const QRectF& frame, const QRectF& bounds, DRElementHostingView* view,
                                      QPointF* offsetPoint) {
  if (!IsFinite(frame) || !IsFinite(bounds)) return QImage();
  const QRectF area = IntegralRect(bounds);
  if (!IsRenderableSize(area.width(), area.height())) return QImage();
  const QRectF relative = frame.translated(-area.topLeft());

  // Hit tests look at a render on white; a reflection is drawn upside down
  // on clear. Every painter here is y-down, like the canvas, and turns text
  // as it turns shapes, so one pass serves every kind and no image needs
  // turning over afterwards. A reflection always has alpha: without it the
  // clear background would come out black under a text or a picture.
  const bool useAlpha = m_reflecting || m_elementType != kElementText;
  FocusedBitmap bitmap(int(area.width()), int(area.height()), useAlpha, m_reflecting);
  if (!bitmap.isValid()) return QImage();
  if (!m_reflecting) {
    bitmap.painter().fillRect(QRectF(0, 0, area.width(), area.height()), Qt::white);
    m_hitTesting = true;
    drawInRect(relative, view);
    m_hitTesting = false;
  } else {
    // Pictures and texts turn the other way in the mirror.
    const int64_t rotation = m_rotation;
    if (m_elementType == kElementText || m_elementType == kElementBitmap) m_rotation = -m_rotation;
    drawInRect(relative, view);
    m_rotation = rotation;
  }
  if (offsetPoint) *offsetPoint = m_reflecting ? relative.topLeft() : area.topLeft();
  return bitmap.finish();
}

// ---- True bounds ------------------------------------------------------------------------------

CSRect DRElement::trueBoundsInView(DRElementHostingView* view) {
  const CSRect fallback = bounds(false);
  QPointF origin;
  const QImage render = createBitmapInFrame(ConvertMeasureRect(m_frame), ConvertMeasureRect(fallback), view, &origin);
  if (render.isNull()) return fallback;
  const std::unique_ptr<CSPixmap> pixmap = CSPixmap::initWithQuartzImage(render);
  if (!pixmap) return fallback;
  // None when nothing was drawn or the drawing fills the whole render.
  QPointF inkOrigin;
  const std::unique_ptr<CSPixmap> ink = pixmap->createShrunkenPixmap(&inkOrigin, true);
  if (!ink) return fallback;
  return ConvertViewRect(QRectF(inkOrigin + origin, ink->size()));
}

// ---- Reflection -------------------------------------------------------------------------------

QLinearGradient DRElement::createReflectionGradient(double height) const {
  const int percent = int(std::clamp<int64_t>(m_reflectionAlpha / kMeasurePerPoint, 0, 100));
  double fadeEnd = double(m_reflection) / double(kMeasurePerPoint) / 100.0;
  fadeEnd = std::isfinite(fadeEnd) ? std::clamp(fadeEnd, 0.0, 1.0) : 1.0;
  QLinearGradient gradient(0, 0, 0, height);
  QColor top(Qt::white);
  top.setAlphaF(float(percent) / 100.0f);
  gradient.setColorAt(0, top);
  gradient.setColorAt(fadeEnd, QColor(255, 255, 255, 0));
  gradient.setColorAt(1, QColor(255, 255, 255, 0));
  return gradient;
}

void DRElement::reflect(const QRectF& rect, DRElementHostingView* view) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  QPointF offset;
  const QImage picture = createBitmapInFrame(rect, ConvertMeasureRect(boundsIn(rect)), view, &offset);
  if (picture.isNull()) return;
  QImage faded = CreateQuartzBitmap(picture.width(), picture.height());
  if (faded.isNull()) return;
  {
    QPainter fade(&faded);
    fade.fillRect(faded.rect(), createReflectionGradient(picture.height()));
    // The picture keeps the gradient's opacity.
    fade.setCompositionMode(QPainter::CompositionMode_SourceIn);
    fade.drawImage(0, 0, picture);
  }
  double height = rect.height();
  if (m_rotation != 0) height = rotatedRectBezier(ConvertViewRect(rect)).boundingRect().bottom() - rect.top();
  const double expansion = double(lineBoundsExpansion(false)) / double(kMeasurePerPoint);
  const double y = rect.top() + height + double(m_reflectionOffset) / double(kMeasurePerPoint) - expansion;
  const double x = rect.left() - offset.x();
  painter->save();
  painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter->setOpacity(1.0);
  painter->drawImage(QPointF(x, y), faded);
  painter->restore();
}
