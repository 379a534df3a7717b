// The bitmap and notes panes in a real drawing window: opacity in tenths,
// mixed values, the painting's name through the selection, scaling with the
// log slider, revealing the painting's file, and notes of one element.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementRectangle.h"
#include "support/CSKernel.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/FakeWorkspace.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropBitmapVC.h"
#include "ui/inspector/DRPropNotesVC.h"

namespace {

class BitmapNotesPaneTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    DRPropBitmapVC::registerPane();
    DRPropNotesVC::registerPane();
    SetPaneFactory(&DRPaneRegistry::shared());
  }

  DRElementBitmap* bitmap(size_t index) const { return static_cast<DRElementBitmap*>(element(index)); }
  // A bitmap of a 100 x 50 point painting shown at `percent`.
  DRElementBitmap* addBitmap(int64_t opacity, const QString& name = QString(), double percent = 100,
                             CSPoint original = CSPoint{Pt(100), Pt(50)}) {
    auto element = std::make_unique<DRElementBitmap>();
    element->setOriginalSize(original);
    const double x = 10 + 200 * double(drawing()->elements().size());
    element->setFrame(PtRect(x, 10, 100 * percent / 100, 50 * percent / 100));
    element->setOpacity(opacity);
    element->setName(name);
    return add(std::move(element));
  }
  DRElement* addRect() {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10, 300, 40, 40));
    return add(std::move(rect));
  }
  // Types without ending the edit; works for the notes too.
  void type(QWidget* field, const QString& text) {
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    if (auto* notes = qobject_cast<QPlainTextEdit*>(field)) notes->selectAll();
    QTest::keyClicks(field, text);
  }
  void enter(QLineEdit* field, const QString& text) {
    type(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }
  int currentDescriptor() {
    int action = 0;
    int descriptor = -1;
    return undo().dataForCurrentUndoAction(&action, &descriptor) ? descriptor : -1;
  }
};

TEST_F(BitmapNotesPaneTest, OpacityIsStoredInTenthsWithFullOpacityAsZero) {
  struct Case {
    QString typed;
    int64_t stored;
  };
  const Case cases[] = {{"100", 0}, {"99.9", 1000}, {"0", 1}, {"42.5", 426}};
  addBitmap(301);
  select({bitmap(0)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_EQ(bitmapPane->opacityField()->text(), QStringLiteral("30%"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    enter(bitmapPane->opacityField(), c.typed);
    EXPECT_EQ(bitmap(0)->opacity(), c.stored);
    EXPECT_DOUBLE_EQ(bitmapPane->opacitySlider()->doubleValue(), c.typed.toDouble());
  }
  // The slider gives whole tenths; the field follows it.
  bitmapPane->opacitySlider()->setDoubleValue(55.5);
  EXPECT_EQ(bitmap(0)->opacity(), 556);
  EXPECT_EQ(bitmapPane->opacityField()->text(), QStringLiteral("55.5%"));
  // One continuous run: a single step takes all of it back.
  EXPECT_EQ(currentDescriptor(), kUndoOpacity);
  undo().undo();
  EXPECT_EQ(bitmap(0)->opacity(), 301);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(BitmapNotesPaneTest, DifferingOpacitiesShowFullUntilOneIsSet) {
  addBitmap(1);
  addBitmap(501);
  select({bitmap(0), bitmap(1)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_EQ(bitmapPane->opacityField()->text(), QStringLiteral("100%"));
  EXPECT_DOUBLE_EQ(bitmapPane->opacitySlider()->doubleValue(), 100);
  bitmapPane->opacitySlider()->setDoubleValue(20);
  EXPECT_EQ(bitmap(0)->opacity(), 201);
  EXPECT_EQ(bitmap(1)->opacity(), 201);
}

TEST_F(BitmapNotesPaneTest, AnEmptiedNameGivesThePaintingNoNameInOneStep) {
  addBitmap(0, QStringLiteral("Sky"));
  select({bitmap(0)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  ASSERT_EQ(bitmapPane->nameField()->text(), QStringLiteral("Sky"));
  NotificationRecorder recorder({g_settingsChangeNotification});
  bitmapPane->nameField()->setFocus();
  bitmapPane->nameField()->selectAll();
  QTest::keyClick(bitmapPane->nameField(), Qt::Key_Delete);
  QTest::keyClick(bitmapPane->nameField(), Qt::Key_Return);
  ASSERT_EQ(recorder.posted().size(), 1u);
  const QVariantMap& info = recorder.posted()[0].userInfo;
  EXPECT_FALSE(info.value(QStringLiteral("value")).isValid());
  EXPECT_TRUE(bitmap(0)->name().isEmpty());
  EXPECT_EQ(currentDescriptor(), kUndoPaintingName);
  undo().undo();
  EXPECT_EQ(bitmap(0)->name(), QStringLiteral("Sky"));

  // A typed name reaches the painting as it stands.
  enter(pane<DRPropBitmapVC>()->nameField(), QStringLiteral("Sea"));
  EXPECT_EQ(bitmap(0)->name(), QStringLiteral("Sea"));
}

TEST_F(BitmapNotesPaneTest, SeveralBitmapsDisableTheNameField) {
  addBitmap(0, QStringLiteral("Sky"));
  addBitmap(0, QStringLiteral("Sky"));
  select({bitmap(0), bitmap(1)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_FALSE(bitmapPane->nameField()->isEnabled());
  EXPECT_TRUE(bitmapPane->nameField()->text().isEmpty());
  select({bitmap(1)});
  bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_TRUE(bitmapPane->nameField()->isEnabled());
  EXPECT_EQ(bitmapPane->nameField()->text(), QStringLiteral("Sky"));
}

TEST_F(BitmapNotesPaneTest, TheScaleFollowsTheLogSliderAndTheResetLeavesNoEmptyStep) {
  addBitmap(0, QString(), 50);
  addBitmap(0, QString(), 100);
  select({bitmap(0)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_EQ(bitmapPane->scaleField()->text(), QStringLiteral("50%"));
  EXPECT_NEAR(bitmapPane->scaleSlider()->doubleValue(), 0.49, 1e-9);
  bitmapPane->scaleSlider()->setDoubleValue(2);
  EXPECT_EQ(bitmap(0)->frame().width, Pt(1600));
  EXPECT_EQ(bitmapPane->scaleField()->text(), QStringLiteral("1600%"));
  enter(bitmapPane->scaleField(), QStringLiteral("25"));
  EXPECT_EQ(bitmap(0)->frame().width, Pt(25));
  EXPECT_EQ(bitmap(0)->frame().height, Pt(12.5));
  undo().undo();
  EXPECT_EQ(bitmap(0)->frame().width, Pt(50));
  EXPECT_FALSE(undo().isUndoAvailable());

  select({bitmap(1)});
  pane<DRPropBitmapVC>()->resetButton()->click();
  EXPECT_FALSE(undo().isUndoAvailable());
  select({bitmap(0), bitmap(1)});
  bitmapPane = pane<DRPropBitmapVC>();
  EXPECT_EQ(bitmapPane->scaleField()->text(), QStringLiteral("-"));
  bitmapPane->resetButton()->click();
  EXPECT_EQ(bitmap(0)->frame().width, Pt(100));
  EXPECT_EQ(currentDescriptor(), kUndoScale);
  EXPECT_EQ(pane<DRPropBitmapVC>()->scaleField()->text(), QStringLiteral("100%"));
}

TEST_F(BitmapNotesPaneTest, ABitmapWithoutAnOriginalSizeKeepsItsFrame) {
  addBitmap(0, QString(), 100, CSPoint{0, Pt(50)});
  select({bitmap(0)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  const CSRect frame = bitmap(0)->frame();
  EXPECT_EQ(bitmapPane->scaleField()->text(), QStringLiteral("-"));
  bitmapPane->scaleSlider()->setDoubleValue(1.5);
  enter(bitmapPane->scaleField(), QStringLiteral("50"));
  bitmapPane->resetButton()->click();
  EXPECT_EQ(bitmap(0)->frame(), frame);
}

TEST_F(BitmapNotesPaneTest, TheRevealButtonIsForAdvancedUsersAndOpensThePaintingsFolder) {
  FakeWorkspace workspace;
  // Put back whatever the test ends with.
  struct Restore {
    bool advanced = g_advancedUser;
    ~Restore() { g_advancedUser = advanced; }
  } restore;
  auto painting = std::make_shared<DRPainting>(QSizeF(100, 50));
  painting->setFilePath(QStringLiteral("/tmp/pictures/sky.png"));
  addBitmap(0)->setPainting(painting);
  addBitmap(0);

  g_advancedUser = false;
  select({bitmap(0)});
  ASSERT_NE(pane<DRPropBitmapVC>(), nullptr);
  EXPECT_TRUE(pane<DRPropBitmapVC>()->showFileButton()->isHidden());

  g_advancedUser = true;
  select({bitmap(1)});
  select({bitmap(0), bitmap(1)});
  DRPropBitmapVC* bitmapPane = pane<DRPropBitmapVC>();
  ASSERT_NE(bitmapPane, nullptr);
  EXPECT_FALSE(bitmapPane->showFileButton()->isHidden());
  bitmapPane->showFileButton()->click();
  EXPECT_EQ(workspace.revealedPaths, QStringList{QStringLiteral("/tmp/pictures/sky.png")});
  // The first bitmap has no file: nothing to reveal.
  select({bitmap(1), bitmap(0)});
  pane<DRPropBitmapVC>()->showFileButton()->click();
  EXPECT_EQ(workspace.revealedPaths.size(), 1);
}

TEST_F(BitmapNotesPaneTest, NotesChangeOnlyForASingleElementAndATypingRunIsOneStep) {
  addRect()->setNotes(QStringLiteral("old"));
  addBitmap(0);
  // Undo puts copies in the drawing: always look the elements up afresh.
  auto element = [this](size_t index) { return drawing()->elements().at(index).get(); };
  select({element(0)});
  DRPropNotesVC* notesPane = pane<DRPropNotesVC>();
  ASSERT_NE(notesPane, nullptr);
  EXPECT_EQ(notesPane->textField()->toPlainText(), QStringLiteral("old"));
  EXPECT_FALSE(undo().isUndoAvailable());
  type(notesPane->textField(), QStringLiteral("new"));
  EXPECT_EQ(element(0)->notes(), QStringLiteral("new"));
  EXPECT_EQ(currentDescriptor(), kUndoNotes);
  undo().undo();
  EXPECT_EQ(element(0)->notes(), QStringLiteral("old"));
  EXPECT_FALSE(undo().isUndoAvailable());

  // A pane left over from a single selection types into no one once two
  // are selected.
  select({element(0)});
  notesPane = pane<DRPropNotesVC>();
  ASSERT_NE(notesPane, nullptr);
  controller->drawView()->setSelection({element(0), element(1)});
  type(notesPane->textField(), QStringLiteral("both"));
  EXPECT_EQ(element(0)->notes(), QStringLiteral("old"));
  EXPECT_TRUE(element(1)->notes().isEmpty());
  EXPECT_FALSE(undo().isUndoAvailable());
}

}  // namespace
