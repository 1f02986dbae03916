# Sourced by the other scripts: where builds live and how Wine is run.
MVN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${BUILD_ROOT:-$MVN_ROOT/build}"
BUILD64="$BUILD_ROOT/x86_64"
BUILD32="$BUILD_ROOT/i686"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX="$BUILD64/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win64

# Creates the test prefix once: no display (Wine's null driver runs windows
# and modal loops without one), no Mono/Gecko prompts.
mvn_ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$WINESERVER" -w
  fi
}
