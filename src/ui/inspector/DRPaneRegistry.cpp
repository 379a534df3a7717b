#include "ui/inspector/DRPaneRegistry.h"

#include "ui/inspector/DRPropArrowVC.h"
#include "ui/inspector/DRPropBitmapVC.h"
#include "ui/inspector/DRPropFillVC.h"
#include "ui/inspector/DRPropLineVC.h"
#include "ui/inspector/DRPropNotesVC.h"
#include "ui/inspector/DRPropPositionVC.h"
#include "ui/inspector/DRPropReflectionVC.h"
#include "ui/inspector/DRPropRotationVC.h"
#include "ui/inspector/DRPropScribbleVC.h"
#include "ui/inspector/DRPropShadowVC.h"
#include "ui/inspector/DRPropTextVC.h"
#include "ui/paint/DRPropPaintGlobalVC.h"
#include "ui/paint/DRPropPaintGraysVC.h"
#include "ui/paint/DRPropPaintMaskVC.h"
#include "ui/paint/DRPropPaintSizeVC.h"

DRPaneRegistry& DRPaneRegistry::shared() {
  static DRPaneRegistry registry;
  return registry;
}

void DRPaneRegistry::registerPane(const QString& className, Maker maker) {
  if (className.isEmpty() || !maker) return;
  m_makers.insert(className, std::move(maker));
}

QWidget* DRPaneRegistry::makePane(const QString& className, const QString& interfaceName, QWidget* parent) {
  const auto maker = m_makers.constFind(className);
  return maker == m_makers.constEnd() ? nullptr : (*maker)(interfaceName, parent);
}

void InstallInspectorPaneFactory() {
  static const bool registered = [] {
    DRPaneRegistry& registry = DRPaneRegistry::shared();
    DRPropPositionVC::registerPane(registry);
    DRPropRotationVC::registerPane(registry);
    RegisterShapePanes();
    DRPropBitmapVC::registerPane();
    DRPropNotesVC::registerPane();
    DRPropShadowVC::registerPane();
    DRPropReflectionVC::registerPane();
    DRPropTextVC::registerPane();
    DRPropFillVC::registerPane();
    DRPropLineVC::registerPane();
    DRPropArrowVC::registerPane();
    DRPropPaintSizeVC::registerPane(registry);
    DRPropPaintMaskVC::registerPane(registry);
    DRPropPaintGlobalVC::registerPane(registry);
    DRPropPaintGraysVC::registerPane(registry);
    return true;
  }();
  (void)registered;
  if (!PaneFactory()) SetPaneFactory(&DRPaneRegistry::shared());
}
