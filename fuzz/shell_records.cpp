// What the shell reads from outside: the tab groups stored in the defaults
// (any JSON value stands in for what the settings file gives back) and the
// messages a second start sends over the local socket. The first byte picks
// the reader. Whatever is taken must be sound and read back the same.
#include <QJsonDocument>
#include <cstdlib>

#include "ui/shell/CSStartup.h"
#include "ui/shell/CSWindowTabManager.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadRecords(const QByteArray& bytes) {
  const QVariant stored = QJsonDocument::fromJson(bytes).toVariant();
  const QList<QVariantMap> records = CSWindowTabManager::TabRecordsFromValue(stored);
  Check(records.size() <= CSWindowTabManager::kMaxTabRecords);
  QVariantList again;
  for (const QVariantMap& record : records) {
    const QStringList paths = record.value(CSWindowTabManager::kPathsKey).toStringList();
    Check(!paths.isEmpty() && paths.size() <= CSWindowTabManager::kMaxTabPaths);
    for (const QString& path : paths) Check(!path.isEmpty() && path.size() <= CSWindowTabManager::kMaxPathLength);
    if (record.contains(CSWindowTabManager::kFrameKey)) {
      const auto frame = CSWindowTabManager::RectFromText(record.value(CSWindowTabManager::kFrameKey).toString());
      Check(frame.has_value() && frame->width() > 0 && frame->height() > 0);
      Check(CSWindowTabManager::RectText(*frame) == record.value(CSWindowTabManager::kFrameKey).toString());
    }
    again.append(record);
  }
  Check(CSWindowTabManager::TabRecordsFromValue(again) == records);
}

void ReadMessage(const QByteArray& bytes) {
  QStringList paths;
  bool print = false;
  if (!ParseOpenMessage(bytes, &paths, &print)) return;
  Check(bytes.size() <= kMaxOpenMessageBytes && paths.size() <= kMaxOpenMessagePaths);
  for (const QString& path : paths) Check(path.startsWith(QLatin1Char('/')));
  QStringList again;
  bool printAgain = !print;
  Check(ParseOpenMessage(EncodeOpenMessage(paths, print), &again, &printAgain));
  Check(again == paths && printAgain == print);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
  if (data[0] & 1) {
    ReadRecords(bytes);
  } else {
    ReadMessage(bytes);
  }
  return 0;
}
