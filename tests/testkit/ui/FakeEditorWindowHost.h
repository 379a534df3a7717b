#pragma once
// A document window for editor tests: the window object (by default the
// harness window the views sit in), the canvas, the current content
// controller and the tab are public fields; every call the editor makes on
// its window is counted or recorded.

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "model/FakeDocumentHost.h"
#include "ui/editor/DREditorWindowHost.h"

class FakeEditorWindowHost : public FakeDocumentHostOf<DREditorWindowHost> {
 public:
  explicit FakeEditorWindowHost(QObject* window = nullptr, DREditorContent* content = nullptr) : content(content) {
    windowObject = window;
  }

  // ---- Answers ----
  DREditorContent* content;
  bool isResizing = false;

  // ---- Calls ----
  QStringList statuses;  // every text shown, the formatted ones included
  int editPaintingsCount = 0;

  // ---- DREditorWindowHost ----
  DREditorContent* currentVC() const override { return content; }
  void setStatus(const QString& status) override { statuses.append(status); }
  void setPositionStatusX(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) override {
    statuses.append(QStringLiteral("position %1 %2 %3 %4").arg(x).arg(y).arg(width).arg(height));
  }
  void setSizeStatusWidth(MeasureUnit width, MeasureUnit height) override {
    statuses.append(QStringLiteral("size %1 %2").arg(width).arg(height));
  }
  void setDeltaStatusX(MeasureUnit x, MeasureUnit y) override {
    statuses.append(QStringLiteral("delta %1 %2").arg(x).arg(y));
  }
  void setLineStatusFrom(CSPoint from, CSPoint to) override {
    statuses.append(QStringLiteral("line %1 %2 %3 %4").arg(from.x).arg(from.y).arg(to.x).arg(to.y));
  }
  void editPaintings() override { ++editPaintingsCount; }
  bool resizing() const override { return isResizing; }
};
