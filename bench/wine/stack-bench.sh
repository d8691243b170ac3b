#!/usr/bin/env bash
# Times the stack-walking facility under Wine (bench/wine/StackCaptureBench.cpp):
# capture at depths 5, 20 and 50 against RtlCaptureStackBackTrace in the same run
# (target: at most twice its time at depth 20), a throw's cost with and without
# tracking, and code-address lookups (target: under a microsecond). Ends with the
# installer's own table against its code.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_stack_capture Plinth2000 >/dev/null
source "${root}/scripts/wine-env.sh"
wine_env_start
"$WINE" "${root}/build/win64/bin/bench_stack_capture.exe"
read -r code table < <(x86_64-w64-mingw32-objdump -h "${root}/build/win64/bin/Plinth2000.exe" |
  awk '$2 == ".text" { c = $3 } $2 == "KIVDEBUG" { t = $3 } END { print c, t }')
code=$((16#$code))
table=$((16#$table))
echo "Plinth2000.exe: table $table bytes for $code bytes of code ($((100 * table / code))%)"
