#include "ui/inspector/CSRadioMatrix.h"

#include <QGridLayout>
#include <QRadioButton>

CSRadioMatrix::CSRadioMatrix(QWidget* parent) : QWidget(parent), m_grid(new QGridLayout(this)) {
  m_grid->setContentsMargins(0, 0, 0, 0);
}

QRadioButton* CSRadioMatrix::addCell(const QString& title, int tag, int row, int column) {
  if (QRadioButton* taken = cellAt(row, column)) return taken;
  auto* button = new QRadioButton(title, this);
  // The matrix keeps the one-on rule itself, so that all may be off.
  button->setAutoExclusive(false);
  connect(button, &QRadioButton::clicked, this, [this, button] {
    select(button);
    int tag = kNoTag;
    for (const Cell& cell : m_cells) {
      if (cell.button == button) tag = cell.tag;
    }
    emit activated(tag);
  });
  m_grid->addWidget(button, row, column);
  m_cells.append(Cell{button, tag, row, column});
  return button;
}

QRadioButton* CSRadioMatrix::cellWithTag(int tag) const {
  for (const Cell& cell : m_cells) {
    if (cell.tag == tag) return cell.button;
  }
  return nullptr;
}

QRadioButton* CSRadioMatrix::cellAt(int row, int column) const {
  for (const Cell& cell : m_cells) {
    if (cell.row == row && cell.column == column) return cell.button;
  }
  return nullptr;
}

const CSRadioMatrix::Cell* CSRadioMatrix::selectedCell() const {
  for (const Cell& cell : m_cells) {
    if (cell.button->isChecked()) return &cell;
  }
  return nullptr;
}

int CSRadioMatrix::selectedTag() const {
  const Cell* cell = selectedCell();
  return cell ? cell->tag : kNoTag;
}

int CSRadioMatrix::selectedRow() const {
  const Cell* cell = selectedCell();
  return cell ? cell->row : -1;
}

int CSRadioMatrix::selectedColumn() const {
  const Cell* cell = selectedCell();
  return cell ? cell->column : -1;
}

void CSRadioMatrix::select(const QRadioButton* button) {
  for (const Cell& cell : m_cells) cell.button->setChecked(cell.button == button);
}

bool CSRadioMatrix::selectCellWithTag(int tag) {
  QRadioButton* button = cellWithTag(tag);
  select(button);
  return button != nullptr;
}

bool CSRadioMatrix::selectCell(int row, int column) {
  QRadioButton* button = cellAt(row, column);
  select(button);
  return button != nullptr;
}

void CSRadioMatrix::deselectAllCells() {
  select(nullptr);
}
