#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "interchange/DRInterchangeServices.h"
#include "interchange/EmfImport.h"
#include "interchange/PdfPages.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DRPainting.h"
#include "support/CSAlertPresenter.h"
#include "support/TextDrawing.h"
#include "testkit/EmfWriter.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

constexpr MeasureUnit kPt = kMeasurePerPoint;

DRElementList Elements(const QByteArray& data) {
  QString error;
  std::optional<DRElementList> elements = ElementsFromEmfData(data, &error);
  EXPECT_TRUE(elements.has_value()) << error.toStdString();
  return elements ? std::move(*elements) : DRElementList();
}

std::vector<CSRecordingAlertPresenter::Alert> TakeAlerts() {
  CSRecordingAlertPresenter& presenter = CSRecordingAlertPresenter::shared();
  std::vector<CSRecordingAlertPresenter::Alert> alerts = presenter.alerts();
  presenter.clear();
  return alerts;
}

// The PDF rendered by the outside renderer at 72 dpi; null without it.
QImage RenderPdf(const QString& pdf, const QString& folder) {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  if (program.isEmpty()) return {};
  const QString stem = QDir(folder).filePath(QStringLiteral("page"));
  QProcess process;
  process.start(program, {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("72"),
                          QStringLiteral("-singlefile"), pdf, stem});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QImage(stem + QStringLiteral(".png"));
}

// A GRADIENTFILL triangle whose three vertices share one colour at the
// given 16-bit alpha: the one way a file gives a brush below full opacity.
EmfWriter& Triangle(EmfWriter& writer, QList<QPoint> corners, uint16_t red, uint16_t alpha) {
  EmfBody body;
  body.rect(0, 0, 0, 0).u32(3).u32(1).u32(2);
  for (const QPoint& p : corners) body.i32(p.x()).i32(p.y()).u16(red).u16(0).u16(0).u16(alpha);
  body.u32(0).u32(1).u32(2);
  return writer.record(EmfWriter::kGradientFill, body);
}

}  // namespace

TEST(EmfImport, RectangleBecomesOneRectangleElement) {
  const DRElementList elements = Elements(EmfWriter()
                                              .createPen(1, 0, 2, 0x000000)
                                              .createBrush(2, 0, 0x0000FF)
                                              .selectObject(1)
                                              .selectObject(2)
                                              .rectangle(100, 100, 300, 200)
                                              .finish());
  ASSERT_EQ(elements.size(), 1u);
  const auto* rect = dynamic_cast<const DRElementRectangle*>(elements[0].get());
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->frame(), (CSRect{0, 0, 200 * kPt, 100 * kPt}));
  ASSERT_TRUE(rect->lineInfo().has_value());
  EXPECT_EQ(rect->lineInfo()->width(), 2 * kPt);
  EXPECT_EQ(rect->lineInfo()->kolor(), g_blackKolor);
  EXPECT_EQ(rect->fillKolor(), MakeKolor(255, 0, 0));
}

TEST(EmfImport, ClosedSubpathsBecomePolygonsFramingTheirPoints) {
  const DRElementList elements = Elements(EmfWriter()
                                              .record(EmfWriter::kBeginPath)
                                              .poly(EmfWriter::kPolygon, {{10, 10}, {50, 10}, {50, 40}})
                                              .poly(EmfWriter::kPolygon, {{100, 60}, {160, 60}, {130, 90}, {100, 90}})
                                              .record(EmfWriter::kEndPath)
                                              .record(EmfWriter::kFillPath)
                                              .finish());
  ASSERT_EQ(elements.size(), 2u);
  const auto* first = dynamic_cast<const DRElementPolygon*>(elements[0].get());
  const auto* second = dynamic_cast<const DRElementPolygon*>(elements[1].get());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  // Moved so that the drawing starts at (0, 0).
  EXPECT_EQ(first->frame(), (CSRect{0, 0, 40 * kPt, 30 * kPt}));
  EXPECT_EQ(second->frame(), (CSRect{90 * kPt, 50 * kPt, 60 * kPt, 30 * kPt}));
  EXPECT_EQ(first->points().size(), 3u);
  EXPECT_EQ(second->points().size(), 4u);
  EXPECT_TRUE(first->isClosed());
  EXPECT_TRUE(second->isClosed());
  // A fill only: no line.
  EXPECT_EQ(first->lineInfo()->kolor(), g_nilKolor);
}

TEST(EmfImport, CurvedPathKeepsItsControls) {
  EmfBody bezier;
  bezier.rect(0, 0, 0, 0).u32(4).i32(10).i32(10).i32(20).i32(0).i32(40).i32(0).i32(50).i32(10);
  const DRElementList elements = Elements(EmfWriter().record(EmfWriter::kPolyBezier, bezier).finish());
  ASSERT_EQ(elements.size(), 1u);
  const auto* curve = dynamic_cast<const DRElementPolygon*>(elements[0].get());
  ASSERT_NE(curve, nullptr);
  EXPECT_TRUE(curve->curves());
  ASSERT_EQ(curve->points().size(), 2u);
  ASSERT_EQ(curve->controlPairs().size(), 2u);
  // Relative to the frame, whose box holds the controls.
  EXPECT_EQ(curve->frame(), (CSRect{0, 0, 40 * kPt, 10 * kPt}));
  EXPECT_EQ(curve->controlPairs()[0].out, (CSPoint{10 * kPt, 0}));
  EXPECT_EQ(curve->controlPairs()[1].in, (CSPoint{30 * kPt, 0}));
}

TEST(EmfImport, TextIsEightPointsWiderAndTwoTaller) {
  const QString string = QStringLiteral("Short");
  const DRElementList elements = Elements(EmfWriter()
                                              .createFont(1, -16, QStringLiteral("Helvetica"), 700)
                                              .selectObject(1)
                                              .setTextColor(0x0000FF)
                                              .extTextOutW(30, 40, string)
                                              .finish());
  ASSERT_EQ(elements.size(), 1u);
  const auto* text = dynamic_cast<const DRElementText*>(elements[0].get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), string);
  const DRTextInfo& info = text->textInfo();
  EXPECT_EQ(info.alignment(), kTextAlignLeft);
  EXPECT_EQ(info.isBold(), 0);
  EXPECT_EQ(info.isItalic(), 0);
  EXPECT_EQ(info.textKolor(), MakeKolor(255, 0, 0));
  EXPECT_DOUBLE_EQ(info.fontValue().pointSizeF(), 12);
  const QSizeF size = SizeOfTextInFont(string, info.fontValue());
  const CSRect box = ConvertViewRect(QRectF(QPointF(), size));
  EXPECT_EQ(text->frame().width, RoundMeasure(box.width, kPt) + 8 * kPt);
  EXPECT_EQ(text->frame().height, RoundMeasure(box.height, kPt) + 2 * kPt);
  EXPECT_EQ(text->frame().x, 0);
  EXPECT_EQ(text->frame().y, 0);
}

TEST(EmfImport, BitmapBecomesAPaintingElement) {
  // A 2 x 1 bitmap of 24 bits: blue, then red (stored blue, green, red).
  const QByteArray header =
      EmfBody().u32(40).i32(2).i32(1).u16(1).u16(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0).data();
  const QByteArray bits = QByteArray::fromHex("FF00000000FF0000");
  const DRElementList elements = Elements(EmfWriter().stretchDIBits(10, 10, 20, 10, header, bits).finish());
  ASSERT_EQ(elements.size(), 1u);
  const auto* bitmap = dynamic_cast<const DRElementBitmap*>(elements[0].get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->frame(), (CSRect{0, 0, 20 * kPt, 10 * kPt}));
}

TEST(EmfImport, DrawingNothingOpensEmptyAndDoesNotConvert) {
  const QByteArray data = EmfWriter().setTextColor(0xFF).saveDC().restoreDC(-1).finish();
  QString error = QStringLiteral("unchanged");
  const std::optional<DRElementList> elements = ElementsFromEmfData(data, &error);
  ASSERT_TRUE(elements.has_value());
  EXPECT_TRUE(elements->empty());
  EXPECT_TRUE(error.isEmpty());

  QString path;
  const CSImage image = CreateImageFromEmf(data, &path, &error);
  EXPECT_TRUE(image.isNull());
  EXPECT_TRUE(path.isEmpty());
  EXPECT_EQ(error, QStringLiteral("The EMF file has no usable image data."));
}

TEST(EmfImport, FilesThatCannotBeReadAlert) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString wmf = folder.filePath(QStringLiteral("old.emf"));
  WriteBytes(wmf, QByteArray::fromHex("D7CDC69A") + QByteArray(300, '\0'));
  const struct {
    QString path;
    QString reason;
  } cases[] = {{folder.filePath(QStringLiteral("missing.emf")), QStringLiteral("I can't read the EMF file.")},
               {wmf, QStringLiteral("This does not appear to be an EMF image.")}};
  DRInterchangeServices services;
  TakeAlerts();
  for (const auto& c : cases) {
    EXPECT_FALSE(services.loadElementsFromEmfFile(c.path).has_value());
    const auto alerts = TakeAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
    EXPECT_EQ(alerts[0].moreInfo,
              QStringLiteral("I can't import the file %1. %2").arg(QFileInfo(c.path).fileName(), c.reason));
  }
  // An EMF file opens through the services without an alert.
  const QString good = folder.filePath(QStringLiteral("good.emf"));
  WriteBytes(good, EmfWriter().rectangle(0, 0, 10, 10).finish());
  const std::optional<DRElementList> elements = services.loadElementsFromEmfFile(good);
  ASSERT_TRUE(elements.has_value());
  EXPECT_EQ(elements->size(), 1u);
  EXPECT_TRUE(TakeAlerts().empty());
}

TEST(EmfImport, PdfDrawsTranslucentFillsOpaque) {
  EmfWriter writer;
  Triangle(writer, {{0, 0}, {100, 0}, {0, 100}}, 0xFFFF, 0x8000);
  const QByteArray data = writer.finish();
  QString path;
  QString error;
  const CSImage image = DRInterchangeServices().createImageFromEmf(data, &path);
  ASSERT_FALSE(image.isNull());
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(path.endsWith(QStringLiteral(".pdf")));
  EXPECT_EQ(image.size(), QSizeF(100, 100));
  QTemporaryDir folder;
  const QImage page = RenderPdf(path, folder.path());
  if (page.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
  ASSERT_EQ(page.size(), QSize(100, 100));
  EXPECT_EQ(QColor(page.pixel(10, 10)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(page.pixel(90, 90)), QColor(255, 255, 255));
}

TEST(EmfImport, PdfPageWithNegativeOriginKeepsAllItsDrawing) {
  // A black-filled square from (-40, -40) to (40, 40), and a red one beyond.
  const QByteArray data = EmfWriter()
                              .selectObject(0x80000008)
                              .selectObject(0x80000004)
                              .rectangle(-40, -40, 40, 40)
                              .createBrush(1, 0, 0x0000FF)
                              .selectObject(1)
                              .rectangle(60, 60, 80, 80)
                              .finish();
  QString path;
  QString error;
  const CSImage image = CreateImageFromEmf(data, &path, &error);
  ASSERT_FALSE(image.isNull()) << error.toStdString();
  EXPECT_TRUE(error.isEmpty());
  // Without a pen a rectangle is reported one point smaller on each side.
  QTemporaryDir folder;
  const QImage page = RenderPdf(path, folder.path());
  if (page.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
  ASSERT_EQ(page.size(), QSize(118, 118));
  EXPECT_EQ(QColor(page.pixel(2, 2)), QColor(0, 0, 0));
  EXPECT_EQ(QColor(page.pixel(77, 77)), QColor(0, 0, 0));
  EXPECT_EQ(QColor(page.pixel(110, 110)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(page.pixel(90, 90)), QColor(255, 255, 255));
}

TEST(EmfImport, HugePageIsScaledToTheCap) {
  const QByteArray data = EmfWriter().rectangle(0, 0, 100000, 50000).finish();
  QString path;
  QString error;
  const CSImage image = CreateImageFromEmf(data, &path, &error);
  ASSERT_FALSE(image.isNull()) << error.toStdString();
  EXPECT_NEAR(image.size().width(), kMaxPdfPageSide, 1);
  EXPECT_NEAR(image.size().height(), kMaxPdfPageSide / 2, 1);
}

TEST(PdfPages, WritesOnePageOrNothing) {
  const QString path = NewTemporaryPdfPath();
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(path.endsWith(QStringLiteral(".pdf")));
  EXPECT_NE(NewTemporaryPdfPath(), path);
  bool drew = false;
  ASSERT_TRUE(WriteOnePagePdf(path, QSizeF(30, 20), [&drew](QPainter& painter) {
    drew = painter.isActive();
    painter.fillRect(QRectF(0, 0, 30, 20), Qt::red);
  }));
  EXPECT_TRUE(drew);
  EXPECT_EQ(CSImage::initWithContentsOfFile(path).size(), QSizeF(30, 20));

  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const QSizeF& size : {QSizeF(0, 10), QSizeF(10, -1), QSizeF(nan, 10), QSizeF(kMaxPdfPageSide + 1, 10)}) {
    const QString refused = NewTemporaryPdfPath();
    EXPECT_FALSE(WriteOnePagePdf(refused, size, [](QPainter&) {})) << size.width() << " x " << size.height();
    EXPECT_FALSE(QFile::exists(refused));
  }
  EXPECT_FALSE(WriteOnePagePdf(QStringLiteral("/nonexistent-folder/x.pdf"), QSizeF(10, 10), [](QPainter&) {}));
}
