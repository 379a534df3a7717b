#pragma once
// The content controller of a window's selected tab as the palette, the bars
// and the window see it: whether it edits the drawing or a painting, and the
// few calls they make on its canvas. The drawing and painting controllers
// implement it; tests use FakeEditorContent (tests/testkit/ui).

class QKeyEvent;
struct DRCopiedStyle;

// What kind of tab a content controller serves. kPaintingVariant stands for
// a specialised painting controller: it counts as a painting tab everywhere
// but where only the plain painting controller is meant.
enum class DRContentKind {
  kDrawing,
  kPainting,
  kPaintingVariant,
};

// The canvas of a content controller.
class DREditorContentView {
 public:
  virtual ~DREditorContentView() = default;
  // Fills the record with the style new elements would take.
  virtual void getCurrentStyle(DRCopiedStyle* style) const = 0;
  // 1.0 is 100 %.
  virtual double zoomValue() const = 0;
  virtual void setZoomValue(double zoom) = 0;
  // The canvas's handler of modifier-key changes.
  virtual void flagsChanged(QKeyEvent* event) = 0;
  // A painting canvas holds edits not yet written back to the drawing.
  virtual bool dirty() const { return false; }
};

class DREditorContent {
 public:
  virtual ~DREditorContent() = default;
  virtual DRContentKind contentKind() const = 0;
  // The canvas; null before it is made.
  virtual DREditorContentView* contentView() const = 0;
  // A painting controller writes the edited painting back into its bitmap
  // element; the drawing controller has nothing to write.
  virtual void updateBimapElement() {}
};

// The drawing tab's controller (a null controller is none).
inline bool IsDrawContent(const DREditorContent* content) {
  return content && content->contentKind() == DRContentKind::kDrawing;
}
// Any painting controller.
inline bool IsPaintContent(const DREditorContent* content) {
  return content && content->contentKind() != DRContentKind::kDrawing;
}
// The plain painting controller only.
inline bool IsPlainPaintContent(const DREditorContent* content) {
  return content && content->contentKind() == DRContentKind::kPainting;
}
