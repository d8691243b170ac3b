#!/usr/bin/env bash
# Runs the installer in a fresh, throwaway Windows machine (a new Wine prefix on its
# own X display) and says in plain words what it did; then runs it a second time to
# show that an installed SQL-DMO 2000 is left alone. It runs the shipping 32-bit build
# under wine64's WoW64 mode where this machine can run 32-bit code, and the 64-bit
# test build otherwise, and says which.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/setup.sh >/dev/null
echo "Building (this takes a few minutes the first time)..."
cmake --preset host >/dev/null
cmake --build --preset host --target pever >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Plinth2000 >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Plinth2000 >/dev/null
pever="${root}/build/host/tools/pever/pever"

source "${root}/scripts/wine-env.sh"
echo "Making a fresh Windows machine (Wine prefix)..."
# With Wine's 32-bit DLLs on its search path the machine can also run 32-bit programs.
if dllpath=$(wine_wow64_dllpath); then export WINEDLLPATH="${dllpath}"; fi
wine_env_start
drive_c="${WINEPREFIX}/drive_c"

reg_view=()
if why=$(wine_wow64_probe); then
  exe="${root}/build/win32/bin/Plinth2000.exe"
  reg_view=(/reg:32)  # the registrations a 32-bit program makes and sees
  echo "Running the shipping 32-bit build (build/win32/bin/Plinth2000.exe) under wine64's WoW64 mode."
else
  exe="${root}/build/win64/bin/Plinth2000.exe"
  echo "Running the 64-bit test build (build/win64/bin/Plinth2000.exe): the shipping 32-bit build cannot run here (${why})."
fi

reg_value() {  # reg_value KEY [VALUE]: the data of a registry value, empty if none
  local args=(/ve)
  [ $# -gt 1 ] && args=(/v "$2")
  { "$WINE" reg query "$1" "${args[@]}" "${reg_view[@]}" 2>/dev/null || true; } | tr -d '\r' |
    sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}

registration() {
  local clsid server
  clsid=$(reg_value 'HKCR\SQLDMO.Application\CLSID')
  if [ -z "$clsid" ]; then
    echo "  SQLDMO.Application is not registered."
    return
  fi
  server=$(reg_value "HKCR\\CLSID\\${clsid}\\InprocServer32")
  echo "  SQLDMO.Application -> class ${clsid}"
  echo "  served by ${server}"
}

# Every file under drive_c newer than the marker, as a Windows path with its version.
written_since() {
  find "$drive_c" -type f -newer "$1" ! -name '*.reg' ! -path '*/users/*' 2>/dev/null | sort |
    while read -r f; do
      local win version
      win="C:\\$(echo "${f#"$drive_c"/}" | sed 's|/|\\|g')"
      version=$("$pever" "$f" 2>/dev/null || echo "?")
      printf '  %-72s file version %s\n' "$win" "$version"
    done
}

run_installer() {
  local marker="$1"
  touch "$marker"
  sleep 1
  set +e
  "$WINE" "$exe"
  code=$?
  set -e
  "$WINESERVER" -w
}

echo
echo "== First run, on a machine without SQL-DMO"
echo "Before:"
registration
run_installer "${WINEPREFIX}/.marker1"
echo "Decision: install (no SQL-DMO 2000 at version 2000.10 or later was registered)."
echo "Files written:"
written_since "${WINEPREFIX}/.marker1"
echo "Registration afterwards:"
registration
echo "Exit code: ${code}"
first=$code

echo
echo "== Second run, on the same machine"
run_installer "${WINEPREFIX}/.marker2"
files=$(written_since "${WINEPREFIX}/.marker2")
if [ -z "$files" ]; then
  echo "Decision: nothing to do (SQL-DMO 2000 is registered at the required version); nothing was written."
else
  echo "Files written (none were expected):"
  echo "$files"
fi
echo "Registration afterwards:"
registration
echo "Exit code: ${code}"

[ "$first" -eq 0 ] && [ "$code" -eq 0 ] && [ -z "$files" ]
