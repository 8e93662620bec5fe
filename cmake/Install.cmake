# Installing like a desktop program. The executables live in one program
# folder (lib/typelane) beside commands.dat, droplists.dat and the help, as the
# program-folder rule wants; bin/ holds links to them (the program finds its
# folder through /proc/self/exe, so the links lead it there).
include(GNUInstallDirs)
set(TYPELANE_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/typelane)

set(programs typelane-cli)
if(TARGET typelane)
  list(APPEND programs typelane)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${TYPELANE_PROGRAM_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/commands.dat DESTINATION ${TYPELANE_PROGRAM_DIR})
# The empty drop-list file: conversions add what they learn to the user's own
# copy, never to this installed folder.
install(FILES ${PROJECT_SOURCE_DIR}/data/droplists.dat DESTINATION ${TYPELANE_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/ DESTINATION ${TYPELANE_PROGRAM_DIR}/help)

file(RELATIVE_PATH to_program_dir /${CMAKE_INSTALL_BINDIR} /${TYPELANE_PROGRAM_DIR})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install)
foreach(program ${programs})
  file(CREATE_LINK ${to_program_dir}/${program} ${CMAKE_BINARY_DIR}/install/${program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/install/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# The desktop pieces carry the program's reverse-DNS id, so the menu entry,
# the software centre's listing and the program are one application.
set(TYPELANE_APP_ID com.veltrax.Typelane)
if(TARGET typelane)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${TYPELANE_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${TYPELANE_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/data/typelane-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME typelane.xml)
  set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${PROJECT_SOURCE_DIR}/data/typelane.svg DESTINATION ${icons}/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/application-x-typelane-sheet.svg
          DESTINATION ${icons}/scalable/mimetypes)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}/typelane.png
            DESTINATION ${icons}/${size}x${size}/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}/application-x-typelane-sheet.png
            DESTINATION ${icons}/${size}x${size}/mimetypes)
  endforeach()
endif()

# Debian's place for the licence and the history of releases. The changelog
# goes compressed as Debian wants it: -n keeps the name and time out of the
# archive, so the same changelog always gives the same bytes.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/typelane)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${doc_dir})
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  # Made at configure time, which an edit of the changelog triggers again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/packaging/changelog)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/install/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${CMAKE_BINARY_DIR}/install/changelog.gz DESTINATION ${doc_dir})
endif()

set(CPACK_PACKAGE_NAME typelane)
set(CPACK_PACKAGE_VENDOR Veltrax)
set(CPACK_PACKAGE_CONTACT "Veltrax <support@typelane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Enters the rows of a sheet into another program's screens")
# Debian wants the lines of the long description under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Typelane types a sheet of data into the windows of another program, row
by row, as a person at the keyboard would: each cell is pasted and followed
by Tab, keystrokes or named commands, with delays that suit the target.

The package holds the sheet window (typelane), with its grid, commands and
delays editors and the conversion of recorded Forms playback files, and the
command-line loader (typelane-cli) for scripts. Both work on X11 desktops.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://typelane.org)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Folders the package creates are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
