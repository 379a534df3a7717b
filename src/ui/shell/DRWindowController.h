#pragma once
// The controller of one drawing window. The window shows the drawing and,
// in the in-window tab strip, a "Drawing" tab plus one tab per painting
// being edited; choosing a tab swaps the canvas inside the scroll area and
// the content controller that serves it. The controller also holds the
// info bar, the tool palette, the status line and the info panel, answers
// the window's save, print and page-layout commands and passes the editing
// commands of the menu bar to the current content controller.
//
// DRWindowController.cpp: life, layout, tabs and the seams.
// DRWindowActions.cpp: the commands, their validation and the status texts.

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "model/DRDrawing.h"
#include "support/CSImage.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/DRStatusView.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/CSWindowTabs.h"
#include "ui/shell/DRPrintAccessories.h"

class DRPainting;
class DRToolOptionsVC;
class QAction;

// The controller of a painting tab as the window sees it. The painting
// editor registers a factory for its own controllers; until one is
// registered a tab shows a plain view.
class DRPaintTabController : public DRContentVC, public DRActionTarget {
 public:
  // The tab's canvas; the controller owns it.
  virtual QWidget* view() const = 0;
  const QString& bitmapGuid() const { return m_bitmapGuid; }
  void setBitmapGuid(const QString& guid) { m_bitmapGuid = guid; }
  const std::shared_ptr<DRPainting>& painting() const { return m_painting; }
  virtual void setPainting(const std::shared_ptr<DRPainting>& painting) { m_painting = painting; }
  // The bitmap element was resized by undo, redo or revert.
  virtual void bitmapDidResize() {}
  // Edits not yet written back to the bitmap element.
  virtual bool isDirty() const { return false; }
  // The canvas deletes its selection and selects nothing: its pixels are
  // moving into the drawing.
  virtual void deleteSelectionForMove() {}

  DRContentKind contentKind() const override { return DRContentKind::kPainting; }
  DREditorContentView* contentView() const override { return nullptr; }

 private:
  QString m_bitmapGuid;
  std::shared_ptr<DRPainting> m_painting;
};

// The document window and the editor's window host both name a printView
// hook, with different answers; these two give each a name of its own.
class DRDocumentWCPrinting : public CSDocumentWC {
 public:
  using CSDocumentWC::CSDocumentWC;
  std::unique_ptr<QWidget> printView() final { return newPrintWidget(); }

 protected:
  virtual std::unique_ptr<QWidget> newPrintWidget() = 0;
};
class DREditorHostPrinting : public DREditorWindowHost {
 public:
  DRPrintView* printView() final { return newPrintView(); }

 protected:
  virtual DRPrintView* newPrintView() = 0;
};

class DRWindowController : public DRDocumentWCPrinting, public DREditorHostPrinting, public DRActionTarget {
  Q_OBJECT
 public:
  // The identifier of the drawing's tab.
  static const QString kDrawingTab;  // "Drawing"

  using PaintTabFactory = std::function<std::unique_ptr<DRPaintTabController>(DRWindowController* window)>;
  // Null: tabs show a plain view.
  static void setPaintTabFactory(PaintTabFactory factory);

  // One record per painting that has had a tab in this window; closing the
  // tab drops only the controller, so reopening keeps the tab's place.
  struct BitmapTab {
    QString guid;
    uint64_t number = 0;  // gives the tab order
    std::shared_ptr<DRPainting> image;
    std::unique_ptr<DRPaintTabController> control;
    QString name;
  };

  explicit DRWindowController(std::unique_ptr<DRDrawing> drawing);
  ~DRWindowController() override;

  // ---- Accessors ----
  DRDrawing* drawing() const;
  DRDrawView* drawView() const { return m_drawView; }
  DRDrawVC* drawVC() const { return m_drawVC.get(); }
  DRInfobarView* infoBarView() const { return m_infoBarView; }
  DRToolbarView* toolbarView() const { return m_toolbarView; }
  DRStatusView* statusView() const { return m_statusView; }
  CSWindowTabs* windowTabs() const { return m_windowTabs; }
  QScrollArea* scrollView() const { return m_scrollView; }
  QWidget* infoContainer() const { return m_infoContainer; }
  // The inspector's slot inside the info panel.
  QWidget* propertyView() const { return m_propertyView; }
  DRContentVC* currentContent() const { return m_currentVC; }
  const std::vector<DRElement*>& selection() const;
  void invalidateElement(DRElement* element);
  const BitmapTab* bitmapDictForGuid(const QString& guid) const;
  // Painting tabs shown, in strip order.
  const QStringList& tabGuids() const { return m_tabGuids; }
  // The chain of menu commands: current content controller, then this.
  DRActionRouter& actionRouter() { return m_router; }

  // ---- Window events ----
  void windowDidResignMain() override;
  bool windowShouldClose(QObject* sender) override;
  void windowWillClose() override;

  // ---- Hooks of the document window ----
  uint32_t printOptions() override { return kDefaultPrintOptions; }
  std::unique_ptr<CSDocumentSaveFormatVC> saveFormatVC() override;
  QWidget* printOptionsVC() override;
  bool renderPrintView(QWidget* view, QPrinter& printer) override;

  // ---- Painting tabs ----
  QString bitmapTitle(const BitmapTab& record) const;
  // Opens the tab of a bitmap element; false when it is open already.
  bool addPaintTabFor(DRElement* bitmap);
  void selectTab(const QString& identifier);
  // Moves pixels from the current painting tab into the drawing: the
  // painting loses its selection and is written back, the drawing tab is
  // selected and the image becomes a bitmap element centred on (x, y) in
  // view units (negative: the visible centre). Nothing happens when the
  // drawing refuses the undo entry.
  void moveToDrawingCore(const CSImage& image, double x, double y);
  void closeTab(const QString& guid);

  // ---- DRDocumentHost ----
  QMainWindow* window() const override { return CSDocumentWC::window(); }
  DRCanvasHost* canvas() const override;
  bool hasAttachedSheet() const override;
  QRect contentFrame() const override;
  void setContentFrame(const QRect& frame) override;
  void clearUndo() override;
  uint32_t newUndoID() override;
  void closeTabsForElements(const DRElementList& elements) override;
  void validateTabs() override;
  QString currentTabGuid() const override;
  void addPaintTab(DRElement* bitmap) override { addPaintTabFor(bitmap); }
  void setupTabs(const QString& currentGuid, bool mayAnimate) override;
  bool isInfoPanelOpen() const override;
  void toggleInfo() override;

  // ---- DREditorWindowHost ----
  DREditorContent* currentVC() const override;
  void setStatus(const QString& status) override;
  void setPositionStatusX(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) override;
  void setSizeStatusWidth(MeasureUnit width, MeasureUnit height) override;
  void setDeltaStatusX(MeasureUnit x, MeasureUnit y) override;
  void setLineStatusFrom(CSPoint from, CSPoint to) override;
  void editPaintings() override;
  bool resizing() const override { return false; }

  // The status texts, as setStatus receives them (null: no text).
  static QString positionStatusText(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height);
  static QString sizeStatusText(MeasureUnit width, MeasureUnit height);
  static QString deltaStatusText(MeasureUnit x, MeasureUnit y);
  static QString lineStatusText(CSPoint from, CSPoint to);

  // ---- DRActionTarget ----
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  bool validateMenuItem(const QString& selector, QAction* item) override;

  // ---- Commands ----
  // Whether saveDocument saves in place (else it opens the save panel).
  bool savesInPlace() const;
  void saveDocument(QObject* sender);
  void saveDocumentAs(QObject* sender);
  void saveDocumentCopy(QObject* sender);
  void revertDocument(QObject* sender);
  void printDrawing(QObject* sender);
  // The page-layout sheet on the window, with its undo entry; the sheet is
  // up until it ends (pageLayoutEnded).
  void runPageLayout(QObject* sender);
  void pageLayoutEnded(int result);
  DRPageSetupSheet* pageLayoutSheet() const { return m_pageSheet; }
  void createQuicklook(QObject* sender);
  // The distribute sheet; its OK distributes the selection by its gaps.
  void distribute(QObject* sender);
  void distributeSheetDidEnd(bool success, CSPoint offset);
  void editPaintingsCommand(QObject* sender);
  void closeTabCommand(QObject* sender);
  void nextTab(QObject* sender);
  void toggleSelect(QObject* sender);
  void swapSelectionColors(QObject* sender);
  void toggleInfoCommand(QObject* sender);

 protected:
  std::unique_ptr<QWidget> newPrintWidget() override;
  DRPrintView* newPrintView() override;

 private:
  class Strip;
  friend class Strip;

  void buildWindow();
  void showView(QWidget* view);
  void postWindowNotification(const QString& name);
  void endEditing(bool normalize);
  DRElement* topLevelBitmap(const QString& guid) const;
  void newPaintView(BitmapTab& record);
  DRActionTarget* currentTarget() const;
  bool forward(const QString& selector, QObject* sender);

  bool validateHasElements(QAction* item);
  bool validateEditPaintings(QAction* item);
  bool validateDistribute(QAction* item);
  bool validateSaveDocument(QAction* item);
  bool validateRevert(QAction* item);
  bool validateCloseTab(QAction* item);
  bool validateNextTab(QAction* item);
  bool validateCreateQuicklook(QAction* item);
  bool validateSwapSelectionColors(QAction* item);
  static const DRActionTable<DRWindowController>& actionTable();

  std::unique_ptr<DRDrawVC> m_drawVC;
  QPointer<DRDrawView> m_drawView;
  QPointer<CSWindowTabs> m_windowTabs;
  std::unique_ptr<Strip> m_strip;
  QPointer<QWidget> m_slidingContent;
  QPointer<QScrollArea> m_scrollView;
  QPointer<QWidget> m_infoContainer;
  QPointer<QWidget> m_propertyView;
  QPointer<DRInfobarView> m_infoBarView;
  QPointer<DRToolbarView> m_toolbarView;
  QPointer<DRToolOptionsContainer> m_toolOptions;
  QPointer<DRToolOptionsVC> m_toolOptionsVC;
  QPointer<DRStatusView> m_statusView;
  QPointer<QWidget> m_parking;  // holds the canvases not shown
  DRContentVC* m_currentVC = nullptr;
  QStringList m_tabGuids;
  std::map<QString, BitmapTab> m_bitmapDicts;
  uint64_t m_bitmapIndex = 0;
  DRActionRouter m_router;
  QPointer<DRPageSetupSheet> m_pageSheet;
  CSPrintInfo m_pageInfo;  // the set-up the sheet edits
  bool m_closing = false;
};
