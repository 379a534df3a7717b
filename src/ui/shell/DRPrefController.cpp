#include "ui/shell/DRPrefController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/shell/CSWindowTabManager.h"

const QString g_favoriteCountNotification = QStringLiteral("twdraw.favoriteCount");

namespace {

const QString kShowDragLines = QStringLiteral("twdraw.showDragLines");
const QString kShowDrawGrid = QStringLiteral("twdraw.showDrawGrid");
const QString kDrawGridKolor = QStringLiteral("twdraw.drawGridKolor");
const QString kDrawGridSpacing = QStringLiteral("twdraw.drawGridSpacing");
const QString kJpegCompression = QStringLiteral("twdraw.jpegCompression");
const QString kCompressTiff = QStringLiteral("twdraw.compressTiff");
const QString kBackups = QStringLiteral("twdraw.backups");
const QString kOpenProperty = QStringLiteral("twdraw.openProperty");
const QString kUnits = QStringLiteral("twdraw.units");
const QString kFavoriteColorCount = QStringLiteral("twdraw.favoriteColorCount");
const QString kAutosave = QStringLiteral("twdraw.autosave");
const QString kCenterPainting = QStringLiteral("twdraw.centerPainting");
const QString kCheckSpelling = QStringLiteral("twdraw.checkSpelling");
const QString kExportPdf = QStringLiteral("twdraw.exportPDF");
const QString kOpenImageTab = QStringLiteral("twdraw.openImageTab");
const QString kMaximizeNew = QStringLiteral("twdraw.maximizeNew");
const QString kCenterMovedPainting = QStringLiteral("twdraw.centerMovedPainting");
const QString kScaleGrabDots = QStringLiteral("twdraw.scaleGrabDots");
const QString kShowRecentColors = QStringLiteral("twdraw.showRecentColors");
const QString kResetTool = QStringLiteral("twdraw.resetTool");
const QString kTabOverride = QStringLiteral("twdraw.tabOverride");

// A stored boolean: a boolean, a number (non-zero is YES) or the texts a
// settings file holds for them; anything else, or nothing, is `absent`.
bool ReadBool(const QSettings& settings, const QString& key, bool absent) {
  const QVariant value = settings.value(key);
  if (!value.isValid()) return absent;
  switch (value.typeId()) {
    case QMetaType::Bool:
      return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
      return value.toDouble() != 0;
    case QMetaType::QString: {
      const QString text = value.toString().trimmed();
      if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) return true;
      bool ok = false;
      const double number = text.toDouble(&ok);
      return ok && number != 0;
    }
    default:
      return false;
  }
}

// A stored integer; 0 when the value holds no number.
int64_t ReadInteger(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (ok) return number;
  const double real = value.toString().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(real)) return 0;
  return int64_t(std::clamp(real, -9.0e18, 9.0e18));
}

// The unit's name in the settings. Feet and inches have no name, and inch
// fractions share the inch mark with inches: each gets a name of its own so
// that the unit survives the next launch.
const QString kFeetInchesName = QStringLiteral("'");
const QString kInchFractionsName = QStringLiteral("in-frac");

QString UnitName(DistanceUnit unit) {
  if (unit == kDistanceUnitFeetInches) return kFeetInchesName;
  if (unit == kDistanceUnitInchFractions) return kInchFractionsName;
  return DistanceUnitString(unit);
}

DistanceUnit UnitFromName(const QString& name) {
  if (name == kInchFractionsName) return kDistanceUnitInchFractions;
  return DistanceUnitFromString(name);
}

constexpr MeasureUnit SpacingFromPoints(double points) {
  return MeasureUnit(points * double(kMeasurePerPoint));
}

}  // namespace

DRPrefController& DRPrefController::sharedInstance() {
  static DRPrefController* instance = [] {
    QSettings settings;
    return new DRPrefController(settings);
  }();
  return *instance;
}

DRPrefController::DRPrefController(QSettings& settings) {
  read(settings);
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRPrefController::~DRPrefController() {
  NotificationCenter::defaultCenter().removeObserver(this);
  if (m_installed) {
    SetEditorPrefs(nullptr);
    SetDistanceUnitProvider(nullptr);
  }
  delete m_window.data();
}

void DRPrefController::install() {
  m_installed = true;
  SetEditorPrefs(this);
  SetDistanceUnitProvider([this] { return m_distanceUnit; });
}

void DRPrefController::read(QSettings& settings) {
  m_showDragLines = ReadBool(settings, kShowDragLines, false);
  m_showDrawGrid = ReadBool(settings, kShowDrawGrid, false);
  m_openImageTab = ReadBool(settings, kOpenImageTab, false);
  m_maximizeNewDocs = ReadBool(settings, kMaximizeNew, false);
  m_resetTool = ReadBool(settings, kResetTool, false);
  m_tiffCompression = ReadBool(settings, kCompressTiff, true);
  m_autosave = ReadBool(settings, kAutosave, true);
  m_centerPainting = ReadBool(settings, kCenterPainting, true);
  m_checkSpelling = ReadBool(settings, kCheckSpelling, true);
  m_exportPdf = ReadBool(settings, kExportPdf, true);
  m_centerMovedBitmap = ReadBool(settings, kCenterMovedPainting, true);
  m_scaleGrabDots = ReadBool(settings, kScaleGrabDots, true);
  m_showRecentColors = ReadBool(settings, kShowRecentColors, true);
  m_keepBackups = ReadBool(settings, kBackups, true);

  const QVariant kolor = settings.value(kDrawGridKolor);
  m_drawGridKolor = kolor.typeId() == QMetaType::QString ? KolorFromString(kolor.toString()) : kDefaultGridKolor;

  // A hand-edited spacing outside the slider's range would have the canvas
  // draw a line per measure unit: it is held inside the range.
  m_drawGridSpacing = ReadInteger(settings, kDrawGridSpacing);
  if (m_drawGridSpacing == 0) m_drawGridSpacing = kDefaultSpacing;
  m_drawGridSpacing =
      std::clamp(m_drawGridSpacing, SpacingFromPoints(kMinimumSpacingPoints), SpacingFromPoints(kMaximumSpacingPoints));

  m_jpegCompression = 10;
  if (settings.contains(kJpegCompression)) {
    m_jpegCompression =
        uint64_t(std::clamp<int64_t>(ReadInteger(settings, kJpegCompression), 0, int64_t(kMaximumJpegCompression)));
  }
  m_favoriteColorCount = -1;
  if (settings.contains(kFavoriteColorCount)) {
    m_favoriteColorCount = std::clamp<int64_t>(ReadInteger(settings, kFavoriteColorCount), -1, kMaximumFavoriteCount);
  }

  const QVariant open = settings.value(kOpenProperty);
  m_propOpenStatus = open.canConvert<QVariantMap>() ? open.toMap() : QVariantMap();

  const QVariant units = settings.value(kUnits);
  m_distanceUnit = kDistanceUnitPoints;
  if (units.typeId() == QMetaType::QString) {
    m_distanceUnit = UnitFromName(units.toString());
    if (m_distanceUnit == kCurrentDistanceUnit) m_distanceUnit = kDistanceUnitPoints;
  }

  CSWindowTabManager::sharedInstance().setTabOverride(int(int32_t(ReadInteger(settings, kTabOverride))));
}

void DRPrefController::savePreferences(QSettings& settings) const {
  settings.setValue(kShowDragLines, m_showDragLines);
  settings.setValue(kShowDrawGrid, m_showDrawGrid);
  settings.setValue(kDrawGridKolor, NewKolorString(m_drawGridKolor));
  settings.setValue(kDrawGridSpacing, qlonglong(m_drawGridSpacing));
  settings.setValue(kJpegCompression, qulonglong(m_jpegCompression));
  settings.setValue(kCompressTiff, m_tiffCompression);
  settings.setValue(kBackups, m_keepBackups);
  if (m_propOpenStatus.isEmpty()) {
    settings.remove(kOpenProperty);
  } else {
    settings.setValue(kOpenProperty, m_propOpenStatus);
  }
  settings.setValue(kUnits, UnitName(m_distanceUnit));
  settings.setValue(kFavoriteColorCount, qlonglong(m_favoriteColorCount));
  settings.setValue(kAutosave, m_autosave);
  settings.setValue(kCenterPainting, m_centerPainting);
  settings.setValue(kCheckSpelling, m_checkSpelling);
  settings.setValue(kExportPdf, m_exportPdf);
  settings.setValue(kOpenImageTab, m_openImageTab);
  settings.setValue(kMaximizeNew, m_maximizeNewDocs);
  settings.setValue(kCenterMovedPainting, m_centerMovedBitmap);
  settings.setValue(kScaleGrabDots, m_scaleGrabDots);
  settings.setValue(kShowRecentColors, m_showRecentColors);
  settings.setValue(kResetTool, m_resetTool);
  settings.setValue(kTabOverride, CSWindowTabManager::sharedInstance().tabOverride());
}

void DRPrefController::savePreferences() const {
  QSettings settings;
  savePreferences(settings);
}

double DRPrefController::zoomForGrabDots(double zoom) const {
  return (zoom < 1.0 || m_scaleGrabDots) ? 1.0 : zoom;
}

// ---- The window ----------------------------------------------------------------------------

void DRPrefController::buildWindow() {
  auto* window = new QDialog;
  window->setObjectName(QStringLiteral("Preferences"));
  window->setWindowTitle(QStringLiteral("Preferences"));
  auto* column = new QVBoxLayout(window);

  // A plain check box stores its property as it changes.
  auto check = [&](const QString& title, bool value, auto setter, QLayout* into) {
    auto* box = new QCheckBox(title);
    box->setChecked(value);
    QObject::connect(box, &QCheckBox::toggled, this, setter);
    into->addWidget(box);
    return box;
  };

  auto* grid = new QGroupBox(QStringLiteral("Grid"));
  auto* gridForm = new QFormLayout(grid);
  m_gridSpacingSlider = new CSDoubleSlider(Qt::Horizontal);
  m_gridSpacingSlider->setObjectName(QStringLiteral("gridSpacingSlider"));
  m_gridSpacingSlider->setDoubleRange(kMinimumSpacingPoints, kMaximumSpacingPoints);
  m_gridSpacingField = new CSMeasureField;
  m_gridSpacingField->setObjectName(QStringLiteral("gridSpacingField"));
  m_gridSpacingField->formatter()->setMinimum(SpacingFromPoints(m_gridSpacingSlider->doubleMinimum()));
  m_gridSpacingField->formatter()->setMaximum(SpacingFromPoints(m_gridSpacingSlider->doubleMaximum()));
  auto* spacingRow = new QHBoxLayout;
  spacingRow->addWidget(m_gridSpacingSlider, 1);
  spacingRow->addWidget(m_gridSpacingField);
  gridForm->addRow(QStringLiteral("Spacing:"), spacingRow);
  m_gridColor = new QPushButton;
  m_gridColor->setObjectName(QStringLiteral("gridColor"));
  m_gridColor->setFixedSize(44, 22);
  gridForm->addRow(QStringLiteral("Color:"), m_gridColor);
  column->addWidget(grid);
  QObject::connect(m_gridSpacingSlider.data(), &QSlider::sliderReleased, this,
                   [this] { changeDrawGridSpacing(m_gridSpacingSlider); });
  QObject::connect(m_gridSpacingSlider.data(), &QSlider::actionTriggered, this, [this](int) {
    QPointer<CSDoubleSlider> slider = m_gridSpacingSlider;
    QMetaObject::invokeMethod(
        this,
        [this, slider] {
          if (slider) changeDrawGridSpacing(slider);
        },
        Qt::QueuedConnection);
  });
  QObject::connect(m_gridSpacingField.data(), &QLineEdit::editingFinished, this, [this] {
    if (m_gridSpacingField->acceptsText()) changeDrawGridSpacing(m_gridSpacingField);
  });
  QObject::connect(m_gridColor.data(), &QPushButton::clicked, this, [this] {
    QColorDialog* panel = SharedColorDialog();
    if (!panel) return;
    panel->disconnect(this);
    panel->setCurrentColor(ColorFromKolor(m_drawGridKolor));
    QObject::connect(panel, &QColorDialog::currentColorChanged, this,
                     [this](const QColor& color) { changeDrawGridColor(KolorFromColor(color)); });
    panel->show();
  });

  auto* favorites = new QGroupBox(QStringLiteral("Favorite colors"));
  auto* favoriteRow = new QHBoxLayout(favorites);
  m_automaticCheckbox = new QCheckBox(QStringLiteral("Automatic"));
  m_automaticCheckbox->setObjectName(QStringLiteral("automaticCheckbox"));
  m_countField = new QLineEdit;
  m_countField->setObjectName(QStringLiteral("countField"));
  m_countField->setValidator(new QIntValidator(0, int(kMaximumFavoriteCount), m_countField));
  m_countField->setFixedWidth(60);
  favoriteRow->addWidget(m_automaticCheckbox);
  favoriteRow->addWidget(new QLabel(QStringLiteral("Count:")));
  favoriteRow->addWidget(m_countField);
  favoriteRow->addStretch(1);
  column->addWidget(favorites);
  QObject::connect(m_automaticCheckbox.data(), &QCheckBox::clicked, this, [this](bool on) { setAutomatic(on); });
  QObject::connect(m_countField.data(), &QLineEdit::editingFinished, this, [this] {
    m_displayedCount = uint64_t(std::max(0, m_countField->text().toInt()));
    changeColorCount(m_countField);
  });

  auto* general = new QGroupBox(QStringLiteral("General"));
  auto* generalColumn = new QVBoxLayout(general);
  QCheckBox* autosave =
      check(QStringLiteral("Autosave edited drawings"), m_autosave, &DRPrefController::setAutosave, generalColumn);
  QObject::connect(autosave, &QCheckBox::toggled, this, [this] { changeAutosave(); });
  check(QStringLiteral("Keep a backup copy when saving"), m_keepBackups, &DRPrefController::setKeepBackups,
        generalColumn);
  check(QStringLiteral("Check spelling while typing"), m_checkSpelling, &DRPrefController::setCheckSpelling,
        generalColumn);
  check(QStringLiteral("Open the painting of an image file at once"), m_openImageTab,
        &DRPrefController::setOpenImageTab, generalColumn);
  check(QStringLiteral("Put PDF on the clipboard when copying"), m_exportPdf, &DRPrefController::setExportPdf,
        generalColumn);
  check(QStringLiteral("Keep the picture centered when a painting is resized"), m_centerPainting,
        &DRPrefController::setCenterPainting, generalColumn);
  check(QStringLiteral("Center a selection moved into the drawing"), m_centerMovedBitmap,
        &DRPrefController::setCenterMovedBitmap, generalColumn);
  check(QStringLiteral("Zoom new windows to full size"), m_maximizeNewDocs, &DRPrefController::setMaximizeNewDocs,
        generalColumn);
  check(QStringLiteral("Return to the selection tool after drawing"), m_resetTool, &DRPrefController::setResetTool,
        generalColumn);
  check(QStringLiteral("Compress TIFF images"), m_tiffCompression, &DRPrefController::setTiffCompression,
        generalColumn);
  QCheckBox* recent = check(QStringLiteral("Show recent colors"), m_showRecentColors,
                            &DRPrefController::setShowRecentColors, generalColumn);
  QObject::connect(recent, &QCheckBox::toggled, this, [this] { redrawWindows(); });
  QCheckBox* dots = check(QStringLiteral("Keep grab dots the same size at every zoom"), m_scaleGrabDots,
                          &DRPrefController::setScaleGrabDots, generalColumn);
  QObject::connect(dots, &QCheckBox::toggled, this, [this] { redrawWindows(); });
  column->addWidget(general);

  auto* tabs = new QGroupBox(QStringLiteral("Window tabs"));
  auto* tabColumn = new QVBoxLayout(tabs);
  m_tabOverrideMatrix = new QButtonGroup(window);
  const QString rows[] = {QStringLiteral("Follow the system"), QStringLiteral("Join a tab group with Alt"),
                          QStringLiteral("Join a tab group unless Alt is held")};
  for (int row = 0; row < 3; ++row) {
    auto* button = new QRadioButton(rows[row]);
    m_tabOverrideMatrix->addButton(button, row);
    tabColumn->addWidget(button);
  }
  QObject::connect(m_tabOverrideMatrix, &QButtonGroup::idClicked, this, [this](int row) { changeTabOverride(row); });
  column->addWidget(tabs);

  m_window = window;
  if (QAbstractButton* row = m_tabOverrideMatrix->button(CSWindowTabManager::sharedInstance().tabOverride())) {
    row->setChecked(true);
  }
  showGridKolor();
  showSpacing();
}

void DRPrefController::showPreferences() {
  if (!m_window) buildWindow();
  if (!m_window) return;
  const bool automatic = m_favoriteColorCount < 0;
  m_automaticCheckbox->setChecked(automatic);
  m_countField->setEnabled(!automatic);
  m_displayedCount = automatic ? 0 : uint64_t(m_favoriteColorCount);
  m_countField->setText(QString::number(m_displayedCount));
  m_window->show();
  m_window->raise();
  m_window->activateWindow();
}

void DRPrefController::showSpacing() {
  if (m_gridSpacingField) m_gridSpacingField->setMeasureValue(m_drawGridSpacing);
  if (m_gridSpacingSlider) {
    const QSignalBlocker quiet(m_gridSpacingSlider.data());
    m_gridSpacingSlider->setDoubleValue(double(m_drawGridSpacing) / double(kMeasurePerPoint));
  }
}

void DRPrefController::showGridKolor() {
  if (!m_gridColor) return;
  const QColor color = ColorFromKolor(m_drawGridKolor);
  m_gridColor->setStyleSheet(QStringLiteral("background-color: %1;").arg(color.name(QColor::HexArgb)));
}

// ---- Actions -------------------------------------------------------------------------------

void DRPrefController::changeAutosave() {
  NotificationCenter::defaultCenter().post(g_autosaveNotification);
}

void DRPrefController::changeColorCount(QObject* sender) {
  if (sender && sender == m_countField) {
    m_favoriteColorCount = std::min<int64_t>(int64_t(m_displayedCount), kMaximumFavoriteCount);
  }
  NotificationCenter::defaultCenter().post(g_favoriteCountNotification);
}

void DRPrefController::setAutomatic(bool automatic) {
  m_favoriteColorCount = automatic ? -1 : 10;
  m_displayedCount = automatic ? 0 : 10;
  if (m_automaticCheckbox) m_automaticCheckbox->setChecked(automatic);
  if (m_countField) {
    m_countField->setEnabled(!automatic);
    m_countField->setText(QString::number(m_displayedCount));
    if (!automatic) m_countField->setFocus(Qt::OtherFocusReason);
  }
  NotificationCenter::defaultCenter().post(g_favoriteCountNotification);
}

void DRPrefController::changeDrawGridColor(Kolor kolor) {
  m_drawGridKolor = kolor;
  showGridKolor();
  if (m_showDrawGrid) NotificationCenter::defaultCenter().post(g_redrawDrawingNotification);
}

void DRPrefController::changeDrawGridSpacing(QWidget* control) {
  MeasureUnit spacing = MeasureFromControl(control, kSpacingStep);
  // The canvas draws a line per spacing: nothing outside the slider's range.
  spacing = std::clamp(spacing, SpacingFromPoints(kMinimumSpacingPoints), SpacingFromPoints(kMaximumSpacingPoints));
  m_drawGridSpacing = spacing;
  showSpacing();
  if (m_showDrawGrid) NotificationCenter::defaultCenter().post(g_redrawDrawingNotification);
}

void DRPrefController::changeTabOverride(int row) {
  CSWindowTabManager::sharedInstance().setTabOverride(row);
}

void DRPrefController::redrawWindows() {
  NotificationCenter::defaultCenter().post(g_redrawDrawingNotification);
}

void DRPrefController::unitsChanged() {
  if (!m_window || !m_gridSpacingField) return;
  const bool editing = m_gridSpacingField->hasFocus();
  if (editing) m_gridSpacingField->clearFocus();
  // The field shows the spacing again, now in the new unit.
  m_gridSpacingField->setMeasureValue(m_drawGridSpacing);
  if (editing) m_gridSpacingField->setFocus(Qt::OtherFocusReason);
}
