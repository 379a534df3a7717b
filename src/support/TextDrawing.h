#pragma once
// Measuring and drawing short texts on QTextLayout. Text is laid out at 72
// dots per inch, so a font's point size is its size in units of the
// painter's user space on every device (screen, image, PDF); zooming is the
// painter's transform. Line ends ("\n", "\r", "\r\n", U+2028, U+2029) start
// new lines.

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "support/CSAttributedString.h"
#include "support/Kolor.h"

class QPainter;
class QPaintDevice;

// The device whose resolution every layout of these functions uses.
QPaintDevice* TextReferenceDevice();

// The size of the text set in the font without wrapping; (0, 0) when empty.
QSizeF SizeOfTextInFont(const QString& text, const QFont& font);
QSizeF SizeOfAttributedString(const CSAttributedString& text);

// The height of a blank in the font.
double LineHeightForFont(const QFont& font);

// The height of the text (a blank when empty) wrapped at words in a column
// of width - 4, lines including the font's leading.
double StringHeightInWidth(const QString& text, const QFont& font, double width);

// The index of the character that starts each line when the text is set in
// a column of the width (the first is always 0).
QList<int> LineBreaksForWidth(const CSAttributedString& text, double width);

// Draws the text centred in the rectangle: each line horizontally, the block
// vertically (offset rounded down). With wrap it breaks at words, otherwise
// each line is cut at its tail with an ellipsis. An invalid colour means the
// interface's text colour. Without a painter the current graphics context
// is used; with none, nothing is drawn.
void DrawCenteredString(QPainter* painter, const QString& text, const QFont& font, const QColor& color, bool wrap,
                        const QRectF& rect);
void DrawCenteredString(const QString& text, const QFont& font, const QColor& color, bool wrap, const QRectF& rect);

// DrawCenteredString in the 24-point system font, wrapping.
void DrawEmptySelectionString(const QString& text, const QColor& color, const QRectF& rect);

// Draws one line of text with its baseline starting at (x, y) in the Kolor:
// `underline` a single underline, `outline` the glyphs' outlines only (a
// stroke 3 % of the size wide), `shadow` a soft shadow 4 device pixels down
// and right, `kern` extra space after each character. Answers the x where
// the line ends (x itself without a painter).
double DrawTextWithCT(QPainter* painter, const QString& text, const QFont& font, Kolor kolor, bool underline,
                      bool outline, bool shadow, double x, double y, double kern);
