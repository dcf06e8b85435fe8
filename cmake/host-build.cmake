# The host build: the pure logic with its unit tests, benchmarks, fuzzers and
# the sample demo generator; it also drives the Windows build and the fuzz
# build as sub-builds, and registers their tests (run under Wine) with ctest.

option(FLICKBOX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(FLICKBOX_SUBBUILDS "Also build the Windows programs and the fuzzers as sub-builds" ON)

if(FLICKBOX_FUZZ)
  # Instrument the code under test, not only the fuzz targets.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# The Wine tests run the 32-bit programs as shipped. A machine whose kernel
# cannot run 32-bit programs at all (Wine's 32-bit loader fails with "Exec
# format error") runs them on the same sources built for 64-bit Windows
# under 64-bit Wine instead; the release stays 32-bit either way.
set(FLICKBOX_WINE_ARCH "" CACHE STRING "Windows build the Wine tests run: i686 or x86_64 (empty: what this machine runs)")
if(NOT FLICKBOX_WINE_ARCH)
  execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE wine32_result
                  OUTPUT_QUIET ERROR_QUIET)
  if(wine32_result EQUAL 0 OR NOT EXISTS /usr/lib/wine/wine64)
    set(FLICKBOX_WINE_ARCH i686)
  else()
    set(FLICKBOX_WINE_ARCH x86_64)
    message(STATUS "This machine cannot run 32-bit programs: the Wine tests run a 64-bit build of the Windows programs")
  endif()
endif()
if(FLICKBOX_WINE_ARCH STREQUAL "x86_64")
  set(FLICKBOX_WINE_TEST_BIN ${CMAKE_BINARY_DIR}/windows64/bin)
else()
  set(FLICKBOX_WINE_TEST_BIN ${CMAKE_BINARY_DIR}/windows/bin)
endif()

add_library(flickbox_pure STATIC)
target_include_directories(flickbox_pure PUBLIC ${PROJECT_SOURCE_DIR})

add_subdirectory(shared)
add_subdirectory(app)
add_subdirectory(demo)
add_subdirectory(decode)
add_subdirectory(playback)
add_subdirectory(ui)
add_subdirectory(revert)
add_subdirectory(tools)
add_subdirectory(cli)
add_subdirectory(tests/reference)

if(FLICKBOX_FUZZ)
  add_subdirectory(fuzz)
  return()
endif()

enable_testing()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${FLICKBOX_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_subdirectory(tests/unit)
add_subdirectory(tests/cli)
add_subdirectory(tests/browser)
add_subdirectory(bench)

if(FLICKBOX_SUBBUILDS)
  include(ExternalProject)
  set(FLICKBOX_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  set(windows_build_command)
  if(FLICKBOX_WINE_ARCH STREQUAL "x86_64")
    # Only the shipped programs: the Wine tests run the 64-bit build.
    set(windows_build_command BUILD_COMMAND ${CMAKE_COMMAND} --build ${FLICKBOX_WINDOWS_DIR}
        --target flickbox flickbox-revert flickbox-cli)
  endif()
  ExternalProject_Add(flickbox_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${FLICKBOX_WINDOWS_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DFLICKBOX_GOOGLETEST_DIR=${FLICKBOX_GOOGLETEST_DIR}
               -DCMAKE_BUILD_TYPE=Release
    ${windows_build_command}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  # What the Wine tests run: the shipped build, or the 64-bit one beside it.
  add_custom_target(flickbox_windows_tested DEPENDS flickbox_windows)
  if(FLICKBOX_WINE_ARCH STREQUAL "x86_64")
    ExternalProject_Add(flickbox_windows64
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/windows64
      CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake
                 -DFLICKBOX_GOOGLETEST_DIR=${FLICKBOX_GOOGLETEST_DIR}
                 -DCMAKE_BUILD_TYPE=Release
      BUILD_ALWAYS ON
      INSTALL_COMMAND "")
    add_dependencies(flickbox_windows_tested flickbox_windows64)
  endif()

  set(FLICKBOX_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
  find_program(CLANGXX clang++)
  if(CLANGXX)
    ExternalProject_Add(flickbox_fuzzers
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${FLICKBOX_FUZZ_DIR}
      CMAKE_ARGS -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
                 -DFLICKBOX_FUZZ=ON -DFLICKBOX_SUBBUILDS=OFF
                 -DCMAKE_BUILD_TYPE=RelWithDebInfo
      BUILD_ALWAYS ON
      INSTALL_COMMAND "")
  endif()

  # The unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer,
  # in a tree of their own: a read or write one byte past a buffer changes no
  # result, so only the sanitizers see it. Nothing of this tree goes into the
  # programs.
  set(FLICKBOX_UNIT_ASAN_DIR ${CMAKE_BINARY_DIR}/unit-asan)
  ExternalProject_Add(flickbox_unit_asan
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${FLICKBOX_UNIT_ASAN_DIR}
    CMAKE_ARGS "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -D_GLIBCXX_SANITIZE_VECTOR"
               -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined
               -DFLICKBOX_SUBBUILDS=OFF -DFLICKBOX_GOOGLETEST_DIR=${FLICKBOX_GOOGLETEST_DIR}
               -DCMAKE_BUILD_TYPE=RelWithDebInfo
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${FLICKBOX_UNIT_ASAN_DIR} --target flickbox_unit_tests
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  add_test(NAME unit-asan COMMAND ${FLICKBOX_UNIT_ASAN_DIR}/tests/unit/flickbox_unit_tests)
  set_tests_properties(unit-asan PROPERTIES LABELS unit-asan TIMEOUT 600)

  set(WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run)
  set(WIN_BIN ${FLICKBOX_WINE_TEST_BIN})

  file(GLOB win_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
  flickbox_test_suites(win_suites ${win_test_sources})
  foreach(suite ${win_suites})
    add_test(NAME win.${suite}
      COMMAND ${WINE_RUN} ${WIN_BIN}/flickbox_win_tests.exe --gtest_filter=${suite}.*)
    set_tests_properties(win.${suite} PROPERTIES LABELS win TIMEOUT 300)
    if(suite MATCHES "RealFiles$")
      # These suites read only real recordings and skip when there are none.
      set_tests_properties(win.${suite} PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    endif()
  endforeach()

  file(GLOB e2e_test_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*.cpp)
  flickbox_test_suites(e2e_suites ${e2e_test_sources})
  foreach(suite ${e2e_suites})
    add_test(NAME e2e.${suite}
      COMMAND ${WINE_RUN} ${WIN_BIN}/flickbox_e2e.exe --gtest_filter=${suite}.*)
    set_tests_properties(e2e.${suite} PROPERTIES LABELS e2e TIMEOUT 600)
  endforeach()

  add_test(NAME package.Contents
    COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-package ${CMAKE_BINARY_DIR})
  set_tests_properties(package.Contents PROPERTIES LABELS package TIMEOUT 120)

  if(CLANGXX)
    file(GLOB fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/fuzz_*.cpp)
    foreach(file ${fuzz_sources})
      get_filename_component(target ${file} NAME_WE)
      add_test(NAME fuzz.${target}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/run-fuzzer ${FLICKBOX_FUZZ_DIR}/fuzz/${target}
                ${FLICKBOX_DEFAULT_DEMO_CORPUS} ${CMAKE_BINARY_DIR}/fuzz-corpus/${target})
      set_tests_properties(fuzz.${target} PROPERTIES LABELS fuzz TIMEOUT 300)
    endforeach()
  endif()
endif()
