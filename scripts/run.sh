#!/usr/bin/env bash
# Runs the installer in a fresh, throwaway Windows machine (a new Wine prefix on its
# own X display) and says in plain words what it did; then runs it a second time to
# show that an installed SQL-DMO 2000 is left alone. It runs the shipping 32-bit build
# under Debian's 32-bit Wine in the 32-bit Debian root where this machine can, and the
# 64-bit test build otherwise, and says which and why. What it reports is what the
# machine shows before and after each run, and the exit code the program returned.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/setup.sh >/dev/null
source "${root}/scripts/i386-root.sh"
state=$(i386_root_state)
if [ "$state" = ready ]; then
  preset=win32
  export PLINTH_WINE_BITS=32
  how="the shipping 32-bit build (build/win32/bin/Plinth2000.exe), under Debian's 32-bit Wine in the 32-bit Debian root"
else
  preset=win64
  how="the 64-bit test build (build/win64/bin/Plinth2000.exe): the shipping 32-bit build cannot run here (${state#skip: })"
fi

echo "Building (this takes a few minutes the first time)..."
cmake --preset host >/dev/null
cmake --build --preset host --target pever >/dev/null
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Plinth2000 >/dev/null
pever="${root}/build/host/tools/pever/pever"
exe="${root}/build/${preset}/bin/Plinth2000.exe"

source "${root}/scripts/wine-env.sh"
echo "Making a fresh Windows machine (Wine prefix)..."
wine_env_start
drive_c="${WINEPREFIX}/drive_c"
echo "Running ${how}."

reg_value() {  # reg_value KEY [VALUE]: the data of a registry value, empty if none
  local args=(/ve)
  [ $# -gt 1 ] && args=(/v "$2")
  { "$WINE" reg query "$1" "${args[@]}" 2>/dev/null || true; } | tr -d '\r' |
    sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}

unix_path() {  # a C:\ path of the machine as a path of this one
  echo "${drive_c}/$(echo "${1#[Cc]:\\}" | sed 's|\\|/|g')"
}

# The server registered for SQLDMO.Application, empty if none.
registered_server() {
  local clsid
  clsid=$(reg_value 'HKCR\SQLDMO.Application\CLSID')
  [ -n "$clsid" ] && reg_value "HKCR\\CLSID\\${clsid}\\InprocServer32"
  return 0
}

registration() {
  local clsid server version
  clsid=$(reg_value 'HKCR\SQLDMO.Application\CLSID')
  if [ -z "$clsid" ]; then
    echo "  SQLDMO.Application is not registered."
    return
  fi
  server=$(registered_server)
  version=$("$pever" "$(unix_path "$server")" 2>/dev/null || echo "unreadable")
  echo "  SQLDMO.Application -> class ${clsid}"
  echo "  served by ${server} (file version ${version})"
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

# Runs the installer and waits for it; sets $code to the Windows exit code it returned
# (read by the command interpreter: the shell sees only its low 8 bits).
run_installer() {
  touch "$1"
  sleep 1
  local win_exe out
  win_exe="Z:$(echo "$exe" | sed 's|/|\\|g')"
  out=$("$WINE" cmd /v:on /c "start \"\" /wait \"${win_exe}\" & echo exit-code=!errorlevel!" 2>/dev/null |
    tr -d '\r')
  code=$(echo "$out" | sed -n 's/^exit-code=//p' | tail -n 1)
  "$WINESERVER" -w
}

# What the run did, from the machine as it was before and after.
outcome() {
  local files=$1 before=$2
  if [ "${code:-?}" != 0 ]; then
    echo "Outcome: the install failed (exit code ${code:-unknown})."
  elif [ -n "$files" ]; then
    echo "Outcome: installed (${before}); it wrote the files below and registered the server."
  else
    echo "Outcome: nothing to do (${before}); nothing was written."
  fi
}

describe_before() {
  local server
  server=$(registered_server)
  if [ -z "$server" ]; then
    echo "SQLDMO.Application was not registered"
  else
    echo "SQLDMO.Application was served by ${server}, file version $("$pever" "$(unix_path "$server")" 2>/dev/null || echo unreadable)"
  fi
}

show_run() {
  local marker="$1" before files
  before=$(describe_before)
  run_installer "$marker"
  files=$(written_since "$marker")
  outcome "$files" "$before"
  if [ -n "$files" ]; then
    echo "Files written:"
    echo "$files"
  fi
  echo "Registration afterwards:"
  registration
  echo "Exit code: ${code:-unknown}"
}

echo
echo "== First run, on a machine without SQL-DMO"
echo "Before:"
registration
show_run "${WINEPREFIX}/.marker1"
first=${code:-1}

echo
echo "== Second run, on the same machine"
show_run "${WINEPREFIX}/.marker2"
[ "$first" = 0 ] && [ "${code:-1}" = 0 ] && [ -z "$(written_since "${WINEPREFIX}/.marker2")" ]
