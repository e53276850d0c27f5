# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix).
#
# Use:  cmake -S . -B build-win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=scripts/windows/toolchain-mingw.cmake \
#         -DVANTORIA_QT_PREFIX=$HOME/.cache/vantoria-windows/qt-6.4.2-<hash>
# scripts/windows/build-qt.sh builds that Qt (with QCustomPlot and SQLite beside it) and prints the prefix.
# The prefix may also come from the environment variable of the same name.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vantoria_triple x86_64-w64-mingw32)
# The -posix variants: Qt 6 needs std::thread and std::mutex, which the -win32 thread model lacks.
set(CMAKE_C_COMPILER ${_vantoria_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vantoria_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_vantoria_triple}-windres)

if(NOT VANTORIA_QT_PREFIX AND DEFINED ENV{VANTORIA_QT_PREFIX})
  set(VANTORIA_QT_PREFIX "$ENV{VANTORIA_QT_PREFIX}")
endif()
set(VANTORIA_QT_PREFIX "${VANTORIA_QT_PREFIX}" CACHE PATH "Qt for Windows built by scripts/windows/build-qt.sh")
# try_compile() projects read this file anew; without this they would not see the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTORIA_QT_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_vantoria_triple})
if(VANTORIA_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${VANTORIA_QT_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${VANTORIA_QT_PREFIX}")
endif()
# Programs run during the build (moc, rcc, uic, cmake's helpers) are the host's; everything linked into
# the program must be Windows code, so libraries, headers and packages come from the roots above only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's tools (moc, rcc, uic) are Debian's qt6-base-dev-tools of the same version.
if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt whose tools a cross build runs")
endif()
if(NOT QT_HOST_PATH_CMAKE_DIR)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "CMake packages of the host Qt")
endif()
