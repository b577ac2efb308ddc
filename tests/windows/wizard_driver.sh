# Shared by the scripts that run the real orvi-upgrade.exe and
# orvi-flash.exe under Wine, the wizard on a virtual display driven as a
# person would: a scratch folder and Wine prefix of the script's own, the
# firmware set, the simulated printer, what it stored, and the clicks and
# reads on the wizard's windows. Sourced; the script sets EXE, PROBE, SIM.
set -uo pipefail
# How long to wait for something that should happen at once, or after one
# of the link's limits (10 s); a guard against hangs, not a timing any step
# relies on.
PROMPT=${ORVI_E2E_PROMPT_S:-60}

for tool in Xvfb xdotool wine wineserver cmp; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
[ -x "$SIM" ] || { echo "FAIL: no simulated printer at $SIM (build the linux preset first)"; exit 1; }

SCRATCH=$(mktemp -d)
# A private scheduler's backends run as lp and must reach its folders.
chmod 755 "$SCRATCH"
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  WINEPREFIX="$SCRATCH/prefix" wineserver -k >/dev/null 2>&1
  for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null; done
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  import -window root "$SCRATCH/fail.png" 2>/dev/null &&
    cp "$SCRATCH/fail.png" "${ORVI_E2E_SHOTS:-/tmp}/orvi-e2e-fail-$(basename "$0" .sh).png" 2>/dev/null
  exit 1
}

export WINEPREFIX="$SCRATCH/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No scheduler unless a case starts its own.
export CUPS_SERVER="$SCRATCH/no-cups.sock"

number="$SCRATCH/display"
Xvfb -displayfd 8 -nolisten tcp -screen 0 1280x1024x24 8>"$number" >/dev/null 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || fail "Xvfb did not start"
export DISPLAY=":$(tr -dc 0-9 <"$number")"
. "$(dirname "$0")/../../cmake/wine-prefix.sh"
wine_prefix "$WINEPREFIX" >/dev/null 2>&1 || fail "the Wine prefix did not start"

# The program and its firmware set, in a folder of their own.
APP="$SCRATCH/app"
mkdir -p "$APP"
head -c 70000 /dev/urandom >"$APP/main.bin"
printf '\001SR\r\n\001KK\r\n' >"$APP/boot.bin"
head -c 3072 /dev/zero >"$APP/fonts.bin"
head -c 4000 /dev/urandom >"$APP/iosubsys.bin"
printf '3\r\n*boot.bin:*x:\r\n*main.bin:*x:\r\n*fonts.bin:*x:\r\n*end:\r\n' >"$APP/l11config.bld"
FILES=(boot.bin main.bin fonts.bin iosubsys.bin l11config.bld)

KEY='HKCU\Software\Tarnwell Systems\Color Tarnwell\Print Manager\Port Setup'
reg_number() { wine reg add "$KEY" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1 || fail "reg add $1"; }
reg_text() { wine reg add "$KEY" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1 || fail "reg add $1"; }
reg_address() { local i=1 o; for o in ${1//./ }; do reg_text "IP Octet$i" "$o"; i=$((i + 1)); done; }

# A loopback address of this run's own, so that port 2864 is free on it.
ADDRESS="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))"

wait_for() { # wait_for SECONDS COMMAND...: until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < until)) || return 1; sleep 0.2; done
}
window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }
texts() { wine "$PROBE" "$1" 2>/dev/null | tr -d '\r'; }
shows() { texts "$1" | grep -qF -- "$2"; }
click_at() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# The sheet's buttons sit at fixed distances from its right and bottom edges.
press() {
  local w; w=$(window "$SHEET_TITLE") || true
  [ -n "$w" ] || fail "no wizard window titled '$SHEET_TITLE' to press $1 in"
  geometry "$w"
  local from_right
  case $1 in back) from_right=324 ;; next | finish) from_right=241 ;; cancel) from_right=147 ;; esac
  click_at $((X + WIDTH - from_right)) $((Y + HEIGHT - 22))
}
# A key pressed on the real keyboard of the display, into the wizard's window.
key() {
  local w; w=$(window "$SHEET_TITLE") || true
  [ -n "$w" ] || fail "no wizard window titled '$SHEET_TITLE' to press $1 in"
  xdotool windowfocus --sync "$w" key "$1"
}
# With ORVI_E2E_PAGE_SHOTS naming a folder, shot NAME saves the wizard's
# window there as NAME.png.
shot() {
  [ -n "${ORVI_E2E_PAGE_SHOTS:-}" ] || return 0
  mkdir -p "$ORVI_E2E_PAGE_SHOTS" && import -window "$(window "$SHEET_TITLE")" "$ORVI_E2E_PAGE_SHOTS/$1.png"
}
on_page() { SHEET_TITLE=$1; wait_for "$PROMPT" has_window "$1" || fail "page '$1' did not come"; }

# A message box is titled with the program file's name; it has one button,
# centred at its foot. answer_box TEXT: the box comes with exactly that
# text, is answered, and goes.
# Whether a box is up is asked of Wine, whose X windows outlive a closed box
# for a moment.
has_box() { wine "$PROBE" "$BOX_TITLE" >/dev/null 2>&1; }
box_on_screen() { has_box && has_window "$BOX_TITLE"; }
box_says() { [ "$(texts "$BOX_TITLE")" = "$1" ]; }
box_gone() { ! box_says "$1"; }
answer_box() {
  wait_for "$PROMPT" box_on_screen || fail "no message box titled $BOX_TITLE (wanted: $1)"
  box_says "$1" || fail "box text: $(texts "$BOX_TITLE") (wanted: $1)"
  local w; w=$(window "$BOX_TITLE"); geometry "$w"
  click_at $((X + WIDTH / 2)) $((Y + HEIGHT - 21))
  wait_for "$PROMPT" box_gone "$1" || fail "the box '$1' did not go"
}

start_program() { # start_program NAME: a copy of the program under that name
  cp "$EXE" "$APP/$1.exe"
  BOX_TITLE=$1
  (cd "$APP" && exec wine "$APP/$1.exe" >/dev/null 2>&1) &
  PROGRAM=$!
  PIDS+=($PROGRAM)
}
program_ended() { ! kill -0 "$PROGRAM" 2>/dev/null; }

RUN=0
start_sim() { # start_sim ARGS...: a printer of its own, once it says it is ready
  RUN=$((RUN + 1))
  OUT="$SCRATCH/out$RUN" REPORT="$SCRATCH/report$RUN"
  "$SIM" "$@" --out "$OUT" --report "$REPORT" >"$SCRATCH/sim$RUN.log" 2>&1 &
  SIM_PID=$!
  PIDS+=($SIM_PID)
  wait_for 10 grep -qs . "$SCRATCH/sim$RUN.log" || fail "the simulated printer did not start"
}
stop_sim() { kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null; }

# Page 2 is current once its texts show and no box is on screen. Without a
# printer queue every activation of page 2 brings the box of an empty list
# first, also when the wizard comes back from page 3.
NO_PRINTERS=$'Could not enumerate Windows Printers on your system.\nNetwork Communications mode will be disabled.'
page2_or_box() { has_box || { has_window "ORVI FLASH Upgrade - Step #1" && shows "ORVI FLASH Upgrade - Step #1" "Connect your printer"; }; }
reach_page2() {
  wait_for "$PROMPT" page2_or_box || fail "no page 2"
  if has_box; then
    answer_box "$NO_PRINTERS"
    wait_for "$PROMPT" page2_or_box || fail "no page 2"
    has_box && fail "unexpected box on page 2: $(texts "$BOX_TITLE")"
  fi
  on_page "ORVI FLASH Upgrade - Step #1"
}

# Page 3 after Next on page 2, showing its answer.
reach_page3() {
  press next
  on_page "ORVI FLASH Upgrade - Step #2"
  wait_for "$PROMPT" shows "$SHEET_TITLE" "$1" || fail "page 3 shows: $(texts "$SHEET_TITLE") $(texts "$BOX_TITLE")"
}

# From page 4: Finish sends everything, then the closing texts show.
transfer() {
  on_page "Orvi FLASH Upgrade - Last Step"
  press finish
  wait_for "$PROMPT" shows "$SHEET_TITLE" "The Printer has received all of the upgrade firmware" ||
    fail "no end of transfer: $(texts "$BOX_TITLE")"
}

# Done closes the wizard, and the program ends.
press_done() {
  press finish
  wait_for "$PROMPT" program_ended || fail "Done did not end the program"
}

# What the printer stored is the firmware set, file by file, in order.
check_received() {
  wait_for "$PROMPT" grep -q '"event":"upgrade"' "$REPORT" || fail "$1: the printer saw no upgrade"
  local f
  for f in "${FILES[@]}"; do
    cmp -s "$APP/$f" "$OUT/$f" || fail "$1: $f arrived different"
  done
  grep -q '"files":\["boot.bin","main.bin","fonts.bin","iosubsys.bin","l11config.bld"\]' "$REPORT" ||
    fail "$1: files in another order: $(grep upgrade "$REPORT")"
}
