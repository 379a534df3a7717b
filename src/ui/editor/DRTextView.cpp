#include "ui/editor/DRTextView.h"

#include <QAbstractTextDocumentLayout>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "model/TextLayout.h"
#include "support/TextDrawing.h"

namespace {

// Keeps a scroll bar at 0: the editor is always as large as its text, and
// its document is in points while Qt measures the viewport in pixels.
void PinScrollBar(QScrollBar* bar) {
  QObject::connect(bar, &QScrollBar::rangeChanged, bar, [bar](int minimum, int maximum) {
    if (minimum != 0 || maximum != 0) bar->setRange(0, 0);
  });
  bar->setRange(0, 0);
}

// Whether every character of the document already has the format.
bool IsUniform(const QTextDocument* document, const QTextCharFormat& format) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    if (block.charFormat() != format) return false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat() != format) return false;
    }
  }
  return true;
}

}  // namespace

DRTextView::DRTextView(QWidget* parent) : QTextEdit(parent) {
  hide();
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  PinScrollBar(horizontalScrollBar());
  PinScrollBar(verticalScrollBar());
  // Plain text only; Return inserts a line break; the canvas's snapshot
  // undo, not the editor's own, takes back what was typed; drops land on
  // the canvas.
  setAcceptRichText(false);
  setTabChangesFocus(false);
  setUndoRedoEnabled(false);
  setAcceptDrops(false);
  setAutoFillBackground(false);
  viewport()->setAutoFillBackground(false);
  setAttribute(Qt::WA_InputMethodEnabled);

  // The element's layout: 72 dots per inch, design metrics, wrapping at
  // words, no inset at the top, kTextBoxPadding at the sides.
  QTextDocument* doc = document();
  doc->documentLayout()->setPaintDevice(TextReferenceDevice());
  doc->setUseDesignMetrics(true);
  doc->setDocumentMargin(0);
  QTextFrameFormat root = doc->rootFrame()->frameFormat();
  root.setLeftMargin(kTextBoxPadding);
  root.setRightMargin(kTextBoxPadding);
  doc->rootFrame()->setFrameFormat(root);
  setLineWrapMode(QTextEdit::FixedPixelWidth);
  setWordWrapMode(QTextOption::WordWrap);

  connect(this, &QTextEdit::textChanged, this, &DRTextView::userChangedText);
  auto repaint = [this] { viewport()->update(); };
  connect(this, &QTextEdit::cursorPositionChanged, this, repaint);
  connect(this, &QTextEdit::selectionChanged, this, repaint);
}

DRTextView::~DRTextView() = default;

// ---- Geometry --------------------------------------------------------------------------

void DRTextView::setBox(const QRectF& box, double zoom) {
  if (!std::isfinite(zoom) || zoom <= 0) zoom = 1.0;
  m_box = box;
  m_zoom = zoom;
  const QRectF pixels(box.x() * zoom, box.y() * zoom, box.width() * zoom, box.height() * zoom);
  const int left = int(std::floor(pixels.left())), top = int(std::floor(pixels.top()));
  const int right = std::max(left + 1, int(std::ceil(pixels.right())));
  const int bottom = std::max(top + 1, int(std::ceil(pixels.bottom())));
  m_pixelOffset = QPointF(pixels.left() - left, pixels.top() - top);
  setGeometry(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
  setLineWrapColumnOrWidth(std::max(1, int(std::ceil(box.width()))));
  applyTextWidth();
  viewport()->update();
}

void DRTextView::applyTextWidth() {
  // QTextEdit wraps at whole pixels; the element wraps at its exact width.
  if (m_box.width() > 0 && document()->textWidth() != m_box.width()) document()->setTextWidth(m_box.width());
}

void DRTextView::resizeEvent(QResizeEvent* event) {
  QTextEdit::resizeEvent(event);
  applyTextWidth();
}

void DRTextView::scrollContentsBy(int dx, int dy) {
  // Never scrolls: the scroll bars are pinned at 0.
  (void)dx, (void)dy;
}

// ---- Content ---------------------------------------------------------------------------

void DRTextView::setStyledText(const QString& text, const QTextCharFormat& format) {
  ++m_quiet;
  QString lines = text;
  // A carriage return breaks a line on its own, as the element draws it.
  lines.replace(u'\r', u'\n');
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(lines, format);
  applyFormat(format);
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  --m_quiet;
  viewport()->update();
}

void DRTextView::applyFormat(const QTextCharFormat& format) {
  ++m_quiet;
  QTextDocument* doc = document();
  // Setting the same font again would lay the whole text out again.
  if (doc->defaultFont() != format.font()) doc->setDefaultFont(format.font());
  const Qt::Alignment alignment = format.hasProperty(QTextFormat::BlockAlignment)
                                      ? Qt::Alignment(format.intProperty(QTextFormat::BlockAlignment))
                                      : Qt::AlignLeft;
  bool aligned = true;
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
    aligned = aligned && block.blockFormat().alignment() == alignment;
  if (!IsUniform(doc, format) || !aligned) {
    QTextCursor cursor(doc);
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(format);
    cursor.setBlockCharFormat(format);
    QTextBlockFormat block;
    block.setAlignment(alignment);
    cursor.mergeBlockFormat(block);
  }
  setCurrentCharFormat(format);
  --m_quiet;
  viewport()->update();
}

QString DRTextView::string() const {
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, u'\n');
  return text;
}

void DRTextView::setBackgroundColor(const QColor& color) {
  m_background = color;
  viewport()->update();
}

void DRTextView::userChangedText() {
  if (m_quiet) return;
  if (!m_runBegun) {
    m_runBegun = true;
    emit textDidBeginEditing();
  }
  emit textDidChange();
  viewport()->update();
}

// ---- Layout ----------------------------------------------------------------------------

double DRTextView::usedHeight() const {
  return document()->documentLayout()->documentSize().height();
}

QRectF DRTextView::lastCharacterLine() const {
  const QTextDocument* doc = document();
  const int last = doc->characterCount() - 2;  // the count holds the closing separator
  if (last < 0) return QRectF();
  (void)doc->documentLayout()->documentSize();
  const QTextBlock block = doc->findBlock(last);
  const QTextLayout* layout = block.layout();
  if (!layout) return QRectF();
  const QTextLine line = layout->lineForTextPosition(last - block.position());
  if (!line.isValid()) return QRectF();
  const double top = doc->documentLayout()->blockBoundingRect(block).top() + line.y();
  return QRectF(0, top, line.naturalTextWidth() + 2 * kTextBoxPadding, line.height());
}

double DRTextView::usedWidth() const {
  const QTextDocument* doc = document();
  (void)doc->documentLayout()->documentSize();
  double widest = 0;
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    if (!layout) continue;
    for (int i = 0; i < layout->lineCount(); ++i) widest = std::max(widest, layout->lineAt(i).naturalTextWidth());
  }
  return widest + 2 * kTextBoxPadding;
}

QList<int> DRTextView::lineStarts() const {
  QList<int> starts;
  const QTextDocument* doc = document();
  (void)doc->documentLayout()->documentSize();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    if (!layout) continue;
    for (int i = 0; i < layout->lineCount(); ++i) starts.append(block.position() + layout->lineAt(i).textStart());
  }
  return starts;
}

int DRTextView::characterIndexForPoint(const QPointF& point) const {
  const int index = document()->documentLayout()->hitTest(point, Qt::FuzzyHit);
  return index < 0 ? 0 : index;
}

QFont DRTextView::lastCharacterFont() const {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  return document()->isEmpty() ? currentCharFormat().font() : cursor.charFormat().font();
}

// ---- Painting --------------------------------------------------------------------------

void DRTextView::drawDocument(QPainter* painter, bool withCursor) const {
  if (!painter) return;
  QAbstractTextDocumentLayout* layout = document()->documentLayout();
  // Lays out what is still pending: the layout draws nothing until then.
  (void)layout->documentSize();
  if (m_background.isValid() && m_background.alpha() > 0)
    painter->fillRect(QRectF(QPointF(0, 0), m_box.size()), m_background);
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = palette();
  const QTextCursor cursor = textCursor();
  // A cursor width of 0 hides the insertion point, as in any text edit.
  context.cursorPosition = withCursor && cursorWidth() > 0 ? cursor.position() : -1;
  if (cursor.hasSelection()) {
    QAbstractTextDocumentLayout::Selection selection;
    selection.cursor = cursor;
    selection.format.setBackground(palette().brush(QPalette::Highlight));
    selection.format.setForeground(palette().brush(QPalette::HighlightedText));
    context.selections.append(selection);
  }
  layout->draw(painter, context);
}

void DRTextView::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(viewport());
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  painter.translate(m_pixelOffset);
  painter.scale(m_zoom, m_zoom);
  drawDocument(&painter, hasFocus());
}

// ---- Events ----------------------------------------------------------------------------

bool DRTextView::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      // A press the canvas passes on to the editor itself lands where the
      // viewport's would: the viewport covers the whole editor.
      return viewportEvent(event);
    default:
      break;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Undo and Redo belong to the drawing's history; Escape and the keypad's
    // Enter are the editor's own.
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
      key->ignore();
      return true;
    }
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Enter) {
      key->accept();
      return true;
    }
  }
  return QTextEdit::event(event);
}

void DRTextView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      event->accept();
      emit cancelOperation();
      return;
    case Qt::Key_Enter:
      event->accept();
      emit enterKeyPressed();
      return;
    default:
      break;
  }
  if (event->matches(QKeySequence::MoveToStartOfDocument)) {
    event->accept();
    scrollToBeginningOfDocument();
    return;
  }
  if (event->matches(QKeySequence::MoveToEndOfDocument)) {
    event->accept();
    scrollToEndOfDocument();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void DRTextView::scrollToBeginningOfDocument() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::Start);
  setTextCursor(cursor);
}

void DRTextView::scrollToEndOfDocument() {
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
}

void DRTextView::focusOutEvent(QFocusEvent* event) {
  QTextEdit::focusOutEvent(event);
  viewport()->update();
  // A menu or another window taking the focus for a while does not end the
  // editing; another view of the window does.
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return;
  if (isVisible()) emit textDidEndEditing();
}

std::unique_ptr<QMouseEvent> DRTextView::documentEvent(const QMouseEvent* event) const {
  const QPointF point = (event->position() - m_pixelOffset) / m_zoom;
  auto mapped =
      std::make_unique<QMouseEvent>(event->type(), point, event->scenePosition(), event->globalPosition(),
                                    event->button(), event->buttons(), event->modifiers(), event->pointingDevice());
  mapped->setTimestamp(event->timestamp());
  return mapped;
}

void DRTextView::mousePressEvent(QMouseEvent* event) {
  const auto mapped = documentEvent(event);
  QTextEdit::mousePressEvent(mapped.get());
  event->setAccepted(mapped->isAccepted());
}

void DRTextView::mouseMoveEvent(QMouseEvent* event) {
  const auto mapped = documentEvent(event);
  QTextEdit::mouseMoveEvent(mapped.get());
  event->setAccepted(mapped->isAccepted());
}

void DRTextView::mouseReleaseEvent(QMouseEvent* event) {
  const auto mapped = documentEvent(event);
  QTextEdit::mouseReleaseEvent(mapped.get());
  event->setAccepted(mapped->isAccepted());
}

void DRTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  const auto mapped = documentEvent(event);
  QTextEdit::mouseDoubleClickEvent(mapped.get());
  event->setAccepted(mapped->isAccepted());
}

QVariant DRTextView::inputMethodQuery(Qt::InputMethodQuery query) const {
  const QVariant answer = QTextEdit::inputMethodQuery(query);
  if (query != Qt::ImCursorRectangle && query != Qt::ImAnchorRectangle) return answer;
  // The editor answers in document points; the input method wants pixels.
  const QRectF rect = answer.toRectF();
  return QRectF(rect.topLeft() * m_zoom + m_pixelOffset, rect.size() * m_zoom);
}
