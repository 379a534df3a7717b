#include "ui/inspector/DRPropFillVC.h"

#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <optional>

#include "model/DRDrawing.h"
#include "model/DRElementClosed.h"
#include "model/DRSettingsChange.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRGradientWell.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

const QString kMarkCenterKeyPath = QStringLiteral("markCenter");

}  // namespace

DRPropFillVC::DRPropFillVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Fill"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  layout->addWidget(new QLabel(tr("Color"), this), 0, 0);
  m_fillColorPicker = new DRColorWell(this);
  m_fillColorPicker->setObjectName(QStringLiteral("fillColorPicker"));
  m_fillColorPicker->setSwatchIndex(kSwatchFill);
  layout->addWidget(m_fillColorPicker, 0, 1);
  m_favorites = new QToolButton(this);
  m_favorites->setObjectName(QStringLiteral("favorites"));
  m_favoriteManager = new CSFavoriteColorManager(this);
  m_favoriteManager->setPopupButton(m_favorites);
  m_favoriteManager->setDelegate(this);
  layout->addWidget(m_favorites, 0, 2, Qt::AlignLeft);

  layout->addWidget(new QLabel(tr("Gradient"), this), 1, 0);
  m_gradientWell = new DRGradientWell(this);
  m_gradientWell->setObjectName(QStringLiteral("gradientWell"));
  m_gradientWell->setEditable(true);
  layout->addWidget(m_gradientWell, 1, 1);
  m_removeButton = new QPushButton(tr("Remove"), this);
  m_removeButton->setObjectName(QStringLiteral("removeButton"));
  m_removeButton->setEnabled(false);
  layout->addWidget(m_removeButton, 1, 2, Qt::AlignLeft);

  m_markCenterButton = new CSCheckBox(tr("Mark center"), this);
  m_markCenterButton->setObjectName(QStringLiteral("markCenterButton"));
  layout->addWidget(m_markCenterButton, 2, 1, 1, 2);
  layout->setColumnStretch(3, 1);

  connect(m_removeButton, &QPushButton::clicked, this, &DRPropFillVC::removeGradient);
  connect(m_markCenterButton, &QCheckBox::clicked, this, &DRPropFillVC::toggleMarkCenter);
}

void DRPropFillVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropFillVC"),
                                        [](const QString&, QWidget* parent) { return new DRPropFillVC(parent); });
}

void DRPropFillVC::awakeFromNib() {
  m_fillColorPicker->setWindowController(windowController());
  m_gradientWell->setWindowController(windowController());
  DRPropBaseVC::awakeFromNib();
  observe(g_settingsChangeNotification, [this](const CSNotification& notification) {
    const QVariant swatch = notification.userInfo.value(g_settingsChangeSwatchKey);
    if (swatch.isValid() && swatch.toInt() == kSwatchFill) selectionChanged();
  });
}

void DRPropFillVC::selectionChanged() {
  m_firstElement = nullptr;
  Kolor kolor = g_nilKolor;
  std::optional<DRGradient> gradient;
  Qt::CheckState mark = Qt::Unchecked;
  for (DRElement* element : selection()) {
    if (!element || !element->answersFillKolor()) continue;
    const auto* closed = dynamic_cast<const DRElementClosed*>(element);
    const std::optional<DRGradient> own = closed ? closed->gradient() : std::nullopt;
    const Qt::CheckState ownMark = closed && closed->markCenter() ? Qt::Checked : Qt::Unchecked;
    if (!m_firstElement) {
      m_firstElement = element;
      kolor = element->fillKolor();
      gradient = own;
      mark = ownMark;
      continue;
    }
    if (element->fillKolor() != kolor) kolor = g_nilKolor;
    if (gradient && !(own && *own == *gradient)) gradient.reset();
    if (ownMark != mark) mark = Qt::PartiallyChecked;
  }
  if (!m_firstElement) return;

  m_fillColorPicker->setTrueKolor(kolor);
  {
    const QSignalBlocker blocker(m_markCenterButton);
    if (mark == Qt::PartiallyChecked) {
      m_markCenterButton->setMixed();
    } else {
      m_markCenterButton->setCheckState(mark);
    }
  }
  m_gradientWell->setGradient(gradient);
  m_removeButton->setEnabled(bool(gradient));
}

void DRPropFillVC::removeGradient() {
  if (!openUndoEntry(kUndoGradient)) return;
  QObject* window = notificationWindow();
  ChangeSelectionObject(window, g_gradientKeyPath, QString(), QVariant());
  if (isRetired()) return;
  // The well and this button follow at once, not when the application is
  // next idle.
  NotificationCenter::defaultCenter().post(g_selectionChangeNotification, window);
}

void DRPropFillVC::toggleMarkCenter() {
  const bool on = checkboxValue(m_markCenterButton);
  if (!openUndoEntry(kUndoResizeFromCenter)) {
    selectionChanged();
    return;
  }
  ChangeSelectionBool(notificationWindow(), kMarkCenterKeyPath, QString(), on);
}

Kolor DRPropFillVC::kolorForPopup(QToolButton*) {
  return m_firstElement ? m_firstElement->fillKolor() : g_nilKolor;
}

Kolor DRPropFillVC::defaultKolorForPopup(QToolButton*) {
  // No fill.
  return g_nilKolor;
}

void DRPropFillVC::changeKolor(Kolor kolor, QToolButton*) {
  // The pull-down continues the well's run of colours.
  uint32_t undoId = m_fillColorPicker->undoID();
  const bool opened = openUndoEntry(&undoId, kUndoFillColor);
  m_fillColorPicker->setUndoID(undoId);
  if (!opened) return;
  QObject* window = notificationWindow();
  ChangeSelectionColor(window, g_fillKolorKeyPath, QString(), kSwatchFill, kolor);
  if (isRetired()) return;
  // A chosen colour replaces the gradient, in the same step.
  ChangeSelectionObject(window, g_gradientKeyPath, QString(), QVariant());
  if (isRetired()) return;
  selectionChanged();
}
