#!/usr/bin/env bash
# Damaged LZMA packages: the host-built LZMA package (lzma_package_setup) with 100 payload
# bytes flipped (fixed seed) and cut at 12 points, each started once. Prints "damaged LZMA
# packages: tried N, reported R, missed M (...)"; the line of each case is in
# build/bench/robustness-lzma.log. Run by bench/robustness.sh, which sets up Wine and the
# display.
set -euo pipefail
source "$(dirname "$0")/figures.sh"
log=$NUVEX_BUILD/bench/robustness-lzma.log
(cd "$NUVEX_BUILD/win32" && ctest -R lzma_package_setup >/dev/null 2>&1) || true
run_figures "damaged LZMA packages" "$log" "$NUVEX_BUILD/win32/bin/lzma_install_tests.exe" 'LzmaPackage.*'
