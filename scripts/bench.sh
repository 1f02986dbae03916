#!/usr/bin/env bash
# Builds both targets and runs the replace benchmark under wine64. Arguments
# go to the benchmark: --quick (100,000 cells), --walk-seconds N, --no-host.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$MVN_ROOT/scripts/setup.sh"
"$MVN_ROOT/scripts/build.sh" bench_replace
mvn_ensure_prefix
# A server left from an earlier run is stopped first: -p refuses to start
# beside one.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -p
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
"$WINE64" cmd /c exit >/dev/null 2>&1 </dev/null || true

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$WINE64" "$BUILD64/tools/bench/bench_replace.exe" "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
