#include "ui/inspector/DRBrushExample.h"

#include <QPainter>
#include <cmath>

#include "model/DRSettings.h"
#include "model/GraphicHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"

namespace {
const QString kBrushSampleNotification = QStringLiteral("twdraw.brushSample");
const QString kBrushChangeNotification = QStringLiteral("twdraw.brushChange");
// Exponents beyond this give brushes far larger than any view.
constexpr uint64_t kLargestShownExponent = 16;
}  // namespace

DRBrushExample::DRBrushExample(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

DRBrushExample::~DRBrushExample() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRBrushExample::setNotificationWindow(QObject* window) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  m_window = window;
  // A null object would hear every window's brush.
  if (!window) return;
  center.addObserver(this, kBrushSampleNotification, window, [this](const CSNotification&) { redraw(); });
}

void DRBrushExample::redraw() {
  update();
  NotificationCenter::defaultCenter().post(kBrushChangeNotification, m_window.data());
}

void DRBrushExample::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  const QRectF bounds(rect());
  painter.fillRect(bounds, Qt::white);
  painter.setPen(QPen(GrayColor(4), 1.0));
  painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
  const DRSettings& settings = DRSettings::sharedInstance();
  const double size = std::ldexp(1.0, int(std::min(settings.brushSizeExponent(), kLargestShownExponent)));
  GraphicsContextScope scope(&painter);
  DrawBrush(settings.brush(), g_blackKolor, size, bounds.center().x(), bounds.center().y());
}
