// The canvas's mouse tracking: one small state machine (trackType) chosen at
// the mouse-down and fed by every drag and the mouse-up; the move, rubber
// band, rotation, tool and drag-out gestures; the hit test; building
// polygons click by click; and nudging the selection by the keyboard.
// Resizing by grab dots is in DRDrawViewResize.cpp.

#include <QApplication>
#include <QCoreApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/GeometryHelpers.h"
#include "model/GraphicHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/CSImage.h"
#include "support/GraphicsHelpers.h"
#include "support/TextDrawing.h"
#include "support/widgets/DragItem.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/EditorEvents.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"
#include "ui/editor/SelectionRequests.h"

namespace {

// Undo actions and descriptors of the gestures.
constexpr int kUndoActionChange = 1;
constexpr int kUndoActionAdd = 2;
constexpr int kDescriptorAddObject = 2;
constexpr int kDescriptorFillColor = 40;
constexpr int kDescriptorLineColor = 42;
constexpr int kDescriptorMove = 45;
constexpr int kDescriptorRotate = 55;

// A move or a rubber band starts only beyond this distance from the press.
constexpr float kDeadZone = 3.0f;
// The farthest an align drag reaches for an edge (32 points).
constexpr MeasureUnit kSnapDistance = 406400;
// The cursor rectangles are refreshed this long after a tool drag.
constexpr int kCursorRefreshMs = 100;

// The pasteboard types a drag image is made from, the first present wins.
const char* const kTiffType = "image/tiff";
const char* const kPdfType = "application/pdf";

int g_holdInterval = DRDrawView::kHoldIntervalMs;

// Inside in the platform's sense: the far edges are outside.
bool PointInRect(const QPointF& point, const QRectF& rect) {
  return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() && point.y() < rect.bottom();
}

// |a - b| without overflow for any two measures.
uint64_t AbsDiff(MeasureUnit a, MeasureUnit b) {
  return a > b ? uint64_t(a) - uint64_t(b) : uint64_t(b) - uint64_t(a);
}

double MeasureDistance(CSPoint a, CSPoint b) {
  return std::hypot(double(a.x) - double(b.x), double(a.y) - double(b.y));
}

CSPoint FrameOrigin(const DRElement* element) {
  const CSRect frame = element->frame();
  return CSPoint{frame.x, frame.y};
}

bool IsScribbleKind(int32_t type) {
  return type == kElementScribble || type == kElementPolygon || type == kElementBentLine;
}

}  // namespace

// ---- Settings -------------------------------------------------------------------------

int DRDrawView::holdInterval() {
  return g_holdInterval;
}

void DRDrawView::setHoldInterval(int milliseconds) {
  g_holdInterval = milliseconds < 0 ? kHoldIntervalMs : milliseconds;
}

bool DRDrawView::isLocked() const {
  return m_drawing && m_drawing->isLocked();
}

QPointF DRDrawView::mouseLocation(const QMouseEvent* event) const {
  const QPointF pixels = event->position();
  const QPointF point(pixels.x() / m_zoomValue, pixels.y() / m_zoomValue);
  if (m_reshapeElement) return point;
  return QPointF(std::floor(float(point.x())), std::floor(float(point.y())));
}

// ---- Qt's entry points -------------------------------------------------------------------

void DRDrawView::mousePressEvent(QMouseEvent* event) {
  mouseDown(event);
}

void DRDrawView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The canvas counts clicks itself: Qt's double-click stands in for the
  // second press and is counted once, as a press.
  mouseDown(event);
}

void DRDrawView::mouseMoveEvent(QMouseEvent* event) {
  if (m_mouseButton != Qt::NoButton && (event->buttons() & m_mouseButton))
    mouseDragged(event);
  else
    mouseMoved(event);
}

void DRDrawView::mouseReleaseEvent(QMouseEvent* event) {
  if (m_mouseButton == Qt::NoButton || event->button() != m_mouseButton) return;
  mouseUp(event);
}

// ---- The state machine ---------------------------------------------------------------------

void DRDrawView::mouseDown(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  if (m_shutDown || (button != Qt::LeftButton && button != Qt::RightButton)) {
    event->ignore();
    return;
  }
  event->accept();
  if (m_mouseButton != Qt::NoButton) {
    // Another button during a gesture changes nothing.
    if (event->buttons() & m_mouseButton) return;
    // The release of the last gesture never came (a drag session took it).
    mouseUp(nullptr);
  }
  m_mouseButton = button;

  // On the screen: a zoom between two clicks moves the canvas under them.
  const QPointF position = event->globalPosition();
  const ulong time = event->timestamp();
  const QStyleHints* hints = QGuiApplication::styleHints();
  const bool again = m_clickCount > 0 && button == m_lastPressButton && time >= m_lastPressTime &&
                     time - m_lastPressTime <= ulong(hints->mouseDoubleClickInterval()) &&
                     (position - m_lastPressPosition).manhattanLength() <= hints->mouseDoubleClickDistance();
  m_clickCount = again ? m_clickCount + 1 : 1;
  m_lastPressTime = time;
  m_lastPressPosition = position;
  m_lastPressButton = button;

  const uint32_t modifiers = ModifierFlagsForEvent(event);
  if (!hasFocus() && !(m_clickCount > 1 && m_typingView)) setFocus(Qt::MouseFocusReason);

  const QPointF point = mouseLocation(event);
  m_anchorPoint = point;
  m_timerPopCount = 0;
  m_commandClick = (modifiers & kCommandKeyMask) != 0;

  if (DRElementScribble* shape = m_reshapeElement) {
    m_trackType = kTrackReshape;
    shape->startReshapeDrag(point, modifiers, this);
    if (!m_cursorHidden) {
      m_cursorHidden = true;
      setCursor(Qt::BlankCursor);
    }
    return;
  }

  if (m_currentTool == kToolSelect) {
    DRElement* element = elementUnderPoint(point, false);
    if (!element) {
      m_trackType = kTrackRubberBand;
      startSelectionDrag(point, modifiers);
    } else if (m_grabDot == kGrabDotBody) {
      mouseDownOnElement(event, element, modifiers);
    } else {
      if (m_drawing) m_drawing->setDupOffsetValid(false);
      if (m_selection.size() != 1 || m_selection.front() != element) {
        unselectAll(false);
        addToSelection(element);
        invalidateElement(element);
        selectionDidChange();
      }
      m_trackType = kTrackResize;
      m_dragElement = element;
      startResizeDrag(point, modifiers);
    }
    return;
  }

  if (m_clickCount == 1) {
    if (m_currentTool == kToolText && !isLocked()) {
      DRElement* element = elementUnderPoint(point, true);
      if (element && element->elementType() == kElementText) {
        startTyping(dynamic_cast<DRElementText*>(element), event);
        return;
      }
    }
    m_trackType = kTrackTool;
    startToolDrag(point, modifiers);
    return;
  }
  if (m_clickCount == 2) {
    if (m_typingView) {
      forwardToTypingView(event);
      return;
    }
    stopPolygon((modifiers & kOptionKeyMask) != 0);
  }
  stopHoldTimer();
  // Each further click of the zoom tool zooms one more step.
  if (m_currentTool == kToolZoom) {
    m_trackType = kTrackTool;
    startToolDrag(point, modifiers);
  }
}

void DRDrawView::mouseDragged(QMouseEvent* event) {
  if (m_shutDown || !event) return;
  if (QScrollArea* area = scrollArea()) {
    const QPointF pixels = event->position();
    // Scrolls only when the pointer is outside the visible part.
    if (!QRectF(visibleRect().topLeft() * m_zoomValue, visibleRect().size() * m_zoomValue).contains(pixels))
      area->ensureVisible(int(std::floor(pixels.x())), int(std::floor(pixels.y())), 0, 0);
  }
  m_timerPopCount = 0;
  const QPointF point = mouseLocation(event);
  switch (m_trackType) {
    case kTrackTool:
      continueToolDrag(point);
      break;
    case kTrackDragOut:
      continueExternalDrag();
      break;
    case kTrackMove:
      continueMoveDrag(point);
      break;
    case kTrackReshape:
      if (m_reshapeElement) {
        m_reshapeElement->continueReshapeDrag(point, this);
        if (EditorPrefs().showDragLines()) setNeedsDisplay();
      }
      break;
    case kTrackResize:
      continueResizeDrag(point);
      break;
    case kTrackRotate:
      continueRotateDrag(point);
      break;
    case kTrackRubberBand:
      continueSelectionDrag(point);
      break;
    case kTrackNone:
      break;
  }
}

void DRDrawView::mouseUp(QMouseEvent* event) {
  (void)event;
  switch (m_trackType) {
    case kTrackTool:
      finishToolDrag();
      break;
    case kTrackDragOut:
      finishExternalDrag();
      break;
    case kTrackMove:
      finishMoveDrag();
      break;
    case kTrackReshape:
      if (m_reshapeElement) {
        m_reshapeElement->finishReshapeDrag();
        if (EditorPrefs().showDragLines()) setNeedsDisplay();
      }
      break;
    case kTrackResize:
      finishResizeDrag();
      break;
    case kTrackRotate:
      finishRotateDrag();
      break;
    case kTrackRubberBand:
      finishSelectionDrag();
      break;
    case kTrackNone:
      break;
  }
  finishMouseSequence();
  if (m_cursorHidden) {
    m_cursorHidden = false;
    resetCursorRects();
  }
  m_mouseButton = Qt::NoButton;
  // Every element drops the hit-test bitmap it made for this gesture.
  NotificationCenter::defaultCenter().post(g_doneSelectingNotification, nullptr);
}

void DRDrawView::finishMouseSequence() {
  if (m_suppressCasings) {
    m_suppressCasings = false;
    setNeedsDisplay();
  }
  m_trackType = kTrackNone;
  m_dragElement = nullptr;
  m_dragLinePoint = QPointF(-1, -1);
  m_containsLine = false;
  if (!m_creatingPolygon) stopScrollTimer();
}

void DRDrawView::mouseMoved(QMouseEvent* event) {
  if (!m_creatingPolygon || !event) return;
  const QPointF pixels = event->position();
  const QPointF point(pixels.x() / m_zoomValue, pixels.y() / m_zoomValue);
  if (point == m_currentPolygonPoint) return;
  invalidatePolygonExtension();
  m_currentPolygonPoint = point;
  m_polygonExtension = RectFromPoints(point, m_previousPoint).adjusted(-1, -1, 1, 1);
  invalidatePolygonExtension();
  setDrawingFrame();
  const auto* shape = dynamic_cast<const DRElementScribble*>(m_newElement.get());
  const bool closes = shape && !shape->points().empty() &&
                      MeasureDistance(ConvertViewPoint(point.x(), point.y()), shape->points().front()) <
                          double(DRSettings::sharedInstance().polygonTolerance());
  setCursor(closes && g_closeScribbleCursor ? *g_closeScribbleCursor : QCursor(Qt::CrossCursor));
}

void DRDrawView::forwardToTypingView(QMouseEvent* event) {
  if (!m_typingView || !event) return;
  const QPointF local = m_typingView->mapFromGlobal(event->globalPosition());
  QMouseEvent forwarded(event->type(), local, local, event->globalPosition(), event->button(), event->buttons(),
                        event->modifiers(), event->pointingDevice());
  forwarded.setTimestamp(event->timestamp());
  QCoreApplication::sendEvent(m_typingView, &forwarded);
}

// ---- Hit testing and presses on elements ----------------------------------------------------

DRElement* DRDrawView::elementUnderPoint(QPointF point, bool forClick) {
  m_grabDot = kGrabDotBody;
  if (!m_drawing) return nullptr;
  if (!isLocked()) {
    const double dotZoom = ModelServices().zoomForGrabDots(m_zoomValue);
    for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
      DRElement* element = *it;
      if (!element || element->rotation() != 0 || element == m_typingElement) continue;
      std::array<QRectF, 8> dots;
      const int count = std::clamp(element->getGrabDotRects(dots, ConvertMeasureRect(element->frame())), 0, 8);
      for (int i = 0; i < count; ++i) {
        if (!element->isGrabDotActive(i)) continue;
        QRectF dot = dots[size_t(i)];
        if (dotZoom != 1.0) dot = QRectF(ZoomRect(dot, dotZoom).toAlignedRect()).adjusted(-1, -1, 1, 1);
        if (PointInRect(point, dot)) {
          m_grabDot = count == 2 ? kGrabDotLineStart + i : i;
          return element;
        }
      }
    }
  }
  m_grabDot = kGrabDotBody;
  // Front to back over the elements whose area may hold the point.
  const DRElementList& elements = m_drawing->elements();
  std::vector<uint32_t> positions;
  m_drawing->elementIndex().elementsAtPoint(point, &positions);
  for (const uint32_t position : positions) {
    DRElement* element = elements[position].get();
    if (element && element->isPointInElement(point, this, forClick)) return element;
  }
  return nullptr;
}

void DRDrawView::mouseDownOnElement(QMouseEvent* event, DRElement* element, uint32_t modifiers) {
  const bool locked = isLocked();
  const bool rotation = !locked && element->elementType() != kElementLine && (modifiers & kControlKeyMask);
  if (!isElementSelected(element)) {
    if (rotation || !m_commandClick)
      unselectAll(false);
    else if (m_drawing)
      m_drawing->setDupOffsetValid(false);
    addToSelection(element);
    invalidateElement(element);
    selectionDidChange();
  } else if (rotation) {
    if (m_selection.size() > 1) {
      const std::vector<DRElement*> others = m_selection;
      for (DRElement* other : others) {
        if (other != element) invalidateElement(other);
      }
      m_selection = {element};
      selectionDidChange();
    }
  } else if (m_commandClick) {
    removeFromSelection(element);
    invalidateElement(element);
    selectionDidChange();
    if (m_drawing) m_drawing->setDupOffsetValid(false);
    return;
  }

  m_suppressCasings = true;
  setNeedsDisplay();
  m_dragElement = element;
  if (rotation) {
    m_trackType = kTrackRotate;
    startRotateDrag(m_anchorPoint, modifiers);
    return;
  }
  m_dragEvent.reset(static_cast<QMouseEvent*>(event->clone()));

  if (m_clickCount != 1) {
    if (m_selection.size() != 1 || m_selection.front() != element) return;
    const int32_t type = element->elementType();
    if (IsScribbleKind(type)) {
      reshapePolygon(true, false);
    } else if (type == kElementBitmap) {
      if (m_windowController) m_windowController->editPaintings();
    } else if (type == kElementText && !locked) {
      auto* text = dynamic_cast<DRElementText*>(element);
      startTyping(text, event);
      if (m_typingView && text && text->rotation() == 0) {
        // The press places the insertion point.
        forwardToTypingView(event);
        finishMouseSequence();
      }
    }
    m_dragElement = nullptr;
    return;
  }

  m_trackType = kTrackMove;
  if (!locked)
    startMoveDrag(m_anchorPoint, modifiers);
  else
    m_dragElement = nullptr;
}

void DRDrawView::setContainsLine() {
  m_containsLine = false;
  if (!m_drawing) return;
  for (const auto& element : m_drawing->elements()) {
    if (element && element->elementType() == kElementLine && element.get() != m_newElement.get() &&
        !isElementSelected(element.get())) {
      m_containsLine = true;
      return;
    }
  }
}

// ---- Move ------------------------------------------------------------------------------------

void DRDrawView::startMoveDrag(QPointF point, uint32_t modifiers) {
  if ((modifiers & kShiftKeyMask) && (modifiers & kOptionKeyMask)) {
    // Shift with Option snaps to similar elements instead.
    m_alignDrag = true;
    modifiers = 0;
  } else {
    m_alignDrag = false;
    if (modifiers & kOptionKeyMask) {
      const auto found = std::find(m_selection.begin(), m_selection.end(), m_dragElement);
      const size_t index = size_t(found - m_selection.begin());
      if (auto* target = dynamic_cast<DRActionTarget*>(m_viewController.data())) {
        if (target->respondsToSelector(QStringLiteral("duplicate:")))
          target->performAction(QStringLiteral("duplicate:"), this);
      }
      if (index >= m_selection.size()) {
        m_dragElement = nullptr;
        return;
      }
      m_dragElement = m_selection[index];
    }
  }
  if (!m_dragElement) return;

  m_dragOffset = point - ConvertMeasurePoint(FrameOrigin(m_dragElement));
  m_haveDragged = false;
  m_containsLine = false;
  m_constrainedDrag = (modifiers & kShiftKeyMask) != 0;
  m_trackUndoID = m_viewController ? m_viewController->newUndoID() : kNoUndoID;

  MeasureUnit minX = std::numeric_limits<MeasureUnit>::max() - 1;
  MeasureUnit minY = minX;
  const DRElement* reference = nullptr;
  for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
    const DRElement* element = *it;
    if (!element) continue;
    if (!reference)
      reference = element;
    else if (m_alignDrag && !element->isSimilarTo(*reference))
      m_alignDrag = false;
    minX = std::min(minX, element->frame().x);
    minY = std::min(minY, element->frame().y);
  }
  const CSPoint origin = FrameOrigin(m_dragElement);
  m_dragLimit = CSPoint{origin.x - minX, origin.y - minY};

  if (!m_dragStartTimer) {
    m_dragStartTimer = new QTimer(this);
    m_dragStartTimer->setSingleShot(true);
    connect(m_dragStartTimer, &QTimer::timeout, this, &DRDrawView::startExternalDrag);
  }
  m_dragStartTimer->stop();
  m_dragStartTimer->setInterval(g_holdInterval);
  m_dragStartTimer->start();
}

void DRDrawView::stopHoldTimer() {
  if (m_dragStartTimer) m_dragStartTimer->stop();
}

void DRDrawView::continueMoveDrag(QPointF point) {
  stopHoldTimer();
  if (!m_dragElement) return;
  if (!m_haveDragged) {
    const float dx = float(point.x() - m_anchorPoint.x()), dy = float(point.y() - m_anchorPoint.y());
    if (std::hypot(dx, dy) <= kDeadZone) return;
    m_haveDragged = true;
    // The axis is chosen once, at the first movement.
    if (m_constrainedDrag) m_constrainX = std::fabs(dy) > std::fabs(dx);
  }
  ensureScrollTimer();

  const QPointF wanted = point - m_dragOffset;
  CSPoint target = ConvertViewPoint(wanted.x(), wanted.y());
  target.x = std::max(target.x, m_dragLimit.x);
  target.y = std::max(target.y, m_dragLimit.y);
  const CSPoint origin = FrameOrigin(m_dragElement);
  CSPoint step{target.x - origin.x, target.y - origin.y};
  if (m_constrainedDrag) {
    if (m_constrainX)
      step.x = 0;
    else
      step.y = 0;
  }
  if ((step.x == 0 && step.y == 0) || !openUndoEntry(m_trackUndoID, kUndoActionChange, kDescriptorMove)) return;

  CSPoint applied;
  for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
    DRElement* element = *it;
    if (!element) continue;
    invalidateElement(element);
    CSRect frame = element->frame();
    const CSPoint before{frame.x, frame.y};
    frame.x = RoundMeasure(frame.x + step.x, kMeasurePerPoint);
    frame.y = RoundMeasure(frame.y + step.y, kMeasurePerPoint);
    element->setFrame(frame);
    invalidateElement(element);
    applied = CSPoint{frame.x - before.x, frame.y - before.y};
  }

  CSPoint snap;
  int32_t horizontal = 0, vertical = 0;
  if (m_alignDrag && position(&snap, &horizontal, &vertical)) {
    for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
      DRElement* element = *it;
      if (!element) continue;
      invalidateElement(element);
      CSRect frame = element->frame();
      const CSPoint before{frame.x, frame.y};
      if (horizontal == 2)
        frame.x = snap.x;
      else if (horizontal == 3)
        frame.x = std::max<MeasureUnit>(0, snap.x - frame.width);
      if (vertical == 4)
        frame.y = snap.y;
      else if (vertical == 1)
        frame.y = std::max<MeasureUnit>(0, snap.y - frame.height);
      element->setFrame(frame);
      invalidateElement(element);
      if (it + 1 == m_selection.rend()) {
        applied.x += frame.x - before.x;
        applied.y += frame.y - before.y;
      }
    }
  }

  // The next Duplicate repeats the whole move.
  if (m_drawing && m_drawing->isDupOffsetValid()) {
    const CSPoint offset = m_drawing->duplicationOffset();
    m_drawing->setDuplicationOffset(CSPoint{offset.x + applied.x, offset.y + applied.y});
  }
  updateStatusString();
  setDrawingFrame();
  updatePropertiesDelay(true);
}

void DRDrawView::finishMoveDrag() {
  stopHoldTimer();
  m_dragEvent.reset();
  if (!m_dragElement) return;
  setNeedsDisplay();
  if (!m_haveDragged && !m_commandClick) {
    // A click on one element of a selection selects it alone.
    const std::vector<DRElement*> others = m_selection;
    for (DRElement* other : others) {
      if (other != m_dragElement) invalidateElement(other);
    }
    m_selection = {m_dragElement};
    selectionDidChange();
  }
}

bool DRDrawView::position(CSPoint* target, int32_t* horizontalCode, int32_t* verticalCode) const {
  constexpr MeasureUnit kNone = std::numeric_limits<MeasureUnit>::max();
  *target = CSPoint{kNone, kNone};
  *horizontalCode = 0;
  *verticalCode = 0;
  if (!m_drawing || m_selection.empty() || !m_selection.front()) return false;
  const DRElement* first = m_selection.front();
  const CSRect f = first->frame();
  uint64_t bestX = uint64_t(kNone - 1), bestY = uint64_t(kNone - 1);
  const DRElementList& elements = m_drawing->elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const DRElement* element = it->get();
    if (!element || isElementSelected(element) || !first->isSimilarTo(*element)) continue;
    const CSRect e = element->frame();
    const uint64_t limitX = uint64_t(std::clamp<MeasureUnit>(e.width, 0, kSnapDistance));
    const uint64_t limitY = uint64_t(std::clamp<MeasureUnit>(e.height, 0, kSnapDistance));
    auto consider = [](uint64_t d, uint64_t limit, uint64_t* best, MeasureUnit edge, int32_t code, MeasureUnit* at,
                       int32_t* codeOut) {
      if (d < *best && d <= limit) {
        *at = edge;
        *codeOut = code;
        *best = d;
      }
    };
    consider(AbsDiff(f.x, e.x), limitX, &bestX, e.x, 2, &target->x, horizontalCode);
    consider(AbsDiff(f.x + f.width, e.x + e.width), limitX, &bestX, e.x + e.width, 3, &target->x, horizontalCode);
    consider(AbsDiff(f.y, e.y), limitY, &bestY, e.y, 4, &target->y, verticalCode);
    consider(AbsDiff(f.y + f.height, e.y + e.height), limitY, &bestY, e.y + e.height, 1, &target->y, verticalCode);
  }
  return target->x != kNone || target->y != kNone;
}

// ---- Drag out to other applications ------------------------------------------------------------

void DRDrawView::startExternalDrag() {
  stopHoldTimer();
  // Without the clipboard code nothing could be written to the drag.
  if (!m_selection.empty() && m_trackType == kTrackMove && ClipboardServices().canTransferElements())
    m_trackType = kTrackDragOut;
}

void DRDrawView::continueExternalDrag() {
  if (!m_dragEvent) return;
  std::unique_ptr<QMimeData> pasteboard = ClipboardServices().dragPasteboard();
  if (!pasteboard) {
    m_trackType = kTrackMove;
    return;
  }
  ClipboardServices().CopyElements(this, pasteboard.get());
  QByteArray data = pasteboard->data(QString::fromLatin1(kTiffType));
  if (data.isEmpty()) data = pasteboard->data(QString::fromLatin1(kPdfType));
  CSImage image = data.isEmpty() ? CSImage() : CSImage::initWithData(data);
  const QSizeF size = image.isNull() ? QSizeF() : image.size();
  if (image.isNull() || size.isEmpty() || !ReplaceImageWithDragImage(&image)) {
    // No picture to drag: the gesture goes on as a move.
    m_trackType = kTrackMove;
    return;
  }

  const QRectF bounds = ConvertMeasureRect(selectionExtent(true, false));
  const QPointF origin(std::floor(bounds.center().x() - size.width() / 2),
                       std::floor(bounds.center().y() - size.height() / 2));
  const QRectF pixelFrame(origin * m_zoomValue, size * m_zoomValue);
  setNeedsDisplay();
  m_dragPasteboard = pasteboard.get();
  CSDragItem item = CreateDragItem(this, std::move(pasteboard), image, pixelFrame, m_zoomValue);
  QPointF hotSpot = m_dragEvent->position() - pixelFrame.topLeft();
  if (!item.image.isNull() && pixelFrame.width() > 0 && pixelFrame.height() > 0)
    hotSpot = QPointF(hotSpot.x() * item.image.width() / pixelFrame.width(),
                      hotSpot.y() * item.image.height() / pixelFrame.height());
  QDrag* drag = item.createDrag(this, hotSpot.toPoint());
  const QPointer<QDrag> guard(drag);
  runDragSession(drag);
  if (guard) guard->deleteLater();
  m_dragPasteboard = nullptr;
  finishExternalDrag();
  finishMouseSequence();
}

void DRDrawView::runDragSession(QDrag* drag) {
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void DRDrawView::finishExternalDrag() {
  m_dragEvent.reset();
}

// ---- Rubber band ------------------------------------------------------------------------------

void DRDrawView::startSelectionDrag(QPointF point, uint32_t modifiers) {
  (void)point;
  m_haveDragged = false;
  normalize(true);
  if (!(modifiers & kCommandKeyMask)) {
    m_extendSelection = false;
    unselectAll(true);
  } else {
    m_extendSelection = true;
    if (m_drawing) {
      for (const auto& element : m_drawing->elements()) {
        if (element) element->setPreviouslySelected(isElementSelected(element.get()));
      }
    }
  }
}

void DRDrawView::continueSelectionDrag(QPointF point) {
  if (!m_haveDragged) {
    const float dx = float(point.x() - m_anchorPoint.x()), dy = float(point.y() - m_anchorPoint.y());
    if (std::hypot(dx, dy) <= kDeadZone) return;
    m_haveDragged = true;
  }
  ensureScrollTimer();
  const QRectF band = RectFromPoints(point, m_anchorPoint);
  if (band == m_highlightRect) return;
  if (m_drawing) {
    const DRElementList& elements = m_drawing->elements();
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
      DRElement* element = it->get();
      if (!element) continue;
      bool wanted = element->intersectsWithRect(band, this);
      if (m_extendSelection && element->wasPreviouslySelected()) wanted = !wanted;
      if (wanted == isElementSelected(element)) continue;
      if (wanted)
        addToSelection(element);
      else
        removeFromSelection(element);
      invalidateElement(element);
    }
  }
  invalidateRect(m_highlightRect.adjusted(-2, -2, 2, 2));
  m_highlightRect = band;
  invalidateRect(m_highlightRect.adjusted(-2, -2, 2, 2));
}

void DRDrawView::finishSelectionDrag() {
  invalidateRect(m_highlightRect.adjusted(-2, -2, 2, 2));
  m_highlightRect = QRectF();
  selectionDidChange();
}

// ---- Tool drags --------------------------------------------------------------------------------

void DRDrawView::startToolDrag(QPointF point, uint32_t modifiers) {
  switch (m_currentTool) {
    case kToolEyedropper: {
      unselectAll(true);
      if (!(modifiers & kCommandKeyMask)) {
        PickupColor(m_drawing, (modifiers & kOptionKeyMask) != 0, (modifiers & kControlKeyMask) != 0, point);
        return;
      }
      // Command applies the current colours to the element instead.
      DRElement* element = elementUnderPoint(point, true);
      if (!element) {
        QApplication::beep();
        return;
      }
      m_selection = {element};
      DRSettings& settings = DRSettings::sharedInstance();
      QObject* window = notificationWindow();
      const int32_t type = element->elementType();
      const bool lineRule = type == kElementBentLine || type == kElementLine || type == kElementText ||
                            ((modifiers & kOptionKeyMask) && element->canDrawLines());
      if (lineRule) {
        if (openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionChange, kDescriptorLineColor)) {
          const Kolor kolor = settings.lineInfo().kolor();
          ChangeSelectionColor(window, QStringLiteral("textInfo.textKolor"), QString(), kSwatchTextColor, kolor);
          ChangeSelectionColor(window, QStringLiteral("lineInfo.kolor"), QString(), kSwatchLine, kolor);
        }
      } else if (element->answersFillKolor() &&
                 openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionChange, kDescriptorFillColor)) {
        ChangeSelectionObject(window, QStringLiteral("gradient"), QString(), QVariant());
        ChangeSelectionColor(window, QStringLiteral("fillKolor"), QString(), kSwatchFill, settings.fillKolor());
      } else {
        m_selection.clear();
        QApplication::beep();
      }
      selectionDidChange();
      return;
    }
    case kToolZoom:
      zoomOnPoint(point, (modifiers & kOptionKeyMask) != 0);
      return;
    case kToolText:
    case kToolLine:
    case kToolCurvedLine:
    case kToolRectangle:
    case kToolRoundRect:
    case kToolEllipse:
    case kToolArc:
    case kToolRegularPoly:
    case kToolScribble:
      if (isLocked()) {
        m_trackType = kTrackNone;
        return;
      }
      m_creatingPolygon = false;
      startNewElement(point, modifiers);
      setContainsLine();
      return;
    case kToolPolygon:
      if (isLocked()) {
        m_trackType = kTrackNone;
        return;
      }
      if (!m_creatingPolygon) {
        m_polygonExtension = QRectF();
        m_currentPolygonPoint = point;
        m_previousPoint = point;
        m_creatingPolygon = true;
        ensureScrollTimer();
        startNewElement(point, modifiers);
        if (!m_newElement) {
          // The entry was refused: there is no polygon to build.
          m_creatingPolygon = false;
          stopScrollTimer();
        }
        setContainsLine();
      } else {
        if (addPointToPolygon(point)) {
          if (const auto* shape = dynamic_cast<const DRElementScribble*>(m_newElement.get()))
            updateNewElementFrame(true, shape->polygonRect());
        }
        invalidatePolygonExtension();
        m_polygonExtension = QRectF();
        m_currentPolygonPoint = point;
        m_previousPoint = point;
      }
      return;
    default:
      m_trackType = kTrackNone;
      return;
  }
}

void DRDrawView::startNewElement(QPointF point, uint32_t modifiers) {
  if (m_reshapeElement || m_typingView)
    normalize(true);
  else if (m_drawing)
    m_drawing->setDupOffsetValid(false);
  unselectAll(true);
  if (!openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionAdd, kDescriptorAddObject)) return;
  m_newElement = DRElement::elementWithTool(m_currentTool);
  m_newElementResumed = false;
  m_newTextWidth = 0;
  if (!m_newElement) {
    if (m_viewController) m_viewController->undoManager().popUndo();
    return;
  }
  DRElement* element = m_newElement.get();
  // Option reverses the tool setting for this one element.
  if (modifiers & kOptionKeyMask) element->setConstrained(!element->isConstrained());
  const CSPoint start = ConvertViewPoint(point.x(), point.y());
  const int32_t type = element->elementType();
  if (type == kElementPolygon || type == kElementScribble) {
    if (auto* shape = dynamic_cast<DRElementScribble*>(element)) shape->points().push_back(start);
  } else if (auto* text = dynamic_cast<DRElementText*>(element)) {
    text->setBrandNew(true);
    m_textHeight = LineHeightForFont(DRSettings::sharedInstance().textInfo().fontValue());
  } else if (auto* line = dynamic_cast<DRElementLine*>(element)) {
    line->setStartPoint(start);
    line->setEndPoint(start);
  }
}

void DRDrawView::continueToolDrag(QPointF point) {
  DRElement* element = m_newElement.get();
  if (!element || element->elementType() == kElementPolygon) return;
  point.setX(std::max(point.x(), 0.0));
  bool constrained = false;
  if (element->elementType() == kElementText) {
    // The box is one line high.
    point.setY(m_anchorPoint.y() + m_textHeight);
    ensureScrollTimer();
  } else {
    point.setY(std::max(point.y(), 0.0));
    constrained = element->isConstrained();
    ensureScrollTimer();
    if (auto* bent = dynamic_cast<DRElementBentLine*>(element)) {
      const CSRect rect = newRectForPoint(point, constrained);
      const CSRect frame = bent->setNewPointsForRect(rect, ConvertViewPoint(m_anchorPoint.x(), m_anchorPoint.y()));
      updateNewElementFrame(true, frame);
      return;
    }
    if (auto* scribble = dynamic_cast<DRElementScribble*>(element)) {
      const QPointF vertex = IntegralPoint(point, float(m_zoomValue));
      if (!addPointToPolygon(vertex)) return;
      m_dragLinePoint = vertex;
      updateNewElementFrame(true, scribble->polygonRect());
      return;
    }
    if (auto* line = dynamic_cast<DRElementLine*>(element)) {
      const QPointF end = constrained ? ConstrainLine(point, m_anchorPoint, QRectF(), float(m_zoomValue)) : point;
      const CSPoint endPoint = ConvertViewPoint(end.x(), end.y());
      if (endPoint == line->endPoint()) return;
      invalidateElement(line);
      line->setEndPoint(endPoint);
      m_dragLinePoint = ConvertMeasurePoint(endPoint);
      updateNewElementFrame(true, RectFromPointsMU(line->startPoint(), endPoint));
      return;
    }
  }

  CSRect frame;
  if (!DRSettings::sharedInstance().drawFromCenter()) {
    frame = newRectForPoint(point, constrained);
  } else {
    // The press is the centre.
    if (constrained) {
      const float d =
          std::max(std::fabs(float(point.x() - m_anchorPoint.x())), std::fabs(float(point.y() - m_anchorPoint.y())));
      point = m_anchorPoint + QPointF(d, d);
    }
    m_dragLinePoint = point;
    const double dx = std::fabs(point.x() - m_anchorPoint.x()), dy = std::fabs(point.y() - m_anchorPoint.y());
    frame = ConvertViewRect(integralRect(QRectF(m_anchorPoint.x() - dx, m_anchorPoint.y() - dy, 2 * dx, 2 * dy)));
  }
  updateNewElementFrame(false, frame);
}

void DRDrawView::finishToolDrag() {
  if (DRElement* element = m_newElement.get(); element && element->elementType() != kElementPolygon) {
    invalidateElement(element);
    installNewElement();
  }
  QTimer::singleShot(kCursorRefreshMs, this, [this] { resetCursorRects(); });
  if (!m_creatingPolygon && !m_typingView && EditorPrefs().resetTool()) forceSelectTool();
}

void DRDrawView::updateNewElementFrame(bool force, CSRect frame) {
  DRElement* element = m_newElement.get();
  if (!element) return;
  if (element->elementType() == kElementText) {
    frame.height = MeasureFromDouble(m_textHeight * double(kMeasurePerPoint));
    m_newTextWidth = frame.width;
  }
  if (!force && frame == element->frame()) return;
  invalidateElement(element);
  element->setFrame(frame);
  invalidateElement(element);
  setDrawingFrame();
  if (!m_windowController) return;
  if (const auto* line = dynamic_cast<const DRElementLine*>(element))
    m_windowController->setLineStatusFrom(line->startPoint(), line->endPoint());
  else
    m_windowController->setPositionStatusX(frame.x, frame.y, frame.width, frame.height);
}

CSRect DRDrawView::newRectForPoint(QPointF point, bool constrained) {
  if (constrained) {
    // A square on the larger offset, towards the pointer on each axis.
    const double dx = point.x() - m_anchorPoint.x(), dy = point.y() - m_anchorPoint.y();
    const double side = std::max(std::fabs(dx), std::fabs(dy));
    point = m_anchorPoint + QPointF(dx < 0 ? -side : side, dy < 0 ? -side : side);
  }
  m_dragLinePoint = point;
  return ConvertViewRect(integralRect(RectFromPoints(point, m_anchorPoint)));
}

bool DRDrawView::addPointToPolygon(QPointF point) {
  auto* shape = dynamic_cast<DRElementScribble*>(m_newElement.get());
  if (!shape) return false;
  const CSPoint vertex = ConvertViewPoint(point.x(), point.y());
  const double tolerance = double(DRSettings::sharedInstance().polygonTolerance());
  std::vector<CSPoint>& points = shape->points();
  if (!points.empty() && MeasureDistance(vertex, points.back()) < tolerance) return false;
  points.push_back(vertex);
  const bool closed = MeasureDistance(vertex, points.front()) < tolerance;
  shape->setClosed(closed);
  setCursor(closed && g_closeScribbleCursor ? *g_closeScribbleCursor : QCursor(Qt::CrossCursor));
  if (auto* polygon = dynamic_cast<DRElementPolygon*>(shape)) polygon->addControlPoint();
  return true;
}

// ---- Rotation -----------------------------------------------------------------------------------

void DRDrawView::startRotateDrag(QPointF point, uint32_t modifiers) {
  DRElement* element = m_dragElement;
  if (!element) return;
  m_containsLine = false;
  m_haveDragged = false;
  m_constrainedDrag = (modifiers & kShiftKeyMask) != 0;
  const int64_t degrees = element->rotation() / kMeasurePerPoint;
  m_effectiveAngle = uint32_t(((degrees % 360) + 360) % 360);
  element->setSuppressCasing(true);
  invalidateElement(element);
  m_trackUndoID = m_viewController ? m_viewController->newUndoID() : kNoUndoID;
  m_anchorPoint = ConvertMeasureRect(element->frame()).center();
  m_previousPoint = point;
}

void DRDrawView::continueRotateDrag(QPointF point) {
  DRElement* element = m_dragElement;
  if (!element || point == m_previousPoint) return;
  const QRectF frame = ConvertMeasureRect(element->frame());
  const double radius = std::hypot(frame.width(), frame.height()) / 2;
  const int delta = RotationForPoint(point, m_previousPoint, m_anchorPoint, radius);
  m_previousPoint = point;
  if (delta == 0 || !openUndoEntry(m_trackUndoID, kUndoActionChange, kDescriptorRotate)) return;
  m_effectiveAngle = uint32_t((int64_t(delta % 360) + 720 + int64_t(m_effectiveAngle)) % 360);
  int64_t angle = m_effectiveAngle;
  if (m_constrainedDrag) {
    // To the nearest multiple of 45: remainders up to 22 go down.
    const int64_t remainder = angle % 45;
    angle = (remainder <= 22 ? angle - remainder : angle - remainder + 45) % 360;
  }
  ChangeSelectionMeasure(notificationWindow(), QStringLiteral("rotation"), QString(), kSwatchNone,
                         angle * kMeasurePerPoint);
  updatePropertiesDelay(false);
}

void DRDrawView::finishRotateDrag() {
  if (!m_dragElement) return;
  m_dragElement->setSuppressCasing(false);
  invalidateElement(m_dragElement);
}

// ---- Nudging ---------------------------------------------------------------------------------------

bool DRDrawView::nudgeXBy(double dx, double dy) {
  if (m_selection.empty()) return false;
  const CSPoint step = ConvertViewPoint(dx, dy);
  MeasureUnit minX = std::numeric_limits<MeasureUnit>::max(), minY = minX;
  for (const DRElement* element : m_selection) {
    if (!element) continue;
    minX = std::min(minX, element->frame().x);
    minY = std::min(minY, element->frame().y);
  }
  // Never across the top or left edge: swallowed, so the key does not
  // scroll either.
  if (minX + step.x < 0 || minY + step.y < 0) return true;
  if (!m_viewController) return false;
  if (!m_viewController->isUndoIDCurrent(m_moveUndoID)) m_moveUndoID = m_viewController->newUndoID();
  if (!openUndoEntry(m_moveUndoID, kUndoActionChange, kDescriptorMove)) return false;
  if (m_drawing && m_drawing->isDupOffsetValid()) {
    const CSPoint offset = m_drawing->duplicationOffset();
    m_drawing->setDuplicationOffset(CSPoint{offset.x + step.x, offset.y + step.y});
  }
  for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
    DRElement* element = *it;
    if (!element) continue;
    invalidateElement(element);
    CSRect frame = element->frame();
    frame.x += step.x;
    frame.y += step.y;
    element->setFrame(frame);
    invalidateElement(element);
  }
  setDrawingFrame();
  updateStatusString();
  // Not selectionDidChange: that would end the run of nudges.
  NotificationCenter::defaultCenter().post(g_selectionChangeNotification, notificationWindow());
  return true;
}
