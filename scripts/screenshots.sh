#!/usr/bin/env bash
# Renders the forms of the program and of the library to PNG pictures, each shown in a
# fresh throwaway Windows machine (a Wine prefix on its own Xvfb display):
#
#   scripts/screenshots.sh [out-dir]      # default: build/screenshots
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$(realpath -m "${1:-build/screenshots}")

./scripts/setup.sh >/dev/null
echo "Building the form gallery..."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target plinth_form_gallery >/dev/null
gallery="${root}/build/win64/tests/bin/plinth_form_gallery.exe"
mkdir -p "${out}"

source "${root}/scripts/wine-env.sh"
wine_env_start
work=$(mktemp -d /tmp/plinth-shots.XXXXXX)

# shoot NAME: shows form NAME, photographs its window, saves NAME.png.
shoot() {
  local name=$1 done_file="${work}/$1.done" rect_file="${work}/$1.rect"
  "$WINE" "${gallery}" "${name}" "Z:${done_file//\//\\}" >"${rect_file}" 2>&1 &
  local pid=$!
  for _ in $(seq 1 300); do
    grep -q '^RECT' "${rect_file}" 2>/dev/null && break
    kill -0 "${pid}" 2>/dev/null || break
    sleep 0.1
  done
  local x y w h
  if ! read -r _ x y w h < <(grep '^RECT' "${rect_file}" | tr -d '\r'); then
    echo "  ${name}: the form did not show: $(cat "${rect_file}")"
    touch "${done_file}"
    wait "${pid}" || true
    return 1
  fi
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "${out}/${name}.png"
  touch "${done_file}"
  wait "${pid}" || true
  echo "  ${out}/${name}.png (${w}x${h})"
}

echo "Pictures:"
status=0
for form in main controls mdi-docked mdi-restored flash error error-details; do shoot "${form}" || status=1; done
rm -rf "${work}"
exit ${status}
