#include "richtext/views/CSCorvaneHelpView.h"

#include <QFocusEvent>
#include <QResizeEvent>
#include <QTimer>
#include <algorithm>

#include "richtext/views/CBDraftScrollView.h"

CSCorvaneHelpView::CSCorvaneHelpView(QWidget* parent) : CBDraftView(parent) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  QPointer<CSCorvaneHelpView> self(this);
  QObject* me = this;
  m_scrollDoneToken = center.addObserver(this, g_scrollDoneNotification, me, [self](const CSNotification&) {
    if (self) self->setScrollLimits();
  });
  m_horizontalToken = center.addObserver(this, g_horizontalScrollNotification, me, [self](const CSNotification&) {
    if (self) self->horizontalScrolling();
  });
}

CSCorvaneHelpView::~CSCorvaneHelpView() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(m_scrollDoneToken);
  center.removeObserver(m_horizontalToken);
}

CBDraftScrollView* CSCorvaneHelpView::enclosingScrollView() const {
  return dynamic_cast<CBDraftScrollView*>(parentWidget());
}

void CSCorvaneHelpView::resizeEvent(QResizeEvent* event) {
  CBDraftView::resizeEvent(event);
  if (event->size() == event->oldSize() || zoomValue() == 0) return;
  if (CBDraftScrollView* scrollView = enclosingScrollView()) scrollView->resetKnobs();
  setScrollLimits();
}

void CSCorvaneHelpView::horizontalScrolling() {
  if (!document() || !pane()) return;
  document()->hideInsertionPoint();
  document()->trashDisplay(this);
}

void CSCorvaneHelpView::focusInEvent(QFocusEvent* event) {
  // A click that gives the focus is the view's initial click.
  m_mouseFocus = event->reason() == Qt::MouseFocusReason;
  CBDraftView::focusInEvent(event);
  m_mouseFocus = false;
}

void CSCorvaneHelpView::becomeFirstResponder() {
  if (!m_windowController || !document()) return;
  m_windowController->focusView(this);
  update();
  NotificationCenter::defaultCenter().post(g_selectionPriorityChangeNotification, document());
  if (m_mouseFocus) setInitialClick(true);
}

void CSCorvaneHelpView::resignFirstResponder() {
  if (document()) document()->unfocusView(this);
  update();
}

void CSCorvaneHelpView::setScrollLimits() {
  CBDraftScrollView* scrollView = enclosingScrollView();
  if (!document() || !pane() || !scrollView) return;
  const CBRange range = document()->paneRange(this);
  const double max = double(std::max<int64_t>(range.length - 1, 0));
  const double visible = double(document()->draftHeight(this));
  scrollView->setScrollPosition(scrollView->currentPosition(true), max, visible, true);
  scrollView->setScrollPosition(0, 0, 0, false);
}

void CSCorvaneHelpView::setZoomValue(double zoom) {
  Pane* current = pane();
  if (!current || !(zoom > 0)) return;
  if (zoomValue() == zoom && double(current->zoom) == double(float(zoom))) return;
  CBDraftView::setZoomValueCore(zoom);
  current->zoom = float(zoom);
  update();
  document()->trashDisplay(this);
  QPointer<CSCorvaneHelpView> self(this);
  QTimer::singleShot(100, this, [self] {
    if (self) self->setScrollLimits();
  });
  NotificationCenter::defaultCenter().post(g_cvbZoomChangeNotification, static_cast<QObject*>(this));
}
