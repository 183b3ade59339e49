# The portable program folder: everything lies beside the program, as the program expects
# (vesk.ini, the firmware profiles, bins/, files/, system/). `cmake --install <build> --prefix
# DIR` lays it out in DIR; `cpack` packs the same folder as a .tar.gz. The Debian package's
# layout in /usr is the component "system" (system_install.cmake), installed only when named.
#
# A vesk.ini or profile that already stands in the folder is kept: the user's edits survive a
# rebuild. The sample content (samples/ and bins/sample.bin) is made by vesk-samples from the
# installed settings when the folder has no sample dump yet.

set(VESK_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(VESK_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/packaging)

install(TARGETS vesk-manager RUNTIME DESTINATION .)
if(TARGET vesk)
  install(TARGETS vesk RUNTIME DESTINATION .)
endif()
if(TARGET vesk-samples)
  install(TARGETS vesk-samples RUNTIME DESTINATION tools)
endif()

# Settings and profiles: copied only where missing.
file(GLOB VESK_SETTINGS_FILES CONFIGURE_DEPENDS ${VESK_DATA_DIR}/*.ini)
foreach(settings_file IN LISTS VESK_SETTINGS_FILES)
  get_filename_component(settings_name ${settings_file} NAME)
  install(CODE "
    set(destination \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${settings_name}\")
    if(EXISTS \"\${destination}\")
      message(STATUS \"Kept: \${destination}\")
    else()
      file(INSTALL \"${settings_file}\" DESTINATION \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    endif()")
endforeach()

install(DIRECTORY ${VESK_DATA_DIR}/system/ DESTINATION system)
install(DIRECTORY DESTINATION bins)
install(DIRECTORY DESTINATION files)

# Qt's Russian translation goes with the program, for a machine whose Qt has none; the window
# prefers the system Qt's own (Debian: qt6-translations-l10n), which matches that Qt.
find_package(Qt6 REQUIRED COMPONENTS Core)
set(VESK_QT_RUSSIAN ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}/qtbase_ru.qm)
if(EXISTS ${VESK_QT_RUSSIAN})
  install(FILES ${VESK_QT_RUSSIAN} DESTINATION translations)
else()
  message(WARNING "${VESK_QT_RUSSIAN} is missing (Debian: qt6-translations-l10n): Qt's dialogs will be in English")
endif()

install(FILES ${VESK_PACKAGING_DIR}/vesk-manager.desktop ${VESK_PACKAGING_DIR}/vesk-manager.svg DESTINATION .)
install(PROGRAMS ${VESK_PACKAGING_DIR}/add-to-menu DESTINATION .)

# The desktop's part beyond the menu, which add-to-menu puts into the user's folders: the MIME
# type of C10 pictures and their thumbnailer (vesk thumbnail), and the bash completion of vesk.
install(FILES ${VESK_PACKAGING_DIR}/vesk-c10.xml ${VESK_PACKAGING_DIR}/vesk-c10.thumbnailer
              ${VESK_PACKAGING_DIR}/vesk.bash-completion DESTINATION .)

# The manual page, made at build time with the program (src/cli). In man/man1 of the program
# folder, `man vesk` finds it whenever the folder is on PATH.
if(TARGET vesk_manual)
  install(FILES ${PROJECT_BINARY_DIR}/man/man1/vesk.1 DESTINATION man/man1)
endif()

# Runs last, on the settings just installed (or kept).
if(TARGET vesk-samples)
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    if(NOT EXISTS \"\${folder}/bins/sample.bin\")
      execute_process(COMMAND \"$<TARGET_FILE:vesk-samples>\" \"\${folder}\" RESULT_VARIABLE samples_result)
      if(NOT samples_result EQUAL 0)
        message(WARNING \"vesk-samples could not make the sample content in \${folder}\")
      endif()
    endif()")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/system_install.cmake)

set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "VESK")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VESK file manager: Samsung C100 flash dumps and C10 pictures")
set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_FILE_NAME vesk-${PROJECT_VERSION}-Linux)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Wherever cpack runs from, the package and its staging stay in the build tree.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
# `cpack -G DEB` makes the Debian package of the system installation (system_install.cmake);
# what differs from the tar.gz is set per generator there.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/packaging/debian/cpack-generators.cmake)
include(CPack)
