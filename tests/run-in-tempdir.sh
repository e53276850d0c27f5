#!/bin/sh
# Runs a test binary in a fresh, empty working directory that is removed afterwards.
dir=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-test.XXXXXX") || exit 1
cd "$dir" || exit 1
# A test that mounts small file systems gets a mount namespace of its own where the user is not root.
if [ -n "$VANTORIA_OWN_MOUNTS" ] && [ "$(id -u)" != 0 ]; then
    set -- unshare --map-root-user --mount "$@"
fi
"$@"
rc=$?
cd / && rm -rf "$dir"
exit $rc
