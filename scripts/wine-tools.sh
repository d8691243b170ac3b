# Sourced by every script that runs Wine: which Wine runs the programs.
#
# The 64-bit test build runs under the outside wine64, through its own loader and server:
# the plain "wine", "wineboot" and "wineserver" commands pick another loader when a
# 32-bit Wine is installed too, and a prefix then changes or stalls. With
# PLINTH_WINE_BITS=32 (the win32 test preset sets it) the shipping build runs under
# Debian's 32-bit Wine inside the 32-bit Debian root instead (scripts/i386-run).

_wine_tools_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ "${PLINTH_WINE_BITS:-64}" = 32 ]; then
  WINE="$_wine_tools_dir/wine32"
  WINESERVER="$_wine_tools_dir/wineserver32"
else
  WINE=/usr/lib/wine/wine64
  if [ -x /usr/lib/wine/wineserver64 ]; then
    WINESERVER=/usr/lib/wine/wineserver64
  else
    WINESERVER="$(dirname "$(readlink -f "$WINE")")/wineserver"
  fi
fi
export WINE WINESERVER
