# The Debian package (scripts/package): CPack's DEB generator over the
# install rules; dpkg-shlibdeps works out the library dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME printune)
set(CPACK_PACKAGE_VENDOR Vortan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY printune)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vortan <support@vortan.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Help needs a PDF viewer and the desktop's opener; the translations are
# built in, the Chinese text needs a CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${PROJECT_DESCRIPTION}
 Printune configures and services the Vortan KP label printers and HT receipt
 printers over serial, parallel, USB and the network: printer settings,
 firmware updates, network, Wi-Fi and Bluetooth setup, raw data and print
 tests. It brings printune-cli for scripts and printune-sim, a simulated
 printer.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
include(CPack)
