#pragma once
// The smallest layer of the support library: memory for plain-function code,
// logging entry points, backtraces, the per-thread scratch word, thread names,
// dotted version numbers, timing, and the alert facade.

#include "support/StringWithFormat.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <memory>
#include <typeinfo>

// ---- Globals read across the application ---------------------------------

extern const QString g_OK;      // "OK"
extern const QString g_cancel;  // "Cancel"

// The running system's version, encoded as by EncodeDottedVersionNumber. A
// Linux desktop has every service the version checks guard, so it is set
// above every threshold and is not derived from the distribution's version.
extern uint32_t g_systemVersion;
extern QString g_systemVersionString;  // the distribution's version text, or "Unknown"
extern bool g_darkMode;                // the application's appearance is dark

constexpr uint32_t kSystemVersion10_12 = 0xA0C00;
constexpr uint32_t kSystemVersion10_14 = 0xA0E00;
constexpr uint32_t kLinuxSystemVersion = 0x7F0000;

// ---- Memory ----------------------------------------------------------------

// Uninitialised memory; on failure logs "Allocation failed for %lu bytes."
// and a backtrace, and returns null. A size of 0 gives a valid pointer.
void* AllocateMemory(uint64_t size);
void* AllocateAndClearMemory(uint64_t size);
void FreeMemory(void* pointer);  // null is ignored

// Stores `object` into `slot`; storing the value already held is safe.
template <typename T>
void ReplaceRetainedObject(std::shared_ptr<T>& slot, std::shared_ptr<T> object) {
  slot = std::move(object);
}

// ---- Logging ---------------------------------------------------------------

// Formats the message (see StringWithFormat) and appends it as one log line.
void LogMessage(const QString& message);
template <typename... Args>
void LogString(const char* format, const Args&... args) {
  LogMessage(StringWithFormat(format, args...));
}

// Logs "%@: %@\n%@": the context, the exception and the call stack where it
// was caught. Any other object is logged as "%@: %@".
void LogException(const std::exception& exception, const QString& context);
void LogException(const QString& object, const QString& context);

// Logs up to 50 frames of the current thread, one "   %s\n" per frame.
void LogBacktrace();
QStringList BacktraceSymbols(int maxFrames = 50);

// "%@ 0x%lx": the object's class name and address.
QString ObjectDescriptionOf(const char* className, const void* address);
template <typename T>
QString ObjectDescription(const T* object);
QString DemangledTypeName(const std::type_info& type);

template <typename T>
QString ObjectDescription(const T* object) {
  if (!object) return QStringLiteral("(null)");
  if constexpr (std::is_polymorphic_v<T>) {
    return ObjectDescriptionOf(DemangledTypeName(typeid(*object)).toUtf8().constData(), object);
  } else {
    return ObjectDescriptionOf(DemangledTypeName(typeid(T)).toUtf8().constData(), object);
  }
}

// ---- Threads ---------------------------------------------------------------

// The calling thread's 4-byte scratch word, zero when first made.
uint8_t* GetCSThreadStorage();

// Names the current QThread and the operating-system thread (the latter
// limited to 15 bytes of UTF-8). A null name does nothing.
void SetThreadName(const QString& name);

// ---- Keyboard ----------------------------------------------------------------

// Whether the Alt (option) key is held now.
bool IsOptionKeyDown();

// ---- Versions and time -------------------------------------------------------

// "10.15.7" -> 0x0A0F07; fewer than two components give 0.
uint32_t EncodeDottedVersionNumber(const QString& text);

// Seconds since 1 January 2001, UTC.
double TimeSinceSystemRef();

// A call count and an accumulated user CPU time in microseconds.
struct TaskTimeRecord {
  uint32_t count = 0;
  int64_t time = 0;
};
// Reads the process's user CPU time; a start subtracts it and counts a call,
// a finish adds it. Returns the time read.
int64_t RecordTaskTime(TaskTimeRecord* record, bool starting);

// ---- Alert facade --------------------------------------------------------------
// Each returns the index of the button pressed, 0 for the first.

int GiveSimpleAlert(const QString& message, const QString& moreInfo);
bool OkToProceed(const QString& message, const QString& moreInfo);
// An empty button list means the default button. With `suppress`, the alert
// shows its "do not show again" box and writes the box's state back.
int GiveAlert(const QString& message, const QString& moreInfo, const QStringList& buttons, bool* suppress);
// A null-terminated list of titles, or null for the default button.
int GiveAlert(const QString& message, const QString& moreInfo, const char* const* buttons, bool* suppress);
