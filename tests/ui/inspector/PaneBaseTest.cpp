// The pane base in a real drawing window: undo ids of slider and field
// pairs, text fields that only change on typing, the locked drawing, mixed
// check boxes, Escape, refused values, and panes that go while their own
// handler or their colour well is still at work.

#include <QColorDialog>
#include <QPushButton>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementRectangle.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/DRPropBaseVC.h"

namespace {

// A line pane as the real ones are built: a width slider with its field,
// a pattern-scaling box and a fill well, plus a button whose handler asks
// for a rebuild and then goes on using the pane.
class LinePane : public DRPropBaseVC {
 public:
  explicit LinePane(QWidget* parent) : DRPropBaseVC(parent) {
    resize(240, 130);
    slider = new CSDoubleSlider(Qt::Horizontal, this);
    slider->setDoubleRange(0, 20);
    slider->setGeometry(4, 4, 150, 20);
    field = new CSMeasureField(this);
    field->formatter()->setPreferredUnit(kDistanceUnitPoints);
    field->formatter()->setShowUnits(false);
    field->formatter()->setMaximum(Pt(20));
    field->setGeometry(160, 4, 60, 22);
    box = new CSCheckBox(QStringLiteral("Scale"), this);
    box->setGeometry(4, 34, 100, 20);
    well = new CSColorWell(this);
    well->setGeometry(4, 64, 44, 23);
    reload = new QPushButton(QStringLiteral("Reload"), this);
    reload->setGeometry(4, 94, 80, 24);

    connect(slider, &CSDoubleSlider::doubleValueChanged, this, [this] { changeWidth(slider); });
    watchTextField(field, [this](QLineEdit* sender) { changeWidth(sender); });
    connect(box, &QCheckBox::clicked, this, [this] {
      if (!openUndoEntry(kUndoLineStyle)) return;
      ChangeSelectionBool(notificationWindow(), QStringLiteral("lineInfo.scalePattern"), QString(), checkboxValue(box));
    });
    connect(well, &CSColorWell::kolorChanged, this, [this](Kolor kolor) {
      if (!openUndoEntry(&colorUndoId, kUndoFillColor)) return;
      ChangeSelectionColor(notificationWindow(), QStringLiteral("fillKolor"), QString(), kSwatchFill, kolor);
    });
    connect(reload, &QPushButton::clicked, this, [this] {
      NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, notificationWindow());
      // Still here: the pane goes later.
      textAfterReload = field->text();
      wellAfterReload = well->kolor();
    });
  }

  void selectionChanged() override {
    const std::vector<DRElement*>& elements = selection();
    if (elements.empty()) return;
    ++shown;
    const std::optional<DRLineInfo> line = LineInfoForSelection(windowController()->drawView());
    showPairValue(slider, field, line ? line->width() : kMixedMeasure);
    std::optional<bool> scales;
    bool mixed = false;
    for (const DRElement* element : elements) {
      const bool value = element->lineInfo() && element->lineInfo()->scalePattern();
      if (scales && *scales != value) mixed = true;
      scales = value;
    }
    if (mixed) {
      box->setMixed();
    } else {
      box->setChecked(scales.value_or(false));
    }
    well->setKolor(elements.front()->fillKolor());
  }

  void changeWidth(QWidget* sender) {
    const MeasureUnit width = valueFromPair(sender, field, 1);
    if (!openUndoEntry(&widthUndoId, kUndoLineWidth)) return;
    ChangeSelectionMeasure(notificationWindow(), QStringLiteral("lineInfo.width"), QString(), kSwatchLineWidth, width);
    showPairValue(slider, field, width);
  }

  CSDoubleSlider* slider;
  CSMeasureField* field;
  CSCheckBox* box;
  CSColorWell* well;
  QPushButton* reload;
  uint32_t widthUndoId = 0;
  uint32_t colorUndoId = 0;
  int shown = 0;
  QString textAfterReload;
  Kolor wellAfterReload = 0;
};

// Makes a LinePane for the line pane's class; every other pane is plain.
class LinePaneFactory : public DRPaneFactory {
 public:
  LinePaneFactory() { SetPaneFactory(this); }
  ~LinePaneFactory() override { SetPaneFactory(nullptr); }
  QWidget* makePane(const QString& className, const QString&, QWidget* parent) override {
    return className == QStringLiteral("DRPropLineVC") ? new LinePane(parent) : nullptr;
  }
};

class PaneBaseTest : public DrawingWindowTest {
 protected:
  DRElementRectangle* addRect(MeasureUnit width, bool scales = false, Kolor fill = g_whiteKolor) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10 + 60 * double(drawing()->elements().size()), 10, 40, 40));
    DRLineInfo line = settings.settings().lineInfo();
    line.setWidth(width);
    line.setScalePattern(scales);
    rect->setLineInfo(line);
    rect->setFillKolor(fill);
    return add(std::move(rect));
  }
  LinePane* pane() const { return DrawingWindowTest::pane<LinePane>(); }
  MeasureUnit width(size_t index) const { return element(index)->lineInfo()->width(); }
  // Types without ending the edit.
  static void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  LinePaneFactory factory;
};

TEST_F(PaneBaseTest, TheInspectorShowsThePanesOfTheSelection) {
  EXPECT_EQ(properties()->levelCount(), 0);
  addRect(Pt(2));
  select({element(0)});
  ASSERT_NE(pane(), nullptr);
  EXPECT_EQ(pane()->windowController(), controller);
  EXPECT_EQ(pane()->field->text(), QStringLiteral("2"));
  EXPECT_DOUBLE_EQ(pane()->slider->doubleValue(), 2);
  select({});
  EXPECT_EQ(properties()->levelCount(), 0);
}

TEST_F(PaneBaseTest, AnInspectorPutAwayCatchesUpWhenItComesBack) {
  addRect(Pt(2));
  addRect(Pt(4));
  select({element(0)});
  const QPointer<LinePane> before = pane();
  ASSERT_TRUE(before);
  controller->toggleInfo();
  ASSERT_FALSE(controller->isInfoPanelOpen());
  // Out of the window, nothing is built for it.
  select({element(1)});
  EXPECT_FALSE(before->isRetired());
  controller->toggleInfo();
  Spin();
  ASSERT_NE(pane(), nullptr);
  EXPECT_EQ(pane()->windowController(), controller);
  EXPECT_EQ(pane()->field->text(), QStringLiteral("4"));
}

TEST_F(PaneBaseTest, ASliderDragAndTheValueTypedAfterItAreOneUndoStep) {
  addRect(Pt(2));
  select({element(0)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  for (int step = 1; step <= 20; ++step) line->slider->setValue(step * 250);
  EXPECT_EQ(width(0), Pt(10));
  EXPECT_EQ(line->field->text(), QStringLiteral("10"));
  type(line->field, QStringLiteral("7"));
  QTest::keyClick(line->field, Qt::Key_Return);
  EXPECT_EQ(width(0), Pt(7));
  EXPECT_DOUBLE_EQ(line->slider->doubleValue(), 7);
  undo().undo();
  EXPECT_EQ(width(0), Pt(2));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PaneBaseTest, AnotherEntryInBetweenEndsTheMerging) {
  addRect(Pt(2));
  select({element(0)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  type(line->field, QStringLiteral("7"));
  QTest::keyClick(line->field, Qt::Key_Return);
  line->box->click();  // a one-shot entry of its own
  ASSERT_TRUE(element(0)->lineInfo()->scalePattern());
  type(line->field, QStringLiteral("9"));
  QTest::keyClick(line->field, Qt::Key_Return);
  ASSERT_EQ(width(0), Pt(9));
  undo().undo();
  EXPECT_EQ(width(0), Pt(7));
  EXPECT_TRUE(element(0)->lineInfo()->scalePattern());
  undo().undo();
  EXPECT_FALSE(element(0)->lineInfo()->scalePattern());
  undo().undo();
  EXPECT_EQ(width(0), Pt(2));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PaneBaseTest, AFieldPostsOnlyWhatWasTypedAndEscapeTakesTheTypingBack) {
  addRect(Pt(2));
  select({element(0)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  NotificationRecorder recorder({g_settingsChangeNotification});

  // Focus in and out without typing.
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(line->field, &in);
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(line->field, &out);
  EXPECT_TRUE(recorder.posted().empty());

  // Typing, then Escape: the value is back and the edit ends with nothing.
  line->field->setFocus();
  line->field->end(false);
  QTest::keyClicks(line->field, QStringLiteral("5"));
  ASSERT_EQ(line->field->text(), QStringLiteral("25"));
  EXPECT_TRUE(line->editingStarted());
  QTest::keyClick(line->field, Qt::Key_Escape);
  EXPECT_EQ(line->field->text(), QStringLiteral("2"));
  QTest::keyClick(line->field, Qt::Key_Return);
  QCoreApplication::sendEvent(line->field, &out);
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_FALSE(line->editingStarted());
  EXPECT_EQ(width(0), Pt(2));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PaneBaseTest, ALockedDrawingTakesNoChangeFromAPane) {
  addRect(Pt(2), false, g_whiteKolor);
  select({element(0)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  drawing()->setLocked(true);
  NotificationRecorder recorder({g_settingsChangeNotification});
  line->slider->setValue(5000);
  type(line->field, QStringLiteral("7"));
  QTest::keyClick(line->field, Qt::Key_Return);
  line->box->click();
  line->well->click();
  SharedColorDialog()->setCurrentColor(Qt::red);
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(width(0), Pt(2));
  EXPECT_FALSE(element(0)->lineInfo()->scalePattern());
  EXPECT_EQ(element(0)->fillKolor(), g_whiteKolor);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PaneBaseTest, AClickOnAMixedBoxTurnsItOnForEveryElement) {
  addRect(Pt(2), false);
  addRect(Pt(2), true);
  select({element(0), element(1)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  ASSERT_TRUE(line->box->isMixed());
  NotificationRecorder recorder({g_settingsChangeNotification});
  QTest::mouseClick(line->box, Qt::LeftButton);
  ASSERT_EQ(recorder.posted().size(), 1u);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(QStringLiteral("value")), QVariant(true));
  EXPECT_TRUE(element(0)->lineInfo()->scalePattern());
  EXPECT_TRUE(element(1)->lineInfo()->scalePattern());
  // Now on, the next click turns it off.
  QTest::mouseClick(line->box, Qt::LeftButton);
  EXPECT_FALSE(element(0)->lineInfo()->scalePattern());
}

TEST_F(PaneBaseTest, ARefusedValueShowsTheFormattersMessageAndKeepsTheFocus) {
  addRect(Pt(2));
  select({element(0)});
  LinePane* line = pane();
  ASSERT_NE(line, nullptr);
  NotificationRecorder recorder({g_settingsChangeNotification});
  type(line->field, QStringLiteral("500"));
  QString message;
  ASSERT_FALSE(line->field->acceptsText(&message));
  QTest::keyClick(line->field, Qt::Key_Return);
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, message);
  EXPECT_EQ(line->window()->focusWidget(), line->field);
  EXPECT_EQ(line->field->text(), QStringLiteral("500"));
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_EQ(width(0), Pt(2));
}

TEST_F(PaneBaseTest, APaneAskingForARebuildFromItsOwnHandlerGoesOnlyLater) {
  addRect(Pt(2), false, g_whiteKolor);
  select({element(0)});
  QPointer<LinePane> old = pane();
  ASSERT_TRUE(old);
  old->reload->click();
  ASSERT_TRUE(old);
  EXPECT_TRUE(old->isRetired());
  EXPECT_EQ(old->textAfterReload, QStringLiteral("2"));
  EXPECT_EQ(old->wellAfterReload, g_whiteKolor);
  ASSERT_NE(pane(), nullptr);
  EXPECT_NE(pane(), old.data());
  // The retired pane hears no selection any more.
  const int shown = old->shown;
  select({element(0)});
  EXPECT_EQ(old->shown, shown);
  Spin();
  EXPECT_FALSE(old);
}

TEST_F(PaneBaseTest, AColourPickedAfterTheSelectionChangedReachesNoOne) {
  addRect(Pt(2), false, g_whiteKolor);
  addRect(Pt(2), false, g_whiteKolor);
  select({element(0)});
  QPointer<LinePane> first = pane();
  ASSERT_TRUE(first);
  first->well->click();
  QColorDialog* panel = SharedColorDialog();
  ASSERT_TRUE(panel->isVisible());
  EXPECT_EQ(ActiveColorWell(first), first->well);
  panel->setCurrentColor(Qt::red);
  const Kolor red = KolorFromColor(Qt::red);
  EXPECT_EQ(element(0)->fillKolor(), red);

  select({element(1)});
  ASSERT_TRUE(first);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_FALSE(first->well->isActive());
  panel->setCurrentColor(Qt::green);
  EXPECT_EQ(element(0)->fillKolor(), red);
  EXPECT_EQ(element(1)->fillKolor(), g_whiteKolor);
  Spin();
  EXPECT_FALSE(first);
  panel->setCurrentColor(Qt::blue);
  EXPECT_EQ(element(1)->fillKolor(), g_whiteKolor);
  ASSERT_NE(pane(), nullptr);
  EXPECT_FALSE(pane()->well->isActive());
}

}  // namespace
