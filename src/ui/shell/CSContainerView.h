#pragma once
// A plain container that paints its background: its own colour, or the
// panels' shared background when it has none or a clear one.

#include <QColor>
#include <QWidget>

class CSContainerView : public QWidget {
 public:
  explicit CSContainerView(QWidget* parent = nullptr);

  QColor backgroundColor() const { return m_backgroundColor; }
  // Redisplays.
  void setBackgroundColor(const QColor& color);
  // What the background is painted with now.
  QColor effectiveBackgroundColor() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_backgroundColor;
};
