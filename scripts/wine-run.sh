#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Wine's helper processes can
# outlive the program and would hold ctest's output pipe open, so the output
# goes through a file first.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out="$(mktemp)"
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
