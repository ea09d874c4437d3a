#!/usr/bin/env bash
# Damaged downloads: a built package cut at 20 points (stub, script, end marker, each
# stream) and changed in one byte at 200 payload positions of a fixed seed, each started
# once. Prints "damaged downloads: tried N, detected D, missed M (...)"; the line of each
# case is in build/bench/robustness-damaged.log. Run by bench/robustness.sh, which sets up
# Wine and the display.
set -euo pipefail
source "$(dirname "$0")/figures.sh"
log=$NUVEX_BUILD/bench/robustness-damaged.log
run_figures "damaged downloads" "$log" "$NUVEX_BUILD/win32/bin/hostile_package_tests.exe" 'DamagedDownload.*'
