#!/usr/bin/env bash
# Damaged LZMA packages: the host-built LZMA package (lzma_package_setup) with 100 payload
# bytes flipped (fixed seed) and cut at 12 points, each started once. Prints "damaged LZMA
# packages: tried N, reported R, missed M (...)"; the line of each case is in
# build/bench/robustness-lzma.log. Run by bench/robustness.sh, which sets up Wine and the
# display.
set -euo pipefail
log=$NUVEX_BUILD/bench/robustness-lzma.log
(cd "$NUVEX_BUILD/win32" && ctest -R lzma_package_setup >/dev/null 2>&1) || true
NUVEX_ROBUST_FULL=1 "$NUVEX_ROOT/scripts/wine-run.sh" \
  "$NUVEX_BUILD/win32/bin/lzma_install_tests.exe" \
  --gtest_filter='LzmaPackage.*' >"$log" 2>&1 || true
line=$(grep '^damaged LZMA packages:' "$log" | tail -n 1 || true)
if [ -z "$line" ]; then
  echo "damaged LZMA packages: no figures, the test did not finish (see $log)"
  exit 1
fi
echo "$line"
grep -q '^\[  PASSED  \] 1 test' "$log"
