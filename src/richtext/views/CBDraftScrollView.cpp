#include "richtext/views/CBDraftScrollView.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "richtext/CBDocument.h"
#include "richtext/CorvaneHost.h"
#include "richtext/views/CBDraftView.h"
#include "support/CSCore.h"
#include "support/ChromeDrawing.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"

namespace {

// A bar's range counts whole units; ranges beyond an int are not reached
// (documents hold at most 2,000,000,000 cps).
int BarUnits(double value) {
  if (!(value > 0)) return 0;
  return int(std::min(std::ceil(value), double(INT_MAX)));
}

// The horizontal limit of a position: the maximum less what is visible (a
// visible amount of 0 counting 1), not below 0.
double HorizontalLimit(double max, double visible) {
  return std::max(0.0, max - (visible == 0 ? 1.0 : visible));
}

}  // namespace

CBDraftScrollView::CBDraftScrollView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

CBDraftScrollView::~CBDraftScrollView() {
  if (m_closingToken) NotificationCenter::defaultCenter().removeObserver(m_closingToken);
}

int CBDraftScrollView::scrollerWidth() {
  static const int width = [] {
    QScrollBar probe(Qt::Vertical);
    return std::max(1, probe.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &probe));
  }();
  return width;
}

QScrollBar* CBDraftScrollView::makeScroller(Qt::Orientation orientation) {
  auto* bar = new QScrollBar(orientation, this);
  const bool vertical = orientation == Qt::Vertical;
  bar->setRange(0, 0);
  bar->setSingleStep(1);
  bar->setFocusPolicy(Qt::NoFocus);
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, vertical](int action) { scrollerAction(vertical, action); });
  bar->show();
  return bar;
}

void CBDraftScrollView::setup(bool withHorizontal) {
  const int width = scrollerWidth();
  if (withHorizontal && !m_horizontal.scroller) {
    m_horizontal.scroller = makeScroller(Qt::Horizontal);
    m_horizontal.scroller->resize(2 * width, width);
  }
  if (!m_vertical.scroller) {
    m_vertical.scroller = makeScroller(Qt::Vertical);
    m_vertical.scroller->resize(width, 2 * width);
  }
  layoutView();
}

void CBDraftScrollView::setDocumentView(CBDraftView* view) {
  if (view && view->parentWidget() != this) {
    if (m_documentView && m_documentView != view) m_documentView->setParent(nullptr);
    view->setParent(this);
    view->show();
  }
  m_documentView = view;
  layoutView();
}

void CBDraftScrollView::setDocument(CBDocument* document) {
  m_horizontal.currentPosition = -1.0;
  m_vertical.currentPosition = -1.0;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  if (m_closingToken) center.removeObserver(m_closingToken);
  m_closingToken = 0;
  m_document = document;
  if (!document) return;
  QPointer<CBDraftScrollView> self(this);
  m_closingToken = center.addObserver(this, g_docClosingNotification, document, [self](const CSNotification&) {
    if (self) self->shutDown();
  });
}

void CBDraftScrollView::shutDown() {
  m_document = nullptr;
  m_documentView = nullptr;
}

void CBDraftScrollView::setDrawLineAbove(bool draw) {
  if (m_drawLineAbove == draw) return;
  m_drawLineAbove = draw;
  layoutView();
}

double CBDraftScrollView::currentPosition(bool vertical) const { return state(vertical).currentPosition; }

// ---- Positions -----------------------------------------------------------------------

void CBDraftScrollView::setScrollPosition(double position, double max, double visible, bool vertical) {
  if (!m_document) return;
  ScrollerState& s = stateFor(vertical);
  const double effectiveMax = vertical ? max : (max < visible ? 0.0 : max - visible);
  const double oldPosition = s.currentPosition;
  const double oldMax = s.maxPosition;
  const double oldVisible = s.visiblePortion;
  s.currentPosition = std::min(position, effectiveMax);
  s.maxPosition = max;
  s.visiblePortion = visible;
  if (effectiveMax == 0 || (vertical && effectiveMax <= visible)) {
    s.currentPosition = 0;
    s.knobFraction = 0;
    s.maxForKnob = 0;
    if (s.scroller) {
      applyKnob(s, 0, 0);
      s.scroller->setEnabled(false);
    }
  } else {
    if (s.scroller) s.scroller->setEnabled(true);
    placeScroller(s, effectiveMax > 0 ? s.currentPosition / effectiveMax : 0);
  }
  if (s.currentPosition == oldPosition && (max == oldMax || oldPosition + oldVisible < oldMax)) return;
  redisplayDocument(vertical);
  if (m_documentView) {
    const double target = std::max(0.0, s.currentPosition);
    m_document->scrollDraft(m_documentView, uint32_t(std::min(target, double(UINT32_MAX))), 2, vertical);
  }
  QPointer<CBDraftScrollView> self(this);
  QTimer::singleShot(0, this, [self] {
    if (self) self->redrawCornerRect();
  });
}

void CBDraftScrollView::placeScroller(ScrollerState& s, double fraction) {
  if (s.maxPosition == 0 || s.maxPosition <= s.visiblePortion) {
    s.knobFraction = 0;
    s.maxForKnob = 0;
    applyKnob(s, fraction, 0);
    return;
  }
  double floor = 0;
  if (s.maxForKnob != 0 &&
      std::max(s.maxPosition, s.maxForKnob) / std::min(s.maxPosition, s.maxForKnob) <= 1.1) {
    floor = s.knobFraction;
  } else {
    s.maxForKnob = s.maxPosition;
    s.knobFraction = 0;
  }
  const double proportion = std::min(1.0, std::max(double(float(s.visiblePortion / s.maxPosition)), floor));
  s.knobFraction = proportion;
  applyKnob(s, fraction, proportion);
}

void CBDraftScrollView::applyKnob(ScrollerState& s, double fraction, double proportion) {
  QScrollBar* bar = s.scroller;
  if (!bar) return;
  const bool vertical = &s == &m_vertical;
  const int units = BarUnits(vertical ? s.maxPosition : HorizontalLimit(s.maxPosition, s.visiblePortion));
  // The bar's knob is page / (range + page) of its groove.
  int page = 1;
  if (proportion >= 1.0) {
    page = INT_MAX / 2;
  } else if (proportion > 0 && units > 0) {
    page = int(std::clamp(std::llround(proportion * units / (1.0 - proportion)), 1LL, (long long)(INT_MAX / 2)));
  }
  const double clampedFraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
  m_placing = true;
  bar->setRange(0, units);
  bar->setPageStep(page);
  bar->setValue(int(std::llround(clampedFraction * units)));
  m_placing = false;
  bar->update();
}

void CBDraftScrollView::resetKnobs() {
  m_horizontal.knobFraction = 0;
  m_vertical.knobFraction = 0;
}

bool CBDraftScrollView::scroll(ScrollerState& s, bool vertical, double position) {
  const double limit = vertical ? std::max(0.0, s.maxPosition) : HorizontalLimit(s.maxPosition, s.visiblePortion);
  const double target = std::isnan(position) ? limit : std::clamp(position, 0.0, limit);
  if (target == s.currentPosition) return false;
  s.currentPosition = target;
  placeScroller(s, limit > 0 ? target / limit : 0);
  if (QInputMethod* input = QGuiApplication::inputMethod()) input->update(Qt::ImCursorRectangle);
  return true;
}

void CBDraftScrollView::scrollToHorizontal(double value, bool relative, bool redraw) {
  if (!m_horizontal.scroller) return;
  const double target = relative ? m_horizontal.currentPosition + value : value;
  if (scroll(m_horizontal, false, target) && redraw) redisplayDocument(false);
}

void CBDraftScrollView::scrollToVertical(double value, bool relative, bool redraw) {
  const double target = relative ? m_vertical.currentPosition + value : value;
  if (scroll(m_vertical, true, target) && redraw) redisplayDocument(true);
}

// ---- Bar actions -----------------------------------------------------------------------

void CBDraftScrollView::autoScroll(int32_t code, bool vertical) {
  static constexpr int32_t kParts[6] = {kIncrementLine, kDecrementLine, kIncrementLine,
                                        kDecrementLine, kIncrementPage, kDecrementPage};
  if (code < 0 || code > 5) return;
  if (vertical) {
    handleVerticalScroll(kParts[code]);
  } else {
    handleHorizontalScroll(kParts[code]);
  }
}

void CBDraftScrollView::scrollerAction(bool vertical, int action) {
  if (m_placing) return;
  int32_t part = kNoPart;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: part = kIncrementLine; break;
    case QAbstractSlider::SliderSingleStepSub: part = kDecrementLine; break;
    case QAbstractSlider::SliderPageStepAdd: part = kIncrementPage; break;
    case QAbstractSlider::SliderPageStepSub: part = kDecrementPage; break;
    case QAbstractSlider::SliderMove:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum: part = kKnob; break;
    default: return;
  }
  ScrollerState& s = stateFor(vertical);
  if (vertical) {
    handleVerticalScroll(part);
  } else {
    handleHorizontalScroll(part);
  }
  // The bar shows this view's position, never the step it took itself.
  if (QScrollBar* bar = s.scroller) {
    const double limit = vertical ? s.maxPosition : HorizontalLimit(s.maxPosition, s.visiblePortion);
    const double fraction = limit > 0 ? std::clamp(s.currentPosition / limit, 0.0, 1.0) : 0.0;
    m_placing = true;
    bar->setSliderPosition(int(std::llround(fraction * bar->maximum())));
    m_placing = false;
  }
}

void CBDraftScrollView::handleVerticalScroll(int32_t part) {
  QScrollBar* bar = m_vertical.scroller;
  if (!m_document || !bar || !bar->isEnabled()) return;
  int64_t position = 0;
  uint32_t unit = 0;
  switch (part) {
    case kDecrementPage: position = -1, unit = 1; break;
    case kIncrementPage: position = 1, unit = 1; break;
    case kDecrementLine: position = -1, unit = 0; break;
    case kIncrementLine: position = 1, unit = 0; break;
    case kKnob:
    case kKnobSlot: {
      const double value = bar->maximum() > 0 ? double(bar->sliderPosition()) / bar->maximum() : 0.0;
      position = int64_t(value * m_vertical.maxPosition);
      unit = 2;
      break;
    }
    default: return;
  }
  m_document->scrollDraft(m_documentView, uint32_t(position), unit, true);
  NotificationQueue::defaultQueue().enqueue(
      CSNotification{g_scrollDoneNotification, static_cast<QObject*>(m_documentView.data()), {}}, true);
}

void CBDraftScrollView::handleHorizontalScroll(int32_t part) {
  QScrollBar* bar = m_horizontal.scroller;
  if (!m_document || !bar || !bar->isEnabled()) return;
  const double position = m_horizontal.currentPosition;
  const double page = m_documentView ? 32.0 * std::floor(m_documentView->width() / 32.0) : 0.0;
  double target = position;
  switch (part) {
    case kDecrementPage: target = position - page; break;
    case kIncrementPage: target = position + page; break;
    case kDecrementLine: target = position - 32; break;
    case kIncrementLine: target = position + 32; break;
    case kKnob:
    case kKnobSlot: {
      const double value = bar->maximum() > 0 ? double(bar->sliderPosition()) / bar->maximum() : 0.0;
      target = value * HorizontalLimit(m_horizontal.maxPosition, m_horizontal.visiblePortion);
      break;
    }
    default: return;
  }
  if (!scroll(m_horizontal, false, std::round(target))) return;
  if (m_documentView) {
    m_document->scrollDraft(m_documentView, uint32_t(std::max(0.0, m_horizontal.currentPosition)), 2, false);
  }
  redisplayDocument(false);
}

void CBDraftScrollView::scrollLineDown() {
  if (scroll(m_vertical, true, m_vertical.currentPosition + 1)) redisplayDocument(true);
}

void CBDraftScrollView::scrollLineUp() {
  if (scroll(m_vertical, true, m_vertical.currentPosition - 1)) redisplayDocument(true);
}

void CBDraftScrollView::scrollPageDown() {
  if (scroll(m_vertical, true, m_vertical.currentPosition + m_vertical.visiblePortion - 1)) redisplayDocument(true);
}

void CBDraftScrollView::scrollPageUp() {
  if (scroll(m_vertical, true, m_vertical.currentPosition - m_vertical.visiblePortion + 1)) redisplayDocument(true);
}

void CBDraftScrollView::scrollToBeginningOfDocument() {
  if (scroll(m_vertical, true, 0)) redisplayDocument(true);
}

void CBDraftScrollView::scrollToEndOfDocument() {
  if (scroll(m_vertical, true, m_vertical.maxPosition - m_vertical.visiblePortion)) redisplayDocument(true);
}

void CBDraftScrollView::redisplayDocument(bool vertical) {
  if (!m_documentView) return;
  m_documentView->update();
  NotificationCenter::defaultCenter().post(vertical ? g_verticalScrollNotification : g_horizontalScrollNotification,
                                           static_cast<QObject*>(m_documentView.data()));
}

void CBDraftScrollView::wheelEvent(QWheelEvent* event) {
  // Points of travel: the precise delta when the device gives one, else 16
  // points a wheel step.
  const QPointF delta = !event->pixelDelta().isNull() ? QPointF(event->pixelDelta())
                                                       : QPointF(event->angleDelta()) / 120.0 * 16.0;
  if (delta.x() != 0) autoScroll(delta.x() < 0 ? 2 : 1, false);
  if (delta.y() != 0 && m_document) {
    const int32_t lines = m_document->lineCountForDelta(float(3.0 * delta.y()), m_documentView);
    for (int32_t i = 0; i < lines; ++i) autoScroll(delta.y() >= 0 ? 3 : 0, true);
  }
  event->accept();
}

// ---- Layout and drawing ------------------------------------------------------------------

void CBDraftScrollView::layoutView() {
  const int width = scrollerWidth();
  const int top = m_drawLineAbove ? 1 : 0;
  const int textHeight = std::max(0, height() - top - (m_horizontal.scroller ? width : 0));
  const int textWidth = std::max(0, this->width() - width);
  if (m_vertical.scroller) m_vertical.scroller->setGeometry(textWidth, top, width, textHeight);
  if (m_horizontal.scroller) m_horizontal.scroller->setGeometry(0, height() - width, textWidth, width);
  if (m_documentView) m_documentView->setGeometry(0, top, textWidth, textHeight);
  update();
  redisplayDocument(true);
  if (m_horizontal.scroller) redisplayDocument(false);
}

QRect CBDraftScrollView::cornerRect() const {
  if (!m_horizontal.scroller || !m_vertical.scroller) return {};
  const int width = scrollerWidth();
  return QRect(this->width() - width, height() - width, width, width);
}

void CBDraftScrollView::redrawCornerRect() {
  const QRect corner = cornerRect();
  if (!corner.isEmpty()) update(corner);
}

void CBDraftScrollView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutView();
}

void CBDraftScrollView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  GraphicsContextScope scope(&painter);
  painter.fillRect(event->rect(), DraftScrollBackgroundColor());
  const QRect corner = cornerRect();
  if (!corner.isEmpty()) {
    const bool enabled = (m_vertical.scroller && m_vertical.scroller->isEnabled()) ||
                         (m_horizontal.scroller && m_horizontal.scroller->isEnabled());
    DrawScrollViewCorner(false, enabled, QRectF(corner));
  }
  if (m_drawLineAbove) {
    painter.setPen(QPen(GrayColor(g_darkMode ? 5 : 3), 1.0));
    painter.drawLine(QPointF(0, 0.5), QPointF(width(), 0.5));
  }
}
