#include "ui/shell/CSCorvaneHelpWC.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>

#include "platform/AtomicSwap.h"
#include "richtext/CBDocument.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/FindReplace.h"
#include "richtext/FontNames.h"
#include "richtext/NativeReader.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/Bookmarks.h"
#include "richtext/TextExtraction.h"
#include "richtext/views/CBDraftScrollView.h"
#include "richtext/views/CSCorvaneHelpHost.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/CSArrayString.h"
#include "support/DynamicArrays.h"
#include "support/Files.h"
#include "support/Fonts.h"
#include "support/SharedPreferences.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSSpeechManager.h"
#include "ui/shell/ShellWindows.h"

namespace {

// The pane flag that lets the pane draw.
constexpr int kPaneHasDisplay = 3;
// The document-wide flag byte the help sets (the 21st of the record's).
constexpr int kHelpFlagByte = 5;

const QString kClosePopoversNotification = QStringLiteral("cs.86popovers");

QList<CSCorvaneHelpWC*>& Controllers() {
  static QList<CSCorvaneHelpWC*> controllers;
  return controllers;
}

QString& HelpPathOverride() {
  static QString path;
  return path;
}

// The expanded state of each topic title, for the whole run once made.
std::optional<QVariantMap>& OpenStatus() {
  static std::optional<QVariantMap> status;
  return status;
}

CSCorvaneHelpHost& HelpHost() {
  static CSCorvaneHelpHost host;
  return host;
}

int Level(const QStandardItem* item) { return item ? item->data(CSCorvaneHelpWC::kLevelRole).toInt() : -1; }

bool IsExpandable(const QStandardItem* item) { return item && Level(item) < 2 && item->rowCount() > 0; }

bool IsInTree(const QStandardItem* item) { return item && item->model(); }

// The font of the document's normal style.
std::optional<QFont> NormalStyleFont(CorvaneDoc* doc) {
  if (!doc || !doc->styles || doc->styles->count() == 0) return std::nullopt;
  StyleEntry entry;
  FetchDynamicStringArrayEntry(doc->styles, 0, &entry);
  const uint32_t index = entry.charProps != kNoPropertyIndex ? entry.charProps : entry.props;
  const Properties* record = PropertiesAtIndex(doc, index);
  if (!record || record->type != kCharProperties) return std::nullopt;
  QFont font(FontName(doc, record->body.charProps.font));
  font.setPointSizeF(std::max(1.0, record->body.charProps.size / 4.0));
  return font;
}

}  // namespace

const QString CSCorvaneHelpWC::kHelpTopicKey = QStringLiteral("cs.helpTopic");
const QString CSCorvaneHelpWC::kHelpPositionKey = QStringLiteral("cs.helpPosition");
const QString CSCorvaneHelpWC::kHelpOpenTopicsKey = QStringLiteral("cs.helpOpenTopics");
const QString CSCorvaneHelpWC::kHelpZoomKey = QStringLiteral("cs.helpZoom");

// The window: its closing and its activity go to the controller.
class CSCorvaneHelpWC::Window : public QMainWindow {
 public:
  explicit Window(CSCorvaneHelpWC* controller) : m_controller(controller) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && m_controller) m_controller->windowWillClose();
  }
  void changeEvent(QEvent* event) override {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && m_controller) m_controller->windowDidBecomeKey(isActiveWindow());
  }

 private:
  QPointer<CSCorvaneHelpWC> m_controller;
};

QMainWindow* CSCorvaneHelpWC::window() const { return m_window.get(); }

// ---- Class operations ----------------------------------------------------------------

void CSCorvaneHelpWC::initialize() {
  static const bool once = [] {
    ConfigureCorvaneForHelp();
    return true;
  }();
  (void)once;
}

QString CSCorvaneHelpWC::helpPath() {
  const QString name = QStringLiteral("Help.") + g_nativePackageExtension;
  if (!HelpPathOverride().isEmpty()) return QFileInfo::exists(HelpPathOverride()) ? HelpPathOverride() : QString();
  const QDir folder(QCoreApplication::applicationDirPath());
  for (const QString& path : {folder.filePath(name), QDir::cleanPath(folder.filePath(QStringLiteral("../share/twdraw/") + name))}) {
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

void CSCorvaneHelpWC::setHelpPath(const QString& path) { HelpPathOverride() = path; }

void CSCorvaneHelpWC::forgetOpenStatus() { OpenStatus().reset(); }

CSCorvaneHelpWC* CSCorvaneHelpWC::applicationHelpWindow() {
  for (CSCorvaneHelpWC* controller : Controllers()) {
    if (controller->isApplicationHelp() && !controller->m_closed) return controller;
  }
  return nullptr;
}

void CSCorvaneHelpWC::displayHelp(uint64_t topic) { displayHelp(topic, kHelpNotFound); }

void CSCorvaneHelpWC::displayHelp(uint64_t topic, uint64_t bookmark) {
  initialize();
  CSCorvaneHelpWC* controller = applicationHelpWindow();
  bool isNew = false;
  if (!controller) {
    const QString path = helpPath();
    if (path.isEmpty()) {
      LogString("Can't load help file");
      return;
    }
    controller = helpWindowController(path, false);
    if (!controller) return;
    isNew = true;
  }
  if (topic != kHelpNotFound) {
    controller->jumpToTopic(topic, bookmark, true);
  } else if (isNew) {
    controller->jumpToTopic(kHelpNotFound, kHelpNotFound, true);
  }
  controller->showWindow();
}

CSCorvaneHelpWC* CSCorvaneHelpWC::displayFileAsHelp(const QString& path) {
  initialize();
  for (CSCorvaneHelpWC* controller : Controllers()) {
    if (!controller->m_closed && !controller->isApplicationHelp() && ArePathsEqual(controller->m_filePath, path)) {
      controller->showWindow();
      return controller;
    }
  }
  CSCorvaneHelpWC* controller = helpWindowController(path, true);
  if (!controller) return nullptr;
  controller->jumpToTopic(0, kHelpNotFound, true);
  controller->showWindow();
  return controller;
}

CSCorvaneHelpWC* CSCorvaneHelpWC::helpWindowController(const QString& path, bool keepPath) {
  std::unique_ptr<CSCorvaneHelpWC> controller(new CSCorvaneHelpWC);
  if (!controller->m_doc) return nullptr;
  QString reason;
  if (!controller->load(path, &reason)) {
    LogString("Can't read help file: %@", reason.isEmpty() ? g_nativeDamagedReason : reason);
    controller->m_closed = true;
    controller->m_window->close();
    return nullptr;
  }
  if (keepPath) controller->m_filePath = path;
  controller->prepareToShow();
  // The controller lives until its window closes.
  return controller.release();
}

// ---- Making and loading ------------------------------------------------------------

CSCorvaneHelpWC::CSCorvaneHelpWC() {
  if (Controllers().isEmpty()) SetCorvaneHost(&HelpHost());
  Controllers().append(this);
  m_doc = CBDocument::create();
  awakeFromNib();
}

CSCorvaneHelpWC::~CSCorvaneHelpWC() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  for (NotificationCenter::Token token : m_tokens) center.removeObserver(token);
  if (m_view) {
    m_view->setWindowController(nullptr);
    m_view->setViewService(nullptr);
  }
  if (m_doc && !m_doc->isClosing()) m_doc->documentWillClose();
  m_window.reset();
  m_doc.reset();
  Controllers().removeAll(this);
  if (Controllers().isEmpty() && &CurrentCorvaneHost() == &HelpHost()) SetCorvaneHost(nullptr);
}

void CSCorvaneHelpWC::awakeFromNib() {
  m_window = std::make_unique<Window>(this);
  m_window->setObjectName(QStringLiteral("CSCorvaneHelp"));
  m_window->resize(900, 640);
  auto* splitter = new QSplitter(Qt::Horizontal, m_window.get());
  m_topicList = new QTreeView(splitter);
  m_topicList->setHeaderHidden(true);
  m_topicList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_topicList->setSelectionMode(QAbstractItemView::SingleSelection);
  m_model = new QStandardItemModel(m_topicList);
  m_topicList->setModel(m_model);
  m_containerView = new QWidget(splitter);
  m_containerView->setAutoFillBackground(true);
  QPalette palette = m_containerView->palette();
  palette.setColor(QPalette::Window, Qt::white);
  m_containerView->setPalette(palette);
  auto* layout = new QHBoxLayout(m_containerView);
  layout->setContentsMargins(0, 0, 0, 0);
  m_scrollView = new CBDraftScrollView(m_containerView);
  layout->addWidget(m_scrollView);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 680});
  m_window->setCentralWidget(splitter);
  buildMenus();
  buildToolbar();

  m_navigationStack.reserve(100);
  m_currentStackPosition = -1;
  m_searchOptionMask = 10;
  connect(m_topicList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { topicSelectionChanged(); });
  connect(m_topicList, &QTreeView::expanded, this, [this](const QModelIndex& index) { topicExpanded(index, true); });
  connect(m_topicList, &QTreeView::collapsed, this, [this](const QModelIndex& index) { topicExpanded(index, false); });

  NotificationCenter& center = NotificationCenter::defaultCenter();
  QPointer<CSCorvaneHelpWC> self(this);
  if (m_doc) {
    m_tokens.push_back(center.addObserver(this, g_docClosingNotification, m_doc.get(), [self](const CSNotification&) {
      if (self) self->shutDown();
    }));
  }
  m_tokens.push_back(center.addObserver(this, g_darkModeChangedNotification, nullptr, [self](const CSNotification&) {
    if (self) self->changeDarkMode();
  }));
  changeDarkMode();
}

QAction* CSCorvaneHelpWC::addAction(QMenu* menu, const QString& name, const QString& title,
                                    void (CSCorvaneHelpWC::*method)(), const QKeySequence& shortcut) {
  auto* item = menu->addAction(title);
  item->setObjectName(name);
  if (!shortcut.isEmpty()) item->setShortcut(shortcut);
  QPointer<CSCorvaneHelpWC> self(this);
  connect(item, &QAction::triggered, this, [self, item, method] {
    if (self && self->validateMenuItem(item)) (self->*method)();
  });
  m_actions.append(item);
  return item;
}

void CSCorvaneHelpWC::buildMenus() {
  QMenuBar* bar = m_window->menuBar();
  QMenu* file = bar->addMenu(QObject::tr("&File"));
  addAction(file, QStringLiteral("saveHelpFile:"), QObject::tr("Save a Copy of the Help…"), &CSCorvaneHelpWC::saveHelpFile);
  addAction(file, QStringLiteral("closeWindow:"), QObject::tr("Close"), &CSCorvaneHelpWC::closeWindow,
            QKeySequence::Close);
  QMenu* edit = bar->addMenu(QObject::tr("&Edit"));
  addAction(edit, QStringLiteral("copy:"), QObject::tr("Copy"), &CSCorvaneHelpWC::copy, QKeySequence::Copy);
  QAction* all = edit->addAction(QObject::tr("Select All"));
  all->setObjectName(QStringLiteral("selectAll:"));
  all->setShortcut(QKeySequence::SelectAll);
  connect(all, &QAction::triggered, this, [this, all] {
    if (validateMenuItem(all)) selectAll(nullptr);
  });
  m_actions.append(all);
  edit->addSeparator();
  QMenu* findMenu = edit->addMenu(QObject::tr("Find"));
  addAction(findMenu, QStringLiteral("find:"), QObject::tr("Find…"), &CSCorvaneHelpWC::find, QKeySequence::Find);
  addAction(findMenu, QStringLiteral("findNext:"), QObject::tr("Find Next"), &CSCorvaneHelpWC::findNext,
            QKeySequence::FindNext);
  addAction(findMenu, QStringLiteral("findPrevious:"), QObject::tr("Find Previous"), &CSCorvaneHelpWC::findPrevious,
            QKeySequence::FindPrevious);
  addAction(findMenu, QStringLiteral("findFromStart:"), QObject::tr("Find from Start"), &CSCorvaneHelpWC::findFromStart);
  addAction(findMenu, QStringLiteral("useSelectionForFind:"), QObject::tr("Use Selection for Find"),
            &CSCorvaneHelpWC::useSelectionForFind, QKeySequence(Qt::CTRL | Qt::Key_E));
  findMenu->addSeparator();
  const QStringList options{QObject::tr("Whole Words"), QObject::tr("Ignore Case"), QObject::tr("Wrap Around"),
                            QObject::tr("From the Start")};
  for (int tag = 0; tag < options.size(); ++tag) {
    QAction* option = findMenu->addAction(options[tag]);
    option->setObjectName(QStringLiteral("setSearchOption:"));
    option->setData(tag);
    option->setCheckable(true);
    option->setChecked(m_searchOptionMask & (1u << tag));
    connect(option, &QAction::triggered, this, [this, option, tag] {
      if (validateMenuItem(option)) setSearchOption(tag);
    });
    m_actions.append(option);
  }
  QMenu* view = bar->addMenu(QObject::tr("&View"));
  addAction(view, QStringLiteral("zoomIn:"), QObject::tr("Zoom In"), &CSCorvaneHelpWC::zoomIn, QKeySequence::ZoomIn);
  addAction(view, QStringLiteral("zoomOut:"), QObject::tr("Zoom Out"), &CSCorvaneHelpWC::zoomOut,
            QKeySequence::ZoomOut);
  addAction(view, QStringLiteral("showFonts:"), QObject::tr("Help Font…"), &CSCorvaneHelpWC::showFonts);
  view->addSeparator();
  addAction(view, QStringLiteral("jumpPreviousChapter:"), QObject::tr("Previous Topic"),
            &CSCorvaneHelpWC::jumpPreviousChapter);
  addAction(view, QStringLiteral("jumpNextChapter:"), QObject::tr("Next Topic"), &CSCorvaneHelpWC::jumpNextChapter);
  QMenu* speech = bar->addMenu(QObject::tr("&Speech"));
  addAction(speech, QStringLiteral("startSpeaking:"), QObject::tr("Start Speaking"), &CSCorvaneHelpWC::startSpeaking);
  for (QMenu* menu : {file, edit, findMenu, view, speech}) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
      for (QAction* item : menu->actions()) {
        if (m_actions.contains(item)) item->setEnabled(validateMenuItem(item));
      }
    });
  }
}

void CSCorvaneHelpWC::buildToolbar() {
  QToolBar* toolbar = m_window->addToolBar(QObject::tr("Help"));
  toolbar->setObjectName(QStringLiteral("helpToolbar"));
  toolbar->setMovable(false);
  const auto addBar = [&](uint64_t tag, const QString& name) {
    auto* bar = new CSToolbarSegments(CSToolbarSegments::kMomentary, false, toolbar);
    bar->setBarTag(tag);
    bar->setDelegate(this);
    bar->setObjectName(name);
    bar->setFixedSize(64, 24);
    bar->setup();
    toolbar->addWidget(bar)->setObjectName(name);
    return bar;
  };
  m_historyBar = addBar(1, QStringLiteral("navigate:"));
  m_historyBar->setEnabledForTab(false, 0);
  m_historyBar->setEnabledForTab(false, 1);
  m_topicBar = addBar(2, QStringLiteral("jumpChapter:"));
  m_zoomPopup = new QComboBox(toolbar);
  for (int tag : {50, 75, 100, 125, 150, 175, 200, 250, 300, 400}) m_zoomPopup->addItem(QStringLiteral("%1%").arg(tag), tag);
  connect(m_zoomPopup, &QComboBox::activated, this, [this](int index) { changeZoom(index); });
  toolbar->addWidget(m_zoomPopup)->setObjectName(QStringLiteral("changeZoom:"));
  m_fontItem = toolbar->addAction(QObject::tr("Font"), this, [this] { showFonts(); });
  m_fontItem->setObjectName(QStringLiteral("showFonts:"));
  m_saveItem = toolbar->addAction(QObject::tr("Save a Copy"), this, [this] { saveHelpFile(); });
  m_saveItem->setObjectName(QStringLiteral("saveHelpFile:"));
  auto* spacer = new QWidget(toolbar);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolbar->addWidget(spacer);
  m_findBar = addBar(3, QStringLiteral("findSegments:"));
  m_searchField = new QLineEdit(toolbar);
  m_searchField->setPlaceholderText(QObject::tr("Search"));
  m_searchField->setClearButtonEnabled(true);
  m_searchField->setFixedWidth(200);
  connect(m_searchField, &QLineEdit::returnPressed, this, [this] { quickSearch(); });
  toolbar->addWidget(m_searchField)->setObjectName(QStringLiteral("quickSearch:"));
}

bool CSCorvaneHelpWC::load(const QString& path, QString* reason) {
  CorvaneDoc* doc = m_doc->corvaneDoc();
  if (!ReadNativeFile(doc, path, reason, NativeSource::kOwn)) return false;
  m_doc->setLocked(true);
  m_doc->setBlockChanges(true);
  doc->kind = kHelpDocument;
  // The text runs the width of the view, on a page without margins.
  doc->fitToWindow = 1;
  doc->docProps.ignorem = 1;
  doc->pageWidth = 864;
  doc->pageHeight = 864;
  doc->docProps.left = doc->docProps.top = doc->docProps.right = doc->docProps.bottom = 0;
  doc->hostWindow = this;
  doc->moreFlags[kHelpFlagByte] = 1;
  IdentifyBookmarks(doc);
  RebuildStyleList(doc);
  return true;
}

void CSCorvaneHelpWC::prepareToShow() {
  CorvaneDoc* doc = m_doc->corvaneDoc();
  // The outline: a name with two leading tabs is a third-level topic, one
  // tab a sub-topic, anything else a top-level topic.
  QStandardItem* lastTop = nullptr;
  QStandardItem* lastSub = nullptr;
  const uint32_t chapters = chapterCount();
  m_chapterMap.clear();
  m_model->clear();
  for (uint32_t chapter = 0; chapter < chapters; ++chapter) {
    const QString name = ChapterName(doc, chapter);
    int level = 0;
    QString title = name;
    if (name.startsWith(QLatin1String("\t\t"))) {
      level = 2;
      title = name.mid(2);
    } else if (name.startsWith(QLatin1Char('\t'))) {
      level = 1;
      title = name.mid(1);
    }
    auto* item = new QStandardItem(title);
    item->setEditable(false);
    item->setData(int(chapter), kChapterRole);
    item->setData(level, kLevelRole);
    QStandardItem* parent = level == 0 ? nullptr : level == 1 ? lastTop : lastSub;
    if (level == 0) {
      m_model->appendRow(item);
      lastTop = item;
      lastSub = nullptr;
    } else if (parent) {
      parent->appendRow(item);
      if (level == 1) lastSub = item;
    } else {
      // Before any parent: reachable by previous and next, in no branch.
      m_orphans.emplace_back(item);
    }
    m_chapterMap.push_back(item);
  }

  bool haveOpenStatus = true;
  if (!OpenStatus()) {
    const QVariant stored = QSettings().value(kHelpOpenTopicsKey);
    if (stored.canConvert<QVariantMap>() && stored.typeId() == QMetaType::QVariantMap) {
      OpenStatus() = stored.toMap();
    } else {
      OpenStatus() = QVariantMap();
      haveOpenStatus = false;
    }
  }

  m_view = new CSCorvaneHelpView(m_scrollView);
  m_view->setWindowController(this);
  m_view->setDocument(m_doc.get());
  m_view->setViewService(this);
  m_doc->closeAllPanes();
  SetupPane(doc, m_view, 1, kNoCpValue);
  CurrentPane(doc)->margin = 8.0f;
  m_scrollView->setDocument(m_doc.get());
  m_scrollView->setDocumentView(m_view);
  m_scrollView->setup(false);

  double zoom = QSettings().value(kHelpZoomKey, 0).toInt() / 100.0;
  if (!(zoom > 0)) zoom = 1.0;
  m_view->setZoomValue(zoom);
  updateZoomTool();

  m_view->setFocus(Qt::OtherFocusReason);
  for (int row = 0; row < m_model->rowCount(); ++row) expandTopic(m_model->item(row), haveOpenStatus);
  ensureCurrentTopic();

  if (!isApplicationHelp()) {
    ImportStyles(doc, g_prefsDoc);
    for (QAction* item : {m_saveItem, m_fontItem}) {
      if (item) item->setVisible(false);
    }
  } else {
    changeFont(nullptr);
  }
  QPointer<CSCorvaneHelpWC> self(this);
  m_tokens.push_back(NotificationCenter::defaultCenter().addObserver(
      this, kHelpFoundNotification, static_cast<QObject*>(this), [self](const CSNotification& notification) {
        if (self) self->showFindResult(notification.userInfo);
      }));
  if (Pane* pane = PaneAtIndex(doc, 0)) pane->paneFlags[kPaneHasDisplay] = 1;
}

// ---- The outline -------------------------------------------------------------------------

QStandardItem* CSCorvaneHelpWC::itemForChapter(int64_t chapter) const {
  if (chapter < 0 || uint64_t(chapter) >= m_chapterMap.size()) return nullptr;
  return m_chapterMap[size_t(chapter)];
}

void CSCorvaneHelpWC::expandTopic(QStandardItem* item, bool haveOpenStatus) {
  if (!IsExpandable(item)) return;
  if (isApplicationHelp()) {
    const QString title = item->text();
    if (haveOpenStatus && !OpenStatus()->value(title).toBool()) return;
    if (!haveOpenStatus) OpenStatus()->insert(title, true);
  }
  m_topicList->expand(item->index());
  for (int row = 0; row < item->rowCount(); ++row) expandTopic(item->child(row), haveOpenStatus);
}

void CSCorvaneHelpWC::ensureCurrentTopic() {
  if (m_chapterMap.empty()) return;
  ++m_navigationDepth;
  const size_t current = size_t(std::clamp<int64_t>(m_currentTopic, 0, int64_t(m_chapterMap.size()) - 1));
  QStandardItem* top = nullptr;
  for (size_t i = current + 1; i-- > 0;) {
    if (Level(m_chapterMap[i]) == 0) {
      top = m_chapterMap[i];
      break;
    }
  }
  if (IsExpandable(top) && IsInTree(top)) m_topicList->expand(top->index());
  QStandardItem* branch = nullptr;
  for (size_t i = current + 1; i-- > 0;) {
    if (Level(m_chapterMap[i]) <= 1) {
      branch = m_chapterMap[i];
      break;
    }
  }
  if (branch != top && IsExpandable(branch) && IsInTree(branch)) m_topicList->expand(branch->index());
  setTopicRowSelected(m_chapterMap[current]);
  --m_navigationDepth;
}

void CSCorvaneHelpWC::setTopicRowSelected(QStandardItem* item) {
  if (!IsInTree(item)) {
    m_topicList->selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = item->index();
  m_topicList->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  m_topicList->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void CSCorvaneHelpWC::topicSelectionChanged() {
  if (m_navigationDepth > 0) return;
  const QModelIndexList rows = m_topicList->selectionModel()->selectedIndexes();
  if (rows.isEmpty()) return;
  QStandardItem* item = m_model->itemFromIndex(rows.first());
  const auto found = std::find(m_chapterMap.begin(), m_chapterMap.end(), item);
  if (found == m_chapterMap.end()) return;
  jumpToTopic(uint64_t(found - m_chapterMap.begin()), kHelpNotFound, true);
}

void CSCorvaneHelpWC::topicExpanded(const QModelIndex& index, bool expanded) {
  if (!isApplicationHelp() || !OpenStatus()) return;
  if (QStandardItem* item = m_model->itemFromIndex(index)) OpenStatus()->insert(item->text(), expanded);
}

void CSCorvaneHelpWC::changeDarkMode() {
  QPalette palette = m_topicList->palette();
  palette.setColor(QPalette::Base, g_outlineViewBackground.isValid() ? g_outlineViewBackground : QColor(Qt::white));
  m_topicList->setPalette(palette);
}

// ---- Chapters ---------------------------------------------------------------------------

uint32_t CSCorvaneHelpWC::chapterCount() const {
  CorvaneDoc* doc = m_doc ? m_doc->corvaneDoc() : nullptr;
  return doc && doc->chapterMarks ? SizeOfDynamicCPArray(doc->chapterMarks) : 0;
}

uint32_t CSCorvaneHelpWC::chapterStart(uint64_t chapter) const {
  CorvaneDoc* doc = m_doc->corvaneDoc();
  if (chapter >= chapterCount()) return 0;
  return std::min(CpAtIndex(doc->chapterMarks, uint32_t(chapter)), doc->textLimit);
}

uint32_t CSCorvaneHelpWC::chapterLimit(uint64_t chapter) const {
  CorvaneDoc* doc = m_doc->corvaneDoc();
  if (chapter >= chapterCount()) return doc->textLimit;
  return std::min(CpAtIndex(doc->chapterMarks, uint32_t(chapter) + 1), doc->textLimit);
}

uint64_t CSCorvaneHelpWC::chapterForCp(uint32_t cp) const {
  const uint32_t count = chapterCount();
  if (count == 0) return 0;
  return std::min(IndexOfCp(m_doc->corvaneDoc()->chapterMarks, cp), count - 1);
}

// ---- Jumps and history ----------------------------------------------------------------------

void CSCorvaneHelpWC::jumpToTopic(uint64_t topic, uint64_t bookmark, bool record) {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc || doc->paneCount == 0 || !m_view) {
    Beep();
    return;
  }
  const uint32_t chapters = chapterCount();
  std::optional<uint32_t> place;
  if (topic == kHelpNotFound) {
    QSettings settings;
    const int64_t stored = settings.value(kHelpTopicKey, 0).toLongLong();
    const bool stale = stored < 0 || uint64_t(stored) >= chapters;
    // A topic the help no longer has shows the first; a place outside the
    // topic shows its start.
    topic = stale ? 0 : uint64_t(stored);
    const uint32_t start = chapterStart(topic);
    const int64_t offset = stale ? 0 : settings.value(kHelpPositionKey, 0).toLongLong();
    place = offset >= 0 && offset < int64_t(chapterLimit(topic)) - int64_t(start) ? start + uint32_t(offset) : start;
  } else if (topic >= chapters) {
    Beep();
    return;
  }
  Pane* pane = CurrentPane(doc);
  m_doc->trashDisplay(m_view);
  m_currentTopic = int64_t(topic);
  pane->chapterIndex = uint32_t(topic);
  ensureCurrentTopic();

  QStandardItem* item = itemForChapter(m_currentTopic);
  const QString title = item ? item->text() : QString();
  if (isApplicationHelp()) {
    m_window->setWindowTitle(QStringLiteral("%1 Help — %2").arg(g_appName, title));
  } else {
    const QString name = QFileInfo(m_filePath).completeBaseName();
    m_window->setWindowTitle(title.isEmpty() ? name : QStringLiteral("%1 — %2").arg(name, title));
  }

  const uint32_t start = chapterStart(topic);
  const uint32_t limit = chapterLimit(topic);
  bool selected = false;
  if (bookmark != kHelpNotFound && doc->bookmarkMarks) {
    const uint32_t count = SizeOfDynamicCPArray(doc->bookmarkMarks);
    const uint32_t first = IndexOfCpAfter(doc->bookmarkMarks, start);
    if (first < count && bookmark < uint64_t(count - first)) {
      const uint32_t cp = CpAtIndex(doc->bookmarkMarks, first + uint32_t(bookmark));
      if (cp >= start && cp < limit) {
        SelectCps(doc, cp, std::max(cp, SentenceLimit(doc, cp)), false);
        selected = true;
      }
    }
  }
  if (!selected) {
    const uint32_t caret = place.value_or(start);
    SelectCps(doc, caret, caret, false);
  }
  if (!place) {
    QPointer<CSCorvaneHelpWC> self(this);
    QTimer::singleShot(0, this, [self] {
      if (self) self->showSelection();
    });
  } else if (pane->firstCp != int32_t(*place)) {
    m_doc->trashDisplay(m_view);
    pane->firstCp = int32_t(*place);
  }
  if (record) saveSelection();
  m_scrollView->resetKnobs();
  if (IsInTree(item)) m_topicList->scrollTo(item->index());
}

void CSCorvaneHelpWC::showSelection() {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc) return;
  const Pane* pane = CurrentPane(doc);
  ShowSelection(doc, false, pane->anchor != pane->end);
}

void CSCorvaneHelpWC::saveSelection() {
  if (m_navigationDepth > 0 || !m_doc || m_doc->isClosing()) return;
  CorvaneDoc* doc = m_doc->corvaneDoc();
  const Pane* pane = CurrentPane(doc);
  while (m_navigationStack.size() > m_currentStackPosition + 1) m_navigationStack.removeLast();
  m_navigationStack.append(DocRange{doc, uint32_t(std::max(pane->anchor, 0)), uint32_t(std::max(pane->end, 0))});
  ++m_currentStackPosition;
  m_historyBar->setEnabledForTab(m_currentStackPosition > 0, 0);
  m_historyBar->setEnabledForTab(false, 1);
}

void CSCorvaneHelpWC::navigate(bool back) {
  const int64_t target = m_currentStackPosition + (back ? -1 : 1);
  if (target < 0 || target >= m_navigationStack.size() || !m_doc || m_doc->isClosing()) return;
  CorvaneDoc* doc = m_doc->corvaneDoc();
  ++m_navigationDepth;
  m_view->setFocus(Qt::OtherFocusReason);
  TurnOffSel(doc);
  const DocRange entry = m_navigationStack[target];
  jumpToTopic(chapterForCp(entry.first), kHelpNotFound, false);
  SelectCps(doc, entry.first, entry.limit, true);
  m_currentStackPosition = target;
  --m_navigationDepth;
  // Both directions stay open as far as the history reaches.
  m_historyBar->setEnabledForTab(m_currentStackPosition > 0, 0);
  m_historyBar->setEnabledForTab(m_currentStackPosition + 1 < m_navigationStack.size(), 1);
}

void CSCorvaneHelpWC::followLink(int32_t cp) {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc || cp < 0 || !doc->bookmarkMarks) return;
  const uint64_t topic = chapterForCp(uint32_t(cp));
  const uint32_t count = SizeOfDynamicCPArray(doc->bookmarkMarks);
  const uint32_t first = IndexOfCpAfter(doc->bookmarkMarks, chapterStart(topic));
  if (first >= count) return;
  const uint32_t at = IndexOfCp(doc->bookmarkMarks, uint32_t(cp));
  if (at < first || at >= count) return;
  jumpToTopic(topic, at - first, true);
}

void CSCorvaneHelpWC::focusView(CBDraftView* view) {
  if (!m_doc || m_doc->isClosing() || !view) return;
  m_doc->focusView(view);
  updateZoomTool(view->zoomValue());
}

void CSCorvaneHelpWC::showFindResult(const QVariantMap& userInfo) {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc) return;
  const QVariantMap range = userInfo.value(QStringLiteral("range")).toMap();
  const uint32_t location = range.value(QStringLiteral("location")).toUInt();
  const uint32_t length = range.value(QStringLiteral("length")).toUInt();
  if (location > doc->textLimit) return;
  const uint32_t limit = uint32_t(std::min<uint64_t>(uint64_t(location) + length, doc->textLimit));
  jumpToTopic(chapterForCp(location), kHelpNotFound, false);
  SelectCps(doc, location, limit, true);
  FlashSelection(CurrentPane(doc));
  saveSelection();
}

// ---- Zoom ------------------------------------------------------------------------------

void CSCorvaneHelpWC::zoomIn() {
  if (!m_view) return;
  const double zoom = m_view->zoomValue();
  if (zoom > double(kZoomSteps.back())) {
    performZoom(1.0);
    return;
  }
  const auto step = std::find_if(kZoomSteps.begin(), kZoomSteps.end(), [zoom](float s) { return double(s) >= zoom; });
  if (step == kZoomSteps.end() || step + 1 == kZoomSteps.end()) return;
  performZoom(double(*step) == zoom ? double(*(step + 1)) : double(*step));
}

void CSCorvaneHelpWC::zoomOut() {
  if (!m_view) return;
  const double zoom = m_view->zoomValue();
  if (zoom > double(kZoomSteps.back())) {
    performZoom(1.0);
    return;
  }
  const auto step = std::find_if(kZoomSteps.begin(), kZoomSteps.end(), [zoom](float s) { return double(s) >= zoom; });
  if (step == kZoomSteps.begin() || step == kZoomSteps.end()) return;
  performZoom(double(*(step - 1)));
}

void CSCorvaneHelpWC::performZoom(double zoom) {
  m_view->setZoomType(0);
  m_view->setZoomValue(zoom);
  updateZoomTool(zoom);
}

void CSCorvaneHelpWC::updateZoomTool() {
  if (m_view) updateZoomTool(m_view->zoomValue());
}

void CSCorvaneHelpWC::updateZoomTool(double zoom) {
  const int tag = int(zoom * 100.0);
  QSettings().setValue(kHelpZoomKey, tag);
  m_zoomPopup->setCurrentIndex(m_zoomPopup->findData(tag));
}

void CSCorvaneHelpWC::changeZoom(int index) {
  const int tag = m_zoomPopup->itemData(index).toInt();
  if (!m_view || tag <= 0) return;
  m_view->setZoomValue(tag / 100.0);
  m_view->setZoomType(0);
  QSettings().setValue(kHelpZoomKey, tag);
}

// ---- Font -------------------------------------------------------------------------------

void CSCorvaneHelpWC::changeFont(const QFont* chosen) {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc) return;
  const std::optional<QFont> current = NormalStyleFont(doc);
  QFont font;
  if (chosen) {
    font = *chosen;
  } else {
    const QVariant stored = CopyTindleWickObject(kHelpFontKey);
    if (!stored.isValid() || !FontFromDescriptor(stored.toString(), &font)) return;
  }
  if (current && FontName(*current) == FontName(font) && current->pointSizeF() == font.pointSizeF()) return;
  m_doc->setNormalFont(font, false);
  if (m_view) m_doc->trashDisplay(m_view);
  if (chosen) SetTindleWickObject(kHelpFontKey, FontDescriptor(font));
  m_font = font;
}

void CSCorvaneHelpWC::showFonts() {
  QFontDialog* dialog = SharedFontDialog(true);
  if (dialog->isVisible()) {
    dialog->hide();
    return;
  }
  QObject::disconnect(dialog, nullptr, this, nullptr);
  dialog->setOption(QFontDialog::NoButtons, true);
  const std::optional<QFont> current = m_font ? m_font : NormalStyleFont(m_doc ? m_doc->corvaneDoc() : nullptr);
  if (current) dialog->setCurrentFont(*current);
  connect(dialog, &QFontDialog::currentFontChanged, this, [this](const QFont& font) { changeFont(&font); });
  dialog->show();
  dialog->raise();
}

// ---- Find -------------------------------------------------------------------------------

bool CSCorvaneHelpWC::runFind(bool fromStart, bool forward) {
  return m_doc && !m_doc->isClosing() && m_doc->performFind(fromStart, forward);
}

void CSCorvaneHelpWC::find() {
  for (QToolBar* toolbar : m_window->findChildren<QToolBar*>()) toolbar->show();
  m_searchField->setFocus(Qt::ShortcutFocusReason);
  m_searchField->selectAll();
}

void CSCorvaneHelpWC::quickSearch() {
  const QString text = m_searchField->text();
  if (text.isEmpty()) {
    m_searchString.clear();
    return;
  }
  if (!m_doc || m_doc->isClosing()) return;
  m_doc->focusView(m_doc->currentPaneView());
  m_searchString = text;
  SetFindStrings(text, QString());
  SetFindOptions(uint32_t(m_searchOptionMask & ~uint64_t(kFindFromStart)));
  m_view->setFocus(Qt::OtherFocusReason);
  runFind(m_searchOptionMask & kFindFromStart, true);
}

void CSCorvaneHelpWC::findFromStart() { runFind(true, true); }

void CSCorvaneHelpWC::findNext() {
  if (!runFind(false, true)) Beep();
  if (m_view) m_view->setFocus(Qt::OtherFocusReason);
}

void CSCorvaneHelpWC::findPrevious() {
  if (!runFind(false, false)) Beep();
  if (m_view) m_view->setFocus(Qt::OtherFocusReason);
}

void CSCorvaneHelpWC::setSearchOption(int tag) {
  if (tag < 0 || tag > 31) return;
  m_searchOptionMask ^= uint64_t(1) << tag;
  SetFindOptions(uint32_t(m_searchOptionMask & ~uint64_t(kFindFromStart)));
}

void CSCorvaneHelpWC::useSelectionForFind() {
  if (!m_doc || m_doc->isClosing()) return;
  DocRange selection;
  GetSelectionRange(m_doc->corvaneDoc(), &selection);
  SetFindText(selection);
  m_searchString = FindString();
  m_searchField->setText(m_searchString);
}

// ---- Other actions ---------------------------------------------------------------------------

void CSCorvaneHelpWC::selectAll(QObject*) {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc) return;
  DocRange shown;
  GetPaneRange(doc, CurrentPane(doc), &shown);
  SelectCps(doc, shown.first, shown.limit, false);
  if (m_view) m_view->setFocus(Qt::OtherFocusReason);
}

void CSCorvaneHelpWC::copy() {
  if (m_doc && !m_doc->isClosing()) m_doc->copySelection();
}

void CSCorvaneHelpWC::closeWindow() { m_window->close(); }

void CSCorvaneHelpWC::jumpNextChapter() {
  if (m_currentTopic + 1 < int64_t(chapterCount())) jumpToTopic(uint64_t(m_currentTopic + 1), kHelpNotFound, true);
}

void CSCorvaneHelpWC::jumpPreviousChapter() {
  if (m_currentTopic > 0) jumpToTopic(uint64_t(m_currentTopic - 1), kHelpNotFound, true);
}

void CSCorvaneHelpWC::startSpeaking() {
  CorvaneDoc* doc = m_doc && !m_doc->isClosing() ? m_doc->corvaneDoc() : nullptr;
  if (!doc) return;
  QString text;
  SelectionEnum ranges;
  InitSelectionEnum(doc, nullptr, nullptr, true, &ranges);
  while (NextSelectionRange(&ranges)) {
    DocRange range{doc, ranges.first, ranges.limit};
    ExpandDocRange(&range, kExpandWords);
    const QString words = ExtractPlainText(range, false);
    if (!words.isEmpty()) text += words + QLatin1Char(' ');
  }
  CSSpeechManager::sharedInstance().speakString(text);
}

void CSCorvaneHelpWC::saveHelpFile() {
  const QString source = helpPath();
  if (source.isEmpty()) {
    Beep();
    return;
  }
  auto* dialog = new QFileDialog(m_window.get());
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly, true);
  dialog->setWindowTitle(QObject::tr("Select a folder in which to save a copy of the help file"));
  QPointer<QFileDialog> chooser(dialog);
  RunSheet(dialog, m_window.get(), [chooser, source](int result) {
    if (!chooser) return;
    const QUrl folder = OpenPanelUrl(chooser, result);
    if (!folder.isLocalFile()) return;
    const QString target =
        UniqueFileName(folder.toLocalFile(), QStringLiteral("%1 Help").arg(g_appName), g_nativePackageExtension);
    if (!CopyItemTree(source, target) || !ShowInFinder(target)) Beep();
  });
}

bool CSCorvaneHelpWC::validateMenuItem(QAction* item) {
  NotificationCenter::defaultCenter().post(kClosePopoversNotification);
  if (!item || !m_doc || m_doc->isClosing() || (m_view && m_view->selectionInProgress())) return false;
  const QString name = item->objectName();
  const uint64_t mask = m_doc->selectionMask();
  if (name == QLatin1String("copy:")) return mask & kMaskRange;
  if (name == QLatin1String("startSpeaking:")) return !(mask & (kMaskCaret | kMaskPicture));
  if (name == QLatin1String("jumpPreviousChapter:")) return m_currentTopic != 0;
  if (name == QLatin1String("jumpNextChapter:")) return m_currentTopic + 1 < int64_t(chapterCount());
  if (name == QLatin1String("findNext:") || name == QLatin1String("findFromStart:")) return MayFindNext();
  if (name == QLatin1String("findPrevious:")) return MayFindPrevious();
  if (name == QLatin1String("useSelectionForFind:")) return (mask & 0x1600) == kMaskRange;
  if (name == QLatin1String("setSearchOption:")) {
    item->setChecked(m_searchOptionMask & (uint64_t(1) << item->data().toInt()));
    return true;
  }
  return true;
}

QAction* CSCorvaneHelpWC::action(const QString& name) const {
  for (QAction* item : m_actions) {
    if (item->objectName() == name) return item;
  }
  return nullptr;
}

bool CSCorvaneHelpWC::useStandardKeys() { return g_advancedUser; }

// ---- Segment bars -----------------------------------------------------------------------------

CSToolbarSegments* CSCorvaneHelpWC::segments(uint64_t barTag) const {
  switch (barTag) {
    case 1: return m_historyBar;
    case 2: return m_topicBar;
    case 3: return m_findBar;
    default: return nullptr;
  }
}

QList<CSSegmentContent> CSCorvaneHelpWC::tabsForSegments(CSToolbarSegments* bar) {
  switch (bar ? bar->barTag() : 0) {
    case 1: {
      const auto icon = [](const char* name, QStyle::StandardPixmap fallback) {
        QIcon image = QIcon::fromTheme(QLatin1String(name));
        if (image.isNull()) image = QApplication::style()->standardIcon(fallback);
        return CSSegmentContent(CSImage::initWithCGImage(image.pixmap(16, 16).toImage(), QSizeF(16, 16)), true);
      };
      return {icon("go-previous", QStyle::SP_ArrowBack), icon("go-next", QStyle::SP_ArrowForward)};
    }
    case 2:
    case 3: return {QStringLiteral("\u2B06\uFE0E"), QStringLiteral("\u2B07\uFE0E")};
    default: return {};
  }
}

void CSCorvaneHelpWC::tabWasSelected(uint64_t index, CSToolbarSegments* bar) {
  switch (bar ? bar->barTag() : 0) {
    case 1: navigate(index == 0); break;
    case 2:
      if (index == 0) {
        jumpPreviousChapter();
      } else {
        jumpNextChapter();
      }
      break;
    case 3:
      if (!runFind(false, index != 0)) Beep();
      if (m_view) m_view->setFocus(Qt::OtherFocusReason);
      break;
    default: break;
  }
}

// ---- Showing and closing ---------------------------------------------------------------------

void CSCorvaneHelpWC::showWindow() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != m_window.get()) {
    // Help asked from a modal dialog runs modally until its window closes.
    if (m_window->isVisible()) m_window->hide();
    m_window->setWindowModality(Qt::ApplicationModal);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (m_modalLoop) return;
    QEventLoop loop;
    m_modalLoop = &loop;
    QPointer<CSCorvaneHelpWC> self(this);
    loop.exec();
    if (self) {
      self->m_modalLoop = nullptr;
      if (self->m_window) self->m_window->setWindowModality(Qt::NonModal);
    }
    return;
  }
  m_window->show();
  m_window->raise();
  m_window->activateWindow();
}

void CSCorvaneHelpWC::windowDidBecomeKey(bool key) {
  if (m_doc && !m_doc->isClosing()) m_doc->setActive(key);
}

void CSCorvaneHelpWC::shutDown() {
  disconnect(m_topicList->selectionModel(), nullptr, this, nullptr);
  disconnect(m_topicList, nullptr, this, nullptr);
}

void CSCorvaneHelpWC::windowWillClose() {
  if (m_closed) return;
  m_closed = true;
  if (m_modalLoop) m_modalLoop->quit();
  if (isApplicationHelp() && m_doc && !m_doc->isClosing()) {
    CorvaneDoc* doc = m_doc->corvaneDoc();
    QSettings settings;
    settings.setValue(kHelpTopicKey, qlonglong(m_currentTopic));
    const Pane* pane = PaneAtIndex(doc, 0);
    const int64_t position = pane ? int64_t(pane->firstCp) - int64_t(chapterStart(uint64_t(m_currentTopic))) : 0;
    settings.setValue(kHelpPositionKey, qlonglong(std::max<int64_t>(position, 0)));
    if (OpenStatus()) settings.setValue(kHelpOpenTopicsKey, *OpenStatus());
  }
  if (m_doc && !m_doc->isClosing()) m_doc->documentWillClose();
  ClosePanels();
  deleteLater();
}

// ---- The shell's help seam -------------------------------------------------------------------

CSCorvaneHelpViewer& CSCorvaneHelpViewer::shared() {
  static CSCorvaneHelpViewer viewer;
  return viewer;
}

void CSCorvaneHelpViewer::InitCorvane() {
  if (m_started) return;
  CSCorvaneHelpWC::initialize();
  m_started = ::InitCorvane();
  if (!*m_started) LogString("The rich-text engine could not start: help is not available");
}

bool CSCorvaneHelpViewer::ensureStarted() {
  if (!m_started) InitCorvane();
  if (*m_started) return true;
  LogString("Can't show help: the rich-text engine did not start");
  return false;
}

void CSCorvaneHelpViewer::displayHelp(int64_t topic) {
  if (!ensureStarted()) return;
  CSCorvaneHelpWC::displayHelp(topic == kNoHelpTopic ? kHelpNotFound : uint64_t(topic));
}

void CSCorvaneHelpViewer::displayHelp(int64_t topic, const QString& bookmark) {
  if (!ensureStarted()) return;
  bool ok = false;
  const qulonglong number = bookmark.toULongLong(&ok);
  CSCorvaneHelpWC::displayHelp(topic == kNoHelpTopic ? kHelpNotFound : uint64_t(topic), ok ? number : kHelpNotFound);
}
