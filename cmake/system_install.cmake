# The system installation, as the Debian package lays it out under /usr: the programs in bin/,
# what the program folder ships in share/vesk/ (each user's own program folder is made from it at
# the first start, src/config/program_folder.h), and the desktop's files where the desktop looks.
# It is the install component "system" and excluded from a plain install, so `cmake --install`
# and the tar.gz keep the portable folder; `cpack -G DEB` installs it alone, and so does
#   cmake --install <build> --component system --prefix DIR
# Included by install.cmake, after VESK_DATA_DIR, VESK_PACKAGING_DIR and VESK_SETTINGS_FILES.

set(VESK_DEBIAN_DIR ${VESK_PACKAGING_DIR}/debian)
set(VESK_SYSTEM_DIR ${PROJECT_BINARY_DIR}/system)

# Who the package names as its maintainer, where its screenshots are published, and its
# AppStream id: the project has no web site of its own yet, so the defaults are placeholders
# that a packager sets (-D...) to the real ones.
set(VESK_MAINTAINER "VESK maintainers <maintainers@users.noreply.c-seed-a7e4eed1.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(VESK_SCREENSHOT_URL "https://vesk.example/images/"
    CACHE STRING "Where docs/images/ is published, for the AppStream screenshots (ends with /)")
set(VESK_APPSTREAM_ID "example.vesk.manager" CACHE STRING "The AppStream id: a reversed domain of the project's")
# The release of this version, as the window's version history gives it (3.5.3 of 14.03.07):
# the date of the AppStream release and of the Debian changelog's entry, the same in every build.
set(VESK_RELEASE_DATE 2007-03-14)
set(VESK_RELEASE_DATE_RFC2822 "Wed, 14 Mar 2007 00:00:00 +0000")

function(vesk_system_install)
  install(${ARGN} COMPONENT system EXCLUDE_FROM_ALL)
endfunction()

vesk_system_install(TARGETS vesk-manager vesk RUNTIME DESTINATION bin)
# Debian ships programs without their symbols and the compiler's notes, as its own tools strip them.
vesk_system_install(CODE "
  foreach(program vesk vesk-manager)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded --remove-section=.comment --remove-section=.note
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${program}\" RESULT_VARIABLE stripped)
    if(NOT stripped EQUAL 0)
      message(FATAL_ERROR \"${CMAKE_STRIP} failed on \${program}\")
    endif()
  endforeach()")
vesk_system_install(FILES ${VESK_SETTINGS_FILES} DESTINATION share/vesk)
vesk_system_install(DIRECTORY ${VESK_DATA_DIR}/system/ DESTINATION share/vesk/system)

# The menu entry starts the program by name, and the thumbnailer runs vesk by name: no program
# folder to point at, unlike those that add-to-menu writes. Their comments speak of add-to-menu,
# so they are left out.
function(vesk_without_comments input output exec)
  file(READ ${input} content)
  string(REGEX REPLACE "\n#[^\n]*" "" content "\n${content}")
  string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=${exec}" content "${content}")
  string(SUBSTRING "${content}" 1 -1 content)
  file(CONFIGURE OUTPUT ${output} CONTENT "${content}" @ONLY)
endfunction()
vesk_without_comments(${VESK_PACKAGING_DIR}/vesk-manager.desktop ${VESK_SYSTEM_DIR}/vesk-manager.desktop "vesk-manager")
vesk_without_comments(${VESK_PACKAGING_DIR}/vesk-c10.thumbnailer ${VESK_SYSTEM_DIR}/vesk-c10.thumbnailer
                      "vesk thumbnail %i %o %s")
configure_file(${VESK_DEBIAN_DIR}/vesk-manager.metainfo.xml.in ${VESK_SYSTEM_DIR}/${VESK_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${VESK_DEBIAN_DIR}/changelog.in ${VESK_SYSTEM_DIR}/changelog @ONLY)

vesk_system_install(FILES ${VESK_SYSTEM_DIR}/vesk-manager.desktop DESTINATION share/applications)
vesk_system_install(FILES ${VESK_PACKAGING_DIR}/vesk-manager.svg DESTINATION share/icons/hicolor/scalable/apps)
vesk_system_install(FILES ${VESK_PACKAGING_DIR}/vesk-c10.xml DESTINATION share/mime/packages)
vesk_system_install(FILES ${VESK_SYSTEM_DIR}/vesk-c10.thumbnailer DESTINATION share/thumbnailers)
vesk_system_install(FILES ${VESK_PACKAGING_DIR}/vesk.bash-completion DESTINATION share/bash-completion/completions
                    RENAME vesk)
vesk_system_install(FILES ${VESK_SYSTEM_DIR}/${VESK_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)
vesk_system_install(FILES ${VESK_DEBIAN_DIR}/copyright DESTINATION share/doc/vesk)
vesk_system_install(FILES ${VESK_DEBIAN_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME vesk)

# Manual pages and the changelog compressed as Debian wants them: gzip -9, without the name and
# time of the file, so that two builds give the same bytes.
find_program(VESK_GZIP gzip REQUIRED)
set(compressed "")
function(vesk_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "\"$0\" -9nc \"$1\" >\"$2\"" ${VESK_GZIP} ${source} ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()
vesk_gzip(${VESK_DEBIAN_DIR}/vesk-manager.1 ${VESK_SYSTEM_DIR}/vesk-manager.1.gz)
vesk_gzip(${VESK_SYSTEM_DIR}/changelog ${VESK_SYSTEM_DIR}/changelog.gz)
list(APPEND compressed ${VESK_SYSTEM_DIR}/vesk-manager.1.gz ${VESK_SYSTEM_DIR}/changelog.gz)
if(TARGET vesk_manual)
  vesk_gzip(${PROJECT_BINARY_DIR}/man/man1/vesk.1 ${VESK_SYSTEM_DIR}/vesk.1.gz)
  list(APPEND compressed ${VESK_SYSTEM_DIR}/vesk.1.gz)
  vesk_system_install(FILES ${VESK_SYSTEM_DIR}/vesk.1.gz DESTINATION share/man/man1)
endif()
add_custom_target(vesk_system_files ALL DEPENDS ${compressed})
if(TARGET vesk_manual)
  add_dependencies(vesk_system_files vesk_manual)
endif()
vesk_system_install(FILES ${VESK_SYSTEM_DIR}/vesk-manager.1.gz DESTINATION share/man/man1)
vesk_system_install(FILES ${VESK_SYSTEM_DIR}/changelog.gz DESTINATION share/doc/vesk)

# The sample content, made at packaging time from the settings just installed, as for the
# portable folder: every user's first start copies it.
if(TARGET vesk-samples)
  vesk_system_install(CODE "
    set(shared \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/vesk\")
    execute_process(COMMAND \"$<TARGET_FILE:vesk-samples>\" \"\${shared}\" RESULT_VARIABLE samples_result)
    if(NOT samples_result EQUAL 0)
      message(FATAL_ERROR \"vesk-samples could not make the sample content in \${shared}\")
    endif()")
endif()
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VESK_MAINTAINER}")
