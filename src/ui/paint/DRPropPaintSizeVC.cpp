#include "ui/paint/DRPropPaintSizeVC.h"

#include <QFormLayout>
#include <QLabel>

#include "support/Measure.h"
#include "model/DRPainting.h"
#include "pixmap/CSPixmap.h"
#include "support/CSUndoManager.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/shell/DRWindowController.h"

namespace {

const QString kWidthKey = QStringLiteral("width");
const QString kHeightKey = QStringLiteral("height");

}  // namespace

CSMeasureField* NewPaintingSizeField(QWidget* parent, const char* name) {
  auto* field = new CSMeasureField(parent);
  field->setObjectName(QLatin1String(name));
  // A side below one point becomes one point anyway; above the pixmap's
  // largest side no painting can be made.
  field->formatter()->setMinimum(kMeasurePerPoint);
  field->formatter()->setMaximum(MeasureUnit(kMaxPixmapSide) * kMeasurePerPoint);
  return field;
}

DRPropPaintSizeVC::DRPropPaintSizeVC(QWidget* parent) : DRPropBaseVC(parent) {
  setObjectName(QStringLiteral("PropertyPaintSize"));
  setToolTip(tr("Painting Size"));
  auto* layout = new QFormLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  m_widthField = NewPaintingSizeField(this, "widthField");
  m_heightField = NewPaintingSizeField(this, "heightField");
  m_widthField->formatter()->setShowUnits(false);
  m_heightField->formatter()->setShowUnits(false);
  layout->addRow(tr("Width:"), m_widthField);
  layout->addRow(tr("Height:"), m_heightField);
}

void DRPropPaintSizeVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropPaintSizeVC"),
                        [](const QString&, QWidget* parent) { return new DRPropPaintSizeVC(parent); });
}

DRPaintVC* DRPropPaintSizeVC::paintVC() const {
  return dynamic_cast<DRPaintVC*>(currentVC());
}

void DRPropPaintSizeVC::awakeFromNib() {
  observe(g_sizeChangeNotification, [this](const CSNotification& notification) { sizeChanged(notification); });
  observe(g_unitsChangedNotification, [this](const CSNotification&) { unitsChanged(); }, true);
  watchTextField(m_widthField, [this](QLineEdit* field) { commitField(field); });
  watchTextField(m_heightField, [this](QLineEdit* field) { commitField(field); });
  unitsChanged();
}

void DRPropPaintSizeVC::commitField(QLineEdit* field) {
  auto* measureField = static_cast<CSMeasureField*>(field);
  const MeasureUnit value = measureField->measureValue();
  if (value == kMixedMeasure || !measureField->acceptsText()) return;
  DRContentVC* controller = currentVC();
  const bool merging = controller && controller->isUndoIDCurrent(m_undoID);
  if (!openUndoEntry(&m_undoID, kUndoSize)) return;
  DRPaintVC* painter = paintVC();
  const QSizeF sizeBefore = painter && painter->painting() ? painter->painting()->originalSize() : QSizeF();
  QObject* window = notificationWindow();
  NotificationCenter::defaultCenter().post(
      g_sizeChangeNotification, window,
      {{field == m_widthField ? kWidthKey : kHeightKey, NumberWithMeasure(value)},
       {QStringLiteral("noUndo"), true}});
  // A size the painting already had, or one with more pixels than a pixmap
  // may hold, changes nothing: the entry just opened for it goes again, and
  // the next edit opens its own instead of merging into nothing.
  painter = paintVC();
  if (merging || !painter || painter != controller || !painter->painting()) return;
  if (painter->painting()->originalSize() != sizeBefore) return;
  controller->undoManager().popUndo();
  controller->resetCurrentUndoID();
  unitsChanged();
}

void DRPropPaintSizeVC::sizeChanged(const CSNotification& notification) {
  const QVariantMap& info = notification.userInfo;
  if (info.value(QStringLiteral("resizing")).toBool()) return;
  if (info.contains(kWidthKey)) m_widthField->setMeasureValue(MeasureValue(info.value(kWidthKey)));
  if (info.contains(kHeightKey)) m_heightField->setMeasureValue(MeasureValue(info.value(kHeightKey)));
}

void DRPropPaintSizeVC::unitsChanged() {
  const DRPaintVC* controller = paintVC();
  if (!controller) return;
  m_widthField->setMeasureValue(controller->width());
  m_heightField->setMeasureValue(controller->height());
  m_widthField->update();
  m_heightField->update();
}
