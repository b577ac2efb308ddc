# A CUPS scheduler of the script's own, which Wine's spooler reaches through
# CUPS_SERVER. Sourced after wizard_driver.sh; start_cupsd QUEUE DEVICE_URI
# starts it with one raw queue.
add_queue() { CUPS_SAID=$(lpadmin -p "$1" -E -v "$2" -m raw 2>&1); }
start_cupsd() {
  command -v /usr/sbin/cupsd >/dev/null && command -v lpadmin >/dev/null ||
    { echo "skipped: cupsd is not installed"; exit 77; }
  local root="$SCRATCH/cups" d user=lp group=lp
  # cupsd runs its backends as this user and refuses root.
  if [ "$(id -u)" != 0 ]; then user=$(id -un) group=$(id -gn); fi
  for d in "" spool cache state log run; do mkdir -p "$root/$d" && chmod 755 "$root/$d"; done
  cat >"$root/cupsd.conf" <<CONF
Listen $root/run/cups.sock
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
  cat >"$root/cups-files.conf" <<CONF
ServerRoot $root
RequestRoot $root/spool
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
User $user
Group $group
CONF
  /usr/sbin/cupsd -f -c "$root/cupsd.conf" -s "$root/cups-files.conf" >/dev/null 2>&1 &
  PIDS+=($!)
  export CUPS_SERVER="$root/run/cups.sock"
  wait_for 15 lpstat -r >/dev/null 2>&1 || fail "the private cupsd did not start"
  # A scheduler that has just started may still turn the request away.
  CUPS_SAID=
  wait_for 15 add_queue "$1" "$2" || fail "lpadmin could not add the queue $1: $CUPS_SAID"
}
