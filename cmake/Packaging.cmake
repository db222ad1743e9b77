# Packages, made in the build folder: on Linux (cpack -G DEB) a Debian package of both
# programs with their desktop entry, icon, help page, AppStream metadata, manual pages,
# copyright and changelog; on Windows the resources of pelmar-cli.exe, and a zip (target
# zip) and an installer (target installer, with makensis) of pelmar-cli.exe, its README, the
# help page and the copyright notices. The version is the project's; the release date is that of
# the changelog's first entry, which must be of this version.
include(GNUInstallDirs)

set(PELMAR_CHANGELOG ${PROJECT_SOURCE_DIR}/resources/debian/changelog)
# Read here, not configured: a change must configure again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PELMAR_CHANGELOG}
             ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${PROJECT_SOURCE_DIR}/resources/copyright-windows.txt)
file(STRINGS ${PELMAR_CHANGELOG} PELMAR_CHANGELOG_TITLE LIMIT_COUNT 1)
file(STRINGS ${PELMAR_CHANGELOG} PELMAR_CHANGELOG_SIGNATURE REGEX "^ -- " LIMIT_COUNT 1)
string(REPLACE "." "\\." PELMAR_VERSION_PATTERN "${PROJECT_VERSION}")
if(NOT PELMAR_CHANGELOG_TITLE MATCHES "^pelmar \\(${PELMAR_VERSION_PATTERN}\\) ")
  message(FATAL_ERROR "resources/debian/changelog begins with \"${PELMAR_CHANGELOG_TITLE}\": "
                      "its first entry must be version ${PROJECT_VERSION}")
endif()
if(NOT PELMAR_CHANGELOG_SIGNATURE MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "resources/debian/changelog: no date in \"${PELMAR_CHANGELOG_SIGNATURE}\"")
endif()
set(PELMAR_MONTHS Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND PELMAR_MONTHS ${CMAKE_MATCH_2} PELMAR_MONTH)
math(EXPR PELMAR_MONTH "${PELMAR_MONTH} + 1" OUTPUT_FORMAT DECIMAL)
if(PELMAR_MONTH LESS 10)
  set(PELMAR_MONTH 0${PELMAR_MONTH})
endif()
set(PELMAR_RELEASE_YEAR ${CMAKE_MATCH_3})
set(PELMAR_RELEASE_DATE ${CMAKE_MATCH_3}-${PELMAR_MONTH}-${CMAKE_MATCH_1})

if(WIN32)
  # pelmar-cli.exe's icon, manifest and version information.
  set(PELMAR_ICON ${PROJECT_SOURCE_DIR}/resources/Pelmar.ico)
  set(PELMAR_MANIFEST ${CMAKE_BINARY_DIR}/pelmar-cli.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/resources/pelmar-cli.manifest.in ${PELMAR_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/pelmar-cli.rc.in ${CMAKE_BINARY_DIR}/pelmar-cli.rc @ONLY)
  target_sources(pelmar-cli PRIVATE ${CMAKE_BINARY_DIR}/pelmar-cli.rc)
  set_property(SOURCE ${CMAKE_BINARY_DIR}/pelmar-cli.rc APPEND PROPERTY OBJECT_DEPENDS ${PELMAR_ICON} ${PELMAR_MANIFEST})

  configure_file(${PROJECT_SOURCE_DIR}/resources/README-windows.txt.in ${CMAKE_BINARY_DIR}/README.txt
                 NEWLINE_STYLE CRLF @ONLY)
  # The package's notices and those of the runtime that the static link builds in.
  file(READ ${PROJECT_SOURCE_DIR}/resources/debian/copyright PELMAR_COPYRIGHT)
  file(READ ${PROJECT_SOURCE_DIR}/resources/copyright-windows.txt PELMAR_COPYRIGHT_WINDOWS)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/copyright.txt CONTENT "${PELMAR_COPYRIGHT}${PELMAR_COPYRIGHT_WINDOWS}"
       @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/copyright.txt
                ${PROJECT_SOURCE_DIR}/resources/pelmar-help.html DESTINATION .)

  # The zip (target zip) and the installer (target installer, with makensis) carry the
  # program stripped, and the same bytes whenever they are made from the same files.
  set(PELMAR_SHIPPED_EXE ${CMAKE_BINARY_DIR}/shipped/pelmar-cli.exe)
  set(PELMAR_SHIPPED_FILES ${PELMAR_SHIPPED_EXE} ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/copyright.txt
                           ${PROJECT_SOURCE_DIR}/resources/pelmar-help.html)
  add_custom_command(
    OUTPUT ${PELMAR_SHIPPED_EXE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/shipped
    COMMAND ${CMAKE_STRIP} -o ${PELMAR_SHIPPED_EXE} $<TARGET_FILE:pelmar-cli>
    DEPENDS pelmar-cli
    VERBATIM)
  set(PELMAR_ZIP ${CMAKE_BINARY_DIR}/pelmar-cli-${PROJECT_VERSION}-win64.zip)
  add_custom_command(
    OUTPUT ${PELMAR_ZIP}
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/make-zip.sh ${PELMAR_ZIP} pelmar-cli-${PROJECT_VERSION}-win64
            ${PELMAR_SHIPPED_FILES}
    DEPENDS ${PELMAR_SHIPPED_FILES} ${PROJECT_SOURCE_DIR}/cmake/make-zip.sh
    VERBATIM)
  add_custom_target(zip DEPENDS ${PELMAR_ZIP})

  find_program(PELMAR_MAKENSIS makensis)
  if(PELMAR_MAKENSIS)
    set(PELMAR_SETUP ${CMAKE_BINARY_DIR}/pelmar-cli-${PROJECT_VERSION}-win64-setup.exe)
    add_custom_command(
      OUTPUT ${PELMAR_SETUP}
      COMMAND ${PELMAR_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION} -DEXE=${PELMAR_SHIPPED_EXE}
              -DREADME=${CMAKE_BINARY_DIR}/README.txt -DHELP=${PROJECT_SOURCE_DIR}/resources/pelmar-help.html
              -DCOPYRIGHT=${CMAKE_BINARY_DIR}/copyright.txt -DICON=${PELMAR_ICON} -DOUTFILE=${PELMAR_SETUP}
              ${PROJECT_SOURCE_DIR}/resources/pelmar-cli.nsi
      DEPENDS ${PELMAR_SHIPPED_FILES} ${PROJECT_SOURCE_DIR}/resources/pelmar-cli.nsi ${PELMAR_ICON}
      VERBATIM)
    add_custom_target(installer DEPENDS ${PELMAR_SETUP})
  else()
    message(STATUS "makensis not found (Debian package nsis): no target installer")
  endif()
else()
  set(CPACK_PACKAGE_NAME pelmar)
  set(CPACK_PACKAGE_VENDOR "${PELMAR_ORGANISATION}")
  set(CPACK_PACKAGE_CONTACT "${PELMAR_ORGANISATION} <pelmar@example.org>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert price data in text files into MetaStock databases")
  set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.org/pelmar/")
  set(CPACK_STRIP_FILES ON)
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
  # What the programs link to, from dpkg-shlibdeps, and nothing else: Qt's platform plugins
  # (xcb, wayland, offscreen) come with libqt6gui6.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

  configure_file(${PROJECT_SOURCE_DIR}/resources/org.example.pelmar.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/share/metainfo/org.example.pelmar.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/share/metainfo/org.example.pelmar.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelmar)

  # Manual pages and the changelog, compressed as Debian keeps them (gzip -n: no name or time
  # of the file in the archive).
  set(PELMAR_GZIPPED)
  set(PELMAR_PAGES pelmar-cli)
  if(TARGET pelmar)
    list(APPEND PELMAR_PAGES pelmar)
  endif()
  foreach(page ${PELMAR_PAGES})
    configure_file(${PROJECT_SOURCE_DIR}/resources/${page}.1.in ${CMAKE_BINARY_DIR}/share/man-source/${page}.1 @ONLY)
    list(APPEND PELMAR_GZIPPED share/man-source/${page}.1=share/man/${page}.1)
    install(FILES ${CMAKE_BINARY_DIR}/share/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  configure_file(${PELMAR_CHANGELOG} ${CMAKE_BINARY_DIR}/share/doc-source/changelog COPYONLY)
  list(APPEND PELMAR_GZIPPED share/doc-source/changelog=share/doc/changelog)
  install(FILES ${CMAKE_BINARY_DIR}/share/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelmar)

  set(PELMAR_GZIP_OUTPUTS)
  foreach(pair ${PELMAR_GZIPPED})
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    get_filename_component(folder ${CMAKE_BINARY_DIR}/${target} DIRECTORY)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/${target}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/${source} ${CMAKE_BINARY_DIR}/${target}
      COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/${target}
      DEPENDS ${CMAKE_BINARY_DIR}/${source}
      VERBATIM)
    list(APPEND PELMAR_GZIP_OUTPUTS ${CMAKE_BINARY_DIR}/${target}.gz)
  endforeach()
  add_custom_target(pelmar-docs ALL DEPENDS ${PELMAR_GZIP_OUTPUTS})

  # Every option that pelmar-cli's help names is in its manual page, and the other way round.
  if(PELMAR_BUILD_TESTS)
    add_test(NAME manual_page_options
             COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/man-check.sh $<TARGET_FILE:pelmar-cli>
                     ${CMAKE_BINARY_DIR}/share/man-source/pelmar-cli.1)
  endif()

  include(CPack)
endif()
