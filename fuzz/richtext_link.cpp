// Link addresses come from documents. Whatever the bytes, following one ends
// in exactly one beep, open or reveal; a file that opening would run is never
// opened; the desktop is never reached (the host records instead).
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>
#include <cstdlib>

#include "richtext/CorvaneHost.h"

namespace {

class RecordingHost : public CorvaneHost {
 public:
  void beep() override { ++beeps; }
  bool openUrl(const QUrl& url) override {
    ++opens;
    if (url.isLocalFile()) {
      const QFileInfo info(url.toLocalFile());
      if (!info.isDir() && (info.isExecutable() || info.suffix().compare("desktop", Qt::CaseInsensitive) == 0))
        std::abort();
    }
    return true;
  }
  bool revealFile(const QString& path) override {
    ++reveals;
    if (!QFileInfo::exists(path)) std::abort();
    return true;
  }
  int beeps = 0, opens = 0, reveals = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool openFileLinks = data[0] & 1;
  const QString address = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  RecordingHost host;
  SetCorvaneHost(&host);
  FollowHyperLink(address, openFileLinks);
  SetCorvaneHost(nullptr);
  if (host.beeps + host.opens + host.reveals != 1) std::abort();
  return 0;
}
