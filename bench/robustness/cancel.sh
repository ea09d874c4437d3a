#!/usr/bin/env bash
# Cancel anywhere: Cancel at 30 moments of a 200-file installation with shortcuts, then the
# uninstaller. Prints "cancel anywhere: runs R, crashes C, leftovers L"; what was left, if
# anything, goes to stderr. Run through bench/robustness.sh, which sets up Wine.
set -uo pipefail
bin=${NUVEX_ROBUST_BIN:?run bench/robustness.sh}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(NUVEX_ROBUST_FULL=1 "$root/scripts/wine-run.sh" "$bin/hostile_environment_tests.exe" \
        --gtest_filter='HostileEnvironment.CancelAnywhere*' | tr -d '\r')
line=$(grep -m1 '^cancel anywhere:' <<<"$out")
if [ -z "$line" ]; then
  echo "cancel anywhere: no figures (the test did not finish)"
  tail -20 <<<"$out" >&2
  exit 1
fi
echo "$line"
grep '^  left ' <<<"$out" >&2 || true
