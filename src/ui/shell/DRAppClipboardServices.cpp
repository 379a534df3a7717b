#include "ui/shell/DRAppClipboardServices.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "interchange/ClipboardRecords.h"
#include "interchange/ClipboardText.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementText.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "support/CSCore.h"
#include "support/CSUndoManager.h"
#include "support/ImageSaving.h"
#include "support/Pasteboard.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/shell/DROpenFiles.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/ShellWindows.h"

namespace {

const QString kPdfType = QStringLiteral("application/pdf");
const QString kTiffType = QStringLiteral("image/tiff");
const QString kPngType = QStringLiteral("image/png");

void Beep() {
  QApplication::beep();
}

// A drop at a point, or (negative coordinates) the visible area.
bool HasDropPoint(double x, double y) {
  return x >= 0 && y >= 0;
}

// The point in measures where pasted things are centred.
CSPoint PasteCentre(DRDrawView* view, double x, double y) {
  if (HasDropPoint(x, y)) return ConvertViewPoint(x, y);
  const CSRect visible = ConvertViewRect(view->visibleRect());
  return CSPoint{visible.x + visible.width / 2, visible.y + visible.height / 2};
}

// The origin of a side of `size` centred on `centre`, on a whole point and
// never before the page.
MeasureUnit CentredOrigin(MeasureUnit centre, MeasureUnit size) {
  return std::max<MeasureUnit>(RoundMeasure(centre - size / 2, kMeasurePerPoint), 0);
}

bool OpenPasteEntry(DRDrawView* view, double x, double y) {
  DRContentVC* controller = view->viewController();
  return controller && controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove,
                                             HasDropPoint(x, y) ? kUndoDrag : kUndoPaste);
}

// The accepted types, as launch builds them; made here too when launch has
// not run (tools and tests).
const QStringList& AcceptedTypes() {
  if (!g_clipboardTypes.isEmpty()) return g_clipboardTypes;
  static const QStringList fallback = QStringList{g_elementsUti} + PasteboardImageTypes() +
                                      QStringList{g_rtfType, g_rtfAlternateType, g_htmlType, g_plainStringType};
  return fallback;
}

bool IsClipboardData(const QMimeData* pasteboard) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  return app && pasteboard && QGuiApplication::clipboard()->mimeData() == pasteboard;
}

// Everything a copy writes, gathered before the pasteboard is touched so
// that the types go on in the order they are declared.
void WriteSelection(DRDrawView* view, QMimeData* pasteboard) {
  pasteboard->clear();
  const std::vector<DRElement*> elements = view->copyableSelection();
  DRDrawing* drawing = view->drawing();
  try {
    DRElementBitmap* plainBitmap = nullptr;
    DRElementText* text = nullptr;
    if (elements.size() == 1) {
      if (auto* bitmap = dynamic_cast<DRElementBitmap*>(elements.front()); bitmap && bitmap->isVanilla())
        plainBitmap = bitmap;
      text = dynamic_cast<DRElementText*>(elements.front());
    }
    QByteArray records, images;
    WriteClipboardElements(elements, drawing, &records, &images);
    if (records.isEmpty()) return;
    pasteboard->setData(g_elementsUti, records);
    if (text) {
      const CSAttributedString styled = text->textInfo().expressWithText(text->text(), false);
      const QByteArray rtf = ClipboardRtfFromText(styled);
      if (!rtf.isEmpty()) pasteboard->setData(g_rtfType, rtf);
      pasteboard->setText(styled.string());
    }

    CSImage image;
    if (plainBitmap && plainBitmap->painting()) {
      image = plainBitmap->painting()->image();
    } else if (drawing) {
      view->setDrawToClip(true);
      if (DRPrefController::sharedInstance().exportPdf()) {
        const QByteArray pdf = drawing->pdfOfDrawing();
        if (!pdf.isEmpty()) pasteboard->setData(kPdfType, pdf);
      }
      image = drawing->createDrawingImage(false);
      view->setDrawToClip(false);
    }
    if (!image.isNull()) {
      const QByteArray tiff = TiffFromImage(image);
      if (!tiff.isEmpty()) pasteboard->setData(kTiffType, tiff);
      // Few programs here read TIFF: PNG goes beside it.
      const QByteArray png = ImageData(image, kImageFormatPNG, 0, 0, -1);
      if (!png.isEmpty()) pasteboard->setData(kPngType, png);
    }
    if (!images.isEmpty()) pasteboard->setData(g_imagesUti, images);
  } catch (const std::exception& exception) {
    view->setDrawToClip(false);
    LogException(exception, QStringLiteral("Copy failed"));
  }
}

}  // namespace

DRAppClipboardServices& DRAppClipboardServices::shared() {
  static DRAppClipboardServices services;
  return services;
}

void DRAppClipboardServices::CopyElements(DRCanvasHost* canvas, QMimeData* pasteboard) {
  auto* view = dynamic_cast<DRDrawView*>(canvas);
  if (!view || !pasteboard) return;
  WriteSelection(view, pasteboard);
}

void DRAppClipboardServices::Paste(DRCanvasHost* canvas, const QMimeData* pasteboard, double x, double y) {
  auto* view = dynamic_cast<DRDrawView*>(canvas);
  if (!view) return;
  view->normalize(true);
  // A dropped drawing file opens in a window that may replace this one.
  QPointer<DRDrawView> guard(view);
  pasteCore(view, pasteboard, x, y);
  if (guard) view->setDrawingFrame();
}

void DRAppClipboardServices::pasteCore(DRDrawView* view, const QMimeData* pasteboard, double x, double y) {
  DRDrawing* drawing = view->drawing();
  if (!pasteboard || !drawing) {
    Beep();
    return;
  }
  if (pasteboard->hasFormat(g_elementsUti)) {
    std::optional<DRPastedElements> pasted =
        ReadClipboardElements(pasteboard->data(g_elementsUti), pasteboard->data(g_imagesUti), drawing);
    if (!pasted || pasted->elements.empty()) {
      Beep();
      return;
    }
    view->pasteElements(std::move(pasted->elements), QPointF(x, y), pasted->enclosingRect);
    return;
  }
  if (PasteboardHasType(pasteboard, g_fileNamesType)) {
    pasteFileNames(view, pasteboard, x, y);
    return;
  }
  const QString type = AvailablePasteboardType(pasteboard, AcceptedTypes());
  if (type.isEmpty()) {
    Beep();
    return;
  }
  if (PasteboardImageTypes().contains(type)) {
    const CSImage image = CSImage::initWithPasteboard(pasteboard);
    if (image.isNull()) {
      Beep();
      return;
    }
    // Drag data can't be written to here: only the clipboard gets the
    // pasted element back.
    pasteImage(view, image, nullptr, IsClipboardData(pasteboard), true, true, x, y);
    return;
  }
  pasteText(view, pasteboard, type, x, y);
}

void DRAppClipboardServices::pasteFileNames(DRDrawView* view, const QMimeData* pasteboard, double x, double y) {
  bool pastedImage = false;
  QPointer<DRDrawView> guard(view);
  for (const QUrl& url : pasteboard->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    switch (GetDrawFileType(path)) {
      case kDrawFileImage: {
        const CSImage image = CSImage::initWithContentsOfFile(path);
        if (!image.isNull() && pasteImage(view, image, nullptr, false, true, true, x, y)) pastedImage = true;
        break;
      }
      case kDrawFileNative:
        OpenDrawFile(path, QString());
        // Opening may close windows; the canvas must still be there.
        if (!guard) return;
        break;
      default:
        break;
    }
  }
  if (pastedImage) {
    if (QWidget* window = view->window()) MakeKeyAndOrderFront(window);
  }
}

void DRAppClipboardServices::pasteText(DRDrawView* view, const QMimeData* pasteboard, const QString& type, double x,
                                       double y) {
  const std::optional<DRClipboardText> text = ReadClipboardText(pasteboard, type);
  if (!text) {
    Beep();
    return;
  }
  auto element = std::make_unique<DRElementText>();
  element->setText(text->plain);
  if (text->styled) {
    DRTextInfo style = element->textInfo();
    ApplyClipboardTextStyle(*text->styled, &style);
    element->setTextInfo(style);
  }
  const CSRect visible = ConvertViewRect(view->visibleRect());
  const MeasureUnit width = RoundMeasure(visible.width / 3, kMeasurePerPoint);
  const CSPoint centre = PasteCentre(view, x, y);
  element->setFrame(CSRect{CentredOrigin(centre.x, width), 0, width, 0});
  CSRect frame = element->frame();
  frame.y = CentredOrigin(centre.y, frame.height);
  element->setFrame(frame);

  if (!OpenPasteEntry(view, x, y)) return;
  DRElement* added = element.get();
  view->invalidateElement(added);
  view->unselectAll(false);
  view->drawing()->elements().push_back(std::move(element));
  view->addToSelection(added);
  view->selectionDidChange();
}

DRElement* DRAppClipboardServices::PasteImageCore(DRCanvasHost* canvas, const CSImage& image, QMimeData* pasteboard,
                                                  bool openUndo, bool select, double x, double y) {
  auto* view = dynamic_cast<DRDrawView*>(canvas);
  if (!view) return nullptr;
  return pasteImage(view, image, pasteboard, false, openUndo, select, x, y);
}

DRElement* DRAppClipboardServices::pasteImage(DRDrawView* view, const CSImage& image, QMimeData* pasteboard,
                                              bool copyToClipboard, bool openUndo, bool select, double x, double y) {
  DRDrawing* drawing = view->drawing();
  std::shared_ptr<DRPainting> painting = DRPainting::paintingFromImage(image);
  if (!drawing || !painting) return nullptr;
  auto element = std::make_unique<DRElementBitmap>(std::move(painting));
  CSRect frame = element->frame();
  const CSPoint centre = PasteCentre(view, x, y);
  frame.x = CentredOrigin(centre.x, frame.width);
  frame.y = CentredOrigin(centre.y, frame.height);
  element->setFrame(frame);
  if (openUndo && !OpenPasteEntry(view, x, y)) return nullptr;

  DRElement* added = element.get();
  drawing->elements().push_back(std::move(element));
  view->invalidateElement(added);
  if (select) {
    view->unselectAll(false);
    view->addToSelection(added);
    view->selectionDidChange();
  }
  if (pasteboard) CopyElements(view, pasteboard);
  if (copyToClipboard) {
    auto data = std::make_unique<QMimeData>();
    CopyElements(view, data.get());
    if (!data->formats().isEmpty()) QGuiApplication::clipboard()->setMimeData(data.release());
  }
  return added;
}

CSImage DRAppClipboardServices::CreateImageOfPasteboardText(const QMimeData* pasteboard, double width) {
  const std::optional<DRClipboardText> text = ReadClipboardText(pasteboard, ClipboardTextType(pasteboard));
  if (!text) return CSImage();
  const CSAttributedString styled =
      text->styled ? *text->styled : DRSettings::sharedInstance().textInfo().expressWithText(text->plain, false);
  return CreateImageOfClipboardText(styled, width);
}
