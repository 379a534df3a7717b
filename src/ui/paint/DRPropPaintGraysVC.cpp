#include "ui/paint/DRPropPaintGraysVC.h"

#include <QVBoxLayout>

#include "ui/inspector/DRGrayPalette.h"
#include "ui/inspector/DRPaneRegistry.h"

DRPropPaintGraysVC::DRPropPaintGraysVC(QWidget* parent) : DRPropBaseVC(parent) {
  setObjectName(QStringLiteral("PropertyPaintGrays"));
  setToolTip(tr("Grays"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 4);
  m_palette = new DRGrayPalette(this);
  m_palette->setObjectName(QStringLiteral("grayPalette"));
  layout->addWidget(m_palette, 0, Qt::AlignHCenter);
}

void DRPropPaintGraysVC::registerPane(DRPaneRegistry& registry) {
  registry.registerPane(QStringLiteral("DRPropPaintGraysVC"),
                        [](const QString&, QWidget* parent) { return new DRPropPaintGraysVC(parent); });
}

void DRPropPaintGraysVC::awakeFromNib() {
  m_palette->setNotificationWindow(notificationWindow());
}
