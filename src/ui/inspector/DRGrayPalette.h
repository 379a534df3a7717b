#pragma once
// A 16 x 16 palette of the 256 opaque greys: a click makes the grey the
// tool settings' fill and line colour. The palette marks the grey of the
// current colours and follows their changes in its window and the
// eyedropper's.

#include <QPointer>
#include <QWidget>
#include <cstdint>

struct CSNotification;

class DRGrayPalette : public QWidget {
  Q_OBJECT

 public:
  explicit DRGrayPalette(QWidget* parent = nullptr);
  ~DRGrayPalette() override;

  // The window whose settings changes the palette follows and posts for;
  // setting it also takes the current colours' grey.
  QObject* notificationWindow() const { return m_window; }
  void setNotificationWindow(QObject* window);

  // The grey level (0-255) shown as selected.
  uint64_t selectedGray() const { return m_selectedGray; }

  // Takes the grey of the colour a notification names (null: the start);
  // a colour that is not grey leaves the selection.
  void colorChanged(const CSNotification* notification);

  // The grey under a point of the view, each axis clamped to the palette.
  int grayAtPoint(const QPointF& point) const;
  // The side of one grey's cell; 0 when the view is too narrow for any.
  double cellSize() const;

  QSize sizeHint() const override { return QSize(164, 164); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void selectGray(uint64_t gray);

  QPointer<QObject> m_window;
  uint64_t m_selectedGray = 0;
};
