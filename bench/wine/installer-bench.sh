#!/usr/bin/env bash
# Times the installer under Wine against floors in the same fresh prefix:
#  - a do-nothing run (SQL-DMO 2000 already registered) against the start of a trivial
#    Windows program; target: at most the 250 ms timer plus 50 ms more;
#  - a full install against a plain copy of the same seven files plus the server's
#    registration; target: at most twice that.
# Each figure is the median of RUNS runs (default 9), wall clock including Wine's start.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
runs=${RUNS:-9}

./scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Plinth2000 bench_trivial bench_copyreg >/dev/null
bin="${root}/build/win64/bin"
payload="${root}/build/win64/payload"

source "${root}/scripts/wine-env.sh"
wine_env_start
binn='C:\Program Files\Microsoft SQL Server\80\Tools\Binn\'
binn_unix="${WINEPREFIX}/drive_c/Program Files/Microsoft SQL Server/80/Tools/Binn"
sys_unix="${WINEPREFIX}/drive_c/windows/system32"

ms() { echo $(( $(date +%s%N) / 1000000 )); }
time_once() {  # time_once COMMAND...: milliseconds the command took
  local t0 t1
  t0=$(ms)
  "$@" >/dev/null 2>&1
  wineserver -w
  t1=$(ms)
  echo $((t1 - t0))
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
uninstall() {
  "$WINE" reg delete 'HKCR\SQLDMO.Application' /f >/dev/null 2>&1 || true
  "$WINE" reg delete 'HKCR\SQLDMO.Application.8.0' /f >/dev/null 2>&1 || true
  rm -rf "${binn_unix}" "${sys_unix}/sqlunirl.dll"
}

# Warm up Wine's caches once.
time_once "$WINE" "${bin}/bench_trivial.exe" >/dev/null

install_times=(); copy_times=()
for _ in $(seq "$runs"); do
  uninstall
  install_times+=("$(time_once "$WINE" "${bin}/Plinth2000.exe")")
  uninstall
  copy_times+=("$(time_once "$WINE" "${bin}/bench_copyreg.exe" "Z:${payload//\//\\}\\" "$binn" \
    'C:\windows\system32\')")
done
"$WINE" "${bin}/Plinth2000.exe"; wineserver -w   # installed: later runs do nothing

nothing_times=(); trivial_times=()
for _ in $(seq "$runs"); do
  nothing_times+=("$(time_once "$WINE" "${bin}/Plinth2000.exe")")
  trivial_times+=("$(time_once "$WINE" "${bin}/bench_trivial.exe")")
done

install=$(printf '%s\n' "${install_times[@]}" | median)
copy=$(printf '%s\n' "${copy_times[@]}" | median)
nothing=$(printf '%s\n' "${nothing_times[@]}" | median)
trivial=$(printf '%s\n' "${trivial_times[@]}" | median)

echo "do-nothing run:   ${nothing} ms; trivial program: ${trivial} ms;" \
  "difference $((nothing - trivial)) ms (target at most 300 ms)"
echo "full install:     ${install} ms; copy plus registration: ${copy} ms;" \
  "ratio $(awk -v a="$install" -v b="$copy" 'BEGIN {printf "%.2f", a / b}') (target at most 2.00)"
