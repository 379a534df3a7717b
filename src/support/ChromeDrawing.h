#pragma once
// Small pieces of window chrome that the canvases and the rich-text engine's
// views both paint: the selection flash, the corner between two scroll bars,
// a gradient check box, and the inverse of a colour. The drawing functions
// paint on the current painter (CurrentQuartzContext()) in its y-down user
// space and do nothing without one.

#include <QColor>
#include <QRectF>
#include <functional>

// ---- Flash bubble ----------------------------------------------------------

// The share of a flash during which the bubble swells in (and, at its end,
// shrinks away).
constexpr double kFlashBubbleRamp = 0.17;

// One frame of a flashing highlight at progress 0-1 (outside that range as
// at its nearest end): the rect grown by k x grow on each side, k rising from
// 0 to 1 over the first kFlashBubbleRamp of the flash and falling back over
// the last, aligned to device pixels for the backing scale and filled with
// the platform's selected-text background colour.
void DrawFlashBubble(const QRectF& rect, double growX, double growY, double backingScale, double progress);

// ---- Scroll-view corner ----------------------------------------------------

// The scroller colours of the dark appearance: the groove's edge, the groove
// under a knob, and the groove where no knob is shown.
struct CSScrollerGrooveColors {
  QColor edge;
  QColor fill;
  QColor noKnobFill;
};

// The shell's scroller registers its colours here once it has made them;
// until then (and after an empty provider is set) the defaults below serve.
using ScrollerGrooveColorsProvider = std::function<CSScrollerGrooveColors()>;
void SetScrollerGrooveColorsProvider(ScrollerGrooveColorsProvider provider);
CSScrollerGrooveColors DefaultScrollerGrooveColors();
// The provider's colours, or the defaults without one.
CSScrollerGrooveColors ScrollerGrooveColors();

// The square between two scroll bars: filled (white, or in the dark
// appearance the groove fill for a shown knob, else the no-knob fill) with
// an L-shaped edge along its left side and its top (atTop) or bottom.
void DrawScrollViewCorner(bool atTop, bool knobShown, const QRectF& rect);

// ---- Check box -------------------------------------------------------------

// Check boxes smaller than this in either direction are not drawn.
constexpr double kMinCheckboxSize = 10.0;

// A check box with a vertical gradient (white at the top) in the rect with
// its top moved down by 2, a grey edge one device pixel wide and, when
// checked, a black check mark reaching just past the top-right corner.
void DrawQuartzCheckbox(bool checked, const QRectF& rect);

// ---- Colours ---------------------------------------------------------------

// The opaque sRGB inverse (1 - red, 1 - green, 1 - blue) of the colour;
// black for an invalid colour.
QColor InvertColor(const QColor& color);
