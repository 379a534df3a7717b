// The scroll position a package stores: written from the canvas, and given
// back to a canvas whose window is shown only after the drawing was read,
// as a drawing being opened is.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "model/DRDrawing.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "support/CSError.h"
#include "testkit/TestFiles.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorSetup.h"

namespace {

// A document window as the shell makes one: the canvas in a scroll area,
// the window not shown until asked.
struct CanvasWindow {
  CanvasWindow() {
    window.resize(320, 240);
    scroll = new QScrollArea(&window);
    scroll->setGeometry(0, 0, 320, 240);
    canvas = new DRDrawView;
    canvas->setDrawing(&drawing);
    canvas->setWindowController(&host);
    host.canvasHost = canvas;
    drawing.setDocumentHost(&host);
    scroll->setWidget(canvas);
    canvas->awakeFromNib();
    canvas->setDrawingFrame();
  }
  ~CanvasWindow() { drawing.setDocumentHost(nullptr); }
  void show() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
  }

  // The drawing outlives the window and its canvas.
  DRDrawing drawing;
  QWidget window;
  QScrollArea* scroll = nullptr;
  DRDrawView* canvas = nullptr;
  FakeEditorWindowHost host{&window};
};

class DrawViewScrollOriginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    services.autosavePreference = false;
  }
  FakeModelServices services;
  FakeEditorPrefs prefs;
  SettingsScope settings;
  QTemporaryDir folder;
};

TEST_F(DrawViewScrollOriginTest, APackagesPositionIsRestoredOnceTheWindowShows) {
  const QString package = folder.filePath(QStringLiteral("Scrolled.TWdraw"));
  const QPointF scrolled(600, 450);
  {
    CanvasWindow saved;
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(ConvertViewRect(QRectF(1500, 1200, 40, 30)));
    saved.drawing.elements().push_back(std::move(rect));
    saved.show();
    saved.canvas->setDrawingFrame();
    saved.canvas->scrollToPoint(scrolled);
    ASSERT_EQ(saved.canvas->visibleRect().topLeft(), scrolled);
    saved.drawing.setCreatePreview(false);
    CSError error;
    ASSERT_TRUE(saved.drawing.saveNative(package, false, &error)) << error.reason().toStdString();
  }
  const QString xml = QString::fromUtf8(ReadBytes(package + QStringLiteral("/drawing.xml")));
  ASSERT_TRUE(xml.contains(QStringLiteral("<position>{600, 450}</position>"))) << xml.toStdString();

  CanvasWindow opened;
  ASSERT_TRUE(opened.drawing.loadNativeFile(package));
  // Before the window shows, the origin read is the one the package holds.
  EXPECT_EQ(opened.canvas->scrollOrigin(), scrolled);
  opened.show();
  EXPECT_EQ(opened.canvas->visibleRect().topLeft(), scrolled);
  EXPECT_EQ(opened.canvas->scrollOrigin(), scrolled);
  EXPECT_EQ(opened.scroll->horizontalScrollBar()->value(), 600);
  EXPECT_EQ(opened.scroll->verticalScrollBar()->value(), 450);

  // Once applied, the user's own scrolling is what counts.
  opened.canvas->scrollToPoint(QPointF(100, 80));
  QCoreApplication::processEvents();
  EXPECT_EQ(opened.canvas->scrollOrigin(), QPointF(100, 80));
}

TEST_F(DrawViewScrollOriginTest, AnOriginSetInAShownWindowScrollsAtOnce) {
  CanvasWindow shown;
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(ConvertViewRect(QRectF(900, 700, 40, 30)));
  shown.drawing.elements().push_back(std::move(rect));
  shown.show();
  shown.canvas->setScrollOrigin(QPointF(300, 200));
  EXPECT_EQ(shown.canvas->visibleRect().topLeft(), QPointF(300, 200));
}

}  // namespace
