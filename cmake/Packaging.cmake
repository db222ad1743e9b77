# Packages, made with cpack in the build folder: on Linux a Debian package of both programs
# with their desktop entry, icon, help page, AppStream metadata and the man page of
# pelmar-cli; on Windows a zip of pelmar-cli.exe and a short README. The version is the
# project's.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME pelmar)
set(CPACK_PACKAGE_VENDOR "Veldrin Software")
set(CPACK_PACKAGE_CONTACT "Veldrin Software <pelmar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert price data in text files into MetaStock databases")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/pelmar/")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME pelmar-cli-${PROJECT_VERSION}-win64)
  configure_file(${PROJECT_SOURCE_DIR}/resources/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt
                 NEWLINE_STYLE CRLF @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  # One string: a semicolon would split a CMake list.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pelmar turns historical price data held in plain text (a date and up to\n\
six numbers a line) into a MetaStock database (MASTER, EMASTER, XMASTER and\n\
data files) as charting software reads it. The desktop program pelmar works\n\
out the layout of one file or many, shows the bars as they will be read, adds\n\
them as new securities or as new bars of one, and has a Database window with\n\
a chart of each security. pelmar-cli does the same from the command line and\n\
lists, dumps, checks, renames and deletes securities.")
  # The libraries come from dpkg-shlibdeps; Qt's platform plugins are loaded at run time.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(TARGET pelmar)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  endif()

  install(FILES ${PROJECT_SOURCE_DIR}/resources/org.example.pelmar.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The man page is pelmar-cli's own --help, so it never disagrees with the program.
  find_program(PELMAR_HELP2MAN help2man)
  if(PELMAR_HELP2MAN)
    set(PELMAR_MAN_PAGE ${CMAKE_BINARY_DIR}/share/man/pelmar-cli.1)
    add_custom_command(
      OUTPUT ${PELMAR_MAN_PAGE}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/man
      COMMAND ${PELMAR_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
              "--name=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}" --output=${PELMAR_MAN_PAGE} $<TARGET_FILE:pelmar-cli>
      COMMAND gzip -9nf ${PELMAR_MAN_PAGE}
      DEPENDS pelmar-cli
      VERBATIM)
    add_custom_target(pelmar-cli-man ALL DEPENDS ${PELMAR_MAN_PAGE}.gz)
    install(FILES ${PELMAR_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "help2man not found: the package will lack the man page of pelmar-cli")
  endif()
endif()

include(CPack)
