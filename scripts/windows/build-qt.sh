#!/bin/bash
# Builds Qt 6.4.2 for 64-bit Windows (MinGW-w64, cross-compiled on Debian 12) from Debian's own source
# packages, with SQLite and QCustomPlot beside it, and installs all of it into one cached prefix:
#
#   ${VANTORIA_WINDOWS_CACHE:-$HOME/.cache/vantoria-windows}/qt-6.4.2-<key>
#
# <key> is a short hash of everything that changes the result (the configure options, the source package
# versions, the toolchain file, BUILD_FORMAT below), so a changed line gets a prefix of its own and an old
# one is never half overwritten. The prefix holds Qt (bin/*.dll, plugins/, lib/cmake/Qt6*), sqlite3.dll
# with its headers, QCustomPlot (libQCustomPlotQt6.dll, include/qcustomplot.h, lib/cmake/QCustomPlotQt6)
# and the MinGW runtime DLLs in bin/, so that bin/ alone on a program's PATH is enough to run it.
#
# The last line printed is the prefix. Build a program against it with
#   cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE=scripts/windows/toolchain-mingw.cmake -DVANTORIA_QT_PREFIX=<prefix>
# find_package(Qt6 ...), find_package(QCustomPlotQt6) and find_package(SQLite3) then work as on Linux;
# QCustomPlotQt6::QCustomPlotQt6 brings the QCUSTOMPLOT_USE_LIBRARY define its header needs to import the DLL.
#
# Running such a program under Wine: WINEPATH='Z:\<prefix with backslashes>\bin'. Wine drops every QT_*
# variable of the Linux environment, so set them inside: wine-stable cmd /c "set QT_QPA_PLATFORM=offscreen&&
# prog.exe" (or pass -platform offscreen). The offscreen platform reads fonts only from QT_QPA_FONTDIR,
# e.g. Z:\usr\share\fonts\truetype\liberation; the windows platform also runs headless there.
#
# Safe to run again: a finished prefix (its stamp file exists) is reported at once; an interrupted run
# resumes where it stopped (ninja keeps its work in the build folder). Installs the Debian packages it
# needs and adds deb-src entries to apt's sources when they are missing (as root, or through sudo).
# Takes one to a few hours on two cores; run it with `nice -n 19 ionice -c3` on a shared machine.
#
# With --if-built it builds nothing: it prints the prefix when that is finished and exits with 3 when not.
#
# Environment:
#   VANTORIA_WINDOWS_CACHE       where sources, build folders and prefixes live (default ~/.cache/vantoria-windows)
#   VANTORIA_WINDOWS_JOBS        parallel compile jobs (default: the number of cores)
#   VANTORIA_WINDOWS_KEEP_BUILD  1 keeps the build folder (several GB) after a finished build
#   VANTORIA_WINDOWS_WITH_PSQL   1 would add Qt's PostgreSQL driver; not built yet, see build_libpq below
set -euo pipefail

# Raise it whenever the way the prefix is built changes without any option below changing.
BUILD_FORMAT=1
QT_VERSION=6.4.2
here="$(cd "$(dirname "$0")" && pwd)"
toolchain_source="$here/toolchain-mingw.cmake"
cache="${VANTORIA_WINDOWS_CACHE:-$HOME/.cache/vantoria-windows}"
jobs="${VANTORIA_WINDOWS_JOBS:-$(nproc)}"
with_psql="${VANTORIA_WINDOWS_WITH_PSQL:-0}"
triple=x86_64-w64-mingw32

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
say() { printf '== %s\n' "$*" >&2; }
die() { printf 'build-qt.sh: %s\n' "$*" >&2; exit 1; }

# Compile-time options of sqlite3.dll: those of Debian's libsqlite3 (debian/rules), so that the program
# sees the same SQLite on both systems, plus FTS5 and the math functions, which Qt's own bundled copy has.
sqlite_defines=(
    -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS
    -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_RTREE=1 -DSQLITE_SOUNDEX=1 -DSQLITE_ENABLE_UNLOCK_NOTIFY
    -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ALLOW_ROWID_IN_VIEW
    -DSQLITE_ENABLE_UPDATE_DELETE_LIMIT=1 -DSQLITE_ENABLE_LOAD_EXTENSION -DSQLITE_ENABLE_JSON1
    -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS3_TOKENIZER=1 -DSQLITE_USE_URI=1
    -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_PREUPDATE_HOOK -DSQLITE_ENABLE_SESSION -DSQLITE_ENABLE_STMTVTAB
    -DSQLITE_MAX_VARIABLE_NUMBER=250000 -DSQLITE_ENABLE_MATH_FUNCTIONS
)

# Qt's configure options, apart from the prefix and the paths of sqlite3 (both follow from the key).
qt_options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    # Modules and plugins the program does not use: each one left out is build time saved.
    -DFEATURE_opengl=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_androiddeployqt=OFF
    # Network: TLS through Windows' own Schannel, so no OpenSSL DLLs to ship.
    -DFEATURE_openssl=OFF
    -DFEATURE_brotli=OFF
    -DFEATURE_libproxy=OFF
    -DFEATURE_gssapi=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_glib=OFF
    # Qt's bundled copies; the MinGW root has none of these libraries and the result must not depend on
    # what happens to be installed there.
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_freetype=OFF
    # The offscreen platform plugin (headless tests, screenshots) is built only with FreeType.
    -DFEATURE_freetype=ON
    # SQL: the SQLite driver against the sqlite3.dll built here. Not Qt's bundled copy: the program calls
    # SQLite itself on the driver's connection handle (its own SQL functions), which is only sound when the
    # driver and the program share one SQLite library, as they do on Linux.
    -DFEATURE_sql_sqlite=ON
    -DFEATURE_system_sqlite=ON
    -DFEATURE_sql_odbc=OFF
    -DFEATURE_sql_mysql=OFF
    -DFEATURE_sql_ibase=OFF
    -DFEATURE_sql_oci=OFF
    -DFEATURE_sql_db2=OFF
)
if [ "$with_psql" = 1 ]; then
    qt_options+=(-DFEATURE_sql_psql=ON)
else
    qt_options+=(-DFEATURE_sql_psql=OFF)
fi

# ---- the key and the places -------------------------------------------------------------------------
# The source package versions are part of the key: a Debian security update of qtbase gives a new prefix.
# They are read from apt's lists once deb-src is there; before, the key cannot be known, so that check
# comes first when the lists allow it.
source_version() { # package -> version apt-get source would fetch, or nothing
    apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

ensure_packages() {
    local wanted=(g++-mingw-w64-x86-64-posix mingw-w64-tools qt6-base-dev qt6-base-dev-tools cmake ninja-build
                  tcl gcc make dpkg-dev xz-utils libwine-dev)
    local missing=() p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        say "Installing ${missing[*]}"
        $sudo apt-get -o DPkg::Lock::Timeout=600 update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends \
            "${missing[@]}"
    fi
}

ensure_deb_src() {
    [ -n "$(source_version qt6-base)" ] && return 0
    local sources=/etc/apt/sources.list.d/debian.sources
    local added=/etc/apt/sources.list.d/vantoria-deb-src.sources
    if ! grep -qs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
        [ -f "$sources" ] || die "no deb-src entry in apt's sources and no $sources to copy one from"
        say "Adding deb-src entries to $added"
        # The same archives, suites and keys as the binary entries, for source packages.
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:([^\n]*[ \t])?deb([ \t\n]|$)/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
            "$sources" | $sudo tee "$added" >/dev/null
    fi
    $sudo apt-get -o DPkg::Lock::Timeout=600 update
    [ -n "$(source_version qt6-base)" ] || die "apt still knows no source package qt6-base"
}

ensure_packages
ensure_deb_src

qt_deb_version="$(source_version qt6-base)"
case "$qt_deb_version" in
    "$QT_VERSION"+*|"$QT_VERSION"-*) ;;
    *) die "Debian's qt6-base source is $qt_deb_version, this script builds $QT_VERSION" ;;
esac
qcp_deb_version="$(source_version qcustomplot)"
sqlite_deb_version="$(source_version sqlite3)"

key="$( {
    echo "format $BUILD_FORMAT"
    echo "qt6-base $qt_deb_version qcustomplot $qcp_deb_version sqlite3 $sqlite_deb_version"
    printf '%s\n' "${qt_options[@]}" "${sqlite_defines[@]}"
    cat "$toolchain_source"
} | sha256sum | cut -c1-10)"
prefix="$cache/qt-$QT_VERSION-$key"
work="$cache/build-$QT_VERSION-$key"
stamp="$prefix/vantoria-build.stamp"

if [ -f "$stamp" ]; then
    say "Already built: $prefix"
    echo "$prefix"
    exit 0
fi
if [ "${1:-}" = --if-built ]; then
    say "Qt $QT_VERSION for Windows is not built yet (it would go to $prefix)"
    exit 3
fi

mkdir -p "$cache/sources" "$work" "$prefix"
# Two runs at once would build into the same folders.
exec 9>"$work/.lock"
flock -n 9 || die "another build-qt.sh is building into $work"

started=$(date +%s)
# Time spent by earlier, interrupted runs on this same build, so the stamp tells the whole cost.
earlier=$(cat "$work/elapsed" 2>/dev/null || echo 0)
record_elapsed() { echo $((earlier + $(date +%s) - started)) >"$work/elapsed"; }
trap record_elapsed EXIT

# The toolchain file goes into the prefix: Qt's installed qt.toolchain.cmake refers to the file Qt was
# configured with, and that must outlive this checkout.
toolchain="$prefix/lib/cmake/vantoria-toolchain-mingw.cmake"
mkdir -p "$(dirname "$toolchain")"
cp "$toolchain_source" "$toolchain"

# ---- sources ----------------------------------------------------------------------------------------
fetch_source() { # package version -> path of the unpacked tree in $work/src (Debian's patches applied)
    local package=$1 version=$2
    local dsc="$cache/sources/${package}_${version#*:}.dsc"
    if [ ! -f "$dsc" ]; then
        say "Downloading the source of $package $version"
        (cd "$cache/sources" && apt-get source --download-only "$package=$version" >/dev/null)
    fi
    local tree="$work/src/$package"
    if [ ! -f "$tree/.unpacked" ]; then
        rm -rf "$tree"
        mkdir -p "$work/src"
        dpkg-source --no-check -x "$dsc" "$tree" >/dev/null
        touch "$tree/.unpacked"
    fi
    echo "$tree"
}

qt_src="$(fetch_source qt6-base "$qt_deb_version")"
# Qt 6.4 compiles its DirectWrite font engine and font database only together with Direct2D, which is
# left out here, but two files use them under the DirectWrite switch alone, so PrintSupport and the
# windows platform plugin would not link. Guarded like the rest of Qt Gui, they fall back to the GDI font
# engine, which is what Qt 6.4 uses by default anyway (DirectWrite is opt-in there).
if [ ! -f "$qt_src/.direct2d-guards" ]; then
    sed -i 's/^#if QT_CONFIG(directwrite)$/#if QT_CONFIG(directwrite) \&\& QT_CONFIG(direct2d)/' \
        "$qt_src/src/printsupport/platform/windows/qprintengine_win.cpp"
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
        "$qt_src/src/plugins/platforms/windows/qwindowsintegration.cpp"
    [ "$(grep -c '^#if QT_CONFIG(directwrite3\?) && QT_CONFIG(direct2d)$' \
        "$qt_src/src/printsupport/platform/windows/qprintengine_win.cpp" \
        "$qt_src/src/plugins/platforms/windows/qwindowsintegration.cpp" | awk -F: '{ n += $2 } END { print n }')" = 5 ] \
        || die "the DirectWrite guards of qtbase are not where this script expects them"
    touch "$qt_src/.direct2d-guards"
fi
# Likewise dynamic OpenGL stays switched on when OpenGL is off, and qwindowswindow.cpp then asks the
# OpenGL context, which does not exist, whether it is a software renderer.
if [ ! -f "$qt_src/.opengl-guards" ]; then
    sed -i '/^static inline bool isSoftwareGl()/,/^}/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        "$qt_src/src/plugins/platforms/windows/qwindowswindow.cpp"
    grep -q '^#if QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)$' "$qt_src/src/plugins/platforms/windows/qwindowswindow.cpp" \
        || die "the dynamic OpenGL guard of qwindowswindow.cpp is not where this script expects it"
    touch "$qt_src/.opengl-guards"
fi
# Debian's tarball leaves out Wacom's WinTab header (its licence forbids changes), which the windows
# platform plugin's tablet support includes. Wine's LGPL rewrite of it (libwine-dev) describes the same
# wintab32.dll interface; MinGW's _mingw_dxhelper.h gives the A/W type macros it is written with, and API
# is the calling-convention name the original header defines.
wintab="$qt_src/src/3rdparty/wintab"
if [ ! -f "$wintab/wintab.h" ]; then
    mkdir -p "$wintab"
    cp /usr/include/wine/wine/windows/pktdef.h "$wintab/"
    printf '%s\n' '#include <_mingw_dxhelper.h>' '#ifndef API' '#define API WINAPI' '#endif' \
        '#include "/usr/include/wine/wine/windows/wintab.h"' >"$wintab/wintab.h"
fi
qcp_src="$(fetch_source qcustomplot "$qcp_deb_version")"
sqlite_src="$(fetch_source sqlite3 "$sqlite_deb_version")"

# ---- SQLite -----------------------------------------------------------------------------------------
# Debian's source has SQLite's full tree, not the single-file amalgamation; its own makefile writes one
# (with tclsh). The amalgamation is a host-independent C file, so a host configure is enough for it.
if [ ! -f "$prefix/bin/sqlite3.dll" ]; then
    say "SQLite: amalgamation and sqlite3.dll"
    sqlite_build="$work/build/sqlite"
    mkdir -p "$sqlite_build"
    if [ ! -f "$sqlite_build/sqlite3.c" ]; then
        (cd "$sqlite_build" && "$sqlite_src/configure" --disable-tcl >configure.log 2>&1 \
            && make sqlite3.c >make.log 2>&1) || die "making the SQLite amalgamation failed, see $sqlite_build"
    fi
    mkdir -p "$prefix/bin" "$prefix/lib" "$prefix/include"
    # MinGW's linker exports every non-static function of a DLL that marks none itself; in the
    # amalgamation only the public sqlite3_* API is non-static.
    "$triple-gcc-posix" -O2 -fno-strict-aliasing "${sqlite_defines[@]}" -shared \
        -o "$sqlite_build/sqlite3.dll" "$sqlite_build/sqlite3.c" \
        -Wl,--out-implib,"$sqlite_build/libsqlite3.dll.a"
    cp "$sqlite_build/sqlite3.h" "$sqlite_src/src/sqlite3ext.h" "$prefix/include/"
    cp "$sqlite_build/libsqlite3.dll.a" "$prefix/lib/"
    cp "$sqlite_build/sqlite3.dll" "$prefix/bin/"
fi

# ---- PostgreSQL -------------------------------------------------------------------------------------
# Qt's QPSQL driver needs libpq built for Windows (Debian's postgresql-15 source: only src/interfaces/libpq
# and what it includes). Not done yet; this is where it goes, before Qt is configured, so that
# FEATURE_sql_psql finds it through -DPostgreSQL_ROOT="$prefix".
build_libpq() {
    die "VANTORIA_WINDOWS_WITH_PSQL=1: building libpq for Windows is not implemented yet"
}
if [ "$with_psql" = 1 ]; then build_libpq; fi

# ---- Qt ---------------------------------------------------------------------------------------------
qt_build="$work/build/qtbase"
if [ ! -f "$qt_build/build.ninja" ]; then
    say "Qt: configuring (log: $qt_build/configure.log)"
    mkdir -p "$qt_build"
    cmake -S "$qt_src" -B "$qt_build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DSQLite3_INCLUDE_DIR="$prefix/include" \
        -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.dll.a" \
        "${qt_options[@]}" >"$qt_build/configure.log" 2>&1 \
        || { tail -n 40 "$qt_build/configure.log"; rm -f "$qt_build/build.ninja"; die "configuring Qt failed"; }
    grep -A 200 -m 1 '^-- Configure summary:' "$qt_build/configure.log" | grep -E 'SQLite|Offscreen|Windows|FreeType|Schannel|OpenSSL|ODBC|PostgreSQL' || true
fi
say "Qt: building with $jobs jobs (log: $qt_build/build.log)"
ninja -C "$qt_build" -j "$jobs" >"$qt_build/build.log" 2>&1 \
    || { tail -n 60 "$qt_build/build.log"; die "building Qt failed; run again to resume"; }
say "Qt: installing"
ninja -C "$qt_build" install >"$qt_build/install.log" 2>&1 || { tail -n 40 "$qt_build/install.log"; die "installing Qt failed"; }

# ---- QCustomPlot ------------------------------------------------------------------------------------
if [ ! -f "$prefix/lib/cmake/QCustomPlotQt6/QCustomPlotQt6Config.cmake" ]; then
    say "QCustomPlot: building"
    # Debian's CMakeLists exports the library for Windows (QCUSTOMPLOT_COMPILE_LIBRARY) but does not tell
    # its users to import it; without QCUSTOMPLOT_USE_LIBRARY their references to its data (the
    # staticMetaObjects) would not resolve against the DLL.
    if ! grep -q QCUSTOMPLOT_USE_LIBRARY "$qcp_src/CMakeLists.txt"; then
        printf '\ntarget_compile_definitions(${LIB_NAME} INTERFACE QCUSTOMPLOT_USE_LIBRARY)\n' >>"$qcp_src/CMakeLists.txt"
    fi
    qcp_build="$work/build/qcustomplot"
    cmake -S "$qcp_src" -B "$qcp_build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DVANTORIA_QT_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DUSE_QT_VERSION=6 -DBUILD_SHARED_LIBS=ON >"$work/build/qcustomplot.log" 2>&1 \
        && ninja -C "$qcp_build" -j "$jobs" >>"$work/build/qcustomplot.log" 2>&1 \
        && ninja -C "$qcp_build" install >>"$work/build/qcustomplot.log" 2>&1 \
        || { tail -n 40 "$work/build/qcustomplot.log"; die "building QCustomPlot failed"; }
fi

# ---- MinGW runtime ----------------------------------------------------------------------------------
# Every DLL built here needs these three at run time (libgcc_s and libstdc++ from GCC, winpthread for the
# POSIX thread model); beside Qt's DLLs Windows finds them without further PATH entries.
for dll in libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll; do
    path="$("$triple-g++-posix" -print-file-name="$dll")"
    [ -f "$path" ] || die "the MinGW runtime DLL $dll is missing"
    cp "$path" "$prefix/bin/"
done

# ---- done -------------------------------------------------------------------------------------------
trap - EXIT
record_elapsed
total=$(cat "$work/elapsed")
this_run=$(($(date +%s) - started))
hms() { printf '%dh %02dm %02ds' $(($1 / 3600)) $(($1 % 3600 / 60)) $(($1 % 60)); }
{
    echo "Qt $QT_VERSION for Windows (MinGW-w64), built by scripts/windows/build-qt.sh, format $BUILD_FORMAT"
    echo "finished: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
    echo "build time (wall clock, all runs): $(hms "$total") ($total s); last run: $(hms "$this_run")"
    echo "jobs: $jobs; machine: $(nproc) cores"
    echo "sources: qt6-base $qt_deb_version, qcustomplot $qcp_deb_version, sqlite3 $sqlite_deb_version"
    echo "toolchain file: $toolchain"
    echo "qt options:"
    printf '  %s\n' "${qt_options[@]}"
    echo "sqlite options:"
    printf '  %s\n' "${sqlite_defines[@]}"
} >"$stamp"
if [ "${VANTORIA_WINDOWS_KEEP_BUILD:-0}" != 1 ]; then
    rm -rf "$work"
fi
say "Build time (wall clock): $(hms "$total")"
say "Qt $QT_VERSION for Windows is in:"
echo "$prefix"
