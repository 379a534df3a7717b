// The drawing window: its tabs, status texts, save choice, menu validation
// and close behaviour, in a real window on a new drawing.

#include <QAction>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QScrollArea>
#include <QStandardPaths>

#include "RecordingPaintTab.h"
#include "ShellTestSupport.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementRectangle.h"
#include "model/DRPainting.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorDialogs.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/ScriptedAlerts.h"
#include "ui/ScriptedDialogs.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/CSBundleKeys.h"
#include "ui/shell/DROpenFiles.h"
#include "ui/shell/DRPrintAccessories.h"
#include "ui/shell/DRWindowController.h"

namespace {

QAction* Item(const QString& selector, int tag = 0) {
  auto* item = new QAction(selector);
  item->setProperty(DRActionRouter::kSelectorProperty, selector);
  item->setProperty(DRDrawVC::kTagProperty, tag);
  return item;
}

}  // namespace

// Public throughout: rows of the tables act on the fixture.
class DrawingWindowTest : public ShellTest {
 public:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    DRWindowController::setPaintTabFactory([](DRWindowController*) { return std::make_unique<RecordingPaintTab>(); });
    CSDocumentWC::setSaveTypes({QStringLiteral("twd"), QStringLiteral("png"), QStringLiteral("heic")});
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(700, 500);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    ShellTest::TearDown();
    DRWindowController::setPaintTabFactory(nullptr);
  }

  // A fresh window on a new drawing in place of the current one.
  void reopen() {
    QMainWindow* window = controller->window();
    controller->windowWillClose();
    window->close();
    Spin();
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->show();
    Spin();
  }
  DRDrawing* drawing() const { return controller->drawing(); }
  DRElementBitmap* addBitmap(const QString& guid, const QString& name = QString()) {
    auto bitmap = std::make_unique<DRElementBitmap>(std::make_shared<DRPainting>(QSizeF(20, 20)));
    bitmap->setGuid(guid);
    if (!name.isNull()) bitmap->setName(name);
    bitmap->setFrame(ConvertViewRect(QRectF(10, 10, 20, 20)));
    DRElementBitmap* raw = bitmap.get();
    drawing()->elements().push_back(std::move(bitmap));
    return raw;
  }
  // Opens tabs for the bitmaps, the first selected.
  void openTabs(const std::vector<DRElementBitmap*>& bitmaps) {
    controller->drawView()->setSelection(std::vector<DRElement*>(bitmaps.begin(), bitmaps.end()));
    controller->editPaintings();
  }
  void select(std::vector<DRElement*> elements) { controller->drawView()->setSelection(std::move(elements)); }
  QString selectedTab() const { return controller->windowTabs()->selectedTab(); }
  RecordingPaintTab* tab(const QString& guid) const {
    const auto* record = controller->bitmapDictForGuid(guid);
    return record ? static_cast<RecordingPaintTab*>(record->control.get()) : nullptr;
  }
  QStringList stripNames() const {
    QStringList names;
    for (int64_t i = 0; i < controller->windowTabs()->tabCount(); ++i) {
      const QString id = controller->windowTabs()->identifierOfTab(i);
      names << (id == DRWindowController::kDrawingTab ? id : controller->bitmapDictForGuid(id)->name);
    }
    return names;
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  DRWindowController* controller = nullptr;
};

TEST_F(DrawingWindowTest, TheWindowHoldsTheCanvasInItsScrollAreaAndStartsOnTheDrawingTab) {
  EXPECT_EQ(controller->scrollView()->widget(), controller->drawView());
  EXPECT_EQ(controller->currentContent(), controller->drawVC());
  EXPECT_EQ(selectedTab(), DRWindowController::kDrawingTab);
  EXPECT_EQ(drawing()->documentHost(), static_cast<DRDocumentHost*>(controller));
  EXPECT_EQ(drawing()->windowController(), static_cast<CSDocumentWindow*>(controller));
}

// Collects Qt's warnings while it lives.
class QtWarnings {
 public:
  QtWarnings() : m_previous(qInstallMessageHandler(&QtWarnings::handle)) { Lines().clear(); }
  ~QtWarnings() { qInstallMessageHandler(m_previous); }
  QStringList lines() const { return Lines(); }

 private:
  static QStringList& Lines() {
    static QStringList lines;
    return lines;
  }
  static void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // The offscreen platform's notes on what it cannot do are not the program's.
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    if (type != QtDebugMsg && type != QtInfoMsg) Lines() << message;
  }
  QtMessageHandler m_previous;
};

TEST_F(DrawingWindowTest, ANewDrawingIsUntitledAndShowsItsEditedMark) {
  QtWarnings warnings;
  reopen();
  QMainWindow* window = controller->window();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Untitled[*]"));
  // The tab strip labels a window by this title.
  EXPECT_EQ(controller->miniaturizedTitle(), QStringLiteral("Untitled"));
  controller->setDocumentEdited(true);
  EXPECT_TRUE(window->isWindowModified());
  controller->setDocumentEdited(false);

  ScriptedAlerts alerts;
  drawing()->setDirty(true);
  controller->performClose();
  ASSERT_EQ(alerts.pendingCount(), 1);
  EXPECT_EQ(alerts.asked()[0].message, QStringLiteral("Save changes to Untitled?"));
  ASSERT_TRUE(alerts.answer(g_cancel));
  drawing()->setDirty(false);

  // Elements that come from no file make an untitled drawing too.
  QWidget* imported = NewDrawingForElements(DRElementList(), nullptr, QString(), QString());
  ASSERT_NE(imported, nullptr);
  EXPECT_EQ(imported->windowTitle(), QStringLiteral("Untitled[*]"));
  Spin();
  EXPECT_TRUE(warnings.lines().isEmpty()) << warnings.lines().join(QLatin1Char('\n')).toStdString();
}

TEST_F(DrawingWindowTest, TheInfoPanelGivesItsWidthBackToTheCanvas) {
  QScrollArea* scroll = controller->scrollView();
  const int full = scroll->parentWidget()->width();
  const int panel = controller->infoContainer()->width();
  ASSERT_GT(panel, 0);
  std::unique_ptr<QAction> item(Item(QStringLiteral("toggleInfo:")));
  struct Step {
    bool animated;
    bool open;
  };
  const Step steps[] = {{false, false}, {false, true}, {true, false}, {true, true}};
  EXPECT_TRUE(controller->isInfoPanelOpen());
  EXPECT_EQ(scroll->width(), full - panel);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.animated);
    if (step.animated) {
      controller->actionRouter().sendAction(QStringLiteral("toggleInfo:"), item.get());
    } else {
      controller->toggleInfo();
    }
    Spin();
    EXPECT_EQ(controller->isInfoPanelOpen(), step.open);
    EXPECT_EQ(scroll->width(), step.open ? full - panel : full);
  }
}

TEST_F(DrawingWindowTest, TabsAreTitledAndNumberedAndKeepTheirPlaceWhenReopened) {
  DRElementBitmap* a = addBitmap(QStringLiteral("ga"));
  DRElementBitmap* b = addBitmap(QStringLiteral("gb"), QStringLiteral("Sky"));
  DRElementBitmap* c = addBitmap(QStringLiteral("gc"));
  openTabs({a, b, c});
  EXPECT_EQ(stripNames(), (QStringList{"Drawing", "Painting 1", "Sky", "Painting 3"}));
  EXPECT_EQ(selectedTab(), QStringLiteral("ga"));
  EXPECT_EQ(controller->scrollView()->widget(), tab(QStringLiteral("ga"))->view());

  // Closing a tab that is not selected keeps the selection; closing the
  // selected one goes back to the drawing.
  controller->closeTab(QStringLiteral("gb"));
  EXPECT_EQ(selectedTab(), QStringLiteral("ga"));
  EXPECT_EQ(controller->tabGuids(), (QStringList{"ga", "gc"}));
  controller->closeTab(QStringLiteral("ga"));
  EXPECT_EQ(selectedTab(), DRWindowController::kDrawingTab);
  EXPECT_EQ(controller->currentContent(), controller->drawVC());
  EXPECT_EQ(controller->scrollView()->widget(), controller->drawView());
  EXPECT_FALSE(drawing()->bitmapGuids().contains(QStringLiteral("ga")));

  // Reopened, a painting takes its old place.
  openTabs({b, a});
  EXPECT_EQ(stripNames(), (QStringList{"Drawing", "Painting 1", "Sky", "Painting 3"}));
  EXPECT_EQ(selectedTab(), QStringLiteral("gb"));
  // An unknown tab changes nothing.
  controller->closeTab(QStringLiteral("nowhere"));
  controller->selectTab(QStringLiteral("nowhere"));
  EXPECT_EQ(selectedTab(), QStringLiteral("gb"));
  EXPECT_EQ(controller->currentTabGuid(), QStringLiteral("gb"));
}

TEST_F(DrawingWindowTest, ClosingADirtyTabWritesItsPaintingBack) {
  DRElementBitmap* a = addBitmap(QStringLiteral("ga"));
  openTabs({a});
  tab(QStringLiteral("ga"))->dirty = true;
  QPointer<QWidget> view = tab(QStringLiteral("ga"))->view();
  drawing()->setPaintingDirty(true);
  RecordingPaintTab::destroyedWriteBacks = -1;
  controller->closeTab(QStringLiteral("ga"));
  // The controller wrote once and then went with its tab.
  EXPECT_EQ(RecordingPaintTab::destroyedWriteBacks, 1);
  EXPECT_EQ(controller->bitmapDictForGuid(QStringLiteral("ga"))->control, nullptr);
  EXPECT_TRUE(view.isNull());
  EXPECT_FALSE(drawing()->isPaintingDirty());
}

TEST_F(DrawingWindowTest, NextTabWalksThePaintingsAndReturnsToTheDrawing) {
  openTabs({addBitmap(QStringLiteral("g1")), addBitmap(QStringLiteral("g2")), addBitmap(QStringLiteral("g3"))});
  controller->selectTab(DRWindowController::kDrawingTab);
  controller->windowTabs()->selectTab(DRWindowController::kDrawingTab);
  const QStringList expected{"g1", "g2", "g3", "Drawing", "g1"};
  for (const QString& next : expected) {
    controller->actionRouter().sendAction(QStringLiteral("nextTab:"), nullptr);
    EXPECT_EQ(selectedTab(), next);
    EXPECT_EQ(controller->currentTabGuid(), next == "Drawing" ? QString() : next);
  }
}

TEST_F(DrawingWindowTest, UndoingABitmapsCreationClosesItsTab) {
  DRDrawVC* vc = controller->drawVC();
  ASSERT_TRUE(vc->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoAddObject));
  DRElementBitmap* a = addBitmap(QStringLiteral("ga"));
  openTabs({a});
  ASSERT_EQ(controller->tabGuids(), QStringList{"ga"});
  controller->selectTab(DRWindowController::kDrawingTab);
  vc->undoEdit(nullptr);
  EXPECT_TRUE(drawing()->elements().empty());
  EXPECT_TRUE(controller->tabGuids().isEmpty());
  EXPECT_EQ(controller->bitmapDictForGuid(QStringLiteral("ga"))->control, nullptr);
}

TEST_F(DrawingWindowTest, CommandsReachThePaintingController) {
  openTabs({addBitmap(QStringLiteral("ga"))});
  std::unique_ptr<QAction> swap(Item(QStringLiteral("swapSelectionColors:"), 3));
  std::unique_ptr<QAction> invert(Item(QStringLiteral("invert:"), 0));
  EXPECT_TRUE(controller->actionRouter().sendAction(QStringLiteral("swapSelectionColors:"), swap.get()));
  EXPECT_TRUE(controller->actionRouter().sendAction(QStringLiteral("invert:"), invert.get()));
  EXPECT_EQ(tab(QStringLiteral("ga"))->received, (QStringList{"swapColors: 3", "invert: 0"}));
  tab(QStringLiteral("ga"))->enabled = false;
  EXPECT_FALSE(controller->actionRouter().validateMenuItem(swap.get()));
  // The drawing tab has no painting commands.
  controller->selectTab(DRWindowController::kDrawingTab);
  EXPECT_FALSE(controller->actionRouter().sendAction(QStringLiteral("invert:"), invert.get()));
}

TEST_F(DrawingWindowTest, StatusTexts) {
  const MeasureUnit pt = kMeasurePerPoint;
  struct Row {
    const char* name;
    QString text;
    QString expected;
  };
  const QString ten = FormatMeasure(10 * pt, false, false, kCurrentDistanceUnit);
  const QString twenty = FormatMeasure(20 * pt, false, false, kCurrentDistanceUnit);
  const QString diagonal = FormatMeasure(RoundMeasure(MeasureFromDouble(std::hypot(30.0 * pt, 40.0 * pt)), 127), false,
                                         false, kCurrentDistanceUnit);
  const Row rows[] = {
      {"size", DRWindowController::sizeStatusText(10 * pt, 20 * pt), "w: " + ten + "\th: " + twenty},
      {"size without width", DRWindowController::sizeStatusText(-1, 20 * pt), "h: " + twenty},
      {"position", DRWindowController::positionStatusText(10 * pt, -1, 20 * pt, 10 * pt),
       "l: " + ten + "\tw: " + twenty + "\th: " + ten},
      {"horizontal line", DRWindowController::lineStatusText({0, 5 * pt}, {10 * pt, 5 * pt}), "w: " + ten},
      {"vertical line", DRWindowController::lineStatusText({5 * pt, 20 * pt}, {5 * pt, 0}), "h: " + twenty},
      {"diagonal line", DRWindowController::lineStatusText({0, 0}, {30 * pt, -40 * pt}),
       "w: " + FormatMeasure(30 * pt, false, false, kCurrentDistanceUnit) +
           "\th: " + FormatMeasure(40 * pt, false, false, kCurrentDistanceUnit) + QStringLiteral("\tΔ: ") + diagonal},
      {"a point", DRWindowController::lineStatusText({pt, pt}, {pt, pt}), QString()},
      {"delta", DRWindowController::deltaStatusText(pt, -2 * pt), "x:1\ty: -2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.text, row.expected);
  }
  EXPECT_TRUE(DRWindowController::lineStatusText({pt, pt}, {pt, pt}).isNull());
  controller->setLineStatusFrom({0, 0}, {10 * pt, 0});
  EXPECT_EQ(controller->statusView()->statusString(), "w: " + ten);
}

TEST_F(DrawingWindowTest, SaveInPlaceOnlyForASaveTypeThatNeedsNoChoice) {
  struct Row {
    QString path;
    bool inPlace;
  };
  const Row rows[] = {
      {QString(), false},
      {QStringLiteral("/tmp/a.twd"), true},
      {QStringLiteral("/tmp/a.PNG"), true},
      {QStringLiteral("/tmp/a.doc"), false},
      {QStringLiteral("/tmp/a"), false},
      {QStringLiteral("/tmp/a.heic"), false},  // its compression was never chosen
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    drawing()->setFilePath(row.path);
    EXPECT_EQ(controller->savesInPlace(), row.inPlace);
  }
}

TEST_F(DrawingWindowTest, MenuValidation) {
  struct Row {
    const char* selector;
    std::function<void(DrawingWindowTest&)> setUp;
    bool enabled;
  };
  const Row rows[] = {
      {"printDrawing:", [](DrawingWindowTest&) {}, false},
      {"printDrawing:", [](DrawingWindowTest& t) { t.addBitmap("g1"); }, true},
      {"saveDocumentAs:", [](DrawingWindowTest&) {}, false},
      {"saveDocument:", [](DrawingWindowTest&) {}, false},
      {"saveDocument:", [](DrawingWindowTest& t) { t.drawing()->setDirty(true); }, true},
      {"saveDocument:",
       [](DrawingWindowTest& t) {
         t.drawing()->setDirty(true);
         t.drawing()->setLocked(true);
       },
       false},
      {"revertDocument:", [](DrawingWindowTest& t) { t.drawing()->setDirty(true); }, false},
      {"revertDocument:",
       [](DrawingWindowTest& t) {
         t.drawing()->setDirty(true);
         t.drawing()->setFilePath("/tmp/x.twd");
       },
       true},
      {"editPaintings:", [](DrawingWindowTest& t) { t.addBitmap("g1"); }, false},
      {"editPaintings:", [](DrawingWindowTest& t) { t.controller->drawView()->setSelection({t.addBitmap("g1")}); },
       true},
      {"closeTab:", [](DrawingWindowTest&) {}, false},
      {"closeTab:", [](DrawingWindowTest& t) { t.openTabs({t.addBitmap("g1")}); }, true},
      {"nextTab:", [](DrawingWindowTest&) {}, false},
      {"nextTab:",
       [](DrawingWindowTest& t) {
         t.openTabs({t.addBitmap("g1")});
         t.controller->selectTab("Drawing");
       },
       true},
      {"distribute:", [](DrawingWindowTest& t) { t.select({t.addBitmap("g1")}); }, false},
      {"distribute:",
       [](DrawingWindowTest& t) {
         t.select({t.addBitmap("g1"), t.addBitmap("g2")});
       },
       true},
      {"distribute:",
       [](DrawingWindowTest& t) {
         t.select({t.addBitmap("g1"), t.addBitmap("g2")});
         t.drawing()->setLocked(true);
       },
       false},
      {"distribute:",
       [](DrawingWindowTest& t) {
         t.openTabs({t.addBitmap("g1"), t.addBitmap("g2")});
       },
       false},  // a painting tab is selected
      {"createQuicklook:", [](DrawingWindowTest&) {}, true},
      {"saveDocumentCopy:", [](DrawingWindowTest&) {}, true},
      {"toggleSelect:", [](DrawingWindowTest&) {}, true},
      // Asked of the drawing's controller: nothing to select.
      {"selectAll:", [](DrawingWindowTest&) {}, false},
      {"selectAll:", [](DrawingWindowTest& t) { t.addBitmap("g1"); }, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.selector);
    reopen();
    row.setUp(*this);
    std::unique_ptr<QAction> item(Item(QString::fromLatin1(row.selector)));
    EXPECT_EQ(controller->actionRouter().validateMenuItem(item.get()), row.enabled);
  }
}

TEST_F(DrawingWindowTest, TheDistributeSheetsGapsReachTheSelection) {
  FakeEditorDialogs dialogs;
  DRElementBitmap* a = addBitmap("g1");
  DRElementBitmap* b = addBitmap("g2");
  b->setFrame(ConvertViewRect(QRectF(100, 50, 20, 20)));
  struct Row {
    bool chosen;
    double expectedLeft;  // b's left, in points
  };
  // The chain starts at the last selected element (a, at 10 to 30).
  const Row rows[] = {{false, 100}, {true, 31}};
  for (const Row& row : rows) {
    select({b, a});
    dialogs.offsetChosen = row.chosen;
    controller->actionRouter().sendAction(QStringLiteral("distribute:"), nullptr);
    EXPECT_EQ(dialogs.sheets.takeLast(), QStringLiteral("distribute"));
    EXPECT_EQ(b->frame().x, MeasureUnit(row.expectedLeft * kMeasurePerPoint)) << row.chosen;
  }
}

TEST_F(DrawingWindowTest, MovingPixelsIntoTheDrawingEndsOnTheDrawingTab) {
  DRElementBitmap* a = addBitmap("g1");
  openTabs({a});
  RecordingPaintTab* painting = tab("g1");
  const CSImage image = CSImage::initWithSize(QSizeF(8, 8));
  struct Row {
    bool locked;
    int pastes;
    QString tab;
  };
  // A locked drawing refuses the entry: nothing moves.
  const Row rows[] = {{true, 0, "g1"}, {false, 1, "Drawing"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.locked);
    drawing()->setLocked(row.locked);
    controller->moveToDrawingCore(image, 40, 50);
    EXPECT_EQ(int(clipboard.imagePastes.size()), row.pastes);
    EXPECT_EQ(painting->selectionDeletes, row.pastes);
    EXPECT_EQ(painting->writeBacks, row.pastes);
    EXPECT_EQ(selectedTab(), row.tab);
  }
  EXPECT_EQ(clipboard.imagePastes.back().canvas, static_cast<DRCanvasHost*>(controller->drawView()));
  EXPECT_EQ(clipboard.imagePastes.back().x, 40);
  EXPECT_FALSE(controller->drawVC()->suppressUndo());
  EXPECT_TRUE(controller->drawVC()->undoManager().isUndoAvailable());
}

TEST_F(DrawingWindowTest, QuicklookTogglesTheDrawingsPreviewAndItsCheckMark) {
  std::unique_ptr<QAction> item(Item(QStringLiteral("createQuicklook:")));
  const bool before = drawing()->createPreview();
  controller->actionRouter().sendAction(QStringLiteral("createQuicklook:"), item.get());
  EXPECT_NE(drawing()->createPreview(), before);
  controller->actionRouter().validateMenuItem(item.get());
  EXPECT_EQ(item->isChecked(), drawing()->createPreview());
}

TEST_F(DrawingWindowTest, ALockedDrawingAsksOnlyWhenDirty) {
  drawing()->setLocked(true);
  EXPECT_TRUE(controller->windowShouldClose(nullptr));
  EXPECT_FALSE(controller->isShowingSaveAlert());
  drawing()->setDirty(true);
  EXPECT_FALSE(controller->windowShouldClose(nullptr));
  EXPECT_TRUE(controller->isShowingSaveAlert());
}

TEST_F(DrawingWindowTest, ClosingPostsTheWindowsLastNotification) {
  int posts = 0;
  QObject* window = controller->window();
  NotificationCenter::defaultCenter().addObserver(this, g_windowWillCloseNotification, window,
                                                  [&](const CSNotification&) { ++posts; });
  controller->windowWillClose();
  controller->windowWillClose();
  NotificationCenter::defaultCenter().removeObserver(this);
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(drawing()->documentHost(), nullptr);
}

// The PDF's title and page count, by pdfinfo; empty without it.
std::pair<QString, QString> PdfInfo(const QString& path) {
  if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()) return {};
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {path});
  if (!info.waitForFinished(30000)) return {};
  std::pair<QString, QString> result;
  for (const QString& line : QString::fromUtf8(info.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QLatin1String("Title:"))) result.first = line.mid(6).trimmed();
    if (line.startsWith(QLatin1String("Pages:"))) result.second = line.mid(6).trimmed();
  }
  return result;
}

TEST_F(DrawingWindowTest, PrintsToPdfThroughThePanelWithItsOptionsPage) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(ConvertViewRect(QRectF(60, 60, 180, 120)));
  rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
  drawing()->elements().push_back(std::move(rect));
  controller->setTitle(QStringLiteral("Plan"));
  const QString pdf = QDir::homePath() + QStringLiteral("/files/plan.pdf");
  ScriptedDialogs dialogs;
  QDialog* panel = nullptr;
  dialogs.push([&](QDialog* dialog) { panel = dialog; });
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  controller->printWithInfo(printer, true);
  ASSERT_NE(qobject_cast<QPrintDialog*>(panel), nullptr);
  auto* options = dynamic_cast<DRPrintOptionVC*>(panel->findChild<QWidget*>(QStringLiteral("PrintOptionsView")));
  ASSERT_NE(options, nullptr);
  options->scaleButton()->click();
  EXPECT_TRUE(drawing()->scaleToFit());
  EXPECT_TRUE(drawing()->centerOnPage());
  panel->done(QDialog::Accepted);
  ASSERT_TRUE(QFile::exists(pdf));
  const auto [title, pages] = PdfInfo(pdf);
  if (!title.isNull()) {
    EXPECT_EQ(title, QString::fromUtf8(kBundleName) + QStringLiteral(" — Plan"));
    EXPECT_EQ(pages, QStringLiteral("1"));
  }
}

// Not a check: keeps a drawing window with two painting tabs and the info
// panel up for a few seconds, for a look at it on a real display.
TEST_F(DrawingWindowTest, DISABLED_Showcase) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(ConvertViewRect(QRectF(60, 60, 180, 120)));
  rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
  rect->setFillKolor(0x64FF8040);
  drawing()->elements().push_back(std::move(rect));
  DRElementBitmap* sky = addBitmap(QStringLiteral("g-sky"), QStringLiteral("Sky"));
  DRElementBitmap* sea = addBitmap(QStringLiteral("g-sea"));
  openTabs({sky, sea});
  controller->selectTab(DRWindowController::kDrawingTab);
  controller->windowTabs()->selectTab(DRWindowController::kDrawingTab);
  controller->setSizeStatusWidth(180 * kMeasurePerPoint, 120 * kMeasurePerPoint);
  controller->window()->setWindowTitle(QStringLiteral("Untitled"));
  controller->window()->resize(1000, 700);
  controller->window()->raise();
  EXPECT_EQ(controller->windowTabs()->tabCount(), 3);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 8000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}
