// The painting commands of a painting tab and their menu validation. Every
// command that changes pixels merges the floating pixmap first, then opens
// one undo entry; an operation that changes nothing takes its entry back.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/ImageSaving.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRColorAdjustDialog.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"
#include "ui/paint/DRSwapPixelsOperation.h"
#include "ui/paint/DRSwapProgressDialog.h"
#include "ui/shell/DRPrefController.h"

namespace {

int Tag(const QObject* sender) {
  return DRDrawVC::senderTag(sender);
}

const DRElementBitmap* BitmapWithGuid(const DRDrawing* drawing, const QString& guid) {
  if (!drawing) return nullptr;
  for (const auto& element : drawing->elements()) {
    const auto* bitmap = dynamic_cast<const DRElementBitmap*>(element.get());
    if (bitmap && bitmap->guid() == guid) return bitmap;
  }
  return nullptr;
}

}  // namespace

// ---- Shared steps --------------------------------------------------------------------

bool DRPaintVC::startPixelCommand(int descriptor) {
  m_view->dropFloatingPixmap();
  return painting() && setUndoID(CSUndoManager::kFreshUndoID, descriptor);
}

void DRPaintVC::redrawCanvas() {
  m_view->redraw();
}

// ---- Commands ---------------------------------------------------------------------------

void DRPaintVC::adjustColor(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoColorBW)) return;
  DRPainting* picture = painting().get();
  picture->setPixmapMode(kPixmapModeColor);
  const bool wasEdited = picture->edited();
  // The dialog previews on the painting's own pixels from this copy.
  const std::unique_ptr<CSPixmap> base = picture->pixmap() ? picture->pixmap()->copy() : nullptr;
  if (!base) {
    undoManager().popUndo();
    beep();
    return;
  }
  const bool accepted = DRColorAdjustDialog::adjustColor(base.get(), picture, m_view.get(), m_view->selectionMask(),
                                                         m_view->selectionRect().topLeft());
  CSPixmap* pixels = picture->pixmap();
  const PixelBitmap now = pixels ? pixels->bitmap() : PixelBitmap();
  const PixelBitmap before = base->bitmap();
  const bool changed =
      pixels && std::memcmp(now.data, before.data, size_t(before.bytesPerRow) * size_t(before.height)) != 0;
  if (accepted && changed) {
    redrawCanvas();
    return;
  }
  // Cancelled, or nothing changed: the exact pixels come back and no step
  // is left.
  if (pixels && changed) pixels->copyPixelsFromBitmap(before);
  picture->setEdited(wasEdited);
  undoManager().popUndo();
  redrawCanvas();
}

void DRPaintVC::blur(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoBlur)) return;
  painting()->setPixmapMode(kPixmapModeColor);
  if (painting()->blur())
    redrawCanvas();
  else
    undoManager().popUndo();
}

void DRPaintVC::convertColor(QObject* sender) {
  if (!startPixelCommand(kUndoColorBW)) return;
  painting()->setPixmapMode(kPixmapModeColor);
  if (painting()->convertToMonochrome(Tag(sender) != 0, m_view->selectionMask(), m_view->selectionRect().topLeft()))
    redrawCanvas();
  else
    undoManager().popUndo();
}

void DRPaintVC::convertGray(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoColorBW)) return;
  painting()->setPixmapMode(kPixmapModeColor);
  if (painting()->convertToGray(m_view->selectionMask(), m_view->selectionRect().topLeft()))
    redrawCanvas();
  else
    undoManager().popUndo();
}

void DRPaintVC::copy(QObject* sender) {
  (void)sender;
  std::unique_ptr<CSPixmap> selected;
  const CSPixmap* pixels = m_view->floatingPixmap();
  if (!pixels) {
    selected = m_view->createPixmapFromSelection();
    pixels = selected.get();
  }
  const CSImage image = pixels ? pixels->createImage() : CSImage();
  const QByteArray tiff = image.isNull() ? QByteArray() : TiffFromImage(image);
  if (tiff.isEmpty()) {
    if (!image.isNull()) LogString("Copy failed");
    beep();
    return;
  }
  auto pasteboard = std::make_unique<QMimeData>();
  pasteboard->setData(QStringLiteral("image/tiff"), tiff);
  const QByteArray png = ImageData(image, kImageFormatPNG, 0, 0, -1);
  if (!png.isEmpty()) pasteboard->setData(QStringLiteral("image/png"), png);
  QApplication::clipboard()->setMimeData(pasteboard.release());
}

void DRPaintVC::cut(QObject* sender) {
  copy(sender);
  deleteCommand(this);
}

void DRPaintVC::deleteCommand(QObject* sender) {
  if (!m_view->allSelected() && !m_view->selectionMask()) {
    beep();
    return;
  }
  if (!startPixelCommand(sender == this ? kUndoCut : kUndoDelete)) return;
  m_view->deleteSelection(false);
  m_view->selectNone(false);
}

void DRPaintVC::fill(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoFill)) return;
  const Kolor kolor = DRSettings::sharedInstance().fillKolor();
  painting()->setPixmapMode(m_pixmapMode);
  if (!painting()->fillWithColor(kolor, m_view->selectionMask(), m_view->selectionRect().topLeft())) {
    undoManager().popUndo();
    return;
  }
  redrawCanvas();
  RegisterKolor(kolor, true);
}

void DRPaintVC::flip(QObject* sender) {
  if (!startPixelCommand(kUndoFlip)) return;
  m_view->selectNone(false);
  const bool flipped = Tag(sender) == 0 ? painting()->flipHorizontal() : painting()->flipVertical();
  if (flipped)
    redrawCanvas();
  else
    undoManager().popUndo();
}

void DRPaintVC::invert(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoColorBW)) return;
  painting()->setPixmapMode(m_pixmapMode);
  if (painting()->invertColors(m_view->selectionMask(), m_view->selectionRect().topLeft()))
    redrawCanvas();
  else
    undoManager().popUndo();
}

void DRPaintVC::moveToDrawing(QObject* sender) {
  (void)sender;
  auto* window = dynamic_cast<DRWindowController*>(windowController());
  if (!window) return;
  QRectF rect;
  std::unique_ptr<CSPixmap> selected;
  const CSPixmap* pixels = m_view->floatingPixmap();
  if (pixels) {
    rect = m_view->floatingRect();
  } else {
    selected = m_view->createPixmapFromSelection();
    pixels = selected.get();
    rect = m_view->selectionRect();
  }
  const CSImage image = pixels ? pixels->createImage() : CSImage();
  if (image.isNull()) {
    beep();
    return;
  }
  double x = -1;
  double y = -1;
  const DRElementBitmap* bitmap = BitmapWithGuid(drawing(), bitmapGuid());
  if (!DRPrefController::sharedInstance().centerMovedBitmap() && bitmap) {
    // Over the spot the pixels came from.
    const QRectF frame = ConvertMeasureRect(bitmap->frame());
    x = frame.x() + rect.x() + rect.width() / 2;
    y = frame.y() + rect.y() + rect.height() / 2;
  }
  window->moveToDrawingCore(image, x, y);
}

void DRPaintVC::paste(QObject* sender) {
  (void)sender;
  DRPainting* picture = painting().get();
  if (!picture) return;
  m_view->selectNone(true);
  const QMimeData* pasteboard = QApplication::clipboard()->mimeData();
  CSImage image = pasteboard ? CSImage::initWithPasteboard(pasteboard) : CSImage();
  if (image.isNull() && pasteboard) {
    image = ClipboardServices().CreateImageOfPasteboardText(pasteboard, picture->originalSize().width());
  }
  // An image too large for a pixmap (kMaxPixmapPixels) gives none.
  std::unique_ptr<CSPixmap> pixels = image.isNull() ? nullptr : CSPixmap::initWithImage(image);
  if (!pixels) {
    beep();
    return;
  }
  if (!setUndoID(CSUndoManager::kFreshUndoID, kUndoPaste)) return;
  if (m_pixmapMode == kPixmapModeMask) pixels->convertToGray(nullptr, QPointF(0, 0));
  m_view->addFloatingPixmap(std::move(pixels));
}

void DRPaintVC::undoEdit(QObject* sender) {
  (void)sender;
  resetCurrentUndoID();
  undoManager().undo();
}

void DRPaintVC::redoEdit(QObject* sender) {
  (void)sender;
  resetCurrentUndoID();
  undoManager().redo();
}

void DRPaintVC::rotateFixed(QObject* sender) {
  if (!startPixelCommand(kUndoRotate)) return;
  m_view->selectNone(false);
  if (!painting()->rotate(Tag(sender))) {
    undoManager().popUndo();
    return;
  }
  takeSizeFromPainting();
  postSizeChange({{QStringLiteral("noUndo"), true}});
  redrawCanvas();
}

void DRPaintVC::selectAll(QObject* sender) {
  (void)sender;
  m_view->dropFloatingPixmap();
  m_view->selectAll();
}

void DRPaintVC::selectNone(QObject* sender) {
  (void)sender;
  m_view->selectNone(true);
}

void DRPaintVC::setPaintingSize(QObject* sender) {
  (void)sender;
  DREditorWindowHost* window = windowController();
  DRPainting* picture = painting().get();
  if (!window || !picture) return;
  g_centerFlag = DRPrefController::sharedInstance().centerPainting() ? 1 : 0;
  QPointer<DRPaintVC> self(this);
  EditorDialogs().getPaintingSize(window, picture->originalSize(), [self](bool success, QSizeF size) {
    if (!self || !success) return;
    DRPrefController::sharedInstance().setCenterPainting(g_centerFlag != 0);
    self->resizePaintingFromDialog(size);
  });
}

void DRPaintVC::shrinkToFit(QObject* sender) {
  (void)sender;
  if (!startPixelCommand(kUndoShrinkToFit)) return;
  m_view->selectNone(false);
  if (!painting()->shrinkToFit()) {
    undoManager().popUndo();
    beep();
    return;
  }
  m_view->scrollToPoint(QPointF(0, 0));
  bitmapDidResize();
}

void DRPaintVC::swapColors(QObject* sender) {
  if (Tag(sender) != 0) {
    swapSelectionColors();
    return;
  }
  if (!startPixelCommand(kUndoSwapColors)) return;
  DRSettings& settings = DRSettings::sharedInstance();
  const Kolor swap = settings.swapKolor();
  if (!painting()->replaceKolor(swap, settings.fillKolor(), m_view->selectionMask(),
                                m_view->selectionRect().topLeft())) {
    undoManager().popUndo();
    return;
  }
  redrawCanvas();
  RegisterKolor(swap, true);
}

void DRPaintVC::swapSelectionColors() {
  const CSPixmap* mask = m_view->selectionMask();
  if (!mask) {
    beep();
    return;
  }
  if (!startPixelCommand(kUndoSwapColors)) return;
  const Kolor kolor = DRSettings::sharedInstance().fillKolor();
  // The worker changes a copy, so the canvas may repaint the painting
  // while it runs; the copy comes back on this thread.
  DRSwapPixelsOperation operation(painting(), mask, m_view->selectionRect().topLeft(), kolor);
  if (!operation.isValid()) {
    undoManager().popUndo();
    beep();
    return;
  }
  DRSwapProgressDialog::showProgressForOperation(&operation, m_view.get());
  if (!operation.install()) {
    undoManager().popUndo();
    return;
  }
  redrawCanvas();
  RegisterKolor(kolor, true);
}

void DRPaintVC::zoomByPercent(QObject* sender) {
  m_view->setZoomValue(double(Tag(sender)));
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, notificationWindow());
}

void DRPaintVC::zoomIn(QObject* sender) {
  (void)sender;
  const QRectF visible = m_view->visibleRect();
  m_view->zoomOnPoint(QPointF(visible.x() + std::floor(visible.width() / 2), visible.y() + std::floor(visible.height() / 2)),
                      false);
}

void DRPaintVC::zoomOut(QObject* sender) {
  (void)sender;
  const QRectF visible = m_view->visibleRect();
  m_view->zoomOnPoint(QPointF(visible.x() + std::floor(visible.width() / 2), visible.y() + std::floor(visible.height() / 2)),
                      true);
}

// ---- The command table and menu validation -----------------------------------------------

const DRActionTable<DRPaintVC>& DRPaintVC::actionTable() {
  static const DRActionTable<DRPaintVC> table = [] {
    using V = DRPaintVC;
    DRActionTable<V> t;
    auto add = [&t](const char* selector, DRActionTable<V>::Action action, DRActionTable<V>::Validator validator) {
      t.add(QString::fromLatin1(selector), action, validator);
    };
    add("adjustColor:", &V::adjustColor, &V::validateColorCommand);
    add("blur:", &V::blur, &V::validateUnlocked);
    add("convertColor:", &V::convertColor, &V::validateColorCommand);
    add("convertGray:", &V::convertGray, &V::validateColorCommand);
    add("copy:", &V::copy, &V::validateSelection);
    add("cut:", &V::cut, &V::validateSelectionUnlocked);
    add("delete:", &V::deleteCommand, &V::validateSelectionUnlocked);
    add("fill:", &V::fill, &V::validateUnlocked);
    add("flip:", &V::flip, &V::validateUnlocked);
    add("invert:", &V::invert, &V::validateUnlocked);
    add("moveToDrawing:", &V::moveToDrawing, &V::validateSelectionUnlocked);
    add("paste:", &V::paste, &V::validatePaste);
    add("redoEdit:", &V::redoEdit, &V::validateUndo);
    add("undoEdit:", &V::undoEdit, &V::validateUndo);
    add("rotateFixed:", &V::rotateFixed, &V::validateUnlocked);
    add("selectAll:", &V::selectAll, &V::validateAlways);
    add("selectNone:", &V::selectNone, &V::validateAlways);
    add("setPaintingSize:", &V::setPaintingSize, &V::validateAlways);
    add("shrinkToFit:", &V::shrinkToFit, &V::validateUnlocked);
    add("swapColors:", &V::swapColors, &V::validateSwapColors);
    add("zoomByPercent:", &V::zoomByPercent, &V::validateAlways);
    add("zoomIn:", &V::zoomIn, &V::validateZoomIn);
    add("zoomOut:", &V::zoomOut, &V::validateZoomOut);
    return t;
  }();
  return table;
}

bool DRPaintVC::respondsToSelector(const QString& selector) const {
  return actionTable().contains(selector);
}

bool DRPaintVC::performAction(const QString& selector, QObject* sender) {
  return actionTable().perform(this, selector, sender);
}

bool DRPaintVC::validateMenuItem(const QString& selector, QAction* item) {
  return actionTable().validate(this, selector, item);
}

bool DRPaintVC::validateSelection(QAction*) {
  return m_view->hasSelection();
}

bool DRPaintVC::validateSelectionUnlocked(QAction*) {
  return !isLocked() && m_view->hasSelection();
}

bool DRPaintVC::validatePaste(QAction*) {
  if (isLocked()) return false;
  const QMimeData* pasteboard = QApplication::clipboard()->mimeData();
  if (!pasteboard) return false;
  return std::any_of(g_clipboardTypes.begin(), g_clipboardTypes.end(),
                     [pasteboard](const QString& type) { return pasteboard->hasFormat(type); });
}

bool DRPaintVC::validateUndo(QAction* item) {
  return undoManager().validateMenuItem(item);
}

bool DRPaintVC::validateZoomIn(QAction*) {
  return m_view->zoomValue() < g_paintZoomValues[g_paintZoomCount - 1];
}

bool DRPaintVC::validateZoomOut(QAction*) {
  return m_view->zoomValue() > g_paintZoomValues[0];
}

bool DRPaintVC::validateAlways(QAction*) {
  return true;
}

bool DRPaintVC::validateUnlocked(QAction*) {
  return !isLocked();
}

bool DRPaintVC::validateColorCommand(QAction*) {
  return !isLocked() && m_pixmapMode != kPixmapModeMask;
}

bool DRPaintVC::validateSwapColors(QAction* item) {
  // A non-zero tag is the swap of the selection's colours, which also needs
  // a mask.
  if (Tag(item) != 0 && !m_view->selectionMask()) return false;
  return validateColorCommand(item);
}
