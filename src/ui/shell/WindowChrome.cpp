#include "ui/shell/WindowChrome.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <cmath>

#include "support/CSUndoManager.h"
#include "support/ChromeDrawing.h"
#include "ui/shell/CSPopoverBaseVC.h"
#include "ui/shell/CSScroller.h"
#include "ui/shell/CSWindowTabs.h"

void InstallWindowChrome() {
  RegisterTabBandPainter();
  SetScrollerGrooveColorsProvider([] { return CSScroller::grooveColors(); });
  CSUndoManager::setClosePopoversFunction(&CSPopoverBaseVC::closePopovers);
}

QPointF ConvertPointToScreen(const QWidget* view, QPointF point) {
  if (!view) return QPointF(0, 0);
  return view->mapToGlobal(point);
}

void JumpToFolder(QFileDialog* dialog, const QString& path) {
  if (!dialog || path.isEmpty()) return;
  const QFileInfo info(path);
  if (!info.exists()) return;
  dialog->setDirectory(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

void SelectAndCenter(QTableView* table, int64_t row) {
  if (!table || !table->model()) return;
  QItemSelectionModel* selection = table->selectionModel();
  if (row < 0) {
    if (selection) selection->clearSelection();
    return;
  }
  if (row == kRowNotFound || row >= table->model()->rowCount(table->rootIndex())) return;
  if (!selection) return;
  selection->setCurrentIndex(table->model()->index(int(row), 0, table->rootIndex()),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  CenterSelection(table);
}

void CenterSelection(QTableView* table) {
  if (!table || !table->selectionModel()) return;
  const QModelIndexList rows = table->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  const QModelIndex first = rows.first();
  table->scrollTo(first, QAbstractItemView::EnsureVisible);
  if (!table->property("shouldNotCenterTwice").toBool()) CenterRow(table, first.row());
}

void CenterRow(QTableView* table, int64_t row) {
  if (!table || !table->model() || row < 0 || row >= table->model()->rowCount(table->rootIndex())) return;
  QHeaderView* rows = table->verticalHeader();
  QScrollBar* bar = table->verticalScrollBar();
  // The row's rectangle and the visible one, in the table's content
  // co-ordinates; the column header sits outside the visible area here.
  const double rowTop = rows->sectionViewportPosition(int(row)) + rows->offset();
  const double rowHeight = rows->sectionSize(int(row));
  const double top = rows->offset();
  const double visible = table->viewport()->height();
  double target = 0;
  if (rowHeight > rowTop - top)
    target = top - std::floor(visible / 3);
  else if (rowHeight > (top + visible) - (rowTop + rowHeight))
    target = top + std::floor(2 * visible / 3);
  else
    return;
  target = std::max(0.0, target);
  if (table->verticalScrollMode() == QAbstractItemView::ScrollPerPixel) {
    bar->setValue(int(target));
  } else {
    // Scrolling by items: the row at that offset becomes the top one.
    const int topRow = rows->visualIndexAt(int(target) - rows->offset());
    bar->setValue(topRow >= 0 ? topRow : bar->maximum());
  }
}

void ReloadRow(QTableView* table, int64_t row) {
  if (!table || !table->model() || row < 0 || row >= table->model()->rowCount(table->rootIndex())) return;
  const QAbstractItemModel* model = table->model();
  for (int column = 0; column < model->columnCount(table->rootIndex()); ++column)
    table->update(model->index(int(row), column, table->rootIndex()));
}
