#include "interchange/SvgImport.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "interchange/Css.h"
#include "interchange/SvgGeometry.h"
#include "interchange/SvgKeys.h"
#include "interchange/SvgStyle.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/SaturatingCast.h"
#include "support/StringWithFormat.h"
#include "support/TextDrawing.h"

const QString g_svgFormatReason = QStringLiteral("I don't understand its format");

namespace {

// A linear gradient without a width to measure spans 10,000 points.
constexpr MeasureUnit kDefaultGradientWidth = 127000000;

MeasureUnit Add(MeasureUnit a, MeasureUnit b) {
  return SaturatingCast<MeasureUnit>(double(a) + double(b));
}
MeasureUnit Sub(MeasureUnit a, MeasureUnit b) {
  return SaturatingCast<MeasureUnit>(double(a) - double(b));
}

// A closed shape's tag and the attributes it was built from: those its
// enclosing definitions recorded, then its own.
struct SvgShapeSource {
  int key = 0;
  QStringList pairs;
};

// The elements an id names for "use", shared between the definitions that
// hold them.
struct SvgDefinition {
  std::vector<std::shared_ptr<const DRElement>> elements;
  // Parallel to the elements: how a closed shape was written, so that a use
  // reads it again where it stands; null for everything else.
  std::vector<std::shared_ptr<const SvgShapeSource>> sources;

  void add(std::shared_ptr<const DRElement> element, std::shared_ptr<const SvgShapeSource> source) {
    elements.push_back(std::move(element));
    sources.push_back(std::move(source));
  }
};

class SvgReader {
 public:
  explicit SvgReader(std::unique_ptr<CSXmlDecoder> decoder) { m_state.decoder = std::move(decoder); }

  std::optional<DRElementList> read(QString* reason);

 private:
  CSXmlDecoder& decoder() { return *m_state.decoder; }
  DRSvgProps& top() { return m_state.top(); }
  bool failed() const { return !m_state.error.isEmpty(); }
  void fail(const QString& reason) {
    if (m_state.error.isEmpty()) m_state.error = reason;
  }

  // The name-value pairs of the current tag, in document order.
  QStringList attributes() { return decoder().orderedAttributes(); }
  QString attribute(const char* name) { return decoder().stringAttributeForTag(QString::fromLatin1(name)); }

  void handleTag();
  void handleSvgTag();
  void beginContainer(bool svg);
  void endContainer();
  void pushLevel();
  void popLevel();
  void skipElement() { decoder().skipTag(); }

  void handleClosedShape(int key);
  void handleLine();
  void handlePoly(bool closed);
  void handlePath();
  void handleText();
  void handleUse();
  void handleGradient(bool radial);
  void handleColor();

  void commonAttributes(const QStringList& pairs);
  // Adds a finished element to the drawing (or, inside definitions, to the
  // definition being built) and stores it under its id.
  void keep(std::unique_ptr<DRElement> element);
  void store(const QString& id, std::shared_ptr<const DRElement> element,
             std::shared_ptr<const SvgShapeSource> source = nullptr);
  // Builds a closed shape of `key` from name-value pairs on the top level;
  // null when it is hidden, failed or too small.
  std::unique_ptr<DRElement> buildClosedShape(int key, const QStringList& pairs);
  // The element a stored one gives when used again in the top level's place.
  std::unique_ptr<DRElement> placeCopy(const DRElement& original);
  // The polygon a textPath's "path" or reference gives; null for none.
  std::unique_ptr<DRElementPolygon> textPathPolygon(const CSXmlAttributes& attributes);
  bool countElement();
  void finishShapeTag();
  // Runs a polygon builder into a scratch collection and keeps what it made.
  template <typename Build>
  void keepPolygons(Build build) {
    DRElementList made;
    DRElementList* collection = m_state.currentCollection;
    m_state.currentCollection = &made;
    build();
    m_state.currentCollection = collection;
    for (auto& element : made) {
      if (failed()) break;
      keep(std::move(element));
    }
  }

  SvgImportState m_state;
  // Open containers: their level's key and whether it opened a definition.
  struct OpenContainer {
    int key;
    QString id;
    bool definition;
    bool defs;
  };
  std::vector<OpenContainer> m_open;
  // The definitions being collected (group ids inside defs).
  std::vector<std::shared_ptr<SvgDefinition>> m_definitions;
  QHash<QString, std::shared_ptr<SvgDefinition>> m_stored;
  int m_defsDepth = 0;
  uint64_t m_elementCount = 0;
  QString m_pendingNotes;
  // The source of the closed shape being kept.
  std::shared_ptr<const SvgShapeSource> m_currentSource;
};

bool SvgReader::countElement() {
  if (++m_elementCount > kSvgMaxElements) {
    fail(g_svgFormatReason);
    return false;
  }
  return true;
}

void SvgReader::pushLevel() {
  auto level = top().copy();
  level->parentCollection = m_state.currentCollection;
  m_state.propsStack.push_back(std::move(level));
  m_state.dropElement = false;
  m_state.viewBoxInvalid = false;
}

void SvgReader::popLevel() {
  if (m_state.propsStack.size() > 1) m_state.propsStack.pop_back();
}

void SvgReader::commonAttributes(const QStringList& pairs) {
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    SvgHandleCommonAttribute(m_state, top(), SvgKeyForName(pairs[i]), pairs[i + 1]);
  }
}

void SvgReader::store(const QString& id, std::shared_ptr<const DRElement> element,
                      std::shared_ptr<const SvgShapeSource> source) {
  if (id.isEmpty() || !element) return;
  auto definition = std::make_shared<SvgDefinition>();
  definition->add(std::move(element), std::move(source));
  m_state.named.remove(id);
  m_stored.insert(id, definition);
}

void SvgReader::keep(std::unique_ptr<DRElement> element) {
  if (!element || !countElement()) return;
  const QString id = m_state.currentId;
  if (m_defsDepth > 0) {
    std::shared_ptr<const DRElement> shared(std::move(element));
    if (!m_definitions.empty()) m_definitions.back()->add(shared, m_currentSource);
    store(id, shared, m_currentSource);
    return;
  }
  if (!m_pendingNotes.isEmpty()) element->setNotes(m_pendingNotes);
  if (!id.isEmpty()) {
    // Drawn elements are placed from their level's origin; definitions from
    // the document's.
    std::unique_ptr<DRElement> copy = element->copy();
    CSRect frame = copy->frame();
    frame.x = Add(frame.x, m_state.documentOrigin.x);
    frame.y = Add(frame.y, m_state.documentOrigin.y);
    copy->setFrame(frame);
    store(id, std::move(copy), m_currentSource);
  }
  m_state.currentCollection->push_back(std::move(element));
}

// The frame placed for an element: inside definitions relative to the
// document origin, so that a use anywhere can place it again.
void SvgReader::finishShapeTag() {
  m_state.currentElement.reset();
  m_state.currentId.clear();
  m_pendingNotes.clear();
  if (decoder().startTag() && !decoder().endTag()) skipElement();
}

void SvgReader::handleSvgTag() {
  const bool outermost = !m_state.outermostSvgSeen;
  beginContainer(true);
  DRSvgProps& level = top();
  const QString viewBox = attribute("viewBox");
  if (!viewBox.isNull()) {
    MeasureUnit values[4] = {0, 0, 0, 0};
    qsizetype pos = 0;
    int count = 0;
    while (count < 4 && SvgExtractNextNumber(viewBox, pos, QChar(), &values[count])) ++count;
    if (count >= 2) {
      level.viewBox.x = Add(level.viewBox.x, values[0]);
      level.viewBox.y = Add(level.viewBox.y, values[1]);
    }
    if (count >= 4) {
      if (values[2] < 0 || values[3] < 0) {
        m_state.viewBoxInvalid = true;
      } else {
        if (values[2] > 0) level.viewBox.width = values[2];
        if (values[3] > 0) level.viewBox.height = values[3];
      }
    }
  }
  if (outermost) {
    m_state.outermostSvgSeen = true;
    m_state.documentOrigin = CSPoint{level.viewBox.x, level.viewBox.y};
  }
  const QStringList pairs = attributes();
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const QString& value = pairs[i + 1];
    switch (SvgKeyForName(pairs[i])) {
      case kSvgVersion: {
        // Dotted versions packed as major << 16 | minor << 8 | patch.
        const QStringList parts = value.trimmed().split(QLatin1Char('.'));
        int64_t packed = 0;
        for (int p = 0; p < 3; ++p)
          packed = packed << 8 | (p < parts.size() ? std::clamp(parts[p].toInt(), 0, 255) : 0);
        if (packed >= 0x20000) fail(g_svgFormatReason);
        break;
      }
      case kSvgWidth:
        level.viewBox.width = std::max<MeasureUnit>(SvgParseMeasure(value, level.viewBox.width), 0);
        break;
      case kSvgHeight:
        level.viewBox.height = std::max<MeasureUnit>(SvgParseMeasure(value, level.viewBox.height), 0);
        break;
      // A viewport placed at (x, y) shows its content that much further
      // right and down: its origin moves the other way.
      case kSvgX:
        level.viewBox.x = Sub(level.viewBox.x, SvgParseMeasure(value, level.viewBox.width));
        break;
      case kSvgY:
        level.viewBox.y = Sub(level.viewBox.y, SvgParseMeasure(value, level.viewBox.height));
        break;
      case kSvgViewBox:
        break;
      default:
        SvgHandleCommonAttribute(m_state, level, SvgKeyForName(pairs[i]), value);
        break;
    }
  }
  if (decoder().startTag() && decoder().endTag()) endContainer();
}

void SvgReader::beginContainer(bool svg) {
  pushLevel();
  DRSvgProps& level = top();
  level.key = svg ? kSvgSvg : kSvgG;
  level.subelements = std::make_shared<DRElementList>();
  const QString id = decoder().stringAttributeForTag(QStringLiteral("id"));
  bool definition = false;
  if (!id.isEmpty() && m_defsDepth > 0) {
    // A group in definitions collects what it holds for "use".
    auto stored = std::make_shared<SvgDefinition>();
    m_state.named.remove(id);
    m_stored.insert(id, stored);
    m_definitions.push_back(stored);
    definition = true;
  }
  m_open.push_back(OpenContainer{level.key == kSvgSvg ? kSvgSvg : kSvgG, id, definition, false});
  m_state.currentCollection = level.subelements.get();
  if (!svg) {
    const QStringList pairs = attributes();
    // Inside definitions a group's attributes are kept for its shapes' uses.
    if (m_defsDepth > 0) {
      for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        if (pairs[i] == QLatin1String("id")) continue;
        level.orderedAttributes << pairs[i] << pairs[i + 1];
      }
    }
    commonAttributes(pairs);
  }
  if (m_state.dropElement) {
    // A hidden group hides all it holds.
    skipElement();
    m_state.dropElement = false;
    endContainer();
    return;
  }
  if (!svg && decoder().startTag() && decoder().endTag()) endContainer();
}

void SvgReader::endContainer() {
  if (m_open.empty() || m_state.propsStack.size() < 2) return;
  const OpenContainer open = m_open.back();
  m_open.pop_back();
  if (open.definition && !m_definitions.empty()) m_definitions.pop_back();
  std::shared_ptr<DRElementList> elements = top().subelements;
  DRElementList* parent = top().parentCollection;
  popLevel();
  // Groups and nested viewports are flattened into their parent.
  if (elements && parent && m_defsDepth == 0) {
    for (auto& element : *elements) parent->push_back(std::move(element));
  }
  m_state.currentCollection = parent ? parent : &m_state.elements;
  // A group with an id outside definitions is kept for "use" as well.
  if (!open.id.isEmpty() && m_defsDepth == 0 && parent && elements) {
    // Its elements are the last ones appended to the parent.
    const size_t count = elements->size();
    auto stored = std::make_shared<SvgDefinition>();
    for (size_t i = parent->size() - count; i < parent->size(); ++i) {
      std::unique_ptr<DRElement> copy = (*parent)[i]->copy();
      CSRect frame = copy->frame();
      frame.x = Add(frame.x, m_state.documentOrigin.x);
      frame.y = Add(frame.y, m_state.documentOrigin.y);
      copy->setFrame(frame);
      stored->add(std::move(copy), nullptr);
    }
    m_state.named.remove(open.id);
    m_stored.insert(open.id, stored);
  }
}

void SvgReader::handleClosedShape(int key) {
  pushLevel();
  m_state.currentId = decoder().stringAttributeForTag(QStringLiteral("id"));
  const QStringList pairs = attributes();
  if (std::unique_ptr<DRElement> element = buildClosedShape(key, pairs)) {
    auto source = std::make_shared<SvgShapeSource>();
    source->key = key;
    source->pairs = top().orderedAttributes + pairs;
    m_currentSource = std::move(source);
    keep(std::move(element));
    m_currentSource.reset();
  }
  m_state.dropElement = false;
  popLevel();
  finishShapeTag();
}

std::unique_ptr<DRElement> SvgReader::buildClosedShape(int key, const QStringList& pairs) {
  const bool ellipse = key == kSvgCircle || key == kSvgEllipse;
  bool rounded = false;
  if (key == kSvgRect) {
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
      if (pairs[i] == QLatin1String("rx") || pairs[i] == QLatin1String("ry")) rounded = true;
    }
  }
  std::unique_ptr<DRElement> element;
  if (ellipse) {
    element = std::make_unique<DRElementEllipse>();
  } else if (rounded) {
    element = std::make_unique<DRElementRoundRect>();
  } else {
    element = std::make_unique<DRElementRectangle>();
  }
  m_state.x = m_state.y = m_state.width = m_state.height = 0;
  m_state.cornerRadius = 0;
  m_state.cxGiven = ellipse;
  m_state.cyGiven = ellipse;
  const CSRect box = top().viewBox;
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const QString& value = pairs[i + 1];
    const int attribute = SvgKeyForName(pairs[i]);
    switch (attribute) {
      case kSvgCx:
        m_state.x = SvgParseMeasure(value, box.width);
        m_state.cxGiven = true;
        break;
      case kSvgCy:
        m_state.y = SvgParseMeasure(value, box.height);
        m_state.cyGiven = true;
        break;
      case kSvgX:
        m_state.x = SvgParseMeasure(value, box.width);
        break;
      case kSvgY:
        m_state.y = SvgParseMeasure(value, box.height);
        break;
      case kSvgWidth:
        m_state.width = SvgParseMeasure(value, box.width);
        break;
      case kSvgHeight:
        m_state.height = SvgParseMeasure(value, box.height);
        break;
      case kSvgR:
        if (ellipse) {
          m_state.width =
              SaturatingCast<MeasureUnit>(2.0 * double(SvgParseMeasure(value, std::min(box.width, box.height))));
          m_state.height = m_state.width;
        }
        break;
      case kSvgRx:
      case kSvgRy: {
        const MeasureUnit radius = SvgParseMeasure(value, attribute == kSvgRx ? box.width : box.height);
        if (ellipse) {
          (attribute == kSvgRx ? m_state.width : m_state.height) = SaturatingCast<MeasureUnit>(2.0 * double(radius));
        } else if (radius > 0 && (m_state.cornerRadius == 0 || radius < m_state.cornerRadius)) {
          m_state.cornerRadius = radius;
        }
        break;
      }
      default:
        SvgHandleCommonAttribute(m_state, top(), attribute, value);
        break;
    }
  }
  if (!m_state.dropElement && !failed() && m_state.width >= 1 && m_state.height >= 1) {
    if (auto* round = dynamic_cast<DRElementRoundRect*>(element.get()))
      round->setCornerRadius(std::min(m_state.cornerRadius, std::min(m_state.width, m_state.height) / 2));
    if (ellipse) element->setConstrainedNoResize(true);
    m_state.currentElement = std::move(element);
    if (SvgSetFilledFrameAndProps(m_state, top(), false)) return std::move(m_state.currentElement);
  }
  m_state.currentElement.reset();
  return nullptr;
}

void SvgReader::handleLine() {
  pushLevel();
  m_state.currentId = decoder().stringAttributeForTag(QStringLiteral("id"));
  auto line = std::make_unique<DRElementLine>();
  CSPoint start;
  CSPoint end;
  const CSRect box = top().viewBox;
  const QStringList pairs = attributes();
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const QString& value = pairs[i + 1];
    switch (const int attribute = SvgKeyForName(pairs[i])) {
      case kSvgX1:
        start.x = SvgParseMeasure(value, box.width);
        break;
      case kSvgY1:
        start.y = SvgParseMeasure(value, box.height);
        break;
      case kSvgX2:
        end.x = SvgParseMeasure(value, box.width);
        break;
      case kSvgY2:
        end.y = SvgParseMeasure(value, box.height);
        break;
      default:
        SvgHandleCommonAttribute(m_state, top(), attribute, value);
        break;
    }
  }
  if (!m_state.dropElement && !failed()) {
    line->setArrow(std::nullopt);
    line->setStartPoint(start);
    line->setEndPoint(end);
    m_state.clearWorkingFrame();
    SvgApplyTransforms(m_state, top(), *line);
    SvgFinishElement(m_state, top(), *line);
    keep(std::move(line));
  }
  m_state.dropElement = false;
  popLevel();
  finishShapeTag();
}

void SvgReader::handlePoly(bool closed) {
  pushLevel();
  m_state.currentId = decoder().stringAttributeForTag(QStringLiteral("id"));
  QString points;
  const QStringList pairs = attributes();
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const int attribute = SvgKeyForName(pairs[i]);
    if (attribute == kSvgPoints) {
      points = pairs[i + 1];
    } else {
      SvgHandleCommonAttribute(m_state, top(), attribute, pairs[i + 1]);
    }
  }
  if (!m_state.dropElement && !failed()) {
    auto polygon = std::make_unique<DRElementPolygon>();
    polygon->setClosed(closed);
    m_state.currentElement = std::move(polygon);
    m_state.clearWorkingFrame();
    m_state.pathPointCount = 0;
    SvgReadPoints(m_state, points);
    keepPolygons([this] { SvgFinishPolygon(m_state, top()); });
  }
  m_state.dropElement = false;
  popLevel();
  finishShapeTag();
}

void SvgReader::handlePath() {
  pushLevel();
  m_state.currentId = decoder().stringAttributeForTag(QStringLiteral("id"));
  QString data;
  const QStringList pairs = attributes();
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const int attribute = SvgKeyForName(pairs[i]);
    if (attribute == kSvgD) {
      data = pairs[i + 1];
    } else {
      SvgHandleCommonAttribute(m_state, top(), attribute, pairs[i + 1]);
    }
  }
  if (!m_state.dropElement && !failed()) keepPolygons([this, &data] { SvgReadPath(m_state, top(), data); });
  m_state.dropElement = false;
  popLevel();
  finishShapeTag();
}

void SvgReader::handleText() {
  pushLevel();
  m_state.currentId = decoder().stringAttributeForTag(QStringLiteral("id"));
  m_state.clearWorkingFrame();
  MeasureUnit x = 0;
  MeasureUnit y = 0;
  const CSRect box = top().viewBox;
  const QStringList pairs = attributes();
  for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
    const QString& value = pairs[i + 1];
    switch (const int attribute = SvgKeyForName(pairs[i])) {
      case kSvgX:
        x = SvgParseMeasure(value, box.width);
        break;
      case kSvgY:
        y = SvgParseMeasure(value, box.height);
        break;
      case kSvgDx:
        x = Add(x, SvgParseMeasure(value, box.width));
        break;
      case kSvgDy:
        y = Add(y, SvgParseMeasure(value, box.height));
        break;
      case kSvgTextAlign:
        SvgSetAlignment(top(), value);
        break;
      case kSvgTextAnchor:
        SvgSetTextAnchor(top(), value);
        break;
      case kSvgInlineSize:
        m_state.width = SvgParseMeasure(value, box.width);
        break;
      case kSvgRotate: {
        SvgTransform rotation;
        rotation.kind = kSvgRotateAboutOrigin;
        rotation.angle = SvgParseRotation(value);
        top().transforms.insert(top().transforms.begin(), rotation);
        break;
      }
      default:
        SvgHandleCommonAttribute(m_state, top(), attribute, value);
        break;
    }
  }
  // A textPath right inside puts the text along a path.
  CSXmlAttributes pathAttributes;
  bool onPath = false;
  if (decoder().startTag() && !decoder().endTag()) {
    onPath = decoder().followingTagWithAttributes(&pathAttributes, nullptr) == QLatin1String("textPath");
  }
  // A text on one line comes as a whole element with its value.
  if (decoder().startTag() && !decoder().endTag()) decoder().coalesceMixedContent();
  const QString text = decoder().value().simplified();
  if (onPath && !m_state.dropElement && !failed() && !text.isEmpty()) {
    if (std::unique_ptr<DRElementPolygon> polygon = textPathPolygon(pathAttributes)) {
      const DRSvgProps& level = top();
      Kolor kolor = level.fillSpecified ? level.fillKolor : level.lineInfo.kolor();
      if (!IsVisibleKolor(kolor)) kolor = g_blackKolor;
      DRLineInfo line = level.lineInfo;
      line.setKolor(kolor);
      polygon->setLineInfo(line);
      polygon->setText(text);
      polygon->setTextInfo(level.textInfo);
      if (polygon->closedForSvgFill()) {
        polygon->setClosed(false);
        polygon->setClosedForSvgFill(false);
      }
      keep(std::move(polygon));
    }
  } else if (!m_state.dropElement && !failed() && !text.isEmpty()) {
    DRSvgProps& level = top();
    auto element = std::make_unique<DRElementText>();
    DRTextInfo info = level.textInfo;
    Kolor kolor = level.fillSpecified ? level.fillKolor : level.lineInfo.kolor();
    if (!IsVisibleKolor(kolor)) kolor = g_blackKolor;
    info.setTextKolor(kolor);
    element->setTextInfo(info);
    element->setText(text);
    const QFont font = info.fontValue();
    const QFontMetricsF metrics(font, TextReferenceDevice());
    if (m_state.width <= 0 || m_state.width == kSvgUnsetSize) {
      const double points = SizeOfTextInFont(text, font).width() + 8;
      m_state.width = SaturatingRound<MeasureUnit>(points * double(kMeasurePerPoint));
    }
    m_state.x = x;
    m_state.y = Sub(y, SaturatingRound<MeasureUnit>(metrics.ascent() * double(kMeasurePerPoint)));
    if (level.textAnchor == kSvgAnchorEnd) m_state.x = Sub(m_state.x, m_state.width);
    if (level.textAnchor == kSvgAnchorMiddle) m_state.x = Sub(m_state.x, m_state.width / 2);
    element->setFrame(CSRect{m_state.x, m_state.y, m_state.width, kMeasurePerPoint});
    element->setHeight();
    m_state.height = element->frame().height;
    element->setOriginalSize(CSPoint{m_state.width, m_state.height});
    SvgApplyTransforms(m_state, level, *element);
    SvgFinishElement(m_state, level, *element);
    keep(std::move(element));
  }
  m_state.dropElement = false;
  popLevel();
  m_state.currentElement.reset();
  m_state.currentId.clear();
  m_pendingNotes.clear();
}

void SvgReader::handleUse() {
  QString target = attribute("href");
  if (target.isNull()) target = attribute("xlink:href");
  const bool empty = decoder().startTag() && decoder().endTag();
  target = target.trimmed();
  if (!target.startsWith(QLatin1Char('#'))) {
    if (!empty) skipElement();
    return;
  }
  const QString id = target.mid(1);
  const auto named = m_state.named.constFind(id);
  if (named != m_state.named.constEnd()) {
    if (const Kolor* kolor = std::get_if<Kolor>(&*named)) top().currentKolor = *kolor;
  }
  const std::shared_ptr<SvgDefinition> definition = m_stored.value(id);
  // A use inside the definition it names (or one that holds it) is skipped.
  const bool open =
      std::any_of(m_definitions.begin(), m_definitions.end(), [&definition](const auto& d) { return d == definition; });
  if (definition && !open) {
    {
      pushLevel();
      const CSRect box = top().viewBox;
      MeasureUnit dx = 0;
      MeasureUnit dy = 0;
      const QStringList pairs = attributes();
      // What the use says of style: read again after what its shapes said.
      QStringList usePairs;
      for (qsizetype i = 0; i + 1 < pairs.size() && !failed(); i += 2) {
        const int attribute = SvgKeyForName(pairs[i]);
        if (attribute == kSvgX) {
          dx = SvgParseMeasure(pairs[i + 1], box.width);
        } else if (attribute == kSvgY) {
          dy = SvgParseMeasure(pairs[i + 1], box.height);
        } else if (attribute == kSvgTransform || attribute == kSvgVisibility || attribute == kSvgDisplay) {
          SvgHandleCommonAttribute(m_state, top(), attribute, pairs[i + 1]);
        } else if (attribute != kSvgWidth && attribute != kSvgHeight && attribute != kSvgHref &&
                   attribute != kSvgXlinkHref && pairs[i] != QLatin1String("id")) {
          usePairs << pairs[i] << pairs[i + 1];
        }
      }
      if (dx != 0 || dy != 0) {
        SvgTransform translation;
        translation.kind = kSvgTranslateTransform;
        translation.x = dx;
        translation.y = dy;
        top().transforms.push_back(translation);
      }
      const size_t count = definition->elements.size();
      // Copies count before they are made: chains of uses grow fast.
      if (m_elementCount + count > kSvgMaxElements) fail(g_svgFormatReason);
      // Inside definitions an unmoved use shares what it names.
      const bool share = m_defsDepth > 0 && top().transforms.empty() && !m_definitions.empty();
      for (size_t i = 0; i < count && share && !failed() && !m_state.dropElement; ++i) {
        if (countElement()) m_definitions.back()->add(definition->elements[i], definition->sources[i]);
      }
      for (size_t i = 0; i < count && !share && !failed() && !m_state.dropElement; ++i) {
        std::unique_ptr<DRElement> element;
        if (const std::shared_ptr<const SvgShapeSource>& source = definition->sources[i]) {
          // Closed shapes are built again from what they were written with.
          pushLevel();
          element = buildClosedShape(source->key, source->pairs + usePairs);
          m_state.dropElement = false;
          popLevel();
        } else {
          element = placeCopy(*definition->elements[i]);
        }
        m_state.currentId.clear();
        if (element) keep(std::move(element));
      }
      m_state.dropElement = false;
      popLevel();
    }
  }
  if (!empty) skipElement();
}

std::unique_ptr<DRElement> SvgReader::placeCopy(const DRElement& original) {
  std::unique_ptr<DRElement> copy = original.copy();
  if (!copy) return nullptr;
  const int type = copy->elementType();
  if (type != kElementEllipse && type != kElementRectangle && type != kElementRoundRect && type != kElementLine &&
      type != kElementPolygon && type != kElementText)
    return nullptr;
  // Placed again from where it was defined.
  auto levelCopy = top().copy();
  const CSRect frame = copy->frame();
  m_state.x = Add(frame.x, Sub(levelCopy->viewBox.x, m_state.documentOrigin.x));
  m_state.y = Add(frame.y, Sub(levelCopy->viewBox.y, m_state.documentOrigin.y));
  m_state.width = frame.width;
  m_state.height = frame.height;
  if (auto* line = dynamic_cast<DRElementLine*>(copy.get())) {
    const CSPoint origin{m_state.x, m_state.y};
    line->setStartPoint(CSPoint{Add(line->startPoint().x, origin.x), Add(line->startPoint().y, origin.y)});
    line->setEndPoint(CSPoint{Add(line->endPoint().x, origin.x), Add(line->endPoint().y, origin.y)});
    SvgApplyTransforms(m_state, *levelCopy, *copy);
    // The line keeps the style it was defined with.
    const std::optional<DRLineInfo> style = copy->lineInfo();
    SvgFinishElement(m_state, *levelCopy, *copy);
    copy->setLineInfo(style);
  } else {
    SvgApplyTransforms(m_state, *levelCopy, *copy);
    if (auto* polygon = dynamic_cast<DRElementPolygon*>(copy.get())) {
      polygon->setOriginalSize(CSPoint{m_state.width, m_state.height});
    }
    SvgSetElementFrame(m_state, *levelCopy, *copy, CSRect{m_state.x, m_state.y, m_state.width, m_state.height});
  }
  return copy;
}

std::unique_ptr<DRElementPolygon> SvgReader::textPathPolygon(const CSXmlAttributes& attributes) {
  std::unique_ptr<DRElement> made;
  const QString data = attributes.value(QStringLiteral("path"));
  if (!data.isNull() && data.trimmed() != QLatin1String("none")) {
    DRElementList scratch;
    DRElementList* collection = m_state.currentCollection;
    m_state.currentCollection = &scratch;
    SvgReadPath(m_state, top(), data);
    m_state.currentCollection = collection;
    if (!scratch.empty()) made = std::move(scratch.back());
  } else {
    QString target = attributes.value(QStringLiteral("href"));
    if (target.isNull()) target = attributes.value(QStringLiteral("xlink:href"));
    target = target.trimmed();
    if (!target.startsWith(QLatin1Char('#'))) return nullptr;
    const std::shared_ptr<SvgDefinition> definition = m_stored.value(target.mid(1));
    if (!definition || definition->elements.size() != 1 ||
        definition->elements.front()->elementType() != kElementPolygon)
      return nullptr;
    made = placeCopy(*definition->elements.front());
  }
  auto* polygon = dynamic_cast<DRElementPolygon*>(made.get());
  if (!polygon) return nullptr;
  made.release();
  return std::unique_ptr<DRElementPolygon>(polygon);
}

void SvgReader::handleGradient(bool radial) {
  const QString id = attribute("id");
  const bool empty = decoder().startTag() && decoder().endTag();
  if (id.isEmpty()) {
    if (!empty) skipElement();
    return;
  }
  QString base = attribute("href");
  if (base.isNull()) base = attribute("xlink:href");
  std::optional<DRGradient> gradient;
  bool defined = true;
  if (!base.isNull() && base.trimmed().startsWith(QLatin1Char('#'))) {
    const auto found = m_state.named.constFind(base.trimmed().mid(1));
    if (found != m_state.named.constEnd()) {
      if (const auto* baseGradient = std::get_if<DRGradient>(&*found)) {
        gradient = *baseGradient;
      } else {
        defined = false;
      }
    }
  }
  const bool hasBase = gradient.has_value();
  if (!gradient) gradient.emplace();
  const CSRect box = top().viewBox;
  const QStringList pairs = attributes();
  bool coordinates = false;
  if (radial) {
    std::optional<double> cx, cy, fx, fy;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
      const double fraction = SvgParsePercentageCore(pairs[i + 1], false, 1.0);
      switch (SvgKeyForName(pairs[i])) {
        case kSvgCx:
          cx = fraction;
          break;
        case kSvgCy:
          cy = fraction;
          break;
        case kSvgFx:
          fx = fraction;
          break;
        case kSvgFy:
          fy = fraction;
          break;
        default:
          continue;
      }
      coordinates = true;
    }
    if (coordinates || !hasBase) {
      const double centreX = cx.value_or(0.5);
      const double centreY = cy.value_or(0.5);
      const double focusX = fx.value_or(centreX);
      const double focusY = fy.value_or(centreY);
      gradient->setRadialCenter(CSPoint{SaturatingRound<MeasureUnit>((focusX - 0.5) * 2 * 12700),
                                        SaturatingRound<MeasureUnit>(-(focusY - 0.5) * 2 * 12700)});
    }
    gradient->setRadial(true);
  } else {
    MeasureUnit x1 = 0, y1 = 0, y2 = 0;
    MeasureUnit x2 = box.width > 0 ? box.width : kDefaultGradientWidth;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
      const QString& value = pairs[i + 1];
      switch (SvgKeyForName(pairs[i])) {
        case kSvgX1:
          x1 = SvgParseMeasure(value, box.width);
          break;
        case kSvgX2:
          x2 = SvgParseMeasure(value, box.width);
          break;
        case kSvgY1:
          y1 = SvgParseMeasure(value, box.height);
          break;
        case kSvgY2:
          y2 = SvgParseMeasure(value, box.height);
          break;
        default:
          continue;
      }
      coordinates = true;
    }
    if (coordinates || !hasBase) {
      const double degrees =
          std::round(std::atan2(double(y2) - double(y1), double(x2) - double(x1)) * 180.0 / std::numbers::pi);
      int64_t angle = SaturatingRound<int64_t>((degrees + 270.0) * 12700.0) % 4572000;
      if (angle < 0) angle += 4572000;
      gradient->setLinearAngle(angle);
    }
  }
  if (!empty) {
    // The stops, up to the gradient's end tag.
    std::vector<CSGradientStop> stops;
    const int64_t level = decoder().level();
    while (!failed() && decoder().getNextTag()) {
      if (decoder().endTag() && !decoder().startTag() && decoder().level() < level) break;
      if (!decoder().startTag() || decoder().key() != kSvgStop) continue;
      double offset = 0;
      Kolor kolor = g_blackKolor;
      double opacity = 1;
      auto property = [&](int key, const QString& value) {
        if (key == kSvgOffset) offset = SvgParsePercentageCore(value, false, 1.0);
        if (key == kSvgStopColor) kolor = KolorFromCssColor(value);
        if (key == kSvgStopOpacity) opacity = SvgParsePercentageCore(value, false, 1.0);
      };
      const QStringList stopPairs = attributes();
      for (qsizetype i = 0; i + 1 < stopPairs.size(); i += 2) {
        const int key = SvgKeyForName(stopPairs[i]);
        if (key == kSvgStyle) {
          ParseCssString(stopPairs[i + 1], [&property](int cssKey, const QString& value) {
            if (cssKey == kCssOffset) property(kSvgOffset, value);
            if (cssKey == kCssStopColor) property(kSvgStopColor, value);
            if (cssKey == kCssStopOpacity) property(kSvgStopOpacity, value);
          });
        } else {
          property(key, stopPairs[i + 1]);
        }
      }
      if (opacity != 1 && KolorOpacity(kolor) <= 100) {
        kolor = MakeKolor(KolorRed(kolor), KolorGreen(kolor), KolorBlue(kolor),
                          int(std::lround(KolorOpacity(kolor) * std::clamp(opacity, 0.0, 1.0))));
      }
      stops.push_back(CSGradientStop{SaturatingRound<int64_t>(offset * 12700), kolor});
      if (!decoder().endTag()) skipElement();
    }
    if (!stops.empty()) {
      std::vector<CSGradientStop> result;
      result.push_back(CSGradientStop{0, stops.front().kolor});
      for (size_t i = 1; i + 1 < stops.size(); ++i) result.push_back(stops[i]);
      result.push_back(CSGradientStop{kGradientStopScale, stops.back().kolor});
      gradient->setStops(result);
    }
  }
  if (defined) {
    m_stored.remove(id);
    m_state.named.insert(id, *gradient);
  }
}

void SvgReader::handleColor() {
  const QString id = attribute("id");
  if (decoder().startTag() && !decoder().endTag()) decoder().coalesceMixedContent();
  const Kolor kolor = KolorFromCssColor(decoder().value());
  top().currentKolor = kolor;
  if (!id.isEmpty()) {
    m_stored.remove(id);
    m_state.named.insert(id, kolor);
  }
}

void SvgReader::handleTag() {
  CSXmlDecoder& d = decoder();
  if (d.endTag() && !d.startTag()) {
    const int key = d.key();
    if ((key == kSvgG || key == kSvgSvg) && !m_open.empty()) {
      endContainer();
    } else if (key == kSvgDefs && m_defsDepth > 0) {
      --m_defsDepth;
      m_state.insideDefs = m_defsDepth > 0;
    }
    return;
  }
  if (d.level() > kSvgMaxDepth) {
    fail(g_svgFormatReason);
    return;
  }
  ++m_state.topLevelTags;
  const int key = d.key();
  // Notes of a desc go to the next element tag; any other tag clears them.
  if (key != kSvgDesc && key != kSvgCircle && key != kSvgEllipse && key != kSvgRect && key != kSvgLine &&
      key != kSvgPolygon && key != kSvgPolyline && key != kSvgPath && key != kSvgText)
    m_pendingNotes.clear();
  switch (key) {
    case kSvgSvg:
      handleSvgTag();
      break;
    case kSvgG:
      beginContainer(false);
      break;
    case kSvgDefs:
      if (!(d.startTag() && d.endTag())) ++m_defsDepth;
      m_state.insideDefs = m_defsDepth > 0;
      break;
    case kSvgCircle:
    case kSvgEllipse:
    case kSvgRect:
      handleClosedShape(key);
      break;
    case kSvgLine:
      handleLine();
      break;
    case kSvgPolyline:
      handlePoly(false);
      break;
    case kSvgPolygon:
      handlePoly(true);
      break;
    case kSvgPath:
      handlePath();
      break;
    case kSvgText:
      handleText();
      break;
    case kSvgUse:
      handleUse();
      break;
    case kSvgLinearGradient:
      handleGradient(false);
      break;
    case kSvgRadialGradient:
      handleGradient(true);
      break;
    case kSvgColor:
      handleColor();
      break;
    case kSvgDesc: {
      const bool first = m_state.topLevelTags == 1;
      if (d.startTag() && !d.endTag()) d.coalesceMixedContent();
      if (m_defsDepth == 0 && !first) m_pendingNotes = d.value().trimmed();
      break;
    }
    default:
      if (d.startTag() && !d.endTag()) skipElement();
      break;
  }
}

std::optional<DRElementList> SvgReader::read(QString* reason) {
  CSXmlDecoder& d = decoder();
  d.setKeyDecoder(SvgKeyTable());
  if (!d.getNextTag() || d.key() != kSvgSvg || !d.startTag()) {
    fail(d.error().isEmpty() ? g_svgFormatReason : d.error());
  } else {
    handleSvgTag();
    m_state.topLevelTags = 0;
    while (!failed() && d.getNextTag()) handleTag();
    if (!failed() && !d.error().isEmpty()) fail(d.error());
  }
  if (failed()) {
    if (reason) *reason = m_state.error;
    return std::nullopt;
  }
  while (!m_open.empty()) endContainer();
  DRElementList elements = std::move(m_state.elements);
  const CSPoint minimum = m_state.minimumOrigin;
  if (minimum.x != kSvgUnsetOrigin && minimum.y != kSvgUnsetOrigin) {
    for (auto& element : elements) {
      CSRect frame = element->frame();
      frame.x = Sub(frame.x, minimum.x);
      frame.y = Sub(frame.y, minimum.y);
      element->setFrame(frame);
    }
  }
  return elements;
}

}  // namespace

const CSXmlKeyTable& SvgKeyTable() {
  static const CSXmlKeyTable table = [] {
    CSXmlKeyTable keys;
    for (int key = 1; key <= kSvgKeyCount; ++key) keys.insert(SvgKeyName(key), key);
    return keys;
  }();
  return table;
}

std::optional<DRElementList> ReadSvgElements(const QByteArray& data, QString* reason) {
  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithData(data);
  if (!decoder) {
    if (reason) *reason = g_svgFormatReason;
    return std::nullopt;
  }
  return SvgReader(std::move(decoder)).read(reason);
}

std::optional<DRElementList> ReadSvgFile(const QString& path, QString* reason) {
  QString openReason;
  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithFile(path, &openReason);
  if (!decoder) {
    if (reason) *reason = openReason.isEmpty() ? g_svgFormatReason : openReason;
    return std::nullopt;
  }
  return SvgReader(std::move(decoder)).read(reason);
}

std::optional<DRElementList> LoadElementsFromSvgFile(const QString& path) {
  QString reason;
  std::optional<DRElementList> elements = ReadSvgFile(path, &reason);
  if (!elements) {
    GiveSimpleAlert(QStringLiteral("Can't open file."),
                    StringWithFormat("I can't open the file %@ because %@.", FileNameMinusExtension(path), reason));
  }
  return elements;
}
