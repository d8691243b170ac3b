#!/usr/bin/env bash
# Builds the fuzz targets (preset host-fuzz: clang, libFuzzer, ASan + UBSan) and runs
# each for the given number of seconds with a memory limit. Inputs that find new
# coverage are kept, minimised, in tests/fuzz/corpus/<target>/; crashes land in
# tests/fuzz-artifacts/.
#
#   scripts/fuzz.sh SECONDS [TARGET...]     (default: every target, 60 seconds each)
#
# FUZZ_BUILD_DIR chooses the build directory (default build/host-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_form_binary fuzz_form_text fuzz_dfm_model fuzz_dfm_string fuzz_symbol_table
  fuzz_pe_image fuzz_address_list)
build=${FUZZ_BUILD_DIR:-build/host-fuzz}

cmake --preset host-fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${targets[@]}" formc -j2

mkdir -p tests/fuzz-artifacts
stamp=$(mktemp)
for t in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$corpus"
  # Seed an empty corpus with the test forms, as text or compiled to binary.
  if [ -z "$(ls -A "$corpus")" ]; then
    for f in tests/FormFiles/forms/*.dfm tests/KivTrx/forms/*.dfm; do
      [ -f "$f" ] || continue
      if [ "$t" = fuzz_form_binary ]; then
        "$build/tools/formc/formc" -b "$f" "$corpus/$(basename "$f" .dfm).bin"
      else
        cp "$f" "$corpus/"
      fi
    done
  fi
  echo "== $t: $seconds s"
  "$build/fuzz/$t" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -malloc_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=tests/fuzz-artifacts/"$t"- 2>&1 | grep -E "(DONE|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==|SUMMARY|.*check failed)" || true
  # Keep only the inputs that add coverage.
  merged=$(mktemp -d)
  "$build/fuzz/$t" -merge=1 "$merged" "$corpus" >/dev/null 2>&1
  rm -f "$corpus"/*
  mv "$merged"/* "$corpus"/ 2>/dev/null || true
  rmdir "$merged"
  echo "   corpus: $(ls "$corpus" | wc -l) inputs"
done
crashes=$(find tests/fuzz-artifacts -type f -newer "$stamp" | wc -l)
rm -f "$stamp"
if [ "$crashes" -gt 0 ]; then
  echo "$crashes new crash input(s) in tests/fuzz-artifacts/"
  exit 1
fi
