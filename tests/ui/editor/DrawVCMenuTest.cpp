// Menu validation of the drawing commands, the inspector's panes for the
// selection, and the settings route to the drawing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <functional>

#include "DrawVCFixture.h"
#include "model/DRElementText.h"
#include "model/DRSettingsChange.h"
#include "testkit/QStringPrinter.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/EditorNotifications.h"

namespace {

using DrawVCMenuTest = DrawVCFixture;

// Puts the accepted pasteboard types back after a test.
class ClipboardTypesScope {
 public:
  explicit ClipboardTypesScope(const QStringList& types) : m_saved(g_clipboardTypes) { g_clipboardTypes = types; }
  ~ClipboardTypesScope() { g_clipboardTypes = m_saved; }

 private:
  QStringList m_saved;
};

TEST_F(DrawVCMenuTest, EachCommandIsEnabledByItsRule) {
  // 0 rectangle, 1 ellipse, 2 line, 3 polygon, 4 group, 5 bitmap, 6 bent
  // line.
  addRect(QRectF(10, 10, 40, 30));
  addEllipse(QRectF(60, 10, 30, 30));
  addLine(QRectF(100, 10, 40, 20));
  addPolygon(QRectF(10, 60, 50, 40));
  addGroup(QRectF(70, 60, 60, 30));
  addBitmap(QRectF(140, 60, 16, 12));
  addBentLine(QRectF(10, 120, 40, 30));
  ClipboardTypesScope types({QStringLiteral("twdraw.elements")});

  struct Row {
    const char* selector;
    std::vector<size_t> selection;
    bool locked;
    int tag;
    bool enabled;
    std::function<void(DrawVCMenuTest&)> prepare = nullptr;
  };
  auto pasteboardHolds = [](const char* type) {
    return [type](DrawVCMenuTest&) {
      auto* data = new QMimeData;
      data->setData(QString::fromLatin1(type), QByteArray("x"));
      QApplication::clipboard()->setMimeData(data);
    };
  };
  const Row rows[] = {
      {"copy:", {}, false, 0, false},
      {"copy:", {2}, true, 0, true},
      {"cut:", {}, false, 0, false},
      {"cut:", {0}, false, 0, true},
      {"cut:", {0}, true, 0, false},
      {"delete:", {0}, false, 0, true},
      {"delete:", {0}, true, 0, false},
      {"duplicate:", {0}, false, 0, true},
      {"duplicate:", {}, false, 0, false},
      {"paste:", {}, false, 0, true, pasteboardHolds("twdraw.elements")},
      {"paste:", {}, true, 0, false, pasteboardHolds("twdraw.elements")},
      {"paste:", {}, false, 0, false, pasteboardHolds("text/x-unknown")},
      {"selectAll:", {}, true, 0, true},
      {"selectNone:", {}, false, 0, true},
      {"selectByType:", {}, false, 0, true},
      {"selectElement:", {}, false, 0, true},
      {"selectElement:", {}, false, 1, false},
      {"selectElement:", {0}, false, 1, true},
      {"bringForward:", {0}, false, 0, true},
      {"bringFront:", {0}, true, 0, false},
      {"sendBackward:", {}, false, 0, false},
      {"sendBack:", {0}, false, 0, true},
      {"orderToSelection:", {0}, false, 0, false},
      {"orderToSelection:", {0, 1}, false, 0, true},
      {"group:", {0, 1}, false, 0, true},
      {"group:", {0, 1}, true, 0, false},
      {"groupMulti:", {0}, false, 0, false},
      {"groupMulti:", {0, 2}, false, 0, true},
      {"ungroup:", {0, 1}, false, 0, false},
      {"ungroup:", {0, 4}, false, 0, true},
      {"ungroup:", {4}, true, 0, false},
      {"align:", {0}, false, 0, false},
      {"align:", {0, 1}, false, 0, true},
      {"align:", {0, 1}, true, 0, false},
      {"flip:", {0, 1}, false, 0, false},
      {"flip:", {0, 3}, false, 0, true},
      {"flip:", {6}, false, 0, true},
      {"flip:", {3}, true, 0, false},
      {"rotate:", {2}, false, 0, false},
      {"rotate:", {2, 0}, false, 0, true},
      {"rotateFixed:", {2}, false, 90, false},
      {"rotateFixed:", {5}, false, 90, true},
      {"rotateFixed:", {5}, true, 90, false},
      {"reset:", {2}, false, 0, false},
      {"reset:", {4}, false, 0, true},
      {"scale:", {5}, false, 0, true},
      {"scale:", {3}, false, 0, true},
      {"scale:", {0}, false, 0, false},
      {"scale:", {5, 3}, false, 0, false},
      {"scale:", {5}, true, 0, false},
      {"reshape:", {3}, false, 0, true},
      {"reshape:", {6}, false, 0, true},
      {"reshape:", {0}, false, 0, false},
      {"reshape:", {3, 6}, false, 0, false},
      {"reshape:", {3}, true, 0, false},
      {"resumePolygon:", {3}, false, 0, true},
      {"resumePolygon:", {6}, false, 0, false},
      {"resumePolygon:", {3}, true, 0, false},
      {"zoomIn:", {}, true, 0, true},
      {"zoomOut:", {}, true, 0, true},
      {"zoomByPercent:", {}, false, 2, true},
      {"zoomByPercent:", {}, true, 2, false},
      {"togglePageBreaks:", {}, true, 0, true},
      {"showSelection:", {}, false, 0, false},
      {"showSelection:", {1}, true, 0, true},
      {"undoEdit:", {}, false, 0, false},
      {"redoEdit:", {}, false, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selector << " locked " << row.locked << " tag " << row.tag);
    canvas->unselectAll(false);
    for (size_t position : row.selection) canvas->addToSelection(drawing.elements().at(position).get());
    if (row.prepare) row.prepare(*this);
    drawing.setLocked(row.locked);
    auto item = TaggedItem(row.tag);
    const QString selector = QString::fromLatin1(row.selector);
    EXPECT_TRUE(vc.respondsToSelector(selector));
    EXPECT_EQ(vc.validateMenuItem(selector, item.get()), row.enabled);
    drawing.setLocked(false);
  }
}

TEST_F(DrawVCMenuTest, ItemsShowTheirStateAndTitle) {
  DRElementPolygon* polygon = addPolygon(QRectF(10, 60, 50, 40));
  (void)polygon;
  auto item = TaggedItem(0);

  // Reshape mode checks its item, and keeps it enabled for leaving.
  select({0});
  EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("reshape:"), item.get()));
  EXPECT_FALSE(item->isChecked());
  perform("reshape:");
  ASSERT_NE(canvas->reshapeElement(), nullptr);
  canvas->unselectAll(false);
  EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("reshape:"), item.get()));
  EXPECT_TRUE(item->isChecked());
  EXPECT_FALSE(vc.validateMenuItem(QStringLiteral("resumePolygon:"), item.get()));
  canvas->normalize(true);

  // Page breaks: always enabled, checked while shown.
  for (const bool shown : {false, true}) {
    drawing.setShowPageBreaks(shown);
    EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("togglePageBreaks:"), item.get()));
    EXPECT_EQ(item->isChecked(), shown);
  }
  perform("togglePageBreaks:");
  EXPECT_FALSE(drawing.showPageBreaks());

  // Zoom steps end at the table's ends.
  struct Zoom {
    double zoom;
    bool in;
    bool out;
  };
  for (const Zoom row : {Zoom{16, false, true}, Zoom{0.1, true, false}, Zoom{20, false, true}, Zoom{1, true, true}}) {
    canvas->setZoomValue(row.zoom);
    EXPECT_EQ(vc.validateMenuItem(QStringLiteral("zoomIn:"), item.get()), row.in) << row.zoom;
    EXPECT_EQ(vc.validateMenuItem(QStringLiteral("zoomOut:"), item.get()), row.out) << row.zoom;
  }

  // Undo and Redo carry the entry's name.
  auto undoItem = TaggedItem(0, QStringLiteral("undoEdit"));
  auto redoItem = TaggedItem(0, QStringLiteral("redoEdit"));
  select({0});
  perform("duplicate:");
  EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("undoEdit:"), undoItem.get()));
  EXPECT_EQ(undoItem->text(), QStringLiteral("Undo Duplicate"));
  EXPECT_FALSE(vc.validateMenuItem(QStringLiteral("redoEdit:"), redoItem.get()));
  EXPECT_EQ(redoItem->text(), QStringLiteral("Redo"));
  vc.undoEdit(nullptr);
  EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("redoEdit:"), redoItem.get()));
  EXPECT_EQ(redoItem->text(), QStringLiteral("Redo Duplicate"));

  // Nothing this controller does not carry; no canvas, nothing enabled.
  EXPECT_FALSE(vc.respondsToSelector(QStringLiteral("saveDocument:")));
  EXPECT_FALSE(vc.respondsToSelector(QStringLiteral("print:")));
  DRDrawVC alone;
  alone.setDrawing(&drawing);
  EXPECT_FALSE(alone.validateMenuItem(QStringLiteral("togglePageBreaks:"), item.get()));
}

TEST_F(DrawVCMenuTest, PanesAreThoseEverySelectedKindHas) {
  // 0 rectangle, 1 ellipse, 2 line, 3 text, 4 group, 5 polygon, 6 bent line,
  // 7 bitmap, 8 second rectangle.
  addRect(QRectF(10, 10, 40, 30));
  addEllipse(QRectF(60, 10, 30, 30));
  addLine(QRectF(100, 10, 40, 20));
  add(Shape<DRElementText>(QRectF(10, 60, 80, 20)));
  addGroup(QRectF(100, 60, 60, 30));
  addPolygon(QRectF(10, 100, 50, 40));
  addBentLine(QRectF(70, 100, 40, 30));
  addBitmap(QRectF(120, 100, 16, 12));
  addRect(QRectF(150, 10, 40, 30));

  struct Row {
    std::vector<size_t> selection;
    QStringList panes;  // after "Property"
  };
  const Row rows[] = {
      {{0, 1}, {"Position", "Fill", "Line", "Rotation", "Reflection", "Shadow"}},
      {{0, 1, 2}, {"Position", "Line", "Reflection", "Shadow"}},
      {{2, 0, 1}, {"Position", "Line", "Reflection", "Shadow"}},
      {{3}, {"Position", "Notes", "Text", "Rotation", "Reflection", "Shadow"}},
      {{4}, {"Position", "Notes", "Rotation"}},
      {{4, 0}, {"Position", "Rotation"}},
      {{5}, {"Position", "Notes", "Fill", "Line", "Polygon", "PolygonText", "Rotation", "Reflection", "Shadow"}},
      {{6}, {"Position", "Notes", "Line", "CurvedLine", "Arrow", "Rotation", "Reflection", "Shadow"}},
      {{7}, {"Position", "Notes", "Bitmap", "Rotation", "Reflection", "Shadow"}},
      {{0, 8}, {"Position", "Fill", "Line", "Rotation", "Reflection", "Shadow"}},
      {{6, 2}, {"Position", "Line", "Arrow", "Reflection", "Shadow"}},
      {{}, {}},
  };
  NotificationRecorder reloads({g_reloadPropertiesNotification}, &harness);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.panes.join(QLatin1Char(' ')).toStdString());
    reloads.clear();
    canvas->unselectAll(false);
    for (size_t position : row.selection) canvas->addToSelection(drawing.elements().at(position).get());
    canvas->selectionDidChange();
    QStringList expected;
    for (const QString& pane : row.panes) expected << QStringLiteral("Property") + pane;
    EXPECT_EQ(vc.propertyNibs(), expected);
    EXPECT_EQ(vc.numberOfLevels(), expected.size());
    EXPECT_EQ(reloads.count(g_reloadPropertiesNotification), 1);
  }

  // Each pane's controller class.
  QStringList nibs, controllers;
  ASSERT_EQ(vc.getElement(drawing.elements()[6].get(), false, &nibs, &controllers), 8);
  EXPECT_EQ(controllers, (QStringList{"DRPropPositionVC", "DRPropNotesVC", "DRPropLineVC", "DRPropPolygonVC",
                                      "DRPropArrowVC", "DRPropRotationVC", "DRPropReflectionVC", "DRPropShadowVC"}));
  ASSERT_EQ(vc.getElement(drawing.elements()[3].get(), true, nullptr, &controllers), 5);
  EXPECT_EQ(controllers.at(1), QStringLiteral("DRPropTextVC"));

  // A locked drawing shows none.
  drawing.setLocked(true);
  select({0});
  EXPECT_TRUE(vc.propertyNibs().isEmpty());
  EXPECT_EQ(vc.getElement(drawing.elements()[0].get(), false, &nibs, nullptr), 0);
}

TEST_F(DrawVCMenuTest, SettingsChangesOfItsWindowReachTheSelection) {
  DRElementRectangle* chosen = addRect(QRectF(10, 10, 40, 30));
  DRElementRectangle* other = addRect(QRectF(60, 10, 40, 30));
  select({0});
  const auto rotateTo = [](QObject* window, int64_t degrees) {
    NotificationCenter::defaultCenter().post(
        g_settingsChangeNotification, window,
        {{g_settingsChangeGetterKey, QStringLiteral("rotation")},
         {g_settingsChangeValueKey, QVariant::fromValue(qlonglong(degrees * kMeasurePerPoint))},
         {g_settingsChangeValueTypeKey, int(kSettingsValueInteger)}});
  };
  QObject otherWindow;
  rotateTo(&otherWindow, 15);
  EXPECT_EQ(chosen->rotation(), 0);
  rotateTo(&harness, 15);
  EXPECT_EQ(chosen->rotation(), 15 * kMeasurePerPoint);
  EXPECT_EQ(other->rotation(), 0);

  // Out of its window, the canvas stops the route; back in, it resumes.
  scroll->takeWidget();
  canvas->setParent(nullptr);
  rotateTo(&harness, 30);
  EXPECT_EQ(chosen->rotation(), 15 * kMeasurePerPoint);
  scroll->setWidget(canvas);
  rotateTo(&harness, 30);
  EXPECT_EQ(chosen->rotation(), 30 * kMeasurePerPoint);
}

}  // namespace
