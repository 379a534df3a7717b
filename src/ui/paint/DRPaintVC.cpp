#include "ui/paint/DRPaintVC.h"

#include <QApplication>
#include <new>

#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRPaintUndoRecord.h"
#include "ui/paint/DRPaintView.h"
#include "ui/shell/DRPrefController.h"

namespace {

const QString kWidthKey = QStringLiteral("width");
const QString kHeightKey = QStringLiteral("height");
const QString kTransientKey = QStringLiteral("transient");
const QString kNoUndoKey = QStringLiteral("noUndo");
const QString kEditedKey = QStringLiteral("edited");
const QString kWindowKey = QStringLiteral("window");

std::function<void()>& BeepHook() {
  static std::function<void()> hook;
  return hook;
}

// The pixel bytes a pixmap holds.
uint64_t PixmapBytes(const CSPixmap* map) {
  return map ? uint64_t(map->bitmap().bytesPerRow) * uint64_t(map->height()) : 0;
}

// The inspector's panes of a painting tab.
const QStringList kPaneNibs{QStringLiteral("PropertyPaintSize"), QStringLiteral("PropertyPaintMask"),
                            QStringLiteral("PropertyPaintGlobal"), QStringLiteral("PropertyPaintGrays")};
const QStringList kPaneControllers{QStringLiteral("DRPropPaintSizeVC"), QStringLiteral("DRPropPaintMaskVC"),
                                   QStringLiteral("DRPropPaintGlobalVC"), QStringLiteral("DRPropPaintGraysVC")};

MeasureUnit MeasureOfPoints(double points) {
  return MeasureFromDouble(points * double(kMeasurePerPoint));
}

}  // namespace

// ---- Life --------------------------------------------------------------------------

DRPaintVC::DRPaintVC() : m_view(std::make_unique<DRPaintView>()) {
  // Before the first entry: the store sizes its ring by it.
  undoManager().setBufferSize(sizeof(DRPaintUndoRecord));
  m_view->setViewController(this);
  setPropertyPanes(kPaneNibs, kPaneControllers);
  awakeFromNib();
}

std::unique_ptr<DRPaintTabController> DRPaintVC::createForWindow(DRWindowController* window) {
  auto controller = std::make_unique<DRPaintVC>();
  controller->m_view->setWindowController(window);
  if (window) controller->setToolbarView(window->toolbarView());
  return controller;
}

DRPaintVC::~DRPaintVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // The snapshots are released through this class's freeUndoAction().
  undoManager().clearUndo();
  // The canvas must not call back into a controller half destroyed.
  m_view->setViewController(nullptr);
  m_view.reset();
}

QWidget* DRPaintVC::view() const {
  return m_view.get();
}

void DRPaintVC::setToolbarView(DRToolbarView* toolbar) {
  m_view->setToolbarView(toolbar);
}

void DRPaintVC::awakeFromNib() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this, g_editPaintNotification, nullptr);
  center.addObserver(this, g_editPaintNotification, nullptr,
                     [this](const CSNotification& notification) { paintingIsDirty(notification.object); });
}

DREditorContentView* DRPaintVC::contentView() const {
  return &m_view->contentView();
}

QObject* DRPaintVC::notificationWindow() const {
  if (DREditorWindowHost* host = windowController()) {
    if (QObject* window = host->window()) return window;
  }
  return m_view->window();
}

bool DRPaintVC::isLocked() const {
  const DRDrawing* drawing = this->drawing();
  return drawing && drawing->isLocked();
}

void DRPaintVC::markWindowEdited() {
  DRDrawing* drawing = this->drawing();
  if (!drawing) return;
  CSDocumentWindow* window = windowController();
  if (!window) window = drawing->windowController();
  if (window) window->setDocumentEdited(drawing->isDirty());
}

void DRPaintVC::setBeepFunction(std::function<void()> beep) {
  BeepHook() = std::move(beep);
}

void DRPaintVC::beep() {
  if (BeepHook())
    BeepHook()();
  else
    QApplication::beep();
}

// ---- The tab ---------------------------------------------------------------------------

void DRPaintVC::setPainting(const std::shared_ptr<DRPainting>& painting) {
  adoptPainting(painting ? painting->copy() : nullptr);
}

void DRPaintVC::adoptPainting(const std::shared_ptr<DRPainting>& painting) {
  DRPaintTabController::setPainting(painting);
  m_hasMask = painting && painting->hasAlpha();
  setUIForAlpha(false);
  takeSizeFromPainting();
  if (windowController() && m_view->isShown()) windowController()->setSizeStatusWidth(m_width, m_height);
}

void DRPaintVC::takeSizeFromPainting() {
  const DRPainting* picture = painting().get();
  const QSizeF size = picture ? picture->originalSize() : QSizeF(0, 0);
  m_width = MeasureOfPoints(size.width());
  m_height = MeasureOfPoints(size.height());
}

void DRPaintVC::viewStatusChanged(QObject* window) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  if (m_observedWindow) {
    center.removeObserver(this, g_sizeChangeNotification, m_observedWindow);
    center.removeObserver(this, g_savingNotification, m_observedWindow);
    m_observedWindow = nullptr;
  }
  if (!window || !m_view->isShown()) {
    updateBimapElement();
    return;
  }
  m_observedWindow = window;
  // A locked drawing shows no panes.
  const bool locked = isLocked();
  if (locked != propertyNibs().isEmpty()) {
    setPropertyPanes(locked ? QStringList() : kPaneNibs, locked ? QStringList() : kPaneControllers);
    center.post(g_reloadPropertiesNotification, window);
  }
  center.addObserver(this, g_sizeChangeNotification, window,
                     [this](const CSNotification& notification) { sizeChanged(notification.userInfo); });
  center.addObserver(this, g_savingNotification, window, [this](const CSNotification&) { updateBimapElement(); });
}

bool DRPaintVC::isDirty() const {
  const DRPainting* picture = painting().get();
  return (picture && picture->edited()) || m_view->floatingPixmap();
}

void DRPaintVC::updateBimapElement() {
  if (!isDirty()) return;
  m_view->selectNone(false);
  const std::shared_ptr<DRPainting> picture = painting();
  if (picture) picture->setEdited(false);
  if (DRDrawing* drawing = this->drawing()) drawing->setPaintingDirty(false);
  QObject* window = notificationWindow();
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_bitmapChangeNotification, picture.get(), {{kWindowKey, QVariant::fromValue(window)}});
  center.post(g_settingsChangeNotification, window);
  clearUndo();
}

void DRPaintVC::deleteSelectionForMove() {
  m_view->deleteSelection(false);
  m_view->selectNone(false);
}

void DRPaintVC::setUIForAlpha(bool redraw) {
  if (!m_hasMask) {
    m_pixmapMode = kPixmapModeColor;
    m_pixmapDisplay = kPixmapDisplayOpaque;
  }
  if (!redraw) return;
  m_view->redraw();
  NotificationCenter::defaultCenter().post(g_maskNotification, notificationWindow());
}

void DRPaintVC::paintingIsDirty(const void* object) {
  DRPainting* picture = painting().get();
  if (!picture || object != picture) return;
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, notificationWindow());
  const bool alpha = picture->hasAlpha();
  if (alpha == m_hasMask) return;
  if (alpha && m_pixmapDisplay == kPixmapDisplayOpaque) m_pixmapDisplay = kPixmapDisplayNormal;
  m_hasMask = alpha;
  setUIForAlpha(true);
}

void DRPaintVC::postSizeChange(const QVariantMap& extra) {
  QVariantMap info = extra;
  info.insert(kWidthKey, NumberWithMeasure(m_width));
  info.insert(kHeightKey, NumberWithMeasure(m_height));
  NotificationCenter::defaultCenter().post(g_sizeChangeNotification, notificationWindow(), info);
}

void DRPaintVC::sizeChanged(const QVariantMap& userInfo) {
  if (!m_view->isShown()) return;
  if (userInfo.contains(kWidthKey)) m_width = MeasureValue(userInfo.value(kWidthKey));
  if (userInfo.contains(kHeightKey)) m_height = MeasureValue(userInfo.value(kHeightKey));
  if (userInfo.value(kTransientKey).toBool()) return;
  resizePainting(!userInfo.value(kNoUndoKey).toBool());
  if (userInfo.contains(kEditedKey) && painting()) painting()->setEdited(userInfo.value(kEditedKey).toBool());
}

void DRPaintVC::resizePainting(bool withUndo) {
  DRPainting* picture = painting().get();
  if (!picture) return;
  // A resize to the size the painting has would only copy its pixels and
  // mark it edited.
  const QSizeF size = picture->originalSize();
  if (m_width == MeasureOfPoints(size.width()) && m_height == MeasureOfPoints(size.height())) return;
  if (withUndo && !setUndoID(CSUndoManager::kFreshUndoID, kUndoResizePainting)) {
    takeSizeFromPainting();
    return;
  }
  if (picture->resizeWidth(m_width, m_height, false)) {
    bitmapDidResize();
    return;
  }
  if (withUndo) undoManager().popUndo();
  takeSizeFromPainting();
}

void DRPaintVC::resizePaintingFromDialog(QSizeF size) {
  DRPainting* picture = painting().get();
  if (!picture || !setUndoID(CSUndoManager::kFreshUndoID, kUndoResizePainting)) return;
  m_view->dropFloatingPixmap();
  const MeasureUnit width = MeasureUnit(size.width() * double(kMeasurePerPoint));
  const MeasureUnit height = MeasureUnit(size.height() * double(kMeasurePerPoint));
  if (!picture->resizeWidth(width, height, DRPrefController::sharedInstance().centerPainting())) {
    // Too many pixels for a pixmap: the painting stays as it was.
    undoManager().popUndo();
    beep();
    return;
  }
  bitmapDidResize();
}

void DRPaintVC::bitmapDidResize() {
  m_hasMask = painting() && painting()->hasAlpha();
  setUIForAlpha(true);
  takeSizeFromPainting();
  if (windowController()) windowController()->setSizeStatusWidth(m_width, m_height);
  postSizeChange({{kTransientKey, true}});
}

bool DRPaintVC::toggleMask() {
  DRPainting* picture = painting().get();
  if (!picture) return false;
  const bool hadAlpha = picture->hasAlpha();
  picture->toggleAlpha(DRSettings::sharedInstance().interiorOpaque());
  m_hasMask = picture->hasAlpha();
  setUIForAlpha(true);
  if (!hadAlpha && !m_hasMask) {
    GiveSimpleAlert(QStringLiteral("Mask not added."),
                    QStringLiteral("I couldn't add a mask to the painting. Most likely there are no white pixels to "
                                   "convert to transparent pixels."));
  }
  return hadAlpha != m_hasMask;
}

void DRPaintVC::performCrop(const QRect& rect) {
  DRPainting* picture = painting().get();
  if (!picture || !setUndoID(CSUndoManager::kFreshUndoID, kUndoCrop)) return;
  if (!picture->crop(rect)) {
    undoManager().popUndo();
    return;
  }
  bitmapDidResize();
  m_view->scrollToPoint(QPointF(0, 0));
}

// ---- Undo ----------------------------------------------------------------------------------

bool DRPaintVC::setUndoID(uint32_t undoId, int descriptor) {
  if (!DRContentVC::setUndoID(undoId, kUndoActionPainting, descriptor)) return false;
  trimUndo();
  return true;
}

uint64_t DRPaintVC::undoBytes() {
  m_enumeratedBytes = 0;
  undoManager().enumerate(false, 0);
  return m_enumeratedBytes;
}

void DRPaintVC::enumeratedUndoAction(int action, int descriptor, void* data, uint64_t context) {
  (void)action, (void)descriptor, (void)context;
  if (const auto* record = static_cast<const DRPaintUndoRecord*>(data)) m_enumeratedBytes += record->bytes;
}

void DRPaintVC::trimUndo() {
  // The ring bounds the number of snapshots; large paintings also need a
  // bound on their bytes, or 25 copies of one could exhaust the memory.
  while (undoManager().undoCount() > 1 && undoBytes() > m_undoByteLimit) {
    if (undoManager().freeOldestRecords(1) == 0) break;
  }
}

bool DRPaintVC::setUndoAction(int action, int descriptor, void* data, uint64_t context) {
  (void)action, (void)descriptor, (void)context;
  auto* record = static_cast<DRPaintUndoRecord*>(data);
  DRPainting* picture = painting().get();
  if (!record || !picture) return false;
  *record = DRPaintUndoRecord{};
  std::shared_ptr<DRPainting> copy = picture->copy();
  if (!copy || (picture->hasPixmap() && !copy->hasPixmap())) return false;
  record->painting = new (std::nothrow) std::shared_ptr<DRPainting>(std::move(copy));
  if (!record->painting) return false;
  if (!m_view->storeSelectionState(record)) return false;
  record->bytes = PixmapBytes((*record->painting)->hasPixmap() ? (*record->painting)->pixmap() : nullptr) +
                  PixmapBytes(record->selectionMask);
  record->finished = true;
  if (DRDrawing* drawing = this->drawing()) {
    drawing->setPaintingDirty(true);
    drawing->setDirtySinceAutoSave(true);
  }
  if (CSDocumentWindow* window = windowController()) window->setDocumentEdited(true);
  return true;
}

bool DRPaintVC::undoOrRedo(int* action, int descriptor, void* data, bool isRedo) {
  (void)action, (void)descriptor, (void)isRedo;
  auto* record = static_cast<DRPaintUndoRecord*>(data);
  if (!record || !record->painting || !*record->painting) return false;
  // Floating pixels are merged into the painting set aside, so that a redo
  // brings them back as part of it.
  const std::shared_ptr<DRPainting> kept = painting();
  m_view->selectNone(false);
  adoptPainting(*record->painting);
  *record->painting = kept;
  m_view->undoWasPerformed(record);
  record->bytes = PixmapBytes(kept && kept->hasPixmap() ? kept->pixmap() : nullptr) +
                  PixmapBytes(record->selectionMask);
  DRPainting* live = painting().get();
  const bool edited = live && live->edited();
  if (DRDrawing* drawing = this->drawing()) drawing->setPaintingDirty(edited);
  markWindowEdited();
  QObject* window = notificationWindow();
  postSizeChange({{kNoUndoKey, true}, {kEditedKey, edited}});
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_selectionChangeNotification, window);
  center.post(g_maskNotification, window);
  return true;
}

QString DRPaintVC::undoActionName(int descriptor, void* data) {
  (void)data;
  return UndoDescriptorName(descriptor);
}

void DRPaintVC::freeUndoAction(int action, int descriptor, void* data, bool freeAll) {
  (void)action, (void)descriptor, (void)freeAll;
  auto* record = static_cast<DRPaintUndoRecord*>(data);
  if (!record) return;
  delete record->painting;
  delete record->selectionMask;
  *record = DRPaintUndoRecord{};
}

void DRPaintVC::didPopUndoAction(int action, int descriptor, void* data) {
  (void)action, (void)descriptor;
  auto* record = static_cast<DRPaintUndoRecord*>(data);
  if (!record || !record->finished) return;
  DRDrawing* drawing = this->drawing();
  const DRPainting* picture = painting().get();
  if (drawing) drawing->setPaintingDirty(picture && picture->edited());
  markWindowEdited();
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, notificationWindow());
}
