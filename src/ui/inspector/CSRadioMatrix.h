#pragma once
// A grid of radio buttons of which at most one is on, each cell known by a
// tag. Showing a value that matches no cell (a mixed value) leaves every
// cell off. `activated` tells of the cell the user picks.

#include <QList>
#include <QString>
#include <QWidget>

class QGridLayout;
class QRadioButton;

class CSRadioMatrix : public QWidget {
  Q_OBJECT

 public:
  // The tag answered when no cell is on.
  static constexpr int kNoTag = -1;

  explicit CSRadioMatrix(QWidget* parent = nullptr);

  // Adds a cell at the row and column (replacing none: one cell a place).
  QRadioButton* addCell(const QString& title, int tag, int row, int column);
  int cellCount() const { return int(m_cells.size()); }
  QRadioButton* cellWithTag(int tag) const;
  QRadioButton* cellAt(int row, int column) const;

  int selectedTag() const;
  int selectedRow() const;
  int selectedColumn() const;
  // Turns that cell on and the others off; false, with every cell off,
  // when no cell matches. Sends nothing.
  bool selectCellWithTag(int tag);
  bool selectCell(int row, int column);
  void deselectAllCells();

 signals:
  void activated(int tag);

 private:
  struct Cell {
    QRadioButton* button;
    int tag;
    int row;
    int column;
  };
  const Cell* selectedCell() const;
  void select(const QRadioButton* button);

  QGridLayout* m_grid;
  QList<Cell> m_cells;
};
