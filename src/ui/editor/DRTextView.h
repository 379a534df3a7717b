#pragma once
// The field editor of in-place text editing: a plain-text QTextEdit laid over
// a text element on the drawing canvas. Its document is laid out on the text
// reference device (72 dots per inch, so a unit is a point), the lines inset
// kTextBoxPadding points from the box's sides and wrapped at the box's width
// as the element lays its own text out (model/TextLayout.h); it paints that
// layout scaled by the canvas's zoom. So the text does not move when typing
// starts or ends. Document coordinates are points from the box's top left.
//
// The canvas listens to its signals: a typing run begins with the first
// change the user makes after beginRun(), and every change the user makes
// (never one made through the calls below) is announced.

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>
#include <memory>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QResizeEvent;

class DRTextView : public QTextEdit {
  Q_OBJECT

 public:
  explicit DRTextView(QWidget* parent = nullptr);
  ~DRTextView() override;

  // ---- Geometry ----
  // Covers the box (view units, that is points of the drawing) of a canvas
  // shown at the zoom: the widget takes the box's whole pixels, and the
  // document wraps at the box's width.
  void setBox(const QRectF& box, double zoom);
  const QRectF& box() const { return m_box; }
  double zoom() const { return m_zoom; }

  // ---- Content ----
  // Replaces the whole text by the string in the format, with the insertion
  // point at the end. Line ends ("\n", "\r", U+2029) start new lines.
  void setStyledText(const QString& text, const QTextCharFormat& format);
  // Gives the whole text (where it differs) and the typing attributes the
  // format, the paragraphs its alignment.
  void applyFormat(const QTextCharFormat& format);
  // The text with a line feed between paragraphs.
  QString string() const;
  // Draws the colour behind the text; an invalid colour draws nothing, so
  // the canvas shows through.
  void setBackgroundColor(const QColor& color);
  QColor backgroundColor() const { return m_background; }

  // ---- Layout (points) ----
  // The height of all lines.
  double usedHeight() const;
  // The line holding the last character: its top and the width of its text
  // with the padding of both sides. Empty for an empty text.
  QRectF lastCharacterLine() const;
  // The widest line's text with the padding of both sides.
  double usedWidth() const;
  // The position of the first character of every line, over the whole text.
  QList<int> lineStarts() const;
  // The insertion position nearest the point.
  int characterIndexForPoint(const QPointF& point) const;
  // The font of the last character (of the typing attributes when empty).
  QFont lastCharacterFont() const;

  // Paints what the editor shows in document coordinates: the background,
  // the text, the selection, and the insertion point with `withCursor`.
  void drawDocument(QPainter* painter, bool withCursor) const;

  // ---- Commands ----
  void scrollToBeginningOfDocument();
  void scrollToEndOfDocument();

  // There is no spelling checker on this platform: the setting is only kept,
  // so that it goes back to the preferences as it came.
  bool isContinuousSpellCheckingEnabled() const { return m_checkSpelling; }
  void setContinuousSpellCheckingEnabled(bool enabled) { m_checkSpelling = enabled; }

  // ---- The typing run ----
  // The next change the user makes begins a run.
  void beginRun() { m_runBegun = false; }
  // Set by the canvas while a change resizes the element.
  bool resizingText() const { return m_resizingText; }
  void setResizingText(bool resizing) { m_resizingText = resizing; }

 signals:
  void textDidBeginEditing();
  void textDidChange();
  // The editor lost the focus to another view of the window.
  void textDidEndEditing();
  // Escape.
  void cancelOperation();
  // The keypad's Enter key, which inserts nothing.
  void enterKeyPressed();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // The event with its position in document coordinates.
  std::unique_ptr<QMouseEvent> documentEvent(const QMouseEvent* event) const;
  void userChangedText();
  // The document's width as the element wraps: the box's, not a whole number.
  void applyTextWidth();

  QRectF m_box;
  double m_zoom = 1.0;
  // Where the box's origin falls inside the widget's first pixel.
  QPointF m_pixelOffset;
  QColor m_background;
  int m_quiet = 0;  // changes made through the calls above
  bool m_runBegun = false;
  bool m_resizingText = false;
  bool m_checkSpelling = false;
};
