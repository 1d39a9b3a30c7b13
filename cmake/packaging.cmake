# The Debian package made by `cpack` (see scripts/package) from the install
# rules: everything lands under /usr, and dpkg-shlibdeps finds the libraries
# the programs link against.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flashdisk-composer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT ${FLASHDISK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "compose flash disk images for a small 8-bit computer")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool and a command line that make, check and edit raw image files
of a flash disk (64 KiB to 2 MiB) for a small 8-bit computer whose programs
load at 16-bit addresses: blank images, plain and RKS files added to the
directory, entry names, load addresses and attributes, the disk label.
The window and the messages are in Russian. The flashdisk command does every
job of the window from a shell, a Makefile or a build server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FLASHDISK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window loads the platform plugin and the translations of Qt's own
# dialogs at run time, which dpkg-shlibdeps cannot see in the binary.
if(TARGET flashdisk-composer)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
endif()

include(CPack)
