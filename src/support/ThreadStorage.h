#pragma once
// The rich-text engine's scratch block: 128 bytes per thread, made on request
// and freed when its thread ends. The engine owns the layout.

#include <QString>
#include <cstddef>
#include <cstdint>

constexpr size_t kThreadStorageSize = 128;
// The key under which the block is known in the thread's storage.
extern const char* const kThreadStorageKey;  // "corvane.storage"

// Makes the calling thread's zeroed block (a second call clears the existing
// block and keeps its address) and names the thread, unless `name` is null.
// Answers the block, or null when memory fails.
uint8_t* AllocateThreadStorage(const QString& name);
// The calling thread's block; null on a thread that has none.
uint8_t* GetThreadStorage();
bool IsMainThread();
