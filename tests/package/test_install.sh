#!/bin/sh
# cmake --install into a prefix with a space in it: every file in its place, and the installed program runs.
#   test_install.sh <build folder>
set -eu
. "$(dirname "$0")/installed-tree.sh"
build=$1
prefix="$(pwd)/a prefix/with spaces"
cmake --install "$build" --prefix "$prefix" >install.log || { cat install.log; fail "install failed"; }
check_installed_tree "$prefix"
version=$("$prefix/bin/vantoria" --version) || fail "the installed program does not start"
[ "$version" = "Vantoria 4.0.3.38" ] || fail "unexpected version: $version"
"$prefix/bin/vantoria-ampsim" --help | grep -q -- --com || fail "the installed simulator does not start"
echo "PASS: installed into '$prefix'"
