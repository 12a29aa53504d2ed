#!/usr/bin/env bash
# The recipe cards' check must fail on a card that breaks any one rule of
# docs/deployment-tool-rules.txt, and on a rules file that lacks a rule it
# applies: each fault below is planted in a copy of docs/ (an exact text
# that must match once) and the check run on the copy. The unchanged copy
# must pass. Needs nothing built.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
failures=0
check() { /usr/bin/python3 "$root/scripts/check-deployment-cards.py" --root "$copy" >"$copy/output" 2>&1; }
fresh() { rm -rf "$copy/docs"; cp -r "$root/docs" "$copy/docs"; }

fresh
if check; then echo "ok: the cards as they are: pass"; else
  echo "FAIL: the cards as they are should pass:"; cat "$copy/output"; failures=$((failures + 1)); fi

# plant RULE FILE OLD NEW: FILE (below docs/) with OLD, found once, as NEW;
# the check must then fail and name RULE.
plant() {
  local rule="$1" file="$copy/docs/$2"
  fresh
  if ! /usr/bin/python3 -c '
import sys
path, old, new = sys.argv[1:]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(f"found {text.count(old)} times, not once")
open(path, "w", encoding="utf-8").write(text.replace(old, new))' "$file" "$3" "$4"; then
    echo "FAIL: $rule: the fault does not apply to $2"
    failures=$((failures + 1))
  elif check || ! grep -q -- "$rule" "$copy/output"; then
    echo "FAIL: $rule: a card that breaks it passes, or the check does not name the rule:"
    cat "$copy/output"
    failures=$((failures + 1))
  else
    echo "ok: $rule: caught"
  fi
}

plant fields deploy-intune.md '| Allow available uninstall | No |
' ''
plant no-variable deploy-intune.md '| Uninstall command | `deploy.cmd uninstall` |' \
  '| Uninstall command | `deploy.cmd uninstall /log "%ProgramData%\uninstall.log"` |'
plant script-output deploy-scripts.md 'if ($ok) { Write-Output "$name $version works" }' \
  'if ($ok) { Write-Output "$name $version works" } else { exit 1 }'
plant script-64-bit deploy-configmgr.md \
  'the printer package it carries, Run script as 32-bit process on 64-bit clients: unticked |' \
  'the printer package it carries, Run script as 32-bit process on 64-bit clients: ticked |'
plant registry-view deploy-scripts.md \
  '$entry = $hklm.OpenSubKey("SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\$name")' \
  '$entry = Get-Item "HKLM:\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\$name"'
plant required-assignment deploy-intune.md '| Assignments | Required, device groups |' \
  '| Assignments | Available for enrolled devices, user groups |'
plant retry-code deploy-configmgr.md '1618 Fast Retry (the defaults; keep them)' '1618 Failure (the defaults changed)'
plant success-codes deploy-intune.md "0 Success, 1707 Success, 3010 Soft reboot, 1641 Hard reboot, 1618 Retry (Intune's defaults; keep them)" \
  "0 Success, 3010 Soft reboot, 1641 Hard reboot, 1618 Retry (Intune's defaults; keep them)"
plant install-time deploy-intune.md '| Installation time required (mins) | 70: `deploy.cmd`' \
  '| Installation time required (mins) | 60: `deploy.cmd`'
plant dependency-supersedence deploy-intune.md '| Dependencies | None | None: the requirement rule' \
  '| Dependencies | None | the package app, Automatically install: Yes; the requirement rule'
plant supersedence-detection deploy-scripts.md "\$version = '{PrinterPackageVersion}'" \
  "\$version = \$entry.GetValue('DisplayVersion')"
plant printer-requirements deploy-scripts.md "\$disabled = (-not \$spooler) -or (\$spooler.StartType -eq 'Disabled')" \
  '$disabled = -not $spooler'
plant install-folder deploy-scripts.md "\$exe = if (\$folder) { Join-Path \$folder 'Tarnwell PDF Printer Software.exe' }
\$status" "\$exe = \"\${env:ProgramFiles(x86)}\\Tarnwell PDF Printer Software\\Tarnwell PDF Printer Software.exe\"
\$status"
plant gpo-restart deploy-group-policy.md '| Deployment type | Assigned |' '| Deployment type | Published |'
plant 'no rule gpo-restart' deployment-tool-rules.txt 'rule: gpo-restart' 'rule: gpo-restart-gone'

[ "$failures" -eq 0 ] && echo "recipe cards' check: every planted fault caught"
[ "$failures" -eq 0 ]
