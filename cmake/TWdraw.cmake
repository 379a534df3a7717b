# Helpers that keep the per-folder build files free of lists of sources:
# every library, test folder, benchmark and fuzz target is found by glob.

set(TWDRAW_ALL_LIBRARIES "" CACHE INTERNAL "")

# Precompiled headers: the Qt and standard headers most sources include,
# compiled once per kind of target rather than once per source. A target
# whose compile flags match an earlier one's (the same sanitizers) reuses
# that one's header instead of compiling its own. TWDRAW_PCH=OFF builds
# without them, which shows a source that leans on an include it lacks.
option(TWDRAW_PCH "Precompile the Qt and standard headers most sources include" ON)
set(TWDRAW_PCH_HEADERS
  <algorithm> <array> <cmath> <cstdint> <cstdlib> <cstring> <functional> <limits>
  <memory> <optional> <utility> <vector>
  <QByteArray> <QColor> <QCoreApplication> <QDir> <QFile> <QFileInfo> <QGuiApplication>
  <QHash> <QImage> <QList> <QMimeData> <QObject> <QPainter> <QPainterPath> <QPointF>
  <QPointer> <QRectF> <QSettings> <QSizeF> <QString> <QStringList> <QTimer> <QUrl> <QVariant>)
set(TWDRAW_PCH_WIDGET_HEADERS
  <QAction> <QApplication> <QCheckBox> <QDialog> <QGridLayout> <QKeyEvent> <QLabel>
  <QLineEdit> <QMenu> <QMouseEvent> <QPushButton> <QScrollArea> <QScrollBar> <QToolButton>
  <QVBoxLayout> <QWidget>)
set(TWDRAW_PCH_TEST_HEADERS <gtest/gtest.h> <QTemporaryDir>)

# twdraw_precompile(target [WIDGETS] [TEST] [SHARE key])
# Gives target the precompiled headers of its kind (widget headers only
# where it links Qt Widgets, GoogleTest where it is a test). Targets naming
# the same key share one header: the first one compiles it. Only targets
# with the same sanitizer flags may share a key (clang refuses a header
# built with other ones).
function(twdraw_precompile target)
  if(NOT TWDRAW_PCH)
    return()
  endif()
  cmake_parse_arguments(ARG "WIDGETS;TEST" "SHARE" "" ${ARGN})
  if(ARG_SHARE)
    get_property(host GLOBAL PROPERTY TWDRAW_PCH_HOST_${ARG_SHARE})
    if(host)
      target_precompile_headers(${target} REUSE_FROM ${host})
      return()
    endif()
    set_property(GLOBAL PROPERTY TWDRAW_PCH_HOST_${ARG_SHARE} ${target})
  endif()
  set(headers ${TWDRAW_PCH_HEADERS})
  if(ARG_WIDGETS)
    list(APPEND headers ${TWDRAW_PCH_WIDGET_HEADERS})
  endif()
  if(ARG_TEST)
    list(APPEND headers ${TWDRAW_PCH_TEST_HEADERS})
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# Links only the targets that exist: a library is created when its folder
# first gets code, and its users need not change when that happens.
function(twdraw_link_existing target scope)
  foreach(dep IN LISTS ARGN)
    if(dep MATCHES "^twdraw_")
      if(TARGET ${dep})
        target_link_libraries(${target} ${scope} ${dep})
      endif()
    else()
      target_link_libraries(${target} ${scope} ${dep})
    endif()
  endforeach()
endfunction()

function(twdraw_library name folders)
  cmake_parse_arguments(ARG "" "" "PUBLIC" ${ARGN})
  set(sources "")
  foreach(folder IN LISTS folders)
    file(GLOB found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${folder}/*.cpp
      ${CMAKE_SOURCE_DIR}/${folder}/*.h
      ${CMAKE_SOURCE_DIR}/${folder}/*.ui
      ${CMAKE_SOURCE_DIR}/${folder}/*.qrc)
    list(APPEND sources ${found})
  endforeach()
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(NOT cpp)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  twdraw_link_existing(${name} PUBLIC ${ARG_PUBLIC})
  if(TWDRAW_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  if("Qt6::Widgets" IN_LIST ARG_PUBLIC)
    twdraw_precompile(${name} WIDGETS SHARE library_widgets)
  else()
    twdraw_precompile(${name} SHARE library)
  endif()
  set(TWDRAW_ALL_LIBRARIES ${TWDRAW_ALL_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()
