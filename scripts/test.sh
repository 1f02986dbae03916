#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test under wine64.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$MVN_ROOT/scripts/setup.sh"
"$MVN_ROOT/scripts/build.sh"
mvn_ensure_prefix

# One persistent server for the whole run: each test process then starts in a
# fraction of a second.
# A server left from an earlier run is stopped first: -p refuses to start
# beside one.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -p
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
# The first Wine process starts Wine's background services, which would hold
# the first test's output pipe open until its timeout: start them here.
"$WINE64" cmd /c exit >/dev/null 2>&1 </dev/null || true
ctest --test-dir "$BUILD64" --output-on-failure "$@"
