#!/usr/bin/env bash
# Builds the release again from a copy of the source tree in another folder,
# later, and compares the programs (dist/), the package and the Windows test
# kit's zip (release/) and the custom-action DLL with this tree's byte for byte: unsigned builds of one commit must be the same.
# The files listed below must be in both builds; names every file that
# differs, is missing from either, or is in one build only. Run after
# scripts/build.sh, unsigned (no TARNWELL_SIGN_* variables).
#   scripts/check-reproducible.sh                 rebuilds and compares
#   scripts/check-reproducible.sh --compare A B   compares two trees' built files, no rebuild
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=\([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' \
           "$root/build/win32/CMakeCache.txt" 2>/dev/null)"
[ -n "$version" ] || { echo "FAILED: no build in $root/build/win32 to compare with (run scripts/build.sh)"; exit 1; }
# The package's name follows the edition this build was configured as.
release_build="$(sed -n 's/^TARNWELL_RELEASE_BUILD:BOOL=\(.*\)$/\1/p' "$root/build/win32/CMakeCache.txt")"
package_name="$(cmake -DVERSION="$version" -DRELEASE="${release_build:-OFF}" \
                -P "$root/installer/package_file_name.cmake" 2>&1)" ||
  { echo "FAILED: no package name for version $version"; exit 1; }
# What every build makes; a build without one of them is not the same build.
required=(
  "dist/Tarnwell PDF Printer Software.exe"
  "dist/HAND-M.CUR"
  "dist/Quellmark PDF Setup/setup.exe"
  "dist/Quellmark PDF Setup/uninstall.exe"
  "release/$package_name"
  "release/deploy.cmd"
  "release/Tarnwell PDF Printer Software $version Windows test kit.zip"
  "release/folder-detection.ps1"
  "build/win32/installer/printer_actions.dll"
)

# compare FIRST SECOND: every required file and every file of dist/ and
# release/ in either tree, byte for byte; in this shell, so the count survives.
compare() {
  local first="$1" second="$2" differ=0 listing file compared=0
  if ! listing="$(for tree in "$first" "$second"; do
                    (cd "$tree" && find dist release -type f) || exit 1
                  done | sed 's|^\./||' | sort -u)"; then
    echo "FAILED: could not list dist/ and release/ of both builds"
    return 1
  fi
  for file in "${required[@]}"; do
    grep -qxF "$file" <<<"$listing" || listing+=$'\n'"$file"
  done
  while IFS= read -r file; do
    [ -n "$file" ] || continue
    if [ ! -f "$first/$file" ] || [ ! -f "$second/$file" ]; then
      echo "FAILED: $file is missing from $( [ -f "$first/$file" ] && echo the second || echo the first) build"
      differ=$((differ + 1))
    elif ! cmp -s "$first/$file" "$second/$file"; then
      echo "FAILED: $file differs between the two builds"
      differ=$((differ + 1))
    else
      compared=$((compared + 1))
    fi
  done <<<"$listing"
  [ "$differ" -eq 0 ] || return 1
  echo "reproducible: the $compared files of dist/, release/ and the custom actions are the same in both builds"
}

if [ "${1:-}" = --compare ]; then
  [ -d "${2:-}" ] && [ -d "${3:-}" ] || { echo "usage: scripts/check-reproducible.sh [--compare A B]"; exit 2; }
  compare "$2" "$3"
  exit
fi

copy="$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-rebuild.XXXXXX")"
trap 'rm -rf "$copy"' EXIT

# The files git knows or would take, without the build's own folders.
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
   xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
   tar --null -T - -cf -) | tar -xf - -C "$copy" || { echo "could not copy the source tree"; exit 1; }

# The copy has no git history: it gets the moment this tree's build took
# from its commit (cmake/source_date_epoch.cmake).
SOURCE_DATE_EPOCH="$(cat "$root/build/win32/source-date-epoch.txt" 2>/dev/null)" ||
  { echo "FAILED: no build in $root/build/win32 to compare with (run scripts/build.sh)"; exit 1; }
export SOURCE_DATE_EPOCH

log="$copy.log"
if ! { cmake -S "$copy" -B "$copy/build/win32" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/i686-mingw.cmake" \
         -DCMAKE_BUILD_TYPE=Release -DTARNWELL_SIGN_PKCS12= -DTARNWELL_SIGN_PASSWORD_FILE= &&
       cmake --build "$copy/build/win32" --target tarnwell_msi tarnwell_windows_kit -j"$(nproc)"; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "FAILED: the second build did not finish (log: $log)"
  exit 1
fi
rm -f "$log"

compare "$root" "$copy"
