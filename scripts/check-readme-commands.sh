#!/usr/bin/env bash
# Runs the cmd recipes of docs/deploying.md under Wine's cmd, as
# an administrator would paste them: release/deploy.cmd with install and
# uninstall, the msiexec lines against release/'s package, the `start ""
# /wait` lines against the installed program, and the printer package
# update against a package of the next version built here. Each block is
# taken from docs/deploying.md (the fenced block after its
# `<!-- wine-cmd: NAME -->` line) and compared by
# the exit codes it echoes. Needs the Wine prefix, display and wineserver of
# the caller (scripts/wine-env.sh). Prints one line per block; fails when any
# code differs.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$root/build/readme-check"
rm -rf "$work"
mkdir -p "$work"
winpath() { echo "Z:$(tr / '\\' <<<"$1")"; }

# The fenced block that follows the marker line for NAME, CRLF line ends.
block() {
  awk -v marker="<!-- wine-cmd: $1 -->" '
    $0 == marker { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside { print }
  ' "$root/docs/deploying.md" | sed 's/$/\r/'
}

msi="$(ls "$root"/release/*.msi | head -n 1)"
product_code="$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t{\(.*\)}$/\1/p')"
msi_folder="$(winpath "$root/release")"

# A copy of the application folder with the shipped deploy.cmd in it.
cp -r "$root/dist" "$work/app"
cp "$root/release/deploy.cmd" "$work/app/deploy.cmd"

# The printer package update names the next version's package.
next_version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=\([0-9]*\)\.\([0-9]*\)\.\([0-9]*\).*/\1.\2.\3/p' \
                "$root/build/win32/CMakeCache.txt" | awk -F. '{ print $1 "." $2 "." $3 + 1 }')"
mkdir -p "$work/next"
cmake -DDIST="$root/dist" -DACTIONS_DLL="$root/build/win32/installer/printer_actions.dll" \
  -DICON="$root/res/app.ico" -DVERSION="$next_version" -DCONTACT=support@example.com \
  -DOUTPUT="$work/next/Tarnwell PDF Printer Software $next_version.msi" -DWORK="$work/next-work" \
  -P "$root/installer/build_msi.cmake" >/dev/null || echo "FAILED: building the $next_version package"

failed=0
# run NAME EXPECTED-CODES: writes the script, runs it, compares the echoed codes.
run() {
  local name="$1" expected="$2" script="$work/$(tr -c 'a-zA-Z0-9\n' _ <<<"$1").cmd"
  {
    printf '@echo off\r\n'
    cat
  } >"$script"
  local seen
  seen="$(timeout 600 wine cmd /c "$(winpath "$script")" </dev/null 2>/dev/null | tr -d '\r' |
          grep -E '^-?[0-9]+ ?$' | tr -d ' ' | tr '\n' ' ' | sed 's/ $//')"
  if [ "$seen" = "$expected" ]; then
    echo "ran: $name: exit codes $seen"
  else
    echo "FAILED: $name: exit codes '$seen', expected '$expected'"
    failed=1
  fi
}

app="$(winpath "$work/app")"
printf 'call "%s\\deploy.cmd" install\r\necho %%errorlevel%%\r\ncall "%s\\deploy.cmd" uninstall\r\necho %%errorlevel%%\r\n' \
  "$app" "$app" | run "deploy.cmd install, uninstall" "0 0"
{ printf 'cd /d "%s"\r\n' "$msi_folder"; block msiexec; } | run "msiexec install, repair, remove" "0 0 0"
{ printf 'cd /d "%s"\r\n' "$msi_folder"; block "files only"; } | run "msiexec files only" "0"
block "by hand" | run 'start "" /wait: install, status' "0 0"
block "by hand, removal" | run 'start "" /wait: uninstall' "0"
block "remove by ProductCode" | sed "s/{ProductCode}/{$product_code}/" |
  run "msiexec /x {ProductCode} REMOVEPRINTER=0 ({$product_code})" "0"
# The printer package update runs over the release package with its printer.
{ printf 'cd /d "%s"\r\n' "$msi_folder"
  printf 'start "" /wait msiexec /i "%s" /qn /norestart\r\n' "$(basename "$msi")"
  printf 'cd /d "%s"\r\n' "$(winpath "$work/next")"
  block "printer package update" |
    sed "s/Tarnwell PDF Printer Software [0-9.]*\.msi/Tarnwell PDF Printer Software $next_version.msi/"
  printf '"%s\\Tarnwell PDF Printer Software.exe" /status\r\necho %%errorlevel%%\r\n' "$app"
  printf 'start "" /wait msiexec /x "Tarnwell PDF Printer Software %s.msi" /qn /norestart\r\n' "$next_version"
} | run "printer package update to $next_version: uninstall, upgrade, status" "0 0 0"
block "logging policy" | run "Windows Installer logging policy on" "0"
block "logging policy off" | run "Windows Installer logging policy off" "0"
printf 'call "%s\\deploy.cmd" status\r\necho %%errorlevel%%\r\ncall "%s\\deploy.cmd" uninstall\r\necho %%errorlevel%%\r\n' \
  "$app" "$app" | run "deploy.cmd status, uninstall" "1 0"
exit "$failed"
