#!/usr/bin/env bash
# Each program's manual page, as the package installs it, names every
# option that the program's own --help lists, and man formats it without
# a warning.
# Usage: man_pages.sh DEB
. "$(dirname "$0")/common.sh"
DEB=$1
unpack "$DEB" "$SCRATCH/root"
for program in orvi-flash orvi-printer-sim; do
  page=$SCRATCH/root/usr/share/man/man1/$program.1.gz
  [ -f "$page" ] || fail "no manual page for $program"
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $program.1: $warnings"
  # Wide and unhyphenated, so that no option is broken across lines.
  text=$(LC_ALL=C.UTF-8 MANROFFOPT=-rHY=0 MANWIDTH=200 man -l "$page" 2>/dev/null)
  help=$("$SCRATCH/root/usr/bin/$program" --help 2>&1)
  options=$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
  [ -n "$options" ] || fail "$program --help lists no option: $help"
  for option in $options; do
    grep -q -- "$option\b" <<<"$text" || fail "$program.1 does not name $option, which --help lists"
  done
  echo "ok: $program.1 names $(wc -w <<<"$options") options of --help"
done
