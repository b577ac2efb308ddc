#!/usr/bin/env bash
# The Windows download holds exactly orvi-upgrade.exe, orvi-flash.exe, the
# README, the licence and the third-party notices; the two programs are,
# byte for byte, the ones the Windows tests ran (build/windows/bin), and the
# texts are README.md, LICENSE and the notices with Windows line ends.
# Usage: windows_zip.sh ZIP WINDOWS_BIN README LICENSE NOTICES
. "$(dirname "$0")/common.sh"
ZIP=$1 BIN=$2 README=$3 LICENSE=$4 NOTICES=$5
need "$ZIP"
unzip -tq "$ZIP" >"$SCRATCH/test.out" 2>&1 || fail "unzip -t: $(cat "$SCRATCH/test.out")"
listed=$(unzip -Z1 "$ZIP" | LC_ALL=C sort | tr '\n' ' ')
[ "$listed" = "LICENSE.txt README.txt THIRD-PARTY-NOTICES.txt orvi-flash.exe orvi-upgrade.exe " ] ||
  fail "the zip holds: $listed"
echo "ok: the zip holds exactly $listed"
for exe in orvi-upgrade.exe orvi-flash.exe; do
  [ -f "$BIN/$exe" ] || fail "$BIN/$exe is missing"
  unzip -p "$ZIP" "$exe" >"$SCRATCH/$exe"
  [ "$(sha256sum <"$SCRATCH/$exe")" = "$(sha256sum <"$BIN/$exe")" ] ||
    fail "$exe in the zip is not $BIN/$exe"
  echo "ok: $exe is $BIN/$exe ($(sha256sum <"$BIN/$exe" | cut -c1-16)...)"
done
for pair in "README.txt $README" "LICENSE.txt $LICENSE" "THIRD-PARTY-NOTICES.txt $NOTICES"; do
  set -- $pair
  unzip -p "$ZIP" "$1" >"$SCRATCH/$1"
  sed 's/$/\r/' "$2" | cmp -s - "$SCRATCH/$1" || fail "$1 is not $2 with CR LF line ends"
  echo "ok: $1 is $(basename "$2") with CR LF line ends"
done
