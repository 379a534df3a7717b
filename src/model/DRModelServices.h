#pragma once
// What the drawing model needs of the application above it: the main window
// that recent-colour registrations name, and (added as the layers above grow)
// preferences and the application's shared lists. The shell registers its
// implementation at start-up; without one the model runs on the defaults
// below, as it does in tests and tools.

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <optional>

#include "model/DRArrow.h"
#include "model/DRElementGroup.h"
#include "support/CSImage.h"

class CSError;
class DRElementHostingView;
class QObject;

// The kinds of file a drawing can be opened from (GetDrawFileType).
enum DRDrawFileType : int32_t {
  kDrawFileUnknown = 0,
  kDrawFileClipping = 1,  // a picture clipping
  kDrawFileNative = 2,
  kDrawFileEmf = 3,
  kDrawFileImage = 4,
  kDrawFileSvg = 5,
};

// The extensions of QuickDraw picture files, lower case.
const QStringList& QuickdrawFileExtensions();

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

  // ---- Preferences ----
  // Keep the old version of a saved drawing under the backup name.
  virtual bool keepBackups() const { return true; }
  virtual bool autosave() const { return true; }
  // 0-10; JPEG and HEIC quality is a tenth of it.
  virtual int jpegCompression() const { return 8; }
  // TIFF files are LZW-compressed.
  virtual bool tiffCompression() const { return true; }
  // Where autosave packages are written; empty when there is none.
  virtual QString supportFolder() const { return QString(); }
  // Seconds on the clock of TimeSinceSystemRef(); tests drive their own.
  virtual double currentTime() const;

  // ---- Files of other kinds (the interchange layer registers them) ----
  virtual DRDrawFileType drawFileType(const QString& path) const;
  // The elements of an EMF or SVG file (an empty file gives an empty list);
  // nullopt when it cannot be read, after the importer's own alert. Without
  // an importer, the alert says the drawing can't be read.
  virtual std::optional<DRElementList> loadElementsFromEmfFile(const QString& path);
  virtual std::optional<DRElementList> loadElementsFromSvgFile(const QString& path);
  virtual bool saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path,
                           CSError* error);
  // Pictures turned into images; each gives a null image when it cannot,
  // and the converters give the path of the PDF rendering they wrote.
  virtual bool isQuickdrawFile(const QString& path) const {
    (void)path;
    return false;
  }
  virtual CSImage createImageFromQuickdrawPict(const QByteArray& data, bool hasHeader, QString* pdfPath) {
    (void)data, (void)hasHeader, (void)pdfPath;
    return {};
  }
  virtual CSImage createImageFromEmf(const QByteArray& data, QString* pdfPath) {
    (void)data, (void)pdfPath;
    return {};
  }
  virtual CSImage largestIconImage(const QString& path) {
    (void)path;
    return {};
  }
  // Asks for the size and page of a PDF or AI file; `canceled` when the
  // user cancels.
  virtual CSImage scalableImage(const QString& path, bool* canceled) {
    (void)path, (void)canceled;
    return {};
  }

 private:
  QList<DRArrow> m_recentArrows;
};

// The registered services; a default instance while none is registered.
DRModelServices& ModelServices();
// Registers the services (not owned); null restores the defaults.
void SetModelServices(DRModelServices* services);
