#!/usr/bin/env bash
# lintian finds neither an error nor a warning in the .deb. None is kept
# on purpose; one that were would be overridden in the package and named
# in the README's list.
# Usage: deb_lintian.sh DEB
. "$(dirname "$0")/common.sh"
DEB=$1
need "$DEB"
# As root, lintian also says that it is; that is no finding.
lintian --fail-on error,warning --display-level '>=warning' "$DEB" >"$SCRATCH/lintian.out" 2>&1
status=$?
grep -v '^running with root privileges is not recommended!$' "$SCRATCH/lintian.out"
[ "$status" = 0 ] || fail "lintian ended with status $status"
! grep -q '^[EW]: ' "$SCRATCH/lintian.out" || fail "lintian found the above"
echo "ok: lintian: no error, no warning"
