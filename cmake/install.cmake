# What `cmake --install` puts where: the command line with its manual page,
# and, once the window program is part of the build, the window with its
# manual page, menu entry, icons and software-centre metadata. Included last from the top-level
# CMakeLists.txt, so that every target it installs is already defined.
include(GNUInstallDirs)

# Folders made by the install are 0755 whatever the umask, as a package wants.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(FLASHDISK_PACKAGE_MAINTAINER "flashdisk composer developers <flashdisk-composer@localhost>"
    CACHE STRING "Maintainer field of the Debian package and its changelog: name <e-mail>")

set(FLASHDISK_SCREENSHOTS_URL "https://flashdisk-composer.invalid/screenshots"
    CACHE STRING "Web address under which the files of docs/screenshots are published")

set(flashdisk_packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(flashdisk_packaging_binary ${PROJECT_BINARY_DIR}/packaging)
set(flashdisk_icon_source ${PROJECT_SOURCE_DIR}/resources/icons)
set(flashdisk_icon_theme ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# Manual pages are installed compressed; -n keeps the name and time out of
# the archive, so that the same page always packs to the same bytes.
find_program(FLASHDISK_GZIP gzip REQUIRED)

# Configures SOURCE (the project's version goes in), packs it as NAME.gz and
# installs it under DESTINATION.
function(flashdisk_install_packed source name destination)
  set(configured ${flashdisk_packaging_binary}/${name})
  configure_file(${source} ${configured} @ONLY)
  add_custom_command(
    OUTPUT ${configured}.gz
    COMMAND ${FLASHDISK_GZIP} -9nfk ${configured}
    DEPENDS ${configured}
    COMMENT "Packing ${name}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(flashdisk_packed_${target} ALL DEPENDS ${configured}.gz)
  install(FILES ${configured}.gz DESTINATION ${destination})
endfunction()

if(TARGET flashdisk)
  install(TARGETS flashdisk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  flashdisk_install_packed(${PROJECT_SOURCE_DIR}/cli/flashdisk.1 flashdisk.1
                           ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The licence and the history of changes, in the forms Debian reads from
# every package; the maintainer signs the history as the package's.
install(FILES ${flashdisk_packaging_source}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/flashdisk-composer)
flashdisk_install_packed(${flashdisk_packaging_source}/changelog changelog
                         ${CMAKE_INSTALL_DATADIR}/doc/flashdisk-composer)

# The metadata is made even without the window, so that it is checked in
# every build.
configure_file(${flashdisk_packaging_source}/local.flashdisk.composer.metainfo.xml.in
               ${flashdisk_packaging_binary}/local.flashdisk.composer.metainfo.xml @ONLY)

# A menu entry is installed only together with the program it starts.
if(TARGET flashdisk-composer)
  install(TARGETS flashdisk-composer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  flashdisk_install_packed(${PROJECT_SOURCE_DIR}/app/flashdisk-composer.1 flashdisk-composer.1
                           ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${flashdisk_packaging_source}/flashdisk-composer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${flashdisk_packaging_binary}/local.flashdisk.composer.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  if(EXISTS ${flashdisk_icon_source}/flashdisk.svg)
    install(FILES ${flashdisk_icon_source}/flashdisk.svg
            DESTINATION ${flashdisk_icon_theme}/scalable/apps
            RENAME flashdisk-composer.svg)
    foreach(size IN ITEMS 16 24 32 48 64 128 256)
      install(FILES ${flashdisk_icon_source}/flashdisk-${size}.png
              DESTINATION ${flashdisk_icon_theme}/${size}x${size}/apps
              RENAME flashdisk-composer.png)
    endforeach()
  endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)
