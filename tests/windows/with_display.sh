#!/usr/bin/env bash
# Runs a Windows test program that makes windows under Wine, on an X display
# of its own. Wine's desktop process takes its display when the prefix's
# server starts, so these programs get a prefix beside the run's own, whose
# server starts and stops with the display, one program at a time.
# Usage: with_display.sh DEFAULT_PREFIX WINE_RUN PROGRAM ARGS...
set -u
default_prefix=$1 runner=$2
shift 2
for tool in Xvfb flock; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
prefix="${ORVI_WINEPREFIX:-$default_prefix}-display"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.display-lock"
flock 9

number=$(mktemp)
Xvfb -displayfd 8 -nolisten tcp -screen 0 1024x768x24 8>"$number" >/dev/null 2>&1 9>&- &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$number" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
display=$(tr -dc 0-9 <"$number")
rm -f "$number"
if [ -z "$display" ]; then
  kill "$xvfb" 2>/dev/null
  echo "Xvfb did not start" >&2
  exit 1
fi

. "$(dirname "$0")/../../cmake/wine-prefix.sh"
wine_prefix "$prefix" >/dev/null 2>&1 9>&-
DISPLAY=":$display" ORVI_WINEPREFIX="$prefix" "$runner" "$@" 9>&-
status=$?
WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
