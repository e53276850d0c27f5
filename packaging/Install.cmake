# What `cmake --install` puts where, and the Debian package made from it by CPack (scripts/package.sh).
# Every destination is relative, so the same rules serve a prefix of the user's choice and the package's /usr.

# Debian names the documentation folder after the package, in lower case.
set(CMAKE_INSTALL_DOCDIR share/doc/vantoria)
include(GNUInstallDirs)

install(TARGETS vantoria vantoria-ampsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vantoria.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/vantoria.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/pictures/src/app-icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME vantoria.svg)
# The about group's link (KELVARA.url) opens manual.html in this folder.
install(FILES ${VANTORIA_DOC_HTML} ${PROJECT_SOURCE_DIR}/docs/manual.md
              ${PROJECT_SOURCE_DIR}/docs/LANGUAGE-FILES.md ${PROJECT_SOURCE_DIR}/docs/records-server.md
              ${PROJECT_SOURCE_DIR}/docs/records-server.sql ${PROJECT_SOURCE_DIR}/docs/records-schema.sql
              ${PROJECT_SOURCE_DIR}/LICENSE
              ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${CMAKE_INSTALL_DOCDIR})

# What Debian wants beside the documentation: compressed manual pages and changelog, made at build time
# from the sources in docs/man and packaging/. gzip -n keeps the name and time out, so a rebuild gives the
# same bytes.
find_program(VANTORIA_GZIP gzip REQUIRED)
set(compressed)
foreach(source docs/man/vantoria.1 docs/man/vantoria-ampsim.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(out ${PROJECT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${out}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${out}
    COMMAND ${VANTORIA_GZIP} -9nf ${out}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    VERBATIM)
  list(APPEND compressed ${out}.gz)
endforeach()
add_custom_target(package-docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/packaging/vantoria.1.gz ${PROJECT_BINARY_DIR}/packaging/vantoria-ampsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME vantoria)

# Software centres list the program from its AppStream file; its screenshots are the manual's pictures as
# published on the home page.
set(VANTORIA_HOMEPAGE "https://vantoria.example" CACHE STRING "Home page; the AppStream screenshots lie below it")
set(VANTORIA_APPSTREAM_ID example.vantoria.Vantoria)
configure_file(${PROJECT_SOURCE_DIR}/packaging/vantoria.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${VANTORIA_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VANTORIA_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(VANTORIA_MAINTAINER "Vantoria developers <support@vantoria.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantoria)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A Debian revision, so that the package's changelog is changelog.Debian.gz (a version without one is a
# native package, whose changelog Debian names changelog.gz). Keep it and packaging/changelog in step.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTORIA_HOMEPAGE})
set(CPACK_PACKAGE_VENDOR "Vantoria developers")
set(CPACK_PACKAGE_CONTACT ${VANTORIA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tie-bar load monitor for presses and injection-moulding machines")
# Lines of the long description stay under 80 characters, as dpkg shows them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Vantoria reads a four-channel strain amplifier on a USB serial port and\n"
  "shows the load on the four tie bars of a press or an injection-moulding\n"
  "machine: every channel at its corner of the machine, the average, the total\n"
  "force in kN and tons, and the deviation between the channels against a\n"
  "tolerance. A big-digit view, a live graph with a CSV data log, screenshots\n"
  "and printing. A simulated amplifier (vantoria-ampsim) is included for\n"
  "service and training.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt, QCustomPlot and the C++ runtime come from dpkg-shlibdeps. What the program loads as data is named
# here: the fonts the window is drawn in (Calibri and Arial, matched by Carlito and Liberation) and Qt's
# own translations, which put the file and print dialogs into the program's language.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-crosextra-carlito, fonts-liberation, qt6-translations-l10n, libqt6sql6-sqlite, libqt6sql6-psql")
# The about link, saved pictures and the manual open in the desktop's programs through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
