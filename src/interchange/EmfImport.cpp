#include "interchange/EmfImport.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <limits>

#include "interchange/EmfRecords.h"
#include "interchange/PdfPages.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"
#include "model/DRPainting.h"
#include "model/GraphicHelpers.h"
#include "model/ModelSupport.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/StringWithFormat.h"
#include "support/TextDrawing.h"

namespace {

const char* const kNoImageData = "The EMF file has no usable image data.";
const char* const kNoOutputPdf = "I can't create an output PDF for the file.";

// Measure arithmetic saturates rather than wrapping on extreme values.
MeasureUnit Add(MeasureUnit a, MeasureUnit b) {
  MeasureUnit sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<MeasureUnit>::max() - 1 : std::numeric_limits<MeasureUnit>::min();
}
MeasureUnit Sub(MeasureUnit a, MeasureUnit b) {
  MeasureUnit difference = 0;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? std::numeric_limits<MeasureUnit>::max() - 1 : std::numeric_limits<MeasureUnit>::min();
}

MeasureUnit Measure(double points) {
  return MeasureFromDouble(points * double(kMeasurePerPoint));
}

CSPoint MeasurePoint(QPointF point) {
  return CSPoint{Measure(point.x()), Measure(point.y())};
}

// ---- Elements ----

void FinishElement(std::unique_ptr<DRElement> element, DRElementList& list, int command, const EmfDrawState& state,
                   const CSRect& frame) {
  if (!element) return;
  element->setFrame(frame);
  element->setUnderConstruction(false);
  CSRect placed = element->frame();
  placed.x = std::max<MeasureUnit>(placed.x, 0);
  placed.y = std::max<MeasureUnit>(placed.y, 0);
  element->setFrame(placed);

  const bool stroked = command == kEmfStroke || command == kEmfFillAndStroke;
  if (stroked || element->lineInfo()) {
    DRLineInfo line = element->lineInfo().value_or(DRLineInfo());
    if (stroked && state.penWidth != 0) {
      line.setWidth(Measure(state.penWidth));
      line.setKolor(state.penKolor);
      line.setCapStyle(state.lineCap);
      line.setJoinStyle(state.lineJoin);
      line.setMiterLimit(Measure(state.miterLimit));
      if (!state.dashPattern.empty()) {
        DRLineInfo::Pattern pattern;
        pattern.reserve(state.dashPattern.size());
        for (double entry : state.dashPattern) pattern.push_back(Measure(entry));
        line.setScalePattern(true);
        line.setPattern(std::move(pattern));
        line.setLineStyle(kLineStyleCustom);
      } else {
        line.setPattern(std::nullopt);
        line.setLineStyle(kLineStyleSolid);
      }
    } else {
      line.setKolor(g_nilKolor);
    }
    element->setLineInfo(line);
  }
  if (auto* closed = dynamic_cast<DRElementClosed*>(element.get())) {
    const bool filled = command == kEmfFill || command == kEmfFillAndStroke;
    closed->setFillKolor(filled ? state.brushKolor : g_nilKolor);
    if (filled && state.brushGradient) {
      DRGradient gradient;
      gradient.copyFrom(*state.brushGradient);
      closed->setGradient(gradient);
    } else {
      closed->setGradient(std::nullopt);
    }
  }
  if (auto* scribble = dynamic_cast<DRElementScribble*>(element.get())) scribble->setAlternateFillRule(state.evenOdd);
  list.push_back(std::move(element));
}

// Builds the polygons of a path one figure at a time; each polygon's frame
// is the box of the points (controls included) seen since it started.
class PolygonBuilder {
 public:
  PolygonBuilder(DRElementList& list, int command, const EmfDrawState& state)
      : m_list(list), m_command(command), m_state(state) {}

  void add(const EmfPath& path) {
    const std::vector<EmfPathElement>& elements = path.elements();
    for (size_t i = 0; i < elements.size(); ++i) {
      const EmfPathElement& e = elements[i];
      const bool lastElement = i + 1 == elements.size();
      switch (e.kind) {
        case EmfPathElement::kMove:
          finish();
          m_start = m_last = MeasurePoint(e.points[0]);
          m_min = m_max = m_start;
          break;
        case EmfPathElement::kLine: {
          const CSPoint point = MeasurePoint(e.points[0]);
          begin(false);
          if (point == m_last) break;
          widen(point);
          if (lastElement && point == m_start) {
            close();
          } else if (m_polygon->curves()) {
            m_polygon->addAnglePointWithCurves(point);
          } else {
            m_polygon->points().push_back(point);
          }
          m_last = point;
          break;
        }
        case EmfPathElement::kCurve: {
          const CSPoint control1 = MeasurePoint(e.points[0]);
          const CSPoint control2 = MeasurePoint(e.points[1]);
          const CSPoint end = MeasurePoint(e.points[2]);
          begin(true);
          if (!m_polygon->curves() || m_polygon->controlPairs().size() != m_polygon->points().size()) {
            m_polygon->controlPairs().clear();
            m_polygon->addControlPointsForAngles();
          }
          if (end == m_last) break;
          widen(control1);
          widen(control2);
          widen(end);
          std::vector<DRControlPair>& pairs = m_polygon->controlPairs();
          pairs.back().out = control1;
          const bool closes = lastElement || elements[i + 1].kind == EmfPathElement::kClose;
          if (end == m_start && closes) {
            pairs.front().in = control2;
            close();
          } else {
            m_polygon->points().push_back(end);
            pairs.push_back(DRControlPair{control2, end});
          }
          m_last = end;
          break;
        }
        case EmfPathElement::kClose:
          if (m_polygon) {
            if (m_polygon->curves() && m_last != m_start && !m_polygon->controlPairs().empty()) {
              std::vector<DRControlPair>& pairs = m_polygon->controlPairs();
              pairs.back().out = InterpolateLineThird(m_last, m_start);
              pairs.front().in = InterpolateLineThird(m_start, m_last);
            }
            close();
          }
          m_last = m_start;
          break;
      }
    }
    finish();
  }

 private:
  void begin(bool curves) {
    if (m_polygon) return;
    m_polygon = std::make_unique<DRElementPolygon>();
    m_polygon->setUnderConstruction(true);
    m_polygon->points().push_back(m_start);
    // A curved start has the start point as both controls.
    if (curves) m_polygon->addControlPointsForAngles();
  }
  void widen(CSPoint point) {
    m_min.x = std::min(m_min.x, point.x);
    m_min.y = std::min(m_min.y, point.y);
    m_max.x = std::max(m_max.x, point.x);
    m_max.y = std::max(m_max.y, point.y);
  }
  // Closing keeps the controls the path gave at the start.
  void close() {
    if (m_polygon->isClosed()) return;
    std::vector<DRControlPair> pairs = m_polygon->controlPairs();
    m_polygon->setClosed(true);
    m_polygon->controlPairs() = std::move(pairs);
  }
  void finish() {
    std::unique_ptr<DRElementPolygon> polygon = std::move(m_polygon);
    // A figure whose points all coincide draws nothing.
    if (!polygon || polygon->points().size() < 2) return;
    const CSRect frame{m_min.x, m_min.y, std::max<MeasureUnit>(Sub(m_max.x, m_min.x), 1),
                       std::max<MeasureUnit>(Sub(m_max.y, m_min.y), 1)};
    FinishElement(std::move(polygon), m_list, m_command, m_state, frame);
  }

  DRElementList& m_list;
  int m_command;
  const EmfDrawState& m_state;
  std::unique_ptr<DRElementPolygon> m_polygon;
  CSPoint m_start;
  CSPoint m_last;
  CSPoint m_min;
  CSPoint m_max;
};

void ElementCallback(int command, int shapeKind, const EmfObject& object, const EmfDrawState& state, void* context,
                     const QRectF& bounds) {
  ColorRegisterSuppression suppression;
  DRElementList& list = *static_cast<DRElementList*>(context);
  const CSRect frame = ConvertViewRect(bounds);
  switch (command) {
    case kEmfFill:
    case kEmfStroke:
    case kEmfFillAndStroke:
      if (shapeKind == kEmfShapeEllipse) {
        FinishElement(std::make_unique<DRElementEllipse>(), list, command, state, frame);
      } else if (shapeKind == kEmfShapeRectangle) {
        FinishElement(std::make_unique<DRElementRectangle>(), list, command, state, frame);
      } else if (shapeKind == kEmfShapeRoundRect) {
        FinishElement(std::make_unique<DRElementRoundRect>(), list, command, state, frame);
      } else if (shapeKind == kEmfShapePath) {
        if (const auto* path = std::get_if<const EmfPath*>(&object); path && *path)
          PolygonBuilder(list, command, state).add(**path);
      }
      break;
    case kEmfImage:
      if (const auto* record = std::get_if<const EmfImageRecord*>(&object); record && *record) {
        std::shared_ptr<DRPainting> painting = DRPainting::paintingFromImage((*record)->image);
        if (!painting) break;
        painting->setSaveImageFormat((*record)->format);
        FinishElement(std::make_unique<DRElementBitmap>(painting), list, command, state, frame);
      }
      break;
    case kEmfText:
      if (const auto* string = std::get_if<QString>(&object); string && state.font) {
        auto element = std::make_unique<DRElementText>();
        // A plain style, not the text tool's: left-aligned, neither bold
        // nor italic as flags (the font keeps its own weight and slant).
        DRTextInfo info;
        info.setBold(0);
        info.setItalic(0);
        info.setFont(*state.font);
        info.setTextKolor(state.penKolor);
        info.setUnderlined(state.underline ? 1 : 0);
        info.setAlignment(kTextAlignLeft);
        element->setText(*string);
        element->setTextInfo(info);
        CSRect box = frame;
        box.width = Add(RoundMeasure(box.width, kMeasurePerPoint), 8 * kMeasurePerPoint);
        box.height = Add(RoundMeasure(box.height, kMeasurePerPoint), 2 * kMeasurePerPoint);
        element->setKnownFrame(box);
        list.push_back(std::move(element));
      }
      break;
    default:
      break;
  }
}

// ---- PDF ----

struct PdfPass {
  QRectF page;                  // pass 1: the union of what is drawn
  QPainter* painter = nullptr;  // pass 2
};

QColor OpaqueColor(Kolor kolor) {
  return QColor(KolorRed(kolor), KolorGreen(kolor), KolorBlue(kolor));
}

QRectF IntegralRect(const QRectF& rect) {
  const double left = std::floor(rect.left()), top = std::floor(rect.top());
  return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

void MeasureReport(PdfPass& pass, int command, const EmfDrawState& state, const QRectF& bounds) {
  QRectF rect = bounds;
  if ((command == kEmfStroke || command == kEmfFillAndStroke) && state.strokes()) {
    const double width = std::fabs(state.penWidth);
    rect.adjust(-width, -width, width, width);
  }
  rect.setWidth(std::max(rect.width(), 1.0));
  rect.setHeight(std::max(rect.height(), 1.0));
  rect = IntegralRect(rect);
  pass.page = pass.page.isNull() ? rect : pass.page.united(rect);
}

QPen PenForState(const EmfDrawState& state) {
  const double width = std::fabs(state.penWidth);
  QPen pen(OpaqueColor(state.penKolor), width);
  pen.setCapStyle(state.lineCap == 1 ? Qt::RoundCap : state.lineCap == 2 ? Qt::SquareCap : Qt::FlatCap);
  pen.setJoinStyle(state.lineJoin == 1 ? Qt::RoundJoin : state.lineJoin == 2 ? Qt::BevelJoin : Qt::SvgMiterJoin);
  pen.setMiterLimit(state.miterLimit);
  if (!state.dashPattern.empty() && width > 0) {
    // The painter's dashes count in pen widths; an odd list repeats.
    QList<qreal> dashes;
    for (double entry : state.dashPattern) dashes.append(std::max(entry / width, 1e-3));
    if (dashes.size() % 2 == 1) dashes.append(dashes);
    pen.setDashPattern(dashes);
    pen.setDashOffset(0);
  }
  return pen;
}

void DrawShape(QPainter& painter, int shapeKind, const EmfObject& object, const EmfDrawState& state,
               const QRectF& bounds, int command) {
  const bool fill = (command == kEmfFill || command == kEmfFillAndStroke) && IsVisibleKolor(state.brushKolor);
  const bool stroke = (command == kEmfStroke || command == kEmfFillAndStroke) && state.strokes();
  if (!fill && !stroke) return;
  const QBrush brush = fill ? QBrush(OpaqueColor(state.brushKolor)) : QBrush(Qt::NoBrush);
  const QPen pen = stroke ? PenForState(state) : QPen(Qt::NoPen);
  QPainterPath path;
  if (shapeKind == kEmfShapeEllipse || shapeKind == kEmfShapeRectangle) {
    const double half = stroke ? std::fabs(state.penWidth) / 2 : 0;
    QPainterPath inner;
    const QRectF inset = bounds.adjusted(half, half, -half, -half);
    if (shapeKind == kEmfShapeEllipse) {
      path.addEllipse(bounds);
      inner.addEllipse(inset);
    } else {
      path.addRect(bounds);
      inner.addRect(inset);
    }
    if (fill) painter.fillPath(path, brush);
    if (stroke) painter.strokePath(inner, pen);
    return;
  }
  if (shapeKind == kEmfShapeRoundRect) {
    const QSizeF* corner = std::get_if<QSizeF>(&object);
    path.addRoundedRect(bounds, corner ? corner->width() : 0, corner ? corner->height() : 0);
  } else if (shapeKind == kEmfShapePath) {
    const auto* emfPath = std::get_if<const EmfPath*>(&object);
    if (!emfPath || !*emfPath) return;
    path = (*emfPath)->painterPath(state.evenOdd);
  } else {
    return;
  }
  if (fill) painter.fillPath(path, brush);
  if (stroke) painter.strokePath(path, pen);
}

void PdfCallback(int command, int shapeKind, const EmfObject& object, const EmfDrawState& state, void* context,
                 const QRectF& bounds) {
  PdfPass& pass = *static_cast<PdfPass*>(context);
  if (!pass.painter) {
    MeasureReport(pass, command, state, bounds);
    return;
  }
  QPainter& painter = *pass.painter;
  painter.save();
  switch (command) {
    case kEmfFill:
    case kEmfStroke:
    case kEmfFillAndStroke:
      DrawShape(painter, shapeKind, object, state, bounds, command);
      break;
    case kEmfImage:
      if (const auto* record = std::get_if<const EmfImageRecord*>(&object); record && *record)
        (*record)->image.drawInRectNormally(&painter, bounds);
      break;
    case kEmfText:
      if (const auto* string = std::get_if<QString>(&object); string && state.font) {
        const double ascent = QFontMetricsF(*state.font, TextReferenceDevice()).ascent();
        DrawTextWithCT(&painter, *string, *state.font, state.penKolor, state.underline, false, false, bounds.x(),
                       bounds.y() + ascent, 0);
      }
      break;
    default:
      break;
  }
  painter.restore();
}

}  // namespace

std::optional<DRElementList> ElementsFromEmfData(const QByteArray& data, QString* error) {
  DRElementList elements;
  QString message;
  if (!ImportEmf(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), &ElementCallback, &elements,
                 &message)) {
    if (error) *error = message;
    return std::nullopt;
  }
  constexpr MeasureUnit kStart = std::numeric_limits<MeasureUnit>::max() - 1;
  MeasureUnit minX = kStart, minY = kStart;
  for (const auto& element : elements) {
    minX = std::min(minX, element->frame().x);
    minY = std::min(minY, element->frame().y);
  }
  for (auto& element : elements) {
    CSRect frame = element->frame();
    frame.x = Sub(frame.x, minX);
    frame.y = Sub(frame.y, minY);
    element->setFrame(frame);
  }
  if (error) error->clear();
  return elements;
}

std::optional<DRElementList> LoadElementsFromEmfFile(const QString& path) {
  QString message;
  std::optional<DRElementList> elements;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxImageFileBytes) {
    message = QStringLiteral("I can't read the EMF file.");
  } else {
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
      message = QStringLiteral("I can't read the EMF file.");
    } else {
      elements = ElementsFromEmfData(data, &message);
    }
  }
  if (!elements) {
    GiveSimpleAlert(QStringLiteral("Can't open file."),
                    StringWithFormat("I can't import the file %@. %@", LastPathComponent(path), message));
  }
  return elements;
}

CSImage CreateImageFromEmf(const QByteArray& data, QString* path, QString* error) {
  auto fail = [error](const QString& message) {
    if (error) *error = message;
    return CSImage();
  };
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  const size_t length = size_t(data.size());
  PdfPass measure;
  QString message;
  if (!ImportEmf(bytes, length, &PdfCallback, &measure, &message)) return fail(message);
  const QRectF page = measure.page;
  if (!(page.width() > 0 && page.height() > 0) || !std::isfinite(page.width()) || !std::isfinite(page.height()))
    return fail(QString::fromLatin1(kNoImageData));

  // A page larger than the cap keeps its proportions at the cap.
  const double scale = std::min(1.0, kMaxPdfPageSide / std::max(page.width(), page.height()));
  const QSizeF size(std::clamp(page.width() * scale, 1.0, kMaxPdfPageSide),
                    std::clamp(page.height() * scale, 1.0, kMaxPdfPageSide));
  const QString output = NewTemporaryPdfPath();
  bool drawn = false;
  const bool written = WriteOnePagePdf(output, size, [&](QPainter& painter) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    painter.translate(-page.topLeft());
    PdfPass pass;
    pass.painter = &painter;
    drawn = ImportEmf(bytes, length, &PdfCallback, &pass, nullptr);
  });
  if (!written || !drawn) return fail(QString::fromLatin1(kNoOutputPdf));
  CSImage image = CSImage::initWithContentsOfFile(output);
  if (image.isNull()) {
    QFile::remove(output);
    return fail(QString::fromLatin1(kNoOutputPdf));
  }
  if (path) *path = output;
  if (error) error->clear();
  return image;
}
