#pragma once
// The small drawn controls of the tool options, the inspector and the
// dialogs: option buttons that show a brush shape, a regular polygon or a
// pixel-selection shape (checkable, placed in an exclusive QButtonGroup under
// their tag), and the item delegate that draws an arrow sample in an arrow
// list. Each also draws into any painter through its static drawing
// function, which is what the buttons and the delegate call.

#include <QAbstractButton>
#include <QStyledItemDelegate>
#include <optional>

#include "model/DRArrow.h"
#include "support/Kolor.h"

class QButtonGroup;

// The fill of a selected option button: an opaque green.
constexpr Kolor g_polygonFillKolor = 0x6444A915;

// The base of the option buttons: a checkable button that knows its tag and
// counts as selected while pressed or checked.
class DROptionCell : public QAbstractButton {
  Q_OBJECT

 public:
  int tag() const { return m_tag; }
  // Pressed (highlighted) or checked (the group's selected button).
  bool isSelectedCell() const { return isDown() || isChecked(); }
  // Adds the button to the group under its tag; the group is made exclusive.
  void addToGroup(QButtonGroup* group);

  QSize sizeHint() const override { return QSize(32, 32); }

 protected:
  DROptionCell(int tag, QWidget* parent);
  void paintEvent(QPaintEvent* event) override;
  // Draws the cell's shape in the frame; the painter is the current context.
  virtual void drawInterior(QPainter& painter, const QRectF& frame, bool selected) const = 0;

 private:
  int m_tag;
};

// A brush shape (BrushShape numbered by the tag).
class DRBrushCell : public DROptionCell {
  Q_OBJECT

 public:
  explicit DRBrushCell(int tag, QWidget* parent = nullptr) : DROptionCell(tag, parent) {}
  static void drawBrushCell(QPainter& painter, const QRectF& frame, int tag, bool selected);

 protected:
  void drawInterior(QPainter& painter, const QRectF& frame, bool selected) const override {
    drawBrushCell(painter, frame, tag(), selected);
  }
};

// A regular polygon with the tag's number of vertices.
class DRPolygonCell : public DROptionCell {
  Q_OBJECT

 public:
  explicit DRPolygonCell(int tag, QWidget* parent = nullptr) : DROptionCell(tag, parent) {}
  static void drawPolygonCell(QPainter& painter, const QRectF& frame, int tag, bool selected);

 protected:
  void drawInterior(QPainter& painter, const QRectF& frame, bool selected) const override {
    drawPolygonCell(painter, frame, tag(), selected);
  }
};

// A pixel-selection shape: tag 2 polygon, 1 lasso, anything else rectangle.
class DRSelectionCell : public DROptionCell {
  Q_OBJECT

 public:
  explicit DRSelectionCell(int tag, QWidget* parent = nullptr) : DROptionCell(tag, parent) {}
  static void drawSelectionCell(QPainter& painter, const QRectF& frame, int tag, bool selected);

 protected:
  void drawInterior(QPainter& painter, const QRectF& frame, bool selected) const override {
    drawSelectionCell(painter, frame, tag(), selected);
  }
};

// Draws the arrow sample of a row of an arrow list. The row's arrow is the
// DRArrow in the item's kArrowRole data; an item without one shows the
// delegate's own arrow, if any. Items have no text.
class DRArrowCell : public QStyledItemDelegate {
  Q_OBJECT

 public:
  static constexpr int kArrowRole = Qt::UserRole + 1;
  // How far the sample line stays from the row's sides.
  static constexpr double kSampleInset = 16;

  explicit DRArrowCell(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  void setArrow(const std::optional<DRArrow>& arrow) { m_arrow = arrow; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The sample in the frame, narrowed by the vertical scroll bar of the
  // scroll area that `view` belongs to while that bar is shown.
  static void drawArrowCell(QPainter& painter, const QRectF& frame, const DRArrow& arrow, const QWidget* view);

 private:
  std::optional<DRArrow> m_arrow;
};
