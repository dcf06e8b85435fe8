# The Windows build: flickbox.exe, flickbox-revert.exe, the Win32 test program,
# the end-to-end driver and the stand-in game. Cross-compiled with mingw-w64
# here (cmake/mingw-i686.cmake); the same files build with MSVC on Windows.

add_compile_definitions(STRICT NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
if(MINGW)
  # snprintf then returns the full length, so truncation can be detected.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# What both programs link.
add_library(flickbox_shared STATIC)
target_include_directories(flickbox_shared PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(flickbox_shared PUBLIC user32 kernel32 advapi32)

# Everything of flickbox but its entry point and the message-box seam.
add_library(flickbox_core STATIC)
target_include_directories(flickbox_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(flickbox_core PUBLIC flickbox_shared comdlg32 shell32 gdi32 user32 advapi32 kernel32)

set(FLICKBOX_RESOURCES ${PROJECT_SOURCE_DIR}/ui/flickbox.rc)
set(FLICKBOX_MESSAGE_BOX ${PROJECT_SOURCE_DIR}/shared/message_box.cpp)

add_subdirectory(shared)
add_subdirectory(app)
add_subdirectory(demo)
add_subdirectory(decode)
add_subdirectory(playback)
add_subdirectory(ui)
add_subdirectory(revert)
add_subdirectory(cli)

# Sample demos for the tests, built from the same code as the host generator.
add_library(flickbox_sample_demo STATIC ${PROJECT_SOURCE_DIR}/tools/sample_demo.cpp
  ${PROJECT_SOURCE_DIR}/tools/structured_demo.cpp ${PROJECT_SOURCE_DIR}/tools/structured_messages.cpp
  ${PROJECT_SOURCE_DIR}/tools/message_writer.cpp ${PROJECT_SOURCE_DIR}/tools/bitmap_file.cpp)
target_include_directories(flickbox_sample_demo PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(flickbox_sample_demo PUBLIC flickbox_decode)

add_subdirectory(tests/support)

# The test programs need GoogleTest's source (Debian's googletest package here;
# on Windows, point FLICKBOX_GOOGLETEST_DIR at a copy of it).
if(EXISTS ${FLICKBOX_GOOGLETEST_DIR}/CMakeLists.txt)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${FLICKBOX_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_subdirectory(tests/win)
  add_subdirectory(tests/e2e)
else()
  message(STATUS "GoogleTest not found in ${FLICKBOX_GOOGLETEST_DIR}: the test programs are not built")
endif()
add_subdirectory(tests/standin_game)
add_subdirectory(tests/cli)

# windres does not report the artwork it embeds, so name it in every folder
# whose targets compile the resource script.
file(GLOB flickbox_artwork CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/ui/art/*)
set(resource_folders ${PROJECT_SOURCE_DIR}/ui)
if(TARGET flickbox_win_tests)
  list(APPEND resource_folders ${PROJECT_SOURCE_DIR}/tests/win)
endif()
set_source_files_properties(${FLICKBOX_RESOURCES} DIRECTORY ${resource_folders} PROPERTIES OBJECT_DEPENDS "${flickbox_artwork};${PROJECT_SOURCE_DIR}/app/resource.h")
