#!/usr/bin/env bash
# Installs what is missing, builds both targets, and runs Batch Replace on a
# sample workbook in the stand-in spreadsheet. LANG=zh_CN.UTF-8 shows the
# Chinese texts.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$MVN_ROOT/scripts/setup.sh"
"$MVN_ROOT/scripts/build.sh" >/dev/null
mvn_ensure_prefix
"$WINE64" "$BUILD64/tools/demo/mvn_demo.exe"
