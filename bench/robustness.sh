#!/usr/bin/env bash
# Robustness figures: runs every group script in bench/robustness/ with the full counts
# and prints one line per group.
#
#   bench/robustness.sh [GROUP...]      (default: every bench/robustness/*.sh)
#
# Sets up what the groups share: the build (scripts/build.sh when the Windows tree is
# missing), the qemu shim, the Wine prefix, a display, one persistent wineserver, and the
# test drives that the Wine tests' fixtures map (T:, a 4 MiB tmpfs; R:, a read-only one).
# Mounting needs root; without it the tests that need the drives skip, and their group
# says so.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"

if [ ! -e "$NUVEX_BUILD/win32/bin/nuvex.exe" ]; then
  "$NUVEX_ROOT/scripts/build.sh" >/dev/null
fi

drives=$NUVEX_ROOT/tests/wine/tmpfs_drive.sh
small=$NUVEX_BUILD/win32/small-drive
readonly_drive=$NUVEX_BUILD/win32/readonly-drive

nuvex_qemu_shim
nuvex_wine_prefix
nuvex_display
cleanup() {
  "$drives" down "$small" >/dev/null 2>&1 || true
  "$drives" down "$readonly_drive" r >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  nuvex_stop_display
}
trap cleanup EXIT
wineserver -p >/dev/null 2>&1
"$drives" up "$small" 4m >/dev/null
"$drives" up "$readonly_drive" 4m r readonly >/dev/null

export NUVEX_ROBUST_BIN=$NUVEX_BUILD/win32/bin
if [ $# -eq 0 ]; then
  set -- "$NUVEX_ROOT"/bench/robustness/*.sh
fi
status=0
for group in "$@"; do
  bash "$group" || status=1
done
exit $status
