#!/usr/bin/env bash
# The real orvi-upgrade.exe, the program as it ships, under Wine on a
# virtual display, driven with mouse clicks as a person would drive it: a
# whole upgrade over TCP and one through a printer queue (Wine's spooler
# reads the queues only when a program starts, so this mode is driven here
# and not in the wizard tests), each checked byte for byte against what the
# simulated printer stored; and a failure whose box is titled with the
# program file's name, then Cancel sending KK.
# Usage: wizard_e2e.sh EXE PROBE_EXE PRINTER_SIM PRIVATE_CUPSD
EXE=$1 PROBE=$2 SIM=$3 CUPSD=$4
. "$(dirname "$0")/wizard_driver.sh"
[ -x "$CUPSD" ] || fail "no private scheduler at $CUPSD (build the linux preset first)"

# Page 1 to Done, with the connection page 2 starts from. Enter on the
# welcome page, which has no control that takes the focus, is Next.
upgrade() {
  on_page "Tarnwell Systems Orvi Printer FLASH Upgrade"
  shot page1-welcome
  key Return
  reach_page2
  shot page2-connection
  reach_page3 "$1"
  shot page3-preparation
  press next
  transfer
  shot page4-transfer
  press_done
}

reg_number "Port Type" 51
reg_address "$ADDRESS"
start_sim --tcp "$ADDRESS:2864"
start_program orvi-upgrade
upgrade "Printer is now ready to receive upgrade firmware."
ORVI_E2E_PAGE_SHOTS=
check_received "over TCP"
echo "ok: whole upgrade over TCP"
stop_sim

# A raw queue of a private scheduler whose device is the simulated printer,
# up before the program starts. Page 3 can read nothing back and says so.
start_sim --tcp 127.0.0.1:0
port=$(sed -n 's/^listening tcp 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$SCRATCH/sim$RUN.log")
[ -n "$port" ] || fail "no port from the simulated printer: $(cat "$SCRATCH/sim$RUN.log")"
"$CUPSD" Orvi "socket://127.0.0.1:$port" >"$SCRATCH/cupsd.out" 2>&1 &
PIDS+=($!)
wait_for 30 grep -qs '^CUPS_SERVER=' "$SCRATCH/cupsd.out" || fail "the private scheduler did not start"
export CUPS_SERVER=$(sed -n 's/^CUPS_SERVER=//p' "$SCRATCH/cupsd.out")
reg_number "Port Type" 41
reg_text "Type String" "orvi"
start_program orvi-upgrade
upgrade "Using Network mode, this utility cannot determine the status of the upgrade."
check_received "through the printer queue"
echo "ok: whole upgrade through the printer queue"
stop_sim
export CUPS_SERVER="$SCRATCH/no-cups.sock"

# Failure: nothing listens at the address. The box says so, titled with the
# program file's name, and the wizard goes back to page 2. Cancel there
# still sends KK, since page 3 has been current, and ends the program.
reg_number "Port Type" 51
start_program flash-tool
on_page "Tarnwell Systems Orvi Printer FLASH Upgrade"
press next
reach_page2
press next
answer_box "Could not open communications port! Check connection and settings."
reach_page2
start_sim --tcp "$ADDRESS:2864"
press cancel
wait_for "$PROMPT" program_ended || fail "Cancel did not end the program"
wait_for "$PROMPT" grep -q '"event":"cancel"' "$REPORT" || fail "Cancel sent no KK: $(cat "$REPORT")"
echo "ok: failure shows its message box and goes back; Cancel sends KK"

echo "all passed"
