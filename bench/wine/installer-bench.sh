#!/usr/bin/env bash
# Times the installer under Wine against floors in the same fresh prefix:
#  - a do-nothing run (SQL-DMO 2000 already registered) against the start of a trivial
#    Windows program that shows a window; target: at most the 250 ms timer plus 50 ms;
#  - a full install against a plain copy of the same seven files plus the server's
#    registration; target: at most twice that. Both sides also pay a program start,
#    and the installer its 250 ms timer, which the copy has no counterpart for; so the
#    install's own work (install minus do-nothing run) is set against the copy's
#    (copy minus a bare program start) as well.
# Each figure is the median of RUNS runs (default 9), wall clock including Wine's start.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
runs=${RUNS:-9}

./scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Plinth2000 bench_trivial bench_trivial_window bench_copyreg >/dev/null
bin="${root}/build/win64/bin"
payload="${root}/build/win64/payload"

source "${root}/scripts/wine-env.sh"
wine_env_start
binn='C:\Program Files\Microsoft SQL Server\80\Tools\Binn\'
binn_unix="${WINEPREFIX}/drive_c/Program Files/Microsoft SQL Server/80/Tools/Binn"
sys_unix="${WINEPREFIX}/drive_c/windows/system32"

ms() { echo $(( $(date +%s%N) / 1000000 )); }
time_once() {  # time_once COMMAND...: milliseconds until the program has ended
  local t0 t1
  t0=$(ms)
  "$@" >/dev/null 2>&1
  t1=$(ms)
  echo $((t1 - t0))
}
# One wineserver for the whole measurement, as on a running Windows machine; without
# it every run would pay for the server's start and its linger at the end.
"$WINESERVER" -p
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
"$WINE" "${bin}/Plinth2000.exe"   # installed: later runs do nothing

nothing_times=(); trivial_times=(); bare_times=()
for _ in $(seq "$runs"); do
  nothing_times+=("$(time_once "$WINE" "${bin}/Plinth2000.exe")")
  trivial_times+=("$(time_once "$WINE" "${bin}/bench_trivial_window.exe")")
  bare_times+=("$(time_once "$WINE" "${bin}/bench_trivial.exe")")
done

install=$(printf '%s\n' "${install_times[@]}" | median)
copy=$(printf '%s\n' "${copy_times[@]}" | median)
nothing=$(printf '%s\n' "${nothing_times[@]}" | median)
trivial=$(printf '%s\n' "${trivial_times[@]}" | median)
bare=$(printf '%s\n' "${bare_times[@]}" | median)

echo "do-nothing run:   ${nothing} ms; trivial program with a window: ${trivial} ms;" \
  "difference $((nothing - trivial)) ms (target at most 300 ms)"
echo "full install:     ${install} ms; copy plus registration: ${copy} ms;" \
  "ratio $(awk -v a="$install" -v b="$copy" 'BEGIN {printf "%.2f", a / b}') (target at most 2.00)"
echo "install work:     $((install - nothing)) ms (install minus do-nothing run);" \
  "copy work: $((copy - bare)) ms (copy minus a bare program start of ${bare} ms)"
