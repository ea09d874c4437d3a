#!/usr/bin/env bash
# Runs all tests: the formatting check, native unit tests, the same again under
# AddressSanitizer and UndefinedBehaviorSanitizer with a minute of fuzzing per parser
# (scripts/fuzz.sh), then the Wine tests that drive the real nuvex.exe on a virtual display.
# Builds (and installs missing packages) first.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$NUVEX_ROOT/scripts/build.sh"

echo "== formatting"
"$NUVEX_ROOT/scripts/check-format.sh"

echo "== native tests"
(cd "$NUVEX_BUILD/host" && ctest --output-on-failure -j "$(nproc)")

echo "== sanitizers and fuzzing"
"$NUVEX_ROOT/scripts/fuzz.sh"

echo "== installed tools and Debian package"
"$NUVEX_ROOT/scripts/package-check.sh"

echo "== the sample product through every page, installed and removed"
# Without a display the sample's run is the preview's walk on a virtual one, and its checks.
env -u DISPLAY "$NUVEX_ROOT/scripts/run-sample.sh"

echo "== Wine tests"
nuvex_qemu_shim
nuvex_wine_prefix
nuvex_display
trap 'wineserver -k 2>/dev/null || true; nuvex_stop_display' EXIT
# One persistent wineserver for all the test processes saves its start-up every time.
wineserver -p >/dev/null 2>&1
(cd "$NUVEX_BUILD/win32" && ctest --output-on-failure)
