#!/usr/bin/env bash
# Runs a Windows program in a fresh Wine prefix of its own: a copy of the run's
# untouched template prefix, removed afterwards. Listing a test executable's tests
# needs no fresh machine and runs in the current prefix. A template that cannot run
# what the test needs (32-bit programs, say) skips it with exit code 77 and the reason.
#
#   fresh-prefix.sh TEMPLATE PROGRAM [ARGS...]
#
# PLINTH_E2E_TEMPLATE, when set, names the template instead (a second run of the same
# test program on another kind of machine).
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-tools.sh"
template="${PLINTH_E2E_TEMPLATE:-$1}"
shift
export WINEDEBUG="${WINEDEBUG:--all}"
for a in "$@"; do
  if [ "$a" = "--gtest_list_tests" ]; then exec "$WINE" "$@"; fi
done
[ -f "$template/system.reg" ] || { echo "no template prefix at $template" >&2; exit 1; }
if [ -f "$template/wow64.skip" ]; then
  echo "[  SKIPPED ] the shipping build's runs under WoW64: $(cat "$template/wow64.skip")"
  exit 77
fi
[ -f "$template/winedllpath" ] && export WINEDLLPATH="$(cat "$template/winedllpath")"
prefix=$(mktemp -d /tmp/plinth-e2e.XXXXXX)
cp -a "$template/." "$prefix/"
export WINEPREFIX="$prefix"
"$WINE" "$@"
rc=$?
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
rm -rf "$prefix"
exit $rc
