#pragma once
// Records copies and pastes; PasteImageCore answers `pastedElement`.
// Registered while the fake lives.

#include <QMimeData>
#include <QStringList>
#include <functional>
#include <vector>

#include "support/CSImage.h"
#include "model/DRCanvasHost.h"
#include "ui/editor/DRClipboardServices.h"

class FakeClipboardServices : public DRClipboardServices {
 public:
  FakeClipboardServices() { SetClipboardServices(this); }
  ~FakeClipboardServices() override { SetClipboardServices(nullptr); }
  FakeClipboardServices(const FakeClipboardServices&) = delete;
  FakeClipboardServices& operator=(const FakeClipboardServices&) = delete;

  struct PasteCall {
    DRCanvasHost* canvas;
    double x;
    double y;
  };
  int copyCount = 0;
  std::vector<PasteCall> pastes;
  std::vector<PasteCall> imagePastes;
  DRElement* pastedElement = nullptr;
  // When set, PasteImageCore answers what it makes of the image and its
  // centre (view units) instead of pastedElement.
  std::function<DRElement*(const CSImage& image, double x, double y)> placeImage;
  // What canTransferElements answers, and whether a copy writes anything.
  bool transfers = true;
  bool writes = true;
  DRDrawFileType fileType = kDrawFileUnknown;
  QStringList fileTypeQueries;

  // Also written by CopyElements when not empty: the picture of the copy.
  QByteArray copyTiff;
  // The canvas's selection at each copy.
  std::vector<std::vector<DRElement*>> copiedSelections;

  bool canTransferElements() const override { return transfers; }
  void CopyElements(DRCanvasHost* canvas, QMimeData* pasteboard) override {
    ++copyCount;
    if (canvas) copiedSelections.push_back(canvas->selection());
    if (!writes) return;
    if (pasteboard) pasteboard->setData(QStringLiteral("twdraw.elements"), QByteArray("<elements/>"));
    if (pasteboard && !copyTiff.isEmpty()) pasteboard->setData(QStringLiteral("image/tiff"), copyTiff);
  }
  void Paste(DRCanvasHost* canvas, const QMimeData*, double x, double y) override { pastes.push_back({canvas, x, y}); }
  DRElement* PasteImageCore(DRCanvasHost* canvas, const CSImage& image, QMimeData*, bool, bool, double x,
                            double y) override {
    if (image.isNull()) return nullptr;
    imagePastes.push_back({canvas, x, y});
    return placeImage ? placeImage(image, x, y) : pastedElement;
  }
  DRDrawFileType GetDrawFileType(const QString& path) const override {
    const_cast<FakeClipboardServices*>(this)->fileTypeQueries << path;
    return fileType;
  }
};
