#!/usr/bin/env bash
# The one test command: installs what is needed, builds the four presets, runs the
# host tests (plain and sanitized) and the Windows tests under Wine, and ends with
# one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/setup.sh || { echo "set-up failed"; echo "0 passed, 1 failed"; exit 1; }

passed=0
failed=0
problems=()
retried=()   # tests that passed only on their second chance
skips=()     # one line per preset with skipped tests, with the reasons
logdir=$(mktemp -d /tmp/plinth-test-logs.XXXXXX)

build() {
  local preset=$1
  echo "== build ${preset}"
  if cmake --preset "${preset}" >"${logdir}/configure-${preset}.log" 2>&1 &&
     cmake --build --preset "${preset}" >"${logdir}/build-${preset}.log" 2>&1; then
    return 0
  fi
  cat "${logdir}/configure-${preset}.log" "${logdir}/build-${preset}.log" | tail -40
  failed=$((failed + 1))
  problems+=("build ${preset}")
  return 1
}

# Runs one test preset and adds its counts to the totals.
run_tests() {
  local preset=$1
  shift
  echo "== test ${preset}"
  local log="${logdir}/test-${preset}.log"
  ctest --preset "${preset}" --timeout 600 "$@" 2>&1 | tee "${log}" | grep -E '\*\*\*|tests passed|^\s+[0-9]+ - '
  local line p f total
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "${log}" | tail -n 1)
  if [ -z "${line}" ]; then
    echo "no test summary from ${preset}"
    failed=$((failed + 1))
    problems+=("test ${preset}: no summary")
    return
  fi
  f=$(echo "${line}" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "${line}" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  # A retry is printed without the "k/N" counter in front; one that passed means the
  # first try failed.
  local name
  while read -r name; do
    [ -n "${name}" ] && retried+=("${name}")
  done < <(grep -E '^ +Test +#[0-9]+: [^ ]+ \.+ +Passed' "${log}" |
    sed -E 's/^ +Test +#[0-9]+: ([^ ]+) .*/\1/' | sort -u)
  # Skipped tests count as neither; the reasons are the lines they printed.
  local skipped reasons
  skipped=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped' "${log}")
  if [ "${skipped}" -gt 0 ]; then
    reasons=$(grep -hE '^\[  SKIPPED \] [^(]*: ' "build/${preset}/Testing/Temporary/LastTest.log" \
      2>/dev/null | grep -v 'listed below' | sed -E 's/^\[  SKIPPED \] //' | sort -u | paste -sd ';' -)
    skips+=("skipped: ${skipped} tests of ${preset}: ${reasons:-no reason given}")
  fi
  p=$((total - f - skipped))
  passed=$((passed + p))
  failed=$((failed + f))
  [ "${f}" -eq 0 ] || problems+=("test ${preset}: ${f} failed")
}

# The checked-in .clang-format holds for every source file (scripts/format.sh applies it).
echo "== format"
if ./scripts/format.sh --check >"${logdir}/format.log" 2>&1; then
  passed=$((passed + 1))
else
  head -20 "${logdir}/format.log"
  failed=$((failed + 1))
  problems+=("format: $(grep -c 'warning:' "${logdir}/format.log") lines differ from .clang-format (run scripts/format.sh)")
fi

build host && run_tests host -j2
build host-asan && run_tests host-asan -j2
build win32
if build win64; then
  source "${root}/scripts/wine-env.sh"
  wine_env_start
  # A Wine process occasionally fails to start on a loaded machine; a test gets one
  # second chance, and one that fails twice fails.
  run_tests win64 -j2 --repeat until-pass:2
  wine_env_stop
  trap - EXIT
fi

[ "${failed}" -eq 0 ] && rm -rf "${logdir}" || echo "logs: ${logdir}"
echo
for p in "${problems[@]}"; do echo "problem: ${p}"; done
for s in "${skips[@]}"; do echo "${s}"; done
if [ ${#retried[@]} -gt 0 ]; then
  echo "passed only on retry (${#retried[@]}): ${retried[*]}"
fi
echo "${passed} passed, ${failed} failed"
[ "${failed}" -eq 0 ]
