#!/usr/bin/env bash
# Full disk (at the first, a middle and the last file), a destination that cannot be written
# (held open, a folder in its place, a path too long), and a read-only target (absent,
# existing), each followed by the uninstaller. Prints
# "environment: cases N, handled H, failed F, skipped S". Run through bench/robustness.sh,
# which maps the test drives.
set -uo pipefail
bin=${NUVEX_ROBUST_BIN:?run bench/robustness.sh}
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(NUVEX_ROBUST_FULL=1 "$root/scripts/wine-run.sh" "$bin/hostile_environment_tests.exe" \
        --gtest_filter='HostileEnvironment.*-HostileEnvironment.CancelAnywhere*' | tr -d '\r')
handled=$(grep -c '^environment case: .*: handled$' <<<"$out")
failed=$(grep -c '^environment case: .*: failed$' <<<"$out")
skipped=$(grep -cE '^\[  SKIPPED \] HostileEnvironment\..* \([0-9]+ ms\)$' <<<"$out")
echo "environment: cases $((handled + failed)), handled $handled, failed $failed, skipped tests $skipped"
grep '^environment case: .*: failed$' <<<"$out" >&2 || true
[ "$failed" -eq 0 ]
