#pragma once
// A drawing window for the element sheets' tests: a real window controller
// on a fresh drawing, the inspector's sheets behind the editor's dialog
// seam, help and alerts recorded, and helpers to place and select
// elements, find the sheet the window shows and type into its fields.

#include <QLineEdit>
#include <QtTest/QTest>

#include "../shell/ShellTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeHelpViewer.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorSetup.h"
#include "ui/inspector/DRInspectorDialogs.h"
#include "ui/shell/DRWindowController.h"

class DrawingSheetTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    SetEditorDialogs(&dialogs);
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(900, 700);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    if (controller && controller->drawView()) controller->drawView()->normalize(true);
    ShellTest::TearDown();
    SetEditorDialogs(nullptr);
  }

  DRDrawing* drawing() const { return controller->drawing(); }
  DRDrawVC* drawVC() const { return controller->drawVC(); }
  CSUndoManager& undo() { return drawVC()->undoManager(); }

  // A rectangle at the frame (points) whose unscaled size is its size.
  DRElementRectangle* addRect(const QRectF& frame, double rotationDegrees = 0) {
    auto element = std::make_unique<DRElementRectangle>();
    element->setFrame(PtRect(frame.x(), frame.y(), frame.width(), frame.height()));
    element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
    element->setRotation(MeasureUnit(rotationDegrees * kMeasurePerPoint));
    DRElementRectangle* raw = element.get();
    drawing()->elements().push_back(std::move(element));
    return raw;
  }
  void select(std::vector<DRElement*> elements) {
    controller->drawView()->setSelection(std::move(elements));
    controller->drawView()->selectionDidChange();
  }
  // Undo puts copies back: only the drawing's list knows them afterwards.
  DRElement* element(size_t index) const { return drawing()->elements().at(index).get(); }

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

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  FakeHelpViewer help;
  SettingsScope settings;
  DRInspectorDialogs dialogs;
  DRWindowController* controller = nullptr;
};
