#!/bin/sh
# Runs a Windows test program under Wine for ctest. The output goes through a file: Wine
# starts its background processes (services, the desktop window) from the first program
# that needs them, and they would otherwise keep ctest's output pipe open after the test
# has ended, so that ctest waits for ever.
log=$(mktemp)
wine "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
