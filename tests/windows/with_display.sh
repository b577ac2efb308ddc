#!/usr/bin/env bash
# Runs a Windows test program that makes windows under Wine, on an X display
# of its own. Wine's desktop process takes its display when the prefix's
# server starts, so each program gets a prefix of its own too, made from the
# run's booted one, and its server ends with the display. Without a booted
# prefix (a run by hand) the programs share one beside the run's, one at a
# time. Wine's spooler is pointed at a scheduler that is not there: the
# computer has no printer queue.
# Usage: with_display.sh DEFAULT_PREFIX WINE_RUN PROGRAM ARGS...
set -u
default_prefix=$1 runner=$2
shift 2
for tool in Xvfb flock; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
. "$(dirname "$0")/../../cmake/wine-prefix.sh"
scratch=$(mktemp -d)
if [ -n "${ORVI_WINE_TEMPLATE:-}" ] && [ -f "$ORVI_WINE_TEMPLATE/system.reg" ]; then
  prefix="$scratch/prefix"
else
  prefix="${ORVI_WINEPREFIX:-$default_prefix}-display"
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.display-lock"
  flock 9
fi
export CUPS_SERVER="$scratch/no-cups.sock"

number="$scratch/display"
Xvfb -displayfd 8 -nolisten tcp -screen 0 1024x768x24 8>"$number" >/dev/null 2>&1 9>&- &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$number" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
display=$(tr -dc 0-9 <"$number")
if [ -z "$display" ]; then
  kill "$xvfb" 2>/dev/null
  rm -rf "$scratch"
  echo "Xvfb did not start" >&2
  exit 1
fi

wine_prefix "$prefix" >/dev/null 2>&1 9>&-
DISPLAY=":$display" ORVI_WINEPREFIX="$prefix" "$runner" "$@" 9>&-
status=$?
WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$scratch"
exit $status
