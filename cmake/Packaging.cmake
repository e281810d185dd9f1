# The Debian package, built by `cpack -G DEB` (scripts/package) in a tree configured with
# CMAKE_INSTALL_PREFIX=/usr, so that GNUInstallDirs picks Debian's multiarch library folder and
# the programs' relative paths to their library and data match the installed layout.
set(quelta_deb_dir ${CMAKE_CURRENT_LIST_DIR}/deb)

set(QUELTA_PACKAGE_MAINTAINER
  "Quelta maintainers <maintainers@users.noreply.c-seed-f30759ce.example>"
  CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelta)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quelta developers")
set(CPACK_PACKAGE_CONTACT ${QUELTA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live tracker of a coloured mark in a camera picture")
# CPack puts the summary on the first line and indents the rest as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Quelta watches a live camera picture for a mark of one chosen colour and
outlines it. A click on the picture teaches it the mark's colour; every limit
can be tuned live and kept in a settings file (.qta). The interface is in
Catalan.

The package holds the tracker window (quelta), a monitor that raises an
alert while the mark is absent or present (alarma-quelta), the same tracking
without a window for image and video files and live sources (quelta-track),
and the tracking library libquelta.so with its C header and pkg-config file.]])

# A cross build is packaged for its target's Debian architecture (arm64 for aarch64-linux-gnu).
# dpkg-shlibdeps then finds the libraries in the root the build compiled against, and their
# packages from the shlibs and symbols files scripts/arm64-sysroot gathered there; scripts/package
# runs cpack with DEB_HOST_ARCH set, so that it reads the binaries with the target's objdump.
if(CMAKE_CROSSCOMPILING)
  execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE} ${CMAKE_SYSROOT}/usr/lib)
endif()

# Runtime libraries come from dpkg-shlibdeps. What the programs load by name is added here:
# Qt's windowing plugins, and the GStreamer elements that live and "gst:" sources are built of.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-translations-l10n")

# The shared library lies in the public library folder, so ld.so's cache must learn about it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${quelta_deb_dir}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

# Stage with DESTDIR (the DEB generator does so anyway; this keeps it true for any other), so the
# install rules can tell a staged install, which must leave the MIME and launcher caches to the
# triggers of the packages that own them, from a direct one.
set(CPACK_SET_DESTDIR ON)

# Debian's own documentation files.
set(quelta_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
install(FILES ${quelta_deb_dir}/copyright DESTINATION ${quelta_doc_dir})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quelta_deb_dir}/changelog)
execute_process(COMMAND gzip -9nc ${quelta_deb_dir}/changelog
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${quelta_doc_dir})

# The changelog's newest entry must be the version being packaged.
file(STRINGS ${quelta_deb_dir}/changelog quelta_changelog_top LIMIT_COUNT 1)
if(NOT quelta_changelog_top MATCHES "^quelta \\(${PROJECT_VERSION}\\) ")
  message(WARNING "cmake/deb/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()

include(CPack)
