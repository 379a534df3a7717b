#include "ui/inspector/DRPaneRegistry.h"

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
  if (!PaneFactory()) SetPaneFactory(&DRPaneRegistry::shared());
}
