#!/usr/bin/env bash
# Sanitizer checks of the host code. Builds the host tree with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in $NUVEX_BUILD/host-asan, runs every native test there once,
# then runs each libFuzzer target of tests/fuzz for SECONDS (default 60) from its seeds in
# tests/fuzz/corpus. Fails on a failed test or on any fuzzing finding, naming the target and
# the input that shows it.
#
# usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
source "$(dirname "$0")/env.sh"
seconds=${1:-60}

"$NUVEX_ROOT/scripts/install-deps.sh"

build=$NUVEX_BUILD/host-asan
jobs=$(nproc)
CC=clang CXX=clang++ cmake -S "$NUVEX_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DNUVEX_SANITIZE=ON -DNUVEX_FUZZ=ON >/dev/null
cmake --build "$build" -j "$jobs"

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$build" && ctest --output-on-failure -j "$jobs")

targets=(script_extract text_rules script_settings removal_plan package_tools lzma_block)
echo "== fuzzing ${targets[*]}, ${seconds} s each"
# New inputs go to the build folder; the seeds of the repository are only read. A fixed
# seed (NUVEX_FUZZ_SEED, default 1) makes a run repeatable on the same build; set it to 0
# for libFuzzer's own random seed in longer hunts.
fuzz() {
  local target=$1 work=$build/fuzz/$1
  rm -rf "$work/findings"
  mkdir -p "$work/corpus" "$work/findings"
  "$build/bin/fuzz_$target" -max_total_time="$seconds" -seed="${NUVEX_FUZZ_SEED:-1}" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" "$NUVEX_ROOT/tests/fuzz/corpus/$target" \
    >"$work/log" 2>&1
}
declare -A running=()
failed=0
report() {
  local target=$1 status=$2 work=$build/fuzz/$1
  if [ "$status" -eq 0 ]; then
    echo "fuzz: $target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" |
      grep -o '[0-9]*$') runs, no finding"
    return
  fi
  failed=1
  echo "fuzz: $target FOUND A FAULT (exit code $status)" >&2
  tail -n 40 "$work/log" >&2
  local input
  for input in "$work/findings"/*; do
    [ -e "$input" ] && echo "fuzz: $target: the input that shows it: $input" >&2
  done
}
# As many targets at a time as there are cores.
for target in "${targets[@]}"; do
  while [ ${#running[@]} -ge "$jobs" ]; do
    wait -n -p done_pid && status=0 || status=$?
    report "${running[$done_pid]}" "$status"
    unset "running[$done_pid]"
  done
  fuzz "$target" &
  running[$!]=$target
done
while [ ${#running[@]} -gt 0 ]; do
  wait -n -p done_pid && status=0 || status=$?
  report "${running[$done_pid]}" "$status"
  unset "running[$done_pid]"
done
if [ "$failed" -ne 0 ]; then
  echo "fuzz: findings above; fix them and add each input to tests/fuzz/corpus/<target>" >&2
  exit 1
fi
