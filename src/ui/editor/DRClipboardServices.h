#pragma once
// The element clipboard and file kinds as the canvas uses them for copying,
// pasting, drops, drags out and Services. The clipboard code registers its
// services at start-up; until then copying writes nothing, pasting pastes
// nothing and the commands that would use them are disabled. Tests use
// FakeClipboardServices (tests/testkit/ui).

#include <QString>
#include <QStringList>
#include <memory>

#include "model/DRModelServices.h"
#include "support/CSImage.h"
#include "support/Pasteboard.h"

class CSImage;
class DRCanvasHost;
class DRElement;
class QMimeData;

// The pasteboard types the drawing accepts, filled once at launch.
extern QStringList g_clipboardTypes;

class DRClipboardServices {
 public:
  virtual ~DRClipboardServices() = default;

  // Whether elements can go through the pasteboard at all. While this
  // answers false, as it does until the clipboard code registers, copying,
  // cutting, pasting, dragging the selection out and importing images are
  // disabled: nothing is removed that nothing could copy.
  virtual bool canTransferElements() const { return false; }
  // Writes the canvas's copyable selection to the pasteboard.
  virtual void CopyElements(DRCanvasHost* canvas, QMimeData* pasteboard) { (void)canvas, (void)pasteboard; }
  // Pastes what the pasteboard holds at (x, y) in view units, (-1, -1) for
  // the visible area, under an undo entry of its own.
  virtual void Paste(DRCanvasHost* canvas, const QMimeData* pasteboard, double x, double y) {
    (void)canvas, (void)pasteboard, (void)x, (void)y;
  }
  // A bitmap element made from the image, centred on (x, y) (negative: the
  // visible centre), appended to the drawing; null when it cannot be made
  // or the undo entry is refused.
  virtual DRElement* PasteImageCore(DRCanvasHost* canvas, const CSImage& image, QMimeData* pasteboard, bool openUndo,
                                    bool select, double x, double y) {
    (void)canvas, (void)image, (void)pasteboard, (void)openUndo, (void)select, (void)x, (void)y;
    return nullptr;
  }
  // The pasteboard's text rendered as a picture `width` points wide, for a
  // painting to paste; a null image when there is no text or no renderer.
  virtual CSImage CreateImageOfPasteboardText(const QMimeData* pasteboard, double width) {
    (void)pasteboard, (void)width;
    return CSImage();
  }
  // The kind of file a path is; the model's own answer by default.
  virtual DRDrawFileType GetDrawFileType(const QString& path) const { return ModelServices().drawFileType(path); }
  // The image types of the pasteboard, JPEG, JPEG 2000, TIFF, GIF, PNG and
  // BMP first.
  virtual QStringList PasteboardImageTypes() const;
  // What the pasteboard offers among the types, and the type to read it
  // from (support/Pasteboard.h).
  virtual PasteboardDataKind PasteboardDataType(const QMimeData* pasteboard, const QStringList& types,
                                                QString* chosenType) const;
  // A new private pasteboard for a drag to other applications (a
  // CSDragPasteboard).
  virtual std::unique_ptr<QMimeData> dragPasteboard() const;
};

DRClipboardServices& ClipboardServices();
void SetClipboardServices(DRClipboardServices* services);  // not owned; null: none
