#!/usr/bin/env bash
# Runs the cmd recipes of docs/deploying.md under Wine's cmd, as
# an administrator would paste them: deploy.cmd with install and uninstall,
# the msiexec lines against release/'s package, and the `start "" /wait`
# lines against the installed program. Each block is taken from docs/deploying.md
# (the fenced block after its `<!-- wine-cmd: NAME -->` line) and compared by
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

# A copy of the application folder with the guide's deploy.cmd in it.
cp -r "$root/dist" "$work/app"
block deploy.cmd >"$work/app/deploy.cmd"

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
printf 'call "%s\\deploy.cmd" status\r\necho %%errorlevel%%\r\ncall "%s\\deploy.cmd" uninstall\r\necho %%errorlevel%%\r\n' \
  "$app" "$app" | run "deploy.cmd status, uninstall" "1 0"
exit "$failed"
