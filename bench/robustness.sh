#!/usr/bin/env bash
# Robustness figures, one line per group: damaged downloads, write failures and files in
# use, cancel anywhere.
#
#   bench/robustness.sh [GROUP...]     (GROUP: damaged, environment, cancel; default all)
#
# Each group is a script in bench/robustness/ that runs its Wine test with the full counts
# (NUVEX_ROBUST_FULL=1) and prints exactly one line of figures; the whole output of each
# run goes to build/bench/robustness-GROUP.log. This script prepares what they share: the
# build, the qemu shim, the Wine prefix, a display, one persistent wineserver and the small
# tmpfs drive T: (as the small_drive fixture of the Wine tests makes it).
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

nuvex_qemu_shim
nuvex_wine_prefix
nuvex_display
drive=$NUVEX_BUILD/win32/small-drive
cleanup() {
  wineserver -k 2>/dev/null || true
  "$NUVEX_ROOT/tests/wine/tmpfs_drive.sh" down "$drive" >/dev/null || true
  nuvex_stop_display
}
trap cleanup EXIT
wineserver -p >/dev/null 2>&1
"$NUVEX_ROOT/tests/wine/tmpfs_drive.sh" up "$drive" 4m

groups=("$@")
if [ ${#groups[@]} -eq 0 ]; then
  for group in damaged environment cancel; do
    if [ -f "$NUVEX_ROOT/bench/robustness/$group.sh" ]; then
      groups+=("$group")
    fi
  done
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
