# The Debian package: `cpack -G DEB` in a build folder (the default preset) packs what
# `cmake --install` puts under /usr: the three programs, the resource folder share/dedevev/,
# the menu entry and the icon. Its Depends are the packages of the shared libraries the
# programs link (dpkg-shlibdeps) plus the Qt platform plugins, without which no window opens.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dedevev)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "DEDEVev")
set(DEDEVEV_PACKAGE_MAINTAINER "DEDEVev developers <dedevev@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${DEDEVEV_PACKAGE_MAINTAINER}")
# The summary is the Description's first line; the text below follows it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "connection manager for USB data-card modems")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "DEDEVev shows the state of a CDMA/EV-DO, GSM, WCDMA or LTE USB modem: card,\n"
    "operator, radio system and signal. Its command-line tool dedevev-at lists,\n"
    "reads and sends the card's text messages, keeps the card's contacts, enters\n"
    "and changes PIN and PUK, sends USSD codes, searches networks and controls\n"
    "calls. A simulated card (dedevev --simulate, dedevev-cardsim) lets you try\n"
    "both without a modem.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian ships stripped programs; the debug information stays in the build.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# A modem that first shows up as a CD drive needs switching before it is a modem.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "usb-modeswitch")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

include(CPack)
