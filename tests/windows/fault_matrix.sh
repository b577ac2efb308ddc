#!/usr/bin/env bash
# One case of the fault matrix on the real orvi-upgrade.exe under Wine: a
# printer or cable that fails one way, in one connection mode. The wizard
# must show the message for it, leave the port free, and a retry once the
# fault is gone must deliver every file byte for byte.
# Usage: fault_matrix.sh EXE PROBE_EXE PRINTER_SIM MODE FAULT
#   MODE: Com or TcpIp
#   FAULT: SilentAfterSu, DroppedMidFile, StopsReading, PortMissing, Refused
EXE=$1 PROBE=$2 SIM=$3 MODE=$4 FAULT=$5
. "$(dirname "$0")/wizard_driver.sh"

READY="Printer is now ready to receive upgrade firmware."
NO_PORT="Could not open communications port! Check connection and settings."
NO_STATUS="Could not read status response from printer.  Please check connections and settings and try again."
NOT_SENT="Could not send upgrade file to printer."

# Large enough that the faults below strike in the middle of a file. A
# printer that stops reading is noticed only once the link's buffers are
# full: a line's are small, but loopback's socket buffers take in megabytes
# (the kernel's largest receive and send buffers), so over TCP the file must
# be larger than both together, or it all goes in and the transfer ends
# without a fault.
size=300000
if [ "$MODE" = TcpIp ] && [ "$FAULT" = StopsReading ]; then
  rmem=$(awk '{print $3}' /proc/sys/net/ipv4/tcp_rmem) wmem=$(awk '{print $3}' /proc/sys/net/ipv4/tcp_wmem)
  size=$((2 * (rmem + wmem) + 1048576))
fi
head -c "$size" /dev/urandom >"$APP/main.bin"

case $MODE in
  Com)
    reg_number "Port Type" 1
    reg_number "Serial Port Number" 1
    reg_number "Baud Rate" 38400
    # COM1 leads to wherever the printer's line is.
    ln -sf "$SCRATCH/com1" "$WINEPREFIX/dosdevices/com1"
    if [ "$FAULT" = PortMissing ]; then
      # Wine, unlike Windows, takes a COM port whose link leads nowhere to
      # be /dev/ttyS0, which many machines have. A node that is no device
      # (a socket file nobody listens on) is refused as no such device.
      perl -MSocket -e 'socket(S, PF_UNIX, SOCK_STREAM, 0) && bind(S, pack_sockaddr_un($ARGV[0])) or exit 1' \
        "$SCRATCH/com1" || fail "could not make a node that is no device"
    fi
    TRANSPORT=(--pty "$SCRATCH/com1")
    ;;
  TcpIp)
    reg_number "Port Type" 51
    reg_address "$ADDRESS"
    TRANSPORT=(--tcp "$ADDRESS:2864")
    ;;
  *) echo "unknown mode $MODE"; exit 2 ;;
esac

SLAVES=()
printer() { # printer FAULT_ARGS...: the printer on this mode's transport
  start_sim "${TRANSPORT[@]}" "$@"
  if [ "$MODE" = Com ]; then SLAVES+=("$(readlink -f "$SCRATCH/com1")"); fi
}

# Nothing this wizard's Wine prefix runs holds the port any more: no line
# the printer ever offered is open, and no socket to the printer's address
# is. Pseudo-terminal numbers and sockets are used again at once by other
# programs, so only the prefix's own processes count.
prefix_pids() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/} pid=${pid%%/*}
    ((SKIP_SERVER)) && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q wineserver && continue
    { tr '\0' '\n' <"$environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null && echo "$pid"
  done
}
SKIP_SERVER=0
held_by_prefix() { # held_by_prefix FD_TARGET...: open in a process of the prefix
  local pid fd target wanted
  for pid in $(prefix_pids); do
    for fd in /proc/"$pid"/fd/*; do
      target=$(readlink "$fd" 2>/dev/null) || continue
      for wanted in "$@"; do
        [ "$target" = "$wanted" ] && { HOLDER="$(tr '\0' ' ' <"/proc/$pid/cmdline") holds $target"; return 0; }
      done
    done
  done
  return 1
}
printer_sockets() { # the kernel's sockets whose far end is the printer's address and port
  local a b c d
  IFS=. read -r a b c d <<<"$ADDRESS"
  awk -v far="$(printf '%02X%02X%02X%02X:0B30' "$d" "$c" "$b" "$a")" '$3 == far { print "socket:[" $10 "]" }' /proc/net/tcp
}
balanced() {
  [ "$(grep -c '"event":"connect"' "$REPORT")" = "$(grep -c '"event":"disconnect"' "$REPORT")" ]
}
line_free() { ! held_by_prefix "${SLAVES[@]}"; }
socket_free() {
  local sockets; sockets=$(printer_sockets)
  [ -z "$sockets" ] || ! SKIP_SERVER=1 held_by_prefix $sockets
}
port_free() {
  # The page closes the port once its message box has been answered.
  local since=$SECONDS
  if [ "$MODE" = Com ]; then
    wait_for "$PROMPT" line_free || fail "the printer's line is still open after the failure: $HOLDER"
  else
    # A socket closed with bytes still unsent lives on in the system until
    # they have gone or the connection has timed out, as on Windows; Wine's
    # server is that system. The program itself must hold none.
    wait_for "$PROMPT" socket_free || fail "a socket to the printer is still open after the failure: $HOLDER"
  fi
  # The printer sees the line or connection end too; one that has stopped
  # reading does not see the end of a TCP connection until it reads again.
  if [ -f "${REPORT:-}" ] && ! { [ "$MODE" = TcpIp ] && [ "$FAULT" = StopsReading ]; }; then
    wait_for "$PROMPT" balanced || fail "a connection stayed open: $(cat "$REPORT")"
  fi
  FREE_AFTER=$((SECONDS - since))
}

case $FAULT in
  SilentAfterSu) FAULT_ARGS=(--status none) MESSAGE=$NO_STATUS ON_PAGE3=1 ;;
  DroppedMidFile) FAULT_ARGS=(--drop-after 100000) MESSAGE=$NOT_SENT ON_PAGE3=0 ;;
  StopsReading) FAULT_ARGS=(--stall-after 100000) MESSAGE=$NOT_SENT ON_PAGE3=0 ;;
  PortMissing | Refused) FAULT_ARGS=() MESSAGE=$NO_PORT ON_PAGE3=1 ;;
  *) echo "unknown fault $FAULT"; exit 2 ;;
esac
# A missing port is a line that leads nowhere; a refused connection is an
# address where nothing listens.
case $FAULT in PortMissing | Refused) ;; *) printer "${FAULT_ARGS[@]}" ;; esac

start_program orvi-upgrade
on_page "Tarnwell Systems Orvi Printer FLASH Upgrade"
press next
reach_page2
if ((ON_PAGE3)); then
  # The failure comes on page 3, and the wizard goes back to page 2.
  press next
  answer_box "$MESSAGE"
  reach_page2
else
  reach_page3 "$READY"
  press next
  on_page "Orvi FLASH Upgrade - Last Step"
  press finish
  answer_box "$MESSAGE"
  # The page stays, ready to start again.
  shows "$SHEET_TITLE" "The Printer has received all" && fail "the failed transfer shows as complete"
fi
port_free
echo "ok: $MODE $FAULT shows \"$MESSAGE\" and leaves the port free (within ${FREE_AFTER} s)"

# The fault gone, the retry goes through to the end.
[ -n "${SIM_PID:-}" ] && stop_sim
rm -f "$SCRATCH/com1"
printer
if ((ON_PAGE3)); then
  reach_page3 "$READY"
  press next
fi
transfer
check_received "after $MODE $FAULT"
press_done
port_free
echo "ok: $MODE $FAULT, then a retry delivers every file"
