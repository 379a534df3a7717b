#include "richtext/views/CBViewService.h"

double CBViewService::dragZoomForView(QWidget*) { return 1.0; }
QMenu* CBViewService::frameContextMenu() { return nullptr; }
void CBViewService::setBlockBlink(bool) {}
void CBViewService::setStatusMessage(const QString&, bool, bool) {}

void CBViewServiceLink::setService(CBViewService* service) {
  m_service = service;
  const uint32_t operations = service ? service->optionalOperations() : 0;
  m_blocksBlink = operations & CBViewService::kSetBlockBlink;
  m_showsStatus = operations & CBViewService::kSetStatusMessage;
}

bool CBViewServiceLink::mayRespond() const { return !m_service || m_service->mayRespond(); }

void CBViewServiceLink::setBlockBlink(bool block) const {
  if (m_blocksBlink) m_service->setBlockBlink(block);
}

void CBViewServiceLink::setStatusMessage(const QString& message, bool timeOut, bool priority) const {
  if (m_showsStatus) m_service->setStatusMessage(message, timeOut, priority);
}
