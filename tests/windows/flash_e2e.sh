#!/usr/bin/env bash
# The real orvi-flash.exe under Wine: a whole upgrade over TCP, which Wine
# cannot confirm (it does not say what the printer's stack acknowledged), so
# the printer is sent-unconfirmed and never upgraded; and over COM7 and COM12, port numbers page 2 of the wizard does not offer (COM12
# is opened in the device namespace), each checked byte for byte against
# what the simulated printer stored; then a rerun that the ledger in the
# user's local application data folder skips.
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

start_sim --tcp "$ADDRESS:2864"
flash upgrade "tcp:$ADDRESS" --package "$PACKAGE" --json
[ "$STATUS" = 6 ] || fail "over TCP: exit status $STATUS: $(cat "$SCRATCH/flash.out" "$SCRATCH/flash.err")"
outcome_is "tcp:$ADDRESS:2864" sent-unconfirmed
check_received "over TCP"
echo "ok: whole upgrade over TCP, sent but unconfirmed"
stop_sim

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
echo "all passed"
