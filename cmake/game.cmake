# The game: its logic as a library free of SDL (the engine is reached only
# through the table bound at run time), and the stealth executable.
add_library(stealth_game STATIC
  shell/zglHeader.cpp
  shell/uMaterials.cpp
  shell/uShell.cpp
  shell/uCommandLine.cpp
  shell/uSignals.cpp
  objects/uConvert.cpp
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
