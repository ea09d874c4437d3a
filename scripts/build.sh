#!/usr/bin/env bash
# Builds everything: the host tree (core, package builder, native tests) and the Windows
# tree (nuvex.exe, nuvexpack.exe, Wine tests). Installs missing packages first.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$NUVEX_ROOT/scripts/install-deps.sh"

jobs=$(nproc)
cmake -S "$NUVEX_ROOT" -B "$NUVEX_BUILD/host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$NUVEX_BUILD/host" -j "$jobs"
cmake -S "$NUVEX_ROOT" -B "$NUVEX_BUILD/win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$NUVEX_ROOT/cmake/i686-mingw.cmake" >/dev/null
cmake --build "$NUVEX_BUILD/win32" -j "$jobs"
