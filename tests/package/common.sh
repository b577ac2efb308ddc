# Shared by the package tests: a scratch folder removed on exit, and fail.
set -uo pipefail
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# need FILE: the packages are made by ./run package (packaging/make-packages.sh).
need() {
  [ -f "$1" ] || fail "$1 is missing: make the packages first (./run package)"
}

# unpack DEB DIR: the package's files, as dpkg-deb unpacks them.
unpack() {
  need "$1"
  dpkg-deb -x "$1" "$2" || fail "dpkg-deb cannot unpack $1"
}
