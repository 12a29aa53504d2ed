#!/usr/bin/env bash
# Keeps the layers pointing one way. Every folder of the program's sources,
# the stand-in package and the installer is listed below with the folders it
# may include (its own always); an include of any other folder, a folder that
# is not listed, or a Windows header in the portable core is reported.
#   check-layers.sh [ROOT]   checks the tree at ROOT (the repository by default)
# Prints every include that breaks the rules and fails when there is one.
set -uo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root" || exit 1

declare -A may_include=(
  # The portable core, bottom first: no Windows header, nothing above it.
  # The texts the user reads, in English, by identifier.
  [core/texts]=""
  # The machine interface, the one port to the platform.
  [core/port]="core/texts"
  # The handler framework: step runner, error report, shared routines.
  [core/app]="core/port core/texts"
  # The window's look: skin file and component, colours, cursor file.
  [core/look]="core/app core/port core/texts"
  # The printer: presence, search, the package's contract and command lines,
  # run-and-wait, registry decoding.
  [core/printer]="core/app core/port core/texts"
  # The main window's handlers: start-up, pointer, the two commands.
  [core/main_window]="core/look core/printer core/app core/port core/texts"
  # The command-line mode: switches, log, the unattended commands.
  [core/unattended]="core/printer core/app core/port core/texts"
  # What runs as LocalSystem: who may change what it runs or logs to, and the
  # package's printer step (its data and the command line it builds).
  [core/installer]="core/unattended core/printer core/port core/texts"
  # Windows helpers the program, the package and the installer share: handles,
  # errors, bounded opens, a path read and held for the allow-list rule.
  [win32_common]="core/installer core/printer core/port core/texts"
  # The port's Win32 implementation: nothing of the window.
  [win32/machine]="win32_common core/look core/port core/texts"
  # The main window and its controls.
  [win32/window]="win32/machine win32_common core/main_window core/look core/app core/port core/texts"
  # The unattended mode's process plumbing.
  [win32/unattended]="win32/machine win32_common core/unattended core/app core/port core/texts"
  # The wiring: makes the machine and the window, picks the mode.
  [.]="win32/window win32/machine win32/unattended win32_common"
  # The stand-in package and the installer's custom actions.
  [package]="win32_common core/printer core/port"
  [installer]="win32_common core/installer core/unattended core/printer core/port core/texts"
)

# Headers that only exist on Windows (system and mingw-w64's), matched by name.
windows_headers='windows|winbase|winuser|wingdi|winreg|winspool|winnt|windef|winerror|shellapi|shlobj|shlwapi|commctrl|uxtheme|objbase|oleauto|ole2|unknwn|oleacc|dwmapi|tlhelp32|processthreadsapi|synchapi|handleapi|libloaderapi|sddl|aclapi|accctrl|msi|msiquery|psapi|versionhelpers|wtsapi32|userenv|winternl|intrin'

violations=0
report() { echo "layering: $1"; violations=$((violations + 1)); }
# A tool that fails would show no include and pass: it stops the check.
broken() { echo "layering: $1"; echo "layering: the check could not be made"; exit 2; }

# The folder a source file belongs to: its folder below src/, or its top
# folder outside src/.
folder_of() {
  local file="$1"
  if [[ "$file" == src/* ]]; then dirname "${file#src/}"; else echo "${file%%/*}"; fi
}

# The project's includes of FILE, one a line: every "..." include, and the
# <...> includes whose first folder is one of src/'s (the build puts src/ on
# the include path, so <core/x.h> reaches the same file as "core/x.h").
includes_of() {
  local quoted angled target
  quoted="$(sed -n -E 's/^\s*#\s*include\s*"([^"]+)".*/\1/p' "$1")" || return 1
  angled="$(sed -n -E 's/^\s*#\s*include\s*<([^>]+)>.*/\1/p' "$1")" || return 1
  [ -n "$quoted" ] && printf '%s\n' "$quoted"
  while IFS= read -r target; do
    [[ "$target" == */* && -d "src/${target%%/*}" ]] && printf '%s\n' "$target"
  done <<<"$angled"
  return 0
}

files="$(find src package installer -type f \( -name '*.h' -o -name '*.cpp' \) | sort)" ||
  broken "find could not list the sources"
[ -n "$files" ] || broken "no source file found under src/, package/ and installer/"
checked=0
while IFS= read -r file; do
  folder="$(folder_of "$file")"
  if [[ -z "${may_include[$folder]+listed}" ]]; then
    report "$file is in $folder, which has no rule here"
    continue
  fi
  targets="$(includes_of "$file")" || broken "could not read the includes of $file"
  checked=$((checked + 1))
  while IFS= read -r target; do
    [ -n "$target" ] || continue
    # A bare file name is a neighbour in the same folder.
    if [[ "$target" == */* ]]; then target_folder="$(dirname "$target")"; else target_folder="$folder"; fi
    [[ "$target_folder" == "$folder" ]] && continue
    [[ " ${may_include[$folder]} " == *" $target_folder "* ]] && continue
    report "$file includes \"$target\" ($folder may not include $target_folder)"
  done <<<"$targets"
done <<<"$files"

hits="$(grep -rn -i -E "^\s*#\s*include\s*[<\"]($windows_headers)(\.h)?[>\"]" src/core)"
case $? in
  0) while IFS= read -r hit; do report "$hit (a Windows header in the portable core)"; done <<<"$hits" ;;
  1) ;;
  *) broken "grep could not read src/core" ;;
esac

if [ "$violations" -gt 0 ]; then
  echo "layering: $violations include(s) point the wrong way"
  exit 1
fi
echo "layering: every include of the $checked source files points down"
