#pragma once
// The element clipboard of the drawing canvas: copying the selection as the
// application's own records with the pictures they show, a picture of the
// selection (PDF, TIFF and PNG) and, for one text, its text; pasting the
// richest thing a pasteboard offers (own elements, file names, an image,
// styled or plain text) as one undo step; and the picture of pasteboard
// text that a painting pastes. The application controller registers it at
// launch, before the accepted pasteboard types are built.

#include "ui/editor/DRClipboardServices.h"

class DRDrawView;

class DRAppClipboardServices : public DRClipboardServices {
 public:
  // The instance the application registers.
  static DRAppClipboardServices& shared();

  bool canTransferElements() const override { return true; }
  void CopyElements(DRCanvasHost* canvas, QMimeData* pasteboard) override;
  void Paste(DRCanvasHost* canvas, const QMimeData* pasteboard, double x, double y) override;
  DRElement* PasteImageCore(DRCanvasHost* canvas, const CSImage& image, QMimeData* pasteboard, bool openUndo,
                            bool select, double x, double y) override;
  CSImage CreateImageOfPasteboardText(const QMimeData* pasteboard, double width) override;

 private:
  // Paste() up to the canvas resizing, which follows every branch.
  void pasteCore(DRDrawView* view, const QMimeData* pasteboard, double x, double y);
  void pasteFileNames(DRDrawView* view, const QMimeData* pasteboard, double x, double y);
  void pasteText(DRDrawView* view, const QMimeData* pasteboard, const QString& type, double x, double y);
  // PasteImageCore; with `copyToClipboard` the new element is then copied
  // to the application's clipboard.
  DRElement* pasteImage(DRDrawView* view, const CSImage& image, QMimeData* pasteboard, bool copyToClipboard,
                        bool openUndo, bool select, double x, double y);
};
