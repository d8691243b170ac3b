#!/usr/bin/env bash
# The decision whether the shipping build's tests run in the 32-bit root, with each
# probe replaced: every outcome and the reason it gives.
set -u
source "$(dirname "$0")/../../scripts/i386-root.sh"
PLINTH_CACHE_DIR=$(mktemp -d)
PLINTH_I386_ROOT="$PLINTH_CACHE_DIR/root"
trap 'rm -rf "$PLINTH_CACHE_DIR"' EXIT
failures=0

# decide KERNEL USER MOUNTS MAKE -> the decision with each probe answering yes or no.
decide() {
  kernel=$1 user=$2 mounts=$3 make=$4
  i386_kernel_runs_32bit_code() { [ "$kernel" = yes ]; }
  i386_is_root_user() { [ "$user" = yes ]; }
  i386_mounts_allowed() { [ "$mounts" = yes ]; }
  i386_outside_wine_version() { echo 8.0~test; }
  i386_root_make() {
    if [ "$make" = yes ]; then
      mkdir -p "$PLINTH_I386_ROOT" && echo "$1" >"$PLINTH_I386_ROOT/.plinth-wine-version" &&
        touch "$PLINTH_I386_ROOT/.plinth-ready"
    else
      echo "the packages were unreachable"
      return 1
    fi
  }
  i386_root_decide
}

expect() {  # expect WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}

expect "a kernel without 32-bit code" "skip: this machine's kernel runs no 32-bit code" \
  "$(decide no yes yes yes)"
expect "no root user" "skip: entering the 32-bit Debian root needs the root user" \
  "$(decide yes no yes yes)"
expect "mounts refused" "skip: this machine refuses the mounts that entering the 32-bit root needs" \
  "$(decide yes yes no yes)"
expect "a root that cannot be made" \
  "skip: the 32-bit Debian root could not be made: the packages were unreachable" \
  "$(decide yes yes yes no)"
expect "a root made" "ready" "$(decide yes yes yes yes)"
# Made once: the next decision reuses it, until the outside Wine changes.
decide yes yes yes no >/dev/null
expect "the current root reused" "ready" "$(decide yes yes yes no)"
echo 7.0~older >"$PLINTH_I386_ROOT/.plinth-wine-version"
expect "a root of another Wine made again" \
  "skip: the 32-bit Debian root could not be made: the packages were unreachable" \
  "$(decide yes yes yes no)"

# The configured Debian source, read from either format of apt's lists.
etc="$PLINTH_CACHE_DIR/etc"
mkdir -p "$etc/apt/sources.list.d"
echo 'VERSION_CODENAME=bookworm' >"$etc/os-release"
cat >"$etc/apt/sources.list.d/debian.sources" <<'LIST'
Types: deb
URIs: http://other.example/debian
Suites: bullseye
Components: main

Types: deb-src deb
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates
Components: main
LIST
expect "a deb822 list" "bookworm http://mirror.example/debian" "$(i386_debian_source "$etc")"
echo 'deb [arch=amd64 signed-by=/k.gpg] http://one-line.example/debian bookworm main' \
  >"$etc/apt/sources.list"
expect "a one-line list first" "bookworm http://one-line.example/debian" \
  "$(i386_debian_source "$etc")"
rm "$etc/apt/sources.list" "$etc/apt/sources.list.d/debian.sources"
expect "no list" "" "$(i386_debian_source "$etc")"

[ "$failures" -eq 0 ] && echo "all decisions as expected"
exit "$failures"
