#include "support/ThreadStorage.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <cstring>

#include "support/CSCore.h"

const char* const kThreadStorageKey = "corvane.storage";

namespace {
// Lives as long as its thread; the block goes with it.
struct ThreadStorageHolder {
  uint8_t* block = nullptr;
  ~ThreadStorageHolder() { FreeMemory(block); }
};
// Only touched by its own thread, so its creation needs no lock.
thread_local ThreadStorageHolder t_storage;
}  // namespace

uint8_t* AllocateThreadStorage(const QString& name) {
  if (t_storage.block) {
    std::memset(t_storage.block, 0, kThreadStorageSize);
  } else {
    t_storage.block = static_cast<uint8_t*>(AllocateAndClearMemory(kThreadStorageSize));
    if (!t_storage.block) return nullptr;
  }
  SetThreadName(name);
  return t_storage.block;
}

uint8_t* GetThreadStorage() {
  return t_storage.block;
}

bool IsMainThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  if (app) return QThread::currentThread() == app->thread();
  // Before the application object exists: the process's first thread.
  return pid_t(syscall(SYS_gettid)) == getpid();
}
