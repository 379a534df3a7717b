#pragma once
// The help window: the application's help document shown one topic (one
// chapter) at a time, with a topic outline built from the chapter names, a
// history with back and forward, previous and next topic, find with its
// options, ten zoom steps, a chosen help font, speaking the selection,
// copying and saving a copy of the help. CSCorvaneHelpViewer is the shell's
// help seam over it: DRAppController registers it at launch.

#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/NotificationCenter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/views/CBViewService.h"
#include "richtext/views/CSCorvaneHelpView.h"
#include "ui/shell/CSToolbarSegments.h"
#include "ui/shell/ShellSeams.h"

class CBDocument;
class CBDraftScrollView;
class QAction;
class QComboBox;
class QEventLoop;
class QLineEdit;
class QMainWindow;
class QMenu;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

// The "no topic" and "no bookmark" of the class operations.
constexpr uint64_t kHelpNotFound = uint64_t(INT64_MAX);

class CSCorvaneHelpWC : public QObject,
                        public CBViewService,
                        public CSCorvaneHelpViewOwner,
                        public CSToolbarSegmentsDelegate {
 public:
  // The defaults keys.
  static const QString kHelpTopicKey;       // "cs.helpTopic"
  static const QString kHelpPositionKey;    // "cs.helpPosition"
  static const QString kHelpOpenTopicsKey;  // "cs.helpOpenTopics"
  static const QString kHelpZoomKey;        // "cs.helpZoom"
  // The outline's roles: the chapter index and the level (0 top, 1 sub,
  // 2 third level).
  static constexpr int kChapterRole = Qt::UserRole + 1;
  static constexpr int kLevelRole = Qt::UserRole + 2;

  ~CSCorvaneHelpWC() override;

  // ---- Class operations ----
  // The engine's configuration for the help (once per run).
  static void initialize();
  static void displayHelp(uint64_t topic);
  static void displayHelp(uint64_t topic, uint64_t bookmark);
  // Shows any native document as help; null when it can't be read.
  static CSCorvaneHelpWC* displayFileAsHelp(const QString& path);
  // The application's help document: beside the program, else in
  // ../share/twdraw; tests name another. Empty when there is none.
  static QString helpPath();
  static void setHelpPath(const QString& path);
  // The window showing the application help, or null.
  static CSCorvaneHelpWC* applicationHelpWindow();
  // Forgets the expanded-topic record kept for the run, as a new run would.
  static void forgetOpenStatus();

  QMainWindow* window() const;
  CBDocument* doc() const { return m_doc.get(); }
  CSCorvaneHelpView* textView() const { return m_view; }
  CBDraftScrollView* scrollView() const { return m_scrollView; }
  QTreeView* topicList() const { return m_topicList; }
  QLineEdit* searchField() const { return m_searchField; }
  QComboBox* zoomPopup() const { return m_zoomPopup; }
  QString filePath() const { return m_filePath; }
  int64_t currentTopic() const { return m_currentTopic; }
  const QList<DocRange>& navigationStack() const { return m_navigationStack; }
  int64_t currentStackPosition() const { return m_currentStackPosition; }
  QString searchString() const { return m_searchString; }
  uint64_t searchOptionMask() const { return m_searchOptionMask; }
  // The outline item of each chapter (null for none) and the top-level
  // topics.
  QStandardItem* itemForChapter(int64_t chapter) const;
  QStandardItemModel* topicModel() const { return m_model; }
  // The segment bars: 1 history, 2 topics, 3 find.
  CSToolbarSegments* segments(uint64_t barTag) const;
  // The menu actions by their action names ("copy:", "zoomIn:", ...).
  QAction* action(const QString& name) const;

  // ---- Operations ----
  void jumpToTopic(uint64_t topic, uint64_t bookmark, bool record);
  void saveSelection() override;
  void followLink(int32_t cp) override;
  void focusView(CBDraftView* view) override;
  std::optional<QFont> font() const override { return m_font; }
  void navigate(bool back);
  void showSelection();
  void showFindResult(const QVariantMap& userInfo);
  void performZoom(double zoom);
  void updateZoomTool();
  void updateZoomTool(double zoom);

  // ---- Actions ----
  // A font from the font dialog, or null to apply the stored help font.
  void changeFont(const QFont* chosen);
  void changeZoom(int index);
  void copy();
  void closeWindow();
  void find();
  void findFromStart();
  void findNext();
  void findPrevious();
  void jumpNextChapter();
  void jumpPreviousChapter();
  void quickSearch();
  void saveHelpFile();
  void selectAll(QObject* sender) override;
  // Flips the option bit 1 << tag.
  void setSearchOption(int tag);
  void showFonts();
  void startSpeaking();
  void useSelectionForFind();
  void zoomIn();
  void zoomOut();
  // Whether the action may run now; closes any popover first.
  bool validateMenuItem(QAction* action);

  // ---- CBViewService ----
  QMenu* pageContextMenu() override { return nullptr; }
  QMenu* paragraphContextMenu() override { return nullptr; }
  QMenu* pictureContextMenu() override { return nullptr; }
  QMenu* textContextMenu() override { return nullptr; }
  uint32_t newUndoID() override { return 0xFFFFFFFF; }
  CSUndoManager* undoManager() override { return nullptr; }
  void clearGoodWordMarks(QObject*) override {}
  void clearSpellingError() override {}
  void correctWord(const QString&) override {}
  void rememberWord(const QString&) override {}
  bool spellingErrorAt(int32_t) override { return false; }
  void plain(QObject*) override {}
  bool dragAndDrop() override { return true; }
  bool useStandardKeys() override;
  double verticalRulerWidth() override { return 0.0; }
  bool mayRespond() override { return true; }
  uint32_t optionalOperations() const override { return kSetStatusMessage; }

  // ---- CSToolbarSegmentsDelegate ----
  QList<CSSegmentContent> tabsForSegments(CSToolbarSegments* segments) override;
  void tabWasSelected(uint64_t index, CSToolbarSegments* segments) override;

  // Closing: stores the place and the outline's state (application help),
  // ends a modal run and lets the controller go.
  void windowWillClose();
  void windowDidBecomeKey(bool key);

 private:
  class Window;
  CSCorvaneHelpWC();
  static CSCorvaneHelpWC* helpWindowController(const QString& path, bool keepPath);
  bool isApplicationHelp() const { return m_filePath.isEmpty(); }
  void awakeFromNib();
  void buildMenus();
  void buildToolbar();
  bool load(const QString& path, QString* reason);
  void prepareToShow();
  void expandTopic(QStandardItem* item, bool haveOpenStatus);
  void ensureCurrentTopic();
  void setTopicRowSelected(QStandardItem* item);
  void topicSelectionChanged();
  void topicExpanded(const QModelIndex& index, bool expanded);
  void changeDarkMode();
  void shutDown();
  void showWindow();
  uint32_t chapterCount() const;
  uint32_t chapterStart(uint64_t chapter) const;
  uint32_t chapterLimit(uint64_t chapter) const;
  uint64_t chapterForCp(uint32_t cp) const;
  bool runFind(bool fromStart, bool forward);
  QAction* addAction(QMenu* menu, const QString& name, const QString& title, void (CSCorvaneHelpWC::*method)(),
                     const QKeySequence& shortcut = {});

  std::unique_ptr<Window> m_window;
  std::unique_ptr<CBDocument> m_doc;
  CBDraftScrollView* m_scrollView = nullptr;
  CSCorvaneHelpView* m_view = nullptr;
  QTreeView* m_topicList = nullptr;
  QStandardItemModel* m_model = nullptr;
  QLineEdit* m_searchField = nullptr;
  QComboBox* m_zoomPopup = nullptr;
  QWidget* m_containerView = nullptr;
  CSToolbarSegments* m_historyBar = nullptr;
  CSToolbarSegments* m_topicBar = nullptr;
  CSToolbarSegments* m_findBar = nullptr;
  QAction* m_saveItem = nullptr;
  QAction* m_fontItem = nullptr;
  QList<QAction*> m_actions;
  std::vector<QStandardItem*> m_chapterMap;
  // Items of chapters that fall in no branch of the outline.
  std::vector<std::unique_ptr<QStandardItem>> m_orphans;
  QString m_filePath;
  int64_t m_currentTopic = 0;
  QList<DocRange> m_navigationStack;
  int64_t m_currentStackPosition = -1;
  uint64_t m_navigationDepth = 0;
  std::optional<QFont> m_font;
  QString m_searchString;
  uint64_t m_searchOptionMask = 10;
  QEventLoop* m_modalLoop = nullptr;
  bool m_closed = false;
  std::vector<NotificationCenter::Token> m_tokens;
};

// The shell's help seam: starts the engine once (keeping a failure, which
// it logs, and then opens no help) and shows the application help.
class CSCorvaneHelpViewer : public CSHelpViewer {
 public:
  static CSCorvaneHelpViewer& shared();
  void InitCorvane() override;
  // kNoHelpTopic keeps (or restores) the place.
  void displayHelp(int64_t topic) override;
  // The bookmark is the number of the bookmark within the topic; text that
  // is no number counts as none.
  void displayHelp(int64_t topic, const QString& bookmark) override;
  // Whether the engine started: unknown until InitCorvane ran.
  std::optional<bool> engineStarted() const { return m_started; }

 private:
  bool ensureStarted();
  std::optional<bool> m_started;
};
