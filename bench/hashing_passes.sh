#!/usr/bin/env bash
# Where orvi-flash's CPU goes while it upgrades one printer that reads as
# fast as it can: perf samples its stacks, and each sample inside SHA-256 is
# put to the pass it belongs to, by the frames above it (the package's load,
# or the transfer's own check of what it sent, when the package is read
# again for each printer). Runs in a private
# network namespace (root, or unprivileged user namespaces) with the fleet
# printer, like flash_cpu. Needs perf; prints one line per share.
# Usage: hashing_passes.sh ORVI_FLASH FLEET_PRINTER [MIB [OPTION...]]
# (options for orvi-flash upgrade: --package-memory 0 reads the package
# again for the printer, as a package too large to hold is)
set -uo pipefail
flash=$1 printer=$2 mib=${3:-256}
shift $(($# < 3 ? $# : 3))
command -v perf >/dev/null || { echo "skipped: perf is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/package"
printf '1\r\n*main.bin:*x:\r\n*end:\r\n' >"$work/package/l11config.bld"
head -c "$((mib << 20))" /dev/urandom >"$work/package/main.bin"
head -c 1000 /dev/urandom >"$work/package/iosubsys.bin"
# The stream the printer must receive: each DT header and file, then SR.
for name in main.bin iosubsys.bin l11config.bld; do
  printf '\001DT%d,R:%s\r\n' "$(stat -c %s "$work/package/$name")" "$name"
  cat "$work/package/$name"
done >"$work/stream"
printf '\001SR\r\n' >>"$work/stream"
digest=$(sha256sum "$work/stream" | cut -c1-64)

namespace=(unshare -n)
[ "$(id -u)" = 0 ] || namespace=(unshare -rn)
"${namespace[@]}" bash -c '
  ip link set lo up || exit 1
  coproc printer { "$1" --printers 1 --rate 0 --receive-buffer 0 --expect "$2" --seconds 120; }
  read -r -t 10 line <&"${printer[0]}" && [ "$line" = listening ] || exit 1
  perf record -q -F 999 --call-graph dwarf,16384 -o "$3/perf.data" \
    "$4" upgrade --package "$3/package" --ledger "$3/ledger" "${@:5}" tcp:127.1.0.1 >/dev/null
  status=$?
  wait
  exit $status' bash "$printer" "$digest" "$work" "$flash" "$@" || { echo "the upgrade failed"; exit 1; }

perf script -i "$work/perf.data" -F ip,sym 2>/dev/null | awk '
  function count() {
    if (!frames) return
    total++
    if (stack ~ /Sha256::/) {
      if (stack ~ /LoadPackage/) pass["package load"]++
      else pass["transfer check"]++
    }
    stack = ""; frames = 0
  }
  NF == 0 { count(); next }
  { stack = stack " " $2; frames++ }
  END {
    count()
    for (p in pass) { printf "%s: %.1f%% of orvi-flash'"'"'s CPU\n", p, 100 * pass[p] / total; all += pass[p] }
    printf "SHA-256 in all: %.1f%% of %d samples\n", 100 * all / total, total
  }'
