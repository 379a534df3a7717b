#pragma once
// The controller of one document window: it owns the window and its
// document and does what every document window does whatever the document
// is: the save question when a dirty window closes (also while the
// application quits), the revert question, the save panel with its format
// accessory, printing, and the orderly tear-down of the window. Subclasses
// give the document-specific parts through the hooks.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "support/CSDocument.h"
#include "support/CSDocumentWindow.h"

class CSDocumentAppDelegate;
class CSDocumentSaveFormatVC;
class QMainWindow;
class QMessageBox;
class QPrinter;
class QWidget;
class QWindow;

class CSDocumentWC : public QObject, public virtual CSDocumentWindow {
  Q_OBJECT
 public:
  // The context of the save alert and of the save panel.
  enum SaveMode : int {
    kSaveClosing = 0,   // the user closes a dirty window: it closes after the save
    kSaveCopy = 1,      // save a copy
    kSaveAs = 2,        // save or save as
    kSaveQuitting = 3,  // the application quits: the window closes and the next one is asked
  };
  // Alert answers: the first, second and third button.
  static constexpr int kAlertFirstButton = 1000;
  static constexpr int kAlertSecondButton = 1001;
  static constexpr int kAlertThirdButton = 1002;
  // Print panel options: copies, page range, paper size, orientation, scaling, preview.
  static constexpr uint32_t kPrintShowsCopies = 0x1;
  static constexpr uint32_t kPrintShowsPageRange = 0x2;
  static constexpr uint32_t kPrintShowsPaperSize = 0x4;
  static constexpr uint32_t kPrintShowsOrientation = 0x8;
  static constexpr uint32_t kPrintShowsScaling = 0x10;
  static constexpr uint32_t kPrintShowsPreview = 0x20000;
  static constexpr uint32_t kDefaultPrintOptions = 0x2001F;
  // Answers of printWithInfo.
  static constexpr int kPrintSuccess = 0;
  static constexpr int kPrintFailure = 2;
  // The tabbing identifier every document window starts with, so that any
  // two may share a tab group.
  static const QString kDefaultTabbingIdentifier;

  explicit CSDocumentWC(std::unique_ptr<CSDocument> document = nullptr);
  ~CSDocumentWC() override;
  CSDocumentWC(const CSDocumentWC&) = delete;
  CSDocumentWC& operator=(const CSDocumentWC&) = delete;

  // ---- Class-wide ----
  // The extensions the save panel offers (a copy is kept); empty: no choice.
  static void setSaveTypes(const QStringList& types);
  static QStringList saveTypes();
  // The format chosen in the last confirmed save panel.
  static unsigned lastFormatIndex();
  static void setLastFormatIndex(unsigned index);
  // The controller of a document window, or null.
  static CSDocumentWC* controllerOf(const QWidget* window);
  static CSDocumentWC* controllerOf(const QWindow* window);

  // ---- Fields ----
  QMainWindow* window() const;
  QWindow* windowHandle() const;  // made when the window has none yet
  CSDocument* doc() const { return m_doc.get(); }
  void setDoc(std::unique_ptr<CSDocument> document);
  CSDocumentSaveFormatVC* formatVC() const { return m_formatVC.get(); }
  CSDocumentAppDelegate* appDelegate() const;
  QWidget* printingView() const { return m_printingView.get(); }

  // Links the controller to the application's delegate; the constructor
  // calls it.
  virtual void awakeFromNib();

  // ---- Window events ----
  virtual void windowDidBecomeMain();
  virtual void windowDidResignMain();
  // A dirty document shows the save alert, in quit mode when the sender is
  // the application's delegate; the answer is then yes for the delegate
  // (which waits for the alert) and no for anyone else. A clean document is
  // told prepareToClose and the answer is yes.
  virtual bool windowShouldClose(QObject* sender);
  // Runs once: the window ends editing, leaves its tab group and loses its
  // controller; the document is told prepareToClose and lets go of the
  // window; the shared panels close; the controller goes away with the
  // next pass of the event loop.
  virtual void windowWillClose();
  // Whether this window's save alert is up.
  bool isShowingSaveAlert() const { return m_saveAlertShowing; }
  // The close button and the Close command: asks, then closes. Closing the
  // last document window this way quits the application.
  void performClose();

  // ---- Operations ----
  QString filePath() const;
  // The title as the window shows it, without the edited mark.
  QString miniaturizedTitle() const;
  void showSaveAlert(int mode);
  void saveAlertEnded(QMessageBox* alert, int button, int mode);
  void showSavePanel(int mode, bool forceOriginalFolder);
  void showRevertAlert();
  void revertAlertEnded(QMessageBox* alert, int button);
  // Prints on the printer (its page set-up and destination already chosen).
  // Without the panel the print runs at once and the answer is
  // kPrintSuccess or kPrintFailure; with it the panel runs as a sheet and
  // the answer is kPrintFailure at once. Nothing to print: kPrintFailure.
  int printWithInfo(QPrinter& printer, bool showPanel);
  void printOperationFinished(bool success);

  // ---- CSDocumentWindow ----
  void setTitle(const QString& title) override;
  void setDocumentEdited(bool edited) override;
  void setRepresentedFilename(const QString& path) override;
  void redrawContent() override;

  // ---- Hooks ----
  virtual QString defaultFileName();
  virtual QString nameForSave();
  virtual QString secondarySaveMessage();
  virtual QString preferredExtension();
  virtual bool forceSaveAs();
  // A new accessory for a save panel, or null.
  virtual std::unique_ptr<CSDocumentSaveFormatVC> saveFormatVC();
  virtual bool canSaveToFormat(const QString& extension);
  // A new page for the print panel (the panel takes it), or null.
  virtual QWidget* printOptionsVC();
  virtual uint32_t printOptions();
  // A new view to print, or null when there is nothing to print.
  virtual std::unique_ptr<QWidget> printView();
  virtual void printOperationWasRun() {}
  // Draws the view on the printer's pages; the base scales the widget to
  // fit the first page.
  virtual bool renderPrintView(QWidget* view, QPrinter& printer);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Closes the window after the user's close was agreed; the last document
  // window is first gathered for the reopen list and the quit follows.
  void closeByUser();
  void closeForQuit();
  void savePanelEnded(QWidget* panel, int result, int mode, bool hadPath);
  void answerTerminate(bool terminate);

  QPointer<QMainWindow> m_window;
  std::unique_ptr<CSDocument> m_doc;
  std::unique_ptr<CSDocumentSaveFormatVC> m_formatVC;
  QPointer<CSDocumentAppDelegate> m_appDelegate;
  std::unique_ptr<QWidget> m_printingView;
  QString m_title;
  bool m_autoreleased = false;
  bool m_saveAlertShowing = false;
};
