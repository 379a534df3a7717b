#pragma once
// The arrow preview: the arrow drawn on a line at its normal size.

#include <QWidget>
#include <optional>

#include "model/DRArrow.h"

class DRArrowExample : public QWidget {
  Q_OBJECT

 public:
  explicit DRArrowExample(QWidget* parent = nullptr);

  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  // A copy; does not redisplay.
  void setArrow(const std::optional<DRArrow>& arrow) { m_arrow = arrow; }

  QSize sizeHint() const override { return QSize(200, 40); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<DRArrow> m_arrow;
};
