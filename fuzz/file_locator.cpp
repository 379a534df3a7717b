// File locators from the defaults and from binary records: any bytes are
// read as a text archive and as a binary archive, never past their end, and
// a locator that was read writes back to an archive that reads the same.
#include "platform/LogSink.h"
#include "support/CSFileLocator.h"

#include <cstdlib>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckSame(const CSFileLocator& a, const CSFileLocator& b, bool sandboxKept) {
  Check(a.method() == b.method());
  Check(a.path() == b.path());
  Check(a.bookmark() == b.bookmark());
  if (sandboxKept) Check(a.isSandboxed() == b.isSandboxed());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Refusals are logged; keep them off the console.
  static const bool quiet = (SetLogSink([](const QString&) {}), true);
  (void)quiet;
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

  const QString text = QString::fromUtf8(bytes);
  if (const std::optional<CSFileLocator> locator = CSFileLocator::initWithArchive(text)) {
    for (const bool escapeReturns : {false, true}) {
      const std::optional<CSFileLocator> again = CSFileLocator::initWithArchive(locator->archive(escapeReturns));
      Check(again.has_value());
      // The text form keeps the sandbox mark only beside a bookmark.
      CheckSame(*locator, *again, !locator->bookmark().isEmpty());
    }
    locator->displayText();
    locator->isInTrash();
  }

  if (const std::optional<CSFileLocator> locator = CSFileLocator::initWithBinaryArchive(bytes)) {
    const QByteArray written = locator->createBinaryArchive();
    const std::optional<CSFileLocator> again = CSFileLocator::initWithBinaryArchive(written);
    Check(again.has_value());
    CheckSame(*locator, *again, true);
  }
  return 0;
}
