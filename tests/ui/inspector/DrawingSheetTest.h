#pragma once
// A drawing window for the element sheets' tests: a real window controller
// on a fresh drawing, the inspector's sheets behind the editor's dialog
// seam, help and alerts recorded, and helpers to place and select
// elements, find the sheet the window shows and type into its fields.

#include <QLineEdit>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementRectangle.h"
#include "ui/FakeHelpViewer.h"
#include "ui/inspector/DRInspectorDialogs.h"

class DrawingSheetTest : public DrawingWindowTest {
 protected:
  DrawingSheetTest() : DrawingWindowTest(QSize(900, 700)) {}

  void prepareWindow() override { SetEditorDialogs(&dialogs); }
  void TearDown() override {
    DrawingWindowTest::TearDown();
    SetEditorDialogs(nullptr);
  }

  // A rectangle at the frame (points) whose unscaled size is its size.
  DRElementRectangle* addRect(const QRectF& frame, double rotationDegrees = 0) {
    auto element = std::make_unique<DRElementRectangle>();
    element->setFrame(PtRect(frame.x(), frame.y(), frame.width(), frame.height()));
    element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
    element->setRotation(MeasureUnit(rotationDegrees * kMeasurePerPoint));
    return add(std::move(element));
  }

  // The sheet of that class the window shows, or null.
  template <class Sheet>
  Sheet* shownSheet() const {
    for (Sheet* sheet : controller->window()->findChildren<Sheet*>()) {
      if (sheet->isVisible()) return sheet;
    }
    return nullptr;
  }
  // Sheets go once the event loop has run.
  static void settle() { Spin(); }

  // Types the text into the field as the user would and ends the edit.
  static void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    emit field->editingFinished();
  }
  // Types without ending the edit (as before a click on OK).
  static void typeOnly(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  FakeHelpViewer help;
  DRInspectorDialogs dialogs;
};
