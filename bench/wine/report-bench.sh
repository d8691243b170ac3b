#!/usr/bin/env bash
# Times the exception dialog's whole report (head, stack, system, modules, active
# controls and system information) in a process set up as the installer's, under
# Wine (bench/wine/ReportBench.cpp). Target: under 100 ms. Each run starts a fresh
# process, whose first report pays for everything read once; the figures are the
# medians over RUNS runs (default 9) of the first report and of the later ones.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
runs=${RUNS:-9}
preset=${PRESET:-win64}
cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target bench_report >/dev/null
source "${root}/scripts/wine-env.sh"
wine_env_start
trap wine_env_stop EXIT
firsts=(); laters=(); cpu_firsts=()
for _ in $(seq "$runs"); do
  line=$("$WINE" "${root}/build/${preset}/bin/bench_report.exe" | tr -d '\r')
  echo "${line}"
  result=$(grep '^report of' <<<"${line}")
  firsts+=("$(sed -n 's/.*characters): first \([0-9.]*\) ms, later.*/\1/p' <<<"${result}")")
  laters+=("$(sed -n 's/.*characters): .* later median \([0-9.]*\) ms; processor.*/\1/p' <<<"${result}")")
  cpu_firsts+=("$(sed -n 's/.*processor first \([0-9.]*\) ms.*/\1/p' <<<"${result}")")
done
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
first=$(printf '%s\n' "${firsts[@]}" | median)
later=$(printf '%s\n' "${laters[@]}" | median)
cpu=$(printf '%s\n' "${cpu_firsts[@]}" | median)
echo "whole report, median of ${runs} runs: first ${first} ms, later ${later} ms" \
  "($(awk -v a="${first}" 'BEGIN {printf "%.2f", a / 100}') of the 100 ms target);" \
  "this process's processor time for the first: ${cpu} ms"
