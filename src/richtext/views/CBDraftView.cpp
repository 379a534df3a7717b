#include "richtext/views/CBDraftView.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QEasingCurve>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleHints>
#include <algorithm>
#include <cmath>
#include <limits>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DragImage.h"
#include "richtext/DrawingServices.h"
#include "richtext/Locator.h"
#include "richtext/MouseSelection.h"
#include "support/ChromeDrawing.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/ModifierFlags.h"
#include "support/widgets/BlockingAnimation.h"
#include "support/widgets/InterfaceHelpers.h"

namespace {

// Bytes of Pane::paneFlags the view reads or sets.
constexpr int kPaneNoHighlights = 2;

// The name the popovers of the shell close on.
const QString kClosePopoversNotification = QStringLiteral("cs.86popovers");

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The movements of the desktop's key bindings: a standard key, the
// selection key it moves by and its engine modifier bits.
struct StandardMove {
  QKeySequence::StandardKey key;
  int32_t selectionKey;
  uint32_t modifiers;
};

constexpr uint32_t kCommand = kEngineCommand;
constexpr uint32_t kOption = kEngineOption;
constexpr uint32_t kShift = kEngineShift;

constexpr StandardMove kStandardMoves[] = {
    {QKeySequence::MoveToNextChar, kSelectionKeyRight, 0},
    {QKeySequence::MoveToPreviousChar, kSelectionKeyLeft, 0},
    {QKeySequence::MoveToNextWord, kSelectionKeyRight, kCommand},
    {QKeySequence::MoveToPreviousWord, kSelectionKeyLeft, kCommand},
    {QKeySequence::MoveToNextLine, kSelectionKeyDown, 0},
    {QKeySequence::MoveToPreviousLine, kSelectionKeyUp, 0},
    {QKeySequence::MoveToStartOfLine, kSelectionKeyLeft, kOption},
    {QKeySequence::MoveToEndOfLine, kSelectionKeyRight, kOption},
    {QKeySequence::MoveToStartOfBlock, kSelectionKeyUp, kCommand},
    {QKeySequence::MoveToEndOfBlock, kSelectionKeyDown, kCommand},
    {QKeySequence::MoveToStartOfDocument, kSelectionKeyHome, 0},
    {QKeySequence::MoveToEndOfDocument, kSelectionKeyEnd, 0},
    {QKeySequence::SelectNextChar, kSelectionKeyRight, kShift},
    {QKeySequence::SelectPreviousChar, kSelectionKeyLeft, kShift},
    {QKeySequence::SelectNextWord, kSelectionKeyRight, kCommand | kShift},
    {QKeySequence::SelectPreviousWord, kSelectionKeyLeft, kCommand | kShift},
    {QKeySequence::SelectNextLine, kSelectionKeyDown, kShift},
    {QKeySequence::SelectPreviousLine, kSelectionKeyUp, kShift},
    {QKeySequence::SelectStartOfLine, kSelectionKeyLeft, kOption | kShift},
    {QKeySequence::SelectEndOfLine, kSelectionKeyRight, kOption | kShift},
    {QKeySequence::SelectStartOfBlock, kSelectionKeyUp, kCommand | kShift},
    {QKeySequence::SelectEndOfBlock, kSelectionKeyDown, kCommand | kShift},
    {QKeySequence::SelectStartOfDocument, kSelectionKeyHome, kShift},
    {QKeySequence::SelectEndOfDocument, kSelectionKeyEnd, kShift},
    {QKeySequence::SelectNextPage, kSelectionKeyPageDown, kShift},
    {QKeySequence::SelectPreviousPage, kSelectionKeyPageUp, kShift},
};

bool HasMoveModifiers(Qt::KeyboardModifiers modifiers) {
  return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

// Exactly Shift and Alt among Shift, Control, Alt and Meta.
bool IsShiftAlt(Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers held =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  return held == (Qt::ShiftModifier | Qt::AltModifier);
}

bool FirstCharacterIsControl(const QKeyEvent* event) {
  const QString text = event->text();
  return text.isEmpty() || text.at(0).unicode() < 32;
}

}  // namespace

CBDraftView::CBDraftView(QWidget* parent) : QWidget(parent), m_rulePosition(kNaN, kNaN) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  m_tableHoverTimer.setSingleShot(true);
  m_tableHoverTimer.setInterval(kTableHoverMilliseconds);
  connect(&m_tableHoverTimer, &QTimer::timeout, this, [this] { tableHovering(); });
  NotificationCenter& center = NotificationCenter::defaultCenter();
  QPointer<CBDraftView> self(this);
  m_cursorToken = center.addObserver(this, g_cursorChangeNotification, nullptr, [self](const CSNotification&) {
    if (!self || !self->hasFocus() || !self->m_document) return;
    self->m_document->setCursor(self->mapFromGlobal(QCursor::pos()) / self->m_zoomValue, self);
  });
  m_flashToken = center.addObserver(this, g_flashNotification, static_cast<QObject*>(this),
                                    [self](const CSNotification&) {
                                      if (self) self->flashSelection();
                                    });
}

CBDraftView::~CBDraftView() {
  m_tableHoverTimer.stop();
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(m_cursorToken);
  center.removeObserver(m_flashToken);
  if (m_closingToken) center.removeObserver(m_closingToken);
}

void CBDraftView::setDocument(CBDocument* document) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  if (m_closingToken) center.removeObserver(m_closingToken);
  m_closingToken = 0;
  m_document = document;
  m_corvaneDoc = document ? document->corvaneDoc() : nullptr;
  if (!document) return;
  QPointer<CBDraftView> self(this);
  m_closingToken = center.addObserver(this, g_docClosingNotification, document, [self](const CSNotification&) {
    if (self) self->shutDown();
  });
}

void CBDraftView::setViewService(CBViewService* service) { m_service.setService(service); }

Pane* CBDraftView::pane() const { return m_document ? m_document->paneForView(const_cast<CBDraftView*>(this)) : nullptr; }

void CBDraftView::shutDown() {
  m_document = nullptr;
  m_corvaneDoc = nullptr;
  m_service.setService(nullptr);
  m_tableHoverTimer.stop();
  RemoveTrackingAreas(this);
}

void CBDraftView::setZoomValue(double) {}

QRectF CBDraftView::bounds() const {
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  return QRectF(0, 0, width() / zoom, height() / zoom);
}

void CBDraftView::invalidateBoundsRect(const QRectF& rect) {
  if (rect.isEmpty()) return;
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const QRectF scaled(rect.x() * zoom, rect.y() * zoom, rect.width() * zoom, rect.height() * zoom);
  update(scaled.toAlignedRect());
}

bool CBDraftView::shouldTrashOnResize() const {
  return m_document && pane() && m_document->draftFitsToWindow(const_cast<CBDraftView*>(this));
}

void CBDraftView::drawSetup(const QRectF&) {}
void CBDraftView::setScrollLimits() {}

// ---- Focus and activity ------------------------------------------------------------

bool CBDraftView::isFocusView() const { return window() && window()->focusWidget() == this; }

void CBDraftView::makeFocusView() {
  if (!hasFocus()) setFocus(Qt::OtherFocusReason);
}

void CBDraftView::setViewCursor(Qt::CursorShape shape) { setCursor(shape); }

void CBDraftView::redisplay() { update(); }

void CBDraftView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  becomeFirstResponder();
}

void CBDraftView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  // Only a real change of focus inside the window resigns; the window going
  // inactive is handled as a deactivation.
  if (event->reason() != Qt::ActiveWindowFocusReason) resignFirstResponder();
}

void CBDraftView::becomeFirstResponder() {}
void CBDraftView::resignFirstResponder() {}

bool CBDraftView::focusNextPrevChild(bool) { return false; }

void CBDraftView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ActivationChange) return;
  if (isActiveWindow()) {
    activate();
  } else {
    deactivate();
  }
}

void CBDraftView::activate() {
  if (!isFocusView()) return;
  becomeFirstResponder();
  update();
  m_initialClick = false;
}

void CBDraftView::deactivate() {
  m_fakeResignRequest = true;
  if (isFocusView()) resignFirstResponder();
  update();
  m_fakeResignRequest = false;
}

void CBDraftView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  didResize();
}

void CBDraftView::didResize() {
  if (shouldTrashOnResize()) m_document->trashDisplay(this);
}

// ---- Drawing ------------------------------------------------------------------------

void CBDraftView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const QRectF rect(event->rect().x() / zoom, event->rect().y() / zoom, event->rect().width() / zoom,
                    event->rect().height() / zoom);
  painter.scale(zoom, zoom);
  GraphicsContextScope scope(&painter);
  painter.save();
  drawSetup(rect);
  painter.fillRect(rect, palette().color(QPalette::Base));
  if (m_document) m_document->drawView(this, rect);
  painter.restore();
  if (std::isfinite(m_rulePosition.x())) {
    DrawRulerScaleLine(bounds(), float(m_rulePosition.x() / zoom), float(1.0 / zoom));
  }
  if (!m_flashRect.isEmpty()) drawFlash(painter);
}

void CBDraftView::setRulePosition(QPointF position) {
  if (std::isfinite(m_rulePosition.x()) || std::isfinite(m_rulePosition.y())) invalidateDragRule();
  m_rulePosition = position;
  if (std::isfinite(m_rulePosition.x()) || std::isfinite(m_rulePosition.y())) invalidateDragRule();
}

void CBDraftView::invalidateDragRule() {
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const double width = 4.0 / zoom;
  const QRectF area = bounds();
  if (std::isfinite(m_rulePosition.x())) {
    invalidateBoundsRect(QRectF(m_rulePosition.x() / zoom - width / 2, area.top(), width, area.height()));
  }
  if (std::isfinite(m_rulePosition.y())) {
    const double y = (m_document ? ScrollPosition(pane(), true) : 0.0) + m_rulePosition.y() / zoom;
    invalidateBoundsRect(QRectF(area.left(), y - width / 2, area.width(), width));
  }
}

// ---- The flash ----------------------------------------------------------------------

QRectF CBDraftView::grownFlashRect() const {
  Pane* current = pane();
  const double grow = current && current->objectSelection != kNoCpValue ? 20.0 : 6.0;
  return AdjustRectToPixelBoundary(m_flashRect.adjusted(-20.0, -grow, 20.0, grow), m_zoomValue * devicePixelRatioF());
}

void CBDraftView::flashSelection() {
  Pane* current = pane();
  if (!m_corvaneDoc || !current) return;
  QRectF rect;
  RectForDragImage(&rect, m_corvaneDoc);
  if (rect.height() == 0) return;
  if (rect.width() == 0) {
    if (current->objectSelection != kNoCpValue || current->anchor != current->end) return;
    rect = QRectF(rect.x() - 8.0, rect.y(), 16.0, rect.height());
  }
  m_flashRect = rect;
  current->paneFlags[kPaneNoHighlights] = 1;
  QPointer<CBDraftView> self(this);
  RunBlockingAnimation(kFlashSeconds, QEasingCurve::InOutSine, [self](double progress) {
    if (self) self->setFlashProgress(float(progress));
  });
  if (!self) return;
  if (Pane* after = pane()) after->paneFlags[kPaneNoHighlights] = 0;
  invalidateBoundsRect(grownFlashRect());
  m_flashRect = QRectF();
}

void CBDraftView::setFlashProgress(float progress) {
  m_flashProgress = progress;
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const QRectF grown = grownFlashRect();
  repaint(QRectF(grown.x() * zoom, grown.y() * zoom, grown.width() * zoom, grown.height() * zoom).toAlignedRect());
}

void CBDraftView::drawFlash(QPainter& painter) {
  const QRectF grown = grownFlashRect();
  DrawFlashBubble(m_flashRect, 20.0, grown.height() / 2 - m_flashRect.height() / 2,
                  m_zoomValue * devicePixelRatioF(), m_flashProgress);
  if (!m_corvaneDoc) return;
  painter.save();
  painter.translate(m_flashRect.topLeft());
  DrawDragImage(m_corvaneDoc, QRectF(QPointF(0, 0), m_flashRect.size()));
  painter.restore();
}

// ---- Mouse ---------------------------------------------------------------------------

QPointF CBDraftView::viewPoint(const QMouseEvent* event) const {
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const QPointF position = event->position();
  return QPointF(std::floor(position.x() / zoom), std::floor(position.y() / zoom));
}

bool CBDraftView::isOnTableColumnEdge(QPointF point, uint32_t mode) const {
  Pane* current = pane();
  if (!m_corvaneDoc || !current) return false;
  Locator locator;
  InitLocator(m_corvaneDoc, current, &locator);
  LocatePointInDoc(&locator, mode, point.x(), point.y());
  return locator.columnEdge != kNoCpValue;
}

void CBDraftView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  // Presses in quick succession at one place count up, as double clicks do.
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  const QPointF where = event->position();
  const bool again = m_clickCount > 0 && now - m_lastClickTime <= QApplication::styleHints()->mouseDoubleClickInterval() &&
                     (where - m_lastClickPoint).manhattanLength() <= QApplication::styleHints()->mouseDoubleClickDistance();
  m_clickCount = again ? m_clickCount + 1 : 1;
  m_pressPending = true;
  m_lastClickTime = now;
  m_lastClickPoint = where;
  mouseDown(event, m_clickCount);
}

void CBDraftView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The window system sends the second press of a double click as this
  // event; one that follows a press already counted as a second click
  // repeats that press.
  if (m_pressPending && m_clickCount >= 2) return;
  if (event->button() != Qt::LeftButton) return;
  m_clickCount = std::max(m_clickCount, 1) + 1;
  m_pressPending = true;
  m_lastClickTime = QDateTime::currentMSecsSinceEpoch();
  m_lastClickPoint = event->position();
  mouseDown(event, m_clickCount);
}

void CBDraftView::mouseDown(const QMouseEvent* event, int clickCount) {
  if (!m_service.mayRespond()) return;
  const QPointF point = viewPoint(event);
  m_tableHoverTimer.stop();
  m_service.setBlockBlink(true);
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  int32_t type = 7;
  if (clickCount == 2) {
    type = 3;
  } else if (modifiers & Qt::ControlModifier) {
    type = 8;
  } else if (clickCount == 3) {
    type = g_corvaneConfig.tripleClickSentence ? 6 : 8;
  } else if (modifiers & Qt::ShiftModifier) {
    type = 4;
  } else if (m_initialClick) {
    type = 5;
  } else if (m_tableHover) {
    type = 9;
  }
  if (type == 7 && m_corvaneDoc && !IsDocumentLocked(m_corvaneDoc) && isOnTableColumnEdge(point, kLocateClick)) {
    type = 10;
  }
  m_selectionType = type;
  if (m_document) m_document->startSelection(point, this, type, ModifierFlagsForEvent(event));
  m_tableHover = false;
  m_initialClick = false;
  // The engine sets the tracking byte when it starts tracking the drag.
  if (!m_corvaneDoc || ((uint32_t(m_corvaneDoc->selectionWord) >> 8) & 0xFF) == 0) {
    m_selectionType = 0;
    m_service.setBlockBlink(false);
  }
}

void CBDraftView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF point = viewPoint(event);
  if (event->buttons() & Qt::LeftButton) {
    if (m_selectionType != 0 && m_document) m_document->continueSelection(point);
    return;
  }
  mouseMoved(point);
}

void CBDraftView::mouseMoved(QPointF point) {
  if (!m_corvaneDoc) return;
  m_tableHoverTimer.stop();
  m_tableHover = false;
  if (m_document) m_document->setCursor(point, this);
  if (isOnTableColumnEdge(point, kLocateInLine) && !IsDocumentLocked(m_corvaneDoc)) m_tableHoverTimer.start();
}

void CBDraftView::tableHovering() {
  m_tableHoverTimer.stop();
  if (!m_corvaneDoc || !window() || !pane()) return;
  const double zoom = m_zoomValue > 0 ? m_zoomValue : 1.0;
  const QPointF point = QPointF(mapFromGlobal(QCursor::pos())) / zoom;
  if (!isOnTableColumnEdge(point, kLocateInLine)) return;
  setCursor(Qt::SplitHCursor);
  m_tableHover = true;
}

void CBDraftView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) m_pressPending = false;
  if (event->button() != Qt::LeftButton || m_selectionType == 0) return;
  m_service.setBlockBlink(false);
  m_service.setStatusMessage(QString(), false, true);
  if (m_document) m_document->endSelection();
  m_selectionType = 0;
}

void CBDraftView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  m_tableHoverTimer.stop();
  m_tableHover = false;
  setCursor(Qt::ArrowCursor);
}

// ---- Keys ----------------------------------------------------------------------------

void CBDraftView::performSelectionKey(int32_t key, uint32_t modifiers) {
  if (m_document) m_document->performSelectionKey(key, modifiers, this);
}

void CBDraftView::selectAll() {
  if (CBViewService* service = m_service.service()) service->selectAll(this);
}

void CBDraftView::showSelection() {
  if (m_document) m_document->showSelection();
}

void CBDraftView::pageKey(bool down) {
  // A page view scrolls by pages; the continuous view moves the selection.
  if (m_zoomType == 2) return;
  performSelectionKey(down ? kSelectionKeyPageDown : kSelectionKeyPageUp, 0);
}

bool CBDraftView::standardMovement(QKeyEvent* event) {
  if (event->matches(QKeySequence::SelectAll)) {
    selectAll();
    return true;
  }
  if (event->matches(QKeySequence::MoveToNextPage)) {
    pageKey(true);
    return true;
  }
  if (event->matches(QKeySequence::MoveToPreviousPage)) {
    pageKey(false);
    return true;
  }
  for (const StandardMove& move : kStandardMoves) {
    if (event->matches(move.key)) {
      performSelectionKey(move.selectionKey, move.modifiers);
      return true;
    }
  }
  return false;
}

void CBDraftView::keyPressEvent(QKeyEvent* event) {
  const bool inProgress = selectionInProgress();
  NotificationCenter::defaultCenter().post(kClosePopoversNotification);
  if (!inProgress && !hasFocus()) {
    event->ignore();
    return;
  }
  event->accept();
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (key == Qt::Key_Escape || inProgress) return;
  if (key == Qt::Key_Space && (modifiers & Qt::ControlModifier)) {
    if (CBViewService* service = m_service.service()) service->plain(this);
    return;
  }
  // The keypad's Clear, the function keys and the forced tab edit the text,
  // which this read-only document does not allow.
  if (key == Qt::Key_Clear || FunctionKeyForEvent(event, true) != 0) return;
  if (key == Qt::Key_Backtab && IsShiftAlt(modifiers)) return;
  CBViewService* service = m_service.service();
  if (service && service->useStandardKeys()) {
    systemKey(event);
  } else {
    engineKey(event);
  }
}

void CBDraftView::engineKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  switch (event->key()) {
    case Qt::Key_Home: performSelectionKey(kSelectionKeyHome, 0); return;
    case Qt::Key_End: performSelectionKey(kSelectionKeyEnd, 0); return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (!(modifiers & Qt::ShiftModifier) && m_zoomType == 2) return;
      performSelectionKey(event->key() == Qt::Key_PageUp ? kSelectionKeyPageUp : kSelectionKeyPageDown, 0);
      return;
    case Qt::Key_Up: performSelectionKey(kSelectionKeyUp, 0); return;
    case Qt::Key_Down: performSelectionKey(kSelectionKeyDown, 0); return;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (HasMoveModifiers(modifiers)) {
        performSelectionKey(event->key() == Qt::Key_Left ? kSelectionKeyLeft : kSelectionKeyRight, 0);
      } else {
        standardMovement(event);
      }
      return;
    case Qt::Key_Enter:
      if (g_corvaneConfig.enterShowsSelection) showSelection();
      return;
    // Deleting, new lines and tabs edit the text: nothing here.
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace: return;
    default: break;
  }
  if (modifiers & Qt::ControlModifier) {
    event->ignore();
    return;
  }
  if (FirstCharacterIsControl(event)) return;
  standardMovement(event);
}

void CBDraftView::systemKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
      if (IsShiftAlt(modifiers)) {
        performSelectionKey(event->key() == Qt::Key_Down ? kSelectionKeyDown : kSelectionKeyUp, kCommand | kShift);
      } else {
        standardMovement(event);
      }
      return;
    case Qt::Key_Enter:
      if (g_corvaneConfig.enterShowsSelection) {
        showSelection();
      } else {
        standardMovement(event);
      }
      return;
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace: standardMovement(event); return;
    default: break;
  }
  if (modifiers & Qt::ControlModifier) {
    standardMovement(event);
    event->ignore();
    return;
  }
  if (FirstCharacterIsControl(event)) return;
  standardMovement(event);
}
