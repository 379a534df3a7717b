#pragma once
// The arrowhead style of a line or bent line: which kind of head, at which
// ends, its proportions and its fill. One value describes both ends; the head
// at each end has the same shape, turned to the line's direction there. The
// proportions are in line widths (times 12,700), so a thicker line gets a
// proportionally larger head. All view geometry is in points on the y-down
// canvas.

#include <QMetaType>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "support/Kolor.h"
#include "support/Measure.h"

class CSXmlDecoder;
class CSXmlEncoder;
class DRStyleClient;

// The head kinds; their record names are "bar", "open/2", "open", "ball",
// "closed/2" and "closed" (keys kXmlArrowTypeBase + kind).
enum DRArrowType : int32_t {
  kArrowTypeNone = 0,
  kArrowTypeBar = 1,
  kArrowTypeOpenHalf = 2,
  kArrowTypeOpen = 3,
  kArrowTypeBall = 4,
  kArrowTypeClosedHalf = 5,
  kArrowTypeClosed = 6,
};

// onStart, onEnd and fill hold 0 (no), 1 (yes) or this value: a merged
// selection whose arrows disagree. Drawing takes it as yes.
constexpr int kArrowFlagMixed = 2;

// The most points and control handles one head has.
constexpr size_t kMaxArrowPoints = 4;
constexpr size_t kMaxArrowControls = 2;

class DRArrow {
  Q_GADGET
  Q_PROPERTY(int type READ type WRITE setType)
  Q_PROPERTY(int onStart READ onStart WRITE setOnStart)
  Q_PROPERTY(int onEnd READ onEnd WRITE setOnEnd)
  Q_PROPERTY(int fill READ fill WRITE setFill)
  Q_PROPERTY(qlonglong baseOffset READ baseOffset WRITE setBaseOffset)
  Q_PROPERTY(qlonglong xControl READ xControl WRITE setXControl)
  Q_PROPERTY(qlonglong yControl READ yControl WRITE setYControl)
  Q_PROPERTY(Kolor fillKolor READ fillKolor WRITE setFillKolor)

 public:
  using Points = std::span<QPointF, kMaxArrowPoints>;
  using Controls = std::span<QPointF, kMaxArrowControls>;

  // No head, at neither end, unfilled, offsets 0, fill colour none.
  DRArrow() = default;
  // Copies the stored fields; the element being drawn is never copied.
  DRArrow(const DRArrow& other);
  DRArrow& operator=(const DRArrow& other);

  // The kind's standard head at the end only; nullopt for 0 and unknown kinds.
  static std::optional<DRArrow> standardArrow(int32_t type);

  int32_t type() const { return m_type; }
  void setType(int32_t type) { m_type = type; }
  // Any value other than 0 and kArrowFlagMixed is stored as 1.
  int onStart() const { return m_onStart; }
  void setOnStart(int onStart) { m_onStart = Flag(onStart); }
  int onEnd() const { return m_onEnd; }
  void setOnEnd(int onEnd) { m_onEnd = Flag(onEnd); }
  int fill() const { return m_fill; }
  void setFill(int fill) { m_fill = Flag(fill); }
  MeasureUnit baseOffset() const { return m_baseOffset; }
  void setBaseOffset(MeasureUnit offset) { m_baseOffset = offset; }
  MeasureUnit xControl() const { return m_xControl; }
  void setXControl(MeasureUnit x) { m_xControl = x; }
  MeasureUnit yControl() const { return m_yControl; }
  void setYControl(MeasureUnit y) { m_yControl = y; }
  // No colour fills a filled head with the line's colour.
  Kolor fillKolor() const { return m_fillKolor; }
  void setFillKolor(Kolor kolor) { m_fillKolor = kolor; }

  bool isClosedType() const { return m_type >= kArrowTypeBall && m_type <= kArrowTypeClosed; }
  bool usesBaseOffset() const { return m_type == kArrowTypeClosedHalf || m_type == kArrowTypeClosed; }
  bool usesXControl() const { return m_type != kArrowTypeBall; }

  // Offsets rounded to hundredths of a line width, signs made meaningful for
  // the kind, unused offsets 0, and no fill (nor fill colour) where the head
  // cannot be filled. Applied after reading and to arrows made from input.
  void setCanonicalForm();

  // Compares only what the kind uses: xControl not for a ball, baseOffset
  // only for closed triangles, fill and its colour only for closed kinds.
  bool operator==(const DRArrow& other) const;
  size_t hash() const;

  // ---- The "arrow" record ----
  // Reads from the decoder positioned on the "arrow" start tag through its
  // end tag, then applies the canonical form. nullopt for a "type" that names
  // no kind (the record is still read to its end, so the owner reads on) and
  // when the text is malformed or ends first. Unknown tags are skipped.
  static std::optional<DRArrow> initWithXml(CSXmlDecoder& decoder);
  // Writes the record's children; the owner writes the "arrow" tags.
  void archiveToXml(CSXmlEncoder& encoder) const;

  // ---- One head ----
  // The head's points in its own frame for a line `width` points wide: the
  // origin where the shortened line ends, +x along the line towards the tip,
  // y across. Answers the number of points; `indent` is how far the line's
  // end moves back, and the control handles are those the arrow editor drags.
  int getArrowPoints(Points points, double width, double* indent, Controls controlPoints, int* controlCount) const;
  // Moves the line end `point` back by the indent towards `originalFrom`
  // (the other end before it was shortened); onto `from`, the other end, when
  // the indent reaches it. Only while the ends are being shifted.
  void adjustPoint(QPointF* point, const QPointF& from, const QPointF& originalFrom, double indent) const;
  // The head's points and control handles placed at the tip `to` (moved back
  // by the indent) of a line from `from`, turned to the line's direction.
  int getAdjustedPoints(Points points, Controls controlPoints, int* controlCount, const QPointF& from,
                        const QPointF& originalFrom, QPointF* to, double width) const;
  // The head's outline at the tip (which moves back by the indent), on a
  // line whose other end is `from` (`originalFrom` before shortening):
  // an oval for a ball, else the points in order, closed for closed kinds.
  QPainterPath bezierForArrowFrom(QPointF* tip, const QPointF& originalFrom, const QPointF& from, double width) const;
  // Fills (when filled) and strokes one head in the line's colour.
  void drawArrowFrom(QPointF* tip, const QPointF& originalFrom, const QPointF& from, double width, Kolor kolor) const;

  // ---- Both heads ----
  // Draws the heads at the flagged ends of the line from start to end; on
  // return the points are the ends of the line shortened for the heads
  // (unchanged without `shiftPoints`). Saves and restores the graphics state.
  void drawLineArrowsFrom(QPointF* start, QPointF* end, double width, Kolor kolor, bool shiftPoints) const;
  // The heads of an element's line, in its line colour (black while it hit
  // tests) at its effective line width.
  void drawArrowsForLine(DRStyleClient* element, QPointF* start, QPointF* end) const;
  // Shortens the element's line for its heads without drawing them. With a
  // shadow the line stops a little short of the full indent, so its shadow
  // reaches under the heads without a gap.
  void insetForArrows(const DRStyleClient& element, QPointF* start, QPointF* end) const;
  // The rectangle spanned by the ends united with the heads' outlines; a
  // side of 0 counts as 1 point.
  QRectF boundsFrom(const QPointF& start, const QPointF& end, double width) const;
  // The control handles of the end head (of the start head when there is no
  // end head) at the unshortened end; answers their number.
  int getControlPoints(Controls points, const QPointF& start, const QPointF& end, double width) const;
  // A sample for menus and panes: a horizontal line across the rectangle,
  // `inset` in from each side, with its heads at width 1.
  void drawSampleInRect(const QRectF& rect, double inset, Kolor kolor) const;

  // The element being drawn, set only inside drawArrowsForLine().
  DRStyleClient* clientLine() const { return m_clientLine; }
  // Whether heads move the line's ends back; off only while control handles
  // are asked for.
  bool shiftEndPoints() const { return m_shiftEndPoints; }

 private:
  static int8_t Flag(int value) { return value == 0 ? 0 : value == kArrowFlagMixed ? int8_t(kArrowFlagMixed) : 1; }

  int32_t m_type = kArrowTypeNone;
  int8_t m_onStart = 0;
  int8_t m_onEnd = 0;
  int8_t m_fill = 0;
  MeasureUnit m_baseOffset = 0;
  MeasureUnit m_xControl = 0;
  MeasureUnit m_yControl = 0;
  Kolor m_fillKolor = g_nilKolor;
  // Drawing state: set for the length of one call, never part of the value.
  mutable DRStyleClient* m_clientLine = nullptr;
  mutable bool m_shiftEndPoints = true;
};

inline size_t qHash(const DRArrow& arrow, size_t seed = 0) {
  return arrow.hash() ^ seed;
}

Q_DECLARE_METATYPE(DRArrow)
