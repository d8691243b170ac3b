#!/usr/bin/env bash
# The one test command: installs what is needed, builds the four presets, runs the
# host tests (plain and sanitized), then the Windows tests: the 64-bit build's under
# the outside Wine and, at the same time on a display and prefixes of their own, the
# shipping 32-bit build's in the 32-bit Debian root (where this machine can run it).
# Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/setup.sh || { echo "set-up failed"; echo "0 passed, 1 failed"; exit 1; }
source "${root}/scripts/i386-root.sh"

logdir=$(mktemp -d /tmp/plinth-test-logs.XXXXXX)
failed_builds=0
problems=()

build() {
  local preset=$1
  echo "== build ${preset}"
  if cmake --preset "${preset}" >"${logdir}/configure-${preset}.log" 2>&1 &&
     cmake --build --preset "${preset}" >"${logdir}/build-${preset}.log" 2>&1; then
    return 0
  fi
  cat "${logdir}/configure-${preset}.log" "${logdir}/build-${preset}.log" | tail -40
  failed_builds=$((failed_builds + 1))
  problems+=("build ${preset}")
  return 1
}

# Each skipped test of a CTest log with the reason it printed, as "reason<TAB>test":
# GoogleTest prints "<file>:<line>: Skipped" and the reason on the next line; a wrapper
# that cannot run a test at all prints "[  SKIPPED ] <reason>". CTest ends the entry
# with "Test Skipped." or, where the skip is read from the output, with "Skip regular
# expression found".
skip_reasons() {
  awk '
    / Test: / { name = $NF; reason = ""; next }
    /: Skipped$/ { getline; if ($0 != "") reason = $0; next }
    /^\[  SKIPPED \] [^(]*: / && reason == "" { reason = substr($0, 14); next }
    /^Test Skipped\./ || /^Skip regular expression found/ {
      print (reason == "" ? "no reason given" : reason) "\t" name
    }
  ' "$1"
}

# Runs one test preset; writes its counts and notes to ${logdir}/result-<preset>.
run_tests() {
  local preset=$1
  shift
  local log="${logdir}/test-${preset}.log" result="${logdir}/result-${preset}"
  ctest --preset "${preset}" --timeout 600 "$@" >"${log}" 2>&1
  local line p f total skipped
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "${log}" | tail -n 1)
  if [ -z "${line}" ]; then
    tail -20 "${log}"
    printf 'passed=0\nfailed=1\nproblem=test %s: no summary\n' "${preset}" >"${result}"
    return
  fi
  grep -E '\*\*\*Failed|\*\*\*Timeout|\*\*\*Exception|Not Run' "${log}" | sed "s/^/[${preset}] /"
  f=$(echo "${line}" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "${line}" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  skipped=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped' "${log}")
  p=$((total - f - skipped))
  {
    echo "passed=${p}"
    echo "failed=${f}"
    [ "${f}" -eq 0 ] || echo "problem=test ${preset}: ${f} failed"
    # A retry is printed without the "k/N" counter in front; one that passed means the
    # first try failed.
    grep -E '^ +Test +#[0-9]+: [^ ]+ \.+ +Passed' "${log}" |
      sed -E 's/^ +Test +#[0-9]+: ([^ ]+) .*/retried=\1/' | sort -u
    if [ "${skipped}" -gt 0 ]; then
      local reasons
      reasons=$(skip_reasons "build/${preset}/Testing/Temporary/LastTest.log" | sort |
        awk -F'\t' '{ n[$1]++; if (n[$1] <= 3) t[$1] = t[$1] (n[$1] > 1 ? ", " : "") $2 }
          END { for (r in n) printf "%s%s (%d: %s%s)", (k++ ? "; " : ""), r, n[r], t[r], (n[r] > 3 ? ", ..." : "") }')
      echo "skip=skipped: ${skipped} tests of ${preset}: ${reasons}"
    fi
  } >"${result}"
  echo "== tested ${preset}: ${line}"
}

# The Windows tests of one preset, on a display and a run prefix of their own.
run_windows_tests() {
  local preset=$1
  shift
  (
    source "${root}/scripts/wine-env.sh"
    wine_env_start
    # A Wine process occasionally fails to start on a loaded machine; a test gets one
    # second chance, and one that fails twice fails.
    run_tests "${preset}" -j2 --repeat until-pass:2 "$@"
  )
}

# The checked-in .clang-format holds for every source file (scripts/format.sh applies it).
echo "== format"
if ./scripts/format.sh --check >"${logdir}/format.log" 2>&1; then
  echo "passed=1" >"${logdir}/result-format"
else
  head -20 "${logdir}/format.log"
  printf 'failed=1\nproblem=format: %s lines differ from .clang-format (run scripts/format.sh)\n' \
    "$(grep -c 'warning:' "${logdir}/format.log")" >"${logdir}/result-format"
fi

build host && run_tests host -j2
build host-asan && run_tests host-asan -j2

shipping_state=$(i386_root_state)
build win32 && win32_built=1 || win32_built=""
if build win64; then
  run_windows_tests win64 &
fi
if [ -n "${win32_built}" ]; then
  if [ "${shipping_state}" = ready ]; then
    PLINTH_WINE_BITS=32 run_windows_tests win32 &
  else
    echo "skip=skipped: every test of the shipping build (win32): ${shipping_state#skip: }" \
      >"${logdir}/result-win32"
  fi
fi
wait

passed=0
failed=${failed_builds}
skips=()
retried=()
for r in "${logdir}"/result-*; do
  while IFS='=' read -r key value; do
    case "${key}" in
      passed) passed=$((passed + value)) ;;
      failed) failed=$((failed + value)) ;;
      problem) problems+=("${value}") ;;
      skip) skips+=("${value}") ;;
      retried) retried+=("${value}") ;;
    esac
  done <"${r}"
done

[ "${failed}" -eq 0 ] && rm -rf "${logdir}" || echo "logs: ${logdir}"
echo
for p in "${problems[@]}"; do echo "problem: ${p}"; done
for s in "${skips[@]}"; do echo "${s}"; done
if [ ${#retried[@]} -gt 0 ]; then
  echo "passed only on retry (${#retried[@]}): ${retried[*]}"
fi
echo "${passed} passed, ${failed} failed"
[ "${failed}" -eq 0 ]
