#!/usr/bin/env bash
# Builds both targets: i686 (the product) and x86_64 (64-bit twin, tests, tools).
set -euo pipefail
source "$(dirname "$0")/env.sh"

configure() {  # dir arch tests
  [ -f "$1/build.ninja" ] && return
  cmake -S "$MVN_ROOT" -B "$1" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$MVN_ROOT/cmake/mingw-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DMVN_BUILD_TESTS="$3" >/dev/null
}

configure "$BUILD64" x86_64 ON
configure "$BUILD32" i686 OFF
cmake --build "$BUILD64" -- "$@"
cmake --build "$BUILD32"
