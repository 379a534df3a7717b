#include <gtest/gtest.h>

#include <QFontMetricsF>

#include "interchange/EmfRecords.h"
#include "support/TextDrawing.h"
#include "testkit/EmfWriter.h"
#include "testkit/QStringPrinter.h"

namespace {

struct Report {
  int command = 0;
  int shapeKind = 0;
  QRectF bounds;
  EmfDrawState state;
  QString text;
  size_t pathElements = 0;
  bool hasImage = false;
};

void Record(int command, int shapeKind, const EmfObject& object, const EmfDrawState& state, void* context,
            const QRectF& bounds) {
  Report report{command, shapeKind, bounds, state, {}, 0, false};
  if (const auto* text = std::get_if<QString>(&object)) report.text = *text;
  if (const auto* path = std::get_if<const EmfPath*>(&object)) report.pathElements = (*path)->elementCount();
  if (std::get_if<const EmfImageRecord*>(&object)) report.hasImage = true;
  static_cast<std::vector<Report>*>(context)->push_back(report);
}

std::vector<Report> Walk(const QByteArray& data, bool* ok = nullptr, QString* error = nullptr) {
  std::vector<Report> reports;
  const bool walked =
      ImportEmf(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), &Record, &reports, error);
  if (ok) *ok = walked;
  return reports;
}

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr Kolor kRedKolor = MakeKolor(255, 0, 0);
constexpr Kolor kBlueKolor = MakeKolor(0, 0, 255);
constexpr Kolor kGreenKolor = MakeKolor(0, 255, 0);
const QList<QPoint> kTriangle = {{10, 10}, {60, 10}, {30, 50}};

}  // namespace

TEST(EmfRecords, RectangleReportsFillAndStrokeWithItsBox) {
  const auto reports = Walk(EmfWriter().rectangle(100, 100, 300, 200).finish());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].command, kEmfFillAndStroke);
  EXPECT_EQ(reports[0].shapeKind, kEmfShapeRectangle);
  EXPECT_EQ(reports[0].bounds, QRectF(100, 100, 200, 100));
  // The initial state: no brush, a black pen one point wide.
  EXPECT_EQ(reports[0].state.brushKolor, g_nilKolor);
  EXPECT_EQ(reports[0].state.penKolor, g_blackKolor);
  EXPECT_EQ(reports[0].state.penWidth, 1.0);
}

TEST(EmfRecords, PathBracketReportsOnlyAtTheClosingRecord) {
  const struct {
    uint32_t record;
    int command;
  } cases[] = {{EmfWriter::kFillPath, kEmfFill},
               {EmfWriter::kStrokePath, kEmfStroke},
               {EmfWriter::kStrokeAndFillPath, kEmfFillAndStroke}};
  for (const auto& c : cases) {
    EmfWriter writer;
    writer.record(EmfWriter::kBeginPath).poly(EmfWriter::kPolygon, kTriangle).record(EmfWriter::kEndPath);
    const size_t before = Walk(writer.finish()).size();
    const auto reports = Walk(writer.record(c.record).finish());
    EXPECT_EQ(before, 0u) << c.record;
    ASSERT_EQ(reports.size(), 1u) << c.record;
    EXPECT_EQ(reports[0].command, c.command);
    EXPECT_EQ(reports[0].shapeKind, kEmfShapePath);
    EXPECT_EQ(reports[0].bounds, QRectF(10, 10, 50, 40));
  }
}

TEST(EmfRecords, PolylineSixteenReportsLikePolyline) {
  const QList<QPoint> points = {{5, 5}, {40, 20}, {70, 5}};
  const auto wide = Walk(EmfWriter().poly(EmfWriter::kPolyline, points).finish());
  const auto narrow = Walk(EmfWriter().poly(EmfWriter::kPolyline16, points, true).finish());
  ASSERT_EQ(wide.size(), 1u);
  ASSERT_EQ(narrow.size(), 1u);
  EXPECT_EQ(wide[0].command, kEmfStroke);
  EXPECT_EQ(narrow[0].command, wide[0].command);
  EXPECT_EQ(narrow[0].bounds, wide[0].bounds);
  EXPECT_EQ(narrow[0].pathElements, wide[0].pathElements);
}

TEST(EmfRecords, StockObjectsAndCreatedObjects) {
  const auto reports = Walk(EmfWriter()
                                .selectObject(0x80000008)  // null pen
                                .selectObject(0x80000004)  // black brush
                                .rectangle(0, 0, 10, 10)
                                .createPen(1, 0, 3, kBlue)
                                .createBrush(2, 0, kGreen)
                                .selectObject(1)
                                .selectObject(2)
                                .rectangle(0, 0, 10, 10)
                                .deleteObject(1)  // the selected pen: back to the default
                                .rectangle(0, 0, 10, 10)
                                .finish());
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_FALSE(reports[0].state.strokes());
  EXPECT_EQ(reports[0].state.brushKolor, g_blackKolor);
  EXPECT_EQ(reports[1].state.penKolor, kBlueKolor);
  EXPECT_EQ(reports[1].state.penWidth, 3.0);
  EXPECT_EQ(reports[1].state.brushKolor, kGreenKolor);
  EXPECT_EQ(reports[2].state.penKolor, g_blackKolor);
  EXPECT_EQ(reports[2].state.penWidth, 1.0);
  EXPECT_EQ(reports[2].state.brushKolor, kGreenKolor);
}

TEST(EmfRecords, TextColourIsThePenColour) {
  const auto reports = Walk(EmfWriter().setTextColor(kRed).poly(EmfWriter::kPolyline, {{0, 0}, {50, 50}}).finish());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].state.penKolor, kRedKolor);
}

TEST(EmfRecords, RestoreRestoresOnlyTheLatestSave) {
  const auto reports = Walk(EmfWriter()
                                .setTextColor(kRed)
                                .saveDC()
                                .setTextColor(kGreen)
                                .saveDC()
                                .setTextColor(kBlue)
                                .restoreDC(-2)
                                .rectangle(0, 0, 10, 10)
                                .restoreDC(-1)
                                .rectangle(0, 0, 10, 10)
                                .restoreDC(-1)  // nothing saved: nothing changes
                                .rectangle(0, 0, 10, 10)
                                .finish());
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].state.penKolor, kGreenKolor);
  EXPECT_EQ(reports[1].state.penKolor, kRedKolor);
  EXPECT_EQ(reports[2].state.penKolor, kRedKolor);
}

TEST(EmfRecords, FontHeightsGiveHalfPointSizes) {
  const struct {
    int height;
    double size;
  } cases[] = {{-16, 12}, {2, 4}, {0, 12}, {16, 12}, {-100, 72.5}, {-2000000000, kEmfMaxFontSize}};
  for (const auto& c : cases) {
    const auto reports = Walk(EmfWriter()
                                  .createFont(1, c.height, QStringLiteral("Helvetica"))
                                  .selectObject(1)
                                  .extTextOutW(10, 10, QStringLiteral("Hi"))
                                  .finish());
    ASSERT_EQ(reports.size(), 1u) << c.height;
    ASSERT_TRUE(reports[0].state.font.has_value());
    EXPECT_DOUBLE_EQ(reports[0].state.font->pointSizeF(), c.size) << c.height;
  }
}

TEST(EmfRecords, TextAlignment) {
  const QString text = QStringLiteral("Hello");
  const auto plain = Walk(EmfWriter().extTextOutW(200, 100, text).finish());
  ASSERT_EQ(plain.size(), 1u);
  ASSERT_TRUE(plain[0].state.font.has_value());
  const QSizeF size = SizeOfTextInFont(text, *plain[0].state.font);
  const double ascent = QFontMetricsF(*plain[0].state.font, TextReferenceDevice()).ascent();
  // Top-aligned by default: the box hangs from the reference point.
  EXPECT_EQ(plain[0].text, text);
  EXPECT_EQ(plain[0].bounds, QRectF(200, 100, size.width(), size.height()));

  const struct {
    uint32_t align;
    QPointF origin;
  } cases[] = {{0x1E, QPointF(200 - size.width() / 2, 100 - ascent)},
               {2, QPointF(200 - size.width(), 100)},
               {0x18, QPointF(200, 100 - ascent)},
               {8, QPointF(200, 100 - size.height())}};
  for (const auto& c : cases) {
    const auto reports = Walk(EmfWriter().setTextAlign(c.align).extTextOutW(200, 100, text).finish());
    ASSERT_EQ(reports.size(), 1u) << c.align;
    EXPECT_NEAR(reports[0].bounds.x(), c.origin.x(), 1e-9) << c.align;
    EXPECT_NEAR(reports[0].bounds.y(), c.origin.y(), 1e-9) << c.align;
  }
}

TEST(EmfRecords, WalkEndsAtDamagedOrShortRecords) {
  // A record of size 4 cannot be stepped past: the walk ends there.
  bool ok = false;
  auto reports = Walk(
      EmfWriter().rectangle(0, 0, 10, 10).raw(EmfBody().u32(43).u32(4).data()).rectangle(0, 0, 10, 10).finish(), &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(reports.size(), 1u);

  // A first record claiming more than the data reports nothing.
  QByteArray data = EmfWriter().rectangle(0, 0, 10, 10).finish();
  data[4] = char(0xFF);
  data[5] = char(0xFF);
  reports = Walk(data, &ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(reports.empty());

  // Counts past their record: the record is skipped, the walk goes on.
  EmfBody polygon;
  polygon.rect(0, 0, 0, 0).u32(1000).i32(1).i32(1).i32(5).i32(5);
  EmfBody polyPolygon;
  polyPolygon.rect(0, 0, 0, 0).u32(2).u32(3).u32(3).u32(0x7FFFFFFF).i32(1).i32(1).i32(5).i32(5).i32(9).i32(1);
  EmfBody text;  // a string offset far past the record
  text.rect(0, 0, 0, 0).u32(1).f32(1).f32(1).i32(5).i32(5).u32(4).u32(0xFFFFFFF0).u32(0).rect(0, 0, 0, 0).u32(0);
  reports = Walk(EmfWriter()
                     .record(EmfWriter::kPolygon, polygon)
                     .record(EmfWriter::kPolyPolygon, polyPolygon)
                     .record(EmfWriter::kExtTextOutW, text)
                     .rectangle(0, 0, 10, 10)
                     .finish(),
                 &ok);
  EXPECT_TRUE(ok);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].shapeKind, kEmfShapeRectangle);
}

TEST(EmfRecords, NotAnEmf) {
  // A placeable WMF header.
  QByteArray wmf = EmfBody().u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(100).u16(100).u16(1440).u32(0).u16(0).data();
  wmf.append(QByteArray(200, '\0'));
  bool ok = true;
  QString error;
  const auto reports = Walk(wmf, &ok, &error);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, QStringLiteral("This does not appear to be an EMF image."));
  EXPECT_TRUE(reports.empty());
}

TEST(EmfRecords, HostileStateRecords) {
  EmfWriter writer;
  writer.setTextColor(kRed);
  for (int i = 0; i < 10001; ++i) writer.saveDC();
  writer.setTextColor(kBlue).restoreDC(-1).rectangle(0, 0, 10, 10);
  // Handles past the 16-bit table, a transform that is not finite, a
  // user dash style summing to nothing.
  writer.createPen(70000, 0, 9, kGreen).selectObject(70000);
  writer.setWorldTransform(std::numeric_limits<float>::infinity(), 0, 0, 1, 0, 0);
  writer.record(
      EmfWriter::kExtCreatePen,
      EmfBody().u32(3).u32(0).u32(0).u32(0).u32(0).u32(7).u32(4).u32(0).u32(kBlue).u32(0).u32(2).u32(0).u32(0));
  writer.selectObject(3).rectangle(0, 0, 10, 10);
  const auto reports = Walk(writer.finish());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].state.penKolor, kRedKolor);
  EXPECT_EQ(reports[1].bounds, QRectF(0, 0, 10, 10));
  EXPECT_EQ(reports[1].state.penKolor, kBlueKolor);
  EXPECT_EQ(reports[1].state.penWidth, 4.0);
  EXPECT_TRUE(reports[1].state.dashPattern.empty());
}

TEST(EmfRecords, ShapesAtOrBeforeTheOriginAreNotReported) {
  const auto reports = Walk(EmfWriter()
                                .rectangle(-20, -20, 0, 10)
                                .ellipse(-20, -20, 10, 0)
                                .setWorldTransform(1, 0, 0, 1, 100, 100)
                                .rectangle(-20, -20, 0, 10)
                                .finish());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].bounds, QRectF(80, 80, 20, 30));
}

TEST(EmfRecords, CodePage1252) {
  const uint8_t bytes[] = {'A', 0x80, 0x93, 0x94, 0x81, 0xE9};
  EXPECT_EQ(StringFromCodePage1252(bytes, sizeof bytes), QString::fromUtf8("A\u20AC\u201C\u201D\u0081\u00E9"));
}

TEST(EmfRecords, BitmapsReportTheirDestination) {
  const QByteArray header =
      EmfBody().u32(40).i32(2).i32(1).u16(1).u16(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).data();
  const QByteArray bits = QByteArray::fromHex("FF00000000FF0000");
  // A bitmap claiming 2^31 pixels reports nothing; a destination without a
  // size takes the bitmap's; a stretched one keeps the record's size.
  const QByteArray huge =
      EmfBody().u32(40).i32(65536).i32(32768).u16(1).u16(1).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).data();
  const auto reports = Walk(EmfWriter()
                                .stretchDIBits(5, 5, 100, 100, huge, QByteArray(1024, '\0'))
                                .stretchDIBits(5, 5, 0, -3, header, bits)
                                .stretchDIBits(5, 5, 40, 20, header, bits)
                                .finish());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].command, kEmfImage);
  EXPECT_TRUE(reports[0].hasImage);
  EXPECT_EQ(reports[0].bounds, QRectF(5, 5, 2, 1));
  EXPECT_EQ(reports[1].bounds, QRectF(5, 5, 40, 20));
}

TEST(EmfRecords, GradientFills) {
  auto vertex = [](EmfBody& body, int x, int y, uint16_t r, uint16_t g, uint16_t b) {
    body.i32(x).i32(y).u16(r).u16(g).u16(b).u16(0);
  };
  EmfBody rects;  // mode 0: a horizontal rectangle, and one of no area
  rects.rect(0, 0, 0, 0).u32(3).u32(2).u32(0);
  vertex(rects, 10, 10, 0xFFFF, 0, 0);
  vertex(rects, 50, 30, 0, 0, 0xFFFF);
  vertex(rects, 50, 60, 0, 0, 0xFFFF);
  rects.u32(0).u32(1).u32(1).u32(2);
  EmfBody triangles;  // mode 2: colours that differ, then an index past the vertices
  triangles.rect(0, 0, 0, 0).u32(3).u32(2).u32(2);
  vertex(triangles, 0, 0, 0xFFFF, 0, 0);
  vertex(triangles, 40, 0, 0, 0xFFFF, 0);
  vertex(triangles, 0, 40, 0, 0, 0xFFFF);
  triangles.u32(0).u32(1).u32(2).u32(0).u32(1).u32(3);
  const auto reports = Walk(EmfWriter()
                                .record(EmfWriter::kGradientFill, rects)
                                .record(EmfWriter::kGradientFill, triangles)
                                .rectangle(0, 0, 10, 10)
                                .finish());
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_EQ(reports[0].command, kEmfFill);
  EXPECT_EQ(reports[0].shapeKind, kEmfShapeRectangle);
  EXPECT_EQ(reports[0].bounds, QRectF(10, 10, 40, 20));
  ASSERT_TRUE(reports[0].state.brushGradient.has_value());
  EXPECT_EQ(reports[0].state.brushGradient->linearAngle(), 270 * 12700);
  EXPECT_EQ(reports[0].state.brushGradient->stops().front().kolor, MakeKolor(255, 0, 0));
  EXPECT_EQ(reports[0].state.brushGradient->stops().back().kolor, MakeKolor(0, 0, 255));
  EXPECT_EQ(reports[1].command, kEmfStroke);  // the rectangle of no area: a line
  EXPECT_EQ(reports[1].shapeKind, kEmfShapePath);
  EXPECT_EQ(reports[1].state.penKolor, MakeKolor(0, 0, 255));
  EXPECT_EQ(reports[2].command, kEmfFill);
  EXPECT_EQ(reports[2].shapeKind, kEmfShapePath);
  ASSERT_TRUE(reports[2].state.brushGradient.has_value());
  EXPECT_TRUE(reports[2].state.brushGradient->isRadial());
  // The state is restored after the record.
  EXPECT_FALSE(reports[3].state.brushGradient.has_value());
  EXPECT_EQ(reports[3].state.penKolor, g_blackKolor);
}

TEST(EmfRecords, FilledPathIsNotDrawnAgainByLaterLines) {
  const auto reports = Walk(EmfWriter()
                                .record(EmfWriter::kBeginPath)
                                .poly(EmfWriter::kPolygon, kTriangle)
                                .record(EmfWriter::kEndPath)
                                .record(EmfWriter::kFillPath)
                                .moveTo(80, 80)
                                .lineTo(90, 90)
                                .poly(6 /* POLYLINETO */, {{95, 80}})
                                .extTextOutW(10, 10, QString())  // no characters: nothing
                                .finish());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].command, kEmfFill);
  EXPECT_EQ(reports[1].command, kEmfStroke);
  EXPECT_EQ(reports[1].pathElements, 3u);  // the move, the line and the line to
  EXPECT_EQ(reports[1].bounds, QRectF(80, 80, 15, 10));
}
