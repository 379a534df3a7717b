#pragma once
// The drawing document: an ordered list of elements (index 0 at the back),
// the paintings bitmap elements show, the recent colours, a background
// image, the print options, the painting tabs that were open, the
// duplication offset, and the state of the autosave copy. The canvas owns
// the selection, zoom and scroll position (DRCanvasHost); the window
// controller owns the tabs (DRDocumentHost).
//
// DRDrawing.cpp: life, element list, image and PDF export, revert.
// DRDrawingPackage.cpp: the native package. DRDrawingAutosave.cpp: the
// autosave copy. DRDrawingChange.cpp: inspector changes to the selection.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

#include "model/DRColorSource.h"
#include "model/DRElementGroup.h"
#include "model/DRElementIndex.h"
#include "model/DRPainting.h"
#include "support/CSDocument.h"
#include "support/CSImage.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class CSXmlDecoder;
class DRCanvasHost;
class DRDocumentHost;
class QTimer;

extern const QString g_savingNotification;          // "twdraw.saving", the window as object
extern const QString g_closingNotification;         // "twdraw.closing", the document as object
extern const QString g_normalizeNotification;       // "twdraw.normalize"
extern const QString g_autosaveNotification;        // "twdraw.autosave"
extern const QString g_settingsChangeNotification;  // "twdraw.settingsChange"

// The package extensions.
extern const QString g_drawingExtension;   // "TWdraw"
extern const QString g_autosaveExtension;  // "TWdraw_autosave"

// The text forms of the print options (written under "print"); false for a
// text that is not one.
QString PrintInfoText(const CSPrintInfo& info);
bool PrintInfoFromText(const QString& text, CSPrintInfo* info);

// Test hook of the package writer: when set, called after each step of a
// package save with the step's number (from 1 within that save). Answers the
// hook it replaces.
using DRPackageSaveStepHook = void (*)(int step);
DRPackageSaveStepHook SetPackageSaveStepHook(DRPackageSaveStepHook hook);

class DRDrawing : public CSDocument, public DRColorSource {
  Q_OBJECT
 public:
  DRDrawing();
  ~DRDrawing() override;

  // The window controller as the model sees it (the document's
  // windowController(), which it must be); null without one.
  DRDocumentHost* documentHost() const;
  void setDocumentHost(DRDocumentHost* host);
  // The canvas of that window; null without one.
  DRCanvasHost* canvas() const;

  // ---- Content ----

  DRElementList& elements() { return m_elements; }
  const DRElementList& elements() const { return m_elements; }
  QStringList& bitmapGuids() { return m_bitmapGuids; }
  QHash<QString, std::shared_ptr<DRPainting>>& newPaintings() { return m_newPaintings; }
  QList<Kolor>& recentColors() { return m_recentColors; }

  // The grid over the top-level elements' areas, brought up to date with
  // the list. Callers that change an element in place report it with
  // noteElementsChanged() before they ask again.
  const DRElementIndex& elementIndex() const {
    m_elementIndex.update(m_elements);
    return m_elementIndex;
  }
  void noteElementsChanged() const { m_elementIndex.invalidate(); }

  // The union of the top-level frames; zero when there are none.
  CSRect frame() const;
  // A painting waiting in newPaintings, else the painting of the last
  // bitmap (groups searched) with that GUID; null when none.
  std::shared_ptr<DRPainting> paintingForGuid(const QString& guid) const;
  static std::shared_ptr<DRPainting> paintingInElements(const DRElementList& elements, const QString& guid);

  bool isPaintingDirty() const { return m_paintingDirty; }
  void setPaintingDirty(bool dirty) { m_paintingDirty = dirty; }
  bool createPreview() const { return m_createPreview; }
  void setCreatePreview(bool create) { m_createPreview = create; }
  const CSImage& backgroundImage() const { return m_backgroundImage; }
  void setBackgroundImage(const CSImage& image) { m_backgroundImage = image; }
  CSRect backgroundLocation() const { return m_backgroundLocation; }
  void setBackgroundLocation(const CSRect& rect) { m_backgroundLocation = rect; }
  double backgroundOpacity() const { return m_backgroundOpacity; }
  void setBackgroundOpacity(double opacity) { m_backgroundOpacity = opacity; }
  bool showPageBreaks() const { return m_showPageBreaks; }
  void setShowPageBreaks(bool show) { m_showPageBreaks = show; }
  bool centerOnPage() const { return m_centerOnPage; }
  void setCenterOnPage(bool center) { m_centerOnPage = center; }
  bool scaleToFit() const { return m_scaleToFit; }
  void setScaleToFit(bool scale) { m_scaleToFit = scale; }
  bool isDupOffsetValid() const { return m_dupOffsetValid; }
  void setDupOffsetValid(bool valid) { m_dupOffsetValid = valid; }
  CSPoint duplicationOffset() const { return m_duplicationOffset; }
  void setDuplicationOffset(CSPoint offset) { m_duplicationOffset = offset; }
  double saveCompression() const { return m_saveCompression; }
  const QString& guid() const { return m_guid; }

  // ---- CSDocument ----

  bool isDirty() const override;
  bool makeBackups() override;
  void prepareToSave(bool flag) override;
  void prepareToClose() override;
  bool saveCore(const QString& path, bool inPlace, CSError* error) override;
  void attachToSavedFile() override;
  bool loadNativeFile(const QString& path) override;
  void revert() override;

  // DRColorSource: the colour of the rendering under a canvas point.
  Kolor kolorAtPoint(const QPointF& point) const override;

  // ---- Image and PDF export ----

  bool saveDrawingToImage(const QString& path, double compression, CSError* error);
  // False without an error for a path the image formats do not cover
  // ("svg"); the compression is chosen as the format and preferences say.
  bool saveImage(const CSImage& image, const QString& path, double compression, CSError* error);
  // The drawing (or the selection while the canvas draws to the clip)
  // rendered at zoom 1: from the area's origin, white margins trimmed, or
  // from (0, 0) with `fromOrigin`. Null without a canvas or content.
  CSImage createDrawingImage(bool fromOrigin);
  // One page of PDF of the same area; empty when there is none.
  QByteArray pdfOfDrawing();

  // ---- The package (DRDrawingPackage.cpp) ----

  bool saveNative(const QString& path, bool inPlace, CSError* error);
  // The decoder on the "elements" start tag; reads through its end tag.
  bool importElements(CSXmlDecoder& decoder);
  void loadFonts(CSXmlDecoder& decoder);
  // Empty folder: false at once.
  bool loadImages(CSXmlDecoder& decoder, const QString& folder);

  // ---- Autosave (DRDrawingAutosave.cpp) ----

  void enableAutosave();
  // `fromTimer` false is a forced run (no 5-second quiet rule).
  void autosaveTimerFired(bool fromTimer);
  void forceAutosave() { autosaveTimerFired(false); }
  void releaseAutoSave();
  bool dirtySinceAutoSave() const { return m_dirtySinceAutoSave; }
  void setDirtySinceAutoSave(bool dirty) { m_dirtySinceAutoSave = dirty; }
  bool autosaveRecoveryDoc() const { return m_autosaveRecoveryDoc; }
  void setAutosaveRecoveryDoc(bool recovery) { m_autosaveRecoveryDoc = recovery; }
  bool autosaveFailed() const { return m_autosaveFailed; }
  bool isAutosaving() const { return m_autosaving; }
  const QString& autosaveFile() const { return m_autosaveFile; }
  void setAutosaveFile(const QString& path) { m_autosaveFile = path; }
  bool hasAutosaveTimer() const { return m_autosaveTimer != nullptr; }
  double autosaveTime() const { return m_autosaveTime; }
  void setAutosaveTime(double time) { m_autosaveTime = time; }
  double lastEditTime() const { return m_lastEditTime; }
  void setLastEditTime(double time) { m_lastEditTime = time; }

  // ---- Settings change (DRDrawingChange.cpp) ----

  // Applies "twdraw.settingsChange" user information to the canvas's
  // selection.
  void change(const QVariantMap& userInfo, DRCanvasHost* canvas);

 private:
  void normalize(const QVariantMap& userInfo);
  void sleep();

  DRElementList m_elements;
  mutable DRElementIndex m_elementIndex;
  QStringList m_bitmapGuids;
  QHash<QString, std::shared_ptr<DRPainting>> m_newPaintings;
  QList<Kolor> m_recentColors;
  bool m_paintingDirty = false;
  bool m_createPreview = true;
  CSImage m_backgroundImage;
  CSRect m_backgroundLocation;
  double m_backgroundOpacity = 1.0;
  bool m_showPageBreaks = false;
  bool m_centerOnPage = false;
  bool m_scaleToFit = false;
  bool m_dupOffsetValid = false;
  CSPoint m_duplicationOffset;
  double m_saveCompression = -1.0;
  bool m_dirtySinceAutoSave = false;
  bool m_autosaveRecoveryDoc = false;
  bool m_autosaveFailed = false;
  bool m_autosaving = false;
  QString m_autosaveFile;
  QString m_guid;
  QTimer* m_autosaveTimer = nullptr;
  double m_autosaveTime = 0;
  double m_lastEditTime = 0;
  DRDocumentHost* m_documentHost = nullptr;
  // prepareToClose() ran: the destructor does not close a second time.
  bool m_closed = false;
};
