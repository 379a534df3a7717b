# Helpers that keep the per-folder build files free of lists of sources:
# every library, test folder, benchmark and fuzz target is found by glob.

set(TWDRAW_ALL_LIBRARIES "" CACHE INTERNAL "")

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
  set(TWDRAW_ALL_LIBRARIES ${TWDRAW_ALL_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()
