# SPDX-License-Identifier: Zlib
# The portable Windows package: stealthbox-<version>-windows-x64.zip, one folder inside with
# the game, its engine, the two SDL libraries, the assets, a README for players and the
# licences of the libraries it carries. Made by `make package-windows` (cpack).
install(TARGETS stealthbox RUNTIME DESTINATION .)
install(PROGRAMS $<TARGET_FILE:ZenGL> $<TARGET_FILE:SDL2::SDL2> $<TARGET_FILE:SDL2_image::SDL2_image>
        DESTINATION .)
# Debug information stays in the build folder; players get the stripped files (cpack strips
# targets it installs, not the libraries installed as plain files).
install(CODE "
  foreach(dll ZenGL.dll SDL2.dll SDL2_image.dll)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${dll}\")
  endforeach()")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Data/ DESTINATION Data)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
install(DIRECTORY ${STEALTHBOX_WINDOWS_DEPS}/licenses/ DESTINATION licenses)
# The game's own licence beside SDL's, with Windows line ends for Notepad.
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/Stealthbox-LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/Stealthbox-LICENSE.txt DESTINATION licenses)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME stealthbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME stealthbox-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Stealthbox, a top-down stealth game, for 64-bit Windows")
include(CPack)

# The version and icon that Windows shows in the files' properties.
find_program(WRESTOOL wrestool REQUIRED)
foreach(target stealthbox ZenGL)
  set(want_icon OFF)
  if(target STREQUAL stealthbox AND STEALTHBOX_ICO)
    set(want_icon ON)
  endif()
  add_test(NAME ${target}.Resources
    COMMAND ${CMAKE_COMMAND} -DWRESTOOL=${WRESTOOL} -DFILE=$<TARGET_FILE:${target}> -DVERSION=${PROJECT_VERSION}
            -DWANT_ICON=${want_icon} -P ${CMAKE_CURRENT_LIST_DIR}/checkResources.cmake)
endforeach()
