// The canvas's selection, the style it has in common, reset and reshape,
// placing pasted elements, the transient modes, the tools and drops.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementLine.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/widgets/CSAlert.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"

namespace {

// Undo actions and descriptors of the canvas's own entries.
constexpr int kUndoActionChange = 1;
constexpr int kUndoActionAdd = 2;
constexpr int kDescriptorDrag = 8;
constexpr int kDescriptorPaste = 15;
constexpr int kDescriptorResetSize = 53;
constexpr int kDescriptorReshape = 54;

bool IsIgnoredText(const DRElement* element) {
  if (!element || element->elementType() != kElementText) return false;
  const auto* text = dynamic_cast<const DRElementText*>(element);
  return text && text->ignoreText();
}

// The arrowheads of a line or a bent line; empty for other kinds.
std::optional<std::optional<DRArrow>> LineArrow(const DRElement* element) {
  if (const auto* line = dynamic_cast<const DRElementLine*>(element)) return line->arrow();
  if (const auto* bent = dynamic_cast<const DRElementBentLine*>(element)) return bent->arrow();
  return std::nullopt;
}

std::optional<DRGradient> GradientOf(const DRElement* element) {
  if (const DRGradient* gradient = element->gradientStyle()) return *gradient;
  return std::nullopt;
}

}  // namespace

// ---- The selection ---------------------------------------------------------------------

bool DRDrawView::isElementSelected(const DRElement* element) const {
  return element && std::find(m_selection.begin(), m_selection.end(), element) != m_selection.end();
}

void DRDrawView::addToSelection(DRElement* element) {
  if (element && !isElementSelected(element)) m_selection.push_back(element);
}

void DRDrawView::removeFromSelection(DRElement* element) {
  std::erase(m_selection, element);
}

void DRDrawView::setSelection(std::vector<DRElement*> elements) {
  m_selection = std::move(elements);
}

void DRDrawView::unselectAll(bool notify) {
  if (m_drawing) m_drawing->setDupOffsetValid(false);
  if (m_selection.empty()) return;
  // A copy: invalidating may not change the list, but the list is emptied
  // after every element was redrawn.
  const std::vector<DRElement*> selected = m_selection;
  for (DRElement* element : selected) invalidateElement(element);
  m_selection.clear();
  if (notify) selectionDidChange();
}

void DRDrawView::selectionDidChange() {
  m_trackUndoID = kNoUndoID;
  m_typeUndoID = kNoUndoID;
  m_moveUndoID = kNoUndoID;
  NotificationCenter::defaultCenter().post(g_selectionChangeNotification, notificationWindow());
  updateStatusString();
}

std::vector<DRElement*> DRDrawView::copyableSelection() const {
  std::vector<DRElement*> result;
  if (!m_drawing || m_selection.empty()) return result;
  for (const auto& element : m_drawing->elements()) {
    if (element && isElementSelected(element.get()) && !IsIgnoredText(element.get())) result.push_back(element.get());
  }
  return result;
}

void DRDrawView::getCurrentStyle(DRCopiedStyle* style) const {
  if (!style) return;
  *style = DRCopiedStyle();
  bool haveLine = false, haveArrow = false, haveFill = false;
  for (size_t i = 0; i < m_selection.size(); ++i) {
    const DRElement* element = m_selection[i];
    if (!element) continue;
    if (element->canDrawLines()) {
      if (!haveLine) {
        style->lineInfo = element->lineStyle();
        haveLine = true;
      } else {
        style->lineInfo.intersectWith(element->lineStyle());
      }
      // The arrowheads of the lines.
      if (const auto arrow = LineArrow(element)) {
        if (!haveArrow) {
          style->arrow = *arrow;
          haveArrow = true;
        } else if (style->arrow != *arrow) {
          style->arrow.reset();
        }
      }
    } else if (const auto* text = dynamic_cast<const DRElementText*>(element)) {
      // A text's colour stands for a line colour.
      const Kolor kolor = text->textInfo().textKolor();
      if (!haveLine) {
        style->lineInfo = DRLineInfo();
        style->lineInfo.setKolorWithoutRegistering(kolor);
        haveLine = true;
      } else if (kolor != style->lineInfo.kolor()) {
        style->lineInfo.setKolorWithoutRegistering(g_nilKolor);
      }
    }
    if (i == 0) {
      style->shadow = element->shadow();
    } else if (style->shadow != element->shadow()) {
      style->shadow.reset();
    }
    if (element->answersFillKolor() && element->elementType() != kElementBentLine) {
      if (!haveFill) {
        style->fillKolor = element->fillKolor();
        style->gradient = GradientOf(element);
        haveFill = true;
      } else {
        if (element->fillKolor() != style->fillKolor) style->fillKolor = g_nilKolor;
        if (GradientOf(element) != style->gradient) style->gradient.reset();
      }
    }
  }
  DRSettings& settings = DRSettings::sharedInstance();
  if (!haveLine) style->lineInfo = settings.lineInfo();
  if (!haveFill) style->fillKolor = settings.fillKolor();
  if (!haveArrow) style->arrow = settings.arrow();
}

bool DRDrawView::openUndoEntry(uint32_t undoId, int action, int descriptor) {
  return m_viewController && m_viewController->setUndoID(undoId, action, descriptor);
}

void DRDrawView::resetSelection(bool undo) {
  if (!m_drawing) return;
  m_drawing->setDupOffsetValid(false);
  if (undo && !openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionChange, kDescriptorResetSize)) return;
  bool changed = false;
  for (auto it = m_selection.rbegin(); it != m_selection.rend(); ++it) {
    DRElement* element = *it;
    if (!element || element->elementType() == kElementLine) continue;
    CSRect frame = element->frame();
    const CSPoint original = element->originalSize();
    if (element->rotation() == 0 && frame.width == original.x && frame.height == original.y) continue;
    invalidateElement(element);
    element->setRotation(0);
    if (element->elementType() != kElementGroup && element->elementType() != kElementText) {
      frame.width = original.x;
      frame.height = original.y;
      element->setFrame(frame);
      if (element->isConstrained() && !element->constrainToOriginalSize() && original.x != original.y)
        element->setConstrained(false);
    }
    invalidateElement(element);
    changed = true;
  }
  if (!changed) {
    // Nothing to reset: no undo entry is left behind.
    if (undo && m_viewController) m_viewController->undoManager().popUndo();
    return;
  }
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_positionChangeNotification, notificationWindow());
  center.post(g_rotationNotification, notificationWindow());
  setDrawingFrame();
  ensureSelVisible();
}

void DRDrawView::reshapePolygon(bool undo, bool resume) {
  DRElement* first = m_selection.empty() ? nullptr : m_selection.front();
  const bool wasReshaping = first && first == m_reshapeElement;
  normalize(true);
  forceSelectTool();
  if (wasReshaping) {
    NotificationCenter::defaultCenter().post(g_polyReshapeNotification, notificationWindow());
    return;
  }
  if (m_selection.size() != 1 || !m_drawing) return;
  auto* shape = dynamic_cast<DRElementScribble*>(first);
  if (!shape) return;

  const CSRect frame = shape->frame();
  const CSPoint original = shape->originalSize();
  if (shape->rotation() != 0 || frame.width != original.x || frame.height != original.y) {
    const int answer = GiveAlert(QStringLiteral("I can't reshape the polygon or scribble."),
                                 QStringLiteral("The selected shape has been rotated or resized. It can't be reshaped "
                                                "in its current state. Should I reset it to normal so you can reshape "
                                                "it?"),
                                 QStringList{QStringLiteral("Reset"), QStringLiteral("Cancel")}, nullptr);
    reshapeAlertEnded(CSAlert::kFirstButtonResponse + answer, resume);
    return;
  }

  if (undo && !openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionChange, kDescriptorReshape)) return;
  if (!resume) {
    m_reshapeElement = shape;
    shape->setReshaping(true);
    shape->setSuppressCasing(true);
    shape->setUnderConstruction(true);
    g_showReshapeIndexes = g_advancedUser && IsOptionKeyDown();
  } else {
    if (m_currentTool != kToolPolygon) {
      m_previousTool = m_currentTool;
      if (m_toolbarView) m_toolbarView->setSelectedTool(kToolPolygon);
      m_currentTool = kToolPolygon;
    }
    // The shape leaves the drawing while vertices are added to it, and is
    // installed again when the polygon ends.
    DRElementList& elements = m_drawing->elements();
    auto it = std::find_if(elements.begin(), elements.end(), [shape](const auto& e) { return e.get() == shape; });
    if (it == elements.end()) return;
    m_newElement = std::move(*it);
    m_newElementResumed = true;
    elements.erase(it);
    m_selection.clear();
    shape->setUnderConstruction(true);
    const std::vector<CSPoint>& points = shape->points();
    const QPointF last = points.empty() ? QPointF() : ConvertMeasurePoint(points.back());
    m_currentPolygonPoint = last;
    m_previousPoint = last;
    m_polygonExtension = QRectF();
    m_creatingPolygon = true;
    ensureScrollTimer();
  }
  setNeedsDisplay();
  ensureSelVisible();
  m_drawing->setDupOffsetValid(false);
  resetCursorRects();
}

void DRDrawView::reshapeAlertEnded(int response, bool resume) {
  if (response != CSAlert::kFirstButtonResponse) return;
  if (!openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionChange, kDescriptorReshape)) return;
  resetSelection(false);
  reshapePolygon(false, resume);
}

// ---- Extents ------------------------------------------------------------------------------

CSRect DRDrawView::elementExtent(std::span<DRElement* const> elements, bool wantBounds, bool forPrinting,
                                 bool allElements) {
  bool any = false;
  CSRect extent;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const DRElement* element = *it;
    if (!element || (!allElements && IsIgnoredText(element))) continue;
    const CSRect rect = wantBounds ? element->bounds(forPrinting) : element->frame();
    extent = any ? UnionCSRect(extent, rect) : rect;
    any = true;
  }
  return extent;
}

CSRect DRDrawView::elementExtent(const DRElementList& elements, bool wantBounds, bool forPrinting, bool allElements) {
  std::vector<DRElement*> list;
  list.reserve(elements.size());
  for (const auto& element : elements) list.push_back(element.get());
  return elementExtent(std::span<DRElement* const>(list), wantBounds, forPrinting, allElements);
}

CSRect DRDrawView::selectionExtent(bool wantBounds, bool allElements) const {
  return elementExtent(std::span<DRElement* const>(m_selection), wantBounds, false, allElements);
}

CSRect DRDrawView::drawingExtent(bool allElements, bool forPrinting) const {
  if (!m_drawing) return {};
  return elementExtent(m_drawing->elements(), true, forPrinting, allElements);
}

// ---- Scrolling and pasting -----------------------------------------------------------------

void DRDrawView::ensureSelVisible() {
  if (m_selection.empty()) return;
  const QRectF extent = ConvertMeasureRect(selectionExtent(false, true)).adjusted(-4, -4, 4, 4);
  const double left = std::floor(extent.left()), top = std::floor(extent.top());
  const QRectF wanted(left, top, std::ceil(extent.right()) - left, std::ceil(extent.bottom()) - top);
  const QRectF visible = visibleRect();
  if (visible.contains(wanted)) return;
  const QRectF shown = visible.intersected(wanted);
  if (shown.width() * shown.height() >= wanted.width() * wanted.height() / 2) return;
  // Part of it shows and the whole cannot: leave the view where it is.
  if (!shown.isEmpty() && (wanted.width() > visible.width() || wanted.height() > visible.height())) return;
  scrollToPoint(QPointF(std::max(0.0, wanted.x() - 16), std::max(0.0, wanted.y() - 16)));
}

void DRDrawView::pasteElements(DRElementList&& elements, QPointF point, const CSRect& enclosingRect) {
  DRElementList pasted = std::move(elements);
  if (!m_drawing) return;
  CSPoint centre;
  int descriptor;
  if (point.x() >= 0 && point.y() >= 0) {
    centre = ConvertViewPoint(point.x(), point.y());
    descriptor = kDescriptorDrag;
  } else {
    const CSRect visible = ConvertViewRect(visibleRect());
    centre = CSPoint{visible.x + visible.width / 2, visible.y + visible.height / 2};
    descriptor = kDescriptorPaste;
  }
  const MeasureUnit left = std::max<MeasureUnit>(0, RoundMeasure(centre.x - enclosingRect.width / 2, kMeasurePerPoint));
  const MeasureUnit top = std::max<MeasureUnit>(0, RoundMeasure(centre.y - enclosingRect.height / 2, kMeasurePerPoint));
  const MeasureUnit dx = left - enclosingRect.x, dy = top - enclosingRect.y;
  for (const auto& element : pasted) {
    if (!element) continue;
    CSRect frame = element->frame();
    frame.x += dx;
    frame.y += dy;
    element->setFrame(frame);
    invalidateElement(element.get());
  }
  if (!openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionAdd, descriptor)) return;
  unselectAll(false);
  DRElementList& list = m_drawing->elements();
  for (auto& element : pasted) {
    if (!element) continue;
    m_selection.push_back(element.get());
    list.push_back(std::move(element));
  }
  setDrawingFrame();
  selectionDidChange();
}

// ---- Modes and tools ---------------------------------------------------------------------

void DRDrawView::normalize(bool flag) {
  stopPolygon(false);
  if (DRElementScribble* shape = m_reshapeElement) {
    shape->setSuppressCasing(false);
    shape->setUnderConstruction(false);
    shape->setReshaping(false);
    m_reshapeElement = nullptr;
    setNeedsDisplay();
    updateProperties(true);
  }
  if (m_typingView) stopTyping();
  if (flag && m_drawing && m_drawing->isDupOffsetValid()) m_drawing->setDupOffsetValid(false);
  m_zoomOut = false;
  m_showRotateCursor = false;
  resetCursorRects();
}

void DRDrawView::toggleSelectTool() {
  if (m_currentTool != kToolSelect) {
    m_previousTool = m_currentTool;
    if (m_toolbarView) m_toolbarView->setSelectedTool(kToolSelect);
  } else if (m_toolbarView) {
    m_toolbarView->setSelectedTool(m_previousTool);
  }
}

void DRDrawView::forceSelectTool() {
  if (m_currentTool == kToolSelect) return;
  m_previousTool = m_currentTool;
  if (m_toolbarView) m_toolbarView->setSelectedTool(kToolSelect);
  // The palette's announcement reaches the canvas only while it is in its
  // window; the tool changes either way.
  m_currentTool = kToolSelect;
  resetCursorRects();
}

// ---- Drops --------------------------------------------------------------------------------

bool DRDrawView::isOwnDrag(const QDropEvent* event) const {
  return event->source() == this || (m_dragPasteboard && event->mimeData() == m_dragPasteboard.data());
}

bool DRDrawView::acceptsDrop(const QMimeData* data) const {
  if (!data) return false;
  if (data->hasUrls()) {
    const QList<QUrl> urls = data->urls();
    for (auto it = urls.rbegin(); it != urls.rend(); ++it) {
      if (it->isLocalFile() && ClipboardServices().GetDrawFileType(it->toLocalFile()) != kDrawFileUnknown) return true;
    }
  }
  return std::any_of(g_clipboardTypes.begin(), g_clipboardTypes.end(),
                     [data](const QString& type) { return data->hasFormat(type); });
}

void DRDrawView::setDragFocusRing(bool on) {
  m_drawDragFocusRing = on;
  setNeedsDisplay();
}

void DRDrawView::dragEnterEvent(QDragEnterEvent* event) {
  const bool sheet = m_windowController && m_windowController->hasAttachedSheet();
  if (m_shutDown || sheet || isOwnDrag(event) || !acceptsDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  setDragFocusRing(true);
}

void DRDrawView::dragMoveEvent(QDragMoveEvent* event) {
  if (!m_drawDragFocusRing) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void DRDrawView::dragLeaveEvent(QDragLeaveEvent* event) {
  (void)event;
  setDragFocusRing(false);
}

void DRDrawView::dropEvent(QDropEvent* event) {
  if (!m_drawDragFocusRing || isOwnDrag(event)) {
    event->ignore();
    return;
  }
  const QPointF pixels = event->position();
  ClipboardServices().Paste(this, event->mimeData(), pixels.x() / m_zoomValue, pixels.y() / m_zoomValue);
  event->setDropAction(Qt::CopyAction);
  event->accept();
  setDragFocusRing(false);
}
