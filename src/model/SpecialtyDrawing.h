#pragma once
// Small pieces of chrome that elements, canvases and rulers paint: the
// selection casing and its grab dots, the grid and page-break lines, text
// bubbles beside the rulers, a window's bottom bar, a die face, and the
// ruler's tick interval. They draw on the current painter
// (CurrentQuartzContext()), in points on its y-down user space, and do
// nothing without one.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <span>

#include "support/Kolor.h"
#include "support/Measure.h"

class DRElementHostingView;

// ---- Grab dots -------------------------------------------------------------

// The colours of selection casings and active grab dots: an opaque blue and
// the same blue at 25 % opacity.
constexpr Kolor g_casingColor = 0x64EB9B61;
constexpr Kolor g_dimmedCasingColor = 0x19EB9B61;

// Grab-dot options, a bit set.
enum GrabDotOption : int {
  kGrabDotCasingColor = 1,  // the casing colour, else grey 3
  kGrabDotDimmed = 2,       // with kGrabDotCasingColor: the dimmed casing colour
  kGrabDotInnerDot = 4,     // a solid inner dot
  kGrabDotWhiteDisc = 8,    // a white disc behind the dot
};

constexpr int kGrabDotCount = 8;
// The side of a dot's square, in points.
constexpr double kGrabDotSize = 9.0;

// Start-up calls this before anything draws. The casing colours are
// compile-time constants, so there is nothing left for it to make.
inline void EnsureGrabDotColors() {}

// The stroke colour of a set of options: grey 3 without kGrabDotCasingColor,
// else the dimmed or the full casing colour.
QColor ColorForGrabDotOptions(int options);

// The eight kGrabDotSize squares of a frame, centred on the corners and edge
// midpoints of the frame grown by half a dot on every side, clockwise from
// the top-left: top-left, top-middle, top-right, right-middle, bottom-right,
// bottom-middle, bottom-left, left-middle.
void GetGrabDotRects(std::span<QRectF, kGrabDotCount> rects, const QRectF& frame);

// One dot in its square. `scale` is the dot zoom of the context
// (ModelServices().zoomForGrabDots of the view's zoom): above 1 the dot is
// shrunk about its centre by it, its outline thinned likewise, so that it
// keeps its on-screen size in the magnified context; at 1 and below it is
// drawn as given, kGrabDotSize points of the drawing.
void DrawGrabDotCore(int options, const QRectF& rect, double scale);
void DrawGrabDot(int options, const QRectF& rect);

// A view's selection of a rect: the casing (the rect rounded out to whole
// points and grown by half a dot) and its eight dots, in the casing colour
// when the view's window is the active main window and the view its first
// responder, or when the view has no window (a null view has none); in grey
// otherwise.
void DrawGrabDotSelection(DRElementHostingView* view, const QRectF& rect);
// Asks the view to redraw the area such a selection covers.
void InvalidateGrabDotSelection(DRElementHostingView* view, const QRectF& rect);

// ---- Grid ------------------------------------------------------------------

// The most lines DrawGrid draws in each direction.
constexpr int kMaxGridLines = 10000;

// Grid lines 1 / zoom wide over the area: horizontal lines every ySpacing
// and vertical ones every xSpacing, the first strictly after the origin
// rectangle's top or left edge, each half a line width along so that it
// covers whole device pixels, stroked in the Kolor. Lines that lie wholly
// before the area are skipped, so a far origin costs nothing. Spacings or a
// zoom that are not positive and finite, and rectangles that are not finite,
// draw nothing; past kMaxGridLines in a direction the rest are left out.
void DrawGrid(Kolor kolor, const QRectF& origin, const QRectF& area, double xSpacing, double ySpacing, double zoom);

// ---- Bubbles ---------------------------------------------------------------

// The string centred in a pale yellow bubble over the rect, which casts a
// soft shadow downwards.
void DrawStringInBubble(const QString& string, const QFont& font, const QRectF& rect);

// The measure formatted in the unit, in a bubble beside a ruler position:
// below the point on a vertical ruler, right of it on a horizontal one, or
// on the other side when the bubble would run past the ruler's end.
void DrawPositionBubble(MeasureUnit measure, DistanceUnit unit, bool vertical, const QPointF& point,
                        const QRectF& rect);

// ---- Bars and dice ---------------------------------------------------------

// A window's bottom bar: a vertical grey gradient, lighter at the top (dark
// greys in the dark appearance), the same way up however the painter is
// flipped.
void DrawGradientBottomBar(const QRectF& rect);

// A die face. Values from 100 up draw a red face for value - 100; below 100
// a positive value draws a white face and others grey (lighter or darker).
// The face shows |value| pips: the centre for odd counts, two opposite
// corners from 2, all four from 4, the middle of both sides at 6.
void DrawGameDie(int value, bool lighter, const QRectF& rect);

// ---- Rulers ----------------------------------------------------------------

// The tick interval of a ruler in the unit, in measures: 1/8 inch for inches
// and inch fractions, 1 point for feet and inches and millimetres, 1
// millimetre for centimetres, and 1 point for every other unit.
MeasureUnit RulerInterval(DistanceUnit unit);
