#pragma once
// The dash-pattern editor: the pattern as a bar of segments, dashes black
// and gaps white, each with its length in a text cell above it and a
// triangle under its right end. Dragging a triangle changes that length
// and takes the difference from the next segment, so the pattern keeps its
// total length (with Alt held the segments to the right shift instead);
// a length can be typed into its cell; the host's add and remove segments
// add or take away a dash-gap pair. Every length stays a multiple of a
// hundredth of a point and at least one hundredth; a pattern has 1 to 10
// entries, one entry being a solid line.
//
// The host hands over its preview, its add/remove control, its phase field
// and its scale box before awakeFromNib, which loads the selection's
// pattern. The host reads the result from linePattern.

#include <QPointer>
#include <QRectF>
#include <array>
#include <vector>

#include "support/widgets/CSMeasureFormatter.h"
#include "ui/inspector/DRBarEditor.h"

class CSSegmentedControl;
class DREditorWindowHost;
class DRLinePatternExample;
class QCheckBox;
class QLineEdit;

class DRLinePatternView : public DRBarEditor {
  Q_OBJECT

 public:
  // Lengths are kept on this step, and never below it.
  static constexpr MeasureUnit kPatternPrecision = 127;
  static constexpr int kMaxSegments = 10;
  // The length a solid line (or a pattern the editor cannot show) opens with.
  static constexpr MeasureUnit kSolidLength = 12700;
  // The add and remove segments of the host's control.
  static constexpr int kAddSegment = 0;
  static constexpr int kRemoveSegment = 1;

  // The three places of one segment.
  struct SegmentSpec {
    QRectF bar;
    QRectF triangle;
    QRectF textCell;
  };
  using SpecArray = std::array<SegmentSpec, kMaxSegments>;

  explicit DRLinePatternView(QWidget* parent = nullptr);
  ~DRLinePatternView() override;

  // ---- The host's controls (not owned) ----
  void setDrawController(DREditorWindowHost* controller) { m_drawController = controller; }
  void setExampleView(DRLinePatternExample* example);
  void setSegmentCountControl(CSSegmentedControl* control);
  void setPhaseField(QLineEdit* field);
  void setScalePatternButton(QCheckBox* box);

  // Loads the first selected line's pattern, phase and scaling into the
  // editor and the host's controls (differing values show mixed), and
  // fixes the process-wide bar height if it is not known yet.
  void awakeFromNib();

  const std::vector<MeasureUnit>& linePattern() const { return m_linePattern; }
  void setLinePattern(const std::vector<MeasureUnit>& pattern);

  // Lays the segments out into `specs` (at most kMaxSegments); answers the
  // count and, when asked, the sum of the segment widths.
  int setSpecArray(SpecArray& specs, double* totalWidth = nullptr);

  // The add/remove control's action.
  void addOrDelete(int segment);

  // ---- State, for the host and tests ----
  MeasureUnit measurePerPoint() const { return m_measurePerPoint; }
  double xOrigin() const { return m_xOrigin; }
  int64_t draggingSegment() const { return m_draggingSegment; }

 protected:
  int64_t cellCount() const override;
  QRectF textCellRect(int64_t index) const override;
  MeasureUnit cellValue(int64_t index) const override;
  CommitResult commitCellValue(int64_t index, MeasureUnit typed) override;
  void typedValueChanged(int64_t index) override;
  int64_t firstTabCell() const override { return 0; }
  int64_t lastTabCell() const override { return cellCount() - 1; }
  bool isDragging() const override { return m_draggingSegment >= 0; }

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void updateSegmentControl();
  void showPatternInExample();

  DREditorWindowHost* m_drawController = nullptr;
  QPointer<DRLinePatternExample> m_exampleView;
  QPointer<CSSegmentedControl> m_segmentCountControl;
  QPointer<QLineEdit> m_phaseField;
  QPointer<QCheckBox> m_scalePatternButton;

  std::vector<MeasureUnit> m_linePattern;
  MeasureUnit m_measurePerPoint = 1;
  double m_xOrigin = 0;
  bool m_wasEditingBefore = false;
  int64_t m_draggingSegment = -1;
  bool m_resizeOne = false;
  double m_dragOffset = 0;
  double m_segmentEdge = 0;
  double m_twoSegmentWidth = 0;
};
