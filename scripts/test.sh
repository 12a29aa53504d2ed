#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test tier: native unit
# tests, then the Windows tiers (adapter tests and end-to-end) under Wine on a
# private Xvfb with one wineserver for the run. Ends with
# "N passed, N failed, N skipped": a test ctest skipped or did not run because
# it is disabled is counted as skipped, never as passed.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" --native >/dev/null || exit 1

passed=0
failed=0
skipped=0
# count LOG STATUS: adds a ctest log to the totals. ctest's summary counts a
# skipped test among the passed ones, and a disabled one not at all: both are
# read from its list of tests that did not run. A log without a summary, or a
# ctest that failed while its summary names no failure, counts as one failure.
count() {
  local log="$1" status="$2" line total bad skipped_here disabled
  line="$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)"
  if [ -z "$line" ]; then
    echo "FAILED: ctest ended with $status and printed no summary ($log)"
    failed=$((failed + 1))
    return
  fi
  [[ "$line" =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]
  bad="${BASH_REMATCH[1]}"
  total="${BASH_REMATCH[2]}"
  skipped_here="$(grep -c -E '^\s+[0-9]+ - .+ \(Skipped\)$' "$log")"
  disabled="$(grep -c -E '^\s+[0-9]+ - .+ \(Disabled\)$' "$log")"
  passed=$((passed + total - bad - skipped_here))
  failed=$((failed + bad))
  skipped=$((skipped + skipped_here + disabled))
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
    echo "FAILED: ctest ended with $status although its summary names no failed test ($log)"
    failed=$((failed + 1))
  fi
}

echo "== Layering"
if "$root/scripts/check-layers.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== The layering check catches planted includes"
if "$root/tests/layers/check_layers_test.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== Imports"
if "$root/scripts/check-imports.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== The import and reproducibility checks catch planted faults"
if "$root/tests/checks/check_scripts_test.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== The recipe cards keep the deployment tools' rules (with a planted fault per rule)"
if /usr/bin/python3 "$root/scripts/check-deployment-cards.py" && "$root/tests/checks/check_cards_test.sh"; then
  passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== The translators' files (gettext's msgfmt --check)"
po_clean=1
for po in "$root"/res/strings/*.po; do
  # A warning (a header field missing, say) counts as a failure too.
  if ! said="$(msgfmt --check --output-file=/dev/null "$po" 2>&1)" || [ -n "$said" ]; then
    printf '%s\n' "$said"
    po_clean=0
  fi
done
if [ "$po_clean" = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== The package's tables (validation rules, with planted faults)"
if /usr/bin/python3 "$root/scripts/check-msi-tables.py" --planted "$root"/release/*.msi; then
  passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== Reproducible build (a second build in another folder)"
if "$root/scripts/check-reproducible.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== Unit tests (native)"
# One line per passing unit test would drown the rest: show failures and the summary.
ctest --test-dir "$root/build/native" --output-on-failure -j2 2>&1 | tee "$root/build/ctest-native.log" |
  grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: '
statuses=("${PIPESTATUS[@]}")
if [ "${statuses[1]}" -ne 0 ]; then echo "FAILED: could not keep ctest's log"; failed=$((failed + 1)); fi
count "$root/build/ctest-native.log" "${statuses[0]}"

echo "== Windows tests (Wine)"
source "$root/scripts/wine-env.sh"
tarnwell_ensure_prefix
tarnwell_ensure_display || exit 1
trap tarnwell_stop_wine EXIT
tarnwell_start_wineserver
ctest --test-dir "$root/build/win32" --output-on-failure --timeout 1200 2>&1 | tee "$root/build/ctest-win32.log"
statuses=("${PIPESTATUS[@]}")
if [ "${statuses[1]}" -ne 0 ]; then echo "FAILED: could not keep ctest's log"; failed=$((failed + 1)); fi
count "$root/build/ctest-win32.log" "${statuses[0]}"

echo "== The Windows test kit's runner (build/windows-kit/run-checks.exe under Wine)"
# Its checks of what only Windows shows are skipped here, each with its
# reason, and its counts join the closing line; it leaves the tiers above to
# ctest rather than run them twice.
kit_report="$root/build/kit-report.txt"
rm -f "$kit_report"
"$root/scripts/wine-run.sh" "$root/build/windows-kit/run-checks.exe" \
  --report "Z:${kit_report//\//\\}"
kit_status=$?
kit_line="$(tail -n 1 "$kit_report" 2>/dev/null)"
kit_line="${kit_line%$'\r'}"
if [[ "$kit_line" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed,\ ([0-9]+)\ skipped$ ]]; then
  passed=$((passed + BASH_REMATCH[1]))
  failed=$((failed + BASH_REMATCH[2]))
  skipped=$((skipped + BASH_REMATCH[3]))
  if [ "$kit_status" -ne 0 ] && [ "${BASH_REMATCH[2]}" -eq 0 ]; then
    echo "FAILED: the kit's runner ended with $kit_status although its report names no failed check"
    failed=$((failed + 1))
  fi
else
  echo "FAILED: the kit's runner ended with $kit_status and its report has no closing line ($kit_report)"
  failed=$((failed + 1))
fi

echo "== The deployment guide's cmd recipes (Wine's cmd)"
if "$root/scripts/check-readme-commands.sh"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
