#pragma once
// Model services for tests: a main window object of its own, registered for
// the life of the fake.

#include <QObject>

#include "model/DRModelServices.h"

class FakeModelServices : public DRModelServices {
 public:
  FakeModelServices() { SetModelServices(this); }
  ~FakeModelServices() override { SetModelServices(nullptr); }
  FakeModelServices(const FakeModelServices&) = delete;
  FakeModelServices& operator=(const FakeModelServices&) = delete;

  QObject* mainWindow() const override { return const_cast<QObject*>(&m_window); }
  double zoomForGrabDots(double zoom) const override { return (zoom < 1.0 || scaleGrabDots) ? 1.0 : zoom; }

  DRElementHostingView* mainCanvas() const override { return canvas; }
  void postPositionChange() override { ++positionChanges; }

  // The main window's canvas; none unless a test sets one.
  DRElementHostingView* canvas = nullptr;
  // How often "twdraw.positionChange" was posted.
  int positionChanges = 0;
  // The user's "scale grab dots" preference.
  bool scaleGrabDots = false;

 private:
  QObject m_window;
};
