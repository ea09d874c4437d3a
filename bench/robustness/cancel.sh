#!/usr/bin/env bash
# Cancel anywhere: Cancel at 30 moments of a 200-file installation with shortcuts, then the
# uninstaller. Prints "cancel anywhere: runs R, crashes C, leftovers L"; what was left, if
# anything, goes to stderr, and the test's whole output (where each run stopped) to
# robustness-cancel.txt beside the test program. Run through bench/robustness.sh.
set -uo pipefail
bin=${NUVEX_ROBUST_BIN:?run bench/robustness.sh}
root=$(cd "$(dirname "$0")/../.." && pwd)
NUVEX_ROBUST_FULL=1 "$root/scripts/wine-run.sh" "$bin/hostile_environment_tests.exe" \
  --gtest_filter='HostileEnvironment.CancelAnywhere*' | tr -d '\r' > "$bin/robustness-cancel.txt"
line=$(grep -m1 '^cancel anywhere:' "$bin/robustness-cancel.txt")
if [ -z "$line" ]; then
  echo "cancel anywhere: no figures (the test did not finish)"
  tail -20 "$bin/robustness-cancel.txt" >&2
  exit 1
fi
echo "$line"
grep '^  left ' "$bin/robustness-cancel.txt" >&2 || true
