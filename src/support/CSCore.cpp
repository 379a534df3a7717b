#include "support/CSCore.h"

#include "platform/LogSink.h"
#include "support/CSAlertPresenter.h"
#include "support/NumberText.h"

#include <QGuiApplication>
#include <QThread>
#include <QDateTime>
#include <cxxabi.h>
#include <execinfo.h>
#include <pthread.h>
#include <sys/resource.h>
#include <cstdlib>
#include <cstring>

const QString g_OK = QStringLiteral("OK");
const QString g_cancel = QStringLiteral("Cancel");
uint32_t g_systemVersion = kLinuxSystemVersion;
QString g_systemVersionString = QStringLiteral("Unknown");
bool g_darkMode = false;

// ---- Memory ----------------------------------------------------------------

namespace {
void ReportAllocationFailure(uint64_t size) {
  LogString("Allocation failed for %lu bytes.", size);
  LogBacktrace();
}
}  // namespace

void* AllocateMemory(uint64_t size) {
  void* p = size <= SIZE_MAX ? std::malloc(size ? size_t(size) : 1) : nullptr;
  if (!p) ReportAllocationFailure(size);
  return p;
}

void* AllocateAndClearMemory(uint64_t size) {
  void* p = size <= SIZE_MAX ? std::calloc(size ? size_t(size) : 1, 1) : nullptr;
  if (!p) ReportAllocationFailure(size);
  return p;
}

void FreeMemory(void* pointer) {
  std::free(pointer);
}

// ---- Logging ---------------------------------------------------------------

void LogMessage(const QString& message) {
  // Every system this runs on has the log file; the system-log branch for
  // old systems is never taken here.
  WriteLogLine(message);
}

QStringList BacktraceSymbols(int maxFrames) {
  QStringList lines;
  void* frames[64];
  const int count = backtrace(frames, std::min(maxFrames, 64));
  char** symbols = backtrace_symbols(frames, count);
  if (!symbols) return lines;
  for (int i = 0; i < count; ++i) lines << QString::fromLocal8Bit(symbols[i]);
  std::free(symbols);
  return lines;
}

void LogBacktrace() {
  const QStringList symbols = BacktraceSymbols(50);
  if (symbols.isEmpty()) return;
  QString text;
  for (const QString& line : symbols) text += QStringLiteral("   ") + line + QLatin1Char('\n');
  LogString("%@", text);
}

QString DemangledTypeName(const std::type_info& type) {
  int status = 0;
  char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  QString result = QString::fromUtf8(status == 0 && name ? name : type.name());
  std::free(name);
  return result;
}

void LogException(const std::exception& exception, const QString& context) {
  const QString reason = QStringLiteral("%1: %2").arg(DemangledTypeName(typeid(exception)),
                                                         QString::fromUtf8(exception.what()));
  LogString("%@: %@\n%@", context, reason, BacktraceSymbols(50).join(QLatin1Char('\n')));
}

void LogException(const QString& object, const QString& context) {
  LogString("%@: %@", context, object);
}

QString ObjectDescriptionOf(const char* className, const void* address) {
  return StringWithFormat("%@ 0x%lx", className, reinterpret_cast<uintptr_t>(address));
}

// ---- Keyboard ----------------------------------------------------------------

bool IsOptionKeyDown() {
  // Without a GUI application there is no keyboard to ask.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
}

// ---- Threads ---------------------------------------------------------------

uint8_t* GetCSThreadStorage() {
  // Made on first use by its own thread and destroyed with it, so no other
  // thread can race its creation.
  thread_local uint8_t word[4] = {0, 0, 0, 0};
  return word;
}

void SetThreadName(const QString& name) {
  if (name.isNull()) return;
  if (QThread* thread = QThread::currentThread()) thread->setObjectName(name);
  QByteArray utf8 = name.toUtf8();
  // The kernel takes at most 15 bytes; cut at a character boundary.
  if (utf8.size() > 15) {
    qsizetype cut = 15;
    while (cut > 0 && (uchar(utf8[cut]) & 0xC0) == 0x80) --cut;
    utf8.truncate(cut);
  }
  pthread_setname_np(pthread_self(), utf8.constData());
}

// ---- Versions and time -------------------------------------------------------

uint32_t EncodeDottedVersionNumber(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() < 2) return 0;
  auto component = [&](int i) -> uint32_t {
    const int64_t v = LongLongValue(parts[i]);
    return v > 0 ? uint32_t(std::min<int64_t>(v, 0xFF)) : 0;
  };
  uint32_t value = (component(0) << 16) + (component(1) << 8);
  if (parts.size() > 2) value += component(2);
  return value;
}

double TimeSinceSystemRef() {
  constexpr qint64 kReferenceMs = 978307200000LL;  // 2001-01-01T00:00:00Z
  return double(QDateTime::currentMSecsSinceEpoch() - kReferenceMs) / 1000.0;
}

int64_t RecordTaskTime(TaskTimeRecord* record, bool starting) {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  const int64_t now = int64_t(usage.ru_utime.tv_sec) * 1000000 + usage.ru_utime.tv_usec;
  if (record) {
    if (starting) {
      record->count += 1;
      record->time -= now;
    } else {
      record->time += now;
    }
  }
  return now;
}

// ---- Alert facade --------------------------------------------------------------

int GiveAlert(const QString& message, const QString& moreInfo, const QStringList& buttons, bool* suppress) {
  return CurrentAlertPresenter()->giveAlertMessage(message, moreInfo, buttons, suppress);
}

int GiveAlert(const QString& message, const QString& moreInfo, const char* const* buttons, bool* suppress) {
  QStringList list;
  for (const char* const* b = buttons; b && *b; ++b) list << QString::fromUtf8(*b);
  return GiveAlert(message, moreInfo, list, suppress);
}

int GiveSimpleAlert(const QString& message, const QString& moreInfo) {
  return GiveAlert(message, moreInfo, QStringList(), nullptr);
}

bool OkToProceed(const QString& message, const QString& moreInfo) {
  return GiveAlert(message, moreInfo, QStringList{g_OK, g_cancel}, nullptr) == 0;
}
