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
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Two packages from one build: quelta, every install component but the Python module's, and
# python3-quelta, that module (only where it is built and installed: not in the arm64 build).
# Each package's fields are its own (CPACK_DEBIAN_QUELTA_..., CPACK_DEBIAN_PYTHON_...): what a
# component leaves unset, CPack takes from the package-wide CPACK_DEBIAN_PACKAGE_... variables.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(quelta_python_package OFF)
if(TARGET quelta_python AND QUELTA_INSTALL_PYTHON)
  set(quelta_python_package ON)
endif()

# The first line of each description is the package's summary; CPack indents the rest as the
# control file wants.
set(CPACK_DEBIAN_QUELTA_PACKAGE_NAME quelta)
set(CPACK_DEBIAN_QUELTA_PACKAGE_SECTION video)
set(quelta_serve_text "")
if(TARGET quelta-serve)
  set(quelta_serve_text "
A service, quelta-serve, tracks a live source all the time and serves the
drawn picture, the marks and a dashboard for the colours over HTTP; its
systemd unit, quelta-serve.service, is off until enabled.")
endif()
set(CPACK_DEBIAN_QUELTA_DESCRIPTION "live tracker of a coloured mark in a camera picture
Quelta watches a live camera picture for a mark of one chosen colour and
outlines it. A click on the picture teaches it the mark's colour; every limit
can be tuned live and kept in a settings file (.qta). The interface is in
Catalan.

The package holds the tracker window (quelta), a monitor that raises an
alert while the mark is absent or present (alarma-quelta), the same tracking
without a window for image and video files and live sources (quelta-track),
and the tracking library libquelta.so with its C header and pkg-config file.${quelta_serve_text}")

if(quelta_python_package)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-quelta)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # The extension is built for this Python 3 release only (its name says cpython-3XY).
  math(EXPR quelta_python_next "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "quelta (= ${PROJECT_VERSION}), python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), \
python3 (<< ${Python3_VERSION_MAJOR}.${quelta_python_next}), python3-numpy")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "")
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Quelta's colour-mark tracker for Python 3
The Python module quelta tracks the coloured marks of numpy frames (as
OpenCV's cv2 gives them) with Quelta's engine: one colour or a set of several,
every mark with an identity that lasts from frame to frame. It reads and
writes Quelta's settings files (.qta) and the per-user store, and opens the
same live sources and test cameras as Quelta's programs.")
endif()

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
set(CPACK_DEBIAN_QUELTA_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_QUELTA_PACKAGE_RECOMMENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-translations-l10n")

# The shared library lies in the public library folder, so ld.so's cache must learn about it
# (quelta only: a component without a list of its own would take a package-wide one).
set(CPACK_DEBIAN_QUELTA_PACKAGE_CONTROL_EXTRA ${quelta_deb_dir}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)

# Stage with DESTDIR (the DEB generator does so anyway; this keeps it true for any other), so the
# install rules can tell a staged install, which must leave the MIME and launcher caches to the
# triggers of the packages that own them, from a direct one.
set(CPACK_SET_DESTDIR ON)

# Debian's own documentation files, in each package's folder.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quelta_deb_dir}/changelog)
execute_process(COMMAND gzip -9nc ${quelta_deb_dir}/changelog
  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
set(quelta_doc_files ${quelta_deb_dir}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${quelta_doc_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quelta)
if(quelta_python_package)
  install(FILES ${quelta_doc_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-quelta
    COMPONENT python)
endif()

# Every component but the module's belongs to quelta.
get_cmake_property(quelta_components COMPONENTS)
foreach(component ${quelta_components})
  if(NOT component STREQUAL "python")
    string(TOUPPER ${component} component)
    set(CPACK_COMPONENT_${component}_GROUP quelta)
  endif()
endforeach()

# The changelog's newest entry must be the version being packaged.
file(STRINGS ${quelta_deb_dir}/changelog quelta_changelog_top LIMIT_COUNT 1)
if(NOT quelta_changelog_top MATCHES "^quelta \\(${PROJECT_VERSION}\\) ")
  message(WARNING "cmake/deb/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()

include(CPack)
