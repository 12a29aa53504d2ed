#!/usr/bin/env bash
# Keeps the layers pointing one way. Each folder of src/ may include only what
# lies below it:
#   src/core          the portable core: no Windows header, nothing above it,
#                     and its own folders in one order (below)
#   src/win32_common  Windows helpers the program and the package share: core
#   src/win32         the program's Windows side: core, win32_common
#   src/main.cpp      wiring: anything
#   package/          the stand-in package: core, win32_common
#   installer/        the installer's printer steps: core, win32_common
# Prints every include that breaks the rule and fails when there is one.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root" || exit 1

# Headers that only exist on Windows (system and mingw-w64's), matched by name.
windows_headers='windows|winbase|winuser|wingdi|winreg|winspool|winnt|windef|winerror|shellapi|shlobj|shlwapi|commctrl|uxtheme|objbase|oleauto|ole2|unknwn|oleacc|dwmapi|tlhelp32|processthreadsapi|synchapi|handleapi|libloaderapi|sddl|aclapi|accctrl|msi|msiquery|psapi|versionhelpers|wtsapi32|userenv|winternl|intrin'

violations=0
report() { echo "layering: $1"; violations=$((violations + 1)); }

check_folder() {  # FOLDER ALLOWED-PREFIXES-REGEX
  local folder="$1" allowed="$2" file line target
  while IFS= read -r -d '' file; do
    while IFS= read -r line; do
      target="$(sed -E 's/^[^"]*"([^"]+)".*/\1/' <<<"$line")"
      if [[ "$line" == *'"'* ]] && ! [[ "$target" =~ $allowed ]]; then
        report "$file includes \"$target\""
      fi
    done < <(grep -E '^\s*#\s*include\s+"' "$file")
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
}

# The core: only itself, and no Windows header in any form. Its folders form
# one order, bottom first; each may include only itself and those below it:
#   texts       the texts the user reads, in English, by identifier
#   port        the machine interface (texts are looked up through it)
#   app         what every handler shares: runner, error report, skin, pointer
#   printer     the printer: presence, search, install and uninstall commands
#   form1       the main window's start-up and pointer handlers
#   unattended  the command-line mode
#   installer   the package's printer steps: who may change a folder
core_order=(texts port app printer form1 unattended installer)
check_folder src/core '^core/'
below=""
for folder in "${core_order[@]}"; do
  below="${below:+$below|}$folder"
  [ -d "src/core/$folder" ] || { report "src/core/$folder is in the order but missing"; continue; }
  check_folder "src/core/$folder" "^core/($below)/"
done
for folder in src/core/*/; do
  folder="$(basename "$folder")"
  [[ " ${core_order[*]} " == *" $folder "* ]] || report "src/core/$folder has no place in the core's order"
done
while IFS= read -r hit; do
  report "$hit (a Windows header in the portable core)"
done < <(grep -rn -i -E "^\s*#\s*include\s*[<\"]($windows_headers)(\.h)?[>\"]" src/core)

check_folder src/win32_common '^(core|win32_common)/'
check_folder src/win32 '^(core|win32_common|win32)/'
check_folder package '^(core|win32_common)/|^[a-z_]+\.h$'
check_folder installer '^(core|win32_common)/|^[a-z_]+\.h$'

if [ "$violations" -gt 0 ]; then
  echo "layering: $violations include(s) point the wrong way"
  exit 1
fi
echo "layering: every include points down"
