#!/usr/bin/env bash
# Runs the deployment guide's commands under Wine's cmd, as the tools and an
# administrator would: the recipe cards' install, uninstall and repair
# commands (read from the cards in docs/ by scripts/check-deployment-cards.py
# --command, each run in its content folder as the tool runs it, with no
# variable expanded, which no tool's command line holds), and the cmd blocks
# of the pages (the fenced block after a `<!-- wine-cmd: NAME -->` line, in
# whichever page of docs/ holds it), pasted into cmd, which expands them.
# Each is judged twice: by the exit codes it echoes, and by what the machine
# ends with (the printer there or not, the product and the printer package
# registered or not, the printer package's version, the logging policy set
# or not), read from Wine's registry with its reg. The application folder
# and the packages are copied into a folder of the prefix's C: drive that
# only the Wine user may change, so the result does not depend on where the
# checkout sits. Needs the Wine prefix, display and wineserver of the caller
# (scripts/wine-env.sh). Every card of Intune and Configuration Manager is
# run through its install, its update to the next version (whose application
# folder and package carry the newer stand-in printer package) and its
# removal. Prints one line per run; fails when a block or a card's command
# is missing, a code or a state differs, the package is missing or the next
# version's package does not build.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
: "${WINEPREFIX:?needs the Wine prefix of scripts/wine-env.sh}"
drive_c="$WINEPREFIX/drive_c"
work="$drive_c/tarnwell-readme-check"
printer_name="Quellmark PDF Setup"
product="Tarnwell PDF Printer Software"

failed=0
fail() { echo "FAILED: $1"; failed=1; }
# C:\... for a path below the prefix's C: drive.
cpath() { local relative="${1#"$drive_c"/}"; echo "C:\\${relative//\//\\}"; }

rm -rf "$work"
mkdir -m 0755 "$work" || { echo "FAILED: cannot make $work"; exit 1; }

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=\([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' \
           "$root/build/win32/CMakeCache.txt")"
# The package of either edition; the recipes name the shippable file, so
# the copy below takes that name.
shipped_name="$product $version.msi"
msi=""
for candidate in "$root/release/$product $version.msi" "$root/release/$product $version development build.msi"; do
  if [ -f "$candidate" ]; then msi="$candidate"; fi
done
if [ -z "$version" ] || [ -z "$msi" ]; then
  echo "FAILED: no package of version '$version' in $root/release (run scripts/build.sh)"
  exit 1
fi
# msiinfo_code PACKAGE: the package's ProductCode without braces.
msiinfo_code() {
  local table
  table="$(msiinfo export "$1" Property)" || return 1
  table="$(tr -d '\r' <<<"$table" | sed -n 's/^ProductCode\t{\(.*\)}$/\1/p')"
  [ -n "$table" ] && echo "$table"
}
product_code="$(msiinfo_code "$msi")" || { echo "FAILED: no ProductCode in $msi"; exit 1; }

# Copies of the application folder (with the shipped deploy.cmd) and of the
# package, which only the Wine user may change.
mkdir "$work/release" &&
  cp -r "$root/dist" "$work/app" &&
  cp "$root/release/deploy.cmd" "$work/app/deploy.cmd" &&
  cp "$msi" "$work/release/$shipped_name" &&
  cp "$root/release/deploy.cmd" "$work/release/deploy.cmd" &&
  chmod -R go-w "$work" || { echo "FAILED: cannot copy the application folder and the package"; exit 1; }
app="$(cpath "$work/app")"
msi_folder="$(cpath "$work/release")"

# The printer package updates name the next version's package: the
# application folder with the newer stand-in printer package the tests build.
next_version="$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version")"
next_msi="$work/next/$product $next_version.msi"
next_code=""
next_setup="$root/build/win32/next-package/$printer_name"
next_registered="7.1.0.0"  # what the newer stand-in registers as its DisplayVersion
cp -r "$root/dist" "$work/next-dist" &&
  cp "$next_setup/setup.exe" "$next_setup/uninstall.exe" "$work/next-dist/$printer_name/" ||
  fail "no newer stand-in printer package in $next_setup (build the tests: scripts/build.sh)"
if cmake -DDIST="$work/next-dist" -DACTIONS_DLL="$root/build/win32/installer/printer_actions.dll" \
     -DICON="$root/res/app.ico" -DVERSION="$next_version" -DCONTACT=support@example.com \
     -DOUTPUT="$next_msi" -DWORK="$work/next-work" \
     -P "$root/installer/build_msi.cmake" >"$work/next.log" 2>&1 &&
   next_code="$(msiinfo_code "$next_msi")"; then
  cp "$root/release/deploy.cmd" "$work/next/deploy.cmd" && chmod -R go-w "$work/next"
else
  tail -n 20 "$work/next.log"
  fail "building the $next_version package (log: $work/next.log)"
fi

# block NAME [SED-SCRIPT]: sets `text` to the fenced block after the
# marker line for NAME, in whichever page of docs/ holds it, edited by
# SED-SCRIPT; fails when there is none.
text=""
block() {
  local page
  page="$(grep -l -F -x -- "<!-- wine-cmd: $1 -->" "$root"/docs/*.md)"
  text=""
  if [ -n "$page" ] && [ "$(wc -l <<<"$page")" -eq 1 ]; then
    text="$(awk -v marker="<!-- wine-cmd: $1 -->" '
      $0 == marker { found = 1; next }
      found && /^```/ { if (inside) { closed = 1; exit } inside = 1; next }
      inside { print }
      END { exit !closed }
    ' "$page")" || text=""
  fi
  [ -n "$text" ] ||
    { fail "no single page of docs/ has a block after <!-- wine-cmd: $1 -->"; return 1; }
  if [ -n "${2:-}" ]; then text="$(sed "$2" <<<"$text")"; fi
}

# card CARD APP FIELD: sets `text` to the command a card gives in that
# field for its APP-th app, as the tool starts it in its content folder: by
# a cmd of its own (Windows starts a .cmd so), whose exit code the tool reads.
# Intune expands no variable in an uninstall command; the cards hold none in
# any command a tool runs (scripts/check-deployment-cards.py fails on one),
# and the recipe does not expand one for them: a % reaches that cmd as the
# card wrote it.
# Fails when the card has no such command.
card() {
  local command
  if ! command="$(/usr/bin/python3 "$root/scripts/check-deployment-cards.py" --command "$1" "$2" "$3")" ||
     [ -z "$command" ]; then
    fail "card $1 has no command for app $2 in \"$3\""
    text=""
    return 1
  fi
  text="\"%SystemRoot%\\System32\\cmd.exe\" /c ${command//%/%%}"
}

# recipe LINE...: the cmd script the next `run` starts, CRLF line ends.
script="$work/recipe.cmd"
recipe() { printf '%s\n' '@echo off' "$@" | sed 's/$/\r/' >"$script"; }

# run NAME EXPECTED-CODES: runs the recipe and compares the codes it echoes.
# A recipe is run once: one whose block is missing is not there to run.
run() {
  local name="$1" expected="$2" output seen
  if [ ! -f "$script" ]; then
    fail "$name: no recipe to run"
    return
  fi
  output="$(timeout 600 wine cmd /c "$(cpath "$script")" </dev/null 2>/dev/null)"
  rm -f "$script"
  seen="$(tr -d '\r' <<<"$output" | grep -E '^-?[0-9]+ ?$' | tr -d ' ' | tr '\n' ' ')"
  seen="${seen% }"
  if [ "$seen" = "$expected" ]; then
    echo "ran: $name: exit codes $seen"
  else
    fail "$name: exit codes '$seen', expected '$expected'"
  fi
}

# What the machine holds, read with Wine's reg in the 32-bit view the program
# and the packages write: present, absent, or unknown when the key above
# cannot be read.
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
key_state() {  # key_state PARENT CHILD
  if ! wine reg query "$1" /reg:32 </dev/null >/dev/null 2>&1; then echo unknown; return; fi
  if wine reg query "$1\\$2" /reg:32 </dev/null >/dev/null 2>&1; then echo present; else echo absent; fi
}
# The policy value, in the view the recipe's reg writes.
policy_state() {
  if ! wine reg query 'HKLM\SOFTWARE\Microsoft' </dev/null >/dev/null 2>&1; then echo unknown; return; fi
  if wine reg query 'HKLM\SOFTWARE\Policies\Microsoft\Windows\Installer' /v Logging \
       </dev/null >/dev/null 2>&1; then echo present; else echo absent; fi
}
# The printer package's DisplayVersion, or "none".
registered_version() {
  local line
  line="$(wine reg query "$uninstall_key\\$printer_name" /v DisplayVersion /reg:32 </dev/null 2>/dev/null |
          tr -d '\r' | grep -E '^ +DisplayVersion')" || { echo none; return; }
  awk '{ print $NF }' <<<"$line"
}
# ends_with NAME WHAT=present|absent|VALUE...: the machine after a block.
ends_with() {
  local name="$1" item what want seen
  shift
  for item in "$@"; do
    what="${item%%=*}"
    want="${item#*=}"
    case "$what" in
      printer) seen="$(key_state 'HKLM\System\CurrentControlSet\Control\Print\Printers' "$printer_name")" ;;
      "printer package") seen="$(key_state "$uninstall_key" "$printer_name")" ;;
      product) seen="$(key_state "$uninstall_key" "{$product_code}")" ;;
      "next version") seen="$(key_state "$uninstall_key" "{$next_code}")" ;;
      "logging policy") seen="$(policy_state)" ;;
      "registered version") seen="$(registered_version)" ;;
      *) seen="not known to this script" ;;
    esac
    [ "$seen" = "$want" ] || fail "$name: the $what is $seen afterwards, expected $want"
  done
}

# What a run that stopped half-way left behind: the packages, then the
# printer; their codes do not matter, the state afterwards does.
recipe "start \"\" /wait msiexec /x {$product_code} /qn /norestart" \
       ${next_code:+"start \"\" /wait msiexec /x {$next_code} /qn /norestart"} \
       "start \"\" /wait \"$app\\$product.exe\" /uninstall"
timeout 600 wine cmd /c "$(cpath "$script")" </dev/null >/dev/null 2>&1
rm -f "$script"
ends_with "before the first recipe" printer=absent "printer package=absent" product=absent

recipe "call \"$app\\deploy.cmd\" install" 'echo %errorlevel%'
run "deploy.cmd install" "0"
ends_with "deploy.cmd install" printer=present "printer package=present"
recipe "call \"$app\\deploy.cmd\" uninstall" 'echo %errorlevel%'
run "deploy.cmd uninstall" "0"
ends_with "deploy.cmd uninstall" printer=absent "printer package=absent"

block msiexec && recipe "cd /d \"$msi_folder\"" "$text"
run "msiexec install, repair, remove" "0 0 0"
ends_with "msiexec install, repair, remove" printer=absent "printer package=absent" product=absent
block "files only" && recipe "cd /d \"$msi_folder\"" "$text"
run "msiexec files only" "0"
ends_with "msiexec files only" product=present printer=absent
block "by hand" && recipe "$text"
run 'start "" /wait: install, status' "0 0"
ends_with 'start "" /wait: install' printer=present product=present
block "by hand, removal" && recipe "$text"
run 'start "" /wait: uninstall' "0"
ends_with 'start "" /wait: uninstall' printer=absent product=present
# Once more, so that the removal by ProductCode has a printer to keep.
block "by hand" && recipe "$text"
run 'start "" /wait: install, status (again)' "0 0"
block "remove by ProductCode" "s/{ProductCode}/{$product_code}/" && recipe "$text"
run "msiexec /x {ProductCode} REMOVEPRINTER=0 ({$product_code})" "0"
ends_with "msiexec /x {ProductCode} REMOVEPRINTER=0" product=absent printer=present

# The printer package update runs over the release package with its printer.
block "printer package update" \
      "s/$product [0-9.]*\.msi/$product $next_version.msi/" &&
  recipe "cd /d \"$msi_folder\"" \
         "start \"\" /wait msiexec /i \"$shipped_name\" /qn /norestart" 'echo %errorlevel%' \
         "cd /d \"$(cpath "$work/next")\"" "$text"
run "printer package update to $next_version: install $version, upgrade, status /update" "0 0 0"
ends_with "printer package update to $next_version" printer=present product=absent "next version=present" \
  "registered version=$next_registered"
recipe "cd /d \"$(cpath "$work/next")\"" \
       "start \"\" /wait msiexec /x \"$(basename "$next_msi")\" /qn /norestart" 'echo %errorlevel%'
run "msiexec /x the $next_version package" "0"
ends_with "msiexec /x the $next_version package" printer=absent "next version=absent"

# The cards of Intune and Configuration Manager. Their content folders: the
# application folder of this version ($app) and of the next, each with
# deploy.cmd; the package of this version and of the next, each with
# deploy.cmd; deploy.cmd alone, the printer app's. The tools' agents make
# their log folders, where deploy.cmd files has msiexec log.
printer_app="$work/printer-app"
mkdir "$printer_app" && cp "$root/release/deploy.cmd" "$printer_app/deploy.cmd" &&
  cp "$root/release/deploy.cmd" "$work/next-dist/deploy.cmd" &&
  chmod -R go-w "$printer_app" "$work/next-dist" &&
  mkdir -p "$drive_c/ProgramData/Microsoft/IntuneManagementExtension/Logs" "$drive_c/windows/CCM/Logs" ||
  fail "cannot make the cards' content folders"
installed="C:\\Program Files (x86)\\$product\\$product.exe"

# folder_card CARD INSTALL-FIELD UNINSTALL-FIELD [REPAIR-FIELD]: the
# application folder's app: install, the next release's app (its printer
# package replaces the older one), removal.
folder_card() {
  local name="$1" install="" uninstall="" repair=""
  card "$name" 1 "$2" && install="$text"
  card "$name" 1 "$3" && uninstall="$text"
  if [ -n "${4:-}" ]; then card "$name" 1 "$4" && repair="$text"; fi
  recipe "cd /d \"$app\"" "$install" 'echo %errorlevel%' ${repair:+"$repair"} ${repair:+'echo %errorlevel%'}
  run "$name: install${repair:+, repair}" "0${repair:+ 0}"
  ends_with "$name: install" printer=present "registered version=7.0.0.0"
  # The detection the build wrote asks for the version the package registered.
  tr -d '\r' <"$root/release/folder-detection.ps1" | grep -qxF "\$version = '$(registered_version)'" ||
    fail "$name: release/folder-detection.ps1 does not ask for the registered version $(registered_version)"
  recipe "cd /d \"$(cpath "$work/next-dist")\"" "$install" 'echo %errorlevel%'
  run "$name: the $next_version app" "0"
  ends_with "$name: the $next_version app" printer=present "registered version=$next_registered"
  recipe "cd /d \"$(cpath "$work/next-dist")\"" "$uninstall" 'echo %errorlevel%'
  run "$name: removal" "0"
  ends_with "$name: removal" printer=absent "printer package=absent"
}

# package_card CARD INSTALL-FIELD UNINSTALL-FIELD LOG-FOLDER: the package
# app (files only) and the printer app: install, the next release's package
# app followed by the printer app's detection (the installed program's
# /status /update: 3) and install, then removal with the package app first.
package_card() {
  local name="$1" files="" removefiles="" printer="" printer_removal=""
  card "$name" 1 "$2" && files="$text"
  card "$name" 1 "$3" && removefiles="$text"
  card "$name" 2 "$2" && printer="$text"
  card "$name" 2 "$3" && printer_removal="$text"
  rm -f "$4/$product msi-install.log" "$4/$product msi-remove.log"
  recipe "cd /d \"$msi_folder\"" "$files" 'echo %errorlevel%'
  run "$name: package app" "0"
  ends_with "$name: package app" product=present printer=absent
  [ -f "$4/$product msi-install.log" ] || fail "$name: no msiexec log in $4"
  recipe "cd /d \"$(cpath "$printer_app")\"" "$printer" 'echo %errorlevel%'
  run "$name: printer app" "0"
  ends_with "$name: printer app" printer=present "registered version=7.0.0.0"
  recipe "cd /d \"$(cpath "$work/next")\"" "$files" 'echo %errorlevel%' \
         "start \"\" /wait \"$installed\" /status /update" 'echo %errorlevel%' \
         "cd /d \"$(cpath "$printer_app")\"" "$printer" 'echo %errorlevel%'
  run "$name: the $next_version package app, the printer app's detection, the printer app" "0 3 0"
  ends_with "$name: update to $next_version" product=absent "next version=present" printer=present \
    "registered version=$next_registered"
  recipe "cd /d \"$(cpath "$work/next")\"" "$removefiles" 'echo %errorlevel%'
  run "$name: removal of the package app, first" "0"
  ends_with "$name: removal of the package app" printer=absent "next version=absent"
  recipe "cd /d \"$(cpath "$printer_app")\"" "$printer_removal" 'echo %errorlevel%'
  run "$name: removal of the printer app, then" "0"
  ends_with "$name: removal" printer=absent "printer package=absent"
  [ -f "$4/$product msi-remove.log" ] || fail "$name: no msiexec removal log in $4"
}

folder_card intune-folder "Install command" "Uninstall command"
folder_card configmgr-folder "Installation program" "Uninstall program" "Repair program"
package_card intune-package "Install command" "Uninstall command" \
  "$drive_c/ProgramData/Microsoft/IntuneManagementExtension/Logs"
package_card configmgr-package "Installation program" "Uninstall program" "$drive_c/windows/CCM/Logs"

block "logging policy" && recipe "$text"
run "Windows Installer logging policy on" "0"
ends_with "Windows Installer logging policy on" "logging policy=present"
block "logging policy off" && recipe "$text"
run "Windows Installer logging policy off" "0"
ends_with "Windows Installer logging policy off" "logging policy=absent"

recipe "call \"$app\\deploy.cmd\" status" 'echo %errorlevel%' \
       "call \"$app\\deploy.cmd\" uninstall" 'echo %errorlevel%'
run "deploy.cmd status, uninstall" "1 0"
ends_with "deploy.cmd status, uninstall" printer=absent "printer package=absent"
exit "$failed"
