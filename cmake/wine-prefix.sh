# Sourced by the scripts that run programs under Wine.
# wine_prefix DIR: a Wine prefix at DIR, ready to run programs in. A run of
# the tests boots one prefix once (ORVI_WINE_TEMPLATE) and each prefix is
# made from it: its files hard-linked, but the registry files copied, since
# Wine rewrites those in place. Without a template, DIR is booted afresh.
wine_prefix() {
  [ -f "$1/system.reg" ] && return 0
  if [ -n "${ORVI_WINE_TEMPLATE:-}" ] && [ -f "$ORVI_WINE_TEMPLATE/system.reg" ]; then
    rm -rf "$1" && mkdir -p "$(dirname "$1")" && cp -al "$ORVI_WINE_TEMPLATE" "$1" || return 1
    for reg in "$ORVI_WINE_TEMPLATE"/*.reg; do
      cp --remove-destination "$reg" "$1/" || return 1
    done
  else
    # A first start now and then loses a race with Wine's own services; a
    # second one from where it stopped goes through.
    { WINEPREFIX="$1" wineboot --init && WINEPREFIX="$1" wineserver -w; } ||
      { WINEPREFIX="$1" wineserver -k; WINEPREFIX="$1" wineboot --init && WINEPREFIX="$1" wineserver -w; } ||
      return 1
    # No window manager runs on a test's display, and Wine waits up to two
    # seconds for one to see each window it hides; windows it does not hand
    # to a manager need no such wait. A program that crashes must end, not
    # wait on its display for someone to close Wine's crash dialog.
    WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f &&
      WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f &&
      WINEPREFIX="$1" wineserver -w
  fi
}
