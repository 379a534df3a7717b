#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DrawingPainter.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeModelServices.h"
#include "testkit/ImageCompare.h"
#include "ui/editor/DRPrintView.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;
const QColor kRedColor(255, 0, 0);
const QColor kBlueColor(0, 0, 255);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Paper in portrait points with one margin all round.
CSPrintInfo Paper(double width, double height, double margin, double scale = 1.0) {
  CSPrintInfo info;
  info.paperName.clear();
  info.paperSize = QSizeF(width, height);
  info.setAllMargins(margin);
  info.scale = scale;
  return info;
}

struct Box {
  QRectF rect;  // points
  Kolor kolor = kRed;
};

// The bounds of the pixels near `color`; empty when there are none.
QRect ColorBounds(const QImage& image, const QColor& color) {
  QRect found;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (ColorNear(image.pixel(x, y), color, 40)) found |= QRect(x, y, 1, 1);
  return found;
}

void ExpectNear(const QRect& actual, const QRectF& expected, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_FALSE(actual.isEmpty());
  EXPECT_NEAR(actual.left(), expected.left(), 1.0);
  EXPECT_NEAR(actual.top(), expected.top(), 1.0);
  EXPECT_NEAR(actual.right() + 1, expected.right(), 1.0);
  EXPECT_NEAR(actual.bottom() + 1, expected.bottom(), 1.0);
}

// A PDF read back: its pages as QPdfDocument sees them, rendered at one
// pixel per point over white.
struct PdfPages {
  int count = 0;
  std::vector<QSizeF> sizes;
  std::vector<QImage> images;
};

PdfPages ReadPdf(const QString& path) {
  PdfPages pages;
  QPdfDocument document;
  document.load(path);
  if (document.status() != QPdfDocument::Status::Ready) return pages;
  pages.count = document.pageCount();
  for (int i = 0; i < pages.count; ++i) {
    const QSizeF size = document.pagePointSize(i);
    pages.sizes.push_back(size);
    const QImage rendered = document.render(i, size.toSize());
    QImage page(size.toSize(), QImage::Format_ARGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, rendered);
    painter.end();
    pages.images.push_back(page);
  }
  return pages;
}

// pdfinfo's text for the file; null when the tool is not installed.
QString PdfInfo(const QString& path, int lastPage) {
  QProcess process;
  process.start(QStringLiteral("pdfinfo"), {QStringLiteral("-l"), QString::number(lastPage), path});
  if (!process.waitForStarted() || !process.waitForFinished()) return {};
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

class PrintViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    view.setDrawing(&drawing);
    view.setDrawView(&canvas);
  }

  DRElementRectangle* AddBox(const Box& box) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(ConvertViewRect(box.rect));
    rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
    rect->setFillKolor(box.kolor);
    rect->setLineInfo(std::nullopt);
    DRElementRectangle* raw = rect.get();
    drawing.elements().push_back(std::move(rect));
    return raw;
  }
  DRElementText* AddText(const QString& text, const QRectF& frame, bool ignored) {
    auto box = std::make_unique<DRElementText>();
    DRTextInfo info;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(24);
    info.setFont(font);
    box->setTextInfo(info);
    box->setFrame(ConvertViewRect(frame));
    box->setText(text);
    box->setIgnoreText(ignored);
    DRElementText* raw = box.get();
    drawing.elements().push_back(std::move(box));
    return raw;
  }
  void Layout(const std::vector<Box>& boxes, bool fit, bool center) {
    for (const Box& box : boxes) AddBox(box);
    drawing.setScaleToFit(fit);
    drawing.setCenterOnPage(center);
  }
  uint64_t Paginate(const CSPrintInfo& info) {
    DRPrintView::PageRange range;
    EXPECT_TRUE(view.knowsPageRange(info, &range));
    EXPECT_EQ(range.location, 1u);
    EXPECT_EQ(range.length, view.totalPages());
    return range.length;
  }
  // Prints to a PDF file at 300 dpi and answers its path.
  QString PrintToPdf(const CSPrintInfo& info, uint64_t* printed, const QString& name = QStringLiteral("out.pdf")) {
    const QString path = dir.filePath(name);
    QPdfWriter writer(path);
    writer.setResolution(300);
    *printed = view.print(&writer, info);
    return path;
  }

  SettingsScope settings;
  FakeModelServices services;
  QTemporaryDir dir;
  DRDrawing drawing;
  FakeCanvasHost canvas{&drawing};
  DRPrintView view;
};

// ---- Pagination ------------------------------------------------------------------

TEST_F(PrintViewTest, PagesTileAcrossThenDownAtThePrintScaleOrFitOnOne) {
  struct Row {
    const char* name;
    CSPrintInfo info;
    bool fit;
    std::vector<Box> boxes;
    double scale;
    uint64_t across;
    std::vector<QRectF> pages;
  };
  // 400 x 600 paper with 50-point margins: a 300 x 500 page; 600 x 800: 500 x 700.
  const std::vector<Row> rows = {
      {"one page", Paper(400, 600, 50), false, {{{10, 10, 100, 100}}}, 1.0, 1, {{0, 0, 300, 500}}},
      {"twice as wide",
       Paper(400, 600, 50),
       false,
       {{{0, 0, 600, 100}}},
       1.0,
       2,
       {{0, 0, 300, 500}, {300, 0, 300, 500}}},
      {"across then down",
       Paper(400, 600, 50),
       false,
       {{{0, 0, 590, 990}}},
       1.0,
       2,
       {{0, 0, 300, 500}, {300, 0, 300, 500}, {0, 500, 300, 500}, {300, 500, 300, 500}}},
      {"the blank above and left is printed",
       Paper(400, 600, 50),
       false,
       {{{250, 10, 100, 10}}},
       1.0,
       2,
       {{0, 0, 300, 500}, {300, 0, 300, 500}}},
      {"scale 2 halves the page",
       Paper(400, 600, 50, 2.0),
       false,
       {{{0, 0, 200, 100}}},
       2.0,
       2,
       {{0, 0, 150, 250}, {150, 0, 150, 250}}},
      {"scale 0 is full size", Paper(400, 600, 50, 0.0), false, {{{0, 0, 290, 100}}}, 1.0, 1, {{0, 0, 300, 500}}},
      {"negative scale is full size",
       Paper(400, 600, 50, -3.0),
       false,
       {{{0, 0, 290, 100}}},
       1.0,
       1,
       {{0, 0, 300, 500}}},
      {"missing scale is full size",
       Paper(400, 600, 50, kNaN),
       false,
       {{{0, 0, 290, 100}}},
       1.0,
       1,
       {{0, 0, 300, 500}}},
      {"fit 1000 on 500", Paper(600, 800, 50), true, {{{0, 0, 1000, 400}}}, 0.5, 1, {{0, 0, 1000, 1400}}},
      {"fit ignores the print scale",
       Paper(600, 800, 50, 3.0),
       true,
       {{{0, 0, 1000, 400}}},
       0.5,
       1,
       {{0, 0, 1000, 1400}}},
      {"fit of a small drawing is full size",
       Paper(600, 800, 50),
       true,
       {{{20, 30, 100, 100}}},
       1.0,
       1,
       {{0, 0, 500, 700}}},
      // A fitted page laid from 0 would miss content that lies further out.
      {"fit of a drawing far out", Paper(600, 800, 50), true, {{{2000, 10, 100, 100}}}, 1.0, 1, {{2000, 0, 500, 700}}},
      {"fit of a large drawing not at 0",
       Paper(600, 800, 50),
       true,
       {{{300, 0, 1000, 400}}},
       0.5,
       1,
       {{300, 0, 1000, 1400}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    Layout(row.boxes, row.fit, false);
    ASSERT_EQ(Paginate(row.info), row.pages.size());
    EXPECT_DOUBLE_EQ(view.pageScale(), row.scale);
    EXPECT_EQ(view.pagesAcross(), row.across);
    for (size_t i = 0; i < row.pages.size(); ++i) EXPECT_EQ(view.rectForPage(i + 1), row.pages[i]) << "page " << i + 1;
    EXPECT_TRUE(view.rectForPage(0).isEmpty());
    EXPECT_TRUE(view.rectForPage(row.pages.size() + 1).isEmpty());
    EXPECT_EQ(view.frame().size(), view.bounds().size() * row.scale);
  }
}

TEST_F(PrintViewTest, NothingToPrintOrNoRoomGivesNoPages) {
  struct Row {
    const char* name;
    CSPrintInfo info;
    std::vector<Box> boxes;
    bool fit;
  };
  const std::vector<Row> rows = {
      {"empty drawing", Paper(400, 600, 50), {}, false},
      {"empty drawing fitted", Paper(400, 600, 50), {}, true},
      {"margins fill the paper", Paper(400, 600, 200), {{{0, 0, 100, 100}}}, false},
      {"margins fill the paper, fitted", Paper(400, 600, 200), {{{0, 0, 100, 100}}}, true},
      {"no paper", Paper(0, 0, 0), {{{0, 0, 100, 100}}}, false},
      {"content only above and left of the page origin", Paper(400, 600, 50), {{{-2000, -3000, 100, 100}}}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    Layout(row.boxes, row.fit, true);
    EXPECT_EQ(Paginate(row.info), 0u);
    EXPECT_TRUE(view.rectForPage(1).isEmpty());
    uint64_t printed = 99;
    const QString path = PrintToPdf(row.info, &printed);
    EXPECT_EQ(printed, 0u);
    EXPECT_FALSE(QFile::exists(path) && QFile(path).size() > 0);
  }

  // Without a canvas to measure the drawing there is nothing either.
  AddBox({{0, 0, 100, 100}});
  view.setDrawView(nullptr);
  EXPECT_EQ(Paginate(Paper(400, 600, 50)), 0u);
}

TEST_F(PrintViewTest, AbsurdPageCountsAreCapped) {
  // A million points square on pages of 3 x 5 points (scale 100).
  Layout({{{0, 0, 1e6, 1e6}}}, false, false);
  EXPECT_EQ(Paginate(Paper(400, 600, 50, 100.0)), DRPrintView::kMaxPrintPages);
  EXPECT_EQ(view.pagesAcross(), DRPrintView::kMaxPrintPages);
  EXPECT_EQ(view.rectForPage(DRPrintView::kMaxPrintPages), QRectF((DRPrintView::kMaxPrintPages - 1) * 3.0, 0, 3, 5));

  // Across fits, so the cap cuts off rows.
  drawing.elements().clear();
  Layout({{{0, 0, 5, 1e6}}}, false, false);
  EXPECT_EQ(Paginate(Paper(400, 600, 50, 100.0)), DRPrintView::kMaxPrintPages);
  EXPECT_EQ(view.pagesAcross(), 2u);
  EXPECT_EQ(view.rectForPage(DRPrintView::kMaxPrintPages),
            QRectF(3, (DRPrintView::kMaxPrintPages / 2 - 1) * 5.0, 3, 5));
}

TEST_F(PrintViewTest, ACentredOnePageDrawingIsOffsetToTheMiddleRoundedDown) {
  struct Row {
    const char* name;
    CSPrintInfo info;
    bool fit;
    std::vector<Box> boxes;
    QPointF offset;
    QRectF page;
    QRectF bounds;
  };
  const std::vector<Row> rows = {
      // Page 300 x 500: (300 - 101) / 2 = 99.5 and (500 - 50) / 2 = 225.
      {"at the print scale",
       Paper(400, 600, 50),
       false,
       {{{10, 20, 101, 50}}},
       {99, 225},
       {10, 20, 300, 500},
       {10, 20, 200, 275}},
      {"fitted at full size",
       Paper(400, 600, 50),
       true,
       {{{10, 20, 101, 50}}},
       {99, 225},
       {10, 20, 300, 500},
       {10, 20, 200, 275}},
      // Page 1000 x 1400 at 0.5: (1400 - 401) / 2 = 499.5; moved into the page
      // rectangle, whose origin is at the margins.
      {"fitted smaller",
       Paper(600, 800, 50),
       true,
       {{{40, 30, 1000, 401}}},
       {10, 519},
       {50, 50, 1000, 1400},
       {50, 50, 1000, 1400}},
      {"two pages are not centred",
       Paper(400, 600, 50),
       false,
       {{{0, 0, 500, 50}}},
       {0, 0},
       {0, 0, 300, 500},
       {0, 0, 500, 50}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    Layout(row.boxes, row.fit, true);
    Paginate(row.info);
    EXPECT_EQ(view.drawOffset(), row.offset);
    EXPECT_EQ(view.rectForPage(1), row.page);
    EXPECT_EQ(view.bounds(), row.bounds);
  }
}

TEST(PrintablePageSize, IsThePaperLessMarginsOverTheScale) {
  struct Row {
    const char* name;
    CSPrintInfo info;
    QSizeF size;
  };
  CSPrintInfo landscape = Paper(400, 600, 50, 2.0);
  landscape.orientation = CSPrintInfo::Landscape;
  CSPrintInfo uneven = Paper(400, 600, 0, 0.5);
  uneven.leftMargin = 10;
  uneven.rightMargin = 30;
  uneven.topMargin = 5;
  uneven.bottomMargin = 45;
  const std::vector<Row> rows = {
      {"full size", Paper(400, 600, 50), {300, 500}},
      {"scaled", Paper(400, 600, 50, 4.0), {75, 125}},
      {"landscape", landscape, {250, 150}},
      {"uneven margins", uneven, {720, 1100}},
      {"scale 0", Paper(400, 600, 50, 0.0), {300, 500}},
      {"negative scale", Paper(400, 600, 50, -2.0), {300, 500}},
      {"missing scale", Paper(400, 600, 50, kNaN), {300, 500}},
      {"infinite scale", Paper(400, 600, 50, std::numeric_limits<double>::infinity()), {300, 500}},
      {"no room", Paper(400, 600, 300), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PrintablePageSize(row.info), row.size);
  }
}

TEST_F(PrintViewTest, PageBreakSizeIsThePrintedPageSize) {
  // The canvas's page breaks fall where tiled pages do, at every scale.
  Layout({{{0, 0, 2000, 2000}}}, false, false);
  for (const double scale : {1.0, 0.75, 1.3, 2.0, 0.0}) {
    SCOPED_TRACE(scale);
    const CSPrintInfo info = Paper(612, 792, 36.5, scale);
    Paginate(info);
    EXPECT_EQ(view.rectForPage(1).size(), PrintablePageSize(info));
    EXPECT_EQ(view.rectForPage(2).topLeft(), QPointF(PrintablePageSize(info).width(), 0));
  }
}

// ---- Printed pages ---------------------------------------------------------------

TEST_F(PrintViewTest, PrintedPagesShowTheirPartOfTheDrawingInsideTheMargins) {
  struct Ink {
    int page;
    QColor color;
    QRectF at;  // points on the sheet; empty: none of that colour
  };
  struct Row {
    const char* name;
    CSPrintInfo info;
    bool fit;
    bool center;
    std::vector<Box> boxes;
    QSizeF sheet;
    int pages;
    std::vector<Ink> inks;
  };
  CSPrintInfo landscape = Paper(400, 600, 50);
  landscape.orientation = CSPrintInfo::Landscape;
  const std::vector<Row> rows = {
      {"one page",
       Paper(400, 600, 50),
       false,
       false,
       {{{10, 20, 100, 50}}},
       {400, 600},
       1,
       {{0, kRedColor, {60, 70, 100, 50}}}},
      {"two pages left to right",
       Paper(400, 600, 50),
       false,
       false,
       {{{0, 0, 100, 100}, kRed}, {{400, 0, 100, 100}, kBlue}},
       {400, 600},
       2,
       {{0, kRedColor, {50, 50, 100, 100}},
        {0, kBlueColor, {}},
        {1, kBlueColor, {150, 50, 100, 100}},
        {1, kRedColor, {}}}},
      {"a page's neighbours stay off its margins",
       Paper(400, 600, 50),
       false,
       false,
       {{{200, 0, 200, 100}, kRed}},
       {400, 600},
       2,
       {{0, kRedColor, {250, 50, 100, 100}}, {1, kRedColor, {50, 50, 100, 100}}}},
      {"scale 2",
       Paper(400, 600, 50, 2.0),
       false,
       false,
       {{{10, 20, 100, 50}}},
       {400, 600},
       1,
       {{0, kRedColor, {70, 90, 200, 100}}}},
      {"fit 1000 on 500",
       Paper(600, 800, 50),
       true,
       false,
       {{{0, 0, 1000, 400}}},
       {600, 800},
       1,
       {{0, kRedColor, {50, 50, 500, 200}}}},
      {"centred",
       Paper(400, 600, 50),
       false,
       true,
       {{{10, 20, 101, 50}}},
       {400, 600},
       1,
       {{0, kRedColor, {149, 275, 101, 50}}}},
      {"centred and fitted at 0.5",
       Paper(600, 800, 50),
       true,
       true,
       {{{40, 30, 1000, 401}}},
       {600, 800},
       1,
       {{0, kRedColor, {50, 299.5, 500, 200.5}}}},
      {"landscape", landscape, false, false, {{{0, 0, 450, 100}}}, {600, 400}, 1, {{0, kRedColor, {50, 50, 450, 100}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    Layout(row.boxes, row.fit, row.center);
    uint64_t printed = 0;
    const QString path = PrintToPdf(row.info, &printed, QStringLiteral("%1.pdf").arg(row.name));
    EXPECT_EQ(printed, uint64_t(row.pages));
    const PdfPages pdf = ReadPdf(path);
    ASSERT_EQ(pdf.count, row.pages);
    for (const QSizeF& size : pdf.sizes) {
      EXPECT_NEAR(size.width(), row.sheet.width(), 0.5);
      EXPECT_NEAR(size.height(), row.sheet.height(), 0.5);
    }
    for (const Ink& ink : row.inks) {
      const QRect found = ColorBounds(pdf.images[ink.page], ink.color);
      const std::string what = "page " + std::to_string(ink.page + 1) + " " + ink.color.name().toStdString();
      if (ink.at.isEmpty())
        EXPECT_TRUE(found.isEmpty()) << what;
      else
        ExpectNear(found, ink.at, what);
    }

    const QString info = PdfInfo(path, row.pages);
    if (info.isNull()) continue;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(row.pages))))
        << info.toStdString();
    const QString size = QStringLiteral("%1 x %2 pts").arg(row.sheet.width()).arg(row.sheet.height());
    EXPECT_EQ(info.count(size), row.pages) << info.toStdString();
  }
}

TEST_F(PrintViewTest, APrinterPrintsOnThePageSetUpWhateverItHadBefore) {
  AddBox({{10, 20, 100, 50}});
  const CSPrintInfo info = Paper(400, 600, 50);
  for (const bool fullPage : {false, true}) {
    SCOPED_TRACE(fullPage);
    const QString path = dir.filePath(fullPage ? QStringLiteral("full.pdf") : QStringLiteral("inside.pdf"));
    {
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(path);
      printer.setPageSize(QPageSize(QPageSize::A4));
      printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Point);
      printer.setFullPage(fullPage);
      EXPECT_EQ(view.print(&printer, info), 1u);
    }
    const PdfPages pdf = ReadPdf(path);
    ASSERT_EQ(pdf.count, 1);
    EXPECT_NEAR(pdf.sizes[0].width(), 400, 0.5);
    EXPECT_NEAR(pdf.sizes[0].height(), 600, 0.5);
    ExpectNear(ColorBounds(pdf.images[0], kRedColor), QRectF(60, 70, 100, 50), "red");
  }
}

TEST_F(PrintViewTest, PaperShowsNoCasingsAndNoIgnoredTexts) {
  DRElementRectangle* box = AddBox({{20, 20, 100, 60}});
  DRElementText* shown = AddText(QStringLiteral("Shown"), QRectF(20, 120, 200, 40), false);
  DRElementText* hidden = AddText(QStringLiteral("Hidden"), QRectF(20, 200, 200, 40), true);
  canvas.selected = {box, shown, hidden};
  const QRectF hiddenArea = ConvertMeasureRect(hidden->frame());

  // The same drawing on the canvas shows casings around the selection and
  // the hidden text, so their absence on paper is the print view's doing.
  const QImage screen = Render(
      QSize(300, 300), [&] { PaintDrawing(drawing, QRectF(0, 0, 300, 300), DRPaintMode::Screen, &canvas, &canvas); });
  EXPECT_GT(InkCount(screen, QRect(0, 0, 300, 18)), 0);  // dots above the box
  EXPECT_GT(InkCount(screen, hiddenArea.toAlignedRect().adjusted(2, 2, -2, -2)), 0);

  // Sheet 300 x 300 with no margins: one point per pixel, as on the canvas.
  uint64_t printed = 0;
  const QString path = PrintToPdf(Paper(300, 300, 0), &printed);
  ASSERT_EQ(printed, 1u);
  const PdfPages pdf = ReadPdf(path);
  ASSERT_EQ(pdf.count, 1);
  const QImage& page = pdf.images[0];
  ExpectNear(InkBounds(page, QRect(0, 0, 300, 110)), QRectF(20, 20, 100, 60), "box without casing");
  EXPECT_GT(InkCount(page, QRect(20, 120, 200, 40)), 0);  // the shown text
  EXPECT_EQ(InkCount(page, QRect(0, 165, 300, 135)), 0);  // nothing of the hidden one
  // Printing leaves the text in the drawing.
  EXPECT_EQ(drawing.elements().size(), 3u);
  EXPECT_TRUE(hidden->ignoreText());
}

}  // namespace
