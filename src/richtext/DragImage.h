#pragma once
// The image a drag of the selection out of the continuous view carries: the
// rectangle the selected text (the selected parts of the visible lines) or
// the selected picture occupies, and the drawing of it. Main thread only.

#include <QRectF>

#include "richtext/CorvaneDoc.h"

// The ground of a drag image: white at opacity 0, a transparent ground.
constexpr Kolor kDragImageGroundKolor = 0x00FFFFFF;

// The drag rectangle in view coordinates: the union of the selected parts
// of the cached lines, or a selected picture's frame inside its border. A
// zero rectangle when the selection cannot be shown (no cached line holds
// it, or it spans table cells without being the whole table).
void RectForDragImage(QRectF* outRect, CorvaneDoc* doc);
// Draws the drag image on the current graphics context, whose origin is the
// drag rectangle's top left; `rect` (in the context's coordinates) is first
// cleared to the transparent ground unless the pane shows no highlights.
// The selected text is drawn without background, highlight or caret.
void DrawDragImage(CorvaneDoc* doc, const QRectF& rect);
