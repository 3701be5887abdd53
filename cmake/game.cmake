# The game: its logic as a library free of SDL (the engine is reached only
# through the table bound at run time), and the stealth executable.
add_library(stealth_game STATIC
  shell/zglHeader.cpp
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
target_include_directories(stealth_game PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(stealth_game PUBLIC ${CMAKE_DL_LIBS})
set_source_files_properties(shell/uCommandLine.cpp PROPERTIES
  COMPILE_DEFINITIONS STEALTH_VERSION="${PROJECT_VERSION}")

add_executable(stealth shell/main.cpp)
target_link_libraries(stealth PRIVATE stealth_game)
# The engine is found beside the executable by the loader itself; no run
# path, and certainly none that names the working directory.
set_target_properties(stealth PROPERTIES SKIP_BUILD_RPATH ON INSTALL_RPATH "")

if(WIN32)
  # A windowed program: no console opens beside the game.
  set_target_properties(stealth PROPERTIES WIN32_EXECUTABLE ON)
  # The icon: the asset generator's pictures of it, packed into one .ico by icoutils.
  set(STEALTH_ICON_SIZES 16 32 48 64 128 256)
  set(icon_pngs "")
  set(icon_args --bit-depth=32)
  foreach(size IN LISTS STEALTH_ICON_SIZES)
    set(png ${CMAKE_SOURCE_DIR}/icons/stealth-${size}.png)
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
    set(STEALTH_ICO ${CMAKE_BINARY_DIR}/stealth.ico)
    add_custom_command(OUTPUT ${STEALTH_ICO}
      COMMAND ${ICOTOOL} -c -o ${STEALTH_ICO} ${icon_args}
      DEPENDS ${icon_pngs}
      COMMENT "Packing the game's icon into stealth.ico")
    set(RC_ICON "1 ICON \"${STEALTH_ICO}\"")
  else()
    message(WARNING "no ${first_icon}: stealth.exe is built without its icon")
  endif()
  set(RC_FILE_TYPE VFT_APP)
  set(RC_DESCRIPTION "Stealth, a top-down stealth game")
  set(RC_NAME stealth)
  set(RC_FILE_NAME stealth.exe)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/version.rc.in ${CMAKE_BINARY_DIR}/stealth.rc @ONLY)
  target_sources(stealth PRIVATE ${CMAKE_BINARY_DIR}/stealth.rc)
  if(STEALTH_ICO)
    set_source_files_properties(${CMAKE_BINARY_DIR}/stealth.rc PROPERTIES OBJECT_DEPENDS ${STEALTH_ICO})
  endif()
endif()
