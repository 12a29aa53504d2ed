#!/usr/bin/env bash
# The import, reproducibility and deployment-recipe checks must fail when
# they could not look or when what they look at is wrong: an objdump that
# fails or shows no import, a DLL not on the allow-list, a file that differs
# or that every build makes missing from both builds compared, and a Wine
# that runs no recipe. Run after scripts/build.sh.
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
# version.dll is searched for beside the program first.
printf '#!/bin/sh\necho "DLL Name: KERNEL32.dll"\necho "DLL Name: version.dll"\n' >"$copy/objdump"
chmod +x "$copy/objdump"
expect FAIL "the import check with a DLL not on the list" \
  env TARNWELL_OBJDUMP="$copy/objdump" "$root/scripts/check-imports.sh"

# Two copies of this build's files, which are the same, then both without
# the cursor file.
for tree in one two; do
  mkdir -p "$copy/$tree/build/win32/installer"
  cp -r "$root/dist" "$root/release" "$copy/$tree/"
  cp "$root/build/win32/installer/printer_actions.dll" "$copy/$tree/build/win32/installer/"
done
expect PASS "the same files twice" "$root/scripts/check-reproducible.sh" --compare "$copy/one" "$copy/two"
printf x >>"$copy/two/release/deploy.cmd"
expect FAIL "one file one byte longer" \
  "$root/scripts/check-reproducible.sh" --compare "$copy/one" "$copy/two"
cp "$copy/one/release/deploy.cmd" "$copy/two/release/deploy.cmd"
rm "$copy/one/dist/HAND-M.CUR" "$copy/two/dist/HAND-M.CUR"
expect FAIL "both builds without the cursor file" \
  "$root/scripts/check-reproducible.sh" --compare "$copy/one" "$copy/two"

# A Wine that runs nothing and a next version that does not build: no recipe
# gives its codes, no state can be read, and the check must say so by its
# status, not only in its output.
mkdir -p "$copy/bin" "$copy/prefix/drive_c"
printf '#!/bin/sh\nexit 1\n' >"$copy/bin/wine"
cp "$copy/bin/wine" "$copy/bin/cmake"
chmod +x "$copy/bin/wine" "$copy/bin/cmake"
expect FAIL "the deployment recipes' check with a Wine that runs nothing" \
  env PATH="$copy/bin:$PATH" WINEPREFIX="$copy/prefix" "$root/scripts/check-readme-commands.sh"

[ "$failures" -eq 0 ] && echo "import, reproducibility and recipe checks: every planted fault caught"
[ "$failures" -eq 0 ]
