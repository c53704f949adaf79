# `cpack` in a build folder packs what `cmake --install` puts in place: on
# Linux a Debian package of both programs, the menu entry and the icon; in the
# Windows build a zip of both programs with what the editor loads.
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "Tessaly 开发组")
set(CPACK_PACKAGE_CONTACT "Tessaly 开发组 <dev@tessaly.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tessaly.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Map table editor for Meteor.res")
set(CPACK_PACKAGE_DESCRIPTION
  "Tessaly edits the table of maps inside the resource file Meteor.res:\n\
names, model and music numbers, story order, list flag and game modes.\n\
It saves with a time-stamped backup. tessaly-cli does the same from the shell.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tessaly)
# All four parts of the project version (CPack keeps three by default).
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # `cpack` in the mingw build: a zip that a Windows user unpacks and runs,
  # tessaly.exe with its Qt DLLs, plugins and Qt's Chinese texts, and
  # tessaly-cli.exe (linked statically, so it runs alone), with the README.
  set(CPACK_GENERATOR ZIP)
  if(TESSALY_BUILD_UI)
    set(CPACK_PACKAGE_FILE_NAME tessaly-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME tessaly-cli-${PROJECT_VERSION}-win64)
  endif()
  include(CPack)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# dpkg-shlibdeps fills Depends from the libraries the programs link (Qt, ICU);
# the fonts are what makes the Chinese text readable.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugin and its translations (the Chinese texts of
# its own buttons and dialogs) at run time, out of dpkg-shlibdeps' sight.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")

include(CPack)
