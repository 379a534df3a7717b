#include "ui/inspector/DRPropLineVC.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include "model/DRDrawing.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/DRAdvancedLineDialog.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRLinePatternDialog.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kWidthStep = 635;  // 0.05 point
const QString kWidthKeyPath = QStringLiteral("lineInfo.width");
const QString kStyleKeyPath = QStringLiteral("lineInfo.lineStyle");
const QString kScalePatternKeyPath = QStringLiteral("lineInfo.scalePattern");

}  // namespace

DRPropLineVC::DRPropLineVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Line"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  layout->addWidget(new QLabel(tr("Width"), this), 0, 0);
  m_widthSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_widthSlider->setObjectName(QStringLiteral("widthSlider"));
  m_widthSlider->setDoubleRange(0, kMaximumWidth);
  layout->addWidget(m_widthSlider, 0, 1, 1, 2);
  m_widthField = new CSMeasureField(this);
  m_widthField->setObjectName(QStringLiteral("widthField"));
  m_widthField->formatter()->setMinimum(0);
  m_widthField->formatter()->setMaximum(MeasureUnit(kMaximumWidth * kMeasurePerPoint));
  m_widthField->formatter()->setPreferredUnit(kDistanceUnitPoints);
  layout->addWidget(m_widthField, 0, 3);

  layout->addWidget(new QLabel(tr("Color"), this), 1, 0);
  m_lineColorPicker = new DRColorWell(this);
  m_lineColorPicker->setObjectName(QStringLiteral("lineColorPicker"));
  m_lineColorPicker->setSwatchIndex(kSwatchLine);
  layout->addWidget(m_lineColorPicker, 1, 1);
  m_favorites = new QToolButton(this);
  m_favorites->setObjectName(QStringLiteral("favorites"));
  m_favoriteManager = new CSFavoriteColorManager(this);
  m_favoriteManager->setPopupButton(m_favorites);
  m_favoriteManager->setDelegate(this);
  layout->addWidget(m_favorites, 1, 2, Qt::AlignLeft);

  layout->addWidget(new QLabel(tr("Style"), this), 2, 0);
  m_lineStyleButton = new QComboBox(this);
  m_lineStyleButton->setObjectName(QStringLiteral("lineStyleButton"));
  m_lineStyleButton->addItems({tr("Solid"), tr("Dashed"), tr("Dotted"), tr("Custom…")});
  layout->addWidget(m_lineStyleButton, 2, 1, 1, 2);
  m_advancedButton = new QPushButton(tr("Advanced…"), this);
  m_advancedButton->setObjectName(QStringLiteral("advancedButton"));
  layout->addWidget(m_advancedButton, 2, 3);

  connect(m_widthSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setLineWidth(m_widthSlider); });
  watchTextField(m_widthField, [this](QLineEdit* field) { setLineWidth(field); });
  connect(m_lineStyleButton, &QComboBox::activated, this, &DRPropLineVC::setLineStyle);
  connect(m_advancedButton, &QPushButton::clicked, this, &DRPropLineVC::setAdvancedOptions);
}

void DRPropLineVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropLineVC"),
                                        [](const QString&, QWidget* parent) { return new DRPropLineVC(parent); });
}

void DRPropLineVC::awakeFromNib() {
  m_lineColorPicker->setWindowController(windowController());
  DRPropBaseVC::awakeFromNib();
  observe(g_settingsChangeNotification, [this](const CSNotification& notification) { settingsChanged(notification); });
}

void DRPropLineVC::selectionChanged() {
  DRWindowController* controller = windowController();
  const std::optional<DRLineInfo> lineInfo = LineInfoForSelection(controller ? controller->canvas() : nullptr);
  if (!lineInfo) return;
  showPairValue(m_widthSlider, m_widthField, lineInfo->width());
  m_lineKolor = lineInfo->kolor();
  m_lineColorPicker->setTrueKolor(m_lineKolor);
  showStyle(lineInfo->lineStyle());
}

void DRPropLineVC::showStyle(int64_t style) {
  const QSignalBlocker blocker(m_lineStyleButton);
  // The mixed style selects no item.
  m_lineStyleButton->setCurrentIndex(style >= 0 && style < m_lineStyleButton->count() ? int(style) : -1);
}

void DRPropLineVC::settingsChanged(const CSNotification& notification) {
  const QVariant swatch = notification.userInfo.value(g_settingsChangeSwatchKey);
  if (!swatch.isValid()) return;
  const QVariant value = notification.userInfo.value(g_settingsChangeValueKey);
  if (!value.isValid()) return;
  switch (swatch.toInt()) {
    case kSwatchLineWidth:
      showPairValue(m_widthSlider, m_widthField, MeasureValue(value));
      break;
    case kSwatchLine:
      m_lineKolor = KolorValue(value);
      m_lineColorPicker->setTrueKolor(m_lineKolor);
      break;
    default:
      break;
  }
}

void DRPropLineVC::setLineWidth(QWidget* sender) {
  const MeasureUnit width = MeasureFromControl(sender, kWidthStep);
  if (width == kMixedMeasure) return;
  DRSettings::sharedInstance().lineInfo().setWidth(width);
  YankFocusForSliderPair(sender, m_widthField);
  if (openUndoEntry(&m_undoID, kUndoLineWidth)) {
    ChangeSelectionMeasure(notificationWindow(), kWidthKeyPath, QString(), kSwatchLineWidth, width);
  }
  if (isRetired()) return;
  showPairValue(m_widthSlider, m_widthField, width);
  m_widthField->update();
}

void DRPropLineVC::setLineStyle(int item) {
  if (item == kCustomStyleItem) {
    // The sheet applies, or puts the pop-up back through selectionChanged.
    DRLinePatternDialog::runSheetForWindow(windowController(), this);
    return;
  }
  if (item < 0) return;
  if (!openUndoEntry(kUndoLineStyle)) {
    selectionChanged();
    return;
  }
  QObject* window = notificationWindow();
  ChangeSelectionNumber(window, kStyleKeyPath, QString(), item);
  if (isRetired()) return;
  ChangeSelectionBool(window, kScalePatternKeyPath, QString(), true);
}

void DRPropLineVC::setAdvancedOptions() {
  DRAdvancedLineDialog::runSheetForWindow(windowController());
}

Kolor DRPropLineVC::kolorForPopup(QToolButton*) {
  return m_lineKolor;
}

Kolor DRPropLineVC::defaultKolorForPopup(QToolButton*) {
  return g_blackKolor;
}

void DRPropLineVC::changeKolor(Kolor kolor, QToolButton*) {
  // The pull-down continues the well's run of colours.
  uint32_t undoId = m_lineColorPicker->undoID();
  const bool opened = openUndoEntry(&undoId, kUndoLineColor);
  m_lineColorPicker->setUndoID(undoId);
  if (!opened) return;
  ChangeSelectionColor(notificationWindow(), g_lineKolorKeyPath, QString(), kSwatchLine, kolor);
  DRSettings::sharedInstance().lineInfo().setKolor(kolor);
}
