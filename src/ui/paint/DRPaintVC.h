#pragma once
// The content controller of one painting tab: holds a copy of the painting
// being edited with its size, edit mode, display mode and transparency,
// keeps the tab's snapshot undo (each entry a copy of the painting and the
// canvas's selection), answers the painting commands, and hands the edited
// painting back to its bitmap element when the tab is left, closed or the
// drawing is saved.
//
// DRPaintVC.cpp: life, snapshots and the tab. DRPaintVCActions.cpp: the
// commands and their menu validation.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "pixmap/PixelFunctions.h"
#include "support/Measure.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/shell/DRWindowController.h"

class DRPaintView;
class DRToolbarView;
class QAction;
class QRect;
struct DRPaintUndoRecord;

class DRPaintVC : public DRPaintTabController {
  Q_OBJECT
 public:
  // The bytes of painting snapshots the store may hold: beyond it the
  // oldest entries go, the newest always kept.
  static constexpr uint64_t kDefaultUndoByteLimit = uint64_t(2) << 30;

  DRPaintVC();
  ~DRPaintVC() override;
  // The window's factory of painting tabs: a controller connected to the
  // window's palette.
  static std::unique_ptr<DRPaintTabController> createForWindow(DRWindowController* window);

  // The canvas; the controller owns it.
  DRPaintView* paintView() const { return m_view.get(); }
  QWidget* view() const override;
  // Connects the canvas to the window's palette; the window controller's
  // factory calls it.
  void setToolbarView(DRToolbarView* toolbar);
  void awakeFromNib();

  // ---- Fields ----
  MeasureUnit width() const { return m_width; }
  MeasureUnit height() const { return m_height; }
  PixmapMode pixmapMode() const { return m_pixmapMode; }
  void setPixmapMode(PixmapMode mode) { m_pixmapMode = mode; }
  PixmapDisplay pixmapDisplay() const { return m_pixmapDisplay; }
  void setPixmapDisplay(PixmapDisplay display) { m_pixmapDisplay = display; }
  bool hasMask() const { return m_hasMask; }
  bool isLocked() const;

  // ---- The tab ----
  // Stores a copy of the painting.
  void setPainting(const std::shared_ptr<DRPainting>& painting) override;
  void viewStatusChanged(QObject* window) override;
  bool isDirty() const override;
  void updateBimapElement() override;
  void bitmapDidResize() override;
  void deleteSelectionForMove() override;
  // Without transparency mode 0 and display 2; `redraw` also redraws and
  // posts "twdraw.mask".
  void setUIForAlpha(bool redraw);
  // "twdraw.editPaint" of a painting.
  void paintingIsDirty(const void* painting);
  // "twdraw.sizeChange" of the window.
  void sizeChanged(const QVariantMap& userInfo);
  // Resizes the painting to the fields' size at the origin; nothing when
  // that is its size already.
  void resizePainting(bool withUndo);
  // The size sheet's answer, in points.
  void resizePaintingFromDialog(QSizeF size);
  // Adds or removes the transparency; whether it changed.
  bool toggleMask();
  void performCrop(const QRect& rect);

  // ---- Undo ----
  // An entry for a painting change (refused: change nothing); older
  // entries go while the snapshots pass the byte limit.
  bool setUndoID(uint32_t undoId, int descriptor);
  uint64_t undoByteLimit() const { return m_undoByteLimit; }
  void setUndoByteLimit(uint64_t bytes) { m_undoByteLimit = bytes; }
  // The pixel bytes the store holds now.
  uint64_t undoBytes();

  bool setUndoAction(int action, int descriptor, void* data, uint64_t context) override;
  bool undoOrRedo(int* action, int descriptor, void* data, bool isRedo) override;
  QString undoActionName(int descriptor, void* data) override;
  void freeUndoAction(int action, int descriptor, void* data, bool freeAll) override;
  void didPopUndoAction(int action, int descriptor, void* data) override;
  void enumeratedUndoAction(int action, int descriptor, void* data, uint64_t context) override;

  // ---- DREditorContent ----
  DREditorContentView* contentView() const override;

  // ---- DRActionTarget ----
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  bool validateMenuItem(const QString& selector, QAction* item) override;

  // ---- Commands (DRPaintVCActions.cpp) ----
  void adjustColor(QObject* sender);
  void blur(QObject* sender);
  void convertColor(QObject* sender);
  void convertGray(QObject* sender);
  void copy(QObject* sender);
  void cut(QObject* sender);
  void deleteCommand(QObject* sender);
  void fill(QObject* sender);
  void flip(QObject* sender);
  void invert(QObject* sender);
  void moveToDrawing(QObject* sender);
  void paste(QObject* sender);
  void redoEdit(QObject* sender);
  void undoEdit(QObject* sender);
  void rotateFixed(QObject* sender);
  void selectAll(QObject* sender);
  void selectNone(QObject* sender);
  void setPaintingSize(QObject* sender);
  void shrinkToFit(QObject* sender);
  void swapColors(QObject* sender);
  // Swaps the colours under the selection mask for the fill colour over the
  // whole painting, with a progress window.
  void swapSelectionColors();
  void zoomByPercent(QObject* sender);
  void zoomIn(QObject* sender);
  void zoomOut(QObject* sender);

  // The sound of a command that cannot run; tests count it. Null restores
  // the system beep.
  static void setBeepFunction(std::function<void()> beep);
  static void beep();

 private:
  // The window of the notifications: the window controller's, else the
  // canvas's.
  QObject* notificationWindow() const;
  void markWindowEdited();
  void postSizeChange(const QVariantMap& extra);
  void takeSizeFromPainting();
  // Takes the painting without copying it.
  void adoptPainting(const std::shared_ptr<DRPainting>& painting);
  void trimUndo();
  // Drops the floating pixmap and opens an entry with a fresh id.
  bool startPixelCommand(int descriptor);
  // After a pixel command: the canvas drops its caches and redraws.
  void redrawCanvas();

  bool validateSelection(QAction* item);
  bool validateSelectionUnlocked(QAction* item);
  bool validatePaste(QAction* item);
  bool validateUndo(QAction* item);
  bool validateZoomIn(QAction* item);
  bool validateZoomOut(QAction* item);
  bool validateAlways(QAction* item);
  bool validateUnlocked(QAction* item);
  bool validateColorCommand(QAction* item);
  bool validateSwapColors(QAction* item);
  static const DRActionTable<DRPaintVC>& actionTable();

  std::unique_ptr<DRPaintView> m_view;
  MeasureUnit m_width = 0;
  MeasureUnit m_height = 0;
  PixmapMode m_pixmapMode = kPixmapModeColor;
  PixmapDisplay m_pixmapDisplay = kPixmapDisplayNormal;
  bool m_hasMask = false;
  QObject* m_observedWindow = nullptr;
  uint64_t m_undoByteLimit = kDefaultUndoByteLimit;
  uint64_t m_enumeratedBytes = 0;
};
