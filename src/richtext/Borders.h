#pragma once
// The border model of paragraphs and table cells: a BorderProps record
// turned into the renderer's BorderSpec, the space a border takes on each
// side, and which edges of a paragraph run or a table grid carry the line.

#include <QRectF>
#include <cstdint>

#include "richtext/BorderRenderer.h"
#include "richtext/Properties.h"

struct CorvaneDoc;
struct DocRange;
struct Pane;

// Edge kinds (BorderProps::btype).
enum BorderEdgeKind : uint32_t {
  kEdgeNone = 0,
  kEdgeLeft = 1,
  kEdgeRight = 2,
  kEdgeLeftRight = 3,
  kEdgeTop = 4,
  kEdgeBottom = 5,
  kEdgeTopBottom = 6,
  kEdgeBox = 7,
  kEdgeBetween = 8,
  kEdgeBoxBetween = 9,
  kEdgeBoxRow1 = 10,
  kEdgeBoxColumn1 = 11,
  kEdgeBoxRow1Column1 = 12,
  kEdgeRow1 = 13,
  kEdgeRow1BoxBetween = 14,
  kEdgeRow1Columns = 15,
};

// Line styles (BorderProps::bline).
enum BorderLineStyle : uint32_t {
  kLineSingle = 0,
  kLineDouble = 1,
  kLineDots = 2,
  kLineDashes = 3,
  kLineSerrated = 4,
  kLineScallops = 5,
  kLineGradient = 6,
};

// Edge codes of a BorderDisplay.
enum BorderEdgeCode : uint32_t {
  kEdgeCodeNone = 0,
  kEdgeCodeNeighbour = 1,  // inner edge whose line the neighbour draws
  kEdgeCodeOuter = 2,
  kEdgeCodeInner = 3,
  kEdgeCodeRow1 = 4,     // between the first and second row
  kEdgeCodeColumn1 = 5,  // between the first and second column
  kEdgeCodeJoined = 6,   // kind 14: left or right edge of a later row
};

// The edges of one paragraph or cell and its place in its grid.
struct BorderDisplay {
  uint32_t top = 0, bottom = 0, left = 0, right = 0;
  uint32_t row = 0, rowCount = 0, column = 0, columnCount = 0;
  uint8_t drawAsBox = 0;
  uint8_t noOffset = 0;
};

// The thickness of each side, in points.
struct BorderSides {
  float left = 0, top = 0, right = 0, bottom = 0;
};

// Fills the BorderSpec from the record (pattern and flags untouched). Widths,
// thicknesses and offsets are clamped to 0-1,000 points.
void ConvertBorderSpec(const BorderProps& props, BorderSpec* spec);
// A border's thickness in points: its offset plus its visible line.
float BorderWidth(const BorderSpec& spec);
float WidthOfBorder(const BorderProps& props);
// Completes a new border; whether anything changed.
bool SetDefaultBorder(BorderSpec* spec, uint32_t kind);

void SetBorderDisplay(uint32_t btype, uint32_t row, uint32_t rowCount, uint32_t column, uint32_t columnCount,
                      BorderDisplay* display);
void ModifyBorderDisplayForKind(uint32_t btype, BorderDisplay* display);
BorderSides BorderThickness(const BorderProps& props, const BorderDisplay& display);

// The double-line pattern of a cell of the grid for the edge kind.
uint32_t DoubleLinePatternForCell(uint32_t btype, const BorderDisplay& display);

// The edges of the paragraph holding a line: `firstLine` tells whether it
// is the paragraph's first visible line, `para` is the paragraph's range.
// Paragraphs join a run when their borders and side indents are equal.
void GetParagraphBorderEdges(CorvaneDoc* doc, Pane* pane, bool firstLine, const ParaProps& props,
                             const DocRange& para, BorderDisplay* display);

// The steps DrawBorder paints, and DrawBorder itself, into the current
// graphics context.
BorderPlan PlanBorder(const BorderProps& props, bool forTable, const BorderDisplay& display, const QRectF& rect);
void DrawBorder(CorvaneDoc* doc, const BorderProps& props, bool forTable, const BorderDisplay& display,
                const QRectF& rect);
