#include "richtext/DrawLine.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QPainter>
#include <memory>

#include "ImageCompare.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/RichTextBuilder.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int64_t kPt = 12700;
constexpr uint32_t kBody = RichTextBuilder::kBodyStart;
constexpr Kolor kRed = MakeKolor(255, 0, 0);

class UnlockedHost : public FakeCorvaneHost {
 public:
  bool isDocumentLocked(CorvaneDoc*) override { return locked; }
  bool locked = false;
};

class DrawLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    Build(QStringLiteral("hello world\n"));
  }
  void TearDown() override { ReleaseLineFormat(&lf); }

  void Build(const QString& text, Kolor back = g_nilKolor, uint32_t underline = 0) {
    ReleaseLineFormat(&lf);
    made = std::make_unique<RichTextBuilder>();
    doc = made->doc();
    made->text(text);
    Properties chars;
    InitProperties(kCharProperties, &chars, nullptr);
    chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
    chars.body.charProps.size = 48;
    chars.body.charProps.color = kBlackKolor;
    chars.body.charProps.back = back;
    chars.body.charProps.underline = underline;
    made->charRun(kBody, IndexForProperties(doc, &chars));
    doc->hostWindow = &window;
    doc->active = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
  }

  void Format(uint32_t cp, double width) {
    ASSERT_TRUE(InitFormatLine(doc, pane, &lf, kLineKeepRuns));
    FormatLine(cp, int64_t(width * kPt), &lf);
  }

  QImage Draw(double zoom, const QRectF& rect, Kolor background, CaretRecord* caret = nullptr) {
    pane->zoom = float(zoom);
    const QSize size(int(std::ceil(200 * zoom)), int(std::ceil(40 * zoom)));
    return RenderInContext(size, [&](QPainter& painter) {
      painter.scale(zoom, zoom);
      DrawFormattedLine(&lf, 0, background, caret, rect, QRectF());
    });
  }

  void PlaceCaret(uint32_t cp, bool atLineEnd) {
    pane->anchor = pane->end = int32_t(cp);
    pane->selectionFlags[1] = 1;
    pane->selectionFlags[2] = atLineEnd ? 1 : 0;
    pane->caretX = 30;
  }

  UnlockedHost host;
  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  LineFormat lf;
  QObject window, view;
};

// The first and last image rows at column x that hold the colour, wholly.
std::pair<int, int> SolidRows(const QImage& image, int x, const QColor& color) {
  int first = -1, last = -1;
  for (int y = 0; y < image.height(); ++y) {
    if (ColorNear(image.pixel(x, y), color, 2)) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return {first, last};
}

TEST_F(DrawLineTest, LineIsSnappedOutwardToDevicePixels) {
  Format(kBody, 180);
  for (double zoom : {1.0, 1.5}) {
    const QImage image = Draw(zoom, QRectF(0, 10.2, 180, 10), kRed);
    const auto [first, last] = SolidRows(image, int(170 * zoom), Qt::red);
    ASSERT_GE(first, 0) << zoom;
    EXPECT_LE(first / zoom, 10.2) << zoom;
    EXPECT_GT(first / zoom, 10.2 - 1 / zoom - 1e-9) << zoom;
    EXPECT_GE((last + 1) / zoom, 20.2) << zoom;
    EXPECT_LE((last + 1) / zoom, 20.2 + 1 / zoom) << zoom;
    // No half-painted rows at the edges.
    const QRgb above = image.pixel(int(170 * zoom), first - 1);
    const QRgb below = image.pixel(int(170 * zoom), last + 1);
    EXPECT_TRUE(ColorNear(above, Qt::white, 2)) << zoom;
    EXPECT_TRUE(ColorNear(below, Qt::white, 2)) << zoom;
  }
}

TEST_F(DrawLineTest, BackgroundHighlightAndUnderlineShowWhereExpected) {
  Build(QStringLiteral("hello world\n"), MakeKolor(0, 0, 255));
  pane->anchor = int32_t(kBody + 6), pane->end = int32_t(kBody + 11);
  Format(kBody, 180);
  const QImage image = Draw(1.0, QRectF(0, 0, 180, lf.lineHeight), g_nilKolor);
  // The character background runs under the whole text, the highlight
  // over "world" with the light or system highlight colour; the text on top.
  const int helloRight = int(LineXFromCpCore(&lf, kBody + 5, nullptr));
  const int worldLeft = int(std::ceil(LineXFromCpCore(&lf, kBody + 6, nullptr)));
  const int height = int(lf.lineHeight);
  auto count = [&](int x0, int x1, const QColor& color, int tolerance) {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = x0; x < x1; ++x) n += ColorNear(image.pixel(x, y), color, tolerance);
    return n;
  };
  const int helloArea = helloRight * height;
  EXPECT_GT(count(0, helloRight, Qt::blue, 2), helloArea / 2);
  EXPECT_GT(count(0, helloRight, Qt::black, 60), 10);
  EXPECT_EQ(count(worldLeft, worldLeft + 20, Qt::blue, 2), 0);
  EXPECT_EQ(count(worldLeft, worldLeft + 20, Qt::white, 2), 0);
  EXPECT_EQ(count(int(lf.textWidth) + 2, 180, Qt::white, 2), (180 - int(lf.textWidth) - 2) * height);
}

TEST_F(DrawLineTest, UnderlineRunsBelowTheBaseline) {
  Build(QStringLiteral("hello world\n"), g_nilKolor, 1);
  Format(kBody, 180);
  const QImage image = Draw(1.0, QRectF(0, 0, 180, lf.lineHeight), g_nilKolor);
  const int width = int(lf.textWidth) - 2;
  int underlineRow = -1;
  for (int y = int(lf.baseline); y < int(lf.lineHeight) && underlineRow < 0; ++y) {
    int dark = 0;
    for (int x = 1; x < width; ++x) dark += ColorNear(image.pixel(x, y), Qt::black, 90);
    if (dark >= width - 2) underlineRow = y;
  }
  EXPECT_GE(underlineRow, int(lf.baseline));
}

TEST_F(DrawLineTest, StoredPictureOpacityOverridesTheDrawingFraction) {
  Build(QString("a") + QChar(0) + "b\n");
  QImage red(20, 20, QImage::Format_ARGB32_Premultiplied);
  red.fill(Qt::red);
  const uint32_t picture = StorePicture(doc, CSImage::initWithCGImage(red, QSizeF(20, 20)), nullptr);
  made->knot(kBody + 1, kKnotPicture, kKinkSingle);
  uint32_t index = 0;
  KnotEntry entry;
  ASSERT_TRUE(KnotEntryAtCp(doc, kBody + 1, &entry, &index));
  auto* stored = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
  stored->word1 = picture;
  struct Case {
    uint16_t opacity;
    QColor expected;
  } cases[] = {{501, QColor(255, 128, 128)}, {0, QColor(255, 0, 0)}, {1001, QColor(255, 0, 0)}, {1, Qt::white}};
  for (const Case& c : cases) {
    stored->opacity = c.opacity;
    Format(kBody, 180);
    const LineRun* run = nullptr;
    for (const LineRun& r : lf.runs)
      if (r.head().kind == kRunPicture) run = &r;
    ASSERT_NE(run, nullptr);
    const QRectF rect = DrawOrFindPicture(&lf, *run, false, QRectF(0, 0, 180, lf.lineHeight));
    ASSERT_FALSE(rect.isEmpty());
    const QImage image = Draw(1.0, QRectF(0, 0, 180, lf.lineHeight), g_nilKolor);
    const QPoint centre = rect.center().toPoint();
    EXPECT_TRUE(ColorNear(image.pixel(centre), c.expected, 3))
        << c.opacity << " " << QColor(image.pixel(centre)).name().toStdString();
  }
}

TEST_F(DrawLineTest, CaretColourIsTheComplementOfTheGround) {
  Build(QStringLiteral("hello\n"), kRed);
  Format(kBody, 180);
  EXPECT_EQ(InsertionPointKolor(&lf, kBody + 1, g_nilKolor, g_nilKolor), MakeKolor(0, 255, 255, 100));
  Build(QStringLiteral("hello\n"));
  Format(kBody, 180);
  EXPECT_EQ(InsertionPointKolor(&lf, kBody + 1, kRed, g_nilKolor), MakeKolor(0, 255, 255, 100));
  EXPECT_EQ(InsertionPointKolor(&lf, kBody + 1, g_nilKolor, g_nilKolor), MakeKolor(0, 0, 0, 100));
}

TEST_F(DrawLineTest, CaretOnAWrappedLinesEndStandsOnTheUpperLineWithCaretAtLineEnd) {
  Build(QStringLiteral("alpha beta gamma delta epsilon zeta eta theta\n"));
  Format(kBody, 100);
  const uint32_t wrap = lf.endCp;
  ASSERT_EQ(lf.breakReason, uint32_t(kBreakWrapped));
  LineFormat lower;
  ASSERT_TRUE(InitFormatLine(doc, pane, &lower, kLineKeepRuns));
  FormatLine(wrap, 100 * kPt, &lower);
  for (bool atEnd : {true, false}) {
    PlaceCaret(wrap, atEnd);
    CaretRecord upperCaret, lowerCaret;
    DrawFormattedLine(&lf, 0, g_nilKolor, &upperCaret, QRectF(0, 0, 100, lf.lineHeight), QRectF());
    DrawFormattedLine(&lower, 0, g_nilKolor, &lowerCaret, QRectF(0, lf.lineHeight, 100, lower.lineHeight), QRectF());
    EXPECT_EQ(upperCaret.height > 0, atEnd);
    EXPECT_EQ(lowerCaret.height > 0, !atEnd);
  }
  ReleaseLineFormat(&lower);
}

TEST_F(DrawLineTest, CaretIsDrawnOnlyWhileTheHostSaysUnlocked) {
  Build(QStringLiteral("hello\n"), kRed);
  Format(kBody, 180);
  PlaceCaret(kBody + 2, false);
  for (bool locked : {false, true}) {
    host.locked = locked;
    const QImage image = Draw(1.0, QRectF(0, 0, 180, lf.lineHeight), g_nilKolor);
    const bool cyan = ColorNear(image.pixel(30, int(lf.lineHeight / 2)), QColor(0, 255, 255), 2);
    EXPECT_EQ(cyan, !locked);
  }
  host.locked = false;
  pane->selectionFlags[1] = 0;  // not shown at the moment
  CaretRecord caret;
  DrawFormattedLine(&lf, 0, g_nilKolor, &caret, QRectF(0, 0, 180, lf.lineHeight), QRectF());
  EXPECT_EQ(caret.height, 0);
}

TEST(DrawLineHelpers, SnapsMoveEdgesOutward) {
  EXPECT_DOUBLE_EQ(SnapToDevicePixels(10.2, 1.5, true), 10.0);
  EXPECT_DOUBLE_EQ(SnapToDevicePixels(20.2, 1.5, false), 62.0 / 3);
  EXPECT_DOUBLE_EQ(SnapToDevicePixels(10.4, 1.0, true), 10.0);
  EXPECT_DOUBLE_EQ(SnapToDevicePixels(10.6, 1.0, true), 10.0);
  EXPECT_DOUBLE_EQ(SnapToDevicePixels(10.6, 1.0, false), 11.0);
  ScopedCorvaneConfig config;
  g_corvaneConfig.wideCaret = 1;
  EXPECT_EQ(InsertionPointWidth(), 3.0f);
}

}  // namespace
