#!/bin/sh
# The Debian package, as scripts/package.sh makes it: its name, version, fields, dependencies and files.
#   test_package.sh <build folder>
set -eu
. "$(dirname "$0")/installed-tree.sh"
build=$1
cpack --config "$build/CPackConfig.cmake" -B "$(pwd)/out" >cpack.log 2>&1 || { cat cpack.log; fail "cpack failed"; }
deb=out/vantoria_4.0.3-1_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb: $(ls out)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantoria ] || fail "package name $(field Package)"
[ "$(field Version)" = 4.0.3-1 ] || fail "version $(field Version)"
[ "$(field Section)" = science ] || fail "section $(field Section)"
echo "$(field Maintainer)" | grep -qE '^[^<]+ <[^>]+@[^>]+>$' || fail "maintainer $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
# Computed from what the program links, plus the fonts its window is drawn in and Qt's dialog translations.
for dependency in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqcustomplot2.1-qt6 libstdc++6 \
    fonts-crosextra-carlito fonts-liberation qt6-translations-l10n; do
    echo "$depends" | grep -q "$dependency" || fail "no dependency on $dependency: $depends"
done
# Qt 5's QCustomPlot would load a second Qt into the program.
if echo "$depends" | grep -qE 'libqt5|libqcustomplot2\.1( |,|$)'; then fail "Qt 5 among the dependencies: $depends"; fi

dpkg-deb -x "$deb" tree
check_installed_tree tree/usr

# As a Debian maintainer and a software centre would judge it. Info tags (hints, not faults) are let through.
command -v lintian >/dev/null && command -v appstreamcli >/dev/null ||
    fail "lintian or appstreamcli missing (scripts/setup.sh lintian appstream installs them)"
lintian --fail-on error,warning "$deb" >lintian.log 2>&1 || { cat lintian.log; fail "lintian: $deb"; }
# Without the network: the screenshots are only published with a release.
appstreamcli validate --no-net tree/usr/share/metainfo/*.metainfo.xml >appstream.log 2>&1 ||
    { cat appstream.log; fail "appstreamcli rejects the metainfo file"; }
# The changelog's newest entry is this version; a version raised without an entry is no release.
gzip -dc tree/usr/share/doc/vantoria/changelog.Debian.gz | head -1 | grep -qF "vantoria ($(field Version))" ||
    fail "the changelog does not start with version $(field Version)"
echo "PASS: $deb"
