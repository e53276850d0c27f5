#!/bin/sh
# Runs a test binary in a fresh, empty working directory that is removed afterwards.
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-test.XXXXXX") || exit 1
cd "$dir" || exit 1
"$@"
rc=$?
cd / && rm -rf "$dir"
exit $rc
