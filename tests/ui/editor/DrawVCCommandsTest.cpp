// The drawing commands that edit, select, restack and group, and the undo
// of every command that changes the drawing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <functional>
#include <map>

#include "DrawVCFixture.h"
#include "model/DRElementMultipath.h"
#include "testkit/QStringPrinter.h"

namespace {

using DrawVCCommandsTest = DrawVCFixture;

constexpr int64_t kPoint = kMeasurePerPoint;

// Five rectangles named 1 to 5 from the back, by their notes.
class RestackTest : public DrawVCFixture {
 protected:
  void SetUp() override {
    DrawVCFixture::SetUp();
    for (int i = 1; i <= 5; ++i) addRect(QRectF(10 * i, 10, 30, 30))->setNotes(QString::number(i));
  }
  // Selects the elements by name, in this order.
  void selectNamed(const QString& names) {
    canvas->unselectAll(false);
    for (const QChar name : names) {
      for (const auto& element : drawing.elements()) {
        if (element->notes() == name) canvas->addToSelection(element.get());
      }
    }
    canvas->selectionDidChange();
  }
  QString order() const {
    QString names;
    for (const auto& element : drawing.elements()) names += element->notes();
    return names;
  }
};

TEST_F(RestackTest, RestackingCommands) {
  struct Row {
    const char* selector;
    int tag;
    const char* selected;  // in selecting order
    const char* order;
    const char* undoName;
  };
  const Row rows[] = {
      {"bringForward:", 0, "23", "14235", "Undo Move Forward"},
      {"sendBackward:", 0, "23", "23145", "Undo Move Backward"},
      {"bringFront:", 0, "23", "14523", "Undo Move to Front"},
      {"sendBack:", 0, "23", "23145", "Undo Send to Back"},
      {"bringForward:", 0, "14", "23514", "Undo Move Forward"},
      {"sendBackward:", 0, "14", "14235", "Undo Move Backward"},
      {"bringForward:", 0, "5", "12345", "Undo Move Forward"},
      {"sendBackward:", 0, "1", "12345", "Undo Move Backward"},
      {"orderToSelection:", 0, "315", "24135", "Undo Order Selection"},
      {"orderToSelection:", 1, "315", "24513", "Undo Order Selection"},
      {"orderToSelection:", 0, "52", "15234", "Undo Order Selection"},
      {"orderToSelection:", 1, "52", "12534", "Undo Order Selection"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.selector) + " " + row.selected);
    selectNamed(QString::fromLatin1(row.selected));
    const std::vector<DRElement*> selection = canvas->selection();
    perform(row.selector, row.tag);
    EXPECT_EQ(order(), QString::fromLatin1(row.order));
    // The same elements, still selected in their order.
    EXPECT_EQ(canvas->selection(), selection);
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoName));
    vc.undoEdit(nullptr);
    EXPECT_EQ(order(), QStringLiteral("12345"));
    vc.redoEdit(nullptr);
    EXPECT_EQ(order(), QString::fromLatin1(row.order));
    vc.undoEdit(nullptr);
  }
}

// Every command that changes the drawing, from a drawing of every kind of
// element: undo gives back the serialised elements and images exactly,
// redo the state the command made.
TEST_F(DrawVCCommandsTest, UndoOfEveryCommandRestoresTheSerialisedDrawing) {
  struct Row {
    const char* name;
    std::initializer_list<size_t> selection;
    std::function<void(DrawVCCommandsTest&)> act;
    const char* undoName;
    bool changes = true;
  };
  auto selector = [](const char* name, int tag = 0) {
    return [name, tag](DrawVCCommandsTest& t) { t.perform(name, tag); };
  };
  // 0 rectangle, 1 ellipse, 2 line, 3 polygon, 4 group, 5 bitmap, 6 rotated
  // rectangle, 7 curved bent line.
  const Row rows[] = {
      {"cut", {5, 1}, selector("cut:"), "Undo Cut"},
      {"delete", {0, 4, 5}, selector("delete:"), "Undo Delete"},
      {"duplicate", {5, 4, 3}, selector("duplicate:"), "Undo Duplicate"},
      {"duplicate tagged", {0, 2}, selector("duplicate:", 1), "Undo Duplicate"},
      {"bring forward", {1, 2}, selector("bringForward:"), "Undo Move Forward"},
      {"bring to front", {0}, selector("bringFront:"), "Undo Move to Front"},
      {"send backward", {6, 7}, selector("sendBackward:"), "Undo Move Backward"},
      {"send to back", {5}, selector("sendBack:"), "Undo Send to Back"},
      {"order", {6, 0, 3}, selector("orderToSelection:"), "Undo Order Selection"},
      {"group", {0, 5, 2}, selector("group:"), "Undo Group"},
      {"compound path", {0, 1, 2, 6}, selector("groupMulti:"), "Undo Group"},
      {"ungroup", {4, 1}, selector("ungroup:"), "Undo Ungroup"},
      {"flip", {3, 7, 0}, selector("flip:", 1), "Undo Flip"},
      {"rotate", {0, 5, 6}, selector("rotateFixed:", 90), "Undo Rotate"},
      {"reset", {6}, selector("reset:"), "Undo Reset Size and Rotation"},
      // Entering and leaving reshape mode without a drag changes nothing.
      {"reshape", {3}, selector("reshape:"), "Undo Reshape", false},
      {"resume polygon", {3}, selector("resumePolygon:"), "Undo Reshape"},
      {"align", {0, 1, 6}, [](DrawVCCommandsTest& t) { t.vc.alignX(4, 3); }, "Undo Align"},
      {"distribute",
       {0, 1, 4},
       [](DrawVCCommandsTest& t) {
         t.vc.distributeBy(CSPoint{kPoint, 0});
       },
       "Undo Distribute"},
  };
  addRect(QRectF(10, 10, 40, 30));
  addEllipse(QRectF(60, 10, 30, 30));
  addLine(QRectF(100, 10, 40, 20));
  addPolygon(QRectF(10, 60, 50, 40));
  addGroup(QRectF(70, 60, 60, 30));
  addBitmap(QRectF(140, 60, 16, 12));
  DRElementRectangle* turned = addRect(QRectF(10, 120, 40, 20));
  turned->setRotation(30 * kPoint);
  addBentLine(QRectF(70, 120, 40, 30), true);

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    vc.undoManager().clearUndo();
    drawing.setDirty(false);
    const SavedBlocks before = SaveBlocks(drawing);
    canvas->unselectAll(false);
    for (size_t position : row.selection) canvas->addToSelection(drawing.elements().at(position).get());
    canvas->selectionDidChange();
    row.act(*this);
    canvas->normalize(true);  // ends a reshape or a resumed polygon
    const SavedBlocks after = SaveBlocks(drawing);
    EXPECT_EQ(after != before, row.changes);
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoName));
    vc.undoEdit(nullptr);
    EXPECT_EQ(SaveBlocks(drawing), before);
    EXPECT_FALSE(drawing.isDirty());
    vc.redoEdit(nullptr);
    EXPECT_EQ(SaveBlocks(drawing), after);
    vc.undoEdit(nullptr);
  }
}

TEST_F(DrawVCCommandsTest, CommandsThatDoNotChangeTheDrawingLeaveNoEntry) {
  addRect(QRectF(10, 10, 40, 30));
  addLine(QRectF(60, 10, 40, 30));
  const char* selectors[] = {
      "copy:",   "paste:", "selectAll:", "selectNone:", "selectElement:", "selectByType:",    "align:",
      "rotate:", "scale:", "zoomIn:",    "zoomOut:",    "showSelection:", "togglePageBreaks:"};
  const SavedBlocks before = SaveBlocks(drawing);
  for (const char* selector : selectors) {
    SCOPED_TRACE(selector);
    select({0, 1});
    perform(selector);
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
    EXPECT_EQ(SaveBlocks(drawing), before);
  }
  // The sheets ran on the window.
  EXPECT_EQ(dialogs.sheets, (QStringList{QStringLiteral("typeSelect"), QStringLiteral("align"),
                                         QStringLiteral("rotate"), QStringLiteral("scale")}));
}

TEST_F(DrawVCCommandsTest, CutCopiesThenDeletesUnderItsOwnName) {
  addRect(QRectF(10, 10, 40, 30));
  addEllipse(QRectF(60, 10, 30, 30));
  addRect(QRectF(100, 10, 30, 30));
  DRElement* kept = drawing.elements()[1].get();
  struct Row {
    const char* selector;
    int copies;
    const char* undoName;
  };
  for (const Row row : {Row{"cut:", 1, "Undo Cut"}, Row{"delete:", 0, "Undo Delete"}}) {
    SCOPED_TRACE(row.selector);
    clipboard.copyCount = 0;
    QApplication::clipboard()->clear();
    select({2, 0});
    perform(row.selector);
    EXPECT_EQ(clipboard.copyCount, row.copies);
    const QMimeData* pasteboard = QApplication::clipboard()->mimeData();
    EXPECT_EQ(pasteboard && pasteboard->hasFormat(QStringLiteral("twdraw.elements")), row.copies > 0);
    EXPECT_EQ(elementPointers(), (std::vector<DRElement*>{kept}));
    EXPECT_TRUE(canvas->selection().empty());
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoName));
    vc.undoEdit(nullptr);
    ASSERT_EQ(drawing.elements().size(), 3u);
    EXPECT_EQ(canvas->selection().size(), 2u);
    kept = drawing.elements()[1].get();
  }
}

TEST_F(DrawVCCommandsTest, CutRemovesNothingThatWasNotCopied) {
  addRect(QRectF(10, 10, 40, 30));
  addEllipse(QRectF(60, 10, 30, 30));
  const std::vector<DRElement*> all = elementPointers();
  const auto before = SaveBlocks(drawing);
  struct Row {
    const char* name;
    bool transfers;
    bool writes;
    int copies;
  } rows[] = {
      {"the copy wrote nothing", true, false, 1},
      {"only the default clipboard services", false, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clipboard.transfers = row.transfers;
    clipboard.writes = row.writes;
    clipboard.copyCount = 0;
    select({0, 1});
    vc.cut(nullptr);
    EXPECT_EQ(clipboard.copyCount, row.copies);
    EXPECT_EQ(elementPointers(), all);
    EXPECT_EQ(canvas->selection().size(), 2u);
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
    EXPECT_EQ(SaveBlocks(drawing), before);
  }
}

TEST_F(DrawVCCommandsTest, WithoutClipboardCodeItsCommandsAreOffAndAskNothing) {
  addRect(QRectF(10, 10, 40, 30));
  select({0});
  auto* data = new QMimeData;
  data->setData(QStringLiteral("twdraw.elements"), QByteArray("x"));
  QApplication::clipboard()->setMimeData(data);
  const QStringList saved = g_clipboardTypes;
  g_clipboardTypes = {QStringLiteral("twdraw.elements")};
  dialogs.openPanelAnswer = {QStringLiteral("/nowhere/picture.png")};
  const char* const commands[] = {"copy:", "cut:", "paste:", "importPaintings:"};
  auto validate = [this](const char* selector) {
    auto item = TaggedItem(0);
    return vc.validateMenuItem(QString::fromLatin1(selector), item.get());
  };

  // With the clipboard code each is enabled here.
  for (const char* command : commands) EXPECT_TRUE(validate(command)) << command;
  // With only the default services none is, nor does it act.
  SetClipboardServices(nullptr);
  for (const char* command : commands) EXPECT_FALSE(validate(command)) << command;
  EXPECT_TRUE(validate("delete:"));
  vc.importPaintings(nullptr);
  vc.paste(nullptr);
  EXPECT_FALSE(dialogs.sheets.contains(QStringLiteral("open")));
  EXPECT_TRUE(clipboard.pastes.empty());
  EXPECT_EQ(drawing.elements().size(), 1u);
  SetClipboardServices(&clipboard);
  g_clipboardTypes = saved;
}

TEST_F(DrawVCCommandsTest, PasteGoesToTheClipboardCode) {
  addRect(QRectF(10, 10, 40, 30));
  perform("paste:");
  ASSERT_EQ(clipboard.pastes.size(), 1u);
  EXPECT_EQ(clipboard.pastes[0].canvas, canvas);
  EXPECT_EQ(clipboard.pastes[0].x, -1);
  EXPECT_EQ(clipboard.pastes[0].y, -1);
}

TEST_F(DrawVCCommandsTest, DeleteAndGroupInALockedDrawingDoNothingAtAll) {
  // A window whose tab closing reports whether the entry was open yet.
  class OrderHost : public FakeEditorWindowHost {
   public:
    using FakeEditorWindowHost::FakeEditorWindowHost;
    DRDrawVC* controller = nullptr;
    std::vector<bool> entryOpenWhenClosing;
    void closeTabsForElements(const DRElementList& elements) override {
      FakeEditorWindowHost::closeTabsForElements(elements);
      entryOpenWhenClosing.push_back(controller->undoManager().isUndoAvailable());
    }
  } orderHost(&harness, &vc);
  orderHost.controller = &vc;
  vc.setWindowController(&orderHost);

  addBitmap(QRectF(10, 10, 40, 30));
  addRect(QRectF(60, 10, 30, 30));
  for (const char* selector : {"delete:", "group:"}) {
    SCOPED_TRACE(selector);
    vc.undoManager().clearUndo();
    orderHost.closedTabLists.clear();
    orderHost.entryOpenWhenClosing.clear();
    select({0, 1});
    const SavedBlocks before = SaveBlocks(drawing);

    drawing.setLocked(true);
    perform(selector);
    EXPECT_TRUE(orderHost.closedTabLists.empty());
    EXPECT_EQ(SaveBlocks(drawing), before);
    EXPECT_EQ(canvas->selection().size(), 2u);

    drawing.setLocked(false);
    perform(selector);
    // The tabs of the selection closed first, then the entry was opened.
    EXPECT_EQ(orderHost.closedTabLists, (std::vector<size_t>{2}));
    EXPECT_EQ(orderHost.entryOpenWhenClosing, (std::vector<bool>{false}));
    EXPECT_TRUE(vc.undoManager().isUndoAvailable());
    vc.undoEdit(nullptr);
    EXPECT_EQ(SaveBlocks(drawing), before);
  }
  vc.setWindowController(&host);
}

TEST_F(DrawVCCommandsTest, DuplicatesKeepTheOffsetAndNeverGoNegative) {
  struct Row {
    const char* name;
    QPointF position;  // of the source, points
    bool offsetValid;
    QPointF storedOffset;  // points
    int tag;
    QPointF expected;
  };
  const Row rows[] = {
      {"default offset", {50, 60}, false, {}, 0, {66, 76}},
      {"the user's offset", {50, 60}, true, {-20, 30}, 0, {30, 90}},
      {"tagged: the default", {50, 60}, true, {-20, 30}, 1, {66, 76}},
      {"clamped at the corner", {5, 8}, true, {-20, -30}, 0, {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    DRElementRectangle* source = addRect(QRectF(row.position, QSizeF(20, 10)));
    drawing.setDuplicationOffset(ConvertViewPoint(row.storedOffset.x(), row.storedOffset.y()));
    select({0});
    drawing.setDupOffsetValid(row.offsetValid);
    perform("duplicate:", row.tag);
    ASSERT_EQ(drawing.elements().size(), 2u);
    DRElement* copy = drawing.elements()[1].get();
    EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{copy}));
    EXPECT_EQ(copy->frame().x, ConvertViewPoint(row.expected.x(), 0).x);
    EXPECT_EQ(copy->frame().y, ConvertViewPoint(0, row.expected.y()).y);
    EXPECT_EQ(copy->frame().width, source->frame().width);
    EXPECT_TRUE(drawing.isDupOffsetValid());
  }

  // Twice in a row after the user moved the first duplicate: the second
  // stands off the first as the first stands off its source.
  clearDrawing();
  addRect(QRectF(40, 40, 20, 10));
  select({0});
  perform("duplicate:");
  DRElement* first = drawing.elements()[1].get();
  // The canvas keeps the offset of the user's drag of the fresh duplicate.
  first->setFrame(ConvertViewRect(QRectF(70, 35, 20, 10)));
  drawing.setDuplicationOffset(ConvertViewPoint(30, -5));
  perform("duplicate:");
  ASSERT_EQ(drawing.elements().size(), 3u);
  EXPECT_EQ(drawing.elements()[2]->frame(), ConvertViewRect(QRectF(100, 30, 20, 10)));
}

TEST_F(DrawVCCommandsTest, ADuplicatedBitmapOwnsItsPainting) {
  DRElementBitmap* source = addBitmap(QRectF(10, 10, 16, 12));
  select({0});
  perform("duplicate:");
  auto* copy = dynamic_cast<DRElementBitmap*>(drawing.elements().at(1).get());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->guid(), source->guid());
  ASSERT_TRUE(copy->painting() && source->painting());
  EXPECT_NE(copy->painting().get(), source->painting().get());
  EXPECT_NE(copy->painting()->guid(), source->painting()->guid());
  // The package stores both paintings.
  const SavedBlocks saved = SaveBlocks(drawing);
  EXPECT_TRUE(saved.images.contains(copy->painting()->guid()));
  EXPECT_TRUE(saved.images.contains(source->painting()->guid()));
}

TEST_F(DrawVCCommandsTest, SelectingElements) {
  for (int i = 0; i < 3; ++i) addRect(QRectF(10 + 50 * i, 10, 40, 30));
  const std::vector<DRElement*> all = elementPointers();

  // Stepping up the stacking order wraps from the front to the back.
  canvas->unselectAll(false);
  std::vector<DRElement*> visited;
  for (int i = 0; i < 5; ++i) {
    perform("selectElement:", 1);
    ASSERT_EQ(canvas->selection().size(), 1u);
    visited.push_back(canvas->selection()[0]);
  }
  EXPECT_EQ(visited, (std::vector<DRElement*>{all[0], all[1], all[2], all[0], all[1]}));
  // Tag 0 starts again at the back.
  perform("selectElement:", 0);
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{all[0]}));

  perform("selectAll:");
  EXPECT_EQ(canvas->selection(), all);
  perform("selectNone:");
  EXPECT_TRUE(canvas->selection().empty());
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
}

TEST_F(DrawVCCommandsTest, SelectingByType) {
  addPolygon(QRectF(10, 10, 40, 30), false);
  addPolygon(QRectF(60, 10, 40, 30), true);
  addBentLine(QRectF(110, 10, 40, 30), false);
  addBentLine(QRectF(160, 10, 40, 30), true);
  addRect(QRectF(210, 10, 40, 30));
  const std::vector<DRElement*> all = elementPointers();
  struct Row {
    uint64_t mask;
    std::vector<size_t> selected;
  };
  const Row rows[] = {
      {1u << kElementPolygon, {0}},
      {1u << 13, {1}},
      {1u << kElementBentLine, {2}},
      {1u << 14, {3}},
      {(1u << kElementRectangle) | (1u << 13), {1, 4}},
      {0, {}},
      {~uint64_t(0), {0, 1, 2, 3, 4}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mask);
    select({0});
    vc.selectByTypes(row.mask);
    std::vector<DRElement*> expected;
    for (size_t index : row.selected) expected.push_back(all[index]);
    EXPECT_EQ(canvas->selection(), expected);
  }
}

TEST_F(DrawVCCommandsTest, UngroupPutsTheMembersAtTheFront) {
  DRElementRectangle* back = addRect(QRectF(10, 10, 40, 30));
  DRElementGroup* group = addGroup(QRectF(60, 10, 60, 30));
  DRElementRectangle* front = addRect(QRectF(130, 10, 40, 30));
  const DRElement* firstMember = group->subelements()[0].get();
  const DRElement* secondMember = group->subelements()[1].get();
  select({1, 2});
  perform("ungroup:");
  ASSERT_EQ(drawing.elements().size(), 4u);
  EXPECT_EQ(drawing.elements()[0].get(), back);
  EXPECT_EQ(drawing.elements()[1].get(), front);
  EXPECT_EQ(drawing.elements()[2].get(), firstMember);
  EXPECT_EQ(drawing.elements()[3].get(), secondMember);
  // Back on the page, and only they are selected.
  EXPECT_EQ(drawing.elements()[2]->frame(), ConvertViewRect(QRectF(60, 10, 30, 30)));
  EXPECT_EQ(drawing.elements()[3]->frame(), ConvertViewRect(QRectF(90, 10, 30, 30)));
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{drawing.elements()[2].get(), drawing.elements()[3].get()}));
}

TEST_F(DrawVCCommandsTest, GroupingKeepsTheStackingOrder) {
  addRect(QRectF(10, 10, 40, 30));
  DRElementEllipse* ellipse = addEllipse(QRectF(60, 10, 30, 30));
  addRect(QRectF(100, 10, 30, 30));
  DRElementLine* line = addLine(QRectF(140, 10, 30, 30));
  select({3, 1});
  perform("group:");
  ASSERT_EQ(drawing.elements().size(), 3u);
  auto* group = dynamic_cast<DRElementGroup*>(drawing.elements()[2].get());
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->subelements().size(), 2u);
  EXPECT_EQ(group->subelements()[0].get(), ellipse);
  EXPECT_EQ(group->subelements()[1].get(), line);
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{group}));
  EXPECT_EQ(host.closedTabLists, (std::vector<size_t>{2}));
}

TEST_F(DrawVCCommandsTest, ACompoundPathTakesOnlyTheClosedShapes) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  DRElementEllipse* ellipse = addEllipse(QRectF(30, 20, 30, 30));
  DRElementLine* line = addLine(QRectF(100, 10, 30, 30));
  select({2, 0, 1});
  perform("groupMulti:");
  ASSERT_EQ(drawing.elements().size(), 2u);
  EXPECT_EQ(drawing.elements()[0].get(), line);
  auto* compound = dynamic_cast<DRElementMultipath*>(drawing.elements()[1].get());
  ASSERT_NE(compound, nullptr);
  ASSERT_EQ(compound->subelements().size(), 2u);
  EXPECT_EQ(compound->subelements()[0].get(), rect);
  EXPECT_EQ(compound->subelements()[1].get(), ellipse);
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{compound}));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Group"));
}

}  // namespace
