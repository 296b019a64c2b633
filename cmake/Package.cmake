# Installation and the Debian package (cpack -G DEB in any build).

include(GNUInstallDirs)
set(ORVANE_MAINTAINER "The Orvane developers <orvane@users.noreply.github.com>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
set(ORVANE_HOMEPAGE "https://github.com/orvane/orvane" CACHE STRING "The project's home page")
set(ORVANE_PICTURES_URL "${ORVANE_HOMEPAGE}/raw/main/data/help/pictures"
    CACHE STRING "Where the screenshots of the AppStream metadata are published")

set(pkg ${CMAKE_BINARY_DIR}/packaging)
find_program(ORVANE_HELP2MAN help2man)
find_program(ORVANE_GZIP gzip REQUIRED)
if(NOT ORVANE_HELP2MAN)
  message(FATAL_ERROR "help2man makes the manual pages from the programs' --help (Debian: help2man)")
endif()

# Manual pages come from the programs' own --help, so they never drift from it.
function(orvane_man_page target summary)
  set(page ${pkg}/${target}.1)
  set(version "${target} ${PROJECT_VERSION}")
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            ${ORVANE_HELP2MAN} --no-info --section=1 "--name=${summary}"
            "--version-string=${version}"
            --include=${CMAKE_SOURCE_DIR}/packaging/${target}.h2m --output=${page} $<TARGET_FILE:${target}>
    COMMAND ${ORVANE_GZIP} -9nf ${page}
    DEPENDS ${target} ${CMAKE_SOURCE_DIR}/packaging/${target}.h2m
    COMMENT "Making the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

install(TARGETS orvane-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
orvane_man_page(orvane-tool "convert, check, render and pack the 3D models and archives of Jedi Knight")
# The sample, the tips and the user guide.
install(DIRECTORY ${ORVANE_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane)

# The copyright notice and the changelog, as Debian keeps them.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/orvane)
configure_file(packaging/changelog.in ${pkg}/changelog @ONLY)
add_custom_command(OUTPUT ${pkg}/changelog.gz
  COMMAND ${ORVANE_GZIP} -9nc ${pkg}/changelog > ${pkg}/changelog.gz
  DEPENDS ${pkg}/changelog)
add_custom_target(orvane_changelog ALL DEPENDS ${pkg}/changelog.gz)
install(FILES packaging/copyright ${pkg}/changelog.gz DESTINATION ${doc})

if(ORVANE_BUILD_UI)
  install(TARGETS orvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  orvane_man_page(orvane "editor for the 3D object models of Jedi Knight and Mysteries of the Sith")
  # The desktop entry, the file types it opens, the icon and the AppStream metadata.
  install(FILES packaging/orvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/orvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME orvane.xml)
  install(FILES packaging/orvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES packaging/icons/orvane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orvane.png)
  endforeach()
  configure_file(packaging/io.github.orvane.Orvane.metainfo.xml.in
                 ${pkg}/io.github.orvane.Orvane.metainfo.xml @ONLY)
  install(FILES ${pkg}/io.github.orvane.Orvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvane developers")
set(CPACK_PACKAGE_CONTACT ${ORVANE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The renderer draws through EGL; Mesa gives it a driver on any machine.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, libegl-mesa0")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ORVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVANE_MAINTAINER})
if(ORVANE_BUILD_UI)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the 3D models of Jedi Knight and Mysteries of the Sith")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Orvane edits the 3D object models (3DO files) of the games Jedi Knight and
Mysteries of the Sith. It shows a model textured through the game's colormaps,
edits its meshes, faces and texture coordinates with undo, plays its animations
from keyframes chosen through puppet files, manages materials and the game's
GOB/GOO archives, and exchanges models with other 3D tools (glTF, OBJ, ...).
.
The package also holds orvane-tool, which converts, checks, renders and packs
the same files from the command line.")
else()
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line tool for the 3D models of Jedi Knight")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "orvane-tool converts, checks, renders and packs the 3D object models (3DO
files), keyframes, puppets, materials and GOB/GOO archives of the games Jedi
Knight and Mysteries of the Sith, without a window.")
endif()
include(CPack)
