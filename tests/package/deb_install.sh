#!/usr/bin/env bash
# The .deb installs with dpkg into a throw-away root and works there.
#
# The root holds a dpkg database with only the packages the .deb depends
# on, each as this machine has it installed (its status and its file list),
# so dpkg checks the Depends field against real packages and the .deb's
# files against theirs, and nothing of this machine is touched. The
# programs then run from that root with this machine's libraries, which
# those same packages provide: a chroot would need a whole system inside.
# Usage: deb_install.sh DEB VERSION
. "$(dirname "$0")/common.sh"
DEB=$1 VERSION=$2
need "$DEB"
ROOT=$SCRATCH/root
ADMIN=$ROOT/var/lib/dpkg
mkdir -p "$ADMIN/info" "$ADMIN/updates" "$ADMIN/triggers"
: >"$ADMIN/available"
: >"$ADMIN/status"

depends=$(dpkg-deb -f "$DEB" Depends)
[ -n "$depends" ] || fail "the package declares no Depends"
# Every name an alternative offers, without versions or architecture.
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/:any//; s/[[:space:]]//g' | sort -u)
for name in $names; do
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' || continue
  { dpkg-query -s "$name"; echo; } >>"$ADMIN/status"
  dpkg-query -L "$name" >"$ADMIN/info/$(dpkg-query -W -f='${binary:Package}' "$name").list"
done

# dpkg's configuration may leave out documentation on slim systems
# (path-exclude in dpkg.cfg.d); this root takes every file.
dpkg() { command dpkg --root="$ROOT" --force-not-root --log=/dev/null "$@"; }
dpkg --path-include='*' -i "$DEB" >"$SCRATCH/dpkg.out" 2>&1 ||
  fail "dpkg -i: $(cat "$SCRATCH/dpkg.out")"
[ "$(dpkg-query --root="$ROOT" -W -f='${Status} ${Version}' orvi-upgrade)" = "install ok installed $VERSION" ] ||
  fail "after dpkg -i: $(dpkg-query --root="$ROOT" -W -f='${Status} ${Version}' orvi-upgrade)"
echo "ok: dpkg -i installed orvi-upgrade $VERSION, its Depends met by this machine's packages"

# owner_of PATH: the package that owns a library, by any of the names that
# merged /usr gives it.
owner_of() {
  local candidate found
  for candidate in "$1" "$(realpath "$1")" "/usr$1" "${1#/usr}"; do
    found=$(command dpkg -S "$candidate" 2>/dev/null | head -1) && [ -n "$found" ] &&
      { echo "${found%%:*}"; return; }
  done
}
# Each library a program asks for by name is provided by a package the
# .deb depends on: a Depends field that leaves one out would install and
# then fail on another machine.
programs="$ROOT/usr/bin/orvi-flash $ROOT/usr/bin/orvi-printer-sim $ROOT/usr/lib/orvi-upgrade/orvi-upgrade"
for program in $programs; do
  [ -x "$program" ] || fail "${program#"$ROOT"} is not installed"
  missing=$(ldd "$program" | grep 'not found')
  [ -z "$missing" ] || fail "${program#"$ROOT"}: $missing"
  for library in $(objdump -p "$program" | sed -n 's/^ *NEEDED *//p'); do
    path=$(ldd "$program" | sed -n "s|^[[:space:]]*$library => \([^ ]*\) .*|\1|p")
    [ -n "$path" ] || fail "${program#"$ROOT"}: ldd does not resolve $library"
    owner=$(owner_of "$path")
    [ -n "$owner" ] || fail "${program#"$ROOT"}: no package owns $path"
    grep -Fqx -- "$owner" <<<"$names" ||
      fail "${program#"$ROOT"} needs $library from $owner, which Depends does not name: $depends"
  done
done
echo "ok: every library the three programs need comes from a package Depends names"

out=$("$ROOT/usr/bin/orvi-flash" --version) || fail "the installed orvi-flash --version failed: $out"
[ "$out" = "orvi-flash $VERSION" ] || fail "the installed orvi-flash --version printed \"$out\""
echo "ok: installed orvi-flash --version: $out"
out=$("$ROOT/usr/bin/orvi-printer-sim" --help 2>&1) || fail "the installed orvi-printer-sim --help failed: $out"
grep -q '^usage: orvi-printer-sim ' <<<"$out" || fail "the installed orvi-printer-sim --help printed: $out"
echo "ok: installed orvi-printer-sim --help"

# The two installed programs together: one upgrade over TCP on loopback.
fw=$SCRATCH/firmware
mkdir -p "$fw" "$SCRATCH/received"
head -c 5000 /dev/urandom >"$fw/main.bin"
head -c 700 /dev/urandom >"$fw/iosubsys.bin"
printf '1\r\n*main.bin:*x:\r\n*end:\r\n' >"$fw/l11config.bld"
"$ROOT/usr/bin/orvi-printer-sim" --tcp 127.0.0.1:0 --once --out "$SCRATCH/received" \
  >"$SCRATCH/sim.out" 2>&1 &
sim=$!
address=
for _ in $(seq 100); do
  address=$(sed -n 's/^listening tcp //p' "$SCRATCH/sim.out")
  [ -n "$address" ] && break
  kill -0 "$sim" 2>/dev/null || break
  sleep 0.1
done
[ -n "$address" ] || { kill "$sim" 2>/dev/null; fail "the installed orvi-printer-sim did not listen: $(cat "$SCRATCH/sim.out")"; }
"$ROOT/usr/bin/orvi-flash" upgrade "tcp:$address" --package "$fw" --ledger "$SCRATCH/ledger.jsonl" \
  --json >"$SCRATCH/flash.out" 2>&1
status=$?
grep -q '"outcome":"upgraded"' "$SCRATCH/flash.out" && [ "$status" = 0 ] ||
  { kill "$sim" 2>/dev/null; fail "the installed orvi-flash: status $status: $(cat "$SCRATCH/flash.out")"; }
wait "$sim" || fail "the installed orvi-printer-sim ended with status $?"
for f in main.bin iosubsys.bin l11config.bld; do
  cmp -s "$fw/$f" "$SCRATCH/received/$f" || fail "the printer stored another $f than was sent"
done
echo "ok: the installed orvi-flash upgraded the installed orvi-printer-sim over TCP"

dpkg --purge orvi-upgrade >"$SCRATCH/dpkg.out" 2>&1 || fail "dpkg --purge: $(cat "$SCRATCH/dpkg.out")"
left=$(find "$ROOT" -path "$ADMIN" -prune -o \( -type f -o -type l \) -print)
[ -z "$left" ] || fail "dpkg --purge left: $left"
echo "ok: dpkg --purge removed every file"
