#pragma once
// Drawing a formatted line into the current graphics context: backgrounds
// and paragraph borders, the line's runs in their drawing order, pictures,
// highlights, dividers, table rows, the drop-position mark and the caret;
// and the colours of the selection highlight and of the caret.

#include <QRectF>
#include <cstdint>

#include "support/Kolor.h"

struct CorvaneDoc;
struct LineFormat;
struct LineRun;
struct Pane;

// Where a line's caret stands, filled instead of drawing it when asked for.
struct CaretRecord {
  double x = 0, top = 0, width = 0, height = 0;
  Kolor kolor = 0;
};

// 3.0 with the wide caret switched on, else 1.0.
float InsertionPointWidth();
// The highlight colour of the pane's selection; g_nilKolor for none.
Kolor TextSelectionKolor(CorvaneDoc* doc, Pane* pane);
// The caret colour at cp: the complement of the first visible ground under
// it (character background, paragraph, line, document), opaque.
Kolor InsertionPointKolor(const LineFormat* format, uint32_t cp, Kolor paraKolor, Kolor lineKolor);
// Fills the rectangle with the highlight colour when there is one.
bool DrawLineHighlight(const LineFormat* format, const QRectF& rect);
// Frames the rectangle in light grey, snapped outward to device pixels at a
// zoom that is not whole.
void DrawOutline(const QRectF& rect, float zoom);
// A value snapped to the device pixel grid of the scale; `down` keeps the
// result at or above-left of the value (a top or left side), else at or
// below-right of it.
double SnapToDevicePixels(double value, double scale, bool down);
// The rectangle of a picture run on the line, drawn when asked.
QRectF DrawOrFindPicture(const LineFormat* format, const LineRun& run, bool draw, const QRectF& lineRect);
// Paints the line in lineRect, clipped to clipRect; rightLimit (0: none)
// cuts lines other than text lines. A caret on the line goes to *caret when
// given, else is drawn.
void DrawFormattedLine(const LineFormat* format, float rightLimit, Kolor backgroundKolor, CaretRecord* caret,
                       const QRectF& lineRect, const QRectF& clipRect);
// The host's answer for the application's own activity; the default says
// active. Tests and the view layer set it.
void SetApplicationActiveForDrawing(bool active);
