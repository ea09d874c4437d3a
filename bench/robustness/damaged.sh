#!/usr/bin/env bash
# Damaged downloads: a built package cut at 20 points (stub, script, end marker, each
# stream) and changed in one byte at 200 payload positions of a fixed seed, each started
# once. Prints "damaged downloads: tried N, detected D, missed M (...)"; the line of each
# case is in build/bench/robustness-damaged.log. Run by bench/robustness.sh, which sets up
# Wine and the display.
set -euo pipefail
log=$NUVEX_BUILD/bench/robustness-damaged.log
NUVEX_ROBUST_FULL=1 "$NUVEX_ROOT/scripts/wine-run.sh" \
  "$NUVEX_BUILD/win32/bin/hostile_package_tests.exe" \
  --gtest_filter='DamagedDownload.*' >"$log" 2>&1 || true
line=$(grep '^damaged downloads:' "$log" | tail -n 1 || true)
if [ -z "$line" ]; then
  echo "damaged downloads: no figures, the test did not finish (see $log)"
  exit 1
fi
echo "$line"
grep -q '^\[  PASSED  \] 1 test' "$log"
