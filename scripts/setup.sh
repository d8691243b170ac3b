#!/usr/bin/env bash
# Installs every Debian package the builds and tests need. Idempotent, no prompts.
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64
  wine wine64 xvfb xauth x11-apps imagemagick locales
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  gettext debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The 32-bit Debian root in which the shipping build's tests run (scripts/i386-root.sh):
# made once, reused while its Wine matches the outside one. The decision, "ready" or
# the reason why not, is recorded for the test and run scripts.
source "$(dirname "$0")/i386-root.sh"
mkdir -p "$PLINTH_CACHE_DIR"
(
  flock 9
  state=$(i386_root_decide)
  echo "$state" >"$PLINTH_I386_STATE"
  [ "$state" = ready ] || echo "setup: the shipping build's tests will be skipped: ${state#skip: }" >&2
) 9>"$PLINTH_CACHE_DIR/i386-root.lock"
