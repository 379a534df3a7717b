#include "ui/shell/CSDocumentWC.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QWindow>

#include "platform/WindowOrder.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/widgets/CSAlert.h"
#include "support/widgets/CSFilePanel.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSBundleKeys.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/CSDocumentSaveFormatVC.h"
#include "ui/shell/CSTabGroupHost.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/ShellWindows.h"

namespace {

constexpr char kControllerProperty[] = "csWindowController";

QStringList& SaveTypesSlot() {
  static QStringList types;
  return types;
}

unsigned g_lastFormatIndex = 0;

QString NameFilterFor(const QString& type) {
  return QStringLiteral("%1 (*.%1)").arg(type);
}

}  // namespace

const QString CSDocumentWC::kDefaultTabbingIdentifier = QStringLiteral("CSDocumentWC");

// ---- Class-wide ----------------------------------------------------------------------

void CSDocumentWC::setSaveTypes(const QStringList& types) {
  SaveTypesSlot() = types;
}

QStringList CSDocumentWC::saveTypes() {
  return SaveTypesSlot();
}

unsigned CSDocumentWC::lastFormatIndex() {
  return g_lastFormatIndex;
}

void CSDocumentWC::setLastFormatIndex(unsigned index) {
  g_lastFormatIndex = index;
}

CSDocumentWC* CSDocumentWC::controllerOf(const QWidget* window) {
  if (!window) return nullptr;
  return qobject_cast<CSDocumentWC*>(window->window()->property(kControllerProperty).value<QObject*>());
}

CSDocumentWC* CSDocumentWC::controllerOf(const QWindow* window) {
  return controllerOf(WidgetOfWindow(window));
}

// ---- Life ------------------------------------------------------------------------------

CSDocumentWC::CSDocumentWC(std::unique_ptr<CSDocument> document) : m_window(new QMainWindow) {
  // The tab groups are shown, and windows join them, only once these exist.
  CSTabGroupHost::shared();
  CSWindowTabManager::sharedInstance();
  m_window->setProperty(kControllerProperty, QVariant::fromValue<QObject*>(this));
  m_window->installEventFilter(this);
  WindowOrder::setTabbingIdentifier(windowHandle(), kDefaultTabbingIdentifier);
  WindowOrder::shared().track(windowHandle());
  setDoc(std::move(document));
  CSDocumentWC::awakeFromNib();
}

CSDocumentWC::~CSDocumentWC() {
  m_formatVC.reset();
  if (m_doc && m_doc->windowController() == this) m_doc->setWindowController(nullptr);
  if (m_window) {
    m_window->removeEventFilter(this);
    WindowOrder::shared().forget(m_window->windowHandle());
    delete m_window.data();
  }
}

void CSDocumentWC::awakeFromNib() {
  m_appDelegate = CSDocumentAppDelegate::current();
}

QMainWindow* CSDocumentWC::window() const {
  return m_window.data();
}

QWindow* CSDocumentWC::windowHandle() const {
  return WindowOfWidget(m_window.data());
}

void CSDocumentWC::setDoc(std::unique_ptr<CSDocument> document) {
  if (m_doc && m_doc->windowController() == this) m_doc->setWindowController(nullptr);
  m_doc = std::move(document);
  if (!m_doc) return;
  m_doc->setWindowController(this);
  // A document without a file is named from the start ("Untitled" and the
  // document's suffix), and its title carries the edited mark's
  // placeholder; one with a file is titled when it is read.
  if (m_doc->filePath().isEmpty()) m_doc->setWindowTitle();
}

CSDocumentAppDelegate* CSDocumentWC::appDelegate() const {
  return m_appDelegate.data();
}

// ---- Window events ------------------------------------------------------------------------

bool CSDocumentWC::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_window) return false;
  switch (event->type()) {
    case QEvent::Close:
      // The program's own closes pass; the user's are asked about first.
      if (m_autoreleased) return false;
      event->ignore();
      performClose();
      return true;
    case QEvent::ActivationChange:
      if (m_window->isActiveWindow()) {
        windowDidBecomeMain();
      } else {
        windowDidResignMain();
      }
      return false;
    default:
      return false;
  }
}

void CSDocumentWC::windowDidBecomeMain() {
  redrawContent();
}

void CSDocumentWC::windowDidResignMain() {
  redrawContent();
}

bool CSDocumentWC::windowShouldClose(QObject* sender) {
  const bool fromDelegate = sender && sender == m_appDelegate.data();
  if (m_doc && m_doc->isDirty()) {
    if (!m_saveAlertShowing) showSaveAlert(fromDelegate ? kSaveQuitting : kSaveClosing);
    return fromDelegate;
  }
  if (m_doc) m_doc->prepareToClose();
  return true;
}

void CSDocumentWC::windowWillClose() {
  if (m_autoreleased) return;
  m_autoreleased = true;
  if (m_window) {
    // Taking the focus from the field being edited ends its editing.
    if (QWidget* focus = m_window->focusWidget()) focus->clearFocus();
    m_window->setProperty(kControllerProperty, QVariant());
    // Leaving the group first lets the next tab show in this window's frame.
    WindowOrder::shared().forget(m_window->windowHandle());
  }
  if (m_doc) {
    m_doc->prepareToClose();
    m_doc->setWindowController(nullptr);
  }
  ClosePanels();
  deleteLater();
}

void CSDocumentWC::performClose() {
  if (m_autoreleased || m_saveAlertShowing) return;
  if (windowShouldClose(nullptr)) closeByUser();
}

void CSDocumentWC::closeByUser() {
  QPointer<CSDocumentAppDelegate> delegate = m_appDelegate;
  const bool last = delegate && !delegate->isTerminating() && delegate->isLastDocumentWindow(m_window);
  if (last) delegate->gatherClosingWindow(this);
  if (delegate) {
    delegate->closeWindow(m_window, this);
  } else {
    windowWillClose();
    if (m_window) m_window->close();
  }
  if (last && delegate) delegate->terminateAfterLastWindow();
}

void CSDocumentWC::closeForQuit() {
  QPointer<CSDocumentAppDelegate> delegate = m_appDelegate;
  if (!delegate) {
    windowWillClose();
    if (m_window) m_window->close();
    return;
  }
  delegate->closeWindow(m_window, this);
  delegate->closeNextDirtyWindow();
}

void CSDocumentWC::answerTerminate(bool terminate) {
  if (m_appDelegate) m_appDelegate->replyToApplicationShouldTerminate(terminate);
}

// ---- Operations ------------------------------------------------------------------------------

QString CSDocumentWC::filePath() const {
  return m_doc ? m_doc->filePath() : QString();
}

QString CSDocumentWC::miniaturizedTitle() const {
  if (!m_title.isNull() || !m_window) return m_title;
  QString title = m_window->windowTitle();
  return title.remove(QStringLiteral("[*]"));
}

void CSDocumentWC::showSaveAlert(int mode) {
  if (m_window && !IsActiveWindow(m_window)) MakeKeyAndOrderFront(m_window);
  m_saveAlertShowing = true;
  QPointer<CSDocumentWC> self(this);
  CSAlert::sharedInstance()->startAlertMessage(
      QStringLiteral("Save changes to %1?").arg(nameForSave()), secondarySaveMessage(),
      {QStringLiteral("Save"), g_cancel, QStringLiteral("Don't Save")}, false, m_window,
      [self, mode](QMessageBox* alert, int response, void*) {
        if (self) self->saveAlertEnded(alert, response, mode);
      },
      nullptr);
}

void CSDocumentWC::saveAlertEnded(QMessageBox* alert, int button, int mode) {
  m_saveAlertShowing = false;
  if (alert) alert->hide();
  if (button == kAlertFirstButton) {
    if (filePath().isEmpty() || forceSaveAs()) {
      showSavePanel(mode, false);
      return;
    }
    if (!m_doc || !m_doc->save()) {
      if (mode == kSaveQuitting) answerTerminate(false);
      return;
    }
  } else if (button != kAlertThirdButton) {
    if (mode == kSaveQuitting) answerTerminate(false);
    return;
  }
  if (m_doc) m_doc->prepareToClose();
  if (mode == kSaveQuitting) {
    closeForQuit();
  } else {
    closeByUser();
  }
}

void CSDocumentWC::showSavePanel(int mode, bool forceOriginalFolder) {
  const QStringList types = saveTypes();
  const QString path = filePath();
  const bool hadPath = !path.isEmpty();

  auto* panel = new CSFilePanel;
  panel->setAcceptMode(QFileDialog::AcceptSave);
  panel->setFileMode(QFileDialog::AnyFile);
  panel->setWindowTitle(QStringLiteral("Select a location and a name for the document"));
  if (!types.isEmpty()) {
    QStringList filters;
    for (const QString& type : types) filters << NameFilterFor(type);
    panel->setNameFilters(filters);
  }
  panel->setDirectory(CSFilePanel::startingFolder(path));

  m_formatVC = saveFormatVC();
  QWidget* accessory = nullptr;
  if (m_formatVC) {
    m_formatVC->setOriginalPath(hadPath ? QFileInfo(path).absolutePath() : QString());
    m_formatVC->setSavePanel(panel);
    accessory = m_formatVC->loadView();
    if (!accessory) m_formatVC.reset();
  }
  if (accessory) {
    m_formatVC->setFormatIndex(lastFormatIndex());
    m_formatVC->setSaveTypes(types);
    // The non-native panel lays itself out in a grid: the accessory takes a
    // row of its own below it.
    if (auto* grid = qobject_cast<QGridLayout*>(panel->layout())) {
      grid->addWidget(accessory, grid->rowCount(), 0, 1, grid->columnCount());
    } else {
      accessory->setParent(panel);
    }
    if (forceOriginalFolder) m_formatVC->goToOriginalPath();
  }

  QString name = path;
  if (!hadPath) {
    if (!accessory || types.isEmpty()) {
      name = defaultFileName();
    } else {
      QString extension = preferredExtension();
      if (extension.isEmpty()) extension = types.value(int(lastFormatIndex()));
      name = FileNameMinusExtension(miniaturizedTitle()) + QLatin1Char('.') + extension;
    }
  }
  QString extension = QFileInfo(LastPathComponent(name)).suffix();
  if (!types.isEmpty()) {
    if (mode == kSaveCopy || !canSaveToFormat(extension)) {
      extension = types.value(int(lastFormatIndex()), types.first());
      name = StringByReplacingExtension(name, extension);
    } else if (m_formatVC) {
      m_formatVC->ensureExtensionAllowed(extension, panel);
    }
    for (const QString& type : types) {
      if (IsFuzzyEqualToString(type, extension)) panel->selectNameFilter(NameFilterFor(type));
    }
  }
  if (m_formatVC) m_formatVC->setExtension(extension);
  panel->selectFile(LastPathComponent(name));
  if (IsFuzzyEqualToString(extension, QStringLiteral("html"))) mode = kSaveCopy;

  QPointer<CSDocumentWC> self(this);
  RunSheet(panel, m_window, [self, panel, mode, hadPath](int result) {
    if (self) self->savePanelEnded(panel, result, mode, hadPath);
  });
}

void CSDocumentWC::savePanelEnded(QWidget* panelWidget, int result, int mode, bool hadPath) {
  auto* panel = qobject_cast<CSFilePanel*>(panelWidget);
  const QStringList chosen = panel ? panel->chosenPaths() : QStringList();
  bool saved = false;
  if (result == QDialog::Accepted && !chosen.isEmpty() && !chosen.first().isEmpty() && m_doc) {
    if (m_formatVC) {
      setLastFormatIndex(m_formatVC->formatIndex());
      m_formatVC->saveOtherOptions(m_doc.get());
    }
    panel->hide();
    m_doc->prepareToSave(false);
    saved = m_doc->saveTo(chosen.first(), false, mode == kSaveCopy);
  }
  m_formatVC.reset();
  if (!saved) {
    if (mode == kSaveQuitting) answerTerminate(false);
    return;
  }
  if (mode == kSaveQuitting) {
    if (!hadPath && m_appDelegate && !m_doc->filePath().isEmpty()) {
      m_appDelegate->insertOpenFilePath(m_doc->filePath());
      CSWindowTabManager::sharedInstance().registerWindowTab(m_window, m_doc->filePath());
    }
    closeForQuit();
  } else if (mode == kSaveClosing) {
    closeByUser();
  }
}

void CSDocumentWC::showRevertAlert() {
  std::unique_ptr<QMessageBox> alert = CSAlert::sharedInstance()->createAlertWithMessage(
      QStringLiteral("Revert changes to \"%1\"?").arg(miniaturizedTitle()),
      QStringLiteral(
          "The document will be reset to the most recently saved version. Your current changes will be lost."),
      {QStringLiteral("Revert"), g_cancel}, false);
  // No default button: Return must not revert.
  CSAlert::clearDefaultButton(alert.get());
  QPointer<CSDocumentWC> self(this);
  CSAlert::sharedInstance()->startAlert(
      std::move(alert), m_window,
      [self](QMessageBox* box, int response, void*) {
        if (self) self->revertAlertEnded(box, response);
      },
      nullptr);
}

void CSDocumentWC::revertAlertEnded(QMessageBox* alert, int button) {
  if (button != kAlertFirstButton) return;
  if (alert) alert->hide();
  if (m_doc) m_doc->revert();
}

// ---- Printing --------------------------------------------------------------------------------

int CSDocumentWC::printWithInfo(QPrinter& printer, bool showPanel) {
  ClosePanels();
  m_printingView = printView();
  if (!m_printingView) {
    printOperationWasRun();
    return kPrintFailure;
  }
  printer.setDocName(
      QStringLiteral("%1 — %2").arg(QString::fromUtf8(kBundleName), FileNameMinusExtension(miniaturizedTitle())));
  if (!showPanel) {
    const bool printed = renderPrintView(m_printingView.get(), printer);
    m_printingView.reset();
    printOperationWasRun();
    return printed ? kPrintSuccess : kPrintFailure;
  }

  // The panel outlives this call: it prints on a printer of its own, set up
  // as the one given.
  auto own = std::make_shared<QPrinter>(QPrinter::HighResolution);
  own->setResolution(printer.resolution());
  own->setPageLayout(printer.pageLayout());
  own->setDocName(printer.docName());
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    own->setOutputFormat(QPrinter::PdfFormat);
    own->setOutputFileName(printer.outputFileName());
  } else if (!printer.printerName().isEmpty()) {
    own->setPrinterName(printer.printerName());
  }
  auto* panel = new QPrintDialog(own.get());
  const uint32_t options = printOptions();
  // Printing to a PDF file is always offered: on a machine without
  // printers it is the only way to print.
  QAbstractPrintDialog::PrintDialogOptions qtOptions = QAbstractPrintDialog::PrintToFile;
  if (options & kPrintShowsCopies) qtOptions |= QAbstractPrintDialog::PrintCollateCopies;
  if (options & kPrintShowsPageRange) qtOptions |= QAbstractPrintDialog::PrintPageRange;
  if (options & kPrintShowsPaperSize) qtOptions |= QAbstractPrintDialog::PrintShowPageSize;
  panel->setOptions(qtOptions);
  if (QWidget* accessory = printOptionsVC()) panel->setOptionTabs({accessory});
  QPointer<CSDocumentWC> self(this);
  RunSheet(panel, m_window, [self, own](int result) {
    if (!self) return;
    bool printed = false;
    if (result == QDialog::Accepted && self->m_printingView)
      printed = self->renderPrintView(self->m_printingView.get(), *own);
    self->printOperationFinished(printed);
  });
  return kPrintFailure;
}

void CSDocumentWC::printOperationFinished(bool success) {
  (void)success;
  m_printingView.reset();
  printOperationWasRun();
}

bool CSDocumentWC::renderPrintView(QWidget* view, QPrinter& printer) {
  if (!view) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  const QSize size = view->size().isEmpty() ? view->sizeHint() : view->size();
  if (size.isEmpty()) {
    painter.end();
    return false;
  }
  const double scale = std::min(page.width() / size.width(), page.height() / size.height());
  painter.scale(scale, scale);
  view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
  return painter.end();
}

// ---- CSDocumentWindow -----------------------------------------------------------------------

void CSDocumentWC::setTitle(const QString& title) {
  m_title = title;
  if (m_window) m_window->setWindowTitle(title + QStringLiteral("[*]"));
}

void CSDocumentWC::setDocumentEdited(bool edited) {
  if (m_window) m_window->setWindowModified(edited);
}

void CSDocumentWC::setRepresentedFilename(const QString& path) {
  if (m_window) m_window->setWindowFilePath(path);
}

void CSDocumentWC::redrawContent() {
  if (!m_window) return;
  if (QWidget* content = m_window->centralWidget()) content->update();
  m_window->update();
}

// ---- Hooks ---------------------------------------------------------------------------------------

QString CSDocumentWC::defaultFileName() {
  return nameForSave() + QStringLiteral(".txt");
}

QString CSDocumentWC::nameForSave() {
  return miniaturizedTitle();
}

QString CSDocumentWC::secondarySaveMessage() {
  return QStringLiteral("Your changes will be lost if you don't save them.");
}

QString CSDocumentWC::preferredExtension() {
  return QString();
}

bool CSDocumentWC::forceSaveAs() {
  return false;
}

std::unique_ptr<CSDocumentSaveFormatVC> CSDocumentWC::saveFormatVC() {
  return nullptr;
}

bool CSDocumentWC::canSaveToFormat(const QString& extension) {
  for (const QString& type : saveTypes()) {
    if (IsFuzzyEqualToString(type, extension)) return true;
  }
  return false;
}

QWidget* CSDocumentWC::printOptionsVC() {
  return nullptr;
}

uint32_t CSDocumentWC::printOptions() {
  return kDefaultPrintOptions;
}

std::unique_ptr<QWidget> CSDocumentWC::printView() {
  return nullptr;
}
