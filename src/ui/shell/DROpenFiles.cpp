// Opening files by kind: the openers behind DRFileOpeners and the drawing
// windows they make.

#include "ui/shell/DROpenFiles.h"

#include <QMainWindow>
#include <QPointer>
#include <QWindow>
#include <typeinfo>

#include "interchange/Clipping.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRModelServices.h"
#include "model/DRPainting.h"
#include "platform/WindowOrder.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/Measure.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellWindows.h"

const QString g_cantOpenFileTitle = QStringLiteral("Can't open file.");

namespace {

// The front-most document window's controller: the application's main
// window as far as opening files is concerned.
CSDocumentWC* FrontDocumentController() {
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (CSDocumentWC* controller = CSDocumentWC::controllerOf(window)) return controller;
  }
  return nullptr;
}

// The file's name as its window shows it: without the extension when the
// file hides it.
QString DisplayName(const QString& path, const FinderAttributes& record) {
  const QString name = LastPathComponent(path);
  return record.extensionHidden ? FileNameMinusExtension(name) : name;
}

// The alert of a picture that could not be read.
void ReportUnreadablePicture(const QString& path) {
  GiveSimpleAlert(g_cantOpenFileTitle, StringWithFormat("I can't open the file %@ because %@.", LastPathComponent(path),
                                                        QStringLiteral("I don't understand its format")));
}

// The elements an importer made, in a new drawing; an importer that failed
// has shown its own alert.
QWidget* OpenImportedElements(std::optional<DRElementList> elements, const QString& path,
                              const QString& tabIdentifier) {
  if (!elements) return nullptr;
  return NewDrawingForElements(std::move(*elements), nullptr, path, tabIdentifier);
}

}  // namespace

// ---- The drawing window ---------------------------------------------------------------------

bool IsUntouchedDrawingWindow(const CSDocumentWC* controller) {
  if (!controller || typeid(*controller) != typeid(DRWindowController)) return false;
  DRDrawing* drawing = static_cast<const DRWindowController*>(controller)->drawing();
  if (!drawing) return false;
  return !drawing->isDirty() && drawing->filePath().isEmpty() && drawing->backgroundImage().isNull() &&
         drawing->bitmapGuids().isEmpty() && drawing->elements().empty();
}

void CloseDrawingWindow(DRWindowController* controller) {
  if (!controller) return;
  QPointer<QMainWindow> window = controller->window();
  // The controller goes away on its own once told the window closes.
  controller->windowWillClose();
  if (window) window->close();
}

DRWindowController* GetDrawingWindow() {
  // Noted before the new window exists, which could otherwise come first.
  QPointer<CSDocumentWC> front = FrontDocumentController();
  auto* controller = new DRWindowController(std::make_unique<DRDrawing>());
  if (!controller->window() || !controller->drawing()) {
    controller->deleteLater();
    return nullptr;
  }
  // Closed directly rather than by the close command: the new window is
  // not shown yet, so the launch window would count as the last one and
  // closing it by hand would quit.
  if (front && IsUntouchedDrawingWindow(front)) CloseDrawingWindow(static_cast<DRWindowController*>(front.data()));
  return controller;
}

// ---- The openers --------------------------------------------------------------------------

QWidget* OpenDrawFile(const QString& path, const QString& tabIdentifier) {
  DRWindowController* controller = GetDrawingWindow();
  if (!controller) return nullptr;
  if (!controller->drawing()->loadNativeFile(path)) {
    CloseDrawingWindow(controller);
    return nullptr;
  }
  QMainWindow* window = controller->window();
  CSWindowTabManager::sharedInstance().setTabIdentifier(tabIdentifier, window);
  MakeKeyAndOrderFront(window);
  controller->redrawContent();
  return window;
}

QWidget* OpenImageFile(const QString& path, const QString& tabIdentifier) {
  bool canceled = false;
  std::shared_ptr<DRPainting> painting = DRPainting::paintingFromFile(path, &canceled);
  if (!painting) {
    if (!canceled) ReportUnreadablePicture(path);
    return nullptr;
  }
  return NewDrawingForImage(painting, path, tabIdentifier);
}

QWidget* OpenClippingFile(const QString& path, const QString& tabIdentifier) {
  // The extraction may name a temporary PDF it drew the picture into; the
  // drawing keeps the clipping's own path, since that PDF goes at quit.
  QString picturePath = path;
  CSImage image;
  std::shared_ptr<DRPainting> painting;
  if (ExtractClipping(picturePath, nullptr, &image)) painting = DRPainting::paintingFromImage(image);
  if (!painting) {
    ReportUnreadablePicture(path);
    return nullptr;
  }
  return NewDrawingForImage(painting, path, tabIdentifier);
}

QWidget* NewDrawingForImage(const std::shared_ptr<DRPainting>& painting, const QString& path,
                            const QString& tabIdentifier) {
  if (!painting) return nullptr;
  auto bitmap = std::make_unique<DRElementBitmap>();
  bitmap->setPainting(painting);
  const QSizeF size = painting->originalSize();
  bitmap->setFrame(CSRect{0, 0, MeasureFromDouble(size.width() * double(kMeasurePerPoint)),
                          MeasureFromDouble(size.height() * double(kMeasurePerPoint))});
  DRElement* element = bitmap.get();
  DRElementList elements;
  elements.push_back(std::move(bitmap));
  return NewDrawingForElements(std::move(elements), element, path, tabIdentifier);
}

QWidget* NewDrawingForElements(DRElementList elements, DRElement* bitmapElement, const QString& path,
                               const QString& tabIdentifier) {
  DRWindowController* controller = GetDrawingWindow();
  if (!controller) return nullptr;
  QMainWindow* window = controller->window();
  DRDrawing* drawing = controller->drawing();
  CSWindowTabManager::sharedInstance().setTabIdentifier(tabIdentifier, window);

  // A new drawing's content, not an edit: no undo entry.
  for (auto& element : elements) drawing->elements().push_back(std::move(element));
  if (DRDrawView* view = controller->drawView()) view->setDrawingFrame();

  // Elements from no file keep the untitled title the window was given.
  if (!path.isEmpty()) {
    FinderAttributes record;
    GetFinderAttributes(path, &record);
    const bool locked = record.immutable || !IsFileMutable(path);
    drawing->setLocked(locked);
    const QString name = DisplayName(path, record);
    controller->setTitle(locked ? StringWithFormat("%@ [Locked]", name) : name);
    controller->setRepresentedFilename(path);
    // Saving and reverting decide by this path's kind.
    drawing->setFilePath(path);
  }

  DRPrefController& preferences = DRPrefController::sharedInstance();
  if (preferences.maximizeNewDocs()) {
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  } else {
    SetStandardWindowSize(window, 0.75);
  }
  QString firstTab;
  if (bitmapElement) {
    controller->addPaintTab(bitmapElement);
    if (preferences.openImageTab()) {
      if (auto* bitmap = dynamic_cast<DRElementBitmap*>(bitmapElement)) firstTab = bitmap->guid();
    }
  }
  controller->setupTabs(firstTab, true);
  MakeKeyAndOrderFront(window);
  return window;
}

// ---- The openers by kind ------------------------------------------------------------------

QWidget* DRFileOpeners::openClippingFile(const QString& path, const QString& tabIdentifier) {
  return OpenClippingFile(path, tabIdentifier);
}

QWidget* DRFileOpeners::openDrawFile(const QString& path, const QString& tabIdentifier) {
  return OpenDrawFile(path, tabIdentifier);
}

QWidget* DRFileOpeners::openImageFile(const QString& path, const QString& tabIdentifier) {
  return OpenImageFile(path, tabIdentifier);
}

QWidget* DRFileOpeners::openEmfFile(const QString& path, const QString& tabIdentifier) {
  return OpenImportedElements(ModelServices().loadElementsFromEmfFile(path), path, tabIdentifier);
}

QWidget* DRFileOpeners::openSvgFile(const QString& path, const QString& tabIdentifier) {
  return OpenImportedElements(ModelServices().loadElementsFromSvgFile(path), path, tabIdentifier);
}
