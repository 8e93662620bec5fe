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

if(TARGET typelane)
  install(FILES ${PROJECT_SOURCE_DIR}/data/typelane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/typelane-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME typelane.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/data/typelane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME typelane)
set(CPACK_PACKAGE_VENDOR Veltrax)
set(CPACK_PACKAGE_CONTACT "Veltrax <support@typelane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Enters the rows of a sheet into another program's screens")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
