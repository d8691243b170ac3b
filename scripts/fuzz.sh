#!/usr/bin/env bash
# Builds the fuzz targets (preset host-fuzz: clang, libFuzzer, ASan + UBSan) and runs
# each for the given number of seconds with a memory limit.
#
# Seeds: the project's test forms and the real form files of the shared test data
# (forms-real/ and forms-encodings/), read where they lie (as text, or compiled to
# binary for the binary target); they are never copied into the project. Inputs of up
# to 4 KB that add coverage beyond the seeds are kept in tests/fuzz/corpus/<target>/
# (larger ones are mostly the seeds, mutated, and would make the committed corpus
# large); crashes land in tests/fuzz-artifacts/.
#
#   scripts/fuzz.sh SECONDS [TARGET...]     (default: every target, 60 seconds each)
#
# FUZZ_BUILD_DIR chooses the build directory (default build/host-fuzz).
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_form_binary fuzz_form_text fuzz_form_float fuzz_dfm_model fuzz_dfm_string
    fuzz_symbol_table fuzz_pe_image fuzz_pe_section fuzz_address_list fuzz_po_file
    fuzz_string_table fuzz_module_resources)
build=${FUZZ_BUILD_DIR:-build/host-fuzz}
# New inputs stay small enough to commit; most real forms fit whole.
max_len=65536

cmake --preset host-fuzz -B "$build" >/dev/null
cmake --build "$build" --target "${targets[@]}" formc -j2
shared=$(sed -n 's/^PLINTH_SHARED_DIR:PATH=//p' "$build/CMakeCache.txt")
formc=$build/tools/formc/formc

is_binary() {
  case "$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')" in
    54504630 | ff0a00*) return 0 ;;
    *) return 1 ;;
  esac
}

# Writes the seeds of target $1 into folder $2 (links to the files, or compiled forms).
make_seeds() {
  local target=$1 dir=$2 f base
  case "$target" in
    fuzz_form_float | fuzz_symbol_table | fuzz_address_list | fuzz_po_file | fuzz_string_table)
      return ;; # not forms
    fuzz_pe_image | fuzz_pe_section | fuzz_module_resources)
      # Small libraries of a cross build, when there is one.
      for f in build/win32/payload/* build/win64/tests/bin/fixtures/*.dll; do
        [ -f "$f" ] && ln -s "$(realpath "$f")" "$dir/$(basename "$f")"
      done
      return
      ;;
  esac
  for f in tests/FormFiles/forms/*.dfm "$shared"/forms-real/*.dfm "$shared"/forms-encodings/*.dfm; do
    [ -f "$f" ] || continue
    base=$(basename "$(dirname "$f")")-$(basename "$f" .dfm)
    if is_binary "$f"; then
      # A binary form: as it is for the binary target, as text for the others.
      if [ "$target" = fuzz_form_binary ]; then
        ln -s "$(realpath "$f")" "$dir/$base.bin"
      else
        "$formc" -t "$f" "$dir/$base.dfm"
      fi
    elif [ "$target" = fuzz_form_binary ]; then
      "$formc" -b "$f" "$dir/$base.bin" 2>/dev/null || true
      "$formc" -s "$f" "$dir/$base.stream" 2>/dev/null || true
    else
      ln -s "$(realpath "$f")" "$dir/$base.dfm"
    fi
  done
}

mkdir -p tests/fuzz-artifacts
stamp=$(mktemp)
for t in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$corpus"
  seeds=$(mktemp -d)
  make_seeds "$t" "$seeds"
  echo "== $t: $seconds s, $(ls "$seeds" | wc -l) seeds, $(ls "$corpus" | wc -l) corpus inputs"
  "$build/fuzz/$t" "$corpus" "$seeds" -max_total_time="$seconds" -max_len="$max_len" \
    -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 -print_final_stats=1 \
    -artifact_prefix=tests/fuzz-artifacts/"$t"- 2>&1 |
    grep -E "(DONE|stat::number_of_executed_units|stat::peak_rss|==[0-9]+==|SUMMARY|.*check failed)" || true
  # Keep only the inputs that add coverage beyond the seeds: merge into a folder that
  # holds the seeds already, then take the seeds out again.
  merged=$(mktemp -d)
  cp -RP "$seeds"/. "$merged"/
  "$build/fuzz/$t" -merge=1 -max_len="$max_len" "$merged" "$corpus" >/dev/null 2>&1
  for s in "$seeds"/*; do rm -f "$merged/$(basename "$s")"; done
  find "$merged" -type f -size +4096c -delete
  rm -f "$corpus"/*
  mv "$merged"/* "$corpus"/ 2>/dev/null || true
  rm -rf "$merged" "$seeds"
  echo "   corpus: $(ls "$corpus" | wc -l) inputs, $(du -sh "$corpus" | cut -f1)"
done
crashes=$(find tests/fuzz-artifacts -type f -newer "$stamp" | wc -l)
rm -f "$stamp"
if [ "$crashes" -gt 0 ]; then
  echo "$crashes new crash input(s) in tests/fuzz-artifacts/"
  exit 1
fi
