#!/usr/bin/env bash
# Runs the installer in a fresh, throwaway Windows machine (a new Wine prefix on its
# own X display) and says in plain words what it did; then runs it a second time to
# show that an installed SQL-DMO 2000 is left alone; then, on another fresh machine,
# shows a roll-out's silent run with its log between two runs of the detection rule.
# It runs the shipping 32-bit build under Debian's 32-bit Wine in the 32-bit Debian
# root where this machine can, and the 64-bit test build otherwise, and says which and
# why. What it reports is what the machine shows before and after each run, the
# decision the program wrote into its log, and the Windows exit code it returned.
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
  find "$drive_c" -type f -newer "$1" ! -name '*.reg' ! -name '*.log' ! -path '*/users/*' 2>/dev/null | sort |
    while read -r f; do
      local win version
      win="C:\\$(echo "${f#"$drive_c"/}" | sed 's|/|\\|g')"
      version=$("$pever" "$f" 2>/dev/null || echo "?")
      printf '  %-72s file version %s\n' "$win" "$version"
    done
}

# What a Windows exit code of the program means (of a /check with "check").
meaning() {
  case "$1${2:+ $2}" in
    "0 check") echo "SQL-DMO 2000 is in place" ;;
    0) echo "success" ;;
    "1 check") echo "install needed" ;;
    1603) echo "failure" ;;
    1639) echo "bad command line" ;;
    3010) echo "success, a restart is needed" ;;
    *) echo "not one of the program's codes" ;;
  esac
}

# Runs the installer with the given arguments and waits for it; sets $code to the
# Windows exit code it returned. The command interpreter reads it: the shell would see
# only its low 8 bits (67 for 1603).
run_installer() {
  touch "$1"
  shift
  sleep 1
  local win_exe out
  win_exe="Z:$(echo "$exe" | sed 's|/|\\|g')"
  # The interpreter ends with the program's exit code: not a failure of this script.
  out=$({ "$WINE" cmd /v:on /c "start \"\" /wait \"${win_exe}\" $* & echo exit-code=!errorlevel!" ||
    true; } 2>/dev/null | tr -d '\r')
  code=$(echo "$out" | sed -n 's/^exit-code=//p' | tail -n 1)
  "$WINESERVER" -w
}

# A log the program wrote, as text of this machine.
program_log() {
  sed '1s/^\xEF\xBB\xBF//' "$(unix_path "$1")" 2>/dev/null | tr -d '\r'
}

# The decision of the run that wrote the log, in the program's own words.
decision() {
  program_log "$1" | sed -n 's/^[0-9-]* [0-9:]*  Decision: //p' | tail -n 1
}

describe_before() {
  local server
  server=$(registered_server)
  if [ -z "$server" ]; then
    echo "SQLDMO.Application is not registered."
  else
    echo "SQLDMO.Application is served by ${server}, file version $("$pever" "$(unix_path "$server")" 2>/dev/null || echo unreadable)."
  fi
}

# One run with a log of its own: what it decided, wrote and left registered.
show_run() {
  local marker="$1" log="$2" files found
  echo "Command: Plinth2000.exe /log ${log}"
  run_installer "$marker" /log "$log"
  files=$(written_since "$marker")
  found=$(decision "$log")
  echo "Decision (from the program's log): ${found:-none; the program wrote no decision}"
  if [ -n "$files" ]; then
    echo "Files written:"
    echo "$files"
  else
    echo "Nothing was written."
  fi
  echo "Registration afterwards:"
  registration
  echo "Exit code: ${code:-unknown} ($(meaning "${code:-}"))"
}

echo
echo "== First run, on a machine without SQL-DMO"
echo "Before: $(describe_before)"
show_run "${WINEPREFIX}/.marker1" 'C:\Plinth2000-first.log'
first=${code:-1}
first_decision=$(decision 'C:\Plinth2000-first.log')

echo
echo "== Second run, on the same machine"
echo "Before: $(describe_before)"
show_run "${WINEPREFIX}/.marker2" 'C:\Plinth2000-second.log'
second=${code:-1}
second_files=$(written_since "${WINEPREFIX}/.marker2")

echo
echo "== A roll-out's silent run, on another fresh machine"
echo "Making it..."
wine_env_new_machine
drive_c="${WINEPREFIX}/drive_c"
mkdir -p "${drive_c}/Logs"
echo "Detection rule before: Plinth2000.exe /check"
run_installer "${WINEPREFIX}/.marker3" /check
check_before=${code:-}
echo "  Exit code: ${check_before:-unknown} ($(meaning "${check_before}" check))"
echo 'Silent install: Plinth2000.exe /quiet /log C:\Logs\Plinth2000.log'
run_installer "${WINEPREFIX}/.marker4" /quiet /log 'C:\Logs\Plinth2000.log'
quiet=${code:-}
echo "  Exit code: ${quiet:-unknown} ($(meaning "${quiet}"))"
echo '  Its log, C:\Logs\Plinth2000.log:'
program_log 'C:\Logs\Plinth2000.log' | sed 's/^/    /'
echo "Detection rule after: Plinth2000.exe /check"
run_installer "${WINEPREFIX}/.marker5" /check
check_after=${code:-}
echo "  Exit code: ${check_after:-unknown} ($(meaning "${check_after}" check))"

[ "$first" = 0 ] && [ "${first_decision#install}" != "$first_decision" ] && [ "$second" = 0 ] &&
  [ -z "$second_files" ] && [ "$check_before" = 1 ] && [ "$quiet" = 0 ] && [ "$check_after" = 0 ]
