#include "richtext/CBDocument.h"

#include <QFont>
#include <QGuiApplication>
#include <algorithm>
#include <cstring>

#include "richtext/ContinuousView.h"
#include "richtext/Copying.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/FindReplace.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Links.h"
#include "richtext/Lists.h"
#include "richtext/Locator.h"
#include "richtext/MouseSelection.h"
#include "richtext/Panes.h"
#include "richtext/PasteboardExport.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/SelectionCommands.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/SystemServices.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/ModifierFlags.h"

const QString g_docClosingNotification = QStringLiteral("cvb.docClosing");
const QString g_cvbSelectionChangeNotification = QStringLiteral("cvb.selectionChange");
const QString g_redrawNotification = QStringLiteral("cvb.redraw");
const QString g_flashNotification = QStringLiteral("cvb.flash");
const QString g_cursorChangeNotification = QStringLiteral("cvb.cursorChange");
const QString g_scrollDoneNotification = QStringLiteral("cvb.scrollDone");
const QString g_selectionPriorityChangeNotification = QStringLiteral("cvb.selectionPriorityChange");
const QString g_cvbZoomChangeNotification = QStringLiteral("cvb.zoomChange");
const QString g_horizontalScrollNotification = QStringLiteral("tindlewick.hscroll");
const QString g_verticalScrollNotification = QStringLiteral("tindlewick.vscroll");

namespace {

constexpr double kDefaultDraftWidth = 612.0;
constexpr int32_t kLinkInvalidationAfterAwake = 2000000000;
constexpr uint32_t kMaskSlots = 9;
// The flag bytes of the engine document this class reads: the first is the
// dirty flag, the fourth is reported in the selection mask.
uint8_t& DirtyFlag(CorvaneDoc* doc) { return doc->replaceTextFlag; }
uint8_t FourthFlag(const CorvaneDoc* doc) { return doc->styleAtomsOnly; }

// Byte 3 and 4 of contentsFlags: the table bounds; byte 2: invisibles.
constexpr uint32_t kShowInvisibles = 2;
constexpr uint32_t kTableBounds = 3;
constexpr uint32_t kTableBounds2 = 4;

bool IsEmptySelection(const Pane* pane) { return pane->objectSelection == kNoCpValue && pane->anchor == pane->end; }

uint64_t FirstBodyBytes(const Properties& record) {
  uint64_t value = 0;
  std::memcpy(&value, record.body.bytes, sizeof value);
  return value;
}

}  // namespace

std::unique_ptr<CBDocument> CBDocument::create(QObject* parent) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return nullptr;
  return std::unique_ptr<CBDocument>(new CBDocument(doc, parent));
}

CBDocument::CBDocument(CorvaneDoc* doc, QObject* parent) : QObject(parent), m_doc(doc) {
  m_doc->ownerObject = this;
  auto& center = NotificationCenter::defaultCenter();
  center.addObserver(this, g_cvbSelectionChangeNotification, this, [this](const CSNotification&) {
    selectionChanged();
  });
  center.addObserver(this, g_redrawNotification, this, [this](const CSNotification&) { redrawDocument(); });
  m_observing = true;
}

CBDocument::~CBDocument() {
  stopObserving();
  documentWillClose();
  DestroyDocument(m_doc);
  m_doc = nullptr;
}

void CBDocument::stopObserving() {
  if (!m_observing) return;
  NotificationCenter::defaultCenter().removeObserver(this);
  disconnect(qGuiApp, nullptr, this, nullptr);
  m_observing = false;
}

void CBDocument::awake() {
  if (qGuiApp) {
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      if (state == Qt::ApplicationActive) activate();
      else deactivate();
    });
    m_observing = true;
  }
  m_linkInvalidation = kLinkInvalidationAfterAwake;
}

CBDocumentView* CBDocument::documentView(QObject* view) { return dynamic_cast<CBDocumentView*>(view); }

void CBDocument::clearLoading() {
  if (!m_loading) return;
  m_loading = false;
  NoteSelectionChanged(m_doc);
}

// ---- Core ------------------------------------------------------------------------

bool CBDocument::isDirty() const { return DirtyFlag(m_doc) != 0; }
bool CBDocument::isLocked() const { return m_locked || IsPasswordLocked(m_doc); }
uint32_t CBDocument::userLength() const { return m_doc->textLimit; }
uint32_t CBDocument::totalLength() const { return m_doc->cpLimit; }

void CBDocument::setActive(bool active) {
  m_doc->active = active ? 1 : 0;
  clearLoading();
  Pane* pane = CurrentPane(m_doc);
  if (active) {
    pane->selectionFlags[kSelHighlightShown] = 0;
    TurnOnSel(m_doc);
  } else {
    InvalidateSel(m_doc);
  }
  InvalShorthand();
}

QSizeF CBDocument::paperSize() const { return QSizeF(m_doc->pageWidth, m_doc->pageHeight); }

CSPoint CBDocument::pageSize() const {
  const DocProps& props = m_doc->docProps;
  return CSPoint{int64_t(m_doc->pageWidth) * kMeasurePerPoint - props.left - props.right,
                 int64_t(m_doc->pageHeight) * kMeasurePerPoint - props.top - props.bottom};
}

void CBDocument::documentWillClose() {
  // Runs from the window and again from the destructor: once is enough.
  if (m_closing) return;
  m_closing = true;
  closeAllPanes();
  NotificationCenter::defaultCenter().post(g_docClosingNotification, this);
  stopObserving();
}

void CBDocument::wipeDocMemory() { WipeFindState(); }

bool CBDocument::performFind(bool fromStart, bool forward) {
  return forward ? FindNext(m_doc, fromStart) : FindPrevious(m_doc);
}

void CBDocument::activate() {
  if (!m_loading) InvalidateSel(m_doc);
}

void CBDocument::deactivate() {
  if (!m_loading) InvalidateSel(m_doc);
}

void CBDocument::redrawDocument() { InvalAfterEdit(m_doc, 3); }

void CBDocument::selectionChanged() { m_undoDomain = 1; }

// ---- Select ------------------------------------------------------------------------

uint32_t CBDocument::convertModifiers(uint32_t flags) {
  static constexpr struct {
    uint32_t platform, engine;
  } kTable[] = {
      {kAlphaShiftKeyMask, kEngineCapsLock}, {kCommandKeyMask, kEngineCommand},
      {kControlKeyMask, kEngineControl},     {kNumericPadKeyMask, kEngineNumericPad},
      {kFunctionKeyMask, kEngineFunction},   {kOptionKeyMask, kEngineOption},
      {kShiftKeyMask, kEngineShift},
  };
  uint32_t bits = 0;
  for (const auto& row : kTable)
    if (flags & row.platform) bits |= row.engine;
  return bits;
}

uint64_t CBDocument::selectionMask() const { return selectionMaskCore(nullptr); }

uint64_t CBDocument::selectionMaskCore(uint64_t* out) const {
  if (out) std::fill(out, out + kMaskSlots, ~uint64_t(0));
  if (m_loading) return 0;
  uint64_t mask = kMaskDocument;
  if (FourthFlag(m_doc)) mask |= kMaskFourthFlag;
  Pane* pane = CurrentPane(m_doc);
  const uint32_t anchor = uint32_t(std::max(pane->anchor, 0));
  const bool empty = IsEmptySelection(pane);
  mask |= empty ? kMaskCaret : kMaskRange;
  if (IsSelectionPicture(m_doc, nullptr)) mask |= kMaskPicture | kMaskRange;
  if (!empty && pane->objectSelection == kNoCpValue) {
    KnotFormat knot;
    FetchKnot(m_doc, anchor, &knot, 0);
    const uint32_t type = knot.index == kNoCpValue ? kKnotNone : knot.entry.type;
    if (type == kKnotBookmark || type == kKnotCheckbox || type == kKnotDivider || type == kKnotTag ||
        type == kKnotVariable)
      mask |= kMaskInKnot;
    if (CpIsWithinKnot(m_doc, anchor, kKnotLink, nullptr)) mask |= kMaskLink;
  }
  KnotFormat table;
  if (isTableSelected(pane, &table)) {
    mask |= kMaskTable;
    if (pane->granularity == kGranularityCells) mask |= kMaskTableCells;
    if (out) {
      const Properties* record = PropertiesAtIndex(m_doc, table.entry.props);
      if (record) out[4] = FirstBodyBytes(*record);
    }
  }
  KnotFormat list;
  if (CpIsWithinKnot(m_doc, anchor, kKnotList, nullptr)) {
    mask |= kMaskList;
    ListProps props;
    if (out && FetchList(m_doc, pane, anchor, &list, &props)) {
      Properties record;
      InitProperties(kListProperties, &record, &props);
      out[5] = FirstBodyBytes(record);
    }
  }
  if (out) {
    Properties record;
    CharProps chars;
    FetchCharPropsFromSelection(m_doc, &chars);
    InitProperties(kCharProperties, &record, &chars);
    out[0] = FirstBodyBytes(record);
    ParaProps para;
    DocRange paragraph;
    FetchParaProps(m_doc, pane, anchor, &paragraph, &para);
    InitProperties(kParaProperties, &record, &para);
    out[1] = FirstBodyBytes(record);
    ChapterProps chapter;
    DocRange chapterRange;
    FetchChapterProps(m_doc, anchor, &chapterRange, &chapter);
    InitProperties(kChapterProperties, &record, &chapter);
    out[2] = FirstBodyBytes(record);
  }
  return mask;
}

CBRange CBDocument::selectionRange() const {
  const Pane* pane = CurrentPane(m_doc);
  // Object and column selections have no cp range to give.
  const bool columns = pane->granularity == kGranularityCells && pane->firstColumn != kNoCpValue;
  if (pane->objectSelection != kNoCpValue || columns) return CBRange{kCBNotFound, 0};
  return CBRange{pane->anchor, int64_t(pane->end) - pane->anchor};
}

void CBDocument::setSelection(CBRange range) {
  if (range.location == kCBNotFound || range.location < 0 || range.length < 0) return;
  const int64_t limit = std::min<int64_t>(range.location + range.length, m_doc->cpLimit);
  const int64_t first = std::min<int64_t>(range.location, limit);
  SelectCps(m_doc, uint32_t(first), uint32_t(limit), true);
}

void CBDocument::showSelection() {
  const bool option = QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
  ShowSelection(m_doc, option, true);
}

void CBDocument::startSelection(QPointF point, QObject* view, int32_t selectionType, uint32_t modifiers) {
  Pane* pane = paneForView(view);
  m_doc->selectionWord &= ~int32_t(0xFF00);
  if (!pane || IsPasswordLocked(m_doc)) return;
  m_loading = false;
  m_selectionBegun = true;
  NoteSelectionWillChange(m_doc);
  m_doc->currentPane = uint32_t(pane - m_doc->panes);
  ClickDraft(m_doc, uint32_t(selectionType), convertModifiers(modifiers), point.x(), point.y());
}

void CBDocument::continueSelection(QPointF point) {
  if (m_selectionBegun) ContinueTextSelectionTracking(m_doc, point.x(), point.y());
}

void CBDocument::endSelection() {
  if (!m_selectionBegun) return;
  m_selectionBegun = false;
  EndTextSelectionTracking(m_doc);
  NoteSelectionChanged(m_doc);
}

void CBDocument::performSelectionKey(int32_t key, uint32_t forcedModifiers, QObject* view) {
  if (!paneForView(view)) return;
  const uint32_t modifiers =
      forcedModifiers ? forcedModifiers : convertModifiers(ModifierFlags(QGuiApplication::queryKeyboardModifiers()));
  SelectKeyDraft(m_doc, uint32_t(key), modifiers, 0);
}

// ---- Edit ----------------------------------------------------------------------------

bool CBDocument::copySelection() { return CopySelection(m_doc); }

CorvaneDoc* CBDocument::copyToPasteboard(QMimeData* pasteboard) {
  // The copy is made as the engine's clipboard document, which is then
  // handed over and the engine's own put back.
  CorvaneDoc* saved = g_clipboardDoc;
  QMimeData* savedPasteboard = g_copyPasteboard;
  g_clipboardDoc = nullptr;
  g_copyPasteboard = pasteboard;
  const bool copied = CopySelection(m_doc);
  CorvaneDoc* made = g_clipboardDoc;
  g_clipboardDoc = saved;
  g_copyPasteboard = savedPasteboard;
  if (!copied) {
    DestroyDocument(made);
    return nullptr;
  }
  return made;
}

void CBDocument::setNormalFont(const QFont& font, bool force) {
  SetNormalFont(m_doc, IndexOfFont(font.family()), int16_t(uint16_t(font.pointSizeF() * 4)), force);
}

void CBDocument::getDefaultProps(Properties* props, char16_t listType) {
  if (props) SetDefaultListProps(m_doc, listType, props);
}

bool CBDocument::isTableSelected(Pane* pane, KnotFormat* table) const {
  if (!pane) pane = CurrentPane(m_doc);
  if (pane->objectSelection != kNoCpValue) return false;
  DocRange range;
  if (!CpIsWithinKnot(m_doc, uint32_t(std::max(pane->anchor, 0)), kKnotTable, &range)) return false;
  if (table) FetchKnot(m_doc, range.first, table, kKnotTable);
  return true;
}

uint32_t CBDocument::pictureCount() const { return PictureCount(m_doc); }

QList<CSImage> CBDocument::pictures() const {
  QList<CSImage> images;
  for (uint32_t i = 0; i < PictureCount(m_doc); ++i) {
    const PictureEntry* entry = PictureAtIndex(m_doc, i);
    images.append(entry && entry->image ? *entry->image : CSImage());
  }
  return images;
}

CSImage CBDocument::pictureForIndex(uint32_t index) const {
  const PictureEntry* entry = index < PictureCount(m_doc) ? PictureAtIndex(m_doc, index) : nullptr;
  return entry && entry->image ? *entry->image : CSImage();
}

uint32_t CBDocument::addPicture(const CSImage& image) { return StorePicture(m_doc, image, nullptr); }

namespace {
// The undo kind of a picture put in from the document object.
constexpr uint32_t kInsertPictureUndo = 22;
}  // namespace

bool CBDocument::addAndInsertPicture(const CSImage& image) {
  documentWillChange();
  const bool done = InsertPicture(m_doc, image, nullptr, kInsertPictureUndo);
  documentDidChange();
  return done;
}

bool CBDocument::insertPictureWithIndex(uint32_t index) {
  documentWillChange();
  const bool done = InsertPictureWithIndex(m_doc, index, kInsertPictureUndo);
  documentDidChange();
  return done;
}

void CBDocument::changeListIndent(bool indent) {
  documentWillChange();
  ChangeListIndent(m_doc, indent);
  documentDidChange();
}

bool CBDocument::insertList(const ListProps* list) {
  documentWillChange();
  const bool done = list ? InsertList(m_doc, *list) : DeleteList(m_doc);
  documentDidChange();
  return done;
}

bool CBDocument::findBrokenLink(bool forward) { return FindBrokenLink(m_doc, forward, false); }

void CBDocument::saveKinkInfo(const LineFormat& line) {
  const uint32_t count = std::min(line.lineMarkCount, kKinkInfoCount);
  for (uint32_t i = 0; i < kKinkInfoCount; ++i) {
    if (i < count) {
      const LineMark& mark = line.lineMarks[i];
      m_kinkInfos[i] = KinkInfo{int32_t(mark.cp), mark.cp - std::min(mark.cp, line.firstCp), int32_t(mark.code)};
    } else {
      m_kinkInfos[i] = KinkInfo{};
    }
  }
  if (CBDocumentView* view = documentView(currentPaneView())) view->setSelectionType(0);
}

const KinkInfo* CBDocument::kinkInfo(int32_t tag) const {
  // A menu item's tag indexes the table: anything else finds nothing.
  if (tag < 0 || uint32_t(tag) >= kKinkInfoCount || m_kinkInfos[tag].cp < 0) return nullptr;
  if (uint32_t(m_kinkInfos[tag].cp) >= m_doc->cpLimit) return nullptr;
  return &m_kinkInfos[tag];
}

void CBDocument::executeSpecial(int32_t tag) {
  if (const KinkInfo* info = kinkInfo(tag)) PerformLineKinkAction(m_doc, uint32_t(info->cp), uint32_t(info->lineKink));
}

void CBDocument::copyLink(int32_t tag) {
  const KinkInfo* info = kinkInfo(tag);
  if (!info) return;
  KnotFormat link;
  FetchKnot(m_doc, uint32_t(info->cp), &link, kKnotLink);
  if (link.index != kNoCpValue) CopyCorvaneLink(link);
}

void CBDocument::openLinkFile(int32_t tag) {
  const KinkInfo* info = kinkInfo(tag);
  if (!info) return;
  KnotFormat link;
  FetchKnot(m_doc, uint32_t(info->cp), &link, kKnotLink);
  // A click reveals file links unless configured to open them; this
  // command does the other.
  if (link.index != kNoCpValue) FollowHyperLink(LinkAddressString(link), !g_corvaneConfig.openFileLinks);
}

void CBDocument::selectList() {
  Pane* pane = CurrentPane(m_doc);
  KnotFormat list;
  if (FetchList(m_doc, pane, uint32_t(std::max(pane->anchor, 0)), &list, nullptr) && list.index != kNoCpValue)
    SelectCps(m_doc, list.start, list.limit, true);
}

void CBDocument::selectTable() {
  const Pane* pane = CurrentPane(m_doc);
  KnotFormat table;
  if (FetchTable(m_doc, uint32_t(std::max(pane->anchor, 0)), &table, nullptr, nullptr))
    SelectCps(m_doc, table.start, table.limit, true);
}

void CBDocument::selectTableRows() {
  const Pane* pane = CurrentPane(m_doc);
  const uint32_t anchor = uint32_t(std::max(pane->anchor, 0));
  const uint32_t end = uint32_t(std::max(pane->end, pane->anchor));
  KnotFormat table, row;
  if (!FetchTable(m_doc, anchor, &table, &row, nullptr)) {
    Beep();
    return;
  }
  const uint32_t first = row.start;
  uint32_t limit = row.limit;
  if (end > anchor) {
    KnotFormat lastTable, lastRow;
    if (FetchTable(m_doc, end - 1, &lastTable, &lastRow, nullptr) && lastTable.start == table.start)
      limit = std::max(limit, lastRow.limit);
    else
      limit = std::max(limit, table.limit - 1);  // through the table's last row
  }
  SelectCps(m_doc, first, limit, true);
}

// ---- Display -----------------------------------------------------------------------

void CBDocument::drawView(QObject* view, const QRectF& clip) {
  Pane* pane = paneForView(view);
  if (!pane || IsPasswordLocked(m_doc)) return;
  DrawDraftView(m_doc, pane, clip);
}

Pane* CBDocument::paneForView(QObject* view) const {
  if (!view || !m_doc) return nullptr;
  const uint32_t count = std::min<uint32_t>(PaneCountForDoc(m_doc), 2);
  for (uint32_t i = 0; i < count; ++i)
    if (m_doc->panes[i].view == view) return &m_doc->panes[i];
  return nullptr;
}

Pane* CBDocument::currentPane() const { return CurrentPane(m_doc); }

QObject* CBDocument::currentPaneView() const {
  const Pane* pane = CurrentPane(m_doc);
  return pane ? pane->view : nullptr;
}

void CBDocument::closeAllPanes() { FreeAllPanes(m_doc); }

int64_t CBDocument::draftWidth(QObject* view) const {
  Pane* pane = paneForView(view);
  return pane ? DraftWidth(m_doc, pane) : 0;
}

void CBDocument::trashDisplay(QObject* view) {
  if (Pane* pane = paneForView(view)) TrashDisplayForPane(m_doc, pane);
}

bool CBDocument::draftFitsToWindow(QObject* view) const { return paneForView(view) && m_doc->fitToWindow; }

int32_t CBDocument::lineCountForDelta(float delta, QObject* view) const {
  Pane* pane = paneForView(view);
  return pane ? int32_t(LineCountForScrollHeight(m_doc, pane, delta)) : 0;
}

CBRange CBDocument::paneRange(QObject* view) const {
  const Pane* pane = paneForView(view);
  if (!pane) return CBRange{0, 0};
  DocRange range;
  GetPaneRange(m_doc, pane, &range);
  return CBRange{range.first, int64_t(range.limit) - range.first};
}

double CBDocument::leftPaneEdge(QObject* view) const {
  const Pane* pane = paneForView(view);
  return pane ? double(pane->margin) : 0.0;
}

uint32_t CBDocument::draftHeight(QObject* view) const {
  Pane* pane = paneForView(view);
  if (!pane || !pane->displayLines) return 0;
  const uint32_t count = SizeOfDynamicCPArray(pane->displayLines);
  if (count == 0) return 0;
  const uint32_t start = pane->topOffset != 0 ? 1 : 0;
  uint32_t end = count;
  if (count > 1) {
    QRectF viewRect;
    GetViewRect(&viewRect, m_doc, pane);
    DisplayLine last;
    FetchDynamicCPArrayEntry(pane->displayLines, count - 1, &last);
    if (last.top + last.height >= viewRect.height()) end = count - 1;
  }
  if (start >= end) return 0;
  return CpAtIndex(pane->displayLines, end) - CpAtIndex(pane->displayLines, start);
}

double CBDocument::maxDraftWidth() const {
  if (m_doc->pageWidth == 0) return kDefaultDraftWidth;
  const DocProps& props = m_doc->docProps;
  return double(m_doc->pageWidth) - double(props.left + props.right) / double(kMeasurePerPoint);
}

void CBDocument::scrollDraft(QObject* view, uint32_t position, uint32_t unit, bool vertical) {
  Pane* pane = paneForView(view);
  if (!pane) return;
  if (!vertical) {
    TrashDraft(m_doc, pane, false);
    return;
  }
  if (unit == kScrollToCp) {
    // The cp comes relative to the first cp the pane shows.
    const uint64_t cp = uint64_t(position) + uint64_t(std::max(pane->firstCp, 0));
    ScrollVertDraft(m_doc, pane, int32_t(std::min<uint64_t>(cp, m_doc->textLimit)), kScrollToCp);
  } else if (unit == kScrollByLine || unit == kScrollByPage) {
    ScrollVertDraft(m_doc, pane, int32_t(position), int32_t(unit));
  }
}

void CBDocument::focusView(QObject* view) {
  if (Pane* pane = paneForView(view)) focusPane(uint32_t(pane - m_doc->panes));
}

void CBDocument::focusPane(uint32_t index) {
  if (index >= std::min<uint32_t>(PaneCountForDoc(m_doc), 2)) return;
  Pane* pane = &m_doc->panes[index];
  if (CBDocumentView* view = documentView(pane->view))
    if (!view->isFocusView()) view->makeFocusView();
  const bool changed = m_doc->currentPane != index;
  m_doc->currentPane = index;
  pane->selectionFlags[kSelHighlightShown] = 0;
  InvalidateSel(m_doc);
  if (changed) ChangeFocusPane(m_doc, pane);
  UpdateTableBoundsTool(pane);
}

void CBDocument::unfocusView(QObject* view) {
  if (paneForView(view)) InvalidateSel(m_doc);
}

void CBDocument::blinkInsertionPoint() {
  clearLoading();
  const Pane* pane = CurrentPane(m_doc);
  if (isLocked() || !IsEmptySelection(pane)) return;
  if (g_corvaneConfig.steadyCaret == 0 || pane->selectionFlags[kSelHighlightShown]) ToggleSel(m_doc);
}

void CBDocument::hideInsertionPoint() {
  if (IsEmptySelection(CurrentPane(m_doc))) TurnOffSel(m_doc);
}

bool CBDocument::showingBounds() const { return CurrentPane(m_doc)->contentsFlags[kTableBounds] != 0; }

void CBDocument::toggleShowBounds() {
  Pane* pane = CurrentPane(m_doc);
  const uint8_t show = !pane->contentsFlags[kTableBounds] && !pane->contentsFlags[kTableBounds2];
  pane->contentsFlags[kTableBounds] = pane->contentsFlags[kTableBounds2] = show;
  TurnOffSel(m_doc);
  UpdateTableBoundsTool(pane);
  InvalView(pane);
  if (CBDocumentView* view = documentView(pane->view)) view->redisplay();
}

bool CBDocument::showingMarks() const { return CurrentPane(m_doc)->contentsFlags[kShowInvisibles] != 0; }

void CBDocument::toggleShowMarks() {
  Pane* pane = CurrentPane(m_doc);
  pane->contentsFlags[kShowInvisibles] = !pane->contentsFlags[kShowInvisibles];
  TurnOffSel(m_doc);
  UpdateShowMarksTool(pane);
  InvalView(pane);
  if (CBDocumentView* view = documentView(pane->view)) view->redisplay();
}

void CBDocument::setCursor(QPointF point, QObject* view) {
  Pane* pane = paneForView(view);
  CBDocumentView* target = documentView(view);
  if (!pane || !target) return;
  Locator locator;
  InitLocator(m_doc, pane, &locator);
  locator.exact = 1;  // the character under the point
  const bool onText = LocatePointInDoc(&locator, kLocateClick, point.x(), point.y());
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (locator.columnEdge != kNoCpValue) {
    // A column's edge in a table: resizing, unless nothing may change.
    shape = isLocked() || pane->objectSelection != kNoCpValue ? Qt::IBeamCursor : Qt::SplitHCursor;
  } else if (onText && locator.cp < m_doc->cpLimit) {
    shape = Qt::IBeamCursor;
    KnotFormat knot;
    FetchKnot(m_doc, locator.cp, &knot, 0);
    switch (knot.index == kNoCpValue ? kKnotNone : knot.entry.type) {
      case kKnotCheckbox:
      case kKnotPicture:
      case kKnotTag:
        shape = Qt::ArrowCursor;
        break;
      case kKnotLink:
        shape = Qt::PointingHandCursor;
        break;
      case kKnotVariable:
        if (knot.entry.word1 == 7 || knot.entry.word1 == 15) shape = Qt::PointingHandCursor;
        break;
      default:
        break;
    }
  }
  target->setViewCursor(shape);
}
