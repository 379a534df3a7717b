#include "support/CSAsyncOperation.h"

#include "support/CSCore.h"

#include <typeinfo>

CSAsyncOperation::CSAsyncOperation() {
  setAutoDelete(false);
}

void CSAsyncOperation::run() {
  main();
}

void CSAsyncOperation::main() {
  if (m_cancelled.load()) {
    emit finished(false);
    return;
  }
  m_working.store(true);
  bool success = false;
  try {
    success = performOperation();
  } catch (const std::exception& exception) {
    LogException(exception, StringWithFormat("Operation %@ failed", DemangledTypeName(typeid(*this))));
    success = false;
  } catch (...) {
    LogException(QStringLiteral("an exception of unknown type"),
                 StringWithFormat("Operation %@ failed", DemangledTypeName(typeid(*this))));
    success = false;
  }
  m_working.store(false);
  operationFinished(success);
  emit finished(success);
}

bool CSAsyncOperation::performOperation() {
  return false;
}

void CSAsyncOperation::operationFinished(bool success) {
  (void)success;
}

void CSAsyncOperation::cancel() {
  m_cancelled.store(true);
}
