// The info bar's clicks, menus and colour changes: undo steps in the
// drawing tab, settings in a painting, quick, favourite and recent colours,
// paging and showing or hiding the favourites.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DRGradient.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeModelServices.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "ui/EventDriver.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/FakeFavoriteColorManager.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

constexpr Kolor kRed = 0x640000FFu;
constexpr Kolor kGreen = 0x6400FF00u;
constexpr Kolor kBlue = 0x64FF0000u;
constexpr Kolor kYellow = 0x6400FFFFu;
constexpr Kolor kPurple = 0x64800080u;

// Every element's record, in order: the state an undo step must bring back.
QString Snapshot(const DRDrawing& drawing) {
  QString text;
  for (const auto& element : drawing.elements()) text += RecordOf(*element);
  return text;
}

// A content controller whose undo record is the drawing's Snapshot; undo
// reads the elements back and selects them all.
class SnapshotVC : public DRContentVC {
 public:
  SnapshotVC(DRDrawing* drawing, FakeCanvasHost* canvas, DRContentKind kind = DRContentKind::kDrawing)
      : m_canvas(canvas), m_kind(kind) {
    setDrawing(drawing);
    undoManager().setBufferSize(sizeof(QString*));
  }
  ~SnapshotVC() override { undoManager().clearUndo(); }

  DRContentKind contentKind() const override { return m_kind; }
  DREditorContentView* contentView() const override { return &view; }

  bool setUndoAction(int, int, void* data, uint64_t) override {
    *static_cast<QString**>(data) = new QString(Snapshot(*drawing()));
    ++entries;
    return true;
  }
  bool undoOrRedo(int*, int, void* data, bool) override {
    QString*& stored = *static_cast<QString**>(data);
    const QString live = Snapshot(*drawing());
    restore(*stored);
    *stored = live;
    return true;
  }
  void freeUndoAction(int, int, void* data, bool) override {
    QString*& stored = *static_cast<QString**>(data);
    delete stored;
    stored = nullptr;
  }
  void undo() {
    resetCurrentUndoID();
    undoManager().undo();
  }
  void redo() {
    resetCurrentUndoID();
    undoManager().redo();
  }

  mutable FakeEditorContentView view;
  int entries = 0;

 private:
  void restore(const QString& text) {
    DRElementList elements;
    for (auto& element : ReadRecords(Records(text))) elements.push_back(std::move(element));
    drawing()->elements() = std::move(elements);
    m_canvas->selected.clear();
    for (const auto& element : drawing()->elements()) m_canvas->selected.push_back(element.get());
  }

  FakeCanvasHost* m_canvas;
  DRContentKind m_kind;
};

// Records the menus it is asked to show and can play a choice in them.
class TestBar : public DRInfobarView {
 public:
  std::vector<QMenu*> shown;
  std::function<void(QMenu*)> onMenu;
  std::vector<double> steps;
  std::function<void(double)> onStep;

  void setScrollPosition(double progress) override {
    steps.push_back(progress);
    DRInfobarView::setScrollPosition(progress);
    if (onStep) onStep(progress);
  }

 protected:
  void runMenu(QMenu* menu, const QPoint&) override {
    shown.push_back(menu);
    if (onMenu) onMenu(menu);
  }
};

QAction* FindItem(QMenu* menu, DRInfobarView::MenuAction action, int tag = 0) {
  for (QAction* item : menu->actions()) {
    if (DRInfobarView::actionOf(item) == action && DRInfobarView::tagOf(item) == tag) return item;
  }
  return nullptr;
}

// Preferences that keep every favourite count they are given.
class RecordingPrefs : public FakeEditorPrefs {
 public:
  std::vector<int> counts;
  void setFavoriteColorCount(int count) override {
    counts.push_back(count);
    FakeEditorPrefs::setFavoriteColorCount(count);
  }
};

bool g_dragging = false;

class InfobarColorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupEditorResources();
    m_savedLine = settings().lineInfo();
    m_savedText = settings().textInfo();
    m_savedFill = settings().fillKolor();
    m_savedSwap = settings().swapKolor();
    m_savedArrow = settings().arrow();
    settings().lineInfo().setKolorWithoutRegistering(kRed);
    settings().lineInfo().setWidth(kMeasurePerPoint);
    settings().setFillKolor(kGreen);
    settings().setSwapKolor(kBlue);
    settings().setArrow(std::nullopt);

    palette.resize(34, 400);
    host.canvasHost = &canvas;
    bar = new TestBar;
    bar->setWindowHost(&host);
    bar->setToolbarView(&palette);
    bar->setDrawing(&drawing);
    harness.place(bar, QRect(0, 0, 800, 30));
    // The points below were measured with a pop-up 76 points wide; the
    // bar grows by what the pop-up takes more, so the strips keep their size.
    shift = bar->zoomPopup()->width() - 76;
    bar->resize(800 + shift, 30);
    bar->awakeFromNib();
    bar->swatchSizeAndRects(&rects);
    applyChanges = NotificationCenter::defaultCenter().addObserver(
        this, g_settingsChangeNotification, &harness,
        [this](const CSNotification& n) { drawing.change(n.userInfo, &canvas); });
    DRInfobarView::setLeftMouseDragProbe([] { return g_dragging; });
  }
  void TearDown() override {
    NotificationCenter::defaultCenter().removeObserver(applyChanges);
    DRInfobarView::setLeftMouseDragProbe(nullptr);
    DRInfobarView::setFavoriteAnimationSeconds(DRInfobarView::kFavoriteAnimationSeconds);
    g_dragging = false;
    settings().setLineInfo(m_savedLine);
    settings().setTextInfo(m_savedText);
    settings().setFillKolor(m_savedFill);
    settings().setSwapKolor(m_savedSwap);
    settings().setArrow(m_savedArrow);
  }
  static DRSettings& settings() { return DRSettings::sharedInstance(); }

  template <typename Element>
  Element* add() {
    auto element = std::make_unique<Element>();
    Element* raw = element.get();
    drawing.elements().push_back(std::move(element));
    canvas.selected.push_back(raw);
    return raw;
  }
  void showTab(DREditorContent* content) {
    host.content = content;
    NotificationCenter::defaultCenter().post(g_tabChangeNotification, &harness);
    bar->swatchSizeAndRects(&rects);
  }
  void click(const QPointF& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    EventDriver mouse(bar);
    mouse.setModifiers(modifiers);
    mouse.click(point, button);
  }
  // Control-clicks the point and answers the colour options menu's items
  // that are enabled.
  std::vector<DRInfobarView::MenuAction> contextItems(const QPointF& point, Qt::MouseButton button = Qt::LeftButton) {
    bar->shown.clear();
    click(point, button == Qt::LeftButton ? Qt::MetaModifier : Qt::NoModifier, button);
    std::vector<DRInfobarView::MenuAction> enabled;
    if (bar->shown.size() != 1 || bar->shown.front() != bar->colorOptionsMenu()) return enabled;
    for (QAction* item : bar->colorOptionsMenu()->actions()) {
      if (item->isEnabled() && DRInfobarView::actionOf(item) != DRInfobarView::kActionNone)
        enabled.push_back(DRInfobarView::actionOf(item));
    }
    return enabled;
  }

  // Squares at 800 points wide: quick colours from 285, favourites from
  // 353, recent colours from 561, every 18 points, 15 square, top at 7.
  // (Each moved right by what the zoom pop-up is wider than 76 points.)
  QPointF Quick(int i) const { return QPointF(292 + shift + 18 * i, 14); }
  QPointF Favorite(int j) const { return QPointF(360 + shift + 18 * j, 14); }
  QPointF Recent(int j) const { return QPointF(568 + shift + 18 * j, 14); }
  QPointF LeftArrow() const { return QPointF(346 + shift, 14); }
  QPointF RightArrow() const { return QPointF(537 + shift, 14); }
  int shift = 0;

  SettingsScope scope;  // the key table and element classes for reading records
  FakeModelServices services;
  RecordingPrefs prefs;
  FakeFavoriteColorManager favorites;
  FakeEditorAppServices panel;
  HarnessWindow harness{QSize(1000, 200)};
  QWidget palette;
  DRDrawing drawing;
  FakeCanvasHost canvas{&drawing};
  SnapshotVC vc{&drawing, &canvas};
  FakeEditorWindowHost host{&harness, &vc};
  TestBar* bar = nullptr;
  std::array<QRectF, DRInfobarView::kSwatchCount> rects;
  NotificationCenter::Token applyChanges = 0;

 private:
  DRLineInfo m_savedLine;
  DRTextInfo m_savedText;
  Kolor m_savedFill = 0;
  Kolor m_savedSwap = 0;
  std::optional<DRArrow> m_savedArrow;
};

TEST_F(InfobarColorsTest, FillChangesFromThePanelMergeIntoOneStep) {
  DRElementRectangle* rectangle = add<DRElementRectangle>();
  rectangle->setFillKolor(kRed);
  rectangle->setGradient(DRGradient());
  const QString before = Snapshot(drawing);

  click(rects[3].center());
  ASSERT_EQ(panel.opened.size(), 1u);
  EXPECT_EQ(panel.opened[0].swatch, 3);
  EXPECT_EQ(panel.opened[0].kolor, kRed);  // the selection's fill
  EXPECT_EQ(panel.delegate, static_cast<DRColorPanelDelegate*>(bar));
  for (Kolor kolor : {kGreen, kBlue, kYellow}) panel.chooseKolor(kolor);

  EXPECT_EQ(vc.entries, 1);
  EXPECT_EQ(rectangle->fillKolor(), kYellow);
  EXPECT_FALSE(rectangle->gradient());
  EXPECT_EQ(settings().fillKolor(), kYellow);
  const QString after = Snapshot(drawing);
  vc.undo();
  EXPECT_EQ(Snapshot(drawing), before);  // colour and gradient back in one step
  vc.redo();
  EXPECT_EQ(Snapshot(drawing), after);

  // A new step whenever something came between two fill changes.
  struct Row {
    const char* between;
    std::function<void()> act;
    int newEntries;  // the step between and the fill change's own
  } rows[] = {
      {"nothing", [] {}, 0},
      {"a line colour", [this] { bar->setKolor(kPurple, 0); }, 2},
      {"a selection change",
       [this] { NotificationCenter::defaultCenter().post(g_selectionChangeNotification, &harness); }, 1},
      {"an undo", [this] { vc.undo(); }, 1},
      {"the settings", [] { NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.infoBar")); }, 1},
  };
  bar->setKolor(kRed, 3);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.between);
    const int entries = vc.entries;
    row.act();
    bar->setKolor(kGreen, 3);
    EXPECT_EQ(vc.entries - entries, row.newEntries);
    EXPECT_EQ(bar->undoSwatchIndex(), 3);
  }
}

TEST_F(InfobarColorsTest, ALineColourAlsoSetsTheTextColourInTheSameStep) {
  DRElementText* text = add<DRElementText>();
  DRElementLine* line = add<DRElementLine>();
  DRLineInfo style = line->lineStyle();
  style.setKolorWithoutRegistering(kGreen);
  line->setLineInfo(style);
  const QString before = Snapshot(drawing);
  NotificationRecorder recorder({g_settingsChangeNotification});

  click(rects[0].center());
  ASSERT_EQ(panel.opened.size(), 1u);
  EXPECT_EQ(panel.opened[0].swatch, 0);
  EXPECT_EQ(panel.opened[0].kolor, kGreen);  // the selection's line colour
  panel.chooseKolor(kBlue);

  EXPECT_EQ(vc.entries, 1);
  EXPECT_EQ(text->textInfo().textKolor(), kBlue);
  EXPECT_EQ(line->lineStyle().kolor(), kBlue);
  EXPECT_EQ(settings().lineInfo().kolor(), kBlue);
  EXPECT_EQ(settings().textInfo().textKolor(), kBlue);
  ASSERT_EQ(recorder.posted().size(), 2u);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(g_settingsChangeGetterKey).toString(), g_textKolorKeyPath);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(g_settingsChangeSwatchKey).toInt(), 11);
  EXPECT_EQ(recorder.posted()[1].userInfo.value(g_settingsChangeGetterKey).toString(), g_lineKolorKeyPath);
  EXPECT_EQ(recorder.posted()[1].userInfo.value(g_settingsChangeSwatchKey).toInt(), 0);
  vc.undo();
  EXPECT_EQ(Snapshot(drawing), before);
}

TEST_F(InfobarColorsTest, APaintingTakesColoursIntoTheSettingsOnly) {
  SnapshotVC painting(&drawing, &canvas, DRContentKind::kPainting);
  showTab(&painting);
  DRElementRectangle* rectangle = add<DRElementRectangle>();
  rectangle->setFillKolor(kRed);
  struct Row {
    int swatch;
    Kolor line, text, fill, swap;  // the settings afterwards
  } rows[] = {
      {0, kPurple, kPurple, kPurple, kBlue},
      {3, kPurple, kPurple, kPurple, kBlue},
      {4, kRed, kGreen, kGreen, kPurple},
      {11, kRed, kPurple, kGreen, kBlue},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.swatch);
    settings().lineInfo().setKolorWithoutRegistering(kRed);
    settings().textInfo().setTextKolor(kGreen);
    settings().setFillKolor(kGreen);
    settings().setSwapKolor(kBlue);
    NotificationRecorder recorder({g_settingsChangeNotification, g_normalizeNotification});
    bar->setKolor(kPurple, row.swatch);
    EXPECT_EQ(settings().lineInfo().kolor(), row.line);
    EXPECT_EQ(settings().textInfo().textKolor(), row.text);
    EXPECT_EQ(settings().fillKolor(), row.fill);
    EXPECT_EQ(settings().swapKolor(), row.swap);
    ASSERT_EQ(recorder.posted().size(), 1u);
    EXPECT_EQ(recorder.posted()[0].object, static_cast<QObject*>(&harness));
    EXPECT_EQ(recorder.posted()[0].userInfo, (QVariantMap{{QStringLiteral("swatch"), row.swatch}}));
  }
  EXPECT_EQ(painting.entries, 0);
  EXPECT_EQ(rectangle->fillKolor(), kRed);

  // A line width changes only the settings, with nothing posted.
  NotificationRecorder recorder({g_settingsChangeNotification});
  bar->setLineWidth(6);
  EXPECT_EQ(settings().lineInfo().width(), 3 * kMeasurePerPoint);
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(painting.entries, 0);

  // A specialised painting controller takes changes as the drawing tab does.
  SnapshotVC variant(&drawing, &canvas, DRContentKind::kPaintingVariant);
  showTab(&variant);
  bar->setKolor(kYellow, 3);
  EXPECT_EQ(rectangle->fillKolor(), kYellow);
  EXPECT_EQ(variant.entries, 1);
}

TEST_F(InfobarColorsTest, LineWidthsAndRefusals) {
  DRElementLine* line = add<DRElementLine>();
  NotificationRecorder recorder({g_settingsChangeNotification});
  bar->setLineWidth(5);
  EXPECT_EQ(line->lineStyle().width(), MeasureUnit(2.5 * kMeasurePerPoint));
  EXPECT_EQ(settings().lineInfo().width(), MeasureUnit(2.5 * kMeasurePerPoint));
  ASSERT_EQ(recorder.posted().size(), 1u);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(g_settingsChangeSwatchKey).toInt(), 1);
  EXPECT_EQ(vc.entries, 1);

  // A locked drawing refuses the step: the settings change, the selection
  // does not.
  drawing.setLocked(true);
  recorder.clear();
  bar->setLineWidth(8);
  bar->setKolor(kYellow, 0);
  EXPECT_EQ(settings().lineInfo().width(), 4 * kMeasurePerPoint);
  EXPECT_EQ(settings().lineInfo().kolor(), kYellow);
  EXPECT_EQ(line->lineStyle().width(), MeasureUnit(2.5 * kMeasurePerPoint));
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(vc.entries, 1);
  drawing.setLocked(false);

  // Swatches the colour panel does not serve change nothing.
  const QString before = Snapshot(drawing);
  for (int swatch : {-1, 1, 2, 5, 6, 7, 9, 10, 12, 100}) {
    SCOPED_TRACE(swatch);
    bar->setKolor(kPurple, swatch);
    EXPECT_EQ(settings().lineInfo().kolor(), kYellow);
    EXPECT_EQ(settings().textInfo().textKolor(), kYellow);
    EXPECT_EQ(settings().fillKolor(), kGreen);
    EXPECT_EQ(settings().swapKolor(), kBlue);
  }
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(Snapshot(drawing), before);
  EXPECT_EQ(vc.entries, 1);
}

TEST_F(InfobarColorsTest, TheContextMenuOffersWhatDiffersFromTheCurrentColours) {
  using A = DRInfobarView::MenuAction;
  favorites.kolors = {kBlue, kRed};
  drawing.recentColors() = {kGreen, kPurple};
  // Nothing selected: the current line colour is red, the fill green.
  struct Row {
    const char* where;
    QPointF point;
    Qt::MouseButton button;
    int swatch;
    int64_t colorIndex;
    bool fill, line, add, remove;
  } rows[] = {
      {"line swatch", rects[0].center(), Qt::LeftButton, 0, -1, true, false, true, false},
      {"line swatch, right button", rects[0].center(), Qt::RightButton, 0, -1, true, false, true, false},
      {"fill swatch", rects[3].center(), Qt::LeftButton, 3, -1, false, true, true, false},
      {"favourite blue", Favorite(0), Qt::LeftButton, 5, 3, true, true, false, true},
      {"favourite red, the line colour", Favorite(1), Qt::RightButton, 5, 4, true, false, false, true},
      {"recent green, the fill colour", Recent(0), Qt::LeftButton, 6, 0, false, true, true, false},
      {"recent purple", Recent(1), Qt::LeftButton, 6, 1, true, true, true, false},
      {"quick white", Quick(1), Qt::LeftButton, 5, 1, true, true, false, false},
      {"an empty favourite square", Favorite(2), Qt::LeftButton, 5, -1, false, false, false, false},
      {"an empty recent square", Recent(2), Qt::LeftButton, 6, -1, false, false, false, false},
      {"outside the swatches", QPointF(240 + shift, 14), Qt::RightButton, 9, -1, false, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.where);
    const std::vector<A> enabled = contextItems(row.point, row.button);
    ASSERT_EQ(bar->shown.size(), 1u);
    EXPECT_EQ(bar->contextSwatchIndex(), row.swatch);
    EXPECT_EQ(bar->contextColorIndex(), row.colorIndex);
    auto has = [&](A action) { return std::find(enabled.begin(), enabled.end(), action) != enabled.end(); };
    EXPECT_EQ(has(DRInfobarView::kActionSetFillColor), row.fill);
    EXPECT_EQ(has(DRInfobarView::kActionSetLineColor), row.line);
    EXPECT_EQ(has(DRInfobarView::kActionAddToFavorites), row.add);
    EXPECT_EQ(has(DRInfobarView::kActionDeleteFavorite), row.remove);
    EXPECT_FALSE(has(DRInfobarView::kActionSetSwapColor));  // only in a painting
    EXPECT_TRUE(has(DRInfobarView::kActionShowColor));
  }

  // A selection's colours count instead of the settings'.
  DRElementRectangle* rectangle = add<DRElementRectangle>();
  rectangle->setFillKolor(kPurple);
  EXPECT_EQ(contextItems(rects[0].center()),
            (std::vector<A>{DRInfobarView::kActionSetFillColor, DRInfobarView::kActionShowColor,
                            DRInfobarView::kActionAddToFavorites, DRInfobarView::kActionShowHideFavorites}));
  const std::vector<A> onPurple = contextItems(Recent(1));
  EXPECT_EQ(std::count(onPurple.begin(), onPurple.end(), DRInfobarView::kActionSetFillColor), 0);
}

TEST_F(InfobarColorsTest, ContextMenuCommands) {
  favorites.kolors = {kBlue};
  drawing.recentColors() = {kYellow, kPurple};
  DRElementRectangle* rectangle = add<DRElementRectangle>();
  rectangle->setFillKolor(kRed);
  auto choose = [this](DRInfobarView::MenuAction action, int tag = 0) {
    bar->onMenu = [=](QMenu* menu) {
      QAction* item = FindItem(menu, action, tag);
      ASSERT_TRUE(item);
      ASSERT_TRUE(item->isEnabled());
      item->trigger();
    };
  };

  // Use as fill: the canvas is told to normalise first.
  NotificationRecorder recorder({g_normalizeNotification, g_settingsChangeNotification});
  choose(DRInfobarView::kActionSetFillColor);
  click(Recent(0), Qt::MetaModifier);
  ASSERT_GE(recorder.names().size(), 2);
  EXPECT_EQ(recorder.names().front(), g_normalizeNotification);
  EXPECT_EQ(rectangle->fillKolor(), kYellow);

  // Favourites: added at the front, deleted from the favourite square.
  choose(DRInfobarView::kActionAddToFavorites);
  click(Recent(1), Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(favorites.kolors, (QList<Kolor>{kPurple, kBlue}));
  choose(DRInfobarView::kActionDeleteFavorite);
  click(Favorite(1), Qt::MetaModifier);
  EXPECT_EQ(favorites.kolors, (QList<Kolor>{kPurple}));

  // Show in the panel: the line swatch's own, else the fill's.
  choose(DRInfobarView::kActionShowColor);
  click(rects[0].center(), Qt::MetaModifier);
  click(Recent(1), Qt::MetaModifier);
  ASSERT_EQ(panel.opened.size(), 2u);
  EXPECT_EQ(panel.opened[0].swatch, 0);
  EXPECT_EQ(panel.opened[0].kolor, settings().lineInfo().kolor());
  EXPECT_EQ(panel.opened[1].swatch, 3);
  EXPECT_EQ(panel.opened[1].kolor, kPurple);

  // In a painting a colour can become the swap colour.
  FakeEditorContent painting(DRContentKind::kPainting);
  showTab(&painting);
  choose(DRInfobarView::kActionSetSwapColor);
  click(Recent(0), Qt::MetaModifier);
  EXPECT_EQ(settings().swapKolor(), kYellow);
  // Closing the menu tells the canvas every modifier is up.
  EXPECT_EQ(painting.view.flagsChangedCount, 1);
  EXPECT_EQ(painting.view.lastModifiers, Qt::NoModifier);
}

TEST_F(InfobarColorsTest, Clicks) {
  drawing.recentColors() = {kYellow};
  favorites.kolors = {kPurple};

  // Quick, favourite and recent colours: fill, or line with Option.
  struct Row {
    QPointF point;
    Qt::KeyboardModifiers modifiers;
    Kolor fill, line;
  } rows[] = {
      {Quick(0), Qt::NoModifier, g_blackKolor, kRed},
      {Quick(1), Qt::AltModifier, g_blackKolor, g_whiteKolor},
      {Quick(2), Qt::NoModifier, g_nilKolor, g_whiteKolor},
      {Favorite(0), Qt::AltModifier, g_nilKolor, kPurple},
      {Favorite(1), Qt::NoModifier, g_nilKolor, kPurple},  // empty: nothing
      {Recent(0), Qt::NoModifier, kYellow, kPurple},
      {Recent(1), Qt::AltModifier, kYellow, kPurple},  // empty: nothing
  };
  for (const Row& row : rows) {
    click(row.point, row.modifiers);
    EXPECT_EQ(settings().fillKolor(), row.fill) << row.point.x();
    EXPECT_EQ(settings().lineInfo().kolor(), row.line) << row.point.x();
  }

  // The colour panel opens on the current colour of the swatch: in a
  // painting tab the settings' line colour even with a selection.
  DRElementLine* line = add<DRElementLine>();
  DRLineInfo style = line->lineStyle();
  style.setKolorWithoutRegistering(kBlue);
  line->setLineInfo(style);
  click(rects[0].center());
  click(rects[3].center());  // a line has no fill: the settings'
  host.tabGuid = QStringLiteral("painting");
  FakeEditorContent painting(DRContentKind::kPainting);
  painting.view.isDirty = true;
  showTab(&painting);
  click(rects[0].center());
  click(rects[4].center());
  ASSERT_EQ(panel.opened.size(), 4u);
  const int swatches[] = {0, 3, 0, 4};
  const Kolor kolors[] = {kBlue, kYellow, kPurple, kBlue};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(panel.opened[i].swatch, swatches[i]);
    EXPECT_EQ(panel.opened[i].kolor, kolors[i]);
  }

  // The save icon writes the painting back; the width and arrow swatches
  // pop up their menus.
  click(rects[7].center());
  EXPECT_EQ(painting.updateBimapElementCount, 1);
  click(rects[1].center());
  ASSERT_EQ(bar->shown.size(), 1u);
  EXPECT_EQ(bar->shown.back(), bar->lineWidthMenu());
}

TEST_F(InfobarColorsTest, RecentColours) {
  struct Row {
    const char* what;
    QList<Kolor> before;
    QVariantMap info;
    bool dragging;
    QList<Kolor> after;
  } rows[] = {
      {"a new colour goes first", {kRed, kGreen}, {{"color", ValueWithKolor(kBlue)}}, false, {kBlue, kRed, kGreen}},
      {"a known colour moves to the front",
       {kRed, kGreen, kBlue},
       {{"color", ValueWithKolor(kBlue)}},
       false,
       {kBlue, kRed, kGreen}},
      {"black is ignored", {kRed}, {{"color", ValueWithKolor(g_blackKolor)}}, false, {kRed}},
      {"white is ignored", {kRed}, {{"color", ValueWithKolor(g_whiteKolor)}}, false, {kRed}},
      {"a drag replaces the newest", {kRed, kGreen}, {{"color", ValueWithKolor(kBlue)}}, true, {kBlue, kGreen}},
      {"a drag on no colours adds", {}, {{"color", ValueWithKolor(kBlue)}}, true, {kBlue}},
      {"a drag onto a known colour", {kRed, kGreen, kBlue}, {{"color", ValueWithKolor(kBlue)}}, true, {kBlue, kGreen}},
      {"no colour", {kRed}, {{"color", ValueWithKolor(g_nilKolor)}}, false, {kRed}},
      {"no colour entry", {kRed}, {}, false, {kRed}},
      {"a plain number", {kRed}, {{"color", QVariant::fromValue(kBlue)}}, false, {kRed}},
      {"a text", {kRed}, {{"color", QStringLiteral("blue")}}, false, {kRed}},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    drawing.recentColors() = row.before;
    g_dragging = row.dragging;
    const QString name = n++ % 2 ? QStringLiteral("twdraw.registerAltColor") : QStringLiteral("twdraw.registerColor");
    NotificationCenter::defaultCenter().post(name, &harness, row.info);
    EXPECT_EQ(drawing.recentColors(), row.after);
  }
  g_dragging = false;

  // Another window's registrations are not this drawing's.
  drawing.recentColors() = {kRed};
  QObject otherWindow;
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.registerColor"), &otherWindow,
                                           {{"color", ValueWithKolor(kBlue)}});
  EXPECT_EQ(drawing.recentColors(), QList<Kolor>{kRed});

  // A list read from a file may be of any length; the bar keeps its own
  // bound once it adds to it.
  QList<Kolor> longList;
  for (int i = 0; i < 300; ++i) longList << MakeKolor(i % 256, i / 256, 7);
  drawing.recentColors() = longList;
  bar->swatchSizeAndRects(&rects);
  HarnessWindow::grabView(bar);
  int64_t colorIndex = 0;
  EXPECT_EQ(bar->swatchIndexForPoint(Recent(11), &colorIndex), 6);
  EXPECT_EQ(colorIndex, 11);
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.registerColor"), &harness,
                                           {{"color", ValueWithKolor(kBlue)}});
  ASSERT_EQ(drawing.recentColors().size(), DRInfobarView::kMaxRecentColors);
  EXPECT_EQ(drawing.recentColors().front(), kBlue);
  EXPECT_EQ(drawing.recentColors()[1], longList[0]);
}

TEST_F(InfobarColorsTest, PagingThroughTheFavourites) {
  for (int i = 0; i < 25; ++i) favorites.kolors << MakeKolor(10 * i, 100, 200);
  DRInfobarView::setFavoriteAnimationSeconds(0.03);
  struct Step {
    QPointF point;
    uint64_t first;
    bool animates;
  } steps[] = {
      {LeftArrow(), 0, false},                                                        // nothing to the left yet
      {RightArrow(), 10, true}, {RightArrow(), 20, true}, {RightArrow(), 20, false},  // the last page shows the rest
      {LeftArrow(), 10, true},  {LeftArrow(), 0, true},
  };
  for (const Step& step : steps) {
    bar->steps.clear();
    click(step.point);
    EXPECT_EQ(bar->firstFavoriteIndex(), step.first) << step.point.x();
    EXPECT_EQ(!bar->steps.empty(), step.animates) << step.point.x();
    EXPECT_FALSE(bar->isAnimating());
  }

  // After a page to the right the squares show the next favourites and the
  // left arrow is drawn.
  click(RightArrow());
  ASSERT_EQ(bar->firstFavoriteIndex(), 10u);
  const QImage image = HarnessWindow::grabView(bar);
  EXPECT_TRUE(ColorNear(image.pixel(LeftArrow().toPoint()), QColor(0x40, 0x40, 0x40), 24));
  click(Favorite(0));
  EXPECT_EQ(settings().fillKolor(), favorites.kolors[10]);

  // A page to the left from before a whole page stops at the first
  // favourite.
  prefs.favoriteCount = 15;
  click(LeftArrow());
  EXPECT_EQ(bar->firstFavoriteIndex(), 0u);

  // Clicks during a scroll are not taken; a tab change ends it.
  prefs.favoriteCount = -1;
  bar->onStep = [this](double) {
    if (bar->steps.size() != 1) return;
    click(Quick(0));
    click(RightArrow());
    NotificationCenter::defaultCenter().post(g_tabChangeNotification, &harness);
  };
  settings().setFillKolor(kGreen);
  bar->steps.clear();
  click(RightArrow());
  EXPECT_EQ(settings().fillKolor(), kGreen);
  EXPECT_EQ(bar->firstFavoriteIndex(), 10u);
  EXPECT_FALSE(bar->isAnimating());
  // Favourites changing elsewhere go back to the first page.
  favorites.addKolor(kYellow, true);
  EXPECT_EQ(bar->firstFavoriteIndex(), 0u);
}

TEST_F(InfobarColorsTest, ShowingAndHidingTheFavourites) {
  DRInfobarView::setFavoriteAnimationSeconds(0.03);
  struct Row {
    int preference;
    int final;
    const char* title;  // of the menu item before
  } rows[] = {
      {-1, 0, "Hide Favorites"},
      {0, -1, "Show Favorites"},
      {7, 0, "Hide Favorites"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.preference);
    prefs.favoriteCount = row.preference;
    prefs.counts.clear();
    bar->menuNeedsUpdate(bar->colorOptionsMenu());
    QAction* item = FindItem(bar->colorOptionsMenu(), DRInfobarView::kActionShowHideFavorites,
                             DRInfobarView::kShowHideFavoritesTag);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->text(), QString::fromLatin1(row.title));
    item->trigger();
    EXPECT_FALSE(bar->isAnimating());
    EXPECT_EQ(prefs.favoriteCount, row.final);
    ASSERT_FALSE(prefs.counts.empty());
    // The strip grew or shrank square by square on the way.
    for (size_t i = row.final == 0 ? 1 : 2; i + 1 < prefs.counts.size(); ++i) {
      if (row.final == 0) {
        EXPECT_LE(prefs.counts[i], prefs.counts[i - 1]);
      } else {
        EXPECT_GE(prefs.counts[i], prefs.counts[i - 1]);
      }
    }
  }

  // Closing the window while the favourites hide ends the animation with
  // them hidden.
  prefs.favoriteCount = -1;
  bar->onStep = [this](double) {
    if (bar->steps.size() == 1) NotificationCenter::defaultCenter().post(g_windowWillCloseNotification, &harness);
  };
  bar->steps.clear();
  bar->showHideFavorites();
  EXPECT_FALSE(bar->isAnimating());
  EXPECT_EQ(prefs.favoriteCount, 0);
}

TEST_F(InfobarColorsTest, TheArrowMenu) {
  QList<DRArrow>& recents = services.recentArrows();
  for (int type : {kArrowTypeBar, kArrowTypeBall, kArrowTypeClosed}) recents << *DRArrow::standardArrow(type);
  DRElementLine* line = add<DRElementLine>();

  // Rebuilt each time it opens: the recent arrows after the fixed items,
  // tagged from 1000 in the list's order, each with its picture.
  auto recentItems = [this] {
    std::vector<int> tags;
    for (QAction* item : bar->arrowMenu()->actions()) {
      if (DRInfobarView::actionOf(item) != DRInfobarView::kActionUseRecentArrow) continue;
      EXPECT_TRUE(item->text().isEmpty());
      EXPECT_FALSE(item->icon().isNull());
      tags.push_back(DRInfobarView::tagOf(item));
    }
    return tags;
  };
  click(rects[2].center());
  ASSERT_EQ(bar->shown.back(), bar->arrowMenu());
  EXPECT_EQ(recentItems(), (std::vector<int>{1000, 1001, 1002}));
  for (int type = 1; type <= 6; ++type)
    EXPECT_FALSE(FindItem(bar->arrowMenu(), DRInfobarView::kActionSetArrowStyle, type)->icon().isNull());
  EXPECT_EQ(vc.view.flagsChangedCount, 1);
  recents.removeLast();
  click(rects[2].center());
  EXPECT_EQ(recentItems(), (std::vector<int>{1000, 1001}));

  // A recent arrow becomes the settings' and the selection's, and moves to
  // the front of the list; a tag past the list does nothing.
  NotificationRecorder recorder({QStringLiteral("twdraw.arrowChange"), g_settingsChangeNotification});
  bar->useRecentArrow(1001);
  const DRArrow ball = *DRArrow::standardArrow(kArrowTypeBall);
  ASSERT_TRUE(settings().arrow());
  EXPECT_TRUE(*settings().arrow() == ball);
  ASSERT_TRUE(line->arrow());
  EXPECT_TRUE(*line->arrow() == ball);
  EXPECT_TRUE(recents.front() == ball);
  EXPECT_EQ(vc.entries, 1);
  for (int tag : {1002, 999, -5, 1 << 30}) bar->useRecentArrow(tag);
  EXPECT_EQ(recents.size(), 2);
  EXPECT_TRUE(*settings().arrow() == ball);
  EXPECT_EQ(vc.entries, 1);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.count(QStringLiteral("twdraw.arrowChange")), 1);
  EXPECT_EQ(recorder.count(g_settingsChangeNotification), 1);

  // Ends and fill toggle what the selection shows; all arrow changes of one
  // selection make one step.
  vc.view.style.arrow = line->arrow();
  bar->setArrowEnd(1);
  EXPECT_EQ(line->arrow()->onStart(), 1);
  EXPECT_TRUE(settings().arrowOnStart());
  const int filled = line->arrow()->fill();
  vc.view.style.arrow = line->arrow();
  bar->setArrowFill();
  EXPECT_EQ(line->arrow()->fill(), filled ? 0 : 1);
  EXPECT_EQ(settings().fillArrow(), !filled);
  bar->setArrowEnd(0);
  EXPECT_FALSE(line->arrow());
  EXPECT_FALSE(settings().arrow());
  EXPECT_EQ(vc.entries, 1);
}

TEST_F(InfobarColorsTest, MenuCheckMarks) {
  struct Row {
    const char* what;
    std::function<void()> setUp;
    int checkedWidth;  // tag, half points
    int checkedEnd;    // 0 none, 1 start, 2 end
    bool fillEnabled, fillChecked;
  } rows[] = {
      {"the settings", [] { settings().lineInfo().setWidth(2 * kMeasurePerPoint); }, 4, 0, false, false},
      {"a closed arrow in the settings",
       [] {
         std::optional<DRArrow> arrow = DRArrow::standardArrow(kArrowTypeClosed);
         arrow->setFill(1);
         settings().setArrow(arrow);
       },
       4, 2, true, true},
      {"a selected line",
       [this] {
         DRElementLine* line = add<DRElementLine>();
         DRLineInfo style = line->lineStyle();
         style.setWidth(6 * kMeasurePerPoint);
         line->setLineInfo(style);
         std::optional<DRArrow> arrow = DRArrow::standardArrow(kArrowTypeBar);
         arrow->setOnEnd(0);
         arrow->setOnStart(1);
         line->setArrow(arrow);
       },
       12, 1, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.setUp();
    click(rects[1].center());
    for (QAction* item : bar->lineWidthMenu()->actions()) {
      EXPECT_TRUE(item->isEnabled());
      EXPECT_EQ(item->isChecked(), DRInfobarView::tagOf(item) == row.checkedWidth) << item->text().toStdString();
    }
    click(rects[2].center());
    for (int tag : {0, 1, 2}) {
      EXPECT_EQ(FindItem(bar->arrowMenu(), DRInfobarView::kActionSetArrowEnd, tag)->isChecked(), tag == row.checkedEnd)
          << tag;
    }
    QAction* fill = FindItem(bar->arrowMenu(), DRInfobarView::kActionSetArrowFill);
    EXPECT_EQ(fill->isEnabled(), row.fillEnabled);
    EXPECT_EQ(fill->isChecked(), row.fillChecked);
  }
}

}  // namespace
