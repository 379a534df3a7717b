#pragma once
// What the drawing model needs of the application above it: the main window
// that recent-colour registrations name, and (added as the layers above grow)
// preferences and the application's shared lists. The shell registers its
// implementation at start-up; without one the model runs on the defaults
// below, as it does in tests and tools.

#include <QList>

#include "model/DRArrow.h"

class DRElementHostingView;
class QObject;

class DRModelServices {
 public:
  virtual ~DRModelServices() = default;

  // The application's main window, the object of the recent-colour
  // notifications; null when there is none.
  virtual QObject* mainWindow() const { return nullptr; }

  // The factor at which grab dots are drawn and hit-tested on a canvas at
  // this zoom: 1 below zoom 1 or when the user scales dots with the drawing,
  // else the zoom itself, so that dots keep their on-screen size.
  virtual double zoomForGrabDots(double zoom) const { return zoom < 1.0 ? 1.0 : zoom; }

  // The drawing canvas of the main window, when the main window is a drawing
  // window; null otherwise.
  virtual DRElementHostingView* mainCanvas() const { return nullptr; }
  // Posts "twdraw.positionChange" with the main window as object, for the
  // position panes after an element's frame was set from outside.
  virtual void postPositionChange();

  // The application's recently used arrows, most recent first.
  virtual QList<DRArrow>& recentArrows() { return m_recentArrows; }

 private:
  QList<DRArrow> m_recentArrows;
};

// The registered services; a default instance while none is registered.
DRModelServices& ModelServices();
// Registers the services (not owned); null restores the defaults.
void SetModelServices(DRModelServices* services);
