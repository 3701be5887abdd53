# SPDX-License-Identifier: Zlib
# The game: its logic as a library free of SDL (the engine is reached only
# through the table bound at run time), and the stealthbox executable.
add_library(stealthbox_game STATIC
  shell/zglHeader.cpp
  shell/uLibraryFile.cpp
  shell/uMaterials.cpp
  shell/uShell.cpp
  shell/uCommandLine.cpp
  shell/uSignals.cpp
  objects/uConvert.cpp
  objects/uTrig.cpp
  objects/uObj.cpp
  objects/uBox.cpp
  objects/uLiveObj.cpp
  objects/uHero.cpp
  objects/uEnemy.cpp
  world/uRandom.cpp
  world/uWorld.cpp)
target_include_directories(stealthbox_game PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(stealthbox_game PUBLIC stealthbox_common ${CMAKE_DL_LIBS})
set_source_files_properties(shell/uCommandLine.cpp PROPERTIES
  COMPILE_DEFINITIONS STEALTHBOX_VERSION="${PROJECT_VERSION}")

add_executable(stealthbox shell/main.cpp)
target_link_libraries(stealthbox PRIVATE stealthbox_game)
# The engine is found beside the executable by the loader itself; no run
# path, and certainly none that names the working directory.
set_target_properties(stealthbox PROPERTIES SKIP_BUILD_RPATH ON INSTALL_RPATH "")

if(WIN32)
  # A windowed program: no console opens beside the game.
  set_target_properties(stealthbox PROPERTIES WIN32_EXECUTABLE ON)
  # The icon: the asset generator's pictures of it, packed into one .ico by icoutils.
  set(STEALTHBOX_ICON_SIZES 16 32 48 64 128 256)
  set(icon_pngs "")
  set(icon_args --bit-depth=32)
  foreach(size IN LISTS STEALTHBOX_ICON_SIZES)
    set(png ${CMAKE_SOURCE_DIR}/icons/stealthbox-${size}.png)
    list(APPEND icon_pngs ${png})
    # The largest picture is stored as PNG inside the .ico, as Windows expects from 256 up.
    if(size GREATER_EQUAL 256)
      list(APPEND icon_args --raw=${png})
    else()
      list(APPEND icon_args ${png})
    endif()
  endforeach()
  set(RC_ICON "")
  list(GET icon_pngs 0 first_icon)
  if(EXISTS ${first_icon})
    find_program(ICOTOOL icotool REQUIRED)
    set(STEALTHBOX_ICO ${CMAKE_BINARY_DIR}/stealthbox.ico)
    add_custom_command(OUTPUT ${STEALTHBOX_ICO}
      COMMAND ${ICOTOOL} -c -o ${STEALTHBOX_ICO} ${icon_args}
      DEPENDS ${icon_pngs}
      COMMENT "Packing the game's icon into stealthbox.ico")
    set(RC_ICON "1 ICON \"${STEALTHBOX_ICO}\"")
  else()
    message(WARNING "no ${first_icon}: stealthbox.exe is built without its icon")
  endif()
  set(RC_FILE_TYPE VFT_APP)
  set(RC_DESCRIPTION "Stealthbox, a top-down stealth game")
  set(RC_NAME stealthbox)
  set(RC_FILE_NAME stealthbox.exe)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/version.rc.in ${CMAKE_BINARY_DIR}/stealthbox.rc @ONLY)
  target_sources(stealthbox PRIVATE ${CMAKE_BINARY_DIR}/stealthbox.rc)
  if(STEALTHBOX_ICO)
    set_source_files_properties(${CMAKE_BINARY_DIR}/stealthbox.rc PROPERTIES OBJECT_DEPENDS ${STEALTHBOX_ICO})
  endif()
endif()
