# SPDX-License-Identifier: Zlib
# SDL2 and SDL2_image for the engine, its tests and the benchmarks, found once
# here. SDL2_image by its CMake config where the package ships one (Debian 12's
# 2.6 does), else by pkg-config (Ubuntu 22.04's 2.0.5 ships no config).
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_image CONFIG QUIET)
if(NOT TARGET SDL2_image::SDL2_image)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZGL_SDL2_IMAGE REQUIRED IMPORTED_TARGET GLOBAL SDL2_image)
  add_library(SDL2_image::SDL2_image ALIAS PkgConfig::ZGL_SDL2_IMAGE)
  message(STATUS "SDL2_image ${ZGL_SDL2_IMAGE_VERSION} found by pkg-config")
endif()
