#pragma once
// A content controller of either kind, with a canvas that records the calls
// the bars make on it.

#include <QKeyEvent>

#include "model/DRSettings.h"
#include "ui/editor/DREditorContent.h"

class FakeEditorContentView : public DREditorContentView {
 public:
  DRCopiedStyle style;
  double zoom = 1.0;
  bool isDirty = false;
  int flagsChangedCount = 0;
  Qt::KeyboardModifiers lastModifiers;

  void getCurrentStyle(DRCopiedStyle* out) const override {
    if (out) *out = style;
  }
  double zoomValue() const override { return zoom; }
  void setZoomValue(double value) override { zoom = value; }
  void flagsChanged(QKeyEvent* event) override {
    ++flagsChangedCount;
    lastModifiers = event ? event->modifiers() : Qt::KeyboardModifiers();
  }
  bool dirty() const override { return isDirty; }
};

class FakeEditorContent : public DREditorContent {
 public:
  explicit FakeEditorContent(DRContentKind contentKind = DRContentKind::kDrawing) : kind(contentKind) {}

  DRContentKind kind;
  FakeEditorContentView view;
  int updateBimapElementCount = 0;

  DRContentKind contentKind() const override { return kind; }
  DREditorContentView* contentView() const override { return const_cast<FakeEditorContentView*>(&view); }
  void updateBimapElement() override { ++updateBimapElementCount; }
};
