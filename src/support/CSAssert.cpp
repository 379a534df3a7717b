#include "support/CSAssert.h"

#include "support/CSCore.h"

#include <cstdio>
#include <cstdlib>

bool CSSafeAssertCheck(bool holds, const char* condition, const char* file, int line) {
  if (holds) return true;
#ifdef TWDRAW_ASSERT_ABORTS
  std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", condition, file, line);
  std::abort();
#else
  LogString("Assertion failed: %@ (%@:%@)", QString::fromUtf8(condition), QString::fromUtf8(file),
            QString::number(line));
  return false;
#endif
}
