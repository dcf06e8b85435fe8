# Common settings and the helper each folder uses to hand its sources over.
#
# flickbox_sources(PURE a.cpp ... SHELL b.cpp ...)
#   PURE  files include no windows.h: built natively (unit tests, benchmarks,
#         fuzzers) and into the Windows programs.
#   SHELL files are Win32 code: built only into the Windows programs.
# Each folder's CMakeLists.txt calls it for the library its files belong to.

set(FLICKBOX_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's source folder")

# The real recordings the tests read when FLICKBOX_DEMO_CORPUS is not set: the
# shared demo folder beside the checkout, where there is one.
get_filename_component(FLICKBOX_DEFAULT_DEMO_CORPUS "${PROJECT_SOURCE_DIR}/../shared/demos" ABSOLUTE)
if(CMAKE_HOST_UNIX AND WIN32)
  # Under Wine the POSIX root is drive Z:.
  set(FLICKBOX_DEFAULT_DEMO_CORPUS "Z:${FLICKBOX_DEFAULT_DEMO_CORPUS}")
endif()

# The version as the code and the resource scripts include it.
configure_file(${PROJECT_SOURCE_DIR}/cmake/flickbox_version.h.in
               ${CMAKE_BINARY_DIR}/generated/flickbox_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

if(MSVC)
  add_compile_options(/W4)
  add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
  add_compile_options(-Wall -Wextra)
endif()

function(flickbox_sources library)
  cmake_parse_arguments(ARG "" "" "PURE;SHELL" ${ARGN})
  set(files ${ARG_PURE})
  if(WIN32)
    list(APPEND files ${ARG_SHELL})
  endif()
  if(NOT files)
    return()
  endif()
  list(TRANSFORM files PREPEND "${CMAKE_CURRENT_SOURCE_DIR}/")
  if(WIN32)
    target_sources(${library} PRIVATE ${files})
  else()
    target_sources(flickbox_pure PRIVATE ${files})
  endif()
endfunction()

# Lists the GoogleTest suites named in the given sources, so each suite can run
# as its own ctest entry (and, under Wine, in its own fresh prefix).
function(flickbox_test_suites out_var)
  set(suites "")
  foreach(file ${ARGN})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(STRINGS ${file} lines REGEX "^TEST(_F|_P)?\\([A-Za-z0-9_]+,")
    foreach(line ${lines})
      string(REGEX REPLACE "^TEST(_F|_P)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
      list(APPEND suites ${suite})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  set(${out_var} ${suites} PARENT_SCOPE)
endfunction()
