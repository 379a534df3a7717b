#pragma once
// A preview of the painting brush: the tool settings' brush shape at its
// size, drawn on white. It follows "twdraw.brushSample" from its window and
// passes the news on as "twdraw.brushChange", so that the painting canvas
// refreshes its brush cursor.

#include <QPointer>
#include <QWidget>

class DRBrushExample : public QWidget {
  Q_OBJECT

 public:
  explicit DRBrushExample(QWidget* parent = nullptr);
  ~DRBrushExample() override;

  // The window object whose notifications the view follows and posts with;
  // null follows nothing.
  QObject* notificationWindow() const { return m_window; }
  void setNotificationWindow(QObject* window);

  // Redraws and posts "twdraw.brushChange" with the window as object.
  void redraw();

  QSize sizeHint() const override { return QSize(72, 72); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<QObject> m_window;
};
