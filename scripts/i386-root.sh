# Sourced by scripts/setup.sh and the scripts that run the shipping (32-bit) build: the
# 32-bit Debian root in which Debian's own 32-bit Wine runs it with its windows.
#
# wine64's WoW64 mode starts 32-bit console programs but loads no display driver for
# them, so a 32-bit program cannot create a window there; a 32-bit Wine in a 32-bit
# Debian root, entered with chroot, can. The root is made once in the cache folder and
# reused while its Wine is the outside Wine's version.
#
#   i386_root_decide     # prints "ready" or "skip: <reason>" (the state file's line)
#   i386_root_state      # the last decision, as recorded by scripts/setup.sh
#
# PLINTH_I386=off skips the shipping build's runs on purpose (a quicker test run).
#
# The probes are functions of their own, so that a test can replace each of them.

PLINTH_CACHE_DIR=${PLINTH_CACHE_DIR:-${HOME}/.cache/plinth}
PLINTH_I386_ROOT=${PLINTH_I386_ROOT:-${PLINTH_CACHE_DIR}/i386-root}
PLINTH_I386_STATE=${PLINTH_I386_STATE:-${PLINTH_CACHE_DIR}/i386-root.state}

# Whether the kernel runs 32-bit code at all: a tiny static i386 program built with the
# binutils' assembler must exit with its code.
i386_kernel_runs_32bit_code() {
  command -v as >/dev/null && command -v ld >/dev/null || return 0  # cannot tell: try
  local d rc
  d=$(mktemp -d)
  printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$d/t.s"
  if as --32 "$d/t.s" -o "$d/t.o" 2>/dev/null && ld -m elf_i386 "$d/t.o" -o "$d/t" 2>/dev/null; then
    "$d/t" 2>/dev/null
    rc=$?
  else
    rc=42  # no 32-bit assembler: cannot tell
  fi
  rm -rf "$d"
  [ $rc -eq 42 ]
}

i386_is_root_user() { [ "$(id -u)" -eq 0 ]; }

# A private mount namespace with a bind mount in it: what entering the root needs.
i386_mounts_allowed() {
  unshare --mount --propagation private sh -c 'mount --bind / /mnt' 2>/dev/null
}

# The outside Wine's version, which the root's Wine must match.
i386_outside_wine_version() {
  dpkg-query -W -f='${Version}' wine64 2>/dev/null
}

# The Debian release and mirror this machine's apt is configured with, as
# "<codename> <mirror-uri>", from the one-line or the deb822 source lists (of /etc, or
# of the folder given).
i386_debian_source() {
  local etc=${1:-/etc} codename uri
  codename=$(. "$etc/os-release" 2>/dev/null && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  uri=$(cat "$etc/apt/sources.list" "$etc"/apt/sources.list.d/*.list 2>/dev/null |
    awk -v c="$codename" '$1 == "deb" { u = ""; for (i = 2; i <= NF; i++) {
        if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; continue }
        if (u == "") { u = $i; continue }
        if ($i == c) { print u; exit } break } }')
  if [ -z "$uri" ]; then
    uri=$(cat "$etc"/apt/sources.list.d/*.sources 2>/dev/null |
      awk -v c="$codename" '
        /^[ \t]*$/ { if (deb && suite && u != "") { print u; exit } deb = 0; suite = 0; u = ""; next }
        /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
        /^URIs:/ { u = $2 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == c) suite = 1 }
        END { if (deb && suite && u != "") print u }' | head -n 1)
  fi
  [ -n "$uri" ] || return 1
  echo "$codename $uri"
}

# Whether the root is complete and holds the given Wine version.
i386_root_is_current() {
  [ -f "$PLINTH_I386_ROOT/.plinth-ready" ] &&
    [ "$(cat "$PLINTH_I386_ROOT/.plinth-wine-version" 2>/dev/null)" = "$1" ]
}

# Makes (or brings up to date) the root: debootstrap from the configured Debian source,
# then Debian's 32-bit Wine of the outside Wine's version. Prints why when it cannot.
i386_root_make() {
  local version=$1 source codename uri
  source=$(i386_debian_source) || { echo "no Debian source is configured for apt"; return 1; }
  read -r codename uri <<<"$source"
  local root="$PLINTH_I386_ROOT" log="$PLINTH_CACHE_DIR/i386-root.log"
  mkdir -p "$PLINTH_CACHE_DIR"
  : >"$log"
  if [ ! -x "$root/usr/bin/apt-get" ] || [ -f "$root/.plinth-partial" ]; then
    rm -rf "$root"
    mkdir -p "$root"
    touch "$root/.plinth-partial"
    if ! command -v debootstrap >/dev/null; then
      apt-get install -y -qq --no-install-recommends debootstrap >>"$log" 2>&1 ||
        { echo "debootstrap could not be installed (see $log)"; return 1; }
    fi
    debootstrap --arch=i386 --variant=minbase "$codename" "$root" "$uri" >>"$log" 2>&1 ||
      { echo "debootstrap of $codename for i386 from $uri failed (see $log)"; return 1; }
    rm -f "$root/.plinth-partial"
  fi
  # The same release's updates as outside, so that its Wine can match the outside one.
  {
    echo "deb $uri $codename main"
    echo "deb $uri $codename-updates main"
    grep -hoE 'https?://[^ ]*debian-security[^ ]*' /etc/apt/sources.list \
      /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
      head -n 1 | sed "s|\$| $codename-security main|; s|^|deb |"
  } >"$root/etc/apt/sources.list"
  rm -f "$root/.plinth-ready"
  "$(dirname "${BASH_SOURCE[0]}")/i386-run" --setup sh -c \
    "apt-get update -qq && apt-get install -y -qq --no-install-recommends 'wine=$version' 'wine32=$version' 'libwine=$version'" \
    >>"$log" 2>&1 || { echo "Wine $version could not be installed in the 32-bit root (see $log)"; return 1; }
  echo "$version" >"$root/.plinth-wine-version"
  touch "$root/.plinth-ready"
}

# The decision, one line: "ready", or "skip: <why the shipping build cannot run here>".
# Makes or updates the root when it is missing or stale.
i386_root_decide() {
  if [ "${PLINTH_I386:-}" = off ]; then
    echo "skip: turned off for this run (PLINTH_I386=off)"
    return
  fi
  if ! i386_kernel_runs_32bit_code; then
    echo "skip: this machine's kernel runs no 32-bit code"
    return
  fi
  if ! i386_is_root_user; then
    echo "skip: entering the 32-bit Debian root needs the root user"
    return
  fi
  if ! i386_mounts_allowed; then
    echo "skip: this machine refuses the mounts that entering the 32-bit root needs"
    return
  fi
  local version why
  version=$(i386_outside_wine_version) || { echo "skip: Wine is not installed"; return; }
  if i386_root_is_current "$version"; then
    echo "ready"
  elif why=$(i386_root_make "$version"); then
    echo "ready"
  else
    echo "skip: the 32-bit Debian root could not be made: $why"
  fi
}

# The last decision that scripts/setup.sh recorded.
i386_root_state() {
  cat "$PLINTH_I386_STATE" 2>/dev/null || echo "skip: scripts/setup.sh has not decided yet"
}
