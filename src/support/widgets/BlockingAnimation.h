#pragma once
// Runs an animation's 0-1 progress through a callback over a duration, in a
// local event loop that holds back the user's input, and returns when it is
// done (the last call always has progress 1).

#include <QEasingCurve>
#include <functional>

void RunBlockingAnimation(double seconds, const QEasingCurve& curve, const std::function<void(double)>& progress);
