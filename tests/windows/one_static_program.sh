#!/usr/bin/env bash
# orvi-upgrade.exe and orvi-flash.exe are each one file a user can run as
# it is: each imports only DLLs that every Windows installation has, and
# needs none beside it. winspool.drv and bcrypt.dll are not among them:
# neither is one that Windows always takes from the system folder, so the
# programs load them from there themselves, and a copy planted beside them
# is never imported.
# Usage: one_static_program.sh OBJDUMP EXE...
set -uo pipefail
OBJDUMP=$1
shift
SYSTEM_DLLS=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll ws2_32.dll "
status=0
for EXE in "$@"; do
  imports=$("$OBJDUMP" -p "$EXE" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || { echo "FAIL: $OBJDUMP found no import table in $EXE"; status=1; continue; }
  for dll in $imports; do
    case $SYSTEM_DLLS in
      *" $dll "*) echo "ok: $(basename "$EXE") imports $dll" ;;
      *) echo "FAIL: $EXE needs $dll, which is not part of Windows"; status=1 ;;
    esac
  done
  beside=$(find "$(dirname "$EXE")" -maxdepth 1 -iname '*.dll')
  [ -z "$beside" ] || { echo "FAIL: DLLs beside the program: $beside"; status=1; }
done
exit $status
