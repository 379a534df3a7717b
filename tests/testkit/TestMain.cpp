// The main() of every test program: a Qt application object (a QApplication
// where widgets are tested) on the offscreen platform, alerts answered by the
// recording presenter, then GoogleTest.

#include "support/CSAlertPresenter.h"

#include <gtest/gtest.h>
#include <cstdlib>

#ifdef TESTKIT_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

// Read by the sanitizer runtimes before main(). Allocation tests need a null
// answer for impossible sizes; Qt and fontconfig keep memory until exit.
// The leak checker's walk over the dynamic thread-local storage of loaded
// plugins can read a bogus range and crash at exit, depending only on the
// memory layout: it is left out.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:detect_leaks=1:intercept_tls_get_addr=0";
}
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0:suppressions=" TWDRAW_LSAN_SUPPRESSIONS;
}
extern "C" const char* __ubsan_default_options() {
  return "print_stacktrace=1:halt_on_error=1";
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  SetAlertPresenter(nullptr);
  return RUN_ALL_TESTS();
}
