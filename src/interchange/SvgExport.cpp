#include "interchange/SvgExport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointF>
#include <QRectF>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <variant>

#include "interchange/Css.h"
#include "interchange/SvgKeys.h"
#include "model/DRElementArc.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"
#include "model/GeometryHelpers.h"
#include "model/TextLayout.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/GraphicsHelpers.h"
#include "support/SaturatingCast.h"

const QString g_noSvgShapesMessage = QStringLiteral("The document does not contain any shapes I can save to SVG");

namespace {

constexpr int64_t kFullTurn = 360 * kMeasurePerPoint;
constexpr MeasureUnit kMeasurePerPixel = 9525;
// A line of width 0 is drawn a quarter point wide.
constexpr MeasureUnit kHairlineWidth = 3175;
constexpr std::array<MeasureUnit, 2> kDashPattern{63500, 25400};
constexpr std::array<MeasureUnit, 2> kDotPattern{12700, 25400};

QString Name(int key) {
  return SvgKeyName(key);
}

double Pixels(double points) {
  return points * 96.0 / 72.0;
}

// A whole number as "%.0f", any other as "%.2f".
QString NumberString(double value) {
  if (!std::isfinite(value)) value = 0;
  const bool whole = value == std::round(value);
  QString text = QString::number(value, 'f', whole ? 0 : 2);
  if (text == QLatin1String("-0") || text == QLatin1String("-0.00")) text = QStringLiteral("0");
  return text;
}

// A length in an attribute: pixels without a unit, up to three decimals.
QString LengthString(MeasureUnit value) {
  const double pixels = std::round(double(value) / double(kMeasurePerPixel) * 1000) / 1000;
  QString text = QString::number(pixels, 'f', 3);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString PercentString(double value) {
  const bool whole = value == std::round(value);
  QString text = QString::number(value, 'f', whole ? 0 : 1);
  if (text == QLatin1String("-0") || text == QLatin1String("-0.0")) text = QStringLiteral("0");
  return text + QLatin1Char('%');
}

// Path data: a command letter, then numbers separated by one space, none
// before a negative number (its sign separates it) or right after a letter.
class PathData {
 public:
  void command(QChar letter) {
    m_text += letter;
    m_afterCommand = true;
  }
  void number(double value) {
    const QString text = NumberString(value);
    if (!m_afterCommand && !text.startsWith(QLatin1Char('-'))) m_text += QLatin1Char(' ');
    m_text += text;
    m_afterCommand = false;
  }
  void point(QPointF p) {
    number(p.x());
    number(p.y());
  }
  const QString& text() const { return m_text; }

 private:
  QString m_text;
  bool m_afterCommand = false;
};

// Pixels rounded to hundredths, so that relative steps add up exactly to
// the absolute positions.
QPointF Hundredths(QPointF p) {
  return QPointF(std::round(p.x() * 100) / 100, std::round(p.y() * 100) / 100);
}

QPointF PixelPoint(QPointF points) {
  return Hundredths(QPointF(Pixels(points.x()), Pixels(points.y())));
}

using SvgDefinition = std::variant<DRGradient, std::shared_ptr<const DRElement>>;

struct SvgExportState {
  CSXmlEncoder encoder = CSXmlEncoder::createForSvg();
  std::vector<std::pair<QString, SvgDefinition>> definitions;
  uint64_t exported = 0;
  CSRect bounds;
};

double Degrees(int64_t angle) {
  return double(angle) / double(kMeasurePerPoint);
}

int64_t NormalizedAngle(int64_t angle) {
  angle %= kFullTurn;
  return angle < 0 ? angle + kFullTurn : angle;
}

CSRect InsetRect(const CSRect& rect, MeasureUnit inset) {
  if (inset <= 0) return rect;
  return CSRect{rect.x + inset, rect.y + inset, std::max<MeasureUnit>(rect.width - 2 * inset, 0),
                std::max<MeasureUnit>(rect.height - 2 * inset, 0)};
}

bool HasVisibleLine(const DRElement& element) {
  return element.lineInfo() && IsVisibleKolor(element.lineInfo()->kolor());
}

MeasureUnit LineWidthOf(const DRLineInfo& line) {
  return line.width() == 0 ? kHairlineWidth : line.width();
}

void AddRotation(CSXmlEncoder& encoder, int64_t rotation, const CSRect& frame) {
  if (NormalizedAngle(rotation) == 0) return;
  const QRectF r = ConvertMeasureRect(frame);
  encoder.addAttribute(Name(kSvgTransform), QStringLiteral("rotate(%1 %2 %3)")
                                                .arg(NumberString(Degrees(NormalizedAngle(rotation))),
                                                     NumberString(Pixels(r.center().x())),
                                                     NumberString(Pixels(r.center().y()))));
}

void AddFillAttributes(SvgExportState& state, const DRElement& element) {
  if (const DRGradient* gradient = element.gradientStyle()) {
    QString id;
    for (const auto& [name, definition] : state.definitions) {
      const DRGradient* defined = std::get_if<DRGradient>(&definition);
      if (defined && *defined == *gradient) {
        id = name;
        break;
      }
    }
    if (id.isEmpty()) {
      id = QStringLiteral("%1Gradient%2")
               .arg(gradient->isRadial() ? QStringLiteral("radial") : QStringLiteral("linear"))
               .arg(state.definitions.size() + 1);
      state.definitions.emplace_back(id, *gradient);
    }
    state.encoder.addAttribute(Name(kSvgFill), QStringLiteral("url(#%1)").arg(id));
    return;
  }
  const Kolor fill = element.fillKolor();
  state.encoder.addAttribute(Name(kSvgFill), IsVisibleKolor(fill) ? CssColorString(fill) : Name(kSvgNone));
}

// The stroke attributes; answers the width written (0 when there is no
// visible stroke).
MeasureUnit AddLineAttributes(SvgExportState& state, const DRElement& element, double widthScale) {
  if (!HasVisibleLine(element)) return 0;
  const DRLineInfo& line = *element.lineInfo();
  CSXmlEncoder& encoder = state.encoder;
  encoder.addAttribute(Name(kSvgStroke), CssColorString(line.kolor()));
  const MeasureUnit width = SaturatingRound<MeasureUnit>(double(LineWidthOf(line)) * widthScale);
  encoder.addAttribute(Name(kSvgStrokeWidth), LengthString(width));
  if (line.capStyle() == kLineCapRound) encoder.addAttribute(Name(kSvgStrokeLinecap), QStringLiteral("round"));
  if (line.capStyle() == kLineCapSquare) encoder.addAttribute(Name(kSvgStrokeLinecap), QStringLiteral("square"));
  if (line.joinStyle() == kLineJoinRound) encoder.addAttribute(Name(kSvgStrokeLinejoin), QStringLiteral("round"));
  if (line.joinStyle() == kLineJoinBevel) encoder.addAttribute(Name(kSvgStrokeLinejoin), QStringLiteral("bevel"));
  const int type = element.elementType();
  if (line.joinStyle() == kLineJoinMiter && type != kElementArc && type != kElementEllipse && type != kElementLine &&
      type != kElementRectangle && type != kElementRoundRect)
    encoder.addAttribute(Name(kSvgStrokeMiterlimit), LengthString(line.miterLimit()));
  std::vector<MeasureUnit> dashes;
  if (line.lineStyle() == kLineStyleDash) dashes.assign(kDashPattern.begin(), kDashPattern.end());
  if (line.lineStyle() == kLineStyleDot) dashes.assign(kDotPattern.begin(), kDotPattern.end());
  if (line.lineStyle() == kLineStyleCustom && line.pattern()) {
    dashes.assign(line.pattern()->begin(), line.pattern()->end());
    if (line.phase() != 0) encoder.addAttribute(Name(kSvgStrokeDashoffset), LengthString(line.phase()));
  }
  if (!dashes.empty()) {
    const double factor = line.scalePattern() ? std::max(1.0, std::round(double(width) / kMeasurePerPoint)) : 1.0;
    QStringList entries;
    for (const MeasureUnit entry : dashes) {
      const double pixels = std::ceil(double(entry) * factor / double(kMeasurePerPixel));
      entries << NumberString(std::max(pixels, 1.0));
    }
    encoder.addAttribute(Name(kSvgStrokeDasharray), entries.join(QLatin1Char(' ')));
  }
  return width;
}

// The family in CSS text: quoted with whichever mark it does not hold, and
// left out (the generic family alone) when it holds both.
QString FontFamilyString(const QFont& font) {
  const QString family = font.family();
  const QString generic = GenericFamilyForFont(font);
  const bool apostrophe = family.contains(QLatin1Char('\''));
  const bool quote = family.contains(QLatin1Char('"'));
  if (family.isEmpty() || (apostrophe && quote)) return generic;
  const QChar mark = apostrophe ? QLatin1Char('"') : QLatin1Char('\'');
  return mark + family + mark + QStringLiteral(", ") + generic;
}

// The text attributes; answers the text-anchor value.
QString AddTextAttributes(SvgExportState& state, const DRTextInfo& info, bool onPath) {
  CSXmlEncoder& encoder = state.encoder;
  const QFont font = info.fontValue();
  encoder.addAttribute(Name(kSvgFontFamily), FontFamilyString(font));
  encoder.addAttribute(Name(kSvgFontSize), NumberString(Pixels(font.pointSizeF())));
  if (font.bold() || info.isBold() == 1) encoder.addAttribute(Name(kSvgFontWeight), QStringLiteral("bold"));
  if (font.italic() || info.isItalic() == 1) encoder.addAttribute(Name(kSvgFontStyle), QStringLiteral("italic"));
  if (!onPath && info.isUnderlined() == 1) encoder.addAttribute(Name(kSvgTextDecoration), QStringLiteral("underline"));
  QString align = QStringLiteral("left");
  QString anchor = QStringLiteral("start");
  switch (info.alignment()) {
    case kTextAlignRight:
      align = QStringLiteral("right");
      anchor = QStringLiteral("end");
      break;
    case kTextAlignCenter:
      align = QStringLiteral("center");
      anchor = QStringLiteral("middle");
      break;
    case kTextAlignJustified:
      if (onPath) align = QStringLiteral("justify");
      break;
    default:
      break;
  }
  encoder.addAttribute(Name(kSvgTextAlign), align);
  return anchor;
}

// A path point: scaled by the frame over the original size, placed at the
// frame, turned about the frame's centre and in pixels.
class PointMapper {
 public:
  PointMapper(const DRElement& element, const CSRect& frame) : m_frame(ConvertMeasureRect(frame)) {
    const CSPoint original = element.originalSize();
    m_scaleX = original.x != 0 ? double(frame.width) / double(original.x) : 1.0;
    m_scaleY = original.y != 0 ? double(frame.height) / double(original.y) : 1.0;
    m_degrees = Degrees(NormalizedAngle(element.rotation()));
  }
  QPointF operator()(CSPoint point) const {
    QPointF p(double(point.x) * m_scaleX / kMeasurePerPoint + m_frame.left(),
              double(point.y) * m_scaleY / kMeasurePerPoint + m_frame.top());
    if (m_degrees != 0) p = RotatePoint(p, m_frame.center(), m_degrees);
    return PixelPoint(p);
  }
  double scaleX() const { return m_scaleX; }

 private:
  QRectF m_frame;
  double m_scaleX = 1;
  double m_scaleY = 1;
  double m_degrees = 0;
};

double LineScale(const DRElement& element, const PointMapper& mapper) {
  return element.scaleLineSetting().value_or(false) ? mapper.scaleX() : 1.0;
}

// Opens a path element's attributes: its id, its fill (none when open) and
// its line; answers the mapping of its points.
PointMapper AddPathAttributes(SvgExportState& state, const DRElementScribble& element, const CSRect& frame,
                              const QString& id) {
  CSXmlEncoder& encoder = state.encoder;
  if (!id.isEmpty()) encoder.addAttribute(Name(kSvgId), id);
  const PointMapper map(element, frame);
  if (element.isClosed()) {
    AddFillAttributes(state, element);
  } else {
    encoder.addAttribute(Name(kSvgFill), Name(kSvgNone));
  }
  AddLineAttributes(state, element, LineScale(element, map));
  return map;
}

void ExportAnglePath(SvgExportState& state, const DRElementScribble& element, const CSRect& frame, const QString& id) {
  CSXmlEncoder& encoder = state.encoder;
  const PointMapper map = AddPathAttributes(state, element, frame, id);
  PathData d;
  QPointF previous;
  bool first = true;
  for (const CSPoint& point : element.points()) {
    const QPointF p = map(point);
    if (first) {
      d.command(QLatin1Char('m'));
      d.point(p);
      first = false;
    } else {
      d.point(p - previous);
    }
    previous = p;
  }
  if (element.isClosed()) d.command(QLatin1Char('z'));
  encoder.addAttribute(Name(kSvgD), d.text());
  encoder.openAndCloseTag(Name(kSvgPath));
}

void EmitPathCurve(PathData& d, QPointF from, QPointF to, QPointF control1, QPointF control2) {
  d.point(control1 - from);
  d.point(control2 - from);
  d.point(to - from);
}

void ExportCurvedPath(SvgExportState& state, const DRElementPolygon& element, const CSRect& frame, const QString& id) {
  const std::vector<CSPoint>& points = element.points();
  const std::vector<DRControlPair>& pairs = element.controlPairs();
  if (points.empty() || pairs.size() != points.size()) {
    ExportAnglePath(state, element, frame, id);
    return;
  }
  CSXmlEncoder& encoder = state.encoder;
  const PointMapper map = AddPathAttributes(state, element, frame, id);
  PathData d;
  d.command(QLatin1Char('M'));
  d.point(map(points[0]));
  if (points.size() > 1) d.command(QLatin1Char('c'));
  for (size_t i = 1; i < points.size(); ++i)
    EmitPathCurve(d, map(points[i - 1]), map(points[i]), map(pairs[i - 1].out), map(pairs[i].in));
  if (element.isClosed()) {
    d.command(QLatin1Char('C'));
    d.point(map(pairs.back().out));
    d.point(map(pairs.front().in));
    d.point(map(points.front()));
    d.command(QLatin1Char('z'));
  }
  encoder.addAttribute(Name(kSvgD), d.text());
  encoder.openAndCloseTag(Name(kSvgPath));
}

bool HasCurves(const DRElementScribble& element) {
  const auto* polygon = dynamic_cast<const DRElementPolygon*>(&element);
  return polygon && polygon->curves() && !polygon->controlPairs().empty();
}

void ExportTextOnPath(SvgExportState& state, const DRElementScribble& element, const CSRect& frame) {
  std::unique_ptr<DRElement> copy = element.copy();
  if (!copy) return;
  copy->setFrame(frame);
  const QString id = QStringLiteral("path%1").arg(state.definitions.size() + 1);
  state.definitions.emplace_back(id, std::shared_ptr<const DRElement>(std::move(copy)));
  CSXmlEncoder& encoder = state.encoder;
  AddTextAttributes(state, element.textInfo(), true);
  encoder.openTag(Name(kSvgText));
  encoder.addAttribute(Name(kSvgHref), QLatin1Char('#') + id);
  encoder.addTag(Name(kSvgTextPath), element.text());
  encoder.closeTag(Name(kSvgText));
}

void ExportText(SvgExportState& state, const DRElementText& element, const CSRect& frame) {
  const DRTextInfo& info = element.textInfo();
  if (!IsVisibleKolor(info.textKolor())) return;
  const QString& text = element.text();
  const QRectF box = ConvertMeasureRect(frame);
  const std::vector<TextBoxLine> lines = TextBoxLines(info.expressWithText(text, false), box.width());
  CSXmlEncoder& encoder = state.encoder;
  encoder.addAttribute(Name(kSvgFill), CssColorString(info.textKolor()));
  const QString anchor = AddTextAttributes(state, info, false);
  AddRotation(encoder, element.rotation(), frame);
  encoder.addAttribute(Name(kSvgTextAnchor), anchor);
  encoder.addAttribute(Name(kSvgInlineSize), LengthString(frame.width));
  double x = box.left();
  if (info.alignment() == kTextAlignRight) x = box.right();
  if (info.alignment() == kTextAlignCenter) x = box.center().x();
  const QString xText = NumberString(Pixels(x));
  auto lineText = [&text](const TextBoxLine& line) {
    QString part = text.mid(line.start, line.length);
    while (!part.isEmpty() && (part.back() == u'\n' || part.back() == u'\r' || part.back() == QChar::LineSeparator ||
                               part.back() == QChar::ParagraphSeparator))
      part.chop(1);
    return part;
  };
  const double firstBaseline = lines.empty() ? 0 : lines.front().baseline;
  encoder.addAttribute(Name(kSvgX), xText);
  encoder.addAttribute(Name(kSvgY), NumberString(Pixels(box.top() + firstBaseline)));
  if (lines.size() <= 1) {
    encoder.addTag(Name(kSvgText), text);
    return;
  }
  encoder.openTag(Name(kSvgText));
  for (const TextBoxLine& line : lines) {
    encoder.addAttribute(Name(kSvgX), xText);
    encoder.addAttribute(Name(kSvgY), NumberString(Pixels(box.top() + line.baseline)));
    encoder.addTag(QStringLiteral("tspan"), lineText(line));
  }
  encoder.closeTag(Name(kSvgText));
}

// A point on the circle at a model angle (clockwise from 12 o'clock).
QPointF ArcPoint(QPointF centre, double radius, double degrees) {
  const double alpha = (90.0 - degrees) * std::numbers::pi / 180.0;
  return QPointF(centre.x() + radius * std::cos(alpha), centre.y() - radius * std::sin(alpha));
}

void ExportArc(SvgExportState& state, const DRElementArc& element, const QRectF& rect) {
  const QPointF centre = PixelPoint(rect.center());
  const double radius = Pixels(std::min(rect.width(), rect.height()) / 2);
  const double rotation = Degrees(element.rotation());
  const QPointF start = Hundredths(ArcPoint(centre, radius, Degrees(element.startAngle()) + rotation));
  const QPointF end = Hundredths(ArcPoint(centre, radius, Degrees(element.endAngle()) + rotation));
  const bool large = NormalizedAngle(element.endAngle() - element.startAngle()) >= 180 * kMeasurePerPoint;
  PathData d;
  d.command(QLatin1Char('M'));
  d.point(centre);
  d.command(QLatin1Char('L'));
  d.point(start);
  d.command(QLatin1Char('A'));
  d.number(radius);
  d.number(radius);
  d.number(0);
  d.number(large ? 1 : 0);
  d.number(1);
  d.point(end);
  d.command(QLatin1Char('z'));
  state.encoder.addAttribute(Name(kSvgD), d.text());
  state.encoder.openAndCloseTag(Name(kSvgPath));
}

void ExportRegularPoly(SvgExportState& state, const DRElementRegularPoly& element, const CSRect& inset) {
  std::array<QPointF, kMaxRegularPolyVertices> vertices;
  const QRectF rect = ConvertMeasureRect(inset);
  const int count = GetPointsForRegularPoly(int(std::min<uint64_t>(element.vertexCount(), kMaxRegularPolyVertices)),
                                            vertices.data(), rect);
  const double degrees = Degrees(NormalizedAngle(element.rotation()));
  PathData d;
  QPointF previous;
  for (int i = 0; i < count; ++i) {
    QPointF p = vertices[size_t(i)];
    if (degrees != 0) p = RotatePoint(p, rect.center(), degrees);
    p = PixelPoint(p);
    if (i == 0) {
      d.command(QLatin1Char('m'));
      d.point(p);
    } else {
      d.point(p - previous);
    }
    previous = p;
  }
  if (count > 0) d.command(QLatin1Char('z'));
  state.encoder.addAttribute(Name(kSvgD), d.text());
  state.encoder.openAndCloseTag(Name(kSvgPath));
}

// A closed shape written from its frame: fill and stroke, the frame inset by
// half the stroke (the model strokes inside the frame, SVG on the outline).
void ExportFramedShape(SvgExportState& state, const DRElement& element, const CSRect& frame) {
  CSXmlEncoder& encoder = state.encoder;
  AddFillAttributes(state, element);
  const MeasureUnit stroke = AddLineAttributes(state, element, 1.0);
  const CSRect inset = InsetRect(frame, stroke / 2);
  const QRectF rect = ConvertMeasureRect(inset);
  switch (element.elementType()) {
    case kElementArc:
      ExportArc(state, static_cast<const DRElementArc&>(element), rect);
      return;
    case kElementRegularPoly:
      ExportRegularPoly(state, static_cast<const DRElementRegularPoly&>(element), inset);
      return;
    case kElementEllipse: {
      encoder.addAttribute(Name(kSvgCx), LengthString(inset.x + inset.width / 2));
      encoder.addAttribute(Name(kSvgCy), LengthString(inset.y + inset.height / 2));
      if (inset.width == inset.height) {
        encoder.addAttribute(Name(kSvgR), LengthString(inset.width / 2));
        encoder.openAndCloseTag(Name(kSvgCircle));
        return;
      }
      encoder.addAttribute(Name(kSvgRx), LengthString(inset.width / 2));
      encoder.addAttribute(Name(kSvgRy), LengthString(inset.height / 2));
      AddRotation(encoder, element.rotation(), inset);
      encoder.openAndCloseTag(Name(kSvgEllipse));
      return;
    }
    default: {
      encoder.addAttribute(Name(kSvgX), LengthString(inset.x));
      encoder.addAttribute(Name(kSvgY), LengthString(inset.y));
      encoder.addAttribute(Name(kSvgWidth), LengthString(inset.width));
      encoder.addAttribute(Name(kSvgHeight), LengthString(inset.height));
      if (const auto* round = dynamic_cast<const DRElementRoundRect*>(&element)) {
        encoder.addAttribute(Name(kSvgRx), LengthString(round->cornerRadius()));
        encoder.addAttribute(Name(kSvgRy), LengthString(round->cornerRadius()));
      }
      AddRotation(encoder, element.rotation(), inset);
      encoder.openAndCloseTag(Name(kSvgRect));
      return;
    }
  }
}

void ExportElement(SvgExportState& state, const DRElement& element, const CSRect& frame);

// The members of a group or multipath, placed at its origin and, in a
// turned group, turned about its centre with it.
void ExportMembers(SvgExportState& state, const DRElement& group, const DRElementList& members, const CSRect& frame) {
  const int64_t rotation = NormalizedAngle(group.rotation());
  const QPointF centre = ConvertMeasureRect(frame).center();
  for (const auto& member : members) {
    if (!member) continue;
    const CSRect own = member->frame();
    CSRect placed{frame.x + own.x, frame.y + own.y, own.width, own.height};
    if (rotation == 0) {
      ExportElement(state, *member, placed);
      continue;
    }
    std::unique_ptr<DRElement> copy = member->copy();
    if (!copy) continue;
    const QRectF r = ConvertMeasureRect(placed);
    const QPointF moved = RotatePoint(r.center(), centre, Degrees(rotation));
    placed.x = MeasureFromDouble((moved.x() - r.width() / 2) * kMeasurePerPoint);
    placed.y = MeasureFromDouble((moved.y() - r.height() / 2) * kMeasurePerPoint);
    if (auto* line = dynamic_cast<DRElementLine*>(copy.get())) {
      // A line has no rotation of its own: its ends turn instead.
      auto turn = [&](CSPoint p) {
        const QPointF at = RotatePoint(QPointF(r.left() + double(p.x) / kMeasurePerPoint,
                                               r.top() + double(p.y) / kMeasurePerPoint),
                                       centre, Degrees(rotation));
        return CSPoint{MeasureFromDouble(at.x() * kMeasurePerPoint), MeasureFromDouble(at.y() * kMeasurePerPoint)};
      };
      const CSPoint start = turn(line->startPoint());
      const CSPoint end = turn(line->endPoint());
      line->setStartPoint(start);
      line->setEndPoint(end);
      placed.x = placed.y = 0;
    } else {
      copy->setRotation(NormalizedAngle(copy->rotation() + rotation));
    }
    ExportElement(state, *copy, placed);
  }
}

void ExportElement(SvgExportState& state, const DRElement& element, const CSRect& frame) {
  const int type = element.elementType();
  if (type == kElementBitmap) return;
  if (type == kElementGroup) {
    ExportMembers(state, element, static_cast<const DRElementGroup&>(element).subelements(), frame);
    return;
  }
  if (type == kElementMultipath) {
    ExportMembers(state, element, static_cast<const DRElementMultipath&>(element).subelements(), frame);
    return;
  }
  ++state.exported;
  CSXmlEncoder& encoder = state.encoder;
  if (!element.notes().isEmpty()) encoder.addTag(Name(kSvgDesc), element.notes());
  switch (type) {
    case kElementBentLine:
    case kElementPolygon:
    case kElementScribble: {
      const auto& path = static_cast<const DRElementScribble&>(element);
      if (!path.text().isEmpty()) {
        ExportTextOnPath(state, path, frame);
      } else if (type != kElementScribble && HasCurves(path)) {
        ExportCurvedPath(state, static_cast<const DRElementPolygon&>(element), frame, QString());
      } else {
        ExportAnglePath(state, path, frame, QString());
      }
      return;
    }
    case kElementLine: {
      if (!HasVisibleLine(element)) return;
      const auto& line = static_cast<const DRElementLine&>(element);
      AddLineAttributes(state, element, 1.0);
      encoder.addAttribute(Name(kSvgX1), LengthString(frame.x + line.startPoint().x));
      encoder.addAttribute(Name(kSvgY1), LengthString(frame.y + line.startPoint().y));
      encoder.addAttribute(Name(kSvgX2), LengthString(frame.x + line.endPoint().x));
      encoder.addAttribute(Name(kSvgY2), LengthString(frame.y + line.endPoint().y));
      encoder.openAndCloseTag(Name(kSvgLine));
      return;
    }
    case kElementText:
      ExportText(state, static_cast<const DRElementText&>(element), frame);
      return;
    case kElementArc:
    case kElementEllipse:
    case kElementRectangle:
    case kElementRegularPoly:
    case kElementRoundRect:
      ExportFramedShape(state, element, frame);
      return;
    default:
      --state.exported;
      return;
  }
}

void WriteGradient(CSXmlEncoder& encoder, const QString& id, const DRGradient& gradient) {
  encoder.addAttribute(Name(kSvgId), id);
  if (gradient.isRadial()) {
    const double cx = (double(gradient.radialCenter().x) / kMeasurePerPoint + 1) * 50;
    const double cy = (1 - double(gradient.radialCenter().y) / kMeasurePerPoint) * 50;
    encoder.addAttribute(Name(kSvgCx), PercentString(cx));
    encoder.addAttribute(Name(kSvgCy), PercentString(cy));
    encoder.addAttribute(Name(kSvgR), QStringLiteral("100%"));
    encoder.addAttribute(Name(kSvgFx), PercentString(cx));
    encoder.addAttribute(Name(kSvgFy), PercentString(cy));
    encoder.openTag(Name(kSvgRadialGradient));
  } else {
    const QPointF start = RotatePoint(QPointF(50, 0), QPointF(50, 50), Degrees(gradient.linearAngle()));
    const double x1 = std::round(start.x() * 10) / 10;
    const double y1 = std::round(start.y() * 10) / 10;
    encoder.addAttribute(Name(kSvgX1), PercentString(x1));
    encoder.addAttribute(Name(kSvgY1), PercentString(y1));
    encoder.addAttribute(Name(kSvgX2), PercentString(100 - x1));
    encoder.addAttribute(Name(kSvgY2), PercentString(100 - y1));
    encoder.openTag(Name(kSvgLinearGradient));
  }
  for (const CSGradientStop& stop : gradient.stops()) {
    encoder.addAttribute(Name(kSvgOffset), NumberString(double(stop.position) / double(kGradientStopScale)));
    encoder.addAttribute(Name(kSvgStopColor), CssColorString(stop.kolor));
    encoder.openAndCloseTag(Name(kSvgStop));
  }
  encoder.closeTag(Name(gradient.isRadial() ? kSvgRadialGradient : kSvgLinearGradient));
}

void WriteDefinitions(SvgExportState& state) {
  CSXmlEncoder& encoder = state.encoder;
  encoder.openTag(Name(kSvgDefs));
  for (const auto& [id, definition] : state.definitions) {
    if (const DRGradient* gradient = std::get_if<DRGradient>(&definition)) {
      WriteGradient(encoder, id, *gradient);
      continue;
    }
    const auto& element = std::get<std::shared_ptr<const DRElement>>(definition);
    const auto* path = dynamic_cast<const DRElementScribble*>(element.get());
    if (!path) continue;
    if (element->elementType() != kElementScribble && HasCurves(*path)) {
      ExportCurvedPath(state, static_cast<const DRElementPolygon&>(*path), element->frame(), id);
    } else {
      ExportAnglePath(state, *path, element->frame(), id);
    }
  }
  encoder.closeTag(Name(kSvgDefs));
}

MeasureUnit FloorToPoint(MeasureUnit value) {
  return MeasureUnit(std::floor(double(value) / kMeasurePerPoint)) * kMeasurePerPoint;
}
MeasureUnit CeilToPoint(MeasureUnit value) {
  return MeasureUnit(std::ceil(double(value) / kMeasurePerPoint)) * kMeasurePerPoint;
}

}  // namespace

std::optional<QString> SvgTextForElements(const DRElementList& elements, CSError* error) {
  SvgExportState state;
  bool any = false;
  for (const auto& element : elements) {
    if (!element || element->elementType() == kElementBitmap) continue;
    const CSRect bounds = element->bounds(true);
    state.bounds = any ? UnionCSRect(state.bounds, bounds) : bounds;
    any = true;
  }
  CSXmlEncoder& encoder = state.encoder;
  if (any) {
    state.bounds.x = FloorToPoint(state.bounds.x);
    state.bounds.y = FloorToPoint(state.bounds.y);
    state.bounds.width = CeilToPoint(state.bounds.width);
    state.bounds.height = CeilToPoint(state.bounds.height);
    auto side = [](MeasureUnit size) {
      return NumberString(std::ceil(Pixels(double(size) / kMeasurePerPoint + 2)));
    };
    encoder.addAttribute(Name(kSvgViewBox),
                         QStringLiteral("0 0 %1 %2").arg(side(state.bounds.width), side(state.bounds.height)));
  }
  encoder.openTag(Name(kSvgSvg));
  encoder.addTag(Name(kSvgDesc),
                 QStringLiteral("Created by Tindle Draw %1").arg(QCoreApplication::applicationVersion()));
  encoder.saveInsertionPoint();
  for (const auto& element : elements) {
    if (!element) continue;
    CSRect frame = element->frame();
    frame.x -= state.bounds.x;
    frame.y -= state.bounds.y;
    ExportElement(state, *element, frame);
  }
  if (!state.definitions.empty()) {
    encoder.beginInsertion();
    WriteDefinitions(state);
    encoder.endInsertion();
  } else {
    encoder.cancelInsertion();
  }
  if (state.exported == 0) {
    if (error) *error = CSError::withReason(g_noSvgShapesMessage, kNoSvgShapesCode);
    return std::nullopt;
  }
  encoder.closeTag(Name(kSvgSvg));
  return encoder.xml();
}

bool SaveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path, CSError* error) {
  (void)frame;
  const std::optional<QString> text = SvgTextForElements(elements, error);
  if (!text) return false;
  // Written beside the target, then swapped into its place in one step.
  const QString folder = QFileInfo(path).absolutePath();
  const QString temporary = folder + QLatin1Char('/') + QLatin1Char('.') + GuidString() + QStringLiteral(".svg");
  if (!WriteDataToFile(text->toUtf8(), temporary, true, true, error)) return false;
  QString target = path;
  if (!SafeFileReplace(temporary, &target, error)) {
    RemoveItemAtPath(temporary);
    return false;
  }
  return true;
}
