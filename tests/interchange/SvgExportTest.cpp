#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "interchange/DRInterchangeServices.h"
#include "interchange/SvgExport.h"
#include "interchange/SvgImport.h"
#include "interchange/SvgKeys.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"
#include "model/DRPainting.h"
#include "model/DrawingPainter.h"
#include "platform/AtomicSwap.h"
#include "testkit/ImageCompare.h"
#include "testkit/LogCapture.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"
#include "testkit/model/ElementTestSupport.h"

namespace {

constexpr MeasureUnit kPixel = 9525;

DRLineInfo Stroke(double points, Kolor kolor = MakeKolor(0, 0, 200)) {
  DRLineInfo line;
  line.setWidth(Pt(points));
  line.setKolorWithoutRegistering(kolor);
  return line;
}

template <typename T>
std::unique_ptr<T> Shape(const CSRect& frame, Kolor fill, std::optional<DRLineInfo> line = std::nullopt) {
  auto element = std::make_unique<T>();
  element->setFrame(frame);
  element->setOriginalSize(CSPoint{frame.width, frame.height});
  if constexpr (std::is_base_of_v<DRElementClosed, T>) element->setFillKolor(fill);
  element->setLineInfo(line);
  return element;
}

std::unique_ptr<DRElementPolygon> Polygon(const CSRect& frame, std::vector<CSPoint> points, bool closed, bool curves,
                                          Kolor fill, std::optional<DRLineInfo> line) {
  auto polygon = Shape<DRElementPolygon>(frame, fill, line);
  polygon->setPoints(points);
  polygon->setClosed(closed);
  if (curves) {
    std::vector<DRControlPair> pairs;
    const size_t n = points.size();
    for (size_t i = 0; i < n; ++i)
      pairs.push_back(SetControlPair(points[(i + n - 1) % n], points[i], points[(i + 1) % n]));
    polygon->setControlPairs(pairs);
    polygon->setCurves(true);
    polygon->setControlPairs(pairs);
  }
  return polygon;
}

std::unique_ptr<DRElementText> Text(const CSRect& frame, const QString& text, Kolor kolor) {
  auto element = std::make_unique<DRElementText>();
  DRTextInfo info;
  info.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
  info.setTextKolor(kolor);
  element->setTextInfo(info);
  element->setText(text);
  element->setFrame(frame);
  element->setHeight();
  element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
  return element;
}

QString Svg(const DRElementList& elements) {
  CSError error;
  const std::optional<QString> text = SvgTextForElements(elements, &error);
  EXPECT_TRUE(text.has_value()) << error.reason().toStdString();
  return text.value_or(QString());
}

template <typename... Elements>
DRElementList List(std::unique_ptr<Elements>... elements) {
  DRElementList list;
  (list.push_back(std::move(elements)), ...);
  return list;
}

int Count(const QString& text, const QString& what) {
  return int(text.count(what));
}

}  // namespace

TEST(SvgExport, BitmapsAloneFailAndWriteNothing) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("out.svg"));
  DRElementList elements;
  auto bitmap = std::make_unique<DRElementBitmap>(std::make_shared<DRPainting>(QSizeF(10, 10)));
  bitmap->setFrame(PtRect(0, 0, 10, 10));
  elements.push_back(std::move(bitmap));
  CSError error;
  EXPECT_FALSE(SaveSvgFile(elements, CSRect{}, path, &error));
  EXPECT_EQ(error.code(), -50);
  EXPECT_EQ(error.failureReason(), QStringLiteral("The document does not contain any shapes I can save to SVG"));
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST(SvgExport, CircleInsetByHalfItsStroke) {
  const QString svg = Svg(List(Shape<DRElementEllipse>(PtRect(0, 0, 72, 72), g_nilKolor, Stroke(2))));
  EXPECT_TRUE(svg.contains(QStringLiteral(" r=\"46.667\""))) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("cx=\"48\" cy=\"48\""))) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("fill=\"none\""))) << svg.toStdString();
}

TEST(SvgExport, DocumentLayout) {
  const QString svg = Svg(List(Shape<DRElementRectangle>(PtRect(0, 0, 100, 50), MakeKolor(255, 0, 0))));
  EXPECT_TRUE(svg.startsWith(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 136 70\">")))
      << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("<desc>Created by Tindle Draw"))) << svg.toStdString();
  EXPECT_FALSE(svg.contains(QStringLiteral("<defs"))) << svg.toStdString();
  EXPECT_FALSE(svg.contains(QStringLiteral(" width=\"136\""))) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("fill=\"rgb(255,0,0)\" x=\"0\" y=\"0\" width=\"133.333\" height=\"66.667\"")))
      << svg.toStdString();
}

TEST(SvgExport, DashStylesInWholePixels) {
  struct Case {
    int64_t style;
    double width;
    bool scale;
    const char* expected;
  };
  const Case cases[] = {{kLineStyleDash, 1, false, "7 3"}, {kLineStyleDash, 1, true, "7 3"},
                        {kLineStyleDot, 1, false, "2 3"},  {kLineStyleDash, 2, true, "14 6"},
                        {kLineStyleSolid, 1, false, ""}};
  for (const Case& c : cases) {
    DRLineInfo line = Stroke(c.width);
    line.setLineStyle(c.style);
    line.setScalePattern(c.scale);
    auto element = std::make_unique<DRElementLine>();
    element->setFrame(PtRect(0, 0, 50, 0));
    element->setStartPoint(CSPoint{0, 0});
    element->setEndPoint(CSPoint{Pt(50), 0});
    element->setLineInfo(line);
    const QString svg = Svg(List(std::move(element)));
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("stroke-dasharray=\"([^\"]*)\"")).match(svg);
    EXPECT_EQ(match.captured(1), QString::fromLatin1(c.expected)) << svg.toStdString();
  }
}

TEST(SvgExport, EqualGradientsShareOneDefinitionAheadOfTheShapes) {
  DRGradient gradient;
  gradient.setStops({CSGradientStop{0, MakeKolor(255, 0, 0)}, CSGradientStop{kGradientStopScale, MakeKolor(0, 0, 255)}});
  auto first = Shape<DRElementRectangle>(PtRect(0, 0, 20, 20), g_nilKolor);
  first->setGradient(gradient);
  auto second = Shape<DRElementEllipse>(PtRect(30, 0, 20, 10), g_nilKolor);
  second->setGradient(gradient);
  DRGradient radial = gradient;
  radial.setRadial(true);
  auto third = Shape<DRElementRectangle>(PtRect(60, 0, 20, 20), g_nilKolor);
  third->setGradient(radial);
  const QString svg = Svg(List(std::move(first), std::move(second), std::move(third)));
  EXPECT_EQ(Count(svg, QStringLiteral("<linearGradient ")), 1) << svg.toStdString();
  EXPECT_EQ(Count(svg, QStringLiteral("fill=\"url(#linearGradient1)\"")), 2) << svg.toStdString();
  EXPECT_EQ(Count(svg, QStringLiteral("fill=\"url(#radialGradient2)\"")), 1) << svg.toStdString();
  const qsizetype desc = svg.indexOf(QStringLiteral("<desc>"));
  const qsizetype defs = svg.indexOf(QStringLiteral("<defs>"));
  const qsizetype rect = svg.indexOf(QStringLiteral("<rect "));
  EXPECT_TRUE(desc < defs && defs < rect) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("<stop offset=\"1\" stop-color=\"rgb(0,0,255)\"/>"))) << svg.toStdString();
  // The gradients come back through the reader.
  QString reason;
  const std::optional<DRElementList> read = ReadSvgElements(svg.toUtf8(), &reason);
  ASSERT_TRUE(read) << reason.toStdString();
  ASSERT_EQ(read->size(), 3u);
  for (const auto& element : *read) ASSERT_NE(element->gradientStyle(), nullptr);
  EXPECT_EQ(read->at(0)->gradientStyle()->stops(), gradient.stops());
  EXPECT_TRUE(read->at(2)->gradientStyle()->isRadial());
}

TEST(SvgExport, LinesOfTextBecomeTspans) {
  const QString svg = Svg(List(Text(PtRect(10, 10, 200, 20), QStringLiteral("one\ntwo\nthree"), MakeKolor(0, 128, 0))));
  EXPECT_EQ(Count(svg, QStringLiteral("<text ")), 1) << svg.toStdString();
  EXPECT_EQ(Count(svg, QStringLiteral("<tspan ")), 3) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral(">three</tspan>"))) << svg.toStdString();
  // Each line sits lower than the one before.
  const QRegularExpression y(QStringLiteral("<tspan x=\"[^\"]*\" y=\"([^\"]*)\""));
  double previous = -1;
  for (const QRegularExpressionMatch& match : y.globalMatch(svg)) {
    EXPECT_GT(match.captured(1).toDouble(), previous);
    previous = match.captured(1).toDouble();
  }
  // A word-wrapped line breaks where our layout breaks it.
  const QString wrapped = Svg(List(Text(PtRect(0, 0, 60, 20), QStringLiteral("alpha beta gamma delta"), g_blackKolor)));
  EXPECT_GE(Count(wrapped, QStringLiteral("<tspan ")), 2) << wrapped.toStdString();
  // An invisible text colour writes nothing, but the text still counts.
  const QString hidden = Svg(List(Text(PtRect(0, 0, 60, 20), QStringLiteral("x"), g_nilKolor)));
  EXPECT_FALSE(hidden.contains(QStringLiteral("<text"))) << hidden.toStdString();
}

TEST(SvgExport, FontFamilyQuotedWithTheMarkItLacks) {
  struct Case {
    const char* family;
    const char* expected;  // a prefix of the attribute, or "" for the generic family alone
  };
  const Case cases[] = {{"DejaVu Sans", "'DejaVu Sans', "}, {"O'Neil Sans", "\"O'Neil Sans\", "},
                        {"Both'\"Marks", ""}};
  for (const Case& c : cases) {
    auto text = Text(PtRect(0, 0, 100, 20), QStringLiteral("x"), g_blackKolor);
    DRTextInfo info = text->textInfo();
    QFont font = info.fontValue();
    font.setFamilies({QString::fromUtf8(c.family)});
    info.setFont(font);
    text->setTextInfo(info);
    const QString family = text->textInfo().fontValue().family();
    const QString svg = Svg(List(std::move(text)));
    // The encoder escapes quotes in attribute values; read the value back.
    std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithData(svg.toUtf8());
    ASSERT_TRUE(decoder);
    decoder->setKeyDecoder(SvgKeyTable());
    QString value;
    while (decoder->getNextTag()) {
      if (decoder->startTag() && decoder->key() == kSvgText)
        value = decoder->stringAttributeForTag(QStringLiteral("font-family"));
    }
    if (family != QString::fromUtf8(c.family)) continue;  // the model mapped an uninstalled family
    if (*c.expected == 0) {
      EXPECT_FALSE(value.contains(QLatin1Char('\'')) || value.contains(QLatin1Char('"'))) << value.toStdString();
      EXPECT_FALSE(value.isEmpty());
    } else {
      EXPECT_TRUE(value.startsWith(QString::fromUtf8(c.expected))) << value.toStdString();
    }
  }
}

TEST(SvgExport, RotatedRectangleTransformsRotatedPolygonTurnsItsPoints) {
  auto rect = Shape<DRElementRectangle>(PtRect(0, 0, 72, 36), MakeKolor(255, 0, 0));
  rect->setRotation(30 * kMeasurePerPoint);
  QString svg = Svg(List(std::move(rect)));
  // About the centre of the rectangle as written.
  const QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("x=\"([^\"]*)\" y=\"([^\"]*)\" width=\"96\" height=\"48\" "
                                        "transform=\"rotate\\(30 ([^ ]*) ([^ ]*)\\)\""))
          .match(svg);
  ASSERT_TRUE(match.hasMatch()) << svg.toStdString();
  EXPECT_NEAR(match.captured(3).toDouble(), match.captured(1).toDouble() + 48, 0.01);
  EXPECT_NEAR(match.captured(4).toDouble(), match.captured(2).toDouble() + 24, 0.01);

  auto polygon =
      Polygon(PtRect(0, 0, 72, 72), {CSPoint{0, 0}, CSPoint{Pt(72), 0}, CSPoint{Pt(72), Pt(72)}}, true, false,
              MakeKolor(0, 255, 0), std::nullopt);
  polygon->setRotation(90 * kMeasurePerPoint);
  svg = Svg(List(std::move(polygon)));
  EXPECT_FALSE(svg.contains(QStringLiteral("transform"))) << svg.toStdString();
  // Turned a quarter clockwise about (48, 48): (0,0) goes to (96,0).
  EXPECT_TRUE(svg.contains(QStringLiteral(" 0 96-96 0z\""))) << svg.toStdString();
}

TEST(SvgExport, NumbersInPathData) {
  auto polygon = Polygon(PtRect(0, 0, 30, 30), {CSPoint{0, 0}, CSPoint{Pt(10), Pt(1)}, CSPoint{Pt(5), Pt(30)}}, false,
                         false, g_nilKolor, Stroke(1));
  const QString svg = Svg(List(std::move(polygon)));
  EXPECT_TRUE(svg.contains(QStringLiteral("fill=\"none\""))) << svg.toStdString();
  EXPECT_TRUE(svg.contains(QStringLiteral("d=\"m5.33 5.33 13.34 1.34-6.67 38.66\""))) << svg.toStdString();
}

namespace {

struct RoundTripCase {
  const char* name;
  std::function<std::unique_ptr<DRElement>()> make;
};

std::vector<RoundTripCase> RoundTripCases() {
  const Kolor fill = MakeKolor(200, 40, 40, 60);
  const Kolor pen = MakeKolor(20, 20, 160);
  const std::vector<CSPoint> zigzag{CSPoint{0, 0}, CSPoint{Pt(40), Pt(10)}, CSPoint{Pt(20), Pt(50)},
                                    CSPoint{Pt(60), Pt(60)}};
  return {
      {"rect", [=] { return Shape<DRElementRectangle>(PtRect(10, 20, 80, 40), fill); }},
      {"rect_stroked", [=] { return Shape<DRElementRectangle>(PtRect(10, 20, 80, 40), fill, Stroke(0.75, pen)); }},
      {"round_rect",
       [=] {
         auto r = Shape<DRElementRoundRect>(PtRect(30, 10, 60, 40), fill, Stroke(0.75, pen));
         r->setCornerRadius(Pt(8));
         return r;
       }},
      {"round_rect_rotated",
       [=] {
         auto r = Shape<DRElementRoundRect>(PtRect(30, 10, 60, 40), MakeKolor(0, 90, 0));
         r->setCornerRadius(Pt(8));
         r->setRotation(20 * kMeasurePerPoint);
         return r;
       }},
      {"ellipse", [=] { return Shape<DRElementEllipse>(PtRect(12, 8, 70, 30), fill, Stroke(0.75, pen)); }},
      {"circle", [=] { return Shape<DRElementEllipse>(PtRect(12, 8, 50, 50), MakeKolor(0, 0, 255)); }},
      {"line",
       [=] {
         auto line = std::make_unique<DRElementLine>();
         line->setFrame(PtRect(10, 10, 60, 30));
         line->setStartPoint(CSPoint{0, 0});
         line->setEndPoint(CSPoint{Pt(60), Pt(30)});
         line->setArrow(std::nullopt);
         line->setLineInfo(Stroke(0.75, pen));
         return line;
       }},
      {"open_polygon", [=] { return Polygon(PtRect(5, 5, 60, 60), zigzag, false, false, g_nilKolor, Stroke(0.75, pen)); }},
      {"closed_polygon", [=] { return Polygon(PtRect(5, 5, 60, 60), zigzag, true, false, fill, std::nullopt); }},
      {"open_curves", [=] { return Polygon(PtRect(5, 5, 60, 60), zigzag, false, true, g_nilKolor, Stroke(0.75, pen)); }},
      {"closed_curves", [=] { return Polygon(PtRect(5, 5, 60, 60), zigzag, true, true, fill, Stroke(0.75, pen)); }},
      {"text", [=] { return Text(PtRect(10, 10, 120, 20), QStringLiteral("Hello there"), MakeKolor(0, 100, 0, 80)); }},
  };
}

class SvgRoundTrip : public ::testing::TestWithParam<size_t> {};

void ExpectFrameNear(const CSRect& actual, const CSRect& expected, bool checkHeight) {
  EXPECT_NEAR(double(actual.x), double(expected.x), kPixel);
  EXPECT_NEAR(double(actual.y), double(expected.y), kPixel);
  EXPECT_NEAR(double(actual.width), double(expected.width), kPixel);
  if (checkHeight) EXPECT_NEAR(double(actual.height), double(expected.height), kPixel);
}

// The element behind a plain square at (0, 0), which holds the reader's
// shift to the origin at nothing.
DRElementList AtOrigin(std::unique_ptr<DRElement> element) {
  DRElementList list;
  list.push_back(Shape<DRElementRectangle>(PtRect(0, 0, 1, 1), g_blackKolor));
  list.push_back(std::move(element));
  return list;
}

}  // namespace

TEST_P(SvgRoundTrip, TypesFramesAndColoursSurvive) {
  const RoundTripCase c = RoundTripCases()[GetParam()];
  ASSERT_TRUE(c.make);
  const DRElementList original = AtOrigin(c.make());
  const QString svg = Svg(original);
  QString reason;
  const std::optional<DRElementList> read = ReadSvgElements(svg.toUtf8(), &reason);
  ASSERT_TRUE(read) << reason.toStdString();
  ASSERT_EQ(read->size(), 2u) << svg.toStdString();
  const DRElement& before = *original[1];
  const DRElement& after = *read->at(1);
  EXPECT_EQ(after.elementType(), before.elementType()) << svg.toStdString();
  const bool text = before.elementType() == kElementText;
  // Frames relative to the square's: the reader keeps the margin the
  // writer leaves for lines and turned shapes.
  auto relative = [](const DRElementList& list) {
    CSRect frame = list[1]->frame();
    frame.x -= list[0]->frame().x;
    frame.y -= list[0]->frame().y;
    return frame;
  };
  ExpectFrameNear(relative(*read), relative(original), !text);
  EXPECT_EQ(after.rotation(), before.rotation());
  EXPECT_EQ(after.fillKolor(), before.fillKolor()) << svg.toStdString();
  const bool stroked = before.lineInfo() && IsVisibleKolor(before.lineInfo()->kolor());
  EXPECT_EQ(after.lineInfo() && IsVisibleKolor(after.lineInfo()->kolor()), stroked) << svg.toStdString();
  if (stroked) {
    EXPECT_EQ(after.lineInfo()->kolor(), before.lineInfo()->kolor());
    EXPECT_NEAR(double(after.lineInfo()->width()), double(before.lineInfo()->width()), 10);
  }
  if (text) {
    const auto& t0 = static_cast<const DRElementText&>(before);
    const auto& t1 = static_cast<const DRElementText&>(after);
    EXPECT_EQ(t1.text(), t0.text());
    EXPECT_EQ(t1.textInfo().textKolor(), t0.textInfo().textKolor());
  }
  if (const auto* p0 = dynamic_cast<const DRElementPolygon*>(&before)) {
    const auto* p1 = dynamic_cast<const DRElementPolygon*>(&after);
    ASSERT_TRUE(p1);
    EXPECT_EQ(p1->isClosed(), p0->isClosed());
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, SvgRoundTrip, ::testing::Range<size_t>(0, RoundTripCases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           return std::string(RoundTripCases()[info.param].name);
                         });

namespace {

// A tool's exit status and output, or nullopt when it is not installed.
std::optional<int> RunTool(const QString& tool, const QStringList& arguments, QString* output = nullptr) {
  const QString program = QStandardPaths::findExecutable(tool);
  if (program.isEmpty()) return std::nullopt;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  if (!process.waitForFinished(30000)) return -1;
  if (output) *output = QString::fromUtf8(process.readAll());
  return process.exitCode();
}

// The drawing the outside checks export: the shapes of the checks above
// but text, whose glyphs two renderers place differently.
void FillOutsideCheckDrawing(DRDrawing& drawing) {
  const std::vector<RoundTripCase> cases = RoundTripCases();
  double y = 0;
  for (const RoundTripCase& c : cases) {
    std::unique_ptr<DRElement> element = c.make();
    if (element->elementType() == kElementText) continue;
    CSRect frame = element->frame();
    frame.y += Pt(y);
    element->setFrame(frame);
    y += 80;
    drawing.elements().push_back(std::move(element));
  }
  auto circle = Shape<DRElementEllipse>(PtRect(100, 0, 72, 72), g_nilKolor, Stroke(2));
  drawing.elements().push_back(std::move(circle));
  DRLineInfo dashed = Stroke(1);
  dashed.setLineStyle(kLineStyleDash);
  auto line = std::make_unique<DRElementLine>();
  line->setFrame(PtRect(100, 100, 60, 0));
  line->setStartPoint(CSPoint{0, 0});
  line->setEndPoint(CSPoint{Pt(60), 0});
  line->setLineInfo(dashed);
  drawing.elements().push_back(std::move(line));
  auto rotated = Shape<DRElementRectangle>(PtRect(100, 140, 60, 30), MakeKolor(250, 160, 0));
  rotated->setRotation(30 * kMeasurePerPoint);
  drawing.elements().push_back(std::move(rotated));
  auto polygon = Polygon(PtRect(100, 220, 60, 60), {CSPoint{0, 0}, CSPoint{Pt(60), 0}, CSPoint{Pt(30), Pt(60)}}, true,
                         false, MakeKolor(0, 160, 160), std::nullopt);
  polygon->setRotation(45 * kMeasurePerPoint);
  drawing.elements().push_back(std::move(polygon));
}

// Where the written document's (0, 0) lies in the drawing: the elements'
// bounds, rounded down to whole points.
QPointF ExportOrigin(const DRElementList& elements) {
  double x = 1e9, y = 1e9;
  for (const auto& element : elements) {
    const CSRect bounds = element->bounds(true);
    x = std::min(x, std::floor(double(bounds.x) / kMeasurePerPoint));
    y = std::min(y, std::floor(double(bounds.y) / kMeasurePerPoint));
  }
  return QPointF(x, y);
}

// Averaged over 4 x 4 blocks: two renderers' antialiasing differs edge
// pixel by edge pixel, not in what the shapes cover.
QImage Blocks(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
      .scaled(image.width() / 4, image.height() / 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

TEST(SvgExportOutside, XmllintAcceptsAndRsvgRendersLikeUs) {
  QTemporaryDir folder;
  DRDrawing drawing;
  FillOutsideCheckDrawing(drawing);
  const QString path = folder.filePath(QStringLiteral("check.svg"));
  CSError error;
  ASSERT_TRUE(SaveSvgFile(drawing.elements(), CSRect{}, path, &error)) << error.reason().toStdString();
  // The files of the other checks go through xmllint as well.
  QStringList files{path};
  const std::vector<RoundTripCase> cases = RoundTripCases();
  for (size_t i = 0; i < cases.size(); ++i) {
    const QString file = folder.filePath(QStringLiteral("case%1.svg").arg(i));
    ASSERT_TRUE(SaveSvgFile(AtOrigin(cases[i].make()), CSRect{}, file, &error));
    files << file;
  }
  QString output;
  const std::optional<int> lint = RunTool(QStringLiteral("xmllint"), QStringList{QStringLiteral("--noout")} + files,
                                          &output);
  if (!lint) GTEST_SKIP() << "xmllint is not installed (libxml2-utils)";
  EXPECT_EQ(*lint, 0) << output.toStdString();

  const QString png = folder.filePath(QStringLiteral("check.png"));
  const std::optional<int> render = RunTool(
      QStringLiteral("rsvg-convert"),
      {QStringLiteral("-z"), QStringLiteral("0.75"), QStringLiteral("-b"), QStringLiteral("white"),
       QStringLiteral("-o"), png, path},
      &output);
  if (!render) GTEST_SKIP() << "rsvg-convert is not installed (librsvg2-bin)";
  ASSERT_EQ(*render, 0) << output.toStdString();
  const QImage theirs(png);
  ASSERT_FALSE(theirs.isNull());
  // Theirs at 72/96 of the pixel size, so one pixel is one of our points;
  // the area starts where the document's origin lies.
  const QRectF area(ExportOrigin(drawing.elements()), QSizeF(theirs.size()));
  const QImage ours = RenderDrawing(drawing, area, theirs.size(), DRPaintMode::Image, nullptr, nullptr, Qt::white);
  // The edges of thin strokes differ by up to an eighth of full scale over
  // a block; a missing, misplaced or miscoloured shape differs by far more.
  EXPECT_TRUE(ImagesMatch(Blocks(ours), Blocks(theirs), 40, QStringLiteral("svg_export_rsvg")));
}

TEST(SvgExport, FailedWriteLeavesTheOldFileAndNoTemporary) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("old.svg"));
  const QString missing = folder.filePath(QStringLiteral("new.svg"));
  WriteBytes(path, "old contents");
  const AtomicSwapFaultHook previous = SetAtomicSwapFaultHook([](AtomicSwapStep step) {
    return step == AtomicSwapStep::Replace || step == AtomicSwapStep::Exchange ? EIO : 0;
  });
  LogCapture log;
  CSError error;
  const bool replaced =
      SaveSvgFile(List(Shape<DRElementRectangle>(PtRect(0, 0, 10, 10), g_blackKolor)), CSRect{}, path, &error);
  CSError newError;
  const bool created =
      SaveSvgFile(List(Shape<DRElementRectangle>(PtRect(0, 0, 10, 10), g_blackKolor)), CSRect{}, missing, &newError);
  SetAtomicSwapFaultHook(previous);
  EXPECT_FALSE(replaced);
  EXPECT_NE(error, CSError());
  EXPECT_EQ(ReadBytes(path), QByteArray("old contents"));
  if (!created) EXPECT_NE(newError, CSError());
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
            created ? QStringList({QStringLiteral("new.svg"), QStringLiteral("old.svg")})
                    : QStringList({QStringLiteral("old.svg")}));
  // A folder that does not exist: nothing is written anywhere.
  CSError folderError;
  EXPECT_FALSE(SaveSvgFile(List(Shape<DRElementRectangle>(PtRect(0, 0, 10, 10), g_blackKolor)), CSRect{},
                           folder.filePath(QStringLiteral("none/x.svg")), &folderError));
  EXPECT_NE(folderError, CSError());
}

TEST(SvgExport, ServicesWriteAndReplaceTheFile) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("drawing.svg"));
  WriteBytes(path, "old contents");
  DRInterchangeServices services;
  CSError error;
  ASSERT_TRUE(services.saveSvgFile(List(Shape<DRElementRectangle>(PtRect(0, 0, 10, 10), g_blackKolor)), CSRect{},
                                   path, &error));
  EXPECT_TRUE(ReadBytes(path).startsWith("<svg xmlns="));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  const std::optional<DRElementList> read = services.loadElementsFromSvgFile(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->size(), 1u);
}
