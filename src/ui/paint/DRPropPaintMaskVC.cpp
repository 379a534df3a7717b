#include "ui/paint/DRPropPaintMaskVC.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/DRSettings.h"
#include "support/CSUndoManager.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/paint/DRPaintVC.h"

namespace {

QButtonGroup* NewMatrix(QWidget* parent, QVBoxLayout* layout, const QString& title, const QStringList& rows,
                        const char* name) {
  auto* box = new QGroupBox(title, parent);
  auto* boxLayout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(parent);
  group->setObjectName(QLatin1String(name));
  for (int row = 0; row < rows.size(); ++row) {
    auto* button = new QRadioButton(rows[row], box);
    group->addButton(button, row);
    boxLayout->addWidget(button);
  }
  layout->addWidget(box);
  return group;
}

}  // namespace

DRPropPaintMaskVC::DRPropPaintMaskVC(QWidget* parent) : DRPropBaseVC(parent) {
  setObjectName(QStringLiteral("PropertyPaintMask"));
  setToolTip(tr("Mask"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  auto* buttonRow = new QHBoxLayout;
  m_changeMaskButton = new QPushButton(tr("Add Mask"), this);
  m_changeMaskButton->setObjectName(QStringLiteral("changeMaskButton"));
  m_opaqueButton = new QCheckBox(tr("Opaque interior"), this);
  m_opaqueButton->setObjectName(QStringLiteral("opaqueButton"));
  buttonRow->addWidget(m_changeMaskButton);
  buttonRow->addWidget(m_opaqueButton);
  layout->addLayout(buttonRow);
  m_editOption = NewMatrix(this, layout, tr("Edit"), {tr("Colors"), tr("Mask"), tr("Colors, keeping alpha")},
                           "editOption");
  m_displayOption = NewMatrix(this, layout, tr("Display"), {tr("Normal"), tr("Mask as gray"), tr("Opaque")},
                              "displayOption");
}

void DRPropPaintMaskVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropPaintMaskVC"),
                        [](const QString&, QWidget* parent) { return new DRPropPaintMaskVC(parent); });
}

DRPaintVC* DRPropPaintMaskVC::paintVC() const {
  return dynamic_cast<DRPaintVC*>(currentVC());
}

bool DRPropPaintMaskVC::groupEnabled(const QButtonGroup* group) {
  const QList<QAbstractButton*> buttons = group->buttons();
  return !buttons.isEmpty() && buttons.front()->isEnabled();
}

void DRPropPaintMaskVC::selectRow(QButtonGroup* group, int row, bool enabled) {
  if (QAbstractButton* button = group->button(row)) button->setChecked(true);
  for (QAbstractButton* button : group->buttons()) button->setEnabled(enabled);
}

void DRPropPaintMaskVC::awakeFromNib() {
  observe(g_maskNotification, [this](const CSNotification&) { maskChanged(); });
  m_opaqueButton->setChecked(DRSettings::sharedInstance().interiorOpaque());
  connect(m_opaqueButton, &QCheckBox::toggled, this,
          [](bool on) { DRSettings::sharedInstance().setInteriorOpaque(on); });
  connect(m_changeMaskButton, &QPushButton::clicked, this, [this] { addOrDelete(); });
  connect(m_editOption, &QButtonGroup::idClicked, this, [this] { changePixmapMode(); });
  connect(m_displayOption, &QButtonGroup::idClicked, this, [this] { changeDisplayMode(); });
  maskChanged();
}

void DRPropPaintMaskVC::maskChanged() {
  const DRPaintVC* controller = paintVC();
  if (!controller) return;
  if (controller->hasMask()) {
    selectRow(m_editOption, int(controller->pixmapMode()), true);
    selectRow(m_displayOption, int(controller->pixmapDisplay()), true);
    m_changeMaskButton->setText(tr("Delete Mask"));
    m_opaqueButton->setEnabled(false);
  } else {
    selectRow(m_editOption, 0, false);
    selectRow(m_displayOption, 2, false);
    m_changeMaskButton->setText(tr("Add Mask"));
    m_opaqueButton->setEnabled(true);
  }
}

void DRPropPaintMaskVC::addOrDelete() {
  DRPaintVC* controller = paintVC();
  if (isRetired() || !controller) return;
  if (!openUndoEntry(kUndoMask)) return;
  if (!controller->toggleMask()) {
    controller->undoManager().popUndo();
    return;
  }
  if (!controller->hasMask()) return;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_editMaskNotification, notificationWindow());
  controller->setPixmapMode(kPixmapModeColor);
  controller->setPixmapDisplay(kPixmapDisplayNormal);
  selectRow(m_editOption, 0, true);
  selectRow(m_displayOption, 0, true);
  center.post(g_redrawPaintNotification, nullptr);
}

void DRPropPaintMaskVC::changePixmapMode() {
  DRPaintVC* controller = paintVC();
  if (isRetired() || !controller) return;
  // The canvas ends its selection before the mode changes.
  NotificationCenter::defaultCenter().post(g_editMaskNotification, notificationWindow());
  controller->setPixmapMode(PixmapMode(m_editOption->checkedId()));
}

void DRPropPaintMaskVC::changeDisplayMode() {
  DRPaintVC* controller = paintVC();
  if (isRetired() || !controller) return;
  controller->setPixmapDisplay(PixmapDisplay(m_displayOption->checkedId()));
  NotificationCenter::defaultCenter().post(g_redrawPaintNotification, nullptr);
}
