#!/usr/bin/env bash
# The real orvi-upgrade.exe under Wine on a virtual display, driven with
# mouse clicks as a person would drive it: whole upgrades over TCP, a COM
# port and a printer queue to the simulated printer, each checked byte for
# byte against what the printer stored, and a failure that shows its
# message box. Usage: wizard_e2e.sh EXE PROBE_EXE PRINTER_SIM
EXE=$1 PROBE=$2 SIM=$3
. "$(dirname "$0")/wizard_driver.sh"
. "$(dirname "$0")/private_cupsd.sh"

READY="Printer is now ready to receive upgrade firmware."

# Page 1 to Done, with the connection page 2 starts from.
upgrade() {
  on_page "Tarnwell Systems Orvi Printer FLASH Upgrade"
  shot page1-welcome
  press next
  reach_page2
  shot page2-connection
  reach_page3 "$1"
  shot page3-preparation
  press next
  transfer
  shot page4-transfer
  press_done
}

# Over TCP, a printer that first has no card: Retry and Cancel only (Back
# hidden, not just greyed), then ready after Retry.
reg_number "Port Type" 51
reg_address "$ADDRESS"
start_sim --tcp "$ADDRESS:2864" --status 1,0
start_program orvi-upgrade
on_page "Tarnwell Systems Orvi Printer FLASH Upgrade"
shot page1-welcome
press next
reach_page2
shot page2-connection
reach_page3 "No CompactFlash card detected."
wait_for "$PROMPT" back_hidden || fail "page 3 not ready shows Back: $(buttons "$SHEET_TITLE")"
press finish
wait_for "$PROMPT" shows "$SHEET_TITLE" "$READY" || fail "Retry: page 3 shows $(texts "$SHEET_TITLE")"
back_hidden || fail "page 3 shows Back after Retry: $(buttons "$SHEET_TITLE")"
shot page3-preparation
press next
on_page "Orvi FLASH Upgrade - Last Step"
wait_for "$PROMPT" back_hidden || fail "page 4 shows Back: $(buttons "$SHEET_TITLE")"
transfer
shot page4-transfer
press_done
ORVI_E2E_PAGE_SHOTS=
check_received "over TCP"
echo "ok: whole upgrade over TCP, with a Retry"
stop_sim

reg_number "Port Type" 1
reg_number "Serial Port Number" 1
reg_number "Baud Rate" 38400
start_sim --pty "$SCRATCH/com1"
ln -sf "$SCRATCH/com1" "$WINEPREFIX/dosdevices/com1"
start_program orvi-upgrade
upgrade "$READY"
check_received "over COM1"
echo "ok: whole upgrade over COM1"
stop_sim

# Network mode: one raw job through Wine's spooler and a private CUPS
# queue whose device is the simulated printer. Page 3 can read nothing
# back and says so.
start_sim --tcp 127.0.0.1:0
port=$(sed -n 's/^listening tcp 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$SCRATCH/sim$RUN.log")
[ -n "$port" ] || fail "no port from the simulated printer: $(cat "$SCRATCH/sim$RUN.log")"
start_cupsd Orvi "socket://127.0.0.1:$port"
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
