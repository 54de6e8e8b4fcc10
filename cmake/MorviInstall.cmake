# What `cmake --install` puts where, and the Debian package CPack builds from
# it. Only the program and its desktop files are installed; the test tools
# and fake libraries stay in the build tree.
include(GNUInstallDirs)

set(MORVI_APP_ID example.funktechnik.Morvi)
set(MORVI_RELEASE_DATE 2026-12-09)
# udev reads rules below /usr/lib and /usr/local/lib alike.
set(MORVI_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rule for the USB adapter is installed, relative to the prefix")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
configure_file(${packaging}/${MORVI_APP_ID}.metainfo.xml ${PROJECT_BINARY_DIR}/${MORVI_APP_ID}.metainfo.xml @ONLY)
foreach(page morvi morvi-cli)
  configure_file(${packaging}/${page}.1 ${PROJECT_BINARY_DIR}/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${page}.1.gz
                     COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/${page}.1 > ${PROJECT_BINARY_DIR}/${page}.1.gz
                     DEPENDS ${PROJECT_BINARY_DIR}/${page}.1 VERBATIM)
  add_custom_target(${page}_manpage ALL DEPENDS ${PROJECT_BINARY_DIR}/${page}.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(TARGETS morvi morvi-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/${MORVI_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/${MORVI_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/${MORVI_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/70-morvi-usb-adapter.rules DESTINATION ${MORVI_UDEV_RULES_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvi)
set(CPACK_PACKAGE_VENDOR "Beispiel-Funktechnik GmbH")
set(CPACK_PACKAGE_CONTACT "Beispiel-Funktechnik GmbH <info@funktechnik.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Handsender auslesen, konfigurieren und programmieren")
set(CPACK_PACKAGE_DESCRIPTION "Morvi bearbeitet die Konfiguration von Handsendern mit bis zu 16 Tasten,
liest sie aus dem Sender und programmiert sie mit Prüfung jedes Bytes über
ein serielles Kabel oder den USB-Programmieradapter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The dependencies come from the libraries the program links; the Qt platform
# plugin is loaded, not linked, and the program cannot show a window without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# libftdi1 drives the USB adapter when the vendor's library is not installed;
# Qt's German texts and the fonts the windows were laid out with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libftdi1-2, qt6-translations-l10n, fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
