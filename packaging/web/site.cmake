# SPDX-License-Identifier: Zlib
# The game as a static web page, in <build>/site: index.html, the game's main module
# (stealthbox.js, stealthbox.wasm) with its assets packed beside it (stealthbox.data, the
# Data folder of the page's file system), the engine's side module libZenGL.so, which the
# page fetches and the game's loader opens by name, and the licences. `make package-web`
# zips the folder as stealthbox-<version>-web.zip.
set(STEALTHBOX_SITE ${CMAKE_BINARY_DIR}/site)
set_target_properties(stealthbox ZenGL PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${STEALTHBOX_SITE})

# The main module gives the side module exactly what it imports, worked out from the
# engine as built: SDL, the C and C++ runtimes, and the browser's main loop.
set(engine_needs ${CMAKE_BINARY_DIR}/engine-needs.txt)
set(engine_exports ${CMAKE_BINARY_DIR}/engine-exports.txt)
add_custom_command(OUTPUT ${engine_needs} ${engine_exports}
  COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/web-engine-imports.sh $<TARGET_FILE:ZenGL> ${engine_needs} ${engine_exports}
  DEPENDS ZenGL ${CMAKE_SOURCE_DIR}/scripts/web-engine-imports.sh
  COMMENT "Listing what the engine's side module imports")
add_custom_target(engine_imports DEPENDS ${engine_needs} ${engine_exports})
add_dependencies(stealthbox engine_imports)

set(page_dir ${CMAKE_SOURCE_DIR}/packaging/web)
file(GLOB data_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Data/*)
target_link_libraries(stealthbox PRIVATE web_sdl)
target_link_options(stealthbox PRIVATE
  -sMAIN_MODULE=2 -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1
  -sEXPORTED_FUNCTIONS=@${engine_exports} -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${engine_needs}
  # Modules that the page puts in its file system are compiled while it loads.
  --use-preload-plugins
  "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/Data@/Data"
  "SHELL:--pre-js ${page_dir}/engine-fetch.js")
set_property(TARGET stealthbox APPEND PROPERTY LINK_DEPENDS
  ${engine_needs} ${engine_exports} ${page_dir}/engine-fetch.js ${data_files})

configure_file(${page_dir}/index.html.in ${STEALTHBOX_SITE}/index.html @ONLY)
file(MAKE_DIRECTORY ${STEALTHBOX_SITE}/licenses)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${STEALTHBOX_SITE}/licenses/Stealthbox-LICENSE.txt COPYONLY)
foreach(lib SDL2 SDL2_image)
  configure_file(${STEALTHBOX_WEB_DEPS}/licenses/${lib}-LICENSE.txt ${STEALTHBOX_SITE}/licenses/${lib}-LICENSE.txt COPYONLY)
endforeach()

# The zip: the folder's files at its top, ready for any static host.
set(STEALTHBOX_WEB_ZIP ${CMAKE_BINARY_DIR}/stealthbox-${PROJECT_VERSION}-web.zip)
add_custom_target(package_web
  COMMAND ${CMAKE_COMMAND} -E rm -f ${STEALTHBOX_WEB_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${STEALTHBOX_WEB_ZIP} --format=zip --
          index.html stealthbox.js stealthbox.wasm stealthbox.data libZenGL.so licenses
  WORKING_DIRECTORY ${STEALTHBOX_SITE}
  DEPENDS stealthbox ZenGL
  COMMENT "Packing the page into ${STEALTHBOX_WEB_ZIP}")
