#!/usr/bin/env bash
# Times the translation framework under Wine (bench/wine/TrxRebuildBench.cpp) beside
# msgmerge on the same machine in the same run:
# - the rebuild of a resource module of 20,000 strings and 200 forms made for another
#   build, against `msgmerge --no-fuzzy-matching` of a 20,000-entry catalog against its
#   template (target: at most the same time);
# - the start-up check with a current module against a start without one (target: under
#   10 ms more).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_trx_rebuild >/dev/null
merge=$(bench/trx/msgmerge-bench.sh | tail -1)
echo "msgmerge: ${merge}"
source "${root}/scripts/wine-env.sh"
wine_env_start
trap wine_env_stop EXIT
rebuild=$("$WINE" "${root}/build/win64/bin/bench_trx_rebuild.exe" rebuild | tr -d '\r')
echo "${rebuild}"
"$WINE" "${root}/build/win64/bin/bench_trx_rebuild.exe" scaling | tr -d '\r'
"$WINE" "${root}/build/win64/bin/bench_trx_rebuild.exe" startup | tr -d '\r'
seconds=$(sed -n 's/^rebuild of.*: \([0-9.]*\) s .*/\1/p' <<<"${rebuild}")
merge_seconds=$(sed -n 's/.*median \([0-9.]*\) s wall.*/\1/p' <<<"${merge}")
awk -v a="${seconds}" -v b="${merge_seconds}" \
  'BEGIN { printf "rebuild / msgmerge: %.2fx (target at most 1x)\n", a / b }'
