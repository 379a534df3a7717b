#include "model/DRModelServices.h"

#include "platform/NotificationCenter.h"

namespace {

DRModelServices* g_services = nullptr;

}  // namespace

DRModelServices& ModelServices() {
  static DRModelServices defaults;
  return g_services ? *g_services : defaults;
}

void SetModelServices(DRModelServices* services) { g_services = services; }

void DRModelServices::postPositionChange() {
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.positionChange"), mainWindow());
}
