# SPDX-License-Identifier: Zlib
# The web build (emcmake cmake, with SDL2 and SDL2_image from the prefix that
# scripts/web-deps.sh made inside this build folder). The page runs the game as the
# main module; the engine is a side module that the game's own loader opens by name
# from the page's file system. SDL lives in the main module: its browser code calls
# JavaScript that a side module cannot reach, so the engine only imports it.
set(STEALTHBOX_WEB_DEPS ${CMAKE_BINARY_DIR}/deps/prefix)
foreach(lib SDL2 SDL2_image)
  if(NOT EXISTS ${STEALTHBOX_WEB_DEPS}/lib/lib${lib}.a)
    message(FATAL_ERROR "no web ${lib} in ${STEALTHBOX_WEB_DEPS}: run scripts/web-deps.sh ${CMAKE_BINARY_DIR} "
                        "first (make web does)")
  endif()
endforeach()
find_program(STEALTHBOX_WASM_DIS wasm-dis REQUIRED DOC "binaryen's disassembler (Debian: binaryen)")

# The engine's operations catch what they throw, as on the desktop; that takes C++
# exceptions in both modules.
# The calls that may throw pass through JavaScript, some with 64-bit arguments (the
# clock's counts), which JavaScript carries as BigInt.
add_compile_options(-fexceptions)
add_link_options(-fexceptions -sWASM_BIGINT=1)

# SDL's headers for everything that includes them (emcc's own include path holds an old
# SDL 1, so these come first), and its libraries only where they are linked in.
set(sdl_includes ${STEALTHBOX_WEB_DEPS}/include/SDL2 ${STEALTHBOX_WEB_DEPS}/include)
add_library(SDL2::SDL2 INTERFACE IMPORTED)
set_target_properties(SDL2::SDL2 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${sdl_includes}")
add_library(SDL2_image::SDL2_image INTERFACE IMPORTED)
set_target_properties(SDL2_image::SDL2_image PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${sdl_includes}")
add_library(web_sdl INTERFACE)
target_link_libraries(web_sdl INTERFACE
  ${STEALTHBOX_WEB_DEPS}/lib/libSDL2_image.a ${STEALTHBOX_WEB_DEPS}/lib/libSDL2.a)

# Unit tests run under node in a file system of their own, in memory, as a page's is
# (their files are the temporary ones they make), with the environment they were started
# with. Node 20's own fetch() would mislead emscripten's loader.
find_program(STEALTHBOX_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${STEALTHBOX_NODE} --no-experimental-fetch)
add_library(web_node_program INTERFACE)
target_link_libraries(web_node_program INTERFACE web_sdl)
target_link_options(web_node_program INTERFACE
  -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/packaging/web/node-env.js")

# GoogleTest from the sources of Debian's libgtest-dev, as for Windows.
set(STEALTHBOX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's libgtest-dev)")
if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${STEALTHBOX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(t gtest gtest_main gmock gmock_main)
    target_link_libraries(${t} INTERFACE web_node_program)
  endforeach()
endif()
