# Sourced by the scripts that run Windows programs: one Xvfb display and one fresh,
# private Wine prefix, both gone when the calling script exits.
#
#   source scripts/wine-env.sh
#   wine_env_start [prefix-dir]   # exports DISPLAY, WINEPREFIX, WINEDEBUG, WINE, WINESERVER
#   "$WINE" program.exe
#
# Xvfb starts first and outlives everything: a wineserver started without a display
# leaves later windows uncreatable.

source "$(dirname "${BASH_SOURCE[0]}")/wine-tools.sh"   # WINE, WINESERVER

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "${WINEPREFIX}" ]; then
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    if [ -n "${_wine_env_owns_prefix:-}" ]; then rm -rf "${WINEPREFIX}"; fi
  fi
  if [ -n "${_wine_env_xvfb_pid:-}" ]; then
    kill "${_wine_env_xvfb_pid}" >/dev/null 2>&1 || true
    wait "${_wine_env_xvfb_pid}" 2>/dev/null || true
  fi
}

wine_env_start() {
  # The server picks a free display itself and says which: two suites starting at once
  # must never share one, or the first to end takes the other's display with it.
  local numberFile n="" tries=0
  numberFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"${numberFile}" >/dev/null 2>&1 &
  _wine_env_xvfb_pid=$!
  until [ -n "$n" ] || [ $tries -ge 100 ]; do
    sleep 0.1
    n=$(tr -dc '0-9' <"${numberFile}")
    tries=$((tries + 1))
  done
  rm -f "${numberFile}"
  export DISPLAY=":${n}"

  if [ -n "${1:-}" ]; then
    export WINEPREFIX="$1"
    _wine_env_owns_prefix=""
  else
    export WINEPREFIX
    WINEPREFIX="$(mktemp -d /tmp/plinth-wine.XXXXXX)"
    _wine_env_owns_prefix=1
  fi
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko install prompts
  trap wine_env_stop EXIT
  "$WINE" wineboot -i >/dev/null 2>&1
  wine_env_quiet_crashes
  "$WINESERVER" -w >/dev/null 2>&1 || true
}

# Another fresh machine on the same display, in place of the current one (removed when
# wine_env_start made it).
wine_env_new_machine() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  if [ -n "${_wine_env_owns_prefix:-}" ]; then rm -rf "${WINEPREFIX}"; fi
  WINEPREFIX="$(mktemp -d /tmp/plinth-wine.XXXXXX)"
  _wine_env_owns_prefix=1
  "$WINE" wineboot -i >/dev/null 2>&1
  wine_env_quiet_crashes
  "$WINESERVER" -w >/dev/null 2>&1 || true
}

# Settings of the throwaway machine. A crashing program ends at once instead of waiting
# in the debugger: nobody is there to look at it, and a run must not hang. And there is
# no window manager on the Xvfb display, so Wine must not wait for one: with managed
# windows it waits two seconds for every closed window to be withdrawn.
wine_env_quiet_crashes() {
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d '' /f >/dev/null 2>&1 || true
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
