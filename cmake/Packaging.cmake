# The Debian package (scripts/package.sh): cpack -G DEB on a build configured with
# CMAKE_INSTALL_PREFIX=/usr and CMAKE_INSTALL_SYSCONFDIR=/etc. The shared libraries'
# packages are found by dpkg-shlibdeps; the fonts that the texts ask for are added.
set(CPACK_PACKAGE_NAME ${MC_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "OVK_DOvaru developers")
set(CPACK_PACKAGE_CONTACT "OVK_DOvaru developers <developers@ovkdovaru.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure the buttons, DPI, lighting and macros of the mouse")
# The long description as the control file shows it: lines of at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Sets up the mouse's four on-board profiles: what each button does, six DPI\n"
  "levels with their colours, the lighting, and the pointer and wheel speed. It\n"
  "keeps a library of recorded macros, writes the settings into the mouse over\n"
  "HID and, while it runs, plays macros and key combinations through the mouse.\n"
  "It starts minimised at login and sits in the desktop's tray.")
set(CPACK_SET_DESTDIR ON)  # the autostart entry goes to /etc/xdg, outside the prefix
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
# qt6-wayland: a Wayland desktop runs the program natively instead of through Xwayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-wayland, udev")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fonts-thai-tlwg")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/dist/debian/postinst ${MC_DEBIAN_CONFFILES})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
