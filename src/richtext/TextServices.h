#pragma once
// The engine's only contact with Qt's text machinery: the text segments that
// line formatting puts on a line (built piece by piece, typeset into as much
// as fits, justified and drawn), fonts made from character properties, font
// measures, and the single characters, strings, tab leaders and word
// underlines that the line drawer paints. Everything is laid out at 72 dpi
// over TextReferenceDevice(), so a point is a unit of the painter's space.
// Main thread only; the caches live for the whole run.

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "richtext/CorvaneDoc.h"
#include "richtext/Properties.h"

class CSArray;
class QTextLayout;
struct LineSegmentText;

// The head every line run starts with (the run kinds are line formatting's).
struct LineRunHead {
  uint32_t kind = 0;
  uint32_t charIndex = 0;  // display-character index on the line; 0 starts the line
  int32_t firstCp = -1;    // -1 for generated text
  int32_t endCp = -1;
  float x = 0;
  float width = 0;
};

constexpr uint32_t kTextSegmentRunKind = 6;

// One entry of a segment's offset map: where a piece starts in the segment's
// text and the cps it covers (first cp -1 for generated text).
struct SegmentPiece {
  uint32_t offset = 0;
  int32_t firstCp = -1;
  int32_t endCp = -1;
};
static_assert(sizeof(SegmentPiece) == 12);

// A text run of a line: the pieces added so far, the typeset part that fit,
// and its metrics. Plain data; the three pointers are owned and released by
// FreeLineSegment (a copy shares them).
struct LineSegment {
  LineRunHead head;
  LineSegmentText* text = nullptr;  // the pieces and their attributes
  QTextLayout* line = nullptr;      // the typeset part; null until ended or when typesetting failed
  CSArray* offsetMap = nullptr;     // SegmentPiece entries
  float ascent = 0;
  float descent = 0;             // + 0.5, plus the leading unless noLeading
  float baselineShift = 0;       // points; positive moves the text down
  float trailingWhitespace = 0;  // width of the typeset line's trailing blanks
  uint32_t fitCount = 0;         // text units typeset
  uint8_t shadow = 0;
  uint8_t prefix = 0;     // a paragraph prefix or list marker
  uint8_t noLeading = 0;  // the font's leading is not added to the descent
  uint8_t spare = 0;
  uint32_t underlineKind = 0;
};

// A character that draws nothing (a soft hyphen, no glyph, no advance) at
// a cp; `kind` is always 3.
struct GlyphGap {
  uint32_t cp = 0;
  uint32_t kind = 3;
  uint32_t index = 0;  // in the segment's text
};

// ---- Segments ------------------------------------------------------------

// Makes the empty text and the offset map (room for 3 pieces).
void BeginLineSegment(LineSegment* segment);
// Appends a piece in the style. Ignored without a segment, text or map, or
// for a count of 0. `darkColors`: black and the link colour follow the
// interface's palette (the run's dark-colours byte).
void AddRunToLineSegment(LineSegment* segment, const char16_t* characters, uint32_t count, int32_t firstCp,
                         int32_t endCp, const CharProps& props, bool darkColors = false);
// Typesets as much of the text as fits in `width`; true when all of it did.
// `gaps` (with *gapCount its room) receives the characters that draw
// nothing, *gapCount then their number; line formatting passes none.
bool EndLineSegment(CorvaneDoc* doc, LineSegment* segment, uint32_t lineFirstCp, GlyphGap* gaps, uint32_t* gapCount,
                    float width);
// Spreads the room up to `width` over the line's blanks (not its trailing
// ones) and makes `width` the segment's width. Nothing without a line.
void JustifyLineSegment(LineSegment* segment, float width);
// Draws the typeset line on the current painter with its baseline at
// y + baseline + the baseline shift, starting at x.
void DrawLineSegment(const LineSegment* segment, float x, float y, float baseline);
// Releases text, line and map and clears them.
void FreeLineSegment(LineSegment* segment);
// The x of a text index within the typeset line: 0 for index 0 or no line,
// the line's width at or past its end.
float PositionOfLineSegmentIndex(const LineSegment* segment, uint32_t index);
// The text index at x; 0 without a line.
uint32_t IndexOfLineSegmentPosition(const LineSegment* segment, float x);
// The typeset part's text (replacements made), for tests and the drawer.
QString LineSegmentTypesetText(const LineSegment* segment);

// ---- Fonts and measures ----------------------------------------------------

// The font of the properties (Algorithms: the listed name, the user font
// past the list, bold and italic faces of the family).
QFont FontForProperties(const CharProps& props);
// Thickness of the underline of the style's font without bold; *position the
// magnitude of its underline position.
float FontUnderlineMetrics(const CharProps& props, float* position);
// Ascent + descent + leading of the style's font; *ascent its ascent.
float LineMetricsForFont(const CharProps& props, float* ascent);
// A quarter of the font's widest advance, or 0.3125 x its size.
float WidthOfSpace(const CharProps& props);
float WidthOfSpaceForFont(const QFont& font);
// Reads the face's weight and slant; answers bold.
bool GetFontTraits(const QFont& font, bool* bold, bool* italic);

// The bold keys name a face's weight; the italic keys its slant.
bool FontNameImpliesBold(const QString& name, bool* weightVariant, QString* strippedName);
bool FontNameImpliesItalic(const QString& name, QString* strippedName);

// Which members of a family stand in for bold and bold italic: the first
// member whose name holds a bold key other than "semibold" decides (the
// bold-italic candidate when it also holds an italic key); members without
// a key or with "semibold" are passed over. Empty when none.
struct BoldMembers {
  QString bold;
  QString boldItalic;
};
BoldMembers ScanBoldMembers(const QStringList& memberNames);

// ---- Single items ------------------------------------------------------------

// One character in the small system font, centred in the rectangle's width
// (but U+2192), at rect.y + baseline. Its first Kolor is kept for the
// character (the typeset line is cached).
void DrawSingleCharacter(char16_t character, Kolor kolor, const QRectF& rect, float baseline);
// Alignment 1 centres the string on x, 3 ends it at x, others start at x;
// y is the baseline.
void DrawStringWithProperties(const QString& string, const CharProps& props, uint32_t alignment, float x, float y);
// Options: 8 size 9 instead of the system size; 4 save the painter around
// the drawing; 2 bold; 1 centred (DrawCenteredString), else drawn from the
// rectangle's top left.
void DrawStringWithSystemFont(const QString& string, Kolor kolor, uint32_t options, const QRectF& rect);
// Leader characters every step from the first multiple of the step (counted
// from originX) at or right of startX - 1, while they end before endX.
void DrawTabLeader(const CharProps& props, char16_t leader, float startX, float endX, float originX, float baseline);
// Underlines the words of the segment that lie in the range.
void DrawWordUnderline(const DocRange& range, const LineSegment* segment, float x, float underlineY, float thickness,
                       Kolor kolor);
