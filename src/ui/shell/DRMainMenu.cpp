#include "ui/shell/DRMainMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWindow>
#include <climits>

#include "platform/WindowOrder.h"
#include "support/CSKernel.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellWindows.h"

const QString DRMainMenu::kFileMenu = QStringLiteral("&File");
const QString DRMainMenu::kEditMenu = QStringLiteral("&Edit");
const QString DRMainMenu::kArrangeMenu = QStringLiteral("&Arrange");
const QString DRMainMenu::kTextMenu = QStringLiteral("&Text");
const QString DRMainMenu::kDrawMenu = QStringLiteral("&Draw");
const QString DRMainMenu::kPaintMenu = QStringLiteral("&Paint");
const QString DRMainMenu::kViewMenu = QStringLiteral("&View");
const QString DRMainMenu::kWindowMenu = QStringLiteral("&Window");
const QString DRMainMenu::kHelpMenu = QStringLiteral("&Help");

namespace {

const char* const kObjectName = "mainMenu";
// Marks the Window menu's items for the open document windows.
const char* const kWindowListProperty = "csWindowListItem";
constexpr int kNoTag = INT_MIN;

// The window commands answered here.
const QString kPerformClose = QStringLiteral("performClose:");
const QString kPerformMiniaturize = QStringLiteral("performMiniaturize:");
const QString kPerformZoom = QStringLiteral("performZoom:");
const QString kTerminate = QStringLiteral("terminate:");

// An item sending the selector, with the tag when there is one.
QAction* AddItem(QMenu* menu, const QString& title, const char* selector, int tag = kNoTag,
                 const QList<QKeySequence>& keys = {}) {
  QAction* item = menu->addAction(title);
  item->setProperty(DRActionRouter::kSelectorProperty, QString::fromLatin1(selector));
  if (tag != kNoTag) item->setProperty(DRDrawVC::kTagProperty, tag);
  if (!keys.isEmpty()) item->setShortcuts(keys);
  return item;
}

QAction* AddItem(QMenu* menu, const QString& title, const char* selector, QKeySequence::StandardKey key) {
  return AddItem(menu, title, selector, kNoTag, QKeySequence::keyBindings(key));
}

QAction* AddItem(QMenu* menu, const QString& title, const char* selector, const char* key) {
  return AddItem(menu, title, selector, kNoTag, {QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText)});
}

// An item whose check mark its validator sets.
QAction* AddCheckItem(QMenu* menu, const QString& title, const char* selector, int tag = kNoTag) {
  QAction* item = AddItem(menu, title, selector, tag);
  item->setCheckable(true);
  return item;
}

QString AppName() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? g_appName : name;
}

// A menu takes '&' for a mnemonic mark.
QString MenuText(QString text) {
  return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

// ---- Life ------------------------------------------------------------------------------------

DRMainMenu::DRMainMenu(DRWindowController* controller) : QObject(controller), m_controller(controller) {
  setObjectName(QString::fromLatin1(kObjectName));
}

DRMainMenu::~DRMainMenu() = default;

DRMainMenu* DRMainMenu::install(DRWindowController* controller) {
  if (!controller || !controller->window()) return nullptr;
  if (DRMainMenu* existing = of(controller)) return existing;
  auto* menu = new DRMainMenu(controller);
  menu->build();
  // A child of the controller, this goes only after the controller's router.
  controller->actionRouter().addTrailingTarget(menu);
  return menu;
}

DRMainMenu* DRMainMenu::of(const DRWindowController* controller) {
  return controller ? controller->findChild<DRMainMenu*>(QString::fromLatin1(kObjectName), Qt::FindDirectChildrenOnly)
                    : nullptr;
}

QMenuBar* DRMainMenu::menuBar() const {
  QMainWindow* window = m_controller->window();
  return window ? window->menuBar() : nullptr;
}

QMenu* DRMainMenu::menu(const QString& title) const {
  QMenuBar* bar = menuBar();
  if (!bar) return nullptr;
  for (QAction* action : bar->actions()) {
    if (action->menu() && action->text() == title) return action->menu();
  }
  return nullptr;
}

QMenu* DRMainMenu::recentMenu() const {
  return m_recentMenu.data();
}

QMenu* DRMainMenu::addMenu(const QString& title) {
  return menuBar()->addMenu(title);
}

void DRMainMenu::build() {
  buildFileMenu();
  buildEditMenu();
  buildArrangeMenu();
  buildTextMenu();
  buildDrawMenu();
  buildPaintMenu();
  buildViewMenu();
  buildWindowMenu();
  buildHelpMenu();
  DRActionRouter& router = m_controller->actionRouter();
  for (QAction* action : menuBar()->actions()) {
    if (action->menu()) router.attachMenu(action->menu());
  }
}

// ---- The menus -------------------------------------------------------------------------------

void DRMainMenu::buildFileMenu() {
  QMenu* menu = addMenu(kFileMenu);
  AddItem(menu, QStringLiteral("New"), "newUntitledDocument:", QKeySequence::New);
  AddItem(menu, QStringLiteral("Open…"), "openDocument:", QKeySequence::Open);
  m_recentMenu = menu->addMenu(QStringLiteral("Open Recent"));
  connect(m_recentMenu.data(), &QMenu::aboutToShow, this, &DRMainMenu::rebuildRecentMenu);
  rebuildRecentMenu();
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Close"), "performClose:", QKeySequence::Close);
  AddItem(menu, QStringLiteral("Close Tab"), "closeTab:", "Ctrl+Shift+W");
  AddItem(menu, QStringLiteral("Save"), "saveDocument:", QKeySequence::Save);
  AddItem(menu, QStringLiteral("Save As…"), "saveDocumentAs:", QKeySequence::SaveAs);
  AddItem(menu, QStringLiteral("Save a Copy…"), "saveDocumentCopy:");
  AddItem(menu, QStringLiteral("Revert to Saved"), "revertDocument:");
  AddCheckItem(menu, QStringLiteral("Save With Preview"), "createQuicklook:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Convert to PDF…"), "convertToPdf:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Page Setup…"), "runPageLayout:", "Ctrl+Shift+P");
  AddItem(menu, QStringLiteral("Print…"), "printDrawing:", QKeySequence::Print);
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Quit %1").arg(MenuText(AppName())), "terminate:", QKeySequence::Quit);
}

void DRMainMenu::buildEditMenu() {
  QMenu* menu = addMenu(kEditMenu);
  // The undo manager finds these by name and retitles them after the change
  // they would undo or redo.
  AddItem(menu, QStringLiteral("Undo"), "undoEdit:", QKeySequence::Undo)->setObjectName(QStringLiteral("undoEdit"));
  AddItem(menu, QStringLiteral("Redo"), "redoEdit:", QKeySequence::Redo)->setObjectName(QStringLiteral("redoEdit"));
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Cut"), "cut:", QKeySequence::Cut);
  AddItem(menu, QStringLiteral("Copy"), "copy:", QKeySequence::Copy);
  AddItem(menu, QStringLiteral("Paste"), "paste:", QKeySequence::Paste);
  AddItem(menu, QStringLiteral("Duplicate"), "duplicate:", "Ctrl+D");
  // The canvases take the Delete key themselves, also in the middle of a
  // drag, when they drop it; the item only shows the key.
  AddItem(menu, QStringLiteral("Delete\t%1").arg(QKeySequence(QKeySequence::Delete).toString(QKeySequence::NativeText)),
          "delete:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Select All"), "selectAll:", QKeySequence::SelectAll);
  AddItem(menu, QStringLiteral("Select None"), "selectNone:", QKeySequence::Deselect);
  AddItem(menu, QStringLiteral("Select by Type…"), "selectByType:");
  if (g_advancedUser) {
    // Tag 0 starts at the backmost element, any other steps to the next.
    AddItem(menu, QStringLiteral("Select First Element"), "selectElement:", 0);
    AddItem(menu, QStringLiteral("Select Next Element"), "selectElement:", 1);
  }
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Copy Style"), "copyElementStyle:", "Ctrl+Alt+C");
  AddItem(menu, QStringLiteral("Paste Style"), "pasteElementStyle:", "Ctrl+Alt+V");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Preferences…"), "showPreferences:", QKeySequence::Preferences);
}

void DRMainMenu::buildArrangeMenu() {
  QMenu* menu = addMenu(kArrangeMenu);
  AddItem(menu, QStringLiteral("Bring Forward"), "bringForward:", "Ctrl+]");
  AddItem(menu, QStringLiteral("Bring to Front"), "bringFront:", "Ctrl+Shift+]");
  AddItem(menu, QStringLiteral("Send Backward"), "sendBackward:", "Ctrl+[");
  AddItem(menu, QStringLiteral("Send to Back"), "sendBack:", "Ctrl+Shift+[");
  // The selection gathers where the last selected element stands: tag 0
  // keeps that element on top of the run, 1 puts it at the bottom.
  AddItem(menu, QStringLiteral("Order Selection Below Last Selected"), "orderToSelection:", 0);
  AddItem(menu, QStringLiteral("Order Selection Above Last Selected"), "orderToSelection:", 1);
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Align…"), "align:");
  AddItem(menu, QStringLiteral("Distribute…"), "distribute:");
  menu->addSeparator();
  // Tag 0 mirrors left to right, any other top to bottom.
  AddItem(menu, QStringLiteral("Flip Horizontal"), "flip:", 0);
  AddItem(menu, QStringLiteral("Flip Vertical"), "flip:", 1);
  // The tag is the turn in degrees; paintings turn only by these three.
  AddItem(menu, QStringLiteral("Rotate 90°"), "rotateFixed:", 90);
  AddItem(menu, QStringLiteral("Rotate 180°"), "rotateFixed:", 180);
  AddItem(menu, QStringLiteral("Rotate 270°"), "rotateFixed:", 270);
  AddItem(menu, QStringLiteral("Rotate…"), "rotate:");
  AddItem(menu, QStringLiteral("Scale…"), "scale:");
  AddItem(menu, QStringLiteral("Reset Size and Rotation"), "reset:");
}

void DRMainMenu::buildTextMenu() {
  QMenu* menu = addMenu(kTextMenu);
  // changeStyle:'s tags: 0 plain, 1 bold, 2 italic, 3 underline.
  AddCheckItem(menu, QStringLiteral("Plain"), "changeStyle:", 0);
  AddCheckItem(menu, QStringLiteral("Bold"), "changeStyle:", 1)->setShortcuts(QKeySequence::Bold);
  AddCheckItem(menu, QStringLiteral("Italic"), "changeStyle:", 2)->setShortcuts(QKeySequence::Italic);
  AddCheckItem(menu, QStringLiteral("Underline"), "changeStyle:", 3)->setShortcuts(QKeySequence::Underline);
  menu->addSeparator();
  // The text style's alignment codes: 0 left, 1 right, 2 centred, 3 justified.
  AddCheckItem(menu, QStringLiteral("Align Left"), "changeAlignment:", 0);
  AddCheckItem(menu, QStringLiteral("Center"), "changeAlignment:", 2);
  AddCheckItem(menu, QStringLiteral("Align Right"), "changeAlignment:", 1);
  AddCheckItem(menu, QStringLiteral("Justify"), "changeAlignment:", 3);
  menu->addSeparator();
  // resizeFont: grows with a tag of 1 or more and shrinks below that.
  AddItem(menu, QStringLiteral("Bigger"), "resizeFont:", 1, {QKeySequence(QStringLiteral("Ctrl+Alt+="))});
  AddItem(menu, QStringLiteral("Smaller"), "resizeFont:", -1, {QKeySequence(QStringLiteral("Ctrl+Alt+-"))});
  AddItem(menu, QStringLiteral("Fonts…"), "showFonts:", "Ctrl+Shift+T");
  AddItem(menu, QStringLiteral("Text Color…"), "showFontColor:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Shrink Frames to Text"), "shrinkText:");
  AddItem(menu, QStringLiteral("Combine Text"), "combineText:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Copy Text Style"), "copyTextStyle:");
  AddItem(menu, QStringLiteral("Paste Text Style"), "pasteTextStyle:");
}

void DRMainMenu::buildDrawMenu() {
  QMenu* menu = addMenu(kDrawMenu);
  AddItem(menu, QStringLiteral("Group"), "group:", "Ctrl+G");
  AddItem(menu, QStringLiteral("Ungroup"), "ungroup:", "Ctrl+Shift+G");
  if (g_advancedUser) AddItem(menu, QStringLiteral("Combine Shapes"), "groupMulti:");
  menu->addSeparator();
  AddCheckItem(menu, QStringLiteral("Reshape"), "reshape:");
  AddItem(menu, QStringLiteral("Add Points to Polygon"), "resumePolygon:");
  AddItem(menu, QStringLiteral("Toggle Select Tool"), "toggleSelect:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Insert Shape…"), "insertShape:");
  AddItem(menu, QStringLiteral("Background…"), "setBackground:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("New Painting…"), "newPainting:");
  AddItem(menu, QStringLiteral("Import Images…"), "importPaintings:");
  AddItem(menu, QStringLiteral("Convert to Painting"), "makePainting:");
  AddItem(menu, QStringLiteral("Edit Painting"), "editPaintings:", "Ctrl+E");
}

void DRMainMenu::buildPaintMenu() {
  // The painting tabs' commands: on the drawing tab nobody answers them.
  QMenu* menu = addMenu(kPaintMenu);
  AddItem(menu, QStringLiteral("Painting Size…"), "setPaintingSize:");
  AddItem(menu, QStringLiteral("Shrink to Fit"), "shrinkToFit:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Fill"), "fill:");
  AddItem(menu, QStringLiteral("Blur"), "blur:");
  AddItem(menu, QStringLiteral("Invert Colors"), "invert:");
  AddItem(menu, QStringLiteral("Convert to Grays"), "convertGray:");
  // convertColor:'s tag: non-zero turns the colours black, 0 white.
  AddItem(menu, QStringLiteral("Convert Colors to Black"), "convertColor:", 1);
  AddItem(menu, QStringLiteral("Convert Colors to White"), "convertColor:", 0);
  AddItem(menu, QStringLiteral("Adjust Colors…"), "adjustColor:");
  menu->addSeparator();
  // swapColors: with tag 0 replaces the swap colour by the fill colour; any
  // other tag recolours the selected pixels, which the window passes on
  // as swapColors: with the item's tag.
  AddItem(menu, QStringLiteral("Swap Colors"), "swapColors:", 0);
  AddItem(menu, QStringLiteral("Swap Selected Colors"), "swapSelectionColors:", 1);
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Move to Drawing"), "moveToDrawing:");
}

void DRMainMenu::buildViewMenu() {
  QMenu* menu = addMenu(kViewMenu);
  AddItem(menu, QStringLiteral("Zoom In"), "zoomIn:", kNoTag,
          QKeySequence::keyBindings(QKeySequence::ZoomIn) << QKeySequence(QStringLiteral("Ctrl+=")));
  AddItem(menu, QStringLiteral("Zoom Out"), "zoomOut:", QKeySequence::ZoomOut);
  // zoomByPercent:'s tag is the zoom factor itself.
  AddItem(menu, QStringLiteral("Actual Size"), "zoomByPercent:", 1, {QKeySequence(QStringLiteral("Ctrl+0"))});
  AddItem(menu, QStringLiteral("Zoom to 200%"), "zoomByPercent:", 2);
  AddItem(menu, QStringLiteral("Zoom to 400%"), "zoomByPercent:", 4);
  AddItem(menu, QStringLiteral("Show Selection"), "showSelection:");
  menu->addSeparator();
  AddCheckItem(menu, QStringLiteral("Page Breaks"), "togglePageBreaks:");
  AddCheckItem(menu, QStringLiteral("Grid"), "toggleDrawGrid:");
  AddCheckItem(menu, QStringLiteral("Drag Lines"), "toggleDragLines:");
  // setUnits:'s tags: 0 points, 1 inches, 2 fractional inches, 3 centimetres.
  QMenu* units = menu->addMenu(QStringLiteral("Units"));
  AddCheckItem(units, QStringLiteral("Points"), "setUnits:", 0);
  AddCheckItem(units, QStringLiteral("Inches"), "setUnits:", 1);
  AddCheckItem(units, QStringLiteral("Fractional Inches"), "setUnits:", 2);
  AddCheckItem(units, QStringLiteral("Centimeters"), "setUnits:", 3);
  menu->addSeparator();
  m_infoPanelItem = AddCheckItem(menu, QStringLiteral("Info Panel"), "toggleInfo:");
  // The window's command has no validator of its own to set the mark.
  connect(menu, &QMenu::aboutToShow, this, [this] {
    if (m_infoPanelItem) m_infoPanelItem->setChecked(m_controller->isInfoPanelOpen());
  });
}

void DRMainMenu::buildWindowMenu() {
  QMenu* menu = addMenu(kWindowMenu);
  AddItem(menu, QStringLiteral("Minimize"), "performMiniaturize:", "Ctrl+M");
  AddItem(menu, QStringLiteral("Zoom"), "performZoom:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Next Tab"), "nextTab:", QKeySequence::NextChild);
  AddItem(menu, QStringLiteral("Next Window"), "nextWindow:", "Ctrl+`");
  menu->addSeparator();
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { rebuildWindowList(menu); });
}

void DRMainMenu::rebuildWindowList(QMenu* menu) {
  if (!menu) return;
  // The items go later: one of them may be the sender of this very signal.
  for (QAction* item : menu->actions()) {
    if (!item->property(kWindowListProperty).toBool()) continue;
    menu->removeAction(item);
    item->deleteLater();
  }
  QWidget* own = m_controller->window();
  for (QWindow* handle : WindowOrder::shared().windows()) {
    CSDocumentWC* controller = CSDocumentWC::controllerOf(handle);
    if (!controller || !controller->window()) continue;
    QPointer<QWidget> window = controller->window();
    QAction* item = menu->addAction(MenuText(controller->miniaturizedTitle()));
    item->setProperty(kWindowListProperty, true);
    // Only this menu's own window carries the mark.
    item->setCheckable(window == own);
    item->setChecked(window == own);
    connect(item, &QAction::triggered, this, [window] {
      if (window) MakeKeyAndOrderFront(window);
    });
  }
}

void DRMainMenu::buildHelpMenu() {
  QMenu* menu = addMenu(kHelpMenu);
  AddItem(menu, QStringLiteral("%1 Help").arg(MenuText(AppName())), "showHelp:", QKeySequence::HelpContents);
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Contact TindleWick…"), "contactTindleWick:");
  AddItem(menu, QStringLiteral("Email Logs…"), "emailLogs:");
  AddItem(menu, QStringLiteral("Copy Logs"), "copyLogs:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("TindleWick Website"), "visitWebsite:");
  AddItem(menu, QStringLiteral("Donate…"), "donations:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("Check for Updates…"), "checkUpdates:");
  AddItem(menu, QStringLiteral("TindleWick News…"), "checkNewsUpdates:");
  menu->addSeparator();
  AddItem(menu, QStringLiteral("About %1").arg(MenuText(AppName())), "showAbout:");
}

// ---- Open Recent -----------------------------------------------------------------------------

void DRMainMenu::rebuildRecentMenu() {
  QMenu* menu = m_recentMenu;
  if (!menu) return;
  // The items go later: one of them may be the sender of this very signal.
  for (QAction* item : menu->actions()) {
    menu->removeAction(item);
    item->deleteLater();
  }
  CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current();
  const QStringList paths = delegate ? delegate->recentDocuments() : QStringList();
  // Two files of one name show their folders too.
  QHash<QString, int> nameCount;
  for (const QString& path : paths) ++nameCount[QFileInfo(path).fileName()];
  for (const QString& path : paths) {
    const QFileInfo info(path);
    QString title = info.fileName();
    if (title.isEmpty()) title = path;
    if (nameCount.value(info.fileName()) > 1) title += QStringLiteral(" — ") + info.dir().dirName();
    QAction* item = menu->addAction(MenuText(title));
    item->setToolTip(path);
    item->setData(path);
    connect(item, &QAction::triggered, this, [path] {
      if (CSDocumentAppDelegate* current = CSDocumentAppDelegate::current()) current->applicationOpenFile(path);
    });
  }
  if (!paths.isEmpty()) menu->addSeparator();
  QAction* clear = menu->addAction(QStringLiteral("Clear Menu"));
  clear->setEnabled(!paths.isEmpty());
  connect(clear, &QAction::triggered, this, [] {
    if (CSDocumentAppDelegate* current = CSDocumentAppDelegate::current()) current->clearRecentDocuments();
  });
}

// ---- The window commands ---------------------------------------------------------------------

bool DRMainMenu::respondsToSelector(const QString& selector) const {
  return selector == kPerformClose || selector == kPerformMiniaturize || selector == kPerformZoom ||
         selector == kTerminate;
}

bool DRMainMenu::performAction(const QString& selector, QObject* sender) {
  (void)sender;
  QMainWindow* window = m_controller->window();
  if (selector == kPerformClose) {
    m_controller->performClose();
  } else if (selector == kPerformMiniaturize) {
    if (window) window->showMinimized();
  } else if (selector == kPerformZoom) {
    if (window) window->isMaximized() ? window->showNormal() : window->showMaximized();
  } else if (selector == kTerminate) {
    if (CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current()) delegate->terminate();
  } else {
    return false;
  }
  return true;
}

bool DRMainMenu::validateMenuItem(const QString& selector, QAction* item) {
  (void)item;
  if (selector == kTerminate) return CSDocumentAppDelegate::current() != nullptr;
  QMainWindow* window = m_controller->window();
  return window && window->isVisible();
}
