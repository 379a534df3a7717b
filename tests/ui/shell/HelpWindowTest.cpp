#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QMainWindow>
#include <QSettings>
#include <QStandardItem>
#include <QTimer>
#include <QTreeView>
#include <QMouseEvent>

#include "ImageCompare.h"
#include "LogCapture.h"
#include "ShellTestSupport.h"
#include "richtext/CBDocument.h"
#include "richtext/CorvaneHost.h"
#include "richtext/HelpMarkup.h"
#include "richtext/Locator.h"
#include "richtext/Selection.h"
#include "richtext/TextAccess.h"
#include "richtext/DragImage.h"
#include "richtext/NativeWriter.h"
#include "richtext/Panes.h"
#include "richtext/views/CBDraftScrollView.h"
#include "support/CSKernel.h"
#include "support/DynamicArrays.h"
#include "ui/FakeSpeech.h"
#include "ui/shell/CSCorvaneHelpWC.h"

namespace {

// Six chapters: Alpha (two bookmarks), Beta without sub-topics, the
// third-level Gamma after it (in no branch), Beta's sub-topic Delta,
// Epsilon and its sub-topic Zeta.
QList<HelpMarkupFile> SixChapters() {
  return {
      {QStringLiteral("00-alpha.help"),
       "@chapter 00 top Alpha\nAlpha opens here. It has two sentences.\n\n@bookmark one\nThe first mark is here. "
       "More after it.\n\n@bookmark two\nThe second mark follows. The end.\n"},
      {QStringLiteral("01-beta.help"), "@chapter 01 top Beta\nBeta keeps the word walrus in it.\n"},
      {QStringLiteral("02-gamma.help"), "@chapter 02 third Gamma\nGamma stands alone.\n"},
      {QStringLiteral("03-delta.help"), "@chapter 03 sub Delta\nDelta is below Beta.\n"},
      {QStringLiteral("04-epsilon.help"), "@chapter 04 top Epsilon\nEpsilon text.\n"},
      {QStringLiteral("05-zeta.help"), "@chapter 05 sub Zeta\nZeta text.\n"},
  };
}

class HelpWindowTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    g_appName = QStringLiteral("TWdraw");
    HelpMarkupError error;
    CorvaneDoc* doc = BuildHelpDocument(SixChapters(), (home() + QLatin1Char('/') + QStringLiteral("images")), &error);
    ASSERT_TRUE(doc) << error.text().toStdString();
    helpPath = (home() + QLatin1Char('/') + QStringLiteral("Help.ZEduzez"));
    QString reason;
    const bool written = WriteNativePackage(doc, helpPath, &reason);
    DestroyDocument(doc);
    ASSERT_TRUE(written) << reason.toStdString();
    CSCorvaneHelpWC::setHelpPath(helpPath);
    CSCorvaneHelpWC::forgetOpenStatus();
    CSCorvaneHelpViewer::shared().InitCorvane();
    SetHelpViewer(&CSCorvaneHelpViewer::shared());
  }

  void TearDown() override {
    closeHelp();
    SetHelpViewer(nullptr);
    CSCorvaneHelpWC::setHelpPath(QString());
    ShellTest::TearDown();
  }

  // Opens the help at a topic and answers its window.
  CSCorvaneHelpWC* open(uint64_t topic, uint64_t bookmark = kHelpNotFound) {
    CSCorvaneHelpWC::displayHelp(topic, bookmark);
    QCoreApplication::processEvents();
    return CSCorvaneHelpWC::applicationHelpWindow();
  }

  void closeHelp() {
    if (CSCorvaneHelpWC* help = CSCorvaneHelpWC::applicationHelpWindow()) help->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  static Pane* pane(CSCorvaneHelpWC* help) { return CurrentPane(help->doc()->corvaneDoc()); }
  static uint32_t chapterStart(CSCorvaneHelpWC* help, uint32_t chapter) {
    return CpAtIndex(help->doc()->corvaneDoc()->chapterMarks, chapter);
  }
  // The first cp at or after cp that the pane shows (marks are hidden).
  static uint32_t shown(CSCorvaneHelpWC* help, uint32_t cp) {
    return VisibleCp(help->doc()->corvaneDoc(), pane(help), cp, true);
  }
  static uint32_t beeps() { return CurrentCorvaneHost().beepCount(); }

  QString helpPath;
};

TEST_F(HelpWindowTest, ATopicTitlesTheWindowAndSelectsItsRow) {
  CSCorvaneHelpWC* help = open(3);
  ASSERT_TRUE(help);
  EXPECT_EQ(help->window()->windowTitle(), QStringLiteral("TWdraw Help — Delta"));
  EXPECT_EQ(help->currentTopic(), 3);
  const QModelIndexList rows = help->topicList()->selectionModel()->selectedIndexes();
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows.first().data().toString(), QStringLiteral("Delta"));

  // No topic keeps the place; a topic past the count only beeps.
  CSCorvaneHelpWC::displayHelp(kHelpNotFound);
  EXPECT_EQ(help->currentTopic(), 3);
  const uint32_t before = beeps();
  HelpViewer().displayHelp(6);
  EXPECT_EQ(help->currentTopic(), 3);
  EXPECT_EQ(beeps(), before + 1);
  EXPECT_EQ(CSCorvaneHelpWC::applicationHelpWindow(), help);  // HelpViewer() reaches this window
}

TEST_F(HelpWindowTest, ClosingStoresThePlaceAndStaleKeysFallBack) {
  CSCorvaneHelpWC* help = open(4);
  ASSERT_TRUE(help);
  help->zoomIn();
  closeHelp();
  QSettings settings;
  EXPECT_EQ(settings.value(CSCorvaneHelpWC::kHelpTopicKey).toInt(), 4);
  EXPECT_EQ(settings.value(CSCorvaneHelpWC::kHelpZoomKey).toInt(), 125);
  EXPECT_TRUE(settings.value(CSCorvaneHelpWC::kHelpOpenTopicsKey).toMap().value(QStringLiteral("Epsilon")).toBool());

  help = open(kHelpNotFound);  // reopening restores topic and zoom
  ASSERT_TRUE(help);
  EXPECT_EQ(help->currentTopic(), 4);
  EXPECT_EQ(help->textView()->zoomValue(), 1.25);
  closeHelp();

  settings.setValue(CSCorvaneHelpWC::kHelpTopicKey, 17);
  help = open(kHelpNotFound);
  ASSERT_TRUE(help);
  EXPECT_EQ(help->currentTopic(), 0);
  closeHelp();

  settings.setValue(CSCorvaneHelpWC::kHelpTopicKey, 1);
  settings.setValue(CSCorvaneHelpWC::kHelpPositionKey, 100000);
  help = open(kHelpNotFound);
  ASSERT_TRUE(help);
  EXPECT_EQ(help->currentTopic(), 1);
  EXPECT_EQ(pane(help)->anchor, int32_t(shown(help, chapterStart(help, 1))));
}

TEST_F(HelpWindowTest, TheFirstRunOpensEveryTopicLaterRunsOnlyThoseLeftOpen) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  QTreeView* outline = help->topicList();
  QStandardItem* beta = help->itemForChapter(1);
  QStandardItem* epsilon = help->itemForChapter(4);
  EXPECT_TRUE(outline->isExpanded(beta->index()));
  EXPECT_TRUE(outline->isExpanded(epsilon->index()));
  outline->collapse(beta->index());
  closeHelp();
  CSCorvaneHelpWC::forgetOpenStatus();  // a new run
  help = open(0);
  ASSERT_TRUE(help);
  EXPECT_FALSE(help->topicList()->isExpanded(help->itemForChapter(1)->index()));
  EXPECT_TRUE(help->topicList()->isExpanded(help->itemForChapter(4)->index()));

  // Gamma is in no branch, yet next and previous reach it.
  EXPECT_EQ(help->itemForChapter(2)->model(), nullptr);
  help->jumpToTopic(1, kHelpNotFound, true);
  help->jumpNextChapter();
  EXPECT_EQ(help->currentTopic(), 2);
  EXPECT_EQ(help->window()->windowTitle(), QStringLiteral("TWdraw Help — Gamma"));
  help->jumpNextChapter();
  help->jumpPreviousChapter();
  EXPECT_EQ(help->currentTopic(), 2);
}

TEST_F(HelpWindowTest, HistoryRestoresRangesAndBookmarksSelectTheirSentence) {
  CSCorvaneHelpWC* help = open(0, 1);
  ASSERT_TRUE(help);
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  const uint32_t secondMark = CpAtIndex(doc->bookmarkMarks, 1);
  EXPECT_EQ(uint32_t(pane(help)->anchor), shown(help, secondMark));
  EXPECT_EQ(uint32_t(pane(help)->end), SentenceLimit(doc, secondMark));
  const DocRange a{doc, uint32_t(pane(help)->anchor), uint32_t(pane(help)->end)};

  help->jumpToTopic(1, kHelpNotFound, true);
  help->jumpToTopic(4, kHelpNotFound, true);
  ASSERT_EQ(help->navigationStack().size(), 3);
  help->navigate(true);
  help->navigate(true);
  EXPECT_EQ(help->currentTopic(), 0);
  EXPECT_EQ(uint32_t(pane(help)->anchor), a.first);
  EXPECT_EQ(uint32_t(pane(help)->end), a.limit);
  help->navigate(false);
  EXPECT_EQ(help->currentTopic(), 1);
  EXPECT_EQ(help->currentStackPosition(), 1);
  EXPECT_TRUE(help->segments(1)->isEnabled());

  // A link to the first mark jumps there and is recorded.
  help->followLink(int32_t(CpAtIndex(doc->bookmarkMarks, 0)));
  EXPECT_EQ(help->currentTopic(), 0);
  EXPECT_EQ(uint32_t(pane(help)->anchor), shown(help, CpAtIndex(doc->bookmarkMarks, 0)));
  EXPECT_EQ(help->navigationStack().size(), 3);
  EXPECT_EQ(help->currentStackPosition(), 2);

  // A bookmark number past the topic's bookmarks: the caret at its start.
  help->jumpToTopic(1, 5, false);
  EXPECT_EQ(pane(help)->anchor, pane(help)->end);
  EXPECT_EQ(uint32_t(pane(help)->anchor), shown(help, chapterStart(help, 1)));
}

TEST_F(HelpWindowTest, FindResultsArriveAsHelpFoundAndAreRecorded) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  EXPECT_EQ(help->searchOptionMask(), 10u);
  help->setSearchOption(0);
  EXPECT_EQ(help->searchOptionMask(), 11u);
  help->setSearchOption(0);

  // The quick search finds through "cvb.helpFound" and records the match.
  int found = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      this, kHelpFoundNotification, static_cast<QObject*>(help), [&found](const CSNotification&) { ++found; });
  const int64_t recorded = help->navigationStack().size();
  help->searchField()->setText(QStringLiteral("SECOND"));
  help->quickSearch();
  NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(help->searchString(), QStringLiteral("SECOND"));
  EXPECT_EQ(pane(help)->end - pane(help)->anchor, 6);
  EXPECT_EQ(help->navigationStack().size(), recorded + 1);

  // A match in another topic moves the window there.
  const uint32_t beta = chapterStart(help, 2) - 4;  // "it." of Beta's last line
  ShowFindRangeInHelp(DocRange{doc, beta, beta + 2});
  EXPECT_EQ(help->currentTopic(), 1);
  EXPECT_EQ(uint32_t(pane(help)->anchor), beta);
  EXPECT_EQ(help->navigationStack().size(), recorded + 2);

  const uint32_t before = beeps();
  help->searchField()->setText(QStringLiteral("nowhere to be found"));
  help->quickSearch();
  help->findNext();
  EXPECT_GT(beeps(), before);
}

TEST_F(HelpWindowTest, QuickSearchGoesToTheTopicThatHoldsTheMatch) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  ASSERT_EQ(help->currentTopic(), 0);
  help->searchField()->setText(QStringLiteral("walrus"));
  help->quickSearch();
  EXPECT_EQ(help->currentTopic(), 1);
  Pane* shownPane = pane(help);
  ASSERT_EQ(shownPane->end - shownPane->anchor, 6);
  EXPECT_EQ(RawTextString(doc, uint32_t(shownPane->anchor), uint32_t(shownPane->end)), QStringLiteral("walrus"));
  EXPECT_GT(uint32_t(shownPane->anchor), chapterStart(help, 1));
  EXPECT_LT(uint32_t(shownPane->end), chapterStart(help, 2));

  // Back again from Beta to Alpha's text.
  help->searchField()->setText(QStringLiteral("sentences"));
  help->quickSearch();
  EXPECT_EQ(help->currentTopic(), 0);
  EXPECT_EQ(RawTextString(doc, uint32_t(pane(help)->anchor), uint32_t(pane(help)->end)), QStringLiteral("sentences"));
}

TEST_F(HelpWindowTest, ZoomStepsStoreTheirPercentAndScaleTheText) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  struct Case {
    double from;
    bool in;
    double to;
  };
  for (const Case& c : {Case{1.1, true, 1.25}, Case{1.1, false, 1.0}, Case{5.0, true, 1.0}, Case{5.0, false, 1.0},
                        Case{4.0, true, 4.0}, Case{0.5, false, 0.5}, Case{1.0, true, 1.25}}) {
    help->performZoom(c.from);
    c.in ? help->zoomIn() : help->zoomOut();
    EXPECT_EQ(help->textView()->zoomValue(), c.to) << c.from << (c.in ? " in" : " out");
  }
  help->performZoom(0.75);
  EXPECT_EQ(QSettings().value(CSCorvaneHelpWC::kHelpZoomKey).toInt(), 75);
  EXPECT_EQ(help->zoomPopup()->currentData().toInt(), 75);
  help->performZoom(1.1);
  EXPECT_EQ(help->zoomPopup()->currentIndex(), -1);

  // The same zoom again repaints nothing.
  CSCorvaneHelpView* view = help->textView();
  view->resize(500, 400);
  help->performZoom(1.0);
  QCoreApplication::processEvents();
  view->repaint();
  int paints = 0;
  struct Counter : QObject {
    int* count;
    explicit Counter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::UpdateRequest || event->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  view->installEventFilter(&counter);
  view->setZoomValue(1.0);
  QCoreApplication::processEvents();
  EXPECT_EQ(paints, 0);
  view->removeEventFilter(&counter);

  // Twice the zoom, twice the ink.
  const QRect one = InkBounds(view->grab().toImage());
  help->performZoom(2.0);
  const QRect two = InkBounds(view->grab().toImage());
  ASSERT_FALSE(one.isEmpty());
  EXPECT_NEAR(two.height(), 2 * one.height(), 4);
}

TEST_F(HelpWindowTest, SpeakingHandsTheWordsOfTheSelectionEachWithASpace) {
  FakeSpeech speech;
  CSCorvaneHelpWC* help = open(0, 0);
  ASSERT_TRUE(help);
  help->startSpeaking();
  ASSERT_EQ(speech.log().spoken.size(), 1);
  EXPECT_EQ(speech.log().spoken.first(), QStringLiteral("The first mark is here.  "));
}

TEST_F(HelpWindowTest, HelpFromAModalDialogRunsModallyUntilItCloses) {
  QDialog dialog;
  bool helpWasModal = false;
  bool helpReturned = false;
  QTimer::singleShot(0, &dialog, [&] {
    QTimer::singleShot(50, [&] {
      CSCorvaneHelpWC* help = CSCorvaneHelpWC::applicationHelpWindow();
      helpWasModal = help && help->window()->isModal();
      if (help) help->window()->close();
    });
    HelpViewer().displayHelp(2);  // returns when the help window closes
    helpReturned = true;
    dialog.accept();
  });
  dialog.exec();
  EXPECT_TRUE(helpWasModal);
  EXPECT_TRUE(helpReturned);
}

TEST_F(HelpWindowTest, NoOrAnUnreadableHelpOpensNoWindow) {
  {
    LogCapture log;
    CSCorvaneHelpWC::setHelpPath((home() + QLatin1Char('/') + QStringLiteral("missing.ZEduzez")));
    CSCorvaneHelpWC::displayHelp(0);
    EXPECT_EQ(CSCorvaneHelpWC::applicationHelpWindow(), nullptr);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Can't load help file")));
  }
  {
    LogCapture log;
    const QString broken = (home() + QLatin1Char('/') + QStringLiteral("Broken.ZEduzez"));
    QDir().mkpath(broken);
    QFile text(broken + QStringLiteral("/structure.xml"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("<not a document");
    text.close();
    CSCorvaneHelpWC::setHelpPath(broken);
    CSCorvaneHelpWC::displayHelp(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CSCorvaneHelpWC::applicationHelpWindow(), nullptr);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Can't read help file: "))) << log.text().toStdString();
  }
}

// A service that refuses the mouse.
class RefusingService : public CBViewService {
 public:
  QMenu* pageContextMenu() override { return nullptr; }
  QMenu* paragraphContextMenu() override { return nullptr; }
  QMenu* pictureContextMenu() override { return nullptr; }
  QMenu* textContextMenu() override { return nullptr; }
  uint32_t newUndoID() override { return 0; }
  CSUndoManager* undoManager() override { return nullptr; }
  void clearGoodWordMarks(QObject*) override {}
  void clearSpellingError() override {}
  void correctWord(const QString&) override {}
  void rememberWord(const QString&) override {}
  bool spellingErrorAt(int32_t) override { return false; }
  void plain(QObject*) override {}
  void selectAll(QObject*) override {}
  bool dragAndDrop() override { return false; }
  bool useStandardKeys() override { return false; }
  double verticalRulerWidth() override { return 0; }
  bool mayRespond() override { return false; }
};

// Left clicks in a row at one place, as the window system sends them: the
// second press of a double click arrives as a double-click event.
void Click(QWidget* view, QPoint point, Qt::KeyboardModifiers modifiers, int count) {
  for (int i = 0; i < count; ++i) {
    QMouseEvent press(i == 1 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, point, view->mapToGlobal(point),
                      Qt::LeftButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(view, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, point, view->mapToGlobal(point), Qt::LeftButton, Qt::NoButton,
                        modifiers);
    QCoreApplication::sendEvent(view, &release);
  }
}

// Lets a double-click interval pass, so the next click counts afresh.
void WaitPastDoubleClick() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() <= QApplication::doubleClickInterval() + 50) QCoreApplication::processEvents();
}

TEST_F(HelpWindowTest, ClicksSelectByTheirCountUnlessTheServiceRefuses) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  CSCorvaneHelpView* view = help->textView();
  view->grab();  // lays the topic out
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  Locator locator;
  InitLocator(doc, pane(help), &locator);
  // Inside "opens" of "Alpha opens here. ...", the paragraph after the title.
  locator.cp = shown(help, chapterStart(help, 0)) + 13;
  QRectF character;
  GetRectContainingCp(&locator, &character, false);
  const QPoint word = character.center().toPoint();

  Click(view, word, Qt::ControlModifier, 2);
  EXPECT_EQ(pane(help)->end - pane(help)->anchor, 6);  // "opens " with its blank, not the paragraph
  WaitPastDoubleClick();
  Click(view, word, Qt::ControlModifier, 1);
  const int32_t paragraph = pane(help)->end - pane(help)->anchor;
  EXPECT_GT(paragraph, 6);

  RefusingService refusing;
  view->setViewService(&refusing);
  WaitPastDoubleClick();
  Click(view, word, Qt::NoModifier, 2);
  EXPECT_EQ(pane(help)->end - pane(help)->anchor, paragraph);
  view->setViewService(help);
}

TEST_F(HelpWindowTest, ACaretFlashesSixteenWideAboutItself) {
  CSCorvaneHelpWC* help = open(0);
  ASSERT_TRUE(help);
  CSCorvaneHelpView* view = help->textView();
  view->grab();
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  const uint32_t caret = shown(help, chapterStart(help, 0)) + 2;
  SelectCps(doc, caret, caret, false);
  QRectF caretRect;
  RectForDragImage(&caretRect, doc);
  std::vector<QRectF> flashes;
  struct Recorder : QObject {
    CSCorvaneHelpView* view;
    std::vector<QRectF>* flashes;
    Recorder(CSCorvaneHelpView* v, std::vector<QRectF>* f) : view(v), flashes(f) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && !view->flashRect().isEmpty()) flashes->push_back(view->flashRect());
      return false;
    }
  } recorder(view, &flashes);
  view->installEventFilter(&recorder);
  FlashSelection(pane(help));  // "cvb.flash": runs to its end before returning
  view->removeEventFilter(&recorder);
  ASSERT_FALSE(flashes.empty());
  EXPECT_EQ(flashes.front().width(), 16.0);
  EXPECT_EQ(flashes.front().center().x(), caretRect.x());
  EXPECT_TRUE(view->flashRect().isEmpty());
  EXPECT_EQ(view->flashProgress(), 1.0f);
}

}  // namespace
