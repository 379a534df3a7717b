#include "model/DRModelServices.h"

namespace {

DRModelServices* g_services = nullptr;

}  // namespace

DRModelServices& ModelServices() {
  static DRModelServices defaults;
  return g_services ? *g_services : defaults;
}

void SetModelServices(DRModelServices* services) { g_services = services; }
