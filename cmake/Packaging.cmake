# What an installed system needs besides the programs and share/divuzovuzov: the desktop entry,
# the icon, the AppStream metainfo, the udev rules, the manual pages and the package's own
# documents; and the Debian package made from it all by CPack (scripts/package.sh).

# The date of the release named by the project version, for the metainfo and the changelog.
set(DIVUZO_RELEASE_DATE 2026-12-09)
set(DIVUZO_APP_ID org.divuzovuzov.DIVUZOvuzov)
set(DIVUZO_PACKAGE_MAINTAINER "DIVUZOvuzov Project <maintainers@divuzovuzov.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(DIVUZO_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Folder of the udev rules, relative to the install prefix")

set(resources ${PROJECT_SOURCE_DIR}/resources)
install(FILES ${resources}/udev/60-divuzovuzov.rules DESTINATION ${DIVUZO_UDEV_RULES_DIR})

if(DIVUZO_BUILD_GUI)
  install(FILES ${resources}/desktop/${DIVUZO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${resources}/desktop/${DIVUZO_APP_ID}.metainfo.xml.in
                 ${PROJECT_BINARY_DIR}/${DIVUZO_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${DIVUZO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${resources}/icons/divuzovuzov.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${DIVUZO_APP_ID}.svg)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${resources}/icons/divuzovuzov-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${DIVUZO_APP_ID}.png)
  endforeach()
endif()

# Manual pages from each program's --help. A build for another system cannot run its programs.
find_program(DIVUZO_HELP2MAN help2man)
find_program(DIVUZO_GZIP gzip)
if(DIVUZO_HELP2MAN AND DIVUZO_GZIP AND NOT CMAKE_CROSSCOMPILING)
  set(pages "")
  set(programs divuzo "command line for GPS firmware updates, track files and photos"
               divuzo-vdev "virtual GPS device on a pseudo-terminal, for trying divuzo and divuzovuzov")
  if(TARGET divuzovuzov)
    list(APPEND programs divuzovuzov "firmware updater for GPS units and track loggers")
  endif()
  while(programs)
    list(POP_FRONT programs target description)
    set(page ${PROJECT_BINARY_DIR}/man/${target}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${DIVUZO_HELP2MAN} -DGZIP=${DIVUZO_GZIP}
              -DPROGRAM=$<TARGET_FILE:${target}> -DDESCRIPTION=${description}
              -DVERSION=${PROJECT_VERSION} -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
      DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
      COMMENT "Making the manual page of ${target}"
      VERBATIM)
    list(APPEND pages ${page})
  endwhile()
  add_custom_target(divuzo_man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(DIVUZO_PACKAGE)
  message(FATAL_ERROR "A package needs help2man and gzip for the manual pages (scripts/deps.sh --package)")
else()
  message(STATUS "help2man not found: no manual pages")
endif()

if(NOT DIVUZO_PACKAGE)
  return()
endif()

# The Debian package's own documents: the copyright file and a compressed changelog.
string(REPLACE "-" ";" date_parts "${DIVUZO_RELEASE_DATE}")
list(GET date_parts 0 year)
set(doc ${CMAKE_INSTALL_DATADIR}/doc/divuzovuzov)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright DESTINATION ${doc})
execute_process(COMMAND date -u -R -d "${DIVUZO_RELEASE_DATE} 12:00:00"
                OUTPUT_VARIABLE DIVUZO_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND ${DIVUZO_GZIP} -9nkf ${PROJECT_BINARY_DIR}/debian/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(divuzo_package_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME divuzovuzov)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DIVUZO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for GPS units and track loggers")
# The extended description; CPack indents it and marks the empty line as a paragraph break.
set(CPACK_PACKAGE_DESCRIPTION "DIVUZOvuzov updates the firmware of hand-held GPS units and GPS track loggers
attached through a USB-to-serial bridge: it finds the port, identifies the
device, checks a firmware image and writes it into flash, keeping the
device's Bluetooth address. It also converts logger tracks to KML, GPX, NMEA
and text and geotags JPEG photos.

The package holds the desktop program divuzovuzov, the command-line tool
divuzo, the virtual device divuzo-vdev, the download agents and a sample
image, and udev rules that let the logged-in user open the known bridges.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DIVUZO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Japanese texts and a font that draws the Japanese ones.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
