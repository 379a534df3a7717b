#pragma once
// A real drawing window for the inspector's tests: a window controller on a
// fresh drawing with the editor's resources, the pane factory put back as it
// was afterwards, and helpers to place and select elements, find the pane the
// inspector shows, type into its fields and read the undo step.

#include <QLineEdit>
#include <QSize>
#include <QtTest/QTest>
#include <memory>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRPaneFactory.h"
#include "ui/editor/EditorSetup.h"
#include "ui/inspector/CSPropertyView.h"
#include "ui/inspector/DRPropertyContainerView.h"
#include "ui/shell/DRWindowController.h"

class DrawingWindowTest : public ShellTest {
 protected:
  explicit DrawingWindowTest(QSize windowSize = QSize(900, 1400)) : m_windowSize(windowSize) {}

  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    m_factoryBefore = PaneFactory();
    prepareWindow();
    if (HasFatalFailure()) return;
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(m_windowSize);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    if (controller && controller->drawView()) controller->drawView()->normalize(true);
    ClosePanels();
    ShellTest::TearDown();
    SetPaneFactory(m_factoryBefore);
  }
  // Runs before the window opens: the place to register panes and install
  // the factory they come from.
  virtual void prepareWindow() {}

  DRDrawing* drawing() const { return controller->drawing(); }
  DRDrawVC* drawVC() const { return controller->drawVC(); }
  CSUndoManager& undo() { return drawVC()->undoManager(); }

  template <class T>
  T* add(std::unique_ptr<T> element) {
    T* raw = element.get();
    drawing()->elements().push_back(std::move(element));
    return raw;
  }
  // As a click selects: the canvas announces the new selection.
  void select(std::vector<DRElement*> elements) {
    controller->drawView()->setSelection(std::move(elements));
    controller->drawView()->selectionDidChange();
  }
  // Undo puts copies of the elements back: only the drawing's list knows
  // them afterwards.
  DRElement* element(size_t index) const { return drawing()->elements().at(index).get(); }

  CSPropertyView* properties() const {
    return static_cast<DRPropertyContainerView*>(controller->propertyView())->propertyView();
  }
  // The pane of that class the inspector shows, or null.
  template <class Pane>
  Pane* pane() const {
    CSPropertyView* view = properties();
    for (int level = 0; level < view->levelCount(); ++level) {
      if (auto* found = dynamic_cast<Pane*>(view->paneForLevel(level))) return found;
    }
    return nullptr;
  }

  int currentDescriptor() {
    int action = 0;
    int descriptor = -1;
    undo().dataForCurrentUndoAction(&action, &descriptor);
    return descriptor;
  }
  QString undoTitle() {
    QString title;
    undo().validateState(true, &title);
    return title;
  }

  // Types the text into the field as the user would and presses Return.
  static void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  DRWindowController* controller = nullptr;

 private:
  QSize m_windowSize;
  DRPaneFactory* m_factoryBefore = nullptr;
};
