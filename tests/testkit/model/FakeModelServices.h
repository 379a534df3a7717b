#pragma once
// Model services for tests: a main window object of its own, registered for
// the life of the fake; the preferences, the clock and the support folder
// are public fields, and the interchange hooks answer through settable
// functions (the defaults when unset), counting their calls.

#include <QObject>
#include <functional>

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

  bool keepBackups() const override { return keepBackupsPreference; }
  bool autosave() const override { return autosavePreference; }
  int jpegCompression() const override { return jpegCompressionPreference; }
  bool tiffCompression() const override { return tiffCompressionPreference; }
  QString supportFolder() const override { return supportFolderPath; }
  double currentTime() const override { return now; }

  DRDrawFileType drawFileType(const QString& path) const override;
  std::optional<DRElementList> loadElementsFromEmfFile(const QString& path) override;
  std::optional<DRElementList> loadElementsFromSvgFile(const QString& path) override;
  bool saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path, CSError* error) override;

  // The main window's canvas; none unless a test sets one.
  DRElementHostingView* canvas = nullptr;
  // How often "twdraw.positionChange" was posted.
  int positionChanges = 0;
  // The user's "scale grab dots" preference.
  bool scaleGrabDots = false;

  // ---- Preferences and clock ----
  bool keepBackupsPreference = true;
  bool autosavePreference = true;
  int jpegCompressionPreference = 8;
  bool tiffCompressionPreference = true;
  QString supportFolderPath;
  // The clock currentTime() reads; tests move it.
  double now = 1000.0;

  // ---- Interchange hooks (unset: the defaults) ----
  std::function<DRDrawFileType(const QString&)> fileTypeHook;
  std::function<std::optional<DRElementList>(const QString&)> emfLoader;
  std::function<std::optional<DRElementList>(const QString&)> svgLoader;
  std::function<bool(const DRElementList&, const CSRect&, const QString&, CSError*)> svgSaver;
  int emfLoads = 0;
  int svgLoads = 0;
  int svgSaves = 0;

 private:
  QObject m_window;
};
