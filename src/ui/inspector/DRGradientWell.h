#pragma once
// A well that shows one gradient. Editable (in the fill pane) it is a button
// that opens the gradient sheet on its gradient and takes no drops; in the
// sheet it is the preview that the other controls push to, that gradients
// can be dragged out of and that takes dropped gradients. Every setGradient,
// whoever calls it, and every accepted drop posts "twdraw.gradientDragged"
// with the well as object.

#include <QMimeData>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <optional>

#include "model/DRGradient.h"

class DREditorWindowHost;
class QDrag;

extern const QString g_gradientDraggedNotification;  // "twdraw.gradientDragged"

class DRGradientWell : public QWidget {
  Q_OBJECT

 public:
  // The mouse travels this far from the press before a drag begins.
  static constexpr double kDragThreshold = 3;

  explicit DRGradientWell(QWidget* parent = nullptr);
  ~DRGradientWell() override;

  // The gradient shown; none shows the no-colour cross.
  const std::optional<DRGradient>& gradient() const { return m_gradient; }
  // Stores a copy, redraws and posts "twdraw.gradientDragged".
  void setGradient(const std::optional<DRGradient>& gradient);

  bool isEditable() const { return m_editable; }
  // An editable well takes no drops.
  void setEditable(bool editable);

  // The drawing window the sheet runs on (not owned); set by the owning pane.
  DREditorWindowHost* windowController() const { return m_windowController; }
  void setWindowController(DREditorWindowHost* windowController) { m_windowController = windowController; }

  // The inside rectangle last drawn: the drag image's size and the drag's
  // frame.
  QRectF drawRect() const { return m_drawRect; }
  // The pasteboard of the drag in progress; null between drags.
  QMimeData* dragPasteboard() const { return m_dragPasteboard; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  // Runs the drag to its end; the operation it ended with. Tests replace it.
  virtual Qt::DropAction runDragSession(QDrag* drag);

 private:
  // The well's inside: its bounds within the bezel.
  QRectF insideRect() const;
  void beginDrag();
  // A drop we can take: not our own drag, and a gradient string under the
  // gradient type.
  bool acceptsDrop(const QMimeData* pasteboard) const;

  std::optional<DRGradient> m_gradient;
  bool m_editable = false;
  DREditorWindowHost* m_windowController = nullptr;
  std::optional<QPointF> m_dragEvent;  // where a possible drag was pressed
  QPointer<QMimeData> m_dragPasteboard;
  QRectF m_drawRect;
};
