#!/usr/bin/env bash
# Times the translation framework under Wine (bench/wine/TrxRebuildBench.cpp) beside
# msgmerge on the same machine in the same run:
# - the rebuild of a resource module of 20,000 strings and 200 forms made for another
#   build, against `msgmerge --no-fuzzy-matching` of a 20,000-entry catalog against its
#   template (target: at most the same time). The two alternate, a merge and a rebuild
#   a round, so that a machine whose speed drifts slows both alike;
# - the rebuild's peak working set against the module file (target: under 20x);
# - the same rebuild at 20,000, 50,000 and 100,000 rows (target: the time a row stays);
# - the start-up check with a current module against a start without one (target: under
#   10 ms more).
#
#   bench/wine/trx-bench.sh            (ROUNDS paired rounds, default 9)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
rounds=${ROUNDS:-9}
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_trx_rebuild >/dev/null
command -v msgmerge >/dev/null || {
  echo "msgmerge is missing: run scripts/setup.sh (Debian package gettext)" >&2
  exit 1
}
work=$(mktemp -d)
source "${root}/scripts/wine-env.sh"
wine_env_start
trap 'wine_env_stop; rm -rf "$work"' EXIT
bench=("$WINE" "${root}/build/win64/bin/bench_trx_rebuild.exe")

bench/trx/msgmerge-bench.sh catalogs "$work"
merge=(msgmerge --no-fuzzy-matching -q -o /dev/null "$work/cat.po" "$work/tmpl.pot")
"${merge[@]}"  # a failing merge must not pass for a fast one
files=$("${bench[@]}" keep-files | tr -d '\r')
TIMEFORMAT='%R'
for ((i = 0; i < rounds; i++)); do
  { time "${merge[@]}"; } 2>>"$work/merges"
  "${bench[@]}" round "$files" | tr -d '\r' >>"$work/rebuilds"
done
"${bench[@]}" remove-files "$files"

median() { sort -g | awk '{a[NR] = $1} END {printf "%.4f", a[int((NR + 1) / 2)]}'; }
column() { awk -v c="$1" '{print $c}' "$work/rebuilds" | median; }
merge_s=$(median <"$work/merges")
rebuild_s=$(column 1)
peak=$(column 2)
start=$(column 3)
module=$(column 4)
pair=$(paste "$work/rebuilds" "$work/merges" | awk '{print $1 / $5}' | median)
awk -v m="$merge_s" -v r="$rebuild_s" -v p="$peak" -v s="$start" -v b="$module" \
  -v pair="$pair" -v n="$rounds" 'BEGIN {
  mb = 1048576
  printf "msgmerge --no-fuzzy-matching, 20000 entries: %.3f s (median of %d)\n", m, n
  printf "rebuild of 20000 strings and 200 forms (22200 rows): %.3f s (median of %d)\n", r, n
  printf "rebuild peak working set: %.1f MB, %.1fx the module'"'"'s %.2f MB (target under 20x); ", p / mb, p / b, b / mb
  printf "%.1f MB of it the process before the rebuild, the rebuild'"'"'s own %.1f MB = %.1fx\n", s / mb, (p - s) / mb, (p - s) / b
  printf "rebuild / msgmerge: %.2fx (target at most 1x); the median of the rounds'"'"' own ratios %.2fx\n", r / m, pair
}'
"${bench[@]}" scaling | tr -d '\r'
"${bench[@]}" startup | tr -d '\r'
