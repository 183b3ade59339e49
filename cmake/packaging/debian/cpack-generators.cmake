# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE). The tar.gz packs the portable
# program folder as `cmake --install` lays it out; the Debian package packs the install
# component "system" (cmake/system_install.cmake) under /usr.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL system)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_DEBIAN_PACKAGE_NAME vesk)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries the programs link (dpkg-shlibdeps), and Qt's Russian texts for its dialogs,
  # which the window loads from the system's Qt.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
  # The synopsis may not start with the package's name.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file manager for Samsung C100 flash dumps and C10 pictures")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VESK is a desktop tool for the file-system flash of Samsung C100-family
phones. It reads raw dumps of 48 sectors of 64 KiB read out of the phone,
shows their file lists and unpacks their files; it builds a new dump from
your files, ready to be flashed back, and checks it first; and it shows and
converts the phone's C10 pictures to and from BMP, JPEG, PNG and animated
GIF.
.
The package holds the window (vesk-manager), the command line (vesk) with
its manual page and bash completion, a thumbnailer for C10 pictures and a
sample dump. Each user works in a program folder of their own,
~/.local/share/vesk, made from /usr/share/vesk at the first start.")
endif()
