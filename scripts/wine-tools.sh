# Sourced by every script that runs Wine: the 64-bit Wine's own tools, and the 32-bit
# Windows DLLs that let it run the shipping (32-bit) build in its WoW64 mode.
#
# The plain "wine", "wineboot" and "wineserver" commands pick the 32-bit loader when a
# 32-bit Wine is installed too, and a prefix then changes or stalls; so every command
# goes through $WINE (wine64) and $WINESERVER (its own server).

WINE=/usr/lib/wine/wine64
if [ -x /usr/lib/wine/wineserver64 ]; then
  WINESERVER=/usr/lib/wine/wineserver64
else
  WINESERVER="$(dirname "$(readlink -f "$WINE")")/wineserver"
fi
export WINE WINESERVER

# Where scripts/setup.sh unpacks Debian's libwine:i386 (never installed).
PLINTH_WINE32_DIR=${PLINTH_WINE32_DIR:-${HOME}/.cache/plinth/wine-i386}

# The WINEDLLPATH entry under which wine64 finds the 32-bit DLLs (its i386-windows
# folder), or nothing when they are not unpacked.
wine_wow64_dllpath() {
  local dir="${1:-$PLINTH_WINE32_DIR}/root/usr/lib/i386-linux-gnu/wine"
  [ -f "$dir/i386-windows/ntdll.dll" ] && echo "$dir"
}

# In the current WINEPREFIX (booted with the WINEDLLPATH above), runs a 32-bit Windows
# program. Succeeds when it ran; otherwise prints in one line why 32-bit programs
# cannot run here.
wine_wow64_probe() {
  local dllpath
  dllpath=$(wine_wow64_dllpath "${1:-}") || {
    echo "the 32-bit Wine DLLs are not unpacked (scripts/setup.sh fetches them)"
    return 1
  }
  local rc
  WINEDLLPATH="$dllpath" "$WINE" "$dllpath/i386-windows/cmd.exe" /c exit 7 >/dev/null 2>&1
  rc=$?
  [ $rc -eq 7 ] && return 0
  if ! wine_kernel_runs_32bit_code; then
    echo "this machine's kernel runs no 32-bit code, which Wine's WoW64 mode needs"
  else
    echo "a 32-bit Windows program under wine64 ended with code $rc instead of 7"
  fi
  return 1
}

# Whether the kernel runs 32-bit code at all: a tiny static i386 program built with the
# binutils' assembler must exit with its code.
wine_kernel_runs_32bit_code() {
  command -v as >/dev/null && command -v ld >/dev/null || return 0  # cannot tell: assume so
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
