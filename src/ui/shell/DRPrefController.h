#pragma once
// The application's preferences: read once from the settings when first
// asked for, held in memory for the run, written back at quit. The rest of
// the program reads and changes them only through this object; changes made
// in the "Preferences" window reach the open drawings by notifications.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QVariantMap>
#include <cstdint>

#include "model/DRDrawing.h"
#include "support/Kolor.h"
#include "support/Measure.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/editor/DREditorPrefs.h"

class QButtonGroup;

// Posted with no object ("twdraw.autosave" is the drawing's own).
extern const QString g_favoriteCountNotification;  // "twdraw.favoriteCount"

class DRPrefController : public QObject, public DREditorPrefs {
  Q_OBJECT
 public:
  // The grid slider's range, in points; stored spacings are held inside it.
  static constexpr double kMinimumSpacingPoints = 1.0;
  static constexpr double kMaximumSpacingPoints = 144.0;
  static constexpr MeasureUnit kDefaultSpacing = 914400;
  static constexpr Kolor kDefaultGridKolor = 0x64E0E0E0;
  static constexpr int64_t kMaximumFavoriteCount = 64;
  static constexpr uint64_t kMaximumJpegCompression = 10;
  // The step a spacing is rounded to: a tenth of a point.
  static constexpr MeasureUnit kSpacingStep = 1270;

  // The one instance, reading the application's settings when first made.
  static DRPrefController& sharedInstance();

  // Reads the preferences from these settings (the shared instance reads
  // the application's own).
  explicit DRPrefController(QSettings& settings);
  ~DRPrefController() override;
  DRPrefController(const DRPrefController&) = delete;
  DRPrefController& operator=(const DRPrefController&) = delete;

  // Registers this object as the editor's preferences and as the source of
  // the user's unit.
  void install();

  // Writes every preference; "twdraw.openProperty" is removed while empty.
  void savePreferences(QSettings& settings) const;
  void savePreferences() const;

  // Shows the "Preferences" window, made on first use and kept.
  void showPreferences();
  QDialog* window() const { return m_window; }

  // 1.0 below a zoom of 1 or while grab dots keep their size; else the zoom.
  double zoomForGrabDots(double zoom) const;

  // ---- Properties (setters only store) ----
  Kolor drawGridKolor() const override { return m_drawGridKolor; }
  void setDrawGridKolor(Kolor kolor) { m_drawGridKolor = kolor; }
  MeasureUnit drawGridSpacing() const override { return m_drawGridSpacing; }
  void setDrawGridSpacing(MeasureUnit spacing) { m_drawGridSpacing = spacing; }
  bool showDragLines() const override { return m_showDragLines; }
  void setShowDragLines(bool show) { m_showDragLines = show; }
  bool showDrawGrid() const override { return m_showDrawGrid; }
  void setShowDrawGrid(bool show) { m_showDrawGrid = show; }
  bool autosave() const { return m_autosave; }
  void setAutosave(bool autosave) { m_autosave = autosave; }
  uint64_t jpegCompression() const { return m_jpegCompression; }
  void setJpegCompression(uint64_t quality) { m_jpegCompression = quality; }
  bool tiffCompression() const { return m_tiffCompression; }
  void setTiffCompression(bool compress) { m_tiffCompression = compress; }
  bool keepBackups() const { return m_keepBackups; }
  void setKeepBackups(bool keep) { m_keepBackups = keep; }
  bool checkSpelling() const override { return m_checkSpelling; }
  void setCheckSpelling(bool check) override { m_checkSpelling = check; }
  bool openImageTab() const { return m_openImageTab; }
  void setOpenImageTab(bool open) { m_openImageTab = open; }
  bool exportPdf() const { return m_exportPdf; }
  void setExportPdf(bool exportPdf) { m_exportPdf = exportPdf; }
  bool centerPainting() const { return m_centerPainting; }
  void setCenterPainting(bool center) { m_centerPainting = center; }
  bool maximizeNewDocs() const { return m_maximizeNewDocs; }
  void setMaximizeNewDocs(bool maximize) { m_maximizeNewDocs = maximize; }
  bool centerMovedBitmap() const { return m_centerMovedBitmap; }
  void setCenterMovedBitmap(bool center) { m_centerMovedBitmap = center; }
  bool scaleGrabDots() const { return m_scaleGrabDots; }
  void setScaleGrabDots(bool scale) { m_scaleGrabDots = scale; }
  bool showRecentColors() const override { return m_showRecentColors; }
  void setShowRecentColors(bool show) { m_showRecentColors = show; }
  bool resetTool() const override { return m_resetTool; }
  void setResetTool(bool reset) { m_resetTool = reset; }
  DistanceUnit distanceUnit() const { return m_distanceUnit; }
  void setDistanceUnit(DistanceUnit unit) { m_distanceUnit = unit; }
  QVariantMap& propOpenStatus() override { return m_propOpenStatus; }
  int favoriteColorCount() const override { return int(m_favoriteColorCount); }
  void setFavoriteColorCount(int count) override { m_favoriteColorCount = count; }
  uint64_t displayedCount() const { return m_displayedCount; }
  void setDisplayedCount(uint64_t count) { m_displayedCount = count; }

  // ---- The window's actions ----
  void changeAutosave();
  // From the count field: the count takes the field's value; any sender
  // announces the count.
  void changeColorCount(QObject* sender);
  void setAutomatic(bool automatic);
  void changeDrawGridColor(Kolor kolor);
  // From the field or the slider: the control's measure to a tenth of a
  // point.
  void changeDrawGridSpacing(QWidget* control);
  void changeTabOverride(int row);
  void redrawWindows();
  // The unit changed: the spacing field shows the spacing in the new unit.
  void unitsChanged();

  // The window's controls, once it is made.
  QCheckBox* automaticCheckbox() const { return m_automaticCheckbox; }
  QLineEdit* countField() const { return m_countField; }
  CSMeasureField* gridSpacingField() const { return m_gridSpacingField; }
  CSDoubleSlider* gridSpacingSlider() const { return m_gridSpacingSlider; }
  QPushButton* gridColor() const { return m_gridColor; }
  QButtonGroup* tabOverrideMatrix() const { return m_tabOverrideMatrix; }

 private:
  void read(QSettings& settings);
  void buildWindow();
  void showSpacing();
  void showGridKolor();

  QPointer<QDialog> m_window;
  QPointer<QCheckBox> m_automaticCheckbox;
  QPointer<QLineEdit> m_countField;
  QPointer<CSMeasureField> m_gridSpacingField;
  QPointer<CSDoubleSlider> m_gridSpacingSlider;
  QPointer<QPushButton> m_gridColor;
  QButtonGroup* m_tabOverrideMatrix = nullptr;

  Kolor m_drawGridKolor = kDefaultGridKolor;
  MeasureUnit m_drawGridSpacing = kDefaultSpacing;
  bool m_showDragLines = false;
  bool m_showDrawGrid = false;
  bool m_autosave = true;
  uint64_t m_jpegCompression = 10;
  bool m_tiffCompression = true;
  bool m_keepBackups = true;
  bool m_checkSpelling = true;
  bool m_openImageTab = false;
  bool m_exportPdf = true;
  bool m_centerPainting = true;
  bool m_maximizeNewDocs = false;
  bool m_centerMovedBitmap = true;
  bool m_scaleGrabDots = true;
  bool m_showRecentColors = true;
  bool m_resetTool = false;
  DistanceUnit m_distanceUnit = kDistanceUnitPoints;
  QVariantMap m_propOpenStatus;
  int64_t m_favoriteColorCount = -1;
  uint64_t m_displayedCount = 0;
  bool m_installed = false;
};
