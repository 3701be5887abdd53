# What `cmake --install` puts where. Two layouts, chosen when configuring:
#
#   bundle (the default, for a prefix of the player's choosing)
#     <prefix>/lib/stealth/{stealth, libZenGL.so, Data/}, and <prefix>/bin/stealth
#     linking to the executable;
#   debian (what the Debian package is built with, prefix /usr)
#     the command /usr/games/stealth linking to /usr/lib/games/stealth/stealth, the
#     engine library beside it (private: never in the system's library path), and
#     the assets, the same on every architecture, in /usr/share/games/stealth/Data.
#
# Either way the engine and Data sit beside the executable, where both are looked
# for whatever the working folder: the debian layout reaches Data through a link in
# the game's folder, so the engine keeps one place to look. Both layouts add the
# menu entry, the icons, the AppStream metainfo and the man page under share/.
#
# Every link is made in the build folder and installed like a file, so that the
# install manifest lists it and removing what the manifest lists leaves nothing.
set(STEALTH_INSTALL_LAYOUT bundle CACHE STRING "Install layout: bundle (one folder under lib/) or debian")
set_property(CACHE STEALTH_INSTALL_LAYOUT PROPERTY STRINGS bundle debian)
if(STEALTH_INSTALL_LAYOUT STREQUAL "bundle")
  set(STEALTH_COMMAND_DIR bin)
  set(STEALTH_GAME_DIR lib/stealth)
  set(STEALTH_DATA_DIR lib/stealth)
elseif(STEALTH_INSTALL_LAYOUT STREQUAL "debian")
  set(STEALTH_COMMAND_DIR games)
  set(STEALTH_GAME_DIR lib/games/stealth)
  set(STEALTH_DATA_DIR share/games/stealth)
else()
  message(FATAL_ERROR "STEALTH_INSTALL_LAYOUT is '${STEALTH_INSTALL_LAYOUT}': use bundle or debian")
endif()

# Folders the install makes are world-readable whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(stealth_staging ${CMAKE_BINARY_DIR}/install-staging)
file(MAKE_DIRECTORY ${stealth_staging})

# A relative link named `name` in folder `dir` (both under the prefix) to `target`.
function(stealth_install_link dir name target)
  file(RELATIVE_PATH relative /prefix/${dir} /prefix/${target})
  set(link ${stealth_staging}/${dir}/${name})
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${relative} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${dir})
endfunction()

install(TARGETS stealth RUNTIME DESTINATION ${STEALTH_GAME_DIR})
install(TARGETS ZenGL LIBRARY DESTINATION ${STEALTH_GAME_DIR})
install(DIRECTORY Data/ DESTINATION ${STEALTH_DATA_DIR}/Data)
stealth_install_link(${STEALTH_COMMAND_DIR} stealth ${STEALTH_GAME_DIR}/stealth)
if(NOT STEALTH_DATA_DIR STREQUAL STEALTH_GAME_DIR)
  stealth_install_link(${STEALTH_GAME_DIR} Data ${STEALTH_DATA_DIR}/Data)
endif()

# The menu entry and its icon, drawn by the asset generator at each size.
install(FILES packaging/stealth.desktop DESTINATION share/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES icons/stealth-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME stealth.png)
endforeach()

# Metainfo, man page and changelog carry the project's one version; man pages
# and changelogs are installed compressed, reproducibly (no name, no time stamp).
set(STEALTH_GAME_PATH ${CMAKE_INSTALL_PREFIX}/${STEALTH_GAME_DIR})
set(STEALTH_DATA_PATH ${CMAKE_INSTALL_PREFIX}/${STEALTH_DATA_DIR}/Data)
configure_file(packaging/stealth.metainfo.xml.in ${stealth_staging}/${STEALTH_APP_ID}.metainfo.xml @ONLY)
configure_file(packaging/stealth.6.in ${stealth_staging}/stealth.6 @ONLY)
install(FILES ${stealth_staging}/${STEALTH_APP_ID}.metainfo.xml DESTINATION share/metainfo)

function(stealth_gzip file)
  execute_process(COMMAND gzip -9nkf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()
stealth_gzip(${stealth_staging}/stealth.6)
install(FILES ${stealth_staging}/stealth.6.gz DESTINATION share/man/man6)

if(STEALTH_INSTALL_LAYOUT STREQUAL "debian")
  execute_process(COMMAND date -u -R -d "${STEALTH_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE STEALTH_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(packaging/changelog.in ${stealth_staging}/changelog @ONLY)
  configure_file(packaging/copyright.in ${stealth_staging}/copyright @ONLY)
  stealth_gzip(${stealth_staging}/changelog)
  install(FILES ${stealth_staging}/copyright ${stealth_staging}/changelog.gz DESTINATION share/doc/stealth)
endif()
