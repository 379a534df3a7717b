#pragma once
// A path through a list of points: the freehand scribble, and the base of
// the polygon and the bent line. Outside construction the points are
// relative to the frame's origin in the space of originalSize and are drawn
// scaled by frame size / originalSize, so resizing never rewrites them;
// under construction (drawing and reshape mode) they are absolute canvas
// measures. A scribble may close itself when drawn, fill even-odd, and show
// a text along its path instead of its line. It is also reshaped vertex by
// vertex on the canvas (the reshape operations below).

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/DRElementClosed.h"
#include "model/DRTextInfo.h"

class QPainterPath;

// Shift and Option in an event's modifier flags.
constexpr uint64_t kReshapeShiftKey = 1u << 17;
constexpr uint64_t kReshapeOptionKey = 1u << 19;
// An aligned reshape drag snaps to coordinates nearer than this (8 points).
constexpr MeasureUnit kReshapeSnapDistance = 101600;
// The undecided axis of a constrained reshape drag.
constexpr uint8_t kConstrainUndecided = 23;

// What one search for the handle under the pointer found.
struct ReshapeBestFit {
  QRectF rect;           // the element's frame in view points
  double zoom = 1.0;     // the view's zoom
  int64_t index = -1;    // vertex of the best hit, -1 for none
  int64_t control = -1;  // -1 the vertex, 0 its in control point, 1 its out
  QPointF hitPoint;      // centre of the best hit
  double distance = 0;   // pointer to centre
};

// Shows the vertex numbers in reshape mode (set by the canvas).
extern bool g_showReshapeIndexes;

class DRElementScribble : public DRElementClosed {
  Q_GADGET
  Q_PROPERTY(QString text READ text WRITE setText)
  Q_PROPERTY(DRTextInfo textInfo READ textInfo WRITE setTextInfo)
  Q_PROPERTY(bool closed READ isClosed WRITE setClosed)
  Q_PROPERTY(bool alternateFillRule READ alternateFillRule WRITE setAlternateFillRule)
  Q_PROPERTY(bool autoClose READ autoClose WRITE setAutoClose)
  Q_PROPERTY(bool hideText READ hideText WRITE setHideText)
  Q_PROPERTY(bool scaleLine READ scaleLine WRITE setScaleLine)

 public:
  DRElementScribble();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // ---- Fields ----
  const std::vector<CSPoint>& points() const { return m_points; }
  std::vector<CSPoint>& points() { return m_points; }
  void setPoints(const std::vector<CSPoint>& points) { m_points = points; }
  const QString& text() const { return m_text; }
  void setText(const QString& text) { m_text = text; }
  const DRTextInfo& textInfo() const { return m_textInfo; }
  void setTextInfo(const DRTextInfo& textInfo) { m_textInfo = textInfo; }
  // How far the last drawing of the text reached beyond the path (points).
  double textExtent() const { return m_textExtent; }

  bool isClosed() const override { return m_closed; }
  virtual void setClosed(bool closed) { m_closed = closed; }
  bool alternateFillRule() const { return m_alternateFillRule; }
  void setAlternateFillRule(bool alternate) { m_alternateFillRule = alternate; }
  bool autoClose() const { return m_autoClose; }
  void setAutoClose(bool autoClose) { m_autoClose = autoClose; }
  bool hideText() const { return m_hideText; }
  void setHideText(bool hide) { m_hideText = hide; }
  bool scaleLine() const { return m_scaleLine; }
  void setScaleLine(bool scale) { m_scaleLine = scale; }
  bool reshaping() const { return m_reshaping; }
  void setReshaping(bool reshaping) { m_reshaping = reshaping; }
  bool isReshaping() const override { return m_reshaping; }
  int64_t reshapePoint() const { return m_reshapePoint; }
  bool constrainedDrag() const { return m_constrainedDrag; }
  uint8_t constrainX() const { return m_constrainX; }
  bool alignDrag() const { return m_alignDrag; }

  // ---- Geometry ----
  // Where the stored point is drawn in the rectangle (view points): absolute
  // and unscaled under construction, else scaled per axis by r / size and
  // offset by r's origin. A zero side of `size` means no scaling.
  QPointF convertPoint(CSPoint point, const QRectF& rect, const QPointF& size) const;
  // The frame of the points under construction: their extent, at least a
  // point each way, grown by half the line width (half a point for 0).
  CSRect polygonRect() const;
  // Frame and originalSize from the points' extent (absolute points).
  void setFrameFromPoints();
  // The points as drawn in the rectangle, the first repeated at the end
  // when closed.
  virtual std::vector<QPointF> copyPathPoints(const QRectF& rect) const;

  // ---- Overrides ----
  void setUnderConstruction(bool underConstruction) override;
  void setConstrained(bool constrained) override;
  bool canScale() const override { return true; }
  std::optional<bool> scaleLineSetting() const override { return m_scaleLine; }
  bool canDrawClosed() const override;
  bool canDrawFilled() const override;
  bool canHitTestBezier() const override;
  bool shouldDrawLine() const override;
  virtual bool shouldDrawText() const;
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;
  CSRect bounds(bool forPrinting) const override;
  bool flip(bool vertical) override;
  void makeVanilla() override;

  // ---- Reshaping (points absolute, the element under construction) ----
  virtual void startReshapeDrag(const QPointF& point, uint64_t modifiers, DRElementHostingView* view);
  virtual void continueReshapeDrag(const QPointF& point, DRElementHostingView* view);
  virtual void finishReshapeDrag();
  // Records the vertex nearest the pointer whose handle it lies on.
  void findReshapePoint(const QPointF& point, ReshapeBestFit* fit, DRElementHostingView* view) const;
  // Whether the pointer hits the handle of the shape point better than the
  // fit's best; records it when it does.
  bool testHit(ReshapeBestFit* fit, const QPointF& point, CSPoint shapePoint, bool allowEquality) const;
  void performReshapeDrag(const QPointF& point, ReshapeBestFit* fit, uint64_t modifiers, DRElementHostingView* view);
  // The index before which a click on the path inserts a vertex (0 for the
  // closing segment: appended); -1 when the point is on no segment.
  virtual int64_t addIndexForPoint(const QPointF& point) const;
  virtual void addPoint(CSPoint point, uint64_t index, DRElementHostingView* view);
  virtual void deletePointatIndex(uint64_t index, DRElementHostingView* view);
  virtual void movePoint(CSPoint point, uint64_t index, DRElementHostingView* view);
  virtual void drawReshapePointsForRect(const QRectF& rect, DRElementHostingView* view);
  // The handle square of a vertex: the casing edge, 9 points, at the zoom.
  static QRectF vertexRectForPoint(const QPointF& point, double zoom);

 protected:
  explicit DRElementScribble(int32_t elementType);
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementScribble>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;
  // The scribble's own drawing, with the path of the class's bezierForRect.
  void drawScribble(const QRectF& rect, DRElementHostingView* view);
  // The view's zoom, or 1.
  static double ZoomOf(const DRElementHostingView* view);
  QPointF originalSizeInView() const;

  // Reshape state.
  int64_t m_reshapePoint = -1;
  QPointF m_dragOffset;
  QPointF m_initialPoint;
  bool m_constrainedDrag = false;
  bool m_alignDrag = false;
  uint8_t m_constrainX = 0;

 private:
  std::vector<CSPoint> m_points;
  QString m_text;
  DRTextInfo m_textInfo;
  double m_textExtent = 0;
  bool m_closed = false;
  bool m_alternateFillRule = false;
  bool m_hideText = false;
  bool m_reshaping = false;
  bool m_scaleLine = true;
  bool m_autoClose = false;
};
