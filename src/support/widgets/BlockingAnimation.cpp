#include "support/widgets/BlockingAnimation.h"

#include <QEventLoop>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

void RunBlockingAnimation(double seconds, const QEasingCurve& curve, const std::function<void(double)>& progress) {
  const double clamped = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 3600.0) : 0.0;
  const int milliseconds = int(std::lround(clamped * 1000.0));
  if (milliseconds > 0) {
    QVariantAnimation animation;
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    animation.setDuration(milliseconds);
    animation.setEasingCurve(curve);
    QObject::connect(&animation, &QVariantAnimation::valueChanged,
                     [&progress](const QVariant& value) { progress(value.toDouble()); });
    QEventLoop loop;
    QObject::connect(&animation, &QVariantAnimation::finished, &loop, &QEventLoop::quit);
    animation.start();
    if (animation.state() == QAbstractAnimation::Running) loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  progress(1.0);
}
