#!/usr/bin/env bash
# The demonstration: a sample firmware set beside a copy of the wizard, the
# simulated printer on 127.0.0.1:2864, and stored settings (in a Wine
# registry file of the demonstration's own) that point the wizard at it.
# With a display the wizard opens for you; without one it runs under Xvfb
# and is walked from Welcome to Done with key presses, a PNG of each page
# saved. Either way the printer's report of what it received is printed.
# Then orvi-flash upgrades the same printer from the command line.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$root/build/linux/bin
demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/program" "$demo/received" "$demo/wine" "$demo/shots"

# The firmware set: generated files, iosubsys.bin and l11config.bld.
cp "$bin/orvi-upgrade" "$demo/program/"
head -c 20000 /dev/urandom > "$demo/program/boot.bin"
head -c 150000 /dev/urandom > "$demo/program/main.bin"
head -c 3072 /dev/zero > "$demo/program/fonts.bin"
head -c 8192 /dev/urandom > "$demo/program/iosubsys.bin"
printf '3\r\n*boot.bin:*x:\r\n*main.bin:*x:\r\n*fonts.bin:*x:\r\n*end:\r\n' > "$demo/program/l11config.bld"

# What the maker's software would have stored: TCP/IP to 127.0.0.1.
key='Software\\Tarnwell Systems\\Color Tarnwell\\Print Manager\\Port Setup'
cat > "$demo/wine/user.reg" <<REG
WINE REGISTRY Version 2

[$key] 1700000000
"IP Octet1"="127"
"IP Octet2"="0"
"IP Octet3"="0"
"IP Octet4"="1"
"Port Type"=dword:00000033
REG

"$bin/orvi-printer-sim" --tcp 127.0.0.1:2864 --out "$demo/received" --report "$demo/report.jsonl" \
  > "$demo/sim.out" &
sim=$!
xvfb=
cleanup() {
  kill "$sim" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$demo/sim.out" ] && break; sleep 0.1; done
if ! grep -q '^listening' "$demo/sim.out"; then
  echo "The simulated printer could not listen on 127.0.0.1:2864 (is another one running?)." >&2
  exit 1
fi
echo "Simulated printer: $(cat "$demo/sim.out")"

export WINEPREFIX=$demo/wine
wizard=$demo/program/orvi-upgrade

# Waits up to 30 s for a window whose title is exactly $1; prints its id.
# A message box on the way (this machine has no printer queue, say) is read
# and answered with OK, as a person would.
wait_window() {
  for _ in $(seq 300); do
    box=$(xdotool search --onlyvisible --name '^orvi-upgrade$' 2>/dev/null | tail -1)
    if [ -n "$box" ]; then
      echo "  (message box answered with OK)" >&2
      press_return "$box"
      sleep 0.3
      continue
    fi
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# A click into the window's margin gives it the keyboard (there is no
# window manager to do it), then Return presses the default button.
press_return() {
  xdotool mousemove --window "$1" 3 3 click 1
  sleep 0.2
  xdotool key Return
}

if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--headless" ]; then
  echo "Opening the wizard. Walk it from Welcome to Done."
  "$wizard"
else
  Xvfb :57 -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:57
  sleep 1
  "$wizard" &
  app=$!
  n=1
  for title in "Tarnwell Systems Orvi Printer FLASH Upgrade" "ORVI FLASH Upgrade - Step #1" \
               "ORVI FLASH Upgrade - Step #2" "Orvi FLASH Upgrade - Last Step"; do
    w=$(wait_window "$title") || { echo "The wizard did not show \"$title\"." >&2; exit 1; }
    sleep 0.7
    import -window "$w" "$demo/shots/page$n.png"
    echo "Page $n: $title ($demo/shots/page$n.png)"
    press_return "$w"   # Next, or on the last page Finish
    n=$((n + 1))
  done
  # Finish ran the transfer; Done closes the wizard.
  for _ in $(seq 100); do grep -q '"event":"upgrade"' "$demo/report.jsonl" 2>/dev/null && break; sleep 0.1; done
  sleep 0.5
  import -window "$(wait_window "Orvi FLASH Upgrade - Last Step")" "$demo/shots/page4-done.png"
  press_return "$(wait_window "Orvi FLASH Upgrade - Last Step")"
  wait "$app"
fi

echo
echo "What the simulated printer received:"
grep -E '"event":"(file|upgrade)"' "$demo/report.jsonl" || { echo "  nothing"; exit 1; }
ok=1
for f in boot.bin main.bin fonts.bin iosubsys.bin l11config.bld; do
  sum=$(sha256sum "$demo/program/$f" | cut -d' ' -f1)
  size=$(stat -c %s "$demo/program/$f")
  if grep -q "\"name\":\"$f\",\"announced\":$size,\"received\":$size,\"sha256\":\"$sum\"" "$demo/report.jsonl"; then
    echo "  $f: $size bytes, sha256 $sum - matches"
  else
    echo "  $f: does not match the firmware set"; ok=0
  fi
done
grep -q '"event":"upgrade"' "$demo/report.jsonl" || ok=0
((ok)) && echo "Complete upgrade received." || { echo "The upgrade was not received whole." >&2; exit 1; }

# The same upgrade from the command line, to the same printer: the plan,
# the upgrade, and a rerun that the ledger skips.
flash=$bin/orvi-flash
echo
echo "The same from the command line:"
echo "\$ orvi-flash plan --package $demo/program"
"$flash" plan --package "$demo/program" || exit 1
for run in 1 2; do
  echo
  echo "\$ orvi-flash upgrade tcp:127.0.0.1 --package $demo/program --ledger $demo/ledger.jsonl"
  "$flash" upgrade tcp:127.0.0.1 --package "$demo/program" --ledger "$demo/ledger.jsonl" || exit 1
done
for _ in $(seq 100); do [ "$(grep -c '"event":"upgrade"' "$demo/report.jsonl")" -ge 2 ] && break; sleep 0.1; done
[ "$(grep -c '"event":"upgrade"' "$demo/report.jsonl")" = 2 ] ||
  { echo "The printer did not receive orvi-flash's upgrade." >&2; exit 1; }
echo
echo "The printer received orvi-flash's upgrade once; the rerun was skipped."
