#!/usr/bin/env bash
# The real orvi-flash.exe under Wine: four printers upgraded at once over
# TCP from one folder, which Wine cannot confirm (it does not say what the
# printer's stack acknowledged), so each is sent-unconfirmed and never
# upgraded; and over COM7 and COM12, port numbers page 2 of the wizard does not offer (COM12
# is opened in the device namespace), each checked byte for byte against
# what the simulated printer stored; then a rerun that the ledger in the
# user's local application data folder skips. Then what a package may not
# hold, and a file named as a port.
# Usage: flash_e2e.sh EXE PRINTER_SIM
EXE=$1 SIM=$2 PROBE=
. "$(dirname "$0")/wizard_driver.sh"

PACKAGE=$(winepath -w "$APP")
# flash ARGS...: runs orvi-flash.exe; its output in $SCRATCH/flash.out
# without the console's CRs, its exit status in $STATUS.
flash() {
  wine "$EXE" "$@" >"$SCRATCH/flash.raw" 2>"$SCRATCH/flash.err" </dev/null
  STATUS=$?
  tr -d '\r' <"$SCRATCH/flash.raw" >"$SCRATCH/flash.out"
}
outcome_is() { # outcome_is TARGET OUTCOME
  grep -q "\"event\":\"outcome\",\"target\":\"$1\",.*\"outcome\":\"$2\"" "$SCRATCH/flash.out" ||
    fail "$1: wanted $2, got: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
}

# Four printers at once from one folder: each transfer opens the same files
# while the others have them open.
ADDRESSES=() OUTS=() REPORTS=() SIMS=()
for n in 1 2 3 4; do
  start_sim --tcp "${ADDRESS%.*}.$((${ADDRESS##*.} % 250 + n)):2864"
  ADDRESSES+=("${ADDRESS%.*}.$((${ADDRESS##*.} % 250 + n))") OUTS+=("$OUT") REPORTS+=("$REPORT") SIMS+=("$SIM_PID")
done
flash upgrade "${ADDRESSES[@]/#/tcp:}" --jobs 4 --package "$PACKAGE" --json
[ "$STATUS" = 6 ] || fail "over TCP: exit status $STATUS: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
for n in 0 1 2 3; do
  outcome_is "tcp:${ADDRESSES[$n]}:2864" sent-unconfirmed
  OUT=${OUTS[$n]} REPORT=${REPORTS[$n]} check_received "over TCP to ${ADDRESSES[$n]}"
  SIM_PID=${SIMS[$n]} stop_sim
done
echo "ok: four printers at once over TCP from one folder, sent but unconfirmed"

for port in COM7 COM12; do
  line="$SCRATCH/line-$port"
  start_sim --pty "$line"
  wait_for "$PROMPT" test -e "$line" || fail "no line at $line"
  ln -sf "$line" "$WINEPREFIX/dosdevices/$(tr 'A-Z' 'a-z' <<<"$port")"
  flash upgrade "serial:$port@38400" --package "$PACKAGE" --json
  [ "$STATUS" = 0 ] || fail "over $port: exit status $STATUS: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
  outcome_is "serial:$port@38400" upgraded
  check_received "over $port"
  echo "ok: whole upgrade over $port"

  # The default ledger knows this printer now: the rerun sends nothing.
  if [ "$port" = COM12 ]; then
    connects=$(grep -c '"event":"connect"' "$REPORT")
    flash upgrade "serial:$port@38400" --package "$PACKAGE" --json
    [ "$STATUS" = 0 ] || fail "rerun: exit status $STATUS"
    outcome_is "serial:$port@38400" skipped
    [ "$(grep -c '"event":"connect"' "$REPORT")" = "$connects" ] || fail "the skipped printer was opened"
    ledger=$(find "$WINEPREFIX/drive_c/users" -path '*Local/orvi-flash/ledger.jsonl' | head -1)
    [ -n "$ledger" ] || fail "no ledger in the local application data folder"
    echo "ok: the rerun is skipped by the ledger in $(basename "$(dirname "$(dirname "$ledger")")")"
  fi
  stop_sim
done

# A package holds only files inside its folder: a name that leads out, a
# device name, a link out and a FIFO are each a file it does not hold,
# refused before any port is opened.
HOSTILE=$SCRATCH/hostile
mkdir -p "$HOSTILE" && echo io >"$HOSTILE/iosubsys.bin" && echo secret >"$SCRATCH/secret.bin"
ln -s /etc/passwd "$HOSTILE/out.bin" && mkfifo "$HOSTILE/fifo.bin"
for name in '..\secret.bin' nul com1 AUX.bin out.bin fifo.bin; do
  printf '1\r\n*%s:*end:' "$name" >"$HOSTILE/l11config.bld"
  flash plan --package "$(winepath -w "$HOSTILE")"
  [ "$STATUS" = 3 ] && grep -qiF "file: $name is missing" "$SCRATCH/flash.err" ||
    fail "$name: status $STATUS: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
done
echo "ok: names leading out of the package or to devices are refused"
echo notes >"$SCRATCH/notes.txt"
flash upgrade "serial:$(winepath -w "$SCRATCH/notes.txt")" --package "$PACKAGE"
[ "$STATUS" = 4 ] && grep -q "unreachable.*not a serial or parallel port" "$SCRATCH/flash.out" &&
  [ "$(cat "$SCRATCH/notes.txt")" = notes ] || fail "a file as a port: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
echo "ok: a file named as a port is not written"
echo "all passed"
