# Cross build for 64-bit ARM (Raspberry Pi 4 and 5, other aarch64 boards) with Debian's
# aarch64-linux-gnu compilers (crossbuild-essential-arm64) against an arm64 root of Debian 12's
# libraries made by scripts/arm64-sysroot (build-arm64/sysroot unless QUELTA_ARM64_SYSROOT names
# another). Tests run there under qemu's user-mode emulation.
#   scripts/arm64-sysroot
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

if(NOT QUELTA_ARM64_SYSROOT)
  if(DEFINED ENV{QUELTA_ARM64_SYSROOT})
    set(QUELTA_ARM64_SYSROOT $ENV{QUELTA_ARM64_SYSROOT})
  else()
    get_filename_component(QUELTA_ARM64_SYSROOT ${CMAKE_CURRENT_LIST_DIR}/../build-arm64/sysroot
      ABSOLUTE)
  endif()
endif()
if(NOT EXISTS ${QUELTA_ARM64_SYSROOT}/usr/lib/aarch64-linux-gnu)
  message(FATAL_ERROR
    "no arm64 root in ${QUELTA_ARM64_SYSROOT}: make it with scripts/arm64-sysroot")
endif()
# The compiler's own C and C++ libraries stay those of crossbuild-essential-arm64; everything
# else comes from the root.
set(CMAKE_SYSROOT ${QUELTA_ARM64_SYSROOT})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUELTA_ARM64_SYSROOT)

# Libraries, headers and CMake packages of the target only; programs (moc, pkg-config) of this
# machine.
set(CMAKE_FIND_ROOT_PATH ${QUELTA_ARM64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${QUELTA_ARM64_SYSROOT})
set(quelta_pkgconfig_dirs ${QUELTA_ARM64_SYSROOT}/usr/lib/aarch64-linux-gnu/pkgconfig
  ${QUELTA_ARM64_SYSROOT}/usr/share/pkgconfig)
string(REPLACE ";" ":" quelta_pkgconfig_dirs "${quelta_pkgconfig_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} ${quelta_pkgconfig_dirs})

# Qt's tools (moc, rcc) are this machine's: Debian's qt6-base-dev-tools.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# ctest runs every test program under qemu, which looks up the program's loader, libraries and
# any other absolute path in the root first. (The cross compiler's own libraries in
# /usr/aarch64-linux-gnu hang under qemu 7.2 as soon as a program starts a thread.)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${QUELTA_ARM64_SYSROOT})
