#pragma once
// The drawing controller with its canvas in a scroll area of a harness
// window, the drawing, a window host, fakes of the dialogs, the clipboard
// and the model's services; builders of the elements the commands work on;
// and the drawing's serialised "elements" and "images" blocks, written by
// the package writer, to compare states before and after a command.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementGroup.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRPainting.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"
#include "support/CSAlertPresenter.h"
#include "support/CSError.h"
#include "testkit/TestFiles.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorDialogs.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorSetup.h"

// The drawing's "elements" and "images" as the package writes them.
struct SavedBlocks {
  QString elements;
  QString images;
  bool operator==(const SavedBlocks&) const = default;
};

inline void PrintTo(const SavedBlocks& blocks, std::ostream* out) {
  *out << "elements: " << blocks.elements.toStdString() << "\nimages: " << blocks.images.toStdString();
}

// The outermost block of the tag in the text: from its first start tag to
// its last end tag, or the empty tag.
inline QString OuterBlock(const QString& xml, const QString& tag) {
  const qsizetype start = xml.indexOf(QStringLiteral("<") + tag);
  if (start < 0) return QStringLiteral("<missing>");
  const QString end = QStringLiteral("</") + tag + QStringLiteral(">");
  const qsizetype last = xml.lastIndexOf(end);
  if (last < start) {
    const qsizetype close = xml.indexOf(QStringLiteral("/>"), start);
    return close < 0 ? QStringLiteral("<bad>") : xml.mid(start, close + 2 - start);
  }
  return xml.mid(start, last + end.size() - start);
}

inline SavedBlocks SaveBlocks(DRDrawing& drawing) {
  QTemporaryDir folder;
  const QString package = folder.path() + QStringLiteral("/Blocks.TWdraw");
  drawing.setCreatePreview(false);
  CSError error;
  EXPECT_TRUE(drawing.saveNative(package, false, &error)) << error.reason().toStdString();
  const QString xml = QString::fromUtf8(ReadBytes(package + QStringLiteral("/drawing.xml")));
  return {OuterBlock(xml, QStringLiteral("elements")), OuterBlock(xml, QStringLiteral("images"))};
}

// A command's sender: a menu item with a tag.
inline std::unique_ptr<QAction> TaggedItem(int tag, const QString& objectName = QString()) {
  auto item = std::make_unique<QAction>();
  item->setProperty(DRDrawVC::kTagProperty, tag);
  item->setObjectName(objectName);
  return item;
}

// Public throughout: rows of the tables act on the fixture.
class DrawVCFixture : public ::testing::Test {
 public:
  static constexpr QSize kViewport{400, 300};

  void SetUp() override {
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    scroll = harness.place(new QScrollArea, QRect(QPoint(0, 0), kViewport));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    canvas = new DRDrawView;
    canvas->setDrawing(&drawing);
    canvas->setWindowController(&host);
    canvas->setViewController(&vc);
    drawing.setDocumentHost(&host);
    vc.setDrawing(&drawing);
    vc.setWindowController(&host);
    vc.setView(canvas);
    host.canvasHost = canvas;
    host.content = &vc;
    scroll->setWidget(canvas);
    canvas->awakeFromNib();
    vc.awakeFromNib();
    canvas->setDrawingFrame();
    QCoreApplication::processEvents();
    NotificationQueue::defaultQueue().flush();
  }

  template <class Element>
  Element* add(std::unique_ptr<Element> element) {
    Element* raw = element.get();
    drawing.elements().push_back(std::move(element));
    return raw;
  }
  template <class Element>
  static std::unique_ptr<Element> Shape(const QRectF& frame) {
    auto shape = std::make_unique<Element>();
    shape->setFrame(ConvertViewRect(frame));
    shape->setOriginalSize(CSPoint{shape->frame().width, shape->frame().height});
    return shape;
  }
  DRElementRectangle* addRect(const QRectF& frame) { return add(Shape<DRElementRectangle>(frame)); }
  DRElementEllipse* addEllipse(const QRectF& frame) { return add(Shape<DRElementEllipse>(frame)); }
  DRElementLine* addLine(const QRectF& frame) {
    auto line = Shape<DRElementLine>(frame);
    line->setArrow(std::nullopt);
    line->setStartPoint(CSPoint{0, 0});
    line->setEndPoint(CSPoint{line->frame().width, line->frame().height});
    return add(std::move(line));
  }
  // Three vertices inside the frame, far apart.
  DRElementPolygon* addPolygon(const QRectF& frame, bool curves = false) {
    auto polygon = Shape<DRElementPolygon>(frame);
    const CSRect rect = polygon->frame();
    polygon->setPoints({CSPoint{0, 0}, CSPoint{rect.width, rect.height / 2}, CSPoint{0, rect.height}});
    if (curves) polygon->setCurves(true);
    return add(std::move(polygon));
  }
  DRElementBentLine* addBentLine(const QRectF& frame, bool curves = false) {
    auto bent = Shape<DRElementBentLine>(frame);
    const CSRect rect = bent->frame();
    bent->setPoints({CSPoint{0, rect.height}, CSPoint{rect.width / 2, 0}, CSPoint{rect.width, rect.height}});
    if (curves) bent->setCurves(true);
    return add(std::move(bent));
  }
  // A bitmap showing a small painting of its own.
  DRElementBitmap* addBitmap(const QRectF& frame) {
    QImage image(8, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgba(200, 30, 40, 255));
    auto bitmap =
        std::make_unique<DRElementBitmap>(DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0))));
    bitmap->setFrame(ConvertViewRect(frame));
    return add(std::move(bitmap));
  }
  // A group of two rectangles side by side in the frame.
  DRElementGroup* addGroup(const QRectF& frame) {
    DRElementList members;
    members.push_back(Shape<DRElementRectangle>(QRectF(frame.x(), frame.y(), frame.width() / 2, frame.height())));
    members.push_back(
        Shape<DRElementEllipse>(QRectF(frame.x() + frame.width() / 2, frame.y(), frame.width() / 2, frame.height())));
    return add(std::make_unique<DRElementGroup>(std::move(members)));
  }

  // Selects the elements at these positions of the element list, in this
  // order, and announces it.
  void select(std::initializer_list<size_t> positions) {
    canvas->unselectAll(false);
    for (size_t position : positions) canvas->addToSelection(drawing.elements().at(position).get());
    canvas->selectionDidChange();
  }
  // Empties the drawing; the canvas lets go of the selection first.
  void clearDrawing() {
    canvas->setSelection({});
    drawing.elements().clear();
  }
  std::vector<DRElement*> elementPointers() const {
    std::vector<DRElement*> pointers;
    for (const auto& element : drawing.elements()) pointers.push_back(element.get());
    return pointers;
  }
  // The title of the Undo item (or Redo with `redo`).
  QString undoTitle(bool redo = false) {
    QString title;
    vc.undoManager().validateState(!redo, &title);
    return title;
  }
  // Makes the harness the active window, so that the focus moves between
  // its views as on the screen.
  void activate() {
    harness.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&harness));
  }
  void perform(const char* selector, int tag = 0) {
    auto item = TaggedItem(tag);
    ASSERT_TRUE(vc.performAction(QString::fromLatin1(selector), item.get())) << selector;
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  FakeEditorDialogs dialogs;
  SettingsScope settings;
  HarnessWindow harness{QSize(500, 400)};
  FakeEditorWindowHost host{&harness};
  DRDrawing drawing;
  DRDrawVC vc;
  QScrollArea* scroll = nullptr;
  DRDrawView* canvas = nullptr;
};
