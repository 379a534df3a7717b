#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPdfDocument>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementGroup.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DrawingPainter.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeDocumentHost.h"
#include "model/FakeModelServices.h"
#include "model/GraphicHelpers.h"
#include "platform/HeifCodec.h"
#include "platform/NotificationCenter.h"
#include "support/CSAlertPresenter.h"
#include "testkit/ImageCompare.h"
#include "testkit/TestFiles.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;

std::unique_ptr<DRElementRectangle> FilledRect(const QRectF& points, Kolor fill) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(ConvertViewRect(points));
  rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
  rect->setFillKolor(fill);
  rect->setLineInfo(std::nullopt);
  return rect;
}

// A picture whose every pixel differs from its neighbours, so that any
// scaling or shift shows.
QImage PatternImage(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgba(x * 37 % 256, y * 53 % 256, (x + y) * 29 % 256, 255));
  return image;
}

std::shared_ptr<DRPainting> PatternPainting(int width, int height) {
  return DRPainting::paintingFromImage(CSImage::initWithCGImage(PatternImage(width, height), QSizeF(0, 0)));
}

std::unique_ptr<DRElementBitmap> BitmapOf(const std::shared_ptr<DRPainting>& painting) {
  return std::make_unique<DRElementBitmap>(painting);
}

std::unique_ptr<DRElementGroup> GroupOf(std::unique_ptr<DRElement> element) {
  DRElementList members;
  members.push_back(std::move(element));
  return std::make_unique<DRElementGroup>(std::move(members));
}

QImage ReadImage(const QString& path) {
  QImageReader reader(path);
  return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// An element that counts its drawing, for the painter's skip rules.
class CountingElement : public TestElement {
 public:
  explicit CountingElement(int32_t type = kElementRectangle) : TestElement(type) {}
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override {
    ++draws;
    TestElement::drawInRect(rect, view);
  }
  bool alwaysRedraw() const override { return always; }
  int draws = 0;
  bool always = false;
};

class CountingText : public DRElementText {
 public:
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override {
    ++draws;
    (void)rect, (void)view;
  }
  int draws = 0;
};

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    drawing = std::make_unique<DRDrawing>();
    canvas.drawing = drawing.get();
    drawing->setDocumentHost(&host);
  }

  QString PathOf(const QString& name) const { return dir.filePath(name); }

  template <typename T>
  T* Add(std::unique_ptr<T> element) {
    T* raw = element.get();
    drawing->elements().push_back(std::move(element));
    return raw;
  }

  SettingsScope settings;
  FakeModelServices services;
  QTemporaryDir dir;
  FakeCanvasHost canvas;
  FakeDocumentHost host{&canvas};
  std::unique_ptr<DRDrawing> drawing;
};

// ---- Life ------------------------------------------------------------------------

TEST_F(DrawingTest, NewDrawingTakesSharedPrintInfoWithHalfInchMarginsAndTheClock) {
  services.now = 4321.5;
  DRDrawing fresh;
  CSPrintInfo expected = CSPrintInfo::sharedPrintInfo();
  expected.setAllMargins(36);
  EXPECT_EQ(fresh.printInfo(), expected);
  EXPECT_EQ(fresh.autosaveTime(), 4321.5);
  EXPECT_EQ(fresh.lastEditTime(), 4321.5);
  EXPECT_FALSE(fresh.guid().isEmpty());
  EXPECT_NE(fresh.guid(), drawing->guid());
  EXPECT_EQ(fresh.saveCompression(), -1.0);
  EXPECT_EQ(fresh.backgroundOpacity(), 1.0);
  EXPECT_TRUE(fresh.createPreview());
}

TEST_F(DrawingTest, NormalizeWithQuitPostsSavingWithTheWindow) {
  std::vector<void*> savingObjects;
  NotificationCenter::defaultCenter().addObserver(this, g_savingNotification, nullptr,
                                                  [&](const CSNotification& n) { savingObjects.push_back(n.object); });
  NotificationCenter::defaultCenter().post(g_normalizeNotification, nullptr, {{QStringLiteral("quit"), false}});
  EXPECT_TRUE(savingObjects.empty());
  NotificationCenter::defaultCenter().post(g_normalizeNotification, nullptr, {{QStringLiteral("quit"), true}});
  ASSERT_EQ(savingObjects.size(), 1u);
  EXPECT_EQ(savingObjects[0], host.windowObject);
  NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(DrawingTest, CloseStopsObservingAndForgetsTheWindowAndIsPostedOnce) {
  int closings = 0;
  int savings = 0;
  void* closed = nullptr;
  NotificationCenter::defaultCenter().addObserver(this, g_closingNotification, nullptr, [&](const CSNotification& n) {
    ++closings;
    closed = n.object;
  });
  NotificationCenter::defaultCenter().addObserver(this, g_savingNotification, nullptr,
                                                  [&](const CSNotification&) { ++savings; });
  DRDrawing* raw = drawing.get();
  drawing->prepareToClose();
  EXPECT_EQ(closings, 1);
  EXPECT_EQ(closed, raw);
  EXPECT_EQ(drawing->documentHost(), nullptr);
  EXPECT_EQ(drawing->windowController(), nullptr);
  NotificationCenter::defaultCenter().post(g_normalizeNotification, nullptr, {{QStringLiteral("quit"), true}});
  EXPECT_EQ(savings, 0);
  drawing.reset();
  EXPECT_EQ(closings, 1);

  // A drawing freed without being closed is closed on the way out.
  auto other = std::make_unique<DRDrawing>();
  other.reset();
  EXPECT_EQ(closings, 2);
  NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(DrawingTest, DirtyAndBackupsFollowTheirSources) {
  EXPECT_FALSE(drawing->isDirty());
  drawing->setPaintingDirty(true);
  EXPECT_TRUE(drawing->isDirty());
  drawing->setPaintingDirty(false);
  drawing->setDirty(true);
  EXPECT_TRUE(drawing->isDirty());

  services.keepBackupsPreference = false;
  EXPECT_FALSE(drawing->makeBackups());
  services.keepBackupsPreference = true;
  EXPECT_TRUE(drawing->makeBackups());
}

// ---- Content ---------------------------------------------------------------------

TEST_F(DrawingTest, EmptyDrawingHasZeroFrameAndFrameIsUnionOfTopLevelFrames) {
  EXPECT_EQ(drawing->frame(), CSRect{});
  Add(FilledRect(QRectF(10, 20, 30, 40), kRed));
  Add(FilledRect(QRectF(100, 5, 10, 10), kBlue));
  EXPECT_EQ(drawing->frame(), ConvertViewRect(QRectF(10, 5, 100, 55)));
}

TEST_F(DrawingTest, PaintingForGuidSearchesNestedGroupsAndPrefersNewPaintings) {
  auto deep = PatternPainting(4, 3);
  ASSERT_TRUE(deep);
  Add(FilledRect(QRectF(0, 0, 5, 5), kRed));
  Add(GroupOf(GroupOf(BitmapOf(deep))));
  Add(FilledRect(QRectF(0, 0, 5, 5), kBlue));

  EXPECT_EQ(drawing->paintingForGuid(deep->guid()), deep);
  EXPECT_EQ(drawing->paintingForGuid(QStringLiteral("no such guid")), nullptr);

  auto waiting = deep->copy();
  drawing->newPaintings().insert(deep->guid(), waiting);
  EXPECT_EQ(drawing->paintingForGuid(deep->guid()), waiting);
}

TEST_F(DrawingTest, PaintingInElementsTakesTheFrontmostOfTwoWithOneGuid) {
  auto back = PatternPainting(2, 2);
  auto front = back->copy();  // same GUID
  DRElementList elements;
  elements.push_back(BitmapOf(back));
  elements.push_back(GroupOf(BitmapOf(front)));
  EXPECT_EQ(DRDrawing::paintingInElements(elements, back->guid()), front);
}

// ---- Painting --------------------------------------------------------------------

struct PaintCounts {
  CountingElement* inside;
  CountingElement* outside;
  CountingElement* always;
  CountingElement* typing;
  CountingText* ignored;
};

class PaintTest : public DrawingTest {
 protected:
  PaintCounts Populate() {
    PaintCounts counts{};
    auto make = [&](QRectF frame) {
      auto element = std::make_unique<CountingElement>();
      element->setFrame(ConvertViewRect(frame));
      return Add(std::move(element));
    };
    counts.inside = make(QRectF(10, 10, 20, 20));
    counts.outside = make(QRectF(500, 500, 20, 20));
    counts.always = make(QRectF(600, 600, 20, 20));
    counts.always->always = true;
    counts.typing = make(QRectF(12, 12, 5, 5));
    auto text = std::make_unique<CountingText>();
    text->setFrame(ConvertViewRect(QRectF(15, 15, 10, 10)));
    text->setIgnoreText(true);
    counts.ignored = Add(std::move(text));
    return counts;
  }

  void Paint(DRPaintMode mode, const QRectF& area) {
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    PaintDrawing(*drawing, area, mode, &canvas, &canvas);
  }
};

TEST_F(PaintTest, ScreenSkipsTypingAndCulledElementsButNotAlwaysRedrawn) {
  PaintCounts c = Populate();
  canvas.typing = c.typing;
  Paint(DRPaintMode::Screen, QRectF(0, 0, 100, 100));
  EXPECT_EQ(c.inside->draws, 1);
  EXPECT_EQ(c.outside->draws, 0);
  EXPECT_EQ(c.always->draws, 1);
  EXPECT_EQ(c.typing->draws, 0);
  EXPECT_EQ(c.ignored->draws, 1);  // hidden texts show on the screen
}

TEST_F(PaintTest, CullingCountsTheCasingMargin) {
  PaintCounts c = Populate();
  // 5 points right of the element's far edge: inside the casing margin.
  Paint(DRPaintMode::Screen, QRectF(35, 10, 5, 5));
  EXPECT_EQ(c.inside->draws, 1);
  Paint(DRPaintMode::Screen, QRectF(30 + kCullingMargin + 1, 10, 5, 5));
  EXPECT_EQ(c.inside->draws, 1);
}

TEST_F(PaintTest, ClipDrawsOnlySelectedElementsAndNoHiddenTexts) {
  PaintCounts c = Populate();
  canvas.selected = {c.outside, c.ignored, c.always};
  Paint(DRPaintMode::Clip, QRectF(0, 0, 1000, 1000));
  EXPECT_EQ(c.inside->draws, 0);
  EXPECT_EQ(c.outside->draws, 1);
  EXPECT_EQ(c.always->draws, 1);
  EXPECT_EQ(c.ignored->draws, 0);
}

TEST_F(PaintTest, PrintLeavesOutHiddenTextsAndTheElementBeingMade) {
  PaintCounts c = Populate();
  CountingElement making;
  making.setFrame(ConvertViewRect(QRectF(20, 20, 5, 5)));
  canvas.making = &making;
  canvas.typing = c.typing;
  Paint(DRPaintMode::Print, QRectF(0, 0, 100, 100));
  EXPECT_EQ(c.inside->draws, 1);
  EXPECT_EQ(c.typing->draws, 1);  // the print view has no typing
  EXPECT_EQ(c.ignored->draws, 0);
  EXPECT_EQ(c.always->draws, 0);  // printing culls by what reaches paper
  EXPECT_EQ(making.draws, 0);

  Paint(DRPaintMode::Screen, QRectF(0, 0, 100, 100));
  EXPECT_EQ(making.draws, 1);
}

TEST_F(PaintTest, BackgroundImageIsDrawnAtItsPlaceAndOpacity) {
  QImage blue(4, 4, QImage::Format_ARGB32);
  blue.fill(QColor(0, 0, 255));
  drawing->setBackgroundImage(CSImage::initWithCGImage(blue, QSizeF(0, 0)));
  drawing->setBackgroundLocation(ConvertViewRect(QRectF(10, 20, 30, 40)));
  drawing->setBackgroundOpacity(0.5);
  const QImage image = RenderImage(QSize(60, 70), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    PaintDrawing(*drawing, QRectF(0, 0, 60, 70), DRPaintMode::Screen, &canvas, &canvas);
  });
  EXPECT_EQ(InkBounds(image), QRect(10, 20, 30, 40));
  EXPECT_TRUE(ColorNear(image.pixel(25, 40), QColor(127, 127, 255), 3));
}

// ---- Rendering -------------------------------------------------------------------

TEST_F(DrawingTest, DrawingImageIsTrimmedOrFromTheOriginAndLeavesTheCanvasAsItWas) {
  Add(FilledRect(QRectF(10, 20, 30, 15), kRed));
  canvas.zoom = 2.0;
  canvas.origin = QPointF(40, 50);

  const CSImage trimmed = drawing->createDrawingImage(false);
  ASSERT_FALSE(trimmed.isNull());
  EXPECT_EQ(trimmed.size(), QSizeF(30, 15));

  const CSImage whole = drawing->createDrawingImage(true);
  ASSERT_FALSE(whole.isNull());
  EXPECT_EQ(whole.size(), QSizeF(40, 35));
  const QImage pixels = whole.renderedBitmap(QSize(40, 35));
  EXPECT_EQ(qAlpha(pixels.pixel(5, 5)), 0);
  EXPECT_TRUE(ColorNear(pixels.pixel(20, 25), QColor(255, 0, 0)));

  EXPECT_TRUE(canvas.zoomsSet.empty());
  EXPECT_TRUE(canvas.originsSet.empty());
  EXPECT_EQ(canvas.zoom, 2.0);
  EXPECT_EQ(canvas.suppressCasingsCalls, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(canvas.drawToImageCalls, (std::vector<bool>{true, false, true, false}));
}

TEST_F(DrawingTest, DrawingImageWhileCopyingShowsOnlyTheSelection) {
  Add(FilledRect(QRectF(0, 0, 10, 10), kBlue));
  auto* red = Add(FilledRect(QRectF(50, 50, 8, 6), kRed));
  canvas.toClip = true;
  canvas.selected = {red};
  const CSImage image = drawing->createDrawingImage(false);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSizeF(8, 6));
  EXPECT_TRUE(ColorNear(image.renderedBitmap(QSize(8, 6)).pixel(4, 3), QColor(255, 0, 0)));
}

TEST_F(DrawingTest, WhiteMarginsAreTrimmedFromTheImageOfTheDrawing) {
  constexpr Kolor kWhite = 0x64FFFFFF;
  const struct {
    const char* name;
    bool withRed;
    bool fromOrigin;
    QSizeF size;
  } cases[] = {
      // The white sheet around the red square is cut away.
      {"white around red", true, false, QSizeF(20, 15)},
      // From the origin the image keeps its place on the page.
      {"from the origin", true, true, QSizeF(110, 90)},
      // Nothing but white: there is nothing to trim to, the whole area stays.
      {"only white", false, false, QSizeF(100, 80)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    drawing->elements().clear();
    Add(FilledRect(QRectF(10, 10, 100, 80), kWhite));
    if (c.withRed) Add(FilledRect(QRectF(40, 30, 20, 15), kRed));
    const CSImage image = drawing->createDrawingImage(c.fromOrigin);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), c.size);
    const QImage pixels = image.renderedBitmap(c.size.toSize());
    if (c.withRed && !c.fromOrigin) {
      EXPECT_TRUE(ColorNear(pixels.pixel(0, 0), QColor(255, 0, 0)));
      EXPECT_TRUE(ColorNear(pixels.pixel(19, 14), QColor(255, 0, 0)));
    } else if (c.fromOrigin) {
      EXPECT_TRUE(ColorNear(pixels.pixel(15, 15), QColor(255, 255, 255)));
      EXPECT_TRUE(ColorNear(pixels.pixel(50, 37), QColor(255, 0, 0)));
    }
  }
}

TEST_F(DrawingTest, NoCanvasOrNoContentMakesNoImage) {
  EXPECT_TRUE(drawing->createDrawingImage(false).isNull());
  EXPECT_TRUE(drawing->pdfOfDrawing().isEmpty());
  Add(FilledRect(QRectF(0, 0, 10, 10), kBlue));
  drawing->setDocumentHost(nullptr);
  EXPECT_TRUE(drawing->createDrawingImage(true).isNull());
  EXPECT_TRUE(drawing->pdfOfDrawing().isEmpty());
}

TEST_F(DrawingTest, PdfOfDrawingIsOnePageOfTheDrawingsSize) {
  Add(FilledRect(QRectF(10, 20, 200, 100), kRed));
  const QByteArray pdf = drawing->pdfOfDrawing();
  ASSERT_FALSE(pdf.isEmpty());
  EXPECT_EQ(canvas.suppressCasingsCalls, (std::vector<bool>{true, false}));

  QBuffer buffer;
  buffer.setData(pdf);
  ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
  QPdfDocument document;
  document.load(&buffer);
  ASSERT_EQ(document.status(), QPdfDocument::Status::Ready);
  EXPECT_EQ(document.pageCount(), 1);
  const QSizeF page = document.pagePointSize(0);
  EXPECT_NEAR(page.width(), 200, 1);
  EXPECT_NEAR(page.height(), 100, 1);
  const QImage rendered = document.render(0, QSize(200, 100));
  EXPECT_TRUE(ColorNear(rendered.pixel(100, 50), QColor(255, 0, 0), 8));
}

TEST_F(DrawingTest, LargeRenderingsDrawWhatThePainterDrawsHere) {
  // Large enough to be rendered on a pool thread, with a text among shapes.
  for (int i = 0; i < 40; ++i) {
    Add(FilledRect(QRectF(5 + i * 9, 3 + i * 7, 30, 20), MakeKolor(i * 6, 255 - i * 6, 128, 60)));
  }
  auto text = std::make_unique<DRElementText>();
  text->setFrame(ConvertViewRect(QRectF(40, 200, 200, 40)));
  text->setText(QStringLiteral("Rendered off the screen"));
  Add(std::move(text));
  const QRectF area(0, 0, 400, 300);
  const QImage pooled = RenderDrawing(*drawing, area, QSize(400, 300), DRPaintMode::Image, &canvas, &canvas, Qt::white);
  const QImage here = RenderImage(QSize(400, 300), [&](QPainter& painter) {
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    GraphicsContextScope scope(&painter);
    PaintDrawing(*drawing, area, DRPaintMode::Image, &canvas, &canvas);
  });
  ASSERT_FALSE(pooled.isNull());
  EXPECT_TRUE(ImagesMatch(pooled.convertToFormat(QImage::Format_ARGB32), here.convertToFormat(QImage::Format_ARGB32), 0,
                          QStringLiteral("drawing-pool-render")));
  EXPECT_GT(InkCount(pooled, QRect(40, 200, 200, 40)), 0);
}

TEST_F(DrawingTest, KolorAtPointReadsTheRendering) {
  Add(FilledRect(QRectF(10, 10, 20, 20), kRed));
  Add(FilledRect(QRectF(20, 20, 20, 20), kBlue));
  EXPECT_EQ(drawing->kolorAtPoint(QPointF(12.5, 12.5)), kRed);
  EXPECT_EQ(drawing->kolorAtPoint(QPointF(25, 25)), kBlue);
  EXPECT_EQ(drawing->kolorAtPoint(QPointF(5, 5)), g_nilKolor);   // nothing drawn there
  EXPECT_EQ(drawing->kolorAtPoint(QPointF(45, 5)), g_nilKolor);  // beyond the drawing
  EXPECT_EQ(drawing->kolorAtPoint(QPointF(-1, 15)), g_nilKolor);
  EXPECT_TRUE(canvas.zoomsSet.empty());
}

// ---- Saving ----------------------------------------------------------------------

TEST_F(DrawingTest, LonePlainBitmapSavesItsOwnPixels) {
  // A white first column and a place between whole points: a rendering
  // would trim the one and smear the other.
  QImage picture = PatternImage(13, 7);
  for (int y = 0; y < 7; ++y) picture.setPixel(0, y, qRgba(255, 255, 255, 255));
  auto painting = DRPainting::paintingFromImage(CSImage::initWithCGImage(picture, QSizeF(0, 0)));
  ASSERT_TRUE(painting);
  auto* bitmap = Add(BitmapOf(painting));
  bitmap->setFrame(ConvertViewRect(QRectF(10.5, 3.25, 13, 7)));
  ASSERT_TRUE(bitmap->isVanilla());
  CSError error;
  const QString path = PathOf(QStringLiteral("plain.png"));
  ASSERT_TRUE(drawing->saveCore(path, false, &error)) << error.reason().toStdString();
  EXPECT_EQ(ReadImage(path), picture);
}

TEST_F(DrawingTest, RotatedBitmapSavesTheTrimmedRendering) {
  QImage red(40, 20, QImage::Format_ARGB32);
  red.fill(QColor(255, 0, 0));
  auto painting = DRPainting::paintingFromImage(CSImage::initWithCGImage(red, QSizeF(0, 0)));
  ASSERT_TRUE(painting);
  auto* bitmap = Add(BitmapOf(painting));
  bitmap->setFrame(ConvertViewRect(QRectF(100, 100, 40, 20)));
  bitmap->setRotation(90 * kMeasurePerPoint);
  CSError error;
  const QString path = PathOf(QStringLiteral("turned.png"));
  ASSERT_TRUE(drawing->saveCore(path, false, &error)) << error.reason().toStdString();
  const QImage saved = ReadImage(path);
  // A quarter turn stands the 40 x 20 picture up, and nothing but it is kept.
  EXPECT_NEAR(saved.width(), 20, 1);
  EXPECT_NEAR(saved.height(), 40, 1);
  EXPECT_TRUE(ColorNear(saved.pixel(saved.width() / 2, saved.height() / 2), QColor(255, 0, 0)));
}

TEST_F(DrawingTest, SavingPdfWritesThePdfOfTheDrawing) {
  Add(FilledRect(QRectF(0, 0, 50, 40), kRed));
  CSError error;
  const QString path = PathOf(QStringLiteral("out.pdf"));
  ASSERT_TRUE(drawing->saveCore(path, false, &error));
  EXPECT_TRUE(ReadBytes(path).startsWith("%PDF"));
}

TEST_F(DrawingTest, SvgGoesToTheSvgWriterAndNotThroughImages) {
  Add(FilledRect(QRectF(1, 2, 3, 4), kRed));
  CSRect frameGiven;
  services.svgSaver = [&](const DRElementList& elements, const CSRect& frame, const QString& path, CSError*) {
    frameGiven = frame;
    WriteBytes(path, QByteArray::number(qlonglong(elements.size())));
    return true;
  };
  CSError error;
  ASSERT_TRUE(drawing->saveCore(PathOf(QStringLiteral("a.SVG")), false, &error));
  EXPECT_EQ(services.svgSaves, 1);
  EXPECT_EQ(frameGiven, drawing->frame());

  CSError untouched;
  const CSImage image = CSImage::initWithCGImage(PatternImage(3, 3), QSizeF(0, 0));
  EXPECT_FALSE(drawing->saveImage(image, PathOf(QStringLiteral("b.svg")), 0.5, &untouched));
  EXPECT_EQ(untouched, CSError());
  EXPECT_FALSE(QFileInfo::exists(PathOf(QStringLiteral("b.svg"))));
}

TEST_F(DrawingTest, SaveErrorsCarryTheirReasons) {
  CSError error;
  EXPECT_FALSE(drawing->saveImage(CSImage(), PathOf(QStringLiteral("x.png")), 0.4, &error));
  EXPECT_EQ(error.failureReason(), QStringLiteral("I can't create an image of the drawing."));
  EXPECT_EQ(error.code(), -2114);
  EXPECT_EQ(drawing->saveCompression(), 0.4);

  // An empty drawing has nothing to render.
  error = CSError();
  EXPECT_FALSE(drawing->saveCore(PathOf(QStringLiteral("empty.png")), false, &error));
  EXPECT_EQ(error.failureReason(), QStringLiteral("I can't create an image of the drawing."));

  const CSImage image = CSImage::initWithCGImage(PatternImage(3, 3), QSizeF(0, 0));
  error = CSError();
  EXPECT_FALSE(drawing->saveImage(image, PathOf(QStringLiteral("x.bmp")), 0.7, &error));
  EXPECT_EQ(error.failureReason(), QStringLiteral("An unexpected error occurred."));
  EXPECT_EQ(error.code(), -2114);
  EXPECT_EQ(drawing->saveCompression(), 0.7);

  // A folder that does not exist: the writer's own error comes back.
  error = CSError();
  EXPECT_FALSE(drawing->saveImage(image, PathOf(QStringLiteral("missing/x.png")), -1.0, &error));
  EXPECT_FALSE(error.failureReason().isEmpty());
  EXPECT_NE(error.failureReason(), QStringLiteral("An unexpected error occurred."));
}

TEST_F(DrawingTest, HeicIsRefusedOnlyWhereItCannotBeWritten) {
  const CSImage image = CSImage::initWithCGImage(PatternImage(16, 16), QSizeF(0, 0));
  services.jpegCompressionPreference = 6;
  CSError error;
  const bool saved = drawing->saveImage(image, PathOf(QStringLiteral("p.heic")), -1.0, &error);
  if (HeifCanEncode()) {
    EXPECT_TRUE(saved) << error.reason().toStdString();
    EXPECT_DOUBLE_EQ(drawing->saveCompression(), 0.6);
  } else {
    EXPECT_FALSE(saved);
    EXPECT_TRUE(error.failureReason().contains(QStringLiteral("HEIC")));
  }
}

struct CompressionCase {
  const char* file;
  double given;
  int jpegPreference;
  bool tiffPreference;
  double stored;
};

class CompressionTest : public DrawingTest, public ::testing::WithParamInterface<CompressionCase> {};

TEST_P(CompressionTest, CompressionFollowsFormatAndPreferences) {
  const CompressionCase& c = GetParam();
  services.jpegCompressionPreference = c.jpegPreference;
  services.tiffCompressionPreference = c.tiffPreference;
  const CSImage image = CSImage::initWithCGImage(PatternImage(24, 24), QSizeF(0, 0));
  const QString path = PathOf(QString::fromLatin1(c.file));
  CSError error;
  ASSERT_TRUE(drawing->saveImage(image, path, c.given, &error)) << error.reason().toStdString();
  EXPECT_DOUBLE_EQ(drawing->saveCompression(), c.stored);
  ASSERT_TRUE(QFileInfo(path).isFile());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // nothing else written
  if (QFileInfo(path).suffix().startsWith(QLatin1String("tif"), Qt::CaseInsensitive)) {
    EXPECT_EQ(IsTiffCompressed(path), c.stored == 1.0);
  }
  EXPECT_FALSE(ReadImage(path).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CompressionTest,
    ::testing::Values(CompressionCase{"a.tiff", 0.3, 8, false, 1.0}, CompressionCase{"a.tiff", 0.0, 8, true, 0.0},
                      CompressionCase{"a.tiff", -1.0, 8, true, 1.0}, CompressionCase{"a.tif", -1.0, 8, false, 0.0},
                      CompressionCase{"a.jpg", -1.0, 3, true, 0.3}, CompressionCase{"a.jpeg", 0.9, 3, true, 0.9},
                      CompressionCase{"a.png", 0.25, 3, true, 0.25}, CompressionCase{"a.PNG", -1.0, 3, true, -1.0}));

// ---- After a save ----------------------------------------------------------------

TEST_F(DrawingTest, AttachToSavedFileRelinksPaintingsInGroupsAndResetsState) {
  auto top = PatternPainting(3, 3);
  auto nested = PatternPainting(4, 4);
  auto unused = PatternPainting(5, 5);
  top->setInUse(true);
  nested->setInUse(true);
  nested->setMatchesFile(false);
  Add(BitmapOf(top));
  Add(GroupOf(GroupOf(BitmapOf(nested))));
  Add(BitmapOf(unused));
  drawing->setFilePath(PathOf(QStringLiteral("saved.TWdraw")));
  drawing->setDupOffsetValid(true);
  drawing->setPaintingDirty(true);
  drawing->setAutosaveRecoveryDoc(true);
  services.now = 777;

  drawing->attachToSavedFile();

  const QDir images(PathOf(QStringLiteral("saved.TWdraw/Images")));
  EXPECT_EQ(top->filePath(), images.filePath(top->fileName()));
  EXPECT_EQ(nested->filePath(), images.filePath(nested->fileName()));
  EXPECT_TRUE(nested->matchesFile());
  EXPECT_TRUE(unused->filePath().isEmpty());
  EXPECT_EQ(host.clearUndoCount, 1);
  EXPECT_EQ(host.lastUndoID, 1u);
  EXPECT_FALSE(drawing->isDupOffsetValid());
  EXPECT_FALSE(drawing->isPaintingDirty());
  EXPECT_FALSE(drawing->autosaveRecoveryDoc());
  EXPECT_EQ(drawing->autosaveTime(), 777);
}

TEST_F(DrawingTest, AttachToSavedImageLeavesPaintingPaths) {
  auto painting = PatternPainting(3, 3);
  painting->setInUse(true);
  Add(BitmapOf(painting));
  drawing->setFilePath(PathOf(QStringLiteral("saved.png")));
  drawing->attachToSavedFile();
  EXPECT_TRUE(painting->filePath().isEmpty());
  EXPECT_EQ(host.clearUndoCount, 1);
}

// ---- Revert ----------------------------------------------------------------------

TEST_F(DrawingTest, RevertOfAnImageShowsItAsOneBitmap) {
  const QString path = PathOf(QStringLiteral("picture.png"));
  WriteBytes(path, EncodeImage(PatternImage(6, 4), "png"));
  drawing->setFilePath(path);
  auto* old = Add(FilledRect(QRectF(0, 0, 5, 5), kRed));
  canvas.selected = {old};
  canvas.origin = QPointF(30, 40);
  drawing->recentColors().append(kRed);
  drawing->setDirty(true);
  drawing->setPaintingDirty(true);
  drawing->setDupOffsetValid(true);

  drawing->revert();

  ASSERT_EQ(drawing->elements().size(), 1u);
  auto* bitmap = dynamic_cast<DRElementBitmap*>(drawing->elements().front().get());
  ASSERT_NE(bitmap, nullptr);
  ASSERT_TRUE(bitmap->painting());
  EXPECT_EQ(bitmap->painting()->originalSize(), QSizeF(6, 4));
  EXPECT_EQ(bitmap->frame(), ConvertViewRect(QRectF(0, 0, 6, 4)));
  EXPECT_EQ(host.closedTabLists, (std::vector<size_t>{1}));
  EXPECT_EQ(canvas.unselectAllCount, 1);
  EXPECT_EQ(canvas.origin, QPointF(0, 0));
  EXPECT_TRUE(drawing->recentColors().isEmpty());
  EXPECT_EQ(host.clearUndoCount, 1);
  EXPECT_EQ(host.lastUndoID, 1u);
  EXPECT_EQ(host.validateTabsCount, 1);
  EXPECT_FALSE(drawing->isDirty());
  EXPECT_FALSE(drawing->isDupOffsetValid());
  EXPECT_EQ(host.editedMarks, (std::vector<bool>{false}));
}

TEST_F(DrawingTest, RevertOfAnUnreadableImageLeavesTheDrawing) {
  const QString path = PathOf(QStringLiteral("broken.png"));
  static const char kBroken[] = "\x89PNG\r\n\x1a\n this is not a picture";
  WriteBytes(path, QByteArray(kBroken, sizeof kBroken - 1));
  drawing->setFilePath(path);
  auto* old = Add(FilledRect(QRectF(0, 0, 5, 5), kRed));
  drawing->recentColors().append(kBlue);
  drawing->setDirty(true);

  drawing->revert();

  ASSERT_EQ(drawing->elements().size(), 1u);
  EXPECT_EQ(drawing->elements().front().get(), old);
  EXPECT_EQ(drawing->recentColors(), QList<Kolor>{kBlue});
  EXPECT_TRUE(drawing->isDirty());
  EXPECT_EQ(host.clearUndoCount, 0);
  EXPECT_EQ(host.validateTabsCount, 0);
}

TEST_F(DrawingTest, RevertOfSvgTakesTheImportedElements) {
  const QString path = PathOf(QStringLiteral("shapes.svg"));
  WriteBytes(path, "<svg/>");
  drawing->setFilePath(path);
  Add(FilledRect(QRectF(0, 0, 5, 5), kRed));
  services.svgLoader = [](const QString&) {
    DRElementList list;
    list.push_back(FilledRect(QRectF(1, 1, 2, 2), kBlue));
    list.push_back(FilledRect(QRectF(3, 3, 2, 2), kBlue));
    return list;
  };
  drawing->revert();
  EXPECT_EQ(services.svgLoads, 1);
  EXPECT_EQ(drawing->elements().size(), 2u);
}

TEST_F(DrawingTest, RevertOfAnSvgThatFailsKeepsTheDrawingAndOfAnEmptyOneEmptiesIt) {
  const QString path = PathOf(QStringLiteral("shapes.svg"));
  WriteBytes(path, "<svg/>");
  drawing->setFilePath(path);
  Add(FilledRect(QRectF(0, 0, 5, 5), kRed));
  services.svgLoader = [](const QString&) { return std::optional<DRElementList>(); };
  drawing->revert();
  EXPECT_EQ(drawing->elements().size(), 1u);
  EXPECT_EQ(host.clearUndoCount, 0);

  services.svgLoader = [](const QString&) { return std::optional<DRElementList>(DRElementList()); };
  drawing->revert();
  EXPECT_TRUE(drawing->elements().empty());
  EXPECT_EQ(host.clearUndoCount, 1);
  EXPECT_EQ(services.svgLoads, 2);
}

// A reader that empties and half-fills the drawing, then fails.
class FailingReaderDrawing : public DRDrawing {
 public:
  bool loadNativeFile(const QString& path) override {
    (void)path;
    elements().clear();
    elements().push_back(FilledRect(QRectF(0, 0, 1, 1), kBlue));
    recentColors().clear();
    setScaleToFit(!scaleToFit());
    setBackgroundOpacity(0.1);
    CSPrintInfo info = printInfo();
    info.scale = 3;
    setPrintInfo(info);
    return false;
  }
};

TEST_F(DrawingTest, RevertOfAPackageThatNoLongerReadsLeavesTheDrawing) {
  FailingReaderDrawing failing;
  failing.setDocumentHost(&host);
  canvas.drawing = &failing;
  failing.setFilePath(PathOf(QStringLiteral("gone.TWdraw")));
  DRElement* old = failing.elements().emplace_back(FilledRect(QRectF(0, 0, 5, 5), kRed)).get();
  failing.recentColors().append(kRed);
  const CSPrintInfo info = failing.printInfo();
  failing.setDirty(true);

  failing.revert();

  ASSERT_EQ(failing.elements().size(), 1u);
  EXPECT_EQ(failing.elements().front().get(), old);
  EXPECT_EQ(failing.recentColors(), QList<Kolor>{kRed});
  EXPECT_FALSE(failing.scaleToFit());
  EXPECT_EQ(failing.backgroundOpacity(), 1.0);
  EXPECT_EQ(failing.printInfo(), info);
  EXPECT_EQ(failing.filePath(), PathOf(QStringLiteral("gone.TWdraw")));
  EXPECT_TRUE(failing.isDirty());
  EXPECT_EQ(host.clearUndoCount, 0);
  failing.setDocumentHost(nullptr);
}

// ---- Print options as text -------------------------------------------------------

TEST(PrintInfoTextTest, RoundTripsEveryField) {
  CSPrintInfo info;
  info.paperName = QStringLiteral("A4");
  info.paperSize = QSizeF(595.28, 841.89);
  info.orientation = CSPrintInfo::Landscape;
  info.leftMargin = 1.5;
  info.rightMargin = 2.25;
  info.topMargin = 0;
  info.bottomMargin = 100.125;
  info.scale = 0.75;
  info.horizontallyCentered = false;
  info.verticallyCentered = true;
  CSPrintInfo read;
  ASSERT_TRUE(PrintInfoFromText(PrintInfoText(info), &read));
  EXPECT_EQ(read, info);
}

TEST(PrintInfoTextTest, RefusesTextsThatAreNotPrintOptions) {
  CSPrintInfo a4 = CSPrintInfo::defaultPrintInfo();
  a4.paperName = QStringLiteral("A4");
  a4.horizontallyCentered = true;
  a4.scale = 1;
  a4.leftMargin = 72;
  a4.topMargin = 90;
  a4.orientation = CSPrintInfo::Portrait;
  const QString good = PrintInfoText(a4);
  ASSERT_TRUE(PrintInfoFromText(good, nullptr));
  const QString texts[] = {
      QString(),
      QStringLiteral("garbage"),
      QStringLiteral("[1,2,3]"),
      QStringLiteral("{}"),
      good.left(good.size() - 1),
      QString(good).replace(QStringLiteral("\"orientation\":0"), QStringLiteral("\"orientation\":2")),
      QString(good).replace(QStringLiteral("\"scale\":1"), QStringLiteral("\"scale\":0")),
      QString(good).replace(QStringLiteral("\"scale\":1"), QStringLiteral("\"scale\":\"1\"")),
      QString(good).replace(QStringLiteral("\"left\":"), QStringLiteral("\"left\":-")),
      QString(good).replace(QStringLiteral("\"hcenter\":true"), QStringLiteral("\"hcenter\":1")),
      QString(good).replace(QStringLiteral("\"paper\":"), QStringLiteral("\"papers\":")),
      QString(good).replace(QStringLiteral("\"width\":"), QStringLiteral("\"width\":-")),
      QString(good).replace(QStringLiteral("\"A4\""), QStringLiteral("\"\\ud800\"")),  // half a character
      QString(good).replace(QStringLiteral("\"top\":90"), QStringLiteral("\"top\":1e999")),
      QString(5000, QLatin1Char(' ')) + good,
  };
  for (const QString& text : texts) {
    CSPrintInfo info;
    info.scale = 42;
    EXPECT_NE(text, good);
    EXPECT_FALSE(PrintInfoFromText(text, &info)) << text.left(200).toStdString();
    EXPECT_EQ(info.scale, 42);
  }
}

}  // namespace
