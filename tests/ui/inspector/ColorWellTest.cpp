// The inspector's colour well in a real drawing window: what each swatch
// changes, one undo step per run of colours, the fill replacing a gradient,
// the locked drawing, the disabled well, and its painting.

#include <QImage>
#include <QPainter>
#include <QtTest/QTest>

#include "../shell/ShellTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSUndoManager.h"
#include "QStringPrinter.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kGreen = 0x6400FF00;
constexpr Kolor kBlue = 0x64FF0000;
constexpr Kolor kHalfRed = 0x320000FF;

class PaneColorWellTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    m_savedSwap = DRSettings::sharedInstance().swapKolor();
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(900, 700);
    controller->window()->show();
    Spin();
    well = new DRColorWell(&holder);
    well->setGeometry(4, 4, 44, 23);
    well->setWindowController(controller);
    holder.show();
  }
  void TearDown() override {
    DRSettings::sharedInstance().setSwapKolor(m_savedSwap);
    ShellTest::TearDown();
  }

  DRDrawing* drawing() const { return controller->drawing(); }
  DRElementRectangle* addRect() {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10 + 60 * double(drawing()->elements().size()), 10, 40, 40));
    rect->setLineInfo(settings.settings().lineInfo());
    rect->setFillKolor(g_whiteKolor);
    DRElementRectangle* raw = rect.get();
    drawing()->elements().push_back(std::move(rect));
    controller->drawView()->setSelection({raw});
    controller->drawView()->selectionDidChange();
    return raw;
  }
  // Undo puts copies back: the element is read again after it.
  DRElementRectangle* first() const { return dynamic_cast<DRElementRectangle*>(drawing()->elements().at(0).get()); }
  CSUndoManager& undo() { return controller->drawVC()->undoManager(); }
  QString undoTitle() {
    QString title;
    undo().validateState(true, &title);
    return title;
  }
  int undoSteps() {
    int steps = 0;
    while (undo().isUndoAvailable()) {
      undo().undo();
      ++steps;
    }
    return steps;
  }
  void click() { QTest::mouseClick(well, Qt::LeftButton, {}, QPoint(20, 11)); }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  FakeEditorAppServices panel;
  SettingsScope settings;
  DRWindowController* controller = nullptr;
  QWidget holder;
  DRColorWell* well = nullptr;

 private:
  Kolor m_savedSwap = 0;
};

TEST_F(PaneColorWellTest, EachSwatchChangesItsToolSettingAndItsPropertyOfTheSelection) {
  DRSettings& tool = DRSettings::sharedInstance();
  struct Row {
    int32_t swatch;
    const char* keyPath;  // null: nothing is posted
    const char* undoTitle;  // null: no undo entry
    std::function<Kolor()> toolSetting;
    std::function<Kolor(const DRElementRectangle*)> element;  // null: a rectangle has no such colour
  } rows[] = {
      {0, "lineInfo.kolor", "Undo Line Color", [&] { return tool.lineInfo().kolor(); },
       [](const DRElementRectangle* e) { return e->lineInfo()->kolor(); }},
      {3, "fillKolor", "Undo Fill Color", [&] { return tool.fillKolor(); },
       [](const DRElementRectangle* e) { return e->fillKolor(); }},
      {4, "swapKolor", nullptr, [&] { return tool.swapKolor(); }, nullptr},
      {10, "shadow.kolor", "Undo Shadow Color", nullptr,
       [](const DRElementRectangle* e) { return e->shadow() ? e->shadow()->kolor() : g_nilKolor; }},
      {11, "textInfo.textKolor", "Undo Text Color", [&] { return tool.textInfo().textKolor(); }, nullptr},
      {12, "textInfo.backKolor", "Undo Text Background", [&] { return tool.textInfo().backKolor(); }, nullptr},
      {7, nullptr, nullptr, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.swatch);
    controller->currentContent()->clearUndo();
    DRElementRectangle* rect = addRect();
    rect->setShadow(DRShadow());
    well->setSwatchIndex(row.swatch);
    well->setTrueKolor(kGreen);
    const Kolor fillBefore = tool.fillKolor();
    NotificationRecorder recorder({g_settingsChangeNotification});
    // The panel's swatch argument is not what decides: the well's own does.
    well->setKolor(kRed, 9);

    if (!row.keyPath) {
      EXPECT_TRUE(recorder.posted().empty());
      EXPECT_EQ(well->trueKolor(), kGreen);
      EXPECT_EQ(tool.fillKolor(), fillBefore);
      EXPECT_FALSE(undo().isUndoAvailable());
      continue;
    }
    ASSERT_FALSE(recorder.posted().empty());
    const CSNotification& change = recorder.posted().back();
    EXPECT_EQ(change.userInfo.value(g_settingsChangeGetterKey).toString(), QString::fromLatin1(row.keyPath));
    EXPECT_EQ(change.userInfo.value(g_settingsChangeSwatchKey).toInt(), row.swatch);
    EXPECT_EQ(well->trueKolor(), kRed);
    if (row.toolSetting) EXPECT_EQ(row.toolSetting(), kRed);
    if (row.element) EXPECT_EQ(row.element(rect), kRed);
    if (row.undoTitle) {
      EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoTitle));
    } else {
      EXPECT_FALSE(undo().isUndoAvailable());
    }
  }
}

TEST_F(PaneColorWellTest, AFillReplacesTheGradientInOneStepAndARunOfColoursIsOneStep) {
  DRElementRectangle* rect = addRect();
  rect->setGradient(DRGradient());
  well->setSwatchIndex(kSwatchFill);
  click();
  ASSERT_EQ(panel.opened.size(), 1u);
  EXPECT_EQ(panel.opened[0].swatch, kSwatchFill);
  EXPECT_EQ(panel.delegate, static_cast<DRColorChangeDelegate*>(well));
  NotificationRecorder recorder({g_settingsChangeNotification});
  for (Kolor kolor : {kRed, kGreen, kBlue, kHalfRed, kRed}) panel.chooseKolor(kolor);

  // The gradient goes before the colour is set.
  ASSERT_GE(recorder.posted().size(), 2u);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(g_settingsChangeGetterKey).toString(), g_gradientKeyPath);
  EXPECT_EQ(recorder.posted()[1].userInfo.value(g_settingsChangeGetterKey).toString(), g_fillKolorKeyPath);
  EXPECT_FALSE(rect->gradient());
  EXPECT_EQ(rect->fillKolor(), kRed);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Fill Color"));
  EXPECT_EQ(undoSteps(), 1);
  EXPECT_TRUE(first()->gradient());
  EXPECT_EQ(first()->fillKolor(), g_whiteKolor);
}

TEST_F(PaneColorWellTest, AnotherEntryBetweenTwoColoursStartsANewStep) {
  DRElementRectangle* rect = addRect();
  well->setSwatchIndex(kSwatchFill);
  well->setKolor(kRed, kSwatchFill);
  // Something else opens an entry of its own.
  ASSERT_TRUE(controller->currentContent()->setUndoID(CSUndoManager::kFreshUndoID, 1, 42));
  ChangeSelectionColor(controller->window(), g_lineKolorKeyPath, QString(), kSwatchLine, kBlue);
  well->setKolor(kGreen, kSwatchFill);
  well->setKolor(kBlue, kSwatchFill);
  EXPECT_EQ(rect->fillKolor(), kBlue);
  EXPECT_EQ(undoSteps(), 3);
  EXPECT_EQ(first()->fillKolor(), g_whiteKolor);
}

TEST_F(PaneColorWellTest, ALockedDrawingTakesOnlyTheToolSetting) {
  DRElementRectangle* rect = addRect();
  drawing()->setLocked(true);
  well->setSwatchIndex(kSwatchFill);
  well->setTrueKolor(g_whiteKolor);
  NotificationRecorder recorder({g_settingsChangeNotification});
  well->setKolor(kRed, kSwatchFill);
  EXPECT_EQ(DRSettings::sharedInstance().fillKolor(), kRed);
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(rect->fillKolor(), g_whiteKolor);
  EXPECT_EQ(well->trueKolor(), g_whiteKolor);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PaneColorWellTest, OnlyAnEnabledWellOpensThePanelOnItsSwatchAndColour) {
  well->setSwatchIndex(kSwatchShadow);
  well->setTrueKolor(kHalfRed);
  well->setEnabled(false);
  click();
  EXPECT_TRUE(panel.opened.empty());
  well->setEnabled(true);
  click();
  ASSERT_EQ(panel.opened.size(), 1u);
  EXPECT_EQ(panel.opened[0].swatch, kSwatchShadow);
  EXPECT_EQ(panel.opened[0].kolor, kHalfRed);
  EXPECT_EQ(panel.delegate, static_cast<DRColorChangeDelegate*>(well));
}

// ---- Painting ----------------------------------------------------------------------------------

QImage Painted(Kolor kolor) {
  QImage image(40, 40, QImage::Format_ARGB32);
  image.fill(QColor(0, 128, 0));
  QPainter painter(&image);
  DRColorWell::drawWellInside(&painter, QRectF(0, 0, 40, 40), kolor);
  return image;
}

bool Near(QColor actual, QColor expected) {
  return std::abs(actual.red() - expected.red()) <= 3 && std::abs(actual.green() - expected.green()) <= 3 &&
         std::abs(actual.blue() - expected.blue()) <= 3;
}

TEST(PaneColorWellPainting, TranslucencyShowsOverBothHalvesAndNoColourShowsTheCross) {
  const QColor halfRedOverBlack(128, 0, 0);
  const QColor halfRedOverWhite(255, 127, 127);
  const QColor gray = GrayColor(3);
  struct Probe {
    int x, y;
    QColor expected;
  };
  struct Row {
    const char* name;
    Kolor kolor;
    std::vector<Probe> probes;
  } rows[] = {
      // The dark half lies above the diagonal from bottom-left to top-right.
      {"half red",
       kHalfRed,
       {{5, 5, halfRedOverBlack},
        {30, 5, halfRedOverBlack},
        {5, 30, halfRedOverBlack},
        {34, 34, halfRedOverWhite},
        {30, 20, halfRedOverWhite}}},
      {"opaque blue", kBlue, {{5, 5, QColor(0, 0, 255)}, {34, 34, QColor(0, 0, 255)}}},
      {"no colour", g_nilKolor, {{20, 5, Qt::white}, {5, 20, Qt::white}, {30, 10, Qt::white}}},
      {"opacity 0", 0x000000FF, {{20, 5, Qt::white}, {35, 20, Qt::white}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QImage image = Painted(row.kolor);
    for (const Probe& probe : row.probes) {
      const QColor actual = image.pixelColor(probe.x, probe.y);
      EXPECT_TRUE(Near(actual, probe.expected))
          << probe.x << "," << probe.y << " is " << actual.name().toStdString() << ", not "
          << probe.expected.name().toStdString();
    }
  }
  // The cross: grey strokes along both diagonals of the white square.
  for (Kolor none : {g_nilKolor, Kolor(0x000000FF)}) {
    const QImage image = Painted(none);
    for (const QPoint point : {QPoint(10, 10), QPoint(29, 29), QPoint(10, 29), QPoint(29, 10)}) {
      const QColor actual = image.pixelColor(point);
      EXPECT_LT(actual.red(), 250) << point.x() << "," << point.y();
      EXPECT_TRUE(actual.red() == actual.green() && actual.green() == actual.blue());
      EXPECT_GE(actual.red(), gray.red() - 60);
    }
  }
}

}  // namespace
