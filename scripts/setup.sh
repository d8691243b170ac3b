#!/usr/bin/env bash
# Installs every Debian package the builds and tests need. Idempotent, no prompts.
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64
  wine wine64 xvfb xauth x11-apps imagemagick locales
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  gettext
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

# The 32-bit Windows DLLs of Wine (Debian's libwine:i386, of the installed Wine's
# version), with which wine64 runs the shipping 32-bit build in its WoW64 mode. They
# are downloaded through a private apt index and unpacked into a cache folder, never
# installed: an installed 32-bit Wine changes what the plain wine commands run. Where
# they cannot be fetched, the runs that need them are skipped.
source "$(dirname "$0")/wine-tools.sh"
fetch_wine32() {
  local dir="$PLINTH_WINE32_DIR" version
  version=$(dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null) || return 1
  if [ "$(cat "$dir/version" 2>/dev/null)" = "$version" ] && wine_wow64_dllpath >/dev/null; then
    return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir/apt/state/lists/partial" "$dir/apt/cache/archives/partial"
  local opts=(-qq -o APT::Architecture=i386 -o APT::Architectures::=i386
    -o Dir::State="$dir/apt/state" -o Dir::State::status=/dev/null
    -o Dir::Cache="$dir/apt/cache" -o Debug::NoLocking=1)
  apt-get "${opts[@]}" update &&
    (cd "$dir/apt" && apt-get "${opts[@]}" download "libwine=${version}" 2>/dev/null) &&
    dpkg-deb -x "$dir"/apt/libwine_*_i386.deb "$dir/unpacked" || return 1
  # Only the Windows side is needed: wine64 brings the Unix side itself.
  mkdir -p "$dir/root/usr/lib/i386-linux-gnu/wine"
  mv "$dir/unpacked/usr/lib/i386-linux-gnu/wine/i386-windows" "$dir/root/usr/lib/i386-linux-gnu/wine/"
  rm -rf "$dir/apt" "$dir/unpacked"
  echo "$version" >"$dir/version"
}
if ! fetch_wine32; then
  echo "setup: Wine's 32-bit DLLs could not be fetched; the shipping build's runs under Wine will be skipped" >&2
fi
