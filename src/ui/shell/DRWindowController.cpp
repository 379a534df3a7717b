#include "ui/shell/DRWindowController.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QPrinter>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "model/DRElementBitmap.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/ControlSupport.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/DRPrintView.h"
#include "ui/editor/DRStatusView.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/inspector/DRToolOptionsVC.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRPropertyContainerView.h"
#include "ui/shell/CSSidePanelAnimation.h"
#include "ui/shell/DRMainMenu.h"
#include "ui/shell/ShellSeams.h"

const QString DRWindowController::kDrawingTab = QStringLiteral("Drawing");

namespace {

// The bars' sizes in points: the palette's cells are as wide as the
// palette, the info bar's swatches fill its height.
constexpr int kPaletteWidth = 34;
constexpr int kInfoBarHeight = 30;
constexpr int kStatusHeight = 20;
constexpr int kInfoPanelWidth = 260;

// A painting tab while no painting editor is registered: a plain view and
// no commands.
class PlainPaintTab : public DRPaintTabController {
 public:
  PlainPaintTab() : m_view(std::make_unique<QWidget>()) { m_view->resize(100, 100); }
  QWidget* view() const override { return m_view.get(); }
  bool respondsToSelector(const QString&) const override { return false; }
  bool performAction(const QString&, QObject*) override { return false; }

 private:
  std::unique_ptr<QWidget> m_view;
};

DRWindowController::PaintTabFactory& TabFactory() {
  static DRWindowController::PaintTabFactory factory;
  return factory;
}

// The print view as the document window prints it: a widget holding the
// drawing's print view.
class PrintHolder : public QWidget {
 public:
  explicit PrintHolder(std::unique_ptr<DRPrintView> view) : printView(std::move(view)) {}
  std::unique_ptr<DRPrintView> printView;
};

// Holds the scroll area and, while it is shown, the info panel at its
// right. It lays them out itself rather than by a layout, so that the side
// panel animation can move both while it runs.
class SlidingContent : public QWidget {
 public:
  QPointer<QWidget> donor;
  QPointer<QWidget> panel;

  void relayout() {
    const QRect area = rect();
    if (panel && panel->parentWidget() == this && !panel->isHidden()) {
      const int width = std::min(panel->width(), area.width());
      panel->setGeometry(area.right() - width + 1, 0, width, area.height());
      if (donor) donor->setGeometry(0, 0, area.width() - width, area.height());
    } else if (donor) {
      donor->setGeometry(area);
    }
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    relayout();
  }
};

}  // namespace

void DRWindowController::setPaintTabFactory(PaintTabFactory factory) {
  TabFactory() = std::move(factory);
}

// The strip's delegate: the window's tabs.
class DRWindowController::Strip : public CSWindowTabsDelegate {
 public:
  explicit Strip(DRWindowController* owner) : m_owner(owner) {}
  uint32_t optionalOperations() const override { return kIsTabVisible; }
  uint64_t numberOfTabsInTabView(CSWindowTabs*) override { return uint64_t(m_owner->m_tabGuids.size()) + 1; }
  bool tabViewCanCloseTab(CSWindowTabs*, const QString& tab) override { return tab != kDrawingTab; }
  void tabViewCloseTab(CSWindowTabs*, const QString& tab) override { m_owner->closeTab(tab); }
  QString tabViewIdentifierOfTabAtIndex(CSWindowTabs*, uint64_t index) override {
    if (index == 0) return kDrawingTab;
    return m_owner->m_tabGuids.value(qsizetype(index - 1));
  }
  QString tabViewNameOfTab(CSWindowTabs*, const QString& tab) override {
    if (tab == kDrawingTab) return kDrawingTab;
    const BitmapTab* record = m_owner->bitmapDictForGuid(tab);
    return record ? record->name : QString();
  }
  void tabViewSelectTab(CSWindowTabs*, const QString& tab) override { m_owner->selectTab(tab); }
  bool tabViewIsTabVisible(CSWindowTabs*, const QString& tab) override {
    if (tab == kDrawingTab) return true;
    const BitmapTab* record = m_owner->bitmapDictForGuid(tab);
    return record && record->control;
  }

 private:
  DRWindowController* m_owner;
};

// ---- Life ----------------------------------------------------------------------------------

DRWindowController::DRWindowController(std::unique_ptr<DRDrawing> drawing)
    : DRDocumentWCPrinting(std::move(drawing)),
      m_drawVC(std::make_unique<DRDrawVC>()),
      m_strip(std::make_unique<Strip>(this)),
      m_router([this] {
        std::vector<DRActionTarget*> chain{currentTarget(), static_cast<DRActionTarget*>(this)};
        const auto& application = ApplicationActionTargets();
        chain.insert(chain.end(), application.begin(), application.end());
        return chain;
      }) {
  buildWindow();
}

DRWindowController::~DRWindowController() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // The tool options refer to this controller: they go first.
  delete m_toolOptionsVC;
  // The window, and the inspector in it, goes after the content
  // controllers: the inspector may ask them for panes no more.
  if (auto* inspector = qobject_cast<DRPropertyContainerView*>(m_propertyView.data())) {
    inspector->setContentSource(nullptr);
  }
  if (m_windowTabs) m_windowTabs->setDelegate(nullptr);
  if (DRDrawing* drawing = this->drawing(); drawing && drawing->documentHost() == this) {
    drawing->setDocumentHost(nullptr);
  }
  // The painting canvases go with their controllers; none may stay in the
  // scroll area.
  if (m_scrollView && m_scrollView->widget() != m_drawView) m_scrollView->takeWidget();
  m_bitmapDicts.clear();
  if (m_infoContainer && !m_infoContainer->parent()) delete m_infoContainer.data();
  if (m_drawView) {
    m_drawView->setViewController(nullptr);
    m_drawView->setWindowController(nullptr);
  }
}

DRDrawing* DRWindowController::drawing() const {
  return static_cast<DRDrawing*>(doc());
}

void DRWindowController::buildWindow() {
  DRToolbarView::initialize();
  DRInfobarView::initialize();
  QMainWindow* window = this->window();
  window->setObjectName(QStringLiteral("MainWindow"));
  window->resize(900, 640);
  DRDrawing* drawing = this->drawing();

  auto* central = new QWidget;
  central->setObjectName(QStringLiteral("contentView"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  m_windowTabs = new CSWindowTabs;
  m_windowTabs->setObjectName(QStringLiteral("windowTabs"));
  m_windowTabs->setFixedHeight(int(CSWindowTabs::height()));
  column->addWidget(m_windowTabs);

  m_infoBarView = new DRInfobarView;
  m_infoBarView->setObjectName(QStringLiteral("infoBarView"));
  m_infoBarView->setFixedHeight(kInfoBarHeight);
  column->addWidget(m_infoBarView);

  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  m_toolbarView = new DRToolbarView;
  m_toolbarView->setObjectName(QStringLiteral("toolbarView"));
  m_toolbarView->setFixedWidth(kPaletteWidth);
  row->addWidget(m_toolbarView);

  auto* sliding = new SlidingContent;
  m_slidingContent = sliding;
  m_slidingContent->setObjectName(QStringLiteral("slidingContent"));
  m_scrollView = new QScrollArea(sliding);
  m_scrollView->setObjectName(QStringLiteral("scrollView"));
  m_scrollView->setFrameShape(QFrame::NoFrame);
  sliding->donor = m_scrollView;

  // The info panel: the tool options above the inspector's slot.
  m_infoContainer = new QWidget(sliding);
  m_infoContainer->setObjectName(QStringLiteral("infoContainer"));
  m_infoContainer->resize(kInfoPanelWidth, m_infoContainer->height());
  sliding->panel = m_infoContainer;
  auto* info = new QVBoxLayout(m_infoContainer);
  info->setContentsMargins(0, 0, 0, 0);
  info->setSpacing(0);
  m_toolOptions = new DRToolOptionsContainer;
  m_toolOptions->setObjectName(QStringLiteral("toolOptions"));
  info->addWidget(m_toolOptions);
  auto* inspector = new DRPropertyContainerView;
  inspector->setContentSource([this] { return m_currentVC; });
  m_propertyView = inspector;
  m_propertyView->setObjectName(QStringLiteral("propertyView"));
  info->addWidget(m_propertyView, 1);
  row->addWidget(m_slidingContent, 1);
  column->addLayout(row, 1);

  m_statusView = new DRStatusView;
  m_statusView->setObjectName(QStringLiteral("statusView"));
  m_statusView->setFixedHeight(kStatusHeight);
  column->addWidget(m_statusView);
  window->setCentralWidget(central);

  m_parking = new QWidget(window);
  m_parking->setObjectName(QStringLiteral("parking"));
  m_parking->hide();

  // The drawing's canvas and its controller.
  m_drawView = new DRDrawView;
  m_drawView->setObjectName(QStringLiteral("drawView"));
  if (drawing) drawing->setDocumentHost(this);
  m_drawView->setDrawing(drawing);
  m_drawView->setWindowController(this);
  m_drawView->setViewController(m_drawVC.get());
  m_drawView->setToolbarView(m_toolbarView);
  m_drawVC->setDrawing(drawing);
  m_drawVC->setWindowController(this);
  m_drawVC->setView(m_drawView);
  m_scrollView->setWidget(m_drawView);
  m_currentVC = m_drawVC.get();

  m_toolbarView->setWindowHost(this);
  m_toolOptions->setWindowHost(this);
  m_toolOptionsVC = new DRToolOptionsVC(m_toolOptions, this, this);
  m_infoBarView->setWindowHost(this);
  m_infoBarView->setDrawing(drawing);
  m_infoBarView->setToolbarView(m_toolbarView);
  m_statusView->awakeFromNib();
  m_drawView->awakeFromNib();
  m_drawVC->awakeFromNib();
  m_drawView->setDrawingFrame();
  m_toolbarView->awakeFromNib();
  m_toolOptions->awakeFromNib();
  m_toolOptionsVC->awakeFromNib();
  m_infoBarView->awakeFromNib();

  m_windowTabs->setDelegate(m_strip.get());
  NotificationCenter::defaultCenter().addObserver(this, g_toggleInfoNotification, static_cast<QObject*>(window),
                                                  [this](const CSNotification&) { toggleInfoCommand(this->window()); });
  QPointer<CSWindowTabs> tabs = m_windowTabs;
  QTimer::singleShot(0, window, [tabs] {
    if (tabs) tabs->reloadTabsWithoutSwitching();
  });
  m_windowTabs->reloadTabs();
  m_windowTabs->selectTab(kDrawingTab);
  DRMainMenu::install(this);
}

void DRWindowController::postWindowNotification(const QString& name) {
  NotificationCenter::defaultCenter().post(name, static_cast<QObject*>(window()));
}

void DRWindowController::endEditing(bool normalize) {
  if (m_drawView) m_drawView->normalize(normalize);
}

// ---- Window events -------------------------------------------------------------------------

void DRWindowController::windowDidResignMain() {
  CSDocumentWC::windowDidResignMain();
  endEditing(true);
}

bool DRWindowController::windowShouldClose(QObject* sender) {
  DRDrawing* drawing = this->drawing();
  if (drawing) drawing->prepareToSave(true);
  // A locked drawing's window always closes, but nothing unsaved goes
  // unasked: a dirty one gets the save alert like any other.
  if (drawing && drawing->isLocked() && !drawing->isDirty()) {
    drawing->prepareToClose();
    return true;
  }
  return CSDocumentWC::windowShouldClose(sender);
}

void DRWindowController::windowWillClose() {
  if (m_closing) return;
  m_closing = true;
  postWindowNotification(g_windowWillCloseNotification);
  ClosePanels();
  if (m_windowTabs) m_windowTabs->setDelegate(nullptr);
  NotificationCenter::defaultCenter().removeObserver(this);
  CSDocumentWC::windowWillClose();
  if (DRDrawing* drawing = this->drawing(); drawing && drawing->documentHost() == this) {
    drawing->setDocumentHost(nullptr);
  }
}

// ---- Printing ------------------------------------------------------------------------------

DRPrintView* DRWindowController::newPrintView() {
  auto* view = new DRPrintView;
  view->setDrawing(drawing());
  view->setDrawView(m_drawView);
  return view;
}

std::unique_ptr<QWidget> DRWindowController::newPrintWidget() {
  if (!drawing() || drawing()->elements().empty()) return nullptr;
  return std::make_unique<PrintHolder>(std::unique_ptr<DRPrintView>(newPrintView()));
}

bool DRWindowController::renderPrintView(QWidget* view, QPrinter& printer) {
  auto* holder = dynamic_cast<PrintHolder*>(view);
  if (!holder || !holder->printView || !drawing()) return CSDocumentWC::renderPrintView(view, printer);
  return holder->printView->print(&printer, drawing()->printInfo()) > 0;
}

// ---- Accessors -----------------------------------------------------------------------------

const std::vector<DRElement*>& DRWindowController::selection() const {
  static const std::vector<DRElement*> kNone;
  return m_drawView ? m_drawView->selection() : kNone;
}

void DRWindowController::invalidateElement(DRElement* element) {
  if (m_drawView) m_drawView->invalidateElement(element);
}

const DRWindowController::BitmapTab* DRWindowController::bitmapDictForGuid(const QString& guid) const {
  const auto found = m_bitmapDicts.find(guid);
  return found == m_bitmapDicts.end() ? nullptr : &found->second;
}

DRActionTarget* DRWindowController::currentTarget() const {
  return dynamic_cast<DRActionTarget*>(m_currentVC);
}

// ---- Tabs ----------------------------------------------------------------------------------

DRElement* DRWindowController::topLevelBitmap(const QString& guid) const {
  const DRDrawing* drawing = this->drawing();
  if (!drawing) return nullptr;
  const DRElementList& elements = drawing->elements();
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    auto* bitmap = dynamic_cast<DRElementBitmap*>(it->get());
    if (bitmap && bitmap->elementType() == kElementBitmap && bitmap->guid() == guid) return bitmap;
  }
  return nullptr;
}

QString DRWindowController::bitmapTitle(const BitmapTab& record) const {
  if (auto* bitmap = static_cast<DRElementBitmap*>(topLevelBitmap(record.guid)); bitmap && !bitmap->name().isNull()) {
    return bitmap->name();
  }
  return QStringLiteral("Painting %1").arg(record.number);
}

void DRWindowController::showView(QWidget* view) {
  if (!m_scrollView || !view || m_scrollView->widget() == view) return;
  if (QWidget* former = m_scrollView->takeWidget()) {
    former->setParent(m_parking);
    former->hide();
  }
  m_scrollView->setWidget(view);
  view->show();
  if (view == m_drawView) SetScrollingOrigin(m_scrollView, m_drawView->scrollOrigin().toPoint());
}

void DRWindowController::selectTab(const QString& identifier) {
  DRContentVC* controller = nullptr;
  QWidget* view = nullptr;
  if (identifier.isEmpty() || identifier == kDrawingTab) {
    controller = m_drawVC.get();
    view = m_drawView;
  } else {
    const auto found = m_bitmapDicts.find(identifier);
    if (found == m_bitmapDicts.end() || !found->second.control) return;
    controller = found->second.control.get();
    view = found->second.control->view();
    if (drawing()) drawing()->setPaintingDirty(false);
  }
  m_currentVC = controller;
  postWindowNotification(g_reloadPropertiesNotification);
  showView(view);
  postWindowNotification(g_zoomChangeNotification);
  postWindowNotification(g_tabChangeNotification);
  if (view) view->setFocus(Qt::OtherFocusReason);
}

bool DRWindowController::addPaintTabFor(DRElement* element) {
  auto* bitmap = dynamic_cast<DRElementBitmap*>(element);
  DRDrawing* drawing = this->drawing();
  if (!bitmap || !drawing) return false;
  const QString guid = bitmap->guid();
  if (!drawing->bitmapGuids().contains(guid)) drawing->bitmapGuids().append(guid);
  auto found = m_bitmapDicts.find(guid);
  if (found != m_bitmapDicts.end() && found->second.control) return false;
  if (found == m_bitmapDicts.end()) {
    BitmapTab record;
    record.guid = guid;
    record.number = ++m_bitmapIndex;
    found = m_bitmapDicts.emplace(guid, std::move(record)).first;
  }
  found->second.image = bitmap->painting();
  newPaintView(found->second);
  return true;
}

void DRWindowController::newPaintView(BitmapTab& record) {
  std::unique_ptr<DRPaintTabController> control;
  if (TabFactory()) control = TabFactory()(this);
  if (!control) control = std::make_unique<PlainPaintTab>();
  control->setBitmapGuid(record.guid);
  control->setPainting(record.image);
  control->setDrawing(drawing());
  control->setWindowController(this);
  if (QWidget* view = control->view()) {
    view->setParent(m_parking);
    view->hide();
  }
  record.control = std::move(control);
}

void DRWindowController::setupTabs(const QString& currentGuid, bool mayAnimate) {
  (void)mayAnimate;  // the strip changes without animation
  m_tabGuids.clear();
  std::vector<const BitmapTab*> open;
  for (auto& [guid, record] : m_bitmapDicts) {
    if (!record.control) continue;
    record.name = bitmapTitle(record);
    open.push_back(&record);
  }
  std::sort(open.begin(), open.end(), [](const BitmapTab* a, const BitmapTab* b) { return a->number < b->number; });
  for (const BitmapTab* record : open) m_tabGuids.append(record->guid);
  if (m_windowTabs) m_windowTabs->reloadTabs();
  if (!currentGuid.isEmpty()) {
    if (m_windowTabs) m_windowTabs->selectTab(currentGuid);
    selectTab(currentGuid);
  }
  postWindowNotification(g_zoomChangeNotification);
}

void DRWindowController::closeTab(const QString& guid) {
  const auto found = m_bitmapDicts.find(guid);
  if (found == m_bitmapDicts.end()) return;
  BitmapTab& record = found->second;
  const QString selected = currentTabGuid();
  if (record.control && record.control->isDirty()) record.control->updateBimapElement();
  if (DRDrawing* drawing = this->drawing()) {
    drawing->bitmapGuids().removeAll(guid);
    drawing->setPaintingDirty(false);
  }
  const QString next = (selected.isEmpty() || selected == guid) ? kDrawingTab : selected;
  std::unique_ptr<DRPaintTabController> closed = std::move(record.control);
  setupTabs(next, true);
  if (m_windowTabs) m_windowTabs->selectTab(next);
  // The closed tab's canvas must have left the scroll area before it goes.
  if (closed && m_scrollView && closed->view() && m_scrollView->widget() == closed->view()) showView(m_drawView);
  closed.reset();
}

void DRWindowController::moveToDrawingCore(const CSImage& image, double x, double y) {
  auto* painting = dynamic_cast<DRPaintTabController*>(m_currentVC);
  if (!m_drawVC->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoMovePixels)) return;
  if (painting) {
    painting->deleteSelectionForMove();
    // The painting's own change rides on the entry just opened.
    m_drawVC->setSuppressUndo(true);
    painting->updateBimapElement();
    m_drawVC->setSuppressUndo(false);
  }
  if (m_windowTabs) m_windowTabs->selectTab(kDrawingTab);
  selectTab(kDrawingTab);
  ClipboardServices().PasteImageCore(m_drawView, image, nullptr, false, true, x, y);
}

void DRWindowController::editPaintings() {
  QString first;
  bool opened = false;
  // A copy: opening tabs must not be disturbed by selection changes.
  const std::vector<DRElement*> elements = selection();
  for (DRElement* element : elements) {
    auto* bitmap = dynamic_cast<DRElementBitmap*>(element);
    if (!bitmap || bitmap->elementType() != kElementBitmap) continue;
    if (first.isEmpty()) first = bitmap->guid();
    opened = addPaintTabFor(bitmap) || opened;
  }
  if (first.isEmpty()) return;
  if (opened) {
    setupTabs(first, true);
  } else {
    if (m_windowTabs) m_windowTabs->selectTab(first);
    selectTab(first);
  }
}

void DRWindowController::validateTabs() {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  const QStringList guids = drawing->bitmapGuids();
  for (auto it = guids.rbegin(); it != guids.rend(); ++it) {
    auto* bitmap = static_cast<DRElementBitmap*>(topLevelBitmap(*it));
    if (!bitmap) {
      closeTab(*it);
      continue;
    }
    const auto found = m_bitmapDicts.find(*it);
    if (found == m_bitmapDicts.end() || !found->second.control) continue;
    found->second.image = bitmap->painting();
    found->second.control->setPainting(bitmap->painting());
    found->second.control->bitmapDidResize();
    if (QWidget* view = found->second.control->view()) view->update();
  }
}

void DRWindowController::closeTabsForElements(const DRElementList& elements) {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  for (const auto& element : elements) {
    if (drawing->bitmapGuids().isEmpty()) break;
    auto* bitmap = dynamic_cast<DRElementBitmap*>(element.get());
    if (bitmap && drawing->bitmapGuids().contains(bitmap->guid())) closeTab(bitmap->guid());
  }
}

QString DRWindowController::currentTabGuid() const {
  for (const auto& [guid, record] : m_bitmapDicts) {
    if (record.control && record.control.get() == m_currentVC) return guid;
  }
  return QString();
}

// ---- The model's window --------------------------------------------------------------------

DRCanvasHost* DRWindowController::canvas() const {
  return m_drawView;
}

bool DRWindowController::hasAttachedSheet() const {
  if (!window()) return false;
  const auto dialogs = window()->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
  return std::any_of(dialogs.begin(), dialogs.end(), [](const QDialog* dialog) { return dialog->isVisible(); });
}

QRect DRWindowController::contentFrame() const {
  return window() ? window()->geometry() : QRect();
}

void DRWindowController::setContentFrame(const QRect& frame) {
  if (!window()) return;
  QRect rect = frame;
  if (const QScreen* screen = window()->screen()) {
    const QRect available = screen->availableGeometry();
    rect.setSize(rect.size().boundedTo(available.size()));
    rect.moveLeft(std::clamp(rect.left(), available.left(), available.right() - rect.width() + 1));
    rect.moveTop(std::clamp(rect.top(), available.top(), available.bottom() - rect.height() + 1));
  }
  window()->setGeometry(rect);
}

void DRWindowController::clearUndo() {
  if (m_currentVC) m_currentVC->clearUndo();
}

uint32_t DRWindowController::newUndoID() {
  return m_currentVC ? m_currentVC->newUndoID() : m_drawVC->newUndoID();
}

DREditorContent* DRWindowController::currentVC() const {
  return m_currentVC;
}

bool DRWindowController::isInfoPanelOpen() const {
  return m_infoContainer && m_infoContainer->parentWidget() == m_slidingContent && !m_infoContainer->isHidden();
}

void DRWindowController::toggleInfo() {
  if (!m_infoContainer || !m_slidingContent) return;
  if (isInfoPanelOpen()) {
    // Taken out of the window; this controller keeps it.
    m_infoContainer->hide();
    m_infoContainer->setParent(nullptr);
  } else {
    m_infoContainer->setParent(m_slidingContent);
    m_infoContainer->show();
  }
  static_cast<SlidingContent*>(m_slidingContent.data())->relayout();
  if (IsDrawContent(m_currentVC)) postWindowNotification(g_selectionChangeNotification);
}

void DRWindowController::toggleInfoCommand(QObject* sender) {
  if (!sender || !m_infoContainer || !m_scrollView) {
    toggleInfo();
    return;
  }
  {
    // A panel slid out leaves its parent when the animation goes.
    CSSidePanelAnimation animation(0.33, QEasingCurve::InOutSine);
    animation.setPanel(m_infoContainer);
    animation.setDonor(m_scrollView);
    animation.setRight(true);
    animation.startAnimation();
  }
  static_cast<SlidingContent*>(m_slidingContent.data())->relayout();
  if (IsDrawContent(m_currentVC)) postWindowNotification(g_selectionChangeNotification);
}
