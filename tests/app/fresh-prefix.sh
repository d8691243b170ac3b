#!/usr/bin/env bash
# Runs a Windows program in a fresh Wine prefix of its own: a copy of the run's
# untouched template prefix, removed afterwards. Listing a test executable's tests
# needs no fresh machine and runs in the current prefix.
#
#   fresh-prefix.sh TEMPLATE PROGRAM [ARGS...]
#
# With PLINTH_E2E_WINDOWS set (win98, say) the fresh machine is that Windows version
# for every program that runs on it.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-tools.sh"
template="$1"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
for a in "$@"; do
  if [ "$a" = "--gtest_list_tests" ]; then exec "$WINE" "$@"; fi
done
[ -f "$template/system.reg" ] || { echo "no template prefix at $template" >&2; exit 1; }
prefix=$(mktemp -d /tmp/plinth-e2e.XXXXXX)
cp -a "$template/." "$prefix/"
export WINEPREFIX="$prefix"
if [ -n "${PLINTH_E2E_WINDOWS:-}" ]; then
  "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$PLINTH_E2E_WINDOWS" /f >/dev/null 2>&1
fi
"$WINE" "$@"
rc=$?
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
rm -rf "$prefix"
exit $rc
