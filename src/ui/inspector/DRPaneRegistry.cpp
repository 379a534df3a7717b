#include "ui/inspector/DRPaneRegistry.h"

#include "ui/inspector/DRPropBitmapVC.h"
#include "ui/inspector/DRPropNotesVC.h"
#include "ui/inspector/DRPropPositionVC.h"
#include "ui/inspector/DRPropRotationVC.h"
#include "ui/inspector/DRPropScribbleVC.h"

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
    return true;
  }();
  (void)registered;
  if (!PaneFactory()) SetPaneFactory(&DRPaneRegistry::shared());
}
