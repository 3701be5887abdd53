# SPDX-License-Identifier: Zlib
# The Windows build (cross-built with cmake/mingw-w64-x86_64.cmake): SDL2 and SDL2_image
# from the prefix that scripts/windows-deps.sh made inside this build folder, GoogleTest
# from the sources Debian ships, the C++ runtime linked in, and Wine to run what is built.
set(STEALTHBOX_WINDOWS_DEPS ${CMAKE_BINARY_DIR}/deps/prefix)
if(NOT EXISTS ${STEALTHBOX_WINDOWS_DEPS}/lib/cmake/SDL2/SDL2Config.cmake)
  message(FATAL_ERROR "no Windows SDL2 in ${STEALTHBOX_WINDOWS_DEPS}: run scripts/windows-deps.sh ${CMAKE_BINARY_DIR} "
                      "first (make windows does)")
endif()
list(PREPEND CMAKE_PREFIX_PATH ${STEALTHBOX_WINDOWS_DEPS})

# stealthbox.exe and ZenGL.dll need nothing beside them but SDL2.dll and SDL2_image.dll:
# libstdc++, libgcc and winpthread are linked in.
add_link_options(-static)

if(CMAKE_CROSSCOMPILING)
  set(STEALTHBOX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${STEALTHBOX_WINE_PREFIX})
endif()

# GoogleTest for Windows from the sources of Debian's libgtest-dev.
set(STEALTHBOX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's libgtest-dev)")
if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  # It names its targets GTest::gtest, GTest::gtest_main, GTest::gmock as the installed one does.
  add_subdirectory(${STEALTHBOX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

find_package(SDL2 REQUIRED CONFIG)
# SDL2_image's package file asks for libpng even when built with its own decoder, which
# needs none: an empty stand-in answers it.
if(NOT TARGET PNG::PNG)
  add_library(PNG::PNG INTERFACE IMPORTED)
endif()
find_package(SDL2_image REQUIRED CONFIG)

# The two SDL libraries go beside the game, where the loader's search finds them.
add_custom_target(sdl_dlls ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:SDL2::SDL2> $<TARGET_FILE:SDL2_image::SDL2_image>
          ${CMAKE_BINARY_DIR}/bin)

