#pragma once
// The stroke style of an element and of the line tool: width, colour, cap,
// join, miter limit, flatness, and the dash (built-in or custom pattern,
// phase, and whether the pattern grows with the width). It sets up the pen
// an element strokes with, reads and writes the "lineinfo" record, and
// merges the styles of a multiple selection.
//
// A merged style (intersectWith) marks fields that differ as mixed: -1 for
// cap, join and line style, kMixedMeasure for the measures, no colour for
// the Kolor, false for pattern scaling and no pattern.

#include <QList>
#include <QMetaType>
#include <QPen>
#include <optional>
#include <vector>

#include "support/Kolor.h"
#include "support/Measure.h"

class CSXmlDecoder;
class CSXmlEncoder;
class DRStyleClient;

// Cap and join codes (the platform's).
constexpr int64_t kLineCapButt = 0;
constexpr int64_t kLineCapRound = 1;
constexpr int64_t kLineCapSquare = 2;
constexpr int64_t kLineJoinMiter = 0;
constexpr int64_t kLineJoinRound = 1;
constexpr int64_t kLineJoinBevel = 2;

// Line styles.
constexpr int64_t kLineStyleSolid = 0;
constexpr int64_t kLineStyleDash = 1;
constexpr int64_t kLineStyleDot = 2;
constexpr int64_t kLineStyleCustom = 3;

// The marker of a mixed cap, join or line style.
constexpr int64_t kMixedLineCode = -1;

constexpr MeasureUnit kDefaultFlatness = 7620;      // 0.6 point
constexpr MeasureUnit kDefaultMiterLimit = 127000;  // 10
// A custom pattern is drawn only with this many entries.
constexpr int kMinCustomPatternCount = 2;
constexpr int kMaxCustomPatternCount = 10;

// Built-in patterns in measures: dash 5 points on and 2 off, dot 1 on and 2 off.
inline constexpr MeasureUnit kDashPattern[2] = {63500, 25400};
inline constexpr MeasureUnit kDotPattern[2] = {12700, 25400};

// The thinnest line drawn, and the width of lines while hit testing or
// dashed, in points.
constexpr double kMinLineWidth = 0.25;
constexpr double kMinMarkedLineWidth = 1.0;

class DRLineInfo {
  Q_GADGET
  Q_PROPERTY(qlonglong width READ width WRITE setWidth)
  Q_PROPERTY(Kolor kolor READ kolor WRITE setKolor)
  Q_PROPERTY(qlonglong capStyle READ capStyle WRITE setCapStyle)
  Q_PROPERTY(qlonglong flatness READ flatness WRITE setFlatness)
  Q_PROPERTY(qlonglong joinStyle READ joinStyle WRITE setJoinStyle)
  Q_PROPERTY(qlonglong miterLimit READ miterLimit WRITE setMiterLimit)
  Q_PROPERTY(qlonglong lineStyle READ lineStyle WRITE setLineStyle)
  Q_PROPERTY(QList<qlonglong> pattern READ patternValue WRITE setPatternValue)
  Q_PROPERTY(qlonglong phase READ phase WRITE setPhase)
  Q_PROPERTY(bool scalePattern READ scalePattern WRITE setScalePattern)

 public:
  using Pattern = std::vector<MeasureUnit>;

  // Width 0, opaque black, and the standard options.
  DRLineInfo();

  MeasureUnit width() const { return m_width; }
  void setWidth(MeasureUnit width) { m_width = width; }

  Kolor kolor() const { return m_kolor; }
  // Stores the colour and registers it as a recently used (alternate) colour.
  void setKolor(Kolor kolor);
  void setKolorWithoutRegistering(Kolor kolor) { m_kolor = kolor; }

  int64_t capStyle() const { return m_capStyle; }
  void setCapStyle(int64_t cap) { m_capStyle = cap; }
  MeasureUnit flatness() const { return m_flatness; }
  void setFlatness(MeasureUnit flatness) { m_flatness = flatness; }
  int64_t joinStyle() const { return m_joinStyle; }
  void setJoinStyle(int64_t join) { m_joinStyle = join; }
  MeasureUnit miterLimit() const { return m_miterLimit; }
  void setMiterLimit(MeasureUnit limit) { m_miterLimit = limit; }
  int64_t lineStyle() const { return m_lineStyle; }
  void setLineStyle(int64_t style) { m_lineStyle = style; }

  // The custom dash pattern, dash and gap lengths alternating; none in a
  // merged style whose patterns differ.
  const std::optional<Pattern>& pattern() const { return m_pattern; }
  void setPattern(std::optional<Pattern> pattern) { m_pattern = std::move(pattern); }
  // The pattern for property access: empty when there is none.
  QList<qlonglong> patternValue() const;
  void setPatternValue(const QList<qlonglong>& pattern);

  MeasureUnit phase() const { return m_phase; }
  void setPhase(MeasureUnit phase) { m_phase = phase; }
  bool scalePattern() const { return m_scalePattern; }
  void setScalePattern(bool scale) { m_scalePattern = scale; }

  // Back to cap butt, flatness 0.6, join miter, miter limit 10, solid, no
  // custom pattern, phase 0, pattern scaled; width and colour stay.
  void enforceStandardAdvancedOptions();

  // Whether any field differs from its default: only then does an element
  // write its line style.
  bool needsArchive() const;

  // The pen that strokes the element's lines: width (at least a quarter
  // point, scaled with the element where its "scale-line" setting asks),
  // dash, cap (left to the arrowheads when the element has some), join,
  // miter limit and colour. While the element is hit testing: at least a
  // point wide, in black, undashed. With forceVisible an invisible colour
  // strokes black, as does an invalid one. A null element is one that
  // neither hit tests nor scales. Flatness has no place in the pen: Qt
  // flattens curves to device precision.
  QPen setupBezier(const DRStyleClient* element, bool forceVisible) const;

  // Marks every field that differs from the other's as mixed; the patterns
  // stay only when they are equal.
  void intersectWith(const DRLineInfo& other);

  // ---- The "lineinfo" record ----
  // Reads from the decoder positioned on the "lineinfo" start tag through
  // its end tag, starting from the defaults; unknown tags are skipped.
  // nullopt when the text is malformed or ends first.
  static std::optional<DRLineInfo> initWithXml(CSXmlDecoder& decoder);
  // Writes the record with each field that differs from its default.
  void archiveToXml(CSXmlEncoder& encoder) const;

  bool operator==(const DRLineInfo&) const = default;

 private:
  MeasureUnit m_width = 0;
  Kolor m_kolor = g_blackKolor;
  int64_t m_capStyle = kLineCapButt;
  MeasureUnit m_flatness = kDefaultFlatness;
  int64_t m_joinStyle = kLineJoinMiter;
  MeasureUnit m_miterLimit = kDefaultMiterLimit;
  int64_t m_lineStyle = kLineStyleSolid;
  std::optional<Pattern> m_pattern = Pattern{};
  MeasureUnit m_phase = 0;
  bool m_scalePattern = true;
};

Q_DECLARE_METATYPE(DRLineInfo)
