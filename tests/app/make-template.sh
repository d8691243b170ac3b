#!/usr/bin/env bash
# Boots the template prefix that every end-to-end test copies: a fresh Windows machine.
set -eu
template="$1"
rm -rf "$template"
mkdir -p "$template"
export WINEPREFIX="$template" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
# A crashing program ends at once instead of waiting in the debugger.
/usr/lib/wine/wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /d '' /f >/dev/null 2>&1
wineserver -w
