# Cross build for 64-bit ARM (Raspberry Pi 4 and 5, other aarch64 boards) with Debian's
# aarch64-linux-gnu compilers (crossbuild-essential-arm64) and the :arm64 libraries that dpkg's
# multiarch puts in /usr/lib/aarch64-linux-gnu. Tests run under qemu's user-mode emulation.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Libraries and headers of the target only; programs (moc, pkg-config) of this machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# Qt's tools (moc, rcc) are this machine's: Debian's qt6-base-dev-tools.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# ctest runs every test program under qemu, with the loader and libraries of dpkg's :arm64
# packages (/lib/ld-linux-aarch64.so.1 and /usr/lib/aarch64-linux-gnu). The cross compiler's own
# copy in /usr/aarch64-linux-gnu hangs under qemu 7.2 as soon as a program starts a thread.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /)
