#pragma once
// Small helpers for the scroll views, sliders and text fields of the
// canvases, bars and panes.

#include <QPoint>

class QAbstractScrollArea;
class QLineEdit;
class QWidget;

// Scrolls the area so that the content's visible origin is `origin` (pixels
// of the scrolled content), when it is not there already.
void SetScrollingOrigin(QAbstractScrollArea* scrollView, const QPoint& origin);

// Redraws the control now, so a slider dragged quickly still shows where it is.
void DeflectSliderDelay(QWidget* view);

// The small editable position field of the colour-stop and dash-pattern
// controls: small system font, framed, white, the text cut at its end, and
// no action when editing ends.
void SetupPositionTextCell(QLineEdit* field);
