#include "ui/editor/DRContentVC.h"

#include <QWidget>

#include "model/DRDrawing.h"
#include "model/DRModelServices.h"
#include "platform/NotificationCenter.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRPaneFactory.h"

namespace {

// The notes pane starts collapsed until the user opens it once.
const QString kNotesPane = QStringLiteral("PropertyNotes");

}  // namespace

DRContentVC::DRContentVC() : m_undoManager(std::make_unique<CSUndoManager>()) {
  m_undoManager->setDelegate(this);
  m_undoManager->setCapacity(CSUndoManager::kDefaultCapacity);
  // Every new window starts with the panes expanded and collapsed as the
  // user left them last.
  m_openStatus = EditorPrefs().propOpenStatus();
}

DRContentVC::~DRContentVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // The store gives every snapshot back through the delegate while this
  // controller still exists.
  m_undoManager->clearUndo();
}

bool DRContentVC::setUndoID(uint32_t undoId, int action, int descriptor) {
  if (m_drawing && m_drawing->isLocked()) return false;
  if (undoId == m_currentUndoID) {
    noteEdit();
    return true;
  }
  if (undoId == CSUndoManager::kFreshUndoID) undoId = newUndoID();
  m_currentUndoID = undoId;
  if (!m_undoManager->setUndoAction(action, descriptor, 0)) return false;
  noteEdit();
  return true;
}

void DRContentVC::noteEdit() {
  if (!m_drawing) return;
  // The autosave copy waits until the user has paused: an entry opened or
  // merged into means a change is being made right now.
  m_drawing->setLastEditTime(ModelServices().currentTime());
  // Whatever changes now may move or restyle elements.
  m_drawing->noteElementsChanged();
  // A change merged into an entry after the last autosave is not in that
  // copy either. A painting's changes reach the drawing only when written
  // back, which opens an entry of the drawing's own.
  if (contentKind() == DRContentKind::kDrawing) m_drawing->setDirtySinceAutoSave(true);
}

void DRContentVC::setPropertyPanes(const QStringList& interfaceNames, const QStringList& controllerNames) {
  const qsizetype count = std::min({interfaceNames.size(), controllerNames.size(), qsizetype(kMaxPropertyLevels)});
  m_propertyNibs = interfaceNames.first(count);
  m_propertyControllers = controllerNames.first(count);
}

int DRContentVC::numberOfLevels() const {
  if (m_windowController && m_windowController->resizing()) return 0;
  return int(m_propertyNibs.size());
}

QWidget* DRContentVC::controllerForLevel(int level, QWidget* parent) const {
  if (level < 0 || level >= m_propertyNibs.size()) return nullptr;
  return CreatePane(m_propertyControllers[level], m_propertyNibs[level], parent);
}

bool DRContentVC::shouldOpenLevel(int level) const {
  if (level < 0 || level >= m_propertyNibs.size()) return false;
  const QString& name = m_propertyNibs[level];
  const auto remembered = m_openStatus.constFind(name);
  if (remembered != m_openStatus.constEnd()) return remembered->toBool();
  return name != kNotesPane;
}

void DRContentVC::rememberOpenState(int level, bool open) {
  if (level < 0 || level >= m_propertyNibs.size()) return;
  const QString& name = m_propertyNibs[level];
  m_openStatus.insert(name, open);
  EditorPrefs().propOpenStatus().insert(name, open);
}

bool DRContentVC::setUndoAction(int action, int descriptor, void* data, uint64_t context) {
  (void)action, (void)descriptor, (void)data, (void)context;
  return false;
}

bool DRContentVC::undoOrRedo(int* action, int descriptor, void* data, bool isRedo) {
  (void)action, (void)descriptor, (void)data, (void)isRedo;
  return false;
}

QString DRContentVC::undoActionName(int descriptor, void* data) {
  (void)descriptor, (void)data;
  return QString("");
}
