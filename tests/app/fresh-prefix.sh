#!/usr/bin/env bash
# Runs a Windows program in a fresh Wine prefix of its own: a copy of the run's
# untouched template prefix, removed afterwards. Listing a test executable's tests
# needs no fresh machine and runs in the current prefix.
#
#   fresh-prefix.sh TEMPLATE PROGRAM [ARGS...]
set -u
wine=/usr/lib/wine/wine64
template="$1"
shift
for a in "$@"; do
  if [ "$a" = "--gtest_list_tests" ]; then exec "$wine" "$@"; fi
done
[ -f "$template/system.reg" ] || { echo "no template prefix at $template" >&2; exit 1; }
prefix=$(mktemp -d /tmp/plinth-e2e.XXXXXX)
cp -a "$template/." "$prefix/"
export WINEPREFIX="$prefix"
"$wine" "$@"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
rm -rf "$prefix"
exit $rc
