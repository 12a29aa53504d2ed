#!/usr/bin/env bash
# The import and reproducibility checks must fail when they could not look:
# an objdump that fails or shows no import, and a file every build makes
# missing from both builds compared. Run after scripts/build.sh.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
failures=0

# expect PASS|FAIL WHAT COMMAND...
expect() {
  local want="$1" what="$2" got=PASS
  shift 2
  "$@" >"$copy/output" 2>&1 || got=FAIL
  if [ "$got" = "$want" ]; then
    echo "ok: $what: $([ "$want" = PASS ] && echo passes || echo fails)"
  else
    echo "FAIL: $what: should $([ "$want" = PASS ] && echo pass || echo fail), and did not:"
    cat "$copy/output"
    failures=$((failures + 1))
  fi
}

expect FAIL "the import check with an objdump that fails" \
  env TARNWELL_OBJDUMP=/bin/false "$root/scripts/check-imports.sh"
expect FAIL "the import check with an objdump that shows no import" \
  env TARNWELL_OBJDUMP=/bin/true "$root/scripts/check-imports.sh"

# Two copies of this build's files, which are the same, then both without
# the cursor file.
for tree in one two; do
  mkdir -p "$copy/$tree/build/win32/installer"
  cp -r "$root/dist" "$root/release" "$copy/$tree/"
  cp "$root/build/win32/installer/printer_actions.dll" "$copy/$tree/build/win32/installer/"
done
expect PASS "the same files twice" "$root/scripts/check-reproducible.sh" --compare "$copy/one" "$copy/two"
rm "$copy/one/dist/HAND-M.CUR" "$copy/two/dist/HAND-M.CUR"
expect FAIL "both builds without the cursor file" \
  "$root/scripts/check-reproducible.sh" --compare "$copy/one" "$copy/two"

[ "$failures" -eq 0 ] && echo "import and reproducibility checks: every planted fault caught"
[ "$failures" -eq 0 ]
