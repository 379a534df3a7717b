#include "richtext/Borders.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "richtext/CorvaneDoc.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Tables.h"
#include "support/GraphicsContext.h"

namespace {

constexpr int64_t kMaxBorderMeasure = int64_t(kMaxBorderPoints) * kMeasurePerPoint;

int64_t ClampMeasure(int64_t value) { return std::clamp<int64_t>(value, 0, kMaxBorderMeasure); }

// Up to a whole number of points.
int64_t RoundUpToPoints(int64_t value) {
  return (ClampMeasure(value) + kMeasurePerPoint - 1) / kMeasurePerPoint * kMeasurePerPoint;
}

uint32_t OuterOnly(uint32_t code) { return code == kEdgeCodeOuter ? kEdgeCodeOuter : kEdgeCodeNone; }

bool SameBorder(const ParaProps& a, const ParaProps& b) {
  return std::memcmp(&a.border, &b.border, sizeof a.border) == 0 && a.indentl == b.indentl &&
         a.indentr == b.indentr;
}

// The first matching place of a row: at the first column, at the last,
// anywhere else.
uint32_t ByColumn(uint32_t c, uint32_t K, uint32_t atFirst, uint32_t atLast, uint32_t otherwise) {
  return c == 0 ? atFirst : c == K ? atLast : otherwise;
}

uint32_t ByRow(uint32_t r, uint32_t R, uint32_t atFirst, uint32_t atLast, uint32_t otherwise) {
  return r == 0 ? atFirst : r == R ? atLast : otherwise;
}

}  // namespace

void ConvertBorderSpec(const BorderProps& props, BorderSpec* spec) {
  if (!spec) return;
  spec->kind = props.bline <= kLineGradient ? props.bline + 2 : kBorderNone;
  const int64_t width = props.bline == kLineDouble ? RoundUpToPoints(props.bwidth) : ClampMeasure(props.bwidth);
  spec->width = float(double(width) / kMeasurePerPoint);
  spec->thickness = float(double(ClampMeasure(props.bthick)) / kMeasurePerPoint);
  spec->offset = float(double(ClampMeasure(props.boff)) / kMeasurePerPoint);
  spec->lineKolor = props.color;
  spec->innerKolor = props.incolor;
  spec->backKolor = props.back;
  // Teeth and scallops belong to paragraph runs and boxes, not to grids.
  if ((props.bline == kLineSerrated || props.bline == kLineScallops) && props.btype >= kEdgeBetween) {
    spec->kind = kBorderSingle;
  }
}

float BorderWidth(const BorderSpec& spec) {
  float result = spec.offset;
  if (!IsVisibleKolor(spec.lineKolor)) return result;
  const float w = std::max(spec.width, 1.0f);
  switch (spec.kind) {
    case kBorderNone: break;
    case kBorderDouble: result += 3 * w; break;
    case kBorderSerrated:
    case kBorderScallops: result += w + spec.thickness; break;
    case kBorderGradient: result += spec.thickness; break;
    default: result += w; break;
  }
  return result;
}

float WidthOfBorder(const BorderProps& props) {
  BorderSpec spec;
  ConvertBorderSpec(props, &spec);
  return BorderWidth(spec);
}

bool SetDefaultBorder(BorderSpec* spec, uint32_t kind) {
  if (!spec) return false;
  bool changed = false;
  if (kind != 0) {
    spec->kind = kind;
    changed = true;
  } else if (spec->kind == kBorderNone) {
    spec->kind = kBorderBackground;
    return true;
  }
  if (spec->kind == kBorderBackground) return changed;
  if (!IsVisibleKolor(spec->lineKolor)) {
    spec->lineKolor = g_blackKolor;
    changed = true;
  }
  if (spec->kind == kBorderGradient && !IsVisibleKolor(spec->innerKolor)) {
    const Kolor line = spec->lineKolor;
    spec->innerKolor = MakeKolor(255 - KolorRed(line), 255 - KolorGreen(line), 255 - KolorBlue(line), 100);
    changed = true;
  }
  if (spec->width == 0) {
    spec->width = 1.0f;
    changed = true;
  }
  if (spec->kind >= kBorderSerrated && spec->thickness == 0) {
    spec->thickness = 6.0f;
    changed = true;
  }
  return changed;
}

void SetBorderDisplay(uint32_t btype, uint32_t row, uint32_t rowCount, uint32_t column, uint32_t columnCount,
                      BorderDisplay* display) {
  if (!display) return;
  const uint32_t r = row, c = column;
  const uint32_t R = rowCount ? rowCount - 1 : 0, K = columnCount ? columnCount - 1 : 0;
  *display = BorderDisplay{};
  display->row = row;
  display->rowCount = rowCount;
  display->column = column;
  display->columnCount = columnCount;
  display->top = r == 0 ? kEdgeCodeOuter : r == 1 ? kEdgeCodeRow1 : kEdgeCodeInner;
  if (btype == kEdgeRow1BoxBetween) {
    display->bottom = r == 0 ? kEdgeCodeRow1 : r == R ? kEdgeCodeOuter : kEdgeCodeInner;
    display->left = c == 0 ? (r == 0 ? kEdgeCodeOuter : kEdgeCodeJoined) : kEdgeCodeInner;
    display->right = c == K ? (r == 0 ? kEdgeCodeOuter : kEdgeCodeJoined) : kEdgeCodeInner;
    return;
  }
  display->bottom = r == R ? kEdgeCodeOuter : r == 0 ? kEdgeCodeRow1 : kEdgeCodeInner;
  display->left = c == 0 ? kEdgeCodeOuter : c == 1 ? kEdgeCodeColumn1 : kEdgeCodeInner;
  display->right = c == K ? kEdgeCodeOuter : c == 0 ? kEdgeCodeColumn1 : kEdgeCodeInner;
}

void ModifyBorderDisplayForKind(uint32_t btype, BorderDisplay* d) {
  if (!d || btype > kEdgeRow1Columns) return;
  const uint32_t T = d->top, B = d->bottom, L = d->left, Rt = d->right;
  const bool lastRow = d->rowCount == 0 || d->row == d->rowCount - 1;
  const bool lastColumn = d->columnCount == 0 || d->column == d->columnCount - 1;
  uint32_t top = 0, bottom = 0, left = 0, right = 0;
  switch (btype) {
    case kEdgeNone: break;
    case kEdgeLeft: left = OuterOnly(L); break;
    case kEdgeRight: right = OuterOnly(Rt); break;
    case kEdgeLeftRight: left = OuterOnly(L), right = OuterOnly(Rt); break;
    case kEdgeTop: top = OuterOnly(T); break;
    case kEdgeBottom: bottom = OuterOnly(B); break;
    case kEdgeTopBottom: top = OuterOnly(T), bottom = OuterOnly(B); break;
    case kEdgeBox:
      top = OuterOnly(T), bottom = OuterOnly(B), left = OuterOnly(L), right = OuterOnly(Rt);
      break;
    case kEdgeBetween:
      top = (T == 3 || T == 4) ? 3 : 0;
      bottom = (B == 3 || B == 4) ? 1 : 0;
      left = (L == 3 || L == 5) ? 3 : 0;
      right = (Rt == 3 || Rt == 5) ? 1 : 0;
      break;
    case kEdgeBoxBetween:
    case kEdgeRow1BoxBetween:
      top = T == 4 ? 3 : T;
      if (B == 3 || B == 4) {
        bottom = btype == kEdgeRow1BoxBetween && d->rowCount == 1 ? 2 : 1;
      } else {
        bottom = B == 2 ? 2 : 0;
      }
      left = L == 5 ? 3 : L;
      right = (Rt == 2 || Rt == 6) ? Rt : (Rt == 3 || Rt == 5) ? 1 : 0;
      break;
    case kEdgeBoxRow1:
      top = T == 2 ? 2 : T == 4 ? (B == 2 && !lastRow ? 0 : 3) : 0;
      bottom = B == 2 ? 2 : B == 4 ? 1 : 0;
      left = OuterOnly(L), right = OuterOnly(Rt);
      break;
    case kEdgeBoxColumn1:
      top = OuterOnly(T), bottom = OuterOnly(B);
      left = L == 2 ? 2 : L == 5 ? (Rt == 2 && !lastColumn ? 0 : 3) : 0;
      right = Rt == 2 ? 2 : Rt == 5 ? 1 : 0;
      break;
    case kEdgeBoxRow1Column1:
      top = T == 2 ? 2 : T == 4 ? 3 : 0;
      bottom = B == 2 ? 2 : B == 4 ? 1 : 0;
      left = L == 2 ? 2 : L == 5 ? 3 : 0;
      right = Rt == 2 ? 2 : Rt == 5 ? 1 : 0;
      break;
    case kEdgeRow1:
    case kEdgeRow1Columns:
      top = T == 4 ? 3 : 0;
      bottom = (T == 2 && B == 2) ? B : B == 4 ? 1 : 0;
      if (btype == kEdgeRow1Columns) left = (L == 3 || L == 5) ? 3 : 0;
      break;
  }
  // An edge that was not there stays away.
  d->top = T ? top : 0;
  d->bottom = B ? bottom : 0;
  d->left = L ? left : 0;
  d->right = Rt ? right : 0;
}

BorderSides BorderThickness(const BorderProps& props, const BorderDisplay& display) {
  BorderProps adjusted = props;
  adjusted.bwidth = props.bline == kLineDouble ? RoundUpToPoints(props.bwidth)
                                                : std::max<int64_t>(ClampMeasure(props.bwidth), kMeasurePerPoint / 2);
  float T = WidthOfBorder(adjusted);
  const float D = float(double(ClampMeasure(props.boff)) / kMeasurePerPoint);
  if (D < T) T = std::ceil(T);
  BorderDisplay rewritten = display;
  ModifyBorderDisplayForKind(props.btype, &rewritten);
  auto side = [&](uint32_t o, uint32_t m, bool horizontal) -> float {
    if (o == 0) return 0;
    const bool inner = horizontal ? (o == 3 || o == 4) : (o == 3 || o == 5);
    if (m == 0 && inner) return 0;
    if (m >= 2) return T;
    return horizontal && display.noOffset ? 0 : D;
  };
  BorderSides sides;
  sides.left = side(display.left, rewritten.left, false);
  sides.top = side(display.top, rewritten.top, true);
  sides.right = side(display.right, rewritten.right, false);
  sides.bottom = side(display.bottom, rewritten.bottom, true);
  return sides;
}

uint32_t DoubleLinePatternForCell(uint32_t btype, const BorderDisplay& d) {
  const uint32_t r = d.row, c = d.column;
  const uint32_t R = d.rowCount ? d.rowCount - 1 : 0, K = d.columnCount ? d.columnCount - 1 : 0;
  const bool oneRow = R == 0, oneColumn = K == 0;
  switch (btype) {
    case kEdgeBox:
    case kEdgeBoxBetween:
    case kEdgeBoxRow1:
    case kEdgeBoxColumn1:
    case kEdgeBoxRow1Column1:
    case kEdgeRow1BoxBetween:
      if (oneRow && oneColumn) return kDoubleBoxPattern;
      break;
    default:
      break;
  }
  switch (btype) {
    case kEdgeLeft: return c == 0 ? 1 : 0;
    case kEdgeRight: return c == K ? 2 : 0;
    case kEdgeLeftRight: return c == 0 ? (K == 0 ? 30 : 1) : c == K ? 2 : 0;
    case kEdgeTop: return r == 0 ? 3 : 0;
    case kEdgeBottom: return r == R ? 4 : 0;
    case kEdgeTopBottom: return r == 0 ? (R == 0 ? 25 : 3) : r == R ? 4 : 0;
    case kEdgeBox:
      if (oneColumn) return ByRow(r, R, 27, 28, 30);
      if (oneRow) return ByColumn(c, K, 22, 23, 25);
      if (r == 0) return ByColumn(c, K, 5, 6, 3);
      if (r == R) return ByColumn(c, K, 7, 8, 4);
      return ByColumn(c, K, 1, 2, 0);
    case kEdgeBetween:
      if (r == 0 && c == 0) return 0;
      if (r == 0) return 1;
      if (c == 0) return 3;
      return 9;
    case kEdgeBoxBetween:
      if (oneColumn) return ByRow(r, R, 27, 29, 31);
      if (oneRow) return ByColumn(c, K, 22, 24, 26);
      if (r == 0) return ByColumn(c, K, 5, 11, 10);
      if (r == R) return ByColumn(c, K, 14, 16, 15);
      return ByColumn(c, K, 12, 13, 9);
    case kEdgeBoxRow1:
      if (oneColumn) {
        if (r == 0) return 27;
        if (r == 1) return R == 1 ? 29 : 31;
        return r == R ? 28 : 30;
      }
      if (oneRow) return ByColumn(c, K, 22, 23, 25);
      if (r == 1 && R == 1) return ByColumn(c, K, 14, 34, 25);
      if (r == R) return ByColumn(c, K, 7, 8, 4);
      if (r == 1) return ByColumn(c, K, 12, 17, 3);
      if (r > 0) return ByColumn(c, K, 1, 2, 0);
      return ByColumn(c, K, 5, 6, 3);
    case kEdgeBoxColumn1:
      if (oneColumn) return ByRow(r, R, 27, 28, 30);
      if (oneRow) {
        if (c == 0) return 22;
        if (c == 1 && K == 1) return 24;
        if (c == K) return 23;
        return c == 1 ? 26 : 25;
      }
      if (c == 1 && K == 1) return ByRow(r, R, 11, 33, 30);
      if (c == 0) return ByRow(r, R, 5, 7, 1);
      if (c == K) return ByRow(r, R, 6, 8, 2);
      if (c == 1) return ByRow(r, R, 10, 18, 1);
      return ByRow(r, R, 3, 4, 0);
    case kEdgeBoxRow1Column1: {
      if (oneColumn) {
        if (r == 0) return 27;
        if (r == 1) return R == 1 ? 29 : 31;
        return r == R ? 28 : 30;
      }
      if (oneRow) {
        if (c == 0) return 22;
        if (c == 1 && K == 1) return 24;
        if (c == K) return 23;
        return c == 1 ? 26 : 25;
      }
      if (c == 1 && K == 1) {
        if (r == 0) return 11;
        if (r == 1 && R == 1) return 16;
        if (r == 1) return 13;
        return r == R ? 33 : 30;
      }
      if (r == 1 && R == 1) return c == 0 ? 14 : c == 1 ? 15 : c == K ? 34 : 25;
      // At the first column, the last, the second, anywhere else.
      auto byColumn = [&](uint32_t first, uint32_t last, uint32_t second, uint32_t otherwise) {
        return c == 0 ? first : c == K ? last : c == 1 ? second : otherwise;
      };
      if (r == 0) return byColumn(5, 6, 10, 3);
      if (r == R) return byColumn(7, 8, 18, 4);
      if (r > 1) return byColumn(1, 2, 1, 0);
      return byColumn(12, 17, 9, 3);
    }
    case kEdgeRow1:
      if (R == 0) return 4;
      return r == 1 ? 3 : 0;
    case kEdgeRow1BoxBetween:
      if (oneColumn) {
        if (r == 0) return 27;
        if (r == 1) return R == 1 ? 36 : 32;
        return r == R ? 25 : 3;
      }
      if (oneRow) return ByColumn(c, K, 22, 24, 26);
      if (r == 0) return ByColumn(c, K, 5, 11, 10);
      if (r == 1 && R == 1) return ByColumn(c, K, 37, 35, 15);
      if (r == 1) return ByColumn(c, K, 19, 20, 9);
      if (r == R) return ByColumn(c, K, 25, 15, 15);
      return ByColumn(c, K, 3, 9, 9);
    case kEdgeRow1Columns:
      if (oneRow) return c == 0 ? 4 : 18;
      if (c == 0) return r == 1 ? 3 : 0;
      return r == 1 ? 9 : 1;
    default:
      return 0;
  }
}

void GetParagraphBorderEdges(CorvaneDoc* doc, Pane* pane, bool firstLine, const ParaProps& props,
                             const DocRange& para, BorderDisplay* display) {
  if (!display) return;
  *display = BorderDisplay{};
  if (!doc) return;
  bool sameBefore = false, sameAfter = false;
  const uint32_t bodyStart = FirstDocumentCp(doc);
  if (para.first > 0 && para.first > bodyStart && bodyStart != kNoCpValue) {
    ParaProps before;
    DocRange range;
    FetchParaProps(doc, pane, para.first - 1, &range, &before);
    sameBefore = range.first < para.first && SameBorder(props, before);
  }
  if (para.limit < doc->textLimit) {
    ParaProps after;
    DocRange range;
    FetchParaProps(doc, pane, para.limit, &range, &after);
    sameAfter = range.first >= para.limit && range.limit > para.limit && SameBorder(props, after);
  }
  // Inside a table cell only paragraphs of the same cell join.
  KnotFormat table, rowKnot;
  // The paragraph's closing mark lies in its cell (the column mark for a
  // cell's last paragraph).
  const uint32_t inside = para.limit > para.first ? para.limit - 1 : para.first;
  if ((sameBefore || sameAfter) && FetchTable(doc, inside, &table, &rowKnot, nullptr) &&
      inside >= rowKnot.start && inside < rowKnot.limit) {
    DocRange cell;
    if (IndexAndRangeForCell(table, rowKnot, inside, -1, &cell) >= 0) {
      sameBefore = sameBefore && para.first > cell.first;
      sameAfter = sameAfter && para.limit < cell.limit;
    }
  }
  // Only a paragraph's first line can open a run.
  const bool S = firstLine && !sameBefore;
  const bool E = !sameAfter;
  const uint32_t btype = props.border.btype;
  uint32_t row = 0, rows = 1, column = 0, columns = 1;
  switch (btype) {
    case kEdgeRight: column = 1, columns = 2; break;
    case kEdgeTop:
      row = S ? 0 : 1, rows = S ? 2 : 3, column = 1, columns = 3;
      break;
    case kEdgeBottom:
      row = E ? 2 : 1, rows = 3, column = 1, columns = 3;
      break;
    case kEdgeTopBottom:
    case kEdgeBox:
      row = S ? 0 : 1;
      rows = 1 + (S ? 0 : 1) + (E ? 0 : 1);
      column = btype == kEdgeTopBottom ? 1 : 0;
      columns = btype == kEdgeTopBottom ? 3 : 1;
      break;
    case kEdgeBetween:
      if (sameBefore && firstLine) row = 1, rows = 2;
      break;
    case kEdgeBoxBetween:
      row = S ? 0 : 1;
      rows = S ? (E ? 1 : 2) : (E ? 2 : 3);
      break;
    default:
      break;
  }
  SetBorderDisplay(btype, row, rows, column, columns, display);
  if (btype == kEdgeBoxBetween && !firstLine && sameBefore) display->drawAsBox = 1;
  if (btype == kEdgeBetween) display->left = display->right = 0;
}

BorderPlan PlanBorder(const BorderProps& props, bool forTable, const BorderDisplay& display, const QRectF& rect) {
  BorderDisplay rewritten = display;
  ModifyBorderDisplayForKind(props.btype, &rewritten);
  BorderProps converted = props;
  uint32_t btype = props.btype;
  if (display.drawAsBox) btype = converted.btype = kEdgeBox;
  BorderSpec spec;
  ConvertBorderSpec(converted, &spec);
  if (!display.drawAsBox && btype == kEdgeRow1BoxBetween) {
    spec.leftJoined = display.left == kEdgeCodeJoined;
    spec.rightJoined = display.right == kEdgeCodeJoined;
    spec.extendCorners = 1;
  }
  uint32_t sides = 0;
  if (rewritten.left) sides |= kBorderLeft;
  if (rewritten.right == kEdgeCodeOuter || rewritten.right == kEdgeCodeJoined) sides |= kBorderRight;
  if (rewritten.top) sides |= kBorderTop;
  if (rewritten.bottom == kEdgeCodeOuter) sides |= kBorderBottom;
  if (display.right == kEdgeCodeOuter) sides |= kBorderOuterRight;
  if (display.bottom == kEdgeCodeOuter) sides |= kBorderOuterBottom;
  const bool isDouble = props.bline == kLineDouble;
  if (isDouble && sides != kBorderAllSides) spec.pattern = DoubleLinePatternForCell(btype, display);
  if (forTable && isDouble) return PlanBorderCore(spec, sides, sides, rect);
  uint32_t extend = 0;
  if (rewritten.left) extend |= kBorderLeft;
  if (rewritten.right) extend |= kBorderRight;
  if (rewritten.top) extend |= kBorderTop;
  if (rewritten.bottom) extend |= kBorderBottom;
  return PlanBorderCore(spec, sides, extend, rect);
}

void DrawBorder(CorvaneDoc* doc, const BorderProps& props, bool forTable, const BorderDisplay& display,
                const QRectF& rect) {
  (void)doc;
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PaintBorderPlan(painter, PlanBorder(props, forTable, display, rect));
}
