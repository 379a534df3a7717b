// The drawing controller's geometry commands (align, distribute, flip,
// rotate, the sheets, reset and reshape) and its view commands (zoom, page
// breaks, showing the selection).

#include <QVariantList>
#include <cmath>
#include <limits>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementScribble.h"
#include "platform/NotificationCenter.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"

namespace {

// A full turn in rotation units (degrees x 12,700).
constexpr int64_t g_rotate360 = 4572000;

// The alignment rows of each axis.
enum AlignRow : int {
  kAlignLeave = 0,
  kAlignStart = 1,  // same left or top edge
  kAlignEnd = 2,    // same right or bottom edge
  kAlignCentre = 3,
  kAlignAbut = 4,  // side by side from the reference's far edge
};

MeasureUnit Clamp(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

// The new position on one axis; `cursor` is the abutting edge, moved on by
// the element's extent.
MeasureUnit AlignedCoordinate(int row, MeasureUnit position, MeasureUnit extent, MeasureUnit refPosition,
                              MeasureUnit refExtent, MeasureUnit* cursor) {
  switch (row) {
    case kAlignStart:
      return refPosition;
    case kAlignEnd:
      return Clamp(__int128(refPosition) + refExtent - extent);
    case kAlignCentre:
      // Integer division truncates towards zero, for a narrower and a wider
      // element alike.
      return Clamp(__int128(refPosition) + (__int128(refExtent) - extent) / 2);
    case kAlignAbut: {
      const MeasureUnit at = *cursor;
      *cursor = Clamp(__int128(at) + extent);
      return at;
    }
    default:
      return position;
  }
}

// The selection as the inspector's panes receive it with a change.
QVariantList SelectionValue(const std::vector<DRElement*>& selection) {
  QVariantList list;
  list.reserve(qsizetype(selection.size()));
  for (DRElement* element : selection) list.append(QVariant::fromValue(static_cast<void*>(element)));
  return list;
}

}  // namespace

// ---- Aligning and distributing ---------------------------------------------------------------

void DRDrawVC::align(QObject* sender) {
  (void)sender;
  if (m_view) m_view->normalize(true);
  EditorDialogs().runAlignSheet(windowController());
}

void DRDrawVC::alignX(int x, int y) {
  if (!m_view || !drawing()) return;
  if (!openUndoEntry(kUndoActionChange, kUndoAlign)) return;
  if (x < kAlignLeave || x > kAlignAbut) x = kAlignLeave;
  if (y < kAlignLeave || y > kAlignAbut) y = kAlignLeave;
  const std::vector<DRElement*> selection = m_view->selection();
  // Rotated elements are measured by their turned outline.
  const auto boundsOf = [this](DRElement* element) {
    return element->rotation() != 0 ? element->trueBoundsInView(m_view) : element->frame();
  };
  if (!selection.empty() && selection.back()) {
    const CSRect reference = boundsOf(selection.back());
    MeasureUnit cursorX = Clamp(__int128(reference.x) + reference.width);
    MeasureUnit cursorY = Clamp(__int128(reference.y) + reference.height);
    for (size_t i = selection.size() - 1; i-- > 0;) {
      DRElement* element = selection[i];
      if (!element) continue;
      const CSRect bounds = boundsOf(element);
      const MeasureUnit newX = AlignedCoordinate(x, bounds.x, bounds.width, reference.x, reference.width, &cursorX);
      const MeasureUnit newY = AlignedCoordinate(y, bounds.y, bounds.height, reference.y, reference.height, &cursorY);
      if (newX == bounds.x && newY == bounds.y) continue;
      CSRect frame = element->frame();
      if (element->rotation() != 0) {
        // The frame follows its outline by the same amount.
        frame.x = Clamp(__int128(frame.x) + newX - bounds.x);
        frame.y = Clamp(__int128(frame.y) + newY - bounds.y);
      } else {
        frame.x = newX;
        frame.y = newY;
      }
      m_view->invalidateElement(element);
      element->setFrame(frame);
      m_view->invalidateElement(element);
    }
  }
  m_view->ensureSelVisible();
}

void DRDrawVC::distributeBy(CSPoint offset) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  m_view->normalize(false);
  if (!openUndoEntry(kUndoActionChange, kUndoDistribute)) return;
  const std::vector<DRElement*> selection = m_view->selection();
  if (selection.empty() || !selection.back()) return;
  CSRect previous = selection.back()->frame();
  for (size_t i = selection.size() - 1; i-- > 0;) {
    DRElement* element = selection[i];
    if (!element) continue;
    CSRect frame = element->frame();
    frame.x = offset.x != 0 ? Clamp(__int128(previous.x) + previous.width + offset.x) : previous.x;
    frame.y = offset.y != 0 ? Clamp(__int128(previous.y) + previous.height + offset.y) : previous.y;
    m_view->invalidateElement(element);
    element->setFrame(frame);
    m_view->invalidateElement(element);
    previous = element->frame();
  }
  drawing->setDupOffsetValid(false);
  m_view->setDrawingFrame();
  m_view->ensureSelVisible();
}

// ---- Flipping, rotating, scaling, resetting, reshaping ---------------------------------------

void DRDrawVC::flip(QObject* sender) {
  if (!m_view || !drawing()) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoFlip)) return;
  const bool vertical = senderTag(sender) != 0;
  const std::vector<DRElement*> selection = m_view->selection();
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    DRElement* element = *it;
    if (!dynamic_cast<DRElementScribble*>(element) && !dynamic_cast<DRElementMultipath*>(element)) continue;
    m_view->invalidateElement(element);
    element->flip(vertical);
    m_view->invalidateElement(element);
  }
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

void DRDrawVC::rotate(QObject* sender) {
  (void)sender;
  if (m_view) m_view->ensureSelVisible();
  EditorDialogs().runRotateSheet(windowController());
}

void DRDrawVC::rotateFixed(QObject* sender) {
  if (!m_view || !drawing()) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoRotate)) return;
  const __int128 turn = __int128(senderTag(sender)) * kMeasurePerPoint;
  const std::vector<DRElement*> selection = m_view->selection();
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    DRElement* element = *it;
    if (!element) continue;
    m_view->invalidateElement(element);
    // The remainder keeps the sign of the sum.
    element->setRotation(int64_t((__int128(element->rotation()) + turn) % g_rotate360));
    m_view->invalidateElement(element);
  }
  m_view->ensureSelVisible();
  QObject* window = m_view->notificationWindow();
  const QVariantMap info{{QStringLiteral("selection"), SelectionValue(m_view->selection())}};
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_positionChangeNotification, window, info);
  center.post(g_rotationNotification, window, info);
}

void DRDrawVC::scale(QObject* sender) {
  (void)sender;
  if (m_view) m_view->ensureSelVisible();
  EditorDialogs().runScaleSheet(windowController());
}

void DRDrawVC::reset(QObject* sender) {
  (void)sender;
  if (m_view) m_view->resetSelection(true);
}

void DRDrawVC::reshape(QObject* sender) {
  (void)sender;
  if (m_view) m_view->reshapePolygon(true, false);
}

void DRDrawVC::resumePolygon(QObject* sender) {
  (void)sender;
  if (m_view) m_view->reshapePolygon(true, true);
}

// ---- View -------------------------------------------------------------------------------------

void DRDrawVC::zoomIn(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  const QRectF visible = m_view->visibleRect();
  m_view->zoomOnPoint(visible.topLeft() + QPointF(std::floor(visible.width() / 2), std::floor(visible.height() / 2)),
                      false);
}

void DRDrawVC::zoomOut(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  const QRectF visible = m_view->visibleRect();
  m_view->zoomOnPoint(visible.topLeft() + QPointF(std::floor(visible.width() / 2), std::floor(visible.height() / 2)),
                      true);
}

void DRDrawVC::zoomByPercent(QObject* sender) {
  // The tag is the factor itself (2 for 200 %); none or a negative one is
  // no zoom.
  const int factor = senderTag(sender);
  if (!m_view || factor <= 0) return;
  m_view->setZoomValue(double(factor));
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, m_view->notificationWindow());
}

void DRDrawVC::togglePageBreaks(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  drawing->setShowPageBreaks(!drawing->showPageBreaks());
  if (m_view) m_view->setNeedsDisplay();
}

void DRDrawVC::showSelection(QObject* sender) {
  (void)sender;
  if (m_view) m_view->ensureSelVisible();
}
