#!/bin/sh
# Cross-builds Vantoria for 64-bit Windows on Debian 12:
#   build-windows/vantoria.exe                    the program (and, with VANTORIA_WINDOWS_TESTS=1, its tests)
#   build-windows/dist/                           a folder that runs as it is: the program, the Qt and MinGW
#                                                 DLLs and plugins it needs, Qt's translations, the manual as
#                                                 HTML, the licences
#   build-windows/Vantoria-<version>-setup.exe    the installer (NSIS), made from dist/
# Qt for Windows comes from scripts/windows/build-qt.sh: built once per machine (one to two hours), reported
# at once after that. Installs what is missing.
set -eu
cd "$(dirname "$0")/../.."
scripts/setup.sh g++-mingw-w64-x86-64-posix ninja-build nsis
qt=$(scripts/windows/build-qt.sh | tail -n 1)
version=$(sed -n 's/^project(Vantoria VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
triple=x86_64-w64-mingw32

# The manual's pages are made by a program of this machine.
cmake --build build --target manual -j"$(nproc)"

# The compiler cache, where there is one, as scripts/setup.sh chose it for build/.
launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=\(.*\)/-DCMAKE_C_COMPILER_LAUNCHER=\1 -DCMAKE_CXX_COMPILER_LAUNCHER=\1/p' \
    build/CMakeCache.txt)
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
tests=OFF
[ "${VANTORIA_WINDOWS_TESTS:-0}" = 1 ] && tests=ON
cmake --no-warn-unused-cli -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=scripts/windows/toolchain-mingw.cmake \
    -DVANTORIA_QT_PREFIX="$qt" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=$tests \
    -DVANTORIA_BENCHMARKS=OFF -DVANTORIA_HOST_AMPSIM="$PWD/build/tools/ampsim/vantoria-ampsim" $launcher >/dev/null
cmake --build build-windows -j"$(nproc)"

dist=build-windows/dist
rm -rf "$dist"
mkdir -p "$dist/plugins" "$dist/translations" "$dist/doc" "$dist/licences"
"$triple-strip" -o "$dist/vantoria.exe" build-windows/vantoria.exe
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network Qt6Sql Qt6PrintSupport libQCustomPlotQt6 sqlite3 \
    libgcc_s_seh-1 libstdc++-6 libwinpthread-1; do
    cp "$qt/bin/$dll.dll" "$dist/"
done
# windows: the desktop; offscreen: windows without a screen (tests, protocols from a service); the styles;
# SQLite for the records; ico and jpeg for pictures a user may pick.
for plugin in platforms/qwindows platforms/qoffscreen styles/qwindowsvistastyle sqldrivers/qsqlite \
    imageformats/qico imageformats/qjpeg; do
    mkdir -p "$dist/plugins/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin.dll" "$dist/plugins/$plugin.dll"
done
printf '[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n' >"$dist/qt.conf"
# Qt's own texts (file dialogs, buttons) in the program's languages; .qm files are the same on every system.
cp /usr/share/qt6/translations/qtbase_de.qm /usr/share/qt6/translations/qtbase_it.qm \
    /usr/share/qt6/translations/qtbase_en.qm "$dist/translations/"
cp build/docs/*.html "$dist/doc/"
cp -r docs/images "$dist/doc/"
cp docs/records-server.sql docs/records-schema.sql "$dist/doc/"
cp LICENSE "$dist/licences/Vantoria-LICENSE.txt"
cp packaging/copyright "$dist/licences/Vantoria-copyright.txt"
for pair in libqt6core6:Qt libqcustomplot2.1-qt6:QCustomPlot libsqlite3-0:SQLite \
    gcc-mingw-w64-base:MinGW-GCC-runtime mingw-w64-common:MinGW-w64; do
    package=${pair%%:*} name=${pair#*:}
    cp "/usr/share/doc/$package/copyright" "$dist/licences/$name-copyright.txt"
done

setup="build-windows/Vantoria-$version-setup.exe"
makensis -V2 -DVERSION="$version" -DDIST="$PWD/$dist" -DOUTFILE="$PWD/$setup" packaging/windows/vantoria.nsi
echo "Windows program: $dist/vantoria.exe"
echo "Windows installer: $setup ($(du -h "$setup" | cut -f1))"
