#pragma once
// A recovering assertion for invariants that bad data can break:
//   if (!CS_SAFE_ASSERT(count <= capacity)) return false;
// In test and fuzzing builds (TWDRAW_ASSERT_ABORTS) a failure aborts, so the
// fault is found; in release it logs the condition and answers false, and
// the caller takes its safe branch.

#define CS_SAFE_ASSERT(condition) \
  CSSafeAssertCheck(static_cast<bool>(condition), #condition, __FILE__, __LINE__)

bool CSSafeAssertCheck(bool holds, const char* condition, const char* file, int line);
