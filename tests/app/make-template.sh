#!/usr/bin/env bash
# Boots the template prefix that every end-to-end test copies: a fresh Windows machine.
#
#   make-template.sh TEMPLATE [WINE32_DIR]
#
# With WINE32_DIR (where scripts/setup.sh unpacked Wine's 32-bit DLLs) the machine also
# runs 32-bit programs under wine64's WoW64 mode; where this machine cannot, the
# template records why in "wow64.skip", and the tests that need it are skipped.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-tools.sh"
template="$1"
wine32="${2:-}"
rm -rf "$template"
mkdir -p "$template"
export WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "$wine32" ]; then
  if dllpath=$(wine_wow64_dllpath "$wine32"); then
    export WINEDLLPATH="$dllpath"
    echo "$dllpath" >"$template/winedllpath"
  fi
fi
"$WINE" wineboot -i >/dev/null 2>&1
# A crashing program ends at once instead of waiting in the debugger, and with no
# window manager on the display Wine must not wait for one when a window closes.
"$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$WINESERVER" -w
if [ -n "$wine32" ]; then
  if ! reason=$(wine_wow64_probe "$wine32"); then
    echo "$reason" >"$template/wow64.skip"
    echo "32-bit programs cannot run here: $reason"
  fi
  "$WINESERVER" -w
fi
