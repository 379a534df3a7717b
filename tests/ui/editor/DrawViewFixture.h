#pragma once
// The drawing canvas in a scroll area of a harness window, with its drawing,
// a window host, a content controller that records its undo entries, and
// fakes of the preferences, the clipboard and the model's services.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDrag>
#include <QMimeData>
#include <QFrame>
#include <QPaintEvent>
#include <QScrollArea>
#include <memory>
#include <utility>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"
#include "support/CSAlertPresenter.h"
#include "support/CSCore.h"
#include "ui/EventDriver.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorSetup.h"

// A drawing controller whose undo entries are only recorded.
class RecordingVC : public DRContentVC {
 public:
  RecordingVC() { undoManager().setBufferSize(8); }
  DRContentKind contentKind() const override { return DRContentKind::kDrawing; }
  DREditorContentView* contentView() const override { return nullptr; }
  bool setUndoAction(int action, int descriptor, void*, uint64_t) override {
    entries.emplace_back(action, descriptor);
    return true;
  }
  bool undoOrRedo(int*, int, void*, bool) override { return true; }

  // (action, descriptor) of every entry opened.
  std::vector<std::pair<int, int>> entries;
};

// Records the area of every paint event.
class RecordingCanvas : public DRDrawView {
 public:
  std::vector<QRect> painted;
  // The data formats of each drag out of the canvas; the platform's drag
  // session is never run.
  std::vector<QStringList> dragFormats;

 protected:
  void runDragSession(QDrag* drag) override {
    dragFormats.push_back(drag && drag->mimeData() ? drag->mimeData()->formats() : QStringList());
  }
  void paintEvent(QPaintEvent* event) override {
    painted.push_back(event->rect());
    DRDrawView::paintEvent(event);
  }
};

// Mouse gestures on a canvas in view units (points of the drawing at its
// zoom), through the event driver. Events are a second apart, so separate
// clicks never count as one multiple click; doubleClick() sends Qt's own
// sequence (press, release, double-click, release) close together.
class CanvasMouse {
 public:
  explicit CanvasMouse(DRDrawView* canvas) : m_canvas(canvas), m_driver(canvas) { m_driver.setStep(1000); }

  QPointF pixels(QPointF point) const { return point * m_canvas->zoom(); }
  void setModifiers(Qt::KeyboardModifiers modifiers) { m_driver.setModifiers(modifiers); }
  void press(QPointF point, Qt::MouseButton button = Qt::LeftButton) { m_driver.press(pixels(point), button); }
  void move(QPointF point) { m_driver.move(pixels(point)); }
  void release(QPointF point, Qt::MouseButton button = Qt::LeftButton) { m_driver.release(pixels(point), button); }
  void click(QPointF point, Qt::MouseButton button = Qt::LeftButton) {
    press(point, button);
    release(point, button);
  }
  void drag(QPointF from, QPointF to, Qt::MouseButton button = Qt::LeftButton) {
    press(from, button);
    move(to);
    release(to, button);
  }
  void doubleClick(QPointF point) {
    m_driver.setStep(20);
    click(point);
    m_driver.doubleClick(pixels(point));
    release(point);
    m_driver.setStep(1000);
  }
  EventDriver& driver() { return m_driver; }

 private:
  DRDrawView* m_canvas;
  EventDriver m_driver;
};

class DrawViewFixture : public ::testing::Test {
 protected:
  static constexpr QSize kViewport{300, 200};

  void SetUp() override {
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    CSRecordingAlertPresenter::shared().setAnswer(0);
    scroll = harness.place(new QScrollArea, QRect(QPoint(0, 0), kViewport));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    canvas = new RecordingCanvas;
    canvas->setDrawing(&drawing);
    canvas->setWindowController(&host);
    canvas->setViewController(&vc);
    vc.setDrawing(&drawing);
    host.canvasHost = canvas;
    scroll->setWidget(canvas);
    canvas->awakeFromNib();
    canvas->setDrawingFrame();
    QCoreApplication::processEvents();
    NotificationQueue::defaultQueue().flush();
  }
  void TearDown() override { CSRecordingAlertPresenter::shared().setAnswer(0); }

  // Lets pending repaints happen and forgets them.
  void flushPaints() {
    QCoreApplication::processEvents();
    canvas->repaint();
    QCoreApplication::processEvents();
    canvas->painted.clear();
  }

  template <class Element>
  Element* add(std::unique_ptr<Element> element) {
    Element* raw = element.get();
    drawing.elements().push_back(std::move(element));
    return raw;
  }
  // A rectangle filled with the Kolor, without a line, at the frame (points).
  DRElementRectangle* addRect(const QRectF& frame, Kolor fill = g_blackKolor) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(ConvertViewRect(frame));
    rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
    rect->setFillKolor(fill);
    DRLineInfo line = rect->lineStyle();
    line.setKolorWithoutRegistering(g_nilKolor);
    line.setWidth(0);
    rect->setLineInfo(line);
    return add(std::move(rect));
  }
  // An element whose bounds are its frame (points), drawing nothing.
  TestElement* addBox(const QRectF& frame) {
    auto box = std::make_unique<TestElement>();
    box->fills = false;
    box->setFrame(ConvertViewRect(frame));
    box->setOriginalSize(CSPoint{box->frame().width, box->frame().height});
    return add(std::move(box));
  }
  // A triangle-ish polygon inside the frame (points), not rotated, at its
  // original size.
  DRElementPolygon* addPolygon(const QRectF& frame) {
    auto polygon = std::make_unique<DRElementPolygon>();
    const CSRect rect = ConvertViewRect(frame);
    polygon->setFrame(rect);
    polygon->setOriginalSize(CSPoint{rect.width, rect.height});
    polygon->setPoints({CSPoint{0, 0}, CSPoint{rect.width, rect.height / 2}, CSPoint{0, rect.height}});
    return add(std::move(polygon));
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  DRDrawing drawing;
  RecordingVC vc;
  HarnessWindow harness{QSize(400, 300)};
  FakeEditorWindowHost host{&harness};
  QScrollArea* scroll = nullptr;
  RecordingCanvas* canvas = nullptr;
};
