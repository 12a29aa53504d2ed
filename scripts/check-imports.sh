#!/usr/bin/env bash
# Reads the import table of each shipped program in dist/ and fails when one
# imports a DLL that is not in scripts/allowed-imports.txt: a DLL imported
# statically is looked for beside the program first, unless Windows always
# takes it from the system folder.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
objdump=i686-w64-mingw32-objdump
allowed="$(grep -v -E '^\s*(#|$)' "$root/scripts/allowed-imports.txt")"

failures=0
check() {  # check PROGRAM
  local program="$1" dll
  if [ ! -f "$program" ]; then
    echo "imports: $program is missing"
    failures=$((failures + 1))
    return
  fi
  while IFS= read -r dll; do
    if ! grep -qxF "$dll" <<<"$allowed"; then
      echo "imports: ${program#"$root"/} imports $dll, which is not allowed"
      failures=$((failures + 1))
    fi
  done < <("$objdump" -p "$program" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p' | tr '[:upper:]' '[:lower:]')
}

check "$root/dist/Tarnwell PDF Printer Software.exe"
check "$root/dist/Quellmark PDF Setup/setup.exe"
check "$root/dist/Quellmark PDF Setup/uninstall.exe"
[ "$failures" -eq 0 ]
