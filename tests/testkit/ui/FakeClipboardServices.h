#pragma once
// Records copies and pastes; PasteImageCore answers `pastedElement`.
// Registered while the fake lives.

#include <QMimeData>
#include <QStringList>
#include <vector>

#include "support/CSImage.h"
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
  DRDrawFileType fileType = kDrawFileUnknown;
  QStringList fileTypeQueries;

  void CopyElements(DRCanvasHost*, QMimeData* pasteboard) override {
    ++copyCount;
    if (pasteboard) pasteboard->setData(QStringLiteral("twdraw.elements"), QByteArray("<elements/>"));
  }
  void Paste(DRCanvasHost* canvas, const QMimeData*, double x, double y) override { pastes.push_back({canvas, x, y}); }
  DRElement* PasteImageCore(DRCanvasHost* canvas, const CSImage& image, QMimeData*, bool, bool, double x,
                            double y) override {
    if (image.isNull()) return nullptr;
    imagePastes.push_back({canvas, x, y});
    return pastedElement;
  }
  DRDrawFileType GetDrawFileType(const QString& path) const override {
    const_cast<FakeClipboardServices*>(this)->fileTypeQueries << path;
    return fileType;
  }
};
