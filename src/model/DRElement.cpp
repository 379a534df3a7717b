#include "model/DRElement.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/DRArrow.h"
#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRTool.h"
#include "model/ModelSupport.h"
#include "model/SpecialtyDrawing.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"

const QString g_doneSelectingNotification = QStringLiteral("twdraw.doneSelecting");

namespace {

// ---- Saturating measure arithmetic --------------------------------------------------
// Records are taken as they stand, so frames and widths may be anywhere in
// the 64-bit range; derived rectangles saturate instead of wrapping.

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}
MeasureUnit Add(MeasureUnit a, MeasureUnit b) {
  return Clamp128(__int128(a) + b);
}
MeasureUnit Sub(MeasureUnit a, MeasureUnit b) {
  return Clamp128(__int128(a) - b);
}

// ---- Kinds ------------------------------------------------------------------------

struct KindInfo {
  const char* name;
  int32_t xmlKey;
  int32_t similarity;
};

constexpr std::array<KindInfo, kElementTypeCount> kKinds = {{
    {"arc", kXmlArc, 2},
    {"bline", kXmlBline, 3},
    {"bitmap", kXmlBitmap, 1},
    {"ellipse", kXmlEllipse, 2},
    {"group", kXmlGroup, 0},
    {"line", kXmlLine, 3},
    {"multi", kXmlMulti, 2},
    {"polygon", kXmlPolygon, 4},
    {"rect", kXmlRect, 2},
    {"regularpoly", kXmlRegularpoly, 2},
    {"roundrect", kXmlRoundrect, 2},
    {"scribble", kXmlScribble, 4},
    {"text", kXmlText, 5},
}};

int32_t ElementTypeForXmlKey(int32_t key) {
  for (int32_t type = 0; type < kElementTypeCount; ++type) {
    if (kKinds[size_t(type)].xmlKey == key) return type;
  }
  return -1;
}

// ---- The registry ---------------------------------------------------------------------

std::array<DRElementMaker, kElementTypeCount>& ClassMakers() {
  static std::array<DRElementMaker, kElementTypeCount> makers{};
  return makers;
}

// Tools 0 to kToolNone.
std::array<DRElementMaker, kToolNone + 1>& ToolMakers() {
  static std::array<DRElementMaker, kToolNone + 1> makers{};
  return makers;
}

// Counts the element records being read on this thread, one inside another.
thread_local int t_recordDepth = 0;

struct RecordDepth {
  RecordDepth() { ++t_recordDepth; }
  ~RecordDepth() { --t_recordDepth; }
  RecordDepth(const RecordDepth&) = delete;
  RecordDepth& operator=(const RecordDepth&) = delete;
};

bool IsRecordEnd(const CSXmlDecoder& decoder, int64_t recordLevel) {
  return decoder.endTag() && !decoder.startTag() && decoder.level() < recordLevel;
}

// Reads on through the end tag of the record whose start tag left the
// reader at recordLevel; false when the text ends first.
bool SkipToRecordEnd(CSXmlDecoder& decoder, int64_t recordLevel) {
  while (decoder.getNextTag()) {
    if (IsRecordEnd(decoder, recordLevel)) return true;
    if (decoder.startTag() && !decoder.endTag()) {
      decoder.skipTag();
      if (IsRecordEnd(decoder, recordLevel)) return true;
    }
  }
  return false;
}

bool IsClosedBasicShape(int32_t type) {
  return type == kElementArc || type == kElementEllipse || type == kElementRectangle || type == kElementRegularPoly ||
         type == kElementRoundRect;
}

bool IsScribbleFamily(int32_t type) {
  return type == kElementBentLine || type == kElementPolygon || type == kElementScribble;
}

}  // namespace

// ---- Registry -----------------------------------------------------------------------------

void RegisterElementClass(int32_t elementType, DRElementMaker maker) {
  if (elementType < 0 || elementType >= kElementTypeCount) return;
  ClassMakers()[size_t(elementType)] = maker;
}

DRElementMaker RegisteredElementClass(int32_t elementType) {
  if (elementType < 0 || elementType >= kElementTypeCount) return nullptr;
  return ClassMakers()[size_t(elementType)];
}

void RegisterElementTool(int32_t tool, DRElementMaker maker) {
  if (tool < 0 || tool > kToolNone) return;
  ToolMakers()[size_t(tool)] = maker;
}

QString DRElement::typeNameForElementType(int32_t elementType) {
  if (elementType < 0 || elementType >= kElementTypeCount) return QString();
  return QString::fromLatin1(kKinds[size_t(elementType)].name);
}

int32_t DRElement::similarityClass() const {
  if (m_elementType < 0 || m_elementType >= kElementTypeCount) return 0;
  return kKinds[size_t(m_elementType)].similarity;
}

bool DRElement::isSimilarTo(const DRElement& other) const {
  const int32_t mine = similarityClass();
  return mine != 0 && mine == other.similarityClass();
}

// ---- Life cycle ---------------------------------------------------------------------------

DRElement::DRElement(int32_t elementType) : m_elementType(elementType) {
  const DRSettings& settings = DRSettings::sharedInstance();
  m_constrained = settings.constrain();
  m_resizeFromCenter = settings.drawFromCenter();
  ObserveDoneSelecting();
}

DRElement::~DRElement() {
  purgeBitmap();
}

void DRElement::takeSettingsLineInfo() {
  m_lineInfo = DRSettings::sharedInstance().lineInfo();
}

std::unique_ptr<DRElement> DRElement::elementWithTool(int32_t tool) {
  RegisterElementClasses();
  if (tool < 0 || tool > kToolNone) return nullptr;
  const DRElementMaker maker = ToolMakers()[size_t(tool)];
  if (!maker) return nullptr;
  std::unique_ptr<DRElement> element = maker();
  if (!element) return nullptr;
  if (element->answersFillKolor()) RegisterKolor(element->fillKolor(), true);
  if (element->canDrawLines()) RegisterKolor(element->lineStyle().kolor(), false);
  element->setUnderConstruction(true);
  return element;
}

std::unique_ptr<DRElement> DRElement::copy() const {
  std::unique_ptr<DRElement> element = newInstance();
  if (!element) return nullptr;
  element->copyFrom(*this);
  if (element->m_zombie) return nullptr;
  return element;
}

void DRElement::copyFrom(const DRElement& other) {
  setConstrainedNoResize(other.m_constrained);
  setFrame(other.m_frame);
  m_lineInfo = other.m_lineInfo;
  m_notes = other.m_notes;
  m_originalSize = other.m_originalSize;
  m_reflection = other.m_reflection;
  m_reflectionAlpha = other.m_reflectionAlpha;
  m_reflectionOffset = other.m_reflectionOffset;
  m_resizeFromCenter = other.m_resizeFromCenter;
  setRotation(other.m_rotation);
  // A copy holds what its source's record holds, even a rotation the
  // subclass's setter refuses (a line read from a record that has one).
  m_rotation = other.m_rotation;
  m_shadow = other.m_shadow;
  setUnderConstruction(other.m_underConstruction);
  // Leaving construction gives a zero original size the frame's; a copy
  // keeps its source's, so that it equals the element it was made from.
  m_originalSize = other.m_originalSize;
}

// ---- The record ---------------------------------------------------------------------------

std::unique_ptr<DRElement> DRElement::elementWithXml(CSXmlDecoder& decoder, DRDrawing* drawing) {
  RegisterElementClasses();
  // An empty "element" tag has no record to read.
  if (!decoder.startTag() || decoder.endTag()) return nullptr;
  const int64_t recordLevel = decoder.level();
  RecordDepth depth;

  if (t_recordDepth > kMaxElementRecordDepth) {
    // No drawing nests this deep: the file is bad. Ending the text makes
    // every reader around this one fail, as on a malformed text.
    decoder.forceDone();
    return nullptr;
  }
  if (!decoder.getNextTag() || IsRecordEnd(decoder, recordLevel)) return nullptr;
  int32_t type = -1;
  if (decoder.key() == kXmlType) type = ElementTypeForXmlKey(decoder.decodeValue());
  const DRElementMaker maker = type >= 0 ? ClassMakers()[size_t(type)] : nullptr;
  if (!maker) {
    if (decoder.startTag() && !decoder.endTag()) {
      decoder.skipTag();
      if (IsRecordEnd(decoder, recordLevel)) return nullptr;
    }
    SkipToRecordEnd(decoder, recordLevel);
    return nullptr;
  }

  std::unique_ptr<DRElement> element = maker();
  if (!element) {
    SkipToRecordEnd(decoder, recordLevel);
    return nullptr;
  }
  element->resetForRecord();
  if (!element->readRecord(decoder, drawing, recordLevel)) return nullptr;
  return element;
}

void DRElement::resetForRecord() {
  m_constrained = false;
  m_resizeFromCenter = false;
  // A record leaves out exactly the default line style, so the record, not
  // the reader's current tool settings, must decide the line.
  if (canDrawLines()) m_lineInfo = DRLineInfo();
}

bool DRElement::readRecord(CSXmlDecoder& decoder, DRDrawing* drawing, int64_t recordLevel) {
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() < recordLevel) {
        if (decoder.key() != kXmlElement || m_zombie) return false;
        didReadRecord();
        return true;
      }
      continue;  // the end of something a class read only in part
    }
    const bool hasChildren = !decoder.endTag();
    switch (decoder.key()) {
      case kXmlLineinfo:
        if (std::optional<DRLineInfo> info = DRLineInfo::initWithXml(decoder)) m_lineInfo = std::move(info);
        break;
      case kXmlShadow:
        if (std::optional<DRShadow> shadow = DRShadow::initWithXml(decoder)) m_shadow = std::move(shadow);
        break;
      case 0:
      case kXmlType:
        decoder.skipTag();
        break;
      case kXmlConstrain:
        if (hasChildren)
          decoder.skipTag();
        else
          m_constrained = decoder.longValue() != 0;
        break;
      case kXmlCenter:
        if (hasChildren)
          decoder.skipTag();
        else
          m_resizeFromCenter = decoder.longValue() != 0;
        break;
      case kXmlFrame:
        if (hasChildren)
          decoder.skipTag();
        else
          m_frame = CSRectFromString(decoder.value());
        break;
      case kXmlOriginal:
        if (hasChildren)
          decoder.skipTag();
        else
          m_originalSize = CSPointFromString(decoder.value());
        break;
      case kXmlNotes:
        if (hasChildren)
          decoder.skipTag();
        else
          m_notes = decoder.value();
        break;
      case kXmlRotate:
        if (hasChildren)
          decoder.skipTag();
        else
          m_rotation = decoder.longValue();
        break;
      case kXmlReflect:
        if (hasChildren)
          decoder.skipTag();
        else
          m_reflection = decoder.longValue();
        break;
      case kXmlReflectAlpha:
        if (hasChildren)
          decoder.skipTag();
        else
          m_reflectionAlpha = decoder.longValue();
        break;
      case kXmlReflectOffset:
        if (hasChildren)
          decoder.skipTag();
        else
          m_reflectionOffset = decoder.longValue();
        break;
      default:
        handleXmlNode(decoder, drawing);
        break;
    }
    // A nested reader that stopped on the record's own end tag has found
    // the record malformed.
    if (decoder.level() < recordLevel) return false;
  }
  return false;  // the text ended or broke inside the record
}

void DRElement::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  (void)drawing;
  decoder.skipTag();
}

void DRElement::archiveToXml(CSXmlEncoder& encoder) const {
  encoder.addTag(QStringLiteral("type"), typeNameForElementType(m_elementType));
  encoder.addTag(QStringLiteral("frame"), NewCSRectString(m_frame));
  encoder.addTag(QStringLiteral("original"), NewCSPointString(m_originalSize));
  if (m_constrained) encoder.addTagWithNumber(QStringLiteral("constrain"), 1);
  if (m_resizeFromCenter) encoder.addTagWithNumber(QStringLiteral("center"), 1);
  if (!m_notes.isEmpty()) encoder.addTag(QStringLiteral("notes"), m_notes);
  if (m_rotation != 0) encoder.addTagWithLongNumber(QStringLiteral("rotate"), m_rotation);
  if (m_reflection != 0) {
    encoder.addTagWithLongNumber(QStringLiteral("reflect"), m_reflection);
    encoder.addTagWithLongNumber(QStringLiteral("reflectAlpha"), m_reflectionAlpha);
    if (m_reflectionOffset != 0) encoder.addTagWithLongNumber(QStringLiteral("reflectOffset"), m_reflectionOffset);
  }
  if (canDrawLines() && m_lineInfo && m_lineInfo->needsArchive()) m_lineInfo->archiveToXml(encoder);
  if (m_shadow) m_shadow->archiveToXml(encoder);
  addAdditionalNodes(encoder);
}

bool DRElement::savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace, CSError* error) {
  (void)encoder;
  (void)imageFolder;
  (void)inPlace;
  (void)error;
  return true;
}

bool DRElement::installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing) {
  (void)images;
  (void)drawing;
  return true;
}

// ---- Styles as properties -------------------------------------------------------------------

QVariant DRElement::shadowValue() const {
  return m_shadow ? QVariant::fromValue(*m_shadow) : QVariant();
}

void DRElement::setShadowValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<DRShadow>())
    m_shadow = value.value<DRShadow>();
  else if (!value.isValid() || value.isNull())
    m_shadow.reset();
}

const DRLineInfo& DRElement::lineStyle() const {
  static const DRLineInfo defaultStyle;
  return m_lineInfo ? *m_lineInfo : defaultStyle;
}

QVariant DRElement::lineInfoValue() const {
  return m_lineInfo ? QVariant::fromValue(*m_lineInfo) : QVariant();
}

void DRElement::setLineInfoValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<DRLineInfo>())
    m_lineInfo = value.value<DRLineInfo>();
  else if (!value.isValid() || value.isNull())
    m_lineInfo.reset();
}

void DRElement::setLinePattern(const std::optional<DRLineInfo::Pattern>& pattern) {
  if (canDrawLines() && m_lineInfo) m_lineInfo->setPattern(pattern);
}

// ---- Frame edits ----------------------------------------------------------------------------

void DRElement::setConstrained(bool constrained) {
  m_constrained = constrained;
  if (constrained && m_frame.width != m_frame.height) {
    CSRect frame = m_frame;
    frame.width = frame.height = std::max(frame.width, frame.height);
    setFrame(frame);
  }
}

void DRElement::setUnderConstruction(bool underConstruction) {
  m_underConstruction = underConstruction;
  if (!underConstruction && m_originalSize.x == 0 && m_originalSize.y == 0) {
    m_originalSize = CSPoint{m_frame.width, m_frame.height};
  }
}

bool DRElement::setValue(MeasureUnit value, int32_t rectCoord, bool* updateState) {
  if (value == kMixedMeasure) return false;
  const bool isSize = rectCoord == kRectCoordWidth || rectCoord == kRectCoordHeight;
  if (!isSize && rectCoord != kRectCoordX && rectCoord != kRectCoordY) return false;
  if (isSize && value < 1) return false;

  const CSRect old = m_frame;
  CSRect frame = m_frame;
  if (isSize && isConstrained() && m_constrainToOriginalSize) {
    // Proportions of the original size; a side of 0 has none to keep.
    if (m_originalSize.x == 0 || m_originalSize.y == 0) return false;
    if (rectCoord == kRectCoordWidth) {
      if (value == frame.width) return false;
      const MeasureUnit height = Clamp128(__int128(m_originalSize.y) * value / m_originalSize.x);
      if (height < 1) return false;
      frame.width = value;
      frame.height = height;
    } else {
      if (value == frame.height) return false;
      const MeasureUnit width = Clamp128(__int128(m_originalSize.x) * value / m_originalSize.y);
      if (width < 1) return false;
      frame.width = width;
      frame.height = value;
    }
    if (updateState) *updateState = true;
  } else {
    switch (rectCoord) {
      case kRectCoordX:
        if (value == frame.x) return false;
        frame.x = value;
        break;
      case kRectCoordY:
        if (value == frame.y) return false;
        frame.y = value;
        break;
      case kRectCoordWidth:
        if (value == frame.width) return false;
        frame.width = value;
        if (isConstrained()) {
          frame.height = value;
          if (updateState) *updateState = true;
        }
        break;
      default:
        if (value == frame.height) return false;
        frame.height = value;
        if (isConstrained()) {
          frame.width = value;
          if (updateState) *updateState = true;
        }
        break;
    }
  }
  if (m_resizeFromCenter && isSize) {
    frame.x = std::max<MeasureUnit>(0, Add(frame.x, Sub(old.width, frame.width) / 2));
    frame.y = std::max<MeasureUnit>(0, Add(frame.y, Sub(old.height, frame.height) / 2));
  }
  setFrame(frame);
  return true;
}

bool DRElement::setScale(MeasureUnit scale, DRElementHostingView* view) {
  const MeasureUnit width = Clamp128(__int128(m_originalSize.x) * scale / 1270000);
  const MeasureUnit height = Clamp128(__int128(m_originalSize.y) * scale / 1270000);
  if (width == m_frame.width && height == m_frame.height) return false;
  if (view) view->invalidateElement(this);
  CSRect frame = m_frame;
  if (m_resizeFromCenter) {
    frame.x = std::max<MeasureUnit>(0, Add(frame.x, Sub(frame.width, width) / 2));
    frame.y = std::max<MeasureUnit>(0, Add(frame.y, Sub(frame.height, height) / 2));
  }
  frame.width = width;
  frame.height = height;
  setFrame(frame);
  if (view) view->invalidateElement(this);
  return true;
}

void DRElement::makeVanilla() {
  m_constrained = false;
  m_resizeFromCenter = false;
  m_rotation = 0;
  m_reflection = 0;
  m_reflectionAlpha = 0;
  m_reflectionOffset = 0;
  m_notes.clear();
  purgeBitmap();
  m_shadow.reset();
  m_lineInfo.reset();
}

bool DRElement::isVanilla() const {
  return m_rotation == 0 && m_reflection == 0 && !m_shadow && m_frame.width == m_originalSize.x &&
         m_frame.height == m_originalSize.y;
}

// ---- The drawing bracket --------------------------------------------------------------------

void DRElement::drawInView(DRElementHostingView* view) {
  drawInRect(ConvertMeasureRect(m_frame), view);
}

void DRElement::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  (void)rect;
  (void)view;
}

void DRElement::rotate() {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || m_rotation == 0) return;
  painter->translate(m_rotationCenter);
  painter->rotate(double(m_rotation) / double(kMeasurePerPoint));
  painter->translate(-m_rotationCenter);
}

void DRElement::setupDrawing(QRectF* rect) {
  PushShadowContext();
  if (m_rotation != 0 && rect) {
    m_rotationCenter = rect->center();
    rotate();
  }
  if (m_shadow && !m_hitTesting) m_shadow->set();
}

void DRElement::resetShadow() {
  PopShadowContext();
  PushShadowContext();
  if (m_rotation != 0) rotate();
}

bool DRElement::drawsCasing(DRElementHostingView* view) const {
  return !m_hitTesting && !m_suppressCasing && !m_reflecting && !m_resizing && view && view->showCasings() &&
         view->isElementSelected(this);
}

void DRElement::drawCasing(const QRectF& rect, DRElementHostingView* view) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (m_rotation != 0) {
    PushContext();
    m_rotationCenter = rect.center();
    rotate();
  }
  // A view without a window (an off-screen render) is never the active
  // one: its casings are grey.
  const bool active = view->hasWindow() && view->isActiveFirstResponder();
  const int options = active ? kGrabDotCasingColor | kGrabDotWhiteDisc : kGrabDotWhiteDisc;
  double dotZoom = 1.0;
  if (const std::optional<double> zoom = view->zoomValue()) dotZoom = ModelServices().zoomForGrabDots(*zoom);
  if (!(dotZoom > 0) || !std::isfinite(dotZoom)) dotZoom = 1.0;

  const QRectF integral = rect.isValid() ? QRectF(rect.toAlignedRect()) : rect;
  QPainterPath casing;
  casing.addRect(integral.adjusted(-kGrabDotSize / 2, -kGrabDotSize / 2, kGrabDotSize / 2, kGrabDotSize / 2));
  QPen pen(ColorForGrabDotOptions(options), dotZoom != 1.0 ? 1.0 / dotZoom : 1.0);
  pen.setCosmetic(false);
  pen.setJoinStyle(Qt::MiterJoin);
  painter->strokePath(casing, pen);

  std::array<QRectF, kGrabDotCount> dots;
  const int count = std::clamp(getGrabDotRects(dots, integral), 0, kGrabDotCount);
  for (int i = 0; i < count; ++i) {
    DrawGrabDotCore(options | (isGrabDotActive(i) ? kGrabDotInnerDot : 0), dots[size_t(i)], dotZoom);
  }
  if (m_rotation != 0) PopContext();
}

bool DRElement::finishDrawing(const QRectF& rect, DRElementHostingView* view) {
  PopShadowContext();
  const bool selected = drawsCasing(view);
  // Lines draw their own two dots.
  if (selected && m_elementType != kElementLine) drawCasing(rect, view);
  if (m_reflection != 0 && m_reflectionAlpha != 0 && !m_reflecting && !m_hitTesting && !isReshaping()) {
    m_reflecting = true;
    reflect(rect, view);
    m_reflecting = false;
  }
  return selected;
}

bool DRElement::shouldDrawLine() const {
  if (!canDrawLines()) return false;
  if (m_hitTesting) return true;
  if (m_lineInfo && IsValidKolor(m_lineInfo->kolor())) return true;
  if (!m_underConstruction) return false;
  // A shape with neither line nor fill shows its outline while drawn.
  return !answersFillKolor() || !IsValidKolor(fillKolor());
}

double DRElement::effectiveLineWidth() const {
  const double width = double(float(double(lineStyle().width()) / double(kMeasurePerPoint)));
  return std::isfinite(width) ? std::max(1.0, width) : 1.0;
}

QPen DRElement::setupLineDrawing(DRElementHostingView* view) {
  (void)view;  // lines are drawn alike whatever the view
  const bool filled = isClosed() && (IsValidKolor(fillKolor()) || gradientStyle() != nullptr);
  if (filled && m_shadow) resetShadow();
  const bool forceVisible =
      IsScribbleFamily(m_elementType) ? (m_underConstruction || m_resizing) : (!filled && m_underConstruction);
  return lineStyle().setupBezier(this, forceVisible);
}

// ---- Bounds -----------------------------------------------------------------------------------

MeasureUnit DRElement::lineBoundsExpansion(bool forPrinting) const {
  if (!canDrawLines()) return 0;
  // A basic shape's line lies inside its frame.
  if (forPrinting && IsClosedBasicShape(m_elementType)) return 0;
  // A negative width (possible in a record) draws as the thinnest line.
  MeasureUnit width = lineStyle().width();
  if (width <= 0) width = kMeasurePerPoint;
  if (IsScribbleFamily(m_elementType)) width = Clamp128(__int128(width) * 4);
  return width;
}

CSRect DRElement::adjustBounds(CSRect rect, bool forPrinting) const {
  if (m_rotation != 0) {
    const MeasureUnit d = MeasureFromDouble(std::hypot(double(rect.width), double(rect.height)));
    rect.x = Add(rect.x, Sub(rect.width, d) / 2);
    rect.y = Add(rect.y, Sub(rect.height, d) / 2);
    rect.width = rect.height = d;
  }
  const MeasureUnit expansion = lineBoundsExpansion(forPrinting);
  rect = InsetCSRect(rect, -expansion, -expansion);
  if (m_shadow) rect = m_shadow->adjustBounds(rect);
  if (m_reflection != 0 && !m_reflecting) {
    CSRect reflected = rect;
    reflected.y = Add(Add(rect.y, rect.height), m_reflectionOffset);
    rect = UnionCSRect(rect, reflected);
  }
  return rect;
}

CSRect DRElement::bounds(bool forPrinting) const {
  return adjustBounds(m_frame, forPrinting);
}

CSRect DRElement::unionRect(const CSRect& rect, const DRArrow* arrow, CSPoint startPoint, CSPoint endPoint,
                            MeasureUnit lineWidth) const {
  if (!arrow) return rect;
  QPointF start = ConvertMeasurePoint(startPoint);
  QPointF end = ConvertMeasurePoint(endPoint);
  if (!m_underConstruction) {
    const QPointF origin = ConvertMeasurePoint(CSPoint{m_frame.x, m_frame.y});
    start += origin;
    end += origin;
  }
  const QRectF arrowBounds = arrow->boundsFrom(start, end, double(lineWidth) / double(kMeasurePerPoint));
  if (!(arrowBounds.width() > 0) || !(arrowBounds.height() > 0)) return rect;
  return UnionCSRect(rect, ConvertViewRect(arrowBounds));
}

CSRect DRElement::boundsIn(const QRectF& rect) const {
  CSRect result = bounds(false);
  const CSPoint origin = ConvertViewPoint(rect.x(), rect.y());
  result.x = Add(result.x, Sub(origin.x, m_frame.x));
  result.y = Add(result.y, Sub(origin.y, m_frame.y));
  return result;
}

// ---- Grab dots --------------------------------------------------------------------------------

bool DRElement::isGrabDotActive(int32_t dot) const {
  (void)dot;
  return m_rotation == 0;
}

int DRElement::getGrabDotRects(std::span<QRectF, 8> rects, const QRectF& frame) const {
  GetGrabDotRects(rects, frame);
  return kGrabDotCount;
}

int32_t DRElement::grabDotForPoint(CSPoint point, CSPoint otherEnd) const {
  if (point.x == otherEnd.x) return point.y == m_frame.y ? 1 : 5;
  if (point.y == otherEnd.y) return point.x == m_frame.x ? 7 : 3;
  const bool left = point.x == m_frame.x;
  if (point.y == m_frame.y) return left ? 0 : 2;
  return left ? 6 : 4;
}

QPainterPath DRElement::rotatedRectBezier(const CSRect& rect) const {
  const QRectF r = ConvertMeasureRect(rect);
  const QPointF centre = r.center();
  const double degrees = double(m_rotation) / double(kMeasurePerPoint);
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.moveTo(RotatePoint(r.topLeft(), centre, degrees));
  path.lineTo(RotatePoint(r.topRight(), centre, degrees));
  path.lineTo(RotatePoint(r.bottomRight(), centre, degrees));
  path.lineTo(RotatePoint(r.bottomLeft(), centre, degrees));
  path.closeSubpath();
  return path;
}

QPainterPath DRElement::rotatedFrameBezier() const {
  return rotatedRectBezier(m_frame);
}

QPainterPath DRElement::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)rect;
  (void)forceClosed;
  return QPainterPath();
}
