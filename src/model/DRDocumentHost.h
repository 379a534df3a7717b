#pragma once
// The drawing window as the drawing model sees it: the shell's window
// controller implements it, and the document holds it through
// CSDocument::windowController() (title, edited mark, represented file and
// redraw keep that one route). Tests use FakeDocumentHost
// (tests/testkit/model).

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <cstdint>

#include "model/DRElementGroup.h"
#include "support/CSDocumentWindow.h"

class DRCanvasHost;
class DRElement;

class DRDocumentHost : public virtual CSDocumentWindow {
 public:
  // The window, the object of its notifications; null before it is loaded.
  virtual QObject* window() const = 0;
  // The drawing canvas; null before the window is loaded.
  virtual DRCanvasHost* canvas() const = 0;
  // A sheet (a modal dialog of the window) is showing.
  virtual bool hasAttachedSheet() const { return false; }

  // The window's content rectangle on the screen (zero without a window);
  // setting it clamps it to the screen.
  virtual QRect contentFrame() const = 0;
  virtual void setContentFrame(const QRect& frame) = 0;

  // The undo store of the current content controller.
  virtual void clearUndo() = 0;
  virtual uint32_t newUndoID() = 0;

  // ---- Painting tabs ----
  // Closes the tabs of the bitmap elements among these (groups searched).
  virtual void closeTabsForElements(const DRElementList& elements) = 0;
  // Drops tabs whose element is gone.
  virtual void validateTabs() = 0;
  // The GUID of the bitmap element of the selected painting tab; empty while
  // the drawing tab is selected.
  virtual QString currentTabGuid() const = 0;
  // Opens a painting tab for a bitmap element (the tab strip is rebuilt by
  // setupTabs).
  virtual void addPaintTab(DRElement* bitmap) = 0;
  // Rebuilds the tab strip, selecting the tab of that GUID (the drawing tab
  // when empty or unknown).
  virtual void setupTabs(const QString& currentGuid, bool mayAnimate) = 0;

  // ---- Info bar ----
  virtual bool isInfoPanelOpen() const = 0;
  virtual void toggleInfo() = 0;
};
