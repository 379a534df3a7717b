#pragma once
// The one layout of a text box, shared by the text element (measuring its
// height, drawing, bounds) and the canvas's in-place editor, so that a text
// does not move when typing starts or ends. The text is set on QTextLayout
// at 72 dots per inch, wrapped at word boundaries (a word longer than the
// line overflows it), inset kTextBoxPadding points from the box's left and
// right sides and none from its top; each line is as tall as its font's
// ascent, descent and leading.

#include <QSizeF>
#include <vector>

#include "support/CSAttributedString.h"

class QPainter;
class QRectF;

// The inset of the text from the left and right sides of its box, in points.
constexpr double kTextBoxPadding = 2.0;

// The size the text takes in a box `width` points wide (no limit when it
// is not finite or not above 2 * kTextBoxPadding): the widest line plus the
// padding (may exceed the width when a word does not fit) and the height of
// all lines, rounded up to whole points. An empty text is one empty line.
QSizeF TextBoxSize(const CSAttributedString& text, double width);

// One line of the layout: its characters and its baseline below the box's
// top, in points.
struct TextBoxLine {
  int start = 0;
  int length = 0;
  double baseline = 0;
};
// The lines the text breaks into in a box `width` points wide, as
// TextBoxSize and DrawTextBox lay it out.
std::vector<TextBoxLine> TextBoxLines(const CSAttributedString& text, double width);

// Draws the text in the box (points) on the painter, or the current graphics
// context when it is null; under a context shadow the glyphs are filled as
// one outline through the shadow-aware fill. The text is clipped to the
// box's width, never to its height.
void DrawTextBox(QPainter* painter, const CSAttributedString& text, const QRectF& box);
