#pragma once
// The colour-stop editor of the gradient sheet: the gradient's stops along a
// bar, each with its position above and a colour well below. A click on the
// bar adds a stop (Alt takes the colour from the right), dragging a
// triangle moves a stop, dropping it onto a neighbour deletes it, a
// position can be typed into the field over its text cell. The editor works
// on its own copy of the gradient and sends gradientChanged after every
// change; the sheet reads gradient() then. The first and last stops stay at
// 0 and 1 and are never moved, typed or deleted.

#include <QPointer>
#include <QRectF>
#include <cstdint>
#include <vector>

#include "model/DRGradient.h"
#include "ui/inspector/DRBarEditor.h"

class CSColorWell;
class CSMeasureFormatter;

class DRGradientColorStopView : public DRBarEditor {
  Q_OBJECT

 public:
  // The most stops the editor adds up to.
  static constexpr size_t kMaxStops = 10;
  // Positions are kept on multiples of this (0.01).
  static constexpr int64_t kPositionPrecision = 127;
  // Room left and right of the bar, half a text cell.
  static constexpr double kBarInset = 23;
  static constexpr double kSwatchHeight = 23;

  // The layout of one stop.
  struct StopSpec {
    QRectF bar;       // the bar from the previous stop to this one
    QRectF triangle;  // the drag handle under the bar
    QRectF text;      // the position's text cell above the bar
    QRectF swatch;    // the colour well at the bottom
    double x = 0;     // the stop's place along the bar
  };

  explicit DRGradientColorStopView(QWidget* parent = nullptr);
  ~DRGradientColorStopView() override;

  // Takes the bar height (the first stop editor to wake sets it from its
  // height) and the scale of the bar from the view's size, and sets the tool
  // tips. Call once the view has its size.
  void wake();

  const DRGradient& gradient() const { return m_gradient; }
  // Ignored while a stop is dragged. Rebuilds the colour wells, except while
  // the editor itself is passing a colour change on.
  void setGradient(const DRGradient& gradient);

  // One spec per stop, for the view's current size and drag.
  std::vector<StopSpec> stopSpecs() const;
  // Position units per point of bar width: at least 1.
  int64_t measurePerPoint() const { return m_measurePerPoint; }
  double barHeight() const;
  int64_t draggingStop() const { return m_draggingStop; }
  const std::vector<QPointer<CSColorWell>>& swatches() const { return m_swatches; }

  // Adds a stop at `index` for a click at `point` in the bar segment `segment`;
  // with `useRightColor` it takes the colour of the stop to its right.
  void makeNewStop(size_t index, QPointF point, const QRectF& segment, bool useRightColor);

 signals:
  // The gradient changed (a stop was added, moved, deleted, recoloured or
  // typed).
  void gradientChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  // ---- DRBarEditor ----
  int64_t cellCount() const override;
  QRectF textCellRect(int64_t index) const override;
  MeasureUnit cellValue(int64_t index) const override;
  CommitResult commitCellValue(int64_t index, MeasureUnit typed) override;
  void typedValueChanged(int64_t index) override;
  int64_t firstTabCell() const override { return 1; }
  int64_t lastTabCell() const override { return int64_t(m_gradient.stopCount()) - 2; }
  bool acceptsKeyboardFocus() const override { return m_gradient.stopCount() > 2; }
  bool isDragging() const override { return m_draggingStop >= 0; }

 private:
  void updateMeasurePerPoint();
  // Removes every well, then makes one per stop at its swatch.
  void createSwatches(const std::vector<StopSpec>& specs);
  CSColorWell* insertSwatch(const QRectF& rect, size_t index);
  void swatchChanged(CSColorWell* well, Kolor kolor);
  void startDrag(size_t index, double mouseX, const std::vector<StopSpec>& specs);
  void deleteStop(size_t index, const StopSpec& spec);

  DRGradient m_gradient;
  std::vector<QPointer<CSColorWell>> m_swatches;
  CSMeasureFormatter* m_ownFormatter = nullptr;
  int64_t m_measurePerPoint = 1;
  bool m_keepColorSwatches = false;
  int64_t m_draggingStop = -1;
  double m_dragOffset = 0;
  double m_stopEdge = 0;
  double m_twoStopWidth = 0;
};
