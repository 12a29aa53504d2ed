#!/usr/bin/env bash
# What the package's tables and its build promise, read with msiinfo:
# - every step that runs in the installation script (deferred, rollback,
#   commit) has progress text in the ActionText table;
# - a release build refuses the example support address, both when the
#   project is configured and when the package script runs, and builds with
#   a real one, whose upgrade never replaces a build of its own version
#   and whose tables pass scripts/check-msi-tables.py;
# - a development build's file name and Programs and Features entry say
#   that it is one, a release build's do not.
#   package_rules_test.sh PACKAGE DIST ACTIONS_DLL ICON VERSION SOURCE_DIR
set -uo pipefail
package="$1" dist="$2" actions_dll="$3" icon="$4" version="$5" source_dir="$6"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }

# Custom actions with the in-script bit (1024), and their progress text.
in_script="$(table "$package" CustomAction | awk -F'\t' 'int($2 / 1024) % 2 == 1 { print $1 }' | sort)"
for action in InstallPrinter RemovePrinter RollbackInstallPrinter RollbackRemovePrinter RollbackUpgradePrinter; do
  grep -qx "$action" <<<"$in_script" || fail "$action is not an in-script action"
done
texts="$(table "$package" ActionText)"
for action in $in_script; do
  text="$(awk -F'\t' -v a="$action" '$1 == a { print $2 }' <<<"$texts")"
  if [ -z "$text" ]; then fail "no progress text for $action"; else echo "ok: $action: $text"; fi
done

# package DIR CONTACT: runs the package script as a release build.
release_package() {
  cmake -DRELEASE=ON "-DCONTACT=$2" -DDIST="$dist" -DACTIONS_DLL="$actions_dll" -DICON="$icon" \
    -DVERSION="$version" -DOUTPUT="$1/release.msi" -DWORK="$1/work" \
    -P "$source_dir/installer/build_msi.cmake" 2>&1
}
refusal='Release build: the support address is "support@example.com", the example one'
mkdir -p "$work/example"
if out="$(release_package "$work/example" support@example.com)"; then
  fail "the package script built a release package with the example address"
fi
tr -s "[:space:]" " " <<<"$out" | grep -qF "$refusal" || fail "the package script's refusal does not say why: $out"
[ ! -e "$work/example/release.msi" ] || fail "a refused release build left a package"

if out="$(cmake -S "$source_dir" -B "$work/configure" -DTARNWELL_RELEASE_BUILD=ON 2>&1)"; then
  fail "configuring a release build with the example address succeeded"
fi
tr -s "[:space:]" " " <<<"$out" | grep -qF "$refusal" || fail "the configure refusal does not say why: $out"

mkdir -p "$work/real"
release_package "$work/real" help@tarnwell.test >/dev/null || fail "a release build with a real address"
contact="$(table "$work/real/release.msi" Property | awk -F'\t' '$1 == "ARPCONTACT" { print $2 }')"
[ "$contact" = help@tarnwell.test ] || fail "the release package's contact is '$contact'"
# A release build replaces only older versions, and takes an installed
# build of its own version for a newer one.
upgrade="$(table "$work/real/release.msi" Upgrade | awk -F'\t' '{ print $2 "/" $3 "/" $5 "/" $7 }' | LC_ALL=C sort | tr '\n' ' ')"
[ "$upgrade" = "/$version/1/WIX_UPGRADE_DETECTED $version//258/WIX_DOWNGRADE_DETECTED " ] ||
  fail "the release package's Upgrade rows are '$upgrade'"
said="$(/usr/bin/python3 "$source_dir/scripts/check-msi-tables.py" "$work/real/release.msi" 2>&1)" ||
  fail "the release package's tables: $said"

# The two editions: what the file is called, and the comment line of its
# entry in Programs and Features.
comments() { table "$1" Property | awk -F'\t' '$1 == "ARPCOMMENTS" { print $2 }'; }
[ "$(basename "$package")" = "Tarnwell PDF Printer Software $version development build.msi" ] ||
  fail "the development build's package is named '$(basename "$package")'"
[ "$(comments "$package")" = "Development build, not for distribution" ] ||
  fail "the development build's entry says '$(comments "$package")'"
[ -z "$(comments "$work/real/release.msi")" ] ||
  fail "the release build's entry says '$(comments "$work/real/release.msi")'"
for edition in "ON:Tarnwell PDF Printer Software $version.msi" \
               "OFF:Tarnwell PDF Printer Software $version development build.msi"; do
  name="$(cmake -DVERSION="$version" -DRELEASE="${edition%%:*}" -P "$source_dir/installer/package_file_name.cmake" 2>&1)"
  [ "$name" = "${edition#*:}" ] || fail "RELEASE=${edition%%:*} names the package '$name'"
done

[ "$failures" -eq 0 ] && echo "package rules: all passed"
[ "$failures" -eq 0 ]
