# `make package`: a Debian package of what cmake/Install.cmake installs, under
# /usr, its dependencies found by dpkg-shlibdeps from the installed programs.
# Needs dpkg-dev and file (scripts/install-deps installs them).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SCRIVANE_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Scrivane Converter maintainers <scrivane@example.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/scrivane/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn an HTML page and its files into one MHTML web archive")
set(CPACK_PACKAGE_DESCRIPTION
    "Scrivane Converter turns a local HTML page and every local file it needs
(images, scripts, stylesheets, backgrounds and images that scripts preload)
into one MHTML web archive (.mht) that a browser opens as the page.
.
It comes as a window, scrivane-converter, and as a command-line program,
scrivane-convert.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds: Qt's window-system plugins, without
# which the window cannot open.
if(SCRIVANE_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
# The window opens pages, archives and links with the desktop's handlers,
# which xdg-mime names.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
