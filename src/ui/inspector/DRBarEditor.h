#pragma once
// The base of the sheets' bar editors (the gradient's colour stops, the
// line's dash pattern): values laid out along a horizontal bar, each with a
// text cell above it. A value is typed into a temporary field laid over its
// cell; Return or a click elsewhere commits it, Tab and Shift-Tab commit it
// and move to the next or previous value, and leave the editor (through
// selectTextField) past the last or first one. A text that is refused beeps
// and keeps the field open.
//
// A subclass lays its values out (textCellRect), gives and takes their
// measures (cellValue, commitCellValue), says which cells Tab visits and
// whether the editor takes keyboard focus at all, and draws the bar. Values
// are measures (12,700 per point or per 1.0); the field shows them as plain
// numbers in the user's unit.

#include <QLineEdit>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "support/Measure.h"
#include "support/widgets/CSMeasureFormatter.h"

class QPainter;

// The shared layout: text cells of 46 x 19 points, triangles of 13 x 13,
// rows 4 points apart, 1 point of margin at the top and bottom.
inline constexpr QSizeF g_barEditTextCellSize(46, 19);
inline constexpr double g_barEditTriangleExtent = 13;
inline constexpr double g_barEditCellSpacing = 4;
inline constexpr double g_barEditOuterSpacing = 1;

class DRBarEditor : public QWidget {
  Q_OBJECT

 public:
  // Each kind of editor keeps its own bar height for the whole process.
  enum class BarKind { ColorStops, LinePattern };

  explicit DRBarEditor(QWidget* parent = nullptr);
  ~DRBarEditor() override;

  // The process-wide bar height of a kind; 0 until the first editor of the
  // kind sets it.
  static double barHeight(BarKind kind);
  // Stores `height` when the kind has no bar height yet (heights below 1
  // count as 1); answers the stored one.
  static double adoptBarHeight(BarKind kind, double height);
  // Forgets every stored bar height (tests start from a fresh process state).
  static void resetBarHeights();

  // The sound of a refused text. Null restores the platform's beep; tests
  // install a counter.
  static void setBeepFunction(std::function<void()> function);
  static void beep();

  // The formatter that draws the values in the text cells (not owned). The
  // typed field itself always shows a plain number in the user's unit.
  CSMeasureFormatter* formatter() const { return m_formatter; }
  void setFormatter(CSMeasureFormatter* formatter);

  // The cell whose value is typed, or is next to be; -1 for none.
  int64_t focusedTextCell() const { return m_focusedTextCell; }
  void setFocusedTextCell(int64_t index) { m_focusedTextCell = index; }
  // The live field while a value is typed, else null.
  QLineEdit* positionField() const { return m_positionField; }
  bool isEditingText() const { return m_editingText; }
  // Set when the last commit changed a value; cleared by the subclass
  // before a commit whose outcome it needs (a drag starts only after an
  // unchanged commit).
  bool editChangedValue() const { return m_editChangedValue; }
  void setEditChangedValue(bool changed) { m_editChangedValue = changed; }

  // Opens the field over the focused cell with its value selected; nothing
  // when the focused cell does not exist.
  void beginEditing();
  // Commits an open field: true when none is open or the text is accepted
  // (the field is then gone and the editor has the focus); false, with a
  // beep, when it is refused (the field stays open).
  bool normalize();
  // Closes an open field without reading its text (the values it was typed
  // against are gone).
  void cancelEditing();
  // Tab and Shift-Tab: commit, then move to the next or previous cell (its
  // field opens on the next pass of the event loop) or leave the editor.
  void insertTab();
  void insertBacktab();

  // Sets the focus policy from acceptsKeyboardFocus: Tab reaches the editor
  // only when it takes focus; clicks never give it focus by themselves.
  void refreshFocusPolicy();

  // The tool tip of the area holding the point; empty outside them.
  QString toolTipAt(QPointF point) const;

 signals:
  // Tab left the editor: the host focuses its next (true) or previous
  // (false) field. Without a receiver the focus moves along the window's
  // tab chain.
  void selectTextField(bool next);

 protected:
  enum class CommitResult { Refused, Unchanged, Changed };

  // ---- What a subclass provides ----
  virtual int64_t cellCount() const = 0;
  virtual QRectF textCellRect(int64_t index) const = 0;
  virtual MeasureUnit cellValue(int64_t index) const = 0;
  // A typed value (already parsed, not yet rounded): store it or refuse it.
  // Refused beeps and keeps the field open.
  virtual CommitResult commitCellValue(int64_t index, MeasureUnit typed) = 0;
  // Runs on the next pass of the event loop after a commit changed a value
  // (the host's preview is told there).
  virtual void typedValueChanged(int64_t index);
  // The range of cells Tab visits.
  virtual int64_t firstTabCell() const = 0;
  virtual int64_t lastTabCell() const = 0;
  virtual bool acceptsKeyboardFocus() const { return true; }
  // Keys are ignored while a drag runs.
  virtual bool isDragging() const { return false; }

  // ---- Helpers for subclasses ----
  // Takes the focus for the editor itself without opening a field, as the
  // editor does after a field ends.
  void takeFocusBack();
  bool isSuppressingFocusChange() const { return m_suppressFocusChange; }
  // Draws one value as a text cell (white box, frame, the formatter's text).
  void drawCellText(QPainter& painter, const QRectF& rect, MeasureUnit value) const;
  // A triangle with its apex at the top centre of the rectangle.
  static void drawTriangle(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& stroke);
  // Tool tips by area of the view, the first area holding the pointer
  // winning; replaces any set before.
  void setToolTipAreas(std::vector<std::pair<QRectF, QString>> areas) { m_toolTipAreas = std::move(areas); }

  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The field's text against the subclass; on acceptance closes the field.
  // `fromFieldFocusLoss`: the focus already went elsewhere, so the editor
  // does not take it back.
  bool endFieldEditing(bool fromFieldFocusLoss);
  void removeField();
  void leaveEditor(bool next);
  // The editor itself is its window's focus widget.
  bool isFocusOwner() const;

  std::vector<std::pair<QRectF, QString>> m_toolTipAreas;
  QPointer<CSMeasureFormatter> m_formatter;
  QPointer<QLineEdit> m_positionField;
  int64_t m_focusedTextCell = -1;
  bool m_editingText = false;
  bool m_editChangedValue = false;
  bool m_suppressFocusChange = false;
  // The field lost the focus to takeFocusBack: its text is no longer live and
  // is dropped, unchecked, by the next commit.
  bool m_fieldDetached = false;
};
