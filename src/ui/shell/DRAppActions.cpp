// The application controller's commands and their validation.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <QWindow>

#include "platform/NotificationCenter.h"
#include "platform/WindowOrder.h"
#include "model/DRModelServices.h"
#include "support/widgets/CSFilePanel.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/shell/CSDocumentWC.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellWindows.h"

namespace {

int TagOf(const QObject* sender) {
  return sender ? sender->property("tag").toInt() : 0;
}

}  // namespace

namespace {

// The file of the document window in front, or an empty text.
QString FrontDocumentPath() {
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (CSDocumentWC* controller = CSDocumentWC::controllerOf(window)) return controller->filePath();
  }
  return QString();
}

}  // namespace

QStringList RunFileOpenPanel(const QString& message, const QStringList& extensions, bool multiple, QWidget* parent) {
  CSDocumentWC* owner = parent ? CSDocumentWC::controllerOf(parent) : nullptr;
  CSFilePanel panel(parent ? parent->window() : nullptr, message);
  panel.setDirectory(CSFilePanel::startingFolder(owner ? owner->filePath() : FrontDocumentPath()));
  panel.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  panel.setAcceptMode(QFileDialog::AcceptOpen);
  if (!extensions.isEmpty()) {
    QStringList patterns;
    for (const QString& extension : extensions) {
      patterns << QStringLiteral("*.") + extension;
      if (extension.toLower() != extension) patterns << QStringLiteral("*.") + extension.toLower();
    }
    patterns.removeDuplicates();
    panel.setNameFilter(patterns.join(QLatin1Char(' ')));
  }
  if (ExecDialog(&panel) != QDialog::Accepted) return {};
  return panel.chosenPaths();
}

const DRActionTable<DRAppController>& DRAppController::actionTable() {
  static const DRActionTable<DRAppController> table = [] {
    using A = DRAppController;
    DRActionTable<DRAppController> made;
    made.add(QStringLiteral("openDocument:"), &A::openDocument)
        .add(QStringLiteral("newUntitledDocument:"), &A::newUntitledDocument, &A::validateNewUntitled)
        .add(QStringLiteral("showPreferences:"), &A::showPreferences, &A::validateShowPreferences)
        .add(QStringLiteral("setUnits:"), &A::setUnits, &A::validateSetUnits)
        .add(QStringLiteral("toggleDragLines:"), &A::toggleDragLines, &A::validateToggleDragLines)
        .add(QStringLiteral("toggleDrawGrid:"), &A::toggleDrawGrid, &A::validateToggleDrawGrid)
        .add(QStringLiteral("convertToPdf:"), &A::convertToPdf)
        .add(QStringLiteral("showHelp:"), &A::showHelp);
    return made;
  }();
  return table;
}

bool DRAppController::respondsToSelector(const QString& selector) const {
  return actionTable().contains(selector);
}

bool DRAppController::performAction(const QString& selector, QObject* sender) {
  return actionTable().perform(this, selector, sender);
}

bool DRAppController::validateMenuItem(const QString& selector, QAction* item) {
  return actionTable().validate(this, selector, item);
}

// ---- Commands ----------------------------------------------------------------------------------------

void DRAppController::openDocument(QObject* sender) {
  (void)sender;
  const QStringList paths = RunFileOpenPanel(QStringLiteral("Select one or more files to open"), g_openTypeArray, true);
  if (!paths.isEmpty()) openFiles(paths);
}

void DRAppController::newUntitledDocument(QObject* sender) {
  (void)sender;
  applicationOpenUntitledFile();
}

void DRAppController::showPreferences(QObject* sender) {
  (void)sender;
  DRPrefController::sharedInstance().showPreferences();
}

void DRAppController::setUnits(QObject* sender) {
  const auto unit = DistanceUnit(unitFromTag(TagOf(sender)));
  DRPrefController& preferences = DRPrefController::sharedInstance();
  if (unit == preferences.distanceUnit()) return;
  preferences.setDistanceUnit(unit);
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification);
}

void DRAppController::toggleDragLines(QObject* sender) {
  (void)sender;
  DRPrefController& preferences = DRPrefController::sharedInstance();
  preferences.setShowDragLines(!preferences.showDragLines());
}

void DRAppController::toggleDrawGrid(QObject* sender) {
  (void)sender;
  DRPrefController& preferences = DRPrefController::sharedInstance();
  preferences.setShowDrawGrid(!preferences.showDrawGrid());
  NotificationCenter::defaultCenter().post(g_redrawDrawingNotification);
}

void DRAppController::showHelp(QObject* sender) {
  showAppHelp(sender);
}

int DRAppController::unitFromTag(int tag) {
  switch (tag) {
    case 1:
      return kDistanceUnitInches;
    case 2:
      return kDistanceUnitInchFractions;
    case 3:
      return kDistanceUnitCentimetres;
    default:
      return kDistanceUnitPoints;
  }
}

int DRAppController::unitFromTag(const QAction* item) {
  return unitFromTag(TagOf(item));
}

// ---- Validation ------------------------------------------------------------------------------------

bool DRAppController::isAvailable() const {
  if (QApplication::activeModalWidget()) return false;
  for (QWindow* window : WindowOrder::shared().orderedWindows()) {
    if (auto* controller = qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(window))) {
      return !controller->hasAttachedSheet();
    }
  }
  return true;
}

bool DRAppController::validateAvailable(QAction* item) {
  (void)item;
  return isAvailable();
}

bool DRAppController::validateShowPreferences(QAction* item) {
  (void)item;
  return QApplication::activeModalWidget() == nullptr;
}

bool DRAppController::validateNewUntitled(QAction* item) {
  (void)item;
  return applicationShouldOpenUntitledFile();
}

bool DRAppController::validateToggleDragLines(QAction* item) {
  if (item) {
    item->setCheckable(true);
    item->setChecked(DRPrefController::sharedInstance().showDragLines());
  }
  return isAvailable();
}

bool DRAppController::validateToggleDrawGrid(QAction* item) {
  if (item) {
    item->setCheckable(true);
    item->setChecked(DRPrefController::sharedInstance().showDrawGrid());
  }
  return isAvailable();
}

bool DRAppController::validateSetUnits(QAction* item) {
  if (item) {
    item->setCheckable(true);
    item->setChecked(unitFromTag(item) == currentDistanceUnit());
  }
  return true;
}
