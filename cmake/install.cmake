# SPDX-License-Identifier: Zlib
# What `cmake --install` puts where. Two layouts, chosen when configuring:
#
#   bundle (the default, for a prefix of the player's choosing)
#     <prefix>/lib/stealthbox/{stealthbox, libZenGL.so, Data/}, and <prefix>/bin/stealthbox
#     linking to the executable;
#   debian (what the Debian package is built with, prefix /usr)
#     the command /usr/games/stealthbox linking to /usr/lib/games/stealthbox/stealthbox, the
#     engine library beside it (private: never in the system's library path), and
#     the assets, the same on every architecture, in /usr/share/games/stealthbox/Data.
#
# Either way the engine and Data sit beside the executable, where both are looked
# for whatever the working folder: the debian layout reaches Data through a link in
# the game's folder, so the engine keeps one place to look. Both layouts add the
# menu entry, the icons, the AppStream metainfo and the man page under share/.
#
# Every link is made in the build folder and installed like a file, so that the
# install manifest lists it and removing what the manifest lists leaves nothing.
set(STEALTHBOX_INSTALL_LAYOUT bundle CACHE STRING "Install layout: bundle (one folder under lib/) or debian")
set_property(CACHE STEALTHBOX_INSTALL_LAYOUT PROPERTY STRINGS bundle debian)
if(STEALTHBOX_INSTALL_LAYOUT STREQUAL "bundle")
  set(STEALTHBOX_COMMAND_DIR bin)
  set(STEALTHBOX_GAME_DIR lib/stealthbox)
  set(STEALTHBOX_DATA_DIR lib/stealthbox)
elseif(STEALTHBOX_INSTALL_LAYOUT STREQUAL "debian")
  set(STEALTHBOX_COMMAND_DIR games)
  set(STEALTHBOX_GAME_DIR lib/games/stealthbox)
  set(STEALTHBOX_DATA_DIR share/games/stealthbox)
else()
  message(FATAL_ERROR "STEALTHBOX_INSTALL_LAYOUT is '${STEALTHBOX_INSTALL_LAYOUT}': use bundle or debian")
endif()

# Folders the install makes are world-readable whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(stealthbox_staging ${CMAKE_BINARY_DIR}/install-staging)
file(MAKE_DIRECTORY ${stealthbox_staging})

# A relative link named `name` in folder `dir` (both under the prefix) to `target`.
function(stealthbox_install_link dir name target)
  file(RELATIVE_PATH relative /prefix/${dir} /prefix/${target})
  set(link ${stealthbox_staging}/${dir}/${name})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${relative} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${dir})
endfunction()

install(TARGETS stealthbox RUNTIME DESTINATION ${STEALTHBOX_GAME_DIR})
install(TARGETS ZenGL LIBRARY DESTINATION ${STEALTHBOX_GAME_DIR})
install(DIRECTORY Data/ DESTINATION ${STEALTHBOX_DATA_DIR}/Data)
stealthbox_install_link(${STEALTHBOX_COMMAND_DIR} stealthbox ${STEALTHBOX_GAME_DIR}/stealthbox)
if(NOT STEALTHBOX_DATA_DIR STREQUAL STEALTHBOX_GAME_DIR)
  stealthbox_install_link(${STEALTHBOX_GAME_DIR} Data ${STEALTHBOX_DATA_DIR}/Data)
endif()

# The menu entry and its icon, drawn by the asset generator at each size.
install(FILES packaging/stealthbox.desktop DESTINATION share/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES icons/stealthbox-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME stealthbox.png)
endforeach()

# Metainfo, man page and changelog carry the project's one version; man pages
# and changelogs are installed compressed, reproducibly (no name, no time stamp).
set(STEALTHBOX_GAME_PATH ${CMAKE_INSTALL_PREFIX}/${STEALTHBOX_GAME_DIR})
set(STEALTHBOX_DATA_PATH ${CMAKE_INSTALL_PREFIX}/${STEALTHBOX_DATA_DIR}/Data)
# The links to the game's page and its screenshot, only when it has a page.
set(STEALTHBOX_METAINFO_LINKS "")
set(STEALTHBOX_MAN_LINKS "")
if(STEALTHBOX_HOMEPAGE)
  string(CONCAT STEALTHBOX_METAINFO_LINKS
    "  <url type=\"homepage\">${STEALTHBOX_HOMEPAGE}</url>\n"
    "  <screenshots>\n"
    "    <screenshot type=\"default\">\n"
    "      <caption>Dark walls, yellow boxes, red guards with their view cones, the hero top left</caption>\n"
    "      <image>${STEALTHBOX_HOMEPAGE}/screenshot.png</image>\n"
    "    </screenshot>\n"
    "  </screenshots>\n")
  set(STEALTHBOX_MAN_LINKS ".SH SEE ALSO\nThe game's page: \\%${STEALTHBOX_HOMEPAGE}\n")
endif()
configure_file(packaging/stealthbox.metainfo.xml.in ${stealthbox_staging}/${STEALTHBOX_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/stealthbox.6.in ${stealthbox_staging}/stealthbox.6 @ONLY)
install(FILES ${stealthbox_staging}/${STEALTHBOX_APP_ID}.metainfo.xml DESTINATION share/metainfo)

function(stealthbox_gzip file)
  execute_process(COMMAND gzip -9nkf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()
stealthbox_gzip(${stealthbox_staging}/stealthbox.6)
install(FILES ${stealthbox_staging}/stealthbox.6.gz DESTINATION share/man/man6)

if(STEALTHBOX_INSTALL_LAYOUT STREQUAL "debian")
  execute_process(COMMAND date -u -R -d "${STEALTHBOX_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE STEALTHBOX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(packaging/changelog.in ${stealthbox_staging}/changelog @ONLY)
  configure_file(packaging/copyright.in ${stealthbox_staging}/copyright @ONLY)
  stealthbox_gzip(${stealthbox_staging}/changelog)
  install(FILES ${stealthbox_staging}/copyright ${stealthbox_staging}/changelog.gz DESTINATION share/doc/stealthbox)
endif()
