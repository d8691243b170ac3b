#!/usr/bin/env bash
# Boots the template prefix that every end-to-end test copies: a fresh Windows machine.
#
#   make-template.sh TEMPLATE
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-tools.sh"
template="$1"
rm -rf "$template"
mkdir -p "$template"
export WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$WINE" wineboot -i >/dev/null 2>&1
# A crashing program ends at once instead of waiting in the debugger, and with no
# window manager on the display Wine must not wait for one when a window closes.
"$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$WINESERVER" -w
