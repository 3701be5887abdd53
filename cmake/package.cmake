# SPDX-License-Identifier: Zlib
# The Debian package, through CPack: `make package` configures a build folder
# with the debian install layout (cmake/install.cmake) and prefix /usr, builds
# the game and runs CPack there, giving stealthbox_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME stealthbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${STEALTHBOX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "top-down stealth game: slip past the guards or hide under a box")
set(CPACK_PACKAGE_DESCRIPTION [[
A small top-down stealth game for one player. Thirty walls, seven boxes and
five guards are scattered at random over the floor; every guard looks out
through a cone of rays that walls and resting boxes cut short, and turns
toward the hero when it sees him.

Walk with W, A, S and D, look with the mouse and take a box with E: stand
still under it and no guard can see you. There is no score and no end; the
game runs until its window is closed.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # stealthbox_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(STEALTHBOX_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${STEALTHBOX_HOMEPAGE})
endif()
# The dependencies are what the binaries link against (SDL2 and SDL2_image at
# run time, the C and C++ runtimes), worked out by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)  # the engine is private to the game
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
