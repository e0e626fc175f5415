# The Debian package: `cpack -G DEB` in a build folder makes notavex_<version>_amd64.deb with the
# installed layout under /usr (scripts/package.sh builds it and checks it with lintian).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME notavex)
set(CPACK_PACKAGE_VENDOR "Notavex")
set(CPACK_PACKAGE_CONTACT "Notavex developers <contato@notavex.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sticky notes with alarms in the notification area")
set(CPACK_PACKAGE_DESCRIPTION
    "Notavex keeps any number of small note windows on the desktop: rich\n"
    "text, a title, two colours, a place on the screen, always on top if\n"
    "wanted, and an alarm that makes a note pop up, blink and ring until it\n"
    "is clicked. It lives in the notification area. Its user interface is\n"
    "in Brazilian Portuguese.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://notavex.example.org")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries from the binary itself; what it only reaches at run time is named here: Tahoma and
# the stand-ins for Arial and Times New Roman, the print client, Qt's own texts in Portuguese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-wine, fonts-liberation, fontconfig, cups-client, qt6-translations-l10n")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianStage.cmake)
set(CPACK_NOTAVEX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
include(CPack)
