#pragma once
// Small additions to the platform's views that the windows share: a view's
// point on the screen, a file dialog opened at a path, table rows selected
// and scrolled to the middle. And the one call that registers the chrome's
// drawing with the layers below (the tab strip's bands for the status line,
// the dark scroller's colours for the scroll corner, popover closing for
// the undo menu), made once at start-up.

#include <QPointF>
#include <QString>
#include <cstdint>
#include <limits>

class QFileDialog;
class QTableView;
class QWidget;

void InstallWindowChrome();

// The view's point in screen co-ordinates; the zero point without a view.
QPointF ConvertPointToScreen(const QWidget* view, QPointF point);

// Opens the dialog at the path's folder, or at the folder holding the path
// when it names a file; an empty or missing path changes nothing.
void JumpToFolder(QFileDialog* dialog, const QString& path);

// "Not found" for a row: the largest signed value.
constexpr int64_t kRowNotFound = std::numeric_limits<int64_t>::max();
// A negative row clears the selection; kRowNotFound or a row at or past the
// row count does nothing; otherwise selects that row alone and centres it.
void SelectAndCenter(QTableView* table, int64_t row);
// Scrolls the selected row into view and then towards the middle, unless
// the table's "shouldNotCenterTwice" property is set.
void CenterSelection(QTableView* table);
// Scrolls a row that touches the top or the bottom of the visible area a
// third of the visible height away from that edge.
void CenterRow(QTableView* table, int64_t row);
// Redraws every column of the row.
void ReloadRow(QTableView* table, int64_t row);
