#!/usr/bin/env bash
# Robustness figures, one line per group: damaged downloads, a hostile environment (full
# disk, files in use, a read-only target), cancel anywhere, damaged LZMA packages.
#
#   bench/robustness.sh [GROUP...]     (GROUP: damaged, environment, cancel, lzma; default all)
#
# Each group is a script in bench/robustness/ that runs its Wine test with the full counts
# (NUVEX_ROBUST_FULL=1) and prints exactly one line of figures. This script prepares what
# they share: the build, the qemu shim, the Wine prefix, a display, one persistent
# wineserver, and the test drives that the Wine tests' fixtures map (T:, a 4 MiB tmpfs; R:,
# a read-only one). Mounting needs root; without it the tests that need the drives skip,
# and their group says so.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
export NUVEX_ROOT NUVEX_BUILD

mkdir -p "$NUVEX_BUILD/bench"
build_log=$NUVEX_BUILD/bench/robustness-build.log
if [ -d "$NUVEX_BUILD/win32" ] && [ -d "$NUVEX_BUILD/host" ]; then
  build=(cmake --build "$NUVEX_BUILD/win32" -j 2)
else
  build=("$NUVEX_ROOT/scripts/build.sh")
fi
"${build[@]}" >"$build_log" 2>&1 || { tail -n 20 "$build_log" >&2; exit 1; }

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
"$drives" up "$small" 4m >/dev/null || true
"$drives" up "$readonly_drive" 4m r readonly >/dev/null || true

export NUVEX_ROBUST_BIN=$NUVEX_BUILD/win32/bin
groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then
  groups=(damaged environment cancel lzma)
fi
status=0
for group in "${groups[@]}"; do
  script=$NUVEX_ROOT/bench/robustness/$group.sh
  if [ ! -f "$script" ]; then
    echo "$group: no bench/robustness/$group.sh"
    status=1
    continue
  fi
  bash "$script" || status=1
done
exit $status
