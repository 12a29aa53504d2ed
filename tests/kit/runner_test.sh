#!/usr/bin/env bash
# The kit's runner with its planted checks: one fails, one throws, one
# leaves something it cannot undo. Each must be reported failed with its
# reason, the checks after them must still run, the folders they made must
# be gone, and the run must end with status 1 and the exact closing line.
#   runner_test.sh EMULATOR RUNNER.exe REPORT
set -uo pipefail
emulator="$1" runner="$2" report="$3"
rm -f "$report"
"$emulator" "$runner" --planted-faults --report "$report" >/dev/null
status=$?
if [ "$status" -ne 1 ]; then
  echo "FAILED: the runner ended with status $status, not 1, after failing checks"
  exit 1
fi
[ -f "$report" ] || { echo "FAILED: no report at $report"; exit 1; }
# The report's lines after its heading (which names the time and account).
if ! checks="$(tr -d '\r' <"$report" | sed -n '/^$/,$p' | sed 1d)"; then
  echo "FAILED: could not read $report"
  exit 1
fi
expected="passed   planted: a check that makes a folder and passes
FAILED   planted: a check that fails: as planted
FAILED   planted: a check that throws: threw: as planted
passed   planted: what the checks before made is gone
FAILED   planted: a check that leaves something it cannot undo: it left things behind
           could not undo a planted leftover: as planted
2 passed, 3 failed, 0 skipped"
if [ "$checks" != "$expected" ]; then
  echo "FAILED: the report reads"
  printf '%s\n' "$checks"
  echo "instead of"
  printf '%s\n' "$expected"
  exit 1
fi
echo "the runner reports failing, throwing and untidy checks, runs the rest, and ends with 1"
