# Sourced by the robustness groups whose Wine test prints its own line of figures.
#   run_figures LABEL LOG TEST_EXE GTEST_FILTER
# Runs the test with the full counts, its output in LOG, and prints the last line that starts
# with "LABEL:". Fails when there is no such line or the test did not pass.
run_figures() {
  local label=$1 log=$2 exe=$3 filter=$4 line
  NUVEX_ROBUST_FULL=1 "$NUVEX_ROOT/scripts/wine-run.sh" "$exe" \
    --gtest_filter="$filter" >"$log" 2>&1 || true
  line=$(grep "^$label:" "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    echo "$label: no figures, the test did not finish (see $log)"
    return 1
  fi
  echo "$line"
  grep -q '^\[  PASSED  \] 1 test' "$log"
}
