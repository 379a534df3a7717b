#include "ui/editor/DRDrawVC.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>
#include <memory>
#include <new>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementGroup.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementScribble.h"
#include "model/ModelSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSImage.h"
#include "support/CSPrintInfo.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"

const QString g_reloadPropertiesNotification = QStringLiteral("cs.reloadProperties");

const char* const DRDrawVC::kTagProperty = "tag";
const char* const DRDrawVC::kStateProperty = "state";

namespace {

// ---- Inspector panes ----

struct Pane {
  const char* name;  // after "Property"
  const char* controller;
};

constexpr Pane kPosition{"Position", "DRPropPositionVC"};
constexpr Pane kNotes{"Notes", "DRPropNotesVC"};
constexpr Pane kFill{"Fill", "DRPropFillVC"};
constexpr Pane kLine{"Line", "DRPropLineVC"};
constexpr Pane kArc{"Arc", "DRPropArcVC"};
constexpr Pane kBitmap{"Bitmap", "DRPropBitmapVC"};
constexpr Pane kCurvedLine{"CurvedLine", "DRPropPolygonVC"};
constexpr Pane kArrow{"Arrow", "DRPropArrowVC"};
constexpr Pane kPolygon{"Polygon", "DRPropPolygonVC"};
constexpr Pane kRegularPolygon{"RegularPolygon", "DRPropRegularPolyVC"};
constexpr Pane kRoundRect{"RoundRect", "DRPropRoundRectVC"};
constexpr Pane kScribble{"Scribble", "DRPropScribbleVC"};
constexpr Pane kPolygonText{"PolygonText", "DRPropTextVC"};
constexpr Pane kText{"Text", "DRPropTextVC"};
constexpr Pane kRotation{"Rotation", "DRPropRotationVC"};
constexpr Pane kReflection{"Reflection", "DRPropReflectionVC"};
constexpr Pane kShadow{"Shadow", "DRPropShadowVC"};

// The panes of each element type after Position, Notes and (for shapes
// with a fill) Fill and Line.
std::vector<Pane> TypePanes(int32_t type) {
  switch (type) {
    case kElementArc:
      return {kArc, kRotation, kReflection, kShadow};
    case kElementBentLine:
      return {kLine, kCurvedLine, kArrow, kRotation, kReflection, kShadow};
    case kElementBitmap:
      return {kBitmap, kRotation, kReflection, kShadow};
    case kElementGroup:
      return {kRotation};
    case kElementLine:
      return {kLine, kArrow, kReflection, kShadow};
    case kElementPolygon:
      return {kPolygon, kPolygonText, kRotation, kReflection, kShadow};
    case kElementRegularPoly:
      return {kRegularPolygon, kRotation, kReflection, kShadow};
    case kElementRoundRect:
      return {kRoundRect, kRotation, kReflection, kShadow};
    case kElementScribble:
      return {kScribble, kPolygonText, kRotation, kReflection, kShadow};
    case kElementText:
      return {kText, kRotation, kReflection, kShadow};
    case kElementEllipse:
    case kElementMultipath:
    case kElementRectangle:
    default:
      return {kRotation, kReflection, kShadow};
  }
}

// Whether the element is the bitmap the notification's object names, here
// or inside a group.
bool ContainsBitmap(const DRElementList& elements, const void* object) {
  for (const auto& element : elements) {
    if (!element) continue;
    if (auto* bitmap = dynamic_cast<const DRElementBitmap*>(element.get())) {
      if (static_cast<const void*>(bitmap) == object) return true;
    } else if (auto* group = dynamic_cast<const DRElementGroup*>(element.get())) {
      if (ContainsBitmap(group->subelements(), object)) return true;
    }
  }
  return false;
}

}  // namespace

// ---- Life --------------------------------------------------------------------------------

DRDrawVC::DRDrawVC() {
  // Before the first entry: the store sizes its ring by it.
  undoManager().setBufferSize(sizeof(DRDrawUndoRecord));
}

DRDrawVC::~DRDrawVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // The snapshots are released through this class's freeUndoAction(), which
  // the base's destructor could no longer reach.
  undoManager().clearUndo();
}

int DRDrawVC::senderTag(const QObject* sender) {
  return sender ? sender->property(kTagProperty).toInt() : 0;
}

void DRDrawVC::setView(DRDrawView* view) {
  m_view = view;
}

DREditorContentView* DRDrawVC::contentView() const {
  return m_view ? &m_view->contentView() : nullptr;
}

void DRDrawVC::awakeFromNib() {
  QObject* window = nullptr;
  if (m_view)
    window = m_view->notificationWindow();
  else if (windowController())
    window = windowController()->window();
  viewStatusChanged(window);
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this, g_updateBitmapNotification, nullptr);
  center.addObserver(this, g_updateBitmapNotification, nullptr,
                     [this](const CSNotification& notification) { updateBitmap(notification.object); });
}

void DRDrawVC::viewStatusChanged(QObject* window) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  if (m_view && m_view->hasSuperview()) {
    if (m_observing || !window) return;
    m_observing = true;
    m_observedWindow = window;
    center.addObserver(this, g_selectionChangeNotification, window,
                       [this](const CSNotification&) { selectionChanged(); });
    center.addObserver(this, g_settingsChangeNotification, window,
                       [this](const CSNotification& notification) { settingChanged(notification.userInfo); });
    return;
  }
  if (!m_observing) return;
  center.removeObserver(this, g_selectionChangeNotification, m_observedWindow);
  center.removeObserver(this, g_settingsChangeNotification, m_observedWindow);
  m_observing = false;
  m_observedWindow = nullptr;
}

// ---- Snapshots ---------------------------------------------------------------------------

bool DRDrawVC::setUndoAction(int action, int descriptor, void* data, uint64_t context) {
  (void)descriptor, (void)context;
  ++m_historyChanges;
  auto* record = static_cast<DRDrawUndoRecord*>(data);
  DRDrawing* drawing = this->drawing();
  if (!record || !drawing) return false;
  // First, so that a record refused half-way and taken back still knows the
  // flag (and never marks a changed drawing clean).
  record->dirty = drawing->CSDocument::isDirty();
  record->finished = false;

  switch (action) {
    case kUndoActionChange:
    case kUndoActionAddRemove: {
      try {
        // The copies' colours are the elements' own, not chosen anew.
        const ColorRegisterSuppression suppression;
        const DRElementList& live = drawing->elements();
        auto elements = std::make_unique<DRElementList>();
        elements->reserve(live.size());
        auto selection = std::make_unique<std::vector<DRElement*>>();
        // Where each selected element stands in the selection; an element
        // selected but not in the drawing cannot come back and is left out.
        std::unordered_map<const DRElement*, size_t> selected;
        if (m_view) {
          const std::vector<DRElement*>& current = m_view->selection();
          selection->assign(current.size(), nullptr);
          for (size_t i = 0; i < current.size(); ++i) selected.emplace(current[i], i);
        }
        for (const auto& element : live) {
          if (!element) {
            elements->push_back(nullptr);
            continue;
          }
          std::unique_ptr<DRElement> copy = element->copy();
          if (!copy) return false;
          copy->setUndoCopy(true);
          if (copy->isUnderConstruction()) copy->setUnderConstruction(false);
          const auto found = selected.find(element.get());
          if (found != selected.end()) (*selection)[found->second] = copy.get();
          elements->push_back(std::move(copy));
        }
        std::erase(*selection, nullptr);
        record->elements = elements.release();
        record->selection = selection.release();
      } catch (const std::bad_alloc&) {
        return false;
      }
      break;
    }
    case kUndoActionPageSetup:
      record->printInfo = new (std::nothrow) CSPrintInfo(drawing->printInfo());
      if (!record->printInfo) return false;
      break;
    case kUndoActionBackground:
      record->backgroundImage = new (std::nothrow) CSImage(drawing->backgroundImage());
      if (!record->backgroundImage) return false;
      record->backgroundRect = drawing->backgroundLocation();
      record->backgroundOpacity = drawing->backgroundOpacity();
      break;
    default:
      // Paintings have their own controller.
      return false;
  }

  drawing->setDirty(true);
  drawing->setDirtySinceAutoSave(true);
  markDocumentEdited();
  record->finished = true;
  return true;
}

bool DRDrawVC::undoOrRedo(int* action, int descriptor, void* data, bool isRedo) {
  (void)isRedo;
  auto* record = static_cast<DRDrawUndoRecord*>(data);
  DRDrawing* drawing = this->drawing();
  if (!action || !record || !drawing) return false;
  // The snapshot coming back may move, restyle or replace any element.
  drawing->noteElementsChanged();
  ClosePanels();
  const QPointF origin = m_view ? m_view->visibleRect().topLeft() : QPointF();

  switch (*action) {
    case kUndoActionChange:
    case kUndoActionAddRemove: {
      if (!record->elements || !record->selection) return false;
      std::vector<DRElement*> liveSelection;
      try {
        if (m_view) liveSelection = m_view->selection();
      } catch (const std::bad_alloc&) {
        return false;
      }
      for (const auto& element : *record->elements) {
        if (element) element->setUndoCopy(false);
      }
      drawing->elements().swap(*record->elements);
      for (const auto& element : *record->elements) {
        if (element) element->setUndoCopy(true);
      }
      if (m_view) {
        m_view->setSelection(std::move(*record->selection));
        *record->selection = std::move(liveSelection);
        m_view->selectionDidChange();
      } else {
        // Without a canvas there is no selection to keep for the other way.
        record->selection->clear();
      }
      break;
    }
    case kUndoActionPageSetup: {
      if (!record->printInfo) return false;
      const CSPrintInfo live = drawing->printInfo();
      drawing->setPrintInfo(*record->printInfo);
      *record->printInfo = live;
      break;
    }
    case kUndoActionBackground: {
      if (!record->backgroundImage) return false;
      const CSImage image = drawing->backgroundImage();
      const CSRect rect = drawing->backgroundLocation();
      const double opacity = drawing->backgroundOpacity();
      drawing->setBackgroundImage(*record->backgroundImage);
      drawing->setBackgroundLocation(record->backgroundRect);
      drawing->setBackgroundOpacity(record->backgroundOpacity);
      *record->backgroundImage = image;
      record->backgroundRect = rect;
      record->backgroundOpacity = opacity;
      break;
    }
    default:
      return false;
  }

  const bool wasDirty = drawing->CSDocument::isDirty();
  drawing->setDirty(record->dirty);
  record->dirty = wasDirty;
  // The content changed again: the autosave copy no longer holds it.
  drawing->setDirtySinceAutoSave(true);
  markDocumentEdited();

  if (DREditorWindowHost* window = windowController()) {
    window->validateTabs();
    if (descriptor == kUndoPaintingName) window->setupTabs(window->currentTabGuid(), true);
  }
  if (m_view) {
    m_view->setDrawingFrame();
    m_view->scrollToPoint(origin);
    m_view->setNeedsDisplay();
  }
  return true;
}

QString DRDrawVC::undoActionName(int descriptor, void* data) {
  (void)data;
  return UndoDescriptorName(descriptor);
}

void DRDrawVC::freeUndoAction(int action, int descriptor, void* data, bool freeAll) {
  (void)action, (void)descriptor, (void)freeAll;
  auto* record = static_cast<DRDrawUndoRecord*>(data);
  if (!record) return;
  // Whatever the action: a background entry reads as action 0, descriptor
  // 0, like a free slot.
  delete record->selection;
  delete record->elements;
  delete record->backgroundImage;
  delete record->printInfo;
  *record = DRDrawUndoRecord{};
}

void DRDrawVC::didPopUndoAction(int action, int descriptor, void* data) {
  (void)action, (void)descriptor;
  ++m_historyChanges;
  auto* record = static_cast<DRDrawUndoRecord*>(data);
  DRDrawing* drawing = this->drawing();
  // A snapshot refused half-way marked nothing.
  if (!record || !record->finished || !drawing) return;
  drawing->setDirty(record->dirty);
  markDocumentEdited();
}

void DRDrawVC::markDocumentEdited() {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  CSDocumentWindow* window = windowController();
  if (!window) window = drawing->windowController();
  if (window) window->setDocumentEdited(drawing->isDirty());
}

// ---- Panes and the settings route -----------------------------------------------------------

int DRDrawVC::getElement(const DRElement* element, bool multiple, QStringList* nibs, QStringList* controllers) const {
  if (nibs) nibs->clear();
  if (controllers) controllers->clear();
  if (!element || isLocked()) return 0;
  std::vector<Pane> panes{kPosition};
  if (!multiple) panes.push_back(kNotes);
  const int32_t type = element->elementType();
  if (element->answersFillKolor() && type != kElementBentLine) {
    panes.push_back(kFill);
    panes.push_back(kLine);
  }
  const std::vector<Pane> own = TypePanes(type);
  panes.insert(panes.end(), own.begin(), own.end());
  if (panes.size() > size_t(kMaxPropertyLevels)) panes.resize(kMaxPropertyLevels);
  for (const Pane& pane : panes) {
    if (nibs) nibs->append(QStringLiteral("Property") + QLatin1String(pane.name));
    if (controllers) controllers->append(QLatin1String(pane.controller));
  }
  return int(panes.size());
}

void DRDrawVC::selectionChanged() {
  QStringList nibs, controllers;
  const std::vector<DRElement*> selection = m_view ? m_view->selection() : std::vector<DRElement*>();
  if (!selection.empty() && selection.front()) {
    const DRElement* first = selection.front();
    const bool multiple = selection.size() > 1;
    getElement(first, multiple, &nibs, &controllers);
    for (size_t i = 1; i < selection.size(); ++i) {
      const DRElement* element = selection[i];
      if (!element || typeid(*element) == typeid(*first)) continue;
      QStringList theirs;
      getElement(element, multiple, &theirs, nullptr);
      for (qsizetype k = nibs.size() - 1; k >= 0; --k) {
        if (!theirs.contains(nibs[k])) {
          nibs.removeAt(k);
          controllers.removeAt(k);
        }
      }
    }
  }
  setPropertyPanes(nibs, controllers);
  QObject* window = m_view ? m_view->notificationWindow() : nullptr;
  NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, window);
  undoManager().suppressCoalescing();
}

void DRDrawVC::settingChanged(const QVariantMap& userInfo) {
  if (DRDrawing* drawing = this->drawing()) drawing->change(userInfo, m_view);
}

void DRDrawVC::updateBitmap(const void* element) {
  DRDrawing* drawing = this->drawing();
  // A locked drawing takes no entry: the store is reached directly here, so
  // the gate's lock must be checked by hand.
  if (m_suppressUndo || !drawing || !element || drawing->isLocked()) return;
  if (!ContainsBitmap(drawing->elements(), element)) return;
  undoManager().setUndoAction(kUndoActionChange, kUndoPainting, 0);
  // No later change of a control merges into the painting's entry.
  resetCurrentUndoID();
}

// ---- Shared operations -------------------------------------------------------------------

bool DRDrawVC::isLocked() const {
  const DRDrawing* drawing = this->drawing();
  return !drawing || drawing->isLocked();
}

size_t DRDrawVC::selectionCount() const {
  return m_view ? m_view->selection().size() : 0;
}

bool DRDrawVC::openUndoEntry(int action, int descriptor) {
  return setUndoID(CSUndoManager::kFreshUndoID, action, descriptor);
}

bool DRDrawVC::selectionAnswers(const std::function<bool(const DRElement*)>& predicate) const {
  if (!m_view) return false;
  const std::vector<DRElement*>& selection = m_view->selection();
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    if (*it && predicate(*it)) return true;
  }
  return false;
}

bool DRDrawVC::selectionIncludesType(int type) const {
  return selectionAnswers([type](const DRElement* e) { return e->elementType() == type; });
}

bool DRDrawVC::selectionIncludesTypeOrType(int type, int otherType) const {
  return selectionAnswers(
      [type, otherType](const DRElement* e) { return e->elementType() == type || e->elementType() == otherType; });
}

bool DRDrawVC::selectionExcludesType(int type) const {
  return selectionAnswers([type](const DRElement* e) { return e->elementType() != type; });
}

bool DRDrawVC::selectionExcludesTypeAndType(int type, int otherType) const {
  return selectionAnswers(
      [type, otherType](const DRElement* e) { return e->elementType() != type && e->elementType() != otherType; });
}

std::vector<size_t> DRDrawVC::indexesOfSelectedElements() const {
  std::vector<size_t> indexes;
  const DRDrawing* drawing = this->drawing();
  if (!drawing || !m_view || m_view->selection().empty()) return indexes;
  const std::unordered_set<const DRElement*> selected(m_view->selection().begin(), m_view->selection().end());
  const DRElementList& elements = drawing->elements();
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i] && selected.contains(elements[i].get())) indexes.push_back(i);
  }
  return indexes;
}

std::vector<DRElement*> DRDrawVC::selectionInStackingOrder() const {
  std::vector<DRElement*> ordered;
  const DRDrawing* drawing = this->drawing();
  if (!drawing) return ordered;
  for (size_t index : indexesOfSelectedElements()) ordered.push_back(drawing->elements()[index].get());
  return ordered;
}

DRElementList DRDrawVC::extractSelection(std::vector<size_t>* indexes) {
  const std::vector<size_t> found = indexesOfSelectedElements();
  if (indexes) *indexes = found;
  DRElementList taken;
  DRDrawing* drawing = this->drawing();
  if (!drawing || found.empty()) return taken;
  DRElementList& elements = drawing->elements();
  DRElementList kept;
  taken.reserve(found.size());
  kept.reserve(elements.size() - found.size());
  size_t next = 0;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (next < found.size() && found[next] == i) {
      taken.push_back(std::move(elements[i]));
      ++next;
    } else {
      kept.push_back(std::move(elements[i]));
    }
  }
  elements.swap(kept);
  return taken;
}

void DRDrawVC::closeTabsForElements(const std::vector<DRElement*>& elements) {
  DREditorWindowHost* window = windowController();
  if (!window || elements.empty()) return;
  // The window takes a list of owned elements; these stay the drawing's,
  // so the list only borrows them and lets go before it is destroyed.
  DRElementList borrowed;
  borrowed.reserve(elements.size());
  struct LetGo {
    DRElementList& list;
    ~LetGo() {
      for (auto& element : list) (void)element.release();
    }
  } letGo{borrowed};
  for (DRElement* element : elements) borrowed.emplace_back(element);
  window->closeTabsForElements(borrowed);
}

// ---- The command table and menu validation ------------------------------------------------

const DRActionTable<DRDrawVC>& DRDrawVC::actionTable() {
  static const DRActionTable<DRDrawVC> table = [] {
    using V = DRDrawVC;
    DRActionTable<DRDrawVC> made;
    auto add = [&made](const char* selector, DRActionTable<DRDrawVC>::Action action,
                       DRActionTable<DRDrawVC>::Validator validator) {
      made.add(QString::fromLatin1(selector), action, validator);
    };
    add("undoEdit:", &V::undoEdit, &V::validateUndo);
    add("redoEdit:", &V::redoEdit, &V::validateUndo);
    add("copy:", &V::copy, &V::validateCopy);
    add("cut:", &V::cut, &V::validateSelectionUnlocked);
    add("delete:", &V::deleteSelection, &V::validateSelectionUnlocked);
    add("paste:", &V::paste, &V::validatePaste);
    add("duplicate:", &V::duplicate, &V::validateSelectionUnlocked);
    add("selectAll:", &V::selectAll, &V::validateHasElements);
    add("selectNone:", &V::selectNone, &V::validateHasElements);
    add("selectElement:", &V::selectElement, &V::validateSelectElement);
    add("selectByType:", &V::selectByType, &V::validateHasElements);
    add("bringForward:", &V::bringForward, &V::validateSelectionUnlocked);
    add("bringFront:", &V::bringFront, &V::validateSelectionUnlocked);
    add("sendBackward:", &V::sendBackward, &V::validateSelectionUnlocked);
    add("sendBack:", &V::sendBack, &V::validateSelectionUnlocked);
    add("orderToSelection:", &V::orderToSelection, &V::validateMultipleUnlocked);
    add("group:", &V::group, &V::validateMultipleUnlocked);
    add("groupMulti:", &V::groupMulti, &V::validateMultipleUnlocked);
    add("ungroup:", &V::ungroup, &V::validateUngroup);
    add("align:", &V::align, &V::validateMultipleUnlocked);
    add("flip:", &V::flip, &V::validateFlip);
    add("rotate:", &V::rotate, &V::validateNotOnlyLines);
    add("rotateFixed:", &V::rotateFixed, &V::validateNotOnlyLines);
    add("scale:", &V::scale, &V::validateScale);
    add("reset:", &V::reset, &V::validateNotOnlyLines);
    add("reshape:", &V::reshape, &V::validateReshape);
    add("resumePolygon:", &V::resumePolygon, &V::validateResumePolygon);
    add("zoomIn:", &V::zoomIn, &V::validateZoomIn);
    add("zoomOut:", &V::zoomOut, &V::validateZoomOut);
    add("zoomByPercent:", &V::zoomByPercent, &V::validateUnlocked);
    add("togglePageBreaks:", &V::togglePageBreaks, &V::validatePageBreaks);
    add("showSelection:", &V::showSelection, &V::validateHasSelection);
    add("changeAlignment:", &V::changeAlignment, &V::validateChangeAlignment);
    add("changeStyle:", &V::changeStyle, &V::validateChangeStyle);
    add("combineText:", &V::combineText, &V::validateCombineText);
    add("copyTextStyle:", &V::copyTextStyle, &V::validateCopyTextStyle);
    add("pasteTextStyle:", &V::pasteTextStyle, &V::validatePasteTextStyle);
    add("copyElementStyle:", &V::copyElementStyle, &V::validateCopyElementStyle);
    add("pasteElementStyle:", &V::pasteElementStyle, &V::validatePasteElementStyle);
    add("resizeFont:", &V::resizeFont, &V::validateTextUnlocked);
    add("shrinkText:", &V::shrinkText, &V::validateTextUnlocked);
    add("showFonts:", &V::showFonts, &V::validateTextUnlocked);
    add("showFontColor:", &V::showFontColor, &V::validateTextUnlocked);
    add("makePainting:", &V::makePainting, &V::validateMakePainting);
    add("newPainting:", &V::newPainting, &V::validateUnlocked);
    add("importPaintings:", &V::importPaintings, &V::validateUnlocked);
    add("insertShape:", &V::insertShape, &V::validateUnlocked);
    add("setBackground:", &V::setBackground, &V::validateUnlocked);
    return made;
  }();
  return table;
}

bool DRDrawVC::respondsToSelector(const QString& selector) const {
  return actionTable().contains(selector);
}

bool DRDrawVC::performAction(const QString& selector, QObject* sender) {
  return actionTable().perform(this, selector, sender);
}

bool DRDrawVC::validateMenuItem(const QString& selector, QAction* item) {
  // Every rule reads the canvas; without one nothing is enabled.
  if (!m_view || !drawing()) return false;
  // The commands that move elements through the pasteboard wait for the
  // clipboard code.
  static const QStringList clipboardCommands{QStringLiteral("copy:"), QStringLiteral("cut:"), QStringLiteral("paste:"),
                                             QStringLiteral("importPaintings:")};
  if (!ClipboardServices().canTransferElements() && clipboardCommands.contains(selector)) return false;
  return actionTable().validate(this, selector, item);
}

bool DRDrawVC::validateUndo(QAction* item) {
  return undoManager().validateMenuItem(item);
}

bool DRDrawVC::validateCopy(QAction* item) {
  (void)item;
  return !m_view->copyableSelection().empty();
}

bool DRDrawVC::validatePaste(QAction* item) {
  (void)item;
  if (isLocked()) return false;
  const QMimeData* pasteboard = QApplication::clipboard()->mimeData();
  if (!pasteboard) return false;
  return std::any_of(g_clipboardTypes.begin(), g_clipboardTypes.end(),
                     [pasteboard](const QString& type) { return pasteboard->hasFormat(type); });
}

bool DRDrawVC::validateSelectionUnlocked(QAction* item) {
  (void)item;
  return selectionCount() > 0 && !isLocked();
}

bool DRDrawVC::validateMultipleUnlocked(QAction* item) {
  (void)item;
  return selectionCount() > 1 && !isLocked();
}

bool DRDrawVC::validateHasElements(QAction* item) {
  (void)item;
  return !drawing()->elements().empty();
}

bool DRDrawVC::validateSelectElement(QAction* item) {
  return !drawing()->elements().empty() && (selectionCount() > 0 || senderTag(item) == 0);
}

bool DRDrawVC::validateUngroup(QAction* item) {
  (void)item;
  return !isLocked() && selectionIncludesType(kElementGroup);
}

bool DRDrawVC::validateFlip(QAction* item) {
  (void)item;
  // The kinds whose content has a side of its own to mirror.
  return !isLocked() && selectionAnswers([](const DRElement* e) {
    return dynamic_cast<const DRElementScribble*>(e) || dynamic_cast<const DRElementMultipath*>(e);
  });
}

bool DRDrawVC::validateNotOnlyLines(QAction* item) {
  (void)item;
  return !isLocked() && selectionExcludesType(kElementLine);
}

bool DRDrawVC::validateScale(QAction* item) {
  (void)item;
  const std::vector<DRElement*>& selection = m_view->selection();
  return selection.size() == 1 && !isLocked() && selection.front() && selection.front()->canScale();
}

bool DRDrawVC::validateReshape(QAction* item) {
  const bool reshaping = m_view->reshapeElement() != nullptr;
  if (item) {
    item->setCheckable(true);
    item->setChecked(reshaping);
  }
  if (isLocked()) return false;
  if (reshaping) return true;
  const std::vector<DRElement*>& selection = m_view->selection();
  return selection.size() == 1 && dynamic_cast<const DRElementScribble*>(selection.front());
}

bool DRDrawVC::validateResumePolygon(QAction* item) {
  (void)item;
  if (isLocked() || m_view->reshapeElement()) return false;
  const std::vector<DRElement*>& selection = m_view->selection();
  // Exactly a polygon: a bent line is one too, but has no vertices to add.
  const DRElement* element = selection.size() == 1 ? selection.front() : nullptr;
  return element && typeid(*element) == typeid(DRElementPolygon);
}

bool DRDrawVC::validateZoomIn(QAction* item) {
  (void)item;
  return m_view->zoom() < g_drawZoomValues[g_drawZoomCount - 1];
}

bool DRDrawVC::validateZoomOut(QAction* item) {
  (void)item;
  return m_view->zoom() > g_drawZoomValues[0];
}

bool DRDrawVC::validateUnlocked(QAction* item) {
  (void)item;
  return !isLocked();
}

bool DRDrawVC::validatePageBreaks(QAction* item) {
  if (item) {
    item->setCheckable(true);
    item->setChecked(drawing()->showPageBreaks());
  }
  return true;
}

bool DRDrawVC::validateHasSelection(QAction* item) {
  (void)item;
  return selectionCount() > 0;
}
