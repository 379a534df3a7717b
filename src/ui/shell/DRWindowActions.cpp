// The drawing window's commands, their menu validation and the status texts.

#include <QAction>
#include <QFileInfo>
#include <QPrinter>
#include <cmath>
#include <cstdlib>

#include "model/DRElementBitmap.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DRStatusView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/shell/DRSaveFormatVC.h"
#include "ui/shell/DRWindowController.h"

namespace {

QString Measure(MeasureUnit value) {
  return FormatMeasure(value, false, false, kCurrentDistanceUnit);
}

// The commands the window passes, unchanged, to the current content
// controller.
const char* const kForwarded[] = {
    "align:",
    "bringForward:",
    "bringFront:",
    "changeAlignment:",
    "changeStyle:",
    "copyElementStyle:",
    "copyTextStyle:",
    "combineText:",
    "duplicate:",
    "group:",
    "groupMulti:",
    "importPaintings:",
    "insertShape:",
    "makePainting:",
    "newPainting:",
    "orderToSelection:",
    "pasteElementStyle:",
    "pasteTextStyle:",
    "reset:",
    "reshape:",
    "resizeFont:",
    "resumePolygon:",
    "rotate:",
    "scale:",
    "selectByType:",
    "selectElement:",
    "sendBack:",
    "sendBackward:",
    "setBackground:",
    "showFontColor:",
    "showFonts:",
    "showSelection:",
    "shrinkText:",
    "togglePageBreaks:",
    "ungroup:",
    "adjustColor:",
    "blur:",
    "convertColor:",
    "convertGray:",
    "fill:",
    "flip:",
    "invert:",
    "moveToDrawing:",
    "setPaintingSize:",
    "shrinkToFit:",
    "swapColors:",
    "copy:",
    "cut:",
    "delete:",
    "paste:",
    "redoEdit:",
    "rotateFixed:",
    "selectAll:",
    "selectNone:",
    "undoEdit:",
    "zoomIn:",
    "zoomOut:",
    "zoomByPercent:",
};

bool IsForwarded(const QString& selector) {
  static const QSet<QString> set = [] {
    QSet<QString> names;
    for (const char* name : kForwarded) names.insert(QString::fromLatin1(name));
    return names;
  }();
  return set.contains(selector);
}

}  // namespace

// ---- Status texts --------------------------------------------------------------------------

QString DRWindowController::sizeStatusText(MeasureUnit width, MeasureUnit height) {
  QStringList parts;
  if (width >= 0) parts << QStringLiteral("w: %1").arg(Measure(width));
  if (height >= 0) parts << QStringLiteral("h: %1").arg(Measure(height));
  return parts.join(QLatin1Char('\t'));
}

QString DRWindowController::positionStatusText(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) {
  QStringList parts;
  if (x >= 0) parts << QStringLiteral("l: %1").arg(Measure(x));
  if (y >= 0) parts << QStringLiteral("t: %1").arg(Measure(y));
  if (width >= 0) parts << QStringLiteral("w: %1").arg(Measure(width));
  if (height >= 0) parts << QStringLiteral("h: %1").arg(Measure(height));
  return parts.join(QLatin1Char('\t'));
}

QString DRWindowController::deltaStatusText(MeasureUnit x, MeasureUnit y) {
  return QStringLiteral("x:%1\ty: %2")
      .arg(FormatMeasure(x, false, false, kDistanceUnitPoints), FormatMeasure(y, false, false, kDistanceUnitPoints));
}

QString DRWindowController::lineStatusText(CSPoint from, CSPoint to) {
  QStringList parts;
  const MeasureUnit dx = std::llabs(to.x - from.x);
  const MeasureUnit dy = std::llabs(to.y - from.y);
  if (dx != 0) parts << QStringLiteral("w: %1").arg(Measure(dx));
  if (dy != 0) parts << QStringLiteral("h: %1").arg(Measure(dy));
  if (dx != 0 && dy != 0) {
    const MeasureUnit length = MeasureFromDouble(std::hypot(double(dx), double(dy)));
    parts << QStringLiteral("Δ: %1").arg(Measure(RoundMeasure(length, 127)));
  }
  if (parts.isEmpty()) return QString();
  return parts.join(QLatin1Char('\t'));
}

void DRWindowController::setStatus(const QString& status) {
  if (m_statusView) m_statusView->setStatus(status);
}

void DRWindowController::setPositionStatusX(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) {
  setStatus(positionStatusText(x, y, width, height));
}

void DRWindowController::setSizeStatusWidth(MeasureUnit width, MeasureUnit height) {
  setStatus(sizeStatusText(width, height));
}

void DRWindowController::setDeltaStatusX(MeasureUnit x, MeasureUnit y) {
  setStatus(deltaStatusText(x, y));
}

void DRWindowController::setLineStatusFrom(CSPoint from, CSPoint to) {
  setStatus(lineStatusText(from, to));
}

// ---- The command table ---------------------------------------------------------------------

const DRActionTable<DRWindowController>& DRWindowController::actionTable() {
  static const DRActionTable<DRWindowController> table = [] {
    using W = DRWindowController;
    DRActionTable<W> t;
    t.add(QStringLiteral("saveDocument:"), &W::saveDocument, &W::validateSaveDocument)
        .add(QStringLiteral("saveDocumentAs:"), &W::saveDocumentAs, &W::validateHasElements)
        .add(QStringLiteral("saveDocumentCopy:"), &W::saveDocumentCopy)
        .add(QStringLiteral("revertDocument:"), &W::revertDocument, &W::validateRevert)
        .add(QStringLiteral("printDrawing:"), &W::printDrawing, &W::validateHasElements)
        .add(QStringLiteral("runPageLayout:"), &W::runPageLayout)
        .add(QStringLiteral("distribute:"), &W::distribute, &W::validateDistribute)
        .add(QStringLiteral("createQuicklook:"), &W::createQuicklook, &W::validateCreateQuicklook)
        .add(QStringLiteral("editPaintings:"), &W::editPaintingsCommand, &W::validateEditPaintings)
        .add(QStringLiteral("closeTab:"), &W::closeTabCommand, &W::validateCloseTab)
        .add(QStringLiteral("nextTab:"), &W::nextTab, &W::validateNextTab)
        .add(QStringLiteral("toggleSelect:"), &W::toggleSelect)
        .add(QStringLiteral("swapSelectionColors:"), &W::swapSelectionColors, &W::validateSwapSelectionColors)
        .add(QStringLiteral("toggleInfo:"), &W::toggleInfoCommand);
    return t;
  }();
  return table;
}

bool DRWindowController::respondsToSelector(const QString& selector) const {
  return actionTable().contains(selector) || IsForwarded(selector);
}

bool DRWindowController::performAction(const QString& selector, QObject* sender) {
  if (actionTable().perform(this, selector, sender)) return true;
  if (IsForwarded(selector)) return forward(selector, sender);
  return false;
}

bool DRWindowController::forward(const QString& selector, QObject* sender) {
  DRActionTarget* target = currentTarget();
  return target && target->respondsToSelector(selector) && target->performAction(selector, sender);
}

bool DRWindowController::validateMenuItem(const QString& selector, QAction* item) {
  if (actionTable().contains(selector)) return actionTable().validate(this, selector, item);
  DRActionTarget* target = currentTarget();
  return target && target->respondsToSelector(selector) && target->validateMenuItem(selector, item);
}

bool DRWindowController::validateSwapSelectionColors(QAction* item) {
  const QString asked = QStringLiteral("swapColors:");
  DRActionTarget* target = currentTarget();
  return target && target->respondsToSelector(asked) && target->validateMenuItem(asked, item);
}

// ---- Validation ----------------------------------------------------------------------------

bool DRWindowController::validateHasElements(QAction*) {
  return drawing() && !drawing()->elements().empty();
}

bool DRWindowController::validateDistribute(QAction*) {
  return drawing() && !drawing()->isLocked() && m_currentVC == m_drawVC.get() && selection().size() > 1;
}

bool DRWindowController::validateEditPaintings(QAction*) {
  const auto& selected = selection();
  return std::any_of(selected.begin(), selected.end(),
                     [](const DRElement* element) { return element->elementType() == kElementBitmap; });
}

bool DRWindowController::validateSaveDocument(QAction*) {
  return drawing() && !drawing()->isLocked() && drawing()->isDirty();
}

bool DRWindowController::validateRevert(QAction*) {
  return drawing() && drawing()->isDirty() && !drawing()->filePath().isEmpty();
}

bool DRWindowController::validateCloseTab(QAction*) {
  const QString selected = m_windowTabs ? m_windowTabs->selectedTab() : QString();
  return !selected.isEmpty() && selected != kDrawingTab;
}

bool DRWindowController::validateNextTab(QAction*) {
  return !m_tabGuids.isEmpty();
}

bool DRWindowController::validateCreateQuicklook(QAction* item) {
  if (item) {
    item->setCheckable(true);
    item->setChecked(drawing() && drawing()->createPreview());
  }
  return true;
}

// ---- Commands ------------------------------------------------------------------------------

bool DRWindowController::savesInPlace() const {
  const DRDrawing* drawing = this->drawing();
  if (!drawing || drawing->filePath().isEmpty()) return false;
  const QString extension = QFileInfo(drawing->filePath()).suffix();
  if (extension.isEmpty()) return false;
  const QStringList types = saveTypes();
  const bool known = std::any_of(types.begin(), types.end(), [&](const QString& type) {
    return type.compare(extension, Qt::CaseInsensitive) == 0;
  });
  if (!known) return false;
  return !(extension.compare(QStringLiteral("heic"), Qt::CaseInsensitive) == 0 && drawing->saveCompression() < 0);
}

void DRWindowController::saveDocument(QObject*) {
  endEditing(true);
  if (savesInPlace()) {
    drawing()->prepareToSave(true);
    drawing()->save();
  } else {
    showSavePanel(kSaveAs, false);
  }
}

void DRWindowController::saveDocumentAs(QObject* sender) {
  endEditing(true);
  showSavePanel(kSaveAs, DRDrawVC::senderTag(sender) != 0);
}

void DRWindowController::saveDocumentCopy(QObject*) {
  endEditing(true);
  showSavePanel(kSaveCopy, false);
}

void DRWindowController::revertDocument(QObject*) {
  showRevertAlert();
}

void DRWindowController::printDrawing(QObject*) {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  endEditing(true);
  drawing->prepareToSave(true);
  drawing->forceAutosave();
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(drawing->printInfo().toPageLayout());
  printWithInfo(printer, true);
}

void DRWindowController::distribute(QObject*) {
  QPointer<DRWindowController> self(this);
  EditorDialogs().getDistributeOffset(this, [self](bool success, CSPoint offset) {
    if (self) self->distributeSheetDidEnd(success, offset);
  });
}

void DRWindowController::distributeSheetDidEnd(bool success, CSPoint offset) {
  if (success && m_currentVC == m_drawVC.get()) m_drawVC->distributeBy(offset);
}

void DRWindowController::createQuicklook(QObject*) {
  if (drawing()) drawing()->setCreatePreview(!drawing()->createPreview());
}

void DRWindowController::editPaintingsCommand(QObject*) {
  editPaintings();
}

void DRWindowController::closeTabCommand(QObject*) {
  if (m_windowTabs) closeTab(m_windowTabs->selectedTab());
}

void DRWindowController::nextTab(QObject*) {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  const QStringList& guids = drawing->bitmapGuids();
  const QString selected = m_windowTabs ? m_windowTabs->selectedTab() : currentTabGuid();
  QString next = kDrawingTab;
  if (selected.isEmpty() || selected == kDrawingTab) {
    if (!guids.isEmpty()) next = guids.first();
  } else {
    const qsizetype at = guids.indexOf(selected);
    if (at >= 0 && at + 1 < guids.size()) next = guids.at(at + 1);
  }
  if (m_windowTabs) m_windowTabs->selectTab(next);
  selectTab(next);
}

void DRWindowController::toggleSelect(QObject*) {
  if (m_currentVC == m_drawVC.get() && m_drawView) m_drawView->toggleSelectTool();
}

void DRWindowController::swapSelectionColors(QObject* sender) {
  forward(QStringLiteral("swapColors:"), sender);
}

// ---- Page layout and the accessories -------------------------------------------------------

std::unique_ptr<CSDocumentSaveFormatVC> DRWindowController::saveFormatVC() {
  return std::make_unique<DRSaveFormatVC>();
}

QWidget* DRWindowController::printOptionsVC() {
  auto* options = new DRPrintOptionVC;
  options->setDrawing(drawing());
  return options;
}

void DRWindowController::runPageLayout(QObject*) {
  DRDrawing* drawing = this->drawing();
  if (!drawing || m_pageSheet) return;
  if (!m_drawVC->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionPageSetup, kUndoPageSetup)) return;
  m_pageInfo = drawing->printInfo();
  m_pageSheet = new DRPageSetupSheet(&m_pageInfo, window());
  m_pageSheet->setAttribute(Qt::WA_DeleteOnClose);
  m_pageSheet->setWindowModality(Qt::WindowModal);
  QObject::connect(m_pageSheet.data(), &QDialog::finished, this, [this](int result) { pageLayoutEnded(result); });
  m_pageSheet->open();
}

void DRWindowController::pageLayoutEnded(int result) {
  QPointer<DRPageSetupSheet> sheet = m_pageSheet;
  m_pageSheet = nullptr;
  DRDrawing* drawing = this->drawing();
  if (!sheet || !drawing) return;
  if (result == QDialog::Accepted) {
    sheet->applyChoices();
    drawing->setPrintInfo(m_pageInfo);
    if (drawing->showPageBreaks() && m_drawView) m_drawView->setNeedsDisplay();
  } else {
    // Nothing changed: the entry just opened goes, and the margins are
    // the set-up's own again.
    m_drawVC->undoManager().popUndo();
    sheet->marginController()->resetMargins();
  }
}
