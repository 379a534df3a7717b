// The downloads page and a download's suggested name come from the maker's
// web server: any bytes either give a sound newer version and a link below
// the page, or fail the check; a suggested name never leaves its folder.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <cstdlib>

#include "ui/shell/CSAppUpdaterThread.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QUrl page(QStringLiteral("https://www.example.com/downloads"));
  VersionTriple found{0, 0, 0};
  QUrl newer;
  if (CheckForNewVersion(bytes, QStringLiteral("Tindle Draw"), QStringLiteral("2.1.3"), page, &found, &newer)) {
    Check(found[0] >= 0 && found[0] <= 9 && found[1] >= 0 && found[1] <= 9 && found[2] >= 0 && found[2] <= 9999);
    if (!newer.isEmpty()) {
      Check(VersionNumber(found) > VersionNumber({2, 1, 3}));
      Check(newer.toString().startsWith(page.toString() + QLatin1Char('/')));
    }
  } else {
    Check(newer.isEmpty());
  }

  const QString name = SuggestedFileName(bytes, QUrl(QString::fromUtf8(bytes)));
  Check(!name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')));
  Check(name != QLatin1String(".") && name != QLatin1String(".."));
  return 0;
}
