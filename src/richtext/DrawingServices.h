#pragma once
// Every mark the engine puts on screen beside its text: clipping, lines,
// rectangles, the caret, the ruler line, check boxes, paragraph dividers and
// table column headers. All draw on the current painter
// (CurrentQuartzContext()) in points of its y-down space and do nothing
// without one. Hairlines divide by the zoom so they stay one device pixel
// wide. Main thread only.

#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <cstdint>

#include "richtext/Properties.h"
#include "support/Kolor.h"

struct CorvaneDoc;

// ---- Clipping ----------------------------------------------------------------

// Saves the painter and intersects its clip with the rectangle; each call is
// paired with one ResetClip, which restores. A ResetClip without a pending
// ClipToRect does nothing.
void ClipToRect(const QRectF& rect);
void ResetClip();
uint32_t ClipNestingCount();

// ---- Lines ---------------------------------------------------------------------

// A vertical line of width w covers the w points right of x, a horizontal
// one the w points below y; other lines are stroked on their centre.
void DrawLine(Kolor kolor, float x1, float y1, float x2, float y2, float width);
void DrawDottedLine(Kolor kolor, float x1, float y1, float x2, float y2, float width);  // on w, off 3w
void DrawDashedLine(Kolor kolor, float x1, float y1, float x2, float y2, float width);  // on 5w, off 2w
// Horizontal, 2 / zoom wide, dashes 1.5w on and w off.
void DrawSpecialUnderline(Kolor kolor, float xFrom, float xTo, float y, float zoom);
// Fills the rectangle, and a strip 1 / zoom wide on each side of it with the
// Kolor's complement, so the caret shows on any background.
void DrawInsertionPoint(Kolor kolor, float zoom, const QRectF& rect);
// A blue vertical line of the width at x + width / 2 from the rectangle's
// top to its bottom.
void DrawRulerScaleLine(const QRectF& rect, float x, float width);
// Inverts what lies under a vertical line of the width from (x, y) down
// `length` points; nothing for a length that is not positive.
void InvertVerticalLine(float x, float y, float width, float length);

// ---- Rectangles and colours ---------------------------------------------------

// Fills with a visible fill Kolor, then frames with a visible frame Kolor, the
// frame 1 / zoom wide and wholly inside; `integral` first grows the
// rectangle to whole points.
void DrawRectangleCore(Kolor frameKolor, Kolor fillKolor, bool integral, const QRectF& rect, float zoom);
void DrawRectangle(Kolor frameKolor, Kolor fillKolor, const QRectF& rect);
void EraseRectangle(const QRectF& rect);
// The selected-text background; `lighter` lightens it twice, or gives light
// grey 0x64C0C0C0 when it is translucent.
Kolor HighlightKolor(bool lighter);

// ---- Marks and controls --------------------------------------------------------

void DrawSpecialIndicator(const QRectF& rect);
// A grey triangle pointing right at the rectangle's left edge, 6 / zoom tall
// on each side of its centre.
void DrawPageControlMark(const QRectF& rect, float zoom);
void DrawCheckbox(CorvaneDoc* doc, bool checked, const QRectF& rect);
void DrawColumnHeader(bool dark, const QRectF& rect);

// ---- Paragraph dividers --------------------------------------------------------

constexpr uint32_t kMaxDividerKind = 10;

// A divider's lines (each with its width) and filled figures; texts are
// drawn apart. `gap` is min(width / 3, 144).
struct DividerShapes {
  struct Line {
    QPainterPath path;
    double width = 0.5;
  };
  QList<Line> lines;
  QPainterPath fills;
  float gap = 0;
};
// The shapes of a divider kind in the rectangle; `textBox` is the box of the
// text kind 10 draws (ignored by the others). Empty above kind 10.
DividerShapes DividerGeometry(uint32_t kind, const QRectF& rect, const QRectF& textBox = QRectF());
// Draws the divider in the text colour of the properties (the interface's
// text colour for black when useTextColor is set).
void DrawDivider(uint32_t kind, const CharProps& props, bool useTextColor, const QRectF& rect);
