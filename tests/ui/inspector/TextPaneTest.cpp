// The text pane in a real drawing window: traits and alignment that also
// become the tool default (even in a locked drawing), what a selection of
// texts shows, typing and expansion runs, the background colour, and the
// shared font dialog serving one pane at a time.

#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest/QTest>
#include <cmath>
#include <functional>

#include "PaneTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRSettingsChange.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/NotificationRecorder.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropTextVC.h"

namespace {

class TextPaneTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    InstallInspectorPaneFactory();
    DRPropTextVC::registerPane();
    ASSERT_EQ(PaneFactory(), &DRPaneRegistry::shared());
  }

  const DRTextInfo& style(size_t index) const { return static_cast<DRElementText*>(element(index))->textInfo(); }
  // Stacks the elements down the drawing, one under the other.
  template <class Element>
  Element* add(std::unique_ptr<Element> element) {
    element->setFrame(PtRect(10, 10 + 40 * double(drawing()->elements().size()), 120, 20));
    return DrawingWindowTest::add(std::move(element));
  }
  DRElementText* addText(const QString& text, double pointSize = 12) {
    auto element = std::make_unique<DRElementText>();
    element->setText(text);
    DRTextInfo info;
    QFont font = info.fontValue();
    font.setPointSizeF(pointSize);
    info.setFont(font);
    element->setTextInfo(info);
    return add(std::move(element));
  }
  DRPropTextVC* pane() const { return DrawingWindowTest::pane<DRPropTextVC>(); }

  FakeEditorAppServices apps;
};

TEST_F(TextPaneTest, TraitsAndAlignmentSetTheToolStyleEvenInALockedDrawing) {
  struct Row {
    const char* name;
    std::function<void(DRPropTextVC*)> act;
    std::function<int64_t(const DRTextInfo&)> read;
    int64_t changed;
    QString undoName;
  };
  const Row rows[] = {
      {"bold", [](DRPropTextVC* p) { p->boldButton()->click(); }, [](const DRTextInfo& s) { return s.isBold(); }, 1,
       QStringLiteral("Undo Bold")},
      {"italic", [](DRPropTextVC* p) { p->italicButton()->click(); }, [](const DRTextInfo& s) { return s.isItalic(); },
       1, QStringLiteral("Undo Italic")},
      {"underline", [](DRPropTextVC* p) { p->underlinedButton()->click(); },
       [](const DRTextInfo& s) { return s.isUnderlined(); }, 1, QStringLiteral("Undo Underline")},
      // The last segment is right aligned.
      {"alignment", [](DRPropTextVC* p) { p->alignmentControl()->segmentButton(3)->click(); },
       [](const DRTextInfo& s) { return s.alignment(); }, kTextAlignRight, QStringLiteral("Undo Alignment")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DRSettings::sharedInstance().setTextInfo(DRTextInfo());
    drawing()->elements().clear();
    undo().clearUndo();
    addText(QStringLiteral("Words"));
    select({element(0)});
    ASSERT_NE(pane(), nullptr);

    drawing()->setLocked(true);
    NotificationRecorder recorder({g_normalizeNotification, g_settingsChangeNotification});
    row.act(pane());
    EXPECT_EQ(recorder.count(g_normalizeNotification), 1);
    EXPECT_EQ(recorder.count(g_settingsChangeNotification), 0);
    EXPECT_EQ(row.read(style(0)), 0);
    EXPECT_EQ(row.read(DRSettings::sharedInstance().textInfo()), row.changed);
    EXPECT_FALSE(undo().isUndoAvailable());

    drawing()->setLocked(false);
    DRSettings::sharedInstance().setTextInfo(DRTextInfo());
    row.act(pane());
    EXPECT_EQ(row.read(style(0)), row.changed);
    EXPECT_EQ(row.read(DRSettings::sharedInstance().textInfo()), row.changed);
    EXPECT_EQ(undoTitle(), row.undoName);
  }
}

TEST_F(TextPaneTest, TheSelectionDecidesTextViewFontAndIgnoreBox) {
  DRElementText* one = addText(QStringLiteral("One"));
  DRElementText* two = addText(QStringLiteral("Two"));
  DRElementText* large = addText(QStringLiteral("Large"), 30);
  auto scribble = std::make_unique<DRElementScribble>();
  scribble->setPoints({CSPoint{0, 0}, CSPoint{Pt(50), Pt(20)}, CSPoint{Pt(90), 0}});
  scribble->setText(QStringLiteral("Along"));
  DRElementScribble* path = add(std::move(scribble));
  two->setIgnoreText(true);
  DRTextInfo centred = two->textInfo();
  centred.setAlignment(kTextAlignCenter);
  two->setTextInfo(centred);

  const QString family = one->textInfo().fontValue().family();
  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    QString text;
    bool editable;
    QString font;
    bool ignoreShown;
    Qt::CheckState ignore;
    int segment;
  };
  const Row rows[] = {
      {"one text", {one}, QStringLiteral("One"), true, family + QStringLiteral("\n12.0 pt."), true, Qt::Unchecked, 0},
      {"two texts",
       {one, two},
       QString(),
       false,
       family + QStringLiteral("\n12.0 pt."),
       true,
       Qt::PartiallyChecked,
       -1},
      {"two fonts", {one, large}, QString(), false, QStringLiteral("<multiple>"), true, Qt::Unchecked, 0},
      {"a path's text",
       {path},
       QStringLiteral("Along"),
       true,
       family + QStringLiteral("\n12.0 pt."),
       false,
       Qt::Unchecked,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.selection);
    DRPropTextVC* text = pane();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textField()->toPlainText(), row.text);
    EXPECT_EQ(text->textField()->isReadOnly(), !row.editable);
    EXPECT_EQ(text->textField()->textInteractionFlags() == Qt::NoTextInteraction, !row.editable);
    if (row.font.startsWith(QLatin1Char('<'))) {
      EXPECT_EQ(text->fontDisplayField()->text(), row.font);
      EXPECT_FALSE(text->font());
    } else {
      EXPECT_TRUE(text->fontDisplayField()->text().startsWith(family));
      EXPECT_TRUE(text->fontDisplayField()->text().endsWith(QStringLiteral("\n12.0 pt.")));
    }
    EXPECT_EQ(text->ignoreButton()->isVisibleTo(text), row.ignoreShown);
    if (row.ignoreShown) EXPECT_EQ(text->ignoreButton()->checkState(), row.ignore);
    EXPECT_EQ(text->alignmentControl()->selectedSegment(), row.segment);
  }
}

TEST_F(TextPaneTest, ATypingRunAndAnExpansionDragAreOneStepEach) {
  addText(QStringLiteral("One"));
  select({element(0)});
  DRPropTextVC* text = pane();
  ASSERT_NE(text, nullptr);
  text->textField()->setFocus();
  text->textField()->moveCursor(QTextCursor::End);
  QTest::keyClicks(text->textField(), QStringLiteral(" two"));
  EXPECT_EQ(static_cast<DRElementText*>(element(0))->text(), QStringLiteral("One two"));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Typing"));

  text = pane();
  ASSERT_NE(text, nullptr);
  CSDoubleSlider* slider = text->expandSlider();
  for (const double points : {1.0, 2.0, 4.0}) {
    const double fraction = (points - slider->doubleMinimum()) / (slider->doubleMaximum() - slider->doubleMinimum());
    slider->setValue(int(std::lround(fraction * CSDoubleSlider::kSteps)));
  }
  EXPECT_EQ(style(0).expansion(), Pt(4));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Expansion"));

  undo().undo();
  EXPECT_EQ(style(0).expansion(), 0);
  EXPECT_EQ(static_cast<DRElementText*>(element(0))->text(), QStringLiteral("One two"));
  undo().undo();
  EXPECT_EQ(static_cast<DRElementText*>(element(0))->text(), QStringLiteral("One"));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(TextPaneTest, ABackgroundColourChangesOnlyTheBackgroundInOneStep) {
  addText(QStringLiteral("One"));
  addText(QStringLiteral("Two"));
  select({element(0), element(1)});
  DRPropTextVC* text = pane();
  ASSERT_NE(text, nullptr);
  const Kolor textKolor = style(0).textKolor();

  QTest::mouseClick(text->textBackColorPicker(), Qt::LeftButton);
  ASSERT_EQ(apps.opened.size(), 1u);
  EXPECT_EQ(apps.opened.back().swatch, 12);
  for (const Kolor kolor : {Kolor(0x64FF0000), Kolor(0x6400FF00), Kolor(0x640000FF)}) apps.chooseKolor(kolor);
  for (size_t index : {0, 1}) {
    EXPECT_EQ(style(index).backKolor(), Kolor(0x640000FF));
    EXPECT_EQ(style(index).textKolor(), textKolor);
  }
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Text Background"));
  ASSERT_NE(pane(), nullptr);
  EXPECT_EQ(pane()->backKolor(), Kolor(0x640000FF));

  // The favourites pull-down of the background makes a step of its own.
  pane()->changeKolor(0x64FFFF00, pane()->backColorButton());
  EXPECT_EQ(style(1).backKolor(), Kolor(0x64FFFF00));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Text Background"));
  undo().undo();
  EXPECT_EQ(style(1).backKolor(), Kolor(0x640000FF));
  undo().undo();
  EXPECT_EQ(style(0).backKolor(), g_nilKolor);
  EXPECT_EQ(style(1).backKolor(), g_nilKolor);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(TextPaneTest, TheFontDialogServesOnePaneAndForgetsAPaneThatWent) {
  DRElementText* words = addText(QStringLiteral("Words"));
  DRElementRectangle* rect = add(std::make_unique<DRElementRectangle>());
  select({words});
  QPointer<DRPropTextVC> text = pane();
  ASSERT_TRUE(text);
  text->fontButton()->click();
  QFontDialog* panel = SharedFontDialog(false);
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(text->isFontReceiver());
  EXPECT_DOUBLE_EQ(panel->currentFont().pointSizeF(), 12);

  QFont chosen = panel->currentFont();
  chosen.setPointSizeF(20);
  panel->setCurrentFont(chosen);
  EXPECT_DOUBLE_EQ(style(0).fontValue().pointSizeF(), 20);
  EXPECT_DOUBLE_EQ(DRSettings::sharedInstance().textInfo().fontValue().pointSizeF(), 20);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Font"));
  ASSERT_TRUE(pane());
  EXPECT_TRUE(pane()->fontDisplayField()->text().endsWith(QStringLiteral("\n20.0 pt.")));

  // The pane goes with the selection: the dialog is hidden and a font
  // chosen afterwards reaches nobody.
  select({rect});
  Spin();
  ASSERT_FALSE(text);
  EXPECT_FALSE(panel->isVisible());
  chosen.setPointSizeF(30);
  panel->setCurrentFont(chosen);
  EXPECT_DOUBLE_EQ(style(0).fontValue().pointSizeF(), 20);

  // Whoever opens the dialog next is its only receiver; a pane that goes
  // hides it only while it is the receiver.
  auto* first = new DRPropTextVC;
  QPointer<DRPropTextVC> second = new DRPropTextVC;
  first->showFonts();
  second->showFonts();
  EXPECT_FALSE(first->isFontReceiver());
  EXPECT_TRUE(second->isFontReceiver());
  chosen.setPointSizeF(16);
  panel->setCurrentFont(chosen);
  EXPECT_FALSE(first->font());
  ASSERT_TRUE(second->font());
  EXPECT_DOUBLE_EQ(second->font()->pointSizeF(), 16);
  delete first;
  EXPECT_TRUE(panel->isVisible());
  delete second;
  EXPECT_FALSE(panel->isVisible());
  chosen.setPointSizeF(18);
  panel->setCurrentFont(chosen);
  EXPECT_DOUBLE_EQ(style(0).fontValue().pointSizeF(), 20);
}

TEST_F(TextPaneTest, TypingAFamilyIntoTheFontDialogIsOneFontStep) {
  addText(QStringLiteral("Words"));
  select({element(0)});
  ASSERT_NE(pane(), nullptr);
  const QString familyBefore = style(0).fontValue().family();
  undo().clearUndo();
  pane()->fontButton()->click();
  QFontDialog* panel = SharedFontDialog(false);
  ASSERT_NE(panel, nullptr);
  // Typing into the family list jumps from family to family as the name
  // grows, each one a change the dialog reports.
  const QList<QListView*> lists = panel->findChildren<QListView*>();
  ASSERT_FALSE(lists.isEmpty());
  QListView* families = lists.first();
  families->setFocus();
  QTest::keyClicks(families, QStringLiteral("DejaVu Serif"));
  Spin();
  ASSERT_EQ(style(0).fontValue().family(), QStringLiteral("DejaVu Serif"));
  ASSERT_NE(familyBefore, QStringLiteral("DejaVu Serif"));
  // Only the family changed: the dialog showed the upright face it was given.
  EXPECT_EQ(style(0).fontValue().style(), QFont::StyleNormal);
  EXPECT_EQ(undo().undoCount(), 1u);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Font"));
  undo().undo();
  EXPECT_EQ(style(0).fontValue().family(), familyBefore);
  EXPECT_FALSE(undo().isUndoAvailable());
}

}  // namespace
