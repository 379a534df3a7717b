// Every inspector pane fits the inspector at the window's default width:
// no control is cut off or lies under the scroll bar.

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include "PaneTestSupport.h"
#include "ui/inspector/DRPaneRegistry.h"

namespace {

class PaneWidthTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    InstallInspectorPaneFactory();
    SetPaneFactory(&DRPaneRegistry::shared());
  }
};

TEST_F(PaneWidthTest, EveryPaneFitsTheDefaultInspectorWidth) {
  const int width = properties()->workingSize().toSize().width();
  ASSERT_GT(width, 100);
  const char* classes[] = {"DRPropPositionVC",    "DRPropRotationVC",  "DRPropArcVC",        "DRPropPolygonVC",
                           "DRPropRegularPolyVC", "DRPropRoundRectVC", "DRPropScribbleVC",   "DRPropBitmapVC",
                           "DRPropNotesVC",       "DRPropShadowVC",    "DRPropReflectionVC", "DRPropTextVC",
                           "DRPropFillVC",        "DRPropLineVC",      "DRPropArrowVC"};
  for (const char* name : classes) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(DRPaneRegistry::shared().knows(QLatin1String(name)));
    QWidget holder;
    QWidget* pane = DRPaneRegistry::shared().makePane(QLatin1String(name), QString(), &holder);
    ASSERT_NE(pane, nullptr);
    pane->resize(width, std::max(pane->sizeHint().height(), pane->minimumSizeHint().height()));
    holder.resize(pane->size());
    holder.show();
    QCoreApplication::processEvents();
    EXPECT_LE(pane->minimumSizeHint().width(), width);
    // Each visible control lies inside the pane and shows its whole title.
    for (QWidget* control : pane->findChildren<QWidget*>()) {
      if (!control->isVisible() || control->parentWidget() != pane) continue;
      const QRect frame = control->geometry();
      EXPECT_LE(frame.right(), width - 1)
          << qPrintable(control->metaObject()->className()) << " " << qPrintable(control->objectName());
      QString title;
      if (auto* label = qobject_cast<QLabel*>(control)) title = label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(control)) title = button->text();
      if (!title.isEmpty() && !title.contains(u'\n')) {
        EXPECT_GE(frame.width(), control->minimumSizeHint().width()) << qPrintable(title);
      }
    }
  }
}

}  // namespace
