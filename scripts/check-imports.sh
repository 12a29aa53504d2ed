#!/usr/bin/env bash
# Reads the import table of each shipped program in dist/ and fails when one
# imports a DLL that is not in scripts/allowed-imports.txt: a DLL imported
# statically is looked for beside the program first, unless Windows always
# takes it from the system folder.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
objdump="${TARNWELL_OBJDUMP:-i686-w64-mingw32-objdump}"
allowed="$(grep -v -E '^\s*(#|$)' "$root/scripts/allowed-imports.txt")" ||
  { echo "imports: scripts/allowed-imports.txt cannot be read or lists nothing"; exit 1; }

failures=0
check() {  # check PROGRAM
  local program="$1" headers dlls dll
  if [ ! -f "$program" ]; then
    echo "imports: $program is missing"
    failures=$((failures + 1))
    return
  fi
  # Read in this shell, so that objdump failing (missing, or a file it cannot
  # read) fails the check instead of showing no DLLs.
  if ! headers="$("$objdump" -p "$program" 2>&1)"; then
    echo "imports: $objdump could not read ${program#"$root"/}: $headers"
    failures=$((failures + 1))
    return
  fi
  dlls="$(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' <<<"$headers" | tr '[:upper:]' '[:lower:]')" || {
    echo "imports: could not read the DLL names of ${program#"$root"/}"
    failures=$((failures + 1))
    return
  }
  # Every Windows program imports at least kernel32: none at all means the
  # table was not read.
  if [ -z "$dlls" ]; then
    echo "imports: ${program#"$root"/} shows no import at all"
    failures=$((failures + 1))
    return
  fi
  while IFS= read -r dll; do
    if ! grep -qxF "$dll" <<<"$allowed"; then
      echo "imports: ${program#"$root"/} imports $dll, which is not allowed"
      failures=$((failures + 1))
    fi
  done <<<"$dlls"
}

check "$root/dist/Tarnwell PDF Printer Software.exe"
check "$root/dist/Quellmark PDF Setup/setup.exe"
check "$root/dist/Quellmark PDF Setup/uninstall.exe"
[ "$failures" -eq 0 ]
